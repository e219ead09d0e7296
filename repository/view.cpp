// Views: making and removing them, handles, properties, the config spec, and
// bringing the view root up to date.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "repository/view_internal.h"
#include "repository/vob_zem_activity_internal.h"
#include "services/sysutl.h"

namespace repo {

namespace {

bool valid_view_tag(const std::string& tag) {
  if (tag.empty() || tag == "." || tag == "..")
    return false;
  for (char c : tag)
    if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '-' && c != '_' && c != '.')
      return false;
  return true;
}

// Whether `path` can become a view root: absent, or an empty directory.
bool usable_root(const std::string& path, bool& exists) {
  namespace fs = std::filesystem;
  std::error_code ec;
  exists = fs::exists(fs::symlink_status(path, ec));
  if (!exists)
    return true;
  return fs::is_directory(path, ec) && fs::is_empty(path, ec) && !ec;
}

// Removes a directory tree; a message and its status on failure.
int remove_tree(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
  if (ec) {
    imsg_print(IMSG_ERROR, tbs_msg::UnableRemove, path.c_str(), ec.message().c_str());
    return tbs_errno2status(ec.value());
  }
  return TBS_ST_OK;
}

view_server_h new_handle(const view_entry_t& entry) {
  auto* view = new view_server_t;
  view->entry = entry;
  return view;
}

// Whether the registry attribute text (words separated by commas or blanks)
// holds `word`.
bool has_attribute(const std::string& text, const char* word) {
  std::string spaced = text;
  for (char& c : spaced)
    if (c == ',')
      c = ' ';
  std::istringstream in(spaced);
  std::string item;
  while (in >> item)
    if (item == word)
      return true;
  return false;
}

// Undoes a view_create that failed after making `storage` (and `root` when
// `made_root`).
void undo_create(const std::string& storage, const std::string& root, bool made_root) {
  std::error_code ec;
  std::filesystem::remove_all(storage, ec);
  if (made_root)
    std::filesystem::remove_all(root, ec);
}

}  // namespace

}  // namespace repo

using repo::Store;

int view_create(const view_create_args_t& args, view_server_h* view) {
  if (!repo::valid_view_tag(args.tag)) {
    imsg_print(IMSG_ERROR, tbs_msg::ViewTagMustMade, args.tag.c_str());
    return TBS_ST_BAD_ARGUMENT;
  }
  if (args.root.empty()) {
    imsg_print(IMSG_ERROR, tbs_msg::ViewNeedsRootDirectory);
    return TBS_ST_BAD_ARGUMENT;
  }
  if (args.kind != VIEW_SNAPSHOT && args.kind != VIEW_DYNAMIC)
    return TBS_ST_BAD_ARGUMENT;
  view_entry_t entry;
  entry.tag = args.tag;
  entry.root = repo::absolute_path(args.root);
  entry.storage_path = repo::absolute_path(
      args.storage_path.empty() ? sysutl_korvane_home() + "/views/" + args.tag + ".vws"
                                : args.storage_path);
  entry.kind = args.kind;
  entry.attributes = args.attributes;
  entry.owner = repo::login();
  tbs_uuid_t uuid;
  tbs_uuid_generate(&uuid);
  char uuid_text[TBS_ID_STR_SIZE];
  tbs_uuid_to_str(&uuid, uuid_text);
  entry.uuid = uuid_text;

  view_entry_t other;
  int status = repo::rgy_view_by_tag(entry.tag, other);
  if (status == 0) {
    imsg_print(IMSG_ERROR, tbs_msg::ViewTagAlreadyExists, entry.tag.c_str());
    return TBS_ST_EXISTS;
  }
  if (status != TBS_ST_NOT_FOUND)
    return status;
  status = repo::check_root_apart(entry.root);
  if (status != 0)
    return status;
  bool root_exists = false;
  if (!repo::usable_root(entry.root, root_exists)) {
    imsg_print(IMSG_ERROR, tbs_msg::ViewRootExistsNot, entry.root.c_str());
    return TBS_ST_EXISTS;
  }
  std::error_code ec;
  if (std::filesystem::exists(entry.storage_path, ec)) {
    imsg_print(IMSG_ERROR, tbs_msg::StorageDirectoryAlreadyExists, entry.storage_path.c_str());
    return TBS_ST_EXISTS;
  }

  status = sysutl_make_dirs(entry.storage_path);
  if (status != 0) {
    imsg_print(IMSG_ERROR, tbs_msg::UnableCreateDirectory, entry.storage_path.c_str(),
               tbs_strerror(status));
    return status;
  }
  status = repo::view_db_create(entry.storage_path, entry);
  if (status == 0 && !root_exists) {
    status = sysutl_make_dirs(entry.root);
    if (status != 0)
      imsg_print(IMSG_ERROR, tbs_msg::UnableCreateDirectory, entry.root.c_str(),
                 tbs_strerror(status));
  }
  if (status == 0)
    status = repo::rgy_view_add(entry);
  if (status != 0) {
    repo::undo_create(entry.storage_path, entry.root, !root_exists);
    return status;
  }
  view_server_h made = repo::new_handle(entry);
  if (entry.kind == VIEW_DYNAMIC) {
    status = repo::sync_view(made, "", nullptr);
    if (status != 0) {
      view_free_handle(made);
      repo::rgy_view_remove(entry.tag);
      repo::undo_create(entry.storage_path, entry.root, !root_exists);
      return status;
    }
  }
  if (view != nullptr)
    *view = made;
  else
    view_free_handle(made);
  return TBS_ST_OK;
}

