// The merge service: deciding what needs a merge, checking out into a view,
// merging directories and files, and recording merge arrows.
//
// A merge brings version `from` of an element into the version a view
// selects (`to`). Their common ancestor `base` is the closest version both
// descend from (through predecessors and merge arrows). The merge is:
//   - not needed when `from` is `to`, an ancestor of `to`, or already merged
//     into it;
//   - trivial (a copy) when `to` is an ancestor of `from` (only `from`'s side
//     changed), whatever the element's type;
//   - otherwise three-way: text files through a three-way text merge
//     (conflicts leave the checkout holding conflict markers, a deferred
//     merge); binary files (VOB_ELTYPE_FILE_NEVER_MERGE) are never merged:
//     the checkout keeps the target's content and the merge waits for the
//     user to choose a side, one conflict, with a warning naming the file;
//     directories on their name-space entries, element by element, so that
//     names removed or renamed on one side are carried over and an element
//     never ends up under two names; names both sides changed differently
//     are conflicts that keep the target's entries (and record no arrow).
// After a merge without conflicts a merge arrow from `from` to the checkout
// records it. A file merge that leaves conflicts is pending: the view's
// database records it (checkout, `from`, and a hash of the content merged
// into) before the merged text reaches the view's file, and forgets it when
// the arrow is recorded or the checkout is checked in or cancelled. While
// the view's file holds what that merge wrote (conflict markers, or the
// user's resolution not recorded yet), the checkout is never merged into
// again: the merge reports CMD_MERGE_PENDING and leaves the file untouched.
// A file that still holds the content from before the merge never received
// it (an interrupted merge): that record is stale and merging again redoes
// the merge. Checking in a pending merge records its arrow when the file
// holds no conflict region, and is refused (1001) while it does.
// A binary merge (and a merge whose side is being taken, see
// cmd_findmerge_resolve) waits for a side instead: its record says so, it
// writes nothing into the file (the file legitimately keeps the target's
// content, so the "pre-merge content" rule does not apply), it stays pending
// until its arrow is recorded, and checking it in is refused (1001) until
// cmd_findmerge_resolve records it. A merge writes through several
// calls, each one transaction; the arrow is written last, so an interrupted merge has none and can
// be redone.
//
// Statuses: 0 success (also when conflicts remain); 1002 when the view does
// not show the element; 1004 for null arguments; 1001 after a message for a
// refusal; otherwise the status of the service call that failed. Out-
// parameters are filled only on success.
#ifndef SERVICES_CMD_FINDMERGE_H
#define SERVICES_CMD_FINDMERGE_H

#include <string>
#include <vector>

#include "services/view.h"
#include "services/vob.h"

enum cmd_findmerge_need : int {
  CMD_MERGE_NOT_NEEDED = 0,
  CMD_MERGE_TRIVIAL = 1,  // copy `from`
  CMD_MERGE_THREE_WAY = 2,
  // An earlier merge into the view's checkout is pending (see above):
  // nothing was merged; `conflicts` are the regions its file still holds.
  CMD_MERGE_PENDING = 3,
};

// A change-set key: one version of a change set as merge and version-control
// passes name it.
struct fcset_key_t {
  vob_vob_h vob = nullptr;
  tbs_dbid_t element = 0;
  tbs_dbid_t version = 0;
  vob_mtype_t mtype = 0;  // the version's element's metatype (2: directory)
};

// What merging one element did.
struct cmd_findmerge_result_t {
  int need = CMD_MERGE_NOT_NEEDED;
  tbs_dbid_t checkout = 0;  // the checked-out version that received the merge
  tbs_dbid_t base = 0;      // the common ancestor used
  int conflicts = 0;        // conflicting regions (files) or entries (directories)
  std::string path;         // the element's path in the view
  // A binary file both sides changed: nothing was merged, and a side must
  // be chosen (`conflicts` is 1).
  int choose_side = 0;
};

// The common ancestor of two versions of one element: among the common
// ancestors that no other common ancestor descends from, the nearest to both
// (the newest on a tie). Either version when it is an ancestor of the other.
// 1002 when none.
int cmd_findmerge_common_ancestor(vob_vob_h vob, tbs_dbid_t a, tbs_dbid_t b, tbs_dbid_t* base);
// Whether merging `from` into the version `view` selects for the element is
// needed, and how (cmd_findmerge_need). 1002 when the view does not show the
// element (its directory is not merged yet).
int cmd_findmerge_zem_needs_co_merge(view_server_h view, vob_vob_h vob, tbs_dbid_t from, int* need);
// Checks out `element` in `view` as view_checkout does (making the config
// spec's -mkbranch branch when needed); an element this view has already
// checked out is used as it is. `checkout` is the checked-out version.
int cmd_findmerge_do_checkout_with_pop(view_server_h view, vob_vob_h vob, tbs_dbid_t element,
                                       const char* comment, tbs_dbid_t* checkout);
