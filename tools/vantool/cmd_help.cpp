// vantool help and version.
#include <cstdio>

#include "services/imsg.h"
#include "sum/sum_library_version.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_command.h"

namespace vantool {

namespace {

void print_overview() {
  imsg_print_literal(IMSG_INFO, "Usage: vantool <command> [options] [operands]\n\nCommands:\n");
  for (const auto& c : command_table())
    imsg_print_literal(IMSG_INFO, "  %-12s %s\n", c.name.c_str(), c.summary.c_str());
  imsg_print_literal(IMSG_INFO,
                     "\nOptions are single-dash words. \"vantool help COMMAND\" shows a "
                     "command's usage;\n\"vantool -version\" the version.\n");
}

int run_help(const ParsedArgs& args) {
  if (args.operands().empty()) {
    print_overview();
    return kExitOk;
  }
  const Command* command = find_command(args.operands()[0]);
  if (command == nullptr) {
    imsg_print(IMSG_ERROR, vantool_msg::NoHelpNotCommand, args.operands()[0].c_str());
    return kExitFailure;
  }
  imsg_print_literal(IMSG_INFO, "Usage: vantool %s\n%s\n", command->synopsis.c_str(),
                     command->summary.c_str());
  if (!command->aliases.empty()) {
    std::string aliases;
    for (const auto& a : command->aliases)
      aliases += (aliases.empty() ? "" : ", ") + a;
    imsg_print_literal(IMSG_INFO, "Also: %s\n", aliases.c_str());
  }
  return kExitOk;
}

int run_version(const ParsedArgs&) {
  imsg_print_literal(IMSG_INFO, "vantool %s (sum library %s)\n", sum_library_version(),
                     sum_library_version());
  return kExitOk;
}

}  // namespace

void register_help_commands(std::vector<Command>& table) {
  Command help;
  help.name = "help";
  help.synopsis = "help [COMMAND]";
  help.summary = "List the commands, or show the usage of one.";
  help.max_operands = 1;
  help.run = run_help;
  table.push_back(help);

  Command version;
  version.name = "version";
  version.aliases = {"-version"};
  version.synopsis = "-version";
  version.summary = "Show the version of vantool and of the library.";
  version.run = run_version;
  table.push_back(version);
}

}  // namespace vantool
