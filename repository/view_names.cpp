// Removing and renaming names through a view: rmname and mv.
//
// The VOB changes first, in one transaction of the directories' VOB; the
// view follows. A removal brings the scope of the parent directory in line,
// which takes the element's files out of the view root. A rename first
// takes the view's own files along (renamed in the view root, their records
// in the view's database rewritten in one transaction), so that checkouts
// keep their edits and nothing is copied, then brings the scopes of both
// parent directories in line. A crash between the VOB's change and the
// view's is put right by the next pass over those scopes: files no longer
// shown are removed, files now shown are written.
#include <sys/stat.h>

#include <cstdio>

#include "repository/file_system.h"
#include "repository/view_internal.h"

namespace repo {

namespace {

std::string parent_of(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string leaf_of(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Whether `path` is `prefix` or lies below it.
bool under(const std::string& path, const std::string& prefix) {
  return path == prefix ||
         (path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0 &&
          path[prefix.size()] == '/');
}

bool is_directory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A directory of the view in which a name changes, and the view's checkout of it.
struct NameDir {
  std::string path;  // view path
  view_path_info_t info;
  tbs_dbid_t checkout = 0;
};

// Resolves directory `path` (a view path), where `name` is to change: 1001
// after a message unless the view holds a checkout of it.
int checked_out_dir(view_server_h view, const cspec_t& cspec, const std::string& path,
                    const std::string& name, NameDir& dir) {
  const char* tag = view->entry.tag.c_str();
  dir.path = path;
  int status = resolve_path(view, cspec, path, true, dir.info);
  if (status != 0)
    return status;
  if (!dir.info.is_dir || dir.info.element == 0) {
    imsg_print(IMSG_ERROR, tbs_msg::NotDirectoryView, path.c_str(), tag);
    return TBS_ST_NOT_DIRECTORY;
  }
  status = my_checkout(view, dir.info.vob, dir.info.element, &dir.checkout);
  if (status == TBS_ST_NOT_FOUND) {
    imsg_print(IMSG_ERROR, tbs_msg::DirectoryMustCheckedOutView, path.c_str(), tag, name.c_str());
    return TBS_ST_ERROR;
  }
  return status;
}

// 1001 after a message when `t` is the root directory of its VOB.
int refuse_vob_root(const Target& t) {
  tbs_dbid_t root = 0;
  int status = vob_ob_get_wk_obj(t.info.vob, VOB_WK_ROOT_DIRECTORY, &root);
  if (status == 0 && root == t.info.element) {
    imsg_print(IMSG_ERROR, tbs_msg::RootDirectoryVOBName, t.info.vob_path.c_str(),
               vob_tag_of(t.info.vob).c_str());
    status = TBS_ST_ERROR;
  }
  return status;
}

// 1001 after a message when the view holds a checkout of `t` or of an
// element below it.
int refuse_checkouts_under(view_server_h view, const Target& t) {
  const char* tag = view->entry.tag.c_str();
  tbs_dbid_t held = 0;
  int status = my_checkout(view, t.info.vob, t.info.element, &held);
  if (status == 0) {
    imsg_print(IMSG_ERROR, tbs_msg::CheckedOutViewCheck, t.info.vob_path.c_str(), tag);
    return TBS_ST_ERROR;
  }
  if (status != TBS_ST_NOT_FOUND || !t.info.is_dir)
    return status == TBS_ST_NOT_FOUND ? TBS_ST_OK : status;
  std::vector<view_ckout_t> checkouts;
  status = view_list_checkouts(view, checkouts);
  for (size_t i = 0; status == 0 && i < checkouts.size(); ++i) {
    if (under(checkouts[i].path, t.info.vob_path)) {
      imsg_print(IMSG_ERROR, tbs_msg::CheckedOutViewCheck, checkouts[i].path.c_str(), tag);
      status = TBS_ST_ERROR;
    }
  }
  return status;
}

// Where view_rename puts the element: the directory and the name in it.
struct Destination {
  NameDir dir;
  std::string name;
  std::string path() const { return dir.path + "/" + name; }
};

// Splits the view path `to` into the destination directory and name: an
// existing directory takes the element under its own name; anything else
// visible there is in the way (1003 after a message).
int split_destination(view_server_h view, const Target& source, const std::string& to,
                      std::string& dir, std::string& name) {
  view_path_info_t there;
  if (resolve_path(view, source.cspec, to, false, there) == 0 && there.version != 0) {
    if (!there.is_dir) {
      imsg_print(IMSG_ERROR, tbs_msg::AlreadyExistsView, to.c_str(), view->entry.tag.c_str());
      return TBS_ST_EXISTS;
    }
    dir = to;
    name = leaf_of(source.info.vob_path);
    return TBS_ST_OK;
  }
  dir = parent_of(to);
  name = leaf_of(to);
  if (name.empty() || name.find("@@") != std::string::npos) {
    imsg_print(IMSG_ERROR, tbs_msg::NameContainsCharactersNot, to.c_str());
    return TBS_ST_BAD_ARGUMENT;
  }
  return TBS_ST_OK;
}

// Where `source` may go, as paths: into a directory of its own VOB, not
// into itself or below itself. `dest` gets the directory's path and the name.
int plan_destination(view_server_h view, const Target& source, const std::string& to,
                     Destination& dest) {
  int status = split_destination(view, source, to, dest.dir.path, dest.name);
  if (status != 0)
    return status;
  if (under(dest.dir.path, source.info.vob_path)) {
    imsg_print(IMSG_ERROR, tbs_msg::CannotMoveIntoItself, source.info.vob_path.c_str(), to.c_str());
    return TBS_ST_ERROR;
  }
  view_path_info_t dir_info;
  status = resolve_path(view, source.cspec, dest.dir.path, true, dir_info);
  if (status == 0 && (dir_info.element == 0 || dir_info.vob != source.info.vob)) {
    imsg_print(IMSG_ERROR, tbs_msg::NotSameVOBElement, source.info.vob_path.c_str(), to.c_str());
    status = TBS_ST_ERROR;
  }
  return status;
}

// The planned destination's directory checked out in this view (it may be
// `from_dir`), and its name free there: neither an entry of the checkout
// nor a view-private file (1003 after a message).
int check_destination(view_server_h view, const Target& source, const NameDir& from_dir,
                      Destination& dest) {
  int status = TBS_ST_OK;
  if (dest.dir.path == from_dir.path)
    dest.dir = from_dir;
  else
    status = checked_out_dir(view, source.cspec, dest.dir.path, dest.name, dest.dir);
  if (status != 0)
    return status;
  tbs_dbid_t taken = 0;
  status = vob_nsdir_lookup(source.info.vob, dest.dir.checkout, dest.name.c_str(), &taken);
  if (status == 0 || exists(view->entry.root + dest.path())) {
    imsg_print(IMSG_ERROR, tbs_msg::AlreadyExistsView, dest.path().c_str(),
               view->entry.tag.c_str());
    return TBS_ST_EXISTS;
  }
  return status == TBS_ST_NOT_FOUND ? TBS_ST_OK : status;
}

// Takes what the view wrote at view path `from` (and below) to `to`: the
// records of its files and checkouts, and the files themselves, in one
// transaction of the view's database. When the files cannot be renamed
// nothing changes here, and bringing the scopes in line writes them anew.
int move_view_files(view_server_h view, const std::string& from, const std::string& to) {
  std::string old_file = view->entry.root + from;
  std::string new_file = view->entry.root + to;
  if (!exists(old_file) || exists(new_file) || !is_directory(parent_of(new_file)))
    return TBS_ST_OK;
  bool renamed = false;
  int status = in_view_txn(view, [&](Store& db) -> int {
    std::map<std::string, LoadedRow> rows;
    std::vector<CkoutRow> checkouts;
    int s = loaded_under(db, from, rows);
    for (auto it = rows.begin(); s == 0 && it != rows.end(); ++it) {
      LoadedRow row = it->second;
      row.path = to + row.path.substr(from.size());
      s = loaded_delete(db, it->first);
      if (s == 0)
        s = loaded_set(db, row);
    }
    if (s == 0)
      s = ckout_rows(db, checkouts);
    for (size_t i = 0; s == 0 && i < checkouts.size(); ++i) {
      if (!under(checkouts[i].path, from))
        continue;
      checkouts[i].path = to + checkouts[i].path.substr(from.size());
      s = ckout_set(db, checkouts[i]);
    }
    if (s != 0)
      return s;
    renamed = file_system().rename(old_file, new_file) == 0;
    return renamed ? TBS_ST_OK : TBS_ST_ERROR;  // not renamed: the records stay as they were
  });
  if (status == 0 || !renamed)
    return TBS_ST_OK;
  file_system().rename(new_file, old_file);  // the records stayed as they were
  return status;
}

// Brings the scopes of the two parent directories in line (once when one
// holds the other).
int sync_parents(view_server_h view, const std::string& a, const std::string& b) {
  if (under(b, a))
    return sync_view(view, a, nullptr);
  if (under(a, b))
    return sync_view(view, b, nullptr);
  int status = sync_view(view, a, nullptr);
  return status != 0 ? status : sync_view(view, b, nullptr);
}

}  // namespace

}  // namespace repo

int view_rmname(view_server_h view, const char* path, const char* comment) {
  if (view == nullptr || path == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  if (int status = repo::check_view_owner(view->entry, "remove names in"))
    return status;
  repo::Target t;
  repo::NameDir parent;
  int status = repo::find_target(view, path, t);
  if (status == 0)
    status = repo::refuse_vob_root(t);
  std::string name = repo::leaf_of(t.info.vob_path);
  if (status == 0)
    status = repo::checked_out_dir(view, t.cspec, repo::parent_of(t.info.vob_path), name, parent);
  if (status == 0)
    status = repo::refuse_checkouts_under(view, t);
  if (status != 0)
    return status;
  vob_event_info_t event;
  event.comment = comment;
  status = vob_nsdir_remove_entry(t.info.vob, parent.checkout, name.c_str(), &event);
  return status != 0 ? status : repo::sync_view(view, parent.path, nullptr);
}

int view_rename(view_server_h view, const char* from, const char* to, const char* comment) {
  if (view == nullptr || from == nullptr || to == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  if (int status = repo::check_view_owner(view->entry, "move names in"))
    return status;
  repo::Target t;
  repo::NameDir from_dir;
  repo::Destination dest;
  std::string to_path;
  int status = repo::find_target(view, from, t);
  if (status == 0)
    status = repo::refuse_vob_root(t);
  if (status == 0)
    status = repo::to_view_path(view, to, true, to_path);
  if (status == 0)
    status = repo::plan_destination(view, t, to_path, dest);
  std::string name = repo::leaf_of(t.info.vob_path);
  if (status == 0)
    status = repo::checked_out_dir(view, t.cspec, repo::parent_of(t.info.vob_path), name, from_dir);
  if (status == 0)
    status = repo::check_destination(view, t, from_dir, dest);
  if (status != 0)
    return status;
  vob_event_info_t event;
  event.comment = comment;
  status = vob_nsdir_rename_entry(t.info.vob, from_dir.checkout, name.c_str(), dest.dir.checkout,
                                  dest.name.c_str(), &event);
  if (status == 0)
    status = repo::move_view_files(view, t.info.vob_path, dest.path());
  return status != 0 ? status : repo::sync_parents(view, from_dir.path, dest.dir.path);
}
