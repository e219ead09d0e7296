// Labels and version maps.
//
// A label type labels at most one version per element (the labels table's
// key). A version map is a label type with a row in the vermaps table: a
// full map holds its whole configuration as labels; an incremental one holds
// only its own versions and resolves every other element through the maps
// it is based on, newest first. Every call that reads a label type as a
// configuration (lookups, listings, copies, exports) resolves it this way,
// so a plain label type and a full map read alike.
#include <map>
#include <set>

#include "repository/sql.h"
#include "repository/vob_elem_internal.h"

namespace {

using repo::dbid_at;
using repo::id;
using repo::ObjectRow;
using repo::Query;
using repo::Store;
using repo::VersionRow;
namespace elem_msg = repo::elem_msg;
namespace sql = repo::sql;

// Versions by element.
using Config = std::map<tbs_dbid_t, tbs_dbid_t>;

// Whether `lbtype` is a version map: `map` 1 incremental, 0 full, -1 not a map.
int map_kind(Store& s, tbs_dbid_t lbtype, int* map) {
  Query q = s.query(sql::kVermapGet);
  q.bind(1, id(lbtype));
  *map = q.next() ? q.integer(0) : -1;
  return q.status();
}

int bases_of(Store& s, tbs_dbid_t vermap, std::vector<tbs_dbid_t>& bases) {
  bases.clear();
  Query q = s.query(sql::kVermapBases);
  q.bind(1, id(vermap));
  while (q.next())
    bases.push_back(dbid_at(q, 0));
  return q.status();
}

// The version of `element` in the configuration of `lbtype`: its own label,
// else (for an incremental map) the first base that resolves it. 0 when none.
int lookup(Store& s, tbs_dbid_t lbtype, tbs_dbid_t element, std::set<tbs_dbid_t>& seen,
           tbs_dbid_t* version) {
  *version = 0;
  if (!seen.insert(lbtype).second)
    return TBS_ST_OK;
  {
    Query q = s.query(sql::kLabelGet);
    q.bind(1, id(lbtype)).bind(2, id(element));
    if (q.next()) {
      *version = dbid_at(q, 0);
      return TBS_ST_OK;
    }
    if (q.status() != 0)
      return q.status();
  }
  std::vector<tbs_dbid_t> bases;
  int status = bases_of(s, lbtype, bases);
  for (size_t i = 0; status == 0 && *version == 0 && i < bases.size(); ++i)
    status = lookup(s, bases[i], element, seen, version);
  return status;
}

// Adds the configuration of `lbtype` to `config`, keeping entries already
// there: own labels first, then each base in order, as lookup() resolves.
int collect(Store& s, tbs_dbid_t lbtype, std::set<tbs_dbid_t>& seen, Config& config) {
  if (!seen.insert(lbtype).second)
    return TBS_ST_OK;
  {
    Query q = s.query(sql::kLabelsOf);
    q.bind(1, id(lbtype));
    while (q.next())
      config.emplace(dbid_at(q, 0), dbid_at(q, 1));
    if (q.status() != 0)
      return q.status();
  }
  std::vector<tbs_dbid_t> bases;
  int status = bases_of(s, lbtype, bases);
  for (size_t i = 0; status == 0 && i < bases.size(); ++i)
    status = collect(s, bases[i], seen, config);
  return status;
}

int configuration(Store& s, tbs_dbid_t lbtype, Config& config) {
  std::set<tbs_dbid_t> seen;
  config.clear();
  return collect(s, lbtype, seen, config);
}

int write_labels(Store& s, tbs_dbid_t lbtype, const Config& config) {
  for (const auto& [element, version] : config) {
    int status =
        s.query(sql::kLabelSet).bind(1, id(lbtype)).bind(2, id(element)).bind(3, id(version)).run();
    if (status != 0)
      return status;
  }
  return TBS_ST_OK;
}

// The versions to label, by element: each checked in, one per element.
int check_versions(vob_vob_h vob, Store& s, const std::vector<tbs_dbid_t>& versions,
                   Config& config) {
  config.clear();
  for (tbs_dbid_t version : versions) {
    VersionRow row;
    int status = repo::need_version(vob, s, version, row);
    if (status != 0)
      return status;
    if (row.checked_out()) {
      std::string name;
      repo::version_name(s, row, name);
      imsg_print(IMSG_ERROR, tbs_msg::VersionElementVOBChecked, name.c_str(), row.element,
                 vob->tag.c_str());
      return TBS_ST_ERROR;
    }
    if (!config.emplace(row.element, version).second && config[row.element] != version) {
      imsg_print(IMSG_ERROR, tbs_msg::TwoVersionsElementVOB, row.element, vob->tag.c_str());
      return TBS_ST_BAD_ARGUMENT;
    }
  }
  return TBS_ST_OK;
}

// 1001 (after a message) unless this replica masters the label type.
int check_master(Store& s, const ObjectRow& lbtype) {
  tbs_dbid_t here = 0;
  int status = repo::local_replica(s, &here);
  if (status != 0 || lbtype.master == here)
    return status;
  ObjectRow master;
  std::string master_name = repo::read_object(s, lbtype.master, master) == 0 ? master.name : "?";
  imsg_print(IMSG_ERROR, tbs_msg::LabelTypeMasteredReplica, lbtype.name.c_str(),
             master_name.c_str());
  return TBS_ST_ERROR;
}

// A label type this call may change: existing, unlocked, mastered here.
int need_writable(vob_vob_h vob, Store& s, tbs_dbid_t lbtype, ObjectRow& row) {
  int status = repo::need_type(vob, s, lbtype, VOB_MTYPE_LABEL_TYPE, row);
  if (status == 0)
    status = repo::check_not_locked(vob, s, lbtype);
  return status != 0 ? status : check_master(s, row);
}

// A version map: 1002 (after a message) for anything else; `kind` as map_kind().
int need_vermap(vob_vob_h vob, Store& s, tbs_dbid_t vermap, int* kind) {
  ObjectRow row;
  int status = repo::need_type(vob, s, vermap, VOB_MTYPE_LABEL_TYPE, row);
  if (status == 0)
    status = map_kind(s, vermap, kind);
  if (status == 0 && *kind < 0) {
    imsg_print(IMSG_ERROR, tbs_msg::ObjectNotA, vermap, vob->tag.c_str(), "version map");
    status = TBS_ST_NOT_FOUND;
  }
  return status;
}

// Makes the label type `name` as a version map holding `config`.
int make_map(vob_vob_h vob, Store& s, const char* name, int incremental,
             const std::vector<tbs_dbid_t>& bases, const Config& config,
             const vob_event_info_t* event, tbs_dbid_t* vermap) {
  tbs_dbid_t vob_object = 0;
  int status = repo::well_known(s, VOB_WK_VOB_OBJECT, &vob_object);
  if (status == 0)
    status = repo::check_not_locked(vob, s, vob_object);
  repo::NewObject type;
  type.mtype = VOB_MTYPE_LABEL_TYPE;
  type.name = name;
  tbs_dbid_t made = 0;
  if (status == 0)
    status = repo::insert_object(s, type, event, &made);
  if (status == TBS_ST_EXISTS)
    imsg_print(IMSG_ERROR, tbs_msg::NamedAlreadyExists, "label type", name);
  if (status == 0)
    status = s.query(sql::kVermapInsert).bind(1, id(made)).bind(2, incremental).run();
  for (size_t i = 0; status == 0 && i < bases.size(); ++i)
    status = s.query(sql::kVermapBaseInsert)
                 .bind(1, id(made))
                 .bind(2, static_cast<int64_t>(i))
                 .bind(3, id(bases[i]))
                 .run();
  if (status == 0)
    status = write_labels(s, made, config);
  if (status == 0)
    *vermap = made;
  return status;
}

}  // namespace

