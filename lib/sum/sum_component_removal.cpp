// SUM_Component: the removal checks, the projects that list a component as
// modifiable, and removal itself.
#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/vob_elem.h"
#include "services/vob_zem.h"
#include "services/vob_zem_baseline.h"
#include "services/vob_zem_component.h"
#include "sum/sum_baseline.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_component.h"
#include "sum/sum_component_cache.h"
#include "sum/sum_event_info.h"
#include "sum/sum_project.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_timeline.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"
#include "sum/xml_element.h"

namespace {
constexpr const char* kSource = "sum_component";
constexpr size_t kChunk = 64;
// Verbosity from which a refusal by composite baselines lists them.
constexpr int kListDependentsVerbosity = 2;

// The universal selectors of the members a dependency record names: the
// "dep_sel" texts of the "dep" elements of "bl_info"/"deps_v1". A record
// that does not parse names none.
std::vector<std::string> member_selectors(const std::string& deps_xml) {
  std::vector<std::string> out;
  XML_Element info;
  if (deps_xml.empty() || XML_Element::parse(deps_xml.c_str(), info) != 0)
    return out;
  const XML_ElementList& lists = info.sub_elements();
  for (unsigned i = 0; i < lists.count(); ++i) {
    if (lists[i].name().Compare("deps_v1") != 0)
      continue;
    const XML_ElementList& deps = lists[i].sub_elements();
    for (unsigned j = 0; j < deps.count(); ++j) {
      const XML_ElementList& fields = deps[j].sub_elements();
      for (unsigned k = 0; k < fields.count(); ++k)
        if (fields[k].name().Compare("dep_sel") == 0)
          out.emplace_back(static_cast<const char*>(fields[k].value()));
    }
  }
  return out;
}

// Appends to `dependents` every baseline of `pvob` whose dependency record
// names the baseline of universal selector `member`.
int dependents_in(const SUM_Vob& pvob, const std::string& member, SUM_BaselineList& dependents) {
  SUM_Component::Iter components(pvob);
  for (components.first(); !components.is_done(); components.next()) {
    SUM_Component component;
    if (int status = components.current_item(component))
      return status;
    std::vector<tbs_dbid_t> chunk;
    for (size_t offset = 0;; offset += kChunk) {
      if (int status = vob_zem_component_next_baselines(pvob.handle(), component.dbid(), offset,
                                                        kChunk, chunk))
        return status;
      for (tbs_dbid_t baseline : chunk) {
        vob_zem_baseline_info_t info;
        if (int status = vob_zem_baseline_get_info(pvob.handle(), baseline, &info))
          return status;
        for (const std::string& selector : member_selectors(info.deps_xml))
          if (selector == member)
            dependents.append(SUM_Baseline(pvob, baseline));
      }
      if (chunk.size() < kChunk)
        break;
    }
  }
  return components.status();
}

// The baselines of every registered PVOB that depend on `baseline`.
int composite_dependents(const SUM_Baseline& baseline, SUM_BaselineList& dependents) {
  SUM_String member;
  if (int status = baseline.univ_selector(member))
    return status;
  SUM_VobList pvobs;
  if (int status = SUM_Vob::get_all_pvobs_list(pvobs))
    return status;
  SUM_BaselineList found;
  for (unsigned i = 0; i < pvobs.count(); ++i)
    if (int status = dependents_in(pvobs[i], static_cast<const char*>(member), found))
      return status;
  dependents = found;
  return 0;
}

// The selector of `obj` for a listing, or `unavailable`.
std::string selector_or(const SUM_VobObject& obj, const char* unavailable) {
  SUM_String text;
  if (obj.is_null() || obj.selector(text) != 0)
    return unavailable;
  return static_cast<const char*>(text);
}

// Lists the composite baselines that refuse the removal of `initial`.
void list_dependents(const SUM_Baseline& initial, const SUM_BaselineList& dependents) {
  imsg_print_literal(IMSG_INFO, "%s\n", selector_or(initial, "<baseline unavailable>").c_str());
  for (unsigned i = 0; i < dependents.count(); ++i) {
    SUM_Component component;
    if (dependents[i].component(component) != 0)
      component = SUM_Component();
    imsg_print_literal(IMSG_INFO, "    %s (%s)\n",
                       selector_or(dependents[i], "<baseline unavailable>").c_str(),
                       selector_or(component, "<component unavailable>").c_str());
  }
}

// Whether the modifiable-component text of a project ("," before each
// universal selector) names `selector`.
bool lists_selector(const std::string& text, const std::string& selector) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    size_t end = comma == std::string::npos ? text.size() : comma;
    if (text.compare(start, end - start, selector) == 0)
      return true;
    if (comma == std::string::npos)
      break;
    start = comma + 1;
  }
  return false;
}

