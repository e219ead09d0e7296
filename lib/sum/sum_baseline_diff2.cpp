// BaselineDiff2: comparison of configurations of several components, closed
// over the members of their composite baselines.
#include "sum/sum_baseline_diff2.h"

#include "services/imsg.h"
#include "sum/sum_cache_control.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_foundation.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_baseline_diff2";

// The component of each entry of `list`, in order.
int components_of(const SUM_BaselineVRList& list, SUM_ComponentList& out) {
  for (unsigned i = 0; i < list.count(); ++i) {
    SUM_Component component;
    if (int status = list[i].component(component))
      return status;
    out.append(component);
  }
  return SUM_OK;
}

// The baselines of `list` closed over their members, printing which step
// failed.
int close_baselines(const SUM_BaselineList& list, SUM_BaselineList& out) {
  SUM_Foundation foundation;
  if (SUM_Foundation::construct_from_bls_no_lbl_chk(list, foundation) != 0) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::UnableConstructFoundation);
    return SUM_FAILED;
  }
  int any = 0;
  if (foundation.conflicts(any) != 0) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::UnableGetConflictsFoundation);
    return SUM_FAILED;
  }
  if (any) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::ConflictsPresentFoundation);
    return SUM_FAILED;
  }
  if (foundation.closure(out) != 0) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::UnableGetClosureFoundation);
    return SUM_FAILED;
  }
  return SUM_OK;
}

// The baseline a side stands for when its members are asked: a real one
// itself, a virtual one the stream's newest baseline of its component (null
// when the stream has made none).
int real_for_members(const SUM_BaselineVR& vr, SUM_Baseline& out) {
  if (!vr.is_virtual()) {
    out = vr.real();
    return SUM_OK;
  }
  int status = vr.virtual_baseline().latest_real_baseline(out);
  return status == SUM_NOT_FOUND ? SUM_OK : status;
}

// `baseline`'s members closed over their own members, by component
// (nothing for a null baseline).
int member_closure(const SUM_Baseline& baseline, SUM_BaselineList& out) {
  if (baseline.is_null())
    return SUM_OK;
  SUM_BaselineList members;
  int unavailable = 0;
  if (baseline.dependencies(members, unavailable) != 0 || unavailable) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::CannotGetMemberBaseline, baseline.any_fullname());
    return SUM_FAILED;
  }
  return members.count() == 0 ? SUM_OK : close_baselines(members, out);
}

// The baseline of `component` in `list`, or null.
SUM_Baseline member_of(const SUM_BaselineList& list, const SUM_Component& component) {
  for (unsigned i = 0; i < list.count(); ++i) {
    SUM_Component of;
    if (list[i].component(of) == 0 && of == component)
      return list[i];
  }
  return SUM_Baseline();
}

// A side of one baseline.
SUM_BaselineVRList one(const SUM_Baseline& baseline) {
  SUM_BaselineVRList list;
  list.append(SUM_BaselineVR(baseline));
  return list;
}

}  // namespace

int BaselineDiff2::get_implied_vrbls(const SUM_BaselineVRList& list, SUM_BaselineVRList& out) {
  SUM_Trace trace("BaselineDiff2::get_implied_vrbls");
  SUM_BaselineList reals, closed;
  SUM_BaselineVRList result;
  for (unsigned i = 0; i < list.count(); ++i) {
    if (list[i].is_virtual())
      result.append(list[i]);
    else if (list[i].real().is_null())
      return sum_int_error(kSource, trace.name(), __LINE__);
    else
      reals.append(list[i].real());
  }
  if (reals.count() > 0) {
    if (int status = close_baselines(reals, closed))
      return trace.checked(__LINE__, status);
  }
  for (unsigned i = 0; i < closed.count(); ++i)
    result.append(SUM_BaselineVR(closed[i]));
  out = result;
  return SUM_OK;
}

