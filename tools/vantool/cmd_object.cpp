// vantool describe, lock and unlock: any object named by a selector.
#include <ctime>

#include "sum/sum_os_user.h"
#include "sum/sum_replica.h"
#include "sum/sum_stream.h"
#include "sum/sum_version.h"
#include "sum/sum_view.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_activity.h"
#include "vantool_baseline.h"
#include "vantool_command.h"
#include "vantool_text.h"
#include "vantool_json.h"
#include "vantool_operation.h"
#include "vantool_view.h"

namespace vantool {

namespace {

// Whether `text` is the tag of a registered VOB.
bool is_vob_tag(const std::string& text) {
  rgy_vob_entry entry;
  return SUM_Vob::registry_entry(text.c_str(), entry) == 0;
}

// Whether `text` names an object by selector ("kind:name@vob", "name@vob",
// "oid:...") or VOB tag rather than by a path in a view.
bool is_selector(const std::string& text) {
  if (text.find("@@") != std::string::npos)
    return false;
  if (!text.empty() && text[0] == '/')
    return is_vob_tag(text);
  size_t at = text.find('@');
  return at != std::string::npos && text.find('/') > at;
}

// Resolves a path or extended path ("file@@/main/2") of a view to its
// version (the one the view selects when no version is named).
bool resolve_path(const std::string& text, const ParsedArgs& args, SUM_VobObject& object) {
  std::string path;
  std::string version_part;
  split_extended_path(text, path, version_part);
  ViewHandle view;
  if (!open_view(args, path, view))
    return false;
  view_path_info_t info;
  tbs_dbid_t version = 0;
  if (!resolve_version(view, text, info, version))
    return false;
  SUM_Vob handle;
  SUM_Vob::construct_from_handle(info.vob, handle);
  object = SUM_VobObject(handle, version);
  return true;
}

// Resolves `text` (a selector, a VOB tag for the VOB object, or a path in a
// view) to an object, printing why when it cannot.
bool resolve(const std::string& text, const ParsedArgs& args, SUM_VobObject& object) {
  if (!is_selector(text))
    return resolve_path(text, args, object);
  std::string selector = text;
  if (!text.empty() && text[0] == '/' && is_vob_tag(text))
    selector = "vob:" + text;
  SUM_VobObject found;
  int status = SUM_VobObject::construct_from_any_selector(selector.c_str(), SUM_Vob(), found);
  if (status != 0) {
    const char* why = status == TBS_ST_BAD_ARGUMENT ? "not a selector of the form kind:name@vob-tag"
                                                    : "no such object";
    imsg_print(IMSG_ERROR, vantool_msg::CannotResolve, text.c_str(), why);
    return false;
  }
  object = found;
  return true;
}

// Everything describe shows of one object.
struct Description {
  std::string selector, universal, oid, kind, owner, created, comment, master, name;
  bool master_here = false;
  bool locked = false, obsolete = false;
  std::vector<std::string> exempt;
  std::vector<std::pair<std::string, std::string>> pvars;  // name, value
  struct Link {
    std::string type, other;
    bool outgoing = true;
  };
  std::vector<Link> links;
  // For versions: the element's version details.
  bool is_version = false;
  std::string version, predecessor, checkout_view;
  std::string element_type;  // "text file", "binary file (never merged)", "directory"
  bool checked_out = false;
  // For the VOB object: the VOB itself.
  bool is_vob = false, project_vob = false;
  int feature_level = 0;
  std::string storage, admin;
  // For streams: the tags of the views attached to it, and its rebase and
  // deliver in progress.
  bool is_stream = false;
  std::vector<std::string> views;
  OperationsInProgress operations;
  // For activities: headline, stream, views, change set.
  bool is_activity = false;
  ActivityDetails activity;
  // For baselines: component, stream, level, labeling, activities, members.
  bool is_baseline = false;
  BaselineDetails baseline;
};

// The tag of the view with UUID `uuid`; the UUID's text when it has none.
std::string view_tag_of(const SUM_Uuid& uuid) {
  SUM_View view;
  SUM_String tag;
  if (SUM_View::construct_from_uuid(uuid, view) == 0 && view.tag(tag, 1) == 0)
    return static_cast<const char*>(tag);
  return static_cast<const char*>(uuid.string());
}

// How describe names an element's type (vob_eltype).
const char* element_type_text(int eltype) {
  switch (eltype) {
    case VOB_ELTYPE_FILE:
      return "text file";
    case VOB_ELTYPE_FILE_NEVER_MERGE:
      return "binary file (never merged)";
    case VOB_ELTYPE_DIRECTORY:
      return "directory";
    default:
      return "unknown";
  }
}

void describe_stream(const SUM_Stream& stream, Description& d) {
  d.is_stream = true;
  SUM_UuidList uuids;
  stream.views(uuids);
  for (unsigned i = 0; i < uuids.count(); ++i) {
    d.views.push_back(view_tag_of(uuids[i]));
  }
  read_operations_in_progress(stream, d.operations);
}

void describe_vob(const SUM_Vob& vob, Description& d) {
  d.is_vob = true;
  int pvob = 0;
  vob.is_sum_pvob(pvob);
  d.project_vob = pvob != 0;
  vob.feature_level(d.feature_level);
  vob.storage_path(d.storage);
  SUM_Vob admin;
  SUM_String tag;
  if (vob.admin_vob(admin, 0) == 0 && admin.tag(tag) == 0)
    d.admin = static_cast<const char*>(tag);
}

int describe_object(const SUM_VobObject& object, Description& d) {
  SUM_String text;
  if (object.selector(text) != 0)
    return kExitFailure;
  d.selector = static_cast<const char*>(text);
  if (object.univ_selector(text) == 0)
    d.universal = static_cast<const char*>(text);
  SUM_Oid oid;
  if (object.oid(oid) == 0)
    d.oid = static_cast<const char*>(oid.string());
  vob_mtype_t mtype = 0;
  if (object.metatype(mtype) == 0)
    d.kind = SUM_VobObject::metatype_text(mtype);
  if (mtype == VOB_MTYPE_VOB)
    describe_vob(object.vob(), d);
  if (!SUM_Stream::convert(object).is_null())
    describe_stream(SUM_Stream::convert(object), d);
  if (!SUM_Activity::convert(object).is_null())
    d.is_activity = read_activity_details(SUM_Activity::convert(object), SUM_View(), d.activity);
  if (!SUM_Baseline::convert(object).is_null())
    d.is_baseline = read_baseline_details(SUM_Baseline::convert(object), d.baseline);
  vob_ver_details_t details;
  SUM_Version version(object.vob(), object.dbid());
  if ((mtype == VOB_MTYPE_FILE_VERSION || mtype == VOB_MTYPE_DIRECTORY_VERSION) &&
      version.details(details) == 0) {
    d.is_version = true;
    d.version = version_name(object.vob(), object.dbid());
    d.element_type = element_type_text(details.eltype);
    d.predecessor =
        details.predecessor != 0 ? version_name(object.vob(), details.predecessor) : "(none)";
    d.checked_out = details.checked_out != 0;
    vob_ckout_info_t ckout;
    SUM_Uuid view_uuid;
    SUM_View view;
    SUM_String tag;
    if (d.checked_out && version.checkout_info(ckout) == 0 &&
        SUM_Uuid::construct_from_string(ckout.view_uuid.c_str(), view_uuid) == 0 &&
        SUM_View::construct_from_uuid(view_uuid, view) == 0 && view.tag(tag, 1) == 0)
      d.checkout_view = static_cast<const char*>(tag);
  }
  SUM_OsUser owner;
  if (object.owner(owner) == 0) {
    char login[256];
    owner.login_name(login);
    d.owner = login;
  }
  long created = 0;
  if (object.creation_time(created) == 0)
    d.created = time_text(created);
  if (object.description(text) == 0)
    d.comment = static_cast<const char*>(text);
  SUM_Replica master;
  SUM_Replica here;
  int local = 0;
  if (object.has_local_mastership(local, master, here) == 0) {
    d.master_here = local != 0;
    if (master.name(text) == 0)
      d.master = static_cast<const char*>(text);
  }
  vob_lock_t lock;
  if (object.lock_info(lock) == 0) {
    d.locked = true;
    d.obsolete = lock.obsolete != 0;
    d.exempt = lock.exempt;
  }
  std::vector<std::string> names;
  object.pvar_names(names);
  for (const auto& name : names) {
    std::string value;
    object.pvar_value(name.c_str(), value);
    d.pvars.emplace_back(name, value);
  }
  std::vector<vob_hlink_typed_end_t> ends;
  object.hyperlink_ends(ends);
  for (const auto& e : ends) {
    Description::Link link;
    link.type = e.type_name;
    link.outgoing = e.direction != 0;
    SUM_String selector;
    link.other =
        !e.end.broken &&
                SUM_VobObject(SUM_Vob(e.end.other_vob), e.end.other).selector(selector) == 0
            ? static_cast<const char*>(selector)
            : "<broken>";
    d.links.push_back(link);
  }
  return kExitOk;
}

// A PVAR value on one line: line breaks shown as "\n".
std::string one_line(const std::string& value) {
  std::string out;
  for (char c : value)
    out += c == '\n' ? std::string("\\n") : std::string(1, c);
  return out;
}

void print_description(const Description& d) {
  imsg_print_literal(IMSG_INFO,
                     "%s \"%s\"\n  kind: %s\n  universal selector: %s\n  oid: %s\n  owner: %s\n"
                     "  created: %s\n  comment: \"%s\"\n  master replica: %s%s\n",
                     d.kind.c_str(), d.selector.c_str(), d.kind.c_str(), d.universal.c_str(),
                     d.oid.c_str(), d.owner.c_str(), d.created.c_str(), d.comment.c_str(),
                     d.master.c_str(), d.master_here ? " (this replica)" : "");
  if (d.is_version)
    imsg_print_literal(IMSG_INFO, "  version: %s\n  element type: %s\n  predecessor: %s\n%s%s%s",
                       d.version.c_str(), d.element_type.c_str(), d.predecessor.c_str(),
                       d.checked_out ? "  checked out in view \"" : "",
                       d.checked_out ? d.checkout_view.c_str() : "", d.checked_out ? "\"\n" : "");
  if (d.is_vob)
    imsg_print_literal(IMSG_INFO, "  %s, feature level %d\n  storage: %s\n  admin VOB: %s\n",
                       d.project_vob ? "project VOB" : "ordinary VOB", d.feature_level,
                       d.storage.c_str(), d.admin.empty() ? "(none)" : d.admin.c_str());
  if (d.is_stream)
    imsg_print_literal(IMSG_INFO, "  views: %s\n",
                       d.views.empty() ? "(none)" : joined(d.views).c_str());
  if (d.is_stream)
    print_operations_in_progress(d.operations);
  if (d.is_activity)
    print_activity_details(d.activity);
  if (d.is_baseline)
    print_baseline_details(d.baseline);
  if (d.locked)
    imsg_print_literal(IMSG_INFO, "  locked%s%s%s\n", d.obsolete ? " (obsolete)" : "",
                       d.exempt.empty() ? "" : ", except for: ", joined(d.exempt).c_str());
  if (!d.links.empty())
    imsg_print_literal(IMSG_INFO, "  hyperlinks:\n");
  for (const auto& l : d.links)
    imsg_print_literal(IMSG_INFO, "    %s %s %s\n", l.type.c_str(), l.outgoing ? "->" : "<-",
                       l.other.c_str());
  if (!d.pvars.empty())
    imsg_print_literal(IMSG_INFO, "  process variables:\n");
  for (const auto& [name, value] : d.pvars)
    imsg_print_literal(IMSG_INFO, "    %s = \"%s\"\n", name.c_str(), one_line(value).c_str());
}

void print_json(const Description& d) {
  JsonWriter json;
  json.begin_object()
      .key("selector")
      .value(d.selector)
      .key("universal_selector")
      .value(d.universal)
      .key("oid")
      .value(d.oid)
      .key("kind")
      .value(d.kind)
      .key("owner")
      .value(d.owner)
      .key("created")
      .value(d.created)
      .key("comment")
      .value(d.comment)
      .key("master")
      .value(d.master)
      .key("master_here")
      .value(d.master_here)
      .key("locked")
      .value(d.locked)
      .key("obsolete")
      .value(d.obsolete)
      .key("exempt")
      .begin_array();
  for (const auto& e : d.exempt)
    json.value(e);
  json.end_array();
  if (d.is_vob)
    json.key("project_vob")
        .value(d.project_vob)
        .key("feature_level")
        .value(d.feature_level)
        .key("storage")
        .value(d.storage)
        .key("admin_vob")
        .value(d.admin);
  if (d.is_version)
    json.key("version")
        .value(d.version)
        .key("element_type")
        .value(d.element_type)
        .key("predecessor")
        .value(d.predecessor);
  if (d.is_stream) {
    json.key("views").begin_array();
    for (const auto& v : d.views)
      json.value(v);
    json.end_array();
    write_operations_json(d.operations, json);
  }
  if (d.is_activity) {
    json.key("activity").begin_object();
    write_activity_json(d.activity, json);
    json.end_object();
  }
  if (d.is_baseline) {
    json.key("baseline").begin_object();
    write_baseline_json(d.baseline, json);
    json.end_object();
  }
  json.key("hyperlinks").begin_array();
  for (const auto& l : d.links)
    json.begin_object()
        .key("type")
        .value(l.type)
        .key("direction")
        .value(l.outgoing ? "out" : "in")
        .key("object")
        .value(l.other)
        .end_object();
  json.end_array().key("process_variables").begin_object();
  for (const auto& [name, value] : d.pvars)
    json.key(name).value(value);
  json.end_object().end_object();
  imsg_print_literal(IMSG_INFO, "%s", json.str().c_str());
}

int run_describe(const ParsedArgs& args) {
  int result = kExitOk;
  for (const auto& text : args.operands()) {
    SUM_VobObject object;
    Description d;
    if (!resolve(text, args, object) || describe_object(object, d) != kExitOk) {
      result = kExitFailure;
      continue;
    }
    if (args.has("json"))
      print_json(d);
    else
      print_description(d);
  }
  return result;
}

int run_lock(const ParsedArgs& args) {
  std::string comment = args.comment();
  std::vector<std::string> exempt = split_commas(args.value("nusers"));
  int result = kExitOk;
  for (const auto& text : args.operands()) {
    SUM_VobObject object;
    if (!resolve(text, args, object)) {
      result = kExitFailure;
      continue;
    }
    if (object.lock(args.has("obsolete") ? 1 : 0, exempt, comment.c_str()) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableLock, text.c_str());
      result = kExitFailure;
      continue;
    }
    imsg_print(IMSG_INFO, vantool_msg::Locked, args.has("obsolete") ? "and obsoleted " : "",
               object.any_fullname());
  }
  return result;
}

int run_unlock(const ParsedArgs& args) {
  std::string comment = args.comment();
  int result = kExitOk;
  for (const auto& text : args.operands()) {
    SUM_VobObject object;
    if (!resolve(text, args, object)) {
      result = kExitFailure;
      continue;
    }
    int status = object.unlock(comment.c_str());
    if (status == TBS_ST_NOT_FOUND) {
      imsg_print(IMSG_ERROR, vantool_msg::NotLocked, "Object", object.any_fullname());
      result = kExitFailure;
    } else if (status != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableUnlock, text.c_str());
      result = kExitFailure;
    } else {
      imsg_print(IMSG_INFO, vantool_msg::Unlocked, "", object.any_fullname());
    }
  }
  return result;
}

}  // namespace

