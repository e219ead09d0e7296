// Three-way text merge of the merge service, over libgit2's file merge.
// Sides without a label are labelled "ours" and "theirs".
//
// libgit2 (with the network and crypto libraries it needs) is loaded the
// first time a merge runs, not when a program starts: most commands never
// merge, and loading it cost more than the rest of their start. It is
// initialised then and shut down when the process exits; both happen once
// per process whatever the number of threads merging. Conflicting regions
// are left in the text between the markers "<<<<<<< <ours label>",
// "=======" and ">>>>>>> <theirs label>", and counted from those markers.
#include <dlfcn.h>
#include <git2.h>

#include <string>
#include <string_view>

#include "repository/cmd_findmerge_internal.h"
#include "services/cmd_findmerge.h"
#include "services/tbs.h"

namespace {

// The libgit2 calls the merge uses, found in the library loaded at run time.
struct Libgit2 {
  decltype(&git_libgit2_init) init = nullptr;
  decltype(&git_libgit2_shutdown) shutdown = nullptr;
  decltype(&git_error_last) error_last = nullptr;
  decltype(&git_merge_file) merge_file = nullptr;
  decltype(&git_merge_file_result_free) result_free = nullptr;
  std::string failure;  // why it could not be loaded; "" when it was
};

template <typename Fn>
bool find_symbol(void* library, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(dlsym(library, name));
  return fn != nullptr;
}

Libgit2 load_libgit2() {
  Libgit2 lib;
  // The build's own libgit2 first (its ABI matches the header), then any.
  void* library = dlopen(KORVANE_LIBGIT2_SONAME, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr)
    library = dlopen("libgit2.so", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* error = dlerror();
    lib.failure = error != nullptr ? error : KORVANE_LIBGIT2_SONAME " cannot be loaded";
    return lib;
  }
  if (!find_symbol(library, "git_libgit2_init", lib.init) ||
      !find_symbol(library, "git_libgit2_shutdown", lib.shutdown) ||
      !find_symbol(library, "git_error_last", lib.error_last) ||
      !find_symbol(library, "git_merge_file", lib.merge_file) ||
      !find_symbol(library, "git_merge_file_result_free", lib.result_free))
    lib.failure = "libgit2 lacks the file merge calls";
  return lib;
}

// Holds libgit2 loaded and initialised for the life of the process. A
// function-local static makes the first initialisation thread-safe; its
// destructor runs the matching shutdown at exit. The library stays loaded.
class Libgit2Session {
 public:
  Libgit2Session() : lib_(load_libgit2()) {
    if (lib_.failure.empty() && lib_.init() < 0)
      lib_.failure = last_error("libgit2 cannot be initialised");
  }
  ~Libgit2Session() {
    if (lib_.failure.empty())
      lib_.shutdown();
  }
  Libgit2Session(const Libgit2Session&) = delete;
  Libgit2Session& operator=(const Libgit2Session&) = delete;

  const Libgit2& lib() const { return lib_; }
  // libgit2's message of its latest error, or `otherwise`.
  std::string last_error(const char* otherwise) const {
    const git_error* error = lib_.error_last != nullptr ? lib_.error_last() : nullptr;
    return error != nullptr && error->message != nullptr ? error->message : otherwise;
  }

 private:
  Libgit2 lib_;
};

const Libgit2Session& libgit2() {
  static Libgit2Session session;
  return session;
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
  const Libgit2Session& session = libgit2();
  const Libgit2& git = session.lib();
  if (!git.failure.empty()) {
    imsg_print(IMSG_ERROR, tbs_msg::UnableMerge, what_ours, what_theirs, git.failure.c_str());
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
  if (git.merge_file(&result, &in_base, &in_ours, &in_theirs, &options) != 0) {
    std::string error = session.last_error("unknown error");
    imsg_print(IMSG_ERROR, tbs_msg::UnableMerge, what_ours, what_theirs, error.c_str());
    git.result_free(&result);
    return TBS_ST_ERROR;
  }
  std::string text(result.ptr != nullptr ? result.ptr : "", result.len);
  int regions = 0;
  if (!result.automergeable) {
    regions = repo::merge::count_conflict_regions(text, what_ours, what_theirs);
    if (regions == 0)
      regions = 1;  // libgit2 reported a conflict whose markers the inputs disguise
  }
  git.result_free(&result);
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

// Counts the complete conflict regions of `text` (see
// count_conflict_regions); `first_line` (may be null) receives the line,
// from 1, where the first one opens, 0 when none.
int scan_regions(const std::string& text, const char* ours_label, const char* theirs_label,
                 int* first_line) {
  enum { OUTSIDE, IN_OURS, IN_THEIRS } state = OUTSIDE;
  int regions = 0;
  int line_number = 0;
  int opened_at = 0;
  if (first_line != nullptr)
    *first_line = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    ++line_number;
    size_t end = text.find('\n', pos);
    if (end == std::string::npos)
      end = text.size();
    std::string_view line(text.data() + pos, end - pos);
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    if (is_marker(line, "<<<<<<<", ours_label)) {
      state = IN_OURS;
      opened_at = line_number;
    } else if (state == IN_OURS && line == "=======") {
      state = IN_THEIRS;
    } else if (state == IN_THEIRS && is_marker(line, ">>>>>>>", theirs_label)) {
      if (regions++ == 0 && first_line != nullptr)
        *first_line = opened_at;
      state = OUTSIDE;
    }
    pos = end + 1;
  }
  return regions;
}

}  // namespace

int count_conflict_regions(const std::string& text, const char* ours_label,
                           const char* theirs_label) {
  return scan_regions(text, ours_label, theirs_label, nullptr);
}

int first_conflict_line(const std::string& text) {
  int first = 0;
  scan_regions(text, nullptr, nullptr, &first);
  return first;
}

}  // namespace repo::merge
