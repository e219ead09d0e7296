// The trigger object of every kind of ZEM operation (see SUM_TriggerBase).
//
// One class, SUM_OpTrigger, serves every operation; what differs between the
// operations is data: a SUM_TrigKind says which operation runs, which
// record slot each constructor argument goes to, which argument the
// operation acts on (its VOB's trigger types, and those of the VOBs above
// it, serve the operation), and where the name of an object the operation
// creates is recorded. The kinds' table is below; each kind keeps the name
// callers use (SUM_TrigMkAct, SUM_TrigChStream ...) as an alias of
// SUM_Trig<kind>, whose constructor takes the arguments in the kind's order:
//
//   SUM_TrigMkFolder trigger(parent, name, comment);
//
// The objects are taken as SUM_VobObject, so every typed handle can be
// passed as it is; objects the caller derives (an activity's stream, a
// stream's project ...) are passed alongside. The trigger object keeps
// copies until setup, when it fills the environment record. An optional
// object may be null: its slot stays empty. An empty text leaves its field
// null. A null acting object makes setup fail with 1072.
#ifndef SUM_SUM_TRIGGERS_H
#define SUM_SUM_TRIGGERS_H

#include <cstddef>
#include <type_traits>
#include <utility>

#include "sum/sum_lists.h"
#include "sum/sum_string.h"
#include "sum/sum_trigger_base.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"

// Where a constructor argument goes. Objects fill the record slot of the
// same name; kBaseline fills the baselines list as its one entry; kActor is
// an acting object that is not recorded. Texts: kChange and kBaselineChange
// fill their record fields, kNewName the kind's new-object name field (the
// name asked for, replaced by the rebuilt selector after the operation),
// kViewTag the view the operation works in. kFlag chooses the acting
// object (see SUM_TrigKind::else_when); kPvob is a project VOB, whose VOB
// object (well-known object 1) the operation acts on.
enum class SUM_TrigSlot : unsigned char {
  // objects
  kActivity,
  kToActivity,
  kVersion,
  kStream,
  kSourceStream,
  kParentStream,
  kProject,
  kFolder,
  kParentFolder,
  kComponent,
  kBaseline,
  kActor,
  // object lists
  kActivities,
  kBaselines,
  kOtherBaselines,
  // texts
  kChange,
  kBaselineChange,
  kNewName,
  kViewTag,
  kComment,
  // others
  kFlag,
  kPvob,
};

// How many slots of each sort a trigger object keeps.
constexpr int kSumTrigObjectSlots = static_cast<int>(SUM_TrigSlot::kActor) + 1;
constexpr int kSumTrigListSlots = static_cast<int>(SUM_TrigSlot::kOtherBaselines) -
                                  static_cast<int>(SUM_TrigSlot::kActivities) + 1;
constexpr int kSumTrigTextSlots =
    static_cast<int>(SUM_TrigSlot::kComment) - static_cast<int>(SUM_TrigSlot::kChange) + 1;

// Which argument the operation acts on.
enum class SUM_TrigActs : unsigned char {
  kNo,    // not acted on
  kYes,   // the acting object
  kElse,  // acted on instead when the kind's else_when holds
};

// One constructor argument: its slot and whether the operation acts on it.
struct SUM_TrigParam {
  SUM_TrigSlot slot;
  SUM_TrigActs acts = SUM_TrigActs::kNo;
};

// One constructor of a kind: its arguments in order.
struct SUM_TrigForm {
  static constexpr int kMaxParams = 8;
  int count = -1;  // -1: no such form
  SUM_TrigParam params[kMaxParams] = {};
};

// When the kElse argument is acted on instead of the kYes one.
enum class SUM_TrigElseWhen : unsigned char {
  kNever,
  kFlagSet,       // the kFlag argument is nonzero
  kActingIsNull,  // the kYes argument is a null object
};

// Where the name of a created object is recorded (kNewName and the rebuilt
// selector after the operation).
enum class SUM_TrigNewName : unsigned char {
  kNone,
  kActivity,
  kStream,
  kBaseline,
  kProject,
  kFolder,
  kComponent,
};

// One kind of operation: everything its trigger object does differently.
struct SUM_TrigKind {
  static constexpr int kMaxForms = 2;
  vob_op_t op;
  const char* name;  // the alias callers use; traces name it
  SUM_TrigForm forms[kMaxForms];
  SUM_TrigElseWhen else_when = SUM_TrigElseWhen::kNever;
  SUM_TrigNewName new_name = SUM_TrigNewName::kNone;
  // 1 when the activity slot holds the integration activity, which the
  // operation may make after setup (set_integration_activity); the
  // post-operation record then holds it.
  int late_activity = 0;

