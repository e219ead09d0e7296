// Baselines of a project VOB (PVOB): the recorded configurations of one
// component on one timeline.
//
// Model. A baseline belongs to one component and lies on one timeline: the
// component's main timeline (the component object itself) or a stream's
// timeline for that component (services/vob_zem_stream.h). It records the
// name it was asked for before a uniqueness suffix was added (`name_base`),
// the (activity, modification count) pairs of its change sets, and an
// optional dependency record (an XML text the library writes). Making a
// baseline on a stream's timeline also appends a baseline entry (raw kind
// VOB_ZEM_TL_BASELINE) for it to that timeline, or inserts the entry at the
// position asked for; a baseline of the main timeline has no entry record:
// the main timeline of a component is the list of all the component's
// baselines, in creation order, whatever timeline they were made on.
//
// Storage forms as in services/vob_zem.h: in the first-class form a
// baseline is an object of metatype 41 (VOB_MTYPE_BASELINE), in the
// activity-based form a checkpoint of metatype 33 (VOB_MTYPE_CHECKPOINT).
// Every call here picks the form from the PVOB. Names are unique among
// baselines of the PVOB (names as for folders).
//
// Removal of the objects a baseline hangs on: removing a component
// (vob_zem_component_delete, or vob_act_delete of a component of the
// activity-based form) removes the baselines of its main timeline in the same
// transaction, and is refused (1001) while a baseline of the component lies on
// a stream's timeline; removing a stream or a timeline is refused (1001) while
// baselines lie on it.
//
// Common contracts as in services/vob_zem.h: a status is returned and
// out-parameters are filled only on success; every writing call is one
// transaction recording one event with the caller's comment and operation
// code (`event` may be null) and, on failure, prints the reason and changes
// nothing. Statuses: 1002 a dbid that names no object; 1004 a dbid of the
// wrong kind, a bad name or argument, an ordinary VOB; 1003 a name already
// taken; 1040 a locked timeline or component. Reading calls print nothing.
#ifndef SERVICES_VOB_ZEM_BASELINE_H
#define SERVICES_VOB_ZEM_BASELINE_H

#include <cstddef>
#include <string>
#include <vector>

#include "services/vob.h"

// One change set recorded by a baseline: an activity of the PVOB and the
// activity's modification count when the baseline was made.
struct vob_zem_baseline_cset_t {
  tbs_dbid_t activity = 0;
  long mod_count = 0;
};

// An entry of a timeline, named by its raw kind and the object it names.
struct vob_zem_tl_entry_ref_t {
  int kind = 0;
  tbs_dbid_t obj = 0;
};

// What a new baseline records.
struct vob_zem_baseline_spec_t {
  const char* name = nullptr;       // the unique name
  const char* name_base = nullptr;  // the name before a uniqueness suffix; null: `name`
  tbs_dbid_t component = 0;         // the component (either form)
  // The timeline: the component itself (its main timeline) or a timeline of
  // a stream.
  tbs_dbid_t timeline = 0;
  // Where the baseline entry goes on a stream's timeline: -1 appends; 0 to
  // the number of entries inserts before that position (1004 beyond).
  // Ignored for the main timeline.
  long position = -1;
  std::vector<vob_zem_baseline_cset_t> csets;  // activities must be objects of the PVOB
  const char* deps_xml = nullptr;              // dependency record; null or "": none
  // Entries of the stream's timeline to move, in this order, right after
  // the new baseline's entry (1004 when one is not on the timeline).
  std::vector<vob_zem_tl_entry_ref_t> reorder;
};

// What the PVOB keeps of a baseline.
struct vob_zem_baseline_info_t {
  std::string name;
  std::string name_base;
  tbs_dbid_t component = 0;
  tbs_dbid_t timeline = 0;  // == component for a baseline of the main timeline
  tbs_dbid_t stream = 0;    // the stream of the timeline; 0 for the main timeline
  std::string deps_xml;     // "" when the baseline depends on no other
  long created = 0;         // seconds since the epoch
};

// Creates a baseline as `spec` describes; `dbid` is the new baseline.
// 1004 when the component is not a component of the PVOB, or the timeline is
// neither that component nor a timeline of a stream.
int vob_zem_baseline_create(vob_vob_h pvob, const vob_zem_baseline_spec_t& spec,
                            const vob_event_info_t* event, tbs_dbid_t* dbid);
// Removes a baseline with its change-set records and its timeline entries,
// with its process variables, attributes and events; the removal is recorded
// on the VOB object. Hyperlinks that named it then show a broken end.
int vob_zem_baseline_delete(vob_vob_h pvob, tbs_dbid_t baseline, const vob_event_info_t* event);

// Whether `dbid` is a baseline of the PVOB's form: `is` 1 or 0. 1002 when
// `dbid` names no object.
int vob_zem_baseline_is(vob_vob_h pvob, tbs_dbid_t dbid, int* is);
// What the PVOB keeps of a baseline; 1004 for an object that is not one.
int vob_zem_baseline_get_info(vob_vob_h pvob, tbs_dbid_t baseline, vob_zem_baseline_info_t* info);
// The change sets a baseline records, in the order given at creation.
int vob_zem_baseline_get_cset_list(vob_vob_h pvob, tbs_dbid_t baseline,
                                   std::vector<vob_zem_baseline_cset_t>& csets);

// Version maps. A baseline's version map is a label type of any VOB (the
// VOB of its component's root directory) linked from the baseline by a
// hyperlink of well-known type 69 (BaselineLbtype).
//
// Links `vermap` (a label type of `vob`) to the baseline: 1003 when the
// baseline has a version map already, 1004 when `vermap` is not a label
// type. The link is recorded with `event`.
int vob_zem_baseline_set_vermap(vob_vob_h pvob, tbs_dbid_t baseline, vob_vob_h vob,
                                tbs_dbid_t vermap, const vob_event_info_t* event);
// The baseline's version map; 1002 when it has none (or the label type is
// gone).
int vob_zem_baseline_get_vermap(vob_vob_h pvob, tbs_dbid_t baseline, vob_vob_h* vob,
                                tbs_dbid_t* vermap);
// Removes label type `vermap` of `vob` with its labels and version map
// records, in one transaction of `vob`: 1001 (after a message) while
// another version map is based on it, 1004 when it is not a label type.
int vob_zem_vermap_delete(vob_vob_h vob, tbs_dbid_t vermap, const vob_event_info_t* event);

// The component's initial baseline: the first baseline made on its main
// timeline. 1002 when it has none.
int vob_zem_component_get_baseline(vob_vob_h pvob, tbs_dbid_t component, tbs_dbid_t* baseline);
// All baselines of a component (its main timeline), in creation order, `max`
// at a time from position `offset`; `baselines` is replaced, and fewer than
// `max` entries mean the end.
int vob_zem_component_next_baselines(vob_vob_h pvob, tbs_dbid_t component, size_t offset,
                                     size_t max, std::vector<tbs_dbid_t>& baselines);
// The baselines made on the timelines of stream `stream`, in creation order,
// in chunks as above.
int vob_zem_stream_next_baselines(vob_vob_h pvob, tbs_dbid_t stream, size_t offset, size_t max,
                                  std::vector<tbs_dbid_t>& baselines);

#endif  // SERVICES_VOB_ZEM_BASELINE_H
