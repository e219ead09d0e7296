// SUM_Stream: creation, naming, titles, structure, the default deliver
// target and removal of streams. Branch types, views, mastership, the task
// provider and policies live in the sum_stream_*.cpp files beside this one.
#include "sum/sum_stream.h"

#include <memory>
#include <string>

#include "services/imsg.h"
#include "services/view.h"
#include "services/vob_trig.h"
#include "services/vob_zem.h"
#include "services/vob_zem_baseline.h"
#include "services/vob_zem_stream.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_event_info.h"
#include "sum/sum_new_config.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_title.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"
#include "sum/sum_utl_names.h"

namespace {

constexpr const char* kSource = "sum_stream";

// Whether `name` may name a new or renamed stream of `vob` (1 yes; 0 after
// the naming utility's message).
int name_ok(const char* name, const SUM_Vob& vob) {
  vob_mtype_t mtype = vob.supports_fc_objs() ? VOB_MTYPE_STREAM : VOB_MTYPE_ACTIVITY_LIKE;
  return sum_utl_is_usable_name(name, mtype, vob);
}

// The object named by universal selector `selector` in `vob`; 1002 when
// the selector is empty or names nothing any more.
int resolve(const SUM_Vob& vob, const SUM_String& selector, tbs_dbid_t& dbid) {
  if (selector.GetLength() == 0)
    return SUM_NOT_FOUND;
  SUM_StringList selectors;
  selectors.append(selector);
  vob_vob_h handle = nullptr;
  int status = sum_utl_resolve_univ_selectors(selectors, &handle, &dbid, 1);
  (void)vob;
  return status == SUM_FAILED ? SUM_NOT_FOUND : status;
}

// The tag of the view with UUID `view`, or the UUID text when it has none.
std::string view_name(const SUM_Uuid& view) {
  std::string text = static_cast<const char*>(view.string());
  view_server_h handle = nullptr;
  if (view_get_handle_by_uuid(text.c_str(), &handle) == 0) {
    view_tag(handle, text);
    view_free_handle(handle);
  }
  return text;
}

}  // namespace

int SUM_Stream::flags(unsigned int& out) const {
  return vob_zem_stream_get_flags(vob_.handle(), dbid_, &out);
}

