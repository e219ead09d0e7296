// SUM_Foundation: the dependency graph of a list of explicit baselines and
// what it answers (effective baselines, statuses, conflicts, unlabelled and
// redundant baselines, cycles) and prints (diagnosis, overrides, dump).
#include "sum/sum_foundation.h"

#include <cstdlib>

#include "services/imsg.h"
#include "sum/sum_cache_control.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_foundation";

constexpr long kBuckets = 64;

int env_is_set(const char* name, int need_value) {
  const char* value = std::getenv(name);
  return value != nullptr && (!need_value || *value != '\0') ? 1 : 0;
}

int expanded_messages() {
  return env_is_set("KORVA_EXPANDED_MSGS", 0);
}

// The name of `obj` as messages show it ("name@vob").
int message_name(const SUM_VobObject& obj, SUM_String& out) {
  if (obj.is_null())
    return SUM_INTERNAL_ERROR;
  return obj.selector(1, out);
}

// As message_name, or the baseline-catalog stand-in `unavailable`.
SUM_String message_name_or(const SUM_VobObject& obj, sum_baseline_msg unavailable) {
  SUM_String text;
  if (message_name(obj, text) != 0)
    text = imsg_text(unavailable);
  return text;
}

int index_of(const SUM_FoundBLList& nodes, const SUM_Baseline& baseline) {
  for (unsigned i = 0; i < nodes.count(); ++i)
    if (nodes[i].baseline() == baseline)
      return static_cast<int>(i);
  return -1;
}

int is_live(const SUM_FoundBL& node) {
  return node.is_explicit() || node.implied_count() > 0 ? 1 : 0;
}

}  // namespace

SUM_Foundation::SUM_Foundation() : table_(kBuckets) {}

SUM_Foundation::SUM_Foundation(const SUM_Foundation& other)
    : table_(other.table_),
      order_(other.order_),
      explicit_list_(other.explicit_list_),
      unlabelled_(other.unlabelled_),
      unlabelled_filled_(other.unlabelled_filled_),
      eval_failed_(other.eval_failed_),
      conflicts_(other.conflicts_) {}

SUM_Foundation& SUM_Foundation::operator=(const SUM_Foundation& other) {
  if (this != &other) {
    table_ = other.table_;
    order_ = other.order_;
    explicit_list_ = other.explicit_list_;
    unlabelled_ = other.unlabelled_;
    unlabelled_filled_ = other.unlabelled_filled_;
    eval_failed_ = other.eval_failed_;
    conflicts_ = other.conflicts_;
  }
  return *this;
}

int SUM_Foundation::failed(const char* op, int line) const {
  return sum_int_error(kSource, op, line);
}

// ---- construction and evaluation ----

namespace {

// A new foundation of `baselines` entered with label-check exemption
// `exempt`; `out` is replaced only on success.
int construct_with(const SUM_BaselineList& baselines, int exempt, SUM_Foundation& out) {
  SUM_Foundation made;
  int status = made.add_baselines(baselines, exempt);
  if (status == 0)
    out = made;
  return status;
}

}  // namespace

int SUM_Foundation::construct_from_baselines(const SUM_BaselineList& baselines,
                                             SUM_Foundation& out) {
  SUM_Trace trace("SUM_Foundation::construct_from_baselines");
  return trace.checked(__LINE__, construct_with(baselines, 0, out));
}

int SUM_Foundation::construct_from_bls_no_lbl_chk(const SUM_BaselineList& baselines,
                                                  SUM_Foundation& out) {
  SUM_Trace trace("SUM_Foundation::construct_from_bls_no_lbl_chk");
  return trace.checked(__LINE__, construct_with(baselines, 1, out));
}

int SUM_Foundation::component_of(const SUM_Baseline& baseline, SUM_Component& out) {
  int status = baseline.component(out);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_foundation_msg::NoComponent, baseline.any_fullname());
    eval_failed_ = 1;
  }
  return status;
}

int SUM_Foundation::members_of(const SUM_Baseline& baseline, SUM_BaselineList& out) {
  int unavailable = 0;
  int status = baseline.dependencies(out, unavailable);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_foundation_msg::NoMember, baseline.any_fullname());
    eval_failed_ = 1;
  }
  return status;
}

SUM_FoundBL* SUM_Foundation::node_of(const SUM_Component& component, const SUM_Baseline& baseline) {
  SUM_FoundBLList* nodes = table_.lookup(component);
  if (nodes == nullptr)
    return nullptr;
  int at = index_of(*nodes, baseline);
  return at < 0 ? nullptr : &(*nodes)[static_cast<unsigned>(at)];
}

