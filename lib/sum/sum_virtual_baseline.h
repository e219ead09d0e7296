// Virtual baselines: for one component of one stream, the baseline the
// stream would make now (its activities, each at the modification count it
// has in that component, and its dependencies); a virtual configuration
// holds one per component of the stream. Streams make their baselines by
// realizing virtual baselines.
//
// SUM_VirtualConfig and SUM_VirtualBaseline are shared handles: copies refer
// to the same representation, and a virtual baseline refers back to its
// configuration. SUM_BaselineVR holds either a real or a virtual baseline
// so that callers can treat both alike.
//
// Contracts: status returns as everywhere in the library; a null handle is
// an internal error (1072); refusals print their message and return 1001;
// "not found" is 1002.
#ifndef SUM_SUM_VIRTUAL_BASELINE_H
#define SUM_SUM_VIRTUAL_BASELINE_H

#include <memory>
#include <vector>

#include "sum/sum_activity.h"
#include "sum/sum_baseline.h"
#include "sum/sum_callbacks.h"
#include "sum/sum_component.h"
#include "sum/sum_lists.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"

class SUM_VirtualConfig;
struct SUM_GapScan;
struct SUM_VirtualBaselineRep;
struct SUM_VirtualConfigRep;

class SUM_VirtualBaseline {
 public:
  // The environment variable that, set to "true" (any case), makes every
  // realization create a baseline instead of reusing the foundation.
  static constexpr const char* kDisableFdnReuse = "KORVA_DISABLE_FDN_REUSE";

  SUM_VirtualBaseline() = default;
  bool is_null() const { return rep_ == nullptr; }
  bool operator==(const SUM_VirtualBaseline& other) const { return rep_ == other.rep_; }
  bool operator!=(const SUM_VirtualBaseline& other) const { return rep_ != other.rep_; }

  // The configuration it belongs to (null once that is gone).
  SUM_VirtualConfig vconfig() const;
  int stream(SUM_Stream& out) const;
  int component(SUM_Component& out) const;
  // Its activities, each carrying its count in this component, replacing
  // `out` (the configuration's change sets are distributed first).
  int change_sets(SUM_ActivityList& out) const;
  // The stream's newest baseline of the component; 1002 when none.
  int latest_real_baseline(SUM_Baseline& out) const;
  // Whether it holds changes the stream's newest baseline of the component
  // does not record.
  int has_unrecorded_changes(int& result) const;
  // The baseline realize made or reused (1002 before), and whether it was
  // an existing one (the foundation or the newest baseline).
  int realized(SUM_Baseline& out, int& reused) const;

  // Makes the baseline: `name` is the base name (made unique by the naming
  // template), `comment` is recorded. Unless `identical` is set or a
  // delivery into the stream was recorded since the timeline's newest
  // baseline (or, before it made one, at all), one with nothing unrecorded
  // since that baseline and the same dependencies gives that baseline;
  // when the stream has made none, one
  // that adds nothing to the timeline's foundation baseline (no activity of
  // the component, the same dependencies) gives that foundation baseline
  // unless KORVA_DISABLE_FDN_REUSE is "true". Otherwise a baseline is made,
  // so changed members always make a new one. A read-only stream refuses (1001). Fires
  // the mkbl triggers (post-operation only for a created baseline). The
  // choice and the making are one transaction of the project VOB under its
  // write lock, so concurrent realizations in a stream make one baseline.
  int realize(const char* name, const char* comment, int identical, SUM_Baseline& out);
  // The baseline entries of `timeline` at or after the timeline position
  // (none when the new baseline is appended) that record activities of this
  // virtual baseline: they build on it and are moved after the new one.
  int tl_ents_to_reorder(const SUM_Timeline& timeline, SUM_TimelineEntryList& out) const;
  // Its members: the virtual baselines of the configuration it depends on
  // (which realize as the stream's baselines of their components), then
  // the fixed baselines outside the configuration; `out` is replaced.
  int dependencies(SUM_BaselineVRList& out) const;
  // The components of all its members, recursively (through virtual and
  // fixed members alike), each once; `out` is replaced.
  int full_dependency_scope(SUM_ComponentList& out) const;
  // Makes the pending baseline depend on `member`: a virtual baseline of
  // the same configuration, or a baseline, which stands for its
  // component's virtual baseline when it is the stream's current baseline
  // of a component in the configuration, and for itself when its
  // component is outside the configuration (SUM_VirtualConfig::member_for
  // refuses other baselines). Refused (1001, after a message, members
  // unchanged): a member of its own component, a second member of one
  // component, and a member that would close a cycle of dependencies.
  int add_dependency(const SUM_BaselineVR& member);
  // Drops the member of `member`'s component from the pending baseline. A
  // component it does not depend on gives a warning and changes nothing
  // (still 0).
  int remove_dependency(const SUM_BaselineVR& member);
  // A name for messages: "<component> in <stream>".
  int any_name(SUM_String& out) const;

