// Folders and projects of the first-class form (a project VOB at feature
// level 8), the project template holder in new and upgraded project VOBs,
// and who may change ZEM objects.
#include <sqlite3.h>

#include "vob_zem_fixture.h"

namespace zem_test {
namespace {

// ---- first-class form -------------------------------------------------------------

TEST_F(ZemTest, FoldersAndProjectsFormATreeUnderTheRootFolder) {
  tbs_dbid_t tools = folder("tools", fc_root);
  tbs_dbid_t libs = folder("libs", tools);
  tbs_dbid_t app = project("app", tools);
  vob_mtype_t mtype = 0;
  ASSERT_EQ(vob_obj_get_mtype(fc, tools, &mtype), 0);
  EXPECT_EQ(mtype, VOB_MTYPE_FOLDER);
  ASSERT_EQ(vob_obj_get_mtype(fc, app, &mtype), 0);
  EXPECT_EQ(mtype, VOB_MTYPE_PROJECT);
  EXPECT_EQ(parent_of(tools), fc_root);
  EXPECT_EQ(parent_of(libs), tools);
  EXPECT_EQ(parent_of(app), tools);
  tbs_dbid_t none = 77;
  EXPECT_EQ(vob_zem_obj_get_parent(fc, fc_root, &none), TBS_ST_NOT_FOUND);
  EXPECT_EQ(none, 77u) << "untouched on failure";
  EXPECT_EQ(subfolders(tools), std::vector<tbs_dbid_t>{libs});
  EXPECT_EQ(projects(tools), std::vector<tbs_dbid_t>{app});
  EXPECT_EQ(projects(fc_root), std::vector<tbs_dbid_t>{});

  // Children come in creation order, a chunk at a time.
  std::vector<tbs_dbid_t> made = {tools};
  for (const char* name : {"a", "b", "c", "d"})
    made.push_back(folder(name, fc_root));
  EXPECT_EQ(subfolders(fc_root, 2), made);
  EXPECT_EQ(chunk_sizes, (std::vector<size_t>{2, 2, 1}));

  vob_event_t created = latest(fc, app);
  EXPECT_EQ(created.kind, VOB_EVENT_CREATE);
  EXPECT_EQ(created.opcode, 102);
  EXPECT_EQ(created.comment, "new project");

  std::vector<tbs_dbid_t> out;
  EXPECT_EQ(vob_zem_folder_next_subfolders(fc, app, 0, 10, out), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(vob_zem_folder_next_projects(fc, 99999, 0, 10, out), TBS_ST_NOT_FOUND);
  EXPECT_EQ(vob_zem_obj_get_parent(fc, 99999, &none), TBS_ST_NOT_FOUND);
}

TEST_F(ZemTest, BadCreationsAreRefusedWithAMessageAndStoreNothing) {
  tbs_dbid_t tools = folder("tools", fc_root);
  tbs_dbid_t app = project("app", tools);
  tbs_dbid_t same_name = 0;
  EXPECT_EQ(vob_zem_project_create(fc, "tools", tools, nullptr, &same_name), 0)
      << "names are unique per metatype";
  ImsgCapture capture;
  tbs_dbid_t made = 0;
  EXPECT_EQ(vob_zem_folder_create(fc, "tools", fc_root, nullptr, &made), TBS_ST_EXISTS);
  EXPECT_EQ(vob_zem_project_create(fc, "app", fc_root, nullptr, &made), TBS_ST_EXISTS);
  EXPECT_EQ(vob_zem_folder_create(fc, "x", app, nullptr, &made), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(vob_zem_project_create(fc, "x", 99999, nullptr, &made), TBS_ST_NOT_FOUND);
  EXPECT_EQ(vob_zem_folder_create(fc, "a b", fc_root, nullptr, &made), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(vob_zem_folder_create(fc, "..", fc_root, nullptr, &made), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(vob_zem_folder_create(fc, "", fc_root, nullptr, &made), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(vob_zem_folder_create(old, "x", old_root, nullptr, &made), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(vob_zem_folder_create(plain, "x", 1, nullptr, &made), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(
      capture.joined(IMSG_ERROR),
      "A folder named \"tools\" already exists.\n"
      "A project named \"app\" already exists.\n" +
          not_a(app, "/pvob8", "a folder") +
          "Object 99999 of VOB \"/pvob8\" is not a folder.\n"
          "Name \"a b\" contains characters that are not allowed: names are made of letters, "
          "digits, \"-\", \"_\" and \".\", do not start with \"-\" and are not \".\" or \"..\".\n"
          "Name \"..\" contains characters that are not allowed: names are made of letters, "
          "digits, \"-\", \"_\" and \".\", do not start with \"-\" and are not \".\" or \"..\".\n"
          "Name must not be empty.\n"
          "Project VOB \"/pvob6\" is at feature level 6; first-class folders and projects "
          "need feature level 7 or higher.\n"
          "VOB \"/src\" is not a project VOB; folders, projects and activity-like objects "
          "are kept in project VOBs.\n");
  EXPECT_EQ(made, 0u) << "untouched on failure";
  EXPECT_EQ(subfolders(fc_root), std::vector<tbs_dbid_t>{tools});
  EXPECT_EQ(projects(fc_root), std::vector<tbs_dbid_t>{});
  EXPECT_EQ(subfolders(tools), std::vector<tbs_dbid_t>{});
}

TEST_F(ZemTest, MovingKeepsTheTreeFreeOfCycles) {
  tbs_dbid_t a = folder("a", fc_root);
  tbs_dbid_t b = folder("b", a);
  tbs_dbid_t c = folder("c", b);
  tbs_dbid_t app = project("app", c);
  ImsgCapture capture;
  EXPECT_EQ(vob_zem_folder_set_parent(fc, a, c, nullptr), TBS_ST_ERROR);
  EXPECT_EQ(vob_zem_folder_set_parent(fc, a, a, nullptr), TBS_ST_ERROR);
  EXPECT_EQ(vob_zem_folder_set_parent(fc, fc_root, a, nullptr), TBS_ST_ERROR);
  EXPECT_EQ(vob_zem_folder_set_parent(fc, a, app, nullptr), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(vob_zem_project_set_parent(fc, a, b, nullptr), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "\"folder:a@/pvob8\" cannot be moved into itself or into \"folder:c@/pvob8\", "
            "which lies below it.\n"
            "\"folder:a@/pvob8\" cannot be moved into itself or into \"folder:a@/pvob8\", "
            "which lies below it.\n"
            "\"folder:RootFolder@/pvob8\" is a well-known object of VOB \"/pvob8\" and cannot be "
            "moved or removed.\n" +
                not_a(app, "/pvob8", "a folder") + not_a(a, "/pvob8", "a project"));
  EXPECT_EQ(parent_of(a), fc_root);

  vob_event_info_t chfolder = event(108, "flatten");
  ASSERT_EQ(vob_zem_folder_set_parent(fc, c, fc_root, &chfolder), 0);
  EXPECT_EQ(parent_of(c), fc_root);
  EXPECT_EQ(subfolders(b), std::vector<tbs_dbid_t>{});
  EXPECT_EQ(subfolders(fc_root), (std::vector<tbs_dbid_t>{a, c}));
  vob_event_t moved = latest(fc, c);
  EXPECT_EQ(moved.kind, VOB_EVENT_MODIFY);
  EXPECT_EQ(moved.opcode, 108);
  EXPECT_EQ(moved.comment, "flatten");
  // Now a may go below c, which no longer lies below it.
  ASSERT_EQ(vob_zem_folder_set_parent(fc, a, c, nullptr), 0);

  vob_event_info_t chproject = event(103);
  ASSERT_EQ(vob_zem_project_set_parent(fc, app, b, &chproject), 0);
  EXPECT_EQ(parent_of(app), b);
  EXPECT_EQ(projects(c), std::vector<tbs_dbid_t>{});
  EXPECT_EQ(latest(fc, app).opcode, 103);
  size_t before = event_count(fc, app);
  ASSERT_EQ(vob_zem_project_set_parent(fc, app, b, &chproject), 0);
  EXPECT_EQ(event_count(fc, app), before) << "a move to where it is writes nothing";

  // A locked folder takes no new children and does not move.
  ASSERT_EQ(vob_obj_lock(fc, b, 0, {}, nullptr), 0);
  tbs_dbid_t made = 0;
  EXPECT_EQ(vob_zem_project_create(fc, "late", b, nullptr, &made), TBS_ST_LOCKED);
  EXPECT_EQ(vob_zem_folder_set_parent(fc, b, fc_root, nullptr), TBS_ST_LOCKED);
  EXPECT_EQ(parent_of(b), a);
}

TEST_F(ZemTest, RemovalWaitsUntilAFolderIsEmpty) {
  tbs_dbid_t a = folder("a", fc_root);
  tbs_dbid_t b = folder("b", a);
  tbs_dbid_t app = project("app", b);
  ImsgCapture capture;
  EXPECT_EQ(vob_zem_folder_delete(fc, a, nullptr), TBS_ST_ERROR);
  EXPECT_EQ(vob_zem_folder_delete(fc, b, nullptr), TBS_ST_ERROR);
  EXPECT_EQ(vob_zem_folder_delete(fc, fc_root, nullptr), TBS_ST_ERROR);
  EXPECT_EQ(vob_zem_folder_delete(fc, app, nullptr), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(vob_zem_project_delete(fc, b, nullptr), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "\"folder:a@/pvob8\" holds 1 objects; move or remove them before removing it.\n"
            "\"folder:b@/pvob8\" holds 1 objects; move or remove them before removing it.\n"
            "\"folder:RootFolder@/pvob8\" is a well-known object of VOB \"/pvob8\" and cannot be "
            "moved or removed.\n" +
                not_a(app, "/pvob8", "a folder") + not_a(b, "/pvob8", "a project"));

  ASSERT_EQ(vob_obj_set_process_var(fc, app, "SUM_REBASE_PLEVEL", "\"BUILT\"", 1, nullptr), 0);
  vob_event_info_t rmproject = event(104, "retired");
  ASSERT_EQ(vob_zem_project_delete(fc, app, &rmproject), 0);
  int exists = 1;
  ASSERT_EQ(vob_obj_exists(fc, app, &exists), 0);
  EXPECT_EQ(exists, 0);
  EXPECT_EQ(vob_zem_project_delete(fc, app, &rmproject), TBS_ST_NOT_FOUND);
  vob_event_info_t rmfolder = event(109, "empty now");
  ASSERT_EQ(vob_zem_folder_delete(fc, b, &rmfolder), 0);
  ASSERT_EQ(vob_zem_folder_delete(fc, a, &rmfolder), 0);
  EXPECT_EQ(subfolders(fc_root), std::vector<tbs_dbid_t>{});
  tbs_dbid_t vob_object = test_support::wk_obj(fc, VOB_WK_VOB_OBJECT);
  vob_event_t removal;
  ASSERT_EQ(vob_event_get_latest(fc, vob_object, VOB_EVENT_REMOVE, &removal), 0);
  EXPECT_EQ(removal.opcode, 109);
  EXPECT_EQ(removal.comment, "empty now");
  EXPECT_EQ(event_count(fc, b), 0u) << "the removed folder's history goes with it";
  // The names are free again.
  tbs_dbid_t again = folder("a", fc_root);
  EXPECT_NE(again, 0u);
  EXPECT_NE(project("app", again), 0u);
}

TEST_F(ZemTest, TitlesAreStoredPerObject) {
  tbs_dbid_t app = project("app", fc_root);
  std::string title = "stale";
  ASSERT_EQ(vob_zem_obj_get_title(fc, app, title), 0);
  EXPECT_EQ(title, "");
  vob_event_info_t chproject = event(103, "retitle");
  ASSERT_EQ(vob_zem_obj_set_title(fc, app, "Application, release 2", &chproject), 0);
  ASSERT_EQ(vob_zem_obj_get_title(fc, app, title), 0);
  EXPECT_EQ(title, "Application, release 2");
  vob_event_t changed = latest(fc, app);
  EXPECT_EQ(changed.kind, VOB_EVENT_MODIFY);
  EXPECT_EQ(changed.opcode, 103);
  size_t before = event_count(fc, app);
  ASSERT_EQ(vob_zem_obj_set_title(fc, app, "Application, release 2", &chproject), 0);
  EXPECT_EQ(event_count(fc, app), before) << "an unchanged title writes nothing";
  ASSERT_EQ(vob_zem_obj_set_title(fc, fc_root, "Everything", nullptr), 0);
  ASSERT_EQ(vob_zem_obj_get_title(fc, fc_root, title), 0);
  EXPECT_EQ(title, "Everything");
  EXPECT_EQ(parent_of(app), fc_root) << "a title leaves the parent alone";

  tbs_dbid_t vob_object = test_support::wk_obj(fc, VOB_WK_VOB_OBJECT);
  ImsgCapture capture;
  EXPECT_EQ(vob_zem_obj_set_title(fc, vob_object, "no", nullptr), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(vob_zem_obj_get_title(fc, vob_object, title), TBS_ST_BAD_ARGUMENT);
  ASSERT_EQ(vob_obj_lock(fc, app, 0, {}, nullptr), 0);
  EXPECT_EQ(vob_zem_obj_set_title(fc, app, "other", nullptr), TBS_ST_LOCKED);
  ASSERT_EQ(vob_zem_obj_get_title(fc, app, title), 0);
  EXPECT_EQ(title, "Application, release 2");
}

// ---- the template holder ------------------------------------------------------------

TEST_F(ZemTest, NewProjectVobsHaveATemplateHolderOutsideTheTree) {
  for (vob_vob_h pvob : {fc, old}) {
    tbs_dbid_t holder = test_support::wk_obj(pvob, VOB_WK_TEMPLATE_HOLDER);
    vob_mtype_t mtype = 0;
    ASSERT_EQ(vob_obj_get_mtype(pvob, holder, &mtype), 0);
    EXPECT_EQ(mtype, VOB_MTYPE_ACTIVITY_LIKE);
    char name[256];
    ASSERT_EQ(vob_obj_get_name(pvob, holder, name, sizeof name), 0);
    EXPECT_STREQ(name, "ProjectTemplates");
    vob_act_info_t out;
    ASSERT_EQ(vob_act_get_info(pvob, holder, kAllInfo, &out), 0);
    EXPECT_EQ(out.parent, 0u);
    ImsgCapture capture;
    EXPECT_EQ(vob_act_delete(pvob, holder, nullptr), TBS_ST_ERROR);
  }
  tbs_dbid_t holder = test_support::wk_obj(fc, VOB_WK_TEMPLATE_HOLDER);
  tbs_dbid_t type = 99;
  ASSERT_EQ(vob_obj_get_type(fc, holder, &type), 0);
  EXPECT_EQ(type, 0u) << "no folder of the first-class form";
  ASSERT_EQ(
      vob_obj_set_process_var(fc, holder, "SUM_TEMPLATE_PROJECT", "oid:x@vobuuid:y", 1, nullptr),
      0);
  std::string value;
  ASSERT_EQ(vob_obj_get_process_var(fc, holder, "SUM_TEMPLATE_PROJECT", value), 0);
  EXPECT_EQ(value, "oid:x@vobuuid:y");

  // Below level 7 the template project lies in the holder, a folder there.
  ASSERT_EQ(vob_ob_get_wk_obj(old, VOB_WK_TEMPLATE_HOLDER, &holder), 0);
  ASSERT_EQ(vob_obj_get_type(old, holder, &type), 0);
  EXPECT_EQ(type, folder_type);
  tbs_dbid_t templ = act("template", project_type, holder);
  EXPECT_EQ(children(holder), std::vector<tbs_dbid_t>{templ});
  EXPECT_EQ(children(old_root), std::vector<tbs_dbid_t>{});
  EXPECT_EQ(vob_ob_get_wk_obj(plain, VOB_WK_TEMPLATE_HOLDER, &holder), TBS_ST_NOT_FOUND);
}

// Takes a VOB database back to schema 3: no tree table, no template
// holder, unless `keep_holder_object` leaves the old holder object as an
// ordinary activity-like object.
void downgrade_to_schema_3(vob_vob_h vob, bool keep_holder_object) {
  std::string storage;
  ASSERT_EQ(vob_ob_get_storage_path(vob, storage), 0);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((storage + "/vob.db").c_str(), &db), SQLITE_OK);
  std::string sql = "DROP TABLE zem_objects;";
  if (!keep_holder_object)
    sql +=
        "DELETE FROM events WHERE obj = (SELECT dbid FROM well_known WHERE number = 65);"
        "CREATE TEMP TABLE gone AS SELECT dbid FROM well_known WHERE number = 65;";
  sql += "DELETE FROM well_known WHERE number = 65;";
  if (!keep_holder_object)
    sql += "DELETE FROM objects WHERE dbid IN (SELECT dbid FROM gone);";
  sql += "PRAGMA user_version = 3;";
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
      << sqlite3_errmsg(db);
  sqlite3_close(db);
}

TEST_F(ZemTest, UpgradeGivesOlderProjectVobsATemplateHolder) {
  // Fresh handles: their databases are not open yet.
  vob_vob_h up8 = nullptr;
  vob_vob_h up6 = nullptr;
  vob_vob_h named = nullptr;
  vob_vob_h ordinary = nullptr;
  {
    ScopedEnv owner("KORVANE_USER", "olduser");
    up8 = make_vob("/up8", true, 8);
    up6 = make_vob("/up6", true, 6);
    named = make_vob("/named", true, 6);
    ordinary = make_vob("/ordinary", false, 8);
  }
  downgrade_to_schema_3(up8, false);
  downgrade_to_schema_3(up6, false);
  downgrade_to_schema_3(named, true);
  downgrade_to_schema_3(ordinary, false);

  tbs_dbid_t holder = test_support::wk_obj(up8, VOB_WK_TEMPLATE_HOLDER);
  char name[256];
  ASSERT_EQ(vob_obj_get_name(up8, holder, name, sizeof name), 0);
  EXPECT_STREQ(name, "ProjectTemplates");
  tbs_dbid_t type = 99;
  ASSERT_EQ(vob_obj_get_type(up8, holder, &type), 0);
  EXPECT_EQ(type, 0u);
  vob_fstat_t stat;
  ASSERT_EQ(vob_obj_get_fstat_db(up8, holder, &stat), 0);
  EXPECT_EQ(stat.owner, "olduser") << "owned like the VOB";
  std::vector<vob_event_t> events;
  ASSERT_EQ(vob_obj_get_events(up8, holder, events), 0);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, VOB_EVENT_CREATE);
  EXPECT_EQ(events[0].comment, "made by schema upgrade 4");

  ASSERT_EQ(vob_ob_get_wk_obj(up6, VOB_WK_TEMPLATE_HOLDER, &holder), 0);
  tbs_dbid_t up6_folder_type = test_support::wk_obj(up6, VOB_WK_FOLDER_TYPE);
  ASSERT_EQ(vob_obj_get_type(up6, holder, &type), 0);
  EXPECT_EQ(type, up6_folder_type);

  // The old object keeps the name; the new holder has none.
  tbs_dbid_t old_named = 0;
  ASSERT_EQ(vob_obj_resolve(named, "ProjectTemplates", VOB_MTYPE_ACTIVITY_LIKE, &old_named), 0);
  ASSERT_EQ(vob_ob_get_wk_obj(named, VOB_WK_TEMPLATE_HOLDER, &holder), 0);
  EXPECT_NE(holder, old_named);
  EXPECT_EQ(vob_obj_get_name(named, holder, name, sizeof name), TBS_ST_NOT_FOUND);

  EXPECT_EQ(vob_ob_get_wk_obj(ordinary, VOB_WK_TEMPLATE_HOLDER, &holder), TBS_ST_NOT_FOUND);

  // The upgraded VOBs take folders and projects of their form.
  tbs_dbid_t root = test_support::wk_obj(up8, VOB_WK_ROOT_FOLDER);
  tbs_dbid_t made = 0;
  ASSERT_EQ(vob_zem_folder_create(up8, "tools", root, nullptr, &made), 0);
  std::vector<tbs_dbid_t> listed;
  ASSERT_EQ(vob_zem_folder_next_subfolders(up8, root, 0, 10, listed), 0);
  EXPECT_EQ(listed, std::vector<tbs_dbid_t>{made});
  ASSERT_EQ(vob_ob_get_wk_obj(up6, VOB_WK_ROOT_FOLDER, &root), 0);
  ASSERT_EQ(vob_act_create(up6, "tools", up6_folder_type, root, "", nullptr, &made), 0);
  ASSERT_EQ(vob_act_next_children(up6, root, 0, 10, listed), 0);
  EXPECT_EQ(listed, std::vector<tbs_dbid_t>{made});
}

// ---- permission -------------------------------------------------------------------------

TEST_F(ZemTest, OwnersOfTheObjectOrVobAndPrivilegedUsersMayChangeIt) {
  tbs_dbid_t fc_app = 0;
  tbs_dbid_t old_app = 0;
  {
    ScopedEnv alice("KORVANE_USER", "alice");
    fc_app = project("app", fc_root);
    old_app = act("app", project_type, old_root);
  }
  ASSERT_EQ(rgy_add_privileged_user("carol"), 0);
  struct Case {
    const char* user;
    int allowed;
  };
  for (Case c : {Case{"alice", 1}, Case{"vobadmin", 1}, Case{"carol", 1}, Case{"bob", 0}}) {
    ScopedEnv user("KORVANE_USER", c.user);
    int allowed = -1;
    ASSERT_EQ(vob_obj_zem_check_permission(fc, fc_app, &allowed), 0);
    EXPECT_EQ(allowed, c.allowed) << c.user << " first-class";
    allowed = -1;
    ASSERT_EQ(vob_act_check_permission(old, old_app, &allowed), 0);
    EXPECT_EQ(allowed, c.allowed) << c.user << " activity-like";
  }
  {
    ScopedEnv bob("KORVANE_USER", "bob");
    int allowed = -1;
    ASSERT_EQ(vob_obj_zem_check_permission(fc, fc_root, &allowed), 0);
    EXPECT_EQ(allowed, 0) << "the root folder belongs to the VOB's owner";
  }
  int allowed = -1;
  EXPECT_EQ(vob_act_check_permission(fc, fc_app, &allowed), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(vob_obj_zem_check_permission(fc, 99999, &allowed), TBS_ST_NOT_FOUND);
  EXPECT_EQ(allowed, -1);
}

}  // namespace
}  // namespace zem_test
