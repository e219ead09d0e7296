// Config specs: the rules that decide which version of each element a view
// shows, and the one evaluator every command uses.
//
// Language (one rule per line; "#" outside quotes starts a comment to the end
// of the line; blank lines are ignored):
//   element [-file|-directory] PATTERN SELECTOR [-mkbranch BRTYPE] [-nocheckout] [-zem]
//   element [-file|-directory] PATTERN -error [-zem]
//   load PATH      PATH absolute ("/vobtag/dir")
//   zem            starts a generated block (kept as text, rules inside apply)
//   identity KIND ID VERSION
//                  inside a zem block: the config spec's identity line
//   end zem        ends the block
// A text holds at most one zem block, and it must be ended.
// PATTERN: "*" (every element), "/vob/dir/..." (the directory and everything
// under it), "/vob/dir/*" (its direct entries), "/vob/path" (one path), a
// bare "name" or "*.ext" (matches the last path component). In a pattern
// that holds a "/", each component is matched on its own with "*", "?" and
// "[...]", and a "..." component stands for any number of components (none
// included), so ".../name" matches "name" anywhere. "[FAMILY-UUID]/dir/..."
// names the VOB by its family UUID instead of its tag. Patterns and selectors
// may be quoted with double quotes. SELECTOR: CHECKEDOUT, "/main/N",
// "/main/LATEST", "/main/dev/LATEST", "/main/dev/N" (a branch path and a
// version number or LATEST), ".../BRTYPE/LATEST" (the LATEST of that branch
// wherever it sprouts), or a label type or version map name (any name without
// "/" that is not CHECKEDOUT). "-zem" marks a rule as generated for ZEM.
// Rules are tried in order; the first rule whose pattern matches and whose
// selector names an existing version of the element wins. "-mkbranch BRTYPE"
// on the winning rule means a checkout makes (or uses) the element's BRTYPE
// branch from the selected version; "-nocheckout" forbids checkouts; "-error"
// makes the element an error when reached. An element no rule selects is not
// visible.
#ifndef SERVICES_CSPEC_H
#define SERVICES_CSPEC_H

#include <string>
#include <vector>

#include "services/vob.h"

enum cspec_rule_kind : int {
  CSPEC_ELEMENT = 1,
  CSPEC_LOAD = 2,
};

// What an element rule applies to.
enum cspec_eltype_filter : int {
  CSPEC_ANY_ELTYPE = 0,
  CSPEC_FILES = 1,
  CSPEC_DIRECTORIES = 2,
};

struct cspec_rule_t {
  int kind = CSPEC_ELEMENT;
  int line = 0;      // 1-based line of the text
  std::string text;  // the rule as written, without its comment, trimmed
  int eltype_filter = CSPEC_ANY_ELTYPE;
  std::string pattern;   // unquoted; for load rules the path
  std::string selector;  // "" for -error and load rules
  std::string mkbranch;  // "" when none
  int nocheckout = 0;
  int error = 0;
  int zem = 0;  // "-zem": generated for ZEM
  int in_zem_block = 0;
};

struct cspec_t {
  std::vector<cspec_rule_t> rules;
  std::string identity;  // the identity line of the zem block without the word
                         // "identity" ("ZEM.Stream stream:dev@/pvob 3"); "" when none
  std::string text;      // the text parsed
};

// Parses `text`. On success: 0, `out` holds the rules in text order and
// `error` is cleared. On a malformed line: 1004, `error` names the line and
// what is wrong ("line 3: unknown selector option \"-mkbrnch\""), and `out`
// is untouched. Nothing is printed.
int cspec_parse(const std::string& text, cspec_t& out, std::string& error);

// The outcome of evaluating one element.
struct cspec_selection_t {
  tbs_dbid_t version = 0;  // 0: no rule selects a version (element not visible)
  int rule = -1;           // index of the winning rule in cspec_t::rules; -1 none
  int error = 0;           // the winning rule is an -error rule
  std::string mkbranch;    // from the winning rule
  int nocheckout = 0;      // from the winning rule
};

// Evaluates the rules for `element` of `vob`, seen at `path` ("/vobtag/dir/file",
// the path the view shows it under) in the view with UUID `view_uuid` (for
// CHECKEDOUT: only checkouts held by that view count). 0 with `selection`
// filled (version 0 and rule -1 when no rule selects a version); 1004 for a
// null VOB, element 0 or a rule that does not parse; otherwise the status of
// the repository call that failed. `selection` is untouched on failure.
int cspec_select(const cspec_t& cspec, vob_vob_h vob, tbs_dbid_t element, const std::string& path,
                 const std::string& view_uuid, cspec_selection_t& selection);

// Whether a load rule of the config spec covers `path` (the path itself, an
// ancestor of it, or a descendant: directories on the way to a loaded path
// are loaded too). A config spec without load rules loads nothing. 1 or 0.
int cspec_path_is_loaded(const cspec_t& cspec, const std::string& path);

#endif  // SERVICES_CSPEC_H
