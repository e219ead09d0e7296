// SUM_TriggerType: making, finding, listing and removing trigger types, and
// the names of the operation kinds they apply to.
#include "sum/sum_trigger_type.h"

#include <vector>

#include "services/vob.h"
#include "services/vob_trig.h"
#include "sum/sum_event_info.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_trigger_type";

}  // namespace

int SUM_TriggerType::create(const SUM_Vob& vob, const vob_trtype_create_args_t& args,
                            SUM_TriggerType& out) {
  SUM_Trace trace("SUM_TriggerType::create");
  if (vob.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_dbid_t made = 0;
  int status = vob_trtype_create(vob.handle(), args, &made);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_TriggerType(vob, made);
  return SUM_OK;
}

int SUM_TriggerType::construct_from_name(const SUM_Vob& vob, const char* name,
                                         SUM_TriggerType& out) {
  SUM_Trace trace("SUM_TriggerType::construct_from_name");
  SUM_VobObject found;
  int status = SUM_VobObject::construct_from_name(vob, name, VOB_MTYPE_TRIGGER_TYPE, found);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_TriggerType(vob, found.dbid());
  return SUM_OK;
}

int SUM_TriggerType::list(const SUM_Vob& vob, std::vector<vob_trtype_t>& out) {
  SUM_Trace trace("SUM_TriggerType::list");
  if (vob.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<vob_trtype_t> types;
  int status = vob_trtype_list(vob.handle(), types);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out.swap(types);
  return SUM_OK;
}

int SUM_TriggerType::remove(const char* comment) const {
  SUM_Trace trace("SUM_TriggerType::remove");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_EventInfo event(comment, 0);
  return trace.checked(__LINE__, vob_trtype_remove(vob().handle(), dbid(), event.info()));
}

const std::vector<vob_op_t>& SUM_TriggerType::operations() {
  return vob_op_all();
}

const char* SUM_TriggerType::operation_text(vob_op_t op) {
  return vob_op_to_str(op);
}

int SUM_TriggerType::operation_of(const char* name, vob_op_t& out) {
  if (name == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  vob_op_t op = 0;
  int status = vob_str_to_op(name, &op);
  if (status == 0)
    out = op;
  return status;
}
