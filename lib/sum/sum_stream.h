// SUM_Stream: the handle of a stream of a project. A project has at most one
// integration stream, placed in the project itself; development streams are
// placed in the integration stream or in another development stream (their
// parent stream). A read-only stream holds no changes. Whether a stream is
// the integration stream or read-only is fixed when it is made.
//
// Storage forms (SUM_Vob::supports_fc_objs): in the first-class form a
// stream is an object of metatype 39, in the activity-based form an
// activity-like object of the PVOB's stream type. Both are made, walked and
// removed by the vob_zem_stream_* calls, which pick the form themselves.
// Settings are process variables: the project's "SUM_PROJ_INT_STREAM" names
// its integration stream, an integration stream's "ZEM_DELIVER_TGT" names
// its default deliver target (universal selectors; empty means none).
//
// Every change fires the stream triggers (mkstream 96, chstream 97,
// rmstream 98) and records its comment with that code.
//
// Contracts: value handle; a null handle records an internal error and
// returns 1072; out-parameters are filled only on success; a refusal prints
// its message and returns 1001; a locked stream refuses changes with 1040;
// repository failures pass up.
#ifndef SUM_SUM_STREAM_H
#define SUM_SUM_STREAM_H

#include <cstddef>
#include <memory>
#include <vector>

#include "sum/sum_activity_base.h"
#include "sum/sum_component.h"
#include "sum/sum_ids.h"
#include "sum/sum_lists.h"
#include "sum/sum_policy.h"
#include "sum/sum_replica.h"
#include "sum/sum_handle_kind.h"
#include "sum/sum_project.h"
#include "sum/sum_string.h"
#include "sum/sum_vob.h"

class SUM_Activity;
class SUM_ConfigSpecId;
class SUM_ImsgPresenter;
class SUM_Foundation;
class SUM_NewConfig;
class SUM_View;

class SUM_Stream : public SUM_ActivityBase {
 public:
  static constexpr SUM_HandleKind handle_kind = SUM_HandleKind::STREAM;
  // Operation codes recorded with stream changes.
  static constexpr int kOpCreate = 96;
  static constexpr int kOpChange = 97;
  static constexpr int kOpRemove = 98;
  // Lowest PVOB feature level that holds read-only streams.
  static constexpr int kReadOnlyFeatureLevel = 3;

  class ChildIter;

  SUM_Stream() = default;
  SUM_Stream(const SUM_Vob& vob, tbs_dbid_t dbid) : SUM_ActivityBase(vob, dbid) {}

  // The stream for the same object when it is one, else a null handle.
  static SUM_Stream convert(const SUM_VobObject& obj) { return sum_convert_as<SUM_Stream>(obj); }
  // The stream named by `text` ("stream:name@pvob", "name@pvob", or "name"
  // in `vob`); 1001 when it names another kind of object.
  static int construct_from_selector(const SUM_String& text, const SUM_Vob& vob, SUM_Stream& out,
                                     int widen = 0) {
    return sum_construct_from_selector_as(text, vob, out, widen);
  }

  // Creates stream `name` of `project` with `title` (null or "": none).
  // `parent` (null: none) is the stream to place it in and must belong to
  // `project` (1001 otherwise). An integration stream is placed in the
  // project and takes no parent (1001). A development stream without a
  // parent goes into the project's integration stream when there is one,
  // else into the project itself. Refusals, each 1001 after its message: a
  // read-only stream on a PVOB below feature level 3 (55); a read-only
  // parent (51); a "SIMPLE" project that already has its integration stream
  // (56); a second integration stream (62); an integration stream of a
  // project mastered at another replica (86); a bad or used name. A new
  // integration stream is recorded as the project's. Fires the mkstream
  // triggers; a failure after the object exists removes it again.
  static int create(const char* name, const char* comment, const SUM_Project& project,
                    const SUM_Stream& parent, const char* title, int integration, int read_only,
                    SUM_Stream& out);

  // Renames the stream (bad or used name: 1001 after its message; locked:
  // 1040). Fires the chstream triggers.
  int set_name(const char* name, const char* comment) const;
  // The title, or the name when no title is set.
  int title(SUM_String& title) const;
  // Stores the title; an unchanged title answers 0 at once.
  int set_title(const char* title, const char* comment) const;
  int set_display_name(const char* name, const char* comment) const override;

