// SUM_Foundation, SUM_FoundBL and SUM_FoundConflict: the evaluation of a
// list of explicit baselines, at most one per component, whose composite
// baselines bring their members (sum_baseline_dependency.h) with them.
//
// Graph. Every explicit baseline and every baseline reachable from one
// through membership is a node (SUM_FoundBL), grouped per component in
// entry order. A node's implied count is the number of live membership
// paths from explicit baselines that reach it. A component with an explicit
// node is decided by it; paths through that component's other nodes are
// eclipsed: the nodes keep their own count (they are OVERRIDDEN) but stop
// counting towards their members, so baselines reachable only through an
// overridden one drop to count 0 (REMOVED) and come back when the override
// is removed.
//
// Effective node of a component: its one explicit node; else its one live
// implied node (count above 0); two explicit nodes, or two live implied ones
// without an explicit one, leave the component in conflict; no live node at
// all leaves it without one ("none").
//
// Failures. Evaluation reads baselines, members and components; when such
// a read fails the foundation prints why and from then on answers every
// query with 1072 rather than from a partial graph. Components are listed in
// the order they entered the graph (closure, conflicts, dump).
//
// KORVANE_DUMP_FOUNDATION set to a non-empty value makes every add and
// remove print the dump afterwards. KORVA_EXPANDED_MSGS set makes the
// diagnostics name composites of unknown origin and components.
#ifndef SUM_SUM_FOUNDATION_H
#define SUM_SUM_FOUNDATION_H

#include <vector>

#include "sum/sum_baseline.h"
#include "sum/sum_component.h"
#include "sum/sum_hash_tab.h"
#include "sum/sum_lists.h"

// One node: a baseline of the graph.
class SUM_FoundBL {
 public:
  SUM_FoundBL() = default;
  SUM_FoundBL(const SUM_Component& component, const SUM_Baseline& baseline, int implied_count,
              int is_explicit, int no_label_check)
      : component_(component),
        baseline_(baseline),
        implied_count_(implied_count),
        explicit_(is_explicit),
        no_label_check_(no_label_check) {}

  const SUM_Component& component() const { return component_; }
  const SUM_Baseline& baseline() const { return baseline_; }
  int implied_count() const { return implied_count_; }
  // 1 when the baseline is in the explicit list.
  int is_explicit() const { return explicit_; }
  // 1 when the node is never reported as unlabelled.
  int no_label_check() const { return no_label_check_; }

  void set_implied_count(int count) { implied_count_ = count; }
  void set_explicit(int is_explicit) { explicit_ = is_explicit; }

  // Equal components, baselines, implied counts and explicit flags.
  bool operator==(const SUM_FoundBL& other) const {
    return component_ == other.component_ && baseline_ == other.baseline_ &&
           implied_count_ == other.implied_count_ && explicit_ == other.explicit_;
  }
  bool operator!=(const SUM_FoundBL& other) const { return !(*this == other); }

 private:
  SUM_Component component_;
  SUM_Baseline baseline_;
  int implied_count_ = 0;
  int explicit_ = 0;
  int no_label_check_ = 0;
};

// A component in conflict and its competing baselines.
class SUM_FoundConflict {
 public:
  SUM_FoundConflict() = default;
  SUM_FoundConflict(const SUM_Component& component, const SUM_BaselineList& baselines)
      : component_(component), baselines_(baselines) {}

  int component(SUM_Component& out) const {
    out = component_;
    return 0;
  }
  int baseline_conflicts(SUM_BaselineList& out) const {
    out = baselines_;
    return 0;
  }

  bool operator==(const SUM_FoundConflict& other) const {
    return component_ == other.component_ && baselines_ == other.baselines_;
  }
  bool operator!=(const SUM_FoundConflict& other) const { return !(*this == other); }

 private:
  SUM_Component component_;
  SUM_BaselineList baselines_;
};

class SUM_Foundation {
 public:
  // Status of a baseline in the foundation (lookup_baseline).
  enum BaselineStatus {
    EXPLICIT = 0,    // explicit; no live implied baseline of its component competes
    OVERRIDE = 1,    // explicit, overriding live implied baselines of its component
    IMPLIED = 2,     // implied only, and the effective baseline of its component
    OVERRIDDEN = 3,  // implied, but the explicit baseline of its component is in effect
    CONFLICT = 4,    // its component has no single effective baseline
    REMOVED = 5,     // in the graph, neither explicit nor implied any more
    NOT_FOUND = 6,   // not in the graph
  };

  // The empty foundation.
  SUM_Foundation();
  SUM_Foundation(const SUM_Foundation& other);
  SUM_Foundation& operator=(const SUM_Foundation& other);
  ~SUM_Foundation() = default;

  // A foundation of `baselines` whose nodes are subject to the label check.
  // The add_baselines refusals apply (two baselines of one component: 1001).
  static int construct_from_baselines(const SUM_BaselineList& baselines, SUM_Foundation& out);
  // The same, every node exempt from the label check.
  static int construct_from_bls_no_lbl_chk(const SUM_BaselineList& baselines, SUM_Foundation& out);

  // Enters `baselines` explicitly; a baseline of a component that already
  // has an explicit baseline replaces it. Two given baselines of one
  // component: foundation message 22 and 1001, nothing changed.
  int add_baselines(const SUM_BaselineList& baselines);
  int add_baselines(const SUM_BaselineList& baselines, int no_label_check);
  // Takes explicit baselines out. One not in the graph: message 24, 1001;
  // one only implied: warning 3, nothing changes for it.
  int remove_baselines(const SUM_BaselineList& baselines);

