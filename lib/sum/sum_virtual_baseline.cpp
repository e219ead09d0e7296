// SUM_VirtualConfig, SUM_VirtualBaseline and SUM_BaselineVR: building a
// stream's virtual configuration, distributing its activities over the
// components they changed, and realizing virtual baselines as baselines.
#include "sum/sum_virtual_baseline.h"

#include "sum/sum_virtual_baseline_internal.h"

#include <strings.h>

#include <cstdlib>

#include "services/imsg.h"
#include "services/vob.h"
#include "services/vob_zem_stream.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_ids.h"
#include "sum/sum_project.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"
#include "sum/sum_version.h"

namespace {

constexpr const char* kSource = "sum_virtual_baseline";

constexpr size_t kChunk = 64;

}  // namespace

namespace {

// Whether foundation reuse is switched off for this process.
bool fdn_reuse_disabled() {
  const char* value = std::getenv(SUM_VirtualBaseline::kDisableFdnReuse);
  return value != nullptr && strcasecmp(value, "true") == 0;
}

// The index of `activity` in `list`, or -1 (counts are not compared).
int index_of(const SUM_ActivityList& list, const SUM_Activity& activity) {
  for (unsigned i = 0; i < list.count(); ++i)
    if (list[i].dbid() == activity.dbid() && list[i].vob() == activity.vob())
      return static_cast<int>(i);
  return -1;
}

// Whether `a` and `b` hold the same baselines, in any order.
bool same_baselines(const SUM_BaselineList& a, const SUM_BaselineList& b) {
  if (a.count() != b.count())
    return false;
  for (unsigned i = 0; i < a.count(); ++i)
    if (b.find(a[i]) < 0)
      return false;
  return true;
}

// The activities placed in `stream`, in creation order.
int stream_activities(const SUM_Stream& stream, SUM_ActivityList& out) {
  SUM_ActivityList found;
  std::vector<tbs_dbid_t> chunk;
  for (size_t offset = 0;; offset += kChunk) {
    int status =
        vob_zem_stream_next_activities(stream.vob().handle(), stream.dbid(), offset, kChunk, chunk);
    if (status != 0)
      return status;
    for (tbs_dbid_t dbid : chunk)
      found.append(SUM_Activity(stream.vob(), dbid));
    if (chunk.size() < kChunk)
      break;
  }
  out = found;
  return SUM_OK;
}

// Whether the timeline-gap check is switched off for this call.
bool tl_gaps_reverted() {
  const char* value = std::getenv(SUM_VirtualConfig::kRevertTLGaps);
  return value != nullptr && strcasecmp(value, "true") == 0;
}

// The activities, with their recorded counts, of `stream`'s newest
// baseline of `component`, replacing `out`; none when it has made none.
int latest_baseline_activities(const SUM_Stream& stream, const SUM_Component& component,
                               SUM_ActivityList& out) {
  SUM_Baseline latest;
  int status = stream.baseline_util(component, 1, latest);
  if (status == SUM_NOT_FOUND) {
    out = SUM_ActivityList();
    return SUM_OK;
  }
  return status != 0 ? status : latest.change_sets(out);
}

// Whether versions of `component` were recorded in `activity` between the
// counts `from` (excluded) and `to`.
int versions_between(const SUM_Activity& activity, const SUM_Component& component, unsigned from,
                     unsigned to, int& found) {
  int rooted = 0;
  SUM_Oid family;
  SUM_Oid crde;
  int status = sum_vbl_component_root(component, rooted, family, crde);
  if (status != 0 || !rooted) {
    found = from != to ? 1 : 0;  // nothing to look at: a changed count is the change
    return status;
  }
  SUM_VersionList versions;
  unsigned low = from < to ? from : to;
  unsigned high = from < to ? to : from;
  if ((status = activity.change_set_in_range(low, high, family, crde, versions)) == 0)
    found = versions.count() > 0 ? 1 : 0;
  return status;
}

}  // namespace

// ---- SUM_VirtualConfig ----------------------------------------------------------------

int sum_vbl_component_root(const SUM_Component& component, int& rooted, SUM_Oid& family,
                           SUM_Oid& crde) {
  int status = component.has_crde(rooted);
  if (status != 0 || !rooted)
    return status;
  SUM_VobObject root;
  if ((status = component.root_directory_element(root)) == 0 &&
      (status = root.vob().family_oid(family)) == 0)
    status = root.oid(crde);
  return status;
}

