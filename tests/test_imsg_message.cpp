// Printing catalog entries by symbol: arguments reach the format as the
// caller passed them, whatever string type they come in, and an entry chosen
// at run time that does not take the arguments says so instead of reading
// garbage.
#include <gtest/gtest.h>

#include <string>

#include "sum/sum_string.h"
#include "support/imsg_capture.h"
#include "test_messages_catalog.h"

namespace {

using test_support::ImsgCapture;

TEST(ImsgMessage, PrintsWithEveryKindOfArgument) {
  ImsgCapture capture;
  std::string name = "dev";
  imsg_print(IMSG_INFO, test_messages_msg::NamedStream, name, 3);
  imsg_print(IMSG_INFO, test_messages_msg::NamedStream, SUM_String("int"), -1);
  imsg_print(IMSG_INFO, test_messages_msg::NamedStream, "lit", 0);
  imsg_print(IMSG_INFO, test_messages_msg::Counted, 7u, 9ul, "ab", 'x');
  imsg_print(IMSG_INFO, test_messages_msg::Starred, 5, 42);
  imsg_print(IMSG_INFO, test_messages_msg::Percent, "done");
  imsg_print(IMSG_INFO, test_messages_msg::Plain);
  EXPECT_EQ(capture.joined(IMSG_INFO),
            "Stream \"dev\" has 3 activities.\n"
            "Stream \"int\" has -1 activities.\n"
            "Stream \"lit\" has 0 activities.\n"
            "7 of 9, ab    |x\n"
            "[   42]\n"
            "100% of done\n"
            "Nothing to fill in.\n");
}

TEST(ImsgMessage, ErrorsCarryTheHeaderAndCount) {
  ImsgCapture capture;
  int before = imsg_error_count();
  imsg_print(IMSG_ERROR, test_messages_msg::Plain);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "Nothing to fill in.\n");
  EXPECT_EQ(imsg_error_count(), before + 1);
}

TEST(ImsgMessage, FormatsAndTexts) {
  EXPECT_EQ(imsg_format(test_messages_msg::NamedStream, "int", 12),
            "Stream \"int\" has 12 activities.\n");
  std::string long_name(3000, 'n');
  EXPECT_EQ(imsg_format(test_messages_msg::Percent, long_name), "100% of " + long_name + "\n")
      << "no length limit";
  EXPECT_STREQ(imsg_text(test_messages_msg::NamedStream), "Stream \"%s\" has %d activities.\n");
}

TEST(ImsgMessage, EntriesChosenAtRunTimeAreCheckedWhenFormatted) {
  test_messages_msg chosen = imsg_offset(test_messages_msg::Plain, 1);
  EXPECT_EQ(chosen, test_messages_msg::NamedStream);
  EXPECT_EQ(imsg_format_chosen(chosen, "a", 1), "Stream \"a\" has 1 activities.\n");
  EXPECT_EQ(imsg_format_chosen(chosen, 1, "a"),
            "Message 1 of catalog \"test/messages\" does not take these arguments.\n");
  EXPECT_EQ(imsg_format_chosen(chosen, "a"),
            "Message 1 of catalog \"test/messages\" does not take these arguments.\n")
      << "too few arguments";
  EXPECT_EQ(imsg_format_chosen(imsg_offset(test_messages_msg::Plain, 40)),
            "Message 40 of catalog \"test/messages\" does not take these arguments.\n")
      << "outside the catalog";
}

}  // namespace
