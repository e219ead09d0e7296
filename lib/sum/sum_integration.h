// SUM_Integration: the engine under deliver and rebase. An operation moves
// one state at a time through OpnState; after every state that changes
// stored data it saves its record (the packing of an attribute list) in a
// process variable of its stream, "ZEM_DELIVER" for a deliver from the
// stream and "ZEM_REBASE" for a rebase of it. A later process restores the
// record and resumes, completes or cancels the operation; each step after
// the last saved state is safe to repeat.
//
// Ownership of an operation is a compare-and-set on the record: this object
// keeps the text it last read or wrote (the cached record) and every write
// is conditional on the stored value still being that text. A process that
// loses the race records code OPERATION_CORRUPTED (41) and writes nothing
// more.
//
// Contracts: every operation returns a status (0 success; 1001 after the
// message of the outcome code, which op_status reads; 1002 for "no such
// operation" or "no such object", without a message; 1072 internal
// error). record_status decides which codes print.
//
// Fault injection for crash tests (read once per process): with
// KORVANE_FAULT_KILL_AT_STATE set to a state name ("op_committed"), the
// process kills itself (SIGKILL) right after it saved the record in that
// state.
#ifndef SUM_SUM_INTEGRATION_H
#define SUM_SUM_INTEGRATION_H

#include <string>
#include <vector>

#include "sum/sum_activity.h"
#include "sum/sum_avlist.h"
#include "sum/sum_callbacks.h"
#include "sum/sum_lists.h"
#include "sum/sum_replica.h"
#include "sum/sum_stream.h"
#include "sum/sum_string.h"
#include "sum/sum_view.h"
#include "services/cmd_findmerge.h"
#include "services/view.h"
#include "services/vob.h"

class SUM_ConfigSpecId;
class SUM_ContextMerge;
class SUM_NewConfig;

class SUM_Integration {
 public:
  // The states, in the order an operation passes them; the stored form of a
  // state is its name (state_name).
  enum OpnState : int {
    NO_STATE = 0,
    NO_WORK_TODO,
    PREPARED,
    BRELT_PREOP_DONE,
    OP_COMMITTED,
    STREAM_POSTED,
    CSPEC_UPDATED,
    VIEW_RELOADED,
    INTEGACT_CREATED,
    INTEGACT_SET,
    MERGING,
    REPROCESS_MERGING,
    MERGED,
    CONTEXT_MERGED,
    CHECKEDIN,
    BRELT_POSTOP_DONE,
    INTEGARC_DRAWN,
    INTEGACT_CLEARED,
    CONFIG_UPDATED,
    ENVIRONMENT_UPDATED,
    COMPLETED,
    CANCELLED,
    STATE_COUNT
  };

