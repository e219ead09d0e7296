// SUM_ContextMerge: the versions an operation merged, per type manager, and
// the document each manager offering "context_merge" is called with.
#include "sum/sum_context_merge.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "services/imsg.h"
#include "services/tbs_mgr.h"
#include "services/vob_elem.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kOperation = "context_merge";

// Appends <name>selector</name> unless the object is null.
void add_selector(XML_Element& parent, const char* name, const SUM_VobObject& object) {
  if (!object.is_null())
    parent.sub_elements().append(XML_Element(name, object.any_fullname()));
}

// Writes `text` to a new temporary file, named in `path`.
int write_temporary(const SUM_String& text, std::string& path) {
  const char* dir = std::getenv("TMPDIR");
  path = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/context_merge.XXXXXX";
  std::vector<char> name(path.begin(), path.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) {
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableCreateTemporaryFile, std::strerror(errno));
    return SUM_FAILED;
  }
  path = name.data();
  const char* data = text;
  size_t left = static_cast<size_t>(text.GetLength());
  while (left > 0) {
    ssize_t wrote = ::write(fd, data, left);
    if (wrote < 0 && errno == EINTR)
      continue;
    if (wrote <= 0)
      break;
    data += wrote;
    left -= static_cast<size_t>(wrote);
  }
  if (::close(fd) != 0 || left > 0) {
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableWriteContextMerge, path);
    ::unlink(path.c_str());
    return SUM_FAILED;
  }
  return SUM_OK;
}

}  // namespace

SUM_ContextMerge::SUM_ContextMerge(const char* op) : op_(op != nullptr ? op : "") {}

int SUM_ContextMerge::eltype_get_mgr(const SUM_Element& element, std::string& manager) {
  SUM_Trace trace("SUM_ContextMerge::eltype_get_mgr");
  int eltype = 0;
  int status = vob_elem_get_eltype(element.vob().handle(), element.dbid(), &eltype);
  if (status == 0)
    status = tbs_eltype_get_mgr(eltype, manager);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableFindTypeManager, element.any_fullname());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  return SUM_OK;
}

int SUM_ContextMerge::mgr_has_context_merge(const std::string& manager, int& has) {
  SUM_Trace trace("SUM_ContextMerge::mgr_has_context_merge");
  int status = tbs_mgr_is_supported_op(manager.c_str(), kOperation, &has);
  if (status != 0)
    return trace.checked(__LINE__, status);
  trace.info(2, "Type manager \"%s\" does %ssupport context_merge.", manager.c_str(),
             has ? "" : "not ");
  return SUM_OK;
}

const SUM_VersionList* SUM_ContextMerge::mgr_get_ver_list(const std::string& manager) const {
  for (const auto& [name, versions] : lists_)
    if (name == manager)
      return &versions;
  return nullptr;
}

int SUM_ContextMerge::enter_version(const SUM_Version& version) {
  SUM_Trace trace("SUM_ContextMerge::enter_version");
  SUM_Element element;
  std::string manager;
  int status = version.element(element);
  if (status == 0)
    status = eltype_get_mgr(element, manager);
  int has = 0;
  if (status == 0)
    status = mgr_has_context_merge(manager, has);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!has)
    return SUM_OK;
  for (auto& [name, versions] : lists_) {
    if (name == manager) {
      versions.append(version);
      return SUM_OK;
    }
  }
  SUM_VersionList versions;
  versions.append(version);
  lists_.emplace_back(manager, versions);
  return SUM_OK;
}

int SUM_ContextMerge::enter_versions(const SUM_VersionList& versions) {
  SUM_Trace trace("SUM_ContextMerge::enter_versions");
  for (unsigned i = 0; i < versions.count(); ++i)
    if (int status = enter_version(versions[i]))
      return trace.checked(__LINE__, status);
  return SUM_OK;
}

int SUM_ContextMerge::enter_deliver_baseline(const SUM_Component& component,
                                             const SUM_Baseline& delivered,
                                             const SUM_Baseline& source_foundation) {
  moves_.push_back({component, delivered, source_foundation});
  return SUM_OK;
}

