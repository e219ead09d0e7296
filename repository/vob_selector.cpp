// Selectors: "kind:name@vob-tag" in short form, "oid:<oid>@vobuuid:<family>"
// in universal form, and their resolution to objects.
#include <cstring>

#include "repository/sql.h"
#include "repository/vob_internal.h"

namespace {

using repo::Query;
using repo::Store;

constexpr const char* kUniversalVobPrefix = "vobuuid:";

struct KindInfo {
  vob_objsel_kind_t kind;
  const char* text;
  vob_mtype_t first_class;  // the metatype of the kind (0: none)
  vob_mtype_t older_form;   // a second metatype (checkpoints) or 28 for activity-like forms
  vob_wkobj_t older_type;   // with 28: the well-known type the object must have
};

const KindInfo kKinds[] = {
    {VOB_SEL_VOB, "vob", VOB_MTYPE_VOB, 0, 0},
    {VOB_SEL_ELTYPE, "eltype", VOB_MTYPE_ELEMENT_TYPE, 0, 0},
    {VOB_SEL_BRTYPE, "brtype", VOB_MTYPE_BRANCH_TYPE, 0, 0},
    {VOB_SEL_ATTYPE, "attype", VOB_MTYPE_ATTRIBUTE_TYPE, 0, 0},
    {VOB_SEL_HLTYPE, "hltype", VOB_MTYPE_HYPERLINK_TYPE, 0, 0},
    {VOB_SEL_TRTYPE, "trtype", VOB_MTYPE_TRIGGER_TYPE, 0, 0},
    {VOB_SEL_LBTYPE, "lbtype", VOB_MTYPE_LABEL_TYPE, 0, 0},
    {VOB_SEL_HLINK, "hlink", VOB_MTYPE_HYPERLINK, 0, 0},
    {VOB_SEL_POOL, "pool", VOB_MTYPE_POOL, 0, 0},
    {VOB_SEL_USER, "user", VOB_MTYPE_USER, 0, 0},
    {VOB_SEL_VERMAP, "vermap", VOB_MTYPE_LABEL_TYPE, 0, 0},
    {VOB_SEL_REPLICA, "replica", VOB_MTYPE_REPLICA, 0, 0},
    {VOB_SEL_ACTIVITY, "activity", VOB_MTYPE_ACTIVITY, VOB_MTYPE_ACTIVITY_LIKE,
     VOB_WK_ACTIVITY_TYPE},
    {VOB_SEL_FOLDER, "folder", VOB_MTYPE_FOLDER, VOB_MTYPE_ACTIVITY_LIKE, VOB_WK_FOLDER_TYPE},
    {VOB_SEL_PROJECT, "project", VOB_MTYPE_PROJECT, VOB_MTYPE_ACTIVITY_LIKE, VOB_WK_PROJECT_TYPE},
    {VOB_SEL_STREAM, "stream", VOB_MTYPE_STREAM, VOB_MTYPE_ACTIVITY_LIKE, VOB_WK_STREAM_TYPE},
    {VOB_SEL_TIMELINE, "timeline", VOB_MTYPE_TIMELINE, VOB_MTYPE_ACTIVITY_LIKE,
     VOB_WK_TIMELINE_TYPE},
    {VOB_SEL_COMPONENT, "component", VOB_MTYPE_COMPONENT, VOB_MTYPE_ACTIVITY_LIKE,
     VOB_WK_COMPONENT_TYPE},
    {VOB_SEL_BASELINE, "baseline", VOB_MTYPE_BASELINE, VOB_MTYPE_CHECKPOINT, 0},
    {VOB_SEL_OID, "oid", 0, 0, 0},
};

const KindInfo* kind_info(vob_objsel_kind_t kind) {
  for (const auto& k : kKinds)
    if (k.kind == kind)
      return &k;
  return nullptr;
}

const KindInfo* kind_named(const std::string& text) {
  for (const auto& k : kKinds)
    if (text == k.text)
      return &k;
  return nullptr;
}

// The selector kind an object shows: the kind of its metatype, and for
// activity-like objects the kind of their type.
const KindInfo* kind_of(Store& store, const repo::ObjectRow& row) {
  if (row.mtype == VOB_MTYPE_ACTIVITY_LIKE) {
    for (const auto& k : kKinds) {
      tbs_dbid_t type = 0;
      if (k.older_type != 0 && repo::well_known(store, k.older_type, &type) == 0 &&
          type == row.type)
        return &k;
    }
    return nullptr;
  }
  if (row.mtype == VOB_MTYPE_CHECKPOINT)
    return kind_info(VOB_SEL_BASELINE);
  for (const auto& k : kKinds)
    if (k.first_class == row.mtype && k.kind != VOB_SEL_VERMAP)
      return &k;
  return nullptr;
}

// The object named `name` of a kind in one VOB.
int find_by_name(Store& store, const KindInfo& kind, const std::string& name, tbs_dbid_t* dbid) {
  for (vob_mtype_t mtype : {kind.first_class, kind.older_form}) {
    if (mtype == 0)
      continue;
    Query q = store.query(repo::sql::kObjectByName);
    q.bind(1, mtype).bind(2, name);
    if (!q.next()) {
      if (q.status() != 0)
        return q.status();
      continue;
    }
    tbs_dbid_t found = static_cast<tbs_dbid_t>(q.int64(0));
    if (mtype == VOB_MTYPE_ACTIVITY_LIKE) {
      repo::ObjectRow row;
      tbs_dbid_t type = 0;
      int status = repo::read_object(store, found, row);
      if (status == 0)
        status = repo::well_known(store, kind.older_type, &type);
      if (status != 0)
        return status;
      if (row.type != type)
        continue;
    }
    *dbid = found;
    return TBS_ST_OK;
  }
  return TBS_ST_NOT_FOUND;
}

int find_by_oid(Store& store, const std::string& text, tbs_dbid_t* dbid) {
  tbs_oid_t oid;
  if (tbs_str_to_oid(text.c_str(), &oid) != 0)
    return TBS_ST_BAD_ARGUMENT;
  Query q = store.query(repo::sql::kObjectByOid);
  q.bind_blob(1, oid.bytes, 16);
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
  *dbid = static_cast<tbs_dbid_t>(q.int64(0));
  return TBS_ST_OK;
}

// The VOB named by a selector's VOB part: a tag, or "vobuuid:<family>".
int vob_named(const std::string& text, vob_vob_h* vob) {
  if (text.rfind(kUniversalVobPrefix, 0) == 0) {
    tbs_uuid_t family;
    if (tbs_str_to_uuid(text.c_str() + std::strlen(kUniversalVobPrefix), &family) != 0)
      return TBS_ST_BAD_ARGUMENT;
    return repo::vob_of_family(family, vob);
  }
  return vob_resolve_vob(text.c_str(), vob);
}

// Looks the object up in one VOB.
int find_in(vob_vob_h vob, const KindInfo& kind, const std::string& name, tbs_dbid_t* dbid) {
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  if (kind.kind == VOB_SEL_OID)
    return find_by_oid(*s, name, dbid);
  if (kind.kind == VOB_SEL_VOB)
    return repo::well_known(*s, VOB_WK_VOB_OBJECT, dbid);
  return find_by_name(*s, kind, name, dbid);
}

}  // namespace

