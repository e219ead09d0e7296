// What commands outside the activity family need of activities: the
// details describe shows, and check-in or cancellation of a whole change
// set by ci and unco.
#ifndef VANTOOL_VANTOOL_ACTIVITY_H
#define VANTOOL_VANTOOL_ACTIVITY_H

#include <string>
#include <vector>

#include "sum/sum_view.h"
#include "sum/sum_activity.h"
#include "vantool_json.h"
#include "vantool_options.h"

namespace vantool {

// One version of a change set as users see it: "/vob/dir/file@@/main/dev/2"
// through a view that shows the element, else the version's display name.
struct ChangeSetEntry {
  std::string shown;
  bool checked_out = false;
};

// "/vob/dir/file@@/main/dev/2" of `version` through `view` (may be null),
// else the version's display name.
std::string shown_version(const SUM_Version& version, const SUM_View& view);

// Everything lsact -long and describe show of an activity.
struct ActivityDetails {
  std::string label, headline, stream;
  std::vector<std::string> views;  // tags (or UUIDs) of the views it is current in
  unsigned mod_count = 0;
  std::vector<ChangeSetEntry> change_set;
  bool some_unavailable = false;  // a VOB of the change set could not be opened
};

// Reads the details of `activity`; versions are shown through `view`, or
// when it is null through a view of the activity's stream. False when something could not be read.
bool read_activity_details(const SUM_Activity& activity, const SUM_View& view,
                           ActivityDetails& out);
// The lines of -long (after the first) and of describe, two spaces in.
void print_activity_details(const ActivityDetails& details);
// The keys of -json and describe -json, inside an open object.
void write_activity_json(const ActivityDetails& details, JsonWriter& json);

// ci -cact / -activity ACT and unco -cact / -activity ACT: check in, resp.
// cancel, every checkout of the change set in the command's view.
int run_change_set_checkin(const ParsedArgs& args);
int run_change_set_uncheckout(const ParsedArgs& args);

}  // namespace vantool

#endif  // VANTOOL_VANTOOL_ACTIVITY_H