int SUM_Foundation::has_explicit(const SUM_Component& component) const {
  const SUM_FoundBLList* nodes = table_.lookup(component);
  if (nodes == nullptr)
    return 0;
  for (unsigned i = 0; i < nodes->count(); ++i)
    if ((*nodes)[i].is_explicit())
      return 1;
  return 0;
}

int SUM_Foundation::enter_bl_dependency_graph(const SUM_Baseline& baseline, int is_explicit,
                                              int no_label_check, SUM_BaselineList& path) {
  SUM_Trace trace("SUM_Foundation::enter_bl_dependency_graph");
  SUM_Component component;
  int status = component_of(baseline, component);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_FoundBL node(component, baseline, is_explicit ? 0 : 1, is_explicit ? 1 : 0, no_label_check);
  int eclipsed = 0;
  SUM_FoundBLList* nodes = table_.lookup(component);
  if (nodes == nullptr) {
    SUM_FoundBLList fresh;
    fresh.append(node);
    table_.enter(component, fresh);
    order_.append(component);
  } else {
    int at = index_of(*nodes, baseline);
    if (at < 0) {
      nodes->append(node);
      eclipsed = !is_explicit && has_explicit(component);
    } else if (!is_explicit) {
      SUM_FoundBL& existing = (*nodes)[static_cast<unsigned>(at)];
      existing.set_implied_count(existing.implied_count() + 1);
      eclipsed = has_explicit(component);
    } else {
      (*nodes)[static_cast<unsigned>(at)].set_explicit(1);
    }
  }
  // A baseline met again on its own membership path has been expanded
  // already; the cycle is reported by check_dependency_cycle.
  if (path.find(baseline) >= 0)
    return SUM_OK;

  SUM_BaselineList members;
  if ((status = members_of(baseline, members)) != 0)
    return trace.checked(__LINE__, SUM_FAILED);
  path.append(baseline);
  for (unsigned i = 0; i < members.count() && status == 0; ++i)
    status = enter_bl_dependency_graph(members[i], 0, no_label_check, path);
  path.remove(path.count() - 1);
  if (status != 0)
    return trace.checked(__LINE__, SUM_FAILED);

  if (eclipsed) {
    SUM_FoundBL entered = *node_of(component, baseline);
    status = eclipse_bl_dependency_graph(entered, 1, 0, 1, path);
  } else if (is_explicit) {
    SUM_FoundBLList others = *table_.lookup(component);
    for (unsigned i = 0; i < others.count() && status == 0; ++i)
      if (others[i].implied_count() > 0)
        status = eclipse_bl_dependency_graph(others[i], others[i].implied_count(), 0, 1, path);
  }
  return trace.checked(__LINE__, status);
}

int SUM_Foundation::eclipse_bl_dependency_graph(const SUM_FoundBL& node, int amount, int restore,
                                                int at_root, SUM_BaselineList& path) {
  SUM_Trace trace("SUM_Foundation::eclipse_bl_dependency_graph");
  int change = restore ? amount : -amount;
  if (!at_root) {
    SUM_FoundBL* stored = node_of(node.component(), node.baseline());
    if (stored == nullptr)
      return failed(trace.name(), __LINE__);
    stored->set_implied_count(stored->implied_count() + change);
  }
  if (path.find(node.baseline()) >= 0)
    return SUM_OK;
  SUM_BaselineList members;
  int status = members_of(node.baseline(), members);
  if (status != 0)
    return trace.checked(__LINE__, status);
  path.append(node.baseline());
  for (unsigned i = 0; i < members.count() && status == 0; ++i) {
    SUM_Component component;
    if ((status = component_of(members[i], component)) != 0)
      break;
    SUM_FoundBL* member = node_of(component, members[i]);
    if (member == nullptr) {
      status = failed(trace.name(), __LINE__);
      break;
    }
    if (has_explicit(component))
      member->set_implied_count(member->implied_count() + change);
    else
      status = eclipse_bl_dependency_graph(SUM_FoundBL(*member), amount, restore, 0, path);
  }
  path.remove(path.count() - 1);
  return trace.checked(__LINE__, status);
}

int SUM_Foundation::add_baselines(const SUM_BaselineList& baselines) {
  SUM_Trace trace("SUM_Foundation::add_baselines");
  return trace.checked(__LINE__, add_baselines(baselines, 0));
}

