// The ZEM tree shared by both storage forms: each object's record in
// `zem_objects` (parent, title, state, modification count), and the checks,
// moves and removals the folder, project and activity-like calls make.
//
// Cycles are refused when an object moves: the new parent's chain of
// ancestors must not contain the object. The check runs in the writing
// transaction (BEGIN IMMEDIATE), so two concurrent moves cannot together
// close a cycle.
#include <cctype>
#include <cstring>

#include "repository/sql.h"
#include "repository/vob_zem_internal.h"

namespace repo {
namespace zem {

namespace {

// Whether `obj` is one of the VOB's well-known objects.
int is_well_known(Store& s, tbs_dbid_t obj, bool* known) {
  Query q = s.query(sql::kWellKnownOf);
  q.bind(1, id(obj));
  *known = q.next();
  return q.status();
}

// 1001 after a message when `obj` is well-known.
int refuse_well_known(vob_vob_h vob, Store& s, tbs_dbid_t obj) {
  bool known = false;
  int status = is_well_known(s, obj, &known);
  if (status != 0 || !known)
    return status;
  imsg_print(IMSG_ERROR, tbs_msg::WellKnownObjectVOB, display_name(vob, obj).c_str(),
             vob->tag.c_str());
  return TBS_ST_ERROR;
}

}  // namespace

int check_form(vob_vob_h vob, bool first_class) {
  int kind = 0;
  int status = vob_ob_get_type(vob, &kind);
  if (status != 0)
    return status;
  if (kind != RGY_VOB_PROJECT) {
    imsg_print(IMSG_ERROR, tbs_msg::VOBNotProjectVOB, vob->tag.c_str());
    return TBS_ST_BAD_ARGUMENT;
  }
  int level = 0;
  status = vob_ob_get_feature_level(vob, &level);
  if (status != 0)
    return status;
  if (first_class && level < kFirstClassLevel) {
    imsg_print(IMSG_ERROR, tbs_msg::ProjectVOBFeatureLevel, vob->tag.c_str(), level);
    return TBS_ST_BAD_ARGUMENT;
  }
  if (!first_class && level >= kFirstClassLevel) {
    imsg_print(IMSG_ERROR, tbs_msg::ProjectVOBFeatureLevelKeeps, vob->tag.c_str(), level);
    return TBS_ST_BAD_ARGUMENT;
  }
  return TBS_ST_OK;
}

void print_wrong_kind(vob_vob_h vob, tbs_dbid_t dbid, const char* kind) {
  bool vowel = std::strchr("aeiou", kind[0]) != nullptr;
  imsg_print_chosen(IMSG_ERROR, vowel ? tbs_msg::ObjectNotAn : tbs_msg::ObjectNotA, dbid,
                    vob->tag.c_str(), kind);
}

bool is_first_class_zem(vob_mtype_t mtype) {
  return mtype >= VOB_MTYPE_COMPONENT && mtype <= VOB_MTYPE_BASELINE;
}

int read_row(Store& s, tbs_dbid_t obj, ZemRow& row) {
  Query q = s.query(sql::kZemGet);
  q.bind(1, id(obj));
  row = ZemRow();
  if (q.next()) {
    row.parent = q.is_null(0) ? 0 : static_cast<tbs_dbid_t>(q.int64(0));
    row.title = q.text(1);
    row.state = q.integer(2);
    row.mod_count = static_cast<unsigned int>(q.int64(3));
  }
  return q.status();
}

int count_children(Store& s, tbs_dbid_t obj, int* count) {
  Query q = s.query(sql::kZemChildCount);
  q.bind(1, id(obj));
  *count = q.next() ? q.integer(0) : 0;
  return q.status();
}

int list_children(Store& s, tbs_dbid_t parent, vob_mtype_t mtype, size_t offset, size_t max,
                  std::vector<tbs_dbid_t>& children) {
  Query q = s.query(sql::kZemChildren);
  q.bind(1, id(parent)).bind(2, mtype);
  return read_page(q, 3, offset, max, children);
}

int make_object(Store& s, const NewObject& object, const char* kind, tbs_dbid_t parent,
                const char* title, const vob_event_info_t* event, tbs_dbid_t* dbid) {
  tbs_dbid_t made = 0;
  int status = insert_object(s, object, event, &made);
  if (status == TBS_ST_EXISTS)
    imsg_print(IMSG_ERROR, tbs_msg::NamedAlreadyExists, kind, object.name);
  if (status != 0)
    return status;
  Query place = s.query(sql::kZemSetParent);
  place.bind(1, id(made)).bind(3, object.mtype);
  if (parent != 0)
    place.bind(2, id(parent));
  else
    place.bind_null(2);
  status = place.run();
  if (status == 0 && title != nullptr && *title != '\0')
    status =
        s.query(sql::kZemSetTitle).bind(1, id(made)).bind(2, object.mtype).bind(3, title).run();
  if (status == 0)
    *dbid = made;
  return status;
}

int move_object(vob_vob_h vob, Store& s, tbs_dbid_t obj, vob_mtype_t mtype, tbs_dbid_t parent,
                const vob_event_info_t* event) {
  int status = refuse_well_known(vob, s, obj);
  ZemRow row;
  if (status == 0)
    status = read_row(s, obj, row);
  if (status != 0 || row.parent == parent)
    return status;
  if (parent != 0) {
    Query q = s.query(sql::kZemIsAncestor);
    q.bind(1, id(parent)).bind(2, id(obj));
    bool below = q.next();
    if (q.status() != 0)
      return q.status();
    if (below) {
      imsg_print(IMSG_ERROR, tbs_msg::CannotMovedIntoItself, display_name(vob, obj).c_str(),
                 display_name(vob, parent).c_str());
      return TBS_ST_ERROR;
    }
  }
  status = check_not_locked(vob, s, obj);
  if (status == 0 && parent != 0)
    status = check_not_locked(vob, s, parent);
  if (status != 0)
    return status;
  Query place = s.query(sql::kZemSetParent);
  place.bind(1, id(obj)).bind(3, mtype);
  if (parent != 0)
    place.bind(2, id(parent));
  else
    place.bind_null(2);
  status = place.run();
  return status != 0 ? status : record_event(s, obj, VOB_EVENT_MODIFY, event);
}

int store_title(vob_vob_h vob, Store& s, tbs_dbid_t obj, vob_mtype_t mtype, const char* title,
                const vob_event_info_t* event) {
  std::string wanted = title != nullptr ? title : "";
  ZemRow row;
  int status = read_row(s, obj, row);
  if (status != 0 || row.title == wanted)
    return status;
  status = check_not_locked(vob, s, obj);
  if (status == 0)
    status = s.query(sql::kZemSetTitle).bind(1, id(obj)).bind(2, mtype).bind(3, wanted).run();
  return status != 0 ? status : record_event(s, obj, VOB_EVENT_MODIFY, event);
}

int remove_object(vob_vob_h vob, Store& s, tbs_dbid_t obj, const vob_event_info_t* event) {
  int status = refuse_well_known(vob, s, obj);
  int children = 0;
  if (status == 0)
    status = count_children(s, obj, &children);
  if (status == 0 && children > 0) {
    imsg_print(IMSG_ERROR, tbs_msg::HoldsObjectsMoveRemove, display_name(vob, obj).c_str(),
               children);
    status = TBS_ST_ERROR;
  }
  if (status == 0)
    status = check_not_locked(vob, s, obj);
  tbs_dbid_t vob_object = 0;
  if (status == 0)
    status = well_known(s, VOB_WK_VOB_OBJECT, &vob_object);
  // The object's tree record, process variables, attributes and lock go
  // with its row (ON DELETE CASCADE); its events are not tied to it.
  if (status == 0)
    status = s.query(sql::kEventsDelete).bind(1, id(obj)).run();
  if (status == 0)
    status = s.query(sql::kObjectDelete).bind(1, id(obj)).run();
  return status != 0 ? status : record_event(s, vob_object, VOB_EVENT_REMOVE, event);
}

int permission(Store& s, tbs_dbid_t obj, int* allowed) {
  if (allowed == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  ChangeRight right;
  int status = change_right(s, obj, right);
  if (status == 0)
    *allowed = right.allowed ? 1 : 0;
  return status;
}

std::string display_name(vob_vob_h vob, tbs_dbid_t obj) {
  char buf[1024];
  if (vob_obj_get_selector(vob, obj, buf, sizeof buf) == 0)
    return buf;
  if (vob_obj_get_any_name(vob, obj, nullptr, buf, sizeof buf) == 0)
    return buf;
  return "object " + std::to_string(obj);
}

}  // namespace zem
}  // namespace repo
