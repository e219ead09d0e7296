// vantool deliver end to end on a project made with vantool: a development
// stream delivering all its activities, some, or its baselines, to the
// integration stream, phase by phase and at once, or moved to another view
// of the target; changes in a component the target does not see, refused
// or left out as the policy says; what the target view and the streams
// show afterwards; a conflict resolved before completion; cancel before and
// after merging, refused once the integration activity has check-ins; the
// refusals (nothing to deliver, to itself, from the integration stream
// without a target, a rebase in progress, checkouts in the source); and a
// deliver killed at every state it saves, then resumed or cancelled.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rebase_project_fixture.h"
#include "vantool_project_fixture.h"
#include "support/sandbox.h"
#include "support/vantool_runner.h"

namespace {

using test_support::Env;
using test_support::has;
using test_support::read_file;
using test_support::vantool;
using test_support::vantool_err;
using test_support::vantool_out;
using test_support::write_file;

constexpr int kKilled = 128 + 9;

class VantoolDeliverTest : public zem_test::RebaseProjectTest {
 protected:
  // Development stream "dev" (view "dev", activity "dev_work") on INT0,
  // rebased to INT1 so that it has what "int" has.
  void SetUp() override {
    RebaseProjectTest::SetUp();
    make_stream("dev");
    run({"rebase", "-recommended", "-complete", "-view", "dev"});
  }
  std::string deliver_status() {
    return vantool_out({"deliver", "-status", "-stream", "dev@/pvob"});
  }
};

TEST_F(VantoolDeliverTest, DeliversEveryActivityThenNothingIsLeft) {
  add_file("dev", "mine.txt");
  change("dev", "src/base.txt", "base.txt\nchanged in dev\n");

  auto preview = vantool({"deliver", "-preview", "-stream", "dev@/pvob"});
  ASSERT_EQ(preview.exit_code, 0) << preview.err;
  EXPECT_TRUE(has(preview.out, "dev_work@/pvob")) << preview.out;
  EXPECT_TRUE(has(preview.out, "/src/base.txt@@/main/int/dev/1\n")) << preview.out;
  EXPECT_EQ(deliver_status(), "No deliver operation in progress for stream \"dev@/pvob\".\n");

  auto first = vantool({"deliver", "-stream", "dev@/pvob", "-to", "int"});
  ASSERT_EQ(first.exit_code, 0) << first.err;
  // Only dev changed mine.txt (new) and base.txt: both are copied onto
  // the integration branch, and the directory gains mine.txt.
  EXPECT_TRUE(has(first.out,
                  "Merged 2 file(s) (2 copied: only the source changed them) and 1 directory(ies) "
                  "into view \"int\".\n"))
      << first.out;
  EXPECT_EQ(read_file(path("int", "src/base.txt")), "base.txt\nchanged in dev\n");
  EXPECT_EQ(read_file(path("int", "src/mine.txt")), "mine.txt\n");
  EXPECT_NE(vantool_out({"lsco", "-view", "int"}), "");
  EXPECT_TRUE(has(deliver_status(), "Deliver operation is currently in state \"merging\""))
      << deliver_status();
  std::string shown = vantool_out({"lsstream", "-long", "dev@/pvob"});
  EXPECT_TRUE(has(shown,
                  "  deliver in progress: merging\n    target stream: int@/pvob\n    "
                  "view: int\n"))
      << shown;

  auto done = vantool({"deliver", "-complete", "-stream", "dev@/pvob"});
  ASSERT_EQ(done.exit_code, 0) << done.err;
  EXPECT_TRUE(has(done.out,
                  "Deliver from stream \"dev@/pvob\" to stream \"int@/pvob\" has "
                  "completed."))
      << done.out;
  EXPECT_EQ(vantool_out({"lsco", "-view", "int"}), "");
  EXPECT_EQ(read_file(path("int", "src/base.txt")), "base.txt\nchanged in dev\n");
  EXPECT_TRUE(has(vantool_out({"lsbl", "-stream", "dev@/pvob"}), "deliverbl.dev."));
  // The integration activity tells what the deliver brought.
  const std::string acts = vantool_out({"lsact", "-in", "int@/pvob", "-short"});
  const size_t at = acts.find("deliver.dev.");
  ASSERT_NE(at, std::string::npos) << acts;
  const std::string integration = acts.substr(at, acts.find('\n', at) - at);
  EXPECT_EQ(vantool_out({"lsact", "-contrib", "-short", integration}), "dev_work@/pvob\n");
  // The delivered work is part of the integration stream now.
  std::string left = vantool_out({"diffbl", "dev@/pvob", "int@/pvob"});
  EXPECT_FALSE(has(left, "dev_work")) << left;
  add_file("dev", "later.txt");
  left = vantool_out({"diffbl", "dev@/pvob", "int@/pvob"});
  EXPECT_TRUE(has(left, "dev_work")) << left;

  // Delivering again takes only what is new.
  run({"deliver", "-complete", "-stream", "dev@/pvob", "-to", "int"});
  EXPECT_EQ(read_file(path("int", "src/later.txt")), "later.txt\n");
  EXPECT_FALSE(has(vantool_out({"diffbl", "dev@/pvob", "int@/pvob"}), "dev_work"));
  // Nothing is left to deliver: status 0 and the message.
  auto again = vantool({"deliver", "-stream", "dev@/pvob", "-to", "int"});
  EXPECT_EQ(again.exit_code, 0) << again.err;
  EXPECT_TRUE(has(again.out + again.err, "No activities to deliver from stream \"dev@/pvob\""))
      << again.out << again.err;
}

TEST_F(VantoolDeliverTest, SelectedActivitiesOnly) {
  add_file("dev", "first.txt");
  run({"mkact", "-view", "dev", "-headline", "Second", "-nc", "second@/pvob"});
  change("dev", "src/base.txt", "base.txt\nsecond\n");
  // An activity with nothing to deliver is said and left out.
  run({"mkact", "-view", "dev", "-headline", "Idle", "-nc", "idle@/pvob"});
  auto chosen = vantool({"deliver", "-complete", "-activities", "second@/pvob,idle@/pvob",
                         "-stream", "dev@/pvob", "-to", "int"});
  ASSERT_EQ(chosen.exit_code, 0) << chosen.err;
  EXPECT_TRUE(has(chosen.err, "No changes in activity \"idle@/pvob\" need to be delivered."))
      << chosen.err;
  EXPECT_EQ(read_file(path("int", "src/base.txt")), "base.txt\nsecond\n");
  EXPECT_FALSE(has(vantool_out({"ls", path("int", "src")}), "first.txt"));
}

TEST_F(VantoolDeliverTest, SelectedBaselinesAndTheOlderOnesTheyHold) {
  add_file("dev", "first.txt");
  run({"mkbl", "-view", "dev", "-nc", "DEV1"});
  add_file("dev", "second.txt");
  run({"mkbl", "-view", "dev", "-nc", "DEV2"});
  add_file("dev", "third.txt");

  // Refused: a baseline of another stream (named), two of one component.
  auto foreign = vantool({"deliver", "-baseline", "INT1@/pvob", "-stream", "dev@/pvob"});
  EXPECT_EQ(foreign.exit_code, 1);
  EXPECT_TRUE(has(foreign.err, "Baseline \"INT1@/pvob\" may not be delivered from stream"))
      << foreign.err;
  EXPECT_TRUE(has(foreign.err, "Selected baselines may not be delivered from this stream."))
      << foreign.err;
  auto both = vantool({"deliver", "-baseline", "DEV1@/pvob,DEV2@/pvob", "-stream", "dev@/pvob"});
  EXPECT_EQ(both.exit_code, 1);
  EXPECT_TRUE(has(both.err, "Baseline \"DEV2@/pvob\" is in conflict with \"DEV1@/pvob\""))
      << both.err;
  EXPECT_TRUE(has(both.err, "Selected baselines contain conflicts.")) << both.err;
  EXPECT_EQ(deliver_status(), "No deliver operation in progress for stream \"dev@/pvob\".\n");

  // DEV2 holds DEV1: both flow, the work after DEV2 stays behind.
  auto preview =
      vantool({"deliver", "-preview", "-baseline", "DEV2@/pvob", "-stream", "dev@/pvob"});
  ASSERT_EQ(preview.exit_code, 0) << preview.err;
  EXPECT_TRUE(has(preview.out, "Baselines to be delivered:\n    DEV2@/pvob\n")) << preview.out;
  EXPECT_TRUE(has(preview.out, "/src/second.txt")) << preview.out;
  EXPECT_FALSE(has(preview.out, "/src/third.txt")) << preview.out;

  run({"deliver", "-baseline", "DEV2@/pvob", "-stream", "dev@/pvob", "-to", "int"});
  std::string status = deliver_status();
  EXPECT_TRUE(has(status, "Baselines will be delivered to")) << status;
  EXPECT_TRUE(has(status, "DEV1@/pvob")) << status;
  run({"deliver", "-complete", "-stream", "dev@/pvob"});
  std::string listed = vantool_out({"ls", path("int", "src")});
  EXPECT_TRUE(has(listed, "first.txt")) << listed;
  EXPECT_TRUE(has(listed, "second.txt")) << listed;
  EXPECT_FALSE(has(listed, "third.txt")) << listed;
  // No deliverbl baseline was made: the selection was delivered as it is.
  EXPECT_FALSE(has(vantool_out({"lsbl", "-stream", "dev@/pvob"}), "deliverbl."));
  // Both baselines are recorded on the target; a second deliver of DEV1
  // has nothing to do.
  for (const std::string bl : {"DEV1", "DEV2"})
    EXPECT_TRUE(
        has(vantool_out({"describe", "baseline:" + bl + "@/pvob"}), "TimelineContribution ->"))
        << bl;
  auto again = vantool({"deliver", "-baseline", "DEV1@/pvob", "-stream", "dev@/pvob"});
  EXPECT_EQ(again.exit_code, 0) << again.err;
  EXPECT_TRUE(has(again.out + again.err, "No activities to deliver from stream \"dev@/pvob\""))
      << again.out << again.err;
}

TEST_F(VantoolDeliverTest, RetargetedToAnotherViewOfTheTarget) {
  add_file("dev", "mine.txt");
  EXPECT_TRUE(has(vantool_err({"deliver", "-retarget", "-to", "int", "-stream", "dev@/pvob"}),
                  "No deliver operation in progress for stream \"dev@/pvob\""));
  run({"mkview", "-stream", "int@/pvob", "-tag", "int_b", home.path() + "/int_b"});
  run({"deliver", "-stream", "dev@/pvob", "-to", "int"});

  // Refused: the deliver's own view, a view of another stream, and while
  // its merges are checked out in the old view.
  EXPECT_TRUE(has(vantool_err({"deliver", "-retarget", "-to", "int", "-stream", "dev@/pvob"}),
                  "is the same as original target view"));
  EXPECT_TRUE(has(vantool_err({"deliver", "-retarget", "-to", "dev", "-stream", "dev@/pvob"}),
                  "view \"dev\" is not attached to target stream"));
  EXPECT_TRUE(has(vantool_err({"deliver", "-retarget", "-to", "int_b", "-stream", "dev@/pvob"}),
                  "has checkouts"));

  // Its view removed with the merges, the deliver moves to "int_b", merges
  // again there when resumed, and completes.
  run({"rmview", "-force", "-tag", "int"});
  auto moved = vantool({"deliver", "-retarget", "-to", "int_b", "-stream", "dev@/pvob"});
  ASSERT_EQ(moved.exit_code, 0) << moved.err;
  EXPECT_TRUE(has(moved.out, "now works in view \"int_b\"")) << moved.out;
  EXPECT_TRUE(has(deliver_status(), "Deliver operation is currently in state \"merging\""))
      << deliver_status();
  EXPECT_TRUE(has(vantool_out({"lsact", "-cact", "-short", "-view", "int_b"}), "deliver.dev."));
  run({"deliver", "-resume", "-stream", "dev@/pvob"});
  EXPECT_EQ(read_file(path("int_b", "src/mine.txt")), "mine.txt\n");
  run({"deliver", "-complete", "-stream", "dev@/pvob"});
  EXPECT_EQ(vantool_out({"lsco", "-view", "int_b"}), "");
  EXPECT_FALSE(has(vantool_out({"diffbl", "dev@/pvob", "int@/pvob"}), "dev_work"));
}

TEST_F(VantoolDeliverTest, AConflictWaitsForTheUser) {
  change("dev", "src/base.txt", "ours\n");
  change("int", "src/base.txt", "theirs\n");
  auto first = vantool({"deliver", "-stream", "dev@/pvob", "-to", "int"});
  ASSERT_EQ(first.exit_code, 0) << first.err;
  EXPECT_TRUE(has(first.err, "/src/base.txt")) << first.err;
  EXPECT_TRUE(has(read_file(path("int", "src/base.txt")), "<<<<<<<"));
  EXPECT_TRUE(has(vantool_out({"lsco", "-merge", "-view", "int"}), "base.txt"));
  EXPECT_EQ(vantool({"deliver", "-complete", "-stream", "dev@/pvob"}).exit_code, 1);
  write_file(path("int", "src/base.txt"), "ours and theirs\n");
  run({"deliver", "-complete", "-stream", "dev@/pvob"});
  EXPECT_EQ(read_file(path("int", "src/base.txt")), "ours and theirs\n");
  EXPECT_EQ(vantool_out({"lsco", "-view", "int"}), "");
}

TEST_F(VantoolDeliverTest, CancelBeforeAndAfterMergingAndRefusedAfterCheckins) {
  add_file("dev", "mine.txt");
  const std::string int_before = vantool_out({"ls", path("int", "src")});
  const std::string baselines_before = vantool_out({"lsbl", "-stream", "dev@/pvob"});

  run({"deliver", "-stream", "dev@/pvob", "-to", "int"});
  ASSERT_TRUE(has(vantool_out({"ls", path("int", "src")}), "mine.txt"));
  auto cancelled = vantool({"deliver", "-cancel", "-force", "-stream", "dev@/pvob"});
  ASSERT_EQ(cancelled.exit_code, 0) << cancelled.err;
  EXPECT_TRUE(has(cancelled.out, "has been canceled")) << cancelled.out;
  // Removing the baselines it made itself searches without saying so.
  EXPECT_EQ(cancelled.err, "");
  EXPECT_EQ(vantool_out({"ls", path("int", "src")}), int_before);
  EXPECT_EQ(vantool_out({"lsco", "-view", "int"}), "");
  EXPECT_EQ(vantool_out({"lsbl", "-stream", "dev@/pvob"}), baselines_before);
  EXPECT_TRUE(has(deliver_status(), "No deliver operation in progress"));

  // A merge checked in by hand in the integration activity: refused. The
  // baseline being delivered cannot be removed meanwhile.
  run({"deliver", "-stream", "dev@/pvob", "-to", "int"});
  std::string made = vantool_out({"lsbl", "-short", "-stream", "dev@/pvob"});
  made = made.substr(made.find("deliverbl.dev."));
  made = made.substr(0, made.find('\n'));
  EXPECT_TRUE(has(vantool_err({"rmbl", "-nc", made}),
                  "the deliver in progress from stream \"dev@/pvob\" delivers it"))
      << made;
  run({"ci", "-nc", path("int", "src")});
  auto refused = vantool({"deliver", "-cancel", "-force", "-stream", "dev@/pvob"});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_TRUE(has(refused.err, "has checkedin\nversions.")) << refused.err;
  run({"deliver", "-complete", "-stream", "dev@/pvob"});
}

TEST_F(VantoolDeliverTest, Refusals) {
  // Nothing to deliver.
  auto nothing = vantool({"deliver", "-stream", "dev@/pvob", "-to", "int"});
  EXPECT_EQ(nothing.exit_code, 0);
  EXPECT_TRUE(has(nothing.out + nothing.err, "No activities to deliver")) << nothing.out;
  add_file("dev", "mine.txt");
  // To itself.
  EXPECT_TRUE(
      has(vantool_err({"deliver", "-stream", "dev@/pvob", "-target", "dev@/pvob", "-to", "dev"}),
          "Invalid deliver operation from stream \"dev@/pvob\" to itself."));
  // From the integration stream without a target.
  EXPECT_TRUE(has(vantool_err({"deliver", "-stream", "int@/pvob", "-to", "int"}),
                  "Unable to determine default deliver target for integration stream"));
  // A view of another stream.
  EXPECT_TRUE(has(vantool_err({"deliver", "-stream", "dev@/pvob", "-to", "dev"}),
                  "is not attached to target stream"));
  // A rebase in progress on the source, and the other way round.
  run({"mkbl", "-view", "int", "-nc", "INT2"});
  add_file("int", "theirs.txt");
  run({"mkbl", "-view", "int", "-nc", "INT3"});
  run({"rebase", "-baseline", "INT3@/pvob", "-view", "dev"});
  EXPECT_TRUE(has(vantool_err({"deliver", "-stream", "dev@/pvob", "-to", "int"}),
                  "while a rebase operation is in progress"));
  run({"rebase", "-cancel", "-force", "-view", "dev"});
  run({"deliver", "-stream", "dev@/pvob", "-to", "int"});
  EXPECT_EQ(vantool({"rebase", "-baseline", "INT3@/pvob", "-view", "dev"}).exit_code, 1);
  run({"deliver", "-cancel", "-force", "-stream", "dev@/pvob"});
  // Checkouts in the source block it unless the stream's policy allows
  // them; an activity with nothing but checkouts is then left out.
  run({"mkact", "-view", "dev", "-headline", "Open", "-nc", "open@/pvob"});
  run({"co", "-nc", path("dev", "src/base.txt")});
  EXPECT_TRUE(
      has(vantool_err({"deliver", "-stream", "dev@/pvob", "-to", "int"}), "prevent this delivery"));
  run({"chproject", "-spolicy", "DeliverAllowNCoDevStr", "-nc", "proj@/pvob"});
  run({"chstream", "-policy", "DeliverAllowNCoDevStr", "-nc", "dev@/pvob"});
  auto allowed = vantool({"deliver", "-complete", "-stream", "dev@/pvob", "-to", "int"});
  EXPECT_EQ(allowed.exit_code, 0) << allowed.err;
  EXPECT_TRUE(has(allowed.err, "contain only checked-out versions")) << allowed.err;
  EXPECT_TRUE(has(vantool_out({"ls", path("int", "src")}), "mine.txt"));
}

// Project "proj" with two components, src and lib, each rooted at its own
// VOB: "dev" holds both, "dev2" only src; "dev" adds a file to each.
class DeliverMissingComponentTest : public zem_test::VantoolProjectTest {
 protected:
  void SetUp() override {
    run({"mkvob", "-tag", "/pvob", "-pvob", "-nc"});
    for (const char* vob : {"/src", "/lib"})
      run({"mkvob", "-tag", vob, "-admin", "/pvob", "-nc"});
    run({"mkview", "-tag", "plain", path("plain", "")});
    run({"mkcomp", "-root", path("plain", "src"), "-nc", "src@/pvob"});
    run({"mkcomp", "-root", path("plain", "lib"), "-nc", "lib@/pvob"});
    run({"mkproject", "-in", "RootFolder@/pvob", "-modcomp", "src@/pvob,lib@/pvob", "-nc",
         "proj@/pvob"});
    run({"mkstream", "-in", "proj@/pvob", "-integration", "-baseline",
         "src_INITIAL@/pvob,lib_INITIAL@/pvob", "-nc", "int@/pvob"});
    run({"mkstream", "-in", "proj@/pvob", "-baseline", "src_INITIAL@/pvob,lib_INITIAL@/pvob", "-nc",
         "dev@/pvob"});
    run({"mkstream", "-in", "proj@/pvob", "-baseline", "src_INITIAL@/pvob", "-nc", "dev2@/pvob"});
    make_view("dev@/pvob", "dev");
    make_view("dev2@/pvob", "dev2");
    run({"mkact", "-view", "dev", "-nc", "work@/pvob"});
    for (const char* dir : {"src", "lib"}) {
      run({"co", "-nc", path("dev", dir)});
      write_file(path("dev", std::string(dir) + "/" + dir + ".txt"), "new\n");
      run({"mkelem", "-ci", "-nc", path("dev", std::string(dir) + "/" + dir + ".txt")});
      run({"ci", "-nc", path("dev", dir)});
    }
  }
};

// Changes in a component the target does not see refuse the deliver until
// the project's policy lets them be left out.
TEST_F(DeliverMissingComponentTest, RefusedOrLeftOutAsThePolicySays) {
  // Selected, the activity's changes there refuse the deliver outright.
  auto selected = vantool({"deliver", "-preview", "-activities", "work@/pvob", "-stream",
                           "dev@/pvob", "-target", "dev2@/pvob"});
  EXPECT_EQ(selected.exit_code, 1);
  EXPECT_TRUE(has(selected.err,
                  "Selected activities contain changes in component \"lib@/pvob\".\n"
                  "This component is not seen by the target stream's configuration."))
      << selected.err;
  EXPECT_TRUE(has(selected.err,
                  "Selected activity deliver from stream \"dev@/pvob\"\nto stream "
                  "\"dev2@/pvob\" is not supported."))
      << selected.err;

  auto refused = vantool({"deliver", "-preview", "-stream", "dev@/pvob", "-target", "dev2@/pvob"});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_TRUE(has(refused.out,
                  "Component \"lib@/pvob\" is not in target stream \"dev2@/pvob\"'s "
                  "configuration."))
      << refused.out;
  EXPECT_TRUE(has(refused.err,
                  "does not allow intraproject deliver operations that contain\n"
                  "changes to components that are not visible"))
      << refused.err;
  EXPECT_TRUE(has(refused.err,
                  "Check the policy setting on the target project and the target "
                  "stream."))
      << refused.err;

  run({"chproject", "-policy", "IntraprojectDeliverAllowMissingTgtcomps", "-nc", "proj@/pvob"});
  auto done = vantool(
      {"deliver", "-complete", "-stream", "dev@/pvob", "-target", "dev2@/pvob", "-to", "dev2"});
  ASSERT_EQ(done.exit_code, 0) << done.err;
  EXPECT_TRUE(has(done.err, "Ignoring changes in component \"lib@/pvob\".")) << done.err;
  EXPECT_EQ(read_file(path("dev2", "src/src.txt")), "new\n");
  EXPECT_FALSE(has(vantool_out({"ls", path("dev2", "lib")}), "lib.txt"));
}

// Changes a stream only acquired with its foundation are said to come
// from there.
TEST_F(DeliverMissingComponentTest, ChangesFromTheFoundationAreSaidToBeSo) {
  make_view("int@/pvob", "int");
  run({"mkact", "-view", "int", "-nc", "libwork@/pvob"});
  run({"co", "-nc", path("int", "lib")});
  write_file(path("int", "lib/shared.txt"), "shared\n");
  run({"mkelem", "-ci", "-nc", path("int", "lib/shared.txt")});
  run({"ci", "-nc", path("int", "lib")});
  run({"mkbl", "-view", "int", "-nc", "LIB1"});
  run({"mkstream", "-in", "proj@/pvob", "-baseline", "src_INITIAL@/pvob,LIB1@/pvob", "-nc",
       "dev3@/pvob"});
  auto planned = vantool({"deliver", "-preview", "-stream", "dev3@/pvob", "-target", "dev2@/pvob"});
  EXPECT_EQ(planned.exit_code, 1);
  EXPECT_TRUE(has(planned.out,
                  "There are changes from the source stream \"dev3@/pvob\"'s "
                  "foundation\nin component \"lib@/pvob\"."))
      << planned.out;
  EXPECT_FALSE(has(planned.out, "There are changes to deliver in component")) << planned.out;
}

// The rebase policy checks the components the target recommends a
// baseline of, and says which it cannot check.
TEST_F(DeliverMissingComponentTest, RebasePolicySaysWhatItCannotCheck) {
  run({"chstream", "-recommended", "src_INITIAL@/pvob", "-nc", "int@/pvob"});
  run({"chproject", "-policy", "DeliverReqRebase", "-nc", "proj@/pvob"});
  auto planned = vantool({"deliver", "-preview", "-stream", "dev@/pvob"});
  EXPECT_EQ(planned.exit_code, 0) << planned.err;
  EXPECT_TRUE(has(planned.err,
                  "There is no recommended baseline for component \"lib@/pvob\" in "
                  "target stream \"int@/pvob\""))
      << planned.err;
  EXPECT_FALSE(has(planned.err, "component \"src@/pvob\"")) << planned.err;
}

// ---- killed ----------------------------------------------------------------------------

const char* const kSavedStates[] = {"prepared",     "op_committed",   "integact_created",
                                    "integact_set", "merging",        "reprocess_merging",
                                    "checkedin",    "integarc_drawn", "integact_cleared"};

bool completing(const std::string& state) {
  return state == "reprocess_merging" || state == "checkedin" || state == "integarc_drawn" ||
         state == "integact_cleared";
}

TEST_F(VantoolDeliverTest, KilledAtEveryStateThenResumedOrCancelled) {
  const std::string before = vantool_out({"ls", path("int", "src")});
  int index = 0;
  for (const char* state : kSavedStates) {
    SCOPED_TRACE(state);
    const std::string file = "f" + std::to_string(index++) + ".txt";
    add_file("dev", file);
    const Env kill = {{"KORVANE_FAULT_KILL_AT_STATE", state}};
    auto killed = vantool({"deliver", "-complete", "-stream", "dev@/pvob", "-to", "int"}, kill);
    ASSERT_EQ(killed.exit_code, kKilled) << killed.err;
    if (!completing(state)) {
      auto cancelled = vantool({"deliver", "-cancel", "-force", "-stream", "dev@/pvob"});
      ASSERT_EQ(cancelled.exit_code, 0) << cancelled.err;
      EXPECT_FALSE(has(vantool_out({"ls", path("int", "src")}), file));
      EXPECT_EQ(vantool_out({"lsco", "-view", "int"}), "");
    }
    // Resumed (or delivered again after the cancel): as if never killed.
    auto resumed = vantool({"deliver", "-complete", "-stream", "dev@/pvob", "-to", "int"});
    if (resumed.exit_code != 0 && has(resumed.err, "new merges were detected"))
      resumed = vantool({"deliver", "-complete", "-stream", "dev@/pvob"});
    ASSERT_EQ(resumed.exit_code, 0) << resumed.err;
    EXPECT_EQ(read_file(path("int", "src/" + file)), file + "\n");
    EXPECT_EQ(vantool_out({"lsco", "-view", "int"}), "");
    EXPECT_TRUE(has(deliver_status(), "No deliver operation in progress"));
  }
}

}  // namespace