int SUM_Foundation::add_baselines(const SUM_BaselineList& baselines, int no_label_check) {
  SUM_Trace trace("SUM_Foundation::add_baselines");
  if (eval_failed_)
    return failed(trace.name(), __LINE__);
  SUM_CacheControl cache_scope;
  SUM_ComponentList components;
  SUM_BaselineList replaced;
  for (unsigned i = 0; i < baselines.count(); ++i) {
    SUM_Component component;
    int status = baselines[i].component(component);
    if (status != 0) {
      imsg_print(IMSG_ERROR, sum_foundation_msg::NoComponent, baselines[i].any_fullname());
      return trace.checked(__LINE__, status);
    }
    int earlier = components.find(component);
    if (earlier >= 0) {
      imsg_print(IMSG_ERROR, sum_foundation_msg::SameComponent, baselines[i].any_fullname(),
                 baselines[static_cast<unsigned>(earlier)].any_fullname());
      return trace.checked(__LINE__, SUM_FAILED);
    }
    components.append(component);
    const SUM_FoundBLList* nodes = table_.lookup(component);
    if (nodes == nullptr)
      continue;
    int effective = -1, several = 0, live = 0, none = 0;
    lookup_foundbl_result(*nodes, effective, several, live, none);
    if (effective >= 0 && (*nodes)[static_cast<unsigned>(effective)].is_explicit())
      replaced.append((*nodes)[static_cast<unsigned>(effective)].baseline());
  }
  for (unsigned i = 0; i < replaced.count(); ++i) {
    if (int status = remove_one(replaced[i])) {
      imsg_print(IMSG_ERROR, sum_foundation_msg::CannotRemoveExisting);
      return trace.checked(__LINE__, status);
    }
  }
  unlabelled_filled_ = 0;
  for (unsigned i = 0; i < baselines.count(); ++i) {
    SUM_BaselineList path;
    if (int status = enter_bl_dependency_graph(baselines[i], 1, no_label_check, path)) {
      imsg_print(IMSG_ERROR, sum_foundation_msg::CannotEnterMembers, baselines[i].any_fullname());
      return trace.checked(__LINE__, status);
    }
    if (explicit_list_.find(baselines[i]) < 0)
      explicit_list_.append(baselines[i]);
  }
  dump_if_asked();
  return SUM_OK;
}

int SUM_Foundation::remove_one(const SUM_Baseline& baseline) {
  SUM_Trace trace("SUM_Foundation::remove_one");
  SUM_Component component;
  int status = baseline.component(component);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_foundation_msg::NoComponent, baseline.any_fullname());
    return trace.checked(__LINE__, status);
  }
  SUM_FoundBL* node = node_of(component, baseline);
  if (node == nullptr) {
    imsg_print(IMSG_ERROR, sum_foundation_msg::NotInConfiguration, baseline.any_fullname());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  if (!node->is_explicit()) {
    imsg_print(IMSG_WARNING, sum_foundation_msg::NotExplicit, baseline.any_fullname());
    return SUM_OK;
  }
  node->set_explicit(0);
  SUM_FoundBL removed = *node;
  if (has_explicit(component))
    return failed(trace.name(), __LINE__);
  int at = explicit_list_.find(baseline);
  if (at >= 0)
    explicit_list_.remove(static_cast<unsigned>(at));
  unlabelled_filled_ = 0;
  SUM_BaselineList path;
  status = eclipse_bl_dependency_graph(removed, 1, 0, 1, path);
  SUM_FoundBLList others = *table_.lookup(component);
  for (unsigned i = 0; i < others.count() && status == 0; ++i)
    if (others[i].implied_count() > 0)
      status = eclipse_bl_dependency_graph(others[i], others[i].implied_count(), 1, 1, path);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_foundation_msg::CannotUneclipse, baseline.any_fullname());
    return trace.checked(__LINE__, status);
  }
  return SUM_OK;
}

int SUM_Foundation::remove_baselines(const SUM_BaselineList& baselines) {
  SUM_Trace trace("SUM_Foundation::remove_baselines");
  if (eval_failed_)
    return failed(trace.name(), __LINE__);
  SUM_CacheControl cache_scope;
  for (unsigned i = 0; i < baselines.count(); ++i)
    if (int status = remove_one(baselines[i]))
      return trace.checked(__LINE__, status);
  dump_if_asked();
  return SUM_OK;
}

// ---- lookups ----

void SUM_Foundation::lookup_foundbl_result(const SUM_FoundBLList& nodes, int& index,
                                           int& several_explicit, int& live_implied, int& none) {
  int explicit_count = 0, last_explicit = -1, last_implied = -1;
  live_implied = 0;
  for (unsigned i = 0; i < nodes.count(); ++i) {
    if (nodes[i].is_explicit()) {
      ++explicit_count;
      last_explicit = static_cast<int>(i);
    } else if (nodes[i].implied_count() > 0) {
      ++live_implied;
      last_implied = static_cast<int>(i);
    }
  }
  several_explicit = explicit_count > 1 ? 1 : 0;
  none = explicit_count == 0 && live_implied == 0 ? 1 : 0;
  if (explicit_count == 1)
    index = last_explicit;
  else if (explicit_count == 0 && live_implied == 1)
    index = last_implied;
  else
    index = -1;
}

