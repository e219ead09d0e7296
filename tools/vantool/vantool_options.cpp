// The option parser shared by every vantool command.
#include "vantool_options.h"

#include <cstdio>

#include "vantool/vantool_catalogs.h"

namespace vantool {

namespace {

const OptionSpec* find_option(const std::vector<OptionSpec>& options, const std::string& name) {
  for (const auto& o : options)
    if (o.name == name)
      return &o;
  return nullptr;
}

}  // namespace

std::vector<OptionSpec> effective_options(const std::vector<OptionSpec>& own, unsigned common) {
  std::vector<OptionSpec> all = own;
  if (common & kCommentOptions) {
    all.push_back({"c", true, "COMMENT", false});
    all.push_back({"nc", false, "", false});
  }
  if (common & kListingOptions) {
    all.push_back({"short", false, "", false});
    all.push_back({"long", false, "", false});
    all.push_back({"json", false, "", false});
  }
  if (common & kViewOption)
    all.push_back({"view", true, "TAG", false});
  return all;
}

std::string ParsedArgs::value(const std::string& name, const std::string& fallback) const {
  auto it = values_.find(name);
  return it == values_.end() || it->second.empty() ? fallback : it->second.back();
}

std::vector<std::string> ParsedArgs::values(const std::string& name) const {
  auto it = values_.find(name);
  return it == values_.end() ? std::vector<std::string>() : it->second;
}

bool parse_args(const std::vector<std::string>& args, const std::vector<OptionSpec>& options,
                const std::vector<std::pair<std::string, std::string>>& exclusive, ParsedArgs& out,
                UsageError& error) {
  bool options_done = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_done || arg.size() < 2 || arg[0] != '-') {
      out.add_operand(arg);
      continue;
    }
    if (arg == "--") {
      options_done = true;
      continue;
    }
    std::string name = arg.substr(1);
    const OptionSpec* spec = find_option(options, name);
    if (spec == nullptr) {
      error.message = imsg_format(vantool_msg::UnrecognizedOption, arg.c_str());
      return false;
    }
    if (out.has(name) && !spec->repeatable) {
      error.message = imsg_format(vantool_msg::OptionMayGivenOnly, arg.c_str());
      return false;
    }
    std::string value;
    if (spec->takes_value) {
      if (i + 1 >= args.size()) {
        error.message = imsg_format(vantool_msg::OptionRequiresValue, arg.c_str());
        return false;
      }
      value = args[++i];
    }
    out.add_option(name, value);
  }
  std::vector<std::pair<std::string, std::string>> pairs = exclusive;
  if (find_option(options, "c") != nullptr)
    pairs.push_back({"c", "nc"});
  if (find_option(options, "short") != nullptr) {
    pairs.push_back({"short", "long"});
    pairs.push_back({"short", "json"});
  }
  for (const auto& [a, b] : pairs) {
    if (out.has(a) && out.has(b)) {
      error.message =
          imsg_format(vantool_msg::OptionsCannotUsedTogether, ("-" + a).c_str(), ("-" + b).c_str());
      return false;
    }
  }
  return true;
}

}  // namespace vantool
