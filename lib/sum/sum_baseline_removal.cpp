// SUM_Baseline: the removal checks and removal of a baseline.
#include <vector>

#include "services/imsg.h"
#include "services/vob_zem_baseline.h"
#include "sum/sum_baseline.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_deliver.h"
#include "sum/sum_component.h"
#include "sum/sum_event_info.h"
#include "sum/sum_hash_tab.h"
#include "sum/sum_project.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"
#include "sum/sum_version.h"

namespace {

constexpr const char* kSource = "sum_baseline_removal";

constexpr int kOpRemove = 101;

// The streams of every registered PVOB that recommend `baseline`, replacing
// `out`.
int recommending_streams(const SUM_Baseline& baseline, SUM_StreamList& out) {
  SUM_VobList pvobs;
  int status = SUM_Vob::get_all_pvobs_list(pvobs);
  if (status != 0)
    return status;
  SUM_StreamList found;
  for (unsigned i = 0; i < pvobs.count(); ++i) {
    SUM_ProjectList projects;
    if ((status = SUM_Project::list_projects(pvobs[i], projects)) != 0)
      return status;
    for (unsigned j = 0; j < projects.count(); ++j) {
      std::vector<SUM_Stream> streams;
      if ((status = SUM_Stream::project_streams(projects[j], streams)) != 0)
        return status;
      for (const SUM_Stream& stream : streams) {
        SUM_BaselineList recommended;
        if ((status = stream.recbls(recommended)) != 0)
          return status;
        if (recommended.find(baseline) >= 0 && found.find(stream) < 0)
          found.append(stream);
      }
    }
  }
  out = found;
  return SUM_OK;
}

// Prints `refusal` and answers 1 when `refused`.
int refuse_when(int refused, imsg_checked_id<> refusal) {
  if (refused)
    imsg_print(IMSG_ERROR, refusal);
  return refused;
}

}  // namespace

int SUM_Baseline::is_being_delivered(int& result, SUM_Stream& from) const {
  SUM_Trace trace("SUM_Baseline::is_being_delivered");
  result = 0;
  int status = stream(from);
  if (status == SUM_NOT_FOUND)
    return SUM_OK;  // a baseline of no stream is delivered by none
  SUM_Deliver deliver;
  int found = 0;
  if (status == 0)
    status = deliver.get_details(from, found);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_BaselineList delivered;
  if (!found || deliver.op_state() == SUM_Integration::CANCELLED ||
      deliver.baselines(delivered) != 0)
    return SUM_OK;
  result = delivered.find(*this) >= 0 ? 1 : 0;
  return SUM_OK;
}

