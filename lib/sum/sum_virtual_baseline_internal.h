// What the SUM_VirtualConfig and SUM_VirtualBaseline source files share and
// no caller needs: the representations behind the shared handles and the
// rule for a stream's current baseline of a component.
#ifndef SUM_SUM_VIRTUAL_BASELINE_INTERNAL_H
#define SUM_SUM_VIRTUAL_BASELINE_INTERNAL_H

#include <memory>

#include "sum/sum_virtual_baseline.h"

struct SUM_VirtualBaselineRep {
  std::weak_ptr<SUM_VirtualConfigRep> config;
  SUM_Stream stream;
  SUM_Component component;
  SUM_ActivityList activities;  // each with its count in this component
  // Members in the configuration: handles without a strong link back to it.
  SUM_VirtualBaselineList dependencies;
  SUM_BaselineList fixed_dependencies;  // members outside the configuration
  long position = -1;                   // where a new baseline goes on the timeline
  int has_unrecorded = 0;
  SUM_Baseline realized;
  int is_realized = 0;
  int reused = 0;  // `realized` is an existing baseline, not a new one
};

struct SUM_VirtualConfigRep {
  SUM_Stream stream;
  SUM_VirtualBaselineList baselines;
  SUM_ProgressCB progress;  // a copy: the caller's may be gone by the time it is used
  int has_progress = 0;
  int csets_computed = 0;
  int deps_computed = 0;  // the members were read; edits since are kept
};

// Whether `component` has a root directory (`rooted`) and, when it has,
// the family of its root VOB and its root directory element: what
// SUM_Activity::change_set_in_range names a component by.
int sum_vbl_component_root(const SUM_Component& component, int& rooted, SUM_Oid& family,
                           SUM_Oid& crde);

// The baseline the stream currently has of `component`: its newest one,
// else its foundation baseline; 1002 when neither.
int sum_vbl_current_baseline(const SUM_Stream& stream, const SUM_Component& component,
                             SUM_Baseline& out);

#endif  // SUM_SUM_VIRTUAL_BASELINE_INTERNAL_H
