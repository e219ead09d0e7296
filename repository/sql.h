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

// ---- registry: view tags ----------------------------------------------------------
inline constexpr const char* kRgyInsertViewTag =
    "INSERT INTO view_tags(tag, uuid, owner, root, storage, kind, attributes) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)";
inline constexpr const char* kRgyDeleteViewTag = "DELETE FROM view_tags WHERE tag = ?1";
inline constexpr const char* kRgySelectViewTag =
    "SELECT tag, uuid, owner, root, storage, kind, attributes FROM view_tags WHERE tag = ?1";
inline constexpr const char* kRgySelectViewUuid =
    "SELECT tag, uuid, owner, root, storage, kind, attributes FROM view_tags WHERE uuid = ?1";
inline constexpr const char* kRgyUpdateViewAttributes =
    "UPDATE view_tags SET attributes = ?2 WHERE uuid = ?1";
inline constexpr const char* kRgySelectAllViewTags =
    "SELECT tag, uuid, owner, root, storage, kind, attributes FROM view_tags ORDER BY tag";

// ---- view storage (the view's own database) -----------------------------------------
inline constexpr const char* kViewInfoGet = "SELECT value FROM view_info WHERE key = ?1";
inline constexpr const char* kViewInfoSet =
    "INSERT OR REPLACE INTO view_info(key, value) VALUES (?1, ?2)";
// Loaded paths: the path itself (?1) and everything under it (?2 = path + "/",
// ?3 = path + "0", the next key after every "path/..." key).
inline constexpr const char* kViewLoadedUnder =
    "SELECT path, replica_uuid, element, version, is_dir, checked_out, size, mtime_ns, inode "
    "FROM loaded WHERE path = ?1 OR (path >= ?2 AND path < ?3) ORDER BY path";
inline constexpr const char* kViewLoadedAll =
    "SELECT path, replica_uuid, element, version, is_dir, checked_out, size, mtime_ns, inode "
    "FROM loaded ORDER BY path";
inline constexpr const char* kViewLoadedSet =
    "INSERT OR REPLACE INTO loaded(path, replica_uuid, element, version, is_dir, checked_out, "
    "size, mtime_ns, inode) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)";
inline constexpr const char* kViewLoadedDelete = "DELETE FROM loaded WHERE path = ?1";
inline constexpr const char* kViewLoadedOfElement =
    "SELECT path FROM loaded WHERE replica_uuid = ?1 AND element = ?2 ORDER BY path";
inline constexpr const char* kViewCkoutSet =
    "INSERT OR REPLACE INTO checkouts(replica_uuid, element, path) VALUES (?1, ?2, ?3)";
inline constexpr const char* kViewCkoutDelete =
    "DELETE FROM checkouts WHERE replica_uuid = ?1 AND element = ?2";
inline constexpr const char* kViewCkoutAll =
    "SELECT replica_uuid, element, path FROM checkouts ORDER BY path";
inline constexpr const char* kViewCkoutOfElement =
    "SELECT path FROM checkouts WHERE replica_uuid = ?1 AND element = ?2";
// Pending merges: one per element, replaced by a newer one.
inline constexpr const char* kViewPendingSet =
    "INSERT OR REPLACE INTO pending_merges (replica_uuid, element, checkout, from_version, path, "
    "before_sha, choose_side, before_content) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)";
inline constexpr const char* kViewPendingOfElement =
    "SELECT replica_uuid, element, checkout, from_version, path, before_sha, choose_side "
    "FROM pending_merges WHERE replica_uuid = ?1 AND element = ?2";
inline constexpr const char* kViewPendingAll =
    "SELECT replica_uuid, element, checkout, from_version, path, before_sha, choose_side "
    "FROM pending_merges ORDER BY path";
inline constexpr const char* kViewPendingBefore =
    "SELECT before_content FROM pending_merges WHERE replica_uuid = ?1 AND element = ?2";
inline constexpr const char* kViewPendingChooseSide =
    "UPDATE pending_merges SET choose_side = 1 WHERE replica_uuid = ?1 AND element = ?2";
inline constexpr const char* kViewPendingDelete =
    "DELETE FROM pending_merges WHERE replica_uuid = ?1 AND element = ?2";
