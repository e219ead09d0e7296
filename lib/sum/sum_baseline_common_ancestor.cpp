// SUM_BaselineGraph: whether two baselines of a component have a common
// ancestor, and the foundation chain of a timeline entry.
//
// Each side of the question keeps what it has reached: per stream timeline
// the highest entry offset covered (entries 0 to that offset are ancestors
// of its baseline), and the baselines of the main timeline reached, which
// match only exactly. The two sides are advanced one interval at a time in
// turn; a stream timeline that both cover shares its first entry, so the
// answer is yes as soon as one side reaches a timeline the other covers, or
// a main-timeline baseline the other holds.
#include "sum/sum_baseline_graph.h"
#include "sum/sum_cache_control.h"
#include "sum/sum_component.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_baseline_common_ancestor";

// What one side of the search has reached, and what it has still to expand.
struct Side {
  Side() : covered(32) {}
  SUM_TimelineOffsetTable covered;
  SUM_BaselineList main_reached;
  TimelineOffsetPairList work;
};

// Whether `side` has reached the stream timeline `timeline` at all.
bool reaches(const Side& side, const SUM_Timeline& timeline) {
  return side.covered.lookup(timeline) != nullptr;
}

// Records that `side` reached `baseline`, found at `offset` of `timeline`
// (`main` when that is the component's main timeline). `met` 1 when the
// other side reached the same place.
void reach(Side& side, const Side& other, const SUM_Baseline& baseline,
           const SUM_Timeline& timeline, int offset, int main, int& met) {
  if (main) {
    if (other.main_reached.find(baseline) >= 0)
      met = 1;
    if (side.main_reached.find(baseline) < 0)
      side.main_reached.append(baseline);
    return;
  }
  if (reaches(other, timeline))
    met = 1;
  const int* highest = side.covered.lookup(timeline);
  if (highest != nullptr && *highest >= offset)
    return;
  int from = highest != nullptr ? *highest + 1 : 0;
  side.covered.enter(timeline, offset);
  side.work.append(TimelineOffsetPair(timeline, from, offset));
}

// Where `baseline` lies, and whether that is `main`.
int place(const SUM_Baseline& baseline, const SUM_Timeline& main, SUM_Timeline& timeline,
          int& offset, int& is_main) {
  int status = SUM_BaselineGraph::position(baseline, timeline, offset);
  is_main = timeline == main ? 1 : 0;
  return status;
}

// Expands the first interval of `side`'s work: each baseline its entries
// brought in is reached.
int step(Side& side, const Side& other, const SUM_Timeline& main, int& met) {
  TimelineOffsetPair pair = side.work[0];
  side.work.remove(0);
  SUM_TimelineEntryList entries;
  SUM_BaselineList received;
  int status = SUM_BaselineGraph::timeline_entries(pair.timeline, entries);
  if (status == 0)
    status = SUM_BaselineGraph::contributing_baselines(entries, pair.from, pair.to, received);
  for (unsigned i = 0; status == 0 && i < received.count() && !met; ++i) {
    SUM_Timeline timeline;
    int offset = -1;
    int is_main = 0;
    if ((status = place(received[i], main, timeline, offset, is_main)) == 0)
      reach(side, other, received[i], timeline, offset, is_main, met);
  }
  return status;
}

}  // namespace

int SUM_BaselineGraph::has_common_ancestor(const SUM_Baseline& a, const SUM_Baseline& b,
                                           int& result) {
  SUM_Trace trace("SUM_BaselineGraph::has_common_ancestor");
  if (a.is_null() || b.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_CacheControl scope(0);
  SUM_Component component, b_component;
  int status = a.component(component);
  if (status == 0)
    status = b.component(b_component);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (component != b_component)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Timeline main(component.vob(), component.dbid());
  Side sides[2];
  const SUM_Baseline* starts[2] = {&a, &b};
  int met = 0;
  for (int s = 0; s < 2 && !met; ++s) {
    SUM_Timeline timeline;
    int offset = -1;
    int is_main = 0;
    if ((status = place(*starts[s], main, timeline, offset, is_main)) != 0)
      return trace.checked(__LINE__, status);
    reach(sides[s], sides[1 - s], *starts[s], timeline, offset, is_main, met);
  }
  for (int s = 0; !met && (sides[0].work.count() > 0 || sides[1].work.count() > 0); s = 1 - s) {
    if (sides[s].work.count() == 0)
      continue;
    trace.info(2, "side %d expands interval of timeline %u: %d..%d", s,
               sides[s].work[0].timeline.dbid(), sides[s].work[0].from, sides[s].work[0].to);
    if ((status = step(sides[s], sides[1 - s], main, met)) != 0)
      return trace.checked(__LINE__, status);
  }
  result = met;
  return SUM_OK;
}

int SUM_BaselineGraph::tl_pred_ht(const SUM_Timeline& timeline, int offset,
                                  SUM_TimelineOffsetTable& table) {
  SUM_Trace trace("SUM_BaselineGraph::tl_pred_ht");
  if (timeline.is_null() || offset < 0)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Timeline at = timeline;
  int at_offset = offset;
  for (;;) {
    const int* known = table.lookup(at);
    if (known != nullptr && *known >= at_offset)
      return SUM_OK;  // the rest of the chain is already entered
    table.enter(at, at_offset);
    int main = 0;
    SUM_TimelineEntryList entries;
    int status = at.is_main(main);
    if (status == 0 && !main)
      status = timeline_entries(at, entries);
    if (status != 0)
      return trace.checked(__LINE__, status);
    if (main)
      return SUM_OK;
    int arc = -1;
    for (int i = at_offset; i >= 0 && arc < 0; --i)
      if (i < static_cast<int>(entries.count()) &&
          entries[static_cast<unsigned>(i)].kind() == SUM_TimelineEntry::FOUNDATION_ARC)
        arc = i;
    if (arc < 0)
      return SUM_OK;
    SUM_Baseline foundation;
    if ((status = entries[static_cast<unsigned>(arc)].baseline(foundation)) != 0)
      return trace.checked(__LINE__, status);
    if ((status = position(foundation, at, at_offset)) != 0)
      return trace.checked(__LINE__, status);
  }
}

int SUM_Baseline::has_common_ancestor(const SUM_Baseline& other, int& result) const {
  SUM_Trace trace("SUM_Baseline::has_common_ancestor");
  return trace.checked(__LINE__, SUM_BaselineGraph::has_common_ancestor(*this, other, result));
}

int SUM_BaselineGraphs::has_common_ancestor(const SUM_BaselineList& a, const SUM_BaselineList& b,
                                            int& result) {
  SUM_Trace trace("SUM_BaselineGraphs::has_common_ancestor");
  SUM_CacheControl scope(0);
  result = 1;
  for (unsigned i = 0; i < a.count() && result; ++i) {
    SUM_Component of_a;
    int status = a[i].component(of_a);
    for (unsigned j = 0; status == 0 && j < b.count(); ++j) {
      SUM_Component of_b;
      if ((status = b[j].component(of_b)) != 0 || of_a != of_b)
        continue;
      status = SUM_BaselineGraph::has_common_ancestor(a[i], b[j], result);
      break;
    }
    if (status != 0)
      return trace.checked(__LINE__, status);
  }
  return SUM_OK;
}
