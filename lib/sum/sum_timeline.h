// SUM_Timeline and SUM_TimelineEntry: the ordered history of one component in
// one stream, or a component's own main timeline.
//
// A stream's timeline (metatype 40, or an activity-like object of the PVOB's
// timeline type) is placed in its stream and names its component in the
// process variable "SUM_Timeline_Component" (the component's universal
// selector). Its entries are, oldest first: foundation arcs (the entry's
// object is a "Foundation" hyperlink, well-known type 32, from the timeline
// to the foundation baseline taken at that point, which may lie in another
// VOB), baseline entries (a baseline made in the stream) and delivery
// entries (kind 2: a "TimelineContribution" hyperlink, well-known type 23,
// from a baseline delivered into the stream to this timeline, recorded by
// SUM_Stream::record_deliver). The main
// timeline of a component is the component object itself viewed as a
// timeline (is_main); its entries are the component's baselines, each a
// baseline entry.
//
// Contracts: value handles; a null handle records an internal error and
// returns 1072; out-parameters are filled only on success; "not found"
// answers 1002; repository failures pass up.
#ifndef SUM_SUM_TIMELINE_H
#define SUM_SUM_TIMELINE_H

#include <vector>

#include "sum/sum_activity_base.h"
#include "sum/sum_baseline.h"
#include "sum/sum_handle_kind.h"
#include "sum/sum_lists.h"
#include "sum/sum_plevel.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"

class SUM_Component;
class SUM_Stream;

class SUM_Timeline : public SUM_NamedObject {
 public:
  static constexpr SUM_HandleKind handle_kind = SUM_HandleKind::TIMELINE;
  // The process variable naming a stream timeline's component.
  static constexpr const char* kComponentPvar = "SUM_Timeline_Component";
  // Operation code of timeline events (a foundation arc or a duplicate entry).
  static constexpr int kOpDuplicateEntry = 114;

  class Iter;

  SUM_Timeline() = default;
  SUM_Timeline(const SUM_Vob& vob, tbs_dbid_t dbid) : SUM_NamedObject(vob, dbid) {}

  // The timeline for the same object (a stream timeline or a component),
  // else a null handle.
  static SUM_Timeline convert(const SUM_VobObject& obj) {
    return sum_convert_as<SUM_Timeline>(obj);
  }

  // Makes the timeline of `component` in `stream` whose first entry is a
  // foundation arc to `foundation`; a failure after the object exists
  // removes it again.
  static int create(const SUM_Component& component, const SUM_Stream& stream,
                    const SUM_Baseline& foundation, const char* comment, SUM_Timeline& out);
  // A new walk over the stream timelines of `vob`, in creation order; owned
  // by the caller.
  static Iter* timelines_in_vob(const SUM_Vob& vob);

  // Whether removal is allowed: exactly one entry, a foundation arc.
  int ok_to_destroy(int& ok) const;
  // Removes the timeline when ok_to_destroy allows it ("Deleting Timeline");
  // otherwise does nothing. Makes this handle null when removed.
  int destroy();

  int is_main(int& result) const;
  // The component: the handle itself for a main timeline, else the one the
  // process variable names (kept in the "Timeline_to_component" cache).
  int component(SUM_Component& out) const;
  // The stream; 1002 for a main timeline.
  int stream(SUM_Stream& out) const;

