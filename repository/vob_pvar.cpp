// Process variables: named byte strings on objects, replicated or local,
// with test and an atomic test-and-set. A change through the
// vob_obj_*_process_var calls records a modify event on the object in the
// same transaction.
#include "repository/sql.h"
#include "repository/vob_internal.h"

namespace {

using repo::ObjectRow;
using repo::Query;
using repo::Store;

struct Pvar {
  bool set = false;
  std::string value;
  int replicated = 1;
};

int read_pvar(Store& s, tbs_dbid_t obj, const char* name, Pvar& pvar) {
  Query q = s.query(repo::sql::kPvarGetFull);
  q.bind(1, static_cast<int64_t>(obj)).bind(2, name);
  pvar.set = q.next();
  if (pvar.set) {
    pvar.value = q.blob(0);
    pvar.replicated = q.integer(1);
  }
  return q.status();
}

int write_pvar(Store& s, tbs_dbid_t obj, const char* name, const std::string& value,
               int replicate) {
  return s.query(repo::sql::kPvarSetFull)
      .bind(1, static_cast<int64_t>(obj))
      .bind(2, name)
      .bind_blob(3, value.data(), value.size())
      .bind(4, replicate != 0 ? 1 : 0)
      .run();
}

// Runs `change` in one transaction on an existing object; `kind_check` may
// refuse objects of the wrong metatype. With `event`, a modify event is
// recorded when the change succeeds and changed something.
template <typename Change>
int change_pvar(vob_vob_h vob, tbs_dbid_t obj, const char* name, bool activity_only,
                const vob_event_info_t* event, bool record, Change change) {
  if (name == nullptr || *name == '\0')
    return TBS_ST_BAD_ARGUMENT;
  return repo::in_txn(vob, [&](Store& s) -> int {
    ObjectRow row;
    int status = repo::read_object(s, obj, row);
    if (status == 0 && activity_only && row.mtype != VOB_MTYPE_ACTIVITY_LIKE)
      status = TBS_ST_BAD_ARGUMENT;
    Pvar current;
    if (status == 0)
      status = read_pvar(s, obj, name, current);
    if (status == 0)
      status = change(s, current);
    if (status == 0 && record)
      status = repo::record_event(s, obj, VOB_EVENT_MODIFY, event);
    return status;
  });
}

int read_only(vob_vob_h vob, tbs_dbid_t obj, const char* name, bool activity_only, Pvar& pvar) {
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  ObjectRow row;
  status = repo::read_object(*s, obj, row);
  if (status == 0 && activity_only && row.mtype != VOB_MTYPE_ACTIVITY_LIKE)
    return TBS_ST_BAD_ARGUMENT;
  return status != 0 ? status : read_pvar(*s, obj, name, pvar);
}

int get(vob_vob_h vob, tbs_dbid_t obj, const char* name, bool activity_only, std::string& value) {
  Pvar pvar;
  int status = read_only(vob, obj, name, activity_only, pvar);
  if (status != 0)
    return status;
  if (!pvar.set)
    return TBS_ST_NOT_FOUND;
  value = pvar.value;
  return TBS_ST_OK;
}

int test(vob_vob_h vob, tbs_dbid_t obj, const char* name, bool activity_only, const char* value) {
  Pvar pvar;
  int status = read_only(vob, obj, name, activity_only, pvar);
  if (status != 0)
    return status;
  if (!pvar.set)
    return TBS_ST_NOT_FOUND;
  return pvar.value == (value != nullptr ? value : "") ? TBS_ST_OK : TBS_ST_CAS_MISMATCH;
}

int set(vob_vob_h vob, tbs_dbid_t obj, const char* name, const std::string& value, int replicate,
        bool activity_only, const vob_event_info_t* event) {
  return change_pvar(vob, obj, name, activity_only, event, true, [&](Store& s, const Pvar&) {
    return write_pvar(s, obj, name, value, replicate);
  });
}

int test_and_set(vob_vob_h vob, tbs_dbid_t obj, const char* name, const char* expected,
                 const std::string& value, bool activity_only, const vob_event_info_t* event) {
  std::string wanted = expected != nullptr ? expected : "";
  return change_pvar(vob, obj, name, activity_only, event, true,
                     [&](Store& s, const Pvar& current) {
                       bool matches = current.set ? current.value == wanted : wanted.empty();
                       if (!matches)
                         return static_cast<int>(TBS_ST_CAS_MISMATCH);
                       return write_pvar(s, obj, name, value, current.set ? current.replicated : 1);
                     });
}

int remove(vob_vob_h vob, tbs_dbid_t obj, const char* name, bool activity_only, bool record,
           const vob_event_info_t* event) {
  return change_pvar(vob, obj, name, activity_only, event, record,
                     [&](Store& s, const Pvar& current) {
                       if (!current.set)
                         return static_cast<int>(TBS_ST_NOT_FOUND);
                       return s.query(repo::sql::kPvarDelete)
                           .bind(1, static_cast<int64_t>(obj))
                           .bind(2, name)
                           .run();
                     });
}

}  // namespace

