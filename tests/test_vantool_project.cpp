// vantool mkproject, chproject, lsproject and rmproject end to end: the
// settings a project gets and shows, changes and their refusals, the
// template rule, and the options that need parts not built yet.
#include <gtest/gtest.h>

#include <string>

#include "support/project_builder.h"
#include "support/vantool_runner.h"

namespace {

using test_support::TempHome;
using test_support::vantool;
using test_support::vantool_err;
using test_support::vantool_out;
using test_support::vantool_refuses;

class VantoolProjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_support::ProjectSpec spec;
    spec.user = owner;
    spec.vobs.clear();
    spec.folders = {"team"};
    ASSERT_TRUE(build_project(home, spec));
  }
  test_support::Env owner{{"KORVANE_USER", "vobadmin"}};
  TempHome home;
};

TEST_F(VantoolProjectTest, CreatesAndListsWithSettings) {
  EXPECT_EQ(vantool_out({"mkproject", "-in", "team@/pvob", "-title", "Alpha", "-policy",
                         "DeliverReqRebase,POLICY_INTERPROJECT_DELIVER", "-blname_template",
                         "project,basename", "-nc", "alpha@/pvob"},
                        owner),
            "Created project \"alpha@/pvob\".\n");
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
  EXPECT_EQ(vantool_out({"chproject", "-rebase_level", "BUILT", "-to", "team@/pvob", "-title",
                         "New title", "-name", "beta", "-nc", "alpha@/pvob"},
                        owner),
            "Changed project \"beta@/pvob\".\n");
  EXPECT_EQ(vantool({"lsproject", "-in", "team@/pvob"}, owner).out, "beta@/pvob  \"New title\"\n");
  EXPECT_NE(vantool({"lsproject", "-long", "beta@/pvob"}, owner)
                .out.find("rebase promotion level: BUILT\n"),
            std::string::npos);

  EXPECT_EQ(vantool_err({"chproject", "-blname_template", "stream,weekday", "beta@/pvob"}, owner),
            "vantool: Error: Invalid baseline naming token \"weekday\".\n"
            "vantool: Error: Unable to change project \"beta@/pvob\".\n");
  EXPECT_TRUE(vantool_refuses({"No permission to change project"},
                              {"chproject", "-title", "Mine", "beta@/pvob"},
                              {{"KORVANE_USER", "mallory"}}));
  auto nothing = vantool({"chproject", "beta@/pvob"}, owner);
  EXPECT_EQ(nothing.exit_code, 2);

  auto refused = vantool({"chproject", "-crmenable", "db", "beta@/pvob"}, owner);
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_NE(refused.err.find("is not available yet"), std::string::npos) << refused.err;
  EXPECT_EQ(vantool({"lsproject", "-short"}, owner).out, "beta@/pvob\n");
}

TEST_F(VantoolProjectTest, IntegrationStreamMadeWithTheProject) {
  for (const char* comp : {"c1@/pvob", "c2@/pvob"})
    ASSERT_EQ(vantool({"mkcomp", "-nroot", "-nc", comp}, owner).exit_code, 0) << comp;
  EXPECT_EQ(vantool_out({"mkproject", "-in", "team@/pvob", "-istream", "alpha_int", "-baseline",
                         "c1_INITIAL@/pvob c2_INITIAL", "-nc", "alpha@/pvob"},
                        owner),
            "Created project \"alpha@/pvob\".\nCreated stream \"alpha_int@/pvob\".\n");
  auto shown = vantool({"lsstream", "-long", "alpha_int@/pvob"}, owner).out;
  EXPECT_NE(shown.find("  project: alpha@/pvob\n  parent stream: \n  kind: integration\n"),
            std::string::npos)
      << shown;
  EXPECT_NE(shown.find("  foundation baselines: c1_INITIAL@/pvob, c2_INITIAL@/pvob\n"
                       "  recommended baselines: c1_INITIAL@/pvob, c2_INITIAL@/pvob\n"),
            std::string::npos)
      << shown;
  // It is the project's integration stream: development streams go below it.
  ASSERT_EQ(vantool({"mkstream", "-in", "alpha@/pvob", "-nc", "alpha_dev@/pvob"}, owner).exit_code,
            0);
  EXPECT_EQ(vantool({"lsstream", "-tree", "-in", "alpha@/pvob"}, owner).out,
            "alpha@/pvob\n  alpha_int@/pvob (integration)\n    alpha_dev@/pvob\n");
  // Without -baseline it starts empty; the name may carry the project VOB.
  EXPECT_EQ(vantool_out({"mkproject", "-in", "team@/pvob", "-istream", "stream:beta_int@/pvob",
                         "-nc", "beta@/pvob"},
                        owner),
            "Created project \"beta@/pvob\".\nCreated stream \"beta_int@/pvob\".\n");
  EXPECT_NE(vantool({"lsstream", "-long", "beta_int@/pvob"}, owner)
                .out.find("  foundation baselines: \n"),
            std::string::npos);
}

