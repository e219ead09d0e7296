// SUM_Activity: reading change sets, checking in or cancelling all their
// checkouts, moving a version between activities, and repairing entries.
#include <string>
#include <vector>

#include "services/cmd_findmerge.h"
#include "services/imsg.h"
#include "services/view.h"
#include "services/vob_elem.h"
#include "services/vob_zem_activity.h"
#include "sum/sum_activity.h"
#include "sum/sum_activity_internal.h"
#include "sum/sum_callbacks.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_event_info.h"
#include "sum/sum_ids.h"
#include "sum/sum_replica.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_utl_versions.h"
#include "sum/sum_triggers.h"
#include "sum/sum_version.h"
#include "sum/sum_view.h"

namespace {

constexpr const char* kSource = "sum_activity_cset";

// Calls the caller's version-control callback with the facts of one step;
// its answer (0: go on). The key and path words are cleared again after.
int tell(SUM_VerctlCB* cb, int phase, int operation, const fcset_key_t& key, const char* path) {
  if (cb == nullptr || cb->words[kVerctlFunc] == 0)
    return 0;
  cb->words[kVerctlPhase] = static_cast<std::uint64_t>(phase);
  cb->words[kVerctlOperation] = static_cast<std::uint64_t>(operation);
  cb->words[kVerctlKey] = reinterpret_cast<std::uint64_t>(&key);
  cb->words[kVerctlPath] = reinterpret_cast<std::uint64_t>(path);
  auto func = reinterpret_cast<SUM_VerctlFunc>(cb->words[kVerctlFunc]);
  int answer = func(*cb);
  cb->words[kVerctlKey] = 0;
  cb->words[kVerctlPath] = 0;
  return answer;
}

// One run of change_set_verctl over the keys of one group.
struct VerctlRun {
  int operation = 0;
  view_server_h view = nullptr;
  std::string view_uuid;
  SUM_VerctlCB* cb = nullptr;
  SUM_String comment;
  int count_only = 0;
  int count = 0;
  int failed = 0;
  int stop = 0;
};

// Checks in the checkout `key` whose path in the run's view is `path`, in
// the view holding it: that view's file becomes the content. A checkout
// whose view is gone keeps the content it has. The checkout's own comment,
// when it has one, is kept.
int check_in(const VerctlRun& run, const fcset_key_t& key, const std::string& path) {
  SUM_Trace trace("sum_activity_cset::check_in");
  vob_ckout_info_t info;
  int status = vob_ver_get_ckout_info(key.vob, key.version, &info);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_String comment = info.comment.empty() ? run.comment : SUM_String(info.comment.c_str());
  tbs_dbid_t version = 0;
  if (info.view_uuid == run.view_uuid)
    return trace.checked(__LINE__, view_checkin(run.view, path.c_str(), comment, &version));
  view_server_h holder = nullptr;
  if (view_get_handle_by_uuid(info.view_uuid.c_str(), &holder) == 0) {
    std::string there;
    status = view_elem_path(holder, key.vob, key.element, there);
    if (status == 0)
      status = view_checkin(holder, there.c_str(), comment, &version);
    view_free_handle(holder);
    return trace.checked(__LINE__, status);
  }
  SUM_EventInfo event(comment, 0);
  return trace.checked(__LINE__, vob_ver_checkin(key.vob, key.version, nullptr, event.info()));
}

// Cancels the checkout `key`, through the view holding it when it exists.
int cancel_checkout(const VerctlRun& run, const fcset_key_t& key, const std::string& path) {
  SUM_Trace trace("sum_activity_cset::cancel_checkout");
  vob_ckout_info_t info;
  int status = vob_ver_get_ckout_info(key.vob, key.version, &info);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (info.view_uuid == run.view_uuid)
    return trace.checked(__LINE__, view_uncheckout(run.view, path.c_str(), 0));
  view_server_h holder = nullptr;
  if (view_get_handle_by_uuid(info.view_uuid.c_str(), &holder) == 0) {
    std::string there;
    status = view_elem_path(holder, key.vob, key.element, there);
    if (status == 0)
      status = view_uncheckout(holder, there.c_str(), 0);
    view_free_handle(holder);
    return trace.checked(__LINE__, status);
  }
  SUM_EventInfo event(run.comment, 0);
  return trace.checked(__LINE__, vob_ver_uncheckout(key.vob, key.version, event.info()));
}

// The callback's answer for `phase`: a stop is recorded in the run.
bool stopped(VerctlRun& run, int phase, const fcset_key_t& key, const char* path) {
  if (tell(run.cb, phase, run.operation, key, path) != 0)
    run.stop = 1;
  return run.stop != 0;
}

// A version that failed: phases 2 and 4.
void fail(VerctlRun& run, const fcset_key_t& key, const char* path) {
  ++run.failed;
  if (!stopped(run, kVerctlFailed, key, path))
    stopped(run, kVerctlEnd, key, path);
}

// Processes one key (see change_set_verctl).
void process_key(VerctlRun& run, const fcset_key_t& key) {
  SUM_Trace trace("sum_activity_cset::process_key");
  vob_ver_details_t details;
  if (vob_ver_get_details(key.vob, key.version, &details) != 0 || details.branch == 0)
    return fail(run, key, "");
  if (stopped(run, kVerctlBefore, key, ""))
    return;
  std::string path;
  if (view_elem_path(run.view, key.vob, key.element, path) != 0)
    return fail(run, key, "");
  if (stopped(run, kVerctlPathKnown, key, path.c_str()))
    return;
  int checked_out = 0;
  if (vob_ver_is_checked_out(key.vob, key.version, &checked_out) != 0)
    return fail(run, key, path.c_str());
  if (!checked_out || run.count_only) {
    run.count += checked_out;
    stopped(run, kVerctlEnd, key, path.c_str());
    return;
  }
  int status = 0;
  if (run.operation == SUM_Activity::kVerctlCheckin) {
    if ((status = check_in(run, key, path)) != 0)
      imsg_print(IMSG_ERROR, sum_msg::CannotCheckin, path.c_str());
  } else if ((status = cancel_checkout(run, key, path)) != 0) {
    imsg_print(IMSG_ERROR, sum_msg::CannotUncheckout, path.c_str());
  }
  if (status != 0)
    return fail(run, key, path.c_str());
  if (!stopped(run, kVerctlDone, key, path.c_str()))
    stopped(run, kVerctlEnd, key, path.c_str());
}

// Processes `keys` from the last to the first, until a stop.
void version_control(VerctlRun& run, const std::vector<fcset_key_t>& keys) {
  for (size_t i = keys.size(); i > 0 && !run.stop; --i)
    process_key(run, keys[i - 1]);
}

// "<path in the view>@@/main/3" when the view tagged `view_tag` shows the
// version's element, else "<vob tag>@@/main/3": the version for messages.
SUM_String version_text(const SUM_Version& version, const char* view_tag) {
  std::string name;
  vob_ver_get_name(version.vob().handle(), version.dbid(), name);
  vob_ver_details_t details;
  std::string path;
  view_server_h view = nullptr;
  if (view_tag != nullptr && view_get_handle_by_tag(view_tag, &view) == 0) {
    if (vob_ver_get_details(version.vob().handle(), version.dbid(), &details) == 0)
      view_elem_path(view, version.vob().handle(), details.element, path);
    view_free_handle(view);
  }
  if (path.empty()) {
    SUM_String tag;
    version.vob().tag(tag);
    path = static_cast<const char*>(tag);
  }
  return SUM_String((path + "@@" + name).c_str());
}

// 1001 after message 46 unless this replica masters `activity`.
int check_mastered_here(const SUM_Activity& activity, int& refused) {
  SUM_Trace trace("sum_activity_cset::check_mastered_here");
  int local = 0;
  SUM_Replica master, here;
  int status = activity.has_local_mastership(local, master, here);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!local) {
    imsg_print(IMSG_ERROR, sum_msg::MasteredElsewhere, sum_act_label(activity),
               sum_act_label(master));
    refused = 1;
  }
  return SUM_OK;
}

