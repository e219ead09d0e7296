// The members of a stream's pending baselines: read from the stream's
// current baselines, edited (added and removed, never closing a cycle) and
// ordered so that members are realized before the composites that record
// them.
#include <vector>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_virtual_baseline.h"
#include "sum/sum_virtual_baseline_internal.h"

namespace {

constexpr const char* kSource = "sum_virtual_dependency";

// Appends index `i` to `order` after the indexes it depends on (depth
// first); `state` is 0 unseen, 1 being walked, 2 placed. False when a
// cycle runs through `i`.
bool place_after_dependencies(unsigned i, const std::vector<std::vector<unsigned>>& deps,
                              std::vector<int>& state, std::vector<unsigned>& order) {
  if (state[i] == 2)
    return true;
  if (state[i] == 1)
    return false;
  state[i] = 1;
  for (unsigned d : deps[i])
    if (!place_after_dependencies(d, deps, state, order))
      return false;
  state[i] = 2;
  order.push_back(i);
  return true;
}

// An order of the indexes of `deps` in which each follows those it lists;
// false when there is none (a cycle).
bool reverse_dependency_order(const std::vector<std::vector<unsigned>>& deps,
                              std::vector<unsigned>& order) {
  std::vector<int> state(deps.size(), 0);
  order.clear();
  for (unsigned i = 0; i < deps.size(); ++i)
    if (!place_after_dependencies(i, deps, state, order))
      return false;
  return true;
}

// The component of the member recorded at `at` in `rep`'s members: virtual
// ones first, then fixed ones.
int member_component(const SUM_VirtualBaselineRep& rep, unsigned at, SUM_Component& out) {
  if (at < rep.dependencies.count())
    return rep.dependencies[at].component(out);
  return rep.fixed_dependencies[at - rep.dependencies.count()].component(out);
}

// Sets `at` to the position of the member of `component` among `rep`'s
// members (as member_component counts them), or to -1 when it has none.
int member_of_component(const SUM_VirtualBaselineRep& rep, const SUM_Component& component,
                        int& at) {
  at = -1;
  unsigned total = rep.dependencies.count() + rep.fixed_dependencies.count();
  for (unsigned i = 0; i < total; ++i) {
    SUM_Component of;
    if (int status = member_component(rep, i, of))
      return status;
    if (of == component) {
      at = static_cast<int>(i);
      return SUM_OK;
    }
  }
  return SUM_OK;
}

// Removes the member at `at` (as member_component counts them).
void drop_member(SUM_VirtualBaselineRep& rep, unsigned at) {
  if (at < rep.dependencies.count())
    rep.dependencies.remove(at);
  else
    rep.fixed_dependencies.remove(at - rep.dependencies.count());
}

}  // namespace

// ---- SUM_VirtualConfig ----------------------------------------------------------------

int SUM_VirtualConfig::compute_virtual_dependencies() {
  SUM_Trace trace("SUM_VirtualConfig::compute_virtual_dependencies");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (rep_->deps_computed)
    return SUM_OK;
  // Read in full before anything is kept, so that a failure leaves the
  // configuration without members rather than with some.
  unsigned total = rep_->baselines.count();
  std::vector<SUM_VirtualBaselineList> virtual_members(total);
  std::vector<SUM_BaselineList> fixed_members(total);
  for (unsigned i = 0; i < total; ++i) {
    const SUM_VirtualBaselineRep& rep = *rep_->baselines[i].rep_;
    SUM_Baseline current;
    int status = sum_vbl_current_baseline(rep_->stream, rep.component, current);
    if (status == SUM_NOT_FOUND)
      continue;
    SUM_BaselineList members;
    int unavailable = 0;
    if (status == 0)
      status = current.dependencies(members, unavailable);
    if (status == 0 && unavailable) {
      imsg_print(IMSG_ERROR, sum_msg::UnreadableMember, current.any_fullname());
      status = SUM_FAILED;
    }
    if (status != 0)
      return trace.checked(__LINE__, status);
    for (unsigned m = 0; m < members.count(); ++m) {
      SUM_Component member_component;
      if ((status = members[m].component(member_component)) != 0)
        return trace.checked(__LINE__, status);
      int at = index_of(member_component);
      if (at >= 0)
        virtual_members[i].append(rep_->baselines[static_cast<unsigned>(at)]);
      else
        fixed_members[i].append(members[m]);
    }
  }
  for (unsigned i = 0; i < total; ++i) {
    rep_->baselines[i].rep_->dependencies = virtual_members[i];
    rep_->baselines[i].rep_->fixed_dependencies = fixed_members[i];
  }
  rep_->deps_computed = 1;
  return SUM_OK;
}

