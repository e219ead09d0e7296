// SUM_NewConfig, SUM_FoundationChange and SUM_ConfigChange: computing,
// validating, reporting and committing the configuration of a new stream.
#include "sum/sum_new_config.h"

#include <cstring>
#include <optional>
#include <vector>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_status.h"
#include "sum/sum_timeline.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_new_config";

// Feature level from which an integration stream checks where a baseline
// was made and a development stream may take more than its parent's
// foundation baselines.
constexpr int kStreamRulesLevel = 3;

// The text forms of the kinds, by value.
constexpr const char* kKindNames[] = {
    "none",     "add",      "remove",           "forward",
    "backward", "sideways", "changing_implied", "rootless_sideways"};
constexpr int kKindCount = static_cast<int>(sizeof kKindNames / sizeof kKindNames[0]);

// The refusal message of each validity code; none for OK and for codes
// without a text of their own.
std::optional<sum_config_change_msg> refusal_message(int validity) {
  switch (validity) {
    case SUM_ConfigChange::NOT_LABELED:
      return sum_config_change_msg::CantRebaseUnlabeled;
    case SUM_ConfigChange::MADE_IN_STREAM:
      return sum_config_change_msg::CantRebaseMadeInStream;
    case SUM_ConfigChange::NOT_IN_INTEGRATION:
      return sum_config_change_msg::CantRebaseOutsideIntegration;
    case SUM_ConfigChange::NOT_FROM_INTEGRATION:
      return sum_config_change_msg::CantRebaseIntegrationElsewhere;
    case SUM_ConfigChange::CHILD_USES_REMOVED:
      return sum_config_change_msg::CantRemoveChildrenMayUse;
    case SUM_ConfigChange::MODIFIED_REMOVED:
      return sum_config_change_msg::CantRemoveModified;
    case SUM_ConfigChange::CHILD_USES_REVERTED:
      return sum_config_change_msg::CantRevertChildrenMayUse;
    case SUM_ConfigChange::MODIFIED_REVERTED:
      return sum_config_change_msg::CantRevertModified;
    case SUM_ConfigChange::CHILD_USES_SWITCHED:
      return sum_config_change_msg::CantSwitchChildrenMayUse;
    case SUM_ConfigChange::MODIFIED_SWITCHED:
      return sum_config_change_msg::CantSwitchModified;
    case SUM_ConfigChange::NOT_FROM_PARENT:
      return sum_config_change_msg::CantUseNotFromParent;
    // No text of its own is prescribed: this entry says where the baseline
    // was made.
    case SUM_ConfigChange::FROM_OWN_INTEGRATION:
      return sum_config_change_msg::CantRebaseMadeInOwnIntegration;
    case SUM_ConfigChange::NOT_APPROPRIATE_ANCESTOR:
      return sum_config_change_msg::CantUseNotAppropriateAncestor;
    case SUM_ConfigChange::NOT_ANCESTOR:
      return sum_config_change_msg::CantUseNotAncestor;
    default:
      return std::nullopt;
  }
}

// The message of an acceptable change of `kind`.
sum_config_change_msg outcome_message(int kind) {
  switch (kind) {
    case SUM_FoundationChange::ADD:
      return sum_config_change_msg::AddingBaselineNewComponent;
    case SUM_FoundationChange::REMOVE:
      return sum_config_change_msg::RemovingComponentStreamConfiguration;
    case SUM_FoundationChange::FORWARD:
      return sum_config_change_msg::AdvancingBaselineComponent;
    case SUM_FoundationChange::BACKWARD:
      return sum_config_change_msg::RevertingEarlierBaselineComponent;
    case SUM_FoundationChange::SIDEWAYS:
    case SUM_FoundationChange::ROOTLESS_SIDEWAYS:
      return sum_config_change_msg::SwitchingBaselineComponent;
    default:
      return sum_config_change_msg::NotChangingBaselineComponent;
  }
}

