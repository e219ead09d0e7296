// The small handles of versioned files: SUM_Version, SUM_Element,
// SUM_Branch, SUM_BranchType, SUM_LabelType and SUM_Vermap (the version map
// of a baseline), and SUM_ChangeSetElement, one element with its versions in
// one activity's change set.
//
// Contracts: value handles (cheap to copy, owning nothing); a null handle
// records an internal error and returns 1072; out-parameters are filled only
// on success; repository failures pass up unchanged. Most members are one
// call of the matching repository operation (services/vob_elem.h).
#ifndef SUM_SUM_VERSION_H
#define SUM_SUM_VERSION_H

#include <vector>

#include "services/view.h"
#include "services/vob.h"
#include "services/vob_elem.h"
#include "sum/sum_handle_kind.h"
#include "sum/sum_lists.h"
#include "sum/sum_list.h"
#include "sum/sum_string.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"

class SUM_Activity;
class SUM_Branch;
class SUM_BranchType;
class SUM_Element;
class SUM_ElementCB;
class SUM_LabelType;
class SUM_Stream;
class SUM_View;
struct fcset_key_t;

// A version of an element (a checkout included).
class SUM_Version : public SUM_VobObject {
 public:
  static constexpr SUM_HandleKind handle_kind = SUM_HandleKind::VERSION;

  SUM_Version() = default;
  SUM_Version(const SUM_Vob& vob, tbs_dbid_t dbid) : SUM_VobObject(vob, dbid) {}

  static SUM_Version convert(const SUM_VobObject& obj) { return sum_convert_as<SUM_Version>(obj); }
  // The version of `element` the view tagged `view_tag` selects; 1002 when
  // the view does not show the element or selects no version of it.
  static int construct_from_element(const SUM_Element& element, const char* view_tag,
                                    SUM_Version& out);
  // The version a merge service change-set key names; a key without VOB or
  // version is 1072.
  static int construct_from_fcset_key(const fcset_key_t& key, SUM_Version& out);
  // The elements of `versions`, in input order (one repository call per
  // VOB), replacing `out`.
  static int elements(const SUM_VersionList& versions, SUM_ElementList& out);
  // The version of `element` an extended version name names: "/main/dev/3",
  // "/main/dev/LATEST" (latest checked in) or "/main/dev/CHECKEDOUT". 1004
  // (after a message) for a malformed name, 1002 when there is no such
  // version; `out` is untouched then.
  static int construct_from_name(const SUM_Element& element, const char* name, SUM_Version& out);

  int element(SUM_Element& out) const;
  int branch(SUM_Branch& out) const;
  // The number on its branch; -1 for a checkout, which has none yet.
  int version_number(long& out) const;
  // The version it was made from; 1002 for version 0 of main.
  int pred_version(SUM_Version& out) const;
  int pred_version_number(long& out) const;
  int is_checked_out(int& out) const;
  // The view holding the checkout; 1002 when not checked out.
  int get_checked_out_to_view(SUM_View& out) const;
  // Whether `label_type` labels this version; a label type of another VOB
  // is an internal error.
  int has_label(const SUM_LabelType& label_type, int& out) const;
  // The activity whose change set holds the version: 1002 none, 1001 when
  // several do (a trace line asks for repair).
  int activity(SUM_Activity& out) const;
  // The stream of the version's branch type; 1002 when none.
  int stream(SUM_Stream& out) const;
  // The element's message name followed by "@@/main/dev/3" (checkouts:
  // "@@/main/dev/CHECKEDOUT"), for messages.
  int display_name(SUM_String& out) const;
  // "/main/dev/3" ("/main/dev/CHECKEDOUT" for a checkout).
  int version_path(std::string& out) const;
  // The repository's record of the version: element, branch, number,
  // predecessor, checkout flag.
  int details(vob_ver_details_t& out) const;
  // Who checked the version out, when, from which version, with which
  // comment; 1002 when it is not checked out.
  int checkout_info(vob_ckout_info_t& out) const;
  // The versions merged into this one (its incoming merge arrows),
  // replacing `out`.
  int merged_from(std::vector<tbs_dbid_t>& out) const;
  // The content of a file version (a checkout: the content it was checked
  // out with); 1004 for a directory version.
  int content(std::string& out) const;
};

