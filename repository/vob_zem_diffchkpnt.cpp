// Differences of two layered configurations of a component
// (services/vob_zem_diffchkpnt.h), computed in one read transaction of the
// PVOB. Each baseline of a side stands for its chain of deltas
// (repository/vob_zem_baseline_delta.h); the deltas the sides do not share
// are read whole, the shared ones only for the activities that need them.
#include "services/vob_zem_diffchkpnt.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

#include "repository/sql.h"
#include "repository/vob_zem_baseline_delta.h"
#include "repository/vob_zem_stream_internal.h"

struct vob_diffchkpnt_s {
  std::vector<vob_diffchkpnt_entry_t> entries;  // ascending activity
  size_t next = 0;
  int incomplete = 0;
  long first_index = -1;
  long second_index = -1;
};

namespace {

using repo::ObjectRow;
using repo::Query;
using repo::Store;
namespace zem = repo::zem;
using repo::id;

// What a delta row says of an activity: a count, or that the baseline does
// not record the pair its base records.
constexpr unsigned int kDropped = VOB_DIFFCHKPNT_NO_COUNT - 1;

// One layer of a side: a baseline's delta. `segment_end` marks a baseline
// resting on no other (its delta is its whole record): a dropped pair skips
// to the layer after the next segment end.
struct Layer {
  tbs_dbid_t baseline = 0;
  bool segment_end = false;
};

// Delta rows of some layers: layer index -> (activity -> count or kDropped).
using Rows = std::unordered_map<tbs_dbid_t, unsigned int>;

// Checks that `baseline` is a baseline of the PVOB's form: 0 a baseline;
// 1002 gone; 1004 something else.
int check_baseline(Store& s, vob_mtype_t baseline_mtype, tbs_dbid_t baseline) {
  ObjectRow row;
  int status = baseline == 0 ? TBS_ST_NOT_FOUND : repo::read_object(s, baseline, row);
  if (status == 0 && row.mtype != baseline_mtype)
    return TBS_ST_BAD_ARGUMENT;
  return status;
}

// Appends the layers of `baseline`: itself, then its delta bases.
int append_segment(Store& s, tbs_dbid_t baseline, std::vector<Layer>& out) {
  tbs_dbid_t at = baseline;
  while (at != 0) {
    Query q = s.query(repo::sql::kBaselineDeltaBaseGet);
    q.bind(1, id(at));
    tbs_dbid_t base = q.next() ? static_cast<tbs_dbid_t>(q.int64(0)) : 0;
    if (q.status() != 0)
      return q.status();
    out.push_back({at, base == 0});
    at = base;
  }
  return TBS_ST_OK;
}

// The layers of `side`'s baselines; a baseline that is gone is left out and
// sets `incomplete`.
int side_layers(Store& s, vob_mtype_t baseline_mtype, const vob_diffchkpnt_side_t& side,
                std::vector<Layer>& out, int& incomplete) {
  for (tbs_dbid_t baseline : side.baselines) {
    int status = check_baseline(s, baseline_mtype, baseline);
    if (status == TBS_ST_NOT_FOUND) {
      incomplete = 1;
      continue;
    }
    if (status == 0)
      status = append_segment(s, baseline, out);
    if (status != 0)
      return status;
  }
  return TBS_ST_OK;
}

// The number of layers both sides end with.
size_t shared_tail(const std::vector<Layer>& a, const std::vector<Layer>& b) {
  size_t n = 0;
  while (n < a.size() && n < b.size() &&
         a[a.size() - 1 - n].baseline == b[b.size() - 1 - n].baseline)
    ++n;
  return n;
}

unsigned int row_value(const Query& q, int column) {
  return q.is_null(column) ? kDropped : static_cast<unsigned int>(q.int64(column));
}

// The delta rows of `layers`' first `own` layers, by baseline.
int read_own_rows(Store& s, const std::vector<Layer>& layers, size_t own,
                  std::unordered_map<tbs_dbid_t, Rows>& out) {
  for (size_t i = 0; i < own; ++i) {
    Rows& rows = out[layers[i].baseline];
    if (!rows.empty())
      continue;
    Query q = s.query(repo::sql::kBaselineDeltaRows);
    q.bind(1, id(layers[i].baseline));
    while (q.next())
      rows.emplace(static_cast<tbs_dbid_t>(q.int64(0)), row_value(q, 1));
    if (q.status() != 0)
      return q.status();
  }
  return TBS_ST_OK;
}

// The count `layers` give `activity` (VOB_DIFFCHKPNT_NO_COUNT when none).
// Within a segment (one baseline down its delta bases) the first row found
// decides, a dropped pair meaning the baseline does not hold the activity;
// across segments the highest count wins. `rows_of(i)` gives layer i's row
// for the activity, if any.
template <typename RowsOf>
unsigned int resolve(const std::vector<Layer>& layers, RowsOf rows_of) {
  unsigned int best = VOB_DIFFCHKPNT_NO_COUNT;
  for (size_t i = 0; i < layers.size(); ++i) {
    const unsigned int* row = rows_of(i);
    if (row == nullptr)
      continue;
    if (*row != kDropped && (best == VOB_DIFFCHKPNT_NO_COUNT || *row > best))
      best = *row;
    while (i < layers.size() && !layers[i].segment_end)
      ++i;
  }
  return best;
}

// Both sides' layers with the rows of the layers they do not share in
// memory; the shared ones are asked about one activity at a time.
struct Sides {
  const vob_diffchkpnt_side_t* first = nullptr;
  const vob_diffchkpnt_side_t* second = nullptr;
  std::vector<Layer> first_layers, second_layers;
  size_t shared = 0;
  std::unordered_map<tbs_dbid_t, Rows> own_rows;  // baseline -> rows
  Rows first_pending, second_pending;
};

// The count of `activity` on one side.
int side_count(Store& s, const Sides& sides, const std::vector<Layer>& layers, const Rows& pending,
               tbs_dbid_t activity, unsigned int& count) {
  auto in_pending = pending.find(activity);
  if (in_pending != pending.end()) {
    count = in_pending->second;
    return TBS_ST_OK;
  }
  // The shared layers' rows of this activity, read once.
  std::unordered_map<tbs_dbid_t, unsigned int> shared;
  Query q = s.query(repo::sql::kBaselineDeltaRowsOfActivity);
  q.bind(1, id(activity));
  while (q.next())
    shared.emplace(static_cast<tbs_dbid_t>(q.int64(0)), row_value(q, 1));
  if (q.status() != 0)
    return q.status();
  const size_t own = layers.size() - sides.shared;
  count = resolve(layers, [&](size_t i) -> const unsigned int* {
    if (i < own) {
      auto layer = sides.own_rows.find(layers[i].baseline);
      auto found = layer->second.find(activity);
      return found == layer->second.end() ? nullptr : &found->second;
    }
    auto found = shared.find(layers[i].baseline);
    return found == shared.end() ? nullptr : &found->second;
  });
  return TBS_ST_OK;
}

// Every activity of either side's pending pairs or own layers whose counts
// differ, in ascending order.
int collect_differences(Store& s, const Sides& sides, std::vector<vob_diffchkpnt_entry_t>& out) {
  std::vector<tbs_dbid_t> candidates;
  for (const Rows* pending : {&sides.first_pending, &sides.second_pending})
    for (const auto& pair : *pending)
      candidates.push_back(pair.first);
  for (const auto& layer : sides.own_rows)
    for (const auto& pair : layer.second)
      candidates.push_back(pair.first);
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  for (tbs_dbid_t activity : candidates) {
    vob_diffchkpnt_entry_t entry;
    entry.activity = activity;
    int status =
        side_count(s, sides, sides.first_layers, sides.first_pending, activity, entry.first_count);
    if (status == 0)
      status = side_count(s, sides, sides.second_layers, sides.second_pending, activity,
                          entry.second_count);
    if (status != 0)
      return status;
    if (entry.first_count == entry.second_count)
      continue;
    if (entry.second_count == VOB_DIFFCHKPNT_NO_COUNT)
      entry.kind = VOB_DIFFCHKPNT_FIRST_ONLY;
    else if (entry.first_count == VOB_DIFFCHKPNT_NO_COUNT)
      entry.kind = VOB_DIFFCHKPNT_SECOND_ONLY;
    else
      entry.kind = VOB_DIFFCHKPNT_CHANGED;
    out.push_back(entry);
  }
  return TBS_ST_OK;
}

// The position on its component's main timeline of the last baseline of
// `side` (the root it descends from); -1 without baselines or when it is gone.
int root_index(Store& s, const vob_diffchkpnt_side_t& side, long& index) {
  index = -1;
  if (side.baselines.empty())
    return TBS_ST_OK;
  Query q = s.query(repo::sql::kBaselineMainTimelineIndex);
  q.bind(1, id(side.baselines.back()));
  if (q.next())
    index = static_cast<long>(q.int64(0));
  return q.status();
}

Rows pending_rows(const vob_diffchkpnt_side_t& side) {
  Rows rows;
  for (const vob_zem_baseline_cset_t& pair : side.pending)
    rows.emplace(pair.activity, static_cast<unsigned int>(pair.mod_count));
  return rows;
}

int compute(vob_vob_h pvob, Store& s, const vob_diffchkpnt_side_t& first,
            const vob_diffchkpnt_side_t& second, vob_diffchkpnt_s& diff) {
  zem::StreamKinds kinds;
  int status = zem::read_kinds(pvob, s, false, kinds);
  if (status != 0)
    return status;
  const vob_mtype_t baseline_mtype = kinds.first_class ? VOB_MTYPE_BASELINE : VOB_MTYPE_CHECKPOINT;
  Sides sides;
  if ((status = side_layers(s, baseline_mtype, first, sides.first_layers, diff.incomplete)) != 0 ||
      (status = side_layers(s, baseline_mtype, second, sides.second_layers, diff.incomplete)) != 0)
    return status;
  sides.shared = shared_tail(sides.first_layers, sides.second_layers);
  sides.first_pending = pending_rows(first);
  sides.second_pending = pending_rows(second);
  if ((status = read_own_rows(s, sides.first_layers, sides.first_layers.size() - sides.shared,
                              sides.own_rows)) != 0 ||
      (status = read_own_rows(s, sides.second_layers, sides.second_layers.size() - sides.shared,
                              sides.own_rows)) != 0 ||
      (status = collect_differences(s, sides, diff.entries)) != 0)
    return status;
  if ((status = root_index(s, first, diff.first_index)) == 0)
    status = root_index(s, second, diff.second_index);
  // Sides from different roots share no ancestry: what was computed is not
  // their difference.
  if (diff.first_index != diff.second_index && !first.baselines.empty() &&
      !second.baselines.empty())
    diff.incomplete = 1;
  return status;
}

}  // namespace

