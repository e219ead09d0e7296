// Writes objects into one VOB, one transaction each, the way the library
// does: a type object, a process variable on it, and a hyperlink from it to
// the VOB object. Used by tests that run several writers at once and by the
// crash test, which kills a writer in the middle of its work.
//   vob_writer TAG PREFIX COUNT
// Exit status 0 when every object was written; the status of the first
// failure otherwise.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "services/vob.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: vob_writer TAG PREFIX COUNT\n");
    return 2;
  }
  vob_vob_h vob = nullptr;
  int status = vob_resolve_vob(argv[1], &vob);
  if (status != 0)
    return status % 256;
  tbs_dbid_t vob_object = 0;
  status = vob_ob_get_wk_obj(vob, VOB_WK_VOB_OBJECT, &vob_object);
  if (status != 0)
    return status % 256;
  int count = std::atoi(argv[3]);
  for (int i = 0; i < count; ++i) {
    std::string name = std::string(argv[2]) + "_" + std::to_string(i);
    vob_event_info_t event;
    event.comment = "made by vob_writer";
    tbs_dbid_t dbid = 0;
    status = vob_type_create(vob, VOB_MTYPE_ATTRIBUTE_TYPE, name.c_str(), &event, &dbid);
    if (status == 0)
      status = vob_obj_set_pvar(vob, dbid, "WRITER_INDEX", std::to_string(i));
    if (status == 0)
      status = vob_hlink_create_wk(vob, dbid, VOB_WK_HLTYPE_CHANGE, vob, vob_object, "", "", &event,
                                   nullptr);
    if (status != 0) {
      std::fprintf(stderr, "vob_writer: %s failed with %d\n", name.c_str(), status);
      return status % 256;
    }
  }
  return 0;
}
