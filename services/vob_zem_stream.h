// Streams and timelines of a project VOB (PVOB), in both storage forms of
// services/vob_zem.h.
//
// Model. A stream belongs to one project: it is placed either in the project
// itself or in another stream of that project (its parent stream). A project
// has at most one integration stream, placed in the project itself. A
// stream's flag word tells whether it is the integration stream and whether
// it is read-only; both are fixed when the stream is made.
//
// A timeline is placed in its stream and keeps an ordered list of entries;
// each entry names an object (the baseline made in the stream, the hyperlink
// of a foundation change, or the hyperlink of a delivery into the stream)
// with a raw kind code and the time it was recorded. The list order is the
// order entries were appended, or the position an entry was inserted at.
//
// Storage forms. In the first-class form (feature level 7 and higher) a
// stream is an object of metatype 39 and a timeline one of metatype 40. In
// the activity-based form they are activity-like objects (metatype 28) of
// the PVOB's stream type (VOB_WK_STREAM_TYPE) and timeline type
// (VOB_WK_TIMELINE_TYPE), and a project is an activity-like object of the
// project type. Every call here takes objects of either form and picks the
// form from the PVOB; objects made with vob_act_create of those types are
// accepted as well (their flag word reads 0).
//
// Common contracts as in services/vob_zem.h: a status is returned and
// out-parameters are filled only on success; every writing call is one
// transaction recording one event with the caller's comment and operation
// code (`event` may be null) and, on failure, prints the reason and changes
// nothing. Statuses: 1002 a dbid that names no object; 1004 a dbid of the
// wrong kind, a bad name, flag or argument, an ordinary VOB; 1003 a name
// already taken; 1001 a refusal; 1040 a lock; 1005 store failure. Reading
// calls print nothing. Titles are read and written with
// vob_zem_obj_get_title / vob_zem_obj_set_title (first-class form) or
// vob_act_get_info / vob_act_update (activity-based form);
// vob_zem_stream_get_title / _set_title do either.
#ifndef SERVICES_VOB_ZEM_STREAM_H
#define SERVICES_VOB_ZEM_STREAM_H

#include <cstddef>
#include <string>
#include <vector>

#include "services/vob.h"

// Bits of a stream's flag word.
enum vob_zem_stream_flag : unsigned int {
  VOB_ZEM_STREAM_INTEGRATION = 1U << 0,  // the project's integration stream
  VOB_ZEM_STREAM_READ_ONLY = 1U << 1,    // holds no changes (no branch type)
};

// ---- streams ----------------------------------------------------------------------

// Creates stream `name` (unique among streams; in the activity-based form
// among activity-like objects) in `parent`, a project or a stream of the
// PVOB, with the flags `flags` (vob_zem_stream_flag bits; 1004 for others).
// An integration stream must be placed in its project (1004 otherwise), and
// a project that has one refuses a second (1001). 1040 when `parent` is
// locked.
int vob_zem_stream_create(vob_vob_h pvob, const char* name, tbs_dbid_t parent, unsigned int flags,
                          const vob_event_info_t* event, tbs_dbid_t* dbid);

// The stream `stream` is placed in; 1002 when it is placed in its project.
int vob_zem_stream_get_parent_stream(vob_vob_h pvob, tbs_dbid_t stream, tbs_dbid_t* parent);
// The project a stream belongs to (through its parent streams).
int vob_zem_stream_get_project(vob_vob_h pvob, tbs_dbid_t stream, tbs_dbid_t* project);
// The flag word of a stream (vob_zem_stream_flag bits).
int vob_zem_stream_get_flags(vob_vob_h pvob, tbs_dbid_t stream, unsigned int* flags);

// The streams placed in stream `stream`, in creation order, `max` at a time
// from position `offset`; `children` is replaced, and fewer than `max`
// entries mean the end.
int vob_zem_stream_next_children(vob_vob_h pvob, tbs_dbid_t stream, size_t offset, size_t max,
                                 std::vector<tbs_dbid_t>& children);
