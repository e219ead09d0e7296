// Runs the built vantool in the test's KORVANE_HOME with tracing switched off.
#ifndef TESTS_SUPPORT_VANTOOL_RUNNER_H
#define TESTS_SUPPORT_VANTOOL_RUNNER_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/sandbox.h"

namespace test_support {

// `vantool ARGS...` with `env` applied on top of a quiet environment.
ProcessResult vantool(std::vector<std::string> args, const Env& env = {});

// The standard output of `vantool ARGS...`, which must succeed.
inline std::string vantool_out(std::vector<std::string> args, const Env& env = {}) {
  ProcessResult r = vantool(std::move(args), env);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return r.out;
}

// The standard error of `vantool ARGS...`, which must fail with exit status 1.
inline std::string vantool_err(std::vector<std::string> args, const Env& env = {}) {
  ProcessResult r = vantool(std::move(args), env);
  EXPECT_EQ(r.exit_code, 1) << r.err;
  return r.err;
}

// Holds when `vantool ARGS...` fails with exit status 1 and its standard
// error contains each of `parts`.
inline ::testing::AssertionResult vantool_refuses(const std::vector<std::string>& parts,
                                                  std::vector<std::string> args,
                                                  const Env& env = {}) {
  ProcessResult r = vantool(std::move(args), env);
  if (r.exit_code != 1)
    return ::testing::AssertionFailure() << "exit status " << r.exit_code << ", stderr: " << r.err;
  for (const std::string& part : parts)
    if (r.err.find(part) == std::string::npos)
      return ::testing::AssertionFailure() << "stderr lacks \"" << part << "\": " << r.err;
  return ::testing::AssertionSuccess();
}

}  // namespace test_support

#endif  // TESTS_SUPPORT_VANTOOL_RUNNER_H
