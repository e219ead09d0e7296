// The store under several processes: concurrent writers both succeed without
// losing data, and a writer killed in the middle of its work leaves the VOB
// readable, consistent and writable.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include "services/vob.h"
#include "support/sandbox.h"
#include "support/vob_elem_fixture.h"

namespace {

using test_support::count_rows;
using test_support::run_program;
using test_support::TempHome;

std::string integrity(const std::string& db_path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(db_path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr);
  std::string result = sqlite3_step(stmt) == SQLITE_ROW
                           ? reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))
                           : "no answer";
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return result;
}

class VobProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_path = test_support::vob_db_path(test_support::make_test_vob("/shared"));
  }
  long attypes() { return count_rows(db_path, "SELECT count(*) FROM objects WHERE mtype = 15"); }
  TempHome home;
  std::string db_path;
};

TEST_F(VobProcessTest, TwoConcurrentWritersBothSucceedWithoutLosingData) {
  std::vector<pid_t> pids;
  for (const char* prefix : {"left", "right"}) {
    pid_t pid = fork();
    if (pid == 0) {
      execl(VOB_WRITER_PATH, VOB_WRITER_PATH, "/shared", prefix, "150",
            static_cast<char*>(nullptr));
      _exit(127);
    }
    pids.push_back(pid);
  }
  for (pid_t pid : pids) {
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
  EXPECT_EQ(attypes(), 300);
  EXPECT_EQ(count_rows(db_path, "SELECT count(*) FROM pvars WHERE name = 'WRITER_INDEX'"), 300);
  EXPECT_EQ(count_rows(db_path, "SELECT count(*) FROM hyperlinks"), 300);
  EXPECT_EQ(count_rows(db_path, "SELECT count(DISTINCT dbid) FROM objects WHERE mtype = 15"), 300);
}

TEST_F(VobProcessTest, KilledWriterLeavesAConsistentWritableVob) {
  long before = attypes();
  for (const char* kill_at : {"5", "14", "31"}) {
    auto r = run_program({VOB_WRITER_PATH, "/shared", std::string("crash") + kill_at, "50"},
                         {{"KORVANE_FAULT_KILL_AFTER_WRITES", kill_at}});
    EXPECT_EQ(r.exit_code, 128 + 9) << "the writer was killed at write " << kill_at;
    EXPECT_EQ(integrity(db_path), "ok");
    // Every object has its creation event and every hyperlink its object:
    // a transaction is either whole or absent.
    EXPECT_EQ(count_rows(db_path,
                         "SELECT count(*) FROM objects o WHERE NOT EXISTS "
                         "(SELECT 1 FROM events e WHERE e.obj = o.dbid AND e.kind = 1)"),
              0);
    EXPECT_EQ(count_rows(db_path,
                         "SELECT count(*) FROM hyperlinks h WHERE NOT EXISTS "
                         "(SELECT 1 FROM objects o WHERE o.dbid = h.dbid)"),
              0);
  }
  long after_crashes = attypes();
  EXPECT_GT(after_crashes, before) << "work finished before each kill stays";
  // The VOB takes new work after the crashes.
  auto r = run_program({VOB_WRITER_PATH, "/shared", "after", "20"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(attypes(), after_crashes + 20);
}

TEST_F(VobProcessTest, FailedWriteRollsBackTheWholeCall) {
  // The second writing statement of the first creation fails: the object row
  // was already written inside the transaction and must disappear with it.
  auto r = run_program({VOB_WRITER_PATH, "/shared", "failing", "1"},
                       {{"KORVANE_FAULT_FAIL_AFTER_WRITES", "2"}});
  EXPECT_NE(r.exit_code, 0);
  EXPECT_EQ(count_rows(db_path, "SELECT count(*) FROM objects WHERE name = 'failing_0'"), 0);
  EXPECT_EQ(run_program({VOB_WRITER_PATH, "/shared", "failing", "1"}).exit_code, 0)
      << "the name is still free";
}

}  // namespace
