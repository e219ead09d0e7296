// SUM_Project settings: the rebase promotion level, the baseline naming
// template, the project model and the policies with their stored forms.
#include <cstdio>
#include <cstring>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_project.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"

namespace {

constexpr const char* kSource = "sum_project";

// The tokens of a baseline naming template, in the order they are checked.
constexpr const char* kTokens[] = {"project", "basename", "component", "stream",
                                   "date",    "time",     "user",      "host"};

int is_token(const char* text) {
  for (const char* token : kTokens)
    if (std::strcmp(token, text) == 0)
      return 1;
  return 0;
}

int is_project_policy(int id) {
  if (!SUM_Policy::is_valid(id))
    return 0;
  int type = SUM_Policy(id).obj_type();
  return type == SUM_Policy::PROJECT_ONLY || type == SUM_Policy::PROJECT_AND_STREAM ? 1 : 0;
}

int is_flag(int id) {
  return id >= SUM_Policy::UNIX_INT_SNAP && id <= SUM_Policy::WIN_DEV_SNAP ? 1 : 0;
}

}  // namespace

int SUM_Project::rebase_plevel(SUM_PLevel& out) const {
  SUM_Trace trace("SUM_Project::rebase_plevel");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String name;
  int status = pvar(PVAR_ZEM_PROJ_SUM_REBASE_PLEVEL, name);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_project_msg::RebaseRead, any_fullname());
    return trace.checked(__LINE__, status);
  }
  if (name.GetLength() == 0)
    return SUM_NOT_FOUND;
  return trace.checked(__LINE__,
                       SUM_PLevel::construct_from_string(SUM_PLevel::unquoted(name), vob_, 0, out));
}

int SUM_Project::set_rebase_plevel(const SUM_PLevel& level, const char* comment,
                                   int fire_triggers) const {
  SUM_Trace trace("SUM_Project::set_rebase_plevel");
  if (is_null() || level.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_PLevel known;
  int status = SUM_PLevel::construct_from_string(level.name(), vob_, 1, known);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_PLevel current;
  status = rebase_plevel(current);
  if (status == 0 && current == known)
    return SUM_OK;
  SUM_Folder parent;
  folder(parent);
  SUM_TrigChProj trigger(*this, parent, SUM_VobObject(), comment);
  if (fire_triggers && (status = trigger.fire_preop()) != 0)
    return trace.checked(__LINE__, status);
  if ((status = check_permission()) != 0)
    return trace.checked(__LINE__, status);
  status = set_pvar(PVAR_ZEM_PROJ_SUM_REBASE_PLEVEL, known.name(), kOpChange, comment);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_project_msg::RebaseSet, any_fullname());
    return trace.checked(__LINE__, status);
  }
  if (fire_triggers && (status = trigger.fire_postop(SUM_VobObject())) != 0)
    return trace.checked(__LINE__, status);
  return SUM_OK;
}

int SUM_Project::get_blname_template(SUM_String& out) const {
  SUM_Trace trace("SUM_Project::get_blname_template");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = policy(SUM_Policy::BASELINE_NAMING_TEMPLATE, out);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_project_msg::BlnameRead, any_fullname());
    return trace.checked(__LINE__, status);
  }
  return SUM_OK;
}

int SUM_Project::get_blname_template_list(SUM_StringList& out) const {
  SUM_Trace trace("SUM_Project::get_blname_template_list");
  SUM_String text;
  int status = get_blname_template(text);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_StringList tokens;
  const char* start = text;
  for (const char* p = start;; ++p) {
    if (*p == '_' || *p == '\0') {
      if (p > start)
        tokens.append(SUM_String(start, static_cast<int>(p - start)));
      if (*p == '\0')
        break;
      start = p + 1;
    }
  }
  out = tokens;
  return SUM_OK;
}

int SUM_Project::basename_used(int& result) const {
  SUM_Trace trace("SUM_Project::basename_used");
  SUM_StringList tokens;
  int status = get_blname_template_list(tokens);
  if (status != 0)
    return trace.checked(__LINE__, status);
  result = tokens.find(SUM_String("basename")) >= 0 ? 1 : 0;
  return SUM_OK;
}

