// SUM_NewConfig: computing the change list of a stream's configuration from
// two evaluated foundations, validating it as a whole, and committing and
// undoing it on the stream.
#include "sum/sum_new_config.h"

#include <strings.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_hash_tab.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_new_config";
// Buckets of the component table of a change list.
constexpr long kComponentBuckets = 64;

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

// The preview callback: prints every change's message.
int print_change(const ConfigChangeCB& callback) {
  const SUM_FoundationChange* change = callback.change;
  int valid = 1;
  SUM_String text;
  if (change == nullptr || change->is_valid(valid) != 0 || change->status_msg(text) != 0)
    return 0;
  imsg_print_literal(valid ? IMSG_INFO : IMSG_ERROR, "%s", static_cast<const char*>(text));
  return 0;
}

// `baselines` without repeats of one baseline, in first-seen order.
SUM_BaselineList distinct(const SUM_BaselineList& baselines) {
  SUM_BaselineList out;
  for (unsigned i = 0; i < baselines.count(); ++i)
    if (out.find(baselines[i]) < 0)
      out.append(baselines[i]);
  return out;
}

// The closure of `foundation` with its components; prints `message` when
// it cannot be had.
int closure_of(const SUM_Foundation& foundation, sum_config_change_msg message,
               SUM_BaselineList& baselines, SUM_ComponentList& components) {
  int status = foundation.closure(baselines);
  if (status == 0)
    status = foundation.closure_scope(components);
  if (status != 0)
    imsg_print_chosen(IMSG_ERROR, message);
  return status;
}

// 1 when `baseline` stands in `foundation` only as an implied baseline.
int implied_in(const SUM_Foundation& foundation, const SUM_Baseline& baseline, int& implied) {
  int standing = SUM_Foundation::NOT_FOUND;
  SUM_BaselineList related;
  int status = foundation.lookup_baseline(baseline, standing, related);
  if (status == 0)
    implied = standing == SUM_Foundation::IMPLIED ? 1 : 0;
  return status;
}

}  // namespace

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

SUM_NewConfigCBs SUM_NewConfig::preview_cbs() {
  SUM_NewConfigCBs callbacks;
  callbacks.validated = ConfigChangeCB(print_change, nullptr);
  return callbacks;
}

int SUM_NewConfig::timeline_comparison_overridden() {
  const char* value = std::getenv("ZEM_OVERRIDE_TIMELINE_COMPARISON");
  return value != nullptr && strcasecmp(value, "true") == 0 ? 1 : 0;
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

int SUM_NewConfig::read_mod_comps() {
  SUM_ComponentList modifiable;
  int status = project_.mod_comps(modifiable);
  if (status == 0)
    project_mod_comps_ = modifiable;
  return status;
}

int SUM_NewConfig::read_current_foundation(SUM_Foundation& out) const {
  SUM_Trace trace("SUM_NewConfig::read_current_foundation");
  int unavailable = 0;
  int status = stream_.foundation(out, unavailable);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_config_change_msg::UnableGetCurrentFoundation);
    return trace.checked(__LINE__, status);
  }
  if (unavailable > 0) {
    imsg_print(IMSG_ERROR, sum_config_change_msg::CurrentFoundationUnavailable);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  return SUM_OK;
}

std::unique_ptr<SUM_ConfigChange> SUM_NewConfig::make_change(int kind, const SUM_Baseline& current,
                                                             const SUM_Baseline& fresh, int implied,
                                                             const SUM_Component& component) {
  int modifiable = project_mod_comps_.find(component) >= 0 ? 1 : 0;
  if (recommend_)
    return std::make_unique<SUM_RecommendChange>(this, kind, current, fresh, implied, component,
                                                 modifiable);
  return std::make_unique<SUM_ConfigChange>(this, kind, current, fresh, implied, component,
                                            modifiable);
}