int BaselineDiff2::pair_components() {
  SUM_ComponentList first_components, second_components;
  int status = components_of(first_, first_components);
  if (status == 0)
    status = components_of(second_, second_components);
  if (status != 0)
    return status;
  comp_diffs_.clear();
  CompDiffList first_only;
  for (unsigned i = 0; i < first_.count(); ++i) {
    CompDiff diff(first_components[i]);
    diff.set_first(first_[i]);
    int at = second_components.find(first_components[i]);
    if (at < 0) {
      first_only.append(diff);
      continue;
    }
    diff.set_second(second_[static_cast<unsigned>(at)]);
    comp_diffs_.append(diff);
  }
  for (unsigned i = 0; i < first_only.count(); ++i)
    comp_diffs_.append(first_only[i]);
  for (unsigned i = 0; i < second_.count(); ++i) {
    if (first_components.find(second_components[i]) >= 0)
      continue;
    CompDiff diff(second_components[i]);
    diff.set_second(second_[i]);
    comp_diffs_.append(diff);
  }
  return SUM_OK;
}

int BaselineDiff2::construct(const SUM_BaselineVRList& first, const SUM_BaselineVRList& second,
                             BaselineDiff2& out) {
  SUM_Trace trace("BaselineDiff2::construct");
  SUM_CacheControl cache_scope;
  BaselineDiff2 made;
  if (get_implied_vrbls(first, made.first_) != 0) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::UnableGetClosureBaselines);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  if (get_implied_vrbls(second, made.second_) != 0) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::UnableGetClosureBaselinesSecond);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  if (int status = made.pair_components())
    return trace.checked(__LINE__, status);
  out = made;
  return SUM_OK;
}

int BaselineDiff2::construct(const SUM_Stream& first, const SUM_Stream& second,
                             BaselineDiff2& out) {
  SUM_Trace trace("BaselineDiff2::construct");
  SUM_BaselineVRList first_list, second_list;
  int interrupted = 0;
  int status = BaselineDiff::stream_to_vrbls(first, nullptr, interrupted, first_list);
  if (status == 0)
    status = BaselineDiff::stream_to_vrbls(second, nullptr, interrupted, second_list);
  if (status == 0)
    status = construct(first_list, second_list, out);
  return trace.checked(__LINE__, status);
}

int BaselineDiff2::construct(const SUM_BaselineVRList& first, const SUM_Stream& second,
                             BaselineDiff2& out) {
  SUM_Trace trace("BaselineDiff2::construct");
  SUM_BaselineVRList second_list;
  int interrupted = 0;
  int status = BaselineDiff::stream_to_vrbls(second, nullptr, interrupted, second_list);
  if (status == 0)
    status = construct(first, second_list, out);
  return trace.checked(__LINE__, status);
}

int BaselineDiff2::construct(const SUM_Stream& first, const SUM_BaselineVRList& second,
                             BaselineDiff2& out) {
  SUM_Trace trace("BaselineDiff2::construct");
  SUM_BaselineVRList first_list;
  int interrupted = 0;
  int status = BaselineDiff::stream_to_vrbls(first, nullptr, interrupted, first_list);
  if (status == 0)
    status = construct(first_list, second, out);
  return trace.checked(__LINE__, status);
}

int BaselineDiff2::construct(const SUM_Baseline& first, const SUM_Baseline& second,
                             BaselineDiff2& out) {
  SUM_Trace trace("BaselineDiff2::construct");
  SUM_Component first_component, second_component;
  int status = first.component(first_component);
  if (status == 0)
    status = second.component(second_component);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (first_component != second_component) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::CannotCompareBaselinesDifferent);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  return trace.checked(__LINE__, construct(one(first), one(second), out));
}

