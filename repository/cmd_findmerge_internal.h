// What the parts of the merge service share: recognising conflict regions in
// merged text, and the three-way merge of directory name spaces.
#ifndef REPOSITORY_CMD_FINDMERGE_INTERNAL_H
#define REPOSITORY_CMD_FINDMERGE_INTERNAL_H

#include <map>
#include <string>
#include <vector>

#include "services/vob_elem.h"

namespace repo::merge {

// Counts complete conflict regions in `text`: an opening line "<<<<<<<", a
// separator line "=======" and a closing line ">>>>>>>", in that order. A
// label makes the matching marker line read "<marker> <label>" exactly; a
// null label accepts any label (or none) after the marker.
int count_conflict_regions(const std::string& text, const char* ours_label,
                           const char* theirs_label);

// A directory version's name space: name to element.
using Entries = std::map<std::string, tbs_dbid_t>;

// Reads every entry of a directory version into `entries` (replacing what it
// held); version 0 reads as an empty directory. Status of the failing call.
int read_dir_entries(vob_vob_h vob, tbs_dbid_t dir_version, Entries& entries);

// The changes that bring `theirs` into `ours`.
struct DirPlan {
  std::vector<std::string> remove;     // names to remove from ours
  std::vector<vob_nsdir_entry_t> add;  // names to catalogue in ours
  std::vector<std::string> conflicts;  // names changed differently on both sides, kept as ours
};

// Plans the merge of name spaces. With `copy` ours becomes theirs entry for
// entry. Otherwise, per name: equal on both sides, nothing; unchanged from
// `base` on one side, the other side's entry is taken (added, removed or
// pointed at another element); changed differently on both sides, a conflict
// left as ours. A name that changes its element is removed, then added.
void plan_dir_merge(const Entries& base, const Entries& ours, const Entries& theirs, bool copy,
                    DirPlan& plan);

// Applies a plan to the checked-out directory version `checkout`: first every
// removal, then every addition, so a name can move to another element. Each
// change is its own transaction; applying the same plan again after an
// interruption finishes the work (entries already changed are skipped).
int apply_dir_plan(vob_vob_h vob, tbs_dbid_t checkout, const DirPlan& plan,
                   const vob_event_info_t* event);

}  // namespace repo::merge

#endif  // REPOSITORY_CMD_FINDMERGE_INTERNAL_H
