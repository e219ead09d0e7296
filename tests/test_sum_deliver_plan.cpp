// Deliver planning through the library on a project made with vantool:
// what planning refuses, with its codes and messages, and that a refused
// or empty plan writes nothing (a source without baselines, a target
// without baselines, an interproject deliver the target's project refuses,
// the rebase a default deliver requires and a non-default target does not,
// selected activities that leave out an earlier one they build on,
// checkouts in selected activities under their policy); and a second
// process driving the same deliver losing with code 41.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rebase_project_fixture.h"
#include "sum/sum_activity.h"
#include "sum/sum_deliver.h"
#include "sum/sum_integration.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "support/imsg_capture.h"
#include "support/sandbox.h"
#include "support/vantool_runner.h"

namespace {

using test_support::has;
using test_support::ImsgCapture;
using test_support::read_file;
using test_support::vantool_out;

SUM_Stream stream_named(const std::string& name) {
  SUM_Stream stream;
  EXPECT_EQ(
      SUM_Stream::construct_from_selector(("stream:" + name + "@/pvob").c_str(), SUM_Vob(), stream),
      0)
      << name;
  return stream;
}

SUM_Activity activity_named(const std::string& name) {
  SUM_Activity activity;
  EXPECT_EQ(SUM_Activity::construct_from_selector(("activity:" + name + "@/pvob").c_str(),
                                                  SUM_Vob(), activity),
            0)
      << name;
  return activity;
}

class DeliverPlanTest : public zem_test::RebaseProjectTest {
 protected:
  // Development stream "dev" (view "dev", activity "dev_work") on INT1,
  // the baseline "int" recommends.
  void SetUp() override {
    RebaseProjectTest::SetUp();
    make_stream("dev");
    run({"rebase", "-recommended", "-complete", "-view", "dev"});
    dev = stream_named("dev");
  }
  // Project `project` with integration stream `integration` (view of the
  // same name), on `baseline` unless it is empty.
  void make_project(const std::string& project, const std::string& integration,
                    const std::string& baseline) {
    run({"mkproject", "-in", "RootFolder@/pvob", "-modcomp", "src@/pvob", "-nc",
         project + "@/pvob"});
    std::vector<std::string> mkstream = {"mkstream", "-in", project + "@/pvob", "-integration"};
    if (!baseline.empty())
      mkstream.insert(mkstream.end(), {"-baseline", baseline + "@/pvob"});
    mkstream.insert(mkstream.end(), {"-nc", integration + "@/pvob"});
    run(mkstream);
  }
  // What planning must leave untouched: the source's record and baselines.
  std::string stored(const std::string& source) {
    SUM_String record;
    EXPECT_EQ(stream_named(source).pvar(PVAR_ZEM_GEN_ZEM_DELIVER, record), 0);
    return std::string(record) + "|" + vantool_out({"lsbl", "-stream", source + "@/pvob"});
  }
  SUM_Stream dev;
};

TEST_F(DeliverPlanTest, NothingToDeliverOrNowhereToDeliverIt) {
  // A project whose integration stream has no baselines: its development
  // stream has none either, and delivering from it is no error.
  make_project("bare", "bareint", "");
  run({"mkstream", "-in", "bare@/pvob", "-nc", "baredev@/pvob"});
  const std::string bare_before = stored("baredev");
  {
    SUM_Deliver deliver;
    ImsgCapture capture;
    ASSERT_EQ(deliver.start(stream_named("baredev")), 0);
    EXPECT_EQ(deliver.prepare(), 0);
    EXPECT_EQ(deliver.op_state(), SUM_Integration::NO_WORK_TODO);
    EXPECT_EQ(deliver.op_status(), SUM_Deliver::ST_NO_BASELINES);
    EXPECT_EQ(capture.joined(IMSG_INFO),
              "Stream \"baredev@/pvob\" does not have any baselines in its configuration.  "
              "There is nothing\nto deliver.\n");
    EXPECT_EQ(capture.joined(IMSG_ERROR), "");
  }
  EXPECT_EQ(stored("baredev"), bare_before);

  // dev has work, but the target named (in a project that takes deliveries
  // from others) has no baselines to deliver onto.
  run({"chproject", "-policy", "InterprojectDeliver", "-nc", "bare@/pvob"});
  add_file("dev", "mine.txt");
  const std::string dev_before = stored("dev");
  SUM_Deliver deliver;
  ImsgCapture capture;
  ASSERT_EQ(deliver.start(dev, stream_named("bareint")), 0);
  EXPECT_EQ(deliver.prepare(), SUM_FAILED);
  EXPECT_EQ(deliver.op_status(), SUM_Deliver::ST_TARGET_NO_BASELINES);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "Target stream \"bareint@/pvob\" does not have any baselines in its "
            "configuration.\nUnable to deliver any changes to this stream.\n");
  EXPECT_EQ(stored("dev"), dev_before);
}

