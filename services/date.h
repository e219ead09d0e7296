// Date and time services.
#ifndef SERVICES_DATE_H
#define SERVICES_DATE_H

#include <string>

// A time of day: seconds and microseconds since the epoch.
struct date_timeval_t {
  long sec = 0;
  long usec = 0;
};

// Fills `tv` with the current time of day.
void date_get_timeval(date_timeval_t* tv);

// Replaces the clock that date_get_timeval reads, so that elapsed times can be
// made exact; null restores the system clock. Process-wide.
using date_clock_fn = void (*)(date_timeval_t* tv);
void date_set_clock(date_clock_fn clock);

// Text forms of a time `sec` (seconds since the epoch, local time). Each is
// stable: the same second always gives the same text, and texts of later
// seconds sort after earlier ones within one form.

// "2026-12-06T22:04:05": date and time as one token without blanks.
std::string date_fmt_token_date_time(long sec);

// The time (local) a text of the form date_fmt_token_date_time writes
// names, or a date alone "2026-12-06" (its midnight): 0 and `sec` filled,
// or 1004 for any other text (nothing printed) and `sec` untouched.
int date_parse_token_date_time(const char* text, long* sec);

// Compact numeric tokens for names, chosen by `token`.
enum date_numeric_token : int {
  DATE_TOKEN_TIME = 0,       // "220405"
  DATE_TOKEN_DATE_TIME = 1,  // "20261206.220405"
  DATE_TOKEN_DATE = 4,       // "20261206"
};
// The numeric token `token` of `sec`; "" for another token number.
std::string date_fmt_numeric_token(long sec, int token);

// "06-Dec-26.22:04:05": a short date and time for texts read by people.
std::string date_fmt_short_date_time(long sec);

#endif  // SERVICES_DATE_H
