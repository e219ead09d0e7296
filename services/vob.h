// The VOB database client: VOBs, objects, selectors, events, locks,
// mastership, well-known objects and cursors.
//
// A VOB is one replica of a family, stored as one database in its storage
// directory. Objects are named by the VOB handle plus a database id (dbid);
// every object also has a 16-byte oid that never changes. Every call that
// writes is one transaction: on failure nothing is written.
//
// Common contracts: every call returns a status (0 success; 1002 not found;
// 1004 bad argument; 1005 store failure; other codes as documented) and
// fills its out-parameters only on success. Texts are copied into caller
// buffers: names fit 256 bytes, selectors 1024; a longer text is cut and
// zero-terminated.
#ifndef SERVICES_VOB_H
#define SERVICES_VOB_H

#include <cstddef>
#include <string>
#include <vector>

#include "services/tbs.h"

// ---- handles and numbers -----------------------------------------------------

// An open VOB replica. Handles are interned: one handle per replica per
// process, valid until the process ends, so handles compare by pointer.
struct vob_vob_t;
using vob_vob_h = vob_vob_t*;

// Metatypes: the kind of an object.
using vob_mtype_t = int;
enum vob_mtype : int {
  VOB_MTYPE_NONE = 0,
  VOB_MTYPE_VOB = 1,
  VOB_MTYPE_DIRECTORY_ELEMENT = 2,
  VOB_MTYPE_VERSION = 3,  // version of an element that is neither file nor directory
  VOB_MTYPE_SYMLINK = 4,
  VOB_MTYPE_FILE_ELEMENT = 5,
  VOB_MTYPE_DIRECTORY_VERSION = 6,
  VOB_MTYPE_POOL = 7,
  VOB_MTYPE_FILE_VERSION = 8,
  VOB_MTYPE_HYPERLINK = 10,
  VOB_MTYPE_BRANCH = 11,
  VOB_MTYPE_ELEMENT_TYPE = 13,
  VOB_MTYPE_BRANCH_TYPE = 14,
  VOB_MTYPE_ATTRIBUTE_TYPE = 15,
  VOB_MTYPE_HYPERLINK_TYPE = 16,
  VOB_MTYPE_TRIGGER_TYPE = 17,
  VOB_MTYPE_REPLICA_TYPE = 18,
  VOB_MTYPE_LABEL_TYPE = 20,  // also the version map of a baseline
  VOB_MTYPE_USER = 22,
  VOB_MTYPE_REPLICA = 24,
  VOB_MTYPE_ACTIVITY_TYPE = 27,
  VOB_MTYPE_ACTIVITY_LIKE = 28,  // activities, folders, projects, streams, components,
                                 // timelines of PVOBs below feature level 7
  VOB_MTYPE_CHECKPOINT_TYPE = 29,
  VOB_MTYPE_CHECKPOINT = 33,  // baselines below feature level 7
  VOB_MTYPE_COMPONENT = 35,
  VOB_MTYPE_FOLDER = 36,
  VOB_MTYPE_PROJECT = 37,
  VOB_MTYPE_ACTIVITY = 38,
  VOB_MTYPE_STREAM = 39,
  VOB_MTYPE_TIMELINE = 40,
  VOB_MTYPE_BASELINE = 41,
  VOB_MTYPE_VIEW_TYPE = 43,
  VOB_MTYPE_POOL_TYPE = 44,
};

// Whether `mtype` is a type metatype (the objects `vob_type_create` makes).
bool vob_mtype_is_type(vob_mtype_t mtype);
// Name of a metatype for messages and selectors' kinds ("brtype",
// "activity", ...); "object" for unknown numbers.
const char* vob_mtype_to_str(vob_mtype_t mtype);