  // The index of the form taking `count` arguments; -1 when none does.
  constexpr int form_taking(int count) const {
    for (int f = 0; f < kMaxForms; ++f)
      if (forms[f].count == count)
        return f;
    return -1;
  }
};

// The trigger object of one operation of kind `kind()`. Built through
// SUM_Trig<kind>, which stores the arguments; setup fills the record from
// them as the kind says.
class SUM_OpTrigger : public SUM_TriggerBase {
 public:
  const SUM_TrigKind& kind() const { return kind_; }
  // The integration activity made after setup (deliver and rebase); the
  // post-operation record then holds it. Ignored by other kinds.
  void set_integration_activity(const SUM_VobObject& activity);

 protected:
  explicit SUM_OpTrigger(const SUM_TrigKind& kind);

  void take(SUM_TrigParam param, const SUM_VobObject& obj);
  void take(SUM_TrigParam param, const SUM_VobObjectList& objs);
  void take(SUM_TrigParam param, const SUM_String& text);
  void take(SUM_TrigParam param, int flag);
  void take(SUM_TrigParam param, const SUM_Vob& pvob);

  int setup_env_vars() override;
  void set_new_obj_name(const SUM_String& name) override;
  int setup_postop_env_vars() override;

 private:
  // The object the operation acts on, as the kind says.
  const SUM_VobObject& acting() const;
  // The record's field for the name of a created object; null when the
  // kind creates nothing.
  const char** new_name_field();
  // Fills the record's lists and texts from the arguments; 1072 when
  // storage fails.
  int fill_lists_and_texts();

  const SUM_TrigKind& kind_;
  SUM_VobObject objects_[kSumTrigObjectSlots];
  SUM_VobObjectList lists_[kSumTrigListSlots];
  SUM_String texts_[kSumTrigTextSlots];
  SUM_VobObject acts_, acts_else_;
  SUM_Vob pvob_;
  int flag_ = 0;
  int has_pvob_ = 0;
};

// 1 when an argument of type `Arg` can go to `slot`: the constructor of
// SUM_Trig checks each argument against its kind's table with it.
template <class Arg>
constexpr bool sum_trig_slot_takes(SUM_TrigSlot slot) {
  const int at = static_cast<int>(slot);
  if constexpr (std::is_same_v<Arg, SUM_Vob>)
    return slot == SUM_TrigSlot::kPvob;
  else if constexpr (std::is_convertible_v<const Arg&, const SUM_VobObject&>)
    return at < kSumTrigObjectSlots;
  else if constexpr (std::is_convertible_v<const Arg&, const SUM_VobObjectList&>)
    return at >= kSumTrigObjectSlots && at < kSumTrigObjectSlots + kSumTrigListSlots;
  else if constexpr (std::is_integral_v<Arg>)
    return slot == SUM_TrigSlot::kFlag;
  else if constexpr (std::is_convertible_v<const Arg&, SUM_String>)
    return at >= kSumTrigObjectSlots + kSumTrigListSlots &&
           at < kSumTrigObjectSlots + kSumTrigListSlots + kSumTrigTextSlots;
  else
    return false;
}

// The trigger object of kind `Kind`: its constructor takes the arguments of
// one of the kind's forms, in order (checked when compiled), the comment
// among them.
template <const SUM_TrigKind& Kind>
class SUM_Trig : public SUM_OpTrigger {
 public:
  template <class... Args>
  explicit SUM_Trig(const Args&... args) : SUM_OpTrigger(Kind) {
    constexpr int form = Kind.form_taking(static_cast<int>(sizeof...(Args)));
    static_assert(form >= 0, "no constructor of this trigger kind takes that many arguments");
    take_all<form>(std::index_sequence_for<Args...>(), args...);
  }

 private:
  template <int Form, std::size_t... I, class... Args>
  void take_all(std::index_sequence<I...>, const Args&... args) {
    static_assert((sum_trig_slot_takes<Args>(Kind.forms[Form].params[I].slot) && ...),
                  "an argument does not fit the slot the trigger kind gives it");
    (take(Kind.forms[Form].params[I], args), ...);
  }
};

