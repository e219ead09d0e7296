// The merge service: the version graph's common ancestors, the decision
// whether a version needs merging into a view, checkouts for merging, file
// and directory merges into a view, and merge arrows.
//
// The graph of an element's versions has an edge from each version to its
// predecessor and to every version merged into it (merge arrows from other
// elements are not followed). A merge writes through several service calls,
// each its own transaction; the merge arrow is always the last write, so an
// interrupted merge leaves no arrow and merging again completes it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "repository/cmd_findmerge_internal.h"
#include "repository/file_system.h"
#include "repository/view_internal.h"
#include "repository/vob_internal.h"
#include "services/cmd_findmerge.h"
#include "services/vob_elem.h"

namespace {

using repo::merge::DirPlan;
using repo::merge::Entries;
using repo::merge::InView;
namespace msg = repo::merge;

// Distances from a version to its ancestors (itself at 0).
using Ancestry = std::unordered_map<tbs_dbid_t, int>;

// The version graph of one element, read whole (one read of the VOB) on
// first use and kept for one call.
class VersionGraph {
 public:
  VersionGraph(vob_vob_h vob, tbs_dbid_t element) : vob_(vob), element_(element) {}

  vob_vob_h vob() const { return vob_; }

  // The versions `version` comes from directly: its predecessor and the
  // versions of the same element merged into it. 1002 for a version of
  // another element.
  int parents(tbs_dbid_t version, const std::vector<tbs_dbid_t>*& out) {
    if (!loaded_) {
      std::vector<vob_ver_edges_t> versions;
      int status = vob_elem_get_version_graph(vob_, element_, versions);
      if (status != 0)
        return status;
      for (auto& v : versions) {
        std::vector<tbs_dbid_t> direct;
        if (v.predecessor != 0)
          direct.push_back(v.predecessor);
        direct.insert(direct.end(), v.merged_from.begin(), v.merged_from.end());
        parents_.emplace(v.version, std::move(direct));
      }
      loaded_ = true;
    }
    auto it = parents_.find(version);
    if (it == parents_.end())
      return TBS_ST_NOT_FOUND;
    out = &it->second;
    return TBS_ST_OK;
  }

  // Every ancestor of `start` with its shortest distance.
  int ancestry(tbs_dbid_t start, Ancestry& dist) {
    dist.clear();
    dist[start] = 0;
    std::deque<tbs_dbid_t> queue{start};
    while (!queue.empty()) {
      tbs_dbid_t v = queue.front();
      queue.pop_front();
      const std::vector<tbs_dbid_t>* direct = nullptr;
      int status = parents(v, direct);
      if (status != 0)
        return status;
      for (tbs_dbid_t p : *direct)
        if (dist.emplace(p, dist[v] + 1).second)
          queue.push_back(p);
    }
    return TBS_ST_OK;
  }

  // Whether `ancestor` is `version` or one of its ancestors.
  int descends(tbs_dbid_t version, tbs_dbid_t ancestor, bool* yes) {
    Ancestry dist;
    int status = ancestry(version, dist);
    if (status == 0)
      *yes = dist.count(ancestor) != 0;
    return status;
  }

  // The closest common ancestor: among the common ancestors that are not
  // ancestors of other common ancestors, the one nearest to both versions
  // (the newest on a tie).
  int common_ancestor(tbs_dbid_t a, tbs_dbid_t b, tbs_dbid_t* base) {
    Ancestry from_a;
    Ancestry from_b;
    int status = ancestry(a, from_a);
    if (status == 0)
      status = ancestry(b, from_b);
    if (status != 0)
      return status;
    struct Candidate {
      tbs_dbid_t version;
      int distance;
    };
    std::vector<Candidate> common;
    for (const auto& [v, d] : from_a) {
      auto other = from_b.find(v);
      if (other != from_b.end())
        common.push_back({v, d + other->second});
    }
    if (common.empty())
      return TBS_ST_NOT_FOUND;
    std::sort(common.begin(), common.end(), [](const Candidate& x, const Candidate& y) {
      return x.distance != y.distance ? x.distance < y.distance : x.version > y.version;
    });
    // The best candidate no other candidate descends from; each walk marks
    // the candidates the walked one descends from.
    std::unordered_set<tbs_dbid_t> dominated;
    for (const auto& c : common) {
      if (dominated.count(c.version) != 0)
        continue;
      Ancestry below;
      status = ancestry(c.version, below);
      if (status != 0)
        return status;
      for (const auto& [v, d] : below)
        if (v != c.version)
          dominated.insert(v);
    }
    for (const auto& c : common)
      if (dominated.count(c.version) == 0) {
        *base = c.version;
        return TBS_ST_OK;
      }
    return TBS_ST_NOT_FOUND;  // only possible in a graph with a cycle
  }

