// Binary files through vantool: mkelem and import choose the element type
// from the content and describe shows it; a binary file both sides changed
// is not merged by findmerge, is listed by lsco -merge as waiting for a side,
// is refused by checkin, and merge -resolved -take (or the file as the user
// left it) records the merge; findmerge and merge -resolved killed at every
// write leave the merge pending and their reruns finish it.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/project_builder.h"
#include "support/vantool_runner.h"
#include "vantool_project_fixture.h"

namespace {

using test_support::Env;
using test_support::has;
using test_support::read_file;
using test_support::vantool;
using test_support::vantool_out;
using test_support::vantool_refuses;
using test_support::write_file;

constexpr int kKilled = 128 + 9;
constexpr int kMaxWrites = 200;

const std::string kBase("PNG\0base", 8);
const std::string kDev("PNG\0dev side", 12);
const std::string kMain("PNG\0main side", 13);

Env kill_at(int writes) {
  return {{"KORVANE_FAULT_KILL_AFTER_WRITES", std::to_string(writes)}};
}

// View a works on main, view b on dev; logo.bin (binary) starts on main.
class VantoolBinaryMergeTest : public zem_test::TwoViewsTest {
 protected:
  void SetUp() override {
    TwoViewsTest::SetUp();
    logo = a + "/src/logo.bin";
    run({"checkout", "-nc", a + "/src"});
    write_file(logo, kBase);
    run({"mkelem", "-ci", "-nc", logo});
    run({"checkin", "-nc", a + "/src"});
    b_works_on_dev();
  }

  // Both sides change logo.bin: dev to `dev`, main to `main`.
  void change_both(const std::string& dev, const std::string& main) {
    edit_file(b + "/src/logo.bin", dev);
    edit_file(logo, main);
  }
  test_support::ProcessResult findmerge(const char* mode, const Env& env = {}) {
    return vantool({"findmerge", a + "/src", "-fversion", ".../dev/LATEST", mode, "-nc"}, env);
  }
  std::string merge_list() { return vantool_out({"lsco", "-merge", "-view", "a"}); }

