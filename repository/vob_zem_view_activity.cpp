// The current activity of views: one record per view UUID in the PVOB of
// the activity, naming the activity and, for the activity-based form's
// work records, the user object working on it (0 when set without one).
#include "repository/sql.h"
#include "repository/vob_zem_activity_internal.h"

namespace {

using repo::ObjectRow;
using repo::Query;
using repo::Store;
namespace act = repo::act;
namespace sql = repo::sql;
namespace zem = repo::zem;
using repo::id;

// A view's record: activity 0 when it has none.
struct ViewRecord {
  tbs_dbid_t activity = 0;
  tbs_dbid_t user = 0;
};

int read_record(Store& s, const char* view_uuid, ViewRecord& record) {
  Query q = s.query(sql::kViewActivityGet);
  q.bind(1, view_uuid);
  record = ViewRecord();
  if (q.next()) {
    record.activity = static_cast<tbs_dbid_t>(q.int64(0));
    record.user = static_cast<tbs_dbid_t>(q.int64(1));
  }
  return q.status();
}

int refuse_no_uuid(const char* view_uuid) {
  if (view_uuid != nullptr && *view_uuid != '\0')
    return TBS_ST_OK;
  imsg_print(IMSG_ERROR, tbs_msg::CheckoutMustNameView);  // "no view" of the versioned-file family
  return TBS_ST_BAD_ARGUMENT;
}

// 1004 (printing when `print`) unless `pvob` is a project VOB.
int need_pvob(vob_vob_h pvob, bool print) {
  int kind = 0;
  int status = vob_ob_get_type(pvob, &kind);
  if (status == 0 && kind != RGY_VOB_PROJECT) {
    if (print)
      imsg_print(IMSG_ERROR, tbs_msg::VOBNotProjectVOB, pvob->tag.c_str());
    status = TBS_ST_BAD_ARGUMENT;
  }
  return status;
}

// Inside a transaction: makes `activity` the view's current activity with
// `user`, recording a modify event on it; unchanged records write nothing.
int store_record(vob_vob_h pvob, Store& s, const char* view_uuid, tbs_dbid_t activity,
                 tbs_dbid_t user, const vob_event_info_t* event) {
  ObjectRow row;
  ViewRecord now;
  int status = act::need_activity(pvob, s, activity, true, row);
  if (status == 0)
    status = read_record(s, view_uuid, now);
  if (status != 0 || (now.activity == activity && now.user == user))
    return status;
  status = repo::check_not_locked(pvob, s, activity);
  if (status == 0)
    status = s.query(sql::kViewActivitySet)
                 .bind(1, view_uuid)
                 .bind(2, id(activity))
                 .bind(3, id(user))
                 .run();
  return status != 0 ? status : repo::record_event(s, activity, VOB_EVENT_MODIFY, event);
}

// Inside a transaction: removes the view's record (1002 when it has none,
// after a message when `report`), recording a modify event on its activity.
int drop_record(vob_vob_h pvob, Store& s, const char* view_uuid, bool report,
                const vob_event_info_t* event) {
  ViewRecord now;
  int status = read_record(s, view_uuid, now);
  if (status != 0)
    return status;
  if (now.activity == 0) {
    if (report)
      imsg_print(IMSG_ERROR, tbs_msg::ViewNoCurrentActivity, view_uuid, pvob->tag.c_str());
    return TBS_ST_NOT_FOUND;
  }
  status = s.query(sql::kViewActivityDelete).bind(1, view_uuid).run();
  return status != 0 ? status : repo::record_event(s, now.activity, VOB_EVENT_MODIFY, event);
}

}  // namespace

void repo::act::forget_view(vob_vob_h pvob, const std::string& view_uuid) {
  vob_event_info_t event;
  event.comment = "view removed";
  in_txn(pvob, [&](Store& s) { return drop_record(pvob, s, view_uuid.c_str(), false, &event); });
}

