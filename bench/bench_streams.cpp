// Making development streams with a foundation: SUM_Stream::create with the
// initial baselines of a few components, each stream validated against its
// parent's foundation and committed (foundation hyperlinks, timelines of
// the rooted components, the stream's branch type). The PVOB, the
// components and the integration stream are made before the timing starts.
//
// KORVANE_BENCH_STREAMS (default 200) streams are made per run in one
// project, each with a foundation of two rooted and two rootless
// components; the rate is reported as streams per second.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "services/vob.h"
#include "sum/sum_baseline.h"
#include "sum/sum_component.h"
#include "sum/sum_folder.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"

namespace {

constexpr int kRootedComponents = 2;
constexpr int kRootlessComponents = 2;

size_t stream_count() {
  const char* count = std::getenv("KORVANE_BENCH_STREAMS");
  return count != nullptr ? std::strtoul(count, nullptr, 10) : 200;
}

std::string temp_home() {
  char tmpl[] = "/tmp/korvane-bench-XXXXXX";
  std::string path = mkdtemp(tmpl);
  setenv("KORVANE_HOME", path.c_str(), 1);
  return path;
}

vob_vob_h make_vob(const std::string& tag, bool project_vob) {
  vob_create_args_t args;
  args.tag = tag.c_str();
  args.project_vob = project_vob;
  vob_vob_h handle = nullptr;
  return vob_create(args, &handle) == 0 ? handle : nullptr;
}

// A PVOB with a project, the components and the integration stream whose
// foundation is the components' initial baselines.
struct Setup {
  SUM_Project project;
  SUM_Stream integration;
  SUM_BaselineList foundation;
};

bool make_component(const SUM_Vob& pvob, const std::string& name, bool rooted,
                    SUM_BaselineList& foundation) {
  SUM_VobObject root;
  if (rooted) {
    vob_vob_h vob = make_vob("/" + name, false);
    tbs_dbid_t root_dir = 0;
    if (vob == nullptr || vob_ob_get_wk_obj(vob, VOB_WK_ROOT_DIRECTORY, &root_dir) != 0)
      return false;
    root = SUM_VobObject(SUM_Vob(vob), root_dir);
  }
  SUM_Component component;
  SUM_Baseline initial;
  if (SUM_Component::create(pvob, name.c_str(), root, nullptr, nullptr, "bench", component) != 0 ||
      SUM_Baseline::construct_from_selector(("baseline:" + name + "_INITIAL@/pvob").c_str(),
                                            SUM_Vob(), initial) != 0)
    return false;
  foundation.append(initial);
  return true;
}

bool set_up(Setup& out) {
  vob_vob_h handle = make_vob("/pvob", true);
  if (handle == nullptr)
    return false;
  SUM_Vob pvob(handle);
  SUM_Folder root;
  if (SUM_Folder::root_folder(pvob, root) != 0 ||
      SUM_Project::create("proj", "bench", root, "", 0, out.project) != 0)
    return false;
  for (int i = 0; i < kRootedComponents + kRootlessComponents; ++i)
    if (!make_component(pvob, "comp" + std::to_string(i), i < kRootedComponents, out.foundation))
      return false;
  return SUM_Stream::create("integ", "bench", out.project, SUM_Stream(), "", 1, 0, out.foundation,
                            out.integration) == 0;
}

void BM_CreateStreamsWithFoundation(benchmark::State& state) {
  size_t streams = stream_count();
  setenv("KORVANE_USER", "vobadmin", 1);
  for (auto _ : state) {
    state.PauseTiming();
    temp_home();
    Setup setup;
    if (!set_up(setup)) {
      state.SkipWithError("cannot set up the project");
      return;
    }
    state.ResumeTiming();
    for (size_t i = 0; i < streams; ++i) {
      SUM_Stream made;
      if (SUM_Stream::create(("dev" + std::to_string(i)).c_str(), "bench", setup.project,
                             setup.integration, "", 0, 0, setup.foundation, made) != 0) {
        state.SkipWithError("cannot create a stream");
        return;
      }
    }
  }
  state.counters["streams"] = static_cast<double>(streams);
  state.counters["components"] = kRootedComponents + kRootlessComponents;
  state.counters["streams_per_second"] = benchmark::Counter(
      static_cast<double>(streams), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_CreateStreamsWithFoundation)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
