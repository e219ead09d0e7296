// BaselineDiff: comparison of one component's configurations through the
// project VOB's change-set difference, and the versions and elements the
// differences stand for.
#include "sum/sum_baseline_diff.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "services/vob_elem.h"
#include "sum/sum_baseline.h"
#include "sum/sum_baseline_graph.h"
#include "sum/sum_cache_control.h"
#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_read_scope.h"
#include "sum/sum_status.h"
#include "sum/sum_timeline.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_baseline_diff";

// Appends to `out` the baselines that the delivery entries among the first
// `end` entries of a timeline brought in, newest first. An entry whose
// delivery cannot be told any more contributes nothing.
int delivered_into(const SUM_TimelineEntryList& entries, int end, SUM_BaselineList& out) {
  for (int i = end - 1; i >= 0; --i) {
    const SUM_TimelineEntry& entry = entries[static_cast<unsigned>(i)];
    if (entry.kind() != SUM_TimelineEntry::KIND_2)
      continue;
    SUM_Baseline delivered;
    int status = entry.baseline(delivered);
    if (status == SUM_NOT_FOUND)
      continue;
    if (status != 0)
      return status;
    out.append(delivered);
  }
  return SUM_OK;
}

// The baselines `baseline` holds directly, replacing `out`: the foundation
// baseline in force when it was made and then, for CONTENT, the baselines
// deliveries recorded on its timeline before it. A baseline of the
// component's main timeline (an initial or import baseline) holds none.
int held_baselines(const SUM_Baseline& baseline, BaselineDiff::Scope scope, SUM_BaselineList& out) {
  out.clear();
  SUM_Timeline timeline;
  int offset = -1;
  int main = 0;
  SUM_TimelineEntryList entries;
  int status = SUM_BaselineGraph::position(baseline, timeline, offset, entries);
  if (status == 0)
    status = timeline.is_main(main);
  if (status != 0 || main)
    return status;
  SUM_Baseline foundation;
  if ((status = timeline.fdn_bl_at_offset(offset, foundation)) != 0)
    return status;
  out.append(foundation);
  return scope == BaselineDiff::CONTENT ? delivered_into(entries, offset, out) : SUM_OK;
}

// One baseline of the walk below, with what it holds and how far that list
// has been followed.
struct LayerFrame {
  SUM_Baseline baseline;
  SUM_BaselineList held;
  unsigned next = 0;
};

// Appends to `out` the layers under `heads`: each baseline of `pvob` that
// they hold, directly or through others, once, and every baseline before
// the baselines it holds (so a side ends with the initial or import baseline
// all of it descends from, and the ancestry two sides share tends to come
// last on both). Baselines kept in another project VOB record activities of
// that one and are not followed.
int append_layers(const SUM_BaselineList& heads, const SUM_Vob& pvob, BaselineDiff::Scope scope,
                  std::vector<tbs_dbid_t>& out) {
  std::set<tbs_dbid_t> seen;
  std::vector<tbs_dbid_t> finished;  // each after everything it holds
  std::vector<LayerFrame> stack;
  auto enter = [&](const SUM_Baseline& baseline) -> int {
    if (baseline.vob() != pvob || !seen.insert(baseline.dbid()).second)
      return SUM_OK;
    LayerFrame frame;
    frame.baseline = baseline;
    int status = held_baselines(baseline, scope, frame.held);
    if (status == 0)
      stack.push_back(frame);
    return status;
  };
  for (unsigned h = 0; h < heads.count(); ++h) {
    int status = enter(heads[h]);
    while (status == 0 && !stack.empty()) {
      LayerFrame& top = stack.back();
      if (top.next < top.held.count()) {
        SUM_Baseline child = top.held[top.next++];
        status = enter(child);
        continue;
      }
      finished.push_back(top.baseline.dbid());
      stack.pop_back();
    }
    if (status != 0)
      return status;
  }
  out.insert(out.end(), finished.rbegin(), finished.rend());
  return SUM_OK;
}

