// Hyperlinks of well-known and named types. A hyperlink is an object of the
// VOB of its "from" end. When its "to" end is in another VOB, that VOB holds
// an arrow record naming the hyperlink, written first and deleted last, so a
// link is never visible from one end only: an arrow whose hyperlink does not
// exist (a creation that did not finish, a deletion that did) is ignored.

#include "repository/sql.h"
#include "repository/vob_internal.h"

namespace repo {

namespace {

// Finds the object with `oid` in the VOB of `family`: the VOB (null when the
// family is not registered here) and the dbid (0 when it does not exist).
void locate(const tbs_uuid_t& family, const tbs_oid_t& oid, vob_vob_h* vob, tbs_dbid_t* dbid) {
  *vob = nullptr;
  *dbid = 0;
  if (vob_of_family(family, vob) != 0) {
    *vob = nullptr;
    return;
  }
  if (vob_obj_oid_to_dbid(*vob, &oid, dbid) != 0)
    *dbid = 0;
}

// A row of the hyperlinks table.
struct HlinkRow {
  vob_wkobj_t wk_type = 0;
  tbs_dbid_t type = 0;
  tbs_dbid_t from = 0;
  bool cross_vob = false;
  tbs_uuid_t to_family{};
  tbs_oid_t to_oid{};
  tbs_dbid_t to = 0;
  std::string from_text;
  std::string to_text;
};

int read_hlink(Store& s, tbs_dbid_t hlink, HlinkRow& row) {
  Query q = s.query(sql::kHlinkGet);
  q.bind(1, static_cast<int64_t>(hlink));
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
  row.wk_type = q.integer(0);
  row.type = static_cast<tbs_dbid_t>(q.int64(1));
  row.from = static_cast<tbs_dbid_t>(q.int64(2));
  row.cross_vob = !q.is_null(3);
  row.to_family = uuid_of(q.blob(3));
  row.to_oid = oid_of(q.blob(4));
  row.to = static_cast<tbs_dbid_t>(q.int64(5));
  row.from_text = q.text(6);
  row.to_text = q.text(7);
  return TBS_ST_OK;
}

// The "to" end of a hyperlink row of `vob`: its VOB and dbid (0: broken).
void to_end(vob_vob_h vob, const HlinkRow& row, vob_vob_h* to_vob, tbs_dbid_t* to) {
  if (row.cross_vob) {
    locate(row.to_family, row.to_oid, to_vob, to);
    return;
  }
  *to_vob = vob;
  int exists = 0;
  *to = vob_obj_exists(vob, row.to, &exists) == 0 && exists ? row.to : 0;
}

// The end seen from the object at one end of hyperlink `hlink` of `vob`.
int end_of(vob_vob_h vob, Store& s, tbs_dbid_t hlink, int direction, vob_hlink_end_t& e) {
  KORVANE_ASSERT(vob != nullptr);  // `s` is this VOB's store
  HlinkRow row;
  int status = read_hlink(s, hlink, row);
  if (status != 0)
    return status;
  e.hlink_vob = vob;
  e.hlink = hlink;
  e.from_text = row.from_text;
  e.to_text = row.to_text;
  if (direction != 0) {
    to_end(vob, row, &e.other_vob, &e.other);
    e.other_family = row.cross_vob ? row.to_family : vob->family;
  } else {
    e.other_vob = vob;
    e.other = row.from;
    e.other_family = vob->family;
  }
  e.broken = e.other == 0 ? 1 : 0;
  return TBS_ST_OK;
}

// The end seen from the "to" object of a hyperlink held in another VOB,
// through its arrow; false when the hyperlink does not exist (stale arrow).
bool end_of_arrow(const tbs_uuid_t& from_family, const tbs_oid_t& hlink_oid, vob_hlink_end_t& e) {
  locate(from_family, hlink_oid, &e.hlink_vob, &e.hlink);
  if (e.hlink_vob == nullptr) {  // the VOB holding the hyperlink is gone
    e.broken = 1;
    e.other_family = from_family;
    return true;
  }
  if (e.hlink == 0)
    return false;
  Store* s = nullptr;
  if (vob_store(e.hlink_vob, s) != 0 || end_of(e.hlink_vob, *s, e.hlink, 0, e) != 0)
    return false;
  return true;
}

// The name of a hyperlink's type, for arrows and descriptions.
std::string type_name_of(Store& s, const HlinkRow& row) {
  ObjectRow type;
  return read_object(s, row.type, type) == 0 ? type.name : std::string();
}

int write_arrow(vob_vob_h to_vob, const NewArrow& arrow) {
  return in_txn(to_vob, [&](Store& s) -> int { return insert_arrow(s, arrow); });
}

int delete_arrow(vob_vob_h vob, const tbs_oid_t& hlink_oid) {
  return in_txn(vob, [&](Store& s) -> int {
    return s.query(sql::kArrowDelete).bind_blob(1, hlink_oid.bytes, 16).run();
  });
}

// What a hyperlink's type is: a well-known number, or a named type.
struct TypeRef {
  vob_wkobj_t wk = 0;
  const char* name = nullptr;
};

// The type object of `type` in one VOB: 1002 when absent (or, for a
// well-known number, 1004 when it is not a hyperlink type).
int type_in(Store& s, const TypeRef& type, tbs_dbid_t* dbid) {
  int status = TBS_ST_OK;
  if (type.wk != 0) {
    status = well_known(s, type.wk, dbid);
  } else {
    Query q = s.query(sql::kObjectByName);
    q.bind(1, VOB_MTYPE_HYPERLINK_TYPE).bind(2, type.name);
    if (!q.next())
      return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
    *dbid = static_cast<tbs_dbid_t>(q.int64(0));
  }
  if (status != 0)
    return type.wk != 0 && status == TBS_ST_NOT_FOUND ? TBS_ST_BAD_ARGUMENT : status;
  ObjectRow row;
  status = read_object(s, *dbid, row);
  if (status == 0 && row.mtype != VOB_MTYPE_HYPERLINK_TYPE)
    status = TBS_ST_BAD_ARGUMENT;
  return status;
}

int create_hlink(vob_vob_h vob, tbs_dbid_t from, const TypeRef& type, vob_vob_h to_vob,
                 tbs_dbid_t to, const char* from_text, const char* to_text,
                 const vob_event_info_t* event, tbs_dbid_t* hlink) {
  if (to_vob == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  Store* s = nullptr;
  Store* to_store = nullptr;
  int status = vob_store(vob, s);
  if (status == 0)
    status = vob_store(to_vob, to_store);
  if (status != 0)
    return status;
  if (from_text == nullptr)
    from_text = "";
  if (to_text == nullptr)
    to_text = "";
  tbs_dbid_t type_dbid = 0;
  tbs_dbid_t to_type = 0;
  status = type_in(*s, type, &type_dbid);
  if (status == 0 && to_vob != vob && type.wk == 0)
    status = type_in(*to_store, type, &to_type);
  tbs_oid_t to_oid;
  tbs_oid_t from_oid;
  if (status == 0)
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
    NewArrow arrow;
    arrow.to = to;
    arrow.wk_type = type.wk;
    arrow.type_name = type.name != nullptr ? type.name : "";
    arrow.from_family = vob->family;
    arrow.hlink_oid = hlink_oid;
    arrow.from_oid = from_oid;
    arrow.from_text = from_text;
    arrow.to_text = to_text;
    status = write_arrow(to_vob, arrow);
    if (status != 0)
      return status;
  }
  NewHlink link;
  link.wk_type = type.wk;
  link.type = type_dbid;
  link.from = from;
  link.to_family = cross_vob ? &to_vob->family : nullptr;
  link.to_oid = to_oid;
  link.to = to;
  link.oid = &hlink_oid;
  link.from_text = from_text;
  link.to_text = to_text;
  tbs_dbid_t made = 0;
  status = in_txn(*s, [&](Store& store) -> int { return insert_hlink(store, link, event, &made); });
  if (status == 0 && hlink != nullptr)
    *hlink = made;
  return status;
}

int find_hlink(vob_vob_h vob, tbs_dbid_t from, const TypeRef& type, vob_vob_h to_vob, tbs_dbid_t to,
               tbs_dbid_t* hlink) {
  Store* s = nullptr;
  int status = vob_store(vob, s);
  if (status != 0)
    return status;
  tbs_dbid_t type_dbid = 0;
  tbs_oid_t to_oid;
  status = type_in(*s, type, &type_dbid);
  if (status == 0)
    status = vob_obj_get_oid(to_vob, to, &to_oid);
  if (status != 0)
    return status == TBS_ST_BAD_ARGUMENT ? status : TBS_ST_NOT_FOUND;
  Query q = s->query(sql::kHlinkFind);
  q.bind(1, static_cast<int64_t>(from))
      .bind(2, type.wk)
      .bind(3, static_cast<int64_t>(type_dbid))
      .bind_blob(4, to_oid.bytes, 16);
  if (to_vob != vob)
    q.bind_blob(5, to_vob->family.bytes, 16);
  else
    q.bind_null(5);
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
  *hlink = static_cast<tbs_dbid_t>(q.int64(0));
  return TBS_ST_OK;
}

}  // namespace

int insert_hlink(Store& s, const NewHlink& link, const vob_event_info_t* event, tbs_dbid_t* hlink) {
  NewObject object;
  object.mtype = VOB_MTYPE_HYPERLINK;
  object.type = link.type;
  object.oid = link.oid;
  tbs_dbid_t made = 0;
  int status = insert_object(s, object, event, &made);
  if (status != 0)
    return status;
  Query q = s.query(sql::kHlinkInsert);
  q.bind(1, static_cast<int64_t>(made))
      .bind(2, link.wk_type)
      .bind(3, static_cast<int64_t>(link.type))
      .bind(4, static_cast<int64_t>(link.from));
  if (link.to_family != nullptr)
    q.bind_blob(5, link.to_family->bytes, 16).bind_null(7);
  else
    q.bind_null(5).bind(7, static_cast<int64_t>(link.to));
  q.bind_blob(6, link.to_oid.bytes, 16).bind(8, link.from_text).bind(9, link.to_text);
  status = q.run();
  if (status == 0)
    *hlink = made;
  return status;
}

int insert_arrow(Store& s, const NewArrow& arrow) {
  ObjectRow row;
  int status = read_object(s, arrow.to, row);
  if (status != 0)
    return status;
  return s.query(sql::kArrowInsert)
      .bind(1, static_cast<int64_t>(arrow.to))
      .bind(2, arrow.wk_type)
      .bind(3, arrow.type_name)
      .bind_blob(4, arrow.from_family.bytes, 16)
      .bind_blob(5, arrow.hlink_oid.bytes, 16)
      .bind_blob(6, arrow.from_oid.bytes, 16)
      .bind(7, arrow.from_text)
      .bind(8, arrow.to_text)
      .run();
}

// A cursor over the hyperlinks of one type at one object, in two phases for
// incoming links: those held in this VOB, then the arrows of other VOBs.
struct HlinkCursor : vob_cursor_t {
  vob_vob_h vob = nullptr;
  tbs_dbid_t obj = 0;
  vob_wkobj_t wk_type = 0;
  int direction = 1;
  int phase = 0;  // 0 hyperlinks held here, 1 arrows, 2 done
  int64_t after = 0;
};

int next_chunk(HlinkCursor& c, size_t max, std::vector<vob_hlink_end_t>& ends) {
  Store* s = nullptr;
  int status = vob_store(c.vob, s);
  if (status != 0)
    return status;
  if (c.phase == 0) {
    std::vector<tbs_dbid_t> links;
    Query q = s->query(c.direction != 0 ? sql::kHlinksFrom : sql::kHlinksToLocal);
    q.bind(1, static_cast<int64_t>(c.obj))
        .bind(2, c.wk_type)
        .bind(3, c.after)
        .bind(4, static_cast<int64_t>(max));
    while (q.next())
      links.push_back(static_cast<tbs_dbid_t>(q.int64(0)));
    if (q.status() != 0)
      return q.status();
    for (tbs_dbid_t link : links) {
      vob_hlink_end_t e;
      status = end_of(c.vob, *s, link, c.direction, e);
      if (status != 0)
        return status;
      ends.push_back(e);
      c.after = link;
    }
    if (links.size() < max) {
      c.phase = c.direction != 0 ? 2 : 1;
      c.after = 0;
    }
    return TBS_ST_OK;
  }
  struct Arrow {
    int64_t id;
    tbs_uuid_t family;
    tbs_oid_t hlink;
  };
  std::vector<Arrow> arrows;
  Query q = s->query(sql::kArrowsTo);
  q.bind(1, static_cast<int64_t>(c.obj))
      .bind(2, c.wk_type)
      .bind(3, c.after)
      .bind(4, static_cast<int64_t>(max));
  while (q.next())
    arrows.push_back({q.int64(0), uuid_of(q.blob(1)), oid_of(q.blob(2))});
  if (q.status() != 0)
    return q.status();
  for (const Arrow& a : arrows) {
    vob_hlink_end_t e;
    if (end_of_arrow(a.family, a.hlink, e))
      ends.push_back(e);
    c.after = a.id;
  }
  if (arrows.size() < max)
    c.phase = 2;
  return TBS_ST_OK;
}

}  // namespace repo

