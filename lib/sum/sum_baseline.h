// SUM_Baseline: the handle of a baseline, the recorded configuration of one
// component on one timeline (services/vob_zem_baseline.h).
//
// Storage forms (SUM_Vob::supports_fc_objs): an object of metatype 41, or in
// older PVOBs a checkpoint of metatype 33; the vob_zem_baseline_* calls pick
// the form.
//
// Labeling status (LabelingStatus): a baseline without a version map is
// INITIAL when it is its component's initial baseline, NOT_LABELABLE when its
// component has no root directory, else UNLABELED. Version maps arrive with
// the labeling operations; until then no baseline has one.
//
// Promotion level: an attribute of the PVOB's promotion-level attribute type
// (well-known object 77) whose value is the level's name in double quotes.
//
// Contracts: value handle; a null handle records an internal error and
// returns 1072; out-parameters are filled only on success; refusals print
// their message and return 1001; repository failures pass up.
#ifndef SUM_SUM_BASELINE_H
#define SUM_SUM_BASELINE_H

#include "sum/sum_handle_kind.h"
#include "sum/sum_lists.h"
#include "sum/sum_plevel.h"
#include "sum/sum_string.h"
#include "sum/sum_trace.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"

class SUM_Component;
class SUM_Element;
class SUM_LabelType;
class SUM_Project;
class SUM_Stream;
class SUM_Timeline;
class SUM_Vermap;
class SUM_Version;
struct vob_zem_baseline_info_t;
template <typename K, typename V>
class SUM_HashTab;

class SUM_Baseline : public SUM_NamedObject {
 public:
  static constexpr SUM_HandleKind handle_kind = SUM_HandleKind::BASELINE;
  // Operation codes recorded with the creation and changes of a baseline.
  static constexpr int kOpCreate = 99;
  static constexpr int kOpChange = 100;
  // The longest name a baseline is given before a uniqueness suffix.
  static constexpr int kMaxNameBase = 235;

  enum LabelingStatus {
    UNLABELED = 0,
    INCREMENTAL = 1,
    FULL = 2,
    INITIAL = 3,
    NOT_LABELABLE = 4,
  };

  SUM_Baseline() = default;
  SUM_Baseline(const SUM_Vob& vob, tbs_dbid_t dbid) : SUM_NamedObject(vob, dbid) {}

  // The baseline for the same object when it is one, else a null handle.
  static SUM_Baseline convert(const SUM_VobObject& obj) {
    return sum_convert_as<SUM_Baseline>(obj);
  }
  // The baseline named by `text` ("baseline:name@pvob", "name@pvob", or
  // "name" in `vob`); 1001 when it names another kind of object.
  static int construct_from_selector(const SUM_String& text, const SUM_Vob& vob, SUM_Baseline& out,
                                     int widen = 0) {
    return sum_construct_from_selector_as(text, vob, out, widen);
  }

