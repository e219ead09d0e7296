// Activities, change sets and current activities: first-class activities
// in their streams, checkouts through views attached to streams recorded in
// the current activity, check-in and uncheckout advancing the pair counts,
// explicit changes, removal refusals, and changes killed halfway.
#include <gmock/gmock.h>
#include <sqlite3.h>

#include <fstream>
#include <map>

#include "services/cmd_findmerge.h"
#include "services/view.h"
#include "services/vob_zem_activity.h"
#include "services/vob_zem_stream.h"
#include "vob_zem_fixture.h"

namespace zem_test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class VobActivityTest : public ZemTest {
 protected:
  void SetUp() override {
    ZemTest::SetUp();
    // The view service alone: the ZEM library, when loaded into this
    // process, installs its checkout question at load; it is not asked here.
    view_register_zem_entry_points(nullptr);
    ASSERT_EQ(vob_zem_stream_create(fc, "dev", project("p", fc_root), 0, nullptr, &stream), 0);
    a1 = activity("fix-parser", "Fix the parser");
    a2 = activity("new-lexer");
    setup = make_view("setup");
    for (const char* path : {"/src/a.txt", "/src/b.txt", "/src/comp/", "/src/comp/c.txt"})
      make_elem(path);
  }
  void TearDown() override {
    for (auto& [tag, view] : views)
      view_free_handle(view);
  }

