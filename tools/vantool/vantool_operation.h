// What commands outside rebase and deliver show of a stream's operations in
// progress: lsstream -long/-json and describe read them here, so that both
// show the same facts in the same words.
#ifndef VANTOOL_VANTOOL_OPERATION_H
#define VANTOOL_VANTOOL_OPERATION_H

#include <string>

#include "sum/sum_integration.h"
#include "sum/sum_stream.h"
#include "vantool_json.h"

namespace vantool {

// One operation in progress on a stream, as users see it. Names that are
// not recorded (no view bound yet, no integration activity made) are "".
struct OperationInProgress {
  bool found = false;
  std::string state;     // the engine's state name: "prepared" ... "config_updated"
  std::string target;    // a deliver's target stream, NAME@PVOB
  std::string view;      // the tag of the view it works in
  std::string activity;  // NAME@PVOB of its integration activity
  std::string owner;     // the login that started it
  std::string started;   // when, as time_text
};

// The rebase of a stream and the deliver from it.
struct OperationsInProgress {
  OperationInProgress rebase;
  OperationInProgress deliver;
};

// Reads the operations in progress on `stream` (found false for one that
// is not). False after the library's message when a record cannot be read.
bool read_operations_in_progress(const SUM_Stream& stream, OperationsInProgress& out);

// The lines of lsstream -long and describe, two spaces in: "  rebase in
// progress: ..." and "  deliver in progress: ..." for those there are.
void print_operations_in_progress(const OperationsInProgress& operations);

// The keys "rebase_in_progress" and "deliver_in_progress" inside an open
// object: null when there is none, else an object with state, view,
// activity, owner and started (and target for a deliver).
void write_operations_json(const OperationsInProgress& operations, JsonWriter& json);

// Readies a deliver or rebase to be driven from the command line: batch
// merges, and each long step shown on standard error when that is a
// terminal.
void prepare_engine(SUM_Integration& operation);

// The tag of `view`; "" for a null view or one whose tag cannot be read.
std::string tag_of(const SUM_View& view);

}  // namespace vantool

#endif  // VANTOOL_VANTOOL_OPERATION_H
