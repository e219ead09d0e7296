// findmerge over a tree: the branch named wherever it sprouts or by its full
// path, elements added on the branch arriving in one pass, removed and
// renamed entries, clashes reported as conflicts, elements without the branch
// left alone, dry runs listing exactly what needs a merge, and the errors of
// a bad version name.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "findmerge_fixture.h"

namespace {

using findmerge_test::FindmergeTest;
using findmerge_test::merges_into;
using test_support::ImsgCapture;
using test_support::read_file;

// What a view shows under a directory: relative path to content ("/" for a
// directory).
std::map<std::string, std::string> tree_of(const std::string& dir) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    std::string rel = fs::relative(entry.path(), dir).string();
    tree[rel] = entry.is_directory() ? "/" : read_file(entry.path().string());
  }
  return tree;
}

std::vector<std::string> paths_of(const std::vector<cmd_findmerge_item_t>& items) {
  std::vector<std::string> paths;
  for (const auto& item : items)
    paths.push_back(item.result.path);
  return paths;
}

class FindmergeTreeTest : public FindmergeTest {
 protected:
  // Gives `tag` (a VOB of its own, with branch type "dev", unless it is
  // "/src") a history: main holds keep.txt, a.txt, gone.txt, old.txt and
  // sub/b.txt; dev then edits a.txt and sub/b.txt, adds lib/x.txt and
  // sub/new.txt, removes gone.txt and renames old.txt to renamed.txt; main
  // meanwhile edits a.txt elsewhere and adds main.txt.
  void make_history(const std::string& tag) {
    if (tag != "/src") {
      vob_create_args_t args;
      args.tag = tag;
      vob_vob_h other = nullptr;
      ASSERT_EQ(vob_create(args, &other), 0);
      tbs_dbid_t type = 0;
      ASSERT_EQ(vob_brtype_create(other, "dev", nullptr, &type), 0);
    }
    make_element(main_view, tag, "keep.txt", "keep\n");
    make_element(main_view, tag, "a.txt", "1\n2\n3\n");
    make_element(main_view, tag, "gone.txt", "gone\n");
    make_element(main_view, tag, "old.txt", "old\n");
    make_dir(main_view, tag, "sub");
    make_element(main_view, tag + "/sub", "b.txt", "b\n");
    ASSERT_EQ(view_refresh(dev_view), 0);  // as a command working in it would

    edit(dev_view, tag + "/a.txt", "1\n2\nthree\n");
    edit(dev_view, tag + "/sub/b.txt", "b dev\n");
    make_dir(dev_view, tag, "lib");
    make_element(dev_view, tag + "/lib", "x.txt", "x\n");
    make_element(dev_view, tag + "/sub", "new.txt", "new\n");
    rename_entry(dev_view, tag, "gone.txt", "");
    rename_entry(dev_view, tag, "old.txt", "renamed.txt");

    edit(main_view, tag + "/a.txt", "one\n2\n3\n");
    make_element(main_view, tag, "main.txt", "main\n");
  }

  const std::map<std::string, std::string> kMerged = {{"a.txt", "one\n2\nthree\n"},
                                                      {"keep.txt", "keep\n"},
                                                      {"lib", "/"},
                                                      {"lib/x.txt", "x\n"},
                                                      {"main.txt", "main\n"},
                                                      {"renamed.txt", "old\n"},
                                                      {"sub", "/"},
                                                      {"sub/b.txt", "b dev\n"},
                                                      {"sub/new.txt", "new\n"}};
};

TEST_F(FindmergeTreeTest, BranchAnywhereGivesTheTreeOfItsFullPathInOnePass) {
  make_history("/src");
  make_history("/twin");
  ImsgCapture capture;
  std::vector<cmd_findmerge_item_t> anywhere;
  std::vector<cmd_findmerge_item_t> full_path;
  ASSERT_EQ(findmerge(main_view, "/src", ".../dev/LATEST", false, anywhere), 0);
  ASSERT_EQ(findmerge(main_view, "/twin", "/main/dev/LATEST", false, full_path), 0);
  for (const auto* items : {&anywhere, &full_path})
    for (const auto& item : *items) {
      EXPECT_EQ(item.status, 0) << item.result.path;
      EXPECT_EQ(item.result.conflicts, 0) << item.result.path;
    }
  checkin_all(main_view);

  // One run brought the new directory, its file and the new file with
  // their content, took the removal and the rename, and kept main's edits.
  EXPECT_EQ(tree_of(file(main_view, "/src")), kMerged);
  EXPECT_EQ(tree_of(file(main_view, "/twin")), kMerged);
  std::vector<cmd_findmerge_item_t> again;
  ASSERT_EQ(findmerge(main_view, "/src", ".../dev/LATEST", true, again), 0);
  EXPECT_TRUE(again.empty()) << "every merge was recorded";
}

