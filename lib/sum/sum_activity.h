// SUM_Activity: the handle of an activity, the unit of work of a stream.
// The versions made in a view whose current activity it is are recorded in
// its change set; baselines, deliveries and rebases move whole activities.
// Also SUM_ModCnt (one modification count), SUM_Task (one task URI) and the
// plain entry point sum_act_set_name.
//
// Storage forms (SUM_Vob::supports_fc_objs): in the first-class form an
// activity is an object of metatype 38 placed in its stream; in the
// activity-based form an activity-like object of the PVOB's activity type
// placed in its stream's activity folder (SUM_Stream::special_folder).
// convert accepts exactly these two shapes.
//
// Process variables of an activity: "ZEM_INTEGRATION_ACTIVITY" (the
// integration marker of a deliver or rebase activity, an attribute list of
// "ver" and "state"), "ZEM_DELIVER" / "ZEM_REBASE" (the integrated
// configuration once the operation completed), the tracker link
// "BRELT_ACT_ENTITYDEF_NAME" + "BRELT_ACT_DISPLAY_NAME" (both set: linked;
// both empty: not linked; one set: inconsistent) and the marker
// "BRELT_ACT_MODIFIED_WHILE_TK_SUSPENDED".
//
// Every change fires the activity triggers (mkactivity 58, chactivity 63,
// rmactivity 75) and records its comment with that code.
//
// Contracts: value handle; a null handle (or a member of the other storage
// form) records an internal error and returns 1072; out-parameters are
// filled only on success; a refusal prints its message and returns 1001;
// repository failures pass up unchanged.
#ifndef SUM_SUM_ACTIVITY_H
#define SUM_SUM_ACTIVITY_H

#include <string>
#include <vector>

#include "services/vob.h"
#include "sum/sum_activity_base.h"
#include "sum/sum_handle_kind.h"
#include "sum/sum_ids.h"
#include "sum/sum_lists.h"
#include "sum/sum_string.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"

class SUM_Component;
class SUM_EventInfo;
class SUM_Project;
class SUM_Stream;
class SUM_TKEntityID;
class SUM_VerctlCB;
class SUM_Version;
class SUM_View;

// One modification count of an activity (of the component at the same
// position of a companion list).
class SUM_ModCnt {
 public:
  SUM_ModCnt() = default;
  explicit SUM_ModCnt(unsigned count) : count(count) {}
  virtual ~SUM_ModCnt() = default;
  bool operator==(const SUM_ModCnt& other) const { return count == other.count; }

  unsigned count = 0;
};

// One task of an activity: the URI of a record of the stream's task
// provider.
class SUM_Task {
 public:
  SUM_Task() = default;
  explicit SUM_Task(const SUM_String& uri) : uri(uri) {}
  virtual ~SUM_Task() = default;
  bool operator==(const SUM_Task& other) const { return uri == other.uri; }

  SUM_String uri;
};

// State of an integration activity's operation.
enum IntegrationState : int {
  INTEGRATION_COMPLETE = 0,
  INTEGRATION_IN_PROGRESS = 1,
};

// Attribute indexes of the integration marker (IntegrationAttrMap).
enum IntegrationAttr : int {
  INTEGRATION_ATTR_VER = 0,    // "ver": record format, written as "1"
  INTEGRATION_ATTR_STATE = 1,  // "state": decimal IntegrationState
};
// The two-entry attribute map of the integration marker, built once.
const SUM_AVMapList& IntegrationAttrMap();

// How change_set_verctl fills the version-control callback record before
// each call of its function: the word indexes below. Word kVerctlFunc holds
// the function (SUM_VerctlFunc; 0: no callback, every answer 0), word
// kVerctlData the caller's data (never looked at). An answer other than 0
// stops the operation.
enum SUM_VerctlWord : int {
  kVerctlFunc = 0,
  kVerctlData = 1,
  kVerctlPhase = 2,      // SUM_VerctlPhase
  kVerctlOperation = 3,  // SUM_Activity::kVerctlCheckin or kVerctlUncheckout
  kVerctlKey = 4,        // const fcset_key_t*: the version, valid during the call
  kVerctlPath = 5,       // const char*: its path in the view ("" until known)
};
enum SUM_VerctlPhase : int {
  kVerctlBefore = 0,     // before the path is known
  kVerctlPathKnown = 1,  // the path is known
  kVerctlFailed = 2,     // the version failed
  kVerctlDone = 3,       // the version was processed
  kVerctlEnd = 4,        // the version is over (also after a skip)
};
using SUM_VerctlFunc = int (*)(const SUM_VerctlCB&);

