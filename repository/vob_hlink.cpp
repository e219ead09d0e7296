// Hyperlinks of well-known types. A hyperlink is an object of the VOB of its
// "from" end. When its "to" end is in another VOB, that VOB holds an arrow
// record naming the hyperlink, written first, so that a link is never
// visible from one end only: an arrow whose hyperlink does not exist (a
// creation that did not finish) is ignored by walks.
#include <cstring>

#include "repository/sql.h"
#include "repository/vob_internal.h"

namespace {

using repo::Query;
using repo::Store;
using repo::Txn;

tbs_uuid_t uuid_of(const std::string& blob) {
  tbs_uuid_t u{};
  if (blob.size() == 16)
    std::memcpy(u.bytes, blob.data(), 16);
  return u;
}

tbs_oid_t oid_of(const std::string& blob) {
  tbs_oid_t o{};
  if (blob.size() == 16)
    std::memcpy(o.bytes, blob.data(), 16);
  return o;
}

// Finds the object with `oid` in the VOB of `family`: the VOB (null when the
// family is not registered here) and the dbid (0 when it does not exist).
void locate(const tbs_uuid_t& family, const tbs_oid_t& oid, vob_vob_h* vob, tbs_dbid_t* dbid) {
  *vob = nullptr;
  *dbid = 0;
  if (repo::vob_of_family(family, vob) != 0) {
    *vob = nullptr;
    return;
  }
  if (vob_obj_oid_to_dbid(*vob, &oid, dbid) != 0)
    *dbid = 0;
}

int write_arrow(vob_vob_h to_vob, tbs_dbid_t to, vob_wkobj_t wk_type, const tbs_uuid_t& from_family,
                const tbs_oid_t& hlink_oid, const tbs_oid_t& from_oid, const char* from_text,
                const char* to_text) {
  Store* s = nullptr;
  int status = repo::vob_store(to_vob, s);
  if (status != 0)
    return status;
  Txn txn(*s);
  if (txn.status() != 0)
    return txn.status();
  repo::ObjectRow row;
  status = repo::read_object(*s, to, row);
  if (status == 0)
    status = s->query(repo::sql::kArrowInsert)
                 .bind(1, static_cast<int64_t>(to))
                 .bind(2, wk_type)
                 .bind_blob(3, from_family.bytes, 16)
                 .bind_blob(4, hlink_oid.bytes, 16)
                 .bind_blob(5, from_oid.bytes, 16)
                 .bind(6, from_text)
                 .bind(7, to_text)
                 .run();
  return status != 0 ? status : txn.commit();
}

int list_outgoing(vob_vob_h vob, Store& s, tbs_dbid_t obj, vob_wkobj_t wk_type,
                  std::vector<vob_hlink_end_t>& ends) {
  Query q = s.query(repo::sql::kHlinksFrom);
  q.bind(1, static_cast<int64_t>(obj)).bind(2, wk_type);
  while (q.next()) {
    vob_hlink_end_t e;
    e.hlink_vob = vob;
    e.hlink = static_cast<tbs_dbid_t>(q.int64(0));
    e.from_text = q.text(4);
    e.to_text = q.text(5);
    if (q.is_null(1)) {
      e.other_vob = vob;
      e.other = static_cast<tbs_dbid_t>(q.int64(3));
      int exists = 0;
      if (vob_obj_exists(vob, e.other, &exists) != 0 || !exists)
        e.other = 0;
    } else {
      locate(uuid_of(q.blob(1)), oid_of(q.blob(2)), &e.other_vob, &e.other);
    }
    e.broken = e.other == 0 ? 1 : 0;
    ends.push_back(e);
  }
  return q.status();
}

int list_incoming(vob_vob_h vob, Store& s, tbs_dbid_t obj, vob_wkobj_t wk_type,
                  std::vector<vob_hlink_end_t>& ends) {
  Query local = s.query(repo::sql::kHlinksToLocal);
  local.bind(1, static_cast<int64_t>(obj)).bind(2, wk_type);
  while (local.next()) {
    vob_hlink_end_t e;
    e.hlink_vob = vob;
    e.hlink = static_cast<tbs_dbid_t>(local.int64(0));
    e.other_vob = vob;
    e.other = static_cast<tbs_dbid_t>(local.int64(1));
    e.from_text = local.text(2);
    e.to_text = local.text(3);
    ends.push_back(e);
  }
  if (local.status() != 0)
    return local.status();

  Query arrows = s.query(repo::sql::kArrowsTo);
  arrows.bind(1, static_cast<int64_t>(obj)).bind(2, wk_type);
  while (arrows.next()) {
    vob_hlink_end_t e;
    e.from_text = arrows.text(3);
    e.to_text = arrows.text(4);
    tbs_uuid_t family = uuid_of(arrows.blob(0));
    locate(family, oid_of(arrows.blob(1)), &e.hlink_vob, &e.hlink);
    if (e.hlink_vob != nullptr && e.hlink == 0)
      continue;  // the hyperlink was never completed
    if (e.hlink_vob != nullptr)
      locate(family, oid_of(arrows.blob(2)), &e.other_vob, &e.other);
    e.broken = e.other == 0 ? 1 : 0;
    ends.push_back(e);
  }
  return arrows.status();
}

}  // namespace

