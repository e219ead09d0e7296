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
        // 2: view tags. A view's tag, UUID and root are each unique.
        R"(
CREATE TABLE view_tags (
  tag TEXT PRIMARY KEY,
  uuid TEXT NOT NULL UNIQUE,
  owner TEXT NOT NULL,
  root TEXT NOT NULL UNIQUE,
  storage TEXT NOT NULL,
  kind INTEGER NOT NULL,
  attributes TEXT NOT NULL DEFAULT ''
);
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
        // 3: versioned files: contents, elements, branches, versions,
        // directory entries, checkouts, merge arrows, labels, version maps;
        // the branch type "main" and the root directory's /main/0 in VOBs
        // made before.
        R"(
-- File contents by SHA-256 (64 lowercase hex digits), each stored once.
CREATE TABLE contents (
  hash TEXT PRIMARY KEY,
  data BLOB NOT NULL
);
-- Elements (objects of metatype 2 or 5): kind, and the component root
-- directory element they belong to (0: none).
CREATE TABLE elements (
  dbid INTEGER PRIMARY KEY REFERENCES objects(dbid) ON DELETE CASCADE,
  eltype INTEGER NOT NULL,
  crde INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX elements_by_crde ON elements(crde);
-- Branches (metatype 11): one per element and local branch type; the main
-- branch has parent_version 0, any other sprouts from a version.
CREATE TABLE branches (
  dbid INTEGER PRIMARY KEY REFERENCES objects(dbid) ON DELETE CASCADE,
  element INTEGER NOT NULL REFERENCES elements(dbid) ON DELETE CASCADE,
  brtype INTEGER NOT NULL,
  parent_version INTEGER NOT NULL,
  UNIQUE (element, brtype)
);
CREATE INDEX branches_by_brtype ON branches(brtype, element);
-- Versions (metatype 6 or 8): number NULL while checked out; at most one
-- checkout per branch. File versions name their content by hash.
CREATE TABLE versions (
  dbid INTEGER PRIMARY KEY REFERENCES objects(dbid) ON DELETE CASCADE,
  element INTEGER NOT NULL,
  branch INTEGER NOT NULL REFERENCES branches(dbid) ON DELETE CASCADE,
  number INTEGER,
  predecessor INTEGER NOT NULL,
  content TEXT,
  size INTEGER NOT NULL DEFAULT 0,
  UNIQUE (branch, number)
);
CREATE UNIQUE INDEX versions_one_checkout ON versions(branch) WHERE number IS NULL;
CREATE INDEX versions_by_element ON versions(element);
-- Name-space entries of directory versions.
CREATE TABLE dir_entries (
  version INTEGER NOT NULL REFERENCES versions(dbid) ON DELETE CASCADE,
  name TEXT NOT NULL,
  element INTEGER NOT NULL,
  PRIMARY KEY (version, name)
) WITHOUT ROWID;
CREATE INDEX dir_entries_by_element ON dir_entries(element);
-- Checkouts: the view holding each and its checkout event.
CREATE TABLE checkouts (
  version INTEGER PRIMARY KEY REFERENCES versions(dbid) ON DELETE CASCADE,
  view_uuid TEXT NOT NULL,
  event_id INTEGER NOT NULL
);
CREATE INDEX checkouts_by_view ON checkouts(view_uuid);
-- Merge arrows between versions.
CREATE TABLE merges (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  from_version INTEGER NOT NULL REFERENCES versions(dbid) ON DELETE CASCADE,
  to_version INTEGER NOT NULL REFERENCES versions(dbid) ON DELETE CASCADE,
  UNIQUE (to_version, from_version)
);
-- Labels: one version per element and label type.
CREATE TABLE labels (
  lbtype INTEGER NOT NULL REFERENCES objects(dbid) ON DELETE CASCADE,
  element INTEGER NOT NULL,
  version INTEGER NOT NULL REFERENCES versions(dbid) ON DELETE CASCADE,
  PRIMARY KEY (lbtype, element)
) WITHOUT ROWID;
CREATE INDEX labels_by_version ON labels(version);
-- Label types that are version maps, and the maps an incremental one is
-- based on (position 0 the newest).
CREATE TABLE vermaps (
  dbid INTEGER PRIMARY KEY REFERENCES objects(dbid) ON DELETE CASCADE,
  incremental INTEGER NOT NULL
);
CREATE TABLE vermap_bases (
  vermap INTEGER NOT NULL REFERENCES vermaps(dbid) ON DELETE CASCADE,
  position INTEGER NOT NULL,
  base INTEGER NOT NULL,
  PRIMARY KEY (vermap, position)
) WITHOUT ROWID;

-- VOBs made before: the local branch type "main", then the root directory
-- element (well-known object 2) with its main branch and version 0, an
-- empty directory; owner, master and time are the VOB object's. In a new
-- database nothing matches and the VOB's creation makes them.
INSERT INTO objects(oid, mtype, type_dbid, name, owner, master, created, modified)
  SELECT randomblob(16), 14, 0, 'main', owner, master, created, created FROM objects
  WHERE dbid = (SELECT dbid FROM well_known WHERE number = 1)
    AND NOT EXISTS (SELECT 1 FROM objects WHERE mtype = 14 AND name = 'main');
INSERT INTO vob_info(key, value)
  SELECT 'main_brtype', dbid FROM objects WHERE mtype = 14 AND name = 'main';
INSERT INTO elements(dbid, eltype, crde)
  SELECT dbid, 2, 0 FROM well_known WHERE number = 2;
-- No branch or version existed before this migration, so the one of each
-- made here is found by its metatype.
INSERT INTO objects(oid, mtype, type_dbid, name, owner, master, created, modified)
  SELECT randomblob(16), 11, (SELECT dbid FROM objects WHERE mtype = 14 AND name = 'main'),
         NULL, owner, master, created, created FROM objects
  WHERE dbid = (SELECT dbid FROM well_known WHERE number = 1)
    AND EXISTS (SELECT 1 FROM well_known WHERE number = 2);
INSERT INTO branches(dbid, element, brtype, parent_version)
  SELECT o.dbid, w.dbid, o.type_dbid, 0 FROM objects o, well_known w
  WHERE o.mtype = 11 AND w.number = 2;
INSERT INTO objects(oid, mtype, type_dbid, name, owner, master, created, modified)
  SELECT randomblob(16), 6, 0, NULL, owner, master, created, created FROM objects
  WHERE dbid = (SELECT dbid FROM well_known WHERE number = 1)
    AND EXISTS (SELECT 1 FROM well_known WHERE number = 2);
INSERT INTO versions(dbid, element, branch, number, predecessor, content, size)
  SELECT v.dbid, b.element, b.dbid, 0, 0, NULL, 0 FROM objects v, branches b
  WHERE v.mtype = 6;
INSERT INTO events(obj, kind, opcode, time, usec, user, host, comment)
  SELECT dbid, 1, 0, created, 0, owner, '', 'made by schema upgrade 3' FROM objects o
  WHERE (mtype IN (6, 11) OR (mtype = 14 AND name = 'main'))
    AND NOT EXISTS (SELECT 1 FROM events e WHERE e.obj = o.dbid AND e.kind = 1);
)",
        // 4: the tree of ZEM objects with their titles, states and
        // modification counts; the project template holder in project VOBs
        // made before.
        R"(