inline constexpr const char* kViewSeenAll = "SELECT replica_uuid, generation FROM seen_generations";
inline constexpr const char* kViewSeenSet =
    "INSERT OR REPLACE INTO seen_generations(replica_uuid, generation) VALUES (?1, ?2)";
inline constexpr const char* kViewSeenDelete =
    "DELETE FROM seen_generations WHERE replica_uuid = ?1";
inline constexpr const char* kViewSeenClear = "DELETE FROM seen_generations";

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
// Objects of metatype ?1 and, unless ?2 is 0, of type ?2, in creation order.
inline constexpr const char* kObjectsOfMtypeAndType =
    "SELECT dbid FROM objects WHERE mtype = ?1 AND (?2 = 0 OR type_dbid = ?2) "
    "ORDER BY dbid LIMIT ?3 OFFSET ?4";

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
// What an event of an element's history did (event_details).
inline constexpr const char* kEventDetailInsert =
    "INSERT INTO event_details(event, action, detail) VALUES (?1, ?2, ?3)";
// Moves the events of kind ?3 of object ?1 to object ?2.
inline constexpr const char* kEventsMove =
    "UPDATE events SET obj = ?2 WHERE obj = ?1 AND kind = ?3";
// The events of the elements in the JSON array ?1, of their branches and of
// their versions, from time ?2, newest first; with each, its action and
// detail, the version's number (-1 checked out, NULL no version), whether the
// branch sprouts from a version, and the activity of a change-set entry of
// the version (a version in two change sets gives two rows).
inline constexpr const char* kElementsHistory =
    "WITH els(element) AS (SELECT DISTINCT CAST(value AS INTEGER) FROM json_each(?1)), "
    "objs(obj, element, branch, version) AS ("
    "  SELECT element, element, 0, 0 FROM els "
    "  UNION ALL SELECT b.dbid, b.element, b.dbid, 0 FROM branches b "
    "    JOIN els ON b.element = els.element "
    "  UNION ALL SELECT v.dbid, v.element, v.branch, v.dbid FROM versions v "
    "    JOIN els ON v.element = els.element) "
    "SELECT e.id, o.element, o.branch, o.version, e.kind, coalesce(d.action, 0), "
    "  coalesce(d.detail, ''), e.time, e.usec, e.user, e.comment, "
    "  CASE WHEN v.dbid IS NULL THEN NULL ELSE coalesce(v.number, -1) END, "
    "  coalesce(b.parent_version, 0), c.act_family, c.act_oid "
    "FROM objs o JOIN events e ON e.obj = o.obj "
    "LEFT JOIN event_details d ON d.event = e.id "
    "LEFT JOIN versions v ON v.dbid = o.version "
    "LEFT JOIN branches b ON b.dbid = o.branch "
    "LEFT JOIN zem_cset_entries c ON o.version <> 0 AND c.version = o.version "
    "WHERE e.time >= ?2 "
    "ORDER BY e.id DESC";

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
// The hyperlinks of well-known type ?2 from object ?1 to object ?3 of the
// same VOB, oldest first.
inline constexpr const char* kHlinksFromTo =
    "SELECT dbid FROM hyperlinks WHERE from_obj = ?1 AND wk_type = ?2 AND to_obj = ?3 "
    "AND to_family IS NULL ORDER BY dbid";
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

// ---- PVOB: views attached to streams ----------------------------------------------------
// A view attached again replaces its row (after an attachment whose view
// side was never written).
inline constexpr const char* kZemViewStreamSet =
    "INSERT OR REPLACE INTO zem_view_streams(view_uuid, stream) VALUES (?1, ?2)";
inline constexpr const char* kZemViewStreamDelete =
    "DELETE FROM zem_view_streams WHERE view_uuid = ?1";
// ?2 views of stream ?1 from position ?3, in attachment order.
inline constexpr const char* kZemViewsOfStream =
    "SELECT view_uuid FROM zem_view_streams WHERE stream = ?1 ORDER BY rowid LIMIT ?2 OFFSET ?3";

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

// ---- VOB: versioned files (elements, branches, versions, directories) ---------------------
inline constexpr const char* kContentInsert =
    "INSERT OR IGNORE INTO contents(hash, data) VALUES (?1, ?2)";
