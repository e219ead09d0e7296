// SUM_TriggerBase: setup, firing, reset and cleanup through the trigger
// service, and the process-wide stack of open trigger scopes.
#include "sum/sum_trigger_base.h"

#include "sum/sum_cache_control.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_trigger_base";

// The operation kinds of the open trigger scopes, bottom first.
struct OpStack {
  vob_op_t ops[SUM_TriggerBase::kMaxNesting] = {};
  int depth = 0;
};

OpStack& op_stack() {
  static OpStack stack;
  return stack;
}

// Created on the first setup and kept for the life of the process.
SUM_EventInfo* shared_event = nullptr;

}  // namespace

SUM_TriggerBase::SUM_TriggerBase(const vob_op_t op, const SUM_String& comment)
    : op_(op), comment_(comment) {
  vob_op_t parent = 0;
  if (push_instance(op, parent) == 0) {
    pushed_ = 1;
    parent_op_ = parent;
  }
}

SUM_TriggerBase::~SUM_TriggerBase() {
  SUM_Trace trace("SUM_TriggerBase::~SUM_TriggerBase");
  if (trig_ != nullptr) {
    int status = vob_zem_trig_cleanup(trig_);
    if (status != 0) {
      trace.status_line(__LINE__, status);
      imsg_print(IMSG_ERROR, sum_triggers_msg::TriggerCleanupFailed);
    }
    trig_ = nullptr;
  }
  if (pushed_)
    pop_instance();
}

int SUM_TriggerBase::push_instance(const vob_op_t& op, vob_op_t& parent) {
  SUM_Trace trace("SUM_TriggerBase::push_instance");
  OpStack& stack = op_stack();
  if (stack.depth >= kMaxNesting)
    return sum_int_error(kSource, trace.name(), __LINE__);
  parent = stack.depth > 0 ? stack.ops[stack.depth - 1] : 0;
  stack.ops[stack.depth++] = op;
  return SUM_OK;
}

int SUM_TriggerBase::pop_instance() {
  OpStack& stack = op_stack();
  if (stack.depth > 0)
    --stack.depth;
  return SUM_OK;
}

const SUM_EventInfo* SUM_TriggerBase::event_info() {
  return shared_event;
}

int SUM_TriggerBase::set_vob_obj(const SUM_VobObject& obj) {
  SUM_Trace trace("SUM_TriggerBase::set_vob_obj");
  if (obj.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_obj_ = obj;
  return SUM_OK;
}

int SUM_TriggerBase::set_view_tag(const SUM_String& tag) {
  view_tag_ = tag;
  return SUM_OK;
}

void SUM_TriggerBase::set_new_obj_name(const SUM_String&) {}

int SUM_TriggerBase::setup_postop_env_vars() {
  return 0;
}

void SUM_TriggerBase::fill(vob_trig_obj_t& slot, const SUM_VobObject& obj) {
  if (obj.is_null())
    return;
  slot.vob = obj.vob().handle();
  slot.dbid = obj.dbid();
}

int SUM_TriggerBase::fill(vob_trig_objs_t& list, const SUM_VobObjectList& objs) {
  SUM_Trace trace("SUM_TriggerBase::fill");
  list = vob_trig_objs_t();
  if (objs.count() == 0)
    return SUM_OK;
  auto* vobs = static_cast<vob_vob_h*>(area_.alloc(objs.count() * sizeof(vob_vob_h)));
  auto* dbids = static_cast<tbs_dbid_t*>(area_.alloc(objs.count() * sizeof(tbs_dbid_t)));
  if (vobs == nullptr || dbids == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  unsigned n = 0;
  for (unsigned i = 0; i < objs.count(); ++i) {
    if (objs[i].is_null())
      continue;
    vobs[n] = objs[i].vob().handle();
    dbids[n] = objs[i].dbid();
    ++n;
  }
  list.count = n;
  list.vobs = n > 0 ? vobs : nullptr;
  list.dbids = n > 0 ? dbids : nullptr;
  return SUM_OK;
}

int SUM_TriggerBase::keep(const char*& field, const SUM_String& text) {
  SUM_Trace trace("SUM_TriggerBase::keep");
  if (text.GetLength() == 0) {
    field = nullptr;
    return SUM_OK;
  }
  char* copy = area_.strdup(text);
  if (copy == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  field = copy;
  return SUM_OK;
}

int SUM_TriggerBase::setup() {
  SUM_Trace trace("SUM_TriggerBase::setup");
  if (is_setup_)
    return SUM_OK;
  if (!pushed_)
    return sum_int_error(kSource, trace.name(), __LINE__);
  env_ = vob_zem_trig_env_t();
  int status = 0;
  {
    // Filling the record asks the objects for related objects; their
    // answers may be memoised while it runs.
    SUM_CacheControl cache;
    status = setup_env_vars();
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (vob_obj_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);

  if (shared_event == nullptr)
    shared_event = new SUM_EventInfo(comment_, op_);
  shared_event->set_comment(comment_);
  shared_event->set_opcode(op_);

  vob_zem_trig_h made = nullptr;
  status = vob_zem_trig_setup(vob_obj_.vob().handle(), vob_obj_.dbid(), op_, parent_op_, &env_,
                              view_tag_, shared_event->info(), &made);
  if (status != 0) {
    trace.status_line(__LINE__, status);
    imsg_print(IMSG_ERROR, sum_triggers_msg::TriggerSetupFailed);
    return status;
  }
  trig_ = made;
  is_setup_ = 1;
  return SUM_OK;
}

int SUM_TriggerBase::fire_preop() {
  SUM_Trace trace("SUM_TriggerBase::fire_preop");
  int status = setup();
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (trig_ == nullptr)
    return SUM_OK;
  return trace.checked(__LINE__, vob_zem_trig_fire_pre_triggers(vob_obj_.vob().handle(), trig_));
}

int SUM_TriggerBase::fire_postop(const SUM_VobObject& new_obj) {
  SUM_Trace trace("SUM_TriggerBase::fire_postop");
  int status = run_postop(new_obj);
  if (status != 0) {
    trace.status_line(__LINE__, status);
    imsg_print(IMSG_WARNING, sum_triggers_msg::PostopFailedOperationStands);
  }
  return SUM_OK;
}

int SUM_TriggerBase::run_postop(const SUM_VobObject& new_obj) {
  SUM_Trace trace("SUM_TriggerBase::run_postop");
  int status = setup();
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (trig_ == nullptr)
    return SUM_OK;
  if (!new_obj.is_null()) {
    SUM_String selector;
    status = new_obj.selector(1, selector);
    if (status != 0) {
      trace.status_line(__LINE__, status);
      imsg_print(IMSG_ERROR, sum_integration_msg::UnableGetActivitySelector);
      return status;
    }
    set_new_obj_name(selector);
  }
  // Deliver and rebase classes add the integration activity here, also
  // when the operation created nothing.
  int changed = setup_postop_env_vars();
  if (!new_obj.is_null() || changed != 0) {
    status = vob_zem_trig_reset_evs(&env_, trig_);
    if (status != 0) {
      trace.status_line(__LINE__, status);
      imsg_print(IMSG_ERROR, sum_triggers_msg::TriggerResetFailed);
      return status;
    }
  }
  tbs_dbid_t new_dbid = new_obj.is_null() ? 0 : new_obj.dbid();
  vob_vob_h new_vob = new_obj.is_null() ? vob_obj_.vob().handle() : new_obj.vob().handle();
  return trace.checked(
      __LINE__, vob_zem_trig_fire_post_triggers(vob_obj_.vob().handle(), trig_, new_dbid, new_vob));
}