int SUM_ContextMerge::enter_rebase_baseline(const SUM_Component& component,
                                            const SUM_Baseline& old_found,
                                            const SUM_Baseline& new_found) {
  moves_.push_back({component, old_found, new_found});
  return SUM_OK;
}

int SUM_ContextMerge::enter_rebase_baselines(const SUM_ComponentList& components,
                                             const SUM_BaselineList& old_found,
                                             const SUM_BaselineList& new_found) {
  SUM_Trace trace("SUM_ContextMerge::enter_rebase_baselines");
  if (components.count() != old_found.count() || components.count() != new_found.count())
    return sum_int_error("sum_context_merge", trace.name(), __LINE__);
  for (unsigned i = 0; i < components.count(); ++i)
    enter_rebase_baseline(components[i], old_found[i], new_found[i]);
  return SUM_OK;
}

int SUM_ContextMerge::report_baselines(XML_Element& out) const {
  const bool deliver = op_ == "deliver";
  out = XML_Element(deliver ? "deliver-info" : "rebase-info");
  for (const ComponentMove& move : moves_) {
    XML_Element component("component");
    add_selector(component, "comp", move.component);
    add_selector(component, deliver ? "source-bl" : "old_found_bl", move.first);
    add_selector(component, deliver ? "source-found-bl" : "new_found_bl", move.second);
    out.sub_elements().append(component);
  }
  return SUM_OK;
}

int SUM_ContextMerge::document(const SUM_VersionList& versions, const SUM_View& view,
                               SUM_String& out) const {
  SUM_Trace trace("SUM_ContextMerge::document");
  XML_Element root("context_merge");
  root.sub_elements().append(XML_Element("op", op_.c_str()));
  for (unsigned i = 0; i < versions.count(); ++i) {
    SUM_Element element;
    std::string path;
    view_path_info_t info;
    if (versions[i].element(element) != 0 ||
        view.element_path(element.vob(), element.dbid(), path) != 0 ||
        view.lookup(path.c_str(), info) != 0)
      return trace.checked(__LINE__, SUM_FAILED);
    root.sub_elements().append(XML_Element("file", info.file_path.c_str()));
  }
  XML_Element baselines;
  report_baselines(baselines);
  root.sub_elements().append(baselines);
  SUM_String body;
  if (int status = root.string(body, 0))
    return trace.checked(__LINE__, status);
  out = SUM_String("<?xml version=\"1.0\" ?>\n");
  out += body;
  out += "\n";
  return SUM_OK;
}

int SUM_ContextMerge::invoke(const std::string& manager, const SUM_VersionList& versions,
                             const SUM_View& view) {
  SUM_Trace trace("SUM_ContextMerge::invoke");
  if (versions.count() == 0) {
    imsg_print(IMSG_WARNING, sum_integration_msg::EmptyVersionListType, manager);
    return SUM_OK;
  }
  SUM_String text;
  std::string path;
  int status = document(versions, view, text);
  if (status == 0)
    status = write_temporary(text, path);
  if (status != 0)
    return trace.checked(__LINE__, SUM_FAILED);
  trace.info(2, "Invoking context_merge for type manager \"%s\"\nwith %d versions named in \"%s\".",
             manager.c_str(), static_cast<int>(versions.count()), path.c_str());
  int result = 0;
  status = tbs_mgr_invoke_op(manager.c_str(), kOperation, {path}, &result);
  ::unlink(path.c_str());
  if (status != 0 || result != 0) {
    imsg_print(IMSG_ERROR, sum_integration_msg::TypeManagerFailedPerform, manager);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  return SUM_OK;
}

int SUM_ContextMerge::invoke(const SUM_View& view) {
  SUM_Trace trace("SUM_ContextMerge::invoke");
  for (const auto& [manager, versions] : lists_)
    if (int status = invoke(manager, versions, view))
      return trace.checked(__LINE__, status);
  return SUM_OK;
}
