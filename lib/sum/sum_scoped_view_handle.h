// A view server handle owned by one scope: filled through `out()` by the
// view service calls that make handles, freed when the scope ends.
#ifndef SUM_SUM_SCOPED_VIEW_HANDLE_H
#define SUM_SUM_SCOPED_VIEW_HANDLE_H

#include "services/view.h"

class SUM_ScopedViewHandle {
 public:
  SUM_ScopedViewHandle() = default;
  ~SUM_ScopedViewHandle() { view_free_handle(handle_); }
  SUM_ScopedViewHandle(const SUM_ScopedViewHandle&) = delete;
  SUM_ScopedViewHandle& operator=(const SUM_ScopedViewHandle&) = delete;
  view_server_h* out() { return &handle_; }
  view_server_h get() const { return handle_; }

 private:
  view_server_h handle_ = nullptr;
};

#endif  // SUM_SUM_SCOPED_VIEW_HANDLE_H
