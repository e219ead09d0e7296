// vantool mkproject, chproject, lsproject and rmproject: the projects of a
// PVOB and their settings.
#include <memory>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_folder.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "sum/sum_utl_names.h"
#include "sum/sum_vob.h"
#include "sum/sum_status.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_command.h"
#include "vantool_json.h"
#include "vantool_open.h"
#include "vantool_settings.h"
#include "vantool_text.h"

namespace vantool {

namespace {

// Messages of the vantool catalog used here.
// General catalog: "A project may be created only in the RootFolder or
// another folder."

// Splits a list option ("A,B C") into its words.
std::vector<std::string> words(const std::vector<std::string>& values, const char* separators) {
  std::vector<std::string> out;
  for (const auto& value : values) {
    std::string word;
    for (char c : value + separators[0]) {
      if (std::string(separators).find(c) != std::string::npos) {
        if (!word.empty())
          out.push_back(word);
        word.clear();
      } else {
        word += c;
      }
    }
  }
  return out;
}

// Refuses the options that need parts not built yet.
bool refuse_missing(const ParsedArgs& args) {
  static const char* const kNeeds[][2] = {{"crmenable", "the change-request tracker"},
                                          {"ncrmenable", "the change-request tracker"}};
  for (const auto& need : kNeeds)
    if (args.has(need[0])) {
      imsg_print(IMSG_ERROR, vantool_msg::NotYet, need[0], need[1]);
      return true;
    }
  return false;
}

// The name of the integration stream -istream asks for: NAME, NAME@PVOB or
// stream:NAME@PVOB, where PVOB must be the project's (`pvob_tag`). False
// after a usage error (`exit` set).
bool istream_name(const std::string& text, const std::string& pvob_tag, std::string& name,
                  int& exit) {
  vob_objsel_t parsed;
  const Command& mkproject = *find_command("mkproject");
  if (sum_utl_parse_selector(text.c_str(), parsed) != 0 ||
      (!parsed.kind.empty() && parsed.kind != "stream")) {
    exit = usage_error(mkproject, imsg_format(vantool_msg::NotAStream, text.c_str()).c_str());
    return false;
  }
  if (!parsed.vob.empty() && parsed.vob != pvob_tag) {
    exit = usage_error(
        mkproject,
        imsg_format(vantool_msg::IstreamOtherPvob, text.c_str(), pvob_tag.c_str()).c_str());
    return false;
  }
  name = parsed.name;
  return true;
}

// mkproject -istream: the integration stream of the project just made,
// with `foundation`. When it cannot be made the project is removed again.
int make_istream(SUM_Project& project, const std::string& name, const std::string& label,
                 const std::string& pvob_tag, const SUM_BaselineList& foundation,
                 const std::string& comment) {
  std::string stream_label = name + "@" + pvob_tag;
  SUM_Stream made;
  if (SUM_Stream::create(name.c_str(), comment.c_str(), project, SUM_Stream(), "", 1, 0, foundation,
                         made) == 0) {
    imsg_print(IMSG_INFO, vantool_msg::CreatedProject, label.c_str());
    imsg_print(IMSG_INFO, vantool_msg::CreatedStream, stream_label.c_str());
    return kExitOk;
  }
  imsg_print(IMSG_ERROR, vantool_msg::UnableCreateStream, stream_label.c_str());
  if (project.destroy(comment.c_str()) == 0)
    imsg_print(IMSG_ERROR, vantool_msg::ProjectRemovedAgain, label.c_str(), stream_label.c_str());
  else
    imsg_print(IMSG_ERROR, vantool_msg::ProjectLeftWithoutIstream, label.c_str(),
               stream_label.c_str());
  return kExitFailure;
}

int run_mkproject(const ParsedArgs& args) {
  if (refuse_missing(args))
    return kExitFailure;
  const Command& command = *find_command("mkproject");
  if (args.has("baseline") && !args.has("istream"))
    return usage_error(command, imsg_format(vantool_msg::BaselineNeedsIstream).c_str());
  const std::string& operand = args.operands()[0];
  vob_objsel_t parsed;
  SUM_Vob pvob;
  int exit = kExitOk;
  if (!new_object_operand("mkproject", operand, "project", vantool_msg::NotAProject, parsed, pvob,
                          exit))
    return exit;
  std::string istream;
  if (args.has("istream") && !istream_name(args.value("istream"), parsed.vob, istream, exit))
    return exit;
  std::string label = parsed.name + "@" + parsed.vob;
  SUM_Folder folder;
  if (SUM_Folder::construct_from_selector(args.value("in").c_str(), pvob, folder) != 0) {
    imsg_print(IMSG_ERROR, sum_msg::NotAProjectParent);
    return kExitFailure;
  }
  SUM_Project::Settings settings;
  std::string model = args.value("model", "DEFAULT");
  if (model != "SIMPLE" && model != "DEFAULT")
    return usage_error(command, "-model takes SIMPLE or DEFAULT.");
  settings.single_stream = model == "SIMPLE" ? 1 : 0;
  for (const auto& token : words(args.values("blname_template"), ",_ "))
    settings.blname_tokens.append(token.c_str());
  if (!component_options(args, "modcomp", pvob, settings.mod_comps))
    return kExitFailure;
  // The integration stream's baselines are named before anything is made.
  SUM_BaselineList foundation;
  if (!baseline_options(args, "baseline", pvob, foundation)) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableCreateProject, label.c_str());
    return kExitFailure;
  }
  settings.enable_keys = policy_keys(args, "policy");
  settings.disable_keys = policy_keys(args, "npolicy");
  settings.by_stream_keys = policy_keys(args, "spolicy");
  std::string comment = args.comment();
  std::string title = args.value("title");
  SUM_Project made;
  int status = args.has("template")
                   ? SUM_Project::create_template(parsed.name.c_str(), comment.c_str(), folder,
                                                  title.c_str(), settings, made)
                   : SUM_Project::create_extended(parsed.name.c_str(), comment.c_str(), folder,
                                                  title.c_str(), settings, made);
  if (status != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableCreateProject, label.c_str());
    return kExitFailure;
  }
  if (!istream.empty())
    return make_istream(made, istream, label, parsed.vob, foundation, comment);
  imsg_print(IMSG_INFO, vantool_msg::CreatedProject, label.c_str());
  return kExitOk;
}

