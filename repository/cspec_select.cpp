// Config spec evaluator: for one element seen at one view path, the version
// the rules select (first matching rule that names an existing version), and
// whether load rules cover a path.
#include <algorithm>

#include "repository/cspec_internal.h"
#include "services/cspec.h"
#include "services/vob_elem.h"
#include "services/wild.h"

namespace cspec_detail {

namespace {

// Whether pattern[pi..] matches path[si..]. `failed` holds one flag per
// (pi, si) pair already known not to match: with several "..." components the
// same pair is reached along many ways, and without the flags the work grows
// exponentially with their number (one config spec line could hang every
// command in a view); with them it stays within pattern size times path size.
bool match_from(const std::vector<std::string>& pattern, size_t pi,
                const std::vector<std::string>& path, size_t si, std::vector<char>& failed) {
  char& known_failure = failed[pi * (path.size() + 1) + si];
  if (known_failure != 0)
    return false;
  while (pi < pattern.size() && pattern[pi] != "...") {
    if (si >= path.size() || wild_match(pattern[pi].c_str(), path[si].c_str()) == 0) {
      known_failure = 1;
      return false;
    }
    ++pi;
    ++si;
  }
  if (pi == pattern.size()) {
    known_failure = si == path.size() ? 0 : 1;
    return known_failure == 0;
  }
  // "...": any run of components, the shortest first.
  for (size_t k = si; k <= path.size(); ++k)
    if (match_from(pattern, pi + 1, path, k, failed))
      return true;
  known_failure = 1;
  return false;
}

}  // namespace

bool match_components(const std::vector<std::string>& pattern,
                      const std::vector<std::string>& path) {
  std::vector<char> failed((pattern.size() + 1) * (path.size() + 1), 0);
  return match_from(pattern, 0, path, 0, failed);
}

}  // namespace cspec_detail

namespace {

using cspec_detail::Pattern;
using cspec_detail::PatternForm;
using cspec_detail::Selector;
using cspec_detail::SelectorForm;

// What the evaluator knows about the element while trying the rules; the
// VOB's tag and family are read only when a family pattern needs them.
struct Subject {
  vob_vob_h vob = nullptr;
  tbs_dbid_t element = 0;
  int eltype = 0;
  std::vector<std::string> components;  // of the view path
  bool vob_read = false;
  std::string tag;  // "/vobtag"
  tbs_uuid_t family{};
};

int read_vob(Subject& subject) {
  if (subject.vob_read)
    return 0;
  char tag[1024];
  int status = vob_ob_get_tag(subject.vob, tag, sizeof tag);
  if (status == 0)
    status = vob_ob_get_family_uuid(subject.vob, &subject.family);
  if (status != 0)
    return status;
  subject.tag = tag;
  subject.vob_read = true;
  return 0;
}

// Whether the rule's pattern covers the subject; `matched` set on status 0.
int pattern_matches(const Pattern& pattern, Subject& subject, bool& matched) {
  matched = false;
  switch (pattern.form) {
    case PatternForm::LAST_COMPONENT: {
      const std::string last = subject.components.empty() ? "" : subject.components.back();
      matched = wild_match(pattern.last.c_str(), last.c_str()) != 0;
      return 0;
    }
    case PatternForm::PATH:
      matched = cspec_detail::match_components(pattern.components, subject.components);
      return 0;
    case PatternForm::VOB_FAMILY: {
      int status = read_vob(subject);
      if (status != 0)
        return status;
      std::vector<std::string> tag = cspec_detail::split_path(subject.tag);
      if (!tbs_uuid_eq(&pattern.family, &subject.family) || subject.components.size() < tag.size())
        return 0;
      for (size_t i = 0; i < tag.size(); ++i)
        if (subject.components[i] != tag[i])
          return 0;
      std::vector<std::string> below(subject.components.begin() + tag.size(),
                                     subject.components.end());
      matched = cspec_detail::match_components(pattern.components, below);
      return 0;
    }
  }
  return 0;
}

bool eltype_matches(int filter, int eltype) {
  if (filter == CSPEC_FILES)
    return eltype == VOB_ELTYPE_FILE || eltype == VOB_ELTYPE_FILE_NEVER_MERGE;
  if (filter == CSPEC_DIRECTORIES)
    return eltype == VOB_ELTYPE_DIRECTORY;
  return true;
}

// Two UUID texts name the same view (whatever separators or case they use).
bool same_view(const std::string& a, const std::string& b) {
  tbs_uuid_t ua{};
  tbs_uuid_t ub{};
  if (tbs_str_to_uuid(a.c_str(), &ua) == 0 && tbs_str_to_uuid(b.c_str(), &ub) == 0)
    return tbs_uuid_eq(&ua, &ub);
  return a == b;
}

// The checkout of the element held by the view; 1002 when it holds none.
int checkout_of_view(const Subject& subject, const std::string& view_uuid, tbs_dbid_t* version) {
  if (view_uuid.empty())
    return TBS_ST_NOT_FOUND;
  std::vector<tbs_dbid_t> checkouts;
  int status = vob_elem_next_ckouts(subject.vob, subject.element, checkouts);
  if (status != 0)
    return status;
  for (tbs_dbid_t ckout : checkouts) {
    vob_ckout_info_t info;
    status = vob_ver_get_ckout_info(subject.vob, ckout, &info);
    if (status != 0)
      return status;
    if (same_view(info.view_uuid, view_uuid)) {
      *version = ckout;
      return 0;
    }
  }
  return TBS_ST_NOT_FOUND;
}

// The version the selector names for the element; 1002 when it names none.
int resolve_selector(const Selector& selector, const Subject& subject, const std::string& view_uuid,
                     tbs_dbid_t* version) {
  vob_vob_h vob = subject.vob;
  tbs_dbid_t branch = 0;
  int status = 0;
  switch (selector.form) {
    case SelectorForm::CHECKEDOUT:
      return checkout_of_view(subject, view_uuid, version);
    case SelectorForm::BRANCH_PATH:
      status = vob_elem_lookup_branch(vob, subject.element, selector.name.c_str(), &branch);
      if (status == 0)
        status = vob_branch_get_ver(vob, branch, selector.number, version);
      return status;
    case SelectorForm::ANY_BRANCH: {
      tbs_dbid_t brtype = 0;
      status = vob_brtype_lookup(vob, selector.name.c_str(), &brtype);
      if (status == 0)
        status = vob_elem_get_branch(vob, subject.element, brtype, &branch);
      if (status == 0)
        status = vob_branch_get_ver(vob, branch, selector.number, version);
      return status;
    }
    case SelectorForm::LABEL: {
      tbs_dbid_t lbtype = 0;
      status = vob_obj_resolve(vob, selector.name.c_str(), VOB_MTYPE_LABEL_TYPE, &lbtype);
      if (status == 0)
        status = vob_vermap_lookup_version(vob, lbtype, subject.element, version);
      return status;
    }
  }
  return TBS_ST_NOT_FOUND;
}

}  // namespace

