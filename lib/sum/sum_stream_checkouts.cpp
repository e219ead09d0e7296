// SUM_Stream: whether an element may be checked out in a view attached to
// the stream. The view service asks before every checkout through such a
// view (sum_view_checkouts_allowed).
#include "services/imsg.h"
#include "sum/sum_baseline.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_component.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_trace.h"
#include "sum/sum_version.h"
#include "sum/sum_view.h"

namespace {

constexpr const char* kSource = "sum_stream_checkouts";

// Stream catalog messages used here.
constexpr int kMsgNotModifiable = 29;
constexpr int kMsgNoCrde = 59;
constexpr int kMsgReadOnly = 90;
constexpr int kMsgNoFoundation = 91;
constexpr int kMsgFoundationUnreadable = 92;

}  // namespace

int SUM_Stream::checkouts_allowed(const SUM_View& view, const SUM_Element& element,
                                  int& allowed) const {
  SUM_Trace trace("SUM_Stream::checkouts_allowed");
  if (is_null() || view.is_null() || element.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  // The checks that compare the view's configuration with the stream's (a
  // rebase using another view, a config spec out of date) join here once
  // views carry config spec identities.
  int read_only = 0;
  int status = is_read_only(read_only);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (read_only) {
    imsg_print(IMSG_ERROR, &sum_stream_catalog, kMsgReadOnly, any_fullname());
    allowed = 0;
    return SUM_OK;
  }
  SUM_BaselineList foundation;
  int unavailable = 0;
  if ((status = explicit_baselines(foundation, unavailable)) != 0)
    return trace.checked(__LINE__, status);
  if (unavailable > 0 || foundation.count() == 0) {
    imsg_print(IMSG_ERROR, &sum_stream_catalog,
               unavailable > 0 ? kMsgFoundationUnreadable : kMsgNoFoundation, any_fullname());
    allowed = 0;
    return SUM_OK;
  }
  // The element's component, through its root directory element. An
  // element outside every component (or under a root no component of this
  // PVOB claims) belongs to nothing the stream may modify: the refusal
  // names its VOB in place of a component.
  SUM_Element root;
  SUM_Component component;
  status = element.crde(root);
  if (status == 0)
    status = SUM_Component::construct_from_crde(vob_, root, component, 1);
  if (status == SUM_NOT_FOUND) {
    imsg_print(IMSG_ERROR, &sum_stream_catalog, kMsgNotModifiable, element.vob().any_name());
    allowed = 0;
    return SUM_OK;
  }
  if (status != 0) {
    imsg_print(IMSG_ERROR, &sum_stream_catalog, kMsgNoCrde, element.any_name());
    return trace.checked(__LINE__, status);
  }
  SUM_ComponentList modifiable, others;
  if ((status = mod_comps(modifiable, others)) != 0)
    return trace.checked(__LINE__, status);
  if (modifiable.find(component) < 0) {
    imsg_print(IMSG_ERROR, &sum_stream_catalog, kMsgNotModifiable, component.any_fullname());
    allowed = 0;
    return SUM_OK;
  }
  allowed = 1;
  return SUM_OK;
}