  tbs_dbid_t activity(const char* name, const char* title = nullptr) {
    tbs_dbid_t made = 0;
    EXPECT_EQ(vob_zem_activity_create(fc, name, title, stream, nullptr, &made), 0) << name;
    return made;
  }
  view_server_h make_view(const std::string& tag) {
    view_create_args_t args;
    args.tag = tag;
    args.root = home.path() + "/roots/" + tag;
    view_server_h view = nullptr;
    EXPECT_EQ(view_create(args, &view), 0) << tag;
    views[tag] = view;
    return view;
  }
  view_server_h attached(const std::string& tag, tbs_dbid_t current) {
    view_server_h view = make_view(tag);
    EXPECT_EQ(vob_utl_view_set_stream(view, fc, stream, nullptr), 0);
    if (current != 0) {
      EXPECT_EQ(vob_zem_view_set_activity(fc, uuid(view).c_str(), current, nullptr), 0);
    }
    return view;
  }
  static std::string uuid(view_server_h view) {
    std::string text;
    view_get_uuid(view, text);
    return text;
  }
  // Makes a checked-in element through the setup view ("/" at the end: a
  // directory, marked as its own component root).
  void make_elem(const std::string& path) {
    bool dir = path.back() == '/';
    std::string name = dir ? path.substr(0, path.size() - 1) : path;
    std::string parent = name.substr(0, name.rfind('/'));
    tbs_dbid_t version = 0;
    ASSERT_EQ(view_checkout(setup, parent.c_str(), "add", &version), 0);
    if (!dir)
      std::ofstream(home.path() + "/roots/setup" + name) << name << "\n";
    ASSERT_EQ(view_mkelem(setup, name.c_str(), dir ? VOB_ELTYPE_DIRECTORY : VOB_ELTYPE_FILE, "new",
                          1, &elements[name]),
              0);
    if (dir) {
      ASSERT_EQ(vob_elem_set_crde(plain, elements[name], elements[name], nullptr), 0);
    }
    ASSERT_EQ(view_checkin(setup, parent.c_str(), nullptr, &version), 0);
  }
  std::vector<vob_cset_entry_t> cset(tbs_dbid_t act, int checkouts_only = 0) {
    std::vector<vob_cset_entry_t> entries;
    int unavailable = -1;
    EXPECT_EQ(vob_zem_activity_cset_get_vers(fc, act, checkouts_only, entries, &unavailable), 0);
    EXPECT_EQ(unavailable, 0);
    return entries;
  }
  unsigned int mod_count(tbs_dbid_t act) {
    unsigned int n = 99;
    EXPECT_EQ(vob_zem_activity_get_mod_count(fc, act, &n), 0);
    return n;
  }
  tbs_dbid_t latest(const char* path) {
    tbs_dbid_t branch = 0;
    tbs_dbid_t version = 0;
    EXPECT_EQ(vob_elem_get_main_branch(plain, elements.at(path), &branch), 0);
    EXPECT_EQ(vob_branch_get_ver(plain, branch, -1, &version), 0);
    return version;
  }
  long rows(vob_vob_h vob, const std::string& sql) {
    std::string storage;
    vob_ob_get_storage_path(vob, storage);
    sqlite3* db = nullptr;
    sqlite3_open_v2((storage + "/vob.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK) << sql;
    long n = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return n;
  }

  tbs_dbid_t stream = 0;
  tbs_dbid_t a1 = 0;
  tbs_dbid_t a2 = 0;
  view_server_h setup = nullptr;
  std::map<std::string, view_server_h> views;
  std::map<std::string, tbs_dbid_t> elements;
};

TEST_F(VobActivityTest, ActivitiesLiveInTheirStreamsWithHeadlinesAndTasks) {
  tbs_dbid_t parent = 0;
  ASSERT_EQ(vob_zem_activity_get_parent(fc, a1, &parent), 0);
  EXPECT_EQ(parent, stream);
  std::string headline;
  ASSERT_EQ(vob_zem_activity_get_headline(fc, a1, headline), 0);
  EXPECT_EQ(headline, "Fix the parser");
  ASSERT_EQ(vob_zem_activity_set_headline(fc, a2, "Lexer", nullptr), 0);
  ASSERT_EQ(vob_zem_activity_get_headline(fc, a2, headline), 0);
  EXPECT_EQ(headline, "Lexer");
  std::vector<tbs_dbid_t> listed;
  ASSERT_EQ(vob_zem_stream_next_activities(fc, stream, 0, 10, listed), 0);
  EXPECT_THAT(listed, ElementsAre(a1, a2));
  {
    ImsgCapture capture;
    tbs_dbid_t made = 0;
    EXPECT_EQ(vob_zem_activity_create(fc, "x", nullptr, fc_root, nullptr, &made),
              TBS_ST_BAD_ARGUMENT);
    EXPECT_THAT(capture.joined(IMSG_ERROR), HasSubstr("is not a stream"));
    EXPECT_EQ(vob_zem_activity_create(fc, "new-lexer", nullptr, stream, nullptr, &made),
              TBS_ST_EXISTS);
    EXPECT_EQ(vob_zem_activity_create(old, "x", nullptr, 1, nullptr, &made), TBS_ST_BAD_ARGUMENT);
    EXPECT_EQ(vob_zem_activity_get_parent(fc, stream, &parent), TBS_ST_BAD_ARGUMENT);
  }
  // Tasks keep their order; adding one again or removing an absent one is 0.
  ASSERT_EQ(vob_zem_activity_set_tasks(fc, a1, {"cr:1", "cr:2"}, nullptr), 0);
  ASSERT_EQ(vob_zem_activity_add_task(fc, a1, "cr:3", nullptr), 0);
  ASSERT_EQ(vob_zem_activity_add_task(fc, a1, "cr:1", nullptr), 0);
  ASSERT_EQ(vob_zem_activity_rm_task(fc, a1, "cr:2", nullptr), 0);
  ASSERT_EQ(vob_zem_activity_rm_task(fc, a1, "cr:9", nullptr), 0);
  std::vector<std::string> tasks;
  ASSERT_EQ(vob_zem_activity_next_tasks(fc, a1, 0, 10, tasks), 0);
  EXPECT_THAT(tasks, ElementsAre("cr:1", "cr:3"));
  // An activity of the older form belongs to the stream its folder is in.
  tbs_dbid_t act_type = 0;
  tbs_dbid_t old_stream = 0;
  ASSERT_EQ(vob_ob_get_wk_obj(old, VOB_WK_ACTIVITY_TYPE, &act_type), 0);
  ASSERT_EQ(
      vob_zem_stream_create(old, "s6", act("p6", project_type, old_root), 0, nullptr, &old_stream),
      0);
  tbs_dbid_t old_act = act("a6", act_type, old_stream);
  ASSERT_EQ(vob_zem_activity_get_parent(old, old_act, &parent), 0);
  EXPECT_EQ(parent, old_stream);
}

TEST_F(VobActivityTest, CheckoutInAStreamViewIsRecordedInTheCurrentActivity) {
  view_server_h v = attached("v1", 0);
  tbs_dbid_t co = 0;
  {
    ImsgCapture capture;
    EXPECT_EQ(view_checkout(v, "/src/a.txt", "edit", &co), TBS_ST_ERROR);
    EXPECT_EQ(capture.joined(IMSG_ERROR),
              "No current activity is set in view \"v1\"; set one with \"vantool setact\" or make "
              "one with \"vantool mkact\".\n");
  }
  std::vector<tbs_dbid_t> held;
  ASSERT_EQ(vob_elem_next_ckouts(plain, elements["/src/a.txt"], held), 0);
  EXPECT_TRUE(held.empty());

  ASSERT_EQ(vob_zem_view_set_activity(fc, uuid(v).c_str(), a1, nullptr), 0);
  tbs_dbid_t current = 0;
  ASSERT_EQ(vob_zem_view_get_activity(fc, uuid(v).c_str(), &current), 0);
  EXPECT_EQ(current, a1);
  ASSERT_EQ(view_checkout(v, "/src/a.txt", "edit", &co), 0);
  auto entries = cset(a1);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].vob, plain);
  EXPECT_EQ(entries[0].version, co);
  EXPECT_EQ(entries[0].element, elements["/src/a.txt"]);
  EXPECT_EQ(entries[0].crde, 0u);
  EXPECT_EQ(entries[0].checkout, 1);
  EXPECT_EQ(entries[0].stamp, 1u);
  EXPECT_EQ(mod_count(a1), 1u);
  std::vector<vob_activity_ref_t> owners;
  ASSERT_EQ(vob_utl_get_activities(plain, co, owners), 0);
  ASSERT_EQ(owners.size(), 1u);
  EXPECT_EQ(owners[0].pvob, fc);
  EXPECT_EQ(owners[0].activity, a1);
  // The change hyperlink is walked from the activity's end as well.
  std::vector<vob_hlink_end_t> ends;
  ASSERT_EQ(vob_obj_list_hlinks(fc, a1, VOB_WK_HLTYPE_CHANGE, 0, ends), 0);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].hlink, entries[0].hlink);
  EXPECT_EQ(ends[0].other, co);

  // Check-in flips the entry and stamps it with the next count.
  tbs_dbid_t ci = 0;
  ASSERT_EQ(view_checkin(v, "/src/a.txt", nullptr, &ci), 0);
  entries = cset(a1);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].checkout, 0);
  EXPECT_EQ(entries[0].stamp, 2u);
  int has = -1;
  ASSERT_EQ(vob_zem_activity_cset_has_cos(fc, a1, &has), 0);
  EXPECT_EQ(has, 0);
  ASSERT_EQ(vob_zem_activity_cset_has_cis(fc, a1, &has), 0);
  EXPECT_EQ(has, 1);

  // A cancelled checkout leaves, and the count still advances.
  ASSERT_EQ(view_checkout(v, "/src/a.txt", "again", &co), 0);
  EXPECT_EQ(cset(a1, 1).size(), 1u);
  ASSERT_EQ(view_uncheckout(v, "/src/a.txt", 0), 0);
  EXPECT_EQ(cset(a1).size(), 1u);
  EXPECT_EQ(mod_count(a1), 4u);
  EXPECT_EQ(rows(fc, "SELECT count(*) FROM arrows WHERE wk_type = 25"), 1);

  // Entries by stamp range, and their versions.
  std::vector<tbs_dbid_t> hlinks;
  ASSERT_EQ(vob_zem_activity_cset_in_range(fc, a1, 1, 2, plain, 0, hlinks), 0);
  ASSERT_EQ(hlinks.size(), 1u);
  std::vector<vob_obj_ref_t> objs;
  ASSERT_EQ(vob_hlink_hlinkhs_get_objs(plain, hlinks, 0, objs), 0);
  EXPECT_EQ(objs[0].dbid, ci);
  ASSERT_EQ(vob_zem_activity_cset_in_range(fc, a1, 2, 4, plain, 0, hlinks), 0);
  EXPECT_TRUE(hlinks.empty());

  // Without a current activity the view refuses check-ins too.
  ASSERT_EQ(view_checkout(v, "/src/b.txt", "edit", &co), 0);
  ASSERT_EQ(vob_zem_view_unset_activity(fc, uuid(v).c_str(), nullptr), 0);
  {
    ImsgCapture capture;
    EXPECT_EQ(view_checkin(v, "/src/b.txt", nullptr, &ci), TBS_ST_ERROR);
    EXPECT_THAT(capture.joined(IMSG_ERROR), HasSubstr("No current activity is set in view"));
    EXPECT_EQ(vob_zem_view_unset_activity(fc, uuid(v).c_str(), nullptr), TBS_ST_NOT_FOUND);
  }
  int checked_out = 0;
  ASSERT_EQ(vob_ver_is_checked_out(plain, co, &checked_out), 0);
  EXPECT_EQ(checked_out, 1);
}

