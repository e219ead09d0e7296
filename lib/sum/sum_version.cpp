// SUM_Version, SUM_Element, SUM_Branch and SUM_BranchType: the handles of
// versioned files. Label types, version maps and change-set elements are in
// sum_version_labels.cpp.
#include "sum/sum_version.h"

#include <map>
#include <string>
#include <vector>

#include "services/cmd_findmerge.h"
#include "services/imsg.h"
#include "services/view.h"
#include "services/vob_elem.h"
#include "services/vob_zem_activity.h"
#include "sum/sum_activity.h"
#include "sum/sum_callbacks.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_scoped_view_handle.h"
#include "sum/sum_trace.h"
#include "sum/sum_view.h"

namespace {

constexpr const char* kSource = "sum_version";

// Phases an element callback is told during a checkout.
constexpr unsigned kPhaseStart = 0;
constexpr unsigned kPhaseVersionKnown = 1;
constexpr unsigned kPhaseFailed = 2;

// The callback's answer for one phase; 0 without a callback.
int tell(SUM_ElementCB* cb, const SUM_Element& element, unsigned phase, unsigned version) {
  return cb == nullptr ? 0 : cb->invoke(&element, phase, version);
}

}  // namespace

// ---- SUM_Version ----

int SUM_Version::construct_from_element(const SUM_Element& element, const char* view_tag,
                                        SUM_Version& out) {
  SUM_Trace trace("SUM_Version::construct_from_element");
  if (element.is_null() || view_tag == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_ScopedViewHandle view;
  std::string path;
  view_path_info_t info;
  int status = view_get_handle_by_tag(view_tag, view.out());
  if (status == 0)
    status = view_elem_path(view.get(), element.vob().handle(), element.dbid(), path);
  if (status == 0)
    status = view_lookup(view.get(), path.c_str(), &info);
  if (status == 0 && info.version == 0)
    status = SUM_NOT_FOUND;
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Version(element.vob(), info.version);
  return SUM_OK;
}

int SUM_Version::construct_from_fcset_key(const fcset_key_t& key, SUM_Version& out) {
  SUM_Trace trace("SUM_Version::construct_from_fcset_key");
  if (key.vob == nullptr || key.version == 0)
    return sum_int_error(kSource, trace.name(), __LINE__);
  out = SUM_Version(SUM_Vob(key.vob), key.version);
  return SUM_OK;
}

int SUM_Version::elements(const SUM_VersionList& versions, SUM_ElementList& out) {
  SUM_Trace trace("SUM_Version::elements");
  // Positions of the versions of each VOB, so that one call serves a VOB.
  std::map<vob_vob_h, std::vector<unsigned>> by_vob;
  for (unsigned i = 0; i < versions.count(); ++i) {
    if (versions[i].is_null())
      return sum_int_error(kSource, trace.name(), __LINE__);
    by_vob[versions[i].vob().handle()].push_back(i);
  }
  std::vector<SUM_Element> found(versions.count());
  for (const auto& [vob, positions] : by_vob) {
    std::vector<tbs_dbid_t> dbids, elems;
    for (unsigned i : positions)
      dbids.push_back(versions[i].dbid());
    int status = vob_ver_get_elems(vob, dbids, elems);
    if (status != 0)
      return trace.checked(__LINE__, status);
    if (elems.size() != dbids.size())
      return sum_int_error(kSource, trace.name(), __LINE__);
    for (size_t k = 0; k < positions.size(); ++k)
      found[positions[k]] = SUM_Element(SUM_Vob(vob), elems[k]);
  }
  SUM_ElementList result;
  for (const SUM_Element& e : found)
    result.append(e);
  out = result;
  return SUM_OK;
}

int SUM_Version::details(vob_ver_details_t& out) const {
  SUM_Trace trace("SUM_Version::details");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, vob_ver_get_details(vob_.handle(), dbid_, &out));
}

int SUM_Version::element(SUM_Element& out) const {
  SUM_Trace trace("SUM_Version::element");
  vob_ver_details_t d;
  int status = details(d);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Element(vob_, d.element);
  return SUM_OK;
}