int SUM_VirtualConfig::index_of(const SUM_Component& component) const {
  for (unsigned i = 0; i < rep_->baselines.count(); ++i)
    if (rep_->baselines[i].rep_->component == component)
      return static_cast<int>(i);
  return -1;
}

int SUM_VirtualConfig::dependency_indexes(const SUM_VirtualBaselineList& list, int through_fixed,
                                          std::vector<std::vector<unsigned>>& out) const {
  std::vector<std::vector<unsigned>> deps(list.count());
  for (unsigned i = 0; i < list.count(); ++i) {
    if (list[i].is_null())
      return SUM_INTERNAL_ERROR;
    const SUM_VirtualBaselineRep& rep = *list[i].rep_;
    // Only the dependencies that are in `list` take part in the order.
    for (unsigned d = 0; d < rep.dependencies.count(); ++d) {
      int at = list.find(rep.dependencies[d]);
      if (at >= 0)
        deps[i].push_back(static_cast<unsigned>(at));
    }
    for (unsigned f = 0; through_fixed && f < rep.fixed_dependencies.count(); ++f) {
      SUM_ComponentList scope;
      if (int status = rep.fixed_dependencies[f].full_dependency_scope(scope))
        return status;
      for (unsigned c = 0; c < scope.count(); ++c)
        for (unsigned j = 0; j < list.count(); ++j)
          if (list[j].rep_->component == scope[c])
            deps[i].push_back(j);
    }
  }
  out = deps;
  return SUM_OK;
}

int SUM_VirtualConfig::sort_in_reverse_dependency_order(SUM_VirtualBaselineList& list) const {
  SUM_Trace trace("SUM_VirtualConfig::sort_in_reverse_dependency_order");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<std::vector<unsigned>> deps;
  if (dependency_indexes(list, 0, deps) != 0)
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<unsigned> order;
  if (!reverse_dependency_order(deps, order))
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_VirtualBaselineList sorted;
  for (unsigned i : order)
    sorted.append(list[i]);
  list = sorted;
  return SUM_OK;
}

int SUM_VirtualConfig::has_dependency_cycle(int& result) const {
  SUM_Trace trace("SUM_VirtualConfig::has_dependency_cycle");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<std::vector<unsigned>> deps;
  if (int status = dependency_indexes(rep_->baselines, 1, deps))
    return trace.checked(__LINE__, status);
  std::vector<unsigned> order;
  result = reverse_dependency_order(deps, order) ? 0 : 1;
  return SUM_OK;
}

