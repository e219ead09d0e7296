// Importing a real tree of files: every directory and file becomes an
// element through a view and is checked in, then a second view is brought up
// to date with all of it. Beside it, the same tree added and committed with
// git, measured in the same run.
//
// The tree is the first KORVANE_BENCH_FILES (default 3000) regular files
// under KORVANE_BENCH_TREE (default /usr/include), taken in name order.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "services/view.h"
#include "services/vob.h"
#include "services/vob_elem.h"

namespace fs = std::filesystem;

namespace {

struct Tree {
  fs::path root;
  std::vector<fs::path> files;  // relative paths
  size_t bytes = 0;
};

const Tree& source_tree() {
  static const Tree tree = [] {
    Tree t;
    const char* root = std::getenv("KORVANE_BENCH_TREE");
    const char* count = std::getenv("KORVANE_BENCH_FILES");
    t.root = root != nullptr ? root : "/usr/include";
    size_t limit = count != nullptr ? std::strtoul(count, nullptr, 10) : 3000;
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
  }();
  return tree;
}

std::string temp_home() {
  char tmpl[] = "/tmp/korvane-bench-XXXXXX";
  std::string path = mkdtemp(tmpl);
  setenv("KORVANE_HOME", path.c_str(), 1);
  return path;
}

// The directories of the tree, parents before children.
std::vector<fs::path> directories(const Tree& tree) {
  std::vector<fs::path> dirs;
  for (const auto& f : tree.files)
    for (fs::path p = f.parent_path(); !p.empty(); p = p.parent_path())
      dirs.push_back(p);
  std::sort(dirs.begin(), dirs.end());
  dirs.erase(std::unique(dirs.begin(), dirs.end()), dirs.end());
  return dirs;  // sorted: a parent sorts before its children
}

bool import_tree(view_server_h view, const std::string& vob_dir, const Tree& tree) {
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

void BM_ImportCheckinAndUpdateSecondView(benchmark::State& state) {
  const Tree& tree = source_tree();
  for (auto _ : state) {
    state.PauseTiming();
    std::string home = temp_home();
    vob_create_args_t vob_args;
    vob_args.tag = "/bench";
    view_create_args_t first;
    first.tag = "importer";
    first.root = home + "/importer";
    view_create_args_t second;
    second.tag = "reader";
    second.root = home + "/reader";
    second.kind = VIEW_SNAPSHOT;
    view_server_h importer = nullptr;
    view_server_h reader = nullptr;
    if (vob_create(vob_args, nullptr) != 0 || view_create(first, &importer) != 0 ||
        view_create(second, &reader) != 0 ||
        view_set_spec(reader, "element * /main/LATEST\nload /bench\n") != 0) {
      state.SkipWithError("cannot set up the store");
      return;
    }
    state.ResumeTiming();
    if (!import_tree(importer, first.root + "/bench", tree)) {
      state.SkipWithError("the import failed");
      return;
    }
    int changed = 0;
    if (view_update(reader, &changed) != 0 || changed < static_cast<int>(tree.files.size())) {
      state.SkipWithError("the second view did not load the tree");
      return;
    }
    state.PauseTiming();
    view_free_handle(importer);
    view_free_handle(reader);
    fs::remove_all(home);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(tree.files.size()));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(tree.bytes));
  state.counters["files"] = static_cast<double>(tree.files.size());
}
BENCHMARK(BM_ImportCheckinAndUpdateSecondView)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_GitAddAndCommitSameTree(benchmark::State& state) {
  const Tree& tree = source_tree();
  for (auto _ : state) {
    state.PauseTiming();
    std::string home = temp_home();
    std::string work = home + "/git";
    fs::create_directories(work);
    for (const auto& f : tree.files) {
      fs::create_directories((fs::path(work) / f).parent_path());
      fs::copy_file(tree.root / f, fs::path(work) / f);
    }
    state.ResumeTiming();
    std::string command = "cd '" + work +
                          "' && git init -q && git add -A && git -c user.name=bench "
                          "-c user.email=bench@localhost commit -q -m import";
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("git failed");
      return;
    }
    state.PauseTiming();
    fs::remove_all(home);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(tree.files.size()));
  state.counters["files"] = static_cast<double>(tree.files.size());
}
BENCHMARK(BM_GitAddAndCommitSameTree)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
