// Versioned files: element types, elements, branch types and branches,
// versions and their contents, directory name spaces, label types and labels,
// version maps of baselines, checkouts, merge arrows and component root
// directory marks.
//
// Model. An element (a file element, metatype 5, or a directory element,
// metatype 2) has branches; each branch is an instance of a branch type and
// holds versions numbered from 0 (version 0 of a branch other than main is a
// copy of the version it sprouted from). Every element has the branch "main"
// with version 0 (an empty file or an empty directory). A version's content is
// stored once per content hash (file versions) or as name-space entries, name
// to element (directory versions); what a directory shows therefore depends on
// the version selected. A checkout is a version object on its branch without a
// number ("CHECKEDOUT"), reserved (at most one per branch), recorded with the
// view and the checkout event; check-in gives it the next number and keeps its
// dbid; uncheckout removes it. A checked-out directory version holds its own
// entries, so creating an element catalogues it there.
//
// Branch types are global in the admin VOB (the top of the VOB's admin chain)
// with a local copy in each VOB that uses them, linked from the local copy by
// a hyperlink of well-known type 24 (GlobalDefinition); a VOB without an admin
// VOB keeps its own.
//
// Versions are named by "extended paths": "<path>@@/main/dev/3". Statuses as
// in services/vob.h; 1040 locked, 1070 not a directory, 1003 an entry or
// object of that name exists, 1001 a refusal explained by a printed message.
// A dbid that names no object of the kind a call needs gives 1002 (writing
// calls print a message naming what was expected). Writing calls print the
// reason of every refusal and change nothing when they fail.
#ifndef SERVICES_VOB_ELEM_H
#define SERVICES_VOB_ELEM_H

#include <cstddef>
#include <string>
#include <vector>

#include "services/vob.h"

// ---- types ----------------------------------------------------------------------

// Branch types. vob_brtype_create makes the global type (in the admin VOB
// when the VOB has one) and the local copy in `vob`; `dbid` is the local copy.
// 1003 when the name is taken in `vob` or in the admin VOB (a type the admin
// VOB has already is copied with vob_brtype_create_with_pop).
int vob_brtype_create(vob_vob_h vob, const char* name, const vob_event_info_t* event,
                      tbs_dbid_t* dbid);
// The local copy of branch type `name` in `vob`, made from the global type
// (found in `vob` or its admin VOBs) when missing ("with pop": populate).
// 1002 when no VOB of the hierarchy has the type.
int vob_brtype_create_with_pop(vob_vob_h vob, const char* name, const vob_event_info_t* event,
                               tbs_dbid_t* dbid);
// The local copy, without making one (1002 when missing).
int vob_brtype_lookup(vob_vob_h vob, const char* name, tbs_dbid_t* dbid);
// The branches of a local branch type, in creation order.
int vob_brtype_next_objs(vob_vob_h vob, tbs_dbid_t brtype, std::vector<tbs_dbid_t>& branches);
// The same in chunks: at most `max` branches from position `offset`;
// `branches` is replaced, and fewer than `max` mean the end.
int vob_brtype_next_objs(vob_vob_h vob, tbs_dbid_t brtype, size_t offset, size_t max,
                         std::vector<tbs_dbid_t>& branches);
// A branch of a branch type, as a merge from that branch looks for it.
struct vob_branch_tip_t {
  tbs_dbid_t element = 0;
  tbs_dbid_t branch = 0;
  tbs_dbid_t version = 0;   // the branch's version asked for; 0 when it has none
  int is_dir = 0;           // the element is a directory
  std::string branch_path;  // "/main/dev"
};
// Every branch of local branch type `brtype` with its version numbered
// `number` (-1: its latest checked-in version), by element; and in `dirs`,
// by dbid, the directory elements that catalogue one of those elements in
// any of their versions, and those that catalogue such directories in turn:
// every directory that can lie on the way to one of them in a view. Two
// reads of the VOB, whatever its size. 1002 when `brtype` is not a branch
// type of `vob`; nothing is filled on failure.
int vob_brtype_find_tips(vob_vob_h vob, tbs_dbid_t brtype, int number,
                         std::vector<vob_branch_tip_t>& tips, std::vector<tbs_dbid_t>& dirs);
