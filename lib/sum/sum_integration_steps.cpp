// SUM_Integration: the steps deliver and rebase share, each with its
// progress note and the save of the state it reaches; the opening of a
// cancel; the two phases and the states every operation runs alike.
#include <string>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_integration.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/xml_element.h"

namespace {

// Children of the saved view settings.
constexpr const char* kHasActivity = "0";
constexpr const char* kActivity = "1";

}  // namespace

int SUM_Integration::step_create_integration_activity(const SUM_Stream& in) {
  SUM_Trace trace("SUM_Integration::step_create_integration_activity");
  int status = announce(imsg_text(sum_integration_msg::CreatingIntegrationActivity));
  if (status == 0)
    status = create_integration_activity(in);
  if (status == 0)
    status = set_state_and_save_to_pvar(INTEGACT_CREATED);
  return trace.checked(__LINE__, status);
}

int SUM_Integration::step_set_integration_activity() {
  SUM_Trace trace("SUM_Integration::step_set_integration_activity");
  int status = announce(imsg_text(sum_integration_msg::SettingIntegrationActivity));
  if (status == 0)
    status = save_view_activity();
  if (status == 0)
    status = setact_integration_activity();
  if (status == 0)
    status = set_state_and_save_to_pvar(INTEGACT_SET);
  return trace.checked(__LINE__, status);
}

int SUM_Integration::step_checkin() {
  SUM_Trace trace("SUM_Integration::step_checkin");
  // From here on the operation is completing: a cancel is refused.
  int status = set_state_and_save_to_pvar(REPROCESS_MERGING);
  if (status == 0)
    status = announce(imsg_text(sum_integration_msg::CheckingFiles));
  if (status == 0)
    status = do_checkin();
  if (status == 0)
    status = set_state_and_save_to_pvar(CHECKEDIN);
  return trace.checked(__LINE__, status);
}

int SUM_Integration::step_clear_integration_activity() {
  SUM_Trace trace("SUM_Integration::step_clear_integration_activity");
  int status = announce(imsg_text(sum_integration_msg::ClearingIntegrationActivity));
  if (status == 0)
    status = undo_setact_integration_activity();
  if (status == 0)
    status = restore_view_activity();
  if (status == 0)
    status = set_state_and_save_to_pvar(INTEGACT_CLEARED);
  return trace.checked(__LINE__, status);
}

int SUM_Integration::begin_cancel(int& completing) {
  SUM_Trace trace("SUM_Integration::begin_cancel");
  completing = 0;
  int status = fire_trigger(TRIGGER_CANCEL, 1);
  if (status != 0)
    return trace.checked(__LINE__, status);
  OpnState stored = NO_STATE;
  if ((status = get_state_from_pvar(stored)) != 0)
    return trace.checked(__LINE__,
                         record_status(status == SUM_NOT_FOUND ? ST_NO_OPERATION : ST_UNEXPECTED));
  if (stored >= REPROCESS_MERGING && stored <= ENVIRONMENT_UPDATED) {
    completing = 1;
    return SUM_OK;
  }
  if (!target_view_.is_null() && (status = verify_view_access(target_view_)) != 0)
    return trace.checked(__LINE__, status);
  if (integrates_files())
    find_orphan_integration_activity(target_stream());
  return SUM_OK;
}

int SUM_Integration::undo_integration_activity() {
  SUM_Trace trace("SUM_Integration::undo_integration_activity");
  int status = undo_setact_integration_activity();
  if (status == 0)
    status = restore_view_activity();
  if (status == 0)
    status = remove_integration_activity();
  return trace.checked(__LINE__, status);
}

// ---- the two phases --------------------------------------------------------------------------

