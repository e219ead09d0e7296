// Deltas of stream baselines (repository/vob_zem_baseline_delta.h): written
// when a baseline is made, folded into the baselines resting on one that is
// removed.
#include "repository/vob_zem_baseline_delta.h"

#include <unordered_map>

#include "repository/sql.h"

namespace repo {
namespace zem {

namespace {

int insert_row(Store& s, tbs_dbid_t baseline, tbs_dbid_t activity, const long* count) {
  Query q = s.query(sql::kBaselineDeltaInsert);
  q.bind(1, id(baseline)).bind(2, id(activity));
  if (count != nullptr)
    q.bind(3, static_cast<int64_t>(*count));
  else
    q.bind_null(3);
  return q.run();
}

// The latest baseline made on stream timeline `timeline` before `made`; 0
// when none.
int delta_base(Store& s, tbs_dbid_t timeline, tbs_dbid_t made, tbs_dbid_t& base) {
  base = 0;
  Query q = s.query(sql::kBaselineDeltaBaseCandidate);
  q.bind(1, id(timeline)).bind(2, id(made));
  if (q.next() && !q.is_null(0))
    base = static_cast<tbs_dbid_t>(q.int64(0));
  return q.status();
}

}  // namespace

int record_baseline_delta(Store& s, tbs_dbid_t made, const vob_zem_baseline_spec_t& spec) {
  tbs_dbid_t base = 0;
  int status = spec.timeline == spec.component ? 0 : delta_base(s, spec.timeline, made, base);
  std::unordered_map<tbs_dbid_t, long> based;  // the base's pairs not yet matched
  if (status == 0 && base != 0) {
    Query q = s.query(sql::kBaselineCsets);
    q.bind(1, id(base));
    while (q.next())
      based.emplace(static_cast<tbs_dbid_t>(q.int64(0)), static_cast<long>(q.int64(1)));
    status = q.status();
  }
  for (size_t i = 0; status == 0 && i < spec.csets.size(); ++i) {
    const vob_zem_baseline_cset_t& pair = spec.csets[i];
    auto found = based.find(pair.activity);
    bool same = found != based.end() && found->second == pair.mod_count;
    if (found != based.end())
      based.erase(found);
    if (!same)
      status = insert_row(s, made, pair.activity, &pair.mod_count);
  }
  for (auto it = based.begin(); status == 0 && it != based.end(); ++it)
    status = insert_row(s, made, it->first, nullptr);
  if (status == 0 && base != 0)
    status = s.query(sql::kBaselineDeltaBaseSet).bind(1, id(made)).bind(2, id(base)).run();
  return status;
}

int fold_baseline_delta(Store& s, tbs_dbid_t baseline) {
  int status = s.query(sql::kBaselineDeltaFoldRows).bind(1, id(baseline)).run();
  if (status == 0)
    status = s.query(sql::kBaselineDeltaFoldBase).bind(1, id(baseline)).run();
  return status;
}

}  // namespace zem
}  // namespace repo
