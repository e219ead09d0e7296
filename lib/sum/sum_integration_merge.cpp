// SUM_Integration: bringing the versions to merge into the target view
// (directories in passes, then files, one by one or in one batch), checking
// the merges in, and undoing them on cancel. The merging itself is the
// merge service's (cmd_findmerge_*); this file fixes the order of calls and
// what their results mean for the operation.
//
// Every step is safe to repeat after a crash: a merge already recorded (its
// merge arrow) is not needed again, one left with conflicts is held by the
// merge service until it is recorded (never merged over), a checkout the
// view already holds is used as it is, and check-in takes what is still
// checked out in the integration activity.
#include <strings.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "services/imsg.h"
#include "services/tbs.h"
#include "services/vob_elem.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_context_merge.h"
#include "sum/sum_integration.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_utl_versions.h"
#include "sum/sum_version.h"

namespace {

constexpr const char* kSource = "sum_integration_merge";
// Directories merged between two checks that the record is still ours.
constexpr size_t kRecordCheckEvery = 100;

// File merges go one by one (the merge service's own checkouts) when the
// caller is not the command-line tool or KORVANE_DO_MERGE_OLD is set.
bool merge_files_in_batch(int cli_called) {
  const char* old = std::getenv("KORVANE_DO_MERGE_OLD");
  return cli_called && (old == nullptr || *old == '\0');
}

SUM_Element element_of(const fcset_key_t& key) {
  return SUM_Element(SUM_Vob(key.vob), key.element);
}

bool is_directory(const fcset_key_t& key) {
  return key.mtype == VOB_MTYPE_DIRECTORY_ELEMENT;
}

}  // namespace

// What the merge found beyond the five counters of the operation.
struct SUM_Integration::MergeTally {
  // The view's pending merges (left for the user by an earlier run), by
  // element: asked once, so that a merge already made is reported as it
  // stands rather than attempted again.
  std::vector<cmd_findmerge_pending_t> pending;
  int files_invisible = 0;
  int files_not_checked_out = 0;
  int files_elsewhere = 0;
  int file_merge_errors = 0;
  int file_merge_failed = 0;  // the batch as a whole
};

// A file of the batch that needs a merge.
struct SUM_Integration::MergeItem {
  fcset_key_t key;
  cmd_findmerge_plan_t plan;  // decided once, made after the batch's checkouts
  int checked_out = 0;        // the view holds its checkout already
  int never_merge = 0;        // of a type never merged automatically
};

SUM_String SUM_Integration::element_label(const SUM_Element& element) const {
  SUM_View shown_in = op_target_view();
  SUM_UuidList views;
  if (shown_in.is_null() && op_stream().views(views) == 0 && views.count() > 0)
    SUM_View::construct_from_uuid(views[0], shown_in);
  std::string path;
  if (!shown_in.is_null() && shown_in.element_path(element.vob(), element.dbid(), path) == 0)
    return SUM_String(path.c_str());
  return SUM_String(element.any_fullname());
}

// ---- the whole merge ----------------------------------------------------------------------

