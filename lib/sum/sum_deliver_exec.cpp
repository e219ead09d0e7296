// SUM_Deliver: execution. Binding the target view, the two phases of the
// states (commit with the baselines, integration activity, merge; then
// check-in, the recorded delivery, clearing), resuming and cancelling.
//
// Every step is safe to repeat after a crash: realizing the source's
// virtual baselines again reuses the baselines a crash left unrecorded, the
// integration activity is found again by its name, merges and check-ins
// are the engine's (each repeatable), recording the delivery records
// nothing twice, and the record is cleared last.
#include <string>

#include "services/date.h"
#include "services/imsg.h"
#include "sum/sum_baseline_diff.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_deliver.h"
#include "sum/sum_project.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"
#include "sum/sum_version.h"

namespace {

constexpr const char* kSource = "sum_deliver_exec";
// The outcome code of a delivery that could not be recorded (it has no
// text of its own: the message says it).
constexpr int kStatusArcNotDrawn = 53;

SUM_VobObjectList objects_of(const SUM_ActivityList& activities) {
  SUM_VobObjectList out;
  for (unsigned i = 0; i < activities.count(); ++i)
    out.append(activities[i]);
  return out;
}

SUM_VobObjectList objects_of(const SUM_BaselineList& baselines) {
  SUM_VobObjectList out;
  for (unsigned i = 0; i < baselines.count(); ++i)
    out.append(baselines[i]);
  return out;
}

}  // namespace

// ---- the target view -----------------------------------------------------------------------

int SUM_Deliver::prepare_view(const SUM_View& view) {
  SUM_Trace trace("SUM_Deliver::prepare_view");
  if (view.is_null() || target_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int attached = 0;
  if (view.is_attached(target_, attached) != 0)
    return trace.checked(__LINE__, record_err_status());
  if (!attached) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::ViewNotOfTarget, std::string(view.any_name()),
               std::string(target_.any_name()));
    return trace.checked(__LINE__, SUM_FAILED);
  }
  // A resumed deliver keeps its view.
  if (op_state() > PREPARED && !op_target_view().is_null()) {
    if (op_target_view() == view)
      return SUM_OK;
    imsg_print(IMSG_ERROR, sum_deliver_msg::DeliverUsesOtherView,
               std::string(op_target_view().any_name()));
    return trace.checked(__LINE__, SUM_FAILED);
  }
  int status = prepare_view_common(view);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnablePrepareViewCommon);
    return trace.checked(__LINE__, status);
  }
  int has = 0;
  if (view.has_checkouts(has) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableDetermineIfView);
    unset_target_view();
    return trace.checked(__LINE__, record_err_status());
  }
  if (has) {
    status = record_status(ST_VIEW_HAS_CHECKOUTS);
    unset_target_view();
    return trace.checked(__LINE__, status);
  }
  int snapshot = 0, in_sync = 0;
  if (view.is_snapshot(snapshot) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableDetermineIfViewSnapshot);
    return trace.checked(__LINE__, record_err_status());
  }
  if (snapshot) {
    if (target_.config_spec_in_sync(view, in_sync) != 0) {
      imsg_print(IMSG_ERROR, sum_deliver_msg::UnableDetermineIfViewConfig);
      return trace.checked(__LINE__, record_err_status());
    }
    if (!in_sync)
      return trace.checked(__LINE__, record_status(ST_VIEW_CSPEC_OUT_OF_DATE));
    imsg_print(IMSG_WARNING, sum_deliver_msg::PleaseEnsureTargetSnapshot,
               std::string(view.any_name()));
    int changed = 0;
    if (view.update(changed) != 0) {
      imsg_print(IMSG_ERROR, sum_deliver_msg::UnableUpdateConfigSpec);
      return trace.checked(__LINE__, record_err_status());
    }
  }
  if (is_default_ && target_.set_deliver_view(view) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableSetDeliverView, std::string(target_.any_name()));
    return trace.checked(__LINE__, record_err_status());
  }
  return set_status_ok();
}

// ---- advancing -----------------------------------------------------------------------------

