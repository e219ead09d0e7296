// vantool diff and findmerge: comparing versions and merging them into a view.
#include <algorithm>
#include <fstream>
#include <sstream>

#include "sum/sum_version.h"
#include "sum/sum_view.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_command.h"
#include "vantool_view.h"

namespace vantool {

namespace {

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

// Lines of a unified diff of `a` and `b` (longest common subsequence; texts
// beyond a few thousand lines each are only reported as different).
std::string unified_diff(const std::string& a_text, const std::string& b_text,
                         const std::string& a_label, const std::string& b_label) {
  std::vector<std::string> a = lines_of(a_text);
  std::vector<std::string> b = lines_of(b_text);
  std::string out = "--- " + a_label + "\n+++ " + b_label + "\n";
  if (a.size() * b.size() > 25'000'000)
    return out + "(files differ)\n";
  std::vector<std::vector<int>> lcs(a.size() + 1, std::vector<int>(b.size() + 1, 0));
  for (size_t i = a.size(); i-- > 0;)
    for (size_t j = b.size(); j-- > 0;)
      lcs[i][j] = a[i] == b[j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);
  // Walk the table, emitting one hunk per run of changes with up to 3 lines
  // of context around it.
  struct Op {
    char kind;
    std::string line;
    size_t ai, bi;
  };
  std::vector<Op> ops;
  size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    if (i < a.size() && j < b.size() && a[i] == b[j]) {
      ops.push_back({' ', a[i], i, j});
      ++i;
      ++j;
    } else if (i < a.size() && (j == b.size() || lcs[i + 1][j] >= lcs[i][j + 1])) {
      ops.push_back({'-', a[i], i, j});
      ++i;
    } else {
      ops.push_back({'+', b[j], i, j});
      ++j;
    }
  }
  size_t k = 0;
  while (k < ops.size()) {
    if (ops[k].kind == ' ') {
      ++k;
      continue;
    }
    // A hunk runs from 3 lines before its first change to 3 lines after its
    // last; changes closer than 7 lines of context share a hunk.
    size_t last_change = k;
    for (size_t m = k; m < ops.size(); ++m) {
      if (ops[m].kind != ' ')
        last_change = m;
      else if (m - last_change > 6)
        break;
    }
    size_t start = k >= 3 ? k - 3 : 0;
    size_t end = std::min(ops.size(), last_change + 4);
    size_t a_count = 0, b_count = 0;
    for (size_t m = start; m < end; ++m) {
      if (ops[m].kind != '+')
        ++a_count;
      if (ops[m].kind != '-')
        ++b_count;
    }
    out += "@@ -" + std::to_string(ops[start].ai + 1) + "," + std::to_string(a_count) + " +" +
           std::to_string(ops[start].bi + 1) + "," + std::to_string(b_count) + " @@\n";
    for (size_t m = start; m < end; ++m)
      out += std::string(1, ops[m].kind) + ops[m].line + "\n";
    k = end;
  }
  return out;
}

// The content of an extended path: a named version, or the view's file.
bool content_of(const ViewHandle& view, const std::string& text, std::string& content,
                view_path_info_t& info, tbs_dbid_t& version) {
  std::string path;
  std::string name;
  split_extended_path(text, path, name);
  if (!resolve_version(view, text, info, version))
    return false;
  if (name.empty() && info.checked_out) {
    std::ifstream in(info.file_path);
    std::stringstream s;
    s << in.rdbuf();
    content = s.str();
    return static_cast<bool>(in) || s.str().empty();
  }
  return SUM_Version(SUM_Vob(info.vob), version).content(content) == 0;
}

int run_diff(const ParsedArgs& args) {
  const auto& ops = args.operands();
  ViewHandle view;
  std::string first_path;
  std::string ignored;
  split_extended_path(ops[0], first_path, ignored);
  if (!open_view(args, first_path, view))
    return kExitFailure;
  std::string left, right, left_label, right_label;
  view_path_info_t info;
  tbs_dbid_t version = 0;
  if (ops.size() == 2) {
    view_path_info_t other;
    tbs_dbid_t other_version = 0;
    if (!content_of(view, ops[0], left, info, version) ||
        !content_of(view, ops[1], right, other, other_version)) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableCompare, ops[0].c_str());
      return kExitFailure;
    }
    left_label = ops[0];
    right_label = ops[1];
  } else {
    // One path: its predecessor against the view's version of it.
    if (!content_of(view, ops[0], right, info, version)) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableCompare, ops[0].c_str());
      return kExitFailure;
    }
    vob_ver_details_t details;
    tbs_dbid_t predecessor = 0;
    SUM_Vob vob(info.vob);
    if (SUM_Version(vob, version).details(details) == 0)
      predecessor = details.predecessor;
    if (predecessor != 0)
      SUM_Version(vob, predecessor).content(left);
    left_label = first_path + "@@" + (predecessor != 0 ? version_name(vob, predecessor) : "(none)");
    right_label =
        ops[0] + (info.checked_out ? " (checked out)" : "@@" + version_name(vob, version));
  }
  if (left == right) {
    imsg_print(IMSG_INFO, vantool_msg::FilesIdentical);
    return kExitOk;
  }
  imsg_print_literal(IMSG_INFO, "%s", unified_diff(left, right, left_label, right_label).c_str());
  return kExitFailure;  // like diff(1): 1 when the texts differ
}