int vob_hlink_create_wk(vob_vob_h vob, tbs_dbid_t from, vob_wkobj_t wk_type, vob_vob_h to_vob,
                        tbs_dbid_t to, const char* from_text, const char* to_text,
                        const vob_event_info_t* event, tbs_dbid_t* hlink) {
  if (to_vob == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  Store* to_store = nullptr;
  status = repo::vob_store(to_vob, to_store);
  if (status != 0)
    return status;
  if (from_text == nullptr)
    from_text = "";
  if (to_text == nullptr)
    to_text = "";

  tbs_oid_t to_oid;
  tbs_oid_t from_oid;
  status = vob_obj_get_oid(to_vob, to, &to_oid);
  if (status == 0)
    status = vob_obj_get_oid(vob, from, &from_oid);
  if (status != 0)
    return status;
  tbs_uuid_t fresh;
  tbs_uuid_generate(&fresh);
  tbs_oid_t hlink_oid;
  tbs_uuid_to_oid(&fresh, &hlink_oid);
  bool cross_vob = to_vob != vob;
  if (cross_vob) {
    status = write_arrow(to_vob, to, wk_type, vob->family, hlink_oid, from_oid, from_text, to_text);
    if (status != 0)
      return status;
  }

  Txn txn(*s);
  if (txn.status() != 0)
    return txn.status();
  tbs_dbid_t type = 0;
  status = repo::well_known(*s, wk_type, &type);
  if (status == TBS_ST_NOT_FOUND)
    status = TBS_ST_BAD_ARGUMENT;  // not a well-known hyperlink type
  repo::NewObject link;
  link.mtype = VOB_MTYPE_HYPERLINK;
  link.type = type;
  link.oid = &hlink_oid;
  tbs_dbid_t made = 0;
  if (status == 0)
    status = repo::insert_object(*s, link, event, &made);
  if (status == 0) {
    Query q = s->query(repo::sql::kHlinkInsert);
    q.bind(1, static_cast<int64_t>(made)).bind(2, wk_type).bind(3, static_cast<int64_t>(from));
    if (cross_vob)
      q.bind_blob(4, to_vob->family.bytes, 16).bind_null(6);
    else
      q.bind_null(4).bind(6, static_cast<int64_t>(to));
    q.bind_blob(5, to_oid.bytes, 16).bind(7, from_text).bind(8, to_text);
    status = q.run();
  }
  if (status == 0)
    status = txn.commit();
  if (status == 0 && hlink != nullptr)
    *hlink = made;
  return status;
}

int vob_obj_list_hlinks(vob_vob_h vob, tbs_dbid_t obj, vob_wkobj_t wk_type, int direction,
                        std::vector<vob_hlink_end_t>& ends) {
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  ends.clear();
  return direction != 0 ? list_outgoing(vob, *s, obj, wk_type, ends)
                        : list_incoming(vob, *s, obj, wk_type, ends);
}

int vob_obj_has_hlink(vob_vob_h vob, tbs_dbid_t obj, vob_wkobj_t wk_type, int direction, int* has) {
  std::vector<vob_hlink_end_t> ends;
  int status = vob_obj_list_hlinks(vob, obj, wk_type, direction, ends);
  if (status == 0)
    *has = ends.empty() ? 0 : 1;
  return status;
}
