// SUM_Baseline labeling: the version map of a baseline, its labeling status
// (cached per process), the config spec selector, the versions a baseline
// selects, the upgrades to incremental and full labeling, and importing a
// label type as a baseline.
//
// A version map is a label type of the VOB of the component's root
// directory, linked from the baseline (services/vob_zem_baseline.h). An
// incremental map holds the versions the baseline changed and resolves
// every other element through the map of the nearest labeled predecessor;
// a full map holds the whole configuration.
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/vob.h"
#include "services/vob_elem.h"
#include "services/vob_hlink.h"
#include "services/vob_zem_baseline.h"
#include "sum/sum_activity.h"
#include "sum/sum_baseline.h"
#include "sum/sum_baseline_diff.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_component.h"
#include "sum/sum_event_info.h"
#include "sum/sum_hash_tab.h"
#include "sum/sum_project.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"
#include "sum/sum_version.h"

namespace {

constexpr const char* kSource = "sum_baseline_label";

// The mark in the name of a version map still being filled.
constexpr const char* kInProgressMark = "_in_progress";
// Directory entries read at a time while walking a configuration.
constexpr size_t kEntryChunk = 256;

// The labeling status of baselines already asked about. A status changes
// only through this library's labeling operations, which update it here.
SUM_HashTab<SUM_Baseline, int>& status_cache() {
  static auto* cache = new SUM_HashTab<SUM_Baseline, int>(32);
  return *cache;
}

void remember_status(const SUM_Baseline& baseline, int status) {
  status_cache().remove(baseline);
  status_cache().enter(baseline, status);
}

// Versions by element dbid (all of one VOB).
using VersionsByElement = std::map<tbs_dbid_t, SUM_Version>;

// Whether `candidate` is newer than `held` for the same element: on the
// same branch, a higher number; on another branch, the later one seen.
int is_newer(const SUM_Version& candidate, const SUM_Version& held, int& newer) {
  vob_ver_details_t a;
  vob_ver_details_t b;
  int status = vob_ver_get_details(candidate.vob().handle(), candidate.dbid(), &a);
  if (status == 0)
    status = vob_ver_get_details(held.vob().handle(), held.dbid(), &b);
  if (status == 0)
    newer = a.branch != b.branch || a.number > b.number ? 1 : 0;
  return status;
}

// Adds the checked-in `versions` to `out`, keeping the newest per element.
int keep_newest(const SUM_VersionList& versions, VersionsByElement& out) {
  for (unsigned i = 0; i < versions.count(); ++i) {
    vob_ver_details_t details;
    int status = vob_ver_get_details(versions[i].vob().handle(), versions[i].dbid(), &details);
    if (status != 0)
      return status;
    if (details.checked_out)
      continue;  // only checked-in versions can be labeled
    auto held = out.find(details.element);
    int newer = 1;
    if (held != out.end() && (status = is_newer(versions[i], held->second, newer)) != 0)
      return status;
    if (newer)
      out[details.element] = versions[i];
  }
  return SUM_OK;
}

// The recorded modification count of each activity of `baseline`.
int recorded_counts(const SUM_Baseline& baseline, std::map<tbs_dbid_t, long>& out) {
  std::vector<vob_zem_baseline_cset_t> csets;
  int status = vob_zem_baseline_get_cset_list(baseline.vob().handle(), baseline.dbid(), csets);
  for (const vob_zem_baseline_cset_t& cset : csets)
    out[cset.activity] = cset.mod_count;
  return status;
}

// Where a component's versions live: the root directory element, its VOB
// family and its oid.
struct ComponentRoot {
  SUM_VobObject element;
  SUM_Oid family;
  SUM_Oid crde;
};

int component_root(const SUM_Component& component, ComponentRoot& out) {
  int status = component.root_directory_element(out.element);
  if (status == 0)
    status = out.element.vob().family_oid(out.family);
  if (status == 0)
    status = out.element.oid(out.crde);
  return status;
}

// The versions of the component at `root` that `baseline`'s activities
// recorded, newest per element.
int changed_since_nothing(const SUM_Baseline& baseline, const ComponentRoot& root,
                          VersionsByElement& out) {
  std::map<tbs_dbid_t, long> counts;
  int status = recorded_counts(baseline, counts);
  for (auto it = counts.begin(); status == 0 && it != counts.end(); ++it) {
    SUM_Activity activity(baseline.vob(), it->first);
    int exists = 0;
    if (it->second <= 0 || (status = activity.exists(exists)) != 0 || !exists)
      continue;
    SUM_VersionList versions;
    status = activity.change_set_in_range(0, static_cast<unsigned>(it->second), root.family,
                                          root.crde, versions);
    if (status == 0)
      status = keep_newest(versions, out);
  }
  return status;
}

// The versions of the component at `root` that `baseline`'s activities
// gained since `base` (null: from nothing), newest per element. Against a
// base, the two configurations are compared (what both hold through a shared
// foundation is no change), and each activity that moved on gives its
// versions between the two counts.
int changed_versions(const SUM_Baseline& baseline, const SUM_Baseline& base,
                     const ComponentRoot& root, VersionsByElement& out) {
  if (base.is_null())
    return changed_since_nothing(baseline, root, out);
  BaselineDiffList diffs;
  // The versions selected, not every change that reached the baseline: a
  // delivered activity's own versions are not the target's.
  int status = BaselineDiff::compare(SUM_BaselineVR(base), SUM_BaselineVR(baseline),
                                     BaselineDiff::SELECTED, diffs);
  for (unsigned i = 0; status == 0 && i < diffs.count(); ++i) {
    SUM_VersionList versions;
    if (!diffs[i].moved_on())
      continue;
    if ((status = diffs[i].versions(versions)) == 0)
      status = keep_newest(versions, out);
  }
  return status;
}

// Whether `element` belongs to the component whose root is `crde`.
int in_component(vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t crde, int& inside) {
  tbs_dbid_t mark = 0;
  int status = vob_elem_get_crde(vob, element, &mark);
  if (status == 0)
    inside = mark == crde ? 1 : 0;
  return status;
}

// Completes `versions` to the whole configuration of the component at
// `root`: from the root directory down through the directory versions
// selected, each element takes its version from `versions`, else the one
// `base` selects.
int complete_configuration(const ComponentRoot& root, const SUM_Baseline& base,
                           VersionsByElement& versions) {
  vob_vob_h vob = root.element.vob().handle();
  std::vector<tbs_dbid_t> pending{root.element.dbid()};
  std::set<tbs_dbid_t> seen{root.element.dbid()};
  while (!pending.empty()) {
    tbs_dbid_t element = pending.back();
    pending.pop_back();
    auto chosen = versions.find(element);
    SUM_Version version;
    if (chosen != versions.end()) {
      version = chosen->second;
    } else {
      int status = base.selected_version(SUM_Element(root.element.vob(), element), version);
      if (status == SUM_NOT_FOUND)
        continue;  // not in that configuration: nor in this one
      if (status != 0)
        return status;
      versions[element] = version;
    }
    int is_dir = 0;
    int status = vob_obj_is_dir(vob, version.dbid(), &is_dir);
    for (size_t offset = 0; status == 0 && is_dir; offset += kEntryChunk) {
      std::vector<vob_nsdir_entry_t> entries;
      status = vob_nsdir_next_entries(vob, version.dbid(), offset, kEntryChunk, entries);
      for (size_t i = 0; status == 0 && i < entries.size(); ++i) {
        int inside = 0;
        status = in_component(vob, entries[i].element, root.element.dbid(), inside);
        if (status == SUM_NOT_FOUND)
          status = SUM_OK;  // an entry naming a removed element shows nothing
        else if (status == 0 && inside && seen.insert(entries[i].element).second)
          pending.push_back(entries[i].element);
      }
      if (entries.size() < kEntryChunk)
        break;
    }
    if (status != 0)
      return status;
  }
  return SUM_OK;
}

// The predecessors of `baseline` on its timeline: `previous` the entry
// just before it, `base` the nearest one that is labeled or initial (or
// the earliest one when none is). 1002 when it has none.
int timeline_predecessors(const SUM_Baseline& baseline, SUM_Baseline& previous,
                          SUM_Baseline& base) {
  SUM_Timeline timeline;
  SUM_TimelineEntryList entries;
  int status = baseline.timeline(timeline);
  if (status == 0)
    status = timeline.entries(entries);
  if (status != 0)
    return status;
  int index = -1;
  for (unsigned i = 0; i < entries.count() && index < 0; ++i)
    if (entries[i].kind() == SUM_TimelineEntry::BASELINE && entries[i].dbid() == baseline.dbid())
      index = static_cast<int>(i);
  if (index <= 0)
    return SUM_NOT_FOUND;
  for (int i = index - 1; i >= 0; --i) {
    SUM_Baseline earlier;
    int labeling = 0;
    if ((status = entries[i].baseline(earlier)) != 0 ||
        (status = earlier.labeling_status(labeling)) != 0)
      return status;
    if (i == index - 1)
      previous = earlier;
    base = earlier;
    if (labeling != SUM_Baseline::UNLABELED)
      break;
  }
  return SUM_OK;
}

SUM_VersionList as_list(const VersionsByElement& versions) {
  SUM_VersionList list;
  for (const auto& entry : versions)
    list.append(entry.second);
  return list;
}

// Whether two or more activities' change sets hold `version`.
int in_several_change_sets(const SUM_Version& version, int& several) {
  std::vector<vob_hlink_end_t> ends;
  int status =
      vob_obj_list_hlinks(version.vob().handle(), version.dbid(), VOB_WK_HLTYPE_CHANGE, 1, ends);
  if (status == 0)
    several = ends.size() >= 2 ? 1 : 0;
  return status;
}

// The number of `version` and its branch.
int number_on_branch(const SUM_Version& version, long& number, tbs_dbid_t& branch) {
  vob_ver_details_t details;
  int status = vob_ver_get_details(version.vob().handle(), version.dbid(), &details);
  if (status == 0) {
    number = details.number;
    branch = details.branch;
  }
  return status;
}

}  // namespace

