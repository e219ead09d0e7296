// sum_utl_check_adminvob: the administrative VOB common to components.
#include "sum/sum_utl_adminvob.h"

#include "sum/sum_component.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {
constexpr const char* kSource = "sum_utl_adminvob";

// The top of the admin hierarchy of the VOB holding `component`, or that VOB
// when it names none.
int admin_of(const SUM_Component& component, SUM_Vob& out) {
  SUM_Vob top;
  int status = component.vob().admin_vob(top, 1);
  if (status == SUM_NOT_FOUND) {
    out = component.vob();
    return 0;
  }
  if (status == 0)
    out = top;
  return status;
}
}  // namespace

int sum_utl_check_adminvob(const SUM_ComponentList& components, SUM_Vob& admin, int& same) {
  SUM_Trace trace("sum_utl_check_adminvob");
  if (components.count() == 0)
    return sum_int_error(kSource, trace.name(), __LINE__);
  int all_same = 1;
  SUM_Vob common = admin;
  for (unsigned i = 0; i < components.count(); ++i) {
    const SUM_Component& component = components[i];
    if (component.is_null())
      return sum_int_error(kSource, trace.name(), __LINE__);
    SUM_Vob found;
    if (int status = admin_of(component, found))
      return trace.checked(__LINE__, status);
    trace.info(2, "component %s: admin VOB %s", component.any_name(), found.any_name());
    if (common.is_null())
      common = found;
    else if (common != found)
      all_same = 0;
  }
  same = all_same;
  if (all_same)
    admin = common;
  return 0;
}
