// Who may work in a view, and where a new view's root may lie.
//
// A view belongs to the user who made it: only that user or a privileged
// user (services/rgy.h) may remove it or change versions through it, so
// that nobody else's command can cancel its checkouts or overwrite its
// unsaved edits. View roots never nest: removing a view removes its root
// with everything under it, which would take another view's files while
// that view's tag stayed registered.
#include <string>
#include <vector>

#include "repository/view_internal.h"
#include "services/imsg.h"
#include "services/rgy.h"
#include "services/sysutl.h"
#include "services/tbs.h"

namespace repo {

namespace {

// Whether `inner` is `outer` or lies below it (both absolute, normalised).
bool lies_within(const std::string& inner, const std::string& outer) {
  if (outer == "/")
    return true;
  return inner.compare(0, outer.size(), outer) == 0 &&
         (inner.size() == outer.size() || inner[outer.size()] == '/');
}

}  // namespace

std::string login() {
  char name[256];
  return sysutl_myloginname(name, sizeof name) == 0 ? name : "unknown";
}

int check_view_owner(const view_entry_t& entry, const char* action) {
  std::string user = login();
  if (entry.owner == user)
    return TBS_ST_OK;
  int privileged = 0;
  int status = rgy_is_privileged_user(user.c_str(), &privileged);
  if (status != 0 || privileged != 0)
    return status;
  imsg_print(IMSG_ERROR, tbs_msg::NoPermissionViewBelongs, action, entry.tag.c_str(),
             entry.owner.c_str());
  return TBS_ST_NO_PERMISSION;
}

int check_root_apart(const std::string& root) {
  std::vector<view_entry_t> views;
  int status = rgy_views(views);
  if (status != 0)
    return status;
  for (const view_entry_t& other : views) {
    std::string other_root = absolute_path(other.root);
    if (lies_within(root, other_root)) {
      imsg_print(IMSG_ERROR, tbs_msg::ViewRootLiesInside, root.c_str(), other_root.c_str(),
                 other.tag.c_str());
      return TBS_ST_EXISTS;
    }
    if (lies_within(other_root, root)) {
      imsg_print(IMSG_ERROR, tbs_msg::ViewRootEnclosesRoot, root.c_str(), other_root.c_str(),
                 other.tag.c_str());
      return TBS_ST_EXISTS;
    }
  }
  return TBS_ST_OK;
}

}  // namespace repo

int view_check_owner(view_server_h view, const char* action) {
  if (view == nullptr || action == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return repo::check_view_owner(view->entry, action);
}
