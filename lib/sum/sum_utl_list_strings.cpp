// Number strings, list-string splitting and policy-tree reading.
#include "sum/sum_utl_list_strings.h"

#include <cstring>

namespace {

// Policy ids are small: a tag of more digits than this is no policy id.
constexpr size_t kMaxIdDigits = 9;

// One to nine decimal digits and nothing else.
bool is_policy_id(const char* text) {
  size_t length = std::strlen(text);
  if (length == 0 || length > kMaxIdDigits)
    return false;
  for (; *text != '\0'; ++text)
    if (*text < '0' || *text > '9')
      return false;
  return true;
}

}  // namespace

SUM_String sum_utl_i2str(long n) {
  SUM_String text;
  text.Format("%d", static_cast<int>(n));
  return text;
}

SUM_String sum_utl_time2str(long t) {
  SUM_String text;
  text.Format("%ld", t);
  return text;
}

void sum_utl_split_list_string(const SUM_String& text, SUM_StringList& pieces) {
  const char* rest = text;
  while (*rest != '\0') {
    const char* comma = std::strchr(rest, ',');
    if (comma == nullptr) {
      pieces.append(SUM_String(rest));
      return;
    }
    pieces.append(SUM_String(rest, static_cast<int>(comma - rest)));
    rest = comma + 1;
  }
}

int sum_utl_read_policy_tree(const SUM_String& xml, XML_Element& root) {
  SUM_Trace trace("sum_utl_read_policy_tree");
  if (xml.GetLength() == 0)
    return sum_int_error(kSumUtlListStringsSource, trace.name(), __LINE__);
  if (XML_Element::parse(xml, root) != 0)
    return trace.checked(__LINE__, SUM_FAILED);
  const XML_ElementList& children = root.sub_elements();
  for (unsigned i = 0; i < children.count(); ++i)
    if (!is_policy_id(children[i].name()))
      return trace.checked(__LINE__, SUM_FAILED);
  return 0;
}