TEST_F(VobActivityTest, TwoViewsOfOneStreamKeepSeparateChangeSetsAndPairCounts) {
  view_server_h v1 = attached("v1", a1);
  view_server_h v2 = attached("v2", a2);
  tbs_dbid_t co1 = 0;
  tbs_dbid_t co2 = 0;
  tbs_dbid_t ci = 0;
  ASSERT_EQ(view_checkout(v1, "/src/a.txt", "a", &co1), 0);
  ASSERT_EQ(view_checkout(v2, "/src/comp/c.txt", "c", &co2), 0);
  ASSERT_EQ(view_checkin(v2, "/src/comp/c.txt", nullptr, &ci), 0);
  ASSERT_EQ(view_checkout(v2, "/src/b.txt", "b", &co2), 0);
  ASSERT_EQ(cset(a1).size(), 1u);
  EXPECT_EQ(cset(a1)[0].version, co1);
  auto entries = cset(a2);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].crde, elements["/src/comp"]);
  EXPECT_EQ(entries[1].version, co2);
  std::vector<vob_act_modcnt_t> counts;
  ASSERT_EQ(vob_zem_activity_get_vob_modcnts(fc, a2, counts), 0);
  ASSERT_EQ(counts.size(), 2u);
  EXPECT_EQ(counts[0].crde, 0u);
  EXPECT_EQ(counts[0].count, 1u);
  EXPECT_EQ(counts[1].crde, elements["/src/comp"]);
  EXPECT_EQ(counts[1].count, 2u);
  EXPECT_EQ(mod_count(a2), 3u);
  EXPECT_EQ(mod_count(a1), 1u);
  std::vector<std::string> uuids;
  ASSERT_EQ(vob_zem_activity_get_views(fc, a2, uuids), 0);
  EXPECT_THAT(uuids, ElementsAre(uuid(v2)));
  // Removing a view takes its checkouts and its current-activity record.
  ASSERT_EQ(view_remove("v2", 1), 0);
  views.erase("v2");
  view_free_handle(v2);
  ASSERT_EQ(vob_zem_activity_get_views(fc, a2, uuids), 0);
  EXPECT_TRUE(uuids.empty());
  EXPECT_EQ(cset(a2).size(), 1u);
  EXPECT_EQ(mod_count(a2), 4u);
}

