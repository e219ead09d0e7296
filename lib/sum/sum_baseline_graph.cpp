// SUM_BaselineGraph: the ancestor and flow questions on a component's
// baseline graph; and the graph questions of SUM_Baseline (ancestry, flow,
// neighbours on timelines, delivery).
#include "sum/sum_baseline_graph.h"

#include <vector>

#include "services/vob_hlink.h"
#include "sum/sum_cache.h"
#include "sum/sum_cache_control.h"
#include "sum/sum_component.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_baseline_graph";

// Entries of timelines already read in the current cache scope.
SUM_Cache<SUM_Timeline, SUM_TimelineEntryList>& entries_cache() {
  static auto* cache = new SUM_Cache<SUM_Timeline, SUM_TimelineEntryList>("Timeline_entries", 0);
  return *cache;
}

// The baseline each non-baseline entry (keyed by the entry's object in its
// timeline's VOB) contributes, in the current cache scope.
SUM_Cache<SUM_VobObject, SUM_Baseline>& contribution_cache() {
  static auto* cache = new SUM_Cache<SUM_VobObject, SUM_Baseline>("Entry_contribution", 0);
  return *cache;
}

// The component's main timeline.
SUM_Timeline main_timeline_of(const SUM_Component& component) {
  return SUM_Timeline(component.vob(), component.dbid());
}

// Whether `timeline` already covers `offset` in `table`.
bool covered(const SUM_TimelineOffsetTable& table, const SUM_Timeline& timeline, int offset) {
  const int* highest = table.lookup(timeline);
  return highest != nullptr && *highest >= offset;
}

// The baseline `entry` brought into its timeline: `has` 0 for a baseline
// entry or an entry whose contribution cannot be told.
int entry_contribution(const SUM_TimelineEntry& entry, SUM_Baseline& out, int& has) {
  has = 0;
  if (entry.kind() == SUM_TimelineEntry::BASELINE)
    return SUM_OK;
  SUM_Timeline timeline;
  int status = entry.timeline(timeline);
  if (status != 0)
    return status;
  SUM_VobObject key(timeline.vob(), entry.dbid());
  if (contribution_cache().lookup(key, out)) {
    has = 1;
    return SUM_OK;
  }
  status = entry.baseline(out);
  if (status == SUM_NOT_FOUND)
    return SUM_OK;
  if (status == 0) {
    contribution_cache().enter(key, out);
    has = 1;
  }
  return status;
}

}  // namespace

// ---- building blocks ------------------------------------------------------------------