void register_object_commands(std::vector<Command>& table) {
  Command describe;
  describe.name = "describe";
  describe.aliases = {"desc"};
  describe.synopsis = "describe [-json] [-view TAG] SELECTOR|VOB-TAG|PATH[@@VERSION]...";
  describe.common = kViewOption;
  describe.summary =
      "Describe objects: identity, owner, creation, mastership, lock, hyperlinks, process "
      "variables.";
  describe.options = {{"json", false, "", false}};
  describe.min_operands = 1;
  describe.max_operands = kUnlimited;
  describe.operand_name = "an object selector";
  describe.run = run_describe;
  table.push_back(describe);

  Command lock;
  lock.name = "lock";
  lock.synopsis = "lock [-obsolete] [-nusers USER[,...]] [-c TEXT|-nc] SELECTOR...";
  lock.summary = "Lock objects against change, except for the users named.";
  lock.common = kCommentOptions;
  lock.options = {{"obsolete", false, "", false}, {"nusers", true, "USERS", false}};
  lock.min_operands = 1;
  lock.max_operands = kUnlimited;
  lock.operand_name = "an object selector";
  lock.run = run_lock;
  table.push_back(lock);

  Command unlock;
  unlock.name = "unlock";
  unlock.synopsis = "unlock [-c TEXT|-nc] SELECTOR...";
  unlock.summary = "Remove the locks of objects.";
  unlock.common = kCommentOptions;
  unlock.min_operands = 1;
  unlock.max_operands = kUnlimited;
  unlock.operand_name = "an object selector";
  unlock.run = run_unlock;
  table.push_back(unlock);
}

}  // namespace vantool
