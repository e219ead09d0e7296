// Moves a version from one activity's change set to another's through the
// library, in a process of its own, so that a test can kill it in the middle
// of the move (KORVANE_FAULT_KILL_AFTER_WRITES).
//   act_move_probe PVOB_TAG SOURCE_DBID TARGET_DBID VOB_TAG VERSION_DBID VIEW_TAG
// Exit status 0 when the move succeeded; its status modulo 256 otherwise.
#include <cstdio>
#include <cstdlib>

#include "sum/sum_activity.h"
#include "sum/sum_version.h"

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: act_move_probe PVOB SOURCE TARGET VOB VERSION VIEW_TAG\n");
    return 2;
  }
  vob_vob_h pvob = nullptr;
  vob_vob_h vob = nullptr;
  int status = vob_resolve_vob(argv[1], &pvob);
  if (status == 0)
    status = vob_resolve_vob(argv[4], &vob);
  if (status == 0) {
    auto dbid = [](const char* text) {
      return static_cast<tbs_dbid_t>(std::strtoul(text, nullptr, 10));
    };
    SUM_Activity source(SUM_Vob(pvob), dbid(argv[2]));
    SUM_Activity target(SUM_Vob(pvob), dbid(argv[3]));
    status = source.move_change_set_version(SUM_Version(SUM_Vob(vob), dbid(argv[5])), target,
                                            argv[6], "moved by act_move_probe");
  }
  if (status != 0)
    std::fprintf(stderr, "act_move_probe: failed with %d\n", status);
  return status % 256;
}
