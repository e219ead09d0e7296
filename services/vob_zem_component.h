// Components of a project VOB (PVOB): the objects baselines are taken of.
//
// A component lives in a PVOB, in one of the two storage forms of
// services/vob_zem.h:
// - First-class form (feature level 7 and higher): an object of metatype 35
//   (VOB_MTYPE_COMPONENT), made and removed by vob_zem_component_create and
//   vob_zem_component_delete. It lies outside the folder tree (no parent).
// - Activity-based form (below feature level 7): an activity-like object
//   (metatype 28) whose activity type is the PVOB's well-known component type
//   (VOB_WK_COMPONENT_TYPE), made with vob_act_create (no parent needed) and
//   removed with vob_act_delete.
// The reading calls below accept a component of either form, and only a
// component of the form of its PVOB.
//
// Root directory. A rooted component is tied to a directory element of a
// component VOB by one hyperlink of well-known type
// VOB_WK_HLTYPE_COMPONENT_ROOT_DIR, held in the PVOB, from the component to
// the element (vob_hlink_create_wk). A rootless component has no such link.
// Removing a component leaves its root link in place with a broken "from"
// end; the lookups here ignore broken links.
//
// Common contracts: every call returns a status (services/tbs.h) and fills
// its out-parameters only on success. Writing calls are one transaction and
// change nothing on failure, after printing the reason. Statuses: 1002 a
// dbid that names no object, or a lookup that found nothing; 1004 a dbid
// naming an object that is not a component, a bad name, or a call made on a
// VOB that is not a PVOB of the right form; 1003 a component name already
// taken; 1040 a locked object. Reading calls print nothing, except where
// stated.
#ifndef SERVICES_VOB_ZEM_COMPONENT_H
#define SERVICES_VOB_ZEM_COMPONENT_H

#include <cstddef>
#include <vector>

#include "services/vob.h"

// Creates component `name` (unique among components; names as for folders)
// in a PVOB of the first-class form; `dbid` is the new component, rootless
// until a root link is made. Its creation event carries `event`.
int vob_zem_component_create(vob_vob_h pvob, const char* name, const vob_event_info_t* event,
                             tbs_dbid_t* dbid);
// Removes a first-class component with its title, process variables,
// attributes and events, and the baselines of its main timeline
// (services/vob_zem_baseline.h); the removal is recorded on the VOB object.
// 1004 for any object that is not a component of metatype 35; 1001 while a
// baseline of the component lies on a stream's timeline.
int vob_zem_component_delete(vob_vob_h pvob, tbs_dbid_t component, const vob_event_info_t* event);

// Whether `dbid` is a component of `pvob` in the form of that PVOB: `is` 1
// or 0. 1002 when `dbid` names no object.
int vob_zem_component_is(vob_vob_h pvob, tbs_dbid_t dbid, int* is);

// The components of a PVOB (either form), in creation order, `max` at a
// time from position `offset` (0 the first); `components` is replaced, and
// fewer than `max` entries mean the end. An ordinary VOB has none.
int vob_zem_component_next(vob_vob_h pvob, size_t offset, size_t max,
                           std::vector<tbs_dbid_t>& components);

// The root directory of a component: the far end of its root link.
struct vob_zem_component_root_t {
  tbs_dbid_t hlink = 0;          // the root link, held in the PVOB
  vob_vob_h root_vob = nullptr;  // the component VOB; null when broken
  tbs_dbid_t root_element = 0;   // the root directory element; 0 when broken
  int broken = 0;                // 1: the element or its VOB no longer exists
  tbs_uuid_t root_family{};      // the component VOB's family, known even when broken
};
// Reads the root link of `component`. 1002 for a rootless component (no
// link); 1004 for an object that is not a component. A link whose far end
// is gone answers 0 with `broken` set.
int vob_zem_component_get_root(vob_vob_h pvob, tbs_dbid_t component,
                               vob_zem_component_root_t* root);

// The component of `pvob` whose root directory is `root_element` of
// `root_vob`, found through the incoming root links of the element. 1002
// when no component of `pvob` names it (links of other PVOBs and links of
// removed components do not count); 1001 after a message when several do.
int vob_zem_component_find_by_root(vob_vob_h pvob, vob_vob_h root_vob, tbs_dbid_t root_element,
                                   tbs_dbid_t* component);

#endif  // SERVICES_VOB_ZEM_COMPONENT_H
