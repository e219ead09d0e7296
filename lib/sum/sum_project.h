// SUM_Project: the handle of a project of a PVOB. A project sits in a
// folder and carries the settings its streams share: the rebase promotion
// level, the baseline naming template and the policies (sum/sum_policy.h).
// A PVOB may hold one project template whose settings seed every project
// created after it.
//
// Storage forms (SUM_Vob::supports_fc_objs): in the first-class form a
// project is an object of metatype 37 made and changed by the
// vob_zem_project_* calls; in the activity-based form it is an
// activity-like object of the PVOB's project activity type, handled through
// SUM_ActivityBase. Settings are process variables on the project in both
// forms: "SUM_REBASE_PLEVEL" (the level's name), "POLICY_PROJECT_PVAR" and
// the snapshot-policy variables. The template is named by
// "SUM_TEMPLATE_PROJECT" on the PVOB's template holder (first-class form) or
// is the project placed in the template holder (activity-based form).
//
// Every change fires the project triggers (mkproject 102, chproject 103,
// rmproject 104) and records its comment with that code.
//
// Contracts: value handle; a null handle records an internal error and
// returns 1072; out-parameters are filled only on success; a refusal prints
// its message and returns 1001; a locked project refuses changes with 1040;
// repository failures pass up.
#ifndef SUM_SUM_PROJECT_H
#define SUM_SUM_PROJECT_H

#include "sum/sum_activity_base.h"
#include "sum/sum_component.h"
#include "sum/sum_folder.h"
#include "sum/sum_handle_kind.h"
#include "sum/sum_lists.h"
#include "sum/sum_plevel.h"
#include "sum/sum_policy.h"
#include "sum/sum_string.h"
#include "sum/sum_vob.h"

class SUM_Foundation;
class SUM_Stream;

class SUM_Project : public SUM_ActivityBase {
 public:
  static constexpr SUM_HandleKind handle_kind = SUM_HandleKind::PROJECT;
  // Operation codes recorded with project changes.
  static constexpr int kOpCreate = 102;
  static constexpr int kOpChange = 103;
  static constexpr int kOpRemove = 104;
  // Lowest PVOB feature level that holds single-stream projects.
  static constexpr int kSingleStreamFeatureLevel = 3;

  // What a new project gets besides its name and folder. Empty lists and
  // texts mean "not given".
  struct Settings {
    int single_stream = 0;          // "SIMPLE" project model
    SUM_StringList blname_tokens;   // baseline naming template tokens
    SUM_StringList enable_keys;     // policy keys to enable
    SUM_StringList disable_keys;    // policy keys to disable
    SUM_StringList by_stream_keys;  // policy keys delegated to the streams
    SUM_ComponentList mod_comps;    // modifiable components
  };

  SUM_Project() = default;
  SUM_Project(const SUM_Vob& vob, tbs_dbid_t dbid) : SUM_ActivityBase(vob, dbid) {}

  // The project for the same object when it is one, else a null handle.
  static SUM_Project convert(const SUM_VobObject& obj) { return sum_convert_as<SUM_Project>(obj); }
  // The project named by `text` ("project:name@pvob", "name@pvob", or
  // "name" in `vob`); 1001 when it names another kind of object.
  static int construct_from_selector(const SUM_String& text, const SUM_Vob& vob, SUM_Project& out,
                                     int widen = 0) {
    return sum_construct_from_selector_as(text, vob, out, widen);
  }

  // Creates project `name` in `folder` with `title` (null or "": none). The
  // name must pass sum_utl_is_ok_name and be unused among the PVOB's
  // projects (1001 after the message). A single-stream project needs a PVOB
  // at feature level 3 or higher (project message 43 and 1001 otherwise).
  // The rebase level becomes the PVOB's default promotion level. When the
  // PVOB has a project template its policies and naming template are copied
  // (project message 67 tells so); otherwise the project starts with
  // "WinDevVSnap" enabled. A failure after the object exists removes it
  // again. Fires the mkproject triggers.
  static int create(const char* name, const char* comment, const SUM_Folder& folder,
                    const char* title, int single_stream, SUM_Project& out);
  // create, then the given settings: the modifiable components (failure:
  // warning 53), the naming template (failure: warning 54) and the policy
  // keys (unknown keys and refused keys are warnings; other failures:
  // warning 57). Those warnings leave the project in place.
  static int create_extended(const char* name, const char* comment, const SUM_Folder& folder,
                             const char* title, const Settings& settings, SUM_Project& out);
  // create_extended for the PVOB's project template. A PVOB that already
  // has one refuses with project message 66 and 1001, and a user who fails
  // check_templ_permission is refused. The new template is
  // recorded as the PVOB's template; in the activity-based form it is placed
  // in the template holder, so `folder` serves only the first-class form.
  static int create_template(const char* name, const char* comment, const SUM_Folder& folder,
                             const char* title, const Settings& settings, SUM_Project& out);
  // The PVOB's project template; 1002 when it has none.
  static int template_prj_exists(const SUM_Vob& pvob, SUM_Project& out);
  // 0 when the current user may make the project template of `pvob`: the
  // user owns the PVOB or is privileged, and the PVOB is not locked for
  // the user. Otherwise the refusal of check_change_permission (after its
  // message).
  static int check_templ_permission(const SUM_Vob& pvob);
  // Every project of `pvob`, walking the folder tree from the root folder
  // (depth first, creation order), then the template when the template
  // holder keeps it outside the tree. Appended to `out`.
  static int list_projects(const SUM_Vob& pvob, SUM_ProjectList& out);