using repo::Store;

int vob_hlink_create_wk(vob_vob_h vob, tbs_dbid_t from, vob_wkobj_t wk_type, vob_vob_h to_vob,
                        tbs_dbid_t to, const char* from_text, const char* to_text,
                        const vob_event_info_t* event, tbs_dbid_t* hlink) {
  if (wk_type == 0)
    return TBS_ST_BAD_ARGUMENT;
  return repo::create_hlink(vob, from, {wk_type, nullptr}, to_vob, to, from_text, to_text, event,
                            hlink);
}

int vob_hltype_create(vob_vob_h vob, const char* name, const vob_event_info_t* event,
                      tbs_dbid_t* hltype) {
  return vob_type_create(vob, VOB_MTYPE_HYPERLINK_TYPE, name, event, hltype);
}

int vob_resolve_type(vob_vob_h vob, const char* name, vob_mtype_t mtype, tbs_dbid_t* type) {
  if (!vob_mtype_is_type(mtype))
    return TBS_ST_BAD_ARGUMENT;
  return vob_obj_resolve(vob, name, mtype, type);
}

int vob_hlink_create(vob_vob_h vob, tbs_dbid_t from, const char* type_name, vob_vob_h to_vob,
                     tbs_dbid_t to, const char* from_text, const char* to_text,
                     const vob_event_info_t* event, tbs_dbid_t* hlink) {
  if (type_name == nullptr || *type_name == '\0')
    return TBS_ST_BAD_ARGUMENT;
  return repo::create_hlink(vob, from, {0, type_name}, to_vob, to, from_text, to_text, event,
                            hlink);
}

