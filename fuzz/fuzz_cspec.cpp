// Fuzzes the config spec parser.
//
// Properties a caller relies on:
//   - any text gives a status, never a crash;
//   - a refusal is 1004 with an error naming a line of the text ("line N: ...")
//     and leaves the caller's cspec_t untouched;
//   - a success clears the error, keeps the text, numbers rules by their line
//     in increasing order, and each rule's recorded text, parsed on its own,
//     gives the same rule again (commands show and store rules by that text);
//   - the load-rule check answers for any path.
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"
#include "services/cspec.h"

namespace {

int count_lines(const std::string& text) {
  int lines = 1;
  for (char c : text)
    lines += c == '\n' ? 1 : 0;
  return lines;
}

bool same_rule(const cspec_rule_t& a, const cspec_rule_t& b) {
  return a.kind == b.kind && a.text == b.text && a.eltype_filter == b.eltype_filter &&
         a.pattern == b.pattern && a.selector == b.selector && a.mkbranch == b.mkbranch &&
         a.nocheckout == b.nocheckout && a.error == b.error && a.zem == b.zem;
}

void check_refusal(const std::string& text, const cspec_t& out, const std::string& error) {
  FUZZ_REQUIRE(out.text == "sentinel" && out.rules.empty(), "a refusal changed the output");
  FUZZ_REQUIRE(error.compare(0, 5, "line ") == 0, "error without a line: " + error);
  int line = std::atoi(error.c_str() + 5);
  FUZZ_REQUIRE(line >= 1 && line <= count_lines(text), "error names no line of the text: " + error);
}

void check_rules(const cspec_t& cs) {
  int previous = 0;
  for (const cspec_rule_t& rule : cs.rules) {
    FUZZ_REQUIRE(rule.line > previous, "rules out of line order");
    previous = rule.line;
    cspec_t again;
    std::string error;
    int status = cspec_parse(rule.text, again, error);
    FUZZ_REQUIRE(status == 0, "rule text does not parse alone: \"" + rule.text + "\": " + error);
    FUZZ_REQUIRE(again.rules.size() == 1, "rule text gives other than one rule: " + rule.text);
    FUZZ_REQUIRE(same_rule(rule, again.rules[0]), "rule text parses differently: " + rule.text);
    cspec_path_is_loaded(cs, rule.pattern);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  cspec_t out;
  out.text = "sentinel";
  std::string error = "stale";
  int status = cspec_parse(text, out, error);
  if (status != 0) {
    FUZZ_REQUIRE(status == 1004, "refusal status " + std::to_string(status));
    check_refusal(text, out, error);
    return 0;
  }
  FUZZ_REQUIRE(error.empty(), "success left an error: " + error);
  FUZZ_REQUIRE(out.text == text, "parsed text not kept");
  check_rules(out);
  cspec_path_is_loaded(out, text);
  return 0;
}