int vob_diffchkpnt_diff(vob_vob_h pvob, const vob_diffchkpnt_side_t& first,
                        const vob_diffchkpnt_side_t& second, vob_diffchkpnt_h* out) {
  if (out == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  std::unique_ptr<vob_diffchkpnt_s> diff(new vob_diffchkpnt_s);
  repo::ReadScope one_snapshot;
  int status = repo::with_store(
      pvob, [&](Store& s) -> int { return compute(pvob, s, first, second, *diff); });
  if (status == 0)
    *out = diff.release();
  return status;
}

int vob_diffchkpnt_is_incomplete(vob_diffchkpnt_h diff, int* incomplete) {
  if (diff == nullptr || incomplete == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  *incomplete = diff->incomplete;
  return TBS_ST_OK;
}

int vob_diffchkpnt_timeline_indices(vob_diffchkpnt_h diff, long* first, long* second) {
  if (diff == nullptr || first == nullptr || second == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  *first = diff->first_index;
  *second = diff->second_index;
  return TBS_ST_OK;
}

int vob_diffchkpnt_count(vob_diffchkpnt_h diff, size_t* count) {
  if (diff == nullptr || count == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  *count = diff->entries.size();
  return TBS_ST_OK;
}

int vob_diffchkpnt_next_diff(vob_diffchkpnt_h diff, vob_diffchkpnt_entry_t* entry) {
  if (diff == nullptr || entry == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  if (diff->next >= diff->entries.size())
    return TBS_ST_NOT_FOUND;
  *entry = diff->entries[diff->next++];
  return TBS_ST_OK;
}

void vob_diffchkpnt_termdiff(vob_diffchkpnt_h diff) {
  delete diff;
}
