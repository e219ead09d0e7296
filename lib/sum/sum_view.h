// SUM_View: the handle of a view. A view attached to a stream shows that
// stream's configuration and has at most one current activity, the one that
// records the versions checked out in it. Also the plain entry points the
// view service and the command tool call (sum_view_*).
//
// A SUM_View is identified by its UUID (null UUID: null view). The view
// server handle is fetched on first need and owned: copies duplicate it,
// destruction frees it. The tag and the view root are remembered once read.
//
// Kinds of view are answered from the view (a view property) or from its
// registry entry (an attribute of the entry's attribute text): a ZEM view
// (property 10, "sumview"), a web view (11, "webview"), an automatic view
// (14, "automatic").
//
// Current activity. In a PVOB with first-class objects the binding is the
// PVOB's current-activity record of the view (vob_zem_view_*); in an older
// PVOB it is the work record of the PVOB's every-user object for the view.
//
// Contracts: a null view (or a null activity where one is needed) records
// an internal error and returns 1072; out-parameters are filled only on
// success; refusals print their message and return 1001; repository
// failures pass up unchanged.
#ifndef SUM_SUM_VIEW_H
#define SUM_SUM_VIEW_H

#include <string>
#include <vector>

#include "services/cmd_findmerge.h"
#include "services/tbs.h"
#include "services/view.h"
#include "services/vob.h"
#include "sum/sum_ids.h"
#include "sum/sum_lists.h"
#include "sum/sum_string.h"
#include "sum/sum_vob.h"

class SUM_Activity;
class SUM_ConfigSpecId;
class SUM_Element;
class SUM_Stream;

class SUM_View {
 public:
  SUM_View();
  // The view of `handle` (its UUID); the handle is duplicated, the caller
  // keeps its own. A null handle gives the null view.
  explicit SUM_View(view_server_h handle);
  SUM_View(const SUM_View& other);
  SUM_View& operator=(const SUM_View& other);
  virtual ~SUM_View();

  // Equal UUIDs.
  bool operator==(const SUM_View& other) const;
  bool operator!=(const SUM_View& other) const { return !(*this == other); }
  int is_null() const;

  // ---- construction ----
  // The view tagged `tag` (remembered); a null tag is 1072, an unknown one
  // 1002.
  static int construct_from_tag(const char* tag, SUM_View& out);
  static int construct_from_uuid(const SUM_Uuid& uuid, SUM_View& out);
  // As SUM_View(handle); `unused` is kept for callers that pass it.
  static int construct_from_handle(view_server_h handle, int unused, SUM_View& out);
  // The view whose root holds `path`; 1002 when none.
  static int construct_from_view_root(const SUM_String& path, SUM_View& out);
  // The view of the process's working directory; 1002 when it is in none.
  static int current_view(SUM_View& out);

  // ---- views in the registry (sum_view_admin.cpp) ----
  // Makes a view (registry entry, storage, root) as `args` describe and
  // sets `out` to it. Failures of the view service (a tag taken, a root
  // that cannot be made) pass up unchanged; nothing is registered then.
  static int create(const view_create_args_t& args, SUM_View& out);
  // The registry entries of every view, replacing `out`.
  static int list(std::vector<view_entry_t>& out);
  // Removes the view tagged `tag`: registry entry, storage and root, and
  // its stream attachment; `force` also cancels its checkouts (without it
  // a view holding checkouts is refused, 1001 after a message). 1051 after
  // a message, nothing touched, unless the current user owns the view or
  // is privileged; 1002 for an unknown tag.
  static int remove(const char* tag, int force);