inline constexpr const char* kContentGet = "SELECT data FROM contents WHERE hash = ?1";
inline constexpr const char* kElementInsert =
    "INSERT INTO elements(dbid, eltype, crde) VALUES (?1, ?2, ?3)";
// An element's CRDE: its mark, or, for an unmarked element of a VOB whose
// root directory is marked as its own CRDE (a component made of the whole
// VOB), that root directory.
#define KORVANE_SQL_EFFECTIVE_CRDE                                                  \
  "CASE WHEN e.crde <> 0 THEN e.crde ELSE coalesce((SELECT r.dbid FROM elements r " \
  "WHERE r.dbid = (SELECT dbid FROM well_known WHERE number = 2) AND r.crde = r.dbid), 0) END"
inline constexpr const char* kElementGet =
    "SELECT e.eltype, " KORVANE_SQL_EFFECTIVE_CRDE " FROM elements e WHERE e.dbid = ?1";
inline constexpr const char* kElementSetCrde = "UPDATE elements SET crde = ?2 WHERE dbid = ?1";
inline constexpr const char* kElementsClearCrde = "UPDATE elements SET crde = 0 WHERE crde = ?1";
inline constexpr const char* kElementCheckouts =
    "SELECT dbid FROM versions WHERE element = ?1 AND number IS NULL ORDER BY branch";
inline constexpr const char* kElementVersions =
    "SELECT dbid FROM versions WHERE element = ?1 ORDER BY dbid";
inline constexpr const char* kElementBranches =
    "SELECT dbid FROM branches WHERE element = ?1 ORDER BY dbid";
inline constexpr const char* kBranchInsert =
    "INSERT INTO branches(dbid, element, brtype, parent_version) VALUES (?1, ?2, ?3, ?4)";
inline constexpr const char* kBranchGet =
    "SELECT element, brtype, parent_version FROM branches WHERE dbid = ?1";
inline constexpr const char* kBranchOfType =
    "SELECT dbid FROM branches WHERE element = ?1 AND brtype = ?2";
inline constexpr const char* kBranchMain =
    "SELECT dbid FROM branches WHERE element = ?1 AND parent_version = 0";
inline constexpr const char* kBranchesOfType =
    "SELECT dbid FROM branches WHERE brtype = ?1 ORDER BY dbid";
// ?2 branches of type ?1 from position ?3.
inline constexpr const char* kBranchesOfTypeChunk =
    "SELECT dbid FROM branches WHERE brtype = ?1 ORDER BY dbid LIMIT ?2 OFFSET ?3";
inline constexpr const char* kBranchCountOfType = "SELECT count(*) FROM branches WHERE brtype = ?1";
inline constexpr const char* kBranchElemsCrdes = "SELECT b.element, " KORVANE_SQL_EFFECTIVE_CRDE
                                                 " FROM branches b "
                                                 "JOIN elements e ON e.dbid = b.element "
                                                 "WHERE b.brtype = ?1";
#undef KORVANE_SQL_EFFECTIVE_CRDE
// The branches of type ?1 with their element, its kind, the branch's path
// ("/main/dev", built by walking up the versions each branch sprouts from,
// at most 1000 deep) and its version numbered ?2 (-1: the latest checked-in
// one; NULL when there is none), by element.
inline constexpr const char* kBranchTipsOfType =
    "WITH RECURSIVE up(tip, branch, path, depth) AS ("
    "  SELECT dbid, dbid, '', 0 FROM branches WHERE brtype = ?1"
    "  UNION ALL"
    "  SELECT up.tip, v.branch, '/' || o.name || up.path, up.depth + 1"
    "  FROM up JOIN branches cb ON cb.dbid = up.branch"
    "  JOIN objects o ON o.dbid = cb.brtype"
    "  LEFT JOIN versions v ON v.dbid = cb.parent_version"
    "  WHERE up.depth < 1000) "
    "SELECT b.element, b.dbid, e.eltype, up.path, "
    "  (SELECT v.dbid FROM versions v WHERE v.branch = b.dbid AND v.number IS NOT NULL "
    "   AND (?2 < 0 OR v.number = ?2) ORDER BY v.number DESC LIMIT 1) "
    "FROM up JOIN branches b ON b.dbid = up.tip JOIN elements e ON e.dbid = b.element "
    "WHERE up.branch IS NULL ORDER BY b.element";
