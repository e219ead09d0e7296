// What commands outside rebase and deliver show of a stream's operations in
// progress.
#include "vantool_operation.h"

#include <unistd.h>

#include <cstdio>

#include "sum/sum_deliver.h"
#include "sum/sum_rebase.h"
#include "vantool_text.h"

namespace vantool {

namespace {

std::string or_none(const std::string& text) {
  return text.empty() ? "(none)" : text;
}

// The operation `op` finds on `stream` (get_details restores it).
bool read_one(SUM_Integration& op, const SUM_Stream& stream, OperationInProgress& out) {
  out = OperationInProgress();
  int found = 0;
  if (op.get_details(stream, found) != 0)
    return false;
  if (!found)
    return true;
  out.found = true;
  const char* state = op.op_state_string();
  out.state = state != nullptr ? state : "";
  SUM_String tag;
  if (!op.op_target_view().is_null() && op.op_target_view().tag(tag, 1) == 0)
    out.view = text_of(tag);
  if (!op.op_integration_activity().is_null())
    out.activity = label_of(op.op_integration_activity());
  out.owner = text_of(op.op_owner());
  if (op.op_start_time() != 0)
    out.started = time_text(op.op_start_time());
  return true;
}

void print_one(const char* kind, const OperationInProgress& op) {
  if (!op.found)
    return;
  imsg_print_literal(IMSG_INFO, "  %s in progress: %s\n", kind, op.state.c_str());
  if (!op.target.empty())
    imsg_print_literal(IMSG_INFO, "    target stream: %s\n", op.target.c_str());
  imsg_print_literal(IMSG_INFO,
                     "    view: %s\n    integration activity: %s\n"
                     "    started by: %s on %s\n",
                     or_none(op.view).c_str(), or_none(op.activity).c_str(),
                     or_none(op.owner).c_str(), or_none(op.started).c_str());
}

void write_one(const char* key, const OperationInProgress& op, JsonWriter& json) {
  json.key(key);
  if (!op.found) {
    json.value(nullptr);
    return;
  }
  json.begin_object().key("state").value(op.state);
  if (!op.target.empty())
    json.key("target").value(op.target);
  json.key("view")
      .value(op.view)
      .key("activity")
      .value(op.activity)
      .key("owner")
      .value(op.owner)
      .key("started")
      .value(op.started)
      .end_object();
}

// Shows each long step of an operation ("Merging files...") on standard
// error.
int show_step(const SUM_ActionCB& cb) {
  std::fprintf(stderr, "%s\n", static_cast<const char*>(cb.action));
  std::fflush(stderr);
  return 0;
}

}  // namespace

void prepare_engine(SUM_Integration& operation) {
  operation.set_cli(1);
  if (isatty(STDERR_FILENO))
    operation.set_action_cb(SUM_ActionCB(show_step, nullptr));
}

std::string tag_of(const SUM_View& view) {
  SUM_String tag;
  if (view.is_null() || view.tag(tag, 1) != 0)
    return "";
  return text_of(tag);
}

bool read_operations_in_progress(const SUM_Stream& stream, OperationsInProgress& out) {
  SUM_Rebase rebase;
  SUM_Deliver deliver;
  if (!read_one(rebase, stream, out.rebase) || !read_one(deliver, stream, out.deliver))
    return false;
  if (out.deliver.found)
    out.deliver.target = label_of(deliver.target_stream());
  return true;
}

void print_operations_in_progress(const OperationsInProgress& operations) {
  print_one("rebase", operations.rebase);
  print_one("deliver", operations.deliver);
}

void write_operations_json(const OperationsInProgress& operations, JsonWriter& json) {
  write_one("rebase_in_progress", operations.rebase, json);
  write_one("deliver_in_progress", operations.deliver, json);
}

}  // namespace vantool