int SUM_Foundation::explicit_baselines(SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_Foundation::explicit_baselines");
  if (eval_failed_)
    return failed(trace.name(), __LINE__);
  SUM_BaselineList found;
  for (unsigned c = 0; c < order_.count(); ++c) {
    const SUM_FoundBLList& nodes = *table_.lookup(order_[c]);
    for (unsigned i = 0; i < nodes.count(); ++i)
      if (nodes[i].is_explicit())
        found.append(nodes[i].baseline());
  }
  out = found;
  return SUM_OK;
}

int SUM_Foundation::lookup_component(const SUM_Component& component, SUM_Baseline& out) const {
  SUM_Trace trace("SUM_Foundation::lookup_component");
  if (eval_failed_ || component.is_null())
    return failed(trace.name(), __LINE__);
  const SUM_FoundBLList* nodes = table_.lookup(component);
  if (nodes == nullptr)
    return SUM_NOT_FOUND;
  int effective = -1, several = 0, live = 0, none = 0;
  lookup_foundbl_result(*nodes, effective, several, live, none);
  if (effective < 0)
    return SUM_FAILED;
  out = (*nodes)[static_cast<unsigned>(effective)].baseline();
  return SUM_OK;
}

int SUM_Foundation::lookup_baseline(const SUM_Baseline& baseline, int& status_out,
                                    SUM_BaselineList& related) const {
  SUM_Trace trace("SUM_Foundation::lookup_baseline");
  if (eval_failed_ || baseline.is_null())
    return failed(trace.name(), __LINE__);
  SUM_Component component;
  int status = baseline.component(component);
  if (status != 0)
    return trace.checked(__LINE__, status);
  const SUM_FoundBLList* nodes = table_.lookup(component);
  int at = nodes != nullptr ? index_of(*nodes, baseline) : -1;
  SUM_BaselineList found;
  if (at < 0) {
    status_out = NOT_FOUND;
    related = found;
    return SUM_OK;
  }
  const SUM_FoundBL& node = (*nodes)[static_cast<unsigned>(at)];
  int effective = -1, several = 0, live = 0, none = 0;
  lookup_foundbl_result(*nodes, effective, several, live, none);
  int result = CONFLICT;
  if (!is_live(node)) {
    result = REMOVED;
  } else if (!node.is_explicit()) {
    if (effective == at) {
      result = IMPLIED;
    } else if (effective >= 0) {
      result = OVERRIDDEN;
      found.append((*nodes)[static_cast<unsigned>(effective)].baseline());
    }
  } else if (!several) {
    result = live > 0 ? OVERRIDE : EXPLICIT;
    for (unsigned i = 0; i < nodes->count() && live > 0; ++i)
      if (!(*nodes)[i].is_explicit() && (*nodes)[i].implied_count() > 0)
        found.append((*nodes)[i].baseline());
  }
  status_out = result;
  related = found;
  return SUM_OK;
}

int SUM_Foundation::lookup_bl(const SUM_Baseline& baseline, int& found) const {
  SUM_Trace trace("SUM_Foundation::lookup_bl");
  SUM_FoundBL node;
  int status = lookup_foundbl_bl(baseline, node);
  if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  found = status == 0 ? 1 : 0;
  return SUM_OK;
}

int SUM_Foundation::lookup_bllist(const SUM_Component& component, SUM_FoundBLList& out) const {
  SUM_Trace trace("SUM_Foundation::lookup_bllist");
  if (eval_failed_)
    return failed(trace.name(), __LINE__);
  const SUM_FoundBLList* nodes = table_.lookup(component);
  if (nodes == nullptr)
    return SUM_NOT_FOUND;
  out = *nodes;
  return SUM_OK;
}

int SUM_Foundation::lookup_foundbl_bl(const SUM_Baseline& baseline, SUM_FoundBL& out) const {
  SUM_Trace trace("SUM_Foundation::lookup_foundbl_bl");
  if (eval_failed_ || baseline.is_null())
    return failed(trace.name(), __LINE__);
  SUM_Component component;
  int status = baseline.component(component);
  if (status != 0)
    return trace.checked(__LINE__, status);
  const SUM_FoundBLList* nodes = table_.lookup(component);
  int at = nodes != nullptr ? index_of(*nodes, baseline) : -1;
  if (at < 0)
    return SUM_NOT_FOUND;
  out = (*nodes)[static_cast<unsigned>(at)];
  return SUM_OK;
}

