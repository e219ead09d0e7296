// Views: a registry entry (tag, UUID, owner, attributes), a view storage
// directory (the view's database: config spec, its identity, loaded versions,
// checkouts) and a view root in which the selected versions appear as
// ordinary files: "<view root>/<vob tag without slash>/<path>".
//
// Snapshot views copy in what their load rules name when updated, and record
// when their config spec changed since (`view_needs_update`). Dynamic views
// show every visible element of every VOB and are refreshed whenever their
// config spec changes and whenever a command touches them (view_refresh).
// Checked-out files are writable files in the view root; everything else is
// read-only. The current view is the one whose root holds a path.
//
// Statuses as in services/vob.h; 1004 for a malformed config spec (after a
// message naming the line), 1002 for an unknown tag, UUID or path.
#ifndef SERVICES_VIEW_H
#define SERVICES_VIEW_H

#include <string>
#include <vector>

#include "services/cspec.h"
#include "services/vob.h"

struct view_server_t;
// A handle on a view; made by the view_get_handle_* calls and freed by
// view_free_handle.
using view_server_h = view_server_t*;

enum view_kind : int {
  VIEW_SNAPSHOT = 1,
  VIEW_DYNAMIC = 2,
};

// What view_create makes.
struct view_create_args_t {
  std::string tag;           // letters, digits, "-", "_", "."
  std::string root;          // the view root directory (must not exist or be empty)
  std::string storage_path;  // "" means <KORVANE_HOME>/views/<tag>.vws
  int kind = VIEW_DYNAMIC;
  std::string attributes;  // registry attribute text: "sumview", "webview", "automatic", ...
};

// A registered view.
struct view_entry_t {
  std::string tag;
  std::string uuid;  // text form
  std::string owner;
  std::string root;
  std::string storage_path;
  int kind = VIEW_DYNAMIC;
  std::string attributes;
};

// Makes a view with the default config spec ("element * CHECKEDOUT" then
// "element * /main/LATEST"); a dynamic view is loaded at once. 1003 when the
// tag is taken, the root is not empty or the storage exists; 1004 for a
// malformed tag or an empty root; each after a message. 1003 also when the
// root is another view's root, lies inside one or encloses one (the message
// names that view's tag). On failure nothing is left behind. `view` may be
// null when no handle is wanted.
int view_create(const view_create_args_t& args, view_server_h* view);
// Removes the view: its tag, storage and root; 1001 (after a message) when
// it holds checkouts, unless `force`, which uncheckouts them first. 1051
// (after a message, nothing touched) unless the current user owns the view
// or is privileged (view_check_owner).
int view_remove(const char* tag, int force);
// Every registered view, by tag.
int view_list(std::vector<view_entry_t>& views);
// Whether the current user may work in the view: a view belongs to its
// owner, and only the owner or a privileged user (services/rgy.h) may
// remove it, change versions through it (check out, check in, cancel a
// checkout, make elements, change names) or set its current activity. 0
// when allowed; otherwise 1051 after a message naming `action` (completing
// "No permission to ... view"), the view and its owner.
int view_check_owner(view_server_h view, const char* action);

int view_get_handle_by_tag(const char* tag, view_server_h* view);
int view_get_handle_by_uuid(const char* uuid, view_server_h* view);
// The view whose root holds `path` (a file or directory); 1002 when none.
int ws_get_view_by_ws_root(const char* path, view_server_h* view);
int view_dup_handle(view_server_h view, view_server_h* copy);
void view_free_handle(view_server_h view);

int view_get_entry(view_server_h view, view_entry_t* entry);
int view_tag(view_server_h view, std::string& tag);
int view_get_uuid(view_server_h view, std::string& uuid);
int view_get_path(view_server_h view, std::string& root);

// Properties readable with view_getprop.
enum view_property : int {
  VIEW_PROP_KIND = 1,        // "snapshot" or "dynamic"
  VIEW_PROP_ATTRIBUTES = 2,  // the registry attribute text
  VIEW_PROP_NEEDS_UPDATE =
      3,                    // "1" when a snapshot view's config spec changed since its last update
  VIEW_PROP_SUM_VIEW = 10,  // "1" when the attributes hold "sumview", else "0"
  VIEW_PROP_WEB_VIEW = 11,  // "1" when the attributes hold "webview", else "0"
  VIEW_PROP_CSPEC_IDENTITY = 12,  // the identity line of the config spec's zem block, "" when none
  VIEW_PROP_AUTOMATIC = 14,       // "1" when the attributes hold "automatic", else "0"
  VIEW_PROP_STREAM = 15,  // universal selector of the stream the view is attached to, "" when none
};
// 1004 (after a message) for another property number.
int view_getprop(view_server_h view, int property, std::string& value);

