// vantool mkvob, lsvob, rmvob and register: making, listing, removing VOBs
// and registering an existing VOB storage again.
#include <cstdlib>
#include <cstring>

#include "sum/sum_vob.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_command.h"
#include "vantool_json.h"
#include "vantool_open.h"

namespace vantool {

namespace {

const char* kind_text(int kind) {
  return kind == RGY_VOB_PROJECT ? "project VOB" : "VOB";
}

std::string uuid_text(const tbs_uuid_t& uuid) {
  return static_cast<const char*>(SUM_Uuid(uuid).string());
}

// What lsvob shows of one VOB beyond its registry entry.
struct VobDetails {
  int feature_level = 0;
  std::string admin;  // tag of the admin VOB, "" when none
};

VobDetails details_of(const rgy_vob_entry& entry) {
  VobDetails d;
  SUM_Vob handle;
  if (SUM_Vob::construct_from_pname_or_tag(entry.tag.c_str(), 0, handle) != 0)
    return d;
  handle.feature_level(d.feature_level);
  SUM_Vob admin;
  if (handle.admin_vob(admin, 0) == 0) {
    SUM_String tag;
    if (admin.tag(tag) == 0)
      d.admin = static_cast<const char*>(tag);
  }
  return d;
}

int set_admin(const SUM_Vob& client, const std::string& tag, const std::string& admin_tag) {
  SUM_Vob admin;
  if (SUM_Vob::construct_from_pname_or_tag(admin_tag.c_str(), 0, admin) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::NoSuchVob, admin_tag.c_str());
    return kExitFailure;
  }
  if (client.set_admin_vob(admin) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableSetAdminVOB, admin_tag.c_str(), tag.c_str());
    return kExitFailure;
  }
  return kExitOk;
}

int run_mkvob(const ParsedArgs& args) {
  vob_create_args_t create;
  create.tag = args.value("tag");
  create.project_vob = args.has("pvob");
  create.is_public = !args.has("nonpublic");
  create.comment = args.comment();
  if (!args.operands().empty())
    create.storage_path = args.operands()[0];
  if (args.has("fl")) {
    std::string level = args.value("fl");
    char* end = nullptr;
    long n = std::strtol(level.c_str(), &end, 10);
    if (end == level.c_str() || *end != '\0' || n < VOB_FEATURE_LEVEL_MIN ||
        n > VOB_FEATURE_LEVEL_MAX) {
      imsg_print(IMSG_ERROR, vantool_msg::FeatureLevelNotNumber, level.c_str());
      return kExitUsage;
    }
    create.feature_level = static_cast<int>(n);
  }
  if (args.has("admin")) {
    SUM_Vob admin;
    if (SUM_Vob::construct_from_pname_or_tag(args.value("admin").c_str(), 0, admin) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::NoSuchVob, args.value("admin").c_str());
      return kExitFailure;
    }
  }
  SUM_Vob vob;
  if (SUM_Vob::create(create, vob) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableMakeVOB, create.tag.c_str());
    return kExitFailure;
  }
  std::string storage;
  vob.storage_path(storage);
  imsg_print(IMSG_INFO, vantool_msg::CreatedVOBFeatureLevel, create.tag.c_str(),
             kind_text(create.project_vob ? RGY_VOB_PROJECT : RGY_VOB_ORDINARY),
             create.feature_level, storage.c_str());
  if (args.has("admin"))
    return set_admin(vob, create.tag, args.value("admin"));
  return kExitOk;
}

void write_json(JsonWriter& json, const rgy_vob_entry& e, const VobDetails& d) {
  json.begin_object()
      .key("tag")
      .value(e.tag)
      .key("kind")
      .value(e.kind == RGY_VOB_PROJECT ? "project" : "ordinary")
      .key("feature_level")
      .value(d.feature_level)
      .key("storage")
      .value(e.storage_path)
      .key("region")
      .value(e.region)
      .key("public")
      .value(e.is_public != 0)
      .key("family_uuid")
      .value(uuid_text(e.family_uuid))
      .key("replica_uuid")
      .value(uuid_text(e.replica_uuid))
      .key("admin_vob")
      .value(d.admin)
      .end_object();
}

void print_long(const rgy_vob_entry& e, const VobDetails& d) {
  imsg_print_literal(IMSG_INFO,
                     "VOB \"%s\"\n  kind: %s\n  feature level: %d\n  storage: %s\n  region: %s\n"
                     "  public: %s\n  family: %s\n  replica: %s\n  admin VOB: %s\n",
                     e.tag.c_str(), kind_text(e.kind), d.feature_level, e.storage_path.c_str(),
                     e.region.c_str(), e.is_public ? "yes" : "no", uuid_text(e.family_uuid).c_str(),
                     uuid_text(e.replica_uuid).c_str(),
                     d.admin.empty() ? "(none)" : d.admin.c_str());
}

