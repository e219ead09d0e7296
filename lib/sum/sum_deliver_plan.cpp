// SUM_Deliver: planning. Choosing the target and checking that the deliver
// may start, then deciding what flows: the components that carry changes
// the target does not have and whether the target may take them, the
// activities, and what the checkouts in the source do. Planning writes
// nothing to the store: a refused deliver needs no cancel.
#include <string>

#include "services/imsg.h"
#include "sum/sum_baseline_diff.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_deliver.h"
#include "sum/sum_foundation.h"
#include "sum/sum_policy.h"
#include "sum/sum_project.h"
#include "sum/sum_rebase.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_deliver_plan";

// The record format deliver writes.
constexpr int kDeliverFormat = 3;

bool contains(const SUM_ComponentList& list, const SUM_Component& component) {
  for (unsigned i = 0; i < list.count(); ++i)
    if (list[i] == component)
      return true;
  return false;
}

}  // namespace

// ---- starting ------------------------------------------------------------------------------

int SUM_Deliver::start(const SUM_Stream& source) {
  return start(source, SUM_Stream());
}

int SUM_Deliver::start(const SUM_Stream& source, const SUM_Stream& target) {
  SUM_Trace trace("SUM_Deliver::start");
  if (source.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  set_stream(source);
  set_status_ok();
  int read_only = 0;
  if (source.is_read_only(read_only) != 0)
    return trace.checked(__LINE__, record_err_status());
  if (read_only)
    return trace.checked(__LINE__, record_status(ST_SOURCE_READ_ONLY));
  int status = choose_target(source, target);
  if (status == 0)
    status = check_start_refusals();
  if (status != 0)
    return trace.checked(__LINE__, status);
  if ((status = start_common(source)) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableStartCommon);
    return trace.checked(__LINE__, status);
  }
  int intraproject = 0;
  if ((status = is_intraproject(intraproject)) != 0)
    return trace.checked(__LINE__, record_err_status());
  int allowed = 1;
  if (!intraproject &&
      (status = policy_enabled(target_, SUM_Policy::INTERPROJECT_DELIVER, allowed)) != 0)
    return trace.checked(__LINE__, status);
  if (!allowed)
    return trace.checked(__LINE__, record_status(ST_INTERPROJECT_REFUSED));
  set_format(kDeliverFormat);
  set_optype(DELIVER_LOCAL);
  set_state(PREPARED);
  return set_status_ok();
}

int SUM_Deliver::choose_target(const SUM_Stream& source, const SUM_Stream& named) {
  SUM_Trace trace("SUM_Deliver::choose_target");
  int integration = 0;
  if (source.is_integration(integration) != 0)
    return trace.checked(__LINE__, record_err_status());
  // The integration stream has no default target: it names one.
  if (integration) {
    if (named.is_null())
      return trace.checked(__LINE__, record_status(ST_NO_DEFAULT_TARGET));
    target_ = named;
    is_default_ = 0;
    return SUM_OK;
  }
  SUM_Stream default_target;
  int status = source.deliver_stream(default_target);
  if (status != 0 && named.is_null()) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::InternalErrorUnableDetermine,
               std::string(source.any_name()));
    return trace.checked(__LINE__, record_err_status());
  }
  target_ = named.is_null() ? default_target : named;
  is_default_ = status == 0 && target_ == default_target ? 1 : 0;
  return SUM_OK;
}

int SUM_Deliver::check_start_refusals() {
  SUM_Trace trace("SUM_Deliver::check_start_refusals");
  if (target_ == op_stream())
    return trace.checked(__LINE__, record_status(ST_TO_ITSELF));
  int read_only = 0;
  if (target_.is_read_only(read_only) != 0)
    return trace.checked(__LINE__, record_err_status());
  if (read_only)
    return trace.checked(__LINE__, record_status(ST_TARGET_READ_ONLY));
  int found = 0;
  if (has_deliver_in_progress(op_stream(), found) != 0)
    return trace.checked(__LINE__, record_err_status());
  if (found)
    return trace.checked(__LINE__, record_status(ST_ALREADY_IN_PROGRESS));
  if (SUM_Rebase::has_rebase_in_progress(op_stream(), found) != 0)
    return trace.checked(__LINE__, record_err_status());
  if (found)
    return trace.checked(__LINE__, record_status(ST_REBASE_IN_PROGRESS));
  return SUM_OK;
}

