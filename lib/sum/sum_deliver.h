// SUM_Deliver: moves a stream's changes into another stream (its target,
// by default the stream's default deliver target). A deliver is planned
// before it touches anything (start, then prepare or prepare_acts: the
// target, the components that carry changes and whether the target may
// take them, the activities, the checkouts in the source), then runs
// through the engine's states: it makes the source's baselines of what it
// delivers ("deliverbl.*"), creates the integration activity in the target
// stream and sets it in the target view, merges there what the delivered
// baselines changed that the target does not have, and on completion
// checks in, records the delivery on the two streams, clears the activity
// and the record. Cancel undoes every step up to the check-in.
//
// The record is the source stream's "ZEM_DELIVER" PVAR (format 3: "ver",
// "owner", "start", "act", "view", "state", "target_stream", "bls",
// "bls_created", "posted", "orig_replica", "integrator", "tk_records",
// "optype", "fdnbls_included"). Posting a stream to another replica needs
// replicas, which this store does not have: every stream is mastered here,
// so a deliver is never posted.
#ifndef SUM_SUM_DELIVER_H
#define SUM_SUM_DELIVER_H

#include <string>
#include <vector>

#include "sum/sum_baseline.h"
#include "sum/sum_baseline_diff.h"
#include "sum/sum_integration.h"
#include "sum/sum_virtual_baseline.h"

class SUM_Deliver : public SUM_Integration {
 public:
  // Deliver status codes (deliver catalogue entry code - 42).
  enum DeliverStatus : int {
    ST_NO_ACTIVITIES = 42,
    ST_CHECKOUTS_EXCLUDED = 43,
    ST_CHECKOUTS_PREVENT = 44,
    ST_INTERPROJECT_REFUSED = 45,
    ST_NO_BASELINES = 46,
    ST_CANNOT_MAKE_BASELINE = 48,
    ST_REBASE_REQUIRED = 52,
    ST_REBASE_IN_PROGRESS = 55,
    ST_TARGET_NO_BASELINES = 56,
    ST_TARGET_NO_MOD_COMPS = 57,
    ST_NO_COMMON_MOD_COMPS = 58,
    ST_SELECTED_ACTS_UNSUPPORTED = 59,
    ST_SOURCE_NO_MOD_COMPS = 60,
    ST_INTEGRATION_NEEDS_BASELINES = 61,
    ST_BASELINES_NOT_DELIVERABLE = 62,
    ST_SELECTED_BLS_CONFLICT = 64,
    ST_SELECTED_BLS_OLD_FORMAT = 72,
    ST_NO_DEFAULT_TARGET = 65,
    ST_POLICY_REFUSED = 66,
    ST_START_PREOP_REFUSED = 67,
    ST_SOURCE_READ_ONLY = 69,
    ST_TARGET_READ_ONLY = 70,
    ST_TO_ITSELF = 73,
    ST_SELECTED_CHECKOUTS_EXCLUDED = 78,
    ST_SELECTED_CHECKOUTS_PREVENT = 79,
  };
  // Stored under "optype" besides DeliverOpType: a deliver of selected
  // baselines.
  static constexpr int kOpSelectedBaselines = 3;

  SUM_Deliver();
  ~SUM_Deliver() override;

  // `found` 1 when `stream` has a deliver in progress (its record exists).
  static int has_deliver_in_progress(const SUM_Stream& stream, int& found);

  SUM_String operation_name_lc() const override;
  SUM_String operation_name_cap() const override;
  SUM_String status_msg(int code) const override;
  const char* pvar_name() const override;
  const SUM_AVMapList& record_map() const override;