int vob_obj_get_pvar(vob_vob_h vob, tbs_dbid_t dbid, const char* name, std::string& value) {
  return get(vob, dbid, name, false, value);
}

int vob_obj_set_pvar(vob_vob_h vob, tbs_dbid_t dbid, const char* name, const std::string& value) {
  return change_pvar(vob, dbid, name, false, nullptr, false,
                     [&](Store& s, const Pvar&) { return write_pvar(s, dbid, name, value, 1); });
}

int vob_obj_delete_pvar(vob_vob_h vob, tbs_dbid_t dbid, const char* name) {
  return remove(vob, dbid, name, false, false, nullptr);
}

int vob_obj_list_pvars(vob_vob_h vob, tbs_dbid_t dbid, std::vector<std::string>& names) {
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  names.clear();
  Query q = s->query(repo::sql::kPvarNames);
  q.bind(1, static_cast<int64_t>(dbid));
  while (q.next())
    names.push_back(q.text(0));
  return q.status();
}

int vob_obj_get_process_var(vob_vob_h vob, tbs_dbid_t dbid, const char* name, std::string& value) {
  return get(vob, dbid, name, false, value);
}

int vob_obj_set_process_var(vob_vob_h vob, tbs_dbid_t dbid, const char* name,
                            const std::string& value, int replicate,
                            const vob_event_info_t* event) {
  return set(vob, dbid, name, value, replicate, false, event);
}

int vob_obj_test_process_var(vob_vob_h vob, tbs_dbid_t dbid, const char* name, const char* value) {
  return test(vob, dbid, name, false, value);
}

int vob_obj_test_and_set_process_var(vob_vob_h vob, tbs_dbid_t dbid, const char* name,
                                     const char* expected, const std::string& value,
                                     const vob_event_info_t* event) {
  return test_and_set(vob, dbid, name, expected, value, false, event);
}

int vob_obj_delete_process_var(vob_vob_h vob, tbs_dbid_t dbid, const char* name, int,
                               const vob_event_info_t* event) {
  return remove(vob, dbid, name, false, true, event);
}

int vob_obj_get_process_var_replicated(vob_vob_h vob, tbs_dbid_t dbid, const char* name,
                                       int* replicated) {
  Pvar pvar;
  int status = read_only(vob, dbid, name, false, pvar);
  if (status != 0)
    return status;
  if (!pvar.set)
    return TBS_ST_NOT_FOUND;
  *replicated = pvar.replicated;
  return TBS_ST_OK;
}

int vob_act_get_process_var(vob_vob_h vob, tbs_dbid_t act, const char* name, std::string& value) {
  return get(vob, act, name, true, value);
}

int vob_act_set_process_var(vob_vob_h vob, tbs_dbid_t act, const char* name,
                            const std::string& value, const vob_event_info_t* event) {
  return set(vob, act, name, value, 1, true, event);
}

int vob_act_set_process_var_local(vob_vob_h vob, tbs_dbid_t act, const char* name,
                                  const std::string& value, const vob_event_info_t* event) {
  return set(vob, act, name, value, 0, true, event);
}

int vob_act_test_process_var(vob_vob_h vob, tbs_dbid_t act, const char* name, const char* value) {
  return test(vob, act, name, true, value);
}

int vob_act_test_and_set_process_var(vob_vob_h vob, tbs_dbid_t act, const char* name,
                                     const char* expected, const std::string& value,
                                     const vob_event_info_t* event) {
  return test_and_set(vob, act, name, expected, value, true, event);
}

int vob_act_delete_process_var(vob_vob_h vob, tbs_dbid_t act, const char* name,
                               const vob_event_info_t* event) {
  return remove(vob, act, name, true, true, event);
}

int vob_act_delete_process_var_local(vob_vob_h vob, tbs_dbid_t act, const char* name,
                                     const vob_event_info_t* event) {
  return remove(vob, act, name, true, true, event);
}
