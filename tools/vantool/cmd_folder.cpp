// vantool mkfolder, lsfolder, chfolder and rmfolder: the folder tree of a
// PVOB.
#include <memory>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_folder.h"
#include "sum/sum_vob.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_command.h"
#include "vantool_json.h"
#include "vantool_open.h"
#include "vantool_text.h"

namespace vantool {

namespace {

// General catalog: "A folder may be created only in the RootFolder or
// another folder."

int usage(const char* command, const std::string& message) {
  return usage_error(*find_command(command), message);
}

// The folder named by `text`; prints why and gives the exit status when
// there is none.
bool open_folder(const std::string& text, const SUM_Vob& vob, SUM_Folder& folder, int& exit) {
  int status = SUM_Folder::construct_from_selector(text.c_str(), vob, folder);
  if (status == 0)
    return true;
  imsg_print(IMSG_ERROR, vantool_msg::DoesNotNameFolder, text.c_str());
  exit = kExitFailure;
  return false;
}

int run_mkfolder(const ParsedArgs& args) {
  const std::string& operand = args.operands()[0];
  vob_objsel_t parsed;
  SUM_Vob pvob;
  int exit = kExitOk;
  if (!new_object_operand("mkfolder", operand, "folder", vantool_msg::DoesNotNameFolder, parsed,
                          pvob, exit))
    return exit;
  SUM_Folder parent;
  if (args.has("in")) {
    if (SUM_Folder::construct_from_selector(args.value("in").c_str(), pvob, parent) != 0) {
      imsg_print(IMSG_ERROR, sum_msg::NotAFolderParentMessage);
      return kExitFailure;
    }
  } else if (SUM_Folder::root_folder(pvob, parent) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableCreateFolder, operand.c_str());
    return kExitFailure;
  }
  std::string comment = args.comment();
  std::string title = args.value("title");
  SUM_Folder made;
  if (SUM_Folder::create(parsed.name.c_str(), comment.c_str(), parent, title.c_str(), made) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableCreateFolder,
               (parsed.name + "@" + parsed.vob).c_str());
    return kExitFailure;
  }
  imsg_print(IMSG_INFO, vantool_msg::CreatedFolder, label_of(made).c_str());
  return kExitOk;
}

// Labels of the subfolders and projects of a folder.
bool children_of(const SUM_Folder& folder, std::vector<std::string>& subfolders,
                 std::vector<std::string>& projects) {
  std::unique_ptr<SUM_Folder::SubfolderIter> sub(folder.subfolders());
  for (sub->first(); !sub->is_done(); sub->next()) {
    SUM_Folder item;
    sub->current_item(item);
    subfolders.push_back(label_of(item));
  }
  std::unique_ptr<SUM_Folder::ProjectsInFolderIter> prj(folder.projects());
  for (prj->first(); !prj->is_done(); prj->next()) {
    SUM_VobObject item;
    prj->current_item(item);
    SUM_String name, tag;
    SUM_NamedObject(item.vob(), item.dbid()).name(name);
    item.vob().tag(tag);
    projects.push_back(text_of(name) + "@" + text_of(tag));
  }
  return sub->status() == 0 && prj->status() == 0;
}

std::string joined_or_none(const std::vector<std::string>& items) {
  std::string text = joined(items);
  return text.empty() ? "(none)" : text;
}

bool print_folder(const SUM_Folder& folder, const ParsedArgs& args, JsonWriter& json) {
  std::string label = label_of(folder);
  SUM_String title;
  folder.title(title);
  SUM_Folder parent;
  std::string parent_label = folder.parent_folder(parent) == 0 ? label_of(parent) : "";
  std::vector<std::string> subfolders, projects;
  if (!children_of(folder, subfolders, projects)) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableListFolders, label.c_str());
    return false;
  }
  if (args.has("json")) {
    json.begin_object().key("name").value(label).key("title").value(text_of(title));
    json.key("parent").value(parent_label).key("subfolders").begin_array();
    for (const auto& s : subfolders)
      json.value(s);
    json.end_array().key("projects").begin_array();
    for (const auto& p : projects)
      json.value(p);
    json.end_array().end_object();
  } else if (args.has("short")) {
    imsg_print_literal(IMSG_INFO, "%s\n", label.c_str());
  } else if (args.has("long")) {
    imsg_print_literal(IMSG_INFO,
                       "folder \"%s\"\n  title: %s\n  parent: %s\n  subfolders: %s\n"
                       "  projects: %s\n",
                       label.c_str(), text_of(title).c_str(),
                       parent_label.empty() ? "(none)" : parent_label.c_str(),
                       joined_or_none(subfolders).c_str(), joined_or_none(projects).c_str());
  } else {
    imsg_print_literal(IMSG_INFO, "%-32s \"%s\"\n", label.c_str(), text_of(title).c_str());
  }
  return true;
}

// Prints `folder` and every folder below it, depth first.
bool print_tree(const SUM_Folder& folder, const ParsedArgs& args, JsonWriter& json) {
  if (!print_folder(folder, args, json))
    return false;
  std::unique_ptr<SUM_Folder::SubfolderIter> sub(folder.subfolders());
  bool ok = true;
  for (sub->first(); !sub->is_done(); sub->next()) {
    SUM_Folder item;
    sub->current_item(item);
    ok = print_tree(item, args, json) && ok;
  }
  return ok && sub->status() == 0;
}

