// VOB-level queries: identity, kind, feature level, replicas, well-known
// objects, admin VOBs and view references.
#include <cstdlib>

#include "repository/registry.h"
#include "repository/sql.h"
#include "repository/vob_internal.h"

namespace {

using repo::Query;
using repo::Store;

int info_value(vob_vob_h vob, const char* key, std::string& value) {
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  Query q = s->query(repo::sql::kVobInfoGet);
  q.bind(1, key);
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_INTERNAL;
  value = q.text(0);
  return TBS_ST_OK;
}

// The VOBs at the other end of the type-35 hyperlinks of the VOB object.
int admin_links(vob_vob_h vob, int direction, std::vector<vob_vob_h>& vobs) {
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  tbs_dbid_t vob_object = 0;
  status = repo::well_known(*s, VOB_WK_VOB_OBJECT, &vob_object);
  if (status != 0)
    return status;
  std::vector<vob_hlink_end_t> ends;
  status = vob_obj_list_hlinks(vob, vob_object, VOB_WK_HLTYPE_ADMIN_VOB, direction, ends);
  if (status != 0)
    return status;
  vobs.clear();
  for (const auto& e : ends)
    if (!e.broken)
      vobs.push_back(e.other_vob);
  return TBS_ST_OK;
}

}  // namespace

int vob_ob_get_tag(vob_vob_h vob, char* buf, size_t size) {
  if (vob == nullptr || buf == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  repo::copy_out(vob->tag, buf, size);
  return TBS_ST_OK;
}

int vob_ob_get_uvob_pname(vob_vob_h vob, char* buf, size_t size) {
  if (vob == nullptr || buf == nullptr || vob->tag.size() >= size)
    return TBS_ST_BAD_ARGUMENT;
  repo::copy_out(vob->tag, buf, size);
  return TBS_ST_OK;
}

int vob_ob_get_storage_path(vob_vob_h vob, std::string& path) {
  if (vob == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  path = vob->storage_path;
  return TBS_ST_OK;
}

int vob_ob_get_oid(vob_vob_h vob, tbs_oid_t* oid) {
  if (vob == nullptr || oid == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  tbs_uuid_to_oid(&vob->family, oid);
  return TBS_ST_OK;
}

int vob_ob_get_family_uuid(vob_vob_h vob, tbs_uuid_t* uuid) {
  if (vob == nullptr || uuid == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  *uuid = vob->family;
  return TBS_ST_OK;
}

int vob_ob_get_replica_uuid(vob_vob_h vob, tbs_uuid_t* uuid) {
  if (vob == nullptr || uuid == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  *uuid = vob->replica;
  return TBS_ST_OK;
}

int vob_ob_get_type(vob_vob_h vob, int* type) {
  if (vob == nullptr || type == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  *type = vob->kind;
  return TBS_ST_OK;
}

int vob_ob_is_replicated(vob_vob_h vob, int* replicated) {
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  Query q = s->query("SELECT count(*) FROM replicas");
  if (!q.next())
    return q.status();
  *replicated = q.int64(0) > 1 ? 1 : 0;
  return TBS_ST_OK;
}

int vob_ob_get_feature_level(vob_vob_h vob, int* level) {
  if (level == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  std::string value;
  int status = info_value(vob, "feature_level", value);
  if (status != 0)
    return status;
  *level = std::atoi(value.c_str());
  return TBS_ST_OK;
}

int vob_ob_get_replica(vob_vob_h vob, tbs_dbid_t* replica) {
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  return status != 0 ? status : repo::local_replica(*s, replica);
}

int vob_ob_get_wk_obj(vob_vob_h vob, vob_wkobj_t wk, tbs_dbid_t* dbid) {
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  return status != 0 ? status : repo::well_known(*s, wk, dbid);
}

int vob_ob_get_admin_vobs(vob_vob_h vob, std::vector<vob_vob_h>& admins) {
  return admin_links(vob, 1, admins);
}

int vob_ob_get_client_vobs(vob_vob_h vob, std::vector<vob_vob_h>& clients) {
  return admin_links(vob, 0, clients);
}

int vob_ob_vob_oid_to_vobh(const tbs_oid_t* oid, vob_vob_h* vob) {
  if (oid == nullptr || vob == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  tbs_uuid_t family;
  tbs_oid_to_uuid(oid, &family);
  return repo::vob_of_family(family, vob);
}

int vob_ob_register_replica(const tbs_uuid_t* replica, vob_vob_h* vob) {
  if (replica == nullptr || vob == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  rgy_vob_entry entry;
  int status = rgy_lookup_vob_replica(replica, &entry);
  if (status == TBS_ST_NOT_FOUND) {
    char text[TBS_ID_STR_SIZE];
    tbs_uuid_to_str(replica, text);
    imsg_print(IMSG_ERROR, tbs_msg::ReplicaNotRegisteredHere, text);
  }
  if (status != 0)
    return status;
  *vob = repo::intern_vob(entry);
  return TBS_ST_OK;
}

int vob_ob_delete_view_refs(vob_vob_h vob, const char* view_uuid, const vob_event_info_t* event) {
  return repo::in_txn(vob, [&](Store& s) -> int {
    int status = s.query(repo::sql::kViewRefsDelete).bind(1, view_uuid).run();
    tbs_dbid_t vob_object = 0;
    if (status == 0)
      status = repo::well_known(s, VOB_WK_VOB_OBJECT, &vob_object);
    if (status == 0)
      status = repo::record_event(s, vob_object, VOB_EVENT_MODIFY, event);
    return status;
  });
}
