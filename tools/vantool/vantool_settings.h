// Options that name policies and components, shared by the commands that
// make and change projects and streams.
#ifndef VANTOOL_VANTOOL_SETTINGS_H
#define VANTOOL_VANTOOL_SETTINGS_H

#include "sum/sum_lists.h"
#include "sum/sum_policy.h"
#include "sum/sum_vob.h"
#include "vantool_options.h"

namespace vantool {

// The policy keys named by the values of `option` (words separated by
// commas or blanks); a user name ("DeliverReqRebase") becomes its key,
// anything else is passed on for the policy layer to judge.
SUM_StringList policy_keys(const ParsedArgs& args, const char* option);

// Applies -policy, -npolicy and, with `by_stream`, -spolicy to `list` for a
// PVOB at feature level `level`: 0 when some policy changed, 1067 when none
// did, else the status of the pass that failed (after its message).
int apply_policy_options(const ParsedArgs& args, int level, bool by_stream, SUM_PolicyList& list);

// The components named by the comma lists of `option`, in order: selectors,
// where a bare name is looked up in `pvob`. False after a message naming
// the first that is not a component.
bool component_options(const ParsedArgs& args, const char* option, const SUM_Vob& pvob,
                       SUM_ComponentList& out);

// The baselines named by the values of `option` (selectors separated by
// commas or blanks), in order, appended to `out`; a bare name is looked up
// in `pvob`. False after a message naming the first that is not a
// baseline.
bool baseline_options(const ParsedArgs& args, const char* option, const SUM_Vob& pvob,
                      SUM_BaselineList& out);

}  // namespace vantool

#endif  // VANTOOL_VANTOOL_SETTINGS_H