  // Makes a baseline on `timeline` (a component's main timeline or a
  // stream's timeline) named `name`, made unique among the PVOB's baselines
  // by a numeric suffix starting at `unique_start` when taken ("name",
  // "name.1", ...). `position` places its entry on a stream's timeline (-1:
  // appended). A read-only stream refuses (1001). The new baseline takes
  // the PVOB's default promotion level. Records `comment` with code 99.
  static int create(const SUM_Timeline& timeline, const char* name, const char* comment,
                    int unique_start, long position, SUM_Baseline& out);
  // The name a new baseline of `component` made in `stream` (null: on the
  // main timeline) gets from `base`: `name_base` is the name without a
  // uniqueness suffix (cut to kMaxNameBase bytes with a warning), `name` the
  // one made unique as create describes. A name that is not a valid object
  // name is 1001 after the naming utility's message; no free name: 1001.
  static int compute_baseline_name(const char* base, const SUM_Stream& stream,
                                   const SUM_Component& component, int unique_start,
                                   SUM_String& name_base, SUM_String& name);
  // The full creation: as create, recording the (activity, mod_count) pair
  // of each of `activities` (an activity without a recorded count fails with
  // 1001; one with checkouts only warns), the dependency record of
  // `dependencies` (PVOB feature level 3 needed, 1001 otherwise), and moving
  // the entries `reorder` of the timeline, in their order, right after the
  // new baseline's entry. One repository transaction.
  static int create_and_reorder(const SUM_Timeline& timeline, const char* name,
                                const SUM_ActivityList& activities,
                                const SUM_BaselineList& dependencies, const char* comment,
                                int unique_start, long position,
                                const SUM_TimelineEntryList& reorder, SUM_Baseline& out);
  // The naming template expansion as above; with `allow_no_component` a
  // null component is allowed (the "component" token then expands to
  // "<component>"), otherwise it is an internal error. The template is the
  // project's (tokens joined by "_"); "ZEM_FORCE_UNIQUE_BLNAME" set to
  // "true" refuses a name that is taken instead of adding a suffix.
  static int compute_baseline_name(const char* base, const SUM_Stream& stream,
                                   const SUM_Component& component, int allow_no_component,
                                   int unique_start, SUM_String& name_base, SUM_String& name);
  // The name of a baseline importing label type `lbtype_name` into
  // `component`: "<lbtype>_<component>_IMPORT", cut and made unique.
  static int compute_import_baseline_name(const char* lbtype_name, const SUM_Component& component,
                                          SUM_String& name);
  // Between these two calls every baseline named with the "date" or "time"
  // token gets the same date and time text (the first one made fixes it).
  static void start_group_create();
  static void end_group_create();
  // Makes a baseline of `component`'s main timeline whose version map is the
  // label type `lbtype` (of the VOB of the component's root directory),
  // named `name` or, when null or empty, by compute_import_baseline_name.
  // Fires the mkbl triggers; a failure after the baseline exists removes it.
  static int create_import(const SUM_LabelType& lbtype, const char* name,
                           const SUM_Component& component, const char* comment, SUM_Baseline& out);

  // The PVOB's record of the baseline as the repository keeps it: names,
  // component, timeline, stream, dependency text and creation time.
  int info(vob_zem_baseline_info_t& out) const;
  // The name it was asked for before a uniqueness suffix was added (its
  // name when none was): the base name of baselines that succeed it.
  int name_base(SUM_String& out) const;
  // The component the baseline is of.
  int component(SUM_Component& out) const;
  // The timeline it lies on (the component itself for its main timeline).
  int timeline(SUM_Timeline& out) const;
  // The stream it was made in; 1002 for a baseline of a main timeline
  // (initial and import baselines).
  int stream(SUM_Stream& out) const;
  // Whether it is its component's initial baseline.
  int is_initial(int& result) const;
  // The labeling status (LabelingStatus).
  int labeling_status(int& status) const;
  // Whether the baseline may serve as a foundation: every status but
  // UNLABELED.
  int is_labeled(int& labeled) const;
  // As is_labeled; with `check_members` a baseline with dependencies is
  // labeled only when every member baseline is (recursively).
  int is_labeled(int& labeled, int check_members) const;
  // Whether the baseline is labeled and its version map's name holds
  // "_in_progress".
  int is_in_progress(int& result) const;
  // The version map (a label type in the VOB of the component's root
  // directory); vermap answers 1002 when there is none.
  int has_vermap(int& result) const;
  int vermap(SUM_Vermap& out) const;
  // Records `map` as the baseline's version map (1001 when it has one).
  int set_vermap(const SUM_Vermap& map) const;
  // The selector a config spec uses for the baseline: a labeled baseline's
  // version map name; an initial one without map "/" + main branch type
  // name + "/0"; others refuse with the "does not appear to be labeled"
  // message, 1001.
  int config_str(SUM_String& out) const;
  // Labels an unlabeled baseline: a new incremental version map named
  // `name` (null or empty: the baseline's name) holding the versions the
  // baseline changed since its predecessor on its timeline, based on the
  // nearest labeled predecessor's map. `flag` is kept for callers (unused).
  int upgrade_to_incremental(const char* name, const char* comment, int flag) const;
  // Makes an incremental version map hold the whole configuration.
  int upgrade_to_full(const char* comment) const;
  // Drops from `versions` those a later labeled (or unlabeled) predecessor
  // already holds in a newer version of the same branch (see the source).
  static int adjust_baselined_versions(SUM_VersionList& versions, const SUM_Baseline& labeled_pred,
                                       const SUM_Baseline& unlabeled_pred);

