// SUM_Stream: the branch types of a stream and the modification test.
//
// A stream that is not read-only makes its changes on a global branch type
// named like the stream, in the administrative VOB of its PVOB, linked from
// the stream by a hyperlink of well-known type 26. A VOB whose elements
// branch with it holds a local copy that points at the global type
// (GlobalDefinition, type 24), so the copies of one branch type are found
// from the global type without asking for names.
#include <cstring>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/vob_elem.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_event_info.h"
#include "sum/sum_hyperlink.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_stream_branch";

constexpr const char* kNonmodSuffix = "_nonmod";
// Branches are read this many at a time.
constexpr size_t kBranchChunk = 256;

// Whether two VOB handles are replicas of one family.
int same_family(vob_vob_h a, vob_vob_h b, int& same) {
  tbs_uuid_t fa, fb;
  int status = vob_ob_get_family_uuid(a, &fa);
  if (status == 0)
    status = vob_ob_get_family_uuid(b, &fb);
  if (status == 0)
    same = std::memcmp(fa.bytes, fb.bytes, sizeof fa.bytes) == 0 ? 1 : 0;
  return status;
}

// The copy in `vob` of the global branch type `global`: the type itself
// when `vob` is its VOB's family, else the copy whose GlobalDefinition link
// reaches it from that family. 0 when `vob` has no copy.
int local_copy(const SUM_VobObject& global, vob_vob_h vob, tbs_dbid_t& local) {
  int same = 0;
  int status = same_family(global.vob().handle(), vob, same);
  if (status != 0)
    return status;
  if (same) {
    local = global.dbid();
    return SUM_OK;
  }
  std::vector<vob_hlink_end_t> ends;
  status = vob_obj_list_hlinks(global.vob().handle(), global.dbid(),
                               VOB_WK_HLTYPE_GLOBAL_DEFINITION, 0, ends);
  if (status != 0)
    return status;
  local = 0;
  for (const vob_hlink_end_t& end : ends) {
    if (end.broken)
      continue;
    if ((status = same_family(end.other_vob, vob, same)) != 0)
      return status;
    if (same) {
      local = end.other;
      break;
    }
  }
  return SUM_OK;
}

// The root directories of the candidate components held in one VOB.
struct RootsInVob {
  vob_vob_h vob = nullptr;
  std::vector<unsigned> candidates;  // indexes into the candidate list
  std::vector<tbs_dbid_t> crdes;     // their root directory elements
};

// Marks in `hit` the candidates of `roots` that have an element on branch
// type `global`'s copy in their VOB, and appends those elements.
int modified_in_vob(const SUM_VobObject& global, const RootsInVob& roots, std::vector<bool>& hit,
                    SUM_VobObjectList& elements) {
  tbs_dbid_t local = 0;
  int status = local_copy(global, roots.vob, local);
  if (status != 0 || local == 0)
    return status;
  std::vector<tbs_dbid_t> branches;
  if ((status = vob_brtype_next_objs(roots.vob, local, 0, kBranchChunk, branches)) != 0)
    return status;
  if (branches.empty())
    return SUM_OK;
  std::vector<tbs_dbid_t> branched, crdes;
  if ((status = vob_branch_get_elems_crdes(roots.vob, {local}, branched, crdes)) != 0)
    return status;
  SUM_Vob vob(roots.vob);
  for (size_t e = 0; e < branched.size(); ++e) {
    bool counted = false;
    for (size_t r = 0; r < roots.crdes.size(); ++r) {
      if (crdes[e] != roots.crdes[r])
        continue;
      hit[roots.candidates[r]] = true;
      if (!counted)
        elements.append(SUM_VobObject(vob, branched[e]));
      counted = true;
    }
  }
  return SUM_OK;
}

}  // namespace

