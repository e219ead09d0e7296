// The trigger objects of the ZEM operations: what each puts into the
// environment record and which object each acts on.
#include "sum/sum_triggers.h"

#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_triggers";

}  // namespace

// ---- activities --------------------------------------------------------------------

SUM_TrigMkAct::SUM_TrigMkAct(const SUM_VobObject& stream, const SUM_VobObject& project,
                             const SUM_String& comment)
    : SUM_TriggerBase(VOB_OP_MKACTIVITY, comment), stream_(stream), project_(project) {}

int SUM_TrigMkAct::setup_env_vars() {
  SUM_Trace trace("SUM_TrigMkAct::setup_env_vars");
  fill(env_.stream, stream_);
  fill(env_.project, project_);
  return trace.checked(__LINE__, set_vob_obj(stream_));
}

void SUM_TrigMkAct::set_new_obj_name(const SUM_String& name) {
  keep(env_.activity.new_name, name);
}

SUM_TrigChAct::SUM_TrigChAct(const SUM_VobObject& activity, const SUM_String& comment,
                             const SUM_VobObject& stream, const SUM_VobObject& project)
    : SUM_TriggerBase(VOB_OP_CHACTIVITY, comment),
      activity_(activity),
      source_(activity),
      stream_(stream),
      project_(project) {}

SUM_TrigChAct::SUM_TrigChAct(const SUM_VobObject& activity, const SUM_String& comment,
                             const SUM_VobObject& source, const SUM_VobObject& target,
                             const SUM_VobObject& version, const SUM_String& view_tag,
                             const SUM_VobObject& stream, const SUM_VobObject& project)
    : SUM_TriggerBase(VOB_OP_CHACTIVITY, comment),
      activity_(activity),
      source_(source),
      target_(target),
      version_(version),
      stream_(stream),
      project_(project),
      move_view_tag_(view_tag) {}

int SUM_TrigChAct::setup_env_vars() {
  SUM_Trace trace("SUM_TrigChAct::setup_env_vars");
  fill(env_.activity, source_);
  fill(env_.to_activity, target_);
  fill(env_.version, version_);
  fill(env_.stream, stream_);
  fill(env_.project, project_);
  if (move_view_tag_.GetLength() > 0)
    set_view_tag(move_view_tag_);
  return trace.checked(__LINE__, set_vob_obj(activity_));
}

SUM_TrigRmAct::SUM_TrigRmAct(const SUM_VobObject& activity, const SUM_VobObject& stream,
                             const SUM_VobObject& project, const SUM_String& comment)
    : SUM_TriggerBase(VOB_OP_RMACTIVITY, comment),
      activity_(activity),
      stream_(stream),
      project_(project) {}

int SUM_TrigRmAct::setup_env_vars() {
  SUM_Trace trace("SUM_TrigRmAct::setup_env_vars");
  fill(env_.activity, activity_);
  fill(env_.stream, stream_);
  fill(env_.project, project_);
  return trace.checked(__LINE__, set_vob_obj(activity_));
}

SUM_TrigSetAct::SUM_TrigSetAct(const SUM_VobObject& activity, const SUM_String& view_tag,
                               const SUM_VobObject& stream, const SUM_VobObject& project,
                               const SUM_String& comment)
    : SUM_TriggerBase(VOB_OP_SETACTIVITY, comment),
      activity_(activity),
      stream_(stream),
      project_(project) {
  view_tag_ = view_tag;
}

int SUM_TrigSetAct::setup_env_vars() {
  SUM_Trace trace("SUM_TrigSetAct::setup_env_vars");
  fill(env_.activity, activity_);
  fill(env_.stream, stream_);
  fill(env_.project, project_);
  return trace.checked(__LINE__, set_vob_obj(activity_));
}

SUM_TrigSetActNone::SUM_TrigSetActNone(const SUM_String& view_tag, const SUM_VobObject& activity,
                                       const SUM_VobObject& stream, const SUM_VobObject& project,
                                       const int in_stream, const SUM_String& comment)
    : SUM_TriggerBase(VOB_OP_SETACTIVITY_NONE, comment),
      activity_(activity),
      stream_(stream),
      project_(project),
      in_stream_(in_stream) {
  view_tag_ = view_tag;
}

