// Schemas of the registry and of VOB databases. A migration is never edited
// once released: later changes append a migration.
#include "repository/sql.h"

namespace repo {

const Schema kRegistrySchema = {
    "registry",
    {
        // 1: regions, VOB tags, administrators.
        R"(
CREATE TABLE regions (name TEXT PRIMARY KEY);
INSERT INTO regions(name) VALUES ('default');
CREATE TABLE vob_tags (
  region TEXT NOT NULL,
  tag TEXT NOT NULL,
  storage TEXT NOT NULL,
  family_uuid BLOB NOT NULL,
  replica_uuid BLOB NOT NULL UNIQUE,
  kind INTEGER NOT NULL,
  public INTEGER NOT NULL,
  PRIMARY KEY (region, tag)
);
CREATE INDEX vob_tags_by_family ON vob_tags(family_uuid);
CREATE TABLE administrators (login TEXT PRIMARY KEY);
)",
    },
};

const Schema kVobSchema = {
    "VOB",
    {
        // 1: objects, identity, events, locks, process variables, hyperlinks.
        R"(
CREATE TABLE vob_info (key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE objects (
  dbid INTEGER PRIMARY KEY AUTOINCREMENT,
  oid BLOB NOT NULL UNIQUE,
  mtype INTEGER NOT NULL,
  type_dbid INTEGER NOT NULL DEFAULT 0,
  name TEXT,
  owner TEXT NOT NULL,
  master INTEGER NOT NULL,
  created INTEGER NOT NULL,
  modified INTEGER NOT NULL
);
-- Names are unique among the objects of one metatype.
CREATE UNIQUE INDEX objects_by_name ON objects(mtype, name) WHERE name IS NOT NULL;
CREATE INDEX objects_by_mtype ON objects(mtype, dbid);
CREATE TABLE well_known (
  number INTEGER PRIMARY KEY,
  dbid INTEGER NOT NULL REFERENCES objects(dbid)
);
CREATE TABLE replicas (
  dbid INTEGER PRIMARY KEY REFERENCES objects(dbid),
  uuid BLOB NOT NULL UNIQUE,
  host TEXT NOT NULL
);
CREATE TABLE events (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  obj INTEGER NOT NULL,
  kind INTEGER NOT NULL,
  opcode INTEGER NOT NULL,
  time INTEGER NOT NULL,
  usec INTEGER NOT NULL,
  user TEXT NOT NULL,
  host TEXT NOT NULL,
  comment TEXT NOT NULL
);
CREATE INDEX events_by_obj ON events(obj, kind, id);
CREATE TABLE locks (
  obj INTEGER PRIMARY KEY REFERENCES objects(dbid) ON DELETE CASCADE,
  obsolete INTEGER NOT NULL,
  exempt TEXT NOT NULL,
  locked_by TEXT NOT NULL,
  time INTEGER NOT NULL,
  comment TEXT NOT NULL
);
CREATE TABLE pvars (
  obj INTEGER NOT NULL REFERENCES objects(dbid) ON DELETE CASCADE,
  name TEXT NOT NULL,
  value BLOB NOT NULL,
  PRIMARY KEY (obj, name)
) WITHOUT ROWID;
-- A hyperlink is an object of its own (its row in objects carries the type);
-- the "to" end is an object of this VOB (to_family NULL, to_obj set) or of
-- another VOB family, named by that family's UUID and the object's oid.
CREATE TABLE hyperlinks (
  dbid INTEGER PRIMARY KEY REFERENCES objects(dbid) ON DELETE CASCADE,
  wk_type INTEGER NOT NULL,
  from_obj INTEGER NOT NULL,
  to_family BLOB,
  to_oid BLOB NOT NULL,
  to_obj INTEGER,
  from_text TEXT NOT NULL,
  to_text TEXT NOT NULL
);
CREATE INDEX hyperlinks_from ON hyperlinks(from_obj, wk_type);
CREATE INDEX hyperlinks_to ON hyperlinks(to_obj, wk_type);
-- The incoming ends of hyperlinks held in other VOBs.
CREATE TABLE arrows (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  to_obj INTEGER NOT NULL,
  wk_type INTEGER NOT NULL,
  from_family BLOB NOT NULL,
  hlink_oid BLOB NOT NULL UNIQUE,
  from_oid BLOB NOT NULL,
  from_text TEXT NOT NULL,
  to_text TEXT NOT NULL
);
CREATE INDEX arrows_to ON arrows(to_obj, wk_type);
-- Views that have used objects of this VOB, by view UUID.
CREATE TABLE view_refs (
  view_uuid TEXT NOT NULL,
  obj INTEGER NOT NULL,
  PRIMARY KEY (view_uuid, obj)
) WITHOUT ROWID;
-- Values of attribute types: an enumeration (one value per line) and a default.
CREATE TABLE attype_values (
  dbid INTEGER PRIMARY KEY REFERENCES objects(dbid) ON DELETE CASCADE,
  enum_values TEXT NOT NULL,
  default_value TEXT NOT NULL
);
)",
        // 2: named hyperlink types, replication flags of process variables,
        // attributes, trigger types.
        R"(
ALTER TABLE hyperlinks ADD COLUMN type_dbid INTEGER NOT NULL DEFAULT 0;
ALTER TABLE arrows ADD COLUMN type_name TEXT NOT NULL DEFAULT '';
CREATE INDEX hyperlinks_from_named ON hyperlinks(from_obj, type_dbid);
CREATE INDEX hyperlinks_to_named ON hyperlinks(to_obj, type_dbid);
CREATE INDEX arrows_to_named ON arrows(to_obj, type_name);
-- A replicated variable travels to every replica; a local one stays here.
ALTER TABLE pvars ADD COLUMN replicated INTEGER NOT NULL DEFAULT 1;
-- Attribute instances: one value of an attribute type on an object.
CREATE TABLE attributes (
  obj INTEGER NOT NULL REFERENCES objects(dbid) ON DELETE CASCADE,
  attype INTEGER NOT NULL REFERENCES objects(dbid),
  value TEXT NOT NULL,
  PRIMARY KEY (obj, attype)
) WITHOUT ROWID;
-- Trigger types: the operation kinds they apply to (comma list of numbers),
-- before (1) or after (2) the operation, and the command they run.
CREATE TABLE trtypes (
  dbid INTEGER PRIMARY KEY REFERENCES objects(dbid) ON DELETE CASCADE,
  phase INTEGER NOT NULL,
  ops TEXT NOT NULL,
  command TEXT NOT NULL
);
-- Objects a trigger type is restricted to, by VOB family and object oid.
CREATE TABLE trtype_restrictions (
  trtype INTEGER NOT NULL REFERENCES objects(dbid) ON DELETE CASCADE,
  family BLOB NOT NULL,
  oid BLOB NOT NULL,
  PRIMARY KEY (trtype, family, oid)
) WITHOUT ROWID;
CREATE INDEX trtype_restrictions_by_oid ON trtype_restrictions(oid);
)",
    },
};

}  // namespace repo
