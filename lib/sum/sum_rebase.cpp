// SUM_Rebase: starting, resuming and advancing a rebase through its states.
// Cancelling and the saved view settings are in sum_rebase_cancel.cpp.
//
// Every step is safe to repeat after a crash: the view's config spec is
// set only when it does not show the rebase's configuration yet, the
// integration activity is found again by its name (made from the start
// time) when a crash came between its creation and the next save, and the
// configuration is committed together with the record of state
// "config_updated" in one transaction.
#include "sum/sum_rebase.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "services/date.h"
#include "services/imsg.h"
#include "sum/sum_baseline.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_policy.h"
#include "sum/sum_project.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"
#include "sum/sum_version.h"

namespace {

constexpr const char* kSource = "sum_rebase";

// The record format rebase writes.
constexpr int kRebaseFormat = 3;

}  // namespace

SUM_Rebase::SUM_Rebase() = default;
SUM_Rebase::~SUM_Rebase() = default;

SUM_String SUM_Rebase::operation_name_lc() const {
  return SUM_String(imsg_text(sum_rebase_msg::Rebase));
}

SUM_String SUM_Rebase::operation_name_cap() const {
  return SUM_String(imsg_text(sum_rebase_msg::RebaseTitle));
}

const char* SUM_Rebase::pvar_name() const {
  return PVAR_ZEM_GEN_ZEM_REBASE;
}

const SUM_AVMapList& SUM_Rebase::record_map() const {
  return rebase_map();
}

SUM_String SUM_Rebase::status_msg(int code) const {
  if (code == ST_VIEW_MISMATCH) {
    SUM_String tag;
    op_target_view().tag(tag, 1);
    return SUM_String(imsg_format(sum_rebase_msg::RebaseProgressStreamUsing,
                                  std::string(op_stream().any_name()), std::string(tag))
                          .c_str());
  }
  if (code >= ST_INVALID_BASELINES && code <= ST_PREOP_REFUSED && code != 87 &&
      code != ST_CHECKOUTS_NOT_ALLOWED)
    return SUM_String(imsg_format_chosen(static_cast<sum_rebase_msg>(code - 80)).c_str());
  return status_msg_common(code);
}

// ---- finding a rebase --------------------------------------------------------------------

int SUM_Rebase::has_rebase_in_progress(const SUM_Stream& stream, int& found) {
  SUM_View view;
  SUM_ConfigSpecId csid;
  return has_rebase_in_progress(stream, found, view, csid, nullptr);
}

int SUM_Rebase::has_rebase_in_progress(const SUM_Stream& stream, int& found, SUM_View& view,
                                       SUM_ConfigSpecId& csid,
                                       std::unique_ptr<SUM_NewConfig>* config) {
  SUM_Trace trace("SUM_Rebase::has_rebase_in_progress");
  found = 0;
  SUM_AVList list(rebase_map());
  int status = unpack_operation(stream, PVAR_ZEM_GEN_ZEM_REBASE, list);
  if (status == SUM_NOT_FOUND)
    return SUM_OK;
  if (status != 0)
    return trace.checked(__LINE__, status);
  found = 1;
  const SUM_String& uuid_text = list.values[REC_VIEW];
  if (uuid_text.GetLength() > 0) {
    SUM_Uuid uuid;
    if (SUM_Uuid::construct_from_string(uuid_text, uuid) != 0) {
      imsg_print(IMSG_ERROR, sum_rebase_msg::UnableConvertUuid, std::string(uuid_text));
      return trace.checked(__LINE__, SUM_FAILED);
    }
    if (SUM_View::construct_from_uuid(uuid, view) != 0) {
      imsg_print(IMSG_ERROR, sum_rebase_msg::UnableConstructViewUuid, std::string(uuid_text));
      return trace.checked(__LINE__, SUM_FAILED);
    }
  }
  if (list.values[REC_CSID].GetLength() > 0 &&
      SUM_ConfigSpecId::from_string(list.values[REC_CSID], csid) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableMakeConfigurationSpecification);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  if (config != nullptr && list.values[REC_CFG].GetLength() > 0) {
    OpnState state = NO_STATE;
    state_from_name(list.values[REC_STATE], state);
    auto restored = std::make_unique<SUM_NewConfig>(stream, SUM_NewConfigCBs());
    if (restored->restore(list.values[REC_CFG], state >= CONFIG_UPDATED ? 1 : 0) != 0) {
      imsg_print(IMSG_ERROR, sum_rebase_msg::UnableRestoreNewConfiguration);
      return trace.checked(__LINE__, SUM_FAILED);
    }
    *config = std::move(restored);
  }
  return SUM_OK;
}

