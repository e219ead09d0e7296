// SUM_Project: the streams of a project as the project sees them: its
// integration stream record, its streams and development streams, and the
// foundation of what it recommends.
#include <vector>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_foundation.h"
#include "sum/sum_project.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"

namespace {

constexpr const char* kSource = "sum_project_streams";

// Refuses (1001 after message 71) a stream that is not an integration
// stream of `project`.
int check_integration_of(const SUM_Project& project, const SUM_Stream& stream) {
  SUM_Project owner;
  int integration = 0;
  int status = stream.project(owner);
  if (status == 0)
    status = stream.is_integration(integration);
  if (status != 0)
    return status;
  if (owner != project || !integration) {
    imsg_print(IMSG_ERROR, sum_project_msg::NotIntegrationStreamOfProject, stream.any_fullname(),
               project.any_fullname());
    return SUM_FAILED;
  }
  return SUM_OK;
}

}  // namespace

int SUM_Project::default_integration_stream(SUM_Stream& out) const {
  SUM_Trace trace("SUM_Project::default_integration_stream");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = SUM_Stream::integration_stream(*this, out);
  if (status == SUM_NOT_FOUND)
    return SUM_NOT_FOUND;
  if (status != 0)
    imsg_print(IMSG_ERROR, sum_project_msg::UnableDetermineIntegrationStream, any_fullname());
  return trace.checked(__LINE__, status);
}

int SUM_Project::default_rebase_stream(SUM_Stream& out) const {
  SUM_Trace trace("SUM_Project::default_rebase_stream");
  int status = default_integration_stream(out);
  return status == SUM_NOT_FOUND ? SUM_NOT_FOUND : trace.checked(__LINE__, status);
}

int SUM_Project::set_default_integration_stream(const SUM_Stream& stream, int replace,
                                                const char* comment) const {
  SUM_Trace trace("SUM_Project::set_default_integration_stream");
  if (is_null() || stream.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = check_integration_of(*this, stream);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_String recorded;
  status = pvar(PVAR_ZEM_PROJ_SUM_PROJ_INT_STREAM, recorded);
  if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  SUM_Stream current;
  status = SUM_Stream::integration_stream(*this, current);
  if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  if (status == 0 && current == stream)
    return SUM_OK;
  if (status == 0 && !replace) {
    imsg_print(IMSG_ERROR, sum_project_msg::ProjectAlreadyDefaultIntegration);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  SUM_Folder parent;
  folder(parent);
  SUM_TrigChProj trigger(*this, parent, SUM_VobObject(), comment);
  if ((status = trigger.fire_preop()) != 0)
    return trace.checked(__LINE__, status);
  if ((status = check_permission()) != 0)
    return trace.checked(__LINE__, status);
  // Test-and-set from the value read above: a concurrent change of the
  // record is not overwritten unseen.
  SUM_String selector;
  status = stream.univ_selector(selector);
  if (status == 0)
    status = sum_pvar_test_and_set(*this, PVAR_ZEM_PROJ_SUM_PROJ_INT_STREAM, recorded, selector,
                                   kOpChange);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_project_msg::CannotReplaceProjectDefault);
    return trace.checked(__LINE__, status);
  }
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

int SUM_Project::streams(SUM_StreamList& out) const {
  SUM_Trace trace("SUM_Project::streams");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<SUM_Stream> all;
  int status = SUM_Stream::project_streams(*this, all);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_StreamList result;
  for (const SUM_Stream& stream : all)
    result.append(stream);
  out = result;
  return SUM_OK;
}

int SUM_Project::devstreams(SUM_StreamList& out) const {
  SUM_Trace trace("SUM_Project::devstreams");
  SUM_StreamList all;
  int status = streams(all);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_StreamList result;
  for (unsigned i = 0; i < all.count(); ++i) {
    int integration = 0;
    if ((status = all[i].is_integration(integration)) != 0)
      return trace.checked(__LINE__, status);
    if (!integration)
      result.append(all[i]);
  }
  out = result;
  return SUM_OK;
}

int SUM_Project::has_devstreams(int& result) const {
  SUM_Trace trace("SUM_Project::has_devstreams");
  SUM_StreamList found;
  int status = devstreams(found);
  if (status != 0)
    return trace.checked(__LINE__, status);
  result = found.count() > 0 ? 1 : 0;
  return SUM_OK;
}

int SUM_Project::rec_foundation(SUM_Foundation& out) const {
  SUM_Trace trace("SUM_Project::rec_foundation");
  SUM_BaselineList recommended;
  int status = rec_baselines(recommended);
  if (status == 0)
    status = SUM_Foundation::construct_from_baselines(recommended, out);
  return trace.checked(__LINE__, status);
}