// Message 47 for a locked `activity`.
int check_unlocked(const SUM_Activity& activity, int& refused) {
  SUM_Trace trace("sum_activity_cset::check_unlocked");
  int locked = 0;
  int status = activity.is_locked(locked);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (locked) {
    imsg_print(IMSG_ERROR, sum_msg::Locked, sum_act_label(activity));
    refused = 1;
  }
  return SUM_OK;
}

}  // namespace

// ---- reading -----------------------------------------------------------------------------

int SUM_Activity::change_set(SUM_VersionList& out, int& some_unavailable) const {
  SUM_Trace trace("SUM_Activity::change_set");
  vob_vob_h pvob = nullptr;
  if (int status = repo_ids(trace.name(), __LINE__, pvob))
    return status;
  std::vector<vob_cset_entry_t> entries;
  int unavailable = 0;
  int status = vob_zem_activity_cset_get_vers(pvob, dbid_, 0, entries, &unavailable);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_VersionList found;
  for (const vob_cset_entry_t& entry : entries)
    found.append(SUM_Version(SUM_Vob(entry.vob), entry.version));
  out = found;
  some_unavailable = unavailable;
  return SUM_OK;
}

int SUM_Activity::checkouts(SUM_VersionList& out) const {
  SUM_Trace trace("SUM_Activity::checkouts");
  vob_vob_h pvob = nullptr;
  if (int status = repo_ids(trace.name(), __LINE__, pvob))
    return status;
  std::vector<vob_cset_entry_t> entries;
  int unavailable = 0;
  if (vob_zem_activity_cset_get_vers(pvob, dbid_, 1, entries, &unavailable) != 0) {
    imsg_print(IMSG_ERROR, sum_msg::CannotReadEntry, sum_act_label(*this));
    return trace.checked(__LINE__, SUM_FAILED);
  }
  SUM_VersionList found;
  for (const vob_cset_entry_t& entry : entries)
    found.append(SUM_Version(SUM_Vob(entry.vob), entry.version));
  out = found;
  return SUM_OK;
}