int SUM_Project::set_blname_template(const char* const tokens[], int count, const char* comment,
                                     int fire_triggers) const {
  SUM_Trace trace("SUM_Project::set_blname_template");
  if (is_null() || count <= 0 || tokens == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = check_permission();
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_String joined;
  for (int i = 0; i < count; ++i) {
    if (tokens[i] == nullptr || !is_token(tokens[i])) {
      imsg_print(IMSG_ERROR, sum_project_msg::BadToken, tokens[i] ? tokens[i] : "");
      return trace.checked(__LINE__, SUM_FAILED);
    }
    if (i > 0)
      joined += "_";
    joined += tokens[i];
  }
  SUM_PolicyList list;
  if ((status = policy(list)) != 0)
    return trace.checked(__LINE__, status);
  status = SUM_Policy::update_list(list, SUM_Policy::BASELINE_NAMING_TEMPLATE, joined);
  if (status == TBS_ST_UNCHANGED)
    return TBS_ST_UNCHANGED;
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, set_policy(list, comment, fire_triggers));
}

int SUM_Project::set_blname_template_default(const char* comment, int fire_triggers) const {
  SUM_Trace trace("SUM_Project::set_blname_template_default");
  const char* const tokens[] = {"basename"};
  return trace.checked(__LINE__, set_blname_template(tokens, 1, comment, fire_triggers));
}

int SUM_Project::is_single_stream_project(int& result) const {
  SUM_Trace trace("SUM_Project::is_single_stream_project");
  SUM_String model;
  int status = policy(SUM_Policy::PROJECT_MODEL, model);
  if (status != 0)
    return trace.checked(__LINE__, status);
  result = model.Compare("SIMPLE") == 0 ? 1 : 0;
  return SUM_OK;
}

int SUM_Project::policy(SUM_PolicyList& out) const {
  SUM_Trace trace("SUM_Project::policy");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_PolicyList list;
  for (int id = SUM_Policy::UNIX_INT_SNAP; id <= SUM_Policy::WIN_DEV_SNAP; ++id) {
    SUM_String value;
    int status = SUM_Policy::read_flag(*this, id, value);
    if (status != 0) {
      imsg_print(IMSG_ERROR, sum_project_msg::PolicyValue, SUM_Policy(id).name(), any_fullname());
      return trace.checked(__LINE__, status);
    }
    SUM_Policy flag(id);
    flag.set_value(value);
    list.append(flag);
  }
  int complete = 1;
  int status = SUM_Policy::read_stored(*this, PVAR_ZEM_PROJ_POLICY_PROJECT_PVAR, list, complete);
  if (status != 0 && status != SUM_NOT_FOUND) {
    imsg_print(IMSG_ERROR, sum_project_msg::PolicyPvars, any_fullname());
    return trace.checked(__LINE__, status);
  }
  if (!complete)
    imsg_print(IMSG_WARNING, sum_project_msg::IncompletePolicies, any_fullname());
  SUM_Policy::add_defaults(list, 0);
  out = list;
  return SUM_OK;
}