int SUM_Version::branch(SUM_Branch& out) const {
  SUM_Trace trace("SUM_Version::branch");
  vob_ver_details_t d;
  int status = details(d);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Branch(vob_, d.branch);
  return SUM_OK;
}

int SUM_Version::version_number(long& out) const {
  SUM_Trace trace("SUM_Version::version_number");
  vob_ver_details_t d;
  int status = details(d);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = d.number;
  return SUM_OK;
}

int SUM_Version::pred_version(SUM_Version& out) const {
  SUM_Trace trace("SUM_Version::pred_version");
  vob_ver_details_t d;
  int status = details(d);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (d.predecessor == 0)
    return SUM_NOT_FOUND;
  out = SUM_Version(vob_, d.predecessor);
  return SUM_OK;
}

int SUM_Version::pred_version_number(long& out) const {
  SUM_Trace trace("SUM_Version::pred_version_number");
  SUM_Version pred;
  int status = pred_version(pred);
  if (status == 0)
    status = pred.version_number(out);
  return trace.checked(__LINE__, status);
}

int SUM_Version::is_checked_out(int& out) const {
  SUM_Trace trace("SUM_Version::is_checked_out");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int checked_out = 0;
  int status = vob_ver_is_checked_out(vob_.handle(), dbid_, &checked_out);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = checked_out;
  return SUM_OK;
}

int SUM_Version::get_checked_out_to_view(SUM_View& out) const {
  SUM_Trace trace("SUM_Version::get_checked_out_to_view");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_ckout_info_t info;
  int status = vob_ver_get_ckout_info(vob_.handle(), dbid_, &info);
  if (status == SUM_NOT_FOUND)
    return SUM_NOT_FOUND;
  SUM_Uuid view;
  if (status == 0)
    status = SUM_Uuid::construct_from_string(info.view_uuid.c_str(), view);
  if (status == 0)
    status = SUM_View::construct_from_uuid(view, out);
  return trace.checked(__LINE__, status);
}

