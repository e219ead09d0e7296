// SUM_View: the current activity of a view, its checkouts, and the plain
// entry points the view service and the command tool call. The library
// installs sum_view_checkouts_allowed into the view service when it is
// loaded, so that every checkout through a view attached to a stream asks
// the stream first.
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "services/imsg.h"
#include "services/view.h"
#include "services/vob_elem.h"
#include "services/vob_zem_activity.h"
#include "sum/sum_activity.h"
#include "sum/sum_cache.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_component.h"
#include "sum/sum_event_info.h"
#include "sum/sum_project.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"
#include "sum/sum_version.h"
#include "sum/sum_view.h"

namespace {

constexpr const char* kSource = "sum_view_activity";

// Operation code recorded with a change of a view's current activity (the
// set-activity trigger's operation).
constexpr int kOpSetActivity = 95;

// Work records are read two at a time: one is the answer, a second one an
// inconsistency.
constexpr size_t kWorkChunk = 2;

// Installs the questions the view service asks before checkouts, once, when
// the library is loaded.
struct ZemEntryPointsRegistrar {
  ZemEntryPointsRegistrar() {
    view_zem_entry_points_t entry_points;
    entry_points.checkouts_allowed = sum_view_checkouts_allowed;
    view_register_zem_entry_points(&entry_points);
  }
};
const ZemEntryPointsRegistrar registrar;

// The project of `stream`, for trigger records.
int project_of(const SUM_Stream& stream, SUM_Project& out) {
  return stream.project(out);
}

// The checkouts `view` holds, as the view service lists them.
int held_checkouts(const SUM_View& view, std::vector<view_ckout_t>& held) {
  view_server_h h = nullptr;
  int status = view.handle(h);
  return status != 0 ? status : view_list_checkouts(h, held);
}

// The stream `view` is attached to (1002 when none), remembered by the
// view's UUID inside cache-control scopes: a bulk checkout asks it once.
int remembered_stream(const SUM_View& view, SUM_Stream& out) {
  static auto* cache = new SUM_Cache<SUM_String, SUM_Stream>("View_to_stream", 0);
  SUM_Uuid uuid;
  const SUM_String key = view.uuid(uuid) == 0 ? uuid.string() : SUM_String();
  if (key.size() > 0 && cache->lookup(key, out))
    return SUM_OK;
  int status = view.stream(out);
  if (status == 0 && key.size() > 0)
    cache->enter(key, out);
  return status;
}

}  // namespace

// ---- current activity ----

int SUM_View::read_current_activity(const SUM_Vob& pvob, SUM_Activity& out) const {
  SUM_Trace trace("SUM_View::read_current_activity");
  SUM_String view_uuid = uuid_.string();
  if (pvob.supports_fc_objs()) {
    tbs_dbid_t dbid = 0;
    int status = vob_zem_view_get_activity(pvob.handle(), view_uuid, &dbid);
    if (status != 0)
      return trace.checked(__LINE__, status);
    out = dbid == 0 ? SUM_Activity() : SUM_Activity(pvob, dbid);
    return SUM_OK;
  }
  SUM_VobObject every;
  std::vector<vob_work_t> work;
  int status = pvob.user_every(every);
  if (status == 0)
    status = vob_ob_next_work(pvob.handle(), every.dbid(), view_uuid, 0, kWorkChunk, work);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (work.size() > 1)  // one record per view; the first one stands
    sum_int_error(kSource, trace.name(), __LINE__);
  out =
      work.empty() || work[0].activity == 0 ? SUM_Activity() : SUM_Activity(pvob, work[0].activity);
  return SUM_OK;
}

int SUM_View::current_activity(SUM_Activity& out) const {
  SUM_Trace trace("SUM_View::current_activity");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Stream attached;
  SUM_Activity found;
  int status = stream(attached);
  if (status == 0)
    status = read_current_activity(attached.vob(), found);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = found;
  return SUM_OK;
}

int SUM_View::record_activity(const SUM_Vob& pvob, const SUM_Activity& activity,
                              const char* comment) const {
  SUM_Trace trace("SUM_View::record_activity");
  SUM_EventInfo event(comment, kOpSetActivity);
  SUM_String view_uuid = uuid_.string();
  int status = 0;
  if (pvob.supports_fc_objs()) {
    if (!activity.is_null())
      status = vob_zem_view_set_activity(pvob.handle(), view_uuid, activity.dbid(), event.info());
    else
      status = vob_zem_view_unset_activity(pvob.handle(), view_uuid, event.info());
    return trace.checked(__LINE__, status);
  }
  // The older form: the activity is made active and the PVOB's every-user
  // object records that it is worked on in this view.
  SUM_VobObject every;
  if (!activity.is_null())
    status = activity.make_active(comment, kOpSetActivity);
  if (status == 0)
    status = pvob.user_every(every);
  if (status == 0)
    status = vob_utl_set_work(pvob.handle(), every.dbid(), view_uuid,
                              activity.is_null() ? 0 : activity.dbid(), event.info());
  return trace.checked(__LINE__, status);
}

