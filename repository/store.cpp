// The storage layer over SQLite: databases, transactions, cached statements,
// schema migrations and fault injection.
#include "repository/store.h"

#include <sqlite3.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "services/imsg.h"
#include "services/korvane_assert.h"
#include "services/tbs.h"

namespace repo {

namespace {

// How long a statement waits for another process's write lock, in milliseconds.
constexpr int kBusyTimeoutMs = 30000;

struct Faults {
  long kill_after = 0;
  long fail_after = 0;
  long writes = 0;
};

Faults& faults() {
  static Faults f = [] {
    Faults init;
    if (const char* k = std::getenv("KORVANE_FAULT_KILL_AFTER_WRITES"))
      init.kill_after = std::atol(k);
    if (const char* f = std::getenv("KORVANE_FAULT_FAIL_AFTER_WRITES"))
      init.fail_after = std::atol(f);
    return init;
  }();
  return f;
}

// The stores open in the process, so that the end of a ReadScope reaches
// them all, and how many ReadScopes are open. Never destroyed: stores held
// by static objects close after static destruction began.
std::set<Store*>& live_stores() {
  static auto* stores = new std::set<Store*>;
  return *stores;
}
int read_scope_depth = 0;

}  // namespace

// ---- Query ----------------------------------------------------------------------

Query::Query(Store& store, sqlite3_stmt* stmt) : store_(&store), stmt_(stmt) {
  if (stmt_ == nullptr)
    status_ = TBS_ST_IO_ERROR;
}

Query::Query(Query&& other) noexcept
    : store_(other.store_), stmt_(other.stmt_), status_(other.status_) {
  other.stmt_ = nullptr;
}

Query::~Query() {
  if (stmt_ != nullptr) {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
}

Query& Query::bind(int index, int64_t value) {
  if (stmt_ != nullptr)
    sqlite3_bind_int64(stmt_, index, value);
  return *this;
}

Query& Query::bind(int index, const std::string& text) {
  if (stmt_ != nullptr)
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  return *this;
}

Query& Query::bind(int index, const char* text) {
  if (text == nullptr)
    return bind_null(index);
  if (stmt_ != nullptr)
    sqlite3_bind_text(stmt_, index, text, -1, SQLITE_TRANSIENT);
  return *this;
}

Query& Query::bind_blob(int index, const void* data, size_t size) {
  if (stmt_ != nullptr)
    sqlite3_bind_blob(stmt_, index, data, static_cast<int>(size), SQLITE_TRANSIENT);
  return *this;
}

Query& Query::bind_null(int index) {
  if (stmt_ != nullptr)
    sqlite3_bind_null(stmt_, index);
  return *this;
}

bool Query::next() {
  if (stmt_ == nullptr || status_ != 0)
    return false;
  if (!sqlite3_stmt_readonly(stmt_)) {
    // Every write runs inside a Txn (in_txn): in autocommit it would not be
    // rolled back with the rest of its operation.
    KORVANE_ASSERT(store_->in_transaction() && !store_->reading_);
    if (!store_->in_transaction() || store_->reading_)
      store_->end_read();  // an autocommit write must not upgrade a snapshot
    status_ = store_->count_write(stmt_);
    if (status_ != 0)
      return false;
  } else if (sqlite3_stmt_busy(stmt_) == 0) {
    store_->begin_read_if_scoped();
  }
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW)
    return true;
  if (rc != SQLITE_DONE)
    status_ = store_->status_of(rc, sqlite3_sql(stmt_));
  return false;
}

int Query::run() {
  while (next()) {
  }
  return status_;
}

int64_t Query::int64(int column) const {
  return sqlite3_column_int64(stmt_, column);
}

std::string Query::text(int column) const {
  const unsigned char* t = sqlite3_column_text(stmt_, column);
  return t != nullptr ? std::string(reinterpret_cast<const char*>(t),
                                    static_cast<size_t>(sqlite3_column_bytes(stmt_, column)))
                      : std::string();
}

std::string Query::blob(int column) const {
  const void* b = sqlite3_column_blob(stmt_, column);
  return b != nullptr ? std::string(static_cast<const char*>(b),
                                    static_cast<size_t>(sqlite3_column_bytes(stmt_, column)))
                      : std::string();
}

bool Query::is_null(int column) const {
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

// ---- Store ----------------------------------------------------------------------

Store::Store(sqlite3* db, std::string path, const Schema& schema)
    : db_(db), path_(std::move(path)), schema_(schema) {
  live_stores().insert(this);
}

Store::~Store() {
  live_stores().erase(this);
  for (auto& [sql, stmt] : statements_)
    sqlite3_finalize(stmt);
  sqlite3_close(db_);
}

namespace {

// "file:" URI of `path` opened as an immutable read-only database: what a
// store on read-only media can still be (no locks, no journal files).
std::string read_only_uri(const std::string& path) {
  std::string uri = "file:";
  for (char c : path) {
    if (c == '%' || c == '?' || c == '#') {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
      uri += hex;
    } else {
      uri += c;
    }
  }
  return uri + "?mode=ro&immutable=1";
}

bool is_damage(int rc) {
  int primary = rc & 0xff;
  return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

bool is_read_only_failure(int rc) {
  int primary = rc & 0xff;
  return primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN;
}

// Closes `db` and reports an open failure of `path` with SQLite's words.
int open_failed(const std::string& path, sqlite3* db, int rc) {
  std::string why = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  imsg_print_chosen(IMSG_ERROR,
                    is_damage(rc) ? tbs_msg::StoreDamagedRestoreBackup : tbs_msg::UnableOpenStore,
                    path.c_str(), why.c_str());
  sqlite3_close(db);
  return TBS_ST_IO_ERROR;
}

}  // namespace

int Store::open(const std::string& path, const Schema& schema, bool create,
                std::unique_ptr<Store>& out) {
  struct stat file {};
  bool exists = ::stat(path.c_str(), &file) == 0;
  if (!create && !exists)
    return TBS_ST_NOT_FOUND;
  // A truncated store is reported before SQLite would write a header into it.
  if (!create && file.st_size == 0) {
    imsg_print(IMSG_ERROR, tbs_msg::StoreEmptyHoldsNo, path.c_str(), schema.name);
    return TBS_ST_IO_ERROR;
  }
  sqlite3* db = nullptr;
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK)
    return open_failed(path, db, rc);
  // Before the first statement: switching to WAL waits for other writers
  // like every later statement does.
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  sqlite3_extended_result_codes(db, 1);
  // A file this process may not write (read-only media, another owner's
  // files) is read as an immutable snapshot: listing and describing work,
  // every write is refused by name.
  bool read_only = exists && sqlite3_db_readonly(db, "main") == 1;
  if (!read_only) {
    rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    read_only = exists && is_read_only_failure(rc);
    if (rc != SQLITE_OK && !read_only)
      return open_failed(path, db, rc);
  }
  if (read_only) {
    sqlite3_close(db);
    db = nullptr;
    rc = sqlite3_open_v2(read_only_uri(path).c_str(), &db,
                         SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK)
      return open_failed(path, db, rc);
    sqlite3_extended_result_codes(db, 1);
  }
  std::unique_ptr<Store> store(new Store(db, path, schema));
  store->read_only_ = read_only;
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  int status = read_only ? TBS_ST_OK
                         : store->exec(
                               "PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON; "
                               // Savepoints of write groups journal in memory,
                               // not in temporary files.
                               "PRAGMA temp_store=MEMORY;");
  if (status == 0)
    status = store->migrate(schema, create);
  if (status != 0)
    return status;
  out = std::move(store);
  return TBS_ST_OK;
}

int Store::migrate(const Schema& schema, bool create) {
  auto current_version = [this](int& version) {
    Query q = query("PRAGMA user_version");
    version = q.next() ? q.integer(0) : -1;
    return q.status();
  };
  int version = 0;
  int status = current_version(version);
  if (status != 0)
    return status;
  if (version == schema.version())
    return TBS_ST_OK;
  // Only a store being made starts from nothing: an existing one at version
  // 0 was emptied or truncated, and re-initialising it would present an
  // empty VOB or view in place of the lost one.
  if (version == 0 && !create) {
    imsg_print(IMSG_ERROR, tbs_msg::StoreEmptyHoldsNo, path_.c_str(), schema.name);
    return TBS_ST_IO_ERROR;
  }
  if (read_only_) {
    imsg_print(IMSG_ERROR, tbs_msg::StoreReadOnlySchema, path_.c_str(), version, schema.version());
    return TBS_ST_IO_ERROR;
  }
  return in_txn(*this, [&](Store&) -> int {
    // Another process may have migrated while this one waited for the lock.
    int status = current_version(version);
    if (status != 0)
      return status;
    if (version > schema.version()) {
      imsg_print(IMSG_ERROR, tbs_msg::StoreSchemaVersionProgram, path_.c_str(), version,
                 schema.version());
      return TBS_ST_IO_ERROR;
    }
    for (int v = version; v < schema.version(); ++v) {
      status = exec(schema.migrations[static_cast<size_t>(v)]);
      if (status != 0) {
        imsg_print(IMSG_ERROR, tbs_msg::UpgradeFailed, path_.c_str(), v + 1, sqlite3_errmsg(db_));
        return status;
      }
    }
    std::string set_version = "PRAGMA user_version=" + std::to_string(schema.version());
    if (sqlite3_exec(db_, set_version.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
      return status_of(sqlite3_errcode(db_), "PRAGMA user_version");
    return TBS_ST_OK;
  });
}

sqlite3_stmt* Store::prepared(const char* sql) {
  auto it = statements_.find(sql);
  if (it != statements_.end())
    return it->second;
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
  if (rc != SQLITE_OK) {
    imsg_print(IMSG_ERROR, tbs_msg::StatementFailed, path_.c_str(), sqlite3_errmsg(db_));
    return nullptr;
  }
  statements_[sql] = stmt;
  return stmt;
}

Query Store::query(const char* sql) {
  return Query(*this, prepared(sql));
}

int Store::generation(int64_t& generation) {
  generation = 0;
  if (schema_.read_generation == nullptr)
    return TBS_ST_OK;
  Query q = query(schema_.read_generation);
  if (q.next())
    generation = q.int64(0);
  return q.status();
}

int Store::advance_generation() {
  pending_generation_ = -1;
  if (schema_.advance_generation == nullptr)
    return TBS_ST_OK;
  // Stepped directly: the counter is bookkeeping of the transaction, not one
  // of the writes that fault injection counts.
  sqlite3_stmt* stmt = prepared(schema_.advance_generation);
  if (stmt == nullptr)
    return TBS_ST_IO_ERROR;
  int rc = sqlite3_step(stmt);
  if (rc == SQLITE_ROW)
    pending_generation_ = sqlite3_column_int64(stmt, 0);
  while (rc == SQLITE_ROW)
    rc = sqlite3_step(stmt);
  sqlite3_reset(stmt);
  return rc == SQLITE_DONE ? TBS_ST_OK : status_of(rc, schema_.advance_generation);
}

void Store::begin_read_if_scoped() {
  if (read_scope_depth == 0 || !schema_.scoped_reads || reading_ || in_transaction())
    return;
  if (sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK)
    reading_ = true;
}

void Store::end_read() {
  if (!reading_)
    return;
  reading_ = false;
  // A read transaction has nothing to keep: should COMMIT fail, ROLLBACK.
  if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

int Store::exec(const char* sql) {
  char* error = nullptr;
  int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &error);
  sqlite3_free(error);
  return rc == SQLITE_OK ? TBS_ST_OK : status_of(rc, sql);
}

int64_t Store::last_insert_id() const {
  return sqlite3_last_insert_rowid(db_);
}

int Store::changes() const {
  return sqlite3_changes(db_);
}

bool Store::in_transaction() const {
  return sqlite3_get_autocommit(db_) == 0;
}

int Store::status_of(int rc, const char* what) {
  int primary = rc & 0xff;
  if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY)
    return TBS_ST_EXISTS;
  if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
    imsg_print(IMSG_ERROR, tbs_msg::StoreStayedBusyMore, path_.c_str(), kBusyTimeoutMs);
    return TBS_ST_BUSY;
  }
  if (read_only_ && primary == SQLITE_READONLY) {
    imsg_print(IMSG_ERROR, tbs_msg::StoreReadOnlyNothing, path_.c_str());
    return TBS_ST_IO_ERROR;
  }
  if (is_damage(rc)) {
    imsg_print(IMSG_ERROR, tbs_msg::StoreDamagedRestoreBackup, path_.c_str(), sqlite3_errmsg(db_));
    return TBS_ST_IO_ERROR;
  }
  imsg_print(
      IMSG_ERROR, tbs_msg::StatementFailed, path_.c_str(),
      (std::string(sqlite3_errmsg(db_)) + " in \"" + (what != nullptr ? what : "") + "\"").c_str());
  return TBS_ST_IO_ERROR;
}

int Store::count_write(sqlite3_stmt*) {
  Faults& f = faults();
  if (f.kill_after == 0 && f.fail_after == 0)
    return TBS_ST_OK;
  ++f.writes;
  if (f.kill_after != 0 && f.writes >= f.kill_after)
    raise(SIGKILL);
  if (f.fail_after != 0 && f.writes == f.fail_after) {
    imsg_print(IMSG_ERROR, tbs_msg::StatementFailed, path_.c_str(), "injected failure");
    return TBS_ST_IO_ERROR;
  }
  return TBS_ST_OK;
}

// ---- Txn ------------------------------------------------------------------------

Txn::Txn(Store& store) : store_(store), savepoint_(store.grouped_) {
  store_.end_read();
  if (store_.read_only_) {
    imsg_print(IMSG_ERROR, tbs_msg::StoreReadOnlyNothing, store_.path_.c_str());
    status_ = TBS_ST_IO_ERROR;
    return;
  }
  status_ = store_.exec(savepoint_ ? "SAVEPOINT txn" : "BEGIN IMMEDIATE");
  open_ = status_ == 0;
}

Txn::~Txn() {
  if (open_ && savepoint_)
    store_.exec("ROLLBACK TO txn; RELEASE txn");
  else if (open_)
    store_.exec("ROLLBACK");
}

int Txn::commit() {
  if (!open_)
    return status_ != 0 ? status_ : TBS_ST_INTERNAL;
  if (savepoint_) {
    int status = store_.exec("RELEASE txn");
    open_ = status != 0;  // a failed release is rolled back by the destructor
    return status;
  }
  int status = store_.advance_generation();
  if (status == 0)
    status = store_.exec("COMMIT");
  if (status != 0)
    return status;  // the destructor rolls back
  open_ = false;
  if (store_.pending_generation_ >= 0)
    store_.last_commit_generation_ = store_.pending_generation_;
  ++store_.commits_;
  return TBS_ST_OK;
}

// ---- WriteGroup -----------------------------------------------------------------

WriteGroup::WriteGroup(Store& store) : store_(store), nested_(store.grouped_), txn_(store) {
  store_.grouped_ = nested_ || txn_.status() == 0;
}

WriteGroup::~WriteGroup() {
  store_.grouped_ = nested_;
}

int WriteGroup::commit() {
  store_.grouped_ = nested_;
  return txn_.commit();
}

// ---- ReadScope ------------------------------------------------------------------

ReadScope::ReadScope() {
  ++read_scope_depth;
}

ReadScope::~ReadScope() {
  if (--read_scope_depth == 0)
    end_all_reads();
}

void ReadScope::end_all_reads() {
  for (Store* store : live_stores())
    store->end_read();
}

}  // namespace repo
