// SUM_Integration: the steps deliver and rebase share, each with its
// progress note and the save of the state it reaches, and the check that
// a cancel may begin.
#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_integration.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"

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
