// SUM_Trace: scoped enter/exit trace lines with elapsed times.
#include "sum/sum_trace.h"

#include <cstdarg>
#include <cstdio>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"

namespace {

constexpr const char* kFacility = "sum";
constexpr int kIndentBytes = 1024;
constexpr int kIndentStep = 4;

// The shared indentation: 1024 spaces and a terminating zero, allocated on
// first use and never freed, and the number of open scopes.
struct Indentation {
  char* buffer = nullptr;
  int depth = 0;

  const char* current() const {
    int spaces = (depth - 1) * kIndentStep;
    if (spaces < 0)
      spaces = 0;
    if (spaces > kIndentBytes)
      spaces = kIndentBytes;
    return buffer + kIndentBytes - spaces;
  }
};

Indentation& indentation() {
  static Indentation ind;
  if (ind.buffer == nullptr) {
    ind.buffer = new char[kIndentBytes + 1];
    for (int i = 0; i < kIndentBytes; ++i)
      ind.buffer[i] = ' ';
    ind.buffer[kIndentBytes] = '\0';
  }
  return ind;
}

bool wanted(long level) {
  return imsg_get_desired_verbosity() >= level &&
         imsg_should_trace(kFacility, static_cast<int>(level));
}

// `end` minus `start`, borrowing from the seconds while microseconds are negative.
date_timeval_t elapsed(const date_timeval_t& start, const date_timeval_t& end) {
  date_timeval_t d;
  d.sec = end.sec - start.sec;
  d.usec = end.usec - start.usec;
  while (d.usec < 0) {
    d.usec += 1000000;
    d.sec -= 1;
  }
  return d;
}

}  // namespace

const char* sum_trace_indentation() {
  return indentation().current();
}

SUM_Trace::SUM_Trace(const char* name) : SUM_Trace(name, 4) {}

SUM_Trace::SUM_Trace(const char* name, long level) : name_(name), level_(level) {
  Indentation& ind = indentation();
  ++ind.depth;
  if (wanted(level_)) {
    date_get_timeval(&start_);
    imsg_trace_print(kFacility, sum_msg::Enter, ind.current(), name_);
  }
}

SUM_Trace::~SUM_Trace() {
  Indentation& ind = indentation();
  if (wanted(level_)) {
    date_get_timeval(&end_);
    date_timeval_t d = elapsed(start_, end_);
    imsg_trace_print(kFacility, sum_msg::TraceExitTimed, ind.current(), name_,
                     static_cast<int>(d.sec), static_cast<int>(d.usec));
  }
  --ind.depth;
}

int SUM_Trace::is_on(long level) const {
  return wanted(level) ? 1 : 0;
}

void SUM_Trace::info(long level, const char* format, ...) const {
  static char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (wanted(level))
    imsg_trace_print(kFacility, sum_msg::TraceNote, indentation().current(), name_, text);
}

void SUM_Trace::start_timer(long level) {
  if (wanted(level))
    date_get_timeval(&timer_);
}

void SUM_Trace::print_timer(long level) {
  if (!wanted(level))
    return;
  date_timeval_t now;
  date_get_timeval(&now);
  date_timeval_t d = elapsed(timer_, now);
  imsg_trace_print_literal(kFacility, "%d.%06d \n", static_cast<int>(d.sec),
                           static_cast<int>(d.usec));
}

void SUM_Trace::status_line(int line, int status) const {
  if (is_on(1))
    imsg_trace_print_literal(kFacility, "%s line %d; status = %d\n", name_, line, status);
}
