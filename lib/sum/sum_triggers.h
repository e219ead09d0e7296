// The trigger object of every kind of ZEM operation (see SUM_TriggerBase).
//
// Each class takes the objects of its operation and keeps copies of them
// until setup, when it fills the environment record and chooses the object
// the operation acts on (its VOB's trigger types, and those of the VOBs
// above it, serve the operation). Objects are taken as SUM_VobObject, so
// every typed handle can be passed as it is; objects the caller derives
// (an activity's stream, a stream's project ...) are passed alongside. An
// optional object may be null: its slot stays empty. A null acting object
// makes setup fail with 1072.
#ifndef SUM_SUM_TRIGGERS_H
#define SUM_SUM_TRIGGERS_H

#include "sum/sum_lists.h"
#include "sum/sum_string.h"
#include "sum/sum_trigger_base.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"

// ---- activities --------------------------------------------------------------------

// Making an activity (mkactivity, 58) in `stream` of `project`. Acts in the
// stream. Record: project, stream; after the operation the new activity's
// name.
class SUM_TrigMkAct : public SUM_TriggerBase {
 public:
  SUM_TrigMkAct(const SUM_VobObject& stream, const SUM_VobObject& project,
                const SUM_String& comment);

 protected:
  int setup_env_vars() override;
  void set_new_obj_name(const SUM_String& name) override;

 private:
  SUM_VobObject stream_, project_;
};

// Changing an activity (chactivity, 63). Acts on `activity`.
class SUM_TrigChAct : public SUM_TriggerBase {
 public:
  // Rename, title change, tracker actions. Record: activity, its stream and
  // the stream's project.
  SUM_TrigChAct(const SUM_VobObject& activity, const SUM_String& comment,
                const SUM_VobObject& stream, const SUM_VobObject& project);
  // Moving `version` from `source`'s change set to `target`'s, seen from
  // `activity` (the move builds one trigger object for the source and one
  // for the target). Record: source as the activity, target as the
  // destination, the version, the source's stream and project; the view.
  SUM_TrigChAct(const SUM_VobObject& activity, const SUM_String& comment,
                const SUM_VobObject& source, const SUM_VobObject& target,
                const SUM_VobObject& version, const SUM_String& view_tag,
                const SUM_VobObject& stream, const SUM_VobObject& project);

 protected:
  int setup_env_vars() override;

 private:
  SUM_VobObject activity_, source_, target_, version_, stream_, project_;
  SUM_String move_view_tag_;
};

// Removing an activity (rmactivity, 75). Acts on the activity. Record:
// activity, stream, project.
class SUM_TrigRmAct : public SUM_TriggerBase {
 public:
  SUM_TrigRmAct(const SUM_VobObject& activity, const SUM_VobObject& stream,
                const SUM_VobObject& project, const SUM_String& comment);

 protected:
  int setup_env_vars() override;

 private:
  SUM_VobObject activity_, stream_, project_;
};

// Setting a view's current activity (setactivity, 95). Acts on the
// activity. Record: activity, the view's stream and its project; the view.
class SUM_TrigSetAct : public SUM_TriggerBase {
 public:
  SUM_TrigSetAct(const SUM_VobObject& activity, const SUM_String& view_tag,
                 const SUM_VobObject& stream, const SUM_VobObject& project,
                 const SUM_String& comment);

 protected:
  int setup_env_vars() override;

 private:
  SUM_VobObject activity_, stream_, project_;
};

// Clearing a view's current activity (setactivity_none, 112). Acts in the
// view's stream, or in the stream's project when `in_stream` is 0. Record:
// the current activity (may be null), stream, project; the view.
class SUM_TrigSetActNone : public SUM_TriggerBase {
 public:
  SUM_TrigSetActNone(const SUM_String& view_tag, const SUM_VobObject& activity,
                     const SUM_VobObject& stream, const SUM_VobObject& project, const int in_stream,
                     const SUM_String& comment);

 protected:
  int setup_env_vars() override;

 private:
  SUM_VobObject activity_, stream_, project_;
  int in_stream_;
};

// ---- streams ------------------------------------------------------------------------

