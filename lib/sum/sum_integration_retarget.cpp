// SUM_Integration: moving an operation in progress to another view (its
// view was removed, or the work is to go on elsewhere).
#include <string>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_integration.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"

int SUM_Integration::check_retarget_view(const SUM_View& view) {
  SUM_Trace trace("SUM_Integration::check_retarget_view");
  std::string name(view.any_name());
  if (!op_target_view().is_null() && op_target_view() == view) {
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableRemoveViewReferences, name);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  int has = 0;
  if (view.has_checkouts(has) != 0)
    return trace.checked(__LINE__, record_err_status());
  if (has) {
    imsg_print(IMSG_ERROR, sum_integration_msg::ViewCannotRetargetedBecause, name);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  int attached = 0;
  if (view.is_attached(target_stream(), attached) != 0)
    return trace.checked(__LINE__, record_err_status());
  if (!attached) {
    imsg_print(IMSG_ERROR, sum_integration_msg::ViewCannotRetargetedBecauseView, name,
               std::string(target_stream().any_name()));
    return trace.checked(__LINE__, SUM_FAILED);
  }
  if (!op_integration_activity().is_null() && op_integration_activity().has_checkouts(has) == 0 &&
      has) {
    imsg_print(IMSG_ERROR, sum_integration_msg::ViewCannotRetargetedBecauseCurrent,
               std::string(op_integration_activity().any_name()));
    return trace.checked(__LINE__, SUM_FAILED);
  }
  return SUM_OK;
}

int SUM_Integration::reset_view_common(const SUM_View& view) {
  SUM_Trace trace("SUM_Integration::reset_view_common");
  set_target_view(view);
  int status = save_to_pvar();
  if (status != 0) {
    if (op_status() != ST_OPERATION_CORRUPTED)
      imsg_print(IMSG_ERROR, sum_integration_msg::CannotPackProcessVariables,
                 std::string(op_stream().any_name()));
    return trace.checked(__LINE__, status);
  }
  if (lost_view_uuid_.GetLength() == 0)
    return SUM_OK;
  std::string lost(lost_view_uuid_);
  imsg_print(IMSG_NOTICE, sum_integration_msg::RemovingReferencesViewAll, lost);
  SUM_Uuid uuid;
  if (SUM_Uuid::construct_from_string(lost_view_uuid_, uuid) != 0 ||
      SUM_View::remove_viewref_all_vobs(uuid) != 0) {
    imsg_print(IMSG_WARNING, sum_integration_msg::UnableRemoveReferencesView, lost, lost);
    return SUM_OK;
  }
  imsg_print(IMSG_NOTICE, sum_integration_msg::FinishedRemovingReferencesView, lost);
  lost_view_uuid_ = SUM_String();
  return SUM_OK;
}