static int has_deliver_in_progress(const SUM_Stream& stream, int& found) {
  SUM_String text;
  int status = stream.pvar(PVAR_ZEM_GEN_ZEM_DELIVER, text);
  found = status == 0 && text.GetLength() > 0 ? 1 : 0;
  return status;
}

// ---- starting and resuming ---------------------------------------------------------------

std::unique_ptr<SUM_Rebase> SUM_Rebase::start_new_rebase(std::unique_ptr<SUM_NewConfig> config) {
  SUM_Trace trace("SUM_Rebase::start_new_rebase");
  auto rebase = std::make_unique<SUM_Rebase>();
  int valid = 0;
  if (config == nullptr || config->is_valid(valid) != 0 || !valid) {
    rebase->record_status(ST_INVALID_BASELINES);
    return nullptr;
  }
  SUM_Stream stream = config->stream();
  rebase->config_ = std::move(config);
  if (rebase->start(stream) != 0)
    return nullptr;
  return rebase;
}

int SUM_Rebase::start(const SUM_Stream& stream) {
  SUM_Trace trace("SUM_Rebase::start");
  if (stream.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  set_stream(stream);
  if (stream.is_read_only(read_only_) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableDetermineWhetherStream,
               std::string(stream.any_name()));
    return trace.checked(__LINE__, record_err_status());
  }
  int found = 0;
  if (has_rebase_in_progress(stream, found) != 0)
    return trace.checked(__LINE__, record_err_status());
  if (found)
    return trace.checked(__LINE__, record_status(ST_ALREADY_IN_PROGRESS));
  if (has_deliver_in_progress(stream, found) != 0)
    return trace.checked(__LINE__, record_err_status());
  if (found)
    return trace.checked(__LINE__, record_status(ST_DELIVER_IN_PROGRESS));
  int status = start_common(stream);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableStartCommonIntegration);
    return trace.checked(__LINE__, status);
  }
  int single = 0;
  if (stream.is_in_single_stream_project(single) == 0 && single)
    set_skip(1);
  set_format(kRebaseFormat);
  set_state(PREPARED);
  return set_status_ok();
}

int SUM_Rebase::restart(const SUM_Stream& stream) {
  SUM_Trace trace("SUM_Rebase::restart");
  if (stream.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  set_stream(stream);
  if (stream.is_read_only(read_only_) != 0)
    return trace.checked(__LINE__, record_err_status());
  // The record itself is read by restore_from_pvar, which tells a missing
  // one (5) from one that cannot be used (29).
  SUM_String text;
  if (stream.pvar(PVAR_ZEM_GEN_ZEM_REBASE, text) != 0)
    return trace.checked(__LINE__, record_err_status());
  if (text.GetLength() == 0)
    return trace.checked(__LINE__, record_status(ST_NO_OPERATION));
  int status = restart_common(stream);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableRestartCommonIntegration);
    return trace.checked(__LINE__, status);
  }
  if ((status = restore_from_pvar(0)) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableRestorePvar);
    return trace.checked(__LINE__, status);
  }
  if ((status = check_operation_common(stream)) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableCheckOperationCommon);
    return trace.checked(__LINE__, status);
  }
  int single = 0;
  if (stream.is_in_single_stream_project(single) == 0 && single)
    set_skip(1);
  return set_status_ok();
}

int SUM_Rebase::prepare_view(const SUM_View& view) {
  SUM_Trace trace("SUM_Rebase::prepare_view");
  if (view.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Stream attached;
  if (view.stream(attached) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableGetStreamAttached, std::string(view.any_name()));
    return trace.checked(__LINE__, record_err_status());
  }
  if (!(attached == op_stream()))
    return sum_int_error(kSource, trace.name(), __LINE__);
  // A resumed rebase keeps its view (its checkouts are the rebase's own
  // merges) and the identity it recorded.
  if (op_state() > PREPARED && !op_target_view().is_null())
    return trace.checked(__LINE__, verify_view_is_rip_view(view));
  int status = prepare_view_common(view);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnablePrepareViewCommon);
    return trace.checked(__LINE__, status);
  }
  if (!proceed_on_verctl_error()) {
    int has = 0;
    if (view.has_checkouts(has) != 0) {
      imsg_print(IMSG_ERROR, sum_rebase_msg::UnableGetCheckoutsView, std::string(view.any_name()));
      unset_target_view();
      return trace.checked(__LINE__, record_err_status());
    }
    SUM_String allowed;
    if (has && (op_stream().policy_in_context(SUM_Policy::REBASE_CO, allowed) != 0 ||
                allowed.Compare("ENABLED") != 0)) {
      status = record_status(ST_CHECKOUTS_NOT_ALLOWED);
      unset_target_view();
      return trace.checked(__LINE__, status);
    }
  }
  SUM_ConfigSpecId id;
  if (op_stream().config_spec_id(id) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableGetConfigurationSpecification);
    return trace.checked(__LINE__, record_err_status());
  }
  id.bump_version();
  csid_ = id;
  return set_status_ok();
}

