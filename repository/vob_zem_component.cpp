// Components of project VOBs (services/vob_zem_component.h): first-class
// creation and removal, and the queries both storage forms share (what is
// a component, listing, the root link in both directions).
#include "services/vob_zem_component.h"

#include <algorithm>

#include "repository/sql.h"
#include "repository/vob_zem_stream_internal.h"
#include "services/vob_hlink.h"

namespace {

using repo::ObjectRow;
using repo::Query;
using repo::Store;
namespace zem = repo::zem;

bool is_fc_component(const ObjectRow& row) {
  return row.mtype == VOB_MTYPE_COMPONENT;
}

// How components look in a VOB: metatype and activity type (0: any). A VOB
// that is not a PVOB has none (`mtype` 0).
struct ComponentForm {
  vob_mtype_t mtype = 0;
  tbs_dbid_t type = 0;
};

int form_of(vob_vob_h pvob, Store& s, ComponentForm* form) {
  int kind = 0;
  int level = 0;
  int status = vob_ob_get_type(pvob, &kind);
  if (status == 0)
    status = vob_ob_get_feature_level(pvob, &level);
  if (status != 0)
    return status;
  *form = ComponentForm();
  if (kind != RGY_VOB_PROJECT)
    return TBS_ST_OK;
  if (level >= zem::kFirstClassLevel) {
    form->mtype = VOB_MTYPE_COMPONENT;
    return TBS_ST_OK;
  }
  form->mtype = VOB_MTYPE_ACTIVITY_LIKE;
  return repo::well_known(s, VOB_WK_COMPONENT_TYPE, &form->type);
}

// `is` 1 when `dbid` is a component of the PVOB's form; 1002 for no object.
int check_component(vob_vob_h pvob, Store& s, tbs_dbid_t dbid, int* is) {
  if (dbid == 0)
    return TBS_ST_NOT_FOUND;
  ComponentForm form;
  ObjectRow row;
  int status = repo::read_object(s, dbid, row);
  if (status == 0)
    status = form_of(pvob, s, &form);
  if (status == 0)
    *is = form.mtype != 0 && row.mtype == form.mtype && (form.type == 0 || row.type == form.type)
              ? 1
              : 0;
  return status;
}

// 0 when `dbid` is a component of `pvob`; 1004 when it is another object.
int need_component(vob_vob_h pvob, tbs_dbid_t dbid) {
  int is = 0;
  int status = vob_zem_component_is(pvob, dbid, &is);
  return status != 0 ? status : (is != 0 ? TBS_ST_OK : TBS_ST_BAD_ARGUMENT);
}

}  // namespace

int vob_zem_component_create(vob_vob_h pvob, const char* name, const vob_event_info_t* event,
                             tbs_dbid_t* dbid) {
  if (dbid == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  int status = repo::check_object_name(name);
  if (status == 0)
    status = zem::check_form(pvob, true);
  if (status != 0)
    return status;
  tbs_dbid_t made = 0;
  status = repo::in_txn(pvob, [&](Store& s) -> int {
    repo::NewObject object;
    object.mtype = VOB_MTYPE_COMPONENT;
    object.name = name;
    return zem::make_object(s, object, "component", 0, nullptr, event, &made);
  });
  if (status == 0)
    *dbid = made;
  return status;
}

int vob_zem_component_delete(vob_vob_h pvob, tbs_dbid_t component, const vob_event_info_t* event) {
  int status = zem::check_form(pvob, true);
  if (status != 0)
    return status;
  return repo::in_txn(pvob, [&](Store& s) -> int {
    ObjectRow row;
    int st = zem::need(pvob, s, component, "component", is_fc_component, row);
    if (st == 0)
      st = zem::release_baselines(pvob, s, component, event);
    return st != 0 ? st : zem::remove_object(pvob, s, component, event);
  });
}

int vob_zem_component_is(vob_vob_h pvob, tbs_dbid_t dbid, int* is) {
  if (is == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return repo::with_store(pvob, [&](Store& s) { return check_component(pvob, s, dbid, is); });
}

int vob_zem_component_next(vob_vob_h pvob, size_t offset, size_t max,
                           std::vector<tbs_dbid_t>& components) {
  return repo::with_store(pvob, [&](Store& s) -> int {
    ComponentForm form;
    int status = form_of(pvob, s, &form);
    if (status != 0)
      return status;
    if (form.mtype == 0) {  // a PVOB without components
      components.clear();
      return TBS_ST_OK;
    }
    Query q = s.query(repo::sql::kObjectsOfMtypeAndType);
    q.bind(1, form.mtype).bind(2, repo::id(form.type));
    return repo::read_page(q, 3, offset, max, components);
  });
}

int vob_zem_component_get_root(vob_vob_h pvob, tbs_dbid_t component,
                               vob_zem_component_root_t* root) {
  if (root == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  int status = need_component(pvob, component);
  std::vector<vob_hlink_end_t> ends;
  if (status == 0)
    status = vob_obj_list_hlinks(pvob, component, VOB_WK_HLTYPE_COMPONENT_ROOT_DIR, 1, ends);
  if (status != 0)
    return status;
  if (ends.empty())
    return TBS_ST_NOT_FOUND;
  // A component has one root link; should there be more, the oldest counts.
  const vob_hlink_end_t& end = ends.front();
  vob_zem_component_root_t out;
  out.hlink = end.hlink;
  out.broken = end.broken != 0 ? 1 : 0;
  out.root_family = end.other_family;
  if (out.broken == 0) {
    out.root_vob = end.other_vob;
    out.root_element = end.other;
  }
  *root = out;
  return TBS_ST_OK;
}

int vob_zem_component_find_by_root(vob_vob_h pvob, vob_vob_h root_vob, tbs_dbid_t root_element,
                                   tbs_dbid_t* component) {
  if (component == nullptr || pvob == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  std::vector<vob_hlink_end_t> ends;
  int status =
      vob_obj_list_hlinks(root_vob, root_element, VOB_WK_HLTYPE_COMPONENT_ROOT_DIR, 0, ends);
  if (status != 0)
    return status;
  std::vector<tbs_dbid_t> found;
  for (const vob_hlink_end_t& end : ends) {
    if (end.broken != 0 || end.other_vob != pvob)
      continue;
    int is = 0;
    status = vob_zem_component_is(pvob, end.other, &is);
    if (status != 0 && status != TBS_ST_NOT_FOUND)
      return status;
    if (is != 0 && std::find(found.begin(), found.end(), end.other) == found.end())
      found.push_back(end.other);
  }
  if (found.empty())
    return TBS_ST_NOT_FOUND;
  if (found.size() > 1) {
    imsg_print(IMSG_ERROR, tbs_msg::SeveralRoots, root_element, root_vob->tag.c_str(),
               static_cast<int>(found.size()), pvob->tag.c_str());
    return TBS_ST_ERROR;
  }
  *component = found.front();
  return TBS_ST_OK;
}
