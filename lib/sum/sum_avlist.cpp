// Attribute lists: packing fields into "tag=value" lines and reading them back.
#include "sum/sum_avlist.h"

#include <cstring>

#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {
constexpr const char* kSource = "sum_avlist";
}  // namespace

int SUM_AVMapList_tag2attr(const SUM_AVMapList& map, const SUM_String& tag, int& attr) {
  SUM_Trace trace("SUM_AVMapList_tag2attr");
  for (unsigned i = 0; i < map.count(); ++i) {
    if (map[i].tag == tag) {
      attr = map[i].attr;
      return SUM_OK;
    }
  }
  trace.info(2, "tag2attr tag=\"%s\"\n", static_cast<const char*>(tag));
  return sum_int_error(kSource, trace.name(), __LINE__);
}

int SUM_AVMapList_set_active(SUM_AVMapList& map, int attr, int active) {
  for (unsigned i = 0; i < map.count(); ++i) {
    if (map[i].attr == attr) {
      map[i].active = active;
      break;
    }
  }
  return SUM_OK;
}

SUM_AVList::SUM_AVList(const SUM_AVMapList& map) : values(map.count()), map(map) {}

int SUM_AVList::pack(SUM_String& out) const {
  for (unsigned i = 0; i < map.count(); ++i) {
    int attr = map[i].attr;
    if (attr < 0 || static_cast<unsigned>(attr) >= values.count())
      continue;
    const SUM_String& value = values[static_cast<unsigned>(attr)];
    if (value.GetLength() == 0)
      continue;
    out += map[i].tag;
    out += "=";
    out += value;
    out += "\n";
  }
  return SUM_OK;
}

int SUM_AVList::next_attr(const SUM_String& text, int& attr, SUM_String& value, int& pos) const {
  SUM_Trace trace("SUM_AVList::next_attr");
  if (pos < 0)
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (pos >= text.GetLength()) {
    pos = -1;
    return SUM_OK;
  }
  // The "=" is looked for within this line only: one further down belongs to
  // another field.
  const char* data = text;
  const char* nl = std::strchr(data + pos, '\n');
  const char* eq = std::strchr(data + pos, '=');
  if (nl == nullptr || eq == nullptr || eq > nl)
    return SUM_FAILED;
  int equals = static_cast<int>(eq - data);
  int newline = static_cast<int>(nl - data);
  SUM_String tag = text.Mid(pos, equals - pos);
  value = text.Mid(equals + 1, newline - equals - 1);
  pos = newline + 1;
  return trace.checked(__LINE__, SUM_AVMapList_tag2attr(map, tag, attr));
}

int SUM_AVList::unpack(const SUM_String& text) {
  SUM_Trace trace("SUM_AVList::unpack");
  int pos = 0;
  while (true) {
    int attr = -1;
    SUM_String value;
    int status = next_attr(text, attr, value, pos);
    if (status != 0)
      return trace.checked(__LINE__, status);
    if (pos < 0)
      return SUM_OK;
    if (attr >= 0 && static_cast<unsigned>(attr) < values.count())
      values[static_cast<unsigned>(attr)] = value;
  }
}
