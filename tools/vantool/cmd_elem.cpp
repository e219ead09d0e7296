// vantool mkelem, mkdir, checkout, checkin, uncheckout, lsco, ls and lsvtree:
// versioned files through a view, and the checkouts holding unresolved merges.
#include <algorithm>
#include <ctime>
#include <map>
#include <unistd.h>

#include "sum/sum_version.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_activity.h"
#include "vantool_command.h"
#include "vantool_text.h"
#include "vantool_json.h"
#include "vantool_view.h"

namespace vantool {

namespace {

std::string first_path(const ParsedArgs& args) {
  return args.operands().empty() ? std::string() : args.operands()[0];
}

// Reports each path of a bulk call: `failed` is the message of a failure
// (naming the path), `done(result)` prints a success. Answers the exit status.
template <typename Done>
int report_paths(const std::vector<view_path_result_t>& results,
                 imsg_checked_id<const char*> failed, Done done) {
  int exit = kExitOk;
  for (const auto& r : results) {
    if (r.status != 0) {
      imsg_print(IMSG_ERROR, failed, r.path.c_str());
      exit = kExitFailure;
    } else {
      done(r);
    }
  }
  return exit;
}

int make_elements(const ParsedArgs& args, int eltype) {
  ViewHandle view;
  if (!open_view(args, first_path(args), view))
    return kExitFailure;
  std::string comment = args.comment();
  std::vector<view_path_result_t> results;
  view.view().make_elements(args.operands(), eltype, comment.c_str(), args.has("ci") ? 1 : 0,
                            results);
  return report_paths(results, vantool_msg::UnableCreateElement, [](const view_path_result_t& r) {
    imsg_print(IMSG_INFO, vantool_msg::CreatedElement, r.path.c_str());
  });
}

// mkelem's -eltype: "file" (text, merged), "binary" (never merged),
// "directory"; without it a file's first content decides between the first two.
int run_mkelem(const ParsedArgs& args) {
  if (!args.has("eltype"))
    return make_elements(args, VIEW_ELTYPE_FILE_BY_CONTENT);
  std::string kind = args.value("eltype");
  if (kind == "file")
    return make_elements(args, VOB_ELTYPE_FILE);
  if (kind == "binary")
    return make_elements(args, VOB_ELTYPE_FILE_NEVER_MERGE);
  if (kind == "directory")
    return make_elements(args, VOB_ELTYPE_DIRECTORY);
  return usage_error(*find_command("mkelem"),
                     "Element type \"" + kind + "\" is not file, binary or directory.\n");
}

int run_mkdir(const ParsedArgs& args) {
  return make_elements(args, VOB_ELTYPE_DIRECTORY);
}

int run_checkout(const ParsedArgs& args) {
  ViewHandle view;
  if (!open_view(args, first_path(args), view))
    return kExitFailure;
  std::string comment = args.comment();
  std::vector<view_path_result_t> results;
  view.view().checkout_paths(args.operands(), comment.c_str(), results);
  return report_paths(results, vantool_msg::UnableCheckOut, [&](const view_path_result_t& r) {
    view_path_info_t info;
    vob_ckout_info_t ckout;
    if (view.view().lookup(r.path.c_str(), info) == 0 &&
        SUM_Version(SUM_Vob(info.vob), r.dbid).checkout_info(ckout) == 0)
      imsg_print(IMSG_INFO, vantool_msg::CheckedOutVersion, r.path.c_str(),
                 version_name(SUM_Vob(info.vob), ckout.predecessor).c_str());
  });
}

// ci and unco take either PATH operands or -cact / -activity ACTIVITY,
// which work on a whole change set. Answers kExitOk when the arguments
// are one of the two, else the usage error's status.
int paths_or_change_set(const char* command, const ParsedArgs& args) {
  bool change_set = args.has("cact") || args.has("activity");
  if (change_set != args.operands().empty()) {
    return usage_error(*find_command(command),
                       imsg_format(vantool_msg::GiveEitherPATHOperands).c_str());
  }
  return kExitOk;
}

int run_checkin(const ParsedArgs& args) {
  if (int usage = paths_or_change_set("checkin", args))
    return usage;
  if (args.operands().empty())
    return run_change_set_checkin(args);
  ViewHandle view;
  if (!open_view(args, first_path(args), view))
    return kExitFailure;
  std::string comment = args.comment();
  std::vector<view_path_result_t> results;
  view.view().checkin_paths(args.operands(), args.has("c") ? comment.c_str() : nullptr, results);
  return report_paths(results, vantool_msg::UnableCheckIn, [&](const view_path_result_t& r) {
    view_path_info_t info;
    if (view.view().lookup(r.path.c_str(), info) == 0)
      imsg_print(IMSG_INFO, vantool_msg::CheckedIn, r.path.c_str(),
                 version_name(SUM_Vob(info.vob), r.dbid).c_str());
  });
}

// The name uncheckout -keep saves a checkout's content under: "<file>.keep",
// or "<file>.keep.N" with the first N that is free.
std::string keep_name(const std::string& file) {
  std::string name = file + ".keep";
  for (int n = 1; access(name.c_str(), F_OK) == 0; ++n)
    name = file + ".keep." + std::to_string(n);
  return name;
}

int run_uncheckout(const ParsedArgs& args) {
  if (int usage = paths_or_change_set("uncheckout", args))
    return usage;
  if (args.operands().empty())
    return run_change_set_uncheckout(args);
  ViewHandle view;
  if (!open_view(args, first_path(args), view))
    return kExitFailure;
  // Where -keep saves each file, known before the files move.
  std::map<std::string, std::string> kept;
  for (const auto& path : args.operands()) {
    view_path_info_t info;
    kept[path] =
        view.view().lookup(path.c_str(), info) == 0 ? keep_name(info.file_path) : path + ".keep";
  }
  std::vector<view_path_result_t> results;
  view.view().uncheckout_paths(args.operands(), args.has("keep") ? 1 : 0, results);
  return report_paths(results, vantool_msg::UnableCancelCheckout, [&](const view_path_result_t& r) {
    if (args.has("keep"))
      imsg_print(IMSG_INFO, vantool_msg::PrivateVersionSaved, r.path.c_str(), kept[r.path].c_str());
    imsg_print(IMSG_INFO, vantool_msg::CheckoutCancelled, r.path.c_str());
  });
}

// One checkout of one view, as lsco shows it.
struct CheckoutLine {
  std::string view, path, from, user, time, comment;
};

bool checkouts_of(const ViewHandle& view, std::vector<CheckoutLine>& lines) {
  std::vector<view_ckout_t> checkouts;
  if (view.view().list_checkouts(checkouts) != 0)
    return false;
  std::string tag = view.tag();
  for (const auto& c : checkouts) {
    vob_ckout_info_t info;
    if (SUM_Version(SUM_Vob(c.vob), c.version).checkout_info(info) != 0)
      continue;
    lines.push_back({tag, c.path, version_name(SUM_Vob(c.vob), info.predecessor), info.user,
                     time_text(info.time), info.comment});
  }
  return true;
}

// One pending merge of one view, as lsco -merge shows it.
struct PendingLine {
  std::string view, path, from;
  int conflicts = 0;
  int first_line = 0;
  bool choose_side = false;  // a side must be chosen (merge -resolved -take)
  bool binary = false;
};

bool pending_merges_of(const ViewHandle& view, std::vector<PendingLine>& lines) {
  std::vector<cmd_findmerge_pending_t> pending;
  if (view.view().pending_merges(pending) != 0)
    return false;
  for (const auto& p : pending)
    lines.push_back({view.tag(), p.path, version_name(SUM_Vob(p.vob), p.from), p.conflicts,
                     p.first_line, p.choose_side != 0, p.binary != 0});
  return true;
}

void print_pending(const ParsedArgs& args, const std::vector<PendingLine>& lines) {
  JsonWriter json;
  json.begin_array();
  for (const auto& l : lines) {
    if (args.has("json")) {
      json.begin_object()
          .key("view")
          .value(l.view)
          .key("path")
          .value(l.path)
          .key("from")
          .value(l.from)
          .key("conflicts")
          .value(l.conflicts)
          .key("first_conflict_line")
          .value(l.first_line)
          .key("choose_side")
          .value(l.choose_side)
          .key("binary")
          .value(l.binary)
          .end_object();
    } else if (args.has("short")) {
      imsg_print_literal(IMSG_INFO, "%s\n", l.path.c_str());
    } else if (l.choose_side) {
      imsg_print_literal(IMSG_INFO,
                         "%s  merged from %s in view \"%s\": %sa side must be chosen (merge "
                         "-resolved -take ours|theirs)\n",
                         l.path.c_str(), l.from.c_str(), l.view.c_str(),
                         l.binary ? "binary file, both sides changed: " : "");
    } else if (l.conflicts > 0) {
      imsg_print_literal(IMSG_INFO,
                         "%s  merged from %s in view \"%s\": %d conflicting regions left, the "
                         "first at line %d\n",
                         l.path.c_str(), l.from.c_str(), l.view.c_str(), l.conflicts, l.first_line);
    } else {
      imsg_print_literal(IMSG_INFO,
                         "%s  merged from %s in view \"%s\": conflicts resolved, not yet "
                         "recorded (merge -resolved or checkin)\n",
                         l.path.c_str(), l.from.c_str(), l.view.c_str());
    }
  }
  json.end_array();
  if (args.has("json"))
    imsg_print_literal(IMSG_INFO, "%s", json.str().c_str());
}

// The lines `collect` gives for every view (-all; a view it cannot read is
// left out) or for the view of the command; false when that view cannot be
// opened or read.
template <typename Line>
bool collect_from_views(const ParsedArgs& args, std::vector<Line>& lines,
                        bool (*collect)(const ViewHandle&, std::vector<Line>&)) {
  if (!args.has("all")) {
    ViewHandle view;
    return open_view(args, first_path(args), view) && collect(view, lines);
  }
  std::vector<view_entry_t> views;
  if (SUM_View::list(views) != 0)
    return false;
  for (const auto& v : views) {
    ViewHandle view;
    if (SUM_View::construct_from_tag(v.tag.c_str(), view.view()) == 0)
      collect(view, lines);
  }
  return true;
}

// lsco -merge: the checkouts whose merge is unresolved.
int run_lsco_merges(const ParsedArgs& args) {
  std::vector<PendingLine> lines;
  if (!collect_from_views(args, lines, pending_merges_of))
    return kExitFailure;
  print_pending(args, lines);
  return kExitOk;
}

int run_lsco(const ParsedArgs& args) {
  if (args.has("merge"))
    return run_lsco_merges(args);
  std::vector<CheckoutLine> lines;
  if (!collect_from_views(args, lines, checkouts_of))
    return kExitFailure;
  JsonWriter json;
  json.begin_array();
  for (const auto& l : lines) {
    if (args.has("json")) {
      json.begin_object()
          .key("view")
          .value(l.view)
          .key("path")
          .value(l.path)
          .key("from")
          .value(l.from)
          .key("user")
          .value(l.user)
          .key("time")
          .value(l.time)
          .key("comment")
          .value(l.comment)
          .end_object();
    } else if (args.has("short")) {
      imsg_print_literal(IMSG_INFO, "%s\n", l.path.c_str());
    } else {
      imsg_print_literal(IMSG_INFO, "%s  %s  checked out from %s by %s in view \"%s\"%s%s%s\n",
                         l.time.c_str(), l.path.c_str(), l.from.c_str(), l.user.c_str(),
                         l.view.c_str(), l.comment.empty() ? "" : "\n  \"", l.comment.c_str(),
                         l.comment.empty() ? "" : "\"");
    }
  }
  json.end_array();
  if (args.has("json"))
    imsg_print_literal(IMSG_INFO, "%s", json.str().c_str());
  return kExitOk;
}

void print_ls_line(const view_path_info_t& e, const std::string& shown, bool long_form) {
  std::string version =
      e.version != 0 ? version_name(SUM_Vob(e.vob), e.version) : "(no version selected)";
  std::string name = shown + (e.is_dir ? "/" : "");
  if (long_form)
    imsg_print_literal(IMSG_INFO, "%-10s %s@@%s%s\n  Rule: %s\n",
                       e.is_dir ? "directory" : "version", name.c_str(), version.c_str(),
                       e.checked_out ? "  [checked out]" : "", e.rule_text.c_str());
  else
    imsg_print_literal(IMSG_INFO, "%s@@%s%*sRule: %s%s\n", name.c_str(), version.c_str(),
                       static_cast<int>(40 > name.size() + version.size() + 2
                                            ? 40 - name.size() - version.size() - 2
                                            : 1),
                       "", e.rule_text.c_str(), e.checked_out ? "  [checked out]" : "");
}

// ls DIR@@VERSION: the entries of that version of the directory, each with
// the version the view selects for it.
int list_dir_version(const ViewHandle& view, const std::string& text,
                     std::vector<view_path_info_t>& entries) {
  std::string path;
  std::string name;
  split_extended_path(text, path, name);
  view_path_info_t info;
  tbs_dbid_t version = 0;
  if (!resolve_version(view, text, info, version))
    return kExitFailure;
  if (view.view().read_dir_version(path.c_str(), version, entries) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::NotVersionDirectory, text.c_str());
    return kExitFailure;
  }
  return kExitOk;
}

int run_ls(const ParsedArgs& args) {
  std::string path = args.operands().empty() ? "." : args.operands()[0];
  ViewHandle view;
  if (!open_view(args, path, view))
    return kExitFailure;
  std::vector<view_path_info_t> entries;
  if (path.find("@@") != std::string::npos) {
    if (int failed = list_dir_version(view, path, entries))
      return failed;
  } else {
    view_path_info_t info;
    if (view.view().lookup(path.c_str(), info) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::NotVisibleView, path.c_str(), view.tag().c_str());
      return kExitFailure;
    }
    if (!info.is_dir && info.element != 0) {
      print_ls_line(info, path, args.has("long"));
      return kExitOk;
    }
    if (view.view().read_dir(path.c_str(), entries) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::NotVisibleView, path.c_str(), view.tag().c_str());
      return kExitFailure;
    }
  }
  for (const auto& e : entries) {
    std::string name = e.vob_path.substr(e.vob_path.rfind('/') + 1);
    print_ls_line(e, name, args.has("long"));
  }
  return kExitOk;
}