// Removes branch type `brtype` of `vob` with the hyperlinks at it. A global
// type takes its local copies in other VOBs with it (copies first, each in
// its own VOB's transaction, then the global type), so what remains at any
// moment is a global type with fewer copies. 1001 (after a message naming
// the type, the VOB and the count) while the type or one of its copies has
// branches, and for "main"; 1040 when a type or its VOB is locked. The
// removal is recorded on each VOB object.
int vob_brtype_delete(vob_vob_h vob, tbs_dbid_t brtype, const vob_event_info_t* event);

// Label types (local to `vob`): one label per element at most. 1003 when the
// name is taken.
int vob_lbtype_create(vob_vob_h vob, const char* name, const vob_event_info_t* event,
                      tbs_dbid_t* dbid);
// 0 when this replica masters the label type (may label with it); 1001
// after a message naming the master replica otherwise.
int vob_lbtype_check_modmaster(vob_vob_h vob, tbs_dbid_t lbtype);

// ---- elements ---------------------------------------------------------------------

// The kinds of element.
enum vob_eltype : int {
  VOB_ELTYPE_FILE = 1,
  VOB_ELTYPE_DIRECTORY = 2,
  // A binary file: its versions are never merged. A merge that only one side
  // changed copies that side; one both sides changed waits for the user to
  // pick a side (services/cmd_findmerge.h).
  VOB_ELTYPE_FILE_NEVER_MERGE = 3,
};

// How many leading bytes of a file tell a binary file from text.
inline constexpr size_t VOB_BINARY_PROBE_BYTES = 8000;
// The element type a file with first content `content` is made with:
// VOB_ELTYPE_FILE_NEVER_MERGE when its first VOB_BINARY_PROBE_BYTES bytes
// hold a NUL byte, else VOB_ELTYPE_FILE (an empty file is text).
int vob_eltype_of_content(const std::string& content);

// One entry of a directory version.
struct vob_nsdir_entry_t {
  std::string name;
  tbs_dbid_t element = 0;
};

// Creates an element named `name` in the checked-out directory version
// `dir_version` (1001 when it is not checked out, 1070 for a file version,
// 1003 when the name is taken, 1004 for a bad name or kind), with branch main
// and version 0; its creation event carries `event`. The new element belongs
// to the component of its directory: its CRDE is the directory's.
int vob_elem_create(vob_vob_h vob, tbs_dbid_t dir_version, const char* name, int eltype,
                    const vob_event_info_t* event, tbs_dbid_t* element);
// As vob_elem_create for a directory that is also marked as its own
// component root directory (CRDE). `dir_version` 0 catalogues it in the VOB
// root directory as vob_nsdir_define_component does (a new checked-in
// version of the root), in the same transaction.
int vob_elem_create_cat_crde(vob_vob_h vob, tbs_dbid_t dir_version, const char* name,
                             const vob_event_info_t* event, tbs_dbid_t* element);
// Removes an element with its branches and versions, and every entry naming
// it in checked-out directory versions (checked-in directory versions keep
// their history and then name a missing element, which views skip). Marks
// naming it as CRDE are cleared, and its versions leave the change sets
// that hold them; the removal is recorded on the VOB object.
// 1001 when it has checkouts or is the VOB root directory.
int vob_elem_delete(vob_vob_h vob, tbs_dbid_t element, const vob_event_info_t* event);
// The element's kind (vob_eltype) and main branch.
int vob_elem_get_eltype(vob_vob_h vob, tbs_dbid_t element, int* eltype);
int vob_elem_get_main_branch(vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t* branch);
// The branch of branch type `brtype` (a local copy) of the element; 1002 when none.
int vob_elem_get_branch(vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t brtype, tbs_dbid_t* branch);
// Component root directory mark: the CRDE (a directory element, possibly the
// element itself) whose component the element belongs to; 0 when unmarked.
int vob_elem_get_crde(vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t* crde);
int vob_elem_set_crde(vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t crde,
                      const vob_event_info_t* event);
