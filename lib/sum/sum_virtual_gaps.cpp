// The timeline-gap check of virtual configurations made of activities a
// caller selected: a baseline of them must select, on every branch, no
// version without the earlier versions it builds on, and must keep what the
// stream's newest baseline of the component records. The rule is stated at
// SUM_VirtualConfig::check_TL_gaps.
#include <map>
#include <set>
#include <utility>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_version.h"
#include "sum/sum_virtual_baseline.h"
#include "sum/sum_virtual_baseline_internal.h"

namespace {

constexpr const char* kSource = "sum_virtual_gaps";

// The index of `activity` in `list`, or -1 (counts are not compared).
int position_in(const SUM_ActivityList& list, const SUM_Activity& activity) {
  for (unsigned i = 0; i < list.count(); ++i)
    if (list[i].dbid() == activity.dbid() && list[i].vob() == activity.vob())
      return static_cast<int>(i);
  return -1;
}

}  // namespace

// What one check_TL_gaps call has learnt: about the component being checked
// (its root and the stream's newest baseline of it), the versions each
// activity holds at a count, and the gaps already reported (each once).
struct SUM_GapScan {
  SUM_Component component;
  int rooted = 0;
  SUM_Oid family;
  SUM_Oid crde;
  SUM_ActivityList latest;  // recorded by the stream's newest baseline of `component`
  std::map<std::pair<tbs_dbid_t, unsigned>, std::set<tbs_dbid_t>> held;  // (activity, count)
  std::set<tbs_dbid_t> reported_activities;
  std::set<tbs_dbid_t> reported_versions;
  int gaps = 0;
  int for_deliver = 0;  // the newest baseline may be one a deliver made

  // Starts on `of`, a component of `stream`'s configuration.
  int start(const SUM_Stream& stream, const SUM_Component& of) {
    component = of;
    held.clear();
    latest = SUM_ActivityList();
    SUM_Baseline newest;
    int status = stream.baseline_util(of, 1, newest);
    if (status == 0)
      status = newest.change_sets(latest);
    else if (status == SUM_NOT_FOUND)
      status = SUM_OK;
    return status != 0 ? status : sum_vbl_component_root(of, rooted, family, crde);
  }
  // Reports `activity` missing with `message` unless it was reported.
  void missing_activity(const SUM_Activity& activity, imsg_checked_id<const char*> message) {
    ++gaps;
    if (reported_activities.insert(activity.dbid()).second)
      imsg_print(IMSG_ERROR, message, activity.any_fullname());
  }
};

int SUM_VirtualConfig::check_TL_gaps(const SUM_ActivityList& selected, int for_deliver) const {
  SUM_Trace trace("SUM_VirtualConfig::check_TL_gaps");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_GapScan scan;
  scan.for_deliver = for_deliver;
  for (unsigned b = 0; b < rep_->baselines.count(); ++b) {
    const SUM_VirtualBaseline& vbl = rep_->baselines[b];
    const SUM_ActivityList& held = vbl.rep_->activities;
    SUM_ActivityList chosen;
    for (unsigned i = 0; i < held.count(); ++i)
      if (position_in(selected, held[i]) >= 0)
        chosen.append(held[i]);
    // A component the selection does not change keeps its baseline.
    if (chosen.count() == 0)
      continue;
    int status = scan.start(rep_->stream, vbl.rep_->component);
    if (status == 0)
      status = check_CA_dependency(vbl, scan);
    for (unsigned i = 0; status == 0 && scan.rooted && i < chosen.count(); ++i)
      status = vers_check_lo_gap(vbl, chosen[i], scan);
    if (status != 0)
      return trace.checked(__LINE__, status);
  }
  return scan.gaps > 0 ? trace.checked(__LINE__, SUM_FAILED) : SUM_OK;
}

int SUM_VirtualConfig::check_CA_dependency(const SUM_VirtualBaseline& vbl,
                                           SUM_GapScan& scan) const {
  SUM_Trace trace("SUM_VirtualConfig::check_CA_dependency");
  // The new baseline goes after the stream's newest one: dropping an
  // activity that one records would undo its changes on the timeline. An
  // activity whose change set has since emptied records nothing to keep.
  for (unsigned i = 0; i < scan.latest.count(); ++i) {
    if (position_in(vbl.rep_->activities, scan.latest[i]) >= 0)
      continue;
    int has = 0;
    if (int status = scan.latest[i].has_change_set(has))
      return trace.checked(__LINE__, status);
    if (has && scan.for_deliver)
      scan.missing_activity(scan.latest[i], sum_msg::ActivityMustAddedActivityListBecause);
    else if (has)
      scan.missing_activity(scan.latest[i], sum_msg::ActivityMustAddedActivityList);
  }
  return SUM_OK;
}

