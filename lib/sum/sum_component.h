// SUM_Component: the handle of a component of a PVOB, the unit of versioned
// files baselines are taken of.
//
// Storage forms (SUM_Vob::supports_fc_objs): an object of metatype 35 made by
// vob_zem_component_create, or in older PVOBs an activity-like object
// (metatype 28) of the PVOB's component type (well-known object 61).
//
// Kinds. A VOB-level component has the component VOB's root directory as its
// root; a sub-VOB component has a directory catalogued directly in the VOB
// root; a rootless component has no root and exists only in the PVOB. A
// rooted component is linked to its root directory element by one
// "ComponentRootDir" hyperlink (well-known type 66); every element of a
// component records the root directory element as its CRDE, the root
// directory included. The "COMP_ROOT_DIR" variable holds the catalogued name
// of a sub-VOB root, or "<<NoCompRootDir>>" for a rootless component.
//
// Contracts: value handle; a null handle records an internal error and
// returns 1072; out-parameters are filled only on success; refusals print
// their message and return 1001 (preconditions), 1051 (permission) or 1070
// (not a directory); repository failures pass up.
#ifndef SUM_SUM_COMPONENT_H
#define SUM_SUM_COMPONENT_H

#include <cstddef>
#include <vector>

#include "services/view.h"
#include "services/vob.h"
#include "sum/sum_activity_base.h"
#include "sum/sum_handle_kind.h"
#include "sum/sum_lists.h"
#include "sum/sum_string.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"

class SUM_Baseline;
class SUM_Timeline;

class SUM_Component : public SUM_NamedObject {
 public:
  static constexpr SUM_HandleKind handle_kind = SUM_HandleKind::COMPONENT;
  // Operation codes recorded with the creation and removal of a component.
  static constexpr int kOpCreate = 105;
  static constexpr int kOpRemove = 106;
  // The "COMP_ROOT_DIR" value of a rootless component.
  static constexpr const char* kNoRootDir = "<<NoCompRootDir>>";

  class Iter;

  SUM_Component() = default;
  SUM_Component(const SUM_Vob& vob, tbs_dbid_t dbid) : SUM_NamedObject(vob, dbid) {}

  // The component for the same object when it is one of its PVOB's form,
  // else a null handle.
  static SUM_Component convert(const SUM_VobObject& obj) {
    return sum_convert_as<SUM_Component>(obj);
  }
  // The component named by `text` ("component:name@pvob", "name@pvob", or
  // "name" in `vob`); 1001 when it names another kind of object.
  static int construct_from_selector(const SUM_String& text, const SUM_Vob& vob, SUM_Component& out,
                                     int widen = 0) {
    return sum_construct_from_selector_as(text, vob, out, widen);
  }
  // The component of `pvob` whose root directory is `element`; 1002 when
  // none (a message unless `quiet`).
  static int construct_from_crde(const SUM_Vob& pvob, const SUM_VobObject& element,
                                 SUM_Component& out, int quiet = 0);
  // The VOB-level component of `vob`, whichever PVOB holds it: the one
  // whose root link ends at the VOB's root directory. 1002 after a message
  // when there is none; 1072 when several PVOBs claim it.
  static int construct_from_vob(const SUM_Vob& vob, SUM_Component& out);

  // Creates component `name` in `pvob`. Rootless when `root_element` is null
  // and `root_path` null or empty. With `root_element` the VOB root
  // directory: a VOB-level component; another existing top-level directory:
  // a sub-VOB component whose tree is marked with the root as CRDE. With
  // only `root_path` ("/vob/leaf", a path in `view`): a new top-level
  // directory "leaf" is made as the root. Directory versions are those
  // `view` selects. Every component starts with its initial baseline
  // "<name>_INITIAL" (made unique) on its main timeline. A failure after
  // something was written undoes the new root directory, the catalogue
  // entry and the component object with its baselines.
  static int create(const SUM_Vob& pvob, const char* name, const SUM_VobObject& root_element,
                    const char* root_path, view_server_h view, const char* comment,
                    SUM_Component& out);