// Applies the policy lists of chproject; 0 when nothing failed.
int change_policies(const SUM_Project& project, const ParsedArgs& args,
                    const std::string& comment) {
  SUM_PolicyList list;
  int level = 0;
  int status = project.policy(list);
  if (status == 0)
    status = project.vob().feature_level(level);
  if (status == 0)
    status = apply_policy_options(args, level, true, list);
  if (status == TBS_ST_UNCHANGED)
    return 0;
  return status != 0 ? status : project.set_policy(list, comment.c_str(), 1);
}

// Applies -amodcomp and -dmodcomp; 0 when nothing failed.
int change_mod_comps(const SUM_Project& project, const ParsedArgs& args,
                     const std::string& comment) {
  SUM_ComponentList added, removed;
  if (!component_options(args, "amodcomp", project.vob(), added) ||
      !component_options(args, "dmodcomp", project.vob(), removed))
    return SUM_FAILED;
  int status = added.count() > 0 ? project.add_mod_comps(added, comment.c_str(), 1) : 0;
  if (status == 0 && removed.count() > 0)
    status = project.delete_mod_comps(removed, comment.c_str());
  return status;
}

int run_chproject(const ParsedArgs& args) {
  if (refuse_missing(args))
    return kExitFailure;
  static const char* const kChanges[] = {"policy",       "npolicy", "spolicy", "blname_template",
                                         "rebase_level", "to",      "title",   "name",
                                         "amodcomp",     "dmodcomp"};
  bool any = false;
  for (const char* option : kChanges)
    any = any || args.has(option);
  if (!any) {
    return usage_error(*find_command("chproject"),
                       imsg_format(vantool_msg::NoProjectChange).c_str());
  }
  const std::string& operand = args.operands()[0];
  SUM_Project project;
  if (!open_project(operand, project))
    return kExitFailure;
  std::string comment = args.comment();
  int status = 0;
  if (args.has("policy") || args.has("npolicy") || args.has("spolicy"))
    status = change_policies(project, args, comment);
  if (status == 0 && (args.has("amodcomp") || args.has("dmodcomp")))
    status = change_mod_comps(project, args, comment);
  if (status == 0 && args.has("blname_template")) {
    std::vector<std::string> tokens = words(args.values("blname_template"), ",_ ");
    std::vector<const char*> array;
    for (const auto& t : tokens)
      array.push_back(t.c_str());
    status = project.set_blname_template(array.data(), static_cast<int>(array.size()),
                                         comment.c_str(), 1);
    if (status == TBS_ST_UNCHANGED)
      status = 0;
  }
  if (status == 0 && args.has("rebase_level"))
    status = project.set_rebase_plevel(
        SUM_PLevel(args.value("rebase_level").c_str(), project.vob()), comment.c_str(), 1);
  if (status == 0 && args.has("to")) {
    SUM_Folder folder;
    if (SUM_Folder::construct_from_selector(args.value("to").c_str(), project.vob(), folder) != 0) {
      imsg_print(IMSG_ERROR, sum_msg::NotAProjectParent);
      status = SUM_FAILED;
    } else {
      status = project.change_parent(folder, comment.c_str());
    }
  }
  if (status == 0 && args.has("title"))
    status = project.set_title(args.value("title").c_str(), comment.c_str());
  if (status == 0 && args.has("name"))
    status = project.set_name(args.value("name").c_str(), comment.c_str());
  std::string label = label_of(project);
  if (status != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableChangeProject, label.c_str());
    return kExitFailure;
  }
  imsg_print(IMSG_INFO, vantool_msg::ChangedProject, label.c_str());
  return kExitOk;
}