// Merges `from` into the view: checks out when needed, merges, writes the
// result into the view's file, and records the merge arrow unless conflicts
// remain (then the file holds conflict markers "<<<<<<<", "=======",
// ">>>>>>>" and the arrow is recorded when the user checks in after
// resolving, through cmd_findmerge_complete). With `print_only` nothing
// changes and `result` tells what would happen (its `checkout` is the view's
// existing checkout or 0; `conflicts` those the merge would leave). A merge
// that is not needed checks nothing out. 1001 when the view does not select
// its checkout of the element (no CHECKEDOUT rule).
int cmd_findmerge_zem_merge(view_server_h view, vob_vob_h vob, tbs_dbid_t from, const char* comment,
                            int print_only, cmd_findmerge_result_t* result);
// A merge of one version into a view, decided once: cmd_findmerge_zem_plan
// fills it, cmd_findmerge_zem_merge_planned makes it without reading the
// version graph or resolving the element's path again.
struct cmd_findmerge_plan_t {
  vob_vob_h vob = nullptr;
  tbs_dbid_t from = 0;  // the version to merge
  int is_dir = 0;       // of a directory element
  int need = CMD_MERGE_NOT_NEEDED;
  tbs_dbid_t base = 0;    // the common ancestor of `from` and the view's version (0: none)
  std::string path;       // the element's path in the view, "/vobtag/dir/file"
  view_path_info_t info;  // what the view showed of the element when planned
};
// Decides, as cmd_findmerge_zem_needs_co_merge does, whether and how `from`
// needs merging into the version `view` selects, and fills `plan` (its
// `base` only when a merge is needed). 1002 when the view does not show the
// element. `plan` is filled only on success.
int cmd_findmerge_zem_plan(view_server_h view, vob_vob_h vob, tbs_dbid_t from,
                           cmd_findmerge_plan_t* plan);
// Makes the merge `plan` decided, as cmd_findmerge_zem_merge does (checking
// out when the view holds no checkout of the element yet). The view may have
// checked the element out since the plan was made: the decision stands for a
// checkout made from the version the plan saw, and is made again against the
// checkout otherwise. A plan whose merge is not needed changes nothing. A
// copy (CMD_MERGE_TRIVIAL) of a file is written over the checkout's file in
// place rather than through a temporary file: interrupted, the file may hold
// part of it, and since its merge arrow is not recorded yet the next merge of
// that version (a resumed deliver or rebase) writes it again whole; a cancel
// gives the element back its selected version.
int cmd_findmerge_zem_merge_planned(view_server_h view, const cmd_findmerge_plan_t& plan,
                                    const char* comment, cmd_findmerge_result_t* result);
// Makes the merges `plans` decided, in order, each as
// cmd_findmerge_zem_merge_planned makes it: `statuses[i]` and `results[i]`
// (meaningful when that status is 0) for `plans[i]`. The VOB writes of up to
// 200 merges commit together, after those merges' files are written; an
// interruption loses the batch's merge arrows, and the next merge of those
// versions makes them again. 1004 for a null view; otherwise 0, each merge's
// outcome in `statuses`.
int cmd_findmerge_zem_merge_planned_many(view_server_h view,
                                         const std::vector<cmd_findmerge_plan_t>& plans,
                                         const char* comment, std::vector<int>& statuses,
                                         std::vector<cmd_findmerge_result_t>& results);
// ---- findmerge over a tree ------------------------------------------------------------

// What cmd_findmerge_tree is asked.
struct cmd_findmerge_args_t {
  // An element the view shows: a path in the view root, or a view path
  // "/vobtag/dir". The element and everything under it are merged.
  std::string path;
  // The version of each element to merge, named by its branch:
  // "BRANCH-PATH/N" or "BRANCH-PATH/LATEST", where BRANCH-PATH is
  // "/main/..." (exactly that branch, "/main" itself included) or
  // ".../NAME" (the branch of type NAME wherever it sprouts).
  std::string from;
  std::string comment;  // of the checkouts the merges make
  int print_only = 0;   // decide and compute only; change nothing
  // Once every merge is made, check in each checkout this call made whose
  // merge left no conflict (what a directory contains before it).
  int checkin = 0;
};