int SUM_Rebase::verify_view_is_rip_view(const SUM_View& view) {
  if (!op_target_view().is_null() && !(view == op_target_view()))
    return record_status(ST_VIEW_MISMATCH);
  return SUM_OK;
}

// ---- record ------------------------------------------------------------------------------

const char* SUM_Rebase::view_settings_pvar_name() const {
  return PVAR_ZEM_GEN_ZEM_REBASE_MISC;
}

void SUM_Rebase::report_view_settings_fault(ViewSettingsFault fault) const {
  const std::string pvar(view_settings_pvar_name());
  switch (fault) {
    case VS_CURRENT_UNKNOWN:
      imsg_print(IMSG_ERROR, sum_rebase_msg::UnableGetCurrentActivity,
                 std::string(op_target_view().any_name()));
      return;
    case VS_NOT_WRITTEN:
      imsg_print(IMSG_ERROR, sum_rebase_msg::UnableSetPVAR, pvar);
      return;
    case VS_NOT_READ:
      imsg_print(IMSG_ERROR, sum_rebase_msg::UnableGetPVAR, pvar);
      return;
    case VS_CORRUPT:
      imsg_print(IMSG_WARNING, sum_rebase_msg::ZEMREBASEMISCPVAR);
      imsg_print(IMSG_WARNING, sum_rebase_msg::UnableRestoreREBASEMISC);
      return;
    case VS_ACTIVITY_KEPT:
      imsg_print(IMSG_WARNING, sum_rebase_msg::UnableRestoreOriginalActivity);
      return;
  }
}

const char* SUM_Rebase::rival_pvar_name() const {
  return PVAR_ZEM_GEN_ZEM_DELIVER;
}

int SUM_Rebase::save_to_pvar() {
  SUM_Trace trace("SUM_Rebase::save_to_pvar");
  return trace.checked(__LINE__, save_operation(rebase_map()));
}

int SUM_Rebase::check_operation_pvar() {
  SUM_Trace trace("SUM_Rebase::check_operation_pvar");
  return trace.checked(__LINE__, check_integration_info());
}

int SUM_Rebase::restore_from_pvar(const int& lenient) {
  SUM_Trace trace("SUM_Rebase::restore_from_pvar");
  return trace.checked(__LINE__, restore_operation(rebase_map(), lenient));
}

int SUM_Rebase::new_config(SUM_NewConfig*& out) const {
  out = config_.get();
  return SUM_OK;
}

int SUM_Rebase::cspec_id(SUM_ConfigSpecId& out) const {
  out = csid_;
  return SUM_OK;
}

int SUM_Rebase::set_new_config(SUM_NewConfig* config) {
  config_.reset(config);
  return SUM_OK;
}

int SUM_Rebase::set_cspec_id(const SUM_ConfigSpecId& id) {
  csid_ = id;
  return SUM_OK;
}

int SUM_Rebase::activities(SUM_ActivityList& out) {
  // A rebase merges baselines, not activities: its activity list is empty.
  out = SUM_ActivityList();
  return SUM_OK;
}

// ---- what would have to be merged --------------------------------------------------------

// ---- advancing ---------------------------------------------------------------------------

int SUM_Rebase::do_rebase() {
  SUM_Trace trace("SUM_Rebase::do_rebase");
  return trace.checked(__LINE__, do_integration(CONTEXT_MERGED));
}

int SUM_Rebase::do_integration(OpnState target) {
  SUM_Trace trace("SUM_Rebase::do_integration");
  if (config_ == nullptr || op_target_view().is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, drive(target));
}

int SUM_Rebase::integrates_files() const {
  // A read-only stream merges nothing and has no integration activity.
  return read_only_ ? 0 : 1;
}