int SUM_Activity::has_change_set(int& has) const {
  SUM_Trace trace("SUM_Activity::has_change_set");
  vob_vob_h pvob = nullptr;
  if (int status = repo_ids(trace.name(), __LINE__, pvob))
    return status;
  return trace.checked(__LINE__, vob_zem_activity_has_changeset(pvob, dbid_, &has));
}

int SUM_Activity::has_checkouts(int& has) const {
  SUM_Trace trace("SUM_Activity::has_checkouts");
  vob_vob_h pvob = nullptr;
  if (int status = repo_ids(trace.name(), __LINE__, pvob))
    return status;
  return trace.checked(__LINE__, vob_zem_activity_cset_has_cos(pvob, dbid_, &has));
}

int SUM_Activity::has_checkins(int& has) const {
  SUM_Trace trace("SUM_Activity::has_checkins");
  vob_vob_h pvob = nullptr;
  if (int status = repo_ids(trace.name(), __LINE__, pvob))
    return status;
  return trace.checked(__LINE__, vob_zem_activity_cset_has_cis(pvob, dbid_, &has));
}

int SUM_Activity::change_set_in_range(unsigned from, unsigned to, const SUM_Oid& vob_family,
                                      const SUM_Oid& crde_oid, SUM_VersionList& out) const {
  SUM_Trace trace("SUM_Activity::change_set_in_range");
  vob_vob_h pvob = nullptr;
  if (int status = repo_ids(trace.name(), __LINE__, pvob))
    return status;
  SUM_Vob vob;
  int status = SUM_Vob::construct_from_oid(vob_family, SUM_Vob::VOB_OID, vob);
  // The counts are kept per component root directory element.
  tbs_dbid_t crde = 0;
  if (status == 0)
    status = vob_obj_oid_to_dbid(vob.handle(), &crde_oid.oid(), &crde);
  std::vector<tbs_dbid_t> hlinks;
  if (status == 0)
    status = vob_zem_activity_cset_in_range(pvob, dbid_, from, to, vob.handle(), crde, hlinks);
  if (status != 0)
    return trace.checked(__LINE__, status);
  std::vector<vob_obj_ref_t> versions;
  status = vob_hlink_hlinkhs_get_objs(vob.handle(), hlinks, 0, versions);
  SUM_VersionList found;
  for (size_t i = 0; status == 0 && i < versions.size(); ++i) {
    if (versions[i].vob == nullptr || versions[i].dbid == 0)
      status = SUM_FAILED;
    else
      found.append(SUM_Version(SUM_Vob(versions[i].vob), versions[i].dbid));
  }
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_msg::CannotReadEntry, sum_act_label(*this));
    return trace.checked(__LINE__, SUM_FAILED);
  }
  out = found;
  return SUM_OK;
}