int SUM_Integration::do_merge(SUM_ElementCB& element_cb, SUM_SortedVersionListCB& sorted_cb) {
  SUM_Trace trace("SUM_Integration::do_merge");
  failed_dirs_ = deferred_merge_dirs_ = deferred_merge_files_ = files_merged_ = dirs_merged_ = 0;
  files_copied_ = 0;
  conflicted_.clear();
  int status = check_integration_activity();
  if (status != 0)
    return trace.checked(__LINE__, status);
  std::vector<fcset_key_t> dirs, files;
  if ((status = sort_versions_to_merge(dirs, files, sorted_cb)) != 0)
    return trace.checked(__LINE__, status);
  if (dirs.empty() && files.empty()) {
    imsg_print(IMSG_NOTICE, sum_integration_msg::NoVersionsRequireMerging, op_stream().any_name());
    return trace.checked(__LINE__, record_status(ST_NOTHING_TO_MERGE));
  }
  view_server_h view = nullptr;
  if (op_target_view().handle(view) != 0)
    return trace.checked(__LINE__, record_status(ST_VIEW_NOT_RECREATED));
  MergeTally tally;
  if (cmd_findmerge_list_pending(view, tally.pending) != 0)
    return trace.checked(__LINE__, record_status(ST_MERGE_ERROR));
  if ((status = merge_directories(view, dirs, element_cb, tally)) != 0)
    return trace.checked(__LINE__, status);
  if (!files.empty()) {
    status = merge_files_in_batch(cli_called())
                 ? do_merge_files(view, files, element_cb, tally)
                 : merge_files_one_by_one(view, files, element_cb, tally);
    if (status != 0)
      return trace.checked(__LINE__, status);
  }
  return trace.checked(__LINE__, merge_outcome(tally));
}

int SUM_Integration::sort_versions_to_merge(std::vector<fcset_key_t>& dirs,
                                            std::vector<fcset_key_t>& files,
                                            SUM_SortedVersionListCB& sorted_cb) {
  SUM_Trace trace("SUM_Integration::sort_versions_to_merge");
  SUM_VersionList versions;
  int count = 0;
  if (versions_to_merge(versions, count) != 0) {
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableDetermineVersionsMerge);
    return trace.checked(__LINE__, record_status(ST_MERGE_ERROR));
  }
  int unreadable = 0;
  sum_utl_sort_versions_by_mtype(versions, files, dirs, unreadable);
  if (unreadable > 0) {
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableSortVersionsMerge);
    return trace.checked(__LINE__, record_status(ST_MERGE_ERROR));
  }
  if (sorted_cb.invoke(dirs.data(), static_cast<unsigned>(dirs.size()), files.data(),
                       static_cast<unsigned>(files.size())) != 0)
    return trace.checked(__LINE__, record_status(ST_INTERRUPTED));
  return SUM_OK;
}

int SUM_Integration::merge_outcome(const MergeTally& tally) {
  SUM_Trace trace("SUM_Integration::merge_outcome");
  trace.info(2, "Directories merged %d, deferred %d, failed %d; files merged %d, deferred %d",
             dirs_merged_, deferred_merge_dirs_, failed_dirs_, files_merged_,
             deferred_merge_files_);
  if (failed_dirs_ > 0)
    return trace.checked(__LINE__, record_status(ST_DIRS_NOT_CHECKED_OUT));
  // Without the skip flag these stop the operation; with it the merge goes
  // on and what could not be merged is left as it is.
  if (!proceed_on_verctl_error()) {
    const int stops[][2] = {{deferred_merge_dirs_, ST_DIRECTORY_MERGE_ERROR},
                            {tally.files_not_checked_out, ST_FILES_NOT_CHECKED_OUT},
                            {tally.files_invisible, ST_FILES_INVISIBLE},
                            {tally.files_elsewhere, ST_FILES_CHECKED_OUT_ELSEWHERE},
                            {tally.file_merge_errors, ST_FILES_MERGE_ERROR}};
    for (const auto& stop : stops)
      if (stop[0] > 0)
        return trace.checked(__LINE__, record_status(stop[1]));
  }
  if (tally.file_merge_failed)
    return trace.checked(__LINE__, record_status(ST_FILE_MERGE_ERROR));
  return set_status_ok();
}

// ---- context merge -----------------------------------------------------------------------

int SUM_Integration::augment_context_merge(SUM_ContextMerge&) const {
  return SUM_OK;
}

