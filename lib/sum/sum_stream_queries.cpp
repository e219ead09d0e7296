// SUM_Stream: questions about a stream's structure and configuration that
// callers ask by name: its project model, child streams, activities, the
// per-component baselines and the foundation of its recommendation.
#include <memory>
#include <vector>

#include "services/vob_zem_stream.h"
#include "sum/sum_activity.h"
#include "sum/sum_baseline.h"
#include "sum/sum_baseline_diff.h"
#include "sum/sum_foundation.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"
#include "sum/sum_trace.h"
#include "sum/sum_virtual_baseline.h"

namespace {

constexpr const char* kSource = "sum_stream_queries";
// Repository chunk size of the stream's activities.
constexpr size_t kChunk = 32;

// Appends the streams placed in `parent` to `out`, each followed by those
// below it when `recursive`.
int append_children(const SUM_Stream& parent, int recursive, SUM_StreamList& out) {
  std::unique_ptr<SUM_Stream::ChildIter> walk(parent.child_streams());
  if (!walk)
    return SUM_INTERNAL_ERROR;
  for (walk->first(); !walk->is_done(); walk->next()) {
    SUM_Stream child;
    int status = walk->current_item(child);
    if (status != 0)
      return status;
    out.append(child);
    if (recursive && (status = append_children(child, recursive, out)) != 0)
      return status;
  }
  return walk->status();
}

}  // namespace

int SUM_Stream::is_in_single_stream_project(int& result) const {
  SUM_Trace trace("SUM_Stream::is_in_single_stream_project");
  SUM_Project owner;
  int status = project(owner);
  if (status == 0)
    status = owner.is_single_stream_project(result);
  return trace.checked(__LINE__, status);
}

int SUM_Stream::streams(SUM_StreamList& out, int recursive) const {
  SUM_Trace trace("SUM_Stream::streams");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_StreamList result;
  int status = append_children(*this, recursive, result);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = result;
  return SUM_OK;
}

int SUM_Stream::activities(SUM_ActivityList& out) const {
  SUM_Trace trace("SUM_Stream::activities");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_ActivityList result;
  std::vector<tbs_dbid_t> chunk;
  for (size_t offset = 0;; offset += kChunk) {
    int status = vob_zem_stream_next_activities(vob_.handle(), dbid_, offset, kChunk, chunk);
    if (status != 0)
      return trace.checked(__LINE__, status);
    for (tbs_dbid_t dbid : chunk)
      result.append(SUM_Activity(vob_, dbid));
    if (chunk.size() < kChunk)
      break;
  }
  out = result;
  return SUM_OK;
}

int SUM_Stream::has_activities(int& result) const {
  SUM_Trace trace("SUM_Stream::has_activities");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<tbs_dbid_t> first;
  int status = vob_zem_stream_next_activities(vob_.handle(), dbid_, 0, 1, first);
  if (status != 0)
    return trace.checked(__LINE__, status);
  result = first.empty() ? 0 : 1;
  return SUM_OK;
}

int SUM_Stream::baselines_util(int kind, SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_Stream::baselines_util");
  if (is_null() || kind < 0 || kind > 1)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_BaselineList result;
  if (kind == 0) {
    SUM_Foundation evaluated;
    int unavailable = 0;
    int status = foundation(evaluated, unavailable);
    if (status == 0)
      status = evaluated.closure(result);
    if (status != 0)
      return trace.checked(__LINE__, status);
    out = result;
    return SUM_OK;
  }
  SUM_TimelineList own;
  int status = timelines(own);
  if (status != 0)
    return trace.checked(__LINE__, status);
  for (unsigned i = 0; i < own.count(); ++i) {
    SUM_Baseline latest;
    status = own[i].latest_baseline(latest);
    if (status == SUM_NOT_FOUND)
      continue;
    if (status != 0)
      return trace.checked(__LINE__, status);
    result.append(latest);
  }
  out = result;
  return SUM_OK;
}

