// SUM_Vob: the handle of one VOB replica, with the VOB-wide questions the
// library asks: identity and tag, kind, well-known objects, feature level,
// admin VOB hierarchy and the project VOBs of the registry.
//
// A SUM_Vob is a value holding the repository's VOB handle; copies share it
// and `==` compares it. The null VOB holds no handle: every operation on it
// records an internal error and returns 1072. Out-parameters are filled only
// on success unless a contract says otherwise.
#ifndef SUM_SUM_VOB_H
#define SUM_SUM_VOB_H

#include <string>
#include <vector>

#include "services/rgy.h"
#include "services/vob.h"
#include "sum/sum_ids.h"
#include "sum/sum_lists.h"
#include "sum/sum_string.h"

class SUM_Folder;
class SUM_VobObject;

class SUM_Vob {
 public:
  // What an oid handed to construct_from_oid identifies.
  enum OidType {
    VOB_OID = 0,      // the VOB object of the VOB
    REPLICA_OID = 1,  // the replica (the oid holds the replica UUID's bytes)
  };

  // The null VOB.
  SUM_Vob() = default;
  // The VOB of a repository handle (null for a null handle).
  explicit SUM_Vob(vob_vob_h handle) : handle_(handle) {}
  SUM_Vob(const SUM_Vob& other) = default;
  SUM_Vob& operator=(const SUM_Vob& other) = default;
  virtual ~SUM_Vob() = default;

  // The VOB identified by `oid`: with REPLICA_OID the registered replica of
  // that UUID, otherwise the registered VOB whose VOB object has that oid. A
  // null oid is 1072; a lookup failure passes the service's status up (1002
  // when nothing is registered under it).
  static int construct_from_oid(const SUM_Oid& oid, OidType type, SUM_Vob& out);
  // The VOB of `handle`; a null handle is 1072.
  static int construct_from_handle(vob_vob_h handle, SUM_Vob& out);
  // The VOB named by a tag ("/pvob") or a path inside its storage directory.
  // A null text is 1072; an unknown name passes the lookup's status up (1002)
  // and, when `print_error` is nonzero, first prints that the tag does not
  // exist at error severity.
  static int construct_from_pname_or_tag(const char* pname_or_tag, int print_error, SUM_Vob& out);

  vob_vob_h handle() const { return handle_; }
  // 1 when the handle is null.
  int is_null() const { return handle_ == nullptr ? 1 : 0; }
  bool operator==(const SUM_Vob& other) const { return handle_ == other.handle_; }
  bool operator!=(const SUM_Vob& other) const { return handle_ != other.handle_; }

  // The identity of this replica and of the VOB family, as oids.
  int replica_oid(SUM_Oid& oid) const;
  int family_oid(SUM_Oid& oid) const;
  // The VOB tag (at most 255 bytes).
  int tag(SUM_String& tag) const;
  // 1 for an ordinary VOB, 2 for a project VOB.
  int vob_type(int& type) const;
  // 1 when this VOB is a project VOB, else 0.
  int is_sum_pvob(int& result) const;
  // 1 when the VOB family has more than one replica.
  int is_replicated(int& result) const;

  // The VOB object itself (well-known object 1).
  int vob_obj(SUM_VobObject& obj) const;
  // Components in this VOB: whether its root directory element (well-known
  // object 2) is itself a component root directory (a VOB-level component);
  // whether an element named in the root directory's latest main-branch
  // version is one (sub-VOB components); and either of the two.
  int is_componentized(int& result) const;
  int has_sub_vob_components(int& result) const;
  int has_components(int& result) const;
  // The root folder of a project VOB (well-known object 64; defined with
  // SUM_Folder); 1002 for a VOB without one.
  int root_folder(SUM_Folder& folder) const;
  // Well-known object number `kind` of this VOB; 1002 when it has none.
  int wk_obj(vob_wkobj_t kind, tbs_dbid_t& dbid) const;
  int wk_obj(vob_wkobj_t kind, SUM_VobObject& obj) const;
  // The type objects of the older storage form of activities (34), folders
  // (55), projects (56) and streams (57), and the user objects whose records
  // hold the current activities of views (59) and the stream-view map (60).
  int activity_actype(SUM_VobObject& obj) const;
  int folder_actype(SUM_VobObject& obj) const;
  int project_actype(SUM_VobObject& obj) const;
  int stream_actype(SUM_VobObject& obj) const;
  int user_every(SUM_VobObject& obj) const;
  int user_svmap(SUM_VobObject& obj) const;

