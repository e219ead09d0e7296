// Date services: the time of day, replaceable for exact elapsed times.
#include "services/date.h"

#include <sys/time.h>
#include <time.h>

#include <cstdio>

namespace {

date_clock_fn& clock_override() {
  static date_clock_fn fn = nullptr;
  return fn;
}

// `sec` broken down in local time.
struct tm local_time(long sec) {
  time_t t = static_cast<time_t>(sec);
  struct tm parts;
  if (localtime_r(&t, &parts) == nullptr)
    parts = tm();
  return parts;
}

std::string format(long sec, const char* pattern) {
  struct tm parts = local_time(sec);
  char buf[64];
  size_t n = strftime(buf, sizeof buf, pattern, &parts);
  return std::string(buf, n);
}

}  // namespace

void date_get_timeval(date_timeval_t* tv) {
  if (tv == nullptr)
    return;
  if (clock_override() != nullptr) {
    clock_override()(tv);
    return;
  }
  struct timeval now;
  gettimeofday(&now, nullptr);
  tv->sec = now.tv_sec;
  tv->usec = now.tv_usec;
}

void date_set_clock(date_clock_fn clock) {
  clock_override() = clock;
}

std::string date_fmt_token_date_time(long sec) {
  return format(sec, "%Y-%m-%dT%H:%M:%S");
}

std::string date_fmt_numeric_token(long sec, int token) {
  switch (token) {
    case DATE_TOKEN_TIME:
      return format(sec, "%H%M%S");
    case DATE_TOKEN_DATE_TIME:
      return format(sec, "%Y%m%d.%H%M%S");
    case DATE_TOKEN_DATE:
      return format(sec, "%Y%m%d");
    default:
      return std::string();
  }
}

std::string date_fmt_short_date_time(long sec) {
  return format(sec, "%d-%b-%y.%H:%M:%S");
}