TEST_F(DeliverPlanTest, InterprojectDeliverFollowsTheTargetsPolicy) {
  make_project("other", "otherint", "INT1");
  run({"mkview", "-stream", "otherint@/pvob", "-tag", "otherint", path("otherint", "")});
  add_file("dev", "mine.txt");
  const std::string before = stored("dev");

  run({"chproject", "-npolicy", "InterprojectDeliver", "-nc", "other@/pvob"});
  {
    SUM_Deliver refused;
    ImsgCapture capture;
    EXPECT_EQ(refused.start(dev, stream_named("otherint")), SUM_FAILED);
    EXPECT_EQ(refused.op_status(), SUM_Deliver::ST_INTERPROJECT_REFUSED);
    EXPECT_EQ(capture.joined(IMSG_ERROR),
              "The target stream \"otherint@/pvob\" or its project\n\"other@/pvob\" does not "
              "allow deliver operations from streams in other\nprojects.\n");
  }
  EXPECT_EQ(stored("dev"), before);

  run({"chproject", "-policy", "InterprojectDeliver", "-nc", "other@/pvob"});
  SUM_Deliver allowed;
  ASSERT_EQ(allowed.start(dev, stream_named("otherint")), 0);
  ASSERT_EQ(allowed.prepare(), 0);
  EXPECT_EQ(allowed.is_default(), 0);
  ASSERT_EQ(allowed.delivered_activities().count(), 1u);
  EXPECT_EQ(allowed.delivered_activities()[0], activity_named("dev_work"));
  EXPECT_EQ(stored("dev"), before) << "planning writes nothing";
}

