// What the SUM_Activity source files share and no caller needs: message
// labels, the owning stream and project, and the project's tracker status.
#ifndef SUM_SUM_ACTIVITY_INTERNAL_H
#define SUM_SUM_ACTIVITY_INTERNAL_H

#include "sum/sum_activity.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "sum/sum_string.h"

// Tracker status of a project.
constexpr int kTkEnabled = 0;
constexpr int kTkSuspended = 1;  // enabled but suspended
constexpr int kTkNotEnabled = 2;

// The object's name for messages ("<unknown>" when it cannot be read).
SUM_String sum_act_label(const SUM_VobObject& obj);
// 0 when `activity` is a deliver or rebase integration activity (`in_progress`
// whether its operation still runs); otherwise prints that it is not one and
// returns 1001.
int sum_act_require_integration(const SUM_Activity& activity, int& in_progress);
// The activity's stream and that stream's project.
int sum_act_stream_and_project(const SUM_Activity& activity, SUM_Stream& stream,
                               SUM_Project& project);
// The tracker status of `project`: suspended while "BRELT_PROJ_ENABLED_SUSPENDED"
// exists, else enabled when "BRELT_PROJ_ENTITYDEF_NAME" is set, else not
// enabled.
int sum_act_project_tk_status(const SUM_Project& project, int& status);
// A step that must ask the tracker of a bound project: an internal error
// (1072) naming `operation`, until the tracker binding brings the bridge.
// Projects that are not bound never get here.
int sum_act_tk_bridge_needed(const char* operation, int line);

#endif  // SUM_SUM_ACTIVITY_INTERNAL_H