int SUM_Integration::drive(OpnState target) {
  SUM_Trace trace("SUM_Integration::drive");
  trace.info(2, "Current state: %d\nTarget state: %d", op_state(), target);
  if (op_state() == CANCELLED)
    return trace.checked(__LINE__, record_status(ST_BEING_CANCELLED));
  // Another process may have completed or cancelled the operation since
  // this object read it.
  int status = 0;
  if (cached_record().GetLength() > 0 && (status = check_operation_pvar()) != 0)
    return trace.checked(__LINE__, status);
  set_status_ok();
  clear_new_merges();
  const OpnState entry = op_state();
  const OpnState first_end = target < CONTEXT_MERGED ? target : CONTEXT_MERGED;
  while (op_state() < first_end) {
    OpnState next = increment_state(op_state());
    trace.info(2, "Processing state: %d", next);
    int stop = 0;
    if ((status = run_first_phase_state(next, stop)) != 0)
      return trace.checked(__LINE__, status);
    if (stop)
      return SUM_OK;
  }
  if (target <= CONTEXT_MERGED)
    return set_status_ok();
  if (entry >= MERGING && entry < CHECKEDIN && new_merges() > 0)
    return trace.checked(__LINE__, refuse_new_merges());
  if (integrates_files() && (status = check_integration_activity()) != 0)
    return trace.checked(__LINE__, status);
  while (op_state() < target) {
    OpnState next = increment_state(op_state());
    trace.info(2, "Processing state: %d", next);
    if ((status = run_second_phase_state(next)) != 0)
      return trace.checked(__LINE__, status);
  }
  return set_status_ok();
}

int SUM_Integration::run_first_phase_state(OpnState state, int&) {
  SUM_Trace trace("SUM_Integration::run_first_phase_state");
  int status = 0;
  switch (state) {
    case INTEGACT_CREATED:
      if (!integrates_files()) {
        // Nothing to merge and no activity to hold it: on to the end of
        // the merging.
        set_state(MERGED);
        return SUM_OK;
      }
      return trace.checked(__LINE__, step_create_integration_activity(target_stream()));
    case INTEGACT_SET:
      return trace.checked(__LINE__, step_set_integration_activity());
    case MERGING:
      return trace.checked(__LINE__, set_state_and_save_to_pvar(state));
    case MERGED:
      if ((status = announce(imsg_text(sum_integration_msg::MergingFiles))) != 0 ||
          (integrates_files() && (status = merge_into_view()) != 0) ||
          (status = check_operation_pvar()) != 0)
        return trace.checked(__LINE__, status);
      set_state(state);
      // Nothing to merge (97) is no reason to stop.
      return set_status_ok();
    case CONTEXT_MERGED:
      if (integrates_files() && (status = do_context_merge()) != 0)
        return trace.checked(__LINE__, status);
      set_state(state);
      return trace.checked(__LINE__, fire_trigger(TRIGGER_START, 0));
    default:
      set_state(state);
      return SUM_OK;
  }
}

int SUM_Integration::run_second_phase_state(OpnState state) {
  SUM_Trace trace("SUM_Integration::run_second_phase_state");
  int status = 0;
  switch (state) {
    case CHECKEDIN:
      if ((status = check_operation_pvar()) != 0 ||
          (status = fire_trigger(TRIGGER_COMPLETE, 1)) != 0)
        return trace.checked(__LINE__, status);
      if (!integrates_files())
        return trace.checked(__LINE__, set_state_and_save_to_pvar(state));
      return trace.checked(__LINE__, step_checkin());
    case INTEGACT_CLEARED:
      if (!integrates_files())
        return trace.checked(__LINE__, set_state_and_save_to_pvar(state));
      return trace.checked(__LINE__, step_clear_integration_activity());
    default:
      set_state(state);
      return SUM_OK;
  }
}

int SUM_Integration::integrates_files() const {
  return 1;
}

int SUM_Integration::refuse_new_merges() {
  return record_status(ST_NEW_MERGES);
}

int SUM_Integration::merge_into_view() {
  SUM_ElementCB no_element_cb;
  SUM_SortedVersionListCB no_sorted_cb;
  return do_merge(no_element_cb, no_sorted_cb);
}

int SUM_Integration::fire_trigger(TriggerKind, int) {
  return SUM_OK;
}

// ---- the view's activity -------------------------------------------------------------------

const char* SUM_Integration::view_settings_pvar_name() const {
  return nullptr;
}