  std::string logo;
};

TEST_F(VantoolBinaryMergeTest, MkelemAndImportChooseTheTypeAndDescribeShowsIt) {
  EXPECT_TRUE(has(vantool_out({"describe", logo}), "  element type: binary file (never merged)\n"));
  EXPECT_TRUE(has(vantool_out({"describe", "-json", logo}),
                  "\"element_type\":\"binary file (never merged)\""));
  run({"checkout", "-nc", a + "/src"});
  write_file(a + "/src/notes.txt", "text\n");
  write_file(a + "/src/forced.txt", kBase);
  write_file(a + "/src/forced.bin", "text\n");
  run({"mkelem", "-ci", "-nc", a + "/src/notes.txt"});
  run({"mkelem", "-ci", "-nc", "-eltype", "file", a + "/src/forced.txt"});
  run({"mkelem", "-ci", "-nc", "-eltype", "binary", a + "/src/forced.bin"});
  EXPECT_TRUE(has(vantool_out({"describe", a + "/src/notes.txt"}), "element type: text file\n"));
  EXPECT_TRUE(has(vantool_out({"describe", a + "/src/forced.txt"}), "element type: text file\n"));
  EXPECT_TRUE(has(vantool_out({"describe", a + "/src/forced.bin"}),
                  "element type: binary file (never merged)\n"));
  EXPECT_TRUE(has(vantool_out({"describe", a + "/src"}), "element type: directory\n"));
  run({"mkdir", "-ci", "-nc", a + "/src/imported"});
  write_file(a + "/src/odd", "x");
  auto bad = vantool({"mkelem", "-nc", "-eltype", "image", a + "/src/odd"});
  EXPECT_EQ(bad.exit_code, 2);
  EXPECT_TRUE(has(bad.err, "Element type \"image\" is not file, binary or directory.")) << bad.err;
  run({"checkin", "-nc", a + "/src"});

  std::string tree = home.path() + "/tree";
  std::filesystem::create_directories(tree + "/img");
  write_file(tree + "/img/icon.ico", std::string("ICO\0\0", 5));
  write_file(tree + "/readme.md", "# readme\n");
  run({"import", "-nc", tree, a + "/src/imported"});
  EXPECT_TRUE(has(vantool_out({"describe", a + "/src/imported/img/icon.ico"}),
                  "element type: binary file (never merged)\n"));
  EXPECT_TRUE(
      has(vantool_out({"describe", a + "/src/imported/readme.md"}), "element type: text file\n"));
}

TEST_F(VantoolBinaryMergeTest, BothSidesChangedWaitsForASideUntilTheirsIsTaken) {
  change_both(kDev, kMain);
  auto merged = findmerge("-merge");
  EXPECT_EQ(merged.exit_code, 1) << "a side is left to choose";
  EXPECT_TRUE(has(merged.err,
                  "\"/src/logo.bin\" is a binary file that both sides changed; it is "
                  "not merged and keeps its own content. Choose the side to keep with "
                  "\"merge -resolved -take theirs\""))
      << merged.err;
  EXPECT_EQ(read_file(logo), kMain);
  EXPECT_EQ(merge_list(),
            "/src/logo.bin  merged from /main/dev/1 in view \"a\": binary file, both sides "
            "changed: a side must be chosen (merge -resolved -take ours|theirs)\n");
  std::string json = vantool_out({"lsco", "-merge", "-json", "-view", "a"});
  EXPECT_TRUE(has(json, "\"conflicts\":1") && has(json, "\"choose_side\":true") &&
              has(json, "\"binary\":true"))
      << json;

  // Held: merged over by nothing, refused by checkin.
  auto again = findmerge("-merge");
  EXPECT_EQ(again.exit_code, 1);
  EXPECT_TRUE(has(again.err, "waits for a side to be chosen; nothing was merged into it"))
      << again.err;
  EXPECT_TRUE(
      vantool_refuses({"/src/logo.bin", "whose side is not chosen yet"}, {"ci", "-nc", logo}));
  EXPECT_TRUE(has(findmerge("-print").out, "\"/src/logo.bin\" [held by an unresolved merge"));

  EXPECT_EQ(vantool({"merge", "-resolved", "-take", "both", logo}).exit_code, 2);
  auto taken = vantool({"merge", "-resolved", "-take", "theirs", logo});
  ASSERT_EQ(taken.exit_code, 0) << taken.err;
  EXPECT_TRUE(has(taken.out, "Marked the merge of \"/main/dev/1\"")) << taken.out;
  EXPECT_EQ(read_file(logo), kDev);
  EXPECT_EQ(merge_list(), "");
  run({"ci", "-nc", logo});
  EXPECT_TRUE(has(vantool_out({"lsvtree", logo}), "<- /main/dev/1"));
  EXPECT_EQ(findmerge("-print").out, "") << "nothing left to merge";
}

TEST_F(VantoolBinaryMergeTest, OursOrTheFileAsLeftAreRecordedToo) {
  change_both(kDev, kMain);
  findmerge("-merge");
  write_file(logo, "overwritten by mistake");
  run({"merge", "-resolved", "-take", "ours", logo});
  EXPECT_EQ(read_file(logo), kMain);
  run({"ci", "-nc", logo});

  // Without -take: whatever the user put in the file.
  change_both(kDev + "2", kMain + "2");
  findmerge("-merge");
  const std::string mine("PNG\0combined by hand", 20);
  write_file(logo, mine);
  run({"merge", "-resolved", logo});
  run({"ci", "-nc", logo});
  EXPECT_EQ(read_file(logo), mine);
  EXPECT_TRUE(has(vantool_out({"lsvtree", logo}), "<- /main/dev/2"));
}

TEST_F(VantoolBinaryMergeTest, TakingASideOfATextConflictThrowsTheMarkersAway) {
  std::string text = a + "/src/hello.txt";
  run({"checkout", "-nc", a + "/src"});
  write_file(text, "alpha\nbeta\n");
  run({"mkelem", "-ci", "-nc", text});
  run({"checkin", "-nc", a + "/src"});
  edit_file(b + "/src/hello.txt", "alpha\nbeta on dev\n");
  edit_file(text, "alpha\nbeta on main\n");
  EXPECT_EQ(findmerge("-merge").exit_code, 1);
  ASSERT_TRUE(has(read_file(text), "<<<<<<<"));
  run({"merge", "-resolved", "-take", "theirs", text});
  EXPECT_EQ(read_file(text), "alpha\nbeta on dev\n");
  run({"ci", "-nc", text});
  EXPECT_TRUE(has(vantool_out({"lsvtree", text}), "<- /main/dev/1"));
}

TEST_F(VantoolBinaryMergeTest, KilledFindmergeLeavesTheTargetAndTheRerunWaitsForASide) {
  change_both(kDev, kMain);
  bool completed = false;
  int killed = 0;
  for (int writes = 1; writes <= kMaxWrites && !completed; ++writes) {
    auto r = findmerge("-merge", kill_at(writes));
    completed = r.exit_code != kKilled;
    killed += completed ? 0 : 1;
    auto rerun = findmerge("-merge");
    EXPECT_EQ(rerun.exit_code, 1) << "killed at write " << writes << ": " << rerun.err;
    EXPECT_TRUE(has(rerun.err, "/src/logo.bin")) << "killed at write " << writes;
    EXPECT_EQ(read_file(logo), kMain) << "killed at write " << writes;
    EXPECT_TRUE(has(merge_list(), "a side must be chosen")) << "killed at write " << writes;
    EXPECT_TRUE(vantool_refuses({"whose side is not chosen yet"}, {"ci", "-nc", logo}))
        << "killed at write " << writes;
    run({"unco", "-rm", logo});
  }
  EXPECT_TRUE(completed) << "findmerge never completed";
  EXPECT_GT(killed, 1);
}

TEST_F(VantoolBinaryMergeTest, KilledSideTakingIsFinishedByTheRerun) {
  bool completed = false;
  int killed = 0;
  for (int writes = 1; writes <= kMaxWrites && !completed; ++writes) {
    std::string round = std::to_string(writes);
    change_both(kDev + round, kMain + round);
    findmerge("-merge");
    auto r = vantool({"merge", "-resolved", "-take", "theirs", logo}, kill_at(writes));
    completed = r.exit_code != kKilled;
    if (!completed) {
      ++killed;
      // Finished by the rerun, or recorded already before the kill.
      auto rerun = vantool({"merge", "-resolved", "-take", "theirs", logo});
      EXPECT_TRUE(rerun.exit_code == 0 || has(rerun.err, "has no unresolved merge"))
          << "killed at write " << writes << ": " << rerun.err;
    }
    EXPECT_EQ(merge_list(), "") << "killed at write " << writes;
    EXPECT_EQ(read_file(logo), kDev + round) << "killed at write " << writes;
    auto ci = vantool({"ci", "-nc", logo});
    ASSERT_EQ(ci.exit_code, 0) << "killed at write " << writes << ": " << ci.err;
    EXPECT_EQ(findmerge("-print").out, "") << "killed at write " << writes;
  }
  EXPECT_TRUE(completed) << "merge -resolved never completed";
  EXPECT_GT(killed, 1);
}

}  // namespace