int SUM_Deliver::do_deliver() {
  SUM_Trace trace("SUM_Deliver::do_deliver");
  int status = do_integration(CONTEXT_MERGED);
  if (status != 0)
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableDoIntegration);
  return trace.checked(__LINE__, status);
}

int SUM_Deliver::do_integration(OpnState target) {
  SUM_Trace trace("SUM_Deliver::do_integration");
  if (op_target_view().is_null() || target_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, drive(target));
}

int SUM_Deliver::merge_into_view() {
  SUM_Trace trace("SUM_Deliver::merge_into_view");
  return trace.checked(__LINE__, do_merge(callbacks_.element, callbacks_.sorted_versions));
}

int SUM_Deliver::refuse_new_merges() {
  imsg_print(IMSG_ERROR, sum_deliver_msg::UnableCompleteDeliverOperation);
  imsg_print(IMSG_ERROR, sum_deliver_msg::MustRestartOperationCheck);
  set_status(ST_NEW_MERGES);
  return SUM_FAILED;
}

int SUM_Deliver::fire_trigger(TriggerKind kind, int preop) {
  SUM_Trace trace("SUM_Deliver::fire_trigger");
  SUM_Project project;
  if (op_stream().project(project) != 0)
    return trace.checked(__LINE__, record_err_status());
  const SUM_Activity& activity = op_integration_activity();
  int status = 0;
  if (kind == TRIGGER_START) {
    SUM_TrigDeliverStart trigger(op_stream(), target_, project, objects_of(activities_),
                                 objects_of(baselines_), activity, SUM_String());
    status = preop ? trigger.fire_preop() : trigger.fire_postop(SUM_VobObject());
    if (status != 0 && preop)
      return trace.checked(__LINE__, record_status(ST_START_PREOP_REFUSED));
  } else if (kind == TRIGGER_COMPLETE) {
    SUM_TrigDeliverComplete trigger(op_stream(), target_, project, objects_of(activities_),
                                    objects_of(baselines_), activity, SUM_String());
    status = preop ? trigger.fire_preop() : trigger.fire_postop(SUM_VobObject());
  } else {
    SUM_TrigDeliverCancel trigger(op_stream(), target_, project, activity, SUM_String());
    status = preop ? trigger.fire_preop() : trigger.fire_postop(SUM_VobObject());
  }
  return preop ? trace.checked(__LINE__, status) : SUM_OK;
}

int SUM_Deliver::run_first_phase_state(OpnState state, int& stop) {
  SUM_Trace trace("SUM_Deliver::run_first_phase_state");
  int status = 0;
  switch (state) {
    case OP_COMMITTED:
      // The record is saved before the baselines are made, so that a cancel
      // after a crash between the two finds them (by their names, made
      // from the recorded start time) and removes them.
      if ((status = fire_trigger(TRIGGER_START, 1)) != 0)
        return trace.checked(__LINE__, status);
      if (cached_record().GetLength() == 0 && (status = set_state_and_save_to_pvar(PREPARED)) != 0)
        return trace.checked(__LINE__, status);
      if ((status = make_baselines()) != 0)
        return trace.checked(__LINE__, status);
      return trace.checked(__LINE__, set_state_and_save_to_pvar(state));
    default:
      // Posting needs another replica, and a deliver leaves the target
      // view's config spec as it is: those states hold no work here.
      return trace.checked(__LINE__, SUM_Integration::run_first_phase_state(state, stop));
  }
}

int SUM_Deliver::run_second_phase_state(OpnState state) {
  SUM_Trace trace("SUM_Deliver::run_second_phase_state");
  int status = 0;
  switch (state) {
    case INTEGARC_DRAWN:
      if ((status = draw_integration_arc()) != 0)
        return trace.checked(__LINE__, status);
      return trace.checked(__LINE__, set_state_and_save_to_pvar(state));
    case INTEGACT_CLEARED:
      return trace.checked(__LINE__, step_clear_integration_activity());
    case ENVIRONMENT_UPDATED:
      if ((status = finish_record()) != 0)
        return trace.checked(__LINE__, status);
      set_state(state);
      return SUM_OK;
    case COMPLETED:
      set_state(state);
      announce(imsg_text(sum_deliver_msg::DeliverCompleted));
      return trace.checked(__LINE__, fire_trigger(TRIGGER_COMPLETE, 0));
    default:
      // No tracker binding, and no configuration of the source changes.
      return trace.checked(__LINE__, SUM_Integration::run_second_phase_state(state));
  }
}

