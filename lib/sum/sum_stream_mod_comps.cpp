// SUM_Stream: stream-modifiable components. A development stream may modify
// components its project does not; it lists them in "SUM_STREAM_MOD_COMPS"
// ("," before each component's universal selector, as the project's list)
// and changes them on its "_nonmod" branch type, outside any activity.
//
// The config spec of the stream changes with the list: both operations
// regenerate it once the list is written (SUM_Stream::regen_cspec).
#include <string>

#include "services/imsg.h"
#include "services/vob_elem.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_component.h"
#include "sum/sum_event_info.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"
#include "sum/sum_utl_list_strings.h"

namespace {

constexpr const char* kSource = "sum_stream_mod_comps";

// What a change of the list is called in the trigger record.
constexpr const char* kTriggerChange = "modifiable components";

// Where `selector`, preceded by ",", stands in `text` as a whole item;
// npos when it does not.
size_t item_position(const std::string& text, const std::string& selector) {
  std::string item = "," + selector;
  for (size_t at = text.find(item); at != std::string::npos; at = text.find(item, at + 1)) {
    size_t end = at + item.size();
    if (end == text.size() || text[end] == ',')
      return at;
  }
  return std::string::npos;
}

// The refusals of add_mod_comps that depend on the stream alone.
int refuse_modcomp_change(const SUM_Stream& stream) {
  int integration = 0, read_only = 0, children = 0;
  int status = stream.is_integration(integration);
  if (status == 0)
    status = stream.is_read_only(read_only);
  if (status == 0)
    status = stream.has_streams(children);
  if (status != 0)
    return status;
  if (integration)
    imsg_print(IMSG_ERROR, sum_stream_msg::IntegrationRefused);
  else if (read_only)
    imsg_print(IMSG_ERROR, sum_stream_msg::ReadOnlyRefused, stream.any_fullname());
  else if (children)
    imsg_print(IMSG_ERROR, sum_stream_msg::HasChildrenRefused);
  return integration || read_only || children ? SUM_FAILED : SUM_OK;
}

}  // namespace

int SUM_Stream::check_parent_mod_comps(const SUM_Stream& parent) {
  SUM_Trace trace("SUM_Stream::check_parent_mod_comps");
  int exists = 0;
  int status = parent.pvar_exists(PVAR_ZEM_STRM_MOD_COMPS, exists);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!exists)
    return SUM_OK;
  imsg_print(IMSG_ERROR, sum_stream_msg::ParentHasModComps, parent.any_fullname());
  return trace.checked(__LINE__, SUM_FAILED);
}

int SUM_Stream::stream_only_mod_comps(SUM_ComponentList& out) const {
  SUM_Trace trace("SUM_Stream::stream_only_mod_comps");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String text;
  int status = pvar(PVAR_ZEM_STRM_MOD_COMPS, text);
  SUM_StringList pieces;
  sum_utl_split_list_string(text, pieces);
  SUM_ComponentList found;
  int incomplete = 0;
  for (unsigned i = 0; status == 0 && i < pieces.count(); ++i) {
    if (pieces[i].GetLength() == 0)
      continue;
    SUM_Component component;
    status = SUM_Component::construct_from_selector(pieces[i], SUM_Vob(), component);
    if (status == SUM_NOT_FOUND) {
      incomplete = 1;
      status = SUM_OK;
    } else if (status == 0) {
      found.append(component);
    }
  }
  if (status != 0) {
    out = SUM_ComponentList();
    imsg_print(IMSG_ERROR, sum_stream_msg::ListUnreadable, any_fullname());
    return trace.checked(__LINE__, status);
  }
  SUM_Project owner;
  SUM_ComponentList by_project;
  if ((status = project(owner)) == 0 && found.count() > 0)
    status = owner.mod_comps(by_project);
  if (status != 0)
    return trace.checked(__LINE__, status);
  for (unsigned i = 0; i < found.count(); ++i) {
    if (by_project.find(found[i]) < 0)
      continue;
    SUM_String branch;
    nonmod_branch_type_name(branch);
    imsg_print(IMSG_WARNING, sum_stream_msg::Eclipsed, found[i].any_fullname(), branch);
  }
  if (incomplete)
    imsg_print(IMSG_WARNING, sum_stream_msg::ListIncomplete, any_fullname());
  out = found;
  return SUM_OK;
}

