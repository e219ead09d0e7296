// SUM_ConfigSpecId: identities of generated view configurations.
#include "sum/sum_config_spec_id.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_config_spec_id";
constexpr const char* kNil = "<nil>";
constexpr const char* kAny = "*";

bool matches(const SUM_String& a, const SUM_String& b) {
  return a.Compare(b) == 0 || a.Compare(kAny) == 0 || b.Compare(kAny) == 0;
}

const char* shown(const SUM_String& field) {
  return field.GetLength() == 0 ? kNil : static_cast<const char*>(field);
}

SUM_String stored(const char* field) {
  return SUM_String(std::strcmp(field, kNil) == 0 ? "" : field);
}

}  // namespace

SUM_ConfigSpecId::SUM_ConfigSpecId(const char* kind, const char* id, int version)
    : kind_(kind != nullptr ? kind : ""), id_(id != nullptr ? id : ""), version_(version) {}

int SUM_ConfigSpecId::compare(const SUM_ConfigSpecId& other) const {
  if (!matches(kind_, other.kind_) || !matches(id_, other.id_))
    return DIFFERENT;
  if (version_ == other.version_)
    return SAME;
  return version_ > other.version_ ? NEWER : OLDER;
}

int SUM_ConfigSpecId::string(SUM_String& out) const {
  std::string text = std::string("kind:") + shown(kind_) + " id:" + shown(id_) +
                     " ver:" + std::to_string(version_);
  out = text.c_str();
  return SUM_OK;
}

int SUM_ConfigSpecId::from_string(const char* text, SUM_ConfigSpecId& out) {
  SUM_Trace trace("SUM_ConfigSpecId::from_string");
  if (text == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  // Each field is at most as long as the whole text.
  std::vector<char> kind(std::strlen(text) + 1);
  std::vector<char> id(std::strlen(text) + 1);
  int version = 0;
  if (std::sscanf(text, "kind:%s id:%s ver:%d", kind.data(), id.data(), &version) != 3) {
    imsg_print(IMSG_ERROR, sum_config_spec_id_msg::BadFormat, text);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  out = SUM_ConfigSpecId();
  out.kind_ = stored(kind.data());
  out.id_ = stored(id.data());
  out.version_ = version;
  return SUM_OK;
}

int SUM_ConfigSpecId::is_null() const {
  return kind_.GetLength() == 0 && id_.GetLength() == 0 && version_ <= 0 ? 1 : 0;
}

int SUM_ConfigSpecId::initial_config_spec_id(const SUM_Stream& stream, SUM_ConfigSpecId& out) {
  SUM_Trace trace("SUM_ConfigSpecId::initial_config_spec_id");
  if (stream.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String selector;
  if (int status = stream.univ_selector(selector))
    return trace.checked(__LINE__, status);
  out = SUM_ConfigSpecId(kStreamKind, selector, 0);
  return SUM_OK;
}