int run_lsfolder(const ParsedArgs& args) {
  JsonWriter json;
  json.begin_array();
  bool ok = true;
  int exit = kExitOk;
  if (!args.operands().empty()) {
    SUM_Folder folder;
    if (!open_folder(args.operands()[0], SUM_Vob(), folder, exit))
      return exit;
    ok = print_folder(folder, args, json);
  } else if (args.has("in")) {
    SUM_Folder folder;
    if (!open_folder(args.value("in"), SUM_Vob(), folder, exit))
      return exit;
    std::unique_ptr<SUM_Folder::SubfolderIter> sub(folder.subfolders());
    for (sub->first(); !sub->is_done(); sub->next()) {
      SUM_Folder item;
      sub->current_item(item);
      ok = print_folder(item, args, json) && ok;
    }
    if (sub->status() != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableListFolders, label_of(folder).c_str());
      ok = false;
    }
  } else {
    std::vector<RegisteredPvob> pvobs;
    if (!registered_pvobs(pvobs))
      return kExitFailure;
    for (const auto& e : pvobs) {
      SUM_Folder root;
      if (SUM_Folder::root_folder(e.vob, root) != 0) {
        imsg_print(IMSG_ERROR, vantool_msg::UnableListFolders, e.tag.c_str());
        ok = false;
        continue;
      }
      ok = print_tree(root, args, json) && ok;
    }
  }
  json.end_array();
  if (args.has("json"))
    imsg_print_literal(IMSG_INFO, "%s", json.str().c_str());
  return ok ? kExitOk : kExitFailure;
}

int run_chfolder(const ParsedArgs& args) {
  if (!args.has("to") && !args.has("title") && !args.has("name")) {
    return usage("chfolder", imsg_format(vantool_msg::GiveOneTitleName).c_str());
  }
  int exit = kExitOk;
  SUM_Folder folder;
  if (!open_folder(args.operands()[0], SUM_Vob(), folder, exit))
    return exit;
  std::string label = label_of(folder);
  std::string comment = args.comment();
  int status = 0;
  if (args.has("to")) {
    SUM_Folder parent;
    if (!open_folder(args.value("to"), folder.vob(), parent, exit))
      return exit;
    status = folder.change_parent(parent, comment.c_str());
  } else if (args.has("title")) {
    status = folder.set_title(args.value("title").c_str(), comment.c_str());
  } else {
    status = folder.set_name(args.value("name").c_str(), comment.c_str());
  }
  if (status != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableChangeFolder, label.c_str());
    return kExitFailure;
  }
  imsg_print(IMSG_INFO, vantool_msg::ChangedFolder, label_of(folder).c_str());
  return kExitOk;
}

int run_rmfolder(const ParsedArgs& args) {
  int result = kExitOk;
  std::string comment = args.comment();
  for (const auto& operand : args.operands()) {
    int exit = kExitOk;
    SUM_Folder folder;
    if (!open_folder(operand, SUM_Vob(), folder, exit)) {
      result = exit;
      continue;
    }
    if (remove_reported(folder, comment, vantool_msg::RemovedFolder,
                        vantool_msg::UnableRemoveFolder) != kExitOk)
      result = kExitFailure;
  }
  return result;
}

}  // namespace

void register_folder_commands(std::vector<Command>& table) {
  Command mk;
  mk.name = "mkfolder";
  mk.synopsis = "mkfolder [-in FOLDER] [-title TEXT] [-c TEXT|-nc] NAME@PVOB";
  mk.summary = "Make a folder (in the PVOB's RootFolder unless -in names another).";
  mk.common = kCommentOptions;
  mk.options = {{"in", true, "FOLDER", false}, {"title", true, "TEXT", false}};
  mk.min_operands = 1;
  mk.max_operands = 1;
  mk.operand_name = "a folder name (NAME@PVOB)";
  mk.run = run_mkfolder;
  table.push_back(mk);

  Command ls;
  ls.name = "lsfolder";
  ls.synopsis = "lsfolder [-in FOLDER] [-short|-long] [-json] [FOLDER@PVOB]";
  ls.summary = "List a folder, the subfolders of a folder, or every folder of every PVOB.";
  ls.common = kListingOptions;
  ls.options = {{"in", true, "FOLDER", false}};
  ls.max_operands = 1;
  ls.run = run_lsfolder;
  table.push_back(ls);

  Command ch;
  ch.name = "chfolder";
  ch.synopsis = "chfolder -to FOLDER | -title TEXT | -name NAME [-c TEXT|-nc] FOLDER@PVOB";
  ch.summary = "Move, retitle or rename a folder.";
  ch.common = kCommentOptions;
  ch.options = {
      {"to", true, "FOLDER", false}, {"title", true, "TEXT", false}, {"name", true, "NAME", false}};
  ch.exclusive = {{"to", "title"}, {"to", "name"}, {"title", "name"}};
  ch.min_operands = 1;
  ch.max_operands = 1;
  ch.operand_name = "a folder (FOLDER@PVOB)";
  ch.run = run_chfolder;
  table.push_back(ch);

  Command rm;
  rm.name = "rmfolder";
  rm.synopsis = "rmfolder [-c TEXT|-nc] FOLDER@PVOB...";
  rm.summary = "Remove empty folders.";
  rm.common = kCommentOptions;
  rm.min_operands = 1;
  rm.max_operands = kUnlimited;
  rm.operand_name = "a folder (FOLDER@PVOB)";
  rm.run = run_rmfolder;
  table.push_back(rm);
}

}  // namespace vantool
