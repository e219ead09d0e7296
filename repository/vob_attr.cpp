// Attributes and the value definitions of attribute types.
#include <sstream>

#include "repository/sql.h"
#include "repository/vob_internal.h"
#include "services/vob_attr.h"

namespace {

using repo::ObjectRow;
using repo::Query;
using repo::Store;

// Reads the value definition of `attype`, which must be an attribute type.
int read_vinfo(Store& s, tbs_dbid_t attype, std::vector<std::string>& values,
               std::string& default_value) {
  ObjectRow row;
  int status = repo::read_object(s, attype, row);
  if (status != 0)
    return status;
  if (row.mtype != VOB_MTYPE_ATTRIBUTE_TYPE)
    return TBS_ST_BAD_ARGUMENT;
  values.clear();
  default_value.clear();
  Query q = s.query(repo::sql::kAttypeValuesGet);
  q.bind(1, static_cast<int64_t>(attype));
  if (!q.next())
    return q.status();
  std::istringstream lines(q.text(0));
  for (std::string line; std::getline(lines, line);)
    if (!line.empty())
      values.push_back(line);
  default_value = q.text(1);
  return TBS_ST_OK;
}

bool contains(const std::vector<std::string>& values, const std::string& value) {
  for (const auto& v : values)
    if (v == value)
      return true;
  return false;
}

}  // namespace

int vob_attr_get(vob_vob_h vob, tbs_dbid_t obj, tbs_dbid_t attype, std::string& value) {
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  Query q = s->query(repo::sql::kAttrGet);
  q.bind(1, static_cast<int64_t>(obj)).bind(2, static_cast<int64_t>(attype));
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
  value = q.text(0);
  return TBS_ST_OK;
}

int vob_attr_set(vob_vob_h vob, tbs_dbid_t obj, tbs_dbid_t attype, const std::string& value,
                 const vob_event_info_t* event) {
  return repo::in_txn(vob, [&](Store& s) -> int {
    std::vector<std::string> values;
    std::string default_value;
    ObjectRow row;
    int status = read_vinfo(s, attype, values, default_value);
    if (status == 0)
      status = repo::read_object(s, obj, row);
    if (status == 0 && !values.empty() && !contains(values, value))
      status = TBS_ST_BAD_ARGUMENT;
    if (status == 0)
      status = repo::check_not_locked(vob, s, obj);
    if (status == 0)
      status = s.query(repo::sql::kAttrSet)
                   .bind(1, static_cast<int64_t>(obj))
                   .bind(2, static_cast<int64_t>(attype))
                   .bind(3, value)
                   .run();
    if (status == 0)
      status = repo::record_event(s, obj, VOB_EVENT_MODIFY, event);
    return status;
  });
}

int vob_attr_delete(vob_vob_h vob, tbs_dbid_t obj, tbs_dbid_t attype,
                    const vob_event_info_t* event) {
  return repo::in_txn(vob, [&](Store& s) -> int {
    int status = s.query(repo::sql::kAttrDelete)
                     .bind(1, static_cast<int64_t>(obj))
                     .bind(2, static_cast<int64_t>(attype))
                     .run();
    if (status == 0 && s.changes() == 0)
      status = TBS_ST_NOT_FOUND;
    if (status == 0)
      status = repo::record_event(s, obj, VOB_EVENT_MODIFY, event);
    return status;
  });
}

int vob_attype_get_vinfo(vob_vob_h vob, tbs_dbid_t attype, std::vector<std::string>& values,
                         std::string& default_value) {
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  return status != 0 ? status : read_vinfo(*s, attype, values, default_value);
}

int vob_attype_redefine(vob_vob_h vob, tbs_dbid_t attype, const std::vector<std::string>& values,
                        const std::string& default_value, const vob_event_info_t* event) {
  std::string joined;
  for (const auto& v : values) {
    if (v.empty() || v.find('\n') != std::string::npos)
      return TBS_ST_BAD_ARGUMENT;
    joined += v + "\n";
  }
  if (!default_value.empty() && !values.empty() && !contains(values, default_value))
    return TBS_ST_BAD_ARGUMENT;
  return repo::in_txn(vob, [&](Store& s) -> int {
    std::vector<std::string> old_values;
    std::string old_default;
    int status = read_vinfo(s, attype, old_values, old_default);
    if (status == 0)
      status = repo::check_not_locked(vob, s, attype);
    if (status == 0)
      status = s.query(repo::sql::kAttypeValuesSet)
                   .bind(1, static_cast<int64_t>(attype))
                   .bind(2, joined)
                   .bind(3, default_value)
                   .run();
    if (status == 0)
      status = repo::record_event(s, attype, VOB_EVENT_MODIFY, event);
    return status;
  });
}
