// Activity-like objects (metatype 28) of project VOBs below feature level
// 7: the folders, projects, streams, components, timelines and activities
// of that form, told apart by their activity type. Creation, information,
// titles, moving, activation, removal, children and permission.
//
// Placement rule: an object of the folder or project type lies in an object
// of the folder type (the root folder, another folder, or the template
// holder); objects of other types may lie in any activity-like object, or
// in none.
#include "repository/sql.h"
#include "repository/vob_zem_activity_internal.h"
#include "repository/vob_zem_stream_internal.h"

namespace {

using repo::ObjectRow;
using repo::Store;
namespace zem = repo::zem;

constexpr const char* kKind = "activity-like object";

bool is_activity_like(const ObjectRow& row) {
  return row.mtype == VOB_MTYPE_ACTIVITY_LIKE;
}
bool is_activity_type(const ObjectRow& row) {
  return row.mtype == VOB_MTYPE_ACTIVITY_TYPE;
}

// 0 when an object of activity type `type` may lie in `parent` (0: none;
// otherwise the row of an activity-like object); 1004 after a message when
// the placement rule forbids it.
int check_placement(vob_vob_h pvob, Store& s, tbs_dbid_t type, tbs_dbid_t parent,
                    const ObjectRow& parent_row) {
  tbs_dbid_t folder_type = 0;
  tbs_dbid_t project_type = 0;
  int status = repo::well_known(s, VOB_WK_FOLDER_TYPE, &folder_type);
  if (status == 0)
    status = repo::well_known(s, VOB_WK_PROJECT_TYPE, &project_type);
  if (status != 0)
    return status;
  if (type != folder_type && type != project_type)
    return TBS_ST_OK;
  if (parent != 0 && parent_row.type == folder_type)
    return TBS_ST_OK;
  zem::print_wrong_kind(pvob, parent, "folder");
  return TBS_ST_BAD_ARGUMENT;
}

// Reads `parent` (0: none) as an activity-like object, printing what was
// expected when it is not one.
int need_parent(vob_vob_h pvob, Store& s, tbs_dbid_t parent, ObjectRow& row) {
  if (parent == 0)
    return TBS_ST_OK;
  return zem::need(pvob, s, parent, kKind, is_activity_like, row);
}

// Runs `body(store, row)` in one transaction on activity-like object `obj`.
template <typename Body>
int write_act(vob_vob_h pvob, tbs_dbid_t obj, Body body) {
  return repo::in_txn(pvob, [&](Store& s) -> int {
    ObjectRow row;
    int status = zem::need(pvob, s, obj, kKind, is_activity_like, row);
    return status != 0 ? status : body(s, row);
  });
}

// Runs `body(store)` on activity-like object `obj` without a transaction.
template <typename Body>
int read_act(vob_vob_h pvob, tbs_dbid_t obj, Body body) {
  return repo::with_store(pvob, [&](Store& s) -> int {
    ObjectRow row;
    int status = zem::need(pvob, s, obj, nullptr, is_activity_like, row);
    return status != 0 ? status : body(s);
  });
}

// Whether activity-like object `dbid` is of the PVOB's activity type.
int is_activity(Store& s, tbs_dbid_t dbid, bool* activity) {
  ObjectRow row;
  tbs_dbid_t type = 0;
  int status = repo::read_object(s, dbid, row);
  if (status == 0)
    status = repo::well_known(s, VOB_WK_ACTIVITY_TYPE, &type);
  if (status == TBS_ST_NOT_FOUND)
    status = TBS_ST_OK;
  *activity = status == 0 && repo::act::is_activity(row, type);
  return status;
}

// The lowest bit of `mask`.
int lowest_bit(unsigned long mask) {
  int bit = 0;
  while ((mask & 1UL) == 0) {
    mask >>= 1;
    ++bit;
  }
  return bit;
}

}  // namespace

