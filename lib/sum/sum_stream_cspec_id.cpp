// SUM_Stream: the stream's side of config spec identities — the version of
// its configuration kept in its "SUM_CSPEC_ID" PVAR as "0:N".
#include <cstdio>
#include <string>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_config_spec_id.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_stream_cspec_id";

// The stored form of a version: "0:N"; version 0 is no value at all.
std::string stored_version(int version) {
  return version == 0 ? std::string() : "0:" + std::to_string(version);
}

// Reads "0:N" into `version`. A failure sets `message`: BadConfigSpecId when
// the text is not two numbers around a colon, UnrecognizedConfigSpecId when
// the first is not 0 (a format this library does not know).
int parse_stored_version(const SUM_String& text, int& version, sum_stream_msg& message) {
  int format = 0;
  char colon = 0;
  if (std::sscanf(text, "%d%c", &format, &colon) != 2 || colon != ':') {
    message = sum_stream_msg::BadConfigSpecId;
    return SUM_FAILED;
  }
  if (format != 0) {
    message = sum_stream_msg::UnrecognizedConfigSpecId;
    return SUM_FAILED;
  }
  if (std::sscanf(text, "%d:%d", &format, &version) != 2) {
    message = sum_stream_msg::BadConfigSpecId;
    return SUM_FAILED;
  }
  return SUM_OK;
}

}  // namespace

int SUM_Stream::config_spec_id(SUM_ConfigSpecId& out) const {
  SUM_Trace trace("SUM_Stream::config_spec_id");
  SUM_ConfigSpecId id;
  int status = SUM_ConfigSpecId::initial_config_spec_id(*this, id);
  SUM_String value;
  if (status == 0)
    status = pvar(PVAR_ZEM_STRM_SUM_CSPEC_ID, value);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (value.GetLength() > 0) {
    int version = 0;
    sum_stream_msg message = sum_stream_msg::BadConfigSpecId;
    if (parse_stored_version(value, version, message) != 0) {
      SUM_String name;
      this->name(name);
      imsg_print_chosen(IMSG_ERROR, message, name);
      return trace.checked(__LINE__, SUM_FAILED);
    }
    id.set_id_ver(version);
  }
  out = id;
  return SUM_OK;
}

int SUM_Stream::tas_config_spec_id(const SUM_ConfigSpecId& old_id,
                                   const SUM_ConfigSpecId& new_id) const {
  SUM_Trace trace("SUM_Stream::tas_config_spec_id");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::string expected = stored_version(old_id.version());
  std::string next = "0:" + std::to_string(new_id.version());
  return trace.checked(__LINE__, test_and_set_pvar(PVAR_ZEM_STRM_SUM_CSPEC_ID, expected.c_str(),
                                                   next.c_str(), kOpChange));
}
