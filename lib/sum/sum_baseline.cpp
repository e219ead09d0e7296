// SUM_Baseline: creation, the timeline, component and stream a baseline
// belongs to, its change sets, renaming, permission, its promotion level,
// and the streams and timelines that take it as a foundation. Naming is in
// sum_baseline_name.cpp, labeling in sum_baseline_label.cpp.
#include "sum/sum_baseline.h"

#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/vob_attr.h"
#include "services/vob_hlink.h"
#include "services/vob_zem.h"
#include "services/vob_zem_baseline.h"
#include "sum/sum_activity.h"
#include "sum/sum_baseline_dependency.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_component.h"
#include "sum/sum_event_info.h"
#include "sum/sum_policy.h"
#include "sum/sum_project.h"
#include "sum/sum_replica.h"
#include "sum/sum_stream.h"
#include "sum/sum_status.h"
#include "sum/sum_timeline.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"
#include "sum/sum_utl_names.h"

namespace {

constexpr const char* kSource = "sum_baseline";

vob_mtype_t baseline_mtype(const SUM_Vob& pvob) {
  return pvob.supports_fc_objs() ? VOB_MTYPE_BASELINE : VOB_MTYPE_CHECKPOINT;
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

// The stream's part of a baseline's permission check: where anyone may
// change the stream, a baseline mastered at another replica is warned
// about; the stream must be mastered here and the user allowed to change it.
int check_stream_side(const SUM_Baseline& baseline, const SUM_Stream& stream) {
  SUM_String unrestricted;
  int status = stream.policy_in_context(SUM_Policy::CHSTREAM_UNRESTRICTED, unrestricted);
  if (status != 0)
    return status;
  if (unrestricted.Compare("ENABLED") == 0) {
    int local = 0;
    SUM_Replica master, here;
    if ((status = baseline.has_local_mastership(local, master, here)) != 0)
      return status;
    if (!local)
      imsg_print(IMSG_WARNING, sum_baseline_msg::MasteredElsewhere, baseline.any_fullname(),
                 master.any_name(), here.any_name());
  }
  int stream_local = 0;
  if ((status = stream.check_local_mastership(stream_local)) != 0)
    return status;
  if (!stream_local)
    return SUM_FAILED;  // the warning names the stream and its master
  return stream.check_permission();
}

// 1001 after the message when `stream` is read-only.
int refuse_read_only(const SUM_Stream& stream) {
  int read_only = 0;
  int status = stream.is_read_only(read_only);
  if (status == 0 && read_only) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::ReadOnlyStream, stream.any_fullname());
    status = SUM_FAILED;
  }
  return status;
}

// Warns once, naming the first activity of `activities` with checkouts.
int warn_checkouts(const SUM_ActivityList& activities) {
  for (unsigned i = 0; i < activities.count(); ++i) {
    int has = 0;
    int status = activities[i].has_checkouts(has);
    if (status != 0)
      return status;
    if (has) {
      imsg_print(IMSG_WARNING, sum_baseline_msg::ActivityCheckouts, activities[i].any_fullname());
      break;
    }
  }
  return SUM_OK;
}

// The (activity, modification count) pairs a baseline records; an activity
// without a recorded count is 1001 after a message naming it.
int recorded_counts(const SUM_ActivityList& activities, std::vector<vob_zem_baseline_cset_t>& out) {
  for (unsigned i = 0; i < activities.count(); ++i) {
    unsigned count = 0;
    int status = activities[i].mod_count(count);
    if (status == SUM_NOT_FOUND) {
      imsg_print(IMSG_ERROR, sum_baseline_msg::NoModCount, activities[i].any_fullname());
      return SUM_FAILED;
    }
    if (status != 0)
      return status;
    vob_zem_baseline_cset_t cset;
    cset.activity = activities[i].dbid();
    cset.mod_count = static_cast<long>(count);
    out.push_back(cset);
  }
  return SUM_OK;
}

// The dependency record of a new baseline of `pvob` ("" without
// dependencies); feature level 3 is needed for one.
int dependency_record(const SUM_Vob& pvob, const SUM_BaselineList& dependencies, SUM_String& out) {
  if (dependencies.count() == 0) {
    out = "";
    return SUM_OK;
  }
  int level = 0;
  int status = pvob.feature_level(level);
  if (status != 0)
    return status;
  if (level < 3) {
    SUM_String tag;
    pvob.tag(tag);
    imsg_print(IMSG_ERROR, sum_baseline_msg::DepsNeedFeatureLevel, tag);
    return SUM_FAILED;
  }
  return SUM_BaselineDependency::deps_to_xml_text(dependencies, out);
}

}  // namespace

int SUM_Baseline::create(const SUM_Timeline& timeline, const char* name, const char* comment,
                         int unique_start, long position, SUM_Baseline& out) {
  SUM_Trace trace("SUM_Baseline::create");
  return trace.checked(
      __LINE__, create_and_reorder(timeline, name, SUM_ActivityList(), SUM_BaselineList(), comment,
                                   unique_start, position, SUM_TimelineEntryList(), out));
}

