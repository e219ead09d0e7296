// Objects of a VOB: identity, names, types, events, locks, mastership and
// process variables.
#include <cctype>
#include <cstring>

#include "repository/sql.h"
#include "repository/vob_internal.h"

namespace {

using repo::ObjectRow;
using repo::Query;
using repo::Store;

// Reads one object of `vob`.
int object(vob_vob_h vob, tbs_dbid_t dbid, ObjectRow& row, Store** store = nullptr) {
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  if (store != nullptr)
    *store = s;
  return repo::read_object(*s, dbid, row);
}

void read_event(const Query& q, vob_event_t& e) {
  e.id = static_cast<long>(q.int64(0));
  e.obj = static_cast<tbs_dbid_t>(q.int64(1));
  e.kind = q.integer(2);
  e.opcode = q.integer(3);
  e.time = static_cast<long>(q.int64(4));
  e.usec = static_cast<long>(q.int64(5));
  e.user = q.text(6);
  e.host = q.text(7);
  e.comment = q.text(8);
}

std::string join_commas(const std::vector<std::string>& items) {
  std::string out;
  for (const auto& i : items)
    out += (out.empty() ? "" : ",") + i;
  return out;
}

// Runs `change` on an existing object of `vob` inside one transaction.
template <typename Change>
int write_object(vob_vob_h vob, tbs_dbid_t dbid, Change change) {
  return repo::in_txn(vob, [&](Store& s) {
    ObjectRow row;
    int status = repo::read_object(s, dbid, row);
    return status != 0 ? status : change(s, row);
  });
}

}  // namespace

bool vob_mtype_is_type(vob_mtype_t mtype) {
  return (mtype >= VOB_MTYPE_ELEMENT_TYPE && mtype <= VOB_MTYPE_REPLICA_TYPE) ||
         mtype == VOB_MTYPE_LABEL_TYPE || mtype == VOB_MTYPE_ACTIVITY_TYPE ||
         mtype == VOB_MTYPE_CHECKPOINT_TYPE || mtype == VOB_MTYPE_VIEW_TYPE ||
         mtype == VOB_MTYPE_POOL_TYPE;
}

const char* vob_mtype_to_str(vob_mtype_t mtype) {
  switch (mtype) {
    case VOB_MTYPE_VOB:
      return "vob";
    case VOB_MTYPE_DIRECTORY_ELEMENT:
      return "directory element";
    case VOB_MTYPE_VERSION:
      return "version";
    case VOB_MTYPE_SYMLINK:
      return "symbolic link";
    case VOB_MTYPE_FILE_ELEMENT:
      return "file element";
    case VOB_MTYPE_DIRECTORY_VERSION:
      return "directory version";
    case VOB_MTYPE_POOL:
      return "pool";
    case VOB_MTYPE_FILE_VERSION:
      return "version";
    case VOB_MTYPE_HYPERLINK:
      return "hyperlink";
    case VOB_MTYPE_BRANCH:
      return "branch";
    case VOB_MTYPE_ELEMENT_TYPE:
      return "eltype";
    case VOB_MTYPE_BRANCH_TYPE:
      return "brtype";
    case VOB_MTYPE_ATTRIBUTE_TYPE:
      return "attype";
    case VOB_MTYPE_HYPERLINK_TYPE:
      return "hltype";
    case VOB_MTYPE_TRIGGER_TYPE:
      return "trtype";
    case VOB_MTYPE_REPLICA_TYPE:
      return "replica type";
    case VOB_MTYPE_LABEL_TYPE:
      return "lbtype";
    case VOB_MTYPE_USER:
      return "user";
    case VOB_MTYPE_REPLICA:
      return "replica";
    case VOB_MTYPE_ACTIVITY_TYPE:
      return "activity type";
    case VOB_MTYPE_ACTIVITY_LIKE:
      return "activity-like object";
    case VOB_MTYPE_CHECKPOINT_TYPE:
      return "checkpoint type";
    case VOB_MTYPE_CHECKPOINT:
      return "checkpoint";
    case VOB_MTYPE_COMPONENT:
      return "component";
    case VOB_MTYPE_FOLDER:
      return "folder";
    case VOB_MTYPE_PROJECT:
      return "project";
    case VOB_MTYPE_ACTIVITY:
      return "activity";
    case VOB_MTYPE_STREAM:
      return "stream";
    case VOB_MTYPE_TIMELINE:
      return "timeline";
    case VOB_MTYPE_BASELINE:
      return "baseline";
    case VOB_MTYPE_VIEW_TYPE:
      return "view type";
    case VOB_MTYPE_POOL_TYPE:
      return "pool type";
    default:
      return "object";
  }
}