  // The VOB's feature level. Inside a cache-control scope (SUM_CacheControl)
  // the answer is memoised, so each VOB is asked once per computation.
  int feature_level(int& level) const;
  // result = (feature level < level), resp. its negation. When the level
  // cannot be read, prints "Unable to get VOB feature level." at error
  // severity and returns the status of the failure.
  int is_feature_level_lt(const int& level, int& result) const;
  int is_feature_level_ge(const int& level, int& result) const;
  // 1 when folders, projects, streams, timelines, activities, components and
  // baselines are first-class objects here (feature level 7 or above); 0
  // otherwise and on any failure.
  int supports_fc_objs() const;

  // Admin VOBs. A VOB names its admin VOB by a hyperlink of well-known type
  // 35 from its VOB object to the admin VOB's object.
  // 1 when this VOB names an admin VOB.
  int has_admin_vob(int& result) const;
  // The admin VOB this VOB names (the first, when it names several); 1002
  // and a null `out` when it names none. Inside a cache-control scope
  // answers found are memoised.
  int this_admin_vob(SUM_Vob& out) const;
  // The admin VOB; with `follow`, the top of the admin hierarchy (the admin
  // VOB's admin VOB, and so on). 1002 when this VOB has none; 1072 when the
  // hierarchy loops.
  int admin_vob(SUM_Vob& out, int follow) const;
  // Makes `admin` this VOB's admin VOB. A null `admin` is 1072; a VOB that
  // already has one prints "VOB "<tag>" already has an Admin VOB" at error
  // severity and returns 1001; a failure to link passes its status up.
  int set_admin_vob(const SUM_Vob& admin) const;
  // 1 when some other VOB names this one as its admin VOB.
  int is_admin_vob(int& result) const;

  // The project VOBs that can see this VOB: the VOB itself when it is one;
  // otherwise every project VOB from the top of its admin hierarchy down
  // through the VOBs naming an admin VOB (the top included). Appended to
  // `out` without duplicates.
  int get_pvob_list(SUM_VobList& out) const;
  // Every public project VOB registered in the default region, appended to
  // `out` in tag order. Tags whose VOB cannot be opened are skipped.
  static int get_all_pvobs_list(SUM_VobList& out);

  // ---- VOBs in the registry (sum_vob_admin.cpp) ----
  // Makes a VOB (storage, database, registry tag) as `args` describe and
  // sets `out` to it; nothing is registered on failure (1003 for a tag
  // taken).
  static int create(const vob_create_args_t& args, SUM_Vob& out);
  // Registers the VOB whose storage is `storage_path` under `tag` (empty:
  // the tag its storage records) and sets `out` to it.
  static int register_storage(const char* storage_path, const char* tag, SUM_Vob& out);
  // Removes the VOB tagged `tag`, its storage and its registry entry; 1002
  // for an unknown tag.
  static int remove(const char* tag);
  // The registry entries of the default region, by tag, replacing `out`.
  static int registry_entries(std::vector<rgy_vob_entry>& out);
  // The registry entry of `tag` in the default region; 1002 when absent.
  static int registry_entry(const char* tag, rgy_vob_entry& out);
  // The directory holding the VOB's database.
  int storage_path(std::string& out) const;
  // The type objects of metatype `mtype` (branch, label, element, trigger
  // types, ...) the VOB defines, replacing `out`.
  int types(vob_mtype_t mtype, std::vector<tbs_dbid_t>& out) const;

  // Removes this VOB's references to the view `view`. A null UUID is 1072.
  int remove_viewref_from_vob(const SUM_Uuid& view) const;

  // Text naming the VOB in messages: "<null VOB>", the tag, or when the tag
  // cannot be read "vob:<replica oid>", or "vob:???". The text lives in one
  // of four rotating buffers: it stays valid for the next three calls.
  const char* any_name() const;

 private:
  vob_vob_h handle_ = nullptr;
};

// Plain entry: SUM_Vob::has_components for a VOB handle (1072 for a null
// handle or answer pointer).
int sum_vob_has_components(vob_vob_h vob, int* answer);

#endif  // SUM_SUM_VOB_H