  // ---- planning (sum_deliver_plan.cpp) ----
  // A deliver from `source` to its default target.
  int start(const SUM_Stream& source) override;
  // A deliver from `source` to `target` (null: the default target). Leaves
  // state "prepared" and status 0, or a deliver code: 65 an integration
  // stream without a named target, 73 to itself, 69/70 a read-only source
  // or target, 6 a deliver already in progress, 55 a rebase in progress,
  // 45 an interproject deliver the target refuses. Writes nothing.
  int start(const SUM_Stream& source, const SUM_Stream& target);
  // Plans a deliver of the whole stream; prepare_acts one of `activities`
  // (each of the source stream). Writes nothing; a plan that finds nothing
  // to deliver ends with state "no_work_todo" and code 42 or 46 (status 0).
  int prepare();
  int prepare_acts(const SUM_ActivityList& activities);
  // Plans a deliver of the baselines `selected`, each made in the source
  // stream and of a component in its configuration (else 62 after naming
  // it; an empty selection: 61 from an integration stream, else 62); two of
  // one component conflict (64). The selection's closure, less what the
  // target holds already, is delivered; checkouts in the source do not
  // matter, a baseline holds none.
  int prepare_bls(const SUM_BaselineList& selected);
  // The activities the deliver takes (after planning), and those left out
  // because they hold checkouts.
  const SUM_ActivityList& delivered_activities() const { return activities_; }
  const SUM_ActivityList& acts_wcos() const { return acts_wcos_; }
  // The baselines a deliver of selected baselines takes (after planning),
  // and, once the first phase made them, those of any deliver.
  const SUM_BaselineList& delivered_baselines() const { return baselines_; }
  // After planning: the latest version of each element the delivered
  // changes touch, as the deliver would merge them (nothing is made).
  int preview_versions(SUM_VersionList& out) const;
  int is_default() const { return is_default_; }
  int is_intraproject(int& result) const;

  // ---- execution (sum_deliver_exec.cpp) ----
  // Binds the target view: a view of the target stream without checkouts
  // (8); for a deliver to the default target it is remembered as the
  // target's deliver view.
  int prepare_view(const SUM_View& view) override;
  // The first phase: commits (makes the baselines), creates and sets the
  // integration activity, merges (state "context_merged").
  int do_deliver();
  int do_integration(OpnState target) override;
  int restart(const SUM_Stream& source) override;
  int cancel() override;
  // Moves the deliver in progress from `source` to `view`, another view of
  // the target stream (its view was removed, or the work goes on
  // elsewhere): refused once completing has begun, for a view with
  // checkouts or of another stream, and while the integration activity
  // holds checkouts (check_retarget_view). The old view, when still there,
  // gets its own activity back; the new one gets the integration activity.
  // Merges made in the old view are not in the new one: a deliver past
  // "merging" goes back to it, so that resuming merges again. Asked again
  // for the view it moved to, it finishes setting that view up.
  // SUM_NOT_FOUND without a deliver in progress.
  int reset_deliver_view(const SUM_Stream& source, const SUM_View& view);
  int activities(SUM_ActivityList& out) override;
  SUM_Stream target_stream() const override { return target_; }

  // The versions to merge: for each delivered baseline, the latest version
  // of every element changed by the activities it holds that the target
  // stream does not hold (or holds at a lower count).
  int versions_to_merge(SUM_VersionList& out, int& count) const override;

  int save_to_pvar() override;
  // The target view's activity before the integration activity was set
  // in it: "ZEM_DELIVER_MISC".
  const char* view_settings_pvar_name() const override;
  // A rebase of the stream excludes a deliver from it (55).
  const char* rival_pvar_name() const override;
  int rival_in_progress_code() const override { return ST_REBASE_IN_PROGRESS; }
  int check_operation_pvar() override;
  int restore_from_pvar(const int& lenient) override;

  // Record fields.
  int posted(int& out) const override;
  int optype(DeliverOpType& out) const override;
  int selectedbls(int& out) const override;
  int target_stream(SUM_Stream& out) const override;
  int baselines(SUM_BaselineList& out) const override;
  int bls_created(SUM_BaselineList& out) const override;
  int fdn_bls_in_stream_bls(SUM_BaselineList& out) const override;
  int orig_replica(SUM_Replica& out) const override;
  int integrator(SUM_String& out) const override;
  int tk_remastered_acts(SUM_ActivityList& out) const override;
  int set_baselines(const SUM_BaselineList& list) override;
  int set_target_stream(const SUM_Stream& stream) override;
  int set_bls_created(const SUM_BaselineList& list) override;
  int set_fdn_bls_in_stream_bls(const SUM_BaselineList& list) override;
  int set_posted(int posted) override;
  int set_optype(DeliverOpType type) override;
  int set_orig_replica(const SUM_Replica& replica) override;
  int set_integrator(const SUM_String& login) override;
  int set_tk_remastered_acts(const SUM_ActivityList& list) override;

