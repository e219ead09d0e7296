// SUM_View: handles, identity, kinds, stream binding and config specs of
// views. The current activity, checkouts and the plain entry points are in
// sum_view_activity.cpp.
#include "sum/sum_view.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/rgy.h"
#include "services/view.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_os_user.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_scoped_view_handle.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_view";

// Registered VOBs are walked this many at a time.
constexpr size_t kVobChunk = 64;

// The answer of a view property that reads "1" or "0".
int flag_property(view_server_h handle, int property, int& out) {
  std::string value;
  int status = view_getprop(handle, property, value);
  if (status == 0)
    out = value == "1" ? 1 : 0;
  return status;
}

// Whether the registry attribute text (words separated by commas or
// blanks) holds `word`.
int has_attribute(const std::string& text, const char* word) {
  std::string item;
  for (size_t i = 0; i <= text.size(); ++i) {
    char c = i < text.size() ? text[i] : ' ';
    if (c == ',' || c == ' ' || c == '\t' || c == '\n') {
      if (item == word)
        return 1;
      item.clear();
    } else {
      item += c;
    }
  }
  return 0;
}

}  // namespace

// ---- construction ----

SUM_View::SUM_View() = default;

SUM_View::SUM_View(view_server_h handle) {
  std::string text;
  if (handle == nullptr || view_get_uuid(handle, text) != 0)
    return;
  SUM_Uuid parsed;
  if (SUM_Uuid::construct_from_string(text.c_str(), parsed) != 0)
    return;
  uuid_ = parsed;
  if (view_dup_handle(handle, &handle_) != 0)
    handle_ = nullptr;  // fetched again from the UUID when needed
  std::string tag;
  if (view_tag(handle, tag) == 0)
    tag_ = tag.c_str();
}

SUM_View::SUM_View(const SUM_View& other)
    : uuid_(other.uuid_), tag_(other.tag_), root_(other.root_) {
  if (other.handle_ != nullptr && view_dup_handle(other.handle_, &handle_) != 0)
    handle_ = nullptr;
}

SUM_View& SUM_View::operator=(const SUM_View& other) {
  if (this == &other)
    return *this;
  view_server_h copy = nullptr;
  if (other.handle_ != nullptr && view_dup_handle(other.handle_, &copy) != 0)
    copy = nullptr;
  view_free_handle(handle_);
  handle_ = copy;
  uuid_ = other.uuid_;
  tag_ = other.tag_;
  root_ = other.root_;
  return *this;
}

SUM_View::~SUM_View() {
  view_free_handle(handle_);
}

bool SUM_View::operator==(const SUM_View& other) const {
  return uuid_ == other.uuid_;
}

int SUM_View::is_null() const {
  return uuid_.is_null();
}