int SUM_Baseline::labeling_status(int& status_out) const {
  SUM_Trace trace("SUM_Baseline::labeling_status");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (const int* cached = status_cache().lookup(*this)) {
    status_out = *cached;
    return SUM_OK;
  }
  int computed = UNLABELED;
  SUM_Vermap map;
  int status = vermap(map);
  if (status == 0) {
    int incremental = 0;
    status = map.is_incremental(incremental);
    if (status == SUM_NOT_FOUND)
      status = SUM_OK;  // a plain label type holds its whole configuration
    computed = incremental ? INCREMENTAL : FULL;
  } else if (status == SUM_NOT_FOUND) {
    int initial = 0;
    status = is_initial(initial);
    computed = INITIAL;
    if (status == 0 && !initial) {
      SUM_Component owner;
      int has_root = 0;
      if ((status = component(owner)) == 0)
        status = owner.has_crde(has_root);
      computed = has_root ? UNLABELED : NOT_LABELABLE;
    }
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  remember_status(*this, computed);
  status_out = computed;
  return SUM_OK;
}

int SUM_Baseline::is_labeled(int& labeled) const {
  SUM_Trace trace("SUM_Baseline::is_labeled");
  return trace.checked(__LINE__, is_labeled(labeled, 0));
}

int SUM_Baseline::is_labeled(int& labeled, int check_members) const {
  SUM_Trace trace("SUM_Baseline::is_labeled");
  int labeling = 0;
  int status = labeling_status(labeling);
  if (status != 0)
    return trace.checked(__LINE__, status);
  int result = labeling != UNLABELED ? 1 : 0;
  if (result && check_members) {
    SUM_BaselineList members;
    int unavailable = 0;
    if ((status = dependencies(members, unavailable)) != 0)
      return trace.checked(__LINE__, status);
    for (unsigned i = 0; result && i < members.count(); ++i)
      if ((status = members[i].is_labeled(result, 1)) != 0)
        return trace.checked(__LINE__, status);
  }
  labeled = result;
  return SUM_OK;
}

int SUM_Baseline::is_in_progress(int& result) const {
  SUM_Trace trace("SUM_Baseline::is_in_progress");
  int labeling = 0;
  int status = labeling_status(labeling);
  if (status != 0)
    return trace.checked(__LINE__, status);
  int in_progress = 0;
  if (labeling == INCREMENTAL || labeling == FULL) {
    SUM_Vermap map;
    SUM_String map_name;
    if ((status = vermap(map)) != 0 || (status = map.name(map_name)) != 0)
      return trace.checked(__LINE__, status);
    in_progress = map_name.Find(kInProgressMark) >= 0 ? 1 : 0;
  }
  result = in_progress;
  return SUM_OK;
}

int SUM_Baseline::has_vermap(int& result) const {
  SUM_Trace trace("SUM_Baseline::has_vermap");
  SUM_Vermap map;
  int status = vermap(map);
  if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  result = status == 0 ? 1 : 0;
  return SUM_OK;
}

int SUM_Baseline::vermap(SUM_Vermap& out) const {
  SUM_Trace trace("SUM_Baseline::vermap");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_vob_h vob = nullptr;
  tbs_dbid_t map = 0;
  int status = vob_zem_baseline_get_vermap(vob_.handle(), dbid_, &vob, &map);
  if (status == SUM_NOT_FOUND)
    return SUM_NOT_FOUND;
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Vermap(SUM_Vob(vob), map);
  return SUM_OK;
}

int SUM_Baseline::set_vermap(const SUM_Vermap& map) const {
  SUM_Trace trace("SUM_Baseline::set_vermap");
  if (is_null() || map.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_EventInfo event("", 0);
  int status = vob_zem_baseline_set_vermap(vob_.handle(), dbid_, map.vob().handle(), map.dbid(),
                                           event.info());
  // Whatever happened, the status is read anew next time.
  status_cache().remove(*this);
  return trace.checked(__LINE__, status);
}

int SUM_Baseline::config_str(SUM_String& out) const {
  SUM_Trace trace("SUM_Baseline::config_str");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Vermap map;
  int status = vermap(map);
  if (status == 0)
    return trace.checked(__LINE__, map.name(out));
  if (status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  int initial = 0;
  if ((status = is_initial(initial)) != 0)
    return trace.checked(__LINE__, status);
  if (!initial) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::NotLabeledForCspec, any_fullname());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  // The initial configuration: version 0 of every element's main branch.
  std::string branch_path = "/main";
  SUM_Component owner;
  int has_root = 0;
  if ((status = component(owner)) != 0 || (status = owner.has_crde(has_root)) != 0)
    return trace.checked(__LINE__, status);
  if (has_root) {
    SUM_VobObject root;
    tbs_dbid_t branch = 0;
    if ((status = owner.root_directory_element(root)) != 0 ||
        (status = vob_elem_get_main_branch(root.vob().handle(), root.dbid(), &branch)) != 0 ||
        (status = vob_branch_get_path(root.vob().handle(), branch, branch_path)) != 0)
      return trace.checked(__LINE__, status);
  }
  SUM_String text;
  text.Format("%s%c%c", branch_path.c_str(), '/', '0');
  out = text;
  return SUM_OK;
}

int SUM_Baseline::selected_version(const SUM_Element& element, SUM_Version& out) const {
  SUM_Trace trace("SUM_Baseline::selected_version");
  if (is_null() || element.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Vermap map;
  int status = vermap(map);
  if (status == 0) {
    status = map.lookup_version(element, out);
    return status == SUM_NOT_FOUND ? SUM_NOT_FOUND : trace.checked(__LINE__, status);
  }
  if (status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  int initial = 0;
  if ((status = is_initial(initial)) != 0)
    return trace.checked(__LINE__, status);
  if (!initial) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::NotLabeled, any_fullname());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  tbs_dbid_t branch = 0;
  tbs_dbid_t version = 0;
  vob_vob_h vob = element.vob().handle();
  if ((status = vob_elem_get_main_branch(vob, element.dbid(), &branch)) != 0 ||
      (status = vob_branch_get_ver(vob, branch, 0, &version)) != 0)
    return status == SUM_NOT_FOUND ? SUM_NOT_FOUND : trace.checked(__LINE__, status);
  out = SUM_Version(element.vob(), version);
  return SUM_OK;
}

int SUM_Baseline::modmaster_operation_ok(int& ok) const {
  SUM_Trace trace("SUM_Baseline::modmaster_operation_ok");
  SUM_Vermap map;
  int status = vermap(map);
  if (status == SUM_NOT_FOUND) {
    ok = 1;
    return SUM_OK;
  }
  int blocked = 0;
  if (status == 0)
    status = map.modmaster_blocked(blocked);
  if (status != 0)
    return trace.checked(__LINE__, status);
  ok = blocked ? 0 : 1;
  return SUM_OK;
}

int SUM_Baseline::adjust_baselined_versions(SUM_VersionList& versions,
                                            const SUM_Baseline& labeled_pred,
                                            const SUM_Baseline& unlabeled_pred) {
  SUM_Trace trace("SUM_Baseline::adjust_baselined_versions");
  if ((labeled_pred.is_null() && unlabeled_pred.is_null()) || versions.count() == 0)
    return SUM_OK;
  SUM_VersionList kept;
  SUM_VersionList appended;
  VersionsByElement pred_versions;
  bool pred_versions_read = false;
  for (unsigned i = 0; i < versions.count(); ++i) {
    const SUM_Version& version = versions[i];
    int several = 0;
    int status = in_several_change_sets(version, several);
    if (status != 0)
      return trace.checked(__LINE__, status);
    if (!several) {
      kept.append(version);
      continue;
    }
    if (trace.is_on(4)) {
      SUM_String shown;
      version.display_name(shown);
      trace.info(4, "checking version for later labeled baseline:  %s",
                 static_cast<const char*>(shown));
    }
    SUM_Element element;
    long number = 0;
    tbs_dbid_t branch = 0;
    if ((status = version.element(element)) != 0 ||
        (status = number_on_branch(version, number, branch)) != 0)
      return trace.checked(__LINE__, status);
    SUM_Version held;
    if (!labeled_pred.is_null()) {
      status = labeled_pred.selected_version(element, held);
    } else {
      if (!pred_versions_read) {
        SUM_Component owner;
        ComponentRoot root;
        if ((status = unlabeled_pred.component(owner)) != 0 ||
            (status = component_root(owner, root)) != 0 ||
            (status = changed_versions(unlabeled_pred, SUM_Baseline(), root, pred_versions)) != 0)
          return trace.checked(__LINE__, status);
        pred_versions_read = true;
      }
      auto found = pred_versions.find(element.dbid());
      status = found == pred_versions.end() ? SUM_NOT_FOUND : SUM_OK;
      if (status == 0)
        held = found->second;
    }
    if (status == SUM_NOT_FOUND) {
      kept.append(version);
      continue;
    }
    long held_number = 0;
    tbs_dbid_t held_branch = 0;
    if (status != 0 || (status = number_on_branch(held, held_number, held_branch)) != 0)
      return trace.checked(__LINE__, status);
    if (held_branch != branch || held_number <= number) {
      kept.append(version);
      continue;
    }
    // A later baseline already holds a newer version of the element.
    if (labeled_pred.is_null()) {
      trace.info(4, "baselined ver_num: %d   to be labeled ver_num: %d",
                 static_cast<int>(held_number), static_cast<int>(number));
      appended.append(held);
    }
  }
  for (unsigned i = 0; i < appended.count(); ++i)
    kept.append(appended[i]);
  versions = kept;
  return SUM_OK;
}

int SUM_Baseline::refuse_labeling(int status, int to_full) const {
  std::optional<sum_baseline_msg> refusal;
  switch (status) {
    case INITIAL:
      refusal = sum_baseline_msg::CannotChangeLabelingStatus;
      break;
    case NOT_LABELABLE:
      refusal = sum_baseline_msg::BaselineNoVersionsLabel;
      break;
    case FULL:
      refusal = to_full ? sum_baseline_msg::BaselineAlreadyFullyLabeled
                        : sum_baseline_msg::CannotChangeFullyLabeled;
      break;
    case INCREMENTAL:
      if (!to_full)
        refusal = sum_baseline_msg::BaselineAlreadyIncrementallyLabeled;
      break;
    default:  // UNLABELED
      if (to_full)
        refusal = sum_baseline_msg::BaselineMustIncrementallyLabeled;
      break;
  }
  if (!refusal)
    return SUM_OK;
  imsg_print_chosen(IMSG_ERROR, *refusal, any_fullname());
  return SUM_FAILED;
}

namespace {

// Whether map `map` of `vob` holds what a new map on `bases` with
// `versions` would: the same bases, and each of the versions.
int holds_same(const SUM_Vob& vob, tbs_dbid_t map, const std::vector<SUM_Vermap>& bases,
               const SUM_VersionList& versions, bool& same) {
  same = false;
  vob_vermap_info_t info;
  int status = vob_vermap_get_info(vob.handle(), map, &info);
  if (status == SUM_NOT_FOUND)
    return SUM_OK;  // a plain label type of that name
  if (status != 0 || info.based_on.size() != bases.size())
    return status;
  for (size_t i = 0; i < bases.size(); ++i)
    if (info.based_on[i] != bases[i].dbid())
      return SUM_OK;
  std::vector<tbs_dbid_t> dbids, elements;
  for (unsigned i = 0; i < versions.count(); ++i)
    dbids.push_back(versions[i].dbid());
  if ((status = vob_ver_get_elems(vob.handle(), dbids, elements)) != 0)
    return status;
  for (size_t i = 0; i < dbids.size() && i < elements.size(); ++i) {
    tbs_dbid_t held = 0;
    status = vob_lbtype_lookup_version(vob.handle(), map, elements[i], &held);
    if (status == SUM_NOT_FOUND || (status == 0 && held != dbids[i]))
      return SUM_OK;
    if (status != 0)
      return status;
  }
  same = true;
  return SUM_OK;
}

// The version map named `name` in `vob` that a labeling stopped between its
// two commits left: linked to no baseline and holding what the new map
// would (a map left by a removed baseline of the same name differs). A null
// map in `out` when there is none.
int unlinked_map(const SUM_Vob& vob, const SUM_String& name, const std::vector<SUM_Vermap>& bases,
                 const SUM_VersionList& versions, SUM_Vermap& out) {
  SUM_Trace trace("unlinked_map");
  out = SUM_Vermap();
  tbs_dbid_t dbid = 0;
  int status = vob_obj_resolve(vob.handle(), name, VOB_MTYPE_LABEL_TYPE, &dbid);
  if (status == SUM_NOT_FOUND)
    return SUM_OK;
  bool same = false;
  int linked = 0;
  if (status == 0)
    status = holds_same(vob, dbid, bases, versions, same);
  if (status == 0 && same)
    status = SUM_LabelType(vob, dbid).has_baseline(linked);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (same && !linked)
    out = SUM_Vermap(vob, dbid);
  return SUM_OK;
}

// upgrade_to_incremental's writes, inside its write groups: the map of
// `baseline` (an unlinked one of its name left by an interrupted labeling,
// or a new one) linked to it.
int write_incremental_map(const SUM_Baseline& baseline, const ComponentRoot& root, const char* name,
                          const char* comment) {
  SUM_Trace trace("write_incremental_map");
  SUM_Baseline previous;
  SUM_Baseline base;
  VersionsByElement changed;
  int status = timeline_predecessors(baseline, previous, base);
  if (status == 0)
    status = changed_versions(baseline, base, root, changed);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::NoChanges, baseline.any_fullname());
    return trace.checked(__LINE__, status == SUM_NOT_FOUND ? SUM_FAILED : status);
  }
  int base_labeling = 0;
  if ((status = base.labeling_status(base_labeling)) != 0)
    return trace.checked(__LINE__, status);
  bool base_has_map =
      base_labeling == SUM_Baseline::INCREMENTAL || base_labeling == SUM_Baseline::FULL;
  SUM_Baseline unlabeled_pred = previous != base ? previous : SUM_Baseline();
  trace.info(4, "Pred is:  %s", previous.any_fullname());
  trace.info(4, "Labeled pred on stream:  %s", base_has_map ? base.any_fullname() : "");
  trace.info(4, "Ulabeled pred is:  %s",
             unlabeled_pred.is_null() ? "" : unlabeled_pred.any_fullname());
  // Without a map to rest on, the new map holds the whole configuration.
  if (!base_has_map && (status = complete_configuration(root, base, changed)) != 0)
    return trace.checked(__LINE__, status);
  SUM_VersionList versions = as_list(changed);
  status = SUM_Baseline::adjust_baselined_versions(versions, base_has_map ? base : SUM_Baseline(),
                                                   unlabeled_pred);
  if (status != 0)
    return trace.checked(__LINE__, status);

  std::vector<SUM_Vermap> bases;
  if (base_has_map) {
    SUM_Vermap base_map;
    if ((status = base.vermap(base_map)) != 0)
      return trace.checked(__LINE__, status);
    bases.push_back(base_map);
  }
  SUM_String map_name(name != nullptr ? name : "");
  if (map_name.GetLength() == 0 && (status = baseline.name(map_name)) != 0)
    return trace.checked(__LINE__, status);
  SUM_Vermap made;
  if ((status = unlinked_map(root.element.vob(), map_name, bases, versions, made)) != 0)
    return trace.checked(__LINE__, status);
  if (made.is_null() && (status = SUM_Vermap::create(root.element.vob(), map_name, versions, 1,
                                                     bases, comment, made)) != 0) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::VermapFailed, baseline.any_fullname());
    return trace.checked(__LINE__, status);
  }
  if ((status = baseline.set_vermap(made)) != 0) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::LabelFailed, baseline.any_fullname());
    return trace.checked(__LINE__, status);
  }
  return SUM_OK;
}

}  // namespace

