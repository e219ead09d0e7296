// Classifying a configuration change of 200 components, a third of them
// members of composites, against a baseline graph of 2,000 baselines.
//
// One project VOB with 200 components: 7 rootless composite components, 67
// member components (about ten per composite) and 126 standalone ones; a
// few members and standalone components are rooted (each in a VOB of its
// own, their baselines labeled by an empty full version map), the others
// rootless. The project's integration stream starts from every initial
// baseline; on its timelines each component then gets 10 baselines in
// sequence (round k makes the k-th of every member and standalone
// component, then the k-th of every composite, whose dependency record
// names the k-th baselines of its members), so each baseline descends from
// the one before it: 2,000 baselines. A development stream of the project
// has as foundation the 3rd baseline of each standalone component and of
// each composite (the members' 3rd implied by them); the new configuration
// names the 9th of the same, so that each of the 200 changes is a forward
// move through the baseline graph (67 of them implied).
//
// Timed, as the median and minimum of several runs (each in a fresh cache
// scope, as bench_diffbl does): a fresh SUM_NewConfig of the development
// stream, init with the new baselines, validate (the report gives init's
// share too). After each run the bench checks that the configuration is
// valid and that every change is "forward" and acceptable, and exits
// non-zero otherwise, so that it never times a failing path.
// KORVANE_BENCH_CLASSIFY_RUNS sets the number of runs (default 11).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/vob.h"
#include "services/vob_elem.h"
#include "services/vob_zem_baseline.h"
#include "sum/sum_baseline.h"
#include "sum/sum_baseline_dependency.h"
#include "sum/sum_cache_control.h"
#include "sum/sum_component.h"
#include "sum/sum_folder.h"
#include "sum/sum_new_config.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"

