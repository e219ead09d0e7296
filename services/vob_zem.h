// Folders and projects of a project VOB (PVOB), in the two forms a PVOB can
// keep them, and the activity-like objects of the older form.
//
// Model. A PVOB organises its ZEM objects into a tree: the root folder
// (well-known object VOB_WK_ROOT_FOLDER) holds folders and projects; folders
// hold folders and projects; a project holds the objects the stream family
// places under it. Every object has at most one parent, and no object lies
// below itself.
//
// Two storage forms, fixed by the PVOB's feature level:
// - First-class form (feature level 7 and higher): folders (metatype 36) and
//   projects (metatype 37) are objects of their own kinds, made and changed
//   by the vob_zem_* calls. Their titles are kept by the repository
//   (vob_zem_obj_get_title / vob_zem_obj_set_title).
// - Activity-based form (below feature level 7): folders, projects and the
//   other ZEM kinds are activity-like objects (metatype 28) whose type is one
//   of the PVOB's activity types (VOB_WK_FOLDER_TYPE, VOB_WK_PROJECT_TYPE,
//   ...), made and changed by the vob_act_* calls. Their title, parent,
//   state and modification count are read together with vob_act_get_info.
//
// The project template holder (well-known object VOB_WK_TEMPLATE_HOLDER) is an
// activity-like object named "ProjectTemplates" that every PVOB has and that
// lies outside the tree (it has no parent and cannot be moved or removed). In
// the first-class form it carries the process variable that names the PVOB's
// project template and has no type; in the activity-based form it is of the
// folder type and the template project is placed in it.
//
// Common contracts (see also services/vob.h): every call returns a status and
// fills its out-parameters only on success. Every writing call is one
// transaction, records one event carrying the caller's comment and operation
// code (`event` may be null: empty comment, code 0) and, on failure, prints
// the reason and changes nothing. Statuses: 1002 a dbid that names no object;
// 1004 a dbid naming an object of the wrong kind, a bad name, or a call made
// on a VOB of the other storage form or on an ordinary VOB; 1003 a name
// already taken among objects of the same metatype; 1001 a refusal (moving
// an object below itself, removing an object that has children, moving or
// removing a well-known object); 1040 the object (or the parent that gains
// it) is locked for the current user; 1005 store failure. Reading calls
// print nothing.
//
// Names are 1 to 255 bytes of letters, digits, "-", "_" and "." (bytes of
// multibyte characters are accepted as letters), and neither "." nor "..".
//
// Ownership is the caller's decision: the writing calls check locks only;
// vob_obj_zem_check_permission and vob_act_check_permission tell whether
// the current user may change an object. Removing an object removes its
// title, process variables, attributes, lock and events; the removal event
// is recorded on the VOB object. Hyperlinks that named it then show a broken
// end.
#ifndef SERVICES_VOB_ZEM_H
#define SERVICES_VOB_ZEM_H

#include <cstddef>
#include <string>
#include <vector>

#include "services/vob.h"

// ---- first-class form: folders and projects -------------------------------------

// Creates folder `name` (unique among folders) in folder `parent` of a PVOB
// of the first-class form; `dbid` is the new folder. 1004 when `parent` is
// not a folder.
int vob_zem_folder_create(vob_vob_h pvob, const char* name, tbs_dbid_t parent,
                          const vob_event_info_t* event, tbs_dbid_t* dbid);
// Moves a folder into folder `parent`. 1001 when `parent` is the folder
// itself or lies below it, or the folder is the root folder; a folder that is
// already in `parent` is left as it is (0, no event).
int vob_zem_folder_set_parent(vob_vob_h pvob, tbs_dbid_t folder, tbs_dbid_t parent,
                              const vob_event_info_t* event);
// Removes a folder. 1001 while it holds subfolders or projects, and for the
// root folder.
int vob_zem_folder_delete(vob_vob_h pvob, tbs_dbid_t folder, const vob_event_info_t* event);

// Creates project `name` (unique among projects) in folder `folder` of a
// PVOB of the first-class form; `dbid` is the new project. 1004 when
// `folder` is not a folder.
int vob_zem_project_create(vob_vob_h pvob, const char* name, tbs_dbid_t folder,
                           const vob_event_info_t* event, tbs_dbid_t* dbid);
// Moves a project into folder `folder`; a project already there is left as
// it is (0, no event).
int vob_zem_project_set_parent(vob_vob_h pvob, tbs_dbid_t project, tbs_dbid_t folder,
                               const vob_event_info_t* event);
// Removes a project. 1001 while objects (its streams) are placed in it.
int vob_zem_project_delete(vob_vob_h pvob, tbs_dbid_t project, const vob_event_info_t* event);

// The parent of a first-class ZEM object (metatypes 35 to 41): the folder of
// a folder or project. 1002 when it has none (the root folder).
int vob_zem_obj_get_parent(vob_vob_h pvob, tbs_dbid_t dbid, tbs_dbid_t* parent);
// The subfolders / projects of a folder, in creation order, `max` at a time
// from position `offset` (0 the first); `children` is replaced, and fewer
// than `max` entries mean the end.
int vob_zem_folder_next_subfolders(vob_vob_h pvob, tbs_dbid_t folder, size_t offset, size_t max,
                                   std::vector<tbs_dbid_t>& children);
int vob_zem_folder_next_projects(vob_vob_h pvob, tbs_dbid_t folder, size_t offset, size_t max,
                                 std::vector<tbs_dbid_t>& children);