const char* vob_utl_objsel_kind_to_str(vob_objsel_kind_t kind) {
  if (kind == VOB_SEL_ANY)
    return "";
  const KindInfo* k = kind_info(kind);
  return k != nullptr ? k->text : nullptr;
}

int vob_utl_str_to_objsel_kind(const char* text, vob_objsel_kind_t* kind) {
  const KindInfo* k = text != nullptr ? kind_named(text) : nullptr;
  if (k == nullptr || kind == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  *kind = k->kind;
  return TBS_ST_OK;
}

std::vector<vob_mtype_t> vob_utl_objsel_kind_mtypes(vob_objsel_kind_t kind) {
  std::vector<vob_mtype_t> out;
  const KindInfo* k = kind_info(kind);
  if (k == nullptr)
    return out;
  if (k->first_class != 0)
    out.push_back(k->first_class);
  if (k->older_form != 0)
    out.push_back(k->older_form);
  return out;
}

int vob_utl_parse_objsel(const char* text, vob_objsel_t* parsed) {
  if (text == nullptr || parsed == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  std::string s = text;
  vob_objsel_t out;
  size_t at = s.find('@');
  std::string head = s.substr(0, at);
  if (at != std::string::npos)
    out.vob = s.substr(at + 1);
  size_t colon = head.find(':');
  if (colon != std::string::npos) {
    out.kind = head.substr(0, colon);
    out.name = head.substr(colon + 1);
  } else {
    out.name = head;
  }
  if (out.name.empty() || (at != std::string::npos && out.vob.empty()))
    return TBS_ST_BAD_ARGUMENT;
  *parsed = out;
  return TBS_ST_OK;
}

int vob_utl_create_objsel(vob_objsel_kind_t kind, const char* name, const char* vob_tag, char* buf,
                          size_t size) {
  const char* kind_text = vob_utl_objsel_kind_to_str(kind);
  if (kind_text == nullptr || name == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  std::string text = *kind_text != '\0' ? std::string(kind_text) + ":" : std::string();
  text += name;
  if (vob_tag != nullptr && *vob_tag != '\0')
    text += std::string("@") + vob_tag;
  repo::copy_out(text, buf, size);
  return TBS_ST_OK;
}

int vob_obj_get_objsel_kind(vob_vob_h vob, tbs_dbid_t dbid, vob_objsel_kind_t* kind) {
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  repo::ObjectRow row;
  status = repo::read_object(*s, dbid, row);
  if (status != 0)
    return status;
  const KindInfo* k = kind_of(*s, row);
  *kind = k != nullptr ? k->kind : VOB_SEL_OID;
  return TBS_ST_OK;
}

int vob_obj_get_selector(vob_vob_h vob, tbs_dbid_t dbid, char* buf, size_t size) {
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  repo::ObjectRow row;
  status = repo::read_object(*s, dbid, row);
  if (status != 0)
    return status;
  std::string text;
  const KindInfo* k = kind_of(*s, row);
  if (row.mtype == VOB_MTYPE_VOB) {
    text = "vob:" + vob->tag;
  } else if (k != nullptr && row.has_name) {
    text = std::string(k->text) + ":" + row.name + "@" + vob->tag;
  } else {
    char oid[TBS_ID_STR_SIZE];
    tbs_oid_to_str(&row.oid, oid);
    text = std::string("oid:") + oid + "@" + vob->tag;
  }
  repo::copy_out(text, buf, size);
  return TBS_ST_OK;
}

int vob_obj_get_uselector(vob_vob_h vob, tbs_dbid_t dbid, char* buf, size_t size) {
  tbs_oid_t oid;
  int status = vob_obj_get_oid(vob, dbid, &oid);
  if (status != 0)
    return status;
  char oid_text[TBS_ID_STR_SIZE];
  char family[TBS_ID_STR_SIZE];
  tbs_oid_to_str(&oid, oid_text);
  tbs_uuid_to_str(&vob->family, family);
  repo::copy_out(std::string("oid:") + oid_text + "@" + kUniversalVobPrefix + family, buf, size);
  return TBS_ST_OK;
}

int vob_obj_get_any_name(vob_vob_h vob, tbs_dbid_t dbid, const char* /*view_tag*/, char* buf,
                         size_t size) {
  char selector[1024];
  int status = vob_obj_get_selector(vob, dbid, selector, sizeof selector);
  if (status != 0)
    return status;
  // Messages name the object without its kind: "dev@/pvob", "/pvob".
  vob_objsel_t parsed;
  if (vob_utl_parse_objsel(selector, &parsed) != 0)
    return TBS_ST_INTERNAL;
  std::string text = parsed.kind == "vob"   ? parsed.name
                     : parsed.kind == "oid" ? "oid:" + parsed.name + "@" + parsed.vob
                                            : parsed.name + "@" + parsed.vob;
  repo::copy_out(text, buf, size);
  return TBS_ST_OK;
}

int vob_resolve_general(const char* text, vob_objsel_kind_t kind, vob_vob_h default_vob, int flags,
                        vob_vob_h* vob, tbs_dbid_t* dbid) {
  if (vob == nullptr || dbid == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  vob_objsel_t parsed;
  int status = vob_utl_parse_objsel(text, &parsed);
  if (status != 0)
    return status;
  const KindInfo* k = parsed.kind.empty() ? kind_info(kind) : kind_named(parsed.kind);
  if (k == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  if (kind != VOB_SEL_ANY && k->kind != kind && k->kind != VOB_SEL_OID)
    return TBS_ST_BAD_ARGUMENT;
  bool universal = parsed.vob.rfind(kUniversalVobPrefix, 0) == 0;
  if (universal && (flags & VOB_RESOLVE_ALLOW_UNIVERSAL) == 0)
    return TBS_ST_BAD_ARGUMENT;

  vob_vob_h where = nullptr;
  if (k->kind == VOB_SEL_VOB) {
    status = vob_resolve_vob(parsed.name.c_str(), &where);
  } else if (!parsed.vob.empty()) {
    status = vob_named(parsed.vob, &where);
  } else if (default_vob != nullptr && (flags & VOB_RESOLVE_USE_DEFAULT_VOB) != 0) {
    where = default_vob;
  } else {
    status = TBS_ST_NOT_FOUND;
  }
  if (status != 0)
    return status;

  tbs_dbid_t found = 0;
  status = find_in(where, *k, parsed.name, &found);
  if (status == TBS_ST_NOT_FOUND && (flags & VOB_RESOLVE_WIDEN) != 0) {
    // Climb the admin VOB hierarchy; the first VOB that has the object wins.
    std::vector<vob_vob_h> admins;
    for (vob_vob_h current = where; status == TBS_ST_NOT_FOUND;) {
      if (vob_ob_get_admin_vobs(current, admins) != 0 || admins.empty())
        break;
      current = admins.front();
      status = find_in(current, *k, parsed.name, &found);
      if (status == 0)
        where = current;
    }
  }
  if (status != 0)
    return status;
  *vob = where;
  *dbid = found;
  return TBS_ST_OK;
}

int vob_resolve_univ_selectors(const std::vector<std::string>& selectors,
                               std::vector<vob_vob_h>& vobs, std::vector<tbs_dbid_t>& dbids) {
  vobs.clear();
  dbids.clear();
  for (const auto& selector : selectors) {
    vob_vob_h vob = nullptr;
    tbs_dbid_t dbid = 0;
    int status = vob_resolve_general(selector.c_str(), VOB_SEL_ANY, nullptr,
                                     VOB_RESOLVE_ALLOW_UNIVERSAL, &vob, &dbid);
    if (status != 0 && status != TBS_ST_NOT_FOUND)
      return status;
    vobs.push_back(vob);
    dbids.push_back(status == 0 ? dbid : 0);
  }
  return TBS_ST_OK;
}
