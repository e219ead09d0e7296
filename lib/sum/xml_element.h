// XML_Element, XML_Token and XML_TagMap: the small XML dialect in which the
// library stores structured process-variable values (policies, recommended
// and contributing baselines, dependencies, saved configuration changes and
// operation states), with its writer, tokenizer and recursive parser.
//
// The dialect has elements only: no declaration, no attributes, no
// self-closing tags, no comments. An element is written as "<name>", then
// either its value (when the value is non-empty: a leaf) or its children,
// then "</name>". Two forms exist: compact (no whitespace at all, used for
// stored values) and indented (every tag on its own line, children indented
// by two spaces per level, used for reports).
//
// Escaping. So that every value and every name reads back exactly as it was
// written, the writer escapes:
//   - in values and names: "&" as "&amp;", "<" as "&lt;", ">" as "&gt;";
//   - in values: each white-space character of the leading and of the
//     trailing run as a decimal character reference ("&#32;", "&#10;", ...),
//     because the reader drops white space around a text;
//   - in names: a leading "/" as "&#47;", which would otherwise read as a
//     closing tag.
// The parser decodes "&amp;", "&lt;", "&gt;", "&quot;", "&apos;" and decimal
// ("&#NN;") or hexadecimal ("&#xHH;") references to a byte from 1 to 255 in
// names and values; any other "&" stays as it stands, so text written before
// escaping existed reads back unchanged unless it happens to hold one of
// those sequences. Values without these characters are written exactly as
// they are.
//
// Failures. Every failure of the writer, tokenizer and parser records an
// internal error (source "xml_element") and returns 1072.
#ifndef SUM_XML_ELEMENT_H
#define SUM_XML_ELEMENT_H

#include "sum/sum_list.h"
#include "sum/sum_lists.h"
#include "sum/sum_string.h"

// One lexical token of the dialect.
class XML_Token {
 public:
  // Token kinds: an opening tag, a closing tag, a text, and the kind a token
  // holds before it is classified.
  enum Kind : int { OPEN = 0, CLOSE = 1, TEXT = 2, NONE = 3 };

  // A token of kind NONE with empty text.
  XML_Token() = default;
  // A token of `kind` holding `text` (raw: entity references not decoded).
  XML_Token(int kind, const SUM_String& text) : kind(kind), text(text) {}

  // Clears `tokens` and fills it with the tokens of `text` in order:
  //   - "<name>" gives an OPEN token and "</name>" a CLOSE token whose text
  //     is everything between the "<" (or "</") and the next ">", spaces and
  //     a trailing "/" included;
  //   - any other run gives a TEXT token, trimmed of white space at both
  //     ends (the C library's isspace); a run of white space only gives none.
  // 0 on success. 1072 after an internal-error record when a "<" has no ">"
  // after it, or when a text is not followed by a "<"; `tokens` then holds
  // the tokens read before the fault.
  static int tokenize(const SUM_String& text, XML_TokenList& tokens);

  int kind = NONE;
  SUM_String text;
};

// Equal kinds and texts.
inline bool operator==(const XML_Token& a, const XML_Token& b) {
  return a.kind == b.kind && a.text == b.text;
}
inline bool operator!=(const XML_Token& a, const XML_Token& b) {
  return !(a == b);
}

// One element: a name (the tag), a value (the text) and the children in
// document order. Copies are deep.
class XML_Element {
 public:
  // The null element: empty name, empty value, no children.
  XML_Element() = default;
  // An element named `name` with no value and no children.
  explicit XML_Element(const SUM_String& name) : name_(name) {}
  // An element named `name` with value `value` and no children.
  XML_Element(const SUM_String& name, const SUM_String& value) : name_(name), value_(value) {}
  XML_Element(const XML_Element& other) = default;
  XML_Element& operator=(const XML_Element& other) = default;
  virtual ~XML_Element() = default;

  // Equal names, equal values and pairwise equal child lists (recursively).
  bool operator==(const XML_Element& other) const;
  bool operator!=(const XML_Element& other) const { return !(*this == other); }

  // The tag and the text.
  const SUM_String& name() const { return name_; }
  const SUM_String& value() const { return value_; }
  void set_name(const SUM_String& name) { name_ = name; }
  void set_value(const SUM_String& value) { value_ = value; }

  // The children in document order; callers build trees by appending here.
  XML_ElementList& sub_elements() { return sub_elements_; }
  const XML_ElementList& sub_elements() const { return sub_elements_; }

  // 1 when the value is non-empty. A leaf is written with its value and
  // without its children, even when it has some.
  int is_leaf() const { return value_.GetLength() > 0 ? 1 : 0; }
  // 1 when the name is empty.
  int is_null() const { return name_.GetLength() == 0 ? 1 : 0; }

  // Empties `out` and writes this element and its subtree into it (escaped
  // as described at the top of this file): compact when `indented` is 0
  // (<a><b>1</b></a>), else indented, every tag followed by a newline and
  // indented by two spaces per level, a leaf's value written after its
  // opening tag ("<a>\n  <b>1\n  </b>\n</a>\n"). 0 on success. A null
  // element anywhere in the tree is 1072 after an internal-error record;
  // `out` is then empty.
  int string(SUM_String& out, int indented) const;

  // Tokenizes and parses `text` into `out`, replacing its content, and
  // decodes names and values. The text holds exactly one root element;
  // white space between tags is ignored; when text stands between children
  // of one element, only its last piece becomes the value. 0 on success.
  // Tokenizer failures pass up (1072). 1072 after an internal-error record
  // when the first token is not an opening tag, a closing tag does not carry
  // the name of the element it closes, the text ends before an element is
  // closed, tokens follow the root element, or elements nest more than 1024
  // deep. On failure `out` holds whatever was built; callers discard it.
  static int parse(const SUM_String& text, XML_Element& out);

 private:
  SUM_String name_;
  SUM_String value_;
  XML_ElementList sub_elements_;
};

// Tag names mapped to small integers: the owner constructs it with the
// number of tags it knows and fills each entry with its name (map[0u] =
// "policy"), then looks tags up by name.
class XML_TagMap : public SUM_StringList {
 public:
  // No names.
  XML_TagMap() = default;
  // `n` empty names for the owner to fill.
  explicit XML_TagMap(unsigned n) : SUM_StringList(n) {}

  // Entry `i` (below count), for filling and reading.
  using SUM_StringList::operator[];
  // Index of the first entry equal to `tag`; -1 when there is none (also
  // when the map is empty).
  int operator[](const SUM_String& tag) const { return find(tag); }
};

#endif  // SUM_XML_ELEMENT_H
