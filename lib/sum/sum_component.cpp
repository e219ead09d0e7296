// SUM_Component: creation in its three kinds, root queries, renaming and
// removal, in both storage forms.
#include "sum/sum_component.h"

#include <cstring>
#include <set>
#include <string>

#include "services/imsg.h"
#include "services/vob_elem.h"
#include "services/vob_hlink.h"
#include "services/vob_trig.h"
#include "services/vob_zem.h"
#include "services/vob_zem_baseline.h"
#include "services/vob_zem_component.h"
#include "sum/sum_baseline.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_component_cache.h"
#include "sum/sum_event_info.h"
#include "sum/sum_imsg.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_timeline.h"
#include "sum/sum_triggers.h"
#include "sum/sum_utl_names.h"

namespace {
constexpr const char* kSource = "sum_component";
constexpr vob_mtype_t kDirectoryMtype = 2;
constexpr size_t kEntryChunk = 1000;
constexpr size_t kMaxParent = 1024;
constexpr size_t kMaxLeaf = 256;

// The catalog entry `id` filled with `name` (event comments and the
// initial baseline's name).
SUM_String formatted(imsg_checked_id<const char*> id, const char* name) {
  return SUM_String(imsg_format(id, name).c_str());
}

vob_mtype_t component_name_mtype(const SUM_Vob& pvob) {
  return pvob.supports_fc_objs() ? VOB_MTYPE_COMPONENT : 28;
}

int read_level(const SUM_Vob& vob, int& level) {
  int status = vob.feature_level(level);
  if (status != 0)
    imsg_print(IMSG_ERROR, sum_msg::FeatureLevelMessage);
  return status;
}

// The VOB root directory version `view` selects (or the latest on main
// without a view).
int root_version(const SUM_Vob& vob, tbs_dbid_t root, view_server_h view, tbs_dbid_t& version) {
  if (view != nullptr) {
    SUM_String tag;
    if (int status = vob.tag(tag))
      return status;
    view_path_info_t info;
    if (int status = view_lookup(view, tag, &info))
      return status;
    if (info.version == 0)
      return SUM_NOT_FOUND;
    version = info.version;
    return 0;
  }
  tbs_dbid_t branch = 0;
  if (int status = vob_elem_get_main_branch(vob.handle(), root, &branch))
    return status;
  return vob_branch_get_ver(vob.handle(), branch, -1, &version);
}

// The name under which `element` is catalogued in directory version `dir`;
// 1002 when it is not.
int catalogued_name(const SUM_Vob& vob, tbs_dbid_t dir, tbs_dbid_t element, std::string& name) {
  for (size_t offset = 0;; offset += kEntryChunk) {
    std::vector<vob_nsdir_entry_t> entries;
    if (int status = vob_nsdir_next_entries(vob.handle(), dir, offset, kEntryChunk, entries))
      return status;
    for (const auto& entry : entries) {
      if (entry.element == element) {
        name = entry.name;
        return name.empty() ? SUM_NOT_FOUND : 0;
      }
    }
    if (entries.size() < kEntryChunk)
      return SUM_NOT_FOUND;
  }
}

// Marks every element the view shows below directory `path` with `root` as
// CRDE. Elements already marked for `root` are accepted; another mark stops
// the walk with 1001.
int mark_tree(const SUM_Vob& vob, view_server_h view, const std::string& path, tbs_dbid_t root,
              const SUM_EventInfo& event, std::set<tbs_dbid_t>& visited) {
  std::vector<view_path_info_t> entries;
  if (int status = view_readdir_ext(view, path.c_str(), entries))
    return status;
  for (const auto& entry : entries) {
    if (entry.version == 0 || entry.vob != vob.handle() || !visited.insert(entry.element).second)
      continue;
    const char* name = entry.vob_path.c_str();
    tbs_dbid_t crde = 0;
    if (int status = vob_elem_get_crde(vob.handle(), entry.element, &crde)) {
      imsg_print(IMSG_ERROR, sum_component_msg::CannotGetCRDEElement, name);
      return status;
    }
    if (crde == 0) {
      if (int status = vob_elem_set_crde(vob.handle(), entry.element, root, event.info())) {
        imsg_print(IMSG_ERROR, sum_component_msg::CannotSetCRDEElement, name);
        return status;
      }
    } else if (crde != root) {
      imsg_print(IMSG_ERROR, sum_component_msg::ElementMemberAnotherComponent, name);
      return SUM_FAILED;
    }
    if (entry.is_dir) {
      if (int status = mark_tree(vob, view, entry.vob_path, root, event, visited))
        return status;
    }
  }
  return 0;
}

// What creation has written so far, for the undo.
struct Made {
  SUM_Vob vob;
  tbs_dbid_t created_root = 0;
  std::string catalogued;  // the name under which this creation catalogued its root
  tbs_dbid_t root = 0;     // the root directory element, when rooted
  SUM_Vob pvob;
  tbs_dbid_t component = 0;
};

void undo(const Made& made, const char* name) {
  if (!made.catalogued.empty()) {
    // A new root was catalogued in a new version of the VOB root, which
    // would keep naming it once deleted: the name goes first, so that it
    // is free again.
    SUM_EventInfo event(formatted(sum_component_msg::UncatalogueComponentRootDirectory, name), 0);
    vob_nsdir_undefine_component(made.vob.handle(), made.catalogued.c_str(), event.info());
  }
  if (made.created_root != 0) {
    SUM_EventInfo event(formatted(sum_component_msg::DeleteComponentRootDirectory, name), 0);
    vob_elem_set_crde(made.vob.handle(), made.created_root, 0, event.info());
    vob_elem_delete(made.vob.handle(), made.created_root, event.info());
  }
  if (made.component != 0) {
    // The component's baselines go with it.
    SUM_EventInfo event("", 0);
    if (made.pvob.supports_fc_objs())
      vob_zem_component_delete(made.pvob.handle(), made.component, event.info());
    else
      vob_act_delete(made.pvob.handle(), made.component, event.info());
  }
  sum_component_cache::forget(SUM_Component(made.pvob, made.component),
                              SUM_VobObject(made.vob, made.root));
}

// Makes the initial baseline "<name>_INITIAL" on the main timeline of the
// new `component` (creation step).
int create_initial_baseline(const SUM_Component& component, const char* name) {
  SUM_Timeline timeline;
  if (int status = component.main_timeline(timeline))
    return status;
  SUM_Baseline initial;
  int status = SUM_Baseline::create(
      timeline, formatted(sum_component_msg::InitialBaselineName, name),
      formatted(sum_component_msg::InitialBaselineComponent, name), 0, -1, initial);
  if (status != 0)
    imsg_print(IMSG_ERROR, sum_component_msg::CannotCreateInitialBaseline, name);
  return status;
}
}  // namespace

