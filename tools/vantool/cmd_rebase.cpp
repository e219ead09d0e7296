// vantool rebase: for now only -preview, which computes and validates the
// configuration a rebase would give a stream and prints, component by
// component, what would change, in the library's words. The rebase itself
// (and -status, -resume, -complete, -cancel) needs the integration engine.
#include <string>
#include <vector>

#include "services/imsg.h"
#include "sum/sum_baseline.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_new_config.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_command.h"
#include "vantool_open.h"
#include "vantool_settings.h"
#include "vantool_text.h"
#include "vantool_view.h"

namespace vantool {

namespace {

// The options that drive a rebase operation the integration engine runs.
const char* const kEngineOptions[] = {"status", "resume", "complete", "cancel"};

// The baselines to rebase to: those of -baseline, else the recommended
// baselines of the stream's rebase stream. Prints the heading of the
// preview; false after a message.
bool target_baselines(const ParsedArgs& args, const SUM_Stream& stream, SUM_BaselineList& out) {
  std::string label = label_of(stream);
  if (args.has("baseline")) {
    if (!baseline_options(args, "baseline", stream.vob(), out))
      return false;
    imsg_print(IMSG_INFO, vantool_msg::PreviewBaselines, label.c_str());
    return true;
  }
  int integration = 0;
  if (stream.is_integration(integration) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableComputeNewConfiguration, label.c_str());
    return false;
  }
  if (integration) {
    imsg_print(IMSG_ERROR, vantool_msg::IntegrationNeedsBaselines, label.c_str());
    return false;
  }
  SUM_Stream source;
  int status = stream.rebase_stream(source);
  if (status == SUM_NOT_FOUND) {
    imsg_print(IMSG_ERROR, vantool_msg::NoRebaseStream, label.c_str());
    return false;
  }
  std::string source_label = status == 0 ? label_of(source) : label;
  if (status != 0 || source.recbls(out) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableGetRecommendedBaselines, source_label.c_str());
    return false;
  }
  imsg_print(IMSG_INFO, vantool_msg::PreviewRecommended, label.c_str(), source_label.c_str());
  if (out.count() == 0)
    imsg_print(IMSG_INFO, vantool_msg::NoRecommendedBaselines, source_label.c_str());
  return true;
}

// rebase -preview: the new configuration, validated with the preview
// callbacks (each change prints its message), then one closing line.
int preview(const ParsedArgs& args) {
  SUM_Stream stream;
  if (!stream_of_args(args, stream))
    return kExitFailure;
  std::string label = label_of(stream);
  SUM_BaselineList baselines;
  if (!target_baselines(args, stream, baselines))
    return kExitFailure;
  SUM_NewConfig config(stream, SUM_NewConfig::preview_cbs());
  int valid = 0, different = 0;
  if (config.init(baselines) != 0 || config.validate() != 0 || config.is_valid(valid) != 0 ||
      config.is_different(different) != 0) {
    imsg_print(IMSG_ERROR, sum_rebase_msg::UnableComputeNewConfiguration, label.c_str());
    return kExitFailure;
  }
  if (!valid) {
    imsg_print(IMSG_ERROR, vantool_msg::RebaseWouldBeRefused, label.c_str());
    return kExitFailure;
  }
  if (different)
    imsg_print(IMSG_INFO, vantool_msg::RebaseWouldChange, label.c_str());
  else
    imsg_print(IMSG_INFO, vantool_msg::RebaseUpToDate, label.c_str());
  return kExitOk;
}

int run_rebase(const ParsedArgs& args) {
  for (const char* option : kEngineOptions)
    if (args.has(option)) {
      imsg_print(IMSG_ERROR, vantool_msg::NotYet, option, "the integration engine");
      return kExitFailure;
    }
  if (!args.has("preview")) {
    imsg_print(IMSG_ERROR, vantool_msg::NotYet, args.has("baseline") ? "baseline" : "recommended",
               "the integration engine");
    imsg_print(IMSG_CONTINUATION, vantool_msg::RebaseOnlyPreview);
    return kExitFailure;
  }
  return preview(args);
}

}  // namespace

void register_rebase_commands(std::vector<Command>& table) {
  Command rebase;
  rebase.name = "rebase";
  rebase.synopsis =
      "rebase -preview [-recommended|-baseline BASELINES] [-stream STREAM|-view TAG] | "
      "rebase [-status|-resume|-complete|-cancel] [-force] (not available yet)";
  rebase.summary =
      "Preview a rebase: what taking its rebase stream's recommended baselines (or -baseline) "
      "would change in a stream, component by component; the rebase itself is not available "
      "yet.";
  rebase.common = kViewOption;
  rebase.options = {{"preview", false, "", false},
                    {"recommended", false, "", false},
                    {"baseline", true, "BASELINES", true},
                    {"stream", true, "STREAM", false},
                    {"status", false, "", false},
                    {"resume", false, "", false},
                    {"complete", false, "", false},
                    {"cancel", false, "", false},
                    {"force", false, "", false}};
  rebase.exclusive = {{"recommended", "baseline"}, {"stream", "view"}};
  for (const char* option : kEngineOptions) {
    rebase.exclusive.emplace_back("preview", option);
    rebase.exclusive.emplace_back("recommended", option);
    rebase.exclusive.emplace_back("baseline", option);
  }
  rebase.max_operands = 0;
  rebase.run = run_rebase;
  table.push_back(rebase);
}

}  // namespace vantool
