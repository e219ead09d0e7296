// Binary files through the merge service: the type chosen from a new file's
// content, a merge both sides changed that is never made but waits for a
// side (kept content, one conflict, listed, never merged over, check-in
// refused), and resolving it by taking a side or recording the file as the
// user left it; taking a side of a text conflict.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "findmerge_fixture.h"

namespace {

using findmerge_test::FindmergeTest;
using findmerge_test::has;
using findmerge_test::merges_into;
using test_support::ImsgCapture;
using test_support::read_file;
using test_support::write_file;

// Binary contents: a NUL byte within the first 8,000 bytes.
const std::string kBase("base\0\x01", 6);
const std::string kDev("dev side\0\x02", 10);
const std::string kMain("main side\0\x03", 11);

int eltype_of(vob_vob_h vob, tbs_dbid_t element) {
  int eltype = 0;
  EXPECT_EQ(vob_elem_get_eltype(vob, element, &eltype), 0);
  return eltype;
}

TEST(BinaryContentTest, ANulByteInTheFirst8000BytesMakesABinaryFile) {
  EXPECT_EQ(vob_eltype_of_content(""), VOB_ELTYPE_FILE);
  EXPECT_EQ(vob_eltype_of_content("plain text\n"), VOB_ELTYPE_FILE);
  EXPECT_EQ(vob_eltype_of_content(kBase), VOB_ELTYPE_FILE_NEVER_MERGE);
  std::string late(VOB_BINARY_PROBE_BYTES, 'x');
  EXPECT_EQ(vob_eltype_of_content(late + std::string(1, '\0')), VOB_ELTYPE_FILE)
      << "a NUL past the probe does not count";
  late[VOB_BINARY_PROBE_BYTES - 1] = '\0';
  EXPECT_EQ(vob_eltype_of_content(late), VOB_ELTYPE_FILE_NEVER_MERGE);
}

TEST_F(FindmergeTest, MkelemByContentChoosesTheTypeAndExplicitTypesWin) {
  EXPECT_EQ(
      eltype_of(vob, make_element(main_view, "/src", "a.bin", kBase, VIEW_ELTYPE_FILE_BY_CONTENT)),
      VOB_ELTYPE_FILE_NEVER_MERGE);
  EXPECT_EQ(eltype_of(vob, make_element(main_view, "/src", "a.txt", "text\n",
                                        VIEW_ELTYPE_FILE_BY_CONTENT)),
            VOB_ELTYPE_FILE);
  EXPECT_EQ(eltype_of(vob, make_element(main_view, "/src", "forced.txt", kBase, VOB_ELTYPE_FILE)),
            VOB_ELTYPE_FILE);
  // No view-private file: an empty first version, text.
  tbs_dbid_t ignored = 0;
  ASSERT_EQ(view_checkout(main_view, file(main_view, "/src").c_str(), "add", &ignored), 0);
  tbs_dbid_t empty = 0;
  ASSERT_EQ(view_mkelem(main_view, file(main_view, "/src/empty").c_str(),
                        VIEW_ELTYPE_FILE_BY_CONTENT, "new", 1, &empty),
            0);
  EXPECT_EQ(eltype_of(vob, empty), VOB_ELTYPE_FILE);
  ImsgCapture capture;
  EXPECT_EQ(view_mkelem(main_view, file(main_view, "/src/bad").c_str(), 7, "new", 1, &empty),
            TBS_ST_BAD_ARGUMENT);

  vob_ver_details_t details;
  ASSERT_EQ(vob_ver_get_details(vob, selected(main_view, "/src/a.bin"), &details), 0);
  EXPECT_EQ(details.eltype, VOB_ELTYPE_FILE_NEVER_MERGE);
}

// logo.bin, binary, changed on main and on dev since /main/1.
class BinaryMergeTest : public FindmergeTest {
 protected:
  void SetUp() override {
    FindmergeTest::SetUp();
    element = make_element(main_view, "/src", "logo.bin", kBase, VIEW_ELTYPE_FILE_BY_CONTENT);
    dev1 = edit(dev_view, "/src/logo.bin", kDev);
    main2 = edit(main_view, "/src/logo.bin", kMain);
  }

  cmd_findmerge_result_t merge(int print_only = 0) { return merge_into_main(dev1, print_only); }
  int resolve(int take) {
    cmd_findmerge_pending_t resolved;
    return cmd_findmerge_resolve(main_view, path().c_str(), take, &resolved);
  }
  std::string path() { return file(main_view, "/src/logo.bin"); }

