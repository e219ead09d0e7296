// The library's umbrella header: every public header.
#ifndef SUM_SUM_H
#define SUM_SUM_H

#include "sum/sum_catalogs.h"
#include "sum/sum_handle_kind.h"
#include "sum/sum_ids.h"
#include "sum/sum_imsg.h"
#include "sum/sum_list.h"
#include "sum/sum_lists.h"
#include "sum/sum_os_user.h"
#include "sum/sum_replica.h"
#include "sum/sum_status.h"
#include "sum/sum_stg_area.h"
#include "sum/sum_string.h"
#include "sum/sum_trace.h"
#include "sum/sum_utl_names.h"
#include "sum/sum_version.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"

#endif  // SUM_SUM_H
