// Attributes: values of attribute types on objects, and the enumerated
// values and default of an attribute type (promotion levels are the values of
// the well-known promotion-level attribute type of a project VOB).
#ifndef SERVICES_VOB_ATTR_H
#define SERVICES_VOB_ATTR_H

#include <string>
#include <vector>

#include "services/vob.h"

// The value of attribute type `attype` on `obj`; 1002 when it has none.
int vob_attr_get(vob_vob_h vob, tbs_dbid_t obj, tbs_dbid_t attype, std::string& value);
// Sets (or replaces) it, recording a modify event on `obj`. When the type
// enumerates its values, any other value is 1004.
int vob_attr_set(vob_vob_h vob, tbs_dbid_t obj, tbs_dbid_t attype, const std::string& value,
                 const vob_event_info_t* event);
// Removes it; 1002 when it has none.
int vob_attr_delete(vob_vob_h vob, tbs_dbid_t obj, tbs_dbid_t attype,
                    const vob_event_info_t* event);

// The enumerated values of an attribute type in their stored order (empty:
// any value) and its default value ("" when none).
int vob_attype_get_vinfo(vob_vob_h vob, tbs_dbid_t attype, std::vector<std::string>& values,
                         std::string& default_value);
// Redefines them: a default that is not one of the values is 1004; a value
// holding a line break is 1004.
int vob_attype_redefine(vob_vob_h vob, tbs_dbid_t attype, const std::vector<std::string>& values,
                        const std::string& default_value, const vob_event_info_t* event);

#endif  // SERVICES_VOB_ATTR_H
