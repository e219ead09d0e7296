// The storage layer: every SQL statement of the repository runs through a
// Store (one SQLite database file), a Txn (one BEGIN IMMEDIATE transaction)
// and a Query (one prepared, cached statement). Service families never touch
// SQLite directly, so a second back end can replace this file pair.
//
// Databases run in WAL mode with a busy timeout, so several processes can
// read and write one database; writers are serialised by BEGIN IMMEDIATE.
// Schemas are versioned: a Schema lists its migrations, and opening a
// database applies the missing ones, each in its own transaction.
//
// Fault injection for crash and error tests (read once per process):
//   KORVANE_FAULT_KILL_AFTER_WRITES=N  the process kills itself (SIGKILL) at
//                                      its N-th writing statement
//   KORVANE_FAULT_FAIL_AFTER_WRITES=N  the N-th writing statement fails with 1005
#ifndef REPOSITORY_STORE_H
#define REPOSITORY_STORE_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace repo {

// A database schema: `migrations[i]` moves a database from version i to i + 1.
struct Schema {
  const char* name;  // for messages: "VOB", "registry"
  std::vector<const char*> migrations;
  // With both set, every committed write transaction advances the database's
  // generation (`advance_generation` returns the new value as its one
  // column; `read_generation` reads it), in the transaction itself.
  const char* advance_generation = nullptr;
  const char* read_generation = nullptr;
  // Whether reads inside a ReadScope share one transaction. Only for
  // databases that a process opens through one connection (a VOB is
  // interned per replica), so that no second connection of the same process
  // writes behind a reader's snapshot.
  bool scoped_reads = false;
  int version() const { return static_cast<int>(migrations.size()); }
};

class Store;

// One execution of a cached prepared statement; resets it when destroyed.
// Parameters are numbered from 1, columns from 0.
class Query {
 public:
  Query(Store& store, sqlite3_stmt* stmt);
  ~Query();
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;
  Query(Query&& other) noexcept;

  Query& bind(int index, int64_t value);
  Query& bind(int index, const std::string& text);
  Query& bind(int index, const char* text);  // null binds NULL
  Query& bind_blob(int index, const void* data, size_t size);
  Query& bind_null(int index);

  // Advances to the next row: true when a row is there. After false,
  // status() tells whether the statement ended (0) or failed.
  bool next();
  // Runs a statement that returns no rows; the status.
  int run();
  int status() const { return status_; }

  int64_t int64(int column) const;
  int integer(int column) const { return static_cast<int>(int64(column)); }
  std::string text(int column) const;
  std::string blob(int column) const;
  bool is_null(int column) const;

 private:
  Store* store_;
  sqlite3_stmt* stmt_;
  int status_ = 0;
};

class Store {
 public:
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  // Opens (with `create`, creating) the database at `path` and brings it to
  // the schema's version. 1002 when it does not exist and `create` is false;
  // 1005 (after a message) when it cannot be opened, is damaged, is empty
  // without `create` (an existing store is never re-initialised), or its
  // version is newer than the schema. A database this process cannot write
  // is opened read-only: reads work, writes fail with 1005 after a message
  // naming the store.
  static int open(const std::string& path, const Schema& schema, bool create,
                  std::unique_ptr<Store>& out);

  // A query on the cached statement for `sql`. `sql` must be a string with
  // static storage: statements are cached by its address.
  Query query(const char* sql);
  // Runs one or more statements without parameters.
  int exec(const char* sql);

  const std::string& path() const { return path_; }
  int64_t last_insert_id() const;
  // Rows changed by the latest statement.
  int changes() const;
  bool in_transaction() const;

  // Status for an SQLite result code (1003 unique constraint, 1006 busy,
  // 1005 otherwise), after printing the store's message for real failures.
  int status_of(int rc, const char* what);

  // The database's generation as committed now (schemas that keep one; 0
  // otherwise). Inside a ReadScope, as of the scope's snapshot.
  int generation(int64_t& generation);
  // The generation this process's latest commit made, or -1 when it has
  // made none.
  int64_t last_commit_generation() const { return last_commit_generation_; }
  // How many write transactions this process has committed on the store.
  int64_t commits() const { return commits_; }

  // Ends the read transaction a ReadScope opened, if any (before writing,
  // and before another process may write what this one reads next).
  void end_read();