// The stream-creation callback: prints the message of an invalid change.
int print_invalid_change(const ConfigChangeCB& callback) {
  const SUM_FoundationChange* change = callback.change;
  int valid = 1;
  if (change == nullptr || change->is_valid(valid) != 0 || valid)
    return 0;
  SUM_String text;
  if (change->status_msg(text) == 0)
    imsg_print_literal(IMSG_ERROR, "%s", static_cast<const char*>(text));
  return 0;
}

// The stream a baseline was made in: `made` 0 for a baseline of a main
// timeline (initial and import baselines).
int maker_of(const SUM_Baseline& baseline, SUM_Stream& maker, int& made) {
  int status = baseline.stream(maker);
  if (status == SUM_NOT_FOUND) {
    made = 0;
    return SUM_OK;
  }
  made = status == 0 ? 1 : 0;
  return status;
}

}  // namespace

// ---- SUM_FoundationChange --------------------------------------------------------

int SUM_FoundationChange::status_msg(SUM_String& out) const {
  out = "";
  return SUM_OK;
}

int SUM_FoundationChange::is_valid(int& valid) const {
  valid = 1;
  return SUM_OK;
}

int SUM_FoundationChange::validate() {
  return SUM_OK;
}

int SUM_FoundationChange::commit() {
  return SUM_OK;
}

const char* SUM_FoundationChange::kind2str(int kind) {
  return kind >= 0 && kind < kKindCount ? kKindNames[kind] : nullptr;
}

int SUM_FoundationChange::str2kind(const char* text, int& kind) {
  if (text == nullptr)
    return SUM_NOT_FOUND;
  for (int i = 0; i < kKindCount; ++i)
    if (std::strcmp(kKindNames[i], text) == 0) {
      kind = i;
      return SUM_OK;
    }
  return SUM_NOT_FOUND;
}

// ---- SUM_ConfigChange ----------------------------------------------------------------

int SUM_ConfigChange::status_msg(SUM_String& out) const {
  SUM_Trace trace("SUM_ConfigChange::status_msg");
  const char* component = component_.any_fullname();
  const char* fresh = new_.any_fullname();
  std::optional<sum_config_change_msg> refusal = refusal_message(validity_);
  if (validity_ != OK && !refusal)
    return sum_int_error(kSource, trace.name(), __LINE__);
  sum_config_change_msg message = validity_ == OK ? outcome_message(kind_) : *refusal;
  // A removal names only the component.
  if (validity_ == CHILD_USES_REMOVED || validity_ == MODIFIED_REMOVED ||
      (validity_ == OK && kind_ == REMOVE))
    out = imsg_format_chosen(message, component).c_str();
  else
    out = imsg_format_chosen(message, fresh, component).c_str();
  return SUM_OK;
}

int SUM_ConfigChange::is_valid(int& valid) const {
  valid = validity_ == OK ? 1 : 0;
  return SUM_OK;
}

int SUM_ConfigChange::validate() {
  SUM_Trace trace("SUM_ConfigChange::validate");
  if (owner_ == nullptr || component_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  validity_ = OK;
  // Only the changes of a configuration made from none are computed yet:
  // every one of them adds its component.
  if (kind_ != ADD || new_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, check_new_baseline());
}

int SUM_ConfigChange::check_new_baseline() {
  SUM_Trace trace("SUM_ConfigChange::check_new_baseline");
  int labeled = 0;
  int status = new_.is_labeled(labeled);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!labeled) {
    validity_ = NOT_LABELED;
    return SUM_OK;
  }
  SUM_Stream maker;
  int made = 0;
  if ((status = maker_of(new_, maker, made)) != 0)
    return trace.checked(__LINE__, status);
  const SUM_Stream& stream = owner_->stream();
  if (made && !stream.is_null() && maker == stream) {
    validity_ = MADE_IN_STREAM;
    return SUM_OK;
  }
  if (!owner_->is_integration())
    return trace.checked(__LINE__, check_devstream_baseline());
  int rules = 0;
  if ((status = owner_->project().vob().is_feature_level_ge(kStreamRulesLevel, rules)) != 0)
    return trace.checked(__LINE__, status);
  return rules ? trace.checked(__LINE__, check_intstream_baseline()) : SUM_OK;
}