-- Folders, projects and activity-like objects: the object they are placed
-- in (NULL: none), their metatype (so that a folder's subfolders and
-- projects are listed apart), title, state (1: active) and modification
-- count. An object without a row has no parent, an empty title, state 0 and
-- count 0. A parent cannot be removed while it has children (the reference
-- has no cascade).
CREATE TABLE zem_objects (
  obj INTEGER PRIMARY KEY REFERENCES objects(dbid) ON DELETE CASCADE,
  parent INTEGER REFERENCES objects(dbid),
  mtype INTEGER NOT NULL,
  title TEXT NOT NULL DEFAULT '',
  state INTEGER NOT NULL DEFAULT 0,
  mod_count INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX zem_objects_children ON zem_objects(parent, mtype, obj);

-- Project VOBs made before: the template holder (well-known object 65), an
-- activity-like object outside the tree, of the folder type below feature
-- level 7 and without type from it; named "ProjectTemplates" unless an
-- activity-like object has that name already. Owner, master and time are
-- the VOB object's.
INSERT INTO objects(oid, mtype, type_dbid, name, owner, master, created, modified)
  SELECT randomblob(16), 28,
         CASE WHEN CAST((SELECT value FROM vob_info WHERE key = 'feature_level') AS INTEGER) >= 7
              THEN 0 ELSE coalesce((SELECT dbid FROM well_known WHERE number = 55), 0) END,
         CASE WHEN EXISTS (SELECT 1 FROM objects WHERE mtype = 28 AND name = 'ProjectTemplates')
              THEN NULL ELSE 'ProjectTemplates' END,
         owner, master, created, created FROM objects
  WHERE dbid = (SELECT dbid FROM well_known WHERE number = 1)
    AND (SELECT value FROM vob_info WHERE key = 'kind') = '2'
    AND NOT EXISTS (SELECT 1 FROM well_known WHERE number = 65);
-- The object just made has the highest dbid (AUTOINCREMENT).
INSERT INTO well_known(number, dbid)
  SELECT 65, (SELECT max(dbid) FROM objects)
  WHERE (SELECT value FROM vob_info WHERE key = 'kind') = '2'
    AND NOT EXISTS (SELECT 1 FROM well_known WHERE number = 65);
INSERT INTO events(obj, kind, opcode, time, usec, user, host, comment)
  SELECT dbid, 1, 0, created, 0, owner, '', 'made by schema upgrade 4' FROM objects o
  WHERE dbid = (SELECT dbid FROM well_known WHERE number = 65)
    AND NOT EXISTS (SELECT 1 FROM events e WHERE e.obj = o.dbid AND e.kind = 1);
)",
        // 5: the flag word of streams and the ordered entries of timelines.
        R"(
