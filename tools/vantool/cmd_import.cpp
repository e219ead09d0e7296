// vantool import: bring an existing tree of files under version control in
// one command. New directories and files become elements, files whose
// content differs get a new version, names whose file disappeared from the
// tree leave their directory; every directory changed is checked out for it
// and everything is checked in at the end. Each step is one bulk call of the
// view service, so the work is committed in batches.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "sum/sum_version.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_command.h"
#include "vantool_view.h"

namespace vantool {

namespace {

namespace fs = std::filesystem;

// Counts as the catalog's formats print them.
int count(size_t n) {
  return static_cast<int>(n);
}

// What the view shows under the target directory: relative path to whether
// it is a directory.
using Shown = std::map<std::string, bool>;

// What an import does, in relative paths, each list sorted (parents first).
struct Plan {
  std::vector<std::string> new_dirs;
  std::vector<std::string> new_files;
  std::vector<std::string> changed_files;
  std::vector<std::string> removed;        // names to remove (a directory takes its subtree)
  std::set<std::string> dirs_to_checkout;  // existing directories whose names change
  size_t unchanged = 0;
};

std::string parent_of(const std::string& relative) {
  size_t slash = relative.rfind('/');
  return slash == std::string::npos ? std::string() : relative.substr(0, slash);
}

bool read_whole(const std::string& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return false;
  std::ostringstream out;
  out << in.rdbuf();
  content = out.str();
  return true;
}

// Walks the view below `dir` (relative path `relative`), recording what it shows.
void walk_view(const ViewHandle& view, const std::string& dir, const std::string& relative,
               Shown& shown) {
  std::vector<view_path_info_t> entries;
  if (view.view().read_dir(dir.c_str(), entries) != 0)
    return;
  for (const auto& e : entries) {
    if (e.version == 0)
      continue;
    std::string name = e.vob_path.substr(e.vob_path.rfind('/') + 1);
    std::string rel = relative.empty() ? name : relative + "/" + name;
    shown[rel] = e.is_dir != 0;
    if (e.is_dir)
      walk_view(view, e.file_path, rel, shown);
  }
}

// Compares the source tree with what the view shows and decides the work.
bool make_plan(const std::string& source, const std::string& target, const Shown& shown,
               Plan& plan) {
  std::set<std::string> in_source;
  std::error_code ec;
  std::vector<fs::path> paths;
  for (auto it = fs::recursive_directory_iterator(source, ec); !ec && it != fs::end(it);
       it.increment(ec))
    paths.push_back(it->path());
  if (ec) {
    imsg_print(IMSG_ERROR, vantool_msg::NotDirectoryRead, source.c_str());
    return false;
  }
  std::sort(paths.begin(), paths.end());
  for (const auto& p : paths) {
    std::string rel = fs::relative(p, source).string();
    auto status = fs::symlink_status(p, ec);
    bool is_dir = fs::is_directory(status);
    if (!is_dir && !fs::is_regular_file(status)) {
      imsg_print(IMSG_WARNING, vantool_msg::SkippedOnlyDirectoriesRegular, p.c_str());
      continue;
    }
    in_source.insert(rel);
    auto there = shown.find(rel);
    if (there != shown.end() && there->second != is_dir) {
      plan.removed.push_back(rel);  // a file became a directory, or the other way
      plan.dirs_to_checkout.insert(parent_of(rel));
      there = shown.end();
    }
    if (there == shown.end()) {
      (is_dir ? plan.new_dirs : plan.new_files).push_back(rel);
      plan.dirs_to_checkout.insert(parent_of(rel));
      continue;
    }
    if (is_dir)
      continue;
    std::string old_content, new_content;
    if (read_whole(target + "/" + rel, old_content) && read_whole(p.string(), new_content) &&
        old_content == new_content)
      ++plan.unchanged;
    else
      plan.changed_files.push_back(rel);
  }
  for (const auto& [rel, is_dir] : shown) {
    if (in_source.count(rel) != 0)
      continue;
    std::string parent = parent_of(rel);
    if (!parent.empty() && in_source.count(parent) == 0)
      continue;  // its directory goes, and takes it along
    plan.removed.push_back(rel);
    plan.dirs_to_checkout.insert(parent);
  }
  // Only existing directories are checked out; new ones are made checked out.
  std::set<std::string> made(plan.new_dirs.begin(), plan.new_dirs.end());
  for (auto it = plan.dirs_to_checkout.begin(); it != plan.dirs_to_checkout.end();)
    it = made.count(*it) != 0 ? plan.dirs_to_checkout.erase(it) : std::next(it);
  return true;
}

void print_plan(const Plan& plan) {
  for (const auto& d : plan.new_dirs)
    imsg_print(IMSG_INFO, vantool_msg::AlignedField, "new directory", d.c_str());
  for (const auto& f : plan.new_files)
    imsg_print(IMSG_INFO, vantool_msg::AlignedField, "new file", f.c_str());
  for (const auto& f : plan.changed_files)
    imsg_print(IMSG_INFO, vantool_msg::AlignedField, "changed", f.c_str());
  for (const auto& r : plan.removed)
    imsg_print(IMSG_INFO, vantool_msg::AlignedField, "removed", r.c_str());
}

// Runs the import's steps against the view, reporting progress on a terminal.
class Importer {
 public:
  Importer(const ViewHandle& view, std::string source, std::string target, std::string comment)
      : view_(view),
        source_(std::move(source)),
        target_(std::move(target)),
        comment_(std::move(comment)),
        progress_(isatty(STDERR_FILENO) != 0) {}

