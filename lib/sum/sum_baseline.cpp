// SUM_Baseline (first slice): creation and naming, the timeline, component
// and stream a baseline belongs to, its labeling status, its promotion level,
// and the streams and timelines that take it as a foundation.
#include "sum/sum_baseline.h"

#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/vob_attr.h"
#include "services/vob_hlink.h"
#include "services/vob_zem_baseline.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_component.h"
#include "sum/sum_event_info.h"
#include "sum/sum_hash_tab.h"
#include "sum/sum_stream.h"
#include "sum/sum_status.h"
#include "sum/sum_timeline.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"
#include "sum/sum_utl_names.h"

namespace {

constexpr const char* kSource = "sum_baseline";

// Baseline catalog messages used here.
constexpr int kReadOnlyStream = 0;
constexpr int kNameTruncated = 4;
constexpr int kNoUniqueName = 5;
constexpr int kInvalidPLevel = 18;

// How many numbered candidates a unique name is looked for among.
constexpr int kUniqueTries = 10000;
constexpr int kMaxName = 255;

// The labeling status of baselines already asked about. A status changes
// only through this library's labeling operations, which update it here.
SUM_HashTab<SUM_Baseline, int>& status_cache() {
  static auto* cache = new SUM_HashTab<SUM_Baseline, int>(32);
  return *cache;
}

vob_mtype_t baseline_mtype(const SUM_Vob& pvob) {
  return pvob.supports_fc_objs() ? VOB_MTYPE_BASELINE : VOB_MTYPE_CHECKPOINT;
}

// Whether `name` names no baseline of `pvob`: `free` 1 or 0.
int name_is_free(const SUM_Vob& pvob, const SUM_String& name, int& free) {
  tbs_dbid_t dbid = 0;
  int status = vob_obj_resolve(pvob.handle(), name, baseline_mtype(pvob), &dbid);
  if (status == SUM_NOT_FOUND) {
    free = 1;
    return SUM_OK;
  }
  if (status == 0)
    free = 0;
  return status;
}

// `base`, or when a baseline has that name, `base` + "." + n for the first
// free n from `start` (at least 1).
int unique_name(const SUM_Vob& pvob, const SUM_String& base, int start, SUM_String& out) {
  int free = 0;
  int status = name_is_free(pvob, base, free);
  if (status != 0 || free) {
    if (status == 0)
      out = base;
    return status;
  }
  int first = start < 1 ? 1 : start;
  for (int n = first; n < first + kUniqueTries; ++n) {
    SUM_String candidate;
    candidate.Format("%s.%d", static_cast<const char*>(base), n);
    if (candidate.GetLength() > kMaxName)
      break;
    if ((status = name_is_free(pvob, candidate, free)) != 0)
      return status;
    if (free) {
      out = candidate;
      return SUM_OK;
    }
  }
  imsg_print(IMSG_ERROR, &sum_baseline_catalog, kNoUniqueName, static_cast<const char*>(base));
  return SUM_FAILED;
}

// `op`, or 0 below feature level 4, whose events carry no operation codes.
int opcode_for(const SUM_Vob& pvob, int op, int& out) {
  int level = 0;
  int status = pvob.feature_level(level);
  if (status == 0)
    out = level >= 4 ? op : 0;
  return status;
}

// The ends of incoming hyperlinks of `type` at `obj` whose far end exists.
int incoming(const SUM_VobObject& obj, vob_wkobj_t type, std::vector<SUM_VobObject>& sources) {
  std::vector<vob_hlink_end_t> ends;
  int status = vob_obj_list_hlinks(obj.vob().handle(), obj.dbid(), type, 0, ends);
  if (status != 0)
    return status;
  for (const vob_hlink_end_t& end : ends)
    if (end.broken == 0 && end.other_vob != nullptr)
      sources.emplace_back(SUM_Vob(end.other_vob), end.other);
  return SUM_OK;
}

}  // namespace