int SUM_Baseline::create_and_reorder(const SUM_Timeline& timeline, const char* name,
                                     const SUM_ActivityList& activities,
                                     const SUM_BaselineList& dependencies, const char* comment,
                                     int unique_start, long position,
                                     const SUM_TimelineEntryList& reorder, SUM_Baseline& out) {
  SUM_Trace trace("SUM_Baseline::create_and_reorder");
  if (timeline.is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  const SUM_Vob& pvob = timeline.vob();
  SUM_Stream stream;
  int status = timeline.stream(stream);
  if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  if (!stream.is_null() && (status = refuse_read_only(stream)) != 0)
    return trace.checked(__LINE__, status);
  vob_zem_baseline_spec_t spec;
  if ((status = warn_checkouts(activities)) != 0 ||
      (status = recorded_counts(activities, spec.csets)) != 0)
    return trace.checked(__LINE__, status);
  SUM_String deps_xml;
  if ((status = dependency_record(pvob, dependencies, deps_xml)) != 0)
    return trace.checked(__LINE__, status);
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
  spec.name = unique;
  spec.name_base = name_base;
  spec.component = component.dbid();
  spec.timeline = timeline.dbid();
  spec.position = position;
  spec.deps_xml = deps_xml;
  for (unsigned i = 0; i < reorder.count(); ++i) {
    vob_zem_tl_entry_ref_t ref;
    ref.kind = reorder[i].raw_kind();
    ref.obj = reorder[i].dbid();
    spec.reorder.push_back(ref);
  }
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

int SUM_Baseline::info(vob_zem_baseline_info_t& out) const {
  SUM_Trace trace("SUM_Baseline::info");
  return read_info(trace, out);
}

int SUM_Baseline::name_base(SUM_String& out) const {
  SUM_Trace trace("SUM_Baseline::name_base");
  vob_zem_baseline_info_t info;
  if (int status = read_info(trace, info))
    return status;
  out = info.name_base.empty() ? info.name.c_str() : info.name_base.c_str();
  return SUM_OK;
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
    imsg_print(IMSG_ERROR, sum_baseline_msg::InvalidPLevel);
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
  if (!internal && ((status = trigger.fire_preop()) != 0 || (status = check_permission()) != 0))
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

int SUM_Baseline::change_sets(SUM_ActivityList& out) const {
  SUM_Trace trace("SUM_Baseline::change_sets");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<vob_zem_baseline_cset_t> csets;
  int status = vob_zem_baseline_get_cset_list(vob_.handle(), dbid_, csets);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_ActivityList found;
  for (const vob_zem_baseline_cset_t& cset : csets) {
    SUM_Activity activity(vob_, cset.activity);
    int exists = 0;
    if ((status = activity.exists(exists)) != 0)
      return trace.checked(__LINE__, status);
    if (!exists)
      continue;  // removed since: its changes stay recorded in the labels
    activity.set_mod_count(static_cast<unsigned>(cset.mod_count));
    found.append(activity);
  }
  out = found;
  return SUM_OK;
}

int SUM_Baseline::set_name(const char* name, const char* comment) const {
  SUM_Trace trace("SUM_Baseline::set_name");
  if (is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (!sum_utl_is_usable_name(name, baseline_mtype(vob_), vob_))
    return trace.checked(__LINE__, SUM_FAILED);
  SUM_Component owner;
  SUM_Stream home;
  SUM_Project project;
  int status = trigger_context(owner, home, project);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_TrigChBl trigger(*this, owner, home, project, SUM_String(name), SUM_String(comment));
  if ((status = trigger.fire_preop()) != 0 || (status = check_permission()) != 0)
    return trace.checked(__LINE__, status);
  if ((status = set_name_basic(name, comment)) != 0) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::RenameFailed, any_fullname());
    return trace.checked(__LINE__, status);
  }
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

int SUM_Baseline::title(SUM_String& out) const {
  SUM_Trace trace("SUM_Baseline::title");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, name(out));
}

int SUM_Baseline::set_title(const char* title, const char* comment) const {
  SUM_Trace trace("SUM_Baseline::set_title");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, set_name(title, comment));
}

int SUM_Baseline::is_import(int& result) const {
  SUM_Trace trace("SUM_Baseline::is_import");
  vob_zem_baseline_info_t info;
  if (int status = read_info(trace, info))
    return status;
  int initial = 0;
  if (info.timeline == info.component) {
    int status = is_initial(initial);
    if (status != 0)
      return trace.checked(__LINE__, status);
  }
  // Only the initial baseline and imported ones lie on the main timeline.
  result = info.timeline == info.component && !initial ? 1 : 0;
  return SUM_OK;
}

int SUM_Baseline::check_permission() const {
  SUM_Trace trace("SUM_Baseline::check_permission");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Stream home;
  int status = stream(home);
  if (status == 0)
    status = check_stream_side(*this, home);
  if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, check_change_permission());
}

int SUM_Baseline::trigger_context(SUM_Component& component, SUM_Stream& stream,
                                  SUM_Project& project) const {
  SUM_Trace trace("SUM_Baseline::trigger_context");
  int status = this->component(component);
  if (status != 0)
    return trace.checked(__LINE__, status);
  status = this->stream(stream);
  if (status == 0)
    status = stream.project(project);
  return status == SUM_NOT_FOUND ? SUM_OK : trace.checked(__LINE__, status);
}

int sum_baseline_set_name(const char* selector, const char* name, const char* comment) {
  SUM_Trace trace("sum_baseline_set_name");
  if (selector == nullptr || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Baseline baseline;
  if (int status = SUM_Baseline::construct_from_selector(selector, SUM_Vob(), baseline))
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, baseline.set_name(name, comment));
}