// ---- baselines -------------------------------------------------------------------------------

std::string SUM_Deliver::baseline_base_name() const {
  SUM_String stream_name;
  if (op_stream().name(stream_name) != 0)
    return "";
  return imsg_format(sum_deliver_msg::Deliverbl, std::string(stream_name),
                     date_fmt_numeric_token(op_start_time(), DATE_TOKEN_DATE_TIME));
}

int SUM_Deliver::make_baselines() {
  SUM_Trace trace("SUM_Deliver::make_baselines");
  // Selected baselines exist: the record holds them from the start.
  if (optype_ == kOpSelectedBaselines)
    return trace.checked(__LINE__, add_mergeless_baselines());
  // A deliver resumed here was cut short while it made its baselines: what
  // it planned went with its process.
  if (vconfig_.is_null()) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::DeliverCutShortMakingBaselines,
               std::string(op_stream().any_name()));
    return trace.checked(__LINE__, SUM_FAILED);
  }
  std::string name = baseline_base_name();
  std::string comment = imsg_format(sum_deliver_msg::BaselineCreatedDeliver,
                                    date_fmt_short_date_time(op_start_time()));
  if (name.empty())
    return trace.checked(__LINE__, record_err_status());
  SUM_BaselineList made;
  std::vector<int> created;
  int status =
      vconfig_.realize_subset(name.c_str(), comment.c_str(), to_realize_, 0, made, created);
  SUM_BaselineList fresh;
  for (unsigned i = 0; i < made.count() && i < created.size(); ++i)
    if (created[i])
      fresh.append(made[i]);
  bls_created_ = fresh;
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableMakeBaselines);
    remove_baselines(0);
    return trace.checked(__LINE__, record_status(ST_CANNOT_MAKE_BASELINE));
  }
  baselines_ = made;
  return trace.checked(__LINE__, add_mergeless_baselines());
}

int SUM_Deliver::add_mergeless_baselines() {
  SUM_Trace trace("SUM_Deliver::add_mergeless_baselines");
  SUM_BaselineList added;
  for (unsigned i = 0; i < baselines_.count(); ++i) {
    SUM_BaselineList older;
    if (baselines_[i].predecessors(older) != 0)
      return trace.checked(__LINE__, record_err_status());
    // Newest first, down to the last one that reached the target.
    for (unsigned j = older.count(); j-- > 0;) {
      const SUM_Baseline& candidate = older[j];
      trace.info(2, "Considering real baseline %s", candidate.any_fullname());
      int initial = 0, flowed = 0;
      SUM_Stream made_in;
      if (candidate.is_initial(initial) != 0 || candidate.has_flowed_to(target_, flowed) != 0)
        return trace.checked(__LINE__, record_err_status());
      if (flowed)
        break;
      if (initial || candidate.stream(made_in) != 0 || !(made_in == op_stream()) ||
          baselines_.find(candidate) >= 0 || added.find(candidate) >= 0)
        continue;
      trace.info(2, "Adding undelivered baseline %s", candidate.any_fullname());
      added.append(candidate);
    }
  }
  for (unsigned i = 0; i < added.count(); ++i)
    baselines_.append(added[i]);
  return SUM_OK;
}

int SUM_Deliver::find_orphan_baselines() {
  SUM_Trace trace("SUM_Deliver::find_orphan_baselines");
  const std::string base = baseline_base_name();
  SUM_BaselineList made_in_stream;
  if (base.empty() || op_stream().baselines(made_in_stream) != 0)
    return trace.checked(__LINE__, SUM_FAILED);
  for (unsigned i = 0; i < made_in_stream.count(); ++i) {
    SUM_String name;
    if (made_in_stream[i].name(name) != 0 || bls_created_.find(made_in_stream[i]) >= 0)
      continue;
    // An earlier deliver started in the same second named its baselines
    // alike: those it delivered are its own.
    const std::string text(name);
    int delivered = 0;
    if (text.compare(0, base.size(), base) == 0 &&
        made_in_stream[i].has_been_delivered(delivered) == 0 && !delivered)
      bls_created_.append(made_in_stream[i]);
  }
  return SUM_OK;
}