int SUM_NewConfig::build_changes(const SUM_Foundation& current, const SUM_Foundation& fresh) {
  SUM_Trace trace("SUM_NewConfig::build_changes");
  SUM_BaselineList before, after;
  SUM_ComponentList before_comps, after_comps;
  sum_config_change_msg current_failure =
      recommend_ ? sum_config_change_msg::UnableGetRecommendedFoundationClosure
                 : sum_config_change_msg::UnableGetCurrentClosure;
  sum_config_change_msg new_failure = recommend_ ? sum_config_change_msg::UnableGetClosureNew
                                                 : sum_config_change_msg::UnableGetNewClosure;
  int status = closure_of(current, current_failure, before, before_comps);
  if (status == 0)
    status = closure_of(fresh, new_failure, after, after_comps);
  if (status != 0)
    return trace.checked(__LINE__, status);

  std::vector<std::unique_ptr<SUM_ConfigChange>> changes;
  SUM_HashTab<SUM_Component, int> by_component(kComponentBuckets);
  for (unsigned i = 0; i < before.count(); ++i) {
    int implied = 0;
    if ((status = implied_in(current, before[i], implied)) != 0) {
      imsg_print(IMSG_ERROR, sum_config_change_msg::UnableLookupBaselineCurrent,
                 before[i].any_fullname());
      return trace.checked(__LINE__, status);
    }
    auto change =
        make_change(SUM_FoundationChange::NONE, before[i], SUM_Baseline(), 0, before_comps[i]);
    change->set_current_implied(implied);
    by_component.enter(before_comps[i], static_cast<int>(changes.size()));
    changes.push_back(std::move(change));
  }
  for (unsigned i = 0; i < after.count(); ++i) {
    const SUM_Baseline& baseline = after[i];
    int in_progress = 0;
    if ((status = baseline.is_in_progress(in_progress)) != 0)
      return trace.checked(__LINE__, status);
    if (in_progress) {
      imsg_print(IMSG_ERROR, sum_config_change_msg::InProgress, baseline.any_fullname());
      return trace.checked(__LINE__, SUM_FAILED);
    }
    int implied = 0;
    if ((status = implied_in(fresh, baseline, implied)) != 0) {
      imsg_print(IMSG_ERROR, sum_config_change_msg::UnableLookupBaselineNew,
                 baseline.any_fullname());
      return trace.checked(__LINE__, status);
    }
    const int* at = by_component.lookup(after_comps[i]);
    if (at != nullptr) {
      changes[static_cast<size_t>(*at)]->set_new_baseline(baseline, implied);
      continue;
    }
    by_component.enter(after_comps[i], static_cast<int>(changes.size()));
    changes.push_back(
        make_change(SUM_FoundationChange::ADD, SUM_Baseline(), baseline, implied, after_comps[i]));
  }
  for (auto& change : changes) {
    const SUM_Baseline& was = change->current_baseline();
    const SUM_Baseline& will = change->new_baseline();
    if (will.is_null())
      change->set_kind(SUM_FoundationChange::REMOVE);
    else if (was.is_null())
      change->set_kind(SUM_FoundationChange::ADD);
    else if (was == will)
      change->set_kind(change->implied() != change->current_implied()
                           ? SUM_FoundationChange::CHANGING_IMPLIED
                           : SUM_FoundationChange::NONE);
    else
      change->set_kind(SUM_FoundationChange::FORWARD);  // classified by validation
  }
  current_foundation_ = current;
  new_foundation_ = fresh;
  changes_ = std::move(changes);
  initialised_ = 1;
  validated_ = 0;
  valid_ = 0;
  return SUM_OK;
}

int SUM_NewConfig::init(const SUM_BaselineList& baselines) {
  return init(baselines, SUM_BaselineList());
}