int SUM_Integration::do_context_merge() {
  SUM_Trace trace("SUM_Integration::do_context_merge");
  const char* wanted = std::getenv("KORVA_WILL_CONTEXT_MERGE");
  if (wanted == nullptr || strcasecmp(wanted, "1") != 0)
    return SUM_OK;
  SUM_ContextMerge merge(operation_name_lc());
  SUM_VersionList change_set;
  int unavailable = 0;
  if (op_integration_activity().is_null())
    return SUM_OK;
  if (op_integration_activity().change_set(change_set, unavailable) != 0 || unavailable) {
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableReadChangeSet,
               op_integration_activity().any_name());
    return trace.checked(__LINE__, record_status(ST_CONTEXT_MERGE_ERROR));
  }
  if (merge.enter_versions(change_set) != 0 || augment_context_merge(merge) != 0 ||
      merge.invoke(op_target_view()) != 0)
    return trace.checked(__LINE__, record_status(ST_CONTEXT_MERGE_ERROR));
  return SUM_OK;
}

// ---- one element ----

// The pending merge of `key`'s version into the view, when an earlier run
// made it: its result as the merge service reports one.
bool SUM_Integration::held_for_user(const fcset_key_t& key, const MergeTally& tally,
                                    cmd_findmerge_result_t& result) const {
  for (const cmd_findmerge_pending_t& pending : tally.pending) {
    if (pending.vob != key.vob || pending.element != key.element || pending.from != key.version)
      continue;
    result.need = CMD_MERGE_PENDING;
    result.checkout = pending.checkout;
    result.conflicts = pending.conflicts;
    result.path = pending.path;
    return true;
  }
  return false;
}

int SUM_Integration::check_mergetype(const SUM_Element& element, int& never) {
  SUM_Trace trace("SUM_Integration::check_mergetype");
  return trace.checked(__LINE__, cmd_findmerge_report_never_mergetype(element.vob().handle(),
                                                                      element.dbid(), 0, &never));
}

int SUM_Integration::verify_checkout_to_intact(const SUM_Element& element,
                                               const SUM_Version& checkout, int& ok) {
  SUM_Trace trace("SUM_Integration::verify_checkout_to_intact");
  ok = 0;
  SUM_Activity holder;
  int status = checkout.activity(holder);
  if (status == SUM_NOT_FOUND) {
    imsg_print(IMSG_ERROR, sum_integration_msg::ElementCheckedOutTarget, element_label(element));
    return SUM_OK;
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!(holder == op_integration_activity())) {
    imsg_print(IMSG_ERROR, sum_integration_msg::ElementCheckoutConflictChecked,
               element_label(element));
    return SUM_OK;
  }
  ok = 1;
  return SUM_OK;
}

int SUM_Integration::check_out_for_merge(view_server_h view, const fcset_key_t& key,
                                         MergeTally& tally) {
  SUM_Trace trace("SUM_Integration::check_out_for_merge");
  const bool dir = is_directory(key);
  trace.info(2, dir ? "Checking out directory" : "Checking out file");
  SUM_Element element = element_of(key);
  tbs_dbid_t checkout = 0;
  if (cmd_findmerge_do_checkout_with_pop(view, key.vob, key.element, nullptr, &checkout) != 0) {
    trace.info(2, dir ? "Checking out directory failed" : "Checking out file failed");
    if (dir) {
      imsg_print(IMSG_ERROR, sum_integration_msg::UnableCheckoutDirectoryElement,
                 element_label(element));
      ++failed_dirs_;
    } else {
      imsg_print(IMSG_ERROR, sum_integration_msg::UnableCheckOut, element_label(element));
      ++tally.files_not_checked_out;
    }
    return SUM_FAILED;
  }
  // A checkout the view held already must be the integration activity's.
  int ok = 0;
  int status = verify_checkout_to_intact(element, SUM_Version(SUM_Vob(key.vob), checkout), ok);
  if (status != 0 || !ok) {
    ++(dir ? failed_dirs_ : tally.files_elsewhere);
    return SUM_FAILED;
  }
  return SUM_OK;
}

