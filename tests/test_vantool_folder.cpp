// vantool mkfolder, lsfolder, chfolder and rmfolder end to end on a PVOB of
// each storage form, and the errors bad input gets.
#include <gtest/gtest.h>

#include <string>

#include "support/project_builder.h"
#include "support/vantool_runner.h"

namespace {

using test_support::TempHome;
using test_support::vantool;
using test_support::vantool_out;
using test_support::vantool_refuses;

class VantoolFolderTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    test_support::ProjectSpec spec;
    spec.user = alice;
    spec.pvob_level = GetParam();
    spec.vobs.clear();
    ASSERT_TRUE(build_project(home, spec));
  }
  TempHome home;
  test_support::Env alice = {{"KORVANE_USER", "alice"}};
};

TEST_P(VantoolFolderTest, MakeListChangeAndRemove) {
  EXPECT_EQ(vantool_out({"mkfolder", "-title", "Team A", "-c", "start", "a@/pvob"}, alice),
            "Created folder \"a@/pvob\".\n");
  ASSERT_EQ(vantool({"mkfolder", "-in", "a@/pvob", "-nc", "b@/pvob"}, alice).exit_code, 0);

  auto listed = vantool({"lsfolder", "-long", "a@/pvob"});
  EXPECT_EQ(listed.out,
            "folder \"a@/pvob\"\n  title: Team A\n  parent: RootFolder@/pvob\n"
            "  subfolders: b@/pvob\n  projects: (none)\n");
  EXPECT_EQ(vantool({"lsfolder", "-short"}).out, "RootFolder@/pvob\na@/pvob\nb@/pvob\n");
  EXPECT_EQ(vantool({"lsfolder", "-json", "-in", "RootFolder@/pvob"}).out,
            "[{\"name\":\"a@/pvob\",\"title\":\"Team A\",\"parent\":\"RootFolder@/pvob\","
            "\"subfolders\":[\"b@/pvob\"],\"projects\":[]}]\n");

  EXPECT_EQ(vantool({"chfolder", "-to", "RootFolder@/pvob", "b@/pvob"}, alice).out,
            "Changed folder \"b@/pvob\".\n");
  EXPECT_EQ(vantool({"chfolder", "-name", "c", "b@/pvob"}, alice).out,
            "Changed folder \"c@/pvob\".\n");
  ASSERT_EQ(vantool({"chfolder", "-title", "Shared", "c@/pvob"}, alice).exit_code, 0);
  EXPECT_EQ(vantool({"lsfolder", "-in", "RootFolder@/pvob"}).out,
            "a@/pvob                          \"Team A\"\n"
            "c@/pvob                          \"Shared\"\n");

  auto removed = vantool({"rmfolder", "-nc", "c@/pvob", "a@/pvob"}, alice);
  EXPECT_EQ(removed.exit_code, 0) << removed.err;
  EXPECT_EQ(vantool({"lsfolder", "-short"}).out, "RootFolder@/pvob\n");
}

TEST_P(VantoolFolderTest, Refusals) {
  ASSERT_EQ(vantool({"mkfolder", "a@/pvob"}, alice).exit_code, 0);
  ASSERT_EQ(vantool({"mkfolder", "-in", "a@/pvob", "b@/pvob"}, alice).exit_code, 0);

  EXPECT_TRUE(
      vantool_refuses({"The name is already in use.", "Unable to create folder \"a@/pvob\"."},
                      {"mkfolder", "a@/pvob"}, alice));

  EXPECT_TRUE(vantool_refuses({"A folder may be created only in the RootFolder or another "
                               "folder."},
                              {"mkfolder", "-in", "nosuch@/pvob", "c@/pvob"}, alice));

  EXPECT_TRUE(vantool_refuses({"Cannot remove folder that has sub projects or folders."},
                              {"rmfolder", "RootFolder@/pvob"}, alice));
  EXPECT_TRUE(
      vantool_refuses({"Unable to remove folder \"a@/pvob\"."}, {"rmfolder", "a@/pvob"}, alice));

  EXPECT_TRUE(vantool_refuses({"Unable to change folder \"a@/pvob\"."},
                              {"chfolder", "-to", "b@/pvob", "a@/pvob"}, alice));

  EXPECT_EQ(vantool({"chfolder", "a@/pvob"}, alice).exit_code, 2) << "nothing to change";
  EXPECT_EQ(vantool({"chfolder", "-title", "x", "-name", "y", "a@/pvob"}, alice).exit_code, 2);
  EXPECT_EQ(vantool({"mkfolder", "noVob"}, alice).exit_code, 2);
  EXPECT_TRUE(vantool_refuses({"\"zzz@/pvob\" does not name a folder"}, {"lsfolder", "zzz@/pvob"}));

  EXPECT_EQ(vantool({"lsfolder", "-short"}).out, "RootFolder@/pvob\na@/pvob\nb@/pvob\n")
      << "refusals change nothing";
}

TEST_P(VantoolFolderTest, PreOperationTriggerRefusesMkfolder) {
  ASSERT_EQ(
      vantool({"mktrtype", "-zem", "-preop", "mkfolder", "-exec", "exit 3", "-nc", "stop@/pvob"},
              alice)
          .exit_code,
      0);
  auto refused = vantool({"mkfolder", "a@/pvob"}, alice);
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_EQ(vantool({"lsfolder", "-short"}).out, "RootFolder@/pvob\n");
}

INSTANTIATE_TEST_SUITE_P(BothForms, VantoolFolderTest, ::testing::Values("8", "6"));

}  // namespace
