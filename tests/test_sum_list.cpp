// SUM_List: sizes, growth steps, insertion, removal and search.
#include <gtest/gtest.h>

#include "sum/sum_list.h"
#include "sum/sum_string.h"

namespace {

using IntList = SUM_List<int>;
using StringList = SUM_List<SUM_String>;

TEST(SumList, SizedConstructionMakesDefaultElements) {
  StringList three(3);
  EXPECT_EQ(three.count(), 3u);
  EXPECT_STREQ(three[2], "");
  IntList empty;
  EXPECT_EQ(empty.count(), 0u);
  EXPECT_EQ(empty.capacity(), 0u) << "an empty list allocates nothing";
}

TEST(SumList, CapacityRuns32Then64ThenDoubles) {
  IntList l;
  for (int i = 0; i < 32; ++i)
    l.append(i);
  EXPECT_EQ(l.capacity(), 32u);
  l.append(32);
  EXPECT_EQ(l.capacity(), 64u);
  IntList room;
  room.ensure_room(65);
  EXPECT_EQ(room.capacity(), 128u);
  EXPECT_EQ(room.count(), 0u);
  for (int i = 0; i < 33; ++i)
    EXPECT_EQ(l[static_cast<unsigned>(i)], i);
}

TEST(SumList, InsertPrependAndRemoveShiftElements) {
  StringList l;
  l.append("b");
  l.prepend("a");
  l.append("d");
  l.insert("c", 2);
  EXPECT_STREQ(l[0], "a");
  EXPECT_STREQ(l[2], "c");
  EXPECT_STREQ(l[3], "d");
  l.remove(1);
  EXPECT_EQ(l.count(), 3u);
  EXPECT_STREQ(l[1], "c");
  EXPECT_STREQ(l[3], "") << "the slot past the end holds the default value";
}

TEST(SumList, RemovingTheOnlyElementKeepsCapacity) {
  IntList l;
  l.append(5);
  l.remove(0);
  EXPECT_EQ(l.count(), 0u);
  EXPECT_EQ(l.capacity(), 32u);
}

TEST(SumList, FindReturnsTheLowerIndexAndCopiesCompareEqual) {
  IntList l;
  for (int v : {4, 7, 9, 7})
    l.append(v);
  EXPECT_EQ(l.find(7), 1);
  EXPECT_EQ(l.find(8), -1);
  IntList copy(l);
  EXPECT_TRUE(copy == l);
  copy[3] = 1;
  EXPECT_TRUE(copy != l);
  copy = l;
  EXPECT_TRUE(copy == l);
  copy.clear();
  EXPECT_EQ(copy.capacity(), 0u);
}

#if defined(KORVANE_ASSERTIONS) && KORVANE_ASSERTIONS
TEST(SumListDeathTest, IndexesOutsideTheListAbortNamingTheCondition) {
  IntList l;
  l.append(1);
  EXPECT_EQ(l[31], 0) << "a slot of the array past the count is readable";
  EXPECT_DEATH(l[32], "invariant failed: i < capacity_");
  EXPECT_DEATH(l.remove(1), "invariant failed: i < count_");
  EXPECT_DEATH(l.insert(2, 3), "invariant failed: i <= count_");
}
#endif

}  // namespace
