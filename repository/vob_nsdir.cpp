// Directory versions: their name-space entries, changed only while checked
// out, and the component entries of the VOB root directory, which are
// changed by new checked-in versions so that no view needs the root checked
// out.
#include "repository/sql.h"
#include "repository/vob_elem_internal.h"

namespace {

using repo::dbid_at;
using repo::ElementRow;
using repo::id;
using repo::Query;
using repo::Store;
using repo::VersionRow;
namespace elem_msg = repo::elem_msg;
namespace sql = repo::sql;

// A directory version that may change: 1001 (after a message) unless checked out.
int need_dir_checkout(vob_vob_h vob, Store& s, tbs_dbid_t dbid, VersionRow& row) {
  int status = repo::need_dir_version(vob, s, dbid, row);
  if (status == 0 && !row.checked_out()) {
    std::string name;
    repo::version_name(s, row, name);
    imsg_print(IMSG_ERROR, tbs_msg::DirectoryVersionElementVOB, name.c_str(), row.element,
               vob->tag.c_str());
    status = TBS_ST_ERROR;
  }
  return status;
}

// The element named `name` in directory version `dir`; 0 when absent.
int entry_of(Store& s, tbs_dbid_t dir, const char* name, tbs_dbid_t* element) {
  *element = 0;
  Query q = s.query(sql::kDirEntryGet);
  q.bind(1, id(dir)).bind(2, name);
  if (q.next())
    *element = dbid_at(q, 0);
  return q.status();
}

void entry_absent(vob_vob_h vob, Store& s, const VersionRow& dir, const char* name) {
  std::string dir_name;
  repo::version_name(s, dir, dir_name);
  imsg_print(IMSG_ERROR, tbs_msg::NameNotDirectoryVersion, name, dir_name.c_str(), dir.element,
             vob->tag.c_str());
}

// The element `name` names in directory version `dir`: 1002 after a
// message when the name is absent.
int named_entry(vob_vob_h vob, Store& s, const VersionRow& dir, const char* name,
                tbs_dbid_t* element) {
  int status = entry_of(s, dir.dbid, name, element);
  if (status == 0 && *element == 0) {
    entry_absent(vob, s, dir, name);
    status = TBS_ST_NOT_FOUND;
  }
  return status;
}

// 1003 after a message when `name` is taken in directory version `dir`.
int name_free(vob_vob_h vob, Store& s, const VersionRow& dir, const char* name) {
  tbs_dbid_t taken = 0;
  int status = entry_of(s, dir.dbid, name, &taken);
  if (status != 0 || taken == 0)
    return status;
  std::string dir_name;
  repo::version_name(s, dir, dir_name);
  imsg_print(IMSG_ERROR, tbs_msg::NameAlreadyTakenDirectory, name, dir_name.c_str(), dir.element,
             vob->tag.c_str());
  return TBS_ST_EXISTS;
}

// Records a rename on the directory versions it changed (one rename, or a
// move out and a move in) and on the element.
int record_rename(Store& s, tbs_dbid_t from_dir, tbs_dbid_t to_dir, tbs_dbid_t element,
                  const char* from_name, const char* to_name, const vob_event_info_t* event) {
  std::string detail = std::string(from_name) + " -> " + to_name;
  int status = 0;
  if (from_dir == to_dir) {
    status = repo::record_action(s, from_dir, VOB_EVENT_MODIFY, event, VOB_HIST_RENAME, detail);
  } else {
    status = repo::record_action(s, from_dir, VOB_EVENT_MODIFY, event, VOB_HIST_MOVEOUT, detail);
    if (status == 0)
      status = repo::record_action(s, to_dir, VOB_EVENT_MODIFY, event, VOB_HIST_MOVEIN, detail);
  }
  return status != 0
             ? status
             : repo::record_action(s, element, VOB_EVENT_RENAME, event, VOB_HIST_RENAME, detail);
}

// What a change of the root directory's components starts from: the root's
// main branch, its latest version and its checkout (0 when none).
struct RootState {
  VersionRow latest;
  tbs_dbid_t checkout = 0;
};

int root_state(vob_vob_h vob, Store& s, RootState& root) {
  tbs_dbid_t element = 0;
  tbs_dbid_t branch = 0;
  tbs_dbid_t latest = 0;
  int status = repo::well_known(s, VOB_WK_ROOT_DIRECTORY, &element);
  if (status == 0)
    status = repo::check_unlocked(vob, s, element);
  if (status == 0)
    status = repo::main_branch(s, element, &branch);
  if (status == 0)
    status = repo::latest_version(s, branch, &latest);
  if (status == 0)
    status = repo::read_version(s, latest, root.latest);
  if (status != 0)
    return status;
  Query q = s.query(sql::kVersionCheckedOut);
  q.bind(1, id(branch));
  if (q.next())
    root.checkout = dbid_at(q, 0);
  return q.status();
}

// Makes the next checked-in version of the root's main branch, holding the
// entries of the latest; `made` is filled.
int next_root_version(Store& s, const RootState& root, const vob_event_info_t* event,
                      VersionRow& made) {
  made = root.latest;
  made.predecessor = root.latest.dbid;
  Query q = s.query(sql::kVersionNextNumber);
  q.bind(1, id(root.latest.branch));
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_INTERNAL;
  made.number = q.integer(0);
  return repo::make_version(s, made, root.latest.dbid, event, &made.dbid);
}

}  // namespace

