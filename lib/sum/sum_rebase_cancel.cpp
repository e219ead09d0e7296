// SUM_Rebase: cancelling a rebase, and the view settings a rebase saves
// when it starts and gives back when it ends ("ZEM_REBASE_MISC": the view's
// current activity at the start).
//
// Every cancel step does nothing when there is nothing to undo, so a cancel
// interrupted by a crash is finished by the next one.
#include <string>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_pvar.h"
#include "sum/sum_rebase.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/xml_element.h"

namespace {

constexpr const char* kSource = "sum_rebase_cancel";

}  // namespace

// ---- the view's config spec --------------------------------------------------------------

int SUM_Rebase::undo_update_cspec() {
  SUM_Trace trace("SUM_Rebase::undo_update_cspec");
  const SUM_View& view = op_target_view();
  if (view.is_null())
    return SUM_OK;
  // The stream's own text, not the one a rebase in this view would give:
  // the record is still there while the view is put back.
  SUM_String text, old_text, elem_rules, load_rules, augmented;
  int status = op_stream().config_spec(text, 1);
  if (status == 0)
    status = view.config_spec(old_text);
  if (status == 0)
    status = SUM_Stream::config_spec_user_text(old_text, elem_rules, load_rules);
  if (status == 0)
    status = SUM_Stream::augment_config_spec(text, elem_rules, load_rules, augmented);
  if (status == 0 && old_text.Compare(augmented) != 0)
    status = view.set_config_spec(augmented);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableSetConfigSpec, std::string(view.any_name()));
    return trace.checked(__LINE__, record_status(ST_CANNOT_UPDATE_CSPEC));
  }
  return SUM_OK;
}

// ---- cancel ------------------------------------------------------------------------------

int SUM_Rebase::cancel() {
  SUM_Trace trace("SUM_Rebase::cancel");
  if (config_ == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  int completing = 0;
  int status = begin_cancel(completing);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (completing) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableCancelRebaseBecause);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  if (!read_only_ && ((status = announce(imsg_text(sum_rebase_msg::UndoingCheckins))) != 0 ||
                      (status = undo_checkin()) != 0))
    return trace.checked(__LINE__, status);
  if (op_state() != CANCELLED && (status = set_state_and_save_to_pvar(CANCELLED)) != 0)
    return trace.checked(__LINE__, status);
  if (!read_only_ && ((status = announce(imsg_text(sum_rebase_msg::UndoingFileMerges))) != 0 ||
                      (status = undo_merge()) != 0)) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableUndoMerge);
    return trace.checked(__LINE__, status);
  }
  if ((status = announce(imsg_text(sum_rebase_msg::RemovingIntegrationActivity))) != 0)
    return trace.checked(__LINE__, status);
  if ((status = undo_integration_activity()) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableUndoSetIntegration);
    return trace.checked(__LINE__, status);
  }
  if ((status = announce(imsg_text(sum_rebase_msg::RestoringRebaseViewPrevious))) != 0 ||
      (status = undo_update_cspec()) != 0)
    return trace.checked(__LINE__, status);
  if ((status = clear_integration_info()) != 0)
    return trace.checked(__LINE__, status);
  if ((status = announce(imsg_text(sum_rebase_msg::CheckingSnapshotViewReload))) != 0)
    return trace.checked(__LINE__, status);
  int reloaded = 1;
  if (!op_target_view().is_null() && (status = check_view_reloaded(reloaded)) != 0)
    return trace.checked(__LINE__, status);
  fire_trigger(TRIGGER_CANCEL, 0);
  return set_status_ok();
}

// ---- retargeting -------------------------------------------------------------------------

int SUM_Rebase::is_set_up(const SUM_View& view, int& set_up) const {
  SUM_Trace trace("SUM_Rebase::is_set_up");
  set_up = 0;
  int in_sync = 0;
  if (op_stream().config_spec_in_sync(view, in_sync) != 0)
    return trace.checked(__LINE__, SUM_FAILED);
  if (!in_sync)
    return SUM_OK;
  if (op_state() < INTEGACT_SET || op_integration_activity().is_null()) {
    set_up = 1;
    return SUM_OK;
  }
  SUM_Activity current;
  if (view.current_activity(current) != 0)
    return trace.checked(__LINE__, SUM_FAILED);
  set_up = current == op_integration_activity() ? 1 : 0;
  return SUM_OK;
}

int SUM_Rebase::set_up_retargeted_view() {
  SUM_Trace trace("SUM_Rebase::set_up_retargeted_view");
  int status = save_view_activity();
  if (status == 0)
    status = do_update_cspec();
  int snapshot = 0, changed = 0;
  if (status == 0 && op_target_view().is_snapshot(snapshot) == 0 && snapshot &&
      op_target_view().update(changed) != 0)
    status = record_status(ST_VIEW_MUST_RELOAD);
  if (status == 0 && op_state() >= INTEGACT_SET)
    status = setact_integration_activity();
  return trace.checked(__LINE__, status);
}

int SUM_Rebase::reset_rebase_view(const SUM_Stream& stream, const SUM_View& view) {
  SUM_Trace trace("SUM_Rebase::reset_rebase_view");
  if (stream.is_null() || view.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  set_stream(stream);
  int status = stream.is_read_only(read_only_);
  if (status == 0)
    status = restart_common(stream);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if ((status = restore_from_pvar(1)) != 0)
    return trace.checked(__LINE__, status);
  set_status_ok();
  std::string name(view.any_name());
  if (op_state() >= REPROCESS_MERGING && op_state() != CANCELLED) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableCancelRebaseBecause);
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableRetargetOperationView,
               std::string(operation_name_lc()), name);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  // Asked again for the view it moved to: finish setting it up.
  if (!op_target_view().is_null() && op_target_view() == view) {
    int set_up = 0;
    if ((status = is_set_up(view, set_up)) != 0)
      return trace.checked(__LINE__, record_err_status());
    if (set_up)
      return trace.checked(__LINE__, check_retarget_view(view));
    return trace.checked(__LINE__, set_up_retargeted_view());
  }
  if ((status = check_retarget_view(view)) != 0) {
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableRetargetOperationView,
               std::string(operation_name_lc()), name);
    return trace.checked(__LINE__, status);
  }
  // The old view, when it is still there, gets back what the rebase took.
  if (!op_target_view().is_null() &&
      ((status = undo_setact_integration_activity()) != 0 ||
       (status = restore_view_activity()) != 0 || (status = undo_update_cspec()) != 0))
    return trace.checked(__LINE__, status);
  // The record names the new view first: its config spec is the rebase's
  // only while the record names it.
  if ((status = reset_view_common(view)) != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, set_up_retargeted_view());
}
