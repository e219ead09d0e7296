// SUM_Activity: creation, naming and titles, the owning stream, removal,
// the view side, modification counts, the components an activity touched,
// and tasks. The integration marker and results, the tracker link and the
// change sets live in the sum_activity_*.cpp files beside this one.
#include "sum/sum_activity.h"

#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/vob_zem.h"
#include "services/vob_zem_activity.h"
#include "services/vob_zem_baseline.h"
#include "sum/sum_activity_internal.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_component.h"
#include "sum/sum_event_info.h"
#include "sum/sum_project.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"
#include "sum/sum_baseline.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"
#include "sum/sum_utl_names.h"
#include "sum/sum_view.h"

namespace {

constexpr const char* kSource = "sum_activity";

// Tasks are read this many at a time.
constexpr size_t kTaskChunk = 10;

// The metatype activity names are unique among in `vob`.
vob_mtype_t activity_mtype(const SUM_Vob& vob) {
  return vob.supports_fc_objs() ? VOB_MTYPE_ACTIVITY : VOB_MTYPE_ACTIVITY_LIKE;
}

// Whether `name` may name a new or renamed activity of `vob` (1 yes; 0
// after the naming utility's message).
int name_ok(const char* name, const SUM_Vob& vob) {
  return sum_utl_is_usable_name(name, activity_mtype(vob), vob);
}

// The name a new activity gets: `name`, or one made from `title` and unique
// among activities. 1001 when neither gives a valid name (after the naming
// utility's message).
int new_activity_name(const char* name, const char* title, const SUM_Vob& vob, SUM_String& out) {
  SUM_String wanted(name != nullptr ? name : "");
  if (wanted.GetLength() == 0 && title != nullptr && *title != '\0') {
    wanted = sum_utl_generate_unique_obj_name(sum_utl_cvt_title_to_obj_name(title),
                                              activity_mtype(vob), 0, vob);
    if (wanted.GetLength() == 0)
      return SUM_FAILED;
  } else if (!name_ok(wanted, vob)) {
    return SUM_FAILED;
  }
  out = wanted;
  return SUM_OK;
}

// Refuses (1001 after message 3) a read-only `stream` unless allowed.
int check_writable_stream(const SUM_Stream& stream, int allow_read_only) {
  SUM_Trace trace("sum_activity::check_writable_stream");
  if (allow_read_only)
    return SUM_OK;
  int read_only = 0;
  int status = stream.is_read_only(read_only);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!read_only)
    return SUM_OK;
  SUM_String name;
  stream.name(name);
  imsg_print(IMSG_ERROR, sum_msg::ReadOnlyStream, name);
  return trace.checked(__LINE__, SUM_FAILED);
}

}  // namespace

// ---- shared helpers (sum_activity_internal.h) --------------------------------------------

SUM_String sum_act_label(const SUM_VobObject& obj) {
  char buf[256] = "";
  if (obj.is_null() || vob_obj_get_name(obj.vob().handle(), obj.dbid(), buf, sizeof buf) != 0)
    return SUM_String("<unknown>");
  return SUM_String(buf);
}

int sum_act_stream_and_project(const SUM_Activity& activity, SUM_Stream& stream,
                               SUM_Project& project) {
  SUM_Trace trace("sum_act_stream_and_project");
  int status = activity.stream(stream);
  if (status == 0)
    status = stream.project(project);
  return trace.checked(__LINE__, status);
}

int sum_act_project_tk_status(const SUM_Project& project, int& status_out) {
  SUM_Trace trace("sum_act_project_tk_status");
  int suspended = 0;
  int status = project.pvar_exists(BRELT_PROJ_ENABLED_SUSPENDED_PVAR, suspended);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (suspended) {
    status_out = kTkSuspended;
    return SUM_OK;
  }
  SUM_String entitydef;
  if ((status = project.pvar(BRELT_PROJ_ENTITYDEF_NAME_PVAR, entitydef)) != 0)
    return trace.checked(__LINE__, status);
  status_out = entitydef.GetLength() > 0 ? kTkEnabled : kTkNotEnabled;
  return SUM_OK;
}

