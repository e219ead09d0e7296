// Unresolved merges through vantool: findmerge leaves them untouched,
// lsco -merge lists them, merge -resolved and checkin refuse while conflict
// markers remain and record the merge once they are gone.
#include <gtest/gtest.h>

#include "support/project_builder.h"
#include "support/vantool_runner.h"
#include "vantool_project_fixture.h"

namespace {

using test_support::read_file;
using test_support::vantool;
using test_support::vantool_refuses;
using test_support::write_file;

size_t count_of(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

// View a works on main, view b on dev; hello.txt conflicts between them on
// its second line, other.txt is only on main.
class VantoolMergeResolveTest : public zem_test::TwoViewsTest {
 protected:
  void SetUp() override {
    TwoViewsTest::SetUp();
    run({"checkout", "-nc", a + "/src"});
    write_file(a + "/src/hello.txt", "alpha\nbeta\ngamma\n");
    write_file(a + "/src/other.txt", "other\n");
    run({"mkelem", "-ci", "-nc", a + "/src/hello.txt", a + "/src/other.txt"});
    run({"checkin", "-nc", a + "/src"});
    b_works_on_dev();
    edit_file(b + "/src/hello.txt", "alpha\nbeta on dev\ngamma\n");
    edit_file(a + "/src/hello.txt", "alpha\nbeta on main\ngamma\n");
  }

  test_support::ProcessResult findmerge(const char* mode) {
    return vantool({"findmerge", a + "/src", "-fversion", ".../dev/LATEST", mode, "-nc"});
  }
};

TEST_F(VantoolMergeResolveTest, ASecondMergeLeavesTheConflictedFileAlone) {
  auto first = findmerge("-merge");
  EXPECT_EQ(first.exit_code, 1) << "conflicts remain";
  std::string conflicted = read_file(a + "/src/hello.txt");
  ASSERT_EQ(count_of(conflicted, "<<<<<<<"), 1u) << conflicted;

  auto second = findmerge("-merge");
  EXPECT_EQ(second.exit_code, 1);
  EXPECT_NE(second.err.find("\"/src/hello.txt\" holds an unresolved merge from \"/main/dev/1\""),
            std::string::npos)
      << second.err;
  EXPECT_NE(second.err.find("cancel its checkout"), std::string::npos) << second.err;
  EXPECT_EQ(read_file(a + "/src/hello.txt"), conflicted) << "no nested markers";

  auto print = findmerge("-print");
  EXPECT_NE(print.out.find("\"/src/hello.txt\" [held by an unresolved merge"), std::string::npos)
      << print.out;
}

TEST_F(VantoolMergeResolveTest, LscoMergeListsOnlyTheUnresolvedCheckouts) {
  ASSERT_EQ(vantool({"co", "-nc", a + "/src/other.txt"}).exit_code, 0);
  EXPECT_EQ(vantool({"lsco", "-merge", "-short", "-view", "a"}).out, "") << "no merge yet";
  findmerge("-merge");
  EXPECT_EQ(vantool({"lsco", "-short", "-view", "a"}).out, "/src/hello.txt\n/src/other.txt\n");
  EXPECT_EQ(vantool({"lsco", "-merge", "-short", "-view", "a"}).out, "/src/hello.txt\n");
  auto lines = vantool({"lsco", "-merge", "-view", "a"});
  EXPECT_EQ(lines.out,
            "/src/hello.txt  merged from /main/dev/1 in view \"a\": 1 conflicting regions left, "
            "the first at line 2\n");
  auto json = vantool({"lsco", "-merge", "-json", "-view", "a"});
  EXPECT_NE(json.out.find("\"path\":\"/src/hello.txt\""), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"from\":\"/main/dev/1\""), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"conflicts\":1"), std::string::npos) << json.out;
  EXPECT_EQ(vantool({"lsco", "-merge", "-short", "-view", "b"}).out, "") << "another view";

  // Resolved in the file: listed as waiting to be recorded.
  write_file(a + "/src/hello.txt", "alpha\nbeta on both\ngamma\n");
  EXPECT_NE(vantool({"lsco", "-merge", "-view", "a"})
                .out.find("conflicts resolved, not yet "
                          "recorded"),
            std::string::npos);
}

TEST_F(VantoolMergeResolveTest, ResolvingRefusesMarkersThenRecordsTheMergeForCheckin) {
  findmerge("-merge");
  std::string hello = a + "/src/hello.txt";
  EXPECT_TRUE(vantool_refuses({hello, "still holds 1 conflicting regions", "the first at line 2"},
                              {"ci", "-nc", hello}));
  EXPECT_TRUE(vantool_refuses({hello, "the first at line 2", "Unable to mark the merge"},
                              {"merge", "-resolved", hello}));
  EXPECT_EQ(vantool({"lsco", "-merge", "-short", "-view", "a"}).out, "/src/hello.txt\n");

  write_file(hello, "alpha\nbeta on both\ngamma\n");
  auto resolved = vantool({"merge", "-resolved", hello});
  ASSERT_EQ(resolved.exit_code, 0) << resolved.err;
  EXPECT_NE(resolved.out.find("Marked the merge of \"/main/dev/1\""), std::string::npos)
      << resolved.out;
  EXPECT_EQ(vantool({"lsco", "-merge", "-short", "-view", "a"}).out, "");
  auto ci = vantool({"ci", "-nc", hello});
  ASSERT_EQ(ci.exit_code, 0) << ci.err;
  EXPECT_EQ(read_file(hello), "alpha\nbeta on both\ngamma\n");
  EXPECT_NE(vantool({"lsvtree", hello}).out.find("<- /main/dev/1"), std::string::npos);
  EXPECT_EQ(findmerge("-print").out, "") << "nothing left to merge";

  EXPECT_TRUE(
      vantool_refuses({"has no unresolved merge in view \"a\""}, {"merge", "-resolved", hello}));
  EXPECT_EQ(vantool({"merge", hello}).exit_code, 2) << "-resolved is the only mode";
}

TEST_F(VantoolMergeResolveTest, CheckinAloneRecordsAMergeResolvedInTheFile) {
  findmerge("-merge");
  std::string hello = a + "/src/hello.txt";
  write_file(hello, "alpha\nbeta on both\ngamma\n");
  auto ci = vantool({"ci", "-nc", hello});
  ASSERT_EQ(ci.exit_code, 0) << ci.err;
  EXPECT_EQ(findmerge("-print").out, "") << "the check-in recorded the merge";
  EXPECT_EQ(vantool({"lsco", "-merge", "-short", "-view", "a"}).out, "");
}

}  // namespace