  // Outcome codes of an operation's steps. Codes 0 to 41, 88, 90 to 96,
  // 102 and 103 print the integration catalogue's entry of the same number
  // (through status_msg); 42 to 79 are deliver's, 80 to 89 rebase's.
  enum IntegrationStatus : int {
    ST_OK = 0,
    ST_OBJECT_NOT_FOUND = 1,
    ST_INTERRUPTED = 2,
    ST_VERSION_MISMATCH = 3,
    ST_UNEXPECTED = 4,
    ST_NO_OPERATION = 5,
    ST_ALREADY_IN_PROGRESS = 6,
    ST_NO_VERSIONS_TO_MERGE = 7,
    ST_VIEW_HAS_CHECKOUTS = 8,
    ST_VIEW_IN_OTHER_OPERATION = 9,
    ST_VIEW_CSPEC_OUT_OF_DATE = 10,
    ST_CANNOT_CREATE_ACTIVITY = 11,
    ST_CANNOT_SET_ACTIVITY = 12,
    ST_CANNOT_UNSET_ACTIVITY = 13,
    ST_CANNOT_REMOVE_ACTIVITY = 14,
    ST_CANNOT_UNCHECKOUT = 15,
    ST_ACTIVITY_NOT_EMPTY = 16,
    ST_CANNOT_CHECKIN = 17,
    ST_ACTIVITY_HAS_CHECKINS = 18,
    ST_ACTIVITY_MOVED = 19,
    ST_VIEW_NO_ACTIVITY = 20,
    ST_VIEW_OTHER_ACTIVITY = 21,
    ST_VIEW_UNKNOWN = 22,
    ST_VIEW_NOT_RECREATED = 23,
    ST_SNAPSHOT_NO_ROOT = 24,
    ST_UNKNOWN_ERROR = 25,
    ST_VIEW_NOT_STARTED = 26,
    ST_CANNOT_SAVE = 27,
    ST_CANNOT_RESTORE = 28,
    ST_STATE_CORRUPTED = 29,
    ST_DATA_CORRUPTED = 30,
    ST_DIRECTORY_MERGE_ERROR = 31,
    ST_FILES_NOT_CHECKED_OUT = 32,
    ST_FILES_MERGE_ERROR = 33,
    ST_FILES_INVISIBLE = 34,
    ST_FILES_CHECKED_OUT_ELSEWHERE = 35,
    ST_FILE_MERGE_ERROR = 36,
    ST_MERGE_ERROR = 37,
    ST_CONTEXT_MERGE_ERROR = 38,
    ST_BEING_CANCELLED = 39,
    ST_NOT_MASTERED = 40,
    ST_OPERATION_CORRUPTED = 41,
    ST_CHECKOUTS_NOT_ALLOWED = 88,
    ST_TARSEN_UNSUPPORTED = 90,
    ST_TARSEN_NOT_INSTALLED = 91,
    ST_TARSEN_CONNECT = 92,
    ST_TARSEN_WORK = 93,
    ST_TARSEN_COMPLETE = 94,
    ST_TARSEN_DELIVER_POLICY = 95,
    ST_TARSEN_NOTIFY = 96,
    ST_NOTHING_TO_MERGE = 97,
    ST_NEW_MERGES_AT_CHECKIN = 98,
    ST_CHECKOUTS_AFTER_UNDO = 100,
    ST_VIEW_MUST_RELOAD = 101,
    ST_DIRS_NOT_CHECKED_OUT = 102,
    ST_NEW_MERGES = 103,
  };

  // What a deliver does with the source stream (stored under "optype").
  enum DeliverOpType : int { DELIVER_LOCAL = 0, DELIVER_POSTED = 1, DELIVER_REMOTE = 2 };

  // Entry numbers of the record's attribute maps (record_map).
  enum RecordEntry : int {
    REC_VER = 0,
    REC_OWNER = 1,
    REC_START = 2,
    REC_ACT = 3,
    REC_VIEW = 4,
    REC_STATE = 5,
    REC_TARGET_STREAM = 6,
    REC_BLS = 7,
    REC_BLS_CREATED = 8,
    REC_POSTED = 9,
    REC_ORIG_REPLICA = 10,
    REC_INTEGRATOR = 11,
    REC_TK_RECORDS = 12,
    REC_OPTYPE = 13,
    REC_FDNBLS_INCLUDED = 14,
    REC_CSID = 15,
    REC_CFG = 16,
    REC_ENTRY_COUNT
  };

  SUM_Integration();
  SUM_Integration(const SUM_Integration&) = delete;
  SUM_Integration& operator=(const SUM_Integration&) = delete;
  virtual ~SUM_Integration();

  // ---- states ----
  // The stored name of `state` ("no_state" ... "cancelled"); null outside
  // the range.
  static const char* state_name(int state);
  // The state named `name`: 0 and `out`, or 1002 for an unknown name.
  static int state_from_name(const char* name, OpnState& out);
  static OpnState increment_state(OpnState state);
  static OpnState decrement_state(OpnState state);

  // ---- names and messages ----
  // "integration" / "Integration" here; each operation its own.
  virtual SUM_String operation_name_lc() const;
  virtual SUM_String operation_name_cap() const;
  // The text of `code` for this operation (each subclass handles its own
  // codes and falls back to status_msg_common).
  virtual SUM_String status_msg(int code) const = 0;
  SUM_String status_msg_common(int code) const;
  // Stores `code` and returns what the caller passes up: 0 for 0, 97, 98,
  // 99 and 101 (nothing printed); 1002 for 1 and 5 (nothing printed); 1001
  // for 100 (nothing printed); 1001 after printing the code's message as an
  // error for every other code.
  int record_status(int code);
  // Stores code 4 and prints it; 1001.
  int record_err_status();
  int set_status_ok();
  void print_errmsg() const;
  void print_warnmsg() const;
  void print_okmsg() const;