// The title of a first-class ZEM object (metatypes 35 to 41): free text, ""
// until one is set (callers that show it fall back to the name).
int vob_zem_obj_get_title(vob_vob_h pvob, tbs_dbid_t dbid, std::string& title);
// Stores a title (null: ""); recorded as a modify event. An unchanged title
// writes nothing and answers 0.
int vob_zem_obj_set_title(vob_vob_h pvob, tbs_dbid_t dbid, const char* title,
                          const vob_event_info_t* event);

// Whether the current user may change object `dbid` (any object of the VOB):
// `allowed` is 1 for the owner of the object, the owner of the VOB (of its
// VOB object) and privileged users (services/rgy.h), 0 for anyone else.
// This is the ownership part of vob_obj_check_change (services/vob.h),
// decided in the same place; it prints nothing and ignores locks and
// mastership.
int vob_obj_zem_check_permission(vob_vob_h pvob, tbs_dbid_t dbid, int* allowed);

// ---- activity-based form: activity-like objects -----------------------------------

// Fields of vob_act_info_t, by bit number in a field mask
// (VOB_ACT_INFO_BIT(VOB_ACT_INFO_TITLE) | ...).
enum vob_act_info_field : int {
  VOB_ACT_INFO_TITLE = 0,
  VOB_ACT_INFO_CSPEC = 7,  // a stream's config spec text
  VOB_ACT_INFO_PARENT = 18,
  VOB_ACT_INFO_FLAGS = 21,
  VOB_ACT_INFO_MOD_COUNT = 23,
};
constexpr unsigned long VOB_ACT_INFO_BIT(int field) {
  return 1UL << field;
}

// Bits of vob_act_info_t::flags.
enum vob_act_flag : unsigned int {
  VOB_ACT_FLAG_ACTIVE = 1U << 0,        // made active (vob_act_auto_trans_active)
  VOB_ACT_FLAG_HAS_CHILDREN = 1U << 2,  // other objects are placed in it
};

// What vob_act_get_info reads about an activity-like object.
struct vob_act_info_t {
  unsigned long mask = 0;      // on return: the fields filled (requested and kept)
  std::string title;           // VOB_ACT_INFO_TITLE: "" until one is set
  tbs_dbid_t parent = 0;       // VOB_ACT_INFO_PARENT: 0 when it has none
  unsigned int flags = 0;      // VOB_ACT_INFO_FLAGS: vob_act_flag bits
  unsigned int mod_count = 0;  // VOB_ACT_INFO_MOD_COUNT: advanced by change-set changes
  std::string cspec;           // VOB_ACT_INFO_CSPEC: a stream's stored config spec, "" when none
};

// Creates activity-like object `name` (unique among activity-like objects)
// of activity type `type` (an object of metatype 27) in `parent` (an
// activity-like object, or 0 for none), with `title` (null: ""), in a PVOB
// below feature level 7; `dbid` is the new object, not yet active. Objects
// of the folder and project types must be placed in an object of the folder
// type (1004 otherwise).
int vob_act_create(vob_vob_h pvob, const char* name, tbs_dbid_t type, tbs_dbid_t parent,
                   const char* title, const vob_event_info_t* event, tbs_dbid_t* dbid);
// Reads the fields of `mask` (VOB_ACT_INFO_BIT of vob_act_info_field); bits
// of fields this repository does not keep are ignored, so `info->mask` on
// return may have fewer bits than `mask`. 1004 for an object of another
// metatype.
int vob_act_get_info(vob_vob_h pvob, tbs_dbid_t dbid, unsigned long mask, vob_act_info_t* info);
// Writes the fields of `mask` from `info`: only the title and a stream's
// config spec can be written this way (1004 after a message for any other
// bit, and for a config spec of an object that is not a stream). An
// unchanged title writes nothing and answers 0. Writing the config spec is
// its final store (vob_zem_stream_set_cspec with final 1).
int vob_act_update(vob_vob_h pvob, tbs_dbid_t dbid, unsigned long mask, const vob_act_info_t* info,
                   const vob_event_info_t* event);
// Stores a stream's config spec text without marking it final
// (vob_zem_stream_set_cspec with final 0).
int vob_act_update_cspec(vob_vob_h pvob, tbs_dbid_t dbid, const char* text,
                         const vob_event_info_t* event);
// Moves an object into `parent` (an activity-like object of the same VOB, or
// 0 for none), under the placement rule of vob_act_create. 1001 when
// `parent` is the object or lies below it, or the object is well-known; an
// object already there is left as it is (0, no event).
int vob_act_move(vob_vob_h pvob, tbs_dbid_t dbid, tbs_dbid_t parent, const vob_event_info_t* event);
// Makes an object active (sets VOB_ACT_FLAG_ACTIVE). An active object is
// left as it is (0, no event).
int vob_act_auto_trans_active(vob_vob_h pvob, tbs_dbid_t dbid, const vob_event_info_t* event);
// Removes an object. 1001 while objects are placed in it, and for
// well-known objects. A component goes with the baselines of its main
// timeline; baselines on a stream's timeline refuse (1001) the removal of
// their component, timeline or stream (services/vob_zem_baseline.h).
int vob_act_delete(vob_vob_h pvob, tbs_dbid_t dbid, const vob_event_info_t* event);
// The objects placed in `dbid`, in creation order, `max` at a time from
// position `offset`; `children` is replaced, and fewer than `max` entries
// mean the end.
int vob_act_next_children(vob_vob_h pvob, tbs_dbid_t dbid, size_t offset, size_t max,
                          std::vector<tbs_dbid_t>& children);
// vob_obj_zem_check_permission for an activity-like object (1004 for any
// other).
int vob_act_check_permission(vob_vob_h pvob, tbs_dbid_t dbid, int* allowed);

#endif  // SERVICES_VOB_ZEM_H
