// The library's umbrella header: every public header.
#ifndef SUM_SUM_H
#define SUM_SUM_H

#include "sum/sum_catalogs.h"
#include "sum/sum_imsg.h"
#include "sum/sum_list.h"
#include "sum/sum_status.h"
#include "sum/sum_string.h"
#include "sum/sum_trace.h"
#include "sum/sum_version.h"

#endif  // SUM_SUM_H
