// Brings one view up to date, as a separate process, so that tests can kill
// it in the middle of its work (KORVANE_FAULT_KILL_AFTER_WRITES).
//   view_updater TAG
// Exit status 0 on success; the status of the failure otherwise.
#include <cstdio>

#include "services/view.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: view_updater TAG\n");
    return 2;
  }
  view_server_h view = nullptr;
  int status = view_get_handle_by_tag(argv[1], &view);
  if (status == 0)
    status = view_update(view, nullptr);
  view_free_handle(view);
  return status % 256;
}
