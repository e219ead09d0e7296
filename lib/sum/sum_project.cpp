// SUM_Project: creation (plain, extended, template), naming, titles,
// moving, permission, listing and removal of projects. The settings live in
// sum_project_settings.cpp.
#include "sum/sum_project.h"

#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/vob_trig.h"
#include "services/vob_zem.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_event_info.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_title.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"
#include "sum/sum_utl_names.h"

namespace {

constexpr const char* kSource = "sum_project";

// The metatype project names are unique among, by storage form.
vob_mtype_t project_mtype(const SUM_Vob& vob) {
  return vob.supports_fc_objs() ? VOB_MTYPE_PROJECT : VOB_MTYPE_ACTIVITY_LIKE;
}

// Whether `name` may name a new or renamed project of `vob` (1 yes; 0 after
// the naming utility's message).
int name_ok(const char* name, const SUM_Vob& vob) {
  return sum_utl_is_usable_name(name, project_mtype(vob), vob);
}

// Turns a list of keys into the array form the policy functions take.
std::vector<const char*> key_array(const SUM_StringList& keys) {
  std::vector<const char*> out;
  for (unsigned i = 0; i < keys.count(); ++i)
    out.push_back(keys[i]);
  return out;
}

}  // namespace

int SUM_Project::feature_level(int& level) const {
  return vob_.feature_level(level);
}

int SUM_Project::remove_object(const char* comment) const {
  SUM_Trace trace("SUM_Project::remove_object");
  if (vob_.supports_fc_objs()) {
    SUM_EventInfo event(comment, kOpRemove);
    return trace.checked(__LINE__, vob_zem_project_delete(vob_.handle(), dbid_, event.info()));
  }
  return trace.checked(__LINE__, destroy_util(comment, kOpRemove));
}

