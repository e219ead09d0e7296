// What the benchmarks on real files share: a tree of files taken from the
// machine (KORVANE_BENCH_TREE, default /usr/include), a fresh KORVANE_HOME,
// and the import of a tree through a view.
#ifndef BENCH_BENCH_TREE_H
#define BENCH_BENCH_TREE_H

#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "services/view.h"
#include "services/vob_elem.h"

namespace bench {

namespace fs = std::filesystem;

struct Tree {
  fs::path root;
  std::vector<fs::path> files;  // relative paths, by name
  size_t bytes = 0;
};

// The first `count` regular files (KORVANE_BENCH_FILES when set) under
// KORVANE_BENCH_TREE (default /usr/include), in name order.
inline Tree load_tree(size_t count) {
  Tree t;
  const char* root = std::getenv("KORVANE_BENCH_TREE");
  const char* wanted = std::getenv("KORVANE_BENCH_FILES");
  t.root = root != nullptr ? root : "/usr/include";
  size_t limit = wanted != nullptr ? std::strtoul(wanted, nullptr, 10) : count;
  std::vector<fs::path> all;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(
           t.root, fs::directory_options::skip_permission_denied, ec);
       it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (ec)
      break;
    if (it->is_regular_file(ec) && !it->is_symlink(ec))
      all.push_back(fs::relative(it->path(), t.root));
  }
  std::sort(all.begin(), all.end());
  if (all.size() > limit)
    all.resize(limit);
  for (const auto& f : all)
    t.bytes += fs::file_size(t.root / f, ec);
  t.files = all;
  return t;
}

// A new empty directory under /tmp, made the KORVANE_HOME of this process
// (and of the commands it starts).
inline std::string temp_home() {
  char tmpl[] = "/tmp/korvane-bench-XXXXXX";
  std::string path = mkdtemp(tmpl);
  setenv("KORVANE_HOME", path.c_str(), 1);
  return path;
}

// The directories of the tree, parents before children.
inline std::vector<fs::path> directories(const Tree& tree) {
  std::vector<fs::path> dirs;
  for (const auto& f : tree.files)
    for (fs::path p = f.parent_path(); !p.empty(); p = p.parent_path())
      dirs.push_back(p);
  std::sort(dirs.begin(), dirs.end());
  dirs.erase(std::unique(dirs.begin(), dirs.end()), dirs.end());
  return dirs;  // sorted: a parent sorts before its children
}

// Makes every directory and file of `tree` an element under `vob_dir` (a
// directory of the view's root) and checks everything in.
inline bool import_tree(view_server_h view, const std::string& vob_dir, const Tree& tree) {
  tbs_dbid_t made = 0;
  if (view_checkout(view, vob_dir.c_str(), "import", &made) != 0)
    return false;
  std::vector<fs::path> dirs = directories(tree);
  for (const auto& d : dirs) {
    std::string path = vob_dir + "/" + d.string();
    if (view_mkelem(view, path.c_str(), VOB_ELTYPE_DIRECTORY, "import", 0, &made) != 0)
      return false;
  }
  for (const auto& f : tree.files) {
    std::string path = vob_dir + "/" + f.string();
    std::error_code ec;
    fs::copy_file(tree.root / f, path, fs::copy_options::overwrite_existing, ec);
    if (ec || view_mkelem(view, path.c_str(), VOB_ELTYPE_FILE, "import", 1, &made) != 0)
      return false;
  }
  for (auto it = dirs.rbegin(); it != dirs.rend(); ++it) {
    std::string path = vob_dir + "/" + it->string();
    if (view_checkin(view, path.c_str(), nullptr, &made) != 0)
      return false;
  }
  return view_checkin(view, vob_dir.c_str(), nullptr, &made) == 0;
}

}  // namespace bench

#endif  // BENCH_BENCH_TREE_H
