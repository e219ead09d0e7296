// SUM_Stream::create_extended: a stream made together with its default
// deliver target and its policies, as one command asks for them.
#include <vector>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_policy.h"
#include "sum/sum_project.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_stream_extended";

std::vector<const char*> key_array(const SUM_StringList& keys) {
  std::vector<const char*> out;
  for (unsigned i = 0; i < keys.count(); ++i)
    out.push_back(keys[i]);
  return out;
}

// The deliver target `settings` asks for, checked before the stream is
// made: `target` stays null when none is given or it is left out (after
// its warning). 1001 after message 60 when one is given for a stream that
// is not an integration stream.
int wanted_target(const SUM_Project& project, int integration, const SUM_String& selector,
                  SUM_Stream& target) {
  if (selector.GetLength() == 0)
    return SUM_OK;
  if (!integration) {
    imsg_print(IMSG_ERROR, sum_stream_msg::TargetNotIntegration);
    return SUM_FAILED;
  }
  int single = 0;
  int status = project.is_single_stream_project(single);
  if (status != 0)
    return status;
  if (single) {
    imsg_print(IMSG_WARNING, sum_stream_msg::ProjectModelProjectDoes, project.any_fullname());
    return SUM_OK;
  }
  if (SUM_Stream::construct_from_selector(selector, project.vob(), target) != 0) {
    target = SUM_Stream();
    imsg_print(IMSG_WARNING, sum_stream_msg::UnableSetDefaultDeliver, selector);
  }
  return SUM_OK;
}

// Applies the policy keys of `settings` to the new `stream`, warning on
// what cannot be applied.
void apply_policy_keys(const SUM_Stream& stream, int read_only,
                       const SUM_Stream::Settings& settings, const char* comment) {
  if (settings.enable_keys.count() + settings.disable_keys.count() == 0)
    return;
  if (read_only) {
    imsg_print(IMSG_WARNING, sum_stream_msg::ReadOnlyPolicy, stream.any_fullname());
    return;
  }
  int level = 0;
  SUM_PolicyList list;
  int status = stream.vob().feature_level(level);
  if (status == 0)
    status = stream.policy(list);
  int changed = 0;
  const struct {
    const SUM_StringList* keys;
    int (*apply)(SUM_PolicyList&, int, const char* const[], int);
  } passes[] = {{&settings.enable_keys, &SUM_Policy::enable_policies},
                {&settings.disable_keys, &SUM_Policy::disable_policies}};
  for (const auto& pass : passes) {
    if (status != 0 || pass.keys->count() == 0)
      continue;
    std::vector<const char*> keys = key_array(*pass.keys);
    int applied = pass.apply(list, static_cast<int>(keys.size()), keys.data(), level);
    if (applied == 0)
      changed = 1;
    else if (applied != TBS_ST_UNCHANGED)
      status = applied;
  }
  if (status == 0 && changed)
    status = stream.set_policy(list, comment, 0);
  if (status != 0 && status != TBS_ST_UNCHANGED)
    imsg_print(IMSG_WARNING, sum_stream_msg::PolicyWrite, stream.any_fullname());
}

}  // namespace

int SUM_Stream::create_extended(const char* name, const char* comment, const SUM_Project& project,
                                const SUM_Stream& parent, const char* title, int integration,
                                int read_only, const Settings& settings, SUM_Stream& out) {
  SUM_Trace trace("SUM_Stream::create_extended");
  if (project.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Stream target;
  int status = wanted_target(project, integration, settings.deliver_target, target);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_Stream made;
  status = create(name, comment, project, parent, title, integration, read_only, settings.baselines,
                  made);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!target.is_null() && made.set_deliver_stream(target, comment) != 0)
    imsg_print(IMSG_WARNING, sum_stream_msg::UnableSetDefaultDeliver, settings.deliver_target);
  apply_policy_keys(made, read_only, settings, comment);
  out = made;
  return SUM_OK;
}
