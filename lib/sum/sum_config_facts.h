// SUM_ConfigFacts: what a configuration change asks of streams once per
// component (a stream's foundation baseline of it, the newest baseline the
// stream made of it, whether streams placed in it use it), read once per
// stream and kept for the life of the configuration, so that checking a
// change of many components costs one read of each stream rather than one
// per component.
//
// Contracts: `int` statuses; "not found" answers 1002; repository failures
// pass up and are not cached.
#ifndef SUM_SUM_CONFIG_FACTS_H
#define SUM_SUM_CONFIG_FACTS_H

#include <deque>
#include <memory>

#include "sum/sum_baseline.h"
#include "sum/sum_component.h"
#include "sum/sum_hash_tab.h"
#include "sum/sum_stream.h"

class SUM_ConfigFacts {
 public:
  // The effective foundation baseline of `component` in `stream` (explicit
  // or implied); 1002 when the stream has none.
  int foundation_baseline(const SUM_Stream& stream, const SUM_Component& component,
                          SUM_Baseline& out);
  // The newest baseline of `component` made in `stream`; 1002 when none.
  int own_latest_baseline(const SUM_Stream& stream, const SUM_Component& component,
                          SUM_Baseline& out);
  // Whether a stream placed in `stream` has `component` among its
  // components; a child whose foundation cannot be read counts as using it.
  int used_by_children(const SUM_Stream& stream, const SUM_Component& component, int& used);

 private:
  using Table = SUM_HashTab<SUM_Component, SUM_Baseline>;
  // One stream's facts of one kind.
  struct Entry {
    int kind = 0;
    SUM_Stream stream;
    std::unique_ptr<Table> table;
    int everything = 0;  // CHILDREN: some child's components could not be read
  };
  enum Kind { FOUNDATION = 0, OWN_LATEST = 1, CHILDREN = 2 };

  // The table of `kind` for `stream`, read on first need.
  int table_of(int kind, const SUM_Stream& stream, const Entry*& out);
  // The baseline a table of `kind` holds for `component`; 1002 when none.
  int lookup(int kind, const SUM_Stream& stream, const SUM_Component& component, SUM_Baseline& out);
  static int read_foundation(const SUM_Stream& stream, Table& out);
  static int read_own_latest(const SUM_Stream& stream, Table& out);
  static int read_children(const SUM_Stream& stream, Table& out, int& everything);

  // Few streams are asked about (the stream, its parent, the integration
  // stream): a list is enough. A deque keeps entries in place as it grows.
  std::deque<Entry> entries_;
};

#endif  // SUM_SUM_CONFIG_FACTS_H
