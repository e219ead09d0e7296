// Elements and branches: creating and removing elements, their kinds and
// component root directory marks, branches sprouting from versions, and
// reading branches, their versions and paths.
#include <algorithm>
#include <cstring>
#include <map>

#include "repository/sql.h"
#include "repository/vob_elem_internal.h"
#include "repository/vob_zem_activity_internal.h"

namespace {

using repo::BranchRow;
using repo::dbid_at;
using repo::ElementRow;
using repo::id;
using repo::ObjectRow;
using repo::Query;
using repo::Store;
using repo::VersionRow;
namespace elem_msg = repo::elem_msg;
namespace sql = repo::sql;

bool valid_eltype(int eltype) {
  return eltype == VOB_ELTYPE_FILE || eltype == VOB_ELTYPE_DIRECTORY ||
         eltype == VOB_ELTYPE_FILE_NEVER_MERGE;
}

// Makes an element in the checked-out directory version `dir_version` and
// catalogues it there; a new element takes the CRDE of its directory (or is
// its own CRDE when `own_crde`).
int create_in_dir(vob_vob_h vob, Store& s, tbs_dbid_t dir_version, const char* name, int eltype,
                  bool own_crde, const vob_event_info_t* event, tbs_dbid_t* element) {
  VersionRow dir;
  int status = repo::need_dir_version(vob, s, dir_version, dir);
  if (status == 0 && !dir.checked_out()) {
    std::string dir_name;
    repo::version_name(s, dir, dir_name);
    imsg_print(IMSG_ERROR, tbs_msg::DirectoryVersionElementVOB, dir_name.c_str(), dir.element,
               vob->tag.c_str());
    status = TBS_ST_ERROR;
  }
  ElementRow parent;
  if (status == 0)
    status = repo::read_element(s, dir.element, parent);
  if (status == 0)
    status = repo::check_unlocked(vob, s, dir.element);
  tbs_dbid_t made = 0;
  if (status == 0)
    status = repo::make_element(s, eltype, own_crde ? repo::kSelfCrde : parent.crde, event, &made);
  if (status == 0)
    status = repo::add_entry(vob, s, dir, name, made);
  if (status == 0)
    status = repo::record_action(s, dir.dbid, VOB_EVENT_MODIFY, event, VOB_HIST_ADDNAME, name);
  if (status == 0)
    *element = made;
  return status;
}

// Collects the dbids a one-parameter query lists.
int list_ids(Store& s, const char* sql_text, tbs_dbid_t param, std::vector<tbs_dbid_t>& out) {
  out.clear();
  Query q = s.query(sql_text);
  q.bind(1, id(param));
  while (q.next())
    out.push_back(dbid_at(q, 0));
  return q.status();
}

// Removes objects with their events (their rows in the element tables go
// with them).
int delete_objects(Store& s, const std::vector<tbs_dbid_t>& objects) {
  for (tbs_dbid_t obj : objects) {
    int status = s.query(sql::kEventsDelete).bind(1, id(obj)).run();
    if (status == 0)
      status = s.query(sql::kObjectDelete).bind(1, id(obj)).run();
    if (status != 0)
      return status;
  }
  return TBS_ST_OK;
}

}  // namespace