int SUM_Rebase::merge_into_view() {
  SUM_Trace trace("SUM_Rebase::merge_into_view");
  int status = do_merge(callbacks_.element, callbacks_.sorted_versions);
  if (status == 0)
    status = report_hidden_changes();
  return trace.checked(__LINE__, status);
}

int SUM_Rebase::fire_trigger(TriggerKind kind, int preop) {
  SUM_Trace trace("SUM_Rebase::fire_trigger");
  SUM_Project project;
  SUM_BaselineList baselines;
  if (op_stream().project(project) != 0 || config_->baselines_moving_forward(baselines) != 0)
    return trace.checked(__LINE__, record_err_status());
  SUM_VobObjectList objects;
  for (unsigned i = 0; i < baselines.count(); ++i)
    objects.append(baselines[i]);
  const SUM_Activity& activity = op_integration_activity();
  int status = 0;
  if (kind == TRIGGER_START) {
    SUM_TrigRebaseStart trigger(op_stream(), project, objects, activity, SUM_String());
    status = preop ? trigger.fire_preop() : trigger.fire_postop(SUM_VobObject());
  } else if (kind == TRIGGER_COMPLETE) {
    SUM_TrigRebaseComplete trigger(op_stream(), project, objects, activity, SUM_String());
    status = preop ? trigger.fire_preop() : trigger.fire_postop(SUM_VobObject());
  } else {
    SUM_TrigRebaseCancel trigger(op_stream(), project, objects, activity, SUM_String());
    status = preop ? trigger.fire_preop() : trigger.fire_postop(SUM_VobObject());
  }
  if (status != 0 && preop)
    return trace.checked(__LINE__, record_status(ST_PREOP_REFUSED));
  return SUM_OK;
}

int SUM_Rebase::run_first_phase_state(OpnState state, int& stop) {
  SUM_Trace trace("SUM_Rebase::run_first_phase_state");
  int status = 0;
  switch (state) {
    case OP_COMMITTED:
      if ((status = fire_trigger(TRIGGER_START, 1)) != 0)
        return trace.checked(__LINE__, status);
      if ((status = set_state_and_save_to_pvar(state)) != 0)
        return trace.checked(__LINE__, status);
      return trace.checked(__LINE__, save_view_activity());
    case CSPEC_UPDATED:
      if ((status = announce(imsg_text(sum_rebase_msg::UpdatingRebaseViewConfig))) != 0)
        return trace.checked(__LINE__, status);
      // A crash right after the record of "op_committed" was saved left the
      // view settings unsaved; the view's activity is still the user's.
      if ((status = save_view_activity()) != 0 || (status = do_update_cspec()) != 0)
        return trace.checked(__LINE__, status);
      return trace.checked(__LINE__, set_state_and_save_to_pvar(state));
    case VIEW_RELOADED: {
      int web = 0;
      if (op_target_view().is_web_view_by_view(web) != 0)
        web = 0;
      if (!web) {
        if ((status = announce(imsg_text(sum_rebase_msg::CheckingSnapshotViewReload))) != 0)
          return trace.checked(__LINE__, status);
        int reloaded = 0;
        if ((status = check_view_reloaded(reloaded)) != 0)
          return trace.checked(__LINE__, status);
        if (!reloaded) {
          stop = 1;
          return trace.checked(__LINE__, record_status(ST_VIEW_MUST_RELOAD));
        }
      }
      return trace.checked(__LINE__, set_state_and_save_to_pvar(state));
    }
    default:
      return trace.checked(__LINE__, SUM_Integration::run_first_phase_state(state, stop));
  }
}

int SUM_Rebase::run_second_phase_state(OpnState state) {
  SUM_Trace trace("SUM_Rebase::run_second_phase_state");
  int status = 0;
  switch (state) {
    case CONFIG_UPDATED:
      if ((status = announce(imsg_text(sum_rebase_msg::UpdatingStreamConfiguration))) != 0)
        return trace.checked(__LINE__, status);
      return trace.checked(__LINE__, do_update_config());
    case COMPLETED:
      if ((status = announce(imsg_text(sum_rebase_msg::CleaningUp))) != 0 ||
          (status = complete_cleanup()) != 0)
        return trace.checked(__LINE__, status);
      set_state(state);
      announce(imsg_text(sum_rebase_msg::RebaseCompleted));
      return trace.checked(__LINE__, fire_trigger(TRIGGER_COMPLETE, 0));
    default:
      return trace.checked(__LINE__, SUM_Integration::run_second_phase_state(state));
  }
}

// ---- steps -------------------------------------------------------------------------------