namespace {

constexpr int kComponents = 200;
constexpr int kComposites = 7;
constexpr int kMembers = 67;  // a third of the components
constexpr int kBaselinesPerComponent = 10;
constexpr int kFoundationIndex = 3;  // the development stream's baselines
constexpr int kNewIndex = 9;         // the new configuration's
// Every kRootedEvery-th member and standalone component is rooted.
constexpr int kRootedEvery = 20;

using Clock = std::chrono::steady_clock;

int runs() {
  const char* text = std::getenv("KORVANE_BENCH_CLASSIFY_RUNS");
  int n = text != nullptr ? std::atoi(text) : 11;
  return n > 0 ? n : 11;
}

double since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

vob_vob_h make_vob(const std::string& tag, bool project_vob) {
  vob_create_args_t args;
  args.tag = tag;
  args.project_vob = project_vob;
  vob_vob_h handle = nullptr;
  return vob_create(args, &handle) == 0 ? handle : nullptr;
}

bool fail(const char* what) {
  std::fprintf(stderr, "bench_classify: set-up failed: %s\n", what);
  return false;
}

// One component of the set-up and its baselines made in the integration
// stream, oldest first.
struct Comp {
  std::string name;
  SUM_Component component;
  SUM_Baseline initial;
  SUM_Timeline timeline;         // its timeline in the integration stream
  vob_vob_h root_vob = nullptr;  // rooted: the VOB of its root directory
  int composite = -1;            // a member: the index of its composite
  bool is_composite = false;
  std::vector<SUM_Baseline> baselines;
};

struct Setup {
  SUM_Stream dev;
  SUM_BaselineList new_baselines;
  int rooted = 0;
  int baselines = 0;
};

// Makes a baseline of `comp` at the end of its integration-stream timeline
// named `name`, with dependency record `deps_xml` (null: none); a rooted
// component's baseline gets an empty full version map, so that it counts as
// labeled.
bool make_baseline(vob_vob_h pvob, Comp& comp, const std::string& name, const char* deps_xml) {
  vob_zem_baseline_spec_t spec;
  spec.name = name.c_str();
  spec.component = comp.component.dbid();
  spec.timeline = comp.timeline.dbid();
  spec.deps_xml = deps_xml;
  tbs_dbid_t made = 0;
  if (vob_zem_baseline_create(pvob, spec, nullptr, &made) != 0)
    return fail(("baseline " + name).c_str());
  if (comp.root_vob != nullptr) {
    vob_vermap_info_t full;
    full.incremental = 0;
    tbs_dbid_t map = 0;
    if (vob_vermap_create(comp.root_vob, name.c_str(), {}, full, nullptr, &map) != 0 ||
        vob_zem_baseline_set_vermap(pvob, made, comp.root_vob, map, nullptr) != 0)
      return fail(("version map of " + name).c_str());
  }
  comp.baselines.push_back(SUM_Baseline(SUM_Vob(pvob), made));
  return true;
}

// Drops a message (the set-up's information lines, such as each rooted
// component's "Set Admin VOB" note).
void drop_message(const char*, void*) {}

bool set_up(Setup& out) {
  vob_vob_h handle = make_vob("/pvob", true);
  if (handle == nullptr)
    return fail("project VOB");
  SUM_Vob pvob(handle);
  SUM_Folder root;
  SUM_Project project;
  if (SUM_Folder::root_folder(pvob, root) != 0 ||
      SUM_Project::create("proj", "bench", root, "", 0, project) != 0)
    return fail("project");

  // Components: composites first, then members (spread evenly over the
  // composites), then standalone components.
  std::vector<Comp> comps(kComponents);
  for (int i = 0; i < kComponents; ++i) {
    Comp& comp = comps[i];
    std::string& name = comp.name;
    SUM_VobObject root_dir;
    if (i < kComposites) {
      comp.is_composite = true;
      name = "composite" + std::to_string(i);
    } else {
      int n = i - kComposites;
      bool member = n < kMembers;
      if (member)
        comp.composite = n % kComposites;
      name = (member ? "member" : "comp") + std::to_string(n);
      if (n % kRootedEvery == 0) {
        comp.root_vob = make_vob("/src_" + name, false);
        tbs_dbid_t dir = 0;
        if (comp.root_vob == nullptr ||
            vob_ob_get_wk_obj(comp.root_vob, VOB_WK_ROOT_DIRECTORY, &dir) != 0)
          return fail(("VOB of " + name).c_str());
        root_dir = SUM_VobObject(SUM_Vob(comp.root_vob), dir);
        ++out.rooted;
      }
    }
    if (SUM_Component::create(pvob, name.c_str(), root_dir, nullptr, nullptr, "bench",
                              comp.component) != 0 ||
        comp.component.initial_baseline(comp.initial) != 0)
      return fail(("component " + name).c_str());
  }

  SUM_BaselineList initials;
  for (const Comp& comp : comps)
    initials.append(comp.initial);
  SUM_Stream integ;
  if (SUM_Stream::create("integ", "bench", project, SUM_Stream(), "", 1, 0, initials, integ) != 0)
    return fail("integration stream");
  for (Comp& comp : comps)
    if (integ.component_timeline_autocreate(comp.component, comp.timeline) != 0)
      return fail("timeline");

  // Round k: the k-th baseline of every member and standalone component,
  // then of every composite, naming its members' k-th.
  for (int k = 1; k <= kBaselinesPerComponent; ++k) {
    for (Comp& comp : comps)
      if (!comp.is_composite &&
          !make_baseline(handle, comp, comp.name + "_BL" + std::to_string(k), nullptr))
        return false;
    for (int c = 0; c < kComposites; ++c) {
      SUM_BaselineList members;
      for (const Comp& comp : comps)
        if (comp.composite == c)
          members.append(comp.baselines.back());
      SUM_String xml;
      if (SUM_BaselineDependency::deps_to_xml_text(members, xml) != 0)
        return fail("dependency record");
      Comp& composite = comps[c];
      if (!make_baseline(handle, composite, composite.name + "_BL" + std::to_string(k),
                         static_cast<const char*>(xml)))
        return false;
    }
  }

  // The development stream on the 3rd baselines; the new configuration
  // names the 9th.
  SUM_BaselineList foundation;
  for (const Comp& comp : comps) {
    out.baselines += static_cast<int>(comp.baselines.size());
    if (comp.composite >= 0)
      continue;
    foundation.append(comp.baselines[kFoundationIndex - 1]);
    out.new_baselines.append(comp.baselines[kNewIndex - 1]);
  }
  if (SUM_Stream::create("dev", "bench", project, integ, "", 0, 0, foundation, out.dev) != 0)
    return fail("development stream");
  return true;
}

// The outcome of one timed run.
struct Run {
  double ms = -1;
  double init_ms = -1;
  size_t changes = 0;
  size_t forward = 0;
  size_t implied = 0;
};

// One classification, timed; false (after a message) when a step fails or
// a change is not an acceptable forward move.
bool classify(const Setup& setup, Run& run) {
  SUM_CacheControl scope;
  Clock::time_point start = Clock::now();
  SUM_NewConfig config(setup.dev, SUM_NewConfigCBs());
  int init_status = config.init(setup.new_baselines);
  run.init_ms = since(start);
  int validate_status = init_status == 0 ? config.validate() : -1;
  run.ms = since(start);
  if (init_status != 0 || validate_status != 0) {
    std::fprintf(stderr, "bench_classify: init %d, validate %d\n", init_status, validate_status);
    return false;
  }
  int valid = 0;
  config.is_valid(valid);
  bool ok = valid == 1;
  for (const auto& change : config.changes()) {
    int change_valid = 0;
    change->is_valid(change_valid);
    ++run.changes;
    if (change->implied())
      ++run.implied;
    if (change->kind() == SUM_FoundationChange::FORWARD && change_valid) {
      ++run.forward;
      continue;
    }
    ok = false;
    const char* kind = SUM_FoundationChange::kind2str(change->kind());
    SUM_String text;
    change->status_msg(text);
    std::fprintf(stderr, "bench_classify: %s: kind %s, validity %d: %s\n",
                 change->component().any_name(), kind != nullptr ? kind : "?", change->validity(),
                 static_cast<const char*>(text));
  }
  if (run.changes != static_cast<size_t>(kComponents)) {
    std::fprintf(stderr, "bench_classify: %zu changes, %d expected\n", run.changes, kComponents);
    ok = false;
  }
  if (!valid)
    std::fprintf(stderr, "bench_classify: the configuration is not valid\n");
  return ok;
}

// Removes the bench's KORVANE_HOME.
bool remove_home(const std::string& home) {
  std::string command = "rm -rf '" + home + "'";
  return std::system(command.c_str()) == 0;
}

}  // namespace

