// The merge service: deciding what needs a merge, checking out into a view,
// merging directories and files, and recording merge arrows.
//
// A merge brings version `from` of an element into the version a view
// selects (`to`). Their common ancestor `base` is the closest version both
// descend from (through predecessors and merge arrows). The merge is:
//   - not needed when `from` is `to`, an ancestor of `to`, or already merged
//     into it;
//   - trivial (a copy) when `to` is an ancestor of `from`, or for element
//     types that are never merged;
//   - otherwise three-way: files through a three-way text merge (conflicts
//     leave the checkout holding conflict markers, a deferred merge);
//     directories on their name-space entries, one pass per entry.
// After a merge without conflicts a merge arrow from `from` to the checkout
// records it.
#ifndef SERVICES_CMD_FINDMERGE_H
#define SERVICES_CMD_FINDMERGE_H

#include <string>
#include <vector>

#include "services/view.h"
#include "services/vob.h"

enum cmd_findmerge_need : int {
  CMD_MERGE_NOT_NEEDED = 0,
  CMD_MERGE_TRIVIAL = 1,    // copy `from`
  CMD_MERGE_THREE_WAY = 2,
};

// What merging one element did.
struct cmd_findmerge_result_t {
  int need = CMD_MERGE_NOT_NEEDED;
  tbs_dbid_t checkout = 0;  // the checked-out version that received the merge
  tbs_dbid_t base = 0;      // the common ancestor used
  int conflicts = 0;        // conflicting regions (files) or entries (directories)
  std::string path;         // the element's path in the view
};

// The common ancestor of two versions of one element; 1002 when none.
int cmd_findmerge_common_ancestor(vob_vob_h vob, tbs_dbid_t a, tbs_dbid_t b, tbs_dbid_t* base);
// Whether merging `from` into the version `view` selects for the element is
// needed, and how (cmd_findmerge_need).
int cmd_findmerge_zem_needs_co_merge(view_server_h view, vob_vob_h vob, tbs_dbid_t from, int* need);
// Checks out the element of `from` in `view` as view_checkout does (making the
// config spec's -mkbranch branch when needed); an element this view has
// already checked out is used as it is.
int cmd_findmerge_do_checkout_with_pop(view_server_h view, vob_vob_h vob, tbs_dbid_t element,
                                       const char* comment, tbs_dbid_t* checkout);
// Merges `from` into the view: checks out when needed, merges, writes the
// result into the view's file, and records the merge arrow unless conflicts
// remain (then the file holds conflict markers "<<<<<<<", "=======",
// ">>>>>>>" and the arrow is recorded when the user checks in after
// resolving, through cmd_findmerge_complete). With `print_only` nothing
// changes and `result` tells what would happen.
int cmd_findmerge_zem_merge(view_server_h view, vob_vob_h vob, tbs_dbid_t from,
                            const char* comment, int print_only, cmd_findmerge_result_t* result);
// Records the merge arrow of a deferred merge once its conflicts are resolved.
int cmd_findmerge_complete(view_server_h view, vob_vob_h vob, tbs_dbid_t from, tbs_dbid_t checkout);
// Three-way merge of texts: `conflicts` regions where both sides changed
// differently, marked in `merged`. 0 also when there are conflicts.
int cmd_findmerge_merge_text(const std::string& base, const std::string& ours,
                             const std::string& theirs, const char* ours_label,
                             const char* theirs_label, std::string& merged, int* conflicts);
// Whether an element's type is never merged (its merges are copies); a
// message naming it is printed when `report`.
int cmd_findmerge_report_never_mergetype(vob_vob_h vob, tbs_dbid_t element, int report,
                                         int* never_merge);

#endif  // SERVICES_CMD_FINDMERGE_H