  // The project the stream belongs to.
  int project(SUM_Project& out) const;
  // The stream this one is placed in; 1002 for a stream placed in its
  // project.
  int parent_stream(SUM_Stream& out) const;
  int is_integration(int& result) const;
  int is_read_only(int& result) const;
  // Whether streams are placed in this one.
  int has_streams(int& result) const;
  // A new walk over the streams placed in this one, in creation order;
  // owned by the caller. Null for a null handle (after an internal error).
  ChildIter* child_streams() const;
  // Every stream of `project` (placed in it or below), in creation order,
  // appended to `out`.
  static int project_streams(const SUM_Project& project, std::vector<SUM_Stream>& out);
  // The integration stream of `project`; 1002 when it has none.
  static int integration_stream(const SUM_Project& project, SUM_Stream& out);

  // ---- structure and configuration queries (sum_stream_queries.cpp) ----

  // is_integration under the name callers of the integration engine use.
  int is_integration_stream(int& result) const { return is_integration(result); }
  // 1 when the stream's project is a single-stream ("SIMPLE") project.
  int is_in_single_stream_project(int& result) const;
  // The streams placed in this one, in creation order, replacing `out`;
  // with `recursive`, each followed by the streams below it (depth first).
  int streams(SUM_StreamList& out, int recursive) const;
  // The activities placed in the stream (integration activities included),
  // in creation order, replacing `out`.
  int activities(SUM_ActivityList& out) const;
  int has_activities(int& result) const;
  // baseline_util for every component of the stream, replacing `out`: kind
  // 0, the effective foundation baselines in foundation-closure order; kind
  // 1, the newest baseline made in the stream of each component that has
  // one, in the order of the stream's timelines. Another kind is 1072.
  int baselines_util(int kind, SUM_BaselineList& out) const;
  // The "UseBaseline" target of `component` itself (not the timeline's
  // later foundation); 1002 when none of the targets is of `component`.
  int uses_baseline_util(const SUM_Component& component, SUM_Baseline& out) const;
  // The evaluated foundation of the recommended baselines (recbls).
  int rec_foundation(SUM_Foundation& out) const;
  // The stream whose recommended baselines this one rebases to by default:
  // a development stream's parent stream; 1002 for the integration stream
  // and for a stream placed in its project without one.
  int rebase_stream(SUM_Stream& out) const;
  // Of the rebase stream's recommended baselines (their closure), those
  // that would move this stream forward: descendants of, not equal to, its
  // foundation baseline of the same component, in closure order. Empty for
  // a stream without a rebase stream.
  int behind_recommended(SUM_BaselineList& out) const;
  // The activities of the stream whose changes are not in its foundation:
  // per component of the foundation, what the stream holds beyond its
  // foundation baseline, each activity once, in first-seen order.
  int activities_since_foundation(SUM_ActivityList& out) const;

  // The default deliver target: 1002 for a read-only stream; the stored
  // target of the integration stream (1002 when none); a development
  // stream's parent stream.
  int deliver_stream(SUM_Stream& out) const;
  // Stores the integration stream's default deliver target; a null target
  // clears it. Refusals (1001): not the integration stream (60), a target
  // mastered at another replica (43), the stream itself (46), a project of
  // model "SIMPLE" (54; 53 when the model cannot be read). Fires the
  // chstream triggers.
  int set_deliver_stream(const SUM_Stream& target, const char* comment) const;

  // ---- deliveries (sum_stream_deliver.cpp) ----

