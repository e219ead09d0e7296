// The registry: regions, VOB tags and privileged users in
// <KORVANE_HOME>/registry.db.
#include "repository/registry.h"

#include <cstdlib>
#include <cstring>

#include "repository/sql.h"
#include "services/sysutl.h"
#include "services/wild.h"

namespace repo {

namespace {

struct OpenRegistry {
  std::string path;
  std::unique_ptr<Store> store;
};

OpenRegistry& open_registry() {
  static OpenRegistry r;
  return r;
}

std::string default_region() {
  const char* region = std::getenv("KORVANE_REGION");
  return region != nullptr && *region != '\0' ? region : "default";
}

void read_entry(const Query& q, rgy_vob_entry* e) {
  e->region = q.text(0);
  e->tag = q.text(1);
  e->storage_path = q.text(2);
  std::string family = q.blob(3);
  std::string replica = q.blob(4);
  std::memcpy(e->family_uuid.bytes, family.data(), family.size() == 16 ? 16 : 0);
  std::memcpy(e->replica_uuid.bytes, replica.data(), replica.size() == 16 ? 16 : 0);
  e->kind = q.integer(5);
  e->is_public = q.integer(6);
}

// Runs a lookup statement whose first parameters are already bound and
// reads its single row.
int lookup_one(Query& q, rgy_vob_entry* entry) {
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
  if (entry != nullptr)
    read_entry(q, entry);
  return TBS_ST_OK;
}

}  // namespace

int registry_store(Store*& store) {
  std::string home = sysutl_korvane_home();
  std::string path = home + "/registry.db";
  OpenRegistry& r = open_registry();
  if (r.store == nullptr || r.path != path) {
    r.store.reset();
    int status = sysutl_make_dirs(home);
    if (status != 0) {
      imsg_print(IMSG_ERROR, tbs_msg::UnableCreateDirectory, home.c_str(), tbs_strerror(status));
      return status;
    }
    status = Store::open(path, kRegistrySchema, true, r.store);
    if (status != 0)
      return status;
    r.path = path;
  }
  store = r.store.get();
  return TBS_ST_OK;
}

int rgy_lookup_vob_family(const tbs_uuid_t* family, rgy_vob_entry* entry) {
  Store* s = nullptr;
  int status = registry_store(s);
  if (status != 0)
    return status;
  Query q = s->query(sql::kRgySelectVobFamily);
  q.bind_blob(1, family->bytes, 16).bind(2, default_region());
  return lookup_one(q, entry);
}

}  // namespace repo

using repo::Query;
using repo::Store;

int rgy_get_default_region(char* buf, size_t size) {
  if (buf == nullptr || size == 0)
    return TBS_ST_BAD_ARGUMENT;
  std::string region = repo::default_region();
  std::strncpy(buf, region.c_str(), size - 1);
  buf[size - 1] = '\0';
  return TBS_ST_OK;
}

int rgy_lookup_vob_tag(const char* tag, rgy_vob_entry* entry) {
  if (tag == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  Store* s = nullptr;
  int status = repo::registry_store(s);
  if (status != 0)
    return status;
  Query q = s->query(repo::sql::kRgySelectVobTag);
  q.bind(1, repo::default_region()).bind(2, tag);
  return repo::lookup_one(q, entry);
}

int rgy_lookup_vob_replica(const tbs_uuid_t* replica, rgy_vob_entry* entry) {
  if (replica == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  Store* s = nullptr;
  int status = repo::registry_store(s);
  if (status != 0)
    return status;
  Query q = s->query(repo::sql::kRgySelectVobReplica);
  q.bind_blob(1, replica->bytes, 16);
  return repo::lookup_one(q, entry);
}

int rgy_next_vob_entries(const char* region_pattern, size_t offset, size_t max,
                         std::vector<rgy_vob_entry>& entries) {
  Store* s = nullptr;
  int status = repo::registry_store(s);
  if (status != 0)
    return status;
  entries.clear();
  Query q = s->query(repo::sql::kRgySelectAllVobTags);
  size_t matched = 0;
  while (entries.size() < max && q.next()) {
    rgy_vob_entry e;
    repo::read_entry(q, &e);
    if (region_pattern != nullptr && !wild_match(region_pattern, e.region.c_str()))
      continue;
    if (matched++ >= offset)
      entries.push_back(e);
  }
  return q.status();
}

int rgy_add_vob_tag(const rgy_vob_entry& e) {
  return repo::in_registry_txn([&](Store& s) -> int {
    Query q = s.query(repo::sql::kRgyInsertVobTag);
    q.bind(1, e.region.empty() ? repo::default_region() : e.region)
        .bind(2, e.tag)
        .bind(3, e.storage_path)
        .bind_blob(4, e.family_uuid.bytes, 16)
        .bind_blob(5, e.replica_uuid.bytes, 16)
        .bind(6, e.kind)
        .bind(7, e.is_public);
    int status = q.run();
    if (status == TBS_ST_EXISTS)
      imsg_print(IMSG_ERROR, tbs_msg::VOBTagAlreadyExists, e.tag.c_str());
    return status;
  });
}

int rgy_remove_vob_tag(const char* tag) {
  return repo::in_registry_txn([&](Store& s) -> int {
    int status =
        s.query(repo::sql::kRgyDeleteVobTag).bind(1, repo::default_region()).bind(2, tag).run();
    if (status != 0)
      return status;
    return s.changes() == 0 ? TBS_ST_NOT_FOUND : TBS_ST_OK;
  });
}

int rgy_is_privileged_user(const char* login, int* privileged) {
  Store* s = nullptr;
  int status = repo::registry_store(s);
  if (status != 0)
    return status;
  Query q = s->query(repo::sql::kRgySelectAdmin);
  q.bind(1, login);
  bool found = q.next();
  if (q.status() != 0)
    return q.status();
  *privileged = found ? 1 : 0;
  return TBS_ST_OK;
}

static int change_admin(const char* sql, const char* login) {
  return repo::in_registry_txn([&](Store& s) -> int { return s.query(sql).bind(1, login).run(); });
}

int rgy_add_privileged_user(const char* login) {
  return change_admin(repo::sql::kRgyInsertAdmin, login);
}

int rgy_remove_privileged_user(const char* login) {
  return change_admin(repo::sql::kRgyDeleteAdmin, login);
}
