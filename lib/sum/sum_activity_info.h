// SUM_ActivityInfo: one reading of an activity-like object's fields (title,
// parent, flag word, modification count), made with a field mask.
#ifndef SUM_SUM_ACTIVITY_INFO_H
#define SUM_SUM_ACTIVITY_INFO_H

#include "services/vob.h"
#include "services/vob_zem.h"
#include "sum/sum_string.h"

class SUM_ActivityInfo {
 public:
  // The fields asked for by default: the title, the parent, the flag word,
  // the modification count and three fields this repository does not keep
  // (bits 7, 8 and 13; they are ignored by the repository).
  static constexpr unsigned long kDefaultMask =
      VOB_ACT_INFO_BIT(VOB_ACT_INFO_TITLE) | VOB_ACT_INFO_BIT(7) | VOB_ACT_INFO_BIT(8) |
      VOB_ACT_INFO_BIT(13) | VOB_ACT_INFO_BIT(VOB_ACT_INFO_PARENT) |
      VOB_ACT_INFO_BIT(VOB_ACT_INFO_FLAGS) | VOB_ACT_INFO_BIT(VOB_ACT_INFO_MOD_COUNT);

  SUM_ActivityInfo() = default;

  // Reads the fields of `mask` of object `dbid` (vob_act_get_info). On
  // failure the status passes up and this object is left as it was.
  int fetch(vob_vob_h vob, tbs_dbid_t dbid, unsigned long mask);

  // 1 when the last fetch filled `field` (a vob_act_info_field).
  int has(int field) const { return (info_.mask & VOB_ACT_INFO_BIT(field)) != 0 ? 1 : 0; }
  // The fields; meaningful only when `has` says they were filled.
  SUM_String title() const { return SUM_String(info_.title.c_str()); }
  tbs_dbid_t parent() const { return info_.parent; }
  unsigned int flags() const { return info_.flags; }
  unsigned int mod_count() const { return info_.mod_count; }
  // 1 when the flag word says that objects are placed in the object.
  int has_children() const { return (info_.flags & VOB_ACT_FLAG_HAS_CHILDREN) != 0 ? 1 : 0; }

 private:
  vob_act_info_t info_;
};

#endif  // SUM_SUM_ACTIVITY_INFO_H
