// SUM_Integration: states, outcome codes and their messages, the common
// start, resume and view checks, the integration activity, and printing.
// The record itself is in sum_integration_record.cpp.
#include "sum/sum_integration.h"

#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "services/date.h"
#include "services/imsg.h"
#include "services/sysutl.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_project.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_utl_names.h"

namespace {

constexpr const char* kSource = "sum_integration";

const char* const kStateNames[SUM_Integration::STATE_COUNT] = {
    "no_state",         "no_work_todo",     "prepared",       "brelt_preop_done",
    "op_committed",     "stream_posted",    "cspec_updated",  "view_reloaded",
    "integact_created", "integact_set",     "merging",        "reprocess_merging",
    "merged",           "context_merged",   "checkedin",      "brelt_postop_done",
    "integarc_drawn",   "integact_cleared", "config_updated", "environment_updated",
    "completed",        "cancelled"};

// What fills each "%s" of an outcome code's message.
enum Arg : char { OP_CAP = 'O', OP_LC = 'o', STREAM = 's', VIEW = 'v', ACT = 'a' };

// The arguments of the code's entry in the integration catalogue, in
// order; null for a code without a message of its own.
const char* message_args(int code) {
  switch (code) {
    case 0:
    case 1:
    case 2:
      return "O";
    case 3:
    case 4:
    case 25:
    case 27:
    case 28:
    case 29:
    case 30:
    case 97:
    case 98:
    case 99:
    case 100:
    case 101:
      return "o";
    case 5:
      return "os";
    case 6:
      return "Os";
    case 7:
      return "s";
    case 8:
    case 88:
      return "vo";
    case 9:
      return "vvo";
    case 12:
    case 14:
    case 17:
    case 18:
      return "a";
    case 13:
    case 21:
      return "av";
    case 19:
      return "as";
    case 20:
      return "va";
    case 24:
    case 26:
      return "v";
    case 39:
      return "Oso";
    case 41:
    case 103:
      return "oo";
    case 10:
    case 11:
    case 15:
    case 16:
    case 22:
    case 23:
    case 31:
    case 32:
    case 33:
    case 34:
    case 35:
    case 36:
    case 37:
    case 38:
    case 40:
    case 90:
    case 91:
    case 92:
    case 93:
    case 94:
    case 95:
    case 96:
    case 102:
      return "";
    default:
      return nullptr;
  }
}

// The name of an object as the outcome messages show it: its plain name.
template <typename T>
std::string plain_name(const T& object) {
  SUM_String name;
  if (!object.is_null() && object.name(name) == 0)
    return std::string(name);
  return std::string(object.any_name());
}

SUM_String login_name() {
  char buf[256] = "";
  if (sysutl_myloginname(buf, sizeof buf) != 0)
    return SUM_String("unknown");
  return SUM_String(buf);
}

}  // namespace

SUM_Integration::SUM_Integration() = default;
SUM_Integration::~SUM_Integration() = default;

// ---- states ----------------------------------------------------------------------------------

const char* SUM_Integration::state_name(int state) {
  if (state < 0 || state >= STATE_COUNT)
    return nullptr;
  return kStateNames[state];
}

int SUM_Integration::state_from_name(const char* name, OpnState& out) {
  if (name == nullptr)
    return SUM_NOT_FOUND;
  for (int state = 0; state < STATE_COUNT; ++state)
    if (std::strcmp(kStateNames[state], name) == 0) {
      out = static_cast<OpnState>(state);
      return SUM_OK;
    }
  return SUM_NOT_FOUND;
}

SUM_Integration::OpnState SUM_Integration::increment_state(OpnState state) {
  return static_cast<OpnState>(state + 1);
}

SUM_Integration::OpnState SUM_Integration::decrement_state(OpnState state) {
  return static_cast<OpnState>(state - 1);
}

// ---- names and messages ------------------------------------------------------------------

SUM_String SUM_Integration::operation_name_lc() const {
  return SUM_String(imsg_text(sum_integration_msg::Integration));
}

SUM_String SUM_Integration::operation_name_cap() const {
  return SUM_String(imsg_text(sum_integration_msg::IntegrationTitle));
}