int cspec_select(const cspec_t& cspec, vob_vob_h vob, tbs_dbid_t element, const std::string& path,
                 const std::string& view_uuid, cspec_selection_t& selection) {
  if (vob == nullptr || element == 0)
    return TBS_ST_BAD_ARGUMENT;
  Subject subject;
  subject.vob = vob;
  subject.element = element;
  subject.components = cspec_detail::split_path(path);
  int status = vob_elem_get_eltype(vob, element, &subject.eltype);
  if (status != 0)
    return status;

  for (size_t i = 0; i < cspec.rules.size(); ++i) {
    const cspec_rule_t& rule = cspec.rules[i];
    if (rule.kind != CSPEC_ELEMENT || !eltype_matches(rule.eltype_filter, subject.eltype))
      continue;
    Pattern pattern;
    std::string problem;
    if (!cspec_detail::compile_pattern(rule.pattern, pattern, problem))
      return TBS_ST_BAD_ARGUMENT;
    bool matched = false;
    status = pattern_matches(pattern, subject, matched);
    if (status != 0)
      return status;
    if (!matched)
      continue;

    cspec_selection_t result;
    if (rule.error != 0) {
      result.error = 1;
    } else {
      Selector selector;
      if (!cspec_detail::compile_selector(rule.selector, selector, problem))
        return TBS_ST_BAD_ARGUMENT;
      status = resolve_selector(selector, subject, view_uuid, &result.version);
      if (status == TBS_ST_NOT_FOUND)
        continue;
      if (status != 0)
        return status;
    }
    result.rule = static_cast<int>(i);
    result.mkbranch = rule.mkbranch;
    result.nocheckout = rule.nocheckout;
    selection = result;
    return 0;
  }
  selection = cspec_selection_t{};
  return 0;
}

int cspec_path_is_loaded(const cspec_t& cspec, const std::string& path) {
  std::vector<std::string> target = cspec_detail::split_path(path);
  for (const cspec_rule_t& rule : cspec.rules) {
    if (rule.kind != CSPEC_LOAD)
      continue;
    std::vector<std::string> loaded = cspec_detail::split_path(rule.pattern);
    // One is a prefix of the other: the path is loaded, below a loaded
    // directory, or a directory on the way to one.
    size_t common = std::min(loaded.size(), target.size());
    bool prefix = true;
    for (size_t i = 0; i < common && prefix; ++i)
      prefix = loaded[i] == target[i];
    if (prefix)
      return 1;
  }
  return 0;
}
