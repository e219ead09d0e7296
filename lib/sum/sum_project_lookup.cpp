// SUM_Project lookups: the PVOB's project template, every project of a
// PVOB, and whether a project holds streams.
#include <memory>

#include "services/vob_zem.h"
#include "sum/sum_project.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_utl_names.h"

namespace {

constexpr const char* kSource = "sum_project";

}  // namespace

int SUM_Project::template_prj_exists(const SUM_Vob& pvob, SUM_Project& out) {
  SUM_Trace trace("SUM_Project::template_prj_exists");
  if (pvob.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_VobObject holder;
  int status = pvob.wk_obj(VOB_WK_TEMPLATE_HOLDER, holder);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (pvob.supports_fc_objs()) {
    SUM_String selector;
    status = sum_pvar_get(holder, PVAR_ZEM_PROJ_SUM_TEMPLATE_PROJECT, selector);
    if (status != 0)
      return trace.checked(__LINE__, status);
    if (selector.GetLength() == 0)
      return SUM_NOT_FOUND;
    SUM_StringList selectors;
    selectors.append(selector);
    vob_vob_h handle = nullptr;
    tbs_dbid_t dbid = 0;
    status = sum_utl_resolve_univ_selectors(selectors, &handle, &dbid, 1);
    if (status == SUM_FAILED)
      return SUM_NOT_FOUND;  // the recorded template is gone
    if (status != 0)
      return trace.checked(__LINE__, status);
    out = SUM_Project(pvob, dbid);
    return SUM_OK;
  }
  SUM_ActivityBase holder_act(pvob, holder.dbid());
  SUM_ActivityBaseIter iter(holder_act);
  for (iter.first(); !iter.is_done(); iter.next()) {
    SUM_ActivityBase item;
    if ((status = iter.current_item(item)) != 0)
      return trace.checked(__LINE__, status);
    SUM_Project project = convert(item);
    if (!project.is_null()) {
      out = project;
      return SUM_OK;
    }
  }
  if (iter.status() != 0)
    return trace.checked(__LINE__, iter.status());
  return SUM_NOT_FOUND;
}

int SUM_Project::is_template_project(int& result) const {
  SUM_Trace trace("SUM_Project::is_template_project");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Project templ;
  int status = template_prj_exists(vob_, templ);
  if (status == SUM_NOT_FOUND) {
    result = 0;
    return SUM_OK;
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  result = templ == *this ? 1 : 0;
  return SUM_OK;
}

namespace {

// Appends the projects of `folder` and of every folder below it.
int collect_projects(const SUM_Folder& folder, SUM_ProjectList& out) {
  std::unique_ptr<SUM_Folder::ProjectsInFolderIter> projects(folder.projects());
  if (!projects)
    return SUM_INTERNAL_ERROR;
  for (projects->first(); !projects->is_done(); projects->next()) {
    SUM_VobObject item;
    if (int status = projects->current_item(item))
      return status;
    out.append(SUM_Project::convert(item));
  }
  if (projects->status() != 0)
    return projects->status();
  std::unique_ptr<SUM_Folder::SubfolderIter> subfolders(folder.subfolders());
  if (!subfolders)
    return SUM_INTERNAL_ERROR;
  for (subfolders->first(); !subfolders->is_done(); subfolders->next()) {
    SUM_Folder sub;
    if (int status = subfolders->current_item(sub))
      return status;
    if (int status = collect_projects(sub, out))
      return status;
  }
  return subfolders->status();
}

}  // namespace

int SUM_Project::list_projects(const SUM_Vob& pvob, SUM_ProjectList& out) {
  SUM_Trace trace("SUM_Project::list_projects");
  if (pvob.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Folder root;
  int status = SUM_Folder::root_folder(pvob, root);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_ProjectList found;
  status = collect_projects(root, found);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_Project templ;
  status = template_prj_exists(pvob, templ);
  if (status == 0 && found.find(templ) < 0)
    found.append(templ);
  else if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  for (unsigned i = 0; i < found.count(); ++i)
    out.append(found[i]);
  return SUM_OK;
}

int SUM_Project::has_streams(int& result) const {
  SUM_Trace trace("SUM_Project::has_streams");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (!vob_.supports_fc_objs())
    return trace.checked(__LINE__, has_children(result));
  // First-class streams name their project as their parent.
  vob_cursor_h cursor = nullptr;
  int status = vob_ob_cursor_open(vob_.handle(), VOB_MTYPE_STREAM, &cursor);
  if (status != 0)
    return trace.checked(__LINE__, status);
  int found = 0;
  tbs_dbid_t stream = 0;
  while (!found && (status = vob_ob_cursor_next(cursor, &stream)) == 0) {
    tbs_dbid_t parent = 0;
    if (vob_zem_obj_get_parent(vob_.handle(), stream, &parent) == 0 && parent == dbid_)
      found = 1;
  }
  vob_ob_cursor_close(cursor);
  if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  result = found;
  return SUM_OK;
}
