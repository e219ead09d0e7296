// msgc: turns message-catalog files (.msg) into C++ tables at build time.
//
// A .msg file holds one catalog:
//   # comment lines and blank lines are ignored
//   catalog "sum/stream" 3 93
//   0 FirstMessage "first message\n"
//   1 SecondMessage "second message with "quotes" and %s\n"
//   ...
// Every index from 0 to count-1 appears exactly once, in increasing order,
// followed by the entry's symbol: an identifier unique in the catalog, by
// which code names the entry. The text of a message runs from the first to
// the last double quote of its line; the escapes \n, \t, \\ and \" are
// decoded, every other byte is literal.
//
// Usage: msgc -library NAME -header OUT.h -source OUT.cpp -include PATH -list NAME FILE.msg...
// Each catalog becomes `const imsg_catalog_t <stem>_catalog`, <stem> being the
// file name without ".msg", and `enum class <stem>_msg` with one enumerator per
// symbol, described to services/imsg_message.h by the kinds of the arguments
// each format converts, so that prints are checked while compiling. `-list
// NAME` adds an array NAME of all of them, NAME_count, and a static
// registration with the message service.
// Exit status 0 on success, 1 with a message naming the file and line on error.
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Catalog {
  std::string stem;
  std::string name;
  unsigned facility = 0;
  unsigned count = 0;
  std::vector<std::string> symbols;
  std::vector<std::string> texts;
};

[[noreturn]] void fail(const std::string& where, const std::string& what) {
  std::fprintf(stderr, "msgc: %s: %s\n", where.c_str(), what.c_str());
  std::exit(1);
}

bool is_identifier(const std::string& word) {
  if (word.empty() || !(std::isalpha(static_cast<unsigned char>(word[0])) || word[0] == '_'))
    return false;
  for (char c : word)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
      return false;
  return true;
}

// The symbol between the index and the opening quote of an entry line.
std::string symbol_of(const std::string& line, size_t after_index, const std::string& where) {
  size_t quote = line.find('"');
  std::istringstream words(line.substr(after_index, quote - after_index));
  std::string symbol, extra;
  words >> symbol >> extra;
  if (!is_identifier(symbol) || !extra.empty())
    fail(where, "expected a symbol (an identifier) between the index and the text");
  return symbol;
}

// The kinds of the arguments a printf format converts, one letter each (see
// services/imsg_message.h): "s" string, "d" int, "u" unsigned, "l" long, "L"
// unsigned long, "q" long long, "Q" unsigned long long, "c" char, "f"
// double, "p" pointer; a "*" width or precision takes an int.
std::string signature_of(const std::string& format, const std::string& where) {
  std::string kinds;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%')
      continue;
    ++i;
    if (i < format.size() && format[i] == '%')
      continue;
    while (i < format.size() && std::strchr("-+ #0", format[i]) != nullptr)
      ++i;
    for (int part = 0; part < 2; ++part) {  // width, then precision
      if (part == 1) {
        if (i >= format.size() || format[i] != '.')
          break;
        ++i;
      }
      if (i < format.size() && format[i] == '*') {
        kinds += 'd';
        ++i;
      }
      while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i])))
        ++i;
    }
    int longs = 0;
    bool size_type = false;
    while (i < format.size() && std::strchr("hlzj", format[i]) != nullptr) {
      longs += format[i] == 'l' ? 1 : 0;
      size_type = size_type || format[i] == 'z';
      ++i;
    }
    char conversion = i < format.size() ? format[i] : '\0';
    bool wide = longs == 1 || size_type;
    switch (conversion) {
      case 's':
        kinds += 's';
        break;
      case 'd':
      case 'i':
        kinds += longs >= 2 ? 'q' : wide ? 'l' : 'd';
        break;
      case 'u':
      case 'x':
      case 'X':
      case 'o':
        kinds += longs >= 2 ? 'Q' : wide ? 'L' : 'u';
        break;
      case 'c':
        kinds += 'c';
        break;
      case 'f':
      case 'g':
      case 'e':
        kinds += 'f';
        break;
      case 'p':
        kinds += 'p';
        break;
      default:
        fail(where, std::string("unsupported conversion in the text: %") + conversion);
    }
  }
  return kinds;
}

std::string stem_of(const std::string& path) {
  size_t slash = path.find_last_of('/');
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = base.rfind(".msg");
  return dot == std::string::npos ? base : base.substr(0, dot);
}

// Decodes the text between the first and the last double quote of `line`.
std::string quoted_text(const std::string& line, const std::string& where) {
  size_t first = line.find('"');
  size_t last = line.rfind('"');
  if (first == std::string::npos || last == first)
    fail(where, "expected a quoted text");
  std::string out;
  for (size_t i = first + 1; i < last; ++i) {
    char c = line[i];
    if (c == '\\' && i + 1 < last) {
      char e = line[++i];
      switch (e) {
        case 'n':
          out += '\n';
          break;
        case 't':
          out += '\t';
          break;
        case '\\':
          out += '\\';
          break;
        case '"':
          out += '"';
          break;
        default:
          fail(where, std::string("unknown escape \\") + e);
      }
    } else {
      out += c;
    }
  }
  return out;
}

