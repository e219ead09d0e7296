// SUM_Imsg, SUM_ImsgPresenter, SUM_ImsgRedirector and internal errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "services/imsg.h"
#include "services/tbs.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_imsg.h"
#include "sum/sum_status.h"
#include "support/imsg_capture.h"
#include "support/sandbox.h"

namespace {

using test_support::ImsgCapture;

TEST(ImsgRedirector, FreshRedirectorIsEmpty) {
  SUM_ImsgRedirector r;
  EXPECT_EQ(r.count(), 0);
  EXPECT_STREQ(r.messages(), "");
  EXPECT_EQ(r.last_was_warning(), 0);
  EXPECT_EQ(r.last_was_error(), 0);
}

TEST(ImsgRedirector, CapturesByTypeAndKeepsOrder) {
  ImsgCapture outside;
  SUM_ImsgRedirector r;
  imsg_print(IMSG_ERROR, &sum_stream_catalog, 51, "dev");
  imsg_print_literal(IMSG_WARNING, "careful %d\n", 7);
  imsg_print_literal(IMSG_INFO, "done\n");
  imsg_print_literal(7, "severity seven\n");
  ASSERT_EQ(r.count(), 4);
  EXPECT_STREQ(r.message(0), "Parent stream \"dev\" is read only.\n");
  EXPECT_EQ(r.type(0), 6);
  EXPECT_EQ(r.type(1), 4);
  EXPECT_EQ(r.type(2), 0);
  EXPECT_EQ(r.type(3), 6) << "severity 7 is captured as an error";
  EXPECT_STREQ(r.messages(),
               "Parent stream \"dev\" is read only.\ncareful 7\ndone\nseverity seven\n");
  EXPECT_TRUE(outside.all().empty()) << "captured messages are not shown";
}

TEST(ImsgRedirector, FlagsFollowTheLastMessage) {
  ImsgCapture outside;
  SUM_ImsgRedirector r;
  imsg_print_literal(IMSG_WARNING, "w\n");
  EXPECT_EQ(r.last_was_warning(), 1);
  imsg_print_literal(IMSG_INFO, "i\n");
  EXPECT_EQ(r.last_was_warning(), 0);
  imsg_print_literal(IMSG_ERROR, "e\n");
  EXPECT_EQ(r.last_was_error(), 1);
  r.clear();
  EXPECT_EQ(r.count(), 0);
  EXPECT_EQ(r.last_was_error(), 0);
}

TEST(ImsgRedirector, TraceAndFragmentsPassToPreviousHandlers) {
  ImsgCapture outside;
  {
    SUM_ImsgRedirector r;
    imsg_print_literal(IMSG_TRACE, "trace\n");
    imsg_print_literal(IMSG_FRAGMENT, "    ");
    imsg_print_literal(IMSG_NOTICE, "notice\n");
    EXPECT_EQ(r.count(), 0);
  }
  EXPECT_EQ(outside.joined(IMSG_TRACE), "trace\n");
  EXPECT_EQ(outside.joined(IMSG_FRAGMENT), "    ");
  EXPECT_EQ(outside.joined(IMSG_NOTICE), "notice\n");
}

TEST(ImsgRedirector, NestedRedirectorsRestoreWhatTheyReplaced) {
  ImsgCapture outside;
  {
    SUM_ImsgRedirector outer;
    {
      SUM_ImsgRedirector inner;
      imsg_print_literal(IMSG_ERROR, "inner\n");
      EXPECT_EQ(inner.count(), 1);
      EXPECT_EQ(outer.count(), 0);
    }
    imsg_print_literal(IMSG_ERROR, "outer\n");
    EXPECT_EQ(outer.count(), 1);
    EXPECT_STREQ(outer.message(0), "outer\n");
  }
  imsg_print_literal(IMSG_ERROR, "after\n");
  EXPECT_EQ(outside.joined(IMSG_ERROR), "after\n");
}

TEST(ImsgRedirector, SkipShowsMessageThroughPreviousHandler) {
  ImsgCapture outside;
  SUM_ImsgRedirector r;
  r.skip("shown anyway\n", IMSG_WARNING);
  EXPECT_EQ(r.count(), 0);
  EXPECT_EQ(outside.joined(IMSG_WARNING), "shown anyway\n");
}

// A derived redirector sees every message through its own add().
class CountingRedirector : public SUM_ImsgRedirector {
 public:
  void add(const char* text, int type) override {
    ++calls;
    SUM_ImsgRedirector::add(text, type);
  }
  int calls = 0;
};

TEST(ImsgRedirector, HandlersCallAddThroughTheVirtualTable) {
  CountingRedirector r;
  imsg_print_literal(IMSG_INFO, "a\n");
  imsg_print_literal(IMSG_ERROR, "b\n");
  EXPECT_EQ(r.calls, 2);
}

// The lost-output decision is made once per process, so each case runs in a
// fresh process of its own.
TEST(ImsgRedirector, LostOutputNoticeListsCapturedMessages) {
  auto probe = [](const test_support::Env& env) {
    return test_support::run_program({LOST_OUTPUT_PROBE_PATH}, env).out;
  };
  EXPECT_EQ(probe({{"IMSG_LOST_OUTPUT", "1"}}),
            "Notice: some imsg output may not have been displayed:\nfirst\nsecond\n");
  EXPECT_EQ(probe({{"IMSG_LOST_OUTPUT", ""}}), "");
  EXPECT_EQ(probe({{"IMSG_LOST_OUTPUT", std::nullopt}}), "");
}

TEST(Imsg, FormatKeepsTheFormattedCatalogText) {
  SUM_Imsg m;
  m.Format(&sum_stream_catalog, 55, "/pvob");
  EXPECT_STREQ(m.str(),
               "Cannot create read only stream.  The PVOB \"/pvob\" is below feature level 3.\n");
  SUM_Imsg copy = m;
  EXPECT_STREQ(copy.string(), m.str());
}

TEST(ImsgPresenter, PrintsAtItsSeverityAndAsksThePrompt) {
  ImsgCapture capture;
  SUM_ImsgPresenter p;
  EXPECT_EQ(p.ok("fine %s\n"), 0);
  EXPECT_EQ(p.warn("hmm\n"), 0);
  EXPECT_EQ(p.error("bad\n"), 0);
  EXPECT_EQ(capture.joined(IMSG_INFO), "fine %s\n") << "the text is printed as a literal";
  EXPECT_EQ(capture.joined(IMSG_WARNING), "hmm\n");
  EXPECT_EQ(capture.joined(IMSG_ERROR), "bad\n");

  FILE* input = tmpfile();
  std::fputs("maybe\nyes\n", input);
  std::rewind(input);
  imsg_set_prompt_input(input);
  long answer = -1;
  EXPECT_EQ(p.prompt_yes_no(4, "Cancel the deliver?", 12, 8, answer), 0);
  EXPECT_EQ(answer, 1) << "an unrecognised answer is asked again";
  answer = -1;
  EXPECT_EQ(p.prompt_yes_no(4, "Again?", 12, 8, answer), 0);
  EXPECT_EQ(answer, 0) << "end of input answers no";
  imsg_set_prompt_input(nullptr);
  std::fclose(input);
  auto questions = capture.texts(4);
  ASSERT_EQ(questions.size(), 4u) << "warn() and the question, asked three times, at severity 4";
  EXPECT_EQ(questions[1], "Cancel the deliver? [no] ");
  EXPECT_EQ(questions[3], "Again? [no] ");
}

TEST(InternalError, LogsOneRecordAndReturns1072) {
  test_support::TempHome home;
  ImsgCapture capture;
  EXPECT_EQ(sum_int_error("sum_activity", "SUM_Activity::set_name", 212), 1072);
  EXPECT_EQ(sum_int_error("sum_stream", "SUM_Stream::create", 40), 1072);
  std::vector<tbs_int_error_record> records;
  ASSERT_EQ(tbs_read_int_error_log(records), 0);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].source_file, "sum_activity");
  EXPECT_EQ(records[0].operation, "SUM_Activity::set_name");
  EXPECT_EQ(records[0].catalog, "tbs");
  EXPECT_EQ(records[0].entry, 35);
  EXPECT_EQ(records[0].line, 212);
  EXPECT_EQ(records[0].extra, 0);
  EXPECT_EQ(records[1].operation, "SUM_Stream::create");
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "Internal error in SUM_Activity::set_name (sum_activity line 212).\n"
            "Internal error in SUM_Stream::create (sum_stream line 40).\n");
}