TEST_F(FindmergeTreeTest, PrintListsExactlyWhatNeedsAMergeDirectoriesFirst) {
  make_history("/src");
  tbs_dbid_t keep = selected(main_view, "/src/keep.txt");
  tbs_dbid_t a = selected(main_view, "/src/a.txt");
  std::vector<cmd_findmerge_item_t> items;
  ASSERT_EQ(findmerge(main_view, "/src", ".../dev/LATEST", true, items), 0);
  EXPECT_EQ(paths_of(items),
            (std::vector<std::string>{"/src", "/src/a.txt", "/src/lib", "/src/lib/x.txt",
                                      "/src/sub", "/src/sub/b.txt", "/src/sub/new.txt"}))
      << "the entries the directory would gain are listed too";
  EXPECT_EQ(items[0].result.need, CMD_MERGE_THREE_WAY);
  EXPECT_EQ(items[1].result.need, CMD_MERGE_THREE_WAY);
  EXPECT_EQ(items[3].result.need, CMD_MERGE_TRIVIAL);

  std::vector<view_ckout_t> checkouts;
  ASSERT_EQ(view_list_checkouts(main_view, checkouts), 0);
  EXPECT_TRUE(checkouts.empty()) << "a dry run checks nothing out";
  EXPECT_EQ(selected(main_view, "/src/a.txt"), a);

  // The merge leaves elements without the branch as they were.
  ASSERT_EQ(findmerge(main_view, "/src", ".../dev/LATEST", false, items), 0);
  EXPECT_EQ(items.size(), 7u);
  EXPECT_EQ(selected(main_view, "/src/keep.txt"), keep);
  ASSERT_EQ(view_list_checkouts(main_view, checkouts), 0);
  for (const auto& c : checkouts)
    EXPECT_NE(c.path, "/src/keep.txt");
  EXPECT_EQ(checkouts.size(), 7u);
}

TEST_F(FindmergeTreeTest, MergesReachDirectoriesTheViewHasNotShownYet) {
  // Another view of main makes deep/er/f.txt; the main view has not looked
  // at /src since.
  view_server_h other = make_view("other");
  make_dir(other, "/src", "deep");
  make_dir(other, "/src/deep", "er");
  make_element(other, "/src/deep/er", "f.txt", "f\n");
  ASSERT_EQ(view_refresh(dev_view), 0);
  edit(dev_view, "/src/deep/er/f.txt", "f on dev\n");
  view_free_handle(other);
  ASSERT_FALSE(std::filesystem::exists(file(main_view, "/src/deep")));

  std::vector<cmd_findmerge_item_t> items;
  ASSERT_EQ(findmerge(main_view, "/src", ".../dev/LATEST", false, items), 0);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].status, 0);
  EXPECT_EQ(read_file(file(main_view, "/src/deep/er/f.txt")), "f on dev\n");
}

TEST_F(FindmergeTreeTest, AVersionNumberPicksThatVersionOfTheBranch) {
  make_element(main_view, "/src", "f.txt", "0\n");
  tbs_dbid_t first = edit(dev_view, "/src/f.txt", "first\n");
  edit(dev_view, "/src/f.txt", "second\n");
  std::vector<cmd_findmerge_item_t> items;
  ASSERT_EQ(findmerge(main_view, "/src/f.txt", ".../dev/1", false, items), 0);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].from, first);
  EXPECT_EQ(read_file(file(main_view, "/src/f.txt")), "first\n");
}

TEST_F(FindmergeTreeTest, BadVersionNamesAreRefusedByName) {
  make_element(main_view, "/src", "f.txt", "0\n");
  ImsgCapture capture;
  std::vector<cmd_findmerge_item_t> items;
  for (const char* bad : {"dev/LATEST", ".../dev", "/main/dev/CHECKEDOUT", ".../a/b/LATEST", ""}) {
    capture.clear();
    EXPECT_EQ(findmerge(main_view, "/src", bad, true, items), 1004) << bad;
    EXPECT_NE(capture.joined(IMSG_ERROR).find("does not name a version to merge from"),
              std::string::npos)
        << bad;
  }
  capture.clear();
  EXPECT_EQ(findmerge(main_view, "/src", ".../nosuch/LATEST", true, items), 1001);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("\"nosuch\" does not exist in VOB \"/src\""),
            std::string::npos)
      << capture.joined(IMSG_ERROR);
  EXPECT_EQ(findmerge(main_view, "/src/none.txt", ".../dev/LATEST", true, items), 1002);
}