// `side` as layers for the project VOB: a virtual baseline's activities with
// their counts in the component, then what the stream's current foundation
// baseline of the component holds and, for CONTENT, the baselines
// deliveries recorded on the stream's timeline of the component; a real
// baseline's layers from the baseline itself.
int to_side(const SUM_BaselineVR& vr, const SUM_Component& component, BaselineDiff::Scope scope,
            vob_diffchkpnt_side_t& side) {
  SUM_BaselineList heads;
  if (!vr.is_virtual()) {
    heads.append(vr.real());
    return append_layers(heads, component.vob(), scope, side.baselines);
  }
  SUM_ActivityList activities;
  SUM_Stream stream;
  SUM_Baseline foundation;
  int status = vr.virtual_baseline().change_sets(activities);
  if (status == 0)
    status = vr.virtual_baseline().stream(stream);
  for (unsigned i = 0; status == 0 && i < activities.count(); ++i) {
    unsigned count = 0;
    if ((status = activities[i].mod_count(count)) == 0)
      side.pending.push_back({activities[i].dbid(), static_cast<long>(count)});
  }
  if (status == 0)
    status = stream.baseline_util(component, 0, foundation);
  if (status == SUM_NOT_FOUND)
    return SUM_OK;  // no foundation: the stream's activities are all it has
  if (status != 0)
    return status;
  heads.append(foundation);
  if (scope == BaselineDiff::CONTENT) {
    SUM_Timeline timeline;
    SUM_TimelineEntryList entries;
    status = stream.component_timeline(component, timeline);
    if (status == 0)
      status = SUM_BaselineGraph::timeline_entries(timeline, entries);
    if (status == 0)
      status = delivered_into(entries, static_cast<int>(entries.count()), heads);
    if (status != 0 && status != SUM_NOT_FOUND)
      return status;
  }
  return append_layers(heads, component.vob(), scope, side.baselines);
}

// A name for a side in messages: the baseline's, or the stream's.
const char* side_name(const SUM_BaselineVR& vr) {
  if (!vr.is_virtual())
    return vr.real().any_fullname();
  SUM_Stream stream;
  return vr.virtual_baseline().stream(stream) == 0 ? stream.any_fullname() : "???";
}

// Prints why sides descending from different roots cannot be compared,
// naming them by their kinds.
void print_different_roots(const SUM_BaselineVR& first, const SUM_BaselineVR& second) {
  if (first.is_virtual() && second.is_virtual())
    imsg_print(IMSG_ERROR, sum_baseline_msg::CannotCompareStreamsBecause, side_name(first),
               side_name(second));
  else if (first.is_virtual() || second.is_virtual())
    imsg_print(IMSG_ERROR, sum_baseline_msg::CannotCompareBaselineStream,
               side_name(first.is_virtual() ? second : first),
               side_name(first.is_virtual() ? first : second));
  else
    imsg_print(IMSG_ERROR, sum_baseline_msg::CannotCompareBaselinesBecause, side_name(first),
               side_name(second));
}

// The component's root VOB family and root directory element; null oids for
// a rootless component.
int component_identities(const SUM_Component& component, SUM_Oid& vob_family, SUM_Oid& crde) {
  int rooted = 0;
  int status = component.has_crde(rooted);
  if (status != 0 || !rooted)
    return status;
  SUM_VobObject root;
  if ((status = component.crde_vob_family_oid(vob_family)) == 0 &&
      (status = component.root_directory_element(root)) == 0)
    status = root.oid(crde);
  return status;
}

// Appends the differences `diff` lists for activities that still exist.
int read_differences(vob_diffchkpnt_h diff, const SUM_Vob& pvob, const SUM_Oid& vob_family,
                     const SUM_Oid& crde, BaselineDiffList& out) {
  vob_diffchkpnt_entry_t entry;
  int status = 0;
  while ((status = vob_diffchkpnt_next_diff(diff, &entry)) == 0) {
    SUM_Activity activity(pvob, entry.activity);
    int exists = 0;
    if ((status = activity.exists(exists)) != 0)
      return status;
    if (!exists)
      continue;
    BaselineDiff found(activity, entry.kind, entry.first_count, entry.second_count);
    found.add_comp_diff(BlCompDiff(vob_family, crde, entry.first_count, entry.second_count));
    out.append(found);
  }
  return status == SUM_NOT_FOUND ? SUM_OK : status;
}

