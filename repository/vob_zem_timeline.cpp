// Timelines of streams in both storage forms: creation in a stream, the
// stream of a timeline, a stream's timelines and those of a whole PVOB,
// removal, and the ordered list of entries (append, insert at a position,
// remove an object's entries, read, the foundation-arc test).
#include <ctime>
#include <utility>
#include <vector>

#include "repository/sql.h"
#include "repository/vob_zem_activity_internal.h"
#include "repository/vob_zem_stream_internal.h"

namespace repo {
namespace zem {

int place_entry(vob_vob_h pvob, Store& s, tbs_dbid_t timeline, long long position, int kind,
                tbs_dbid_t obj) {
  if (kind < VOB_ZEM_TL_FOUNDATION_ARC || kind > VOB_ZEM_TL_BASELINE) {
    imsg_print(IMSG_ERROR, tbs_msg::TimelineEntryKindUnknown, kind);
    return TBS_ST_BAD_ARGUMENT;
  }
  Query counted = s.query(sql::kTimelineEntryCount);
  counted.bind(1, static_cast<int64_t>(timeline));
  int count = counted.next() ? counted.integer(0) : 0;
  if (counted.status() != 0)
    return counted.status();
  long long at = position < 0 ? count : position;
  if (at > count) {
    imsg_print(IMSG_ERROR, tbs_msg::TimelineEntriesPositionBeyond,
               display_name(pvob, timeline).c_str(), count, static_cast<int>(at));
    return TBS_ST_BAD_ARGUMENT;
  }
  int status = check_not_locked(pvob, s, timeline);
  if (status == 0 && at < count)
    status = s.query(sql::kTimelineShift)
                 .bind(1, static_cast<int64_t>(timeline))
                 .bind(2, static_cast<int64_t>(at))
                 .run();
  if (status == 0)
    status = s.query(sql::kTimelineEntryInsert)
                 .bind(1, static_cast<int64_t>(timeline))
                 .bind(2, static_cast<int64_t>(at))
                 .bind(3, static_cast<int64_t>(kind))
                 .bind(4, static_cast<int64_t>(obj))
                 .bind(5, static_cast<int64_t>(std::time(nullptr)))
                 .run();
  return status;
}

int drop_entries_of(Store& s, tbs_dbid_t obj, int kind) {
  std::vector<std::pair<int64_t, int64_t>> places;  // (timeline, position), latest first
  Query q = s.query(sql::kTimelineEntriesOfObj);
  q.bind(1, static_cast<int64_t>(obj)).bind(2, static_cast<int64_t>(kind));
  while (q.next())
    places.emplace_back(q.int64(0), q.int64(1));
  int status = q.status();
  for (size_t i = 0; status == 0 && i < places.size(); ++i) {
    status =
        s.query(sql::kTimelineEntryDelete).bind(1, places[i].first).bind(2, places[i].second).run();
    if (status == 0)
      status =
          s.query(sql::kTimelineUnshift).bind(1, places[i].first).bind(2, places[i].second).run();
  }
  return status;
}

}  // namespace zem
}  // namespace repo

namespace {

using repo::ObjectRow;
using repo::Store;
namespace zem = repo::zem;
using repo::id;

// Reads the kinds of the PVOB and checks that `obj` is of the kind `pick`
// selects; prints what was expected when `what` is given.
template <typename Pick>
int need_kind(vob_vob_h pvob, Store& s, tbs_dbid_t obj, const char* what, Pick pick,
              zem::StreamKinds& kinds) {
  ObjectRow row;
  int status = zem::read_kinds(pvob, s, what != nullptr, kinds);
  if (status != 0)
    return status;
  const zem::ZemKind& kind = pick(kinds);
  return zem::need(
      pvob, s, obj, what, [&](const ObjectRow& r) { return kind.matches(r); }, row);
}

const zem::ZemKind& stream_kind(const zem::StreamKinds& k) {
  return k.stream;
}
const zem::ZemKind& timeline_kind(const zem::StreamKinds& k) {
  return k.timeline;
}

int read_entries(Store& s, tbs_dbid_t timeline, std::vector<vob_zem_timeline_entry_t>& out) {
  std::vector<vob_zem_timeline_entry_t> found;
  repo::Query q = s.query(repo::sql::kTimelineEntries);
  q.bind(1, id(timeline));
  while (q.next()) {
    vob_zem_timeline_entry_t e;
    e.etime = static_cast<long>(q.int64(0));
    e.kind = q.integer(1);
    e.dbid = static_cast<tbs_dbid_t>(q.int64(2));
    found.push_back(e);
  }
  if (q.status() == 0)
    out.swap(found);
  return q.status();
}

// Places an entry at `position` (-1: the end) in one transaction.
int put_entry(vob_vob_h pvob, tbs_dbid_t timeline, long long position, int kind, tbs_dbid_t obj,
              const vob_event_info_t* event) {
  return repo::in_txn(pvob, [&](Store& s) -> int {
    zem::StreamKinds kinds;
    ObjectRow target;
    int status = need_kind(pvob, s, timeline, "timeline", timeline_kind, kinds);
    if (status == 0)
      status = zem::need(
          pvob, s, obj, "object", [](const ObjectRow&) { return true; }, target);
    if (status == 0)
      status = zem::place_entry(pvob, s, timeline, position, kind, obj);
    return status != 0 ? status : repo::record_event(s, timeline, VOB_EVENT_MODIFY, event);
  });
}

}  // namespace

