// What the VOB service families share: the handle of an open VOB replica and
// the building blocks of writing calls (objects, events, locks).
#ifndef REPOSITORY_VOB_INTERNAL_H
#define REPOSITORY_VOB_INTERNAL_H

#include <memory>
#include <string>
#include <vector>

#include "repository/store.h"
#include "services/korvane_assert.h"
#include "services/rgy.h"
#include "services/vob.h"

// An open VOB replica. Interned per replica UUID for the life of the process.
struct vob_vob_t {
  std::string tag;
  std::string storage_path;
  tbs_uuid_t family{};
  tbs_uuid_t replica{};
  int kind = RGY_VOB_ORDINARY;
  std::unique_ptr<repo::Store> store;  // opened on first use
};

// A listing cursor; each kind of walk derives its own.
struct vob_cursor_t {
  virtual ~vob_cursor_t() = default;
};

namespace repo {

// File name of a VOB's database inside its storage directory.
inline constexpr const char* kVobDbName = "vob.db";

// The interned handle for a registry entry (created on first use).
vob_vob_h intern_vob(const rgy_vob_entry& entry);
// Forgets the open database of a removed VOB; the handle stays valid but
// every call on it then fails with 1002.
void close_vob(vob_vob_h vob);

// The store of an open VOB: 1004 for a null handle, 1002 when its storage is gone.
int vob_store(vob_vob_h vob, Store*& store);
// The VOB's generation: advanced by every write transaction committed on it.
int vob_generation(vob_vob_h vob, int64_t& generation);
// The VOB of a family (the replica registered here).
int vob_of_family(const tbs_uuid_t& family, vob_vob_h* vob);

// The acting user (KORVANE_USER or the login name) and this host.
std::string current_user();
std::string current_host();

// A row of the objects table.
struct ObjectRow {
  tbs_dbid_t dbid = 0;
  tbs_oid_t oid{};
  vob_mtype_t mtype = 0;
  tbs_dbid_t type = 0;
  std::string name;
  bool has_name = false;
  std::string owner;
  tbs_dbid_t master = 0;
  long created = 0;
  long modified = 0;
};

// Reads one object; 1002 when it does not exist.
int read_object(Store& store, tbs_dbid_t dbid, ObjectRow& row);

// What insert_object makes.
struct NewObject {
  vob_mtype_t mtype = 0;
  tbs_dbid_t type = 0;
  const char* name = nullptr;      // null: unnamed
  const tbs_oid_t* oid = nullptr;  // null: a fresh random oid
  tbs_dbid_t master = 0;           // 0: the local replica
};

// Inserts an object and its creation event inside the caller's transaction.
// 1003 when its name is taken among objects of its metatype.
int insert_object(Store& store, const NewObject& object, const vob_event_info_t* event,
                  tbs_dbid_t* dbid);
// Records an event of `kind` on `obj` and updates its modification time.
int record_event(Store& store, tbs_dbid_t obj, int kind, const vob_event_info_t* event);
// The local replica object of the VOB.
int local_replica(Store& store, tbs_dbid_t* replica);
// A well-known object of the VOB; 1002 when absent.
int well_known(Store& store, vob_wkobj_t wk, tbs_dbid_t* dbid);

// The one rule for names of objects users name (types of every kind,
// projects, streams, folders, components, activities, baselines, version
// maps): 1 to 255 bytes of letters, digits, "-", "_", "." and non-ASCII
// (UTF-8) bytes, not starting with "-" (it would read as an option), not
// "." or "..". Such names are safe in selectors ("kind:name@vob"), config
// spec rules and command lines. 0, or 1004 after a message saying why.
int check_object_name(const char* name);

// 1040 (after a message naming the object) when `obj`, or the VOB object,
// is locked for the current user; 0 otherwise.
int check_not_locked(vob_vob_h vob, Store& store, tbs_dbid_t obj);

// Who may change or remove an object: its owner, the owner of its VOB (of
// the VOB object) and privileged users (services/rgy.h). This is the one
// place that rule is decided; every check of the right to change an object
// comes here.
struct ChangeRight {
  bool allowed = false;
  std::string user;       // the current user
  std::string owner;      // the object's owner
  std::string vob_owner;  // the owner of the VOB object
};
// Fills `right` for the current user and `obj`; 1002 when `obj` is absent.
int change_right(Store& store, tbs_dbid_t obj, ChangeRight& right);
// 1051 (after a message naming the object, the user and who may change
// it) unless change_right allows the current user.
int check_owner_or_privileged(vob_vob_h vob, Store& store, tbs_dbid_t obj);
// 1001 (after a message naming the master replica) when another replica
// masters `obj`.
int check_mastered_here(vob_vob_h vob, Store& store, tbs_dbid_t obj);
// The whole rule for changing or removing `obj`: check_owner_or_privileged,
// then check_not_locked, then check_mastered_here; the first refusal is
// answered.
int check_may_change(vob_vob_h vob, Store& store, tbs_dbid_t obj);
// `kind "name@vob"` for messages, from the object's selector.
std::string kind_and_name(vob_vob_h vob, tbs_dbid_t obj);

// A hyperlink row to insert (vob_hlink.cpp). The "to" end is an object of
// the holding VOB (`to_family` null, `to` set) or of another VOB family.
struct NewHlink {
  vob_wkobj_t wk_type = 0;
  tbs_dbid_t type = 0;  // the type object in the holding VOB
  tbs_dbid_t from = 0;
  const tbs_uuid_t* to_family = nullptr;
  tbs_oid_t to_oid{};
  tbs_dbid_t to = 0;
  const tbs_oid_t* oid = nullptr;  // null: a fresh random oid
  const char* from_text = "";
  const char* to_text = "";
};
// Inside the caller's transaction: the hyperlink object (its creation event
// carrying `event`) and its row.
int insert_hlink(Store& store, const NewHlink& link, const vob_event_info_t* event,
                 tbs_dbid_t* hlink);
// An arrow record for a hyperlink held in VOB family `from_family`.
struct NewArrow {
  tbs_dbid_t to = 0;
  vob_wkobj_t wk_type = 0;
  const char* type_name = "";
  tbs_uuid_t from_family{};
  tbs_oid_t hlink_oid{};
  tbs_oid_t from_oid{};
  const char* from_text = "";
  const char* to_text = "";
};
// Inside the caller's transaction of the "to" end's VOB: the arrow record
// (1002 when `to` does not exist).
int insert_arrow(Store& store, const NewArrow& arrow);

// Runs `body(store)` inside one transaction on the VOB's store (in_txn of
// repository/store.h), committing when it answers 0.
template <typename Body>
int in_txn(vob_vob_h vob, Body body) {
  Store* s = nullptr;
  int status = vob_store(vob, s);
  return status != 0 ? status : in_txn(*s, body);
}

// Runs `body(store)` on the VOB's store without a transaction (reads).
template <typename Body>
int with_store(vob_vob_h vob, Body body) {
  Store* s = nullptr;
  int status = vob_store(vob, s);
  return status != 0 ? status : body(*s);
}

// An object id as a statement parameter, and one read back from a column.
inline int64_t id(tbs_dbid_t dbid) {
  return static_cast<int64_t>(dbid);
}
inline tbs_dbid_t dbid_at(const Query& q, int column) {
  return static_cast<tbs_dbid_t>(q.int64(column));
}

// One page of object ids: binds `max` and `offset` to parameters `at` and
// `at` + 1 of `q` (the caller binds the others), steps it and replaces
// `out` with column 0 of its rows. A `max` beyond what int64 holds becomes
// -1: no limit. With `max` 0, `out` is emptied and `q` does not run.
int read_page(Query& q, int at, size_t offset, size_t max, std::vector<tbs_dbid_t>& out);

// Copies `text` into a caller buffer, cut to fit and zero-terminated.
void copy_out(const std::string& text, char* buf, size_t size);

// A 16-byte column read back as a UUID or an object id; all zero when the
// column does not hold 16 bytes (a NULL column).
tbs_uuid_t uuid_of(const std::string& blob);
tbs_oid_t oid_of(const std::string& blob);

}  // namespace repo

#endif  // REPOSITORY_VOB_INTERNAL_H
