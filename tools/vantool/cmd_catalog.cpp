// vantool lscatalog and message: the message catalogs the tool and the
// library carry, and printing one message with arguments.
#include <cstdlib>
#include <cstring>

#include "services/imsg.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_command.h"
#include "vantool_json.h"

namespace vantool {

namespace {

// `text` with newlines, tabs, backslashes and quotes escaped, as in .msg files.
std::string escaped(const char* text) {
  std::string out;
  for (const char* p = text; *p != '\0'; ++p) {
    switch (*p) {
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += *p;
    }
  }
  return out;
}

void print_catalog_line(const imsg_catalog_t* c, bool names_only) {
  if (names_only)
    imsg_print_literal(IMSG_INFO, "%s\n", c->name);
  else
    imsg_print_literal(IMSG_INFO, "%-20s facility %-3d %4d messages  (%s)\n", c->name,
                       imsg_catalog_facility(c), imsg_catalog_count(c), c->library);
}

void write_catalog_json(JsonWriter& json, const imsg_catalog_t* c, bool with_messages) {
  json.begin_object()
      .key("name")
      .value(c->name)
      .key("library")
      .value(c->library)
      .key("facility")
      .value(imsg_catalog_facility(c))
      .key("count")
      .value(imsg_catalog_count(c));
  if (with_messages) {
    json.key("messages").begin_array();
    for (int i = 0; i < imsg_catalog_count(c); ++i)
      json.value(c->texts[i]);
    json.end_array();
  }
  json.end_object();
}

int list_all_catalogs(const ParsedArgs& args) {
  if (args.has("json")) {
    JsonWriter json;
    json.begin_array();
    for (int i = 0; i < imsg_catalog_registered_count(); ++i)
      write_catalog_json(json, imsg_catalog_registered(i), args.has("long"));
    json.end_array();
    imsg_print_literal(IMSG_INFO, "%s", json.str().c_str());
    return kExitOk;
  }
  for (int i = 0; i < imsg_catalog_registered_count(); ++i)
    print_catalog_line(imsg_catalog_registered(i), args.has("short"));
  return kExitOk;
}

int list_one_catalog(const ParsedArgs& args, const imsg_catalog_t* c) {
  if (args.has("json")) {
    JsonWriter json;
    write_catalog_json(json, c, true);
    imsg_print_literal(IMSG_INFO, "%s", json.str().c_str());
    return kExitOk;
  }
  if (args.has("short")) {
    print_catalog_line(c, true);
    return kExitOk;
  }
  print_catalog_line(c, false);
  for (int i = 0; i < imsg_catalog_count(c); ++i)
    imsg_print_literal(IMSG_INFO, "%4d \"%s\"\n", i, escaped(c->texts[i]).c_str());
  return kExitOk;
}

int run_lscatalog(const ParsedArgs& args) {
  if (args.operands().empty())
    return list_all_catalogs(args);
  const imsg_catalog_t* c = imsg_find_catalog(args.operands()[0].c_str());
  if (c == nullptr) {
    imsg_print(IMSG_ERROR, vantool_msg::UnknownMessageCatalog, args.operands()[0].c_str());
    return kExitFailure;
  }
  return list_one_catalog(args, c);
}

// Formats `format` with `args` given as text, converting each argument to
// what its conversion needs. Returns false after printing why it cannot.
bool format_with_text_args(const char* format, const std::vector<std::string>& args,
                           std::string& out) {
  size_t next = 0;
  int needed = 0;
  for (const char* p = format; *p != '\0';) {
    if (*p != '%') {
      out += *p++;
      continue;
    }
    if (p[1] == '%') {
      out += '%';
      p += 2;
      continue;
    }
    const char* start = p++;
    while (*p != '\0' && std::strchr("-+ #0123456789.hlLqjzt", *p) != nullptr)
      ++p;
    char conversion = *p;
    std::string spec(start, static_cast<size_t>(p - start));
    if (conversion != '\0')
      ++p;
    std::string shown = spec + conversion;
    if (std::strchr("diouxXcseEfgG", conversion) == nullptr ||
        spec.find('*') != std::string::npos) {
      imsg_print(IMSG_ERROR, vantool_msg::ConversionNotSupportedMessages, shown.c_str());
      return false;
    }
    ++needed;
    if (next >= args.size())
      continue;
    const std::string& arg = args[next++];
    // Length modifiers are replaced by the widest of each kind.
    std::string base = spec;
    while (!base.empty() && std::strchr("hlLqjzt", base.back()) != nullptr)
      base.pop_back();
    char piece[4096];
    char* end = nullptr;
    if (conversion == 's') {
      std::snprintf(piece, sizeof piece, (spec + "s").c_str(), arg.c_str());
    } else if (std::strchr("eEfgG", conversion) != nullptr) {
      double v = std::strtod(arg.c_str(), &end);
      if (end == arg.c_str() || *end != '\0') {
        imsg_print(IMSG_ERROR, vantool_msg::ArgumentConversionNotNumber, arg.c_str(),
                   shown.c_str());
        return false;
      }
      std::snprintf(piece, sizeof piece, (base + conversion).c_str(), v);
    } else {
      long long v = std::strtoll(arg.c_str(), &end, 0);
      if (end == arg.c_str() || *end != '\0') {
        imsg_print(IMSG_ERROR, vantool_msg::ArgumentConversionNotNumber, arg.c_str(),
                   shown.c_str());
        return false;
      }
      if (conversion == 'c')
        std::snprintf(piece, sizeof piece, (base + "c").c_str(), static_cast<int>(v));
      else
        std::snprintf(piece, sizeof piece, (base + "ll" + conversion).c_str(), v);
    }
    out += piece;
  }
  if (next < static_cast<size_t>(needed) || args.size() < static_cast<size_t>(needed)) {
    imsg_print(IMSG_ERROR, vantool_msg::NotEnoughArgumentsMessage, needed,
               static_cast<int>(args.size()));
    return false;
  }
  return true;
}

int severity_named(const std::string& name) {
  if (name.empty() || name == "info")
    return IMSG_INFO;
  if (name == "warning")
    return IMSG_WARNING;
  if (name == "error")
    return IMSG_ERROR;
  return -1;
}

int run_message(const ParsedArgs& args) {
  const auto& ops = args.operands();
  int severity = severity_named(args.value("severity"));
  if (severity < 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnknownSeverityUseInfo, args.value("severity").c_str());
    return kExitUsage;
  }
  const imsg_catalog_t* c = imsg_find_catalog(ops[0].c_str());
  if (c == nullptr) {
    imsg_print(IMSG_ERROR, vantool_msg::UnknownMessageCatalog, ops[0].c_str());
    return kExitFailure;
  }
  char* end = nullptr;
  long index = std::strtol(ops[1].c_str(), &end, 10);
  if (end == ops[1].c_str() || *end != '\0') {
    imsg_print(IMSG_ERROR, vantool_msg::MessageIndexNotNumber, ops[1].c_str());
    return kExitFailure;
  }
  const char* format = imsg_catalog_text(c, static_cast<int>(index));
  if (format == nullptr) {
    imsg_print(IMSG_ERROR, vantool_msg::CatalogNoMessageIndexes, c->name, static_cast<int>(index),
               imsg_catalog_count(c) - 1);
    return kExitFailure;
  }
  std::string text;
  if (!format_with_text_args(format, std::vector<std::string>(ops.begin() + 2, ops.end()), text))
    return kExitFailure;
  imsg_print_literal(severity, "%s", text.c_str());
  return severity == IMSG_ERROR ? kExitFailure : kExitOk;
}

}  // namespace

void register_catalog_commands(std::vector<Command>& table) {
  Command ls;
  ls.name = "lscatalog";
  ls.synopsis = "lscatalog [-short|-long] [-json] [CATALOG]";
  ls.summary = "List the message catalogs, or the messages of one catalog.";
  ls.common = kListingOptions;
  ls.max_operands = 1;
  ls.run = run_lscatalog;
  table.push_back(ls);

  Command message;
  message.name = "message";
  message.synopsis = "message [-severity info|warning|error] CATALOG INDEX [ARGUMENT...]";
  message.summary = "Print one catalog message, formatted with the arguments.";
  message.options = {{"severity", true, "SEVERITY", false}};
  message.min_operands = 2;
  message.max_operands = kUnlimited;
  message.operand_name = "a catalog name and a message index";
  message.run = run_message;
  table.push_back(message);
}

}  // namespace vantool
