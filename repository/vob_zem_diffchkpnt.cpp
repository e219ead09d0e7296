// Differences of two layered configurations of a component
// (services/vob_zem_diffchkpnt.h), computed in one read transaction of the
// PVOB: the layers the sides do not share are read whole, the shared ancestry
// only for the activities that need it.
#include "services/vob_zem_diffchkpnt.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

#include "repository/sql.h"
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

// One side reduced to the pairs of its own layers (those the other side does
// not share): activity -> count, the first layer holding an activity giving it.
using SideCounts = std::unordered_map<tbs_dbid_t, unsigned int>;

// Checks that `baseline` is a baseline of the PVOB's form: 0 a baseline; 1002 gone; 1004 something
// else.
int check_baseline(Store& s, vob_mtype_t baseline_mtype, tbs_dbid_t baseline) {
  ObjectRow row;
  int status = baseline == 0 ? TBS_ST_NOT_FOUND : repo::read_object(s, baseline, row);
  if (status == 0 && row.mtype != baseline_mtype)
    return TBS_ST_BAD_ARGUMENT;
  return status;
}

// Adds the pairs of `baseline` that no earlier layer gave.
int add_layer(Store& s, tbs_dbid_t baseline, SideCounts& side) {
  Query q = s.query(repo::sql::kBaselineCsets);
  q.bind(1, id(baseline));
  while (q.next())
    side.emplace(static_cast<tbs_dbid_t>(q.int64(0)), static_cast<unsigned int>(q.int64(1)));
  return q.status();
}

// Reads `side`'s pending pairs and its first `own` baselines into `out`;
// a baseline that is gone sets `incomplete`.
int read_own_layers(Store& s, vob_mtype_t baseline_mtype, const vob_diffchkpnt_side_t& side,
                    size_t own, SideCounts& out, int& incomplete) {
  for (const vob_zem_baseline_cset_t& pair : side.pending)
    out.emplace(pair.activity, static_cast<unsigned int>(pair.mod_count));
  for (size_t i = 0; i < own; ++i) {
    int status = check_baseline(s, baseline_mtype, side.baselines[i]);
    if (status == TBS_ST_NOT_FOUND) {
      incomplete = 1;
      continue;
    }
    if (status == 0)
      status = add_layer(s, side.baselines[i], out);
    if (status != 0)
      return status;
  }
  return TBS_ST_OK;
}

// The number of baselines both sides end with.
size_t shared_tail(const vob_diffchkpnt_side_t& first, const vob_diffchkpnt_side_t& second) {
  size_t n = 0;
  const std::vector<tbs_dbid_t>& a = first.baselines;
  const std::vector<tbs_dbid_t>& b = second.baselines;
  while (n < a.size() && n < b.size() && a[a.size() - 1 - n] == b[b.size() - 1 - n])
    ++n;
  return n;
}

// The shared ancestry `tail` (nearest first), asked about one activity at a
// time: the count of the nearest tail baseline holding it.
class SharedTail {
 public:
  SharedTail(Store& s, const std::vector<tbs_dbid_t>& tail) : store_(s) {
    for (size_t i = 0; i < tail.size(); ++i)
      rank_.emplace(tail[i], i);
  }

  // `count` VOB_DIFFCHKPNT_NO_COUNT when no tail baseline holds `activity`.
  int count_of(tbs_dbid_t activity, unsigned int& count) {
    count = VOB_DIFFCHKPNT_NO_COUNT;
    if (rank_.empty())
      return TBS_ST_OK;
    size_t best = rank_.size();
    Query q = store_.query(repo::sql::kBaselineCsetsOfActivity);
    q.bind(1, id(activity));
    while (q.next()) {
      auto found = rank_.find(static_cast<tbs_dbid_t>(q.int64(0)));
      if (found != rank_.end() && found->second < best) {
        best = found->second;
        count = static_cast<unsigned int>(q.int64(1));
      }
    }
    return q.status();
  }

 private:
  Store& store_;
  std::unordered_map<tbs_dbid_t, size_t> rank_;
};

// The count `side` gives `activity`: from its own layers, else from the
// shared ancestry.
int side_count(const SideCounts& side, SharedTail& tail, tbs_dbid_t activity, unsigned int& count) {
  auto own = side.find(activity);
  if (own != side.end()) {
    count = own->second;
    return TBS_ST_OK;
  }
  return tail.count_of(activity, count);
}

// Every activity of either side's own layers whose counts differ, in
// ascending order.
int collect_differences(const SideCounts& first, const SideCounts& second, SharedTail& tail,
                        std::vector<vob_diffchkpnt_entry_t>& out) {
  std::vector<tbs_dbid_t> candidates;
  candidates.reserve(first.size() + second.size());
  for (const auto& pair : first)
    candidates.push_back(pair.first);
  for (const auto& pair : second)
    if (first.find(pair.first) == first.end())
      candidates.push_back(pair.first);
  std::sort(candidates.begin(), candidates.end());
  for (tbs_dbid_t activity : candidates) {
    vob_diffchkpnt_entry_t entry;
    entry.activity = activity;
    int status = side_count(first, tail, activity, entry.first_count);
    if (status == 0)
      status = side_count(second, tail, activity, entry.second_count);
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

int compute(vob_vob_h pvob, Store& s, const vob_diffchkpnt_side_t& first,
            const vob_diffchkpnt_side_t& second, vob_diffchkpnt_s& diff) {
  zem::StreamKinds kinds;
  int status = zem::read_kinds(pvob, s, false, kinds);
  if (status != 0)
    return status;
  const vob_mtype_t baseline_mtype = kinds.first_class ? VOB_MTYPE_BASELINE : VOB_MTYPE_CHECKPOINT;
  const size_t shared = shared_tail(first, second);
  std::vector<tbs_dbid_t> tail_ids(first.baselines.end() - static_cast<long>(shared),
                                   first.baselines.end());
  for (tbs_dbid_t baseline : tail_ids) {
    if ((status = check_baseline(s, baseline_mtype, baseline)) == TBS_ST_NOT_FOUND)
      diff.incomplete = 1;
    else if (status != 0)
      return status;
  }
  SideCounts own_first, own_second;
  if ((status = read_own_layers(s, baseline_mtype, first, first.baselines.size() - shared,
                                own_first, diff.incomplete)) != 0 ||
      (status = read_own_layers(s, baseline_mtype, second, second.baselines.size() - shared,
                                own_second, diff.incomplete)) != 0)
    return status;
  SharedTail tail(s, tail_ids);
  if ((status = collect_differences(own_first, own_second, tail, diff.entries)) != 0)
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
