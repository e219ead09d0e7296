// Sorting versions for merge and version-control passes.
#ifndef SUM_SUM_UTL_VERSIONS_H
#define SUM_SUM_UTL_VERSIONS_H

#include <vector>

#include "services/cmd_findmerge.h"
#include "sum/sum_lists.h"

// The change-set keys of `versions`, directory versions apart from the
// others, each group in the list's order (appended to `files` and `dirs`).
// A version whose element cannot be read is counted in `unreadable` and
// left out.
void sum_utl_sort_versions_by_mtype(const SUM_VersionList& versions,
                                    std::vector<fcset_key_t>& files, std::vector<fcset_key_t>& dirs,
                                    int& unreadable);

#endif  // SUM_SUM_UTL_VERSIONS_H