// Making a stream (mkstream, 96) in `project`, as a child of
// `parent_stream` when that is not null. Acts in the project, or in the
// parent stream when `in_parent` is 1. Record: project, parent stream;
// after the operation the new stream's name.
class SUM_TrigMkStream : public SUM_TriggerBase {
 public:
  SUM_TrigMkStream(const SUM_VobObject& project, const SUM_VobObject& parent_stream,
                   const int in_parent, const SUM_String& comment);

 protected:
  int setup_env_vars() override;
  void set_new_obj_name(const SUM_String& name) override;

 private:
  SUM_VobObject project_, parent_stream_;
  int in_parent_;
};

// Changing a stream (chstream, 97): name, title, policies, modifiable
// components, deliver target, task-provider settings. Acts on the stream.
// Record: stream, project, and `change` (what changes) when not empty.
class SUM_TrigChStream : public SUM_TriggerBase {
 public:
  SUM_TrigChStream(const SUM_VobObject& stream, const SUM_VobObject& project,
                   const SUM_String& change, const SUM_String& comment);

 protected:
  int setup_env_vars() override;

 private:
  SUM_VobObject stream_, project_;
  SUM_String change_;
};

// Removing a stream (rmstream, 98). Acts on the stream. Record: stream,
// project.
class SUM_TrigRmStream : public SUM_TriggerBase {
 public:
  SUM_TrigRmStream(const SUM_VobObject& stream, const SUM_VobObject& project,
                   const SUM_String& comment);

 protected:
  int setup_env_vars() override;

 private:
  SUM_VobObject stream_, project_;
};

// ---- baselines -------------------------------------------------------------------------

// Making a baseline of `component` (mkbl, 99): import, clone, realising a
// virtual baseline. Acts on the component. Record: component, stream (may
// be null), project (may be null); after the operation the new baseline's
// name.
class SUM_TrigMkBl : public SUM_TriggerBase {
 public:
  SUM_TrigMkBl(const SUM_VobObject& component, const SUM_String& comment,
               const SUM_VobObject& stream, const SUM_VobObject& project);

 protected:
  int setup_env_vars() override;
  void set_new_obj_name(const SUM_String& name) override;

 private:
  SUM_VobObject component_, stream_, project_;
};

// Changing a baseline (chbl, 100): labeling, promotion level, name. Acts on
// the baseline. Record: the baseline (as a one-entry list), its component,
// stream and project, and `change` (for example the new promotion level)
// when not empty.
class SUM_TrigChBl : public SUM_TriggerBase {
 public:
  SUM_TrigChBl(const SUM_VobObject& baseline, const SUM_VobObject& component,
               const SUM_VobObject& stream, const SUM_VobObject& project, const SUM_String& change,
               const SUM_String& comment);

 protected:
  int setup_env_vars() override;

 private:
  SUM_VobObject baseline_, component_, stream_, project_;
  SUM_String change_;
};

// Removing a baseline (rmbl, 101). Acts on the baseline. Record: the
// baseline (as a one-entry list), component, stream, project.
class SUM_TrigRmBl : public SUM_TriggerBase {
 public:
  SUM_TrigRmBl(const SUM_VobObject& baseline, const SUM_VobObject& component,
               const SUM_VobObject& stream, const SUM_VobObject& project,
               const SUM_String& comment);

 protected:
  int setup_env_vars() override;

 private:
  SUM_VobObject baseline_, component_, stream_, project_;
};

// The end of a baseline-making operation on a stream (mkbl_complete, 110);
// offered to callers, not built inside the library. Acts on the stream.
// Record: stream, project, the baselines made and a second baseline list.
class SUM_TrigMkBlComplete : public SUM_TriggerBase {
 public:
  SUM_TrigMkBlComplete(const SUM_VobObject& stream, const SUM_VobObject& project,
                       const SUM_VobObjectList& baselines, const SUM_VobObjectList& other_baselines,
                       const SUM_String& comment);

 protected:
  int setup_env_vars() override;

 private:
  SUM_VobObject stream_, project_;
  SUM_VobObjectList baselines_, other_baselines_;
};

// ---- projects and folders ----------------------------------------------------------------

// Making a project named `name` in `folder` (mkproject, 102). Acts in the
// folder. Record: folder; the new project's name (its rebuilt selector after
// the operation).
class SUM_TrigMkProj : public SUM_TriggerBase {
 public:
  SUM_TrigMkProj(const SUM_VobObject& folder, const SUM_String& name, const SUM_String& comment);

