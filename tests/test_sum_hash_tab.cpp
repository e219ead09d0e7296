// SUM_HashTab, SUM_HashTabIter and SUM_HashTabListPtr: key hashing by key
// type, entering and replacing, ownership of key and value copies, copies of
// tables, walks, and owned lists.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

#include "services/tbs.h"
#include "sum/sum_hash_key.h"
#include "sum/sum_hash_tab.h"
#include "sum/sum_hash_tab_list_ptr.h"
#include "sum/sum_lists.h"
#include "sum/sum_string.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"

namespace {

// Distinct VOB handles for keys; tables never dereference them.
SUM_Vob fake_vob(uintptr_t n) {
  return SUM_Vob(reinterpret_cast<vob_vob_h>(n * 64));
}

// A value that counts its live copies, to check that tables free what they
// copy.
struct Counted {
  static int live;
  static int copies;
  int n = 0;
  explicit Counted(int v = 0) : n(v) { ++live; }
  Counted(const Counted& o) : n(o.n) {
    ++live;
    ++copies;
  }
  Counted& operator=(const Counted&) = default;
  ~Counted() { --live; }
  bool operator!=(const Counted& o) const { return n != o.n; }
};
int Counted::live = 0;
int Counted::copies = 0;

// A key type of its own: one specialisation makes it a table key.
struct Ticket {
  static int live;
  int number;
  explicit Ticket(int n) : number(n) { ++live; }
  Ticket(const Ticket& o) : number(o.number) { ++live; }
  ~Ticket() { --live; }
};
int Ticket::live = 0;

}  // namespace

template <>
struct SUM_HashKey<Ticket> {
  static unsigned int hash(const Ticket& t) { return static_cast<unsigned>(t.number % 3); }
  static bool equal(const Ticket& a, const Ticket& b) { return a.number == b.number; }
};