  tbs_dbid_t element = 0;
  tbs_dbid_t dev1 = 0;
  tbs_dbid_t main2 = 0;
};

TEST_F(BinaryMergeTest, BothSidesChangedIsNotMergedAndWaitsForASide) {
  ImsgCapture capture;
  EXPECT_EQ(need_of(main_view, dev1), CMD_MERGE_THREE_WAY);
  cmd_findmerge_result_t dry = merge(1);
  EXPECT_EQ(dry.need, CMD_MERGE_THREE_WAY);
  EXPECT_EQ(dry.conflicts, 1);
  EXPECT_EQ(dry.choose_side, 1);
  EXPECT_EQ(dry.checkout, 0u) << "a dry run checks nothing out";

  cmd_findmerge_result_t result = merge();
  EXPECT_EQ(result.need, CMD_MERGE_THREE_WAY);
  EXPECT_EQ(result.conflicts, 1);
  EXPECT_EQ(result.choose_side, 1);
  ASSERT_NE(result.checkout, 0u);
  EXPECT_EQ(selected(main_view, "/src/logo.bin"), result.checkout);
  EXPECT_EQ(read_file(path()), kMain) << "neither merged nor copied: the target's content";
  EXPECT_TRUE(merges_into(vob, result.checkout).empty());
  std::string warned = capture.joined(IMSG_WARNING);
  EXPECT_NE(warned.find("\"/src/logo.bin\" is a binary file that both sides changed; it is not "
                        "merged and keeps its own content. Choose the side to keep with \"merge "
                        "-resolved -take theirs\" (the content of \"/main/dev/1\")"),
            std::string::npos)
      << warned;

  // Pending although the file holds the content from before the merge.
  std::vector<cmd_findmerge_pending_t> list = pending();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].path, "/src/logo.bin");
  EXPECT_EQ(list[0].from, dev1);
  EXPECT_EQ(list[0].checkout, result.checkout);
  EXPECT_EQ(list[0].conflicts, 1);
  EXPECT_EQ(list[0].first_line, 0);
  EXPECT_EQ(list[0].choose_side, 1);
  EXPECT_EQ(list[0].binary, 1);

  // Never merged over, even once the user copied a side in.
  write_file(path(), kDev);
  cmd_findmerge_result_t again = merge();
  EXPECT_EQ(again.need, CMD_MERGE_PENDING);
  EXPECT_EQ(again.conflicts, 1);
  EXPECT_EQ(again.choose_side, 1);
  EXPECT_EQ(read_file(path()), kDev);
  EXPECT_NE(capture.joined(IMSG_WARNING)
                .find("\"/src/logo.bin\" holds a merge from \"/main/dev/1\" that waits for a "
                      "side to be chosen; nothing was merged into it"),
            std::string::npos);

  // Check-in and the rebase's completion refuse until a side is chosen.
  tbs_dbid_t version = 0;
  EXPECT_EQ(view_checkin(main_view, path().c_str(), nullptr, &version), 1001);
  EXPECT_EQ(cmd_findmerge_complete(main_view, vob, dev1, result.checkout), 1001);
  std::string refused = capture.joined(IMSG_ERROR);
  EXPECT_NE(refused.find("holds a merge from \"/main/dev/1\" whose side is not chosen yet"),
            std::string::npos)
      << refused;
  EXPECT_TRUE(merges_into(vob, result.checkout).empty());
  view_path_info_t info;
  ASSERT_EQ(view_lookup(main_view, path().c_str(), &info), 0);
  EXPECT_TRUE(info.checked_out);
  EXPECT_EQ(pending().size(), 1u);
}

TEST_F(BinaryMergeTest, TakingTheirsWritesTheMergedVersionAndRecordsTheMerge) {
  ImsgCapture capture;
  cmd_findmerge_result_t result = merge();
  ASSERT_EQ(resolve(CMD_MERGE_TAKE_THEIRS), 0);
  EXPECT_EQ(read_file(path()), kDev);
  EXPECT_EQ(merges_into(vob, result.checkout), std::vector<tbs_dbid_t>{dev1});
  EXPECT_TRUE(pending().empty());
  EXPECT_EQ(need_of(main_view, dev1), CMD_MERGE_NOT_NEEDED);
  tbs_dbid_t version = 0;
  ASSERT_EQ(view_checkin(main_view, path().c_str(), nullptr, &version), 0);
  std::string content;
  ASSERT_EQ(vob_ver_read_content(vob, version, content), 0);
  EXPECT_EQ(content, kDev);
}

TEST_F(BinaryMergeTest, TakingOursRestoresTheTargetWhateverTheFileHolds) {
  ImsgCapture capture;
  cmd_findmerge_result_t result = merge();
  write_file(path(), "scribbled over\n");
  ASSERT_EQ(resolve(CMD_MERGE_TAKE_OURS), 0);
  EXPECT_EQ(read_file(path()), kMain);
  EXPECT_TRUE(has(merges_into(vob, result.checkout), dev1));
  EXPECT_TRUE(pending().empty());
}