int SUM_Stream::admin_vob(SUM_Vob& out) const {
  SUM_Trace trace("SUM_Stream::admin_vob");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Vob admin;
  int status = vob_.admin_vob(admin, 1);
  if (status == SUM_NOT_FOUND) {
    out = vob_;
    return SUM_OK;
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = admin;
  return SUM_OK;
}

int SUM_Stream::branch_type(SUM_NamedObject& out) const {
  SUM_Trace trace("SUM_Stream::branch_type");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_VobObject type;
  int status = single_hyperlinked_object(VOB_WK_HLTYPE_INDEPENDENT_GUARD, type, 1);
  if (status == SUM_NOT_FOUND)
    return SUM_NOT_FOUND;
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_NamedObject(type.vob(), type.dbid());
  return SUM_OK;
}

int SUM_Stream::nonmod_branch_type_name(SUM_String& out) const {
  SUM_Trace trace("SUM_Stream::nonmod_branch_type_name");
  SUM_String text;
  int status = name(text);
  if (status != 0)
    return trace.checked(__LINE__, status);
  text += kNonmodSuffix;
  out = text;
  return SUM_OK;
}

int SUM_Stream::nonmod_branch_type(SUM_NamedObject& out) const {
  SUM_Trace trace("SUM_Stream::nonmod_branch_type");
  SUM_String type_name;
  SUM_Vob admin;
  int status = nonmod_branch_type_name(type_name);
  if (status == 0)
    status = admin_vob(admin);
  tbs_dbid_t dbid = 0;
  if (status == 0)
    status = vob_brtype_lookup(admin.handle(), type_name, &dbid);
  if (status == SUM_NOT_FOUND)
    return SUM_NOT_FOUND;
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_NamedObject(admin, dbid);
  return SUM_OK;
}

int SUM_Stream::make_branch_type(const char* comment) const {
  SUM_Trace trace("SUM_Stream::make_branch_type");
  SUM_String type_name;
  SUM_Vob admin;
  int status = name(type_name);
  if (status == 0)
    status = admin_vob(admin);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_EventInfo event(comment, kOpCreate);
  tbs_dbid_t dbid = 0;
  if ((status = vob_brtype_create(admin.handle(), type_name, event.info(), &dbid)) != 0)
    return trace.checked(__LINE__, status);
  status = create_hyperlink_to(SUM_VobObject(admin, dbid), VOB_WK_HLTYPE_INDEPENDENT_GUARD, "", "",
                               comment);
  if (status != 0) {
    vob_brtype_delete(admin.handle(), dbid, event.info());
    return trace.checked(__LINE__, status);
  }
  return SUM_OK;
}

int SUM_Stream::own_branch_types(std::vector<SUM_NamedObject>& out) const {
  SUM_Trace trace("SUM_Stream::own_branch_types");
  std::vector<SUM_NamedObject> found;
  SUM_NamedObject type;
  int status = branch_type(type);
  if (status == 0)
    found.push_back(type);
  else if (status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  status = nonmod_branch_type(type);
  if (status == 0)
    found.push_back(type);
  else if (status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  out.insert(out.end(), found.begin(), found.end());
  return SUM_OK;
}

void SUM_Stream::remove_branch_types(const std::vector<SUM_NamedObject>& types,
                                     const char* comment) {
  SUM_Trace trace("SUM_Stream::remove_branch_types");
  SUM_EventInfo event(comment, kOpRemove);
  for (const SUM_NamedObject& type : types) {
    SUM_String type_name;
    type.name(type_name);
    if (vob_brtype_delete(type.vob().handle(), type.dbid(), event.info()) != 0)
      imsg_print(IMSG_ERROR, sum_stream_msg::RemoveBranchType, type_name);
  }
}

int SUM_Stream::has_been_modified(const SUM_Component& component, int& modified) const {
  SUM_Trace trace("SUM_Stream::has_been_modified");
  if (is_null() || component.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_ComponentList candidates, found;
  SUM_VobObjectList elements;
  candidates.append(component);
  int status = modified_comps_and_elems(candidates, found, elements);
  if (status != 0)
    return trace.checked(__LINE__, status);
  modified = found.count() > 0 ? 1 : 0;
  return SUM_OK;
}

int SUM_Stream::modified_comps_and_elems(const SUM_ComponentList& candidates,
                                         SUM_ComponentList& modified,
                                         SUM_VobObjectList& elements) const {
  SUM_Trace trace("SUM_Stream::modified_comps_and_elems");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_NamedObject type;
  int status = branch_type(type);
  if (status == SUM_NOT_FOUND) {  // a read-only stream changes nothing
    modified = SUM_ComponentList();
    elements = SUM_VobObjectList();
    return SUM_OK;
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  std::vector<RootsInVob> by_vob;
  for (unsigned i = 0; i < candidates.count(); ++i) {
    int rooted = 0;
    SUM_VobObject root;
    if ((status = candidates[i].has_crde(rooted)) != 0)
      return trace.checked(__LINE__, status);
    if (!rooted)
      continue;
    if ((status = candidates[i].root_directory_element(root)) != 0)
      return trace.checked(__LINE__, status);
    size_t at = 0;
    while (at < by_vob.size() && by_vob[at].vob != root.vob().handle())
      ++at;
    if (at == by_vob.size()) {
      by_vob.emplace_back();
      by_vob.back().vob = root.vob().handle();
    }
    by_vob[at].candidates.push_back(i);
    by_vob[at].crdes.push_back(root.dbid());
  }
  std::vector<bool> hit(candidates.count(), false);
  SUM_VobObjectList found_elements;
  for (const RootsInVob& roots : by_vob) {
    if (modified_in_vob(type, roots, hit, found_elements) != 0) {
      imsg_print(IMSG_ERROR, sum_stream_msg::ModifiedUnknown, SUM_Vob(roots.vob).any_name(),
                 any_fullname());
      return trace.checked(__LINE__, SUM_FAILED);
    }
  }
  SUM_ComponentList found;
  for (unsigned i = 0; i < candidates.count(); ++i)
    if (hit[i])
      found.append(candidates[i]);
  modified = found;
  elements = found_elements;
  return SUM_OK;
}