TEST_F(VobActivityTest, ExplicitChangesAndRemovalRefusals) {
  tbs_dbid_t v = latest("/src/a.txt");
  ASSERT_EQ(vob_zem_activity_cset_add_ver(fc, a2, plain, v, 0, "setup", nullptr), 0);
  {
    ImsgCapture capture;
    EXPECT_EQ(vob_zem_activity_cset_add_ver(fc, a2, plain, v, 0, nullptr, nullptr), TBS_ST_EXISTS);
    EXPECT_THAT(capture.joined(IMSG_ERROR), HasSubstr("is already in the change set"));
    EXPECT_EQ(vob_zem_activity_cset_add_ver(fc, a1, plain, v, 1, nullptr, nullptr),
              TBS_ST_BAD_ARGUMENT);
    EXPECT_EQ(vob_zem_activity_cset_rm_ver(fc, a1, plain, v, nullptr), TBS_ST_NOT_FOUND);
    EXPECT_THAT(capture.joined(IMSG_ERROR), HasSubstr("is not in the change set of activity"));
    capture.clear();
    EXPECT_EQ(vob_zem_activity_delete(fc, a2, nullptr), TBS_ST_ERROR);
    EXPECT_THAT(capture.joined(IMSG_ERROR), HasSubstr("has 1 versions in its change set"));
  }
  int in = 0;
  int checkout = 1;
  ASSERT_EQ(vob_zem_activity_ver_in_cset(fc, a2, plain, v, &in, &checkout), 0);
  EXPECT_EQ(in, 1);
  EXPECT_EQ(checkout, 0);
  ASSERT_EQ(vob_zem_activity_cset_rm_ver(fc, a2, plain, v, nullptr), 0);
  EXPECT_EQ(mod_count(a2), 2u);
  int empty = 0;
  ASSERT_EQ(vob_zem_activity_cset_is_empty(fc, a2, &empty), 0);
  EXPECT_EQ(empty, 1);
  ASSERT_EQ(vob_zem_view_set_activity(fc, "view-x", a2, nullptr), 0);
  ASSERT_EQ(vob_zem_activity_set_tasks(fc, a2, {"cr:7"}, nullptr), 0);
  ASSERT_EQ(vob_zem_activity_delete(fc, a2, nullptr), 0);
  tbs_dbid_t current = 9;
  ASSERT_EQ(vob_zem_view_get_activity(fc, "view-x", &current), 0);
  EXPECT_EQ(current, 0u);
  EXPECT_EQ(rows(fc, "SELECT count(*) FROM zem_activity_tasks"), 0);

  // The older form: the same refusal, and the info count is the pair sum.
  tbs_dbid_t act_type = 0;
  tbs_dbid_t every = 0;
  ASSERT_EQ(vob_ob_get_wk_obj(old, VOB_WK_ACTIVITY_TYPE, &act_type), 0);
  ASSERT_EQ(vob_ob_get_wk_obj(old, VOB_WK_USER_EVERY, &every), 0);
  tbs_dbid_t old_act = act("a6", act_type, 0);
  ASSERT_EQ(vob_zem_activity_cset_add_ver(old, old_act, plain, v, 0, nullptr, nullptr), 0);
  EXPECT_EQ(info(old_act).mod_count, 1u);
  ASSERT_EQ(vob_utl_set_work(old, every, "view-y", old_act, nullptr), 0);
  std::vector<vob_work_t> work;
  ASSERT_EQ(vob_ob_next_work(old, every, nullptr, 0, 10, work), 0);
  ASSERT_EQ(work.size(), 1u);
  EXPECT_EQ(work[0].view_uuid, "view-y");
  EXPECT_EQ(work[0].activity, old_act);
  ImsgCapture capture;
  EXPECT_EQ(vob_act_delete(old, old_act, nullptr), TBS_ST_ERROR);
  ASSERT_EQ(vob_zem_activity_cset_rm_ver(old, old_act, plain, v, nullptr), 0);
  EXPECT_EQ(vob_act_delete(old, old_act, nullptr), 0);
  ASSERT_EQ(vob_ob_next_work(old, every, nullptr, 0, 10, work), 0);
  EXPECT_TRUE(work.empty());
}

