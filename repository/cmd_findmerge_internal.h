// What the parts of the merge service share: its messages, recognising
// conflict regions in merged text, the three-way merge of directory name
// spaces, merging one element found in a view, and naming the version to
// merge from.
#ifndef REPOSITORY_CMD_FINDMERGE_INTERNAL_H
#define REPOSITORY_CMD_FINDMERGE_INTERNAL_H

#include <map>
#include <set>
#include <string>
#include <vector>

#include "services/cmd_findmerge.h"
#include "services/cspec.h"
#include "services/view.h"
#include "services/vob_elem.h"

namespace repo::merge {

// Counts complete conflict regions in `text`: an opening line "<<<<<<<", a
// separator line "=======" and a closing line ">>>>>>>", in that order. A
// label makes the matching marker line read "<marker> <label>" exactly; a
// null label accepts any label (or none) after the marker.
int count_conflict_regions(const std::string& text, const char* ours_label,
                           const char* theirs_label);

// The line (from 1) where the first complete conflict region of `text`
// opens, as count_conflict_regions counts them with null labels; 0 when
// there is none.
int first_conflict_line(const std::string& text);

// ---- pending merges (cmd_findmerge_pending.cpp) ---------------------------------------

// The view's pending merge into its checkout `checkout` of `element`, judged
// against `content`, the checkout's content now (the view's file). `found`
// tells whether there is one; a recorded one that is no longer pending (its
// checkout gone, its arrow recorded, or its file never received the merge)
// is forgotten when `drop_stale`.
int find_pending(view_server_h view, vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t checkout,
                 const std::string& content, bool drop_stale, cmd_findmerge_pending_t& pending,
                 bool& found);
// Records that the merge of `from` into `checkout` (the element at `path`)
// leaves conflicts, before its text reaches the view's file, or that it waits
// for a side to be chosen (`choose_side`); `before` is the checkout's content
// it merged into, kept in the record unless the checkout's predecessor holds
// it.
int note_pending(view_server_h view, vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t checkout,
                 tbs_dbid_t from, const std::string& path, const std::string& before,
                 bool choose_side);
// Whether the view's pending merge into `checkout` of `element` waits for a
// side to be chosen (its record says so; whether it is still pending is not
// judged here).
int side_waiting(view_server_h view, vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t checkout,
                 bool& waiting);
// Records the merge arrow from `from` to `checkout` (once) and forgets the
// view's pending merge into it; no check of the content.
int record_merge(view_server_h view, vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t from,
                 tbs_dbid_t checkout);
// Replaces the file's content through a temporary file renamed over it, so
// that a failure leaves either the old or the new content. The file keeps
// its permissions. 1005 (or the errno's status) after a message.
int write_merged_file(const std::string& path, const std::string& content);
// Writes `content` over the file in place (its inode and permissions kept),
// or as write_merged_file does when there is no writable file there. A
// failure or an interruption may leave part of it: only for merges that are
// made again whole until their arrow is recorded. Statuses as
// write_merged_file.
int overwrite_merged_file(const std::string& path, const std::string& content);
// Forgets the view's pending merge into `checkout` of `element`, if any.
int forget_pending(view_server_h view, vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t checkout);
// What a check-in of the view's checkout `checkout` of the file element at
// `path` with `content` owes a pending merge: 1001 after a message while the
// content holds a conflict region; otherwise `merged_from` is the version
// whose arrow the check-in records (0 when none is pending).
int pending_for_checkin(view_server_h view, vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t checkout,
                        const std::string& path, const std::string& content,
                        tbs_dbid_t& merged_from);

// A directory version's name space: name to element.
using Entries = std::map<std::string, tbs_dbid_t>;

// Reads every entry of a directory version into `entries` (replacing what it
// held); version 0 reads as an empty directory. Status of the failing call.
int read_dir_entries(vob_vob_h vob, tbs_dbid_t dir_version, Entries& entries);

// A change of a directory that both sides made differently; the merge
// leaves the target's entries as they are.
struct DirConflict {
  enum Kind {
    kNameClash,     // `name` names different elements on the two sides
    kRenameClash,   // the element named `name` is named `theirs_name` on the other side
    kRenameRemoved  // `name` was renamed on one side and removed on the other
  };
  Kind kind = kNameClash;
  std::string
      name;  // the target's name (kRenameRemoved: the ancestor's when the target removed it)
  std::string theirs_name;  // kRenameClash: the merged version's name
};

// The changes that bring `theirs` into `ours`.
struct DirPlan {
  std::vector<std::string> remove;     // names to remove from ours
  std::vector<vob_nsdir_entry_t> add;  // names to catalogue in ours
  std::vector<DirConflict> conflicts;  // left as ours
  Entries merged;                      // ours once the plan is applied
};

// Plans the merge of name spaces, element by element. With `copy` ours
// becomes theirs entry for entry. Otherwise each element keeps the name ours
// gives it (or stays out) unless only theirs changed it since `base`: then
// it takes theirs' name, is added, or is removed. Both sides changing it
// differently (two new names, or a new name against a removal) is a
// conflict. An element whose new name ours already gives another element
// stays where ours has it, a conflict on that name. No element ends up
// under two names that ours did not already give it.
void plan_dir_merge(const Entries& base, const Entries& ours, const Entries& theirs, bool copy,
                    DirPlan& plan);

// Applies a plan to the checked-out directory version `checkout`: first every
// removal, then every addition, so a name can move to another element. Each
// change is its own transaction; applying the same plan again after an
// interruption finishes the work (entries already changed are skipped).
int apply_dir_plan(vob_vob_h vob, tbs_dbid_t checkout, const DirPlan& plan,
                   const vob_event_info_t* event);

// Where an element stands in a view.
struct InView {
  std::string path;  // "/vobtag/dir/file"
  view_path_info_t info;
};

// How merging a version into `to` was decided earlier (a plan): it stands
// for `to` and for a checkout made from `to`.
struct Decision {
  tbs_dbid_t to = 0;
  int need = CMD_MERGE_NOT_NEEDED;
  tbs_dbid_t base = 0;  // 0: no common ancestor (merged against an empty one)
};

// Merges version `from` (of a directory when `is_dir`) into the element the
// view shows at `where`, with the view's config spec `cspec`, as
// cmd_findmerge_zem_merge describes; `where` then describes the checkout.
// For a directory that needs a merge, `merged` (when not null) receives its
// entries after the merge (for `print_only`: after the merge it would make).
// With `decided` (not null) the version graph is read only when the
// decision does not stand for the version merged into.
int merge_into(view_server_h view, const cspec_t& cspec, vob_vob_h vob, tbs_dbid_t from,
               bool is_dir, InView& where, const char* comment, bool print_only,
               cmd_findmerge_result_t& result, Entries* merged, const Decision* decided = nullptr);

// The checkout of the element at `where` that a merge writes into: the
// view's checkout of it when it holds one, else a new one made as
// view_checkout makes it. Every checkout of the merge service is made here
// or, ahead of their merges, by checkout_for_merges.
int checkout_for_merge(view_server_h view, vob_vob_h vob, const InView& where, const char* comment,
                       tbs_dbid_t* checkout);

// A file element about to be merged: where the view shows it, and the
// version to merge from.
struct MergeCandidate {
  InView where;
  tbs_dbid_t from = 0;
};
// Checks out, in one bulk call of the view service, those of the files of
// one directory that need a merge and that the view does not hold checked
// out, so that their merges find their checkouts made; `made` gains the
// elements checked out. A failure is left for the element's own merge to
// meet and report.
void checkout_for_merges(view_server_h view, vob_vob_h vob,
                         const std::vector<MergeCandidate>& candidates, const char* comment,
                         std::set<tbs_dbid_t>& made);

// Checks in the checkouts of the elements at view paths `paths` once their
// merges are complete, keeping the checkouts' comments, in the view's
// batches (one result per path, as view_checkin_many gives). Every check-in
// of the merge service is made here.
int checkin_merges(view_server_h view, const std::vector<std::string>& paths,
                   std::vector<view_path_result_t>& results);

// The version findmerge merges from, per element: "BRANCH-PATH/N" or
// "BRANCH-PATH/LATEST", where BRANCH-PATH is "/main/..." (that branch) or
// ".../NAME" (the branch of type NAME wherever it sprouts).
struct MergeSource {
  bool anywhere = false;    // ".../NAME"
  std::string branch_path;  // "/main/dev" unless `anywhere`
  std::string brtype;       // the branch type: the path's last name
  int number = -1;          // -1: LATEST
};
// 1004 after a message naming `text` when it is not of that form.
int parse_merge_source(const std::string& text, MergeSource& source);

}  // namespace repo::merge

#endif  // REPOSITORY_CMD_FINDMERGE_INTERNAL_H
