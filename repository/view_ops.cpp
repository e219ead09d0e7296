// Changing versions through a view: checkout, check-in, uncheckout, making
// elements, and the view's checkouts.
//
// The VOB holds the checkout; the view records, in its own database, the
// element it may hold a checkout of before asking the VOB, and forgets it
// after the VOB has checked it in or undone it. Then the view's file is put
// right: writable while checked out, the selected version's read-only file
// afterwards.
//
// In a view attached to a stream, a checkout first asks the layer above
// (view_register_zem_entry_points) and needs the view's current activity,
// which records it in the checkout's own transaction; check-ins need one
// too. A view attached to no stream changes versions without either.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "repository/cmd_findmerge_internal.h"
#include "repository/file_system.h"
#include "repository/view_internal.h"
#include "repository/vob_zem_activity_internal.h"

namespace repo {

int find_target(view_server_h view, const char* path, Target& t) {
  std::string view_path;
  int status = to_view_path(view, path, true, view_path);
  if (status == 0)
    status = load_cspec(view, t.cspec);
  if (status == 0)
    status = resolve_path(view, t.cspec, view_path, true, t.info);
  if (status == 0 && t.info.element == 0) {
    imsg_print(IMSG_ERROR, tbs_msg::NotVisibleView, path, view->entry.tag.c_str());
    status = TBS_ST_NOT_FOUND;
  }
  if (status == 0)
    t.replica = replica_text(t.info.vob);
  return status;
}

bool exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

namespace {

// Runs `change` in one write group of the view's database, so that the
// transactions it runs (the view passes) commit together.
template <typename F>
int in_view_group(view_server_h view, F change) {
  Store* db = nullptr;
  int status = view_db(view, db);
  return status != 0 ? status : in_group(*db, change);
}

int forget_checkout(view_server_h view, const std::string& replica, tbs_dbid_t element) {
  return in_view_txn(view, [&](Store& db) { return ckout_delete(db, replica, element); });
}

// The branch to check out for `t` and the version to check out from: the
// -mkbranch branch (made from the selected version when missing) or the
// selected version's branch.
int checkout_branch(const Target& t, const std::string& mkbranch, const vob_event_info_t* event,
                    tbs_dbid_t* branch, tbs_dbid_t* from) {
  vob_ver_details_t details;
  int status = vob_ver_get_details(t.info.vob, t.info.version, &details);
  if (status != 0)
    return status;
  *branch = details.branch;
  *from = t.info.version;
  if (mkbranch.empty())
    return TBS_ST_OK;
  tbs_dbid_t brtype = 0;
  status = vob_brtype_create_with_pop(t.info.vob, mkbranch.c_str(), event, &brtype);
  if (status == TBS_ST_NOT_FOUND) {
    imsg_print(IMSG_ERROR, tbs_msg::BranchTypeNamedMkbranch, mkbranch.c_str(),
               t.info.vob_path.c_str());
    return TBS_ST_ERROR;
  }
  if (status != 0 || details.brtype == brtype)
    return status;
  status = vob_elem_get_branch(t.info.vob, t.info.element, brtype, branch);
  if (status != TBS_ST_NOT_FOUND)
    return status;
  *from = 0;  // the new branch's version 0, a copy of the selected version
  return vob_branch_create(t.info.vob, t.info.version, brtype, event, branch);
}

// The entry points the layer above installed.
view_zem_entry_points_t& zem_entry_points() {
  static view_zem_entry_points_t installed;
  return installed;
}

// What a change through a view attached to a stream records it in: the
// stream's PVOB and the view's current activity. `pvob` is null for a view
// attached to no stream.
struct ChangeSetTarget {
  vob_vob_h pvob = nullptr;
  tbs_dbid_t activity = 0;
};

// The PVOB of the stream `view` is attached to; null when none.
int attached_stream(view_server_h view, ChangeSetTarget& target) {
  tbs_dbid_t stream = 0;
  int status = vob_utl_view_get_stream(view, &target.pvob, &stream);
  if (status == TBS_ST_NOT_FOUND) {
    target.pvob = nullptr;
    status = TBS_ST_OK;
  }
  return status;
}

// The target of changes made through `view`: none for a view attached to
// no stream; otherwise its current activity, and 1001 after a message when
// it has none.
int change_set_target(view_server_h view, ChangeSetTarget& target) {
  tbs_dbid_t stream = 0;
  target = ChangeSetTarget();
  int status = vob_utl_view_get_stream(view, &target.pvob, &stream);
  if (status == TBS_ST_NOT_FOUND) {
    target.pvob = nullptr;
    return TBS_ST_OK;
  }
  if (status == 0)
    status = vob_zem_view_get_activity(target.pvob, view->entry.uuid.c_str(), &target.activity);
  if (status == 0 && target.activity == 0) {
    imsg_print(IMSG_ERROR, tbs_msg::NoCurrentActivitySet, view->entry.tag.c_str());
    status = TBS_ST_ERROR;
  }
  return status;
}

// Asks the layer above whether `element` may be checked out in `view`;
// 1001 when it refuses (it printed why).
int ask_checkouts_allowed(view_server_h view, vob_vob_h vob, tbs_dbid_t element) {
  auto allowed_fn = zem_entry_points().checkouts_allowed;
  if (allowed_fn == nullptr)
    return TBS_ST_OK;
  int zem_view = 0;
  int allowed = 1;
  int status = allowed_fn(view, vob, element, 0, &zem_view, &allowed);
  if (status == 0 && zem_view != 0 && allowed == 0)
    status = TBS_ST_ERROR;
  return status;
}

// Checks out `branch` for the view, in the change set of `target`'s
// activity when it has one.
int checkout_for(view_server_h view, const ChangeSetTarget& target, vob_vob_h vob,
                 tbs_dbid_t branch, tbs_dbid_t from, const vob_event_info_t* event,
                 tbs_dbid_t* made) {
  const char* uuid = view->entry.uuid.c_str();
  if (target.pvob == nullptr)
    return vob_ver_checkout(vob, branch, from, uuid, event, made);
  return vob_ver_checkout_in_activity(vob, branch, from, uuid, target.pvob, target.activity, event,
                                      made);
}

// "<file>.keep", or "<file>.keep.N" with the first N that is free.
std::string keep_name(const std::string& file) {
  std::string name = file + ".keep";
  for (int n = 1; exists(name); ++n)
    name = file + ".keep." + std::to_string(n);
  return name;
}

// Paths of a bulk call are done this many at a time: each store commits
// once per batch, and holds its write lock for one batch's work only.
constexpr size_t kBatchSize = 200;

// The write groups of one phase of a batch: begun on the stores in the order
// of their paths, committed in the order the caller names.
class PhaseGroups {
 public:
  // Begins a group on the store of each VOB (null entries are skipped).
  int begin(const std::vector<vob_vob_h>& vobs) {
    std::map<std::string, Store*> by_path;
    for (vob_vob_h vob : vobs) {
      Store* store = nullptr;
      if (vob == nullptr)
        continue;
      int status = vob_store(vob, store);
      if (status != 0)
        return status;
      by_path[store->path()] = store;
    }
    for (const auto& [path, store] : by_path) {
      auto group = std::make_unique<WriteGroup>(*store);
      if (group->status() != 0)
        return group->status();
      groups_[path] = std::move(group);
    }
    return TBS_ST_OK;
  }
  // Commits the group of `vob`'s store (none: 0).
  int commit(vob_vob_h vob) {
    Store* store = nullptr;
    if (vob == nullptr || vob_store(vob, store) != 0)
      return TBS_ST_OK;
    auto it = groups_.find(store->path());
    if (it == groups_.end())
      return TBS_ST_OK;
    int status = it->second->commit();
    groups_.erase(it);
    return status;
  }
  // Commits every group left, in path order; after a failure the groups
  // not committed yet are rolled back (so that what the protocol orders
  // after them is never made durable without them).
  int commit_rest() {
    int status = TBS_ST_OK;
    for (auto& [path, group] : groups_) {
      if (status == 0)
        status = group->commit();
    }
    groups_.clear();
    return status;
  }