SUM_String SUM_Integration::status_msg_common(int code) const {
  const char* args = message_args(code);
  if (args == nullptr) {
    code = ST_UNKNOWN_ERROR;
    args = message_args(code);
  }
  std::vector<std::string> values;
  for (const char* arg = args; *arg != '\0'; ++arg) {
    switch (*arg) {
      case OP_CAP:
        values.emplace_back(operation_name_cap());
        break;
      case OP_LC:
        values.emplace_back(operation_name_lc());
        break;
      case STREAM:
        values.emplace_back(plain_name(stream_));
        break;
      case VIEW:
        values.emplace_back(target_view_.any_name());
        break;
      default:
        values.emplace_back(plain_name(integration_activity_));
        break;
    }
  }
  auto id = static_cast<sum_integration_msg>(code);
  switch (values.size()) {
    case 0:
      return SUM_String(imsg_format_chosen(id).c_str());
    case 1:
      return SUM_String(imsg_format_chosen(id, values[0]).c_str());
    case 2:
      return SUM_String(imsg_format_chosen(id, values[0], values[1]).c_str());
    default:
      return SUM_String(imsg_format_chosen(id, values[0], values[1], values[2]).c_str());
  }
}

int SUM_Integration::record_status(int code) {
  status_ = code;
  switch (code) {
    case ST_OK:
    case ST_NOTHING_TO_MERGE:
    case ST_NEW_MERGES_AT_CHECKIN:
    case 99:
    case ST_VIEW_MUST_RELOAD:
      return SUM_OK;
    case ST_OBJECT_NOT_FOUND:
    case ST_NO_OPERATION:
      return SUM_NOT_FOUND;
    case ST_CHECKOUTS_AFTER_UNDO:
      return SUM_FAILED;
    default:
      print_errmsg();
      return SUM_FAILED;
  }
}

int SUM_Integration::record_err_status() {
  return record_status(ST_UNEXPECTED);
}

int SUM_Integration::set_status_ok() {
  status_ = ST_OK;
  return SUM_OK;
}

void SUM_Integration::print_errmsg() const {
  imsg_print_literal(IMSG_ERROR, "%s", static_cast<const char*>(status_msg(status_)));
}

void SUM_Integration::print_warnmsg() const {
  imsg_print_literal(IMSG_WARNING, "%s", static_cast<const char*>(status_msg(status_)));
}

void SUM_Integration::print_okmsg() const {
  imsg_print_literal(IMSG_INFO, "%s", static_cast<const char*>(status_msg(status_)));
}

int SUM_Integration::announce(const SUM_String& text) {
  if (action_cb_.invoke(text) == 1)
    return record_status(ST_INTERRUPTED);
  return SUM_OK;
}

// ---- driving -----------------------------------------------------------------------------

int SUM_Integration::complete() {
  SUM_Trace trace("SUM_Integration::complete");
  int status = do_integration(COMPLETED);
  if (status != 0)
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableCompleteIntegration);
  return trace.checked(__LINE__, status);
}

int SUM_Integration::get_details(const SUM_Stream& stream, int& found) {
  SUM_Trace trace("SUM_Integration::get_details");
  found = 0;
  SUM_AVList list(record_map());
  int status = unpack_operation(stream, pvar_name(), list);
  if (status == SUM_NOT_FOUND)
    return SUM_OK;
  if (status != 0)
    return trace.checked(__LINE__, status);
  stream_ = stream;
  if ((status = restore_from_pvar(1)) != 0)
    return trace.checked(__LINE__, status);
  found = 1;
  return SUM_OK;
}