void SUM_Integration::count_merge(const fcset_key_t& key, int status,
                                  const cmd_findmerge_result_t& result, MergeTally& tally) {
  SUM_Trace trace("SUM_Integration::count_merge");
  const bool dir = is_directory(key);
  if (status != 0) {
    if (dir) {
      trace.info(2, "Merging directory failed fmu_status %d", status);
      ++deferred_merge_dirs_;
    } else {
      imsg_print(IMSG_ERROR, sum_integration_msg::UnableMerge,
                 result.path.empty() ? std::string(element_label(element_of(key))) : result.path);
      ++tally.file_merge_errors;
    }
    return;
  }
  if (result.need == CMD_MERGE_NOT_NEEDED)
    return;
  // A merge an earlier run left for the user is held by the merge service
  // (never merged over): not merged again, and deferred while it still
  // holds conflicts.
  if (result.need != CMD_MERGE_PENDING) {
    ++new_merges_;
    ++(dir ? dirs_merged_ : files_merged_);
    if (!dir && result.need == CMD_MERGE_TRIVIAL)
      ++files_copied_;
  }
  if (result.conflicts > 0) {
    if (!dir)
      ++deferred_merge_files_;
    conflicted_.push_back(result.path);
  }
}

int SUM_Integration::merge_element(view_server_h view, const fcset_key_t& key, MergeTally& tally) {
  SUM_Trace trace("SUM_Integration::merge_element");
  const bool dir = is_directory(key);
  trace.info(2,
             dir ? "Checking if directory requires merging" : "Checking if file requires merging");
  int need = CMD_MERGE_NOT_NEEDED;
  int status = cmd_findmerge_zem_needs_co_merge(view, key.vob, key.version, &need);
  if (status == TBS_ST_NOT_FOUND)
    return SUM_NOT_FOUND;  // its directory is not merged yet
  cmd_findmerge_result_t result;
  if (status != 0) {
    count_merge(key, status, result, tally);
    return SUM_OK;
  }
  if (need == CMD_MERGE_NOT_NEEDED)
    return SUM_OK;
  if (version_control() && check_out_for_merge(view, key, tally) != 0)
    return SUM_OK;
  trace.info(2, dir ? "Merging directory" : "Merging file");
  status = cmd_findmerge_zem_merge(view, key.vob, key.version, nullptr, 0, &result);
  count_merge(key, status, result, tally);
  return SUM_OK;
}

// ---- directories --------------------------------------------------------------------------

int SUM_Integration::merge_directories(view_server_h view, const std::vector<fcset_key_t>& dirs,
                                       SUM_ElementCB& element_cb, MergeTally& tally) {
  SUM_Trace trace("SUM_Integration::merge_directories");
  std::vector<char> invisible(dirs.size(), 1);
  int skipped_before = INT_MAX;
  int skipped = 0;
  for (int pass = 0;; ++pass) {
    trace.info(2, "Merging Directory Pass %d", pass);
    skipped = 0;
    const int failed_before = failed_dirs_ + deferred_merge_dirs_;
    for (size_t i = 0; i < dirs.size(); ++i) {
      if (!invisible[i])
        continue;
      int status = 0;
      if (i % kRecordCheckEvery == 0 && (status = check_operation_pvar()) != 0)
        return trace.checked(__LINE__, status);
      SUM_Element element = element_of(dirs[i]);
      if (element_cb.invoke(&element, static_cast<unsigned>(i + 1),
                            static_cast<unsigned>(dirs.size())) != 0)
        return trace.checked(__LINE__, record_status(ST_INTERRUPTED));
      if (merge_element(view, dirs[i], tally) == SUM_NOT_FOUND) {
        ++skipped;
        continue;
      }
      invisible[i] = 0;
    }
    // What a merged directory gained may hold the directories skipped; a
    // pass that made none of them visible would not either.
    const bool clean = failed_dirs_ + deferred_merge_dirs_ == failed_before;
    if (!version_control() || !clean || skipped == 0 || skipped >= skipped_before)
      break;
    skipped_before = skipped;
  }
  if (skipped > 0)
    imsg_print(IMSG_WARNING, sum_integration_msg::ElementsWereSkippedBecause, skipped);
  return SUM_OK;
}