// All streams of project `project` (placed in it or below its streams), in
// creation order, in chunks as above.
int vob_zem_project_next_streams(vob_vob_h pvob, tbs_dbid_t project, size_t offset, size_t max,
                                 std::vector<tbs_dbid_t>& streams);

// The title of a stream or timeline of either form: "" until one is set.
int vob_zem_stream_get_title(vob_vob_h pvob, tbs_dbid_t obj, std::string& title);
// Stores a title (null: ""), recorded as a modify event; an unchanged title
// writes nothing.
int vob_zem_stream_set_title(vob_vob_h pvob, tbs_dbid_t obj, const char* title,
                             const vob_event_info_t* event);

// Removes a stream together with its timelines (and their entries). 1001
// while it has child streams or other objects placed in it, or while
// baselines lie on its timelines (services/vob_zem_baseline.h).
int vob_zem_stream_delete(vob_vob_h pvob, tbs_dbid_t stream, const vob_event_info_t* event);

// The objects of the activity kind (first-class activities, or
// activity-like objects of the PVOB's activity type) placed in stream
// `stream`, in creation order, in chunks as above.
int vob_zem_stream_next_activities(vob_vob_h pvob, tbs_dbid_t stream, size_t offset, size_t max,
                                   std::vector<tbs_dbid_t>& activities);
// The UUIDs (text form) of the views attached to stream `stream`
// (vob_utl_view_set_stream, services/view.h), in attachment order, in chunks
// as above.
int vob_zem_stream_next_views(vob_vob_h pvob, tbs_dbid_t stream, size_t offset, size_t max,
                              std::vector<std::string>& view_uuids);

// ---- config spec text --------------------------------------------------------------

// The config spec text stored for a stream of either form: "" when none is
// stored (the layer above then generates it on demand). `final` (may be
// null) is 1 when the last store was final, 0 when a text was stored but
// not yet marked final (an interrupted regeneration).
int vob_zem_stream_get_cspec(vob_vob_h pvob, tbs_dbid_t stream, std::string& text, int* final);
// Stores `text` (null: "") for a stream, recorded as a modify event with
// `event`; `final` 1 marks the stream's configuration as changed, 0 stores
// the text only. 1040 when the stream is locked.
int vob_zem_stream_set_cspec(vob_vob_h pvob, tbs_dbid_t stream, const char* text, int final,
                             const vob_event_info_t* event);

// ---- timelines --------------------------------------------------------------------

// Raw kind codes of timeline entries.
enum vob_zem_timeline_kind : int {
  VOB_ZEM_TL_FOUNDATION_ARC = 1,  // a foundation change: the object is its hyperlink
  VOB_ZEM_TL_OTHER = 2,           // another contribution: a delivery's entry names its hyperlink
  VOB_ZEM_TL_BASELINE = 3,        // a baseline made in the stream
};

// One entry of a timeline.
struct vob_zem_timeline_entry_t {
  long etime = 0;       // seconds since the epoch when the entry was recorded
  int kind = 0;         // vob_zem_timeline_kind
  tbs_dbid_t dbid = 0;  // the entry's object
};

// Creates a timeline in stream `stream`, named `name` (null: unnamed; a name
// follows the naming rules and is unique as a stream's is). No entries.
int vob_zem_timeline_create(vob_vob_h pvob, tbs_dbid_t stream, const char* name,
                            const vob_event_info_t* event, tbs_dbid_t* dbid);
// The stream a timeline is placed in.
int vob_zem_timeline_get_stream(vob_vob_h pvob, tbs_dbid_t timeline, tbs_dbid_t* stream);
// The timelines of a stream, in creation order, in chunks as above.
int vob_zem_stream_next_timelines(vob_vob_h pvob, tbs_dbid_t stream, size_t offset, size_t max,
                                  std::vector<tbs_dbid_t>& timelines);
// Removes a timeline and its entries. 1001 while baselines lie on it.
int vob_zem_timeline_delete(vob_vob_h pvob, tbs_dbid_t timeline, const vob_event_info_t* event);
// The timelines of streams of the whole PVOB, in creation order, in chunks
// as above. An ordinary VOB is 1004.
int vob_zem_pvob_next_timelines(vob_vob_h pvob, size_t offset, size_t max,
                                std::vector<tbs_dbid_t>& timelines);

