// Config spec generation and foundation evaluation for a large foundation.
//
// KORVANE_BENCH_CSPEC_COMPONENTS (default 200) rooted components, each the
// root of its own VOB; a third of them are members of composite baselines
// (rootless components, kMembersPerComposite members each), the others are
// in the foundation directly. The integration stream is made on that
// foundation and has two views, so its text is generated in full.
//
// BM_GenerateCspec times SUM_Stream::generate_cspec; BM_EvaluateFoundation
// times SUM_Foundation::construct_from_baselines and closure of the
// stream's explicit baselines. Each reports milliseconds per operation.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "services/view.h"
#include "services/vob.h"
#include "sum/sum_activity.h"
#include "sum/sum_baseline.h"
#include "sum/sum_component.h"
#include "sum/sum_folder.h"
#include "sum/sum_foundation.h"
#include "sum/sum_lists.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"
#include "sum/sum_view.h"

namespace {

constexpr unsigned kMembersPerComposite = 11;

unsigned component_count() {
  const char* count = std::getenv("KORVANE_BENCH_CSPEC_COMPONENTS");
  return count != nullptr ? static_cast<unsigned>(std::strtoul(count, nullptr, 10)) : 200;
}

vob_vob_h make_vob(const std::string& tag, bool project_vob) {
  vob_create_args_t args;
  args.tag = tag.c_str();
  args.project_vob = project_vob;
  vob_vob_h handle = nullptr;
  return vob_create(args, &handle) == 0 ? handle : nullptr;
}

// The integration stream on the large foundation, made once per process.
struct Setup {
  bool ok = false;
  SUM_Stream integration;
  SUM_BaselineList explicit_baselines;
  unsigned closure_size = 0;
};

bool make_rooted(const SUM_Vob& pvob, unsigned i, SUM_Baseline& initial) {
  std::string name = "comp" + std::to_string(i);
  vob_vob_h vob = make_vob("/" + name, false);
  tbs_dbid_t root_dir = 0;
  SUM_Component component;
  return vob != nullptr && vob_ob_get_wk_obj(vob, VOB_WK_ROOT_DIRECTORY, &root_dir) == 0 &&
         SUM_Component::create(pvob, name.c_str(), SUM_VobObject(SUM_Vob(vob), root_dir), nullptr,
                               nullptr, "bench", component) == 0 &&
         component.initial_baseline(initial) == 0;
}

// A rootless component with one baseline whose members are `members`.
bool make_composite(const SUM_Vob& pvob, unsigned i, const SUM_BaselineList& members,
                    SUM_Baseline& composite) {
  SUM_Component component;
  SUM_Timeline timeline;
  std::string name = "group" + std::to_string(i);
  return SUM_Component::create(pvob, name.c_str(), SUM_VobObject(), nullptr, nullptr, "bench",
                               component) == 0 &&
         component.main_timeline(timeline) == 0 &&
         SUM_Baseline::create_and_reorder(timeline, (name + "_bl").c_str(), SUM_ActivityList(),
                                          members, "bench", 0, -1, SUM_TimelineEntryList(),
                                          composite) == 0;
}

bool attach_view(const std::string& home, const char* tag, const SUM_Stream& stream) {
  view_create_args_t args;
  args.tag = tag;
  args.root = home + "/roots/" + tag;
  SUM_View view;
  return view_create(args, nullptr) == 0 && SUM_View::construct_from_tag(tag, view) == 0 &&
         view.set_stream(stream, "bench") == 0;
}

Setup make_setup() {
  Setup setup;
  char tmpl[] = "/tmp/korvane-bench-XXXXXX";
  std::string home = mkdtemp(tmpl);
  setenv("KORVANE_HOME", home.c_str(), 1);
  setenv("KORVANE_USER", "vobadmin", 1);
  vob_vob_h handle = make_vob("/pvob", true);
  if (handle == nullptr)
    return setup;
  SUM_Vob pvob(handle);
  SUM_Folder root;
  SUM_Project project;
  if (SUM_Folder::root_folder(pvob, root) != 0 ||
      SUM_Project::create("proj", "bench", root, "", 0, project) != 0)
    return setup;
  unsigned count = component_count();
  unsigned members = count / 3;
  SUM_BaselineList group;
  for (unsigned i = 0; i < count; ++i) {
    SUM_Baseline initial;
    if (!make_rooted(pvob, i, initial))
      return setup;
    if (i >= members) {
      setup.explicit_baselines.append(initial);
      continue;
    }
    group.append(initial);
    if (group.count() == kMembersPerComposite || i + 1 == members) {
      SUM_Baseline composite;
      if (!make_composite(pvob, i, group, composite))
        return setup;
      setup.explicit_baselines.append(composite);
      group.clear();
    }
  }
  SUM_Foundation foundation;
  SUM_BaselineList closure;
  if (SUM_Stream::create("integ", "bench", project, SUM_Stream(), "", 1, 0,
                         setup.explicit_baselines, setup.integration) != 0 ||
      !attach_view(home, "view1", setup.integration) ||
      !attach_view(home, "view2", setup.integration) ||
      SUM_Foundation::construct_from_baselines(setup.explicit_baselines, foundation) != 0 ||
      foundation.closure(closure) != 0)
    return setup;
  setup.closure_size = closure.count();
  setup.ok = true;
  return setup;
}

Setup& setup() {
  static Setup made = make_setup();
  return made;
}

void BM_GenerateCspec(benchmark::State& state) {
  Setup& s = setup();
  if (!s.ok) {
    state.SkipWithError("cannot set up the stream");
    return;
  }
  for (auto _ : state) {
    SUM_String text;
    if (s.integration.generate_cspec(text) != 0) {
      state.SkipWithError("generation failed");
      return;
    }
    benchmark::DoNotOptimize(text.GetLength());
  }
  state.counters["components"] = s.closure_size;
}
BENCHMARK(BM_GenerateCspec)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

void BM_EvaluateFoundation(benchmark::State& state) {
  Setup& s = setup();
  if (!s.ok) {
    state.SkipWithError("cannot set up the stream");
    return;
  }
  for (auto _ : state) {
    SUM_Foundation foundation;
    SUM_BaselineList closure;
    if (SUM_Foundation::construct_from_baselines(s.explicit_baselines, foundation) != 0 ||
        foundation.closure(closure) != 0) {
      state.SkipWithError("evaluation failed");
      return;
    }
    benchmark::DoNotOptimize(closure.count());
  }
  state.counters["components"] = s.closure_size;
}
BENCHMARK(BM_EvaluateFoundation)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
