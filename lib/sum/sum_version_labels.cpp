// SUM_LabelType, SUM_Vermap (the version map of a baseline) and
// SUM_ChangeSetElement, with sum_version_has_baseline.
#include <algorithm>
#include <vector>

#include "services/vob_elem.h"
#include "sum/sum_activity.h"
#include "sum/sum_event_info.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_version.h"

namespace {

constexpr const char* kSource = "sum_version_labels";

// The dbids of `versions`, all of `vob` (1072 otherwise).
int dbids_in(const SUM_VersionList& versions, const SUM_Vob& vob, std::vector<tbs_dbid_t>& out) {
  for (unsigned i = 0; i < versions.count(); ++i) {
    if (versions[i].is_null() || versions[i].vob() != vob)
      return SUM_INTERNAL_ERROR;
    out.push_back(versions[i].dbid());
  }
  return SUM_OK;
}

}  // namespace

// ---- SUM_LabelType ----

int SUM_LabelType::create(const SUM_Vob& vob, const char* name, const char* comment,
                          SUM_LabelType& out) {
  SUM_Trace trace("SUM_LabelType::create");
  if (vob.is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_EventInfo event(comment, 0);
  tbs_dbid_t made = 0;
  int status = vob_lbtype_create(vob.handle(), name, event.info(), &made);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_LabelType(vob, made);
  return SUM_OK;
}

int SUM_LabelType::labeled_versions(SUM_VersionList& out) const {
  SUM_Trace trace("SUM_LabelType::labeled_versions");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<tbs_dbid_t> versions;
  int status = vob_lbtype_get_versions(vob_.handle(), dbid_, versions);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_VersionList found;
  for (tbs_dbid_t v : versions)
    found.append(SUM_Version(vob_, v));
  out = found;
  return SUM_OK;
}

int SUM_LabelType::apply_to_versions(const SUM_VersionList& versions, const char* view_tag,
                                     const char* comment) const {
  (void)view_tag;  // versions are named by identity here; no view is needed to find them
  SUM_Trace trace("SUM_LabelType::apply_to_versions");
  std::vector<tbs_dbid_t> dbids;
  if (is_null() || dbids_in(versions, vob_, dbids) != 0)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_EventInfo event(comment, 0);
  return trace.checked(__LINE__, vob_ver_add_labels(vob_.handle(), dbid_, dbids, event.info()));
}

int SUM_LabelType::has_baseline(int& out) const {
  SUM_Trace trace("SUM_LabelType::has_baseline");
  return trace.checked(__LINE__, has_hyperlink(VOB_WK_HLTYPE_BASELINE_LBTYPE, 0, out));
}

// ---- SUM_Vermap ----

int SUM_Vermap::create(const SUM_Vob& vob, const char* name, const SUM_VersionList& versions,
                       int incremental, const std::vector<SUM_Vermap>& based_on,
                       const char* comment, SUM_Vermap& out) {
  SUM_Trace trace("SUM_Vermap::create");
  std::vector<tbs_dbid_t> dbids;
  if (vob.is_null() || name == nullptr || dbids_in(versions, vob, dbids) != 0)
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_vermap_info_t info;
  info.incremental = incremental ? 1 : 0;
  for (const SUM_Vermap& base : based_on) {
    if (base.is_null() || base.vob() != vob)
      return sum_int_error(kSource, trace.name(), __LINE__);
    info.based_on.push_back(base.dbid());
  }
  SUM_EventInfo event(comment, 0);
  tbs_dbid_t made = 0;
  int status = vob_vermap_create(vob.handle(), name, dbids, info, event.info(), &made);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Vermap(vob, made);
  return SUM_OK;
}

int SUM_Vermap::import_lbtype(const SUM_LabelType& lbtype, const char* comment) {
  SUM_Trace trace("SUM_Vermap::import_lbtype");
  if (lbtype.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_EventInfo event(comment, 0);
  return trace.checked(
      __LINE__, vob_vermap_import_lbtype(lbtype.vob().handle(), lbtype.dbid(), event.info()));
}

int SUM_Vermap::import_lbtype(const SUM_LabelType& lbtype, const char* name, const char* comment,
                              SUM_Vermap& out) {
  SUM_Trace trace("SUM_Vermap::import_lbtype");
  if (lbtype.is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_EventInfo event(comment, 0);
  tbs_dbid_t made = 0;
  int status = vob_vermap_import_lbtype_copy(lbtype.vob().handle(), lbtype.dbid(), name,
                                             event.info(), &made);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Vermap(lbtype.vob(), made);
  return SUM_OK;
}

int SUM_Vermap::is_incremental(int& out) const {
  SUM_Trace trace("SUM_Vermap::is_incremental");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_vermap_info_t info;
  int status = vob_vermap_get_info(vob_.handle(), dbid_, &info);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = info.incremental;
  return SUM_OK;
}

int SUM_Vermap::promote(const char* comment) const {
  SUM_Trace trace("SUM_Vermap::promote");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_EventInfo event(comment, 0);
  return trace.checked(__LINE__, vob_vermap_promote(vob_.handle(), dbid_, event.info()));
}

int SUM_Vermap::lookup_version(const SUM_Element& element, SUM_Version& out) const {
  SUM_Trace trace("SUM_Vermap::lookup_version");
  if (is_null() || element.is_null() || element.vob() != vob_)
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_dbid_t version = 0;
  int status = vob_vermap_lookup_version(vob_.handle(), dbid_, element.dbid(), &version);
  if (status == SUM_NOT_FOUND)
    return SUM_NOT_FOUND;
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Version(vob_, version);
  return SUM_OK;
}

int SUM_Vermap::export_lbtype(const SUM_LabelType& lbtype, const char* comment) const {
  SUM_Trace trace("SUM_Vermap::export_lbtype");
  if (is_null() || lbtype.is_null() || lbtype.vob() != vob_)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_EventInfo event(comment, 0);
  return trace.checked(__LINE__,
                       vob_vermap_export_lbtype(vob_.handle(), dbid_, lbtype.dbid(), event.info()));
}

int SUM_Vermap::modmaster_blocked(int& out) const {
  SUM_Trace trace("SUM_Vermap::modmaster_blocked");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  // The repository refuses (1001, after naming the master) when another
  // replica masters the type.
  int status = vob_lbtype_check_modmaster(vob_.handle(), dbid_);
  if (status != 0 && status != SUM_FAILED)
    return trace.checked(__LINE__, status);
  out = status == SUM_FAILED ? 1 : 0;
  return SUM_OK;
}

// ---- SUM_ChangeSetElement ----

int SUM_ChangeSetElement::add_version(const SUM_Version& version) {
  SUM_Trace trace("SUM_ChangeSetElement::add_version");
  if (version.is_null() || element_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Element of;
  int status = version.element(of);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (of != element_)
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (!versions_.empty()) {
    SUM_Activity first, added;
    int first_status = versions_.front().activity(first);
    int added_status = version.activity(added);
    if (first_status != added_status || (first_status == 0 && first != added))
      return sum_int_error(kSource, trace.name(), __LINE__);
  }
  versions_.push_back(version);
  return SUM_OK;
}

int SUM_ChangeSetElement::remove_version(const SUM_Version& version) {
  versions_.erase(std::remove(versions_.begin(), versions_.end(), version), versions_.end());
  return SUM_OK;
}

int SUM_ChangeSetElement::change_set_version_at(unsigned index, SUM_Version& out) const {
  SUM_Trace trace("SUM_ChangeSetElement::change_set_version_at");
  if (index >= versions_.size())
    return sum_int_error(kSource, trace.name(), __LINE__);
  out = versions_[index];
  return SUM_OK;
}

int SUM_ChangeSetElement::has_checkouts(int& out) const {
  SUM_Trace trace("SUM_ChangeSetElement::has_checkouts");
  for (const SUM_Version& v : versions_) {
    int checked_out = 0;
    int status = v.is_checked_out(checked_out);
    if (status != 0)
      return trace.checked(__LINE__, status);
    if (checked_out) {
      out = 1;
      return SUM_OK;
    }
  }
  out = 0;
  return SUM_OK;
}

int SUM_ChangeSetElement::compare_order(const SUM_Version& a, const SUM_Version& b, int& before) {
  SUM_Trace trace("SUM_ChangeSetElement::compare_order");
  long number[2] = {0, 0};
  int checked_out[2] = {0, 0};
  const SUM_Version* pair[2] = {&a, &b};
  for (int i = 0; i < 2; ++i) {
    int status = pair[i]->is_checked_out(checked_out[i]);
    if (status == 0)
      status = checked_out[i] ? pair[i]->pred_version_number(number[i])
                              : pair[i]->version_number(number[i]);
    if (status != 0)
      return trace.checked(__LINE__, status);
  }
  before = number[0] < number[1] || (number[0] == number[1] && !checked_out[0]) ? 1 : 0;
  return SUM_OK;
}

int SUM_ChangeSetElement::extreme_version(int want_latest, SUM_Version& out) const {
  SUM_Trace trace("SUM_ChangeSetElement::extreme_version");
  if (versions_.empty())
    return SUM_NOT_FOUND;
  SUM_Version best = versions_.front();
  for (size_t i = 1; i < versions_.size(); ++i) {
    int before = 0;
    int status = compare_order(versions_[i], best, before);
    if (status != 0)
      return trace.checked(__LINE__, status);
    if (before != want_latest)  // earlier for the earliest, later for the latest
      best = versions_[i];
  }
  out = best;
  return SUM_OK;
}

int SUM_ChangeSetElement::earliest_version(SUM_Version& out) const {
  return extreme_version(0, out);
}

int SUM_ChangeSetElement::latest_version(SUM_Version& out) const {
  return extreme_version(1, out);
}

// ---- sum_version_has_baseline ----

int sum_version_has_baseline(const SUM_Version& version, int& has) {
  SUM_Trace trace("sum_version_has_baseline");
  if (version.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  // The label types of the version's VOB: the first that labels this
  // version and belongs to a baseline answers.
  std::vector<tbs_dbid_t> types;
  int status = cmd_utl_get_types(version.vob().handle(), VOB_MTYPE_LABEL_TYPE, types);
  if (status != 0)
    return trace.checked(__LINE__, status);
  for (tbs_dbid_t dbid : types) {
    SUM_LabelType type(version.vob(), dbid);
    int labels = 0, linked = 0;
    status = version.has_label(type, labels);
    if (status == 0 && labels)
      status = type.has_baseline(linked);
    if (status != 0)
      return trace.checked(__LINE__, status);
    if (linked) {
      has = 1;
      return SUM_OK;
    }
  }
  has = 0;
  return SUM_OK;
}
