// SUM_TriggerType: a trigger type of a VOB — the command the trigger
// service runs before or after the operations of the kinds it names,
// possibly restricted to some objects — and the operation kinds themselves.
// Making, listing and removing trigger types is the administrators' side of
// the trigger service (services/vob_trig.h); firing them is SUM_TriggerBase's.
//
// Contracts: a null VOB or type records an internal error and returns 1072;
// out-parameters are filled only on success; the repository's refusals
// (1051 not the VOB's owner, 1040 locked, 1003 name taken, 1004 bad
// arguments, each after a message) pass up unchanged.
#ifndef SUM_SUM_TRIGGER_TYPE_H
#define SUM_SUM_TRIGGER_TYPE_H

#include <vector>

#include "services/vob_trig.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"

class SUM_TriggerType : public SUM_NamedObject {
 public:
  SUM_TriggerType() = default;
  SUM_TriggerType(const SUM_Vob& vob, tbs_dbid_t dbid) : SUM_NamedObject(vob, dbid) {}

  // Makes the trigger type `args` describe in `vob` and sets `out` to it.
  static int create(const SUM_Vob& vob, const vob_trtype_create_args_t& args, SUM_TriggerType& out);
  // The trigger type named `name` in `vob`; 1002 when none.
  static int construct_from_name(const SUM_Vob& vob, const char* name, SUM_TriggerType& out);
  // The trigger types of `vob` in creation order, replacing `out`.
  static int list(const SUM_Vob& vob, std::vector<vob_trtype_t>& out);

  // Removes the type and its history, recording `comment`.
  int remove(const char* comment) const;

  // ---- operation kinds ----
  // Every operation kind a trigger type may name, in the service's order.
  static const std::vector<vob_op_t>& operations();
  // The name of an operation kind ("mkactivity"); null for none.
  static const char* operation_text(vob_op_t op);
  // The operation kind named `name`; 1004 when none.
  static int operation_of(const char* name, vob_op_t& out);
};

#endif  // SUM_SUM_TRIGGER_TYPE_H
