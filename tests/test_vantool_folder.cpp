// vantool mkfolder, lsfolder, chfolder and rmfolder end to end on a PVOB of
// each storage form, and the errors bad input gets.
#include <gtest/gtest.h>

#include <string>

#include "support/vantool_runner.h"

namespace {

using test_support::TempHome;
using test_support::vantool;

class VantoolFolderTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    ASSERT_EQ(
        vantool({"mkvob", "-tag", "/pvob", "-pvob", "-fl", GetParam(), "-nc"}, alice).exit_code, 0);
  }
  TempHome home;
  test_support::Env alice = {{"KORVANE_USER", "alice"}};
};

TEST_P(VantoolFolderTest, MakeListChangeAndRemove) {
  auto made = vantool({"mkfolder", "-title", "Team A", "-c", "start", "a@/pvob"}, alice);
  EXPECT_EQ(made.exit_code, 0) << made.err;
  EXPECT_EQ(made.out, "Created folder \"a@/pvob\".\n");
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

  auto dup = vantool({"mkfolder", "a@/pvob"}, alice);
  EXPECT_EQ(dup.exit_code, 1);
  EXPECT_NE(dup.err.find("The name is already in use."), std::string::npos) << dup.err;
  EXPECT_NE(dup.err.find("Unable to create folder \"a@/pvob\"."), std::string::npos);

  auto bad_parent = vantool({"mkfolder", "-in", "nosuch@/pvob", "c@/pvob"}, alice);
  EXPECT_EQ(bad_parent.exit_code, 1);
  EXPECT_NE(bad_parent.err.find("A folder may be created only in the RootFolder or another "
                                "folder."),
            std::string::npos);

  auto root = vantool({"rmfolder", "RootFolder@/pvob"}, alice);
  EXPECT_EQ(root.exit_code, 1);
  EXPECT_NE(root.err.find("Cannot remove folder that has sub projects or folders."),
            std::string::npos);
  auto full = vantool({"rmfolder", "a@/pvob"}, alice);
  EXPECT_EQ(full.exit_code, 1);
  EXPECT_NE(full.err.find("Unable to remove folder \"a@/pvob\"."), std::string::npos);

  auto below = vantool({"chfolder", "-to", "b@/pvob", "a@/pvob"}, alice);
  EXPECT_EQ(below.exit_code, 1);
  EXPECT_NE(below.err.find("Unable to change folder \"a@/pvob\"."), std::string::npos);

  EXPECT_EQ(vantool({"chfolder", "a@/pvob"}, alice).exit_code, 2) << "nothing to change";
  EXPECT_EQ(vantool({"chfolder", "-title", "x", "-name", "y", "a@/pvob"}, alice).exit_code, 2);
  EXPECT_EQ(vantool({"mkfolder", "noVob"}, alice).exit_code, 2);
  auto missing = vantool({"lsfolder", "zzz@/pvob"});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_NE(missing.err.find("\"zzz@/pvob\" does not name a folder"), std::string::npos);

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
