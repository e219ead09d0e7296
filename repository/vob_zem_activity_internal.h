// What the activity, change-set and version families share
// (services/vob_zem_activity.h): recognising activities of either form,
// and the change-set entries that checkouts, check-ins and uncheckouts
// write inside their own transactions.
//
// An entry lives in two VOBs. The PVOB holds the arrow of the change
// hyperlink (type VOB_WK_HLTYPE_CHANGE, from the version to the activity)
// and remembers that the activity touched the version's VOB; the version's
// VOB holds the hyperlink, the entry row and the pair counts. The PVOB is
// written first and its arrow deleted last, so a crash leaves at most an
// arrow without its hyperlink, which every reader ignores.
#ifndef REPOSITORY_VOB_ZEM_ACTIVITY_INTERNAL_H
#define REPOSITORY_VOB_ZEM_ACTIVITY_INTERNAL_H

#include <string>
#include <vector>

#include "repository/vob_zem_internal.h"
#include "services/vob_zem_activity.h"

namespace repo {
namespace act {

// Entries of the tbs catalog (repository/tbs.msg) these families print.
namespace msg {
inline constexpr int kNoCurrentActivity = 126;  // (view tag)
inline constexpr int kCsetNotEmpty = 127;       // (activity, count)
inline constexpr int kNotInCset = 129;          // (version, activity)
}  // namespace msg

// How an entry names its activity: the PVOB's family and the activity's oid.
struct ActivityId {
  tbs_uuid_t family{};
  tbs_oid_t oid{};
};

// Whether `row` is an activity: metatype 38, or an activity-like object of
// the PVOB's activity type `activity_type` (0 when it has none).
bool is_activity(const ObjectRow& row, tbs_dbid_t activity_type);
// Reads `dbid` as an activity of `pvob` (either form): 1002 when it does
// not exist, 1004 when it is something else (both after a message when
// `print`), 1004 when `pvob` is not a project VOB.
int need_activity(vob_vob_h pvob, Store& s, tbs_dbid_t dbid, bool print, ObjectRow& row);
// The identity entries use for activity `activity` of `pvob`.
int activity_id(vob_vob_h pvob, tbs_dbid_t activity, ActivityId& id);

// An entry whose PVOB side is written and whose version's side is not yet.
struct PendingEntry {
  vob_vob_h pvob = nullptr;
  tbs_dbid_t activity = 0;
  ActivityId act;
  vob_vob_h vob = nullptr;  // the version's VOB
  tbs_oid_t hlink_oid{};
  tbs_oid_t version_oid{};
};

// One PVOB transaction: checks the activity (1002/1004 after a message),
// writes the arrow of the change hyperlink about to be made in `vob` from
// the version with oid `version_oid`, remembers that the activity touched
// `vob`, and records `event` on the activity.
int announce(vob_vob_h pvob, tbs_dbid_t activity, vob_vob_h vob, const tbs_oid_t& version_oid,
             const vob_event_info_t* event, PendingEntry& pending);
// Best effort: removes the arrow of an entry that was never made.
void withdraw(const PendingEntry& pending);

// Inside the caller's transaction of the version's VOB: makes the change
// hyperlink and the entry of `version` (a version of that VOB, checked out
// when `checkout`), advancing the pair count and stamping the entry.
int insert_entry(Store& s, const PendingEntry& pending, tbs_dbid_t version, int checkout,
                 const vob_event_info_t* event);
// Inside the caller's transaction: every entry of `version` becomes a
// checked-in entry, advancing its pair count.
int note_checkin(Store& s, tbs_dbid_t version);

// An arrow of the PVOB to delete once the version's VOB has committed.
struct ArrowRef {
  tbs_uuid_t pvob_family{};
  tbs_oid_t hlink_oid{};
};
// Inside the caller's transaction: removes the entry of hyperlink `hlink`
// with the hyperlink, advancing the pair count; `arrows` gains its arrow.
int drop_entry(Store& s, tbs_dbid_t hlink, std::vector<ArrowRef>& arrows);
// The same for every entry of `version`.
int drop_version_entries(Store& s, tbs_dbid_t version, std::vector<ArrowRef>& arrows);
// Best effort, after the commit: deletes the arrows (the "deleted last" step).
void delete_arrows(const std::vector<ArrowRef>& arrows);

// 1001 after a message when the activity's change set is not empty.
int refuse_nonempty_cset(vob_vob_h pvob, tbs_dbid_t activity);
// Best effort and silent: removes the current-activity record of the view.
void forget_view(vob_vob_h pvob, const std::string& view_uuid);

}  // namespace act
}  // namespace repo

#endif  // REPOSITORY_VOB_ZEM_ACTIVITY_INTERNAL_H
