// SUM_Rebase: what a rebase merges into its view, and the check-in and undo
// of those merges. The versions to merge are, for every component moving to
// a new baseline, the new baseline's version of each element the stream
// modified whose version the new baseline changed. Each is merged into the
// view through the merge service, checked out in the integration activity
// (the view's current activity by then); a merge that leaves conflicts
// keeps its checkout, holding conflict markers, until the user resolves it.
//
// Every step is safe to repeat: a merge already recorded (its merge arrow)
// is not needed again, one left with conflicts is held by the merge service
// until it is recorded (never merged over), a checkout the view already
// holds is used as it is, and check-in takes what is still checked out in
// the activity.
#include <string>
#include <vector>

#include "services/cmd_findmerge.h"
#include "services/imsg.h"
#include "sum/sum_baseline.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_rebase.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_version.h"

namespace {

constexpr const char* kSource = "sum_rebase_merge";

}  // namespace

int SUM_Rebase::versions_to_merge(SUM_VersionList& out, int& count) const {
  SUM_Trace trace("SUM_Rebase::versions_to_merge");
  if (config_ == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_VersionList directories, files;
  for (const auto& change : config_->changes()) {
    if (change->kind() == SUM_FoundationChange::NONE || change->current_baseline().is_null() ||
        change->new_baseline().is_null())
      continue;
    SUM_ComponentList candidates, modified;
    candidates.append(change->component());
    SUM_VobObjectList elements;
    if (op_stream().modified_comps_and_elems(candidates, modified, elements) != 0) {
      imsg_print(IMSG_ERROR, sum_rebase_msg::UnableGetModifiedElements);
      return trace.checked(__LINE__, SUM_FAILED);
    }
    for (unsigned i = 0; i < elements.count(); ++i) {
      SUM_Element element(elements[i].vob(), elements[i].dbid());
      SUM_Version before, after;
      int before_status = change->current_baseline().selected_version(element, before);
      int after_status = change->new_baseline().selected_version(element, after);
      if ((before_status != 0 && before_status != SUM_NOT_FOUND) ||
          (after_status != 0 && after_status != SUM_NOT_FOUND)) {
        imsg_print(IMSG_ERROR, sum_rebase_msg::UnableGetVersionElement,
                   std::string(element_label(element)),
                   std::string(change->new_baseline().any_name()));
        return trace.checked(__LINE__, SUM_FAILED);
      }
      if (after_status == SUM_NOT_FOUND) {
        if (before_status == 0)
          imsg_print(IMSG_WARNING, sum_rebase_msg::SkippingElementBecauseNot,
                     std::string(element_label(element)),
                     std::string(change->new_baseline().any_name()));
        continue;
      }
      if (before_status == 0 && before == after)
        continue;
      vob_mtype_t mtype = VOB_MTYPE_NONE;
      if (element.metatype(mtype) != 0)
        return trace.checked(__LINE__, SUM_FAILED);
      // Directories first: what they gain is visible when files merge.
      (mtype == VOB_MTYPE_DIRECTORY_ELEMENT ? directories : files).append(after);
    }
  }
  for (unsigned i = 0; i < files.count(); ++i)
    directories.append(files[i]);
  out = directories;
  count = static_cast<int>(out.count());
  return SUM_OK;
}

int SUM_Rebase::merge_versions() {
  SUM_Trace trace("SUM_Rebase::merge_versions");
  SUM_VersionList versions;
  int count = 0;
  if (versions_to_merge(versions, count) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableDetermineVersionsMerge,
               std::string(op_stream().any_name()));
    return trace.checked(__LINE__, record_status(ST_MERGE_ERROR));
  }
  view_server_h view = nullptr;
  if (op_target_view().handle(view) != 0)
    return trace.checked(__LINE__, record_status(ST_VIEW_NOT_RECREATED));
  int files = 0, dirs = 0, deferred = 0, failed = 0;
  conflicted_.clear();
  for (unsigned i = 0; i < versions.count(); ++i) {
    cmd_findmerge_result_t result;
    int status = cmd_findmerge_zem_merge(view, versions[i].vob().handle(), versions[i].dbid(),
                                         nullptr, 0, &result);
    if (status != 0) {
      imsg_print(IMSG_ERROR, sum_integration_msg::UnableMerge,
                 result.path.empty() ? std::string(versions[i].any_name()) : result.path);
      ++failed;
      continue;
    }
    if (result.need == CMD_MERGE_NOT_NEEDED)
      continue;
    if (result.need != CMD_MERGE_PENDING)
      ++new_merges_;
    vob_mtype_t mtype = VOB_MTYPE_NONE;
    versions[i].metatype(mtype);
    ++(mtype == VOB_MTYPE_DIRECTORY_VERSION ? dirs : files);
    // A merge an earlier pass left with conflicts is held by the merge
    // service (never merged over): it counts as merged, and as conflicted
    // while its file still holds conflict regions.
    if (result.conflicts > 0) {
      ++deferred;
      conflicted_.push_back(result.path);
    }
  }
  set_files_merged(files);
  set_dirs_merged(dirs);
  set_deferred_merge_files(deferred);
  if (failed > 0)
    return trace.checked(__LINE__, record_status(ST_FILE_MERGE_ERROR));
  if (files + dirs == 0)
    return trace.checked(__LINE__, record_status(ST_NOTHING_TO_MERGE));
  return set_status_ok();
}

