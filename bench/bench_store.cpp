// The store's write path as the library uses it: each object is created, given
// a process variable and a hyperlink, one operation per transaction. Beside it,
// the same rows inserted with bare SQLite, one transaction per operation and
// the same journal settings: the ceiling of this disk for that work.
//
// Both run 10,000 objects into a fresh store under a temporary KORVANE_HOME;
// items_per_second is objects per second.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "services/vob.h"

namespace {

constexpr int kObjects = 10000;

std::string temp_home() {
  char tmpl[] = "/tmp/korvane-bench-XXXXXX";
  std::string path = mkdtemp(tmpl);
  setenv("KORVANE_HOME", path.c_str(), 1);
  return path;
}

void BM_StoreObjectWithPvarAndHyperlink(benchmark::State& state) {
  std::string home = temp_home();
  vob_create_args_t args;
  args.tag = "/bench";
  vob_vob_h vob = nullptr;
  if (vob_create(args, &vob) != 0) {
    state.SkipWithError("cannot create the VOB");
    return;
  }
  tbs_dbid_t target = 0;
  vob_ob_get_wk_obj(vob, VOB_WK_VOB_OBJECT, &target);
  vob_event_info_t event;
  event.comment = "benchmark";
  int i = 0;
  for (auto _ : state) {
    std::string name = "T" + std::to_string(i++);
    tbs_dbid_t dbid = 0;
    int status = vob_type_create(vob, VOB_MTYPE_ATTRIBUTE_TYPE, name.c_str(), &event, &dbid);
    if (status == 0)
      status = vob_obj_set_pvar(vob, dbid, "BENCH", name);
    if (status == 0)
      status = vob_hlink_create_wk(vob, dbid, VOB_WK_HLTYPE_CHANGE, vob, target, "", "", &event,
                                   nullptr);
    if (status != 0) {
      state.SkipWithError("a write failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["objects"] = static_cast<double>(state.iterations());
  std::filesystem::remove_all(home);
}
BENCHMARK(BM_StoreObjectWithPvarAndHyperlink)->Iterations(kObjects)->Unit(benchmark::kMicrosecond);

void exec(sqlite3* db, const char* sql) {
  sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

void BM_BareSqliteSameRows(benchmark::State& state) {
  std::string home = temp_home();
  sqlite3* db = nullptr;
  sqlite3_open((home + "/bare.db").c_str(), &db);
  exec(db,
       "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
       "CREATE TABLE objects (dbid INTEGER PRIMARY KEY, oid BLOB, mtype INTEGER, name TEXT,"
       " owner TEXT, created INTEGER);"
       "CREATE UNIQUE INDEX objects_by_name ON objects(mtype, name);"
       "CREATE TABLE events (id INTEGER PRIMARY KEY, obj INTEGER, kind INTEGER, comment TEXT);"
       "CREATE TABLE pvars (obj INTEGER, name TEXT, value BLOB, PRIMARY KEY(obj, name)) WITHOUT "
       "ROWID;"
       "CREATE TABLE hyperlinks (dbid INTEGER PRIMARY KEY, from_obj INTEGER, to_obj INTEGER);");
  sqlite3_stmt* obj = nullptr;
  sqlite3_stmt* ev = nullptr;
  sqlite3_stmt* pv = nullptr;
  sqlite3_stmt* hl = nullptr;
  sqlite3_prepare_v2(db,
                     "INSERT INTO objects(oid, mtype, name, owner, created) VALUES "
                     "(randomblob(16), ?1, ?2, 'u', 0)",
                     -1, &obj, nullptr);
  sqlite3_prepare_v2(db, "INSERT INTO events(obj, kind, comment) VALUES (?1, 1, 'benchmark')", -1,
                     &ev, nullptr);
  sqlite3_prepare_v2(db, "INSERT INTO pvars(obj, name, value) VALUES (?1, 'BENCH', ?2)", -1, &pv,
                     nullptr);
  sqlite3_prepare_v2(db, "INSERT INTO hyperlinks(dbid, from_obj, to_obj) VALUES (?1, ?2, 1)", -1,
                     &hl, nullptr);
  auto step = [](sqlite3_stmt* s) {
    sqlite3_step(s);
    sqlite3_reset(s);
  };
  auto insert_object = [&](int mtype, const std::string& name) {
    sqlite3_bind_int(obj, 1, mtype);
    if (name.empty())
      sqlite3_bind_null(obj, 2);
    else
      sqlite3_bind_text(obj, 2, name.c_str(), -1, SQLITE_TRANSIENT);
    step(obj);
    sqlite3_int64 id = sqlite3_last_insert_rowid(db);
    sqlite3_bind_int64(ev, 1, id);
    step(ev);
    return id;
  };
  int i = 0;
  for (auto _ : state) {
    std::string name = "T" + std::to_string(i++);
    exec(db, "BEGIN IMMEDIATE");
    sqlite3_int64 id = insert_object(15, name);
    exec(db, "COMMIT");
    exec(db, "BEGIN IMMEDIATE");
    sqlite3_bind_int64(pv, 1, id);
    sqlite3_bind_text(pv, 2, name.c_str(), -1, SQLITE_TRANSIENT);
    step(pv);
    exec(db, "COMMIT");
    exec(db, "BEGIN IMMEDIATE");
    sqlite3_int64 link = insert_object(10, "");
    sqlite3_bind_int64(hl, 1, link);
    sqlite3_bind_int64(hl, 2, id);
    step(hl);
    exec(db, "COMMIT");
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["objects"] = static_cast<double>(state.iterations());
  for (sqlite3_stmt* s : {obj, ev, pv, hl})
    sqlite3_finalize(s);
  sqlite3_close(db);
  std::filesystem::remove_all(home);
}
BENCHMARK(BM_BareSqliteSameRows)->Iterations(kObjects)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