// Cuts "," + `selector` out of `project`'s modifiable components by
// compare-and-set; the variable goes when nothing is left.
int drop_mod_comp(const SUM_Project& project, const std::string& selector, int op) {
  SUM_String stored;
  if (int status = project.pvar(PVAR_ZEM_PROJ_SUM_PROJ_MOD_COMPS, stored))
    return status;
  std::string text = static_cast<const char*>(stored);
  std::string cut = "," + selector;
  for (size_t at = text.find(cut); at != std::string::npos; at = text.find(cut, at)) {
    size_t after = at + cut.size();
    if (after == text.size() || text[after] == ',')
      text.erase(at, cut.size());
    else
      at = after;
  }
  if (text == static_cast<const char*>(stored))
    return 0;
  if (text.empty())
    return project.delete_pvar(PVAR_ZEM_PROJ_SUM_PROJ_MOD_COMPS, op);
  return project.test_and_set_pvar(PVAR_ZEM_PROJ_SUM_PROJ_MOD_COMPS, stored, text.c_str(), op);
}
}  // namespace

int SUM_Component::initial_baseline_refusals(int& refused) const {
  SUM_Trace trace("SUM_Component::initial_baseline_refusals");
  SUM_Timeline timeline;
  SUM_BaselineList baselines;
  if (int status = main_timeline(timeline))
    return trace.checked(__LINE__, status);
  if (int status = timeline.baselines(baselines))
    return trace.checked(__LINE__, status);
  int found = 0;
  if (baselines.count() == 0) {
    refused = 0;
    return 0;
  }
  if (baselines.count() > 1) {
    imsg_print(IMSG_ERROR, sum_component_msg::CannotRemoveComponentBaselines);
    found = 1;
  }
  const SUM_Baseline& initial = baselines[0];
  int used = 0;
  if (int status = initial.is_used_by_stream(used))
    return trace.checked(__LINE__, status);
  if (used) {
    imsg_print(IMSG_ERROR, sum_component_msg::CannotRemoveComponentWhose);
    found = 1;
  }
  if (int status = initial.is_foundation_of_timeline(used))
    return trace.checked(__LINE__, status);
  if (used) {
    imsg_print(IMSG_ERROR, sum_component_msg::CannotRemoveComponentWhoseInitial);
    found = 1;
  }
  SUM_BaselineList dependents;
  if (int status = composite_dependents(initial, dependents))
    return trace.checked(__LINE__, status);
  if (dependents.count() > 0) {
    imsg_print(IMSG_ERROR, sum_component_msg::CannotRemoveComponentWhoseInitialBaseline);
    if (imsg_get_desired_verbosity() >= kListDependentsVerbosity)
      list_dependents(initial, dependents);
    found = 1;
  }
  refused = found;
  return 0;
}

int SUM_Component::ok_to_destroy(int& ok) const {
  SUM_Trace trace("SUM_Component::ok_to_destroy");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int referenced = 0;
  if (int status = trtype_refs_refuse(sum_component_msg::TriggerTypeRefs, referenced))
    return trace.checked(__LINE__, status);
  int refused = 0;
  if (int status = initial_baseline_refusals(refused))
    return trace.checked(__LINE__, status);
  ok = referenced || refused ? 0 : 1;
  return 0;
}

