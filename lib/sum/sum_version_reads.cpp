// SUM_Version, SUM_Element, SUM_Branch and SUM_BranchType: what the tools
// read of a version tree (names, checkouts, merges, contents, branches,
// history) and branch types made by hand. Each member is one call of the
// matching repository operation (services/vob_elem.h), with its trace.
#include <string>
#include <vector>

#include "services/vob.h"
#include "services/vob_elem.h"
#include "sum/sum_event_info.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_version.h"

namespace {

constexpr const char* kSource = "sum_version_reads";

}  // namespace

int SUM_Version::construct_from_name(const SUM_Element& element, const char* name,
                                     SUM_Version& out) {
  SUM_Trace trace("SUM_Version::construct_from_name");
  if (element.is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_dbid_t version = 0;
  int status = vob_ver_lookup(element.vob().handle(), element.dbid(), name, &version);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Version(element.vob(), version);
  return SUM_OK;
}

int SUM_Version::version_path(std::string& out) const {
  SUM_Trace trace("SUM_Version::version_path");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::string name;
  int status = vob_ver_get_name(vob_.handle(), dbid_, name);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = name;
  return SUM_OK;
}

int SUM_Version::checkout_info(vob_ckout_info_t& out) const {
  SUM_Trace trace("SUM_Version::checkout_info");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_ckout_info_t info;
  int status = vob_ver_get_ckout_info(vob_.handle(), dbid_, &info);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = info;
  return SUM_OK;
}

int SUM_Version::merged_from(std::vector<tbs_dbid_t>& out) const {
  SUM_Trace trace("SUM_Version::merged_from");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<tbs_dbid_t> from;
  int status = vob_ver_get_merges_into(vob_.handle(), dbid_, from);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out.swap(from);
  return SUM_OK;
}

int SUM_Version::content(std::string& out) const {
  SUM_Trace trace("SUM_Version::content");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::string text;
  int status = vob_ver_read_content(vob_.handle(), dbid_, text);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out.swap(text);
  return SUM_OK;
}

int SUM_Element::branches(std::vector<SUM_Branch>& out) const {
  SUM_Trace trace("SUM_Element::branches");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<tbs_dbid_t> types;
  int status = cmd_utl_get_types(vob_.handle(), VOB_MTYPE_BRANCH_TYPE, types);
  if (status != 0)
    return trace.checked(__LINE__, status);
  std::vector<SUM_Branch> found;
  for (tbs_dbid_t type : types) {
    tbs_dbid_t branch = 0;
    status = vob_elem_get_branch(vob_.handle(), dbid_, type, &branch);
    if (status == 0)
      found.emplace_back(vob_, branch);
    else if (status != SUM_NOT_FOUND)
      return trace.checked(__LINE__, status);
  }
  out.swap(found);
  return SUM_OK;
}

int SUM_Element::history(const SUM_Vob& vob, const std::vector<tbs_dbid_t>& elements, long since,
                         std::vector<vob_hist_event_t>& out) {
  SUM_Trace trace("SUM_Element::history");
  if (vob.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<vob_hist_event_t> events;
  int status = vob_elem_get_history(vob.handle(), elements, since, events);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out.swap(events);
  return SUM_OK;
}

int SUM_Branch::path(std::string& out) const {
  SUM_Trace trace("SUM_Branch::path");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::string text;
  int status = vob_branch_get_path(vob_.handle(), dbid_, text);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = text;
  return SUM_OK;
}

int SUM_Branch::versions(std::vector<SUM_Version>& out) const {
  SUM_Trace trace("SUM_Branch::versions");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<tbs_dbid_t> dbids;
  int status = vob_branch_next_vers(vob_.handle(), dbid_, dbids);
  if (status != 0)
    return trace.checked(__LINE__, status);
  std::vector<SUM_Version> found;
  for (tbs_dbid_t v : dbids)
    found.emplace_back(vob_, v);
  out.swap(found);
  return SUM_OK;
}

int SUM_Branch::checkout_version(SUM_Version& out) const {
  SUM_Trace trace("SUM_Branch::checkout_version");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_dbid_t version = 0;
  int status = vob_branch_get_ckout_ver(vob_.handle(), dbid_, &version);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Version(vob_, version);
  return SUM_OK;
}

int SUM_BranchType::create(const SUM_Vob& vob, const char* name, const char* comment,
                           SUM_BranchType& out) {
  SUM_Trace trace("SUM_BranchType::create");
  if (vob.is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_EventInfo event(comment, 0);
  tbs_dbid_t made = 0;
  int status = vob_brtype_create(vob.handle(), name, event.info(), &made);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_BranchType(vob, made);
  return SUM_OK;
}