int SUM_TrigSetActNone::setup_env_vars() {
  SUM_Trace trace("SUM_TrigSetActNone::setup_env_vars");
  fill(env_.activity, activity_);
  fill(env_.stream, stream_);
  fill(env_.project, project_);
  return trace.checked(__LINE__, set_vob_obj(in_stream_ != 0 ? stream_ : project_));
}

// ---- streams ------------------------------------------------------------------------

SUM_TrigMkStream::SUM_TrigMkStream(const SUM_VobObject& project, const SUM_VobObject& parent_stream,
                                   const int in_parent, const SUM_String& comment)
    : SUM_TriggerBase(VOB_OP_MKSTREAM, comment),
      project_(project),
      parent_stream_(parent_stream),
      in_parent_(in_parent) {}

int SUM_TrigMkStream::setup_env_vars() {
  SUM_Trace trace("SUM_TrigMkStream::setup_env_vars");
  fill(env_.project, project_);
  fill(env_.parent_stream, parent_stream_);
  return trace.checked(__LINE__, set_vob_obj(in_parent_ == 1 ? parent_stream_ : project_));
}

void SUM_TrigMkStream::set_new_obj_name(const SUM_String& name) {
  keep(env_.stream.new_name, name);
}

SUM_TrigChStream::SUM_TrigChStream(const SUM_VobObject& stream, const SUM_VobObject& project,
                                   const SUM_String& change, const SUM_String& comment)
    : SUM_TriggerBase(VOB_OP_CHSTREAM, comment),
      stream_(stream),
      project_(project),
      change_(change) {}

int SUM_TrigChStream::setup_env_vars() {
  SUM_Trace trace("SUM_TrigChStream::setup_env_vars");
  fill(env_.stream, stream_);
  fill(env_.project, project_);
  int status = keep(env_.change, change_);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, set_vob_obj(stream_));
}

SUM_TrigRmStream::SUM_TrigRmStream(const SUM_VobObject& stream, const SUM_VobObject& project,
                                   const SUM_String& comment)
    : SUM_TriggerBase(VOB_OP_RMSTREAM, comment), stream_(stream), project_(project) {}

int SUM_TrigRmStream::setup_env_vars() {
  SUM_Trace trace("SUM_TrigRmStream::setup_env_vars");
  fill(env_.stream, stream_);
  fill(env_.project, project_);
  return trace.checked(__LINE__, set_vob_obj(stream_));
}

// ---- baselines -------------------------------------------------------------------------

SUM_TrigMkBl::SUM_TrigMkBl(const SUM_VobObject& component, const SUM_String& comment,
                           const SUM_VobObject& stream, const SUM_VobObject& project)
    : SUM_TriggerBase(VOB_OP_MKBL, comment),
      component_(component),
      stream_(stream),
      project_(project) {}

int SUM_TrigMkBl::setup_env_vars() {
  SUM_Trace trace("SUM_TrigMkBl::setup_env_vars");
  fill(env_.component, component_);
  fill(env_.stream, stream_);
  fill(env_.project, project_);
  return trace.checked(__LINE__, set_vob_obj(component_));
}

void SUM_TrigMkBl::set_new_obj_name(const SUM_String& name) {
  keep(env_.baseline_new_name, name);
}

SUM_TrigChBl::SUM_TrigChBl(const SUM_VobObject& baseline, const SUM_VobObject& component,
                           const SUM_VobObject& stream, const SUM_VobObject& project,
                           const SUM_String& change, const SUM_String& comment)
    : SUM_TriggerBase(VOB_OP_CHBL, comment),
      baseline_(baseline),
      component_(component),
      stream_(stream),
      project_(project),
      change_(change) {}

int SUM_TrigChBl::setup_env_vars() {
  SUM_Trace trace("SUM_TrigChBl::setup_env_vars");
  SUM_VobObjectList one;
  one.append(baseline_);
  int status = fill(env_.baselines, one);
  if (status == 0)
    status = keep(env_.baseline_change, change_);
  if (status != 0)
    return trace.checked(__LINE__, status);
  fill(env_.component, component_);
  fill(env_.stream, stream_);
  fill(env_.project, project_);
  return trace.checked(__LINE__, set_vob_obj(baseline_));
}

