// VOB handles, and the building blocks of writing calls: objects, events,
// locks, permission.
#include <sys/time.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <memory>
#include <sstream>

#include "repository/registry.h"
#include "repository/sql.h"
#include "repository/vob_internal.h"
#include "services/sysutl.h"

namespace repo {

namespace {

// Handles by replica UUID; never freed, so handles compare by pointer.
std::map<std::string, std::unique_ptr<vob_vob_t>>& interned() {
  static std::map<std::string, std::unique_ptr<vob_vob_t>> handles;
  return handles;
}

std::string key_of(const tbs_uuid_t& uuid) {
  return std::string(reinterpret_cast<const char*>(uuid.bytes), 16);
}

std::vector<std::string> split_commas(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ','))
    if (!item.empty())
      out.push_back(item);
  return out;
}

// Whether `lock` (a row of the locks table, read into vob_lock_t) applies to `user`.
bool lock_applies(const vob_lock_t& lock, const std::string& user) {
  for (const auto& e : lock.exempt)
    if (e == user)
      return false;
  return true;
}

int read_lock(Store& store, tbs_dbid_t obj, vob_lock_t& lock) {
  Query q = store.query(sql::kLockGet);
  q.bind(1, static_cast<int64_t>(obj));
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
  lock.obsolete = q.integer(0);
  lock.exempt = split_commas(q.text(1));
  lock.locked_by = q.text(2);
  lock.time = static_cast<long>(q.int64(3));
  lock.comment = q.text(4);
  return TBS_ST_OK;
}

}  // namespace

vob_vob_h intern_vob(const rgy_vob_entry& entry) {
  auto& handles = interned();
  auto& slot = handles[key_of(entry.replica_uuid)];
  if (slot == nullptr)
    slot = std::make_unique<vob_vob_t>();
  vob_vob_t& v = *slot;
  if (v.storage_path != entry.storage_path)
    v.store.reset();
  v.tag = entry.tag;
  v.storage_path = entry.storage_path;
  v.family = entry.family_uuid;
  v.replica = entry.replica_uuid;
  v.kind = entry.kind;
  return slot.get();
}

void close_vob(vob_vob_h vob) {
  if (vob == nullptr)
    return;
  vob->store.reset();
  vob->storage_path.clear();
}

