// SUM_ActivityBase: the handle of any object that carries process variables
// and, in a PVOB of the activity-based form (below feature level 7), of the
// activity-like objects (metatype 28) that stand for folders, projects,
// streams, components and activities there. Also SUM_ActivityType (the
// handle of an activity type object) and the chunked child walks
// (SUM_DbidChunkIter, SUM_ActivityBaseIter).
//
// Contracts shared by every member: a null handle records an internal error
// and returns 1072; out-parameters are filled only on success; repository
// failures pass up unchanged. The members marked "activity-based form only"
// are internal errors (1072) on a PVOB of the first-class form. In those
// writing members the operation code recorded with the event is replaced by
// 0 when the PVOB is below feature level 4, whose event records have no
// operation codes.
#ifndef SUM_SUM_ACTIVITY_BASE_H
#define SUM_SUM_ACTIVITY_BASE_H

#include <cstddef>
#include <memory>
#include <vector>

#include "services/vob.h"
#include "sum/sum_activity_info.h"
#include "sum/sum_string.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"

class SUM_ActivityBaseIter;

// An activity type object (metatype 27): a plain named object.
class SUM_ActivityType : public SUM_NamedObject {
 public:
  SUM_ActivityType() = default;
  SUM_ActivityType(const SUM_Vob& vob, tbs_dbid_t dbid) : SUM_NamedObject(vob, dbid) {}
};

class SUM_ActivityBase : public SUM_NamedObject {
 public:
  SUM_ActivityBase() = default;
  SUM_ActivityBase(const SUM_Vob& vob, tbs_dbid_t dbid) : SUM_NamedObject(vob, dbid) {}
  // Copies the handle; the cached info stays with the source.
  SUM_ActivityBase(const SUM_ActivityBase& other) : SUM_NamedObject(other) {}
  SUM_ActivityBase& operator=(const SUM_ActivityBase& other);
  ~SUM_ActivityBase() override = default;

  // ---- process variables (both storage forms; see sum/sum_pvar.h) ----
  // Reads a PVAR; a missing one reads as "".
  int pvar(const char* name, SUM_String& value) const;
  int pvar_exists(const char* name, int& exists) const;
  // Writes a PVAR replicated to every replica, resp. kept at this replica,
  // recording `comment` and operation code `op`.
  int set_pvar(const char* name, const char* value, int op, const char* comment) const;
  int set_pvar_local(const char* name, const char* value, int op, const char* comment) const;
  // 0 when the PVAR holds `value`, 1087 when it holds another, 1002 unset.
  int test_pvar(const char* name, const char* value) const;
  // Atomic compare-and-set: 0 when it held `test_value` (null or "": unset)
  // and now holds `new_value`; 1087 when it held something else.
  int test_and_set_pvar(const char* name, const char* test_value, const char* new_value,
                        int op) const;
  // Deletes a PVAR (1002 when unset).
  int delete_pvar(const char* name, int op) const;
  int delete_pvar_local(const char* name, int op) const;

  // ---- activity-based form only ----
  // Reads the fields of `mask` into this handle's cached info, which
  // replaces the previous one; `out` points to it and stays valid until the
  // next info call, an assignment to this handle or its destruction.
  int info(const SUM_ActivityInfo*& out, unsigned long mask = SUM_ActivityInfo::kDefaultMask) const;
  // The stored title, or the object's name when the title is empty.
  int title(SUM_String& title) const;
  // Stores the title (null: ""); an unchanged title writes nothing.
  int set_title(const char* title, const char* comment, int op) const;
  // Sets the text users see for the object: here its title (operation
  // code 0). Derived kinds record their own change code.
  virtual int set_display_name(const char* name, const char* comment) const;
  // The object's activity type.
  int type_object(SUM_ActivityType& type) const;
  // The object it is placed in; 1002 when it has none.
  int parent(SUM_ActivityBase& parent) const;
  // Whether this kind of object may be moved at all: 1 here.
  virtual int is_reparent_ok() const { return 1; }
  // Moves the object into `new_parent`, which must be in the same VOB.
  // 1001 when is_reparent_ok says no or the parent is in another VOB (both
  // after an internal error is logged); the repository's refusals (moving
  // an object below itself, placement rules) pass up.
  int reparent(const SUM_ActivityBase& new_parent, const char* comment, int op) const;
  // Makes the object active; an active object is left as it is. A failure
  // prints "Cannot activate activity "%s"" naming the object.
  int make_active(const char* comment, int op) const;
  // Whether other objects are placed in this one.
  int has_children(int& result) const;
  // A new walk over the objects placed in this one, 32 per repository call;
  // owned by the caller. Null for a null handle (after an internal error).
  SUM_ActivityBaseIter* children() const;
  // Removes the object; 1001 while objects are placed in it.
  virtual int destroy_util(const char* comment, int op) const;