  // ---- the record ----
  // The stream's PVAR holding the record ("ZEM_DELIVER" / "ZEM_REBASE").
  virtual const char* pvar_name() const = 0;
  // The attribute map of this operation's record (deliver_map or
  // rebase_map).
  virtual const SUM_AVMapList& record_map() const = 0;
  // The attribute map of the record: deliver's or rebase's, built once per
  // process. `is_deliver_map` is true of a map with any deliver-only entry.
  static const SUM_AVMapList& deliver_map();
  static const SUM_AVMapList& rebase_map();
  static int is_deliver_map(const SUM_AVMapList& map);
  // Reads and unpacks the record `pvar` of `stream` into `list` (over
  // `list`'s map): 1002 when there is none; a failing read prints "Unable
  // to get integration info." and a record that does not unpack "Unable to
  // unpack info.", each 1001.
  static int unpack_operation(const SUM_Stream& stream, const char* pvar, SUM_AVList& list);
  // Saves the record: every active entry from this object, compared-and-set
  // against the cached record (code 41 when another process changed it, 27
  // for other failures). On success the cached record is the new text.
  virtual int save_to_pvar() = 0;
  // Sets the state, then saves; on failure prints "Unable to set process
  // variable." and returns the failure.
  int set_state_and_save_to_pvar(OpnState state);
  // 0 while the stored record is still the cached one; otherwise code 41
  // (changed) or 27.
  virtual int check_operation_pvar() = 0;
  // Restores the operation in progress on the stream from its record;
  // `lenient` turns selectors that name nothing into warnings.
  virtual int restore_from_pvar(const int& lenient) = 0;
  // The stored state only.
  int get_state_from_pvar(OpnState& out) const;
  // Clears the record (compare-and-set to the empty text).
  int clear_integration_info();
  // The cached record text.
  const SUM_String& cached_record() const { return cached_record_; }

  // ---- driving ----
  // Starts a new operation on `stream` (state PREPARED); binds the target
  // view; advances to `target`; completes (do_integration(COMPLETED), which
  // on failure prints "Unable to complete integration."); cancels.
  virtual int start(const SUM_Stream& stream) = 0;
  virtual int restart(const SUM_Stream& stream) = 0;
  virtual int prepare_view(const SUM_View& view) = 0;
  virtual int do_integration(OpnState target) = 0;
  int complete();
  virtual int cancel() = 0;
  // `found` 1 and the operation restored when the stream has one in
  // progress; `found` 0 otherwise.
  virtual int get_details(const SUM_Stream& stream, int& found);
  // The activities the operation integrates.
  virtual int activities(SUM_ActivityList& out) = 0;