// ---- files --------------------------------------------------------------------------------

int SUM_Integration::merge_files_one_by_one(view_server_h view,
                                            const std::vector<fcset_key_t>& files,
                                            SUM_ElementCB& element_cb, MergeTally& tally) {
  SUM_Trace trace("SUM_Integration::merge_files_one_by_one");
  for (size_t i = 0; i < files.size(); ++i) {
    SUM_Element element = element_of(files[i]);
    if (element_cb.invoke(&element, static_cast<unsigned>(i + 1),
                          static_cast<unsigned>(files.size())) != 0)
      return trace.checked(__LINE__, record_status(ST_INTERRUPTED));
    if (merge_element(view, files[i], tally) == SUM_NOT_FOUND) {
      imsg_print(IMSG_ERROR, sum_integration_msg::ElementNotVisibleTarget, element.any_fullname());
      ++tally.files_invisible;
    }
  }
  return SUM_OK;
}

int SUM_Integration::do_merge_files(view_server_h view, const std::vector<fcset_key_t>& files,
                                    SUM_ElementCB& element_cb, MergeTally& tally) {
  SUM_Trace trace("SUM_Integration::do_merge_files");
  std::vector<MergeItem> items;
  for (size_t i = 0; i < files.size(); ++i) {
    const fcset_key_t& key = files[i];
    SUM_Element element = element_of(key);
    if (element_cb.invoke(&element, static_cast<unsigned>(i + 1),
                          static_cast<unsigned>(files.size())) != 0)
      return trace.checked(__LINE__, record_status(ST_INTERRUPTED));
    cmd_findmerge_result_t held;
    if (held_for_user(key, tally, held)) {
      count_merge(key, 0, held, tally);
      continue;
    }
    MergeItem item;
    item.key = key;
    int status = cmd_findmerge_zem_plan(view, key.vob, key.version, &item.plan);
    const int need = item.plan.need;
    if (status == TBS_ST_NOT_FOUND) {
      imsg_print(IMSG_ERROR, sum_integration_msg::ElementNotVisibleTarget, element.any_fullname());
      ++tally.files_invisible;
      continue;
    }
    if (status != 0) {
      count_merge(key, status, cmd_findmerge_result_t(), tally);
      continue;
    }
    if (need == CMD_MERGE_NOT_NEEDED)
      continue;
    if (need == CMD_MERGE_THREE_WAY && (status = check_mergetype(element, item.never_merge)) != 0)
      return trace.checked(__LINE__, record_status(ST_FILE_MERGE_ERROR));
    item.checked_out = item.plan.info.checked_out;
    if (item.checked_out) {
      int ok = 0;
      SUM_Version checkout(SUM_Vob(key.vob), item.plan.info.version);
      if ((status = verify_checkout_to_intact(element, checkout, ok)) != 0)
        return trace.checked(__LINE__, record_status(ST_FILE_MERGE_ERROR));
      if (!ok) {
        ++tally.files_elsewhere;
        continue;
      }
    }
    items.push_back(std::move(item));
  }
  if (version_control() && do_versions_checkout(items, tally) != 0)
    return trace.checked(__LINE__, record_status(ST_FILE_MERGE_ERROR));
  int status = 0;
  if (version_control() && (status = verify_checkouts()) != 0)
    return trace.checked(__LINE__, status);
  std::vector<cmd_findmerge_plan_t> plans;
  std::vector<size_t> which;
  for (size_t i = 0; i < items.size(); ++i) {
    if (version_control() && !items[i].checked_out)
      continue;  // its checkout failed
    plans.push_back(std::move(items[i].plan));
    which.push_back(i);
  }
  std::vector<int> statuses;
  std::vector<cmd_findmerge_result_t> results;
  if (cmd_findmerge_zem_merge_planned_many(view, plans, nullptr, statuses, results) != 0 ||
      statuses.size() != plans.size() || results.size() != plans.size())
    return sum_int_error(kSource, trace.name(), __LINE__);
  for (size_t k = 0; k < which.size(); ++k)
    count_merge(items[which[k]].key, statuses[k], results[k], tally);
  for (const MergeItem& item : items) {
    int never = 0;
    if (item.never_merge)
      cmd_findmerge_report_never_mergetype(item.key.vob, item.key.element, 1, &never);
  }
  if (deferred_merge_files_ > 0 && version_control() && (status = verify_checkouts()) != 0)
    return trace.checked(__LINE__, status);
  return SUM_OK;
}