int SUM_VirtualConfig::vers_check_lo_gap(const SUM_VirtualBaseline& vbl,
                                         const SUM_Activity& activity, SUM_GapScan& scan) const {
  SUM_Trace trace("SUM_VirtualConfig::vers_check_lo_gap");
  unsigned count = 0;
  SUM_VersionList versions;
  int status = activity.mod_count(count);
  if (status == 0)
    status = activity.change_set_in_range(0, count, scan.family, scan.crde, versions);
  if (status != 0)
    return trace.checked(__LINE__, status);
  for (unsigned v = 0; v < versions.count(); ++v) {
    int checked_out = 0;
    SUM_Branch branch;
    if ((status = versions[v].is_checked_out(checked_out)) != 0 ||
        (!checked_out && (status = versions[v].branch(branch)) != 0))
      return trace.checked(__LINE__, status);
    // A checkout is in no baseline; it needs nothing.
    if (checked_out)
      continue;
    // Back along the branch to the nearest version an activity recorded.
    for (SUM_Version at = versions[v];;) {
      SUM_Version pred;
      SUM_Branch pred_branch;
      long number = 0;
      status = at.pred_version(pred);
      if (status == SUM_NOT_FOUND)
        break;
      if (status != 0 || (status = pred.branch(pred_branch)) != 0 ||
          (status = pred.version_number(number)) != 0)
        return trace.checked(__LINE__, status);
      // Version 0 of a branch changes nothing; what precedes it belongs to
      // another branch and comes with the stream's foundation.
      if (pred_branch != branch || number <= 0)
        break;
      SUM_Activity owner;
      status = pred.activity(owner);
      if (status == SUM_NOT_FOUND) {  // made outside every activity
        at = pred;
        continue;
      }
      if (status != 0) {
        imsg_print(IMSG_ERROR, sum_baseline_msg::UnableDetermineMissingActivity);
        return trace.checked(__LINE__, SUM_FAILED);
      }
      // The configuration's count of the owner, else the newest baseline's.
      const SUM_ActivityList* source = &vbl.rep_->activities;
      int at_index = position_in(*source, owner);
      if (at_index < 0) {
        source = &scan.latest;
        at_index = position_in(*source, owner);
      }
      if (at_index < 0) {
        scan.missing_activity(owner, sum_msg::ActivityMustAddedActivity);
        break;
      }
      unsigned owner_count = 0;
      if ((status = (*source)[static_cast<unsigned>(at_index)].mod_count(owner_count)) != 0 ||
          (status = vers_check_contig(pred, owner, owner_count, scan)) != 0)
        return trace.checked(__LINE__, status);
      break;
    }
  }
  return SUM_OK;
}

int SUM_VirtualConfig::vers_check_contig(const SUM_Version& version, const SUM_Activity& owner,
                                         unsigned count, SUM_GapScan& scan) const {
  SUM_Trace trace("SUM_VirtualConfig::vers_check_contig");
  auto key = std::make_pair(owner.dbid(), count);
  auto found = scan.held.find(key);
  if (found == scan.held.end()) {
    SUM_VersionList versions;
    if (int status = owner.change_set_in_range(0, count, scan.family, scan.crde, versions))
      return trace.checked(__LINE__, status);
    std::set<tbs_dbid_t> ids;
    for (unsigned i = 0; i < versions.count(); ++i)
      ids.insert(versions[i].dbid());
    found = scan.held.emplace(key, std::move(ids)).first;
  }
  if (found->second.count(version.dbid()) > 0)
    return SUM_OK;
  ++scan.gaps;
  if (!scan.reported_versions.insert(version.dbid()).second)
    return SUM_OK;
  SUM_String name;
  if (int status = version.display_name(name))
    return trace.checked(__LINE__, status);
  imsg_print(IMSG_ERROR, sum_msg::VersionActivityMissingRequired, static_cast<const char*>(name),
             owner.any_fullname());
  return SUM_OK;
}
