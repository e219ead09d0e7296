// SUM_Deliver: names, outcome texts, the record and its fields, finding a
// deliver in progress, and printing it. Planning is in sum_deliver_plan.cpp,
// the states, resume and cancel in sum_deliver_exec.cpp.
#include "sum/sum_deliver.h"

#include <string>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_project.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"

SUM_Deliver::SUM_Deliver() = default;
SUM_Deliver::~SUM_Deliver() = default;

SUM_String SUM_Deliver::operation_name_lc() const {
  return SUM_String(imsg_text(sum_deliver_msg::Deliver));
}

SUM_String SUM_Deliver::operation_name_cap() const {
  return SUM_String(imsg_text(sum_deliver_msg::DeliverTitle));
}

const char* SUM_Deliver::pvar_name() const {
  return PVAR_ZEM_GEN_ZEM_DELIVER;
}

const SUM_AVMapList& SUM_Deliver::record_map() const {
  return deliver_map();
}

SUM_String SUM_Deliver::status_msg(int code) const {
  if (code < ST_NO_ACTIVITIES || code > ST_SELECTED_CHECKOUTS_PREVENT || code == 47 || code == 49 ||
      code == 53 || code == 54)
    return status_msg_common(code);
  const std::string source(op_stream().any_name()), target(target_.any_name());
  SUM_Project source_project, target_project;
  op_stream().project(source_project);
  target_.project(target_project);
  const std::string source_proj(source_project.any_name()), target_proj(target_project.any_name());
  const auto id = static_cast<sum_deliver_msg>(code - ST_NO_ACTIVITIES);
  switch (code) {
    case ST_NO_ACTIVITIES:
      return SUM_String(imsg_format_chosen(id, source, target).c_str());
    case ST_CHECKOUTS_EXCLUDED:
    case ST_CHECKOUTS_PREVENT:
    case ST_SELECTED_CHECKOUTS_EXCLUDED:
    case ST_SELECTED_CHECKOUTS_PREVENT:
      return SUM_String(imsg_format_chosen(id, source, source_proj, source).c_str());
    case ST_INTERPROJECT_REFUSED:
    case ST_REBASE_REQUIRED:
      return SUM_String(imsg_format_chosen(id, target, target_proj).c_str());
    case ST_NO_COMMON_MOD_COMPS:
    case ST_SELECTED_ACTS_UNSUPPORTED:
    case 63:
    case 71:
      return SUM_String(imsg_format_chosen(id, source, target).c_str());
    case 74:
      return SUM_String(imsg_format_chosen(id, target, source).c_str());
    case ST_TARGET_NO_BASELINES:
    case ST_TARGET_NO_MOD_COMPS:
    case ST_TARGET_READ_ONLY:
      return SUM_String(imsg_format_chosen(id, target).c_str());
    case ST_NO_BASELINES:
    case 50:
    case 51:
    case ST_REBASE_IN_PROGRESS:
    case ST_SOURCE_NO_MOD_COMPS:
    case ST_NO_DEFAULT_TARGET:
    case ST_SOURCE_READ_ONLY:
    case 72:
    case ST_TO_ITSELF:
      return SUM_String(imsg_format_chosen(id, source).c_str());
    default:
      return SUM_String(imsg_format_chosen(id).c_str());
  }
}

int SUM_Deliver::has_deliver_in_progress(const SUM_Stream& stream, int& found) {
  SUM_Trace trace("SUM_Deliver::has_deliver_in_progress");
  SUM_String text;
  found = 0;
  if (stream.pvar(PVAR_ZEM_GEN_ZEM_DELIVER, text) != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableGetIntegrationInformation);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  found = text.GetLength() > 0 ? 1 : 0;
  return SUM_OK;
}

// ---- the record ------------------------------------------------------------------------------

const char* SUM_Deliver::view_settings_pvar_name() const {
  return PVAR_ZEM_GEN_ZEM_DELIVER_MISC;
}

const char* SUM_Deliver::rival_pvar_name() const {
  return PVAR_ZEM_GEN_ZEM_REBASE;
}

int SUM_Deliver::save_to_pvar() {
  SUM_Trace trace("SUM_Deliver::save_to_pvar");
  return trace.checked(__LINE__, save_operation(deliver_map()));
}

int SUM_Deliver::check_operation_pvar() {
  SUM_Trace trace("SUM_Deliver::check_operation_pvar");
  return trace.checked(__LINE__, check_integration_info());
}

int SUM_Deliver::restore_from_pvar(const int& lenient) {
  SUM_Trace trace("SUM_Deliver::restore_from_pvar");
  return trace.checked(__LINE__, restore_operation(deliver_map(), lenient));
}