int sum_act_tk_bridge_needed(const char* operation, int line) {
  // The project is bound to the tracker and this step must ask it; the
  // bridge calls come with the tracker binding, which this build lacks.
  return sum_int_error(kSource, operation, line);
}

// ---- handle ------------------------------------------------------------------------------

SUM_Activity& SUM_Activity::operator=(const SUM_Activity& other) {
  if (this != &other) {
    SUM_ActivityBase::operator=(other);
    mod_count_ = other.mod_count_;
  }
  return *this;
}

SUM_Activity SUM_Activity::convert(const SUM_VobObject& obj) {
  return sum_convert_as<SUM_Activity>(obj);
}

int SUM_Activity::construct_from_selector(const SUM_String& text, const SUM_Vob& pvob,
                                          SUM_Activity& out, int widen) {
  SUM_Trace trace("SUM_Activity::construct_from_selector");
  return trace.checked(__LINE__, sum_construct_from_selector_as(text, pvob, out, widen));
}

int SUM_Activity::repo_ids(const char* operation, int line, vob_vob_h& pvob) const {
  if (is_null())
    return sum_int_error(kSource, operation, line);
  pvob = vob_.handle();
  return SUM_OK;
}

// ---- creation ----------------------------------------------------------------------------

int SUM_Activity::zem_create(const char* name, const char* title, const SUM_Stream& stream,
                             int allow_read_only, const char* ignored, const char* comment,
                             SUM_Activity& out) {
  SUM_Trace trace("SUM_Activity::zem_create");
  (void)ignored;
  if (stream.is_null() || !stream.vob().supports_fc_objs())
    return sum_int_error(kSource, trace.name(), __LINE__);
  const SUM_Vob& pvob = stream.vob();
  SUM_String headline(title != nullptr && *title != '\0' ? title : (name != nullptr ? name : ""));
  int status = check_writable_stream(stream, allow_read_only);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_Project project;
  if ((status = stream.project(project)) != 0)
    return trace.checked(__LINE__, status);
  SUM_TrigMkAct trigger(stream, project, comment);
  if ((status = trigger.fire_preop()) != 0)
    return trace.checked(__LINE__, status);
  SUM_String new_name;
  if ((status = new_activity_name(name, title, pvob, new_name)) != 0)
    return trace.checked(__LINE__, status);

  SUM_EventInfo event(comment, kOpCreate);
  tbs_dbid_t dbid = 0;
  status = vob_zem_activity_create(pvob.handle(), new_name, headline, stream.dbid(), event.info(),
                                   &dbid);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_Activity made(pvob, dbid);
  if ((status = made.mark_if_project_suspended(project)) != 0)
    return trace.checked(__LINE__, status);
  if ((status = trigger.fire_postop(made)) != 0)
    return trace.checked(__LINE__, status);
  out = made;
  return SUM_OK;
}

int SUM_Activity::create(const char* name, const char* title, const SUM_ActivityBase& parent,
                         int allow_read_only, const char* text, const char* comment,
                         SUM_Activity& out) {
  SUM_Trace trace("SUM_Activity::create");
  (void)text;
  if (parent.is_null() || parent.vob().supports_fc_objs())
    return sum_int_error(kSource, trace.name(), __LINE__);
  const SUM_Vob& pvob = parent.vob();
  // The activity folder's stream: the parent itself where the stream holds
  // its activities directly (SUM_Stream::special_folder), else its parent.
  SUM_Stream stream = SUM_Stream::convert(parent);
  int status = 0;
  if (stream.is_null()) {
    SUM_ActivityBase above;
    if ((status = parent.parent(above)) != 0)
      return trace.checked(__LINE__, status);
    stream = SUM_Stream::convert(above);
    if (stream.is_null())
      return sum_int_error(kSource, trace.name(), __LINE__);
  }
  SUM_String headline(title != nullptr && *title != '\0' ? title : (name != nullptr ? name : ""));
  if ((status = check_writable_stream(stream, allow_read_only)) != 0)
    return trace.checked(__LINE__, status);
  SUM_Project project;
  if ((status = stream.project(project)) != 0)
    return trace.checked(__LINE__, status);
  SUM_VobObject type;
  if ((status = pvob.activity_actype(type)) != 0)
    return trace.checked(__LINE__, status);
  SUM_TrigMkAct trigger(stream, project, comment);
  if ((status = trigger.fire_preop()) != 0)
    return trace.checked(__LINE__, status);
  SUM_String new_name;
  if ((status = new_activity_name(name, title, pvob, new_name)) != 0)
    return trace.checked(__LINE__, status);

  SUM_ActivityBase base;
  status = common_create(pvob, new_name, headline, type, parent, comment, kOpCreate, base);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_Activity made(pvob, base.dbid());
  if ((status = made.mark_if_project_suspended(project)) != 0)
    return trace.checked(__LINE__, status);
  if ((status = trigger.fire_postop(made)) != 0)
    return trace.checked(__LINE__, status);
  out = made;
  return SUM_OK;
}