// A file or directory element.
class SUM_Element : public SUM_VobObject {
 public:
  static constexpr SUM_HandleKind handle_kind = SUM_HandleKind::ELEMENT;

  SUM_Element() = default;
  SUM_Element(const SUM_Vob& vob, tbs_dbid_t dbid) : SUM_VobObject(vob, dbid) {}

  static SUM_Element convert(const SUM_VobObject& obj) { return sum_convert_as<SUM_Element>(obj); }

  // Whether the element is a component root directory element.
  int is_crde(int& out) const;
  // The component root directory element of the element's component (the
  // element itself for a root); 1002 when it is in no component.
  int crde(SUM_Element& out) const;
  // Checks the element out in `view`, telling `cb` (may be null) phase 0
  // before, 1 with the version selected, 2 on failure. A callback answer
  // other than 0 sets `stop` and ends with 0 at phases 0 and 1; an answer
  // of 1 at phase 2 makes the result 1001.
  int checkout(const SUM_View& view, SUM_ElementCB* cb, int& stop) const;
  // The element's branches, one per branch type of its VOB that it has,
  // in the VOB's branch-type order, replacing `out`.
  int branches(std::vector<SUM_Branch>& out) const;
  // The history of `elements` of `vob` (branches, versions, merges), newest
  // first, from time `since` (seconds since the epoch; 0: all), replacing
  // `out`; one read of the VOB whatever the number of elements. An element
  // that does not exist contributes nothing.
  static int history(const SUM_Vob& vob, const std::vector<tbs_dbid_t>& elements, long since,
                     std::vector<vob_hist_event_t>& out);
};

// A branch of an element.
class SUM_Branch : public SUM_VobObject {
 public:
  static constexpr SUM_HandleKind handle_kind = SUM_HandleKind::BRANCH;

  SUM_Branch() = default;
  SUM_Branch(const SUM_Vob& vob, tbs_dbid_t dbid) : SUM_VobObject(vob, dbid) {}

  static SUM_Branch convert(const SUM_VobObject& obj) { return sum_convert_as<SUM_Branch>(obj); }

  // The (local) branch type the branch is an instance of.
  int branch_type(SUM_BranchType& out) const;
  // "/main/dev".
  int path(std::string& out) const;
  // The checked-in versions, by number, replacing `out`.
  int versions(std::vector<SUM_Version>& out) const;
  // The checkout of the branch; 1002 when none.
  int checkout_version(SUM_Version& out) const;
};

// A branch type (a local copy or a global type).
class SUM_BranchType : public SUM_NamedObject {
 public:
  static constexpr SUM_HandleKind handle_kind = SUM_HandleKind::BRANCH_TYPE;

  SUM_BranchType() = default;
  SUM_BranchType(const SUM_Vob& vob, tbs_dbid_t dbid) : SUM_NamedObject(vob, dbid) {}

  static SUM_BranchType convert(const SUM_VobObject& obj) {
    return sum_convert_as<SUM_BranchType>(obj);
  }
  static int construct_from_selector(const SUM_String& text, const SUM_Vob& vob,
                                     SUM_BranchType& out, int widen = 0) {
    return sum_construct_from_selector_as(text, vob, out, widen);
  }
  // Makes branch type `name` in `vob` (1003 when the name is taken).
  static int create(const SUM_Vob& vob, const char* name, const char* comment, SUM_BranchType& out);

  // The global type of a local copy (the type itself when it is global).
  // A copy whose global definition cannot be found prints message 38 and
  // returns 1001.
  int global_type(SUM_BranchType& out) const;
  // The stream whose changes are made on this type; 1002 when none.
  int stream(SUM_Stream& out) const;
};

// A label type.
class SUM_LabelType : public SUM_NamedObject {
 public:
  static constexpr SUM_HandleKind handle_kind = SUM_HandleKind::LABEL_TYPE;

  SUM_LabelType() = default;
  SUM_LabelType(const SUM_Vob& vob, tbs_dbid_t dbid) : SUM_NamedObject(vob, dbid) {}

