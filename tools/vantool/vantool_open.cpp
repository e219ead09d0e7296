// Opening the objects a command names, and the registered VOBs.
#include "vantool_open.h"

#include <cstdint>

#include "services/imsg.h"
#include "vantool/vantool_catalogs.h"

namespace vantool {

namespace {

// Messages of the vantool catalog used here: each names the text that
// names no such object.

// Opens the object of type `Object` that `text` selects in `pvob` (null:
// the selector's own PVOB), printing vantool message `not_found` when
// there is none.
template <typename Object>
bool open_selected(const std::string& text, const SUM_Vob& pvob,
                   imsg_checked_id<const char*> not_found, Object& object) {
  if (Object::construct_from_selector(text.c_str(), pvob, object) == 0)
    return true;
  imsg_print(IMSG_ERROR, not_found, text.c_str());
  return false;
}

}  // namespace

bool open_stream(const std::string& text, SUM_Stream& stream) {
  return open_selected(text, SUM_Vob(), vantool_msg::NotAStream, stream);
}

bool open_project(const std::string& text, SUM_Project& project) {
  return open_selected(text, SUM_Vob(), vantool_msg::NotAProject, project);
}

bool open_component(const std::string& text, SUM_Component& component) {
  return open_selected(text, SUM_Vob(), vantool_msg::NotAComponent, component);
}

bool open_baseline(const std::string& text, SUM_Baseline& baseline) {
  return open_selected(text, SUM_Vob(), vantool_msg::NotABaseline, baseline);
}

bool open_activity(const std::string& text, const SUM_Vob& pvob, SUM_Activity& activity) {
  return open_selected(text, pvob, vantool_msg::NotAnActivity, activity);
}

bool all_projects(SUM_ProjectList& out, imsg_checked_id<const char*> failed) {
  SUM_VobList pvobs;
  if (SUM_Vob::get_all_pvobs_list(pvobs) != 0) {
    imsg_print(IMSG_ERROR, failed, "");
    return false;
  }
  for (unsigned i = 0; i < pvobs.count(); ++i)
    if (SUM_Project::list_projects(pvobs[i], out) != 0) {
      imsg_print(IMSG_ERROR, failed, pvobs[i].any_name());
      return false;
    }
  return true;
}

bool registered_vobs(std::vector<rgy_vob_entry>& out) {
  return SUM_Vob::registry_entries(out) == 0;
}

bool registered_pvobs(std::vector<RegisteredPvob>& out) {
  std::vector<rgy_vob_entry> entries;
  if (!registered_vobs(entries))
    return false;
  for (const auto& e : entries) {
    RegisteredPvob found{e.tag, SUM_Vob()};
    int pvob = 0;
    if (SUM_Vob::construct_from_pname_or_tag(e.tag.c_str(), 0, found.vob) != 0 ||
        found.vob.is_sum_pvob(pvob) != 0 || !pvob)
      continue;
    out.push_back(found);
  }
  return true;
}

}  // namespace vantool
