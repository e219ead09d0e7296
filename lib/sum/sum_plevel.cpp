// SUM_PLevel: the promotion levels of a project VOB, their default, and the
// order between two levels.
#include "sum/sum_plevel.h"

#include <cstring>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/vob_attr.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_event_info.h"
#include "sum/sum_ids.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_utl_names.h"
#include "sum/sum_vob_object.h"

namespace {

constexpr const char* kSource = "sum_plevel";

// The message of catalog "sum" printed for a VOB that is not a project VOB.
// "The name is already in use." of catalog "sum/utl".

// Checks that `vob` is a project VOB, printing why not. 0 when it is; 1001
// after the message when it is not; failures to ask pass up.
int require_pvob(const SUM_Vob& vob, const SUM_Trace& trace) {
  int is_pvob = 0;
  int status = vob.is_sum_pvob(is_pvob);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!is_pvob) {
    imsg_print(IMSG_ERROR, sum_msg::NotPvobMessage);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  return SUM_OK;
}

// The stored values and default of the promotion-level attribute type of
// project VOB `vob`.
int read_vinfo(const SUM_Vob& vob, const SUM_Trace& trace, std::vector<std::string>& values,
               std::string& default_value) {
  int status = require_pvob(vob, trace);
  if (status != 0)
    return status;
  tbs_dbid_t attype = 0;
  status = vob.wk_obj(VOB_WK_ATTYPE_PROMOTION_LEVEL, attype);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, vob_attype_get_vinfo(vob.handle(), attype, values, default_value));
}

// Position of the level called `name` in `levels`, or -1.
int position_of(const SUM_PLevelList& levels, const SUM_String& name) {
  for (unsigned i = 0; i < levels.count(); ++i)
    if (std::strcmp(levels[i].name(), name) == 0)
      return static_cast<int>(i);
  return -1;
}

// Whether `a` and `b` belong to one VOB family; the same VOB handle needs no
// lookup.
int same_family(const SUM_Vob& a, const SUM_Vob& b, int& same) {
  if (a == b) {
    same = 1;
    return SUM_OK;
  }
  SUM_Oid family_a;
  SUM_Oid family_b;
  int status = a.family_oid(family_a);
  if (status == 0)
    status = b.family_oid(family_b);
  if (status == 0)
    same = family_a == family_b ? 1 : 0;
  return status;
}

}  // namespace

SUM_String SUM_PLevel::quoted(const SUM_String& name) {
  SUM_String value("\"");
  value += name;
  value += "\"";
  return value;
}

SUM_String SUM_PLevel::unquoted(const SUM_String& value) {
  int length = value.GetLength();
  if (length >= 2 && value[0] == '"' && value[length - 1] == '"')
    return value.Mid(1, length - 2);
  return value;
}

int SUM_PLevel::get_plevels(const SUM_Vob& vob, SUM_PLevelList& out) {
  SUM_Trace trace("SUM_PLevel::get_plevels");
  if (vob.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<std::string> values;
  std::string default_value;
  int status = read_vinfo(vob, trace, values, default_value);
  if (status != 0)
    return status;
  out.clear();
  for (const auto& value : values)
    out.append(SUM_PLevel(unquoted(value.c_str()), vob));
  return SUM_OK;
}

int SUM_PLevel::get_def_plevel(const SUM_Vob& vob, SUM_PLevel& out) {
  SUM_Trace trace("SUM_PLevel::get_def_plevel");
  if (vob.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<std::string> values;
  std::string default_value;
  int status = read_vinfo(vob, trace, values, default_value);
  if (status != 0)
    return status;
  SUM_String name = unquoted(default_value.c_str());
  if (name.GetLength() == 0)
    return trace.checked(__LINE__, SUM_NOT_FOUND);
  out = SUM_PLevel(name, vob);
  return SUM_OK;
}

int SUM_PLevel::construct_from_string(const SUM_String& name, const SUM_Vob& vob, int report,
                                      SUM_PLevel& out) {
  SUM_Trace trace("SUM_PLevel::construct_from_string");
  if (vob.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_PLevelList levels;
  int status = get_plevels(vob, levels);
  if (status != 0)
    return trace.checked(__LINE__, status);
  int at = position_of(levels, name);
  if (at < 0) {
    if (report)
      imsg_print(IMSG_ERROR, sum_plevel_msg::PromotionLevelNotFound, name);
    return trace.checked(__LINE__, SUM_NOT_FOUND);
  }
  out = levels[static_cast<unsigned>(at)];
  return SUM_OK;
}

int SUM_PLevel::set_plevels(const SUM_Vob& vob, const SUM_StringList& names,
                            const SUM_String& default_name, const SUM_String& comment) {
  SUM_Trace trace("SUM_PLevel::set_plevels", 3);
  if (vob.is_null() || names.count() == 0 || default_name.GetLength() == 0)
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = require_pvob(vob, trace);
  if (status != 0)
    return status;
  tbs_dbid_t attype = 0;
  if ((status = vob.wk_obj(VOB_WK_ATTYPE_PROMOTION_LEVEL, attype)) != 0)
    return trace.checked(__LINE__, status);
  if ((status = SUM_VobObject(vob, attype).check_change_permission()) != 0)
    return trace.checked(__LINE__, status);
  std::vector<std::string> values;
  int default_found = 0;
  for (unsigned i = 0; i < names.count(); ++i) {
    if (!sum_utl_is_ok_name(names[i]))
      return trace.checked(__LINE__, SUM_FAILED);
    for (unsigned j = 0; j < i; ++j) {
      if (std::strcmp(names[j], names[i]) == 0) {
        imsg_print(IMSG_ERROR, sum_utl_msg::NameInUseMessage);
        return trace.checked(__LINE__, SUM_FAILED);
      }
    }
    if (std::strcmp(names[i], default_name) == 0)
      default_found = 1;
    values.push_back(static_cast<const char*>(quoted(names[i])));
  }
  if (!default_found) {
    imsg_print(IMSG_ERROR, sum_plevel_msg::PromotionLevelNotFound, default_name);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  SUM_EventInfo event(comment, 0);
  return trace.checked(
      __LINE__, vob_attype_redefine(vob.handle(), attype, values,
                                    static_cast<const char*>(quoted(default_name)), event.info()));
}

int SUM_PLevel::compare(const SUM_PLevel& a, const SUM_PLevel& b, const SUM_PLevelList& levels,
                        int& order) {
  SUM_Trace trace("SUM_PLevel::compare");
  if (a.is_null() || b.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int same = 0;
  int status = same_family(a.vob(), b.vob(), same);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!same || std::strcmp(a.name(), b.name()) == 0) {
    order = 0;
    return SUM_OK;
  }
  for (unsigned i = 0; i < levels.count(); ++i) {
    if (levels[i].vob().is_null())
      return sum_int_error(kSource, trace.name(), __LINE__);
    status = same_family(a.vob(), levels[i].vob(), same);
    if (status != 0)
      return trace.checked(__LINE__, status);
    if (!same)
      return sum_int_error(kSource, trace.name(), __LINE__);
  }
  int at_a = position_of(levels, a.name());
  int at_b = position_of(levels, b.name());
  if (at_a < 0 || at_b < 0)
    return trace.checked(__LINE__, SUM_NOT_FOUND);
  order = at_a > at_b ? 1 : -1;
  return SUM_OK;
}
