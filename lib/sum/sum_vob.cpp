// SUM_Vob: VOB identity, kind, well-known objects, feature level, admin VOB
// hierarchy and the project VOBs of the registry.
#include "sum/sum_vob.h"

#include "services/vob_elem.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "services/rgy.h"
#include "services/wild.h"
#include "sum/sum_cache.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_vob_object.h"

namespace {

constexpr const char* kSource = "sum_vob";
constexpr int kFirstClassLevel = 7;
constexpr size_t kRegistryChunk = 50;

// Answers about VOBs memoised for the computation in progress (see
// SUM_CacheControl), keyed by VOB. The caches are made on first use and live
// until the process ends. They work only inside cache-control scopes: a
// VOB's feature level and admin VOB change only by explicit administration,
// but another process may do that administration between two computations.
SUM_Cache<SUM_Vob, int>& feature_level_cache() {
  static auto* cache = new SUM_Cache<SUM_Vob, int>("SUM_Vob::feature_level", 0);
  return *cache;
}

SUM_Cache<SUM_Vob, SUM_Vob>& admin_vob_cache() {
  static auto* cache = new SUM_Cache<SUM_Vob, SUM_Vob>("SUM_Vob::this_admin_vob", 0);
  return *cache;
}

// Writes `text` into the next of four rotating 1024-byte buffers.
const char* ring_text(const char* text) {
  static char ring[4][1024];
  static int next = 0;
  char* buf = ring[next];
  next = (next + 1) % 4;
  std::snprintf(buf, sizeof ring[0], "%s", text);
  return buf;
}

vob_event_info_t no_comment() {
  return vob_event_info_t();
}

// Well-known object `kind` of `vob` as a handle, traced as operation `op`.
int wk_obj_as(const SUM_Vob& vob, const char* op, vob_wkobj_t kind, SUM_VobObject& obj) {
  SUM_Trace trace(op);
  if (vob.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, vob.wk_obj(kind, obj));
}

}  // namespace

