// Access to process variables in both storage forms.
#include "sum/sum_pvar.h"

#include <string>

#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_pvar";

vob_event_info_t event_of(int op, const char* comment) {
  vob_event_info_t event;
  event.opcode = op;
  event.comment = comment;
  return event;
}

// Whether the object's VOB stores ZEM objects first-class.
bool first_class(const SUM_VobObject& obj) {
  return obj.vob().supports_fc_objs() != 0;
}

int read(const SUM_VobObject& obj, const char* name, std::string& value) {
  vob_vob_h vob = obj.vob().handle();
  return first_class(obj) ? vob_obj_get_process_var(vob, obj.dbid(), name, value)
                          : vob_act_get_process_var(vob, obj.dbid(), name, value);
}

int write(const SUM_VobObject& obj, const char* name, const char* value, int op,
          const char* comment, int replicate) {
  vob_vob_h vob = obj.vob().handle();
  vob_event_info_t event = event_of(op, comment);
  std::string text = value != nullptr ? value : "";
  if (first_class(obj))
    return vob_obj_set_process_var(vob, obj.dbid(), name, text, replicate, &event);
  return replicate ? vob_act_set_process_var(vob, obj.dbid(), name, text, &event)
                   : vob_act_set_process_var_local(vob, obj.dbid(), name, text, &event);
}

int remove(const SUM_VobObject& obj, const char* name, int op, int replicate) {
  vob_vob_h vob = obj.vob().handle();
  vob_event_info_t event = event_of(op, nullptr);
  if (first_class(obj))
    return vob_obj_delete_process_var(vob, obj.dbid(), name, replicate, &event);
  return replicate ? vob_act_delete_process_var(vob, obj.dbid(), name, &event)
                   : vob_act_delete_process_var_local(vob, obj.dbid(), name, &event);
}

}  // namespace

int sum_pvar_get(const SUM_VobObject& obj, const char* name, SUM_String& value) {
  SUM_Trace trace("sum_pvar_get");
  if (obj.is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::string read_value;
  int status = read(obj, name, read_value);
  if (status == SUM_NOT_FOUND) {
    value.Empty();
    return SUM_OK;
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  value = SUM_String(read_value.c_str(), static_cast<int>(read_value.size()));
  return SUM_OK;
}

int sum_pvar_exists(const SUM_VobObject& obj, const char* name, int& exists) {
  SUM_Trace trace("sum_pvar_exists");
  if (obj.is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::string ignored;
  int status = read(obj, name, ignored);
  if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  exists = status == 0 ? 1 : 0;
  return SUM_OK;
}

int sum_pvar_set(const SUM_VobObject& obj, const char* name, const char* value, int op,
                 const char* comment) {
  SUM_Trace trace("sum_pvar_set");
  if (obj.is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, write(obj, name, value, op, comment, 1));
}

int sum_pvar_set_local(const SUM_VobObject& obj, const char* name, const char* value, int op,
                       const char* comment) {
  SUM_Trace trace("sum_pvar_set_local");
  if (obj.is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, write(obj, name, value, op, comment, 0));
}

int sum_pvar_test(const SUM_VobObject& obj, const char* name, const char* value) {
  SUM_Trace trace("sum_pvar_test");
  if (obj.is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_vob_h vob = obj.vob().handle();
  return first_class(obj) ? vob_obj_test_process_var(vob, obj.dbid(), name, value)
                          : vob_act_test_process_var(vob, obj.dbid(), name, value);
}

int sum_pvar_test_and_set(const SUM_VobObject& obj, const char* name, const char* expected,
                          const char* value, int op) {
  SUM_Trace trace("sum_pvar_test_and_set");
  if (obj.is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_vob_h vob = obj.vob().handle();
  vob_event_info_t event = event_of(op, nullptr);
  std::string text = value != nullptr ? value : "";
  return first_class(obj)
             ? vob_obj_test_and_set_process_var(vob, obj.dbid(), name, expected, text, &event)
             : vob_act_test_and_set_process_var(vob, obj.dbid(), name, expected, text, &event);
}

int sum_pvar_delete(const SUM_VobObject& obj, const char* name, int op) {
  SUM_Trace trace("sum_pvar_delete");
  if (obj.is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  return remove(obj, name, op, 1);
}

int sum_pvar_delete_local(const SUM_VobObject& obj, const char* name, int op) {
  SUM_Trace trace("sum_pvar_delete_local");
  if (obj.is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  return remove(obj, name, op, 0);
}
