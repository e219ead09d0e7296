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

#include <cerrno>
#include <cstring>

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
    imsg_print(IMSG_ERROR, &tbs_catalog, kMsgNotVisible, path, view->entry.tag.c_str());
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

int note_checkout(view_server_h view, const std::string& replica, tbs_dbid_t element,
                  const std::string& view_path) {
  return in_view_txn(view, [&](Store& db) { return ckout_set(db, {replica, element, view_path}); });
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
    imsg_print(IMSG_ERROR, &tbs_catalog, kMsgNoBrtype, mkbranch.c_str(), t.info.vob_path.c_str());
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
    imsg_print(IMSG_ERROR, &tbs_catalog, act::msg::kNoCurrentActivity, view->entry.tag.c_str());
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

}  // namespace

}  // namespace repo

using repo::Store;

int view_checkout(view_server_h view, const char* path, const char* comment, tbs_dbid_t* version) {
  if (view == nullptr || version == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  const char* tag = view->entry.tag.c_str();
  repo::Target t;
  int status = repo::find_target(view, path, t);
  cspec_selection_t sel;
  if (status == 0)
    status =
        repo::describe(view, t.cspec, t.info.vob, t.info.element, t.info.vob_path, t.info, &sel);
  if (status != 0)
    return status;
  if (sel.nocheckout) {
    imsg_print(IMSG_ERROR, &tbs_catalog, repo::kMsgNoCheckout, t.info.vob_path.c_str(), tag,
               t.info.rule_text.c_str());
    return TBS_ST_ERROR;
  }
  tbs_dbid_t held = 0;
  status = repo::my_checkout(view, t.info.vob, t.info.element, &held);
  if (status == 0) {
    imsg_print(IMSG_ERROR, &tbs_catalog, repo::kMsgAlreadyCheckedOut, t.info.vob_path.c_str(), tag);
    return TBS_ST_ERROR;
  }
  if (status != TBS_ST_NOT_FOUND)
    return status;
  if (view->entry.kind == VIEW_SNAPSHOT && !cspec_path_is_loaded(t.cspec, t.info.vob_path)) {
    imsg_print(IMSG_ERROR, &tbs_catalog, repo::kMsgNotLoaded, t.info.vob_path.c_str(), tag);
    return TBS_ST_ERROR;
  }
  // In a view attached to a stream: the layer's rules, then the activity
  // that records the checkout, both before anything changes.
  repo::ChangeSetTarget target;
  status = repo::attached_stream(view, target);
  if (status == 0 && target.pvob != nullptr)
    status = repo::ask_checkouts_allowed(view, t.info.vob, t.info.element);
  if (status == 0)
    status = repo::change_set_target(view, target);
  if (status != 0)
    return status;
  vob_event_info_t event;
  event.comment = comment;
  tbs_dbid_t branch = 0;
  tbs_dbid_t from = 0;
  status = repo::checkout_branch(t, sel.mkbranch, &event, &branch, &from);
  if (status == 0)
    status = repo::note_checkout(view, t.replica, t.info.element, t.info.vob_path);
  if (status != 0)
    return status;
  tbs_dbid_t made = 0;
  status = repo::checkout_for(view, target, t.info.vob, branch, from, &event, &made);
  if (status != 0) {
    repo::forget_checkout(view, t.replica, t.info.element);
    return status;
  }
  *version = made;
  return repo::sync_view(view, t.info.vob_path, nullptr);
}

int view_checkin(view_server_h view, const char* path, const char* comment, tbs_dbid_t* version) {
  if (view == nullptr || version == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  const char* tag = view->entry.tag.c_str();
  repo::Target t;
  int status = repo::find_target(view, path, t);
  if (status != 0)
    return status;
  tbs_dbid_t checkout = 0;
  status = repo::my_checkout(view, t.info.vob, t.info.element, &checkout);
  if (status == TBS_ST_NOT_FOUND) {
    imsg_print(IMSG_ERROR, &tbs_catalog, repo::kMsgNotCheckedOut, t.info.vob_path.c_str(), tag);
    return TBS_ST_ERROR;
  }
  repo::ChangeSetTarget target;
  if (status == 0)
    status = repo::change_set_target(view, target);
  if (status != 0)
    return status;
  std::string content;
  if (!t.info.is_dir && repo::read_view_file(t.info.file_path, content) != 0) {
    imsg_print(IMSG_ERROR, &tbs_catalog, repo::kMsgCheckinFileGone, t.info.vob_path.c_str(), tag);
    return TBS_ST_ERROR;
  }
  vob_event_info_t event;
  event.comment = comment;
  status = vob_ver_checkin(t.info.vob, checkout, t.info.is_dir ? nullptr : &content, &event);
  if (status != 0)
    return status;
  *version = checkout;
  // The view's file now shows the checked-in version: read-only, recorded as such.
  repo::LoadedRow row;
  row.path = t.info.vob_path;
  row.replica = t.replica;
  row.element = t.info.element;
  row.version = checkout;
  row.is_dir = t.info.is_dir;
  bool have_file = t.info.is_dir || (chmod(t.info.file_path.c_str(), repo::kReadOnlyMode) == 0 &&
                                     repo::stat_into(t.info.file_path, row) == 0);
  status = repo::in_view_txn(view, [&](Store& db) {
    int s = repo::ckout_delete(db, t.replica, t.info.element);
    if (s == 0)
      s = have_file ? repo::loaded_set(db, row) : repo::loaded_delete(db, row.path);
    return s;
  });
  if (status == 0)
    status = repo::sync_view(view, t.info.vob_path, nullptr);
  return status;
}

int view_uncheckout(view_server_h view, const char* path, int keep) {
  if (view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  const char* tag = view->entry.tag.c_str();
  repo::Target t;
  int status = repo::find_target(view, path, t);
  if (status != 0)
    return status;
  tbs_dbid_t checkout = 0;
  status = repo::my_checkout(view, t.info.vob, t.info.element, &checkout);
  if (status == TBS_ST_NOT_FOUND) {
    imsg_print(IMSG_ERROR, &tbs_catalog, repo::kMsgNotCheckedOut, t.info.vob_path.c_str(), tag);
    return TBS_ST_ERROR;
  }
  if (status != 0)
    return status;
  std::string kept;
  if (keep && !t.info.is_dir && repo::exists(t.info.file_path)) {
    std::string content;
    repo::LoadedRow ignored;
    kept = repo::keep_name(t.info.file_path);
    status = repo::read_view_file(t.info.file_path, content);
    if (status == 0)
      status = repo::write_view_file(kept, content, repo::kWritableMode, ignored);
    if (status != 0)
      return status;
  }
  vob_event_info_t event;
  status = vob_ver_uncheckout(t.info.vob, checkout, &event);
  if (status != 0) {
    if (!kept.empty())
      unlink(kept.c_str());
    return status;
  }
  // The view's file is to show the selected version again: it is the view's
  // to rewrite, whatever it holds now.
  status = repo::in_view_txn(view, [&](Store& db) {
    int s = repo::ckout_delete(db, t.replica, t.info.element);
    if (s == 0) {
      repo::LoadedRow row;
      row.path = t.info.vob_path;
      row.replica = t.replica;
      row.element = t.info.element;
      row.is_dir = t.info.is_dir;
      s = repo::exists(t.info.file_path) ? repo::loaded_set(db, row)
                                         : repo::loaded_delete(db, row.path);
    }
    return s;
  });
  if (status == 0)
    status = repo::sync_view(view, t.info.vob_path, nullptr);
  return status;
}

int view_mkelem(view_server_h view, const char* path, int eltype, const char* comment, int checkin,
                tbs_dbid_t* element) {
  if (view == nullptr || element == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  if (eltype != VOB_ELTYPE_FILE && eltype != VOB_ELTYPE_DIRECTORY &&
      eltype != VOB_ELTYPE_FILE_NEVER_MERGE)
    return TBS_ST_BAD_ARGUMENT;
  const char* tag = view->entry.tag.c_str();
  std::string view_path;
  int status = repo::to_view_path(view, path, true, view_path);
  if (status != 0)
    return status;
  size_t slash = view_path.rfind('/');
  std::string parent_path = slash == std::string::npos ? "" : view_path.substr(0, slash);
  std::string name = slash == std::string::npos ? "" : view_path.substr(slash + 1);
  if (parent_path.empty() || name.empty() || name.find("@@") != std::string::npos) {
    imsg_print(IMSG_ERROR, &tbs_catalog, repo::kMsgNameChars, view_path.c_str());
    return TBS_ST_BAD_ARGUMENT;
  }
  cspec_t cspec;
  view_path_info_t parent;
  status = repo::load_cspec(view, cspec);
  if (status == 0)
    status = repo::resolve_path(view, cspec, parent_path, true, parent);
  if (status != 0)
    return status;
  if (!parent.is_dir) {
    imsg_print(IMSG_ERROR, &tbs_catalog, repo::kMsgNotDirectory, parent_path.c_str(), tag);
    return TBS_ST_NOT_DIRECTORY;
  }
  tbs_dbid_t dir_checkout = 0;
  status = repo::my_checkout(view, parent.vob, parent.element, &dir_checkout);
  if (status == TBS_ST_NOT_FOUND) {
    imsg_print(IMSG_ERROR, &tbs_catalog, repo::kMsgParentNotCheckedOut, parent_path.c_str(), tag,
               name.c_str());
    return TBS_ST_ERROR;
  }
  if (status != 0)
    return status;
  tbs_dbid_t existing = 0;
  status = vob_nsdir_lookup(parent.vob, dir_checkout, name.c_str(), &existing);
  std::string file = view->entry.root + view_path;
  struct stat st;
  bool on_disk = lstat(file.c_str(), &st) == 0;
  bool is_dir = eltype == VOB_ELTYPE_DIRECTORY;
  if (status == 0 || (on_disk && (S_ISDIR(st.st_mode) != is_dir ||
                                  !(S_ISDIR(st.st_mode) || S_ISREG(st.st_mode))))) {
    imsg_print(IMSG_ERROR, &tbs_catalog, repo::kMsgPathExists, view_path.c_str(), tag);
    return TBS_ST_EXISTS;
  }
  if (status != TBS_ST_NOT_FOUND)
    return status;
  // A view-private file becomes the element's first content.
  std::string content;
  if (on_disk && !is_dir) {
    status = repo::read_view_file(file, content);
    if (status != 0)
      return status;
  }

  repo::ChangeSetTarget target;
  status = repo::change_set_target(view, target);
  if (status != 0)
    return status;

  vob_event_info_t event;
  event.comment = comment;
  tbs_dbid_t made = 0;
  tbs_dbid_t branch = 0;
  status = vob_elem_create(parent.vob, dir_checkout, name.c_str(), eltype, &event, &made);
  if (status != 0)
    return status;
  std::string replica = repo::replica_text(parent.vob);
  tbs_dbid_t version = 0;
  // The first checkout goes where the rule selecting the new element's
  // version 0 sends checkouts: its -mkbranch branch, else main.
  repo::Target t;
  cspec_selection_t sel;
  tbs_dbid_t from = 0;
  status = repo::describe(view, cspec, parent.vob, made, view_path, t.info, &sel);
  if (status == 0 && t.info.version != 0)
    status = repo::checkout_branch(t, sel.mkbranch, &event, &branch, &from);
  else if (status == 0)
    status = vob_elem_get_main_branch(parent.vob, made, &branch);
  if (status == 0)
    status = repo::note_checkout(view, replica, made, view_path);
  if (status == 0)
    status = repo::checkout_for(view, target, parent.vob, branch, from, &event, &version);
  if (status == 0 && checkin) {
    status = vob_ver_checkin(parent.vob, version, is_dir ? nullptr : &content, &event);
    if (status != 0)
      vob_ver_uncheckout(parent.vob, version, &event);
  }
  if (status != 0) {
    repo::forget_checkout(view, replica, made);
    vob_elem_delete(parent.vob, made, &event);
    return status;
  }
  *element = made;

  // The view's file or directory, recorded as written by the view.
  repo::LoadedRow row;
  row.path = view_path;
  row.replica = replica;
  row.element = made;
  row.version = version;
  row.is_dir = is_dir ? 1 : 0;
  row.checked_out = checkin ? 0 : 1;
  unsigned mode = checkin ? repo::kReadOnlyMode : repo::kWritableMode;
  if (is_dir) {
    if (!on_disk && mkdir(file.c_str(), repo::kDirMode) != 0) {
      int err = errno;
      imsg_print(IMSG_ERROR, &tbs_catalog, repo::kMsgWriteFile, file.c_str(), std::strerror(err));
      status = tbs_errno2status(err);
    }
  } else if (on_disk) {
    if (chmod(file.c_str(), mode) != 0 || repo::stat_into(file, row) != 0) {
      int err = errno;
      imsg_print(IMSG_ERROR, &tbs_catalog, repo::kMsgWriteFile, file.c_str(), std::strerror(err));
      status = tbs_errno2status(err);
    }
  } else {
    status = repo::write_view_file(file, content, mode, row);
  }
  if (status != 0)
    return status;
  return repo::in_view_txn(view, [&](Store& db) {
    int s = checkin ? repo::ckout_delete(db, replica, made) : 0;
    return s != 0 ? s : repo::loaded_set(db, row);
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