int vob_obj_find_wk_hlink(vob_vob_h vob, tbs_dbid_t from, vob_wkobj_t wk_type, vob_vob_h to_vob,
                          tbs_dbid_t to, tbs_dbid_t* hlink) {
  if (wk_type == 0)
    return TBS_ST_BAD_ARGUMENT;
  return repo::find_hlink(vob, from, {wk_type, nullptr}, to_vob, to, hlink);
}

int vob_obj_find_hlink(vob_vob_h vob, tbs_dbid_t from, const char* type_name, vob_vob_h to_vob,
                       tbs_dbid_t to, tbs_dbid_t* hlink) {
  if (type_name == nullptr || *type_name == '\0')
    return TBS_ST_BAD_ARGUMENT;
  return repo::find_hlink(vob, from, {0, type_name}, to_vob, to, hlink);
}

int vob_hlink_delete(vob_vob_h vob, tbs_dbid_t hlink, const vob_event_info_t* event) {
  repo::HlinkRow row;
  repo::ObjectRow object;
  int status = repo::in_txn(vob, [&](Store& s) -> int {
    int step = repo::read_hlink(s, hlink, row);
    if (step == 0)
      step = repo::read_object(s, hlink, object);
    if (step == 0)
      step = repo::check_not_locked(vob, s, row.from);
    // The deletion is recorded on the "from" object, which stays.
    if (step == 0)
      step = repo::record_event(s, row.from, VOB_EVENT_MODIFY, event);
    if (step == 0)
      step = s.query(repo::sql::kEventsDelete).bind(1, static_cast<int64_t>(hlink)).run();
    if (step == 0)
      step = s.query(repo::sql::kObjectDelete).bind(1, static_cast<int64_t>(hlink)).run();
    return step;
  });
  if (status != 0)
    return status;
  if (!row.cross_vob)
    return TBS_ST_OK;
  vob_vob_h to_vob = nullptr;
  if (repo::vob_of_family(row.to_family, &to_vob) != 0)
    return TBS_ST_OK;  // that VOB is gone
  return repo::delete_arrow(to_vob, object.oid);
}