  // Records, on this source stream, that a deliver into `target` has
  // checked in the merges of `delivered`: each delivered baseline goes on
  // the target's timeline of its component as a "TimelineContribution"
  // hyperlink (well-known type 23) from the baseline to the timeline and a
  // kind 2 entry naming it, appended. From then on the baseline is part of
  // the target's content (BaselineDiff) and ancestry (SUM_BaselineGraph),
  // and has_been_delivered answers 1 for it. Every delivery is written in
  // one transaction of the project VOB: all or nothing. A baseline already
  // recorded on that timeline is left as it is, so a deliver resumed after
  // a crash may call this again. Baselines of components the target has no
  // timeline for are skipped. `view` is the target view (may be null); its
  // tag goes into the event comment when `comment` is null or "". A null
  // stream, target or baseline, or the target being this stream, is 1072;
  // a locked target timeline 1040 (nothing written).
  int record_deliver(const SUM_Stream& target, const SUM_BaselineList& delivered,
                     const SUM_View& view, const char* comment) const;
  // Removes exactly what record_deliver recorded for `delivered` on
  // `target` (the hyperlinks and their entries), in one transaction. A
  // baseline with nothing recorded is no error. Contracts as record_deliver.
  int undo_recorded_deliver(const SUM_Stream& target, const SUM_BaselineList& delivered,
                            const char* comment) const;
  // On a target stream: remembers `view` (null: 1072) as the view of the
  // last deliver into it (its UUID text in the PVAR
  // "ZEM_DELIVER_INTEGRATION_VIEW").
  int set_deliver_view(const SUM_View& view) const;
  // The remembered view: 1002 when none is remembered or the view no longer
  // exists. A PVAR that cannot be read prints "Unable to get view pvar."
  // and passes the status up; a text that is no UUID prints "Unable to
  // convert uuid "%s"." and gives 1001.
  int deliver_view(SUM_View& out) const;

  // Whether the stream may be removed; `ok` is 0 after the message of the
  // first refusal: a trigger type names it (87), activities are placed in
  // it (9), it has child streams (40), baselines were made in it (10),
  // views are attached to it (11, once per view). Status 0 either way.
  int ok_to_destroy(int& ok) const;
  // Removes the stream (after ok_to_destroy: a refusal is 1001), then its
  // branch type and its "_nonmod" branch type (a failure there is message
  // 22 naming the type, and removal goes on), clears the project's
  // integration stream when it was that, and makes this handle null. Fires
  // the rmstream triggers.
  int destroy(const char* comment);

  // ---- branch types and the modification test (sum_stream_branch.cpp) ----

  // The administrative VOB of the stream's PVOB: the top of its admin
  // chain, else the PVOB itself. Branch types of streams are global types
  // there.
  int admin_vob(SUM_Vob& out) const;
  // The branch type the stream's changes are made on (named like the
  // stream, linked from it by a hyperlink of well-known type 26); 1002 for
  // a read-only stream.
  int branch_type(SUM_NamedObject& out) const;
  // "<stream name>_nonmod": the branch type of stream-modifiable components.
  int nonmod_branch_type_name(SUM_String& out) const;
  // That branch type in the administrative VOB; 1002 when it does not exist.
  int nonmod_branch_type(SUM_NamedObject& out) const;
  // Whether an element under `component`'s root directory has a branch of
  // the stream's branch type. A read-only stream or a rootless component
  // answers 0. A VOB whose branches cannot be read prints message 58 and
  // returns 1001.
  int has_been_modified(const SUM_Component& component, int& modified) const;
  // Of `candidates`, those modified as has_been_modified tells, in list
  // order, and the elements on the stream's branch under their roots.
  int modified_comps_and_elems(const SUM_ComponentList& candidates, SUM_ComponentList& modified,
                               SUM_VobObjectList& elements) const;

  // ---- views attached to the stream (sum_stream_views.cpp) ----

  // Attaches the view with UUID `view` to this stream. One already attached
  // here prints message 1 and returns 1001; one attached to another stream
  // is refused by the repository (1001 after its message). Fires the
  // chstream triggers.
  int add_view(const SUM_Uuid& view, const char* comment) const;
  // Detaches the view (message 64, informational, as it goes); 1002 when
  // it is not attached to this stream.
  int detach_view(const SUM_Uuid& view, const char* comment) const;
  // The attached views, in attachment order, appended to `out`.
  int views(SUM_UuidList& out) const;
  int num_of_views(int& count) const;
  // The one attached view; message 42 and 1001 when there is none or more.
  int unique_view(SUM_Uuid& out) const;

  // ---- permission, mastership, task provider (sum_stream_admin.cpp) ----

