// Relations in the store: named hyperlink types, finding and deleting
// hyperlinks (with their arrows), walking in chunks, stale arrows, process
// variables with test and test-and-set (also between racing processes), and
// attributes.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include "services/vob.h"
#include "services/vob_attr.h"
#include "support/sandbox.h"
#include "support/vob_elem_fixture.h"

namespace {

using test_support::TempHome;

vob_vob_h make_vob(const std::string& tag, bool pvob = false) {
  return test_support::make_test_vob(tag, pvob);
}

tbs_dbid_t make_type(vob_vob_h vob, const std::string& name) {
  tbs_dbid_t dbid = 0;
  EXPECT_EQ(vob_type_create(vob, VOB_MTYPE_LABEL_TYPE, name.c_str(), nullptr, &dbid), 0);
  return dbid;
}

tbs_dbid_t vob_object(vob_vob_h vob) {
  tbs_dbid_t dbid = 0;
  EXPECT_EQ(vob_ob_get_wk_obj(vob, VOB_WK_VOB_OBJECT, &dbid), 0);
  return dbid;
}

class RelationsTest : public ::testing::Test {
 protected:
  TempHome home;
};

TEST_F(RelationsTest, NamedTypesMustExistAtBothEnds) {
  vob_vob_h a = make_vob("/a");
  vob_vob_h b = make_vob("/b");
  tbs_dbid_t from = make_type(a, "FROM");
  tbs_dbid_t to = make_type(b, "TO");
  EXPECT_EQ(vob_hlink_create(a, from, "DependsOn", b, to, "", "", nullptr, nullptr), 1002);
  ASSERT_EQ(vob_hltype_create(a, "DependsOn", nullptr, nullptr), 0);
  EXPECT_EQ(vob_hlink_create(a, from, "DependsOn", b, to, "", "", nullptr, nullptr), 1002)
      << "the type is also needed in the VOB of the other end";
  ASSERT_EQ(vob_hltype_create(b, "DependsOn", nullptr, nullptr), 0);
  tbs_dbid_t link = 0;
  ASSERT_EQ(vob_hlink_create(a, from, "DependsOn", b, to, "x", "y", nullptr, &link), 0);
  tbs_dbid_t found = 0;
  ASSERT_EQ(vob_obj_find_hlink(a, from, "DependsOn", b, to, &found), 0);
  EXPECT_EQ(found, link);
  EXPECT_EQ(vob_obj_find_wk_hlink(a, from, VOB_WK_HLTYPE_CHANGE, b, to, &found), 1002);

  vob_arrow_info_t arrow;
  ASSERT_EQ(vob_hlink_hlinkh_get_arrow(a, link, &arrow), 0);
  EXPECT_EQ(arrow.type_name, "DependsOn");
  EXPECT_EQ(arrow.wk_type, 0);
  EXPECT_EQ(arrow.to_vob, b);
  EXPECT_EQ(arrow.to, to);
  EXPECT_EQ(arrow.from_text, "x");

  std::vector<vob_hlink_typed_end_t> all;
  ASSERT_EQ(vob_obj_list_all_hlinks(b, to, all), 0);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].type_name, "DependsOn");
  EXPECT_EQ(all[0].direction, 0);
  EXPECT_EQ(all[0].end.other, from);
}

TEST_F(RelationsTest, DeletingAHyperlinkRemovesItFromBothEnds) {
  vob_vob_h a = make_vob("/a");
  vob_vob_h b = make_vob("/b");
  tbs_dbid_t from = make_type(a, "FROM");
  tbs_dbid_t link = 0;
  ASSERT_EQ(vob_hlink_create_wk(a, from, VOB_WK_HLTYPE_USE_BASELINE, b, vob_object(b), nullptr,
                                nullptr, nullptr, &link),
            0);
  vob_event_info_t why;
  why.comment = "no longer used";
  ASSERT_EQ(vob_hlink_delete(a, link, &why), 0);
  int has = 1;
  ASSERT_EQ(vob_obj_has_hlink(a, from, VOB_WK_HLTYPE_USE_BASELINE, 1, &has), 0);
  EXPECT_EQ(has, 0);
  ASSERT_EQ(vob_obj_has_hlink(b, vob_object(b), VOB_WK_HLTYPE_USE_BASELINE, 0, &has), 0);
  EXPECT_EQ(has, 0);
  vob_event_t last;
  ASSERT_EQ(vob_event_get_latest(a, from, VOB_EVENT_MODIFY, &last), 0);
  EXPECT_EQ(last.comment, "no longer used") << "the deletion is recorded on the 'from' object";
  EXPECT_EQ(vob_hlink_delete(a, link, nullptr), 1002);
}

