// Makes a baseline, or removes a component, in a process of its own, so that
// a test can kill it in the middle of the call (KORVANE_FAULT_KILL_AFTER_WRITES)
// or make one of its writes fail (KORVANE_FAULT_FAIL_AFTER_WRITES).
//   vob_baseline_probe TAG create NAME COMPONENT TIMELINE ACTIVITY
//     a baseline NAME on TIMELINE (inserted first there when it is a
//     stream's timeline) recording ACTIVITY twice
//   vob_baseline_probe TAG rmcomp COMPONENT
// Exit status 0 when the call succeeded; its status modulo 256 otherwise.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "services/vob_zem.h"
#include "services/vob_zem_baseline.h"
#include "services/vob_zem_component.h"

namespace {

tbs_dbid_t dbid_arg(const char* text) {
  return static_cast<tbs_dbid_t>(std::strtoul(text, nullptr, 10));
}

int create(vob_vob_h pvob, char** argv) {
  vob_zem_baseline_spec_t spec;
  spec.name = argv[3];
  spec.component = dbid_arg(argv[4]);
  spec.timeline = dbid_arg(argv[5]);
  spec.position = 0;
  spec.csets = {{dbid_arg(argv[6]), 3}, {dbid_arg(argv[6]), 4}};
  spec.deps_xml = "<bl_info><deps_v1/></bl_info>";
  vob_event_info_t event;
  event.comment = "made by vob_baseline_probe";
  tbs_dbid_t made = 0;
  return vob_zem_baseline_create(pvob, spec, &event, &made);
}

int remove_component(vob_vob_h pvob, tbs_dbid_t component) {
  int level = 0;
  int status = vob_ob_get_feature_level(pvob, &level);
  if (status != 0)
    return status;
  return level >= 7 ? vob_zem_component_delete(pvob, component, nullptr)
                    : vob_act_delete(pvob, component, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  bool is_create = argc == 7 && std::strcmp(argv[2], "create") == 0;
  bool is_rmcomp = argc == 4 && std::strcmp(argv[2], "rmcomp") == 0;
  if (!is_create && !is_rmcomp) {
    std::fprintf(stderr,
                 "usage: vob_baseline_probe TAG create NAME COMPONENT TIMELINE ACTIVITY\n"
                 "       vob_baseline_probe TAG rmcomp COMPONENT\n");
    return 2;
  }
  vob_vob_h pvob = nullptr;
  int status = vob_resolve_vob(argv[1], &pvob);
  if (status == 0)
    status = is_create ? create(pvob, argv) : remove_component(pvob, dbid_arg(argv[3]));
  if (status != 0)
    std::fprintf(stderr, "vob_baseline_probe: %s failed with %d\n", argv[2], status);
  return status % 256;
}
