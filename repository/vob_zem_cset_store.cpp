// Writing change-set entries: the PVOB side first (the arrow of the change
// hyperlink and the VOB the activity touched), then, inside the version's
// own transaction (a checkout, a check-in, an uncheckout or an explicit
// change), the hyperlink, the entry and its pair count; arrows of removed
// entries are deleted after the version's VOB has committed.

#include "repository/sql.h"
#include "repository/vob_elem_internal.h"
#include "repository/vob_zem_activity_internal.h"

namespace repo {
namespace act {

namespace {

// Advances the count of pair (`act`, `crde`) by one; `count` is the new count.
int advance(Store& s, const ActivityId& act, tbs_dbid_t crde, int64_t* count) {
  int status = s.query(sql::kCsetCountAdvance)
                   .bind_blob(1, act.family.bytes, 16)
                   .bind_blob(2, act.oid.bytes, 16)
                   .bind(3, id(crde))
                   .run();
  if (status != 0)
    return status;
  Query q = s.query(sql::kCsetCountGet);
  q.bind_blob(1, act.family.bytes, 16).bind_blob(2, act.oid.bytes, 16).bind(3, id(crde));
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_INTERNAL;
  *count = q.int64(0);
  return TBS_ST_OK;
}

// One entry of a version, as the version's VOB keeps it.
struct EntryKey {
  tbs_dbid_t hlink = 0;
  ActivityId act;
  tbs_dbid_t crde = 0;
};

int entries_of_version(Store& s, tbs_dbid_t version, std::vector<EntryKey>& keys) {
  Query q = s.query(sql::kCsetEntriesOfVersion);
  q.bind(1, id(version));
  while (q.next()) {
    EntryKey k;
    k.hlink = dbid_at(q, 0);
    k.act.family = uuid_of(q.blob(1));
    k.act.oid = oid_of(q.blob(2));
    k.crde = dbid_at(q, 3);
    keys.push_back(k);
  }
  return q.status();
}

}  // namespace

int announce(vob_vob_h pvob, tbs_dbid_t activity, vob_vob_h vob, const tbs_oid_t& version_oid,
             const vob_event_info_t* event, PendingEntry& pending) {
  if (pvob == nullptr || vob == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  PendingEntry made;
  made.pvob = pvob;
  made.activity = activity;
  made.vob = vob;
  made.version_oid = version_oid;
  tbs_uuid_t fresh;
  tbs_uuid_generate(&fresh);
  tbs_uuid_to_oid(&fresh, &made.hlink_oid);
  int status = in_txn(pvob, [&](Store& s) -> int {
    ObjectRow row;
    int st = need_activity(pvob, s, activity, true, row);
    if (st == 0)
      st = check_not_locked(pvob, s, activity);
    if (st != 0)
      return st;
    made.act.family = pvob->family;
    made.act.oid = row.oid;
    if (vob != pvob) {
      NewArrow arrow;
      arrow.to = activity;
      arrow.wk_type = VOB_WK_HLTYPE_CHANGE;
      arrow.from_family = vob->family;
      arrow.hlink_oid = made.hlink_oid;
      arrow.from_oid = version_oid;
      st = insert_arrow(s, arrow);
    }
    if (st == 0)
      st = s.query(sql::kActVobTouch)
               .bind(1, id(activity))
               .bind_blob(2, vob->family.bytes, 16)
               .run();
    return st != 0 ? st : record_event(s, activity, VOB_EVENT_MODIFY, event);
  });
  if (status == 0)
    pending = made;
  return status;
}

void withdraw(const PendingEntry& pending) {
  ArrowRef arrow;
  arrow.pvob_family = pending.pvob->family;
  arrow.hlink_oid = pending.hlink_oid;
  if (pending.vob != pending.pvob)
    delete_arrows({arrow});
}

int insert_entry(Store& s, const PendingEntry& pending, tbs_dbid_t version, int checkout,
                 const vob_event_info_t* event) {
  VersionRow vrow;
  ElementRow erow;
  tbs_dbid_t type = 0;
  int status = read_version(s, version, vrow);
  if (status == 0)
    status = read_element(s, vrow.element, erow);
  if (status == 0)
    status = well_known(s, VOB_WK_HLTYPE_CHANGE, &type);
  if (status != 0)
    return status;
  NewHlink link;
  link.wk_type = VOB_WK_HLTYPE_CHANGE;
  link.type = type;
  link.from = version;
  bool local = pending.vob == pending.pvob;
  link.to_family = local ? nullptr : &pending.act.family;
  link.to_oid = pending.act.oid;
  link.to = local ? pending.activity : 0;
  link.oid = &pending.hlink_oid;
  tbs_dbid_t hlink = 0;
  int64_t count = 0;
  status = insert_hlink(s, link, event, &hlink);
  if (status == 0)
    status = advance(s, pending.act, erow.crde, &count);
  if (status != 0)
    return status;
  return s.query(sql::kCsetEntryInsert)
      .bind(1, id(hlink))
      .bind_blob(2, pending.act.family.bytes, 16)
      .bind_blob(3, pending.act.oid.bytes, 16)
      .bind(4, id(version))
      .bind(5, id(vrow.element))
      .bind(6, id(erow.crde))
      .bind(7, static_cast<int64_t>(checkout != 0 ? 1 : 0))
      .bind(8, count)
      .run();
}

int note_checkin(Store& s, tbs_dbid_t version) {
  std::vector<EntryKey> keys;
  int status = entries_of_version(s, version, keys);
  for (size_t i = 0; status == 0 && i < keys.size(); ++i) {
    int64_t count = 0;
    status = advance(s, keys[i].act, keys[i].crde, &count);
    if (status == 0)
      status = s.query(sql::kCsetEntrySetCheckedIn).bind(1, id(keys[i].hlink)).bind(2, count).run();
  }
  return status;
}

int drop_entry(Store& s, tbs_dbid_t hlink, std::vector<ArrowRef>& arrows) {
  EntryKey key;
  {
    Query q = s.query(sql::kCsetEntryGet);
    q.bind(1, id(hlink));
    if (!q.next())
      return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
    key.hlink = hlink;
    key.act.family = uuid_of(q.blob(0));
    key.act.oid = oid_of(q.blob(1));
    key.crde = dbid_at(q, 2);
  }
  ObjectRow link;
  int64_t count = 0;
  int status = read_object(s, hlink, link);
  // The hyperlink's row and the entry go with its object.
  if (status == 0)
    status = s.query(sql::kEventsDelete).bind(1, id(hlink)).run();
  if (status == 0)
    status = s.query(sql::kObjectDelete).bind(1, id(hlink)).run();
  if (status == 0)
    status = advance(s, key.act, key.crde, &count);
  if (status == 0)
    arrows.push_back({key.act.family, link.oid});
  return status;
}

int drop_version_entries(Store& s, tbs_dbid_t version, std::vector<ArrowRef>& arrows) {
  std::vector<EntryKey> keys;
  int status = entries_of_version(s, version, keys);
  for (size_t i = 0; status == 0 && i < keys.size(); ++i)
    status = drop_entry(s, keys[i].hlink, arrows);
  return status;
}

void delete_arrows(const std::vector<ArrowRef>& arrows) {
  for (const ArrowRef& arrow : arrows) {
    vob_vob_h pvob = nullptr;
    if (vob_of_family(arrow.pvob_family, &pvob) != 0)
      continue;  // that PVOB is gone, and its arrows with it
    in_txn(pvob, [&](Store& s) {
      return s.query(sql::kArrowDelete).bind_blob(1, arrow.hlink_oid.bytes, 16).run();
    });
  }
}

}  // namespace act
}  // namespace repo