int SUM_Stream::uses_baseline_util(const SUM_Component& component, SUM_Baseline& out) const {
  SUM_Trace trace("SUM_Stream::uses_baseline_util");
  if (is_null() || component.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_BaselineList targets;
  int unavailable = 0;
  int status = uses_baselines_util(targets, unavailable);
  if (status != 0)
    return trace.checked(__LINE__, status);
  for (unsigned i = 0; i < targets.count(); ++i) {
    SUM_Component of;
    if ((status = targets[i].component(of)) != 0)
      return trace.checked(__LINE__, status);
    if (of == component) {
      out = targets[i];
      return SUM_OK;
    }
  }
  return SUM_NOT_FOUND;
}

int SUM_Stream::rec_foundation(SUM_Foundation& out) const {
  SUM_Trace trace("SUM_Stream::rec_foundation");
  SUM_BaselineList recommended;
  int status = recbls(recommended);
  if (status == 0)
    status = SUM_Foundation::construct_from_baselines(recommended, out);
  return trace.checked(__LINE__, status);
}

int sum_stream_set_name(const char* selector, const char* name, const char* comment) {
  SUM_Trace trace("sum_stream_set_name");
  if (selector == nullptr || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Stream stream;
  int status = SUM_Stream::construct_from_selector(selector, SUM_Vob(), stream);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, stream.set_name(name, comment));
}

int SUM_Stream::rebase_stream(SUM_Stream& out) const {
  SUM_Trace trace("SUM_Stream::rebase_stream");
  int integration = 0;
  int status = is_integration(integration);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (integration)
    return SUM_NOT_FOUND;
  status = parent_stream(out);
  return status == SUM_NOT_FOUND ? SUM_NOT_FOUND : trace.checked(__LINE__, status);
}

int SUM_Stream::behind_recommended(SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_Stream::behind_recommended");
  SUM_Stream source;
  int status = rebase_stream(source);
  if (status == SUM_NOT_FOUND) {
    out = SUM_BaselineList();
    return SUM_OK;
  }
  SUM_Foundation recommended;
  SUM_BaselineList closure;
  SUM_ComponentList scope;
  if (status == 0)
    status = source.rec_foundation(recommended);
  if (status == 0)
    status = recommended.closure(closure);
  if (status == 0)
    status = recommended.closure_scope(scope);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_BaselineList ahead;
  for (unsigned i = 0; i < closure.count(); ++i) {
    SUM_Baseline mine;
    status = baseline_util(scope[i], 0, mine);
    if (status == SUM_NOT_FOUND || (status == 0 && mine == closure[i]))
      continue;
    SUM_BaselineList target;
    target.append(closure[i]);
    int forward = 0;
    if (status == 0)
      status = mine.is_ancestor_of(target, forward);
    if (status != 0)
      return trace.checked(__LINE__, status);
    if (forward)
      ahead.append(closure[i]);
  }
  out = ahead;
  return SUM_OK;
}

int SUM_Stream::activities_since_foundation(SUM_ActivityList& out) const {
  SUM_Trace trace("SUM_Stream::activities_since_foundation");
  SUM_BaselineList foundation;
  int status = baselines_util(0, foundation);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_ActivityList found;
  for (unsigned i = 0; i < foundation.count(); ++i) {
    SUM_Component component;
    int rooted = 0;
    if ((status = foundation[i].component(component)) == 0)
      status = component.has_crde(rooted);
    if (status != 0)
      return trace.checked(__LINE__, status);
    if (!rooted)
      continue;  // holds baselines only, no activities' versions
    BaselineDiffList diffs;
    if ((status = BaselineDiff::compare(SUM_BaselineVR(foundation[i]), *this, diffs)) != 0)
      return trace.checked(__LINE__, status);
    for (unsigned d = 0; d < diffs.count(); ++d)
      if (diffs[d].moved_on() && found.find(diffs[d].activity()) < 0)
        found.append(diffs[d].activity());
  }
  out = found;
  return SUM_OK;
}
