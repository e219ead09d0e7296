// The trigger service: trigger types on ZEM operations, and running them
// around an operation.
//
// A trigger type is a type object (metatype VOB_MTYPE_TRIGGER_TYPE) of a VOB,
// usually a project VOB. It names the operation kinds it applies to, whether
// it runs before the operation (and may refuse it) or after it, the command
// line it runs, and optionally the objects it is restricted to. An operation
// on an object is served by the trigger types of the object's VOB and of the
// VOBs above it in its admin VOB hierarchy.
//
// Running an operation's triggers:
//   vob_zem_trig_setup          snapshot of the operation and its objects;
//                               a null handle when no trigger type applies
//   vob_zem_trig_fire_pre_triggers   before the change; nonzero refuses it
//   vob_zem_trig_reset_evs      re-read the environment record after the
//                               caller added to it (new name, new objects)
//   vob_zem_trig_fire_post_triggers  after the change
//   vob_zem_trig_cleanup        frees the handle
//
// A trigger command runs as `/bin/sh -c COMMAND` with the caller's standard
// input, output and error, and with the operation exported as environment
// variables (below). The caller waits for it.
//
// Common contracts: every call returns a status (0 success; 1002 not found;
// 1003 name taken; 1004 bad argument; 1005 store failure or a command that
// could not be started; 1040 locked; 1051 no permission) and fills its
// out-parameters only on success.
#ifndef SERVICES_VOB_TRIG_H
#define SERVICES_VOB_TRIG_H

#include <string>
#include <vector>

#include "services/tbs.h"
#include "services/vob.h"

// ---- operation kinds ---------------------------------------------------------------

// The kinds of ZEM operations that can have triggers. The numbers are part
// of the interface: they are stored in trigger types and recorded as the
// operation codes of events.
using vob_op_t = int;
enum vob_op : int {
  VOB_OP_NONE = 0,
  VOB_OP_MKACTIVITY = 58,
  VOB_OP_CHACTIVITY = 63,
  VOB_OP_RMACTIVITY = 75,
  VOB_OP_DELIVER_START = 89,
  VOB_OP_DELIVER_COMPLETE = 90,
  VOB_OP_DELIVER_CANCEL = 91,
  VOB_OP_REBASE_START = 92,
  VOB_OP_REBASE_COMPLETE = 93,
  VOB_OP_REBASE_CANCEL = 94,
  VOB_OP_SETACTIVITY = 95,
  VOB_OP_MKSTREAM = 96,
  VOB_OP_CHSTREAM = 97,
  VOB_OP_RMSTREAM = 98,
  VOB_OP_MKBL = 99,
  VOB_OP_CHBL = 100,
  VOB_OP_RMBL = 101,
  VOB_OP_MKPROJECT = 102,
  VOB_OP_CHPROJECT = 103,
  VOB_OP_RMPROJECT = 104,
  VOB_OP_MKCOMP = 105,
  VOB_OP_RMCOMP = 106,
  VOB_OP_MKFOLDER = 107,
  VOB_OP_CHFOLDER = 108,
  VOB_OP_RMFOLDER = 109,
  VOB_OP_MKBL_COMPLETE = 110,
  VOB_OP_SETACTIVITY_NONE = 112,
  VOB_OP_DELIVER_RESUME = 113,
  VOB_OP_MODCOMP = 115,
};

// The name of an operation kind ("mkactivity", "deliver_start", ...), or
// null when `op` is not a kind that can have triggers.
const char* vob_op_to_str(vob_op_t op);
// The kind named `name`; 1004 when no kind has that name.
int vob_str_to_op(const char* name, vob_op_t* op);
// Every kind that can have triggers, in ascending order.
const std::vector<vob_op_t>& vob_op_all();

// ---- the environment record -------------------------------------------------------

// One object of the record: its VOB and dbid (a null VOB and dbid 0 when the
// slot is not set) and, for the object the operation creates, its new name.
// `new_name` is read only in the slots that document it.
struct vob_trig_obj_t {
  vob_vob_h vob = nullptr;
  tbs_dbid_t dbid = 0;
  const char* new_name = nullptr;
};

// A list of objects of the record: `count` entries in the parallel arrays
// `vobs` and `dbids` (both null when count is 0).
struct vob_trig_objs_t {
  unsigned count = 0;
  const vob_vob_h* vobs = nullptr;
  const tbs_dbid_t* dbids = nullptr;
};