// The checkouts of an element (checked-out version dbids, in branch order).
int vob_elem_next_ckouts(vob_vob_h vob, tbs_dbid_t element, std::vector<tbs_dbid_t>& versions);

// ---- branches and versions ----------------------------------------------------------

// Details of a version.
struct vob_ver_details_t {
  tbs_dbid_t element = 0;
  tbs_dbid_t branch = 0;
  tbs_dbid_t brtype = 0;  // local branch type of the branch
  int number = -1;        // -1 while checked out
  tbs_dbid_t predecessor = 0;
  int checked_out = 0;
  int is_dir = 0;
  int eltype = 0;            // the element's kind (vob_eltype)
  std::string branch_path;   // "/main/dev"
  std::string content_hash;  // file versions: the hash of the content; "" for directories
  long size = 0;             // file versions: bytes
};

// A branch's version: `number` >= 0, or -1 for the latest checked-in
// version. 1002 when there is no such version.
int vob_branch_get_ver(vob_vob_h vob, tbs_dbid_t branch, int number, tbs_dbid_t* version);
// The checked-out version of a branch; 1002 when none.
int vob_branch_get_ckout_ver(vob_vob_h vob, tbs_dbid_t branch, tbs_dbid_t* version);
// The checked-in versions of a branch, by number.
int vob_branch_next_vers(vob_vob_h vob, tbs_dbid_t branch, std::vector<tbs_dbid_t>& versions);
// Branch path "/main/dev" of a branch.
int vob_branch_get_path(vob_vob_h vob, tbs_dbid_t branch, std::string& path);
// The branch with path `path` ("/main/dev") of an element; 1002 when none.
int vob_elem_lookup_branch(vob_vob_h vob, tbs_dbid_t element, const char* path, tbs_dbid_t* branch);
// For the branches of branch types `brtypes` (local copies): the elements that
// have such a branch and their CRDEs (0 when unmarked), in element order.
int vob_branch_get_elems_crdes(vob_vob_h vob, const std::vector<tbs_dbid_t>& brtypes,
                               std::vector<tbs_dbid_t>& elements, std::vector<tbs_dbid_t>& crdes);
// Makes a branch of `brtype` sprouting from the checked-in `version`
// (version 0 of the new branch copies it; 1001 for a checkout). 1003 when
// the element already has a branch of the type.
int vob_branch_create(vob_vob_h vob, tbs_dbid_t version, tbs_dbid_t brtype,
                      const vob_event_info_t* event, tbs_dbid_t* branch);

int vob_ver_get_details(vob_vob_h vob, tbs_dbid_t version, vob_ver_details_t* details);
int vob_ver_is_checked_out(vob_vob_h vob, tbs_dbid_t version, int* checked_out);
// The element of each version.
int vob_ver_get_elems(vob_vob_h vob, const std::vector<tbs_dbid_t>& versions,
                      std::vector<tbs_dbid_t>& elements);
// The version named by an extended version name of `element`: "/main/dev/3",
// "/main/dev/LATEST" (latest checked-in) or "/main/dev/CHECKEDOUT". 1004
// (after a message) for a malformed name, 1002 when there is no such version.
int vob_ver_lookup(vob_vob_h vob, tbs_dbid_t element, const char* version_name,
                   tbs_dbid_t* version);
// "/main/dev/3", or "/main/dev/CHECKEDOUT" for a checkout.
int vob_ver_get_name(vob_vob_h vob, tbs_dbid_t version, std::string& name);
// The contents of a file version (a checkout: the content it was checked out
// with, until check-in gives it the view's content). 1004 for a directory
// version.
int vob_ver_read_content(vob_vob_h vob, tbs_dbid_t version, std::string& content);

// ---- directories ----------------------------------------------------------------------

