// SUM_OpTrigger: the trigger object of every ZEM operation, filling the
// environment record and choosing the acting object as its kind says.
#include "sum/sum_triggers.h"

#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_triggers";

int index_of(SUM_TrigSlot slot) {
  return static_cast<int>(slot);
}

int list_index(SUM_TrigSlot slot) {
  return index_of(slot) - index_of(SUM_TrigSlot::kActivities);
}

int text_index(SUM_TrigSlot slot) {
  return index_of(slot) - index_of(SUM_TrigSlot::kChange);
}

// The record slot an object slot fills; null for kActor and kBaseline,
// which have no slot of their own.
vob_trig_obj_t* record_slot(vob_zem_trig_env_t& env, SUM_TrigSlot slot) {
  switch (slot) {
    case SUM_TrigSlot::kActivity:
      return &env.activity;
    case SUM_TrigSlot::kToActivity:
      return &env.to_activity;
    case SUM_TrigSlot::kVersion:
      return &env.version;
    case SUM_TrigSlot::kStream:
      return &env.stream;
    case SUM_TrigSlot::kSourceStream:
      return &env.source_stream;
    case SUM_TrigSlot::kParentStream:
      return &env.parent_stream;
    case SUM_TrigSlot::kProject:
      return &env.project;
    case SUM_TrigSlot::kFolder:
      return &env.folder;
    case SUM_TrigSlot::kParentFolder:
      return &env.parent_folder;
    case SUM_TrigSlot::kComponent:
      return &env.component;
    default:
      return nullptr;
  }
}

}  // namespace

SUM_OpTrigger::SUM_OpTrigger(const SUM_TrigKind& kind)
    : SUM_TriggerBase(kind.op, SUM_String()), kind_(kind) {}

void SUM_OpTrigger::set_integration_activity(const SUM_VobObject& activity) {
  if (kind_.late_activity)
    objects_[index_of(SUM_TrigSlot::kActivity)] = activity;
}

void SUM_OpTrigger::take(SUM_TrigParam param, const SUM_VobObject& obj) {
  objects_[index_of(param.slot)] = obj;
  if (param.acts == SUM_TrigActs::kYes)
    acts_ = obj;
  else if (param.acts == SUM_TrigActs::kElse)
    acts_else_ = obj;
}

void SUM_OpTrigger::take(SUM_TrigParam param, const SUM_VobObjectList& objs) {
  lists_[list_index(param.slot)] = objs;
}

void SUM_OpTrigger::take(SUM_TrigParam param, const SUM_String& text) {
  if (param.slot == SUM_TrigSlot::kComment)
    comment_ = text;
  else if (param.slot == SUM_TrigSlot::kViewTag)
    view_tag_ = text;
  else
    texts_[text_index(param.slot)] = text;
}

void SUM_OpTrigger::take(SUM_TrigParam, int flag) {
  flag_ = flag;
}

void SUM_OpTrigger::take(SUM_TrigParam, const SUM_Vob& pvob) {
  pvob_ = pvob;
  has_pvob_ = 1;
}

const SUM_VobObject& SUM_OpTrigger::acting() const {
  switch (kind_.else_when) {
    case SUM_TrigElseWhen::kFlagSet:
      return flag_ != 0 ? acts_else_ : acts_;
    case SUM_TrigElseWhen::kActingIsNull:
      return acts_.is_null() ? acts_else_ : acts_;
    case SUM_TrigElseWhen::kNever:
      break;
  }
  return acts_;
}

const char** SUM_OpTrigger::new_name_field() {
  switch (kind_.new_name) {
    case SUM_TrigNewName::kActivity:
      return &env_.activity.new_name;
    case SUM_TrigNewName::kStream:
      return &env_.stream.new_name;
    case SUM_TrigNewName::kBaseline:
      return &env_.baseline_new_name;
    case SUM_TrigNewName::kProject:
      return &env_.project.new_name;
    case SUM_TrigNewName::kFolder:
      return &env_.folder.new_name;
    case SUM_TrigNewName::kComponent:
      return &env_.component.new_name;
    case SUM_TrigNewName::kNone:
      break;
  }
  return nullptr;
}

int SUM_OpTrigger::fill_lists_and_texts() {
  const SUM_VobObject& baseline = objects_[index_of(SUM_TrigSlot::kBaseline)];
  SUM_VobObjectList one;
  if (!baseline.is_null())
    one.append(baseline);
  int status =
      fill(env_.baselines, baseline.is_null() ? lists_[list_index(SUM_TrigSlot::kBaselines)] : one);
  if (status == 0)
    status = fill(env_.activities, lists_[list_index(SUM_TrigSlot::kActivities)]);
  if (status == 0)
    status = fill(env_.other_baselines, lists_[list_index(SUM_TrigSlot::kOtherBaselines)]);
  if (status == 0)
    status = keep(env_.change, texts_[text_index(SUM_TrigSlot::kChange)]);
  if (status == 0)
    status = keep(env_.baseline_change, texts_[text_index(SUM_TrigSlot::kBaselineChange)]);
  const char** new_name = new_name_field();
  if (status == 0 && new_name != nullptr)
    status = keep(*new_name, texts_[text_index(SUM_TrigSlot::kNewName)]);
  return status;
}

int SUM_OpTrigger::setup_env_vars() {
  SUM_Trace trace(kind_.name);
  for (int i = 0; i < kSumTrigObjectSlots; ++i)
    if (vob_trig_obj_t* slot = record_slot(env_, static_cast<SUM_TrigSlot>(i)))
      fill(*slot, objects_[i]);
  int status = fill_lists_and_texts();
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!has_pvob_)
    return trace.checked(__LINE__, set_vob_obj(acting()));
  // The operation acts in the PVOB's VOB object.
  if (pvob_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_VobObject vob_object;
  if ((status = pvob_.vob_obj(vob_object)) != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, set_vob_obj(vob_object));
}

void SUM_OpTrigger::set_new_obj_name(const SUM_String& name) {
  if (const char** field = new_name_field())
    keep(*field, name);
}

int SUM_OpTrigger::setup_postop_env_vars() {
  const SUM_VobObject& activity = objects_[index_of(SUM_TrigSlot::kActivity)];
  if (!kind_.late_activity || activity.is_null())
    return 0;
  if (env_.activity.vob == activity.vob().handle() && env_.activity.dbid == activity.dbid())
    return 0;
  fill(env_.activity, activity);
  return 1;
}