// What the caller tells the service about an operation's objects. Fields a
// caller does not set stay zero. The record keeps the fields and meaning of
// the 160-byte record of 32-bit words the library's operations describe,
// not its offsets: handles and pointers are 64 bits wide here. Texts and
// arrays belong to the caller and are read only during the calls that take
// the record.
struct vob_zem_trig_env_t {
  // The activity acted on; for a change-set move the source activity; for
  // deliver and rebase the integration activity. new_name: a new activity.
  vob_trig_obj_t activity;
  // The destination activity of a change-set move.
  vob_trig_obj_t to_activity;
  // The version a change-set move moves.
  vob_trig_obj_t version;
  // The activities a deliver delivers.
  vob_trig_objs_t activities;
  // The folder. new_name: a new folder.
  vob_trig_obj_t folder;
  // The second folder: the parent folder.
  vob_trig_obj_t parent_folder;
  // The project. new_name: a new project.
  vob_trig_obj_t project;
  // The stream (for deliver: the target stream). new_name: a new stream.
  vob_trig_obj_t stream;
  // The second stream (for deliver: the source stream).
  vob_trig_obj_t source_stream;
  // The component. new_name: a new component.
  vob_trig_obj_t component;
  // The baselines (delivered, rebased to, changed, removed or made).
  vob_trig_objs_t baselines;
  // The name of a new baseline.
  const char* baseline_new_name = nullptr;
  // Further baselines.
  vob_trig_objs_t other_baselines;
  // The third stream: the parent stream of a new stream.
  vob_trig_obj_t parent_stream;
  // The change text of a baseline change (for example the new promotion level).
  const char* baseline_change = nullptr;
  // The change text of a stream or component change.
  const char* change = nullptr;
};

// ---- trigger types -----------------------------------------------------------------

// When a trigger type runs.
enum vob_trig_phase : int {
  VOB_TRIG_PREOP = 1,   // before the operation; a failing command refuses it
  VOB_TRIG_POSTOP = 2,  // after the operation
};

// An object a trigger type is restricted to: the family of its VOB and its
// oid, which stay valid across replicas and tag changes.
struct vob_trtype_restriction_t {
  tbs_uuid_t family{};
  tbs_oid_t oid{};
  // The object's selector ("stream:dev@/pvob") when it can be found here,
  // else "" (its VOB is not registered or the object is gone). Filled by
  // vob_trtype_get and vob_trtype_list.
  std::string selector;
};

// A trigger type as stored.
struct vob_trtype_t {
  tbs_dbid_t dbid = 0;
  std::string name;
  int phase = 0;                                       // vob_trig_phase
  std::vector<vob_op_t> ops;                           // in the order given at creation
  std::string command;                                 // run by /bin/sh -c
  std::vector<vob_trtype_restriction_t> restrictions;  // empty: every object
};

// What vob_trtype_create makes.
struct vob_trtype_create_args_t {
  std::string name;
  int phase = VOB_TRIG_PREOP;
  std::vector<vob_op_t> ops;  // at least one; each must have a name (vob_op_to_str)
  std::string command;        // not empty
  // The objects the type is restricted to; empty: every object.
  std::vector<vob_trig_obj_t> restrict_to;
  std::string comment;
};

// Creates a trigger type in `vob` (its object and its trigger record in one
// transaction) and gives its dbid. Only the owner of the VOB or a privileged
// user may (1051 after a message); the VOB must not be locked (1040). 1003
// after a message when a trigger type of that name exists. 1004 after a
// message for a name that is empty, too long or not made of letters,
// digits, "_", "-" and "." (not starting with "-"), an empty command, no
// operation kinds, a kind without a name, or a restriction object that does
// not exist; 1004 without one for a phase other than pre or post.
int vob_trtype_create(vob_vob_h vob, const vob_trtype_create_args_t& args, tbs_dbid_t* dbid);
// The trigger types of `vob`, in creation order.
int vob_trtype_list(vob_vob_h vob, std::vector<vob_trtype_t>& types);
// One trigger type; 1002 when `dbid` is not a trigger type of `vob`.
int vob_trtype_get(vob_vob_h vob, tbs_dbid_t dbid, vob_trtype_t* type);
// Removes a trigger type and its history, recording a remove event with
// `event` on the VOB object. The owner of the type or of the VOB, or a
// privileged user, may (1051); 1040 when the type or the VOB is locked; 1002
// when `dbid` is not a trigger type of `vob`.
int vob_trtype_remove(vob_vob_h vob, tbs_dbid_t dbid, const vob_event_info_t* event);
// Whether a trigger type that can apply to the object (one of its own VOB
// or of a VOB above it in the admin hierarchy) is restricted to it; an
// object whose removal would leave such a restriction dangling.
int vob_obj_refd_by_trtype(vob_vob_h vob, tbs_dbid_t dbid, int* referenced);