 private:
  vob_vob_h vob_;
  tbs_dbid_t element_;
  bool loaded_ = false;
  std::unordered_map<tbs_dbid_t, std::vector<tbs_dbid_t>> parents_;
};

// The element's path in the view and what the view selects for it; 1002
// when the view does not show it or selects no version.
int locate(view_server_h view, vob_vob_h vob, tbs_dbid_t element, InView& where) {
  if (view == nullptr || vob == nullptr || element == 0)
    return TBS_ST_BAD_ARGUMENT;
  int status = repo::elem_path_info(view, vob, element, where.path, &where.info);
  if (status == 0 && where.info.version == 0)
    status = TBS_ST_NOT_FOUND;
  return status;
}

// The whole content of a file; 1005 (or the errno's status) after a message.
int read_file(const std::string& path, std::string& content) {
  int err = repo::file_system().read(path, content);
  if (err != 0) {
    imsg_print(IMSG_ERROR, tbs_msg::UnableReadFile, path.c_str(), std::strerror(err));
    return tbs_errno2status(err);
  }
  return TBS_ST_OK;
}

}  // namespace

namespace repo::merge {

int write_merged_file(const std::string& path, const std::string& content) {
  struct stat st {};
  unsigned mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  int err = repo::file_system().write(path, content, mode);
  if (err != 0) {
    imsg_print(IMSG_ERROR, tbs_msg::UnableWriteFile, path.c_str(), std::strerror(err));
    return tbs_errno2status(err);
  }
  return TBS_ST_OK;
}

int overwrite_merged_file(const std::string& path, const std::string& content) {
  int err = repo::file_system().overwrite(path, content);
  if (err == ENOENT || err == EACCES)
    return write_merged_file(path, content);  // no file to write over, or a read-only one
  if (err != 0) {
    imsg_print(IMSG_ERROR, tbs_msg::UnableWriteFile, path.c_str(), std::strerror(err));
    return tbs_errno2status(err);
  }
  return TBS_ST_OK;
}

}  // namespace repo::merge