SUM_TrigRmBl::SUM_TrigRmBl(const SUM_VobObject& baseline, const SUM_VobObject& component,
                           const SUM_VobObject& stream, const SUM_VobObject& project,
                           const SUM_String& comment)
    : SUM_TriggerBase(VOB_OP_RMBL, comment),
      baseline_(baseline),
      component_(component),
      stream_(stream),
      project_(project) {}

int SUM_TrigRmBl::setup_env_vars() {
  SUM_Trace trace("SUM_TrigRmBl::setup_env_vars");
  SUM_VobObjectList one;
  one.append(baseline_);
  int status = fill(env_.baselines, one);
  if (status != 0)
    return trace.checked(__LINE__, status);
  fill(env_.component, component_);
  fill(env_.stream, stream_);
  fill(env_.project, project_);
  return trace.checked(__LINE__, set_vob_obj(baseline_));
}

SUM_TrigMkBlComplete::SUM_TrigMkBlComplete(const SUM_VobObject& stream,
                                           const SUM_VobObject& project,
                                           const SUM_VobObjectList& baselines,
                                           const SUM_VobObjectList& other_baselines,
                                           const SUM_String& comment)
    : SUM_TriggerBase(VOB_OP_MKBL_COMPLETE, comment),
      stream_(stream),
      project_(project),
      baselines_(baselines),
      other_baselines_(other_baselines) {}

int SUM_TrigMkBlComplete::setup_env_vars() {
  SUM_Trace trace("SUM_TrigMkBlComplete::setup_env_vars");
  fill(env_.stream, stream_);
  fill(env_.project, project_);
  int status = fill(env_.baselines, baselines_);
  if (status == 0)
    status = fill(env_.other_baselines, other_baselines_);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, set_vob_obj(stream_));
}

// ---- projects and folders ----------------------------------------------------------------

SUM_TrigMkProj::SUM_TrigMkProj(const SUM_VobObject& folder, const SUM_String& name,
                               const SUM_String& comment)
    : SUM_TriggerBase(VOB_OP_MKPROJECT, comment), folder_(folder), name_(name) {}

int SUM_TrigMkProj::setup_env_vars() {
  SUM_Trace trace("SUM_TrigMkProj::setup_env_vars");
  fill(env_.folder, folder_);
  int status = keep(env_.project.new_name, name_);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, set_vob_obj(folder_));
}

void SUM_TrigMkProj::set_new_obj_name(const SUM_String& name) {
  keep(env_.project.new_name, name);
}

SUM_TrigChProj::SUM_TrigChProj(const SUM_VobObject& project, const SUM_VobObject& folder,
                               const SUM_VobObject& new_parent, const SUM_String& comment)
    : SUM_TriggerBase(VOB_OP_CHPROJECT, comment),
      project_(project),
      folder_(folder),
      new_parent_(new_parent) {}

int SUM_TrigChProj::setup_env_vars() {
  SUM_Trace trace("SUM_TrigChProj::setup_env_vars");
  fill(env_.folder, folder_);
  fill(env_.parent_folder, new_parent_);
  fill(env_.project, project_);
  return trace.checked(__LINE__, set_vob_obj(project_));
}

SUM_TrigRmProj::SUM_TrigRmProj(const SUM_VobObject& project, const SUM_VobObject& folder,
                               const SUM_String& comment)
    : SUM_TriggerBase(VOB_OP_RMPROJECT, comment), project_(project), folder_(folder) {}

int SUM_TrigRmProj::setup_env_vars() {
  SUM_Trace trace("SUM_TrigRmProj::setup_env_vars");
  fill(env_.folder, folder_);
  fill(env_.project, project_);
  return trace.checked(__LINE__, set_vob_obj(project_));
}

SUM_TrigMkFolder::SUM_TrigMkFolder(const SUM_VobObject& parent, const SUM_String& name,
                                   const SUM_String& comment)
    : SUM_TriggerBase(VOB_OP_MKFOLDER, comment), parent_(parent), name_(name) {}