// An integration stream takes import and initial baselines and baselines of
// other projects' integration streams.
int SUM_ConfigChange::check_intstream_baseline() {
  SUM_Trace trace("SUM_ConfigChange::check_intstream_baseline");
  SUM_Stream maker;
  int made = 0;
  int status = maker_of(new_, maker, made);
  if (status != 0 || !made)
    return trace.checked(__LINE__, status);
  int integration = 0;
  if ((status = maker.is_integration(integration)) != 0)
    return trace.checked(__LINE__, status);
  if (!integration) {
    validity_ = NOT_FROM_INTEGRATION;
    return SUM_OK;
  }
  SUM_Project owner;
  if ((status = maker.project(owner)) != 0)
    return trace.checked(__LINE__, status);
  if (owner == owner_->project())
    validity_ = FROM_OWN_INTEGRATION;
  return SUM_OK;
}

// A development stream takes what its parent stream has: the parent's
// foundation baseline of the component, or a baseline that has flowed to
// the parent. Of the flow and ancestry questions, only what needs no
// baseline graph is answered here: a baseline made in the parent stream
// has flowed to it. A baseline made in another stream of the project
// (delivered to the parent?) or in another project (an ancestor of the
// parent's foundation baseline?) cannot be shown acceptable yet and is
// refused with the code that rule gives on failure.
int SUM_ConfigChange::check_devstream_baseline() {
  SUM_Trace trace("SUM_ConfigChange::check_devstream_baseline");
  const SUM_Stream& parent = owner_->parent();
  if (parent.is_null()) {
    validity_ = NOT_FROM_PARENT;
    return SUM_OK;
  }
  SUM_Baseline parents;
  int status = parent.baseline_util(component_, 0, parents);
  if (status == SUM_NOT_FOUND) {
    validity_ = NOT_FROM_PARENT;
    return SUM_OK;
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (parents == new_)
    return SUM_OK;
  int rules = 0;
  if ((status = owner_->project().vob().is_feature_level_ge(kStreamRulesLevel, rules)) != 0)
    return trace.checked(__LINE__, status);
  if (!rules) {
    validity_ = NOT_IN_INTEGRATION;
    return SUM_OK;
  }
  SUM_Stream maker;
  int made = 0;
  if ((status = maker_of(new_, maker, made)) != 0)
    return trace.checked(__LINE__, status);
  if (!made) {
    validity_ = NOT_FROM_PARENT;
    return SUM_OK;
  }
  SUM_Project owner;
  if ((status = maker.project(owner)) != 0)
    return trace.checked(__LINE__, status);
  if (owner == owner_->project()) {
    if (maker != parent)
      validity_ = NOT_FROM_PARENT;
    return SUM_OK;
  }
  validity_ = NOT_ANCESTOR;
  return SUM_OK;
}

int SUM_ConfigChange::commit() {
  SUM_Trace trace("SUM_ConfigChange::commit");
  if (owner_ == nullptr || owner_->stream().is_null() || kind_ != ADD || validity_ != OK)
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = add_component();
  if (status == 0)
    status = set_uses_bl_hlink();
  return trace.checked(__LINE__, status);
}

// The stream's timeline of a rooted component ends with a foundation arc to
// the new baseline: made with it when the stream has none, or given it.
int SUM_ConfigChange::add_component() {
  SUM_Trace trace("SUM_ConfigChange::add_component");
  int rooted = 0;
  int status = component_.has_crde(rooted);
  if (status != 0 || !rooted)
    return trace.checked(__LINE__, status);
  const SUM_Stream& stream = owner_->stream();
  const char* comment = owner_->comment();
  SUM_Timeline timeline;
  status = stream.component_timeline(component_, timeline);
  if (status == SUM_NOT_FOUND)
    return trace.checked(__LINE__,
                         SUM_Timeline::create(component_, stream, new_, comment, timeline));
  SUM_Baseline current;
  if (status == 0)
    status = timeline.foundation_baseline(current);
  if (status != 0 || current == new_)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, timeline.add_foundation_arc(new_, comment));
}