  // The activities recorded by the baseline that still exist, each with
  // set_mod_count applied.
  int change_sets(SUM_ActivityList& out) const;
  // The activities that changed since the baseline's nearest predecessor
  // (the two configurations compared; sum_baseline_diff.cpp), each with its
  // count here set; without a predecessor, every recorded activity.
  int activities_since_pred_bl(SUM_ActivityList& out) const;
  // Renames the baseline (a valid name, unique among baselines of the
  // PVOB), firing the chbl triggers.
  int set_name(const char* name, const char* comment) const;
  // The title: the name (baselines keep no separate title).
  int title(SUM_String& out) const;
  // Sets the title, which for a baseline is its name: as set_name.
  int set_title(const char* title, const char* comment) const;
  // Whether the baseline was made by importing a label type.
  int is_import(int& result) const;
  // The version of `element` the baseline selects: from its version map, or
  // for an initial baseline without one version 0 of main; 1002 when the
  // map has none; 1001 for an unlabeled baseline.
  int selected_version(const SUM_Element& element, SUM_Version& out) const;
  // 0 when the current user may change the baseline (and its stream);
  // the repository's refusal otherwise.
  int check_permission() const;
  // `ok` 1 unless another replica masters the version map.
  int modmaster_operation_ok(int& ok) const;

  // The promotion level; a baseline without one reads as the PVOB's
  // default level.
  int plevel(SUM_PLevel& out) const;
  // Stores the promotion level (a level of the PVOB; 1001 otherwise),
  // firing the chbl triggers.
  int set_plevel(const SUM_PLevel& level, const char* comment) const;
  // As set_plevel; with `internal` nonzero (a change made by another
  // operation, such as creation) no trigger fires.
  int set_plevel_pvt(const SUM_PLevel& level, const char* comment, int internal) const;

  // The streams that take this baseline as a foundation baseline (sources of
  // incoming "UseBaseline" hyperlinks), in link order.
  int used_by_streams(SUM_StreamList& out) const;
  int is_used_by_stream(int& result) const;
  // Whether some timeline has a foundation arc to this baseline.
  int is_foundation_of_timeline(int& result) const;

  // ---- members of composite baselines (sum_baseline_dependency.cpp) ----

  // The member records (sum_baseline_dependency.h), in member order,
  // replacing `out`; read once per cache-control scope.
  int dependencies(SUM_BaselineDependencyList& out) const;
  // Resolved members in member order; `unavailable` 1 when a member's VOB is
  // not reachable (that member is left out). An unresolvable member ends the
  // list there and the call still succeeds.
  int dependencies(SUM_BaselineList& members, int& unavailable) const;
  int has_dependencies(int& result) const;
  // The components of the direct members, each once, in member order.
  int dependency_scope(SUM_ComponentList& out) const;
  // The components of all members, recursively, each once.
  int full_dependency_scope(SUM_ComponentList& out) const;

  // ---- dependents across PVOBs (sum_baseline_dependency.cpp) ----

  // Enters, for each baseline of each PVOB of `pvobs`, one pair per resolved
  // member: member -> list of baselines depending on it. An unresolvable
  // member prints a warning naming its composite and is skipped.
  static int compute_reverse_dependencies(const SUM_VobList& pvobs,
                                          SUM_HashTab<SUM_Baseline, SUM_BaselineList>& table);
  // Appends this baseline's dependents from `table` to `out` (each once);
  // with `recurse`, their dependents follow. With `print`, lists them under
  // a heading, indented one unit per `level` (0 at the top).
  int reverse_dependency_lookup(const SUM_HashTab<SUM_Baseline, SUM_BaselineList>& table, int print,
                                int recurse, int level, SUM_BaselineList& out) const;
  // The baselines of every registered PVOB that depend on this one (with
  // `recurse`, transitively), after the searching warning.
  int reverse_dependency_list(SUM_BaselineList& out, int recurse) const;
  // As reverse_dependency_list, printing the listing.
  int reverse_dependency_print(int recurse) const;