// The directory elements that catalogue, in any of their versions, an
// element with a branch of type ?1, and those that catalogue them in turn.
inline constexpr const char* kDirsAboveBranchesOfType =
    "WITH RECURSIVE below(element) AS ("
    "  SELECT element FROM branches WHERE brtype = ?1"
    "  UNION"
    "  SELECT v.element FROM below JOIN dir_entries d ON d.element = below.element"
    "  JOIN versions v ON v.dbid = d.version) "
    "SELECT DISTINCT v.element FROM below JOIN dir_entries d ON d.element = below.element "
    "JOIN versions v ON v.dbid = d.version ORDER BY 1";
inline constexpr const char* kVersionInsert =
    "INSERT INTO versions(dbid, element, branch, number, predecessor, content, size) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)";
inline constexpr const char* kVersionGet =
    "SELECT element, branch, number, predecessor, content, size FROM versions WHERE dbid = ?1";
inline constexpr const char* kVersionByNumber =
    "SELECT dbid FROM versions WHERE branch = ?1 AND number = ?2";
inline constexpr const char* kVersionLatest =
    "SELECT dbid FROM versions WHERE branch = ?1 AND number IS NOT NULL "
    "ORDER BY number DESC LIMIT 1";
inline constexpr const char* kVersionNextNumber =
    "SELECT coalesce(max(number), -1) + 1 FROM versions WHERE branch = ?1";
inline constexpr const char* kVersionCheckedOut =
    "SELECT dbid FROM versions WHERE branch = ?1 AND number IS NULL";
inline constexpr const char* kVersionsOfBranch =
    "SELECT dbid FROM versions WHERE branch = ?1 AND number IS NOT NULL ORDER BY number";
inline constexpr const char* kVersionCheckin =
    "UPDATE versions SET number = ?2, content = ?3, size = ?4 WHERE dbid = ?1";
inline constexpr const char* kDirEntryInsert =
    "INSERT INTO dir_entries(version, name, element) VALUES (?1, ?2, ?3)";
inline constexpr const char* kDirEntryDelete =
    "DELETE FROM dir_entries WHERE version = ?1 AND name = ?2";
inline constexpr const char* kDirEntryGet =
    "SELECT element FROM dir_entries WHERE version = ?1 AND name = ?2";
inline constexpr const char* kDirEntriesPage =
    "SELECT name, element FROM dir_entries WHERE version = ?1 ORDER BY name LIMIT ?2 OFFSET ?3";
inline constexpr const char* kDirEntriesCopy =
    "INSERT INTO dir_entries(version, name, element) "
    "SELECT ?2, name, element FROM dir_entries WHERE version = ?1";
inline constexpr const char* kDirEntriesUncatalogue =
    "DELETE FROM dir_entries WHERE element = ?1 "
    "AND version IN (SELECT dbid FROM versions WHERE number IS NULL)";
inline constexpr const char* kCheckoutInsert =
    "INSERT INTO checkouts(version, view_uuid, event_id) VALUES (?1, ?2, ?3)";
inline constexpr const char* kCheckoutGet =
    "SELECT view_uuid, event_id FROM checkouts WHERE version = ?1";
inline constexpr const char* kCheckoutDelete = "DELETE FROM checkouts WHERE version = ?1";
inline constexpr const char* kMergeInsert =
    "INSERT OR IGNORE INTO merges(from_version, to_version) VALUES (?1, ?2)";
inline constexpr const char* kMergesInto =
    "SELECT from_version FROM merges WHERE to_version = ?1 ORDER BY id";

inline constexpr const char* kElementVersionEdges =
    "SELECT dbid, predecessor FROM versions WHERE element = ?1 ORDER BY dbid";
// Merge arrows between versions of element ?1: (to, from), oldest first.
inline constexpr const char* kElementMergeEdges =
    "SELECT m.to_version, m.from_version FROM merges m "
    "JOIN versions t ON t.dbid = m.to_version JOIN versions f ON f.dbid = m.from_version "
    "WHERE t.element = ?1 AND f.element = ?1 ORDER BY m.id";
// ---- VOB: labels and version maps ------------------------------------------------------------
inline constexpr const char* kLabelSet =
    "INSERT OR REPLACE INTO labels(lbtype, element, version) VALUES (?1, ?2, ?3)";
