// A fresh KORVANE_HOME for one test, and running programs with captured output.
#ifndef TESTS_SUPPORT_SANDBOX_H
#define TESTS_SUPPORT_SANDBOX_H

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace test_support {

// Environment changes: a value sets the variable (possibly to the empty
// string), nullopt unsets it.
using Env = std::map<std::string, std::optional<std::string>>;

// Creates a temporary directory, points KORVANE_HOME at it, and removes it
// (restoring the previous KORVANE_HOME) when destroyed.
class TempHome {
 public:
  TempHome();
  ~TempHome();
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string saved_;
  bool had_saved_ = false;
};

// Sets an environment variable for one scope (a null value unsets it) and
// restores what was there before.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> saved_;
};

// The whole content of the file at `path` ("" when it cannot be read).
std::string read_file(const std::string& path);
// Replaces the content of the file at `path` with `text`.
void write_file(const std::string& path, const std::string& text);
// Whether `text` holds `part` anywhere (an output or a message).
inline bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

struct ProcessResult {
  int exit_code = -1;  // exit status, or 128 + signal
  std::string out;     // standard output
  std::string err;     // standard error
};

// Runs `argv` with `env` applied to the environment,
// standard input from /dev/null, and captures both output streams.
ProcessResult run_program(const std::vector<std::string>& argv, const Env& env = {});

// Runs `body` in a forked child with `env` applied and returns what the child
// printed; the child exits with 0 after `body`.
ProcessResult run_in_child(const std::function<void()>& body, const Env& env = {});

}  // namespace test_support

#endif  // TESTS_SUPPORT_SANDBOX_H