TEST_F(DeliverPlanTest, RebaseRequiredForTheDefaultTargetOnly) {
  make_stream("sib");
  add_file("dev", "mine.txt");
  add_file("int", "theirs.txt");
  run({"mkbl", "-view", "int", "-nc", "INT2"});
  run({"chstream", "-recommended", "INT2@/pvob", "-nc", "int@/pvob"});
  const std::string before = stored("dev");

  // Without the policy, dev delivers without rebasing to INT2.
  {
    SUM_Deliver deliver;
    ASSERT_EQ(deliver.start(dev), 0);
    EXPECT_EQ(deliver.prepare(), 0);
    EXPECT_EQ(deliver.is_default(), 1);
  }
  run({"chproject", "-policy", "DeliverReqRebase", "-nc", "proj@/pvob"});
  {
    SUM_Deliver deliver;
    ImsgCapture capture;
    ASSERT_EQ(deliver.start(dev), 0);
    EXPECT_EQ(deliver.prepare(), SUM_FAILED);
    EXPECT_EQ(deliver.op_status(), SUM_Deliver::ST_REBASE_REQUIRED);
    EXPECT_EQ(capture.joined(IMSG_ERROR),
              "Target stream \"int@/pvob\" requires child development\nstreams to rebase to "
              "recommended baselines before performing deliver\noperation.  Check the policy "
              "setting requiring rebase before deliver\non the target project \"proj@/pvob\" "
              "and/or the target stream.\n");
  }
  // A sibling as the target is no default deliver: the rebase policy does
  // not apply. The sibling lacks what dev's foundation INT1 brought, which
  // the project's foundation policy refuses until it is enabled; then the
  // plan takes dev's activity and INT1 with it.
  {
    SUM_Deliver deliver;
    ImsgCapture capture;
    ASSERT_EQ(deliver.start(dev, stream_named("sib")), 0);
    EXPECT_EQ(deliver.is_default(), 0);
    EXPECT_EQ(deliver.prepare(), SUM_FAILED);
    EXPECT_EQ(deliver.op_status(), SUM_Deliver::ST_POLICY_REFUSED);
    EXPECT_TRUE(has(capture.joined(IMSG_INFO),
                    "This deliver operation contains changes to component \"src@/pvob\"\n"
                    "that were created by source stream \"dev@/pvob\" and also\nincludes "
                    "changes from its foundation baseline \"INT1@/pvob\""))
        << capture.joined(IMSG_INFO);
    EXPECT_TRUE(has(capture.joined(IMSG_ERROR),
                    "does not allow intraproject deliver operations that contain\nchanges from "
                    "its foundation baselines."))
        << capture.joined(IMSG_ERROR);
  }
  run({"chproject", "-policy", "IntraprojectDeliverFromFoundation", "-nc", "proj@/pvob"});
  {
    SUM_Deliver deliver;
    ASSERT_EQ(deliver.start(dev, stream_named("sib")), 0);
    ASSERT_EQ(deliver.prepare(), 0);
    SUM_BaselineList foundations;
    ASSERT_EQ(deliver.fdn_bls_in_stream_bls(foundations), 0);
    ASSERT_EQ(foundations.count(), 1u);
    EXPECT_STREQ(foundations[0].any_name(), "INT1@/pvob");
    // dev's own work, and "fix", which INT1 holds and the sibling lacks.
    ASSERT_EQ(deliver.delivered_activities().count(), 2u);
    EXPECT_GE(deliver.delivered_activities().find(activity_named("dev_work")), 0);
    EXPECT_GE(deliver.delivered_activities().find(activity_named("fix")), 0);
  }
  EXPECT_EQ(stored("dev"), before);
  // Rebased to INT2, dev delivers to its default target again.
  run({"rebase", "-recommended", "-complete", "-view", "dev"});
  SUM_Deliver deliver;
  ASSERT_EQ(deliver.start(dev), 0);
  EXPECT_EQ(deliver.prepare(), 0);
  EXPECT_EQ(deliver.op_status(), 0);
}

TEST_F(DeliverPlanTest, SelectedActivitiesKeepTheirHistory) {
  change("dev", "src/base.txt", "base.txt\nfirst\n");
  run({"mkact", "-view", "dev", "-headline", "Second", "-nc", "second@/pvob"});
  change("dev", "src/base.txt", "base.txt\nfirst\nsecond\n");
  const std::string before = stored("dev");
  SUM_ActivityList second;
  second.append(activity_named("second"));
  {
    // second's version of base.txt builds on dev_work's, which is not
    // delivered.
    SUM_Deliver deliver;
    ImsgCapture capture;
    ASSERT_EQ(deliver.start(dev), 0);
    EXPECT_NE(deliver.prepare_acts(second), 0);
    EXPECT_TRUE(has(capture.joined(IMSG_ERROR),
                    "Activity \"dev_work@/pvob\" must be added to activity list"))
        << capture.joined(IMSG_ERROR);
  }
  EXPECT_EQ(stored("dev"), before);
  SUM_ActivityList both = second;
  both.append(activity_named("dev_work"));
  SUM_Deliver deliver;
  ASSERT_EQ(deliver.start(dev), 0);
  ASSERT_EQ(deliver.prepare_acts(both), 0);
  EXPECT_EQ(deliver.delivered_activities().count(), 2u);

  // Once a baseline of the stream records both (as one a deliver makes
  // does), a later activity goes only with them.
  run({"mkbl", "-view", "dev", "-nc", "DEVB"});
  run({"mkact", "-view", "dev", "-headline", "Third", "-nc", "third@/pvob"});
  add_file("dev", "third.txt");
  SUM_ActivityList third;
  third.append(activity_named("third"));
  SUM_Deliver later;
  ImsgCapture capture;
  ASSERT_EQ(later.start(dev), 0);
  EXPECT_NE(later.prepare_acts(third), 0);
  EXPECT_TRUE(has(capture.joined(IMSG_ERROR),
                  "Activity \"dev_work@/pvob\" must be added to activity list because the "
                  "activity is in a previous baseline that was possibly created by a deliver "
                  "operation."))
      << capture.joined(IMSG_ERROR);
}