// Well-known objects, asked by number. Hyperlink types share the numbering.
using vob_wkobj_t = int;
enum vob_wkobj : int {
  VOB_WK_VOB_OBJECT = 1,
  VOB_WK_ROOT_DIRECTORY = 2,
  VOB_WK_HLTYPE_TIMELINE_CONTRIB = 23,
  VOB_WK_HLTYPE_GLOBAL_DEFINITION = 24,
  VOB_WK_HLTYPE_CHANGE = 25,
  VOB_WK_HLTYPE_INDEPENDENT_GUARD = 26,
  VOB_WK_HLTYPE_FOUNDATION = 32,
  VOB_WK_ACTIVITY_TYPE = 34,
  VOB_WK_HLTYPE_ADMIN_VOB = 35,
  VOB_WK_FOLDER_TYPE = 55,
  VOB_WK_PROJECT_TYPE = 56,
  VOB_WK_STREAM_TYPE = 57,
  VOB_WK_USER_EVERY = 59,
  VOB_WK_USER_SVMAP = 60,
  VOB_WK_COMPONENT_TYPE = 61,
  VOB_WK_TIMELINE_TYPE = 62,
  VOB_WK_ROOT_FOLDER = 64,
  VOB_WK_TEMPLATE_HOLDER = 65,  // project VOBs: holder of the project template (services/vob_zem.h)
  VOB_WK_HLTYPE_COMPONENT_ROOT_DIR = 66,
  VOB_WK_HLTYPE_USE_BASELINE = 67,
  VOB_WK_HLTYPE_BASELINE_LBTYPE = 69,
  VOB_WK_ATTYPE_PROMOTION_LEVEL = 77,
};

// Selector kinds: what a selector names. A selector's text names its kind
// ("stream:dev@/pvob"); a kind passed to a resolving call restricts or
// supplies it.
using vob_objsel_kind_t = int;
enum vob_objsel_kind : int {
  VOB_SEL_ANY = 0,  // the kind comes from the text
  VOB_SEL_VOB = 1,
  VOB_SEL_ELTYPE = 2,
  VOB_SEL_BRTYPE = 3,
  VOB_SEL_ATTYPE = 4,
  VOB_SEL_HLTYPE = 5,
  VOB_SEL_TRTYPE = 6,
  VOB_SEL_LBTYPE = 7,
  VOB_SEL_HLINK = 8,
  VOB_SEL_POOL = 9,
  VOB_SEL_USER = 10,
  VOB_SEL_VERMAP = 11,
  VOB_SEL_REPLICA = 14,
  VOB_SEL_ACTIVITY = 18,
  VOB_SEL_FOLDER = 30,
  VOB_SEL_PROJECT = 31,
  VOB_SEL_STREAM = 32,
  VOB_SEL_TIMELINE = 33,
  VOB_SEL_OID = 37,  // "oid:<oid>@<vob>": any object by identity
  VOB_SEL_COMPONENT = 38,
  VOB_SEL_BASELINE = 39,
};

// Lookup flags of vob_resolve_general.
enum vob_resolve_flags : int {
  VOB_RESOLVE_WIDEN = 1,             // also look in the admin VOBs of the VOB named
  VOB_RESOLVE_ALLOW_UNIVERSAL = 8,   // accept the universal form
  VOB_RESOLVE_USE_DEFAULT_VOB = 16,  // a selector without "@vob" means the default VOB
};

// Event kinds.
enum vob_event_kind : int {
  VOB_EVENT_CREATE = 1,
  VOB_EVENT_MODIFY = 2,
  VOB_EVENT_CHECKOUT = 3,
  VOB_EVENT_LOCK = 4,
  VOB_EVENT_UNLOCK = 5,
  VOB_EVENT_RENAME = 6,
  VOB_EVENT_CHMASTER = 7,
  VOB_EVENT_REMOVE = 8,
};

// One event of an object's history.
struct vob_event_t {
  long id = 0;
  tbs_dbid_t obj = 0;
  int kind = 0;
  int opcode = 0;  // the operation that made the change; 0 when none was given
  long time = 0;   // seconds since the epoch
  long usec = 0;
  std::string user;
  std::string host;
  std::string comment;
};

// The comment and operation code a writing call records with its event.
struct vob_event_info_t {
  const char* comment = nullptr;  // null: empty comment
  int opcode = 0;
};

// An object's lock.
struct vob_lock_t {
  int obsolete = 0;
  std::vector<std::string> exempt;  // users the lock does not apply to
  std::string locked_by;
  long time = 0;
  std::string comment;
};

// Owner and times of an object.
struct vob_fstat_t {
  std::string owner;
  long created = 0;   // seconds since the epoch
  long modified = 0;  // time of the latest event
};

// A selector taken apart: "kind:name@vob". Universal selectors have the form
// "oid:<object oid>@vobuuid:<family uuid>" and stay valid across replicas and
// tag changes.
struct vob_objsel_t {
  std::string kind;  // "" when the text has no "kind:" prefix
  std::string name;
  std::string vob;  // "" when the text has no "@vob" part
};

// ---- VOBs ---------------------------------------------------------------------