int SUM_Integration::do_versions_checkout(std::vector<MergeItem>& items, MergeTally& tally) {
  SUM_Trace trace("SUM_Integration::do_versions_checkout");
  std::vector<std::string> paths;
  std::vector<size_t> which;
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].checked_out)
      continue;
    paths.push_back(items[i].plan.path);
    which.push_back(i);
  }
  if (paths.empty())
    return SUM_OK;
  std::vector<view_path_result_t> results;
  // Each failing path has printed why; the others are checked out.
  op_target_view().checkout_paths(paths, nullptr, results);
  if (results.size() != paths.size())
    return sum_int_error(kSource, trace.name(), __LINE__);
  for (size_t i = 0; i < results.size(); ++i) {
    if (results[i].status == 0) {
      items[which[i]].checked_out = 1;
      continue;
    }
    trace.info(2, "Checking out file failed");
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableCheckOut, paths[i]);
    ++tally.files_not_checked_out;
  }
  return SUM_OK;
}

// ---- the records of the activity ---------------------------------------------------------

int SUM_Integration::verify_checkouts() {
  SUM_Trace trace("SUM_Integration::verify_checkouts");
  SUM_VersionList checkouts;
  if (op_target_view().checkouts(checkouts) != 0) {
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableVerifyCheckoutsView,
               op_target_view().any_name());
    return trace.checked(__LINE__, record_err_status());
  }
  SUM_VersionList unrecorded;
  for (unsigned i = 0; i < checkouts.count(); ++i) {
    SUM_Activity holder;
    int status = checkouts[i].activity(holder);
    if (status == SUM_NOT_FOUND)
      unrecorded.append(checkouts[i]);
    else if (status != 0) {
      imsg_print(IMSG_ERROR, sum_integration_msg::InternalErrorEncounteredWhile,
                 op_target_view().any_name(), op_integration_activity().any_name(),
                 static_cast<int>(checkouts[i].dbid()), static_cast<int>(i),
                 static_cast<int>(checkouts.count()));
      return trace.checked(__LINE__, record_err_status());
    }
  }
  if (unrecorded.count() == 0)
    return SUM_OK;
  imsg_print(IMSG_WARNING, sum_integration_msg::ZEMDetectedCheckoutsView,
             op_target_view().any_name(), op_integration_activity().any_name());
  return trace.checked(__LINE__, repair_activity(unrecorded, 1));
}

int SUM_Integration::verify_checkins(const std::vector<view_ckout_t>& checkouts,
                                     const std::vector<view_path_result_t>& checked_in) {
  SUM_Trace trace("SUM_Integration::verify_checkins");
  SUM_VersionList unrecorded;
  for (size_t i = 0; i < checked_in.size() && i < checkouts.size(); ++i) {
    if (checked_in[i].status != 0 || checked_in[i].dbid == 0)
      continue;
    SUM_Version version(SUM_Vob(checkouts[i].vob), checked_in[i].dbid);
    SUM_Activity holder;
    int status = version.activity(holder);
    if (status == SUM_NOT_FOUND)
      unrecorded.append(version);
    else if (status != 0) {
      imsg_print(IMSG_ERROR, sum_integration_msg::UnableVerifyCheckinsActivity,
                 op_integration_activity().any_name());
      return trace.checked(__LINE__, record_err_status());
    }
  }
  if (unrecorded.count() == 0)
    return SUM_OK;
  imsg_print(IMSG_WARNING, sum_integration_msg::ZEMDetectedCheckedVersions,
             op_integration_activity().any_name());
  return trace.checked(__LINE__, repair_activity(unrecorded, 0));
}