  // Changes-set computation steps (used by SUM_VirtualConfig).
  // Appends `activity` with `count`, or updates the count of the listed
  // one (warning when unchanged).
  int add_activity(const SUM_Activity& activity, unsigned count);
  // Drops activities without a change set, then compares with the newest
  // baseline of the component.
  int compute_has_unrecorded_changes();

 private:
  friend class SUM_VirtualConfig;
  explicit SUM_VirtualBaseline(std::shared_ptr<SUM_VirtualBaselineRep> rep)
      : rep_(std::move(rep)) {}
  // This handle, keeping `config` alive for as long as it lives.
  SUM_VirtualBaseline kept_with(const std::shared_ptr<SUM_VirtualConfigRep>& config) const {
    SUM_VirtualBaseline copy(*this);
    copy.keep_ = config;
    return copy;
  }
  // The configuration's change sets, distributed once.
  int ensure_csets() const;
  // The existing baseline that realizing stands for, left null when a new
  // one is needed (always after a delivery recorded since the newest
  // baseline): unless `identical`, the timeline's newest baseline when
  // nothing is unrecorded, else (none made yet) the timeline's foundation
  // baseline when the component has no activity and foundation reuse is
  // on; in both cases only with the same dependencies as `dependencies`.
  int existing_result(const SUM_Timeline& timeline, const SUM_BaselineList& dependencies,
                      int identical, SUM_Baseline& out) const;
  // realize's writes, inside its write group: the existing baseline that
  // stands for this one (`reused` 1), or the baseline made (`reused` 0).
  int decide_and_make(const char* name, const char* comment, int identical,
                      const SUM_BaselineList& dependencies, SUM_Baseline& out, int& reused);

  std::shared_ptr<SUM_VirtualBaselineRep> rep_;
  // Set in handles given to callers only: the configuration refers to its
  // virtual baselines, which refer back to it weakly.
  std::shared_ptr<SUM_VirtualConfigRep> keep_;
};

class SUM_VirtualConfig {
 public:
  SUM_VirtualConfig() = default;
  bool is_null() const { return rep_ == nullptr; }
  bool operator==(const SUM_VirtualConfig& other) const { return rep_ == other.rep_; }
  bool operator!=(const SUM_VirtualConfig& other) const { return rep_ != other.rep_; }