int run_lsvtree(const ParsedArgs& args) {
  const std::string& path = args.operands()[0];
  ViewHandle view;
  if (!open_view(args, path, view))
    return kExitFailure;
  view_path_info_t info;
  if (view.view().lookup(path.c_str(), info) != 0 || info.element == 0) {
    imsg_print(IMSG_ERROR, vantool_msg::NotVisibleView, path.c_str(), view.tag().c_str());
    return kExitFailure;
  }
  SUM_Vob vob(info.vob);
  std::vector<SUM_Branch> found;
  SUM_Element(vob, info.element).branches(found);
  std::vector<std::pair<std::string, tbs_dbid_t>> branches;
  for (const SUM_Branch& b : found) {
    std::string branch_path;
    b.path(branch_path);
    branches.emplace_back(branch_path, b.dbid());
  }
  std::sort(branches.begin(), branches.end());
  for (const auto& [branch_path, branch] : branches) {
    imsg_print_literal(IMSG_INFO, "%s@@%s\n", path.c_str(), branch_path.c_str());
    std::vector<SUM_Version> versions;
    SUM_Branch(vob, branch).versions(versions);
    for (const SUM_Version& v : versions) {
      std::vector<tbs_dbid_t> merged;
      v.merged_from(merged);
      std::string from;
      for (tbs_dbid_t m : merged)
        from += (from.empty() ? "  <- " : ", ") + version_name(vob, m);
      imsg_print_literal(IMSG_INFO, "%s@@%s%s%s\n", path.c_str(),
                         version_name(vob, v.dbid()).c_str(),
                         v.dbid() == info.version ? "  (selected)" : "", from.c_str());
    }
    SUM_Version ckout;
    if (SUM_Branch(vob, branch).checkout_version(ckout) == 0) {
      vob_ckout_info_t ck;
      ckout.checkout_info(ck);
      imsg_print_literal(IMSG_INFO, "%s@@%s/CHECKEDOUT by %s\n", path.c_str(), branch_path.c_str(),
                         ck.user.c_str());
    }
  }
  return kExitOk;
}