// An object of a VOB: its VOB and dbid.
using ElementKey = std::pair<vob_vob_h, tbs_dbid_t>;

ElementKey element_key(const LatestVersion& latest) {
  return {latest.version().vob().handle(), latest.element()};
}

// Enters `candidate` into `list` (indexed by `where`): a new element is
// appended; a later version on the same branch replaces the entry.
void keep_latest(const LatestVersion& candidate, LatestVersionList& list,
                 std::map<ElementKey, unsigned>& where) {
  auto found = where.find(element_key(candidate));
  if (found == where.end()) {
    where.emplace(element_key(candidate), list.count());
    list.append(candidate);
    return;
  }
  LatestVersion& kept = list[found->second];
  if (kept.branch() == candidate.branch() && candidate.is_later_than(kept))
    kept = candidate;
}

}  // namespace

// ---- LatestVersion --------------------------------------------------------------------

int LatestVersion::init(const SUM_Version& version) {
  SUM_Trace trace("LatestVersion::init");
  vob_ver_details_t details;
  int status = version.details(details);
  if (status != 0)
    return trace.checked(__LINE__, status);
  version_ = version;
  element_ = details.element;
  branch_ = details.branch;
  number_ = details.number;
  return SUM_OK;
}

int LatestVersion::is_later_than(const LatestVersion& other) const {
  SUM_Trace trace("LatestVersion::is_later_than");
  if (element_ != other.element_ || branch_ != other.branch_ ||
      version_.vob() != other.version_.vob()) {
    sum_int_error(kSource, trace.name(), __LINE__);
    return 0;
  }
  return number_ > other.number_ ? 1 : 0;
}

// ---- comparison -----------------------------------------------------------------------

int BaselineDiff::compare(const SUM_BaselineVR& first, const SUM_BaselineVR& second,
                          BaselineDiffList& out) {
  SUM_Trace trace("BaselineDiff::compare");
  return trace.checked(__LINE__, compare(first, second, CONTENT, out));
}

int BaselineDiff::compare(const SUM_BaselineVR& first, const SUM_BaselineVR& second, Scope scope,
                          BaselineDiffList& out) {
  SUM_Trace trace("BaselineDiff::compare");
  if ((!first.is_virtual() && first.real().is_null()) ||
      (!second.is_virtual() && second.real().is_null()))
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_CacheControl cache_scope;
  out.clear();
  SUM_Component component, other;
  int status = first.component(component);
  if (status == 0)
    status = second.component(other);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (component != other) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::CannotCompareBaselinesDifferent);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  vob_diffchkpnt_side_t first_side, second_side;
  if ((status = to_side(first, component, scope, first_side)) != 0 ||
      (status = to_side(second, component, scope, second_side)) != 0)
    return trace.checked(__LINE__, status);
  vob_diffchkpnt_h diff = nullptr;
  if ((status = vob_diffchkpnt_diff(component.vob().handle(), first_side, second_side, &diff)) != 0)
    return trace.checked(__LINE__, status);
  int incomplete = 0;
  long first_root = -1, second_root = -1;
  vob_diffchkpnt_is_incomplete(diff, &incomplete);
  vob_diffchkpnt_timeline_indices(diff, &first_root, &second_root);
  if (incomplete)
    imsg_print(IMSG_ERROR, sum_baseline_msg::UnableGetCompleteBaseline);
  if (first_root != second_root) {
    vob_diffchkpnt_termdiff(diff);
    print_different_roots(first, second);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  SUM_Oid vob_family, crde;
  status = component_identities(component, vob_family, crde);
  if (status == 0)
    status = read_differences(diff, component.vob(), vob_family, crde, out);
  vob_diffchkpnt_termdiff(diff);
  return trace.checked(__LINE__, status);
}

int BaselineDiff::compare(const SUM_BaselineVR& first, const SUM_Stream& second,
                          BaselineDiffList& out) {
  SUM_Trace trace("BaselineDiff::compare");
  SUM_Component component;
  SUM_BaselineVR current;
  int status = first.component(component);
  if (status == 0)
    status = stream_to_comp_vrbl(second, component, current);
  if (status == 0)
    status = compare(first, current, out);
  return trace.checked(__LINE__, status);
}