class SUM_Activity : public SUM_ActivityBase {
 public:
  static constexpr SUM_HandleKind handle_kind = SUM_HandleKind::ACTIVITY;
  // Operation codes recorded with activity changes.
  static constexpr int kOpCreate = 58;
  static constexpr int kOpChange = 63;
  static constexpr int kOpRemove = 75;
  // destroy's `tk_behaviour` that skips the tracker questions.
  static constexpr int kTkBehaviourSkip = 2;
  // The cached modification count when none is stored.
  static constexpr unsigned kNoModCount = 0xFFFFFFFFu;
  // Merge-service operations of change_set_verctl.
  static constexpr int kVerctlCheckin = 2;
  static constexpr int kVerctlUncheckout = 3;

  SUM_Activity() = default;
  SUM_Activity(const SUM_Vob& vob, tbs_dbid_t dbid) : SUM_ActivityBase(vob, dbid) {}
  SUM_Activity(const SUM_Activity& other) : SUM_ActivityBase(other), mod_count_(other.mod_count_) {}
  SUM_Activity& operator=(const SUM_Activity& other);
  ~SUM_Activity() override = default;

  // The activity for the same object when it is one (either form), else a
  // null handle.
  static SUM_Activity convert(const SUM_VobObject& obj);
  // The activity named by `text` ("activity:name@pvob", "name@pvob", or
  // "name" in `pvob`); 1001 when it names another kind of object.
  static int construct_from_selector(const SUM_String& text, const SUM_Vob& pvob, SUM_Activity& out,
                                     int widen = 0);

  // ---- creation and naming (sum_activity.cpp) ----

  // First-class creation of activity `name` (null or "": a name generated
  // from `title`, unique among activities) with headline `title` (null or
  // "": the name) in `stream`. A read-only stream refuses (1001) unless
  // `allow_read_only`. Fires the mkactivity triggers; an activity made
  // while its project's tracker link is suspended is marked so.
  static int zem_create(const char* name, const char* title, const SUM_Stream& stream,
                        int allow_read_only, const char* ignored, const char* comment,
                        SUM_Activity& out);
  // Activity-based creation in `parent`, the activity folder of a stream
  // (the stream tested for read-only is the folder's parent). `text` is
  // passed on to common_create.
  static int create(const char* name, const char* title, const SUM_ActivityBase& parent,
                    int allow_read_only, const char* text, const char* comment, SUM_Activity& out);

  // Renames the activity: the name must be a valid object name unique among
  // activities (1001 after the message). With `internal` the rename is
  // recorded as the repository's own. Fires the chactivity triggers.
  int set_name(const char* name, const char* comment, int internal = 0) const;
  // The headline, or the name when the headline is empty.
  int title(SUM_String& out) const;
  // Stores the headline. A project whose tracker link is suspended marks
  // the activity; otherwise a linked activity would tell the tracker first
  // (the bridge comes with the tracker binding). Fires the chactivity
  // triggers; `op` is kept for callers that pass one.
  int set_title(const char* title, const char* comment, int op) const;
  // Stores a headline coming from the tracker, without telling it back.
  int set_title_from_Tarsen(const char* title, const char* comment) const;
  int set_display_name(const char* name, const char* comment) const override;
  // Activities are never moved: 0.
  int is_reparent_ok() const override { return 0; }

  // The stream the activity belongs to.
  int stream(SUM_Stream& out) const;

  // ---- removal ----

  // Whether the activity may be removed; `ok` is 0 after the message of the
  // first refusal: a trigger type names it, its change set is not empty,
  // the latest baseline of a component it touched lists it. Status 0
  // either way unless a question cannot be answered.
  int ok_to_destroy(int& ok) const;
  // Removes the activity (after ok_to_destroy: a refusal is 1001) and makes
  // this handle null. `tk_behaviour` 2 skips the tracker questions. Fires
  // the rmactivity triggers.
  int destroy(const SUM_View& view, const char* comment, int tk_behaviour = 0);
  int destroy_util(const char* comment, int op) const override;

  // ---- views (delegated to SUM_View) ----

  // The view the activity is current in; 1002 when none.
  int current_view(SUM_View& out) const;
  // The tags of every view the activity is current in (a view without a tag
  // by its UUID), replacing `out`; none is 0 with `out` empty.
  int current_view_tags(std::vector<std::string>& out) const;
  // Clears the activity from every view it is current in (each through
  // SUM_View::unset_activity).
  int unset_from_all_views(const char* comment) const;
  // view.set_activity(*this, comment, flag).
  int set_activity(const SUM_View& view, const char* comment, int flag) const;
  // Makes the activity current in `view` unless it already is.
  int start_work(const SUM_View& view, const char* comment) const;
  // A view to resolve names of the activity's versions in: the view it is
  // current in, else any view attached to its stream; 1002 when none.
  int name_resolver_view(SUM_View& out) const;

