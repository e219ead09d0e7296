// Materialisation: the view root holds, for every registered VOB, the
// versions the config spec selects ("<root>/<vob tag without slash>/<path>").
//
// One pass computes what the view should show (walking each VOB from its root
// directory through the selected directory versions; snapshot views keep only
// what their load rules cover), then removes what the view wrote and no longer
// shows, deepest first, then writes what is missing or stale, parents first.
// File versions are read-only files; the view's checkouts are writable files
// that are never overwritten or removed while checked out; directories are
// ordinary writable directories so that view-private files can live in them.
//
// Ownership: the view only touches paths it recorded in its "loaded" table.
// A file it recorded and that no longer looks as written (size, time, inode)
// is rewritten; a file it did not write is left alone with a warning, unless
// it holds exactly the wanted content (then it is adopted: this is how a pass
// interrupted between writing a file and committing its record recovers).
// Directories it made are removed only when empty, so view-private files keep
// their directory.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>

#include "repository/file_system.h"
#include "repository/view_internal.h"
#include "repository/vob_internal.h"
#include "services/sysutl.h"

namespace repo {

namespace {

// What the view should show at one path.
struct Want {
  vob_vob_h vob = nullptr;
  std::string replica;
  tbs_dbid_t element = 0;
  tbs_dbid_t version = 0;   // the selected version
  tbs_dbid_t checkout = 0;  // the view's checkout of the element, 0 when none
  int is_dir = 0;
};

std::string parent_of(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool under(const std::string& path, const std::string& prefix) {
  return path == prefix ||
         (path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0 &&
          path[prefix.size()] == '/');
}

// Whether `path` still looks as it did when the view wrote it.
bool unchanged_on_disk(const std::string& path, const LoadedRow& row) {
  LoadedRow now;
  return stat_into(path, now) == 0 && now.size == row.size && now.mtime_ns == row.mtime_ns &&
         now.inode == row.inode;
}

enum class Kind { kMissing, kFile, kDir, kOther };

Kind kind_on_disk(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0)
    return Kind::kMissing;
  if (S_ISDIR(st.st_mode))
    return Kind::kDir;
  return S_ISREG(st.st_mode) ? Kind::kFile : Kind::kOther;
}

class Materializer {
 public:
  Materializer(view_server_h view, Store& db, const cspec_t& cspec)
      : view_(view), db_(db), cspec_(cspec), root_(view->entry.root) {}

  int run(const std::string& scope, int* changed) {
    int status = loaded_under(db_, scope, loaded_);
    if (status == 0)
      status = scope.empty() ? want_everything() : want_scope(scope);
    if (status == 0)
      status = remove_stale();
    if (status == 0)
      status = write_wanted();
    if (status == 0 && changed != nullptr)
      *changed = changed_;
    return status;
  }

  // The generation of each VOB walked whole, read before its walk.
  const std::map<std::string, int64_t>& walked() const { return walked_; }

 private:
  bool snapshot() const { return view_->entry.kind == VIEW_SNAPSHOT; }

  int want_everything() {
    std::vector<vob_vob_h> vobs;
    int status = registered_vobs(vobs);
    if (status != 0)
      return status;
    for (vob_vob_h vob : vobs) {
      std::string tag = vob_tag_of(vob);
      tbs_dbid_t root_element = 0;
      view_path_info_t info;
      int64_t generation = 0;
      status = vob_generation(vob, generation);
      if (status == 0)
        status = vob_ob_get_wk_obj(vob, VOB_WK_ROOT_DIRECTORY, &root_element);
      if (status == 0)
        status = describe(view_, cspec_, vob, root_element, tag, info);
      if (status == 0)
        status = want(info);
      if (status != 0)
        unavailable_.push_back(tag);  // keep what the view shows of a VOB it cannot read
      else
        walked_[replica_text(vob)] = generation;
    }
    return TBS_ST_OK;
  }