int BaselineDiff::compare(const SUM_Stream& first, const SUM_BaselineVR& second,
                          BaselineDiffList& out) {
  SUM_Trace trace("BaselineDiff::compare");
  SUM_Component component;
  SUM_BaselineVR current;
  int status = second.component(component);
  if (status == 0)
    status = stream_to_comp_vrbl(first, component, current);
  if (status == 0)
    status = compare(current, second, out);
  return trace.checked(__LINE__, status);
}

int BaselineDiff::compare(const SUM_BaselineVRList& first, const SUM_BaselineVRList& second,
                          SUM_ProgressCB* progress, int& interrupted, BaselineDiffList& out) {
  SUM_Trace trace("BaselineDiff::compare");
  SUM_CacheControl cache_scope;
  interrupted = 0;
  out.clear();
  SUM_ComponentList second_components;
  for (unsigned i = 0; i < second.count(); ++i) {
    SUM_Component component;
    if (int status = second[i].component(component))
      return trace.checked(__LINE__, status);
    second_components.append(component);
  }
  const int total = static_cast<int>(first.count());
  for (unsigned i = 0; i < first.count(); ++i) {
    if (progress != nullptr && progress->f != nullptr &&
        progress->invoke(SUM_ProgressCB::COMPARE_BASELINE, static_cast<int>(i) + 1, total)) {
      interrupted = 1;
      return trace.checked(__LINE__, SUM_FAILED);
    }
    SUM_Component component;
    int status = first[i].component(component);
    if (status != 0)
      return trace.checked(__LINE__, status);
    int at = second_components.find(component);
    if (at < 0)
      continue;
    BaselineDiffList one;
    if ((status = compare(first[i], second[static_cast<unsigned>(at)], one)) != 0 ||
        (status = merge_lists(one, out)) != 0)
      return trace.checked(__LINE__, status);
  }
  return SUM_OK;
}

int BaselineDiff::compare(const SUM_BaselineVRList& first, const SUM_Stream& second,
                          SUM_ProgressCB* progress, int& interrupted, BaselineDiffList& out) {
  SUM_Trace trace("BaselineDiff::compare");
  SUM_BaselineVRList current;
  int status = stream_to_vrbls(second, progress, interrupted, current);
  if (status == 0)
    status = compare(first, current, progress, interrupted, out);
  return trace.checked(__LINE__, status);
}

int BaselineDiff::compare(const SUM_Stream& first, const SUM_BaselineVRList& second,
                          SUM_ProgressCB* progress, int& interrupted, BaselineDiffList& out) {
  SUM_Trace trace("BaselineDiff::compare");
  SUM_BaselineVRList current;
  int status = stream_to_vrbls(first, progress, interrupted, current);
  if (status == 0)
    status = compare(current, second, progress, interrupted, out);
  return trace.checked(__LINE__, status);
}

int BaselineDiff::compare(const SUM_Stream& first, const SUM_Stream& second,
                          SUM_ProgressCB* progress, int& interrupted, BaselineDiffList& out) {
  SUM_Trace trace("BaselineDiff::compare");
  SUM_BaselineVRList first_list, second_list;
  int status = stream_to_vrbls(first, progress, interrupted, first_list);
  if (status == 0)
    status = stream_to_vrbls(second, progress, interrupted, second_list);
  if (status == 0)
    status = compare(first_list, second_list, progress, interrupted, out);
  return trace.checked(__LINE__, status);
}

int BaselineDiff::stream_to_comp_vrbl(const SUM_Stream& stream, const SUM_Component& component,
                                      SUM_BaselineVR& out) {
  SUM_Trace trace("BaselineDiff::stream_to_comp_vrbl");
  SUM_VirtualConfig config;
  SUM_VirtualBaseline current;
  int interrupted = 0;
  int status = SUM_VirtualConfig::construct(stream, nullptr, config, interrupted);
  if (status == 0)
    status = config.virtual_baseline(component, current);
  if (status == 0)
    out = SUM_BaselineVR(current);
  return trace.checked(__LINE__, status);
}

