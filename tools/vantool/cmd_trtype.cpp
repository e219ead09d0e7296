// vantool mktrtype, lstrtype and rmtrtype: trigger types on ZEM operations.
#include <ctime>

#include "sum/sum_os_user.h"
#include "sum/sum_trigger_type.h"
#include "sum/sum_utl_names.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_command.h"
#include "vantool_json.h"
#include "vantool_open.h"
#include "vantool_text.h"

namespace vantool {

namespace {

// The comma-separated items of a -preop/-postop list, empty ones kept so
// that they are reported rather than ignored.
std::vector<std::string> split_kinds(const std::string& list) {
  std::vector<std::string> items;
  size_t start = 0;
  while (true) {
    size_t comma = list.find(',', start);
    items.push_back(list.substr(start, comma == std::string::npos ? comma : comma - start));
    if (comma == std::string::npos)
      return items;
    start = comma + 1;
  }
}

std::string all_kind_names() {
  std::string out;
  for (vob_op_t op : SUM_TriggerType::operations())
    out += (out.empty() ? "" : ", ") + std::string(SUM_TriggerType::operation_text(op));
  return out;
}

std::string kind_names(const std::vector<vob_op_t>& ops, const char* separator) {
  std::string out;
  for (vob_op_t op : ops) {
    const char* name = SUM_TriggerType::operation_text(op);
    out += (out.empty() ? "" : separator) + (name != nullptr ? name : std::to_string(op));
  }
  return out;
}

int usage(const char* command, const std::string& message) {
  return usage_error(*find_command(command), message);
}

// The operation kinds of a -preop/-postop value; false after a usage
// error, whose exit status is in `exit`.
bool parse_kinds(const std::string& option, const std::string& list, std::vector<vob_op_t>& ops,
                 int& exit) {
  if (list.find_first_not_of(", ") == std::string::npos) {
    exit = usage("mktrtype",
                 imsg_format(vantool_msg::OptionNeedsCommaSeparated, option.c_str()).c_str());
    return false;
  }
  for (const auto& name : split_kinds(list)) {
    if (name.empty())
      continue;
    vob_op_t op = 0;
    if (SUM_TriggerType::operation_of(name.c_str(), op) != 0) {
      exit = usage("mktrtype", imsg_format(vantool_msg::UnknownOperationKindOperation, name.c_str(),
                                           all_kind_names().c_str())
                                   .c_str());
      return false;
    }
    ops.push_back(op);
  }
  return true;
}

// "NAME@TAG" or "trtype:NAME@TAG" split into the name and the VOB. Prints
// why and gives the exit status when it cannot: a malformed operand is a
// usage error of `command`, an unknown VOB a failure.
bool parse_trtype_operand(const char* command, const std::string& text, std::string& name,
                          SUM_Vob& vob, int& exit) {
  vob_objsel_t parsed;
  if (sum_utl_parse_selector(text.c_str(), parsed) != 0 || parsed.vob.empty() ||
      (!parsed.kind.empty() && parsed.kind != "trtype")) {
    exit = usage(command, imsg_format(vantool_msg::DoesNotNameTrigger, text.c_str()).c_str());
    return false;
  }
  if (SUM_Vob::construct_from_pname_or_tag(parsed.vob.c_str(), 0, vob) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::NoSuchVob, parsed.vob.c_str());
    exit = kExitFailure;
    return false;
  }
  name = parsed.name;
  return true;
}

int run_mktrtype(const ParsedArgs& args) {
  if (!args.has("preop") && !args.has("postop")) {
    return usage("mktrtype", imsg_format(vantool_msg::OptionPreopPostopRequired).c_str());
  }
  vob_trtype_create_args_t create;
  create.phase = args.has("preop") ? VOB_TRIG_PREOP : VOB_TRIG_POSTOP;
  std::string option = args.has("preop") ? "preop" : "postop";
  int exit = kExitOk;
  if (!parse_kinds(option, args.value(option), create.ops, exit))
    return exit;
  create.command = args.value("exec");
  if (create.command.find_first_not_of(" \t\n") == std::string::npos) {
    return usage("mktrtype", imsg_format(vantool_msg::CommandGivenExecEmpty).c_str());
  }
  SUM_Vob vob;
  const std::string& operand = args.operands()[0];
  if (!parse_trtype_operand("mktrtype", operand, create.name, vob, exit))
    return exit;
  for (const auto& list : args.values("restrict")) {
    for (const auto& selector : split_kinds(list)) {
      if (selector.empty())
        continue;
      SUM_VobObject found;
      int status = SUM_VobObject::construct_from_any_selector(selector.c_str(), vob, found);
      if (status != 0) {
        imsg_print(IMSG_ERROR, vantool_msg::CannotResolve, selector.c_str(),
                   status == TBS_ST_BAD_ARGUMENT ? "not a selector of the form kind:name@vob-tag"
                                                 : "no such object");
        return kExitFailure;
      }
      vob_trig_obj_t object;
      object.vob = found.vob().handle();
      object.dbid = found.dbid();
      create.restrict_to.push_back(object);
    }
  }
  create.comment = args.comment();
  std::string label = create.name + "@" + operand.substr(operand.find('@') + 1);
  SUM_TriggerType made;
  if (SUM_TriggerType::create(vob, create, made) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableMakeTriggerType, label.c_str());
    return kExitFailure;
  }
  imsg_print(IMSG_INFO, vantool_msg::CreatedTriggerType, label.c_str());
  return kExitOk;
}