  // 0 when the current user may change the stream: anyone while
  // "ChstreamUnrestricted" applies as "ENABLED" in the stream's context;
  // otherwise the owner of the stream, the PVOB's owner or a privileged
  // user. Anyone else gets 1001 after a message.
  int check_permission() const;
  // `local` 1 when this replica masters the stream; otherwise warning 41
  // names the stream, its master and the current replica.
  int check_local_mastership(int& local) const;
  // `all_local` 1 when this replica masters every stream below this one;
  // warning 41 for each that it does not.
  int child_streams_local_mastership(int& all_local) const;
  // Gives mastership of the stream and the objects associated with it (its
  // timelines, the activities placed in it, its branch types when they are
  // in the PVOB) to `replica`, of the PVOB's family. An unreplicated PVOB:
  // message 45 and 1001. An activity mastered elsewhere is skipped with
  // warning 47; branch types held in another VOB are listed after message
  // 35; anything that did not move gives message 34 and 1001; success,
  // message 33. `override` prints message 48 first. A failure to find the
  // associated objects prints 49.
  int chmaster_all(const SUM_Replica& replica, int override, const char* comment) const;

  // The task provider configuration ("KV_CMI_CONTEXT"); 1002 when none.
  int get_task_provider_conf(SUM_String& out) const;
  // Stores the configuration text (non-empty). Refused for a read-only
  // stream (89, 1001); a write failure prints 88. Fires the chstream
  // triggers; needs permission.
  int set_task_provider_conf(const char* conf, const char* comment) const;
  // Replaces the stored configuration only while it is `expected` (null or
  // "": none): 1087 when another process changed it meanwhile.
  int replace_task_provider_conf(const char* expected, const char* conf, const char* comment) const;
  // Removes it; 1002 when none is stored.
  int remove_task_provider_conf(const char* comment) const;
  // Whether the stream stores a configuration itself; whether it or a
  // stream above it does (the one that applies).
  int has_task_provider(int& has) const;
  int has_effective_task_provider(int& has) const;

  // ---- policies (sum_stream_policy.cpp) ----

  // The stream's own policies: every policy of type 2, stored values first,
  // "DISABLED" for those not stored (36 on a read failure, warning 50 for an
  // incomplete stored list).
  int policy(SUM_PolicyList& out) const;
  // One of them; an id that is not a stream policy prints 37 and gives 1001.
  int policy(int id, SUM_String& value) const;
  // The value that applies: the stream's own when the project's is
  // "ENABLED_BY_STREAM", else the project's.
  int policy_in_context(int id, SUM_String& value) const;
  int policies_in_context(SUM_PolicyList& out) const;
  // Writes the changed policies of `list` on top of the stored ones.
  // Refusals (1001): a read-only stream (52); a policy that is no stream
  // policy or a value a stream cannot hold (37; in a template project 84).
  // A write failure prints 38; when nothing changes, 1067 and nothing is
  // written. Fires the chstream triggers when asked.
  int set_policy(const SUM_PolicyList& list, const char* comment, int fire_triggers) const;

  // ---- configuration, timelines and recommended baselines
  // ---- (sum_stream_config.cpp); stream-modifiable components
  // ---- (sum_stream_mod_comps.cpp) ----

  // create with the foundation `baselines` (empty: none), one per
  // component. The configuration is validated before anything is made: each
  // refused baseline prints its configuration-change message and creation
  // returns 1001. Once the object and its branch type exist the foundation
  // is committed ("UseBaseline" hyperlinks, timelines of rooted
  // components); an integration stream also recommends its foundation. A
  // parent with stream-modifiable components refuses children (81, 1001).
  static int create(const char* name, const char* comment, const SUM_Project& project,
                    const SUM_Stream& parent, const char* title, int integration, int read_only,
                    const SUM_BaselineList& baselines, SUM_Stream& out);

