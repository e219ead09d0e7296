// SUM_ActivityInfo: one vob_act_get_info reading.
#include "sum/sum_activity_info.h"

#include "sum/sum_trace.h"

int SUM_ActivityInfo::fetch(vob_vob_h vob, tbs_dbid_t dbid, unsigned long mask) {
  SUM_Trace trace("SUM_ActivityInfo::fetch");
  vob_act_info_t fresh;
  int status = vob_act_get_info(vob, dbid, mask, &fresh);
  if (status != 0)
    return trace.checked(__LINE__, status);
  info_ = fresh;
  return 0;
}