int vob_store(vob_vob_h vob, Store*& store) {
  if (vob == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  if (vob->store == nullptr) {
    if (vob->storage_path.empty())
      return TBS_ST_NOT_FOUND;
    int status = Store::open(vob->storage_path + "/" + kVobDbName, kVobSchema, false, vob->store);
    if (status == TBS_ST_NOT_FOUND)
      imsg_print(IMSG_ERROR, tbs_msg::StorageDirectoryNotVOB, vob->storage_path.c_str());
    if (status != 0)
      return status;
  }
  store = vob->store.get();
  return TBS_ST_OK;
}

int vob_generation(vob_vob_h vob, int64_t& generation) {
  Store* store = nullptr;
  int status = vob_store(vob, store);
  return status != 0 ? status : store->generation(generation);
}

int vob_of_family(const tbs_uuid_t& family, vob_vob_h* vob) {
  rgy_vob_entry entry;
  int status = rgy_lookup_vob_family(&family, &entry);
  if (status != 0)
    return status;
  *vob = intern_vob(entry);
  return TBS_ST_OK;
}

std::string current_user() {
  char name[256];
  return sysutl_myloginname(name, sizeof name) == 0 ? name : "unknown";
}

std::string current_host() {
  static const std::string host = sysutl_hostname();
  return host;
}

int read_object(Store& store, tbs_dbid_t dbid, ObjectRow& row) {
  Query q = store.query(sql::kObjectGet);
  q.bind(1, static_cast<int64_t>(dbid));
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
  row.dbid = dbid;
  std::string oid = q.blob(0);
  std::memcpy(row.oid.bytes, oid.data(), oid.size() == 16 ? 16 : 0);
  row.mtype = q.integer(1);
  row.type = static_cast<tbs_dbid_t>(q.int64(2));
  row.has_name = !q.is_null(3);
  row.name = q.text(3);
  row.owner = q.text(4);
  row.master = static_cast<tbs_dbid_t>(q.int64(5));
  row.created = static_cast<long>(q.int64(6));
  row.modified = static_cast<long>(q.int64(7));
  return TBS_ST_OK;
}

int local_replica(Store& store, tbs_dbid_t* replica) {
  Query info = store.query(sql::kVobInfoGet);
  info.bind(1, "replica_uuid");
  if (!info.next())
    return info.status() != 0 ? info.status() : TBS_ST_INTERNAL;
  tbs_uuid_t uuid;
  int status = tbs_str_to_uuid(info.text(0).c_str(), &uuid);
  if (status != 0)
    return TBS_ST_INTERNAL;
  Query q = store.query(sql::kReplicaByUuid);
  q.bind_blob(1, uuid.bytes, 16);
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
  *replica = static_cast<tbs_dbid_t>(q.int64(0));
  return TBS_ST_OK;
}

int well_known(Store& store, vob_wkobj_t wk, tbs_dbid_t* dbid) {
  Query q = store.query(sql::kWellKnownGet);
  q.bind(1, wk);
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
  *dbid = static_cast<tbs_dbid_t>(q.int64(0));
  return TBS_ST_OK;
}

int record_event(Store& store, tbs_dbid_t obj, int kind, const vob_event_info_t* event) {
  struct timeval now;
  gettimeofday(&now, nullptr);
  Query q = store.query(sql::kEventInsert);
  q.bind(1, static_cast<int64_t>(obj))
      .bind(2, kind)
      .bind(3, event != nullptr ? event->opcode : 0)
      .bind(4, static_cast<int64_t>(now.tv_sec))
      .bind(5, static_cast<int64_t>(now.tv_usec))
      .bind(6, current_user())
      .bind(7, current_host())
      .bind(8, event != nullptr && event->comment != nullptr ? event->comment : "");
  int status = q.run();
  if (status != 0)
    return status;
  return store.query(sql::kObjectTouch)
      .bind(1, static_cast<int64_t>(obj))
      .bind(2, static_cast<int64_t>(now.tv_sec))
      .run();
}

int insert_object(Store& store, const NewObject& object, const vob_event_info_t* event,
                  tbs_dbid_t* dbid) {
  tbs_oid_t oid;
  if (object.oid != nullptr) {
    oid = *object.oid;
  } else {
    tbs_uuid_t fresh;
    tbs_uuid_generate(&fresh);
    tbs_uuid_to_oid(&fresh, &oid);
  }
  tbs_dbid_t master = object.master;
  if (master == 0) {
    int status = local_replica(store, &master);
    if (status != 0 && status != TBS_ST_NOT_FOUND)
      return status;
  }
  Query q = store.query(sql::kObjectInsert);
  q.bind_blob(1, oid.bytes, 16)
      .bind(2, object.mtype)
      .bind(3, static_cast<int64_t>(object.type))
      .bind(4, object.name)
      .bind(5, current_user())
      .bind(6, static_cast<int64_t>(master))
      .bind(7, static_cast<int64_t>(time(nullptr)));
  int status = q.run();
  if (status != 0)
    return status;
  tbs_dbid_t created = static_cast<tbs_dbid_t>(store.last_insert_id());
  status = record_event(store, created, VOB_EVENT_CREATE, event);
  if (status != 0)
    return status;
  *dbid = created;
  return TBS_ST_OK;
}

int check_not_locked(vob_vob_h vob, Store& store, tbs_dbid_t obj) {
  KORVANE_ASSERT(vob != nullptr);  // `store` is this VOB's: the handle is live
  tbs_dbid_t vob_object = 0;
  int status = well_known(store, VOB_WK_VOB_OBJECT, &vob_object);
  if (status != 0)
    return status;
  std::string user = current_user();
  for (tbs_dbid_t candidate : {obj, vob_object}) {
    vob_lock_t lock;
    status = read_lock(store, candidate, lock);
    if (status == TBS_ST_NOT_FOUND)
      continue;
    if (status != 0)
      return status;
    if (!lock_applies(lock, user))
      continue;
    char name[1024];
    vob_obj_get_selector(vob, candidate, name, sizeof name);
    imsg_print_chosen(IMSG_ERROR, lock.obsolete ? tbs_msg::ObjectObsolete : tbs_msg::ObjectLocked,
                      name);
    return TBS_ST_LOCKED;
  }
  return TBS_ST_OK;
}

int change_right(Store& store, tbs_dbid_t obj, ChangeRight& right) {
  right = ChangeRight();
  right.user = current_user();
  tbs_dbid_t vob_object = 0;
  int status = well_known(store, VOB_WK_VOB_OBJECT, &vob_object);
  ObjectRow row;
  if (status == 0)
    status = read_object(store, obj, row);
  if (status != 0)
    return status;
  right.owner = row.owner;
  if (obj != vob_object) {
    status = read_object(store, vob_object, row);
    if (status != 0)
      return status;
  }
  right.vob_owner = row.owner;
  right.allowed = right.user == right.owner || right.user == right.vob_owner;
  if (right.allowed)
    return TBS_ST_OK;
  int privileged = 0;
  status = rgy_is_privileged_user(right.user.c_str(), &privileged);
  right.allowed = status == 0 && privileged != 0;
  return status;
}

int check_owner_or_privileged(vob_vob_h vob, Store& store, tbs_dbid_t obj) {
  KORVANE_ASSERT(vob != nullptr);  // `store` is this VOB's: the handle is live
  ChangeRight right;
  int status = change_right(store, obj, right);
  if (status != 0 || right.allowed)
    return status;
  std::string named = kind_and_name(vob, obj);
  imsg_print(IMSG_ERROR, tbs_msg::NoPermissionChangeUser, named.c_str(), right.user.c_str(),
             right.owner.c_str(), vob->tag.c_str(), right.vob_owner.c_str());
  return TBS_ST_NO_PERMISSION;
}

int check_mastered_here(vob_vob_h vob, Store& store, tbs_dbid_t obj) {
  KORVANE_ASSERT(vob != nullptr);  // `store` is this VOB's: the handle is live
  ObjectRow row;
  tbs_dbid_t here = 0;
  int status = read_object(store, obj, row);
  if (status == 0)
    status = local_replica(store, &here);
  if (status == TBS_ST_NOT_FOUND && row.master == 0)
    return TBS_ST_OK;  // a VOB without replica records masters everything itself
  if (status != 0 || row.master == here)
    return status;
  ObjectRow master;
  if (read_object(store, row.master, master) != 0)
    master.name = "?";
  char selector[1024] = "";
  vob_obj_get_selector(vob, obj, selector, sizeof selector);
  imsg_print(IMSG_ERROR, tbs_msg::ObjectMasteredReplica, selector, master.name.c_str());
  return TBS_ST_ERROR;
}

int check_may_change(vob_vob_h vob, Store& store, tbs_dbid_t obj) {
  int status = check_owner_or_privileged(vob, store, obj);
  if (status == 0)
    status = check_not_locked(vob, store, obj);
  return status != 0 ? status : check_mastered_here(vob, store, obj);
}

std::string kind_and_name(vob_vob_h vob, tbs_dbid_t obj) {
  char selector[1024] = "";
  if (vob_obj_get_selector(vob, obj, selector, sizeof selector) != 0)
    return "object " + std::to_string(obj);
  std::string text = selector;
  size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0)
    return "\"" + text + "\"";
  return text.substr(0, colon) + " \"" + text.substr(colon + 1) + "\"";
}

