// Attribute lists: several fields kept in one PVAR as lines "tag=value\n".
//
// A map (SUM_AVMapList) names the fields: each entry ties a text tag to an
// attribute index. A list (SUM_AVList) holds one value per index; empty
// values are not written. Values must not hold a line break; tags must not
// hold "=".
#ifndef SUM_SUM_AVLIST_H
#define SUM_SUM_AVLIST_H

#include "sum/sum_list.h"
#include "sum/sum_string.h"

// One entry of an attribute map.
class SUM_AVMap {
 public:
  SUM_AVMap() = default;
  SUM_AVMap(int attr, const SUM_String& tag, int active) : attr(attr), tag(tag), active(active) {}
  virtual ~SUM_AVMap() = default;
  // Equal when the index and the tag are.
  bool operator==(const SUM_AVMap& other) const { return attr == other.attr && tag == other.tag; }

  int attr = -1;  // index into the values; -1 in a default entry
  SUM_String tag;
  int active = 0;
};

using SUM_AVMapList = SUM_List<SUM_AVMap>;
using SUM_AVValueList = SUM_List<SUM_String>;

// The attribute index of `tag`: 0 and `attr` set; an unknown tag traces
// "tag2attr tag=..." at level 2, records an internal error and is 1072.
int SUM_AVMapList_tag2attr(const SUM_AVMapList& map, const SUM_String& tag, int& attr);
// Sets `active` on the first entry with index `attr`; 0 also when none has it.
int SUM_AVMapList_set_active(SUM_AVMapList& map, int attr, int active);

class SUM_AVList {
 public:
  SUM_AVList() = default;
  // A copy of `map` and one empty value per map entry.
  explicit SUM_AVList(const SUM_AVMapList& map);
  virtual ~SUM_AVList() = default;

  // Appends one line "tag=value\n" per map entry (in map order) whose value
  // is not empty. Always 0.
  int pack(SUM_String& out) const;
  // Reads every line of `text` into the values: 0 at the end; a line without
  // "=" or its final line break is 1001; an unknown tag is 1072.
  int unpack(const SUM_String& text);
  // Reads the line at `pos`: its attribute index and value, and moves `pos`
  // past it; at or beyond the end of the text `pos` becomes -1 and the
  // answer is 0. A negative `pos` is 1072.
  int next_attr(const SUM_String& text, int& attr, SUM_String& value, int& pos) const;

  SUM_AVValueList values;
  SUM_AVMapList map;
};

#endif  // SUM_SUM_AVLIST_H