int vob_hlink_hlinkh_get_arrow(vob_vob_h vob, tbs_dbid_t hlink, vob_arrow_info_t* arrow) {
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  repo::HlinkRow row;
  repo::ObjectRow object;
  status = repo::read_hlink(*s, hlink, row);
  if (status == 0)
    status = repo::read_object(*s, hlink, object);
  if (status != 0)
    return status;
  arrow->hlink_oid = object.oid;
  arrow->wk_type = row.wk_type;
  arrow->type_name = repo::type_name_of(*s, row);
  arrow->from_vob = vob;
  arrow->from = row.from;
  repo::to_end(vob, row, &arrow->to_vob, &arrow->to);
  arrow->from_text = row.from_text;
  arrow->to_text = row.to_text;
  return TBS_ST_OK;
}

int vob_hlink_hlinkh_get_one_obj(vob_vob_h vob, tbs_dbid_t hlink, int end, vob_vob_h* obj_vob,
                                 tbs_dbid_t* obj, int* broken) {
  vob_arrow_info_t arrow;
  int status = vob_hlink_hlinkh_get_arrow(vob, hlink, &arrow);
  if (status != 0)
    return status;
  *obj_vob = end == 0 ? arrow.from_vob : arrow.to_vob;
  *obj = end == 0 ? arrow.from : arrow.to;
  *broken = *obj == 0 ? 1 : 0;
  return TBS_ST_OK;
}