  // Creates activity-like object `name` of activity type `type` in `parent`
  // (null: none) with `title` (null or "": none). Type and parent must be in
  // `vob` (1072 otherwise, like a null VOB or type). An empty name with a
  // non-empty title gets a name made from the title, unique among
  // activity-like objects of the VOB. On success `out` is the new, not yet
  // active, object.
  static int common_create(const SUM_Vob& vob, const char* name, const char* title,
                           const SUM_VobObject& type, const SUM_VobObject& parent,
                           const char* comment, int op, SUM_ActivityBase& out);

 protected:
  // 1072 (after an internal error naming `operation`) unless the handle is
  // non-null and its VOB is of the activity-based form.
  int check_activity_form(const char* operation, int line) const;
  // `op`, or 0 when the VOB is below feature level 4.
  int event_opcode(int op, int& out) const;

 private:
  mutable std::unique_ptr<SUM_ActivityInfo> info_;
};

// A walk over database ids that a repository call hands out in chunks,
// `chunk_size` at a time, keeping those that `accept` takes. `first` starts
// (again) from the beginning and `next` moves on; `is_done` is true once the
// walk is over or a call failed, whose status `status` then returns.
class SUM_DbidChunkIter {
 public:
  SUM_DbidChunkIter(const SUM_Vob& vob, size_t chunk_size) : vob_(vob), chunk_size_(chunk_size) {}
  virtual ~SUM_DbidChunkIter() = default;
  SUM_DbidChunkIter(const SUM_DbidChunkIter&) = delete;
  SUM_DbidChunkIter& operator=(const SUM_DbidChunkIter&) = delete;

  void first();
  void next();
  int is_done() const { return done_ ? 1 : 0; }
  int status() const { return status_; }

 protected:
  // Fills `out` with up to `max` ids from position `offset`; fewer mean the
  // end.
  virtual int fetch(size_t offset, size_t max, std::vector<tbs_dbid_t>& out) = 0;
  // Whether the walk yields `dbid`; a failure ends the walk with its status.
  virtual int accept(tbs_dbid_t dbid, int& yes) {
    (void)dbid;
    yes = 1;
    return 0;
  }
  // The current id; 0 when done.
  tbs_dbid_t current_dbid() const { return done_ ? 0 : chunk_[pos_]; }
  const SUM_Vob& vob() const { return vob_; }

 private:
  void advance();  // from pos_ onwards to the next accepted id

  SUM_Vob vob_;
  size_t chunk_size_;
  size_t offset_ = 0;  // position of chunk_[0] in the whole sequence
  std::vector<tbs_dbid_t> chunk_;
  size_t pos_ = 0;
  bool last_chunk_ = false;
  bool done_ = true;
  int status_ = 0;
};

// The objects placed in an activity-like object, in creation order.
class SUM_ActivityBaseIter : public SUM_DbidChunkIter {
 public:
  static constexpr size_t kChunk = 32;
  explicit SUM_ActivityBaseIter(const SUM_ActivityBase& parent)
      : SUM_DbidChunkIter(parent.vob(), kChunk), parent_(parent.dbid()) {}
  // The current object; 1072 when the walk is done.
  int current_item(SUM_ActivityBase& item) const;

 protected:
  int fetch(size_t offset, size_t max, std::vector<tbs_dbid_t>& out) override;

 private:
  tbs_dbid_t parent_;
};

#endif  // SUM_SUM_ACTIVITY_BASE_H
