// SUM_TriggerBase: what every operation's trigger object shares. An
// operation builds the trigger object of its kind before it changes
// anything, fires the pre-operation triggers (which may refuse the
// operation), makes the change, fires the post-operation triggers with the
// object it created, and lets the trigger object go out of scope:
//
//   SUM_TrigMkFolder trigger(parent, name, comment);
//   if (int status = trigger.fire_preop()) return status;
//   ... create the folder ...
//   return trigger.fire_postop(folder);
//
// The trigger types themselves live in the repository; its trigger service
// decides which apply and runs them (services/vob_trig.h). This class tells
// the service which operation runs, on which objects (the environment
// record each class fills), in which enclosing operation and with which
// comment.
//
// Process-wide state, unguarded (the library is single-threaded): the stack
// of the operation kinds of open trigger objects, at most 32 deep, and one
// shared event record created on the first setup.
#ifndef SUM_SUM_TRIGGER_BASE_H
#define SUM_SUM_TRIGGER_BASE_H

#include "services/vob_trig.h"
#include "sum/sum_event_info.h"
#include "sum/sum_lists.h"
#include "sum/sum_stg_area.h"
#include "sum/sum_string.h"
#include "sum/sum_vob_object.h"

class SUM_TriggerBase {
 public:
  // Most trigger objects open at once; the next is refused.
  static constexpr int kMaxNesting = 32;

  // Opens the trigger scope of operation kind `op` with the operation's
  // comment: pushes `op` on the process-wide stack and records the kind
  // below it as parent_op (0 at top level). When kMaxNesting scopes are
  // already open the push fails (an internal error is logged), nothing is
  // pushed, and both fires of this object return 1072.
  SUM_TriggerBase(const vob_op_t op, const SUM_String& comment);
  // Frees the trigger service's handle when there is one (printing "Trigger
  // cleanup failed." when that fails) and closes the scope.
  virtual ~SUM_TriggerBase();
  SUM_TriggerBase(const SUM_TriggerBase&) = delete;
  SUM_TriggerBase& operator=(const SUM_TriggerBase&) = delete;

  // Runs the pre-operation triggers: 0 lets the operation go on; any other
  // status refuses it (1001 after the service's message naming the trigger
  // type that refused). Sets up first (below); a setup failure is returned.
  // 0 when no trigger type applies.
  int fire_preop();
  // Runs the post-operation triggers. `new_obj` is the object the operation
  // created, or a null object. A non-null object's rebuilt selector becomes
  // the record's name of the new object (for the creating classes) and the
  // event data are reset before firing; with a null object they are reset
  // only when the class added to the record after setup (the integration
  // activity of deliver and rebase). The service is told the new object's
  // dbid and VOB (0 and vob_obj's VOB for a null object).
  // The operation is already made when this runs, so it never undoes or
  // fails it: the result is always 0. A failure (setup; the selector, after
  // "Unable to get activity selector."; the reset, after "Trigger reset
  // failed."; a trigger command that fails or cannot run) is printed and
  // followed by a warning that the operation stands.
  int fire_postop(const SUM_VobObject& new_obj);

  // Sets the object the operation acts on (its VOB serves the triggers). A
  // null object is 1072.
  int set_vob_obj(const SUM_VobObject& obj);
  // Sets the view the operation works in; "" for none.
  int set_view_tag(const SUM_String& tag);

  // Pushes `op` on the stack of open trigger scopes and gives the kind that
  // was on top (0 when the stack was empty) in `parent`. With kMaxNesting
  // scopes open: an internal error is logged, nothing is pushed, `parent`
  // is untouched, and the result is 1072.
  static int push_instance(const vob_op_t& op, vob_op_t& parent);
  // Removes the top of the stack; nothing when it is empty. Returns 0.
  static int pop_instance();
  // The shared event record (comment and operation code of the latest
  // setup), or null before the first setup of the process.
  static const SUM_EventInfo* event_info();

  vob_op_t op() const { return op_; }
  vob_op_t parent_op() const { return parent_op_; }
  // 1 once set up (the first fire did it).
  int is_setup() const { return is_setup_; }
  // The trigger service's handle: null until set up, and null after setup
  // when no trigger type applies.
  vob_zem_trig_h trig() const { return trig_; }
  const SUM_VobObject& vob_obj() const { return vob_obj_; }
  const SUM_String& view_tag() const { return view_tag_; }
  const SUM_String& comment() const { return comment_; }
  const vob_zem_trig_env_t& env() const { return env_; }

 protected:
  // Fills env_ from the operation's objects and sets vob_obj_ to the
  // object the operation acts on. A failure is returned by the fire that
  // set up, and the operation fails.
  virtual int setup_env_vars() = 0;
  // Records `name` (the created object's rebuilt selector) as the record's
  // name of the new object. Does nothing unless the class creates objects.
  virtual void set_new_obj_name(const SUM_String& name);
  // Adds to the record what the operation made after setup. Nonzero when it
  // changed the record, so the service's event data must be reset; the
  // default changes nothing and answers 0.
  virtual int setup_postop_env_vars();

  // Puts `obj` (VOB and dbid) into `slot`; a null object leaves it empty.
  static void fill(vob_trig_obj_t& slot, const SUM_VobObject& obj);
  // Puts the objects of `objs` into `list`, the arrays in this object's
  // storage area; null objects are left out. 1072 when storage fails.
  int fill(vob_trig_objs_t& list, const SUM_VobObjectList& objs);
  // Points `field` at a copy of `text` in this object's storage area; an
  // empty text leaves `field` null. 1072 when storage fails.
  int keep(const char*& field, const SUM_String& text);

  vob_op_t parent_op_ = 0;
  vob_zem_trig_env_t env_;
  SUM_String view_tag_;
  vob_op_t op_;
  vob_zem_trig_h trig_ = nullptr;
  int is_setup_ = 0;
  SUM_VobObject vob_obj_;
  SUM_String comment_;

 private:
  // fire_postop's work: 0, or the status of the first step that failed.
  int run_postop(const SUM_VobObject& new_obj);
  // Fills the record (inside a cache scope), updates the shared event
  // record and asks the service for its handle; once per object (a failed
  // setup is tried again by the next fire).
  int setup();

  // Holds the record's arrays and texts until this object dies.
  SUM_StgArea area_;
  // 1 when the constructor's push succeeded (and the destructor pops).
  int pushed_ = 0;
};

#endif  // SUM_SUM_TRIGGER_BASE_H
