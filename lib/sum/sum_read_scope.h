// SUM_ReadScope: one snapshot of each VOB for the reads of an operation.
// While a scope lives, the reads of each VOB share one read transaction
// until the process writes to that VOB or runs a trigger; each write still
// commits on its own and sees what other processes committed before it.
// Scopes nest. A command (or a walk of a tree) that reads much opens one
// for its whole run, so that it reads a consistent store at the cost of one
// transaction per VOB rather than one per read.
#ifndef SUM_SUM_READ_SCOPE_H
#define SUM_SUM_READ_SCOPE_H

#include "services/vob.h"

class SUM_ReadScope {
 public:
  SUM_ReadScope() { vob_read_scope_enter(); }
  ~SUM_ReadScope() { vob_read_scope_leave(); }
  SUM_ReadScope(const SUM_ReadScope&) = delete;
  SUM_ReadScope& operator=(const SUM_ReadScope&) = delete;
};

#endif  // SUM_SUM_READ_SCOPE_H
