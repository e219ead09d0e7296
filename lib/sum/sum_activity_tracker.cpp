// SUM_Activity: the link between an activity and a record of the
// change-request tracker, kept in two PVARs and checked against the
// project's binding.
#include "services/imsg.h"
#include "sum/sum_activity.h"
#include "sum/sum_activity_internal.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_folder.h"
#include "sum/sum_pvar.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_tk_entity_id.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_activity_tracker";

// Prints an inconsistency report: the heading, line `index` with its
// arguments, and the closing line `closing`. Returns 1001.
template <typename... Args>
int report(imsg_checked_id<> closing, imsg_checked_id<std::decay_t<const Args&>...> index,
           const Args&... args) {
  imsg_print(IMSG_ERROR, sum_msg::Inconsistency);
  imsg_print(IMSG_ERROR, index, args...);
  imsg_print(IMSG_ERROR, closing);
  return SUM_FAILED;
}

// The tracker user database the PVOB of `obj` is bound to ("" none).
int pvob_user_database(const SUM_VobObject& obj, SUM_String& out) {
  SUM_Trace trace("sum_activity_tracker::pvob_user_database");
  SUM_Folder root;
  int status = obj.vob().root_folder(root);
  if (status == 0)
    status = sum_pvar_get(root, BRELT_VOB_USER_DATABASE_NAME_PVAR, out);
  return trace.checked(__LINE__, status);
}

}  // namespace

int SUM_Activity::tk_link_pvars(SUM_String& entitydef, SUM_String& display) const {
  SUM_Trace trace("SUM_Activity::tk_link_pvars");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = pvar(BRELT_ACT_ENTITYDEF_NAME_PVAR, entitydef);
  if (status == 0)
    status = pvar(BRELT_ACT_DISPLAY_NAME_PVAR, display);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if ((entitydef.GetLength() == 0) != (display.GetLength() == 0))
    return trace.checked(
        __LINE__, report(sum_msg::PleaseRepairInconsistency, sum_msg::ActivityInconsistentLinking,
                         static_cast<const char*>(sum_act_label(*this))));
  return SUM_OK;
}

int SUM_Activity::set_tk_enabled(const SUM_TKEntityID& record, int check) const {
  SUM_Trace trace("SUM_Activity::set_tk_enabled");
  SUM_String database, entitydef, display;
  record.user_database_name(database);
  record.entitydef_name(entitydef);
  record.display_name(display);
  if (is_null() || database.GetLength() == 0 || entitydef.GetLength() == 0 ||
      display.GetLength() == 0)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String stored_entitydef, stored_display;
  int status = tk_link_pvars(stored_entitydef, stored_display);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (check) {
    SUM_String label = sum_act_label(*this);
    if (stored_entitydef.GetLength() > 0)
      return trace.checked(__LINE__, report(sum_msg::PleaseRepairInconsistency,
                                            sum_msg::ActivityCannotLinkedAlready, label));
    SUM_Stream stream;
    SUM_Project project;
    int tk = kTkNotEnabled;
    SUM_String expected;
    if ((status = sum_act_stream_and_project(*this, stream, project)) != 0 ||
        (status = sum_act_project_tk_status(project, tk)) != 0 ||
        (status = pvob_user_database(*this, expected)) != 0)
      return trace.checked(__LINE__, status);
    if (tk == kTkNotEnabled)
      return trace.checked(
          __LINE__, report(sum_msg::PleaseRepairInconsistency, sum_msg::ActivityCannotLinkedProject,
                           label, static_cast<const char*>(sum_act_label(project))));
    if (expected.CompareNoCase(database) != 0)
      return trace.checked(
          __LINE__, report(sum_msg::PleaseRepairInconsistency,
                           sum_msg::ActivityReferencesIncorrectTarsen, label, expected, database));
  }
  status = set_pvar(BRELT_ACT_ENTITYDEF_NAME_PVAR, entitydef, kOpChange, "");
  if (status == 0)
    status = set_pvar(BRELT_ACT_DISPLAY_NAME_PVAR, display, kOpChange, "");
  return trace.checked(__LINE__, status);
}