  // ---- the baseline graph (sum_baseline_graph.cpp) ----

  // `result` 1 when this baseline is one of `candidates` or an ancestor of
  // one of them (SUM_BaselineGraph::is_ancestor_of).
  int is_ancestor_of(const SUM_BaselineList& candidates, int& result) const;
  // `result` 1 when this baseline has reached `stream`
  // (SUM_BaselineGraph::has_flowed_to).
  int has_flowed_to(const SUM_Stream& stream, int& result) const;
  // The baselines before this one on its timeline, oldest first.
  int predecessors(SUM_BaselineList& out) const;
  // The baseline this one grew from on its stream's timeline: the previous
  // baseline entry, or the foundation baseline of a foundation arc that
  // comes first going back. 1002 when there is none and for baselines of a
  // component's main timeline.
  int nearest_predecessor(SUM_Baseline& out) const;
  // The next baseline on its stream's timeline, then the next baseline after
  // each entry of another timeline that received this one (foundation arcs,
  // deliveries), each once.
  int successors(SUM_BaselineList& out) const;
  // Whether a delivery recorded this baseline on a target's timeline.
  int has_been_delivered(int& result) const;
  // `result` 1 when the deliver in progress from the baseline's stream
  // (`from`) delivers it and is not being cancelled.
  int is_being_delivered(int& result, SUM_Stream& from) const;
  // The timelines this baseline contributed to: those with a foundation arc
  // to it and those a delivery recorded it on, each once, replacing `out`.
  int timelines_contributed_to(SUM_TimelineList& out) const;
  // `result` 1 when this baseline and `other` (of the same component) have
  // a common ancestor (SUM_BaselineGraph::has_common_ancestor).
  int has_common_ancestor(const SUM_Baseline& other, int& result) const;

  // ---- removal (sum_baseline_removal.cpp) ----

  // Whether the baseline may be removed: `ok` 0 after the message of the
  // first refusal (status 0 either way unless a question fails). The checks
  // that need no search come first; the PVOB-wide searches (dependents,
  // recommending streams) run last; with kQuietSearch in `flags` they run
  // without announcing themselves (for a caller removing baselines it just
  // made itself).
  static constexpr int kQuietSearch = 1;
  int ok_to_destroy(int flags, int& ok) const;
  // Removes the baseline after ok_to_destroy (a refusal is 1001) and makes
  // this handle null. The label type of an imported baseline of a whole-VOB
  // component becomes an ordinary label type again; other version maps are
  // removed with it (one a later map is based on stays, with a message).
  // Fires the rmbl triggers. `flags` as for ok_to_destroy.
  int destroy(const char* comment, int flags = 0);

 private:
  // The PVOB's record of the baseline, read for the operation traced by
  // `trace` (a null handle is an internal error there).
  int read_info(const SUM_Trace& trace, vob_zem_baseline_info_t& info) const;
  // The fixed labeling refusals of upgrade_to_incremental and
  // upgrade_to_full for the current status; 0 when `status` may change.
  int refuse_labeling(int status, int to_full) const;
  // What the chbl triggers name: the component, and the stream and project
  // (null handles for a baseline of a main timeline).
  int trigger_context(SUM_Component& component, SUM_Stream& stream, SUM_Project& project) const;
};

// Renames the baseline named by `selector` (which names its PVOB) to
// `name`, as SUM_Baseline::set_name. A selector that names no baseline
// passes the lookup's status up.
int sum_baseline_set_name(const char* selector, const char* name, const char* comment);

#endif  // SUM_SUM_BASELINE_H
