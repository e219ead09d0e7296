// Config spec parser: turns a view's rule text into cspec_t, refusing any
// malformed line with its line number, and compiles patterns and version
// selectors for the evaluator (cspec_select.cpp).
#include "services/cspec.h"

#include <cctype>
#include <utility>

#include "repository/cspec_internal.h"

namespace cspec_detail {

std::vector<std::string> split_path(const std::string& path) {
  std::vector<std::string> components;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos)
      slash = path.size();
    if (slash > start)
      components.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  return components;
}

namespace {

// Checks the components of a pattern that holds a "/".
bool check_components(const std::vector<std::string>& components, const std::string& text,
                      std::string& problem) {
  for (const std::string& c : components) {
    if (c == "." || c == "..") {
      problem = "bad pattern \"" + text + "\": \"" + c + "\" is not allowed in a pattern";
      return false;
    }
  }
  return true;
}

bool is_digits(const std::string& s) {
  if (s.empty())
    return false;
  for (char c : s)
    if (std::isdigit(static_cast<unsigned char>(c)) == 0)
      return false;
  return true;
}

// A type name in a selector or -mkbranch: no "/", no leading "-", not a dot name.
bool is_type_name(const std::string& s) {
  return !s.empty() && s[0] != '-' && s.find('/') == std::string::npos && s != "." && s != ".." &&
         s != "...";
}

}  // namespace

bool compile_pattern(const std::string& text, Pattern& out, std::string& problem) {
  Pattern pattern;
  if (text.empty()) {
    problem = "empty pattern";
    return false;
  }
  if (text[0] == '[') {
    // "[uuid]/rest" names the VOB by family; any other "[" starts a wildcard set.
    size_t close = text.find(']');
    tbs_uuid_t family{};
    if (close != std::string::npos &&
        tbs_str_to_uuid(text.substr(1, close - 1).c_str(), &family) == 0) {
      std::string rest = text.substr(close + 1);
      if (!rest.empty() && rest[0] != '/') {
        problem = "bad pattern \"" + text + "\": a \"/\" must follow the VOB family";
        return false;
      }
      pattern.form = PatternForm::VOB_FAMILY;
      pattern.family = family;
      pattern.components = split_path(rest);
      if (!check_components(pattern.components, text, problem))
        return false;
      out = std::move(pattern);
      return true;
    }
  }
  if (text.find('/') == std::string::npos) {
    pattern.form = PatternForm::LAST_COMPONENT;
    pattern.last = text;
    out = std::move(pattern);
    return true;
  }
  if (text[0] != '/' && text.compare(0, 4, ".../") != 0) {
    problem = "relative pattern \"" + text + "\": start it with \"/\" or \".../\"";
    return false;
  }
  pattern.form = PatternForm::PATH;
  pattern.components = split_path(text);
  if (!check_components(pattern.components, text, problem))
    return false;
  out = std::move(pattern);
  return true;
}

bool compile_selector(const std::string& text, Selector& out, std::string& problem) {
  Selector selector;
  const std::string bad = "bad version selector \"" + text + "\": ";
  if (text == "CHECKEDOUT") {
    selector.form = SelectorForm::CHECKEDOUT;
  } else if (text.compare(0, 4, ".../") == 0) {
    std::vector<std::string> parts = split_path(text.substr(4));
    if (parts.size() != 2 || text.find("//") != std::string::npos || parts[1] != "LATEST" ||
        !is_type_name(parts[0])) {
      problem = bad + "write \".../BRTYPE/LATEST\"";
      return false;
    }
    selector.form = SelectorForm::ANY_BRANCH;
    selector.name = parts[0];
  } else if (text[0] == '/') {
    std::vector<std::string> parts = split_path(text);
    if (parts.size() < 2 || text.find("//") != std::string::npos || text.back() == '/') {
      problem = bad + "write a branch path and a version, \"/main/3\" or \"/main/dev/LATEST\"";
      return false;
    }
    const std::string& last = parts.back();
    if (last == "LATEST") {
      selector.number = -1;
    } else if (is_digits(last) && last.size() <= 9) {
      selector.number = std::stoi(last);
    } else {
      problem = bad + "\"" + last + "\" is neither a version number nor LATEST";
      return false;
    }
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
      if (!is_type_name(parts[i])) {
        problem = bad + "\"" + parts[i] + "\" is not a branch name";
        return false;
      }
      selector.name += "/" + parts[i];
    }
    selector.form = SelectorForm::BRANCH_PATH;
  } else if (is_type_name(text)) {
    selector.form = SelectorForm::LABEL;
    selector.name = text;
  } else {
    problem = bad + "neither CHECKEDOUT, a branch path nor a label name";
    return false;
  }
  out = std::move(selector);
  return true;
}

}  // namespace cspec_detail

