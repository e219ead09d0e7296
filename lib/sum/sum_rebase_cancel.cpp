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

// Children of the saved view settings.
constexpr const char* kHasActivity = "0";
constexpr const char* kActivity = "1";

}  // namespace

// ---- saved view settings -----------------------------------------------------------------

int SUM_Rebase::set_rebase_misc_pvar() {
  SUM_Trace trace("SUM_Rebase::set_rebase_misc_pvar");
  if (op_target_view().is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Activity current;
  if (op_target_view().current_activity(current) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableGetCurrentActivity,
               std::string(op_target_view().any_name()));
    return trace.checked(__LINE__, record_err_status());
  }
  SUM_String text;
  if (!current.is_null() && !(current == op_integration_activity())) {
    SUM_String selector;
    XML_Element root(PVAR_ZEM_GEN_ZEM_REBASE_MISC, "");
    if (current.univ_selector(selector) != 0)
      return trace.checked(__LINE__, record_err_status());
    root.sub_elements().append(XML_Element(kHasActivity, "1"));
    root.sub_elements().append(XML_Element(kActivity, selector));
    if (root.string(text, 0) != 0)
      return trace.checked(__LINE__, record_err_status());
  }
  if (op_stream().set_pvar(PVAR_ZEM_GEN_ZEM_REBASE_MISC, text, 0, nullptr) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableSetPVAR, PVAR_ZEM_GEN_ZEM_REBASE_MISC);
    return trace.checked(__LINE__, record_err_status());
  }
  return SUM_OK;
}

int SUM_Rebase::restore_rebase_misc_pvar() {
  SUM_Trace trace("SUM_Rebase::restore_rebase_misc_pvar");
  SUM_String text;
  if (op_stream().pvar(PVAR_ZEM_GEN_ZEM_REBASE_MISC, text) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableGetPVAR, PVAR_ZEM_GEN_ZEM_REBASE_MISC);
    return trace.checked(__LINE__, record_err_status());
  }
  if (text.GetLength() == 0)
    return SUM_OK;
  XML_Element root;
  SUM_Activity saved;
  int parsed = XML_Element::parse(text, root) == 0 &&
               root.name().Compare(PVAR_ZEM_GEN_ZEM_REBASE_MISC) == 0 &&
               root.sub_elements().count() == 2 &&
               root.sub_elements()[1].name().Compare(kActivity) == 0;
  if (!parsed) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::ZEMREBASEMISCPVAR);
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableRestoreREBASEMISC);
    return trace.checked(__LINE__, record_err_status());
  }
  // An activity removed meanwhile, or one the view has again, is left as
  // it is; the user sets another.
  if (SUM_Activity::construct_from_selector(root.sub_elements()[1].value(), op_stream().vob(),
                                            saved) == 0 &&
      !op_target_view().is_null()) {
    SUM_Activity current;
    if (op_target_view().current_activity(current) != 0 || !(current == saved)) {
      if (op_target_view().set_activity(saved, nullptr, 0) != 0)
        imsg_print(IMSG_WARNING, sum_rebase_msg::UnableRestoreOriginalActivity);
    }
  } else {
    imsg_print(IMSG_WARNING, sum_rebase_msg::UnableRestoreOriginalActivity);
  }
  if (op_stream().set_pvar(PVAR_ZEM_GEN_ZEM_REBASE_MISC, "", 0, nullptr) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableSetPVAR, PVAR_ZEM_GEN_ZEM_REBASE_MISC);
    return trace.checked(__LINE__, record_err_status());
  }
  return SUM_OK;
}

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
  int status = fire_trigger(2, 1);
  if (status != 0)
    return trace.checked(__LINE__, status);
  OpnState stored = NO_STATE;
  if ((status = get_state_from_pvar(stored)) != 0)
    return trace.checked(__LINE__,
                         record_status(status == SUM_NOT_FOUND ? ST_NO_OPERATION : ST_UNEXPECTED));
  if (stored >= REPROCESS_MERGING && stored <= ENVIRONMENT_UPDATED) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableCancelRebaseBecause);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  if (!op_target_view().is_null() && (status = verify_view_access(op_target_view())) != 0)
    return trace.checked(__LINE__, status);
  if (!read_only_)
    find_orphan_integration_activity(op_stream());
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
  if ((status = undo_setact_integration_activity()) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableUndoSetIntegration);
    return trace.checked(__LINE__, status);
  }
  if ((status = restore_rebase_misc_pvar()) != 0 || (status = remove_integration_activity()) != 0)
    return trace.checked(__LINE__, status);
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
  fire_trigger(2, 0);
  return set_status_ok();
}