int SUM_Foundation::lookup_foundbl_explicit(const SUM_Component& component,
                                            SUM_FoundBL& out) const {
  SUM_Trace trace("SUM_Foundation::lookup_foundbl_explicit");
  if (eval_failed_)
    return failed(trace.name(), __LINE__);
  const SUM_FoundBLList* nodes = table_.lookup(component);
  for (unsigned i = 0; nodes != nullptr && i < nodes->count(); ++i) {
    if ((*nodes)[i].is_explicit()) {
      out = (*nodes)[i];
      return SUM_OK;
    }
  }
  return SUM_NOT_FOUND;
}

int SUM_Foundation::lookup_dependee(const SUM_Baseline& composite, const SUM_Baseline& baseline,
                                    int& found) const {
  SUM_Trace trace("SUM_Foundation::lookup_dependee");
  if (eval_failed_ || composite.is_null() || baseline.is_null())
    return failed(trace.name(), __LINE__);
  SUM_CacheControl cache_scope;
  SUM_BaselineList pending;
  pending.append(composite);
  for (unsigned next = 0; next < pending.count(); ++next) {
    SUM_BaselineList members;
    int unavailable = 0;
    int status = pending[next].dependencies(members, unavailable);
    if (status != 0)
      return trace.checked(__LINE__, status);
    for (unsigned i = 0; i < members.count(); ++i) {
      if (members[i] == baseline) {
        found = 1;
        return SUM_OK;
      }
      if (pending.find(members[i]) < 0)
        pending.append(members[i]);
    }
  }
  found = 0;
  return SUM_OK;
}

int SUM_Foundation::lookup_bl_dependent(const SUM_Baseline& baseline,
                                        SUM_Baseline& composite) const {
  SUM_Trace trace("SUM_Foundation::lookup_bl_dependent");
  SUM_BaselineList explicit_ones;
  int status = explicit_baselines(explicit_ones);
  if (status != 0)
    return trace.checked(__LINE__, status);
  for (unsigned i = 0; i < explicit_ones.count(); ++i) {
    if (explicit_ones[i] == baseline)
      continue;
    int found = 0;
    if ((status = lookup_dependee(explicit_ones[i], baseline, found)) != 0)
      return trace.checked(__LINE__, status);
    if (found) {
      composite = explicit_ones[i];
      return SUM_OK;
    }
  }
  return SUM_NOT_FOUND;
}

// ---- closure, conflicts, validity ----

int SUM_Foundation::compute_conflicts(SUM_FoundConflictList& out) const {
  SUM_FoundConflictList found;
  for (unsigned c = 0; c < order_.count(); ++c) {
    const SUM_FoundBLList& nodes = *table_.lookup(order_[c]);
    int effective = -1, several = 0, live = 0, none = 0;
    lookup_foundbl_result(nodes, effective, several, live, none);
    if (effective >= 0 || none)
      continue;
    SUM_BaselineList competing;
    for (unsigned i = 0; i < nodes.count(); ++i)
      if (is_live(nodes[i]))
        competing.append(nodes[i].baseline());
    found.append(SUM_FoundConflict(order_[c], competing));
  }
  out = found;
  return SUM_OK;
}

int SUM_Foundation::conflicts(SUM_FoundConflictList& out) const {
  SUM_Trace trace("SUM_Foundation::conflicts");
  if (eval_failed_)
    return failed(trace.name(), __LINE__);
  compute_conflicts(conflicts_);
  out = conflicts_;
  return SUM_OK;
}

int SUM_Foundation::conflicts(int& any) const {
  SUM_Trace trace("SUM_Foundation::conflicts");
  SUM_FoundConflictList found;
  int status = conflicts(found);
  if (status != 0)
    return trace.checked(__LINE__, status);
  any = found.count() > 0 ? 1 : 0;
  return SUM_OK;
}

int SUM_Foundation::unlabelled(SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_Foundation::unlabelled");
  if (eval_failed_)
    return failed(trace.name(), __LINE__);
  if (unlabelled_filled_) {
    out = unlabelled_;
    return SUM_OK;
  }
  SUM_CacheControl cache_scope;
  SUM_BaselineList found;
  for (unsigned c = 0; c < order_.count(); ++c) {
    const SUM_FoundBLList& nodes = *table_.lookup(order_[c]);
    for (unsigned i = 0; i < nodes.count(); ++i) {
      if (!is_live(nodes[i]))
        continue;
      const SUM_Baseline& baseline = nodes[i].baseline();
      int in_progress = 0;
      int status = baseline.is_in_progress(in_progress);
      if (status != 0)
        return trace.checked(__LINE__, status);
      if (in_progress) {
        imsg_print(IMSG_ERROR, sum_config_change_msg::InProgress, baseline.any_fullname());
        return trace.checked(__LINE__, SUM_FAILED);
      }
      if (nodes[i].no_label_check())
        continue;
      int labeled = 0;
      if ((status = baseline.is_labeled(labeled)) != 0)
        return trace.checked(__LINE__, status);
      if (!labeled && found.find(baseline) < 0)
        found.append(baseline);
    }
  }
  unlabelled_ = found;
  unlabelled_filled_ = 1;
  out = found;
  return SUM_OK;
}