// The log is shared by every process: a line some other writer made, or one
// cut short, is skipped or read as it stands, never a failure of the reader.
TEST(InternalError, ForeignAndDamagedLinesDoNotStopTheReader) {
  test_support::TempHome home;
  ImsgCapture capture;
  EXPECT_EQ(sum_int_error("sum_stream", "SUM_Stream::create", 40), 1072);
  {
    std::ofstream log(tbs_int_error_log_path(), std::ios::app);
    log << "2026-12-06T02:15:20Z time=1 pid=2 source=a%zz%4 catalog=tbs entry=35 "
           "operation=op%-1%+f% line=3 extra=0\n"
        << "torn line source=%\n";
  }
  EXPECT_EQ(sum_int_error("sum_view", "SUM_View::create", 7), 1072);
  std::vector<tbs_int_error_record> records;
  ASSERT_EQ(tbs_read_int_error_log(records), 0);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].operation, "SUM_Stream::create");
  EXPECT_EQ(records[1].source_file, "a%zz%4") << "no escape: kept as written";
  EXPECT_EQ(records[1].operation, "op%-1%+f%");
  EXPECT_EQ(records[1].line, 3);
  EXPECT_EQ(records[2].operation, "SUM_View::create");
}

TEST(InternalError, MissingLogReadsAsEmpty) {
  test_support::TempHome home;
  std::vector<tbs_int_error_record> records(3);
  EXPECT_EQ(tbs_read_int_error_log(records), 0);
  EXPECT_TRUE(records.empty());
}

}  // namespace
