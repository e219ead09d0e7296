// SUM_ConfigSpecId: the identity of a generated view configuration — which
// object it was generated for (a kind and an id) and which version of that
// object's configuration it shows.
//
// Streams use kind "ZEM.Stream" with the stream's universal selector as id.
// A stream keeps its current version in its "SUM_CSPEC_ID" PVAR as "0:N"
// (an absent or empty PVAR means version 0) and advances it on every
// regeneration; a view carries the identity of the text it was given, so
// comparing the two tells whether the view shows the stream's current
// configuration (SUM_Stream::config_spec_id, tas_config_spec_id).
//
// Text form: "kind:<kind> id:<id> ver:<version>", with "<nil>" standing for
// an empty kind or id. A null identity has empty kind and id and a version
// of 0 or less.
#ifndef SUM_SUM_CONFIG_SPEC_ID_H
#define SUM_SUM_CONFIG_SPEC_ID_H

#include "sum/sum_string.h"

class SUM_Stream;

class SUM_ConfigSpecId {
 public:
  // The kind of stream identities.
  static constexpr const char* kStreamKind = "ZEM.Stream";
  // Results of compare.
  enum Comparison : int { DIFFERENT = 0, SAME = 1, NEWER = 2, OLDER = 3 };

  SUM_ConfigSpecId() = default;
  SUM_ConfigSpecId(const char* kind, const char* id, int version);
  SUM_ConfigSpecId(const SUM_ConfigSpecId& other) = default;
  SUM_ConfigSpecId& operator=(const SUM_ConfigSpecId& other) = default;
  virtual ~SUM_ConfigSpecId() = default;

  const SUM_String& kind() const { return kind_; }
  const SUM_String& id() const { return id_; }
  int version() const { return version_; }

  // This identity against `other`: DIFFERENT when the kinds or the ids do
  // not match ("*" on either side matches anything), else SAME, NEWER (this
  // has the higher version) or OLDER.
  int compare(const SUM_ConfigSpecId& other) const;
  // The text form.
  int string(SUM_String& out) const;
  // Parses the text form; a text without all three fields prints "Bad
  // format in config spec id string ..." and returns 1001.
  static int from_string(const char* text, SUM_ConfigSpecId& out);
  void bump_version() { ++version_; }
  void set_id_ver(int version) { version_ = version; }
  int is_null() const;

  // Kind "ZEM.Stream", the stream's universal selector, version 0.
  static int initial_config_spec_id(const SUM_Stream& stream, SUM_ConfigSpecId& out);

 private:
  SUM_String kind_;
  SUM_String id_;
  int version_ = 0;
};

#endif  // SUM_SUM_CONFIG_SPEC_ID_H
