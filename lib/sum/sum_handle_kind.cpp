// The table of typed handle classes and the common convert and resolve steps.
#include "sum/sum_handle_kind.h"

#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {

// Lookup flags of selector resolution: accept the universal form and use the
// default VOB for texts without "@vob"; widening also searches admin VOBs.
constexpr int kResolveFlags = VOB_RESOLVE_ALLOW_UNIVERSAL | VOB_RESOLVE_USE_DEFAULT_VOB;

// One entry per SUM_HandleKind, in its order.
const SUM_HandleKindInfo kKinds[] = {
    {SUM_HandleKind::ACTIVITY,
     "SUM_Activity",
     "SUM_Activity::construct_from_selector",
     VOB_SEL_ACTIVITY,
     {VOB_MTYPE_ACTIVITY, 0},
     {VOB_WK_ACTIVITY_TYPE, 0}},
    {SUM_HandleKind::BASELINE,
     "SUM_Baseline",
     "SUM_Baseline::construct_from_selector",
     VOB_SEL_BASELINE,
     {VOB_MTYPE_CHECKPOINT, VOB_MTYPE_BASELINE, 0},
     {0}},
    {SUM_HandleKind::COMPONENT,
     "SUM_Component",
     "SUM_Component::construct_from_selector",
     VOB_SEL_COMPONENT,
     {VOB_MTYPE_COMPONENT, 0},
     {VOB_WK_COMPONENT_TYPE, 0}},
    {SUM_HandleKind::FOLDER,
     "SUM_Folder",
     "SUM_Folder::construct_from_selector",
     VOB_SEL_FOLDER,
     {VOB_MTYPE_FOLDER, 0},
     {VOB_WK_FOLDER_TYPE, 0}},
    {SUM_HandleKind::PROJECT,
     "SUM_Project",
     "SUM_Project::construct_from_selector",
     VOB_SEL_PROJECT,
     {VOB_MTYPE_PROJECT, 0},
     {VOB_WK_PROJECT_TYPE, 0}},
    {SUM_HandleKind::STREAM,
     "SUM_Stream",
     "SUM_Stream::construct_from_selector",
     VOB_SEL_STREAM,
     {VOB_MTYPE_STREAM, 0},
     {VOB_WK_STREAM_TYPE, 0}},
    // A component's own timeline is the component object itself.
    {SUM_HandleKind::TIMELINE,
     "SUM_Timeline",
     "SUM_Timeline::construct_from_selector",
     VOB_SEL_TIMELINE,
     {VOB_MTYPE_TIMELINE, VOB_MTYPE_COMPONENT, 0},
     {VOB_WK_TIMELINE_TYPE, VOB_WK_COMPONENT_TYPE, 0}},
    {SUM_HandleKind::REPLICA,
     "SUM_Replica",
     "SUM_Replica::construct_from_selector",
     VOB_SEL_REPLICA,
     {VOB_MTYPE_REPLICA, 0},
     {0}},
    {SUM_HandleKind::BRANCH_TYPE,
     "SUM_BranchType",
     "SUM_BranchType::construct_from_selector",
     VOB_SEL_BRTYPE,
     {VOB_MTYPE_BRANCH_TYPE, 0},
     {0}},
    {SUM_HandleKind::LABEL_TYPE,
     "SUM_LabelType",
     "SUM_LabelType::construct_from_selector",
     VOB_SEL_LBTYPE,
     {VOB_MTYPE_LABEL_TYPE, 0},
     {0}},
    {SUM_HandleKind::VERMAP,
     "SUM_Vermap",
     "SUM_Vermap::construct_from_selector",
     VOB_SEL_VERMAP,
     {VOB_MTYPE_LABEL_TYPE, 0},
     {0}},
    // Branches, elements and versions are named by path or identity texts,
    // which carry their own kind.
    {SUM_HandleKind::BRANCH,
     "SUM_Branch",
     "SUM_Branch::construct_from_selector",
     VOB_SEL_ANY,
     {VOB_MTYPE_BRANCH, 0},
     {0}},
    {SUM_HandleKind::ELEMENT,
     "SUM_Element",
     "SUM_Element::construct_from_selector",
     VOB_SEL_ANY,
     {VOB_MTYPE_FILE_ELEMENT, VOB_MTYPE_DIRECTORY_ELEMENT, 0},
     {0}},
    {SUM_HandleKind::VERSION,
     "SUM_Version",
     "SUM_Version::construct_from_selector",
     VOB_SEL_ANY,
     {VOB_MTYPE_FILE_VERSION, VOB_MTYPE_DIRECTORY_VERSION, VOB_MTYPE_VERSION, 0},
     {0}},
};

static_assert(sizeof kKinds / sizeof kKinds[0] == static_cast<size_t>(SUM_HandleKind::VERSION) + 1,
              "one entry per handle kind");

}  // namespace

const SUM_HandleKindInfo& sum_handle_kind_info(SUM_HandleKind kind) {
  return kKinds[static_cast<int>(kind)];
}

int sum_handle_kind_accepts(SUM_HandleKind kind, const SUM_VobObject& obj) {
  if (obj.is_null())
    return 0;
  const SUM_HandleKindInfo& info = sum_handle_kind_info(kind);
  vob_mtype_t mtype = VOB_MTYPE_NONE;
  if (obj.metatype(mtype) != 0)
    return 0;
  for (int i = 0; info.mtypes[i] != 0; ++i)
    if (info.mtypes[i] == mtype)
      return 1;
  if (mtype != VOB_MTYPE_ACTIVITY_LIKE || info.activity_like_types[0] == 0)
    return 0;
  unsigned type = 0;
  if (obj.type(type) != 0 || type == 0)
    return 0;
  for (int i = 0; info.activity_like_types[i] != 0; ++i) {
    tbs_dbid_t wk_type = 0;
    if (obj.vob().wk_obj(info.activity_like_types[i], wk_type) == 0 && wk_type == type)
      return 1;
  }
  return 0;
}

int sum_handle_kind_resolve(SUM_HandleKind kind, const SUM_String& text, const SUM_Vob& default_vob,
                            int widen, SUM_VobObject& found) {
  const SUM_HandleKindInfo& info = sum_handle_kind_info(kind);
  SUM_Trace trace(info.construct_op);
  found = SUM_VobObject();
  vob_vob_h vob = nullptr;
  tbs_dbid_t dbid = 0;
  int flags = widen ? kResolveFlags | VOB_RESOLVE_WIDEN : kResolveFlags;
  int status =
      vob_resolve_general(text, info.selector_kind, default_vob.handle(), flags, &vob, &dbid);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_VobObject object(SUM_Vob(vob), dbid);
  if (!sum_handle_kind_accepts(kind, object)) {
    trace.status_line(__LINE__, SUM_FAILED);
    return SUM_FAILED;
  }
  found = object;
  return SUM_OK;
}