int SUM_Foundation::is_valid(int& valid) const {
  SUM_Trace trace("SUM_Foundation::is_valid");
  SUM_BaselineList found;
  int status = unlabelled(found);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_foundation_msg::NoUnlabelled);
    return trace.checked(__LINE__, status);
  }
  valid = found.count() == 0 ? 1 : 0;
  return SUM_OK;
}

int SUM_Foundation::validate(int& valid, SUM_BaselineList& unlabelled_out,
                             SUM_FoundConflictList& conflicts_out) const {
  SUM_Trace trace("SUM_Foundation::validate");
  SUM_BaselineList not_labeled;
  int status = unlabelled(not_labeled);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_foundation_msg::NoUnlabelled);
    return trace.checked(__LINE__, status);
  }
  SUM_FoundConflictList in_conflict;
  if ((status = conflicts(in_conflict)) != 0)
    return trace.checked(__LINE__, status);
  valid = not_labeled.count() == 0 && in_conflict.count() == 0 ? 1 : 0;
  unlabelled_out = not_labeled;
  conflicts_out = in_conflict;
  return SUM_OK;
}

int SUM_Foundation::closure(SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_Foundation::closure");
  int valid = 0;
  SUM_BaselineList not_labeled;
  SUM_FoundConflictList in_conflict;
  int status = validate(valid, not_labeled, in_conflict);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (in_conflict.count() > 0)
    return trace.checked(__LINE__, SUM_FAILED);
  SUM_BaselineList found;
  for (unsigned c = 0; c < order_.count(); ++c) {
    const SUM_FoundBLList& nodes = *table_.lookup(order_[c]);
    int effective = -1, several = 0, live = 0, none = 0;
    lookup_foundbl_result(nodes, effective, several, live, none);
    if (effective >= 0)
      found.append(nodes[static_cast<unsigned>(effective)].baseline());
  }
  out = found;
  return SUM_OK;
}

int SUM_Foundation::closure_scope(SUM_ComponentList& out) const {
  SUM_Trace trace("SUM_Foundation::closure_scope");
  SUM_BaselineList baselines;
  int status = closure(baselines);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_ComponentList scope;
  for (unsigned i = 0; i < baselines.count(); ++i) {
    SUM_FoundBL node;
    if ((status = lookup_foundbl_bl(baselines[i], node)) != 0)
      return trace.checked(__LINE__, status);
    scope.append(node.component());
  }
  out = scope;
  return SUM_OK;
}

int SUM_Foundation::redundant_baselines(SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_Foundation::redundant_baselines");
  if (eval_failed_)
    return failed(trace.name(), __LINE__);
  SUM_BaselineList found;
  for (unsigned c = 0; c < order_.count(); ++c) {
    const SUM_FoundBLList& nodes = *table_.lookup(order_[c]);
    int effective = -1, several = 0, live = 0, none = 0;
    lookup_foundbl_result(nodes, effective, several, live, none);
    for (unsigned i = 0; i < nodes.count(); ++i) {
      if (!nodes[i].is_explicit())
        continue;
      if (effective < 0)
        return failed(trace.name(), __LINE__);
      if (live == 0 && nodes[i].implied_count() > 0)
        found.append(nodes[i].baseline());
    }
  }
  out = found;
  return SUM_OK;
}

// ---- cycles ----

int SUM_Foundation::check_dependency_cycle(int& found, int stop_at_first) const {
  SUM_Trace trace("SUM_Foundation::check_dependency_cycle");
  SUM_BaselineList roots;
  int status = explicit_baselines(roots);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_CacheControl cache_scope;
  int any = 0;
  for (unsigned i = 0; i < roots.count() && !(any && stop_at_first); ++i) {
    SUM_BaselineList path;
    if ((status = baseline_traversal(roots[i], path, any, stop_at_first)) != 0)
      return trace.checked(__LINE__, status);
  }
  found = any;
  return SUM_OK;
}