int SUM_Deliver::is_intraproject(int& result) const {
  SUM_Trace trace("SUM_Deliver::is_intraproject");
  SUM_Project source_project, target_project;
  if (op_stream().project(source_project) != 0 || target_.project(target_project) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableDetermineWhetherStream,
               std::string(op_stream().any_name()), std::string(target_.any_name()));
    return trace.checked(__LINE__, SUM_FAILED);
  }
  result = source_project == target_project ? 1 : 0;
  return SUM_OK;
}

int SUM_Deliver::policy_enabled(const SUM_Stream& stream, int id, int& enabled) const {
  SUM_Trace trace("SUM_Deliver::policy_enabled");
  SUM_String value;
  if (stream.policy_in_context(id, value) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableReadPolicyStream,
               std::string(SUM_Policy(id).name()), std::string(stream.any_name()));
    return trace.checked(__LINE__, SUM_FAILED);
  }
  enabled = value.Compare("ENABLED") == 0 ? 1 : 0;
  return SUM_OK;
}

// ---- planning ------------------------------------------------------------------------------

int SUM_Deliver::prepare() {
  SUM_Trace trace("SUM_Deliver::prepare");
  selected_acts_ = 0;
  int status = plan_activities();
  if (status != 0 || op_state() == NO_WORK_TODO)
    return trace.checked(__LINE__, status);
  SUM_Stream parent;
  if (target_.parent_stream(parent) == 0 && parent == op_stream())
    imsg_print(IMSG_WARNING, sum_deliver_msg::AboutDeliverParentStream);
  return SUM_OK;
}

int SUM_Deliver::prepare_acts(const SUM_ActivityList& activities) {
  SUM_Trace trace("SUM_Deliver::prepare_acts");
  selected_acts_ = 1;
  activities_ = activities;
  return trace.checked(__LINE__, plan_activities());
}

int SUM_Deliver::plan_activities() {
  SUM_Trace trace("SUM_Deliver::plan_activities");
  int status = analyze();
  if (status == 0 && op_state() != NO_WORK_TODO)
    status = compare_streams();
  if (status == 0 && op_state() != NO_WORK_TODO)
    status = set_acts_wcos();
  return trace.checked(__LINE__, status);
}

int SUM_Deliver::prepare_bls(const SUM_BaselineList& selected) {
  SUM_Trace trace("SUM_Deliver::prepare_bls");
  selected_acts_ = 0;
  set_optype(static_cast<DeliverOpType>(kOpSelectedBaselines));
  int status = analyze_selected_bls(selected);
  if (status == 0)
    status = analyze();
  if (status == 0 && op_state() != NO_WORK_TODO)
    status = compare_selected_bls();
  return trace.checked(__LINE__, status);
}

int SUM_Deliver::analyze_selected_bls(const SUM_BaselineList& selected) {
  SUM_Trace trace("SUM_Deliver::analyze_selected_bls");
  if (op_format() < 2)
    return trace.checked(__LINE__, record_status(ST_SELECTED_BLS_OLD_FORMAT));
  int integration = 0;
  if (op_stream().is_integration(integration) != 0)
    return trace.checked(__LINE__, record_err_status());
  if (selected.count() == 0)
    return trace.checked(__LINE__, record_status(integration ? ST_INTEGRATION_NEEDS_BASELINES
                                                             : ST_BASELINES_NOT_DELIVERABLE));
  SUM_ComponentList configured;
  if (op_stream().components(configured) != 0)
    return trace.checked(__LINE__, record_err_status());
  int refused = 0, conflicts = 0;
  SUM_ComponentList seen;
  for (unsigned i = 0; i < selected.count(); ++i) {
    SUM_Component component;
    SUM_Stream made_in;
    if (selected[i].component(component) != 0)
      return trace.checked(__LINE__, record_err_status());
    int earlier = seen.find(component);
    seen.append(component);
    if (earlier >= 0) {
      imsg_print(IMSG_ERROR, sum_foundation_msg::SameComponent,
                 std::string(selected[i].any_fullname()),
                 std::string(selected[static_cast<unsigned>(earlier)].any_fullname()));
      ++conflicts;
    }
    if (contains(configured, component) && selected[i].stream(made_in) == 0 &&
        made_in == op_stream())
      continue;
    imsg_print(IMSG_ERROR, sum_deliver_msg::BaselineMayNotDelivered,
               std::string(selected[i].any_fullname()), std::string(op_stream().any_name()));
    ++refused;
  }
  if (refused)
    return trace.checked(__LINE__, record_status(ST_BASELINES_NOT_DELIVERABLE));
  // The selection as a foundation: its closure (the baselines the
  // selected composites depend on) is what flows, and two baselines of
  // one component cannot both.
  SUM_Foundation foundation;
  if (conflicts == 0 && (SUM_Foundation::construct_from_bls_no_lbl_chk(selected, foundation) != 0 ||
                         foundation.conflicts(conflicts) != 0))
    return trace.checked(__LINE__, record_err_status());
  if (conflicts)
    return trace.checked(__LINE__, record_status(ST_SELECTED_BLS_CONFLICT));
  if (foundation.closure(baselines_) != 0)
    return trace.checked(__LINE__, record_err_status());
  return SUM_OK;
}