namespace repo {

int catalogue_in_root(vob_vob_h vob, Store& store, const char* name, tbs_dbid_t element,
                      const vob_event_info_t* event) {
  RootState root;
  int status = root_state(vob, store, root);
  tbs_dbid_t named = 0;
  if (status == 0)
    status = entry_of(store, root.latest.dbid, name, &named);
  if (status != 0 || named == element)
    return status;
  if (named != 0) {
    std::string dir_name;
    version_name(store, root.latest, dir_name);
    imsg_print(IMSG_ERROR, tbs_msg::NameAlreadyTakenDirectory, name, dir_name.c_str(),
               root.latest.element, vob->tag.c_str());
    return TBS_ST_EXISTS;
  }
  VersionRow made;
  status = next_root_version(store, root, event, made);
  if (status == 0)
    status = add_entry(vob, store, made, name, element);
  // A checkout of the root keeps what it catalogues; a free name there gets
  // the component too, so checking it in does not drop the component.
  tbs_dbid_t in_checkout = 0;
  if (status == 0 && root.checkout != 0)
    status = entry_of(store, root.checkout, name, &in_checkout);
  if (status == 0 && root.checkout != 0 && in_checkout == 0)
    status = store.query(sql::kDirEntryInsert)
                 .bind(1, id(root.checkout))
                 .bind(2, name)
                 .bind(3, id(element))
                 .run();
  return status;
}

}  // namespace repo

int vob_nsdir_next_entries(vob_vob_h vob, tbs_dbid_t dir_version, size_t offset, size_t max,
                           std::vector<vob_nsdir_entry_t>& entries) {
  if (max == 0)
    return TBS_ST_BAD_ARGUMENT;
  return repo::with_store(vob, [&](Store& s) -> int {
    VersionRow row;
    int status = repo::read_version(s, dir_version, row);
    if (status == 0 && !row.is_dir)
      status = TBS_ST_NOT_DIRECTORY;
    if (status != 0)
      return status;
    entries.clear();
    Query q = s.query(sql::kDirEntriesPage);
    q.bind(1, id(dir_version))
        .bind(2, static_cast<int64_t>(max))
        .bind(3, static_cast<int64_t>(offset));
    while (q.next())
      entries.push_back({q.text(0), dbid_at(q, 1)});
    return q.status();
  });
}

