// Activities of a project VOB (PVOB), their change sets and modification
// counts, and the current activity of views.
//
// Model. An activity belongs to one stream. In the first-class form
// (feature level 7 and higher) it is an object of metatype 38 placed in its
// stream, made by vob_zem_activity_create; in the activity-based form it is
// an activity-like object (metatype 28) of the PVOB's activity type
// (VOB_WK_ACTIVITY_TYPE), made with vob_act_create in the stream's activity
// folder (services/vob_zem.h). Unless a call says otherwise, the calls below
// accept activities of either form; the vob_act_cset_* names are the same
// calls under the names the activity-based form uses.
//
// Change sets. The change set of an activity is a set of versions, each
// with a checkout flag. An entry is kept with its version: it is a
// hyperlink of well-known type VOB_WK_HLTYPE_CHANGE held in the version's
// VOB, from the version to the activity (services/vob_hlink.h), so that the
// repository records an entry in the same transaction as the checkout that
// makes it. A version is in at most one change set at a time, except
// transiently while the library moves it (add to the target, then remove
// from the source).
//
// Modification counts. Each activity has one count per (VOB, component
// root directory element) pair it changed: the element's CRDE
// (vob_elem_get_crde), or 0 for an element outside every component. Every
// change of an entry of that pair (added, checked in, removed) advances the
// count by one and stamps the entry with the count after the change, so
// that vob_zem_activity_cset_in_range can list the entries changed between
// two counts. The activity's own count (vob_zem_activity_get_mod_count, and
// the mod_count field of vob_act_get_info) is the sum of its pair counts:
// it changes whenever the change set changes and never goes back.
//
// Recording by the view service (services/view.h). In a view attached to a
// stream, view_checkout (and every path that checks out through a view:
// view_mkelem, cmd_findmerge_do_checkout_with_pop) refuses, after a message
// naming the view, when the view has no current activity, and otherwise
// records the new checkout in the current activity's change set in the
// checkout's own transaction. view_checkin refuses the same way in such a
// view. Wherever it is made, vob_ver_checkin turns a checkout's entry into a
// checked-in entry and vob_ver_uncheckout removes the entry, each in its own
// transaction, advancing the count.
//
// Current activity. The PVOB records, per view UUID, at most one current
// activity (of either form); the record of the activity-based form also
// names the user (a "work" record of vob_utl_set_work). Removing an
// activity removes the records that name it.
//
// Common contracts as in services/vob_zem.h: a status is returned and
// out-parameters are filled only on success; every writing call is one
// transaction in each VOB it writes, records one event with the caller's
// comment and operation code (`event` may be null) and, on failure, prints
// the reason and changes nothing. Statuses: 1002 a dbid naming no object,
// an absent entry; 1004 a dbid of the wrong kind, an ordinary VOB where a
// PVOB is needed, a call of the first-class form on an older PVOB; 1003 a
// name or an entry already there; 1001 a refusal; 1040 a lock; 1005 store
// failure. Reading calls print nothing.
#ifndef SERVICES_VOB_ZEM_ACTIVITY_H
#define SERVICES_VOB_ZEM_ACTIVITY_H

#include <cstddef>
#include <string>
#include <vector>

#include "services/vob.h"

// ---- first-class activities ---------------------------------------------------------

// Creates activity `name` (unique among activities of the PVOB) with
// headline `title` (null: "") in stream `stream` of a PVOB of the
// first-class form. 1004 when `stream` is not a stream; 1040 when it is
// locked.
int vob_zem_activity_create(vob_vob_h pvob, const char* name, const char* title, tbs_dbid_t stream,
                            const vob_event_info_t* event, tbs_dbid_t* dbid);
// The stream an activity belongs to (either form: for the activity-based
// form the parent of its parent, the activity folder's stream).
int vob_zem_activity_get_parent(vob_vob_h pvob, tbs_dbid_t activity, tbs_dbid_t* stream);
// The headline: "" until one is set.
int vob_zem_activity_get_headline(vob_vob_h pvob, tbs_dbid_t activity, std::string& headline);
// Stores a headline (null: ""), recorded as a modify event; an unchanged
// headline writes nothing.
int vob_zem_activity_set_headline(vob_vob_h pvob, tbs_dbid_t activity, const char* headline,
                                  const vob_event_info_t* event);
// Removes an activity of the first-class form, its tasks and the
// current-activity records naming it. 1001 (after a message) while its
// change set is not empty.
int vob_zem_activity_delete(vob_vob_h pvob, tbs_dbid_t activity, const vob_event_info_t* event);

