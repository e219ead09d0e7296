// Three-way merge of directory name spaces for the merge service: reading a
// directory version's entries, planning the changes entry by entry, and
// applying them to a checked-out directory version.
#include <set>

#include "repository/cmd_findmerge_internal.h"

namespace repo::merge {

namespace {

// Entries are read this many at a time.
constexpr size_t kEntryChunk = 256;

tbs_dbid_t entry_of(const Entries& entries, const std::string& name) {
  auto it = entries.find(name);
  return it == entries.end() ? 0 : it->second;
}

// Records that `name` must end up naming `element` (0: absent) in ours.
void take(DirPlan& plan, const std::string& name, tbs_dbid_t ours, tbs_dbid_t element) {
  if (ours != 0)
    plan.remove.push_back(name);
  if (element != 0)
    plan.add.push_back(vob_nsdir_entry_t{name, element});
}

}  // namespace

int read_dir_entries(vob_vob_h vob, tbs_dbid_t dir_version, Entries& entries) {
  entries.clear();
  if (dir_version == 0)
    return TBS_ST_OK;
  std::vector<vob_nsdir_entry_t> chunk;
  for (size_t offset = 0;; offset += kEntryChunk) {
    chunk.clear();
    int status = vob_nsdir_next_entries(vob, dir_version, offset, kEntryChunk, chunk);
    if (status != 0)
      return status;
    for (auto& entry : chunk)
      entries[entry.name] = entry.element;
    if (chunk.size() < kEntryChunk)
      return TBS_ST_OK;
  }
}

void plan_dir_merge(const Entries& base, const Entries& ours, const Entries& theirs, bool copy,
                    DirPlan& plan) {
  plan = DirPlan{};
  std::set<std::string> names;
  for (const auto* side : {&base, &ours, &theirs})
    for (const auto& [name, element] : *side)
      names.insert(name);
  for (const auto& name : names) {
    tbs_dbid_t b = entry_of(base, name);
    tbs_dbid_t o = entry_of(ours, name);
    tbs_dbid_t t = entry_of(theirs, name);
    if (o == t)
      continue;  // both sides agree, whatever the ancestor had
    if (copy || o == b)
      take(plan, name, o, t);  // only theirs changed the name
    else if (t == b)
      continue;  // only ours changed it: keep ours
    else
      plan.conflicts.push_back(name);
  }
}

int apply_dir_plan(vob_vob_h vob, tbs_dbid_t checkout, const DirPlan& plan,
                   const vob_event_info_t* event) {
  for (const auto& name : plan.remove) {
    int status = vob_nsdir_remove_entry(vob, checkout, name.c_str(), event);
    if (status != 0 && status != TBS_ST_NOT_FOUND)
      return status;
  }
  for (const auto& entry : plan.add) {
    int status = vob_nsdir_add_entry(vob, checkout, entry.name.c_str(), entry.element, event);
    if (status == TBS_ST_EXISTS) {
      // Already there from an interrupted run: fine when it names the element.
      tbs_dbid_t present = 0;
      if (vob_nsdir_lookup(vob, checkout, entry.name.c_str(), &present) == 0 &&
          present == entry.element)
        status = TBS_ST_OK;
    }
    if (status != 0)
      return status;
  }
  return TBS_ST_OK;
}

}  // namespace repo::merge
