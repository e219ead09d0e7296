// Paths in a view: turning the caller's paths into view paths, resolving them
// through the directory versions the config spec selects, and the view's
// checkouts as the VOBs record them.
#include <sys/stat.h>

#include <deque>
#include <filesystem>
#include <map>
#include <set>

#include "repository/view_internal.h"
#include "services/rgy.h"

namespace repo {

namespace {

// Directory entries are read in chunks of this many.
constexpr size_t kEntryChunk = 256;

std::vector<std::string> split_path(const std::string& view_path) {
  std::vector<std::string> parts;
  size_t start = 1;
  while (start <= view_path.size()) {
    size_t slash = view_path.find('/', start);
    if (slash == std::string::npos)
      slash = view_path.size();
    if (slash > start)
      parts.push_back(view_path.substr(start, slash - start));
    start = slash + 1;
  }
  return parts;
}

}  // namespace

namespace {

std::string resolved_path(const std::filesystem::path& p) {
  std::error_code ec;
  std::filesystem::path canonical = std::filesystem::weakly_canonical(p, ec);
  std::string out = (ec ? p.lexically_normal() : canonical.lexically_normal()).string();
  while (out.size() > 1 && out.back() == '/')
    out.pop_back();
  return out;
}

}  // namespace

std::string absolute_path(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path p = fs::absolute(path.empty() ? "." : path, ec);
  if (ec)
    p = path;
  p = p.lexically_normal();
  // Bulk commands name many files of few directories: each directory's
  // symbolic links are resolved once per process (a link changed meanwhile
  // is not seen), the file name itself every time.
  fs::path name = p.filename();
  if (name.empty() || !p.has_parent_path() || p.parent_path() == p)
    return resolved_path(p);
  static std::map<std::string, std::string> directories;
  std::string parent = p.parent_path().string();
  auto known = directories.find(parent);
  if (known == directories.end())
    known = directories.emplace(parent, resolved_path(parent)).first;
  std::string joined =
      known->second == "/" ? "/" + name.string() : known->second + "/" + name.string();
  struct stat st;
  if (lstat(joined.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
    return resolved_path(joined);
  return joined;
}

namespace {

std::string lexical_path(const std::string& path) {
  std::string out = std::filesystem::path(path).lexically_normal().string();
  while (out.size() > 1 && out.back() == '/')
    out.pop_back();
  return out;
}

}  // namespace

int dir_entries(vob_vob_h vob, tbs_dbid_t dir_version, std::vector<vob_nsdir_entry_t>& all) {
  for (size_t offset = 0;; offset += kEntryChunk) {
    std::vector<vob_nsdir_entry_t> chunk;
    int status = vob_nsdir_next_entries(vob, dir_version, offset, kEntryChunk, chunk);
    if (status != 0)
      return status;
    all.insert(all.end(), chunk.begin(), chunk.end());
    if (chunk.size() < kEntryChunk)
      return TBS_ST_OK;
  }
}

std::string replica_text(vob_vob_h vob) {
  tbs_uuid_t uuid{};
  if (vob_ob_get_replica_uuid(vob, &uuid) != 0)
    return std::string();
  char text[TBS_ID_STR_SIZE];
  tbs_uuid_to_str(&uuid, text);
  return text;
}

int vob_of_replica(const std::string& replica, vob_vob_h* vob) {
  tbs_uuid_t uuid{};
  int status = tbs_str_to_uuid(replica.c_str(), &uuid);
  if (status != 0)
    return status;
  rgy_vob_entry entry;
  status = rgy_lookup_vob_replica(&uuid, &entry);
  if (status != 0)
    return status;
  return vob_resolve_vob(entry.tag.c_str(), vob);
}

int registered_vobs(std::vector<vob_vob_h>& vobs) {
  char region[256];
  int status = rgy_get_default_region(region, sizeof region);
  if (status != 0)
    return status;
  for (size_t offset = 0;; offset += kEntryChunk) {
    std::vector<rgy_vob_entry> entries;
    status = rgy_next_vob_entries(region, offset, kEntryChunk, entries);
    if (status != 0)
      return status;
    for (const auto& e : entries) {
      vob_vob_h vob = nullptr;
      if (vob_resolve_vob(e.tag.c_str(), &vob) == 0)
        vobs.push_back(vob);
    }
    if (entries.size() < kEntryChunk)
      return TBS_ST_OK;
  }
}

std::string vob_tag_of(vob_vob_h vob) {
  char tag[256] = {};
  vob_ob_get_tag(vob, tag, sizeof tag);
  return tag;
}

int load_cspec(view_server_h view, cspec_t& cspec) {
  Store* db = nullptr;
  int status = view_db(view, db);
  if (status != 0)
    return status;
  std::string text;
  status = view_info_get(*db, "config_spec", text);
  if (status != 0)
    return status == TBS_ST_NOT_FOUND ? TBS_ST_INTERNAL : status;
  std::string error;
  status = cspec_parse(text, cspec, error);
  if (status != 0)
    imsg_print(IMSG_ERROR, tbs_msg::ConfigSpecViewRejected, view->entry.tag.c_str(), error.c_str());
  return status;
}

int my_checkout(view_server_h view, vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t* version) {
  std::vector<tbs_dbid_t> checkouts;
  int status = vob_elem_next_ckouts(vob, element, checkouts);
  if (status != 0)
    return status;
  for (tbs_dbid_t v : checkouts) {
    vob_ckout_info_t info;
    status = vob_ver_get_ckout_info(vob, v, &info);
    if (status != 0)
      return status;
    if (info.view_uuid == view->entry.uuid) {
      *version = v;
      return TBS_ST_OK;
    }
  }
  return TBS_ST_NOT_FOUND;
}

int to_view_path(view_server_h view, const char* path, bool report, std::string& view_path) {
  std::string given = path != nullptr ? path : "";
  std::string normal = absolute_path(given);
  const std::string& root = view->entry.root;
  if (normal == root) {
    view_path.clear();
    return TBS_ST_OK;
  }
  if (normal.compare(0, root.size(), root) == 0 && normal[root.size()] == '/') {
    view_path = normal.substr(root.size());
    return TBS_ST_OK;
  }
  if (!given.empty() && given[0] == '/') {
    std::string lexical = lexical_path(given);
    std::vector<std::string> parts = split_path(lexical);
    rgy_vob_entry entry;
    if (!parts.empty() && rgy_lookup_vob_tag(("/" + parts[0]).c_str(), &entry) == 0) {
      view_path = lexical;
      return TBS_ST_OK;
    }
  }
  if (report)
    imsg_print(IMSG_ERROR, tbs_msg::PathNotWithinView, given.c_str());
  return TBS_ST_NOT_FOUND;
}

int describe(view_server_h view, const cspec_t& cspec, vob_vob_h vob, tbs_dbid_t element,
             const std::string& view_path, view_path_info_t& info, cspec_selection_t* selection) {
  int eltype = 0;
  int status = vob_elem_get_eltype(vob, element, &eltype);
  if (status != 0)
    return status;
  cspec_selection_t sel;
  status = cspec_select(cspec, vob, element, view_path, view->entry.uuid, sel);
  if (status != 0)
    return status;
  view_path_info_t out;
  out.vob = vob;
  out.element = element;
  out.version = sel.error ? 0 : sel.version;
  out.rule = sel.rule;
  if (sel.rule >= 0 && static_cast<size_t>(sel.rule) < cspec.rules.size())
    out.rule_text = cspec.rules[static_cast<size_t>(sel.rule)].text;
  out.vob_path = view_path;
  out.file_path = view->entry.root + view_path;
  out.is_dir = eltype == VOB_ELTYPE_DIRECTORY ? 1 : 0;
  if (out.version != 0) {
    int checked_out = 0;
    status = vob_ver_is_checked_out(vob, out.version, &checked_out);
    if (status != 0)
      return status;
    if (checked_out) {
      vob_ckout_info_t ckout;
      status = vob_ver_get_ckout_info(vob, out.version, &ckout);
      if (status != 0)
        return status;
      out.checked_out = ckout.view_uuid == view->entry.uuid ? 1 : 0;
    }
  }
  info = out;
  if (selection != nullptr)
    *selection = sel;
  return TBS_ST_OK;
}

int resolve_path(view_server_h view, const cspec_t& cspec, const std::string& view_path,
                 bool report, view_path_info_t& info) {
  const char* tag = view->entry.tag.c_str();
  if (view_path.empty()) {
    view_path_info_t root;
    root.file_path = view->entry.root;
    root.is_dir = 1;
    info = root;
    return TBS_ST_OK;
  }
  auto not_visible = [&](const view_path_info_t* seen, const cspec_selection_t* sel) {
    if (report && sel != nullptr && sel->error && !seen->rule_text.empty())
      imsg_print(IMSG_ERROR, tbs_msg::ExcludedViewRule, seen->vob_path.c_str(), tag,
                 seen->rule_text.c_str());
    else if (report)
      imsg_print(IMSG_ERROR, tbs_msg::NotVisibleView, view_path.c_str(), tag);
    return TBS_ST_NOT_FOUND;
  };
  std::vector<std::string> parts = split_path(view_path);
  vob_vob_h vob = nullptr;
  if (parts.empty() || vob_resolve_vob(("/" + parts[0]).c_str(), &vob) != 0)
    return not_visible(nullptr, nullptr);
  tbs_dbid_t root_element = 0;
  int status = vob_ob_get_wk_obj(vob, VOB_WK_ROOT_DIRECTORY, &root_element);
  if (status != 0)
    return status;
  std::string path = "/" + parts[0];
  view_path_info_t cur;
  cspec_selection_t sel;
  status = describe(view, cspec, vob, root_element, path, cur, &sel);
  if (status != 0)
    return status;
  if (cur.version == 0)
    return not_visible(&cur, &sel);
  for (size_t i = 1; i < parts.size(); ++i) {
    if (!cur.is_dir)
      return not_visible(nullptr, nullptr);
    tbs_dbid_t element = 0;
    status = vob_nsdir_lookup(vob, cur.version, parts[i].c_str(), &element);
    if (status == TBS_ST_NOT_FOUND)
      return not_visible(nullptr, nullptr);
    if (status != 0)
      return status;
    path += "/" + parts[i];
    status = describe(view, cspec, vob, element, path, cur, &sel);
    if (status == TBS_ST_NOT_FOUND)
      return not_visible(nullptr, nullptr);  // an entry naming a removed element
    if (status != 0)
      return status;
    if (cur.version == 0)
      return not_visible(&cur, &sel);
  }
  info = cur;
  return TBS_ST_OK;
}

}  // namespace repo

using repo::Store;

int view_lookup(view_server_h view, const char* path, view_path_info_t* info) {
  if (view == nullptr || info == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  std::string view_path;
  int status = repo::to_view_path(view, path, false, view_path);
  if (status != 0)
    return status;
  cspec_t cspec;
  status = repo::load_cspec(view, cspec);
  if (status != 0)
    return status;
  return repo::resolve_path(view, cspec, view_path, false, *info);
}

int view_elem_path(view_server_h view, vob_vob_h vob, tbs_dbid_t element, std::string& path) {
  return repo::elem_path_info(view, vob, element, path, nullptr);
}

namespace repo {

int elem_path_info(view_server_h view, vob_vob_h vob, tbs_dbid_t element, std::string& path,
                   view_path_info_t* found) {
  if (view == nullptr || vob == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  cspec_t cspec;
  int status = repo::load_cspec(view, cspec);
  Store* db = nullptr;
  if (status == 0)
    status = repo::view_db(view, db);
  if (status != 0)
    return status;
  // Where the view last wrote the element, when that still holds.
  std::vector<std::string> known;
  status = repo::loaded_paths_of(*db, repo::replica_text(vob), element, known);
  if (status != 0)
    return status;
  for (const auto& candidate : known) {
    view_path_info_t info;
    if (repo::resolve_path(view, cspec, candidate, false, info) == 0 && info.vob == vob &&
        info.element == element) {
      path = candidate;
      if (found != nullptr)
        *found = std::move(info);
      return TBS_ST_OK;
    }
  }
  // Otherwise breadth first from the VOB's root: the shallowest path wins.
  tbs_dbid_t root_element = 0;
  status = vob_ob_get_wk_obj(vob, VOB_WK_ROOT_DIRECTORY, &root_element);
  if (status != 0)
    return status;
  view_path_info_t root;
  status = repo::describe(view, cspec, vob, root_element, repo::vob_tag_of(vob), root);
  if (status != 0)
    return status;
  if (root.version == 0)
    return TBS_ST_NOT_FOUND;
  if (root_element == element) {
    path = root.vob_path;
    return found != nullptr ? repo::resolve_path(view, cspec, path, false, *found) : TBS_ST_OK;
  }
  std::deque<view_path_info_t> queue{root};
  std::set<tbs_dbid_t> seen{root_element};
  while (!queue.empty()) {
    view_path_info_t dir = queue.front();
    queue.pop_front();
    std::vector<vob_nsdir_entry_t> entries;
    status = repo::dir_entries(vob, dir.version, entries);
    if (status != 0)
      return status;
    for (const auto& e : entries) {
      if (!seen.insert(e.element).second)
        continue;
      view_path_info_t info;
      status = repo::describe(view, cspec, vob, e.element, dir.vob_path + "/" + e.name, info);
      if (status == TBS_ST_NOT_FOUND)
        continue;
      if (status != 0)
        return status;
      if (info.version == 0)
        continue;
      if (e.element == element) {
        path = info.vob_path;
        return found != nullptr ? repo::resolve_path(view, cspec, path, false, *found) : TBS_ST_OK;
      }
      if (info.is_dir)
        queue.push_back(info);
    }
  }
  return TBS_ST_NOT_FOUND;
}

}  // namespace repo

namespace {

// The entries of directory version `dir_version` of `vob`, described as the
// view shows them under `view_path`, appended to `out`; entries naming a
// removed element are left out.
int describe_entries(view_server_h view, const cspec_t& cspec, vob_vob_h vob,
                     tbs_dbid_t dir_version, const std::string& view_path,
                     std::vector<view_path_info_t>& out) {
  std::vector<vob_nsdir_entry_t> names;
  int status = repo::dir_entries(vob, dir_version, names);
  for (size_t i = 0; status == 0 && i < names.size(); ++i) {
    view_path_info_t info;
    status =
        repo::describe(view, cspec, vob, names[i].element, view_path + "/" + names[i].name, info);
    if (status == TBS_ST_NOT_FOUND) {
      status = 0;  // an entry naming a removed element
      continue;
    }
    if (status == 0)
      out.push_back(info);
  }
  return status;
}

// The directory at `path`, resolved silently; 1070 for a file.
int resolve_dir(view_server_h view, const char* path, cspec_t& cspec, std::string& view_path,
                view_path_info_t& dir) {
  int status = repo::to_view_path(view, path, false, view_path);
  if (status == 0)
    status = repo::load_cspec(view, cspec);
  if (status == 0)
    status = repo::resolve_path(view, cspec, view_path, false, dir);
  if (status == 0 && !dir.is_dir)
    status = TBS_ST_NOT_DIRECTORY;
  return status;
}

}  // namespace

int view_readdir_ext(view_server_h view, const char* path, std::vector<view_path_info_t>& entries) {
  if (view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  std::string view_path;
  cspec_t cspec;
  view_path_info_t dir;
  int status = resolve_dir(view, path, cspec, view_path, dir);
  if (status != 0)
    return status;
  std::vector<view_path_info_t> out;
  if (view_path.empty()) {
    std::vector<vob_vob_h> vobs;
    status = repo::registered_vobs(vobs);
    for (size_t i = 0; status == 0 && i < vobs.size(); ++i) {
      tbs_dbid_t root_element = 0;
      status = vob_ob_get_wk_obj(vobs[i], VOB_WK_ROOT_DIRECTORY, &root_element);
      view_path_info_t info;
      if (status == 0)
        status =
            repo::describe(view, cspec, vobs[i], root_element, repo::vob_tag_of(vobs[i]), info);
      if (status == 0)
        out.push_back(info);
    }
  } else {
    status = describe_entries(view, cspec, dir.vob, dir.version, view_path, out);
  }
  if (status != 0)
    return status;
  entries.swap(out);
  return TBS_ST_OK;
}

int view_readdir_version(view_server_h view, const char* path, tbs_dbid_t dir_version,
                         std::vector<view_path_info_t>& entries) {
  if (view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  std::string view_path;
  cspec_t cspec;
  view_path_info_t dir;
  int status = resolve_dir(view, path, cspec, view_path, dir);
  if (status == 0 && dir.element == 0)
    status = TBS_ST_BAD_ARGUMENT;  // the view root has no versions
  vob_ver_details_t details;
  if (status == 0)
    status = vob_ver_get_details(dir.vob, dir_version, &details);
  if (status == 0 && details.element != dir.element)
    status = TBS_ST_BAD_ARGUMENT;
  std::vector<view_path_info_t> out;
  if (status == 0)
    status = describe_entries(view, cspec, dir.vob, dir_version, view_path, out);
  if (status == 0)
    entries.swap(out);
  return status;
}