  bool run(const Plan& plan) {
    total_ = plan.dirs_to_checkout.size() + plan.new_dirs.size() + plan.new_files.size() +
             2 * plan.changed_files.size() + plan.removed.size();
    std::vector<std::string> dirs(plan.dirs_to_checkout.begin(), plan.dirs_to_checkout.end());
    std::vector<std::string> checked_out;
    bool ok = checkout_dirs(dirs, checked_out);
    ok = ok && step("rmname", plan.removed, [&](const std::string& path) {
           return view_.view().remove_name(path.c_str(), comment_.c_str());
         });
    ok = ok && bulk("mkdir", plan.new_dirs, [&](const auto& paths, auto& results) {
           return view_.view().make_elements(paths, VOB_ELTYPE_DIRECTORY, comment_.c_str(), 0,
                                             results);
         });
    ok = ok && copy_in(plan.new_files) &&
         bulk("mkelem", plan.new_files, [&](const auto& paths, auto& results) {
           return view_.view().make_elements(paths, VIEW_ELTYPE_FILE_BY_CONTENT, comment_.c_str(),
                                             1, results);
         });
    ok = ok && bulk("checkout", plan.changed_files, [&](const auto& paths, auto& results) {
           return view_.view().checkout_paths(paths, comment_.c_str(), results);
         });
    ok = ok && copy_in(plan.changed_files) &&
         bulk("checkin", plan.changed_files, [&](const auto& paths, auto& results) {
           return view_.view().checkin_paths(paths, comment_.c_str(), results);
         });
    // Every directory this import checked out or made, deepest first.
    std::vector<std::string> to_checkin(checked_out);
    to_checkin.insert(to_checkin.end(), plan.new_dirs.begin(), plan.new_dirs.end());
    std::sort(to_checkin.begin(), to_checkin.end(), std::greater<>());
    ok = ok && bulk("checkin", to_checkin, [&](const auto& paths, auto& results) {
           return view_.view().checkin_paths(paths, comment_.c_str(), results);
         });
    if (progress_)
      std::fputs("\n", stderr);
    return ok;
  }

 private:
  std::string in_view(const std::string& rel) const {
    return rel.empty() ? target_ : target_ + "/" + rel;
  }

  // Checks out the directories not checked out in this view already.
  bool checkout_dirs(const std::vector<std::string>& dirs, std::vector<std::string>& checked_out) {
    std::vector<std::string> needed;
    for (const auto& d : dirs) {
      view_path_info_t info;
      if (view_.view().lookup(in_view(d).c_str(), info) == 0 && info.checked_out)
        continue;
      needed.push_back(d);
    }
    checked_out = needed;
    return bulk("checkout", needed, [&](const auto& paths, auto& results) {
      return view_.view().checkout_paths(paths, comment_.c_str(), results);
    });
  }

