// vantool mkproject, chproject, lsproject and rmproject end to end: the
// settings a project gets and shows, changes and their refusals, the
// template rule, and the options that need parts not built yet.
#include <gtest/gtest.h>

#include <string>

#include "support/vantool_runner.h"

namespace {

using test_support::TempHome;
using test_support::vantool;

class VantoolProjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(vantool({"mkvob", "-tag", "/pvob", "-pvob", "-nc"}, owner).exit_code, 0);
    ASSERT_EQ(
        vantool({"mkfolder", "-in", "RootFolder@/pvob", "-nc", "team@/pvob"}, owner).exit_code, 0);
  }
  test_support::Env owner{{"KORVANE_USER", "vobadmin"}};
  TempHome home;
};

TEST_F(VantoolProjectTest, CreatesAndListsWithSettings) {
  auto made = vantool({"mkproject", "-in", "team@/pvob", "-title", "Alpha", "-policy",
                       "DeliverReqRebase,POLICY_INTERPROJECT_DELIVER", "-blname_template",
                       "project,basename", "-nc", "alpha@/pvob"},
                      owner);
  ASSERT_EQ(made.exit_code, 0) << made.err;
  EXPECT_EQ(made.out, "Created project \"alpha@/pvob\".\n");
  EXPECT_EQ(vantool({"lsproject"}, owner).out, "alpha@/pvob  \"Alpha\"\n");
  EXPECT_EQ(vantool({"lsproject", "-short", "-in", "team@/pvob"}, owner).out, "alpha@/pvob\n");
  auto long_form = vantool({"lsproject", "-long", "alpha@/pvob"}, owner).out;
  EXPECT_EQ(long_form.rfind("project \"alpha@/pvob\"\n  title: Alpha\n  folder: team@/pvob\n"
                            "  model: DEFAULT\n  rebase promotion level: INITIAL\n"
                            "  baseline naming template: project_basename\n  policies:\n",
                            0),
            0u)
      << long_form;
  EXPECT_NE(long_form.find("    DeliverReqRebase: ENABLED\n"), std::string::npos);
  EXPECT_NE(long_form.find("    InterprojectDeliver: ENABLED\n"), std::string::npos);
  EXPECT_NE(long_form.find("    RebaseAllowCo: DISABLED\n"), std::string::npos);
  auto json = vantool({"lsproject", "-json", "alpha@/pvob"}, owner).out;
  EXPECT_EQ(json.rfind("[{\"name\":\"alpha@/pvob\",\"title\":\"Alpha\",\"folder\":\"team@/pvob\","
                       "\"template\":false,\"model\":\"DEFAULT\",\"rebase_level\":\"INITIAL\","
                       "\"blname_template\":\"project_basename\",\"policies\":{",
                       0),
            0u)
      << json;
}

TEST_F(VantoolProjectTest, ChangesAndRefusals) {
  ASSERT_EQ(
      vantool({"mkproject", "-in", "RootFolder@/pvob", "-nc", "alpha@/pvob"}, owner).exit_code, 0);
  auto changed = vantool({"chproject", "-rebase_level", "BUILT", "-to", "team@/pvob", "-title",
                          "New title", "-name", "beta", "-nc", "alpha@/pvob"},
                         owner);
  ASSERT_EQ(changed.exit_code, 0) << changed.err;
  EXPECT_EQ(changed.out, "Changed project \"beta@/pvob\".\n");
  EXPECT_EQ(vantool({"lsproject", "-in", "team@/pvob"}, owner).out, "beta@/pvob  \"New title\"\n");
  EXPECT_NE(vantool({"lsproject", "-long", "beta@/pvob"}, owner)
                .out.find("rebase promotion level: BUILT\n"),
            std::string::npos);

  auto token = vantool({"chproject", "-blname_template", "stream,weekday", "beta@/pvob"}, owner);
  EXPECT_EQ(token.exit_code, 1);
  EXPECT_EQ(token.err,
            "vantool: Error: Invalid baseline naming token \"weekday\".\n"
            "vantool: Error: Unable to change project \"beta@/pvob\".\n");
  auto stranger =
      vantool({"chproject", "-title", "Mine", "beta@/pvob"}, {{"KORVANE_USER", "mallory"}});
  EXPECT_EQ(stranger.exit_code, 1);
  EXPECT_NE(stranger.err.find("No permission to change project"), std::string::npos);
  auto nothing = vantool({"chproject", "beta@/pvob"}, owner);
  EXPECT_EQ(nothing.exit_code, 2);

  for (auto args : {std::vector<std::string>{"mkproject", "-in", "team@/pvob", "-istream", "int",
                                             "gamma@/pvob"},
                    std::vector<std::string>{"chproject", "-crmenable", "db", "beta@/pvob"}}) {
    auto refused = vantool(args, owner);
    EXPECT_EQ(refused.exit_code, 1) << args[1];
    EXPECT_NE(refused.err.find("is not available yet"), std::string::npos) << refused.err;
  }
  EXPECT_EQ(vantool({"lsproject", "-short"}, owner).out, "beta@/pvob\n");
}

TEST_F(VantoolProjectTest, TemplateAndRemoval) {
  ASSERT_EQ(vantool({"mkproject", "-in", "RootFolder@/pvob", "-template", "-npolicy", "WinDevVSnap",
                     "-nc", "tmpl@/pvob"},
                    owner)
                .exit_code,
            0);
  auto second =
      vantool({"mkproject", "-in", "RootFolder@/pvob", "-template", "-nc", "t2@/pvob"}, owner);
  EXPECT_EQ(second.exit_code, 1);
  EXPECT_EQ(second.err,
            "vantool: Error: Project template already exists. PVOB can not have more than one "
            "project template.\n"
            "vantool: Error: Unable to create project \"t2@/pvob\".\n");
  auto seeded = vantool({"mkproject", "-in", "team@/pvob", "-nc", "alpha@/pvob"}, owner);
  ASSERT_EQ(seeded.exit_code, 0) << seeded.err;
  EXPECT_EQ(seeded.out,
            "Project settings will default to the project template, unless over-ridden "
            "explicitly.\nCreated project \"alpha@/pvob\".\n");
  EXPECT_NE(
      vantool({"lsproject", "-long", "alpha@/pvob"}, owner).out.find("    WinDevVSnap: False\n"),
      std::string::npos);

  auto removed = vantool({"rmproject", "-nc", "alpha@/pvob"}, owner);
  EXPECT_EQ(removed.exit_code, 0) << removed.err;
  EXPECT_EQ(removed.out, "Removed project \"alpha@/pvob\".\n");
  auto missing = vantool({"rmproject", "alpha@/pvob"}, owner);
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(missing.err,
            "vantool: Error: \"alpha@/pvob\" does not name a project: give NAME@PVOB or "
            "project:NAME@PVOB.\n");
  EXPECT_EQ(vantool({"lsproject", "-short"}, owner).out, "tmpl@/pvob\n");
}

}  // namespace