 private:
  std::map<std::string, std::unique_ptr<WriteGroup>> groups_;  // by store path
};

// One path of a bulk call being worked on.
struct Work {
  size_t index = 0;  // into the caller's results
  Target t;
  tbs_dbid_t branch = 0;  // checkouts: the branch to check out, from `from`
  tbs_dbid_t from = 0;
  tbs_dbid_t version = 0;  // the checkout made, or the checkout to check in or undo
  std::string content;     // check-ins: the view's file; new elements: their first content
  std::string kept;        // uncheckouts: where -keep saved the file
  bool on_disk = false;    // new elements: a view-private file or directory is there
  int eltype = 0;
  tbs_dbid_t unfinished = 0;   // new elements: the element an interrupted mkelem left
  tbs_dbid_t merged_from = 0;  // check-ins: the pending merge whose arrow they record
};

// The distinct VOBs of the works.
std::vector<vob_vob_h> vobs_of(const std::vector<Work>& works) {
  std::set<vob_vob_h> vobs;
  for (const auto& w : works)
    vobs.insert(w.t.info.vob);
  return {vobs.begin(), vobs.end()};
}

// Sets the status of every work of `works` that has none yet.
void fail_all(std::vector<Work>& works, std::vector<view_path_result_t>& results, int status) {
  for (const auto& w : works)
    if (results[w.index].status == 0)
      results[w.index].status = status;
}

// Removes the works whose path failed.
void drop_failed(std::vector<Work>& works, const std::vector<view_path_result_t>& results) {
  works.erase(std::remove_if(works.begin(), works.end(),
                             [&](const Work& w) { return results[w.index].status != 0; }),
              works.end());
}

// Does the paths of a bulk call in batches of kBatchSize: `prepare` checks
// a path and fills its work (a nonzero status fails the path), `run` does
// a batch's works. `flush_before(path, batch)` may ask that the
// batch so far be done before a path is prepared (it builds on the batch).
//
// The whole call reads in one snapshot per VOB, and, when every path
// succeeded, its own changes count as seen by the view (OwnChanges).
template <typename Prepare, typename Run, typename FlushBefore>
int in_batches(view_server_h view, const std::vector<std::string>& paths,
               std::vector<view_path_result_t>& results, Prepare prepare, Run run,
               FlushBefore flush_before) {
  ReadScope reads;
  OwnChanges own(view);
  results.assign(paths.size(), view_path_result_t());
  std::vector<Work> batch;
  auto run_batch = [&] {
    if (!batch.empty())
      run(batch, results);
    batch.clear();
  };
  for (size_t i = 0; i < paths.size(); ++i) {
    results[i].path = paths[i];
    if (flush_before(paths[i], batch))
      run_batch();
    Work w;
    w.index = i;
    results[i].status = prepare(paths[i].c_str(), w);
    if (results[i].status == 0)
      batch.push_back(std::move(w));
    if (batch.size() == kBatchSize)
      run_batch();
  }
  run_batch();
  for (const auto& r : results)
    if (r.status != 0)
      return r.status;
  own.settle();
  return TBS_ST_OK;
}

bool never_flush(const std::string&, const std::vector<Work>&) {
  return false;
}

// ---- checkout ----------------------------------------------------------------------

// 1001 (after a message naming the element by its view path and the
// holding view by its tag) when `branch` is already checked out in a view;
// the VOB would refuse the checkout later naming both by internal ids.
int refuse_branch_held(const Target& t, tbs_dbid_t branch) {
  tbs_dbid_t held = 0;
  int status = vob_branch_get_ckout_ver(t.info.vob, branch, &held);
  if (status == TBS_ST_NOT_FOUND)
    return TBS_ST_OK;
  vob_ckout_info_t checkout;
  std::string branch_path;
  if (status == 0)
    status = vob_ver_get_ckout_info(t.info.vob, held, &checkout);
  if (status == 0)
    status = vob_branch_get_path(t.info.vob, branch, branch_path);
  if (status != 0)
    return status;
  view_entry_t holder;
  if (rgy_view_by_uuid(checkout.view_uuid, holder) == 0)
    imsg_print(IMSG_ERROR, tbs_msg::AlreadyCheckedOutViewBranch, t.info.vob_path.c_str(),
               holder.tag.c_str(), branch_path.c_str());
  else
    imsg_print(IMSG_ERROR, tbs_msg::AlreadyCheckedOutBranch, t.info.vob_path.c_str(),
               branch_path.c_str(), checkout.view_uuid.c_str());
  return TBS_ST_ERROR;
}

int prepare_checkout(view_server_h view, const char* path, Work& w) {
  const char* tag = view->entry.tag.c_str();
  Target& t = w.t;
  int status = find_target(view, path, t);
  cspec_selection_t sel;
  if (status == 0)
    status = describe(view, t.cspec, t.info.vob, t.info.element, t.info.vob_path, t.info, &sel);
  if (status != 0)
    return status;
  if (sel.nocheckout) {
    imsg_print(IMSG_ERROR, tbs_msg::CheckoutsNotAllowedView, t.info.vob_path.c_str(), tag,
               t.info.rule_text.c_str());
    return TBS_ST_ERROR;
  }
  tbs_dbid_t held = 0;
  status = my_checkout(view, t.info.vob, t.info.element, &held);
  if (status == 0) {
    imsg_print(IMSG_ERROR, tbs_msg::AlreadyCheckedOutView, t.info.vob_path.c_str(), tag);
    return TBS_ST_ERROR;
  }
  if (status != TBS_ST_NOT_FOUND)
    return status;
  if (view->entry.kind == VIEW_SNAPSHOT && !cspec_path_is_loaded(t.cspec, t.info.vob_path)) {
    imsg_print(IMSG_ERROR, tbs_msg::NotLoadedSnapshotView, t.info.vob_path.c_str(), tag);
    return TBS_ST_ERROR;
  }
  // In a view attached to a stream: the layer's rules, before anything changes.
  ChangeSetTarget target;
  status = attached_stream(view, target);
  if (status == 0 && target.pvob != nullptr)
    status = ask_checkouts_allowed(view, t.info.vob, t.info.element);
  if (status != 0)
    return status;
  // The branch is decided (and made when missing) here; a branch made for a
  // checkout that then fails is harmless.
  vob_event_info_t event;
  status = checkout_branch(t, sel.mkbranch, &event, &w.branch, &w.from);
  return status != 0 ? status : refuse_branch_held(t, w.branch);
}

// Records in the view that it may hold checkouts of the works' elements:
// written before the VOBs check them out, so a crash leaves at most a row
// without a checkout.
int note_checkouts(view_server_h view, const std::vector<Work>& works) {
  return in_view_txn(view, [&](Store& db) {
    int s = 0;
    for (size_t i = 0; s == 0 && i < works.size(); ++i)
      s = ckout_set(db, {works[i].t.replica, works[i].t.info.element, works[i].t.info.vob_path});
    return s;
  });
}

// Checks the works out on their branches (in `target`'s activity when it has
// one) and, with `checkin`, in again at once with their content; the PVOB's
// change-set arrows commit before the checkouts they announce. A work that
// fails gets its status; `status` nonzero fails every work unseen.
void checkout_works(view_server_h view, const ChangeSetTarget& target,
                    const vob_event_info_t& event, bool checkin, int status,
                    std::vector<Work>& works, std::vector<view_path_result_t>& results) {
  PhaseGroups groups;
  std::vector<vob_vob_h> stores = vobs_of(works);
  stores.push_back(target.pvob);
  if (status == 0)
    status = groups.begin(stores);
  for (auto& w : works) {
    int s = status != 0
                ? status
                : checkout_for(view, target, w.t.info.vob, w.branch, w.from, &event, &w.version);
    if (s == 0 && checkin) {
      s = vob_ver_checkin(w.t.info.vob, w.version, w.t.info.is_dir ? nullptr : &w.content, &event);
      if (s != 0)
        vob_ver_uncheckout(w.t.info.vob, w.version, &event);
    }
    if (results[w.index].status == 0)
      results[w.index].status = s;
  }
  if (status == 0)
    status = groups.commit(target.pvob);
  if (status == 0)
    status = groups.commit_rest();
  if (status != 0)
    fail_all(works, results, status);
}

// Records the intent of the works in the view, then checks them out, then
// shows them; a work that fails is forgotten by the view.
void run_checkouts(view_server_h view, const ChangeSetTarget& target, const char* comment,
                   std::vector<Work>& works, std::vector<view_path_result_t>& results) {
  int status = note_checkouts(view, works);
  if (status != 0)
    return fail_all(works, results, status);
  vob_event_info_t event;
  event.comment = comment;
  checkout_works(view, target, event, false, TBS_ST_OK, works, results);
  status = in_view_group(view, [&](Store& db) {
    for (const auto& w : works) {
      int s = results[w.index].status == 0 ? sync_view(view, w.t.info.vob_path, nullptr)
                                           : ckout_delete(db, w.t.replica, w.t.info.element);
      if (s != 0 && results[w.index].status == 0)
        results[w.index].status = s;
    }
    return TBS_ST_OK;
  });
  if (status != 0)
    fail_all(works, results, status);
  for (const auto& w : works)
    if (results[w.index].status == 0)
      results[w.index].dbid = w.version;
}

// The view's stream and current activity for a batch of changes; every
// work fails with the status when there is none to record them in.
bool batch_target(view_server_h view, std::vector<Work>& works,
                  std::vector<view_path_result_t>& results, ChangeSetTarget& target) {
  int status = change_set_target(view, target);
  if (status != 0)
    fail_all(works, results, status);
  return status == 0;
}

// ---- check-in -----------------------------------------------------------------------

// The element `path` names (w.t) and the view's checkout of it (w.version):
// 1001 (after a message) when the view has not checked it out.
int find_own_checkout(view_server_h view, const char* path, Work& w) {
  int status = find_target(view, path, w.t);
  if (status != 0)
    return status;
  status = my_checkout(view, w.t.info.vob, w.t.info.element, &w.version);
  if (status == TBS_ST_NOT_FOUND) {
    imsg_print(IMSG_ERROR, tbs_msg::NotCheckedOutView, w.t.info.vob_path.c_str(),
               view->entry.tag.c_str());
    return TBS_ST_ERROR;
  }
  return status;
}

int prepare_checkin(view_server_h view, const char* path, Work& w) {
  const char* tag = view->entry.tag.c_str();
  Target& t = w.t;
  int status = find_own_checkout(view, path, w);
  if (status != 0)
    return status;
  if (!t.info.is_dir && read_view_file(t.info.file_path, w.content) != 0) {
    imsg_print(IMSG_ERROR, tbs_msg::FileCheckoutViewCannot, t.info.vob_path.c_str(), tag);
    return TBS_ST_ERROR;
  }
  // A pending merge: refused while conflicts remain, recorded otherwise.
  return t.info.is_dir ? TBS_ST_OK
                       : merge::pending_for_checkin(view, t.info.vob, t.info.element, w.version,
                                                    t.info.vob_path, w.content, w.merged_from);
}

// Checks the works in (each VOB committing once), then makes their files
// read-only and lets the view forget the checkouts.
void run_checkins(view_server_h view, const char* comment, std::vector<Work>& works,
                  std::vector<view_path_result_t>& results) {
  vob_event_info_t event;
  event.comment = comment;
  PhaseGroups groups;
  int status = groups.begin(vobs_of(works));
  for (auto& w : works) {
    int s = status;
    if (s == 0 && w.merged_from != 0)  // the merge arrow commits with the check-in
      s = vob_ver_add_merge(w.t.info.vob, w.merged_from, w.version, &event);
    if (s == 0)
      s = vob_ver_checkin(w.t.info.vob, w.version, w.t.info.is_dir ? nullptr : &w.content, &event);
    results[w.index].status = s;
  }
  if (status == 0)
    status = groups.commit_rest();
  if (status != 0)
    fail_all(works, results, status);
  drop_failed(works, results);
  // The view's files now show the checked-in versions: read-only, recorded as such.
  std::vector<LoadedRow> rows(works.size());
  std::vector<bool> have_file(works.size());
  for (size_t i = 0; i < works.size(); ++i) {
    const Target& t = works[i].t;
    rows[i].path = t.info.vob_path;
    rows[i].replica = t.replica;
    rows[i].element = t.info.element;
    rows[i].version = works[i].version;
    rows[i].is_dir = t.info.is_dir;
    have_file[i] = t.info.is_dir || (file_system().set_mode(t.info.file_path, kReadOnlyMode) == 0 &&
                                     stat_into(t.info.file_path, rows[i]) == 0);
  }
  status = in_view_group(view, [&](Store& db) {
    for (size_t i = 0; i < works.size(); ++i) {
      const Target& t = works[i].t;
      int s = ckout_delete(db, t.replica, t.info.element);
      if (s == 0)
        s = have_file[i] ? loaded_set(db, rows[i]) : loaded_delete(db, rows[i].path);
      if (s == 0)
        s = sync_view(view, t.info.vob_path, nullptr);
      if (s != 0)
        results[works[i].index].status = s;
    }
    return TBS_ST_OK;
  });
  if (status != 0)
    fail_all(works, results, status);
  for (const auto& w : works)
    if (results[w.index].status == 0)
      results[w.index].dbid = w.version;
}

// ---- uncheckout -----------------------------------------------------------------------

int prepare_uncheckout(view_server_h view, const char* path, int keep, Work& w) {
  Target& t = w.t;
  int status = find_own_checkout(view, path, w);
  if (status != 0 || !keep || t.info.is_dir || !exists(t.info.file_path))
    return status;
  std::string content;
  LoadedRow ignored;
  w.kept = keep_name(t.info.file_path);
  status = read_view_file(t.info.file_path, content);
  if (status == 0)
    status = write_view_file(w.kept, content, kWritableMode, ignored);
  if (status != 0)
    w.kept.clear();
  return status;
}

// Undoes the checkouts (the VOBs commit before the PVOB's change-set arrows
// go), then gives the view's files back to the view to rewrite.
void run_uncheckouts(view_server_h view, std::vector<Work>& works,
                     std::vector<view_path_result_t>& results) {
  ChangeSetTarget target;
  int status = attached_stream(view, target);
  PhaseGroups groups;
  std::vector<vob_vob_h> stores = vobs_of(works);
  stores.push_back(target.pvob);
  if (status == 0)
    status = groups.begin(stores);
  vob_event_info_t event;
  for (auto& w : works)
    results[w.index].status =
        status != 0 ? status : vob_ver_uncheckout(w.t.info.vob, w.version, &event);
  // The checkouts go before the PVOB's arrows that announced them.
  for (auto& w : works)
    if (status == 0)
      status = groups.commit(w.t.info.vob);
  if (status == 0)
    status = groups.commit_rest();
  if (status != 0)
    fail_all(works, results, status);
  for (const auto& w : works)
    if (results[w.index].status != 0 && !w.kept.empty())
      file_system().remove_file(w.kept);
  drop_failed(works, results);
  // The view's file is to show the selected version again: it is the view's
  // to rewrite, whatever it holds now.
  status = in_view_group(view, [&](Store& db) {
    for (const auto& w : works) {
      const Target& t = w.t;
      int s = ckout_delete(db, t.replica, t.info.element);
      if (s == 0) {
        LoadedRow row;
        row.path = t.info.vob_path;
        row.replica = t.replica;
        row.element = t.info.element;
        row.is_dir = t.info.is_dir;
        s = exists(t.info.file_path) ? loaded_set(db, row) : loaded_delete(db, row.path);
      }
      if (s == 0)
        s = sync_view(view, t.info.vob_path, nullptr);
      if (s != 0)
        results[w.index].status = s;
    }
    return TBS_ST_OK;
  });
  if (status != 0)
    fail_all(works, results, status);
}

// ---- new elements --------------------------------------------------------------------

// A new element's parent directory, as the view shows it, and its name.
struct NewName {
  std::string view_path;
  std::string parent_path;
  std::string name;
};

int split_new_name(view_server_h view, const char* path, NewName& n) {
  int status = to_view_path(view, path, true, n.view_path);
  if (status != 0)
    return status;
  size_t slash = n.view_path.rfind('/');
  n.parent_path = slash == std::string::npos ? "" : n.view_path.substr(0, slash);
  n.name = slash == std::string::npos ? "" : n.view_path.substr(slash + 1);
  if (n.parent_path.empty() || n.name.empty() || n.name.find("@@") != std::string::npos) {
    imsg_print(IMSG_ERROR, tbs_msg::NameContainsCharactersNot, n.view_path.c_str());
    return TBS_ST_BAD_ARGUMENT;
  }
  return TBS_ST_OK;
}

// Checks that an element can be made at `path` and fills the work: `t.info`
// describes the parent (its checkout in `version`), `t.info.vob_path` is
// replaced by the new element's path once made.
// `element` when it is what an mkelem stopped between making the element and
// checking it out left: of `eltype`, with no version but the zeros and no
// checkout (no one has worked on it). Else 0 in `out`.
int unfinished_element(vob_vob_h vob, tbs_dbid_t element, int eltype, tbs_dbid_t& out) {
  out = 0;
  int made_as = 0;
  std::vector<vob_ver_edges_t> versions;
  int status = vob_elem_get_eltype(vob, element, &made_as);
  if (status == 0 && made_as == eltype)
    status = vob_elem_get_version_graph(vob, element, versions);
  if (status != 0 || made_as != eltype)
    return status;
  for (const auto& v : versions) {
    vob_ver_details_t details;
    if ((status = vob_ver_get_details(vob, v.version, &details)) != 0)
      return status;
    if (details.number != 0 || details.checked_out)
      return TBS_ST_OK;
  }
  out = element;
  return TBS_ST_OK;
}

int prepare_mkelem(view_server_h view, const char* path, int eltype, Work& w) {
  const char* tag = view->entry.tag.c_str();
  NewName n;
  int status = split_new_name(view, path, n);
  view_path_info_t& parent = w.t.info;
  if (status == 0)
    status = load_cspec(view, w.t.cspec);
  if (status == 0)
    status = resolve_path(view, w.t.cspec, n.parent_path, true, parent);
  if (status != 0)
    return status;
  if (!parent.is_dir) {
    imsg_print(IMSG_ERROR, tbs_msg::NotDirectoryView, n.parent_path.c_str(), tag);
    return TBS_ST_NOT_DIRECTORY;
  }
  status = my_checkout(view, parent.vob, parent.element, &w.version);
  if (status == TBS_ST_NOT_FOUND) {
    imsg_print(IMSG_ERROR, tbs_msg::DirectoryMustCheckedOut, n.parent_path.c_str(), tag,
               n.name.c_str());
    return TBS_ST_ERROR;
  }
  if (status != 0)
    return status;
  tbs_dbid_t existing = 0;
  status = vob_nsdir_lookup(parent.vob, w.version, n.name.c_str(), &existing);
  std::string file = view->entry.root + n.view_path;
  struct stat st;
  w.on_disk = lstat(file.c_str(), &st) == 0;
  bool is_dir = eltype == VOB_ELTYPE_DIRECTORY;
  // A view-private file becomes the element's first content, and decides its
  // type when asked to (read before an interrupted mkelem's element is
  // matched by its type).
  if ((status == 0 || status == TBS_ST_NOT_FOUND) && w.on_disk && !is_dir && S_ISREG(st.st_mode)) {
    int read = read_view_file(file, w.content);
    if (read != 0)
      return read;
  }
  if (eltype == VIEW_ELTYPE_FILE_BY_CONTENT)
    eltype = vob_eltype_of_content(w.content);
  if (status == 0 && w.on_disk && !is_dir && S_ISREG(st.st_mode)) {
    status = unfinished_element(parent.vob, existing, eltype, w.unfinished);
    if (status == 0 && w.unfinished == 0)
      status = TBS_ST_OK;  // a finished element: refused below
    else if (status == 0)
      status = TBS_ST_NOT_FOUND;  // made again on top of what is there
  }
  if (status == 0 || (w.on_disk && (S_ISDIR(st.st_mode) != is_dir ||
                                    !(S_ISDIR(st.st_mode) || S_ISREG(st.st_mode))))) {
    imsg_print(IMSG_ERROR, tbs_msg::AlreadyExistsView, n.view_path.c_str(), tag);
    return TBS_ST_EXISTS;
  }
  if (status != TBS_ST_NOT_FOUND)
    return status;
  w.eltype = eltype;
  w.t.replica = replica_text(parent.vob);
  w.t.info.vob_path = n.view_path;
  w.t.info.file_path = file;
  w.t.info.is_dir = is_dir ? 1 : 0;
  return TBS_ST_OK;
}

// Whether `path` names something inside a directory the batch is making:
// that directory must exist (and be checked out) before the path is checked.
bool inside_new_directory(view_server_h view, const std::string& path,
                          const std::vector<Work>& batch) {
  std::string view_path;
  if (batch.empty() || to_view_path(view, path.c_str(), false, view_path) != 0)
    return false;
  std::string parent = view_path.substr(0, view_path.rfind('/'));
  for (const auto& w : batch)
    if (w.t.info.vob_path == parent)
      return true;
  return false;
}

// Writes the new element's file or directory into the view root and fills
// `row` with what the view wrote.
int write_new_element(const Work& w, int checkin, LoadedRow& row) {
  const std::string& file = w.t.info.file_path;
  unsigned mode = checkin ? kReadOnlyMode : kWritableMode;
  int err = 0;
  if (w.t.info.is_dir) {
    if (!w.on_disk)
      err = file_system().make_dir(file, kDirMode);
  } else if (w.on_disk) {
    err = file_system().set_mode(file, mode);
    if (err == 0 && stat_into(file, row) != 0)
      err = errno;
  } else {
    return write_view_file(file, w.content, mode, row);
  }
  if (err != 0) {
    imsg_print(IMSG_ERROR, tbs_msg::UnableWriteFile, file.c_str(), std::strerror(err));
    return tbs_errno2status(err);
  }
  return TBS_ST_OK;
}

// Makes the works' elements (each VOB committing once), then checks each
// out where the rule selecting it sends checkouts, in the view's current
// activity, and with `checkin` in again; then writes their files.
void run_mkelems(view_server_h view, const ChangeSetTarget& target, const char* comment,
                 int checkin, std::vector<Work>& works, std::vector<view_path_result_t>& results) {
  vob_event_info_t event;
  event.comment = comment;
  std::vector<tbs_dbid_t> made(works.size());
  {
    PhaseGroups groups;
    int status = groups.begin(vobs_of(works));
    for (size_t i = 0; i < works.size(); ++i) {
      std::string name = works[i].t.info.vob_path.substr(works[i].t.info.vob_path.rfind('/') + 1);
      made[i] = works[i].unfinished;
      results[works[i].index].status =
          status != 0 || made[i] != 0
              ? status
              : vob_elem_create(works[i].t.info.vob, works[i].version, name.c_str(),
                                works[i].eltype, &event, &made[i]);
    }
    if (status == 0)
      status = groups.commit_rest();
    if (status != 0)
      fail_all(works, results, status);
  }
  // From here on a work names its new element (0: none was made).
  for (size_t i = 0; i < works.size(); ++i)
    works[i].t.info.element = results[works[i].index].status == 0 ? made[i] : 0;
  // The first checkout goes where the rule selecting the new element's
  // version 0 sends checkouts: its -mkbranch branch, else main.
  for (size_t i = 0; i < works.size(); ++i) {
    Work& w = works[i];
    if (results[w.index].status != 0)
      continue;
    Target t;
    cspec_selection_t sel;
    int status = describe(view, w.t.cspec, w.t.info.vob, made[i], w.t.info.vob_path, t.info, &sel);
    if (status == 0 && t.info.version != 0)
      status = checkout_branch(t, sel.mkbranch, &event, &w.branch, &w.from);
    else if (status == 0)
      status = vob_elem_get_main_branch(w.t.info.vob, made[i], &w.branch);
    results[w.index].status = status;
  }
  std::vector<Work> failed_early;
  for (const auto& w : works)
    if (results[w.index].status != 0 && w.t.info.element != 0)
      failed_early.push_back(w);
  drop_failed(works, results);
  int status = note_checkouts(view, works);
  if (status != 0)
    fail_all(works, results, status);
  checkout_works(view, target, event, checkin != 0, status, works, results);
  // What failed leaves nothing behind: no row in the view, no element.
  for (const auto& w : works)
    if (results[w.index].status != 0)
      failed_early.push_back(w);
  for (const auto& w : failed_early) {
    if (w.t.info.element == 0)
      continue;
    forget_checkout(view, w.t.replica, w.t.info.element);
    vob_elem_delete(w.t.info.vob, w.t.info.element, &event);
  }
  drop_failed(works, results);

  // The view's files and directories, recorded as written by the view.
  std::vector<LoadedRow> rows(works.size());
  for (size_t i = 0; i < works.size(); ++i) {
    const Work& w = works[i];
    rows[i].path = w.t.info.vob_path;
    rows[i].replica = w.t.replica;
    rows[i].element = w.t.info.element;
    rows[i].version = w.version;
    rows[i].is_dir = w.t.info.is_dir;
    rows[i].checked_out = checkin ? 0 : 1;
    results[w.index].status = write_new_element(w, checkin, rows[i]);
  }
  status = in_view_txn(view, [&](Store& db) -> int {
    for (size_t i = 0; i < works.size(); ++i) {
      const Work& w = works[i];
      if (results[w.index].status != 0)
        continue;
      int s = checkin ? ckout_delete(db, w.t.replica, w.t.info.element) : 0;
      if (s == 0)
        s = loaded_set(db, rows[i]);
      if (s != 0)
        return s;
    }
    return TBS_ST_OK;
  });
  if (status != 0)
    fail_all(works, results, status);
  for (const auto& w : works)
    if (results[w.index].status == 0)
      results[w.index].dbid = w.t.info.element;
}

// The batch step of a bulk call that records changes: the view's change-set
// target is found first (every work fails when there is none), then `run`.
template <typename Run>
auto with_target(view_server_h view, Run run) {
  return [view, run](std::vector<Work>& works, std::vector<view_path_result_t>& results) {
    ChangeSetTarget target;
    if (batch_target(view, works, results, target))
      run(target, works, results);
  };
}

// check_view_owner for a bulk call: when the current user may not work in
// the view, every path of `paths` gets the refusal in `results`.
int owner_or_refuse_all(view_server_h view, const char* action,
                        const std::vector<std::string>& paths,
                        std::vector<view_path_result_t>& results) {
  int status = check_view_owner(view->entry, action);
  if (status == 0)
    return TBS_ST_OK;
  results.assign(paths.size(), view_path_result_t());
  for (size_t i = 0; i < paths.size(); ++i) {
    results[i].path = paths[i];
    results[i].status = status;
  }
  return status;
}

// The single-path form of a bulk call: its status and the result's dbid.
template <typename Bulk>
int one_path(const char* path, tbs_dbid_t* dbid, Bulk bulk) {
  std::vector<view_path_result_t> results;
  int status = bulk(std::vector<std::string>{path != nullptr ? path : ""}, results);
  if (status == 0 && dbid != nullptr)
    *dbid = results[0].dbid;
  return status;
}

}  // namespace

}  // namespace repo