int SUM_Component::destroy_check(SUM_ProjectList& projects) const {
  SUM_Trace trace("SUM_Component::destroy_check");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String selector;
  if (int status = univ_selector(selector))
    return trace.checked(__LINE__, status);
  SUM_VobList pvobs;
  if (int status = SUM_Vob::get_all_pvobs_list(pvobs))
    return trace.checked(__LINE__, status);
  for (unsigned i = 0; i < pvobs.count(); ++i) {
    SUM_ProjectList in_pvob;
    if (int status = SUM_Project::list_projects(pvobs[i], in_pvob))
      return trace.checked(__LINE__, status);
    for (unsigned j = 0; j < in_pvob.count(); ++j) {
      const SUM_Project& project = in_pvob[j];
      SUM_String text;
      if (project.pvar(PVAR_ZEM_PROJ_SUM_PROJ_MOD_COMPS, text) != 0) {
        imsg_print(IMSG_WARNING, sum_component_msg::CouldNotReadModifiable, project.any_name());
        continue;
      }
      if (!lists_selector(static_cast<const char*>(text), static_cast<const char*>(selector)))
        continue;
      imsg_print(IMSG_WARNING, sum_component_msg::ProjectListsComponentModifiable,
                 project.any_name());
      projects.append(project);
    }
  }
  return 0;
}

int SUM_Component::destroy(const char* comment) {
  SUM_Trace trace("SUM_Component::destroy");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_ProjectList projects;
  if (int status = destroy_check(projects))
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, destroy(nullptr, comment, projects));
}

int SUM_Component::destroy([[maybe_unused]] view_server_h view, const char* comment,
                           const SUM_ProjectList& projects) {
  // The repository changes the VOB root's name space without a view, so
  // `view` names nothing this removal needs.
  SUM_Trace trace("SUM_Component::destroy");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (int status = check_change_permission())
    return trace.checked(__LINE__, status);
  int ok = 0;
  if (int status = ok_to_destroy(ok))
    return trace.checked(__LINE__, status);
  if (!ok)
    return SUM_FAILED;
  int level = 0;
  if (int status = vob_.feature_level(level)) {
    imsg_print(IMSG_ERROR, sum_msg::FeatureLevelMessage);
    return trace.checked(__LINE__, status);
  }
  SUM_EventInfo event(comment, level >= 4 ? kOpRemove : 0);
  SUM_String selector;
  if (int status = univ_selector(selector))
    return trace.checked(__LINE__, status);
  int is_sub = 0;
  int invalid = 0;
  if (int status = is_subvob(is_sub, invalid))
    return trace.checked(__LINE__, status);
  SUM_VobObject root;
  vob_zem_component_root_t link;
  if (!invalid && vob_zem_component_get_root(vob_.handle(), dbid_, &link) == 0) {
    root = SUM_VobObject(SUM_Vob(link.root_vob), link.root_element);
    // The root stops being a CRDE: a VOB-level root so that its VOB may hold
    // components again, a sub-VOB root which is also uncatalogued.
    SUM_String relpath;
    int status = is_sub ? crde_relpath(relpath) : 0;
    if (status == 0)
      status = vob_elem_set_crde(link.root_vob, link.root_element, 0, event.info());
    if (status == 0 && is_sub)
      status = vob_nsdir_undefine_component(link.root_vob, relpath, event.info());
    if (status != 0)
      imsg_print(IMSG_WARNING, sum_component_msg::CannotUncatalogueRootDirectory,
                 tbs_strerror(status));
  }
  SUM_TrigRmComp trigger(*this, comment);
  if (int status = trigger.fire_preop())
    return trace.checked(__LINE__, status);
  int status = vob_.supports_fc_objs()
                   ? vob_zem_component_delete(vob_.handle(), dbid_, event.info())
                   : vob_act_delete(vob_.handle(), dbid_, event.info());
  if (status != 0)
    return trace.checked(__LINE__, status);
  sum_component_cache::forget(*this, root);
  for (unsigned i = 0; i < projects.count(); ++i) {
    int op = level >= 4 ? SUM_Project::kOpChange : 0;
    if (drop_mod_comp(projects[i], static_cast<const char*>(selector), op) != 0)
      imsg_print(IMSG_WARNING, sum_component_msg::FailedUpdateModifiableComponent,
                 projects[i].any_name());
  }
  if ((status = trigger.fire_postop(SUM_VobObject())) != 0)
    return trace.checked(__LINE__, status);
  *this = SUM_Component();
  return 0;
}
