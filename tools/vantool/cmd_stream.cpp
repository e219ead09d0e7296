// vantool mkstream, chstream, lsstream and rmstream: the streams of a project.
#include <memory>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "sum/sum_baseline.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_component.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "sum/sum_vob.h"
#include "sum/sum_status.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_command.h"
#include "vantool_json.h"
#include "vantool_open.h"
#include "vantool_operation.h"
#include "vantool_settings.h"
#include "vantool_text.h"

namespace vantool {

namespace {

// Messages of the vantool catalog used here.
// Stream catalog: "Cannot set default deliver target of a non-integration
// stream."

// Applies -policy and -npolicy to the stream's own policies; 0 when
// nothing failed.
int change_policies(const SUM_Stream& stream, const ParsedArgs& args, const std::string& comment) {
  SUM_PolicyList list;
  int level = 0;
  int status = stream.policy(list);
  if (status == 0)
    status = stream.vob().feature_level(level);
  if (status == 0)
    status = apply_policy_options(args, level, false, list);
  if (status == 0)
    status = stream.set_policy(list, comment.c_str(), 1);
  return status == TBS_ST_UNCHANGED ? 0 : status;
}

// The foundation of a new stream: the baselines of -baseline; without it,
// an integration stream starts empty, and a development stream takes what
// its parent stream recommends, or its parent's foundation when that
// recommends nothing; placed in the project, the project's recommended
// baselines.
bool new_foundation(const ParsedArgs& args, const SUM_Vob& pvob, const SUM_Project& project,
                    const SUM_Stream& parent, int integration, SUM_BaselineList& out) {
  if (args.has("baseline"))
    return baseline_options(args, "baseline", pvob, out);
  if (integration)
    return true;
  if (parent.is_null())
    return project.rec_baselines(out) == 0;
  int unavailable = 0;
  if (parent.recbls(out) != 0)
    return false;
  return out.count() > 0 || parent.explicit_baselines(out, unavailable) == 0;
}

int run_mkstream(const ParsedArgs& args) {
  const std::string& operand = args.operands()[0];
  vob_objsel_t parsed;
  SUM_Vob pvob;
  int exit = kExitOk;
  if (!new_object_operand("mkstream", operand, "stream", vantool_msg::NotAStream, parsed, pvob,
                          exit))
    return exit;
  // -in names the project or the parent stream.
  std::string where = args.value("in");
  SUM_Project project;
  SUM_Stream parent;
  if (SUM_Stream::construct_from_selector(where.c_str(), pvob, parent) == 0) {
    if (parent.project(project) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::NeitherProjectNorStream, where.c_str());
      return kExitFailure;
    }
  } else if (SUM_Project::construct_from_selector(where.c_str(), pvob, project) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::NeitherProjectNorStream, where.c_str());
    return kExitFailure;
  }
  int integration = args.has("integration") ? 1 : 0;
  SUM_Stream target;
  if (args.has("target")) {
    if (!integration) {
      imsg_print(IMSG_ERROR, sum_stream_msg::TargetNotIntegration);
      return kExitFailure;
    }
    if (!open_stream(args.value("target"), target))
      return kExitFailure;
  }
  // Policy keys are checked before anything is made.
  SUM_PolicyList policies;
  int level = 0;
  int policy_status = TBS_ST_UNCHANGED;
  if (args.has("policy") || args.has("npolicy")) {
    SUM_Policy::add_defaults(policies, 1);
    policy_status = pvob.feature_level(level);
    if (policy_status == 0)
      policy_status = apply_policy_options(args, level, false, policies);
    if (policy_status != 0 && policy_status != TBS_ST_UNCHANGED)
      return kExitFailure;
  }
  std::string comment = args.comment();
  std::string title = args.value("title");
  std::string label = parsed.name + "@" + parsed.vob;
  SUM_BaselineList foundation;
  if (!new_foundation(args, pvob, project, parent, integration, foundation)) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableCreateStream, label.c_str());
    return kExitFailure;
  }
  SUM_Stream made;
  if (SUM_Stream::create(parsed.name.c_str(), comment.c_str(), project, parent, title.c_str(),
                         integration, args.has("readonly") ? 1 : 0, foundation, made) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableCreateStream, label.c_str());
    return kExitFailure;
  }
  if (!target.is_null() && made.set_deliver_stream(target, comment.c_str()) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::TargetNotSet, label.c_str());
    return kExitFailure;
  }
  if (policy_status == 0 && made.set_policy(policies, comment.c_str(), 1) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::PoliciesNotSet, label.c_str());
    return kExitFailure;
  }
  imsg_print(IMSG_INFO, vantool_msg::CreatedStream, label.c_str());
  return kExitOk;
}

// The options of chstream that change something.
const char* const kStreamChanges[] = {"target",       "ntarget",  "policy",   "npolicy",
                                      "title",        "amodcomp", "dmodcomp", "recommended",
                                      "nrecommended", "none",     "default",  "generate"};

