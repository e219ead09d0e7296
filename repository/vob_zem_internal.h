// What the two forms of ZEM objects share (services/vob_zem.h): the tree
// record of an object, the checks every writing call makes, placing,
// listing and removing objects, and the permission rule. Everything here
// runs inside the caller's transaction (writes) or on the caller's store
// (reads).
#ifndef REPOSITORY_VOB_ZEM_INTERNAL_H
#define REPOSITORY_VOB_ZEM_INTERNAL_H

#include <cstddef>
#include <string>
#include <vector>

#include "repository/vob_internal.h"
#include "services/vob_zem.h"

namespace repo {
namespace zem {

// Entries of the tbs catalog (repository/tbs.msg) these families print.
namespace msg {
inline constexpr int kNameTaken = 52;       // (kind, name)
inline constexpr int kWrongKind = 105;      // (dbid, VOB tag, kind)
inline constexpr int kNotProjectVob = 107;  // (VOB tag)
}  // namespace msg

// The lowest feature level with first-class ZEM objects.
inline constexpr int kFirstClassLevel = 7;

// The tree record of an object; defaults when it has none.
struct ZemRow {
  tbs_dbid_t parent = 0;  // 0: none
  std::string title;
  int state = 0;  // 1: active
  unsigned int mod_count = 0;
};

// 0 when `vob` is a project VOB of the wanted form (first-class: feature
// level 7 or higher); 1004 after a message otherwise.
int check_form(vob_vob_h vob, bool first_class);

// Whether an object of metatype `mtype` is one of the first-class ZEM kinds.
bool is_first_class_zem(vob_mtype_t mtype);

// Prints that object `dbid` is not a `kind` ("folder", "activity type").
void print_wrong_kind(vob_vob_h vob, tbs_dbid_t dbid, const char* kind);

// Reads `dbid` and checks its metatype: 1002 when it does not exist, 1004
// when `ok(row)` is false; with `kind`, either prints what was expected.
template <typename Ok>
int need(vob_vob_h vob, Store& s, tbs_dbid_t dbid, const char* kind, Ok ok, ObjectRow& row) {
  int status = dbid == 0 ? TBS_ST_NOT_FOUND : read_object(s, dbid, row);
  if (status == 0 && !ok(row))
    status = TBS_ST_BAD_ARGUMENT;
  if ((status == TBS_ST_NOT_FOUND || status == TBS_ST_BAD_ARGUMENT) && kind != nullptr)
    print_wrong_kind(vob, dbid, kind);
  return status;
}

// The tree record of `obj`.
int read_row(Store& s, tbs_dbid_t obj, ZemRow& row);
// The number of objects placed in `obj`.
int count_children(Store& s, tbs_dbid_t obj, int* count);
// The children of `parent` of metatype `mtype` (0: any), in creation order.
int list_children(Store& s, tbs_dbid_t parent, vob_mtype_t mtype, size_t offset, size_t max,
                  std::vector<tbs_dbid_t>& children);

// Makes a new object (its creation event carrying `event`) placed in
// `parent` (0: none) with `title`; 1003 after message kNameTaken when its
// name is taken. `kind` names the metatype in messages.
int make_object(Store& s, const NewObject& object, const char* kind, tbs_dbid_t parent,
                const char* title, const vob_event_info_t* event, tbs_dbid_t* dbid);

// Moves `obj` (of metatype `mtype`) into `parent` (0: none), recording a
// modify event on it: refuses (1001, after a message) a well-known object
// and a parent that is `obj` or lies below it; 1040 when `obj` or `parent`
// is locked. An object already in `parent` is left alone (0).
int move_object(vob_vob_h vob, Store& s, tbs_dbid_t obj, vob_mtype_t mtype, tbs_dbid_t parent,
                const vob_event_info_t* event);

// Stores the title of `obj` (of metatype `mtype`) with a modify event;
// nothing when it is unchanged. 1040 when `obj` is locked.
int store_title(vob_vob_h vob, Store& s, tbs_dbid_t obj, vob_mtype_t mtype, const char* title,
                const vob_event_info_t* event);

// Removes `obj` with everything that hangs on it and records the removal on
// the VOB object: refuses (1001, after a message) a well-known object and
// one that has children; 1040 when locked.
int remove_object(vob_vob_h vob, Store& s, tbs_dbid_t obj, const vob_event_info_t* event);

// Whether the current user owns `obj`, owns the VOB object or is privileged.
int permission(Store& s, tbs_dbid_t obj, int* allowed);

// The selector of an object for messages ("folder:f@/pvob").
std::string display_name(vob_vob_h vob, tbs_dbid_t obj);

}  // namespace zem
}  // namespace repo

#endif  // REPOSITORY_VOB_ZEM_INTERNAL_H