inline constexpr const char* kLabelGet =
    "SELECT version FROM labels WHERE lbtype = ?1 AND element = ?2";
inline constexpr const char* kLabelsOf =
    "SELECT element, version FROM labels WHERE lbtype = ?1 ORDER BY element";
inline constexpr const char* kVermapInsert =
    "INSERT INTO vermaps(dbid, incremental) VALUES (?1, ?2)";
inline constexpr const char* kVermapGet = "SELECT incremental FROM vermaps WHERE dbid = ?1";
inline constexpr const char* kVermapSetFull = "UPDATE vermaps SET incremental = 0 WHERE dbid = ?1";
inline constexpr const char* kVermapDelete = "DELETE FROM vermaps WHERE dbid = ?1";
inline constexpr const char* kVermapBaseInsert =
    "INSERT INTO vermap_bases(vermap, position, base) VALUES (?1, ?2, ?3)";
inline constexpr const char* kVermapBases =
    "SELECT base FROM vermap_bases WHERE vermap = ?1 ORDER BY position";
inline constexpr const char* kVermapBasesDelete = "DELETE FROM vermap_bases WHERE vermap = ?1";

// ---- VOB: ZEM tree (folders, projects, activity-like objects) ------------------------
// A missing row means: no parent, empty title, state 0, count 0.
inline constexpr const char* kZemGet =
    "SELECT parent, title, state, mod_count FROM zem_objects WHERE obj = ?1";
inline constexpr const char* kZemSetParent =
    "INSERT INTO zem_objects(obj, parent, mtype) VALUES (?1, ?2, ?3) "
    "ON CONFLICT(obj) DO UPDATE SET parent = excluded.parent";
inline constexpr const char* kZemSetTitle =
    "INSERT INTO zem_objects(obj, mtype, title) VALUES (?1, ?2, ?3) "
    "ON CONFLICT(obj) DO UPDATE SET title = excluded.title";
inline constexpr const char* kZemSetState =
    "INSERT INTO zem_objects(obj, mtype, state) VALUES (?1, ?2, ?3) "
    "ON CONFLICT(obj) DO UPDATE SET state = excluded.state";
inline constexpr const char* kZemChildCount = "SELECT count(*) FROM zem_objects WHERE parent = ?1";
// Children of ?1 of metatype ?2, or of any metatype when ?2 is 0; ?3 rows
// from position ?4.
inline constexpr const char* kZemChildren =
    "SELECT obj FROM zem_objects WHERE parent = ?1 AND (?2 = 0 OR mtype = ?2) "
    "ORDER BY obj LIMIT ?3 OFFSET ?4";
// Whether ?2 is ?1 or one of its ancestors.
inline constexpr const char* kZemIsAncestor =
    "WITH RECURSIVE up(id) AS (SELECT ?1 UNION "
    "SELECT z.parent FROM zem_objects z JOIN up ON z.obj = up.id WHERE z.parent IS NOT NULL) "
    "SELECT 1 FROM up WHERE id = ?2 LIMIT 1";

// ---- VOB: streams and timelines --------------------------------------------------------
// An object "of kind (?m, ?t)" has metatype ?m, or is an activity-like
// object (28) of type ?t.
inline constexpr const char* kStreamCspecGet =
    "SELECT text, final FROM zem_stream_cspecs WHERE stream = ?1";
inline constexpr const char* kStreamCspecSet =
    "INSERT OR REPLACE INTO zem_stream_cspecs(stream, text, final) VALUES (?1, ?2, ?3)";
inline constexpr const char* kStreamFlagsGet = "SELECT flags FROM zem_streams WHERE obj = ?1";
inline constexpr const char* kStreamFlagsSet =
    "INSERT INTO zem_streams(obj, flags) VALUES (?1, ?2)";
// Children of ?1 of kind (?2, ?3); ?4 rows from position ?5.
inline constexpr const char* kZemChildrenOfKind =
    "SELECT z.obj FROM zem_objects z JOIN objects o ON o.dbid = z.obj WHERE z.parent = ?1 "
    "AND (o.mtype = ?2 OR (o.mtype = 28 AND o.type_dbid = ?3)) ORDER BY z.obj LIMIT ?4 OFFSET ?5";
