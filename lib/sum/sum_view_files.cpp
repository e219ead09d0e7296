// SUM_View: changing files through a view — bulk check-out, check-in,
// uncheckout and element creation, names removed and moved, the view's
// checkouts, and merges into the view. Each asks the view service once for
// the whole set of paths, so a command's batch commits once per VOB.
#include <string>
#include <vector>

#include "services/cmd_findmerge.h"
#include "services/view.h"
#include "sum/sum_cache_control.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_view.h"

namespace {

constexpr const char* kSource = "sum_view_files";

// The signature the view service's bulk calls share once their own
// arguments are bound.
template <typename Call>
int bulk(const SUM_View& view, SUM_Trace& trace, std::vector<view_path_result_t>& results,
         Call call) {
  view_server_h h = nullptr;
  int status = view.handle(h);
  if (status != 0)
    return trace.checked(__LINE__, status);
  std::vector<view_path_result_t> done;
  status = call(h, done);
  results.swap(done);
  return trace.checked(__LINE__, status);
}

}  // namespace

int SUM_View::checkout_paths(const std::vector<std::string>& paths, const char* comment,
                             std::vector<view_path_result_t>& results) const {
  SUM_Trace trace("SUM_View::checkout_paths", 3);
  // The view service asks the stream about every path: its answers that
  // hold for the whole call are worked out once.
  SUM_CacheControl scope(0);
  return bulk(*this, trace, results, [&](view_server_h h, std::vector<view_path_result_t>& r) {
    return view_checkout_many(h, paths, comment, r);
  });
}

int SUM_View::checkin_paths(const std::vector<std::string>& paths, const char* comment,
                            std::vector<view_path_result_t>& results) const {
  SUM_Trace trace("SUM_View::checkin_paths", 3);
  return bulk(*this, trace, results, [&](view_server_h h, std::vector<view_path_result_t>& r) {
    return view_checkin_many(h, paths, comment, r);
  });
}

int SUM_View::uncheckout_paths(const std::vector<std::string>& paths, int keep,
                               std::vector<view_path_result_t>& results) const {
  SUM_Trace trace("SUM_View::uncheckout_paths", 3);
  return bulk(*this, trace, results, [&](view_server_h h, std::vector<view_path_result_t>& r) {
    return view_uncheckout_many(h, paths, keep, r);
  });
}

int SUM_View::make_elements(const std::vector<std::string>& paths, int eltype, const char* comment,
                            int checkin, std::vector<view_path_result_t>& results) const {
  SUM_Trace trace("SUM_View::make_elements", 3);
  return bulk(*this, trace, results, [&](view_server_h h, std::vector<view_path_result_t>& r) {
    return view_mkelem_many(h, paths, eltype, comment, checkin, r);
  });
}

int SUM_View::remove_name(const char* path, const char* comment) const {
  SUM_Trace trace("SUM_View::remove_name");
  if (path == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  view_server_h h = nullptr;
  int status = open_handle(0, h);
  if (status == 0)
    status = view_rmname(h, path, comment);
  return trace.checked(__LINE__, status);
}

int SUM_View::rename(const char* from, const char* to, const char* comment) const {
  SUM_Trace trace("SUM_View::rename");
  if (from == nullptr || to == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  view_server_h h = nullptr;
  int status = open_handle(0, h);
  if (status == 0)
    status = view_rename(h, from, to, comment);
  return trace.checked(__LINE__, status);
}

int SUM_View::list_checkouts(std::vector<view_ckout_t>& out) const {
  SUM_Trace trace("SUM_View::list_checkouts");
  view_server_h h = nullptr;
  std::vector<view_ckout_t> checkouts;
  int status = open_handle(0, h);
  if (status == 0)
    status = view_list_checkouts(h, checkouts);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out.swap(checkouts);
  return SUM_OK;
}

int SUM_View::find_merge(const cmd_findmerge_args_t& args,
                         std::vector<cmd_findmerge_item_t>& items) const {
  SUM_Trace trace("SUM_View::find_merge", 3);
  view_server_h h = nullptr;
  std::vector<cmd_findmerge_item_t> found;
  int status = open_handle(0, h);
  if (status == 0)
    status = cmd_findmerge_tree(h, args, found);
  if (status != 0)
    return trace.checked(__LINE__, status);
  items.swap(found);
  return SUM_OK;
}

int SUM_View::pending_merges(std::vector<cmd_findmerge_pending_t>& out) const {
  SUM_Trace trace("SUM_View::pending_merges");
  view_server_h h = nullptr;
  std::vector<cmd_findmerge_pending_t> found;
  int status = open_handle(0, h);
  if (status == 0)
    status = cmd_findmerge_list_pending(h, found);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out.swap(found);
  return SUM_OK;
}

int SUM_View::resolve_merge(const char* path, int take, cmd_findmerge_pending_t& resolved) const {
  SUM_Trace trace("SUM_View::resolve_merge");
  view_server_h h = nullptr;
  int status = open_handle(0, h);
  if (status == 0)
    status = cmd_findmerge_resolve(h, path, take, &resolved);
  return trace.checked(__LINE__, status);
}