// ---- version control ---------------------------------------------------------------------

int SUM_Activity::checkin(const SUM_View& view, SUM_VerctlCB* cb, int& stop, const char* comment,
                          int count_only, int* count) const {
  SUM_Trace trace("SUM_Activity::checkin");
  return trace.checked(
      __LINE__, change_set_verctl(kVerctlCheckin, view, cb, stop, comment, count_only, count));
}

int SUM_Activity::uncheckout(const SUM_View& view, SUM_VerctlCB* cb, int& stop, const char* comment,
                             int count_only, int* count) const {
  SUM_Trace trace("SUM_Activity::uncheckout");
  return trace.checked(
      __LINE__, change_set_verctl(kVerctlUncheckout, view, cb, stop, comment, count_only, count));
}

int SUM_Activity::change_set_verctl(int operation, const SUM_View& view, SUM_VerctlCB* cb,
                                    int& stop, const char* comment, int count_only,
                                    int* count) const {
  SUM_Trace trace("SUM_Activity::change_set_verctl");
  if (is_null() || view.is_null() ||
      (operation != kVerctlCheckin && operation != kVerctlUncheckout))
    return sum_int_error(kSource, trace.name(), __LINE__);
  VerctlRun run;
  run.operation = operation;
  run.cb = cb;
  run.comment = comment != nullptr ? comment : "";
  run.count_only = count_only;
  SUM_Uuid uuid;
  int status = view.handle(run.view);
  if (status == 0)
    status = view.uuid(uuid);
  if (status != 0)
    return trace.checked(__LINE__, status);
  run.view_uuid = static_cast<const char*>(uuid.string());

  SUM_VersionList versions;
  int unavailable = 0;
  if ((status = change_set(versions, unavailable)) != 0)
    return trace.checked(__LINE__, status);
  std::vector<fcset_key_t> files, dirs;
  sum_utl_sort_versions_by_mtype(versions, files, dirs, unavailable);

  stop = 0;
  version_control(run, files);
  if (!run.stop && !(count_only && run.count > 0) && run.failed == 0)
    version_control(run, dirs);
  if (count != nullptr)
    *count = run.count;
  if (run.stop) {
    stop = 1;
    return SUM_OK;
  }
  return trace.checked(__LINE__, run.failed == 0 && unavailable == 0 ? SUM_OK : SUM_FAILED);
}

// ---- moving and repairing entries ----------------------------------------------------------