namespace repo {

int resolve_branch(Store& store, tbs_dbid_t element, const std::string& path, tbs_dbid_t* branch) {
  if (path.size() < 2 || path[0] != '/' || path.back() == '/')
    return TBS_ST_BAD_ARGUMENT;
  std::vector<std::string> names;
  for (size_t start = 1; start <= path.size();) {
    size_t end = path.find('/', start);
    if (end == std::string::npos)
      end = path.size();
    if (end == start)
      return TBS_ST_BAD_ARGUMENT;
    names.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  tbs_dbid_t current = 0;
  int status = main_branch(store, element, &current);
  BranchRow row;
  ObjectRow type;
  if (status == 0)
    status = read_branch(store, current, row);
  if (status == 0)
    status = read_object(store, row.brtype, type);
  if (status == 0 && type.name != names[0])
    status = TBS_ST_NOT_FOUND;
  for (size_t i = 1; status == 0 && i < names.size(); ++i) {
    tbs_dbid_t brtype = 0;
    {
      Query q = store.query(sql::kObjectByName);
      q.bind(1, VOB_MTYPE_BRANCH_TYPE).bind(2, names[i]);
      if (!q.next())
        return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
      brtype = dbid_at(q, 0);
    }
    tbs_dbid_t next = 0;
    {
      Query q = store.query(sql::kBranchOfType);
      q.bind(1, id(element)).bind(2, id(brtype));
      if (!q.next())
        return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
      next = dbid_at(q, 0);
    }
    // The branch must sprout from the branch named before it.
    VersionRow parent;
    status = read_branch(store, next, row);
    if (status == 0 && row.parent_version == 0)
      status = TBS_ST_NOT_FOUND;
    if (status == 0)
      status = read_version(store, row.parent_version, parent);
    if (status == 0 && parent.branch != current)
      status = TBS_ST_NOT_FOUND;
    current = next;
  }
  if (status == 0)
    *branch = current;
  return status;
}

}  // namespace repo

// ---- elements ---------------------------------------------------------------------

int vob_elem_create(vob_vob_h vob, tbs_dbid_t dir_version, const char* name, int eltype,
                    const vob_event_info_t* event, tbs_dbid_t* element) {
  if (!valid_eltype(eltype)) {
    imsg_print(IMSG_ERROR, tbs_msg::ElementKindUnknownUse, eltype);
    return TBS_ST_BAD_ARGUMENT;
  }
  int status = repo::check_entry_name(name);
  if (status != 0)
    return status;
  tbs_dbid_t made = 0;
  status = repo::in_txn(vob, [&](Store& s) -> int {
    return create_in_dir(vob, s, dir_version, name, eltype, false, event, &made);
  });
  if (status == 0 && element != nullptr)
    *element = made;
  return status;
}

int vob_elem_create_cat_crde(vob_vob_h vob, tbs_dbid_t dir_version, const char* name,
                             const vob_event_info_t* event, tbs_dbid_t* element) {
  int status = repo::check_entry_name(name);
  if (status != 0)
    return status;
  tbs_dbid_t made = 0;
  status = repo::in_txn(vob, [&](Store& s) -> int {
    if (dir_version != 0)
      return create_in_dir(vob, s, dir_version, name, VOB_ELTYPE_DIRECTORY, true, event, &made);
    int st = repo::make_element(s, VOB_ELTYPE_DIRECTORY, repo::kSelfCrde, event, &made);
    return st != 0 ? st : repo::catalogue_in_root(vob, s, name, made, event);
  });
  if (status == 0 && element != nullptr)
    *element = made;
  return status;
}

int vob_elem_delete(vob_vob_h vob, tbs_dbid_t element, const vob_event_info_t* event) {
  std::vector<repo::act::ArrowRef> arrows;
  int done = repo::in_txn(vob, [&](Store& s) -> int {
    ElementRow row;
    int status = repo::need_element(vob, s, element, row);
    tbs_dbid_t root = 0;
    tbs_dbid_t vob_object = 0;
    if (status == 0)
      status = repo::well_known(s, VOB_WK_ROOT_DIRECTORY, &root);
    if (status == 0)
      status = repo::well_known(s, VOB_WK_VOB_OBJECT, &vob_object);
    if (status == 0 && element == root) {
      imsg_print(IMSG_ERROR, tbs_msg::RootDirectoryVOBCannot, vob->tag.c_str());
      status = TBS_ST_ERROR;
    }
    std::vector<tbs_dbid_t> checkouts;
    if (status == 0)
      status = list_ids(s, sql::kElementCheckouts, element, checkouts);
    if (status == 0 && !checkouts.empty()) {
      imsg_print(IMSG_ERROR, tbs_msg::ElementVOBCheckoutsCheck, element, vob->tag.c_str());
      status = TBS_ST_ERROR;
    }
    if (status == 0)
      status = repo::check_unlocked(vob, s, element);
    if (status == 0)
      status = s.query(sql::kDirEntriesUncatalogue).bind(1, id(element)).run();
    if (status == 0)
      status = s.query(sql::kElementsClearCrde).bind(1, id(element)).run();
    std::vector<tbs_dbid_t> versions;
    std::vector<tbs_dbid_t> branches;
    if (status == 0)
      status = list_ids(s, sql::kElementVersions, element, versions);
    if (status == 0)
      status = list_ids(s, sql::kElementBranches, element, branches);
    // The versions' change-set entries leave with them; their PVOB arrows go last.
    for (size_t i = 0; status == 0 && i < versions.size(); ++i)
      status = repo::act::drop_version_entries(s, versions[i], arrows);
    if (status == 0)
      status = delete_objects(s, versions);
    if (status == 0)
      status = delete_objects(s, branches);
    if (status == 0)
      status = delete_objects(s, {element});
    return status != 0 ? status : repo::record_event(s, vob_object, VOB_EVENT_REMOVE, event);
  });
  if (done == 0)
    repo::act::delete_arrows(arrows);
  return done;
}

int vob_eltype_of_content(const std::string& content) {
  size_t probe = std::min(content.size(), VOB_BINARY_PROBE_BYTES);
  return std::memchr(content.data(), '\0', probe) != nullptr ? VOB_ELTYPE_FILE_NEVER_MERGE
                                                             : VOB_ELTYPE_FILE;
}

int vob_elem_get_eltype(vob_vob_h vob, tbs_dbid_t element, int* eltype) {
  return repo::with_store(vob, [&](Store& s) -> int {
    ElementRow row;
    int status = repo::read_element(s, element, row);
    if (status == 0)
      *eltype = row.eltype;
    return status;
  });
}

int vob_elem_get_main_branch(vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t* branch) {
  return repo::with_store(vob,
                          [&](Store& s) -> int { return repo::main_branch(s, element, branch); });
}

int vob_elem_get_branch(vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t brtype, tbs_dbid_t* branch) {
  return repo::with_store(vob, [&](Store& s) -> int {
    Query q = s.query(sql::kBranchOfType);
    q.bind(1, id(element)).bind(2, id(brtype));
    if (!q.next())
      return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
    *branch = dbid_at(q, 0);
    return TBS_ST_OK;
  });
}

int vob_elem_get_crde(vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t* crde) {
  return repo::with_store(vob, [&](Store& s) -> int {
    ElementRow row;
    int status = repo::read_element(s, element, row);
    if (status == 0)
      *crde = row.crde;
    return status;
  });
}

int vob_elem_set_crde(vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t crde,
                      const vob_event_info_t* event) {
  return repo::in_txn(vob, [&](Store& s) -> int {
    ElementRow row;
    ElementRow root;
    int status = repo::need_element(vob, s, element, row);
    if (status == 0 && crde != 0) {
      status = repo::read_element(s, crde, root);
      if (status == TBS_ST_NOT_FOUND)
        imsg_print(IMSG_ERROR, tbs_msg::ObjectNotA, crde, vob->tag.c_str(), "directory element");
      if (status == 0 && !root.is_dir()) {
        imsg_print(IMSG_ERROR, tbs_msg::ObjectVOBNotDirectory, crde, vob->tag.c_str(),
                   "file element");
        status = TBS_ST_NOT_DIRECTORY;
      }
    }
    if (status == 0)
      status = repo::check_unlocked(vob, s, element);
    if (status == 0)
      status = s.query(sql::kElementSetCrde).bind(1, id(element)).bind(2, id(crde)).run();
    return status != 0 ? status : repo::record_event(s, element, VOB_EVENT_MODIFY, event);
  });
}

int vob_elem_next_ckouts(vob_vob_h vob, tbs_dbid_t element, std::vector<tbs_dbid_t>& versions) {
  return repo::with_store(vob, [&](Store& s) -> int {
    ElementRow row;
    int status = repo::read_element(s, element, row);
    return status != 0 ? status : list_ids(s, sql::kElementCheckouts, element, versions);
  });
}

// ---- branches -----------------------------------------------------------------------

int vob_branch_get_ver(vob_vob_h vob, tbs_dbid_t branch, int number, tbs_dbid_t* version) {
  if (number < -1)
    return TBS_ST_BAD_ARGUMENT;
  return repo::with_store(vob, [&](Store& s) -> int {
    if (number == -1)
      return repo::latest_version(s, branch, version);
    Query q = s.query(sql::kVersionByNumber);
    q.bind(1, id(branch)).bind(2, static_cast<int64_t>(number));
    if (!q.next())
      return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
    *version = dbid_at(q, 0);
    return TBS_ST_OK;
  });
}

int vob_branch_get_ckout_ver(vob_vob_h vob, tbs_dbid_t branch, tbs_dbid_t* version) {
  return repo::with_store(vob, [&](Store& s) -> int {
    Query q = s.query(sql::kVersionCheckedOut);
    q.bind(1, id(branch));
    if (!q.next())
      return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
    *version = dbid_at(q, 0);
    return TBS_ST_OK;
  });
}

int vob_branch_next_vers(vob_vob_h vob, tbs_dbid_t branch, std::vector<tbs_dbid_t>& versions) {
  return repo::with_store(vob, [&](Store& s) -> int {
    BranchRow row;
    int status = repo::read_branch(s, branch, row);
    return status != 0 ? status : list_ids(s, sql::kVersionsOfBranch, branch, versions);
  });
}

int vob_branch_get_path(vob_vob_h vob, tbs_dbid_t branch, std::string& path) {
  return repo::with_store(vob, [&](Store& s) -> int { return repo::branch_path(s, branch, path); });
}

int vob_elem_lookup_branch(vob_vob_h vob, tbs_dbid_t element, const char* path,
                           tbs_dbid_t* branch) {
  if (path == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return repo::with_store(
      vob, [&](Store& s) -> int { return repo::resolve_branch(s, element, path, branch); });
}

int vob_branch_get_elems_crdes(vob_vob_h vob, const std::vector<tbs_dbid_t>& brtypes,
                               std::vector<tbs_dbid_t>& elements, std::vector<tbs_dbid_t>& crdes) {
  return repo::with_store(vob, [&](Store& s) -> int {
    std::map<tbs_dbid_t, tbs_dbid_t> found;
    for (tbs_dbid_t brtype : brtypes) {
      Query q = s.query(sql::kBranchElemsCrdes);
      q.bind(1, id(brtype));
      while (q.next())
        found[dbid_at(q, 0)] = dbid_at(q, 1);
      if (q.status() != 0)
        return q.status();
    }
    elements.clear();
    crdes.clear();
    for (const auto& [element, crde] : found) {
      elements.push_back(element);
      crdes.push_back(crde);
    }
    return TBS_ST_OK;
  });
}

int vob_branch_create(vob_vob_h vob, tbs_dbid_t version, tbs_dbid_t brtype,
                      const vob_event_info_t* event, tbs_dbid_t* branch) {
  tbs_dbid_t made = 0;
  int status = repo::in_txn(vob, [&](Store& s) -> int {
    VersionRow from;
    ObjectRow type;
    int st = repo::need_version(vob, s, version, from);
    if (st == 0)
      st = repo::need_type(vob, s, brtype, VOB_MTYPE_BRANCH_TYPE, type);
    if (st == 0 && from.checked_out()) {
      std::string name;
      repo::version_name(s, from, name);
      imsg_print(IMSG_ERROR, tbs_msg::VersionElementVOBChecked, name.c_str(), from.element,
                 vob->tag.c_str());
      st = TBS_ST_ERROR;
    }
    if (st == 0)
      st = repo::check_unlocked(vob, s, from.element);
    if (st == 0)
      st = repo::check_not_locked(vob, s, brtype);
    if (st == 0)
      st = repo::make_branch(s, from.element, brtype, version, event, &made);
    if (st == TBS_ST_EXISTS)
      imsg_print(IMSG_ERROR, tbs_msg::ElementVOBAlreadyBranch, from.element, vob->tag.c_str(),
                 type.name.c_str());
    // Version 0 of the new branch is a copy of the version it sprouts from.
    VersionRow zero = from;
    zero.branch = made;
    zero.number = 0;
    zero.predecessor = version;
    tbs_dbid_t made_version = 0;
    if (st == 0)
      st = repo::make_version(s, zero, version, event, &made_version);
    return st;
  });
  if (status == 0 && branch != nullptr)
    *branch = made;
  return status;
}
