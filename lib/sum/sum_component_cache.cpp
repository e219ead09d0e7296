// The per-process memos of component lookups; see sum_component_cache.h.
#include "sum/sum_component_cache.h"

namespace sum_component_cache {

// Each cache is made on first use and lives until the process ends.
SUM_Cache<SUM_Vob, SUM_Component>& vob_to_component() {
  static auto* cache = new SUM_Cache<SUM_Vob, SUM_Component>("VOB_to_component", 0);
  return *cache;
}

SUM_Cache<SUM_VobObject, SUM_Component>& crde_to_component() {
  static auto* cache = new SUM_Cache<SUM_VobObject, SUM_Component>("VOBCRDE_to_component", 0);
  return *cache;
}

SUM_Cache<SUM_Component, int>& has_crde() {
  static auto* cache = new SUM_Cache<SUM_Component, int>("Component_has_CRDE", 0);
  return *cache;
}

SUM_Cache<SUM_Component, SUM_VobObject>& component_to_crde() {
  static auto* cache = new SUM_Cache<SUM_Component, SUM_VobObject>("Component_to_CRDE", 0);
  return *cache;
}

void forget(const SUM_Component& component, const SUM_VobObject& root) {
  has_crde().remove(component);
  component_to_crde().remove(component);
  if (root.is_null())
    return;
  crde_to_component().remove(root);
  vob_to_component().remove(root.vob());
}

}  // namespace sum_component_cache
