// Date services: the time of day, replaceable for exact elapsed times.
#include "services/date.h"

#include <sys/time.h>

namespace {

date_clock_fn& clock_override() {
  static date_clock_fn fn = nullptr;
  return fn;
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