int SUM_Deliver::compare_selected_bls() {
  SUM_Trace trace("SUM_Deliver::compare_selected_bls");
  SUM_BaselineList kept;
  SUM_ActivityList flowing;
  int refused = 0;
  for (unsigned i = 0; i < baselines_.count(); ++i) {
    BaselineDiffList diffs;
    SUM_Component component;
    int keep = 0, status = 0;
    // Not found: the target has no timeline of the component, which
    // check_changed_component then refuses or leaves out.
    status = flowing_diffs(SUM_BaselineVR(baselines_[i]), diffs);
    if ((status != 0 && status != SUM_NOT_FOUND) || baselines_[i].component(component) != 0)
      return trace.checked(__LINE__, record_err_status());
    // A baseline the target has received already brings nothing.
    if (status == 0 && diffs.count() == 0)
      continue;
    SUM_ActivityList acts;
    for (unsigned j = 0; j < diffs.count(); ++j)
      acts.append(diffs[j].activity());
    if ((status = check_changed_component(component, acts, keep)) != 0)
      return trace.checked(__LINE__, status);
    refused += keep < 0 ? 1 : 0;
    if (keep <= 0)
      continue;
    kept.append(baselines_[i]);
    for (unsigned j = 0; j < diffs.count(); ++j)
      if (flowing.find(diffs[j].activity()) < 0)
        flowing.append(diffs[j].activity());
  }
  if (refused)
    return trace.checked(__LINE__, record_status(ST_POLICY_REFUSED));
  baselines_ = kept;
  activities_ = flowing;
  if (kept.count() == 0) {
    set_state(NO_WORK_TODO);
    set_status(ST_NO_ACTIVITIES);
    imsg_print_literal(IMSG_INFO, "%s", static_cast<const char*>(status_msg(ST_NO_ACTIVITIES)));
  }
  return SUM_OK;
}

int SUM_Deliver::analyze() {
  SUM_Trace trace("SUM_Deliver::analyze");
  int status = 0;
  if (is_default_ && (status = check_rebase_policy()) != 0)
    return trace.checked(__LINE__, status);
  SUM_BaselineList source_bls, target_bls;
  if (op_stream().baselines_util(0, source_bls) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableGetFoundationBaselines,
               std::string(op_stream().any_name()));
    return trace.checked(__LINE__, record_err_status());
  }
  if (source_bls.count() == 0) {
    set_state(NO_WORK_TODO);
    set_status(ST_NO_BASELINES);
    imsg_print_literal(IMSG_INFO, "%s", static_cast<const char*>(status_msg(ST_NO_BASELINES)));
    return SUM_OK;
  }
  if (target_.baselines_util(0, target_bls) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableGetFoundationBaselines,
               std::string(target_.any_name()));
    return trace.checked(__LINE__, record_err_status());
  }
  if (target_bls.count() == 0)
    return trace.checked(__LINE__, record_status(ST_TARGET_NO_BASELINES));
  SUM_Project target_project;
  SUM_ComponentList project_mod, source_mod, source_nonmod, target_comps;
  if (target_.project(target_project) != 0 || target_project.mod_comps(project_mod) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableGetModifiableComponents,
               std::string(target_.any_name()));
    return trace.checked(__LINE__, record_err_status());
  }
  if (project_mod.count() == 0)
    return trace.checked(__LINE__, record_status(ST_TARGET_NO_MOD_COMPS));
  if (op_stream().sort_comps_by_mod(source_mod, source_nonmod) != 0 ||
      target_.components(target_comps) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableAnalyzeComponentsStream,
               std::string(op_stream().any_name()));
    return trace.checked(__LINE__, record_err_status());
  }
  if (source_mod.count() == 0)
    return trace.checked(__LINE__, record_status(ST_SOURCE_NO_MOD_COMPS));
  bool shared = false;
  for (unsigned i = 0; i < source_mod.count() && !shared; ++i)
    shared = contains(target_comps, source_mod[i]);
  if (!shared)
    return trace.checked(__LINE__, record_status(ST_NO_COMMON_MOD_COMPS));
  return SUM_OK;
}

