// First-class folders and projects (metatypes 36 and 37) of project VOBs
// at feature level 7 and higher: creation, moving, removal, parents and
// children, titles, and the permission rule for ZEM objects.
#include "repository/vob_zem_internal.h"

namespace {

using repo::ObjectRow;
using repo::Store;
namespace zem = repo::zem;

bool is_folder(const ObjectRow& row) {
  return row.mtype == VOB_MTYPE_FOLDER;
}
bool is_project(const ObjectRow& row) {
  return row.mtype == VOB_MTYPE_PROJECT;
}
bool is_zem(const ObjectRow& row) {
  return zem::is_first_class_zem(row.mtype);
}

// Creates an object of `mtype` named `name` in folder `parent`.
int create_in_folder(vob_vob_h pvob, vob_mtype_t mtype, const char* kind, const char* name,
                     tbs_dbid_t parent, const vob_event_info_t* event, tbs_dbid_t* dbid) {
  if (dbid == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  int status = repo::check_object_name(name);
  if (status == 0)
    status = zem::check_form(pvob, true);
  if (status != 0)
    return status;
  tbs_dbid_t made = 0;
  status = repo::in_txn(pvob, [&](Store& s) -> int {
    ObjectRow folder;
    int st = zem::need(pvob, s, parent, "folder", is_folder, folder);
    if (st == 0)
      st = repo::check_not_locked(pvob, s, parent);
    repo::NewObject object;
    object.mtype = mtype;
    object.name = name;
    return st != 0 ? st : zem::make_object(s, object, kind, parent, nullptr, event, &made);
  });
  if (status == 0)
    *dbid = made;
  return status;
}

// Moves `obj` (an object `ok` accepts) into folder `parent`.
template <typename Ok>
int move_into_folder(vob_vob_h pvob, tbs_dbid_t obj, const char* kind, Ok ok, tbs_dbid_t parent,
                     const vob_event_info_t* event) {
  return repo::in_txn(pvob, [&](Store& s) -> int {
    ObjectRow row;
    ObjectRow folder;
    int status = zem::need(pvob, s, obj, kind, ok, row);
    if (status == 0)
      status = zem::need(pvob, s, parent, "folder", is_folder, folder);
    return status != 0 ? status : zem::move_object(pvob, s, obj, row.mtype, parent, event);
  });
}

// Removes `obj` (an object `ok` accepts).
template <typename Ok>
int remove(vob_vob_h pvob, tbs_dbid_t obj, const char* kind, Ok ok, const vob_event_info_t* event) {
  return repo::in_txn(pvob, [&](Store& s) -> int {
    ObjectRow row;
    int status = zem::need(pvob, s, obj, kind, ok, row);
    return status != 0 ? status : zem::remove_object(pvob, s, obj, event);
  });
}

int next_children(vob_vob_h pvob, tbs_dbid_t folder, vob_mtype_t mtype, size_t offset, size_t max,
                  std::vector<tbs_dbid_t>& children) {
  return repo::with_store(pvob, [&](Store& s) -> int {
    ObjectRow row;
    int status = zem::need(pvob, s, folder, nullptr, is_folder, row);
    return status != 0 ? status : zem::list_children(s, folder, mtype, offset, max, children);
  });
}

}  // namespace

int vob_zem_folder_create(vob_vob_h pvob, const char* name, tbs_dbid_t parent,
                          const vob_event_info_t* event, tbs_dbid_t* dbid) {
  return create_in_folder(pvob, VOB_MTYPE_FOLDER, "folder", name, parent, event, dbid);
}

int vob_zem_folder_set_parent(vob_vob_h pvob, tbs_dbid_t folder, tbs_dbid_t parent,
                              const vob_event_info_t* event) {
  return move_into_folder(pvob, folder, "folder", is_folder, parent, event);
}

int vob_zem_folder_delete(vob_vob_h pvob, tbs_dbid_t folder, const vob_event_info_t* event) {
  return remove(pvob, folder, "folder", is_folder, event);
}

int vob_zem_project_create(vob_vob_h pvob, const char* name, tbs_dbid_t folder,
                           const vob_event_info_t* event, tbs_dbid_t* dbid) {
  return create_in_folder(pvob, VOB_MTYPE_PROJECT, "project", name, folder, event, dbid);
}

int vob_zem_project_set_parent(vob_vob_h pvob, tbs_dbid_t project, tbs_dbid_t folder,
                               const vob_event_info_t* event) {
  return move_into_folder(pvob, project, "project", is_project, folder, event);
}

int vob_zem_project_delete(vob_vob_h pvob, tbs_dbid_t project, const vob_event_info_t* event) {
  return remove(pvob, project, "project", is_project, event);
}

int vob_zem_obj_get_parent(vob_vob_h pvob, tbs_dbid_t dbid, tbs_dbid_t* parent) {
  if (parent == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return repo::with_store(pvob, [&](Store& s) -> int {
    ObjectRow row;
    zem::ZemRow tree;
    int status = zem::need(pvob, s, dbid, nullptr, is_zem, row);
    if (status == 0)
      status = zem::read_row(s, dbid, tree);
    if (status == 0 && tree.parent == 0)
      status = TBS_ST_NOT_FOUND;
    if (status == 0)
      *parent = tree.parent;
    return status;
  });
}

int vob_zem_folder_next_subfolders(vob_vob_h pvob, tbs_dbid_t folder, size_t offset, size_t max,
                                   std::vector<tbs_dbid_t>& children) {
  return next_children(pvob, folder, VOB_MTYPE_FOLDER, offset, max, children);
}

int vob_zem_folder_next_projects(vob_vob_h pvob, tbs_dbid_t folder, size_t offset, size_t max,
                                 std::vector<tbs_dbid_t>& children) {
  return next_children(pvob, folder, VOB_MTYPE_PROJECT, offset, max, children);
}

int vob_zem_obj_get_title(vob_vob_h pvob, tbs_dbid_t dbid, std::string& title) {
  return repo::with_store(pvob, [&](Store& s) -> int {
    ObjectRow row;
    zem::ZemRow tree;
    int status = zem::need(pvob, s, dbid, nullptr, is_zem, row);
    if (status == 0)
      status = zem::read_row(s, dbid, tree);
    if (status == 0)
      title = tree.title;
    return status;
  });
}

int vob_zem_obj_set_title(vob_vob_h pvob, tbs_dbid_t dbid, const char* title,
                          const vob_event_info_t* event) {
  return repo::in_txn(pvob, [&](Store& s) -> int {
    ObjectRow row;
    int status = zem::need(pvob, s, dbid, "ZEM object", is_zem, row);
    return status != 0 ? status : zem::store_title(pvob, s, dbid, row.mtype, title, event);
  });
}

int vob_obj_zem_check_permission(vob_vob_h pvob, tbs_dbid_t dbid, int* allowed) {
  return repo::with_store(pvob, [&](Store& s) { return zem::permission(s, dbid, allowed); });
}
