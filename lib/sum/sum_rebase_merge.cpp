// SUM_Rebase: what a rebase merges into its view. The versions to merge
// are, for every component moving to a new baseline, the new baseline's
// version of each element the stream modified whose version the new
// baseline changed; the engine (SUM_Integration::do_merge) merges them into
// the view in the integration activity.
#include <string>

#include "services/imsg.h"
#include "sum/sum_baseline.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_context_merge.h"
#include "sum/sum_rebase.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_version.h"

namespace {

constexpr const char* kSource = "sum_rebase_merge";

}  // namespace

int SUM_Rebase::versions_to_merge(SUM_VersionList& out, int& count) const {
  SUM_Trace trace("SUM_Rebase::versions_to_merge");
  if (config_ == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_VersionList found;
  for (const auto& change : config_->changes()) {
    if (change->kind() == SUM_FoundationChange::NONE || change->current_baseline().is_null() ||
        change->new_baseline().is_null())
      continue;
    SUM_VobObjectList elements;
    if (modified_elements(*change, elements) != 0)
      return trace.checked(__LINE__, SUM_FAILED);
    for (unsigned i = 0; i < elements.count(); ++i) {
      SUM_Element element(elements[i].vob(), elements[i].dbid());
      SUM_Version before, after;
      int before_status = change->current_baseline().selected_version(element, before);
      int after_status = change->new_baseline().selected_version(element, after);
      if ((before_status != 0 && before_status != SUM_NOT_FOUND) ||
          (after_status != 0 && after_status != SUM_NOT_FOUND)) {
        imsg_print(IMSG_ERROR, sum_rebase_msg::UnableGetVersionElement,
                   std::string(element_label(element)),
                   std::string(change->new_baseline().any_name()));
        return trace.checked(__LINE__, SUM_FAILED);
      }
      if (after_status == SUM_NOT_FOUND) {
        if (before_status == 0)
          imsg_print(IMSG_WARNING, sum_rebase_msg::SkippingElementBecauseNot,
                     std::string(element_label(element)),
                     std::string(change->new_baseline().any_name()));
        continue;
      }
      if (before_status == 0 && before == after)
        continue;
      found.append(after);
    }
  }
  out = found;
  count = static_cast<int>(out.count());
  return SUM_OK;
}

int SUM_Rebase::modified_elements(const SUM_FoundationChange& change,
                                  SUM_VobObjectList& out) const {
  SUM_Trace trace("SUM_Rebase::modified_elements");
  SUM_ComponentList candidates, modified;
  candidates.append(change.component());
  if (op_stream().modified_comps_and_elems(candidates, modified, out) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableGetModifiedElements);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  return SUM_OK;
}

int SUM_Rebase::report_hidden_changes() const {
  SUM_Trace trace("SUM_Rebase::report_hidden_changes");
  if (config_ == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  for (const auto& change : config_->changes()) {
    if (change->kind() == SUM_FoundationChange::NONE)
      continue;
    SUM_VobObjectList elements;
    if (modified_elements(*change, elements) != 0)
      return trace.checked(__LINE__, SUM_FAILED);
    for (unsigned i = 0; i < elements.count(); ++i) {
      std::string path;
      int status = op_target_view().element_path(elements[i].vob(), elements[i].dbid(), path);
      if (status == SUM_NOT_FOUND)
        imsg_print(IMSG_WARNING, sum_rebase_msg::ChangedElementNotVisible,
                   elements[i].any_fullname(), op_target_view().any_name());
      else if (status != 0)
        return trace.checked(__LINE__, status);
    }
  }
  return SUM_OK;
}

int SUM_Rebase::augment_context_merge(SUM_ContextMerge& merge) const {
  SUM_Trace trace("SUM_Rebase::augment_context_merge");
  if (config_ == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  for (const auto& change : config_->changes())
    if (change->kind() != SUM_FoundationChange::NONE)
      merge.enter_rebase_baseline(change->component(), change->current_baseline(),
                                  change->new_baseline());
  return SUM_OK;
}
