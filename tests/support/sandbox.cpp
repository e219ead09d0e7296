#include "support/sandbox.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace test_support {

TempHome::TempHome() {
  char tmpl[] = "/tmp/korvane-test-XXXXXX";
  if (mkdtemp(tmpl) == nullptr)
    throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
  const char* old = std::getenv("KORVANE_HOME");
  if (old != nullptr) {
    had_saved_ = true;
    saved_ = old;
  }
  setenv("KORVANE_HOME", path_.c_str(), 1);
}

TempHome::~TempHome() {
  if (had_saved_)
    setenv("KORVANE_HOME", saved_.c_str(), 1);
  else
    unsetenv("KORVANE_HOME");
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

namespace {

void apply_env(const Env& env) {
  for (const auto& [k, v] : env) {
    if (v.has_value())
      setenv(k.c_str(), v->c_str(), 1);
    else
      unsetenv(k.c_str());
  }
}

std::string slurp_fd(int fd) {
  std::string out;
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0)
    out.append(buf, static_cast<size_t>(n));
  return out;
}

// Forks; the child runs `child` with its output going to two temporary files
// that the parent reads back after the child ends.
ProcessResult fork_and_capture(const std::function<void()>& child) {
  char out_path[] = "/tmp/korvane-out-XXXXXX";
  char err_path[] = "/tmp/korvane-err-XXXXXX";
  int out_fd = mkstemp(out_path);
  int err_fd = mkstemp(err_path);
  std::fflush(stdout);
  std::fflush(stderr);
  pid_t pid = fork();
  if (pid == 0) {
    int null_fd = open("/dev/null", O_RDONLY);
    dup2(null_fd, 0);
    dup2(out_fd, 1);
    dup2(err_fd, 2);
    child();
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(0);
  }
  ProcessResult result;
  int status = 0;
  waitpid(pid, &status, 0);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  lseek(out_fd, 0, SEEK_SET);
  lseek(err_fd, 0, SEEK_SET);
  result.out = slurp_fd(out_fd);
  result.err = slurp_fd(err_fd);
  close(out_fd);
  close(err_fd);
  unlink(out_path);
  unlink(err_path);
  return result;
}

}  // namespace

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  if (const char* old = std::getenv(name))
    saved_ = old;
  if (value != nullptr)
    setenv(name, value, 1);
  else
    unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
  if (saved_)
    setenv(name_.c_str(), saved_->c_str(), 1);
  else
    unsetenv(name_.c_str());
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void write_file(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

ProcessResult run_program(const std::vector<std::string>& argv, const Env& env) {
  return fork_and_capture([&] {
    apply_env(env);
    std::vector<char*> args;
    for (const auto& a : argv)
      args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    std::perror("execv");
    _exit(127);
  });
}

ProcessResult run_in_child(const std::function<void()>& body, const Env& env) {
  return fork_and_capture([&] {
    apply_env(env);
    body();
  });
}

}  // namespace test_support
