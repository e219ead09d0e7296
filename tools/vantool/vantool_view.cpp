// What the view and element commands share.
#include "vantool_view.h"

#include <unistd.h>

#include "sum/sum_version.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_open.h"
#include "vantool_text.h"

namespace vantool {

view_server_h ViewHandle::get() const {
  view_server_h handle = nullptr;
  if (view_.is_null() || view_.handle(handle) != 0)
    return nullptr;
  return handle;
}

std::string ViewHandle::tag() const {
  SUM_String tag;
  if (view_.is_null() || view_.tag(tag, 1) != 0)
    return "";
  return text_of(tag);
}

bool open_view(const ParsedArgs& args, const std::string& path, ViewHandle& view) {
  if (!find_view(args, path, view))
    return false;
  // A dynamic view shows the latest of everything: bring it up to date
  // before the command works in it (a snapshot view is left as loaded).
  view.view().refresh();
  return true;
}

bool find_view(const ParsedArgs& args, const std::string& path, ViewHandle& view) {
  if (args.has("view")) {
    std::string tag = args.value("view");
    if (SUM_View::construct_from_tag(tag.c_str(), view.view()) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::ViewDoesNotExist, tag.c_str());
      return false;
    }
    return true;
  }
  std::string where = path;
  if (where.empty()) {
    char cwd[4096];
    where = getcwd(cwd, sizeof cwd) != nullptr ? cwd : ".";
  }
  if (SUM_View::construct_from_view_root(where.c_str(), view.view()) != 0) {
    // Name what was looked for: the operand the user gave, or else the
    // current directory.
    imsg_print_chosen(IMSG_ERROR,
                      path.empty() ? vantool_msg::NoViewGivenCurrent : vantool_msg::NotViewNoView,
                      where.c_str());
    return false;
  }
  return true;
}

bool lookup_path(const ViewHandle& view, const std::string& path, view_path_info_t& info) {
  if (view.view().lookup(path.c_str(), info) != 0 || info.version == 0) {
    imsg_print(IMSG_ERROR, vantool_msg::NotVisibleView, path.c_str(), view.tag().c_str());
    return false;
  }
  return true;
}

void split_extended_path(const std::string& text, std::string& path, std::string& version) {
  size_t at = text.find("@@");
  path = text.substr(0, at);
  version = at == std::string::npos ? std::string() : text.substr(at + 2);
}

bool resolve_version(const ViewHandle& view, const std::string& text, view_path_info_t& info,
                     tbs_dbid_t& version) {
  std::string path;
  std::string name;
  split_extended_path(text, path, name);
  if (view.view().lookup(path.c_str(), info) != 0 || info.element == 0) {
    imsg_print(IMSG_ERROR, vantool_msg::NotVisibleView, path.c_str(), view.tag().c_str());
    return false;
  }
  if (name.empty()) {
    version = info.version;
    if (version == 0)
      imsg_print(IMSG_ERROR, vantool_msg::NotVisibleView, path.c_str(), view.tag().c_str());
    return version != 0;
  }
  SUM_Version found;
  if (SUM_Version::construct_from_name(SUM_Element(SUM_Vob(info.vob), info.element), name.c_str(),
                                       found) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::VersionDoesNotExist, name.c_str(), path.c_str());
    return false;
  }
  version = found.dbid();
  return true;
}

std::string version_name(const SUM_Vob& vob, tbs_dbid_t version) {
  std::string name;
  return SUM_Version(vob, version).version_path(name) == 0 ? name : "?";
}

bool stream_of_args(const ParsedArgs& args, SUM_Stream& stream) {
  if (args.has("stream"))
    return open_stream(args.value("stream"), stream);
  ViewHandle handle;
  if (!find_view(args, "", handle))
    return false;
  if (handle.view().stream(stream) == 0)
    return true;
  imsg_print(IMSG_ERROR, vantool_msg::ViewWithoutStreamGiveStream, handle.tag().c_str());
  return false;
}

}  // namespace vantool