int SUM_Integration::start_common(const SUM_Stream& stream) {
  SUM_Trace trace("SUM_Integration::start_common");
  if (stream.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  stream_ = stream;
  SUM_Project project;
  if (stream.project(project) != 0)
    return trace.checked(__LINE__, record_err_status());
  // The change-request tracker is not bound to any project yet, so no
  // operation runs in a tracker-enabled context.
  int local = 0;
  if (stream.check_local_mastership(local) != 0)
    return trace.checked(__LINE__, record_err_status());
  if (!local)
    return trace.checked(__LINE__, record_status(ST_NOT_MASTERED));
  start_time_ = restart_time_ = static_cast<long>(std::time(nullptr));
  owner_ = login_name();
  return set_status_ok();
}

int SUM_Integration::restart_common(const SUM_Stream& stream) {
  SUM_Trace trace("SUM_Integration::restart_common");
  if (stream.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  restart_time_ = static_cast<long>(std::time(nullptr));
  stream_ = stream;
  int local = 0;
  if (stream.check_local_mastership(local) != 0)
    return trace.checked(__LINE__, record_err_status());
  if (!local)
    return trace.checked(__LINE__, record_status(ST_NOT_MASTERED));
  return set_status_ok();
}

// ---- view checks -------------------------------------------------------------------------

int SUM_Integration::check_integration_activity() {
  SUM_Trace trace("SUM_Integration::check_integration_activity");
  // From the save of "integact_set" (the activity is made, then set) to
  // the check-in. Once checked in, the activity holds nothing the view
  // could lose, and the next step clears it: a view without it is that
  // step cut short, which the step repeats.
  if (state_ <= INTEGACT_CREATED || state_ >= CHECKEDIN || target_view_.is_null() ||
      integration_activity_.is_null())
    return SUM_OK;
  SUM_Activity current;
  if (target_view_.current_activity(current) != 0)
    return trace.checked(__LINE__, record_err_status());
  if (current.is_null())
    return trace.checked(__LINE__, record_status(ST_VIEW_NO_ACTIVITY));
  if (!(current == integration_activity_))
    return trace.checked(__LINE__, record_status(ST_VIEW_OTHER_ACTIVITY));
  return SUM_OK;
}

int SUM_Integration::verify_view_access(const SUM_View& view) {
  SUM_Trace trace("SUM_Integration::verify_view_access");
  int snapshot = 0;
  SUM_String tag;
  if (view.tag(tag, 1) != 0) {
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableGetViewTag);
    unset_target_view();
    return trace.checked(__LINE__, record_status(ST_VIEW_NOT_RECREATED));
  }
  // Views belong to their owners: another user may not drive an operation
  // in one (the view service names the owner).
  std::string action =
      imsg_format(sum_integration_msg::RunOperationIn, std::string(operation_name_lc()));
  int status = view.check_owner(action.c_str());
  if (status != 0) {
    unset_target_view();
    status_ = ST_UNEXPECTED;
    return trace.checked(__LINE__, status);
  }
  if (view.is_snapshot(snapshot) != 0) {
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableDetermineIfView, tag);
    unset_target_view();
    return trace.checked(__LINE__, record_err_status());
  }
  if (snapshot) {
    SUM_String root;
    if (view.view_root(root) != 0 || root.GetLength() == 0) {
      imsg_print(IMSG_ERROR, sum_integration_msg::UnableDetermineViewRoot, tag);
      unset_target_view();
      return trace.checked(__LINE__, record_status(ST_SNAPSHOT_NO_ROOT));
    }
  } else if (view.start() != 0) {
    imsg_print(IMSG_ERROR, sum_integration_msg::ViewInaccessible, tag);
    unset_target_view();
    return trace.checked(__LINE__, record_status(ST_VIEW_NOT_STARTED));
  }
  return SUM_OK;
}

int SUM_Integration::check_operation_common(const SUM_Stream& stream) {
  SUM_Trace trace("SUM_Integration::check_operation_common");
  int status = 0;
  if (!target_view_.is_null()) {
    if (state_ < INTEGACT_CLEARED) {
      if ((status = check_integration_activity()) != 0)
        return trace.checked(__LINE__, status);
    } else if (state_ != CANCELLED) {
      int has = 0;
      if (target_view_.has_checkouts(has) != 0)
        return trace.checked(__LINE__, record_err_status());
      if (has)
        return trace.checked(__LINE__, record_status(ST_VIEW_HAS_CHECKOUTS));
    }
    if ((status = verify_view_access(target_view_)) != 0)
      return trace.checked(__LINE__, status);
  }
  if (!integration_activity_.is_null()) {
    SUM_Stream owner;
    if (integration_activity_.stream(owner) != 0) {
      imsg_print(IMSG_ERROR, sum_integration_msg::UnableGetStreamIntegration,
                 integration_activity_.any_name());
      return trace.checked(__LINE__, record_err_status());
    }
    if (!(owner == stream))
      return trace.checked(__LINE__, record_status(ST_ACTIVITY_MOVED));
  }
  return SUM_OK;
}

int SUM_Integration::prepare_view_common(const SUM_View& view) {
  SUM_Trace trace("SUM_Integration::prepare_view_common");
  if (view.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  target_view_ = view;
  SUM_Activity current;
  if (view.current_activity(current) != 0)
    return trace.checked(__LINE__, record_err_status());
  if (!current.is_null() && !(current == integration_activity_)) {
    int is = 0, in_progress = 0;
    if (current.is_integration_activity(is, in_progress) != 0)
      return trace.checked(__LINE__, record_err_status());
    if (is && in_progress) {
      int status = record_status(ST_VIEW_IN_OTHER_OPERATION);
      unset_target_view();
      return trace.checked(__LINE__, status);
    }
  }
  int status = verify_view_access(view);
  if (status != 0)
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableUseViewOperation);
  return trace.checked(__LINE__, status);
}

// ---- integration activity ----------------------------------------------------------------