// Entries of a directory version, sorted by name, `max` at a time from
// `offset`; fewer than `max` means the end.
int vob_nsdir_next_entries(vob_vob_h vob, tbs_dbid_t dir_version, size_t offset, size_t max,
                           std::vector<vob_nsdir_entry_t>& entries);
// The element named `name` in a directory version; 1002 when absent.
int vob_nsdir_lookup(vob_vob_h vob, tbs_dbid_t dir_version, const char* name, tbs_dbid_t* element);
// Adds or removes a name in a checked-out directory version (1001 when it is
// not checked out; 1003 / 1002 when the name is taken / absent).
int vob_nsdir_add_entry(vob_vob_h vob, tbs_dbid_t dir_version, const char* name, tbs_dbid_t element,
                        const vob_event_info_t* event);
int vob_nsdir_remove_entry(vob_vob_h vob, tbs_dbid_t dir_version, const char* name,
                           const vob_event_info_t* event);
// Renames an entry in one transaction: the element named `from_name` in the
// checked-out directory version `from_dir_version` leaves it and enters the
// checked-out directory version `to_dir_version` (the same version for a
// rename within one directory) as `to_name`. The element, its versions and
// the checked-in directory versions are untouched, so older directory
// versions keep the old name. Recorded on each directory version (a rename,
// or a move out and a move in) and on the element. 1001 when a directory
// version is not checked out, 1002 when `from_name` is absent, 1003 when
// `to_name` is taken (the same name in the same directory included), 1004
// for a bad name or when the element would catalogue itself; each after a
// message. Whether the target directory lies below the element in some
// view is a question of paths that the caller answers.
int vob_nsdir_rename_entry(vob_vob_h vob, tbs_dbid_t from_dir_version, const char* from_name,
                           tbs_dbid_t to_dir_version, const char* to_name,
                           const vob_event_info_t* event);
// Catalogues an existing top-level directory `element` as a component under
// `name` in the VOB root directory, or removes that entry: the root
// directory's main branch gets a new checked-in version with the change, so no
// view needs the root checked out. A checkout of the root's main branch gets
// the same change (when the name is free there, or names the same element),
// so its check-in keeps it. Defining a name that already names `element` is
// 0 without a new version; 1003 when it names another element, 1070 when
// `element` is not a directory; undefining an absent name is 1002.
int vob_nsdir_define_component(vob_vob_h vob, const char* name, tbs_dbid_t element,
                               const vob_event_info_t* event);
int vob_nsdir_undefine_component(vob_vob_h vob, const char* name, const vob_event_info_t* event);

// ---- checkouts and check-ins ----------------------------------------------------------------

// What a checkout records.
struct vob_ckout_info_t {
  tbs_dbid_t version = 0;      // the checked-out version
  tbs_dbid_t predecessor = 0;  // the version it was checked out from
  std::string view_uuid;       // the view holding it
  std::string user;
  long time = 0;
  std::string comment;  // the checkout event's comment, kept by check-in
  long event_id = 0;
};

// Checks out `branch` (reserved): 1040 when the element, the branch or its
// branch type is locked, 1001 (after a message naming the view that holds
// it) when the branch is already checked out, 1004 for an empty view UUID.
// The new version's content (or a directory's entries) is the predecessor's:
// `from_version` (any checked-in version of the element, 1004 for another
// element's; 0: the branch's latest). The checkout is recorded by an event
// of kind VOB_EVENT_CHECKOUT on the new version.
int vob_ver_checkout(vob_vob_h vob, tbs_dbid_t branch, tbs_dbid_t from_version,
                     const char* view_uuid, const vob_event_info_t* event, tbs_dbid_t* version);
// As vob_ver_checkout, recording the checkout in the change set of
// `activity` (either form) of project VOB `pvob`: the PVOB's side of the
// entry is written first, then the checkout and its entry in one
// transaction of `vob`. 1002 / 1004 (after a message) when `activity` is
// not an activity of `pvob`, 1040 when it is locked. On failure no checkout
// and no entry exist.
int vob_ver_checkout_in_activity(vob_vob_h vob, tbs_dbid_t branch, tbs_dbid_t from_version,
                                 const char* view_uuid, vob_vob_h pvob, tbs_dbid_t activity,
                                 const vob_event_info_t* event, tbs_dbid_t* version);