int SUM_Integration::save_view_activity() {
  SUM_Trace trace("SUM_Integration::save_view_activity");
  const char* pvar = view_settings_pvar_name();
  if (pvar == nullptr)
    return SUM_OK;
  if (target_view_.is_null())
    return sum_int_error("sum_integration_steps", trace.name(), __LINE__);
  SUM_Activity current;
  if (target_view_.current_activity(current) != 0) {
    report_view_settings_fault(VS_CURRENT_UNKNOWN);
    return trace.checked(__LINE__, record_err_status());
  }
  if (!current.is_null() && current == integration_activity_)
    return SUM_OK;
  SUM_String text;
  if (!current.is_null()) {
    SUM_String selector;
    XML_Element root(pvar, "");
    if (current.univ_selector(selector) != 0)
      return trace.checked(__LINE__, record_err_status());
    root.sub_elements().append(XML_Element(kHasActivity, "1"));
    root.sub_elements().append(XML_Element(kActivity, selector));
    if (root.string(text, 0) != 0)
      return trace.checked(__LINE__, record_err_status());
  }
  if (stream_.set_pvar(pvar, text, 0, nullptr) != 0) {
    report_view_settings_fault(VS_NOT_WRITTEN);
    return trace.checked(__LINE__, record_err_status());
  }
  return SUM_OK;
}

int SUM_Integration::restore_view_activity() {
  SUM_Trace trace("SUM_Integration::restore_view_activity");
  const char* pvar = view_settings_pvar_name();
  if (pvar == nullptr)
    return SUM_OK;
  SUM_String text;
  if (stream_.pvar(pvar, text) != 0) {
    report_view_settings_fault(VS_NOT_READ);
    return trace.checked(__LINE__, record_err_status());
  }
  if (text.GetLength() == 0)
    return SUM_OK;
  XML_Element root;
  SUM_Activity saved;
  int parsed = XML_Element::parse(text, root) == 0 && root.name().Compare(pvar) == 0 &&
               root.sub_elements().count() == 2 &&
               root.sub_elements()[1].name().Compare(kActivity) == 0;
  // Settings that do not parse cannot be given back: said, and cleared so
  // that the operation can still end; the user sets the view's activity.
  if (!parsed) {
    report_view_settings_fault(VS_CORRUPT);
  } else if (SUM_Activity::construct_from_selector(root.sub_elements()[1].value(), stream_.vob(),
                                                   saved) == 0 &&
             !target_view_.is_null()) {
    // An activity the view has again is left as it is.
    SUM_Activity current;
    if ((target_view_.current_activity(current) != 0 || !(current == saved)) &&
        target_view_.set_activity(saved, nullptr, 0) != 0)
      report_view_settings_fault(VS_ACTIVITY_KEPT);
  } else {
    // An activity removed meanwhile: the user sets another.
    report_view_settings_fault(VS_ACTIVITY_KEPT);
  }
  if (stream_.set_pvar(pvar, "", 0, nullptr) != 0) {
    report_view_settings_fault(VS_NOT_WRITTEN);
    return trace.checked(__LINE__, record_err_status());
  }
  return SUM_OK;
}

void SUM_Integration::report_view_settings_fault(ViewSettingsFault fault) const {
  switch (fault) {
    case VS_CURRENT_UNKNOWN:
      imsg_print(IMSG_ERROR, sum_integration_msg::UnableGetCurrentActivity,
                 std::string(target_view_.any_name()));
      return;
    case VS_NOT_WRITTEN:
      imsg_print(IMSG_ERROR, sum_integration_msg::UnableSetProcessVariable);
      return;
    case VS_CORRUPT:
    case VS_ACTIVITY_KEPT:
      imsg_print(IMSG_WARNING, sum_integration_msg::UnableRestoreViewSettings,
                 std::string(operation_name_lc()));
      return;
    default:
      imsg_print(IMSG_ERROR, sum_integration_msg::UnableRestoreViewSettings,
                 std::string(operation_name_lc()));
      return;
  }
}