TEST_F(RelationsTest, WalksComeInChunksAcrossBothPhases) {
  vob_vob_h here = make_vob("/here");
  vob_vob_h there = make_vob("/there");
  tbs_dbid_t target = vob_object(here);
  for (int i = 0; i < 40; ++i) {
    ASSERT_EQ(
        vob_hlink_create_wk(here, make_type(here, "L" + std::to_string(i)), VOB_WK_HLTYPE_CHANGE,
                            here, target, nullptr, nullptr, nullptr, nullptr),
        0);
    ASSERT_EQ(
        vob_hlink_create_wk(there, make_type(there, "R" + std::to_string(i)), VOB_WK_HLTYPE_CHANGE,
                            here, target, nullptr, nullptr, nullptr, nullptr),
        0);
  }
  vob_cursor_h cursor = nullptr;
  ASSERT_EQ(vob_obj_hlink_cursor_open(here, target, VOB_WK_HLTYPE_CHANGE, 0, &cursor), 0);
  std::vector<vob_hlink_end_t> chunk;
  std::vector<size_t> sizes;
  size_t local = 0;
  size_t remote = 0;
  int status;
  while ((status = vob_obj_next_hlinks(cursor, 32, chunk)) == 0) {
    sizes.push_back(chunk.size());
    for (const auto& e : chunk)
      (e.hlink_vob == here ? local : remote)++;
  }
  vob_ob_cursor_close(cursor);
  EXPECT_EQ(status, 1002);
  EXPECT_EQ(local, 40u);
  EXPECT_EQ(remote, 40u);
  for (size_t s : sizes)
    EXPECT_LE(s, 32u);
}

TEST_F(RelationsTest, AStaleArrowIsIgnored) {
  vob_vob_h a = make_vob("/a");
  vob_vob_h b = make_vob("/b");
  tbs_dbid_t from = make_type(a, "FROM");
  tbs_dbid_t link = 0;
  ASSERT_EQ(vob_hlink_create_wk(a, from, VOB_WK_HLTYPE_CHANGE, b, vob_object(b), nullptr, nullptr,
                                nullptr, &link),
            0);
  // A creation interrupted after its arrow was written leaves an arrow
  // without its hyperlink.
  std::string storage;
  vob_ob_get_storage_path(a, storage);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((storage + "/vob.db").c_str(), &db), SQLITE_OK);
  std::string sql = "DELETE FROM objects WHERE dbid = " + std::to_string(link);
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  std::vector<vob_hlink_end_t> in;
  ASSERT_EQ(vob_obj_list_hlinks(b, vob_object(b), VOB_WK_HLTYPE_CHANGE, 0, in), 0);
  EXPECT_TRUE(in.empty());
}