inline constexpr const char* kZemChildCountOfKind =
    "SELECT count(*) FROM zem_objects z JOIN objects o ON o.dbid = z.obj WHERE z.parent = ?1 "
    "AND (o.mtype = ?2 OR (o.mtype = 28 AND o.type_dbid = ?3))";
// Objects of kind (?2, ?3) below ?1 through objects of that kind; ?4 rows
// from position ?5, in creation order.
inline constexpr const char* kZemDescendantsOfKind =
    "WITH RECURSIVE below(id) AS (SELECT ?1 UNION ALL "
    "SELECT z.obj FROM zem_objects z JOIN below ON z.parent = below.id "
    "JOIN objects o ON o.dbid = z.obj WHERE o.mtype = ?2 OR (o.mtype = 28 AND o.type_dbid = ?3)) "
    "SELECT id FROM below WHERE id <> ?1 ORDER BY id LIMIT ?4 OFFSET ?5";
inline constexpr const char* kTimelineEntries =
    "SELECT etime, kind, obj FROM zem_timeline_entries WHERE timeline = ?1 ORDER BY position";
inline constexpr const char* kTimelineEntryCount =
    "SELECT count(*) FROM zem_timeline_entries WHERE timeline = ?1";
// Opens a gap at position ?2.
inline constexpr const char* kTimelineShift =
    "UPDATE zem_timeline_entries SET position = position + 1 "
    "WHERE timeline = ?1 AND position >= ?2";
inline constexpr const char* kTimelineEntryInsert =
    "INSERT INTO zem_timeline_entries(timeline, position, kind, obj, etime) "
    "VALUES (?1, ?2, ?3, ?4, ?5)";
// Closes the gap a removed entry at position ?2 left.
inline constexpr const char* kTimelineUnshift =
    "UPDATE zem_timeline_entries SET position = position - 1 "
    "WHERE timeline = ?1 AND position > ?2";
// The entries naming object ?1 with kind ?2, the latest positions first.
inline constexpr const char* kTimelineEntriesOfObj =
    "SELECT timeline, position FROM zem_timeline_entries WHERE obj = ?1 AND kind = ?2 "
    "ORDER BY timeline, position DESC";
inline constexpr const char* kTimelineEntryDelete =
    "DELETE FROM zem_timeline_entries WHERE timeline = ?1 AND position = ?2";

// ---- VOB: baselines --------------------------------------------------------------------
inline constexpr const char* kBaselineInsert =
    "INSERT INTO zem_baselines(obj, name_base, component, timeline, deps_xml) "
    "VALUES (?1, ?2, ?3, ?4, ?5)";
inline constexpr const char* kBaselineGet =
    "SELECT name_base, component, timeline, deps_xml FROM zem_baselines WHERE obj = ?1";
inline constexpr const char* kBaselineCsetInsert =
    "INSERT INTO zem_baseline_csets(baseline, position, activity, mod_count) "
    "VALUES (?1, ?2, ?3, ?4)";
inline constexpr const char* kBaselineCsets =
    "SELECT activity, mod_count FROM zem_baseline_csets WHERE baseline = ?1 ORDER BY position";
// Deltas of stream baselines (repository/vob_zem_baseline_delta.h).
inline constexpr const char* kBaselineDeltaInsert =
    "INSERT OR REPLACE INTO zem_baseline_deltas(baseline, activity, mod_count) VALUES (?1, ?2, ?3)";
// The latest baseline of timeline ?1 made before ?2.
inline constexpr const char* kBaselineDeltaBaseCandidate =
    "SELECT max(obj) FROM zem_baselines WHERE timeline = ?1 AND obj < ?2";
inline constexpr const char* kBaselineDeltaBaseSet =
    "INSERT OR REPLACE INTO zem_baseline_delta_bases(baseline, base) VALUES (?1, ?2)";
// Baseline ?1's delta base; no row for a baseline resting on none.
inline constexpr const char* kBaselineDeltaBaseGet =
    "SELECT base FROM zem_baseline_delta_bases WHERE baseline = ?1";
// The rows of baseline ?1's delta.
inline constexpr const char* kBaselineDeltaRows =
    "SELECT activity, mod_count FROM zem_baseline_deltas WHERE baseline = ?1";
