// KORVANE_ASSERT(cond): an invariant the code relies on, checked in builds
// made with assertions (a Debug build, or -DKORVANE_ASSERTIONS=ON; the test
// builds of the Makefile turn them on) and compiled out otherwise.
//
// An assertion states what must hold whatever a caller passes: a broken one
// is a fault of this code, never a user's error, so it answers no status.
// When it fails, the condition, file and line go to stderr and the process
// aborts. Keep conditions cheap and free of side effects: in a build without
// assertions they are not evaluated.
#ifndef SERVICES_KORVANE_ASSERT_H
#define SERVICES_KORVANE_ASSERT_H

#if defined(KORVANE_ASSERTIONS) && KORVANE_ASSERTIONS

#include <cstdio>
#include <cstdlib>

// Prints "file:line: invariant failed: condition" and aborts.
[[noreturn]] inline void korvane_assert_failed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: invariant failed: %s\n", file, line, condition);
  std::fflush(stderr);
  std::abort();
}

#define KORVANE_ASSERT(cond) \
  ((cond) ? static_cast<void>(0) : korvane_assert_failed(#cond, __FILE__, __LINE__))

#else

// Not evaluated; the operand keeps variables used only here from warning.
#define KORVANE_ASSERT(cond) static_cast<void>(sizeof(!(cond)))

#endif

#endif  // SERVICES_KORVANE_ASSERT_H
