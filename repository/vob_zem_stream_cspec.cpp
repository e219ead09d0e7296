// The config spec text stored for a stream, in both storage forms: read and
// written by stream (vob_zem_stream_get_cspec / _set_cspec) or, in the
// activity-based form, through the activity record (vob_act_update_cspec and
// the VOB_ACT_INFO_CSPEC field of vob_act_update / vob_act_get_info).
#include "repository/sql.h"
#include "repository/vob_zem_stream_internal.h"
#include "services/vob_zem.h"

namespace repo {
namespace zem {

int store_cspec(vob_vob_h pvob, Store& s, tbs_dbid_t stream, const char* text, int final,
                const vob_event_info_t* event) {
  int status = check_not_locked(pvob, s, stream);
  if (status == 0)
    status = s.query(sql::kStreamCspecSet)
                 .bind(1, static_cast<int64_t>(stream))
                 .bind(2, text != nullptr ? text : "")
                 .bind(3, static_cast<int64_t>(final != 0 ? 1 : 0))
                 .run();
  return status != 0 ? status : record_event(s, stream, VOB_EVENT_MODIFY, event);
}

int read_cspec(Store& s, tbs_dbid_t stream, std::string& text, int& final) {
  Query q = s.query(sql::kStreamCspecGet);
  q.bind(1, static_cast<int64_t>(stream));
  if (q.next()) {
    text = q.text(0);
    final = q.integer(1);
  } else {
    text.clear();
    final = 1;
  }
  return q.status();
}

}  // namespace zem
}  // namespace repo

namespace {

using repo::ObjectRow;
using repo::Store;
namespace zem = repo::zem;

using zem::on_stream;

}  // namespace

int vob_zem_stream_get_cspec(vob_vob_h pvob, tbs_dbid_t stream, std::string& text, int* final) {
  std::string found;
  int mark = 1;
  int status = on_stream(pvob, stream, false,
                         [&](Store& s) { return zem::read_cspec(s, stream, found, mark); });
  if (status != 0)
    return status;
  text.swap(found);
  if (final != nullptr)
    *final = mark;
  return TBS_ST_OK;
}

int vob_zem_stream_set_cspec(vob_vob_h pvob, tbs_dbid_t stream, const char* text, int final,
                             const vob_event_info_t* event) {
  return on_stream(pvob, stream, true,
                   [&](Store& s) { return zem::store_cspec(pvob, s, stream, text, final, event); });
}

int vob_act_update_cspec(vob_vob_h pvob, tbs_dbid_t dbid, const char* text,
                         const vob_event_info_t* event) {
  return vob_zem_stream_set_cspec(pvob, dbid, text, 0, event);
}