 private:
  friend class Query;
  friend class Txn;
  friend class WriteGroup;
  Store(sqlite3* db, std::string path, const Schema& schema);
  int migrate(const Schema& schema, bool create);
  // Counts a writing step for fault injection: 0, or the injected failure.
  int count_write(sqlite3_stmt* stmt);
  // The cached prepared statement for `sql`; null after a message.
  sqlite3_stmt* prepared(const char* sql);
  // Opens the read transaction of an open ReadScope before a read.
  void begin_read_if_scoped();
  // Inside the caller's write transaction: advances the generation.
  int advance_generation();

  sqlite3* db_;
  std::string path_;
  const Schema& schema_;
  std::map<const char*, sqlite3_stmt*> statements_;
  bool read_only_ = false;  // opened read-only: the file cannot be written
  bool reading_ = false;    // a ReadScope's read transaction is open
  bool grouped_ = false;    // a WriteGroup's transaction is open
  int64_t last_commit_generation_ = -1;
  int64_t commits_ = 0;
  int64_t pending_generation_ = -1;  // advanced inside the open Txn
};

// While at least one ReadScope exists in the process, the reads of each
// store whose schema allows it run in one read transaction, opened at the
// first read: one snapshot and one set of file locks instead of one per
// statement. A write transaction ends the read transaction first (so it
// writes on the newest data) and the next read opens another. Scopes nest;
// the outermost one's end ends every read transaction. Not thread-safe, as
// the stores are not.
class ReadScope {
 public:
  ReadScope();
  ~ReadScope();
  ReadScope(const ReadScope&) = delete;
  ReadScope& operator=(const ReadScope&) = delete;

  // Ends every open read transaction of the process (the scopes stay open):
  // before running another program that may write what this process reads.
  static void end_all_reads();
};

class WriteGroup;

// One BEGIN IMMEDIATE transaction: commit() makes it durable; destruction
// without commit rolls it back. Inside a WriteGroup of its store it is a
// savepoint of the group's transaction instead: commit() keeps its writes
// for the group's commit, destruction without commit undoes them alone.
class Txn {
 public:
  explicit Txn(Store& store);
  ~Txn();
  Txn(const Txn&) = delete;
  Txn& operator=(const Txn&) = delete;

  // 0 when the transaction began; 1006 when the store stayed busy.
  int status() const { return status_; }
  int commit();

 private:
  Store& store_;
  int status_ = 0;
  bool open_ = false;
  bool savepoint_ = false;
};

// Groups the write transactions of a bulk operation on one store into one
// transaction: what succeeded is made durable together by commit(), and a
// crash or a destruction without commit loses all of it, so a store never
// holds part of one element's writes. Holds the store's write lock from
// construction to commit: keep groups to a bounded amount of work. Groups
// on several stores are begun in the order of their paths (two processes
// grouping the same stores then never wait on each other) and committed in
// the order the caller's protocol needs. Groups nest: a group made while
// its store is already grouped is a savepoint of the outer group, whose
// commit makes its writes durable.
class WriteGroup {
 public:
  explicit WriteGroup(Store& store);
  ~WriteGroup();
  WriteGroup(const WriteGroup&) = delete;
  WriteGroup& operator=(const WriteGroup&) = delete;

  // 0 when the group's transaction began; 1006 when the store stayed busy.
  int status() const { return txn_.status(); }
  int commit();

 private:
  Store& store_;
  bool nested_;  // made inside another group of the store
  Txn txn_;
};

// The one way a write is made: runs `body(store)` inside one Txn of `store`
// and commits when it answers 0; any other answer is returned and the
// transaction rolled back (inside a WriteGroup, its savepoint undone). When
// the transaction cannot begin, its status (1006 busy, 1005 read-only) is
// returned and `body` does not run.
template <typename Body>
int in_txn(Store& store, Body body) {
  Txn txn(store);
  if (txn.status() != 0)
    return txn.status();
  int status = body(store);
  return status != 0 ? status : txn.commit();
}

// Runs `body(store)` inside one WriteGroup of `store`, committing the group
// when it answers 0 (as in_txn does for one transaction).
template <typename Body>
int in_group(Store& store, Body body) {
  WriteGroup group(store);
  if (group.status() != 0)
    return group.status();
  int status = body(store);
  return status != 0 ? status : group.commit();
}

}  // namespace repo

#endif  // REPOSITORY_STORE_H
