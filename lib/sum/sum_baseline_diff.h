// Comparison of configurations of one component: which activities, and which
// versions, differ between two baselines, a baseline and a stream, or two
// streams.
//
// A side is a SUM_BaselineVR: a real baseline, or a virtual one standing for
// what a stream has now for the component. The comparison never reads
// versions: each side goes to the project VOB as layers of (activity,
// modification count) pairs (a virtual side's activities, then the baseline
// and every baseline it holds: the foundation baselines it grew from, down
// to the initial or import baseline, and the baselines deliveries recorded
// on those timelines before them, with what they hold in turn), the project
// VOB computes the difference (services/vob_zem_diffchkpnt.h), and only
// then are versions of the differing activities fetched, by count range.
//
// A delivery makes the delivered baselines part of the target stream's
// content: once recorded (SUM_Stream::record_deliver), the stream and the
// baselines it makes afterwards hold the delivered activities at their
// delivered counts, so nothing delivered shows as missing from the target.
// Their versions are not what the target selects, though (it holds the
// merge results of its integration activity): labeling compares with the
// SELECTED scope, which leaves deliveries out.
//
// Contracts: status returns as everywhere in the library; null arguments are
// internal errors (1072); refusals print their message and return 1001.
// Results are built in caller-owned lists; on failure their content is
// unspecified and the caller discards them.
#ifndef SUM_SUM_BASELINE_DIFF_H
#define SUM_SUM_BASELINE_DIFF_H

#include "services/vob_zem_diffchkpnt.h"
#include "sum/sum_activity.h"
#include "sum/sum_callbacks.h"
#include "sum/sum_component.h"
#include "sum/sum_hash_tab.h"
#include "sum/sum_ids.h"
#include "sum/sum_lists.h"
#include "sum/sum_stream.h"
#include "sum/sum_version.h"
#include "sum/sum_virtual_baseline.h"

// How one activity differs in one component: the component's root VOB
// family and root directory element (null for a rootless component), and the
// activity's count on each side (BaselineDiff::kNoCount where absent).
class BlCompDiff {
 public:
  BlCompDiff() = default;
  BlCompDiff(const SUM_Oid& vob_family, const SUM_Oid& crde, unsigned first_count,
             unsigned second_count)
      : vob_family_(vob_family), crde_(crde), first_(first_count), second_(second_count) {}
  bool operator==(const BlCompDiff& other) const {
    return vob_family_ == other.vob_family_ && crde_ == other.crde_ && first_ == other.first_ &&
           second_ == other.second_;
  }
  bool operator!=(const BlCompDiff& other) const { return !(*this == other); }

  const SUM_Oid& vob_family() const { return vob_family_; }
  const SUM_Oid& crde() const { return crde_; }
  unsigned first_count() const { return first_; }
  unsigned second_count() const { return second_; }

 private:
  SUM_Oid vob_family_;
  SUM_Oid crde_;
  unsigned first_ = 0;
  unsigned second_ = 0;
};

// A version with its element, branch and number, for keeping the latest
// version of each element.
class LatestVersion {
 public:
  LatestVersion() = default;
  bool operator==(const LatestVersion& other) const { return version_ == other.version_; }
  bool operator!=(const LatestVersion& other) const { return !(*this == other); }

  // Fills element, branch and number from `version` (one details read).
  int init(const SUM_Version& version);
  const SUM_Version& version() const { return version_; }
  tbs_dbid_t element() const { return element_; }
  tbs_dbid_t branch() const { return branch_; }
  int number() const { return number_; }
  // Whether this version is later than `other` on the same branch of the
  // same element; another element or branch is an internal error (logged,
  // answer 0).
  int is_later_than(const LatestVersion& other) const;

 private:
  SUM_Version version_;
  tbs_dbid_t element_ = 0;
  tbs_dbid_t branch_ = 0;
  int number_ = -1;
};
using LatestVersionList = SUM_List<LatestVersion>;

// One activity that differs, with one record per component it differs in.
class BaselineDiff {
 public:
  // The count of an activity on a side that does not hold it.
  static constexpr unsigned kNoCount = VOB_DIFFCHKPNT_NO_COUNT;

  BaselineDiff() = default;
  BaselineDiff(const SUM_Activity& activity, vob_diffchkpnt_kind_t kind, unsigned first_count,
               unsigned second_count)
      : activity_(activity), kind_(kind), first_(first_count), second_(second_count) {}
  bool operator==(const BaselineDiff& other) const {
    return activity_ == other.activity_ && kind_ == other.kind_ && first_ == other.first_ &&
           second_ == other.second_ && comp_diffs_ == other.comp_diffs_;
  }
  bool operator!=(const BaselineDiff& other) const { return !(*this == other); }