int SUM_NewConfig::init(const SUM_BaselineList& baselines, const SUM_BaselineList& removed) {
  SUM_Trace trace("SUM_NewConfig::init");
  if (initialised_ || (stream_.is_null() && project_.is_null()))
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = place_known_ ? SUM_OK : read_place();
  SUM_Foundation current;
  if (status == 0 && !stream_.is_null())
    status = read_current_foundation(current);
  if (status == 0)
    status = read_mod_comps();
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_BaselineList explicit_now;
  if ((status = current.explicit_baselines(explicit_now)) != 0)
    return trace.checked(__LINE__, status);
  SUM_BaselineList dropped = distinct(removed);
  for (unsigned i = 0; i < dropped.count(); ++i)
    if (explicit_now.find(dropped[i]) < 0) {
      imsg_print(IMSG_ERROR, sum_config_change_msg::CantRemoveNotInConfiguration,
                 dropped[i].any_fullname(), stream_.any_fullname());
      return trace.checked(__LINE__, SUM_FAILED);
    }
  // Label checks are the changes' own (code 1), so the new foundation is
  // evaluated without them.
  SUM_BaselineList kept;
  for (unsigned i = 0; i < explicit_now.count(); ++i)
    if (dropped.find(explicit_now[i]) < 0)
      kept.append(explicit_now[i]);
  SUM_Foundation fresh;
  status = SUM_Foundation::construct_from_bls_no_lbl_chk(kept, fresh);
  if (status == 0)
    status = fresh.add_baselines(distinct(baselines), 1);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, build_changes(current, fresh));
}