int SUM_Deliver::remove_baselines(int cancelling) {
  SUM_Trace trace("SUM_Deliver::remove_baselines");
  int failed = 0;
  const std::string comment = imsg_text(sum_deliver_msg::RemoveBaselineCreatedDeliver);
  SUM_BaselineList kept;
  for (unsigned i = 0; i < bls_created_.count(); ++i) {
    SUM_Baseline baseline = bls_created_[i];
    int labeled = 0;
    if (baseline.is_labeled(labeled) == 0 && labeled) {
      kept.append(baseline);
      continue;
    }
    if (baseline.destroy(comment.c_str(), SUM_Baseline::kQuietSearch) != 0) {
      imsg_print(IMSG_WARNING, sum_deliver_msg::UnableRemoveBaseline,
                 std::string(baseline.any_fullname()));
      kept.append(baseline);
      ++failed;
    }
  }
  bls_created_ = kept;
  if (failed && cancelling)
    imsg_print(IMSG_WARNING, sum_deliver_msg::CancelationDeliverOperationEncountered);
  return SUM_OK;
}

// ---- what is merged --------------------------------------------------------------------------

int SUM_Deliver::versions_to_merge(SUM_VersionList& out, int& count) const {
  SUM_Trace trace("SUM_Deliver::versions_to_merge");
  SUM_VersionList found;
  for (unsigned i = 0; i < baselines_.count(); ++i) {
    // An older baseline a delivered one holds is merged through it.
    SUM_BaselineList others = baselines_;
    others.remove(i);
    int held = 0;
    if (baselines_[i].is_ancestor_of(others, held) != 0)
      return trace.checked(__LINE__, SUM_FAILED);
    if (held)
      continue;
    SUM_VersionList versions;
    if (flowing_versions(SUM_BaselineVR(baselines_[i]), versions) != 0) {
      imsg_print(IMSG_ERROR, sum_deliver_msg::UnableConvertDiffsVersions);
      return trace.checked(__LINE__, SUM_FAILED);
    }
    for (unsigned j = 0; j < versions.count(); ++j)
      found.append(versions[j]);
  }
  out = found;
  count = static_cast<int>(out.count());
  trace.info(2, "Found %d elements in diffs.", count);
  return SUM_OK;
}

// ---- completing ----------------------------------------------------------------------------

int SUM_Deliver::draw_integration_arc() {
  SUM_Trace trace("SUM_Deliver::draw_integration_arc");
  if (op_stream().record_deliver(target_, baselines_, op_target_view(), nullptr) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableDrawIntegrationArc);
    set_status(kStatusArcNotDrawn);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  return SUM_OK;
}

int SUM_Deliver::finish_record() {
  SUM_Trace trace("SUM_Deliver::finish_record");
  if (op_state() != CANCELLED && !op_integration_activity().is_null() &&
      op_integration_activity().save_integration_config(PVAR_ZEM_GEN_ZEM_DELIVER, baselines_,
                                                        SUM_BaselineList(),
                                                        optype_ == kOpSelectedBaselines) != 0)
    return trace.checked(__LINE__, record_err_status());
  if (clear_integration_info() != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableClearIntegrationInfo);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  return SUM_OK;
}

// ---- resuming and cancelling ---------------------------------------------------------------

int SUM_Deliver::restore_in_progress(const SUM_Stream& source, const int& lenient) {
  SUM_Trace trace("SUM_Deliver::restore_in_progress");
  if (source.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  set_stream(source);
  int found = 0;
  if (has_deliver_in_progress(source, found) != 0)
    return trace.checked(__LINE__, record_err_status());
  if (!found)
    return trace.checked(__LINE__, record_status(ST_NO_OPERATION));
  int status = restart_common(source);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableRestartCommon);
    return trace.checked(__LINE__, status);
  }
  if ((status = restore_from_pvar(lenient)) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableRestorePvar);
    return trace.checked(__LINE__, status);
  }
  SUM_Stream default_target;
  is_default_ = source.deliver_stream(default_target) == 0 && default_target == target_ ? 1 : 0;
  return set_status_ok();
}