  int want_scope(const std::string& scope) {
    // A VOB's whole tree ("/vobtag") is a walk of that VOB.
    vob_vob_h whole = nullptr;
    int64_t generation = 0;
    if (scope.find('/', 1) == std::string::npos && vob_resolve_vob(scope.c_str(), &whole) == 0 &&
        vob_generation(whole, generation) != 0)
      whole = nullptr;
    view_path_info_t info;
    int status = resolve_path(view_, cspec_, scope, false, info);
    if (status == 0 || status == TBS_ST_NOT_FOUND) {
      if (whole != nullptr)
        walked_[replica_text(whole)] = generation;
    }
    if (status == TBS_ST_NOT_FOUND)
      return TBS_ST_OK;  // nothing to show there
    if (status != 0)
      return status;
    return want(info);
  }

  // Adds `info` (a visible element) and, for a directory, what it holds.
  int want(const view_path_info_t& info) {
    if (info.version == 0)
      return TBS_ST_OK;
    if (snapshot() && !cspec_path_is_loaded(cspec_, info.vob_path))
      return TBS_ST_OK;
    Want w;
    w.vob = info.vob;
    w.replica = replica_text(info.vob);
    w.element = info.element;
    w.version = info.version;
    w.is_dir = info.is_dir;
    int status = checkout_of(info.vob, w.replica, w.element, w.checkout);
    if (status != 0)
      return status;
    wanted_[info.vob_path] = w;
    if (!info.is_dir)
      return TBS_ST_OK;
    std::vector<vob_nsdir_entry_t> entries;
    status = dir_entries(info.vob, info.version, entries);
    for (size_t i = 0; status == 0 && i < entries.size(); ++i) {
      view_path_info_t entry;
      status = describe(view_, cspec_, info.vob, entries[i].element,
                        info.vob_path + "/" + entries[i].name, entry);
      if (status == TBS_ST_NOT_FOUND) {
        status = TBS_ST_OK;  // an entry naming a removed element
        continue;
      }
      if (status == 0)
        status = want(entry);
    }
    return status;
  }

  // The view's checkout of `element` (0 when none). Only elements the view
  // has a checkout row of are looked up in their VOB (`vob` may be null: it
  // is found from `replica`), each once per pass; so a pass costs what its
  // scope holds, whatever the number of the view's checkouts.
  int checkout_of(vob_vob_h vob, const std::string& replica, tbs_dbid_t element,
                  tbs_dbid_t& checkout) {
    checkout = 0;
    std::pair<std::string, tbs_dbid_t> key{replica, element};
    auto known = resolved_.find(key);
    if (known != resolved_.end()) {
      checkout = known->second;
      return TBS_ST_OK;
    }
    bool has_row = false;
    int status = ckout_has_row(db_, replica, element, has_row);
    if (status != 0 || !has_row) {
      resolved_[key] = 0;
      return status;
    }
    status = vob != nullptr ? TBS_ST_OK : vob_of_replica(replica, &vob);
    if (status == 0)
      status = my_checkout(view_, vob, element, &checkout);
    if (status != 0 && status != TBS_ST_NOT_FOUND && vob != nullptr)
      return status;
    resolved_[key] = checkout;  // 0: checked in or undone, or its VOB is gone
    return TBS_ST_OK;
  }

  bool protected_path(const std::string& path) const {
    for (const auto& tag : unavailable_)
      if (under(path, tag))
        return true;
    return false;
  }

  int remove_stale() {
    for (auto it = loaded_.rbegin(); it != loaded_.rend(); ++it) {
      const LoadedRow& row = it->second;
      auto w = wanted_.find(row.path);
      if (w != wanted_.end() && w->second.is_dir == row.is_dir)
        continue;
      if (protected_path(row.path))
        continue;
      tbs_dbid_t checkout = 0;
      int status = row.checked_out ? checkout_of(nullptr, row.replica, row.element, checkout) : 0;
      if (status != 0)
        return status;
      if (checkout != 0)
        continue;  // the view's checkout stays, shown or not
      std::string file = root_ + row.path;
      Kind kind = kind_on_disk(file);
      if (row.is_dir && kind == Kind::kDir) {
        if (file_system().remove_dir(file) == 0)
          ++changed_;
      } else if (!row.is_dir && kind != Kind::kMissing && kind != Kind::kDir) {
        status = remove_view_file(file);
        if (status != 0)
          return status;
        ++changed_;
      }
      status = loaded_delete(db_, row.path);
      if (status != 0)
        return status;
      gone_.insert(row.path);
    }
    for (const auto& path : gone_)
      loaded_.erase(path);
    return TBS_ST_OK;
  }