int SUM_Baseline::compute_baseline_name(const char* base, const SUM_Stream& stream,
                                        const SUM_Component& component, int unique_start,
                                        SUM_String& name_base, SUM_String& name) {
  SUM_Trace trace("SUM_Baseline::compute_baseline_name");
  if (base == nullptr || component.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  // The project's naming template applies to baselines made in a stream;
  // until projects keep one, every baseline is named by its base name.
  (void)stream;
  SUM_String cut(base);
  if (cut.GetLength() > kMaxNameBase) {
    cut = cut.Left(kMaxNameBase);
    imsg_print(IMSG_WARNING, &sum_baseline_catalog, kNameTruncated);
  }
  if (!sum_utl_is_ok_name(cut))
    return trace.checked(__LINE__, SUM_FAILED);
  SUM_String unique;
  int status = unique_name(component.vob(), cut, unique_start, unique);
  if (status != 0)
    return trace.checked(__LINE__, status);
  name_base = cut;
  name = unique;
  return SUM_OK;
}

int SUM_Baseline::create(const SUM_Timeline& timeline, const char* name, const char* comment,
                         int unique_start, long position, SUM_Baseline& out) {
  SUM_Trace trace("SUM_Baseline::create");
  if (timeline.is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  const SUM_Vob& pvob = timeline.vob();
  SUM_Stream stream;
  int status = timeline.stream(stream);
  if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  if (!stream.is_null()) {
    int read_only = 0;
    if ((status = stream.is_read_only(read_only)) != 0)
      return trace.checked(__LINE__, status);
    if (read_only) {
      imsg_print(IMSG_ERROR, &sum_baseline_catalog, kReadOnlyStream, stream.any_fullname());
      return trace.checked(__LINE__, SUM_FAILED);
    }
  }
  SUM_PLevel level;
  status = SUM_PLevel::get_def_plevel(pvob, level);
  if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  SUM_Component component;
  if ((status = timeline.component(component)) != 0)
    return trace.checked(__LINE__, status);
  SUM_String name_base;
  SUM_String unique;
  status = compute_baseline_name(name, stream, component, unique_start, name_base, unique);
  int op = 0;
  if (status == 0)
    status = opcode_for(pvob, kOpCreate, op);
  if (status != 0)
    return trace.checked(__LINE__, status);

  SUM_EventInfo event(comment, op);
  vob_zem_baseline_spec_t spec;
  spec.name = unique;
  spec.name_base = name_base;
  spec.component = component.dbid();
  spec.timeline = timeline.dbid();
  spec.position = position;
  tbs_dbid_t dbid = 0;
  if ((status = vob_zem_baseline_create(pvob.handle(), spec, event.info(), &dbid)) != 0)
    return trace.checked(__LINE__, status);
  SUM_Baseline made(pvob, dbid);
  if (!level.is_null() && (status = made.set_plevel_pvt(level, comment, 1)) != 0) {
    // Without its level the baseline is not made at all.
    vob_zem_baseline_delete(pvob.handle(), dbid, event.info());
    return trace.checked(__LINE__, status);
  }
  out = made;
  return SUM_OK;
}

int SUM_Baseline::read_info(const SUM_Trace& trace, vob_zem_baseline_info_t& info) const {
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, vob_zem_baseline_get_info(vob_.handle(), dbid_, &info));
}

int SUM_Baseline::component(SUM_Component& out) const {
  SUM_Trace trace("SUM_Baseline::component");
  vob_zem_baseline_info_t info;
  if (int status = read_info(trace, info))
    return status;
  out = SUM_Component(vob_, info.component);
  return SUM_OK;
}

int SUM_Baseline::timeline(SUM_Timeline& out) const {
  SUM_Trace trace("SUM_Baseline::timeline");
  vob_zem_baseline_info_t info;
  if (int status = read_info(trace, info))
    return status;
  out = SUM_Timeline(vob_, info.timeline);
  return SUM_OK;
}

int SUM_Baseline::stream(SUM_Stream& out) const {
  SUM_Trace trace("SUM_Baseline::stream");
  vob_zem_baseline_info_t info;
  if (int status = read_info(trace, info))
    return status;
  if (info.stream == 0)
    return SUM_NOT_FOUND;
  out = SUM_Stream(vob_, info.stream);
  return SUM_OK;
}

int SUM_Baseline::is_initial(int& result) const {
  SUM_Trace trace("SUM_Baseline::is_initial");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Component owner;
  int status = component(owner);
  if (status != 0)
    return trace.checked(__LINE__, status);
  tbs_dbid_t initial = 0;
  status = vob_zem_component_get_baseline(vob_.handle(), owner.dbid(), &initial);
  if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  result = status == 0 && initial == dbid_ ? 1 : 0;
  return SUM_OK;
}

int SUM_Baseline::labeling_status(int& status_out) const {
  SUM_Trace trace("SUM_Baseline::labeling_status");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (const int* cached = status_cache().lookup(*this)) {
    status_out = *cached;
    return SUM_OK;
  }
  // No baseline has a version map yet: the status follows from what the
  // baseline is.
  int initial = 0;
  int status = is_initial(initial);
  if (status != 0)
    return trace.checked(__LINE__, status);
  int computed = INITIAL;
  if (!initial) {
    SUM_Component owner;
    int has_root = 0;
    if ((status = component(owner)) != 0 || (status = owner.has_crde(has_root)) != 0)
      return trace.checked(__LINE__, status);
    computed = has_root ? UNLABELED : NOT_LABELABLE;
  }
  status_cache().enter(*this, computed);
  status_out = computed;
  return SUM_OK;
}

int SUM_Baseline::is_labeled(int& labeled) const {
  SUM_Trace trace("SUM_Baseline::is_labeled");
  int status_value = 0;
  int status = labeling_status(status_value);
  if (status != 0)
    return trace.checked(__LINE__, status);
  labeled = status_value != UNLABELED ? 1 : 0;
  return SUM_OK;
}

int SUM_Baseline::plevel(SUM_PLevel& out) const {
  SUM_Trace trace("SUM_Baseline::plevel");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_dbid_t attype = 0;
  int status = vob_.wk_obj(VOB_WK_ATTYPE_PROMOTION_LEVEL, attype);
  if (status != 0)
    return trace.checked(__LINE__, status);
  std::string value;
  status = vob_attr_get(vob_.handle(), dbid_, attype, value);
  if (status == SUM_NOT_FOUND)
    return trace.checked(__LINE__, SUM_PLevel::get_def_plevel(vob_, out));
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_PLevel(SUM_PLevel::unquoted(value.c_str()), vob_);
  return SUM_OK;
}

int SUM_Baseline::set_plevel(const SUM_PLevel& level, const char* comment) const {
  SUM_Trace trace("SUM_Baseline::set_plevel");
  return trace.checked(__LINE__, set_plevel_pvt(level, comment, 0));
}

int SUM_Baseline::set_plevel_pvt(const SUM_PLevel& level, const char* comment, int internal) const {
  SUM_Trace trace("SUM_Baseline::set_plevel_pvt");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_PLevel known;
  int status = SUM_NOT_FOUND;
  if (!level.is_null() && level.vob() == vob_)
    status = SUM_PLevel::construct_from_string(level.name(), vob_, 0, known);
  if (status == SUM_NOT_FOUND) {
    imsg_print(IMSG_ERROR, &sum_baseline_catalog, kInvalidPLevel);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_Component owner;
  SUM_Stream home;
  SUM_Project project;
  if ((status = component(owner)) != 0)
    return trace.checked(__LINE__, status);
  status = stream(home);
  if (status == 0)
    status = home.project(project);
  if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  SUM_TrigChBl trigger(*this, owner, home, project, level.name(), comment);
  if (!internal && (status = trigger.fire_preop()) != 0)
    return trace.checked(__LINE__, status);
  tbs_dbid_t attype = 0;
  int op = 0;
  if ((status = vob_.wk_obj(VOB_WK_ATTYPE_PROMOTION_LEVEL, attype)) != 0 ||
      (status = opcode_for(vob_, kOpChange, op)) != 0)
    return trace.checked(__LINE__, status);
  SUM_EventInfo event(comment, op);
  std::string value = static_cast<const char*>(level.attr_value());
  if ((status = vob_attr_set(vob_.handle(), dbid_, attype, value, event.info())) != 0)
    return trace.checked(__LINE__, status);
  return internal ? SUM_OK : trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

int SUM_Baseline::used_by_streams(SUM_StreamList& out) const {
  SUM_Trace trace("SUM_Baseline::used_by_streams");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<SUM_VobObject> sources;
  int status = incoming(*this, VOB_WK_HLTYPE_USE_BASELINE, sources);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_StreamList found;
  for (const SUM_VobObject& source : sources) {
    SUM_Stream stream = SUM_Stream::convert(source);
    if (!stream.is_null())
      found.append(stream);
  }
  out = found;
  return SUM_OK;
}

int SUM_Baseline::is_used_by_stream(int& result) const {
  SUM_Trace trace("SUM_Baseline::is_used_by_stream");
  SUM_StreamList streams;
  int status = used_by_streams(streams);
  if (status != 0)
    return trace.checked(__LINE__, status);
  result = streams.count() > 0 ? 1 : 0;
  return SUM_OK;
}

int SUM_Baseline::is_foundation_of_timeline(int& result) const {
  SUM_Trace trace("SUM_Baseline::is_foundation_of_timeline");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<SUM_VobObject> sources;
  int status = incoming(*this, VOB_WK_HLTYPE_FOUNDATION, sources);
  if (status != 0)
    return trace.checked(__LINE__, status);
  int found = 0;
  for (const SUM_VobObject& source : sources)
    found = found || !SUM_Timeline::convert(source).is_null();
  result = found;
  return SUM_OK;
}