const char* need_text(const cmd_findmerge_result_t& merge) {
  switch (merge.need) {
    case CMD_MERGE_TRIVIAL:
      return "trivial";
    case CMD_MERGE_THREE_WAY:
      return merge.choose_side ? "binary, a side to choose" : "three-way";
    case CMD_MERGE_PENDING:
      return "held by an unresolved merge";
    default:
      return "none";
  }
}

int run_findmerge(const ParsedArgs& args) {
  if (args.has("fversion") == args.has("flatest"))
    return usage_error(*find_command("findmerge"), "Give either -fversion VERSION or -flatest.\n");
  if (args.has("ci") && !args.has("merge"))
    return usage_error(*find_command("findmerge"),
                       "-ci checks in what -merge merged; give both.\n");
  cmd_findmerge_args_t request;
  request.path = args.operands()[0];
  request.from = args.has("flatest") ? "/main/LATEST" : args.value("fversion");
  request.comment = args.comment();
  request.print_only = args.has("merge") ? 0 : 1;
  request.checkin = args.has("ci") ? 1 : 0;
  // No refresh of the whole view first: the merge service reads the VOBs,
  // not the view's files, and brings up to date the paths it changes.
  ViewHandle view;
  if (!find_view(args, request.path, view))
    return kExitFailure;
  std::vector<cmd_findmerge_item_t> items;
  int status = view.view().find_merge(request, items);
  if (status == TBS_ST_NOT_FOUND)
    imsg_print(IMSG_ERROR, vantool_msg::NotVisibleView, request.path.c_str(), view.tag().c_str());
  if (status != 0)
    return kExitFailure;
  int result = kExitOk;
  for (const auto& item : items) {
    const cmd_findmerge_result_t& merge = item.result;
    if (item.status != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableMerge, merge.path.c_str());
      result = kExitFailure;
      continue;
    }
    std::string from = version_name(item.vob, item.from);
    std::string base = merge.base != 0 ? version_name(item.vob, merge.base) : "(none)";
    if ((merge.need == CMD_MERGE_PENDING || merge.choose_side) && !request.print_only) {
      result = kExitFailure;  // the merge service said why, naming the path
    } else if (request.print_only) {
      imsg_print(IMSG_INFO, vantool_msg::NeedsMergeBase, merge.path.c_str(), need_text(merge),
                 from.c_str(), base.c_str());
    } else if (merge.conflicts > 0) {
      imsg_print(IMSG_WARNING, vantool_msg::MergedVersionConflictsResolve, merge.path.c_str(),
                 from.c_str(), merge.conflicts);
      result = kExitFailure;
    } else {
      imsg_print(IMSG_INFO, vantool_msg::MergedVersionBase, merge.path.c_str(), from.c_str(),
                 base.c_str());
    }
    if (item.checked_in)
      imsg_print(IMSG_INFO, vantool_msg::CheckedIn, merge.path.c_str(),
                 version_name(item.vob, merge.checkout).c_str());
  }
  return result;
}

