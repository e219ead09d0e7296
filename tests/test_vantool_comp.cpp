// vantool mkcomp, lscomp and rmcomp end to end: the three kinds of
// component with their initial baselines, listings, removal with its
// refusals, a creation cut short at any write, and the errors bad input gets.
#include <gtest/gtest.h>

#include <string>

#include "support/project_builder.h"
#include "support/vantool_runner.h"

namespace {

using test_support::TempHome;
using test_support::vantool;
using test_support::vantool_out;
using test_support::vantool_refuses;

class VantoolCompTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_support::ProjectSpec spec;
    spec.vobs = {"/src", "/whole"};
    spec.administered = false;
    spec.plain_views = {"v"};
    ASSERT_TRUE(build_project(home, spec));
    view = test_support::view_root(home, "v");
    ASSERT_EQ(vantool({"checkout", "-nc", view + "/src"}).exit_code, 0);
    ASSERT_EQ(vantool({"mkdir", "-ci", "-nc", view + "/src/lib"}).exit_code, 0);
    ASSERT_EQ(vantool({"checkin", "-nc", view + "/src"}).exit_code, 0);
  }
  TempHome home;
  std::string view;
};

TEST_F(VantoolCompTest, MakeListAndRemoveEachKind) {
  auto made = vantool({"mkcomp", "-root", view + "/src/lib", "-nc", "lib@/pvob"});
  EXPECT_EQ(made.exit_code, 0) << made.err;
  EXPECT_NE(made.out.find("Created component \"lib@/pvob\".\n"), std::string::npos) << made.out;
  made = vantool({"mkcomp", "-root", view + "/src/app", "-c", "new root", "app@/pvob"});
  EXPECT_EQ(made.exit_code, 0) << made.err;
  made = vantool({"mkcomp", "-root", view + "/whole", "-nc", "whole@/pvob"});
  EXPECT_EQ(made.exit_code, 0) << made.err;
  made = vantool({"mkcomp", "-nroot", "-nc", "group@/pvob"});
  EXPECT_EQ(made.exit_code, 0) << made.err;

  EXPECT_EQ(vantool({"lscomp", "-short"}).out, "lib@/pvob\napp@/pvob\nwhole@/pvob\ngroup@/pvob\n");
  EXPECT_EQ(vantool({"lscomp", "-long", "app@/pvob"}).out,
            "component \"app@/pvob\"\n  kind: sub-VOB\n  root directory: /src/app\n"
            "  initial baseline: app_INITIAL\n");
  EXPECT_EQ(vantool({"lscomp", "-json", "whole@/pvob"}).out,
            "[{\"name\":\"whole@/pvob\",\"kind\":\"VOB-level\",\"root\":\"/whole\","
            "\"initial_baseline\":\"whole_INITIAL\"}]\n");
  EXPECT_EQ(vantool({"lscomp", "group@/pvob"}).out,
            "group@/pvob                      (no root directory)\n");
  EXPECT_EQ(vantool({"ls", view + "/src"}).exit_code, 0);

  EXPECT_EQ(vantool_out({"rmcomp", "-nc", "app@/pvob", "group@/pvob"}),
            "Removed component \"app@/pvob\".\nRemoved component \"group@/pvob\".\n");
  EXPECT_EQ(vantool({"lscomp", "-short"}).out, "lib@/pvob\nwhole@/pvob\n");
}

TEST_F(VantoolCompTest, Refusals) {
  auto neither = vantool({"mkcomp", "-nc", "x@/pvob"});
  EXPECT_EQ(neither.exit_code, 2);
  EXPECT_NE(neither.err.find("Give one of -root and -nroot."), std::string::npos) << neither.err;

  EXPECT_TRUE(vantool_refuses({"Specified root name must be a top-level VOB directory",
                               "Unable to create component \"x@/pvob\"."},
                              {"mkcomp", "-root", view + "/src/lib/deeper", "-nc", "x@/pvob"}));

  ASSERT_EQ(vantool({"mkcomp", "-root", view + "/src/lib", "-nc", "lib@/pvob"}).exit_code, 0);
  EXPECT_TRUE(vantool_refuses({"is a member of another component"},
                              {"mkcomp", "-root", view + "/src/lib", "-nc", "lib2@/pvob"}));

  EXPECT_TRUE(vantool_refuses({"\"nosuch@/pvob\" does not name a component"},
                              {"rmcomp", "-nc", "nosuch@/pvob"}));
  EXPECT_EQ(vantool({"lscomp", "-short"}).out, "lib@/pvob\n");
}

TEST_F(VantoolCompTest, RemovalRefusalsArePrinted) {
  ASSERT_EQ(vantool({"mkcomp", "-nroot", "-nc", "lib@/pvob"}).exit_code, 0);
  ASSERT_EQ(vantool({"mktrtype", "-zem", "-postop", "mkbl", "-exec", "true", "-restrict",
                     "component:lib", "-nc", "notify@/pvob"})
                .exit_code,
            0);
  EXPECT_TRUE(
      vantool_refuses({"Can't delete component \"lib@/pvob\" because of references to it in "
                       "trigger type restriction lists.\n",
                       "Unable to remove component \"lib@/pvob\"."},
                      {"rmcomp", "-nc", "lib@/pvob"}));
  EXPECT_EQ(vantool({"lscomp", "-short"}).out, "lib@/pvob\n");
}

// mkcomp of a new root directory whose N-th write fails, for every N up to
// the first run that succeeds: each failed run leaves no component, no root
// directory and no baseline behind, and some run fails while making the
// initial baseline.
TEST_F(VantoolCompTest, CreationCutShortAtAnyWriteLeavesNothing) {
  bool initial_failed = false;
  bool made = false;
  for (int at = 1; at <= 80 && !made; ++at) {
    auto run = vantool({"mkcomp", "-root", view + "/src/app", "-nc", "app@/pvob"},
                       {{"KORVANE_FAULT_FAIL_AFTER_WRITES", std::to_string(at)}});
    if (run.exit_code == 0) {
      made = true;
      break;
    }
    SCOPED_TRACE("failed at write " + std::to_string(at) + ": " + run.err);
    initial_failed |=
        run.err.find("Cannot create initial baseline for component \"app\"") != std::string::npos;
    EXPECT_EQ(vantool({"lscomp", "-short"}).out, "");
    EXPECT_EQ(vantool({"ls", view + "/src"}).out.find("app"), std::string::npos);
    EXPECT_EQ(vantool({"describe", "baseline:app_INITIAL@/pvob"}).exit_code, 1);
  }
  EXPECT_TRUE(made);
  EXPECT_TRUE(initial_failed);
  EXPECT_NE(vantool({"lscomp", "-long", "app@/pvob"}).out.find("initial baseline: app_INITIAL\n"),
            std::string::npos);
}

}  // namespace