 protected:
  int setup_env_vars() override;
  void set_new_obj_name(const SUM_String& name) override;

 private:
  SUM_VobObject folder_;
  SUM_String name_;
};

// Changing a project (chproject, 103): name, title, parent, policies,
// rebase level, modifiable components, tracker enabling. Acts on the
// project. Record: its folder, the new parent folder (null unless it
// moves), the project.
class SUM_TrigChProj : public SUM_TriggerBase {
 public:
  SUM_TrigChProj(const SUM_VobObject& project, const SUM_VobObject& folder,
                 const SUM_VobObject& new_parent, const SUM_String& comment);

 protected:
  int setup_env_vars() override;

 private:
  SUM_VobObject project_, folder_, new_parent_;
};

// Removing a project (rmproject, 104). Acts on the project. Record: its
// folder, the project.
class SUM_TrigRmProj : public SUM_TriggerBase {
 public:
  SUM_TrigRmProj(const SUM_VobObject& project, const SUM_VobObject& folder,
                 const SUM_String& comment);

 protected:
  int setup_env_vars() override;

 private:
  SUM_VobObject project_, folder_;
};

// Making a folder named `name` in `parent` (mkfolder, 107). Acts in the
// parent folder. Record: the parent folder; the new folder's name (its
// rebuilt selector after the operation).
class SUM_TrigMkFolder : public SUM_TriggerBase {
 public:
  SUM_TrigMkFolder(const SUM_VobObject& parent, const SUM_String& name, const SUM_String& comment);

 protected:
  int setup_env_vars() override;
  void set_new_obj_name(const SUM_String& name) override;

 private:
  SUM_VobObject parent_;
  SUM_String name_;
};

// Changing a folder (chfolder, 108): name, title, parent. Acts on the
// folder. Record: the folder, its parent folder (the new one when it moves).
class SUM_TrigChFolder : public SUM_TriggerBase {
 public:
  SUM_TrigChFolder(const SUM_VobObject& folder, const SUM_VobObject& parent,
                   const SUM_String& comment);

 protected:
  int setup_env_vars() override;

 private:
  SUM_VobObject folder_, parent_;
};

// Removing a folder (rmfolder, 109). Acts on the folder. Record: the folder.
class SUM_TrigRmFolder : public SUM_TriggerBase {
 public:
  SUM_TrigRmFolder(const SUM_VobObject& folder, const SUM_String& comment);

 protected:
  int setup_env_vars() override;

 private:
  SUM_VobObject folder_;
};

// ---- components ----------------------------------------------------------------------------

// Making a component named `name` in `pvob` (mkcomp, 105). Acts in the VOB
// object (well-known object 1) of the PVOB. Record: the new component's
// name (its rebuilt selector after the operation).
class SUM_TrigMkComp : public SUM_TriggerBase {
 public:
  SUM_TrigMkComp(const SUM_Vob& pvob, const SUM_String& name, const SUM_String& comment);

 protected:
  int setup_env_vars() override;
  void set_new_obj_name(const SUM_String& name) override;

 private:
  SUM_Vob pvob_;
  SUM_String name_;
};

// Removing a component (rmcomp, 106). Acts on the component. Record: the
// component.
class SUM_TrigRmComp : public SUM_TriggerBase {
 public:
  SUM_TrigRmComp(const SUM_VobObject& component, const SUM_String& comment);

 protected:
  int setup_env_vars() override;

 private:
  SUM_VobObject component_;
};

// Renaming a component (modcomp, 115). Acts on the component. Record: the
// component and `change` (the new name) when not empty.
class SUM_TrigModComp : public SUM_TriggerBase {
 public:
  SUM_TrigModComp(const SUM_VobObject& component, const SUM_String& change,
                  const SUM_String& comment);

 protected:
  int setup_env_vars() override;

 private:
  SUM_VobObject component_;
  SUM_String change_;
};

// ---- deliver and rebase --------------------------------------------------------------------

// What the deliver and rebase trigger objects share: the streams, the
// project, the activities and baselines moved, and the integration
// activity, which the operation may create after setup. Record: the
// integration activity in the activity slot, the target (rebase: the
// rebased) stream, the source stream, the project, the activities and the
// baselines, each when the class uses it. Acts on the source stream
// (rebase: the rebased stream).
class SUM_TrigIntegration : public SUM_TriggerBase {
 public:
  // The integration activity made after setup; the post-operation record
  // then holds it.
  void set_integration_activity(const SUM_VobObject& activity) { integration_activity_ = activity; }

