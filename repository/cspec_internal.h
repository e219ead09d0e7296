// Compiled forms of config spec patterns and version selectors, shared by the
// parser (which refuses what does not compile) and the evaluator (which
// matches and resolves them).
#ifndef REPOSITORY_CSPEC_INTERNAL_H
#define REPOSITORY_CSPEC_INTERNAL_H

#include <string>
#include <vector>

#include "services/tbs.h"

namespace cspec_detail {

// How a pattern is matched against a view path "/vobtag/dir/file".
enum class PatternForm {
  LAST_COMPONENT,  // no "/": a wildcard for the last path component ("*", "*.c")
  PATH,            // "/vobtag/..." or ".../name": component by component
  VOB_FAMILY,      // "[uuid]/dir/...": the path below the tag of the VOB of that family
};

struct Pattern {
  PatternForm form = PatternForm::LAST_COMPONENT;
  std::string last;                     // LAST_COMPONENT: the wildcard
  std::vector<std::string> components;  // PATH, VOB_FAMILY: "..." is any run of components
  tbs_uuid_t family{};                  // VOB_FAMILY
};

// Compiles `text`; false with `problem` ("relative pattern ...") when malformed.
bool compile_pattern(const std::string& text, Pattern& out, std::string& problem);

// Whether the wildcard components `pattern` match `path` components, "..."
// standing for any number of components.
bool match_components(const std::vector<std::string>& pattern,
                      const std::vector<std::string>& path);

// The non-empty components of a slash-separated path.
std::vector<std::string> split_path(const std::string& path);

// What a version selector names.
enum class SelectorForm {
  CHECKEDOUT,   // the checkout held by the view
  BRANCH_PATH,  // "/main/dev/3", "/main/LATEST"
  ANY_BRANCH,   // ".../dev/LATEST": the branch of that type wherever it sprouts
  LABEL,        // a label type or version map name
};

struct Selector {
  SelectorForm form = SelectorForm::CHECKEDOUT;
  std::string name;  // BRANCH_PATH: "/main/dev"; ANY_BRANCH: the branch type; LABEL: the label type
  int number = -1;   // BRANCH_PATH, ANY_BRANCH: the version number, -1 for LATEST
};

// Compiles `text`; false with `problem` when malformed.
bool compile_selector(const std::string& text, Selector& out, std::string& problem);

}  // namespace cspec_detail

#endif  // REPOSITORY_CSPEC_INTERNAL_H
