// SUM_VobObject and SUM_NamedObject: the handle of one object of a VOB, the
// base of every ZEM object handle.
//
// A handle is a VOB plus the object's database id. It is a value: cheap to
// copy, equal to another when both the VOB and the dbid are, owning nothing
// in the repository and possibly outliving the object (`exists` tells). A
// handle is null when its dbid is 0 or its VOB is null; every operation on a
// null handle records an internal error and returns 1072. Out-parameters are
// filled only on success; repository failures pass up unchanged.
#ifndef SUM_SUM_VOB_OBJECT_H
#define SUM_SUM_VOB_OBJECT_H

#include <string>
#include <vector>

#include "services/vob.h"
#include "services/vob_hlink.h"
#include "sum/sum_ids.h"
#include "sum/sum_os_user.h"
#include "sum/sum_string.h"
#include "sum/sum_vob.h"

class SUM_Hyperlink;
class SUM_HyperlinkIter;
class SUM_Replica;
class SUM_VobObjectIter;

class SUM_VobObject {
 public:
  // The null object.
  SUM_VobObject() = default;
  SUM_VobObject(const SUM_Vob& vob, tbs_dbid_t dbid) : vob_(vob), dbid_(dbid) {}
  SUM_VobObject(const SUM_VobObject& other) = default;
  SUM_VobObject& operator=(const SUM_VobObject& other) = default;
  virtual ~SUM_VobObject() = default;

  tbs_dbid_t dbid() const { return dbid_; }
  const SUM_Vob& vob() const { return vob_; }
  // 1 when the dbid is 0 or the VOB is null.
  int is_null() const { return dbid_ == 0 || vob_.is_null() ? 1 : 0; }

  // The object's metatype, its type object's dbid (0 for objects without
  // one) and its oid.
  int metatype(vob_mtype_t& mtype) const;
  int type(unsigned& type) const;
  int oid(tbs_oid_t& oid) const;
  int oid(SUM_Oid& oid) const;
  // The user who owns the object.
  int owner(SUM_OsUser& owner) const;

  // The comment of the object's defining event: for a version while it is
  // checked out its checkout event, else (and for every other object) its
  // creation event. `set_description` replaces that comment, recording
  // `reason` with the change; `creation_time` gives that event's time in
  // seconds since the epoch. 1002 when the object has no such event.
  int description(SUM_String& comment) const;
  int set_description(const char* comment, const char* reason) const;
  int creation_time(long& time) const;

  // The full selector ("kind:name@vob"). With `for_messages` set, the form
  // used in messages: the selector taken apart and rebuilt without its kind
  // ("name@vob").
  int selector(SUM_String& selector) const;
  int selector(int for_messages, SUM_String& selector) const;
  // The universal selector, naming the object by identities that stay valid
  // across replicas and tag changes.
  int univ_selector(SUM_String& selector) const;

  // Texts naming the object in messages: "<null object>" for a null handle,
  // else the repository's message name (any_name) or the rebuilt selector of
  // selector(1, ...) (any_fullname); "???" when it cannot be read. Each
  // function owns four rotating 1024-byte buffers: a text stays valid for
  // the next three calls of the same function.
  const char* any_name() const;
  const char* any_fullname() const;

  // The replica that masters the object (may change it).
  int master(SUM_Replica& replica) const;
  // Gives mastership of the object to `replica` (of this VOB's family),
  // recording `comment` and operation code `opcode` with the event. A null
  // replica is 1072.
  int chmaster(const SUM_Replica& replica, const char* comment, int opcode) const;
  // 1 when the local replica masters the object.
  int has_local_mastership(int& local) const;
  // The same, also giving the master replica and the local replica.
  int has_local_mastership(int& local, SUM_Replica& master, SUM_Replica& here) const;

  // ---- finding and inspecting objects (sum_vob_object_inspect.cpp) ----
  // The object selector `text` names: "kind:name@vob-tag", "name@vob-tag",
  // "vob:/tag" or a universal selector; a text without "@vob" names an
  // object of `default_vob` (a null VOB: such a text names nothing). 1004
  // for a malformed text, 1002 when no such VOB or object exists; `out` is
  // untouched then.
  static int construct_from_any_selector(const char* text, const SUM_Vob& default_vob,
                                         SUM_VobObject& out);
  // The object of metatype `mtype` named `name` in `vob`; 1002 when none.
  static int construct_from_name(const SUM_Vob& vob, const char* name, vob_mtype_t mtype,
                                 SUM_VobObject& out);
  // The name of a metatype as selectors and listings show it ("stream",
  // "file version", ...); never null.
  static const char* metatype_text(vob_mtype_t mtype);
  // The object's lock (obsolete flag, exempt users); 1002 when unlocked.
  int lock_info(vob_lock_t& out) const;
  // Locks the object (`obsolete`: also hides it from listings), exempting
  // the users `exempt`, recording `comment`. The repository's refusals
  // pass up unchanged.
  int lock(int obsolete, const std::vector<std::string>& exempt, const char* comment) const;
  // Removes the object's lock; 1002 when it has none.
  int unlock(const char* comment) const;
  // The names of the object's process variables, replacing `out`, and the
  // value of one (1002 when it has none of that name).
  int pvar_names(std::vector<std::string>& out) const;
  int pvar_value(const char* name, std::string& out) const;
  // Every hyperlink end at the object, both directions, with its type name
  // (broken ends flagged, never followed), replacing `out`.
  int hyperlink_ends(std::vector<vob_hlink_typed_end_t>& out) const;
  // The object's file-system facts (owner, creation time, ...).
  int fstat(vob_fstat_t& out) const;
  // The latest event of `kind` (VOB_EVENT_CREATE, ...) on the object;
  // 1002 when none.
  int latest_event(int kind, vob_event_t& out) const;