int SUM_Version::has_label(const SUM_LabelType& label_type, int& out) const {
  SUM_Trace trace("SUM_Version::has_label");
  if (is_null() || label_type.is_null() || label_type.vob() != vob_)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Element of;
  tbs_dbid_t labelled = 0;
  int status = element(of);
  if (status == 0)
    status = vob_lbtype_lookup_version(vob_.handle(), label_type.dbid(), of.dbid(), &labelled);
  if (status == SUM_NOT_FOUND) {
    out = 0;
    return SUM_OK;
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = labelled == dbid_ ? 1 : 0;
  return SUM_OK;
}

int SUM_Version::activity(SUM_Activity& out) const {
  SUM_Trace trace("SUM_Version::activity");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<vob_activity_ref_t> holders;
  int status = vob_utl_get_activities(vob_.handle(), dbid_, holders);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (holders.empty())
    return SUM_NOT_FOUND;
  if (holders.size() > 1) {
    int zem_pvob = 0;
    if (SUM_Vob(holders[0].pvob).is_sum_pvob(zem_pvob) == 0 && zem_pvob) {
      SUM_String name;
      display_name(name);
      trace.info(1, "Version \"%s\" is attached to %d activities and needs repair",
                 static_cast<const char*>(name), static_cast<int>(holders.size()));
    }
    return trace.checked(__LINE__, SUM_FAILED);
  }
  out = SUM_Activity(SUM_Vob(holders[0].pvob), holders[0].activity);
  return SUM_OK;
}

int SUM_Version::stream(SUM_Stream& out) const {
  SUM_Trace trace("SUM_Version::stream");
  SUM_Branch on;
  SUM_BranchType type;
  int status = branch(on);
  if (status == 0)
    status = on.branch_type(type);
  if (status == 0)
    status = type.stream(out);
  if (status == SUM_NOT_FOUND)
    return SUM_NOT_FOUND;
  return trace.checked(__LINE__, status);
}

int SUM_Version::display_name(SUM_String& out) const {
  SUM_Trace trace("SUM_Version::display_name");
  SUM_Element of;
  std::string name;
  int status = element(of);
  if (status == 0)
    status = vob_ver_get_name(vob_.handle(), dbid_, name);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_String text = of.any_name();
  text += "@@";
  text += name.c_str();
  out = text;
  return SUM_OK;
}

// ---- SUM_Element ----

int SUM_Element::is_crde(int& out) const {
  SUM_Trace trace("SUM_Element::is_crde");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_dbid_t root = 0;
  int status = vob_elem_get_crde(vob_.handle(), dbid_, &root);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = root == dbid_ ? 1 : 0;
  return SUM_OK;
}

int SUM_Element::crde(SUM_Element& out) const {
  SUM_Trace trace("SUM_Element::crde");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_dbid_t root = 0;
  int status = vob_elem_get_crde(vob_.handle(), dbid_, &root);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (root == 0)
    return SUM_NOT_FOUND;
  out = SUM_Element(vob_, root);
  return SUM_OK;
}

int SUM_Element::checkout(const SUM_View& view, SUM_ElementCB* cb, int& stop) const {
  SUM_Trace trace("SUM_Element::checkout");
  stop = 0;
  if (is_null() || view.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String view_tag;
  view_server_h handle = nullptr;
  int status = view.tag(view_tag);
  if (status == 0)
    status = view.handle(handle);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (tell(cb, *this, kPhaseStart, 0) != 0) {
    stop = 1;
    return SUM_OK;
  }
  SUM_Version selected;
  tbs_dbid_t made = 0;
  status = SUM_Version::construct_from_element(*this, view_tag, selected);
  if (status == 0 && tell(cb, *this, kPhaseVersionKnown, selected.dbid()) != 0) {
    stop = 1;
    return SUM_OK;
  }
  if (status == 0)
    status = cmd_findmerge_do_checkout_with_pop(handle, vob_.handle(), dbid_, "", &made);
  if (status != 0) {
    if (tell(cb, *this, kPhaseFailed, selected.dbid()) == 1)
      status = SUM_FAILED;
    return trace.checked(__LINE__, status);
  }
  return SUM_OK;
}

// ---- SUM_Branch ----

int SUM_Branch::branch_type(SUM_BranchType& out) const {
  SUM_Trace trace("SUM_Branch::branch_type");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  // Every branch holds a version 0, whose details name the branch's type.
  tbs_dbid_t first = 0;
  vob_ver_details_t d;
  int status = vob_branch_get_ver(vob_.handle(), dbid_, 0, &first);
  if (status == 0)
    status = vob_ver_get_details(vob_.handle(), first, &d);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_BranchType(vob_, d.brtype);
  return SUM_OK;
}

// ---- SUM_BranchType ----

int SUM_BranchType::global_type(SUM_BranchType& out) const {
  SUM_Trace trace("SUM_BranchType::global_type");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int is_copy = 0;
  int status = has_hyperlink(VOB_WK_HLTYPE_GLOBAL_DEFINITION, 1, is_copy);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!is_copy) {
    out = *this;
    return SUM_OK;
  }
  SUM_VobObject global;
  if ((status = single_hyperlinked_object(VOB_WK_HLTYPE_GLOBAL_DEFINITION, global, 1)) != 0) {
    imsg_print(IMSG_ERROR, sum_msg::NoGlobalType, any_name());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  out = SUM_BranchType(global.vob(), global.dbid());
  return SUM_OK;
}

int SUM_BranchType::stream(SUM_Stream& out) const {
  SUM_Trace trace("SUM_BranchType::stream");
  SUM_BranchType global;
  SUM_VobObject owner;
  int status = global_type(global);
  if (status == 0)
    status = global.single_hyperlinked_object(VOB_WK_HLTYPE_INDEPENDENT_GUARD, owner, 0);
  if (status == SUM_NOT_FOUND)
    return SUM_NOT_FOUND;
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_Stream found = SUM_Stream::convert(owner);
  if (found.is_null())
    return SUM_NOT_FOUND;  // the guard link of another kind of object
  out = found;
  return SUM_OK;
}