int SUM_Activity::mark_if_project_suspended(const SUM_Project& project) const {
  SUM_Trace trace("SUM_Activity::mark_if_project_suspended");
  int tk = kTkNotEnabled;
  int status = sum_act_project_tk_status(project, tk);
  if (status == 0 && tk == kTkSuspended)
    status = set_modified_while_TK_suspended();
  return trace.checked(__LINE__, status);
}

// ---- naming and titles -------------------------------------------------------------------

namespace {

// Runs `change` (given the activity's project) between the pre- and
// post-operation chact triggers; a refusing trigger or a failed change
// stops with its status.
template <typename Change>
int change_under_chact(const SUM_Activity& activity, const char* comment, Change change) {
  SUM_Stream stream;
  SUM_Project project;
  int status = sum_act_stream_and_project(activity, stream, project);
  if (status != 0)
    return status;
  SUM_TrigChAct trigger(activity, comment, stream, project);
  if ((status = trigger.fire_preop()) != 0 || (status = activity.check_change_permission()) != 0 ||
      (status = change(project)) != 0)
    return status;
  return trigger.fire_postop(SUM_VobObject());
}

}  // namespace

int SUM_Activity::set_name(const char* name, const char* comment, int internal) const {
  SUM_Trace trace("SUM_Activity::set_name");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (!name_ok(name, vob_))
    return trace.checked(__LINE__, SUM_FAILED);
  return trace.checked(__LINE__, change_under_chact(*this, comment, [&](const SUM_Project&) {
                         if (!internal)
                           return set_name_basic(name, comment);
                         SUM_EventInfo event(comment, kOpChange);
                         return vob_obj_set_name(vob_.handle(), dbid_, name, event.info());
                       }));
}

int SUM_Activity::title(SUM_String& out) const {
  SUM_Trace trace("SUM_Activity::title");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (!vob_.supports_fc_objs())
    return trace.checked(__LINE__, SUM_ActivityBase::title(out));
  std::string headline;
  int status = vob_zem_activity_get_headline(vob_.handle(), dbid_, headline);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (headline.empty())
    return trace.checked(__LINE__, name(out));
  out = headline.c_str();
  return SUM_OK;
}

int SUM_Activity::store_title(const char* title, const char* comment, int op) const {
  SUM_Trace trace("SUM_Activity::store_title");
  if (!vob_.supports_fc_objs())
    return trace.checked(__LINE__, SUM_ActivityBase::set_title(title, comment, op));
  SUM_EventInfo event(comment, op);
  return trace.checked(__LINE__,
                       vob_zem_activity_set_headline(vob_.handle(), dbid_, title, event.info()));
}

