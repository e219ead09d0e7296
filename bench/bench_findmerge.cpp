// Merging a branch into main on a real tree, timed as a user runs it.
//
// The tree is the first KORVANE_BENCH_FILES (default 1000) regular files under
// KORVANE_BENCH_TREE (default /usr/include), imported and checked in on main.
// A branch "dev" changes every tenth file (100 of 1,000): one line appended,
// checked in. Then, each a vantool command of its own:
//   BM_FindmergePrint            findmerge -print of the branch
//   BM_FindmergeMergeAndCheckin  findmerge -merge, then ci of every checkout
//   BM_FindmergeMergeCiOneCommand  findmerge -merge -ci
// The branch is named by KORVANE_BENCH_MERGE_FROM (default /main/dev/LATEST);
// KORVANE_BENCH_VANTOOL names another vantool to time (an earlier build).
// BM_GitMergeSameChange merges the same change with git (`git merge --no-ff`
// of a branch changing the same files, in a temporary repository); it runs
// first, and the others report their time over git's as the counter "x_git".
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>

#include "bench/bench_tree.h"
#include "services/view.h"
#include "services/vob.h"
#include "services/vob_elem.h"

namespace fs = std::filesystem;

namespace {

using bench::Tree;

constexpr size_t kEveryNth = 10;  // the branch changes one file in this many
constexpr const char* kBranchLine = "/* changed on dev */\n";

const Tree& source_tree() {
  static const Tree tree = bench::load_tree(1000);
  return tree;
}

size_t changed_count(const Tree& tree) {
  return (tree.files.size() + kEveryNth - 1) / kEveryNth;
}

std::string merge_from() {
  const char* from = std::getenv("KORVANE_BENCH_MERGE_FROM");
  return from != nullptr ? from : "/main/dev/LATEST";
}

// Seconds of git's merge in this run; 0 until BM_GitMergeSameChange ran.
double g_git_seconds = 0;

// Runs a shell command line; its wall time in seconds, or -1 when it failed.
double timed_system(const std::string& command) {
  auto start = std::chrono::steady_clock::now();
  int rc = std::system(command.c_str());
  auto end = std::chrono::steady_clock::now();
  if (rc != 0)
    return -1;
  return std::chrono::duration<double>(end - start).count();
}

void append(const fs::path& file, const char* line) {
  std::ofstream(file, std::ios::binary | std::ios::app) << line;
}

std::string slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// A store holding the tree on main and the branch's changes; the main
// view's root is `main_root`.
struct Merging {
  std::string home;
  std::string main_root;
  bool ok = false;
};

Merging make_store(const Tree& tree) {
  Merging m;
  m.home = bench::temp_home();
  m.main_root = m.home + "/main";
  vob_create_args_t vob_args;
  vob_args.tag = "/bench";
  vob_vob_h vob = nullptr;
  view_create_args_t main_args;
  main_args.tag = "main";
  main_args.root = m.main_root;
  view_create_args_t dev_args;
  dev_args.tag = "dev";
  dev_args.root = m.home + "/dev";
  view_server_h main_view = nullptr;
  view_server_h dev_view = nullptr;
  tbs_dbid_t dev_type = 0;
  bool ok = vob_create(vob_args, &vob) == 0 && view_create(main_args, &main_view) == 0 &&
            bench::import_tree(main_view, m.main_root + "/bench", tree) &&
            vob_brtype_create(vob, "dev", nullptr, &dev_type) == 0 &&
            view_create(dev_args, &dev_view) == 0 &&
            view_set_spec(dev_view,
                          "element * CHECKEDOUT\n"
                          "element * .../dev/LATEST\n"
                          "element * /main/LATEST -mkbranch dev\n") == 0;
  for (size_t i = 0; ok && i < tree.files.size(); i += kEveryNth) {
    std::string path = dev_args.root + "/bench/" + tree.files[i].string();
    tbs_dbid_t version = 0;
    ok = view_checkout(dev_view, path.c_str(), "dev change", &version) == 0;
    if (ok) {
      append(path, kBranchLine);
      ok = view_checkin(dev_view, path.c_str(), nullptr, &version) == 0;
    }
  }
  if (main_view != nullptr)
    view_free_handle(main_view);
  if (dev_view != nullptr)
    view_free_handle(dev_view);
  m.ok = ok;
  return m;
}

// The vantool to run: KORVANE_BENCH_VANTOOL, or the one built with this benchmark.
std::string vantool() {
  const char* path = std::getenv("KORVANE_BENCH_VANTOOL");
  return std::string("'") + (path != nullptr ? path : VANTOOL_PATH) + "'";
}

std::string vantool_line(const Merging& m, const std::string& args) {
  return vantool() + " findmerge '" + m.main_root + "/bench' -fversion '" + merge_from() + "' " +
         args + " > /dev/null";
}

void report(benchmark::State& state, double seconds, size_t files) {
  state.counters["files"] = static_cast<double>(source_tree().files.size());
  state.counters["merged"] = static_cast<double>(files);
  if (g_git_seconds > 0)
    state.counters["x_git"] = seconds / g_git_seconds;
}

void BM_GitMergeSameChange(benchmark::State& state) {
  const Tree& tree = source_tree();
  double seconds = 0;
  for (auto _ : state) {
    std::string home = bench::temp_home();
    std::string work = home + "/git";
    const char* git = "git -c user.name=bench -c user.email=bench@localhost";
    std::string in_work = "cd '" + work + "' && ";
    fs::create_directories(work);
    for (const auto& f : tree.files) {
      fs::create_directories((fs::path(work) / f).parent_path());
      fs::copy_file(tree.root / f, fs::path(work) / f);
    }
    bool ok = std::system((in_work + "git init -q && git checkout -q -b main && git add -A && " +
                           git + " commit -q -m import && git checkout -q -b dev")
                              .c_str()) == 0;
    for (size_t i = 0; ok && i < tree.files.size(); i += kEveryNth)
      append(fs::path(work) / tree.files[i], kBranchLine);
    ok = ok &&
         std::system((in_work + git + " commit -q -a -m change && git checkout -q main").c_str()) ==
             0;
    if (!ok) {
      state.SkipWithError("git could not make the branch");
      return;
    }
    seconds = timed_system(in_work + git + " merge -q --no-ff -m merge dev");
    if (seconds < 0 ||
        slurp(fs::path(work) / tree.files[0]).find(kBranchLine) == std::string::npos) {
      state.SkipWithError("git merge failed");
      return;
    }
    state.SetIterationTime(seconds);
    fs::remove_all(home);
  }
  g_git_seconds = seconds;
  report(state, seconds, changed_count(tree));
}
BENCHMARK(BM_GitMergeSameChange)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_FindmergePrint(benchmark::State& state) {
  const Tree& tree = source_tree();
  double seconds = 0;
  for (auto _ : state) {
    Merging m = make_store(tree);
    if (!m.ok) {
      state.SkipWithError("cannot set up the store");
      return;
    }
    seconds = timed_system(vantool_line(m, "-print"));
    if (seconds < 0) {
      state.SkipWithError("findmerge -print failed");
      return;
    }
    state.SetIterationTime(seconds);
    fs::remove_all(m.home);
  }
  report(state, seconds, changed_count(tree));
}
BENCHMARK(BM_FindmergePrint)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();

// Times the shell line `command` makes for a fresh store and checks that
// the branch's line arrived in the main view; `what` names it when it failed.
void time_merge(benchmark::State& state, const std::function<std::string(const Merging&)>& command,
                const char* what) {
  const Tree& tree = source_tree();
  double seconds = 0;
  for (auto _ : state) {
    Merging m = make_store(tree);
    if (!m.ok) {
      state.SkipWithError("cannot set up the store");
      return;
    }
    seconds = timed_system(command(m));
    std::string merged = slurp(m.main_root + "/bench/" + tree.files[0].string());
    if (seconds < 0 || merged.find(kBranchLine) == std::string::npos) {
      state.SkipWithError(what);
      return;
    }
    state.SetIterationTime(seconds);
    fs::remove_all(m.home);
  }
  report(state, seconds, changed_count(tree));
}

void BM_FindmergeMergeAndCheckin(benchmark::State& state) {
  time_merge(
      state,
      [](const Merging& m) {
        return vantool_line(m, "-merge -nc") + " && " + vantool() +
               " lsco -short -view main | xargs -r " + vantool() + " ci -nc -view main > /dev/null";
      },
      "findmerge -merge or the check-in failed");
}
BENCHMARK(BM_FindmergeMergeAndCheckin)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// The same merge and check-in as one command, findmerge -merge -ci.
void BM_FindmergeMergeCiOneCommand(benchmark::State& state) {
  time_merge(
      state, [](const Merging& m) { return vantool_line(m, "-merge -ci -nc"); },
      "findmerge -merge -ci failed");
}
BENCHMARK(BM_FindmergeMergeCiOneCommand)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