// Applies -amodcomp and -dmodcomp; 0 when nothing failed.
int change_mod_comps(const SUM_Stream& stream, const ParsedArgs& args, const std::string& comment) {
  SUM_ComponentList added, removed;
  if (!component_options(args, "amodcomp", stream.vob(), added) ||
      !component_options(args, "dmodcomp", stream.vob(), removed))
    return SUM_FAILED;
  int status = added.count() > 0 ? stream.add_mod_comps(added, comment.c_str()) : 0;
  if (status == 0 && removed.count() > 0)
    status = stream.delete_mod_comps(removed, comment.c_str());
  return status;
}

// Applies -recommended, -nrecommended (-none) or -default; 0 when nothing
// failed.
int change_recommended(const SUM_Stream& stream, const ParsedArgs& args,
                       const std::string& comment) {
  SUM_BaselineList list;
  if (args.has("recommended") && !baseline_options(args, "recommended", stream.vob(), list))
    return SUM_FAILED;
  if (args.has("default")) {
    int status = stream.default_recbls(list);
    if (status != 0)
      return status;
  }
  return stream.set_recbls(list, comment.c_str(), 1);
}

int run_chstream(const ParsedArgs& args) {
  bool any = false;
  for (const char* option : kStreamChanges)
    any = any || args.has(option);
  if (!any) {
    return usage_error(*find_command("chstream"), imsg_format(vantool_msg::NoStreamChange).c_str());
  }
  SUM_Stream stream;
  if (!open_stream(args.operands()[0], stream))
    return kExitFailure;
  std::string comment = args.comment();
  std::string label = label_of(stream);
  int status = 0;
  if (args.has("target") || args.has("ntarget")) {
    SUM_Stream target;
    if (args.has("target") && !open_stream(args.value("target"), target))
      return kExitFailure;
    status = stream.set_deliver_stream(target, comment.c_str());
  }
  if (status == 0 && (args.has("policy") || args.has("npolicy")))
    status = change_policies(stream, args, comment);
  if (status == 0 && args.has("title"))
    status = stream.set_title(args.value("title").c_str(), comment.c_str());
  if (status == 0 && (args.has("amodcomp") || args.has("dmodcomp")))
    status = change_mod_comps(stream, args, comment);
  if (status == 0 && (args.has("recommended") || args.has("nrecommended") || args.has("none") ||
                      args.has("default")))
    status = change_recommended(stream, args, comment);
  if (status != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableChangeStream, label.c_str());
    return kExitFailure;
  }
  bool other_changes = false;
  for (const char* option : kStreamChanges)
    other_changes = other_changes || (args.has(option) && std::string(option) != "generate");
  if (other_changes)
    imsg_print(IMSG_INFO, vantool_msg::ChangedStream, label.c_str());
  // -generate comes last, so that the text reflects the changes above.
  if (!args.has("generate"))
    return kExitOk;
  if (stream.regen_cspec(0) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableRegenerateSpec, label.c_str());
    return kExitFailure;
  }
  imsg_print(IMSG_INFO, vantool_msg::Regenerated, label.c_str());
  return kExitOk;
}

// What -long and -json show of a stream's configuration: its foundation
// baselines, recommended baselines and stream-modifiable components, its
// rebase stream ("" for none) and the recommended baselines of that stream
// it is behind, each as NAME@PVOB.
struct ConfigLabels {
  std::vector<std::string> foundation, recommended, mod_comps;
  std::string rebase_stream;
  std::vector<std::string> behind;
};

bool read_config_labels(const SUM_Stream& stream, ConfigLabels& out) {
  SUM_BaselineList foundation, recommended;
  SUM_ComponentList mod_comps;
  int unavailable = 0;
  if (stream.explicit_baselines(foundation, unavailable) != 0 || stream.recbls(recommended) != 0 ||
      stream.stream_only_mod_comps(mod_comps) != 0)
    return false;
  out.foundation = labels_of(foundation);
  out.recommended = labels_of(recommended);
  out.mod_comps = labels_of(mod_comps);
  SUM_Stream rebase_stream;
  int status = stream.rebase_stream(rebase_stream);
  if (status == SUM_NOT_FOUND)
    return true;
  SUM_BaselineList behind;
  if (status != 0 || stream.behind_recommended(behind) != 0)
    return false;
  out.rebase_stream = label_of(rebase_stream);
  out.behind = labels_of(behind);
  return true;
}

// The "behind recommended" text of -long: the baselines, "(up to date)",
// or "(no rebase stream)".
std::string behind_text(const ConfigLabels& config) {
  if (config.rebase_stream.empty())
    return "(no rebase stream)";
  return config.behind.empty() ? "(up to date)" : joined(config.behind);
}

