// SUM_ConfigFacts: per-stream tables read once for a configuration change.
#include "sum/sum_config_facts.h"

#include "sum/sum_foundation.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {

// Buckets of one table; the tables grow as they fill.
constexpr long kBuckets = 64;

// Enters each baseline of `baselines` under its component.
int enter_by_component(const SUM_BaselineList& baselines,
                       SUM_HashTab<SUM_Component, SUM_Baseline>& out) {
  for (unsigned i = 0; i < baselines.count(); ++i) {
    SUM_Component component;
    int status = baselines[i].component(component);
    if (status != 0)
      return status;
    out.enter(component, baselines[i]);
  }
  return SUM_OK;
}

}  // namespace

int SUM_ConfigFacts::read_foundation(const SUM_Stream& stream, Table& out) {
  SUM_Foundation evaluated;
  SUM_BaselineList closure;
  SUM_ComponentList scope;
  int unavailable = 0;
  int status = stream.foundation(evaluated, unavailable);
  if (status == 0)
    status = evaluated.closure(closure);
  if (status == 0)
    status = evaluated.closure_scope(scope);
  for (unsigned i = 0; status == 0 && i < scope.count(); ++i)
    out.enter(scope[i], closure[i]);
  return status;
}

int SUM_ConfigFacts::read_own_latest(const SUM_Stream& stream, Table& out) {
  SUM_BaselineList latest;
  int status = stream.baselines_util(1, latest);
  return status != 0 ? status : enter_by_component(latest, out);
}

// The table holds each used component with a null baseline; a child whose
// components cannot be read sets `everything`.
int SUM_ConfigFacts::read_children(const SUM_Stream& stream, Table& out, int& everything) {
  SUM_StreamList children;
  int status = stream.streams(children, 0);
  for (unsigned i = 0; status == 0 && i < children.count(); ++i) {
    SUM_ComponentList used;
    if (children[i].components(used) != 0) {
      everything = 1;
      continue;
    }
    for (unsigned c = 0; c < used.count(); ++c)
      out.enter(used[c], SUM_Baseline());
  }
  return status;
}

int SUM_ConfigFacts::table_of(int kind, const SUM_Stream& stream, const Entry*& out) {
  for (const Entry& entry : entries_)
    if (entry.kind == kind && entry.stream == stream) {
      out = &entry;
      return SUM_OK;
    }
  Entry entry{kind, stream, std::make_unique<Table>(kBuckets), 0};
  int status = kind == FOUNDATION   ? read_foundation(stream, *entry.table)
               : kind == OWN_LATEST ? read_own_latest(stream, *entry.table)
                                    : read_children(stream, *entry.table, entry.everything);
  if (status != 0)
    return status;
  entries_.push_back(std::move(entry));
  out = &entries_.back();
  return SUM_OK;
}

int SUM_ConfigFacts::lookup(int kind, const SUM_Stream& stream, const SUM_Component& component,
                            SUM_Baseline& out) {
  SUM_Trace trace("SUM_ConfigFacts::lookup");
  const Entry* entry = nullptr;
  int status = table_of(kind, stream, entry);
  if (status != 0)
    return trace.checked(__LINE__, status);
  const SUM_Baseline* found = entry->table->lookup(component);
  if (found == nullptr)
    return SUM_NOT_FOUND;
  out = *found;
  return SUM_OK;
}

int SUM_ConfigFacts::foundation_baseline(const SUM_Stream& stream, const SUM_Component& component,
                                         SUM_Baseline& out) {
  return lookup(FOUNDATION, stream, component, out);
}

int SUM_ConfigFacts::own_latest_baseline(const SUM_Stream& stream, const SUM_Component& component,
                                         SUM_Baseline& out) {
  return lookup(OWN_LATEST, stream, component, out);
}

int SUM_ConfigFacts::used_by_children(const SUM_Stream& stream, const SUM_Component& component,
                                      int& used) {
  SUM_Trace trace("SUM_ConfigFacts::used_by_children");
  const Entry* entry = nullptr;
  int status = table_of(CHILDREN, stream, entry);
  if (status != 0)
    return trace.checked(__LINE__, status);
  used = entry->everything || entry->table->lookup(component) != nullptr ? 1 : 0;
  return SUM_OK;
}