// The config spec text.
int view_get_config_spec(view_server_h view, std::string& text);
// Parses and stores a new config spec (nothing changes when it is malformed),
// then refreshes a dynamic view or marks a snapshot view as needing an update.
int view_set_spec(view_server_h view, const std::string& text);
// The parsed config spec.
int view_get_cspec(view_server_h view, cspec_t& cspec);

// Brings the view root up to date with the config spec: a snapshot view loads
// what its load rules name, a dynamic view everything visible. Checked-out
// files are left as they are. `changed` counts files written or removed.
int view_update(view_server_h view, int* changed);
// Refreshes a dynamic view (a snapshot view is left alone): what commands
// call before they work in a view. Only the VOBs that changed since the view
// last showed them whole are walked (each VOB counts its committed writes),
// so a refresh of a view whose VOBs and config spec did not change reads
// one number per VOB; files of the view changed by hand are put right by
// view_update, not here.
int view_refresh(view_server_h view);
int view_needs_update(view_server_h view, int* needs);
// The load state of a view: whether it is a snapshot view, and whether its
// files lag behind its config spec (a snapshot view whose config spec
// changed since its last update; never a dynamic view).
struct view_frz_state_t {
  int snapshot = 0;
  int needs_update = 0;
};
int view_get_load_info(view_server_h view, view_frz_state_t* state);

// ---- paths in a view ------------------------------------------------------------------

// What a path of a view names.
struct view_path_info_t {
  vob_vob_h vob = nullptr;
  tbs_dbid_t element = 0;  // 0 for the VOB directory's parent (the view root)
  tbs_dbid_t version = 0;  // the selected version; 0 when no rule selects one
  int rule = -1;           // the config spec rule that chose it
  std::string rule_text;
  std::string vob_path;   // "/vobtag/dir/file"
  std::string file_path;  // the file in the view root
  int checked_out = 0;    // the selected version is a checkout of this view
  int is_dir = 0;
};

// Resolves a path (absolute, or relative to the current directory, inside
// the view root; or a view path "/vobtag/dir/file" of a registered VOB) in
// the view: through the selected versions of the directories on the way.
// The view root itself gives element 0 and is_dir 1. 1002 (silently) when
// the path is outside the view or a component is not visible.
int view_lookup(view_server_h view, const char* path, view_path_info_t* info);
// The view's path of an element of `vob` ("/vobtag/dir/file"): the first
// directory path under which the selected directory versions catalogue it;
// 1002 when the view does not show it.
int view_elem_path(view_server_h view, vob_vob_h vob, tbs_dbid_t element, std::string& path);
// The entries of a directory the view shows, with their selections, by
// name; entries no rule selects come with version 0. For the view root: the
// root directories of the registered VOBs. 1070 for a file.
int view_readdir_ext(view_server_h view, const char* path, std::vector<view_path_info_t>& entries);
// The entries of `dir_version`, any version of the directory element at
// `path` (an older one, say), with the selections the view makes for them
// under `path`, by name. 1070 for a file, 1004 when `dir_version` is not a
// version of that element.
int view_readdir_version(view_server_h view, const char* path, tbs_dbid_t dir_version,
                         std::vector<view_path_info_t>& entries);

// ---- changing versions through a view ------------------------------------------------

// Checks out the element at `path`: from the version the config spec selects,
// on the branch its -mkbranch names (made if missing) or else the selected
// version's branch. 1001 (after a message) for -nocheckout, for an element
// already checked out in this view, for a branch reserved elsewhere, for a
// -mkbranch type no VOB defines, and in a snapshot view for a path its load
// rules do not cover. The file becomes writable in the view root.
int view_checkout(view_server_h view, const char* path, const char* comment, tbs_dbid_t* version);
// Checks in the checkout at `path` with the content of the view's file. On
// failure the checkout and the file stay as they were.
int view_checkin(view_server_h view, const char* path, const char* comment, tbs_dbid_t* version);
// Removes the checkout at `path`; the view's file is restored to the selected
// version; with `keep` its content is first saved as "<file>.keep" (or
// "<file>.keep.N", the first N free, when that exists).
int view_uncheckout(view_server_h view, const char* path, int keep);
// The element kind view_mkelem takes for a file whose type its first content
// decides (vob_eltype_of_content): a binary file is made never merged, any
// other file (an empty one, or one with no view-private file yet) text.
inline constexpr int VIEW_ELTYPE_FILE_BY_CONTENT = 0;
// Creates an element at `path` in the (checked-out) parent directory,
// checked out in this view unless `checkin` (then version /main/1 holds the
// file's content, or is empty). An existing view-private file at `path`
// becomes the first content. `eltype` is a vob_eltype or
// VIEW_ELTYPE_FILE_BY_CONTENT; 1004 for anything else. 1001 when the parent
// is not checked out.
int view_mkelem(view_server_h view, const char* path, int eltype, const char* comment, int checkin,
                tbs_dbid_t* element);