namespace {

std::string version_name(vob_vob_h vob, tbs_dbid_t version) {
  std::string name;
  if (vob_ver_get_name(vob, version, name) != 0)
    name = "version " + std::to_string(version);
  return name;
}

std::string element_name(vob_vob_h vob, tbs_dbid_t element) {
  char buf[1024] = {};
  if (vob_obj_get_any_name(vob, element, nullptr, buf, sizeof buf) != 0)
    return "element " + std::to_string(element);
  return buf;
}

// `version` itself, or, for version 0 of a branch, the version the branch
// was made from: the two hold the same content.
int content_origin(vob_vob_h vob, tbs_dbid_t version, tbs_dbid_t& out) {
  vob_ver_details_t details;
  int status = vob_ver_get_details(vob, version, &details);
  if (status == 0)
    out = details.number == 0 && details.predecessor != 0 ? details.predecessor : version;
  return status;
}

// What merging `from` into `to` (the view's selection) takes: the same for
// every element type (a binary file's three-way need waits for a side).
int decide(VersionGraph& graph, tbs_dbid_t from, tbs_dbid_t to, int* need) {
  bool merged = false;
  int status = graph.descends(to, from, &merged);
  if (status != 0)
    return status;
  if (merged) {
    *need = CMD_MERGE_NOT_NEEDED;
    return TBS_ST_OK;
  }
  bool behind = false;
  status = graph.descends(from, to, &behind);
  // When `from` descends from the point the branch of a version 0 was made
  // from, a copy is all the merge takes.
  tbs_dbid_t point = to;
  if (status == 0 && !behind && (status = content_origin(graph.vob(), to, point)) == 0 &&
      point != to)
    status = graph.descends(from, point, &behind);
  if (status == 0)
    *need = behind ? CMD_MERGE_TRIVIAL : CMD_MERGE_THREE_WAY;
  return status;
}

// The current content of a file checkout: the view's file when it has one,
// otherwise the content the version holds.
int checkout_content(vob_vob_h vob, const InView& where, tbs_dbid_t version, std::string& content) {
  if (!where.info.file_path.empty() && ::access(where.info.file_path.c_str(), F_OK) == 0)
    return read_file(where.info.file_path, content);
  return vob_ver_read_content(vob, version, content);
}

// The outcome of merging one element, computed before anything is written.
struct Outcome {
  std::string text;    // files: the merged content
  std::string before;  // files merged three ways: the checkout's content merged into
  DirPlan plan;        // directories: the changes
  int conflicts = 0;
  bool choose_side = false;  // a binary file both sides changed: nothing to write
};

// Computes the merge of `from` into `ours` (the view's version of the
// element, or its checkout) with ancestor `base`. A `binary` file that needs
// a three-way merge is not merged: one conflict, the side to be chosen.
int compute(vob_vob_h vob, const InView& where, tbs_dbid_t from, tbs_dbid_t ours, tbs_dbid_t base,
            int need, bool is_dir, bool binary, Outcome& out) {
  bool copy = need == CMD_MERGE_TRIVIAL;
  if (binary && !copy && !is_dir) {
    out.choose_side = true;
    out.conflicts = 1;
    return where.info.checked_out ? checkout_content(vob, where, ours, out.before)
                                  : vob_ver_read_content(vob, ours, out.before);
  }
  if (is_dir) {
    Entries base_entries;
    Entries our_entries;
    Entries their_entries;
    int status = repo::merge::read_dir_entries(vob, copy ? 0 : base, base_entries);
    if (status == 0)
      status = repo::merge::read_dir_entries(vob, ours, our_entries);
    if (status == 0)
      status = repo::merge::read_dir_entries(vob, from, their_entries);
    if (status != 0)
      return status;
    repo::merge::plan_dir_merge(base_entries, our_entries, their_entries, copy, out.plan);
    out.conflicts = static_cast<int>(out.plan.conflicts.size());
    return TBS_ST_OK;
  }
  std::string theirs;
  int status = vob_ver_read_content(vob, from, theirs);
  if (status != 0 || copy) {
    out.text = std::move(theirs);
    return status;
  }
  std::string base_text;
  std::string our_text;
  if (base != 0)
    status = vob_ver_read_content(vob, base, base_text);
  if (status == 0)
    status = where.info.checked_out ? checkout_content(vob, where, ours, our_text)
                                    : vob_ver_read_content(vob, ours, our_text);
  if (status != 0)
    return status;
  std::string ours_label = where.path + "@@" + version_name(vob, ours);
  std::string theirs_label = where.path + "@@" + version_name(vob, from);
  status = cmd_findmerge_merge_text(base_text, our_text, theirs, ours_label.c_str(),
                                    theirs_label.c_str(), out.text, &out.conflicts);
  out.before = std::move(our_text);
  return status;
}

}  // namespace

namespace {

// Decides the merge of `from` into `to` and, when one is needed, finds its
// common ancestor (none found: 0, merged against an empty ancestor).
int decide_with_base(VersionGraph& graph, tbs_dbid_t from, tbs_dbid_t to,
                     cmd_findmerge_result_t& r) {
  r.base = 0;
  int status = decide(graph, from, to, &r.need);
  if (status == 0 && r.need != CMD_MERGE_NOT_NEEDED)
    status = graph.common_ancestor(from, to, &r.base);
  return status == TBS_ST_NOT_FOUND ? TBS_ST_OK : status;
}

// A decision made for `to` stands for the checkout `r.checkout` made from
// it (the checkout comes from `to`, or from version 0 of a branch made from
// `to` for it, and nothing is merged into it yet); for a checkout made from
// another version (a newer version checked in meanwhile) the merge is
// decided again.
int confirm_decision(VersionGraph& graph, tbs_dbid_t from, tbs_dbid_t to,
                     cmd_findmerge_result_t& r) {
  vob_ckout_info_t checkout;
  std::vector<tbs_dbid_t> merged;
  int status = vob_ver_get_ckout_info(graph.vob(), r.checkout, &checkout);
  if (status == 0)
    status = vob_ver_get_merges_into(graph.vob(), r.checkout, merged);
  if (status != 0 || !merged.empty())
    return status != 0 ? status : decide_with_base(graph, from, r.checkout, r);
  // The checkout may stand on a branch made for it from `to`, whose
  // version 0 holds what `to` holds: the decision stands there too.
  tbs_dbid_t stands_on = checkout.predecessor;
  if (stands_on != to)
    status = content_origin(graph.vob(), stands_on, stands_on);
  if (status != 0 || stands_on == to)
    return status;
  return decide_with_base(graph, from, r.checkout, r);
}

// The version `from` (its details) and where the view shows its element.
int locate_version(view_server_h view, vob_vob_h vob, tbs_dbid_t from, vob_ver_details_t& details,
                   InView& where) {
  int status = vob_ver_get_details(vob, from, &details);
  return status != 0 ? status : locate(view, vob, details.element, where);
}

}  // namespace