// 1002 when `version` is not checked out.
int vob_ver_get_ckout_info(vob_vob_h vob, tbs_dbid_t version, vob_ckout_info_t* info);
// Checks in a checkout: a file takes `content` (null: keeps the content it
// has); a directory keeps its entries (1004 when given content). The version
// gets the next number of its branch and keeps its dbid; the check-in is
// recorded as a VOB_EVENT_CREATE event of the version, whose comment is the
// checkout event's unless `event` has a non-empty one. 1001 when `version` is
// not checked out. Its change-set entries (services/vob_zem_activity.h)
// become checked-in entries in the same transaction.
int vob_ver_checkin(vob_vob_h vob, tbs_dbid_t version, const std::string* content,
                    const vob_event_info_t* event);
// Removes a checkout (and its directory entries, and its change-set
// entries with their hyperlinks); 1001 when not checked out.
// Elements created in a cancelled directory checkout stay, catalogued in no
// directory version. The removal is recorded on the branch.
int vob_ver_uncheckout(vob_vob_h vob, tbs_dbid_t version, const vob_event_info_t* event);

// Records a merge arrow from version `from` to `to`, two versions of one
// element of `vob` (1004 otherwise); recording an existing arrow again is 0.
int vob_ver_add_merge(vob_vob_h vob, tbs_dbid_t from, tbs_dbid_t to, const vob_event_info_t* event);
// The versions merged into `to`.
int vob_ver_get_merges_into(vob_vob_h vob, tbs_dbid_t to, std::vector<tbs_dbid_t>& from);

// One version of an element's version graph.
struct vob_ver_edges_t {
  tbs_dbid_t version = 0;
  tbs_dbid_t predecessor = 0;           // 0 for /main/0
  std::vector<tbs_dbid_t> merged_from;  // versions of the same element merged into it
};
// Every version of `element` (checkouts included) with its predecessor and
// the merge arrows into it from versions of the element, by dbid: the graph
// common ancestors are found in, in one read. 1002 when `element` is not an
// element of `vob`.
int vob_elem_get_version_graph(vob_vob_h vob, tbs_dbid_t element,
                               std::vector<vob_ver_edges_t>& versions);

// ---- history ---------------------------------------------------------------------------

// What an event of an element's history did. The numbers are stored with
// the events: never renumber them.
enum vob_hist_action : int {
  VOB_HIST_MKELEM = 1,      // the element was made
  VOB_HIST_MKBRANCH = 2,    // a branch other than main was made
  VOB_HIST_CHECKOUT = 3,    // detail: the version checked out from ("" when recorded before)
  VOB_HIST_CHECKIN = 4,     // the version got its number
  VOB_HIST_UNCHECKOUT = 5,  // a checkout of the branch was cancelled
  VOB_HIST_LABEL = 6,       // detail: the label type
  VOB_HIST_MERGE = 7,       // detail: the version merged from
  VOB_HIST_ADDNAME = 8,     // directory version: detail the name added
  VOB_HIST_RMNAME = 9,      // directory version or element: detail the name removed
  VOB_HIST_RENAME = 10,     // directory version or element: detail "old -> new"
  VOB_HIST_MOVEOUT = 11,    // directory version: detail "old -> new", moved to another directory
  VOB_HIST_MOVEIN = 12,     // directory version: detail "old -> new", moved from another directory
};

// One event of an element's history.
struct vob_hist_event_t {
  long id = 0;  // increases with time within one VOB
  tbs_dbid_t element = 0;
  tbs_dbid_t branch = 0;     // 0 for an event of the element itself
  tbs_dbid_t version = 0;    // 0 for an event of the element or of a branch
  int action = 0;            // vob_hist_action
  std::string branch_path;   // "/main/dev"; "" for an event of the element
  std::string version_name;  // "/main/3" or "/main/CHECKEDOUT"; "" unless a version's
  std::string detail;        // as vob_hist_action says
  long time = 0;             // seconds since the epoch
  long usec = 0;
  std::string user;
  std::string comment;
  // The activity whose change set holds the version; null and 0 when none
  // (or when its project VOB is not registered here).
  vob_vob_h activity_pvob = nullptr;
  tbs_dbid_t activity = 0;
};