int SUM_Project::policy(int id, SUM_String& value) const {
  SUM_Trace trace("SUM_Project::policy(id)");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (!is_project_policy(id)) {
    char id_text[16];
    std::snprintf(id_text, sizeof id_text, "%d", id);
    imsg_print(IMSG_ERROR, sum_project_msg::NotProjectPolicy, id_text, any_fullname());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  if (is_flag(id))
    return trace.checked(__LINE__, SUM_Policy::read_flag(*this, id, value));
  SUM_PolicyList list;
  int status = policy(list);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return SUM_Policy::lookup(list, id, value);
}

int SUM_Project::policy(int id, int& flag) const {
  SUM_Trace trace("SUM_Project::policy(flag)");
  if (is_null() || !is_flag(id))
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String value;
  int status = SUM_Policy::read_flag(*this, id, value);
  if (status != 0)
    return trace.checked(__LINE__, status);
  flag = value.Compare("True") == 0 ? 1 : 0;
  return SUM_OK;
}

int SUM_Project::set_policy(const SUM_PolicyList& list, const char* comment,
                            int fire_triggers) const {
  SUM_Trace trace("SUM_Project::set_policy");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int level = 0;
  int status = feature_level(level);
  if (status != 0)
    return trace.checked(__LINE__, status);
  // Every value is checked before anything is written.
  for (unsigned i = 0; i < list.count(); ++i) {
    const SUM_Policy& p = list[i];
    if (!is_project_policy(p.policy_id())) {
      char id_text[16];
      std::snprintf(id_text, sizeof id_text, "%d", p.policy_id());
      imsg_print(IMSG_ERROR, sum_project_msg::NotProjectPolicy, id_text, any_fullname());
      return trace.checked(__LINE__, SUM_FAILED);
    }
    if (p.get_changed() && !SUM_Policy::valid_value(p.policy_id(), p.value(), level, 0)) {
      imsg_print(IMSG_ERROR, sum_project_msg::BadPolicyValue, p.value(), p.name(), level);
      return trace.checked(__LINE__, SUM_FAILED);
    }
  }
  SUM_Folder parent;
  folder(parent);
  SUM_TrigChProj trigger(*this, parent, SUM_VobObject(), comment);
  if (fire_triggers && (status = trigger.fire_preop()) != 0)
    return trace.checked(__LINE__, status);
  if ((status = check_permission()) != 0)
    return trace.checked(__LINE__, status);

  // The stored policies with the changed ones of `list` on top.
  SUM_PolicyList merged;
  if ((status = policy(merged)) != 0)
    return trace.checked(__LINE__, status);
  int tree_changed = 0;
  for (unsigned i = 0; i < list.count(); ++i) {
    const SUM_Policy& p = list[i];
    if (!p.get_changed())
      continue;
    if (is_flag(p.policy_id())) {
      status = SUM_Policy::write_flag(*this, p.policy_id(), p.value().Compare("True") == 0,
                                      kOpChange, comment);
      if (status != 0) {
        imsg_print(IMSG_ERROR, sum_project_msg::PolicySet, p.pvar_name(), any_fullname());
        return trace.checked(__LINE__, status);
      }
      continue;
    }
    if (SUM_Policy::update_list(merged, p.policy_id(), p.value()) == 0)
      tree_changed = 1;
  }
  if (tree_changed) {
    SUM_PolicyList tree;
    for (unsigned i = 0; i < merged.count(); ++i)
      if (!is_flag(merged[i].policy_id()))
        tree.append(merged[i]);
    status = SUM_Policy::write_stored(*this, PVAR_ZEM_PROJ_POLICY_PROJECT_PVAR, tree, kOpChange,
                                      comment);
    if (status != 0) {
      imsg_print(IMSG_ERROR, sum_project_msg::PolicySet, PVAR_ZEM_PROJ_POLICY_PROJECT_PVAR,
                 any_fullname());
      return trace.checked(__LINE__, status);
    }
    SUM_StringList failed;
    if (SUM_Policy::delete_obsolete_pvars(*this, kOpChange, failed) != 0)
      for (unsigned i = 0; i < failed.count(); ++i)
        imsg_print(IMSG_WARNING, sum_project_msg::ObsoletePvar, failed[i], any_fullname());
  }
  if (fire_triggers && (status = trigger.fire_postop(SUM_VobObject())) != 0)
    return trace.checked(__LINE__, status);
  return SUM_OK;
}

int SUM_Project::set_policy(int id, int flag, int fire_triggers) const {
  SUM_Trace trace("SUM_Project::set_policy(flag)");
  if (is_null() || !is_flag(id))
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_PolicyList list;
  SUM_Policy p(id);
  p.set_value(flag ? "True" : "False");
  p.set_changed(1);
  list.append(p);
  return trace.checked(__LINE__, set_policy(list, "", fire_triggers));
}