  // What create_extended gives a new stream besides create's arguments.
  // Empty lists and texts mean "not given".
  struct Settings {
    SUM_BaselineList baselines;   // the foundation, one per component
    SUM_String deliver_target;    // selector of an integration stream's deliver target
    SUM_StringList enable_keys;   // policy keys to enable on the stream
    SUM_StringList disable_keys;  // policy keys to disable on the stream
  };
  // create with the foundation of `settings`, then its other settings
  // (sum_stream_extended.cpp). A deliver target for a stream that is not an
  // integration stream refuses before anything is made (message 60, 1001).
  // A target is left out with a warning in a single-stream project (61)
  // and when it names no stream or cannot be set (63). Policy keys on a
  // read-only stream are left out with warning 52; keys that cannot be
  // applied give warning 38. Those warnings leave the stream in place.
  static int create_extended(const char* name, const char* comment, const SUM_Project& project,
                             const SUM_Stream& parent, const char* title, int integration,
                             int read_only, const Settings& settings, SUM_Stream& out);

  // The foundation baselines, in "UseBaseline" hyperlink order, replacing
  // `out`. A target that cannot be reached is counted in `unavailable` and
  // skipped. When the stream has a timeline for a baseline's component, the
  // timeline's current foundation baseline (its last foundation arc) is
  // taken instead of the hyperlink's target.
  int explicit_baselines(SUM_BaselineList& out, int& unavailable) const;
  // The "UseBaseline" targets themselves, in link order, replacing `out`;
  // unreachable ones counted and skipped.
  int uses_baselines_util(SUM_BaselineList& out, int& unavailable) const;
  // The components of the foundation's closure (explicit baselines and the
  // members they imply), each once, replacing `out`; 1001 when the
  // foundation has conflicts.
  int components(SUM_ComponentList& out) const;
  // Whether `component` is among the stream's components.
  int component_visible(const SUM_Component& component, int& visible) const;
  // Kind 0: the effective foundation baseline of `component` (explicit or
  // implied; 1001 when baselines conflict); kind 1: the newest
  // baseline of it made in the stream. 1002 when there is none; another
  // kind is 1072.
  int baseline_util(const SUM_Component& component, int kind, SUM_Baseline& out) const;
  // The baselines made in the stream, oldest first, replacing `out`.
  int baselines(SUM_BaselineList& out) const;
  // The evaluated foundation of the stream's explicit baselines (label
  // checked); `unavailable` counts those that could not be read
  // (sum_stream_foundation.cpp).
  int foundation(SUM_Foundation& out, int& unavailable) const;

  // The stream's timelines, in creation order, replacing `out`.
  int timelines(SUM_TimelineList& out) const;
  // The stream's timeline of `component`; 1002 when it has none.
  int component_timeline(const SUM_Component& component, SUM_Timeline& out) const;
  // As component_timeline, making the timeline when missing: needs local
  // mastership of the stream (1001 after warning 41); its first foundation
  // arc is the component's foundation baseline (none: message 2, 1001).
  int component_timeline_autocreate(const SUM_Component& component, SUM_Timeline& out) const;
  // The foundation baseline of `component` in force when the stream made
  // `baseline` (SUM_Timeline::fdn_bl_at_bl on the stream's timeline).
  int fdn_bl_at_bl(const SUM_Component& component, const SUM_Baseline& baseline,
                   SUM_Baseline& out) const;

  // The recommended baselines, replacing `out`: below PVOB feature level 3
  // the project's (SUM_Project::rec_baselines); from level 3 those stored
  // in "ZEM_STREAM_RECBLS" (none stored: empty).
  int recbls(SUM_BaselineList& out) const;
  // Stores the recommended baselines. Needs feature level 3 (message 44,
  // 1001) and permission. An empty list stores an empty value. Otherwise
  // each baseline must be of a component of the stream (configuration-change
  // message 42, 1001), one per component (foundation message 22, 1001), and
  // pass the recommendation checks (SUM_RecommendChange: every refused
  // component prints its message; 1001). The list is written only while the
  // stored one is still the one read at the start: a change by another
  // command meanwhile is message 50 and 1001, nothing written. Fires the
  // chstream triggers when asked.
  int set_recbls(const SUM_BaselineList& list, const char* comment, int fire_triggers) const;
  // What the stream recommends by default, replacing `out`: per component,
  // the newest baseline made in the stream at or above the project's
  // rebase promotion level, else the foundation baseline.
  int default_recbls(SUM_BaselineList& out) const;