int SUM_Stream::add_mod_comps(const SUM_ComponentList& list, const char* comment) const {
  SUM_Trace trace("SUM_Stream::add_mod_comps");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = refuse_modcomp_change(*this);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_Project owner;
  if ((status = project(owner)) != 0)
    return trace.checked(__LINE__, status);
  SUM_TrigChStream trigger(*this, owner, kTriggerChange, comment);
  if ((status = trigger.fire_preop()) != 0 || (status = check_permission()) != 0)
    return trace.checked(__LINE__, status);
  SUM_ComponentList visible, by_project, by_stream;
  SUM_String stored;
  if ((status = components(visible)) == 0 && (status = owner.mod_comps(by_project)) == 0 &&
      (status = stream_only_mod_comps(by_stream)) == 0)
    status = pvar(PVAR_ZEM_STRM_MOD_COMPS, stored);
  if (status != 0)
    return trace.checked(__LINE__, status);

  std::string text = static_cast<const char*>(stored);
  int appended = 0;
  for (unsigned i = 0; i < list.count(); ++i) {
    const SUM_Component& component = list[i];
    int rooted = 0;
    SUM_String selector;
    if (component.is_null())
      return sum_int_error(kSource, trace.name(), __LINE__);
    if (visible.find(component) < 0) {
      imsg_print(IMSG_WARNING, sum_stream_msg::NotInFoundation, component.any_fullname(),
                 any_fullname());
      continue;
    }
    if ((status = component.univ_selector(selector)) != 0 ||
        (status = component.has_crde(rooted)) != 0)
      return trace.checked(__LINE__, status);
    if (by_project.find(component) >= 0 || by_stream.find(component) >= 0 ||
        item_position(text, static_cast<const char*>(selector)) != std::string::npos) {
      imsg_print(IMSG_WARNING, sum_stream_msg::AlreadyModifiable, component.any_fullname(),
                 any_fullname());
      continue;
    }
    if (!rooted) {
      imsg_print(IMSG_WARNING, sum_stream_msg::Rootless, component.any_fullname());
      continue;
    }
    text += ",";
    text += static_cast<const char*>(selector);
    ++appended;
  }
  if (appended == 0)
    return SUM_OK;
  if ((status = set_pvar(PVAR_ZEM_STRM_MOD_COMPS, text.c_str(), kOpChange, comment)) != 0) {
    imsg_print(IMSG_ERROR, sum_stream_msg::ListNotUpdated, any_fullname());
    return trace.checked(__LINE__, status);
  }
  SUM_String branch;
  SUM_NamedObject existing;
  if ((status = nonmod_branch_type_name(branch)) == 0)
    status = nonmod_branch_type(existing);
  if (status == SUM_NOT_FOUND) {
    SUM_Vob admin;
    tbs_dbid_t made = 0;
    SUM_EventInfo event(comment, kOpChange);
    if ((status = admin_vob(admin)) == 0)
      status = vob_brtype_create(admin.handle(), branch, event.info(), &made);
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  imsg_print(IMSG_INFO, sum_stream_msg::NonmodBranch, any_fullname(), branch);
  if ((status = trigger.fire_postop(SUM_VobObject())) != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, regen_cspec(0));
}

int SUM_Stream::delete_mod_comps(const SUM_ComponentList& list, const char* comment) const {
  SUM_Trace trace("SUM_Stream::delete_mod_comps");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Project owner;
  int status = project(owner);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_TrigChStream trigger(*this, owner, kTriggerChange, comment);
  if ((status = trigger.fire_preop()) != 0 || (status = check_permission()) != 0)
    return trace.checked(__LINE__, status);
  SUM_String stored;
  if ((status = pvar(PVAR_ZEM_STRM_MOD_COMPS, stored)) != 0)
    return trace.checked(__LINE__, status);
  std::string text = static_cast<const char*>(stored);
  for (unsigned i = 0; i < list.count(); ++i) {
    SUM_String selector;
    if (list[i].is_null())
      return sum_int_error(kSource, trace.name(), __LINE__);
    if ((status = list[i].univ_selector(selector)) != 0)
      return trace.checked(__LINE__, status);
    size_t at = item_position(text, static_cast<const char*>(selector));
    if (at == std::string::npos) {
      imsg_print(IMSG_WARNING, sum_stream_msg::NotStreamModifiable, list[i].any_fullname(),
                 any_fullname());
      continue;
    }
    text.erase(at, selector.GetLength() + 1);
  }
  if (text == static_cast<const char*>(stored))
    return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
  status = text.empty() ? delete_pvar(PVAR_ZEM_STRM_MOD_COMPS, kOpChange)
                        : set_pvar(PVAR_ZEM_STRM_MOD_COMPS, text.c_str(), kOpChange, comment);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_stream_msg::ListNotUpdated, any_fullname());
    return trace.checked(__LINE__, status);
  }
  if ((status = trigger.fire_postop(SUM_VobObject())) != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, regen_cspec(0));
}

int SUM_Stream::sort_comps_by_mod(SUM_ComponentList& modifiable,
                                  SUM_ComponentList& non_modifiable) const {
  SUM_Trace trace("SUM_Stream::sort_comps_by_mod");
  SUM_Project owner;
  SUM_ComponentList visible, by_project;
  int status = project(owner);
  if (status == 0)
    status = components(visible);
  if (status == 0)
    status = owner.mod_comps(by_project);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_ComponentList yes, no;
  for (unsigned i = 0; i < visible.count(); ++i)
    (by_project.find(visible[i]) >= 0 ? yes : no).append(visible[i]);
  modifiable = yes;
  non_modifiable = no;
  return SUM_OK;
}

int SUM_Stream::non_mod_comps(SUM_ComponentList& out) const {
  SUM_Trace trace("SUM_Stream::non_mod_comps");
  SUM_ComponentList modifiable, rest;
  int status = sort_comps_by_mod(modifiable, rest);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = rest;
  return SUM_OK;
}

int SUM_Stream::mod_comps(SUM_ComponentList& modifiable, SUM_ComponentList& non_modifiable) const {
  SUM_Trace trace("SUM_Stream::mod_comps");
  int read_only = 0;
  SUM_Project owner;
  SUM_ComponentList visible, by_project, by_stream;
  int status = is_read_only(read_only);
  if (status == 0)
    status = components(visible);
  if (status == 0 && !read_only && (status = project(owner)) == 0 &&
      (status = owner.mod_comps(by_project)) == 0)
    status = stream_only_mod_comps(by_stream);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_ComponentList yes, no;
  for (unsigned i = 0; i < visible.count(); ++i) {
    bool may = by_project.find(visible[i]) >= 0 || by_stream.find(visible[i]) >= 0;
    (may ? yes : no).append(visible[i]);
  }
  modifiable = yes;
  non_modifiable = no;
  return SUM_OK;
}
