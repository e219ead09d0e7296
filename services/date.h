// Date and time services.
#ifndef SERVICES_DATE_H
#define SERVICES_DATE_H

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

#endif  // SERVICES_DATE_H
