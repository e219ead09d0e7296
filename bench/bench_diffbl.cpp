// Comparing two baselines 100 activities apart in a component whose history
// has 1,000 and then 10,000 activities: the time should follow the
// difference, not the history.
//
// Each history is a project VOB of its own with one component and an
// integration stream whose activities are recorded by a baseline every 500
// activities (each baseline records every activity of the stream so far, as
// baselines made from a stream do). OLD records all but the last 100
// activities, NEW all of them. Timed, each as the median of several runs:
//   library  BaselineDiff2 construct + activity_diffs + each activity's
//            headline (what `vantool diffbl` does in-process);
//   vantool  `vantool diffbl OLD NEW` as a process.
// The report gives both histories and the ratio 10,000 / 1,000 (goal: under
// 1.2). KORVANE_BENCH_DIFFBL_RUNS sets the runs per figure (default 21).
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "services/vob.h"
#include "services/vob_zem_baseline.h"
#include "sum/sum_activity.h"
#include "sum/sum_baseline.h"
#include "sum/sum_baseline_diff.h"
#include "sum/sum_baseline_diff2.h"
#include "sum/sum_cache_control.h"
#include "sum/sum_component.h"
#include "sum/sum_folder.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"

extern char** environ;

namespace {

constexpr size_t kDifference = 100;
constexpr size_t kBaselineEvery = 500;

using Clock = std::chrono::steady_clock;

int runs() {
  const char* text = std::getenv("KORVANE_BENCH_DIFFBL_RUNS");
  int n = text != nullptr ? std::atoi(text) : 21;
  return n > 0 ? n : 21;
}

vob_vob_h make_vob(const std::string& tag, bool project_vob) {
  vob_create_args_t args;
  args.tag = tag.c_str();
  args.project_vob = project_vob;
  vob_vob_h handle = nullptr;
  return vob_create(args, &handle) == 0 ? handle : nullptr;
}

// A project VOB `tag` whose component's integration stream has `history`
// activities; OLD and NEW as above. False when something cannot be made.
bool make_history(const std::string& tag, size_t history) {
  vob_vob_h handle = make_vob(tag, true);
  vob_vob_h src = make_vob(tag + "_src", false);
  tbs_dbid_t root_dir = 0;
  if (handle == nullptr || src == nullptr ||
      vob_ob_get_wk_obj(src, VOB_WK_ROOT_DIRECTORY, &root_dir) != 0)
    return false;
  SUM_Vob pvob(handle);
  SUM_Folder root;
  SUM_Project project;
  SUM_Component component;
  SUM_Baseline initial;
  SUM_Stream stream;
  SUM_Timeline timeline;
  SUM_BaselineList foundation;
  if (SUM_Folder::root_folder(pvob, root) != 0 ||
      SUM_Project::create("proj", "bench", root, "", 0, project) != 0 ||
      SUM_Component::create(pvob, "comp", SUM_VobObject(SUM_Vob(src), root_dir), nullptr, nullptr,
                            "bench", component) != 0 ||
      component.initial_baseline(initial) != 0)
    return false;
  foundation.append(initial);
  if (SUM_Stream::create("integ", "bench", project, SUM_Stream(), "", 1, 0, foundation, stream) !=
          0 ||
      stream.component_timeline_autocreate(component, timeline) != 0)
    return false;
  vob_zem_baseline_spec_t spec;
  spec.component = component.dbid();
  spec.timeline = timeline.dbid();
  for (size_t i = 1; i <= history; ++i) {
    SUM_Activity activity;
    std::string name = "act" + std::to_string(i);
    if (stream.create_activity(name.c_str(), ("change " + std::to_string(i)).c_str(), "",
                               activity) != 0)
      return false;
    spec.csets.push_back({activity.dbid(), 1});
    std::string baseline;
    if (i == history - kDifference)
      baseline = "OLD";
    else if (i == history)
      baseline = "NEW";
    else if (i % kBaselineEvery == 0)
      baseline = "BL" + std::to_string(i);
    if (baseline.empty())
      continue;
    spec.name = baseline.c_str();
    tbs_dbid_t made = 0;
    if (vob_zem_baseline_create(handle, spec, nullptr, &made) != 0)
      return false;
  }
  return true;
}

double median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

double since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// One library comparison of OLD and NEW of `tag`, in milliseconds; -1 on
// failure.
double time_library(const std::string& tag) {
  Clock::time_point start = Clock::now();
  SUM_CacheControl scope;
  SUM_Baseline old_bl, new_bl;
  BaselineDiff2 diff;
  BaselineDiffList activities;
  if (SUM_Baseline::construct_from_selector(("OLD@" + tag).c_str(), SUM_Vob(), old_bl) != 0 ||
      SUM_Baseline::construct_from_selector(("NEW@" + tag).c_str(), SUM_Vob(), new_bl) != 0 ||
      BaselineDiff2::construct(old_bl, new_bl, diff) != 0 ||
      diff.activity_diffs(SUM_Component(), nullptr, activities) != 0 ||
      activities.count() != kDifference)
    return -1;
  for (unsigned i = 0; i < activities.count(); ++i) {
    SUM_String headline;
    if (activities[i].activity().title(headline) != 0)
      return -1;
  }
  return since(start);
}

// One `vantool diffbl OLD NEW` of `tag` as a process (output discarded), in
// milliseconds; -1 on failure.
double time_vantool(const std::string& tag) {
  std::string old_bl = "OLD@" + tag, new_bl = "NEW@" + tag;
  const char* argv[] = {VANTOOL_PATH, "diffbl", old_bl.c_str(), new_bl.c_str(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  Clock::time_point start = Clock::now();
  pid_t pid = 0;
  int status = 0;
  bool ok =
      posix_spawn(&pid, VANTOOL_PATH, &actions, nullptr, const_cast<char**>(argv), environ) == 0 &&
      waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  double elapsed = since(start);
  posix_spawn_file_actions_destroy(&actions);
  return ok ? elapsed : -1;
}

}  // namespace

int main() {
  char tmpl[] = "/tmp/korvane-bench-XXXXXX";
  std::string home = mkdtemp(tmpl);
  setenv("KORVANE_HOME", home.c_str(), 1);
  setenv("KORVANE_USER", "vobadmin", 1);
  const size_t histories[] = {1000, 10000};
  std::string tags[2];
  for (int h = 0; h < 2; ++h) {
    tags[h] = "/pvob" + std::to_string(histories[h]);
    if (!make_history(tags[h], histories[h])) {
      std::fprintf(stderr, "bench_diffbl: cannot make the history of %zu activities\n",
                   histories[h]);
      return 1;
    }
  }
  // The two histories take turns, so that whatever else the machine does
  // falls on both alike.
  std::vector<double> library_samples[2], tool_samples[2];
  for (int r = 0; r < runs(); ++r) {
    for (int h = 0; h < 2; ++h) {
      double in_process = time_library(tags[h]);
      double as_process = time_vantool(tags[h]);
      if (in_process < 0 || as_process < 0) {
        std::fprintf(stderr, "bench_diffbl: the comparison failed (history %zu)\n", histories[h]);
        return 1;
      }
      library_samples[h].push_back(in_process);
      tool_samples[h].push_back(as_process);
    }
  }
  double library[2], tool[2];
  for (int h = 0; h < 2; ++h) {
    library[h] = median(library_samples[h]);
    tool[h] = median(tool_samples[h]);
  }
  std::printf("diffbl of two baselines %zu activities apart (median of %d runs)\n", kDifference,
              runs());
  std::printf("%-10s %12s %12s %8s\n", "", "1,000", "10,000", "ratio");
  std::printf("%-10s %9.2f ms %9.2f ms %8.2f\n", "library", library[0], library[1],
              library[1] / library[0]);
  std::printf("%-10s %9.2f ms %9.2f ms %8.2f\n", "vantool", tool[0], tool[1], tool[1] / tool[0]);
  std::string cleanup = "rm -rf '" + home + "'";
  return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