int vob_zem_timeline_create(vob_vob_h pvob, tbs_dbid_t stream, const char* name,
                            const vob_event_info_t* event, tbs_dbid_t* dbid) {
  if (dbid == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  int status = name != nullptr ? repo::check_object_name(name) : TBS_ST_OK;
  if (status != 0)
    return status;
  tbs_dbid_t made = 0;
  status = repo::in_txn(pvob, [&](Store& s) -> int {
    zem::StreamKinds kinds;
    int st = need_kind(pvob, s, stream, "stream", stream_kind, kinds);
    if (st == 0)
      st = repo::check_not_locked(pvob, s, stream);
    if (st != 0)
      return st;
    repo::NewObject object;
    object.name = name;
    if (kinds.first_class) {
      object.mtype = VOB_MTYPE_TIMELINE;
    } else {
      object.mtype = VOB_MTYPE_ACTIVITY_LIKE;
      object.type = static_cast<tbs_dbid_t>(kinds.timeline.type);
    }
    const char* kind = kinds.first_class ? "timeline" : "ZEM object";
    return zem::make_object(s, object, kind, stream, nullptr, event, &made);
  });
  if (status == 0)
    *dbid = made;
  return status;
}

int vob_zem_timeline_get_stream(vob_vob_h pvob, tbs_dbid_t timeline, tbs_dbid_t* stream) {
  if (stream == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return repo::with_store(pvob, [&](Store& s) -> int {
    zem::StreamKinds kinds;
    zem::ZemRow tree;
    int status = need_kind(pvob, s, timeline, nullptr, timeline_kind, kinds);
    if (status == 0)
      status = zem::read_row(s, timeline, tree);
    if (status == 0 && tree.parent == 0)
      status = TBS_ST_NOT_FOUND;
    if (status == 0)
      *stream = tree.parent;
    return status;
  });
}

int vob_zem_stream_next_timelines(vob_vob_h pvob, tbs_dbid_t stream, size_t offset, size_t max,
                                  std::vector<tbs_dbid_t>& timelines) {
  return repo::with_store(pvob, [&](Store& s) -> int {
    zem::StreamKinds kinds;
    int status = need_kind(pvob, s, stream, nullptr, stream_kind, kinds);
    return status != 0 ? status
                       : zem::list_of_kind(s, stream, kinds.timeline, offset, max, timelines);
  });
}

int vob_zem_timeline_delete(vob_vob_h pvob, tbs_dbid_t timeline, const vob_event_info_t* event) {
  return repo::in_txn(pvob, [&](Store& s) -> int {
    zem::StreamKinds kinds;
    int status = need_kind(pvob, s, timeline, "timeline", timeline_kind, kinds);
    if (status == 0)
      status = zem::release_baselines(pvob, s, timeline, event);
    return status != 0 ? status : zem::remove_object(pvob, s, timeline, event);
  });
}

int vob_zem_pvob_next_timelines(vob_vob_h pvob, size_t offset, size_t max,
                                std::vector<tbs_dbid_t>& timelines) {
  return repo::with_store(pvob, [&](Store& s) -> int {
    zem::StreamKinds kinds;
    int status = zem::read_kinds(pvob, s, false, kinds);
    if (status != 0)
      return status;
    // An activity-like timeline has metatype 28 and the timeline type; a
    // first-class one metatype 40 and no type (0: any). A PVOB without a
    // timeline type has no timelines.
    int64_t mtype = kinds.first_class ? kinds.timeline.mtype : int64_t{VOB_MTYPE_ACTIVITY_LIKE};
    int64_t type = kinds.first_class ? 0 : kinds.timeline.type;
    if (type < 0) {
      timelines.clear();
      return TBS_ST_OK;
    }
    repo::Query q = s.query(repo::sql::kObjectsOfMtypeAndType);
    q.bind(1, mtype).bind(2, type);
    return repo::read_page(q, 3, offset, max, timelines);
  });
}

int vob_zem_timeline_add_entry(vob_vob_h pvob, tbs_dbid_t timeline, int kind, tbs_dbid_t obj,
                               const vob_event_info_t* event) {
  return put_entry(pvob, timeline, -1, kind, obj, event);
}

int vob_zem_timeline_insert_entry(vob_vob_h pvob, tbs_dbid_t timeline, size_t position, int kind,
                                  tbs_dbid_t obj, const vob_event_info_t* event) {
  // Positions beyond any real list are refused as beyond the end.
  long long at = position > 0x7fffffffULL ? 0x7fffffffLL : static_cast<long long>(position);
  return put_entry(pvob, timeline, at, kind, obj, event);
}

int vob_zem_timeline_get_entries(vob_vob_h pvob, tbs_dbid_t timeline,
                                 std::vector<vob_zem_timeline_entry_t>& entries) {
  return repo::with_store(pvob, [&](Store& s) -> int {
    zem::StreamKinds kinds;
    int status = need_kind(pvob, s, timeline, nullptr, timeline_kind, kinds);
    return status != 0 ? status : read_entries(s, timeline, entries);
  });
}

int vob_zem_timeline_arc_after_latest_baseline(vob_vob_h pvob, tbs_dbid_t timeline, int* later) {
  if (later == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  std::vector<vob_zem_timeline_entry_t> entries;
  int status = vob_zem_timeline_get_entries(pvob, timeline, entries);
  if (status != 0)
    return status;
  int found = 0;
  for (auto it = entries.rbegin(); it != entries.rend() && it->kind != VOB_ZEM_TL_BASELINE; ++it)
    found = found != 0 || it->kind == VOB_ZEM_TL_FOUNDATION_ARC ? 1 : 0;
  *later = found;
  return TBS_ST_OK;
}

int vob_zem_timeline_drop_arcs_from(vob_vob_h pvob, tbs_dbid_t timeline, size_t from,
                                    const vob_event_info_t* event) {
  std::vector<repo::act::ArrowRef> arrows;
  int status = repo::in_txn(pvob, [&](Store& s) -> int {
    zem::StreamKinds kinds;
    std::vector<vob_zem_timeline_entry_t> entries;
    int st = need_kind(pvob, s, timeline, "timeline", timeline_kind, kinds);
    if (st == 0)
      st = repo::check_not_locked(pvob, s, timeline);
    if (st == 0)
      st = read_entries(s, timeline, entries);
    if (st != 0)
      return st;
    if (from == 0 || from >= entries.size()) {
      imsg_print(IMSG_ERROR, tbs_msg::TimelineEntriesPositionBeyond,
                 zem::display_name(pvob, timeline).c_str(), static_cast<int>(entries.size()),
                 static_cast<int>(from));
      return TBS_ST_BAD_ARGUMENT;
    }
    for (size_t i = from; i < entries.size(); ++i)
      if (entries[i].kind != VOB_ZEM_TL_FOUNDATION_ARC) {
        imsg_print(IMSG_ERROR, tbs_msg::TimelineBaselineAfterArc,
                   zem::display_name(pvob, timeline).c_str(), static_cast<int>(i),
                   static_cast<int>(from));
        return TBS_ST_ERROR;
      }
    // Latest first, so that no position moves under the loop.
    for (size_t i = entries.size(); st == 0 && i-- > from;) {
      tbs_dbid_t hlink = entries[i].dbid;
      repo::Query q = s.query(repo::sql::kHlinkGet);
      q.bind(1, id(hlink));
      bool cross_vob = q.next() && !q.is_null(3);
      repo::act::ArrowRef arrow;
      if (cross_vob)
        arrow.pvob_family = repo::uuid_of(q.blob(3));
      if ((st = q.status()) != 0)
        break;
      ObjectRow link;
      st = repo::read_object(s, hlink, link);
      if (st == 0)
        st = s.query(repo::sql::kTimelineEntryDelete)
                 .bind(1, id(timeline))
                 .bind(2, static_cast<int64_t>(i))
                 .run();
      if (st == 0)
        st = s.query(repo::sql::kEventsDelete).bind(1, id(hlink)).run();
      if (st == 0)
        st = s.query(repo::sql::kObjectDelete).bind(1, id(hlink)).run();
      if (st == 0 && cross_vob) {
        arrow.hlink_oid = link.oid;
        arrows.push_back(arrow);
      }
    }
    return st != 0 ? st : repo::record_event(s, timeline, VOB_EVENT_MODIFY, event);
  });
  // The arrows in the baselines' VOBs go last: an arrow without its
  // hyperlink is ignored by readers.
  if (status == 0)
    repo::act::delete_arrows(arrows);
  return status;
}