int SUM_View::construct_from_tag(const char* tag, SUM_View& out) {
  SUM_Trace trace("SUM_View::construct_from_tag");
  if (tag == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_ScopedViewHandle handle;
  int status = view_get_handle_by_tag(tag, handle.out());
  if (status != 0)
    return trace.checked(__LINE__, status);
  return construct_from_handle(handle.get(), 0, out);
}

int SUM_View::construct_from_uuid(const SUM_Uuid& uuid, SUM_View& out) {
  SUM_Trace trace("SUM_View::construct_from_uuid");
  if (uuid.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  // The view server is asked only when something about the view is needed.
  SUM_View view;
  view.uuid_ = uuid;
  out = view;
  return SUM_OK;
}

int SUM_View::construct_from_handle(view_server_h handle, int unused, SUM_View& out) {
  (void)unused;
  SUM_Trace trace("SUM_View::construct_from_handle");
  SUM_View view(handle);
  if (view.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  out = view;
  return SUM_OK;
}

int SUM_View::construct_from_view_root(const SUM_String& path, SUM_View& out) {
  SUM_Trace trace("SUM_View::construct_from_view_root");
  SUM_ScopedViewHandle handle;
  int status = ws_get_view_by_ws_root(path, handle.out());
  if (status != 0)
    return trace.checked(__LINE__, status);
  return construct_from_handle(handle.get(), 0, out);
}

int SUM_View::current_view(SUM_View& out) {
  SUM_Trace trace("SUM_View::current_view");
  char cwd[4096];
  if (getcwd(cwd, sizeof cwd) == nullptr)
    return trace.checked(__LINE__, tbs_errno2status(errno));
  return trace.checked(__LINE__, construct_from_view_root(cwd, out));
}

// ---- identity and properties ----

int SUM_View::open_handle(int quiet, view_server_h& out) const {
  SUM_Trace trace("SUM_View::open_handle");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (handle_ == nullptr) {
    int status = view_get_handle_by_uuid(uuid_.string(), &handle_);
    if (status != 0) {
      handle_ = nullptr;
      if (!quiet)
        imsg_print(IMSG_ERROR, sum_view_msg::NoHandle);
      return trace.checked(__LINE__, status);
    }
  }
  out = handle_;
  return SUM_OK;
}

int SUM_View::handle(view_server_h& out) const {
  SUM_Trace trace("SUM_View::handle");
  return trace.checked(__LINE__, open_handle(0, out));
}

int SUM_View::entry(view_entry_t& out) const {
  SUM_Trace trace("SUM_View::entry");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  // A fresh handle: the registry entry (attributes above all) changes while
  // a cached handle lives.
  SUM_ScopedViewHandle fresh;
  int status = view_get_handle_by_uuid(uuid_.string(), fresh.out());
  if (status == 0)
    status = view_get_entry(fresh.get(), &out);
  return trace.checked(__LINE__, status);
}

int SUM_View::fetch_tag(SUM_String& out) const {
  SUM_Trace trace("SUM_View::fetch_tag");
  view_entry_t found;
  int status = entry(found);
  if (status == 0 && found.tag.empty())
    status = SUM_NOT_FOUND;
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = found.tag.c_str();
  return SUM_OK;
}

int SUM_View::tag(SUM_String& out, int quiet) const {
  SUM_Trace trace("SUM_View::tag");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (tag_.GetLength() == 0) {
    SUM_String fetched;
    int status = fetch_tag(fetched);
    if (status != 0) {
      if (!quiet && status == SUM_NOT_FOUND)
        imsg_print(IMSG_ERROR, sum_view_msg::NoTag, uuid_.string());
      else if (!quiet)
        imsg_print(IMSG_ERROR, sum_view_msg::TagFailed, tbs_strerror(status));
      return trace.checked(__LINE__, SUM_FAILED);
    }
    tag_ = fetched;
  }
  out = tag_;
  return SUM_OK;
}

int SUM_View::tag(char (&buf)[256]) const {
  SUM_Trace trace("SUM_View::tag");
  SUM_String text;
  int status = tag(text, 0);
  if (status != 0)
    return trace.checked(__LINE__, status);
  snprintf(buf, sizeof buf, "%s", static_cast<const char*>(text));
  return SUM_OK;
}

SUM_String SUM_View::any_name() const {
  if (is_null())
    return "<null view>";
  SUM_String text;
  if (tag(text, 1) == 0)
    return text;
  return uuid_.string();
}

int SUM_View::uuid(SUM_Uuid& out) const {
  SUM_Trace trace("SUM_View::uuid");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  out = uuid_;
  return SUM_OK;
}

int SUM_View::uuid(tbs_uuid_t& out) const {
  SUM_Trace trace("SUM_View::uuid");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  out = uuid_.uuid();
  return SUM_OK;
}

int SUM_View::view_root(SUM_String& out) const {
  SUM_Trace trace("SUM_View::view_root");
  if (root_.GetLength() == 0) {
    // The registry records the root directory of both kinds of view: the
    // snapshot root, or the directory a dynamic view shows its files in.
    view_server_h h = nullptr;
    std::string path;
    int status = open_handle(0, h);
    if (status == 0)
      status = view_get_path(h, path);
    if (status == 0 && path.empty())
      status = SUM_NOT_FOUND;
    if (status != 0)
      return trace.checked(__LINE__, status);
    root_ = path.c_str();
  }
  out = root_;
  return SUM_OK;
}

int SUM_View::owner_by_rgy(SUM_String& out) const {
  SUM_Trace trace("SUM_View::owner_by_rgy");
  view_entry_t found;
  int status = entry(found);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = found.owner.c_str();
  return SUM_OK;
}

int SUM_View::owned_by_me(int& out) const {
  SUM_Trace trace("SUM_View::owned_by_me");
  SUM_String owner;
  SUM_OsUser me;
  int status = owner_by_rgy(owner);
  if (status == 0)
    status = SUM_OsUser::current_user(me);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_OsUser(owner) == me ? 1 : 0;
  return SUM_OK;
}

int SUM_View::is_snapshot(int& out) const {
  SUM_Trace trace("SUM_View::is_snapshot");
  view_server_h h = nullptr;
  std::string kind;
  int status = open_handle(0, h);
  if (status == 0)
    status = view_getprop(h, VIEW_PROP_KIND, kind);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = kind == "snapshot" ? 1 : 0;
  return SUM_OK;
}

int SUM_View::start() const {
  SUM_Trace trace("SUM_View::start");
  // Views are served in process from their storage: there is no server to
  // start, only the view to find.
  view_server_h h = nullptr;
  return trace.checked(__LINE__, open_handle(0, h));
}

int SUM_View::end(int flags) const {
  (void)flags;
  SUM_Trace trace("SUM_View::end");
  view_server_h h = nullptr;
  return trace.checked(__LINE__, open_handle(0, h));
}

int SUM_View::is_view_type_by_view(int property, int& out) const {
  SUM_Trace trace("SUM_View::is_view_type_by_view");
  view_server_h h = nullptr;
  int status = open_handle(0, h);
  if (status == 0)
    status = flag_property(h, property, out);
  return trace.checked(__LINE__, status);
}

int SUM_View::is_view_type_by_rgy(const char* attribute, int& out) const {
  SUM_Trace trace("SUM_View::is_view_type_by_rgy");
  if (attribute == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  view_entry_t found;
  int status = entry(found);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = has_attribute(found.attributes, attribute);
  return SUM_OK;
}

int SUM_View::is_sum_view_by_view(int& out) const {
  return is_view_type_by_view(VIEW_PROP_SUM_VIEW, out);
}
int SUM_View::is_sum_view_by_rgy(int& out) const {
  return is_view_type_by_rgy("sumview", out);
}
int SUM_View::is_web_view_by_view(int& out) const {
  return is_view_type_by_view(VIEW_PROP_WEB_VIEW, out);
}
int SUM_View::is_web_view_by_rgy(int& out) const {
  return is_view_type_by_rgy("webview", out);
}
int SUM_View::is_automatic_view_by_view(int& out) const {
  return is_view_type_by_view(VIEW_PROP_AUTOMATIC, out);
}
int SUM_View::is_automatic_view_by_rgy(int& out) const {
  return is_view_type_by_rgy("automatic", out);
}

int SUM_View::is_sum_view(int& out) const {
  SUM_Trace trace("SUM_View::is_sum_view");
  return trace.checked(__LINE__, is_sum_view_by_vob(out));
}

// ---- stream binding ----

int SUM_View::set_stream(const SUM_Stream& stream, const char* comment) const {
  SUM_Trace trace("SUM_View::set_stream");
  if (is_null() || stream.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, stream.add_view(uuid_, comment));
}

int SUM_View::stream(SUM_Stream& out) const {
  SUM_Trace trace("SUM_View::stream");
  view_server_h h = nullptr;
  int status = open_handle(0, h);
  if (status != 0)
    return trace.checked(__LINE__, status);
  vob_vob_h pvob = nullptr;
  tbs_dbid_t dbid = 0;
  status = vob_utl_view_get_stream(h, &pvob, &dbid);
  if (status == SUM_NOT_FOUND)
    return SUM_NOT_FOUND;
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Stream(SUM_Vob(pvob), dbid);
  return SUM_OK;
}

int SUM_View::is_attached(const SUM_Stream& stream, int& out) const {
  SUM_Trace trace("SUM_View::is_attached");
  if (stream.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Stream mine;
  int status = this->stream(mine);
  if (status == SUM_NOT_FOUND) {
    out = 0;
    return SUM_OK;
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = mine == stream ? 1 : 0;
  return SUM_OK;
}

int SUM_View::is_sum_view_by_vob(int& out) const {
  SUM_Trace trace("SUM_View::is_sum_view_by_vob");
  SUM_Stream mine;
  int status = stream(mine);
  if (status == SUM_NOT_FOUND) {
    out = 0;
    return SUM_OK;
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = 1;
  return SUM_OK;
}

// ---- config spec ----

int SUM_View::config_spec(SUM_String& out) const {
  SUM_Trace trace("SUM_View::config_spec");
  view_server_h h = nullptr;
  std::string text;
  int status = open_handle(0, h);
  if (status == 0)
    status = view_get_config_spec(h, text);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = text.c_str();
  return SUM_OK;
}

int SUM_View::set_config_spec(const char* text) const {
  SUM_Trace trace("SUM_View::set_config_spec");
  if (is_null() || text == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String view_tag;
  view_server_h h = nullptr;
  int status = tag(view_tag);
  if (status == 0)
    status = open_handle(0, h);
  if (status == 0)
    status = view_set_spec(h, text);
  if (status != 0)
    return trace.checked(__LINE__, status);
  // A dynamic view has just dropped what the new rules hide, possibly the
  // directory this process works in.
  char cwd[4096];
  if (getcwd(cwd, sizeof cwd) == nullptr)
    imsg_print(IMSG_WARNING, sum_view_msg::CwdInvisible, "", "");
  return SUM_OK;
}

int SUM_View::needs_reload(int& out) const {
  SUM_Trace trace("SUM_View::needs_reload");
  view_frz_state_t state;
  int status = get_freeze_info(state);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = state.needs_update;
  return SUM_OK;
}

int SUM_View::get_freeze_info(view_frz_state_t& out) const {
  SUM_Trace trace("SUM_View::get_freeze_info");
  view_server_h h = nullptr;
  view_frz_state_t state;
  int status = open_handle(0, h);
  if (status == 0)
    status = view_get_load_info(h, &state);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_view_msg::UnableDetermineLoadState, any_name());
    return trace.checked(__LINE__, status);
  }
  out = state;
  return SUM_OK;
}

// ---- VOB references ----

int SUM_View::remove_viewref_all_vobs() const {
  SUM_Trace trace("SUM_View::remove_viewref_all_vobs");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, remove_viewref_all_vobs(uuid_));
}

int SUM_View::remove_viewref_all_vobs(const SUM_Uuid& uuid) {
  SUM_Trace trace("SUM_View::remove_viewref_all_vobs");
  std::vector<rgy_vob_entry> entries;
  for (size_t offset = 0;; offset += kVobChunk) {
    int status = rgy_next_vob_entries("*", offset, kVobChunk, entries);
    if (status != 0)
      return trace.checked(__LINE__, status);
    for (const rgy_vob_entry& e : entries) {
      vob_vob_h vob = nullptr;
      if (vob_resolve_vob(e.tag.c_str(), &vob) != 0)
        continue;  // a VOB that cannot be opened holds nothing we can remove
      if ((status = SUM_Vob(vob).remove_viewref_from_vob(uuid)) != 0)
        return trace.checked(__LINE__, status);
    }
    if (entries.size() < kVobChunk)
      return SUM_OK;
  }
}
