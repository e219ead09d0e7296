// SUM_Activity: the integration marker of deliver and rebase activities and
// the baselines their completed operations recorded.
#include <cstdlib>

#include "services/imsg.h"
#include "sum/sum_activity.h"
#include "sum/sum_activity_internal.h"
#include "sum/sum_avlist.h"
#include "sum/sum_baseline.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_utl_list_strings.h"
#include "sum/xml_element.h"

namespace {

constexpr const char* kSource = "sum_activity_integration";

// The record format this library writes and reads; later formats are
// refused.
constexpr int kIntegrationFormat = 1;

}  // namespace

const SUM_AVMapList& IntegrationAttrMap() {
  static const SUM_AVMapList map = [] {
    SUM_AVMapList built;
    built.append(SUM_AVMap(INTEGRATION_ATTR_VER, "ver", 1));
    built.append(SUM_AVMap(INTEGRATION_ATTR_STATE, "state", 1));
    return built;
  }();
  return map;
}

// ---- marker ------------------------------------------------------------------------------

int SUM_Activity::integration_info(SUM_String& out) const {
  SUM_Trace trace("SUM_Activity::integration_info");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, pvar(PVAR_ZEM_ACT_ZEM_INTEGRATION_ACTIVITY, out));
}

int SUM_Activity::set_integration_info(const SUM_String& text, const char* comment) const {
  SUM_Trace trace("SUM_Activity::set_integration_info");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__,
                       set_pvar(PVAR_ZEM_ACT_ZEM_INTEGRATION_ACTIVITY, text, kOpChange, comment));
}

int SUM_Activity::save_integration_info(IntegrationState state, const char* comment) const {
  SUM_Trace trace("SUM_Activity::save_integration_info");
  SUM_AVList list(IntegrationAttrMap());
  list.values[INTEGRATION_ATTR_VER].Format("%d", kIntegrationFormat);
  list.values[INTEGRATION_ATTR_STATE].Format("%d", static_cast<int>(state));
  SUM_String text;
  list.pack(text);
  return trace.checked(__LINE__, set_integration_info(text, comment));
}

int SUM_Activity::init_integration_act(const char* comment) const {
  SUM_Trace trace("SUM_Activity::init_integration_act");
  return trace.checked(__LINE__, save_integration_info(INTEGRATION_IN_PROGRESS, comment));
}

int SUM_Activity::complete_integration_act(const char* comment) const {
  SUM_Trace trace("SUM_Activity::complete_integration_act");
  return trace.checked(__LINE__, save_integration_info(INTEGRATION_COMPLETE, comment));
}

int SUM_Activity::restore_integration_info(IntegrationState& state) const {
  SUM_Trace trace("SUM_Activity::restore_integration_info");
  SUM_String text;
  int status = integration_info(text);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (text.GetLength() == 0)
    return SUM_NOT_FOUND;
  SUM_AVList list(IntegrationAttrMap());
  if ((status = list.unpack(text)) != 0)
    return trace.checked(__LINE__, status);
  if (std::atoi(list.values[INTEGRATION_ATTR_VER]) > kIntegrationFormat) {
    imsg_print(IMSG_ERROR, sum_msg::UnsupportedVersion);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  if (list.values[INTEGRATION_ATTR_STATE].GetLength() == 0) {
    imsg_print(IMSG_ERROR, sum_msg::MissingData);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  state = std::atoi(list.values[INTEGRATION_ATTR_STATE]) == INTEGRATION_IN_PROGRESS
              ? INTEGRATION_IN_PROGRESS
              : INTEGRATION_COMPLETE;
  return SUM_OK;
}

int SUM_Activity::integration_state(IntegrationState& out) const {
  SUM_Trace trace("SUM_Activity::integration_state");
  return trace.checked(__LINE__, restore_integration_info(out));
}

int SUM_Activity::is_integration_activity(int& is, int& in_progress) const {
  SUM_Trace trace("SUM_Activity::is_integration_activity");
  IntegrationState state = INTEGRATION_COMPLETE;
  int status = restore_integration_info(state);
  if (status == SUM_NOT_FOUND) {
    is = 0;
    in_progress = 0;
    return SUM_OK;
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  is = 1;
  in_progress = state == INTEGRATION_IN_PROGRESS ? 1 : 0;
  return SUM_OK;
}

int sum_act_require_integration(const SUM_Activity& activity, int& in_progress) {
  int is = 0;
  int status = activity.is_integration_activity(is, in_progress);
  if (status == 0 && !is) {
    imsg_print(IMSG_ERROR, sum_msg::NotIntegration, sum_act_label(activity));
    status = SUM_FAILED;
  }
  return status;
}

// ---- recorded results --------------------------------------------------------------------

int SUM_Activity::read_integration_record(const char* child, SUM_String& text, int& present) const {
  SUM_Trace trace("SUM_Activity::read_integration_record");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String label = sum_act_label(*this);
  int in_progress = 0;
  int status = sum_act_require_integration(*this, in_progress);
  if (status != 0)
    return trace.checked(__LINE__, status);
  const char* record_names[] = {PVAR_ZEM_GEN_ZEM_DELIVER, PVAR_ZEM_GEN_ZEM_REBASE};
  SUM_String record;
  int found = 0;
  for (const char* record_name : record_names) {
    int exists = 0;
    if (pvar_exists(record_name, exists) != 0 || (exists && pvar(record_name, record) != 0)) {
      imsg_print(IMSG_ERROR, sum_msg::CannotGetPvar, record_name, label);
      return trace.checked(__LINE__, SUM_FAILED);
    }
    if (exists) {
      found = 1;
      break;
    }
  }
  if (!found) {
    SUM_Stream owner;
    if ((status = stream(owner)) != 0)
      return trace.checked(__LINE__, status);
    imsg_print(IMSG_ERROR, sum_msg::Incomplete, sum_act_label(owner));
    return trace.checked(__LINE__, SUM_FAILED);
  }
  XML_Element root;
  if (XML_Element::parse(record, root) != 0) {
    imsg_print(IMSG_ERROR, sum_msg::NoBaselineList, label);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  present = 0;
  for (unsigned i = 0; i < root.sub_elements().count(); ++i) {
    const XML_Element& element = root.sub_elements()[i];
    if (element.name().Compare(child) == 0) {
      text = element.value();
      present = 1;
      break;
    }
  }
  return SUM_OK;
}

int SUM_Activity::contrib_list(const char* child, SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_Activity::contrib_list");
  SUM_String text;
  int present = 0;
  int status = read_integration_record(child, text, present);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_BaselineList found;
  if (text.GetLength() > 0 && sum_utl_str2bllist(text, found) != 0) {
    imsg_print(IMSG_ERROR, sum_msg::NoBaselineList, sum_act_label(*this));
    return trace.checked(__LINE__, SUM_FAILED);
  }
  out = found;
  return SUM_OK;
}

int SUM_Activity::contrib_baselines(SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_Activity::contrib_baselines");
  return trace.checked(__LINE__, contrib_list("CONTRIB_BLS", out));
}

int SUM_Activity::old_found_baselines(SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_Activity::old_found_baselines");
  return trace.checked(__LINE__, contrib_list("OLD_FOUND", out));
}

int SUM_Activity::contrib_delbybl(int& present) const {
  SUM_Trace trace("SUM_Activity::contrib_delbybl");
  SUM_String text;
  return trace.checked(__LINE__, read_integration_record("DELBYBL", text, present));
}
