// Creating, finding and removing VOBs.
//
// A VOB's database is created complete in one transaction (its identity, the
// replica, the VOB object, the root directory with its /main/0 and every
// well-known object),
// then its tag is registered. A creation interrupted before the tag is
// registered leaves an unregistered storage directory that nothing can reach;
// making a VOB there again is refused until it is removed.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>

#include "repository/registry.h"
#include "repository/sql.h"
#include "repository/vob_elem_internal.h"
#include "repository/vob_internal.h"
#include "services/sysutl.h"

namespace repo {

namespace {

bool is_name_char(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_' || c == '.';
}

// "/name" with name made of letters, digits, "-", "_" and ".".
bool is_valid_tag(const std::string& tag) {
  if (tag.size() < 2 || tag[0] != '/' || tag == "/." || tag == "/..")
    return false;
  for (size_t i = 1; i < tag.size(); ++i)
    if (!is_name_char(tag[i]))
      return false;
  return true;
}

std::string absolute(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

struct WellKnownObject {
  vob_wkobj_t number;
  vob_mtype_t mtype;
  const char* name;
};

// Types and users every VOB has.
const WellKnownObject kCommonObjects[] = {
    {VOB_WK_HLTYPE_TIMELINE_CONTRIB, VOB_MTYPE_HYPERLINK_TYPE, "TimelineContribution"},
    {VOB_WK_HLTYPE_GLOBAL_DEFINITION, VOB_MTYPE_HYPERLINK_TYPE, "GlobalDefinition"},
    {VOB_WK_HLTYPE_CHANGE, VOB_MTYPE_HYPERLINK_TYPE, "Change"},
    {VOB_WK_HLTYPE_INDEPENDENT_GUARD, VOB_MTYPE_HYPERLINK_TYPE, "IndependentGuard"},
    {VOB_WK_HLTYPE_FOUNDATION, VOB_MTYPE_HYPERLINK_TYPE, "Foundation"},
    {VOB_WK_HLTYPE_ADMIN_VOB, VOB_MTYPE_HYPERLINK_TYPE, "AdminVOB"},
    {VOB_WK_HLTYPE_COMPONENT_ROOT_DIR, VOB_MTYPE_HYPERLINK_TYPE, "ComponentRootDir"},
    {VOB_WK_HLTYPE_USE_BASELINE, VOB_MTYPE_HYPERLINK_TYPE, "UseBaseline"},
    {VOB_WK_HLTYPE_BASELINE_LBTYPE, VOB_MTYPE_HYPERLINK_TYPE, "BaselineLbtype"},
    {VOB_WK_ACTIVITY_TYPE, VOB_MTYPE_ACTIVITY_TYPE, "activity"},
    {VOB_WK_FOLDER_TYPE, VOB_MTYPE_ACTIVITY_TYPE, "folder"},
    {VOB_WK_PROJECT_TYPE, VOB_MTYPE_ACTIVITY_TYPE, "project"},
    {VOB_WK_STREAM_TYPE, VOB_MTYPE_ACTIVITY_TYPE, "stream"},
    {VOB_WK_COMPONENT_TYPE, VOB_MTYPE_ACTIVITY_TYPE, "component"},
    {VOB_WK_TIMELINE_TYPE, VOB_MTYPE_ACTIVITY_TYPE, "timeline"},
    {VOB_WK_USER_EVERY, VOB_MTYPE_USER, "every"},
    {VOB_WK_USER_SVMAP, VOB_MTYPE_USER, "svmap"},
};

// The promotion levels of a new project VOB, lowest first, and the default.
constexpr const char* kDefaultPromotionLevels =
    "\"REJECTED\"\n\"INITIAL\"\n\"BUILT\"\n\"TESTED\"\n\"RELEASED\"";
constexpr const char* kDefaultPromotionLevel = "\"INITIAL\"";

class VobBuilder {
 public:
  VobBuilder(Store& store, const vob_create_args_t& args, const tbs_uuid_t& family,
             const tbs_uuid_t& replica)
      : store_(store), args_(args), family_(family), replica_(replica) {
    event_.comment = args.comment.c_str();
  }

  int build() {
    int status = write_identity();
    if (status == 0)
      status = make_replica();
    if (status == 0)
      status = make(VOB_WK_VOB_OBJECT, VOB_MTYPE_VOB, args_.tag.c_str() + 1, 0, &family_oid());
    if (status == 0)
      status = make(VOB_WK_ROOT_DIRECTORY, VOB_MTYPE_DIRECTORY_ELEMENT, nullptr, 0, nullptr);
    for (const auto& o : kCommonObjects)
      if (status == 0)
        status = make(o.number, o.mtype, o.name, 0, nullptr);
    // The branch type "main", and the root directory's main branch with
    // version 0, an empty directory.
    if (status == 0)
      status = init_versioned_files(store_, &event_);
    if (status == 0 && args_.project_vob)
      status = make_project_vob_objects();
    return status;
  }

 private:
  const tbs_oid_t& family_oid() {
    tbs_uuid_to_oid(&family_, &family_as_oid_);
    return family_as_oid_;
  }

  int write_identity() {
    char family[TBS_ID_STR_SIZE];
    char replica[TBS_ID_STR_SIZE];
    tbs_uuid_to_str(&family_, family);
    tbs_uuid_to_str(&replica_, replica);
    const std::pair<const char*, std::string> rows[] = {
        {"family_uuid", family},
        {"replica_uuid", replica},
        {"kind", std::to_string(args_.project_vob ? RGY_VOB_PROJECT : RGY_VOB_ORDINARY)},
        {"feature_level", std::to_string(args_.feature_level)},
        {"tag_at_creation", args_.tag},
    };
    for (const auto& [key, value] : rows) {
      int status = store_.query(sql::kVobInfoSet).bind(1, key).bind(2, value).run();
      if (status != 0)
        return status;
    }
    return TBS_ST_OK;
  }

  // The replica object masters itself; its oid is the replica UUID.
  int make_replica() {
    tbs_oid_t oid;
    tbs_uuid_to_oid(&replica_, &oid);
    NewObject replica;
    replica.mtype = VOB_MTYPE_REPLICA;
    replica.name = "original";
    replica.oid = &oid;
    tbs_dbid_t dbid = 0;
    int status = insert_object(store_, replica, &event_, &dbid);
    if (status == 0)
      status = store_.query(sql::kReplicaInsert)
                   .bind(1, static_cast<int64_t>(dbid))
                   .bind_blob(2, replica_.bytes, 16)
                   .bind(3, current_host())
                   .run();
    if (status == 0)
      status = store_.query(sql::kObjectSetMaster)
                   .bind(1, static_cast<int64_t>(dbid))
                   .bind(2, static_cast<int64_t>(dbid))
                   .run();
    return status;
  }

  int make(vob_wkobj_t number, vob_mtype_t mtype, const char* name, tbs_dbid_t type,
           const tbs_oid_t* oid, tbs_dbid_t* made = nullptr) {
    NewObject object;
    object.mtype = mtype;
    object.name = name;
    object.type = type;
    object.oid = oid;
    tbs_dbid_t dbid = 0;
    int status = insert_object(store_, object, &event_, &dbid);
    if (status == 0)
      status = store_.query(sql::kWellKnownSet)
                   .bind(1, number)
                   .bind(2, static_cast<int64_t>(dbid))
                   .run();
    if (status == 0 && made != nullptr)
      *made = dbid;
    return status;
  }

  // The root folder (a first-class folder from feature level 7, an
  // activity-like object of the folder type below), the project template
  // holder and the promotion levels.
  int make_project_vob_objects() {
    tbs_dbid_t folder_type = 0;
    int status = well_known(store_, VOB_WK_FOLDER_TYPE, &folder_type);
    if (status != 0)
      return status;
    bool first_class = args_.feature_level >= 7;
    status = make(VOB_WK_ROOT_FOLDER, first_class ? VOB_MTYPE_FOLDER : VOB_MTYPE_ACTIVITY_LIKE,
                  "RootFolder", first_class ? 0 : folder_type, nullptr);
    // The project template holder, outside the folder tree: the template
    // project is placed in it below level 7, so it is of the folder type there.
    if (status == 0)
      status = make(VOB_WK_TEMPLATE_HOLDER, VOB_MTYPE_ACTIVITY_LIKE, "ProjectTemplates",
                    first_class ? 0 : folder_type, nullptr);
    tbs_dbid_t attype = 0;
    if (status == 0)
      status = make(VOB_WK_ATTYPE_PROMOTION_LEVEL, VOB_MTYPE_ATTRIBUTE_TYPE, "PromotionLevel", 0,
                    nullptr, &attype);
    if (status == 0)
      status = store_.query(sql::kAttypeValuesSet)
                   .bind(1, static_cast<int64_t>(attype))
                   .bind(2, kDefaultPromotionLevels)
                   .bind(3, kDefaultPromotionLevel)
                   .run();
    return status;
  }

  Store& store_;
  const vob_create_args_t& args_;
  tbs_uuid_t family_;
  tbs_uuid_t replica_;
  tbs_oid_t family_as_oid_{};
  vob_event_info_t event_;
};

int validate(const vob_create_args_t& args) {
  if (!is_valid_tag(args.tag)) {
    imsg_print(IMSG_ERROR, tbs_msg::VOBTagMustSlash, args.tag.c_str());
    return TBS_ST_BAD_ARGUMENT;
  }
  if (args.feature_level < VOB_FEATURE_LEVEL_MIN || args.feature_level > VOB_FEATURE_LEVEL_MAX) {
    imsg_print(IMSG_ERROR, tbs_msg::FeatureLevelNotSupported, args.feature_level,
               VOB_FEATURE_LEVEL_MIN, VOB_FEATURE_LEVEL_MAX);
    return TBS_ST_BAD_ARGUMENT;
  }
  if (rgy_lookup_vob_tag(args.tag.c_str(), nullptr) == 0) {
    imsg_print(IMSG_ERROR, tbs_msg::VOBTagAlreadyExists, args.tag.c_str());
    return TBS_ST_EXISTS;
  }
  return TBS_ST_OK;
}

// Makes the storage directory (which must not exist) and its database;
// `made` tells whether the directory was made by this call.
int create_storage(const std::string& storage, const vob_create_args_t& args,
                   const tbs_uuid_t& family, const tbs_uuid_t& replica, bool& made) {
  std::error_code ec;
  if (std::filesystem::exists(storage, ec)) {
    imsg_print(IMSG_ERROR, tbs_msg::StorageDirectoryAlreadyExists, storage.c_str());
    return TBS_ST_EXISTS;
  }
  made = true;
  int status = sysutl_make_dirs(storage);
  if (status != 0) {
    imsg_print(IMSG_ERROR, tbs_msg::StorageDirectoryCannotCreated, storage.c_str(),
               tbs_strerror(status));
    return status;
  }
  std::unique_ptr<Store> store;
  status = Store::open(storage + "/" + kVobDbName, kVobSchema, true, store);
  if (status != 0)
    return status;
  return in_txn(*store,
                [&](Store& s) -> int { return VobBuilder(s, args, family, replica).build(); });
}

}  // namespace

}  // namespace repo

int vob_create(const vob_create_args_t& args, vob_vob_h* vob) {
  int status = repo::validate(args);
  if (status != 0)
    return status;
  std::string storage = args.storage_path.empty()
                            ? sysutl_korvane_home() + "/vobs/" + args.tag.substr(1) + ".vbs"
                            : repo::absolute(args.storage_path);
  rgy_vob_entry entry;
  entry.tag = args.tag;
  entry.storage_path = storage;
  entry.kind = args.project_vob ? RGY_VOB_PROJECT : RGY_VOB_ORDINARY;
  entry.is_public = args.is_public ? 1 : 0;
  tbs_uuid_generate(&entry.family_uuid);
  tbs_uuid_generate(&entry.replica_uuid);

  bool made = false;
  status = repo::create_storage(storage, args, entry.family_uuid, entry.replica_uuid, made);
  if (status == 0)
    status = rgy_add_vob_tag(entry);
  if (status != 0) {
    // Remove only what this call made; a directory that existed is left alone.
    std::error_code ec;
    if (made)
      std::filesystem::remove_all(storage, ec);
    return status;
  }
  if (vob != nullptr)
    *vob = repo::intern_vob(entry);
  return TBS_ST_OK;
}

namespace repo {

namespace {

// The registry entry a VOB storage directory describes of itself (its
// identity rows); `tag` empty means the tag it was made with.
int entry_of_storage(const std::string& storage, const std::string& tag, rgy_vob_entry& entry) {
  std::unique_ptr<Store> store;
  int status = Store::open(storage + "/" + kVobDbName, kVobSchema, false, store);
  if (status == TBS_ST_NOT_FOUND)
    imsg_print(IMSG_ERROR, tbs_msg::StorageDirectoryNotVOB, storage.c_str());
  if (status != 0)
    return status;
  std::map<std::string, std::string> info;
  for (const char* key : {"family_uuid", "replica_uuid", "kind", "tag_at_creation"}) {
    Query q = store->query(sql::kVobInfoGet);
    q.bind(1, key);
    if (q.next())
      info[key] = q.text(0);
    if (q.status() != 0)
      return q.status();
  }
  if (tbs_str_to_uuid(info["family_uuid"].c_str(), &entry.family_uuid) != 0 ||
      tbs_str_to_uuid(info["replica_uuid"].c_str(), &entry.replica_uuid) != 0) {
    imsg_print(IMSG_ERROR, tbs_msg::StorageDirectoryNotVOB, storage.c_str());
    return TBS_ST_BAD_ARGUMENT;
  }
  entry.tag = tag.empty() ? info["tag_at_creation"] : tag;
  entry.storage_path = storage;
  entry.kind =
      std::atoi(info["kind"].c_str()) == RGY_VOB_PROJECT ? RGY_VOB_PROJECT : RGY_VOB_ORDINARY;
  return TBS_ST_OK;
}

}  // namespace

}  // namespace repo

int vob_register(const char* storage_path, const char* tag, vob_vob_h* vob) {
  if (storage_path == nullptr || *storage_path == '\0')
    return TBS_ST_BAD_ARGUMENT;
  std::string storage = repo::absolute(storage_path);
  rgy_vob_entry entry;
  int status = repo::entry_of_storage(storage, tag != nullptr ? tag : "", entry);
  if (status != 0)
    return status;
  if (!repo::is_valid_tag(entry.tag)) {
    imsg_print(IMSG_ERROR, tbs_msg::VOBTagMustSlash, entry.tag.c_str());
    return TBS_ST_BAD_ARGUMENT;
  }
  rgy_vob_entry existing;
  if (rgy_lookup_vob_replica(&entry.replica_uuid, &existing) == 0) {
    imsg_print(IMSG_ERROR, tbs_msg::StorageAlreadyRegisteredVOB, storage.c_str(),
               existing.tag.c_str());
    return TBS_ST_EXISTS;
  }
  if (rgy_lookup_vob_tag(entry.tag.c_str(), nullptr) == 0) {
    imsg_print(IMSG_ERROR, tbs_msg::VOBTagAlreadyExists, entry.tag.c_str());
    return TBS_ST_EXISTS;
  }
  status = rgy_add_vob_tag(entry);
  if (status == 0 && vob != nullptr)
    *vob = repo::intern_vob(entry);
  return status;
}

int vob_remove(const char* tag) {
  rgy_vob_entry entry;
  int status = rgy_lookup_vob_tag(tag, &entry);
  if (status == TBS_ST_NOT_FOUND)
    imsg_print(IMSG_ERROR, tbs_msg::VOBTagDoesNot, tag);
  if (status != 0)
    return status;
  vob_vob_h vob = repo::intern_vob(entry);
  repo::Store* store = nullptr;
  status = repo::vob_store(vob, store);
  if (status != 0)
    return status;
  tbs_dbid_t vob_object = 0;
  status = repo::well_known(*store, VOB_WK_VOB_OBJECT, &vob_object);
  if (status == 0)
    status = repo::check_owner_or_privileged(vob, *store, vob_object);
  if (status != 0)
    return status;
  std::vector<vob_vob_h> clients;
  status = vob_ob_get_client_vobs(vob, clients);
  if (status != 0)
    return status;
  if (!clients.empty()) {
    imsg_print(IMSG_ERROR, tbs_msg::VOBUsedAdminVOB, tag, clients.front()->tag.c_str());
    return TBS_ST_ERROR;
  }
  status = rgy_remove_vob_tag(tag);
  if (status != 0)
    return status;
  repo::close_vob(vob);
  std::error_code ec;
  std::filesystem::remove_all(entry.storage_path, ec);
  if (ec)
    imsg_print(IMSG_WARNING, tbs_msg::UnableRemove, entry.storage_path.c_str(),
               ec.message().c_str());
  return TBS_ST_OK;
}

int vob_resolve_vob(const char* pname_or_tag, vob_vob_h* vob) {
  if (pname_or_tag == nullptr || vob == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  rgy_vob_entry entry;
  int status = rgy_lookup_vob_tag(pname_or_tag, &entry);
  if (status == TBS_ST_NOT_FOUND) {
    // A path inside a VOB's storage directory names that VOB.
    std::string path = repo::absolute(pname_or_tag);
    std::vector<rgy_vob_entry> all;
    status = rgy_next_vob_entries(nullptr, 0, SIZE_MAX, all);
    if (status != 0)
      return status;
    status = TBS_ST_NOT_FOUND;
    for (const auto& e : all) {
      if (path == e.storage_path || path.rfind(e.storage_path + "/", 0) == 0) {
        entry = e;
        status = TBS_ST_OK;
        break;
      }
    }
  }
  if (status != 0)
    return status;
  *vob = repo::intern_vob(entry);
  return TBS_ST_OK;
}