  // ---- merging (sum_integration_merge.cpp) ----
  // The versions the operation brings into the target view, replacing
  // `out`; `count` their number.
  virtual int versions_to_merge(SUM_VersionList& out, int& count) const = 0;
  // Merges the versions to merge into the target view, checked out in the
  // integration activity: directories first, in passes repeated while
  // fewer of them are invisible than in the pass before (what a directory
  // gains becomes visible once it is merged), then the files, in one batch
  // when called from the command line unless KORVANE_DO_MERGE_OLD is set.
  // A merge that leaves conflicts keeps its checkout for the user and is
  // listed in conflicted_paths. The record is checked before the first
  // directory and every 100 directories after it. Codes: 97 when nothing
  // needed merging (code 7's text printed as a note), 2 interrupted by a
  // callback, 37 when the versions could not be found or sorted, 102
  // directories not checked out, 31 directory merges failed, 32 files not
  // checked out, 34 files invisible, 35 files checked out to another
  // activity, 33 file merges failed (31 to 35 only without
  // proceed_on_verctl_error: with it the merge goes on and succeeds), 36
  // the file merge as a whole failed, 41 the record changed.
  int do_merge(SUM_ElementCB& element_cb, SUM_SortedVersionListCB& sorted_cb);
  // The context merge (state "context_merged"): only when
  // KORVA_WILL_CONTEXT_MERGE is "1"; the integration activity's versions
  // and the operation's baselines (augment_context_merge) go to the type
  // managers that offer it (SUM_ContextMerge). Code 38 on failure.
  int do_context_merge();
  // Enters the operation's baselines (base: none).
  virtual int augment_context_merge(SUM_ContextMerge& merge) const;
  // `never` 1 when `element`'s type is never merged automatically.
  static int check_mergetype(const SUM_Element& element, int& never);
  // `ok` 1 when `checkout` (the target view's checkout of `element`) is in
  // the integration activity's change set; otherwise the checkout conflict
  // is printed and `ok` is 0.
  int verify_checkout_to_intact(const SUM_Element& element, const SUM_Version& checkout, int& ok);
  // Checks in what the integration activity holds checked out in the
  // target view, after recording the merge arrows of its directory merges,
  // then verify_checkins. Code 17 when a checkout could not be checked in
  // (a merge still holding conflicts is one), after saving the state back
  // to "merging" when nothing could be.
  int do_checkin();
  // Cancel's steps: undo_checkin refuses (18) while the integration
  // activity has check-ins; undo_merge cancels its checkouts in the target
  // view (15 on failure, 100 when checkouts remain).
  int undo_checkin();
  int undo_merge();
  // Records in the integration activity each checkout of the target view,
  // in the operation's stream, that no activity holds.
  int verify_checkouts();
  // Records in the integration activity each version checked in from
  // `checkouts` (`checked_in`, in the same order) that no activity holds.
  int verify_checkins(const std::vector<view_ckout_t>& checkouts,
                      const std::vector<view_path_result_t>& checked_in);
  // The view paths of the merges of the last do_merge that left conflicts
  // for the user.
  const std::vector<std::string>& conflicted_paths() const { return conflicted_; }
  // Merges made (not found made, nor held for the user) since
  // clear_new_merges.
  int new_merges() const { return new_merges_; }
  // How messages name `element`: its path in the target view (else in the
  // stream's first view), else its selector.
  SUM_String element_label(const SUM_Element& element) const;

  // ---- retargeting (sum_integration_retarget.cpp) ----
  // Whether the operation may move to `view`: not its own view (67), one
  // without checkouts (68) attached to the target stream (69), while the
  // integration activity holds no checkouts (70). 1001 after the message.
  int check_retarget_view(const SUM_View& view);
  // Records `view` as the operation's view (compare-and-set against the
  // cached record); when the view it replaces is not registered any more,
  // its references are removed from every registered VOB.
  int reset_view_common(const SUM_View& view);
  // The UUID of the recorded view that a lenient restore found gone; empty
  // otherwise.
  const SUM_String& lost_view_uuid() const { return lost_view_uuid_; }

  // ---- deliver-only and rebase-only accessors (base: 1001) ----
  virtual int posted(int& out) const;
  virtual int optype(DeliverOpType& out) const;
  virtual int selectedbls(int& out) const;
  // The stream the operation merges into: the target of a deliver, the
  // rebased stream of a rebase.
  virtual SUM_Stream target_stream() const = 0;
  virtual int target_stream(SUM_Stream& out) const;
  virtual int baselines(SUM_BaselineList& out) const;
  virtual int bls_created(SUM_BaselineList& out) const;
  virtual int fdn_bls_in_stream_bls(SUM_BaselineList& out) const;
  virtual int orig_replica(SUM_Replica& out) const;
  virtual int integrator(SUM_String& out) const;
  virtual int tk_remastered_acts(SUM_ActivityList& out) const;
  virtual int set_baselines(const SUM_BaselineList& list);
  virtual int set_target_stream(const SUM_Stream& stream);
  virtual int set_bls_created(const SUM_BaselineList& list);
  virtual int set_fdn_bls_in_stream_bls(const SUM_BaselineList& list);
  virtual int set_posted(int posted);
  virtual int set_optype(DeliverOpType type);
  virtual int set_orig_replica(const SUM_Replica& replica);
  virtual int set_integrator(const SUM_String& login);
  virtual int set_tk_remastered_acts(const SUM_ActivityList& list);
  virtual int new_config(SUM_NewConfig*& out) const;
  virtual int cspec_id(SUM_ConfigSpecId& out) const;
  virtual int set_new_config(SUM_NewConfig* config);
  virtual int set_cspec_id(const SUM_ConfigSpecId& id);

