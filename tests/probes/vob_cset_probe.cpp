// Adds a version to an activity's change set, or removes it, in a process
// of its own, so that a test can kill it in the middle of the change
// (KORVANE_FAULT_KILL_AFTER_WRITES).
//   vob_cset_probe add|rm PVOB_TAG ACTIVITY_DBID VOB_TAG VERSION_DBID
// Exit status 0 when the change succeeded; its status modulo 256 otherwise.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "services/vob_zem_activity.h"

int main(int argc, char** argv) {
  bool add = argc == 6 && std::strcmp(argv[1], "add") == 0;
  if (argc != 6 || (!add && std::strcmp(argv[1], "rm") != 0)) {
    std::fprintf(stderr, "usage: vob_cset_probe add|rm PVOB_TAG ACTIVITY_DBID VOB_TAG VERSION\n");
    return 2;
  }
  vob_vob_h pvob = nullptr;
  vob_vob_h vob = nullptr;
  auto activity = static_cast<tbs_dbid_t>(std::strtoul(argv[3], nullptr, 10));
  auto version = static_cast<tbs_dbid_t>(std::strtoul(argv[5], nullptr, 10));
  int status = vob_resolve_vob(argv[2], &pvob);
  if (status == 0)
    status = vob_resolve_vob(argv[4], &vob);
  vob_event_info_t event;
  event.comment = "changed by vob_cset_probe";
  if (status == 0 && add)
    status = vob_zem_activity_cset_add_ver(pvob, activity, vob, version, 0, nullptr, &event);
  else if (status == 0)
    status = vob_zem_activity_cset_rm_ver(pvob, activity, vob, version, &event);
  if (status != 0)
    std::fprintf(stderr, "vob_cset_probe: %s failed with %d\n", argv[1], status);
  return status % 256;
}
