// Shared set-up and checks of the fuzz targets.
//
// Every target calls fuzz_init() from LLVMFuzzerInitialize: it points
// KORVANE_HOME at a fresh directory under $TMPDIR (default /tmp), so that
// internal-error records land there and never in a user's store, and discards the message service's
// output, so that the refusals a malformed input earns do not flood the terminal.
#ifndef FUZZ_FUZZ_SUPPORT_H
#define FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>

// Prepares the process as described above. Safe to call more than once.
void fuzz_init();

// Reports a broken property (file, line, the condition and a note) on
// standard error and aborts, which libFuzzer records as a crash with the
// input that caused it.
[[noreturn]] void fuzz_fail(const char* file, int line, const char* condition,
                            const std::string& note);

// The fuzz input as text, cut at the first zero byte: the parsers under test
// take C strings or texts read from files, which cannot hold one.
std::string fuzz_text(const uint8_t* data, size_t size);

#define FUZZ_REQUIRE(condition, note)                    \
  do {                                                   \
    if (!(condition))                                    \
      fuzz_fail(__FILE__, __LINE__, #condition, (note)); \
  } while (0)

#endif  // FUZZ_FUZZ_SUPPORT_H