TEST_F(VobActivityTest, MkelemRecordsItsCheckoutsAndUnattachedViewsRecordNothing) {
  view_server_h v = attached("v1", a1);
  tbs_dbid_t dir = 0;
  tbs_dbid_t element = 0;
  ASSERT_EQ(view_checkout(v, "/src/comp", "add", &dir), 0);
  ASSERT_EQ(view_mkelem(v, "/src/comp/d.txt", VOB_ELTYPE_FILE, "new", 1, &element), 0);
  auto entries = cset(a1);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].version, dir);
  EXPECT_EQ(entries[0].checkout, 1);
  EXPECT_EQ(entries[1].element, element);
  EXPECT_EQ(entries[1].checkout, 0);
  std::string name;
  ASSERT_EQ(vob_ver_get_name(plain, entries[1].version, name), 0);
  EXPECT_EQ(name, "/main/1");
  // The merge service's checkouts are recorded the same way.
  tbs_dbid_t merge_co = 0;
  int in = 0;
  int checkout = 0;
  ASSERT_EQ(
      cmd_findmerge_do_checkout_with_pop(v, plain, elements["/src/a.txt"], "merge", &merge_co), 0);
  ASSERT_EQ(vob_zem_activity_ver_in_cset(fc, a1, plain, merge_co, &in, &checkout), 0);
  EXPECT_EQ(in, 1);
  EXPECT_EQ(checkout, 1);
  ASSERT_EQ(view_uncheckout(v, "/src/a.txt", 0), 0);
  // A removed element's versions leave the change set.
  ASSERT_EQ(vob_elem_delete(plain, element, nullptr), 0);
  ASSERT_EQ(cset(a1).size(), 1u);
  EXPECT_EQ(cset(a1)[0].version, dir);

  long before = rows(plain, "SELECT count(*) FROM zem_cset_entries");
  tbs_dbid_t co = 0;
  ASSERT_EQ(view_checkout(setup, "/src/b.txt", "plain", &co), 0);
  std::vector<vob_activity_ref_t> owners{{fc, a1}};
  ASSERT_EQ(vob_utl_get_activities(plain, co, owners), 0);
  EXPECT_TRUE(owners.empty());
  EXPECT_EQ(rows(plain, "SELECT count(*) FROM zem_cset_entries"), before);
}