int vob_nsdir_lookup(vob_vob_h vob, tbs_dbid_t dir_version, const char* name, tbs_dbid_t* element) {
  if (name == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return repo::with_store(vob, [&](Store& s) -> int {
    VersionRow row;
    int status = repo::read_version(s, dir_version, row);
    if (status == 0 && !row.is_dir)
      status = TBS_ST_NOT_DIRECTORY;
    tbs_dbid_t found = 0;
    if (status == 0)
      status = entry_of(s, dir_version, name, &found);
    if (status == 0 && found == 0)
      status = TBS_ST_NOT_FOUND;
    if (status == 0)
      *element = found;
    return status;
  });
}

int vob_nsdir_add_entry(vob_vob_h vob, tbs_dbid_t dir_version, const char* name, tbs_dbid_t element,
                        const vob_event_info_t* event) {
  int status = repo::check_entry_name(name);
  if (status != 0)
    return status;
  return repo::in_txn(vob, [&](Store& s) -> int {
    VersionRow dir;
    ElementRow added;
    int st = need_dir_checkout(vob, s, dir_version, dir);
    if (st == 0)
      st = repo::need_element(vob, s, element, added);
    if (st == 0)
      st = repo::check_unlocked(vob, s, dir.element);
    if (st == 0)
      st = repo::add_entry(vob, s, dir, name, element);
    return st != 0 ? st
                   : repo::record_action(s, dir_version, VOB_EVENT_MODIFY, event, VOB_HIST_ADDNAME,
                                         name);
  });
}

int vob_nsdir_remove_entry(vob_vob_h vob, tbs_dbid_t dir_version, const char* name,
                           const vob_event_info_t* event) {
  int status = repo::check_entry_name(name);
  if (status != 0)
    return status;
  return repo::in_txn(vob, [&](Store& s) -> int {
    VersionRow dir;
    tbs_dbid_t element = 0;
    int st = need_dir_checkout(vob, s, dir_version, dir);
    if (st == 0)
      st = repo::check_unlocked(vob, s, dir.element);
    if (st == 0)
      st = named_entry(vob, s, dir, name, &element);
    if (st == 0)
      st = s.query(sql::kDirEntryDelete).bind(1, id(dir_version)).bind(2, name).run();
    // Both the directory's history and the element's show the removal.
    if (st == 0)
      st = repo::record_action(s, dir_version, VOB_EVENT_MODIFY, event, VOB_HIST_RMNAME, name);
    return st != 0
               ? st
               : repo::record_action(s, element, VOB_EVENT_MODIFY, event, VOB_HIST_RMNAME, name);
  });
}

int vob_nsdir_rename_entry(vob_vob_h vob, tbs_dbid_t from_dir_version, const char* from_name,
                           tbs_dbid_t to_dir_version, const char* to_name,
                           const vob_event_info_t* event) {
  int status = repo::check_entry_name(from_name);
  if (status == 0)
    status = repo::check_entry_name(to_name);
  if (status != 0)
    return status;
  return repo::in_txn(vob, [&](Store& s) -> int {
    VersionRow from;
    VersionRow to;
    tbs_dbid_t element = 0;
    int st = need_dir_checkout(vob, s, from_dir_version, from);
    if (st == 0)
      st = need_dir_checkout(vob, s, to_dir_version, to);
    if (st == 0)
      st = repo::check_unlocked(vob, s, from.element);
    if (st == 0 && to.element != from.element)
      st = repo::check_unlocked(vob, s, to.element);
    if (st == 0)
      st = named_entry(vob, s, from, from_name, &element);
    if (st == 0)
      st = name_free(vob, s, to, to_name);
    if (st == 0)
      st = s.query(sql::kDirEntryDelete).bind(1, id(from.dbid)).bind(2, from_name).run();
    if (st == 0)
      st = repo::add_entry(vob, s, to, to_name, element);
    return st != 0 ? st : record_rename(s, from.dbid, to.dbid, element, from_name, to_name, event);
  });
}

int vob_nsdir_define_component(vob_vob_h vob, const char* name, tbs_dbid_t element,
                               const vob_event_info_t* event) {
  int status = repo::check_entry_name(name);
  if (status != 0)
    return status;
  return repo::in_txn(vob, [&](Store& s) -> int {
    ElementRow row;
    int st = repo::need_element(vob, s, element, row);
    if (st == 0 && !row.is_dir()) {
      imsg_print(IMSG_ERROR, tbs_msg::ObjectVOBNotDirectory, element, vob->tag.c_str(),
                 "file element");
      st = TBS_ST_NOT_DIRECTORY;
    }
    return st != 0 ? st : repo::catalogue_in_root(vob, s, name, element, event);
  });
}

int vob_nsdir_undefine_component(vob_vob_h vob, const char* name, const vob_event_info_t* event) {
  int status = repo::check_entry_name(name);
  if (status != 0)
    return status;
  return repo::in_txn(vob, [&](Store& s) -> int {
    RootState root;
    tbs_dbid_t element = 0;
    int st = root_state(vob, s, root);
    if (st == 0)
      st = entry_of(s, root.latest.dbid, name, &element);
    if (st == 0 && element == 0) {
      entry_absent(vob, s, root.latest, name);
      st = TBS_ST_NOT_FOUND;
    }
    VersionRow made;
    if (st == 0)
      st = next_root_version(s, root, event, made);
    if (st == 0)
      st = s.query(sql::kDirEntryDelete).bind(1, id(made.dbid)).bind(2, name).run();
    // The root's checkout loses the entry too when it names the same element.
    tbs_dbid_t in_checkout = 0;
    if (st == 0 && root.checkout != 0)
      st = entry_of(s, root.checkout, name, &in_checkout);
    if (st == 0 && in_checkout == element)
      st = s.query(sql::kDirEntryDelete).bind(1, id(root.checkout)).bind(2, name).run();
    return st;
  });
}