int BaselineDiff2::activity_diffs(const SUM_Component& component, DiffBaselinesCb* cb,
                                  BaselineDiffList& out) const {
  SUM_Trace trace("BaselineDiff2::activity_diffs");
  SUM_CacheControl cache_scope;
  out.clear();
  SUM_ComponentList wanted, compared;
  if (!component.is_null()) {
    bool found = false;
    for (unsigned i = 0; i < comp_diffs_.count() && !found; ++i)
      found = comp_diffs_[i].component() == component;
    if (!found) {
      imsg_print(IMSG_ERROR, sum_baseline_msg::CannotFindComponentAmong, component.any_fullname());
      return trace.checked(__LINE__, SUM_FAILED);
    }
    wanted.append(component);
  }
  // Compares the two sides of `diff` once, merging into `out`.
  auto compare_sides = [&](const CompDiff& diff) -> int {
    if (!diff.has_first() || !diff.has_second() || compared.find(diff.component()) >= 0)
      return SUM_OK;
    compared.append(diff.component());
    BaselineDiffList one_component;
    if (BaselineDiff::compare(diff.first(), diff.second(), one_component) != 0) {
      imsg_print(IMSG_ERROR, sum_baseline_msg::CannotGetActivityDiffs,
                 diff.component().any_fullname());
      return SUM_FAILED;
    }
    return BaselineDiff::merge_lists(one_component, out);
  };
  for (unsigned i = 0; i < comp_diffs_.count(); ++i) {
    const CompDiff& diff = comp_diffs_[i];
    if (wanted.count() > 0 && wanted.find(diff.component()) < 0)
      continue;
    if (int status = compare_sides(diff))
      return trace.checked(__LINE__, status);
    if (!diff.has_first() || !diff.has_second())
      continue;
    DependentDiffList members;
    if (baseline_diffs(diff.component(), members) != 0) {
      imsg_print(IMSG_ERROR, sum_baseline_msg::CannotGetBaselineDiffs,
                 diff.component().any_fullname());
      return trace.checked(__LINE__, SUM_FAILED);
    }
    for (unsigned m = 0; m < members.count(); ++m) {
      SUM_Baseline a, b;
      members[m].baselines(a, b);
      if (cb != nullptr && cb->f != nullptr)
        cb->invoke(&a, &b, (m + 1) * 100 / members.count());
      if (a.is_null() || b.is_null())
        continue;
      CompDiff member(members[m].component());
      member.set_first(SUM_BaselineVR(a));
      member.set_second(SUM_BaselineVR(b));
      if (int status = compare_sides(member))
        return trace.checked(__LINE__, status);
    }
  }
  return SUM_OK;
}

int BaselineDiff2::baseline_diffs(const SUM_Component& component, DependentDiffList& out) const {
  SUM_Trace trace("BaselineDiff2::baseline_diffs");
  out.clear();
  const CompDiff* diff = nullptr;
  for (unsigned i = 0; i < comp_diffs_.count() && diff == nullptr; ++i)
    if (comp_diffs_[i].component() == component)
      diff = &comp_diffs_[i];
  if (diff == nullptr) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::CannotFindComponentAmong, component.any_fullname());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  SUM_Baseline first, second;
  SUM_BaselineList first_members, second_members;
  int status = 0;
  if (diff->has_first())
    status = real_for_members(diff->first(), first);
  if (status == 0 && diff->has_second())
    status = real_for_members(diff->second(), second);
  if (status == 0)
    status = member_closure(first, first_members);
  if (status == 0)
    status = member_closure(second, second_members);
  if (status != 0)
    return trace.checked(__LINE__, status);
  for (unsigned i = 0; i < first_members.count(); ++i) {
    SUM_Component of;
    if ((status = first_members[i].component(of)) != 0)
      return trace.checked(__LINE__, status);
    SUM_Baseline other = member_of(second_members, of);
    if (other != first_members[i])
      out.append(DependentDiff(of, first_members[i], other));
  }
  for (unsigned i = 0; i < second_members.count(); ++i) {
    SUM_Component of;
    if ((status = second_members[i].component(of)) != 0)
      return trace.checked(__LINE__, status);
    if (member_of(first_members, of).is_null())
      out.append(DependentDiff(of, SUM_Baseline(), second_members[i]));
  }
  return SUM_OK;
}

int BaselineDiff2::comp_deps(CompDepList& out) const {
  SUM_Trace trace("BaselineDiff2::comp_deps");
  out.clear();
  for (const SUM_BaselineVRList* side : {&first_, &second_}) {
    for (unsigned i = 0; i < side->count(); ++i) {
      SUM_Baseline baseline;
      SUM_Component component;
      SUM_ComponentList scope;
      int status = real_for_members((*side)[i], baseline);
      if (status == 0 && !baseline.is_null())
        status = baseline.component(component);
      if (status == 0 && !baseline.is_null())
        status = baseline.dependency_scope(scope);
      if (status != 0)
        return trace.checked(__LINE__, status);
      for (unsigned d = 0; d < scope.count(); ++d) {
        CompDep dep(component, scope[d]);
        if (out.find(dep) < 0)
          out.append(dep);
      }
    }
  }
  return SUM_OK;
}