int run_lsvob(const ParsedArgs& args) {
  std::vector<rgy_vob_entry> entries;
  if (!args.operands().empty()) {
    rgy_vob_entry one;
    if (SUM_Vob::registry_entry(args.operands()[0].c_str(), one) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::NoSuchVob, args.operands()[0].c_str());
      return kExitFailure;
    }
    entries.push_back(one);
  } else {
    if (!registered_vobs(entries))
      return kExitFailure;
  }
  JsonWriter json;
  json.begin_array();
  for (const auto& e : entries) {
    if (args.has("short")) {
      imsg_print_literal(IMSG_INFO, "%s\n", e.tag.c_str());
      continue;
    }
    VobDetails d = details_of(e);
    if (args.has("json"))
      write_json(json, e, d);
    else if (args.has("long"))
      print_long(e, d);
    else
      imsg_print_literal(IMSG_INFO, "%-24s %-12s fl %d  %s\n", e.tag.c_str(), kind_text(e.kind),
                         d.feature_level, e.storage_path.c_str());
  }
  json.end_array();
  if (args.has("json"))
    imsg_print_literal(IMSG_INFO, "%s", json.str().c_str());
  return kExitOk;
}

// Registers an existing VOB storage again, under the tag it was made with
// unless -tag names another.
int run_register(const ParsedArgs& args) {
  const std::string& storage = args.operands()[0];
  std::string tag = args.has("tag") ? args.value("tag") : std::string();
  SUM_Vob vob;
  if (SUM_Vob::register_storage(storage.c_str(), tag.c_str(), vob) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableRegisterVOBStorage, storage.c_str());
    return kExitFailure;
  }
  rgy_vob_entry entry;
  SUM_String registered;
  if (vob.tag(registered) != 0 || SUM_Vob::registry_entry(registered, entry) != 0)
    return kExitFailure;
  imsg_print(IMSG_INFO, vantool_msg::RegisteredVOB, entry.tag.c_str(), kind_text(entry.kind),
             entry.storage_path.c_str());
  return kExitOk;
}

int run_rmvob(const ParsedArgs& args) {
  const std::string& tag = args.operands()[0];
  if (SUM_Vob::remove(tag.c_str()) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableRemoveVOB, tag.c_str());
    return kExitFailure;
  }
  imsg_print(IMSG_INFO, vantool_msg::RemovedVOB, tag.c_str());
  return kExitOk;
}

}  // namespace

void register_vob_commands(std::vector<Command>& table) {
  Command mk;
  mk.name = "mkvob";
  mk.synopsis =
      "mkvob -tag TAG [-pvob] [-fl LEVEL] [-admin TAG] [-nonpublic] [-c TEXT|-nc] [STORAGE]";
  mk.summary = "Make a VOB (a project VOB with -pvob) and register its tag.";
  mk.common = kCommentOptions;
  mk.options = {{"tag", true, "TAG", false},
                {"pvob", false, "", false},
                {"fl", true, "LEVEL", false},
                {"admin", true, "TAG", false},
                {"nonpublic", false, "", false}};
  mk.required = {"tag"};
  mk.max_operands = 1;
  mk.run = run_mkvob;
  table.push_back(mk);

  Command ls;
  ls.name = "lsvob";
  ls.synopsis = "lsvob [-short|-long] [-json] [TAG]";
  ls.summary = "List the VOBs of the region, or one VOB.";
  ls.common = kListingOptions;
  ls.max_operands = 1;
  ls.run = run_lsvob;
  table.push_back(ls);

  Command rm;
  rm.name = "rmvob";
  rm.synopsis = "rmvob TAG";
  rm.summary = "Remove a VOB: its tag and its storage.";
  rm.min_operands = 1;
  rm.max_operands = 1;
  rm.operand_name = "a VOB tag";
  rm.run = run_rmvob;
  table.push_back(rm);

  Command reg;
  reg.name = "register";
  reg.synopsis = "register [-tag TAG] STORAGE";
  reg.summary = "Register an existing VOB storage directory again (after the registry was lost).";
  reg.options = {{"tag", true, "TAG", false}};
  reg.min_operands = 1;
  reg.max_operands = 1;
  reg.operand_name = "a VOB storage directory";
  reg.run = run_register;
  table.push_back(reg);
}

}  // namespace vantool