int BaselineDiff::stream_to_vrbls(const SUM_Stream& stream, SUM_ProgressCB* progress,
                                  int& interrupted, SUM_BaselineVRList& out) {
  SUM_Trace trace("BaselineDiff::stream_to_vrbls");
  SUM_VirtualConfig config;
  SUM_VirtualBaselineList all;
  int status = SUM_VirtualConfig::construct(stream, progress, config, interrupted);
  if (status == 0)
    status = config.virtual_baselines(all);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out.clear();
  for (unsigned i = 0; i < all.count(); ++i)
    out.append(SUM_BaselineVR(all[i]));
  return SUM_OK;
}

// ---- results --------------------------------------------------------------------------

int BaselineDiff::versions(SUM_VersionList& out) const {
  SUM_Trace trace("BaselineDiff::versions");
  for (unsigned i = 0; i < comp_diffs_.count(); ++i) {
    const BlCompDiff& record = comp_diffs_[i];
    if (record.crde() == SUM_Oid())
      continue;  // a rootless component holds no versions
    unsigned a = record.first_count() == kNoCount ? 0 : record.first_count();
    unsigned b = record.second_count() == kNoCount ? 0 : record.second_count();
    SUM_VersionList found;
    int status = activity_.change_set_in_range(std::min(a, b), std::max(a, b), record.vob_family(),
                                               record.crde(), found);
    if (status != 0)
      return trace.checked(__LINE__, status);
    for (unsigned v = 0; v < found.count(); ++v)
      out.append(found[v]);
  }
  return SUM_OK;
}

int BaselineDiff::comps(SUM_ComponentList& out) const {
  SUM_Trace trace("BaselineDiff::comps");
  for (unsigned i = 0; i < comp_diffs_.count(); ++i) {
    const BlCompDiff& record = comp_diffs_[i];
    SUM_Vob vob;
    tbs_dbid_t root = 0;
    if (record.crde() == SUM_Oid() ||
        SUM_Vob::construct_from_oid(record.vob_family(), SUM_Vob::VOB_OID, vob) != 0 ||
        vob_obj_oid_to_dbid(vob.handle(), &record.crde().oid(), &root) != 0)
      continue;
    SUM_Component component;
    if (SUM_Component::construct_from_crde(activity_.vob(), SUM_VobObject(vob, root), component,
                                           1) == 0 &&
        out.find(component) < 0)
      out.append(component);
  }
  return SUM_OK;
}

int BaselineDiff::derive_latest_versions(const SUM_VersionList& versions, LatestVersionList& out) {
  SUM_Trace trace("BaselineDiff::derive_latest_versions");
  SUM_ReadScope one_snapshot;
  LatestVersionList kept;
  std::map<ElementKey, unsigned> where;
  for (unsigned i = 0; i < versions.count(); ++i) {
    LatestVersion latest;
    if (int status = latest.init(versions[i]))
      return trace.checked(__LINE__, status);
    keep_latest(latest, kept, where);
  }
  out = kept;
  return SUM_OK;
}

int BaselineDiff::diffs_to_vers(const BaselineDiffList& diffs, SUM_VersionList& out) {
  SUM_Trace trace("BaselineDiff::diffs_to_vers");
  SUM_ReadScope one_snapshot;
  LatestVersionList all;
  std::map<ElementKey, unsigned> where;
  for (unsigned i = 0; i < diffs.count(); ++i) {
    SUM_VersionList versions;
    LatestVersionList latest;
    int status = diffs[i].versions(versions);
    if (status == 0)
      status = derive_latest_versions(versions, latest);
    if (status != 0)
      return trace.checked(__LINE__, status);
    for (unsigned v = 0; v < latest.count(); ++v)
      keep_latest(latest[v], all, where);
  }
  out.clear();
  for (unsigned i = 0; i < all.count(); ++i)
    out.append(all[i].version());
  return SUM_OK;
}

int BaselineDiff::diffs_to_elems(const BaselineDiffList& diffs, SUM_ElementList& out) {
  SUM_Trace trace("BaselineDiff::diffs_to_elems");
  SUM_VersionList latest;
  int status = diffs_to_vers(diffs, latest);
  if (status == 0)
    status = SUM_Version::elements(latest, out);
  return trace.checked(__LINE__, status);
}

