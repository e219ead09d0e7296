// Three-way text merge of the merge service, over libgit2's file merge.
// Sides without a label are labelled "ours" and "theirs".
//
// libgit2 is initialised the first time a merge runs and shut down when the
// process exits; both happen once per process whatever the number of threads
// merging. Conflicting regions are left in the text between the markers
// "<<<<<<< <ours label>", "=======" and ">>>>>>> <theirs label>", and counted
// from those markers.
#include <git2.h>

#include <string>
#include <string_view>

#include "repository/cmd_findmerge_internal.h"
#include "services/cmd_findmerge.h"
#include "services/tbs.h"

namespace {

// Holds libgit2 initialised for the life of the process. A function-local
// static makes the first initialisation thread-safe; its destructor runs the
// matching shutdown at exit.
class Libgit2Session {
 public:
  Libgit2Session() : status_(git_libgit2_init()) {}
  ~Libgit2Session() {
    if (status_ >= 0)
      git_libgit2_shutdown();
  }
  Libgit2Session(const Libgit2Session&) = delete;
  Libgit2Session& operator=(const Libgit2Session&) = delete;
  bool ok() const { return status_ >= 0; }

 private:
  int status_;
};

bool libgit2_ready() {
  static Libgit2Session session;
  return session.ok();
}

void set_input(git_merge_file_input& input, const std::string& text) {
  input.ptr = text.data();
  input.size = text.size();
}

}  // namespace

int cmd_findmerge_merge_text(const std::string& base, const std::string& ours,
                             const std::string& theirs, const char* ours_label,
                             const char* theirs_label, std::string& merged, int* conflicts) {
  const char* what_ours = ours_label != nullptr ? ours_label : "ours";
  const char* what_theirs = theirs_label != nullptr ? theirs_label : "theirs";
  if (!libgit2_ready()) {
    const git_error* error = git_error_last();
    imsg_print(IMSG_ERROR, &tbs_catalog, 60, what_ours, what_theirs,
               error != nullptr ? error->message : "libgit2 cannot be initialised");
    return TBS_ST_ERROR;
  }
  git_merge_file_input in_base = GIT_MERGE_FILE_INPUT_INIT;
  git_merge_file_input in_ours = GIT_MERGE_FILE_INPUT_INIT;
  git_merge_file_input in_theirs = GIT_MERGE_FILE_INPUT_INIT;
  set_input(in_base, base);
  set_input(in_ours, ours);
  set_input(in_theirs, theirs);
  git_merge_file_options options = GIT_MERGE_FILE_OPTIONS_INIT;
  options.our_label = what_ours;
  options.their_label = what_theirs;
  options.favor = GIT_MERGE_FILE_FAVOR_NORMAL;
  options.flags = GIT_MERGE_FILE_STYLE_MERGE;

  git_merge_file_result result{};
  if (git_merge_file(&result, &in_base, &in_ours, &in_theirs, &options) != 0) {
    const git_error* error = git_error_last();
    imsg_print(IMSG_ERROR, &tbs_catalog, 60, what_ours, what_theirs,
               error != nullptr ? error->message : "unknown error");
    git_merge_file_result_free(&result);
    return TBS_ST_ERROR;
  }
  std::string text(result.ptr != nullptr ? result.ptr : "", result.len);
  int regions = 0;
  if (!result.automergeable) {
    regions = repo::merge::count_conflict_regions(text, what_ours, what_theirs);
    if (regions == 0)
      regions = 1;  // libgit2 reported a conflict whose markers the inputs disguise
  }
  git_merge_file_result_free(&result);
  merged.swap(text);
  if (conflicts != nullptr)
    *conflicts = regions;
  return TBS_ST_OK;
}

namespace repo::merge {

namespace {

// Whether `line` is the marker line "<marker>" or "<marker> <label>": exactly
// that label when one is given, any label otherwise.
bool is_marker(std::string_view line, std::string_view marker, const char* label) {
  if (line.substr(0, marker.size()) != marker)
    return false;
  std::string_view rest = line.substr(marker.size());
  if (label != nullptr)
    return *label == '\0' ? rest.empty()
                          : rest.size() > 1 && rest[0] == ' ' && rest.substr(1) == label;
  return rest.empty() || rest[0] == ' ';
}

}  // namespace

int count_conflict_regions(const std::string& text, const char* ours_label,
                           const char* theirs_label) {
  enum { OUTSIDE, IN_OURS, IN_THEIRS } state = OUTSIDE;
  int regions = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos)
      end = text.size();
    std::string_view line(text.data() + pos, end - pos);
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    if (is_marker(line, "<<<<<<<", ours_label)) {
      state = IN_OURS;
    } else if (state == IN_OURS && line == "=======") {
      state = IN_THEIRS;
    } else if (state == IN_THEIRS && is_marker(line, ">>>>>>>", theirs_label)) {
      ++regions;
      state = OUTSIDE;
    }
    pos = end + 1;
  }
  return regions;
}

}  // namespace repo::merge
