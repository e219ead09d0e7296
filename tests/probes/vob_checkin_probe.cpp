// Checks in one checkout with a given content, in a process of its own, so
// that a test can kill it in the middle of the check-in
// (KORVANE_FAULT_KILL_AFTER_WRITES) or make one of its writes fail
// (KORVANE_FAULT_FAIL_AFTER_WRITES).
//   vob_checkin_probe TAG VERSION_DBID CONTENT
// Exit status 0 when the check-in succeeded; its status modulo 256 otherwise.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "services/vob_elem.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: vob_checkin_probe TAG VERSION_DBID CONTENT\n");
    return 2;
  }
  vob_vob_h vob = nullptr;
  int status = vob_resolve_vob(argv[1], &vob);
  if (status == 0) {
    std::string content = argv[3];
    vob_event_info_t event;
    event.comment = "checked in by vob_checkin_probe";
    status = vob_ver_checkin(vob, static_cast<tbs_dbid_t>(std::strtoul(argv[2], nullptr, 10)),
                             &content, &event);
  }
  if (status != 0)
    std::fprintf(stderr, "vob_checkin_probe: check-in failed with %d\n", status);
  return status % 256;
}