// Tasks: URIs of the task provider's records, kept in the order given
// (first-class form only). Adding a URI already there, or removing one not
// there, changes nothing (0).
int vob_zem_activity_set_tasks(vob_vob_h pvob, tbs_dbid_t activity,
                               const std::vector<std::string>& uris, const vob_event_info_t* event);
int vob_zem_activity_add_task(vob_vob_h pvob, tbs_dbid_t activity, const char* uri,
                              const vob_event_info_t* event);
int vob_zem_activity_rm_task(vob_vob_h pvob, tbs_dbid_t activity, const char* uri,
                             const vob_event_info_t* event);
// The tasks, `max` at a time from position `offset`; fewer mean the end.
int vob_zem_activity_next_tasks(vob_vob_h pvob, tbs_dbid_t activity, size_t offset, size_t max,
                                std::vector<std::string>& uris);

// ---- change sets -------------------------------------------------------------------------

// One change-set entry.
struct vob_cset_entry_t {
  vob_vob_h vob = nullptr;  // the version's VOB
  tbs_dbid_t version = 0;
  tbs_dbid_t element = 0;
  tbs_dbid_t crde = 0;     // the element's component root directory element; 0 none
  int checkout = 0;        // 1 while the version is checked out
  unsigned int stamp = 0;  // the pair's count after the entry's latest change
  tbs_dbid_t hlink = 0;    // the change hyperlink, held in `vob`
};

// The entries of an activity's change set, grouped by VOB (in the order the
// activity first touched them) and within a VOB in the order they were
// added; with `checkouts_only`, the checkouts alone. `unavailable` is set
// to 1 when a VOB the activity touched cannot be opened (its entries are
// then missing), else 0.
int vob_zem_activity_cset_get_vers(vob_vob_h pvob, tbs_dbid_t activity, int checkouts_only,
                                   std::vector<vob_cset_entry_t>& entries, int* unavailable);
// Whether the change set has any entry / any checkout / any checked-in
// entry. vob_zem_activity_cset_is_empty answers the opposite of the first.
int vob_zem_activity_has_changeset(vob_vob_h pvob, tbs_dbid_t activity, int* has);
int vob_zem_activity_cset_is_empty(vob_vob_h pvob, tbs_dbid_t activity, int* empty);
int vob_zem_activity_cset_has_cos(vob_vob_h pvob, tbs_dbid_t activity, int* has);
int vob_zem_activity_cset_has_cis(vob_vob_h pvob, tbs_dbid_t activity, int* has);
// Whether `version` of `vob` is in the activity's change set, and as a
// checkout.
int vob_zem_activity_ver_in_cset(vob_vob_h pvob, tbs_dbid_t activity, vob_vob_h vob,
                                 tbs_dbid_t version, int* in, int* checkout);
// Adds `version` of `vob` to the activity's change set with the checkout
// flag given (1004 when it disagrees with the version: a checked-in
// version cannot be entered as a checkout, nor a checkout as checked in).
// `view_tag` (may be null) is recorded in the event's text. 1003 when the
// version is in this change set already.
int vob_zem_activity_cset_add_ver(vob_vob_h pvob, tbs_dbid_t activity, vob_vob_h vob,
                                  tbs_dbid_t version, int checkout, const char* view_tag,
                                  const vob_event_info_t* event);
// Removes `version` of `vob` from the activity's change set; 1002 when it
// is not there.
int vob_zem_activity_cset_rm_ver(vob_vob_h pvob, tbs_dbid_t activity, vob_vob_h vob,
                                 tbs_dbid_t version, const vob_event_info_t* event);
// The change hyperlinks (held in `vob`) of the activity's entries for the
// pair (`vob`, `crde`) whose stamp lies in (`from`, `to`], in stamp order.
// Their versions are the "from" ends (vob_hlink_hlinkhs_get_objs).
int vob_zem_activity_cset_in_range(vob_vob_h pvob, tbs_dbid_t activity, unsigned int from,
                                   unsigned int to, vob_vob_h vob, tbs_dbid_t crde,
                                   std::vector<tbs_dbid_t>& hlinks);

// ---- modification counts -----------------------------------------------------------------