  // ---- printing ----
  // The operation, its owner and start, its activity and view (note
  // severity).
  void print_details_common() const;

  // ---- accessors ----
  const SUM_Stream& op_stream() const { return stream_; }
  long op_start_time() const { return start_time_; }
  long op_restart_time() const { return restart_time_; }
  const SUM_View& op_target_view() const { return target_view_; }
  const SUM_String& op_owner() const { return owner_; }
  const SUM_Activity& op_integration_activity() const { return integration_activity_; }
  OpnState op_state() const { return state_; }
  const char* op_state_string() const { return state_name(state_); }
  int op_format() const { return format_; }
  int op_status() const { return status_; }
  void set_stream(const SUM_Stream& stream) { stream_ = stream; }
  void set_start_time(long t) { start_time_ = t; }
  void set_restart_time(long t) { restart_time_ = t; }
  void set_owner(const SUM_String& owner) { owner_ = owner; }
  void set_target_view(const SUM_View& view) { target_view_ = view; }
  void unset_target_view() { target_view_ = SUM_View(); }
  void set_integration_activity(const SUM_Activity& act) { integration_activity_ = act; }
  void set_state(OpnState state) { state_ = state; }
  void set_state(int state) { state_ = static_cast<OpnState>(state); }
  void set_format(int format) { format_ = format; }
  void set_status(int code) { status_ = code; }
  void set_cli(int cli) { cli_ = cli; }
  int cli_called() const { return cli_; }
  void set_skip(int skip) { skip_ = skip; }
  int proceed_on_verctl_error() const { return skip_; }
  void set_version_control(int on) { version_control_ = on; }
  int version_control() const { return version_control_; }
  // The callback told of each long step ("Merging files..."); an answer of
  // 1 interrupts the operation (code 2).
  void set_action_cb(const SUM_ActionCB& cb) { action_cb_ = cb; }

  // Merge counters (filled by the merge step).
  void set_failed_dirs(int n) { failed_dirs_ = n; }
  int get_failed_dirs() const { return failed_dirs_; }
  void set_deferred_merge_dirs(int n) { deferred_merge_dirs_ = n; }
  int get_deferred_merge_dirs() const { return deferred_merge_dirs_; }
  void set_deferred_merge_files(int n) { deferred_merge_files_ = n; }
  int get_deferred_merge_files() const { return deferred_merge_files_; }
  void set_files_merged(int n) { files_merged_ = n; }
  int get_files_merged() const { return files_merged_; }
  // Of the files merged, those only the other side changed: copied, not
  // merged three ways.
  int get_files_copied() const { return files_copied_; }
  void set_dirs_merged(int n) { dirs_merged_ = n; }
  int get_dirs_merged() const { return dirs_merged_; }

 protected:
  // Start: the stream, its project, local mastership (code 40); start and
  // restart times now; the owner is the current login.
  int start_common(const SUM_Stream& stream);
  // Resume: restart time now, the stream, local mastership.
  int restart_common(const SUM_Stream& stream);
  // Checks of a restored operation: the activity is the view's current one
  // from "integact_set" until the check-in (20, 21), a view past the
  // activity has no checkouts
  // (8), the view is usable; the activity belongs to the stream (19).
  int check_operation_common(const SUM_Stream& stream);
  int check_integration_activity();
  int verify_view_access(const SUM_View& view);
  // Binds `view`: refused (9) when another operation's integration activity
  // is current in it; then verify_view_access.
  int prepare_view_common(const SUM_View& view);

