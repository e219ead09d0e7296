// The merge service's three-way text merge: clean merges of separate edits,
// conflicts marked with both sides and counted, identical changes, an empty
// ancestor, and what becomes of a missing final newline.
#include <gtest/gtest.h>

#include <string>

#include "services/cmd_findmerge.h"

namespace {

struct Merge {
  int status = -1;
  std::string text;
  int conflicts = -1;
};

Merge merge(const std::string& base, const std::string& ours, const std::string& theirs) {
  Merge m;
  m.status = cmd_findmerge_merge_text(base, ours, theirs, "ours.c@@/main/2", "ours.c@@/main/dev/1",
                                      m.text, &m.conflicts);
  return m;
}

TEST(MergeText, EditsInSeparatePlacesMergeCleanly) {
  Merge m = merge("one\ntwo\nthree\nfour\nfive\n", "ONE\ntwo\nthree\nfour\nfive\n",
                  "one\ntwo\nthree\nfour\nFIVE\n");
  ASSERT_EQ(m.status, 0);
  EXPECT_EQ(m.conflicts, 0);
  EXPECT_EQ(m.text, "ONE\ntwo\nthree\nfour\nFIVE\n");

  Merge one_sided = merge("a\nb\n", "a\nb\n", "a\nb\nc\n");
  ASSERT_EQ(one_sided.status, 0);
  EXPECT_EQ(one_sided.conflicts, 0);
  EXPECT_EQ(one_sided.text, "a\nb\nc\n") << "a change on one side only is taken";
}

TEST(MergeText, ConflictingEditsAreMarkedWithBothSides) {
  Merge m = merge("a\nb\nc\n", "a\nours\nc\n", "a\ntheirs\nc\n");
  ASSERT_EQ(m.status, 0) << "a conflict is not a failure";
  EXPECT_EQ(m.conflicts, 1);
  EXPECT_EQ(m.text,
            "a\n"
            "<<<<<<< ours.c@@/main/2\n"
            "ours\n"
            "=======\n"
            "theirs\n"
            ">>>>>>> ours.c@@/main/dev/1\n"
            "c\n");

  // Each region counts; a clean change beside them is applied.
  Merge two = merge("1\n2\n3\n4\n5\n6\n7\n8\n9\n", "1\nX\n3\n4\n5\n6\n7\nX\n9\n",
                    "1\nY\n3\n4\nfive\n6\n7\nY\n9\n");
  ASSERT_EQ(two.status, 0);
  EXPECT_EQ(two.conflicts, 2);
  EXPECT_NE(two.text.find("\n4\nfive\n6\n7\n<<<<<<< "), std::string::npos) << two.text;
}

TEST(MergeText, IdenticalChangesOnBothSidesMergeCleanly) {
  Merge m = merge("a\nb\nc\n", "a\nB\nc\nd\n", "a\nB\nc\nd\n");
  ASSERT_EQ(m.status, 0);
  EXPECT_EQ(m.conflicts, 0);
  EXPECT_EQ(m.text, "a\nB\nc\nd\n");

  Merge deleted = merge("a\nb\nc\n", "a\nc\n", "a\nc\n");
  ASSERT_EQ(deleted.status, 0);
  EXPECT_EQ(deleted.conflicts, 0);
  EXPECT_EQ(deleted.text, "a\nc\n");
}

TEST(MergeText, EmptyAncestor) {
  Merge same = merge("", "new\n", "new\n");
  ASSERT_EQ(same.status, 0);
  EXPECT_EQ(same.conflicts, 0);
  EXPECT_EQ(same.text, "new\n");

  Merge one_side = merge("", "", "added\n");
  ASSERT_EQ(one_side.status, 0);
  EXPECT_EQ(one_side.conflicts, 0);
  EXPECT_EQ(one_side.text, "added\n");

  Merge both = merge("", "mine\n", "yours\n");
  ASSERT_EQ(both.status, 0);
  EXPECT_EQ(both.conflicts, 1) << "both sides added different text";
  EXPECT_NE(both.text.find("mine\n"), std::string::npos);
  EXPECT_NE(both.text.find("yours\n"), std::string::npos);

  Merge nothing = merge("", "", "");
  ASSERT_EQ(nothing.status, 0);
  EXPECT_EQ(nothing.conflicts, 0);
  EXPECT_EQ(nothing.text, "");
}

TEST(MergeText, FinalNewlineFollowsTheSideThatChangedIt) {
  Merge dropped = merge("a\nb\n", "a\nb", "a\nb\n");
  ASSERT_EQ(dropped.status, 0);
  EXPECT_EQ(dropped.conflicts, 0);
  EXPECT_EQ(dropped.text, "a\nb") << "ours removed the final newline";

  Merge appended = merge("a\nb", "a\nb", "a\nb\nc");
  ASSERT_EQ(appended.status, 0);
  EXPECT_EQ(appended.conflicts, 0);
  EXPECT_EQ(appended.text, "a\nb\nc") << "a line added after an unterminated last line";

  // Both sides change an unterminated last line: the markers still sit on
  // lines of their own.
  Merge conflict = merge("a\nb", "a\nX", "a\nY");
  ASSERT_EQ(conflict.status, 0);
  EXPECT_EQ(conflict.conflicts, 1);
  EXPECT_NE(conflict.text.find("X\n=======\nY\n>>>>>>> "), std::string::npos) << conflict.text;
}

TEST(MergeText, TextThatLooksLikeMarkersIsNotCountedAsConflicts) {
  const std::string quoted = "doc\n<<<<<<< ours.c@@/main/2\nexample\n";
  Merge m = merge(quoted, quoted + "more\n", quoted);
  ASSERT_EQ(m.status, 0);
  EXPECT_EQ(m.conflicts, 0) << "an opening marker without the rest of a region";
  EXPECT_EQ(m.text, quoted + "more\n");
}

TEST(MergeText, SidesWithoutLabelsAreCalledOursAndTheirs) {
  std::string text;
  int conflicts = -1;
  ASSERT_EQ(cmd_findmerge_merge_text("x\n", "y\n", "z\n", nullptr, nullptr, text, &conflicts), 0);
  EXPECT_EQ(conflicts, 1);
  EXPECT_EQ(text, "<<<<<<< ours\ny\n=======\nz\n>>>>>>> theirs\n");
}

}  // namespace