// What lstrtype shows of one trigger type.
struct Listed {
  vob_trtype_t type;
  std::string tag, owner, created, comment;
  std::vector<std::string> restrictions;  // selectors; "<missing object>" for gone ones
};

Listed details(const SUM_Vob& vob, const std::string& tag, const vob_trtype_t& type) {
  Listed l;
  l.type = type;
  l.tag = tag;
  SUM_VobObject object(vob, type.dbid);
  SUM_OsUser owner;
  if (object.owner(owner) == 0) {
    char login[256];
    owner.login_name(login);
    l.owner = login;
  }
  long created = 0;
  if (object.creation_time(created) == 0)
    l.created = time_text(created);
  SUM_String comment;
  if (object.description(comment) == 0)
    l.comment = static_cast<const char*>(comment);
  for (const auto& r : type.restrictions)
    l.restrictions.push_back(r.selector.empty() ? "<missing object>" : r.selector);
  return l;
}

const char* phase_text(int phase) {
  return phase == VOB_TRIG_PREOP ? "preop" : "postop";
}

void print_one(const Listed& l, const ParsedArgs& args, JsonWriter& json) {
  std::string label = l.type.name + "@" + l.tag;
  if (args.has("json")) {
    json.begin_object()
        .key("name")
        .value(l.type.name)
        .key("vob")
        .value(l.tag)
        .key("phase")
        .value(phase_text(l.type.phase))
        .key("kinds")
        .begin_array();
    for (vob_op_t op : l.type.ops)
      json.value(kind_names({op}, ""));
    json.end_array().key("command").value(l.type.command).key("restrictions").begin_array();
    for (const auto& r : l.restrictions)
      json.value(r);
    json.end_array()
        .key("owner")
        .value(l.owner)
        .key("created")
        .value(l.created)
        .key("comment")
        .value(l.comment)
        .end_object();
  } else if (args.has("short")) {
    imsg_print_literal(IMSG_INFO, "%s\n", label.c_str());
  } else if (args.has("long")) {
    std::string restricted;
    for (const auto& r : l.restrictions)
      restricted += (restricted.empty() ? "" : ", ") + r;
    imsg_print_literal(IMSG_INFO,
                       "trigger type \"%s\"\n  phase: %s\n  operation kinds: %s\n  command: %s\n"
                       "  restricted to: %s\n  owner: %s\n  created: %s\n  comment: \"%s\"\n",
                       label.c_str(), phase_text(l.type.phase),
                       kind_names(l.type.ops, ", ").c_str(), l.type.command.c_str(),
                       restricted.empty() ? "(every object)" : restricted.c_str(), l.owner.c_str(),
                       l.created.c_str(), l.comment.c_str());
  } else {
    imsg_print_literal(IMSG_INFO, "%-32s %-6s %s%s\n", label.c_str(), phase_text(l.type.phase),
                       kind_names(l.type.ops, ",").c_str(),
                       l.restrictions.empty() ? "" : " (restricted)");
  }
}