int SUM_Deliver::check_rebase_policy() {
  SUM_Trace trace("SUM_Deliver::check_rebase_policy");
  int required = 0;
  int status = policy_enabled(target_, SUM_Policy::DELIVER_REQUIRE_REBASE, required);
  if (status != 0 || !required)
    return trace.checked(__LINE__, status);
  SUM_Stream rebase_stream;
  SUM_BaselineList recommended;
  if (op_stream().rebase_stream(rebase_stream) != 0)
    return SUM_OK;
  if (rebase_stream.recbls(recommended) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableGetRecommendedBaselines,
               std::string(rebase_stream.any_name()));
    return trace.checked(__LINE__, record_err_status());
  }
  SUM_ComponentList recommended_comps;
  for (unsigned i = 0; i < recommended.count(); ++i) {
    SUM_Component component;
    if (recommended[i].component(component) != 0)
      return trace.checked(__LINE__, record_err_status());
    recommended_comps.append(component);
  }
  if ((status = report_unrecommended(recommended_comps)) != 0)
    return trace.checked(__LINE__, status);
  for (unsigned i = 0; i < recommended.count(); ++i) {
    const SUM_Component& component = recommended_comps[i];
    SUM_Baseline foundation;
    if (op_stream().baseline_util(component, 0, foundation) != 0)
      continue;
    if (foundation == recommended[i])
      continue;
    SUM_BaselineList candidates;
    candidates.append(foundation);
    int ancestor = 0;
    if (recommended[i].is_ancestor_of(candidates, ancestor) != 0)
      return trace.checked(__LINE__, record_err_status());
    if (!ancestor)
      return trace.checked(__LINE__, record_status(ST_REBASE_REQUIRED));
  }
  return SUM_OK;
}

// The activities of `vbl` the target lacks (or holds at a lower count),
// replacing `out`.
int SUM_Deliver::component_changes(const SUM_VirtualBaseline& vbl, SUM_ActivityList& out) const {
  SUM_Trace trace("SUM_Deliver::component_changes");
  out = SUM_ActivityList();
  BaselineDiffList diffs;
  int status = flowing_diffs(SUM_BaselineVR(vbl), diffs);
  // The target has no timeline of the component: whatever the source's
  // configuration holds of it, its own work and its foundation's, is
  // missing there.
  if (status == SUM_NOT_FOUND)
    return trace.checked(__LINE__, configuration_activities(vbl, out));
  for (unsigned i = 0; status == 0 && i < diffs.count(); ++i)
    if (out.find(diffs[i].activity()) < 0)
      out.append(diffs[i].activity());
  return trace.checked(__LINE__, status);
}

int SUM_Deliver::configuration_activities(const SUM_VirtualBaseline& vbl,
                                          SUM_ActivityList& out) const {
  SUM_Trace trace("SUM_Deliver::configuration_activities");
  SUM_Component component;
  SUM_Baseline foundation;
  SUM_ActivityList inherited;
  int status = vbl.change_sets(out);
  if (status == 0)
    status = vbl.component(component);
  if (status == 0)
    status = op_stream().baseline_util(component, 0, foundation);
  if (status == 0)
    status = foundation.change_sets(inherited);
  for (unsigned i = 0; status == 0 && i < inherited.count(); ++i)
    if (out.find(inherited[i]) < 0)
      out.append(inherited[i]);
  return trace.checked(__LINE__, status);
}