  // ---- identity and properties ----
  // The cached view server handle (owned by this object: do not free), or
  // a new one from the UUID; a failure prints message 2.
  int handle(view_server_h& out) const;
  // The tag the registry holds for the view.
  int fetch_tag(SUM_String& out) const;
  // The tag; on failure (1001) prints, unless `quiet`, message 1 naming the
  // UUID when the view has no tag, else message 0 with the status text.
  int tag(SUM_String& out, int quiet = 0) const;
  int tag(char (&buf)[256]) const;
  // The tag, else the UUID text; "<null view>" for the null view.
  SUM_String any_name() const;
  int uuid(SUM_Uuid& out) const;
  int uuid(tbs_uuid_t& out) const;
  // The directory the view's files appear in: a snapshot view's root, or
  // the parent of a dynamic view's path.
  int view_root(SUM_String& out) const;
  // The owner recorded in the view's registry entry, and whether that is
  // the current user.
  int owner_by_rgy(SUM_String& out) const;
  int owned_by_me(int& out) const;
  int is_snapshot(int& out) const;
  // The view's path: the root directory its files appear under.
  int path(std::string& out) const;
  // 0 when the current user owns the view (or is privileged); otherwise
  // 1051 after a message naming the view, the owner and `action` ("set the
  // config spec of"): what every command changing the view asks first.
  int check_owner(const char* action) const;
  // Start and stop the view's server. Our views are served in process
  // from their storage and need no server: both check that the view exists
  // and answer 0.
  int start() const;
  int end(int flags) const;

  // Whether the view is attached to a stream (by its stream, below).
  int is_sum_view(int& out) const;
  // The kind by view property `property` ("1" is yes), resp. by the
  // attribute `attribute` among the registry entry's attributes.
  int is_view_type_by_view(int property, int& out) const;
  int is_view_type_by_rgy(const char* attribute, int& out) const;
  int is_sum_view_by_view(int& out) const;
  int is_sum_view_by_rgy(int& out) const;
  int is_web_view_by_view(int& out) const;
  int is_web_view_by_rgy(int& out) const;
  int is_automatic_view_by_view(int& out) const;
  int is_automatic_view_by_rgy(int& out) const;

  // ---- stream binding ----
  // Attaches the view to `stream` (SUM_Stream::add_view).
  int set_stream(const SUM_Stream& stream, const char* comment) const;
  // The stream the view is attached to; 1002 when none.
  int stream(SUM_Stream& out) const;
  int is_attached(const SUM_Stream& stream, int& out) const;
  // Whether the view has a stream (none answers 0).
  int is_sum_view_by_vob(int& out) const;

  // ---- config spec ----
  // The view's config spec text.
  int config_spec(SUM_String& out) const;
  // Loads `text` as the view's config spec (a malformed text is refused by
  // the view service, 1004, and nothing changes). A dynamic view shows the
  // new configuration at once; when the process's working directory no
  // longer exists afterwards, warning 12 (the load still answers 0).
  int set_config_spec(const char* text) const;
  // Sets the config spec to the stream's text (SUM_Stream::config_spec
  // with this view, custom areas kept) when the view does not show the
  // stream's current configuration; 1002 for a view without stream.
  int update_config_spec() const;
  // Sets the stream-independent text (SUM_Stream::generate_null_cspec),
  // custom areas kept; 1002 for a view without stream.
  int set_null_config_spec() const;
  // set_config_spec for a user's command: refused (check_owner, 1051) when
  // the current user may not change the view; a malformed text is 1004 with
  // nothing changed.
  int load_config_spec(const char* text) const;
  // The identity of the loaded config spec (its "identity" line); a null
  // identity when the text has none.
  int config_spec_id(SUM_ConfigSpecId& out) const;
  // Whether a snapshot view must be updated to show its config spec.
  int needs_reload(int& out) const;
  // The view's load state; a failure prints message 5 naming the view.
  int get_freeze_info(view_frz_state_t& out) const;

  // ---- current activity ----
  // The current activity; a null handle (status 0) when none.
  int current_activity(SUM_Activity& out) const;
  // Makes `activity` current. Refusals: a view not attached to a stream
  // (message 15, 1002), an activity of another stream (14, 1001), an
  // integration in progress in the view (31, 1001), the activity already
  // current (6, 1001), a refusing set-activity trigger. `flag` is passed to
  // the task provider; `unused` is kept for callers that pass it.
  int set_activity(const SUM_Activity& activity, const char* comment, int flag,
                   int unused = 0) const;
  // Clears the current activity (none is 0); refused (31, 1001) while an
  // integration is in progress in the view, or by a refusing trigger.
  // `flag` 0 fires the trigger in the stream's project rather than in the
  // stream.
  int unset_activity(int flag, const char* comment) const;
  // 1001 after message 31 when the current activity is an integration
  // activity whose operation is in progress (`has` 1, `activity` that
  // activity); otherwise 0 with `has` 0.
  int has_active_integration_activity(int& has, SUM_Activity& activity) const;
  // Whether the view's stream is bound to the change-request tracker.
  int is_tk_enabled(int& out) const;