int run_lstrtype(const ParsedArgs& args) {
  std::vector<std::string> tags;
  if (!args.operands().empty()) {
    tags.push_back(args.operands()[0]);
  } else {
    std::vector<rgy_vob_entry> entries;
    if (!registered_vobs(entries))
      return kExitFailure;
    for (const auto& e : entries)
      tags.push_back(e.tag);
  }
  JsonWriter json;
  json.begin_array();
  int result = kExitOk;
  for (const auto& tag : tags) {
    SUM_Vob vob;
    if (SUM_Vob::construct_from_pname_or_tag(tag.c_str(), 0, vob) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::NoSuchVob, tag.c_str());
      return kExitFailure;
    }
    std::vector<vob_trtype_t> types;
    if (SUM_TriggerType::list(vob, types) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableListTriggerTypes, tag.c_str());
      result = kExitFailure;
      continue;
    }
    for (const auto& type : types)
      print_one(details(vob, tag, type), args, json);
  }
  json.end_array();
  if (args.has("json"))
    imsg_print_literal(IMSG_INFO, "%s", json.str().c_str());
  return result;
}

int run_rmtrtype(const ParsedArgs& args) {
  int result = kExitOk;
  std::string comment = args.comment();
  for (const auto& operand : args.operands()) {
    std::string name;
    SUM_Vob vob;
    int exit = kExitOk;
    if (!parse_trtype_operand("rmtrtype", operand, name, vob, exit))
      return exit;
    std::string label = name + "@" + operand.substr(operand.find('@') + 1);
    SUM_TriggerType type;
    if (SUM_TriggerType::construct_from_name(vob, name.c_str(), type) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::TriggerTypeDoesNot, label.c_str());
      result = kExitFailure;
      continue;
    }
    if (type.remove(comment.c_str()) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableRemoveTriggerType, label.c_str());
      result = kExitFailure;
      continue;
    }
    imsg_print(IMSG_INFO, vantool_msg::RemovedTriggerType, label.c_str());
  }
  return result;
}

}  // namespace

void register_trtype_commands(std::vector<Command>& table) {
  Command mk;
  mk.name = "mktrtype";
  mk.synopsis =
      "mktrtype -zem -preop|-postop KINDS -exec COMMAND [-restrict SELECTOR[,...]] "
      "[-c TEXT|-nc] NAME@PVOB";
  mk.summary = "Make a trigger type that runs a command before or after ZEM operations.";
  mk.common = kCommentOptions;
  mk.options = {{"zem", false, "", false},
                {"preop", true, "KINDS", false},
                {"postop", true, "KINDS", false},
                {"exec", true, "COMMAND", false},
                {"restrict", true, "SELECTOR[,...]", true}};
  mk.exclusive = {{"preop", "postop"}};
  mk.required = {"zem", "exec"};
  mk.min_operands = 1;
  mk.max_operands = 1;
  mk.operand_name = "a trigger type name (NAME@PVOB)";
  mk.run = run_mktrtype;
  table.push_back(mk);

  Command ls;
  ls.name = "lstrtype";
  ls.synopsis = "lstrtype [-short|-long] [-json] [PVOB]";
  ls.summary = "List the trigger types of a VOB, or of every VOB.";
  ls.common = kListingOptions;
  ls.max_operands = 1;
  ls.run = run_lstrtype;
  table.push_back(ls);

  Command rm;
  rm.name = "rmtrtype";
  rm.synopsis = "rmtrtype [-c TEXT|-nc] NAME@PVOB...";
  rm.summary = "Remove trigger types.";
  rm.common = kCommentOptions;
  rm.min_operands = 1;
  rm.max_operands = kUnlimited;
  rm.operand_name = "a trigger type name (NAME@PVOB)";
  rm.run = run_rmtrtype;
  table.push_back(rm);
}

}  // namespace vantool