TEST_F(RelationsTest, ProcessVariablesTestAndSet) {
  vob_vob_h vob = make_vob("/pvob", true);
  tbs_dbid_t obj = make_type(vob, "STREAM_LIKE");
  EXPECT_EQ(vob_obj_test_process_var(vob, obj, "ZEM_DELIVER", "x"), 1002);
  ASSERT_EQ(vob_obj_test_and_set_process_var(vob, obj, "ZEM_DELIVER", nullptr, "state=1", nullptr),
            0);
  EXPECT_EQ(vob_obj_test_and_set_process_var(vob, obj, "ZEM_DELIVER", nullptr, "state=9", nullptr),
            1087)
      << "only an unset variable matches a null expectation";
  EXPECT_EQ(vob_obj_test_process_var(vob, obj, "ZEM_DELIVER", "state=1"), 0);
  EXPECT_EQ(vob_obj_test_process_var(vob, obj, "ZEM_DELIVER", "state=2"), 1087);
  ASSERT_EQ(
      vob_obj_test_and_set_process_var(vob, obj, "ZEM_DELIVER", "state=1", "state=2", nullptr), 0);
  std::string value;
  ASSERT_EQ(vob_obj_get_process_var(vob, obj, "ZEM_DELIVER", value), 0);
  EXPECT_EQ(value, "state=2");

  vob_event_info_t event;
  event.comment = "local only";
  event.opcode = 97;
  ASSERT_EQ(vob_obj_set_process_var(vob, obj, "CACHE", "v", 0, &event), 0);
  int replicated = 1;
  ASSERT_EQ(vob_obj_get_process_var_replicated(vob, obj, "CACHE", &replicated), 0);
  EXPECT_EQ(replicated, 0);
  vob_event_t last;
  ASSERT_EQ(vob_event_get_latest(vob, obj, VOB_EVENT_MODIFY, &last), 0);
  EXPECT_EQ(last.opcode, 97);
  EXPECT_EQ(last.comment, "local only");
  ASSERT_EQ(vob_obj_delete_process_var(vob, obj, "CACHE", 0, nullptr), 0);
  EXPECT_EQ(vob_obj_delete_process_var(vob, obj, "CACHE", 0, nullptr), 1002);

  // The activity calls refuse objects that are not activity-like.
  EXPECT_EQ(vob_act_set_process_var(vob, obj, "X", "y", nullptr), 1004);
  tbs_dbid_t root_folder = 0;
  vob_vob_h old = test_support::make_test_vob("/old", true, 6);
  ASSERT_EQ(vob_ob_get_wk_obj(old, VOB_WK_ROOT_FOLDER, &root_folder), 0);
  ASSERT_EQ(vob_act_set_process_var_local(old, root_folder, "X", "y", nullptr), 0);
  EXPECT_EQ(vob_act_test_process_var(old, root_folder, "X", "y"), 0);
}

TEST_F(RelationsTest, RacingProcessesTestAndSetExactlyOneWins) {
  vob_vob_h vob = make_vob("/race");
  make_type(vob, "TARGET");
  std::vector<pid_t> racers;
  for (int i = 0; i < 4; ++i) {
    pid_t pid = fork();
    if (pid == 0) {
      std::string value = "racer " + std::to_string(i);
      execl(PVAR_RACER_PATH, PVAR_RACER_PATH, "lbtype:TARGET@/race", "ZEM_DELIVER", value.c_str(),
            static_cast<char*>(nullptr));
      _exit(3);
    }
    racers.push_back(pid);
  }
  int winners = 0;
  int losers = 0;
  for (pid_t pid : racers) {
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 0)
      ++winners;
    if (WEXITSTATUS(status) == 1)
      ++losers;
  }
  EXPECT_EQ(winners, 1);
  EXPECT_EQ(losers, 3);
}

TEST_F(RelationsTest, AttributesFollowTheirTypesValues) {
  vob_vob_h pvob = make_vob("/pvob", true);
  tbs_dbid_t levels = test_support::wk_obj(pvob, VOB_WK_ATTYPE_PROMOTION_LEVEL);
  std::vector<std::string> values;
  std::string def;
  ASSERT_EQ(vob_attype_get_vinfo(pvob, levels, values, def), 0);
  EXPECT_EQ(values, (std::vector<std::string>{"\"REJECTED\"", "\"INITIAL\"", "\"BUILT\"",
                                              "\"TESTED\"", "\"RELEASED\""}));
  EXPECT_EQ(def, "\"INITIAL\"");
  tbs_dbid_t obj = make_type(pvob, "BL");
  EXPECT_EQ(vob_attr_set(pvob, obj, levels, "\"SHIPPED\"", nullptr), 1004);
  ASSERT_EQ(vob_attr_set(pvob, obj, levels, "\"TESTED\"", nullptr), 0);
  std::string value;
  ASSERT_EQ(vob_attr_get(pvob, obj, levels, value), 0);
  EXPECT_EQ(value, "\"TESTED\"");
  ASSERT_EQ(vob_attype_redefine(pvob, levels, {"\"LOW\"", "\"HIGH\""}, "\"LOW\"", nullptr), 0);
  EXPECT_EQ(vob_attype_redefine(pvob, levels, {"\"LOW\""}, "\"HIGH\"", nullptr), 1004);
  ASSERT_EQ(vob_attype_get_vinfo(pvob, levels, values, def), 0);
  EXPECT_EQ(values.size(), 2u);
  ASSERT_EQ(vob_attr_delete(pvob, obj, levels, nullptr), 0);
  EXPECT_EQ(vob_attr_get(pvob, obj, levels, value), 1002);
}

}  // namespace
