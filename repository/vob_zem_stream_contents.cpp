// What a stream holds besides its child streams and timelines: the
// activities placed in it and the views attached to it, with the stream
// binding of views (services/view.h).
//
// An attachment lives in two stores: a row of the PVOB (view UUID to
// stream) and the view's own "stream" property with "sumview" in its
// registry attributes. Attaching writes the PVOB first and undoes it when
// the view cannot be written; detaching clears the view first. A crash in
// between leaves a PVOB row whose view does not name the stream: attaching
// that view again replaces the row, and removing the stream removes it.
#include <sstream>

#include "repository/registry.h"
#include "repository/sql.h"
#include "repository/view_internal.h"
#include "repository/vob_zem_stream_internal.h"

namespace {

using repo::id;
using repo::ObjectRow;
using repo::Query;
using repo::Store;
namespace zem = repo::zem;
namespace sql = repo::sql;

// The view property holding the stream's universal selector.
constexpr const char* kStreamKey = "stream";
// The registry attribute of a view attached to a stream.
constexpr const char* kSumView = "sumview";
// tbs catalog: a view attached to another stream.

using zem::on_stream;

// The registry attribute text with `word` added (`add`) or taken out;
// words are separated by commas or blanks and come back comma-separated.
std::string with_word(const std::string& text, const char* word, bool add) {
  std::string spaced = text;
  for (char& c : spaced)
    if (c == ',')
      c = ' ';
  std::istringstream in(spaced);
  std::string item, out;
  bool present = false;
  while (in >> item) {
    if (item == word) {
      present = true;
      if (!add)
        continue;
    }
    out += (out.empty() ? "" : ",") + item;
  }
  if (add && !present)
    out += (out.empty() ? "" : ",") + std::string(word);
  return out;
}

// The stream selector the view records; "" when none.
int recorded_stream(view_server_h view, std::string& selector) {
  Store* db = nullptr;
  int status = repo::view_db(view, db);
  std::string value;
  if (status == 0)
    status = repo::view_info_get(*db, kStreamKey, value);
  if (status == TBS_ST_NOT_FOUND)
    status = TBS_ST_OK;
  if (status == 0)
    selector = value;
  return status;
}

// Records `selector` ("" for none) in the view and sets its "sumview"
// attribute accordingly, in the view's database and in the registry.
int record_stream(view_server_h view, const std::string& selector) {
  view_entry_t fresh;
  int status = repo::rgy_view_by_uuid(view->entry.uuid, fresh);
  if (status != 0)
    return status;
  std::string attributes = with_word(fresh.attributes, kSumView, !selector.empty());
  status = repo::in_view_txn(view, [&](Store& db) -> int {
    int written = repo::view_info_set(db, kStreamKey, selector);
    return written != 0 ? written : repo::view_info_set(db, "attributes", attributes);
  });
  if (status == 0)
    status = repo::rgy_view_set_attributes(view->entry.uuid, attributes);
  if (status == 0)
    view->entry.attributes = attributes;
  return status;
}

// The stream a universal selector names; 1002 when it names nothing now.
int resolve_stream(const std::string& selector, vob_vob_h* pvob, tbs_dbid_t* stream) {
  vob_vob_h vob = nullptr;
  tbs_dbid_t dbid = 0;
  int status = vob_resolve_general(selector.c_str(), VOB_SEL_ANY, nullptr,
                                   VOB_RESOLVE_ALLOW_UNIVERSAL, &vob, &dbid);
  unsigned int flags = 0;
  if (status == 0)
    status = vob_zem_stream_get_flags(vob, dbid, &flags);
  if (status == TBS_ST_BAD_ARGUMENT)
    status = TBS_ST_NOT_FOUND;
  if (status == 0) {
    *pvob = vob;
    *stream = dbid;
  }
  return status;
}

// Removes the PVOB's record of the view's attachment, recording the change
// on the stream.
int drop_row(vob_vob_h pvob, tbs_dbid_t stream, const std::string& uuid,
             const vob_event_info_t* event) {
  return on_stream(pvob, stream, true, [&](Store& s) -> int {
    int status = s.query(sql::kZemViewStreamDelete).bind(1, uuid).run();
    return status != 0 ? status : repo::record_event(s, stream, VOB_EVENT_MODIFY, event);
  });
}

}  // namespace