// ---- labels ----------------------------------------------------------------------------

int vob_lbtype_check_modmaster(vob_vob_h vob, tbs_dbid_t lbtype) {
  return repo::with_store(vob, [&](Store& s) -> int {
    ObjectRow row;
    int status = repo::read_type(s, lbtype, VOB_MTYPE_LABEL_TYPE, row);
    return status != 0 ? status : check_master(s, row);
  });
}

int vob_ver_add_labels(vob_vob_h vob, tbs_dbid_t lbtype, const std::vector<tbs_dbid_t>& versions,
                       const vob_event_info_t* event) {
  return repo::in_txn(vob, [&](Store& s) -> int {
    ObjectRow row;
    Config config;
    int status = need_writable(vob, s, lbtype, row);
    if (status == 0)
      status = check_versions(vob, s, versions, config);
    if (status == 0)
      status = write_labels(s, lbtype, config);
    // Each labelled version's history shows the label.
    for (auto it = config.begin(); status == 0 && it != config.end(); ++it)
      status =
          repo::record_action(s, it->second, VOB_EVENT_MODIFY, event, VOB_HIST_LABEL, row.name);
    return status != 0 ? status : repo::record_event(s, lbtype, VOB_EVENT_MODIFY, event);
  });
}

int vob_lbtype_lookup_version(vob_vob_h vob, tbs_dbid_t lbtype, tbs_dbid_t element,
                              tbs_dbid_t* version) {
  return repo::with_store(vob, [&](Store& s) -> int {
    ObjectRow row;
    std::set<tbs_dbid_t> seen;
    tbs_dbid_t found = 0;
    int status = repo::read_type(s, lbtype, VOB_MTYPE_LABEL_TYPE, row);
    if (status == 0)
      status = lookup(s, lbtype, element, seen, &found);
    if (status == 0 && found == 0)
      status = TBS_ST_NOT_FOUND;
    if (status == 0)
      *version = found;
    return status;
  });
}

