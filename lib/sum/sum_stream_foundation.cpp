// SUM_Stream: the evaluated foundation of a stream.
#include "sum/sum_foundation.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_trace.h"

namespace {
constexpr const char* kSource = "sum_stream_foundation";
}  // namespace

int SUM_Stream::foundation(SUM_Foundation& out, int& unavailable) const {
  SUM_Trace trace("SUM_Stream::foundation");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_BaselineList baselines;
  int missing = 0;
  int status = explicit_baselines(baselines, missing);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_Foundation evaluated;
  if ((status = SUM_Foundation::construct_from_baselines(baselines, evaluated)) != 0)
    return trace.checked(__LINE__, status);
  out = evaluated;
  unavailable = missing;
  return SUM_OK;
}