Command paths_command(const char* name, const char* synopsis, const char* summary,
                      int (*run)(const ParsedArgs&)) {
  Command c;
  c.name = name;
  c.synopsis = synopsis;
  c.summary = summary;
  c.common = kCommentOptions | kViewOption;
  c.min_operands = 1;
  c.max_operands = kUnlimited;
  c.operand_name = "a PATH";
  c.run = run;
  return c;
}

}  // namespace

void register_elem_commands(std::vector<Command>& table) {
  Command mkelem = paths_command(
      "mkelem", "mkelem [-ci] [-eltype file|binary|directory] [-c TEXT|-nc] PATH...",
      "Create elements in checked-out directories (a file is binary, never merged, when its "
      "first 8,000 bytes hold a NUL byte, else text, unless -eltype says).",
      run_mkelem);
  mkelem.options = {{"ci", false, "", false}, {"eltype", true, "TYPE", false}};
  table.push_back(mkelem);

  Command mkdir = paths_command("mkdir", "mkdir [-ci] [-c TEXT|-nc] PATH...",
                                "Create directory elements in checked-out directories.", run_mkdir);
  mkdir.options = {{"ci", false, "", false}};
  table.push_back(mkdir);

  Command co = paths_command("checkout", "checkout [-c TEXT|-nc] PATH...",
                             "Check out elements in the view (reserved).", run_checkout);
  co.aliases = {"co"};
  table.push_back(co);

  Command ci = paths_command(
      "checkin", "checkin [-c TEXT|-nc] PATH... | -cact | -activity ACTIVITY",
      "Check in the view's checkouts as new versions (-cact, -activity: every checkout of the "
      "view's current activity, or of ACTIVITY).",
      run_checkin);
  ci.aliases = {"ci"};
  ci.options = {{"cact", false, "", false}, {"activity", true, "ACTIVITY", false}};
  ci.exclusive = {{"cact", "activity"}};
  ci.min_operands = 0;
  table.push_back(ci);

  Command unco = paths_command(
      "uncheckout", "uncheckout [-keep|-rm] PATH... | -cact | -activity ACTIVITY",
      "Cancel checkouts, restoring the selected version (-cact, -activity: every checkout of "
      "the view's current activity, or of ACTIVITY).",
      run_uncheckout);
  unco.aliases = {"unco"};
  unco.common = kViewOption;
  unco.options = {{"keep", false, "", false},
                  {"rm", false, "", false},
                  {"cact", false, "", false},
                  {"activity", true, "ACTIVITY", false}};
  unco.exclusive = {{"keep", "rm"}, {"cact", "activity"}, {"keep", "cact"}, {"keep", "activity"}};
  unco.min_operands = 0;
  table.push_back(unco);

  Command lsco;
  lsco.name = "lsco";
  lsco.synopsis = "lsco [-all] [-merge] [-view TAG] [-short|-long] [-json]";
  lsco.summary =
      "List the checkouts of a view, or of every view (-merge: those holding an unresolved "
      "merge).";
  lsco.common = kListingOptions | kViewOption;
  lsco.options = {{"all", false, "", false}, {"merge", false, "", false}};
  lsco.max_operands = 1;
  lsco.run = run_lsco;
  table.push_back(lsco);

  Command ls;
  ls.name = "ls";
  ls.synopsis = "ls [-long] [-view TAG] [PATH | DIR@@VERSION]";
  ls.summary =
      "List elements with the version the view selects and the rule that chose it "
      "(DIR@@VERSION: the names that version of the directory holds).";
  ls.common = kViewOption;
  ls.options = {{"long", false, "", false}};
  ls.max_operands = 1;
  ls.run = run_ls;
  table.push_back(ls);

  Command lsvtree;
  lsvtree.name = "lsvtree";
  lsvtree.synopsis = "lsvtree [-view TAG] PATH";
  lsvtree.summary = "Show the version tree of an element: branches, versions, merges, checkouts.";
  lsvtree.common = kViewOption;
  lsvtree.min_operands = 1;
  lsvtree.max_operands = 1;
  lsvtree.operand_name = "a PATH";
  lsvtree.run = run_lsvtree;
  table.push_back(lsvtree);
}

}  // namespace vantool