// What vob_create makes.
struct vob_create_args_t {
  std::string tag;           // "/name": one component after a slash
  std::string storage_path;  // "" means <KORVANE_HOME>/vobs/<name>.vbs
  bool project_vob = false;
  int feature_level = 8;  // 1 to 8
  bool is_public = true;
  std::string comment;
};

// Lowest and highest feature levels a VOB can have.
constexpr int VOB_FEATURE_LEVEL_MIN = 1;
constexpr int VOB_FEATURE_LEVEL_MAX = 8;

// Creates a VOB: its storage directory and database (one transaction holding
// the VOB object, its replica, the root directory and the well-known types;
// for a project VOB also the root folder, the project template holder and the
// promotion levels), then its tag. Statuses: 1004 bad tag or feature level
// (after a message naming it), 1003 the tag or the storage directory exists,
// 1005 storage not writable.
int vob_create(const vob_create_args_t& args, vob_vob_h* vob);
// Registers the tag of an existing VOB storage directory again (after the
// registry was lost or the tag removed): the VOB's identity and kind come
// from its own database; `tag` null or empty means the tag it was made with.
// Statuses (each after a message): 1002 no VOB database there, 1004 bad
// tag, 1005 a damaged or empty database, 1003 the tag is taken or the
// storage is already registered under another tag.
int vob_register(const char* storage_path, const char* tag, vob_vob_h* vob);
// Removes the tag and the storage directory of a VOB. 1002 unknown tag.
int vob_remove(const char* tag);

// The VOB named by a tag ("/pvob") or by a path inside its storage
// directory. 1002 when nothing matches.
int vob_resolve_vob(const char* pname_or_tag, vob_vob_h* vob);

int vob_ob_get_tag(vob_vob_h vob, char* buf, size_t size);
// The universal name of the VOB: the name config spec patterns give it
// ("/cvob" in "element \"/cvob/...\" ..."), the same on every host.
// 1004 when `size` cannot hold it.
int vob_ob_get_uvob_pname(vob_vob_h vob, char* buf, size_t size);
int vob_ob_get_storage_path(vob_vob_h vob, std::string& path);
// The VOB's own oid (that of its VOB object), its family and replica UUIDs.
// The VOB object's oid holds the same 16 bytes as the family UUID, and the
// replica object's oid those of the replica UUID, so either names the VOB.
int vob_ob_get_oid(vob_vob_h vob, tbs_oid_t* oid);
int vob_ob_get_family_uuid(vob_vob_h vob, tbs_uuid_t* uuid);
int vob_ob_get_replica_uuid(vob_vob_h vob, tbs_uuid_t* uuid);
// 1 ordinary VOB, 2 project VOB.
int vob_ob_get_type(vob_vob_h vob, int* type);
int vob_ob_is_replicated(vob_vob_h vob, int* replicated);
int vob_ob_get_feature_level(vob_vob_h vob, int* level);
// The local replica object.
int vob_ob_get_replica(vob_vob_h vob, tbs_dbid_t* replica);
// A well-known object; 1002 when this VOB has none of that number.
int vob_ob_get_wk_obj(vob_vob_h vob, vob_wkobj_t wk, tbs_dbid_t* dbid);
// The VOBs this VOB names as admin VOBs (outgoing hyperlinks of type 35), in
// creation order; empty when it has none.
int vob_ob_get_admin_vobs(vob_vob_h vob, std::vector<vob_vob_h>& admins);
// The VOBs that name this VOB as admin VOB (incoming hyperlinks of type 35).
int vob_ob_get_client_vobs(vob_vob_h vob, std::vector<vob_vob_h>& clients);
// The VOB whose VOB object has `oid`, among the registered VOBs.
int vob_ob_vob_oid_to_vobh(const tbs_oid_t* oid, vob_vob_h* vob);
// The VOB replica `replica` of the registry.
int vob_ob_register_replica(const tbs_uuid_t* replica, vob_vob_h* vob);
// Removes the VOB's references to the view with UUID text `view_uuid`.
int vob_ob_delete_view_refs(vob_vob_h vob, const char* view_uuid, const vob_event_info_t* event);

// ---- objects ------------------------------------------------------------------

// Creates a type object (a metatype for which vob_mtype_is_type holds) named
// `name`, unique among objects of its metatype. 1003 when the name is taken.
int vob_type_create(vob_vob_h vob, vob_mtype_t mtype, const char* name,
                    const vob_event_info_t* event, tbs_dbid_t* dbid);
// The type objects of one metatype, in creation order.
int cmd_utl_get_types(vob_vob_h vob, vob_mtype_t mtype, std::vector<tbs_dbid_t>& types);