  // Whether the object exists. A dbid of 0 answers 0 without asking the
  // repository; otherwise a null VOB is 1072.
  int exists(int& result) const;
  // Whether the object is locked obsolete; an unlocked object answers 0.
  int is_obsolete(int& result) const;
  // Whether the object's lock applies to the current user: 0 when unlocked
  // or when the user is exempt from the lock.
  int is_locked(int& result) const;
  // Whether the object is a directory element or directory version.
  int is_dir(int& result) const;
  // Whether the current user may change or remove the object. One rule for
  // every kind of object and every changing operation, decided by the
  // repository (vob_obj_check_change): the user owns the object, owns its
  // VOB or is privileged; neither the object nor its VOB is locked for the
  // user; this replica masters the object. 0 when it holds; otherwise,
  // after a message saying why, 1040 when locked and 1001 for any other
  // refusal. Operations call it before they write anything.
  int check_change_permission() const;
  // Whether trigger types name this object in their restriction lists (which
  // forbids removing it); when they do, prints `message` with the object's
  // name at error severity.
  int trtype_refs_refuse(imsg_checked_id<const char*> message, int& referenced) const;

  // ---- hyperlinks (sum_hyperlink.cpp) ----
  // Direction 1: this object is the "from" end (outgoing links); 0: the "to"
  // end (incoming links). Types are well-known hyperlink types (VOB_WK_HLTYPE_*)
  // unless a type name is given.

  // Whether a hyperlink of `type` leaves (1) or reaches (0) this object.
  int has_hyperlink(vob_wkobj_t type, int direction, int& result) const;
  // Whether a hyperlink of `type` runs from this object to `other`.
  int has_hyperlink_to(const SUM_VobObject& other, vob_wkobj_t type, int& result) const;
  // Creates a hyperlink from this object to `to`, of a well-known type or of
  // the named type `type_name` (made in either VOB where it is missing).
  // Null texts are empty. A failure prints "sum" message 45 and passes up.
  int create_hyperlink_to(const SUM_VobObject& to, vob_wkobj_t type, const char* from_text,
                          const char* to_text, const char* comment) const;
  int create_hyperlink_to(const SUM_VobObject& to, const char* type_name, const char* from_text,
                          const char* to_text, const char* comment) const;
  // As create_hyperlink_to, to an object given by raw VOB handle and dbid.
  int create_hyperlink_to_new(vob_vob_h to_vob, tbs_dbid_t to, vob_wkobj_t type,
                              const char* from_text, const char* to_text,
                              const char* comment) const;
  // Deletes the hyperlink of `type` (or the named type) from this object to
  // `to`; 1002 when there is none. `flags` and `text` are kept for callers
  // that pass them and do not change what is deleted.
  int remove_hyperlink_to(const SUM_VobObject& to, vob_wkobj_t type, int flags,
                          const char* comment) const;
  int remove_hyperlink_to(const SUM_VobObject& to, const char* type_name, const char* text,
                          const char* comment) const;
  // New iterators (owned by the caller) over the objects at the other end,
  // or over the hyperlinks, of `type` in `direction`.
  SUM_VobObjectIter* hyperlinked_objects(vob_wkobj_t type, int direction) const;
  SUM_HyperlinkIter* hyperlinks(vob_wkobj_t type, int direction) const;
  // Exactly one hyperlink of `type` is expected: none is 1002, one sets
  // `out`, more than one is 1072.
  int single_hyperlink(vob_wkobj_t type, SUM_Hyperlink& out, int direction) const;
  // The object at the far end of the single hyperlink; a broken end is 1001.
  int single_hyperlinked_object(vob_wkobj_t type, SUM_VobObject& out, int direction) const;

 protected:
  SUM_Vob vob_;
  tbs_dbid_t dbid_ = 0;
};

// Equal when both the VOB and the dbid are equal.
inline bool operator==(const SUM_VobObject& a, const SUM_VobObject& b) {
  return a.dbid() == b.dbid() && a.vob() == b.vob();
}
inline bool operator!=(const SUM_VobObject& a, const SUM_VobObject& b) {
  return !(a == b);
}

// An object with a name that can be changed.
class SUM_NamedObject : public SUM_VobObject {
 public:
  SUM_NamedObject() = default;
  SUM_NamedObject(const SUM_Vob& vob, tbs_dbid_t dbid) : SUM_VobObject(vob, dbid) {}

  // The object's name (at most 255 bytes); 1002 for an object without one.
  int name(SUM_String& name) const;
  int name(char (&buf)[256]) const;
  // Renames the object, recording `comment` with the rename event. 1003
  // when another object of its metatype has the name, 1040 when it is locked.
  int set_name_basic(const char* name, const char* comment) const;
  // Renames the object, first offering the rename to the command layer,
  // which renames objects whose names are recorded elsewhere as well; when
  // it leaves the rename to the caller, as set_name_basic.
  int set_name(const char* name, const char* comment) const;
};

#endif  // SUM_SUM_VOB_OBJECT_H
