// The merge service's three-way text merge: clean merges of separate edits,
// conflicts marked with both sides and counted, identical changes, an empty
// ancestor, and what becomes of a missing final newline and of CR LF line
// endings.
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

// Merges without conflicts: separate edits, one-sided changes, identical
// changes on both sides, an empty ancestor, final newlines following the
// side that changed them, text that only looks like a conflict marker, and
// CR LF endings and a missing final newline kept as they were.
TEST(MergeText, CleanMergesTakeEverySidesChange) {
  struct Case {
    const char* why;
    const char* base;
    const char* ours;
    const char* theirs;
    const char* merged;
  } cases[] = {
      {"edits in separate places", "one\ntwo\nthree\nfour\nfive\n", "ONE\ntwo\nthree\nfour\nfive\n",
       "one\ntwo\nthree\nfour\nFIVE\n", "ONE\ntwo\nthree\nfour\nFIVE\n"},
      {"a change on one side only is taken", "a\nb\n", "a\nb\n", "a\nb\nc\n", "a\nb\nc\n"},
      {"identical changes", "a\nb\nc\n", "a\nB\nc\nd\n", "a\nB\nc\nd\n", "a\nB\nc\nd\n"},
      {"identical deletions", "a\nb\nc\n", "a\nc\n", "a\nc\n", "a\nc\n"},
      {"empty ancestor, same addition", "", "new\n", "new\n", "new\n"},
      {"empty ancestor, one side adds", "", "", "added\n", "added\n"},
      {"all empty", "", "", "", ""},
      {"ours removed the final newline", "a\nb\n", "a\nb", "a\nb\n", "a\nb"},
      {"a line added after an unterminated last line", "a\nb", "a\nb", "a\nb\nc", "a\nb\nc"},
      {"an opening marker without the rest of a region is text",
       "doc\n<<<<<<< ours.c@@/main/2\nexample\n", "doc\n<<<<<<< ours.c@@/main/2\nexample\nmore\n",
       "doc\n<<<<<<< ours.c@@/main/2\nexample\n", "doc\n<<<<<<< ours.c@@/main/2\nexample\nmore\n"},
      {"CR LF throughout", "a\r\nb\r\nc\r\nd\r\ne\r\n", "A\r\nb\r\nc\r\nd\r\ne\r\n",
       "a\r\nb\r\nc\r\nd\r\nE\r\n", "A\r\nb\r\nc\r\nd\r\nE\r\n"},
      {"no final newline, the other side changes the last line", "1\n2\n3\n4\n5\nlast",
       "ONE\n2\n3\n4\n5\nlast", "1\n2\n3\n4\n5\nLAST", "ONE\n2\n3\n4\n5\nLAST"},
      {"no final newline, both sides change other lines", "1\n2\n3\n4\n5\nlast",
       "ONE\n2\n3\n4\n5\nlast", "1\n2\n3\nFOUR\n5\nlast", "ONE\n2\n3\nFOUR\n5\nlast"},
      {"CR LF without a final newline", "a\r\nb\r\nc\r\nd\r\nend", "A\r\nb\r\nc\r\nd\r\nend",
       "a\r\nb\r\nc\r\nd\r\nEND", "A\r\nb\r\nc\r\nd\r\nEND"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Merge m = merge(c.base, c.ours, c.theirs);
    ASSERT_EQ(m.status, 0);
    EXPECT_EQ(m.conflicts, 0);
    EXPECT_EQ(m.text, c.merged);
  }
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

TEST(MergeText, BothSidesAddingToAnEmptyAncestorConflict) {
  Merge both = merge("", "mine\n", "yours\n");
  ASSERT_EQ(both.status, 0);
  EXPECT_EQ(both.conflicts, 1) << "both sides added different text";
  EXPECT_NE(both.text.find("mine\n"), std::string::npos);
  EXPECT_NE(both.text.find("yours\n"), std::string::npos);
}

TEST(MergeText, ConflictOnAnUnterminatedLastLineKeepsMarkersOnTheirOwnLines) {
  // Both sides change an unterminated last line: the markers still sit on
  // lines of their own.
  Merge conflict = merge("a\nb", "a\nX", "a\nY");
  ASSERT_EQ(conflict.status, 0);
  EXPECT_EQ(conflict.conflicts, 1);
  EXPECT_NE(conflict.text.find("X\n=======\nY\n>>>>>>> "), std::string::npos) << conflict.text;
}

// A conflict between CR LF texts keeps CR LF on every line (clean CR LF
// merges are among the clean merges above).
TEST(MergeText, CrLfConflictsKeepTheLineEnding) {
  // A conflict between CR LF texts: every line, markers included, ends in
  // CR LF, so the file keeps one line ending.
  Merge conflict = merge("a\r\nb\r\nc\r\n", "a\r\nX\r\nc\r\n", "a\r\nY\r\nc\r\n");
  ASSERT_EQ(conflict.status, 0);
  EXPECT_EQ(conflict.conflicts, 1);
  EXPECT_EQ(conflict.text,
            "a\r\n"
            "<<<<<<< ours.c@@/main/2\r\n"
            "X\r\n"
            "=======\r\n"
            "Y\r\n"
            ">>>>>>> ours.c@@/main/dev/1\r\n"
            "c\r\n");
}

TEST(MergeText, SidesWithoutLabelsAreCalledOursAndTheirs) {
  std::string text;
  int conflicts = -1;
  ASSERT_EQ(cmd_findmerge_merge_text("x\n", "y\n", "z\n", nullptr, nullptr, text, &conflicts), 0);
  EXPECT_EQ(conflicts, 1);
  EXPECT_EQ(text, "<<<<<<< ours\ny\n=======\nz\n>>>>>>> theirs\n");
}

}  // namespace