int SUM_BaselineGraph::timeline_entries(const SUM_Timeline& timeline, SUM_TimelineEntryList& out) {
  SUM_Trace trace("SUM_BaselineGraph::timeline_entries");
  if (timeline.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (entries_cache().lookup(timeline, out))
    return SUM_OK;
  SUM_TimelineEntryList read;
  int status = timeline.entries(read);
  if (status != 0)
    return trace.checked(__LINE__, status);
  entries_cache().enter(timeline, read);
  out = read;
  return SUM_OK;
}

int SUM_BaselineGraph::timeline_offset(const SUM_Baseline& baseline,
                                       const SUM_TimelineEntryList& entries) {
  // Entries name baselines of their timeline's VOB.
  SUM_Timeline timeline;
  if (entries.count() == 0 || entries[0].timeline(timeline) != 0 ||
      timeline.vob() != baseline.vob())
    return -1;
  for (unsigned i = 0; i < entries.count(); ++i)
    if (entries[i].kind() == SUM_TimelineEntry::BASELINE && entries[i].dbid() == baseline.dbid())
      return static_cast<int>(i);
  return -1;
}

int SUM_BaselineGraph::timeline_successor(const SUM_TimelineEntryList& entries, int index) {
  for (unsigned i = index < 0 ? 0 : static_cast<unsigned>(index) + 1; i < entries.count(); ++i)
    if (entries[i].kind() == SUM_TimelineEntry::BASELINE)
      return static_cast<int>(i);
  return -1;
}

int SUM_BaselineGraph::position(const SUM_Baseline& baseline, SUM_Timeline& timeline, int& offset) {
  SUM_TimelineEntryList entries;
  return position(baseline, timeline, offset, entries);
}

int SUM_BaselineGraph::position(const SUM_Baseline& baseline, SUM_Timeline& timeline, int& offset,
                                SUM_TimelineEntryList& entries) {
  SUM_Trace trace("SUM_BaselineGraph::position");
  if (baseline.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Timeline on;
  int status = baseline.timeline(on);
  if (status == 0)
    status = timeline_entries(on, entries);
  if (status != 0)
    return trace.checked(__LINE__, status);
  int at = timeline_offset(baseline, entries);
  // Every baseline has the entry its creation made.
  if (at < 0)
    return sum_int_error(kSource, trace.name(), __LINE__);
  timeline = on;
  offset = at;
  return SUM_OK;
}

int SUM_BaselineGraph::contributing_baselines(const SUM_TimelineEntryList& entries, int from,
                                              int to, SUM_BaselineList& out) {
  SUM_Trace trace("SUM_BaselineGraph::contributing_baselines");
  SUM_BaselineList found;
  int last = static_cast<int>(entries.count()) - 1;
  for (int i = from < 0 ? 0 : from; i <= to && i <= last; ++i) {
    SUM_Baseline contributed;
    int has = 0;
    int status = entry_contribution(entries[static_cast<unsigned>(i)], contributed, has);
    if (status != 0)
      return trace.checked(__LINE__, status);
    if (has)
      found.append(contributed);
  }
  out = found;
  return SUM_OK;
}

int SUM_BaselineGraph::baselines_to_timeline_ht(const SUM_BaselineList& baselines,
                                                SUM_TimelineOffsetTable& table,
                                                TimelineOffsetPairList& pairs) {
  SUM_Trace trace("SUM_BaselineGraph::baselines_to_timeline_ht");
  TimelineOffsetPairList made;
  for (unsigned i = 0; i < baselines.count(); ++i) {
    SUM_Timeline timeline;
    int offset = -1;
    int status = position(baselines[i], timeline, offset);
    if (status != 0)
      return trace.checked(__LINE__, status);
    if (covered(table, timeline, offset))
      continue;
    table.enter(timeline, offset);
    bool merged = false;
    for (unsigned j = 0; j < made.count() && !merged; ++j)
      if (made[j].timeline == timeline) {
        made[j].to = offset;
        merged = true;
      }
    if (!merged)
      made.append(TimelineOffsetPair(timeline, 0, offset));
  }
  pairs = made;
  return SUM_OK;
}

int SUM_BaselineGraph::gather_contributing_tl_intervals(const TimelineOffsetPair& pair,
                                                        TimelineOffsetPairList& pairs) {
  SUM_Trace trace("SUM_BaselineGraph::gather_contributing_tl_intervals");
  SUM_TimelineEntryList entries;
  SUM_BaselineList received;
  int status = timeline_entries(pair.timeline, entries);
  if (status == 0)
    status = contributing_baselines(entries, pair.from, pair.to, received);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_TimelineOffsetTable highest(32);
  return trace.checked(__LINE__, baselines_to_timeline_ht(received, highest, pairs));
}

// ---- the questions --------------------------------------------------------------------

int SUM_BaselineGraph::expand(const TimelineOffsetPair& pair, TimelineOffsetPairList& work) {
  TimelineOffsetPairList gathered;
  int status = gather_contributing_tl_intervals(pair, gathered);
  if (status != 0)
    return status;
  for (unsigned i = 0; i < gathered.count(); ++i) {
    const TimelineOffsetPair& next = gathered[i];
    if (covered(visited_, next.timeline, next.to))
      continue;
    visited_.enter(next.timeline, next.to);
    work.append(next);
  }
  return SUM_OK;
}

int SUM_BaselineGraph::search(const SUM_Baseline& a, TimelineOffsetPairList& work, int& result) {
  SUM_Trace trace("SUM_BaselineGraph::search");
  SUM_Timeline a_timeline;
  int a_offset = -1;
  SUM_Component component;
  int status = position(a, a_timeline, a_offset);
  if (status == 0)
    status = a.component(component);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_Timeline main = main_timeline_of(component);
  TimelineOffsetPair a_position(a_timeline, 0, a_offset);
  while (work.count() > 0) {
    TimelineOffsetPair pair = work[0];
    work.remove(0);
    trace.info(2, "interval %u: %d..%d", pair.timeline.dbid(), pair.from, pair.to);
    if (pair == a_position) {
      result = 1;
      return SUM_OK;
    }
    if (pair.timeline == a_timeline) {
      if (a_timeline == main) {
        result = 0;
        return SUM_OK;
      }
      if (a_offset < 0 || pair.to < 0)
        return sum_int_error(kSource, trace.name(), __LINE__);
      if (a_offset <= pair.to) {
        result = 1;
        return SUM_OK;
      }
      continue;
    }
    if (pair.timeline == main)
      continue;
    if ((status = expand(pair, work)) != 0)
      return trace.checked(__LINE__, status);
  }
  result = 0;
  return SUM_OK;
}

int SUM_BaselineGraph::is_ancestor_of(const SUM_Baseline& a, const SUM_BaselineList& candidates,
                                      int& result) {
  SUM_Trace trace("SUM_BaselineGraph::is_ancestor_of");
  if (a.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  for (unsigned i = 0; i < candidates.count(); ++i)
    if (candidates[i].is_null())
      return sum_int_error(kSource, trace.name(), __LINE__);
  if (candidates.count() == 0) {
    result = 0;
    return SUM_OK;
  }
  SUM_CacheControl scope(0);
  SUM_BaselineGraph graph;
  TimelineOffsetPairList work;
  int status = baselines_to_timeline_ht(candidates, graph.visited_, work);
  if (status == 0)
    status = graph.search(a, work, result);
  return trace.checked(__LINE__, status);
}

int SUM_BaselineGraph::has_flowed_to(const SUM_Baseline& a, const SUM_Stream& stream, int& result) {
  SUM_Trace trace("SUM_BaselineGraph::has_flowed_to");
  if (a.is_null() || stream.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_CacheControl scope(0);
  SUM_Component component;
  SUM_Timeline timeline;
  int status = a.component(component);
  if (status == 0)
    status = stream.component_timeline(component, timeline);
  if (status == SUM_NOT_FOUND) {
    SUM_Baseline foundation;
    status = stream.baseline_util(component, 0, foundation);
    if (status == SUM_NOT_FOUND) {
      result = 0;
      return SUM_OK;
    }
    if (status != 0)
      return trace.checked(__LINE__, status);
    SUM_BaselineList only(1);
    only[0] = foundation;
    return trace.checked(__LINE__, is_ancestor_of(a, only, result));
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_TimelineEntryList entries;
  SUM_Baseline latest;
  if ((status = timeline_entries(timeline, entries)) != 0)
    return trace.checked(__LINE__, status);
  status = timeline.latest_baseline(latest);
  if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  SUM_BaselineList candidates;
  int from = 0;
  if (status == 0) {
    candidates.append(latest);
    from = timeline_offset(latest, entries);
  }
  SUM_BaselineList contributed;
  status =
      contributing_baselines(entries, from, static_cast<int>(entries.count()) - 1, contributed);
  if (status != 0)
    return trace.checked(__LINE__, status);
  for (unsigned i = 0; i < contributed.count(); ++i)
    candidates.append(contributed[i]);
  return trace.checked(__LINE__, is_ancestor_of(a, candidates, result));
}

// ---- SUM_Baseline: the graph questions ---------------------------------------------------

int SUM_Baseline::is_ancestor_of(const SUM_BaselineList& candidates, int& result) const {
  SUM_Trace trace("SUM_Baseline::is_ancestor_of");
  return trace.checked(__LINE__, SUM_BaselineGraph::is_ancestor_of(*this, candidates, result));
}

int SUM_Baseline::has_flowed_to(const SUM_Stream& stream, int& result) const {
  SUM_Trace trace("SUM_Baseline::has_flowed_to");
  return trace.checked(__LINE__, SUM_BaselineGraph::has_flowed_to(*this, stream, result));
}

int SUM_Baseline::predecessors(SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_Baseline::predecessors");
  SUM_Timeline on;
  int offset = -1;
  int status = SUM_BaselineGraph::position(*this, on, offset);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, on.baseline_predecessors(offset, out));
}

int SUM_Baseline::nearest_predecessor(SUM_Baseline& out) const {
  SUM_Trace trace("SUM_Baseline::nearest_predecessor");
  SUM_Timeline on;
  int offset = -1;
  int main = 0;
  SUM_TimelineEntryList entries;
  int status = SUM_BaselineGraph::position(*this, on, offset, entries);
  if (status == 0)
    status = on.is_main(main);
  if (status != 0)
    return trace.checked(__LINE__, status);
  // The main timeline lists baselines of every timeline: its order makes no
  // predecessors.
  if (main)
    return SUM_NOT_FOUND;
  for (int i = offset - 1; i >= 0; --i) {
    const SUM_TimelineEntry& entry = entries[static_cast<unsigned>(i)];
    if (entry.kind() == SUM_TimelineEntry::BASELINE ||
        entry.kind() == SUM_TimelineEntry::FOUNDATION_ARC)
      return trace.checked(__LINE__, entry.baseline(out));
  }
  return SUM_NOT_FOUND;
}

namespace {

// The timelines whose entries contributed `baseline`: the timelines with a
// foundation arc to it and those a delivery recorded it on, each once.
int timelines_receiving(const SUM_Baseline& baseline, SUM_TimelineList& out) {
  SUM_TimelineList found;
  const struct {
    vob_wkobj_t type;
    int direction;
  } links[] = {{VOB_WK_HLTYPE_FOUNDATION, 0}, {VOB_WK_HLTYPE_TIMELINE_CONTRIB, 1}};
  for (const auto& link : links) {
    std::vector<vob_hlink_end_t> ends;
    int status = vob_obj_list_hlinks(baseline.vob().handle(), baseline.dbid(), link.type,
                                     link.direction, ends);
    if (status != 0)
      return status;
    for (const vob_hlink_end_t& end : ends) {
      if (end.broken || end.other_vob == nullptr)
        continue;
      SUM_Timeline timeline =
          SUM_Timeline::convert(SUM_VobObject(SUM_Vob(end.other_vob), end.other));
      if (!timeline.is_null() && found.find(timeline) < 0)
        found.append(timeline);
    }
  }
  out = found;
  return SUM_OK;
}

// Appends to `out` the baselines that follow the entries of `timeline` that
// contributed `baseline`, skipping those already listed.
int successors_on(const SUM_Timeline& timeline, const SUM_Baseline& baseline,
                  SUM_BaselineList& out) {
  SUM_TimelineEntryList entries;
  int status = SUM_BaselineGraph::timeline_entries(timeline, entries);
  if (status != 0)
    return status;
  for (unsigned i = 0; i < entries.count(); ++i) {
    SUM_Baseline contributed;
    int has = 0;
    if ((status = entry_contribution(entries[i], contributed, has)) != 0)
      return status;
    if (!has || contributed != baseline)
      continue;
    int next = SUM_BaselineGraph::timeline_successor(entries, static_cast<int>(i));
    SUM_Baseline follower;
    if (next >= 0 && (status = entries[static_cast<unsigned>(next)].baseline(follower)) != 0)
      return status;
    if (next >= 0 && out.find(follower) < 0)
      out.append(follower);
  }
  return SUM_OK;
}

}  // namespace

int SUM_Baseline::successors(SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_Baseline::successors");
  SUM_CacheControl scope(0);
  SUM_Timeline on;
  int offset = -1;
  int main = 0;
  SUM_TimelineEntryList entries;
  int status = SUM_BaselineGraph::position(*this, on, offset, entries);
  if (status == 0)
    status = on.is_main(main);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_BaselineList found;
  // As for predecessors, the main timeline's order makes no successors.
  int next = main ? -1 : SUM_BaselineGraph::timeline_successor(entries, offset);
  if (next >= 0)
    found.append(SUM_Baseline(vob_, entries[static_cast<unsigned>(next)].dbid()));
  SUM_TimelineList receiving;
  if ((status = timelines_receiving(*this, receiving)) != 0)
    return trace.checked(__LINE__, status);
  for (unsigned i = 0; i < receiving.count(); ++i)
    if ((status = successors_on(receiving[i], *this, found)) != 0)
      return trace.checked(__LINE__, status);
  out = found;
  return SUM_OK;
}

int SUM_Baseline::timelines_contributed_to(SUM_TimelineList& out) const {
  SUM_Trace trace("SUM_Baseline::timelines_contributed_to");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, timelines_receiving(*this, out));
}

int SUM_Baseline::has_been_delivered(int& result) const {
  SUM_Trace trace("SUM_Baseline::has_been_delivered");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  // A delivery records the baseline's contribution to the target's timeline
  // as a link from the baseline.
  std::vector<vob_hlink_end_t> ends;
  int status = vob_obj_list_hlinks(vob_.handle(), dbid_, VOB_WK_HLTYPE_TIMELINE_CONTRIB, 1, ends);
  if (status != 0)
    return trace.checked(__LINE__, status);
  int delivered = 0;
  for (const vob_hlink_end_t& end : ends)
    delivered = delivered || (!end.broken && end.other_vob != nullptr);
  result = delivered;
  return SUM_OK;
}