int SUM_Baseline::upgrade_to_incremental(const char* name, const char* comment, int flag) const {
  SUM_Trace trace("SUM_Baseline::upgrade_to_incremental");
  (void)flag;  // kept for callers; the labeling does not depend on it
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Component owner;
  SUM_Stream home;
  SUM_Project project;
  int status = trigger_context(owner, home, project);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_TrigChBl trigger(*this, owner, home, project, SUM_String(), SUM_String(comment));
  int labeling = 0;
  if ((status = trigger.fire_preop()) != 0 || (status = check_permission()) != 0 ||
      (status = labeling_status(labeling)) != 0 || (status = refuse_labeling(labeling, 0)) != 0)
    return trace.checked(__LINE__, status);
  ComponentRoot root;
  if ((status = component_root(owner, root)) != 0) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::NoChanges, any_fullname());
    return trace.checked(__LINE__, status == SUM_NOT_FOUND ? SUM_FAILED : status);
  }
  // The map and its link to the baseline are written under the write locks
  // of the component's VOB and then the project VOB (the order check-ins
  // take them), each VOB's writes in one transaction, the map's committed
  // first: concurrent labelings of a baseline run one after the other, and
  // a crash between the two commits leaves an unlinked map that the next
  // labeling links.
  const SUM_Vob map_vob = root.element.vob();
  vob_write_group map_group(map_vob.handle());
  std::unique_ptr<vob_write_group> pvob_group;
  if (map_vob.handle() != vob_.handle())
    pvob_group = std::make_unique<vob_write_group>(vob_.handle());
  if ((status = map_group.status()) != 0 || (pvob_group && (status = pvob_group->status()) != 0))
    return trace.checked(__LINE__, status);
  status_cache().remove(*this);
  if ((status = labeling_status(labeling)) != 0)
    return trace.checked(__LINE__, status);
  if (labeling == INCREMENTAL || labeling == FULL)
    return SUM_OK;  // labeled by a concurrent labeling meanwhile
  if ((status = write_incremental_map(*this, root, name, comment)) == 0 &&
      (status = map_group.commit()) == 0 && pvob_group)
    status = pvob_group->commit();
  if (status != 0)
    return trace.checked(__LINE__, status);
  remember_status(*this, INCREMENTAL);
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

