// Rebase through the library on a project made with vantool: the first
// phase and completion of a development stream the new baseline does not
// conflict with, cancel, the record's layout and its compare-and-set (a
// second process driving the same rebase loses with code 41), a record
// edited into nonsense (29), the refusals at start (a rebase or a deliver
// already in progress, checkouts the stream's policy does not allow), and
// merging: merges a completion finds unmade, and a file whose conflicts wait
// for the user before the rebase completes, or are undone by a cancel.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sum/sum_activity.h"
#include "sum/sum_baseline.h"
#include "sum/sum_integration.h"
#include "sum/sum_new_config.h"
#include "sum/sum_pvar.h"
#include "sum/sum_rebase.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_view.h"
#include "support/imsg_capture.h"
#include "rebase_project_fixture.h"
#include "support/vantool_runner.h"

namespace {

using test_support::has;
using test_support::ImsgCapture;
using test_support::vantool;
using test_support::vantool_out;

class RebaseTest : public zem_test::RebaseProjectTest {
 protected:
  // The fixture's project and development stream "dev" (view "dev",
  // activity "dev_work" current) on INT0, driven through the library.
  void SetUp() override {
    RebaseProjectTest::SetUp();
    make_stream("dev");
    ASSERT_EQ(SUM_Stream::construct_from_selector("stream:dev@/pvob", SUM_Vob(), dev), 0);
    ASSERT_EQ(SUM_View::construct_from_tag("dev", view), 0);
  }