  // Saving and restoring over `map`: fills every active entry of a list
  // over `map` from this object and compares-and-sets it; the reverse. The
  // first save claims the stream: refused (rival_in_progress_code) while
  // the record rival_pvar_name names exists, code 6 when another operation
  // of the kind recorded itself first.
  int save_operation(const SUM_AVMapList& map);
  // The record of the other kind of operation on the stream, which
  // excludes this one (base: none), and the code of that refusal.
  virtual const char* rival_pvar_name() const;
  virtual int rival_in_progress_code() const;
  int restore_operation(const SUM_AVMapList& map, const int& lenient);
  int check_integration_info();

  // The integration activity: made in `stream` (11 on failure), set in the
  // target view (12), cleared from it (13), removed when its change set is
  // empty (16 keeps it; a failing removal is code 14, printed plainly).
  int create_integration_activity(const SUM_Stream& stream);
  // "<operation>.<the operation's stream>.<start time>": the name an
  // operation's integration activity gets (unless taken); empty when the
  // stream's name cannot be read. A deliver's activity is made in the
  // target stream but named after the stream delivered.
  SUM_String integration_activity_base_name() const;
  // When no activity is known: the activity of that name in `stream`, with
  // an empty change set, made by this operation before a crash let it
  // record it. Finding none is not an error.
  int find_orphan_integration_activity(const SUM_Stream& stream);
  int setact_integration_activity();
  int undo_setact_integration_activity();
  int remove_integration_activity();

  // The versions the integration activity holds checked out, with their
  // paths in the target view.
  int integration_checkouts(std::vector<view_ckout_t>& out) const;
  void clear_new_merges() { new_merges_ = 0; }

  // Steps shared by the operations (sum_integration_steps.cpp), each
  // announced to the action callback and ending with the save of the state
  // it reaches: the integration activity made in `in` ("integact_created"),
  // set in the target view ("integact_set"), the check-in ("reprocess_merging"
  // saved first, so that a cancel is refused from then on; "checkedin"), the
  // activity cleared from the view ("integact_cleared").
  int step_create_integration_activity(const SUM_Stream& in);
  int step_set_integration_activity();
  int step_checkin();
  int step_clear_integration_activity();
  // The target view's current activity, saved on the operation's stream
  // in the PVAR view_settings_pvar_name names before the integration
  // activity replaces it, and given back (the saved value then cleared).
  // Saving while the integration activity is current keeps what was saved
  // (a step repeated after a crash). Without a PVAR name both do nothing.
  int save_view_activity();
  int restore_view_activity();
  virtual const char* view_settings_pvar_name() const;
  // What can go wrong with the saved view settings, and its report (base:
  // the engine's own messages). Settings that do not parse, or an activity
  // not given back, are warnings: the operation goes on without them.
  enum ViewSettingsFault {
    VS_CURRENT_UNKNOWN,  // the view's current activity cannot be read
    VS_NOT_WRITTEN,      // saving or clearing the PVAR failed
    VS_NOT_READ,         // reading the PVAR failed
    VS_CORRUPT,          // the saved value does not parse
    VS_ACTIVITY_KEPT     // the saved activity could not be made current again
  };
  virtual void report_view_settings_fault(ViewSettingsFault fault) const;
  // The opening of every cancel: the cancel trigger's preop; then whether
  // the cancel may begin: `completing` 1 when the stored state says another
  // process is completing (the caller prints its refusal and stops); the
  // target view must be usable (code 5 without a record); then the
  // integration activity a crash left unrecorded is looked for.
  int begin_cancel(int& completing);
  // Cancel's undoing of the integration activity: cleared from the target
  // view, the view's own activity given back, the activity removed when
  // its change set is empty.
  int undo_integration_activity();