int SUM_Component::create(const SUM_Vob& pvob, const char* name, const SUM_VobObject& root_element,
                          const char* root_path, view_server_h view, const char* comment,
                          SUM_Component& out) {
  SUM_Trace trace("SUM_Component::create");
  if (pvob.is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_TrigMkComp trigger(pvob, name, comment);
  bool rootless = root_element.is_null() && (root_path == nullptr || root_path[0] == '\0');
  int pvob_level = 0;
  if (int status = read_level(pvob, pvob_level))
    return trace.checked(__LINE__, status);
  SUM_EventInfo event(comment, pvob_level >= 4 ? kOpCreate : 0);

  SUM_VobObject vob_object;
  int allowed = 0;
  if (int status = pvob.vob_obj(vob_object))
    return trace.checked(__LINE__, status);
  if (int status = vob_obj_zem_check_permission(pvob.handle(), vob_object.dbid(), &allowed))
    return trace.checked(__LINE__, status);
  if (!allowed) {
    imsg_print(IMSG_ERROR, sum_component_msg::PermissionDeniedNotProject);
    return TBS_ST_NO_PERMISSION;
  }
  if (!sum_utl_is_usable_name(name, component_name_mtype(pvob), pvob))
    return SUM_FAILED;

  Made made;
  made.pvob = pvob;
  tbs_dbid_t root = 0;
  std::string catalogued;
  bool vob_level = false;
  if (rootless) {
    if (pvob_level < 3) {
      imsg_print(IMSG_ERROR, sum_component_msg::SpecifiedProjectVOBDoes);
      return SUM_FAILED;
    }
  } else {
    std::string leaf;
    tbs_dbid_t parent_element = 0;  // the directory a new root would go in, when known
    if (!root_element.is_null()) {
      made.vob = root_element.vob();
    } else {
      std::string path = root_path;
      size_t slash = path.rfind('/');
      std::string parent = slash == std::string::npos ? "" : path.substr(0, slash);
      leaf = slash == std::string::npos ? path : path.substr(slash + 1);
      if (parent.size() > kMaxParent || leaf.size() > kMaxLeaf || leaf.empty()) {
        imsg_print(IMSG_ERROR, sum_component_msg::SpecifiedRootNameNot);
        return TBS_ST_NOT_DIRECTORY;
      }
      if (parent.empty())
        parent.push_back('.');
      int status = 0;
      if (view != nullptr) {
        view_path_info_t info;
        status = view_lookup(view, parent.c_str(), &info);
        parent_element = info.element;
        if (status == 0 && info.vob == nullptr)
          status = SUM_NOT_FOUND;
        if (status == 0)
          status = SUM_Vob::construct_from_handle(info.vob, made.vob);
      } else {
        status = SUM_Vob::construct_from_pname_or_tag(parent.c_str(), 0, made.vob);
      }
      if (status != 0) {
        imsg_print(IMSG_ERROR, sum_component_msg::CannotResolveComponentRoot, tbs_strerror(status));
        return trace.checked(__LINE__, status);
      }
    }
    int vob_level_fl = 0;
    if (int status = read_level(made.vob, vob_level_fl))
      return trace.checked(__LINE__, status);
    tbs_dbid_t vob_root = 0;
    if (int status = made.vob.wk_obj(VOB_WK_ROOT_DIRECTORY, vob_root)) {
      imsg_print(IMSG_ERROR, sum_component_msg::UnableObtainComponentRoot, tbs_strerror(status));
      return trace.checked(__LINE__, status);
    }
    vob_level = !root_element.is_null() && root_element.dbid() == vob_root;
    if (vob_level) {
      if (vob_level_fl < 2) {
        imsg_print(IMSG_ERROR, sum_component_msg::SpecifiedDirectoryVOBDoes);
        return SUM_INTERNAL_ERROR;
      }
      int has = 0;
      int status = made.vob.has_components(has);
      if (status != 0) {
        imsg_print(IMSG_ERROR, sum_component_msg::UnableObtainComponentRoot, tbs_strerror(status));
        return trace.checked(__LINE__, status);
      }
      if (has) {
        imsg_print(IMSG_ERROR, sum_component_msg::SpecifiedDirectoryAlreadyContains);
        return SUM_INTERNAL_ERROR;
      }
      root = vob_root;
    } else {
      if (pvob_level < 3) {
        imsg_print(IMSG_ERROR, sum_component_msg::SpecifiedProjectVOBDoes);
        return SUM_FAILED;
      }
      if (vob_level_fl < 3) {
        imsg_print(IMSG_ERROR, sum_component_msg::SpecifiedDirectoryMustVOB);
        return SUM_INTERNAL_ERROR;
      }
      int componentized = 0;
      if (int status = made.vob.is_componentized(componentized)) {
        imsg_print(IMSG_ERROR, sum_component_msg::UnableObtainComponentRoot, tbs_strerror(status));
        return trace.checked(__LINE__, status);
      }
      if (componentized) {
        imsg_print(IMSG_ERROR, sum_component_msg::SpecifiedDirectoryVOBAlready);
        return SUM_FAILED;
      }
      if (root_element.is_null() && parent_element != 0 && parent_element != vob_root) {
        imsg_print(IMSG_ERROR, sum_component_msg::SpecifiedRootNameMust);
        return SUM_INTERNAL_ERROR;
      }
      if (root_element.is_null()) {
        SUM_EventInfo mk(formatted(sum_component_msg::CreateComponentRootDirectory, name),
                         event.opcode());
        tbs_dbid_t dir = 0;
        int status = root_version(made.vob, vob_root, view, dir);
        if (status == 0) {
          int checked_out = 0;
          status = vob_ver_is_checked_out(made.vob.handle(), dir, &checked_out);
          if (status == 0 && !checked_out)
            dir = 0;  // catalogued through a new version of the root
        }
        if (status == 0)
          status = vob_elem_create_cat_crde(made.vob.handle(), dir, leaf.c_str(), mk.info(), &root);
        if (status != 0) {
          imsg_print(IMSG_ERROR, sum_component_msg::RootDirNotCreated, tbs_strerror(status));
          return trace.checked(__LINE__, status);
        }
        made.created_root = root;
        made.catalogued = leaf;
        catalogued = leaf;
      } else {
        root = root_element.dbid();
        const char* element_name = root_element.any_name();
        vob_mtype_t mtype = 0;
        if (root_element.metatype(mtype) != 0 || mtype != kDirectoryMtype) {
          imsg_print(IMSG_ERROR, sum_component_msg::SpecifiedRootNameNot);
          return TBS_ST_NOT_DIRECTORY;
        }
        tbs_dbid_t dir = 0;
        if (int status = root_version(made.vob, vob_root, view, dir)) {
          imsg_print(IMSG_ERROR, sum_component_msg::CouldNotResolveRoot, tbs_strerror(status));
          return trace.checked(__LINE__, status);
        }
        if (int status = catalogued_name(made.vob, dir, root, catalogued)) {
          imsg_print(IMSG_ERROR, sum_component_msg::SpecifiedRootNameMust);
          return status == SUM_NOT_FOUND ? SUM_INTERNAL_ERROR : trace.checked(__LINE__, status);
        }
        tbs_dbid_t crde = 0;
        tbs_dbid_t other = 0;
        int status = vob_elem_get_crde(made.vob.handle(), root, &crde);
        if (status == 0 &&
            (crde == root ||
             vob_zem_component_find_by_root(pvob.handle(), made.vob.handle(), root, &other) == 0)) {
          imsg_print(IMSG_ERROR, sum_component_msg::ElementMemberAnotherComponent, element_name);
          return SUM_INTERNAL_ERROR;
        }
        if (status != 0)
          return trace.checked(__LINE__, status);
        if (view != nullptr) {
          SUM_String tag;
          if ((status = made.vob.tag(tag)) != 0)
            return trace.checked(__LINE__, status);
          imsg_print(IMSG_INFO, sum_component_msg::ProcessingSubdirectoryElements);
          std::set<tbs_dbid_t> visited{root};
          std::string path = std::string(tag) + "/" + catalogued;
          if ((status = mark_tree(made.vob, view, path, root, event, visited)) != 0)
            return trace.checked(__LINE__, status);
          imsg_print(IMSG_INFO, sum_component_msg::DoneProcessingSubdirectoryElements);
        }
      }
    }
  }

  int status = trigger.fire_preop();
  if (status == 0) {
    if (pvob.supports_fc_objs()) {
      status = vob_zem_component_create(pvob.handle(), name, event.info(), &made.component);
    } else {
      tbs_dbid_t type = 0;
      status = pvob.wk_obj(VOB_WK_COMPONENT_TYPE, type);
      if (status == 0)
        status = vob_act_create(pvob.handle(), name, type, 0, name, event.info(), &made.component);
    }
  }
  SUM_Component component(pvob, made.component);
  made.root = root;
  if (status == 0 && !vob_level) {
    status = SUM_ActivityBase(pvob, made.component)
                 .set_pvar(PVAR_ZEM_COMP_ROOT_DIR, rootless ? kNoRootDir : catalogued.c_str(),
                           event.opcode(), comment);
  }
  if (status == 0)
    status = create_initial_baseline(component, name);
  if (status == 0 && !rootless) {
    view_entry_t entry;
    if (view != nullptr)
      view_get_entry(view, &entry);
    const std::string& view_text = entry.tag;
    SUM_EventInfo link(formatted(sum_component_msg::LinkComponentRootDirectory, name),
                       event.opcode());
    tbs_dbid_t hlink = 0;
    status = vob_hlink_create_wk(pvob.handle(), made.component, VOB_WK_HLTYPE_COMPONENT_ROOT_DIR,
                                 made.vob.handle(), root, view_text.c_str(), view_text.c_str(),
                                 link.info(), &hlink);
    if (status != 0)
      imsg_print(IMSG_ERROR, sum_component_msg::CannotLinkComponentSpecified, name);
    else
      status = component.set_admin_vob();
  }
  if (status == 0 && !rootless && !vob_level && made.created_root == 0) {
    SUM_EventInfo cat(formatted(sum_component_msg::CatalogueComponentRootDirectory, name),
                      event.opcode());
    status = vob_nsdir_define_component(made.vob.handle(), catalogued.c_str(), root, cat.info());
    if (status != 0)
      imsg_print(IMSG_ERROR, sum_component_msg::CannotCatalogueRootDirectory);
    else
      made.catalogued = catalogued;
  }
  if (status == 0 && !rootless) {
    // A VOB-level root is its own CRDE too: that is what marks its VOB.
    status = vob_elem_set_crde(made.vob.handle(), root, root, event.info());
    if (status != 0)
      imsg_print(IMSG_ERROR, sum_component_msg::CannotSetCRDEComponent);
  }
  if (status != 0) {
    undo(made, name);
    return trace.checked(__LINE__, status);
  }
  sum_component_cache::forget(component, SUM_VobObject(made.vob, root));
  trigger.fire_postop(component);
  out = component;
  return 0;
}

int SUM_Component::main_timeline(SUM_Timeline& timeline) const {
  SUM_Trace trace("SUM_Component::main_timeline");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Timeline main = SUM_Timeline::convert(*this);
  if (main.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  timeline = main;
  return 0;
}

int SUM_Component::initial_baseline(SUM_Baseline& baseline) const {
  SUM_Trace trace("SUM_Component::initial_baseline");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (vob_.supports_fc_objs()) {
    tbs_dbid_t found = 0;
    int status = vob_zem_component_get_baseline(vob_.handle(), dbid_, &found);
    if (status == SUM_NOT_FOUND) {
      imsg_print(IMSG_ERROR, sum_component_msg::ConfigurationErrorComponentMissing, any_name());
      return SUM_FAILED;
    }
    if (status != 0)
      return trace.checked(__LINE__, status);
    baseline = SUM_Baseline(vob_, found);
    return 0;
  }
  // The activity-based form: the baseline of the main timeline's first entry.
  SUM_Timeline timeline;
  SUM_TimelineEntryList entries;
  if (int status = main_timeline(timeline))
    return trace.checked(__LINE__, status);
  if (int status = timeline.entries(entries))
    return trace.checked(__LINE__, status);
  if (entries.count() == 0) {
    imsg_print(IMSG_ERROR, sum_component_msg::ConfigurationErrorComponentMissing, any_name());
    return SUM_FAILED;
  }
  if (entries[0].kind() != SUM_TimelineEntry::BASELINE) {
    imsg_print(IMSG_ERROR, sum_component_msg::ConfigurationErrorInvalidTimeline, any_name());
    return SUM_FAILED;
  }
  SUM_Baseline first;
  if (int status = entries[0].baseline(first))
    return trace.checked(__LINE__, status);
  baseline = first;
  return 0;
}

int SUM_Component::set_admin_vob() const {
  SUM_Trace trace("SUM_Component::set_admin_vob");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_VobObject root;
  if (int status = root_directory_element(root))
    return trace.checked(__LINE__, status);
  const SUM_Vob& vob = root.vob();
  if (vob == vob_)
    return 0;
  SUM_Vob target = vob_;
  int has = 0;
  if (int status = vob_.has_admin_vob(has))
    return trace.checked(__LINE__, status);
  if (has) {
    if (int status = vob_.admin_vob(target, 1))
      return trace.checked(__LINE__, status);
  }
  if (int status = vob.has_admin_vob(has))
    return trace.checked(__LINE__, status);
  if (!has) {
    if (int status = vob.set_admin_vob(target))
      return trace.checked(__LINE__, status);
    SUM_String name;
    if (int status = this->name(name))
      return trace.checked(__LINE__, status);
    imsg_print(IMSG_INFO, sum_component_msg::SetAdminVOBComponent, name);
    return 0;
  }
  SUM_Vob top;
  if (int status = vob.admin_vob(top, 1))
    return trace.checked(__LINE__, status);
  if (top != target) {
    imsg_print(IMSG_ERROR, sum_component_msg::ComponentAdminVOBMust);
    return SUM_FAILED;
  }
  return 0;
}