// Bulk forms of the four calls above, for many paths of one view: each path
// is done as its single form does it, with the same checks and messages, and
// the work is grouped in batches so that each VOB (and the view's database)
// commits once per batch of paths rather than once per path. A path that
// fails leaves nothing of itself behind and does not stop the others; a
// crash leaves every path of a batch either done or not begun. `results`
// has one entry per path, in order: its status and what it made (the
// checkout, the version checked in, the new element; 0 for uncheckouts).
// Answers 0 when every path succeeded, else the first failing path's status.
// Paths inside a directory made earlier in the same call are done after it.
struct view_path_result_t {
  std::string path;
  int status = 0;
  tbs_dbid_t dbid = 0;
};
int view_checkout_many(view_server_h view, const std::vector<std::string>& paths,
                       const char* comment, std::vector<view_path_result_t>& results);
int view_checkin_many(view_server_h view, const std::vector<std::string>& paths,
                      const char* comment, std::vector<view_path_result_t>& results);
int view_uncheckout_many(view_server_h view, const std::vector<std::string>& paths, int keep,
                         std::vector<view_path_result_t>& results);
int view_mkelem_many(view_server_h view, const std::vector<std::string>& paths, int eltype,
                     const char* comment, int checkin, std::vector<view_path_result_t>& results);

// Removes the name at `path` from its parent directory's checkout in this
// view (the next version of the directory lacks it once checked in); the
// element, its versions and older directory versions stay. The view stops
// showing it: the scope of the parent directory is brought in line. 1001
// (after a message naming the path) when the parent is not checked out in
// this view, when the view holds a checkout of the element or of anything
// below it, and for a VOB root directory; 1002 when `path` is not visible.
int view_rmname(view_server_h view, const char* path, const char* comment);
// Renames or moves the element at `from` within its VOB, in one
// transaction of the VOB: `to` names an existing directory (the element
// keeps its name inside it) or a new path whose parent directory takes it.
// Both parent directories must be checked out in this view (one when they
// are the same). The view's files (checkouts included, with their edits)
// move along and both parents' scopes are brought in line, so the view
// shows the element at its new path only. 1001 (after a message) for a
// parent not checked out, a target in another VOB, a directory moved into
// itself or below itself, and a VOB root directory; 1003 when the new path
// is taken (an element or a view-private file); 1002 when `from` is not
// visible; 1004 for a bad name.
int view_rename(view_server_h view, const char* from, const char* to, const char* comment);
// The checkouts this view holds: VOB, checked-out version, view path.
struct view_ckout_t {
  vob_vob_h vob = nullptr;
  tbs_dbid_t version = 0;
  std::string path;
};
int view_list_checkouts(view_server_h view, std::vector<view_ckout_t>& checkouts);

// ---- stream binding ------------------------------------------------------------------

// A view is attached to at most one stream of a project VOB. The PVOB keeps
// the attachments (view UUID to stream), so that a stream's views can be
// listed (vob_zem_stream_next_views, services/vob_zem_stream.h) and removing
// a stream removes them; the view keeps the stream's universal selector as
// its property VIEW_PROP_STREAM and "sumview" among its registry attributes.
// Attaching writes the PVOB first and then the view (a failure there undoes
// the PVOB's record); detaching clears the view first. Removing a view
// (view_remove) detaches it.

// Attaches the view to stream `stream` of `pvob`, recording a modify event
// with `event` on the stream. Attaching it again to the same stream is 0
// without a change; 1001 (after a message) when it is attached to another
// stream; 1004 when `stream` is not a stream; 1040 when the stream is locked.
int vob_utl_view_set_stream(view_server_h view, vob_vob_h pvob, tbs_dbid_t stream,
                            const vob_event_info_t* event);
// Detaches the view from its stream; 1002 when it is attached to none. A
// stream (or PVOB) that no longer exists only clears the view's side.
int vob_utl_view_clear_stream(view_server_h view, const vob_event_info_t* event);
// The stream the view is attached to; 1002 when none (or when that stream
// no longer exists).
int vob_utl_view_get_stream(view_server_h view, vob_vob_h* pvob, tbs_dbid_t* stream);

// ---- the layer above ------------------------------------------------------------------

// Questions the view service asks the ZEM layer before it changes versions
// in a view attached to a stream. The layer installs them once (a null
// member, or nothing installed, means "allowed"); the view service knows
// nothing else of it.
struct view_zem_entry_points_t {
  // Whether `element` of `vob` may be checked out in `view`: `zem_view` 1
  // when the layer treats the view as attached to a stream, `allowed` 1 when
  // it may. A refusal prints its reasons; a nonzero status stops the
  // checkout with that status.
  int (*checkouts_allowed)(view_server_h view, vob_vob_h vob, tbs_dbid_t element, int flags,
                           int* zem_view, int* allowed) = nullptr;
};
// Installs the entry points (copied); null uninstalls them.
void view_register_zem_entry_points(const view_zem_entry_points_t* entry_points);

#endif  // SERVICES_VIEW_H