// For selected activities with changes in `component`: `taken` 1 when the
// target sees it and may modify it; otherwise 0, after saying which.
int SUM_Deliver::selected_component_taken(const SUM_Component& component, int& taken) const {
  SUM_Trace trace("SUM_Deliver::selected_component_taken");
  int visible = 0;
  SUM_ComponentList target_mod, target_nonmod;
  if (target_.component_visible(component, visible) != 0 ||
      target_.mod_comps(target_mod, target_nonmod) != 0)
    return trace.checked(__LINE__, SUM_FAILED);
  taken = visible && contains(target_mod, component) ? 1 : 0;
  if (!visible)
    imsg_print(IMSG_ERROR, sum_deliver_msg::SelectedActivitiesContainChanges,
               std::string(component.any_name()));
  else if (!taken)
    imsg_print(IMSG_ERROR, sum_deliver_msg::SelectedActivitiesContainChangesComponent,
               std::string(component.any_name()));
  return SUM_OK;
}

int SUM_Deliver::report_unrecommended(const SUM_ComponentList& recommended) {
  SUM_Trace trace("SUM_Deliver::report_unrecommended");
  SUM_BaselineList foundations;
  if (op_stream().baselines_util(0, foundations) != 0)
    return trace.checked(__LINE__, record_err_status());
  for (unsigned i = 0; i < foundations.count(); ++i) {
    SUM_Component component;
    if (foundations[i].component(component) != 0)
      return trace.checked(__LINE__, record_err_status());
    if (!contains(recommended, component))
      imsg_print(IMSG_WARNING, sum_deliver_msg::ThereNoRecommendedBaseline,
                 std::string(component.any_name()), std::string(target_.any_name()));
  }
  return SUM_OK;
}

// Whether `flowing` holds activities of the source stream itself (`own`)
// and activities it acquired with its foundation (`inherited`).
void SUM_Deliver::changes_origin(const SUM_ActivityList& flowing, bool& own,
                                 bool& inherited) const {
  own = inherited = false;
  for (unsigned i = 0; i < flowing.count(); ++i) {
    SUM_Stream made_in;
    if (flowing[i].stream(made_in) == 0 && made_in == op_stream())
      own = true;
    else
      inherited = true;
  }
}

// Whether the target may take the changes `flowing` in `component`: `keep`
// 1 when it may, 0 when they are left out, -1 (after the messages) when
// they forbid the deliver.
int SUM_Deliver::check_changed_component(const SUM_Component& component,
                                         const SUM_ActivityList& flowing, int& keep) {
  SUM_Trace trace("SUM_Deliver::check_changed_component");
  keep = 1;
  int visible = 0, intraproject = 0;
  SUM_ComponentList target_mod, target_nonmod;
  SUM_Project target_project;
  if (target_.component_visible(component, visible) != 0 || is_intraproject(intraproject) != 0 ||
      target_.mod_comps(target_mod, target_nonmod) != 0 || target_.project(target_project) != 0)
    return trace.checked(__LINE__, record_err_status());
  const std::string comp(component.any_name()), source(op_stream().any_name()),
      target(target_.any_name()), project(target_project.any_name());
  if (visible && contains(target_mod, component))
    return SUM_OK;
  bool own = true, inherited = false;
  changes_origin(flowing, own, inherited);
  if (own || !inherited)
    imsg_print(IMSG_INFO, sum_deliver_msg::ThereChangesDeliverComponent, comp, source);
  else
    imsg_print(IMSG_INFO, sum_deliver_msg::ThereChangesSourceStream, source, comp);
  keep = 0;
  int allowed = 0, status = 0;
  if (!visible) {
    imsg_print(IMSG_INFO, sum_deliver_msg::ComponentNotTargetStream, comp, target);
    SUM_ComponentList project_mod;
    if (target_project.mod_comps(project_mod) == 0 && contains(project_mod, component))
      imsg_print(IMSG_INFO, sum_deliver_msg::ComponentNotSeenTarget, comp, project);
    status =
        intraproject
            ? policy_enabled(target_, SUM_Policy::INTRAPROJECT_DELIVER_ALLOW_MISSING_TGTCOMPS,
                             allowed)
            : policy_enabled(target_, SUM_Policy::INTERPROJECT_DELIVER_REQUIRE_TGTCOMP_VISIBILITY,
                             allowed);
    // Visibility required ("ENABLED") forbids what "DISABLED" allows.
    if (!intraproject)
      allowed = !allowed;
    if (status != 0)
      return trace.checked(__LINE__, record_err_status());
    if (allowed) {
      imsg_print(IMSG_WARNING, sum_deliver_msg::IgnoringChangesComponent, comp);
      return SUM_OK;
    }
    if (intraproject)
      imsg_print(IMSG_ERROR, sum_deliver_msg::TargetStreamProjectDoesNot, target, project);
    else
      imsg_print(IMSG_ERROR, sum_deliver_msg::TargetStreamProjectDoesNotAllow, target, project);
    keep = -1;
    return SUM_OK;
  }
  imsg_print(IMSG_INFO, sum_deliver_msg::ComponentSeenTargetStream, comp, target, project);
  if (intraproject) {
    imsg_print(IMSG_WARNING, sum_deliver_msg::SkippingChangesNonModifiable, comp);
    if (own && inherited)
      imsg_print(IMSG_WARNING, sum_deliver_msg::ThereMayAlsoChanges, source, comp);
    return SUM_OK;
  }
  if (policy_enabled(target_, SUM_Policy::INTERPROJECT_DELIVER_ALLOW_NONMOD_TGTCOMPS, allowed) != 0)
    return trace.checked(__LINE__, record_err_status());
  if (allowed) {
    imsg_print(IMSG_WARNING, sum_deliver_msg::IgnoringChangesComponent, comp);
    return SUM_OK;
  }
  imsg_print(IMSG_ERROR, sum_deliver_msg::CannotDeliverChangesComponent, comp);
  imsg_print(IMSG_ERROR, sum_deliver_msg::TargetStreamProjectDoesNotAllowInterproject, target,
             project);
  keep = -1;
  return SUM_OK;
}

