// What commands outside rebase show of a stream's rebase in progress.
#include "vantool_rebase.h"

#include "sum/sum_rebase.h"
#include "vantool_text.h"

namespace vantool {

namespace {

std::string or_none(const std::string& text) {
  return text.empty() ? "(none)" : text;
}

}  // namespace

bool read_rebase_in_progress(const SUM_Stream& stream, RebaseInProgress& out) {
  out = RebaseInProgress();
  int found = 0;
  if (SUM_Rebase::has_rebase_in_progress(stream, found) != 0)
    return false;
  if (!found)
    return true;
  SUM_Rebase rebase;
  if (rebase.get_details(stream, found) != 0)
    return false;
  // Completed or cancelled by another process between the two reads.
  if (!found)
    return true;
  out.found = true;
  const char* state = rebase.op_state_string();
  out.state = state != nullptr ? state : "";
  SUM_String tag;
  if (!rebase.op_target_view().is_null() && rebase.op_target_view().tag(tag, 1) == 0)
    out.view = text_of(tag);
  if (!rebase.op_integration_activity().is_null())
    out.activity = label_of(rebase.op_integration_activity());
  out.owner = text_of(rebase.op_owner());
  if (rebase.op_start_time() != 0)
    out.started = time_text(rebase.op_start_time());
  return true;
}

void print_rebase_in_progress(const RebaseInProgress& rebase) {
  if (!rebase.found)
    return;
  imsg_print_literal(IMSG_INFO,
                     "  rebase in progress: %s\n    view: %s\n    integration activity: %s\n"
                     "    started by: %s on %s\n",
                     rebase.state.c_str(), or_none(rebase.view).c_str(),
                     or_none(rebase.activity).c_str(), or_none(rebase.owner).c_str(),
                     or_none(rebase.started).c_str());
}

void write_rebase_json(const RebaseInProgress& rebase, JsonWriter& json) {
  json.key("rebase_in_progress");
  if (!rebase.found) {
    json.value(nullptr);
    return;
  }
  json.begin_object()
      .key("state")
      .value(rebase.state)
      .key("view")
      .value(rebase.view)
      .key("activity")
      .value(rebase.activity)
      .key("owner")
      .value(rebase.owner)
      .key("started")
      .value(rebase.started)
      .end_object();
}

}  // namespace vantool
