// The baseline graph of a component: which baselines lead to which across
// the timelines of streams and the component's main timeline.
//
// A stream's timeline starts from a foundation baseline and receives further
// baselines through its later entries (foundation arcs added by rebases,
// entries recorded by deliveries): those are the contributing baselines of
// the entries. A baseline's ancestors are the baselines before it on its own
// timeline and, transitively, the baselines contributed to that timeline up
// to its entry. The questions below walk intervals of timeline entries
// (TimelineOffsetPair) rather than single baselines, and remember per
// timeline the highest offset already covered, so that each part of a
// timeline is expanded at most once per question.
//
// The main timeline of a component lists every baseline of the component in
// creation order; offsets there say nothing about ancestry, so an interval
// on the main timeline only ever matches a baseline exactly.
//
// Contracts: status returns as everywhere in the library; a null handle is
// an internal error (1072). Timeline entries and contributions are memoised
// in caches that live while a SUM_CacheControl scope is open.
#ifndef SUM_SUM_BASELINE_GRAPH_H
#define SUM_SUM_BASELINE_GRAPH_H

#include "sum/sum_baseline.h"
#include "sum/sum_hash_tab.h"
#include "sum/sum_lists.h"
#include "sum/sum_timeline.h"

class SUM_Stream;

// An interval of a timeline's entries, offsets `from` to `to` included.
class TimelineOffsetPair {
 public:
  TimelineOffsetPair() = default;
  TimelineOffsetPair(const SUM_Timeline& timeline, int from, int to)
      : timeline(timeline), from(from), to(to) {}
  bool operator==(const TimelineOffsetPair& other) const {
    return timeline == other.timeline && from == other.from && to == other.to;
  }
  bool operator!=(const TimelineOffsetPair& other) const { return !(*this == other); }

  SUM_Timeline timeline;
  int from = 0;
  int to = -1;
};

// Per timeline, the highest entry offset already covered.
using SUM_TimelineOffsetTable = SUM_HashTab<SUM_Timeline, int>;

// The state of one graph question; built per call.
class SUM_BaselineGraph {
 public:
  SUM_BaselineGraph() : visited_(32) {}

  // `result` 1 when `a` is one of `candidates` or an ancestor of one of
  // them, else 0 (no candidates: 0).
  static int is_ancestor_of(const SUM_Baseline& a, const SUM_BaselineList& candidates, int& result);
  // `result` 1 when `a` has reached `stream`: is an ancestor of the stream's
  // latest baseline of a's component or of a baseline contributed to the
  // stream's timeline after it. A stream without a timeline of the
  // component answers for its foundation baseline of it (none: 0).
  static int has_flowed_to(const SUM_Baseline& a, const SUM_Stream& stream, int& result);

  // `result` 1 when `a` and `b`, baselines of one component, have a common
  // ancestor (either may be it), else 0. Both searches run alternately from
  // the two baselines and stop at the first timeline interval both cover.
  // Two baselines of one stream timeline answer 1 at once. Baselines of the
  // component's main timeline (initial and imported ones) have no ancestor
  // but themselves. Baselines of different components are 1072.
  static int has_common_ancestor(const SUM_Baseline& a, const SUM_Baseline& b, int& result);
  // The chain of foundations under entry `offset` of `timeline`: the entry
  // itself, then for each foundation baseline in force there (the nearest
  // foundation arc at or before the offset) its timeline and offset, down to
  // a baseline of the component's main timeline. Entered into `table`
  // (timeline to offset); a timeline without a foundation arc there ends the
  // chain.
  static int tl_pred_ht(const SUM_Timeline& timeline, int offset, SUM_TimelineOffsetTable& table);

  // The entries of `timeline`, oldest first (memoised per timeline).
  static int timeline_entries(const SUM_Timeline& timeline, SUM_TimelineEntryList& out);
  // The index of `baseline`'s entry among `entries`, or -1.
  static int timeline_offset(const SUM_Baseline& baseline, const SUM_TimelineEntryList& entries);
  // The index of the first baseline entry after `index`, or -1.
  static int timeline_successor(const SUM_TimelineEntryList& entries, int index);
  // The timeline `baseline` lies on and its offset there (1072 when the
  // timeline does not list it).
  static int position(const SUM_Baseline& baseline, SUM_Timeline& timeline, int& offset);
  // As above, also giving the timeline's entries (replacing `entries`).
  static int position(const SUM_Baseline& baseline, SUM_Timeline& timeline, int& offset,
                      SUM_TimelineEntryList& entries);
  // The baselines that entries `from` to `to` (clipped to the list) brought
  // into their timeline, in entry order, replacing `out`. Baseline entries
  // bring nothing; an entry whose contribution cannot be told (1002 from
  // SUM_TimelineEntry::baseline) is skipped.
  static int contributing_baselines(const SUM_TimelineEntryList& entries, int from, int to,
                                    SUM_BaselineList& out);
  // For each baseline its timeline and offset: `table` keeps the highest
  // offset per timeline, and `pairs` gets one (timeline, 0, highest offset)
  // interval per timeline, in order of first appearance, replacing it.
  static int baselines_to_timeline_ht(const SUM_BaselineList& baselines,
                                      SUM_TimelineOffsetTable& table,
                                      TimelineOffsetPairList& pairs);
  // The intervals of the timelines whose baselines `pair` received,
  // replacing `pairs`.
  static int gather_contributing_tl_intervals(const TimelineOffsetPair& pair,
                                              TimelineOffsetPairList& pairs);

 private:
  // The walk of is_ancestor_of from the candidates' intervals in `work`.
  int search(const SUM_Baseline& a, TimelineOffsetPairList& work, int& result);
  // Appends to `work` the gathered intervals of `pair` not yet covered.
  int expand(const TimelineOffsetPair& pair, TimelineOffsetPairList& work);

  SUM_TimelineOffsetTable visited_;
};

// Graph questions about lists of baselines, one question per component.
class SUM_BaselineGraphs {
 public:
  // `result` 1 when, for every component with a baseline in both `a` and
  // `b`, the two baselines have a common ancestor
  // (SUM_BaselineGraph::has_common_ancestor), else 0. Components in one list
  // only take no part; lists sharing no component answer 1.
  static int has_common_ancestor(const SUM_BaselineList& a, const SUM_BaselineList& b, int& result);
};

#endif  // SUM_SUM_BASELINE_GRAPH_H
