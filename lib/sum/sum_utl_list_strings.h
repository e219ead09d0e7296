// Text forms of lists stored in process variables: lists of objects as
// universal selectors joined by commas, policy lists as XML element trees,
// and the number strings stored beside them.
//
// The object-list functions are templates over the element class, so that
// this header needs only the declarations of the baseline, activity and
// policy classes: each is instantiated where its caller has the class
// itself. The generic forms (sum_utl_objlist2str, sum_utl_str2objlist,
// sum_utl_xml_to_objlist) serve any handle class with a universal selector
// and a construct_from_selector, and any policy-like class.
#ifndef SUM_SUM_UTL_LIST_STRINGS_H
#define SUM_SUM_UTL_LIST_STRINGS_H

#include <concepts>
#include <cstdlib>
#include <string>

#include "sum/sum_list.h"
#include "sum/sum_lists.h"
#include "sum/sum_status.h"
#include "sum/sum_string.h"
#include "sum/sum_trace.h"
#include "sum/sum_vob.h"
#include "sum/xml_element.h"

class SUM_Activity;
class SUM_Baseline;
class SUM_Policy;

// Source name of this family's internal-error records.
inline constexpr const char* kSumUtlListStringsSource = "sum_utl_list_strings";

// `n` formatted with "%d" (as an int).
SUM_String sum_utl_i2str(long n);
// `t` formatted with "%ld".
SUM_String sum_utl_time2str(long t);

// Splits a list string into its pieces, appending them to `pieces` in order:
// one piece per comma-separated item; a text without a comma is one piece; a
// trailing comma adds no empty piece, and the empty text gives none. Pieces
// between two adjacent commas are empty.
void sum_utl_split_list_string(const SUM_String& text, SUM_StringList& pieces);

// Reads a policy tree ("<root><4>ENABLED</4><15>basename</15></root>"):
// parses `xml` into `root` and checks that the tag of every child
// is a decimal number of one to nine digits. 0 on success; 1072 after an
// internal-error record when `xml` is empty; 1001 when it does not parse
// (the parser records the internal error) or a child's tag is no such
// number.
int sum_utl_read_policy_tree(const SUM_String& xml, XML_Element& root);

// Writes the universal selector of each object of `list`, in order, joined
// by "," without spaces, into `out`; `op` names the operation for its trace
// scope. An empty list leaves `out` untouched and answers 0, or, with
// `empty_is_error`, records an internal error and answers 1072. The first
// object whose selector cannot be read stops the writer with that status,
// leaving `out` untouched. T needs `int univ_selector(SUM_String&) const`.
template <typename T>
int sum_utl_objlist2str(const char* op, const SUM_List<T>& list, int empty_is_error,
                        SUM_String& out) {
  SUM_Trace trace(op);
  if (list.count() == 0)
    return empty_is_error ? sum_int_error(kSumUtlListStringsSource, op, __LINE__) : 0;
  std::string joined;
  for (unsigned i = 0; i < list.count(); ++i) {
    SUM_String selector;
    int status = list[i].univ_selector(selector);
    if (status != 0)
      return trace.checked(__LINE__, status);
    if (i > 0)
      joined += ',';
    joined += static_cast<const char*>(selector);
  }
  out = joined.c_str();
  return 0;
}

// Resolves each piece of list string `text` (see sum_utl_split_list_string)
// as a selector with no VOB context, `T::construct_from_selector(piece,
// SUM_Vob(), object)`, appending the objects to `list` (kept, not cleared)
// in order. The first piece that does not resolve stops the reader with its
// status; the objects appended before it stay in the list.
template <typename T>
int sum_utl_str2objlist(const char* op, const SUM_String& text, SUM_List<T>& list) {
  SUM_Trace trace(op);
  SUM_StringList pieces;
  sum_utl_split_list_string(text, pieces);
  for (unsigned i = 0; i < pieces.count(); ++i) {
    T object;
    int status = T::construct_from_selector(pieces[i], SUM_Vob(), object);
    if (status != 0)
      return trace.checked(__LINE__, status);
    list.append(object);
  }
  return 0;
}

// Reads the policy tree `xml` (see sum_utl_read_policy_tree) and appends to
// `list`, in document order, one `P(id)` per child, id being the
// child's tag, with `set_value` called with the child's value when that
// value is non-empty. On failure `list` is untouched.
template <typename P>
int sum_utl_xml_to_objlist(const SUM_String& xml, SUM_List<P>& list) {
  SUM_Trace trace("sum_utl_xml_to_list");
  XML_Element root;
  int status = sum_utl_read_policy_tree(xml, root);
  if (status != 0)
    return trace.checked(__LINE__, status);
  const XML_ElementList& children = root.sub_elements();
  for (unsigned i = 0; i < children.count(); ++i) {
    P policy(std::atoi(children[i].name()));
    if (children[i].is_leaf())
      policy.set_value(children[i].value());
    list.append(policy);
  }
  return 0;
}

// The baselines of `list` as a list string into `out`; an empty list leaves
// `out` untouched and answers 0. Selector failures pass up.
template <std::same_as<SUM_Baseline> T>
int sum_utl_bllist2str(const SUM_List<T>& list, SUM_String& out) {
  return sum_utl_objlist2str("sum_utl_bllist2str", list, 0, out);
}

// The baselines named by list string `text`, appended to `list`.
template <std::same_as<SUM_Baseline> T>
int sum_utl_str2bllist(const SUM_String& text, SUM_List<T>& list) {
  return sum_utl_str2objlist("sum_utl_str2bllist", text, list);
}

// The activities of `list` as a list string into `out`; an empty list is
// 1072 after an internal-error record. Selector failures pass up.
template <std::same_as<SUM_Activity> T>
int sum_utl_activitylist2str(const SUM_List<T>& list, SUM_String& out) {
  return sum_utl_objlist2str("sum_utl_activitylist2str", list, 1, out);
}

// The activities named by list string `text`, appended to `list`.
template <std::same_as<SUM_Activity> T>
int sum_utl_str2activitylist(const SUM_String& text, SUM_List<T>& list) {
  return sum_utl_str2objlist("sum_utl_str2activitylist", text, list);
}

// The policies stored as tree `xml`, appended to `list`: 1072 for an empty
// text, 1001 for a text that is not a policy tree.
template <std::same_as<SUM_Policy> P>
int sum_utl_xml_to_list(const SUM_String& xml, SUM_List<P>& list) {
  return sum_utl_xml_to_objlist(xml, list);
}

#endif  // SUM_SUM_UTL_LIST_STRINGS_H
