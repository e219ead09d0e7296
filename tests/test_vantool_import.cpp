// vantool import end to end: a tree brought in whole, then brought in again
// after files changed, appeared and disappeared; -preview changes nothing;
// refusals name what is wrong.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/project_builder.h"
#include "support/vantool_runner.h"

namespace {

namespace fs = std::filesystem;
using test_support::read_file;
using test_support::TempHome;
using test_support::vantool;
using test_support::vantool_refuses;
using test_support::write_file;

class VantoolImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(build_project(home, test_support::source_vob_with_views({"v", "o"})));
    view = test_support::view_root(home, "v");
    other = test_support::view_root(home, "o");
    tree = home.path() + "/tree";
    fs::create_directories(tree + "/lib/util");
    fs::create_directories(tree + "/docs");
    write_file(tree + "/README", "read me\n");
    write_file(tree + "/lib/a.c", "int a;\n");
    write_file(tree + "/lib/util/b.c", "int b;\n");
    write_file(tree + "/docs/guide.txt", "guide\n");
  }

  TempHome home;
  std::string view, other, tree;
};

TEST_F(VantoolImportTest, ATreeComesInWholeAndLaterChangesComeInAsNewVersions) {
  auto preview = vantool({"import", "-preview", tree, view + "/src"});
  ASSERT_EQ(preview.exit_code, 0) << preview.err;
  EXPECT_NE(preview.out.find("new directory  lib/util\n"), std::string::npos) << preview.out;
  EXPECT_NE(preview.out.find("new file       lib/util/b.c\n"), std::string::npos);
  EXPECT_NE(preview.out.find("Would import: 3 new directories, 4 new files, 0 changed, 0 removed"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(view + "/src/lib")) << "-preview changes nothing";

  auto first = vantool({"import", "-c", "initial import", tree, view + "/src"});
  ASSERT_EQ(first.exit_code, 0) << first.err;
  EXPECT_NE(first.out.find("Imported: 3 new directories, 4 new files, 0 changed, 0 removed"),
            std::string::npos)
      << first.out;
  EXPECT_EQ(vantool({"lsco", "-short", "-view", "v"}).out, "") << "everything is checked in";
  vantool({"ls", other + "/src"});
  EXPECT_EQ(read_file(other + "/src/lib/util/b.c"), "int b;\n");
  EXPECT_EQ(read_file(other + "/src/README"), "read me\n");
  auto described = vantool({"describe", view + "/src/lib/a.c@@/main/1"});
  EXPECT_NE(described.out.find("initial import"), std::string::npos) << described.out;

  // The tree moves on: one file changes, one appears, one disappears.
  write_file(tree + "/lib/a.c", "int a = 1;\n");
  write_file(tree + "/lib/c.c", "int c;\n");
  fs::remove(tree + "/docs/guide.txt");
  auto again = vantool({"import", "-nc", tree, view + "/src"});
  ASSERT_EQ(again.exit_code, 0) << again.err;
  EXPECT_NE(again.out.find("Imported: 0 new directories, 1 new files, 1 changed, 1 removed, 2 "
                           "unchanged"),
            std::string::npos)
      << again.out;
  EXPECT_EQ(vantool({"lsco", "-short", "-view", "v"}).out, "");
  vantool({"ls", other + "/src"});
  EXPECT_EQ(read_file(other + "/src/lib/a.c"), "int a = 1;\n");
  EXPECT_EQ(read_file(other + "/src/lib/c.c"), "int c;\n");
  EXPECT_FALSE(fs::exists(other + "/src/docs/guide.txt")) << "its name left the directory";
  auto history = vantool({"lsvtree", view + "/src/lib/a.c"});
  EXPECT_NE(history.out.find("@@/main/2"), std::string::npos) << history.out;

  auto same = vantool({"import", "-nc", tree, view + "/src"});
  ASSERT_EQ(same.exit_code, 0) << same.err;
  EXPECT_NE(same.out.find("Nothing to import"), std::string::npos) << same.out;
}

TEST_F(VantoolImportTest, RefusalsNameWhatIsWrong) {
  EXPECT_TRUE(vantool_refuses({"no-such-dir", "not a directory"},
                              {"import", home.path() + "/no-such-dir", view + "/src"}));
  write_file(tree + "/../plain", "x\n");
  EXPECT_TRUE(vantool_refuses({"plain"}, {"import", home.path() + "/plain", view + "/src"}));
  EXPECT_TRUE(vantool_refuses({"is not in a view"}, {"import", tree, "/tmp"}));
  ASSERT_EQ(vantool({"import", "-nc", tree, view + "/src"}).exit_code, 0);
  EXPECT_TRUE(vantool_refuses({"README", "not a directory of the view"},
                              {"import", tree, view + "/src/README"}));
  EXPECT_EQ(vantool({"import"}).exit_code, 2);
}

}  // namespace