int sum_vbl_current_baseline(const SUM_Stream& stream, const SUM_Component& component,
                             SUM_Baseline& out) {
  int status = stream.baseline_util(component, 1, out);
  if (status == SUM_NOT_FOUND)
    status = stream.baseline_util(component, 0, out);
  return status;
}

int SUM_VirtualConfig::progress(SUM_ProgressCB::Operation op, int n, int total) const {
  if (!rep_->has_progress || rep_->progress.f == nullptr)
    return 0;
  return rep_->progress.invoke(op, n, total) != 0 ? 1 : 0;
}

int SUM_VirtualConfig::construct_utl(const SUM_Stream& stream, SUM_ProgressCB* progress_cb,
                                     int from_latest, SUM_VirtualConfig& out, int& interrupted) {
  SUM_Trace trace("SUM_VirtualConfig::construct_utl");
  if (stream.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  interrupted = 0;
  SUM_ComponentList components;
  int status = stream.components(components);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_VirtualConfig made(std::make_shared<SUM_VirtualConfigRep>());
  made.rep_->stream = stream;
  if (progress_cb != nullptr) {
    made.rep_->progress = *progress_cb;
    made.rep_->has_progress = 1;
  }
  int total = static_cast<int>(components.count());
  for (unsigned i = 0; i < components.count(); ++i) {
    if (made.progress(SUM_ProgressCB::PREPARE_COMPONENT, static_cast<int>(i) + 1, total)) {
      interrupted = 1;
      return trace.checked(__LINE__, SUM_FAILED);
    }
    auto rep = std::make_shared<SUM_VirtualBaselineRep>();
    rep->config = made.rep_;
    rep->stream = stream;
    rep->component = components[i];
    if (from_latest &&
        (status = latest_baseline_activities(stream, components[i], rep->activities)) != 0)
      return trace.checked(__LINE__, status);
    made.rep_->baselines.append(SUM_VirtualBaseline(rep));
  }
  if ((status = made.compute_virtual_dependencies()) != 0)
    return trace.checked(__LINE__, status);
  out = made;
  return SUM_OK;
}

int SUM_VirtualConfig::construct(const SUM_Stream& stream, SUM_ProgressCB* progress_cb,
                                 SUM_VirtualConfig& out, int& interrupted) {
  SUM_Trace trace("SUM_VirtualConfig::construct");
  return trace.checked(__LINE__, construct_utl(stream, progress_cb, 0, out, interrupted));
}

int SUM_VirtualConfig::construct_from_latest_baselines(const SUM_Stream& stream,
                                                       SUM_ProgressCB* progress_cb,
                                                       SUM_VirtualConfig& out, int& interrupted) {
  SUM_Trace trace("SUM_VirtualConfig::construct_from_latest_baselines");
  SUM_VirtualConfig made;
  int status = construct_utl(stream, progress_cb, 1, made, interrupted);
  if (status == 0)
    status = made.compute_unrecorded_changes();
  if (status != 0)
    return trace.checked(__LINE__, status);
  // The configuration holds what the newest baselines record, no more.
  made.rep_->csets_computed = 1;
  out = made;
  return SUM_OK;
}

int SUM_VirtualConfig::construct_from_acts(const SUM_Stream& stream,
                                           const SUM_ActivityList& activities,
                                           SUM_VirtualConfig& out) {
  SUM_Trace trace("SUM_VirtualConfig::construct_from_acts");
  return trace.checked(__LINE__, construct_acts_utl(stream, activities, 0, out));
}

int SUM_VirtualConfig::construct_deliver_acts(const SUM_Stream& stream,
                                              const SUM_ActivityList& activities,
                                              SUM_VirtualConfig& out) {
  SUM_Trace trace("SUM_VirtualConfig::construct_deliver_acts");
  return trace.checked(__LINE__, construct_acts_utl(stream, activities, 1, out));
}

int SUM_VirtualConfig::construct_acts_utl(const SUM_Stream& stream,
                                          const SUM_ActivityList& activities, int for_deliver,
                                          SUM_VirtualConfig& out) {
  bool reverted = tl_gaps_reverted();
  SUM_VirtualConfig made;
  int interrupted = 0;
  int status = construct_utl(stream, nullptr, 0, made, interrupted);
  if (status == 0)
    status = made.add_acts(activities, 0);
  if (status == 0 && !reverted)
    status = made.check_TL_gaps(activities, for_deliver);
  if (status == 0)
    status = made.compute_unrecorded_changes();
  if (status != 0)
    return status;
  // The configuration holds the given activities only.
  made.rep_->csets_computed = 1;
  out = made;
  return SUM_OK;
}

int SUM_VirtualConfig::update_with_acts(const SUM_ActivityList& activities) {
  SUM_Trace trace("SUM_VirtualConfig::update_with_acts");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  bool reverted = tl_gaps_reverted();
  // Distributed first: a later distribution would list the added
  // activities twice.
  int status = compute_cset_info();
  if (status == 0)
    status = add_acts(activities, 0);
  if (status == 0 && !reverted)
    status = check_TL_gaps(activities);
  if (status == 0)
    status = compute_unrecorded_changes();
  return trace.checked(__LINE__, status);
}

int SUM_VirtualConfig::compute_unrecorded_changes() {
  SUM_Trace trace("SUM_VirtualConfig::compute_unrecorded_changes");
  for (unsigned i = 0; i < rep_->baselines.count(); ++i)
    if (int status = rep_->baselines[i].compute_has_unrecorded_changes())
      return trace.checked(__LINE__, status);
  return SUM_OK;
}

int SUM_VirtualConfig::add_acts(const SUM_ActivityList& activities, int flag) {
  SUM_Trace trace("SUM_VirtualConfig::add_acts");
  (void)flag;
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  for (unsigned i = 0; i < activities.count(); ++i) {
    SUM_Stream owner;
    int status = activities[i].stream(owner);
    if (status != 0)
      return trace.checked(__LINE__, status);
    if (owner != rep_->stream) {
      imsg_print(IMSG_ERROR, sum_msg::NotSameStream);
      return trace.checked(__LINE__, SUM_FAILED);
    }
  }
  for (unsigned i = 0; i < activities.count(); ++i) {
    SUM_ComponentList components;
    SUM_ModCntList counts;
    int status = activities[i].components_modcnts(components, counts);
    if (status != 0)
      return trace.checked(__LINE__, status);
    for (unsigned c = 0; c < components.count(); ++c) {
      SUM_VirtualBaseline target;
      if (virtual_baseline(components[c], target) != 0)
        return sum_int_error(kSource, trace.name(), __LINE__);
      if ((status = target.add_activity(activities[i], counts[c].count)) != 0)
        return trace.checked(__LINE__, status);
    }
  }
  return SUM_OK;
}

int SUM_VirtualConfig::stream(SUM_Stream& out) const {
  SUM_Trace trace("SUM_VirtualConfig::stream");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  out = rep_->stream;
  return SUM_OK;
}

int SUM_VirtualConfig::virtual_baselines(SUM_VirtualBaselineList& out) const {
  SUM_Trace trace("SUM_VirtualConfig::virtual_baselines");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_VirtualBaselineList kept;
  for (unsigned i = 0; i < rep_->baselines.count(); ++i)
    kept.append(rep_->baselines[i].kept_with(rep_));
  out = kept;
  return SUM_OK;
}

int SUM_VirtualConfig::virtual_baseline(const SUM_Component& component,
                                        SUM_VirtualBaseline& out) const {
  SUM_Trace trace("SUM_VirtualConfig::virtual_baseline");
  if (is_null() || component.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  for (unsigned i = 0; i < rep_->baselines.count(); ++i)
    if (rep_->baselines[i].rep_->component == component) {
      out = rep_->baselines[i].kept_with(rep_);
      return SUM_OK;
    }
  return SUM_NOT_FOUND;
}

int SUM_VirtualConfig::partition_cset(const SUM_Activity& activity) {
  SUM_Trace trace("SUM_VirtualConfig::partition_cset");
  unsigned recorded = 0;
  SUM_ComponentList components;
  SUM_ModCntList counts;
  int status = activity.mod_count(recorded);
  if (status == SUM_NOT_FOUND)
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (status == 0)
    status = activity.components_modcnts(components, counts);
  if (status != 0)
    return trace.checked(__LINE__, status);
  for (unsigned c = 0; c < components.count(); ++c) {
    SUM_VirtualBaseline target;
    if (virtual_baseline(components[c], target) != 0) {
      imsg_print(IMSG_ERROR, sum_msg::MissingComponent, activity.any_fullname(),
                 components[c].any_fullname(), rep_->stream.any_fullname());
      return trace.checked(__LINE__, SUM_FAILED);
    }
    if (counts[c].count > recorded) {
      imsg_print(IMSG_ERROR, sum_msg::Retry, activity.any_fullname());
      return trace.checked(__LINE__, SUM_FAILED);
    }
    SUM_Activity copy(activity);
    copy.set_mod_count(counts[c].count);
    target.rep_->activities.append(copy);
  }
  return SUM_OK;
}

int SUM_VirtualConfig::compute_cset_info() {
  SUM_Trace trace("SUM_VirtualConfig::compute_cset_info");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (rep_->csets_computed)
    return SUM_OK;
  // The counts are read first, so that an activity changed while the
  // distribution runs is caught by its per-component counts.
  SUM_ActivityList activities;
  int status = stream_activities(rep_->stream, activities);
  for (unsigned i = 0; status == 0 && i < activities.count(); ++i) {
    unsigned count = 0;
    if ((status = activities[i].current_mod_count(count)) == 0)
      activities[i].set_mod_count(count);
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  int total = static_cast<int>(activities.count());
  for (unsigned i = 0; i < activities.count(); ++i) {
    if (progress(SUM_ProgressCB::PREPARE_CHANGE_SET, static_cast<int>(i) + 1, total))
      return trace.checked(__LINE__, SUM_FAILED);
    if ((status = partition_cset(activities[i])) != 0)
      return trace.checked(__LINE__, status);
  }
  total = static_cast<int>(rep_->baselines.count());
  for (unsigned i = 0; i < rep_->baselines.count(); ++i) {
    if (progress(SUM_ProgressCB::EVALUATE_BASELINE, static_cast<int>(i) + 1, total))
      return trace.checked(__LINE__, SUM_FAILED);
    if ((status = rep_->baselines[i].compute_has_unrecorded_changes()) != 0)
      return trace.checked(__LINE__, status);
  }
  rep_->csets_computed = 1;
  return SUM_OK;
}

void SUM_VirtualConfig::add_missing_composites(SUM_VirtualBaselineList& chosen) const {
  for (bool added = true; added;) {
    added = false;
    for (unsigned i = 0; i < rep_->baselines.count(); ++i) {
      const SUM_VirtualBaseline& candidate = rep_->baselines[i];
      const SUM_VirtualBaselineList& deps = candidate.rep_->dependencies;
      if (chosen.find(candidate) >= 0)
        continue;
      for (unsigned d = 0; d < deps.count() && !added; ++d)
        if (chosen.find(deps[d]) >= 0) {
          chosen.append(candidate);
          added = true;
        }
    }
  }
}

int SUM_VirtualConfig::realize(const char* name, const char* comment,
                               const SUM_ComponentList& components, int identical,
                               SUM_BaselineList& made, std::vector<int>& created) {
  SUM_Trace trace("SUM_VirtualConfig::realize");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_VirtualBaselineList chosen;
  for (unsigned i = 0; i < components.count(); ++i) {
    SUM_VirtualBaseline vbl;
    if (int status = virtual_baseline(components[i], vbl))
      return trace.checked(__LINE__, status);
    chosen.append(vbl);
  }
  if (components.count() == 0)
    chosen = rep_->baselines;
  return trace.checked(__LINE__, realize_subset(name, comment, chosen, identical, made, created));
}

int SUM_VirtualConfig::realize_subset(const char* name, const char* comment,
                                      const SUM_VirtualBaselineList& subset, int identical,
                                      SUM_BaselineList& made, std::vector<int>& created) {
  SUM_Trace trace("SUM_VirtualConfig::realize_subset");
  if (is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  for (unsigned i = 0; i < subset.count(); ++i)
    if (rep_->baselines.find(subset[i]) < 0)
      return sum_int_error(kSource, trace.name(), __LINE__);
  int status = compute_cset_info();
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_VirtualBaselineList chosen = subset;
  add_missing_composites(chosen);
  if ((status = sort_in_reverse_dependency_order(chosen)) != 0)
    return trace.checked(__LINE__, status);
  SUM_BaselineList results;
  std::vector<int> fresh;
  SUM_Baseline::start_group_create();
  for (unsigned i = 0; i < chosen.count() && status == 0; ++i) {
    SUM_Baseline result;
    if ((status = chosen[i].realize(name, comment, identical, result)) == 0) {
      results.append(result);
      fresh.push_back(chosen[i].rep_->reused ? 0 : 1);
    }
  }
  SUM_Baseline::end_group_create();
  if (status != 0)
    return trace.checked(__LINE__, status);
  made = results;
  created = fresh;
  return SUM_OK;
}

// ---- SUM_VirtualBaseline --------------------------------------------------------------

SUM_VirtualConfig SUM_VirtualBaseline::vconfig() const {
  return rep_ == nullptr ? SUM_VirtualConfig() : SUM_VirtualConfig(rep_->config.lock());
}

int SUM_VirtualBaseline::stream(SUM_Stream& out) const {
  SUM_Trace trace("SUM_VirtualBaseline::stream");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  out = rep_->stream;
  return SUM_OK;
}

int SUM_VirtualBaseline::component(SUM_Component& out) const {
  SUM_Trace trace("SUM_VirtualBaseline::component");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  out = rep_->component;
  return SUM_OK;
}

int SUM_VirtualBaseline::ensure_csets() const {
  SUM_VirtualConfig config = vconfig();
  if (config.is_null())
    return SUM_OK;  // a configuration gone keeps what was distributed
  return config.compute_cset_info();
}

int SUM_VirtualBaseline::change_sets(SUM_ActivityList& out) const {
  SUM_Trace trace("SUM_VirtualBaseline::change_sets");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (int status = ensure_csets())
    return trace.checked(__LINE__, status);
  out = rep_->activities;
  return SUM_OK;
}

int SUM_VirtualBaseline::latest_real_baseline(SUM_Baseline& out) const {
  SUM_Trace trace("SUM_VirtualBaseline::latest_real_baseline");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return rep_->stream.baseline_util(rep_->component, 1, out);
}

int SUM_VirtualBaseline::has_unrecorded_changes(int& result) const {
  SUM_Trace trace("SUM_VirtualBaseline::has_unrecorded_changes");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (int status = ensure_csets())
    return trace.checked(__LINE__, status);
  result = rep_->has_unrecorded;
  return SUM_OK;
}

int SUM_VirtualBaseline::realized(SUM_Baseline& out, int& reused) const {
  SUM_Trace trace("SUM_VirtualBaseline::realized");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (!rep_->is_realized)
    return SUM_NOT_FOUND;
  out = rep_->realized;
  reused = rep_->reused;
  return SUM_OK;
}

int SUM_VirtualBaseline::any_name(SUM_String& out) const {
  SUM_Trace trace("SUM_VirtualBaseline::any_name");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  out.Format("%s in %s", rep_->component.any_name(), rep_->stream.any_name());
  return SUM_OK;
}

int SUM_VirtualBaseline::add_activity(const SUM_Activity& activity, unsigned count) {
  SUM_Trace trace("SUM_VirtualBaseline::add_activity");
  if (is_null() || activity.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int at = index_of(rep_->activities, activity);
  if (at < 0) {
    SUM_Activity copy(activity);
    copy.set_mod_count(count);
    rep_->activities.append(copy);
    return SUM_OK;
  }
  unsigned listed = 0;
  SUM_Activity& entry = rep_->activities[static_cast<unsigned>(at)];
  if (entry.mod_count(listed) == 0 && listed == count)
    imsg_print(IMSG_WARNING, sum_msg::UnchangedActivity, activity.any_fullname());
  else
    entry.set_mod_count(count);
  return SUM_OK;
}

int SUM_VirtualBaseline::compute_has_unrecorded_changes() {
  SUM_Trace trace("SUM_VirtualBaseline::compute_has_unrecorded_changes");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_ActivityList kept;
  for (unsigned i = 0; i < rep_->activities.count(); ++i) {
    int has = 0;
    if (int status = rep_->activities[i].has_change_set(has))
      return trace.checked(__LINE__, status);
    if (has)
      kept.append(rep_->activities[i]);
  }
  rep_->activities = kept;
  SUM_Baseline latest;
  SUM_ActivityList recorded;
  int status = latest_real_baseline(latest);
  if (status == 0)
    status = latest.change_sets(recorded);
  else if (status == SUM_NOT_FOUND)
    status = SUM_OK;
  if (status != 0)
    return trace.checked(__LINE__, status);
  int unrecorded = 0;
  for (unsigned i = 0; i < kept.count() && !unrecorded; ++i) {
    int at = index_of(recorded, kept[i]);
    if (at < 0) {
      unrecorded = 1;
      continue;
    }
    unsigned then = 0;
    unsigned now = 0;
    if ((status = recorded[static_cast<unsigned>(at)].mod_count(then)) != 0 ||
        (status = kept[i].mod_count(now)) != 0)
      return trace.checked(__LINE__, status);
    if (then != now &&
        (status = versions_between(kept[i], rep_->component, then, now, unrecorded)) != 0)
      return trace.checked(__LINE__, status);
  }
  rep_->has_unrecorded = unrecorded;
  return SUM_OK;
}

int SUM_VirtualBaseline::tl_ents_to_reorder(const SUM_Timeline& timeline,
                                            SUM_TimelineEntryList& out) const {
  SUM_Trace trace("SUM_VirtualBaseline::tl_ents_to_reorder");
  if (is_null() || timeline.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_TimelineEntryList moved;
  // Appended at the end, the new baseline follows every entry.
  if (rep_->position < 0) {
    out = moved;
    return SUM_OK;
  }
  int newest_baseline = -1;
  int newest_arc = -1;
  SUM_TimelineEntryList entries;
  int status = timeline.latest_interesting_ents(newest_baseline, newest_arc);
  if (status == 0)
    status = timeline.entries(entries);
  if (status != 0)
    return trace.checked(__LINE__, status);
  // Baselines placed after the position that record activities of this
  // virtual baseline build on it: they are moved after the new one.
  unsigned first = static_cast<unsigned>(rep_->position);
  for (unsigned i = first; i < entries.count() && static_cast<int>(i) <= newest_baseline; ++i) {
    if (entries[i].kind() != SUM_TimelineEntry::BASELINE)
      continue;
    SUM_ActivityList recorded;
    if ((status = SUM_Baseline(timeline.vob(), entries[i].dbid()).change_sets(recorded)) != 0)
      return trace.checked(__LINE__, status);
    bool shares = false;
    for (unsigned a = 0; a < recorded.count() && !shares; ++a)
      shares = index_of(rep_->activities, recorded[a]) >= 0;
    if (shares)
      moved.append(entries[i]);
  }
  out = moved;
  return SUM_OK;
}

int SUM_VirtualBaseline::existing_result(const SUM_Timeline& timeline,
                                         const SUM_BaselineList& dependencies, int identical,
                                         SUM_Baseline& out) const {
  if (identical)
    return SUM_OK;
  // A delivery recorded since the newest baseline (or, before the stream
  // made one, at all) brought in baselines that neither the newest baseline
  // nor the foundation holds: only a new baseline after it stands for the
  // stream, even when the delivery merged nothing.
  int delivered = 0;
  if (int status = timeline.delivery_after_latest_bl(delivered))
    return status;
  if (delivered)
    return SUM_OK;
  // The stream's own newest baseline comes first: once the stream made a
  // baseline of the component (with other members, say), the foundation no
  // longer stands for the component's state in the stream.
  SUM_Baseline candidate;
  int status = SUM_OK;
  if (!rep_->has_unrecorded) {
    status = timeline.latest_baseline(candidate);
    if (status == SUM_NOT_FOUND)
      status = SUM_OK;  // nothing made in the stream yet
  }
  if (status == 0 && candidate.is_null() && rep_->activities.count() == 0 && !fdn_reuse_disabled())
    status = timeline.foundation_baseline(candidate);
  if (status != 0 || candidate.is_null())
    return status;
  SUM_BaselineList members;
  int unavailable = 0;
  if ((status = candidate.dependencies(members, unavailable)) != 0)
    return status;
  if (!unavailable && same_baselines(members, dependencies))
    out = candidate;
  return SUM_OK;
}

int SUM_VirtualBaseline::realize(const char* name, const char* comment, int identical,
                                 SUM_Baseline& out) {
  SUM_Trace trace("SUM_VirtualBaseline::realize");
  if (is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  const SUM_Stream& home = rep_->stream;
  int read_only = 0;
  int status = home.is_read_only(read_only);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (read_only) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::ReadOnlyStream, home.any_fullname());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  // Refused before anything is written: a baseline changes its stream.
  if ((status = home.check_permission()) != 0)
    return trace.checked(__LINE__, status);
  if ((status = ensure_csets()) != 0)
    return trace.checked(__LINE__, status);
  // A member realized earlier gives its new baseline; one left out of the
  // realization keeps the stream's current baseline of its component.
  SUM_BaselineList dependencies;
  for (unsigned i = 0; i < rep_->dependencies.count(); ++i) {
    const SUM_VirtualBaselineRep& member = *rep_->dependencies[i].rep_;
    SUM_Baseline current = member.realized;
    if (!member.is_realized && sum_vbl_current_baseline(home, member.component, current) != 0)
      return sum_int_error(kSource, trace.name(), __LINE__);
    dependencies.append(current);
  }
  for (unsigned i = 0; i < rep_->fixed_dependencies.count(); ++i)
    dependencies.append(rep_->fixed_dependencies[i]);

  SUM_Project project;
  if ((status = home.project(project)) != 0)
    return trace.checked(__LINE__, status);
  SUM_TrigMkBl trigger(rep_->component, SUM_String(comment), home, project);
  if ((status = trigger.fire_preop()) != 0)
    return trace.checked(__LINE__, status);
  // Deciding whether a baseline is needed and making it is one transaction
  // of the project VOB, which holds its write lock throughout: concurrent
  // realizations in one stream run one after the other, and each later one
  // sees the baseline the earlier one made and reuses it.
  vob_write_group group(home.vob().handle());
  if ((status = group.status()) != 0)
    return trace.checked(__LINE__, status);
  SUM_Baseline made;
  int reused = 0;
  if ((status = decide_and_make(name, comment, identical, dependencies, made, reused)) != 0 ||
      (status = group.commit()) != 0)
    return trace.checked(__LINE__, status);
  rep_->realized = made;
  rep_->is_realized = 1;
  rep_->reused = reused;
  out = made;
  if (!reused)
    trigger.fire_postop(made);
  return SUM_OK;
}

int SUM_VirtualBaseline::decide_and_make(const char* name, const char* comment, int identical,
                                         const SUM_BaselineList& dependencies, SUM_Baseline& out,
                                         int& reused) {
  SUM_Trace trace("SUM_VirtualBaseline::decide_and_make");
  const SUM_Stream& home = rep_->stream;
  SUM_Timeline timeline;
  SUM_TimelineEntryList reorder;
  int status = home.component_timeline_autocreate(rep_->component, timeline);
  // What the stream recorded may have changed since the configuration was
  // read: asked again under the lock.
  if (status == 0 && !identical)
    status = compute_has_unrecorded_changes();
  if (status == 0)
    status = tl_ents_to_reorder(timeline, reorder);
  SUM_Baseline existing;
  if (status == 0)
    status = existing_result(timeline, dependencies, identical, existing);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!existing.is_null()) {
    out = existing;
    reused = 1;
    return SUM_OK;
  }
  status = SUM_Baseline::create_and_reorder(timeline, name, rep_->activities, dependencies, comment,
                                            0, rep_->position, reorder, out);
  reused = 0;
  return trace.checked(__LINE__, status);
}

// ---- SUM_BaselineVR -------------------------------------------------------------------

int SUM_BaselineVR::component(SUM_Component& out) const {
  SUM_Trace trace("SUM_BaselineVR::component");
  if (!virtual_.is_null())
    return trace.checked(__LINE__, virtual_.component(out));
  if (real_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, real_.component(out));
}

int SUM_BaselineVR::stream(SUM_Stream& out) const {
  SUM_Trace trace("SUM_BaselineVR::stream");
  if (!virtual_.is_null())
    return trace.checked(__LINE__, virtual_.stream(out));
  if (real_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return real_.stream(out);
}

int SUM_BaselineVR::change_sets(SUM_ActivityList& out) const {
  SUM_Trace trace("SUM_BaselineVR::change_sets");
  if (!virtual_.is_null())
    return trace.checked(__LINE__, virtual_.change_sets(out));
  if (real_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, real_.change_sets(out));
}