int SUM_Deliver::posted(int& out) const {
  out = 0;
  return SUM_OK;
}
int SUM_Deliver::optype(DeliverOpType& out) const {
  out = static_cast<DeliverOpType>(optype_);
  return SUM_OK;
}
int SUM_Deliver::selectedbls(int& out) const {
  out = optype_ == kOpSelectedBaselines ? 1 : 0;
  return SUM_OK;
}
int SUM_Deliver::target_stream(SUM_Stream& out) const {
  out = target_;
  return SUM_OK;
}
int SUM_Deliver::baselines(SUM_BaselineList& out) const {
  out = baselines_;
  return SUM_OK;
}
int SUM_Deliver::bls_created(SUM_BaselineList& out) const {
  out = bls_created_;
  return SUM_OK;
}
int SUM_Deliver::fdn_bls_in_stream_bls(SUM_BaselineList& out) const {
  out = fdn_bls_;
  return SUM_OK;
}
int SUM_Deliver::orig_replica(SUM_Replica& out) const {
  // Every stream is mastered here: the record names no other replica.
  out = SUM_Replica();
  return SUM_OK;
}
int SUM_Deliver::integrator(SUM_String& out) const {
  out = integrator_;
  return SUM_OK;
}
int SUM_Deliver::tk_remastered_acts(SUM_ActivityList& out) const {
  out = SUM_ActivityList();
  return SUM_OK;
}
int SUM_Deliver::set_baselines(const SUM_BaselineList& list) {
  baselines_ = list;
  return SUM_OK;
}
int SUM_Deliver::set_target_stream(const SUM_Stream& stream) {
  target_ = stream;
  return SUM_OK;
}
int SUM_Deliver::set_bls_created(const SUM_BaselineList& list) {
  bls_created_ = list;
  return SUM_OK;
}
int SUM_Deliver::set_fdn_bls_in_stream_bls(const SUM_BaselineList& list) {
  fdn_bls_ = list;
  return SUM_OK;
}
int SUM_Deliver::set_posted(int posted) {
  // A posted deliver needs another replica; none exists here.
  return posted ? SUM_FAILED : SUM_OK;
}
int SUM_Deliver::set_optype(DeliverOpType type) {
  optype_ = type;
  return SUM_OK;
}
int SUM_Deliver::set_orig_replica(const SUM_Replica&) {
  return SUM_OK;
}
int SUM_Deliver::set_integrator(const SUM_String& login) {
  integrator_ = login;
  return SUM_OK;
}
int SUM_Deliver::set_tk_remastered_acts(const SUM_ActivityList& list) {
  return list.count() == 0 ? SUM_OK : SUM_FAILED;
}

int SUM_Deliver::activities(SUM_ActivityList& out) {
  out = activities_;
  return SUM_OK;
}

// ---- printing --------------------------------------------------------------------------------

void SUM_Deliver::print_details() const {
  print_details_common();
  SUM_Project target_project, source_project;
  target_.project(target_project);
  op_stream().project(source_project);
  if (optype_ == kOpSelectedBaselines)
    imsg_print(IMSG_INFO, sum_deliver_msg::BaselinesDelivered);
  else
    imsg_print(IMSG_INFO, sum_deliver_msg::ActivitiesDelivered);
  const std::string target(target_.any_name()), project(target_project.any_name());
  if (is_default_)
    imsg_print(IMSG_CONTINUATION, sum_deliver_msg::DefaultTargetStreamProject, target, project);
  else if (target_project == source_project)
    imsg_print(IMSG_CONTINUATION, sum_deliver_msg::StreamCurrentProject, target, project);
  else
    imsg_print(IMSG_CONTINUATION, sum_deliver_msg::StreamProject, target, project);
  if (baselines_.count() > 0) {
    imsg_print(IMSG_INFO, sum_deliver_msg::BaselinesToDeliverHeading);
    for (unsigned i = 0; i < baselines_.count(); ++i)
      imsg_print_literal(IMSG_INFO, "    %s\n", baselines_[i].any_fullname());
  }
  if (fdn_bls_.count() > 0) {
    imsg_print(IMSG_INFO, sum_deliver_msg::FoundationBaselinesIncludedChanges);
    for (unsigned i = 0; i < fdn_bls_.count(); ++i)
      imsg_print_literal(IMSG_INFO, "    %s\n", fdn_bls_[i].any_fullname());
  }
}

void SUM_Deliver::report_deliver_state() const {
  imsg_print(IMSG_INFO, sum_deliver_msg::DeliverOperationCurrentlyState,
             std::string(op_state_string()));
}