int SUM_TrigMkFolder::setup_env_vars() {
  SUM_Trace trace("SUM_TrigMkFolder::setup_env_vars");
  fill(env_.parent_folder, parent_);
  int status = keep(env_.folder.new_name, name_);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, set_vob_obj(parent_));
}

void SUM_TrigMkFolder::set_new_obj_name(const SUM_String& name) {
  keep(env_.folder.new_name, name);
}

SUM_TrigChFolder::SUM_TrigChFolder(const SUM_VobObject& folder, const SUM_VobObject& parent,
                                   const SUM_String& comment)
    : SUM_TriggerBase(VOB_OP_CHFOLDER, comment), folder_(folder), parent_(parent) {}

int SUM_TrigChFolder::setup_env_vars() {
  SUM_Trace trace("SUM_TrigChFolder::setup_env_vars");
  fill(env_.folder, folder_);
  fill(env_.parent_folder, parent_);
  return trace.checked(__LINE__, set_vob_obj(folder_));
}

SUM_TrigRmFolder::SUM_TrigRmFolder(const SUM_VobObject& folder, const SUM_String& comment)
    : SUM_TriggerBase(VOB_OP_RMFOLDER, comment), folder_(folder) {}

int SUM_TrigRmFolder::setup_env_vars() {
  SUM_Trace trace("SUM_TrigRmFolder::setup_env_vars");
  fill(env_.folder, folder_);
  return trace.checked(__LINE__, set_vob_obj(folder_));
}

// ---- components ----------------------------------------------------------------------------

SUM_TrigMkComp::SUM_TrigMkComp(const SUM_Vob& pvob, const SUM_String& name,
                               const SUM_String& comment)
    : SUM_TriggerBase(VOB_OP_MKCOMP, comment), pvob_(pvob), name_(name) {}

int SUM_TrigMkComp::setup_env_vars() {
  SUM_Trace trace("SUM_TrigMkComp::setup_env_vars");
  if (pvob_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_VobObject vob_object;
  int status = pvob_.vob_obj(vob_object);
  if (status == 0)
    status = keep(env_.component.new_name, name_);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, set_vob_obj(vob_object));
}

void SUM_TrigMkComp::set_new_obj_name(const SUM_String& name) {
  keep(env_.component.new_name, name);
}

SUM_TrigRmComp::SUM_TrigRmComp(const SUM_VobObject& component, const SUM_String& comment)
    : SUM_TriggerBase(VOB_OP_RMCOMP, comment), component_(component) {}

int SUM_TrigRmComp::setup_env_vars() {
  SUM_Trace trace("SUM_TrigRmComp::setup_env_vars");
  fill(env_.component, component_);
  return trace.checked(__LINE__, set_vob_obj(component_));
}

SUM_TrigModComp::SUM_TrigModComp(const SUM_VobObject& component, const SUM_String& change,
                                 const SUM_String& comment)
    : SUM_TriggerBase(VOB_OP_MODCOMP, comment), component_(component), change_(change) {}

int SUM_TrigModComp::setup_env_vars() {
  SUM_Trace trace("SUM_TrigModComp::setup_env_vars");
  fill(env_.component, component_);
  int status = keep(env_.change, change_);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, set_vob_obj(component_));
}

// ---- deliver and rebase --------------------------------------------------------------------

SUM_TrigIntegration::SUM_TrigIntegration(vob_op_t op, unsigned parts, const SUM_VobObject& source,
                                         const SUM_VobObject& target, const SUM_VobObject& project,
                                         const SUM_VobObjectList& activities,
                                         const SUM_VobObjectList& baselines,
                                         const SUM_VobObject& integration_activity,
                                         const SUM_String& comment)
    : SUM_TriggerBase(op, comment),
      parts_(parts),
      source_(source),
      target_(target),
      project_(project),
      integration_activity_(integration_activity),
      activities_(activities),
      baselines_(baselines) {}

int SUM_TrigIntegration::setup_env_vars() {
  SUM_Trace trace("SUM_TrigIntegration::setup_env_vars");
  if (parts_ & kActivitySlot)
    fill(env_.activity, integration_activity_);
  fill(env_.stream, target_);
  fill(env_.source_stream, source_);
  fill(env_.project, project_);
  int status = 0;
  if (parts_ & kActivities)
    status = fill(env_.activities, activities_);
  if (status == 0 && (parts_ & kBaselines))
    status = fill(env_.baselines, baselines_);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, set_vob_obj(source_.is_null() ? target_ : source_));
}