int view_remove(const char* tag, int force) {
  if (tag == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  view_entry_t entry;
  int status = repo::rgy_view_by_tag(tag, entry);
  if (status == TBS_ST_NOT_FOUND)
    imsg_print(IMSG_ERROR, tbs_msg::ViewTagDoesNot, tag);
  if (status == 0)
    status = repo::check_view_owner(entry, "remove");
  if (status != 0)
    return status;
  view_server_h view = repo::new_handle(entry);
  std::vector<view_ckout_t> checkouts;
  std::error_code ec;
  bool has_storage =
      std::filesystem::exists(entry.storage_path + "/" + repo::kViewDbName, ec) && !ec;
  status = has_storage ? view_list_checkouts(view, checkouts) : 0;
  if (status == 0 && !checkouts.empty() && !force) {
    imsg_print(IMSG_ERROR, tbs_msg::ViewHoldsCheckoutsCheck, tag,
               static_cast<int>(checkouts.size()));
    status = TBS_ST_ERROR;
  }
  // Undo the deepest checkouts first: elements made in a checked-out
  // directory before the directory itself.
  std::sort(checkouts.begin(), checkouts.end(),
            [](const view_ckout_t& a, const view_ckout_t& b) { return a.path > b.path; });
  vob_event_info_t event;
  event.comment = "view removed";
  for (size_t i = 0; status == 0 && i < checkouts.size(); ++i)
    status = vob_ver_uncheckout(checkouts[i].vob, checkouts[i].version, &event);
  vob_vob_h pvob = nullptr;
  tbs_dbid_t stream = 0;
  if (status == 0 && has_storage && vob_utl_view_get_stream(view, &pvob, &stream) == 0)
    repo::act::forget_view(pvob, entry.uuid);
  if (status == 0 && has_storage) {
    status = vob_utl_view_clear_stream(view, &event);
    if (status == TBS_ST_NOT_FOUND)
      status = TBS_ST_OK;
  }
  view_free_handle(view);
  // The tag goes last: until then a crash leaves the view registered, and
  // removing it again finishes the work (a view without storage has no
  // checkouts or stream left to undo).
  if (status == 0)
    status = repo::remove_tree(entry.storage_path);
  if (status == 0)
    status = repo::remove_tree(entry.root);
  if (status == 0)
    status = repo::rgy_view_remove(entry.tag);
  return status;
}

int view_list(std::vector<view_entry_t>& views) {
  return repo::rgy_views(views);
}

int view_get_handle_by_tag(const char* tag, view_server_h* view) {
  if (tag == nullptr || view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  view_entry_t entry;
  int status = repo::rgy_view_by_tag(tag, entry);
  if (status != 0)
    return status;
  *view = repo::new_handle(entry);
  return TBS_ST_OK;
}

int view_get_handle_by_uuid(const char* uuid, view_server_h* view) {
  if (uuid == nullptr || view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  tbs_uuid_t parsed;
  if (tbs_str_to_uuid(uuid, &parsed) != 0)
    return TBS_ST_NOT_FOUND;
  char text[TBS_ID_STR_SIZE];
  tbs_uuid_to_str(&parsed, text);
  view_entry_t entry;
  int status = repo::rgy_view_by_uuid(text, entry);
  if (status != 0)
    return status;
  *view = repo::new_handle(entry);
  return TBS_ST_OK;
}

int ws_get_view_by_ws_root(const char* path, view_server_h* view) {
  if (path == nullptr || view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  std::string where = repo::absolute_path(path);
  std::vector<view_entry_t> views;
  int status = repo::rgy_views(views);
  if (status != 0)
    return status;
  const view_entry_t* best = nullptr;
  for (const auto& v : views) {
    bool inside = where == v.root ||
                  (where.size() > v.root.size() && where.compare(0, v.root.size(), v.root) == 0 &&
                   where[v.root.size()] == '/');
    if (inside && (best == nullptr || v.root.size() > best->root.size()))
      best = &v;
  }
  if (best == nullptr)
    return TBS_ST_NOT_FOUND;
  *view = repo::new_handle(*best);
  return TBS_ST_OK;
}

int view_dup_handle(view_server_h view, view_server_h* copy) {
  if (view == nullptr || copy == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  *copy = repo::new_handle(view->entry);
  return TBS_ST_OK;
}

void view_free_handle(view_server_h view) {
  delete view;
}

int view_get_entry(view_server_h view, view_entry_t* entry) {
  if (view == nullptr || entry == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  *entry = view->entry;
  return TBS_ST_OK;
}

int view_tag(view_server_h view, std::string& tag) {
  if (view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  tag = view->entry.tag;
  return TBS_ST_OK;
}

int view_get_uuid(view_server_h view, std::string& uuid) {
  if (view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  uuid = view->entry.uuid;
  return TBS_ST_OK;
}

int view_get_path(view_server_h view, std::string& root) {
  if (view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  root = view->entry.root;
  return TBS_ST_OK;
}

int view_getprop(view_server_h view, int property, std::string& value) {
  if (view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  const view_entry_t& e = view->entry;
  switch (property) {
    case VIEW_PROP_KIND:
      value = e.kind == VIEW_SNAPSHOT ? "snapshot" : "dynamic";
      return TBS_ST_OK;
    case VIEW_PROP_ATTRIBUTES:
    case VIEW_PROP_SUM_VIEW:
    case VIEW_PROP_WEB_VIEW:
    case VIEW_PROP_AUTOMATIC: {
      // Attaching a view to a stream changes its attributes after the
      // handle was made: read them from the registry.
      view_entry_t now;
      int status = repo::rgy_view_by_uuid(e.uuid, now);
      if (status != 0)
        return status;
      const char* word = property == VIEW_PROP_SUM_VIEW   ? "sumview"
                         : property == VIEW_PROP_WEB_VIEW ? "webview"
                                                          : "automatic";
      if (property == VIEW_PROP_ATTRIBUTES)
        value = now.attributes;
      else
        value = repo::has_attribute(now.attributes, word) ? "1" : "0";
      return TBS_ST_OK;
    }
    case VIEW_PROP_NEEDS_UPDATE: {
      int needs = 0;
      int status = view_needs_update(view, &needs);
      if (status == 0)
        value = needs ? "1" : "0";
      return status;
    }
    case VIEW_PROP_CSPEC_IDENTITY:
    case VIEW_PROP_STREAM: {
      const char* key = property == VIEW_PROP_STREAM ? "stream" : "identity";
      Store* db = nullptr;
      int status = repo::view_db(view, db);
      std::string text;
      if (status == 0)
        status = repo::view_info_get(*db, key, text);
      if (status == TBS_ST_NOT_FOUND)  // a view never attached has no "stream"
        status = TBS_ST_OK;
      if (status == 0)
        value = text;
      return status;
    }
    default:
      imsg_print(IMSG_ERROR, tbs_msg::ViewNoProperty, e.tag.c_str(), property);
      return TBS_ST_BAD_ARGUMENT;
  }
}

int view_get_config_spec(view_server_h view, std::string& text) {
  Store* db = nullptr;
  int status = repo::view_db(view, db);
  std::string stored;
  if (status == 0)
    status = repo::view_info_get(*db, "config_spec", stored);
  if (status == 0)
    text = stored;
  return status;
}

int view_set_spec(view_server_h view, const std::string& text) {
  if (view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  cspec_t cspec;
  std::string error;
  int status = cspec_parse(text, cspec, error);
  if (status != 0) {
    imsg_print(IMSG_ERROR, tbs_msg::ConfigSpecViewRejected, view->entry.tag.c_str(), error.c_str());
    return TBS_ST_BAD_ARGUMENT;
  }
  status = repo::in_view_txn(view, [&](Store& db) -> int {
    int written = repo::view_info_set(db, "config_spec", text);
    if (written == 0)
      written = repo::view_info_set(db, "identity", cspec.identity);
    if (written == 0)
      written = repo::seen_forget(db, "");  // every VOB looks different now
    if (written == 0 && view->entry.kind == VIEW_SNAPSHOT)
      written = repo::view_info_set(db, "needs_update", "1");
    return written;
  });
  if (status == 0 && view->entry.kind == VIEW_DYNAMIC)
    status = repo::sync_view(view, "", nullptr);
  return status;
}

int view_get_cspec(view_server_h view, cspec_t& cspec) {
  if (view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return repo::load_cspec(view, cspec);
}

int view_update(view_server_h view, int* changed) {
  if (view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  int count = 0;
  int status = repo::sync_view(view, "", &count);
  if (status == 0 && changed != nullptr)
    *changed = count;
  return status;
}

int view_refresh(view_server_h view) {
  if (view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return view->entry.kind == VIEW_DYNAMIC ? repo::refresh_view(view) : TBS_ST_OK;
}

int view_get_load_info(view_server_h view, view_frz_state_t* state) {
  if (view == nullptr || state == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  view_frz_state_t read;
  read.snapshot = view->entry.kind == VIEW_SNAPSHOT ? 1 : 0;
  int status = view_needs_update(view, &read.needs_update);
  if (status == 0)
    *state = read;
  return status;
}

int view_needs_update(view_server_h view, int* needs) {
  if (view == nullptr || needs == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  if (view->entry.kind != VIEW_SNAPSHOT) {
    *needs = 0;
    return TBS_ST_OK;
  }
  Store* db = nullptr;
  int status = repo::view_db(view, db);
  std::string flag;
  if (status == 0)
    status = repo::view_info_get(*db, "needs_update", flag);
  if (status == 0)
    *needs = flag == "1" ? 1 : 0;
  return status;
}