namespace {

using cspec_detail::compile_pattern;
using cspec_detail::compile_selector;

struct Token {
  std::string text;
  bool quoted = false;
};

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string trim(const std::string& s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && is_blank(s[b]))
    ++b;
  while (e > b && is_blank(s[e - 1]))
    --e;
  return s.substr(b, e - b);
}

// Splits one line into words; double quotes group a word (and hide "#"); an
// unquoted "#" ends the line. `body` is the line without its comment.
bool tokenize(const std::string& line, std::vector<Token>& tokens, std::string& body,
              std::string& problem) {
  size_t i = 0;
  while (i < line.size()) {
    if (is_blank(line[i])) {
      ++i;
      continue;
    }
    if (line[i] == '#')
      break;
    Token token;
    while (i < line.size() && !is_blank(line[i]) && line[i] != '#') {
      if (line[i] == '"') {
        size_t close = line.find('"', i + 1);
        if (close == std::string::npos) {
          problem = "unterminated quote";
          return false;
        }
        token.text += line.substr(i + 1, close - i - 1);
        token.quoted = true;
        i = close + 1;
      } else {
        token.text += line[i++];
      }
    }
    tokens.push_back(std::move(token));
  }
  body = trim(line.substr(0, i));
  return true;
}

bool is_option(const Token& t) {
  return !t.quoted && !t.text.empty() && t.text[0] == '-';
}

// Parses the words after "element" into `rule`; false with `problem`.
bool parse_element(const std::vector<Token>& tokens, cspec_rule_t& rule, std::string& problem) {
  size_t i = 1;
  for (; i < tokens.size() && is_option(tokens[i]); ++i) {
    const std::string& opt = tokens[i].text;
    int filter = opt == "-file" ? CSPEC_FILES : opt == "-directory" ? CSPEC_DIRECTORIES : 0;
    if (filter == 0) {
      problem = "unknown element option \"" + opt + "\"";
      return false;
    }
    if (rule.eltype_filter != CSPEC_ANY_ELTYPE) {
      problem = "only one of \"-file\" and \"-directory\" may be given";
      return false;
    }
    rule.eltype_filter = filter;
  }
  if (i >= tokens.size()) {
    problem = "\"element\" needs a pattern and a version selector";
    return false;
  }
  rule.pattern = tokens[i++].text;
  cspec_detail::Pattern pattern;
  if (!compile_pattern(rule.pattern, pattern, problem))
    return false;
  if (i >= tokens.size()) {
    problem = "missing version selector after pattern \"" + rule.pattern + "\"";
    return false;
  }
  if (is_option(tokens[i])) {
    if (tokens[i].text != "-error") {
      problem = "missing version selector before \"" + tokens[i].text + "\"";
      return false;
    }
    rule.error = 1;
  } else {
    rule.selector = tokens[i].text;
    cspec_detail::Selector selector;
    if (!compile_selector(rule.selector, selector, problem))
      return false;
  }
  for (++i; i < tokens.size(); ++i) {
    const std::string& opt = tokens[i].text;
    if (!is_option(tokens[i])) {
      problem = "unexpected \"" + opt + "\" after the version selector";
      return false;
    }
    int* flag = opt == "-nocheckout" ? &rule.nocheckout : opt == "-zem" ? &rule.zem : nullptr;
    if (opt == "-error") {
      problem = "\"-error\" takes the place of the version selector";
      return false;
    } else if (opt == "-mkbranch") {
      if (!rule.mkbranch.empty()) {
        problem = "\"-mkbranch\" given twice";
        return false;
      }
      if (i + 1 >= tokens.size() || is_option(tokens[i + 1])) {
        problem = "\"-mkbranch\" needs a branch type name";
        return false;
      }
      rule.mkbranch = tokens[++i].text;
      if (rule.mkbranch.empty() || rule.mkbranch.find('/') != std::string::npos ||
          rule.mkbranch == "." || rule.mkbranch == ".." || rule.mkbranch == "...") {
        problem = "bad branch type name \"" + rule.mkbranch + "\" after \"-mkbranch\"";
        return false;
      }
    } else if (flag != nullptr) {
      if (*flag != 0) {
        problem = "\"" + opt + "\" given twice";
        return false;
      }
      *flag = 1;
    } else {
      problem = "unknown selector option \"" + opt + "\"";
      return false;
    }
    if (rule.error != 0 && opt != "-zem") {
      problem = "an \"-error\" rule takes no \"" + opt + "\"";
      return false;
    }
  }
  return true;
}