int vob_obj_hlink_cursor_open(vob_vob_h vob, tbs_dbid_t obj, vob_wkobj_t wk_type, int direction,
                              vob_cursor_h* cursor) {
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  if (cursor == nullptr || wk_type == 0)
    return TBS_ST_BAD_ARGUMENT;
  auto* c = new repo::HlinkCursor();
  c->vob = vob;
  c->obj = obj;
  c->wk_type = wk_type;
  c->direction = direction;
  *cursor = c;
  return TBS_ST_OK;
}

int vob_obj_next_hlinks(vob_cursor_h cursor, size_t max, std::vector<vob_hlink_end_t>& ends) {
  auto* c = dynamic_cast<repo::HlinkCursor*>(cursor);
  if (c == nullptr || max == 0)
    return TBS_ST_BAD_ARGUMENT;
  ends.clear();
  if (c->phase == 2)
    return TBS_ST_NOT_FOUND;
  return repo::next_chunk(*c, max, ends);
}

int vob_obj_list_hlinks(vob_vob_h vob, tbs_dbid_t obj, vob_wkobj_t wk_type, int direction,
                        std::vector<vob_hlink_end_t>& ends) {
  vob_cursor_h cursor = nullptr;
  int status = vob_obj_hlink_cursor_open(vob, obj, wk_type, direction, &cursor);
  if (status != 0)
    return status;
  ends.clear();
  std::vector<vob_hlink_end_t> chunk;
  while ((status = vob_obj_next_hlinks(cursor, 256, chunk)) == 0)
    ends.insert(ends.end(), chunk.begin(), chunk.end());
  vob_ob_cursor_close(cursor);
  return status == TBS_ST_NOT_FOUND ? TBS_ST_OK : status;
}

int vob_obj_has_hlink(vob_vob_h vob, tbs_dbid_t obj, vob_wkobj_t wk_type, int direction, int* has) {
  std::vector<vob_hlink_end_t> ends;
  int status = vob_obj_list_hlinks(vob, obj, wk_type, direction, ends);
  if (status == 0)
    *has = ends.empty() ? 0 : 1;
  return status;
}

int vob_obj_list_all_hlinks(vob_vob_h vob, tbs_dbid_t obj,
                            std::vector<vob_hlink_typed_end_t>& ends) {
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  ends.clear();
  auto add_held_here = [&](const char* sql, int direction) -> int {
    std::vector<tbs_dbid_t> links;
    repo::Query q = s->query(sql);
    q.bind(1, static_cast<int64_t>(obj));
    while (q.next())
      links.push_back(static_cast<tbs_dbid_t>(q.int64(0)));
    if (q.status() != 0)
      return q.status();
    for (tbs_dbid_t link : links) {
      vob_hlink_typed_end_t t;
      repo::HlinkRow row;
      int st = repo::read_hlink(*s, link, row);
      if (st == 0)
        st = repo::end_of(vob, *s, link, direction, t.end);
      if (st != 0)
        return st;
      t.type_name = repo::type_name_of(*s, row);
      t.direction = direction;
      ends.push_back(t);
    }
    return TBS_ST_OK;
  };
  status = add_held_here(repo::sql::kHlinksFromAny, 1);
  if (status == 0)
    status = add_held_here(repo::sql::kHlinksToLocalAny, 0);
  if (status != 0)
    return status;
  repo::Query q = s->query(repo::sql::kArrowsToAny);
  q.bind(1, static_cast<int64_t>(obj));
  while (q.next()) {
    vob_hlink_typed_end_t t;
    t.direction = 0;
    if (!repo::end_of_arrow(repo::uuid_of(q.blob(1)), repo::oid_of(q.blob(2)), t.end))
      continue;
    vob_arrow_info_t arrow;
    if (t.end.hlink_vob != nullptr && t.end.hlink != 0 &&
        vob_hlink_hlinkh_get_arrow(t.end.hlink_vob, t.end.hlink, &arrow) == 0)
      t.type_name = arrow.type_name;
    ends.push_back(t);
  }
  return q.status();
}