// Appends an entry of `kind` (1 to 3; 1004 otherwise) for object `obj` (an
// object of the PVOB; 1002 otherwise), recorded as a modify event on the
// timeline. 1040 when the timeline is locked.
int vob_zem_timeline_add_entry(vob_vob_h pvob, tbs_dbid_t timeline, int kind, tbs_dbid_t obj,
                               const vob_event_info_t* event);
// Inserts an entry before position `position` (0 the first; the number of
// entries appends). 1004 for a position beyond the end.
int vob_zem_timeline_insert_entry(vob_vob_h pvob, tbs_dbid_t timeline, size_t position, int kind,
                                  tbs_dbid_t obj, const vob_event_info_t* event);
// The entries of a timeline in list order; `entries` is replaced.
int vob_zem_timeline_get_entries(vob_vob_h pvob, tbs_dbid_t timeline,
                                 std::vector<vob_zem_timeline_entry_t>& entries);
// Removes the entries from position `from` to the end, each of which must
// be a foundation arc (a baseline entry among them: 1001 after a message,
// nothing removed), together with their "Foundation" hyperlinks, recorded
// as a modify event on the timeline. `from` 0 or at/after the end is 1004:
// a timeline keeps its first foundation arc. 1040 when the timeline is locked.
int vob_zem_timeline_drop_arcs_from(vob_vob_h pvob, tbs_dbid_t timeline, size_t from,
                                    const vob_event_info_t* event);
// `later` is 1 when a foundation arc comes after the last baseline entry (or
// the timeline has no baseline entry but has a foundation arc), 0 otherwise.
int vob_zem_timeline_arc_after_latest_baseline(vob_vob_h pvob, tbs_dbid_t timeline, int* later);

// ---- deliveries recorded on timelines ------------------------------------------------
//
// A delivery of a baseline into a stream is recorded on the stream's timeline
// of the baseline's component: a hyperlink of well-known type
// VOB_WK_HLTYPE_TIMELINE_CONTRIB from the baseline to the timeline, and an
// entry of kind VOB_ZEM_TL_OTHER naming that hyperlink, appended after the
// entries already there. The entry places the delivery among the timeline's
// baselines and foundation arcs; the hyperlink lets the baseline find the
// timelines it was delivered to.

// One delivered baseline and the timeline it reached, both objects of the PVOB.
struct vob_zem_tl_contrib_t {
  tbs_dbid_t baseline = 0;
  tbs_dbid_t timeline = 0;
};

// Records the deliveries `contribs` in one transaction. A pair already
// recorded (a hyperlink between the two with an entry of the timeline naming
// it) is left as it is; a hyperlink whose entry is missing gets its entry;
// a pair listed twice is recorded once. Each timeline written records a
// modify event, each hyperlink a creation event, with `event`. `recorded`
// (may be null) is the number of pairs newly recorded. 1002 (no object) or
// 1004 (another kind) after a message for a dbid that is not a baseline
// (resp. a stream timeline) of the PVOB; 1040 for a locked timeline;
// nothing is written then.
int vob_zem_timeline_record_contribs(vob_vob_h pvob,
                                     const std::vector<vob_zem_tl_contrib_t>& contribs,
                                     const vob_event_info_t* event, size_t* recorded);
// Removes what vob_zem_timeline_record_contribs recorded for `contribs`, in
// one transaction: every VOB_WK_HLTYPE_TIMELINE_CONTRIB hyperlink from the
// baseline to the timeline and the timeline's entries naming them, closing
// the gaps. A pair with nothing recorded is no error. Each timeline changed
// records a modify event with `event`. `removed` (may be null) is the number
// of pairs that had something to remove. Refusals as for recording.
int vob_zem_timeline_remove_contribs(vob_vob_h pvob,
                                     const std::vector<vob_zem_tl_contrib_t>& contribs,
                                     const vob_event_info_t* event, size_t* removed);

#endif  // SERVICES_VOB_ZEM_STREAM_H
