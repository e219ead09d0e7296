// SUM_Stream: the stream's own policy values ("POLICY_STREAM_PVAR", only
// policies the project may delegate) and the values that apply to the
// stream, which are its own only where the project says
// "ENABLED_BY_STREAM".
#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"

namespace {

constexpr const char* kSource = "sum_stream_policy";

int is_stream_policy(int id) {
  return SUM_Policy::is_valid(id) && SUM_Policy(id).obj_type() == SUM_Policy::PROJECT_AND_STREAM
             ? 1
             : 0;
}

}  // namespace

int SUM_Stream::policy(SUM_PolicyList& out) const {
  SUM_Trace trace("SUM_Stream::policy");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_PolicyList list;
  int complete = 1;
  int status = SUM_Policy::read_stored(*this, PVAR_ZEM_STRM_POLICY_STREAM_PVAR, list, complete);
  if (status != 0 && status != SUM_NOT_FOUND) {
    imsg_print(IMSG_ERROR, sum_stream_msg::PolicyRead, any_fullname());
    return trace.checked(__LINE__, status);
  }
  if (!complete)
    imsg_print(IMSG_WARNING, sum_stream_msg::IncompletePolicies, any_fullname());
  SUM_Policy::add_defaults(list, 1);
  out = list;
  return SUM_OK;
}

int SUM_Stream::policy(int id, SUM_String& value) const {
  SUM_Trace trace("SUM_Stream::policy(id)");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (!is_stream_policy(id)) {
    imsg_print(IMSG_ERROR, sum_stream_msg::NotStreamPolicy, id, any_fullname());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  SUM_PolicyList list;
  int status = policy(list);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return SUM_Policy::lookup(list, id, value);
}

int SUM_Stream::policy_in_context(int id, SUM_String& value) const {
  SUM_Trace trace("SUM_Stream::policy_in_context");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Project owner;
  int status = project(owner);
  SUM_String project_value;
  if (status == 0)
    status = owner.policy(id, project_value);
  if (status == SUM_NOT_FOUND)
    status = 0;  // nothing stored on the project reads as "DISABLED"
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_String own;
  if (is_stream_policy(id) && (status = policy(id, own)) != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  value = SUM_Policy::value_in_context(project_value, own);
  return SUM_OK;
}

int SUM_Stream::policies_in_context(SUM_PolicyList& out) const {
  SUM_Trace trace("SUM_Stream::policies_in_context");
  SUM_PolicyList list;
  int status = policy(list);
  for (unsigned i = 0; status == 0 && i < list.count(); ++i) {
    SUM_String value;
    status = policy_in_context(list[i].policy_id(), value);
    if (status == 0)
      status = list[i].set_value(value);
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = list;
  return SUM_OK;
}

int SUM_Stream::set_policy(const SUM_PolicyList& list, const char* comment,
                           int fire_triggers) const {
  SUM_Trace trace("SUM_Stream::set_policy");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int read_only = 0, level = 0, in_template = 0;
  SUM_Project owner;
  int status = is_read_only(read_only);
  if (status == 0)
    status = vob_.feature_level(level);
  if (status == 0)
    status = project(owner);
  if (status == 0)
    status = owner.is_template_project(in_template);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (read_only) {
    imsg_print(IMSG_ERROR, sum_stream_msg::ReadOnlyPolicy, any_fullname());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  // Every policy is checked before anything is written.
  for (unsigned i = 0; i < list.count(); ++i) {
    const SUM_Policy& p = list[i];
    bool valid = is_stream_policy(p.policy_id()) &&
                 (!p.get_changed() || SUM_Policy::valid_value(p.policy_id(), p.value(), level, 1));
    if (valid)
      continue;
    if (in_template)
      imsg_print(IMSG_ERROR, sum_stream_msg::NotTemplatePolicy, p.policy_id());
    else
      imsg_print(IMSG_ERROR, sum_stream_msg::NotStreamPolicy, p.policy_id(), any_fullname());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  SUM_TrigChStream trigger(*this, owner, "policy", comment);
  if (fire_triggers && (status = trigger.fire_preop()) != 0)
    return trace.checked(__LINE__, status);
  if ((status = check_permission()) != 0)
    return trace.checked(__LINE__, status);

  // The stored values with the changed ones of `list` on top.
  SUM_PolicyList stored;
  int complete = 1;
  status = SUM_Policy::read_stored(*this, PVAR_ZEM_STRM_POLICY_STREAM_PVAR, stored, complete);
  if (status != 0 && status != SUM_NOT_FOUND) {
    imsg_print(IMSG_ERROR, sum_stream_msg::PolicyRead, any_fullname());
    return trace.checked(__LINE__, status);
  }
  int changed = 0;
  for (unsigned i = 0; i < list.count(); ++i)
    if (list[i].get_changed() &&
        SUM_Policy::update_list(stored, list[i].policy_id(), list[i].value()) == 0)
      changed = 1;
  if (!changed)
    return TBS_ST_UNCHANGED;
  status =
      SUM_Policy::write_stored(*this, PVAR_ZEM_STRM_POLICY_STREAM_PVAR, stored, kOpChange, comment);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_stream_msg::PolicyWrite, any_fullname());
    return trace.checked(__LINE__, status);
  }
  if (fire_triggers && (status = trigger.fire_postop(SUM_VobObject())) != 0)
    return trace.checked(__LINE__, status);
  return SUM_OK;
}