int SUM_View::check_set_activity(const SUM_Activity& activity, SUM_Stream& stream) const {
  SUM_Trace trace("SUM_View::check_set_activity");
  SUM_Stream wanted, attached;
  SUM_String view_tag;
  int status = activity.stream(wanted);
  if (status == 0)
    status = tag(view_tag);
  if (status == 0)
    status = this->stream(attached);
  if (status == SUM_NOT_FOUND) {
    imsg_print(IMSG_ERROR, sum_msg::NotAttached, view_tag, activity.any_fullname());
    return trace.checked(__LINE__, SUM_NOT_FOUND);
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (attached != wanted) {
    imsg_print(IMSG_ERROR, sum_msg::OtherStream, activity.any_fullname(), view_tag);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  stream = attached;
  return SUM_OK;
}

int SUM_View::set_activity(const SUM_Activity& activity, const char* comment, int flag,
                           int unused) const {
  (void)flag;  // passed to the change-management task provider where one is configured
  (void)unused;
  SUM_Trace trace("SUM_View::set_activity");
  if (is_null() || activity.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  view_server_h server = nullptr;
  int status = handle(server);
  if (status == 0)
    status = view_check_owner(server, "set the activity of");
  if (status == TBS_ST_NO_PERMISSION)
    return trace.checked(__LINE__, SUM_FAILED);
  SUM_Stream attached;
  if (status == 0)
    status = check_set_activity(activity, attached);
  int integrating = 0;
  SUM_Activity current;
  if (status == 0)
    status = has_active_integration_activity(integrating, current);
  if (status != 0)
    return trace.checked(__LINE__, status);
  // No change-management task provider service is available to consult
  // here: setting an activity goes on as where none applies.
  SUM_View set_in;
  SUM_String view_tag;
  status = activity.current_view(set_in);
  if (status == 0 && set_in == *this) {
    tag(view_tag);
    imsg_print(IMSG_ERROR, sum_msg::AlreadySet, activity.any_fullname(), view_tag);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  SUM_Project project;
  if ((status = tag(view_tag)) == 0)
    status = project_of(attached, project);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_TrigSetAct trigger(activity, view_tag, attached, project, comment);
  if ((status = trigger.fire_preop()) != 0)
    return trace.checked(__LINE__, status);
  // The tracker is told of the change only for streams bound to it
  // (is_tk_enabled), which none is until the tracker binding exists.
  if ((status = record_activity(attached.vob(), activity, comment)) != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

int SUM_View::unset_activity(int flag, const char* comment) const {
  SUM_Trace trace("SUM_View::unset_activity");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Stream attached;
  SUM_Project project;
  SUM_String view_tag;
  int integrating = 0;
  SUM_Activity current;
  view_server_h server = nullptr;
  int status = handle(server);
  if (status == 0)
    status = view_check_owner(server, "set the activity of");
  if (status == TBS_ST_NO_PERMISSION)
    return trace.checked(__LINE__, SUM_FAILED);
  if (status == 0)
    status = stream(attached);
  if (status == 0)
    status = has_active_integration_activity(integrating, current);
  if (status == 0)
    status = read_current_activity(attached.vob(), current);
  if (status == 0)
    status = tag(view_tag);
  if (status == 0)
    status = project_of(attached, project);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_TrigSetActNone trigger(view_tag, current, attached, project, flag, comment);
  if ((status = trigger.fire_preop()) != 0)
    return trace.checked(__LINE__, status);
  // A view without a current activity has no binding to remove.
  if (!current.is_null() &&
      (status = record_activity(attached.vob(), SUM_Activity(), comment)) != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

int SUM_View::has_active_integration_activity(int& has, SUM_Activity& activity) const {
  SUM_Trace trace("SUM_View::has_active_integration_activity");
  has = 0;
  SUM_Activity current;
  int status = current_activity(current);
  if (status == SUM_NOT_FOUND || (status == 0 && current.is_null()))
    return SUM_OK;
  int is = 0, in_progress = 0;
  if (status == 0)
    status = current.is_integration_activity(is, in_progress);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!is || !in_progress)
    return SUM_OK;
  has = 1;
  activity = current;
  imsg_print(IMSG_ERROR, sum_msg::IntegrationActive, any_name(), current.any_fullname());
  return trace.checked(__LINE__, SUM_FAILED);
}

int SUM_View::is_tk_enabled(int& out) const {
  SUM_Trace trace("SUM_View::is_tk_enabled");
  SUM_Stream attached;
  int status = stream(attached);
  if (status != 0)
    return trace.checked(__LINE__, status);
  // No stream is bound to the change-request tracker until the tracker
  // binding exists; nothing asks the tracker bridge before then.
  out = 0;
  return SUM_OK;
}

// ---- checkouts and VOBs ----

int SUM_View::known_vobs(SUM_VobList& out) const {
  SUM_Trace trace("SUM_View::known_vobs");
  std::vector<view_ckout_t> held;
  int status = held_checkouts(*this, held);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_VobList found;
  for (const view_ckout_t& c : held)
    if (found.find(SUM_Vob(c.vob)) < 0)
      found.append(SUM_Vob(c.vob));
  out = found;
  return SUM_OK;
}

int SUM_View::checkouts_in_vob(vob_vob_h vob, const tbs_uuid_t& view, SUM_VersionList& out) const {
  SUM_Trace trace("SUM_View::checkouts_in_vob");
  if (vob == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_View holder;
  std::vector<view_ckout_t> held;
  int status = construct_from_uuid(SUM_Uuid(view), holder);
  if (status == 0)
    status = held_checkouts(holder, held);
  if (status != 0)
    return trace.checked(__LINE__, status);
  for (const view_ckout_t& c : held)
    if (c.vob == vob)
      out.append(SUM_Version(SUM_Vob(c.vob), c.version));
  return SUM_OK;
}

int SUM_View::checkouts(SUM_VersionList& out) const {
  SUM_Trace trace("SUM_View::checkouts");
  std::vector<view_ckout_t> held;
  int status = held_checkouts(*this, held);
  if (status != 0)
    return trace.checked(__LINE__, status);
  // Checkouts in components of the view's stream only: the (VOB, root
  // directory element) pairs of those components.
  SUM_Stream attached;
  SUM_ComponentList components;
  status = stream(attached);
  bool filtered = status == 0;
  if (status == 0)
    status = attached.components(components);
  if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  std::set<std::pair<vob_vob_h, tbs_dbid_t>> roots;
  for (unsigned i = 0; filtered && i < components.count(); ++i) {
    int has = 0, invalid = 0;
    SUM_VobObject root;
    status = components[i].has_crde(has);
    if (status == 0 && has)
      status = components[i].crde(root, invalid);
    if (status != 0) {
      imsg_print(IMSG_ERROR, sum_view_msg::ComponentUnreadable, attached.any_fullname());
      return trace.checked(__LINE__, status);
    }
    if (has && !invalid)
      roots.insert({root.vob().handle(), root.dbid()});
  }
  SUM_VersionList found;
  for (const view_ckout_t& c : held) {
    SUM_Version version(SUM_Vob(c.vob), c.version);
    if (filtered) {
      SUM_Element element, crde;
      status = version.element(element);
      if (status == 0)
        status = element.crde(crde);
      if (status == SUM_NOT_FOUND)
        continue;  // outside every component
      if (status != 0)
        return trace.checked(__LINE__, status);
      if (roots.count({c.vob, crde.dbid()}) == 0)
        continue;
    }
    found.append(version);
  }
  out = found;
  return SUM_OK;
}

int SUM_View::has_checkouts(int& has) const {
  SUM_Trace trace("SUM_View::has_checkouts");
  SUM_VersionList found;
  int status = checkouts(found);
  if (status != 0)
    return trace.checked(__LINE__, status);
  has = found.count() > 0 ? 1 : 0;
  return SUM_OK;
}

// ---- plain entry points ----

int sum_view_get_stream(view_server_h view, vob_vob_h* pvob, tbs_dbid_t* stream) {
  SUM_Trace trace("sum_view_get_stream");
  if (view == nullptr || pvob == nullptr || stream == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  *pvob = nullptr;
  *stream = 0;
  SUM_Stream found;
  int status = SUM_View(view).stream(found);
  if (status == SUM_NOT_FOUND)
    return SUM_NOT_FOUND;
  if (status != 0)
    return trace.checked(__LINE__, status);
  *pvob = found.vob().handle();
  *stream = found.dbid();
  return SUM_OK;
}

int sum_view_checkouts_allowed(view_server_h view, vob_vob_h vob, tbs_dbid_t element, int flags,
                               int* zem_view, int* allowed) {
  (void)flags;
  SUM_Trace trace("sum_view_checkouts_allowed");
  if (view == nullptr || vob == nullptr || element == 0 || zem_view == nullptr ||
      allowed == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  *zem_view = 0;
  *allowed = 1;
  SUM_View handle(view);
  SUM_Stream attached;
  int status = remembered_stream(handle, attached);
  if (status == SUM_NOT_FOUND)  // a view outside the ZEM layer
    return SUM_OK;
  if (status != 0)
    return trace.checked(__LINE__, status);
  *zem_view = 1;
  int may = 0;
  status = attached.checkouts_allowed(handle, SUM_Element(SUM_Vob(vob), element), may);
  if (status != 0)
    return trace.checked(__LINE__, status);
  *allowed = may;
  return SUM_OK;
}

int sum_view_integration_in_progress(view_server_h view, int* in_progress) {
  SUM_Trace trace("sum_view_integration_in_progress");
  if (view == nullptr || in_progress == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  *in_progress = 0;
  SUM_Activity current;
  int status = SUM_View(view).current_activity(current);
  if (status == SUM_NOT_FOUND || (status == 0 && current.is_null()))
    return SUM_OK;
  int is = 0, running = 0;
  if (status == 0)
    status = current.is_integration_activity(is, running);
  if (status != 0)
    return trace.checked(__LINE__, status);
  *in_progress = is && running ? 1 : 0;
  return SUM_OK;
}