int SUM_Rebase::integration_checkouts(std::vector<view_ckout_t>& out) const {
  SUM_Trace trace("SUM_Rebase::integration_checkouts");
  out.clear();
  if (op_integration_activity().is_null() || op_target_view().is_null())
    return SUM_OK;
  SUM_VersionList change_set;
  int unavailable = 0;
  if (op_integration_activity().change_set(change_set, unavailable) != 0) {
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableReadChangeSet,
               std::string(op_integration_activity().any_name()));
    return trace.checked(__LINE__, SUM_FAILED);
  }
  for (unsigned i = 0; i < change_set.count(); ++i) {
    int checked_out = 0;
    if (change_set[i].is_checked_out(checked_out) != 0)
      return trace.checked(__LINE__, SUM_FAILED);
    if (!checked_out)
      continue;
    SUM_Element element;
    view_ckout_t checkout;
    if (change_set[i].element(element) != 0 ||
        op_target_view().element_path(element.vob(), element.dbid(), checkout.path) != 0)
      return trace.checked(__LINE__, SUM_FAILED);
    checkout.vob = change_set[i].vob().handle();
    checkout.version = change_set[i].dbid();
    out.push_back(checkout);
  }
  return SUM_OK;
}

int SUM_Rebase::checkin_merges() {
  SUM_Trace trace("SUM_Rebase::checkin_merges");
  std::vector<view_ckout_t> checkouts;
  if (integration_checkouts(checkouts) != 0)
    return trace.checked(__LINE__, record_status(ST_CANNOT_CHECKIN));
  if (checkouts.empty())
    return SUM_OK;
  SUM_VersionList versions;
  int count = 0;
  if (versions_to_merge(versions, count) != 0)
    return trace.checked(__LINE__, record_status(ST_CANNOT_CHECKIN));
  view_server_h view = nullptr;
  if (op_target_view().handle(view) != 0)
    return trace.checked(__LINE__, record_status(ST_VIEW_NOT_RECREATED));
  // A merge that left conflicts records its merge arrow once the user has
  // resolved them; one still holding a conflict region stops the check-in.
  int unresolved = 0;
  std::vector<std::string> paths;
  for (const view_ckout_t& checkout : checkouts) {
    SUM_Element checked_out;
    if (SUM_Version(SUM_Vob(checkout.vob), checkout.version).element(checked_out) != 0)
      return trace.checked(__LINE__, record_status(ST_CANNOT_CHECKIN));
    for (unsigned i = 0; i < versions.count(); ++i) {
      SUM_Element merged;
      if (versions[i].element(merged) != 0 || !(merged == checked_out))
        continue;
      if (cmd_findmerge_complete(view, checkout.vob, versions[i].dbid(), checkout.version) != 0)
        ++unresolved;
      break;
    }
    paths.push_back(checkout.path);
  }
  if (unresolved > 0)
    return trace.checked(__LINE__, record_status(ST_CANNOT_CHECKIN));
  std::vector<view_path_result_t> results;
  if (op_target_view().checkin_paths(paths, nullptr, results) != 0)
    return trace.checked(__LINE__, record_status(ST_CANNOT_CHECKIN));
  return SUM_OK;
}

int SUM_Rebase::undo_merges() {
  SUM_Trace trace("SUM_Rebase::undo_merges");
  std::vector<view_ckout_t> checkouts;
  if (integration_checkouts(checkouts) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableUndoMerge);
    return trace.checked(__LINE__, record_status(ST_CANNOT_UNCHECKOUT));
  }
  std::vector<std::string> paths;
  for (const view_ckout_t& checkout : checkouts)
    paths.push_back(checkout.path);
  std::vector<view_path_result_t> results;
  if (!paths.empty() && op_target_view().uncheckout_paths(paths, 0, results) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableUndoMerge);
    return trace.checked(__LINE__, record_status(ST_CANNOT_UNCHECKOUT));
  }
  return SUM_OK;
}
