// SUM_Rebase: moves a stream to new foundation baselines. The new
// configuration (SUM_NewConfig) is computed before the rebase starts; the
// rebase then saves the view's current activity ("ZEM_REBASE_MISC"),
// points the view's config spec at the new configuration, checks that a
// snapshot view has been reloaded, creates and sets the integration
// activity, merges what the stream changed, and on completion checks in,
// clears the activity, commits the configuration to the stream and
// restores the view. The stream's configuration is untouched until
// CONFIG_UPDATED, so a cancel before it only restores the view.
//
// A read-only stream merges nothing: no integration activity, no check-in.
// Otherwise the first phase merges into the view, in the integration
// activity, what the new baselines changed in elements the stream
// modified; merges that leave conflicts wait in the view for the user, and
// completion checks everything in.
//
// The record is the stream's "ZEM_REBASE" PVAR (keys "ver", "owner",
// "start", "act", "view", "state", "csid", "cfg"; format 3).
#ifndef SUM_SUM_REBASE_H
#define SUM_SUM_REBASE_H

#include <memory>
#include <string>
#include <vector>

#include "sum/sum_config_spec_id.h"
#include "sum/sum_integration.h"
#include "sum/sum_new_config.h"

class SUM_Rebase : public SUM_Integration {
 public:
  // Rebase status codes (rebase catalogue entry code - 80).
  enum RebaseStatus : int {
    ST_INVALID_BASELINES = 80,
    ST_CANNOT_COMPUTE_DIFFS = 81,
    ST_CANNOT_UPDATE_CONFIG = 82,
    ST_CANNOT_UPDATE_CSPEC = 83,
    ST_CANNOT_RESTORE_CONFIG = 84,
    ST_VIEW_MISMATCH = 85,
    ST_DELIVER_IN_PROGRESS = 86,
    ST_PREOP_REFUSED = 89,
  };

  SUM_Rebase();
  ~SUM_Rebase() override;

  // A rebase of the stream of `config` (which it takes over) in state
  // PREPARED; null after the messages when the configuration is not valid
  // (code 80) or the rebase cannot start.
  static std::unique_ptr<SUM_Rebase> start_new_rebase(std::unique_ptr<SUM_NewConfig> config);

  // Whether `stream` has a rebase in progress; with the long form also its
  // view (null when none recorded), config spec identity and new
  // configuration (owned by the caller). 0 with `found` 0 when none.
  static int has_rebase_in_progress(const SUM_Stream& stream, int& found);
  static int has_rebase_in_progress(const SUM_Stream& stream, int& found, SUM_View& view,
                                    SUM_ConfigSpecId& csid, std::unique_ptr<SUM_NewConfig>* config);

  SUM_String operation_name_lc() const override;
  SUM_String operation_name_cap() const override;
  SUM_String status_msg(int code) const override;
  const char* pvar_name() const override;
  const SUM_AVMapList& record_map() const override;

  int start(const SUM_Stream& stream) override;
  int restart(const SUM_Stream& stream) override;
  // The view must be attached to the stream; with checkouts it is refused
  // (88) unless the stream's RebaseAllowCo policy allows them; then the
  // config spec identity becomes the stream's, one version on. A resumed
  // rebase with a view keeps it: another view is refused (85).
  int prepare_view(const SUM_View& view) override;
  int do_integration(OpnState target) override;
  // do_integration(CONTEXT_MERGED): the first phase.
  int do_rebase();
  int cancel() override;
  int activities(SUM_ActivityList& out) override;
  SUM_Stream target_stream() const override { return op_stream(); }

  int save_to_pvar() override;
  // The view's activity at the start: "ZEM_REBASE_MISC".
  const char* view_settings_pvar_name() const override;
  // A deliver from the stream excludes a rebase of it (86).
  const char* rival_pvar_name() const override;
  int rival_in_progress_code() const override { return ST_DELIVER_IN_PROGRESS; }
  int check_operation_pvar() override;
  int restore_from_pvar(const int& lenient) override;

  int new_config(SUM_NewConfig*& out) const override;
  int cspec_id(SUM_ConfigSpecId& out) const override;
  int set_new_config(SUM_NewConfig* config) override;
  int set_cspec_id(const SUM_ConfigSpecId& id) override;
  const SUM_ConfigSpecId& config_spec_id() const { return csid_; }
  int is_read_only() const { return read_only_; }

  // The operation, then the baselines rebased to (note severity).
  void print_details() const;
  // "Rebase operation is currently in state ..." (note severity).
  void report_rebase_state() const;
  // Refused (85) when `view` is not the view of the rebase in progress.
  int verify_view_is_rip_view(const SUM_View& view);
  // Moves the rebase in progress on `stream` to `view` (its own view may
  // have been removed): the old view, when it still exists, gets back its
  // config spec and activity; the record names `view`, which then shows
  // the rebase's configuration (a snapshot view is updated) and has the
  // integration activity. Refused once completion has begun, and as
  // check_retarget_view says; asked again for the view it moved to, it
  // finishes what a crash left undone there.
  int reset_rebase_view(const SUM_Stream& stream, const SUM_View& view);

  // ---- steps ----
  int do_update_cspec();
  int check_view_reloaded(int& reloaded);
  int undo_update_cspec();
  int do_update_config();
  int undo_update_config();
  // The versions to merge into the view: for each component moving to a
  // new baseline, that baseline's version of every element the stream
  // modified whose version it changed, replacing `out`; `count` their
  // number. An element the new baseline does not select is skipped with a
  // warning.
  int versions_to_merge(SUM_VersionList& out, int& count) const override;
  // After the merge: warns of each element the stream modified that the
  // view no longer shows (the new baselines removed its name), as its
  // changes are out of sight from now on.
  int report_hidden_changes() const;
  // Each component moving, with its old and new foundation baselines.
  int augment_context_merge(SUM_ContextMerge& merge) const override;

  void set_callbacks(const SUM_RebaseCB& callbacks) { callbacks_ = callbacks; }

 private:
  // The elements the stream modified in the component of `change`.
  int modified_elements(const SUM_FoundationChange& change, SUM_VobObjectList& out) const;
  // The rebase's own states: the view's config spec updated, the snapshot
  // view reloaded (`stop` when it must be reloaded first), the stream's
  // configuration, the clean-up.
  int run_first_phase_state(OpnState state, int& stop) override;
  // Gives the new view of a retargeted rebase what the rebase set in it.
  int set_up_retargeted_view();
  // Whether `view` already shows the rebase as set_up_retargeted_view
  // leaves it.
  int is_set_up(const SUM_View& view, int& set_up) const;
  int run_second_phase_state(OpnState state) override;
  int integrates_files() const override;
  // do_merge, then the changes of the stream the new foundation hides.
  int merge_into_view() override;
  // The rebase's own texts for the saved view settings ("ZEM_REBASE_MISC").
  void report_view_settings_fault(ViewSettingsFault fault) const override;
  int fire_trigger(TriggerKind kind, int preop) override;
  int complete_cleanup();
  int record_integrated_config();

  std::unique_ptr<SUM_NewConfig> config_;
  SUM_ConfigSpecId csid_;
  int read_only_ = 0;
  SUM_RebaseCB callbacks_;
};

#endif  // SUM_SUM_REBASE_H