  // The baselines of the explicit nodes, in component order.
  int explicit_baselines(SUM_BaselineList& out) const;
  // The effective baseline of `component`: 0; 1002 when the component is not
  // in the graph; 1001 when it has no single effective baseline.
  int lookup_component(const SUM_Component& component, SUM_Baseline& out) const;
  // The status (BaselineStatus) of `baseline`; `related` gets, for
  // OVERRIDDEN, the baseline in effect, for OVERRIDE the baselines it
  // overrides, else nothing.
  int lookup_baseline(const SUM_Baseline& baseline, int& status, SUM_BaselineList& related) const;

  // Node lookups. lookup_bl: `found` 1 when the baseline is in the graph.
  int lookup_bl(const SUM_Baseline& baseline, int& found) const;
  // The nodes of `component`, in entry order; 1002 when it has none.
  int lookup_bllist(const SUM_Component& component, SUM_FoundBLList& out) const;
  // The node of `baseline`; 1002 when absent.
  int lookup_foundbl_bl(const SUM_Baseline& baseline, SUM_FoundBL& out) const;
  // The explicit node of `component`; 1002 when it has none.
  int lookup_foundbl_explicit(const SUM_Component& component, SUM_FoundBL& out) const;
  // The effective node of a component's `nodes`: `index` its position or -1;
  // `several_explicit` 1 when two or more nodes are explicit;
  // `live_implied` the number of non-explicit nodes with a count above 0;
  // `none` 1 when there is neither an explicit nor a live implied node.
  static void lookup_foundbl_result(const SUM_FoundBLList& nodes, int& index, int& several_explicit,
                                    int& live_implied, int& none);
  // `found` 1 when `baseline` is reachable from `composite` through
  // membership.
  int lookup_dependee(const SUM_Baseline& composite, const SUM_Baseline& baseline,
                      int& found) const;
  // The explicit composite through which `baseline` is implied (the first in
  // component order); 1002 when none is.
  int lookup_bl_dependent(const SUM_Baseline& baseline, SUM_Baseline& composite) const;

  // The effective baseline of every component with a live node, in
  // component order. Validates first; any conflict: 1001 (unlabelled
  // baselines do not stop it).
  int closure(SUM_BaselineList& out) const;
  int closure_scope(SUM_ComponentList& out) const;

  // `any` 1 when some component is in conflict.
  int conflicts(int& any) const;
  // The conflicts, in component order.
  int conflicts(SUM_FoundConflictList& out) const;
  // Live baselines that are not labeled (label-check exempt nodes skipped);
  // computed once. A baseline still being made: config-change message 47,
  // 1001.
  int unlabelled(SUM_BaselineList& out) const;
  // `valid` 1 when no baseline is unlabelled (failure: message 9).
  int is_valid(int& valid) const;
  // The unlabelled check, then the conflict check: `valid` 1 when neither
  // finds anything.
  int validate(int& valid, SUM_BaselineList& unlabelled_out,
               SUM_FoundConflictList& conflicts_out) const;

  // Explicit baselines that another explicit composite implies already.
  int redundant_baselines(SUM_BaselineList& out) const;
  // `found` 1 when following members (through the effective baseline of
  // each member's component) from an explicit baseline comes back to a
  // baseline on the way; each cycle prints message 25 and its path. With
  // `stop_at_first` the search ends at the first cycle.
  int check_dependency_cycle(int& found, int stop_at_first = 1) const;
  // One step of that search from `baseline` with `path` leading to it.
  int baseline_traversal(const SUM_Baseline& baseline, SUM_BaselineList& path, int& found,
                         int stop_at_first) const;

  // Prints why the foundation cannot be used (unlabelled baselines,
  // conflicts); 1001 after message 17 when that cannot be found out.
  int diagnose_conflicts() const;
  // Prints, per closure baseline that overrides others, message 27 and the
  // overridden baselines.
  int report_overrides() const;
  // Prints the graph through the message channel.
  void dump() const;

  // "EXPLICIT", "OVERRIDE", ... ; "UNKNOWN" for other values.
  static const char* baseline_status_to_string(int status);
  // "(explicit)", "(override)", ... ; "(unknown)" for other values.
  static const char* baseline_status_to_i18_string(int status);

 private:
  using NodeTable = SUM_HashTab<SUM_Component, SUM_FoundBLList>;

  int enter_bl_dependency_graph(const SUM_Baseline& baseline, int is_explicit, int no_label_check,
                                SUM_BaselineList& path);
  int eclipse_bl_dependency_graph(const SUM_FoundBL& node, int amount, int restore, int at_root,
                                  SUM_BaselineList& path);
  int remove_one(const SUM_Baseline& baseline);
  int component_of(const SUM_Baseline& baseline, SUM_Component& out);
  int members_of(const SUM_Baseline& baseline, SUM_BaselineList& out);
  SUM_FoundBL* node_of(const SUM_Component& component, const SUM_Baseline& baseline);
  int has_explicit(const SUM_Component& component) const;
  int compute_conflicts(SUM_FoundConflictList& out) const;
  void dump_if_asked() const;
  int failed(const char* op, int line) const;

  NodeTable table_;
  SUM_ComponentList order_;  // components in entry order
  SUM_BaselineList explicit_list_;
  mutable SUM_BaselineList unlabelled_;
  mutable int unlabelled_filled_ = 0;
  int eval_failed_ = 0;
  mutable SUM_FoundConflictList conflicts_;
};

#endif  // SUM_SUM_FOUNDATION_H
