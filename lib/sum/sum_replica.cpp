// SUM_Replica: replica objects.
#include "sum/sum_replica.h"

#include "sum/sum_status.h"
#include "sum/sum_trace.h"

int SUM_Replica::tarsen_site_name(SUM_String& name) const {
  SUM_Trace trace("SUM_Replica::tarsen_site_name");
  if (is_null())
    return sum_int_error("sum_replica", trace.name(), __LINE__);
  return trace.checked(__LINE__, this->name(name));
}