  // Renames the project. A bad or used name is 1001 after its message; a
  // locked project prints project message 45 and returns 1040; the current
  // user must have permission (check_permission).
  int set_name(const char* name, const char* comment) const;
  // The title, or the name when no title is set.
  int title(SUM_String& title) const;
  // Stores the title; an unchanged title answers 0 at once. A locked project
  // prints project message 27 and returns 1040.
  int set_title(const char* title, const char* comment) const;
  // The text users see for the project: its title.
  int set_display_name(const char* name, const char* comment) const override;
  // The folder holding the project (for the template in the activity-based
  // form: the template holder).
  int folder(SUM_Folder& out) const;
  // Moves the project into `new_folder` (same PVOB); a failure prints
  // project message 69.
  int change_parent(const SUM_Folder& new_folder, const char* comment) const;

  // The rebase promotion level; 1002 when none is stored.
  int rebase_plevel(SUM_PLevel& out) const;
  // Stores the rebase promotion level, which must be a level of the
  // project's PVOB (promotion-level message 0 and 1002 otherwise). An
  // unchanged level answers 0 at once and writes nothing. A write failure
  // prints project message 38.
  int set_rebase_plevel(const SUM_PLevel& level, const char* comment, int fire_triggers) const;

  // The baseline naming template: its tokens joined by "_" ("basename"
  // unless set). A read failure prints project message 37.
  int get_blname_template(SUM_String& out) const;
  int get_blname_template_list(SUM_StringList& out) const;
  // 1 when the template holds the token "basename".
  int basename_used(int& result) const;
  // Stores the template made of the `count` tokens. A token that is not one
  // of "project", "basename", "component", "stream", "date", "time", "user",
  // "host" prints project message 39 naming it and returns 1001, changing
  // nothing. An unchanged template answers 1067 and writes nothing.
  int set_blname_template(const char* const tokens[], int count, const char* comment,
                          int fire_triggers) const;
  int set_blname_template_default(const char* comment, int fire_triggers) const;

  // The recommended baselines, replacing `out`: from PVOB feature level 3
  // those the integration stream stores (SUM_Stream::recbls), below it the
  // integration stream's default recommendation (SUM_Stream::default_recbls).
  // Empty without an integration stream. Defined in sum_stream_config.cpp.
  int rec_baselines(SUM_BaselineList& out) const;

  // Modifiable components, stored in "SUM_PROJ_MOD_COMPS" as "," before
  // each universal selector (sum_project_mod_comps.cpp).
  // The list in stored order; a selector that cannot be resolved, or names
  // no component, prints project message 3 and fails.
  int mod_comps(SUM_ComponentList& out) const;
  // Appends the components of `list` not yet listed (warning 2 for one that
  // is, warning 40 for one without root directory, which stores only
  // baselines). The stored list and the new components must share one
  // administrative VOB (messages 35 and 36, 1001). Nothing appended: 0 and
  // nothing written. Then message 32 (65 for the template) and, for a
  // project with an integration stream, message 42 (and 41 when it has
  // development streams). Fires the chproject triggers when asked; needs
  // permission. A write failure prints 15.
  int add_mod_comps(const SUM_ComponentList& list, const char* comment, int fire_triggers) const;
  // Takes the components of `list` out of the list. A component that a
  // stream of the project has modified stays (message 17) and the answer is
  // 1001 after the others are taken out; one not listed is warning 19; one
  // whose modification cannot be decided in some stream, warnings 16 and 20;
  // one in a replicated VOB, warning 18. Then message 32 (65 for the
  // template) and, when the project has streams, message 33. Needs
  // permission. A write failure prints 15.
  int delete_mod_comps(const SUM_ComponentList& list, const char* comment) const;

