// Making a component of an existing tree: SUM_Component::create given a
// top-level directory that already holds a tree of elements, which marks
// every element below it with the new component's root (the CRDE marking
// walk). The tree is made through a view with the element services before
// the timing starts; only the creation is timed.
//
// The tree has KORVANE_BENCH_ELEMENTS (default 3000) file elements spread
// over directories of 50 files each, two levels deep.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/view.h"
#include "services/vob.h"
#include "services/vob_elem.h"
#include "sum/sum_component.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kFilesPerDirectory = 50;
constexpr size_t kDirectoriesPerGroup = 10;

size_t file_count() {
  const char* count = std::getenv("KORVANE_BENCH_ELEMENTS");
  return count != nullptr ? std::strtoul(count, nullptr, 10) : 3000;
}

std::string temp_home() {
  char tmpl[] = "/tmp/korvane-bench-XXXXXX";
  std::string path = mkdtemp(tmpl);
  setenv("KORVANE_HOME", path.c_str(), 1);
  return path;
}

// Makes a new (checked-out) directory element at `path`, whose parent is
// checked out in `view`.
bool make_directory(view_server_h view, const std::string& path) {
  tbs_dbid_t made = 0;
  return view_mkelem(view, path.c_str(), VOB_ELTYPE_DIRECTORY, "bench", 0, &made) == 0;
}

// Builds "<vob_dir>/comp/gN/dM/fK.c" with `files` files, all checked in;
// answers the number of elements made (directories included).
size_t build_tree(view_server_h view, const std::string& vob_dir, size_t files) {
  tbs_dbid_t made = 0;
  std::string top = vob_dir + "/comp";
  if (view_checkout(view, vob_dir.c_str(), "bench", &made) != 0 || !make_directory(view, top))
    return 0;
  size_t elements = 1;
  std::vector<std::string> opened{top};
  std::string group;
  std::string directory;
  for (size_t i = 0; i < files; ++i) {
    size_t dir_index = i / kFilesPerDirectory;
    if (i % (kFilesPerDirectory * kDirectoriesPerGroup) == 0) {
      group = top + "/g" + std::to_string(dir_index / kDirectoriesPerGroup);
      if (!make_directory(view, group))
        return 0;
      opened.push_back(group);
      ++elements;
    }
    if (i % kFilesPerDirectory == 0) {
      directory = group + "/d" + std::to_string(dir_index);
      if (!make_directory(view, directory))
        return 0;
      opened.push_back(directory);
      ++elements;
    }
    std::string file = directory + "/f" + std::to_string(i) + ".c";
    std::ofstream(file) << "int f" << i << ";\n";
    if (view_mkelem(view, file.c_str(), VOB_ELTYPE_FILE, "bench", 1, &made) != 0)
      return 0;
    ++elements;
  }
  for (auto it = opened.rbegin(); it != opened.rend(); ++it)
    if (view_checkin(view, it->c_str(), nullptr, &made) != 0)
      return 0;
  return view_checkin(view, vob_dir.c_str(), nullptr, &made) == 0 ? elements : 0;
}

void BM_ComponentFromExistingTree(benchmark::State& state) {
  size_t elements = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::string home = temp_home();
    vob_create_args_t pvob_args;
    pvob_args.tag = "/pvob";
    pvob_args.project_vob = true;
    vob_create_args_t src_args;
    src_args.tag = "/src";
    view_create_args_t view_args;
    view_args.tag = "bench";
    view_args.root = home + "/view";
    vob_vob_h pvob = nullptr;
    vob_vob_h src = nullptr;
    view_server_h view = nullptr;
    if (vob_create(pvob_args, &pvob) != 0 || vob_create(src_args, &src) != 0 ||
        view_create(view_args, &view) != 0) {
      state.SkipWithError("cannot set up the store");
      return;
    }
    elements = build_tree(view, view_args.root + "/src", file_count());
    view_path_info_t info;
    if (elements == 0 || view_lookup(view, "/src/comp", &info) != 0) {
      state.SkipWithError("cannot build the tree");
      return;
    }
    SUM_VobObject root(SUM_Vob(src), info.element);
    SUM_Component made;
    state.ResumeTiming();
    int status = SUM_Component::create(SUM_Vob(pvob), "comp", root, nullptr, view, "bench", made);
    state.PauseTiming();
    if (status != 0) {
      state.SkipWithError("the component was not made");
      return;
    }
    view_free_handle(view);
    fs::remove_all(home);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(elements));
  state.counters["elements"] = static_cast<double>(elements);
}
BENCHMARK(BM_ComponentFromExistingTree)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