  // One virtual baseline per component of the stream (progress reason
  // PREPARE_COMPONENT per component; `interrupted` 1, status 1001, when the
  // callback answers nonzero). `progress` may be null; a copy of it serves
  // the configuration's later steps (PREPARE_CHANGE_SET per activity and
  // EVALUATE_BASELINE per component while change sets are distributed).
  static int construct(const SUM_Stream& stream, SUM_ProgressCB* progress, SUM_VirtualConfig& out,
                       int& interrupted);
  // As construct, each virtual baseline starting from the activities (at
  // their recorded counts) of the stream's newest baseline of its
  // component, none where the stream has made none; activities the stream
  // has not baselined are left out. Progress and `interrupted` as for
  // construct.
  static int construct_from_latest_baselines(const SUM_Stream& stream, SUM_ProgressCB* progress,
                                             SUM_VirtualConfig& out, int& interrupted);
  // As construct, holding only `activities` (all of `stream`: otherwise
  // "All activities must be in same stream.", 1001), which then pass the
  // timeline-gap check (check_TL_gaps) unless kRevertTLGaps is "true";
  // `out` is untouched on failure.
  static int construct_from_acts(const SUM_Stream& stream, const SUM_ActivityList& activities,
                                 SUM_VirtualConfig& out);
  // As construct_from_acts, for a deliver of `activities`: an activity the
  // stream's newest baseline records (one a deliver may have made) that the
  // selection leaves out is reported as such.
  static int construct_deliver_acts(const SUM_Stream& stream, const SUM_ActivityList& activities,
                                    SUM_VirtualConfig& out);
  // Adds `activities` with their counts per component; `flag` is reserved.
  int add_acts(const SUM_ActivityList& activities, int flag);
  // Adds `activities` (of the stream, as add_acts) to this configuration
  // and then checks the timeline for gaps (check_TL_gaps), unless
  // kRevertTLGaps is "true" (read once per call). Made for configurations
  // of the newest baselines (construct_from_latest_baselines), where an
  // activity at the count its baseline recorded warns that it has not
  // changed; a configuration of the whole stream has its activities
  // distributed first. On a refusal (1001, after the messages) the
  // configuration holds the activities but must not be realized.
  int update_with_acts(const SUM_ActivityList& activities);
  // Checks that a baseline made of this configuration, in which
  // `selected` are the activities chosen by the caller and the rest stand
  // for the stream's newest baselines, is a consistent configuration of
  // each component holding one of `selected`. The rule: walking back on
  // its branch from every checked-in version a selected activity recorded
  // in the component, the nearest earlier version that an activity
  // recorded must be one the configuration holds: that activity is in the
  // configuration (else in the stream's newest baseline of the component)
  // at a count that covers the version. Otherwise a baseline would select
  // a version without the change it builds on:
  //   vers_check_lo_gap: the activity is in neither: "Activity "%s" must
  //     be added to activity list.";
  //   vers_check_contig: its count there is older than the version:
  //     "Version "%s" from the activity "%s" is missing from the required
  //     version list.";
  //   check_CA_dependency: an activity the stream's newest baseline of the
  //     component records is missing, so the new baseline, placed after
  //     that one, would drop it: "Activity "%s" must be added to activity
  //     list to preserve baseline order in stream.".
  // A version whose activity cannot be told (several claim it) gives
  // "Unable to determine missing activity.". Versions outside every
  // activity are walked past. Every gap is reported, each activity and
  // version once; then 1001. Reads the configuration as it is (no change
  // sets are distributed) and writes nothing.
  // `for_deliver` 1 gives the deliver's text for an activity the newest
  // baseline records ("... in a previous baseline that was possibly created
  // by a deliver operation.").
  int check_TL_gaps(const SUM_ActivityList& selected, int for_deliver = 0) const;
  // The environment variable that, set to "true" (any case), switches the
  // timeline-gap check of construct_from_acts and update_with_acts off.
  static constexpr const char* kRevertTLGaps = "REVERT_QRTU00060301";

  int stream(SUM_Stream& out) const;
  int virtual_baselines(SUM_VirtualBaselineList& out) const;
  // The virtual baseline of `component`; 1002 when it has none.
  int virtual_baseline(const SUM_Component& component, SUM_VirtualBaseline& out) const;
  // Distributes the stream's activities over the virtual baselines by the
  // components they changed, then computes their unrecorded changes. Runs
  // once per configuration.
  int compute_cset_info();
  // `list` ordered so that every virtual baseline comes after those it
  // depends on (members before composites); order kept otherwise. A cycle
  // is 1072 (edits refuse to make one).
  int sort_in_reverse_dependency_order(SUM_VirtualBaselineList& list) const;
  // The members of the virtual baselines, read once per configuration
  // from the members of the stream's current baseline of each component (a
  // member whose component is in the configuration becomes that
  // component's virtual baseline); later calls keep the pending edits. A
  // member that cannot be read is refused with its composite named (1001).
  int compute_virtual_dependencies();
  // `result` 1 when the virtual baselines cannot be ordered so that each
  // comes after all it depends on: through virtual members, or through a
  // fixed member whose own members include a component of the
  // configuration.
  int has_dependency_cycle(int& result) const;
  // The member `baseline` stands for in this configuration: the virtual
  // baseline of its component when that component is in the configuration
  // and `baseline` is the stream's current baseline of it, `baseline`
  // itself when its component is outside the configuration. Any other
  // baseline of a component in the configuration is refused (1001): the
  // pending baseline would not record the stream's own member.
  int member_for(const SUM_Baseline& baseline, SUM_BaselineVR& out) const;

