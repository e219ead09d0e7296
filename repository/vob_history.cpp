// Element histories: the events writing calls record with an action and a
// detail (event_details), and the one read that lists the events of many
// elements, their branches and their versions with the activities of the
// versions' change-set entries.
//
// Events recorded without a detail keep what their kind tells: the creation
// of an element or of a branch other than main, a checkout of a version, an
// uncheckout of a branch. Other events without one (version 0 made with its
// branch, a checkout's version object, change-set and comment changes) are
// not part of a history.
#include <map>

#include "repository/sql.h"
#include "repository/vob_elem_internal.h"

namespace {

using repo::dbid_at;
using repo::id;
using repo::Query;
using repo::Store;
namespace sql = repo::sql;

// The JSON array of element dbids the history query takes.
std::string json_ids(const std::vector<tbs_dbid_t>& ids) {
  std::string text = "[";
  for (size_t i = 0; i < ids.size(); ++i)
    text += (i == 0 ? "" : ",") + std::to_string(ids[i]);
  return text + "]";
}

// The action of an event read back: its recorded one, else what its kind
// says of the object it is on; 0 when it is not part of a history.
int action_of(const vob_hist_event_t& e, int kind, tbs_dbid_t parent_version) {
  if (e.action != 0)
    return e.action;
  if (e.version == 0 && e.branch == 0)
    return kind == VOB_EVENT_CREATE ? VOB_HIST_MKELEM : 0;
  if (e.version == 0) {
    if (kind == VOB_EVENT_CREATE)
      return parent_version != 0 ? VOB_HIST_MKBRANCH : 0;
    if (kind == VOB_EVENT_REMOVE)
      return VOB_HIST_UNCHECKOUT;
  }
  return kind == VOB_EVENT_CHECKOUT ? VOB_HIST_CHECKOUT : 0;
}

// Names of branches and activities, each read once per call.
class HistoryNames {
 public:
  explicit HistoryNames(Store& s) : s_(s) {}

  int branch_path(tbs_dbid_t branch, std::string& path) {
    auto found = branches_.find(branch);
    if (found != branches_.end()) {
      path = found->second;
      return TBS_ST_OK;
    }
    int status = repo::branch_path(s_, branch, path);
    if (status == 0)
      branches_[branch] = path;
    return status;
  }

  // The activity a change-set entry names: null and 0 when it cannot be found.
  void activity(const std::string& family, const std::string& oid, vob_hist_event_t& e) {
    if (family.size() != sizeof(tbs_uuid_t::bytes) || oid.size() != sizeof(tbs_oid_t::bytes))
      return;
    std::string key = family + oid;
    auto found = activities_.find(key);
    if (found == activities_.end()) {
      std::pair<vob_vob_h, tbs_dbid_t> ref(nullptr, 0);
      tbs_oid_t act_oid = repo::oid_of(oid);
      if (repo::vob_of_family(repo::uuid_of(family), &ref.first) != 0 ||
          vob_obj_oid_to_dbid(ref.first, &act_oid, &ref.second) != 0)
        ref = {nullptr, 0};  // a PVOB not registered here, or an activity removed since
      found = activities_.emplace(key, ref).first;
    }
    e.activity_pvob = found->second.first;
    e.activity = found->second.second;
  }

 private:
  Store& s_;
  std::map<tbs_dbid_t, std::string> branches_;
  std::map<std::string, std::pair<vob_vob_h, tbs_dbid_t>> activities_;
};

// Reads the history rows of the query into `events`.
int read_history(Store& s, Query& q, std::vector<vob_hist_event_t>& events) {
  HistoryNames names(s);
  long last_id = 0;
  while (q.next()) {
    vob_hist_event_t e;
    e.id = static_cast<long>(q.int64(0));
    if (e.id == last_id)
      continue;  // the same event again, for a second change-set entry
    last_id = e.id;
    e.element = dbid_at(q, 1);
    e.branch = dbid_at(q, 2);
    e.version = dbid_at(q, 3);
    e.action = q.integer(5);
    e.action = action_of(e, q.integer(4), dbid_at(q, 12));
    if (e.action == 0)
      continue;
    e.detail = q.text(6);
    e.time = static_cast<long>(q.int64(7));
    e.usec = static_cast<long>(q.int64(8));
    e.user = q.text(9);
    e.comment = q.text(10);
    if (e.branch != 0) {
      int status = names.branch_path(e.branch, e.branch_path);
      if (status != 0)
        return status;
    }
    if (e.version != 0) {
      int64_t number = q.int64(11);
      e.version_name =
          e.branch_path + "/" + (number < 0 ? std::string("CHECKEDOUT") : std::to_string(number));
      names.activity(q.blob(13), q.blob(14), e);
    }
    events.push_back(std::move(e));
  }
  return q.status();
}

}  // namespace

namespace repo {

int record_action(Store& store, tbs_dbid_t obj, int kind, const vob_event_info_t* event, int action,
                  const std::string& detail) {
  int status = record_event(store, obj, kind, event);
  if (status != 0)
    return status;
  return store.query(sql::kEventDetailInsert)
      .bind(1, store.last_insert_id())
      .bind(2, action)
      .bind(3, detail)
      .run();
}

}  // namespace repo

int vob_elem_get_history(vob_vob_h vob, const std::vector<tbs_dbid_t>& elements, long since,
                         std::vector<vob_hist_event_t>& events) {
  return repo::with_store(vob, [&](Store& s) -> int {
    std::vector<vob_hist_event_t> found;
    Query q = s.query(sql::kElementsHistory);
    q.bind(1, json_ids(elements)).bind(2, static_cast<int64_t>(since));
    int status = read_history(s, q, found);
    if (status == 0)
      events.swap(found);
    return status;
  });
}
