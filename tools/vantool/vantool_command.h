// The command table of vantool and the frame every command runs in.
#ifndef VANTOOL_VANTOOL_COMMAND_H
#define VANTOOL_VANTOOL_COMMAND_H

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "vantool_options.h"

namespace vantool {

// Exit statuses of vantool.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr size_t kUnlimited = static_cast<size_t>(-1);

struct Command {
  std::string name;
  std::vector<std::string> aliases;
  std::string synopsis;  // usage line without "vantool ": "lscatalog [-long] [CATALOG]"
  std::string summary;   // one line for "vantool help"
  unsigned common = 0;   // CommonOptions groups
  std::vector<OptionSpec> options;
  std::vector<std::pair<std::string, std::string>> exclusive;
  std::vector<std::string> required;  // options that must be given
  size_t min_operands = 0;
  size_t max_operands = 0;
  std::string operand_name;  // named when an operand is missing: "a catalog name"
  // Runs the command; returns an exit status.
  int (*run)(const ParsedArgs& args) = nullptr;
};

// Every command, in the order "vantool help" lists them.
const std::vector<Command>& command_table();
// The command with that name or alias, or null.
const Command* find_command(const std::string& name);

// Prints a usage error (message, then "Usage: vantool <synopsis>") and
// returns kExitUsage.
int usage_error(const Command& command, const std::string& message);

// Runs `args[0]` with the rest of `args` inside a trace scope named after the
// command; returns the exit status.
int run_command(const std::vector<std::string>& args);

// Registration of each command family into the table.
void register_help_commands(std::vector<Command>& table);
void register_catalog_commands(std::vector<Command>& table);
void register_vob_commands(std::vector<Command>& table);
void register_object_commands(std::vector<Command>& table);
void register_trtype_commands(std::vector<Command>& table);
void register_folder_commands(std::vector<Command>& table);
void register_comp_commands(std::vector<Command>& table);
void register_project_commands(std::vector<Command>& table);
void register_stream_commands(std::vector<Command>& table);
void register_view_commands(std::vector<Command>& table);
void register_elem_commands(std::vector<Command>& table);
void register_name_commands(std::vector<Command>& table);
void register_history_commands(std::vector<Command>& table);
void register_type_commands(std::vector<Command>& table);
void register_merge_commands(std::vector<Command>& table);
void register_import_commands(std::vector<Command>& table);
void register_plevel_commands(std::vector<Command>& table);
void register_activity_commands(std::vector<Command>& table);
void register_baseline_commands(std::vector<Command>& table);
void register_diffbl_commands(std::vector<Command>& table);
void register_rebase_commands(std::vector<Command>& table);
void register_deliver_commands(std::vector<Command>& table);

}  // namespace vantool

#endif  // VANTOOL_VANTOOL_COMMAND_H