Catalog parse(const std::string& path) {
  std::ifstream in(path);
  if (!in)
    fail(path, "cannot open");
  Catalog cat;
  cat.stem = stem_of(path);
  bool have_header = false;
  std::string line;
  int lineno = 0;
  while (std::getline(in, line)) {
    ++lineno;
    std::string where = path + ":" + std::to_string(lineno);
    size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string::npos || line[start] == '#')
      continue;
    if (!have_header) {
      if (line.compare(start, 8, "catalog ") != 0)
        fail(where, "expected 'catalog \"NAME\" FAC COUNT'");
      cat.name = quoted_text(line, where);
      std::istringstream rest(line.substr(line.rfind('"') + 1));
      if (!(rest >> cat.facility >> cat.count))
        fail(where, "expected facility and count");
      have_header = true;
      continue;
    }
    char* end = nullptr;
    long index = std::strtol(line.c_str() + start, &end, 10);
    if (end == line.c_str() + start)
      fail(where, "expected a message index");
    if (index != static_cast<long>(cat.texts.size()))
      fail(where, "index " + std::to_string(index) + " out of order; expected " +
                      std::to_string(cat.texts.size()));
    std::string symbol = symbol_of(line, static_cast<size_t>(end - line.c_str()), where);
    for (const auto& known : cat.symbols)
      if (known == symbol)
        fail(where, "symbol " + symbol + " used twice");
    cat.symbols.push_back(symbol);
    cat.texts.push_back(quoted_text(line, where));
    signature_of(cat.texts.back(), where);
  }
  if (!have_header)
    fail(path, "no catalog line");
  if (cat.texts.size() != cat.count)
    fail(path, "catalog \"" + cat.name + "\" declares " + std::to_string(cat.count) +
                   " messages but holds " + std::to_string(cat.texts.size()));
  return cat;
}

std::string c_literal(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      default:
        if (c < 0x20 || c >= 0x7f) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\%03o", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

void write_if_changed(const std::string& path, const std::string& content) {
  std::ifstream old(path);
  if (old) {
    std::stringstream buf;
    buf << old.rdbuf();
    if (buf.str() == content)
      return;
  }
  std::ofstream out(path);
  out << content;
  if (!out)
    fail(path, "cannot write");
}

}  // namespace

int main(int argc, char** argv) {
  std::string library, header, source, include, list;
  std::vector<std::string> inputs;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string& dst) {
      if (i + 1 >= argc)
        fail("usage", a + " needs a value");
      dst = argv[++i];
    };
    if (a == "-library")
      value(library);
    else if (a == "-header")
      value(header);
    else if (a == "-source")
      value(source);
    else if (a == "-include")
      value(include);
    else if (a == "-list")
      value(list);
    else
      inputs.push_back(a);
  }
  if (library.empty() || header.empty() || source.empty() || include.empty() || inputs.empty())
    fail("usage",
         "msgc -library NAME -header OUT.h -source OUT.cpp -include PATH [-list NAME] FILE.msg...");

  std::vector<Catalog> cats;
  for (const auto& path : inputs)
    cats.push_back(parse(path));

  std::ostringstream h;
  h << "// Generated by msgc from the .msg files; do not edit.\n#pragma once\n"
    << "#include \"services/imsg_message.h\"\n\n";
  for (const auto& c : cats) {
    h << "extern const imsg_catalog_t " << c.stem << "_catalog;  // \"" << c.name << "\"\n\n";
    h << "enum class " << c.stem << "_msg : int {\n";
    for (size_t i = 0; i < c.symbols.size(); ++i)
      h << "  " << c.symbols[i] << " = " << i << ",\n";
    h << "};\n\ntemplate <>\nstruct imsg_catalog_of<" << c.stem << "_msg> {\n"
      << "  static constexpr const imsg_catalog_t* catalog = &" << c.stem << "_catalog;\n"
      << "  static constexpr int count = " << c.count << ";\n"
      << "  static constexpr const char* const signatures[] = {\n";
    for (size_t i = 0; i < c.texts.size(); ++i)
      h << "      \"" << signature_of(c.texts[i], c.stem) << "\",\n";
    if (c.texts.empty())
      h << "      \"\",  // no entries; the array may not be empty\n";
    h << "  };\n};\n\n";
  }
  if (!list.empty())
    h << "\nextern const imsg_catalog_t* const " << list << "[];\nextern const int " << list
      << "_count;\n";

  std::ostringstream s;
  s << "// Generated by msgc from the .msg files; do not edit.\n#include \"" << include << "\"\n\n";
  for (const auto& c : cats) {
    s << "static const char* const " << c.stem << "_texts[] = {\n";
    for (const auto& t : c.texts)
      s << "    " << c_literal(t) << ",\n";
    s << "};\n";
    s << "const imsg_catalog_t " << c.stem << "_catalog = {" << c_literal(library) << ", "
      << c_literal(c.name) << ", (" << c.facility << "u << 16) | " << c.count << "u, " << c.stem
      << "_texts};\n\n";
  }
  if (!list.empty()) {
    s << "const imsg_catalog_t* const " << list << "[] = {\n";
    for (const auto& c : cats)
      s << "    &" << c.stem << "_catalog,\n";
    s << "};\nconst int " << list << "_count = " << cats.size() << ";\n\n"
      << "namespace {\n// Makes the catalogs known to the message service when the library loads.\n"
      << "struct Register {\n  Register() {\n    for (int i = 0; i < " << list
      << "_count; ++i) imsg_register_catalog(" << list
      << "[i]);\n  }\n} register_catalogs;\n}  // namespace\n";
  }
  write_if_changed(header, h.str());
  write_if_changed(source, s.str());
  return 0;
}
