// SUM_Folder: folders of a PVOB in both storage forms, and their walks.
#include "sum/sum_folder.h"

#include "services/imsg.h"
#include "services/vob_trig.h"
#include "services/vob_zem.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_event_info.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"
#include "sum/sum_utl_names.h"

namespace {
constexpr const char* kSource = "sum_folder";
// General catalog messages of folder removal.
constexpr vob_mtype_t kFolderMtype = 36;
constexpr vob_mtype_t kActivityLikeMtype = 28;

// The metatype folder names are unique among in `vob`'s storage form.
vob_mtype_t folder_name_mtype(const SUM_Vob& vob) {
  return vob.supports_fc_objs() ? kFolderMtype : kActivityLikeMtype;
}

// 1 when `name` may name a new folder of `vob` (after the message if not).
int name_usable(const char* name, const SUM_Vob& vob) {
  return sum_utl_is_usable_name(name, folder_name_mtype(vob), vob);
}

// The parent folder, or a null object for the root folder: the record a
// change trigger is given.
SUM_VobObject parent_for_trigger(const SUM_Folder& folder) {
  SUM_Folder parent;
  if (folder.parent_folder(parent) != 0)
    return SUM_VobObject();
  return parent;
}
}  // namespace

int SUM_Folder::root_folder(const SUM_Vob& pvob, SUM_Folder& out) {
  SUM_Trace trace("SUM_Folder::root_folder");
  if (pvob.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_dbid_t dbid = 0;
  if (int status = pvob.wk_obj(VOB_WK_ROOT_FOLDER, dbid))
    return trace.checked(__LINE__, status);
  out = SUM_Folder(pvob, dbid);
  return 0;
}

int SUM_Vob::root_folder(SUM_Folder& folder) const {
  return SUM_Folder::root_folder(*this, folder);
}

int SUM_Folder::create(const char* name, const char* comment, const SUM_Folder& parent,
                       const char* title, SUM_Folder& out) {
  SUM_Trace trace("SUM_Folder::create");
  if (parent.is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  const SUM_Vob& vob = parent.vob();
  if (!name_usable(name, vob))
    return SUM_FAILED;
  SUM_TrigMkFolder trigger(parent, name, comment);
  if (int status = trigger.fire_preop())
    return trace.checked(__LINE__, status);

  SUM_Folder made;
  if (vob.supports_fc_objs()) {
    SUM_EventInfo event(comment, kOpCreate);
    tbs_dbid_t dbid = 0;
    int status = vob_zem_folder_create(vob.handle(), name, parent.dbid(), event.info(), &dbid);
    if (status != 0)
      return trace.checked(__LINE__, status);
    made = SUM_Folder(vob, dbid);
    if (title != nullptr && title[0] != '\0') {
      status = vob_zem_obj_set_title(vob.handle(), dbid, title, event.info());
      if (status != 0)
        return trace.checked(__LINE__, status);
    }
  } else {
    SUM_VobObject type;
    if (int status = vob.folder_actype(type))
      return trace.checked(__LINE__, status);
    SUM_ActivityBase object;
    int status =
        SUM_ActivityBase::common_create(vob, name, title, type, parent, comment, kOpCreate, object);
    if (status != 0)
      return trace.checked(__LINE__, status);
    if ((status = object.make_active(comment, kOpChange)) != 0)
      return trace.checked(__LINE__, status);
    made = SUM_Folder(vob, object.dbid());
  }
  if (int status = trigger.fire_postop(made))
    return trace.checked(__LINE__, status);
  out = made;
  return 0;
}

int SUM_Folder::create_subfolder(const char* name, const char* comment, const char* title,
                                 SUM_Folder& out) const {
  SUM_Trace trace("SUM_Folder::create_subfolder");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, create(name, comment, *this, title, out));
}

int SUM_Folder::set_name(const char* name, const char* comment) const {
  SUM_Trace trace("SUM_Folder::set_name");
  if (is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (!name_usable(name, vob_))
    return SUM_FAILED;
  SUM_TrigChFolder trigger(*this, parent_for_trigger(*this), comment);
  if (int status = trigger.fire_preop())
    return trace.checked(__LINE__, status);
  if (int status = check_change_permission())
    return trace.checked(__LINE__, status);
  if (int status = set_name_basic(name, comment))
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

int SUM_Folder::title(SUM_String& title) const {
  SUM_Trace trace("SUM_Folder::title");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (!vob_.supports_fc_objs())
    return trace.checked(__LINE__, SUM_ActivityBase(vob_, dbid_).title(title));
  std::string text;
  if (int status = vob_zem_obj_get_title(vob_.handle(), dbid_, text))
    return trace.checked(__LINE__, status);
  if (text.empty())
    return trace.checked(__LINE__, name(title));
  title = text.c_str();
  return 0;
}

int SUM_Folder::set_title(const char* title, const char* comment) const {
  SUM_Trace trace("SUM_Folder::set_title");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_TrigChFolder trigger(*this, parent_for_trigger(*this), comment);
  if (int status = trigger.fire_preop())
    return trace.checked(__LINE__, status);
  if (int status = check_change_permission())
    return trace.checked(__LINE__, status);
  int status = 0;
  if (vob_.supports_fc_objs()) {
    SUM_EventInfo event(comment, kOpChange);
    status = vob_zem_obj_set_title(vob_.handle(), dbid_, title, event.info());
  } else {
    status = SUM_ActivityBase(vob_, dbid_).set_title(title, comment, kOpChange);
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

int SUM_Folder::set_display_name(const char* name, const char* comment) const {
  SUM_Trace trace("SUM_Folder::set_display_name");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, set_title(name, comment));
}

int SUM_Folder::parent_folder(SUM_Folder& parent) const {
  SUM_Trace trace("SUM_Folder::parent_folder");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (!vob_.supports_fc_objs()) {
    SUM_ActivityBase holder;
    int status = SUM_ActivityBase(vob_, dbid_).parent(holder);
    if (status != 0)
      return status == SUM_NOT_FOUND ? status : trace.checked(__LINE__, status);
    parent = SUM_Folder(vob_, holder.dbid());
    return 0;
  }
  tbs_dbid_t dbid = 0;
  int status = vob_zem_obj_get_parent(vob_.handle(), dbid_, &dbid);
  if (status != 0)
    return status == SUM_NOT_FOUND ? status : trace.checked(__LINE__, status);
  parent = SUM_Folder(vob_, dbid);
  return 0;
}

int SUM_Folder::is_root(int& result) const {
  SUM_Trace trace("SUM_Folder::is_root");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_dbid_t root = 0;
  if (int status = vob_.wk_obj(VOB_WK_ROOT_FOLDER, root))
    return trace.checked(__LINE__, status);
  result = root == dbid_ ? 1 : 0;
  return 0;
}

int SUM_Folder::has_projects_or_subfolders(int& result) const {
  SUM_Trace trace("SUM_Folder::has_projects_or_subfolders");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (!vob_.supports_fc_objs())
    return trace.checked(__LINE__, SUM_ActivityBase(vob_, dbid_).has_children(result));
  std::vector<tbs_dbid_t> some;
  if (int status = vob_zem_folder_next_subfolders(vob_.handle(), dbid_, 0, 1, some))
    return trace.checked(__LINE__, status);
  if (!some.empty()) {
    result = 1;
    return 0;
  }
  if (int status = vob_zem_folder_next_projects(vob_.handle(), dbid_, 0, 1, some))
    return trace.checked(__LINE__, status);
  result = some.empty() ? 0 : 1;
  return 0;
}

SUM_Folder::SubfolderIter* SUM_Folder::subfolders() const {
  SUM_Trace trace("SUM_Folder::subfolders");
  if (is_null()) {
    sum_int_error(kSource, trace.name(), __LINE__);
    return nullptr;
  }
  return new SubfolderIter(*this);
}

SUM_Folder::ProjectsInFolderIter* SUM_Folder::projects() const {
  SUM_Trace trace("SUM_Folder::projects");
  if (is_null()) {
    sum_int_error(kSource, trace.name(), __LINE__);
    return nullptr;
  }
  return new ProjectsInFolderIter(*this);
}

SUM_Folder::ProjectTemplatesInFolderIter* SUM_Folder::project_templates() const {
  SUM_Trace trace("SUM_Folder::project_templates");
  if (is_null()) {
    sum_int_error(kSource, trace.name(), __LINE__);
    return nullptr;
  }
  return new ProjectTemplatesInFolderIter(*this);
}

int SUM_Folder::change_parent(const SUM_Folder& new_parent, const char* comment) const {
  SUM_Trace trace("SUM_Folder::change_parent");
  if (is_null() || new_parent.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (new_parent.vob() != vob_)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_TrigChFolder trigger(*this, new_parent, comment);
  if (int status = trigger.fire_preop())
    return trace.checked(__LINE__, status);
  if (int status = check_change_permission())
    return trace.checked(__LINE__, status);
  int status = 0;
  if (vob_.supports_fc_objs()) {
    SUM_EventInfo event(comment, kOpChange);
    status = vob_zem_folder_set_parent(vob_.handle(), dbid_, new_parent.dbid(), event.info());
  } else {
    status = SUM_ActivityBase(vob_, dbid_)
                 .reparent(SUM_ActivityBase(vob_, new_parent.dbid()), comment, kOpChange);
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

int SUM_Folder::ok_to_destroy(int& ok) const {
  SUM_Trace trace("SUM_Folder::ok_to_destroy");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int referenced = 0;
  if (int status = trtype_refs_refuse(sum_msg::TrtypeRefMessage, referenced))
    return trace.checked(__LINE__, status);
  if (referenced) {
    ok = 0;
    return 0;
  }
  int children = 0;
  if (int status = has_projects_or_subfolders(children))
    return trace.checked(__LINE__, status);
  if (children) {
    imsg_print(IMSG_ERROR, sum_msg::HasChildrenMessage);
    ok = 0;
    return 0;
  }
  int root = 0;
  if (int status = is_root(root))
    return trace.checked(__LINE__, status);
  if (root) {
    imsg_print(IMSG_ERROR, sum_msg::RootFolderMessage);
    ok = 0;
    return 0;
  }
  ok = 1;
  return 0;
}

int SUM_Folder::destroy(const char* comment) {
  SUM_Trace trace("SUM_Folder::destroy");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (int status = check_change_permission())
    return trace.checked(__LINE__, status);
  int ok = 0;
  if (int status = ok_to_destroy(ok))
    return trace.checked(__LINE__, status);
  if (!ok)
    return SUM_FAILED;
  SUM_TrigRmFolder trigger(*this, comment);
  if (int status = trigger.fire_preop())
    return trace.checked(__LINE__, status);
  int status = 0;
  if (vob_.supports_fc_objs()) {
    SUM_EventInfo event(comment, kOpRemove);
    status = vob_zem_folder_delete(vob_.handle(), dbid_, event.info());
  } else {
    status = SUM_ActivityBase(vob_, dbid_).destroy_util(comment, kOpRemove);
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  *this = SUM_Folder();
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

// ---- walks ------------------------------------------------------------------------------

namespace {
constexpr size_t kFolderChunk = 32;

// Whether activity-like object `dbid` of `vob` has the type `type`; `type`
// is looked up first (well-known object `wk`) while it is 0.
int is_of_actype(const SUM_Vob& vob, tbs_dbid_t dbid, vob_wkobj_t wk, tbs_dbid_t& type, int& yes) {
  if (type == 0) {
    if (int status = vob.wk_obj(wk, type))
      return status;
  }
  unsigned object_type = 0;
  if (int status = SUM_VobObject(vob, dbid).type(object_type))
    return status;
  yes = object_type == type ? 1 : 0;
  return 0;
}
}  // namespace

SUM_Folder::ChildIter::ChildIter(const SUM_Folder& folder, FcFetch fc_fetch, vob_wkobj_t kind)
    : SUM_DbidChunkIter(folder.vob(), kFolderChunk),
      folder_(folder.dbid()),
      fc_fetch_(fc_fetch),
      kind_(kind) {}

int SUM_Folder::ChildIter::fetch(size_t offset, size_t max, std::vector<tbs_dbid_t>& out) {
  SUM_Trace trace("SUM_Folder::ChildIter::fetch");
  if (vob().supports_fc_objs())
    return trace.checked(__LINE__, fc_fetch_(vob().handle(), folder_, offset, max, out));
  return trace.checked(__LINE__, vob_act_next_children(vob().handle(), folder_, offset, max, out));
}

int SUM_Folder::ChildIter::accept(tbs_dbid_t dbid, int& yes) {
  SUM_Trace trace("SUM_Folder::ChildIter::accept");
  if (vob().supports_fc_objs()) {
    yes = 1;
    return 0;
  }
  return trace.checked(__LINE__, is_of_actype(vob(), dbid, kind_, kind_type_, yes));
}

SUM_Folder::SubfolderIter::SubfolderIter(const SUM_Folder& folder)
    : ChildIter(folder, vob_zem_folder_next_subfolders, VOB_WK_FOLDER_TYPE) {}

int SUM_Folder::SubfolderIter::current_item(SUM_Folder& item) const {
  if (is_done())
    return sum_int_error(kSource, "SUM_Folder::SubfolderIter::current_item", __LINE__);
  item = SUM_Folder(vob(), current_dbid());
  return 0;
}

SUM_Folder::ProjectsInFolderIter::ProjectsInFolderIter(const SUM_Folder& folder)
    : ChildIter(folder, vob_zem_folder_next_projects, VOB_WK_PROJECT_TYPE) {}

int SUM_Folder::ProjectsInFolderIter::current_item(SUM_VobObject& item) const {
  if (is_done())
    return sum_int_error(kSource, "SUM_Folder::ProjectsInFolderIter::current_item", __LINE__);
  item = SUM_VobObject(vob(), current_dbid());
  return 0;
}

SUM_Folder::ProjectTemplatesInFolderIter::ProjectTemplatesInFolderIter(const SUM_Folder& folder)
    : ProjectsInFolderIter(folder) {}

int SUM_Folder::ProjectTemplatesInFolderIter::accept(tbs_dbid_t dbid, int& yes) {
  SUM_Trace trace("SUM_Folder::ProjectTemplatesInFolderIter::accept");
  int project = 0;
  if (int status = ProjectsInFolderIter::accept(dbid, project))
    return trace.checked(__LINE__, status);
  if (!project) {
    yes = 0;
    return 0;
  }
  if (!vob().supports_fc_objs()) {
    // Templates are exactly the projects placed in the template holder.
    tbs_dbid_t holder = 0;
    if (int status = vob().wk_obj(VOB_WK_TEMPLATE_HOLDER, holder))
      return trace.checked(__LINE__, status);
    tbs_dbid_t parent = 0;
    vob_act_info_t info;
    int status =
        vob_act_get_info(vob().handle(), dbid, VOB_ACT_INFO_BIT(VOB_ACT_INFO_PARENT), &info);
    if (status != 0)
      return trace.checked(__LINE__, status);
    parent = info.parent;
    yes = parent == holder ? 1 : 0;
    return 0;
  }
  if (!template_known_) {
    SUM_VobObject holder;
    if (int status = vob().wk_obj(VOB_WK_TEMPLATE_HOLDER, holder))
      return trace.checked(__LINE__, status);
    SUM_String selector;
    if (int status = sum_pvar_get(holder, PVAR_ZEM_PROJ_SUM_TEMPLATE_PROJECT, selector))
      return trace.checked(__LINE__, status);
    template_ = 0;
    if (selector.GetLength() > 0) {
      SUM_StringList one;
      one.append(selector);
      vob_vob_h found_vob = nullptr;
      tbs_dbid_t found = 0;
      if (int status = sum_utl_resolve_univ_selectors(one, &found_vob, &found, 1))
        return trace.checked(__LINE__, status);
      if (found_vob == vob().handle())
        template_ = found;
    }
    template_known_ = true;
  }
  yes = template_ != 0 && dbid == template_ ? 1 : 0;
  return 0;
}

int sum_folder_set_name(const char* selector, const char* name, const char* comment) {
  SUM_Trace trace("sum_folder_set_name");
  if (selector == nullptr || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Folder folder;
  if (int status = SUM_Folder::construct_from_selector(selector, SUM_Vob(), folder))
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, folder.set_name(name, comment));
}
