// SUM_Stream: what a delivery leaves on the streams. Recording a delivery
// puts each delivered baseline on the target stream's timeline of its
// component (a "TimelineContribution" hyperlink and a kind 2 entry naming
// it, see services/vob_zem_stream.h), which makes the baseline part of the
// target's content and ancestry; undoing it removes exactly that. The
// target also remembers the view the last deliver into it worked in.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/vob_zem_stream.h"
#include "sum/sum_baseline.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_component.h"
#include "sum/sum_event_info.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"
#include "sum/sum_trace.h"
#include "sum/sum_view.h"

namespace {

constexpr const char* kSource = "sum_stream_deliver";

// Event comments when the caller gives none: the source stream, and the
// target view when there is one.
constexpr const char* kRecordedComment = "Delivered from stream \"%s\"";
constexpr const char* kRecordedInViewComment = "Delivered from stream \"%s\" in view \"%s\"";
constexpr const char* kUndoneComment = "Delivery from stream \"%s\" undone";

// The operation code of timeline events, or 0 below feature level 4, whose
// events carry none.
int timeline_opcode(const SUM_Vob& vob, int& out) {
  int level = 0;
  int status = vob.feature_level(level);
  if (status == 0)
    out = level >= 4 ? SUM_Timeline::kOpDuplicateEntry : 0;
  return status;
}

// `format` with its "%s" fields filled by `a` and `b`.
SUM_String formatted(const char* format, const std::string& a, const std::string& b = "") {
  std::vector<char> text(std::strlen(format) + a.size() + b.size() + 1);
  std::snprintf(text.data(), text.size(), format, a.c_str(), b.c_str());
  return SUM_String(text.data());
}

bool given(const char* comment) {
  return comment != nullptr && *comment != '\0';
}

// The event comment of a recording: the caller's when given, else one naming
// `source` and, when it is not null and has a tag, the target view.
SUM_String recorded_comment(const char* comment, const SUM_Stream& source, const SUM_View& view) {
  if (given(comment))
    return SUM_String(comment);
  SUM_String tag;
  if (!view.is_null() && view.tag(tag, 1) == 0)
    return formatted(kRecordedInViewComment, source.any_name(), std::string(tag));
  return formatted(kRecordedComment, source.any_name());
}

// The pairs (baseline, target timeline of its component) for `delivered`,
// each once, and the operation code of their events; baselines of
// components the target has no timeline for are left out. A null baseline
// is an internal error.
int delivery_pairs(const SUM_Stream& target, const SUM_BaselineList& delivered,
                   const char* operation, std::vector<vob_zem_tl_contrib_t>& out, int& op) {
  out.clear();
  for (unsigned i = 0; i < delivered.count(); ++i) {
    const SUM_Baseline& baseline = delivered[i];
    if (baseline.is_null())
      return sum_int_error(kSource, operation, __LINE__);
    SUM_Component component;
    SUM_Timeline timeline;
    int status = baseline.component(component);
    if (status == 0)
      status = target.component_timeline(component, timeline);
    if (status == SUM_NOT_FOUND)
      continue;  // the target does not hold the component: nothing to record
    if (status != 0)
      return status;
    // A component's baselines and the timelines of streams using it are
    // all kept in the component's project VOB.
    if (baseline.vob() != target.vob())
      return sum_int_error(kSource, operation, __LINE__);
    vob_zem_tl_contrib_t pair;
    pair.baseline = baseline.dbid();
    pair.timeline = timeline.dbid();
    out.push_back(pair);
  }
  return timeline_opcode(target.vob(), op);
}

}  // namespace

int SUM_Stream::record_deliver(const SUM_Stream& target, const SUM_BaselineList& delivered,
                               const SUM_View& view, const char* comment) const {
  SUM_Trace trace("SUM_Stream::record_deliver");
  if (is_null() || target.is_null() || target == *this)
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<vob_zem_tl_contrib_t> pairs;
  int op = 0;
  int status = delivery_pairs(target, delivered, trace.name(), pairs, op);
  if (status != 0 || pairs.empty())
    return trace.checked(__LINE__, status);
  SUM_EventInfo event(recorded_comment(comment, *this, view), op);
  size_t recorded = 0;
  status = vob_zem_timeline_record_contribs(target.vob().handle(), pairs, event.info(), &recorded);
  if (status == 0)
    trace.info(2, "%u of %u deliveries recorded on \"%s\"", static_cast<unsigned>(recorded),
               static_cast<unsigned>(pairs.size()), target.any_name());
  return trace.checked(__LINE__, status);
}

int SUM_Stream::undo_recorded_deliver(const SUM_Stream& target, const SUM_BaselineList& delivered,
                                      const char* comment) const {
  SUM_Trace trace("SUM_Stream::undo_recorded_deliver");
  if (is_null() || target.is_null() || target == *this)
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<vob_zem_tl_contrib_t> pairs;
  int op = 0;
  int status = delivery_pairs(target, delivered, trace.name(), pairs, op);
  if (status != 0 || pairs.empty())
    return trace.checked(__LINE__, status);
  SUM_EventInfo event(given(comment) ? SUM_String(comment) : formatted(kUndoneComment, any_name()),
                      op);
  size_t removed = 0;
  status = vob_zem_timeline_remove_contribs(target.vob().handle(), pairs, event.info(), &removed);
  if (status == 0)
    trace.info(2, "%u of %u deliveries removed from \"%s\"", static_cast<unsigned>(removed),
               static_cast<unsigned>(pairs.size()), target.any_name());
  return trace.checked(__LINE__, status);
}

int SUM_Stream::set_deliver_view(const SUM_View& view) const {
  SUM_Trace trace("SUM_Stream::set_deliver_view");
  if (is_null() || view.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Uuid uuid;
  int status = view.uuid(uuid);
  if (status == 0)
    status = set_pvar(PVAR_ZEM_STRM_ZEM_DELIVER_INTEGRATION_VIEW, uuid.string(), kOpChange, "");
  return trace.checked(__LINE__, status);
}

int SUM_Stream::deliver_view(SUM_View& out) const {
  SUM_Trace trace("SUM_Stream::deliver_view");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String text;
  int status = pvar(PVAR_ZEM_STRM_ZEM_DELIVER_INTEGRATION_VIEW, text);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableGetViewPvar);
    return trace.checked(__LINE__, status);
  }
  if (text.GetLength() == 0)
    return SUM_NOT_FOUND;
  SUM_Uuid uuid;
  if (SUM_Uuid::construct_from_string(text, uuid) != 0 || uuid.is_null()) {
    imsg_print(IMSG_ERROR, sum_deliver_msg::UnableConvertUuid, std::string(text));
    return trace.checked(__LINE__, SUM_FAILED);
  }
  SUM_View found;
  SUM_String tag;
  if ((status = SUM_View::construct_from_uuid(uuid, found)) == 0)
    status = found.fetch_tag(tag);
  // A view removed since no longer answers by its UUID.
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = found;
  return SUM_OK;
}