namespace repo {

namespace {

constexpr size_t kMaxObjectNameBytes = 255;

}  // namespace

int check_object_name(const char* name) {
  if (name == nullptr || *name == '\0') {
    imsg_print(IMSG_ERROR, tbs_msg::NameMustNotEmpty);
    return TBS_ST_BAD_ARGUMENT;
  }
  size_t length = std::strlen(name);
  if (length > kMaxObjectNameBytes) {
    imsg_print(IMSG_ERROR, tbs_msg::NameLongerThanBytes, name,
               static_cast<int>(kMaxObjectNameBytes));
    return TBS_ST_BAD_ARGUMENT;
  }
  bool ok = name[0] != '-' && std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0;
  for (size_t i = 0; ok && i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    ok = c >= 0x80 || std::isalnum(c) != 0 || c == '-' || c == '_' || c == '.';
  }
  if (!ok) {
    imsg_print(IMSG_ERROR, tbs_msg::NameContainsCharactersNot, name);
    return TBS_ST_BAD_ARGUMENT;
  }
  return TBS_ST_OK;
}

}  // namespace repo

int vob_type_create(vob_vob_h vob, vob_mtype_t mtype, const char* name,
                    const vob_event_info_t* event, tbs_dbid_t* dbid) {
  if (!vob_mtype_is_type(mtype))
    return TBS_ST_BAD_ARGUMENT;
  int status = repo::check_object_name(name);
  if (status != 0)
    return status;
  repo::NewObject type;
  type.mtype = mtype;
  type.name = name;
  tbs_dbid_t made = 0;
  status = repo::in_txn(vob, [&](Store& s) -> int {
    int inserted = repo::insert_object(s, type, event, &made);
    if (inserted == TBS_ST_EXISTS)
      imsg_print(IMSG_ERROR, tbs_msg::VOBTagAlreadyExists, name);
    return inserted;
  });
  if (status == 0 && dbid != nullptr)
    *dbid = made;
  return status;
}

int cmd_utl_get_types(vob_vob_h vob, vob_mtype_t mtype, std::vector<tbs_dbid_t>& types) {
  if (!vob_mtype_is_type(mtype))
    return TBS_ST_BAD_ARGUMENT;
  vob_cursor_h cursor = nullptr;
  int status = vob_ob_cursor_open(vob, mtype, &cursor);
  if (status != 0)
    return status;
  types.clear();
  tbs_dbid_t dbid = 0;
  while ((status = vob_ob_cursor_next(cursor, &dbid)) == 0)
    types.push_back(dbid);
  vob_ob_cursor_close(cursor);
  return status == TBS_ST_NOT_FOUND ? TBS_ST_OK : status;
}

int vob_obj_exists(vob_vob_h vob, tbs_dbid_t dbid, int* exists) {
  ObjectRow row;
  int status = object(vob, dbid, row);
  if (status != 0 && status != TBS_ST_NOT_FOUND)
    return status;
  *exists = status == 0 ? 1 : 0;
  return TBS_ST_OK;
}

int vob_obj_get_mtype(vob_vob_h vob, tbs_dbid_t dbid, vob_mtype_t* mtype) {
  ObjectRow row;
  int status = object(vob, dbid, row);
  if (status == 0)
    *mtype = row.mtype;
  return status;
}

int vob_obj_get_type(vob_vob_h vob, tbs_dbid_t dbid, tbs_dbid_t* type) {
  ObjectRow row;
  int status = object(vob, dbid, row);
  if (status == 0)
    *type = row.type;
  return status;
}

int vob_obj_get_oid(vob_vob_h vob, tbs_dbid_t dbid, tbs_oid_t* oid) {
  ObjectRow row;
  int status = object(vob, dbid, row);
  if (status == 0)
    *oid = row.oid;
  return status;
}