int SUM_Project::pvt_create(const char* name, const char* comment, const SUM_Folder& folder,
                            const char* title, int single_stream, int is_template,
                            int fire_triggers, SUM_Project& out) {
  SUM_Trace trace("SUM_Project::pvt_create");
  if (folder.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  const SUM_Vob& vob = folder.vob();
  if (single_stream) {
    int below = 0;
    int status = vob.is_feature_level_lt(kSingleStreamFeatureLevel, below);
    if (status != 0)
      return trace.checked(__LINE__, status);
    if (below) {
      imsg_print(IMSG_ERROR, sum_project_msg::SingleStreamLevel, vob.any_name(),
                 kSingleStreamFeatureLevel);
      return trace.checked(__LINE__, SUM_FAILED);
    }
  }
  if (!name_ok(name, vob))
    return trace.checked(__LINE__, SUM_FAILED);
  SUM_PLevel default_level;
  int status = SUM_PLevel::get_def_plevel(vob, default_level);
  if (status != 0)
    return trace.checked(__LINE__, status);

  SUM_TrigMkProj trigger(folder, name, comment);
  if (fire_triggers && (status = trigger.fire_preop()) != 0)
    return trace.checked(__LINE__, status);

  SUM_Project made;
  if (vob.supports_fc_objs()) {
    SUM_EventInfo event(comment, kOpCreate);
    tbs_dbid_t dbid = 0;
    status = vob_zem_project_create(vob.handle(), name, folder.dbid(), event.info(), &dbid);
    if (status != 0)
      return trace.checked(__LINE__, status);
    made = SUM_Project(vob, dbid);
    if (title != nullptr && *title != '\0') {
      status = vob_zem_obj_set_title(vob.handle(), dbid, title, event.info());
      if (status != 0) {
        made.remove_object(comment);
        return trace.checked(__LINE__, status);
      }
    }
  } else {
    SUM_VobObject type;
    SUM_VobObject parent = folder;
    status = vob.project_actype(type);
    if (status == 0 && is_template)
      status = vob.wk_obj(VOB_WK_TEMPLATE_HOLDER, parent);
    if (status != 0)
      return trace.checked(__LINE__, status);
    SUM_ActivityBase created;
    status = common_create(vob, name, title, type, parent, comment, kOpCreate, created);
    if (status != 0)
      return trace.checked(__LINE__, status);
    made = SUM_Project(vob, created.dbid());
    status = made.make_active(comment, kOpChange);
    if (status != 0) {
      made.remove_object(comment);
      return trace.checked(__LINE__, status);
    }
  }

  // Settings; any failure from here on removes the new project again.
  status = made.set_pvar(PVAR_ZEM_PROJ_SUM_REBASE_PLEVEL, default_level.name(), kOpChange, comment);
  int use_defaults = 1;  // no template to copy from
  if (status == 0 && !is_template) {
    SUM_Project templ;
    status = template_prj_exists(vob, templ);
    if (status == 0) {
      imsg_print(IMSG_INFO, sum_project_msg::SeededFromTemplate);
      status = made.seed_from_template(templ, single_stream, comment);
      use_defaults = 0;
    } else if (status == SUM_NOT_FOUND) {
      status = 0;
    } else {
      imsg_print(IMSG_ERROR, sum_project_msg::TemplateLookup);
    }
  }
  if (status == 0 && use_defaults) {
    // The built-in starting settings.
    status = SUM_Policy::write_flag(made, SUM_Policy::WIN_DEV_SNAP, 1, kOpChange, comment);
    if (status == 0 && single_stream) {
      SUM_PolicyList list;
      status = SUM_Policy::update_list(list, SUM_Policy::PROJECT_MODEL, "SIMPLE");
      if (status == 0)
        status = made.set_policy(list, comment, 0);
    }
  }
  if (status != 0) {
    made.remove_object(comment);
    return trace.checked(__LINE__, status);
  }
  if (fire_triggers && (status = trigger.fire_postop(made)) != 0)
    return trace.checked(__LINE__, status);
  out = made;
  return SUM_OK;
}

int SUM_Project::seed_from_template(const SUM_Project& templ, int single_stream,
                                    const char* comment) const {
  SUM_Trace trace("SUM_Project::seed_from_template");
  // Modifiable components first: failures there leave the project without
  // them, with a warning.
  SUM_ComponentList comps;
  if (templ.mod_comps(comps) != 0)
    imsg_print(IMSG_WARNING, sum_project_msg::TemplateModCompsRead);
  else if (comps.count() > 0 && add_mod_comps(comps, comment, 0) != 0)
    imsg_print(IMSG_WARNING, sum_project_msg::TemplateModCompsWrite);
  SUM_PolicyList policies;
  int status = templ.policy(policies);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_project_msg::TemplatePolicyRead);
    return trace.checked(__LINE__, status);
  }
  for (unsigned i = 0; i < policies.count(); ++i) {
    if (single_stream && policies[i].policy_id() == SUM_Policy::PROJECT_MODEL)
      policies[i].set_value("SIMPLE");
    policies[i].set_changed(1);
  }
  status = set_policy(policies, comment, 0);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_project_msg::TemplatePolicyWrite);
    return trace.checked(__LINE__, status);
  }
  SUM_StringList tokens;
  status = templ.get_blname_template_list(tokens);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_project_msg::TemplateBlnameRead);
    return trace.checked(__LINE__, status);
  }
  std::vector<const char*> array = key_array(tokens);
  status = set_blname_template(array.data(), static_cast<int>(array.size()), comment, 0);
  if (status == TBS_ST_UNCHANGED)
    status = 0;  // the policies above carried it already
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_project_msg::TemplateBlnameWrite);
    return trace.checked(__LINE__, status);
  }
  return SUM_OK;
}

