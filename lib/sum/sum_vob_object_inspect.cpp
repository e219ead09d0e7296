// SUM_VobObject: finding an object by selector or name, and what the tools
// show and change of any object — its lock, process variables, hyperlink
// ends, file-system facts and events. Each member is one call of the
// matching repository operation (services/vob.h, services/vob_hlink.h).
#include <string>
#include <vector>

#include "services/vob.h"
#include "services/vob_hlink.h"
#include "sum/sum_event_info.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_vob_object.h"

namespace {

constexpr const char* kSource = "sum_vob_object_inspect";

}  // namespace

int SUM_VobObject::construct_from_any_selector(const char* text, const SUM_Vob& default_vob,
                                               SUM_VobObject& out) {
  SUM_Trace trace("SUM_VobObject::construct_from_any_selector");
  if (text == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  int flags = VOB_RESOLVE_ALLOW_UNIVERSAL;
  if (!default_vob.is_null())
    flags |= VOB_RESOLVE_USE_DEFAULT_VOB;
  vob_vob_h vob = nullptr;
  tbs_dbid_t dbid = 0;
  int status = vob_resolve_general(text, VOB_SEL_ANY, default_vob.handle(), flags, &vob, &dbid);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_VobObject(SUM_Vob(vob), dbid);
  return SUM_OK;
}

int SUM_VobObject::construct_from_name(const SUM_Vob& vob, const char* name, vob_mtype_t mtype,
                                       SUM_VobObject& out) {
  SUM_Trace trace("SUM_VobObject::construct_from_name");
  if (vob.is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_dbid_t dbid = 0;
  int status = vob_obj_resolve(vob.handle(), name, mtype, &dbid);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_VobObject(vob, dbid);
  return SUM_OK;
}

const char* SUM_VobObject::metatype_text(vob_mtype_t mtype) {
  const char* text = vob_mtype_to_str(mtype);
  return text != nullptr ? text : "";
}

int SUM_VobObject::lock_info(vob_lock_t& out) const {
  SUM_Trace trace("SUM_VobObject::lock_info");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_lock_t lock;
  int status = vob_obj_get_lock(vob_.handle(), dbid_, &lock);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = lock;
  return SUM_OK;
}

int SUM_VobObject::lock(int obsolete, const std::vector<std::string>& exempt,
                        const char* comment) const {
  SUM_Trace trace("SUM_VobObject::lock");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_EventInfo event(comment, 0);
  return trace.checked(__LINE__,
                       vob_obj_lock(vob_.handle(), dbid_, obsolete, exempt, event.info()));
}

int SUM_VobObject::unlock(const char* comment) const {
  SUM_Trace trace("SUM_VobObject::unlock");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_EventInfo event(comment, 0);
  return trace.checked(__LINE__, vob_obj_unlock(vob_.handle(), dbid_, event.info()));
}

int SUM_VobObject::pvar_names(std::vector<std::string>& out) const {
  SUM_Trace trace("SUM_VobObject::pvar_names");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<std::string> names;
  int status = vob_obj_list_pvars(vob_.handle(), dbid_, names);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out.swap(names);
  return SUM_OK;
}

int SUM_VobObject::pvar_value(const char* name, std::string& out) const {
  SUM_Trace trace("SUM_VobObject::pvar_value");
  if (is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::string value;
  int status = vob_obj_get_pvar(vob_.handle(), dbid_, name, value);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out.swap(value);
  return SUM_OK;
}

int SUM_VobObject::hyperlink_ends(std::vector<vob_hlink_typed_end_t>& out) const {
  SUM_Trace trace("SUM_VobObject::hyperlink_ends");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<vob_hlink_typed_end_t> ends;
  int status = vob_obj_list_all_hlinks(vob_.handle(), dbid_, ends);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out.swap(ends);
  return SUM_OK;
}

int SUM_VobObject::fstat(vob_fstat_t& out) const {
  SUM_Trace trace("SUM_VobObject::fstat");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_fstat_t facts;
  int status = vob_obj_get_fstat_db(vob_.handle(), dbid_, &facts);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = facts;
  return SUM_OK;
}

int SUM_VobObject::latest_event(int kind, vob_event_t& out) const {
  SUM_Trace trace("SUM_VobObject::latest_event");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_event_t event;
  int status = vob_event_get_latest(vob_.handle(), dbid_, kind, &event);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = event;
  return SUM_OK;
}