int SUM_TrigIntegration::setup_postop_env_vars() {
  if ((parts_ & kActivitySlot) == 0 || integration_activity_.is_null())
    return 0;
  if (env_.activity.vob == integration_activity_.vob().handle() &&
      env_.activity.dbid == integration_activity_.dbid())
    return 0;
  fill(env_.activity, integration_activity_);
  return 1;
}

SUM_TrigDeliverStart::SUM_TrigDeliverStart(const SUM_VobObject& source, const SUM_VobObject& target,
                                           const SUM_VobObject& project,
                                           const SUM_VobObjectList& activities,
                                           const SUM_VobObjectList& baselines,
                                           const SUM_VobObject& integration_activity,
                                           const SUM_String& comment)
    : SUM_TrigIntegration(VOB_OP_DELIVER_START, kActivitySlot | kActivities | kBaselines, source,
                          target, project, activities, baselines, integration_activity, comment) {}

SUM_TrigDeliverComplete::SUM_TrigDeliverComplete(
    const SUM_VobObject& source, const SUM_VobObject& target, const SUM_VobObject& project,
    const SUM_VobObjectList& activities, const SUM_VobObjectList& baselines,
    const SUM_VobObject& integration_activity, const SUM_String& comment)
    : SUM_TrigIntegration(VOB_OP_DELIVER_COMPLETE, kActivitySlot | kActivities | kBaselines, source,
                          target, project, activities, baselines, integration_activity, comment) {}

SUM_TrigDeliverCancel::SUM_TrigDeliverCancel(const SUM_VobObject& source,
                                             const SUM_VobObject& target,
                                             const SUM_VobObject& project,
                                             const SUM_VobObject& integration_activity,
                                             const SUM_String& comment)
    : SUM_TrigIntegration(VOB_OP_DELIVER_CANCEL, kActivitySlot, source, target, project,
                          SUM_VobObjectList(), SUM_VobObjectList(), integration_activity, comment) {
}

SUM_TrigDeliverResume::SUM_TrigDeliverResume(const SUM_VobObject& source,
                                             const SUM_VobObject& target,
                                             const SUM_VobObject& project,
                                             const SUM_VobObjectList& activities,
                                             const SUM_VobObjectList& baselines,
                                             const SUM_String& comment)
    : SUM_TrigIntegration(VOB_OP_DELIVER_RESUME, kActivities | kBaselines, source, target, project,
                          activities, baselines, SUM_VobObject(), comment) {}

SUM_TrigRebaseStart::SUM_TrigRebaseStart(const SUM_VobObject& stream, const SUM_VobObject& project,
                                         const SUM_VobObjectList& baselines,
                                         const SUM_VobObject& integration_activity,
                                         const SUM_String& comment)
    : SUM_TrigIntegration(VOB_OP_REBASE_START, kActivitySlot | kBaselines, SUM_VobObject(), stream,
                          project, SUM_VobObjectList(), baselines, integration_activity, comment) {}

SUM_TrigRebaseComplete::SUM_TrigRebaseComplete(const SUM_VobObject& stream,
                                               const SUM_VobObject& project,
                                               const SUM_VobObjectList& baselines,
                                               const SUM_VobObject& integration_activity,
                                               const SUM_String& comment)
    : SUM_TrigIntegration(VOB_OP_REBASE_COMPLETE, kActivitySlot | kBaselines, SUM_VobObject(),
                          stream, project, SUM_VobObjectList(), baselines, integration_activity,
                          comment) {}

SUM_TrigRebaseCancel::SUM_TrigRebaseCancel(const SUM_VobObject& stream,
                                           const SUM_VobObject& project,
                                           const SUM_VobObjectList& baselines,
                                           const SUM_VobObject& integration_activity,
                                           const SUM_String& comment)
    : SUM_TrigIntegration(VOB_OP_REBASE_CANCEL, kActivitySlot | kBaselines, SUM_VobObject(), stream,
                          project, SUM_VobObjectList(), baselines, integration_activity, comment) {}