void json_list(JsonWriter& json, const char* key, const std::vector<std::string>& items) {
  json.key(key).begin_array();
  for (const std::string& item : items)
    json.value(item);
  json.end_array();
}

// Prints one stream in the form the options ask for.
bool print_stream(const SUM_Stream& stream, const ParsedArgs& args, JsonWriter& json) {
  std::string label = label_of(stream);
  SUM_String title;
  SUM_Project project;
  int integration = 0, read_only = 0;
  if (stream.title(title) != 0 || stream.project(project) != 0 ||
      stream.is_integration(integration) != 0 || stream.is_read_only(read_only) != 0)
    return false;
  SUM_Stream parent, target;
  std::string parent_label = stream.parent_stream(parent) == 0 ? label_of(parent) : "";
  std::string target_label = stream.deliver_stream(target) == 0 ? label_of(target) : "";
  std::string kind = integration ? "integration" : "development";
  ConfigLabels config;
  OperationsInProgress operations;
  if ((args.has("json") || args.has("long")) &&
      (!read_config_labels(stream, config) || !read_operations_in_progress(stream, operations)))
    return false;
  if (args.has("json")) {
    json.begin_object().key("name").value(label).key("title").value(text_of(title));
    json.key("project").value(label_of(project)).key("parent").value(parent_label);
    json.key("integration").value(integration != 0).key("read_only").value(read_only != 0);
    json.key("deliver_target").value(target_label);
    json_list(json, "foundation", config.foundation);
    json_list(json, "recommended", config.recommended);
    json_list(json, "mod_comps", config.mod_comps);
    json.key("rebase_stream").value(config.rebase_stream);
    json_list(json, "behind_recommended", config.behind);
    write_operations_json(operations, json);
    json.end_object();
  } else if (args.has("short")) {
    imsg_print_literal(IMSG_INFO, "%s\n", label.c_str());
  } else if (args.has("long")) {
    imsg_print_literal(IMSG_INFO,
                       "stream \"%s\"\n  title: %s\n  project: %s\n  parent stream: %s\n"
                       "  kind: %s%s\n  default deliver target: %s\n  foundation baselines: %s\n"
                       "  recommended baselines: %s\n  stream-modifiable components: %s\n"
                       "  rebase stream: %s\n  behind recommended: %s\n",
                       label.c_str(), static_cast<const char*>(title), label_of(project).c_str(),
                       parent_label.c_str(), kind.c_str(), read_only ? ", read-only" : "",
                       target_label.c_str(), joined(config.foundation).c_str(),
                       joined(config.recommended).c_str(), joined(config.mod_comps).c_str(),
                       config.rebase_stream.empty() ? "(none)" : config.rebase_stream.c_str(),
                       behind_text(config).c_str());
    print_operations_in_progress(operations);
  } else {
    imsg_print_literal(IMSG_INFO, "%s  \"%s\"%s%s\n", label.c_str(),
                       static_cast<const char*>(title), integration ? "  (integration)" : "",
                       read_only ? "  (read-only)" : "");
  }
  return true;
}

// Draws `stream` and the streams below it, two spaces deeper per level.
bool print_tree(const SUM_Stream& stream, int depth) {
  int integration = 0, read_only = 0;
  if (stream.is_integration(integration) != 0 || stream.is_read_only(read_only) != 0)
    return false;
  imsg_print_literal(IMSG_INFO, "%s%s%s%s\n", std::string(2 * depth, ' ').c_str(),
                     label_of(stream).c_str(), integration ? " (integration)" : "",
                     read_only ? " (read-only)" : "");
  std::unique_ptr<SUM_Stream::ChildIter> iter(stream.child_streams());
  bool ok = true;
  for (iter->first(); !iter->is_done(); iter->next()) {
    SUM_Stream child;
    ok = iter->current_item(child) == 0 && print_tree(child, depth + 1) && ok;
  }
  return ok && iter->status() == 0;
}

// Draws a project and its streams: those placed in the project first, each
// with the streams below it.
bool print_project_tree(const SUM_Project& project) {
  std::vector<SUM_Stream> streams;
  if (SUM_Stream::project_streams(project, streams) != 0)
    return false;
  imsg_print_literal(IMSG_INFO, "%s\n", label_of(project).c_str());
  bool ok = true;
  for (const SUM_Stream& s : streams) {
    SUM_Stream parent;
    int status = s.parent_stream(parent);
    if (status == SUM_NOT_FOUND)
      ok = print_tree(s, 1) && ok;
    else if (status != 0)
      ok = false;
  }
  return ok;
}