namespace {

TEST(HashKey, StringHash) {
  EXPECT_EQ(sum_hash_string(""), 0u);
  EXPECT_EQ(sum_hash_string(nullptr), 0u);
  EXPECT_EQ(sum_hash_string("a"), 97u);
  EXPECT_EQ(sum_hash_string("ab"), 12611u);
  EXPECT_EQ(sum_hash_string("\xe9"), 0xffffffe9u) << "bytes above 127 are sign-extended";
  EXPECT_EQ(SUM_HashKey<SUM_String>::hash(SUM_String("ab")), 12611u);
  EXPECT_TRUE(SUM_HashKey<SUM_String>::equal(SUM_String("ab"), SUM_String("ab")));
  EXPECT_FALSE(SUM_HashKey<SUM_String>::equal(SUM_String("ab"), SUM_String("aB")));
}

TEST(HashKey, ObjectsHashByDbidAndCompareByHandle) {
  SUM_VobObject a(fake_vob(1), 42);
  SUM_VobObject same_dbid_other_vob(fake_vob(2), 42);
  EXPECT_EQ(SUM_HashKey<SUM_VobObject>::hash(a), 42u);
  EXPECT_EQ(SUM_HashKey<SUM_VobObject>::hash(same_dbid_other_vob), 42u);
  EXPECT_TRUE(SUM_HashKey<SUM_VobObject>::equal(a, SUM_VobObject(fake_vob(1), 42)));
  EXPECT_FALSE(SUM_HashKey<SUM_VobObject>::equal(a, same_dbid_other_vob));
  // Derived handle classes use the same rule.
  EXPECT_EQ(SUM_HashKey<SUM_NamedObject>::hash(SUM_NamedObject(fake_vob(1), 7)), 7u);

  SUM_Vob vob = fake_vob(3);
  EXPECT_EQ(SUM_HashKey<SUM_Vob>::hash(vob),
            static_cast<unsigned>(reinterpret_cast<uintptr_t>(vob.handle())));
  EXPECT_EQ(SUM_HashKey<vob_vob_h>::hash(vob.handle()), SUM_HashKey<SUM_Vob>::hash(vob));
  EXPECT_EQ(SUM_HashKey<unsigned>::hash(123u), 123u);

  tbs_oid_t raw{};
  raw.bytes[3] = 9;
  EXPECT_EQ(SUM_HashKey<SUM_Oid>::hash(SUM_Oid(raw)), tbs_oid_to_hash32(&raw));
  EXPECT_TRUE(SUM_HashKey<SUM_Oid>::equal(SUM_Oid(raw), SUM_Oid(raw)));
  EXPECT_FALSE(SUM_HashKey<SUM_Oid>::equal(SUM_Oid(raw), SUM_Oid()));
}

TEST(HashTab, EnterAnswersWhetherTheKeyWasPresent) {
  SUM_HashTab<SUM_String, int> t(8);
  EXPECT_EQ(t.enter("alpha", 1), 0);
  const int* stored = t.lookup("alpha");
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(t.enter("alpha", 1), 1) << "present, equal value";
  EXPECT_EQ(t.lookup("alpha"), stored) << "an equal value keeps the stored copy";
  EXPECT_EQ(t.enter("alpha", 2), 1) << "present, different value";
  ASSERT_NE(t.lookup("alpha"), nullptr);
  EXPECT_EQ(*t.lookup("alpha"), 2) << "a different value replaces the stored one";
  EXPECT_EQ(t.lookup("beta"), nullptr);
  const SUM_HashTab<SUM_String, int>& ct = t;
  ASSERT_NE(ct.lookup("alpha"), nullptr);
  EXPECT_EQ(*ct.lookup("alpha"), 2);
}

TEST(HashTab, RemoveAndClear) {
  SUM_HashTab<unsigned, SUM_String> t(4);
  EXPECT_EQ(t.is_empty(), 1);
  t.enter(1, "one");
  t.enter(2, "two");
  EXPECT_EQ(t.is_empty(), 0);
  EXPECT_EQ(t.remove(1), 1);
  EXPECT_EQ(t.remove(1), 0) << "already gone";
  EXPECT_EQ(t.lookup(1), nullptr);
  ASSERT_NE(t.lookup(2), nullptr);
  EXPECT_STREQ(*t.lookup(2), "two");
  t.clear();
  EXPECT_EQ(t.is_empty(), 1);
  EXPECT_EQ(t.enter(2, "again"), 0) << "a cleared table is usable";
  EXPECT_STREQ(*t.lookup(2), "again");
}

TEST(HashTab, ObjectKeysOfDifferentVobsAreDistinct) {
  SUM_HashTab<SUM_VobObject, int> t(16);
  t.enter(SUM_VobObject(fake_vob(1), 5), 1);
  t.enter(SUM_VobObject(fake_vob(2), 5), 2);
  ASSERT_NE(t.lookup(SUM_VobObject(fake_vob(1), 5)), nullptr);
  EXPECT_EQ(*t.lookup(SUM_VobObject(fake_vob(1), 5)), 1);
  EXPECT_EQ(*t.lookup(SUM_VobObject(fake_vob(2), 5)), 2);
  EXPECT_EQ(t.lookup(SUM_VobObject(fake_vob(3), 5)), nullptr);
}

TEST(HashTab, ManyPairsStayFindableAsTheTableGrows) {
  SUM_HashTab<SUM_String, int> t(2);
  for (int i = 0; i < 2000; ++i) {
    SUM_String key;
    key.Format("key-%d", i);
    ASSERT_EQ(t.enter(key, i), 0) << i;
  }
  for (int i = 0; i < 2000; ++i) {
    SUM_String key;
    key.Format("key-%d", i);
    const int* v = t.lookup(key);
    ASSERT_NE(v, nullptr) << i;
    EXPECT_EQ(*v, i);
  }
}

TEST(HashTab, OwnsAndFreesItsKeyAndValueCopies) {
  Counted::live = 0;
  Ticket::live = 0;
  {
    SUM_HashTab<Ticket, Counted> t(4);
    for (int i = 0; i < 10; ++i)
      t.enter(Ticket(i), Counted(i));
    EXPECT_EQ(Ticket::live, 10);
    EXPECT_EQ(Counted::live, 10);
    t.enter(Ticket(3), Counted(30));  // replaces: the old value copy is freed
    int copies = Counted::copies;
    t.enter(Ticket(4), Counted(4));  // equal: the stored copy stays
    EXPECT_EQ(Counted::copies, copies) << "an equal value is not copied again";
    EXPECT_EQ(Ticket::live, 10);
    EXPECT_EQ(Counted::live, 10);
    EXPECT_EQ(t.lookup(Ticket(3))->n, 30);
    t.remove(Ticket(5));
    EXPECT_EQ(Ticket::live, 9);
    EXPECT_EQ(Counted::live, 9);
    {
      SUM_HashTab<Ticket, Counted> copy(t);
      EXPECT_EQ(Counted::live, 18);
    }
    EXPECT_EQ(Counted::live, 9);
    t.clear();
    EXPECT_EQ(Ticket::live, 0);
    EXPECT_EQ(Counted::live, 0);
    t.enter(Ticket(1), Counted(1));
  }
  EXPECT_EQ(Ticket::live, 0) << "destruction frees every key copy";
  EXPECT_EQ(Counted::live, 0) << "and every value copy";
}

TEST(HashTab, PointerValuesAreNotOwned) {
  int target = 5;
  {
    SUM_HashTab<unsigned, int*> t(4);
    t.enter(1, &target);
    ASSERT_NE(t.lookup(1), nullptr);
    EXPECT_EQ(*t.lookup(1), &target);
    int other = 6;
    EXPECT_EQ(t.enter(1, &other), 1);
    EXPECT_EQ(*t.lookup(1), &other) << "a different pointer replaces the stored one";
    t.enter(1, &target);
  }
  EXPECT_EQ(target, 5);  // destroying the table left the pointee alone
}

TEST(HashTab, CopiesAreIndependent) {
  SUM_HashTab<SUM_String, SUM_String> a(4);
  a.enter("k", "v");
  SUM_HashTab<SUM_String, SUM_String> b(a);
  b.enter("k", "changed");
  b.enter("only-b", "x");
  EXPECT_STREQ(*a.lookup("k"), "v");
  EXPECT_EQ(a.lookup("only-b"), nullptr);

  SUM_HashTab<SUM_String, SUM_String> c(64);
  c.enter("only-c", "y");
  c = a;
  EXPECT_EQ(c.lookup("only-c"), nullptr) << "assignment replaces the content";
  EXPECT_STREQ(*c.lookup("k"), "v");
  SUM_HashTab<SUM_String, SUM_String>& self = c;
  c = self;
  ASSERT_NE(c.lookup("k"), nullptr) << "self-assignment keeps the content";
  EXPECT_STREQ(*c.lookup("k"), "v");
}

TEST(HashTabIter, VisitsEveryPairOnce) {
  SUM_HashTab<unsigned, int> t(3);
  for (unsigned k = 0; k < 100; ++k)
    t.enter(k, static_cast<int>(k) * 2);
  SUM_HashTabIter<unsigned, int> it(t);
  EXPECT_EQ(it.is_done(), 1) << "no walk before first()";
  EXPECT_EQ(it.curr_key(), nullptr);
  std::map<unsigned, int> seen;
  for (it.first(); !it.is_done(); it.next()) {
    ASSERT_NE(it.curr_value(), nullptr);
    EXPECT_EQ(*it.curr_value(), static_cast<int>(*it.curr_key()) * 2);
    ++seen[*it.curr_key()];
  }
  EXPECT_EQ(seen.size(), 100u);
  for (const auto& [k, n] : seen)
    EXPECT_EQ(n, 1) << k;
  EXPECT_EQ(it.curr_key(), nullptr);
  EXPECT_EQ(it.curr_value(), nullptr);

  // first() starts over, also in the middle of a walk; values can be changed
  // through the iterator.
  it.first();
  it.next();
  int walked = 0;
  for (it.first(); !it.is_done(); it.next()) {
    *it.curr_value() += 1;
    ++walked;
  }
  EXPECT_EQ(walked, 100);
  EXPECT_EQ(*t.lookup(7), 15);
}

// A list whose deletion is observable.
struct TrackedList : SUM_StringList {
  static int deleted;
  ~TrackedList() { ++deleted; }
};
int TrackedList::deleted = 0;

TEST(HashTabListPtr, DeletesTheListsItHolds) {
  TrackedList::deleted = 0;
  {
    SUM_HashTabListPtr<SUM_String, TrackedList*> t(8);
    auto* first = new TrackedList;
    first->append("x");
    EXPECT_EQ(t.enter("a", first), 0);
    EXPECT_EQ(t.enter("a", first), 1) << "the same list again";
    EXPECT_EQ(TrackedList::deleted, 0) << "re-entering the held list keeps it";
    ASSERT_NE(t.lookup("a"), nullptr);
    EXPECT_EQ(*t.lookup("a"), first);
    EXPECT_EQ((*t.lookup("a"))->count(), 1u);

    EXPECT_EQ(t.enter("a", new TrackedList), 1);
    EXPECT_EQ(TrackedList::deleted, 1) << "a replaced list is deleted";

    t.enter("b", new TrackedList);
    t.enter("c", new TrackedList);
    EXPECT_EQ(t.remove("b"), 1);
    EXPECT_EQ(TrackedList::deleted, 2) << "removing a pair deletes its list";
    EXPECT_EQ(t.remove("b"), 0);
    EXPECT_EQ(t.lookup("b"), nullptr);

    int walked = 0;
    SUM_HashTabListPtrIter<SUM_String, TrackedList*> it(t);
    for (it.first(); !it.is_done(); it.next()) {
      ASSERT_NE(*it.curr_value(), nullptr);
      ++walked;
    }
    EXPECT_EQ(walked, 2);

    t.clear();
    EXPECT_EQ(TrackedList::deleted, 4) << "clearing deletes every list";
    EXPECT_EQ(t.is_empty(), 1);
    t.enter("d", new TrackedList);
    t.enter("e", new TrackedList);
  }
  EXPECT_EQ(TrackedList::deleted, 6) << "destroying the table deletes every list";
}

}  // namespace