int vob_obj_oid_to_dbid(vob_vob_h vob, const tbs_oid_t* oid, tbs_dbid_t* dbid) {
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  Query q = s->query(repo::sql::kObjectByOid);
  q.bind_blob(1, oid->bytes, 16);
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
  *dbid = static_cast<tbs_dbid_t>(q.int64(0));
  return TBS_ST_OK;
}

int vob_obj_get_fstat_db(vob_vob_h vob, tbs_dbid_t dbid, vob_fstat_t* fstat) {
  ObjectRow row;
  int status = object(vob, dbid, row);
  if (status != 0)
    return status;
  fstat->owner = row.owner;
  fstat->created = row.created;
  fstat->modified = row.modified;
  return TBS_ST_OK;
}

int vob_obj_get_name(vob_vob_h vob, tbs_dbid_t dbid, char* buf, size_t size) {
  ObjectRow row;
  int status = object(vob, dbid, row);
  if (status != 0)
    return status;
  if (!row.has_name)
    return TBS_ST_NOT_FOUND;
  repo::copy_out(row.name, buf, size);
  return TBS_ST_OK;
}

int vob_obj_set_name(vob_vob_h vob, tbs_dbid_t dbid, const char* name,
                     const vob_event_info_t* event) {
  if (int status = repo::check_object_name(name))
    return status;
  return write_object(vob, dbid, [&](Store& s, const ObjectRow& row) {
    int status = repo::check_not_locked(vob, s, dbid);
    if (status != 0)
      return status;
    status =
        s.query(repo::sql::kObjectSetName).bind(1, static_cast<int64_t>(dbid)).bind(2, name).run();
    if (status == TBS_ST_EXISTS)
      imsg_print(IMSG_ERROR, tbs_msg::VOBTagAlreadyExists, name);
    (void)row;
    return status != 0 ? status : repo::record_event(s, dbid, VOB_EVENT_RENAME, event);
  });
}

int vob_obj_resolve(vob_vob_h vob, const char* name, vob_mtype_t mtype, tbs_dbid_t* dbid) {
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  Query q = s->query(repo::sql::kObjectByName);
  q.bind(1, mtype).bind(2, name);
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
  *dbid = static_cast<tbs_dbid_t>(q.int64(0));
  return TBS_ST_OK;
}

int vob_obj_is_dir(vob_vob_h vob, tbs_dbid_t dbid, int* is_dir) {
  ObjectRow row;
  int status = object(vob, dbid, row);
  if (status == 0)
    *is_dir = row.mtype == VOB_MTYPE_DIRECTORY_ELEMENT || row.mtype == VOB_MTYPE_DIRECTORY_VERSION;
  return status;
}

int vob_obj_get_events(vob_vob_h vob, tbs_dbid_t dbid, std::vector<vob_event_t>& events) {
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  events.clear();
  Query q = s->query(repo::sql::kEventsOf);
  q.bind(1, static_cast<int64_t>(dbid));
  while (q.next()) {
    vob_event_t e;
    read_event(q, e);
    events.push_back(e);
  }
  return q.status();
}

int vob_event_get_latest(vob_vob_h vob, tbs_dbid_t dbid, int kind, vob_event_t* event) {
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  Query q = s->query(repo::sql::kEventLatest);
  q.bind(1, static_cast<int64_t>(dbid)).bind(2, kind);
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
  read_event(q, *event);
  return TBS_ST_OK;
}

int vob_event_change_comment(vob_vob_h vob, long event_id, const char* comment,
                             const char* reason) {
  return repo::in_txn(vob, [&](Store& s) -> int {
    vob_event_t e;
    {
      Query q = s.query(repo::sql::kEventGet);
      q.bind(1, static_cast<int64_t>(event_id));
      if (!q.next())
        return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
      read_event(q, e);
    }
    int status = s.query(repo::sql::kEventSetComment)
                     .bind(1, static_cast<int64_t>(event_id))
                     .bind(2, comment != nullptr ? comment : "")
                     .run();
    vob_event_info_t modify;
    modify.comment = reason;
    if (status == 0)
      status = repo::record_event(s, e.obj, VOB_EVENT_MODIFY, &modify);
    return status;
  });
}