// The activity's count: the sum of its pair counts (0 for an activity that
// never changed).
int vob_zem_activity_get_mod_count(vob_vob_h pvob, tbs_dbid_t activity, unsigned int* count);
// One pair count.
struct vob_act_modcnt_t {
  vob_vob_h vob = nullptr;
  tbs_dbid_t crde = 0;  // 0: elements outside every component
  unsigned int count = 0;
};
// Every pair count of the activity, by VOB (in the order the activity first
// touched them), then by CRDE. A VOB that cannot be opened is left out.
int vob_zem_activity_get_vob_modcnts(vob_vob_h pvob, tbs_dbid_t activity,
                                     std::vector<vob_act_modcnt_t>& counts);

// ---- versions and their activities -----------------------------------------------------

// One activity: its PVOB and dbid.
struct vob_activity_ref_t {
  vob_vob_h pvob = nullptr;
  tbs_dbid_t activity = 0;
};
// The activities whose change sets hold `version` of `vob` (normally one;
// none gives an empty list and 0). Entries naming an activity whose PVOB is
// not registered here, or that no longer exists, are left out.
int vob_utl_get_activities(vob_vob_h vob, tbs_dbid_t version,
                           std::vector<vob_activity_ref_t>& activities);

// One end of each of several hyperlinks held in `vob` (0 "from", 1 "to"),
// in input order; a broken end, or a hyperlink that no longer exists, gives
// a null VOB and dbid 0.
struct vob_obj_ref_t {
  vob_vob_h vob = nullptr;
  tbs_dbid_t dbid = 0;
};
int vob_hlink_hlinkhs_get_objs(vob_vob_h vob, const std::vector<tbs_dbid_t>& hlinks, int end,
                               std::vector<vob_obj_ref_t>& objs);

// ---- current activity of views ---------------------------------------------------------

// Makes `activity` the current activity of the view `view_uuid` (text form),
// replacing any other; recorded as a modify event on the activity. Setting
// the current activity again is 0 without a change.
int vob_zem_view_set_activity(vob_vob_h pvob, const char* view_uuid, tbs_dbid_t activity,
                              const vob_event_info_t* event);
// Clears the view's current activity; 1002 when it has none.
int vob_zem_view_unset_activity(vob_vob_h pvob, const char* view_uuid,
                                const vob_event_info_t* event);
// The view's current activity; `activity` 0 when it has none (status 0).
int vob_zem_view_get_activity(vob_vob_h pvob, const char* view_uuid, tbs_dbid_t* activity);
// The views (UUIDs, text form) whose current activity is `activity`.
int vob_zem_activity_get_views(vob_vob_h pvob, tbs_dbid_t activity,
                               std::vector<std::string>& view_uuids);

// The activity-based form's work records: user `user` (a user object of
// the PVOB, e.g. VOB_WK_USER_EVERY) works on `activity` in view
// `view_uuid`; `activity` 0 removes the view's record (0 when there is
// none). They share the current-activity record of the view.
int vob_utl_set_work(vob_vob_h pvob, tbs_dbid_t user, const char* view_uuid, tbs_dbid_t activity,
                     const vob_event_info_t* event);
struct vob_work_t {
  std::string view_uuid;
  tbs_dbid_t activity = 0;
};
// The work records of `user` for view `view_uuid` (null: every view), `max`
// at a time from `offset`; fewer mean the end.
int vob_ob_next_work(vob_vob_h pvob, tbs_dbid_t user, const char* view_uuid, size_t offset,
                     size_t max, std::vector<vob_work_t>& work);

// ---- the activity-based form's names -------------------------------------------------------

inline int vob_act_cset_get_vers(vob_vob_h pvob, tbs_dbid_t activity, int checkouts_only,
                                 std::vector<vob_cset_entry_t>& entries, int* unavailable) {
  return vob_zem_activity_cset_get_vers(pvob, activity, checkouts_only, entries, unavailable);
}
inline int vob_act_cset_is_empty(vob_vob_h pvob, tbs_dbid_t activity, int* empty) {
  return vob_zem_activity_cset_is_empty(pvob, activity, empty);
}
inline int vob_act_cset_has_cos(vob_vob_h pvob, tbs_dbid_t activity, int* has) {
  return vob_zem_activity_cset_has_cos(pvob, activity, has);
}
inline int vob_act_cset_has_cis(vob_vob_h pvob, tbs_dbid_t activity, int* has) {
  return vob_zem_activity_cset_has_cis(pvob, activity, has);
}
inline int vob_act_get_vob_modcnts(vob_vob_h pvob, tbs_dbid_t activity,
                                   std::vector<vob_act_modcnt_t>& counts) {
  return vob_zem_activity_get_vob_modcnts(pvob, activity, counts);
}

#endif  // SERVICES_VOB_ZEM_ACTIVITY_H