int vob_act_create(vob_vob_h pvob, const char* name, tbs_dbid_t type, tbs_dbid_t parent,
                   const char* title, const vob_event_info_t* event, tbs_dbid_t* dbid) {
  if (dbid == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  int status = repo::check_object_name(name);
  if (status == 0)
    status = zem::check_form(pvob, false);
  if (status != 0)
    return status;
  tbs_dbid_t made = 0;
  status = repo::in_txn(pvob, [&](Store& s) -> int {
    ObjectRow type_row;
    ObjectRow parent_row;
    int st = zem::need(pvob, s, type, "activity type", is_activity_type, type_row);
    if (st == 0)
      st = need_parent(pvob, s, parent, parent_row);
    if (st == 0)
      st = check_placement(pvob, s, type, parent, parent_row);
    if (st == 0 && parent != 0)
      st = repo::check_not_locked(pvob, s, parent);
    repo::NewObject object;
    object.mtype = VOB_MTYPE_ACTIVITY_LIKE;
    object.type = type;
    object.name = name;
    return st != 0 ? st : zem::make_object(s, object, "ZEM object", parent, title, event, &made);
  });
  if (status == 0)
    *dbid = made;
  return status;
}

int vob_act_get_info(vob_vob_h pvob, tbs_dbid_t dbid, unsigned long mask, vob_act_info_t* info) {
  if (info == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return read_act(pvob, dbid, [&](Store& s) -> int {
    zem::ZemRow row;
    int status = zem::read_row(s, dbid, row);
    if (status != 0)
      return status;
    vob_act_info_t out;
    if ((mask & VOB_ACT_INFO_BIT(VOB_ACT_INFO_TITLE)) != 0) {
      out.title = row.title;
      out.mask |= VOB_ACT_INFO_BIT(VOB_ACT_INFO_TITLE);
    }
    if ((mask & VOB_ACT_INFO_BIT(VOB_ACT_INFO_PARENT)) != 0) {
      out.parent = row.parent;
      out.mask |= VOB_ACT_INFO_BIT(VOB_ACT_INFO_PARENT);
    }
    if ((mask & VOB_ACT_INFO_BIT(VOB_ACT_INFO_FLAGS)) != 0) {
      int children = 0;
      status = zem::count_children(s, dbid, &children);
      if (status != 0)
        return status;
      out.flags = (row.state == 1 ? VOB_ACT_FLAG_ACTIVE : 0U) |
                  (children > 0 ? VOB_ACT_FLAG_HAS_CHILDREN : 0U);
      out.mask |= VOB_ACT_INFO_BIT(VOB_ACT_INFO_FLAGS);
    }
    if ((mask & VOB_ACT_INFO_BIT(VOB_ACT_INFO_CSPEC)) != 0) {
      // Kept for streams only.
      zem::StreamKinds kinds;
      ObjectRow object;
      bool stream = false;
      status = zem::read_kinds(pvob, s, false, kinds);
      if (status == 0)
        status = repo::read_object(s, dbid, object);
      if (status == 0 && (stream = kinds.stream.matches(object))) {
        int final = 1;
        status = zem::read_cspec(s, dbid, out.cspec, final);
      }
      if (status != 0)
        return status;
      if (stream)
        out.mask |= VOB_ACT_INFO_BIT(VOB_ACT_INFO_CSPEC);
    }
    if ((mask & VOB_ACT_INFO_BIT(VOB_ACT_INFO_MOD_COUNT)) != 0) {
      // An activity's count is the sum of its pair counts, kept with its
      // change-set entries.
      bool activity = false;
      status = is_activity(s, dbid, &activity);
      out.mod_count = row.mod_count;
      if (status == 0 && activity)
        status = vob_zem_activity_get_mod_count(pvob, dbid, &out.mod_count);
      if (status != 0)
        return status;
      out.mask |= VOB_ACT_INFO_BIT(VOB_ACT_INFO_MOD_COUNT);
    }
    *info = out;
    return TBS_ST_OK;
  });
}

int vob_act_update(vob_vob_h pvob, tbs_dbid_t dbid, unsigned long mask, const vob_act_info_t* info,
                   const vob_event_info_t* event) {
  if (info == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  const unsigned long cspec_bit = VOB_ACT_INFO_BIT(VOB_ACT_INFO_CSPEC);
  unsigned long other = mask & ~(VOB_ACT_INFO_BIT(VOB_ACT_INFO_TITLE) | cspec_bit);
  if (other != 0) {
    imsg_print(IMSG_ERROR, tbs_msg::FieldActivityLikeObject, lowest_bit(other));
    return TBS_ST_BAD_ARGUMENT;
  }
  return write_act(pvob, dbid, [&](Store& s, const ObjectRow& row) -> int {
    int status = TBS_ST_OK;
    if ((mask & cspec_bit) != 0) {
      // Only a stream keeps a config spec.
      zem::StreamKinds kinds;
      status = zem::read_kinds(pvob, s, true, kinds);
      if (status == 0 && !kinds.stream.matches(row)) {
        imsg_print(IMSG_ERROR, tbs_msg::FieldActivityLikeObject,
                   static_cast<int>(VOB_ACT_INFO_CSPEC));
        status = TBS_ST_BAD_ARGUMENT;
      }
      if (status == 0)
        status = zem::store_cspec(pvob, s, dbid, info->cspec.c_str(), 1, event);
    }
    if (status == 0 && (mask & VOB_ACT_INFO_BIT(VOB_ACT_INFO_TITLE)) != 0)
      status = zem::store_title(pvob, s, dbid, row.mtype, info->title.c_str(), event);
    return status;
  });
}

int vob_act_move(vob_vob_h pvob, tbs_dbid_t dbid, tbs_dbid_t parent,
                 const vob_event_info_t* event) {
  return write_act(pvob, dbid, [&](Store& s, const ObjectRow& row) -> int {
    ObjectRow parent_row;
    int status = need_parent(pvob, s, parent, parent_row);
    if (status == 0)
      status = check_placement(pvob, s, row.type, parent, parent_row);
    return status != 0 ? status : zem::move_object(pvob, s, dbid, row.mtype, parent, event);
  });
}

int vob_act_auto_trans_active(vob_vob_h pvob, tbs_dbid_t dbid, const vob_event_info_t* event) {
  return write_act(pvob, dbid, [&](Store& s, const ObjectRow& row) -> int {
    zem::ZemRow tree;
    int status = zem::read_row(s, dbid, tree);
    if (status != 0 || tree.state == 1)
      return status;
    status = repo::check_not_locked(pvob, s, dbid);
    if (status == 0)
      status = s.query(repo::sql::kZemSetState)
                   .bind(1, static_cast<int64_t>(dbid))
                   .bind(2, row.mtype)
                   .bind(3, 1)
                   .run();
    return status != 0 ? status : repo::record_event(s, dbid, VOB_EVENT_MODIFY, event);
  });
}

int vob_act_delete(vob_vob_h pvob, tbs_dbid_t dbid, const vob_event_info_t* event) {
  bool activity = false;
  int status = read_act(pvob, dbid, [&](Store& s) { return is_activity(s, dbid, &activity); });
  if (status == 0 && activity)
    status = repo::act::refuse_nonempty_cset(pvob, dbid);
  if (status != 0)
    return status;
  return write_act(pvob, dbid, [&](Store& s, const ObjectRow&) -> int {
    // A component takes its main-timeline baselines along; streams and
    // timelines holding baselines stay.
    int status = zem::release_baselines(pvob, s, dbid, event);
    return status != 0 ? status : zem::remove_object(pvob, s, dbid, event);
  });
}

int vob_act_next_children(vob_vob_h pvob, tbs_dbid_t dbid, size_t offset, size_t max,
                          std::vector<tbs_dbid_t>& children) {
  return read_act(pvob, dbid, [&](Store& s) -> int {
    return zem::list_children(s, dbid, 0, offset, max, children);
  });
}

int vob_act_check_permission(vob_vob_h pvob, tbs_dbid_t dbid, int* allowed) {
  return read_act(pvob, dbid, [&](Store& s) { return zem::permission(s, dbid, allowed); });
}