int SUM_Deliver::compare_streams() {
  SUM_Trace trace("SUM_Deliver::compare_streams");
  int status = 0, interrupted = 0;
  if (selected_acts_)
    status = SUM_VirtualConfig::construct_deliver_acts(op_stream(), activities_, vconfig_);
  else
    status = SUM_VirtualConfig::construct(op_stream(), &callbacks_.progress, vconfig_, interrupted);
  if (interrupted)
    return trace.checked(__LINE__, record_status(ST_INTERRUPTED));
  SUM_VirtualBaselineList vbls;
  if (status == 0 && !selected_acts_)
    status = vconfig_.compute_cset_info();
  if (status == 0)
    status = vconfig_.virtual_baselines(vbls);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableCompareStreamStream,
               std::string(op_stream().any_name()), std::string(target_.any_name()));
    return trace.checked(__LINE__, status == SUM_FAILED ? SUM_FAILED : record_err_status());
  }
  // The components whose changes flow: those the target lacks activities
  // of, where the target may take them.
  to_realize_ = SUM_VirtualBaselineList();
  SUM_ActivityList flowing;
  int refused = 0, unsupported = 0;
  for (unsigned i = 0; i < vbls.count(); ++i) {
    int keep = 0;
    SUM_Component component;
    SUM_ActivityList acts;
    if ((status = vbls[i].component(component)) != 0 ||
        (status = component_changes(vbls[i], acts)) != 0)
      return trace.checked(__LINE__, record_err_status());
    if (acts.count() == 0)
      continue;
    if (selected_acts_) {
      if ((status = selected_component_taken(component, keep)) != 0)
        return trace.checked(__LINE__, record_err_status());
      unsupported += keep ? 0 : 1;
    } else if ((status = check_changed_component(component, acts, keep)) != 0) {
      return trace.checked(__LINE__, status);
    }
    refused += keep < 0 ? 1 : 0;
    if (keep <= 0)
      continue;
    to_realize_.append(vbls[i]);
    for (unsigned j = 0; j < acts.count(); ++j)
      if (flowing.find(acts[j]) < 0)
        flowing.append(acts[j]);
  }
  if (unsupported)
    return trace.checked(__LINE__, record_status(ST_SELECTED_ACTS_UNSUPPORTED));
  if (refused)
    return trace.checked(__LINE__, record_status(ST_POLICY_REFUSED));
  if ((status = check_foundation_changes()) != 0)
    return trace.checked(__LINE__, status);
  if (selected_acts_)
    for (unsigned i = 0; i < activities_.count(); ++i)
      if (flowing.find(activities_[i]) < 0)
        imsg_print(IMSG_WARNING, sum_deliver_msg::NoChangesActivityNeed,
                   std::string(activities_[i].any_fullname()));
  if (to_realize_.count() == 0 || (selected_acts_ && activities_.count() == 0)) {
    set_state(NO_WORK_TODO);
    set_status(ST_NO_ACTIVITIES);
    imsg_print_literal(IMSG_INFO, "%s", static_cast<const char*>(status_msg(ST_NO_ACTIVITIES)));
    return SUM_OK;
  }
  if (!selected_acts_)
    activities_ = flowing;
  return SUM_OK;
}