int SUM_Activity::clear_tk_enabled(int check) const {
  SUM_Trace trace("SUM_Activity::clear_tk_enabled");
  SUM_String entitydef, display;
  int status = tk_link_pvars(entitydef, display);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_String label = sum_act_label(*this);
  if (entitydef.GetLength() == 0)
    return trace.checked(__LINE__, report(sum_msg::PleaseRepairInconsistency,
                                          sum_msg::ActivityCannotUnlinkedAlready, label));
  if (check) {
    SUM_Stream stream;
    SUM_Project project;
    int tk = kTkNotEnabled;
    if ((status = sum_act_stream_and_project(*this, stream, project)) != 0 ||
        (status = sum_act_project_tk_status(project, tk)) != 0)
      return trace.checked(__LINE__, status);
    if (tk != kTkNotEnabled)
      return trace.checked(__LINE__, report(sum_msg::PleaseRepairInconsistency,
                                            sum_msg::ActivityCannotUnlinkedProject, label,
                                            static_cast<const char*>(sum_act_label(project))));
  }
  status = set_pvar(BRELT_ACT_ENTITYDEF_NAME_PVAR, "", kOpChange, "");
  if (status == 0)
    status = set_pvar(BRELT_ACT_DISPLAY_NAME_PVAR, "", kOpChange, "");
  return trace.checked(__LINE__, status);
}

int SUM_Activity::is_tk_enabled(int& linked, int check) const {
  SUM_Trace trace("SUM_Activity::is_tk_enabled");
  SUM_String entitydef, display;
  int status = tk_link_pvars(entitydef, display);
  if (status != 0)
    return trace.checked(__LINE__, status);
  int bound = entitydef.GetLength() > 0 ? 1 : 0;
  if (check) {
    SUM_Stream stream;
    SUM_Project project;
    int tk = kTkNotEnabled;
    if ((status = sum_act_stream_and_project(*this, stream, project)) != 0 ||
        (status = sum_act_project_tk_status(project, tk)) != 0)
      return trace.checked(__LINE__, status);
    if (bound && tk == kTkNotEnabled)
      return trace.checked(
          __LINE__, report(sum_msg::PleaseRepairInconsistency, sum_msg::ActivityLinkedButProject,
                           static_cast<const char*>(sum_act_label(*this)),
                           static_cast<const char*>(sum_act_label(project))));
    if (!bound && tk != kTkNotEnabled)
      return trace.checked(__LINE__,
                           report(sum_msg::PleaseRepairInconsistency, sum_msg::ActivityNotLinkedBut,
                                  static_cast<const char*>(sum_act_label(*this)),
                                  static_cast<const char*>(sum_act_label(project))));
  }
  linked = bound;
  return SUM_OK;
}

int SUM_Activity::bound_tk_entity_id(SUM_TKEntityID& out, int check) const {
  SUM_Trace trace("SUM_Activity::bound_tk_entity_id");
  SUM_String entitydef, display;
  int status = tk_link_pvars(entitydef, display);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_Stream stream;
  SUM_Project project;
  int tk = kTkNotEnabled;
  SUM_String database;
  if ((status = sum_act_stream_and_project(*this, stream, project)) != 0 ||
      (status = sum_act_project_tk_status(project, tk)) != 0 ||
      (status = pvob_user_database(*this, database)) != 0)
    return trace.checked(__LINE__, status);
  // Whatever `check` says, an enabled project needs its activities linked.
  (void)check;
  if (entitydef.GetLength() == 0 && tk != kTkNotEnabled)
    return trace.checked(
        __LINE__, report(sum_msg::UseVantoolChprojectCrmenable, sum_msg::ActivityShouldLinkedBut,
                         static_cast<const char*>(sum_act_label(*this))));
  out =
      entitydef.GetLength() == 0 ? SUM_TKEntityID() : SUM_TKEntityID(database, entitydef, display);
  return SUM_OK;
}

int SUM_Activity::modified_while_TK_suspended(int& out) const {
  SUM_Trace trace("SUM_Activity::modified_while_TK_suspended");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, pvar_exists(BRELT_ACT_MODIFIED_WHILE_TK_SUSPENDED_PVAR, out));
}

int SUM_Activity::set_modified_while_TK_suspended() const {
  SUM_Trace trace("SUM_Activity::set_modified_while_TK_suspended");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__,
                       set_pvar(BRELT_ACT_MODIFIED_WHILE_TK_SUSPENDED_PVAR,
                                BRELT_ACT_MODIFIED_WHILE_TK_SUSPENDED_VALUE, kOpChange, ""));
}

int SUM_Activity::unset_modified_while_TK_suspended() const {
  SUM_Trace trace("SUM_Activity::unset_modified_while_TK_suspended");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = delete_pvar(BRELT_ACT_MODIFIED_WHILE_TK_SUSPENDED_PVAR, kOpChange);
  return trace.checked(__LINE__, status == SUM_NOT_FOUND ? SUM_OK : status);
}

int SUM_Activity::is_in_single_stream_project(int& out) const {
  SUM_Trace trace("SUM_Activity::is_in_single_stream_project");
  SUM_Stream stream;
  SUM_Project project;
  int status = sum_act_stream_and_project(*this, stream, project);
  if (status == 0)
    status = project.is_single_stream_project(out);
  return trace.checked(__LINE__, status);
}
