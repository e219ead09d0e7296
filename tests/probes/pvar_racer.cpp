// Tries once to claim a process variable with test-and-set, expecting it to
// be unset, the way two processes race to start the same long operation.
//   pvar_racer SELECTOR NAME VALUE
// Exit status 0 when this process won, 1 when another had set it first, and
// 2 on any other failure.
#include <cstdio>

#include "services/vob.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: pvar_racer SELECTOR NAME VALUE\n");
    return 2;
  }
  vob_vob_h vob = nullptr;
  tbs_dbid_t dbid = 0;
  if (vob_resolve_general(argv[1], VOB_SEL_ANY, nullptr, VOB_RESOLVE_ALLOW_UNIVERSAL, &vob,
                          &dbid) != 0)
    return 2;
  int status = vob_obj_test_and_set_process_var(vob, dbid, argv[2], nullptr, argv[3], nullptr);
  if (status == 0)
    return 0;
  return status == TBS_ST_CAS_MISMATCH ? 1 : 2;
}