 protected:
  // Which parts of the record a class fills.
  enum Parts : unsigned {
    kActivitySlot = 1u << 0,  // the integration activity
    kActivities = 1u << 1,    // the activities delivered
    kBaselines = 1u << 2,     // the baselines delivered or rebased to
  };
  SUM_TrigIntegration(vob_op_t op, unsigned parts, const SUM_VobObject& source,
                      const SUM_VobObject& target, const SUM_VobObject& project,
                      const SUM_VobObjectList& activities, const SUM_VobObjectList& baselines,
                      const SUM_VobObject& integration_activity, const SUM_String& comment);
  int setup_env_vars() override;
  // Puts the integration activity into the record when it is not there
  // yet; 1 when it did.
  int setup_postop_env_vars() override;

 private:
  unsigned parts_;
  SUM_VobObject source_, target_, project_, integration_activity_;
  SUM_VobObjectList activities_, baselines_;
};

// Starting a deliver (deliver_start, 89) from `source` to `target`.
// Record: integration activity (null until made), activities and baselines
// delivered, target and source streams, project; post-operation: the
// integration activity.
class SUM_TrigDeliverStart : public SUM_TrigIntegration {
 public:
  SUM_TrigDeliverStart(const SUM_VobObject& source, const SUM_VobObject& target,
                       const SUM_VobObject& project, const SUM_VobObjectList& activities,
                       const SUM_VobObjectList& baselines,
                       const SUM_VobObject& integration_activity, const SUM_String& comment);
};

// Completing a deliver (deliver_complete, 90); as deliver start.
class SUM_TrigDeliverComplete : public SUM_TrigIntegration {
 public:
  SUM_TrigDeliverComplete(const SUM_VobObject& source, const SUM_VobObject& target,
                          const SUM_VobObject& project, const SUM_VobObjectList& activities,
                          const SUM_VobObjectList& baselines,
                          const SUM_VobObject& integration_activity, const SUM_String& comment);
};

// Cancelling a deliver (deliver_cancel, 91). Record: integration activity,
// target and source streams, project.
class SUM_TrigDeliverCancel : public SUM_TrigIntegration {
 public:
  SUM_TrigDeliverCancel(const SUM_VobObject& source, const SUM_VobObject& target,
                        const SUM_VobObject& project, const SUM_VobObject& integration_activity,
                        const SUM_String& comment);
};

// Resuming a deliver (deliver_resume, 113); as deliver start without the
// activity slot.
class SUM_TrigDeliverResume : public SUM_TrigIntegration {
 public:
  SUM_TrigDeliverResume(const SUM_VobObject& source, const SUM_VobObject& target,
                        const SUM_VobObject& project, const SUM_VobObjectList& activities,
                        const SUM_VobObjectList& baselines, const SUM_String& comment);
};

// Starting a rebase of `stream` (rebase_start, 92). Record: integration
// activity, the stream, project, the baselines rebased to.
class SUM_TrigRebaseStart : public SUM_TrigIntegration {
 public:
  SUM_TrigRebaseStart(const SUM_VobObject& stream, const SUM_VobObject& project,
                      const SUM_VobObjectList& baselines, const SUM_VobObject& integration_activity,
                      const SUM_String& comment);
};

// Completing a rebase (rebase_complete, 93); as rebase start.
class SUM_TrigRebaseComplete : public SUM_TrigIntegration {
 public:
  SUM_TrigRebaseComplete(const SUM_VobObject& stream, const SUM_VobObject& project,
                         const SUM_VobObjectList& baselines,
                         const SUM_VobObject& integration_activity, const SUM_String& comment);
};

// Cancelling a rebase (rebase_cancel, 94); as rebase start.
class SUM_TrigRebaseCancel : public SUM_TrigIntegration {
 public:
  SUM_TrigRebaseCancel(const SUM_VobObject& stream, const SUM_VobObject& project,
                       const SUM_VobObjectList& baselines,
                       const SUM_VobObject& integration_activity, const SUM_String& comment);
};

#endif  // SUM_SUM_TRIGGERS_H