TEST_F(VantoolProjectTest, IntegrationStreamRefusalsLeaveNoProject) {
  ASSERT_EQ(vantool({"mkcomp", "-nroot", "-nc", "c1@/pvob"}, owner).exit_code, 0);
  ASSERT_EQ(
      vantool({"mkproject", "-in", "team@/pvob", "-istream", "taken", "-nc", "alpha@/pvob"}, owner)
          .exit_code,
      0);
  // A stream that cannot be made (its name is taken): the project goes again.
  EXPECT_TRUE(vantool_refuses(
      {"Unable to create stream \"taken@/pvob\".\n",
       "vantool: Error: Project \"gamma@/pvob\" was removed again, since its integration stream "
       "\"taken@/pvob\" could not be made.\n"},
      {"mkproject", "-in", "team@/pvob", "-istream", "taken", "-nc", "gamma@/pvob"}, owner));
  // A name that is no baseline: nothing is made at all.
  EXPECT_EQ(vantool_err({"mkproject", "-in", "team@/pvob", "-istream", "g_int", "-baseline",
                         "nothing", "-nc", "gamma@/pvob"},
                        owner),
            "vantool: Error: \"nothing\" does not name a baseline: give NAME@PVOB or "
            "baseline:NAME@PVOB.\n"
            "vantool: Error: Unable to create project \"gamma@/pvob\".\n");
  EXPECT_EQ(vantool({"lsproject", "-short"}, owner).out, "alpha@/pvob\n");
  EXPECT_EQ(vantool({"lsstream", "-short", "-in", "alpha@/pvob"}, owner).out, "taken@/pvob\n");

  // Bad usage makes nothing either.
  for (auto args : {std::vector<std::string>{"mkproject", "-in", "team@/pvob", "-baseline",
                                             "c1_INITIAL@/pvob", "gamma@/pvob"},
                    std::vector<std::string>{"mkproject", "-in", "team@/pvob", "-template",
                                             "-istream", "t_int", "gamma@/pvob"},
                    std::vector<std::string>{"mkproject", "-in", "team@/pvob", "-istream",
                                             "g_int@/elsewhere", "gamma@/pvob"}}) {
    auto usage = vantool(args, owner);
    EXPECT_EQ(usage.exit_code, 2) << args[3] << ": " << usage.err;
  }
  EXPECT_EQ(vantool({"lsproject", "-short"}, owner).out, "alpha@/pvob\n");
}

TEST_F(VantoolProjectTest, TemplateAndRemoval) {
  ASSERT_EQ(vantool({"mkproject", "-in", "RootFolder@/pvob", "-template", "-npolicy", "WinDevVSnap",
                     "-nc", "tmpl@/pvob"},
                    owner)
                .exit_code,
            0);
  EXPECT_EQ(
      vantool_err({"mkproject", "-in", "RootFolder@/pvob", "-template", "-nc", "t2@/pvob"}, owner),
      "vantool: Error: Project template already exists. PVOB can not have more than one "
      "project template.\n"
      "vantool: Error: Unable to create project \"t2@/pvob\".\n");
  EXPECT_EQ(vantool_out({"mkproject", "-in", "team@/pvob", "-nc", "alpha@/pvob"}, owner),
            "Project settings will default to the project template, unless over-ridden "
            "explicitly.\nCreated project \"alpha@/pvob\".\n");
  EXPECT_NE(
      vantool({"lsproject", "-long", "alpha@/pvob"}, owner).out.find("    WinDevVSnap: False\n"),
      std::string::npos);

  EXPECT_EQ(vantool_out({"rmproject", "-nc", "alpha@/pvob"}, owner),
            "Removed project \"alpha@/pvob\".\n");
  EXPECT_EQ(vantool_err({"rmproject", "alpha@/pvob"}, owner),
            "vantool: Error: \"alpha@/pvob\" does not name a project: give NAME@PVOB or "
            "project:NAME@PVOB.\n");
  EXPECT_EQ(vantool({"lsproject", "-short"}, owner).out, "tmpl@/pvob\n");
}

}  // namespace
