// Opening the objects a command names: a selector ("NAME@PVOB" or
// "KIND:NAME@PVOB") turned into a library handle, and the VOBs the
// registry knows. Each open_* prints the vantool message that says the
// text names no such object and answers false when it cannot open it.
#ifndef VANTOOL_VANTOOL_OPEN_H
#define VANTOOL_VANTOOL_OPEN_H

#include <string>
#include <vector>

#include "sum/sum_activity.h"
#include "sum/sum_baseline.h"
#include "sum/sum_component.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "sum/sum_vob.h"

namespace vantool {

bool open_stream(const std::string& text, SUM_Stream& stream);
bool open_project(const std::string& text, SUM_Project& project);
bool open_component(const std::string& text, SUM_Component& component);
bool open_baseline(const std::string& text, SUM_Baseline& baseline);
// The activity `text` names; a bare name is looked up in `pvob`.
bool open_activity(const std::string& text, const SUM_Vob& pvob, SUM_Activity& activity);

// Every project of every project VOB, appended to `out`. False after
// vantool message `failed`, naming the project VOB whose projects cannot
// be listed ("" when the project VOBs cannot be).
bool all_projects(SUM_ProjectList& out, imsg_checked_id<const char*> failed);

// The VOBs registered in the default region; false when the registry cannot
// be read.
bool registered_vobs(std::vector<rgy_vob_entry>& out);

// A registered project VOB, opened.
struct RegisteredPvob {
  std::string tag;
  SUM_Vob vob;
};
// The registered VOBs that are project VOBs; VOBs that cannot be opened or
// asked are passed over. False when the registry cannot be read.
bool registered_pvobs(std::vector<RegisteredPvob>& out);

}  // namespace vantool

#endif  // VANTOOL_VANTOOL_OPEN_H
