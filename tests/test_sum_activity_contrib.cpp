// The integrated configuration of a deliver or rebase activity and the
// activities it brought: the stored record read back by the readers, the
// configurations without components the project may not modify, the
// activities between the old and the new foundation, the refusals, and
// "vantool lsact -contrib" end to end.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "sum/sum_activity.h"
#include "sum/sum_baseline.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_virtual_baseline.h"
#include "support/imsg_capture.h"
#include "support/project_builder.h"
#include "support/sandbox.h"
#include "support/vantool_runner.h"
#include "sum_p2_project_fixture.h"

namespace {

using test_support::ImsgCapture;
using test_support::vantool;

constexpr const char* kStillInProgress =
    "The specified integration activity is still in progress.\nYou will not be able to  "
    "retrieve the contributor list until the operation has been completed.\n";

class ActivityContribTest : public zem_test::P2ProjectTest {
 protected:
  // As in the project fixture; then "second" changes a.txt and "third"
  // b.txt (baseline B2), and development stream "p2dev" starts from B1.
  void SetUp() override {
    P2ProjectTest::SetUp();
    run({"mkact", "-view", "intv", "-headline", "Second", "-nc", "second@/pvob"});
    edit("a.txt", "a2\n");
    run({"mkact", "-view", "intv", "-headline", "Third", "-nc", "third@/pvob"});
    edit("b.txt", "b2\n");
    run({"mkbl", "-view", "intv", "-component", "src@/pvob", "-nc", "B2"});
    run({"mkstream", "-in", "p2int@/pvob", "-baseline", "B1@/pvob,sys_INITIAL@/pvob", "-nc",
         "p2dev@/pvob"});
    ASSERT_EQ(SUM_Stream::construct_from_selector("p2dev@/pvob", SUM_Vob(), dev), 0);
  }

  SUM_Baseline baseline(const char* name) {
    SUM_Baseline out;
    EXPECT_EQ(SUM_Baseline::construct_from_selector(name, SUM_Vob(), out), 0) << name;
    return out;
  }
  SUM_BaselineList baselines(const std::vector<const char*>& names) {
    SUM_BaselineList out;
    for (const char* name : names)
      out.append(baseline(name));
    return out;
  }
  // A new integration activity of p2dev, marked in progress.
  SUM_Activity integration_activity(const char* name) {
    SUM_Activity out;
    EXPECT_EQ(dev.create_integration_activity(name, "", "", out), 0);
    EXPECT_EQ(out.init_integration_act(""), 0);
    return out;
  }
  // An integration activity of p2dev whose rebase went from B1 to B2 and
  // finished.
  SUM_Activity finished_rebase(const char* name) {
    SUM_Activity out = integration_activity(name);
    EXPECT_EQ(out.save_integration_config("ZEM_REBASE", baselines({"B2@/pvob"}),
                                          baselines({"B1@/pvob"}), 0),
              0);
    EXPECT_EQ(out.complete_integration_act(""), 0);
    return out;
  }
  static std::vector<std::string> names(const SUM_ActivityList& activities) {
    std::vector<std::string> out;
    for (unsigned i = 0; i < activities.count(); ++i)
      out.push_back(activities[i].any_fullname());
    std::sort(out.begin(), out.end());
    return out;
  }
  static std::vector<std::string> sorted_lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      out.push_back(text.substr(start, end - start));
    std::sort(out.begin(), out.end());
    return out;
  }

  SUM_Stream dev;
};

TEST_F(ActivityContribTest, AFinishedRebaseBroughtTheActivitiesBetweenItsFoundations) {
  SUM_Activity rebase = finished_rebase("rebase_b2");
  SUM_ActivityList brought;
  ASSERT_EQ(rebase.contrib_activities(brought), 0);
  EXPECT_EQ(names(brought), (std::vector<std::string>{"second@/pvob", "third@/pvob"}));

  ImsgCapture capture;
  ASSERT_EQ(rebase.print_contributing_activities(), 0);
  std::vector<std::string> lines = capture.texts(IMSG_INFO);
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, (std::vector<std::string>{"\tactivity:second@/pvob\tSecond\n",
                                             "\tactivity:third@/pvob\tThird\n"}));
}

TEST_F(ActivityContribTest, TheStoredRecordReadsBackThroughTheReaders) {
  SUM_Activity rebase = finished_rebase("rebase_b2");
  SUM_String stored;
  ASSERT_EQ(rebase.pvar("ZEM_REBASE", stored), 0);
  std::string text = static_cast<const char*>(stored);
  EXPECT_EQ(text.rfind("<ZEM_REBASE><CONTRIB_BLS>", 0), 0u) << text;
  EXPECT_NE(text.find("<OLD_FOUND>"), std::string::npos) << text;
  EXPECT_EQ(text.find("DELBYBL"), std::string::npos) << text;

  SUM_BaselineList contrib, old_found;
  int delbybl = -1;
  ASSERT_EQ(rebase.contrib_baselines(contrib), 0);
  ASSERT_EQ(rebase.old_found_baselines(old_found), 0);
  ASSERT_EQ(rebase.contrib_delbybl(delbybl), 0);
  EXPECT_EQ(contrib, baselines({"B2@/pvob"}));
  EXPECT_EQ(old_found, baselines({"B1@/pvob"}));
  EXPECT_EQ(delbybl, 0);

  // A deliver of selected baselines: several contributors, the flag, and no
  // old foundation even when one is given.
  SUM_Activity deliver = integration_activity("deliver_bls");
  ASSERT_EQ(
      deliver.save_integration_config("ZEM_DELIVER", baselines({"B1@/pvob", "sys_INITIAL@/pvob"}),
                                      baselines({"src_INITIAL@/pvob"}), 1),
      0);
  ASSERT_EQ(deliver.complete_integration_act(""), 0);
  ASSERT_EQ(deliver.contrib_baselines(contrib), 0);
  ASSERT_EQ(deliver.old_found_baselines(old_found), 0);
  ASSERT_EQ(deliver.contrib_delbybl(delbybl), 0);
  EXPECT_EQ(contrib, baselines({"B1@/pvob", "sys_INITIAL@/pvob"}));
  EXPECT_EQ(old_found.count(), 0u);
  EXPECT_EQ(delbybl, 1);
  int exists = 1;
  ASSERT_EQ(deliver.pvar_exists("ZEM_REBASE", exists), 0);
  EXPECT_EQ(exists, 0);
}

