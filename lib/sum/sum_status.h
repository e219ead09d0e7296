// Status conventions of the library.
//
// Every operation returns an int status: 0 success; 1001 refused or failed
// after a message, or the object is missing or of the wrong kind; 1002 the
// looked-for item is not there; 1072 internal error (after an internal-error
// record). Codes of the repository services pass up unchanged.
#ifndef SUM_SUM_STATUS_H
#define SUM_SUM_STATUS_H

#include "services/tbs.h"

constexpr int SUM_OK = TBS_ST_OK;
constexpr int SUM_FAILED = TBS_ST_ERROR;
constexpr int SUM_NOT_FOUND = TBS_ST_NOT_FOUND;
constexpr int SUM_INTERNAL_ERROR = TBS_ST_INTERNAL;

// Records an internal error of `operation` at `line` of `source_file` (for
// example "sum_activity") in the internal-error log, and returns 1072.
int sum_int_error(const char* source_file, const char* operation, int line);

#endif  // SUM_SUM_STATUS_H