// ---- the kinds -----------------------------------------------------------------------
// Each comment names the operation, says what it acts on and what the
// record holds.

namespace sum_trig_kinds {

using S = SUM_TrigSlot;
constexpr SUM_TrigActs kActs = SUM_TrigActs::kYes;
constexpr SUM_TrigActs kActsElse = SUM_TrigActs::kElse;

// ---- activities
// Making an activity (mkactivity) in `stream` of `project`. Acts in the
// stream. Record: project, stream; after the operation the new activity's
// name. (stream, project, comment)
inline constexpr SUM_TrigKind kMkAct{VOB_OP_MKACTIVITY,
                                     "SUM_TrigMkAct",
                                     {{3, {{S::kStream, kActs}, {S::kProject}, {S::kComment}}}},
                                     SUM_TrigElseWhen::kNever,
                                     SUM_TrigNewName::kActivity};

// Changing an activity (chactivity). Acts on the activity. Two forms:
// - rename, title change, tracker actions (activity, comment, stream,
//   project); record: activity, its stream and the stream's project;
// - moving `version` from `source`'s change set to `target`'s, seen from
//   `activity` (activity, comment, source, target, version, view_tag,
//   stream, project); the move builds one trigger object for the source
//   and one for the target. Record: source as the activity, target as the
//   destination, the version, the source's stream and project; the view.
inline constexpr SUM_TrigKind kChAct{
    VOB_OP_CHACTIVITY,
    "SUM_TrigChAct",
    {{4, {{S::kActivity, kActs}, {S::kComment}, {S::kStream}, {S::kProject}}},
     {8,
      {{S::kActor, kActs},
       {S::kComment},
       {S::kActivity},
       {S::kToActivity},
       {S::kVersion},
       {S::kViewTag},
       {S::kStream},
       {S::kProject}}}}};

// Removing an activity (rmactivity). Acts on the activity. Record:
// activity, stream, project. (activity, stream, project, comment)
inline constexpr SUM_TrigKind kRmAct{
    VOB_OP_RMACTIVITY,
    "SUM_TrigRmAct",
    {{4, {{S::kActivity, kActs}, {S::kStream}, {S::kProject}, {S::kComment}}}}};

// Setting a view's current activity (setactivity). Acts on the activity.
// Record: activity, the view's stream and its project; the view.
// (activity, view_tag, stream, project, comment)
inline constexpr SUM_TrigKind kSetAct{
    VOB_OP_SETACTIVITY,
    "SUM_TrigSetAct",
    {{5, {{S::kActivity, kActs}, {S::kViewTag}, {S::kStream}, {S::kProject}, {S::kComment}}}}};

// Clearing a view's current activity (setactivity_none). Acts in the
// view's stream when `in_stream` is nonzero, else in the stream's project.
// Record: the current activity (may be null), stream, project; the view.
// (view_tag, activity, stream, project, in_stream, comment)
inline constexpr SUM_TrigKind kSetActNone{VOB_OP_SETACTIVITY_NONE,
                                          "SUM_TrigSetActNone",
                                          {{6,
                                            {{S::kViewTag},
                                             {S::kActivity},
                                             {S::kStream, kActsElse},
                                             {S::kProject, kActs},
                                             {S::kFlag},
                                             {S::kComment}}}},
                                          SUM_TrigElseWhen::kFlagSet};

// ---- streams
// Making a stream (mkstream) in `project`, as a child of `parent_stream`
// when that is not null. Acts in the parent stream when `in_parent` is
// nonzero, else in the project. Record: project, parent stream; after the
// operation the new stream's name. (project, parent_stream, in_parent,
// comment)
inline constexpr SUM_TrigKind kMkStream{
    VOB_OP_MKSTREAM,
    "SUM_TrigMkStream",
    {{4, {{S::kProject, kActs}, {S::kParentStream, kActsElse}, {S::kFlag}, {S::kComment}}}},
    SUM_TrigElseWhen::kFlagSet,
    SUM_TrigNewName::kStream};

// Changing a stream (chstream): name, title, policies, modifiable
// components, deliver target, task-provider settings. Acts on the stream.
// Record: stream, project, and `change` (what changes) when not empty.
// (stream, project, change, comment)
inline constexpr SUM_TrigKind kChStream{
    VOB_OP_CHSTREAM,
    "SUM_TrigChStream",
    {{4, {{S::kStream, kActs}, {S::kProject}, {S::kChange}, {S::kComment}}}}};

// Removing a stream (rmstream). Acts on the stream. Record: stream,
// project. (stream, project, comment)
inline constexpr SUM_TrigKind kRmStream{VOB_OP_RMSTREAM,
                                        "SUM_TrigRmStream",
                                        {{3, {{S::kStream, kActs}, {S::kProject}, {S::kComment}}}}};

// ---- baselines
// Making a baseline of `component` (mkbl): import, clone, realising a
// virtual baseline. Acts on the component. Record: component, stream (may
// be null), project (may be null); after the operation the new baseline's
// name. (component, comment, stream, project)
inline constexpr SUM_TrigKind kMkBl{
    VOB_OP_MKBL,
    "SUM_TrigMkBl",
    {{4, {{S::kComponent, kActs}, {S::kComment}, {S::kStream}, {S::kProject}}}},
    SUM_TrigElseWhen::kNever,
    SUM_TrigNewName::kBaseline};

// Changing a baseline (chbl): labeling, promotion level, name. Acts on the
// baseline. Record: the baseline (as a one-entry list), its component,
// stream and project, and `change` (for example the new promotion level)
// when not empty. (baseline, component, stream, project, change, comment)
inline constexpr SUM_TrigKind kChBl{VOB_OP_CHBL,
                                    "SUM_TrigChBl",
                                    {{6,
                                      {{S::kBaseline, kActs},
                                       {S::kComponent},
                                       {S::kStream},
                                       {S::kProject},
                                       {S::kBaselineChange},
                                       {S::kComment}}}}};

// Removing a baseline (rmbl). Acts on the baseline. Record: the baseline
// (as a one-entry list), component, stream, project. (baseline, component,
// stream, project, comment)
inline constexpr SUM_TrigKind kRmBl{
    VOB_OP_RMBL,
    "SUM_TrigRmBl",
    {{5, {{S::kBaseline, kActs}, {S::kComponent}, {S::kStream}, {S::kProject}, {S::kComment}}}}};

// The end of a baseline-making operation on a stream (mkbl_complete);
// offered to callers, not built inside the library. Acts on the stream.
// Record: stream, project, the baselines made and a second baseline list.
// (stream, project, baselines, other_baselines, comment)
inline constexpr SUM_TrigKind kMkBlComplete{
    VOB_OP_MKBL_COMPLETE,
    "SUM_TrigMkBlComplete",
    {{5,
      {{S::kStream, kActs}, {S::kProject}, {S::kBaselines}, {S::kOtherBaselines}, {S::kComment}}}}};

// ---- projects and folders
// Making a project named `name` in `folder` (mkproject). Acts in the
// folder. Record: folder; the new project's name (its rebuilt selector
// after the operation). (folder, name, comment)
inline constexpr SUM_TrigKind kMkProj{VOB_OP_MKPROJECT,
                                      "SUM_TrigMkProj",
                                      {{3, {{S::kFolder, kActs}, {S::kNewName}, {S::kComment}}}},
                                      SUM_TrigElseWhen::kNever,
                                      SUM_TrigNewName::kProject};

// Changing a project (chproject): name, title, parent, policies, rebase
// level, modifiable components, tracker enabling. Acts on the project.
// Record: its folder, the new parent folder (null unless it moves), the
// project. (project, folder, new_parent, comment)
inline constexpr SUM_TrigKind kChProj{
    VOB_OP_CHPROJECT,
    "SUM_TrigChProj",
    {{4, {{S::kProject, kActs}, {S::kFolder}, {S::kParentFolder}, {S::kComment}}}}};

// Removing a project (rmproject). Acts on the project. Record: its folder,
// the project. (project, folder, comment)
inline constexpr SUM_TrigKind kRmProj{
    VOB_OP_RMPROJECT, "SUM_TrigRmProj", {{3, {{S::kProject, kActs}, {S::kFolder}, {S::kComment}}}}};

// Making a folder named `name` in `parent` (mkfolder). Acts in the parent
// folder. Record: the parent folder; the new folder's name (its rebuilt
// selector after the operation). (parent, name, comment)
inline constexpr SUM_TrigKind kMkFolder{
    VOB_OP_MKFOLDER,
    "SUM_TrigMkFolder",
    {{3, {{S::kParentFolder, kActs}, {S::kNewName}, {S::kComment}}}},
    SUM_TrigElseWhen::kNever,
    SUM_TrigNewName::kFolder};

// Changing a folder (chfolder): name, title, parent. Acts on the folder.
// Record: the folder, its parent folder (the new one when it moves).
// (folder, parent, comment)
inline constexpr SUM_TrigKind kChFolder{
    VOB_OP_CHFOLDER,
    "SUM_TrigChFolder",
    {{3, {{S::kFolder, kActs}, {S::kParentFolder}, {S::kComment}}}}};

// Removing a folder (rmfolder). Acts on the folder. Record: the folder.
// (folder, comment)
inline constexpr SUM_TrigKind kRmFolder{
    VOB_OP_RMFOLDER, "SUM_TrigRmFolder", {{2, {{S::kFolder, kActs}, {S::kComment}}}}};

// ---- components
// Making a component named `name` in `pvob` (mkcomp). Acts in the VOB
// object of the PVOB. Record: the new component's name (its rebuilt
// selector after the operation). (pvob, name, comment)
inline constexpr SUM_TrigKind kMkComp{VOB_OP_MKCOMP,
                                      "SUM_TrigMkComp",
                                      {{3, {{S::kPvob, kActs}, {S::kNewName}, {S::kComment}}}},
                                      SUM_TrigElseWhen::kNever,
                                      SUM_TrigNewName::kComponent};

// Removing a component (rmcomp). Acts on the component. Record: the
// component. (component, comment)
inline constexpr SUM_TrigKind kRmComp{
    VOB_OP_RMCOMP, "SUM_TrigRmComp", {{2, {{S::kComponent, kActs}, {S::kComment}}}}};

// Renaming a component (modcomp). Acts on the component. Record: the
// component and `change` (the new name) when not empty. (component,
// change, comment)
inline constexpr SUM_TrigKind kModComp{
    VOB_OP_MODCOMP,
    "SUM_TrigModComp",
    {{3, {{S::kComponent, kActs}, {S::kChange}, {S::kComment}}}}};

// ---- deliver and rebase
// Record: the integration activity in the activity slot (null until made;
// set_integration_activity), the target (rebase: the rebased) stream, the
// source stream, the project, the activities and the baselines, each when
// the kind takes it. Acts on the source stream (rebase: the rebased
// stream).

// Starting a deliver (deliver_start) from `source` to `target`. (source,
// target, project, activities, baselines, integration_activity, comment)
inline constexpr SUM_TrigForm kDeliverForm{7,
                                           {{S::kSourceStream, kActs},
                                            {S::kStream, kActsElse},
                                            {S::kProject},
                                            {S::kActivities},
                                            {S::kBaselines},
                                            {S::kActivity},
                                            {S::kComment}}};
inline constexpr SUM_TrigKind kDeliverStart{VOB_OP_DELIVER_START,   "SUM_TrigDeliverStart",
                                            {kDeliverForm},         SUM_TrigElseWhen::kActingIsNull,
                                            SUM_TrigNewName::kNone, 1};

// Completing a deliver (deliver_complete); as deliver start.
inline constexpr SUM_TrigKind kDeliverComplete{
    VOB_OP_DELIVER_COMPLETE,         "SUM_TrigDeliverComplete", {kDeliverForm},
    SUM_TrigElseWhen::kActingIsNull, SUM_TrigNewName::kNone,    1};

// Cancelling a deliver (deliver_cancel): integration activity, target and
// source streams, project. (source, target, project,
// integration_activity, comment)
inline constexpr SUM_TrigKind kDeliverCancel{VOB_OP_DELIVER_CANCEL,
                                             "SUM_TrigDeliverCancel",
                                             {{5,
                                               {{S::kSourceStream, kActs},
                                                {S::kStream, kActsElse},
                                                {S::kProject},
                                                {S::kActivity},
                                                {S::kComment}}}},
                                             SUM_TrigElseWhen::kActingIsNull,
                                             SUM_TrigNewName::kNone,
                                             1};

// Resuming a deliver (deliver_resume); as deliver start without the
// activity slot. (source, target, project, activities, baselines, comment)
inline constexpr SUM_TrigKind kDeliverResume{VOB_OP_DELIVER_RESUME,
                                             "SUM_TrigDeliverResume",
                                             {{6,
                                               {{S::kSourceStream, kActs},
                                                {S::kStream, kActsElse},
                                                {S::kProject},
                                                {S::kActivities},
                                                {S::kBaselines},
                                                {S::kComment}}}},
                                             SUM_TrigElseWhen::kActingIsNull};

// Starting a rebase of `stream` (rebase_start): integration activity, the
// stream, project, the baselines rebased to. (stream, project, baselines,
// integration_activity, comment)
inline constexpr SUM_TrigForm kRebaseForm{
    5, {{S::kStream, kActs}, {S::kProject}, {S::kBaselines}, {S::kActivity}, {S::kComment}}};
inline constexpr SUM_TrigKind kRebaseStart{VOB_OP_REBASE_START,    "SUM_TrigRebaseStart",
                                           {kRebaseForm},          SUM_TrigElseWhen::kNever,
                                           SUM_TrigNewName::kNone, 1};

// Completing a rebase (rebase_complete); as rebase start.
inline constexpr SUM_TrigKind kRebaseComplete{VOB_OP_REBASE_COMPLETE, "SUM_TrigRebaseComplete",
                                              {kRebaseForm},          SUM_TrigElseWhen::kNever,
                                              SUM_TrigNewName::kNone, 1};

// Cancelling a rebase (rebase_cancel); as rebase start.
inline constexpr SUM_TrigKind kRebaseCancel{VOB_OP_REBASE_CANCEL,   "SUM_TrigRebaseCancel",
                                            {kRebaseForm},          SUM_TrigElseWhen::kNever,
                                            SUM_TrigNewName::kNone, 1};

}  // namespace sum_trig_kinds