  // ---- the project's streams (sum_project_streams.cpp) ----

  // The integration stream the project names ("SUM_PROJ_INT_STREAM"); 1002
  // when it names none. A value that cannot be read or resolved prints
  // project message 25 and passes the status up.
  int default_integration_stream(SUM_Stream& out) const;
  // Records `stream`, which must be an integration stream of this project
  // (project message 71 and 1001 otherwise), as the project's integration
  // stream. While the project names another one, project message 0 refuses
  // (1001) unless `replace` is set; naming the same stream again answers 0
  // and writes nothing. A failure to write prints project message 1. Needs
  // permission; fires the chproject triggers.
  int set_default_integration_stream(const SUM_Stream& stream, int replace,
                                     const char* comment) const;
  // The stream whose recommended baselines the project's streams rebase to
  // by default: its integration stream (1002 when it has none).
  int default_rebase_stream(SUM_Stream& out) const;
  // Every stream of the project (the integration stream and the development
  // streams at any depth), in creation order, replacing `out`.
  int streams(SUM_StreamList& out) const;
  // The development streams: every stream of the project but the
  // integration stream, in creation order, replacing `out`.
  int devstreams(SUM_StreamList& out) const;
  int has_devstreams(int& result) const;
  // The evaluated foundation of the recommended baselines (rec_baselines).
  int rec_foundation(SUM_Foundation& out) const;

  // 1 when the project model is "SIMPLE".
  int is_single_stream_project(int& result) const;
  // 1 when the project is its PVOB's project template.
  int is_template_project(int& result) const;

  // Every project policy with its value, defaults for those not stored
  // (project messages 21, 23; warning 31 for an incomplete stored list).
  int policy(SUM_PolicyList& out) const;
  // The value of policy `id`; an id that is not a project policy prints
  // project message 22 and returns 1001.
  int policy(int id, SUM_String& value) const;
  // The flag of snapshot policy `id` (0 to 3).
  int policy(int id, int& flag) const;
  // Writes the policies of `list` marked changed, on top of the stored ones.
  // Each must be a project policy (project message 22) with a value valid at
  // the PVOB's feature level (project message 28); a refusal writes nothing
  // and returns 1001. A write failure prints project message 24; failing to
  // drop obsolete per-policy variables is warning 30.
  int set_policy(const SUM_PolicyList& list, const char* comment, int fire_triggers) const;
  // Writes the flag of snapshot policy `id` (0 to 3; other ids are 1072).
  int set_policy(int id, int flag, int fire_triggers) const;

  // 0 when the current user may change the project: anyone while
  // "ChprojectUnrestricted" is "ENABLED"; otherwise the project's owner, the
  // PVOB's owner or a privileged user. Anyone else gets 1001 after a
  // message naming the project.
  int check_permission() const;
  // 0 when the current user may administer the project even where this
  // replica does not master it: the project's owner, the PVOB's owner or a
  // privileged user, and the project not locked for the user. 1040 when
  // locked, 1001 for any other refusal (after the message).
  int check_admin_permission_no_master() const;
  // Whether objects (streams) are placed in the project.
  int has_streams(int& result) const;
  // Whether the project may be removed; `ok` is 0 after project message 70
  // when a trigger type names it, or message 5 when it has streams.
  int ok_to_destroy(int& ok) const;
  // Removes the project (after ok_to_destroy: a refusal is 1001), clears the
  // template mark when it was the template, and makes this handle null.
  int destroy(const char* comment);

 private:
  // The creation shared by create and create_template: `is_template`
  // places the object in the template holder (activity-based form) and
  // skips seeding from a template.
  static int pvt_create(const char* name, const char* comment, const SUM_Folder& folder,
                        const char* title, int single_stream, int is_template, int fire_triggers,
                        SUM_Project& out);
  // Copies the template's settings into this new project (creation step).
  int seed_from_template(const SUM_Project& templ, int single_stream, const char* comment) const;
  // Applies create_extended's settings, printing its warnings.
  int apply_settings(const Settings& settings, const char* comment) const;
  // Removes the object without checks or triggers (undoing a creation).
  int remove_object(const char* comment) const;
  // The PVOB's feature level.
  int feature_level(int& level) const;
};

// Renames the project named by `selector` (which names its PVOB) to
// `name`, as SUM_Project::set_name. A selector that names no project passes
// the lookup's status up.
int sum_project_set_name(const char* selector, const char* name, const char* comment);

#endif  // SUM_SUM_PROJECT_H