TEST_F(DeliverPlanTest, CheckoutsInSelectedActivitiesFollowTheirPolicy) {
  run({"mkact", "-view", "dev", "-headline", "Open", "-nc", "open@/pvob"});
  add_file("dev", "mine.txt");
  run({"co", "-nc", path("dev", "src/base.txt")});
  const std::string before = stored("dev");
  SUM_ActivityList open;
  open.append(activity_named("open"));
  {
    SUM_Deliver deliver;
    ImsgCapture capture;
    ASSERT_EQ(deliver.start(dev), 0);
    EXPECT_EQ(deliver.prepare_acts(open), SUM_FAILED);
    EXPECT_EQ(deliver.op_status(), SUM_Deliver::ST_SELECTED_CHECKOUTS_PREVENT);
    EXPECT_EQ(capture.joined(IMSG_ERROR),
              "The following activities contain checked-out versions: \n"
              "Checked-out versions in selected activities in source stream \"dev@/pvob\" "
              "prevent this delivery\nPlease check in the versions, cancel the checkouts, or "
              "remove the activities from the selection\nExamine the setting of the policy that "
              "prevents a delivery if versions are checked out in selected activities\nFind the "
              "policy on project \"proj@/pvob\" and/or stream \"dev@/pvob\"\n");
    EXPECT_TRUE(has(capture.joined(IMSG_CONTINUATION), "    open@/pvob\n"))
        << capture.joined(IMSG_CONTINUATION);
  }
  EXPECT_EQ(stored("dev"), before);

  run({"chproject", "-spolicy", "DeliverAllowNCoSelAct", "-nc", "proj@/pvob"});
  run({"chstream", "-policy", "DeliverAllowNCoSelAct", "-nc", "dev@/pvob"});
  SUM_Deliver deliver;
  ImsgCapture capture;
  ASSERT_EQ(deliver.start(dev), 0);
  ASSERT_EQ(deliver.prepare_acts(open), 0);
  EXPECT_EQ(deliver.op_state(), SUM_Integration::PREPARED);
  ASSERT_EQ(deliver.delivered_activities().count(), 1u);
  EXPECT_TRUE(has(capture.joined(IMSG_WARNING),
                  "Versions are checked out in selected activities in source stream "
                  "\"dev@/pvob\"\nThese versions are NOT included in this delivery\n"))
      << capture.joined(IMSG_WARNING);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "");
  EXPECT_EQ(stored("dev"), before);
}

// Two processes take up one deliver; the first completes it and the
// second, finding the record changed under it, stops with code 41 and
// writes nothing.
TEST_F(DeliverPlanTest, SecondDriverLosesTheRace) {
  add_file("dev", "mine.txt");
  run({"deliver", "-stream", "dev@/pvob", "-to", "int"});
  SUM_Deliver first, second;
  ASSERT_EQ(first.restart(dev), 0);
  ASSERT_EQ(second.restart(dev), 0);
  ASSERT_EQ(first.complete(), 0);
  const std::string after = stored("dev");
  ImsgCapture capture;
  EXPECT_EQ(second.complete(), SUM_FAILED);
  EXPECT_EQ(second.op_status(), SUM_Integration::ST_OPERATION_CORRUPTED);
  EXPECT_TRUE(has(capture.joined(IMSG_ERROR),
                  "This deliver operation is corrupted and cannot proceed.\nCorruption can "
                  "happen if another process completes or cancels an in-progress deliver "
                  "operation.\n"))
      << capture.joined(IMSG_ERROR);
  EXPECT_EQ(stored("dev"), after);
  EXPECT_EQ(vantool_out({"lsco", "-view", "int"}), "");
  EXPECT_EQ(read_file(path("int", "src/mine.txt")), "mine.txt\n");
  EXPECT_TRUE(has(vantool_out({"deliver", "-status", "-stream", "dev@/pvob"}),
                  "No deliver operation in progress"));
}

}  // namespace