CREATE TABLE IF NOT EXISTS zem_streams (
  obj INTEGER PRIMARY KEY REFERENCES objects(dbid) ON DELETE CASCADE,
  flags INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS zem_timeline_entries (
  timeline INTEGER NOT NULL REFERENCES objects(dbid) ON DELETE CASCADE,
  position INTEGER NOT NULL,
  kind INTEGER NOT NULL,
  obj INTEGER NOT NULL,
  etime INTEGER NOT NULL
);
CREATE INDEX IF NOT EXISTS zem_timeline_entries_order ON zem_timeline_entries(timeline, position);
)",
        // 6: baselines (either metatype 41 or 33): the name asked for, the
        // component, the timeline (the component itself for its main
        // timeline), the dependency record, and the change sets; the entries
        // of timelines found by the object they name. Made only where missing,
        // as a store taken back to an earlier version may still hold them.
        R"(
CREATE TABLE IF NOT EXISTS zem_baselines (
  obj INTEGER PRIMARY KEY REFERENCES objects(dbid) ON DELETE CASCADE,
  name_base TEXT NOT NULL,
  component INTEGER NOT NULL REFERENCES objects(dbid),
  timeline INTEGER NOT NULL REFERENCES objects(dbid),
  deps_xml TEXT NOT NULL DEFAULT ''
);
CREATE INDEX IF NOT EXISTS zem_baselines_by_component ON zem_baselines(component, obj);
CREATE INDEX IF NOT EXISTS zem_baselines_by_timeline ON zem_baselines(timeline, obj);
-- (activity, modification count) pairs, in the order given.
CREATE TABLE IF NOT EXISTS zem_baseline_csets (
  baseline INTEGER NOT NULL REFERENCES objects(dbid) ON DELETE CASCADE,
  position INTEGER NOT NULL,
  activity INTEGER NOT NULL,
  mod_count INTEGER NOT NULL,
  PRIMARY KEY (baseline, position)
) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS zem_timeline_entries_by_obj ON zem_timeline_entries(obj, kind);
)",
        // 7: the views attached to streams, by view UUID.
        R"(
CREATE TABLE IF NOT EXISTS zem_view_streams (
  view_uuid TEXT PRIMARY KEY,
  stream INTEGER NOT NULL REFERENCES objects(dbid) ON DELETE CASCADE
);
CREATE INDEX IF NOT EXISTS zem_view_streams_by_stream ON zem_view_streams(stream);
)",
        // 8: activities' change sets and modification counts, the VOBs an
        // activity touched, tasks, and the current activity of views.
        R"(
-- In the VOB of each version: one row per change-set entry, keyed by its
-- change hyperlink (from the version to the activity). The activity is
-- named by its PVOB's family UUID and its oid; `stamp` is the pair count
-- (activity, crde) after the entry's latest change.
CREATE TABLE IF NOT EXISTS zem_cset_entries (
  hlink INTEGER PRIMARY KEY REFERENCES objects(dbid) ON DELETE CASCADE,
  act_family BLOB NOT NULL,
  act_oid BLOB NOT NULL,
  version INTEGER NOT NULL,
  element INTEGER NOT NULL,
  crde INTEGER NOT NULL,
  checkout INTEGER NOT NULL,
  stamp INTEGER NOT NULL,
  UNIQUE (act_family, act_oid, version)
);
CREATE INDEX IF NOT EXISTS zem_cset_entries_by_version ON zem_cset_entries(version);
CREATE INDEX IF NOT EXISTS zem_cset_entries_by_stamp
  ON zem_cset_entries(act_family, act_oid, crde, stamp);
