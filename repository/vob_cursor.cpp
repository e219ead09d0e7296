// Cursors over the objects of a VOB, read in pages so that no statement stays
// open between calls.
#include "repository/sql.h"
#include "repository/vob_internal.h"

namespace {

struct ObjectCursor : vob_cursor_t {
  vob_vob_h vob = nullptr;
  vob_mtype_t mtype = 0;
  tbs_dbid_t last = 0;  // the last dbid handed out
  std::vector<tbs_dbid_t> page;
  size_t next = 0;
  bool done = false;
};

constexpr int kPageSize = 256;

int fill_page(ObjectCursor& c) {
  repo::Store* s = nullptr;
  int status = repo::vob_store(c.vob, s);
  if (status != 0)
    return status;
  c.page.clear();
  c.next = 0;
  repo::Query q = c.mtype == VOB_MTYPE_NONE ? s->query(repo::sql::kObjectsAll)
                                            : s->query(repo::sql::kObjectsOfMtype);
  if (c.mtype == VOB_MTYPE_NONE)
    q.bind(1, static_cast<int64_t>(c.last)).bind(2, kPageSize);
  else
    q.bind(1, c.mtype).bind(2, static_cast<int64_t>(c.last)).bind(3, kPageSize);
  while (q.next())
    c.page.push_back(static_cast<tbs_dbid_t>(q.int64(0)));
  if (c.page.size() < static_cast<size_t>(kPageSize))
    c.done = true;
  return q.status();
}

}  // namespace

int vob_ob_cursor_open(vob_vob_h vob, vob_mtype_t mtype, vob_cursor_h* cursor) {
  repo::Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  if (cursor == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  auto* c = new ObjectCursor();
  c->vob = vob;
  c->mtype = mtype;
  *cursor = c;
  return TBS_ST_OK;
}

int vob_ob_cursor_next(vob_cursor_h handle, tbs_dbid_t* dbid) {
  auto* cursor = dynamic_cast<ObjectCursor*>(handle);
  if (cursor == nullptr) {
    imsg_print(IMSG_ERROR, tbs_msg::CursorClosed);
    return TBS_ST_BAD_ARGUMENT;
  }
  if (cursor->next >= cursor->page.size()) {
    if (cursor->done)
      return TBS_ST_NOT_FOUND;
    int status = fill_page(*cursor);
    if (status != 0)
      return status;
    if (cursor->page.empty())
      return TBS_ST_NOT_FOUND;
  }
  cursor->last = cursor->page[cursor->next++];
  *dbid = cursor->last;
  return TBS_ST_OK;
}

void vob_ob_cursor_close(vob_cursor_h cursor) {
  delete cursor;
}