// One element that needs a merge.
struct cmd_findmerge_item_t {
  vob_vob_h vob = nullptr;
  tbs_dbid_t element = 0;
  tbs_dbid_t from = 0;            // the version merged
  int status = 0;                 // the status of its merge (or check-in): 0, or why it failed
  cmd_findmerge_result_t result;  // its path always; the rest when `status` is 0
  int checked_in = 0;             // `result.checkout` was checked in
};

// Merges `args.from` of every element at or under `args.path` into `view`
// as cmd_findmerge_zem_merge does, and lists in `items` each element whose
// merge is needed (or would be, with `print_only`) or failed, in the order
// merged: a directory before what it contains. Only elements with a branch
// of the type `args.from` names are looked at (the VOB is asked for them,
// and for the directories above them, once); the view's config spec is
// read once. A directory's merge comes first, so what it gains (an element
// added on the branch) is merged in the same call; with `print_only` the
// entries it would gain are reported as they would be merged. A failing
// element does not stop the others: its item holds the status. With
// `args.checkin` the merges this call checked out and completed are checked
// in at the end.
// 1004 (after a message) for a malformed `args.from`; 1001 (after a message)
// when its branch type does not exist in the VOB; 1002 when the view shows
// no element at `args.path`. `items` is filled only on success.
int cmd_findmerge_tree(view_server_h view, const cmd_findmerge_args_t& args,
                       std::vector<cmd_findmerge_item_t>& items);

// Records the merge arrow of a deferred merge once its conflicts are resolved:
// `checkout` may be checked out still or checked in since. An arrow already
// there is not recorded twice. The view forgets its pending merge into
// `checkout`. 1001 (after a message) while the file's
// content, the view's file for a checkout of `view`, still holds a conflict
// region (text files only), and while the view's pending merge into it waits
// for a side to be chosen (cmd_findmerge_resolve); 1004 (after a message)
// when the versions are of different elements.
int cmd_findmerge_complete(view_server_h view, vob_vob_h vob, tbs_dbid_t from, tbs_dbid_t checkout);
// A pending merge of a view (see the top of this file).
struct cmd_findmerge_pending_t {
  vob_vob_h vob = nullptr;
  tbs_dbid_t element = 0;
  tbs_dbid_t checkout = 0;  // the view's checkout that received the merge
  tbs_dbid_t from = 0;      // the version merged
  std::string path;         // "/vobtag/dir/file"
  int conflicts = 0;        // conflict regions the view's file still holds (a binary file: 1)
  int first_line = 0;       // line (from 1) of the first one; 0 when none
  int choose_side = 0;      // a side must be chosen (cmd_findmerge_resolve with a side)
  int binary = 0;           // the element is a binary file (VOB_ELTYPE_FILE_NEVER_MERGE)
};
// The view's pending merges, by path.
int cmd_findmerge_list_pending(view_server_h view, std::vector<cmd_findmerge_pending_t>& pending);
// The side cmd_findmerge_resolve takes.
enum cmd_findmerge_take : int {
  CMD_MERGE_TAKE_NONE = 0,    // the file's content as the user left it
  CMD_MERGE_TAKE_OURS = 1,    // the checkout's content from before the merge
  CMD_MERGE_TAKE_THEIRS = 2,  // the content of the version merged from
};
// Marks the pending merge into the view's checkout at `path` (as view_lookup
// takes it) resolved: records its merge arrow and forgets it; `resolved`
// (may be null) tells which. With a side (`take`), the view's file first
// receives that side's content whole (conflict markers are thrown away); the
// record is marked as waiting for a side before the file changes, so an
// interruption anywhere leaves the merge pending and the same call finishes
// it. Without one, a text file must hold no conflict region and a binary
// file is recorded with whatever it holds (the user put the side there).
// 1001 after a message naming the path when the view holds no pending merge
// there, or (no side) when its text file still holds a conflict region
// (naming the first one's line); 1004 for an unknown `take`.
int cmd_findmerge_resolve(view_server_h view, const char* path, int take,
                          cmd_findmerge_pending_t* resolved);
// Three-way merge of texts: `conflicts` regions where both sides changed
// differently, marked in `merged`. 0 also when there are conflicts; 1001
// after a message when the merge cannot be made. A null label is "ours" or
// "theirs". `conflicts` may be null.
int cmd_findmerge_merge_text(const std::string& base, const std::string& ours,
                             const std::string& theirs, const char* ours_label,
                             const char* theirs_label, std::string& merged, int* conflicts);
// Whether an element is a binary file, never merged (a merge that both sides
// changed waits for a side to be chosen; one side's change is copied); a
// warning naming it is printed when `report` and it is.
int cmd_findmerge_report_never_mergetype(vob_vob_h vob, tbs_dbid_t element, int report,
                                         int* never_merge);

#endif  // SERVICES_CMD_FINDMERGE_H