// The delta rows naming activity ?1.
inline constexpr const char* kBaselineDeltaRowsOfActivity =
    "SELECT baseline, mod_count FROM zem_baseline_deltas WHERE activity = ?1";
// Baseline ?1 is going: the baselines resting on it take the rows they lack,
// then its base.
inline constexpr const char* kBaselineDeltaFoldRows =
    "INSERT OR IGNORE INTO zem_baseline_deltas(baseline, activity, mod_count) "
    "SELECT b.baseline, d.activity, d.mod_count FROM zem_baseline_delta_bases b "
    "JOIN zem_baseline_deltas d ON d.baseline = ?1 WHERE b.base = ?1";
inline constexpr const char* kBaselineDeltaFoldBase =
    "UPDATE zem_baseline_delta_bases SET base = "
    "coalesce((SELECT base FROM zem_baseline_delta_bases WHERE baseline = ?1), 0) "
    "WHERE base = ?1";
// The position of baseline ?1 among its component's baselines (creation
// order, from 0).
inline constexpr const char* kBaselineMainTimelineIndex =
    "SELECT (SELECT count(*) FROM zem_baselines c WHERE c.component = b.component "
    "AND c.obj < b.obj) FROM zem_baselines b WHERE b.obj = ?1";
// The first baseline of component ?1's main timeline.
inline constexpr const char* kBaselineInitial =
    "SELECT obj FROM zem_baselines WHERE component = ?1 AND timeline = ?1 ORDER BY obj LIMIT 1";
// All baselines of component ?1; ?2 rows from position ?3, in creation order.
inline constexpr const char* kBaselinesOfComponent =
    "SELECT obj FROM zem_baselines WHERE component = ?1 ORDER BY obj LIMIT ?2 OFFSET ?3";
// The baselines made on the timelines placed in stream ?1; ?2 rows from ?3.
inline constexpr const char* kBaselinesOfStream =
    "SELECT b.obj FROM zem_baselines b JOIN zem_objects z ON z.obj = b.timeline "
    "WHERE z.parent = ?1 ORDER BY b.obj LIMIT ?2 OFFSET ?3";
// The baselines of component ?1 on its main timeline.
inline constexpr const char* kBaselinesOfMainTimeline =
    "SELECT obj FROM zem_baselines WHERE component = ?1 AND timeline = ?1 ORDER BY obj";
// How many baselines lie on timeline ?1 made for a component other than ?1
// (that is, on ?1 as a stream's timeline).
inline constexpr const char* kBaselineCountOnTimeline =
    "SELECT count(*) FROM zem_baselines WHERE timeline = ?1 AND component <> ?1";
// How many baselines lie on the timelines placed in ?1.
inline constexpr const char* kBaselineCountInStream =
    "SELECT count(*) FROM zem_baselines b JOIN zem_objects z ON z.obj = b.timeline "
    "WHERE z.parent = ?1";
// The position and time of the entry of kind ?3 naming ?2 on timeline ?1.
inline constexpr const char* kTimelineEntryFind =
    "SELECT position, etime FROM zem_timeline_entries WHERE timeline = ?1 AND obj = ?2 "
    "AND kind = ?3 ORDER BY position LIMIT 1";
// The first version map based on map ?1.
inline constexpr const char* kVermapFirstDependent =
    "SELECT vermap FROM vermap_bases WHERE base = ?1 ORDER BY vermap LIMIT 1";
// How many baselines of component ?1 lie on the timelines of streams.
inline constexpr const char* kBaselineCountOffMain =
    "SELECT count(*) FROM zem_baselines WHERE component = ?1 AND timeline <> ?1";

// ---- VOB: change-set entries and pair counts (in the version's VOB) --------------------
// An activity is named by (?1 PVOB family, ?2 activity oid).
inline constexpr const char* kCsetEntryInsert =
    "INSERT INTO zem_cset_entries(hlink, act_family, act_oid, version, element, crde, checkout, "
    "stamp) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)";
// The entries of an activity (only checkouts when ?3 is 1), in the order added.
inline constexpr const char* kCsetEntriesOfAct =
    "SELECT hlink, version, element, crde, checkout, stamp FROM zem_cset_entries "
    "WHERE act_family = ?1 AND act_oid = ?2 AND (?3 = 0 OR checkout = 1) ORDER BY hlink";
