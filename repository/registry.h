// The registry database of the current KORVANE_HOME, shared by the service
// families of the repository.
#ifndef REPOSITORY_REGISTRY_H
#define REPOSITORY_REGISTRY_H

#include "repository/store.h"
#include "services/rgy.h"

namespace repo {

// The registry of the current KORVANE_HOME, created on first use. When
// KORVANE_HOME changes within a process, the next call opens the new one.
int registry_store(Store*& store);

// Runs `body(store)` in one transaction of the registry (in_txn of
// repository/store.h), committing when it answers 0.
template <typename Body>
int in_registry_txn(Body body) {
  Store* s = nullptr;
  int status = registry_store(s);
  return status != 0 ? status : in_txn(*s, body);
}

// The VOB entry of a family, preferring the default region: 1002 when no
// replica of the family is registered.
int rgy_lookup_vob_family(const tbs_uuid_t* family, rgy_vob_entry* entry);

}  // namespace repo

#endif  // REPOSITORY_REGISTRY_H