-- In the same VOB: the modification count of each (activity, crde) pair.
CREATE TABLE IF NOT EXISTS zem_cset_counts (
  act_family BLOB NOT NULL,
  act_oid BLOB NOT NULL,
  crde INTEGER NOT NULL,
  count INTEGER NOT NULL,
  PRIMARY KEY (act_family, act_oid, crde)
) WITHOUT ROWID;
-- In the PVOB: the VOB families an activity has changed, in the order it
-- first changed them (kept after its entries leave, so counts never go back).
CREATE TABLE IF NOT EXISTS zem_activity_vobs (
  activity INTEGER NOT NULL REFERENCES objects(dbid) ON DELETE CASCADE,
  family BLOB NOT NULL,
  UNIQUE (activity, family)
);
-- In the PVOB: the task URIs of an activity, in order.
CREATE TABLE IF NOT EXISTS zem_activity_tasks (
  activity INTEGER NOT NULL REFERENCES objects(dbid) ON DELETE CASCADE,
  position INTEGER NOT NULL,
  uri TEXT NOT NULL,
  PRIMARY KEY (activity, position),
  UNIQUE (activity, uri)
);
-- In the PVOB: the current activity of each view (by view UUID text) and,
-- for the activity-based form's work records, the user object (0: none).
CREATE TABLE IF NOT EXISTS zem_view_activities (
  view_uuid TEXT PRIMARY KEY,
  activity INTEGER NOT NULL REFERENCES objects(dbid) ON DELETE CASCADE,
  user INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS zem_view_activities_by_activity ON zem_view_activities(activity);
)",
        // 9: the config spec text stored for a stream (either form), and
        // whether its last store was final.
        R"(
CREATE TABLE IF NOT EXISTS zem_stream_cspecs (
  stream INTEGER PRIMARY KEY REFERENCES objects(dbid) ON DELETE CASCADE,
  text TEXT NOT NULL,
  final INTEGER NOT NULL DEFAULT 1
);
)",
        // 10: the VOB's generation, advanced by every committed write
        // transaction, so that a view can tell that nothing changed since it
        // last looked without walking the VOB.
        R"(
CREATE TABLE IF NOT EXISTS vob_generation (
  id INTEGER PRIMARY KEY CHECK (id = 1),
  n INTEGER NOT NULL
);
INSERT OR IGNORE INTO vob_generation (id, n) VALUES (1, 0);
)",
        // 11: what events of element histories did (vob_hist_action of
        // services/vob_elem.h) with their text: a name, a version, a label
        // type. Check-ins recorded before (the latest creation event of a
        // numbered version) get theirs; checkouts and uncheckouts are known
        // by their kinds.
        R"(
CREATE TABLE IF NOT EXISTS event_details (
  event INTEGER PRIMARY KEY REFERENCES events(id) ON DELETE CASCADE,
  action INTEGER NOT NULL,
  detail TEXT NOT NULL
);
INSERT OR IGNORE INTO event_details(event, action, detail)
  SELECT max(e.id), 4, '' FROM events e JOIN versions v ON v.dbid = e.obj
  WHERE e.kind = 1 AND v.number > 0 GROUP BY e.obj;
)",
        // 12: deltas of stream baselines against the baseline made before
        // them on their timeline, so that comparing two baselines of one
        // stream reads what lies between them, not both whole records.
        // Baselines recorded before rest on nothing and hold all their pairs.
        R"(
CREATE TABLE IF NOT EXISTS zem_baseline_delta_bases (
  baseline INTEGER PRIMARY KEY REFERENCES objects(dbid) ON DELETE CASCADE,
  base INTEGER NOT NULL
);
CREATE INDEX IF NOT EXISTS zem_baseline_delta_bases_by_base ON zem_baseline_delta_bases(base);
CREATE TABLE IF NOT EXISTS zem_baseline_deltas (
  baseline INTEGER NOT NULL REFERENCES objects(dbid) ON DELETE CASCADE,
  activity INTEGER NOT NULL,
  mod_count INTEGER,
  PRIMARY KEY (baseline, activity)
) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS zem_baseline_deltas_by_activity
  ON zem_baseline_deltas(activity, baseline);
INSERT OR IGNORE INTO zem_baseline_deltas(baseline, activity, mod_count)
  SELECT baseline, activity, mod_count FROM zem_baseline_csets;
)",
    },
    "UPDATE vob_generation SET n = n + 1 RETURNING n",
    "SELECT n FROM vob_generation",
    true,
};

}  // namespace repo
