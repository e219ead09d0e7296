// Deliveries recorded on stream timelines (services/vob_zem_stream.h): the
// "TimelineContribution" hyperlink from a delivered baseline to the target
// stream's timeline and the timeline entry naming that hyperlink, written
// and removed together in one transaction of the PVOB.
#include <set>
#include <vector>

#include "repository/sql.h"
#include "repository/vob_zem_stream_internal.h"

namespace {

using repo::id;
using repo::ObjectRow;
using repo::Query;
using repo::Store;
namespace zem = repo::zem;

// Checks both ends of `pair`: a baseline of the PVOB's storage form and a
// stream timeline. Prints what was expected of a wrong one.
int check_pair(vob_vob_h pvob, Store& s, const zem::StreamKinds& kinds,
               const vob_zem_tl_contrib_t& pair) {
  const vob_mtype_t baseline = kinds.first_class ? VOB_MTYPE_BASELINE : VOB_MTYPE_CHECKPOINT;
  ObjectRow row;
  int status = zem::need(
      pvob, s, pair.baseline, "baseline", [&](const ObjectRow& r) { return r.mtype == baseline; },
      row);
  if (status == 0)
    status = zem::need(
        pvob, s, pair.timeline, "timeline",
        [&](const ObjectRow& r) { return kinds.timeline.matches(r); }, row);
  return status;
}

// The contribution hyperlinks from the pair's baseline to its timeline,
// oldest first.
int links_between(Store& s, const vob_zem_tl_contrib_t& pair, std::vector<tbs_dbid_t>& out) {
  out.clear();
  Query q = s.query(repo::sql::kHlinksFromTo);
  q.bind(1, id(pair.baseline)).bind(2, VOB_WK_HLTYPE_TIMELINE_CONTRIB).bind(3, id(pair.timeline));
  while (q.next())
    out.push_back(repo::dbid_at(q, 0));
  return q.status();
}

// The position of the first entry of `timeline` naming `hlink` as a
// contribution; -1 when there is none.
int entry_position(Store& s, tbs_dbid_t timeline, tbs_dbid_t hlink, int64_t& position) {
  Query q = s.query(repo::sql::kTimelineEntryFind);
  q.bind(1, id(timeline)).bind(2, id(hlink)).bind(3, static_cast<int64_t>(VOB_ZEM_TL_OTHER));
  position = q.next() ? q.int64(0) : -1;
  return q.status();
}

// Whether `a` and `b` name the same delivery.
bool same_pair(const vob_zem_tl_contrib_t& a, const vob_zem_tl_contrib_t& b) {
  return a.baseline == b.baseline && a.timeline == b.timeline;
}

// `contribs` without repeats, in first-seen order.
std::vector<vob_zem_tl_contrib_t> distinct(const std::vector<vob_zem_tl_contrib_t>& contribs) {
  std::vector<vob_zem_tl_contrib_t> out;
  for (const vob_zem_tl_contrib_t& pair : contribs) {
    bool seen = false;
    for (const vob_zem_tl_contrib_t& kept : out)
      seen = seen || same_pair(kept, pair);
    if (!seen)
      out.push_back(pair);
  }
  return out;
}

// A new contribution hyperlink from the pair's baseline to its timeline.
int make_link(Store& s, const vob_zem_tl_contrib_t& pair, const vob_event_info_t* event,
              tbs_dbid_t& hlink) {
  tbs_dbid_t type = 0;
  ObjectRow timeline;
  int status = repo::well_known(s, VOB_WK_HLTYPE_TIMELINE_CONTRIB, &type);
  if (status == 0)
    status = repo::read_object(s, pair.timeline, timeline);
  if (status != 0)
    return status;
  repo::NewHlink link;
  link.wk_type = VOB_WK_HLTYPE_TIMELINE_CONTRIB;
  link.type = type;
  link.from = pair.baseline;
  link.to_oid = timeline.oid;
  link.to = pair.timeline;
  return repo::insert_hlink(s, link, event, &hlink);
}

// Records one delivery unless it is recorded already; `wrote` tells which.
int record_one(vob_vob_h pvob, Store& s, const vob_zem_tl_contrib_t& pair,
               const vob_event_info_t* event, bool& wrote) {
  wrote = false;
  std::vector<tbs_dbid_t> links;
  int status = links_between(s, pair, links);
  for (size_t i = 0; status == 0 && i < links.size(); ++i) {
    int64_t position = -1;
    if ((status = entry_position(s, pair.timeline, links[i], position)) == 0 && position >= 0)
      return TBS_ST_OK;
  }
  if (status != 0)
    return status;
  // A hyperlink without its entry (made before entries were kept) gets one.
  tbs_dbid_t hlink = links.empty() ? 0 : links.front();
  if (hlink == 0 && (status = make_link(s, pair, event, hlink)) != 0)
    return status;
  status = zem::place_entry(pvob, s, pair.timeline, -1, VOB_ZEM_TL_OTHER, hlink);
  wrote = status == 0;
  return status;
}

// Removes one delivery's entries and hyperlinks; `wrote` when there were any.
int remove_one(vob_vob_h pvob, Store& s, const vob_zem_tl_contrib_t& pair, bool& wrote) {
  wrote = false;
  std::vector<tbs_dbid_t> links;
  int status = links_between(s, pair, links);
  if (status == 0 && !links.empty())
    status = repo::check_not_locked(pvob, s, pair.timeline);
  for (size_t i = 0; status == 0 && i < links.size(); ++i) {
    int64_t position = -1;
    while ((status = entry_position(s, pair.timeline, links[i], position)) == 0 && position >= 0) {
      status = s.query(repo::sql::kTimelineEntryDelete)
                   .bind(1, id(pair.timeline))
                   .bind(2, position)
                   .run();
      if (status == 0)
        status =
            s.query(repo::sql::kTimelineUnshift).bind(1, id(pair.timeline)).bind(2, position).run();
      if (status != 0)
        break;
    }
    if (status == 0)
      status = s.query(repo::sql::kEventsDelete).bind(1, id(links[i])).run();
    if (status == 0)
      status = s.query(repo::sql::kObjectDelete).bind(1, id(links[i])).run();
  }
  wrote = status == 0 && !links.empty();
  return status;
}

// Runs `step(store, pair, wrote)` for every distinct pair inside one
// transaction, after checking them all, and records a modify event on each
// timeline written; `count` (may be null) gets the pairs written.
template <typename Step>
int for_pairs(vob_vob_h pvob, const std::vector<vob_zem_tl_contrib_t>& contribs,
              const vob_event_info_t* event, size_t* count, Step step) {
  const std::vector<vob_zem_tl_contrib_t> pairs = distinct(contribs);
  size_t written = 0;
  int status = repo::in_txn(pvob, [&](Store& s) -> int {
    written = 0;
    zem::StreamKinds kinds;
    int st = zem::read_kinds(pvob, s, true, kinds);
    for (size_t i = 0; st == 0 && i < pairs.size(); ++i)
      st = check_pair(pvob, s, kinds, pairs[i]);
    std::set<tbs_dbid_t> changed;
    for (size_t i = 0; st == 0 && i < pairs.size(); ++i) {
      bool wrote = false;
      if ((st = step(s, pairs[i], wrote)) == 0 && wrote) {
        ++written;
        changed.insert(pairs[i].timeline);
      }
    }
    for (auto it = changed.begin(); st == 0 && it != changed.end(); ++it)
      st = repo::record_event(s, *it, VOB_EVENT_MODIFY, event);
    return st;
  });
  if (status == 0 && count != nullptr)
    *count = written;
  return status;
}

}  // namespace

int vob_zem_timeline_record_contribs(vob_vob_h pvob,
                                     const std::vector<vob_zem_tl_contrib_t>& contribs,
                                     const vob_event_info_t* event, size_t* recorded) {
  return for_pairs(pvob, contribs, event, recorded,
                   [&](Store& s, const vob_zem_tl_contrib_t& pair, bool& wrote) {
                     return record_one(pvob, s, pair, event, wrote);
                   });
}

int vob_zem_timeline_remove_contribs(vob_vob_h pvob,
                                     const std::vector<vob_zem_tl_contrib_t>& contribs,
                                     const vob_event_info_t* event, size_t* removed) {
  return for_pairs(pvob, contribs, event, removed,
                   [&](Store& s, const vob_zem_tl_contrib_t& pair, bool& wrote) {
                     return remove_one(pvob, s, pair, wrote);
                   });
}
