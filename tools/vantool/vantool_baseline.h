// What describe and lsbl show of a baseline: its component, the stream it
// was made in, its promotion level and labeling status, the activities it
// records with their modification counts, and the baselines it depends on.
#ifndef VANTOOL_VANTOOL_BASELINE_H
#define VANTOOL_VANTOOL_BASELINE_H

#include <string>
#include <utility>
#include <vector>

#include "sum/sum_baseline.h"
#include "vantool_json.h"

namespace vantool {

struct BaselineDetails {
  std::string label, component, stream;  // stream "" for a component's main timeline
  std::string plevel, labeling;          // level name; labeling status as a word
  bool import = false;
  std::string created;
  // (activity label, modification count recorded for it), in recorded order.
  std::vector<std::pair<std::string, unsigned>> activities;
  std::vector<std::string> dependencies;  // member baselines' labels
  bool some_unavailable = false;          // a member baseline could not be read
};

// "unlabeled", "incremental", "full", "initial" or "not labelable".
const char* labeling_status_text(int status);

// Reads everything above of `baseline`; false when something could not be
// read (the library printed why).
bool read_baseline_details(const SUM_Baseline& baseline, BaselineDetails& out);
// The detail lines of describe and lsbl -long, two spaces in.
void print_baseline_details(const BaselineDetails& details);
// The keys of lsbl -json and describe -json, inside an open object.
void write_baseline_json(const BaselineDetails& details, JsonWriter& json);

}  // namespace vantool

#endif  // VANTOOL_VANTOOL_BASELINE_H