int main() {
  char tmpl[] = "/tmp/korvane-bench-XXXXXX";
  std::string home = mkdtemp(tmpl);
  setenv("KORVANE_HOME", home.c_str(), 1);
  setenv("KORVANE_USER", "vobadmin", 1);

  imsg_set_program_name("bench_classify");
  imsg_proc_t printers[IMSG_NUM_PROCS], quiet[IMSG_NUM_PROCS];
  void* printer_arg = nullptr;
  imsg_get_redirect_procs(printers, &printer_arg);
  std::copy(printers, printers + IMSG_NUM_PROCS, quiet);
  quiet[IMSG_INFO] = drop_message;
  imsg_set_redirect_procs(quiet, printer_arg);
  Clock::time_point start = Clock::now();
  Setup setup;
  bool made = set_up(setup);
  double setup_ms = since(start);
  imsg_set_redirect_procs(printers, printer_arg);
  if (!made) {
    remove_home(home);
    return 1;
  }

  std::vector<double> samples, init_samples;
  Run run;
  for (int r = 0; r < runs(); ++r) {
    run = Run();
    if (!classify(setup, run)) {
      std::fprintf(stderr, "bench_classify: run %d did not classify every change forward\n", r + 1);
      remove_home(home);
      return 1;
    }
    samples.push_back(run.ms);
    init_samples.push_back(run.init_ms);
  }
  std::sort(samples.begin(), samples.end());
  std::sort(init_samples.begin(), init_samples.end());
  std::printf(
      "classify a configuration change: %d components (%d composites, %d members, %d rooted), "
      "%d baselines; set-up %.1f s\n",
      kComponents, kComposites, kMembers, setup.rooted, setup.baselines, setup_ms / 1000.0);
  std::printf(
      "%zu changes, %zu forward (%zu implied): median %.2f ms, min %.2f ms (%d runs); "
      "of which init: median %.2f ms\n",
      run.changes, run.forward, run.implied, samples[samples.size() / 2], samples.front(), runs(),
      init_samples[init_samples.size() / 2]);
  return remove_home(home) ? 0 : 1;
}