int vob_zem_view_set_activity(vob_vob_h pvob, const char* view_uuid, tbs_dbid_t activity,
                              const vob_event_info_t* event) {
  int status = refuse_no_uuid(view_uuid);
  if (status == 0)
    status = need_pvob(pvob, true);
  if (status != 0)
    return status;
  return repo::in_txn(pvob, [&](Store& s) -> int {
    ViewRecord now;
    int st = read_record(s, view_uuid, now);
    // Setting the current activity again keeps the record as it is.
    if (st != 0 || now.activity == activity)
      return st;
    return store_record(pvob, s, view_uuid, activity, 0, event);
  });
}

int vob_zem_view_unset_activity(vob_vob_h pvob, const char* view_uuid,
                                const vob_event_info_t* event) {
  int status = refuse_no_uuid(view_uuid);
  if (status == 0)
    status = need_pvob(pvob, true);
  if (status != 0)
    return status;
  return repo::in_txn(pvob, [&](Store& s) { return drop_record(pvob, s, view_uuid, true, event); });
}

int vob_zem_view_get_activity(vob_vob_h pvob, const char* view_uuid, tbs_dbid_t* activity) {
  if (view_uuid == nullptr || activity == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  int status = need_pvob(pvob, false);
  if (status != 0)
    return status;
  return repo::with_store(pvob, [&](Store& s) -> int {
    ViewRecord now;
    int st = read_record(s, view_uuid, now);
    if (st == 0)
      *activity = now.activity;
    return st;
  });
}

int vob_zem_activity_get_views(vob_vob_h pvob, tbs_dbid_t activity,
                               std::vector<std::string>& view_uuids) {
  return repo::with_store(pvob, [&](Store& s) -> int {
    ObjectRow row;
    int status = act::need_activity(pvob, s, activity, false, row);
    if (status != 0)
      return status;
    std::vector<std::string> found;
    Query q = s.query(sql::kViewsOfActivity);
    q.bind(1, id(activity));
    while (q.next())
      found.push_back(q.text(0));
    if (q.status() != 0)
      return q.status();
    view_uuids.swap(found);
    return TBS_ST_OK;
  });
}

int vob_utl_set_work(vob_vob_h pvob, tbs_dbid_t user, const char* view_uuid, tbs_dbid_t activity,
                     const vob_event_info_t* event) {
  int status = refuse_no_uuid(view_uuid);
  if (status == 0)
    status = need_pvob(pvob, true);
  if (status != 0)
    return status;
  return repo::in_txn(pvob, [&](Store& s) -> int {
    ObjectRow row;
    int st = zem::need(
        pvob, s, user, "user", [](const ObjectRow& r) { return r.mtype == VOB_MTYPE_USER; }, row);
    if (st != 0)
      return st;
    if (activity == 0) {
      st = drop_record(pvob, s, view_uuid, false, event);
      return st == TBS_ST_NOT_FOUND ? TBS_ST_OK : st;
    }
    return store_record(pvob, s, view_uuid, activity, user, event);
  });
}

int vob_ob_next_work(vob_vob_h pvob, tbs_dbid_t user, const char* view_uuid, size_t offset,
                     size_t max, std::vector<vob_work_t>& work) {
  int status = need_pvob(pvob, false);
  if (status != 0)
    return status;
  return repo::with_store(pvob, [&](Store& s) -> int {
    std::vector<vob_work_t> found;
    if (max > 0) {
      Query q = s.query(sql::kWorkOfUser);
      q.bind(1, id(user))
          .bind(2, view_uuid)
          .bind(3, static_cast<int64_t>(max))
          .bind(4, static_cast<int64_t>(offset));
      while (q.next()) {
        vob_work_t w;
        w.view_uuid = q.text(0);
        w.activity = static_cast<tbs_dbid_t>(q.int64(1));
        found.push_back(w);
      }
      if (q.status() != 0)
        return q.status();
    }
    work.swap(found);
    return TBS_ST_OK;
  });
}
