// SUM_View: views in the registry (make, list, remove), ownership, and what
// a view shows (refresh, update, paths and directories), for the command
// tool and every other caller that works in a view through the library.
#include <string>
#include <vector>

#include "services/view.h"
#include "sum/sum_scoped_view_handle.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_view.h"

namespace {

constexpr const char* kSource = "sum_view_admin";

}  // namespace

int SUM_View::create(const view_create_args_t& args, SUM_View& out) {
  SUM_Trace trace("SUM_View::create", 3);
  SUM_ScopedViewHandle handle;
  int status = view_create(args, handle.out());
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, construct_from_handle(handle.get(), 0, out));
}

int SUM_View::list(std::vector<view_entry_t>& out) {
  SUM_Trace trace("SUM_View::list");
  std::vector<view_entry_t> views;
  int status = view_list(views);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out.swap(views);
  return SUM_OK;
}

int SUM_View::remove(const char* tag, int force) {
  SUM_Trace trace("SUM_View::remove", 3);
  if (tag == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, view_remove(tag, force));
}

int SUM_View::path(std::string& out) const {
  SUM_Trace trace("SUM_View::path");
  view_server_h h = nullptr;
  std::string root;
  int status = open_handle(0, h);
  if (status == 0)
    status = view_get_path(h, root);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = root;
  return SUM_OK;
}

int SUM_View::check_owner(const char* action) const {
  SUM_Trace trace("SUM_View::check_owner");
  if (action == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  view_server_h h = nullptr;
  int status = open_handle(0, h);
  if (status == 0)
    status = view_check_owner(h, action);
  return trace.checked(__LINE__, status);
}

int SUM_View::refresh() const {
  SUM_Trace trace("SUM_View::refresh");
  view_server_h h = nullptr;
  int status = open_handle(0, h);
  if (status == 0)
    status = view_refresh(h);
  return trace.checked(__LINE__, status);
}

int SUM_View::update(int& changed) const {
  SUM_Trace trace("SUM_View::update", 3);
  view_server_h h = nullptr;
  int count = 0;
  int status = open_handle(0, h);
  if (status == 0)
    status = view_update(h, &count);
  if (status != 0)
    return trace.checked(__LINE__, status);
  changed = count;
  return SUM_OK;
}

int SUM_View::lookup(const char* path, view_path_info_t& out) const {
  SUM_Trace trace("SUM_View::lookup");
  if (path == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  view_server_h h = nullptr;
  view_path_info_t info;
  int status = open_handle(0, h);
  if (status == 0)
    status = view_lookup(h, path, &info);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = info;
  return SUM_OK;
}

int SUM_View::read_dir(const char* path, std::vector<view_path_info_t>& out) const {
  SUM_Trace trace("SUM_View::read_dir");
  if (path == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  view_server_h h = nullptr;
  std::vector<view_path_info_t> entries;
  int status = open_handle(0, h);
  if (status == 0)
    status = view_readdir_ext(h, path, entries);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out.swap(entries);
  return SUM_OK;
}

int SUM_View::read_dir_version(const char* path, tbs_dbid_t dir_version,
                               std::vector<view_path_info_t>& out) const {
  SUM_Trace trace("SUM_View::read_dir_version");
  if (path == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  view_server_h h = nullptr;
  std::vector<view_path_info_t> entries;
  int status = open_handle(0, h);
  if (status == 0)
    status = view_readdir_version(h, path, dir_version, entries);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out.swap(entries);
  return SUM_OK;
}

int SUM_View::element_path(const SUM_Vob& vob, tbs_dbid_t element, std::string& out) const {
  SUM_Trace trace("SUM_View::element_path");
  if (vob.is_null() || element == 0)
    return sum_int_error(kSource, trace.name(), __LINE__);
  view_server_h h = nullptr;
  std::string path;
  int status = open_handle(0, h);
  if (status == 0)
    status = view_elem_path(h, vob.handle(), element, path);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = path;
  return SUM_OK;
}