// ---- running triggers --------------------------------------------------------------

struct vob_zem_trig_t;
// The trigger service's handle for one operation.
using vob_zem_trig_h = vob_zem_trig_t*;

// Prepares the triggers of operation `op` on the object (`vob`, `obj`),
// nested in an operation of kind `parent_op` (0: none), with the objects in
// `env`, the view `view_tag` (null or "": none) and the comment and acting
// user of `event` (null: no comment). The trigger types that apply are those
// of the object's VOB and of the VOBs above it in its admin hierarchy whose
// kinds hold `op` and which are unrestricted or restricted to the acting
// object or to an object of `env`. The operation, its objects (as selectors)
// and the comment are taken now, so that post-operation triggers still see
// objects the operation removed.
//
// `trig` is null when no trigger type applies; otherwise it must be freed
// with vob_zem_trig_cleanup. 1004 for a null VOB, a dbid of 0, an `op`
// without a name or a slot of `env` that has a dbid but no VOB; 1002 when
// the acting object does not exist. Objects of `env` that cannot be found
// are left out of the environment.
int vob_zem_trig_setup(vob_vob_h vob, tbs_dbid_t obj, vob_op_t op, vob_op_t parent_op,
                       const vob_zem_trig_env_t* env, const char* view_tag,
                       const vob_event_info_t* event, vob_zem_trig_h* trig);

// Runs the pre-operation trigger types of `trig` in order (the object's VOB
// first, then up the admin hierarchy; creation order within a VOB) and stops
// at the first refusal: a command that exits non-zero (or is killed) prints
// which trigger type refused which operation and its exit status at error
// severity, and the result is 1001. `vob` is the VOB given to setup (1004
// otherwise). 1005 when a command cannot be started.
int vob_zem_trig_fire_pre_triggers(vob_vob_h vob, vob_zem_trig_h trig);

// Takes the objects of `env` again into `trig` (the acting object, the
// operation and the comment stay), for a caller that added to the record
// after setup: the created object's name, the integration activity.
int vob_zem_trig_reset_evs(const vob_zem_trig_env_t* env, vob_zem_trig_h trig);

// Runs every post-operation trigger type of `trig` in order. `new_obj` and
// `new_obj_vob` name the object the operation created (dbid 0: none); it is
// exported as KORVANE_NEW_OBJECT. A command that exits non-zero prints a
// warning naming the trigger type and its exit status and the others still
// run; the result is then 1001. `vob` is the VOB given to setup (1004
// otherwise). 1005 when a command cannot be started.
int vob_zem_trig_fire_post_triggers(vob_vob_h vob, vob_zem_trig_h trig, tbs_dbid_t new_obj,
                                    vob_vob_h new_obj_vob);

// Frees `trig`. 1004 for a null handle.
int vob_zem_trig_cleanup(vob_zem_trig_h trig);

// The number of handles set up and not yet cleaned up in this process; for
// diagnosing leaked handles.
int vob_zem_trig_live_count();

// The variables a trigger command finds in its environment, each set only
// when the operation has a value for it (others are removed from the
// command's environment, so a nested operation never shows an outer one's):
//   KORVANE_OP              operation kind name ("mkfolder")
//   KORVANE_OP_KIND         its number ("107")
//   KORVANE_OP_PHASE        "preop" or "postop"
//   KORVANE_PARENT_OP       kind name of the enclosing operation
//   KORVANE_TRIGGER_TYPE    the name of the trigger type running
//   KORVANE_USER            the acting user
//   KORVANE_COMMENT         the operation's comment
//   KORVANE_VIEW            the view tag
//   KORVANE_VOB             tag of the acting object's VOB
//   KORVANE_OBJECT          the acting object
//   KORVANE_ACTIVITY, KORVANE_TO_ACTIVITY, KORVANE_VERSION, KORVANE_FOLDER,
//   KORVANE_PARENT_FOLDER, KORVANE_PROJECT, KORVANE_STREAM,
//   KORVANE_SOURCE_STREAM, KORVANE_PARENT_STREAM, KORVANE_COMPONENT
//                           the objects of the record's slots
//   KORVANE_ACTIVITIES, KORVANE_BASELINES, KORVANE_OTHER_BASELINES
//                           the record's lists, comma-separated
//   KORVANE_NEW_NAME        the name of the object the operation creates
//   KORVANE_BASELINE_CHANGE, KORVANE_CHANGE   the record's change texts
//   KORVANE_NEW_OBJECT      post-operation: the object created
// Objects are short selectors ("stream:dev@/pvob").
const std::vector<const char*>& vob_zem_trig_variable_names();

#endif  // SERVICES_VOB_TRIG_H