TEST_F(FindmergeTreeTest, RenameOnOneSideAndEditOnTheOtherKeepOneName) {
  tbs_dbid_t element = make_element(main_view, "/src", "old.txt", "old\n");
  make_element(main_view, "/src", "x.txt", "x\n");
  rename_entry(dev_view, "/src", "old.txt", "new.txt");
  tbs_dbid_t dev_dir = rename_entry(dev_view, "/src", "x.txt", "");
  make_element(main_view, "/src", "main.txt", "main\n");
  std::vector<cmd_findmerge_item_t> items;
  ASSERT_EQ(findmerge(main_view, "/src", ".../dev/LATEST", false, items), 0);
  ASSERT_EQ(items.size(), 1u);
  tbs_dbid_t checkout = items[0].result.checkout;
  tbs_dbid_t found = 0;
  EXPECT_EQ(vob_nsdir_lookup(vob, checkout, "new.txt", &found), 0);
  EXPECT_EQ(found, element);
  EXPECT_EQ(vob_nsdir_lookup(vob, checkout, "old.txt", &found), 1002) << "one name per element";
  EXPECT_EQ(vob_nsdir_lookup(vob, checkout, "x.txt", &found), 1002) << "removed on the branch";
  EXPECT_EQ(vob_nsdir_lookup(vob, checkout, "main.txt", &found), 0) << "main's addition stays";
  EXPECT_TRUE(findmerge_test::has(merges_into(vob, checkout), dev_dir));
  EXPECT_EQ(read_file(file(main_view, "/src/new.txt")), "old\n");
  EXPECT_FALSE(std::filesystem::exists(file(main_view, "/src/old.txt")));
  EXPECT_FALSE(std::filesystem::exists(file(main_view, "/src/x.txt")));
}

TEST_F(FindmergeTreeTest, ClashesAreConflictsNamedAndKeepTheTarget) {
  tbs_dbid_t a = make_element(main_view, "/src", "a.txt", "a\n");
  tbs_dbid_t b = make_element(main_view, "/src", "b.txt", "b\n");
  tbs_dbid_t c = make_element(main_view, "/src", "c.txt", "c\n");
  // Both rename a.txt, differently; dev renames b.txt to a name main gives
  // a new element; dev renames c.txt, main removes it.
  rename_entry(dev_view, "/src", "a.txt", "a_dev.txt");
  rename_entry(dev_view, "/src", "b.txt", "taken.txt");
  tbs_dbid_t dev_dir = rename_entry(dev_view, "/src", "c.txt", "c_dev.txt");
  rename_entry(main_view, "/src", "a.txt", "a_main.txt");
  tbs_dbid_t taken = make_element(main_view, "/src", "taken.txt", "main's\n");
  rename_entry(main_view, "/src", "c.txt", "");

  ImsgCapture capture;
  std::vector<cmd_findmerge_item_t> items;
  ASSERT_EQ(findmerge(main_view, "/src", ".../dev/LATEST", false, items), 0);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].result.conflicts, 3);
  std::string warnings = capture.joined(IMSG_WARNING);
  EXPECT_NE(warnings.find("\"a_main.txt\" is named \"a_dev.txt\""), std::string::npos) << warnings;
  EXPECT_NE(warnings.find("the name \"taken.txt\""), std::string::npos) << warnings;
  EXPECT_NE(warnings.find("\"c.txt\" was renamed on one side and removed"), std::string::npos)
      << warnings;

  std::map<std::string, tbs_dbid_t> expected = {
      {"a_main.txt", a}, {"b.txt", b}, {"taken.txt", taken}};
  tbs_dbid_t checkout = items[0].result.checkout;
  std::vector<vob_nsdir_entry_t> entries;
  ASSERT_EQ(vob_nsdir_next_entries(vob, checkout, 0, 100, entries), 0);
  std::map<std::string, tbs_dbid_t> actual;
  for (const auto& e : entries)
    actual[e.name] = e.element;
  EXPECT_EQ(actual, expected) << "the target's names stand, each element once";
  EXPECT_FALSE(findmerge_test::has(merges_into(vob, checkout), dev_dir)) << "no arrow yet";
  (void)c;
}

// A directory renamed on one side and given a file on the other: the file
// shows up under the new name, whichever side did which.
TEST_F(FindmergeTreeTest, AFileAddedInADirectoryTheOtherSideRenamedArrivesUnderTheNewName) {
  make_dir(main_view, "/src", "docs");
  make_dir(main_view, "/src", "lib");
  ASSERT_EQ(view_refresh(dev_view), 0);
  // dev renames docs and adds to lib; main adds to docs and renames lib.
  rename_entry(dev_view, "/src", "docs", "manual");
  make_element(dev_view, "/src/lib", "dev.txt", "from dev\n");
  make_element(main_view, "/src/docs", "intro.txt", "intro\n");
  rename_entry(main_view, "/src", "lib", "code");

  std::vector<cmd_findmerge_item_t> items;
  ASSERT_EQ(findmerge(main_view, "/src", ".../dev/LATEST", false, items), 0);
  for (const auto& item : items) {
    EXPECT_EQ(item.status, 0) << item.result.path;
    EXPECT_EQ(item.result.conflicts, 0) << item.result.path;
  }
  std::map<std::string, std::string> expected = {{"code", "/"},
                                                 {"code/dev.txt", "from dev\n"},
                                                 {"manual", "/"},
                                                 {"manual/intro.txt", "intro\n"}};
  EXPECT_EQ(tree_of(file(main_view, "/src")), expected);

  // The other way round: dev takes main's changes and shows the same tree.
  checkin_all(main_view);
  items.clear();
  ASSERT_EQ(findmerge(dev_view, "/src", "/main/LATEST", false, items), 0);
  for (const auto& item : items)
    EXPECT_EQ(item.result.conflicts, 0) << item.result.path;
  EXPECT_EQ(tree_of(file(dev_view, "/src")), expected);
}

}  // namespace
