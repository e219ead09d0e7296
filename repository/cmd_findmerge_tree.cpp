// findmerge over a tree: which elements under a path have the branch to merge
// from, found by reading the VOB once rather than by walking the view, and
// their merges into the view, directories before what they contain.
//
// The walk starts at the path and descends only into directories that can
// lead to an element with the branch (in any of their versions), reading each
// directory's entries once and asking the config spec (read once) only about
// entries that are such elements or such directories. A directory merged
// first shows the entries it gained, so an element added on the branch is
// reached, and merged, in the same pass.
#include <unordered_map>
#include <unordered_set>

#include "repository/cmd_findmerge_internal.h"
#include "repository/view_internal.h"
#include "services/cmd_findmerge.h"

namespace repo::merge {

namespace {

bool all_digits(const std::string& text) {
  if (text.empty() || text.size() > 9)
    return false;
  for (char c : text)
    if (c < '0' || c > '9')
      return false;
  return true;
}

}  // namespace

int parse_merge_source(const std::string& text, MergeSource& source) {
  size_t slash = text.rfind('/');
  std::string leaf = slash == std::string::npos ? "" : text.substr(slash + 1);
  std::string branch = slash == std::string::npos ? "" : text.substr(0, slash);
  MergeSource parsed;
  parsed.number = leaf == "LATEST" ? -1 : all_digits(leaf) ? std::stoi(leaf) : -2;
  if (branch.compare(0, 4, ".../") == 0) {
    parsed.anywhere = true;
    parsed.brtype = branch.substr(4);
  } else if (branch.compare(0, 5, "/main") == 0 && (branch.size() == 5 || branch[5] == '/')) {
    parsed.branch_path = branch;
    parsed.brtype = branch.substr(branch.rfind('/') + 1);
  }
  bool ok = parsed.number >= -1 && !parsed.brtype.empty() &&
            parsed.brtype.find('/') == std::string::npos &&
            parsed.branch_path.find("//") == std::string::npos && parsed.brtype != "...";
  if (!ok) {
    imsg_print(IMSG_ERROR, tbs_msg::DoesNotNameVersion, text.c_str());
    return TBS_ST_BAD_ARGUMENT;
  }
  source = parsed;
  return TBS_ST_OK;
}

namespace {

// One findmerge run: the view, its config spec, and what the VOB said about
// the branch.
class TreeMerge {
 public:
  TreeMerge(view_server_h view, const cmd_findmerge_args_t& args,
            std::vector<cmd_findmerge_item_t>& items)
      : view_(view), args_(args), items_(items) {}

  int run() {
    MergeSource source;
    int status = parse_merge_source(args_.from, source);
    if (status == 0)
      status = load_cspec(view_, cspec_);
    InView start;
    if (status == 0)
      status = locate_start(start);
    if (status == 0)
      status = find_tips(start.info.vob, source);
    if (status == 0)
      status = visit(start);
    if (status == 0 && args_.checkin && !args_.print_only)
      checkin_made();
    return status;
  }

 private:
  // The element at the path findmerge was given; 1002 when the view does
  // not show one there (the view root is no element).
  int locate_start(InView& start) {
    int status = to_view_path(view_, args_.path.c_str(), false, start.path);
    if (status == 0)
      status = resolve_path(view_, cspec_, start.path, false, start.info);
    if (status == 0 && (start.info.element == 0 || start.info.version == 0))
      status = TBS_ST_NOT_FOUND;
    return status;
  }

  // The elements with the branch and the directories above them: one read
  // of the VOB.
  int find_tips(vob_vob_h vob, const MergeSource& source) {
    vob_ = vob;
    tbs_dbid_t brtype = 0;
    int status = vob_brtype_lookup(vob, source.brtype.c_str(), &brtype);
    if (status == TBS_ST_NOT_FOUND) {
      imsg_print(IMSG_ERROR, tbs_msg::BranchTypeDoesNot, source.brtype.c_str(),
                 vob_tag_of(vob).c_str());
      return TBS_ST_ERROR;
    }
    std::vector<vob_branch_tip_t> tips;
    std::vector<tbs_dbid_t> dirs;
    if (status == 0)
      status = vob_brtype_find_tips(vob, brtype, source.number, tips, dirs);
    if (status != 0)
      return status;
    for (auto& tip : tips)
      if (tip.version != 0 && (source.anywhere || tip.branch_path == source.branch_path))
        tips_.emplace(tip.element, tip);
    above_.insert(dirs.begin(), dirs.end());
    return TBS_ST_OK;
  }

  // The entries of a directory version, read once.
  int entries_of(tbs_dbid_t dir_version, const Entries*& entries) {
    auto it = entries_.find(dir_version);
    if (it == entries_.end()) {
      Entries read;
      int status = read_dir_entries(vob_, dir_version, read);
      if (status != 0)
        return status;
      it = entries_.emplace(dir_version, std::move(read)).first;
    }
    entries = &it->second;
    return TBS_ST_OK;
  }