int SUM_Foundation::baseline_traversal(const SUM_Baseline& baseline, SUM_BaselineList& path,
                                       int& found, int stop_at_first) const {
  SUM_Trace trace("SUM_Foundation::baseline_traversal");
  if (eval_failed_ || baseline.is_null())
    return failed(trace.name(), __LINE__);
  int on_path = path.find(baseline);
  if (on_path >= 0) {
    imsg_print(IMSG_ERROR, sum_foundation_msg::Cycle);
    for (unsigned i = static_cast<unsigned>(on_path); i < path.count(); ++i) {
      SUM_Component component;
      if (path[i].component(component) != 0)
        component = SUM_Component();
      imsg_print_literal(
          IMSG_ERROR, "\t%s (%s)\n",
          static_cast<const char*>(message_name_or(path[i], sum_baseline_msg::BaselineUnavailable)),
          static_cast<const char*>(
              message_name_or(component, sum_baseline_msg::ComponentUnavailable)));
    }
    found = 1;
    return SUM_OK;
  }
  SUM_BaselineList members;
  int unavailable = 0;
  int status = baseline.dependencies(members, unavailable);
  if (status != 0)
    return trace.checked(__LINE__, status);
  path.append(baseline);
  for (unsigned i = 0; i < members.count() && status == 0 && !(found && stop_at_first); ++i) {
    SUM_Component component;
    SUM_Baseline step = members[i];
    if ((status = members[i].component(component)) != 0)
      break;
    SUM_Baseline effective;
    if (lookup_component(component, effective) == 0)
      step = effective;
    status = baseline_traversal(step, path, found, stop_at_first);
  }
  path.remove(path.count() - 1);
  return trace.checked(__LINE__, status);
}

// ---- reports ----

int SUM_Foundation::diagnose_conflicts() const {
  SUM_Trace trace("SUM_Foundation::diagnose_conflicts");
  int valid = 0;
  int status = is_valid(valid);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_foundation_msg::NoValidity);
    imsg_print(IMSG_ERROR, sum_foundation_msg::CannotEvaluate);
    return trace.checked(__LINE__, status);
  }
  if (!valid) {
    imsg_print(IMSG_ERROR, sum_foundation_msg::Invalid);
    for (unsigned i = 0; i < unlabelled_.count(); ++i)
      imsg_print(IMSG_ERROR, sum_foundation_msg::Unlabelled, unlabelled_[i].any_fullname());
  }
  SUM_FoundConflictList found;
  if ((status = conflicts(found)) != 0) {
    imsg_print(IMSG_ERROR, sum_foundation_msg::NoConflicts);
    imsg_print(IMSG_ERROR, sum_foundation_msg::CannotEvaluate);
    return trace.checked(__LINE__, status);
  }
  if (found.count() > 0)
    imsg_print(IMSG_ERROR, sum_foundation_msg::ConflictsHeading);
  for (unsigned c = 0; c < found.count(); ++c) {
    SUM_Component component;
    SUM_BaselineList competing;
    found[c].component(component);
    found[c].baseline_conflicts(competing);
    imsg_print(IMSG_ERROR, sum_foundation_msg::ConflictComponent, component.any_fullname());
    for (unsigned i = 0; i < competing.count(); ++i) {
      SUM_String name;
      if (message_name(competing[i], name) != 0) {
        imsg_print(IMSG_ERROR, sum_foundation_msg::NoConflictSelector);
        imsg_print(IMSG_ERROR, sum_foundation_msg::CannotEvaluate);
        return trace.checked(__LINE__, SUM_FAILED);
      }
      SUM_FoundBL node;
      if ((status = lookup_foundbl_bl(competing[i], node)) != 0)
        return trace.checked(__LINE__, status);
      SUM_Baseline composite;
      status = node.is_explicit() ? SUM_NOT_FOUND : lookup_bl_dependent(competing[i], composite);
      if (status != 0 && status != SUM_NOT_FOUND) {
        imsg_print(IMSG_ERROR, sum_foundation_msg::NoComposite);
        imsg_print(IMSG_ERROR, sum_foundation_msg::CannotEvaluate);
        return trace.checked(__LINE__, status);
      }
      if (status == 0) {
        SUM_String composite_name;
        if (message_name(composite, composite_name) != 0) {
          imsg_print(IMSG_ERROR, sum_foundation_msg::NoCompositeSelector);
          imsg_print(IMSG_ERROR, sum_foundation_msg::CannotEvaluate);
          return trace.checked(__LINE__, SUM_FAILED);
        }
        imsg_print(IMSG_ERROR, sum_foundation_msg::MemberOf, name, composite_name);
      } else if (!node.is_explicit() && expanded_messages()) {
        imsg_print(IMSG_ERROR, sum_foundation_msg::UnknownComposite, name);
      } else {
        imsg_print(IMSG_ERROR, sum_foundation_msg::ExplicitConflict, name);
      }
    }
  }
  return SUM_OK;
}