int SUM_NewConfig::init_recommend(const SUM_BaselineList& recommended) {
  SUM_Trace trace("SUM_NewConfig::init_recommend");
  if (initialised_ || stream_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  recommend_ = 1;
  int status = place_known_ ? SUM_OK : read_place();
  if (status == 0)
    status = read_mod_comps();
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_Foundation current;
  if ((status = stream_.rec_foundation(current)) != 0) {
    imsg_print(IMSG_ERROR, sum_config_change_msg::UnableGetRecommendedFoundation);
    return trace.checked(__LINE__, status);
  }
  SUM_Foundation fresh;
  SUM_ComponentList visible;
  if ((status = SUM_Foundation::construct_from_bls_no_lbl_chk(distinct(recommended), fresh)) != 0) {
    imsg_print(IMSG_ERROR, sum_config_change_msg::UnableGetClosureNew);
    return trace.checked(__LINE__, status);
  }
  SUM_BaselineList closure;
  SUM_ComponentList scope;
  if ((status = closure_of(fresh, sum_config_change_msg::UnableGetClosureNew, closure, scope)) == 0)
    status = stream_.components(visible);
  if (status != 0)
    return trace.checked(__LINE__, status);
  for (unsigned i = 0; i < scope.count(); ++i)
    if (visible.find(scope[i]) < 0) {
      imsg_print(IMSG_ERROR, sum_config_change_msg::NotVisible, closure[i].any_fullname(),
                 stream_.any_fullname());
      return trace.checked(__LINE__, SUM_FAILED);
    }
  return trace.checked(__LINE__, build_changes(current, fresh));
}

int SUM_NewConfig::validate_baselines(int& valid, int& stopped) {
  SUM_Trace trace("SUM_NewConfig::validate_baselines");
  if (!initialised_)
    return sum_int_error(kSource, trace.name(), __LINE__);
  int all_valid = 1;
  int was_stopped = 0;
  for (const auto& change : changes_) {
    int status = change->validate();
    if (status != 0) {
      imsg_print(IMSG_ERROR, sum_config_change_msg::UnableValidateChangeComponent,
                 change->component().any_fullname());
      return trace.checked(__LINE__, status);
    }
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
  int status = validate_baselines(valid, stopped);
  if (status != 0 || !valid)
    return trace.checked(__LINE__, status);
  int cycle = 0;
  if ((status = new_foundation_.check_dependency_cycle(cycle, 1)) != 0)
    return trace.checked(__LINE__, status);
  if (cycle)
    valid_ = 0;
  return SUM_OK;
}

int SUM_NewConfig::is_valid(int& valid) const {
  valid = initialised_ && validated_ && valid_ ? 1 : 0;
  return SUM_OK;
}

int SUM_NewConfig::is_different(int& different) const {
  SUM_Trace trace("SUM_NewConfig::is_different");
  if (!initialised_)
    return sum_int_error(kSource, trace.name(), __LINE__);
  different = 0;
  for (const auto& change : changes_)
    if (change->kind() != SUM_FoundationChange::NONE)
      different = 1;
  return SUM_OK;
}

int SUM_NewConfig::current_config(SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_NewConfig::current_config");
  if (!initialised_)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_BaselineList list;
  for (const auto& change : changes_)
    if (!change->current_baseline().is_null() && !change->current_implied())
      list.append(change->current_baseline());
  out = list;
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

int SUM_NewConfig::new_closure(SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_NewConfig::new_closure");
  if (!initialised_)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_BaselineList list;
  for (const auto& change : changes_)
    if (!change->new_baseline().is_null())
      list.append(change->new_baseline());
  out = list;
  return SUM_OK;
}

int SUM_NewConfig::changed_baselines(SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_NewConfig::changed_baselines");
  if (!initialised_)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_BaselineList list;
  for (const auto& change : changes_)
    if (change->kind() != SUM_FoundationChange::NONE && !change->new_baseline().is_null())
      list.append(change->new_baseline());
  out = list;
  return SUM_OK;
}

int SUM_NewConfig::baselines_moving_forward(SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_NewConfig::baselines_moving_forward");
  if (!initialised_ || !validated_)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_BaselineList list;
  for (const auto& change : changes_)
    if (change->kind() == SUM_FoundationChange::FORWARD)
      list.append(change->new_baseline());
  out = list;
  return SUM_OK;
}

void SUM_NewConfig::diff_bl_lists(const SUM_BaselineList& from, const SUM_BaselineList& to,
                                  SUM_BaselineList& added, SUM_BaselineList& removed,
                                  SUM_BaselineList& kept) {
  SUM_BaselineList add, drop, both;
  for (unsigned i = 0; i < to.count(); ++i)
    (from.find(to[i]) >= 0 ? both : add).append(to[i]);
  for (unsigned i = 0; i < from.count(); ++i)
    if (to.find(from[i]) < 0)
      drop.append(from[i]);
  added = add;
  removed = drop;
  kept = both;
}

// ---- committing ---------------------------------------------------------------------

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
  if (!valid || committed_ || recommend_ || stream_.is_null())
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

int SUM_NewConfig::regen_cspec() const {
  return stream_.regen_cspec(0);
}

int SUM_NewConfig::commit(const char* comment) {
  SUM_Trace trace("SUM_NewConfig::commit");
  int valid = 0;
  is_valid(valid);
  if (!valid || committed_ || recommend_ || stream_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  comment_ = comment != nullptr ? comment : "";
  for (size_t i = 0; i < changes_.size(); ++i) {
    int status = changes_[i]->commit();
    if (status == 0)
      continue;
    imsg_print(IMSG_ERROR, sum_config_change_msg::UnableCommitChangeComponent,
               changes_[i]->component().any_fullname());
    // Nothing half-written: the changes already made are taken back.
    while (i-- > 0)
      changes_[i]->undo_commit();
    return trace.checked(__LINE__, status);
  }
  committed_ = 1;
  return trace.checked(__LINE__, regen_cspec());
}

int SUM_NewConfig::undo_commit(const char* comment) {
  SUM_Trace trace("SUM_NewConfig::undo_commit");
  if (!committed_ || recommend_ || stream_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  comment_ = comment != nullptr ? comment : "";
  for (size_t i = changes_.size(); i-- > 0;) {
    int status = changes_[i]->undo_commit();
    if (status != 0)
      return trace.checked(__LINE__, status);
  }
  committed_ = 0;
  return trace.checked(__LINE__, regen_cspec());
}
