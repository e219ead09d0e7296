// SUM_BaselineDependency: one member of a composite baseline, as the
// composite's dependency record names it, resolved on first use.
//
// Record. A baseline made with members keeps, in its PVOB record
// (vob_zem_baseline_info_t::deps_xml), the compact XML text
//   <bl_info><deps_v1><dep><dep_sel>U</dep_sel><comp_sel>C</comp_sel></dep>...
//   </deps_v1></bl_info>
// with one "dep" per member in member order: U the member baseline's
// universal selector, C its component's. A baseline without members keeps
// "" (no record).
//
// Resolution. A member may live in another PVOB, possibly one this host
// cannot reach. `dependency` and `component` resolve their selector once per
// handle (copies share the result) and answer a DependencyStatus:
//   0 resolved; 3 the member's VOB is not registered or not reachable here;
//   4 the selector cannot be parsed or resolved, or names something else;
//   5 not resolved yet (never returned: resolution happens first).
// Unless `quiet`, a failed resolution prints its baseline-catalog message
// ("VOB unavailable: %s\n", "Cannot resolve VOB: %s\n", "Non-existent %s:
// %s\n", "Unavailable or non-existent %s: %s\n", "Cannot resolve %s: %s\n").
#ifndef SUM_SUM_BASELINE_DEPENDENCY_H
#define SUM_SUM_BASELINE_DEPENDENCY_H

#include <memory>

#include "sum/sum_baseline.h"
#include "sum/sum_component.h"
#include "sum/sum_lists.h"
#include "sum/sum_string.h"

class XML_Element;

class SUM_BaselineDependency {
 public:
  enum DependencyStatus {
    RESOLVED = 0,
    VOB_UNAVAILABLE = 3,
    UNRESOLVABLE = 4,
    NOT_RESOLVED = 5,
  };

  // The null dependency (no owner, empty selectors).
  SUM_BaselineDependency() = default;
  // Member `dependency_selector` (of component `component_selector`) of
  // `baseline`; nothing is resolved yet.
  SUM_BaselineDependency(const SUM_Baseline& baseline, const char* dependency_selector,
                         const char* component_selector);

  // The member baseline and its resolution status (DependencyStatus); `out`
  // is set only when the answer is 0. A null dependency is 1072.
  int dependency(SUM_Baseline& out, int quiet) const;
  // The member's component, likewise.
  int component(SUM_Component& out, int quiet) const;

  const SUM_String& dependency_selector() const;
  const SUM_String& component_selector() const;
  // The composite the record belongs to.
  const SUM_Baseline& baseline() const;
  int is_null() const { return rep_ == nullptr ? 1 : 0; }
  // The member's name for messages, or its selector when it cannot be
  // resolved. Valid until the next call of the same handle.
  const char* any_name() const;

  // Equal owners and selectors (resolution state aside).
  bool operator==(const SUM_BaselineDependency& other) const;
  bool operator!=(const SUM_BaselineDependency& other) const { return !(*this == other); }

  // Appends one "dep" element per baseline of `members` to `element` (the
  // "deps_v1" element), in list order. A null or unreadable member fails
  // with its status and leaves `element` unchanged.
  static int deps_to_xml(const SUM_BaselineList& members, XML_Element& element);
  // The whole record text for `members` (compact); "" for an empty list.
  static int deps_to_xml_text(const SUM_BaselineList& members, SUM_String& text);
  // One dependency of `baseline` per "dep" element of `element`, which is
  // either the "deps_v1" element or the "bl_info" element holding it; `out`
  // is replaced. A "dep" without "dep_sel" is 1072.
  static int xml_to_deps(const SUM_Baseline& baseline, const XML_Element& element,
                         SUM_BaselineDependencyList& out);
  // The records of the text form; "" gives an empty list.
  static int xml_text_to_deps(const SUM_Baseline& baseline, const SUM_String& text,
                              SUM_BaselineDependencyList& out);

 private:
  struct Rep;
  std::shared_ptr<Rep> rep_;
};

#endif  // SUM_SUM_BASELINE_DEPENDENCY_H