int SUM_Deliver::restart(const SUM_Stream& source) {
  SUM_Trace trace("SUM_Deliver::restart");
  int status = restore_in_progress(source, 0);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if ((status = check_operation_common(target_)) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableCheckOperationCommon);
    return trace.checked(__LINE__, status);
  }
  return set_status_ok();
}

int SUM_Deliver::reset_deliver_view(const SUM_Stream& source, const SUM_View& view) {
  SUM_Trace trace("SUM_Deliver::reset_deliver_view");
  if (view.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  // A removed view is no reason to refuse: it is the reason to move.
  int status = restore_in_progress(source, 1);
  if (status != 0)
    return trace.checked(__LINE__, status);
  const std::string name(view.any_name());
  if (op_state() >= REPROCESS_MERGING && op_state() != CANCELLED) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableCancelDeliveryBecause);
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableRetargetOperationView,
               std::string(operation_name_lc()), name);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  // Asked again for the view it moved to: finish setting it up; a view
  // set up already is the deliver's own, refused as such.
  SUM_Activity current;
  if (!op_target_view().is_null() && op_target_view() == view && op_state() >= INTEGACT_SET &&
      !op_integration_activity().is_null() &&
      (view.current_activity(current) != 0 || !(current == op_integration_activity())))
    return trace.checked(__LINE__, set_up_retargeted_view());
  if ((status = check_retarget_view(view)) != 0) {
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableRetargetOperationView,
               std::string(operation_name_lc()), name);
    return trace.checked(__LINE__, status);
  }
  // The old view, when it is still there, gets back what the deliver took.
  if (!op_target_view().is_null() && ((status = undo_setact_integration_activity()) != 0 ||
                                      (status = restore_view_activity()) != 0))
    return trace.checked(__LINE__, status);
  if (op_state() > MERGING && op_state() < REPROCESS_MERGING)
    set_state(MERGING);
  if ((status = reset_view_common(view)) != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, set_up_retargeted_view());
}

int SUM_Deliver::set_up_retargeted_view() {
  SUM_Trace trace("SUM_Deliver::set_up_retargeted_view");
  int snapshot = 0, changed = 0, status = 0;
  if (op_target_view().is_snapshot(snapshot) == 0 && snapshot &&
      op_target_view().update(changed) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableUpdateConfigSpec);
    return trace.checked(__LINE__, record_err_status());
  }
  SUM_Activity current;
  if (op_state() >= INTEGACT_SET && !op_integration_activity().is_null() &&
      (op_target_view().current_activity(current) != 0 ||
       !(current == op_integration_activity())) &&
      ((status = save_view_activity()) != 0 || (status = setact_integration_activity()) != 0))
    return trace.checked(__LINE__, status);
  if (is_default_ && target_.set_deliver_view(op_target_view()) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableSetDeliverView, std::string(target_.any_name()));
    return trace.checked(__LINE__, record_err_status());
  }
  return SUM_OK;
}

int SUM_Deliver::cancel() {
  SUM_Trace trace("SUM_Deliver::cancel");
  int completing = 0;
  int status = begin_cancel(completing);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (completing) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableCancelDeliveryBecause);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  if ((status = undo_checkin()) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableUndoCheckin);
    return trace.checked(__LINE__, status);
  }
  if (op_state() != CANCELLED && (status = set_state_and_save_to_pvar(CANCELLED)) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableSetStateSave);
    return trace.checked(__LINE__, status);
  }
  if ((status = undo_merge()) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableUndoMerge);
    return trace.checked(__LINE__, status);
  }
  if ((status = undo_integration_activity()) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableUndoSetIntegration);
    return trace.checked(__LINE__, status);
  }
  // Baselines made by a process cut short before it recorded them.
  find_orphan_baselines();
  remove_baselines(1);
  if ((status = finish_record()) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableUndoPostStream);
    return trace.checked(__LINE__, status);
  }
  fire_trigger(TRIGGER_CANCEL, 0);
  return set_status_ok();
}