TEST_F(ActivityContribTest, ConfigurationsLeaveOutComponentsTheProjectMayNotModify) {
  SUM_Activity rebase = integration_activity("rebase_b2");
  ASSERT_EQ(
      rebase.save_integration_config("ZEM_REBASE", baselines({"sys_INITIAL@/pvob", "B2@/pvob"}),
                                     baselines({"B1@/pvob", "sys_INITIAL@/pvob"}), 0),
      0);
  ASSERT_EQ(rebase.complete_integration_act(""), 0);
  SUM_BaselineVRList new_config, old_config;
  ASSERT_EQ(rebase.integration_config(new_config, old_config), 0);
  ASSERT_EQ(new_config.count(), 1u);
  ASSERT_EQ(old_config.count(), 1u);
  EXPECT_EQ(new_config[0].real(), baseline("B2@/pvob"));
  EXPECT_EQ(old_config[0].real(), baseline("B1@/pvob"));

  // A deliver's old side cannot be found: refused, not guessed.
  SUM_Activity deliver = integration_activity("deliver_b2");
  ASSERT_EQ(deliver.save_integration_config("ZEM_DELIVER", baselines({"B2@/pvob"}),
                                            SUM_BaselineList(), 0),
            0);
  ASSERT_EQ(deliver.complete_integration_act(""), 0);
  ImsgCapture capture;
  EXPECT_EQ(deliver.integration_config(new_config, old_config), SUM_FAILED);
  EXPECT_NE(capture.joined(IMSG_ERROR)
                .find("Unable to determine baseline list for integration activity \"deliver_b2\""),
            std::string::npos)
      << capture.joined(IMSG_ERROR);
}

TEST_F(ActivityContribTest, RefusedWhileInProgressAndForPlainActivities) {
  SUM_Activity running = integration_activity("rebase_running");
  ASSERT_EQ(running.save_integration_config("ZEM_REBASE", baselines({"B2@/pvob"}),
                                            baselines({"B1@/pvob"}), 0),
            0);
  SUM_ActivityList brought;
  ImsgCapture capture;
  EXPECT_EQ(running.contrib_activities(brought), SUM_FAILED);
  EXPECT_EQ(capture.joined(IMSG_ERROR), kStillInProgress);

  // A plain activity neither lists contributors nor takes a record.
  SUM_Activity plain;
  ASSERT_EQ(dev.create_activity("plain", "Plain", "", plain), 0);
  capture.clear();
  EXPECT_EQ(plain.print_contributing_activities(), SUM_FAILED);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "Activity \"plain\" is not a deliver or rebase integration activity.\n");
  EXPECT_TRUE(capture.texts(IMSG_INFO).empty());
  EXPECT_EQ(plain.save_integration_config("ZEM_REBASE", baselines({"B2@/pvob"}),
                                          baselines({"B1@/pvob"}), 0),
            SUM_FAILED);
  int exists = 1;
  ASSERT_EQ(plain.pvar_exists("ZEM_REBASE", exists), 0);
  EXPECT_EQ(exists, 0);
}

TEST_F(ActivityContribTest, LsactContribListsWhatTheIntegrationBrought) {
  finished_rebase("rebase_b2");
  std::string out = test_support::vantool_out({"lsact", "-contrib", "rebase_b2@/pvob"});
  EXPECT_EQ(sorted_lines(out),
            (std::vector<std::string>{"second@/pvob  \"Second\"", "third@/pvob  \"Third\""}));
  std::string json = test_support::vantool_out({"lsact", "-contrib", "-json", "rebase_b2@/pvob"});
  EXPECT_NE(json.find("\"name\":\"second@/pvob\",\"headline\":\"Second\""), std::string::npos)
      << json;
  EXPECT_NE(json.find("\"name\":\"third@/pvob\""), std::string::npos) << json;
  EXPECT_EQ(json.find("first@/pvob"), std::string::npos) << json;

  integration_activity("rebase_running");
  EXPECT_TRUE(test_support::vantool_refuses({"still in progress"},
                                            {"lsact", "-contrib", "rebase_running@/pvob"}));
  EXPECT_TRUE(test_support::vantool_refuses(
      {"Activity \"first\" is not a deliver or rebase integration activity."},
      {"lsact", "-contrib", "first@/pvob"}));
}

}  // namespace