int SUM_Deliver::check_foundation_changes() {
  SUM_Trace trace("SUM_Deliver::check_foundation_changes");
  fdn_bls_ = SUM_BaselineList();
  const std::string source(op_stream().any_name());
  for (unsigned i = 0; i < to_realize_.count(); ++i) {
    SUM_Component component;
    SUM_Baseline foundation;
    BaselineDiffList lacking;
    if (to_realize_[i].component(component) != 0 ||
        op_stream().baseline_util(component, 0, foundation) != 0 ||
        flowing_diffs(SUM_BaselineVR(foundation), lacking) != 0)
      return trace.checked(__LINE__, record_err_status());
    if (lacking.count() == 0)
      continue;
    fdn_bls_.append(foundation);
    // Whether the stream's own changes flow beside the foundation's.
    SUM_ActivityList acts;
    if (component_changes(to_realize_[i], acts) != 0)
      return trace.checked(__LINE__, record_err_status());
    bool own = false, inherited = false;
    changes_origin(acts, own, inherited);
    const std::string comp(component.any_name()), fdn(foundation.any_fullname());
    if (selected_acts_)
      imsg_print(IMSG_INFO, sum_deliver_msg::DeliverOperationContainsChangesStream);
    else if (own)
      imsg_print(IMSG_INFO, sum_deliver_msg::DeliverOperationContainsChangesComponent, comp, source,
                 fdn);
    else
      imsg_print(IMSG_INFO, sum_deliver_msg::DeliverOperationContainsChanges, comp, source, fdn);
  }
  if (fdn_bls_.count() == 0)
    return SUM_OK;
  int intraproject = 0, allowed = 0;
  SUM_Project project;
  if (is_intraproject(intraproject) != 0 || target_.project(project) != 0 ||
      policy_enabled(target_,
                     intraproject ? SUM_Policy::INTRAPROJECT_DELIVER_FOUNDATION_CHANGES
                                  : SUM_Policy::INTERPROJECT_DELIVER_FOUNDATION_CHANGES,
                     allowed) != 0)
    return trace.checked(__LINE__, record_err_status());
  if (allowed)
    return SUM_OK;
  const std::string target(target_.any_name()), proj(project.any_name());
  if (intraproject)
    imsg_print(IMSG_ERROR, sum_deliver_msg::TargetStreamProjectDoesNotAllowIntraproject, target,
               proj);
  else
    imsg_print(IMSG_ERROR, sum_deliver_msg::TargetStreamProjectDoesNotAllowInterprojectDeliv,
               target, proj);
  return trace.checked(__LINE__, record_status(ST_POLICY_REFUSED));
}

int SUM_Deliver::flowing_diffs(const SUM_BaselineVR& delivered, BaselineDiffList& out) const {
  SUM_Trace trace("SUM_Deliver::flowing_diffs");
  BaselineDiffList diffs, flowing;
  int status = BaselineDiff::compare(target_, delivered, diffs);
  for (unsigned i = 0; status == 0 && i < diffs.count(); ++i)
    if (diffs[i].moved_on())
      flowing.append(diffs[i]);
  if (status == 0)
    out = flowing;
  return trace.checked(__LINE__, status);
}

int SUM_Deliver::flowing_versions(const SUM_BaselineVR& delivered, SUM_VersionList& out) const {
  SUM_Trace trace("SUM_Deliver::flowing_versions");
  BaselineDiffList flowing;
  int status = flowing_diffs(delivered, flowing);
  if (status == 0)
    status = BaselineDiff::diffs_to_vers(flowing, out);
  return trace.checked(__LINE__, status);
}

