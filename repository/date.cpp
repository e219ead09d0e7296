// Date services: the time of day, replaceable for exact elapsed times.
#include "services/date.h"

#include <sys/time.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "services/tbs.h"

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

int date_parse_token_date_time(const char* text, long* sec) {
  if (text == nullptr || sec == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  std::string t = text;
  bool date_only = t.size() == 10;
  if (!date_only && !(t.size() == 19 && t[10] == 'T'))
    return TBS_ST_BAD_ARGUMENT;
  // Digits where the form has them, separators where it has them.
  const char* form = date_only ? "dddd-dd-dd" : "dddd-dd-ddTdd:dd:dd";
  for (size_t i = 0; i < t.size(); ++i) {
    bool digit = t[i] >= '0' && t[i] <= '9';
    if ((form[i] == 'd') != digit || (form[i] != 'd' && form[i] != t[i]))
      return TBS_ST_BAD_ARGUMENT;
  }
  struct tm parts = tm();
  parts.tm_year = std::atoi(t.substr(0, 4).c_str()) - 1900;
  parts.tm_mon = std::atoi(t.substr(5, 2).c_str()) - 1;
  parts.tm_mday = std::atoi(t.substr(8, 2).c_str());
  if (!date_only) {
    parts.tm_hour = std::atoi(t.substr(11, 2).c_str());
    parts.tm_min = std::atoi(t.substr(14, 2).c_str());
    parts.tm_sec = std::atoi(t.substr(17, 2).c_str());
  }
  parts.tm_isdst = -1;
  struct tm asked = parts;
  time_t made = mktime(&parts);
  // mktime carries an out-of-range field over ("2026-02-30" becomes
  // March 2nd): such a text names no time.
  if (made == static_cast<time_t>(-1) || parts.tm_year != asked.tm_year ||
      parts.tm_mon != asked.tm_mon || parts.tm_mday != asked.tm_mday ||
      parts.tm_min != asked.tm_min || parts.tm_sec != asked.tm_sec)
    return TBS_ST_BAD_ARGUMENT;
  *sec = static_cast<long>(made);
  return TBS_ST_OK;
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
