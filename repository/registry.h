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

// The VOB entry of a family, preferring the default region: 1002 when no
// replica of the family is registered.
int rgy_lookup_vob_family(const tbs_uuid_t* family, rgy_vob_entry* entry);

}  // namespace repo

#endif  // REPOSITORY_REGISTRY_H