  int write_wanted() {
    std::set<std::string> skipped;
    for (const auto& [path, w] : wanted_) {
      if (skipped.count(parent_of(path)) != 0) {
        skipped.insert(path);
        continue;
      }
      std::string file = root_ + path;
      std::string dir = root_ + parent_of(path);
      if (kind_on_disk(dir) != Kind::kDir) {
        skipped.insert(path);  // nowhere to put it (a scope whose parent is not shown)
        continue;
      }
      auto found = loaded_.find(path);
      const LoadedRow* row = found != loaded_.end() ? &found->second : nullptr;
      bool done = false;
      int status =
          w.is_dir ? write_dir(path, file, w, row, done) : write_file(path, file, w, row, done);
      if (status != 0)
        return status;
      if (!done)
        skipped.insert(path);
    }
    return TBS_ST_OK;
  }

  LoadedRow row_for(const std::string& path, const Want& w) const {
    LoadedRow row;
    row.path = path;
    row.replica = w.replica;
    row.element = w.element;
    row.version = w.checkout != 0 ? w.checkout : w.version;
    row.is_dir = w.is_dir;
    row.checked_out = w.checkout != 0 ? 1 : 0;
    return row;
  }

  int write_dir(const std::string& path, const std::string& file, const Want& w,
                const LoadedRow* old, bool& done) {
    Kind kind = kind_on_disk(file);
    if (kind != Kind::kDir && kind != Kind::kMissing) {
      imsg_print(IMSG_WARNING, tbs_msg::ViewPrivateFileStands, file.c_str());
      return TBS_ST_OK;
    }
    if (kind == Kind::kMissing) {
      if (int status = make_view_dir(file))
        return status;
      ++changed_;
    }
    done = true;
    LoadedRow row = row_for(path, w);
    if (old != nullptr && kind == Kind::kDir && old->version == row.version &&
        old->checked_out == row.checked_out)
      return TBS_ST_OK;
    return loaded_set(db_, row);
  }

  int write_file(const std::string& path, const std::string& file, const Want& w,
                 const LoadedRow* old, bool& done) {
    Kind kind = kind_on_disk(file);
    LoadedRow row = row_for(path, w);
    bool ours = old != nullptr && !old->is_dir;
    if (kind == Kind::kDir || kind == Kind::kOther) {
      imsg_print(IMSG_WARNING, tbs_msg::ViewPrivateFileStands, file.c_str());
      return TBS_ST_OK;
    }
    done = true;
    if (w.checkout != 0) {
      if (kind == Kind::kFile && ours && old->checked_out) {
        row.size = old->size;  // the user's edits: never touched
        row.mtime_ns = old->mtime_ns;
        row.inode = old->inode;
        return old->version == row.version ? TBS_ST_OK : loaded_set(db_, row);
      }
      if (kind == Kind::kFile && ours && unchanged_on_disk(file, *old) &&
          old->version == predecessor_of(w))
        return make_writable(file, row);
      return write_version(file, w.vob, w.checkout, kWritableMode, !ours, row, done);
    }
    if (kind == Kind::kFile && ours && !old->checked_out && old->version == w.version &&
        unchanged_on_disk(file, *old))
      return TBS_ST_OK;
    return write_version(file, w.vob, w.version, kReadOnlyMode, !ours, row, done);
  }

