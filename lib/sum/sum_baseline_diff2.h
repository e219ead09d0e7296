// Comparison of whole configurations made of several baselines: each side is
// closed over the members its composite baselines imply, then compared
// component by component (BaselineDiff), and composite members that differ
// are reported as DependentDiff records.
//
// Contracts as in sum_baseline_diff.h.
#ifndef SUM_SUM_BASELINE_DIFF2_H
#define SUM_SUM_BASELINE_DIFF2_H

#include "sum/sum_baseline.h"
#include "sum/sum_baseline_diff.h"
#include "sum/sum_callbacks.h"
#include "sum/sum_component.h"
#include "sum/sum_lists.h"
#include "sum/sum_stream.h"
#include "sum/sum_virtual_baseline.h"

// One component of a comparison with its configuration on each side (a
// missing side: has_first()/has_second() 0).
class CompDiff {
 public:
  CompDiff() = default;
  explicit CompDiff(const SUM_Component& component) : component_(component) {}
  bool operator==(const CompDiff& other) const {
    return component_ == other.component_ && first_ == other.first_ && second_ == other.second_ &&
           has_first_ == other.has_first_ && has_second_ == other.has_second_;
  }
  bool operator!=(const CompDiff& other) const { return !(*this == other); }

  const SUM_Component& component() const { return component_; }
  int has_first() const { return has_first_; }
  int has_second() const { return has_second_; }
  const SUM_BaselineVR& first() const { return first_; }
  const SUM_BaselineVR& second() const { return second_; }
  void set_first(const SUM_BaselineVR& vr) {
    first_ = vr;
    has_first_ = 1;
  }
  void set_second(const SUM_BaselineVR& vr) {
    second_ = vr;
    has_second_ = 1;
  }

 private:
  SUM_Component component_;
  SUM_BaselineVR first_;
  SUM_BaselineVR second_;
  int has_first_ = 0;
  int has_second_ = 0;
};
using CompDiffList = SUM_List<CompDiff>;

// A dependency of a component: `component`'s baseline has a member of
// `dependency`.
class CompDep {
 public:
  CompDep() = default;
  CompDep(const SUM_Component& component, const SUM_Component& dependency)
      : component_(component), dependency_(dependency) {}
  bool operator==(const CompDep& other) const {
    return component_ == other.component_ && dependency_ == other.dependency_;
  }
  bool operator!=(const CompDep& other) const { return !(*this == other); }
  const SUM_Component& component() const { return component_; }
  const SUM_Component& dependency() const { return dependency_; }

 private:
  SUM_Component component_;
  SUM_Component dependency_;
};
using CompDepList = SUM_List<CompDep>;

// A member component of a composite whose baseline differs between the
// sides (a null baseline where the side has no member of it).
class DependentDiff {
 public:
  DependentDiff() = default;
  DependentDiff(const SUM_Component& component, const SUM_Baseline& first,
                const SUM_Baseline& second)
      : component_(component), first_(first), second_(second) {}
  bool operator==(const DependentDiff& other) const {
    return component_ == other.component_ && first_ == other.first_ && second_ == other.second_;
  }
  bool operator!=(const DependentDiff& other) const { return !(*this == other); }

  const SUM_Component& component() const { return component_; }
  void baselines(SUM_Baseline& first, SUM_Baseline& second) const {
    first = first_;
    second = second_;
  }

 private:
  SUM_Component component_;
  SUM_Baseline first_;
  SUM_Baseline second_;
};

class BaselineDiff2 {
 public:
  // Builds the comparison of two configurations, replacing `out`: each side
  // (a list of baselines and virtual baselines, a stream's current
  // configuration, or one baseline) is closed over its composites' members
  // (failures "Unable to get closure baselines for first argument." and "...
  // second argument.", 1001), then one CompDiff is made per component on
  // either side: those on both sides first, then the first side's only, then
  // the second side's only.
  static int construct(const SUM_BaselineVRList& first, const SUM_BaselineVRList& second,
                       BaselineDiff2& out);
  static int construct(const SUM_Stream& first, const SUM_Stream& second, BaselineDiff2& out);
  static int construct(const SUM_BaselineVRList& first, const SUM_Stream& second,
                       BaselineDiff2& out);
  static int construct(const SUM_Stream& first, const SUM_BaselineVRList& second,
                       BaselineDiff2& out);
  // Two baselines of one component ("Cannot compare baselines from different
  // components.", 1001, otherwise).
  static int construct(const SUM_Baseline& first, const SUM_Baseline& second, BaselineDiff2& out);

  // `list` closed: its real baselines with every member they imply (through a
  // foundation of them; "Unable to construct foundation.", "Unable to get
  // conflicts in foundation.", "Conflicts present in foundation.", "Unable to
  // get closure from foundation.", each 1001), its virtual baselines passed
  // through, replacing `out`.
  static int get_implied_vrbls(const SUM_BaselineVRList& list, SUM_BaselineVRList& out);

  const SUM_BaselineVRList& first_closure() const { return first_; }
  const SUM_BaselineVRList& second_closure() const { return second_; }
  const CompDiffList& comp_diffs() const { return comp_diffs_; }

  // The activities that differ, replacing `out`: for every component on both
  // sides (or only `component` when not null: "Cannot find component "%s"
  // among closures.", 1001 when it is not there), its two configurations
  // compared; where both are composite, `cb` (may be null) hears each member
  // that differs with the progress in percent, and a member component not
  // yet compared is compared too. A failed comparison prints "Cannot get
  // activity diffs for component "%s"." (1001).
  int activity_diffs(const SUM_Component& component, DiffBaselinesCb* cb,
                     BaselineDiffList& out) const;
  // The members of `component`'s composite baselines that differ between the
  // sides, replacing `out`: both sides' members closed over their own
  // members, one record per component whose member differs or is on one
  // side only. A member that cannot be read: "Cannot get a member baseline
  // that baseline "%s" depends on." (1001). A virtual side stands for the
  // stream's newest baseline of the component.
  int baseline_diffs(const SUM_Component& component, DependentDiffList& out) const;
  // The component dependencies of the composite baselines on either side,
  // each once, replacing `out`.
  int comp_deps(CompDepList& out) const;

 private:
  // Builds the CompDiffs from the two closures.
  int pair_components();

  SUM_BaselineVRList first_;
  SUM_BaselineVRList second_;
  CompDiffList comp_diffs_;
};

#endif  // SUM_SUM_BASELINE_DIFF2_H
