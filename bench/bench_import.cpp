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

#include "bench/bench_tree.h"
#include "services/view.h"
#include "services/vob.h"
#include "services/vob_elem.h"

namespace fs = std::filesystem;

namespace {

using bench::import_tree;
using bench::temp_home;
using bench::Tree;

const Tree& source_tree() {
  static const Tree tree = bench::load_tree(3000);
  return tree;
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
