// Work in one activity: checking files out and in through a view attached
// to a stream, each checkout asking the library whether it is allowed and
// being recorded in the view's current activity, each check-in turning the
// entry into a checked-in version; and reading a stamp range of a large
// change set (SUM_Activity::change_set_in_range), as the baseline
// comparison does for each activity and component.
//
// KORVANE_BENCH_FILES (default 1000) files are checked out and in per run
// (two operations each); the rate is reported as operations per second.
// The range read uses an activity holding KORVANE_BENCH_CSET (default
// 10000) checked-in versions, made with repository calls before the timing
// starts, and reads a window of 100 stamps from its middle.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "services/view.h"
#include "services/vob.h"
#include "services/vob_elem.h"
#include "services/vob_zem_activity.h"
#include "sum/sum_activity.h"
#include "sum/sum_baseline.h"
#include "sum/sum_component.h"
#include "sum/sum_folder.h"
#include "sum/sum_ids.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "sum/sum_version.h"
#include "sum/sum_view.h"

namespace fs = std::filesystem;

namespace {

constexpr unsigned kRangeWidth = 100;

size_t env_count(const char* name, size_t fallback) {
  const char* text = std::getenv(name);
  return text != nullptr ? std::strtoul(text, nullptr, 10) : fallback;
}

std::string temp_home() {
  char tmpl[] = "/tmp/korvane-bench-XXXXXX";
  std::string path = mkdtemp(tmpl);
  setenv("KORVANE_HOME", path.c_str(), 1);
  return path;
}

view_server_h make_view(const std::string& tag, const std::string& root) {
  view_create_args_t args;
  args.tag = tag;
  args.root = root;
  view_server_h view = nullptr;
  return view_create(args, &view) == 0 ? view : nullptr;
}

// Files "<vob_dir>/fN.c", made and checked in through a view that is not
// attached to a stream.
bool make_files(view_server_h view, const std::string& vob_dir, size_t files,
                std::vector<std::string>& names) {
  tbs_dbid_t made = 0;
  if (view_checkout(view, vob_dir.c_str(), "bench", &made) != 0)
    return false;
  for (size_t i = 0; i < files; ++i) {
    std::string name = "f" + std::to_string(i) + ".c";
    std::ofstream(vob_dir + "/" + name) << "int f" << i << ";\n";
    if (view_mkelem(view, (vob_dir + "/" + name).c_str(), VOB_ELTYPE_FILE, "bench", 1, &made) != 0)
      return false;
    names.push_back(name);
  }
  return view_checkin(view, vob_dir.c_str(), nullptr, &made) == 0;
}

// A PVOB with a project that may modify the component made of the whole
// source VOB, its integration stream on the component's initial baseline,
// and a view attached to that stream with a current activity.
struct Setup {
  std::string home;
  vob_vob_h src = nullptr;
  std::vector<std::string> files;
  SUM_Stream stream;
  SUM_Activity activity;
  SUM_View view;
  std::string view_root;
};

bool set_up(size_t files, Setup& out) {
  out.home = temp_home();
  vob_create_args_t pvob_args;
  pvob_args.tag = "/pvob";
  pvob_args.project_vob = true;
  vob_create_args_t src_args;
  src_args.tag = "/src";
  vob_vob_h pvob = nullptr;
  view_server_h plain = make_view("plain", out.home + "/plain");
  if (vob_create(pvob_args, &pvob) != 0 || vob_create(src_args, &out.src) != 0 ||
      plain == nullptr || !make_files(plain, out.home + "/plain/src", files, out.files))
    return false;
  view_free_handle(plain);
  tbs_dbid_t root_dir = 0;
  SUM_Component component;
  SUM_Folder root;
  SUM_Project project;
  SUM_Baseline initial;
  if (vob_ob_get_wk_obj(out.src, VOB_WK_ROOT_DIRECTORY, &root_dir) != 0 ||
      SUM_Component::create(SUM_Vob(pvob), "src", SUM_VobObject(SUM_Vob(out.src), root_dir),
                            nullptr, nullptr, "bench", component) != 0 ||
      SUM_Folder::root_folder(SUM_Vob(pvob), root) != 0 ||
      SUM_Project::create("proj", "bench", root, "", 0, project) != 0)
    return false;
  SUM_ComponentList modifiable;
  modifiable.append(component);
  SUM_BaselineList foundation;
  if (project.add_mod_comps(modifiable, "bench", 0) != 0 ||
      SUM_Baseline::construct_from_selector("baseline:src_INITIAL@/pvob", SUM_Vob(), initial) != 0)
    return false;
  foundation.append(initial);
  out.view_root = out.home + "/work";
  view_server_h work = make_view("work", out.view_root);
  SUM_Uuid uuid;
  return work != nullptr &&
         SUM_Stream::create("integ", "bench", project, SUM_Stream(), "", 1, 0, foundation,
                            out.stream) == 0 &&
         SUM_View::construct_from_handle(work, 0, out.view) == 0 && out.view.uuid(uuid) == 0 &&
         out.stream.add_view(uuid, "bench") == 0 &&
         out.stream.create_activity("work", "bench work", "bench", out.activity) == 0 &&
         out.view.set_activity(out.activity, "bench", 0) == 0;
}

void BM_CheckoutCheckinInActivity(benchmark::State& state) {
  size_t files = env_count("KORVANE_BENCH_FILES", 1000);
  setenv("KORVANE_USER", "vobadmin", 1);
  for (auto _ : state) {
    state.PauseTiming();
    Setup setup;
    view_server_h view = nullptr;
    if (!set_up(files, setup) || setup.view.handle(view) != 0) {
      state.SkipWithError("cannot set up the stream and its view");
      return;
    }
    state.ResumeTiming();
    for (const std::string& name : setup.files) {
      std::string path = setup.view_root + "/src/" + name;
      tbs_dbid_t version = 0;
      if (view_checkout(view, path.c_str(), "edit", &version) != 0) {
        state.SkipWithError("a checkout failed");
        return;
      }
      std::ofstream(path, std::ios::app) << "// edited\n";
      if (view_checkin(view, path.c_str(), nullptr, &version) != 0) {
        state.SkipWithError("a check-in failed");
        return;
      }
    }
    state.PauseTiming();
    int has = 0;
    if (setup.activity.has_checkins(has) != 0 || !has)
      state.SkipWithError("the activity recorded nothing");
    fs::remove_all(setup.home);
    state.ResumeTiming();
  }
  state.counters["files"] = static_cast<double>(files);
  state.counters["operations_per_second"] = benchmark::Counter(
      static_cast<double>(2 * files), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_CheckoutCheckinInActivity)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Fills the activity's change set with `versions` checked-in versions of
// the set-up files, round after round, through the repository calls.
bool fill_change_set(const Setup& setup, size_t versions) {
  const SUM_Activity& act = setup.activity;
  view_server_h view = nullptr;
  if (setup.view.handle(view) != 0)
    return false;
  std::vector<tbs_dbid_t> branches;
  for (const std::string& name : setup.files) {
    view_path_info_t info;
    tbs_dbid_t branch = 0;
    std::string path = setup.view_root + "/src/" + name;
    if (view_lookup(view, path.c_str(), &info) != 0 ||
        vob_elem_get_main_branch(setup.src, info.element, &branch) != 0)
      return false;
    branches.push_back(branch);
  }
  for (size_t i = 0; i < versions; ++i) {
    tbs_dbid_t version = 0;
    tbs_dbid_t branch = branches[i % branches.size()];
    if (vob_ver_checkout(setup.src, branch, 0, "00000000.0000.0000.0000.000000000001", nullptr,
                         &version) != 0 ||
        vob_ver_checkin(setup.src, version, nullptr, nullptr) != 0 ||
        vob_zem_activity_cset_add_ver(act.vob().handle(), act.dbid(), setup.src, version, 0,
                                      nullptr, nullptr) != 0)
      return false;
  }
  return true;
}

void BM_ChangeSetInRange(benchmark::State& state) {
  size_t versions = env_count("KORVANE_BENCH_CSET", 10000);
  setenv("KORVANE_USER", "vobadmin", 1);
  Setup setup;
  tbs_uuid_t family;
  tbs_dbid_t root_dir = 0;
  tbs_oid_t root_oid;
  if (!set_up(10, setup) || !fill_change_set(setup, versions) ||
      vob_ob_get_family_uuid(setup.src, &family) != 0 ||
      vob_ob_get_wk_obj(setup.src, VOB_WK_ROOT_DIRECTORY, &root_dir) != 0 ||
      vob_obj_get_oid(setup.src, root_dir, &root_oid) != 0) {
    state.SkipWithError("cannot fill the change set");
    return;
  }
  unsigned from = static_cast<unsigned>(versions / 2);
  size_t found = 0;
  for (auto _ : state) {
    SUM_VersionList range;
    if (setup.activity.change_set_in_range(from, from + kRangeWidth, SUM_Oid(SUM_Uuid(family)),
                                           SUM_Oid(root_oid), range) != 0) {
      state.SkipWithError("the range read failed");
      return;
    }
    found = range.count();
  }
  fs::remove_all(setup.home);
  state.counters["change_set"] = static_cast<double>(versions);
  state.counters["in_range"] = static_cast<double>(found);
}
BENCHMARK(BM_ChangeSetInRange)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
