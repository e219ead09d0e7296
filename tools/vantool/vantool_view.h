// What the view and element commands share: the view a command works in,
// paths in it, and versions named by extended paths.
#ifndef VANTOOL_VANTOOL_VIEW_H
#define VANTOOL_VANTOOL_VIEW_H

#include <string>
#include <vector>

#include "sum/sum_view.h"
#include "vantool_options.h"

namespace vantool {

// The view a command works in, for the life of the command; null until
// found. Everything done in it goes through the library's SUM_View.
class ViewHandle {
 public:
  ViewHandle() = default;
  ViewHandle(const ViewHandle&) = delete;
  ViewHandle& operator=(const ViewHandle&) = delete;
  const SUM_View& view() const { return view_; }
  SUM_View& view() { return view_; }
  bool is_null() const { return view_.is_null() != 0; }
  // The view server handle for the library's plain entry points (owned by
  // the view: do not free); null for a null view.
  view_server_h get() const;
  // The tag; "" for a null view.
  std::string tag() const;

 private:
  SUM_View view_;
};

// The view named by -view TAG, else the view whose root holds `path` (or the
// current directory when `path` is empty). Prints why and answers false when
// there is none. open_view also refreshes a dynamic view.
bool open_view(const ParsedArgs& args, const std::string& path, ViewHandle& view);
bool find_view(const ParsedArgs& args, const std::string& path, ViewHandle& view);

// The stream a command works in: -stream, else the stream of the view named
// by -view or holding the current directory. Prints why and answers false
// when there is none.
bool stream_of_args(const ParsedArgs& args, SUM_Stream& stream);

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
std::string version_name(const SUM_Vob& vob, tbs_dbid_t version);
inline std::string version_name(vob_vob_h vob, tbs_dbid_t version) {
  return version_name(SUM_Vob(vob), version);
}

}  // namespace vantool

#endif  // VANTOOL_VANTOOL_VIEW_H
