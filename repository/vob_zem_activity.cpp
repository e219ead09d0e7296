// Activities of project VOBs: first-class activities (metatype 38) placed
// in their streams, recognising activities of either form, their streams,
// headlines, removal and tasks.
#include "repository/sql.h"
#include "repository/vob_zem_activity_internal.h"
#include "repository/vob_zem_stream_internal.h"

namespace repo {
namespace act {

bool is_activity(const ObjectRow& row, tbs_dbid_t activity_type) {
  return row.mtype == VOB_MTYPE_ACTIVITY ||
         (row.mtype == VOB_MTYPE_ACTIVITY_LIKE && activity_type != 0 && row.type == activity_type);
}

int need_activity(vob_vob_h pvob, Store& s, tbs_dbid_t dbid, bool print, ObjectRow& row) {
  zem::StreamKinds kinds;
  int status = zem::read_kinds(pvob, s, print, kinds);
  tbs_dbid_t type = 0;
  if (status == 0 && !kinds.first_class) {
    status = well_known(s, VOB_WK_ACTIVITY_TYPE, &type);
    if (status == TBS_ST_NOT_FOUND)
      status = TBS_ST_OK;
  }
  if (status != 0)
    return status;
  return zem::need(
      pvob, s, dbid, print ? "activity" : nullptr,
      [&](const ObjectRow& r) { return is_activity(r, type); }, row);
}

int activity_id(vob_vob_h pvob, tbs_dbid_t activity, ActivityId& id) {
  return with_store(pvob, [&](Store& s) -> int {
    ObjectRow row;
    int status = need_activity(pvob, s, activity, false, row);
    if (status == 0) {
      id.family = pvob->family;
      id.oid = row.oid;
    }
    return status;
  });
}

}  // namespace act
}  // namespace repo

namespace {

using repo::ObjectRow;
using repo::Query;
using repo::Store;
namespace act = repo::act;
namespace sql = repo::sql;
namespace zem = repo::zem;
using repo::id;

bool is_first_class_activity(const ObjectRow& row) {
  return row.mtype == VOB_MTYPE_ACTIVITY;
}

// Runs `body(store)` in one transaction on first-class activity `activity`,
// after checking that it is not locked.
template <typename Body>
int write_fc_activity(vob_vob_h pvob, tbs_dbid_t activity, Body body) {
  int status = zem::check_form(pvob, true);
  if (status != 0)
    return status;
  return repo::in_txn(pvob, [&](Store& s) -> int {
    ObjectRow row;
    int st = zem::need(pvob, s, activity, "activity", is_first_class_activity, row);
    if (st == 0)
      st = repo::check_not_locked(pvob, s, activity);
    return st != 0 ? st : body(s);
  });
}

// Whether activity `activity` has task `uri`.
int has_task(Store& s, tbs_dbid_t activity, const char* uri, bool* has) {
  Query q = s.query(sql::kTasksOf);
  q.bind(1, id(activity)).bind(2, static_cast<int64_t>(-1)).bind(3, static_cast<int64_t>(0));
  *has = false;
  while (q.next())
    *has = *has || q.text(0) == uri;
  return q.status();
}

int refuse_empty_uri(const char* uri) {
  if (uri != nullptr && *uri != '\0')
    return TBS_ST_OK;
  imsg_print(IMSG_ERROR, tbs_msg::NameMustNotEmpty);
  return TBS_ST_BAD_ARGUMENT;
}

}  // namespace