  // The entries, oldest first, replacing `out`.
  int entries(SUM_TimelineEntryList& out) const;
  // The baselines of the baseline entries, oldest first.
  int baselines(SUM_BaselineList& out) const;
  // The baseline of the last foundation arc (main timeline: 1002; none on a
  // stream timeline: general message 59, 1001).
  int foundation_baseline(SUM_Baseline& out) const;
  // The foundation baseline in force when `baseline` was made: the nearest
  // foundation arc before its entry (none: general 60 on a main timeline, 59
  // otherwise; 1002).
  int fdn_bl_at_bl(const SUM_Baseline& baseline, SUM_Baseline& out) const;
  // As fdn_bl_at_bl, searching back from entry index `offset`.
  int fdn_bl_at_offset(int offset, SUM_Baseline& out) const;
  // The newest baseline; with `level`, the newest whose promotion level is
  // not below it; with `labeled_only`, the newest labeled one. 1002 when none.
  int latest_baseline(SUM_Baseline& out) const;
  int latest_baseline(const SUM_PLevel& level, SUM_Baseline& out) const;
  int latest_baseline(const SUM_PLevel& level, int labeled_only, SUM_Baseline& out) const;
  // Indexes of the newest baseline entry (-1 when none) and of the newest
  // foundation arc (none: general message 59, 1001).
  int latest_interesting_ents(int& baseline_index, int& arc_index) const;
  // The baselines of the baseline entries before `index` (-1: all).
  int baseline_predecessors(int index, SUM_BaselineList& out) const;
  // Fills `out` (cleared first) with each baseline of a baseline entry and
  // the index of its entry, so that callers placing many baselines on the
  // timeline read its entries once.
  int baseline_index(SUM_HashTab<SUM_Baseline, int>& out) const;
  // Whether a foundation arc follows the newest baseline entry.
  int arc_after_latest_bl(int& result) const;
  int foundation_arc_after_latest_bl(int& result) const;
  // Whether a delivery entry (kind 2) follows the newest baseline entry, or
  // comes anywhere when the timeline has no baseline entry: the stream then
  // holds baselines that none of its own baselines holds.
  int delivery_after_latest_bl(int& result) const;
  // Whether, going back from `baseline`'s entry to the previous baseline
  // entry, a foundation arc comes first.
  int arc_after_pred_bl(const SUM_Baseline& baseline, int& result) const;
  // Appends a foundation arc entry (raw kind 1) for the existing object
  // `arc`; only for the timeline of a rootless component (else 1072).
  int create_duplicate_entry(tbs_dbid_t arc) const;
  // Appends a new foundation arc to `baseline` (a "Foundation" hyperlink
  // and its entry).
  int add_foundation_arc(const SUM_Baseline& baseline, const char* comment) const;
  // Removes the entries from index `from` on, all foundation arcs, with
  // their hyperlinks, in one repository write (a baseline entry among them:
  // 1001 after a message). The first entry always stays (1072 for 0).
  int remove_arcs_from(unsigned from, const char* comment) const;
};

// One entry of a timeline, copied from the repository.
class SUM_TimelineEntry {
 public:
  enum Kind {
    FOUNDATION_ARC = 1,
    KIND_2 = 2,
    BASELINE = 3,
  };

  SUM_TimelineEntry() = default;
  SUM_TimelineEntry(const SUM_Timeline& timeline, long etime, int raw_kind, tbs_dbid_t dbid)
      : timeline_(timeline), etime_(etime), raw_kind_(raw_kind), dbid_(dbid) {}

  // FOUNDATION_ARC for raw code 1, 2 for 2, BASELINE for anything else.
  int kind() const;
  int raw_kind() const { return raw_kind_; }
  long etime() const { return etime_; }
  tbs_dbid_t dbid() const { return dbid_; }
  // The entry's baseline: a baseline entry's object, the target of a
  // foundation arc's hyperlink (possibly in another VOB), or the delivered
  // baseline a kind 2 entry's delivery hyperlink comes from. A kind 2 entry
  // naming anything else, or whose baseline no longer exists, is 1002
  // (nothing to tell); a foundation arc whose target cannot be read prints
  // general message 65 and fails.
  int baseline(SUM_Baseline& out) const;
  int timeline(SUM_Timeline& out) const;

  bool operator==(const SUM_TimelineEntry& other) const;
  bool operator!=(const SUM_TimelineEntry& other) const { return !(*this == other); }

 private:
  // baseline() for a kind 2 entry.
  int delivered_baseline(SUM_Baseline& out) const;

  SUM_Timeline timeline_;
  long etime_ = 0;
  int raw_kind_ = 0;
  tbs_dbid_t dbid_ = 0;
};

// The stream timelines of a PVOB, in creation order.
class SUM_Timeline::Iter : public SUM_DbidChunkIter {
 public:
  static constexpr size_t kChunk = 32;
  explicit Iter(const SUM_Vob& vob) : SUM_DbidChunkIter(vob, kChunk) {}
  int current_item(SUM_Timeline& item) const;

 protected:
  int fetch(size_t offset, size_t max, std::vector<tbs_dbid_t>& out) override;
};

#endif  // SUM_SUM_TIMELINE_H
