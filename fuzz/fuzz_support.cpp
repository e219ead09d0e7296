// Shared set-up and checks of the fuzz targets.
#include "fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "services/imsg.h"

namespace {

void discard(const char*, void*) {}

}  // namespace

void fuzz_init() {
  static bool done = false;
  if (done)
    return;
  done = true;
  const char* tmp = std::getenv("TMPDIR");
  std::string home =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/korvane-fuzz-XXXXXX";
  if (mkdtemp(home.data()) == nullptr) {
    std::perror("mkdtemp");
    std::abort();
  }
  setenv("KORVANE_HOME", home.c_str(), 1);
  imsg_proc_t procs[IMSG_NUM_PROCS];
  for (auto& proc : procs)
    proc = discard;
  imsg_set_redirect_procs(procs, nullptr);
}

void fuzz_fail(const char* file, int line, const char* condition, const std::string& note) {
  std::fprintf(stderr, "%s:%d: property broken: %s\n  %s\n", file, line, condition, note.c_str());
  std::abort();
}

std::string fuzz_text(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  return std::string(text, strnlen(text, size));
}