  // The stream-modifiable components ("SUM_STREAM_MOD_COMPS"), replacing
  // `out`. A selector that cannot be read clears the list (message 75, the
  // status passes up); one naming nothing any more is left out (warning
  // 74); one the project has since made modifiable gives warning 80.
  int stream_only_mod_comps(SUM_ComponentList& out) const;
  // Makes components of the stream stream-modifiable. Refused (1001) for
  // the integration stream (73), a read-only stream (76) and a stream with
  // child streams (82). Skipped with a warning: a component not in the
  // foundation (77), one already modifiable (69), a rootless one (70). The
  // list is written (failure: 71) and the "_nonmod" branch type made when
  // missing (message 72). Fires the chstream triggers; needs permission.
  int add_mod_comps(const SUM_ComponentList& list, const char* comment) const;
  // Drops components from the stream-modifiable list (one not on it:
  // warning 78); an emptied list is deleted. A write failure prints 71.
  int delete_mod_comps(const SUM_ComponentList& list, const char* comment) const;
  // The stream's components split into modifiable (by the project or the
  // stream) and the rest, in foundation order; a read-only stream modifies
  // none.
  int mod_comps(SUM_ComponentList& modifiable, SUM_ComponentList& non_modifiable) const;
  // The stream's components split by the project's modifiable list only.
  int sort_comps_by_mod(SUM_ComponentList& modifiable, SUM_ComponentList& non_modifiable) const;
  // The stream's components the project does not list as modifiable.
  int non_mod_comps(SUM_ComponentList& out) const;

  // ---- activities (sum_stream_activities.cpp) ----

  // Makes activity `name` (null or "": one generated from `title`) in the
  // stream: SUM_Activity::zem_create in the first-class form, else
  // SUM_Activity::create in the activity folder. A read-only stream refuses.
  int create_activity(const char* name, const char* title, const char* comment,
                      SUM_Activity& out) const;
  // The same for the activity of a deliver or rebase into this stream,
  // which a read-only stream takes in the activity-based form.
  int create_integration_activity(const char* name, const char* title, const char* comment,
                                  SUM_Activity& out) const;
  // The special child folder of kind `kind` (0 activities, 1 timelines, 2
  // other) of an activity-based stream. This repository places activities
  // and timelines in the stream itself, so the stream is every kind's
  // folder. 1072 in the first-class form or for another kind.
  int special_folder(int kind, SUM_ActivityBase& out) const;

  // ---- checkouts in attached views (sum_stream_checkouts.cpp) ----

  // Whether `element` may be checked out in `view`: `allowed` 0 after the
  // message of the first refusal (a snapshot view not showing the stream's
  // current configuration 14; a dynamic one is updated after warning 13;
  // a view whose config spec has no identity is not compared), read-only
  // stream 90, no foundation
  // baselines 91, unreadable foundation 92, component not modifiable here
  // 29), else 1. Status 0 either way unless a question cannot be answered.
  int checkouts_allowed(const SUM_View& view, const SUM_Element& element, int& allowed) const;

  // ---- config spec identity (sum_stream_cspec_id.cpp) ----

  // The identity of the stream's current configuration: kind "ZEM.Stream",
  // its universal selector and the version its "SUM_CSPEC_ID" PVAR holds (0
  // when none). A stored value that is not "0:N" is refused (1001) after
  // message 15 (not two numbers around a colon) or 16 (another format).
  int config_spec_id(SUM_ConfigSpecId& out) const;
  // Moves the stored version from `old_id`'s to `new_id`'s by test-and-set
  // (version 0: no value); 1087 when another regeneration got there first.
  int tas_config_spec_id(const SUM_ConfigSpecId& old_id, const SUM_ConfigSpecId& new_id) const;

  // ---- config spec text (sum_stream_cspec.cpp) ----
  //
  // The generated text: a "zem" block holding the identity line and, per
  // component of the foundation closure, rules selecting its foundation
  // baseline (a modifiable component: also the latest version on the
  // stream's branch, made on checkout); then two custom areas (element
  // rules, load rules) that survive regeneration, and a backstop rule
  // forbidding checkouts elsewhere. A stream with two views or more keeps
  // its text stored; otherwise it is generated whenever asked.