  // ---- modification counts ----

  // The count stored in this handle (copies keep it); 1002 when none.
  int mod_count(unsigned& out) const;
  void set_mod_count(unsigned count) { mod_count_ = count; }
  // The repository's current count (the sum of its per-VOB counts).
  int current_mod_count(unsigned& out) const;
  // The components the activity ever changed, one per (VOB, root directory)
  // count, replacing `out`; with components_modcnts also the counts, at the
  // same positions. An element outside every component has no component
  // and is left out.
  int components(SUM_ComponentList& out) const;
  int components_modcnts(SUM_ComponentList& comps, SUM_ModCntList& counts) const;

  // ---- integration marker ----

  // Marks the activity as an integration activity, in progress resp.
  // complete.
  int init_integration_act(const char* comment) const;
  int complete_integration_act(const char* comment) const;
  // Packs `state` with format 1 and stores it.
  int save_integration_info(IntegrationState state, const char* comment) const;
  // Reads the marker: 1002 when absent or empty; a format of 2 or more, or
  // an empty state, 1001 after the message.
  int restore_integration_info(IntegrationState& state) const;
  // The raw marker text; storing one.
  int integration_info(SUM_String& out) const;
  int set_integration_info(const SUM_String& text, const char* comment) const;
  // `is` whether it is an integration activity, `in_progress` whether its
  // operation is still running (0 for others).
  int is_integration_activity(int& is, int& in_progress) const;
  int integration_state(IntegrationState& out) const;

  // ---- integration results ----

  // The contributing baselines of a completed integration activity (child
  // "CONTRIB_BLS" of its "ZEM_DELIVER" or "ZEM_REBASE" record), the old
  // foundation of a rebase ("OLD_FOUND"), replacing `out`; whether the
  // record has "DELBYBL". Refusals print their message: not an integration
  // activity, no record (the operation never completed), an unreadable
  // list (1001 each).
  int contrib_baselines(SUM_BaselineList& out) const;
  int old_found_baselines(SUM_BaselineList& out) const;
  int contrib_delbybl(int& present) const;

  // ---- integrated configuration (sum_activity_contrib.cpp) ----

  // Records what a finished deliver or rebase integrated, in the record the
  // readers above read: process variable `record_name` ("ZEM_DELIVER" or
  // "ZEM_REBASE"; another name is an internal error, 1072) holds an element
  // of that name with the children "CONTRIB_BLS" (`contrib`'s universal
  // selectors joined by ","), for a rebase "OLD_FOUND" (`old_found`, same
  // form; ignored for a deliver), and for a deliver of selected baselines
  // (`delivered_by_baseline`) "DELBYBL" with text "TRUE". An activity that
  // is not an integration activity is refused (1001). One write; a stored
  // record is replaced whole.
  int save_integration_config(const char* record_name, const SUM_BaselineList& contrib,
                              const SUM_BaselineList& old_found, int delivered_by_baseline,
                              const char* comment = "") const;
  // The configurations the operation went between, replacing both lists:
  // for a rebase `new_config` the contributing baselines and `old_config`
  // the old foundation; for a deliver, per component, the newest delivered
  // baseline and the baseline of the target stream's timeline entry just
  // before the delivery's first entry; both without the components the
  // stream's project may not modify. Refusals of contrib_baselines; a
  // delivery whose entries are missing is "Unable to determine baseline
  // list ..." (1001).
  int integration_config(SUM_BaselineVRList& new_config, SUM_BaselineVRList& old_config) const;
  // The activities in which the two integrated configurations differ,
  // replacing `out`. Refused (1001, after the message) for an activity that
  // is not an integration activity and while its operation is in progress;
  // comparison refusals pass up.
  int contrib_activities(SUM_ActivityList& out) const;
  // Prints, as information, one line per contributing activity: a tab, its
  // selector, a tab, its headline. Refusals as contrib_activities.
  int print_contributing_activities() const;

  // ---- tracker link ----

  // Links the activity to `record` (database, record type and display name
  // must be set: 1072 otherwise). With `check`: refused when already linked,
  // when the project is not tracker-enabled, or when the record's database
  // is not the project's.
  int set_tk_enabled(const SUM_TKEntityID& record, int check) const;
  // Unlinks: refused when not linked; with `check` when the project is
  // tracker-enabled.
  int clear_tk_enabled(int check) const;
  // Whether the activity is linked; a half-set link is refused. With
  // `check` also a link that disagrees with the project's state.
  int is_tk_enabled(int& linked, int check) const;
  // The linked record: the project's database and the two PVARs.
  int bound_tk_entity_id(SUM_TKEntityID& out, int check) const;
  int modified_while_TK_suspended(int& out) const;
  int set_modified_while_TK_suspended() const;
  int unset_modified_while_TK_suspended() const;
  // Whether the activity's project is a single-stream ("SIMPLE") project.
  int is_in_single_stream_project(int& out) const;