// Prints one project in the form the options ask for.
bool print_project(const SUM_Project& project, const ParsedArgs& args, JsonWriter& json) {
  std::string label = label_of(project);
  SUM_String title, blname;
  SUM_Folder folder;
  SUM_PLevel level;
  SUM_PolicyList policies;
  int is_templ = 0, single = 0;
  if (project.title(title) != 0 || project.folder(folder) != 0 ||
      project.is_template_project(is_templ) != 0 || project.policy(policies) != 0 ||
      project.get_blname_template(blname) != 0 || project.is_single_stream_project(single) != 0)
    return false;
  bool has_level = project.rebase_plevel(level) == 0;
  std::string folder_label = label_of(folder);
  SUM_ComponentList comps;
  if (project.mod_comps(comps) != 0)
    return false;
  std::vector<std::string> comp_labels;
  for (unsigned i = 0; i < comps.count(); ++i)
    comp_labels.push_back(label_of(comps[i]));
  if (args.has("json")) {
    json.begin_object().key("name").value(label).key("title").value(text_of(title));
    json.key("folder").value(folder_label).key("template").value(is_templ != 0);
    json.key("model").value(single ? "SIMPLE" : "DEFAULT");
    json.key("rebase_level").value(has_level ? text_of(level.name()) : "");
    json.key("blname_template").value(text_of(blname)).key("policies").begin_object();
    for (unsigned i = 0; i < policies.count(); ++i)
      if (policies[i].visible())
        json.key(policies[i].name()).value(text_of(policies[i].value()));
    json.end_object().key("modifiable_components").begin_array();
    for (const auto& c : comp_labels)
      json.value(c);
    json.end_array().end_object();
  } else if (args.has("short")) {
    imsg_print_literal(IMSG_INFO, "%s\n", label.c_str());
  } else if (args.has("long")) {
    imsg_print_literal(
        IMSG_INFO,
        "project \"%s\"%s\n  title: %s\n  folder: %s\n  model: %s\n"
        "  rebase promotion level: %s\n  baseline naming template: %s\n"
        "  policies:\n",
        label.c_str(), is_templ ? " (template)" : "", static_cast<const char*>(title),
        folder_label.c_str(), single ? "SIMPLE" : "DEFAULT",
        has_level ? static_cast<const char*>(level.name()) : "", static_cast<const char*>(blname));
    for (unsigned i = 0; i < policies.count(); ++i)
      if (policies[i].visible())
        imsg_print_literal(IMSG_INFO, "    %s: %s\n", policies[i].name(),
                           static_cast<const char*>(policies[i].value()));
    std::string joined;
    for (const auto& c : comp_labels)
      joined += (joined.empty() ? "" : ", ") + c;
    imsg_print_literal(IMSG_INFO, "  modifiable components: %s\n",
                       joined.empty() ? "(none)" : joined.c_str());
  } else {
    imsg_print_literal(IMSG_INFO, "%s  \"%s\"%s\n", label.c_str(), static_cast<const char*>(title),
                       is_templ ? "  (template)" : "");
  }
  return true;
}

int run_lsproject(const ParsedArgs& args) {
  SUM_ProjectList projects;
  std::string where;
  if (!args.operands().empty()) {
    SUM_Project project;
    if (!open_project(args.operands()[0], project))
      return kExitFailure;
    projects.append(project);
  } else if (args.has("in")) {
    where = args.value("in");
    SUM_Folder folder;
    if (SUM_Folder::construct_from_selector(where.c_str(), SUM_Vob(), folder) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::DoesNotNameFolder, where.c_str());
      return kExitFailure;
    }
    std::unique_ptr<SUM_Folder::ProjectsInFolderIter> iter(folder.projects());
    for (iter->first(); !iter->is_done(); iter->next()) {
      SUM_VobObject item;
      if (iter->current_item(item) == 0)
        projects.append(SUM_Project::convert(item));
    }
    if (iter->status() != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableListProjects, where.c_str());
      return kExitFailure;
    }
  } else if (!all_projects(projects, vantool_msg::UnableListProjects)) {
    return kExitFailure;
  }
  return print_listing(args, projects, vantool_msg::UnableListProjects, print_project);
}

