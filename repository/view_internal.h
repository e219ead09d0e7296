// What the view service files share: the view handle, the registry's view
// tags, the view's own database, path resolution and materialisation.
//
// A view's storage directory holds "view.db": its identity and config spec
// (view_info), the paths it has written into its root with the version each
// shows (loaded), and the elements it may hold checkouts of (checkouts). The
// VOBs are the truth about checkouts: a checkouts row is written before the
// VOB checkout and removed after the check-in or uncheckout, so a crash leaves
// at most a row without a checkout, which every reader skips. It also holds
// the file merges into its checkouts that left conflicts (pending_merges).
#ifndef REPOSITORY_VIEW_INTERNAL_H
#define REPOSITORY_VIEW_INTERNAL_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "repository/store.h"
#include "services/view.h"
#include "services/vob_elem.h"

// An open view: its registry entry and, once needed, its database.
struct view_server_t {
  view_entry_t entry;
  std::unique_ptr<repo::Store> db;
};

namespace repo {

extern const Schema kViewSchema;

// File name of a view's database inside its storage directory.
inline constexpr const char* kViewDbName = "view.db";
// Modes of what the view writes: versions are read-only files, checkouts
// writable files; directories stay writable for view-private files.
inline constexpr unsigned kReadOnlyMode = 0444;
inline constexpr unsigned kWritableMode = 0644;
inline constexpr unsigned kDirMode = 0755;
// The config spec of a new view.
inline constexpr const char* kDefaultConfigSpec = "element * CHECKEDOUT\nelement * /main/LATEST\n";

// ---- registry: view tags (view_store.cpp) -------------------------------------------

// The entry of a tag or UUID; 1002 (silently) when none.
int rgy_view_by_tag(const std::string& tag, view_entry_t& entry);
int rgy_view_by_uuid(const std::string& uuid, view_entry_t& entry);
int rgy_views(std::vector<view_entry_t>& entries);
// Adds a view tag (1003 after a message when the tag, UUID or root is taken)
// or removes one (1002 when absent). One transaction each.
int rgy_view_add(const view_entry_t& entry);
int rgy_view_remove(const std::string& tag);
// Replaces the attribute text of the view with UUID `uuid` (1002 when
// there is none). One transaction.
int rgy_view_set_attributes(const std::string& uuid, const std::string& attributes);

// ---- who may work in a view, where a view may live (view_access.cpp) -------------------

// The current user's login name.
std::string login();
// 1051 (after a message naming `action`, the view and its owner) unless the
// current user owns the view or is privileged. `action` completes "No
// permission to ... view": "remove", "check out in", ...
int check_view_owner(const view_entry_t& entry, const char* action);
// 1003 (after a message naming the other view's tag) when `root` (absolute,
// normalised) is a registered view's root, lies inside one, or encloses one.
int check_root_apart(const std::string& root);

// ---- the view's database (view_store.cpp) ---------------------------------------------

// Creates the view's database in `storage` with its identity and config spec.
int view_db_create(const std::string& storage, const view_entry_t& entry);
// The handle's database, opened on first use; 1002 after a message when the
// storage is gone.
int view_db(view_server_h view, Store*& db);

int view_info_get(Store& db, const char* key, std::string& value);
int view_info_set(Store& db, const char* key, const std::string& value);

// A path the view has written into its root.
struct LoadedRow {
  std::string path;     // "/vobtag/dir/file"
  std::string replica;  // replica UUID text of the element's VOB
  tbs_dbid_t element = 0;
  tbs_dbid_t version = 0;
  int is_dir = 0;
  int checked_out = 0;  // written as the view's checkout (writable)
  int64_t size = 0;     // what the file looked like when written
  int64_t mtime_ns = 0;
  int64_t inode = 0;
};
// The rows of `scope` and everything under it ("" : every row), by path.
int loaded_under(Store& db, const std::string& scope, std::map<std::string, LoadedRow>& rows);
int loaded_set(Store& db, const LoadedRow& row);
int loaded_delete(Store& db, const std::string& path);
// The paths at which the view wrote an element.
int loaded_paths_of(Store& db, const std::string& replica, tbs_dbid_t element,
                    std::vector<std::string>& paths);

// An element the view may hold a checkout of.
struct CkoutRow {
  std::string replica;
  tbs_dbid_t element = 0;
  std::string path;
};
int ckout_rows(Store& db, std::vector<CkoutRow>& rows);
// Whether the view has a row for `element` of the replica.
int ckout_has_row(Store& db, const std::string& replica, tbs_dbid_t element, bool& has_row);
int ckout_set(Store& db, const CkoutRow& row);
// Forgets the element's checkout row and its pending merge.
int ckout_delete(Store& db, const std::string& replica, tbs_dbid_t element);

// A file merge into one of the view's checkouts that left conflicts and
// whose merge arrow is not recorded yet (the merge service decides whether
// it is still pending: see cmd_findmerge.h).
struct PendingRow {
  std::string replica;
  tbs_dbid_t element = 0;
  tbs_dbid_t checkout = 0;  // the checked-out version that received the merge
  tbs_dbid_t from = 0;      // the version merged
  std::string path;         // "/vobtag/dir/file" when merged
  std::string before_sha;   // SHA-256 (hex) of the checkout's content before the merge
  // The merge waits for a side to be chosen: pending until its arrow is
  // recorded, whatever the file holds.
  bool choose_side = false;
  // pending_set only: the content before the merge, kept when
  // `has_before_content` (else NULL: the checkout's predecessor holds it).
  bool has_before_content = false;
  std::string before_content;
};
// Every row, by path.
int pending_rows(Store& db, std::vector<PendingRow>& rows);
// The element's row; 1002 when none.
int pending_get(Store& db, const std::string& replica, tbs_dbid_t element, PendingRow& row);
// Writes the element's row, replacing the one it had.
int pending_set(Store& db, const PendingRow& row);
int pending_delete(Store& db, const std::string& replica, tbs_dbid_t element);
// The content the element's pending merge started from, when the row keeps
// it (`stored`); 1002 when the element has no row.
int pending_before_content(Store& db, const std::string& replica, tbs_dbid_t element, bool& stored,
                           std::string& content);
// Marks the element's row as waiting for a side to be chosen.
int pending_choose_side(Store& db, const std::string& replica, tbs_dbid_t element);

// The generation of each VOB (by replica UUID text) as of the view's last
// whole walk of it; forgetting replica "" forgets every VOB.
int seen_generations(Store& db, std::map<std::string, int64_t>& seen);
int seen_set(Store& db, const std::string& replica, int64_t generation);
int seen_forget(Store& db, const std::string& replica);

// ---- VOBs and checkouts (view_paths.cpp) ---------------------------------------------

// The replica UUID text of a VOB, and the VOB of such a text.
std::string replica_text(vob_vob_h vob);
int vob_of_replica(const std::string& replica, vob_vob_h* vob);
// The VOBs of the default region, by tag.
int registered_vobs(std::vector<vob_vob_h>& vobs);
// "/vobtag" of a VOB.
std::string vob_tag_of(vob_vob_h vob);
// Every entry of a directory version, by name.
int dir_entries(vob_vob_h vob, tbs_dbid_t dir_version, std::vector<vob_nsdir_entry_t>& entries);
// The view's config spec, parsed.
int load_cspec(view_server_h view, cspec_t& cspec);
// The checkout of `element` this view holds; 1002 when none.
int my_checkout(view_server_h view, vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t* version);

// `path` absolute (from the current directory), with symbolic links of its
// existing part resolved, without "." and "..", without a trailing slash.
std::string absolute_path(const std::string& path);

// The view path ("/vobtag/dir/file", "" for the view root) of a path given
// to a view call: a file-system path under the view root (absolute or
// relative to the current directory) or a view path of a registered VOB.
// 1002 (after a message with `report`) when it is neither.
int to_view_path(view_server_h view, const char* path, bool report, std::string& view_path);

// Resolves a view path through the selected directory versions. With
// `report`, a failure prints why. `info` is filled on success only.
int resolve_path(view_server_h view, const cspec_t& cspec, const std::string& view_path,
                 bool report, view_path_info_t& info);
// view_elem_path, with (when `info` is not null) what view_lookup gives for
// the path found: one resolution of the path instead of two. `info` is
// filled on success only.
int elem_path_info(view_server_h view, vob_vob_h vob, tbs_dbid_t element, std::string& path,
                   view_path_info_t* info);
// Fills `info` for `element` of `vob` seen at `view_path`: selection, kind,
// file path; the evaluator's answer goes to `selection` when not null. 1002
// when the element does not exist.
int describe(view_server_h view, const cspec_t& cspec, vob_vob_h vob, tbs_dbid_t element,
             const std::string& view_path, view_path_info_t& info,
             cspec_selection_t* selection = nullptr);

// ---- changing versions through a view (view_ops.cpp) -----------------------------

// One element of the view, found from a caller's path.
struct Target {
  cspec_t cspec;
  view_path_info_t info;
  std::string replica;
};

// Resolves `path` to a visible element of the view: 1002 after a message
// when it names nothing visible (or the view root).
int find_target(view_server_h view, const char* path, Target& t);

// Whether something (file, directory, link) stands at `path`.
bool exists(const std::string& path);

// Runs `change` in one transaction of the view's database (in_txn of
// repository/store.h).
template <typename F>
int in_view_txn(view_server_h view, F change) {
  Store* db = nullptr;
  int status = view_db(view, db);
  return status != 0 ? status : in_txn(*db, change);
}

// ---- materialisation (view_materialize.cpp) ---------------------------------------------

// Brings `scope` ("" for the whole view) of the view root in line with the
// config spec, the view's checkouts and (snapshot views) its load rules, in
// one transaction of the view's database. `changed` (may be null) counts the
// files and directories written, made or removed.
int sync_view(view_server_h view, const std::string& scope, int* changed);

// Accounts for the view's own changes. Made before a view operation that
// writes VOBs and brings the view's root in line with each change it makes
// (checkouts, check-ins, new elements), and settled after it: for each VOB
// whose only commits in between were this operation's, and whose
// generation the view had seen before, the view records the new generation
// as seen, so that its next refresh does not walk that VOB again.
class OwnChanges {
 public:
  explicit OwnChanges(view_server_h view);
  void settle();

 private:
  struct Before {
    vob_vob_h vob = nullptr;
    int64_t generation = 0;
    int64_t commits = 0;
  };
  view_server_h view_;
  std::map<std::string, Before> before_;  // by replica UUID text
};

// Brings a dynamic view's root in line with what changed since it last
// looked: only the VOBs whose generation moved are walked (every VOB when
// one left the region or the view was never walked whole).
int refresh_view(view_server_h view);

// Writes `content` to `path` through a temporary file and a rename, with mode
// `mode`, and records what the file now looks like in `row`.
int write_view_file(const std::string& path, const std::string& content, unsigned mode,
                    LoadedRow& row);
// Records the current size, time and inode of `path` in `row`; 1002 when absent.
int stat_into(const std::string& path, LoadedRow& row);
// Reads a whole file; a status after a message naming it on failure.
int read_view_file(const std::string& path, std::string& content);
// The other changes views make in their roots, through the process's file
// system (repository/file_system.h); each a status after a message naming
// the path on failure.
int set_view_file_mode(const std::string& path, unsigned mode);
int make_view_dir(const std::string& path);
int remove_view_file(const std::string& path);

}  // namespace repo

#endif  // REPOSITORY_VIEW_INTERNAL_H
