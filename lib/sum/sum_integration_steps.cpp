// SUM_Integration: the steps deliver and rebase share, each with its
// progress note and the save of the state it reaches, and the check that
// a cancel may begin.
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

int SUM_Integration::check_cancel_allowed(int& completing) {
  SUM_Trace trace("SUM_Integration::check_cancel_allowed");
  completing = 0;
  OpnState stored = NO_STATE;
  int status = get_state_from_pvar(stored);
  if (status != 0)
    return trace.checked(__LINE__,
                         record_status(status == SUM_NOT_FOUND ? ST_NO_OPERATION : ST_UNEXPECTED));
  if (stored >= REPROCESS_MERGING && stored <= ENVIRONMENT_UPDATED) {
    completing = 1;
    return SUM_OK;
  }
  if (!target_view_.is_null() && (status = verify_view_access(target_view_)) != 0)
    return trace.checked(__LINE__, status);
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
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableGetCurrentActivity,
               std::string(target_view_.any_name()));
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
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableSetProcessVariable);
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
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableRestoreViewSettings,
               std::string(operation_name_lc()));
    return trace.checked(__LINE__, record_err_status());
  }
  if (text.GetLength() == 0)
    return SUM_OK;
  XML_Element root;
  SUM_Activity saved;
  int parsed = XML_Element::parse(text, root) == 0 && root.name().Compare(pvar) == 0 &&
               root.sub_elements().count() == 2 &&
               root.sub_elements()[1].name().Compare(kActivity) == 0;
  if (!parsed) {
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableRestoreViewSettings,
               std::string(operation_name_lc()));
    return trace.checked(__LINE__, record_err_status());
  }
  // An activity removed meanwhile, or one the view has again, is left as
  // it is; the user sets another.
  if (SUM_Activity::construct_from_selector(root.sub_elements()[1].value(), stream_.vob(), saved) ==
          0 &&
      !target_view_.is_null()) {
    SUM_Activity current;
    if ((target_view_.current_activity(current) != 0 || !(current == saved)) &&
        target_view_.set_activity(saved, nullptr, 0) != 0)
      imsg_print(IMSG_WARNING, sum_integration_msg::UnableRestoreViewSettings,
                 std::string(operation_name_lc()));
  } else {
    imsg_print(IMSG_WARNING, sum_integration_msg::UnableRestoreViewSettings,
               std::string(operation_name_lc()));
  }
  if (stream_.set_pvar(pvar, "", 0, nullptr) != 0) {
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableSetProcessVariable);
    return trace.checked(__LINE__, record_err_status());
  }
  return SUM_OK;
}