  // ---- checkouts and VOBs ----
  // The VOBs holding the view's checkouts, each once, replacing `out`.
  int known_vobs(SUM_VobList& out) const;
  // The versions checked out in view `view` in one VOB, appended to `out`.
  int checkouts_in_vob(vob_vob_h vob, const tbs_uuid_t& view, SUM_VersionList& out) const;
  // The view's checkouts in components of its stream (all checkouts for a
  // view without a stream), replacing `out`.
  int checkouts(SUM_VersionList& out) const;
  int has_checkouts(int& has) const;
  // Removes, for every registered VOB, this view's references; the static
  // form those of the view of `uuid`, registered or not.
  int remove_viewref_all_vobs() const;
  static int remove_viewref_all_vobs(const SUM_Uuid& uuid);

  // ---- what the view shows (sum_view_admin.cpp) ----
  // Brings a dynamic view up to date before a command works in it (only
  // VOBs changed since it last looked are walked); a snapshot view is left
  // as loaded.
  int refresh() const;
  // Brings the view root in line with the config spec (a snapshot view
  // loads what its load rules name); `changed` counts the files written or
  // removed. Checked-out files are left as they are.
  int update(int& changed) const;
  // What `path` (in the view root, or "/vobtag/dir/file") names: its VOB,
  // element, selected version and rule. 1002 when the path is outside the
  // view or not visible; `out` is untouched then.
  int lookup(const char* path, view_path_info_t& out) const;
  // The entries of the directory at `path` with their selections, by name,
  // replacing `out`; 1070 for a file.
  int read_dir(const char* path, std::vector<view_path_info_t>& out) const;
  // The entries of `dir_version` (any version of the directory at `path`)
  // with the view's selections under `path`, replacing `out`; 1070 for a
  // file, 1004 when `dir_version` is not a version of that directory.
  int read_dir_version(const char* path, tbs_dbid_t dir_version,
                       std::vector<view_path_info_t>& out) const;
  // The view path ("/vobtag/dir/file") under which the view shows `element`
  // of `vob`; 1002 when it does not show it.
  int element_path(const SUM_Vob& vob, tbs_dbid_t element, std::string& out) const;

