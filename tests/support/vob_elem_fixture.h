// A fresh KORVANE_HOME with one VOB, and short forms of the versioned-file
// calls for tests: checking out and in on main, making files with a history,
// reading names, contents and directory entries, counting rows.
#ifndef TESTS_SUPPORT_VOB_ELEM_FIXTURE_H
#define TESTS_SUPPORT_VOB_ELEM_FIXTURE_H

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "services/vob.h"
#include "services/vob_elem.h"
#include "support/sandbox.h"

namespace test_support {

// A new VOB (a project VOB when `pvob`) at feature level `level`.
inline vob_vob_h make_test_vob(const std::string& tag, bool pvob = false, int level = 8) {
  vob_create_args_t args;
  args.tag = tag;
  args.project_vob = pvob;
  args.feature_level = level;
  vob_vob_h vob = nullptr;
  EXPECT_EQ(vob_create(args, &vob), 0) << tag;
  return vob;
}

// The well-known object `which` of `vob`, which must have it.
inline tbs_dbid_t wk_obj(vob_vob_h vob, vob_wkobj_t which) {
  tbs_dbid_t dbid = 0;
  EXPECT_EQ(vob_ob_get_wk_obj(vob, which, &dbid), 0) << which;
  return dbid;
}

// The first column of the first row of `sql` on the database at `db_path`,
// read directly; -1 when there is no row.
inline long count_rows(const std::string& db_path, const std::string& sql) {
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open_v2(db_path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* stmt = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK) << sql;
  long n = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return n;
}

// The path of the database of `vob`.
inline std::string vob_db_path(vob_vob_h vob) {
  std::string storage;
  vob_ob_get_storage_path(vob, storage);
  return storage + "/vob.db";
}

class VobElemFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    vob = make_test_vob("/src");
    ASSERT_EQ(vob_ob_get_wk_obj(vob, VOB_WK_ROOT_DIRECTORY, &root), 0);
  }

  tbs_dbid_t main_branch(tbs_dbid_t element) {
    tbs_dbid_t branch = 0;
    EXPECT_EQ(vob_elem_get_main_branch(vob, element, &branch), 0);
    return branch;
  }
  tbs_dbid_t latest(tbs_dbid_t branch) {
    tbs_dbid_t version = 0;
    EXPECT_EQ(vob_branch_get_ver(vob, branch, -1, &version), 0);
    return version;
  }
  // Checks out the main branch of `element` from its latest version.
  tbs_dbid_t checkout(tbs_dbid_t element, const char* view = "view-1",
                      const char* comment = nullptr) {
    vob_event_info_t event;
    event.comment = comment;
    tbs_dbid_t version = 0;
    EXPECT_EQ(vob_ver_checkout(vob, main_branch(element), 0, view, &event, &version), 0);
    return version;
  }
  void checkin(tbs_dbid_t version, const std::string& content) {
    EXPECT_EQ(vob_ver_checkin(vob, version, &content, nullptr), 0);
  }
  void checkin_dir(tbs_dbid_t version) {
    EXPECT_EQ(vob_ver_checkin(vob, version, nullptr, nullptr), 0);
  }
  // Makes an element in the checked-out directory version `dir`.
  tbs_dbid_t make_elem(tbs_dbid_t dir, const char* name, int eltype = VOB_ELTYPE_FILE) {
    tbs_dbid_t element = 0;
    EXPECT_EQ(vob_elem_create(vob, dir, name, eltype, nullptr, &element), 0) << name;
    return element;
  }
  // Makes `name` in the root directory (checking the root out and in), then
  // checks in one version per content on main.
  tbs_dbid_t make_file(const char* name, const std::vector<std::string>& contents,
                       int eltype = VOB_ELTYPE_FILE) {
    tbs_dbid_t dir = checkout(root);
    tbs_dbid_t element = make_elem(dir, name, eltype);
    checkin_dir(dir);
    for (const auto& content : contents)
      checkin(checkout(element), content);
    return element;
  }
  std::string content(tbs_dbid_t version) {
    std::string text;
    EXPECT_EQ(vob_ver_read_content(vob, version, text), 0);
    return text;
  }
  std::string name(tbs_dbid_t version) {
    std::string text;
    EXPECT_EQ(vob_ver_get_name(vob, version, text), 0);
    return text;
  }
  tbs_dbid_t lookup(tbs_dbid_t element, const char* version_name) {
    tbs_dbid_t version = 0;
    EXPECT_EQ(vob_ver_lookup(vob, element, version_name, &version), 0) << version_name;
    return version;
  }
  std::vector<std::string> entries(tbs_dbid_t dir_version) {
    std::vector<vob_nsdir_entry_t> read;
    EXPECT_EQ(vob_nsdir_next_entries(vob, dir_version, 0, 1000, read), 0);
    std::vector<std::string> names;
    for (const auto& e : read)
      names.push_back(e.name);
    return names;
  }
  vob_ver_details_t details(tbs_dbid_t version) {
    vob_ver_details_t d;
    EXPECT_EQ(vob_ver_get_details(vob, version, &d), 0);
    return d;
  }
  std::string db_path() { return vob_db_path(vob); }
  // The first column of the first row of `sql`, read directly from the database.
  long count(const std::string& sql) { return count_rows(db_path(), sql); }
  // What SQLite's integrity check says of the database: "ok" when sound.
  std::string integrity() {
    sqlite3* db = nullptr;
    sqlite3_open_v2(db_path().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr);
    std::string result = sqlite3_step(stmt) == SQLITE_ROW
                             ? reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))
                             : "no answer";
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return result;
  }

  TempHome home;
  vob_vob_h vob = nullptr;
  tbs_dbid_t root = 0;
};

}  // namespace test_support

#endif  // TESTS_SUPPORT_VOB_ELEM_FIXTURE_H