int vob_zem_stream_next_activities(vob_vob_h pvob, tbs_dbid_t stream, size_t offset, size_t max,
                                   std::vector<tbs_dbid_t>& activities) {
  return on_stream(pvob, stream, false, [&](Store& s) -> int {
    zem::ZemKind activity;
    activity.mtype = VOB_MTYPE_ACTIVITY;
    tbs_dbid_t type = 0;
    int status = repo::well_known(s, VOB_WK_ACTIVITY_TYPE, &type);
    if (status == 0)
      activity.type = id(type);
    else if (status != TBS_ST_NOT_FOUND)
      return status;
    return zem::list_of_kind(s, stream, activity, offset, max, activities);
  });
}

int vob_zem_stream_next_views(vob_vob_h pvob, tbs_dbid_t stream, size_t offset, size_t max,
                              std::vector<std::string>& view_uuids) {
  return on_stream(pvob, stream, false, [&](Store& s) -> int {
    std::vector<std::string> found;
    Query q = s.query(sql::kZemViewsOfStream);
    q.bind(1, id(stream)).bind(2, static_cast<int64_t>(max)).bind(3, static_cast<int64_t>(offset));
    while (q.next())
      found.push_back(q.text(0));
    if (q.status() != 0)
      return q.status();
    view_uuids.swap(found);
    return TBS_ST_OK;
  });
}

int vob_utl_view_set_stream(view_server_h view, vob_vob_h pvob, tbs_dbid_t stream,
                            const vob_event_info_t* event) {
  if (view == nullptr || pvob == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  std::string current;
  int status = recorded_stream(view, current);
  if (status != 0)
    return status;
  if (!current.empty()) {
    vob_vob_h other_vob = nullptr;
    tbs_dbid_t other = 0;
    status = resolve_stream(current, &other_vob, &other);
    if (status == 0 && other_vob == pvob && other == stream)
      return TBS_ST_OK;
    if (status == 0) {
      imsg_print(IMSG_ERROR, tbs_msg::AttachedElsewhere, view->entry.tag.c_str(),
                 zem::display_name(other_vob, other).c_str());
      return TBS_ST_ERROR;
    }
    if (status != TBS_ST_NOT_FOUND)
      return status;
  }
  char selector[1024];
  status = vob_obj_get_uselector(pvob, stream, selector, sizeof selector);
  if (status == 0)
    status = on_stream(pvob, stream, true, [&](Store& s) -> int {
      int st = repo::check_not_locked(pvob, s, stream);
      if (st == 0)
        st = s.query(sql::kZemViewStreamSet).bind(1, view->entry.uuid).bind(2, id(stream)).run();
      return st != 0 ? st : repo::record_event(s, stream, VOB_EVENT_MODIFY, event);
    });
  if (status != 0)
    return status;
  status = record_stream(view, selector);
  if (status != 0)
    drop_row(pvob, stream, view->entry.uuid, event);
  return status;
}

int vob_utl_view_clear_stream(view_server_h view, const vob_event_info_t* event) {
  if (view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  std::string current;
  int status = recorded_stream(view, current);
  if (status != 0)
    return status;
  if (current.empty())
    return TBS_ST_NOT_FOUND;
  vob_vob_h pvob = nullptr;
  tbs_dbid_t stream = 0;
  int found = resolve_stream(current, &pvob, &stream);
  if (found != 0 && found != TBS_ST_NOT_FOUND)
    return found;
  status = record_stream(view, "");
  if (status == 0 && found == 0)
    status = drop_row(pvob, stream, view->entry.uuid, event);
  return status;
}

int vob_utl_view_get_stream(view_server_h view, vob_vob_h* pvob, tbs_dbid_t* stream) {
  if (view == nullptr || pvob == nullptr || stream == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  std::string current;
  int status = recorded_stream(view, current);
  if (status != 0)
    return status;
  if (current.empty())
    return TBS_ST_NOT_FOUND;
  return resolve_stream(current, pvob, stream);
}