  // create without a root path: rootless when `root_element` is null.
  static int create(const SUM_Vob& pvob, const char* name, const SUM_VobObject& root_element,
                    view_server_h view, const char* comment, SUM_Component& out) {
    return create(pvob, name, root_element, nullptr, view, comment, out);
  }
  // A new walk over the components of `pvob`, in creation order; owned by
  // the caller. Null for a null PVOB (after an internal error).
  static Iter* list_components(const SUM_Vob& pvob);

  // Whether the component has a root directory link; a missing link on a
  // component that should have one prints a warning.
  int has_crde(int& has) const;
  // The root directory element; `invalid` set when its VOB or element is gone.
  int crde(SUM_VobObject& element, int& invalid) const;
  // As crde, but an unreachable root is an error (1001).
  int root_directory_element(SUM_VobObject& element) const;
  // Whether the root is a top-level directory rather than a VOB root; 0 for
  // a rootless component or an invalid root (then `invalid` is set).
  int is_subvob(int& is_sub, int& invalid) const;
  // The catalogued name of a sub-VOB root; "" for other kinds.
  int crde_relpath(SUM_String& relpath) const;
  // "/vobtag" or "/vobtag/relpath" for a rooted component.
  int crde_path(SUM_String& path) const;
  // The VOB family of the component VOB, as the root link records it: known
  // even when that VOB is gone. 1002 for a rootless component (no message).
  int crde_vob_family_oid(SUM_Oid& out) const;

  // The main timeline: this component's object viewed as a timeline.
  int main_timeline(SUM_Timeline& timeline) const;
  // The initial baseline, the first of the main timeline. A component
  // without one prints a configuration error and returns 1001.
  int initial_baseline(SUM_Baseline& baseline) const;

  // Makes the component VOB (its root directory's VOB) name the top of the
  // PVOB's admin hierarchy, or the PVOB itself, as its admin VOB, with a note.
  // Nothing to do for a component VOB that is the PVOB or already names that
  // VOB; one that names another admin hierarchy is refused (1001). A
  // rootless component is 1002 after the missing-root message.
  int set_admin_vob() const;

  // Renames: the name must pass the naming rules and be unused among the
  // PVOB's components (1001); fires the modcomp triggers.
  int set_name(const char* name, const char* comment) const;

  // Whether the component may be removed. Every check runs and prints its
  // refusal, any of which clears `ok`: a trigger type names the component;
  // its main timeline holds baselines besides the initial one; a stream
  // uses the initial baseline; a timeline has it as a foundation; a
  // composite baseline of a registered PVOB depends on it. Status 0 either
  // way, unless a check cannot be made.
  int ok_to_destroy(int& ok) const;
  // The projects of every registered PVOB that list this component among
  // their modifiable components, appended to `projects`, each named in a
  // warning. A project whose list cannot be read is skipped after a warning.
  int destroy_check(SUM_ProjectList& projects) const;
  // Removes the component (a refusal of ok_to_destroy is 1001) with its
  // initial baseline. A sub-VOB root is unmarked and uncatalogued from the
  // VOB root through `view` (may be null; a failure there is a warning); the
  // CRDE marks of its subelements stay. Then the component is dropped from
  // the modifiable components of each of `projects` (a failure is a
  // warning). Makes this handle null.
  int destroy(view_server_h view, const char* comment, const SUM_ProjectList& projects);
  // destroy_check, then destroy without a view for the projects found.
  int destroy(const char* comment);

 private:
  // The removal checks on the initial baseline (ok_to_destroy 2 to 5).
  int initial_baseline_refusals(int& refused) const;
};

// The components of a PVOB, in creation order.
class SUM_Component::Iter : public SUM_DbidChunkIter {
 public:
  static constexpr size_t kChunk = 32;
  explicit Iter(const SUM_Vob& pvob) : SUM_DbidChunkIter(pvob, kChunk) {}
  // The current component; 1072 when the walk is done.
  int current_item(SUM_Component& item) const;

 protected:
  int fetch(size_t offset, size_t max, std::vector<tbs_dbid_t>& out) override;
};

// Renames the component `component` of the PVOB open as `pvob` to `name`,
// as SUM_Component::set_name (sum_component_roots.cpp). A null handle or a
// zero identity is an internal error (1072).
int sum_component_set_name(tbs_dbid_t component, vob_vob_h pvob, const char* name,
                           const char* comment);

#endif  // SUM_SUM_COMPONENT_H