int SUM_Project::apply_settings(const Settings& settings, const char* comment) const {
  SUM_Trace trace("SUM_Project::apply_settings");
  SUM_String name_text = any_fullname();
  if (settings.mod_comps.count() > 0 && add_mod_comps(settings.mod_comps, comment, 0) != 0)
    imsg_print(IMSG_WARNING, sum_project_msg::ModCompsWarning, name_text);
  if (settings.blname_tokens.count() > 0) {
    std::vector<const char*> tokens = key_array(settings.blname_tokens);
    int status = set_blname_template(tokens.data(), static_cast<int>(tokens.size()), comment, 0);
    if (status != 0 && status != TBS_ST_UNCHANGED)
      imsg_print(IMSG_WARNING, sum_project_msg::BlnameWarning, name_text);
  }
  if (settings.enable_keys.count() + settings.disable_keys.count() +
          settings.by_stream_keys.count() ==
      0)
    return SUM_OK;
  int level = 0;
  SUM_PolicyList list;
  int status = feature_level(level);
  if (status == 0)
    status = policy(list);
  int changed = 0;
  struct Pass {
    const SUM_StringList* keys;
    int (*apply)(SUM_PolicyList&, int, const char* const[], int);
  };
  const Pass passes[] = {{&settings.enable_keys, &SUM_Policy::enable_policies},
                         {&settings.disable_keys, &SUM_Policy::disable_policies},
                         {&settings.by_stream_keys, &SUM_Policy::enable_bystr_policies}};
  for (const Pass& pass : passes) {
    if (status != 0 || pass.keys->count() == 0)
      continue;
    std::vector<const char*> keys = key_array(*pass.keys);
    int st = pass.apply(list, static_cast<int>(keys.size()), keys.data(), level);
    if (st == 0)
      changed = 1;
    else if (st != TBS_ST_UNCHANGED)
      status = st;
  }
  if (status == 0 && changed)
    status = set_policy(list, comment, 0);
  if (status != 0)
    imsg_print(IMSG_WARNING, sum_project_msg::PolicyWarning, name_text);
  return SUM_OK;
}

int SUM_Project::create(const char* name, const char* comment, const SUM_Folder& folder,
                        const char* title, int single_stream, SUM_Project& out) {
  SUM_Trace trace("SUM_Project::create");
  return trace.checked(__LINE__,
                       pvt_create(name, comment, folder, title, single_stream, 0, 1, out));
}