  const SUM_Activity& activity() const { return activity_; }
  vob_diffchkpnt_kind_t kind() const { return kind_; }
  unsigned first_count() const { return first_; }
  unsigned second_count() const { return second_; }
  const BlCompDiffList& comp_diffs() const { return comp_diffs_; }
  // Whether the activity went further on the second side: held there at a
  // higher count than on the first, or held on the second side only.
  bool moved_on() const { return second_ != kNoCount && (first_ == kNoCount || second_ > first_); }
  void add_comp_diff(const BlCompDiff& diff) { comp_diffs_.append(diff); }

  // What a side of a comparison holds.
  enum Scope {
    // Every change that has reached it: its stream's activities, its
    // foundations', and those of the baselines delivered into its
    // timelines. What comparisons of streams and baselines show.
    CONTENT,
    // Only the changes whose versions its configuration selects: its
    // stream's activities and its foundations'.
    SELECTED,
  };

  // ---- comparison (each replaces `out`) ----

  // The activities that differ between two configurations of one component.
  // Sides of two components: "Cannot compare baselines from different
  // components.", 1001. Sides descending from different initial or import
  // baselines: the message for their kinds (two baselines, a baseline and a
  // stream, two streams), 1001. Activities removed since are left out.
  static int compare(const SUM_BaselineVR& first, const SUM_BaselineVR& second,
                     BaselineDiffList& out);
  // As above, each side holding what `scope` says (the others: CONTENT).
  static int compare(const SUM_BaselineVR& first, const SUM_BaselineVR& second, Scope scope,
                     BaselineDiffList& out);
  // A baseline against what `stream` has now for the baseline's component,
  // and the other way round.
  static int compare(const SUM_BaselineVR& first, const SUM_Stream& second, BaselineDiffList& out);
  static int compare(const SUM_Stream& first, const SUM_BaselineVR& second, BaselineDiffList& out);
  // Lists of sides, paired by component (a component on one side only is
  // left out), each pair compared once and the results merged. `progress`
  // (may be null) hears COMPARE_BASELINE per pair; a nonzero answer stops
  // with `interrupted` 1 and 1001.
  static int compare(const SUM_BaselineVRList& first, const SUM_BaselineVRList& second,
                     SUM_ProgressCB* progress, int& interrupted, BaselineDiffList& out);
  static int compare(const SUM_BaselineVRList& first, const SUM_Stream& second,
                     SUM_ProgressCB* progress, int& interrupted, BaselineDiffList& out);
  static int compare(const SUM_Stream& first, const SUM_BaselineVRList& second,
                     SUM_ProgressCB* progress, int& interrupted, BaselineDiffList& out);
  // Two streams, component by component.
  static int compare(const SUM_Stream& first, const SUM_Stream& second, SUM_ProgressCB* progress,
                     int& interrupted, BaselineDiffList& out);

  // What `stream` has now for `component`, as a virtual baseline.
  static int stream_to_comp_vrbl(const SUM_Stream& stream, const SUM_Component& component,
                                 SUM_BaselineVR& out);
  // One virtual baseline per component of `stream`.
  static int stream_to_vrbls(const SUM_Stream& stream, SUM_ProgressCB* progress, int& interrupted,
                             SUM_BaselineVRList& out);

  // ---- results ----

  // The versions this difference stands for: per component record, the
  // activity's versions between the smaller and the larger count (a missing
  // side counts 0), appended to `out`.
  int versions(SUM_VersionList& out) const;
  // The components of the records (those that can still be found), appended.
  int comps(SUM_ComponentList& out) const;
  // The latest version of every element the differences changed, each
  // element once, replacing `out`.
  static int diffs_to_vers(const BaselineDiffList& diffs, SUM_VersionList& out);
  // The elements the differences changed, each once, replacing `out`.
  static int diffs_to_elems(const BaselineDiffList& diffs, SUM_ElementList& out);
  // For each difference, its versions made in the activity's own stream (by
  // the stream of each version's branch type), the latest per element, into
  // `table` (element dbid -> version). A checked-out version is an error
  // ("Version "%s" is checked out.", 1001); a branch type without a stream
  // prints "Cannot obtain the stream for branch type ..." (1001).
  static int diffs_to_vers_in_stream(const BaselineDiffList& diffs, const SUM_Stream& stream,
                                     SUM_HashTab<SUM_Element, SUM_Version>& table);
  // Appends `list` to `into`, one difference per activity: the records of an
  // activity already in `into` are added to its entry.
  static int merge_lists(const BaselineDiffList& list, BaselineDiffList& into);
  // The latest version per element of `versions` (details read in one read
  // transaction per VOB), replacing `out`.
  static int derive_latest_versions(const SUM_VersionList& versions, LatestVersionList& out);

 private:
  SUM_Activity activity_;
  vob_diffchkpnt_kind_t kind_ = VOB_DIFFCHKPNT_CHANGED;
  unsigned first_ = kNoCount;
  unsigned second_ = kNoCount;
  BlCompDiffList comp_diffs_;
};

#endif  // SUM_SUM_BASELINE_DIFF_H
