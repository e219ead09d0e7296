// SUM_View: the config spec side of a view attached to a stream — its
// identity, setting it to the stream's text or to a stream-independent one,
// and the plain entry points the view service and the command tool call to
// ask whether the view shows its stream's current configuration.
#include <cstdio>
#include <string>

#include "services/imsg.h"
#include "services/view.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_config_spec_id.h"
#include "sum/sum_imsg.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_trace.h"
#include "sum/sum_view.h"

namespace {

constexpr const char* kSource = "sum_view_cspec";

// The three words of an identity line after "identity": kind, id, version.
int parse_identity(const std::string& words, SUM_ConfigSpecId& out) {
  char kind[1024], id[2048];
  int version = 0;
  char extra = 0;
  if (words.size() >= sizeof id ||
      std::sscanf(words.c_str(), "%1023s %2047s %d %c", kind, id, &version, &extra) != 3)
    return SUM_FAILED;
  out = SUM_ConfigSpecId(kind, id, version);
  return SUM_OK;
}

// The stream of a view handed in by the view service; `zem_view` 0 when
// there is none (status 0 then, as for a view outside the ZEM layer).
int stream_of(const SUM_View& view, SUM_Stream& stream, int& zem_view) {
  int status = view.stream(stream);
  zem_view = status == 0 ? 1 : 0;
  return status == SUM_NOT_FOUND ? SUM_OK : status;
}

}  // namespace

int SUM_View::config_spec_id(SUM_ConfigSpecId& out) const {
  SUM_Trace trace("SUM_View::config_spec_id");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  view_server_h h = nullptr;
  std::string words;
  int status = open_handle(0, h);
  if (status == 0)
    status = view_getprop(h, VIEW_PROP_CSPEC_IDENTITY, words);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_ConfigSpecId id;
  if (!words.empty() && parse_identity(words, id) != 0)
    return sum_int_error(kSource, trace.name(), __LINE__);
  out = id;
  return SUM_OK;
}

int SUM_View::update_config_spec() const {
  SUM_Trace trace("SUM_View::update_config_spec");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Stream attached;
  int in_sync = 0;
  int status = stream(attached);
  if (status == SUM_NOT_FOUND)
    return SUM_NOT_FOUND;
  if (status == 0)
    status = attached.config_spec_in_sync(*this, in_sync);
  if (status != 0 || in_sync)
    return trace.checked(__LINE__, status);
  SUM_String text;
  if ((status = attached.config_spec(*this, text)) == 0)
    status = set_config_spec(text);
  return trace.checked(__LINE__, status);
}

int SUM_View::set_null_config_spec() const {
  SUM_Trace trace("SUM_View::set_null_config_spec");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Stream attached;
  SUM_String old_text, text;
  int status = stream(attached);
  if (status == SUM_NOT_FOUND)
    return SUM_NOT_FOUND;
  if (status == 0)
    status = config_spec(old_text);
  if (status == 0)
    status = attached.generate_null_cspec(old_text, text);
  if (status == 0)
    status = set_config_spec(text);
  return trace.checked(__LINE__, status);
}

// ---- plain entry points ----

int sum_view_config_spec_in_sync(view_server_h view, int* zem_view, int* in_sync) {
  SUM_Trace trace("sum_view_config_spec_in_sync");
  if (view == nullptr || zem_view == nullptr || in_sync == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  *zem_view = 0;
  *in_sync = 1;
  SUM_View handle(view);
  SUM_Stream attached;
  int zem = 0;
  int status = stream_of(handle, attached, zem);
  if (status != 0 || !zem)
    return trace.checked(__LINE__, status);
  *zem_view = 1;
  int sync = 0;
  if ((status = attached.config_spec_in_sync(handle, sync)) != 0)
    return trace.checked(__LINE__, status);
  *in_sync = sync;
  return SUM_OK;
}

int sum_view_snapshot_update_allowed(view_server_h view, int whole_view, int interactive,
                                     int* zem_view, int* allowed) {
  SUM_Trace trace("sum_view_snapshot_update_allowed");
  if (view == nullptr || zem_view == nullptr || allowed == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  *zem_view = 0;
  *allowed = 1;
  SUM_View handle(view);
  SUM_Stream attached;
  int zem = 0;
  int status = stream_of(handle, attached, zem);
  if (status != 0 || !zem)
    return trace.checked(__LINE__, status);
  *zem_view = 1;
  SUM_ImsgPresenter presenter;
  int may = 0;
  status = attached.snapshot_update_allowed(handle, whole_view, interactive, presenter, may);
  if (status != 0)
    return trace.checked(__LINE__, status);
  *allowed = may;
  return SUM_OK;
}

int sum_view_check_stream_cspec(vob_vob_h pvob, tbs_dbid_t stream) {
  SUM_Trace trace("sum_view_check_stream_cspec");
  if (pvob == nullptr || stream == 0)
    return SUM_OK;
  SUM_Stream attached(SUM_Vob(pvob), stream);
  int need = 0;
  SUM_String stored;
  int status = attached.need_persistent_cspec(need);
  if (status == 0 && !need)
    status = attached.config_spec(stored, 0);
  if (status == 0 && !need && stored.GetLength() > 0)
    status = attached.remove_cspec();
  return trace.checked(__LINE__, status);
}

int SUM_View::load_config_spec(const char* text) const {
  SUM_Trace trace("SUM_View::load_config_spec", 3);
  if (is_null() || text == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = check_owner("set the config spec of");
  if (status == 0)
    status = set_config_spec(text);
  return trace.checked(__LINE__, status);
}