  tbs_dbid_t predecessor_of(const Want& w) {
    vob_ckout_info_t info;
    return vob_ver_get_ckout_info(w.vob, w.checkout, &info) == 0 ? info.predecessor : 0;
  }

  int make_writable(const std::string& file, LoadedRow& row) {
    int status = set_view_file_mode(file, kWritableMode);
    if (status != 0)
      return status;
    status = stat_into(file, row);
    if (status == 0)
      status = loaded_set(db_, row);
    ++changed_;
    return status;
  }

  // Writes `version` to `file`. A file the view did not write (`foreign`) is
  // adopted when it holds that content and left alone otherwise.
  int write_version(const std::string& file, vob_vob_h vob, tbs_dbid_t version, unsigned mode,
                    bool foreign, LoadedRow& row, bool& done) {
    std::string content;
    int status = vob_ver_read_content(vob, version, content);
    if (status != 0)
      return status;
    if (foreign && kind_on_disk(file) == Kind::kFile) {
      std::string present;
      if (read_view_file(file, present) != 0 || present != content) {
        imsg_print(IMSG_WARNING, tbs_msg::ViewPrivateFileStands, file.c_str());
        done = false;
        return TBS_ST_OK;
      }
      if (file_system().set_mode(file, mode) == 0 && stat_into(file, row) == 0)
        return loaded_set(db_, row);
    }
    status = write_view_file(file, content, mode, row);
    if (status != 0)
      return status;
    ++changed_;
    return loaded_set(db_, row);
  }

  view_server_h view_;
  Store& db_;
  const cspec_t& cspec_;
  std::string root_;
  std::map<std::pair<std::string, tbs_dbid_t>, tbs_dbid_t> resolved_;
  std::map<std::string, int64_t> walked_;
  std::map<std::string, LoadedRow> loaded_;
  std::map<std::string, Want> wanted_;
  std::vector<std::string> unavailable_;
  std::set<std::string> gone_;
  int changed_ = 0;
};

}  // namespace

int stat_into(const std::string& path, LoadedRow& row) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0)
    return tbs_errno2status(errno);
  row.size = static_cast<int64_t>(st.st_size);
  row.mtime_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  row.inode = static_cast<int64_t>(st.st_ino);
  return TBS_ST_OK;
}

int read_view_file(const std::string& path, std::string& content) {
  int err = file_system().read(path, content);
  if (err != 0) {
    imsg_print(IMSG_ERROR, tbs_msg::UnableReadFile, path.c_str(), std::strerror(err));
    return tbs_errno2status(err);
  }
  return TBS_ST_OK;
}

int write_view_file(const std::string& path, const std::string& content, unsigned mode,
                    LoadedRow& row) {
  int err = file_system().write(path, content, mode);
  if (err != 0) {
    imsg_print(IMSG_ERROR, tbs_msg::UnableWriteFile, path.c_str(), std::strerror(err));
    return tbs_errno2status(err);
  }
  return stat_into(path, row);
}

int set_view_file_mode(const std::string& path, unsigned mode) {
  int err = file_system().set_mode(path, mode);
  if (err != 0) {
    imsg_print(IMSG_ERROR, tbs_msg::UnableWriteFile, path.c_str(), std::strerror(err));
    return tbs_errno2status(err);
  }
  return TBS_ST_OK;
}

int make_view_dir(const std::string& path) {
  int err = file_system().make_dir(path, kDirMode);
  if (err != 0) {
    imsg_print(IMSG_ERROR, tbs_msg::UnableWriteFile, path.c_str(), std::strerror(err));
    return tbs_errno2status(err);
  }
  return TBS_ST_OK;
}

int remove_view_file(const std::string& path) {
  int err = file_system().remove_file(path);
  if (err != 0) {
    imsg_print(IMSG_ERROR, tbs_msg::UnableRemove, path.c_str(), std::strerror(err));
    return tbs_errno2status(err);
  }
  return TBS_ST_OK;
}