int SUM_Baseline::upgrade_to_full(const char* comment) const {
  SUM_Trace trace("SUM_Baseline::upgrade_to_full");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Component owner;
  SUM_Stream home;
  SUM_Project project;
  int status = trigger_context(owner, home, project);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_TrigChBl trigger(*this, owner, home, project, SUM_String(), SUM_String(comment));
  int labeling = 0;
  SUM_Vermap map;
  if ((status = trigger.fire_preop()) != 0 || (status = check_permission()) != 0 ||
      (status = labeling_status(labeling)) != 0 || (status = refuse_labeling(labeling, 1)) != 0 ||
      (status = vermap(map)) != 0 || (status = map.promote(comment)) != 0)
    return trace.checked(__LINE__, status);
  remember_status(*this, FULL);
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

int SUM_Baseline::create_import(const SUM_LabelType& lbtype, const char* name,
                                const SUM_Component& component, const char* comment,
                                SUM_Baseline& out) {
  SUM_Trace trace("SUM_Baseline::create_import");
  if (lbtype.is_null() || component.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int has_root = 0;
  int status = component.has_crde(has_root);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!has_root) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::ImportRootless, component.any_fullname());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  SUM_VobObject root;
  SUM_String lbtype_name;
  if ((status = component.root_directory_element(root)) != 0 ||
      (status = lbtype.name(lbtype_name)) != 0)
    return trace.checked(__LINE__, status);
  if (root.vob() != lbtype.vob()) {
    SUM_String lbtype_vob, root_vob;
    lbtype.vob().tag(lbtype_vob);
    root.vob().tag(root_vob);
    imsg_print(IMSG_ERROR, sum_baseline_msg::ImportOtherVob, lbtype_name, lbtype_vob,
               component.any_fullname(), root_vob);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  SUM_String chosen(name != nullptr ? name : "");
  if (chosen.GetLength() == 0 &&
      (status = compute_import_baseline_name(lbtype_name, component, chosen)) != 0)
    return trace.checked(__LINE__, status);

  SUM_TrigMkBl trigger(component, SUM_String(comment), SUM_VobObject(), SUM_VobObject());
  SUM_Timeline main;
  SUM_Baseline made;
  if ((status = trigger.fire_preop()) != 0 || (status = component.check_change_permission()) != 0 ||
      (status = component.main_timeline(main)) != 0 ||
      (status = create(main, chosen, comment, 0, -1, made)) != 0)
    return trace.checked(__LINE__, status);

  SUM_EventInfo undo(comment, 0);
  int is_sub = 0, invalid = 0;
  SUM_Vermap map(lbtype.vob(), lbtype.dbid());
  status = component.is_subvob(is_sub, invalid);
  if (status == 0 && is_sub) {
    SUM_String made_name;
    if ((status = made.name(made_name)) == 0)
      status = SUM_Vermap::import_lbtype(lbtype, made_name, comment, map);
  } else if (status == 0) {
    status = SUM_Vermap::import_lbtype(lbtype, comment);
  }
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::ImportFailed, lbtype_name, component.any_fullname());
    vob_zem_baseline_delete(made.vob().handle(), made.dbid(), undo.info());
    return trace.checked(__LINE__, status);
  }
  if ((status = made.set_vermap(map)) != 0) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::ImportAttachFailed, lbtype_name, made.any_fullname());
    if (map.dbid() != lbtype.dbid())
      vob_zem_vermap_delete(map.vob().handle(), map.dbid(), undo.info());
    vob_zem_baseline_delete(made.vob().handle(), made.dbid(), undo.info());
    return trace.checked(__LINE__, status);
  }
  if ((status = trigger.fire_postop(made)) != 0)
    return trace.checked(__LINE__, status);
  out = made;
  return SUM_OK;
}
