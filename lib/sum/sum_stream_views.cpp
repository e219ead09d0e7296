// SUM_Stream: the views attached to a stream. The repository keeps the
// attachment on both sides (services/view.h, stream binding): the PVOB lists
// a stream's views, the view names its stream.
#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/view.h"
#include "services/vob_zem_stream.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_event_info.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"

namespace {

constexpr const char* kSource = "sum_stream_views";

// Views are listed this many at a time.
constexpr size_t kViewChunk = 64;

// A view server handle for the view with UUID `view`, freed on scope exit.
class ViewHandle {
 public:
  ~ViewHandle() { view_free_handle(handle_); }
  int open(const SUM_Uuid& view) {
    return view_get_handle_by_uuid(static_cast<const char*>(view.string()), &handle_);
  }
  view_server_h get() const { return handle_; }
  std::string tag() const {
    std::string text;
    view_tag(handle_, text);
    return text;
  }

 private:
  view_server_h handle_ = nullptr;
};

// Whether the view is attached to `stream`.
int attached_to(const ViewHandle& view, const SUM_Stream& stream, int& attached) {
  vob_vob_h pvob = nullptr;
  tbs_dbid_t dbid = 0;
  int status = vob_utl_view_get_stream(view.get(), &pvob, &dbid);
  if (status == SUM_NOT_FOUND) {
    attached = 0;
    return SUM_OK;
  }
  if (status == 0)
    attached = pvob == stream.vob().handle() && dbid == stream.dbid() ? 1 : 0;
  return status;
}

}  // namespace

int SUM_Stream::add_view(const SUM_Uuid& view, const char* comment) const {
  SUM_Trace trace("SUM_Stream::add_view");
  if (is_null() || view.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  ViewHandle handle;
  int status = handle.open(view);
  if (status != 0)
    return trace.checked(__LINE__, status);
  int attached = 0;
  if ((status = attached_to(handle, *this, attached)) != 0)
    return trace.checked(__LINE__, status);
  if (attached) {
    imsg_print(IMSG_ERROR, sum_stream_msg::AlreadyAttached, handle.tag().c_str(), any_fullname());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  SUM_Project owner;
  if ((status = project(owner)) != 0)
    return trace.checked(__LINE__, status);
  SUM_TrigChStream trigger(*this, owner, "view", comment);
  if ((status = trigger.fire_preop()) != 0)
    return trace.checked(__LINE__, status);
  SUM_EventInfo event(comment, kOpChange);
  if ((status = vob_utl_view_set_stream(handle.get(), vob_.handle(), dbid_, event.info())) != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

int SUM_Stream::detach_view(const SUM_Uuid& view, const char* comment) const {
  SUM_Trace trace("SUM_Stream::detach_view");
  if (is_null() || view.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  ViewHandle handle;
  int status = handle.open(view);
  int attached = 0;
  if (status == 0)
    status = attached_to(handle, *this, attached);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!attached)
    return SUM_NOT_FOUND;
  imsg_print(IMSG_INFO, sum_stream_msg::Detaching, handle.tag().c_str(), any_fullname());
  SUM_EventInfo event(comment, kOpChange);
  return trace.checked(__LINE__, vob_utl_view_clear_stream(handle.get(), event.info()));
}

int SUM_Stream::views(SUM_UuidList& out) const {
  SUM_Trace trace("SUM_Stream::views");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_UuidList found;
  std::vector<std::string> chunk;
  for (size_t offset = 0;; offset += kViewChunk) {
    int status = vob_zem_stream_next_views(vob_.handle(), dbid_, offset, kViewChunk, chunk);
    if (status != 0)
      return trace.checked(__LINE__, status);
    for (const std::string& text : chunk) {
      SUM_Uuid uuid;
      if ((status = SUM_Uuid::construct_from_string(text.c_str(), uuid)) != 0)
        return sum_int_error(kSource, trace.name(), __LINE__);
      found.append(uuid);
    }
    if (chunk.size() < kViewChunk)
      break;
  }
  for (unsigned i = 0; i < found.count(); ++i)
    out.append(found[i]);
  return SUM_OK;
}

int SUM_Stream::num_of_views(int& count) const {
  SUM_Trace trace("SUM_Stream::num_of_views");
  SUM_UuidList found;
  int status = views(found);
  if (status != 0)
    return trace.checked(__LINE__, status);
  count = static_cast<int>(found.count());
  return SUM_OK;
}

int SUM_Stream::unique_view(SUM_Uuid& out) const {
  SUM_Trace trace("SUM_Stream::unique_view");
  SUM_UuidList found;
  int status = views(found);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (found.count() != 1) {
    imsg_print(IMSG_ERROR, sum_stream_msg::NoUniqueView, any_fullname());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  out = found[0];
  return SUM_OK;
}