  static SUM_LabelType convert(const SUM_VobObject& obj) {
    return sum_convert_as<SUM_LabelType>(obj);
  }
  static int construct_from_selector(const SUM_String& text, const SUM_Vob& vob, SUM_LabelType& out,
                                     int widen = 0) {
    return sum_construct_from_selector_as(text, vob, out, widen);
  }
  // Makes label type `name` in `vob` (1003 when the name is taken).
  static int create(const SUM_Vob& vob, const char* name, const char* comment, SUM_LabelType& out);

  // The versions it labels, in element order, replacing `out`.
  int labeled_versions(SUM_VersionList& out) const;
  // Labels `versions` (all of this type's VOB: another VOB is 1072).
  // `view_tag` (may be null) is recorded in the event text.
  int apply_to_versions(const SUM_VersionList& versions, const char* view_tag,
                        const char* comment) const;
  // Whether a baseline links to this label type.
  int has_baseline(int& out) const;
};

// The version map of a baseline: a label type recording its configuration.
class SUM_Vermap : public SUM_NamedObject {
 public:
  static constexpr SUM_HandleKind handle_kind = SUM_HandleKind::VERMAP;

  SUM_Vermap() = default;
  SUM_Vermap(const SUM_Vob& vob, tbs_dbid_t dbid) : SUM_NamedObject(vob, dbid) {}

  static SUM_Vermap convert(const SUM_VobObject& obj) { return sum_convert_as<SUM_Vermap>(obj); }
  static int construct_from_selector(const SUM_String& text, const SUM_Vob& vob, SUM_Vermap& out,
                                     int widen = 0) {
    return sum_construct_from_selector_as(text, vob, out, widen);
  }
  // Makes version map `name` of `vob` from checked-in `versions` (one per
  // element), incremental on `based_on` (newest first) or full.
  static int create(const SUM_Vob& vob, const char* name, const SUM_VersionList& versions,
                    int incremental, const std::vector<SUM_Vermap>& based_on, const char* comment,
                    SUM_Vermap& out);
  // Turns the label type into a full version map (in place), or copies its
  // configuration into a new full map named `name`.
  static int import_lbtype(const SUM_LabelType& lbtype, const char* comment);
  static int import_lbtype(const SUM_LabelType& lbtype, const char* name, const char* comment,
                           SUM_Vermap& out);

  // 1002 when the label type is not a version map.
  int is_incremental(int& out) const;
  int promote(const char* comment) const;
  // The version of `element` in the map; 1002 when none.
  int lookup_version(const SUM_Element& element, SUM_Version& out) const;
  // Labels every version of the configuration with `lbtype`.
  int export_lbtype(const SUM_LabelType& lbtype, const char* comment) const;
  // 1 when another replica masters the map (it cannot be written here).
  int modmaster_blocked(int& out) const;
};

// One element and its versions in one activity's change set, in insertion
// order.
class SUM_ChangeSetElement {
 public:
  SUM_ChangeSetElement() = default;
  explicit SUM_ChangeSetElement(const SUM_Element& element) : element_(element) {}

  const SUM_Element& element() const { return element_; }
  // Appends `version`: it must be a version of this element and, when
  // versions are present, of the first version's activity (1072 otherwise).
  int add_version(const SUM_Version& version);
  // Drops `version` when present (0 either way).
  int remove_version(const SUM_Version& version);
  unsigned number_of_versions_in_change_set() const {
    return static_cast<unsigned>(versions_.size());
  }
  // An index out of range is 1072.
  int change_set_version_at(unsigned index, SUM_Version& out) const;
  int has_checkouts(int& out) const;
  // The first / last version in change-set order (compare_order); 1002 when
  // there are none.
  int earliest_version(SUM_Version& out) const;
  int latest_version(SUM_Version& out) const;

  // Orders two versions of one element: each counts as its number, a
  // checkout as its predecessor's number; `a` comes first (before = 1) when
  // its number is smaller, or equal and `a` is not a checkout.
  static int compare_order(const SUM_Version& a, const SUM_Version& b, int& before);

 private:
  // The latest (want_latest) or earliest version.
  int extreme_version(int want_latest, SUM_Version& out) const;

  SUM_Element element_;
  std::vector<SUM_Version> versions_;
};

// Whether a baseline's label type labels `version`.
int sum_version_has_baseline(const SUM_Version& version, int& has);

#endif  // SUM_SUM_VERSION_H
