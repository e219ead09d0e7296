// SUM_Component: lookups by root, root queries, renaming and the walk over a
// PVOB's components.
#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/vob_elem.h"
#include "services/vob_hlink.h"
#include "services/vob_zem.h"
#include "services/vob_zem_component.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_component.h"
#include "sum/sum_component_cache.h"
#include "sum/sum_ids.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"
#include "sum/sum_utl_names.h"

namespace {
constexpr const char* kSource = "sum_component";

vob_mtype_t component_name_mtype(const SUM_Vob& pvob) {
  return pvob.supports_fc_objs() ? VOB_MTYPE_COMPONENT : 28;
}
}  // namespace

int SUM_Component::construct_from_crde(const SUM_Vob& pvob, const SUM_VobObject& element,
                                       SUM_Component& out, int quiet) {
  SUM_Trace trace("SUM_Component::construct_from_crde");
  if (pvob.is_null() || element.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Component cached;
  if (sum_component_cache::crde_to_component().lookup(element, cached) && cached.vob() == pvob) {
    out = cached;
    return 0;
  }
  tbs_dbid_t dbid = 0;
  int status =
      vob_zem_component_find_by_root(pvob.handle(), element.vob().handle(), element.dbid(), &dbid);
  if (status == SUM_NOT_FOUND) {
    if (!quiet)
      imsg_print(IMSG_ERROR, sum_component_msg::MissingRootDirectoryHlink, element.any_name());
    return SUM_NOT_FOUND;
  }
  if (status == SUM_FAILED) {
    imsg_print(IMSG_ERROR, sum_component_msg::TooManyRootDirectory, element.any_name());
    return sum_int_error(kSource, trace.name(), __LINE__);
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Component(pvob, dbid);
  sum_component_cache::crde_to_component().enter(element, out);
  return 0;
}

int SUM_Component::construct_from_vob(const SUM_Vob& vob, SUM_Component& out) {
  SUM_Trace trace("SUM_Component::construct_from_vob");
  if (vob.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (sum_component_cache::vob_to_component().lookup(vob, out))
    return 0;
  tbs_dbid_t root = 0;
  if (int status = vob.wk_obj(VOB_WK_ROOT_DIRECTORY, root))
    return trace.checked(__LINE__, status);
  // The root links arrive from the PVOBs, whichever they are.
  std::vector<vob_hlink_end_t> ends;
  if (int status =
          vob_obj_list_hlinks(vob.handle(), root, VOB_WK_HLTYPE_COMPONENT_ROOT_DIR, 0, ends))
    return trace.checked(__LINE__, status);
  SUM_Component found;
  for (const vob_hlink_end_t& end : ends) {
    if (end.broken)
      continue;
    SUM_Vob pvob;
    if (SUM_Vob::construct_from_handle(end.other_vob, pvob) != 0)
      continue;
    SUM_Component candidate = convert(SUM_VobObject(pvob, end.other));
    if (candidate.is_null() || candidate == found)
      continue;
    if (!found.is_null()) {
      imsg_print(IMSG_ERROR, sum_component_msg::TooManyRootDirectory, vob.any_name());
      return sum_int_error(kSource, trace.name(), __LINE__);
    }
    found = candidate;
  }
  if (found.is_null()) {
    imsg_print(IMSG_ERROR, sum_component_msg::MissingComponentRootDirectory, vob.any_name());
    return SUM_NOT_FOUND;
  }
  sum_component_cache::vob_to_component().enter(vob, found);
  out = found;
  return 0;
}

int SUM_Component::has_crde(int& has) const {
  SUM_Trace trace("SUM_Component::has_crde");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (sum_component_cache::has_crde().lookup(*this, has))
    return 0;
  vob_zem_component_root_t root;
  int status = vob_zem_component_get_root(vob_.handle(), dbid_, &root);
  if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  if (status == 0) {
    has = 1;
    sum_component_cache::has_crde().enter(*this, has);
    return 0;
  }
  SUM_String relpath;
  if ((status = SUM_ActivityBase(vob_, dbid_).pvar(PVAR_ZEM_COMP_ROOT_DIR, relpath)) != 0)
    return trace.checked(__LINE__, status);
  if (relpath.Compare(kNoRootDir) != 0)
    imsg_print(IMSG_WARNING, sum_component_msg::ComponentInvalidDueMissing, any_name());
  has = 0;
  sum_component_cache::has_crde().enter(*this, has);
  return 0;
}

int SUM_Component::crde(SUM_VobObject& element, int& invalid) const {
  SUM_Trace trace("SUM_Component::crde");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (sum_component_cache::component_to_crde().lookup(*this, element)) {
    invalid = 0;
    return 0;
  }
  vob_zem_component_root_t root;
  int status = vob_zem_component_get_root(vob_.handle(), dbid_, &root);
  if (status == SUM_NOT_FOUND) {
    imsg_print(IMSG_ERROR, sum_component_msg::MissingRootDirectoryHlink, any_name());
    return SUM_NOT_FOUND;
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (root.broken) {
    invalid = 1;
    element = SUM_VobObject();
    return 0;
  }
  SUM_Vob vob;
  if ((status = SUM_Vob::construct_from_handle(root.root_vob, vob)) != 0)
    return trace.checked(__LINE__, status);
  invalid = 0;
  element = SUM_VobObject(vob, root.root_element);
  sum_component_cache::component_to_crde().enter(*this, element);
  return 0;
}

int SUM_Component::root_directory_element(SUM_VobObject& element) const {
  SUM_Trace trace("SUM_Component::root_directory_element");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int invalid = 0;
  SUM_VobObject found;
  if (int status = crde(found, invalid))
    return trace.checked(__LINE__, status);
  if (invalid) {
    imsg_print(IMSG_ERROR, sum_component_msg::RootDirectoryElementComponent, any_name());
    return SUM_FAILED;
  }
  element = found;
  return 0;
}

int SUM_Component::is_subvob(int& is_sub, int& invalid) const {
  SUM_Trace trace("SUM_Component::is_subvob");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_zem_component_root_t root;
  int status = vob_zem_component_get_root(vob_.handle(), dbid_, &root);
  if (status == SUM_NOT_FOUND) {
    is_sub = 0;
    invalid = 0;
    return 0;
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (root.broken) {
    imsg_print(IMSG_WARNING, sum_component_msg::ComponentInvalidComponentRootDirHyperlink,
               any_name());
    is_sub = 0;
    invalid = 1;
    return 0;
  }
  tbs_dbid_t vob_root = 0;
  if ((status = vob_ob_get_wk_obj(root.root_vob, VOB_WK_ROOT_DIRECTORY, &vob_root)) != 0)
    return trace.checked(__LINE__, status);
  tbs_dbid_t crde = 0;
  if ((status = vob_elem_get_crde(root.root_vob, vob_root, &crde)) != 0)
    return trace.checked(__LINE__, status);
  is_sub = crde == vob_root ? 0 : 1;
  invalid = 0;
  return 0;
}

int SUM_Component::crde_relpath(SUM_String& relpath) const {
  SUM_Trace trace("SUM_Component::crde_relpath");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String value;
  if (int status = SUM_ActivityBase(vob_, dbid_).pvar(PVAR_ZEM_COMP_ROOT_DIR, value))
    return trace.checked(__LINE__, status);
  relpath = value.Compare(kNoRootDir) == 0 ? SUM_String("") : value;
  return 0;
}

int SUM_Component::crde_path(SUM_String& path) const {
  SUM_Trace trace("SUM_Component::crde_path");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_VobObject root;
  if (int status = root_directory_element(root))
    return trace.checked(__LINE__, status);
  SUM_String tag;
  SUM_String relpath;
  if (int status = root.vob().tag(tag))
    return trace.checked(__LINE__, status);
  if (int status = crde_relpath(relpath))
    return trace.checked(__LINE__, status);
  std::string text = static_cast<const char*>(tag);
  if (relpath.GetLength() > 0)
    text += std::string("/") + static_cast<const char*>(relpath);
  path = text.c_str();
  return 0;
}

int SUM_Component::set_name(const char* name, const char* comment) const {
  SUM_Trace trace("SUM_Component::set_name");
  if (is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (!sum_utl_is_ok_name(name) || !sum_utl_is_unique_name(name, component_name_mtype(vob_), vob_))
    return SUM_FAILED;
  SUM_TrigModComp trigger(*this, name, comment);
  if (int status = trigger.fire_preop())
    return trace.checked(__LINE__, status);
  if (int status = check_change_permission())
    return trace.checked(__LINE__, status);
  if (int status = set_name_basic(name, comment))
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

int SUM_Component::Iter::current_item(SUM_Component& item) const {
  if (is_done())
    return sum_int_error(kSource, "SUM_Component::Iter::current_item", __LINE__);
  item = SUM_Component(vob(), current_dbid());
  return 0;
}

int SUM_Component::Iter::fetch(size_t offset, size_t max, std::vector<tbs_dbid_t>& out) {
  SUM_Trace trace("SUM_Component::Iter::fetch");
  return trace.checked(__LINE__, vob_zem_component_next(vob().handle(), offset, max, out));
}

SUM_Component::Iter* SUM_Component::list_components(const SUM_Vob& pvob) {
  if (pvob.is_null()) {
    sum_int_error(kSource, "SUM_Component::list_components", __LINE__);
    return nullptr;
  }
  return new Iter(pvob);
}

int SUM_Component::crde_vob_family_oid(SUM_Oid& out) const {
  SUM_Trace trace("SUM_Component::crde_vob_family_oid");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_zem_component_root_t root;
  int status = vob_zem_component_get_root(vob_.handle(), dbid_, &root);
  if (status == SUM_NOT_FOUND)
    return SUM_NOT_FOUND;
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Oid(SUM_Uuid(root.root_family));
  return SUM_OK;
}

int sum_component_set_name(tbs_dbid_t component, vob_vob_h pvob, const char* name,
                           const char* comment) {
  SUM_Trace trace("sum_component_set_name");
  if (component == 0 || pvob == nullptr || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Vob vob;
  int status = SUM_Vob::construct_from_handle(pvob, vob);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, SUM_Component(vob, component).set_name(name, comment));
}