int vob_obj_exists(vob_vob_h vob, tbs_dbid_t dbid, int* exists);
int vob_obj_get_mtype(vob_vob_h vob, tbs_dbid_t dbid, vob_mtype_t* mtype);
// The object's type object (0 for objects without one).
int vob_obj_get_type(vob_vob_h vob, tbs_dbid_t dbid, tbs_dbid_t* type);
int vob_obj_get_oid(vob_vob_h vob, tbs_dbid_t dbid, tbs_oid_t* oid);
// The object with oid `oid` in this VOB.
int vob_obj_oid_to_dbid(vob_vob_h vob, const tbs_oid_t* oid, tbs_dbid_t* dbid);
int vob_obj_get_fstat_db(vob_vob_h vob, tbs_dbid_t dbid, vob_fstat_t* fstat);
// The object's name; 1002 for objects without one.
int vob_obj_get_name(vob_vob_h vob, tbs_dbid_t dbid, char* buf, size_t size);
// Renames, recording a rename event. 1003 when another object of the same
// metatype has the name; 1040 when the object is locked for this user.
int vob_obj_set_name(vob_vob_h vob, tbs_dbid_t dbid, const char* name,
                     const vob_event_info_t* event);
// The object of metatype `mtype` named `name`; 1002 when there is none.
int vob_obj_resolve(vob_vob_h vob, const char* name, vob_mtype_t mtype, tbs_dbid_t* dbid);
int vob_obj_is_dir(vob_vob_h vob, tbs_dbid_t dbid, int* is_dir);
// "kind:name@vob-tag".
int vob_obj_get_selector(vob_vob_h vob, tbs_dbid_t dbid, char* buf, size_t size);
// "oid:<oid>@vobuuid:<family uuid>".
int vob_obj_get_uselector(vob_vob_h vob, tbs_dbid_t dbid, char* buf, size_t size);
// The name shown in messages: the selector, with the "@vob" part left out
// when `view_tag` is null and the VOB is the only one, never failing for an
// existing object.
int vob_obj_get_any_name(vob_vob_h vob, tbs_dbid_t dbid, const char* view_tag, char* buf,
                         size_t size);

// Events, oldest first.
int vob_obj_get_events(vob_vob_h vob, tbs_dbid_t dbid, std::vector<vob_event_t>& events);
// The latest event of `kind` of the object; 1002 when it has none.
int vob_event_get_latest(vob_vob_h vob, tbs_dbid_t dbid, int kind, vob_event_t* event);
// Replaces the comment of event `event_id`; `reason` is recorded with a
// modify event.
int vob_event_change_comment(vob_vob_h vob, long event_id, const char* comment, const char* reason);

// Locks. vob_obj_get_lock gives 1002 when the object is not locked.
int vob_obj_get_lock(vob_vob_h vob, tbs_dbid_t dbid, vob_lock_t* lock);
// Locks (or replaces the lock of) an object; `exempt` users may still change it.
int vob_obj_lock(vob_vob_h vob, tbs_dbid_t dbid, int obsolete,
                 const std::vector<std::string>& exempt, const vob_event_info_t* event);
// 1002 when the object is not locked.
int vob_obj_unlock(vob_vob_h vob, tbs_dbid_t dbid, const vob_event_info_t* event);
// 0 when `lock` applies to `user` (null: the current user), 1002 when the
// user is exempt.
int vob_utl_lock_excludes_user(const vob_lock_t* lock, const char* user);

// The rule for changing or removing an object, the same for every kind of
// object and every operation: the current user must own the object, own
// the VOB (its VOB object) or be privileged (services/rgy.h); neither the
// object nor the VOB may be locked for the user; and this replica must
// master the object. 0 when all hold; otherwise, after a message saying
// which failed and who may change the object: 1051 (no permission), 1040
// (locked) or 1001 (mastered elsewhere). Nothing is written.
int vob_obj_check_change(vob_vob_h vob, tbs_dbid_t dbid);
// The rule above without mastership, for work that must be possible from a
// replica that does not master the object (taking its mastership over):
// owner, VOB owner or privileged, and not locked for the user. 1051 or 1040
// after the message.
int vob_obj_check_admin(vob_vob_h vob, tbs_dbid_t dbid);

// Mastership: the replica object (a dbid of metatype 24 in this VOB) that
// may change the object.
int vob_obj_get_master(vob_vob_h vob, tbs_dbid_t dbid, tbs_dbid_t* replica);
int vob_obj_set_master_int(vob_vob_h vob, tbs_dbid_t dbid, tbs_dbid_t replica,
                           const vob_event_info_t* event);
