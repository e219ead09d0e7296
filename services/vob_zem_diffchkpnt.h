// Differences of two configurations of one component, computed inside the
// project VOB (PVOB) that holds the component's baselines.
//
// Model. A configuration of a component is the set of (activity,
// modification count) pairs that made it. A side of a comparison names it in
// layers: pairs not recorded by any baseline (`pending`, a stream's
// activities as they are now), then baselines of the PVOB, nearest first: a
// baseline, the foundation baseline it was made on, that one's foundation,
// and so on down to an initial or import baseline of the component's main
// timeline, together with any other baselines the configuration holds (such
// as baselines delivered into a stream). An activity's count in the
// configuration is its pending count when it has one; otherwise the highest
// count any listed baseline records for it: an activity's changes only
// accumulate, so a configuration holding two of its counts holds the later
// one. The last baseline listed is the root the side descends from. Layers
// the two sides share at their ends (the common ancestry) are never read
// whole: only the pairs of the layers that differ cross into memory, and the
// shared ones are asked about single activities, so the cost follows the
// difference, not the history.
//
// Use: vob_diffchkpnt_diff computes the difference and gives a handle;
// vob_diffchkpnt_next_diff walks it in activity order; vob_diffchkpnt_termdiff
// releases it. Reading calls: they print nothing and change nothing.
// Statuses as in services/vob_zem.h: 1004 a dbid that is not a baseline of
// the PVOB, or an ordinary VOB; 1002 the end of the walk.
#ifndef SERVICES_VOB_ZEM_DIFFCHKPNT_H
#define SERVICES_VOB_ZEM_DIFFCHKPNT_H

#include <vector>

#include "services/vob.h"
#include "services/vob_zem_baseline.h"

// How an activity differs between the two sides.
enum vob_diffchkpnt_kind_t : int {
  VOB_DIFFCHKPNT_FIRST_ONLY = 1,   // on the first side only
  VOB_DIFFCHKPNT_SECOND_ONLY = 2,  // on the second side only
  VOB_DIFFCHKPNT_CHANGED = 3,      // on both sides, at different counts
};

// The count of an activity on a side that does not hold it.
inline constexpr unsigned int VOB_DIFFCHKPNT_NO_COUNT = ~0u;

// One side: `pending` pairs first, then `baselines` nearest first (see above).
struct vob_diffchkpnt_side_t {
  std::vector<vob_zem_baseline_cset_t> pending;
  std::vector<tbs_dbid_t> baselines;
};

// One differing activity with its count on each side (VOB_DIFFCHKPNT_NO_COUNT
// where absent).
struct vob_diffchkpnt_entry_t {
  tbs_dbid_t activity = 0;
  vob_diffchkpnt_kind_t kind = VOB_DIFFCHKPNT_CHANGED;
  unsigned int first_count = VOB_DIFFCHKPNT_NO_COUNT;
  unsigned int second_count = VOB_DIFFCHKPNT_NO_COUNT;
};

struct vob_diffchkpnt_s;
typedef vob_diffchkpnt_s* vob_diffchkpnt_h;

// Computes the difference of `first` and `second` in one read transaction of
// `pvob`. A baseline of either list that no longer exists is left out and
// marks the difference incomplete (vob_diffchkpnt_is_incomplete); an object
// that is not a baseline is 1004. `out` is set only on success and must be
// released with vob_diffchkpnt_termdiff.
int vob_diffchkpnt_diff(vob_vob_h pvob, const vob_diffchkpnt_side_t& first,
                        const vob_diffchkpnt_side_t& second, vob_diffchkpnt_h* out);
// `incomplete` 1 when a baseline of a side could not be read, or the sides
// end with different roots (see vob_diffchkpnt_timeline_indices).
int vob_diffchkpnt_is_incomplete(vob_diffchkpnt_h diff, int* incomplete);
// The positions, on the component's main timeline (its baselines in creation
// order, from 0), of the baselines each side ends with: the initial or import
// baseline it descends from. -1 for a side without baselines. Two sides with
// different positions descend from different roots and cannot be compared.
int vob_diffchkpnt_timeline_indices(vob_diffchkpnt_h diff, long* first, long* second);
// The number of differing activities.
int vob_diffchkpnt_count(vob_diffchkpnt_h diff, size_t* count);
// The next differing activity, in ascending dbid order; 1002 after the last.
int vob_diffchkpnt_next_diff(vob_diffchkpnt_h diff, vob_diffchkpnt_entry_t* entry);
// Releases the difference (null is allowed).
void vob_diffchkpnt_termdiff(vob_diffchkpnt_h diff);

#endif  // SERVICES_VOB_ZEM_DIFFCHKPNT_H
