// Fuzzes the selector compilers: config spec version selectors and patterns
// (with the component matcher the evaluator runs on every element) and
// object selectors "kind:name@vob".
//
// The first byte chooses the compiler; the rest is the text (for the
// matcher, a pattern and a path separated by a line break).
//
// Properties a caller relies on:
//   - no text crashes or hangs a compiler or the matcher;
//   - a compiled version selector or pattern, written back in its canonical
//     form, compiles to the same thing (a config spec a command rewrites
//     selects what it selected before);
//   - a refusal says what is wrong and leaves the output untouched;
//   - an object selector that parses, built again from its parts, parses to
//     the same parts.
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "repository/cspec_internal.h"
#include "services/vob.h"

namespace {

using cspec_detail::Pattern;
using cspec_detail::PatternForm;
using cspec_detail::Selector;
using cspec_detail::SelectorForm;

std::string version_text(int number) {
  return number < 0 ? "LATEST" : std::to_string(number);
}

std::string selector_text(const Selector& s) {
  switch (s.form) {
    case SelectorForm::CHECKEDOUT:
      return "CHECKEDOUT";
    case SelectorForm::BRANCH_PATH:
      return s.name + "/" + version_text(s.number);
    case SelectorForm::ANY_BRANCH:
      return ".../" + s.name + "/" + version_text(s.number);
    case SelectorForm::LABEL:
      return s.name;
  }
  return "";
}

bool same_selector(const Selector& a, const Selector& b) {
  return a.form == b.form && a.name == b.name && a.number == b.number;
}

void check_selector(const std::string& text) {
  Selector out;
  out.name = "sentinel";
  std::string problem;
  if (!cspec_detail::compile_selector(text, out, problem)) {
    FUZZ_REQUIRE(!problem.empty(), "refusal without a reason");
    FUZZ_REQUIRE(out.name == "sentinel", "refusal changed the output");
    return;
  }
  FUZZ_REQUIRE(out.number >= -1, "negative version number");
  if (out.form == SelectorForm::BRANCH_PATH)
    FUZZ_REQUIRE(!out.name.empty() && out.name[0] == '/', "branch path not rooted: " + out.name);
  Selector again;
  FUZZ_REQUIRE(cspec_detail::compile_selector(selector_text(out), again, problem),
               "canonical form refused: " + selector_text(out) + ": " + problem);
  FUZZ_REQUIRE(same_selector(out, again), "canonical form differs: " + selector_text(out));
}

std::string joined(const std::vector<std::string>& components) {
  std::string text;
  for (const std::string& c : components)
    text += "/" + c;
  return text;
}

std::string pattern_text(const Pattern& p) {
  switch (p.form) {
    case PatternForm::LAST_COMPONENT:
      return p.last;
    case PatternForm::PATH:
      return p.components.empty() ? "/" : joined(p.components);
    case PatternForm::VOB_FAMILY: {
      char uuid[TBS_ID_STR_SIZE];
      tbs_uuid_to_str(&p.family, uuid);
      return "[" + std::string(uuid) + "]" + joined(p.components);
    }
  }
  return "";
}

bool same_pattern(const Pattern& a, const Pattern& b) {
  return a.form == b.form && a.last == b.last && a.components == b.components &&
         tbs_uuid_eq(&a.family, &b.family);
}

void check_pattern(const std::string& text) {
  Pattern out;
  out.last = "sentinel";
  std::string problem;
  if (!cspec_detail::compile_pattern(text, out, problem)) {
    FUZZ_REQUIRE(!problem.empty(), "refusal without a reason");
    FUZZ_REQUIRE(out.last == "sentinel", "refusal changed the output");
    return;
  }
  Pattern again;
  FUZZ_REQUIRE(cspec_detail::compile_pattern(pattern_text(out), again, problem),
               "canonical form refused: " + pattern_text(out) + ": " + problem);
  FUZZ_REQUIRE(same_pattern(out, again), "canonical form differs: " + pattern_text(out));
}

// A pattern made only of "..." (at least one) matches every path; any pattern matches
// itself when it holds no wildcard characters.
void check_match(const std::string& text) {
  size_t newline = text.find('\n');
  std::string pattern = text.substr(0, newline);
  std::string path = newline == std::string::npos ? "" : text.substr(newline + 1);
  std::vector<std::string> components = cspec_detail::split_path(pattern);
  std::vector<std::string> path_components = cspec_detail::split_path(path);
  bool matched = cspec_detail::match_components(components, path_components);
  bool only_dots = !components.empty();
  for (const std::string& c : components)
    only_dots = only_dots && c == "...";
  if (only_dots)
    FUZZ_REQUIRE(matched, "\"...\" did not match " + path);
  if (pattern.find_first_of("*?[\\") == std::string::npos)
    FUZZ_REQUIRE(cspec_detail::match_components(components, components),
                 "plain pattern does not match itself: " + pattern);
}

void check_objsel(const std::string& text) {
  vob_objsel_t parsed;
  if (vob_utl_parse_objsel(text.c_str(), &parsed) != 0)
    return;
  FUZZ_REQUIRE(!parsed.name.empty(), "parsed selector without a name: " + text);
  vob_objsel_kind_t kind = VOB_SEL_ANY;
  if (!parsed.kind.empty() && vob_utl_str_to_objsel_kind(parsed.kind.c_str(), &kind) != 0)
    return;  // an unknown kind cannot be built again
  if (kind == VOB_SEL_ANY && parsed.name.find(':') != std::string::npos)
    return;  // without a kind, "a:b" reads as kind "a": the form cannot say it
  // Room for any kind prefix, so that nothing is cut.
  std::vector<char> built(text.size() + 64);
  char* buf = built.data();
  if (vob_utl_create_objsel(kind, parsed.name.c_str(), parsed.vob.c_str(), buf, built.size()) != 0)
    return;
  vob_objsel_t again;
  FUZZ_REQUIRE(vob_utl_parse_objsel(buf, &again) == 0, std::string("rebuilt refused: ") + buf);
  FUZZ_REQUIRE(again.kind == parsed.kind && again.name == parsed.name && again.vob == parsed.vob,
               "rebuilt selector parses differently: " + text + " -> " + buf);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0)
    return 0;
  std::string text = fuzz_text(data + 1, size - 1);
  switch (data[0] % 4) {
    case 0:
      check_selector(text);
      break;
    case 1:
      check_pattern(text);
      break;
    case 2:
      check_match(text);
      break;
    default:
      check_objsel(text);
      break;
  }
  return 0;
}
