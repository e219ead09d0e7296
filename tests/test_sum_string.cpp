// SUM_String: construction, search with its start rule, slicing, formatting.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sum/sum_string.h"

namespace {

TEST(SumString, NullAndEmptyAreOneByteBuffers) {
  SUM_String a;
  SUM_String b(static_cast<const char*>(nullptr));
  EXPECT_STREQ(a, "");
  EXPECT_STREQ(b, "");
  EXPECT_EQ(a.size(), 1);
  EXPECT_EQ(a.GetLength(), 0);
}

TEST(SumString, ConstructionCopiesAndConcatenates) {
  SUM_String prefix("abcdef", 3);
  EXPECT_STREQ(prefix, "abc");
  SUM_String shortsrc("ab", 10);
  EXPECT_STREQ(shortsrc, "ab");
  SUM_String both(prefix, SUM_String("xyz"));
  EXPECT_STREQ(both, "abcxyz");
  SUM_String big;
  big.GetBuffer(99);
  SUM_String copy(big);
  EXPECT_EQ(copy.size(), big.size()) << "a copy allocates exactly the source's size";
}

TEST(SumString, AppendReallocatesToTheExactSize) {
  SUM_String s("dev");
  s += "_";
  s += SUM_String("stream");
  EXPECT_STREQ(s, "dev_stream");
  EXPECT_EQ(s.size(), 11);
  s = s;  // self-assignment keeps the text
  EXPECT_STREQ(s, "dev_stream");
  s = static_cast<const char*>(s) + 4;  // assignment from its own tail
  EXPECT_STREQ(s, "stream");
}

TEST(SumString, FindWithStartSkipsTheStartPosition) {
  SUM_String abc("abc");
  EXPECT_EQ(abc.Find('a', 0), 0);
  EXPECT_EQ(abc.Find('b', 1), -1) << "a start above 0 begins the search at start + 1";
  EXPECT_EQ(abc.Find('c', 1), 2);
  EXPECT_EQ(abc.Find('a', -1), -1);
  EXPECT_EQ(abc.Find('a', 3), -1);
  EXPECT_EQ(abc.Find("bc"), 1);
  EXPECT_EQ(abc.Find(""), -1);
  EXPECT_EQ(abc.Find(static_cast<const char*>(nullptr)), -1);
  EXPECT_EQ(abc.Find('z'), -1);
}

TEST(SumString, ReverseFindGivesTheLastPosition) {
  SUM_String s("a/b/c");
  EXPECT_EQ(s.ReverseFind('/'), 3);
  EXPECT_EQ(SUM_String("xxaxxa").ReverseFind("xa"), 4);
  EXPECT_EQ(s.ReverseFind("q"), -1);
}

TEST(SumString, SlicesAreCutAtTheEnds) {
  SUM_String s("stream");
  EXPECT_STREQ(s.Left(3), "str");
  EXPECT_STREQ(s.Left(99), "stream");
  EXPECT_STREQ(s.Right(4), "ream");
  EXPECT_STREQ(s.Right(99), "stream");
  EXPECT_STREQ(s.Mid(2), "ream");
  EXPECT_STREQ(s.Mid(6), "");
  EXPECT_STREQ(s.Mid(2, 2), "re");
  EXPECT_STREQ(s.Mid(4, 10), "am");
}

TEST(SumString, BufferAccessAndFormat) {
  SUM_String s("abc");
  char* buf = s.GetBuffer(10);
  EXPECT_STREQ(buf, "abc") << "the content is kept";
  std::strcpy(buf, "abcdefgh");
  s.ReleaseBuffer(4);
  EXPECT_STREQ(s, "abcd");
  s.Format("%s-%03d", "bl", 7);
  EXPECT_STREQ(s, "bl-007");
  std::string huge(40000, 'x');
  s.Format("%s", huge.c_str());
  EXPECT_EQ(s.GetLength(), 32767) << "formatting is bounded by its shared buffer";
}

TEST(SumString, ComparisonsCollateAndTreatNullAsEmpty) {
  SUM_String a("alpha");
  EXPECT_TRUE(a == "alpha");
  EXPECT_TRUE(a != "beta");
  EXPECT_TRUE(a < SUM_String("beta"));
  EXPECT_TRUE(SUM_String("beta") >= a);
  EXPECT_GT(a.Compare(nullptr), 0);
  EXPECT_EQ(SUM_String().Compare(nullptr), 0);
  EXPECT_EQ(SUM_String("Stream").CompareNoCase("sTREAM"), 0);
  EXPECT_NE(SUM_String("Stream").CompareNoCase("streams"), 0);
}

}  // namespace
