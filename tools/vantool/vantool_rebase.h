// What commands outside rebase show of a stream's rebase in progress:
// lsstream -long/-json and describe read it here, so that both show the
// same facts in the same words.
#ifndef VANTOOL_VANTOOL_REBASE_H
#define VANTOOL_VANTOOL_REBASE_H

#include <string>

#include "sum/sum_stream.h"
#include "vantool_json.h"

namespace vantool {

// The rebase in progress on a stream, as users see it. Names that are not
// recorded (no view bound yet, no integration activity made) are "".
struct RebaseInProgress {
  bool found = false;
  std::string state;     // the engine's state name: "prepared" ... "config_updated"
  std::string view;      // the tag of the view it works in
  std::string activity;  // NAME@PVOB of its integration activity
  std::string owner;     // the login that started it
  std::string started;   // when, as time_text
};

// Reads the rebase in progress on `stream` (found false when there is
// none). False after the library's message when the record cannot be read.
bool read_rebase_in_progress(const SUM_Stream& stream, RebaseInProgress& out);

// The lines of lsstream -long and describe, two spaces in: one line
// "  rebase in progress: ..." when there is one, nothing otherwise.
void print_rebase_in_progress(const RebaseInProgress& rebase);

// The key "rebase_in_progress" inside an open object: null when there is
// none, else an object with state, view, activity, owner and started.
void write_rebase_json(const RebaseInProgress& rebase, JsonWriter& json);

}  // namespace vantool

#endif  // VANTOOL_VANTOOL_REBASE_H