int SUM_Foundation::report_overrides() const {
  SUM_Trace trace("SUM_Foundation::report_overrides");
  SUM_BaselineList baselines;
  int status = closure(baselines);
  if (status != 0)
    return trace.checked(__LINE__, status);
  int expanded = expanded_messages();
  for (unsigned i = 0; i < baselines.count(); ++i) {
    int how = 0;
    SUM_BaselineList overridden;
    if ((status = lookup_baseline(baselines[i], how, overridden)) != 0)
      return trace.checked(__LINE__, status);
    if (how != OVERRIDE)
      continue;
    if (expanded) {
      SUM_Component component;
      if ((status = baselines[i].component(component)) != 0)
        return trace.checked(__LINE__, status);
      imsg_print(IMSG_INFO, sum_foundation_msg::ComponentLine, component.any_fullname());
    }
    imsg_print(IMSG_INFO, sum_foundation_msg::Overrides, baselines[i].any_fullname(),
               baselines[i].vob().any_name());
    imsg_print_literal(IMSG_INFO, "\n");
    for (unsigned k = 0; k < overridden.count(); ++k) {
      SUM_String name;
      if (expanded)
        name = overridden[k].any_fullname();
      else if ((status = overridden[k].name(name)) != 0)
        return trace.checked(__LINE__, status);
      imsg_print_literal(IMSG_INFO, "%s%s\n", expanded ? "    " : "",
                         static_cast<const char*>(name));
    }
  }
  return SUM_OK;
}

void SUM_Foundation::dump() const {
  SUM_Trace trace("SUM_Foundation::dump");
  imsg_print_literal(IMSG_TRACE, "Begin FOUNDATION DUMP\n");
  for (unsigned c = 0; c < order_.count(); ++c) {
    imsg_print_literal(IMSG_INFO, "Component %s\n",
                       static_cast<const char*>(
                           message_name_or(order_[c], sum_baseline_msg::ComponentUnavailable)));
    const SUM_FoundBLList nodes = *table_.lookup(order_[c]);
    for (unsigned i = 0; i < nodes.count(); ++i) {
      const SUM_FoundBL& node = nodes[i];
      imsg_print_literal(IMSG_INFO, "baseline %s\n",
                         static_cast<const char*>(message_name_or(
                             node.baseline(), sum_baseline_msg::BaselineUnavailable)));
      int how = 0;
      SUM_BaselineList related;
      if (lookup_baseline(node.baseline(), how, related) != 0)
        imsg_print_literal(IMSG_ERROR, "lookup_baseline failed\n");
      else
        imsg_print_literal(IMSG_INFO, "baseline status: %s\n", baseline_status_to_string(how));
      if (node.is_explicit())
        imsg_print_literal(IMSG_INFO, "Explicit\n");
      if (node.implied_count() > 0)
        imsg_print_literal(IMSG_INFO, "Implied_count: %d \n", node.implied_count());
    }
  }
  SUM_BaselineList redundant;
  if (redundant_baselines(redundant) != 0) {
    imsg_print_literal(IMSG_INFO, "Error from redundant_baselines()\n");
  } else if (redundant.count() == 0) {
    imsg_print_literal(IMSG_INFO, "No redundant explicit baselines\n");
  } else {
    imsg_print_literal(IMSG_INFO, "Redundant explicit baselines:\n");
    for (unsigned i = 0; i < redundant.count(); ++i)
      imsg_print_literal(IMSG_INFO, "%s\n",
                         static_cast<const char*>(
                             message_name_or(redundant[i], sum_baseline_msg::BaselineUnavailable)));
  }
  imsg_print_literal(IMSG_TRACE, "END FOUNDATION DUMP\n");
}

void SUM_Foundation::dump_if_asked() const {
  if (env_is_set("KORVANE_DUMP_FOUNDATION", 1))
    dump();
}

const char* SUM_Foundation::baseline_status_to_string(int status) {
  switch (status) {
    case EXPLICIT:
      return "EXPLICIT";
    case OVERRIDE:
      return "OVERRIDE";
    case IMPLIED:
      return "IMPLIED";
    case OVERRIDDEN:
      return "OVERRIDDEN";
    case CONFLICT:
      return "CONFLICT";
    case REMOVED:
      return "REMOVED";
    case NOT_FOUND:
      return "NOT_FOUND";
    default:
      return "UNKNOWN";
  }
}

const char* SUM_Foundation::baseline_status_to_i18_string(int status) {
  switch (status) {
    case EXPLICIT:
      return imsg_text(sumui_foundation_msg::ExplicitStatus);
    case OVERRIDE:
      return imsg_text(sumui_foundation_msg::Override);
    case IMPLIED:
      return imsg_text(sumui_foundation_msg::Implied);
    case OVERRIDDEN:
      return imsg_text(sumui_foundation_msg::Overridden);
    case CONFLICT:
      return imsg_text(sumui_foundation_msg::Conflict);
    case REMOVED:
      return "(removed)";
    case NOT_FOUND:
      return "(not found)";
    default:
      return "(unknown)";
  }
}