int SUM_Project::create_extended(const char* name, const char* comment, const SUM_Folder& folder,
                                 const char* title, const Settings& settings, SUM_Project& out) {
  SUM_Trace trace("SUM_Project::create_extended");
  if (folder.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_TrigMkProj trigger(folder, name, comment);
  int status = trigger.fire_preop();
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_Project made;
  status = pvt_create(name, comment, folder, title, settings.single_stream, 0, 0, made);
  if (status != 0)
    return trace.checked(__LINE__, status);
  made.apply_settings(settings, comment);
  status = trigger.fire_postop(made);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = made;
  return SUM_OK;
}

int SUM_Project::create_template(const char* name, const char* comment, const SUM_Folder& folder,
                                 const char* title, const Settings& settings, SUM_Project& out) {
  SUM_Trace trace("SUM_Project::create_template");
  if (folder.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  const SUM_Vob& vob = folder.vob();
  SUM_Project existing;
  int status = template_prj_exists(vob, existing);
  if (status == 0) {
    imsg_print(IMSG_ERROR, sum_project_msg::TemplateExists);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  if (status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  if ((status = check_templ_permission(vob)) != 0)
    return trace.checked(__LINE__, status);

  SUM_TrigMkProj trigger(folder, name, comment);
  if ((status = trigger.fire_preop()) != 0)
    return trace.checked(__LINE__, status);
  SUM_Project made;
  status = pvt_create(name, comment, folder, title, settings.single_stream, 1, 0, made);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (vob.supports_fc_objs()) {
    // Recorded on the holder; a concurrent maker loses the compare-and-set.
    SUM_VobObject holder;
    SUM_String selector;
    status = vob.wk_obj(VOB_WK_TEMPLATE_HOLDER, holder);
    if (status == 0)
      status = made.univ_selector(selector);
    if (status == 0)
      status = sum_pvar_test_and_set(holder, PVAR_ZEM_PROJ_SUM_TEMPLATE_PROJECT, "", selector,
                                     kOpCreate);
    if (status != 0) {
      made.remove_object(comment);
      if (status == TBS_ST_CAS_MISMATCH)
        imsg_print(IMSG_ERROR, sum_project_msg::TemplateExists);
      return trace.checked(__LINE__, SUM_FAILED);
    }
  }
  made.apply_settings(settings, comment);
  if ((status = trigger.fire_postop(made)) != 0)
    return trace.checked(__LINE__, status);
  out = made;
  return SUM_OK;
}

int SUM_Project::check_templ_permission(const SUM_Vob& pvob) {
  SUM_Trace trace("SUM_Project::check_templ_permission");
  SUM_VobObject vob_object;
  int status = pvob.wk_obj(VOB_WK_VOB_OBJECT, vob_object);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, vob_object.check_change_permission());
}

int SUM_Project::check_admin_permission_no_master() const {
  SUM_Trace trace("SUM_Project::check_admin_permission_no_master");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = vob_obj_check_admin(vob_.handle(), dbid_);
  if (status == TBS_ST_NO_PERMISSION)
    status = SUM_FAILED;
  return trace.checked(__LINE__, status);
}

int SUM_Project::check_permission() const {
  SUM_Trace trace("SUM_Project::check_permission");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String unrestricted;
  int status = policy(SUM_Policy::CHPROJECT_UNRESTRICTED, unrestricted);
  if (status == 0 && unrestricted.Compare("ENABLED") == 0)
    return SUM_OK;
  return trace.checked(__LINE__, check_change_permission());
}

int SUM_Project::set_name(const char* name, const char* comment) const {
  SUM_Trace trace("SUM_Project::set_name");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (!name_ok(name, vob_))
    return trace.checked(__LINE__, SUM_FAILED);
  int locked = 0;
  int status = is_locked(locked);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (locked) {
    imsg_print(IMSG_ERROR, sum_project_msg::NameLocked);
    return trace.checked(__LINE__, TBS_ST_LOCKED);
  }
  if ((status = check_permission()) != 0)
    return trace.checked(__LINE__, status);
  SUM_Folder parent;
  folder(parent);
  SUM_TrigChProj trigger(*this, parent, SUM_VobObject(), comment);
  if ((status = trigger.fire_preop()) != 0)
    return trace.checked(__LINE__, status);
  if ((status = set_name_basic(name, comment)) != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

int SUM_Project::title(SUM_String& out) const {
  SUM_Trace trace("SUM_Project::title");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (!vob_.supports_fc_objs())
    return trace.checked(__LINE__, SUM_ActivityBase::title(out));
  auto stored = [&](std::string& text) {
    return vob_zem_obj_get_title(vob_.handle(), dbid_, text);
  };
  return trace.checked(__LINE__, sum_read_title(*this, stored, out));
}

int SUM_Project::set_title(const char* new_title, const char* comment) const {
  SUM_Trace trace("SUM_Project::set_title");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  const char* wanted = nullptr;
  int changes = 0;
  int status = sum_title_changes(*this, new_title, wanted, changes);
  if (status != 0 || !changes)
    return trace.checked(__LINE__, status);
  int locked = 0;
  if ((status = is_locked(locked)) != 0)
    return trace.checked(__LINE__, status);
  if (locked) {
    imsg_print(IMSG_ERROR, sum_project_msg::TitleLocked);
    return trace.checked(__LINE__, TBS_ST_LOCKED);
  }
  SUM_Folder parent;
  folder(parent);
  SUM_TrigChProj trigger(*this, parent, SUM_VobObject(), comment);
  return trace.checked(__LINE__, sum_write_title(*this, trigger, [&] {
                         if (!vob_.supports_fc_objs())
                           return SUM_ActivityBase::set_title(wanted, comment, kOpChange);
                         SUM_EventInfo event(comment, kOpChange);
                         return vob_zem_obj_set_title(vob_.handle(), dbid_, wanted, event.info());
                       }));
}

int SUM_Project::set_display_name(const char* display, const char* comment) const {
  SUM_Trace trace("SUM_Project::set_display_name");
  return trace.checked(__LINE__, set_title(display, comment));
}

int SUM_Project::folder(SUM_Folder& out) const {
  SUM_Trace trace("SUM_Project::folder");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (vob_.supports_fc_objs()) {
    tbs_dbid_t parent = 0;
    int status = vob_zem_obj_get_parent(vob_.handle(), dbid_, &parent);
    if (status != 0)
      return trace.checked(__LINE__, status);
    out = SUM_Folder(vob_, parent);
    return SUM_OK;
  }
  SUM_ActivityBase parent;
  int status = SUM_ActivityBase::parent(parent);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Folder(vob_, parent.dbid());
  return SUM_OK;
}

int SUM_Project::change_parent(const SUM_Folder& new_folder, const char* comment) const {
  SUM_Trace trace("SUM_Project::change_parent");
  if (is_null() || new_folder.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Folder current;
  folder(current);
  SUM_TrigChProj trigger(*this, current, new_folder, comment);
  int status = trigger.fire_preop();
  if (status != 0)
    return trace.checked(__LINE__, status);
  if ((status = check_permission()) != 0)
    return trace.checked(__LINE__, status);
  if (vob_.supports_fc_objs()) {
    SUM_EventInfo event(comment, kOpChange);
    status = vob_zem_project_set_parent(vob_.handle(), dbid_, new_folder.dbid(), event.info());
  } else {
    status = reparent(SUM_ActivityBase(new_folder.vob(), new_folder.dbid()), comment, kOpChange);
  }
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_project_msg::MoveFailed, any_fullname(), new_folder.any_fullname());
    return trace.checked(__LINE__, status);
  }
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

int SUM_Project::ok_to_destroy(int& ok) const {
  SUM_Trace trace("SUM_Project::ok_to_destroy");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int referenced = 0;
  int status = trtype_refs_refuse(sum_project_msg::TriggerTypeRefs, referenced);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (referenced) {
    ok = 0;
    return SUM_OK;
  }
  int streams = 0;
  if ((status = has_streams(streams)) != 0)
    return trace.checked(__LINE__, status);
  if (streams) {
    imsg_print(IMSG_ERROR, sum_project_msg::HasStreams);
    ok = 0;
    return SUM_OK;
  }
  ok = 1;
  return SUM_OK;
}

int SUM_Project::destroy(const char* comment) {
  SUM_Trace trace("SUM_Project::destroy");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = check_change_permission();
  if (status != 0)
    return trace.checked(__LINE__, status);
  int ok = 0;
  status = ok_to_destroy(ok);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!ok)
    return trace.checked(__LINE__, SUM_FAILED);
  int is_templ = 0;
  if ((status = is_template_project(is_templ)) != 0)
    return trace.checked(__LINE__, status);
  SUM_Folder parent;
  folder(parent);
  SUM_TrigRmProj trigger(*this, parent, comment);
  if ((status = trigger.fire_preop()) != 0)
    return trace.checked(__LINE__, status);
  if ((status = remove_object(comment)) != 0)
    return trace.checked(__LINE__, status);
  if (is_templ && vob_.supports_fc_objs()) {
    SUM_VobObject holder;
    if (vob_.wk_obj(VOB_WK_TEMPLATE_HOLDER, holder) == 0)
      sum_pvar_delete(holder, PVAR_ZEM_PROJ_SUM_TEMPLATE_PROJECT, kOpRemove);
  }
  dbid_ = 0;
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

int sum_project_set_name(const char* selector, const char* name, const char* comment) {
  SUM_Trace trace("sum_project_set_name");
  if (selector == nullptr || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Project project;
  int status = SUM_Project::construct_from_selector(selector, SUM_Vob(), project);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, project.set_name(name, comment));
}

int SUM_Folder::create_project(const char* name, const char* comment, const char* title,
                               int single_stream, SUM_Project& out) const {
  SUM_Trace trace("SUM_Folder::create_project");
  if (is_null())
    return sum_int_error("sum_folder", trace.name(), __LINE__);
  return trace.checked(__LINE__,
                       SUM_Project::create(name, comment, *this, title, single_stream, out));
}
