// SUM_Handle and AutoPtr: shared and sole ownership of heap objects.
#include <gtest/gtest.h>

#include "sum/sum_auto_ptr.h"
#include "sum/sum_handle.h"

namespace {

// A representation that records its destruction.
struct Rep : SUM_HandleRep {
  static int destroyed;
  int payload = 0;
  explicit Rep(int p) : payload(p) {}
  ~Rep() { ++destroyed; }
};
int Rep::destroyed = 0;

using Handle = SUM_Handle<Rep>;

TEST(Handle, CopiesShareOneRepresentation) {
  Rep::destroyed = 0;
  {
    Handle a(new Rep(7));
    ASSERT_NE(a.repp(), nullptr);
    EXPECT_EQ(a.rep().ref_count, 1);
    {
      Handle b(a);
      EXPECT_EQ(b.repp(), a.repp());
      EXPECT_EQ(a.rep().ref_count, 2);
      b.rep().payload = 8;
      EXPECT_EQ(a.rep().payload, 8) << "one shared representation";
    }
    EXPECT_EQ(a.rep().ref_count, 1);
    EXPECT_EQ(Rep::destroyed, 0) << "the copy's destruction left the shared representation";
  }
  EXPECT_EQ(Rep::destroyed, 1) << "the last handle deleted it";
}

TEST(Handle, AssignmentReleasesTheOldRepresentation) {
  Rep::destroyed = 0;
  Handle a(new Rep(1));
  Handle b(new Rep(2));
  Rep* second = b.repp();
  a = b;
  EXPECT_EQ(Rep::destroyed, 1) << "a's only representation went with the assignment";
  EXPECT_EQ(a.repp(), second);
  EXPECT_EQ(second->ref_count, 2);

  Handle empty;
  a = empty;
  EXPECT_EQ(a.repp(), nullptr);
  EXPECT_EQ(second->ref_count, 1);
  EXPECT_EQ(Rep::destroyed, 1);
}

TEST(Handle, SelfAssignmentKeepsTheRepresentation) {
  Rep::destroyed = 0;
  Handle a(new Rep(3));
  Handle& same = a;
  a = same;
  EXPECT_EQ(Rep::destroyed, 0) << "the count never reached 0";
  ASSERT_NE(a.repp(), nullptr);
  EXPECT_EQ(a.rep().ref_count, 1);
  EXPECT_EQ(a.rep().payload, 3);
}

struct Base {
  static int destroyed_derived;
  virtual ~Base() = default;
};
int Base::destroyed_derived = 0;
struct Derived : Base {
  ~Derived() override { ++destroyed_derived; }
};

TEST(AutoPtr, DeletesWhatItOwns) {
  Base::destroyed_derived = 0;
  {
    AutoPtr<Base> p(new Derived);
    EXPECT_NE(p.get(), nullptr);
  }
  EXPECT_EQ(Base::destroyed_derived, 1) << "deleted through the virtual destructor";

  Derived* kept = nullptr;
  {
    AutoPtr<Base> p(new Derived);
    kept = static_cast<Derived*>(p.release());
    EXPECT_EQ(p.get(), nullptr);
  }
  EXPECT_EQ(Base::destroyed_derived, 1) << "a released object is the caller's";
  delete kept;
  EXPECT_EQ(Base::destroyed_derived, 2);

  AutoPtr<Base> p(new Derived);
  p.reset(new Derived);
  EXPECT_EQ(Base::destroyed_derived, 3) << "reset deletes the previous object";
  Base* same = p.get();
  p.reset(same);
  EXPECT_EQ(Base::destroyed_derived, 3) << "resetting to the owned object keeps it";
  p.reset();
  EXPECT_EQ(Base::destroyed_derived, 4);
  EXPECT_EQ(p.get(), nullptr);
}

}  // namespace