  // Regenerates the text: advances the stream's identity by test-and-set
  // (not with `generate_only`), then stores the new text or, with fewer
  // than two views, removes a stored one. A concurrent regeneration: 1001
  // after message 24 (before anything is written) or 26 (after). A failed
  // final store warns with 25; other failures print 8.
  int regen_cspec(int generate_only) const;
  // The text for the stream's current foundation and identity; warning 57
  // when some foundation baselines cannot be read.
  int generate_cspec(SUM_String& out) const;
  // The text for `baselines` (one per component, in order) with identity
  // `id`.
  int regen_cspec_util(const SUM_BaselineList& baselines, const SUM_ConfigSpecId& id,
                       SUM_String& out) const;
  // The stored text; when none is stored and `generate` is set, a new one.
  int config_spec(SUM_String& out, int generate) const;
  // The text `view` should be set to: the stream's, with the custom areas
  // of the view's current text carried over.
  int config_spec(const SUM_View& view, SUM_String& out) const;
  // A text independent of any stream (no identity, no component rules) with
  // the custom areas of `old_text`: for a view being detached.
  int generate_null_cspec(const char* old_text, SUM_String& out) const;
  // The custom element rules and load rules of `old_text` (load rules
  // standing before its "zem" line count too), each line with its newline.
  static int config_spec_user_text(const char* old_text, SUM_String& elem_rules,
                                   SUM_String& load_rules);
  // `new_text` with `elem_rules` and `load_rules` put right after the
  // markers that open their areas.
  static int augment_config_spec(const char* new_text, const char* elem_rules,
                                 const char* load_rules, SUM_String& out);
  // Whether the stream keeps its text stored (two views or more).
  int need_persistent_cspec(int& need) const;
  // Whether a regeneration must store the text now: the stream keeps a
  // stored text, or needs one (need_persistent_cspec).
  int shall_store_cspec(int& shall) const;
  // Stores an empty text: views generate theirs on demand.
  int remove_cspec() const;
  // Whether `view` shows the stream's current configuration: the identity
  // in its config spec equals the stream's.
  int config_spec_in_sync(const SUM_View& view, int& in_sync) const;
  // Before a snapshot view is updated: `allowed` 1 at once when the view
  // is in sync. Otherwise the question (19 for the whole view, 21 for a
  // part; 20 added when the view has checkouts, 18 when that cannot be
  // told) is asked through `presenter` when `interactive` (else consent is
  // taken), and on consent the view gets the stream's config spec.
  int snapshot_update_allowed(const SUM_View& view, int whole_view, int interactive,
                              const SUM_ImsgPresenter& presenter, int& allowed) const;

