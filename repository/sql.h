// Every SQL statement of the repository, by name, and the schemas of the two
// kinds of database: the registry (one per KORVANE_HOME) and the VOB (one per
// replica). Statements are cached by address, so they live here as constants.
#ifndef REPOSITORY_SQL_H
#define REPOSITORY_SQL_H

#include "repository/store.h"

namespace repo {

extern const Schema kRegistrySchema;
extern const Schema kVobSchema;

namespace sql {

// ---- registry -------------------------------------------------------------------
inline constexpr const char* kRgyInsertVobTag =
    "INSERT INTO vob_tags(region, tag, storage, family_uuid, replica_uuid, kind, public) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)";
inline constexpr const char* kRgyDeleteVobTag =
    "DELETE FROM vob_tags WHERE region = ?1 AND tag = ?2";
inline constexpr const char* kRgySelectVobTag =
    "SELECT region, tag, storage, family_uuid, replica_uuid, kind, public FROM vob_tags "
    "WHERE region = ?1 AND tag = ?2";
inline constexpr const char* kRgySelectVobReplica =
    "SELECT region, tag, storage, family_uuid, replica_uuid, kind, public FROM vob_tags "
    "WHERE replica_uuid = ?1";
inline constexpr const char* kRgySelectVobFamily =
    "SELECT region, tag, storage, family_uuid, replica_uuid, kind, public FROM vob_tags "
    "WHERE family_uuid = ?1 ORDER BY region = ?2 DESC, tag LIMIT 1";
inline constexpr const char* kRgySelectVobStorage =
    "SELECT region, tag, storage, family_uuid, replica_uuid, kind, public FROM vob_tags "
    "WHERE storage = ?1";
inline constexpr const char* kRgySelectAllVobTags =
    "SELECT region, tag, storage, family_uuid, replica_uuid, kind, public FROM vob_tags "
    "ORDER BY tag, region";
inline constexpr const char* kRgySelectAdmin = "SELECT 1 FROM administrators WHERE login = ?1";
inline constexpr const char* kRgyInsertAdmin =
    "INSERT OR IGNORE INTO administrators(login) VALUES (?1)";
inline constexpr const char* kRgyDeleteAdmin = "DELETE FROM administrators WHERE login = ?1";

// ---- VOB: identity ------------------------------------------------------------------
inline constexpr const char* kVobInfoGet = "SELECT value FROM vob_info WHERE key = ?1";
inline constexpr const char* kVobInfoSet =
    "INSERT OR REPLACE INTO vob_info(key, value) VALUES (?1, ?2)";
inline constexpr const char* kWellKnownGet = "SELECT dbid FROM well_known WHERE number = ?1";
inline constexpr const char* kWellKnownSet = "INSERT INTO well_known(number, dbid) VALUES (?1, ?2)";
inline constexpr const char* kWellKnownOf = "SELECT number FROM well_known WHERE dbid = ?1";
inline constexpr const char* kReplicaInsert =
    "INSERT INTO replicas(dbid, uuid, host) VALUES (?1, ?2, ?3)";
inline constexpr const char* kReplicaByUuid = "SELECT dbid FROM replicas WHERE uuid = ?1";

// ---- VOB: objects ---------------------------------------------------------------------
inline constexpr const char* kObjectInsert =
    "INSERT INTO objects(oid, mtype, type_dbid, name, owner, master, created, modified) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?7)";
inline constexpr const char* kObjectGet =
    "SELECT oid, mtype, type_dbid, name, owner, master, created, modified FROM objects "
    "WHERE dbid = ?1";
inline constexpr const char* kObjectByOid = "SELECT dbid FROM objects WHERE oid = ?1";
inline constexpr const char* kObjectByName =
    "SELECT dbid FROM objects WHERE mtype = ?1 AND name = ?2";
inline constexpr const char* kObjectSetName = "UPDATE objects SET name = ?2 WHERE dbid = ?1";
inline constexpr const char* kObjectSetMaster = "UPDATE objects SET master = ?2 WHERE dbid = ?1";
inline constexpr const char* kObjectTouch = "UPDATE objects SET modified = ?2 WHERE dbid = ?1";
inline constexpr const char* kObjectsOfMtype =
    "SELECT dbid FROM objects WHERE mtype = ?1 AND dbid > ?2 ORDER BY dbid LIMIT ?3";
inline constexpr const char* kObjectsAll =
    "SELECT dbid FROM objects WHERE dbid > ?1 ORDER BY dbid LIMIT ?2";

// ---- VOB: events ------------------------------------------------------------------------
inline constexpr const char* kEventInsert =
    "INSERT INTO events(obj, kind, opcode, time, usec, user, host, comment) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)";
inline constexpr const char* kEventsOf =
    "SELECT id, obj, kind, opcode, time, usec, user, host, comment FROM events "
    "WHERE obj = ?1 ORDER BY id";
inline constexpr const char* kEventLatest =
    "SELECT id, obj, kind, opcode, time, usec, user, host, comment FROM events "
    "WHERE obj = ?1 AND kind = ?2 ORDER BY id DESC LIMIT 1";
inline constexpr const char* kEventGet =
    "SELECT id, obj, kind, opcode, time, usec, user, host, comment FROM events WHERE id = ?1";
inline constexpr const char* kEventSetComment = "UPDATE events SET comment = ?2 WHERE id = ?1";

// ---- VOB: locks -------------------------------------------------------------------------
inline constexpr const char* kLockGet =
    "SELECT obsolete, exempt, locked_by, time, comment FROM locks WHERE obj = ?1";
inline constexpr const char* kLockSet =
    "INSERT OR REPLACE INTO locks(obj, obsolete, exempt, locked_by, time, comment) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6)";
inline constexpr const char* kLockDelete = "DELETE FROM locks WHERE obj = ?1";

// ---- VOB: process variables ---------------------------------------------------------------
inline constexpr const char* kPvarGet = "SELECT value FROM pvars WHERE obj = ?1 AND name = ?2";
inline constexpr const char* kPvarSet =
    "INSERT OR REPLACE INTO pvars(obj, name, value) VALUES (?1, ?2, ?3)";
inline constexpr const char* kPvarDelete = "DELETE FROM pvars WHERE obj = ?1 AND name = ?2";
inline constexpr const char* kPvarNames = "SELECT name FROM pvars WHERE obj = ?1 ORDER BY name";

// ---- VOB: hyperlinks and arrows ---------------------------------------------------------------
// Walks take (object, type, after, limit): rows past position `after` (a
// hyperlink dbid or an arrow id), at most `limit` (-1: all).
inline constexpr const char* kHlinkInsert =
    "INSERT INTO hyperlinks(dbid, wk_type, type_dbid, from_obj, to_family, to_oid, to_obj, "
    "from_text, to_text) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)";
inline constexpr const char* kHlinkGet =
    "SELECT wk_type, type_dbid, from_obj, to_family, to_oid, to_obj, from_text, to_text "
    "FROM hyperlinks WHERE dbid = ?1";
inline constexpr const char* kHlinksFrom =
    "SELECT dbid FROM hyperlinks WHERE from_obj = ?1 AND wk_type = ?2 AND dbid > ?3 "
    "ORDER BY dbid LIMIT ?4";
inline constexpr const char* kHlinksToLocal =
    "SELECT dbid FROM hyperlinks WHERE to_obj = ?1 AND to_family IS NULL AND wk_type = ?2 "
    "AND dbid > ?3 ORDER BY dbid LIMIT ?4";
inline constexpr const char* kArrowsTo =
    "SELECT id, from_family, hlink_oid FROM arrows WHERE to_obj = ?1 AND wk_type = ?2 "
    "AND id > ?3 ORDER BY id LIMIT ?4";
inline constexpr const char* kHlinksFromAny =
    "SELECT dbid FROM hyperlinks WHERE from_obj = ?1 ORDER BY dbid";
inline constexpr const char* kHlinksToLocalAny =
    "SELECT dbid FROM hyperlinks WHERE to_obj = ?1 AND to_family IS NULL ORDER BY dbid";
inline constexpr const char* kArrowsToAny =
    "SELECT id, from_family, hlink_oid FROM arrows WHERE to_obj = ?1 ORDER BY id";
inline constexpr const char* kHlinkFind =
    "SELECT dbid FROM hyperlinks WHERE from_obj = ?1 AND wk_type = ?2 AND type_dbid = ?3 "
    "AND to_oid = ?4 AND ((?5 IS NULL AND to_family IS NULL) OR to_family = ?5) "
    "ORDER BY dbid LIMIT 1";
inline constexpr const char* kArrowInsert =
    "INSERT INTO arrows(to_obj, wk_type, type_name, from_family, hlink_oid, from_oid, from_text, "
    "to_text) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)";
inline constexpr const char* kArrowDelete = "DELETE FROM arrows WHERE hlink_oid = ?1";
inline constexpr const char* kObjectDelete = "DELETE FROM objects WHERE dbid = ?1";
inline constexpr const char* kEventsDelete = "DELETE FROM events WHERE obj = ?1";

// ---- VOB: process variables with replication
// ------------------------------------------------------
inline constexpr const char* kPvarGetFull =
    "SELECT value, replicated FROM pvars WHERE obj = ?1 AND name = ?2";
inline constexpr const char* kPvarSetFull =
    "INSERT OR REPLACE INTO pvars(obj, name, value, replicated) VALUES (?1, ?2, ?3, ?4)";

// ---- VOB: attributes
// ---------------------------------------------------------------------------------
inline constexpr const char* kAttrGet =
    "SELECT value FROM attributes WHERE obj = ?1 AND attype = ?2";
inline constexpr const char* kAttrSet =
    "INSERT OR REPLACE INTO attributes(obj, attype, value) VALUES (?1, ?2, ?3)";
inline constexpr const char* kAttrDelete = "DELETE FROM attributes WHERE obj = ?1 AND attype = ?2";
inline constexpr const char* kAttypeValuesGet =
    "SELECT enum_values, default_value FROM attype_values WHERE dbid = ?1";
inline constexpr const char* kAttypeValuesSet =
    "INSERT OR REPLACE INTO attype_values(dbid, enum_values, default_value) VALUES (?1, ?2, ?3)";

// ---- VOB: view references --------------------------------------------------------------------
inline constexpr const char* kViewRefsDelete = "DELETE FROM view_refs WHERE view_uuid = ?1";

// ---- VOB: trigger types
// --------------------------------------------------------------------------
inline constexpr const char* kTrtypeInsert =
    "INSERT INTO trtypes(dbid, phase, ops, command) VALUES (?1, ?2, ?3, ?4)";
inline constexpr const char* kTrtypeGet =
    "SELECT t.dbid, o.name, t.phase, t.ops, t.command FROM trtypes t "
    "JOIN objects o ON o.dbid = t.dbid WHERE t.dbid = ?1";
inline constexpr const char* kTrtypesAll =
    "SELECT t.dbid, o.name, t.phase, t.ops, t.command FROM trtypes t "
    "JOIN objects o ON o.dbid = t.dbid ORDER BY t.dbid";
// Removes a trigger type's object; its trigger record and restrictions go
// with it (ON DELETE CASCADE).
inline constexpr const char* kTrtypeDelete = "DELETE FROM objects WHERE dbid = ?1 AND mtype = 17";
inline constexpr const char* kTrtypeEventsDelete = "DELETE FROM events WHERE obj = ?1";
inline constexpr const char* kTrtypeRestrictionInsert =
    "INSERT OR IGNORE INTO trtype_restrictions(trtype, family, oid) VALUES (?1, ?2, ?3)";
inline constexpr const char* kTrtypeRestrictionsOf =
    "SELECT family, oid FROM trtype_restrictions WHERE trtype = ?1 ORDER BY family, oid";
inline constexpr const char* kTrtypeRestrictionRefs =
    "SELECT 1 FROM trtype_restrictions WHERE oid = ?1 AND family = ?2 LIMIT 1";

}  // namespace sql
}  // namespace repo

#endif  // REPOSITORY_SQL_H
