// The XML dialect of stored values: writer, escaping, tokenizer and parser.
#include "sum/xml_element.h"

#include <cctype>
#include <cstring>
#include <string>

#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "xml_element";
// Nesting deeper than this is refused by the parser rather than risking the
// stack on a damaged value.
constexpr int kMaxDepth = 1024;
// Indent level of the compact form: negative at every depth a tree can have.
constexpr int kCompactLevel = -99999;

bool is_white(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

void append_char_ref(std::string& out, char c) {
  out += "&#";
  out += std::to_string(static_cast<unsigned char>(c));
  out += ';';
}

// Appends `c` escaped when it is one of the three markup characters.
void append_markup_escaped(std::string& out, char c) {
  switch (c) {
    case '&':
      out += "&amp;";
      break;
    case '<':
      out += "&lt;";
      break;
    case '>':
      out += "&gt;";
      break;
    default:
      out += c;
  }
}

// A value as written: markup characters escaped, and the white space of its
// leading and trailing runs as character references so that the reader's
// trimming cannot remove it.
void append_escaped_value(std::string& out, const char* value) {
  size_t length = std::strlen(value);
  size_t first = 0;
  while (first < length && is_white(value[first]))
    ++first;
  size_t end = length;
  while (end > first && is_white(value[end - 1]))
    --end;
  for (size_t i = 0; i < length; ++i) {
    if (i < first || i >= end)
      append_char_ref(out, value[i]);
    else
      append_markup_escaped(out, value[i]);
  }
}

// A name as written: markup characters escaped, and a leading "/" as a
// character reference so that the tag does not read as a closing tag.
void append_escaped_name(std::string& out, const char* name) {
  for (size_t i = 0; name[i] != '\0'; ++i) {
    if (i == 0 && name[i] == '/')
      append_char_ref(out, name[i]);
    else
      append_markup_escaped(out, name[i]);
  }
}

// The byte that the reference starting at `text` (just after its "&")
// stands for, with the reference's length through its ";" in `used`; 0 when
// `text` does not start a reference this dialect decodes.
char decode_reference(const char* text, size_t& used) {
  static const struct {
    const char* name;
    char c;
  } kNamed[] = {{"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
  for (const auto& named : kNamed) {
    size_t n = std::strlen(named.name);
    if (std::strncmp(text, named.name, n) == 0) {
      used = n;
      return named.c;
    }
  }
  if (text[0] != '#')
    return 0;
  bool hex = text[1] == 'x' || text[1] == 'X';
  size_t i = hex ? 2 : 1;
  size_t digits_start = i;
  long code = 0;
  for (; text[i] != '\0' && text[i] != ';'; ++i) {
    char c = text[i];
    int digit = -1;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (hex && c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    if (digit < 0)
      return 0;
    code = code * (hex ? 16 : 10) + digit;
    if (code > 255)
      return 0;
  }
  if (text[i] != ';' || i == digits_start || code == 0)
    return 0;
  used = i + 1;
  return static_cast<char>(code);
}

// `text` with every reference the dialect knows replaced by its byte.
SUM_String decode(const SUM_String& text) {
  const char* raw = text;
  if (std::strchr(raw, '&') == nullptr)
    return text;
  std::string out;
  for (size_t i = 0; raw[i] != '\0'; ++i) {
    size_t used = 0;
    char c = raw[i] == '&' ? decode_reference(raw + i + 1, used) : 0;
    if (c != 0) {
      out += c;
      i += used;
    } else {
      out += raw[i];
    }
  }
  return SUM_String(out.c_str());
}

// The recursive writer: appends `element` at indent `level` (negative for the
// compact form) to `out`.
int write_element(const XML_Element& element, int level, std::string& out, const char* op) {
  if (element.is_null())
    return sum_int_error(kSource, op, __LINE__);
  const char* newline = level >= 0 ? "\n" : "";
  std::string indent;
  for (int i = 0; i < level; ++i)
    indent += "  ";

  out += indent;
  out += '<';
  append_escaped_name(out, element.name());
  out += '>';
  if (element.is_leaf())
    append_escaped_value(out, element.value());
  out += newline;
  if (!element.is_leaf()) {
    const XML_ElementList& children = element.sub_elements();
    for (unsigned i = 0; i < children.count(); ++i) {
      int status = write_element(children[i], level + 1, out, op);
      if (status != 0)
        return status;
    }
  }
  out += indent;
  out += "</";
  append_escaped_name(out, element.name());
  out += '>';
  out += newline;
  return 0;
}

// The recursive parser: reads the element that starts at token `i` into
// `target`, leaving `i` after its closing tag.
int parse_element(const XML_TokenList& tokens, unsigned& i, XML_Element& target, int depth,
                  const char* op) {
  if (i >= tokens.count() || tokens[i].kind != XML_Token::OPEN || depth > kMaxDepth)
    return sum_int_error(kSource, op, __LINE__);
  // A nameless element could not be written back, so it is not read either.
  SUM_String name = decode(tokens[i].text);
  if (name.GetLength() == 0)
    return sum_int_error(kSource, op, __LINE__);
  target = XML_Element(name);
  ++i;
  if (i >= tokens.count())
    return sum_int_error(kSource, op, __LINE__);
  for (; i < tokens.count(); ++i) {
    const XML_Token& token = tokens[i];
    switch (token.kind) {
      case XML_Token::OPEN: {
        // The child is parsed in place: this list does not change while the
        // child is read, so the reference stays valid.
        XML_ElementList& children = target.sub_elements();
        children.append(XML_Element());
        int status = parse_element(tokens, i, children[children.count() - 1], depth + 1, op);
        if (status != 0)
          return status;
        --i;  // the loop's step moves past the child's closing tag
        break;
      }
      case XML_Token::CLOSE:
        if (decode(token.text) != target.name())
          return sum_int_error(kSource, op, __LINE__);
        ++i;
        return 0;
      case XML_Token::TEXT:
        target.set_value(decode(token.text));
        break;
      default:
        return sum_int_error(kSource, op, __LINE__);
    }
  }
  return sum_int_error(kSource, op, __LINE__);
}

}  // namespace

bool XML_Element::operator==(const XML_Element& other) const {
  return name_ == other.name_ && value_ == other.value_ && sub_elements_ == other.sub_elements_;
}

int XML_Element::string(SUM_String& out, int indented) const {
  SUM_Trace trace("XML_Element::string");
  out.Empty();
  std::string text;
  int status = write_element(*this, indented != 0 ? 0 : kCompactLevel, text, trace.name());
  if (status != 0)
    return status;
  out = text.c_str();
  return 0;
}

int XML_Token::tokenize(const SUM_String& text, XML_TokenList& tokens) {
  SUM_Trace trace("XML_Token::tokenize");
  tokens.clear();
  const char* raw = text;
  size_t length = std::strlen(raw);
  size_t pos = 0;
  while (pos < length && is_white(raw[pos]))
    ++pos;
  while (pos < length) {
    XML_Token token;
    if (raw[pos] == '<') {
      size_t start = raw[pos + 1] == '/' ? pos + 2 : pos + 1;
      const char* close = std::strchr(raw + start, '>');
      if (close == nullptr)
        return sum_int_error(kSource, trace.name(), __LINE__);
      size_t end = static_cast<size_t>(close - raw);
      token.kind = raw[start - 1] == '/' ? XML_Token::CLOSE : XML_Token::OPEN;
      token.text = SUM_String(raw + start, static_cast<int>(end - start));
      pos = end + 1;
    } else {
      const char* next_tag = std::strchr(raw + pos, '<');
      if (next_tag == nullptr)
        return sum_int_error(kSource, trace.name(), __LINE__);
      size_t end = static_cast<size_t>(next_tag - raw);
      while (end > pos && is_white(raw[end - 1]))
        --end;
      token.kind = XML_Token::TEXT;
      token.text = SUM_String(raw + pos, static_cast<int>(end - pos));
      pos = end;
    }
    tokens.append(token);
    while (pos < length && is_white(raw[pos]))
      ++pos;
  }
  return 0;
}

int XML_Element::parse(const SUM_String& text, XML_Element& out) {
  SUM_Trace trace("XML_Element::parse");
  XML_TokenList tokens;
  int status = XML_Token::tokenize(text, tokens);
  if (status != 0)
    return trace.checked(__LINE__, status);
  unsigned i = 0;
  status = parse_element(tokens, i, out, 1, trace.name());
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (i < tokens.count())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return 0;
}