int vob_obj_has_local_mastership(vob_vob_h vob, tbs_dbid_t dbid, int* local);

// Process variables: byte strings under a name on an object. A replicated
// variable travels to every replica of the VOB; a local one stays at this
// replica. Reading an absent variable is 1002.
int vob_obj_get_pvar(vob_vob_h vob, tbs_dbid_t dbid, const char* name, std::string& value);
// Sets a replicated variable without recording an event.
int vob_obj_set_pvar(vob_vob_h vob, tbs_dbid_t dbid, const char* name, const std::string& value);
// 1002 when the variable is not set.
int vob_obj_delete_pvar(vob_vob_h vob, tbs_dbid_t dbid, const char* name);
// Every variable name of the object, sorted.
int vob_obj_list_pvars(vob_vob_h vob, tbs_dbid_t dbid, std::vector<std::string>& names);

// The variable calls of the library: the same store, with an event recorded
// for every change (`event` may be null) and the replication choice.
int vob_obj_get_process_var(vob_vob_h vob, tbs_dbid_t dbid, const char* name, std::string& value);
int vob_obj_set_process_var(vob_vob_h vob, tbs_dbid_t dbid, const char* name,
                            const std::string& value, int replicate, const vob_event_info_t* event);
// 0 when the variable holds `value`; 1087 when it holds another value; 1002
// when it is not set.
int vob_obj_test_process_var(vob_vob_h vob, tbs_dbid_t dbid, const char* name, const char* value);
// Atomically: when the variable holds `expected` (null or "": when it is not
// set or empty), sets it to `value` (replicated) and answers 0; otherwise
// changes nothing and answers 1087. Two processes racing with the same
// expected value: exactly one wins.
int vob_obj_test_and_set_process_var(vob_vob_h vob, tbs_dbid_t dbid, const char* name,
                                     const char* expected, const std::string& value,
                                     const vob_event_info_t* event);
// 1002 when the variable is not set.
int vob_obj_delete_process_var(vob_vob_h vob, tbs_dbid_t dbid, const char* name, int replicate,
                               const vob_event_info_t* event);
// Whether a variable is replicated (1) or local (0); 1002 when not set.
int vob_obj_get_process_var_replicated(vob_vob_h vob, tbs_dbid_t dbid, const char* name,
                                       int* replicated);

// The same calls for activity-like objects (metatype 28) of older project
// VOBs; any other object is 1004.
int vob_act_get_process_var(vob_vob_h vob, tbs_dbid_t act, const char* name, std::string& value);
int vob_act_set_process_var(vob_vob_h vob, tbs_dbid_t act, const char* name,
                            const std::string& value, const vob_event_info_t* event);
int vob_act_set_process_var_local(vob_vob_h vob, tbs_dbid_t act, const char* name,
                                  const std::string& value, const vob_event_info_t* event);
int vob_act_test_process_var(vob_vob_h vob, tbs_dbid_t act, const char* name, const char* value);
int vob_act_test_and_set_process_var(vob_vob_h vob, tbs_dbid_t act, const char* name,
                                     const char* expected, const std::string& value,
                                     const vob_event_info_t* event);
int vob_act_delete_process_var(vob_vob_h vob, tbs_dbid_t act, const char* name,
                               const vob_event_info_t* event);
int vob_act_delete_process_var_local(vob_vob_h vob, tbs_dbid_t act, const char* name,
                                     const vob_event_info_t* event);

// ---- selectors ------------------------------------------------------------------

// Splits "kind:name@vob"; 1004 for an empty name.
int vob_utl_parse_objsel(const char* text, vob_objsel_t* parsed);
// Builds "kind:name@vob" (kind VOB_SEL_ANY: no "kind:" prefix; empty vob: no "@").
int vob_utl_create_objsel(vob_objsel_kind_t kind, const char* name, const char* vob_tag, char* buf,
                          size_t size);
// The text of a selector kind ("stream"), "" for VOB_SEL_ANY, null when unknown.
const char* vob_utl_objsel_kind_to_str(vob_objsel_kind_t kind);
// The kind named by `text`; 1004 when none.
int vob_utl_str_to_objsel_kind(const char* text, vob_objsel_kind_t* kind);
// The metatypes a kind names (a ZEM kind names both storage forms).
std::vector<vob_mtype_t> vob_utl_objsel_kind_mtypes(vob_objsel_kind_t kind);
// The selector kind of an object.
int vob_obj_get_objsel_kind(vob_vob_h vob, tbs_dbid_t dbid, vob_objsel_kind_t* kind);

