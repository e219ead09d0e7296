// SUM_Project: the modifiable components of a project, the components whose
// files its streams change. Stored as the process variable
// "SUM_PROJ_MOD_COMPS": "," before each component's universal selector, in
// the order they were added. All of them, with the project's PVOB, share one
// administrative VOB, because the branch types of the project's streams are
// global types there.
//
// A change of the list changes what the streams' config specs must say.
// Config spec generation is not part of this library yet: the propagation
// steps print their messages and leave the regeneration of the streams'
// config specs (SUM_Stream::regen_cspec) to the caller ("vantool chstream
// -generate" once it exists).
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_project.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"
#include "sum/sum_utl_adminvob.h"
#include "sum/sum_utl_names.h"

namespace {

constexpr const char* kSource = "sum_project_mod_comps";

constexpr char kSeparator = ',';

// The selectors of the stored text, in order.
SUM_StringList split_selectors(const SUM_String& text) {
  SUM_StringList out;
  const char* start = text;
  for (const char* p = start;; ++p) {
    if (*p == kSeparator || *p == '\0') {
      if (p > start)
        out.append(SUM_String(start, static_cast<int>(p - start)));
      if (*p == '\0')
        break;
      start = p + 1;
    }
  }
  return out;
}

// The text after the first "@" of a selector: what resolution groups by.
std::string vob_part(const SUM_String& selector) {
  const char* at = std::strchr(static_cast<const char*>(selector), '@');
  return at != nullptr ? at : "";
}

// Resolves universal selectors into handles in input order (the resolver
// answers grouped by VOB text, as a stable sort of the input).
int resolve_in_order(const SUM_StringList& selectors, std::vector<SUM_VobObject>& out) {
  unsigned count = selectors.count();
  std::vector<vob_vob_h> vobs(count);
  std::vector<tbs_dbid_t> dbids(count);
  int status = sum_utl_resolve_univ_selectors(selectors, vobs.data(), dbids.data(), count);
  if (status != 0)
    return status;
  std::vector<unsigned> order(count);
  for (unsigned i = 0; i < count; ++i)
    order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](unsigned a, unsigned b) {
    return vob_part(selectors[a]) < vob_part(selectors[b]);
  });
  out.assign(count, SUM_VobObject());
  for (unsigned k = 0; k < count; ++k)
    out[order[k]] = SUM_VobObject(SUM_Vob(vobs[k]), dbids[k]);
  return SUM_OK;
}

bool listed(const SUM_ComponentList& list, const SUM_Component& component) {
  for (unsigned i = 0; i < list.count(); ++i)
    if (list[i] == component)
      return true;
  return false;
}

// The stored text for `list`: "," before each universal selector.
int list_text(const SUM_ComponentList& list, SUM_String& text) {
  SUM_String out;
  for (unsigned i = 0; i < list.count(); ++i) {
    SUM_String selector;
    int status = list[i].univ_selector(selector);
    if (status != 0)
      return status;
    out += ",";
    out += selector;
  }
  text = out;
  return SUM_OK;
}

}  // namespace

int SUM_Project::mod_comps(SUM_ComponentList& out) const {
  SUM_Trace trace("SUM_Project::mod_comps");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String text;
  int status = pvar(PVAR_ZEM_PROJ_SUM_PROJ_MOD_COMPS, text);
  SUM_StringList selectors = split_selectors(text);
  std::vector<SUM_VobObject> objects;
  if (status == 0 && selectors.count() > 0)
    status = resolve_in_order(selectors, objects);
  SUM_ComponentList found;
  for (size_t i = 0; status == 0 && i < objects.size(); ++i) {
    SUM_Component component = SUM_Component::convert(objects[i]);
    if (component.is_null())
      status = SUM_FAILED;
    else
      found.append(component);
  }
  if (status != 0) {
    out = SUM_ComponentList();
    imsg_print(IMSG_ERROR, sum_project_msg::ListUnreadable, any_fullname());
    return trace.checked(__LINE__, status);
  }
  out = found;
  return SUM_OK;
}

