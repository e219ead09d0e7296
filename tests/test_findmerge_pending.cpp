// Pending merges through the merge service: a merge that left conflicts is
// never merged over, is listed until it is resolved, and its arrow is
// recorded by marking it resolved or by checking it in, but never while the
// file still holds a conflict region; an interrupted merge is redone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "findmerge_fixture.h"

namespace {

using findmerge_test::has;
using findmerge_test::merges_into;
using test_support::ImsgCapture;
using test_support::read_file;
using test_support::write_file;

size_t count_of(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

using PendingMergeTest = findmerge_test::TextConflictTest;

TEST_F(PendingMergeTest, AnUnresolvedMergeIsNeverMergedOver) {
  ImsgCapture capture;
  cmd_findmerge_result_t first = merge_into_main(dev1);
  ASSERT_EQ(first.conflicts, 1);
  std::string conflicted = read_file(path());

  // The same version again, and a newer one: the file is left as it is.
  cmd_findmerge_result_t again = merge_into_main(dev1);
  EXPECT_EQ(again.need, CMD_MERGE_PENDING);
  EXPECT_EQ(again.checkout, first.checkout);
  EXPECT_EQ(again.conflicts, 1);
  tbs_dbid_t dev2 = edit(dev_view, "/src/f.txt", "a\ndev two\nc\n");
  EXPECT_EQ(merge_into_main(dev2).need, CMD_MERGE_PENDING);
  EXPECT_EQ(merge_into_main(dev2, 1).need, CMD_MERGE_PENDING) << "a dry run tells the same";
  EXPECT_EQ(read_file(path()), conflicted) << "no nested markers";
  EXPECT_EQ(count_of(conflicted, "<<<<<<<"), 1u);
  std::string warned = capture.joined(IMSG_WARNING);
  EXPECT_NE(warned.find("\"/src/f.txt\" holds an unresolved merge from \"/main/dev/1\" with 1 "
                        "conflicting regions left; nothing was merged into it"),
            std::string::npos)
      << warned;
  EXPECT_TRUE(merges_into(vob, first.checkout).empty());

  // Resolved in the file but not recorded: still held, with the other message.
  write_file(path(), "a\nmain and dev\nc\n");
  EXPECT_EQ(merge_into_main(dev1).need, CMD_MERGE_PENDING);
  EXPECT_NE(capture.joined(IMSG_WARNING).find("resolved but not recorded"), std::string::npos);
  EXPECT_EQ(read_file(path()), "a\nmain and dev\nc\n");
}

TEST_F(PendingMergeTest, ListedUntilResolvedAndResolveRefusesWhileMarkersRemain) {
  ImsgCapture capture;
  EXPECT_TRUE(pending().empty());
  cmd_findmerge_result_t first = merge_into_main(dev1);
  std::vector<cmd_findmerge_pending_t> list = pending();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].path, "/src/f.txt");
  EXPECT_EQ(list[0].from, dev1);
  EXPECT_EQ(list[0].checkout, first.checkout);
  EXPECT_EQ(list[0].conflicts, 1);
  EXPECT_EQ(list[0].first_line, 2) << "the region opens on the second line";

  // Refused with the path and the first conflicting line; nothing recorded.
  cmd_findmerge_pending_t resolved;
  EXPECT_EQ(cmd_findmerge_resolve(main_view, path().c_str(), CMD_MERGE_TAKE_NONE, &resolved), 1001);
  EXPECT_NE(capture.joined(IMSG_ERROR)
                .find("\"" + path() +
                      "\" still holds 1 conflicting regions from its merge "
                      "of \"/main/dev/1\", the first at line 2"),
            std::string::npos)
      << capture.joined(IMSG_ERROR);
  EXPECT_TRUE(merges_into(vob, first.checkout).empty());
  EXPECT_EQ(pending().size(), 1u);

  write_file(path(), "a\nmain and dev\nc\n");
  ASSERT_EQ(cmd_findmerge_resolve(main_view, path().c_str(), CMD_MERGE_TAKE_NONE, &resolved), 0);
  EXPECT_EQ(resolved.from, dev1);
  EXPECT_EQ(merges_into(vob, first.checkout), std::vector<tbs_dbid_t>{dev1});
  EXPECT_TRUE(pending().empty());
  EXPECT_EQ(merge_into_main(dev1).need, CMD_MERGE_NOT_NEEDED);

  // Nothing left to resolve: a clear refusal.
  EXPECT_EQ(cmd_findmerge_resolve(main_view, path().c_str(), CMD_MERGE_TAKE_NONE, &resolved), 1001);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("has no unresolved merge in view \"main\""),
            std::string::npos);
  tbs_dbid_t version = 0;
  ASSERT_EQ(view_checkin(main_view, path().c_str(), nullptr, &version), 0);
  EXPECT_TRUE(has(merges_into(vob, version), dev1));
}

TEST_F(PendingMergeTest, CheckinRefusesMarkersAndRecordsTheArrowOnceResolved) {
  ImsgCapture capture;
  cmd_findmerge_result_t first = merge_into_main(dev1);
  tbs_dbid_t version = 0;
  EXPECT_EQ(view_checkin(main_view, path().c_str(), nullptr, &version), 1001);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("still holds 1 conflicting regions"),
            std::string::npos);
  view_path_info_t info;
  ASSERT_EQ(view_lookup(main_view, path().c_str(), &info), 0);
  EXPECT_TRUE(info.checked_out) << "the checkout stays";

  // Resolved by editing alone: the check-in records the merge.
  write_file(path(), "a\nmain and dev\nc\n");
  ASSERT_EQ(view_checkin(main_view, path().c_str(), nullptr, &version), 0);
  EXPECT_EQ(version, first.checkout);
  EXPECT_EQ(merges_into(vob, version), std::vector<tbs_dbid_t>{dev1});
  EXPECT_TRUE(pending().empty());
  EXPECT_EQ(merge_into_main(dev1).need, CMD_MERGE_NOT_NEEDED);
}

TEST_F(PendingMergeTest, CancellingTheCheckoutForgetsTheMergeAndAllowsItAgain) {
  ImsgCapture capture;
  merge_into_main(dev1);
  ASSERT_EQ(view_uncheckout(main_view, path().c_str(), 0), 0);
  EXPECT_TRUE(pending().empty());
  EXPECT_EQ(read_file(path()), "a\nmain\nc\n");
  cmd_findmerge_result_t redo = merge_into_main(dev1);
  EXPECT_EQ(redo.need, CMD_MERGE_THREE_WAY);
  EXPECT_EQ(redo.conflicts, 1);
  EXPECT_EQ(count_of(read_file(path()), "<<<<<<<"), 1u);
}

TEST_F(PendingMergeTest, AMergeThatNeverReachedTheFileIsRedone) {
  // The record is written before the file: a crash in between leaves the
  // checkout's content as it was, and merging again makes the merge.
  ImsgCapture capture;
  cmd_findmerge_result_t first = merge_into_main(dev1);
  write_file(path(), "a\nmain\nc\n");  // the content the merge started from
  EXPECT_TRUE(pending().empty()) << "the file never received the merge";
  cmd_findmerge_result_t redo = merge_into_main(dev1);
  EXPECT_EQ(redo.need, CMD_MERGE_THREE_WAY);
  EXPECT_EQ(redo.checkout, first.checkout);
  EXPECT_EQ(count_of(read_file(path()), "<<<<<<<"), 1u);
  EXPECT_EQ(pending().size(), 1u);
}

}  // namespace
