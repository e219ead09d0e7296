// What the view and element commands share: the view a command works in,
// paths in it, and versions named by extended paths.
#ifndef VANTOOL_VANTOOL_VIEW_H
#define VANTOOL_VANTOOL_VIEW_H

#include <string>
#include <vector>

#include "services/view.h"
#include "vantool_options.h"

namespace vantool {

// Owns a view handle for the life of a command.
class ViewHandle {
 public:
  ViewHandle() = default;
  ~ViewHandle() {
    if (view_ != nullptr)
      view_free_handle(view_);
  }
  ViewHandle(const ViewHandle&) = delete;
  ViewHandle& operator=(const ViewHandle&) = delete;
  view_server_h* out() { return &view_; }
  view_server_h get() const { return view_; }
  std::string tag() const;

 private:
  view_server_h view_ = nullptr;
};

// The view named by -view TAG, else the view whose root holds `path` (or the
// current directory when `path` is empty). Prints why and answers false when
// there is none. open_view also refreshes a dynamic view.
bool open_view(const ParsedArgs& args, const std::string& path, ViewHandle& view);
bool find_view(const ParsedArgs& args, const std::string& path, ViewHandle& view);

// Resolves `path` in `view`, printing "... is not visible in view ..." when
// it names nothing visible.
bool lookup_path(const ViewHandle& view, const std::string& path, view_path_info_t& info);

// Splits "path@@/main/dev/3" into the path and the version name ("" when
// there is no "@@").
void split_extended_path(const std::string& text, std::string& path, std::string& version);

// The version an extended path names: its version part, or the view's
// selection when there is none. Prints why and answers false when none.
bool resolve_version(const ViewHandle& view, const std::string& text, view_path_info_t& info,
                     tbs_dbid_t& version);

// "/main/dev/3" of a version, "?" when it cannot be read.
std::string version_name(vob_vob_h vob, tbs_dbid_t version);

}  // namespace vantool

#endif  // VANTOOL_VANTOOL_VIEW_H