  // ---- the two phases (sum_integration_steps.cpp) ----
  // Advances from the current state to `target`: the first phase up to
  // "context_merged", then, when `target` lies beyond it, the second.
  // Refused (29) for a cancelled operation and (41) when another process
  // changed the record. Completing a first phase that ran before is refused
  // (refuse_new_merges) when merges were made only now: they are for the
  // user to see before anything is checked in.
  int drive(OpnState target);
  // One state of each phase. The base runs the states every operation
  // shares: the integration activity made in target_stream() and set in
  // the target view, "merging", the merges (merge_into_view), the context
  // merge ending with the start trigger's postop; the complete trigger's
  // preop and the check-in, the activity cleared. Other states are only
  // reached. `stop` 1 ends the first phase early without an error.
  virtual int run_first_phase_state(OpnState state, int& stop);
  virtual int run_second_phase_state(OpnState state);
  // Whether the operation merges and has an integration activity (base:
  // 1). Without, the shared states only pass.
  virtual int integrates_files() const;
  // The merges into the target view: do_merge with the caller's callbacks
  // and whatever the operation reports after it (base: do_merge without
  // callbacks).
  virtual int merge_into_view();
  // The refusal when completing finds new merges (base: code 103).
  virtual int refuse_new_merges();
  enum TriggerKind { TRIGGER_START, TRIGGER_COMPLETE, TRIGGER_CANCEL };
  // The operation's trigger of `kind`: its preop when `preop` is 1 (a
  // refusal is the operation's refusal code), else its postop, whose
  // failure is ignored (base: no triggers).
  virtual int fire_trigger(TriggerKind kind, int preop);

  // Kills the process when KORVANE_FAULT_KILL_AT_STATE names the current
  // state. Saves call it themselves, except while `defer_kill` is set: a
  // save inside a write group calls it after the group commits.
  void kill_if_asked() const;
  void set_defer_kill(int defer) { defer_kill_ = defer; }

  // Tells the action callback of a long step; 1001 after code 2 when the
  // caller interrupts.
  int announce(const SUM_String& text);

 private:
  struct MergeTally;
  struct MergeItem;
  int sort_versions_to_merge(std::vector<fcset_key_t>& dirs, std::vector<fcset_key_t>& files,
                             SUM_SortedVersionListCB& sorted_cb);
  int merge_directories(view_server_h view, const std::vector<fcset_key_t>& dirs,
                        SUM_ElementCB& element_cb, MergeTally& tally);
  int merge_files_one_by_one(view_server_h view, const std::vector<fcset_key_t>& files,
                             SUM_ElementCB& element_cb, MergeTally& tally);
  int do_merge_files(view_server_h view, const std::vector<fcset_key_t>& files,
                     SUM_ElementCB& element_cb, MergeTally& tally);
  int do_versions_checkout(std::vector<MergeItem>& items, MergeTally& tally);
  void count_merge(const fcset_key_t& key, int status, const cmd_findmerge_result_t& result,
                   MergeTally& tally);
  bool held_for_user(const fcset_key_t& key, const MergeTally& tally,
                     cmd_findmerge_result_t& result) const;
  // Adds `versions` to the integration activity's change set, as checkouts
  // or as check-ins, with the messages of the repair.
  int repair_activity(const SUM_VersionList& versions, int checkouts);
  int check_out_for_merge(view_server_h view, const fcset_key_t& key, MergeTally& tally);
  int merge_element(view_server_h view, const fcset_key_t& key, MergeTally& tally);
  int merge_outcome(const MergeTally& tally);
  int record_directory_merges(view_server_h view, const std::vector<view_ckout_t>& checkouts);
  int fill_record(SUM_AVList& list) const;
  int save_first_record(const SUM_String& text);

  int read_record_entry(int entry, const SUM_String& value, const int& lenient);
  int restore_view(const SUM_String& text, const int& lenient);

  SUM_Stream stream_;
  long start_time_ = 0;
  long restart_time_ = 0;
  SUM_String owner_;
  OpnState state_ = NO_STATE;
  int format_ = 3;
  SUM_View target_view_;
  SUM_Activity integration_activity_;
  int status_ = 0;
  int cli_ = 0;
  int version_control_ = 1;
  int skip_ = 0;
  int failed_dirs_ = 0;
  int deferred_merge_dirs_ = 0;
  int deferred_merge_files_ = 0;
  int files_merged_ = 0;
  int files_copied_ = 0;
  int dirs_merged_ = 0;
  SUM_ActionCB action_cb_;
  SUM_String cached_record_;
  int defer_kill_ = 0;
  std::vector<std::string> conflicted_;
  int new_merges_ = 0;
  // The UUID of the recorded view when a lenient restore found it gone.
  SUM_String lost_view_uuid_;
};

#endif  // SUM_SUM_INTEGRATION_H