using repo::Store;

int view_checkout_many(view_server_h view, const std::vector<std::string>& paths,
                       const char* comment, std::vector<view_path_result_t>& results) {
  if (view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  if (int status = repo::owner_or_refuse_all(view, "check out in", paths, results))
    return status;
  return repo::in_batches(
      view, paths, results,
      [&](const char* path, repo::Work& w) { return repo::prepare_checkout(view, path, w); },
      repo::with_target(view,
                        [&](const auto& target, auto& works, auto& out) {
                          repo::run_checkouts(view, target, comment, works, out);
                        }),
      repo::never_flush);
}

int view_checkin_many(view_server_h view, const std::vector<std::string>& paths,
                      const char* comment, std::vector<view_path_result_t>& results) {
  if (view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  if (int status = repo::owner_or_refuse_all(view, "check in from", paths, results))
    return status;
  return repo::in_batches(
      view, paths, results,
      [&](const char* path, repo::Work& w) { return repo::prepare_checkin(view, path, w); },
      repo::with_target(view, [&](const auto&, auto& works,
                                  auto& out) { repo::run_checkins(view, comment, works, out); }),
      repo::never_flush);
}

int view_uncheckout_many(view_server_h view, const std::vector<std::string>& paths, int keep,
                         std::vector<view_path_result_t>& results) {
  if (view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  if (int status = repo::owner_or_refuse_all(view, "cancel checkouts in", paths, results))
    return status;
  return repo::in_batches(
      view, paths, results,
      [&](const char* path, repo::Work& w) {
        return repo::prepare_uncheckout(view, path, keep, w);
      },
      [&](std::vector<repo::Work>& works, std::vector<view_path_result_t>& out) {
        repo::run_uncheckouts(view, works, out);
      },
      repo::never_flush);
}

int view_mkelem_many(view_server_h view, const std::vector<std::string>& paths, int eltype,
                     const char* comment, int checkin, std::vector<view_path_result_t>& results) {
  if (view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  if (int status = repo::owner_or_refuse_all(view, "make elements in", paths, results))
    return status;
  if (eltype != VOB_ELTYPE_FILE && eltype != VOB_ELTYPE_DIRECTORY &&
      eltype != VOB_ELTYPE_FILE_NEVER_MERGE && eltype != VIEW_ELTYPE_FILE_BY_CONTENT)
    return TBS_ST_BAD_ARGUMENT;
  return repo::in_batches(
      view, paths, results,
      [&](const char* path, repo::Work& w) { return repo::prepare_mkelem(view, path, eltype, w); },
      repo::with_target(view,
                        [&](const auto& target, auto& works, auto& out) {
                          repo::run_mkelems(view, target, comment, checkin, works, out);
                        }),
      [&](const std::string& path, const std::vector<repo::Work>& batch) {
        return repo::inside_new_directory(view, path, batch);
      });
}

int view_checkout(view_server_h view, const char* path, const char* comment, tbs_dbid_t* version) {
  if (version == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return repo::one_path(path, version, [&](const auto& paths, auto& results) {
    return view_checkout_many(view, paths, comment, results);
  });
}

int view_checkin(view_server_h view, const char* path, const char* comment, tbs_dbid_t* version) {
  if (version == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return repo::one_path(path, version, [&](const auto& paths, auto& results) {
    return view_checkin_many(view, paths, comment, results);
  });
}

int view_uncheckout(view_server_h view, const char* path, int keep) {
  return repo::one_path(path, nullptr, [&](const auto& paths, auto& results) {
    return view_uncheckout_many(view, paths, keep, results);
  });
}

int view_mkelem(view_server_h view, const char* path, int eltype, const char* comment, int checkin,
                tbs_dbid_t* element) {
  if (element == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return repo::one_path(path, element, [&](const auto& paths, auto& results) {
    return view_mkelem_many(view, paths, eltype, comment, checkin, results);
  });
}

int view_list_checkouts(view_server_h view, std::vector<view_ckout_t>& checkouts) {
  Store* db = nullptr;
  int status = repo::view_db(view, db);
  std::vector<repo::CkoutRow> rows;
  if (status == 0)
    status = repo::ckout_rows(*db, rows);
  if (status != 0)
    return status;
  std::vector<view_ckout_t> out;
  for (const auto& row : rows) {
    vob_vob_h vob = nullptr;
    if (repo::vob_of_replica(row.replica, &vob) != 0)
      continue;  // the VOB is gone, and its checkouts with it
    tbs_dbid_t version = 0;
    status = repo::my_checkout(view, vob, row.element, &version);
    if (status == TBS_ST_NOT_FOUND)
      continue;
    if (status != 0)
      return status;
    out.push_back({vob, version, row.path});
  }
  checkouts.swap(out);
  return TBS_ST_OK;
}

void view_register_zem_entry_points(const view_zem_entry_points_t* entry_points) {
  repo::zem_entry_points() = entry_points != nullptr ? *entry_points : view_zem_entry_points_t();
}