  // A rebase of `stream` to INT1, started and, unless `target` is null,
  // bound to it.
  std::unique_ptr<SUM_Rebase> rebase_of(const SUM_Stream& stream, const SUM_View& target) {
    return start_rebase_to(stream, "INT1", target);
  }
  // A rebase of "dev" to INT1, started and bound to view "dev".
  std::unique_ptr<SUM_Rebase> start_rebase(bool bind = true) {
    return rebase_of(dev, bind ? view : SUM_View());
  }
  std::string record() {
    SUM_String text;
    EXPECT_EQ(dev.pvar(PVAR_ZEM_GEN_ZEM_REBASE, text), 0);
    return std::string(text);
  }
  SUM_Stream dev;
  SUM_View view;
};

TEST_F(RebaseTest, FirstPhaseThenCompletion) {
  std::string before = shown("dev");
  auto rebase = start_rebase();
  ASSERT_NE(rebase, nullptr);
  EXPECT_EQ(rebase->op_state(), SUM_Integration::PREPARED);
  ASSERT_EQ(rebase->do_rebase(), 0);
  EXPECT_EQ(rebase->op_state(), SUM_Integration::CONTEXT_MERGED);

  // The record: rebase keys in order, state "merging" (the last saved).
  std::string text = record();
  EXPECT_EQ(text.rfind("ver=3\nowner=", 0), 0u) << text;
  for (const char* key :
       {"\nstart=", "\nact=", "\nview=", "\nstate=merging\n", "\ncsid=", "\ncfg="})
    EXPECT_TRUE(has(text, key)) << key << " in " << text;
  EXPECT_FALSE(has(text, "target_stream=")) << "deliver keys stay out of a rebase record";

  // The view shows INT1 under the rebase's identity; the integration
  // activity is current; the stream itself is unchanged.
  std::string cspec = vantool_out({"catcs", "-view", "dev"});
  EXPECT_TRUE(has(cspec, "INT1")) << cspec;
  EXPECT_TRUE(has(vantool_out({"lsact", "-cact", "-view", "dev"}), "rebase.dev."));
  EXPECT_TRUE(
      has(vantool_out({"lsstream", "-long", "dev@/pvob"}), "foundation baselines: INT0@/pvob\n"));
  EXPECT_EQ(test_support::read_file(home.path() + "/dev/src/fix.txt"), "fix.txt\n");

  // Another view of the stream may not check out meanwhile.
  run({"mkview", "-stream", "dev@/pvob", "-tag", "dev2", home.path() + "/dev2"});
  auto refused = vantool({"co", "-nc", home.path() + "/dev2/src"});
  EXPECT_NE(refused.exit_code, 0);
  EXPECT_TRUE(has(refused.err, "a rebase is active using view \"dev\" on this stream"))
      << refused.err;

  SUM_Activity integration = rebase->op_integration_activity();
  ASSERT_EQ(rebase->complete(), 0);
  EXPECT_EQ(rebase->op_state(), SUM_Integration::COMPLETED);
  EXPECT_EQ(record(), "");
  std::string after = shown("dev");
  EXPECT_TRUE(has(after, "foundation baselines: INT1@/pvob\n")) << after;
  EXPECT_TRUE(has(after, "work")) << "the user's activity is current again: " << after;
  EXPECT_NE(after, before);
  SUM_String name;
  EXPECT_NE(integration.name(name), 0) << "the empty integration activity is gone";
  auto later = vantool({"co", "-nc", home.path() + "/dev2/src"});
  EXPECT_FALSE(has(later.err, "a rebase is active")) << later.err;
}

TEST_F(RebaseTest, CancelRestoresStreamViewAndActivity) {
  std::string before = shown("dev");
  auto rebase = start_rebase();
  ASSERT_NE(rebase, nullptr);
  ASSERT_EQ(rebase->do_rebase(), 0);
  ASSERT_NE(shown("dev"), before);

  // Cancelled from another process's object, as a later command would.
  SUM_Rebase later;
  ASSERT_EQ(later.restart(dev), 0);
  EXPECT_EQ(later.op_state(), SUM_Integration::MERGING);
  ASSERT_EQ(later.cancel(), 0);
  EXPECT_EQ(record(), "");
  EXPECT_EQ(shown("dev"), before);
  // The object that started it finds it gone.
  EXPECT_NE(rebase->complete(), 0);
  EXPECT_EQ(rebase->op_status(), SUM_Integration::ST_OPERATION_CORRUPTED);
  EXPECT_EQ(shown("dev"), before);

  // Saved view settings that no longer parse are said to be corrupted; the
  // cancel still ends the rebase, clears them and leaves the view without
  // the integration activity.
  auto again = start_rebase();
  ASSERT_NE(again, nullptr);
  ASSERT_EQ(again->do_rebase(), 0);
  ASSERT_EQ(dev.set_pvar(PVAR_ZEM_GEN_ZEM_REBASE_MISC, "<not xml", 0, nullptr), 0);
  ImsgCapture capture;
  ASSERT_EQ(again->cancel(), 0);
  const std::string warnings = capture.joined(IMSG_WARNING);
  EXPECT_TRUE(has(warnings, "ZEM_REBASE_MISC PVAR is corrupted.")) << warnings;
  EXPECT_TRUE(has(warnings, "Unable to restore from REBASE_MISC_PVAR.")) << warnings;
  EXPECT_EQ(record(), "");
  SUM_String settings;
  EXPECT_EQ(dev.pvar(PVAR_ZEM_GEN_ZEM_REBASE_MISC, settings), 0);
  EXPECT_EQ(std::string(settings), "");
  // The user's activity could not be given back: the view has none.
  SUM_Activity current;
  ASSERT_EQ(view.current_activity(current), 0);
  EXPECT_TRUE(current.is_null());
}

TEST_F(RebaseTest, AnotherUserMayNotDriveItInTheOwnersView) {
  auto rebase = start_rebase();
  ASSERT_NE(rebase, nullptr);
  ASSERT_EQ(rebase->do_rebase(), 0);
  std::string saved = record();
  {
    test_support::ScopedEnv bob("KORVANE_USER", "bob");
    SUM_Rebase resumed;
    ImsgCapture capture;
    EXPECT_NE(resumed.restart(dev), 0);
    EXPECT_TRUE(has(capture.joined(IMSG_ERROR), "run a rebase operation in"))
        << capture.joined(IMSG_ERROR);
    EXPECT_EQ(record(), saved);
  }
  SUM_Rebase owner;
  ASSERT_EQ(owner.restart(dev), 0);
  ASSERT_EQ(owner.complete(), 0);
}

TEST_F(RebaseTest, ViewRefusals) {
  // Code 8: past clearing its activity the view may hold no checkouts.
  auto rebase = start_rebase();
  ASSERT_NE(rebase, nullptr);
  ASSERT_EQ(rebase->do_integration(SUM_Integration::INTEGACT_CLEARED), 0);
  // Clearing the integration activity gave the view its own back.
  EXPECT_EQ(vantool_out({"lsact", "-cact", "-short", "-view", "dev"}), "dev_work@/pvob\n");
  run({"co", "-nc", home.path() + "/dev/src/base.txt"});
  {
    SUM_Rebase resumed;
    ImsgCapture capture;
    EXPECT_NE(resumed.restart(dev), 0);
    EXPECT_EQ(resumed.op_status(), SUM_Integration::ST_VIEW_HAS_CHECKOUTS);
    EXPECT_TRUE(has(capture.joined(IMSG_ERROR),
                    "There are checkouts in view \"dev\".\nThis view cannot be used in this "
                    "rebase operation.\n"))
        << capture.joined(IMSG_ERROR);
  }
  run({"unco", "-rm", home.path() + "/dev/src/base.txt"});
  SUM_Rebase resumed;
  ASSERT_EQ(resumed.restart(dev), 0);
  ASSERT_EQ(resumed.complete(), 0);

  // Code 9: a view whose activity is another operation's integration
  // activity (its record lost) is not taken.
  make_stream("other");
  SUM_Stream other;
  SUM_View other_view;
  ASSERT_EQ(SUM_Stream::construct_from_selector("stream:other@/pvob", SUM_Vob(), other), 0);
  ASSERT_EQ(SUM_View::construct_from_tag("other", other_view), 0);
  auto first = rebase_of(other, other_view);
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(first->do_rebase(), 0);
  ASSERT_EQ(other.set_pvar(PVAR_ZEM_GEN_ZEM_REBASE, "", 0, nullptr), 0);
  auto second = rebase_of(other, SUM_View());
  ASSERT_NE(second, nullptr);
  ImsgCapture capture;
  EXPECT_EQ(second->prepare_view(other_view), SUM_FAILED);
  EXPECT_EQ(second->op_status(), SUM_Integration::ST_VIEW_IN_OTHER_OPERATION);
  EXPECT_TRUE(has(capture.joined(IMSG_ERROR),
                  "Resume, complete or cancel the operation in progress in view \"other\"."))
      << capture.joined(IMSG_ERROR);
}

TEST_F(RebaseTest, SecondDriverLosesTheRace) {
  auto rebase = start_rebase();
  ASSERT_NE(rebase, nullptr);
  ASSERT_EQ(rebase->do_integration(SUM_Integration::INTEGACT_CREATED), 0);
  SUM_Rebase first, second;
  ASSERT_EQ(first.restart(dev), 0);
  ASSERT_EQ(second.restart(dev), 0);
  ASSERT_EQ(first.do_rebase(), 0);
  ImsgCapture capture;
  EXPECT_EQ(second.do_rebase(), SUM_FAILED);
  EXPECT_EQ(second.op_status(), SUM_Integration::ST_OPERATION_CORRUPTED);
  EXPECT_TRUE(
      has(capture.joined(IMSG_ERROR), "This rebase operation is corrupted and cannot proceed.\n"))
      << capture.joined(IMSG_ERROR);
  EXPECT_TRUE(has(record(), "state=merging\n")) << "the loser wrote nothing";
  ASSERT_EQ(first.complete(), 0);
}

TEST_F(RebaseTest, RecordsThatCannotBeUsed) {
  auto rebase = start_rebase();
  ASSERT_NE(rebase, nullptr);
  ASSERT_EQ(rebase->do_rebase(), 0);
  std::string good = record();
  std::string before = shown("dev");

  struct Case {
    std::string text;
    int code;
  };
  std::string newer = good;
  newer.replace(0, 5, "ver=4");
  std::string bad_state = good;
  bad_state.replace(bad_state.find("state=merging"), 13, "state=hovering");
  const Case cases[] = {
      {"this is not a record", SUM_Integration::ST_STATE_CORRUPTED},
      {"ver=3\ncolour=blue\n", SUM_Integration::ST_STATE_CORRUPTED},
      {bad_state, SUM_Integration::ST_STATE_CORRUPTED},
      {newer, SUM_Integration::ST_VERSION_MISMATCH},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(dev.set_pvar(PVAR_ZEM_GEN_ZEM_REBASE, c.text.c_str(), 0, nullptr), 0);
    SUM_Rebase resumed;
    ImsgCapture capture;
    EXPECT_NE(resumed.restart(dev), 0) << c.text;
    EXPECT_EQ(resumed.op_status(), c.code) << c.text;
    EXPECT_EQ(record(), c.text) << "nothing is written";
  }
  ASSERT_EQ(dev.set_pvar(PVAR_ZEM_GEN_ZEM_REBASE, good.c_str(), 0, nullptr), 0);
  EXPECT_EQ(shown("dev"), before);
  SUM_Rebase resumed;
  ASSERT_EQ(resumed.restart(dev), 0);
  ASSERT_EQ(resumed.cancel(), 0);
}

TEST_F(RebaseTest, RefusalsAtStart) {
  // No rebase in progress: restart reports code 5 without a message.
  SUM_Rebase none;
  ImsgCapture quiet;
  EXPECT_EQ(none.restart(dev), SUM_NOT_FOUND);
  EXPECT_EQ(none.op_status(), SUM_Integration::ST_NO_OPERATION);
  EXPECT_EQ(quiet.joined(IMSG_ERROR), "");

  auto rebase = start_rebase();
  ASSERT_NE(rebase, nullptr);
  ASSERT_EQ(rebase->do_integration(SUM_Integration::OP_COMMITTED), 0);
  {
    ImsgCapture capture;
    EXPECT_EQ(start_rebase(), nullptr);
    EXPECT_TRUE(has(capture.joined(IMSG_ERROR),
                    "Rebase operation already in progress on stream \"dev\".\n"))
        << capture.joined(IMSG_ERROR);
  }
  ASSERT_EQ(rebase->cancel(), 0);

  // A deliver from the stream in progress.
  ASSERT_EQ(dev.set_pvar(PVAR_ZEM_GEN_ZEM_DELIVER, "ver=3\n", 0, nullptr), 0);
  {
    ImsgCapture capture;
    EXPECT_EQ(start_rebase(), nullptr);
    EXPECT_TRUE(has(capture.joined(IMSG_ERROR),
                    "Unable to start a rebase operation while a deliver operation\nis in "
                    "progress.\n"));
  }
  ASSERT_EQ(dev.set_pvar(PVAR_ZEM_GEN_ZEM_DELIVER, "", 0, nullptr), 0);

  EXPECT_EQ(record(), "");
}

TEST_F(RebaseTest, MergesNotSeenBeforeCompletionStopIt) {
  // Killed, as it were, right after "merging" was recorded: the merges are
  // made by the completion, which stops to show them (103).
  add_file("dev", "mine.txt");
  auto rebase = start_rebase();
  ASSERT_NE(rebase, nullptr);
  ASSERT_EQ(rebase->do_integration(SUM_Integration::MERGING), 0);
  SUM_Rebase resumed;
  ASSERT_EQ(resumed.restart(dev), 0);
  {
    ImsgCapture capture;
    EXPECT_EQ(resumed.complete(), SUM_FAILED);
    EXPECT_EQ(resumed.op_status(), SUM_Integration::ST_NEW_MERGES);
    EXPECT_TRUE(has(capture.joined(IMSG_ERROR),
                    "Unable to complete the rebase operation because new merges were detected."))
        << capture.joined(IMSG_ERROR);
  }
  EXPECT_NE(vantool_out({"lsco", "-view", "dev"}), "") << "the merge waits in the view";
  SUM_Rebase again;
  ASSERT_EQ(again.restart(dev), 0);
  ASSERT_EQ(again.complete(), 0);
  EXPECT_EQ(vantool_out({"lsco", "-view", "dev"}), "");

  // A merge the user checked in by hand cannot be cancelled (18).
  run({"co", "-nc", home.path() + "/int/src/base.txt"});
  test_support::write_file(home.path() + "/int/src/base.txt", "again\n");
  run({"ci", "-nc", home.path() + "/int/src/base.txt"});
  run({"co", "-nc", home.path() + "/dev/src"});
  test_support::write_file(home.path() + "/dev/src/mine2.txt", "x\n");
  run({"mkelem", "-ci", "-nc", home.path() + "/dev/src/mine2.txt"});
  run({"ci", "-nc", home.path() + "/dev/src"});
  run({"co", "-nc", home.path() + "/int/src"});
  test_support::write_file(home.path() + "/int/src/theirs2.txt", "y\n");
  run({"mkelem", "-ci", "-nc", home.path() + "/int/src/theirs2.txt"});
  run({"ci", "-nc", home.path() + "/int/src"});
  run({"mkbl", "-view", "int", "-nc", "INT3"});
  run({"rebase", "-baseline", "INT3@/pvob", "-view", "dev"});
  run({"ci", "-nc", home.path() + "/dev/src"});
  ImsgCapture capture;
  SUM_Rebase refused;
  ASSERT_EQ(refused.restart(dev), 0);
  EXPECT_EQ(refused.cancel(), SUM_FAILED);
  EXPECT_EQ(refused.op_status(), SUM_Integration::ST_ACTIVITY_HAS_CHECKINS);
  EXPECT_TRUE(has(capture.joined(IMSG_ERROR), "has checkedin\nversions."))
      << capture.joined(IMSG_ERROR);
}

TEST_F(RebaseTest, ConflictsWaitForTheUserThenCompleteOrCancel) {
  // Both sides change base.txt's one line: INT2 in "int", the stream in
  // "dev".
  change("int", "src/base.txt", "theirs\n");
  run({"mkbl", "-view", "int", "-nc", "INT2"});
  change("dev", "src/base.txt", "ours\n");
  std::string before = shown("dev");

  auto rebase_to_int2 = [&]() {
    auto rebase = start_rebase_to(dev, "INT2", view);
    EXPECT_NE(rebase, nullptr);
    return rebase;
  };
  const std::string file = home.path() + "/dev/src/base.txt";

  // Cancelled after merging: the view and the stream are as before.
  auto first = rebase_to_int2();
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(first->do_rebase(), 0);
  ASSERT_EQ(first->conflicted_paths().size(), 1u);
  EXPECT_TRUE(has(first->conflicted_paths()[0], "base.txt"));
  EXPECT_TRUE(has(test_support::read_file(file), "<<<<<<<")) << test_support::read_file(file);
  ASSERT_EQ(first->cancel(), 0);
  EXPECT_EQ(test_support::read_file(file), "ours\n");
  EXPECT_EQ(shown("dev"), before);

  // Completed once the user resolved the conflict; refused before.
  auto second = rebase_to_int2();
  ASSERT_NE(second, nullptr);
  ASSERT_EQ(second->do_rebase(), 0);
  {
    ImsgCapture capture;
    EXPECT_NE(second->complete(), 0);
    EXPECT_EQ(second->op_status(), SUM_Integration::ST_CANNOT_CHECKIN);
  }
  test_support::write_file(file, "ours and theirs\n");
  SUM_Rebase resumed;
  ASSERT_EQ(resumed.restart(dev), 0);
  ASSERT_EQ(resumed.complete(), 0);
  EXPECT_EQ(test_support::read_file(file), "ours and theirs\n");
  EXPECT_EQ(vantool_out({"lsco", "-view", "dev"}), "");
  EXPECT_TRUE(
      has(vantool_out({"lsstream", "-long", "dev@/pvob"}), "foundation baselines: INT2@/pvob\n"));
}

TEST_F(RebaseTest, CheckoutsInTheViewFollowThePolicy) {
  // A checkout of a file INT1 does not change, policy not allowing.
  run({"co", "-nc", home.path() + "/dev/src/base.txt"});
  auto refused = start_rebase(false);
  ASSERT_NE(refused, nullptr);
  ImsgCapture capture;
  EXPECT_EQ(refused->prepare_view(view), SUM_FAILED);
  EXPECT_TRUE(has(capture.joined(IMSG_ERROR), "project/stream policy does not allow rebase"));
  EXPECT_EQ(refused->op_status(), SUM_Integration::ST_CHECKOUTS_NOT_ALLOWED);
  EXPECT_TRUE(refused->op_target_view().is_null());
  EXPECT_EQ(record(), "") << "nothing saved before the view is bound";
}

}  // namespace