int SUM_Baseline::ok_to_destroy(int flags, int& ok) const {
  SUM_Trace trace("SUM_Baseline::ok_to_destroy");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  ok = 0;
  int refused = 0;
  int status = trtype_refs_refuse(sum_baseline_msg::TriggerTypeRefs, refused);
  if (status != 0 || refused)
    return trace.checked(__LINE__, status);
  int answer = 0;
  if ((status = modmaster_operation_ok(answer)) != 0)
    return trace.checked(__LINE__, status);
  if (refuse_when(!answer, sum_baseline_msg::CannotRemoveRemoteLabelType))
    return SUM_OK;
  if ((status = is_initial(answer)) != 0)
    return trace.checked(__LINE__, status);
  if (refuse_when(answer, sum_baseline_msg::CannotRemoveBaselineInitial))
    return SUM_OK;
  if ((status = is_foundation_of_timeline(answer)) != 0)
    return trace.checked(__LINE__, status);
  if (refuse_when(answer, sum_baseline_msg::CannotRemoveBaselineFoundation))
    return SUM_OK;
  if ((status = is_used_by_stream(answer)) != 0)
    return trace.checked(__LINE__, status);
  if (refuse_when(answer, sum_baseline_msg::CannotRemoveBaselineFoundationStream))
    return SUM_OK;
  if ((status = has_been_delivered(answer)) != 0)
    return trace.checked(__LINE__, status);
  if (refuse_when(answer, sum_baseline_msg::CannotRemoveBaselineDelivered))
    return SUM_OK;
  // A deliver in progress that delivers the baseline keeps it until it is
  // completed or cancelled (a cancel removes the baselines it made itself).
  SUM_Stream delivering;
  if ((status = is_being_delivered(answer, delivering)) != 0)
    return trace.checked(__LINE__, status);
  if (answer) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::CannotRemoveBaselineBeingDelivered, any_fullname(),
               std::string(delivering.any_name()));
    return SUM_OK;
  }

  const bool announce = (flags & kQuietSearch) == 0;
  if (announce)
    imsg_print(IMSG_WARNING, sum_baseline_msg::Searching, any_fullname());
  SUM_VobList pvobs;
  SUM_HashTab<SUM_Baseline, SUM_BaselineList> reverse(64);
  SUM_BaselineList dependents;
  if ((status = SUM_Vob::get_all_pvobs_list(pvobs)) != 0 ||
      (status = compute_reverse_dependencies(pvobs, reverse)) != 0 ||
      (status = reverse_dependency_lookup(reverse, 0, 0, 0, dependents)) != 0)
    return trace.checked(__LINE__, status);
  if (dependents.count() > 0) {
    SUM_BaselineList listed;
    return trace.checked(__LINE__, reverse_dependency_lookup(reverse, 1, 0, 0, listed));
  }

  if (announce)
    imsg_print(IMSG_WARNING, sum_baseline_msg::SearchingRecommenders, any_fullname());
  SUM_StreamList recommending;
  if ((status = recommending_streams(*this, recommending)) != 0)
    return trace.checked(__LINE__, status);
  if (recommending.count() > 0) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::Recommended, any_fullname());
    for (unsigned i = 0; i < recommending.count(); ++i)
      imsg_print(IMSG_ERROR, sum_baseline_msg::RecommendingStream, recommending[i].any_fullname());
    return SUM_OK;
  }
  ok = 1;
  return SUM_OK;
}

int SUM_Baseline::destroy(const char* comment, int flags) {
  SUM_Trace trace("SUM_Baseline::destroy");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = check_permission();
  if (status != 0)
    return trace.checked(__LINE__, status);
  int ok = 0;
  status = ok_to_destroy(flags, ok);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!ok)
    return trace.checked(__LINE__, SUM_FAILED);
  SUM_Component owner;
  SUM_Stream home;
  SUM_Project project;
  if ((status = trigger_context(owner, home, project)) != 0)
    return trace.checked(__LINE__, status);
  // What becomes of the version map is decided before the baseline goes,
  // since its link goes with it.
  SUM_Vermap map;
  int imported = 0;
  int is_sub = 0;
  int invalid = 0;
  status = vermap(map);
  if (status == SUM_NOT_FOUND)
    status = SUM_OK;
  else if (status == 0 && (status = is_import(imported)) == 0 && imported)
    status = owner.is_subvob(is_sub, invalid);
  if (status != 0)
    return trace.checked(__LINE__, status);

  SUM_TrigRmBl trigger(*this, owner, home, project, SUM_String(comment));
  if ((status = trigger.fire_preop()) != 0)
    return trace.checked(__LINE__, status);
  int level = 0;
  if ((status = vob_.feature_level(level)) != 0)
    return trace.checked(__LINE__, status);
  SUM_EventInfo event(comment, level >= 4 ? kOpRemove : 0);
  SUM_String name(any_fullname());
  if ((status = vob_zem_baseline_delete(vob_.handle(), dbid_, event.info())) != 0) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::RemoveFailed, name);
    return trace.checked(__LINE__, status);
  }
  dbid_ = 0;
  // An imported label type of a whole-VOB component goes back to being an
  // ordinary label type; any other version map goes with its baseline (a
  // map a later baseline's map is based on stays, with the message).
  if (!map.is_null() && imported && !is_sub) {
    if (map.export_lbtype(SUM_LabelType(map.vob(), map.dbid()), comment) != 0)
      imsg_print(IMSG_ERROR, sum_baseline_msg::ExportFailed, map.any_fullname());
  } else if (!map.is_null() &&
             vob_zem_vermap_delete(map.vob().handle(), map.dbid(), event.info()) != 0) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::RemoveMapFailed, map.any_fullname());
  }
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}