  // ---- tasks (first-class form only) ----

  int set_tasks(const SUM_TaskList& tasks, const char* comment) const;
  int add_task(const SUM_Task& task, const char* comment) const;
  int rm_task(const SUM_Task& task, const char* comment) const;
  int clear_task(const char* comment) const;
  // The tasks in their stored order, replacing `out`.
  int get_tasks(SUM_TaskList& out) const;
  int has_task(int& has) const;

  // ---- change sets (sum_activity_cset.cpp) ----

  // Every entry; `some_unavailable` 1 when a VOB the activity touched could
  // not be read (its versions are missing).
  int change_set(SUM_VersionList& out, int& some_unavailable) const;
  // The checkouts only; a read failure prints its message (1001).
  int checkouts(SUM_VersionList& out) const;
  int has_change_set(int& has) const;
  int has_checkouts(int& has) const;
  int has_checkins(int& has) const;
  // The versions recorded while the activity's count for the component
  // (its root VOB's family `vob_family` and root directory `crde_oid`)
  // went from `from` to `to` (from excluded, to included), in count order,
  // replacing `out`.
  int change_set_in_range(unsigned from, unsigned to, const SUM_Oid& vob_family,
                          const SUM_Oid& crde_oid, SUM_VersionList& out) const;
  // Checks in, resp. cancels, every checkout of the change set in `view`:
  // files first, then directories, each group from its last key to its
  // first. A checkout with a checkout comment keeps it; others get
  // `comment`. With `count_only` nothing changes and `count` is the number
  // of checkouts (files alone when there are any). A callback answer other
  // than 0 sets `stop` and ends with 0. 1001 when a version failed or the
  // change set could not be read whole.
  int checkin(const SUM_View& view, SUM_VerctlCB* cb, int& stop, const char* comment,
              int count_only = 0, int* count = nullptr) const;
  int uncheckout(const SUM_View& view, SUM_VerctlCB* cb, int& stop, const char* comment,
                 int count_only = 0, int* count = nullptr) const;
  int change_set_verctl(int operation, const SUM_View& view, SUM_VerctlCB* cb, int& stop,
                        const char* comment, int count_only = 0, int* count = nullptr) const;
  // Moves `version` from this activity's change set to `target`'s: added
  // to the target first, then removed from this one (undone on failure), so
  // that it is in at least one of them at every step. Refusals (1001):
  // either activity mastered elsewhere or locked, the version not in this
  // change set, a checkout leaving an integration in progress.
  int move_change_set_version(const SUM_Version& version, const SUM_Activity& target,
                              const char* view_tag, const char* comment) const;
  // Repairs: adds `version` as a checked-in resp. checked-out entry.
  int fix_checkin(const SUM_Version& version) const;
  int fix_checkout(const SUM_Version& version) const;

 private:
  // The PVOB handle (1072 for a null handle).
  int repo_ids(const char* operation, int line, vob_vob_h& pvob) const;
  // As repo_ids, and 1072 as well in the activity-based form.
  int task_ids(const char* operation, int line, vob_vob_h& pvob) const;
  // Marks a new activity when `project`'s tracker link is suspended.
  int mark_if_project_suspended(const SUM_Project& project) const;
  // Writes the headline in the activity's form, without triggers.
  int store_title(const char* title, const char* comment, int op) const;
  // Whether the latest baseline of `stream`'s timeline of `component` lists
  // this activity (0 when the stream has no such timeline or baseline).
  int in_latest_baseline(const SUM_Stream& stream, const SUM_Component& component,
                         int& listed) const;
  // The UUIDs of the views the activity is current in.
  int view_uuids(std::vector<std::string>& out) const;
  // Adds `version` to the change set (no triggers): the repair entries.
  int add_cset_entry(const SUM_Version& version, int checkout, const SUM_EventInfo& event) const;
  // The "ZEM_DELIVER" (else "ZEM_REBASE") record's child `child` as text,
  // after the refusals of contrib_baselines; `present` whether the child
  // exists.
  int read_integration_record(const char* child, SUM_String& text, int& present) const;
  int contrib_list(const char* child, SUM_BaselineList& out) const;
  // The two link PVARs; a half-set pair is reported (1001).
  int tk_link_pvars(SUM_String& entitydef, SUM_String& display) const;

  unsigned mod_count_ = kNoModCount;
};

// Renames activity `dbid` of `pvob` (SUM_Activity::set_name).
int sum_act_set_name(tbs_dbid_t dbid, vob_vob_h pvob, const char* name, const char* comment);

#endif  // SUM_SUM_ACTIVITY_H