// Resolves selector `text` to one object. `kind` restricts (or, for a text
// without a kind, supplies) what it names; `default_vob` serves texts without
// "@vob" when `flags` has VOB_RESOLVE_USE_DEFAULT_VOB. Statuses: 1004
// malformed text or a kind that contradicts `kind`; 1002 no such VOB or object.
int vob_resolve_general(const char* text, vob_objsel_kind_t kind, vob_vob_h default_vob, int flags,
                        vob_vob_h* vob, tbs_dbid_t* dbid);
// Resolves universal selectors that all name objects of one VOB (their text
// after "@" is equal): one handle and dbid per selector, in order; a selector
// that names nothing gives dbid 0.
int vob_resolve_univ_selectors(const std::vector<std::string>& selectors,
                               std::vector<vob_vob_h>& vobs, std::vector<tbs_dbid_t>& dbids);

// ---- cursors ---------------------------------------------------------------------

// A listing cursor: over objects (vob_ob_cursor_open) or over the hyperlinks
// of one object (vob_obj_hlink_cursor_open, services/vob_hlink.h).
struct vob_cursor_t;
using vob_cursor_h = vob_cursor_t*;
// Opens a cursor over the objects of `mtype` (VOB_MTYPE_NONE: all), in dbid order.
int vob_ob_cursor_open(vob_vob_h vob, vob_mtype_t mtype, vob_cursor_h* cursor);
// The next dbid; 1002 at the end.
int vob_ob_cursor_next(vob_cursor_h cursor, tbs_dbid_t* dbid);
// Closes and frees a cursor of either kind; a null cursor is ignored.
void vob_ob_cursor_close(vob_cursor_h cursor);

// ---- read scopes ------------------------------------------------------------------

// Between vob_read_scope_enter and the matching vob_read_scope_leave, the
// reads of each VOB share one read transaction (one snapshot of the VOB, one
// set of file locks) until the process writes to that VOB or runs a
// trigger; each write still commits on its own and sees what other
// processes committed before it. Scopes nest. An operation that reads much
// (a command, a walk of a tree) runs inside one; `vob_read_scope` does it
// for a C++ block.
void vob_read_scope_enter();
void vob_read_scope_leave();

class vob_read_scope {
 public:
  vob_read_scope() { vob_read_scope_enter(); }
  ~vob_read_scope() { vob_read_scope_leave(); }
  vob_read_scope(const vob_read_scope&) = delete;
  vob_read_scope& operator=(const vob_read_scope&) = delete;
};

// ---- write groups -----------------------------------------------------------------

// While a vob_write_group of a VOB is open, every write of this process on
// that VOB joins one transaction: commit() makes them durable together, and
// a crash, or the group's end without commit, leaves none of them. The
// group takes the VOB's write lock when it is made (other writers wait, up
// to the store's busy timeout) and holds it until it ends, so what an
// operation reads inside its group stays true until it commits: an
// operation that decides what to write from what it reads makes its group
// first. Groups nest; an inner group's commit keeps its writes for the
// outer group's commit. Inside a group, run no trigger or other program that
// may write the VOB: it would wait for the lock this process holds.
struct vob_write_group_state;

class vob_write_group {
 public:
  explicit vob_write_group(vob_vob_h vob);
  // Without commit, undoes every write made in the group.
  ~vob_write_group();
  vob_write_group(const vob_write_group&) = delete;
  vob_write_group& operator=(const vob_write_group&) = delete;

  // 0 when the group began; 1004 for a null VOB; 1002 when its storage is
  // gone; 1006 when another writer held the VOB for too long.
  int status() const { return status_; }
  // Makes the group's writes durable (or, nested, keeps them for the outer
  // group). The status of a group that did not begin, or the store's.
  int commit();

 private:
  vob_write_group_state* state_ = nullptr;
  int status_ = 0;
};

// ---- rename hook of the command layer -------------------------------------------

// Offers a rename of a ZEM object to the command layer, which renames objects
// whose names appear in other records. `done` is 1 when it renamed the object
// itself; 0 leaves the rename to the caller.
int cmd_utl_rename_zem_obj(vob_vob_h vob, tbs_dbid_t dbid, vob_mtype_t mtype,
                           vob_objsel_kind_t kind, const char* name, const char* comment,
                           int* done);

#include "services/vob_hlink.h"

#endif  // SERVICES_VOB_H
