// The merge service against real VOBs and views: common ancestors over
// predecessors and merge arrows, the needs-merge decision, trivial and
// three-way file merges into a view, deferred merges with conflicts and their
// completion, binary elements changed on one side, directory merges and dry
// runs, and merges planned before the view checks out.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "findmerge_fixture.h"

namespace {

using findmerge_test::FindmergeTest;
using findmerge_test::has;
using findmerge_test::merges_into;
using findmerge_test::TextConflictTest;
using test_support::ImsgCapture;
using test_support::read_file;
using test_support::write_file;

TEST_F(FindmergeTest, CommonAncestorFollowsBranchesAndMergeArrows) {
  make_element(main_view, "/src", "f.txt", "one\n");
  tbs_dbid_t main1 = selected(main_view, "/src/f.txt");
  tbs_dbid_t dev1 = edit(dev_view, "/src/f.txt", "dev one\n");
  tbs_dbid_t main2 = edit(main_view, "/src/f.txt", "main two\n");

  tbs_dbid_t base = 0;
  ASSERT_EQ(cmd_findmerge_common_ancestor(vob, dev1, main2, &base), 0);
  EXPECT_EQ(base, main1) << "where the branch sprouted";
  ASSERT_EQ(cmd_findmerge_common_ancestor(vob, main2, main1, &base), 0);
  EXPECT_EQ(base, main1) << "an ancestor of the other version";
  ASSERT_EQ(cmd_findmerge_common_ancestor(vob, dev1, dev1, &base), 0);
  EXPECT_EQ(base, dev1);

  // After dev/1 is merged into main, a later dev version meets main at dev/1.
  ImsgCapture capture;
  cmd_findmerge_result_t result = merge_into_main(dev1);
  write_file(file(main_view, "/src/f.txt"), "resolved\n");
  ASSERT_EQ(cmd_findmerge_complete(main_view, vob, dev1, result.checkout), 0);
  tbs_dbid_t main3 = 0;
  ASSERT_EQ(view_checkin(main_view, file(main_view, "/src/f.txt").c_str(), nullptr, &main3), 0);
  tbs_dbid_t dev2 = edit(dev_view, "/src/f.txt", "dev two\n");
  ASSERT_EQ(cmd_findmerge_common_ancestor(vob, dev2, main3, &base), 0);
  EXPECT_EQ(base, dev1);
}

// A version on `branch` with the next number.
tbs_dbid_t next_version(vob_vob_h vob, tbs_dbid_t branch) {
  tbs_dbid_t version = 0;
  EXPECT_EQ(vob_ver_checkout(vob, branch, 0, "graph-test", nullptr, &version), 0);
  std::string content = "v" + std::to_string(version) + "\n";
  EXPECT_EQ(vob_ver_checkin(vob, version, &content, nullptr), 0);
  return version;
}

TEST_F(FindmergeTest, CommonAncestorPrefersTheNewestOverNearerOlderOnes) {
  // /main/1 -> x: x/1 .. x/3; branches d and e sprout from x/3 and run four
  // versions each; both latest versions also have a merge arrow from /main/1,
  // which is nearer to them than x/3 but older than it.
  tbs_dbid_t root_dir = test_support::wk_obj(vob, VOB_WK_ROOT_DIRECTORY);
  tbs_dbid_t root_branch = 0;
  ASSERT_EQ(vob_elem_get_main_branch(vob, root_dir, &root_branch), 0);
  tbs_dbid_t dir = 0;
  ASSERT_EQ(vob_ver_checkout(vob, root_branch, 0, "graph-test", nullptr, &dir), 0);
  tbs_dbid_t element = 0;
  ASSERT_EQ(vob_elem_create(vob, dir, "g.txt", VOB_ELTYPE_FILE, nullptr, &element), 0);
  ASSERT_EQ(vob_ver_checkin(vob, dir, nullptr, nullptr), 0);
  tbs_dbid_t main_branch = 0;
  ASSERT_EQ(vob_elem_get_main_branch(vob, element, &main_branch), 0);
  tbs_dbid_t main1 = next_version(vob, main_branch);

  tbs_dbid_t types[3] = {};
  const char* names[3] = {"x", "d", "e"};
  for (int i = 0; i < 3; ++i)
    ASSERT_EQ(vob_brtype_create(vob, names[i], nullptr, &types[i]), 0);
  tbs_dbid_t x = 0;
  ASSERT_EQ(vob_branch_create(vob, main1, types[0], nullptr, &x), 0);
  tbs_dbid_t x3 = 0;
  for (int i = 0; i < 3; ++i)
    x3 = next_version(vob, x);
  tbs_dbid_t tips[2] = {};
  for (int b = 0; b < 2; ++b) {
    tbs_dbid_t branch = 0;
    ASSERT_EQ(vob_branch_create(vob, x3, types[1 + b], nullptr, &branch), 0);
    for (int i = 0; i < 4; ++i)
      tips[b] = next_version(vob, branch);
    ASSERT_EQ(vob_ver_add_merge(vob, main1, tips[b], nullptr), 0);
  }
  tbs_dbid_t base = 0;
  ASSERT_EQ(cmd_findmerge_common_ancestor(vob, tips[0], tips[1], &base), 0);
  EXPECT_EQ(base, x3);

  EXPECT_EQ(cmd_findmerge_common_ancestor(vob, tips[0], 0, &base), 1004);
}

TEST_F(FindmergeTest, TrivialMergeCopiesTheOtherVersion) {
  make_element(main_view, "/src", "f.txt", "a\n");
  tbs_dbid_t main1 = selected(main_view, "/src/f.txt");
  tbs_dbid_t dev1 = edit(dev_view, "/src/f.txt", "a\nb\n");
  EXPECT_EQ(need_of(main_view, dev1), CMD_MERGE_TRIVIAL);

  cmd_findmerge_result_t result = merge_into_main(dev1);
  EXPECT_EQ(result.need, CMD_MERGE_TRIVIAL);
  EXPECT_EQ(result.base, main1);
  EXPECT_EQ(result.conflicts, 0);
  EXPECT_EQ(result.path, "/src/f.txt");
  ASSERT_NE(result.checkout, 0u);
  EXPECT_EQ(selected(main_view, "/src/f.txt"), result.checkout);
  EXPECT_EQ(read_file(file(main_view, "/src/f.txt")), "a\nb\n");
  EXPECT_TRUE(has(merges_into(vob, result.checkout), dev1));
  EXPECT_EQ(need_of(main_view, dev1), CMD_MERGE_NOT_NEEDED);
}

// Version 0 of a branch holds what its branch point holds: a version that
// descends from that point is copied onto the branch, not merged.
TEST_F(FindmergeTest, ABranchMadeFromTheBasePointTakesACopy) {
  make_element(main_view, "/src", "f.txt", "a\n");
  tbs_dbid_t dev1 = edit(dev_view, "/src/f.txt", "a\nb\n");
  tbs_dbid_t int_type = 0;
  ASSERT_EQ(vob_brtype_create(vob, "int", nullptr, &int_type), 0);
  view_server_h int_view = make_view("int");
  ASSERT_EQ(view_set_spec(int_view,
                          "element * CHECKEDOUT\n"
                          "element * .../int/LATEST\n"
                          "element * /main/LATEST -mkbranch int\n"),
            0);
  const std::string path = file(int_view, "/src/f.txt");
  // A checkout undone leaves the new branch, its version 0 selected.
  tbs_dbid_t checkout = 0;
  ASSERT_EQ(view_checkout(int_view, path.c_str(), "try", &checkout), 0);
  ASSERT_EQ(view_uncheckout(int_view, path.c_str(), 0), 0);
  int need = -1;
  ASSERT_EQ(cmd_findmerge_zem_needs_co_merge(int_view, vob, dev1, &need), 0);
  EXPECT_EQ(need, CMD_MERGE_TRIVIAL);
  cmd_findmerge_result_t result;
  ASSERT_EQ(cmd_findmerge_zem_merge(int_view, vob, dev1, "merge", 0, &result), 0);
  EXPECT_EQ(result.need, CMD_MERGE_TRIVIAL);
  EXPECT_EQ(read_file(path), "a\nb\n");
  EXPECT_TRUE(has(merges_into(vob, result.checkout), dev1));
  view_free_handle(int_view);
}

TEST_F(FindmergeTest, ThreeWayMergeCombinesBothSidesAndRecordsTheArrow) {
  make_element(main_view, "/src", "f.txt", "1\n2\n3\n4\n5\n");
  tbs_dbid_t main1 = selected(main_view, "/src/f.txt");
  tbs_dbid_t dev1 = edit(dev_view, "/src/f.txt", "1\n2\n3\n4\nfive\n");
  edit(main_view, "/src/f.txt", "one\n2\n3\n4\n5\n");
  EXPECT_EQ(need_of(main_view, dev1), CMD_MERGE_THREE_WAY);

  cmd_findmerge_result_t result = merge_into_main(dev1);
  EXPECT_EQ(result.need, CMD_MERGE_THREE_WAY);
  EXPECT_EQ(result.base, main1);
  EXPECT_EQ(result.conflicts, 0);
  EXPECT_EQ(read_file(file(main_view, "/src/f.txt")), "one\n2\n3\n4\nfive\n");
  EXPECT_TRUE(has(merges_into(vob, result.checkout), dev1));

  // Merging again uses the checkout as it is and finds nothing to do; after
  // check-in the merged version still holds the merge.
  cmd_findmerge_result_t again = merge_into_main(dev1);
  EXPECT_EQ(again.need, CMD_MERGE_NOT_NEEDED);
  EXPECT_EQ(again.checkout, result.checkout);
  tbs_dbid_t merged = 0;
  ASSERT_EQ(view_checkin(main_view, file(main_view, "/src/f.txt").c_str(), nullptr, &merged), 0);
  std::string content;
  ASSERT_EQ(vob_ver_read_content(vob, merged, content), 0);
  EXPECT_EQ(content, "one\n2\n3\n4\nfive\n");
  EXPECT_EQ(need_of(main_view, dev1), CMD_MERGE_NOT_NEEDED);
}

// A planned merge made once the view has checked the element out: a copy
// replaces the whole file (shorter content too), and a plan made before a
// newer version was checked in is decided again against the checkout.
TEST_F(FindmergeTest, PlannedMergesHoldAfterTheViewChecksOut) {
  make_element(main_view, "/src", "short.txt", "a\nb\nc\n");
  tbs_dbid_t dev_short = edit(dev_view, "/src/short.txt", "a\n");
  make_element(main_view, "/src", "f.txt", "1\n2\n3\n4\n5\n");
  tbs_dbid_t main1 = selected(main_view, "/src/f.txt");
  tbs_dbid_t dev1 = edit(dev_view, "/src/f.txt", "1\n2\n3\n4\nfive\n");
  std::vector<cmd_findmerge_plan_t> plans(2);
  ASSERT_EQ(cmd_findmerge_zem_plan(main_view, vob, dev_short, &plans[0]), 0);
  ASSERT_EQ(cmd_findmerge_zem_plan(main_view, vob, dev1, &plans[1]), 0);
  EXPECT_EQ(plans[0].need, CMD_MERGE_TRIVIAL);
  EXPECT_EQ(plans[1].need, CMD_MERGE_TRIVIAL);
  EXPECT_EQ(plans[1].path, "/src/f.txt");

  // main moves on after the plan; the checkouts come from its newest versions.
  edit(main_view, "/src/f.txt", "one\n2\n3\n4\n5\n");
  for (const char* path : {"/src/short.txt", "/src/f.txt"}) {
    tbs_dbid_t checkout = 0;
    ASSERT_EQ(view_checkout(main_view, file(main_view, path).c_str(), "merge", &checkout), 0);
  }
  std::vector<int> statuses;
  std::vector<cmd_findmerge_result_t> results;
  ImsgCapture capture;
  ASSERT_EQ(cmd_findmerge_zem_merge_planned_many(main_view, plans, "merge", statuses, results), 0);
  ASSERT_EQ(statuses, std::vector<int>({0, 0}));
  EXPECT_EQ(read_file(file(main_view, "/src/short.txt")), "a\n");
  EXPECT_TRUE(has(merges_into(vob, results[0].checkout), dev_short));
  EXPECT_EQ(results[1].need, CMD_MERGE_THREE_WAY);
  EXPECT_EQ(results[1].base, main1);
  EXPECT_EQ(read_file(file(main_view, "/src/f.txt")), "one\n2\n3\n4\nfive\n");
  EXPECT_TRUE(has(merges_into(vob, results[1].checkout), dev1));
  EXPECT_EQ(need_of(main_view, dev1), CMD_MERGE_NOT_NEEDED);
}

TEST_F(FindmergeTest, MergeIntoACheckoutKeepsItsEdits) {
  make_element(main_view, "/src", "f.txt", "1\n2\n3\n4\n5\n");
  tbs_dbid_t dev1 = edit(dev_view, "/src/f.txt", "1\n2\n3\n4\nfive\n");
  tbs_dbid_t checkout = 0;
  ASSERT_EQ(view_checkout(main_view, file(main_view, "/src/f.txt").c_str(), "work", &checkout), 0);
  write_file(file(main_view, "/src/f.txt"), "one\n2\n3\n4\n5\n");
  EXPECT_EQ(need_of(main_view, dev1), CMD_MERGE_THREE_WAY);

  cmd_findmerge_result_t result = merge_into_main(dev1);
  EXPECT_EQ(result.checkout, checkout) << "the view's checkout receives the merge";
  EXPECT_EQ(result.conflicts, 0);
  EXPECT_EQ(read_file(file(main_view, "/src/f.txt")), "one\n2\n3\n4\nfive\n");
  EXPECT_TRUE(has(merges_into(vob, checkout), dev1));
}

TEST_F(TextConflictTest, ConflictingMergeIsDeferredUntilCompleted) {
  ImsgCapture capture;
  cmd_findmerge_result_t result = merge_into_main(dev1);
  EXPECT_EQ(result.need, CMD_MERGE_THREE_WAY);
  EXPECT_EQ(result.conflicts, 1);
  std::string text = read_file(file(main_view, "/src/f.txt"));
  EXPECT_NE(text.find("<<<<<<< "), std::string::npos) << text;
  EXPECT_NE(text.find("main\n=======\ndev\n>>>>>>> "), std::string::npos) << text;
  EXPECT_TRUE(merges_into(vob, result.checkout).empty()) << "no arrow while conflicts remain";
  EXPECT_NE(capture.joined(IMSG_WARNING).find("/src/f.txt"), std::string::npos);
  EXPECT_EQ(need_of(main_view, dev1), CMD_MERGE_THREE_WAY) << "the merge is still to be made";

  // Completing is refused while the markers are there.
  EXPECT_EQ(cmd_findmerge_complete(main_view, vob, dev1, result.checkout), 1001);
  EXPECT_TRUE(merges_into(vob, result.checkout).empty());

  write_file(file(main_view, "/src/f.txt"), "a\nmain and dev\nc\n");
  ASSERT_EQ(cmd_findmerge_complete(main_view, vob, dev1, result.checkout), 0);
  EXPECT_EQ(merges_into(vob, result.checkout), std::vector<tbs_dbid_t>{dev1});
  ASSERT_EQ(cmd_findmerge_complete(main_view, vob, dev1, result.checkout), 0);
  EXPECT_EQ(merges_into(vob, result.checkout).size(), 1u) << "recorded once";
  EXPECT_EQ(need_of(main_view, dev1), CMD_MERGE_NOT_NEEDED);
}

TEST_F(FindmergeTest, NothingToDoWhenAlreadyContained) {
  make_element(main_view, "/src", "f.txt", "a\n");
  tbs_dbid_t main1 = selected(main_view, "/src/f.txt");
  tbs_dbid_t main2 = edit(main_view, "/src/f.txt", "b\n");
  EXPECT_EQ(need_of(main_view, main2), CMD_MERGE_NOT_NEEDED) << "the selected version itself";
  EXPECT_EQ(need_of(main_view, main1), CMD_MERGE_NOT_NEEDED) << "an ancestor";

  cmd_findmerge_result_t none = merge_into_main(main1);
  EXPECT_EQ(none.need, CMD_MERGE_NOT_NEEDED);
  EXPECT_EQ(none.checkout, 0u) << "nothing is checked out";
  std::vector<view_ckout_t> checkouts;
  ASSERT_EQ(view_list_checkouts(main_view, checkouts), 0);
  EXPECT_TRUE(checkouts.empty());
  EXPECT_TRUE(merges_into(vob, main2).empty());
}

TEST_F(FindmergeTest, BinaryElementsAreCopiedWhenOnlyOneSideChanged) {
  tbs_dbid_t element =
      make_element(main_view, "/src", "logo.bin", "base\n", VOB_ELTYPE_FILE_NEVER_MERGE);
  tbs_dbid_t dev1 = edit(dev_view, "/src/logo.bin", "dev\n");
  EXPECT_EQ(need_of(main_view, dev1), CMD_MERGE_TRIVIAL);

  ImsgCapture capture;
  int never = -1;
  ASSERT_EQ(cmd_findmerge_report_never_mergetype(vob, element, 0, &never), 0);
  EXPECT_EQ(never, 1);
  EXPECT_TRUE(capture.all().empty()) << "silent unless asked to report";
  ASSERT_EQ(cmd_findmerge_report_never_mergetype(vob, element, 1, &never), 0);
  EXPECT_NE(capture.joined(IMSG_WARNING).find("is a binary file, never merged"), std::string::npos)
      << capture.joined(IMSG_WARNING);

  cmd_findmerge_result_t result = merge_into_main(dev1);
  EXPECT_EQ(result.need, CMD_MERGE_TRIVIAL);
  EXPECT_EQ(result.conflicts, 0);
  EXPECT_EQ(result.choose_side, 0);
  EXPECT_EQ(read_file(file(main_view, "/src/logo.bin")), "dev\n");
  EXPECT_TRUE(has(merges_into(vob, result.checkout), dev1));

  tbs_dbid_t text = make_element(main_view, "/src", "f.txt", "");
  ASSERT_EQ(cmd_findmerge_report_never_mergetype(vob, text, 1, &never), 0);
  EXPECT_EQ(never, 0);
}

TEST_F(FindmergeTest, DirectoryMergeBringsInElementsOfTheOtherBranch) {
  make_element(main_view, "/src", "keep.txt", "keep\n");
  make_element(main_view, "/src", "gone.txt", "gone\n");
  // dev adds an element and removes one; main adds another.
  tbs_dbid_t added = make_element(dev_view, "/src", "dev.txt", "from dev\n");
  tbs_dbid_t ignored = 0;
  ASSERT_EQ(view_checkout(dev_view, file(dev_view, "/src").c_str(), "rm", &ignored), 0);
  tbs_dbid_t dev_dir = 0;
  ASSERT_EQ(vob_nsdir_remove_entry(vob, ignored, "gone.txt", nullptr), 0);
  ASSERT_EQ(view_checkin(dev_view, file(dev_view, "/src").c_str(), nullptr, &dev_dir), 0);
  tbs_dbid_t mine = make_element(main_view, "/src", "main.txt", "from main\n");

  view_path_info_t dev_txt;
  EXPECT_NE(view_lookup(main_view, file(main_view, "/src/dev.txt").c_str(), &dev_txt), 0)
      << "not visible before the merge";
  EXPECT_EQ(need_of(main_view, dev_dir), CMD_MERGE_THREE_WAY);
  cmd_findmerge_result_t result = merge_into_main(dev_dir);
  EXPECT_EQ(result.need, CMD_MERGE_THREE_WAY);
  EXPECT_EQ(result.conflicts, 0);
  EXPECT_EQ(result.path, "/src");

  tbs_dbid_t element = 0;
  EXPECT_EQ(vob_nsdir_lookup(vob, result.checkout, "dev.txt", &element), 0);
  EXPECT_EQ(element, added);
  EXPECT_EQ(vob_nsdir_lookup(vob, result.checkout, "main.txt", &element), 0);
  EXPECT_EQ(element, mine);
  EXPECT_EQ(vob_nsdir_lookup(vob, result.checkout, "keep.txt", &element), 0);
  EXPECT_EQ(vob_nsdir_lookup(vob, result.checkout, "gone.txt", &element), 1002);
  EXPECT_TRUE(has(merges_into(vob, result.checkout), dev_dir));
  ASSERT_EQ(view_lookup(main_view, file(main_view, "/src/dev.txt").c_str(), &dev_txt), 0)
      << "the view shows the merged directory";
  EXPECT_EQ(dev_txt.element, added);
  // Made in the dev view, whose rule branches on checkout, the element got
  // its content on the dev branch: main shows its empty version 0 until the
  // file itself is merged.
  vob_ver_details_t details;
  ASSERT_EQ(vob_ver_get_details(vob, selected(dev_view, "/src/dev.txt"), &details), 0);
  EXPECT_EQ(details.branch_path, "/main/dev");
  EXPECT_EQ(read_file(file(dev_view, "/src/dev.txt")), "from dev\n");
  EXPECT_EQ(read_file(file(main_view, "/src/dev.txt")), "");
}

TEST_F(FindmergeTest, DirectoryNameConflictIsReportedAndKeepsOurs) {
  tbs_dbid_t theirs = make_element(dev_view, "/src", "same.txt", "dev\n");
  tbs_dbid_t dev_dir = selected(dev_view, "/src");
  tbs_dbid_t ours = make_element(main_view, "/src", "same.txt", "main\n");
  ASSERT_NE(theirs, ours);

  ImsgCapture capture;
  cmd_findmerge_result_t result = merge_into_main(dev_dir);
  EXPECT_EQ(result.conflicts, 1);
  tbs_dbid_t element = 0;
  ASSERT_EQ(vob_nsdir_lookup(vob, result.checkout, "same.txt", &element), 0);
  EXPECT_EQ(element, ours);
  EXPECT_TRUE(merges_into(vob, result.checkout).empty());
  EXPECT_NE(capture.joined(IMSG_WARNING).find("same.txt"), std::string::npos);
}

TEST_F(FindmergeTest, PrintOnlyTellsWithoutChangingAnything) {
  make_element(main_view, "/src", "f.txt", "a\nb\nc\n");
  tbs_dbid_t dev1 = edit(dev_view, "/src/f.txt", "a\ndev\nc\n");
  tbs_dbid_t main2 = edit(main_view, "/src/f.txt", "a\nmain\nc\n");
  std::string before = read_file(file(main_view, "/src/f.txt"));

  cmd_findmerge_result_t result = merge_into_main(dev1, 1);
  EXPECT_EQ(result.need, CMD_MERGE_THREE_WAY);
  EXPECT_EQ(result.conflicts, 1) << "what the merge would leave";
  EXPECT_EQ(result.checkout, 0u);
  EXPECT_EQ(result.path, "/src/f.txt");
  std::vector<view_ckout_t> checkouts;
  ASSERT_EQ(view_list_checkouts(main_view, checkouts), 0);
  EXPECT_TRUE(checkouts.empty());
  EXPECT_EQ(selected(main_view, "/src/f.txt"), main2);
  EXPECT_EQ(read_file(file(main_view, "/src/f.txt")), before);
  EXPECT_TRUE(merges_into(vob, main2).empty());
}

TEST_F(FindmergeTest, CheckoutWithPopMakesTheBranchOrReusesACheckout) {
  tbs_dbid_t element = make_element(main_view, "/src", "f.txt", "a\n");
  tbs_dbid_t checkout = 0;
  ASSERT_EQ(cmd_findmerge_do_checkout_with_pop(dev_view, vob, element, "co", &checkout), 0);
  vob_ver_details_t details;
  ASSERT_EQ(vob_ver_get_details(vob, checkout, &details), 0);
  EXPECT_EQ(details.branch_path, "/main/dev") << "the -mkbranch branch was made";
  EXPECT_EQ(details.checked_out, 1);

  tbs_dbid_t again = 0;
  ASSERT_EQ(cmd_findmerge_do_checkout_with_pop(dev_view, vob, element, "co", &again), 0);
  EXPECT_EQ(again, checkout) << "the view's checkout is used as it is";
}

TEST_F(FindmergeTest, ElementsTheViewDoesNotShowAreNotFound) {
  tbs_dbid_t added = make_element(dev_view, "/src", "dev.txt", "dev\n");
  (void)added;
  tbs_dbid_t version = selected(dev_view, "/src/dev.txt");
  int need = -1;
  EXPECT_EQ(cmd_findmerge_zem_needs_co_merge(main_view, vob, version, &need), 1002);
  cmd_findmerge_result_t result;
  EXPECT_EQ(cmd_findmerge_zem_merge(main_view, vob, version, "merge", 0, &result), 1002);
}

TEST_F(FindmergeTest, CrLfAndAnUnterminatedLastLineReachTheViewsFileIntact) {
  make_element(main_view, "/src", "w.txt", "one\r\ntwo\r\nthree\r\nfour\r\nend");
  tbs_dbid_t dev1 = edit(dev_view, "/src/w.txt", "one\r\ntwo\r\nthree\r\nfour\r\nEND");
  edit(main_view, "/src/w.txt", "ONE\r\ntwo\r\nthree\r\nfour\r\nend");

  cmd_findmerge_result_t result = merge_into_main(dev1);
  EXPECT_EQ(result.need, CMD_MERGE_THREE_WAY);
  EXPECT_EQ(result.conflicts, 0);
  EXPECT_EQ(read_file(file(main_view, "/src/w.txt")), "ONE\r\ntwo\r\nthree\r\nfour\r\nEND");
  tbs_dbid_t version = 0;
  ASSERT_EQ(view_checkin(main_view, file(main_view, "/src/w.txt").c_str(), nullptr, &version), 0);
  std::string stored;
  ASSERT_EQ(vob_ver_read_content(vob, version, stored), 0);
  EXPECT_EQ(stored, "ONE\r\ntwo\r\nthree\r\nfour\r\nEND") << "checked in byte for byte";
}

}  // namespace