int SUM_Activity::set_title(const char* title, const char* comment, int op) const {
  SUM_Trace trace("SUM_Activity::set_title");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(
      __LINE__, change_under_chact(*this, comment, [&](const SUM_Project& project) {
        int tk = kTkNotEnabled;
        int status = sum_act_project_tk_status(project, tk);
        if (status == 0 && tk == kTkSuspended) {
          status = set_modified_while_TK_suspended();
        } else if (status == 0 && tk == kTkEnabled) {
          int linked = 0;
          status = is_tk_enabled(linked, 0);
          // A linked activity's headline is the tracker record's: the record is
          // told first, through the bridge.
          if (status == 0 && linked)
            status = sum_act_tk_bridge_needed(trace.name(), __LINE__);
        }
        return status != 0 ? status : store_title(title, comment, op != 0 ? op : kOpChange);
      }));
}

int SUM_Activity::set_title_from_Tarsen(const char* title, const char* comment) const {
  SUM_Trace trace("SUM_Activity::set_title_from_Tarsen");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, change_under_chact(*this, comment, [&](const SUM_Project&) {
                         return store_title(title, comment, kOpChange);
                       }));
}

int SUM_Activity::set_display_name(const char* name, const char* comment) const {
  SUM_Trace trace("SUM_Activity::set_display_name");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (vob_.supports_fc_objs())
    return trace.checked(__LINE__, set_title(name, comment, kOpChange));
  return trace.checked(__LINE__, SUM_ActivityBase::set_display_name(name, comment));
}

// ---- stream ------------------------------------------------------------------------------

int SUM_Activity::stream(SUM_Stream& out) const {
  SUM_Trace trace("SUM_Activity::stream");
  vob_vob_h pvob = nullptr;
  if (int status = repo_ids(trace.name(), __LINE__, pvob))
    return status;
  tbs_dbid_t stream = 0;
  int status = vob_zem_activity_get_parent(pvob, dbid_, &stream);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Stream(vob_, stream);
  return SUM_OK;
}

// ---- removal -----------------------------------------------------------------------------

int SUM_Activity::in_latest_baseline(const SUM_Stream& stream, const SUM_Component& component,
                                     int& listed) const {
  SUM_Trace trace("SUM_Activity::in_latest_baseline");
  listed = 0;
  SUM_Timeline timeline;
  int status = stream.component_timeline(component, timeline);
  if (status == SUM_NOT_FOUND || (status == 0 && timeline.is_null()))
    return SUM_OK;
  SUM_Baseline latest;
  if (status == 0)
    status = timeline.latest_baseline(latest);
  if (status == SUM_NOT_FOUND)
    return SUM_OK;
  std::vector<vob_zem_baseline_cset_t> csets;
  if (status == 0)
    status = vob_zem_baseline_get_cset_list(vob_.handle(), latest.dbid(), csets);
  if (status != 0)
    return trace.checked(__LINE__, status);
  for (const vob_zem_baseline_cset_t& cset : csets)
    if (cset.activity == dbid_)
      listed = 1;
  return SUM_OK;
}

int SUM_Activity::ok_to_destroy(int& ok) const {
  SUM_Trace trace("SUM_Activity::ok_to_destroy");
  vob_vob_h pvob = nullptr;
  if (int status = repo_ids(trace.name(), __LINE__, pvob))
    return status;
  int referenced = 0;
  int status = trtype_refs_refuse(sum_msg::TriggerTypeRefs, referenced);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (referenced) {
    ok = 0;
    return SUM_OK;
  }
  int empty = 0;
  if ((status = vob_zem_activity_cset_is_empty(pvob, dbid_, &empty)) != 0)
    return trace.checked(__LINE__, status);
  if (!empty) {
    imsg_print(IMSG_ERROR, sum_msg::CsetNotEmpty);
    ok = 0;
    return SUM_OK;
  }
  SUM_ComponentList touched;
  SUM_Stream owner;
  if ((status = components(touched)) != 0 || (status = stream(owner)) != 0)
    return trace.checked(__LINE__, status);
  for (unsigned i = 0; i < touched.count(); ++i) {
    int listed = 0;
    if ((status = in_latest_baseline(owner, touched[i], listed)) != 0)
      return trace.checked(__LINE__, status);
    if (listed) {
      imsg_print(IMSG_ERROR, sum_msg::InBaseline, sum_act_label(*this));
      ok = 0;
      return SUM_OK;
    }
  }
  ok = 1;
  return SUM_OK;
}