SUM_String SUM_Integration::integration_activity_base_name() const {
  SUM_String stream_name;
  if (stream_.name(stream_name) != 0)
    return SUM_String();
  std::string when = date_fmt_numeric_token(start_time_, DATE_TOKEN_DATE_TIME);
  return SUM_String(imsg_format(sum_integration_msg::DottedTriple, std::string(operation_name_lc()),
                                std::string(stream_name), when)
                        .c_str());
}

int SUM_Integration::find_orphan_integration_activity(const SUM_Stream& stream) {
  SUM_Trace trace("SUM_Integration::find_orphan_integration_activity");
  if (!integration_activity_.is_null())
    return SUM_OK;
  SUM_String base = integration_activity_base_name();
  SUM_VobObject found;
  if (base.GetLength() == 0 ||
      SUM_VobObject::construct_from_name(stream.vob(), base, VOB_MTYPE_ACTIVITY, found) != 0)
    return SUM_OK;
  SUM_Activity candidate(found.vob(), found.dbid());
  SUM_Stream owner;
  int has = 0;
  if (candidate.stream(owner) != 0 || !(owner == stream) || candidate.has_change_set(has) != 0 ||
      has)
    return SUM_OK;
  integration_activity_ = candidate;
  return SUM_OK;
}

int SUM_Integration::create_integration_activity(const SUM_Stream& stream) {
  SUM_Trace trace("SUM_Integration::create_integration_activity");
  if (stream.is_null() || target_view_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::string lc(operation_name_lc());
  std::string now = date_fmt_short_date_time(static_cast<long>(std::time(nullptr)));
  std::string comment = imsg_format(sum_integration_msg::IntegrationActivityCreated, lc, now);
  // The name comes from the start time, so that an activity made just
  // before a crash is found again by the resumed operation.
  find_orphan_integration_activity(stream);
  if (integration_activity_.is_null()) {
    SUM_String stream_name;
    SUM_String base = integration_activity_base_name();
    if (base.GetLength() == 0 || stream_.name(stream_name) != 0)
      return trace.checked(__LINE__, record_status(ST_CANNOT_CREATE_ACTIVITY));
    SUM_String name = sum_utl_generate_unique_obj_name(base, VOB_MTYPE_ACTIVITY, 0, stream.vob());
    std::string headline =
        imsg_format(sum_integration_msg::ActionOnDate, lc, std::string(stream_name), now);
    SUM_Activity made;
    if (name.GetLength() == 0 ||
        stream.create_integration_activity(name, headline.c_str(), comment.c_str(), made) != 0)
      return trace.checked(__LINE__, record_status(ST_CANNOT_CREATE_ACTIVITY));
    integration_activity_ = made;
  }
  int is = 0, in_progress = 0;
  if (integration_activity_.is_integration_activity(is, in_progress) != 0 ||
      ((!is || !in_progress) && integration_activity_.init_integration_act(comment.c_str()) != 0))
    return trace.checked(__LINE__, record_status(ST_CANNOT_CREATE_ACTIVITY));
  return set_status_ok();
}

int SUM_Integration::setact_integration_activity() {
  SUM_Trace trace("SUM_Integration::setact_integration_activity");
  if (integration_activity_.is_null() || target_view_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String activity_name, tag;
  integration_activity_.name(activity_name);
  target_view_.tag(tag, 1);
  std::string comment =
      imsg_format(sum_integration_msg::IntegrationActivitySetView, std::string(activity_name),
                  std::string(tag), std::string(owner_));
  if (integration_activity_.start_work(target_view_, comment.c_str()) != 0)
    return trace.checked(__LINE__, record_status(ST_CANNOT_SET_ACTIVITY));
  return set_status_ok();
}

int SUM_Integration::undo_setact_integration_activity() {
  SUM_Trace trace("SUM_Integration::undo_setact_integration_activity");
  if (integration_activity_.is_null() || target_view_.is_null())
    return SUM_OK;
  if (integration_activity_.complete_integration_act(nullptr) != 0)
    return trace.checked(__LINE__, record_status(ST_CANNOT_UNSET_ACTIVITY));
  SUM_Activity current;
  if (target_view_.current_activity(current) != 0)
    return trace.checked(__LINE__, record_status(ST_CANNOT_UNSET_ACTIVITY));
  // Another activity current in the view is the user's own; only the
  // integration activity is taken away.
  if (current == integration_activity_) {
    int status = target_view_.unset_activity(1, nullptr);
    if (status != 0 && status != SUM_NOT_FOUND)
      return trace.checked(__LINE__, record_status(ST_CANNOT_UNSET_ACTIVITY));
  }
  return set_status_ok();
}

int SUM_Integration::remove_integration_activity() {
  SUM_Trace trace("SUM_Integration::remove_integration_activity");
  if (integration_activity_.is_null())
    return SUM_OK;
  int has = 0;
  if (integration_activity_.has_change_set(has) != 0)
    return trace.checked(__LINE__, record_err_status());
  if (has)
    return trace.checked(__LINE__, record_status(ST_ACTIVITY_NOT_EMPTY));
  if (integration_activity_.destroy_util(nullptr, 0) != 0) {
    status_ = ST_CANNOT_REMOVE_ACTIVITY;
    print_okmsg();
    return SUM_OK;
  }
  integration_activity_ = SUM_Activity();
  return set_status_ok();
}

// ---- printing ----------------------------------------------------------------------------

void SUM_Integration::print_details_common() const {
  SUM_String selector;
  if (stream_.selector(1, selector) != 0)
    selector = stream_.any_name();
  imsg_print(IMSG_INFO, sum_integration_msg::OperationProgressStream,
             std::string(operation_name_cap()), std::string(selector));
  if (state_ == CANCELLED)
    imsg_print(IMSG_INFO, sum_integration_msg::OperationCurrentlyBeingCanceled);
  if (start_time_ == 0)
    imsg_print(IMSG_INFO, sum_integration_msg::StartedUnknownTime, std::string(owner_));
  else
    imsg_print(IMSG_INFO, sum_integration_msg::Started, std::string(owner_),
               date_fmt_short_date_time(start_time_));
  if (integration_activity_.is_null())
    imsg_print(IMSG_INFO, sum_integration_msg::IntegrationActivityNotCreated);
  else
    imsg_print(IMSG_INFO, sum_integration_msg::UsingIntegrationActivity,
               std::string(integration_activity_.any_fullname()));
  if (target_view_.is_null())
    imsg_print(IMSG_INFO, sum_integration_msg::TargetViewNotSpecified);
  else
    imsg_print(IMSG_INFO, sum_integration_msg::UsingView, std::string(target_view_.any_name()));
}

// ---- deliver-only and rebase-only accessors ----------------------------------------------

int SUM_Integration::posted(int&) const {
  return SUM_FAILED;
}
int SUM_Integration::optype(DeliverOpType&) const {
  return SUM_FAILED;
}
int SUM_Integration::selectedbls(int&) const {
  return SUM_FAILED;
}
int SUM_Integration::target_stream(SUM_Stream& out) const {
  out = target_stream();
  return out.is_null() ? SUM_FAILED : SUM_OK;
}
int SUM_Integration::baselines(SUM_BaselineList&) const {
  return SUM_FAILED;
}
int SUM_Integration::bls_created(SUM_BaselineList&) const {
  return SUM_FAILED;
}
int SUM_Integration::fdn_bls_in_stream_bls(SUM_BaselineList&) const {
  return SUM_FAILED;
}
int SUM_Integration::orig_replica(SUM_Replica&) const {
  return SUM_FAILED;
}
int SUM_Integration::integrator(SUM_String&) const {
  return SUM_FAILED;
}
int SUM_Integration::tk_remastered_acts(SUM_ActivityList&) const {
  return SUM_FAILED;
}
int SUM_Integration::set_baselines(const SUM_BaselineList&) {
  return SUM_FAILED;
}
int SUM_Integration::set_target_stream(const SUM_Stream&) {
  return SUM_FAILED;
}
int SUM_Integration::set_bls_created(const SUM_BaselineList&) {
  return SUM_FAILED;
}
int SUM_Integration::set_fdn_bls_in_stream_bls(const SUM_BaselineList&) {
  return SUM_FAILED;
}
int SUM_Integration::set_posted(int) {
  return SUM_FAILED;
}
int SUM_Integration::set_optype(DeliverOpType) {
  return SUM_FAILED;
}
int SUM_Integration::set_orig_replica(const SUM_Replica&) {
  return SUM_FAILED;
}
int SUM_Integration::set_integrator(const SUM_String&) {
  return SUM_FAILED;
}
int SUM_Integration::set_tk_remastered_acts(const SUM_ActivityList&) {
  return SUM_FAILED;
}
int SUM_Integration::new_config(SUM_NewConfig*&) const {
  return SUM_FAILED;
}
int SUM_Integration::cspec_id(SUM_ConfigSpecId&) const {
  return SUM_FAILED;
}
int SUM_Integration::set_new_config(SUM_NewConfig*) {
  return SUM_FAILED;
}
int SUM_Integration::set_cspec_id(const SUM_ConfigSpecId&) {
  return SUM_FAILED;
}
