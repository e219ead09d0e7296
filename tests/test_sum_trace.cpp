// SUM_Trace: indentation, levels, timed exit lines, info and status lines.
#include <gtest/gtest.h>

#include "services/date.h"
#include "services/imsg.h"
#include "sum/sum_trace.h"
#include "support/imsg_capture.h"

namespace {

using test_support::ImsgCapture;

// A clock that hands out a scripted list of times.
std::vector<date_timeval_t> g_times;
size_t g_next_time = 0;
void scripted_clock(date_timeval_t* tv) {
  *tv = g_next_time < g_times.size() ? g_times[g_next_time++] : date_timeval_t{};
}

class TraceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    imsg_set_trace_filter(nullptr);
    g_times.clear();
    g_next_time = 0;
  }
  void TearDown() override {
    imsg_clear_desired_verbosity();
    imsg_clear_trace_filter();
    date_set_clock(nullptr);
  }
  // Trace lines with their elapsed time cut off, for comparison.
  static std::vector<std::string> without_times(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (auto line : lines) {
      size_t exit_at = line.find(": exit ");
      if (exit_at != std::string::npos)
        line = line.substr(0, exit_at + 6) + "\n";
      out.push_back(line);
    }
    return out;
  }
};

TEST_F(TraceTest, NestedScopesIndentByFourAndExitInReverseOrder) {
  imsg_set_desired_verbosity(4);
  ImsgCapture capture;
  {
    SUM_Trace outer("outer");
    {
      SUM_Trace middle("middle");
      { SUM_Trace inner("inner"); }
    }
  }
  std::vector<std::string> expected = {
      "outer: enter\n",        "    middle: enter\n", "        inner: enter\n",
      "        inner: exit\n", "    middle: exit\n",  "outer: exit\n",
  };
  EXPECT_EQ(without_times(capture.texts(IMSG_TRACE)), expected);
  EXPECT_EQ(capture.all().size(), 6u) << "trace output goes to severity 8 only";
  EXPECT_STREQ(sum_trace_indentation(), "") << "indentation returns to the start after the scopes";
}

TEST_F(TraceTest, SilentScopeStillShiftsIndentation) {
  imsg_set_desired_verbosity(3);
  ImsgCapture capture;
  {
    SUM_Trace quiet("quiet", 4);
    SUM_Trace loud("loud", 3);
  }
  EXPECT_EQ(without_times(capture.texts(IMSG_TRACE)),
            (std::vector<std::string>{"    loud: enter\n", "    loud: exit\n"}));
}

TEST_F(TraceTest, ExitLineBorrowsMicrosecondsFromSeconds) {
  imsg_set_desired_verbosity(4);
  g_times = {{10, 900000}, {12, 100000}};
  date_set_clock(scripted_clock);
  ImsgCapture capture;
  { SUM_Trace scope("SUM_Activity::set_name"); }
  EXPECT_EQ(capture.texts(IMSG_TRACE),
            (std::vector<std::string>{"SUM_Activity::set_name: enter\n",
                                      "SUM_Activity::set_name: exit 1.200000\n"}));
}

TEST_F(TraceTest, VerbosityBelowLevelPrintsNothingAndTakesNoTime) {
  imsg_set_desired_verbosity(2);
  date_set_clock(scripted_clock);
  ImsgCapture capture;
  {
    SUM_Trace scope("op");
    scope.info(3, "hidden %d", 1);
    scope.start_timer(3);
    scope.print_timer(3);
  }
  EXPECT_TRUE(capture.all().empty());
  EXPECT_EQ(g_next_time, 0u) << "the clock is not read when tracing is off";
}

TEST_F(TraceTest, StatusLineShowsAtLevelOneWithoutEnterAndExit) {
  imsg_set_desired_verbosity(1);
  ImsgCapture capture;
  {
    SUM_Trace scope("SUM_Stream::create");
    scope.status_line(120, 1001);
  }
  EXPECT_EQ(capture.texts(IMSG_TRACE),
            (std::vector<std::string>{"SUM_Stream::create line 120; status = 1001\n"}));
}

TEST_F(TraceTest, InfoAndTimerLinesCarryIndentationAndInterval) {
  imsg_set_desired_verbosity(4);
  g_times = {{1, 0}, {2, 0}, {5, 250000}, {6, 100000}};
  date_set_clock(scripted_clock);
  ImsgCapture capture;
  {
    SUM_Trace outer("outer");
    SUM_Trace scope("inner");
    scope.info(2, "conflict: %s", "dev_1");
    scope.start_timer(4);
    scope.print_timer(4);
  }
  auto lines = capture.texts(IMSG_TRACE);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[2], "    inner: conflict: dev_1\n");
  EXPECT_EQ(lines[3], "0.850000 \n");
}

TEST_F(TraceTest, TraceFilterWithoutSumSilencesScopes) {
  imsg_set_desired_verbosity(4);
  imsg_set_trace_filter("merge,view");
  ImsgCapture capture;
  { SUM_Trace scope("op"); }
  EXPECT_TRUE(capture.all().empty());
  imsg_set_trace_filter("view, sum");
  { SUM_Trace scope("op"); }
  EXPECT_EQ(capture.all().size(), 2u);
}

TEST_F(TraceTest, VerbosityAndFilterComeFromEnvironmentAtEachDecision) {
  imsg_clear_desired_verbosity();
  imsg_clear_trace_filter();
  setenv("IMSG_VERBOSITY", "4", 1);
  setenv("IMSG_TRACE", "sum", 1);
  SUM_Trace scope("op");
  EXPECT_EQ(scope.is_on(4), 1);
  setenv("IMSG_VERBOSITY", "3", 1);
  EXPECT_EQ(scope.is_on(4), 0);
  EXPECT_EQ(scope.is_on(3), 1);
  setenv("IMSG_TRACE", "view", 1);
  EXPECT_EQ(scope.is_on(3), 0);
  unsetenv("IMSG_VERBOSITY");
  unsetenv("IMSG_TRACE");
  EXPECT_EQ(scope.is_on(1), 0);
}

TEST_F(TraceTest, DeepNestingCapsIndentation) {
  std::vector<std::unique_ptr<SUM_Trace>> scopes;
  for (int i = 0; i < 300; ++i)
    scopes.push_back(std::make_unique<SUM_Trace>("deep"));
  EXPECT_EQ(std::string(sum_trace_indentation()).size(), 1024u);
  while (!scopes.empty())
    scopes.pop_back();
  EXPECT_STREQ(sum_trace_indentation(), "");
}

}  // namespace