int SUM_Project::add_mod_comps(const SUM_ComponentList& list, const char* comment,
                               int fire_triggers) const {
  SUM_Trace trace("SUM_Project::add_mod_comps");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Folder parent;
  folder(parent);
  SUM_TrigChProj trigger(*this, parent, SUM_VobObject(), comment);
  int status = fire_triggers ? trigger.fire_preop() : 0;
  if (status == 0)
    status = check_permission();
  SUM_ComponentList current;
  if (status == 0)
    status = mod_comps(current);
  if (status != 0)
    return trace.checked(__LINE__, status);

  // One administrative VOB for the stored list, the PVOB and the new ones.
  SUM_Vob admin;
  int same = 1;
  if (current.count() > 0) {
    if ((status = sum_utl_check_adminvob(current, admin, same)) != 0)
      return trace.checked(__LINE__, status);
    if (!same) {
      imsg_print(IMSG_ERROR, sum_project_msg::ExistingAdminVobs, any_fullname());
      return trace.checked(__LINE__, SUM_FAILED);
    }
  } else {
    status = vob_.admin_vob(admin, 1);
    if (status == SUM_NOT_FOUND)
      admin = vob_;
    else if (status != 0)
      return trace.checked(__LINE__, status);
  }
  if (list.count() > 0 && (status = sum_utl_check_adminvob(list, admin, same)) != 0)
    return trace.checked(__LINE__, status);
  if (!same) {
    imsg_print(IMSG_ERROR, sum_project_msg::NewAdminVob);
    return trace.checked(__LINE__, SUM_FAILED);
  }

  SUM_ComponentList updated = current;
  for (unsigned i = 0; i < list.count(); ++i) {
    int rooted = 0;
    if (listed(updated, list[i])) {
      imsg_print(IMSG_WARNING, sum_project_msg::AlreadyModifiable, list[i].any_fullname(),
                 any_fullname());
    } else if ((status = list[i].has_crde(rooted)) != 0) {
      return trace.checked(__LINE__, status);
    } else if (!rooted) {
      imsg_print(IMSG_WARNING, sum_project_msg::BaselinesOnly, list[i].any_fullname());
    } else {
      updated.append(list[i]);
    }
  }
  if (updated.count() == current.count())
    return SUM_OK;
  SUM_String text;
  status = list_text(updated, text);
  if (status == 0)
    status = set_pvar(PVAR_ZEM_PROJ_SUM_PROJ_MOD_COMPS, text, kOpChange, comment);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_project_msg::ListWrite, any_fullname());
    return trace.checked(__LINE__, status);
  }
  int is_templ = 0;
  if ((status = is_template_project(is_templ)) != 0)
    return trace.checked(__LINE__, status);
  if (is_templ)
    imsg_print(IMSG_INFO, sum_project_msg::TemplateChanged);
  else
    imsg_print(IMSG_INFO, sum_project_msg::Changed, any_fullname());
  if (fire_triggers && (status = trigger.fire_postop(SUM_VobObject())) != 0)
    return trace.checked(__LINE__, status);
  if (is_templ)
    return SUM_OK;

  // Propagation to the streams' config specs.
  SUM_Stream integration;
  status = SUM_Stream::integration_stream(*this, integration);
  if (status == SUM_NOT_FOUND)
    return SUM_OK;
  if (status != 0)
    return trace.checked(__LINE__, status);
  imsg_print(IMSG_INFO, sum_project_msg::PropagatingToIntegration, integration.any_fullname());
  if ((status = integration.regen_cspec(0)) != 0)
    return trace.checked(__LINE__, status);
  std::vector<SUM_Stream> streams;
  if ((status = SUM_Stream::project_streams(*this, streams)) != 0)
    return trace.checked(__LINE__, status);
  if (streams.size() > 1)
    imsg_print(IMSG_INFO, sum_project_msg::PropagateByHand);
  return SUM_OK;
}

int SUM_Project::delete_mod_comps(const SUM_ComponentList& list, const char* comment) const {
  SUM_Trace trace("SUM_Project::delete_mod_comps");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = check_permission();
  SUM_String text;
  if (status == 0)
    status = pvar(PVAR_ZEM_PROJ_SUM_PROJ_MOD_COMPS, text);
  std::vector<SUM_Stream> streams;
  if (status == 0)
    status = SUM_Stream::project_streams(*this, streams);
  if (status != 0)
    return trace.checked(__LINE__, status);

  std::string stored = static_cast<const char*>(text);
  int refused = 0;
  for (unsigned i = 0; i < list.count(); ++i) {
    const SUM_Component& component = list[i];
    int modified = 0, undecided = 0;
    for (size_t s = 0; s < streams.size() && !modified; ++s) {
      if (streams[s].has_been_modified(component, modified) != 0) {
        imsg_print(IMSG_WARNING, sum_project_msg::Undecided, component.any_fullname(),
                   streams[s].any_fullname());
        undecided = 1;
        modified = 0;
      } else if (modified) {
        imsg_print(IMSG_ERROR, sum_project_msg::ModifiedInStream, component.any_fullname(),
                   streams[s].any_fullname());
      }
    }
    if (modified) {
      refused = 1;
      continue;
    }
    if (undecided)
      imsg_print(IMSG_WARNING, sum_project_msg::NotAllStreams, component.any_fullname());
    SUM_VobObject root;
    int replicated = 0;
    if (component.root_directory_element(root) == 0 && root.vob().is_replicated(replicated) == 0 &&
        replicated)
      imsg_print(IMSG_WARNING, sum_project_msg::Replicated, component.any_fullname());
    SUM_String selector;
    if ((status = component.univ_selector(selector)) != 0)
      return trace.checked(__LINE__, status);
    std::string entry = std::string(1, kSeparator) + static_cast<const char*>(selector);
    size_t at = stored.find(entry);
    // A match must end where the next entry (or the text) begins.
    while (at != std::string::npos && at + entry.size() < stored.size() &&
           stored[at + entry.size()] != kSeparator)
      at = stored.find(entry, at + 1);
    if (at == std::string::npos)
      imsg_print(IMSG_WARNING, sum_project_msg::NotModifiable, component.any_fullname(),
                 any_fullname());
    else
      stored.erase(at, entry.size());
  }
  if (stored != static_cast<const char*>(text)) {
    status = set_pvar(PVAR_ZEM_PROJ_SUM_PROJ_MOD_COMPS, stored.c_str(), kOpChange, comment);
    if (status != 0) {
      imsg_print(IMSG_ERROR, sum_project_msg::ListWrite, any_fullname());
      return trace.checked(__LINE__, status);
    }
    int is_templ = 0;
    if ((status = is_template_project(is_templ)) != 0)
      return trace.checked(__LINE__, status);
    if (is_templ)
      imsg_print(IMSG_INFO, sum_project_msg::TemplateChanged);
    else
      imsg_print(IMSG_INFO, sum_project_msg::Changed, any_fullname());
    if (!streams.empty())
      imsg_print(IMSG_INFO, sum_project_msg::Propagating, any_fullname());
    int all_regenerated = 1;
    for (const SUM_Stream& stream : streams)
      if (stream.regen_cspec(0) != 0)
        all_regenerated = 0;
    if (!all_regenerated)
      imsg_print(IMSG_WARNING, sum_project_msg::NotAllRegenerated);
  }
  return refused ? trace.checked(__LINE__, SUM_FAILED) : SUM_OK;
}