int cmd_findmerge_common_ancestor(vob_vob_h vob, tbs_dbid_t a, tbs_dbid_t b, tbs_dbid_t* base) {
  if (vob == nullptr || a == 0 || b == 0 || base == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  std::vector<tbs_dbid_t> elements;
  int status = vob_ver_get_elems(vob, {a}, elements);
  if (status != 0)
    return status;
  VersionGraph graph(vob, elements[0]);
  return graph.common_ancestor(a, b, base);
}

int cmd_findmerge_report_never_mergetype(vob_vob_h vob, tbs_dbid_t element, int report,
                                         int* never_merge) {
  if (vob == nullptr || element == 0 || never_merge == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  int eltype = 0;
  int status = vob_elem_get_eltype(vob, element, &eltype);
  if (status != 0)
    return status;
  *never_merge = eltype == VOB_ELTYPE_FILE_NEVER_MERGE ? 1 : 0;
  if (*never_merge && report)
    imsg_print(IMSG_WARNING, tbs_msg::ElementTypeNeverMerged, element_name(vob, element).c_str());
  return TBS_ST_OK;
}

int cmd_findmerge_zem_needs_co_merge(view_server_h view, vob_vob_h vob, tbs_dbid_t from,
                                     int* need) {
  if (need == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  vob_ver_details_t details;
  InView where;
  int status = locate_version(view, vob, from, details, where);
  if (status != 0)
    return status;
  VersionGraph graph(vob, details.element);
  return decide(graph, from, where.info.version, need);
}

int cmd_findmerge_do_checkout_with_pop(view_server_h view, vob_vob_h vob, tbs_dbid_t element,
                                       const char* comment, tbs_dbid_t* checkout) {
  if (checkout == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  InView where;
  int status = locate(view, vob, element, where);
  return status != 0 ? status
                     : repo::merge::checkout_for_merge(view, vob, where, comment, checkout);
}

int cmd_findmerge_zem_merge(view_server_h view, vob_vob_h vob, tbs_dbid_t from, const char* comment,
                            int print_only, cmd_findmerge_result_t* result) {
  if (result == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  vob_ver_details_t details;
  InView where;
  int status = locate_version(view, vob, from, details, where);
  cspec_t cspec;
  if (status == 0)
    status = repo::load_cspec(view, cspec);
  if (status != 0)
    return status;
  return repo::merge::merge_into(view, cspec, vob, from, details.is_dir != 0, where, comment,
                                 print_only != 0, *result, nullptr);
}

int cmd_findmerge_zem_plan(view_server_h view, vob_vob_h vob, tbs_dbid_t from,
                           cmd_findmerge_plan_t* plan) {
  if (plan == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  vob_ver_details_t details;
  InView where;
  int status = locate_version(view, vob, from, details, where);
  if (status != 0)
    return status;
  VersionGraph graph(vob, details.element);
  cmd_findmerge_result_t decided;
  status = decide_with_base(graph, from, where.info.version, decided);
  if (status != 0)
    return status;
  plan->vob = vob;
  plan->from = from;
  plan->is_dir = details.is_dir != 0 ? 1 : 0;
  plan->need = decided.need;
  plan->base = decided.base;
  plan->path = std::move(where.path);
  plan->info = std::move(where.info);
  return TBS_ST_OK;
}

int cmd_findmerge_zem_merge_planned(view_server_h view, const cmd_findmerge_plan_t& plan,
                                    const char* comment, cmd_findmerge_result_t* result) {
  if (view == nullptr || plan.vob == nullptr || plan.from == 0 || result == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  if (plan.need == CMD_MERGE_NOT_NEEDED) {
    cmd_findmerge_result_t none;
    none.path = plan.path;
    none.checkout = plan.info.checked_out ? plan.info.version : 0;
    *result = std::move(none);
    return TBS_ST_OK;
  }
  cspec_t cspec;
  int status = repo::load_cspec(view, cspec);
  if (status != 0)
    return status;
  InView where;
  where.path = plan.path;
  where.info = plan.info;
  repo::merge::Decision decided;
  decided.to = plan.info.version;
  decided.need = plan.need;
  decided.base = plan.base;
  return repo::merge::merge_into(view, cspec, plan.vob, plan.from, plan.is_dir != 0, where, comment,
                                 false, *result, nullptr, &decided);
}

namespace {

// Merges of one batch of cmd_findmerge_zem_merge_planned_many.
constexpr size_t kMergeBatch = 200;

// Begins a write group on the store of each VOB of plans[first, last), in
// the order of the stores' paths.
int group_vobs(const std::vector<cmd_findmerge_plan_t>& plans, size_t first, size_t last,
               std::vector<std::unique_ptr<repo::WriteGroup>>& groups) {
  std::map<std::string, repo::Store*> by_path;
  for (size_t i = first; i < last; ++i) {
    repo::Store* store = nullptr;
    int status = repo::vob_store(plans[i].vob, store);
    if (status != 0)
      return status;
    by_path[store->path()] = store;
  }
  for (const auto& [path, store] : by_path) {
    groups.push_back(std::make_unique<repo::WriteGroup>(*store));
    if (groups.back()->status() != 0)
      return groups.back()->status();
  }
  return TBS_ST_OK;
}

}  // namespace

int cmd_findmerge_zem_merge_planned_many(view_server_h view,
                                         const std::vector<cmd_findmerge_plan_t>& plans,
                                         const char* comment, std::vector<int>& statuses,
                                         std::vector<cmd_findmerge_result_t>& results) {
  if (view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  statuses.assign(plans.size(), TBS_ST_OK);
  results.assign(plans.size(), cmd_findmerge_result_t());
  for (size_t first = 0; first < plans.size(); first += kMergeBatch) {
    const size_t last = std::min(plans.size(), first + kMergeBatch);
    std::vector<std::unique_ptr<repo::WriteGroup>> groups;
    int status = group_vobs(plans, first, last, groups);
    for (size_t i = first; i < last; ++i)
      statuses[i] = status != 0
                        ? status
                        : cmd_findmerge_zem_merge_planned(view, plans[i], comment, &results[i]);
    for (auto& group : groups)
      if (status == 0)
        status = group->commit();
    for (size_t i = first; status != 0 && i < last; ++i)
      if (statuses[i] == 0)
        statuses[i] = status;  // its arrow was not recorded
  }
  return TBS_ST_OK;
}

namespace repo::merge {

int checkout_for_merge(view_server_h view, vob_vob_h vob, const InView& where, const char* comment,
                       tbs_dbid_t* checkout) {
  if (where.info.checked_out) {
    *checkout = where.info.version;
    return TBS_ST_OK;
  }
  // A checkout of this view that the config spec does not select.
  int status = my_checkout(view, vob, where.info.element, checkout);
  if (status != TBS_ST_NOT_FOUND)
    return status;
  // view_checkout makes the -mkbranch branch (and its type's local copy).
  return view_checkout(view, where.path.c_str(), comment, checkout);
}

namespace {
int show_directories_above(view_server_h view, const std::string& vob_path);
}  // namespace

void checkout_for_merges(view_server_h view, vob_vob_h vob,
                         const std::vector<MergeCandidate>& candidates, const char* comment,
                         std::set<tbs_dbid_t>& made) {
  std::vector<std::string> paths;
  std::vector<tbs_dbid_t> elements;
  for (const auto& c : candidates) {
    if (c.where.info.checked_out || c.where.info.version == 0)
      continue;
    VersionGraph graph(vob, c.where.info.element);
    int need = CMD_MERGE_NOT_NEEDED;
    if (decide(graph, c.from, c.where.info.version, &need) == 0 && need != CMD_MERGE_NOT_NEEDED) {
      paths.push_back(c.where.path);
      elements.push_back(c.where.info.element);
    }
  }
  if (paths.empty() || show_directories_above(view, paths.front()) != 0)
    return;
  // Quiet: each element's own merge meets and reports what failed here.
  imsg_proc_t saved[IMSG_NUM_PROCS];
  void* saved_arg = nullptr;
  imsg_get_redirect_procs(saved, &saved_arg);
  imsg_proc_t quiet[IMSG_NUM_PROCS];
  for (auto& proc : quiet)
    proc = [](const char*, void*) {};
  imsg_set_redirect_procs(quiet, nullptr);
  std::vector<view_path_result_t> results;
  view_checkout_many(view, paths, comment, results);
  imsg_set_redirect_procs(saved, saved_arg);
  for (size_t i = 0; i < results.size() && i < elements.size(); ++i)
    if (results[i].status == 0)
      made.insert(elements[i]);
}

int checkin_merges(view_server_h view, const std::vector<std::string>& paths,
                   std::vector<view_path_result_t>& results) {
  return view_checkin_many(view, paths, nullptr, results);
}

namespace {

// Brings into the view's root the directories on the way to `vob_path` that
// it does not hold yet (made since the view last showed that part), so that
// the element's file can be written there. Only the missing part is synced.
int show_directories_above(view_server_h view, const std::string& vob_path) {
  std::string missing;
  for (size_t slash = vob_path.rfind('/'); slash != std::string::npos && slash > 0;
       slash = vob_path.rfind('/', slash - 1)) {
    std::string dir = vob_path.substr(0, slash);
    if (::access((view->entry.root + dir).c_str(), F_OK) == 0)
      break;
    missing = dir;
  }
  return missing.empty() ? TBS_ST_OK : sync_view(view, missing, nullptr);
}

// Prints each directory conflict the merge left.
void report_dir_conflicts(const std::string& dir, const std::vector<DirConflict>& conflicts) {
  for (const auto& c : conflicts) {
    if (c.kind == DirConflict::kRenameClash)
      imsg_print(IMSG_WARNING, tbs_msg::DirectoryNamedVersionMerged, dir.c_str(), c.name.c_str(),
                 c.theirs_name.c_str());
    else
      imsg_print_chosen(IMSG_WARNING,
                        c.kind == DirConflict::kRenameRemoved
                            ? tbs_msg::DirectoryRenamedOneSide
                            : tbs_msg::DirectoryNameNamesDifferent,
                        dir.c_str(), c.name.c_str());
  }
}

// Writes a computed merge into the checkout at `where`: a directory's plan
// (then the view shows the directory's new entries), a file's text into the
// view's file; a binary file waiting for a side keeps its content.
int write_outcome(view_server_h view, vob_vob_h vob, const InView& where, tbs_dbid_t from,
                  bool is_dir, bool in_place, const Outcome& outcome,
                  const vob_event_info_t& event) {
  if (is_dir) {
    int status = apply_dir_plan(vob, where.info.version, outcome.plan, &event);
    report_dir_conflicts(where.path, outcome.plan.conflicts);
    int synced = sync_view(view, where.path, nullptr);
    return status != 0 ? status : synced;
  }
  if (outcome.choose_side) {
    imsg_print(IMSG_WARNING, tbs_msg::BinaryChangedBothSides, where.path.c_str(),
               version_name(vob, from).c_str());
    return TBS_ST_OK;
  }
  int status = in_place ? overwrite_merged_file(where.info.file_path, outcome.text)
                        : write_merged_file(where.info.file_path, outcome.text);
  if (status == 0 && outcome.conflicts > 0)
    imsg_print(IMSG_WARNING, tbs_msg::ConflictingRegionsAfterMerging, where.path.c_str(),
               outcome.conflicts, version_name(vob, from).c_str());
  return status;
}

// Whether an earlier merge into the view's checkout of the file at `where`
// is pending; then `r` reports it (CMD_MERGE_PENDING) after a warning
// naming the path. A stale record is forgotten unless `print_only`.
int hold_pending(view_server_h view, vob_vob_h vob, const InView& where, bool print_only,
                 cmd_findmerge_result_t& r, bool& pending) {
  pending = false;
  std::string content;
  int status = checkout_content(vob, where, where.info.version, content);
  cmd_findmerge_pending_t found;
  if (status == 0)
    status = find_pending(view, vob, where.info.element, where.info.version, content, !print_only,
                          found, pending);
  if (status != 0 || !pending)
    return status;
  std::string from = version_name(vob, found.from);
  if (found.choose_side)
    imsg_print(IMSG_WARNING, tbs_msg::BinaryMergeWaitsForSide, where.path.c_str(), from.c_str());
  else if (found.conflicts > 0)
    imsg_print(IMSG_WARNING, tbs_msg::UnresolvedMergeLeftUntouched, where.path.c_str(),
               from.c_str(), found.conflicts);
  else
    imsg_print(IMSG_WARNING, tbs_msg::ResolvedMergeNotRecorded, where.path.c_str(), from.c_str());
  r.need = CMD_MERGE_PENDING;
  r.checkout = where.info.version;
  r.base = 0;
  r.conflicts = found.conflicts;
  r.choose_side = found.choose_side;
  return TBS_ST_OK;
}

}  // namespace

int merge_into(view_server_h view, const cspec_t& cspec, vob_vob_h vob, tbs_dbid_t from,
               bool is_dir, InView& where, const char* comment, bool print_only,
               cmd_findmerge_result_t& result, Entries* merged, const Decision* decided) {
  cmd_findmerge_result_t r;
  r.path = where.path;
  tbs_dbid_t to = where.info.version;
  tbs_dbid_t element = where.info.element;
  VersionGraph graph(vob, element);
  // A planned merge that copies a file writes it over the checkout's file
  // in place: interrupted, it has no arrow yet and is made again whole.
  const bool planned = decided != nullptr;
  int status = TBS_ST_OK;
  if (decided != nullptr && decided->to == to) {
    r.need = decided->need;
    r.base = decided->base;
  } else {
    status = decide_with_base(graph, from, to, r);
    decided = nullptr;
  }
  if (status != 0)
    return status;
  if (where.info.checked_out)
    r.checkout = to;
  // An unresolved merge is never merged over.
  bool pending = false;
  if (!is_dir && r.need != CMD_MERGE_NOT_NEEDED && where.info.checked_out) {
    status = hold_pending(view, vob, where, print_only, r, pending);
    if (status != 0)
      return status;
    if (pending) {
      result = std::move(r);
      return TBS_ST_OK;
    }
  }
  // A binary file is never merged three ways.
  int binary = 0;
  if (!is_dir && r.need == CMD_MERGE_THREE_WAY)
    status = cmd_findmerge_report_never_mergetype(vob, element, 0, &binary);
  if (status != 0)
    return status;
  Outcome outcome;
  // A dry run computes what can conflict: a copy of a file cannot.
  bool file_copy = !is_dir && r.need == CMD_MERGE_TRIVIAL;
  if (r.need != CMD_MERGE_NOT_NEEDED && print_only && !file_copy) {
    status = compute(vob, where, from, to, r.base, r.need, is_dir, binary != 0, outcome);
    r.conflicts = outcome.conflicts;
    r.choose_side = outcome.choose_side ? 1 : 0;
  }
  if (r.need == CMD_MERGE_NOT_NEEDED || print_only) {
    if (status == 0 && merged != nullptr && r.need != CMD_MERGE_NOT_NEEDED)
      *merged = std::move(outcome.plan.merged);
    if (status == 0)
      result = std::move(r);
    return status;
  }

  status = show_directories_above(view, where.path);
  if (status == 0)
    status = checkout_for_merge(view, vob, where, comment, &r.checkout);
  if (status == 0 && r.checkout != to)  // what the view shows now: the new checkout
    status = describe(view, cspec, vob, element, where.path, where.info);
  if (status == 0 && decided != nullptr && r.checkout != to)
    status = confirm_decision(graph, from, to, r);
  if (status != 0)
    return status;
  if (where.info.version != r.checkout) {
    imsg_print(IMSG_ERROR, tbs_msg::ViewDoesNotShow, view->entry.tag.c_str(), r.path.c_str());
    return TBS_ST_ERROR;
  }
  const bool copy_in_place = planned && !is_dir && r.need == CMD_MERGE_TRIVIAL;
  // Merged into the checkout's current content, the view's file.
  status = compute(vob, where, from, r.checkout, r.base, r.need, is_dir, binary != 0, outcome);
  vob_event_info_t event;
  event.comment = comment;
  // Recorded before the file changes: see cmd_findmerge_pending.cpp.
  if (status == 0 && !is_dir && outcome.conflicts > 0)
    status = note_pending(view, vob, element, r.checkout, from, where.path, outcome.before,
                          outcome.choose_side);
  if (status == 0)
    status = write_outcome(view, vob, where, from, is_dir, copy_in_place, outcome, event);
  r.conflicts = outcome.conflicts;
  r.choose_side = outcome.choose_side ? 1 : 0;
  if (status == 0 && r.conflicts == 0)
    status = vob_ver_add_merge(vob, from, r.checkout, &event);
  if (status != 0)
    return status;
  if (merged != nullptr)
    *merged = std::move(outcome.plan.merged);
  result = std::move(r);
  return TBS_ST_OK;
}

}  // namespace repo::merge

namespace repo::merge {

int record_merge(view_server_h view, vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t from,
                 tbs_dbid_t checkout) {
  std::vector<tbs_dbid_t> merged;
  int status = vob_ver_get_merges_into(vob, checkout, merged);
  if (status == 0 && std::find(merged.begin(), merged.end(), from) == merged.end()) {
    vob_event_info_t event;
    status = vob_ver_add_merge(vob, from, checkout, &event);
  }
  return status != 0 ? status : forget_pending(view, vob, element, checkout);
}

}  // namespace repo::merge

namespace {

// Why the arrow of `from` into `checkout` (a version of a file element with
// `details`) cannot be recorded yet, after a message naming the file: its
// merge waits for a side, or its text still holds a conflict region.
int refuse_unresolved(view_server_h view, vob_vob_h vob, tbs_dbid_t from, tbs_dbid_t checkout,
                      const vob_ver_details_t& details) {
  InView where;
  bool in_view = details.checked_out && locate(view, vob, details.element, where) == 0 &&
                 where.info.version == checkout;
  std::string what = where.path.empty() ? version_name(vob, checkout) : where.path;
  bool waiting = false;
  int status = repo::merge::side_waiting(view, vob, details.element, checkout, waiting);
  if (status != 0)
    return status;
  if (waiting) {
    imsg_print(IMSG_ERROR, tbs_msg::MergeSideNotChosen, what.c_str(),
               version_name(vob, from).c_str());
    return TBS_ST_ERROR;
  }
  if (details.eltype == VOB_ELTYPE_FILE_NEVER_MERGE)
    return TBS_ST_OK;  // binary content: no markers to look for
  std::string content;
  status = in_view ? checkout_content(vob, where, checkout, content)
                   : vob_ver_read_content(vob, checkout, content);
  if (status != 0)
    return status;
  if (repo::merge::count_conflict_regions(content, nullptr, nullptr) > 0) {
    imsg_print(IMSG_ERROR, tbs_msg::StillHoldsConflictMarkers, what.c_str(),
               version_name(vob, from).c_str());
    return TBS_ST_ERROR;
  }
  return TBS_ST_OK;
}

}  // namespace

int cmd_findmerge_complete(view_server_h view, vob_vob_h vob, tbs_dbid_t from,
                           tbs_dbid_t checkout) {
  if (view == nullptr || vob == nullptr || from == 0 || checkout == 0)
    return TBS_ST_BAD_ARGUMENT;
  vob_ver_details_t theirs;
  vob_ver_details_t ours;
  int status = vob_ver_get_details(vob, from, &theirs);
  if (status == 0)
    status = vob_ver_get_details(vob, checkout, &ours);
  if (status != 0)
    return status;
  if (theirs.element != ours.element || from == checkout) {
    imsg_print(IMSG_ERROR, tbs_msg::VersionNotVersionElement, version_name(vob, checkout).c_str(),
               version_name(vob, from).c_str());
    return TBS_ST_BAD_ARGUMENT;
  }
  std::vector<tbs_dbid_t> merged;
  status = vob_ver_get_merges_into(vob, checkout, merged);
  if (status != 0)
    return status;
  if (std::find(merged.begin(), merged.end(), from) != merged.end())
    return repo::merge::forget_pending(view, vob, ours.element, checkout);  // already recorded
  // The arrow vouches for the content: the user's choices must be made.
  if (!ours.is_dir && (status = refuse_unresolved(view, vob, from, checkout, ours)) != 0)
    return status;
  return repo::merge::record_merge(view, vob, ours.element, from, checkout);
}
