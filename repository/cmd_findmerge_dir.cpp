// Three-way merge of directory name spaces for the merge service: reading a
// directory version's entries, planning the changes element by element (so
// that renames are carried over and clashes found), and applying them to a
// checked-out directory version.
#include <map>
#include <set>

#include "repository/cmd_findmerge_internal.h"

namespace repo::merge {

namespace {

// Entries are read this many at a time.
constexpr size_t kEntryChunk = 256;

// Element to name; an element under several names keeps the first by name.
using Names = std::map<tbs_dbid_t, std::string>;

Names names_of(const Entries& entries) {
  Names names;
  for (const auto& [name, element] : entries)
    names.emplace(element, name);
  return names;
}

const std::string& name_in(const Names& names, tbs_dbid_t element) {
  static const std::string none;
  auto it = names.find(element);
  return it == names.end() ? none : it->second;
}

// The name space after the merge: ours with the changes only theirs made.
// `moves` are the elements only theirs renamed, added or removed (to their
// new name, "" when removed); a move to a name that the result already
// gives another element is undone (the element stays where ours has it),
// which can free no name and can take one another move wanted, so undoing
// repeats until every remaining move lands on a free name.
Entries place_moves(const Entries& ours, const Names& our_names,
                    std::map<tbs_dbid_t, std::string> moves, std::vector<DirConflict>& conflicts) {
  Entries result;
  for (const auto& [name, element] : ours)
    if (moves.count(element) == 0)
      result.emplace(name, element);
  for (bool undone = true; undone;) {
    undone = false;
    for (auto it = moves.begin(); it != moves.end();) {
      if (it->second.empty() || result.count(it->second) == 0) {
        ++it;
        continue;
      }
      conflicts.push_back({DirConflict::kNameClash, it->second, ""});
      const std::string& stay = name_in(our_names, it->first);
      if (!stay.empty())
        result.emplace(stay, it->first);
      it = moves.erase(it);
      undone = true;
    }
  }
  for (const auto& [element, name] : moves)
    if (!name.empty())
      result.emplace(name, element);
  return result;
}

Entries merge_names(const Entries& base, const Entries& ours, const Entries& theirs,
                    std::vector<DirConflict>& conflicts) {
  Names base_names = names_of(base);
  Names our_names = names_of(ours);
  Names their_names = names_of(theirs);
  std::set<tbs_dbid_t> elements;
  for (const auto* names : {&base_names, &our_names, &their_names})
    for (const auto& [element, name] : *names)
      elements.insert(element);
  std::map<tbs_dbid_t, std::string> moves;
  for (tbs_dbid_t element : elements) {
    const std::string& b = name_in(base_names, element);
    const std::string& o = name_in(our_names, element);
    const std::string& t = name_in(their_names, element);
    if (o == t || t == b)
      continue;  // both agree, or only ours changed it: ours stands
    if (o == b) {
      moves[element] = t;  // only theirs changed it
    } else if (o.empty() || t.empty()) {
      conflicts.push_back({DirConflict::kRenameRemoved, o.empty() ? b : o, ""});
    } else {
      conflicts.push_back({DirConflict::kRenameClash, o, t});
    }
  }
  return place_moves(ours, our_names, std::move(moves), conflicts);
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
  plan.merged = copy ? theirs : merge_names(base, ours, theirs, plan.conflicts);
  for (const auto& [name, element] : ours) {
    auto kept = plan.merged.find(name);
    if (kept == plan.merged.end() || kept->second != element)
      plan.remove.push_back(name);
  }
  for (const auto& [name, element] : plan.merged) {
    auto had = ours.find(name);
    if (had == ours.end() || had->second != element)
      plan.add.push_back(vob_nsdir_entry_t{name, element});
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
