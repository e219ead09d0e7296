// Hash-table utilities over lists of ZEM objects.
#ifndef SUM_SUM_HASH_UTL_H
#define SUM_SUM_HASH_UTL_H

#include "sum/sum_baseline.h"
#include "sum/sum_component.h"
#include "sum/sum_hash_tab.h"
#include "sum/sum_lists.h"

// Enters, for each baseline of `baselines` in order, its component mapped to
// it into `result`. Baselines of components without a root directory are
// skipped, and so, when `use_filter` is set, are those of components absent
// from `filter`. A component met a second time gets the later baseline;
// unless `allow_duplicates` is set that returns 1001 at once (the pairs
// entered so far stay in `result`). A failure to read a baseline's
// component or its root passes up. An empty list returns 0 at once.
int sum_hash_utl_comp_to_bl_map(const SUM_BaselineList& baselines,
                                const SUM_HashTab<SUM_Component, int>& filter, int use_filter,
                                int allow_duplicates,
                                SUM_HashTab<SUM_Component, SUM_Baseline>& result);

#endif  // SUM_SUM_HASH_UTL_H
