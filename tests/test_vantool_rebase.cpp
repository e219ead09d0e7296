// vantool rebase end to end: a development stream rebased to its rebase
// stream's recommendation in its view, phase by phase (start, -status,
// -complete) and at once; cancelled; in a snapshot
// view that must be updated first; the rebase in progress as lsstream and
// describe show it; the refusals, which store nothing; and bad usage.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/project_builder.h"
#include "support/sandbox.h"
#include "support/vantool_runner.h"
#include "vantool_project_fixture.h"

namespace {

using test_support::has;
using test_support::vantool;
using test_support::vantool_err;
using test_support::vantool_out;
using test_support::vantool_refuses;

const char kNoRebase[] = "No rebase operation in progress for stream \"dev@/pvob\".\n";

class VantoolRebaseTest : public zem_test::VantoolProjectTest {
 protected:
  // The standard project (component src, integration stream "int" on
  // src_INITIAL, development stream "dev" with view "dev" set to activity
  // "work"), and development stream "dev2" (view "dev2") that added
  // other.txt to the src root. Then in a view of "int" activity "fix" adds
  // fix.txt, baseline INT1 records it and "int" recommends INT1. "dev"
  // changed nothing, so its rebase to INT1 needs no merge; dev2's would
  // have to merge the root directory.
  void SetUp() override {
    ASSERT_TRUE(build_project(home, test_support::standard_project()));
    run({"mkstream", "-in", "proj@/pvob", "-nc", "dev2@/pvob"});
    make_view("dev2@/pvob", "dev2");
    run({"mkact", "-view", "dev2", "-headline", "Other work", "-nc", "other@/pvob"});
    add_file("dev2", "other.txt");

    make_view("int@/pvob", "int");
    run({"mkact", "-view", "int", "-headline", "Fix", "-nc", "fix@/pvob"});
    add_file("int", "fix.txt");
    run({"mkbl", "-view", "int", "-nc", "INT1"});
    run({"chstream", "-recommended", "INT1@/pvob", "-nc", "int@/pvob"});
  }