int read_page(Query& q, int at, size_t offset, size_t max, std::vector<tbs_dbid_t>& out) {
  std::vector<tbs_dbid_t> found;
  if (max > 0) {
    q.bind(at, static_cast<int64_t>(max)).bind(at + 1, static_cast<int64_t>(offset));
    while (q.next())
      found.push_back(dbid_at(q, 0));
    if (q.status() != 0)
      return q.status();
  }
  out.swap(found);
  return TBS_ST_OK;
}

void copy_out(const std::string& text, char* buf, size_t size) {
  if (buf == nullptr || size == 0)
    return;
  size_t n = text.size() < size ? text.size() : size - 1;
  std::memcpy(buf, text.data(), n);
  buf[n] = '\0';
}

tbs_uuid_t uuid_of(const std::string& blob) {
  tbs_uuid_t u{};
  if (blob.size() == sizeof u.bytes)
    std::memcpy(u.bytes, blob.data(), sizeof u.bytes);
  return u;
}

tbs_oid_t oid_of(const std::string& blob) {
  tbs_oid_t o{};
  if (blob.size() == sizeof o.bytes)
    std::memcpy(o.bytes, blob.data(), sizeof o.bytes);
  return o;
}

}  // namespace repo

int vob_utl_lock_excludes_user(const vob_lock_t* lock, const char* user) {
  if (lock == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  std::string who = user != nullptr ? user : repo::current_user();
  return repo::lock_applies(*lock, who) ? TBS_ST_OK : TBS_ST_NOT_FOUND;
}

int vob_obj_get_lock(vob_vob_h vob, tbs_dbid_t dbid, vob_lock_t* lock) {
  repo::Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  vob_lock_t read;
  status = repo::read_lock(*s, dbid, read);
  if (status == 0 && lock != nullptr)
    *lock = read;
  return status;
}

namespace {

// The scopes entered through the service calls, innermost last. Never
// destroyed, like the stores they reach.
std::vector<std::unique_ptr<repo::ReadScope>>& entered_read_scopes() {
  static auto* scopes = new std::vector<std::unique_ptr<repo::ReadScope>>;
  return *scopes;
}

}  // namespace

void vob_read_scope_enter() {
  entered_read_scopes().push_back(std::make_unique<repo::ReadScope>());
}

void vob_read_scope_leave() {
  if (!entered_read_scopes().empty())
    entered_read_scopes().pop_back();
}

struct vob_write_group_state {
  explicit vob_write_group_state(repo::Store& store) : group(store) {}
  repo::WriteGroup group;
};

vob_write_group::vob_write_group(vob_vob_h vob) {
  repo::Store* store = nullptr;
  status_ = repo::vob_store(vob, store);
  if (status_ != 0)
    return;
  state_ = new vob_write_group_state(*store);
  status_ = state_->group.status();
}

vob_write_group::~vob_write_group() {
  delete state_;
}

int vob_write_group::commit() {
  if (status_ != 0)
    return status_;
  if (state_ == nullptr)
    return TBS_ST_INTERNAL;  // committed already
  int status = state_->group.commit();
  delete state_;
  state_ = nullptr;
  return status;
}
