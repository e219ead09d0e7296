// SUM_Oid and SUM_Uuid over the base services' identity functions.
#include "sum/sum_ids.h"

#include <cstring>

#include "sum/sum_trace.h"

SUM_Oid::SUM_Oid() {
  std::memset(&oid_, 0, sizeof oid_);
}

SUM_Oid::SUM_Oid(const tbs_oid_t& oid) : oid_(oid) {}

SUM_Oid::SUM_Oid(const SUM_Uuid& uuid) {
  tbs_uuid_to_oid(&uuid.uuid(), &oid_);
}

int SUM_Oid::construct_from_string(const SUM_String& text, SUM_Oid& out) {
  SUM_Trace trace("SUM_Oid::construct_from_string");
  tbs_oid_t parsed;
  int status = tbs_str_to_oid(text, &parsed);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out.oid_ = parsed;
  return 0;
}

bool SUM_Oid::operator==(const SUM_Oid& other) const {
  return tbs_oid_eq(&oid_, &other.oid_);
}

int SUM_Oid::is_null() const {
  return tbs_oid_is_null(&oid_) ? 1 : 0;
}

SUM_String SUM_Oid::string() const {
  char buf[TBS_ID_STR_SIZE];
  tbs_oid_to_str(&oid_, buf);
  return SUM_String(buf);
}

SUM_String SUM_Oid::dstring() const {
  char buf[TBS_ID_STR_SIZE];
  tbs_oid_to_dstr(&oid_, buf);
  return SUM_String(buf);
}

SUM_Uuid SUM_Oid::uuid() const {
  tbs_uuid_t uuid;
  tbs_oid_to_uuid(&oid_, &uuid);
  return SUM_Uuid(uuid);
}

SUM_Uuid::SUM_Uuid() {
  std::memset(&uuid_, 0, sizeof uuid_);
}

SUM_Uuid::SUM_Uuid(const tbs_uuid_t& uuid) : uuid_(uuid) {}

int SUM_Uuid::construct_from_string(const SUM_String& text, SUM_Uuid& out) {
  SUM_Trace trace("SUM_Uuid::construct_from_string");
  tbs_uuid_t parsed;
  int status = tbs_str_to_uuid(text, &parsed);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out.uuid_ = parsed;
  return 0;
}

bool SUM_Uuid::operator==(const SUM_Uuid& other) const {
  return tbs_uuid_eq(&uuid_, &other.uuid_);
}

bool SUM_Uuid::operator==(const tbs_uuid_t& other) const {
  return tbs_uuid_eq(&uuid_, &other);
}

int SUM_Uuid::is_null() const {
  return tbs_uuid_is_null(&uuid_) ? 1 : 0;
}

SUM_String SUM_Uuid::string() const {
  char buf[TBS_ID_STR_SIZE];
  tbs_uuid_to_str(&uuid_, buf);
  return SUM_String(buf);
}