int SUM_VirtualConfig::member_for(const SUM_Baseline& baseline, SUM_BaselineVR& out) const {
  SUM_Trace trace("SUM_VirtualConfig::member_for");
  if (is_null() || baseline.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Component component;
  int status = baseline.component(component);
  if (status != 0)
    return trace.checked(__LINE__, status);
  int at = index_of(component);
  if (at < 0) {
    out = SUM_BaselineVR(baseline);
    return SUM_OK;
  }
  SUM_Baseline current;
  status = sum_vbl_current_baseline(rep_->stream, component, current);
  if (status == 0 && current == baseline) {
    out = SUM_BaselineVR(rep_->baselines[static_cast<unsigned>(at)].kept_with(rep_));
    return SUM_OK;
  }
  if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  imsg_print(IMSG_ERROR, sum_baseline_msg::MemberNotStreamsCurrent, baseline.any_fullname(),
             component.any_fullname(), rep_->stream.any_fullname());
  return trace.checked(__LINE__, SUM_FAILED);
}

// ---- SUM_VirtualBaseline --------------------------------------------------------------

int SUM_VirtualBaseline::dependencies(SUM_BaselineVRList& out) const {
  SUM_Trace trace("SUM_VirtualBaseline::dependencies");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_VirtualConfig config = vconfig();
  if (!config.is_null())
    if (int status = config.compute_virtual_dependencies())
      return trace.checked(__LINE__, status);
  SUM_BaselineVRList members;
  for (unsigned i = 0; i < rep_->dependencies.count(); ++i)
    members.append(SUM_BaselineVR(config.is_null() ? rep_->dependencies[i]
                                                   : rep_->dependencies[i].kept_with(config.rep_)));
  for (unsigned i = 0; i < rep_->fixed_dependencies.count(); ++i)
    members.append(SUM_BaselineVR(rep_->fixed_dependencies[i]));
  out = members;
  return SUM_OK;
}

int SUM_VirtualBaseline::full_dependency_scope(SUM_ComponentList& out) const {
  SUM_Trace trace("SUM_VirtualBaseline::full_dependency_scope");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_VirtualConfig config = vconfig();
  if (!config.is_null())
    if (int status = config.compute_virtual_dependencies())
      return trace.checked(__LINE__, status);
  // Breadth first over the virtual members; a fixed member brings its
  // component and its own full scope.
  SUM_VirtualBaselineList pending;
  pending.append(*this);
  SUM_ComponentList scope;
  for (unsigned next = 0; next < pending.count(); ++next) {
    const SUM_VirtualBaselineRep& rep = *pending[next].rep_;
    for (unsigned i = 0; i < rep.dependencies.count(); ++i) {
      const SUM_VirtualBaseline& member = rep.dependencies[i];
      if (scope.find(member.rep_->component) >= 0)
        continue;
      scope.append(member.rep_->component);
      pending.append(member);
    }
    for (unsigned i = 0; i < rep.fixed_dependencies.count(); ++i) {
      SUM_Component component;
      SUM_ComponentList below;
      int status = rep.fixed_dependencies[i].component(component);
      if (status == 0)
        status = rep.fixed_dependencies[i].full_dependency_scope(below);
      if (status != 0)
        return trace.checked(__LINE__, status);
      below.prepend(component);
      for (unsigned c = 0; c < below.count(); ++c)
        if (scope.find(below[c]) < 0)
          scope.append(below[c]);
    }
  }
  out = scope;
  return SUM_OK;
}

int SUM_VirtualBaseline::add_dependency(const SUM_BaselineVR& member) {
  SUM_Trace trace("SUM_VirtualBaseline::add_dependency");
  SUM_VirtualConfig config = vconfig();
  if (is_null() || config.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  // A virtual member must belong to this configuration.
  if (member.is_virtual() && member.virtual_baseline().vconfig() != config)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Component of;
  int status = config.compute_virtual_dependencies();
  if (status == 0)
    status = member.component(of);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (of == rep_->component) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::ComponentCannotDependItself, of.any_fullname());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  SUM_BaselineVR resolved = member;
  int at = -1;
  if ((!member.is_virtual() && (status = config.member_for(member.real(), resolved)) != 0) ||
      (status = member_of_component(*rep_, of, at)) != 0)
    return trace.checked(__LINE__, status);
  if (at >= 0) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::ComponentAlreadyDependsComponent,
               rep_->component.any_fullname(), of.any_fullname());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  if (resolved.is_virtual())
    rep_->dependencies.append(SUM_VirtualBaseline(resolved.virtual_baseline().rep_));
  else
    rep_->fixed_dependencies.append(resolved.real());
  int cycle = 0;
  status = config.has_dependency_cycle(cycle);
  if (status == 0 && !cycle)
    return SUM_OK;
  // Taken out again: the members stay as they were.
  if (resolved.is_virtual())
    rep_->dependencies.remove(rep_->dependencies.count() - 1);
  else
    rep_->fixed_dependencies.remove(rep_->fixed_dependencies.count() - 1);
  if (status != 0)
    return trace.checked(__LINE__, status);
  imsg_print(IMSG_ERROR, sum_baseline_msg::MakingDependWouldCreate, rep_->component.any_fullname(),
             of.any_fullname());
  return trace.checked(__LINE__, SUM_FAILED);
}

int SUM_VirtualBaseline::remove_dependency(const SUM_BaselineVR& member) {
  SUM_Trace trace("SUM_VirtualBaseline::remove_dependency");
  SUM_VirtualConfig config = vconfig();
  if (is_null() || config.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Component of;
  int at = -1;
  int status = config.compute_virtual_dependencies();
  if (status == 0)
    status = member.component(of);
  if (status == 0)
    status = member_of_component(*rep_, of, at);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (at < 0) {
    imsg_print(IMSG_WARNING, sum_baseline_msg::ComponentDoesNotDepend,
               rep_->component.any_fullname(), of.any_fullname());
    return SUM_OK;
  }
  drop_member(*rep_, static_cast<unsigned>(at));
  return SUM_OK;
}
