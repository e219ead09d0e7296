// The command table of vantool and the frame every command runs in.
#include "vantool_command.h"

#include "sum/sum_read_scope.h"
#include "sum/sum_trace.h"
#include "vantool/vantool_catalogs.h"

namespace vantool {

const std::vector<Command>& command_table() {
  static const std::vector<Command> table = [] {
    std::vector<Command> t;
    register_help_commands(t);
    register_catalog_commands(t);
    register_vob_commands(t);
    register_object_commands(t);
    register_trtype_commands(t);
    register_folder_commands(t);
    register_comp_commands(t);
    register_project_commands(t);
    register_stream_commands(t);
    register_view_commands(t);
    register_activity_commands(t);
    register_baseline_commands(t);
    register_diffbl_commands(t);
    register_rebase_commands(t);
    register_deliver_commands(t);
    register_elem_commands(t);
    register_name_commands(t);
    register_history_commands(t);
    register_type_commands(t);
    register_merge_commands(t);
    register_import_commands(t);
    register_plevel_commands(t);
    return t;
  }();
  return table;
}

const Command* find_command(const std::string& name) {
  for (const auto& c : command_table()) {
    if (c.name == name)
      return &c;
    for (const auto& alias : c.aliases)
      if (alias == name)
        return &c;
  }
  return nullptr;
}

int usage_error(const Command& command, const std::string& message) {
  imsg_print_literal(IMSG_ERROR, "%s", message.c_str());
  std::string line = "vantool " + command.synopsis;
  imsg_print(IMSG_CONTINUATION, vantool_msg::Usage, line.c_str());
  return kExitUsage;
}

int run_command(const std::vector<std::string>& args) {
  const Command* command = args.empty() ? find_command("help") : find_command(args[0]);
  if (command == nullptr) {
    imsg_print(IMSG_ERROR, vantool_msg::UnrecognizedCommandUseVantool, args[0].c_str());
    return kExitUsage;
  }
  std::string scope_name = "vantool " + command->name;
  SUM_Trace trace(scope_name.c_str(), 3);

  std::vector<std::string> rest(args.empty() ? args.begin() : args.begin() + 1, args.end());
  ParsedArgs parsed;
  UsageError error;
  if (!parse_args(rest, effective_options(command->options, command->common), command->exclusive,
                  parsed, error))
    return usage_error(*command, error.message);

  for (const auto& option : command->required) {
    if (!parsed.has(option)) {
      return usage_error(*command,
                         imsg_format(vantool_msg::OptionRequired, option.c_str()).c_str());
    }
  }
  const auto& operands = parsed.operands();
  if (operands.size() < command->min_operands) {
    return usage_error(
        *command, imsg_format(vantool_msg::MissingOperand, command->operand_name.c_str()).c_str());
  }
  if (command->max_operands != kUnlimited && operands.size() > command->max_operands) {
    return usage_error(*command, imsg_format(vantool_msg::TooManyOperandsFirst,
                                             operands[command->max_operands].c_str())
                                     .c_str());
  }
  // One snapshot of each VOB for the command's reads (its writes still
  // commit one by one).
  SUM_ReadScope reads;
  int errors_before = imsg_error_count();
  int status = command->run(parsed);
  // An error printed on the way (a damaged store, a failed step that the
  // command carried on past) fails the command whatever it returned.
  if (status == kExitOk && imsg_error_count() != errors_before)
    status = kExitFailure;
  if (status != kExitOk)
    trace.status_line(__LINE__, status);
  return status;
}

}  // namespace vantool
