// SUM_FoundationChange and SUM_ConfigChange: one component's change of a
// stream's foundation: its classification through the baseline graph, the
// rules of the stream's place in its project, its text, and its commit and
// undo on the stream's timeline and "UseBaseline" hyperlinks.
#include <cstring>
#include <memory>
#include <optional>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_new_config.h"
#include "sum/sum_status.h"
#include "sum/sum_timeline.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_config_change";

// Feature level from which an integration stream checks where a baseline
// was made, a development stream may take more than its parent's
// foundation baselines, and baselines are classified through the graph.
constexpr int kStreamRulesLevel = 3;
// The longest text status_msg gives.
constexpr size_t kMaxStatusText = 153600;

// The text forms of the kinds, by value.
constexpr const char* kKindNames[] = {
    "none",     "add",      "remove",           "forward",
    "backward", "sideways", "changing_implied", "rootless_sideways"};
constexpr int kKindCount = static_cast<int>(sizeof kKindNames / sizeof kKindNames[0]);

// The refusal message of each validity code; none for OK.
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

// The kind that undoes a committed change of `kind`.
int reverse_kind(int kind) {
  switch (kind) {
    case SUM_FoundationChange::ADD:
      return SUM_FoundationChange::REMOVE;
    case SUM_FoundationChange::REMOVE:
      return SUM_FoundationChange::ADD;
    case SUM_FoundationChange::FORWARD:
    case SUM_FoundationChange::ROOTLESS_SIDEWAYS:
      return SUM_FoundationChange::BACKWARD;
    case SUM_FoundationChange::BACKWARD:
      return SUM_FoundationChange::FORWARD;
    default:
      return kind;
  }
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

// The project of the stream a baseline was made in; a null project for a
// baseline made in no stream.
int maker_project(const SUM_Baseline& baseline, SUM_Project& out) {
  SUM_Stream maker;
  int made = 0;
  int status = maker_of(baseline, maker, made);
  if (status != 0 || !made) {
    out = SUM_Project();
    return status;
  }
  return maker.project(out);
}

// Whether the PVOB of `project` classifies and checks by the stream rules.
int stream_rules_apply(const SUM_Project& project, int& apply) {
  return project.vob().is_feature_level_ge(kStreamRulesLevel, apply);
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

int SUM_FoundationChange::undo_commit() {
  return SUM_OK;
}

int SUM_FoundationChange::save(XML_Element&) const {
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

// ---- SUM_ConfigChange: text and validity ---------------------------------------------

int SUM_ConfigChange::status_msg(SUM_String& out) const {
  SUM_Trace trace("SUM_ConfigChange::status_msg");
  const char* component = component_.any_fullname();
  // A change that keeps or drops its baseline names the one it has.
  const char* baseline = new_.is_null() ? current_.any_fullname() : new_.any_fullname();
  std::optional<sum_config_change_msg> refusal = refusal_message(validity_);
  if (validity_ != OK && !refusal)
    return sum_int_error(kSource, trace.name(), __LINE__);
  sum_config_change_msg message = validity_ == OK ? outcome_message(kind_) : *refusal;
  std::string text;
  // A removal names only the component.
  if (validity_ == CHILD_USES_REMOVED || validity_ == MODIFIED_REMOVED ||
      (validity_ == OK && kind_ == REMOVE))
    text = imsg_format_chosen(message, component);
  else
    text = imsg_format_chosen(message, baseline, component);
  if (text.size() > kMaxStatusText)
    return sum_int_error(kSource, trace.name(), __LINE__);
  out = text.c_str();
  return SUM_OK;
}

int SUM_ConfigChange::is_valid(int& valid) const {
  valid = validity_ == OK ? 1 : 0;
  return SUM_OK;
}

const SUM_Stream& SUM_ConfigChange::stream() const {
  return owner_->stream();
}

int SUM_ConfigChange::validate() {
  SUM_Trace trace("SUM_ConfigChange::validate");
  if (owner_ == nullptr || component_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  validity_ = OK;
  switch (kind_) {
    case NONE:
    case CHANGING_IMPLIED:
      if (current_ != new_)
        return sum_int_error(kSource, trace.name(), __LINE__);
      return SUM_OK;
    case ADD:
      if (new_.is_null())
        return sum_int_error(kSource, trace.name(), __LINE__);
      return trace.checked(__LINE__, check_new_baseline());
    case REMOVE:
      return trace.checked(__LINE__, check_ok_to_remove());
    case FORWARD:
    case BACKWARD:
    case SIDEWAYS:
    case ROOTLESS_SIDEWAYS:
      return trace.checked(__LINE__, check_forward_or_backward());
    default:
      return sum_int_error(kSource, trace.name(), __LINE__);
  }
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
  if (made && !stream().is_null() && maker == stream()) {
    validity_ = MADE_IN_STREAM;
    return SUM_OK;
  }
  if (!owner_->is_integration())
    return trace.checked(__LINE__, check_devstream_baseline());
  int rules = 0;
  if ((status = stream_rules_apply(owner_->project(), rules)) != 0)
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
// foundation baseline of the component, a baseline of the project that has
// flowed to the parent, or a baseline of another project from which the
// parent's foundation baseline descends.
int SUM_ConfigChange::check_devstream_baseline() {
  SUM_Trace trace("SUM_ConfigChange::check_devstream_baseline");
  const SUM_Stream& parent = owner_->parent();
  SUM_Baseline parents;
  int status = parent.is_null() ? SUM_NOT_FOUND
                                : owner_->facts().foundation_baseline(parent, component_, parents);
  if (status == SUM_NOT_FOUND) {
    validity_ = NOT_FROM_PARENT;
    return SUM_OK;
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (parents == new_)
    return SUM_OK;
  int rules = 0;
  if ((status = stream_rules_apply(owner_->project(), rules)) != 0)
    return trace.checked(__LINE__, status);
  if (!rules) {
    validity_ = NOT_IN_INTEGRATION;
    return SUM_OK;
  }
  SUM_Project origin;
  if ((status = maker_project(new_, origin)) != 0)
    return trace.checked(__LINE__, status);
  if (origin.is_null()) {
    validity_ = NOT_FROM_PARENT;
    return SUM_OK;
  }
  int result = 0;
  if (origin == owner_->project()) {
    if ((status = new_.has_flowed_to(parent, result)) != 0)
      return trace.checked(__LINE__, status);
    validity_ = result ? OK : NOT_FROM_PARENT;
    return SUM_OK;
  }
  if (!SUM_NewConfig::timeline_comparison_overridden()) {
    // The integration stream's line of the component must come from the
    // same project as the baseline offered.
    SUM_Stream integration;
    SUM_Baseline line;
    SUM_Project line_origin;
    status = SUM_Stream::integration_stream(owner_->project(), integration);
    if (status == 0)
      status = owner_->facts().foundation_baseline(integration, component_, line);
    if (status == 0)
      status = maker_project(line, line_origin);
    if (status != 0 && status != SUM_NOT_FOUND)
      return trace.checked(__LINE__, status);
    if (status == 0 && !line_origin.is_null() && line_origin != origin) {
      validity_ = NOT_APPROPRIATE_ANCESTOR;
      return SUM_OK;
    }
  }
  SUM_BaselineList candidates;
  candidates.append(parents);
  if ((status = new_.is_ancestor_of(candidates, result)) != 0)
    return trace.checked(__LINE__, status);
  validity_ = result ? OK : NOT_ANCESTOR;
  return SUM_OK;
}

int SUM_ConfigChange::check_forward_or_backward() {
  SUM_Trace trace("SUM_ConfigChange::check_forward_or_backward");
  if (current_.is_null() || new_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = check_new_baseline();
  if (status != 0 || validity_ != OK)
    return trace.checked(__LINE__, status);
  if (kind_ == SIDEWAYS || kind_ == ROOTLESS_SIDEWAYS)
    return SUM_OK;
  int rules = 0;
  if ((status = stream_rules_apply(owner_->project(), rules)) != 0)
    return trace.checked(__LINE__, status);
  if (current_ == new_)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_BaselineList target;
  int result = 0;
  target.append(new_);
  if (rules && (status = current_.is_ancestor_of(target, result)) != 0)
    return trace.checked(__LINE__, status);
  if (result) {
    kind_ = FORWARD;
    return SUM_OK;
  }
  SUM_BaselineList current;
  current.append(current_);
  if (rules && (status = new_.is_ancestor_of(current, result)) != 0)
    return trace.checked(__LINE__, status);
  if (result) {
    kind_ = BACKWARD;
    return trace.checked(__LINE__, check_ok_to_move_backward());
  }
  int rooted = 0;
  if ((status = component_.has_crde(rooted)) != 0)
    return trace.checked(__LINE__, status);
  kind_ = rooted ? SIDEWAYS : ROOTLESS_SIDEWAYS;
  return trace.checked(__LINE__, check_ok_to_move_sideways());
}

int SUM_ConfigChange::check_ok_to_move_backward() {
  SUM_Trace trace("SUM_ConfigChange::check_ok_to_move_backward");
  int modified = 0;
  int status = modified_in_stream(modified);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (modified) {
    validity_ = MODIFIED_REVERTED;
    return SUM_OK;
  }
  int used = 0;
  if (modifiable_ && (status = used_by_children(used)) != 0)
    return trace.checked(__LINE__, status);
  if (used)
    validity_ = CHILD_USES_REVERTED;
  return SUM_OK;
}

int SUM_ConfigChange::check_ok_to_move_sideways() {
  SUM_Trace trace("SUM_ConfigChange::check_ok_to_move_sideways");
  int modified = 0;
  int status = modified_in_stream(modified);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (modified) {
    SUM_BaselineList target;
    int ancestor = 0;
    target.append(new_);
    if ((status = current_.is_ancestor_of(target, ancestor)) != 0)
      return trace.checked(__LINE__, status);
    if (!ancestor)
      validity_ = MODIFIED_SWITCHED;
  }
  int used = 0;
  if (modifiable_ && (status = used_by_children(used)) != 0)
    return trace.checked(__LINE__, status);
  if (used)
    validity_ = CHILD_USES_SWITCHED;
  return SUM_OK;
}

int SUM_ConfigChange::check_ok_to_remove() {
  SUM_Trace trace("SUM_ConfigChange::check_ok_to_remove");
  int rooted = 0;
  int status = component_.has_crde(rooted);
  if (status != 0 || !rooted)
    return trace.checked(__LINE__, status);
  int modified = 0;
  if ((status = modified_in_stream(modified)) != 0)
    return trace.checked(__LINE__, status);
  if (modified) {
    validity_ = MODIFIED_REMOVED;
    return SUM_OK;
  }
  int used = 0;
  if (modifiable_ && (status = used_by_children(used)) != 0)
    return trace.checked(__LINE__, status);
  if (used)
    validity_ = CHILD_USES_REMOVED;
  return SUM_OK;
}

int SUM_ConfigChange::modified_in_stream(int& modified) {
  SUM_Trace trace("SUM_ConfigChange::modified_in_stream");
  modified = 0;
  if (stream().is_null())
    return SUM_OK;
  SUM_Baseline own;
  int status = owner_->facts().own_latest_baseline(stream(), component_, own);
  if (status == 0) {
    modified = 1;
    return SUM_OK;
  }
  if (status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, stream().has_been_modified(component_, modified));
}

int SUM_ConfigChange::used_by_children(int& used) {
  used = 0;
  return stream().is_null() ? SUM_OK : owner_->facts().used_by_children(stream(), component_, used);
}

int SUM_ConfigChange::has_comp_been_modified_in_stream(const SUM_Stream& stream,
                                                       const SUM_Component& component,
                                                       int& modified) {
  SUM_Trace trace("SUM_ConfigChange::has_comp_been_modified_in_stream");
  if (stream.is_null()) {
    modified = 0;
    return SUM_OK;
  }
  SUM_Baseline own;
  int status = stream.baseline_util(component, 1, own);
  if (status == 0) {
    modified = 1;
    return SUM_OK;
  }
  if (status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, stream.has_been_modified(component, modified));
}

int SUM_ConfigChange::has_comp_been_modified_in_str_hier(const SUM_Stream& stream,
                                                         const SUM_Component& component,
                                                         int& modified) {
  SUM_Trace trace("SUM_ConfigChange::has_comp_been_modified_in_str_hier");
  int status = has_comp_been_modified_in_stream(stream, component, modified);
  if (status != 0 || modified)
    return trace.checked(__LINE__, status);
  int all_local = 0;
  if ((status = stream.child_streams_local_mastership(all_local)) != 0)
    return trace.checked(__LINE__, status);
  if (!all_local)
    return trace.checked(__LINE__, SUM_FAILED);
  SUM_StreamList below;
  if ((status = stream.streams(below, 1)) != 0)
    return trace.checked(__LINE__, status);
  for (unsigned i = 0; i < below.count() && !modified; ++i)
    if ((status = has_comp_been_modified_in_stream(below[i], component, modified)) != 0)
      return trace.checked(__LINE__, status);
  return SUM_OK;
}

int SUM_ConfigChange::comp_visible_in_child_streams(const SUM_Stream& stream,
                                                    const SUM_Component& component, int& visible) {
  SUM_Trace trace("SUM_ConfigChange::comp_visible_in_child_streams");
  visible = 0;
  if (stream.is_null())
    return SUM_OK;
  SUM_StreamList children;
  int status = stream.streams(children, 0);
  if (status != 0)
    return trace.checked(__LINE__, status);
  for (unsigned i = 0; i < children.count() && !visible; ++i) {
    int has = 0;
    // A child whose foundation cannot be read may use anything.
    visible = children[i].component_visible(component, has) != 0 || has ? 1 : 0;
  }
  return SUM_OK;
}

// ---- SUM_ConfigChange: commit and undo -------------------------------------------

int SUM_ConfigChange::commit() {
  SUM_Trace trace("SUM_ConfigChange::commit");
  if (owner_ == nullptr || stream().is_null() || validity_ != OK)
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, commit_kind(kind_, new_, implied_));
}

int SUM_ConfigChange::undo_commit() {
  SUM_Trace trace("SUM_ConfigChange::undo_commit");
  if (owner_ == nullptr || stream().is_null() || validity_ != OK)
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, commit_kind(reverse_kind(kind_), current_, current_implied_));
}

// Writes a change of `kind` that leaves the component at baseline `to` (null:
// out of the configuration).
int SUM_ConfigChange::commit_kind(int kind, const SUM_Baseline& to, int to_implied) {
  SUM_Trace trace("SUM_ConfigChange::commit_kind");
  int status = SUM_OK;
  switch (kind) {
    case ADD:
    case FORWARD:
      status = add_component(to, to_implied);
      break;
    case REMOVE:
      status = remove_component();
      break;
    case BACKWARD:
      status = move_backward(to);
      break;
    case SIDEWAYS:
      status = remove_component();
      if (status == 0)
        status = add_component(to, to_implied);
      break;
    case ROOTLESS_SIDEWAYS:
      status = move_rootless_sideways(to);
      break;
    default:
      break;
  }
  if (status == 0)
    status = set_uses_bl_hlink(to, to_implied);
  return trace.checked(__LINE__, status);
}

// The stream's timeline of a rooted component ends with a foundation arc to
// `to`: made with it when the stream has none (for an explicit baseline; an
// implied one gets its timeline when the stream first needs it), or given
// one. A rootless component's timeline, when the stream has one, gets the
// arc too.
int SUM_ConfigChange::add_component(const SUM_Baseline& to, int to_implied) {
  SUM_Trace trace("SUM_ConfigChange::add_component");
  int rooted = 0;
  int status = component_.has_crde(rooted);
  if (status != 0)
    return trace.checked(__LINE__, status);
  const char* comment = owner_->comment();
  SUM_Timeline timeline;
  status = stream().component_timeline(component_, timeline);
  if (status == SUM_NOT_FOUND) {
    if (!rooted || to_implied)
      return SUM_OK;
    return trace.checked(__LINE__,
                         SUM_Timeline::create(component_, stream(), to, comment, timeline));
  }
  SUM_Baseline foundation;
  if (status == 0)
    status = timeline.foundation_baseline(foundation);
  if (status != 0 || foundation == to)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, timeline.add_foundation_arc(to, comment));
}

// A timeline holding nothing but its foundation arc goes; one with more
// history stays for the baselines on it.
int SUM_ConfigChange::remove_component() {
  SUM_Trace trace("SUM_ConfigChange::remove_component");
  int rooted = 0;
  int status = component_.has_crde(rooted);
  if (status != 0 || !rooted)
    return trace.checked(__LINE__, status);
  SUM_Timeline timeline;
  status = stream().component_timeline(component_, timeline);
  if (status == SUM_NOT_FOUND)
    return SUM_OK;
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, timeline.destroy());
}

// Takes the timeline back to `to`: the foundation arcs after the last arc
// to it are removed when nothing but arcs follows; otherwise (or when the
// timeline never had it) a new arc to it is appended.
int SUM_ConfigChange::move_backward(const SUM_Baseline& to) {
  SUM_Trace trace("SUM_ConfigChange::move_backward");
  SUM_Timeline timeline;
  int status = stream().component_timeline(component_, timeline);
  if (status == SUM_NOT_FOUND)
    return SUM_OK;
  SUM_TimelineEntryList entries;
  if (status == 0)
    status = timeline.entries(entries);
  if (status != 0)
    return trace.checked(__LINE__, status);
  for (unsigned i = entries.count(); i-- > 0;) {
    if (entries[i].kind() != SUM_TimelineEntry::FOUNDATION_ARC)
      break;
    SUM_Baseline target;
    if ((status = entries[i].baseline(target)) != 0)
      return trace.checked(__LINE__, status);
    if (target == to)
      return i + 1 == entries.count()
                 ? SUM_OK
                 : trace.checked(__LINE__, timeline.remove_arcs_from(i + 1, owner_->comment()));
  }
  return trace.checked(__LINE__, timeline.add_foundation_arc(to, owner_->comment()));
}

// A rootless component's timeline takes the new baseline again: a duplicate
// of its existing arc, else a new arc.
int SUM_ConfigChange::move_rootless_sideways(const SUM_Baseline& to) {
  SUM_Trace trace("SUM_ConfigChange::move_rootless_sideways");
  SUM_Timeline timeline;
  int status = stream().component_timeline(component_, timeline);
  if (status == SUM_NOT_FOUND)
    return SUM_OK;
  SUM_TimelineEntryList entries;
  if (status == 0)
    status = timeline.entries(entries);
  if (status != 0)
    return trace.checked(__LINE__, status);
  for (unsigned i = entries.count(); i-- > 0;) {
    if (entries[i].kind() != SUM_TimelineEntry::FOUNDATION_ARC)
      continue;
    SUM_Baseline target;
    if ((status = entries[i].baseline(target)) != 0)
      return trace.checked(__LINE__, status);
    if (target == to)
      return trace.checked(__LINE__, timeline.create_duplicate_entry(entries[i].dbid()));
  }
  return trace.checked(__LINE__, timeline.add_foundation_arc(to, owner_->comment()));
}

// The stream's "UseBaseline" hyperlinks follow the explicit baselines: the
// component's link goes when it names another baseline than `to` or `to`
// is implied, and `to` gets one unless it is implied. The link is found by
// component, so that a link left behind by an older change is replaced too.
int SUM_ConfigChange::set_uses_bl_hlink(const SUM_Baseline& to, int to_implied) {
  SUM_Trace trace("SUM_ConfigChange::set_uses_bl_hlink");
  const SUM_Stream& owner = stream();
  const char* comment = owner_->comment();
  SUM_Baseline linked;
  int status = owner.uses_baseline_util(component_, linked);
  if (status == 0 && (linked != to || to_implied))
    status = owner.remove_hyperlink_to(linked, VOB_WK_HLTYPE_USE_BASELINE, 0, comment);
  else if (status == 0 && linked == to)
    return SUM_OK;
  if (status == SUM_NOT_FOUND)
    status = SUM_OK;
  if (status != 0 || to_implied || to.is_null())
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, owner.create_hyperlink_to(to, VOB_WK_HLTYPE_USE_BASELINE, nullptr,
                                                           nullptr, comment));
}