inline constexpr const char* kCsetEntryOfActVersion =
    "SELECT hlink, checkout FROM zem_cset_entries "
    "WHERE act_family = ?1 AND act_oid = ?2 AND version = ?3";
inline constexpr const char* kCsetEntriesOfVersion =
    "SELECT hlink, act_family, act_oid, crde FROM zem_cset_entries WHERE version = ?1 "
    "ORDER BY hlink";
inline constexpr const char* kCsetEntryGet =
    "SELECT act_family, act_oid, crde FROM zem_cset_entries WHERE hlink = ?1";
inline constexpr const char* kCsetEntrySetCheckedIn =
    "UPDATE zem_cset_entries SET checkout = 0, stamp = ?2 WHERE hlink = ?1";
// Entry count and checkout count of an activity.
inline constexpr const char* kCsetEntryCounts =
    "SELECT count(*), coalesce(sum(checkout), 0) FROM zem_cset_entries "
    "WHERE act_family = ?1 AND act_oid = ?2";
// Hyperlinks of the entries of pair (activity, ?3 crde) stamped in (?4, ?5].
inline constexpr const char* kCsetInRange =
    "SELECT hlink FROM zem_cset_entries WHERE act_family = ?1 AND act_oid = ?2 AND crde = ?3 "
    "AND stamp > ?4 AND stamp <= ?5 ORDER BY stamp";
inline constexpr const char* kCsetCountAdvance =
    "INSERT INTO zem_cset_counts(act_family, act_oid, crde, count) VALUES (?1, ?2, ?3, 1) "
    "ON CONFLICT(act_family, act_oid, crde) DO UPDATE SET count = count + 1";
inline constexpr const char* kCsetCountGet =
    "SELECT count FROM zem_cset_counts WHERE act_family = ?1 AND act_oid = ?2 AND crde = ?3";
inline constexpr const char* kCsetCountsOfAct =
    "SELECT crde, count FROM zem_cset_counts WHERE act_family = ?1 AND act_oid = ?2 "
    "ORDER BY crde";

// ---- PVOB: activities ------------------------------------------------------------------
inline constexpr const char* kActVobTouch =
    "INSERT OR IGNORE INTO zem_activity_vobs(activity, family) VALUES (?1, ?2)";
inline constexpr const char* kActVobsOf =
    "SELECT family FROM zem_activity_vobs WHERE activity = ?1 ORDER BY rowid";
// ?2 task URIs of activity ?1 from position ?3, in order.
inline constexpr const char* kTasksOf =
    "SELECT uri FROM zem_activity_tasks WHERE activity = ?1 ORDER BY position LIMIT ?2 OFFSET ?3";
inline constexpr const char* kTasksClear = "DELETE FROM zem_activity_tasks WHERE activity = ?1";
// Appends URI ?2 to the tasks of ?1 unless it is there already.
inline constexpr const char* kTaskAppend =
    "INSERT OR IGNORE INTO zem_activity_tasks(activity, position, uri) "
    "SELECT ?1, coalesce(max(position), -1) + 1, ?2 FROM zem_activity_tasks WHERE activity = ?1";
inline constexpr const char* kTaskDelete =
    "DELETE FROM zem_activity_tasks WHERE activity = ?1 AND uri = ?2";
inline constexpr const char* kViewActivityGet =
    "SELECT activity, user FROM zem_view_activities WHERE view_uuid = ?1";
inline constexpr const char* kViewActivitySet =
    "INSERT OR REPLACE INTO zem_view_activities(view_uuid, activity, user) VALUES (?1, ?2, ?3)";
inline constexpr const char* kViewActivityDelete =
    "DELETE FROM zem_view_activities WHERE view_uuid = ?1";
inline constexpr const char* kViewsOfActivity =
    "SELECT view_uuid FROM zem_view_activities WHERE activity = ?1 ORDER BY view_uuid";
// Work records of user ?1 (for view ?2 unless it is NULL); ?3 rows from ?4.
inline constexpr const char* kWorkOfUser =
    "SELECT view_uuid, activity FROM zem_view_activities WHERE user = ?1 "
    "AND (?2 IS NULL OR view_uuid = ?2) ORDER BY view_uuid LIMIT ?3 OFFSET ?4";

}  // namespace sql
}  // namespace repo

#endif  // REPOSITORY_SQL_H
