// The list classes of handles and values: every one is SUM_List of its
// element. Element classes are only declared here, so that any header may
// name a list type; code that builds or reads a list includes the element's
// own header as well.
#ifndef SUM_SUM_LISTS_H
#define SUM_SUM_LISTS_H

#include "sum/sum_list.h"

class SUM_NamedObject;
class SUM_Oid;
class SUM_String;
class SUM_Uuid;
class SUM_Vob;
class SUM_VobObject;

using SUM_NamedObjectList = SUM_List<SUM_NamedObject>;
using SUM_OidList = SUM_List<SUM_Oid>;
using SUM_StringList = SUM_List<SUM_String>;
using SUM_UuidList = SUM_List<SUM_Uuid>;
using SUM_VobList = SUM_List<SUM_Vob>;
using SUM_VobObjectList = SUM_List<SUM_VobObject>;

#endif  // SUM_SUM_LISTS_H