TEST_F(BinaryMergeTest, OursIsTheCheckoutsOwnContentWhenItChangedBeforeTheMerge) {
  ImsgCapture capture;
  tbs_dbid_t checkout = 0;
  ASSERT_EQ(view_checkout(main_view, path().c_str(), "edit", &checkout), 0);
  const std::string edited("edited in the checkout\0", 23);
  write_file(path(), edited);
  cmd_findmerge_result_t result = merge();
  EXPECT_EQ(result.checkout, checkout);
  EXPECT_EQ(result.choose_side, 1);
  EXPECT_EQ(read_file(path()), edited);
  write_file(path(), kDev);
  ASSERT_EQ(resolve(CMD_MERGE_TAKE_OURS), 0);
  EXPECT_EQ(read_file(path()), edited) << "not the predecessor's content";
}

TEST_F(BinaryMergeTest, WithoutASideTheFileIsRecordedAsTheUserLeftIt) {
  ImsgCapture capture;
  cmd_findmerge_result_t result = merge();
  // Bytes that look like conflict markers mean nothing in a binary file.
  const std::string chosen("<<<<<<< a\n=======\n>>>>>>> b\n\0", 29);
  write_file(path(), chosen);
  ASSERT_EQ(resolve(CMD_MERGE_TAKE_NONE), 0);
  EXPECT_EQ(read_file(path()), chosen);
  EXPECT_TRUE(has(merges_into(vob, result.checkout), dev1));
  tbs_dbid_t version = 0;
  ASSERT_EQ(view_checkin(main_view, path().c_str(), nullptr, &version), 0);
  EXPECT_EQ(version, result.checkout);

  // Nothing left to resolve, and an unknown side, are refused.
  EXPECT_EQ(resolve(CMD_MERGE_TAKE_NONE), 1001);
  EXPECT_EQ(resolve(9), TBS_ST_BAD_ARGUMENT);
}

TEST_F(BinaryMergeTest, OnceASideIsTakenTheMergeBackIsACopy) {
  ImsgCapture capture;
  edit(dev_view, "/src/logo.bin", kDev + "more");
  // main2 into dev: both changed, so dev keeps its own side.
  cmd_findmerge_result_t into_dev;
  ASSERT_EQ(cmd_findmerge_zem_merge(dev_view, vob, main2, "merge", 0, &into_dev), 0);
  EXPECT_EQ(into_dev.need, CMD_MERGE_THREE_WAY);
  EXPECT_EQ(into_dev.choose_side, 1);
  std::string dev_path = file(dev_view, "/src/logo.bin");
  cmd_findmerge_pending_t resolved;
  ASSERT_EQ(cmd_findmerge_resolve(dev_view, dev_path.c_str(), CMD_MERGE_TAKE_OURS, &resolved), 0);
  tbs_dbid_t dev3 = 0;
  ASSERT_EQ(view_checkin(dev_view, dev_path.c_str(), nullptr, &dev3), 0);
  EXPECT_EQ(read_file(dev_path), kDev + "more");
  // Main only lags behind dev now: a copy of dev's latest, recorded at once.
  cmd_findmerge_result_t into_main = merge_into_main(dev3);
  EXPECT_EQ(into_main.need, CMD_MERGE_TRIVIAL);
  EXPECT_EQ(into_main.conflicts, 0);
  EXPECT_EQ(into_main.choose_side, 0);
  EXPECT_EQ(read_file(path()), kDev + "more");
  EXPECT_TRUE(has(merges_into(vob, into_main.checkout), dev3));
  EXPECT_TRUE(pending().empty());
}

using TextSideTest = findmerge_test::TextConflictTest;

TEST_F(TextSideTest, TakingASideThrowsTheMarkersAway) {
  ImsgCapture capture;
  cmd_findmerge_result_t result = merge_into_main(dev1);
  ASSERT_EQ(result.conflicts, 1);
  EXPECT_EQ(result.choose_side, 0) << "a text conflict is resolved in the file";
  cmd_findmerge_pending_t resolved;
  ASSERT_EQ(cmd_findmerge_resolve(main_view, path().c_str(), CMD_MERGE_TAKE_OURS, &resolved), 0);
  EXPECT_EQ(read_file(path()), "a\nmain\nc\n");
  EXPECT_TRUE(has(merges_into(vob, result.checkout), dev1));
  EXPECT_TRUE(pending().empty());

  // The same for theirs, on a fresh conflict.
  // Cancelling the checkout takes its arrow along: the merge is needed again.
  ASSERT_EQ(view_uncheckout(main_view, path().c_str(), 0), 0);
  result = merge_into_main(dev1);
  ASSERT_EQ(result.conflicts, 1);
  ASSERT_EQ(cmd_findmerge_resolve(main_view, path().c_str(), CMD_MERGE_TAKE_THEIRS, &resolved), 0);
  EXPECT_EQ(read_file(path()), "a\ndev\nc\n");
  tbs_dbid_t version = 0;
  ASSERT_EQ(view_checkin(main_view, path().c_str(), nullptr, &version), 0);
  EXPECT_TRUE(has(merges_into(vob, version), dev1));
}

}  // namespace