// Moves the stream's "UseBaseline" hyperlink from the current explicit
// baseline to the new one; an implied baseline has none of its own.
int SUM_ConfigChange::set_uses_bl_hlink() {
  SUM_Trace trace("SUM_ConfigChange::set_uses_bl_hlink");
  const SUM_Stream& stream = owner_->stream();
  const char* comment = owner_->comment();
  int linked = 0;
  int status = 0;
  if (!current_.is_null() && current_ != new_) {
    if ((status = stream.has_hyperlink_to(current_, VOB_WK_HLTYPE_USE_BASELINE, linked)) != 0)
      return trace.checked(__LINE__, status);
    if (linked && (status = stream.remove_hyperlink_to(current_, VOB_WK_HLTYPE_USE_BASELINE, 0,
                                                       comment)) != 0)
      return trace.checked(__LINE__, status);
  }
  if (implied_ || new_.is_null())
    return SUM_OK;
  if ((status = stream.has_hyperlink_to(new_, VOB_WK_HLTYPE_USE_BASELINE, linked)) != 0)
    return trace.checked(__LINE__, status);
  if (linked)
    return SUM_OK;
  return trace.checked(__LINE__, stream.create_hyperlink_to(new_, VOB_WK_HLTYPE_USE_BASELINE,
                                                            nullptr, nullptr, comment));
}

// ---- SUM_NewConfig ---------------------------------------------------------------------

SUM_NewConfig::SUM_NewConfig(const SUM_Stream& stream, const SUM_NewConfigCBs& callbacks)
    : stream_(stream), callbacks_(callbacks) {}

SUM_NewConfig::SUM_NewConfig(const SUM_Project& project, const SUM_Stream& parent, int integration,
                             const SUM_NewConfigCBs& callbacks)
    : project_(project),
      parent_(parent),
      integration_(integration ? 1 : 0),
      place_known_(1),
      callbacks_(callbacks) {}

SUM_NewConfig::~SUM_NewConfig() = default;

SUM_NewConfigCBs SUM_NewConfig::stream_creation_cbs() {
  SUM_NewConfigCBs callbacks;
  callbacks.validated = ConfigChangeCB(print_invalid_change, nullptr);
  return callbacks;
}

int SUM_NewConfig::read_place() {
  SUM_Trace trace("SUM_NewConfig::read_place");
  int status = stream_.project(project_);
  if (status == 0)
    status = stream_.is_integration(integration_);
  if (status != 0)
    return trace.checked(__LINE__, status);
  status = stream_.parent_stream(parent_);
  if (status == SUM_NOT_FOUND) {
    parent_ = SUM_Stream();
    status = SUM_OK;
  }
  if (status == 0)
    place_known_ = 1;
  return trace.checked(__LINE__, status);
}

int SUM_NewConfig::is_modifiable(const SUM_Component& component, int& result) const {
  result = project_mod_comps_.find(component) >= 0 ? 1 : 0;
  return SUM_OK;
}

int SUM_NewConfig::init(const SUM_BaselineList& baselines) {
  SUM_Trace trace("SUM_NewConfig::init");
  if (initialised_ || (stream_.is_null() && project_.is_null()))
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = place_known_ ? SUM_OK : read_place();
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!stream_.is_null()) {
    SUM_BaselineList current;
    int unavailable = 0;
    if ((status = stream_.explicit_baselines(current, unavailable)) != 0) {
      imsg_print(IMSG_ERROR, sum_config_change_msg::UnableGetCurrentFoundation);
      return trace.checked(__LINE__, status);
    }
    // Changing an existing configuration (a rebase) is computed elsewhere.
    if (current.count() > 0 || unavailable > 0)
      return sum_int_error(kSource, trace.name(), __LINE__);
  }
  SUM_ComponentList modifiable;
  if ((status = project_.mod_comps(modifiable)) != 0)
    return trace.checked(__LINE__, status);
  project_mod_comps_ = modifiable;

  std::vector<std::unique_ptr<SUM_ConfigChange>> changes;
  for (unsigned i = 0; i < baselines.count(); ++i) {
    const SUM_Baseline& baseline = baselines[i];
    SUM_Component component;
    if (baseline.is_null())
      return sum_int_error(kSource, trace.name(), __LINE__);
    if ((status = baseline.component(component)) != 0) {
      imsg_print(IMSG_ERROR, sum_foundation_msg::NoComponent, baseline.any_fullname());
      return trace.checked(__LINE__, status);
    }
    const SUM_ConfigChange* same = nullptr;
    for (const auto& change : changes)
      if (change->component() == component)
        same = change.get();
    if (same != nullptr && same->new_baseline() == baseline)
      continue;
    if (same != nullptr) {
      imsg_print(IMSG_ERROR, sum_foundation_msg::SameComponent, baseline.any_fullname(),
                 same->new_baseline().any_fullname());
      return trace.checked(__LINE__, SUM_FAILED);
    }
    int modifiable_flag = 0;
    is_modifiable(component, modifiable_flag);
    changes.push_back(std::make_unique<SUM_ConfigChange>(
        this, SUM_FoundationChange::ADD, SUM_Baseline(), baseline, 0, component, modifiable_flag));
  }
  changes_ = std::move(changes);
  initialised_ = 1;
  return SUM_OK;
}