int vob_lbtype_get_versions(vob_vob_h vob, tbs_dbid_t lbtype, std::vector<tbs_dbid_t>& versions) {
  return repo::with_store(vob, [&](Store& s) -> int {
    ObjectRow row;
    Config config;
    int status = repo::read_type(s, lbtype, VOB_MTYPE_LABEL_TYPE, row);
    if (status == 0)
      status = configuration(s, lbtype, config);
    if (status != 0)
      return status;
    versions.clear();
    for (const auto& entry : config)
      versions.push_back(entry.second);
    return TBS_ST_OK;
  });
}

// ---- version maps -------------------------------------------------------------------------

int vob_vermap_create(vob_vob_h vob, const char* name, const std::vector<tbs_dbid_t>& versions,
                      const vob_vermap_info_t& info, const vob_event_info_t* event,
                      tbs_dbid_t* vermap) {
  int status = repo::check_object_name(name);
  if (status != 0)
    return status;
  if (!info.incremental && !info.based_on.empty()) {
    imsg_print(IMSG_ERROR, tbs_msg::FullVersionMapHolds);
    return TBS_ST_BAD_ARGUMENT;
  }
  tbs_dbid_t made = 0;
  status = repo::in_txn(vob, [&](Store& s) -> int {
    for (tbs_dbid_t base : info.based_on) {
      ObjectRow row;
      int kind = -1;
      int st = repo::read_type(s, base, VOB_MTYPE_LABEL_TYPE, row);
      if (st == 0)
        st = map_kind(s, base, &kind);
      if (st == TBS_ST_NOT_FOUND || (st == 0 && kind < 0)) {
        std::string text = st == 0 ? row.name : std::to_string(base);
        imsg_print(IMSG_ERROR, tbs_msg::VOBNotVersionMap, text.c_str(), vob->tag.c_str());
        st = TBS_ST_BAD_ARGUMENT;
      }
      if (st != 0)
        return st;
    }
    Config config;
    int st = check_versions(vob, s, versions, config);
    return st != 0 ? st
                   : make_map(vob, s, name, info.incremental ? 1 : 0, info.based_on, config, event,
                              &made);
  });
  if (status == 0 && vermap != nullptr)
    *vermap = made;
  return status;
}

