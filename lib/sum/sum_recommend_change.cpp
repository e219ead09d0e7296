// SUM_RecommendChange: one component's change of a stream's recommended
// baselines, checked against what the stream holds, and its text.
#include <string>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_new_config.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_recommend_change";

// The project of the stream that made `baseline` and that stream; null
// handles for a baseline made in no stream.
int origin_of(const SUM_Baseline& baseline, SUM_Stream& maker, SUM_Project& project) {
  int status = baseline.stream(maker);
  if (status == SUM_NOT_FOUND) {
    maker = SUM_Stream();
    project = SUM_Project();
    return SUM_OK;
  }
  return status != 0 ? status : maker.project(project);
}

// `result` 1 when `ancestor` is `descendant` or one of its ancestors.
int is_ancestor(const SUM_Baseline& ancestor, const SUM_Baseline& descendant, int& result) {
  SUM_BaselineList candidates;
  candidates.append(descendant);
  return ancestor.is_ancestor_of(candidates, result);
}

}  // namespace

int SUM_RecommendChange::status_msg(SUM_String& out) const {
  SUM_Trace trace("SUM_RecommendChange::status_msg");
  const char* component = component_.any_fullname();
  const char* baseline = new_.is_null() ? current_.any_fullname() : new_.any_fullname();
  std::string text;
  switch (validity_) {
    case OK:
      if (kind_ == REMOVE)
        text = imsg_format_chosen(sum_config_change_msg::RemovingComponentStreamRecommended,
                                  component);
      else if (kind_ == NONE || kind_ == CHANGING_IMPLIED)
        text = imsg_format_chosen(sum_config_change_msg::NotChangingRecommendedBaseline, baseline,
                                  component);
      else if (kind_ == ADD)
        text = imsg_format_chosen(sum_config_change_msg::AddingRecommendedBaselineNew, baseline,
                                  component);
      else
        text = imsg_format_chosen(sum_config_change_msg::ChangingRecommendedBaselineComponent,
                                  baseline, component);
      break;
    case NOT_ON_STREAM:
      text =
          imsg_format_chosen(sum_config_change_msg::CantRecommendNotOnStream, baseline, component);
      break;
    case LOSES_RECOMMENDED:
      text = imsg_format_chosen(sum_config_change_msg::CantRecommendWithoutRecommended, baseline,
                                component, current_.any_fullname());
      break;
    case NOT_FROM_PROJECT:
      text = imsg_format_chosen(sum_config_change_msg::CantRecommendOutsideProject, baseline,
                                component);
      break;
    case NOT_APPROPRIATE_ANCESTOR:
      text = imsg_format_chosen(sum_config_change_msg::CantRecommendNotAppropriateAncestor,
                                baseline, component);
      break;
    case NOT_ANCESTOR:
      text =
          imsg_format_chosen(sum_config_change_msg::CantRecommendNotAncestor, baseline, component);
      break;
    default:
      return sum_int_error(kSource, trace.name(), __LINE__);
  }
  out = text.c_str();
  return SUM_OK;
}

int SUM_RecommendChange::validate() {
  SUM_Trace trace("SUM_RecommendChange::validate");
  if (owner_ == nullptr || component_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  validity_ = OK;
  switch (kind_) {
    case NONE:
    case CHANGING_IMPLIED:
      return SUM_OK;
    case REMOVE:
      imsg_print(IMSG_WARNING, sum_config_change_msg::RemovingComponentStreamRecommendedBaselines,
                 component_.any_fullname());
      return SUM_OK;
    case ADD:
      return trace.checked(__LINE__, check_recommended_baseline());
    default:
      break;
  }
  int status = check_recommended_baseline();
  if (status != 0 || validity_ != OK)
    return trace.checked(__LINE__, status);
  // Backward and sideways recommendations are allowed: only the kind is
  // told, for the text.
  int forward = 0;
  int backward = 0;
  if ((status = is_ancestor(current_, new_, forward)) == 0 && !forward)
    status = is_ancestor(new_, current_, backward);
  if (status != 0)
    return trace.checked(__LINE__, status);
  kind_ = forward ? FORWARD : backward ? BACKWARD : SIDEWAYS;
  return SUM_OK;
}

// A stream recommends what it holds: its foundation baseline, a baseline it
// made, a baseline of its project that reached it, or an ancestor of its
// foundation baseline. A baseline of another stream never replaces the
// stream's own recommended baseline unless it contains it.
int SUM_RecommendChange::check_recommended_baseline() {
  SUM_Trace trace("SUM_RecommendChange::check_recommended_baseline");
  const SUM_Stream& owner = stream();
  SUM_Baseline foundation;
  int status = owner_->facts().foundation_baseline(owner, component_, foundation);
  if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  int has_foundation = status == 0 ? 1 : 0;
  if (has_foundation && foundation == new_)
    return SUM_OK;
  SUM_Stream maker;
  SUM_Project origin;
  if ((status = origin_of(new_, maker, origin)) != 0)
    return trace.checked(__LINE__, status);
  if (!maker.is_null() && maker == owner)
    return SUM_OK;
  int result = 0;
  if (!origin.is_null() && origin == owner_->project()) {
    if ((status = new_.has_flowed_to(owner, result)) != 0)
      return trace.checked(__LINE__, status);
    if (!result) {
      validity_ = NOT_ON_STREAM;
      return SUM_OK;
    }
    SUM_Stream current_maker;
    SUM_Project unused;
    if (current_.is_null() || (status = origin_of(current_, current_maker, unused)) != 0 ||
        current_maker != owner)
      return trace.checked(__LINE__, status);
    if ((status = is_ancestor(current_, new_, result)) != 0)
      return trace.checked(__LINE__, status);
    if (!result)
      validity_ = LOSES_RECOMMENDED;
    return SUM_OK;
  }
  if (!has_foundation) {
    validity_ = NOT_FROM_PROJECT;
    return SUM_OK;
  }
  if (!origin.is_null() && !SUM_NewConfig::timeline_comparison_overridden()) {
    SUM_Stream line_maker;
    SUM_Project line_origin;
    if ((status = origin_of(foundation, line_maker, line_origin)) != 0)
      return trace.checked(__LINE__, status);
    if (!line_origin.is_null() && line_origin != origin) {
      validity_ = NOT_APPROPRIATE_ANCESTOR;
      return SUM_OK;
    }
  }
  if ((status = is_ancestor(new_, foundation, result)) != 0)
    return trace.checked(__LINE__, status);
  if (!result)
    validity_ = origin.is_null() ? NOT_FROM_PROJECT : NOT_ANCESTOR;
  return SUM_OK;
}
