// vantool setplevel and lsplevel: the promotion levels of a project VOB and
// its default level.
#include <string>
#include <vector>

#include "sum/sum_plevel.h"
#include "sum/sum_utl_names.h"
#include "sum/sum_vob.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_command.h"
#include "vantool_json.h"

namespace vantool {

namespace {

// Opens the project VOB tagged `tag`, printing why not.
bool open_pvob(const std::string& tag, SUM_Vob& vob) {
  if (SUM_Vob::construct_from_pname_or_tag(tag.c_str(), 0, vob) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::NoSuchVob, tag.c_str());
    return false;
  }
  int is_pvob = 0;
  if (vob.is_sum_pvob(is_pvob) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableReadLevels, tag.c_str());
    return false;
  }
  if (!is_pvob) {
    imsg_print(IMSG_ERROR, vantool_msg::NotProjectVob, tag.c_str());
    return false;
  }
  return true;
}

bool contains(const std::vector<std::string>& names, const std::string& name) {
  for (const auto& n : names)
    if (n == name)
      return true;
  return false;
}

// The default level for setplevel: -default, or else the VOB's current
// default when it stays among `levels`. Prints why none can be chosen.
bool choose_default(const ParsedArgs& args, const SUM_Vob& vob, const std::string& tag,
                    const std::vector<std::string>& levels, std::string& chosen) {
  if (args.has("default")) {
    chosen = args.value("default");
    if (!contains(levels, chosen)) {
      imsg_print(IMSG_ERROR, vantool_msg::DefaultNotGiven, chosen.c_str());
      return false;
    }
    return true;
  }
  SUM_PLevel current;
  if (SUM_PLevel::get_def_plevel(vob, current) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableReadLevels, tag.c_str());
    return false;
  }
  chosen = static_cast<const char*>(current.name());
  if (!contains(levels, chosen)) {
    imsg_print(IMSG_ERROR, vantool_msg::CurrentDefaultDropped, chosen.c_str(), tag.c_str());
    return false;
  }
  return true;
}

int run_setplevel(const ParsedArgs& args) {
  const std::vector<std::string>& operands = args.operands();
  const std::string& tag = operands.back();
  std::vector<std::string> levels(operands.begin(), operands.end() - 1);
  SUM_Vob vob;
  if (!open_pvob(tag, vob))
    return kExitFailure;
  SUM_StringList names;
  for (size_t i = 0; i < levels.size(); ++i) {
    if (!sum_utl_is_ok_name(levels[i].c_str())) {
      imsg_print(IMSG_ERROR, vantool_msg::BadLevelName, levels[i].c_str());
      return kExitFailure;
    }
    if (contains(std::vector<std::string>(levels.begin(), levels.begin() + i), levels[i])) {
      imsg_print(IMSG_ERROR, vantool_msg::LevelTwice, levels[i].c_str());
      return kExitFailure;
    }
    names.append(levels[i].c_str());
  }
  std::string default_name;
  if (!choose_default(args, vob, tag, levels, default_name))
    return kExitFailure;
  if (SUM_PLevel::set_plevels(vob, names, default_name.c_str(), args.comment().c_str()) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableSetLevels, tag.c_str());
    return kExitFailure;
  }
  std::string joined;
  for (const auto& level : levels)
    joined += (joined.empty() ? "" : " ") + level;
  imsg_print(IMSG_INFO, vantool_msg::LevelsSet, tag.c_str(), joined.c_str(), default_name.c_str());
  return kExitOk;
}

int run_lsplevel(const ParsedArgs& args) {
  const std::string& tag = args.operands()[0];
  SUM_Vob vob;
  if (!open_pvob(tag, vob))
    return kExitFailure;
  SUM_PLevelList levels;
  SUM_PLevel default_level;
  int status = SUM_PLevel::get_plevels(vob, levels);
  if (status == 0)
    status = SUM_PLevel::get_def_plevel(vob, default_level);
  if (status != 0 && status != TBS_ST_NOT_FOUND) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableReadLevels, tag.c_str());
    return kExitFailure;
  }
  JsonWriter json;
  json.begin_array();
  if (args.has("long"))
    imsg_print_literal(IMSG_INFO, "Promotion levels of \"%s\", lowest first:\n", tag.c_str());
  for (unsigned i = 0; i < levels.count(); ++i) {
    const char* name = levels[i].name();
    bool is_default = levels[i] == default_level;
    if (args.has("json"))
      json.begin_object()
          .key("name")
          .value(name)
          .key("vob")
          .value(tag)
          .key("rank")
          .value(static_cast<int>(i + 1))
          .key("default")
          .value(is_default)
          .end_object();
    else if (args.has("short"))
      imsg_print_literal(IMSG_INFO, "%s\n", name);
    else if (args.has("long"))
      imsg_print_literal(IMSG_INFO, "  %u  %s%s\n", i + 1, name, is_default ? "  (default)" : "");
    else
      imsg_print_literal(IMSG_INFO, "%s%s\n", name, is_default ? " (default)" : "");
  }
  json.end_array();
  if (args.has("json"))
    imsg_print_literal(IMSG_INFO, "%s", json.str().c_str());
  return kExitOk;
}

}  // namespace

void register_plevel_commands(std::vector<Command>& table) {
  Command set;
  set.name = "setplevel";
  set.synopsis = "setplevel [-default LEVEL] [-c TEXT|-nc] LEVEL... PVOB";
  set.summary =
      "Replace the promotion levels of a project VOB (lowest first) and its default level.";
  set.common = kCommentOptions;
  set.options = {{"default", true, "LEVEL", false}};
  set.min_operands = 2;
  set.max_operands = kUnlimited;
  set.operand_name = "at least one LEVEL and the PVOB";
  set.run = run_setplevel;
  table.push_back(set);

  Command ls;
  ls.name = "lsplevel";
  ls.synopsis = "lsplevel [-short|-long] [-json] PVOB";
  ls.summary = "List the promotion levels of a project VOB, lowest first, marking the default.";
  ls.common = kListingOptions;
  ls.min_operands = 1;
  ls.max_operands = 1;
  ls.operand_name = "a PVOB";
  ls.run = run_lsplevel;
  table.push_back(ls);
}

}  // namespace vantool