int SUM_Integration::repair_activity(const SUM_VersionList& versions, int checkouts) {
  SUM_Trace trace("SUM_Integration::repair_activity");
  const SUM_Activity& activity = op_integration_activity();
  SUM_VersionList failed;
  for (unsigned i = 0; i < versions.count(); ++i) {
    int status = checkouts ? activity.fix_checkout(versions[i]) : activity.fix_checkin(versions[i]);
    if (status != 0)
      failed.append(versions[i]);
  }
  if (failed.count() == 0) {
    if (checkouts)
      imsg_print(IMSG_NOTICE, sum_integration_msg::CheckoutsActivityCorrected, activity.any_name());
    else
      imsg_print(IMSG_NOTICE, sum_integration_msg::CheckinsActivityCorrected, activity.any_name());
    return SUM_OK;
  }
  imsg_print(IMSG_ERROR, sum_integration_msg::ZEMUnableCorrectFollowing);
  for (unsigned i = 0; i < failed.count(); ++i)
    imsg_print(IMSG_ERROR, sum_integration_msg::DbidVOB, static_cast<int>(failed[i].dbid()),
               failed[i].vob().any_name());
  return trace.checked(__LINE__, record_err_status());
}

// ---- check-in and undo --------------------------------------------------------------------

int SUM_Integration::integration_checkouts(std::vector<view_ckout_t>& out) const {
  SUM_Trace trace("SUM_Integration::integration_checkouts");
  out.clear();
  if (op_integration_activity().is_null() || op_target_view().is_null())
    return SUM_OK;
  SUM_VersionList checkouts;
  if (op_integration_activity().checkouts(checkouts) != 0)
    return trace.checked(__LINE__, SUM_FAILED);
  for (unsigned i = 0; i < checkouts.count(); ++i) {
    SUM_Element element;
    view_ckout_t checkout;
    if (checkouts[i].element(element) != 0 ||
        op_target_view().element_path(element.vob(), element.dbid(), checkout.path) != 0)
      return trace.checked(__LINE__, SUM_FAILED);
    checkout.vob = checkouts[i].vob().handle();
    checkout.version = checkouts[i].dbid();
    out.push_back(checkout);
  }
  return SUM_OK;
}

int SUM_Integration::record_directory_merges(view_server_h view,
                                             const std::vector<view_ckout_t>& checkouts) {
  SUM_Trace trace("SUM_Integration::record_directory_merges");
  // A file's merge is recorded when it is merged or, when it left
  // conflicts, when it is checked in resolved; a directory merge that left
  // conflicts (names both sides changed) is recorded here.
  std::vector<std::pair<const view_ckout_t*, tbs_dbid_t>> dirs;
  for (const view_ckout_t& checkout : checkouts) {
    vob_ver_details_t details;
    if (vob_ver_get_details(checkout.vob, checkout.version, &details) != 0)
      return trace.checked(__LINE__, SUM_FAILED);
    if (details.is_dir)
      dirs.emplace_back(&checkout, details.element);
  }
  if (dirs.empty())
    return SUM_OK;
  SUM_VersionList versions;
  int count = 0;
  if (versions_to_merge(versions, count) != 0)
    return trace.checked(__LINE__, SUM_FAILED);
  for (const auto& [checkout, element] : dirs) {
    for (unsigned i = 0; i < versions.count(); ++i) {
      SUM_Element merged;
      if (versions[i].vob().handle() != checkout->vob || versions[i].element(merged) != 0 ||
          merged.dbid() != element)
        continue;
      if (cmd_findmerge_complete(view, checkout->vob, versions[i].dbid(), checkout->version) != 0)
        return trace.checked(__LINE__, SUM_FAILED);
      break;
    }
  }
  return SUM_OK;
}