  // Realizes the virtual baselines of `components` (empty: all) as
  // realize_subset does; a component outside the configuration is 1002.
  int realize(const char* name, const char* comment, const SUM_ComponentList& components,
              int identical, SUM_BaselineList& made, std::vector<int>& created);
  // Realizes `subset` (virtual baselines of this configuration; another's
  // is 1072; empty: nothing) with the composites that depend on them
  // (add_missing_composites), in reverse dependency order, inside one
  // group (same date and time in names); a member left out keeps the
  // stream's current baseline of its component, and the other components
  // are left alone; `identical` as for SUM_VirtualBaseline::realize.
  // `made` gets one baseline per realized component (a reused one
  // included) and `created` marks (1/0, same order) which were made new.
  // Stops at the first failure; baselines already made stay.
  int realize_subset(const char* name, const char* comment, const SUM_VirtualBaselineList& subset,
                     int identical, SUM_BaselineList& made, std::vector<int>& created);

 private:
  friend class SUM_VirtualBaseline;
  explicit SUM_VirtualConfig(std::shared_ptr<SUM_VirtualConfigRep> rep) : rep_(std::move(rep)) {}
  // The representation with one virtual baseline per component: empty, or
  // with `from_latest` holding the activities of the stream's newest
  // baseline of the component.
  static int construct_utl(const SUM_Stream& stream, SUM_ProgressCB* progress, int from_latest,
                           SUM_VirtualConfig& out, int& interrupted);
  // construct_from_acts, with check_TL_gaps's `for_deliver`.
  static int construct_acts_utl(const SUM_Stream& stream, const SUM_ActivityList& activities,
                                int for_deliver, SUM_VirtualConfig& out);
  // The timeline-gap checks of check_TL_gaps for one virtual baseline; each
  // adds the gaps it reported to `scan` (sum_virtual_gaps.cpp).
  int vers_check_lo_gap(const SUM_VirtualBaseline& vbl, const SUM_Activity& activity,
                        SUM_GapScan& scan) const;
  int vers_check_contig(const SUM_Version& version, const SUM_Activity& owner, unsigned count,
                        SUM_GapScan& scan) const;
  int check_CA_dependency(const SUM_VirtualBaseline& vbl, SUM_GapScan& scan) const;
  // Runs SUM_VirtualBaseline::compute_has_unrecorded_changes for each.
  int compute_unrecorded_changes();
  // Appends copies of `activity` (one per component it changed, with its
  // count there) to the virtual baselines.
  int partition_cset(const SUM_Activity& activity);
  // Adds to `chosen` every virtual baseline of the configuration that
  // depends on one in it, repeatedly.
  void add_missing_composites(SUM_VirtualBaselineList& chosen) const;
  // The index of the virtual baseline of `component`, or -1.
  int index_of(const SUM_Component& component) const;
  // For each virtual baseline, the indexes of those it must follow; with
  // `through_fixed`, also those of the components in its fixed members'
  // scopes.
  int dependency_indexes(const SUM_VirtualBaselineList& list, int through_fixed,
                         std::vector<std::vector<unsigned>>& out) const;
  // Reports progress; 1 when the caller asked to stop.
  int progress(SUM_ProgressCB::Operation op, int n, int total) const;

  std::shared_ptr<SUM_VirtualConfigRep> rep_;
};

// A real or a virtual baseline, with a timeline and an offset on it (-1
// when none).
class SUM_BaselineVR {
 public:
  SUM_BaselineVR() = default;
  explicit SUM_BaselineVR(const SUM_Baseline& real) : real_(real) {}
  explicit SUM_BaselineVR(const SUM_VirtualBaseline& virt) : virtual_(virt) {}
  bool operator==(const SUM_BaselineVR& other) const {
    return real_ == other.real_ && virtual_ == other.virtual_ && timeline_ == other.timeline_ &&
           offset_ == other.offset_;
  }
  bool operator!=(const SUM_BaselineVR& other) const { return !(*this == other); }

  const SUM_Baseline& real() const { return real_; }
  const SUM_VirtualBaseline& virtual_baseline() const { return virtual_; }
  int is_virtual() const { return virtual_.is_null() ? 0 : 1; }
  const SUM_Timeline& timeline() const { return timeline_; }
  int offset() const { return offset_; }
  void set_position(const SUM_Timeline& timeline, int offset) {
    timeline_ = timeline;
    offset_ = offset;
  }

  // From whichever baseline is set (neither: 1072).
  int component(SUM_Component& out) const;
  int stream(SUM_Stream& out) const;
  int change_sets(SUM_ActivityList& out) const;

 private:
  SUM_Baseline real_;
  SUM_VirtualBaseline virtual_;
  SUM_Timeline timeline_;
  int offset_ = -1;
};

#endif  // SUM_SUM_VIRTUAL_BASELINE_H