// merge -resolved [-take ours|theirs] PATH...: records the merges whose
// conflicts the user resolved in the view's files, or whose side is taken.
int run_merge(const ParsedArgs& args) {
  if (!args.has("resolved"))
    return usage_error(*find_command("merge"), "Give -resolved.\n");
  int take = CMD_MERGE_TAKE_NONE;
  if (args.has("take")) {
    std::string side = args.value("take");
    if (side != "ours" && side != "theirs")
      return usage_error(*find_command("merge"),
                         "-take takes \"ours\" or \"theirs\", not \"" + side + "\".\n");
    take = side == "ours" ? CMD_MERGE_TAKE_OURS : CMD_MERGE_TAKE_THEIRS;
  }
  ViewHandle view;
  if (!open_view(args, args.operands()[0], view))
    return kExitFailure;
  int result = kExitOk;
  for (const auto& path : args.operands()) {
    cmd_findmerge_pending_t resolved;
    if (view.view().resolve_merge(path.c_str(), take, resolved) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableMarkResolved, path.c_str());
      result = kExitFailure;
      continue;
    }
    imsg_print(IMSG_INFO, vantool_msg::MergeMarkedResolved,
               version_name(resolved.vob, resolved.from).c_str(), path.c_str());
  }
  return result;
}

}  // namespace

void register_merge_commands(std::vector<Command>& table) {
  Command diff;
  diff.name = "diff";
  diff.synopsis = "diff [-view TAG] PATH[@@VERSION] [PATH[@@VERSION]]";
  diff.summary =
      "Compare a version with its predecessor, or two versions (exit 1 when they differ).";
  diff.common = kViewOption;
  diff.min_operands = 1;
  diff.max_operands = 2;
  diff.operand_name = "a PATH";
  diff.run = run_diff;
  table.push_back(diff);

  Command findmerge;
  findmerge.name = "findmerge";
  findmerge.synopsis =
      "findmerge PATH -fversion VERSION|-flatest -merge [-ci]|-print [-view TAG] [-c TEXT|-nc]";
  findmerge.summary =
      "Merge a version of each element at or under PATH that has its branch into the view.";
  findmerge.common = kCommentOptions | kViewOption;
  findmerge.options = {{"fversion", true, "VERSION", false},
                       {"flatest", false, "", false},
                       {"merge", false, "", false},
                       {"ci", false, "", false},
                       {"print", false, "", false}};
  findmerge.exclusive = {{"fversion", "flatest"}, {"merge", "print"}, {"ci", "print"}};
  findmerge.min_operands = 1;
  findmerge.max_operands = 1;
  findmerge.operand_name = "a PATH";
  findmerge.run = run_findmerge;
  table.push_back(findmerge);

  Command merge;
  merge.name = "merge";
  merge.synopsis = "merge -resolved [-take ours|theirs] [-view TAG] PATH...";
  merge.summary =
      "Mark the merges into checked-out files resolved once their conflict markers are gone, or "
      "(-take) give each file one side whole: theirs, the version merged from, or ours, its "
      "content from before the merge; a binary file both sides changed needs a side (records "
      "the merge; then check in).";
  merge.common = kViewOption;
  merge.options = {{"resolved", false, "", false}, {"take", true, "SIDE", false}};
  merge.min_operands = 1;
  merge.max_operands = kUnlimited;
  merge.operand_name = "a PATH";
  merge.run = run_merge;
  table.push_back(merge);
}

}  // namespace vantool