  // Copies the source files into the view (new files as view-private files,
  // changed ones over their checkouts).
  bool copy_in(const std::vector<std::string>& files) {
    for (const auto& f : files) {
      std::error_code ec;
      fs::copy_file(source_ + "/" + f, in_view(f), fs::copy_options::overwrite_existing, ec);
      if (ec) {
        imsg_print(IMSG_ERROR, vantool_msg::CouldNot, "copy", in_view(f).c_str());
        return false;
      }
    }
    return true;
  }

  // One bulk call of the view service over `rels`.
  template <typename Call>
  bool bulk(const char* what, const std::vector<std::string>& rels, Call call) {
    if (rels.empty())
      return true;
    std::vector<std::string> paths;
    for (const auto& r : rels)
      paths.push_back(in_view(r));
    std::vector<view_path_result_t> results;
    call(paths, results);
    bool ok = true;
    for (const auto& r : results) {
      if (r.status != 0) {
        imsg_print(IMSG_ERROR, vantool_msg::CouldNot, what, r.path.c_str());
        ok = false;
      }
    }
    advance(rels.size());
    return ok;
  }

  // One call of the view service per path.
  template <typename Call>
  bool step(const char* what, const std::vector<std::string>& rels, Call call) {
    bool ok = true;
    for (const auto& r : rels) {
      if (call(in_view(r)) != 0) {
        imsg_print(IMSG_ERROR, vantool_msg::CouldNot, what, in_view(r).c_str());
        ok = false;
      }
      advance(1);
    }
    return ok;
  }

  void advance(size_t n) {
    done_ += n;
    if (!progress_)
      return;
    std::fprintf(stderr, "\r%s",
                 imsg_format(vantool_msg::ImportingSteps, count(done_), count(total_)).c_str());
    std::fflush(stderr);
  }

  const ViewHandle& view_;
  std::string source_, target_, comment_;
  bool progress_;
  size_t done_ = 0;
  size_t total_ = 0;
};

int run_import(const ParsedArgs& args) {
  std::string source = args.operands()[0];
  std::string target = args.operands()[1];
  while (target.size() > 1 && target.back() == '/')
    target.pop_back();
  std::error_code ec;
  if (!fs::is_directory(source, ec)) {
    imsg_print(IMSG_ERROR, vantool_msg::NotDirectoryRead, source.c_str());
    return kExitFailure;
  }
  ViewHandle view;
  if (!open_view(args, target, view))
    return kExitFailure;
  view_path_info_t info;
  if (!lookup_path(view, target, info))
    return kExitFailure;
  if (!info.is_dir) {
    imsg_print(IMSG_ERROR, vantool_msg::NotDirectoryViewImport, target.c_str());
    return kExitFailure;
  }
  Shown shown;
  walk_view(view, info.file_path, "", shown);
  Plan plan;
  if (!make_plan(source, info.file_path, shown, plan))
    return kExitFailure;
  bool nothing = plan.new_dirs.empty() && plan.new_files.empty() && plan.changed_files.empty() &&
                 plan.removed.empty();
  if (args.has("preview"))
    print_plan(plan);
  else if (!nothing && !Importer(view, source, info.file_path, args.comment()).run(plan))
    return kExitFailure;
  if (nothing)
    imsg_print(IMSG_INFO, vantool_msg::NothingImportViewAlready, source.c_str());
  else
    imsg_print_chosen(IMSG_INFO,
                      args.has("preview") ? vantool_msg::WouldImportNewDirectories
                                          : vantool_msg::ImportedNewDirectoriesNew,
                      count(plan.new_dirs.size()), count(plan.new_files.size()),
                      count(plan.changed_files.size()), count(plan.removed.size()),
                      count(plan.unchanged));
  return kExitOk;
}

}  // namespace

void register_import_commands(std::vector<Command>& table) {
  Command import;
  import.name = "import";
  import.synopsis = "import [-preview] [-view TAG] [-c TEXT|-nc] SOURCE-DIR TARGET-DIR";
  import.summary = "Bring a tree of files under version control below a directory of a view.";
  import.common = kCommentOptions | kViewOption;
  import.options = {{ "preview", false, "", false }};
  import.min_operands = 2;
  import.max_operands = 2;
  import.operand_name = "the source directory and the target directory";
  import.run = run_import;
  table.push_back(import);
}

}  // namespace vantool