int vob_obj_lock(vob_vob_h vob, tbs_dbid_t dbid, int obsolete,
                 const std::vector<std::string>& exempt, const vob_event_info_t* event) {
  return write_object(vob, dbid, [&](Store& s, const ObjectRow&) {
    int status = repo::check_owner_or_privileged(vob, s, dbid);
    if (status != 0)
      return status;
    status = s.query(repo::sql::kLockSet)
                 .bind(1, static_cast<int64_t>(dbid))
                 .bind(2, obsolete != 0 ? 1 : 0)
                 .bind(3, join_commas(exempt))
                 .bind(4, repo::current_user())
                 .bind(5, static_cast<int64_t>(time(nullptr)))
                 .bind(6, event != nullptr && event->comment != nullptr ? event->comment : "")
                 .run();
    return status != 0 ? status : repo::record_event(s, dbid, VOB_EVENT_LOCK, event);
  });
}

int vob_obj_unlock(vob_vob_h vob, tbs_dbid_t dbid, const vob_event_info_t* event) {
  return write_object(vob, dbid, [&](Store& s, const ObjectRow&) {
    int status = repo::check_owner_or_privileged(vob, s, dbid);
    if (status != 0)
      return status;
    status = s.query(repo::sql::kLockDelete).bind(1, static_cast<int64_t>(dbid)).run();
    if (status == 0 && s.changes() == 0)
      status = TBS_ST_NOT_FOUND;
    return status != 0 ? status : repo::record_event(s, dbid, VOB_EVENT_UNLOCK, event);
  });
}

int vob_obj_check_change(vob_vob_h vob, tbs_dbid_t dbid) {
  return repo::with_store(vob, [&](Store& s) { return repo::check_may_change(vob, s, dbid); });
}

int vob_obj_check_admin(vob_vob_h vob, tbs_dbid_t dbid) {
  return repo::with_store(vob, [&](Store& s) {
    int status = repo::check_owner_or_privileged(vob, s, dbid);
    return status != 0 ? status : repo::check_not_locked(vob, s, dbid);
  });
}

int vob_obj_get_master(vob_vob_h vob, tbs_dbid_t dbid, tbs_dbid_t* replica) {
  ObjectRow row;
  int status = object(vob, dbid, row);
  if (status == 0)
    *replica = row.master;
  return status;
}

int vob_obj_set_master_int(vob_vob_h vob, tbs_dbid_t dbid, tbs_dbid_t replica,
                           const vob_event_info_t* event) {
  return write_object(vob, dbid, [&](Store& s, const ObjectRow& row) {
    ObjectRow target;
    int status = repo::read_object(s, replica, target);
    if (status == 0 && target.mtype != VOB_MTYPE_REPLICA)
      status = TBS_ST_BAD_ARGUMENT;
    tbs_dbid_t here = 0;
    if (status == 0)
      status = repo::local_replica(s, &here);
    if (status == 0 && row.master != here) {
      char name[1024];
      char master[256] = "?";
      vob_obj_get_selector(vob, dbid, name, sizeof name);
      vob_obj_get_name(vob, row.master, master, sizeof master);
      imsg_print(IMSG_ERROR, tbs_msg::ObjectMasteredReplica, name, master);
      status = TBS_ST_ERROR;
    }
    if (status == 0)
      status = repo::check_not_locked(vob, s, dbid);
    if (status == 0)
      status = s.query(repo::sql::kObjectSetMaster)
                   .bind(1, static_cast<int64_t>(dbid))
                   .bind(2, static_cast<int64_t>(replica))
                   .run();
    return status != 0 ? status : repo::record_event(s, dbid, VOB_EVENT_CHMASTER, event);
  });
}

int vob_obj_has_local_mastership(vob_vob_h vob, tbs_dbid_t dbid, int* local) {
  Store* s = nullptr;
  ObjectRow row;
  int status = object(vob, dbid, row, &s);
  tbs_dbid_t here = 0;
  if (status == 0)
    status = repo::local_replica(*s, &here);
  if (status == 0)
    *local = row.master == here ? 1 : 0;
  return status;
}

int cmd_utl_rename_zem_obj(vob_vob_h vob, tbs_dbid_t dbid, vob_mtype_t, vob_objsel_kind_t,
                           const char*, const char*, int* done) {
  // Names of ZEM objects are stored once, on the object; no other record
  // holds them, so the caller's own rename is complete.
  int exists = 0;
  int status = vob_obj_exists(vob, dbid, &exists);
  if (status != 0)
    return status;
  if (!exists)
    return TBS_ST_NOT_FOUND;
  *done = 0;
  return TBS_ST_OK;
}