int run_rmproject(const ParsedArgs& args) {
  SUM_Project project;
  if (!open_project(args.operands()[0], project))
    return kExitFailure;
  return remove_reported(project, args.comment(), vantool_msg::RemovedProject,
                         vantool_msg::UnableRemoveProject);
}

}  // namespace

void register_project_commands(std::vector<Command>& table) {
  Command mk;
  mk.name = "mkproject";
  mk.synopsis =
      "mkproject -in FOLDER [-modcomp COMPONENTS] [-model SIMPLE|DEFAULT] [-policy KEYS] "
      "[-npolicy KEYS] [-spolicy KEYS] [-blname_template TOKENS] [-template] [-title TEXT] "
      "[-istream NAME [-baseline BASELINES]] [-c TEXT|-nc] NAME@PVOB";
  mk.summary =
      "Create a project (or the PVOB's project template) in a folder; -istream makes its "
      "integration stream with it, founded on the -baseline baselines.";
  mk.common = kCommentOptions;
  mk.options = {{"in", true, "FOLDER", false},         {"model", true, "MODEL", false},
                {"policy", true, "KEYS", true},        {"npolicy", true, "KEYS", true},
                {"spolicy", true, "KEYS", true},       {"blname_template", true, "TOKENS", true},
                {"template", false, "", false},        {"title", true, "TEXT", false},
                {"modcomp", true, "COMPONENTS", true}, {"istream", true, "NAME", false},
                {"baseline", true, "BASELINES", true}};
  mk.exclusive = {{"template", "istream"}};
  mk.required = {"in"};
  mk.min_operands = 1;
  mk.max_operands = 1;
  mk.operand_name = "the new project's NAME@PVOB";
  mk.run = run_mkproject;
  table.push_back(mk);

  Command ch;
  ch.name = "chproject";
  ch.synopsis =
      "chproject [-amodcomp COMPONENTS] [-dmodcomp COMPONENTS] [-policy|-npolicy|-spolicy KEYS] "
      "[-blname_template TOKENS] [-rebase_level LEVEL] [-to FOLDER] [-title TEXT] [-name NAME] "
      "[-c TEXT|-nc] PROJECT";
  ch.summary =
      "Change a project's modifiable components, policies, naming template, rebase level, "
      "folder, title or name.";
  ch.common = kCommentOptions;
  ch.options = {{"policy", true, "KEYS", true},         {"npolicy", true, "KEYS", true},
                {"spolicy", true, "KEYS", true},        {"blname_template", true, "TOKENS", true},
                {"rebase_level", true, "LEVEL", false}, {"to", true, "FOLDER", false},
                {"title", true, "TEXT", false},         {"name", true, "NAME", false},
                {"amodcomp", true, "COMPONENTS", true}, {"dmodcomp", true, "COMPONENTS", true},
                {"crmenable", true, "DATABASE", false}, {"ncrmenable", false, "", false}};
  ch.min_operands = 1;
  ch.max_operands = 1;
  ch.operand_name = "a PROJECT";
  ch.run = run_chproject;
  table.push_back(ch);

  Command ls;
  ls.name = "lsproject";
  ls.synopsis = "lsproject [-in FOLDER] [-short|-long] [-json] [PROJECT]";
  ls.summary = "List projects: one, those of a folder, or those of every PVOB.";
  ls.common = kListingOptions;
  ls.options = {{"in", true, "FOLDER", false}};
  ls.min_operands = 0;
  ls.max_operands = 1;
  ls.operand_name = "a PROJECT";
  ls.run = run_lsproject;
  table.push_back(ls);

  Command rm;
  rm.name = "rmproject";
  rm.synopsis = "rmproject [-c TEXT|-nc] PROJECT";
  rm.summary = "Remove a project that has no streams.";
  rm.common = kCommentOptions;
  rm.min_operands = 1;
  rm.max_operands = 1;
  rm.operand_name = "a PROJECT";
  rm.run = run_rmproject;
  table.push_back(rm);
}

}  // namespace vantool