int SUM_NewConfig::validate_baselines(int& valid, int& stopped) {
  SUM_Trace trace("SUM_NewConfig::validate_baselines");
  if (!initialised_)
    return sum_int_error(kSource, trace.name(), __LINE__);
  int all_valid = 1;
  int was_stopped = 0;
  for (const auto& change : changes_) {
    int status = change->validate();
    if (status != 0)
      return trace.checked(__LINE__, status);
    int change_valid = 0;
    change->is_valid(change_valid);
    all_valid = all_valid && change_valid;
    if (callbacks_.validated.invoke(change.get()) == 1) {
      was_stopped = 1;
      break;
    }
  }
  validated_ = 1;
  valid_ = all_valid && !was_stopped ? 1 : 0;
  valid = valid_;
  stopped = was_stopped;
  return SUM_OK;
}

int SUM_NewConfig::validate() {
  SUM_Trace trace("SUM_NewConfig::validate");
  int valid = 0;
  int stopped = 0;
  // Baselines depend on no others yet: no dependency cycle can arise.
  return trace.checked(__LINE__, validate_baselines(valid, stopped));
}

int SUM_NewConfig::is_valid(int& valid) const {
  valid = initialised_ && validated_ && valid_ ? 1 : 0;
  return SUM_OK;
}

int SUM_NewConfig::new_config(SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_NewConfig::new_config");
  if (!initialised_)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_BaselineList list;
  for (const auto& change : changes_)
    if (!change->new_baseline().is_null() && !change->implied())
      list.append(change->new_baseline());
  out = list;
  return SUM_OK;
}

int SUM_NewConfig::set_stream(const SUM_Stream& stream) {
  SUM_Trace trace("SUM_NewConfig::set_stream");
  if (!initialised_ || committed_ || stream.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  for (const auto& change : changes_)
    if (change->kind() != SUM_FoundationChange::ADD)
      return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Project project;
  SUM_Stream parent;
  int integration = 0;
  int status = stream.project(project);
  if (status == 0)
    status = stream.is_integration(integration);
  if (status == 0) {
    status = stream.parent_stream(parent);
    if (status == SUM_NOT_FOUND)
      status = SUM_OK;
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (project != project_ || parent != parent_ || integration != integration_)
    return sum_int_error(kSource, trace.name(), __LINE__);
  stream_ = stream;
  return SUM_OK;
}

int SUM_NewConfig::new_stream_commit(const char* comment) {
  SUM_Trace trace("SUM_NewConfig::new_stream_commit");
  int valid = 0;
  is_valid(valid);
  if (!valid || committed_ || stream_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  comment_ = comment != nullptr ? comment : "";
  for (const auto& change : changes_) {
    if (change->kind() != SUM_FoundationChange::ADD)
      return sum_int_error(kSource, trace.name(), __LINE__);
    int status = change->commit();
    if (status != 0)
      return trace.checked(__LINE__, status);
  }
  committed_ = 1;
  // The new stream's config spec, at identity version 0.
  return trace.checked(__LINE__, stream_.regen_cspec(1));
}