int sync_view(view_server_h view, const std::string& scope, int* changed) {
  Store* db = nullptr;
  int status = view_db(view, db);
  if (status != 0)
    return status;
  // The config spec is read inside the transaction, so that a new one set
  // meanwhile is not marked as loaded by this pass; the VOBs are read in one
  // snapshot, the generations recorded with what the walk saw.
  ReadScope reads;
  return in_txn(*db, [&](Store& s) -> int {
    cspec_t cspec;
    int status = load_cspec(view, cspec);
    if (status == 0 && kind_on_disk(view->entry.root) == Kind::kMissing) {
      status = sysutl_make_dirs(view->entry.root);
      if (status != 0)
        imsg_print(IMSG_ERROR, tbs_msg::UnableCreateDirectory, view->entry.root.c_str(),
                   tbs_strerror(status));
    }
    if (status != 0)
      return status;
    Materializer m(view, s, cspec);
    status = m.run(scope, changed);
    if (status == 0 && scope.empty() && view->entry.kind == VIEW_SNAPSHOT)
      status = view_info_set(s, "needs_update", "0");
    if (status == 0 && scope.empty())
      status = seen_forget(s, "");  // VOBs no longer registered
    for (auto it = m.walked().begin(); status == 0 && it != m.walked().end(); ++it)
      status = seen_set(s, it->first, it->second);
    return status;
  });
}

OwnChanges::OwnChanges(view_server_h view) : view_(view) {
  std::vector<vob_vob_h> vobs;
  if (view->entry.kind != VIEW_DYNAMIC || registered_vobs(vobs) != 0)
    return;
  for (vob_vob_h vob : vobs) {
    Store* store = nullptr;
    Before b;
    b.vob = vob;
    if (vob_store(vob, store) != 0)
      continue;
    store->end_read();  // the generation as committed now, not a snapshot's
    if (store->generation(b.generation) != 0)
      continue;
    b.commits = store->commits();
    before_[replica_text(vob)] = b;
  }
}

void OwnChanges::settle() {
  Store* db = nullptr;
  std::map<std::string, int64_t> seen;
  if (before_.empty() || view_db(view_, db) != 0 || seen_generations(*db, seen) != 0)
    return;
  std::map<std::string, int64_t> now_seen;
  for (const auto& [replica, b] : before_) {
    Store* store = nullptr;
    auto it = seen.find(replica);
    if (it == seen.end() || it->second != b.generation || vob_store(b.vob, store) != 0)
      continue;
    int64_t mine = store->commits() - b.commits;
    if (mine > 0 && store->last_commit_generation() == b.generation + mine)
      now_seen[replica] = store->last_commit_generation();
  }
  if (now_seen.empty())
    return;
  // Settling is bookkeeping: should it fail, the next refresh walks again.
  in_txn(*db, [&](Store& s) -> int {
    int status = TBS_ST_OK;
    for (auto it = now_seen.begin(); status == 0 && it != now_seen.end(); ++it)
      status = seen_set(s, it->first, it->second);
    return status;
  });
}

int refresh_view(view_server_h view) {
  ReadScope reads;
  Store* db = nullptr;
  int status = view_db(view, db);
  std::map<std::string, int64_t> seen;
  if (status == 0)
    status = seen_generations(*db, seen);
  std::vector<vob_vob_h> vobs;
  if (status == 0)
    status = registered_vobs(vobs);
  if (status != 0)
    return status;
  std::vector<std::string> changed;
  size_t still_registered = 0;
  for (vob_vob_h vob : vobs) {
    auto it = seen.find(replica_text(vob));
    int64_t generation = 0;
    if (it != seen.end())
      ++still_registered;
    if (it == seen.end() || vob_generation(vob, generation) != 0 || generation != it->second)
      changed.push_back(vob_tag_of(vob));
  }
  if (still_registered != seen.size() || seen.empty())
    return sync_view(view, "", nullptr);  // a VOB left, or the view was never walked whole
  for (size_t i = 0; status == 0 && i < changed.size(); ++i)
    status = sync_view(view, changed[i], nullptr);
  return status;
}

}  // namespace repo
