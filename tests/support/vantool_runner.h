// Runs the built vantool in the test's KORVANE_HOME with tracing switched off.
#ifndef TESTS_SUPPORT_VANTOOL_RUNNER_H
#define TESTS_SUPPORT_VANTOOL_RUNNER_H

#include "support/sandbox.h"

namespace test_support {

// `vantool ARGS...` with `env` applied on top of a quiet environment.
ProcessResult vantool(std::vector<std::string> args, const Env& env = {});

}  // namespace test_support

#endif  // TESTS_SUPPORT_VANTOOL_RUNNER_H