int vob_zem_activity_create(vob_vob_h pvob, const char* name, const char* title, tbs_dbid_t stream,
                            const vob_event_info_t* event, tbs_dbid_t* dbid) {
  if (dbid == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  int status = repo::check_object_name(name);
  if (status == 0)
    status = zem::check_form(pvob, true);
  if (status != 0)
    return status;
  tbs_dbid_t made = 0;
  status = repo::in_txn(pvob, [&](Store& s) -> int {
    zem::StreamKinds kinds;
    ObjectRow row;
    int st = zem::read_kinds(pvob, s, true, kinds);
    if (st == 0)
      st = zem::need(
          pvob, s, stream, "stream", [&](const ObjectRow& r) { return kinds.stream.matches(r); },
          row);
    if (st == 0)
      st = repo::check_not_locked(pvob, s, stream);
    repo::NewObject object;
    object.mtype = VOB_MTYPE_ACTIVITY;
    object.name = name;
    return st != 0 ? st : zem::make_object(s, object, "activity", stream, title, event, &made);
  });
  if (status == 0)
    *dbid = made;
  return status;
}

int vob_zem_activity_get_parent(vob_vob_h pvob, tbs_dbid_t activity, tbs_dbid_t* stream) {
  if (stream == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return repo::with_store(pvob, [&](Store& s) -> int {
    ObjectRow row;
    zem::StreamKinds kinds;
    int status = act::need_activity(pvob, s, activity, false, row);
    if (status == 0)
      status = zem::read_kinds(pvob, s, false, kinds);
    // The stream is the parent, or (activity-based form) the parent of the
    // activity folder the activity is placed in.
    tbs_dbid_t at = activity;
    for (int step = 0; status == 0 && step < 2; ++step) {
      zem::ZemRow tree;
      ObjectRow parent;
      status = zem::read_row(s, at, tree);
      if (status == 0 && tree.parent == 0)
        status = TBS_ST_NOT_FOUND;
      if (status == 0)
        status = repo::read_object(s, tree.parent, parent);
      if (status == 0 && kinds.stream.matches(parent)) {
        *stream = tree.parent;
        return TBS_ST_OK;
      }
      at = tree.parent;
    }
    return status != 0 ? status : TBS_ST_NOT_FOUND;
  });
}

int vob_zem_activity_get_headline(vob_vob_h pvob, tbs_dbid_t activity, std::string& headline) {
  return repo::with_store(pvob, [&](Store& s) -> int {
    ObjectRow row;
    zem::ZemRow tree;
    int status = act::need_activity(pvob, s, activity, false, row);
    if (status == 0)
      status = zem::read_row(s, activity, tree);
    if (status == 0)
      headline = tree.title;
    return status;
  });
}

int vob_zem_activity_set_headline(vob_vob_h pvob, tbs_dbid_t activity, const char* headline,
                                  const vob_event_info_t* event) {
  return repo::in_txn(pvob, [&](Store& s) -> int {
    ObjectRow row;
    int status = act::need_activity(pvob, s, activity, true, row);
    return status != 0 ? status : zem::store_title(pvob, s, activity, row.mtype, headline, event);
  });
}

int vob_zem_activity_delete(vob_vob_h pvob, tbs_dbid_t activity, const vob_event_info_t* event) {
  int status = zem::check_form(pvob, true);
  if (status == 0)
    status = repo::with_store(pvob, [&](Store& s) -> int {
      ObjectRow row;
      return zem::need(pvob, s, activity, "activity", is_first_class_activity, row);
    });
  if (status == 0)
    status = act::refuse_nonempty_cset(pvob, activity);
  if (status != 0)
    return status;
  // Its tasks, current-activity records and touched VOBs go with its row.
  return repo::in_txn(pvob, [&](Store& s) -> int {
    ObjectRow row;
    int st = zem::need(pvob, s, activity, "activity", is_first_class_activity, row);
    return st != 0 ? st : zem::remove_object(pvob, s, activity, event);
  });
}

int vob_zem_activity_set_tasks(vob_vob_h pvob, tbs_dbid_t activity,
                               const std::vector<std::string>& uris,
                               const vob_event_info_t* event) {
  for (const std::string& uri : uris)
    if (refuse_empty_uri(uri.c_str()) != 0)
      return TBS_ST_BAD_ARGUMENT;
  return write_fc_activity(pvob, activity, [&](Store& s) -> int {
    int status = s.query(sql::kTasksClear).bind(1, id(activity)).run();
    for (size_t i = 0; status == 0 && i < uris.size(); ++i)
      status = s.query(sql::kTaskAppend).bind(1, id(activity)).bind(2, uris[i]).run();
    return status != 0 ? status : repo::record_event(s, activity, VOB_EVENT_MODIFY, event);
  });
}

int vob_zem_activity_add_task(vob_vob_h pvob, tbs_dbid_t activity, const char* uri,
                              const vob_event_info_t* event) {
  int status = refuse_empty_uri(uri);
  if (status != 0)
    return status;
  return write_fc_activity(pvob, activity, [&](Store& s) -> int {
    bool has = false;
    int st = has_task(s, activity, uri, &has);
    if (st != 0 || has)
      return st;
    st = s.query(sql::kTaskAppend).bind(1, id(activity)).bind(2, uri).run();
    return st != 0 ? st : repo::record_event(s, activity, VOB_EVENT_MODIFY, event);
  });
}

int vob_zem_activity_rm_task(vob_vob_h pvob, tbs_dbid_t activity, const char* uri,
                             const vob_event_info_t* event) {
  int status = refuse_empty_uri(uri);
  if (status != 0)
    return status;
  return write_fc_activity(pvob, activity, [&](Store& s) -> int {
    bool has = false;
    int st = has_task(s, activity, uri, &has);
    if (st != 0 || !has)
      return st;
    st = s.query(sql::kTaskDelete).bind(1, id(activity)).bind(2, uri).run();
    return st != 0 ? st : repo::record_event(s, activity, VOB_EVENT_MODIFY, event);
  });
}

int vob_zem_activity_next_tasks(vob_vob_h pvob, tbs_dbid_t activity, size_t offset, size_t max,
                                std::vector<std::string>& uris) {
  return repo::with_store(pvob, [&](Store& s) -> int {
    ObjectRow row;
    int status = zem::need(pvob, s, activity, nullptr, is_first_class_activity, row);
    if (status != 0)
      return status;
    std::vector<std::string> found;
    if (max > 0) {
      Query q = s.query(sql::kTasksOf);
      q.bind(1, id(activity))
          .bind(2, static_cast<int64_t>(max))
          .bind(3, static_cast<int64_t>(offset));
      while (q.next())
        found.push_back(q.text(0));
      if (q.status() != 0)
        return q.status();
    }
    uris.swap(found);
    return TBS_ST_OK;
  });
}
