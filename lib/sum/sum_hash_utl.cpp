// Hash-table utilities over lists of ZEM objects.
#include "sum/sum_hash_utl.h"

#include "sum/sum_status.h"
#include "sum/sum_trace.h"

int sum_hash_utl_comp_to_bl_map(const SUM_BaselineList& baselines,
                                const SUM_HashTab<SUM_Component, int>& filter, int use_filter,
                                int allow_duplicates,
                                SUM_HashTab<SUM_Component, SUM_Baseline>& result) {
  SUM_Trace trace("sum_hash_utl_comp_to_bl_map");
  for (unsigned i = 0; i < baselines.count(); ++i) {
    SUM_Component component;
    if (int status = baselines[i].component(component))
      return trace.checked(__LINE__, status);
    int rooted = 0;
    if (int status = component.has_crde(rooted))
      return trace.checked(__LINE__, status);
    if (!rooted || (use_filter && filter.lookup(component) == nullptr))
      continue;
    if (result.enter(component, baselines[i]) == 1 && !allow_duplicates)
      return trace.checked(__LINE__, SUM_FAILED);
  }
  return 0;
}