int BaselineDiff::diffs_to_vers_in_stream(const BaselineDiffList& diffs, const SUM_Stream& stream,
                                          SUM_HashTab<SUM_Element, SUM_Version>& table) {
  SUM_Trace trace("BaselineDiff::diffs_to_vers_in_stream");
  SUM_ReadScope one_snapshot;
  std::map<std::pair<vob_vob_h, tbs_dbid_t>, SUM_Stream> stream_of_brtype;
  for (unsigned d = 0; d < diffs.count(); ++d) {
    SUM_VersionList versions;
    int status = diffs[d].versions(versions);
    if (status != 0)
      return trace.checked(__LINE__, status);
    for (unsigned v = 0; v < versions.count(); ++v) {
      LatestVersion latest;
      vob_ver_details_t details;
      if ((status = versions[v].details(details)) != 0 || (status = latest.init(versions[v])) != 0)
        return trace.checked(__LINE__, status);
      SUM_String shown;
      versions[v].display_name(shown);
      if (details.checked_out) {
        imsg_print(IMSG_ERROR, sum_baseline_msg::VersionCheckedOut, shown);
        return trace.checked(__LINE__, SUM_FAILED);
      }
      auto key = std::make_pair(versions[v].vob().handle(), details.brtype);
      auto cached = stream_of_brtype.find(key);
      if (cached == stream_of_brtype.end()) {
        SUM_Stream made_in;
        if (versions[v].stream(made_in) != 0) {
          SUM_BranchType brtype(versions[v].vob(), details.brtype);
          imsg_print(IMSG_ERROR, sum_baseline_msg::CannotObtainStreamBranch, brtype.any_fullname(),
                     shown);
          return trace.checked(__LINE__, SUM_FAILED);
        }
        cached = stream_of_brtype.emplace(key, made_in).first;
      }
      if (cached->second != stream)
        continue;
      SUM_Element element(versions[v].vob(), details.element);
      const SUM_Version* kept = table.lookup(element);
      LatestVersion previous;
      if (kept == nullptr || (previous.init(*kept) == 0 && previous.branch() == latest.branch() &&
                              latest.is_later_than(previous)))
        table.enter(element, versions[v]);
    }
  }
  return SUM_OK;
}

int BaselineDiff::merge_lists(const BaselineDiffList& list, BaselineDiffList& into) {
  SUM_Trace trace("BaselineDiff::merge_lists");
  std::map<ElementKey, unsigned> where;  // activity (VOB, dbid) -> entry
  auto key = [](const BaselineDiff& diff) {
    return ElementKey(diff.activity().vob().handle(), diff.activity().dbid());
  };
  for (unsigned i = 0; i < into.count(); ++i)
    where.emplace(key(into[i]), i);
  for (unsigned i = 0; i < list.count(); ++i) {
    auto found = where.find(key(list[i]));
    if (found == where.end()) {
      where.emplace(key(list[i]), into.count());
      into.append(list[i]);
      continue;
    }
    const BlCompDiffList& records = list[i].comp_diffs();
    for (unsigned r = 0; r < records.count(); ++r)
      into[found->second].add_comp_diff(records[r]);
  }
  return SUM_OK;
}

// ---- SUM_Baseline ---------------------------------------------------------------------

int SUM_Baseline::activities_since_pred_bl(SUM_ActivityList& out) const {
  SUM_Trace trace("SUM_Baseline::activities_since_pred_bl");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Baseline predecessor;
  int status = nearest_predecessor(predecessor);
  if (status == SUM_NOT_FOUND)
    return trace.checked(__LINE__, change_sets(out));
  BaselineDiffList diffs;
  if (status == 0)
    status = BaselineDiff::compare(SUM_BaselineVR(predecessor), SUM_BaselineVR(*this), diffs);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_ActivityList found;
  for (unsigned i = 0; i < diffs.count(); ++i) {
    const BaselineDiff& diff = diffs[i];
    if (!diff.moved_on())
      continue;
    SUM_Activity counted(diff.activity());
    counted.set_mod_count(diff.second_count());
    found.append(counted);
  }
  out = found;
  return SUM_OK;
}