// Parses "load PATH"; the path is kept without repeated or trailing slashes.
bool parse_load(const std::vector<Token>& tokens, cspec_rule_t& rule, std::string& problem) {
  if (tokens.size() != 2) {
    problem = "\"load\" needs exactly one path";
    return false;
  }
  const std::string& path = tokens[1].text;
  if (path.empty() || path[0] != '/') {
    problem = "load path \"" + path + "\" is not absolute";
    return false;
  }
  std::vector<std::string> components = cspec_detail::split_path(path);
  rule.pattern.clear();
  for (const std::string& c : components) {
    if (c == "." || c == ".." || c == "...") {
      problem = "load path \"" + path + "\" holds \"" + c + "\"";
      return false;
    }
    rule.pattern += "/" + c;
  }
  if (rule.pattern.empty())
    rule.pattern = "/";
  return true;
}

// "identity KIND ID VERSION" with an integer version.
bool parse_identity(const std::vector<Token>& tokens, std::string& identity, std::string& problem) {
  if (tokens.size() != 4) {
    problem = "\"identity\" needs a kind, an id and a version";
    return false;
  }
  std::string version = tokens[3].text;
  std::string digits = !version.empty() && version[0] == '-' ? version.substr(1) : version;
  bool numeric = !digits.empty() && digits.size() <= 9;
  for (char c : digits)
    numeric = numeric && std::isdigit(static_cast<unsigned char>(c)) != 0;
  if (!numeric) {
    problem = "identity version \"" + version + "\" is not a number";
    return false;
  }
  identity = tokens[1].text + " " + tokens[2].text + " " + version;
  return true;
}

}  // namespace

int cspec_parse(const std::string& text, cspec_t& out, std::string& error) {
  cspec_t parsed;
  parsed.text = text;
  int zem_line = 0;  // line of the open zem block, 0 outside
  bool had_zem = false;
  bool had_identity = false;
  int line_number = 0;
  size_t start = 0;
  auto fail = [&error](int line, const std::string& problem) {
    error = "line " + std::to_string(line) + ": " + problem;
    return static_cast<int>(TBS_ST_BAD_ARGUMENT);
  };

  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++line_number;

    std::vector<Token> tokens;
    std::string body;
    std::string problem;
    if (!tokenize(line, tokens, body, problem))
      return fail(line_number, problem);
    if (tokens.empty())
      continue;
    const std::string keyword = tokens[0].quoted ? "\"" + tokens[0].text + "\"" : tokens[0].text;

    if (keyword == "element" || keyword == "load") {
      cspec_rule_t rule;
      rule.kind = keyword == "element" ? CSPEC_ELEMENT : CSPEC_LOAD;
      rule.line = line_number;
      rule.text = body;
      rule.in_zem_block = zem_line != 0 ? 1 : 0;
      bool ok = rule.kind == CSPEC_ELEMENT ? parse_element(tokens, rule, problem)
                                           : parse_load(tokens, rule, problem);
      if (!ok)
        return fail(line_number, problem);
      parsed.rules.push_back(std::move(rule));
    } else if (keyword == "zem") {
      if (tokens.size() != 1)
        return fail(line_number, "\"zem\" takes nothing after it");
      if (zem_line != 0)
        return fail(line_number,
                    "zem block inside the zem block of line " + std::to_string(zem_line));
      if (had_zem)
        return fail(line_number, "a config spec holds only one zem block");
      zem_line = line_number;
      had_zem = true;
    } else if (keyword == "end") {
      if (tokens.size() != 2 || tokens[1].text != "zem")
        return fail(line_number, "\"end\" must be followed by \"zem\" only");
      if (zem_line == 0)
        return fail(line_number, "\"end zem\" without \"zem\"");
      zem_line = 0;
    } else if (keyword == "identity") {
      if (zem_line == 0)
        return fail(line_number, "\"identity\" outside a zem block");
      if (had_identity)
        return fail(line_number, "second identity line");
      if (!parse_identity(tokens, parsed.identity, problem))
        return fail(line_number, problem);
      had_identity = true;
    } else {
      return fail(line_number, "unknown rule \"" + keyword +
                                   "\" (expected element, load, zem, identity or end zem)");
    }
  }
  if (zem_line != 0)
    return fail(zem_line, "zem block not ended by \"end zem\"");
  out = std::move(parsed);
  error.clear();
  return 0;
}
