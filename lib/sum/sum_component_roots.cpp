// SUM_Component: root queries, renaming, removal and the walk over a PVOB's
// components.
#include <string>

#include "services/imsg.h"
#include "services/vob_elem.h"
#include "services/vob_trig.h"
#include "services/vob_zem.h"
#include "services/vob_zem_component.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_component.h"
#include "sum/sum_event_info.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"
#include "sum/sum_utl_names.h"

namespace {
constexpr const char* kSource = "sum_component";

// Component catalog messages.
enum : int {
  kMissingLink = 31,
  kNoRootLink = 32,
  kInvalidLink = 33,
  kRootUnavailable = 34,
  kTrtypeRef = 39,
  kUncatalogueFailed = 46,
};
// General catalog: the feature level could not be read.
constexpr int kFeatureLevelMessage = 51;

vob_mtype_t component_name_mtype(const SUM_Vob& pvob) {
  return pvob.supports_fc_objs() ? VOB_MTYPE_COMPONENT : 28;
}
}  // namespace

int SUM_Component::construct_from_crde(const SUM_Vob& pvob, const SUM_VobObject& element,
                                       SUM_Component& out, int quiet) {
  SUM_Trace trace("SUM_Component::construct_from_crde");
  if (pvob.is_null() || element.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_dbid_t dbid = 0;
  int status =
      vob_zem_component_find_by_root(pvob.handle(), element.vob().handle(), element.dbid(), &dbid);
  if (status == 1002) {
    if (!quiet)
      imsg_print(IMSG_ERROR, &sum_component_catalog, kNoRootLink, element.any_name());
    return 1002;
  }
  if (status != 0)
    return trace.checked(__LINE__, status == 1001 ? 1072 : status);
  out = SUM_Component(pvob, dbid);
  return 0;
}

int SUM_Component::has_crde(int& has) const {
  SUM_Trace trace("SUM_Component::has_crde");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_zem_component_root_t root;
  int status = vob_zem_component_get_root(vob_.handle(), dbid_, &root);
  if (status != 0 && status != 1002)
    return trace.checked(__LINE__, status);
  if (status == 0) {
    has = 1;
    return 0;
  }
  SUM_String relpath;
  if ((status = SUM_ActivityBase(vob_, dbid_).pvar(PVAR_ZEM_COMP_ROOT_DIR, relpath)) != 0)
    return trace.checked(__LINE__, status);
  if (relpath.Compare(kNoRootDir) != 0)
    imsg_print(IMSG_WARNING, &sum_component_catalog, kMissingLink, any_name());
  has = 0;
  return 0;
}

int SUM_Component::crde(SUM_VobObject& element, int& invalid) const {
  SUM_Trace trace("SUM_Component::crde");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_zem_component_root_t root;
  int status = vob_zem_component_get_root(vob_.handle(), dbid_, &root);
  if (status == 1002) {
    imsg_print(IMSG_ERROR, &sum_component_catalog, kNoRootLink, any_name());
    return 1002;
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  invalid = root.broken;
  if (root.broken) {
    element = SUM_VobObject();
    return 0;
  }
  SUM_Vob vob;
  if ((status = SUM_Vob::construct_from_handle(root.root_vob, vob)) != 0)
    return trace.checked(__LINE__, status);
  element = SUM_VobObject(vob, root.root_element);
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
    imsg_print(IMSG_ERROR, &sum_component_catalog, kRootUnavailable, any_name());
    return 1001;
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
  if (status == 1002) {
    is_sub = 0;
    invalid = 0;
    return 0;
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (root.broken) {
    imsg_print(IMSG_WARNING, &sum_component_catalog, kInvalidLink, any_name());
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
    return 1001;
  SUM_TrigModComp trigger(*this, name, comment);
  if (int status = trigger.fire_preop())
    return trace.checked(__LINE__, status);
  if (int status = set_name_basic(name, comment))
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

int SUM_Component::ok_to_destroy(int& ok) const {
  SUM_Trace trace("SUM_Component::ok_to_destroy");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int referenced = 0;
  if (int status = trtype_refs_refuse(&sum_component_catalog, kTrtypeRef, referenced))
    return trace.checked(__LINE__, status);
  ok = referenced ? 0 : 1;
  return 0;
}

int SUM_Component::destroy(const char* comment) {
  SUM_Trace trace("SUM_Component::destroy");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int ok = 0;
  if (int status = ok_to_destroy(ok))
    return trace.checked(__LINE__, status);
  if (!ok)
    return 1001;
  int level = 0;
  if (int status = vob_.feature_level(level)) {
    imsg_print(IMSG_ERROR, &sum_catalog, kFeatureLevelMessage);
    return trace.checked(__LINE__, status);
  }
  SUM_EventInfo event(comment, level >= 4 ? kOpRemove : 0);
  int is_sub = 0;
  int invalid = 0;
  if (int status = is_subvob(is_sub, invalid))
    return trace.checked(__LINE__, status);
  vob_zem_component_root_t root;
  if (!invalid && vob_zem_component_get_root(vob_.handle(), dbid_, &root) == 0) {
    // The root stops being a CRDE: a VOB-level root so that its VOB may hold
    // components again, a sub-VOB root which is also uncatalogued.
    SUM_String relpath;
    int status = is_sub ? crde_relpath(relpath) : 0;
    if (status == 0)
      status = vob_elem_set_crde(root.root_vob, root.root_element, 0, event.info());
    if (status == 0 && is_sub)
      status = vob_nsdir_undefine_component(root.root_vob, relpath, event.info());
    if (status != 0)
      imsg_print(IMSG_WARNING, &sum_component_catalog, kUncatalogueFailed, tbs_strerror(status));
  }
  SUM_TrigRmComp trigger(*this, comment);
  if (int status = trigger.fire_preop())
    return trace.checked(__LINE__, status);
  int status = vob_.supports_fc_objs()
                   ? vob_zem_component_delete(vob_.handle(), dbid_, event.info())
                   : vob_act_delete(vob_.handle(), dbid_, event.info());
  if (status != 0)
    return trace.checked(__LINE__, status);
  if ((status = trigger.fire_postop(SUM_VobObject())) != 0)
    return trace.checked(__LINE__, status);
  *this = SUM_Component();
  return 0;
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