int run_lsstream(const ParsedArgs& args) {
  std::vector<SUM_Stream> streams;
  SUM_ProjectList projects;
  if (!args.operands().empty()) {
    SUM_Stream stream;
    if (!open_stream(args.operands()[0], stream))
      return kExitFailure;
    if (args.has("tree"))
      return print_tree(stream, 0) ? kExitOk : kExitFailure;
    streams.push_back(stream);
  } else {
    if (args.has("in")) {
      SUM_Project project;
      if (!open_project(args.value("in"), project))
        return kExitFailure;
      projects.append(project);
    } else if (!all_projects(projects, vantool_msg::UnableListStreams)) {
      return kExitFailure;
    }
    for (unsigned i = 0; i < projects.count(); ++i) {
      bool listed = args.has("tree") ? print_project_tree(projects[i])
                                     : SUM_Stream::project_streams(projects[i], streams) == 0;
      if (!listed) {
        imsg_print(IMSG_ERROR, vantool_msg::UnableListStreams, label_of(projects[i]).c_str());
        return kExitFailure;
      }
    }
    if (args.has("tree"))
      return kExitOk;
  }
  return print_listing(args, streams, vantool_msg::UnableListStreams, print_stream);
}

int run_rmstream(const ParsedArgs& args) {
  SUM_Stream stream;
  if (!open_stream(args.operands()[0], stream))
    return kExitFailure;
  return remove_reported(stream, args.comment(), vantool_msg::RemovedStream,
                         vantool_msg::UnableRemoveStream);
}

}  // namespace

void register_stream_commands(std::vector<Command>& table) {
  Command mk;
  mk.name = "mkstream";
  mk.synopsis =
      "mkstream -in PROJECT|STREAM [-integration] [-readonly] [-baseline BASELINES] "
      "[-target STREAM] [-policy KEYS] [-npolicy KEYS] [-title TEXT] [-c TEXT|-nc] NAME@PVOB";
  mk.summary = "Create a stream in a project or under a parent stream.";
  mk.common = kCommentOptions;
  mk.options = {{"in", true, "PROJECT|STREAM", false}, {"integration", false, "", false},
                {"readonly", false, "", false},        {"target", true, "STREAM", false},
                {"title", true, "TEXT", false},        {"baseline", true, "BASELINES", true},
                {"policy", true, "KEYS", true},        {"npolicy", true, "KEYS", true}};
  mk.required = {"in"};
  mk.min_operands = 1;
  mk.max_operands = 1;
  mk.operand_name = "the new stream's NAME@PVOB";
  mk.run = run_mkstream;
  table.push_back(mk);

  Command ch;
  ch.name = "chstream";
  ch.synopsis =
      "chstream [-target STREAM|-ntarget] [-policy KEYS] [-npolicy KEYS] [-title TEXT] "
      "[-amodcomp COMPS] [-dmodcomp COMPS] [-recommended BASELINES|-nrecommended|-none|-default] "
      "[-generate] [-c TEXT|-nc] STREAM";
  ch.summary =
      "Change a stream's default deliver target, policies, title, stream-modifiable components "
      "or recommended baselines; -generate regenerates its config spec.";
  ch.common = kCommentOptions;
  ch.options = {{"target", true, "STREAM", false},  {"ntarget", false, "", false},
                {"policy", true, "KEYS", true},     {"npolicy", true, "KEYS", true},
                {"title", true, "TEXT", false},     {"amodcomp", true, "COMPS", true},
                {"dmodcomp", true, "COMPS", true},  {"recommended", true, "BASELINES", true},
                {"nrecommended", false, "", false}, {"default", false, "", false},
                {"none", false, "", false},         {"generate", false, "", false}};
  ch.exclusive = {{"target", "ntarget"},      {"recommended", "nrecommended"},
                  {"recommended", "default"}, {"nrecommended", "default"},
                  {"none", "recommended"},    {"none", "nrecommended"},
                  {"none", "default"}};
  ch.min_operands = 1;
  ch.max_operands = 1;
  ch.operand_name = "a STREAM";
  ch.run = run_chstream;
  table.push_back(ch);

  Command ls;
  ls.name = "lsstream";
  ls.synopsis = "lsstream [-in PROJECT] [-tree] [-short|-long] [-json] [STREAM]";
  ls.summary = "List streams: one, those of a project, or those of every PVOB; -tree draws them.";
  ls.common = kListingOptions;
  ls.options = {{"in", true, "PROJECT", false}, {"tree", false, "", false}};
  ls.min_operands = 0;
  ls.max_operands = 1;
  ls.operand_name = "a STREAM";
  ls.run = run_lsstream;
  table.push_back(ls);

  Command rm;
  rm.name = "rmstream";
  rm.synopsis = "rmstream [-c TEXT|-nc] STREAM";
  rm.summary = "Remove a stream that has no child streams.";
  rm.common = kCommentOptions;
  rm.min_operands = 1;
  rm.max_operands = 1;
  rm.operand_name = "a STREAM";
  rm.run = run_rmstream;
  table.push_back(rm);
}

}  // namespace vantool