int SUM_Rebase::do_update_cspec() {
  SUM_Trace trace("SUM_Rebase::do_update_cspec");
  if (op_target_view().update_config_spec() != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableUpdateConfigurationSpecification);
    return trace.checked(__LINE__, record_err_status());
  }
  return SUM_OK;
}

int SUM_Rebase::check_view_reloaded(int& reloaded) {
  SUM_Trace trace("SUM_Rebase::check_view_reloaded");
  int needs = 0;
  if (op_target_view().needs_reload(needs) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableDetermineWhetherView,
               std::string(op_target_view().any_name()));
    return trace.checked(__LINE__, record_err_status());
  }
  if (needs)
    callbacks_.view_reload.invoke(&op_target_view());
  reloaded = needs ? 0 : 1;
  return SUM_OK;
}

int SUM_Rebase::do_update_config() {
  SUM_Trace trace("SUM_Rebase::do_update_config");
  // The configuration, the integrated configuration on the activity and the
  // record of "config_updated" are written together: a crash leaves either
  // all of them or none.
  vob_write_group group(op_stream().vob().handle());
  int status = group.status();
  if (status != 0)
    return trace.checked(__LINE__, record_status(ST_CANNOT_UPDATE_CONFIG));
  // Under the group's lock the record cannot change: a process that lost
  // the operation to another stops here, before writing anything.
  if ((status = check_operation_pvar()) != 0)
    return trace.checked(__LINE__, status);
  if (config_->commit(nullptr) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableUpdateConfig);
    return trace.checked(__LINE__, record_status(ST_CANNOT_UPDATE_CONFIG));
  }
  set_defer_kill(1);
  status = record_integrated_config();
  if (status == 0)
    status = set_state_and_save_to_pvar(CONFIG_UPDATED);
  set_defer_kill(0);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (group.commit() != 0)
    return trace.checked(__LINE__, record_status(ST_CANNOT_UPDATE_CONFIG));
  kill_if_asked();
  return SUM_OK;
}

int SUM_Rebase::undo_update_config() {
  SUM_Trace trace("SUM_Rebase::undo_update_config");
  if (config_->undo_commit(nullptr) != 0)
    return trace.checked(__LINE__, record_status(ST_CANNOT_RESTORE_CONFIG));
  return SUM_OK;
}

int SUM_Rebase::record_integrated_config() {
  SUM_Trace trace("SUM_Rebase::record_integrated_config");
  if (op_integration_activity().is_null())
    return SUM_OK;
  SUM_BaselineList contrib, old_found;
  if (config_->baselines_moving_forward(contrib) != 0 || config_->current_config(old_found) != 0 ||
      op_integration_activity().save_integration_config(PVAR_ZEM_GEN_ZEM_REBASE, contrib, old_found,
                                                        0) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableRecordRebaseIntegration,
               std::string(op_integration_activity().any_name()));
    return trace.checked(__LINE__, record_err_status());
  }
  return SUM_OK;
}

int SUM_Rebase::complete_cleanup() {
  SUM_Trace trace("SUM_Rebase::complete_cleanup");
  // An activity that recorded versions stays; an empty one goes.
  int has = 0, status = 0;
  if (!op_integration_activity().is_null() && op_integration_activity().has_change_set(has) != 0)
    return trace.checked(__LINE__, record_err_status());
  if (!has && (status = remove_integration_activity()) != 0)
    return trace.checked(__LINE__, status);
  // The view shows the stream's configuration once the record is gone.
  if ((status = restore_view_activity()) != 0 || (status = clear_integration_info()) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableClearIntegrationInfo);
    return trace.checked(__LINE__, status);
  }
  if ((status = op_target_view().update_config_spec()) != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, record_status(ST_CANNOT_UPDATE_CSPEC));
  int reloaded = 0;
  return trace.checked(__LINE__, check_view_reloaded(reloaded));
}

void SUM_Rebase::print_details() const {
  print_details_common();
  SUM_BaselineList baselines;
  if (config_ == nullptr || config_->baselines_moving_forward(baselines) != 0)
    return;
  for (unsigned i = 0; i < baselines.count(); ++i)
    imsg_print(IMSG_INFO, sum_rebase_msg::RebaseBaseline, std::string(baselines[i].any_fullname()));
}

void SUM_Rebase::report_rebase_state() const {
  imsg_print(IMSG_INFO, sum_rebase_msg::RebaseOperationCurrentlyState,
             std::string(op_state_string()));
}
