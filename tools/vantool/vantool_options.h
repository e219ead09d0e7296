// The option parser shared by every vantool command.
//
// Options are single-dash words (`-stream NAME`, `-json`); `--` ends the
// options; everything else is an operand. Each command declares the options it
// takes; common options come in groups the command opts into.
#ifndef VANTOOL_VANTOOL_OPTIONS_H
#define VANTOOL_VANTOOL_OPTIONS_H

#include <map>
#include <string>
#include <vector>

namespace vantool {

// One option a command accepts.
struct OptionSpec {
  std::string name;        // without the dash: "stream"
  bool takes_value;        // `-stream NAME` rather than `-json`
  std::string value_name;  // shown in usage: "STREAM"
  bool repeatable;         // may be given more than once (values accumulate)
};

// Groups of common options a command opts into.
enum CommonOptions : unsigned {
  kCommentOptions = 1u << 0,  // -c TEXT, -nc
  kListingOptions = 1u << 1,  // -short, -long, -json
  kViewOption = 1u << 2,      // -view TAG
};

// The options of a command: its own plus the common groups.
std::vector<OptionSpec> effective_options(const std::vector<OptionSpec>& own, unsigned common);

// Options and operands as given on the command line.
class ParsedArgs {
 public:
  bool has(const std::string& name) const { return values_.count(name) != 0; }
  // The (last) value of an option, or `fallback` when it was not given.
  std::string value(const std::string& name, const std::string& fallback = "") const;
  // Every value of a repeatable option, in order.
  std::vector<std::string> values(const std::string& name) const;
  const std::vector<std::string>& operands() const { return operands_; }

  // The comment chosen with -c/-nc: -c's text, empty for -nc or neither.
  std::string comment() const { return value("c"); }

  void add_option(const std::string& name, const std::string& value) {
    values_[name].push_back(value);
  }
  void add_operand(const std::string& operand) { operands_.push_back(operand); }

 private:
  std::map<std::string, std::vector<std::string>> values_;
  std::vector<std::string> operands_;
};

// A usage error: the message to print before the usage line.
struct UsageError {
  std::string message;
};

// Parses `args` (without the command name) against `options`. Pairs of
// options that exclude each other are listed in `exclusive`. Returns true and
// fills `out`, or false and fills `error`.
bool parse_args(const std::vector<std::string>& args, const std::vector<OptionSpec>& options,
                const std::vector<std::pair<std::string, std::string>>& exclusive, ParsedArgs& out,
                UsageError& error);

}  // namespace vantool

#endif  // VANTOOL_VANTOOL_OPTIONS_H