  bool visible(const std::string& tag, const std::string& name) {
    return std::ifstream(home.path() + "/" + tag + "/src/" + name).good();
  }
  // The line of lsstream -long that starts with `key`.
  std::string long_line(const std::string& stream, const std::string& key) {
    std::string shown = vantool_out({"lsstream", "-long", stream});
    size_t start = shown.find("  " + key + ": ");
    if (start == std::string::npos)
      return "";
    return shown.substr(start, shown.find('\n', start) - start);
  }
  std::string current_activity(const std::string& tag) {
    return vantool_out({"lsact", "-cact", "-short", "-view", tag});
  }
  // The rules of the view's config spec: its text without the comment
  // line saying when it was generated.
  std::string spec_rules(const std::string& tag) {
    std::string spec = vantool_out({"catcs", "-view", tag});
    size_t at = spec.find("\n# \"");
    if (at != std::string::npos)
      spec.erase(at + 1, spec.find('\n', at + 1) - at);
    return spec;
  }
  // What a refused or cancelled rebase must leave as it was.
  std::string state(const std::string& stream, const std::string& tag) {
    return vantool_out({"lsstream", "-json", stream}) + spec_rules(tag) + current_activity(tag);
  }
  // The state of the rebase in progress as -status names it ("" for none).
  std::string status_state(const std::string& stream) {
    std::string shown = vantool_out({"rebase", "-status", "-stream", stream});
    const std::string key = "Rebase operation is currently in state \"";
    size_t at = shown.find(key);
    if (at == std::string::npos)
      return "";
    at += key.size();
    return shown.substr(at, shown.find('"', at) - at);
  }
};

// ---- a rebase run phase by phase, and at once -------------------------------------

TEST_F(VantoolRebaseTest, FirstPhaseShowsTheNewConfigurationInTheViewAndCompleteCommitsIt) {
  EXPECT_EQ(long_line("dev@/pvob", "foundation baselines"),
            "  foundation baselines: src_INITIAL@/pvob");
  EXPECT_EQ(current_activity("dev"), "work@/pvob\n");

  auto started = vantool({"rebase", "-view", "dev"});
  ASSERT_EQ(started.exit_code, 0) << started.err;
  EXPECT_TRUE(has(started.out,
                  "Rebase of stream \"dev@/pvob\" to the recommended baselines of stream "
                  "\"int@/pvob\":\nStarted the rebase of stream \"dev@/pvob\" in view \"dev\" to: "
                  "INT1@/pvob.\n"))
      << started.out;
  EXPECT_TRUE(has(started.out,
                  "then run \"vantool rebase -complete -view dev\" to finish the rebase, or "
                  "\"vantool rebase -cancel -view dev\" to undo it.\n"))
      << started.out;
  EXPECT_EQ(started.err, "") << "no progress lines off a terminal";

  // The view shows the new configuration; the stream keeps its own.
  EXPECT_TRUE(visible("dev", "fix.txt"));
  EXPECT_TRUE(has(vantool_out({"catcs", "-view", "dev"}), " INT1 "));
  EXPECT_EQ(long_line("dev@/pvob", "foundation baselines"),
            "  foundation baselines: src_INITIAL@/pvob");

  // The operation in progress, as -status, lsstream and describe show it.
  auto status = vantool({"rebase", "-status", "-stream", "dev@/pvob"});
  EXPECT_EQ(status.exit_code, 0) << status.err;
  EXPECT_TRUE(has(status.out, "dev@/pvob")) << status.out;
  EXPECT_TRUE(has(status.out, "\"dev\"")) << "its view: " << status.out;
  EXPECT_TRUE(has(status.out, "INT1@/pvob")) << "its baselines: " << status.out;
  std::string state = status_state("dev@/pvob");
  ASSERT_NE(state, "") << status.out;
  std::string listed = vantool_out({"lsstream", "-long", "dev@/pvob"});
  EXPECT_TRUE(has(listed, "  rebase in progress: " + state +
                              "\n    view: dev\n    integration activity: rebase.dev."))
      << listed;
  std::string json = vantool_out({"lsstream", "-json", "dev@/pvob"});
  EXPECT_TRUE(has(json, "\"rebase_in_progress\":{\"state\":\"" + state +
                            "\",\"view\":\"dev\",\"activity\":\"rebase.dev."))
      << json;
  EXPECT_TRUE(has(vantool_out({"describe", "stream:dev@/pvob"}),
                  "  rebase in progress: " + state + "\n    view: dev\n"));
  EXPECT_TRUE(has(vantool_out({"describe", "-json", "stream:dev@/pvob"}),
                  "\"rebase_in_progress\":{\"state\":\"" + state + "\""));

  // One rebase at a time.
  auto again = vantool({"rebase", "-view", "dev"});
  EXPECT_EQ(again.exit_code, 1);
  EXPECT_TRUE(has(again.err, "Rebase operation already in progress on stream \"dev\"."))
      << again.err;

  auto completed = vantool({"rebase", "-complete", "-view", "dev"});
  ASSERT_EQ(completed.exit_code, 0) << completed.err;
  EXPECT_TRUE(has(completed.out,
                  "Rebase of stream \"dev@/pvob\" completed: its foundation baselines are now "
                  "INT1@/pvob.\n"))
      << completed.out;
  EXPECT_EQ(long_line("dev@/pvob", "foundation baselines"), "  foundation baselines: INT1@/pvob");
  EXPECT_EQ(long_line("dev@/pvob", "behind recommended"), "  behind recommended: (up to date)");
  EXPECT_EQ(long_line("dev@/pvob", "rebase in progress"), "") << "no record left";
  EXPECT_TRUE(has(vantool_out({"lsstream", "-json", "dev@/pvob"}), "\"rebase_in_progress\":null"));
  EXPECT_EQ(vantool_out({"rebase", "-status", "-view", "dev"}), kNoRebase);
  EXPECT_TRUE(has(vantool_out({"catcs", "-view", "dev"}), " INT1 "));
  EXPECT_TRUE(visible("dev", "fix.txt"));
  EXPECT_EQ(current_activity("dev"), "work@/pvob\n") << "the view's own activity is back";

  EXPECT_EQ(vantool_out({"rebase", "-view", "dev"}),
            "Rebase of stream \"dev@/pvob\" to the recommended baselines of stream "
            "\"int@/pvob\":\nStream \"dev@/pvob\" is already up to date with these baselines: "
            "no rebase was started.\n");
}

TEST_F(VantoolRebaseTest, CompleteWithANewRebaseRunsToTheEnd) {
  auto done =
      vantool({"rebase", "-baseline", "INT1", "-complete", "-stream", "dev@/pvob", "-view", "dev"});
  ASSERT_EQ(done.exit_code, 0) << done.err;
  EXPECT_TRUE(has(done.out, "to the baselines given:\nStarted the rebase")) << done.out;
  EXPECT_TRUE(has(done.out, "completed: its foundation baselines are now INT1@/pvob.\n"))
      << done.out;
  EXPECT_EQ(long_line("dev@/pvob", "foundation baselines"), "  foundation baselines: INT1@/pvob");
  EXPECT_EQ(vantool_out({"rebase", "-status", "-stream", "dev@/pvob"}), kNoRebase);
  EXPECT_TRUE(visible("dev", "fix.txt"));
  EXPECT_EQ(current_activity("dev"), "work@/pvob\n");
}

// ---- cancel, resume and crashes ----------------------------------------------------

TEST_F(VantoolRebaseTest, CancelRestoresTheStreamAndTheView) {
  std::string before = state("dev@/pvob", "dev");
  run({"rebase", "-view", "dev"});
  ASSERT_TRUE(visible("dev", "fix.txt"));

  // Off a terminal nobody is asked: the cancel goes ahead.
  auto cancelled = vantool({"rebase", "-cancel", "-stream", "dev@/pvob"});
  EXPECT_EQ(cancelled.exit_code, 0) << cancelled.err;
  EXPECT_TRUE(has(cancelled.out, "Rebase of stream \"dev@/pvob\" has been canceled.\n"))
      << cancelled.out;
  EXPECT_FALSE(visible("dev", "fix.txt"));
  EXPECT_EQ(state("dev@/pvob", "dev"), before);

  // Nothing is left to resume, complete or cancel.
  for (const char* option : {"-resume", "-complete", "-cancel"})
    EXPECT_EQ(vantool_err({"rebase", option, "-view", "dev"}),
              std::string("vantool: Error: ") + kNoRebase)
        << option;
  EXPECT_EQ(vantool_out({"rebase", "-status", "-view", "dev"}), kNoRebase);

  // The stream can be rebased after all.
  run({"rebase", "-complete", "-recommended", "-view", "dev"});
  EXPECT_EQ(long_line("dev@/pvob", "foundation baselines"), "  foundation baselines: INT1@/pvob");
}

TEST_F(VantoolRebaseTest, RetargetedToAnotherViewOfTheStream) {
  std::string before = spec_rules("dev") + current_activity("dev");
  make_view("dev@/pvob", "dev_b");
  run({"mkact", "-view", "dev_b", "-headline", "More", "-nc", "more@/pvob"});
  run({"rebase", "-view", "dev"});

  // Refused: the rebase's own view, a view of another stream.
  EXPECT_TRUE(has(vantool_err({"rebase", "-retarget", "-view", "dev"}),
                  "is the same as original target view"));
  EXPECT_TRUE(has(vantool_err({"rebase", "-retarget", "-stream", "dev@/pvob", "-view", "dev2"}),
                  "is not attached to stream"));

  // Moved: "dev" is as before the rebase, "dev_b" works in it.
  auto moved = vantool({"rebase", "-retarget", "-view", "dev_b"});
  ASSERT_EQ(moved.exit_code, 0) << moved.err;
  EXPECT_TRUE(has(moved.out, "now works in view \"dev_b\"")) << moved.out;
  EXPECT_EQ(spec_rules("dev") + current_activity("dev"), before);
  EXPECT_TRUE(visible("dev_b", "fix.txt"));
  EXPECT_TRUE(has(current_activity("dev_b"), "rebase.dev.")) << current_activity("dev_b");
  EXPECT_TRUE(has(vantool_err({"rebase", "-resume", "-view", "dev"}), "does not match the view"));

  // Its view removed, the rebase moves back and completes there.
  run({"rmview", "-tag", "dev_b"});
  auto back = vantool({"rebase", "-retarget", "-view", "dev"});
  ASSERT_EQ(back.exit_code, 0) << back.err;
  EXPECT_TRUE(has(back.out + back.err, "Finished removing references for view")) << back.err;
  run({"rebase", "-complete", "-view", "dev"});
  EXPECT_EQ(long_line("dev@/pvob", "foundation baselines"), "  foundation baselines: INT1@/pvob");
  EXPECT_EQ(current_activity("dev"), "work@/pvob\n");
}

TEST_F(VantoolRebaseTest, ASnapshotViewIsUpdatedBeforeTheRebaseGoesOn) {
  const std::string snap = home.path() + "/snap";
  run({"mkview", "-snapshot", "-stream", "dev@/pvob", "-tag", "snap", snap});
  std::string spec = vantool_out({"catcs", "-view", "snap"});
  test_support::write_file(home.path() + "/load.cs", spec + "load /src\n");
  run({"setcs", "-view", "snap", home.path() + "/load.cs"});
  run({"update", "-view", "snap"});
  run({"setact", "-view", "snap", "work"});

  auto started = vantool({"rebase", "-view", "snap"});
  EXPECT_EQ(started.exit_code, 0) << started.err;
  EXPECT_TRUE(has(started.out,
                  "Snapshot view \"snap\" must be updated to the new configuration before the "
                  "rebase of stream \"dev@/pvob\" can go on: run \"vantool update -view snap\", "
                  "then \"vantool rebase -resume -view snap\".\n"))
      << started.out;
  EXPECT_FALSE(visible("snap", "fix.txt")) << "not loaded yet";
  EXPECT_TRUE(has(vantool_out({"rebase", "-status", "-view", "snap"}),
                  "currently in state \"cspec_updated\""));
  // Resuming or completing now stops at the same place, and says so.
  auto again = vantool({"rebase", "-resume", "-view", "snap"});
  EXPECT_EQ(again.exit_code, 0) << again.err;
  EXPECT_TRUE(has(again.out, "then \"vantool rebase -resume -view snap\"")) << again.out;
  auto early = vantool({"rebase", "-complete", "-view", "snap"});
  EXPECT_EQ(early.exit_code, 1);
  EXPECT_TRUE(has(early.err, "then \"vantool rebase -complete -view snap\"")) << early.err;

  run({"update", "-view", "snap"});
  EXPECT_TRUE(visible("snap", "fix.txt"));
  auto resumed = vantool({"rebase", "-resume", "-view", "snap"});
  EXPECT_EQ(resumed.exit_code, 0) << resumed.err;
  EXPECT_TRUE(has(resumed.out, "View \"snap\" now shows the new configuration")) << resumed.out;
  run({"rebase", "-complete", "-view", "snap"});
  EXPECT_EQ(long_line("dev@/pvob", "foundation baselines"), "  foundation baselines: INT1@/pvob");
  EXPECT_TRUE(has(vantool_out({"catcs", "-view", "snap"}), "load /src\n")) << "its load rule kept";
  EXPECT_EQ(vantool_out({"rebase", "-status", "-view", "snap"}), kNoRebase);
}

// ---- refusals ----------------------------------------------------------------------

TEST_F(VantoolRebaseTest, RefusedRebasesStoreNothing) {
  std::string before = state("dev@/pvob", "dev");
  // A baseline of another development stream.
  run({"mkbl", "-view", "dev2", "-nc", "DEV2BL"});
  EXPECT_TRUE(vantool_refuses({"because it is not from the parent stream",
                               "The rebase of stream \"dev@/pvob\" to these baselines is refused "
                               "for the components listed above; nothing was changed."},
                              {"rebase", "-baseline", "DEV2BL@/pvob", "-view", "dev"}));
  // A view of another stream.
  EXPECT_EQ(vantool_err({"rebase", "-stream", "dev@/pvob", "-view", "dev2"}),
            "vantool: Error: View \"dev2\" is not attached to stream \"dev@/pvob\": a rebase works "
            "in a view of the stream it rebases.\n");
  EXPECT_TRUE(vantool_refuses({"View \"plain\" is not attached to a stream"},
                              {"rebase", "-view", "plain"}));
  EXPECT_TRUE(vantool_refuses({"Stream \"int@/pvob\" is an integration stream"},
                              {"rebase", "-stream", "int@/pvob", "-view", "int"}));
  EXPECT_EQ(state("dev@/pvob", "dev"), before);
  EXPECT_EQ(vantool_out({"rebase", "-status", "-view", "dev"}), kNoRebase);
}

TEST_F(VantoolRebaseTest, MergesWhatTheStreamChangedToo) {
  // dev2 added other.txt to the src root, INT1 added fix.txt: the rebase
  // merges the directory in the first phase and checks it in on -complete.
  auto merging = vantool({"rebase", "-view", "dev2"});
  EXPECT_EQ(merging.exit_code, 0) << merging.err;
  EXPECT_TRUE(has(merging.out,
                  "Merged 0 file(s) and 1 directory(ies) of the new baselines into "
                  "view \"dev2\".\n"))
      << merging.out;
  EXPECT_TRUE(visible("dev2", "fix.txt") && visible("dev2", "other.txt"));
  EXPECT_NE(vantool_out({"lsco", "-view", "dev2"}), "");
  run({"rebase", "-complete", "-view", "dev2"});
  EXPECT_EQ(vantool_out({"lsco", "-view", "dev2"}), "");
  EXPECT_TRUE(visible("dev2", "fix.txt") && visible("dev2", "other.txt"));
  EXPECT_EQ(long_line("dev2@/pvob", "foundation baselines"), "  foundation baselines: INT1@/pvob");

  // In one command: the merge is reported too.
  add_file("dev2", "more.txt");
  add_file("int", "next.txt");
  run({"mkbl", "-view", "int", "-nc", "INT2"});
  auto at_once = vantool({"rebase", "-baseline", "INT2@/pvob", "-complete", "-view", "dev2"});
  EXPECT_EQ(at_once.exit_code, 0) << at_once.err;
  EXPECT_TRUE(has(at_once.out, "Merged 0 file(s) and 1 directory(ies)")) << at_once.out;
  EXPECT_TRUE(visible("dev2", "next.txt") && visible("dev2", "more.txt"));
}

TEST_F(VantoolRebaseTest, BadUsage) {
  const std::vector<std::vector<std::string>> usages = {{"-status", "-resume"},
                                                        {"-cancel", "-complete"},
                                                        {"-preview", "-complete"},
                                                        {"-resume", "-complete"},
                                                        {"-force"},
                                                        {"-resume", "-force"},
                                                        {"-recommended", "-baseline", "INT1@/pvob"},
                                                        {"-baseline", "INT1@/pvob", "-status"},
                                                        {"-recommended", "-cancel"},
                                                        {"dev@/pvob"}};
  for (auto usage : usages) {
    usage.insert(usage.begin(), "rebase");
    auto r = vantool(usage);
    EXPECT_EQ(r.exit_code, 2) << usage[1];
    EXPECT_TRUE(has(r.err, "Usage: vantool rebase ")) << r.err;
  }
  EXPECT_TRUE(has(vantool({"rebase", "-force", "-view", "dev"}).err,
                  "Option \"-force\" is used only with -cancel.\n"));
  std::string help = vantool_out({"help", "rebase"});
  EXPECT_TRUE(has(help,
                  "rebase [-recommended|-baseline BASELINES] [-complete] [-view TAG] "
                  "[-stream STREAM]"))
      << help;
  EXPECT_TRUE(has(help, "rebase -cancel [-force]")) << help;
  EXPECT_EQ(vantool_out({"rebase", "-status", "-view", "dev"}), kNoRebase) << "nothing started";
}

}  // namespace
