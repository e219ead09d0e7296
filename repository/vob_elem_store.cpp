// Building blocks of the versioned-file families: reading their rows,
// making elements, branches and versions inside a caller's transaction,
// branch paths, version names, contents and the checks of writing calls.
#include <cstring>

#include "repository/sha256.h"
#include "repository/sql.h"
#include "repository/vob_elem_internal.h"

namespace repo {

namespace {

void wrong_kind(vob_vob_h vob, tbs_dbid_t dbid, const char* expected) {
  KORVANE_ASSERT(vob != nullptr);
  imsg_print(IMSG_ERROR, tbs_msg::ObjectNotA, dbid, vob->tag.c_str(), expected);
}

}  // namespace

int read_element(Store& store, tbs_dbid_t dbid, ElementRow& row) {
  Query q = store.query(sql::kElementGet);
  q.bind(1, id(dbid));
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
  row.dbid = dbid;
  row.eltype = q.integer(0);
  row.crde = dbid_at(q, 1);
  return TBS_ST_OK;
}

int read_branch(Store& store, tbs_dbid_t dbid, BranchRow& row) {
  Query q = store.query(sql::kBranchGet);
  q.bind(1, id(dbid));
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
  row.dbid = dbid;
  row.element = dbid_at(q, 0);
  row.brtype = dbid_at(q, 1);
  row.parent_version = dbid_at(q, 2);
  return TBS_ST_OK;
}

int read_version(Store& store, tbs_dbid_t dbid, VersionRow& row) {
  {
    Query q = store.query(sql::kVersionGet);
    q.bind(1, id(dbid));
    if (!q.next())
      return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
    row.dbid = dbid;
    row.element = dbid_at(q, 0);
    row.branch = dbid_at(q, 1);
    row.number = q.is_null(2) ? -1 : q.integer(2);
    row.predecessor = dbid_at(q, 3);
    row.content = q.text(4);
    row.size = static_cast<long>(q.int64(5));
  }
  ElementRow element;
  int status = read_element(store, row.element, element);
  if (status == 0)
    row.is_dir = element.is_dir();
  return status == TBS_ST_NOT_FOUND ? TBS_ST_INTERNAL : status;
}

int read_type(Store& store, tbs_dbid_t dbid, vob_mtype_t mtype, ObjectRow& row) {
  int status = read_object(store, dbid, row);
  if (status == 0 && row.mtype != mtype)
    status = TBS_ST_NOT_FOUND;
  return status;
}

int need_element(vob_vob_h vob, Store& store, tbs_dbid_t dbid, ElementRow& row) {
  int status = read_element(store, dbid, row);
  if (status == TBS_ST_NOT_FOUND)
    wrong_kind(vob, dbid, "element");
  return status;
}

int need_branch(vob_vob_h vob, Store& store, tbs_dbid_t dbid, BranchRow& row) {
  int status = read_branch(store, dbid, row);
  if (status == TBS_ST_NOT_FOUND)
    wrong_kind(vob, dbid, "branch");
  return status;
}

int need_version(vob_vob_h vob, Store& store, tbs_dbid_t dbid, VersionRow& row) {
  int status = read_version(store, dbid, row);
  if (status == TBS_ST_NOT_FOUND)
    wrong_kind(vob, dbid, "version");
  return status;
}

int need_type(vob_vob_h vob, Store& store, tbs_dbid_t dbid, vob_mtype_t mtype, ObjectRow& row) {
  int status = read_type(store, dbid, mtype, row);
  if (status == TBS_ST_NOT_FOUND)
    wrong_kind(vob, dbid, mtype == VOB_MTYPE_BRANCH_TYPE ? "branch type" : "label type");
  return status;
}

int need_dir_version(vob_vob_h vob, Store& store, tbs_dbid_t dbid, VersionRow& row) {
  int status = read_version(store, dbid, row);
  if (status == TBS_ST_NOT_FOUND)
    wrong_kind(vob, dbid, "directory version");
  if (status == 0 && !row.is_dir) {
    imsg_print(IMSG_ERROR, tbs_msg::ObjectVOBNotDirectory, dbid, vob->tag.c_str(), "file version");
    status = TBS_ST_NOT_DIRECTORY;
  }
  return status;
}

int need_checkout(vob_vob_h vob, Store& store, tbs_dbid_t dbid, VersionRow& row) {
  int status = need_version(vob, store, dbid, row);
  if (status == 0 && !row.checked_out()) {
    std::string name;
    version_name(store, row, name);
    imsg_print(IMSG_ERROR, tbs_msg::VersionElementVOBNot, name.c_str(), row.element,
               vob->tag.c_str());
    status = TBS_ST_ERROR;
  }
  return status;
}

int main_brtype(Store& store, tbs_dbid_t* brtype) {
  Query q = store.query(sql::kVobInfoGet);
  q.bind(1, "main_brtype");
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_INTERNAL;
  *brtype = static_cast<tbs_dbid_t>(std::strtoul(q.text(0).c_str(), nullptr, 10));
  return *brtype != 0 ? TBS_ST_OK : TBS_ST_INTERNAL;
}

int main_branch(Store& store, tbs_dbid_t element, tbs_dbid_t* branch) {
  Query q = store.query(sql::kBranchMain);
  q.bind(1, id(element));
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
  *branch = dbid_at(q, 0);
  return TBS_ST_OK;
}

int latest_version(Store& store, tbs_dbid_t branch, tbs_dbid_t* version) {
  Query q = store.query(sql::kVersionLatest);
  q.bind(1, id(branch));
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
  *version = dbid_at(q, 0);
  return TBS_ST_OK;
}

int store_content(Store& store, const std::string& content, std::string& hash) {
  std::string h = sha256_hex(content);
  int status = store.query(sql::kContentInsert)
                   .bind(1, h)
                   .bind_blob(2, content.data(), content.size())
                   .run();
  if (status == 0)
    hash = h;
  return status;
}

int make_branch(Store& store, tbs_dbid_t element, tbs_dbid_t brtype, tbs_dbid_t parent_version,
                const vob_event_info_t* event, tbs_dbid_t* branch) {
  NewObject object;
  object.mtype = VOB_MTYPE_BRANCH;
  object.type = brtype;
  tbs_dbid_t made = 0;
  int status = insert_object(store, object, event, &made);
  if (status == 0)
    status = store.query(sql::kBranchInsert)
                 .bind(1, id(made))
                 .bind(2, id(element))
                 .bind(3, id(brtype))
                 .bind(4, id(parent_version))
                 .run();
  if (status == 0)
    *branch = made;
  return status;
}

int make_version(Store& store, const VersionRow& row, tbs_dbid_t entries_from,
                 const vob_event_info_t* event, tbs_dbid_t* version, const tbs_oid_t* oid) {
  NewObject object;
  object.mtype = row.is_dir ? VOB_MTYPE_DIRECTORY_VERSION : VOB_MTYPE_FILE_VERSION;
  object.oid = oid;
  tbs_dbid_t made = 0;
  int status = insert_object(store, object, event, &made);
  if (status != 0)
    return status;
  Query q = store.query(sql::kVersionInsert);
  q.bind(1, id(made)).bind(2, id(row.element)).bind(3, id(row.branch));
  if (row.number < 0)
    q.bind_null(4);
  else
    q.bind(4, static_cast<int64_t>(row.number));
  q.bind(5, id(row.predecessor));
  if (row.is_dir)
    q.bind_null(6);
  else
    q.bind(6, row.content);
  q.bind(7, static_cast<int64_t>(row.size));
  status = q.run();
  if (status == 0 && row.is_dir && entries_from != 0)
    status = store.query(sql::kDirEntriesCopy).bind(1, id(entries_from)).bind(2, id(made)).run();
  if (status == 0)
    *version = made;
  return status;
}

int make_element_records(Store& store, tbs_dbid_t element, int eltype, tbs_dbid_t crde,
                         const vob_event_info_t* event) {
  int status = store.query(sql::kElementInsert)
                   .bind(1, id(element))
                   .bind(2, static_cast<int64_t>(eltype))
                   .bind(3, id(crde))
                   .run();
  tbs_dbid_t brtype = 0;
  if (status == 0)
    status = main_brtype(store, &brtype);
  VersionRow zero;
  zero.element = element;
  zero.number = 0;
  zero.is_dir = eltype == VOB_ELTYPE_DIRECTORY;
  if (status == 0)
    status = make_branch(store, element, brtype, 0, event, &zero.branch);
  if (status == 0 && !zero.is_dir)
    status = store_content(store, std::string(), zero.content);
  tbs_dbid_t version = 0;
  if (status == 0)
    status = make_version(store, zero, 0, event, &version);
  return status;
}

int make_element(Store& store, int eltype, tbs_dbid_t crde, const vob_event_info_t* event,
                 tbs_dbid_t* element) {
  NewObject object;
  object.mtype =
      eltype == VOB_ELTYPE_DIRECTORY ? VOB_MTYPE_DIRECTORY_ELEMENT : VOB_MTYPE_FILE_ELEMENT;
  tbs_dbid_t made = 0;
  int status = insert_object(store, object, event, &made);
  if (status == 0)
    status = make_element_records(store, made, eltype, crde == kSelfCrde ? made : crde, event);
  if (status == 0)
    *element = made;
  return status;
}

int init_versioned_files(Store& store, const vob_event_info_t* event) {
  NewObject main;
  main.mtype = VOB_MTYPE_BRANCH_TYPE;
  main.name = "main";
  tbs_dbid_t brtype = 0;
  int status = insert_object(store, main, event, &brtype);
  if (status == 0)
    status =
        store.query(sql::kVobInfoSet).bind(1, "main_brtype").bind(2, std::to_string(brtype)).run();
  tbs_dbid_t root = 0;
  if (status == 0)
    status = well_known(store, VOB_WK_ROOT_DIRECTORY, &root);
  if (status == 0)
    status = make_element_records(store, root, VOB_ELTYPE_DIRECTORY, 0, event);
  return status;
}

int branch_path(Store& store, tbs_dbid_t branch, std::string& path) {
  std::string built;
  // Branches nest as deep as versions sprout; the bound only stops a cycle
  // that a damaged database could hold.
  for (int depth = 0; depth < 10000; ++depth) {
    BranchRow row;
    ObjectRow type;
    int status = read_branch(store, branch, row);
    if (status == 0)
      status = read_object(store, row.brtype, type);
    if (status != 0)
      return status;
    built = "/" + type.name + built;
    if (row.parent_version == 0) {
      path = built;
      return TBS_ST_OK;
    }
    VersionRow parent;
    status = read_version(store, row.parent_version, parent);
    if (status != 0)
      return status == TBS_ST_NOT_FOUND ? TBS_ST_INTERNAL : status;
    branch = parent.branch;
  }
  return TBS_ST_INTERNAL;
}

int version_name(Store& store, const VersionRow& row, std::string& name) {
  std::string path;
  int status = branch_path(store, row.branch, path);
  if (status == 0)
    name =
        path + "/" + (row.checked_out() ? std::string("CHECKEDOUT") : std::to_string(row.number));
  return status;
}

int check_entry_name(const char* name) {
  if (name == nullptr || *name == '\0') {
    imsg_print(IMSG_ERROR, tbs_msg::NameMustNotEmpty);
    return TBS_ST_BAD_ARGUMENT;
  }
  constexpr int kMaxName = 255;
  if (std::strlen(name) > static_cast<size_t>(kMaxName)) {
    imsg_print(IMSG_ERROR, tbs_msg::NameLongerThanBytes, name, kMaxName);
    return TBS_ST_BAD_ARGUMENT;
  }
  if (std::strchr(name, '/') != nullptr || std::strcmp(name, ".") == 0 ||
      std::strcmp(name, "..") == 0) {
    imsg_print(IMSG_ERROR, tbs_msg::BadEntryName, name);
    return TBS_ST_BAD_ARGUMENT;
  }
  return TBS_ST_OK;
}

int check_unlocked(vob_vob_h vob, Store& store, tbs_dbid_t element, tbs_dbid_t branch) {
  int status = check_not_locked(vob, store, element);
  if (status != 0 || branch == 0)
    return status;
  BranchRow row;
  status = read_branch(store, branch, row);
  if (status == 0)
    status = check_not_locked(vob, store, branch);
  if (status == 0)
    status = check_not_locked(vob, store, row.brtype);
  return status;
}

int add_entry(vob_vob_h vob, Store& store, const VersionRow& dir, const char* name,
              tbs_dbid_t element) {
  if (element == dir.element) {
    imsg_print(IMSG_ERROR, tbs_msg::DirectoryCannotCatalogueItself, element, vob->tag.c_str());
    return TBS_ST_BAD_ARGUMENT;
  }
  int status = store.query(sql::kDirEntryInsert)
                   .bind(1, id(dir.dbid))
                   .bind(2, name)
                   .bind(3, id(element))
                   .run();
  if (status == TBS_ST_EXISTS) {
    std::string dir_name;
    version_name(store, dir, dir_name);
    imsg_print(IMSG_ERROR, tbs_msg::NameAlreadyTakenDirectory, name, dir_name.c_str(), dir.element,
               vob->tag.c_str());
  }
  return status;
}

}  // namespace repo