  // ---- changing files through the view (sum_view_files.cpp) ----
  // Bulk check-out, check-in, uncheckout and element creation: each path as
  // the view service's single form does it (same checks and messages), in
  // batches that commit once per VOB. `results` is replaced by one entry
  // per path, in order, with its status and what it made. 0 when every
  // path succeeded, else the first failing path's status; a failing path
  // leaves nothing of itself behind and does not stop the others.
  int checkout_paths(const std::vector<std::string>& paths, const char* comment,
                     std::vector<view_path_result_t>& results) const;
  int checkin_paths(const std::vector<std::string>& paths, const char* comment,
                    std::vector<view_path_result_t>& results) const;
  // `keep` saves each file's content as "<file>.keep" first.
  int uncheckout_paths(const std::vector<std::string>& paths, int keep,
                       std::vector<view_path_result_t>& results) const;
  // `eltype` is an element type (vob_eltype), or VIEW_ELTYPE_FILE_BY_CONTENT
  // for a file whose first content decides between text and binary; `checkin` makes
  // version 1 at once instead of leaving the new element checked out.
  int make_elements(const std::vector<std::string>& paths, int eltype, const char* comment,
                    int checkin, std::vector<view_path_result_t>& results) const;
  // Removes the name at `path` from its checked-out parent directory. 1001
  // (after a message) when the parent is not checked out in this view or
  // the view holds a checkout at or below `path`; 1002 when not visible.
  int remove_name(const char* path, const char* comment) const;
  // Renames or moves the element at `from` to `to` (an existing directory,
  // or a new path) within its VOB; both parents checked out in this view.
  // 1001 (after a message) for a refused move, 1003 when `to` is taken,
  // 1002 when `from` is not visible, 1004 for a bad name.
  int rename(const char* from, const char* to, const char* comment) const;
  // The checkouts the view holds (VOB, version, view path), replacing `out`.
  int list_checkouts(std::vector<view_ckout_t>& out) const;
  // Merges into the view what `args` name (the merge service's
  // cmd_findmerge_tree): `items` is replaced, one per element looked at,
  // only on success. 1004 (after a message) for a malformed version name,
  // 1001 when its branch type does not exist, 1002 when the view shows
  // nothing at `args.path`.
  int find_merge(const cmd_findmerge_args_t& args, std::vector<cmd_findmerge_item_t>& items) const;
  // The view's pending merges (cmd_findmerge_list_pending), replacing `out`.
  int pending_merges(std::vector<cmd_findmerge_pending_t>& out) const;
  // Marks the pending merge into the checkout at `path` resolved
  // (cmd_findmerge_resolve), first giving the file side `take`
  // (cmd_findmerge_take) when one is named: its merge arrow is recorded.
  // 1001 (after a message) when there is none or, without a side, its text
  // file still holds a conflict region.
  int resolve_merge(const char* path, int take, cmd_findmerge_pending_t& resolved) const;

 private:
  // The cached handle, fetched from the UUID when missing; a failure prints
  // message 2 unless `quiet`.
  int open_handle(int quiet, view_server_h& out) const;
  // The registry entry of the view.
  int entry(view_entry_t& out) const;
  // The activity recorded for the view in `pvob`'s current-activity record
  // (first-class form) or its every-user work records (older form).
  int read_current_activity(const SUM_Vob& pvob, SUM_Activity& out) const;
  // Writes (activity non-null) or clears the view's binding in `pvob`.
  int record_activity(const SUM_Vob& pvob, const SUM_Activity& activity, const char* comment) const;
  // set_activity's checks before any trigger fires.
  int check_set_activity(const SUM_Activity& activity, SUM_Stream& stream) const;

  SUM_Uuid uuid_;
  mutable view_server_h handle_ = nullptr;
  mutable SUM_String tag_;
  mutable SUM_String root_;
};

// ---- plain entry points (view service, command tool) ----

// The stream of the view: `pvob` and `stream` are set to 0 first; 1002 when
// the view is attached to none.
int sum_view_get_stream(view_server_h view, vob_vob_h* pvob, tbs_dbid_t* stream);
// Whether `element` of `vob` may be checked out in `view`. A view outside
// the ZEM layer (or without a stream) answers 0 with `zem_view` 0;
// otherwise `zem_view` is 1 and `allowed` is the stream's rule
// (SUM_Stream::checkouts_allowed). `flags` is passed on.
int sum_view_checkouts_allowed(view_server_h view, vob_vob_h vob, tbs_dbid_t element, int flags,
                               int* zem_view, int* allowed);
// Whether the view shows its stream's current configuration: `zem_view` 0
// (status 0) for a view without stream, else 1 with `in_sync`.
int sum_view_config_spec_in_sync(view_server_h view, int* zem_view, int* in_sync);
// Before a snapshot view is updated (SUM_Stream::snapshot_update_allowed,
// asking through the default presenter); `zem_view` as above.
int sum_view_snapshot_update_allowed(view_server_h view, int whole_view, int interactive,
                                     int* zem_view, int* allowed);
// Removes the stored config spec of stream `stream` of `pvob` when it no
// longer needs one (fewer than two views); 0 when either is not given.
int sum_view_check_stream_cspec(vob_vob_h pvob, tbs_dbid_t stream);
// Whether the view's current activity is an integration activity whose
// operation is in progress; `in_progress` is set to 0 first.
int sum_view_integration_in_progress(view_server_h view, int* in_progress);

#endif  // SUM_SUM_VIEW_H