  // Merges the element at `where` when it has the branch, then, for a
  // directory that can lead to one, the entries that can.
  int visit(InView& where) {
    tbs_dbid_t element = where.info.element;
    if (!visited_.insert(element).second)
      return TBS_ST_OK;  // seen under another name
    Entries merged;
    bool have_merged = false;
    auto tip = tips_.find(element);
    if (tip != tips_.end()) {
      int status = merge(where, tip->second, merged, have_merged);
      if (status != 0)
        return status;
    }
    if (!where.info.is_dir || above_.count(element) == 0)
      return TBS_ST_OK;
    const Entries* entries = &merged;
    if (!have_merged) {
      int status = entries_of(where.info.version, entries);
      if (status != 0)
        return status;
    }
    if (!args_.print_only)
      checkout_files_ahead(where, *entries);
    for (const auto& [name, child] : *entries) {
      if (tips_.count(child) == 0 && above_.count(child) == 0)
        continue;
      InView sub;
      sub.path = where.path + "/" + name;
      int status = describe(view_, cspec_, vob_, child, sub.path, sub.info);
      if (status == TBS_ST_NOT_FOUND || (status == 0 && sub.info.version == 0))
        continue;  // a removed element, or one the view does not show
      if (status == 0)
        status = visit(sub);
      if (status != 0)
        return status;
    }
    return TBS_ST_OK;
  }

  // Checks out the files of the directory at `where` that will merge, in
  // one bulk call, before their merges one by one.
  void checkout_files_ahead(const InView& where, const Entries& entries) {
    std::vector<MergeCandidate> candidates;
    for (const auto& [name, child] : entries) {
      auto tip = tips_.find(child);
      if (tip == tips_.end() || tip->second.is_dir || visited_.count(child) != 0)
        continue;
      MergeCandidate c;
      c.where.path = where.path + "/" + name;
      c.from = tip->second.version;
      if (describe(view_, cspec_, vob_, child, c.where.path, c.where.info) == 0)
        candidates.push_back(std::move(c));
    }
    checkout_for_merges(view_, vob_, candidates, args_.comment.c_str(), checked_out_ahead_);
  }

  // Checks in the checkouts this run made and merged without conflict,
  // what a directory contains before the directory; a failure is kept in
  // the element's item.
  void checkin_made() {
    std::vector<size_t> clean;
    std::vector<std::string> paths;
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
      const cmd_findmerge_item_t& item = items_[*it];
      if (item.status != 0 || item.result.conflicts != 0)
        continue;
      clean.push_back(*it);
      paths.push_back(item.result.path);
    }
    std::vector<view_path_result_t> results;
    checkin_merges(view_, paths, results);
    for (size_t i = 0; i < clean.size() && i < results.size(); ++i) {
      cmd_findmerge_item_t& item = items_[clean[i]];
      item.status = results[i].status;
      item.checked_in = item.status == 0 ? 1 : 0;
    }
  }

  // Merges one element; a failure is kept in its item and the walk goes
  // on. A merged directory's entries (what it holds after the merge, or
  // would hold for a dry run) go to `merged`.
  int merge(InView& where, const vob_branch_tip_t& tip, Entries& merged, bool& have_merged) {
    bool had_checkout = where.info.checked_out != 0 && checked_out_ahead_.count(tip.element) == 0;
    cmd_findmerge_item_t item;
    item.vob = vob_;
    item.element = tip.element;
    item.from = tip.version;
    item.status =
        merge_into(view_, cspec_, vob_, tip.version, tip.is_dir != 0, where, args_.comment.c_str(),
                   args_.print_only != 0, item.result, tip.is_dir ? &merged : nullptr);
    have_merged = item.status == 0 && tip.is_dir && item.result.need != CMD_MERGE_NOT_NEEDED;
    if (item.status != 0 || item.result.need != CMD_MERGE_NOT_NEEDED) {
      if (item.result.path.empty())
        item.result.path = where.path;
      if (item.status == 0 && !had_checkout && item.result.checkout != 0 && !args_.print_only)
        made_.push_back(items_.size());
      items_.push_back(std::move(item));
    }
    return TBS_ST_OK;
  }

  view_server_h view_;
  const cmd_findmerge_args_t& args_;
  std::vector<cmd_findmerge_item_t>& items_;
  cspec_t cspec_;
  vob_vob_h vob_ = nullptr;
  std::unordered_map<tbs_dbid_t, vob_branch_tip_t> tips_;  // by element
  std::unordered_set<tbs_dbid_t> above_;                   // directories above a tip
  std::unordered_set<tbs_dbid_t> visited_;
  std::unordered_map<tbs_dbid_t, Entries> entries_;  // by directory version
  std::vector<size_t> made_;                // items whose checkout this run made, in merge order
  std::set<tbs_dbid_t> checked_out_ahead_;  // elements checked out ahead of their merges
};

}  // namespace

}  // namespace repo::merge

int cmd_findmerge_tree(view_server_h view, const cmd_findmerge_args_t& args,
                       std::vector<cmd_findmerge_item_t>& items) {
  if (view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  std::vector<cmd_findmerge_item_t> found;
  repo::merge::TreeMerge walk(view, args, found);
  int status = walk.run();
  if (status == 0)
    items.swap(found);
  return status;
}