int SUM_Activity::destroy_util(const char* comment, int op) const {
  SUM_Trace trace("SUM_Activity::destroy_util");
  vob_vob_h pvob = nullptr;
  if (int status = repo_ids(trace.name(), __LINE__, pvob))
    return status;
  int ok = 0;
  int status = ok_to_destroy(ok);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!ok)
    return trace.checked(__LINE__, SUM_FAILED);
  if (!vob_.supports_fc_objs())
    return trace.checked(__LINE__, SUM_ActivityBase::destroy_util(comment, op));
  // The task provider keeps no per-activity state here, so there is no
  // end-of-activity report to make before the object goes.
  SUM_EventInfo event(comment, op);
  return trace.checked(__LINE__, vob_zem_activity_delete(pvob, dbid_, event.info()));
}

int SUM_Activity::destroy(const SUM_View& view, const char* comment, int tk_behaviour) {
  SUM_Trace trace("SUM_Activity::destroy");
  (void)view;
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = check_change_permission();
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_Stream stream;
  SUM_Project project;
  status = sum_act_stream_and_project(*this, stream, project);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_TrigRmAct trigger(*this, stream, project, comment);
  if ((status = trigger.fire_preop()) != 0)
    return trace.checked(__LINE__, status);
  if (tk_behaviour != kTkBehaviourSkip) {
    int linked = 0;
    if ((status = is_tk_enabled(linked, 1)) != 0)
      return trace.checked(__LINE__, status);
    if (linked) {
      int tk = kTkNotEnabled;
      if ((status = sum_act_project_tk_status(project, tk)) != 0)
        return trace.checked(__LINE__, status);
      if (tk == kTkSuspended) {
        imsg_print(IMSG_ERROR, sum_msg::ProjectSuspended);
        return trace.checked(__LINE__, SUM_FAILED);
      }
      // The tracker must agree before a linked activity goes.
      return trace.checked(__LINE__, sum_act_tk_bridge_needed(trace.name(), __LINE__));
    }
  }
  if ((status = destroy_util(comment, kOpRemove)) != 0)
    return trace.checked(__LINE__, status);
  *this = SUM_Activity();
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

// ---- views -------------------------------------------------------------------------------

int SUM_Activity::view_uuids(std::vector<std::string>& out) const {
  SUM_Trace trace("SUM_Activity::view_uuids");
  vob_vob_h pvob = nullptr;
  if (int status = repo_ids(trace.name(), __LINE__, pvob))
    return status;
  return trace.checked(__LINE__, vob_zem_activity_get_views(pvob, dbid_, out));
}

int SUM_Activity::current_view_tags(std::vector<std::string>& out) const {
  SUM_Trace trace("SUM_Activity::current_view_tags");
  std::vector<std::string> uuids;
  if (int status = view_uuids(uuids))
    return trace.checked(__LINE__, status);
  std::vector<std::string> tags;
  for (const std::string& uuid : uuids) {
    SUM_Uuid parsed;
    SUM_View view;
    SUM_String tag;
    if (SUM_Uuid::construct_from_string(uuid.c_str(), parsed) == 0 &&
        SUM_View::construct_from_uuid(parsed, view) == 0 && view.tag(tag, 1) == 0)
      tags.emplace_back(static_cast<const char*>(tag));
    else
      tags.push_back(uuid);
  }
  out.swap(tags);
  return SUM_OK;
}

int SUM_Activity::current_view(SUM_View& out) const {
  SUM_Trace trace("SUM_Activity::current_view");
  std::vector<std::string> uuids;
  int status = view_uuids(uuids);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (uuids.empty())
    return SUM_NOT_FOUND;
  SUM_Uuid uuid;
  if ((status = SUM_Uuid::construct_from_string(uuids.front().c_str(), uuid)) != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, SUM_View::construct_from_uuid(uuid, out));
}

int SUM_Activity::unset_from_all_views(const char* comment) const {
  SUM_Trace trace("SUM_Activity::unset_from_all_views");
  std::vector<std::string> uuids;
  int status = view_uuids(uuids);
  for (size_t i = 0; status == 0 && i < uuids.size(); ++i) {
    SUM_Uuid uuid;
    SUM_View view;
    status = SUM_Uuid::construct_from_string(uuids[i].c_str(), uuid);
    if (status == 0)
      status = SUM_View::construct_from_uuid(uuid, view);
    if (status == 0) {
      status = view.unset_activity(1, comment);
    } else if (status == SUM_NOT_FOUND) {
      // The view is gone: only its record remains to clear.
      SUM_EventInfo event(comment, kOpChange);
      status = vob_zem_view_unset_activity(vob_.handle(), uuids[i].c_str(), event.info());
    }
  }
  return trace.checked(__LINE__, status);
}

int SUM_Activity::set_activity(const SUM_View& view, const char* comment, int flag) const {
  SUM_Trace trace("SUM_Activity::set_activity");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, view.set_activity(*this, comment, flag));
}

