#include "support/vantool_runner.h"

namespace test_support {

ProcessResult vantool(std::vector<std::string> args, const Env& env) {
  args.insert(args.begin(), VANTOOL_PATH);
  Env quiet = {{"IMSG_VERBOSITY", std::nullopt}, {"IMSG_TRACE", std::nullopt}};
  for (const auto& [k, v] : env)
    quiet[k] = v;
  return run_program(args, quiet);
}

}  // namespace test_support