int SUM_Activity::move_change_set_version(const SUM_Version& version, const SUM_Activity& target,
                                          const char* view_tag, const char* comment) const {
  SUM_Trace trace("SUM_Activity::move_change_set_version");
  if (is_null() || version.is_null() || target.is_null() || view_tag == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  int refused = 0;
  int status = check_mastered_here(*this, refused);
  if (status == 0)
    status = check_mastered_here(target, refused);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (refused)
    return trace.checked(__LINE__, SUM_FAILED);
  SUM_String text = version_text(version, view_tag);
  if ((status = check_unlocked(*this, refused)) != 0 ||
      (status = check_unlocked(target, refused)) != 0)
    return trace.checked(__LINE__, status);
  if (refused)
    return trace.checked(__LINE__, SUM_FAILED);

  vob_vob_h ver_vob = version.vob().handle();
  int in = 0;
  int checkout = 0;
  status =
      vob_zem_activity_ver_in_cset(vob_.handle(), dbid_, ver_vob, version.dbid(), &in, &checkout);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!in) {
    imsg_print(IMSG_ERROR, sum_msg::NotInCset, text, sum_act_label(*this));
    return trace.checked(__LINE__, SUM_FAILED);
  }
  if (checkout) {
    int is = 0;
    int in_progress = 0;
    if ((status = is_integration_activity(is, in_progress)) != 0)
      return trace.checked(__LINE__, status);
    if (in_progress) {
      imsg_print(IMSG_ERROR, sum_msg::CheckoutInIntegration);
      return trace.checked(__LINE__, SUM_FAILED);
    }
  }

  SUM_Stream stream;
  SUM_Project project;
  if ((status = sum_act_stream_and_project(*this, stream, project)) != 0)
    return trace.checked(__LINE__, status);
  SUM_TrigChAct source_trigger(*this, comment, *this, target, version, view_tag, stream, project);
  SUM_TrigChAct target_trigger(target, comment, *this, target, version, view_tag, stream, project);
  if ((status = source_trigger.fire_preop()) != 0 || (status = target_trigger.fire_preop()) != 0 ||
      (status = check_change_permission()) != 0 || (status = target.check_change_permission()) != 0)
    return trace.checked(__LINE__, status);
  int tk = kTkNotEnabled;
  if ((status = sum_act_project_tk_status(project, tk)) != 0)
    return trace.checked(__LINE__, status);
  // A stream bound to the tracker asks it whether the version may move.
  if (tk != kTkNotEnabled)
    return trace.checked(__LINE__, sum_act_tk_bridge_needed(trace.name(), __LINE__));

  // Into the target first, then out of the source: the version is in at
  // least one change set at every step.
  SUM_EventInfo event(comment, kOpChange);
  status = vob_zem_activity_cset_add_ver(target.vob().handle(), target.dbid(), ver_vob,
                                         version.dbid(), checkout, view_tag, event.info());
  if (status != 0)
    return trace.checked(__LINE__, status);
  status =
      vob_zem_activity_cset_rm_ver(vob_.handle(), dbid_, ver_vob, version.dbid(), event.info());
  if (status != 0) {
    int undo = vob_zem_activity_cset_rm_ver(target.vob().handle(), target.dbid(), ver_vob,
                                            version.dbid(), event.info());
    if (undo == 0)
      return trace.checked(__LINE__, SUM_FAILED);
    imsg_print(IMSG_ERROR, sum_msg::HalfMoved, text, sum_act_label(target), sum_act_label(*this));
    return trace.checked(__LINE__, undo);
  }
  if ((status = source_trigger.fire_postop(SUM_VobObject())) != 0 ||
      (status = target_trigger.fire_postop(SUM_VobObject())) != 0)
    return trace.checked(__LINE__, status);
  return SUM_OK;
}

int SUM_Activity::add_cset_entry(const SUM_Version& version, int checkout,
                                 const SUM_EventInfo& event) const {
  SUM_Trace trace("SUM_Activity::add_cset_entry");
  if (is_null() || version.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(
      __LINE__, vob_zem_activity_cset_add_ver(vob_.handle(), dbid_, version.vob().handle(),
                                              version.dbid(), checkout, nullptr, event.info()));
}

int SUM_Activity::fix_checkin(const SUM_Version& version) const {
  SUM_Trace trace("SUM_Activity::fix_checkin");
  SUM_EventInfo event(imsg_text(sum_msg::RepairingCheckin), kOpChange);
  return trace.checked(__LINE__, add_cset_entry(version, 0, event));
}

int SUM_Activity::fix_checkout(const SUM_Version& version) const {
  SUM_Trace trace("SUM_Activity::fix_checkout");
  SUM_EventInfo event(imsg_text(sum_msg::RepairingCheckout), kOpChange);
  return trace.checked(__LINE__, add_cset_entry(version, 1, event));
}