int SUM_Activity::start_work(const SUM_View& view, const char* comment) const {
  SUM_Trace trace("SUM_Activity::start_work");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Activity current;
  int status = view.current_activity(current);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (current == *this)
    return SUM_OK;
  return trace.checked(__LINE__, view.set_activity(*this, comment, 0));
}

int SUM_Activity::name_resolver_view(SUM_View& out) const {
  SUM_Trace trace("SUM_Activity::name_resolver_view");
  int status = current_view(out);
  if (status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  SUM_Stream owner;
  SUM_UuidList views;
  if ((status = stream(owner)) != 0 || (status = owner.views(views)) != 0)
    return trace.checked(__LINE__, status);
  for (unsigned i = 0; i < views.count(); ++i) {
    status = SUM_View::construct_from_uuid(views[i], out);
    if (status != SUM_NOT_FOUND)
      return trace.checked(__LINE__, status);
  }
  return SUM_NOT_FOUND;
}

// ---- modification counts and components -----------------------------------------------------

int SUM_Activity::mod_count(unsigned& out) const {
  if (mod_count_ == kNoModCount)
    return SUM_NOT_FOUND;
  out = mod_count_;
  return SUM_OK;
}

int SUM_Activity::current_mod_count(unsigned& out) const {
  SUM_Trace trace("SUM_Activity::current_mod_count");
  vob_vob_h pvob = nullptr;
  if (int status = repo_ids(trace.name(), __LINE__, pvob))
    return status;
  if (vob_.supports_fc_objs()) {
    unsigned count = 0;
    int status = vob_zem_activity_get_mod_count(pvob, dbid_, &count);
    if (status != 0)
      return trace.checked(__LINE__, status);
    out = count;
    return SUM_OK;
  }
  const SUM_ActivityInfo* got = nullptr;
  if (info(got, VOB_ACT_INFO_BIT(VOB_ACT_INFO_MOD_COUNT)) != 0 || !got->has(VOB_ACT_INFO_MOD_COUNT))
    return trace.checked(__LINE__, SUM_FAILED);
  out = got->mod_count();
  return SUM_OK;
}

int SUM_Activity::components_modcnts(SUM_ComponentList& comps, SUM_ModCntList& counts) const {
  SUM_Trace trace("SUM_Activity::components_modcnts");
  vob_vob_h pvob = nullptr;
  if (int status = repo_ids(trace.name(), __LINE__, pvob))
    return status;
  std::vector<vob_act_modcnt_t> pairs;
  int status = vob_zem_activity_get_vob_modcnts(pvob, dbid_, pairs);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_ComponentList found_comps;
  SUM_ModCntList found_counts;
  for (const vob_act_modcnt_t& pair : pairs) {
    // Pair 0 gathers the elements outside every component.
    if (pair.crde == 0)
      continue;
    SUM_Component component;
    status = SUM_Component::construct_from_crde(vob_, SUM_VobObject(SUM_Vob(pair.vob), pair.crde),
                                                component, 1);
    if (status != 0)
      return trace.checked(__LINE__, status);
    found_comps.append(component);
    found_counts.append(SUM_ModCnt(pair.count));
  }
  comps = found_comps;
  counts = found_counts;
  return SUM_OK;
}

int SUM_Activity::components(SUM_ComponentList& out) const {
  SUM_Trace trace("SUM_Activity::components");
  SUM_ModCntList counts;
  return trace.checked(__LINE__, components_modcnts(out, counts));
}

// ---- tasks -------------------------------------------------------------------------------

int SUM_Activity::task_ids(const char* operation, int line, vob_vob_h& pvob) const {
  if (is_null() || !vob_.supports_fc_objs())
    return sum_int_error(kSource, operation, line);
  pvob = vob_.handle();
  return SUM_OK;
}

int SUM_Activity::set_tasks(const SUM_TaskList& tasks, const char* comment) const {
  SUM_Trace trace("SUM_Activity::set_tasks");
  vob_vob_h pvob = nullptr;
  if (int status = task_ids(trace.name(), __LINE__, pvob))
    return status;
  std::vector<std::string> uris;
  for (unsigned i = 0; i < tasks.count(); ++i)
    uris.emplace_back(static_cast<const char*>(tasks[i].uri));
  SUM_EventInfo event(comment, kOpChange);
  return trace.checked(__LINE__, vob_zem_activity_set_tasks(pvob, dbid_, uris, event.info()));
}

int SUM_Activity::add_task(const SUM_Task& task, const char* comment) const {
  SUM_Trace trace("SUM_Activity::add_task");
  vob_vob_h pvob = nullptr;
  if (int status = task_ids(trace.name(), __LINE__, pvob))
    return status;
  SUM_EventInfo event(comment, kOpChange);
  return trace.checked(__LINE__, vob_zem_activity_add_task(pvob, dbid_, task.uri, event.info()));
}

int SUM_Activity::rm_task(const SUM_Task& task, const char* comment) const {
  SUM_Trace trace("SUM_Activity::rm_task");
  vob_vob_h pvob = nullptr;
  if (int status = task_ids(trace.name(), __LINE__, pvob))
    return status;
  SUM_EventInfo event(comment, kOpChange);
  return trace.checked(__LINE__, vob_zem_activity_rm_task(pvob, dbid_, task.uri, event.info()));
}

int SUM_Activity::clear_task(const char* comment) const {
  SUM_Trace trace("SUM_Activity::clear_task");
  return trace.checked(__LINE__, set_tasks(SUM_TaskList(), comment));
}

int SUM_Activity::get_tasks(SUM_TaskList& out) const {
  SUM_Trace trace("SUM_Activity::get_tasks");
  vob_vob_h pvob = nullptr;
  if (int status = task_ids(trace.name(), __LINE__, pvob))
    return status;
  SUM_TaskList found;
  for (size_t offset = 0;;) {
    std::vector<std::string> chunk;
    int status = vob_zem_activity_next_tasks(pvob, dbid_, offset, kTaskChunk, chunk);
    if (status != 0)
      return trace.checked(__LINE__, status);
    for (const std::string& uri : chunk)
      found.append(SUM_Task(uri.c_str()));
    offset += chunk.size();
    if (chunk.size() < kTaskChunk)
      break;
  }
  out = found;
  return SUM_OK;
}

int SUM_Activity::has_task(int& has) const {
  SUM_Trace trace("SUM_Activity::has_task");
  SUM_TaskList tasks;
  int status = get_tasks(tasks);
  if (status != 0)
    return trace.checked(__LINE__, status);
  has = tasks.count() > 0 ? 1 : 0;
  return SUM_OK;
}

// ---- plain entry point -------------------------------------------------------------------

int sum_act_set_name(tbs_dbid_t dbid, vob_vob_h pvob, const char* name, const char* comment) {
  SUM_Trace trace("sum_act_set_name");
  SUM_Activity activity = SUM_Activity::convert(SUM_VobObject(SUM_Vob(pvob), dbid));
  if (activity.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, activity.set_name(name, comment));
}