  // The operation, then where it delivers and the baselines (note
  // severity).
  void print_details() const;
  // "Deliver operation is currently in state ..." (note severity).
  void report_deliver_state() const;

  void set_callbacks(const SUM_DeliverCB& callbacks) { callbacks_ = callbacks; }

 private:
  // ---- planning ----
  int choose_target(const SUM_Stream& source, const SUM_Stream& named);
  // The planning of prepare and prepare_acts: analyze, compare_streams,
  // set_acts_wcos, each while there is work.
  int plan_activities();
  int check_start_refusals();
  int analyze();
  int check_rebase_policy();
  // Warns of each component of the source's foundation that the rebase
  // stream recommends no baseline of (`recommended` the components it
  // does): the rebase policy cannot check it.
  int report_unrecommended(const SUM_ComponentList& recommended);
  int compare_streams();
  int analyze_selected_bls(const SUM_BaselineList& selected);
  int compare_selected_bls();
  int component_changes(const SUM_VirtualBaseline& vbl, SUM_ActivityList& out) const;
  // The activities of `vbl` and of the source's foundation baseline of its
  // component, replacing `out`.
  int configuration_activities(const SUM_VirtualBaseline& vbl, SUM_ActivityList& out) const;
  int selected_component_taken(const SUM_Component& component, int& taken) const;
  // The activities `delivered` holds that the target does not (or holds at
  // a lower count).
  int flowing_diffs(const SUM_BaselineVR& delivered, BaselineDiffList& out) const;
  int check_changed_component(const SUM_Component& component, const SUM_ActivityList& flowing,
                              int& keep);
  void changes_origin(const SUM_ActivityList& flowing, bool& own, bool& inherited) const;
  // The source's foundation baselines whose changes the target lacks
  // (fdn_bls_): each said, then allowed or refused (66) by the target's
  // foundation-changes policy.
  int check_foundation_changes();
  // The latest version of each element changed by the activities
  // `delivered` holds that the target does not (or holds at a lower count).
  int flowing_versions(const SUM_BaselineVR& delivered, SUM_VersionList& out) const;
  int set_acts_wcos();
  int check_acts_wcos_policy(int selected);
  int policy_enabled(const SUM_Stream& stream, int id, int& enabled) const;
  // ---- execution ----
  // The deliver's own states: committed (the baselines made), the
  // integration arc drawn, the record finished, completed.
  int run_first_phase_state(OpnState state, int& stop) override;
  int run_second_phase_state(OpnState state) override;
  int merge_into_view() override;
  // "Unable to complete deliver ..." and the advice to restart.
  int refuse_new_merges() override;
  int fire_trigger(TriggerKind kind, int preop) override;
  // "deliverbl.<stream>.<start time>": the name of the baselines this
  // deliver makes (a suffix makes each unique); "" when the stream's name
  // cannot be read.
  std::string baseline_base_name() const;
  int make_baselines();
  // Adds to the baselines delivered the source's older baselines of their
  // components that the target has not received: each delivered baseline
  // holds them, so they need no merge of their own.
  int add_mergeless_baselines();
  // Adds to the baselines made those of the source named by this deliver
  // that its record does not list (made just before a crash).
  int find_orphan_baselines();
  int remove_baselines(int cancelling);
  int draw_integration_arc();
  // The deliver in progress from `source`, restored (`lenient` as for
  // restore_from_pvar) with its default-target flag; SUM_NOT_FOUND (code 5)
  // without one.
  int restore_in_progress(const SUM_Stream& source, const int& lenient);
  // Gives the view reset_deliver_view moved to what the deliver set in it.
  int set_up_retargeted_view();
  int finish_record();

  SUM_Stream target_;
  int is_default_ = 0;
  int selected_acts_ = 0;
  int optype_ = DELIVER_LOCAL;
  SUM_String integrator_;
  SUM_ActivityList activities_;
  SUM_ActivityList acts_wcos_;
  SUM_ActivityList acts_wcos_only_;
  SUM_BaselineList baselines_;
  SUM_BaselineList bls_created_;
  SUM_BaselineList fdn_bls_;
  SUM_VirtualConfig vconfig_;
  SUM_VirtualBaselineList to_realize_;
  SUM_DeliverCB callbacks_;
};

#endif  // SUM_SUM_DELIVER_H
