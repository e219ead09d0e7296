// What the versioned-file families share (elements, branches, versions,
// directories, types, labels): rows of their tables, the making of elements,
// branches and versions inside a caller's transaction, branch paths and
// version names, content storage and the checks every writing call makes.
#ifndef REPOSITORY_VOB_ELEM_INTERNAL_H
#define REPOSITORY_VOB_ELEM_INTERNAL_H

#include <string>

#include "repository/vob_internal.h"
#include "services/vob_elem.h"

namespace repo {

// Entries of the tbs catalog (repository/tbs.msg) these families print.
namespace elem_msg {
inline constexpr int kNameTaken = 52;  // (kind, name)
inline constexpr int kVersionCheckedOut = 93;
inline constexpr int kAlreadyIncremental = 96;
inline constexpr int kWrongKind = 105;
inline constexpr int kNotDirectory = 106;
}  // namespace elem_msg

// A row of the elements table.
struct ElementRow {
  tbs_dbid_t dbid = 0;
  int eltype = 0;
  tbs_dbid_t crde = 0;
  bool is_dir() const { return eltype == VOB_ELTYPE_DIRECTORY; }
};

// A row of the branches table; parent_version is 0 for the main branch.
struct BranchRow {
  tbs_dbid_t dbid = 0;
  tbs_dbid_t element = 0;
  tbs_dbid_t brtype = 0;
  tbs_dbid_t parent_version = 0;
};

// A row of the versions table with its element's kind.
struct VersionRow {
  tbs_dbid_t dbid = 0;
  tbs_dbid_t element = 0;
  tbs_dbid_t branch = 0;
  int number = -1;  // -1 while checked out
  tbs_dbid_t predecessor = 0;
  std::string content;  // content hash of a file version
  long size = 0;
  bool is_dir = false;
  bool checked_out() const { return number < 0; }
};

// Readers: 1002 when `dbid` is not an object of that kind.
int read_element(Store& store, tbs_dbid_t dbid, ElementRow& row);
int read_branch(Store& store, tbs_dbid_t dbid, BranchRow& row);
int read_version(Store& store, tbs_dbid_t dbid, VersionRow& row);
// A local type object of metatype `mtype`: 1002 when `dbid` is none.
int read_type(Store& store, tbs_dbid_t dbid, vob_mtype_t mtype, ObjectRow& row);

// The same readers for writing calls: a missing object or one of another
// kind prints a message naming what was expected, then gives 1002.
int need_element(vob_vob_h vob, Store& store, tbs_dbid_t dbid, ElementRow& row);
int need_branch(vob_vob_h vob, Store& store, tbs_dbid_t dbid, BranchRow& row);
int need_version(vob_vob_h vob, Store& store, tbs_dbid_t dbid, VersionRow& row);
int need_type(vob_vob_h vob, Store& store, tbs_dbid_t dbid, vob_mtype_t mtype, ObjectRow& row);
// A directory version: 1070 (after a message) for a file version.
int need_dir_version(vob_vob_h vob, Store& store, tbs_dbid_t dbid, VersionRow& row);
// A checked-out version: 1001 (after a message) when it is checked in.
int need_checkout(vob_vob_h vob, Store& store, tbs_dbid_t dbid, VersionRow& row);

// The local branch type "main" of the VOB.
int main_brtype(Store& store, tbs_dbid_t* brtype);
// The main branch of an element.
int main_branch(Store& store, tbs_dbid_t element, tbs_dbid_t* branch);
// The latest checked-in version of a branch (1002 when none).
int latest_version(Store& store, tbs_dbid_t branch, tbs_dbid_t* version);

// Stores `content` once under its hash; `hash` is filled.
int store_content(Store& store, const std::string& content, std::string& hash);

// Makes a branch of `brtype` of `element` sprouting from `parent_version`
// (0: the main branch).
int make_branch(Store& store, tbs_dbid_t element, tbs_dbid_t brtype, tbs_dbid_t parent_version,
                const vob_event_info_t* event, tbs_dbid_t* branch);
// Makes the version `row` describes (its dbid is ignored; number -1 makes a
// checkout); a directory version gets the entries of `entries_from` (0: none).
// `oid` (null: a fresh one) lets a caller name the version in another VOB
// before it exists.
int make_version(Store& store, const VersionRow& row, tbs_dbid_t entries_from,
                 const vob_event_info_t* event, tbs_dbid_t* version,
                 const tbs_oid_t* oid = nullptr);
// Makes the element records of the existing object `element`: its kind and
// CRDE, its main branch and version 0 (an empty file or directory).
int make_element_records(Store& store, tbs_dbid_t element, int eltype, tbs_dbid_t crde,
                         const vob_event_info_t* event);
// Makes a new element object of `eltype` with its records; a CRDE of
// `kSelfCrde` marks the element as its own.
inline constexpr tbs_dbid_t kSelfCrde = static_cast<tbs_dbid_t>(-1);
int make_element(Store& store, int eltype, tbs_dbid_t crde, const vob_event_info_t* event,
                 tbs_dbid_t* element);
// What a new VOB needs for versioned files: the branch type "main" and the
// root directory's main branch with version 0. Runs inside the creation's
// transaction, after the root directory object is made.
int init_versioned_files(Store& store, const vob_event_info_t* event);

// "/main/dev" of a branch.
int branch_path(Store& store, tbs_dbid_t branch, std::string& path);
// "/main/dev/3" or "/main/dev/CHECKEDOUT".
int version_name(Store& store, const VersionRow& row, std::string& name);

// 1004 (after a message) unless `name` can name a directory entry: not
// empty, at most 255 bytes, no "/", not "." or "..".
int check_entry_name(const char* name);
// 1040 (after a message) when the element, the branch or its branch type
// (each when given) or the VOB is locked for the current user.
int check_unlocked(vob_vob_h vob, Store& store, tbs_dbid_t element, tbs_dbid_t branch = 0);

// Adds name -> element to directory version `dir` (1003 after a message
// when the name is taken there).
int add_entry(vob_vob_h vob, Store& store, const VersionRow& dir, const char* name,
              tbs_dbid_t element);
// The branch of `element` with path `path` ("/main/dev"): 1004 for a
// malformed path, 1002 when the element has no such branch.
int resolve_branch(Store& store, tbs_dbid_t element, const std::string& path, tbs_dbid_t* branch);
// Catalogues `element` under `name` in a new checked-in version of the VOB
// root directory's main branch (and in its checkout, when it has one and
// the name is free there). 1003 when the name names another element; 0
// without a new version when it already names `element`.
int catalogue_in_root(vob_vob_h vob, Store& store, const char* name, tbs_dbid_t element,
                      const vob_event_info_t* event);

// Records an event of `kind` on `obj` (as record_event) that an element's
// history shows as `action` (vob_hist_action) with `detail`.
int record_action(Store& store, tbs_dbid_t obj, int kind, const vob_event_info_t* event, int action,
                  const std::string& detail);

}  // namespace repo

#endif  // REPOSITORY_VOB_ELEM_INTERNAL_H
