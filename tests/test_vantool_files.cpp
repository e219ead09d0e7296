// Versioned files end to end through vantool: the life of a file through two
// views, branches chosen by config specs, labels, snapshot views and their
// load rules, merges (clean and conflicting), and the errors users get.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/project_builder.h"
#include "support/vantool_runner.h"
#include "vantool_project_fixture.h"

namespace {

using test_support::read_file;
using test_support::vantool;
using test_support::vantool_out;
using test_support::vantool_refuses;
using test_support::write_file;

class VantoolFilesTest : public zem_test::TwoViewsTest {
 protected:
  // Makes src/hello.txt in view a with `text` as /main/1.
  void make_hello(const std::string& text) {
    run({"checkout", "-nc", a + "/src"});
    write_file(a + "/src/hello.txt", text);
    run({"mkelem", "-ci", "-c", "first", a + "/src/hello.txt"});
    run({"checkin", "-c", "add hello", a + "/src"});
  }

  std::string setcs(const std::string& view, const std::string& text) {
    std::string file = home.path() + "/cs_" + view;
    write_file(file, text);
    auto r = vantool({"setcs", "-view", view, file});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return r.out;
  }
};

TEST_F(VantoolFilesTest, AFileLivesThroughTwoViews) {
  make_hello("hello\n");
  EXPECT_EQ(read_file(a + "/src/hello.txt"), "hello\n");
  EXPECT_FALSE(std::filesystem::exists(b + "/src/hello.txt")) << "view b has not been used yet";
  vantool({"ls", b + "/src"});
  EXPECT_EQ(read_file(b + "/src/hello.txt"), "hello\n")
      << "a command working in dynamic view b brings it up to date";

  auto co = vantool({"co", "-c", "fix greeting", b + "/src/hello.txt"});
  ASSERT_EQ(co.exit_code, 0) << co.err;
  EXPECT_EQ(co.out, "Checked out \"" + b + "/src/hello.txt\" from version \"/main/1\".\n");
  auto lsco = vantool({"lsco", "-short", "-view", "b"});
  EXPECT_EQ(lsco.out, "/src/hello.txt\n");
  auto reserved = vantool({"co", "-nc", a + "/src/hello.txt"});
  EXPECT_EQ(reserved.exit_code, 1) << "the branch is reserved by view b";

  write_file(b + "/src/hello.txt", "hello, world\n");
  auto diff = vantool({"diff", b + "/src/hello.txt"});
  EXPECT_EQ(diff.exit_code, 1);
  EXPECT_NE(diff.out.find("-hello\n+hello, world\n"), std::string::npos) << diff.out;
  EXPECT_EQ(vantool_out({"ci", b + "/src/hello.txt"}),
            "Checked in \"" + b + "/src/hello.txt\" version \"/main/2\".\n");

  vantool({"update", "-view", "a"});
  EXPECT_EQ(read_file(a + "/src/hello.txt"), "hello, world\n");
  auto ls = vantool({"ls", a + "/src"});
  EXPECT_NE(ls.out.find("hello.txt@@/main/2"), std::string::npos) << ls.out;
  EXPECT_NE(ls.out.find("Rule: element * /main/LATEST"), std::string::npos);
  auto described = vantool({"describe", a + "/src/hello.txt@@/main/2"});
  EXPECT_NE(described.out.find("  comment: \"fix greeting\"\n"), std::string::npos)
      << "check-in keeps the checkout comment: " << described.out;
  EXPECT_NE(described.out.find("  predecessor: /main/1\n"), std::string::npos);
  auto tree = vantool({"lsvtree", a + "/src/hello.txt"});
  EXPECT_NE(tree.out.find("@@/main/2  (selected)"), std::string::npos) << tree.out;
}

TEST_F(VantoolFilesTest, ConfigSpecsChooseBranchesAndLabels) {
  make_hello("one\n");
  ASSERT_EQ(vantool({"mkbrtype", "-nc", "dev@/src"}).exit_code, 0);
  ASSERT_EQ(vantool({"mklbtype", "-nc", "REL1@/src"}).exit_code, 0);
  auto label = vantool({"mklabel", "-view", "a", "REL1", a + "/src/hello.txt"});
  ASSERT_EQ(label.exit_code, 0) << label.err;
  setcs("b",
        "element * CHECKEDOUT\n"
        "element * .../dev/LATEST\n"
        "element * /main/LATEST -mkbranch dev\n");
  ASSERT_EQ(vantool({"co", "-nc", b + "/src/hello.txt"}).exit_code, 0);
  write_file(b + "/src/hello.txt", "two\n");
  auto ci = vantool({"ci", "-nc", b + "/src/hello.txt"});
  ASSERT_EQ(ci.exit_code, 0) << ci.err;
  EXPECT_NE(ci.out.find("\"/main/dev/1\""), std::string::npos) << ci.out;
  vantool({"update", "-view", "a"});
  EXPECT_EQ(read_file(a + "/src/hello.txt"), "one\n") << "view a still selects /main/LATEST";

  ASSERT_EQ(vantool({"co", "-nc", a + "/src/hello.txt"}).exit_code, 0);
  write_file(a + "/src/hello.txt", "main two\n");
  ASSERT_EQ(vantool({"ci", "-nc", a + "/src/hello.txt"}).exit_code, 0);
  setcs("a", "element * REL1\nelement * /main/LATEST\n");
  EXPECT_EQ(read_file(a + "/src/hello.txt"), "one\n") << "the label selects /main/1";
  auto refused = vantool({"setcs", "-view", "a", "/nonexistent-file"});
  EXPECT_EQ(refused.exit_code, 1);
  std::string bad = home.path() + "/bad_cs";
  write_file(bad, "element * /main/LATEST\nelement *\n");
  auto malformed = vantool({"setcs", "-view", "a", bad});
  EXPECT_EQ(malformed.exit_code, 1);
  EXPECT_NE(malformed.err.find("line 2"), std::string::npos) << malformed.err;
  EXPECT_EQ(vantool({"catcs", "-view", "a"}).out, "element * REL1\nelement * /main/LATEST\n")
      << "a malformed config spec changes nothing";
}

TEST_F(VantoolFilesTest, SnapshotViewsLoadWhatTheirLoadRulesName) {
  make_hello("snap\n");
  std::string c = home.path() + "/view_c";
  ASSERT_EQ(vantool({"mkview", "-tag", "c", "-snapshot", c}).exit_code, 0);
  setcs("c", "element * /main/LATEST\nload /src/hello.txt\n");
  EXPECT_FALSE(std::filesystem::exists(c + "/src/hello.txt")) << "nothing before the update";
  auto update = vantool({"update", "-view", "c"});
  ASSERT_EQ(update.exit_code, 0) << update.err;
  EXPECT_EQ(read_file(c + "/src/hello.txt"), "snap\n");
}

TEST_F(VantoolFilesTest, MergesCopyMergeAndReportConflicts) {
  make_hello("alpha\nbeta\ngamma\n");
  ASSERT_EQ(vantool({"mkbrtype", "-nc", "dev@/src"}).exit_code, 0);
  setcs("b",
        "element * CHECKEDOUT\nelement * .../dev/LATEST\nelement * /main/LATEST -mkbranch dev\n");
  ASSERT_EQ(vantool({"co", "-nc", b + "/src/hello.txt"}).exit_code, 0);
  write_file(b + "/src/hello.txt", "alpha\nbeta\ngamma on dev\n");
  ASSERT_EQ(vantool({"ci", "-nc", b + "/src/hello.txt"}).exit_code, 0);

  auto print =
      vantool({"findmerge", a + "/src/hello.txt", "-fversion", "/main/dev/LATEST", "-print"});
  EXPECT_EQ(print.exit_code, 0) << print.err;
  EXPECT_NE(print.out.find("trivial"), std::string::npos) << print.out;
  EXPECT_EQ(vantool({"lsco", "-short", "-view", "a"}).out, "") << "-print changes nothing";

  // main moves on too: a three-way merge of different lines is clean.
  ASSERT_EQ(vantool({"co", "-nc", a + "/src/hello.txt"}).exit_code, 0);
  write_file(a + "/src/hello.txt", "alpha on main\nbeta\ngamma\n");
  ASSERT_EQ(vantool({"ci", "-nc", a + "/src/hello.txt"}).exit_code, 0);
  auto merge = vantool({"findmerge", a + "/src/hello.txt", "-fversion", "/main/dev/LATEST",
                        "-merge", "-c", "bring dev"});
  ASSERT_EQ(merge.exit_code, 0) << merge.err;
  EXPECT_EQ(read_file(a + "/src/hello.txt"), "alpha on main\nbeta\ngamma on dev\n");
  ASSERT_EQ(vantool({"ci", "-nc", a + "/src/hello.txt"}).exit_code, 0);
  auto again =
      vantool({"findmerge", a + "/src/hello.txt", "-fversion", "/main/dev/LATEST", "-print"});
  EXPECT_EQ(again.out, "") << "an arrow records the merge";

  // Both sides change the same line: conflict markers, exit 1.
  ASSERT_EQ(vantool({"co", "-nc", b + "/src/hello.txt"}).exit_code, 0);
  write_file(b + "/src/hello.txt", "alpha\nbeta on dev\ngamma on dev\n");
  ASSERT_EQ(vantool({"ci", "-nc", b + "/src/hello.txt"}).exit_code, 0);
  ASSERT_EQ(vantool({"co", "-nc", a + "/src/hello.txt"}).exit_code, 0);
  write_file(a + "/src/hello.txt", "alpha on main\nbeta on main\ngamma on dev\n");
  ASSERT_EQ(vantool({"ci", "-nc", a + "/src/hello.txt"}).exit_code, 0);
  auto conflict =
      vantool({"findmerge", a + "/src/hello.txt", "-fversion", "/main/dev/LATEST", "-merge"});
  EXPECT_EQ(conflict.exit_code, 1);
  std::string merged = read_file(a + "/src/hello.txt");
  EXPECT_NE(merged.find("<<<<<<<"), std::string::npos) << merged;
  EXPECT_NE(merged.find("beta on main"), std::string::npos);
  EXPECT_NE(merged.find("beta on dev"), std::string::npos);
}

TEST_F(VantoolFilesTest, FindmergeFollowsTheBranchWhereverItSprouts) {
  make_hello("alpha\n");
  vantool({"co", "-nc", a + "/src"});
  write_file(a + "/src/other.txt", "other\n");
  ASSERT_EQ(vantool({"mkelem", "-ci", "-nc", a + "/src/other.txt"}).exit_code, 0);
  ASSERT_EQ(vantool({"ci", "-nc", a + "/src"}).exit_code, 0);
  ASSERT_EQ(vantool({"mkbrtype", "-nc", "dev@/src"}).exit_code, 0);
  setcs("b",
        "element * CHECKEDOUT\nelement * .../dev/LATEST\nelement * /main/LATEST -mkbranch dev\n");
  ASSERT_EQ(vantool({"co", "-nc", b + "/src/hello.txt"}).exit_code, 0);
  write_file(b + "/src/hello.txt", "alpha on dev\n");
  ASSERT_EQ(vantool({"ci", "-nc", b + "/src/hello.txt"}).exit_code, 0);
  ASSERT_EQ(vantool({"co", "-nc", b + "/src"}).exit_code, 0);
  write_file(b + "/src/added.txt", "added on dev\n");
  ASSERT_EQ(vantool({"mkelem", "-ci", "-nc", b + "/src/added.txt"}).exit_code, 0);
  ASSERT_EQ(vantool({"ci", "-nc", b + "/src"}).exit_code, 0);

  // -print names the directory, the file it gains and the edited file;
  // other.txt has no dev branch and is not named.
  auto print = vantool({"findmerge", a + "/src", "-fversion", ".../dev/LATEST", "-print"});
  ASSERT_EQ(print.exit_code, 0) << print.err;
  EXPECT_EQ(print.out,
            "Needs merge \"/src\" [trivial from /main/dev/1 base /main/2]\n"
            "Needs merge \"/src/added.txt\" [trivial from /main/dev/1 base /main/0]\n"
            "Needs merge \"/src/hello.txt\" [trivial from /main/dev/1 base /main/1]\n");

  // One run merges all three; the new file arrives with its content.
  auto merge = vantool({"findmerge", a + "/src", "-fversion", ".../dev/LATEST", "-merge", "-nc"});
  ASSERT_EQ(merge.exit_code, 0) << merge.err;
  EXPECT_EQ(read_file(a + "/src/added.txt"), "added on dev\n");
  EXPECT_EQ(read_file(a + "/src/hello.txt"), "alpha on dev\n");
  EXPECT_EQ(vantool({"lsco", "-short", "-view", "a"}).out,
            "/src\n/src/added.txt\n/src/hello.txt\n");
  ASSERT_EQ(
      vantool({"ci", "-nc", a + "/src/added.txt", a + "/src/hello.txt", a + "/src"}).exit_code, 0);

  // -ci checks in what the merge checked out once it is merged.
  ASSERT_EQ(vantool({"co", "-nc", b + "/src/added.txt"}).exit_code, 0);
  write_file(b + "/src/added.txt", "added, then changed on dev\n");
  ASSERT_EQ(vantool({"ci", "-nc", b + "/src/added.txt"}).exit_code, 0);
  auto merge_ci = vantool(
      {"findmerge", a + "/src", "-fversion", ".../dev/LATEST", "-merge", "-ci", "-c", "take dev"});
  ASSERT_EQ(merge_ci.exit_code, 0) << merge_ci.err;
  EXPECT_NE(merge_ci.out.find("Checked in \"/src/added.txt\" version \"/main/2\""),
            std::string::npos)
      << merge_ci.out;
  EXPECT_EQ(vantool({"lsco", "-short", "-view", "a"}).out, "");
  EXPECT_EQ(read_file(a + "/src/added.txt"), "added, then changed on dev\n");
  EXPECT_EQ(vantool({"findmerge", a + "/src", "-fversion", ".../dev/LATEST", "-ci"}).exit_code, 2);

  // A file the user holds checked out is merged into but left checked out;
  // the files the merge checked out itself are checked in.
  for (const char* name : {"/src/hello.txt", "/src/added.txt"})
    edit_file(b + name, std::string("again on dev: ") + name + "\n");
  ASSERT_EQ(vantool({"co", "-nc", a + "/src/hello.txt"}).exit_code, 0);
  auto mixed =
      vantool({"findmerge", a + "/src", "-fversion", ".../dev/LATEST", "-merge", "-ci", "-nc"});
  ASSERT_EQ(mixed.exit_code, 0) << mixed.err;
  EXPECT_EQ(vantool({"lsco", "-short", "-view", "a"}).out, "/src/hello.txt\n");
  EXPECT_EQ(read_file(a + "/src/added.txt"), "again on dev: /src/added.txt\n");

  EXPECT_TRUE(vantool_refuses({"\"dev/LATEST\" does not name a version to merge from"},
                              {"findmerge", a + "/src", "-fversion", "dev/LATEST", "-print"}));
  EXPECT_TRUE(
      vantool_refuses({"Branch type \"nosuch\" does not exist in VOB \"/src\""},
                      {"findmerge", a + "/src", "-fversion", ".../nosuch/LATEST", "-print"}));
}

TEST_F(VantoolFilesTest, MistakesGetClearErrors) {
  EXPECT_TRUE(vantool_refuses({"nothing.txt"}, {"co", "-nc", a + "/src/nothing.txt"}));
  write_file(a + "/src/loose.txt", "x\n");
  auto not_checked_out_parent = vantool({"mkelem", "-nc", a + "/src/loose.txt"});
  EXPECT_EQ(not_checked_out_parent.exit_code, 1) << "the directory is not checked out";
  auto ci = vantool({"ci", "-nc", a + "/src"});
  EXPECT_EQ(ci.exit_code, 1) << "nothing to check in";
  EXPECT_TRUE(vantool_refuses({"is not in a view"}, {"co", "-nc", "/tmp"}));
  make_hello("keep me\n");
  ASSERT_EQ(vantool({"co", "-nc", a + "/src/hello.txt"}).exit_code, 0);
  write_file(a + "/src/hello.txt", "draft\n");
  auto unco = vantool({"unco", "-keep", a + "/src/hello.txt"});
  EXPECT_EQ(unco.exit_code, 0) << unco.err;
  EXPECT_EQ(read_file(a + "/src/hello.txt"), "keep me\n");
  EXPECT_EQ(read_file(a + "/src/hello.txt.keep"), "draft\n");
}

}  // namespace
