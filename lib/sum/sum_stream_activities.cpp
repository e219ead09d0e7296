// SUM_Stream: making the activities of a stream, and the special folders
// of activity-based streams.
#include <vector>

#include "services/vob_zem_stream.h"
#include "sum/sum_activity.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_stream_activities";

// Kinds of special folders of an activity-based stream.
constexpr int kActivityFolder = 0;
constexpr int kLastFolderKind = 2;

}  // namespace

int SUM_Stream::special_folder(int kind, SUM_ActivityBase& out) const {
  SUM_Trace trace("SUM_Stream::special_folder");
  if (is_null() || vob_.supports_fc_objs() || kind < kActivityFolder || kind > kLastFolderKind)
    return sum_int_error(kSource, trace.name(), __LINE__);
  out = *this;
  return SUM_OK;
}

int SUM_Stream::create_activity(const char* name, const char* title, const char* comment,
                                SUM_Activity& out) const {
  SUM_Trace trace("SUM_Stream::create_activity");
  return trace.checked(__LINE__, make_activity(name, title, comment, 0, out));
}

int SUM_Stream::create_integration_activity(const char* name, const char* title,
                                            const char* comment, SUM_Activity& out) const {
  SUM_Trace trace("SUM_Stream::create_integration_activity");
  return trace.checked(__LINE__, make_activity(name, title, comment, 1, out));
}

int SUM_Stream::make_activity(const char* name, const char* title, const char* comment,
                              int allow_read_only, SUM_Activity& out) const {
  SUM_Trace trace("SUM_Stream::make_activity");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (vob_.supports_fc_objs())
    return trace.checked(__LINE__,
                         SUM_Activity::zem_create(name, title, *this, 0, nullptr, comment, out));
  SUM_ActivityBase folder;
  int status = special_folder(kActivityFolder, folder);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(
      __LINE__, SUM_Activity::create(name, title, folder, allow_read_only, nullptr, comment, out));
}
