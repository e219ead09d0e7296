// SUM_Stream: whether an element may be checked out in a view attached to
// the stream. The view service asks before every checkout through such a
// view (sum_view_checkouts_allowed).
#include <string>

#include "services/imsg.h"
#include "sum/sum_baseline.h"
#include "sum/sum_cache.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_component.h"
#include "sum/sum_config_spec_id.h"
#include "sum/sum_rebase.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_trace.h"
#include "sum/sum_version.h"
#include "sum/sum_view.h"

namespace {

constexpr const char* kSource = "sum_stream_checkouts";

// The views (by UUID) for which the checks that hold for every element
// passed (no rebase in another view, the stream's configuration shown, the
// stream writable, its foundation readable), with the stream they passed
// for. Active inside cache-control scopes: a bulk checkout asks once per
// view and stream, not once per element. Refusals are never kept, so each
// element refused prints why.
SUM_Cache<SUM_String, SUM_Stream>& permitted_cache() {
  static auto* cache = new SUM_Cache<SUM_String, SUM_Stream>("Stream_permits_checkouts", 0);
  return *cache;
}

// Each stream's modifiable components, for the same scopes.
SUM_Cache<SUM_Stream, SUM_ComponentList>& modifiable_cache() {
  static auto* cache = new SUM_Cache<SUM_Stream, SUM_ComponentList>("Stream_modifiable", 0);
  return *cache;
}

// The key of `view` in permitted_cache; empty when it has no UUID.
SUM_String view_key(const SUM_View& view) {
  SUM_Uuid uuid;
  return view.uuid(uuid) == 0 ? uuid.string() : SUM_String();
}

}  // namespace

int SUM_Stream::view_shows_configuration(const SUM_View& view, int& may) const {
  SUM_Trace trace("SUM_Stream::view_shows_configuration");
  // A view whose config spec carries no identity was never set from a
  // stream (its rules are the user's own): nothing to compare.
  SUM_ConfigSpecId shown;
  int in_sync = 0;
  int status = view.config_spec_id(shown);
  if (status == 0 && shown.is_null()) {
    may = 1;
    return SUM_OK;
  }
  if (status == 0)
    status = config_spec_in_sync(view, in_sync);
  if (status != 0 || in_sync) {
    may = 1;
    return trace.checked(__LINE__, status);
  }
  int snapshot = 0, web = 0;
  if ((status = view.is_snapshot(snapshot)) == 0)
    status = view.is_web_view_by_view(web);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (snapshot || web) {
    imsg_print(IMSG_ERROR, sum_stream_msg::SnapshotOutOfDate);
    may = 0;
    return SUM_OK;
  }
  // A dynamic view catches up by itself; checkouts made before keep the old
  // configuration and need a merge once checked in.
  imsg_print(IMSG_WARNING, sum_stream_msg::ConfigurationChanged);
  int has = 0;
  if (view.has_checkouts(has) != 0)
    imsg_print(IMSG_WARNING, sum_stream_msg::CheckoutsUnknown);
  else if (has)
    imsg_print(IMSG_WARNING, sum_stream_msg::OldCheckouts);
  if ((status = view.update_config_spec()) != 0)
    return trace.checked(__LINE__, status);
  may = 1;
  return SUM_OK;
}

int SUM_Stream::checkouts_allowed(const SUM_View& view, const SUM_Element& element,
                                  int& allowed) const {
  SUM_Trace trace("SUM_Stream::checkouts_allowed");
  if (is_null() || view.is_null() || element.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  const SUM_String key = view_key(view);
  SUM_Stream permitted_for;
  int status = 0;
  if (key.size() == 0 || !permitted_cache().lookup(key, permitted_for) ||
      !(permitted_for == *this)) {
    if ((status = stream_permits_checkouts(view, allowed)) != 0 || !allowed)
      return trace.checked(__LINE__, status);
    if (key.size() > 0)
      permitted_cache().enter(key, *this);
  }
  return trace.checked(__LINE__, component_modifiable(element, allowed));
}

int SUM_Stream::stream_permits_checkouts(const SUM_View& view, int& allowed) const {
  SUM_Trace trace("SUM_Stream::stream_permits_checkouts");
  // While a rebase of the stream runs in another view, that view alone
  // may check out: the stream's configuration is about to change.
  int found = 0;
  SUM_View rebase_view;
  SUM_ConfigSpecId rebase_id;
  int status = SUM_Rebase::has_rebase_in_progress(*this, found, rebase_view, rebase_id, nullptr);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (found && !rebase_view.is_null() && rebase_view != view) {
    imsg_print(IMSG_ERROR, sum_stream_msg::CheckoutsDisallowedViewRebase,
               std::string(view.any_name()), std::string(rebase_view.any_name()));
    allowed = 0;
    return SUM_OK;
  }
  int may = 0;
  status = view_shows_configuration(view, may);
  if (status != 0 || !may) {
    allowed = 0;
    return trace.checked(__LINE__, status);
  }
  int read_only = 0;
  status = is_read_only(read_only);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (read_only) {
    imsg_print(IMSG_ERROR, sum_stream_msg::ReadOnly, any_fullname());
    allowed = 0;
    return SUM_OK;
  }
  SUM_BaselineList foundation;
  int unavailable = 0;
  if ((status = explicit_baselines(foundation, unavailable)) != 0)
    return trace.checked(__LINE__, status);
  if (unavailable > 0 || foundation.count() == 0) {
    imsg_print_chosen(IMSG_ERROR,
                      unavailable > 0 ? sum_stream_msg::CannotGetAllFoundation
                                      : sum_stream_msg::StreamNoFoundationBaselines,
                      any_fullname());
    allowed = 0;
    return SUM_OK;
  }
  allowed = 1;
  return SUM_OK;
}

int SUM_Stream::component_modifiable(const SUM_Element& element, int& allowed) const {
  SUM_Trace trace("SUM_Stream::component_modifiable");
  // The element's component, through its root directory element. An
  // element outside every component (or under a root no component of this
  // PVOB claims) belongs to nothing the stream may modify: the refusal
  // names its VOB in place of a component.
  SUM_Element root;
  SUM_Component component;
  int status = element.crde(root);
  if (status == 0)
    status = SUM_Component::construct_from_crde(vob_, root, component, 1);
  if (status == SUM_NOT_FOUND) {
    imsg_print(IMSG_ERROR, sum_stream_msg::NotModifiable, element.vob().any_name());
    allowed = 0;
    return SUM_OK;
  }
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_stream_msg::NoCrde, element.any_name());
    return trace.checked(__LINE__, status);
  }
  SUM_ComponentList modifiable, others;
  if (!modifiable_cache().lookup(*this, modifiable)) {
    if ((status = mod_comps(modifiable, others)) != 0)
      return trace.checked(__LINE__, status);
    modifiable_cache().enter(*this, modifiable);
  }
  if (modifiable.find(component) < 0) {
    imsg_print(IMSG_ERROR, sum_stream_msg::NotModifiable, component.any_fullname());
    allowed = 0;
    return SUM_OK;
  }
  allowed = 1;
  return SUM_OK;
}
