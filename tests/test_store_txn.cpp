// The write helpers of the store (repo::in_txn, repo::in_group): what a body
// writes is kept exactly when it answers 0, nested transactions are
// savepoints, and a write outside a transaction is a broken invariant.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "repository/store.h"
#include "services/tbs.h"
#include "support/sandbox.h"

namespace {

// Reads inside a ReadScope share one snapshot, as a VOB's do.
const repo::Schema kNotesSchema = {
    "notes", {"CREATE TABLE notes (id INTEGER PRIMARY KEY)"}, nullptr, nullptr, true};
constexpr const char* kInsertNote = "INSERT INTO notes (id) VALUES (?1)";
constexpr const char* kCountNotes = "SELECT count(*) FROM notes";
constexpr const char* kHasNote = "SELECT 1 FROM notes WHERE id = ?1";

class StoreTxn : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(repo::Store::open(home_.path() + "/notes.db", kNotesSchema, true, store_), 0);
  }

  int add(repo::Store& s, int64_t id) { return s.query(kInsertNote).bind(1, id).run(); }
  bool has(int64_t id) {
    repo::Query q = store_->query(kHasNote);
    q.bind(1, id);
    return q.next();
  }
  int count() {
    repo::Query q = store_->query(kCountNotes);
    return q.next() ? q.integer(0) : -1;
  }

  test_support::TempHome home_;
  std::unique_ptr<repo::Store> store_;
};

TEST_F(StoreTxn, KeepsTheWritesOfABodyOnlyWhenItAnswersZero) {
  const int64_t made = store_->commits();  // the schema's migration
  EXPECT_EQ(repo::in_txn(*store_, [&](repo::Store& s) { return add(s, 1); }), 0);
  EXPECT_TRUE(has(1));
  EXPECT_EQ(store_->commits(), made + 1);

  // A body that fails after writing: its status comes back, its write is gone.
  int status = repo::in_txn(*store_, [&](repo::Store& s) {
    int added = add(s, 2);
    return added != 0 ? added : TBS_ST_BAD_ARGUMENT;
  });
  EXPECT_EQ(status, TBS_ST_BAD_ARGUMENT);
  EXPECT_FALSE(has(2));
  EXPECT_EQ(store_->commits(), made + 1) << "a rolled-back transaction is no commit";

  // A failing statement's own status is the answer (1003 for a taken key).
  EXPECT_EQ(repo::in_txn(*store_, [&](repo::Store& s) { return add(s, 1); }), TBS_ST_EXISTS);
  EXPECT_EQ(count(), 1);
  EXPECT_FALSE(store_->in_transaction()) << "no transaction is left open";
}

TEST_F(StoreTxn, TransactionsInsideAGroupAreSavepointsCommittedWithIt) {
  int inner_failure = 0;
  int status = repo::in_group(*store_, [&](repo::Store& s) {
    int first = repo::in_txn(s, [&](repo::Store& t) { return add(t, 10); });
    inner_failure = repo::in_txn(s, [&](repo::Store& t) {
      int added = add(t, 11);
      return added != 0 ? added : TBS_ST_NOT_FOUND;
    });
    return first;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(inner_failure, TBS_ST_NOT_FOUND);
  EXPECT_TRUE(has(10)) << "the savepoint that succeeded is committed with the group";
  EXPECT_FALSE(has(11)) << "the failed savepoint is undone alone";

  // A group whose body fails loses every transaction made inside it.
  status = repo::in_group(*store_, [&](repo::Store& s) {
    int added = repo::in_txn(s, [&](repo::Store& t) { return add(t, 12); });
    return added != 0 ? added : TBS_ST_ERROR;
  });
  EXPECT_EQ(status, TBS_ST_ERROR);
  EXPECT_FALSE(has(12));
  EXPECT_EQ(count(), 1);
}

#if defined(KORVANE_ASSERTIONS) && KORVANE_ASSERTIONS
TEST_F(StoreTxn, AWriteOutsideATransactionAbortsNamingTheInvariant) {
  EXPECT_DEATH(add(*store_, 20), "invariant failed: store_->in_transaction\\(\\)");
  // Inside a ReadScope, after a read, the open snapshot is no write
  // transaction either.
  EXPECT_DEATH(
      {
        repo::ReadScope reads;
        count();
        add(*store_, 21);
      },
      "invariant failed: store_->in_transaction\\(\\) && !store_->reading_");
  EXPECT_FALSE(has(20));
}
#endif

}  // namespace
