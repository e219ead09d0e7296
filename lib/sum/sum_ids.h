// SUM_Oid and SUM_Uuid: the 16-byte identities of objects, VOB replicas and
// views, as values with text forms.
//
// An oid names one object for its whole life, in every replica of its VOB; a
// UUID names a VOB family, a VOB replica or a view. Both are null when all
// 16 bytes are zero, and both compare through the base services' equality.
#ifndef SUM_SUM_IDS_H
#define SUM_SUM_IDS_H

#include "services/tbs.h"
#include "sum/sum_string.h"

class SUM_Uuid;

// An object identifier.
class SUM_Oid {
 public:
  // The null oid.
  SUM_Oid();
  explicit SUM_Oid(const tbs_oid_t& oid);
  // The same 16 bytes as `uuid` (replica and family identities are handed
  // about as oids).
  explicit SUM_Oid(const SUM_Uuid& uuid);

  // Parses `text` (any text form the base services accept). On success fills
  // `out` and returns 0; a malformed text returns the base services' status
  // (1004) and leaves `out` untouched.
  static int construct_from_string(const SUM_String& text, SUM_Oid& out);

  bool operator==(const SUM_Oid& other) const;
  bool operator!=(const SUM_Oid& other) const { return !(*this == other); }
  // 1 for the null oid, else 0.
  int is_null() const;

  // The text form ("3a1f0c2e.9b7d.4e21.a0c3.5d8e9f001122") and the display
  // form (the same digits joined by ":").
  SUM_String string() const;
  SUM_String dstring() const;
  // The same 16 bytes as a UUID.
  SUM_Uuid uuid() const;
  const tbs_oid_t& oid() const { return oid_; }

 private:
  tbs_oid_t oid_;
};

// A universally unique identifier.
class SUM_Uuid {
 public:
  // The null UUID.
  SUM_Uuid();
  explicit SUM_Uuid(const tbs_uuid_t& uuid);

  // Parses `text`. On success fills `out` and returns 0; a malformed text
  // returns the base services' status (1004) and leaves `out` untouched.
  static int construct_from_string(const SUM_String& text, SUM_Uuid& out);

  bool operator==(const SUM_Uuid& other) const;
  bool operator==(const tbs_uuid_t& other) const;
  bool operator!=(const SUM_Uuid& other) const { return !(*this == other); }
  bool operator!=(const tbs_uuid_t& other) const { return !(*this == other); }
  // 1 for the null UUID, else 0.
  int is_null() const;

  // The text form ("3a1f0c2e-9b7d-4e21-a0c3-5d8e9f001122").
  SUM_String string() const;
  const tbs_uuid_t& uuid() const { return uuid_; }

 private:
  tbs_uuid_t uuid_;
};

#endif  // SUM_SUM_IDS_H