int SUM_Integration::do_checkin() {
  SUM_Trace trace("SUM_Integration::do_checkin");
  std::vector<view_ckout_t> checkouts;
  if (integration_checkouts(checkouts) != 0) {
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableReadChangeSet,
               op_integration_activity().any_name());
    return trace.checked(__LINE__, record_status(ST_CANNOT_CHECKIN));
  }
  if (checkouts.empty())
    return SUM_OK;
  view_server_h view = nullptr;
  if (op_target_view().handle(view) != 0)
    return trace.checked(__LINE__, record_status(ST_VIEW_NOT_RECREATED));
  if (record_directory_merges(view, checkouts) != 0)
    return trace.checked(__LINE__, record_status(ST_CANNOT_CHECKIN));
  std::vector<std::string> paths;
  for (const view_ckout_t& checkout : checkouts)
    paths.push_back(checkout.path);
  std::vector<view_path_result_t> results;
  if (op_target_view().checkin_paths(paths, nullptr, results) != 0) {
    int checked_in = 0;
    for (const view_path_result_t& result : results)
      checked_in += result.status == 0 ? 1 : 0;
    // With nothing checked in, the operation may still be cancelled.
    int status = 0;
    if (checked_in == 0 && (status = set_state_and_save_to_pvar(MERGING)) != 0)
      return trace.checked(__LINE__, status);
    return trace.checked(__LINE__, record_status(ST_CANNOT_CHECKIN));
  }
  return trace.checked(__LINE__, verify_checkins(checkouts, results));
}

int SUM_Integration::undo_checkin() {
  SUM_Trace trace("SUM_Integration::undo_checkin");
  const SUM_Activity& activity = op_integration_activity();
  if (activity.is_null())
    return SUM_OK;
  int has = 0;
  if (activity.has_checkins(has) != 0) {
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableReadChangeSet, activity.any_name());
    return trace.checked(__LINE__, record_err_status());
  }
  if (!has)
    return SUM_OK;
  imsg_print(IMSG_ERROR, sum_integration_msg::CannotCancelBecauseIntegration, activity.any_name());
  return trace.checked(__LINE__, record_status(ST_ACTIVITY_HAS_CHECKINS));
}

int SUM_Integration::undo_merge() {
  SUM_Trace trace("SUM_Integration::undo_merge");
  std::vector<view_ckout_t> checkouts;
  if (integration_checkouts(checkouts) != 0)
    return trace.checked(__LINE__, record_status(ST_CANNOT_UNCHECKOUT));
  if (checkouts.empty())
    return SUM_OK;
  std::vector<std::string> paths;
  for (const view_ckout_t& checkout : checkouts)
    paths.push_back(checkout.path);
  std::vector<view_path_result_t> results;
  if (op_target_view().uncheckout_paths(paths, 0, results) != 0)
    return trace.checked(__LINE__, record_status(ST_CANNOT_UNCHECKOUT));
  int remain = 0;
  if (op_integration_activity().has_checkouts(remain) != 0)
    return trace.checked(__LINE__, record_status(ST_CANNOT_UNCHECKOUT));
  if (remain) {
    trace.info(2, "There are still checked out files");
    // Code 100 is an outcome, not an error of its own: the caller reports
    // the failed undo.
    record_status(ST_CHECKOUTS_AFTER_UNDO);
    print_warnmsg();
    return trace.checked(__LINE__, SUM_FAILED);
  }
  return SUM_OK;
}
