// Internal-error reporting of the library.
#include "sum/sum_status.h"

int sum_int_error(const char* source_file, const char* operation, int line) {
  tbs_log_int_error(source_file, tbs_msg::InternalErrorLine, operation, line, 0);
  return SUM_INTERNAL_ERROR;
}