int SUM_Deliver::preview_versions(SUM_VersionList& out) const {
  SUM_Trace trace("SUM_Deliver::preview_versions");
  // Selected baselines exist already: they are what would be merged.
  int count = 0;
  if (optype_ == kOpSelectedBaselines)
    return trace.checked(__LINE__, versions_to_merge(out, count));
  SUM_VersionList found;
  for (unsigned i = 0; i < to_realize_.count(); ++i) {
    SUM_VersionList versions;
    if (flowing_versions(SUM_BaselineVR(to_realize_[i]), versions) != 0)
      return trace.checked(__LINE__, SUM_FAILED);
    for (unsigned j = 0; j < versions.count(); ++j)
      found.append(versions[j]);
  }
  out = found;
  return SUM_OK;
}

// ---- checkouts in the source -----------------------------------------------------------------

int SUM_Deliver::set_acts_wcos() {
  SUM_Trace trace("SUM_Deliver::set_acts_wcos");
  acts_wcos_ = SUM_ActivityList();
  acts_wcos_only_ = SUM_ActivityList();
  for (unsigned i = 0; i < activities_.count(); ++i) {
    int checkouts = 0, checkins = 0;
    if (activities_[i].has_checkouts(checkouts) != 0 ||
        activities_[i].has_checkins(checkins) != 0) {
      imsg_print(IMSG_ERROR, sum_deliver_msg::UnableDetermineActivitiesCheckouts,
                 std::string(op_stream().any_name()));
      return trace.checked(__LINE__, record_err_status());
    }
    if (!checkouts)
      continue;
    acts_wcos_.append(activities_[i]);
    if (!checkins)
      acts_wcos_only_.append(activities_[i]);
  }
  if (acts_wcos_.count() == 0)
    return SUM_OK;
  return trace.checked(__LINE__, check_acts_wcos_policy(selected_acts_));
}

int SUM_Deliver::check_acts_wcos_policy(int selected) {
  SUM_Trace trace("SUM_Deliver::check_acts_wcos_policy");
  int allowed = 0;
  int status = policy_enabled(
      op_stream(), selected ? SUM_Policy::DELIVER_NCO_SELACT : SUM_Policy::DELIVER_NCO_DEVSTR,
      allowed);
  if (status != 0)
    return trace.checked(__LINE__, record_err_status());
  auto list = [](const SUM_ActivityList& acts) {
    for (unsigned i = 0; i < acts.count(); ++i)
      imsg_print_literal(IMSG_CONTINUATION, "    %s\n", acts[i].any_fullname());
  };
  if (!allowed) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::FollowingActivitiesContainChecked);
    list(acts_wcos_);
    return trace.checked(
        __LINE__, record_status(selected ? ST_SELECTED_CHECKOUTS_PREVENT : ST_CHECKOUTS_PREVENT));
  }
  // Allowed: what is only checked out is left out; the rest goes without
  // its checkouts.
  if (acts_wcos_only_.count() > 0) {
    SUM_ActivityList kept;
    for (unsigned i = 0; i < activities_.count(); ++i)
      if (acts_wcos_only_.find(activities_[i]) < 0)
        kept.append(activities_[i]);
    activities_ = kept;
    imsg_print(IMSG_WARNING, sum_deliver_msg::FollowingActivitiesContainOnly);
    list(acts_wcos_only_);
  }
  imsg_print(IMSG_WARNING, sum_deliver_msg::FollowingActivitiesContainChecked);
  list(acts_wcos_);
  imsg_print(IMSG_WARNING, sum_deliver_msg::TheseChangesNOTIncluded);
  imsg_print_literal(IMSG_WARNING, "%s",
                     static_cast<const char*>(status_msg(selected ? ST_SELECTED_CHECKOUTS_EXCLUDED
                                                                  : ST_CHECKOUTS_EXCLUDED)));
  if (activities_.count() == 0) {
    set_state(NO_WORK_TODO);
    set_status(ST_NO_ACTIVITIES);
    imsg_print_literal(IMSG_INFO, "%s", static_cast<const char*>(status_msg(ST_NO_ACTIVITIES)));
  }
  return SUM_OK;
}
