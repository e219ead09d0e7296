// SUM_TKEntityID: the identity of a record of the change-request tracker
// that a project or an activity is linked to. Ten text fields; the record
// itself is named by the first three (user database, record type and
// display name), the others are what the tracker tells about it.
//
// A record is null when its database, record type and display name are all
// empty. Two records are equal when database, record type, display name,
// record-type dbid, record dbid and object UUID are equal without regard to
// case; headline, owner, state and connection do not count.
#ifndef SUM_SUM_TK_ENTITY_ID_H
#define SUM_SUM_TK_ENTITY_ID_H

#include "sum/sum_string.h"

class SUM_TKEntityID {
 public:
  SUM_TKEntityID() = default;
  SUM_TKEntityID(const SUM_String& database, const SUM_String& entitydef, const SUM_String& display)
      : user_database_name_(database), entitydef_name_(entitydef), display_name_(display) {}
  SUM_TKEntityID(const SUM_String& database, const SUM_String& entitydef, const SUM_String& display,
                 const SUM_String& connection)
      : SUM_TKEntityID(database, entitydef, display) {
    connection_name_ = connection;
  }
  virtual ~SUM_TKEntityID() = default;

  bool operator==(const SUM_TKEntityID& other) const;
  bool operator!=(const SUM_TKEntityID& other) const { return !(*this == other); }
  int is_null() const;
  // Empties every field but the three that name the record.
  void set_null();

  int user_database_name(SUM_String& out) const { return read(user_database_name_, out); }
  int entitydef_name(SUM_String& out) const { return read(entitydef_name_, out); }
  int display_name(SUM_String& out) const { return read(display_name_, out); }
  int headline_field(SUM_String& out) const { return read(headline_field_, out); }
  int owner_field(SUM_String& out) const { return read(owner_field_, out); }
  int state_field(SUM_String& out) const { return read(state_field_, out); }
  // The stored connection name ("" when none: the bridge that would name
  // the connection of the database comes with the tracker binding).
  int connection_name(SUM_String& out) const { return read(connection_name_, out); }
  int entitydef_dbid(SUM_String& out) const { return read(entitydef_dbid_, out); }
  int entity_dbid(SUM_String& out) const { return read(entity_dbid_, out); }
  int zem_vob_object_uuid(SUM_String& out) const { return read(zem_vob_object_uuid_, out); }

  void set_user_database_name(const SUM_String& v) { user_database_name_ = v; }
  void set_entitydef_name(const SUM_String& v) { entitydef_name_ = v; }
  void set_display_name(const SUM_String& v) { display_name_ = v; }
  void set_headline_field(const SUM_String& v) { headline_field_ = v; }
  void set_owner_field(const SUM_String& v) { owner_field_ = v; }
  void set_state_field(const SUM_String& v) { state_field_ = v; }
  void set_connection_name(const SUM_String& v) { connection_name_ = v; }
  void set_entitydef_dbid(const SUM_String& v) { entitydef_dbid_ = v; }
  void set_entity_dbid(const SUM_String& v) { entity_dbid_ = v; }
  void set_zem_vob_object_uuid(const SUM_String& v) { zem_vob_object_uuid_ = v; }

 private:
  static int read(const SUM_String& field, SUM_String& out) {
    out = field;
    return 0;
  }

  SUM_String user_database_name_, entitydef_name_, display_name_, headline_field_, owner_field_,
      state_field_, connection_name_, entitydef_dbid_, entity_dbid_, zem_vob_object_uuid_;
};

#endif  // SUM_SUM_TK_ENTITY_ID_H