 private:
  // Makes an activity in the stream: in the first-class form placed in the
  // stream (a read-only stream refuses), else in its activity folder, where
  // `allow_read_only` lets an integration activity into a read-only stream.
  int make_activity(const char* name, const char* title, const char* comment, int allow_read_only,
                    SUM_Activity& out) const;
  // The stored text ("" when none) and storing one (text, then final
  // store) with an event carrying `comment`.
  int stored_cspec(SUM_String& out) const;
  int store_cspec(const char* text, const char* comment) const;
  // The baselines a generated text configures: the closure of the
  // foundation (warning 57 for unreadable foundation baselines).
  int cspec_baselines(SUM_BaselineList& out) const;
  // Steps of checkouts_allowed before the stream's own rules: `may` 0
  // after message 14 for a snapshot view out of date; a dynamic view out
  // of date is brought up to date after warning 13 (and 17 or 18).
  int view_shows_configuration(const SUM_View& view, int& may) const;
  // The two halves of checkouts_allowed: the checks that hold for every
  // element checked out in `view` (rebase elsewhere, configuration shown,
  // read-only stream, foundation), and whether `element`'s component is
  // modifiable in the stream; each `allowed` 0 after the refusal's message.
  int stream_permits_checkouts(const SUM_View& view, int& allowed) const;
  int component_modifiable(const SUM_Element& element, int& allowed) const;
  // Creation steps of the foundation (sum_stream_config.cpp): the
  // configuration `baselines` gives the stream about to be made, validated
  // (refusals print their messages, 1001); once the stream exists, its
  // commit, and for an integration stream its recommendation.
  static int check_foundation(const SUM_Project& project, const SUM_Stream& parent, int integration,
                              const SUM_BaselineList& baselines,
                              std::unique_ptr<SUM_NewConfig>& config);
  int commit_foundation(SUM_NewConfig& config, int integration, const char* comment) const;
  // The checks of set_recbls: conflicts among the baselines, then each
  // component's change of the recommendation (1001 after the message of
  // every refusal).
  int check_recommendation(const SUM_BaselineList& list) const;
  // Creation refusal 81: `parent` has stream-modifiable components
  // (sum_stream_mod_comps.cpp).
  static int check_parent_mod_comps(const SUM_Stream& parent);
  // Removes the object without checks or triggers (undoing a creation).
  int remove_object(const char* comment) const;
  // The refusals of create that need no object yet.
  static int check_create(const SUM_Project& project, const SUM_Stream& parent, int integration,
                          int read_only);
  int flags(unsigned int& out) const;
  // Creation step: the stream's branch type, linked from the stream.
  int make_branch_type(const char* comment) const;
  // Removes `types` (branch types of this stream); message 22 for each that
  // cannot go.
  static void remove_branch_types(const std::vector<SUM_NamedObject>& types, const char* comment);
  // This stream's branch types that exist: its own and the "_nonmod" one.
  int own_branch_types(std::vector<SUM_NamedObject>& out) const;
  // Creation's writes, inside the caller's write groups: the object in
  // `project`'s VOB under `place` (the project or the parent stream), its
  // title, branch type and foundation, and an integration stream's place in
  // its project. `out` on success; on failure the caller's groups undo what
  // was written.
  static int write_new(const char* name, const char* comment, const SUM_Project& project,
                       const SUM_Stream& place, const char* title, int integration, int read_only,
                       SUM_NewConfig& config, SUM_Stream& out);
  // The PVAR-writing step shared by the task-provider setters.
  int write_task_provider_conf(const char* expected, const char* conf, const char* comment,
                               int compare) const;
  // Whether `flag` is set in the stream's flag word, traced as `operation`.
  int has_flag(const char* operation, unsigned int flag, int& result) const;
};

// Renames the stream named by `selector` (which names its PVOB) to `name`,
// as SUM_Stream::set_name (sum_stream_queries.cpp). A selector that names
// no stream passes the lookup's status up.
int sum_stream_set_name(const char* selector, const char* name, const char* comment);

// The config spec rules of one component of a stream's foundation, for its
// foundation baseline `baseline` (see sum_stream_cspec.cpp): none for a
// rootless component; an "-error" rule after warning 31 when its VOB
// cannot be reached; rules on the "<stream>_nonmod" branch for a component
// in `stream_mod`; rules on `branch` for a modifiable one (in
// `project_mod`, the stream not `read_only`, and unless
// `integration_or_no_target`, the baseline flowed to `target`: else
// warnings 27/28, 29, 30); else one "-nocheckout" rule.
int per_component_cspec_fragment(const SUM_Baseline& baseline, int integration_or_no_target,
                                 const SUM_Stream& target, const char* branch,
                                 const SUM_ComponentList& project_mod,
                                 const SUM_ComponentList& stream_mod, const char* stream_name,
                                 SUM_String& out, int read_only);
// The read-only rules of one baseline, without stream context.
int per_component_cspec_fragment(const SUM_Baseline& baseline, SUM_String& out);
// The read-only rules of every baseline of `closure` (a foundation's
// closure), without header or footer.
int sum_utl_foundation_to_read_only_cspec(const SUM_BaselineList& closure, SUM_String& out);

// The streams placed in a stream, in creation order.
class SUM_Stream::ChildIter : public SUM_DbidChunkIter {
 public:
  static constexpr size_t kChunk = 32;
  explicit ChildIter(const SUM_Stream& parent)
      : SUM_DbidChunkIter(parent.vob(), kChunk), parent_(parent.dbid()) {}
  // The current stream; 1072 when the walk is done.
  int current_item(SUM_Stream& item) const;

 protected:
  int fetch(size_t offset, size_t max, std::vector<tbs_dbid_t>& out) override;

 private:
  tbs_dbid_t parent_;
};

#endif  // SUM_SUM_STREAM_H