// The history of `elements` (each with its branches and versions), newest
// first, from time `since` (seconds since the epoch; 0: all of it): one
// read of the VOB whatever the number of elements, plus one look-up per
// distinct activity. An element that does not exist contributes nothing.
// `events` is replaced.
int vob_elem_get_history(vob_vob_h vob, const std::vector<tbs_dbid_t>& elements, long since,
                         std::vector<vob_hist_event_t>& events);

// ---- labels and version maps ------------------------------------------------------------------

// Attaches label type `lbtype` to each version (replacing the label of the
// same type on another version of the element); 1040 when the type is locked,
// 1001 for a checkout or a type mastered elsewhere, 1004 for two versions of
// one element.
int vob_ver_add_labels(vob_vob_h vob, tbs_dbid_t lbtype, const std::vector<tbs_dbid_t>& versions,
                       const vob_event_info_t* event);
// The version of `element` labelled with `lbtype`; 1002 when none. For a
// version map this is the version of its configuration (following bases),
// as vob_vermap_lookup_version.
int vob_lbtype_lookup_version(vob_vob_h vob, tbs_dbid_t lbtype, tbs_dbid_t element,
                              tbs_dbid_t* version);
// Every labelled version of a label type, in element order (for a version
// map: its configuration).
int vob_lbtype_get_versions(vob_vob_h vob, tbs_dbid_t lbtype, std::vector<tbs_dbid_t>& versions);

// A version map: a label type recording the configuration of a baseline.
// An incremental map holds only the versions given to it; looking up an
// element falls back to the maps it is based on (newest first). A full map
// holds the whole configuration itself.
struct vob_vermap_info_t {
  int incremental = 1;
  std::vector<tbs_dbid_t> based_on;  // earlier maps (label types) of the same VOB, newest first
};
// Creates a version map named `name` from `versions` (checked in, one per
// element). 1004 when a base is not a version map or a full map has bases.
int vob_vermap_create(vob_vob_h vob, const char* name, const std::vector<tbs_dbid_t>& versions,
                      const vob_vermap_info_t& info, const vob_event_info_t* event,
                      tbs_dbid_t* vermap);
// 1002 when `vermap` is not a version map.
int vob_vermap_get_info(vob_vob_h vob, tbs_dbid_t vermap, vob_vermap_info_t* info);
// Makes an incremental map full: copies every version it resolves through
// its bases into itself and drops the bases. A full map is left as it is.
int vob_vermap_promote(vob_vob_h vob, tbs_dbid_t vermap, const vob_event_info_t* event);
// The version of `element` in the map (following bases); 1002 when none.
int vob_vermap_lookup_version(vob_vob_h vob, tbs_dbid_t vermap, tbs_dbid_t element,
                              tbs_dbid_t* version);
// Turns an existing label type into a (full) version map (0 when it is one
// already; 1001 for an incremental map), or makes a copy of its
// configuration as a new full map named `name`.
int vob_vermap_import_lbtype(vob_vob_h vob, tbs_dbid_t lbtype, const vob_event_info_t* event);
int vob_vermap_import_lbtype_copy(vob_vob_h vob, tbs_dbid_t lbtype, const char* name,
                                  const vob_event_info_t* event, tbs_dbid_t* vermap);
// Labels every version of the map's configuration with label type `lbtype`.
// With `lbtype` the map itself, the map becomes an ordinary label type
// holding its configuration.
int vob_vermap_export_lbtype(vob_vob_h vob, tbs_dbid_t vermap, tbs_dbid_t lbtype,
                             const vob_event_info_t* event);

#endif  // SERVICES_VOB_ELEM_H