// The names callers use.
using SUM_TrigMkAct = SUM_Trig<sum_trig_kinds::kMkAct>;
using SUM_TrigChAct = SUM_Trig<sum_trig_kinds::kChAct>;
using SUM_TrigRmAct = SUM_Trig<sum_trig_kinds::kRmAct>;
using SUM_TrigSetAct = SUM_Trig<sum_trig_kinds::kSetAct>;
using SUM_TrigSetActNone = SUM_Trig<sum_trig_kinds::kSetActNone>;
using SUM_TrigMkStream = SUM_Trig<sum_trig_kinds::kMkStream>;
using SUM_TrigChStream = SUM_Trig<sum_trig_kinds::kChStream>;
using SUM_TrigRmStream = SUM_Trig<sum_trig_kinds::kRmStream>;
using SUM_TrigMkBl = SUM_Trig<sum_trig_kinds::kMkBl>;
using SUM_TrigChBl = SUM_Trig<sum_trig_kinds::kChBl>;
using SUM_TrigRmBl = SUM_Trig<sum_trig_kinds::kRmBl>;
using SUM_TrigMkBlComplete = SUM_Trig<sum_trig_kinds::kMkBlComplete>;
using SUM_TrigMkProj = SUM_Trig<sum_trig_kinds::kMkProj>;
using SUM_TrigChProj = SUM_Trig<sum_trig_kinds::kChProj>;
using SUM_TrigRmProj = SUM_Trig<sum_trig_kinds::kRmProj>;
using SUM_TrigMkFolder = SUM_Trig<sum_trig_kinds::kMkFolder>;
using SUM_TrigChFolder = SUM_Trig<sum_trig_kinds::kChFolder>;
using SUM_TrigRmFolder = SUM_Trig<sum_trig_kinds::kRmFolder>;
using SUM_TrigMkComp = SUM_Trig<sum_trig_kinds::kMkComp>;
using SUM_TrigRmComp = SUM_Trig<sum_trig_kinds::kRmComp>;
using SUM_TrigModComp = SUM_Trig<sum_trig_kinds::kModComp>;
using SUM_TrigDeliverStart = SUM_Trig<sum_trig_kinds::kDeliverStart>;
using SUM_TrigDeliverComplete = SUM_Trig<sum_trig_kinds::kDeliverComplete>;
using SUM_TrigDeliverCancel = SUM_Trig<sum_trig_kinds::kDeliverCancel>;
using SUM_TrigDeliverResume = SUM_Trig<sum_trig_kinds::kDeliverResume>;
using SUM_TrigRebaseStart = SUM_Trig<sum_trig_kinds::kRebaseStart>;
using SUM_TrigRebaseComplete = SUM_Trig<sum_trig_kinds::kRebaseComplete>;
using SUM_TrigRebaseCancel = SUM_Trig<sum_trig_kinds::kRebaseCancel>;

#endif  // SUM_SUM_TRIGGERS_H
