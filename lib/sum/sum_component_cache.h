// The per-process memos of component lookups (internal to the component
// family): which component a VOB root or a root directory element belongs
// to, and a component's root directory.
//
// The caches are SUM_Cache tables, active only inside cache-control scopes
// (SUM_CacheControl): another process may make or remove components between
// two computations. Only answers read from the repository are entered, never
// "not found"; making or removing a component forgets what it changes, so a
// scope that spans the change never answers from before it.
#ifndef SUM_SUM_COMPONENT_CACHE_H
#define SUM_SUM_COMPONENT_CACHE_H

#include "sum/sum_cache.h"
#include "sum/sum_component.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"

namespace sum_component_cache {

// "VOB_to_component": a VOB to its VOB-level component.
SUM_Cache<SUM_Vob, SUM_Component>& vob_to_component();
// "VOBCRDE_to_component": a root directory element to its component.
SUM_Cache<SUM_VobObject, SUM_Component>& crde_to_component();
// "Component_has_CRDE": a component to whether it has a root link (1 or 0).
SUM_Cache<SUM_Component, int>& has_crde();
// "Component_to_CRDE": a component to its (reachable) root directory element.
SUM_Cache<SUM_Component, SUM_VobObject>& component_to_crde();

// Forgets every entry about `component` and about `root` (its root
// directory element; a null handle for a rootless component), including
// the VOB entry when `root` is its VOB's root directory.
void forget(const SUM_Component& component, const SUM_VobObject& root);

}  // namespace sum_component_cache

#endif  // SUM_SUM_COMPONENT_CACHE_H