int SUM_Vob::construct_from_oid(const SUM_Oid& oid, OidType type, SUM_Vob& out) {
  SUM_Trace trace("SUM_Vob::construct_from_oid");
  if (oid.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_vob_h found = nullptr;
  int status;
  if (type == REPLICA_OID) {
    SUM_Uuid replica = oid.uuid();
    status = vob_ob_register_replica(&replica.uuid(), &found);
  } else {
    status = vob_ob_vob_oid_to_vobh(&oid.oid(), &found);
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Vob(found);
  return SUM_OK;
}

int SUM_Vob::construct_from_handle(vob_vob_h handle, SUM_Vob& out) {
  SUM_Trace trace("SUM_Vob::construct_from_handle");
  if (handle == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  out = SUM_Vob(handle);
  return SUM_OK;
}

int SUM_Vob::construct_from_pname_or_tag(const char* pname_or_tag, int print_error, SUM_Vob& out) {
  SUM_Trace trace("SUM_Vob::construct_from_pname_or_tag");
  if (pname_or_tag == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_vob_h found = nullptr;
  int status = vob_resolve_vob(pname_or_tag, &found);
  if (status != 0) {
    if (print_error)
      imsg_print(IMSG_ERROR, tbs_msg::VOBTagDoesNot, pname_or_tag);
    trace.status_line(__LINE__, status);
    return status;
  }
  out = SUM_Vob(found);
  return SUM_OK;
}

namespace {

// `oid` from one of the VOB's UUIDs, read by `read` (replica or family).
int oid_from_uuid(const SUM_Vob& vob, const char* operation, int (*read)(vob_vob_h, tbs_uuid_t*),
                  SUM_Oid& oid) {
  SUM_Trace trace(operation);
  if (vob.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_uuid_t uuid;
  int status = read(vob.handle(), &uuid);
  if (status != 0)
    return trace.checked(__LINE__, status);
  oid = SUM_Oid(SUM_Uuid(uuid));
  return SUM_OK;
}

}  // namespace

int SUM_Vob::replica_oid(SUM_Oid& oid) const {
  return oid_from_uuid(*this, "SUM_Vob::replica_oid", vob_ob_get_replica_uuid, oid);
}

int SUM_Vob::family_oid(SUM_Oid& oid) const {
  return oid_from_uuid(*this, "SUM_Vob::family_oid", vob_ob_get_family_uuid, oid);
}

int SUM_Vob::tag(SUM_String& tag) const {
  SUM_Trace trace("SUM_Vob::tag");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  char buf[256];
  int status = vob_ob_get_tag(handle_, buf, sizeof buf);
  if (status != 0)
    return trace.checked(__LINE__, status);
  tag = buf;
  return SUM_OK;
}

int SUM_Vob::vob_type(int& type) const {
  SUM_Trace trace("SUM_Vob::vob_type");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, vob_ob_get_type(handle_, &type));
}

int SUM_Vob::is_sum_pvob(int& result) const {
  SUM_Trace trace("SUM_Vob::is_sum_pvob");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int type = 0;
  int status = vob_type(type);
  if (status != 0)
    return trace.checked(__LINE__, status);
  result = type == 2 ? 1 : 0;
  return SUM_OK;
}

int SUM_Vob::is_replicated(int& result) const {
  SUM_Trace trace("SUM_Vob::is_replicated");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int replicated = 0;
  int status = vob_ob_is_replicated(handle_, &replicated);
  if (status != 0)
    return trace.checked(__LINE__, status);
  result = replicated ? 1 : 0;
  return SUM_OK;
}

int SUM_Vob::vob_obj(SUM_VobObject& obj) const {
  return wk_obj_as(*this, "SUM_Vob::vob_obj", VOB_WK_VOB_OBJECT, obj);
}

int SUM_Vob::wk_obj(vob_wkobj_t kind, tbs_dbid_t& dbid) const {
  SUM_Trace trace("SUM_Vob::wk_obj");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, vob_ob_get_wk_obj(handle_, kind, &dbid));
}

int SUM_Vob::wk_obj(vob_wkobj_t kind, SUM_VobObject& obj) const {
  SUM_Trace trace("SUM_Vob::wk_obj");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_dbid_t dbid = 0;
  int status = wk_obj(kind, dbid);
  if (status != 0)
    return trace.checked(__LINE__, status);
  obj = SUM_VobObject(*this, dbid);
  return SUM_OK;
}

int SUM_Vob::activity_actype(SUM_VobObject& obj) const {
  return wk_obj_as(*this, "SUM_Vob::activity_actype", VOB_WK_ACTIVITY_TYPE, obj);
}

int SUM_Vob::folder_actype(SUM_VobObject& obj) const {
  return wk_obj_as(*this, "SUM_Vob::folder_actype", VOB_WK_FOLDER_TYPE, obj);
}

int SUM_Vob::project_actype(SUM_VobObject& obj) const {
  return wk_obj_as(*this, "SUM_Vob::project_actype", VOB_WK_PROJECT_TYPE, obj);
}

int SUM_Vob::stream_actype(SUM_VobObject& obj) const {
  return wk_obj_as(*this, "SUM_Vob::stream_actype", VOB_WK_STREAM_TYPE, obj);
}

int SUM_Vob::user_every(SUM_VobObject& obj) const {
  return wk_obj_as(*this, "SUM_Vob::user_every", VOB_WK_USER_EVERY, obj);
}

int SUM_Vob::user_svmap(SUM_VobObject& obj) const {
  return wk_obj_as(*this, "SUM_Vob::user_svmap", VOB_WK_USER_SVMAP, obj);
}

int SUM_Vob::feature_level(int& level) const {
  SUM_Trace trace("SUM_Vob::feature_level");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (feature_level_cache().lookup(*this, level))
    return SUM_OK;
  int found = 0;
  int status = vob_ob_get_feature_level(handle_, &found);
  if (status != 0)
    return trace.checked(__LINE__, status);
  feature_level_cache().enter(*this, found);
  level = found;
  return SUM_OK;
}

int SUM_Vob::is_feature_level_lt(const int& level, int& result) const {
  SUM_Trace trace("SUM_Vob::is_feature_level_lt");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int current = 0;
  int status = feature_level(current);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_msg::FeatureLevelMessage);
    trace.status_line(__LINE__, status);
    return status;
  }
  result = current < level ? 1 : 0;
  return SUM_OK;
}

int SUM_Vob::is_feature_level_ge(const int& level, int& result) const {
  SUM_Trace trace("SUM_Vob::is_feature_level_ge");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int lower = 0;
  int status = is_feature_level_lt(level, lower);
  if (status != 0)
    return trace.checked(__LINE__, status);
  result = lower ? 0 : 1;
  return SUM_OK;
}

int SUM_Vob::supports_fc_objs() const {
  SUM_Trace trace("SUM_Vob::supports_fc_objs");
  if (is_null()) {
    sum_int_error(kSource, trace.name(), __LINE__);
    return 0;
  }
  int level = 0;
  if (feature_level(level) != 0)
    return 0;
  return level >= kFirstClassLevel ? 1 : 0;
}

namespace {

// Whether `vob`'s VOB object has an admin-VOB hyperlink leaving it
// (`outgoing` 1: it names an admin VOB) or arriving at it (0: another VOB
// names it). `operation` names the caller in an internal error.
int has_admin_hlink(const SUM_Vob& vob, const char* operation, int outgoing, int& result) {
  if (vob.is_null())
    return sum_int_error(kSource, operation, __LINE__);
  SUM_VobObject self;
  int status = vob.vob_obj(self);
  if (status != 0)
    return status;
  int has = 0;
  status = vob_obj_has_hlink(vob.handle(), self.dbid(), VOB_WK_HLTYPE_ADMIN_VOB, outgoing, &has);
  if (status != 0)
    return status;
  result = has ? 1 : 0;
  return SUM_OK;
}

}  // namespace

int SUM_Vob::has_admin_vob(int& result) const {
  SUM_Trace trace("SUM_Vob::has_admin_vob");
  return trace.checked(__LINE__, has_admin_hlink(*this, trace.name(), 1, result));
}

int SUM_Vob::this_admin_vob(SUM_Vob& out) const {
  SUM_Trace trace("SUM_Vob::this_admin_vob");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (admin_vob_cache().lookup(*this, out))
    return SUM_OK;
  std::vector<vob_vob_h> admins;
  int status = vob_ob_get_admin_vobs(handle_, admins);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (admins.empty()) {
    out = SUM_Vob();
    return SUM_NOT_FOUND;
  }
  SUM_Vob admin(admins.front());
  admin_vob_cache().enter(*this, admin);
  out = admin;
  return SUM_OK;
}

int SUM_Vob::admin_vob(SUM_Vob& out, int follow) const {
  SUM_Trace trace("SUM_Vob::admin_vob");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Vob current;
  int status = this_admin_vob(current);
  if (status != 0) {
    if (status != SUM_NOT_FOUND)
      trace.status_line(__LINE__, status);
    return status;
  }
  if (follow) {
    // Every VOB met so far: an admin VOB met twice means the links loop.
    std::vector<vob_vob_h> seen = {handle_, current.handle()};
    for (;;) {
      SUM_Vob above;
      status = current.this_admin_vob(above);
      if (status == SUM_NOT_FOUND)
        break;
      if (status != 0)
        return trace.checked(__LINE__, status);
      for (vob_vob_h met : seen)
        if (met == above.handle())
          return sum_int_error(kSource, trace.name(), __LINE__);
      seen.push_back(above.handle());
      current = above;
    }
  }
  out = current;
  return SUM_OK;
}

int SUM_Vob::set_admin_vob(const SUM_Vob& admin) const {
  SUM_Trace trace("SUM_Vob::set_admin_vob");
  if (is_null() || admin.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int has = 0;
  int status = has_admin_vob(has);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (has) {
    imsg_print(IMSG_ERROR, sum_msg::VOBAlreadyAdminVOB, any_name());
    return SUM_FAILED;
  }
  SUM_VobObject from;
  SUM_VobObject to;
  status = vob_obj(from);
  if (status == 0)
    status = admin.vob_obj(to);
  if (status != 0)
    return trace.checked(__LINE__, status);
  vob_event_info_t event = no_comment();
  tbs_dbid_t hlink = 0;
  status = vob_hlink_create_wk(handle_, from.dbid(), VOB_WK_HLTYPE_ADMIN_VOB, admin.handle(),
                               to.dbid(), "", "", &event, &hlink);
  if (status != 0)
    return trace.checked(__LINE__, status);
  admin_vob_cache().enter(*this, admin);
  return SUM_OK;
}

int SUM_Vob::is_admin_vob(int& result) const {
  SUM_Trace trace("SUM_Vob::is_admin_vob");
  return trace.checked(__LINE__, has_admin_hlink(*this, trace.name(), 0, result));
}

namespace {

// Appends to `out` every project VOB among `vob` and the VOBs that name it,
// directly or through further admin VOBs. `visited` holds the VOBs already
// walked, so that a looping hierarchy ends.
int collect_client_pvobs(const SUM_Vob& vob, std::vector<vob_vob_h>& visited, SUM_VobList& out) {
  SUM_Trace trace("sum_vob_collect_client_pvobs");
  for (vob_vob_h met : visited)
    if (met == vob.handle())
      return SUM_OK;
  visited.push_back(vob.handle());
  int is_pvob = 0;
  int status = vob.is_sum_pvob(is_pvob);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (is_pvob && out.find(vob) < 0)
    out.append(vob);
  std::vector<vob_vob_h> clients;
  status = vob_ob_get_client_vobs(vob.handle(), clients);
  if (status != 0)
    return trace.checked(__LINE__, status);
  for (vob_vob_h client : clients) {
    status = collect_client_pvobs(SUM_Vob(client), visited, out);
    if (status != 0)
      return trace.checked(__LINE__, status);
  }
  return SUM_OK;
}

}  // namespace

int SUM_Vob::get_pvob_list(SUM_VobList& out) const {
  SUM_Trace trace("SUM_Vob::get_pvob_list");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int is_pvob = 0;
  int status = is_sum_pvob(is_pvob);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (is_pvob) {
    if (out.find(*this) < 0)
      out.append(*this);
    return SUM_OK;
  }
  SUM_Vob top;
  status = admin_vob(top, 1);
  if (status == SUM_NOT_FOUND) {
    top = *this;
  } else if (status != 0)
    return trace.checked(__LINE__, status);
  std::vector<vob_vob_h> visited;
  status = collect_client_pvobs(top, visited, out);
  if (status != 0)
    trace.status_line(__LINE__, status);
  return status;
}

int SUM_Vob::get_all_pvobs_list(SUM_VobList& out) {
  SUM_Trace trace("SUM_Vob::get_all_pvobs_list");
  char region[256];
  int status = rgy_get_default_region(region, sizeof region);
  if (status != 0)
    return trace.checked(__LINE__, status);
  std::vector<rgy_vob_entry> entries;
  for (size_t offset = 0;; offset += kRegistryChunk) {
    status = rgy_next_vob_entries(region, offset, kRegistryChunk, entries);
    if (status != 0)
      return trace.checked(__LINE__, status);
    for (const rgy_vob_entry& entry : entries) {
      if (!wild_match(region, entry.region.c_str()) || !entry.is_public)
        continue;
      vob_vob_h handle = nullptr;
      if (vob_resolve_vob(entry.tag.c_str(), &handle) != 0) {
        trace.info(2, "cannot open VOB %s", entry.tag.c_str());
        continue;
      }
      SUM_Vob vob(handle);
      int is_pvob = 0;
      if (vob.is_sum_pvob(is_pvob) == 0 && is_pvob && out.find(vob) < 0)
        out.append(vob);
    }
    if (entries.size() < kRegistryChunk)
      break;
  }
  return SUM_OK;
}

int SUM_Vob::remove_viewref_from_vob(const SUM_Uuid& view) const {
  SUM_Trace trace("SUM_Vob::remove_viewref_from_vob");
  if (is_null() || view.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_event_info_t event = no_comment();
  return trace.checked(__LINE__, vob_ob_delete_view_refs(handle_, view.string(), &event));
}

const char* SUM_Vob::any_name() const {
  if (is_null())
    return ring_text("<null VOB>");
  char buf[256];
  if (vob_ob_get_tag(handle_, buf, sizeof buf) == 0)
    return ring_text(buf);
  tbs_uuid_t uuid;
  if (vob_ob_get_replica_uuid(handle_, &uuid) == 0) {
    SUM_String text("vob:");
    text += SUM_Oid(SUM_Uuid(uuid)).string();
    return ring_text(text);
  }
  return ring_text("vob:???");
}

int SUM_Vob::is_componentized(int& result) const {
  SUM_Trace trace("SUM_Vob::is_componentized");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_dbid_t root = 0;
  tbs_dbid_t crde = 0;
  int status = vob_ob_get_wk_obj(handle_, VOB_WK_ROOT_DIRECTORY, &root);
  if (status == 0)
    status = vob_elem_get_crde(handle_, root, &crde);
  if (status != 0)
    return trace.checked(__LINE__, status);
  result = crde == root ? 1 : 0;
  return SUM_OK;
}

int SUM_Vob::has_sub_vob_components(int& result) const {
  SUM_Trace trace("SUM_Vob::has_sub_vob_components");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  constexpr size_t kChunk = 1000;
  tbs_dbid_t root = 0;
  tbs_dbid_t branch = 0;
  tbs_dbid_t version = 0;
  int status = vob_ob_get_wk_obj(handle_, VOB_WK_ROOT_DIRECTORY, &root);
  if (status == 0)
    status = vob_elem_get_main_branch(handle_, root, &branch);
  if (status == 0)
    status = vob_branch_get_ver(handle_, branch, -1, &version);
  if (status != 0)
    return trace.checked(__LINE__, status);
  for (size_t offset = 0;; offset += kChunk) {
    std::vector<vob_nsdir_entry_t> entries;
    status = vob_nsdir_next_entries(handle_, version, offset, kChunk, entries);
    if (status != 0)
      return trace.checked(__LINE__, status);
    for (const auto& entry : entries) {
      tbs_dbid_t crde = 0;
      if (vob_elem_get_crde(handle_, entry.element, &crde) == 0 && crde == entry.element) {
        result = 1;
        return SUM_OK;
      }
    }
    if (entries.size() < kChunk)
      break;
  }
  result = 0;
  return SUM_OK;
}

int SUM_Vob::has_components(int& result) const {
  SUM_Trace trace("SUM_Vob::has_components");
  int componentized = 0;
  int status = is_componentized(componentized);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (componentized) {
    result = 1;
    return SUM_OK;
  }
  return trace.checked(__LINE__, has_sub_vob_components(result));
}

int sum_vob_has_components(vob_vob_h vob, int* answer) {
  SUM_Trace trace("sum_vob_has_components");
  if (vob == nullptr || answer == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Vob handle;
  SUM_Vob::construct_from_handle(vob, handle);
  int result = 0;
  int status = handle.has_components(result);
  if (status == 0)
    *answer = result;
  return status;
}
