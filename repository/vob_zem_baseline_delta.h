// What a baseline of a stream's timeline adds to the baseline made before it
// on that timeline: its delta. A stream's baselines each record every
// activity of the stream, so two baselines of one stream are compared
// through their deltas rather than their whole records.
//
// Record. A baseline may name its delta base (zem_baseline_delta_bases): the
// latest baseline made earlier on the same stream timeline. Without one (a
// baseline of a main timeline, the first of a timeline, and baselines
// recorded before deltas were kept) its base is 0. Its delta rows (zem_baseline_deltas) hold the pairs whose
// count differs from the base's or that the base lacks, and a row without a
// count for each pair of the base it does not record. A baseline with base 0
// holds all its pairs. Resolving an activity from a baseline down its bases,
// the first row found decides. Everything here runs inside the caller's
// transaction.
#ifndef REPOSITORY_VOB_ZEM_BASELINE_DELTA_H
#define REPOSITORY_VOB_ZEM_BASELINE_DELTA_H

#include "repository/vob_internal.h"
#include "services/vob_zem_baseline.h"

namespace repo {
namespace zem {

// Records the delta of new baseline `made` (on `timeline`, of `component`)
// recording `csets`.
int record_baseline_delta(Store& s, tbs_dbid_t made, const vob_zem_baseline_spec_t& spec);
// Before `baseline` is removed: each baseline resting on it takes the rows of
// its delta it lacks, and its base, so that what it records stays whole.
int fold_baseline_delta(Store& s, tbs_dbid_t baseline);

}  // namespace zem
}  // namespace repo

#endif  // REPOSITORY_VOB_ZEM_BASELINE_DELTA_H