int vob_vermap_get_info(vob_vob_h vob, tbs_dbid_t vermap, vob_vermap_info_t* info) {
  if (info == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return repo::with_store(vob, [&](Store& s) -> int {
    int kind = -1;
    std::vector<tbs_dbid_t> bases;
    int status = map_kind(s, vermap, &kind);
    if (status == 0 && kind < 0)
      status = TBS_ST_NOT_FOUND;
    if (status == 0)
      status = bases_of(s, vermap, bases);
    if (status != 0)
      return status;
    info->incremental = kind;
    info->based_on = bases;
    return TBS_ST_OK;
  });
}

int vob_vermap_promote(vob_vob_h vob, tbs_dbid_t vermap, const vob_event_info_t* event) {
  return repo::in_txn(vob, [&](Store& s) -> int {
    int kind = -1;
    ObjectRow row;
    Config config;
    int status = need_vermap(vob, s, vermap, &kind);
    if (status != 0 || kind == 0)
      return status;  // a full map already holds its configuration
    status = need_writable(vob, s, vermap, row);
    if (status == 0)
      status = configuration(s, vermap, config);
    if (status == 0)
      status = write_labels(s, vermap, config);
    if (status == 0)
      status = s.query(sql::kVermapSetFull).bind(1, id(vermap)).run();
    if (status == 0)
      status = s.query(sql::kVermapBasesDelete).bind(1, id(vermap)).run();
    return status != 0 ? status : repo::record_event(s, vermap, VOB_EVENT_MODIFY, event);
  });
}

int vob_vermap_lookup_version(vob_vob_h vob, tbs_dbid_t vermap, tbs_dbid_t element,
                              tbs_dbid_t* version) {
  return vob_lbtype_lookup_version(vob, vermap, element, version);
}

int vob_vermap_import_lbtype(vob_vob_h vob, tbs_dbid_t lbtype, const vob_event_info_t* event) {
  return repo::in_txn(vob, [&](Store& s) -> int {
    ObjectRow row;
    int kind = -1;
    int status = need_writable(vob, s, lbtype, row);
    if (status == 0)
      status = map_kind(s, lbtype, &kind);
    if (status != 0 || kind == 0)
      return status;  // already a full map
    if (kind > 0) {
      imsg_print(IMSG_ERROR, tbs_msg::LabelTypeAlreadyIncremental, row.name.c_str());
      return static_cast<int>(TBS_ST_ERROR);
    }
    status = s.query(sql::kVermapInsert).bind(1, id(lbtype)).bind(2, int64_t{0}).run();
    return status != 0 ? status : repo::record_event(s, lbtype, VOB_EVENT_MODIFY, event);
  });
}

int vob_vermap_import_lbtype_copy(vob_vob_h vob, tbs_dbid_t lbtype, const char* name,
                                  const vob_event_info_t* event, tbs_dbid_t* vermap) {
  int status = repo::check_object_name(name);
  if (status != 0)
    return status;
  tbs_dbid_t made = 0;
  status = repo::in_txn(vob, [&](Store& s) -> int {
    ObjectRow row;
    Config config;
    int st = repo::need_type(vob, s, lbtype, VOB_MTYPE_LABEL_TYPE, row);
    if (st == 0)
      st = configuration(s, lbtype, config);
    return st != 0 ? st : make_map(vob, s, name, 0, {}, config, event, &made);
  });
  if (status == 0 && vermap != nullptr)
    *vermap = made;
  return status;
}

int vob_vermap_export_lbtype(vob_vob_h vob, tbs_dbid_t vermap, tbs_dbid_t lbtype,
                             const vob_event_info_t* event) {
  return repo::in_txn(vob, [&](Store& s) -> int {
    int kind = -1;
    ObjectRow row;
    Config config;
    int status = need_vermap(vob, s, vermap, &kind);
    if (status == 0)
      status = need_writable(vob, s, lbtype, row);
    if (status == 0)
      status = configuration(s, vermap, config);
    if (status == 0)
      status = write_labels(s, lbtype, config);
    // Exported onto itself, the map becomes an ordinary label type holding
    // its configuration.
    if (status == 0 && lbtype == vermap)
      status = s.query(sql::kVermapDelete).bind(1, id(vermap)).run();
    return status != 0 ? status : repo::record_event(s, lbtype, VOB_EVENT_MODIFY, event);
  });
}