int SUM_Stream::integration_stream(const SUM_Project& project, SUM_Stream& out) {
  SUM_Trace trace("SUM_Stream::integration_stream");
  if (project.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String selector;
  int status = project.pvar(PVAR_ZEM_PROJ_SUM_PROJ_INT_STREAM, selector);
  tbs_dbid_t dbid = 0;
  if (status == 0)
    status = resolve(project.vob(), selector, dbid);
  if (status == SUM_NOT_FOUND)
    return SUM_NOT_FOUND;
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Stream(project.vob(), dbid);
  return SUM_OK;
}

int SUM_Stream::check_create(const SUM_Project& project, const SUM_Stream& parent, int integration,
                             int read_only) {
  SUM_Trace trace("SUM_Stream::check_create");
  const SUM_Vob& vob = project.vob();
  if (read_only) {
    int below = 0;
    int status = vob.is_feature_level_lt(kReadOnlyFeatureLevel, below);
    if (status != 0)
      return trace.checked(__LINE__, status);
    if (below) {
      imsg_print(IMSG_ERROR, sum_stream_msg::ReadOnlyLevel, vob.any_name());
      return trace.checked(__LINE__, SUM_FAILED);
    }
  }
  if (!parent.is_null()) {
    unsigned int parent_flags = 0;
    int status = parent.flags(parent_flags);
    if (status != 0)
      return trace.checked(__LINE__, status);
    if (parent_flags & VOB_ZEM_STREAM_READ_ONLY) {
      imsg_print(IMSG_ERROR, sum_stream_msg::ParentReadOnly, parent.any_fullname());
      return trace.checked(__LINE__, SUM_FAILED);
    }
    // Refusal 81 (sum_stream_mod_comps.cpp).
    if ((status = check_parent_mod_comps(parent)) != 0)
      return trace.checked(__LINE__, status);
  }
  SUM_Stream existing;
  int status = integration_stream(project, existing);
  if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  int has_integration = status == 0 ? 1 : 0;
  int simple = 0;
  if ((status = project.is_single_stream_project(simple)) != 0)
    return trace.checked(__LINE__, status);
  if (simple && has_integration) {
    imsg_print(IMSG_ERROR, sum_stream_msg::SimpleNoChild, project.any_fullname(),
               existing.any_fullname());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  if (integration) {
    int local = 0;
    if ((status = project.has_local_mastership(local)) != 0)
      return trace.checked(__LINE__, status);
    if (!local) {
      imsg_print(IMSG_ERROR, sum_stream_msg::IntegrationMastership);
      return trace.checked(__LINE__, SUM_FAILED);
    }
    if (has_integration) {
      imsg_print(IMSG_ERROR, sum_stream_msg::SecondIntegration, project.any_fullname(),
                 existing.any_fullname());
      return trace.checked(__LINE__, SUM_FAILED);
    }
  }
  return SUM_OK;
}

int SUM_Stream::create(const char* name, const char* comment, const SUM_Project& project,
                       const SUM_Stream& parent, const char* title, int integration, int read_only,
                       const SUM_BaselineList& baselines, SUM_Stream& out) {
  SUM_Trace trace("SUM_Stream::create");
  if (project.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  const SUM_Vob& vob = project.vob();
  int status = 0;
  if (!parent.is_null()) {
    SUM_Project owner;
    if ((status = parent.project(owner)) != 0)
      return trace.checked(__LINE__, status);
    if (integration || owner != project)
      return trace.checked(__LINE__, SUM_FAILED);
  }
  // Foundation: a valid configuration before anything else (sum_stream_config.cpp).
  std::unique_ptr<SUM_NewConfig> config;
  if ((status = check_foundation(project, parent, integration, baselines, config)) != 0)
    return trace.checked(__LINE__, status);
  if ((status = check_create(project, parent, integration, read_only)) != 0)
    return trace.checked(__LINE__, status);
  if (!name_ok(name, vob))
    return trace.checked(__LINE__, SUM_FAILED);

  SUM_Stream place = parent;
  if (place.is_null() && !integration) {
    status = integration_stream(project, place);
    if (status != 0 && status != SUM_NOT_FOUND)
      return trace.checked(__LINE__, status);
  }
  SUM_TrigMkStream trigger(project, place, place.is_null() ? 0 : 1, comment);
  if ((status = trigger.fire_preop()) != 0)
    return trace.checked(__LINE__, status);

  // Every write of the stream (object, title, branch type, foundation, the
  // project's integration stream) is one transaction of the project VOB,
  // and one of the admin VOB when the branch type lives elsewhere: a crash
  // leaves the stream whole or absent. The project VOB commits first, so
  // that no branch type outlives a stream that was never made.
  SUM_Vob admin;
  if ((status = vob.admin_vob(admin, 1)) == SUM_NOT_FOUND)
    admin = vob;
  else if (status != 0)
    return trace.checked(__LINE__, status);
  vob_write_group group(vob.handle());
  std::unique_ptr<vob_write_group> admin_group;
  if (admin.handle() != vob.handle())
    admin_group = std::make_unique<vob_write_group>(admin.handle());
  if ((status = group.status()) != 0 || (admin_group && (status = admin_group->status()) != 0))
    return trace.checked(__LINE__, status);
  SUM_Stream made;
  status = write_new(name, comment, project, place, title, integration, read_only, *config, made);
  if (status == 0)
    status = group.commit();
  if (status == 0 && admin_group)
    status = admin_group->commit();
  if (status != 0)
    return trace.checked(__LINE__, status);
  trigger.fire_postop(made);
  out = made;
  return SUM_OK;
}

int SUM_Stream::write_new(const char* name, const char* comment, const SUM_Project& project,
                          const SUM_Stream& place, const char* title, int integration,
                          int read_only, SUM_NewConfig& config, SUM_Stream& out) {
  SUM_Trace trace("SUM_Stream::write_new");
  const SUM_Vob& vob = project.vob();
  unsigned int bits =
      (integration ? VOB_ZEM_STREAM_INTEGRATION : 0U) | (read_only ? VOB_ZEM_STREAM_READ_ONLY : 0U);
  SUM_EventInfo event(comment, kOpCreate);
  tbs_dbid_t dbid = 0;
  int status =
      vob_zem_stream_create(vob.handle(), name, place.is_null() ? project.dbid() : place.dbid(),
                            bits, event.info(), &dbid);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_Stream made(vob, dbid);
  if (title != nullptr && *title != '\0')
    status = vob_zem_stream_set_title(vob.handle(), dbid, title, event.info());
  if (status == 0 && !read_only)
    status = made.make_branch_type(comment);
  // Foundation: committed once object and branch type exist (sum_stream_config.cpp).
  if (status == 0)
    status = made.commit_foundation(config, integration, comment);
  if (status == 0 && integration) {
    SUM_String selector;
    status = made.univ_selector(selector);
    if (status == 0)
      status = project.set_pvar(PVAR_ZEM_PROJ_SUM_PROJ_INT_STREAM, selector, kOpCreate, comment);
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = made;
  return SUM_OK;
}

int SUM_Stream::remove_object(const char* comment) const {
  SUM_Trace trace("SUM_Stream::remove_object");
  SUM_EventInfo event(comment, kOpRemove);
  return trace.checked(__LINE__, vob_zem_stream_delete(vob_.handle(), dbid_, event.info()));
}

int SUM_Stream::set_name(const char* name, const char* comment) const {
  SUM_Trace trace("SUM_Stream::set_name");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (!name_ok(name, vob_))
    return trace.checked(__LINE__, SUM_FAILED);
  // A lock refuses in check_permission, which says why.
  SUM_Project owner;
  int status = project(owner);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_TrigChStream trigger(*this, owner, "name", comment);
  if ((status = trigger.fire_preop()) != 0 || (status = check_permission()) != 0)
    return trace.checked(__LINE__, status);
  if ((status = set_name_basic(name, comment)) != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

int SUM_Stream::title(SUM_String& out) const {
  SUM_Trace trace("SUM_Stream::title");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  auto stored = [&](std::string& text) {
    return vob_zem_stream_get_title(vob_.handle(), dbid_, text);
  };
  return trace.checked(__LINE__, sum_read_title(*this, stored, out));
}

int SUM_Stream::set_title(const char* new_title, const char* comment) const {
  SUM_Trace trace("SUM_Stream::set_title");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  const char* wanted = nullptr;
  int changes = 0;
  int status = sum_title_changes(*this, new_title, wanted, changes);
  if (status != 0 || !changes)
    return trace.checked(__LINE__, status);
  // A lock refuses in check_permission, which says why.
  SUM_Project owner;
  if ((status = project(owner)) != 0)
    return trace.checked(__LINE__, status);
  SUM_TrigChStream trigger(*this, owner, "title", comment);
  return trace.checked(__LINE__, sum_write_title(*this, trigger, [&] {
                         SUM_EventInfo event(comment, kOpChange);
                         return vob_zem_stream_set_title(vob_.handle(), dbid_, wanted,
                                                         event.info());
                       }));
}

int SUM_Stream::set_display_name(const char* display, const char* comment) const {
  SUM_Trace trace("SUM_Stream::set_display_name");
  return trace.checked(__LINE__, set_title(display, comment));
}

int SUM_Stream::project(SUM_Project& out) const {
  SUM_Trace trace("SUM_Stream::project");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_dbid_t dbid = 0;
  int status = vob_zem_stream_get_project(vob_.handle(), dbid_, &dbid);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Project(vob_, dbid);
  return SUM_OK;
}

int SUM_Stream::parent_stream(SUM_Stream& out) const {
  SUM_Trace trace("SUM_Stream::parent_stream");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_dbid_t dbid = 0;
  int status = vob_zem_stream_get_parent_stream(vob_.handle(), dbid_, &dbid);
  if (status == SUM_NOT_FOUND)
    return SUM_NOT_FOUND;
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Stream(vob_, dbid);
  return SUM_OK;
}

int SUM_Stream::has_flag(const char* operation, unsigned int flag, int& result) const {
  SUM_Trace trace(operation);
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  unsigned int bits = 0;
  int status = flags(bits);
  if (status != 0)
    return trace.checked(__LINE__, status);
  result = (bits & flag) ? 1 : 0;
  return SUM_OK;
}

int SUM_Stream::is_integration(int& result) const {
  return has_flag("SUM_Stream::is_integration", VOB_ZEM_STREAM_INTEGRATION, result);
}

int SUM_Stream::is_read_only(int& result) const {
  return has_flag("SUM_Stream::is_read_only", VOB_ZEM_STREAM_READ_ONLY, result);
}

int SUM_Stream::has_streams(int& result) const {
  SUM_Trace trace("SUM_Stream::has_streams");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<tbs_dbid_t> children;
  int status = vob_zem_stream_next_children(vob_.handle(), dbid_, 0, 1, children);
  if (status != 0)
    return trace.checked(__LINE__, status);
  result = children.empty() ? 0 : 1;
  return SUM_OK;
}

SUM_Stream::ChildIter* SUM_Stream::child_streams() const {
  if (is_null()) {
    sum_int_error(kSource, "SUM_Stream::child_streams", __LINE__);
    return nullptr;
  }
  return new ChildIter(*this);
}

int SUM_Stream::project_streams(const SUM_Project& project, std::vector<SUM_Stream>& out) {
  SUM_Trace trace("SUM_Stream::project_streams");
  if (project.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  constexpr size_t kChunk = 32;
  std::vector<SUM_Stream> found;
  std::vector<tbs_dbid_t> chunk;
  for (size_t offset = 0;; offset += kChunk) {
    int status =
        vob_zem_project_next_streams(project.vob().handle(), project.dbid(), offset, kChunk, chunk);
    if (status != 0)
      return trace.checked(__LINE__, status);
    for (tbs_dbid_t dbid : chunk)
      found.emplace_back(project.vob(), dbid);
    if (chunk.size() < kChunk)
      break;
  }
  out.insert(out.end(), found.begin(), found.end());
  return SUM_OK;
}

int SUM_Stream::deliver_stream(SUM_Stream& out) const {
  SUM_Trace trace("SUM_Stream::deliver_stream");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  unsigned int bits = 0;
  int status = flags(bits);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (bits & VOB_ZEM_STREAM_READ_ONLY)
    return SUM_NOT_FOUND;
  if (!(bits & VOB_ZEM_STREAM_INTEGRATION))
    return parent_stream(out);
  SUM_String selector;
  if ((status = pvar(PVAR_ZEM_STRM_ZEM_DELIVER_TGT, selector)) != 0)
    return trace.checked(__LINE__, status);
  tbs_dbid_t dbid = 0;
  status = resolve(vob_, selector, dbid);
  if (status == SUM_NOT_FOUND)
    return SUM_NOT_FOUND;
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Stream(vob_, dbid);
  return SUM_OK;
}

int SUM_Stream::set_deliver_stream(const SUM_Stream& target, const char* comment) const {
  SUM_Trace trace("SUM_Stream::set_deliver_stream");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int integration = 0;
  int status = is_integration(integration);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!integration) {
    imsg_print(IMSG_ERROR, sum_stream_msg::TargetNotIntegration);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  SUM_Project owner;
  if ((status = project(owner)) != 0)
    return trace.checked(__LINE__, status);
  SUM_String selector;
  if (!target.is_null()) {
    int local = 0;
    if ((status = target.has_local_mastership(local)) != 0)
      return trace.checked(__LINE__, status);
    if (!local) {
      imsg_print(IMSG_ERROR, sum_stream_msg::TargetOtherReplica);
      return trace.checked(__LINE__, SUM_FAILED);
    }
    if (target == *this) {
      imsg_print(IMSG_ERROR, sum_stream_msg::TargetIsSelf);
      return trace.checked(__LINE__, SUM_FAILED);
    }
    int simple = 0;
    if (owner.is_single_stream_project(simple) != 0) {
      imsg_print(IMSG_ERROR, sum_stream_msg::ModelUnknown, any_fullname());
      return trace.checked(__LINE__, SUM_FAILED);
    }
    if (simple) {
      imsg_print(IMSG_ERROR, sum_stream_msg::SimpleNoTarget, any_fullname());
      return trace.checked(__LINE__, SUM_FAILED);
    }
    if ((status = target.univ_selector(selector)) != 0)
      return trace.checked(__LINE__, status);
  }
  SUM_TrigChStream trigger(*this, owner, "deliver target", comment);
  if ((status = trigger.fire_preop()) != 0 || (status = check_permission()) != 0)
    return trace.checked(__LINE__, status);
  if ((status = set_pvar(PVAR_ZEM_STRM_ZEM_DELIVER_TGT, selector, kOpChange, comment)) != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

int SUM_Stream::ok_to_destroy(int& ok) const {
  SUM_Trace trace("SUM_Stream::ok_to_destroy");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int referenced = 0;
  int status = trtype_refs_refuse(sum_stream_msg::TriggerTypeRefs, referenced);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (referenced) {
    ok = 0;
    return SUM_OK;
  }
  std::vector<tbs_dbid_t> placed;
  status = vob_zem_stream_next_activities(vob_.handle(), dbid_, 0, 1, placed);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!placed.empty()) {
    imsg_print(IMSG_ERROR, sum_stream_msg::HasActivities);
    ok = 0;
    return SUM_OK;
  }
  int children = 0;
  if ((status = has_streams(children)) != 0)
    return trace.checked(__LINE__, status);
  if (children) {
    imsg_print(IMSG_ERROR, sum_stream_msg::HasChildStreams);
    ok = 0;
    return SUM_OK;
  }
  if ((status = vob_zem_stream_next_baselines(vob_.handle(), dbid_, 0, 1, placed)) != 0)
    return trace.checked(__LINE__, status);
  if (!placed.empty()) {
    imsg_print(IMSG_ERROR, sum_stream_msg::HasBaselines);
    ok = 0;
    return SUM_OK;
  }
  SUM_UuidList attached;
  if ((status = views(attached)) != 0)
    return trace.checked(__LINE__, status);
  for (unsigned i = 0; i < attached.count(); ++i)
    imsg_print(IMSG_ERROR, sum_stream_msg::HasView, view_name(attached[i]).c_str());
  ok = attached.count() == 0 ? 1 : 0;
  return SUM_OK;
}

int SUM_Stream::destroy(const char* comment) {
  SUM_Trace trace("SUM_Stream::destroy");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = check_change_permission();
  if (status != 0)
    return trace.checked(__LINE__, status);
  int ok = 0;
  status = ok_to_destroy(ok);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!ok)
    return trace.checked(__LINE__, SUM_FAILED);
  SUM_Project owner;
  int integration = 0;
  if ((status = project(owner)) != 0 || (status = is_integration(integration)) != 0)
    return trace.checked(__LINE__, status);
  SUM_TrigRmStream trigger(*this, owner, comment);
  if ((status = trigger.fire_preop()) != 0)
    return trace.checked(__LINE__, status);
  std::vector<SUM_NamedObject> types;
  if ((status = own_branch_types(types)) != 0)
    return trace.checked(__LINE__, status);
  if ((status = remove_object(comment)) != 0)
    return trace.checked(__LINE__, status);
  remove_branch_types(types, comment);
  if (integration)
    owner.set_pvar(PVAR_ZEM_PROJ_SUM_PROJ_INT_STREAM, "", kOpRemove, comment);
  dbid_ = 0;
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

int SUM_Stream::ChildIter::current_item(SUM_Stream& item) const {
  if (is_done())
    return sum_int_error(kSource, "SUM_Stream::ChildIter::current_item", __LINE__);
  item = SUM_Stream(vob(), current_dbid());
  return 0;
}

int SUM_Stream::ChildIter::fetch(size_t offset, size_t max, std::vector<tbs_dbid_t>& out) {
  SUM_Trace trace("SUM_Stream::ChildIter::fetch");
  return trace.checked(__LINE__,
                       vob_zem_stream_next_children(vob().handle(), parent_, offset, max, out));
}