int refuse_everything(view_server_h, vob_vob_h, tbs_dbid_t, int, int* zem_view, int* allowed) {
  *zem_view = 1;
  *allowed = 0;
  return 0;
}

TEST_F(VobActivityTest, TheLayerAboveMayRefuseCheckoutsInStreamViews) {
  view_server_h v = attached("v1", a1);
  view_zem_entry_points_t points;
  points.checkouts_allowed = refuse_everything;
  view_register_zem_entry_points(&points);
  tbs_dbid_t co = 0;
  EXPECT_EQ(view_checkout(v, "/src/a.txt", "edit", &co), TBS_ST_ERROR);
  EXPECT_EQ(view_checkout(setup, "/src/a.txt", "edit", &co), 0);  // not attached: not asked
  ASSERT_EQ(view_uncheckout(setup, "/src/a.txt", 0), 0);
  view_register_zem_entry_points(nullptr);
  EXPECT_TRUE(cset(a1).empty());
  EXPECT_EQ(view_checkout(v, "/src/a.txt", "edit", &co), 0);
}

TEST_F(VobActivityTest, AChangeKilledHalfwayLeavesAConsistentChangeSet) {
  tbs_dbid_t v = latest("/src/b.txt");
  auto probe = [&](const char* op, int kill_at) {
    return test_support::run_program(
        {VOB_CSET_PROBE_PATH, op, "/pvob8", std::to_string(a1), "/src", std::to_string(v)},
        {{"KORVANE_FAULT_KILL_AFTER_WRITES", std::to_string(kill_at)}});
  };
  // The entry is there with its count, or absent; never half made.
  auto consistent = [&](const std::string& when) {
    int in = 0;
    int checkout = 0;
    ASSERT_EQ(vob_zem_activity_ver_in_cset(fc, a1, plain, v, &in, &checkout), 0) << when;
    EXPECT_EQ(cset(a1).size(), static_cast<size_t>(in)) << when;
    EXPECT_EQ(rows(plain, "SELECT count(*) FROM hyperlinks WHERE wk_type = 25"), in) << when;
    if (in != 0) {  // the PVOB side is written first
      EXPECT_EQ(rows(fc, "SELECT count(*) FROM zem_activity_vobs"), 1) << when;
    }
  };
  // Killed at every write in turn until the change is made: a kill after
  // the version's VOB committed leaves only a stale arrow in the PVOB.
  for (const char* op : {"add", "rm"}) {
    size_t wanted = std::string(op) == "add" ? 1 : 0;
    int kill_at = 1;
    for (; kill_at < 40 && cset(a1).size() != wanted; ++kill_at) {
      auto r = probe(op, kill_at);
      EXPECT_TRUE(r.exit_code == 0 || r.exit_code == 128 + 9) << r.err;
      consistent(std::string(op) + " killed at write " + std::to_string(kill_at));
    }
    EXPECT_GT(kill_at, 2) << op;
    EXPECT_LT(kill_at, 40) << op;
  }
  // Whatever stale arrows the kills left, the activity can be changed again.
  ASSERT_EQ(vob_zem_activity_cset_add_ver(fc, a1, plain, v, 0, nullptr, nullptr), 0);
  EXPECT_EQ(cset(a1).size(), 1u);
}

}  // namespace
}  // namespace zem_test
