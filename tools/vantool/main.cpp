// vantool: the command-line face of the product.
//   vantool <command> [options] [operands]
// Exit status 0 on success, 1 on failure, 2 on bad usage.
#include <string>
#include <vector>

#include "services/imsg.h"
#include "vantool_command.h"

int main(int argc, char** argv) {
  imsg_set_program_name("vantool");
  std::vector<std::string> args(argv + 1, argv + argc);
  return vantool::run_command(args);
}
