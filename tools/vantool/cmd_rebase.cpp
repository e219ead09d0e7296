// vantool rebase: moves a stream to new foundation baselines through the
// integration engine (SUM_Rebase), working in a view attached to the
// stream.
//
// A rebase runs in two phases. The first (a new rebase, or -resume)
// computes the new configuration the way -preview does, records the
// operation on the stream and points the view at the new configuration,
// then stops so that the user can build and test there; the stream keeps
// its configuration meanwhile. The second (-complete) commits the new
// configuration to the stream and gives the view back its own activity.
// -cancel undoes a rebase in progress, -status shows it. The record lives
// on the stream, so any later process (after a crash too) resumes,
// completes or cancels the operation.
//
// Exit statuses: 0 when the rebase got as far as asked (a start or -resume
// that stops for a snapshot view's update counts: the user is told the
// next step); 1 when it was refused or failed, and for -complete whenever
// the rebase did not complete; 2 for bad usage.
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "sum/sum_baseline.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_new_config.h"
#include "sum/sum_rebase.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_command.h"
#include "vantool_open.h"
#include "vantool_operation.h"
#include "vantool_settings.h"
#include "vantool_text.h"
#include "vantool_view.h"

namespace vantool {

namespace {

// The options that act on the rebase in progress rather than start one.
const char* const kProgressOptions[] = {"status", "resume", "cancel", "retarget"};

// The stream a rebase command works on, and the view it works in when one
// is named or needed.
struct Target {
  SUM_Stream stream;
  ViewHandle view;
  std::string label;  // NAME@PVOB of the stream
};

// -stream names the stream, else the stream of the view (-view, else the
// current directory's). The view is found too when `need_view` or -view
// asks for it, and must then be attached to the stream. False after a
// message naming what is wrong.
bool find_target(const ParsedArgs& args, bool need_view, Target& out) {
  bool by_stream = args.has("stream");
  if (by_stream && !open_stream(args.value("stream"), out.stream))
    return false;
  bool with_view = need_view || args.has("view") || !by_stream;
  if (with_view && !find_view(args, "", out.view))
    return false;
  if (!by_stream && out.view.view().stream(out.stream) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::ViewWithoutStreamGiveStream, out.view.tag().c_str());
    return false;
  }
  out.label = label_of(out.stream);
  if (!with_view || !by_stream)
    return true;
  int attached = 0;
  if (out.view.view().is_attached(out.stream, attached) != 0 || !attached) {
    imsg_print(IMSG_ERROR, vantool_msg::ViewNotOfStream, out.view.tag().c_str(), out.label.c_str());
    return false;
  }
  return true;
}

// The baselines to rebase to: those of -baseline, else the recommended
// baselines of the stream's rebase stream. Prints the heading (the
// preview's with `preview`); false after a message.
bool target_baselines(const ParsedArgs& args, const SUM_Stream& stream, bool preview,
                      SUM_BaselineList& out) {
  std::string label = label_of(stream);
  if (args.has("baseline")) {
    if (!baseline_options(args, "baseline", stream.vob(), out))
      return false;
    imsg_print_chosen(IMSG_INFO,
                      preview ? vantool_msg::PreviewBaselines : vantool_msg::RebaseBaselines,
                      label.c_str());
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
  imsg_print_chosen(IMSG_INFO,
                    preview ? vantool_msg::PreviewRecommended : vantool_msg::RebaseRecommended,
                    label.c_str(), source_label.c_str());
  if (out.count() == 0)
    imsg_print(IMSG_INFO, vantool_msg::NoRecommendedBaselines, source_label.c_str());
  return true;
}

// Computes and validates the configuration `baselines` give the stream;
// each change the callbacks report prints as it is validated. False after
// a message when it cannot be computed.
bool compute_config(SUM_NewConfig& config, const SUM_BaselineList& baselines,
                    const std::string& label, int& valid, int& different) {
  if (config.init(baselines) == 0 && config.validate() == 0 && config.is_valid(valid) == 0 &&
      config.is_different(different) == 0)
    return true;
  imsg_print(IMSG_ERROR, sum_rebase_msg::UnableComputeNewConfiguration, label.c_str());
  return false;
}

// rebase -preview: the new configuration, validated with the preview
// callbacks (each change prints its message), then one closing line.
int preview(const ParsedArgs& args) {
  Target target;
  SUM_BaselineList baselines;
  if (!find_target(args, false, target) || !target_baselines(args, target.stream, true, baselines))
    return kExitFailure;
  SUM_NewConfig config(target.stream, SUM_NewConfig::preview_cbs());
  int valid = 0, different = 0;
  if (!compute_config(config, baselines, target.label, valid, different))
    return kExitFailure;
  if (!valid) {
    imsg_print(IMSG_ERROR, vantool_msg::RebaseWouldBeRefused, target.label.c_str());
    return kExitFailure;
  }
  imsg_print_chosen(IMSG_INFO,
                    different ? vantool_msg::RebaseWouldChange : vantool_msg::RebaseUpToDate,
                    target.label.c_str());
  return kExitOk;
}

// ---- driving the engine ------------------------------------------------

// The explicit foundation baselines of `stream`, as NAME@PVOB.
std::string foundation_text(const SUM_Stream& stream) {
  SUM_BaselineList foundation;
  int unavailable = 0;
  if (stream.explicit_baselines(foundation, unavailable) != 0)
    return "?";
  return joined(labels_of(foundation));
}

// What the first phase merged, and the merges left for the user.
void report_merges(const SUM_Rebase& rebase, const std::string& tag) {
  int files = rebase.get_files_merged(), dirs = rebase.get_dirs_merged();
  if (files + dirs > 0)
    imsg_print(IMSG_INFO, vantool_msg::RebaseMergedCounts, files, dirs, tag.c_str());
  if (rebase.conflicted_paths().empty())
    return;
  imsg_print(IMSG_WARNING, vantool_msg::RebaseConflictsHeader, tag.c_str(), tag.c_str());
  for (const std::string& path : rebase.conflicted_paths())
    imsg_print(IMSG_CONTINUATION, vantool_msg::RebaseConflictPath, path.c_str());
}

// Runs the rebase to the end of its first phase, or with `complete` to
// its end, and tells the user where it stopped and what comes next.
int drive(SUM_Rebase& rebase, bool complete) {
  std::string label = label_of(rebase.op_stream());
  int status =
      complete ? rebase.complete() : rebase.do_integration(SUM_Integration::CONTEXT_MERGED);
  std::string tag = tag_of(rebase.op_target_view());
  // Merges this call made, also when a completion then stopped on them.
  if (complete)
    report_merges(rebase, tag);
  if (status != 0)
    return kExitFailure;
  if (rebase.op_status() == SUM_Integration::ST_VIEW_MUST_RELOAD) {
    imsg_print(complete ? IMSG_ERROR : IMSG_INFO, vantool_msg::RebaseWaitsForUpdate, tag.c_str(),
               label.c_str(), tag.c_str(), complete ? "complete" : "resume", tag.c_str());
    return complete ? kExitFailure : kExitOk;
  }
  if (complete) {
    imsg_print(IMSG_INFO, vantool_msg::RebaseCompleted, label.c_str(),
               foundation_text(rebase.op_stream()).c_str());
    return kExitOk;
  }
  report_merges(rebase, tag);
  imsg_print(IMSG_INFO, vantool_msg::RebaseFirstPhaseDone, tag.c_str(), label.c_str(), tag.c_str(),
             tag.c_str());
  return kExitOk;
}

// A new rebase (without -preview): computed and checked as -preview does,
// started in the view, then driven through its first phase (to its end
// with -complete).
int start_rebase(const ParsedArgs& args) {
  Target target;
  SUM_BaselineList baselines;
  if (!find_target(args, true, target) || !target_baselines(args, target.stream, false, baselines))
    return kExitFailure;
  auto config =
      std::make_unique<SUM_NewConfig>(target.stream, SUM_NewConfig::stream_creation_cbs());
  int valid = 0, different = 0;
  if (!compute_config(*config, baselines, target.label, valid, different))
    return kExitFailure;
  if (!valid) {
    imsg_print(IMSG_ERROR, vantool_msg::RebaseRefused, target.label.c_str());
    return kExitFailure;
  }
  if (!different) {
    imsg_print(IMSG_INFO, vantool_msg::RebaseAlreadyUpToDate, target.label.c_str());
    return kExitOk;
  }
  SUM_BaselineList changed;
  if (config->changed_baselines(changed) != 0)
    return kExitFailure;
  std::unique_ptr<SUM_Rebase> rebase = SUM_Rebase::start_new_rebase(std::move(config));
  if (rebase == nullptr)
    return kExitFailure;
  prepare_engine(*rebase);
  if (rebase->prepare_view(target.view.view()) != 0) {
    // The operation is recorded on the stream already: take it back, so
    // that a refused view leaves nothing behind.
    rebase->cancel();
    return kExitFailure;
  }
  imsg_print(IMSG_INFO, vantool_msg::RebaseStarted, target.label.c_str(), target.view.tag().c_str(),
             joined(labels_of(changed)).c_str());
  return drive(*rebase, args.has("complete"));
}

// ---- the rebase in progress --------------------------------------------

// The rebase in progress on the target's stream, restored: false after the
// message saying there is none, or why it cannot be taken up. With -view
// the view must be the one the rebase works in.
bool restore_rebase(const ParsedArgs& args, const Target& target, SUM_Rebase& rebase) {
  prepare_engine(rebase);
  int status = rebase.restart(target.stream);
  if (status == SUM_NOT_FOUND) {
    imsg_print(IMSG_ERROR, sum_integration_msg::NoOperationProgressStream,
               static_cast<const char*>(rebase.operation_name_lc()), target.label.c_str());
    return false;
  }
  if (status != 0)
    return false;
  if (!args.has("view"))
    return true;
  // The view named must be the rebase's own; a rebase recorded before its
  // view was bound takes it now.
  if (rebase.verify_view_is_rip_view(target.view.view()) != 0)
    return false;
  return !rebase.op_target_view().is_null() || rebase.prepare_view(target.view.view()) == 0;
}

// rebase -resume, and -complete alone.
int continue_rebase(const ParsedArgs& args) {
  Target target;
  SUM_Rebase rebase;
  if (!find_target(args, false, target) || !restore_rebase(args, target, rebase))
    return kExitFailure;
  return drive(rebase, args.has("complete"));
}

// Asks on a terminal whether to cancel, unless -force; elsewhere there is
// nobody to ask and the cancel goes ahead.
bool cancel_confirmed(const ParsedArgs& args, const SUM_Rebase& rebase, const std::string& label) {
  if (args.has("force") || !isatty(STDIN_FILENO))
    return true;
  std::string question = imsg_format(vantool_msg::ConfirmCancelRebase, label.c_str(),
                                     tag_of(rebase.op_target_view()).c_str());
  long answer = 0;
  imsg_prompt_yes_no(IMSG_INFO, question.c_str(), 3, 0, &answer);
  return answer != 0;
}

int cancel_rebase(const ParsedArgs& args) {
  Target target;
  SUM_Rebase rebase;
  if (!find_target(args, false, target) || !restore_rebase(args, target, rebase))
    return kExitFailure;
  if (!cancel_confirmed(args, rebase, target.label)) {
    imsg_print(IMSG_INFO, vantool_msg::CancelDeclined, target.label.c_str());
    return kExitFailure;
  }
  if (rebase.cancel() != 0)
    return kExitFailure;
  imsg_print(IMSG_INFO, sum_rebase_msg::RebaseStreamCanceled, target.label.c_str());
  return kExitOk;
}

// rebase -retarget: the rebase in progress moves to the view named (or the
// current directory's).
int retarget_rebase(const ParsedArgs& args) {
  Target target;
  if (!find_target(args, true, target))
    return kExitFailure;
  SUM_Rebase rebase;
  prepare_engine(rebase);
  int status = rebase.reset_rebase_view(target.stream, target.view.view());
  if (status == SUM_NOT_FOUND)
    imsg_print(IMSG_ERROR, sum_integration_msg::NoOperationProgressStream,
               static_cast<const char*>(rebase.operation_name_lc()), target.label.c_str());
  if (status != 0)
    return kExitFailure;
  imsg_print(IMSG_INFO, vantool_msg::RebaseRetargeted, target.label.c_str(),
             target.view.tag().c_str());
  return kExitOk;
}

// rebase -status: the operation in progress with its state, or that there
// is none; either way a success.
int show_status(const ParsedArgs& args) {
  Target target;
  if (!find_target(args, false, target))
    return kExitFailure;
  int found = 0;
  SUM_Rebase rebase;
  if (SUM_Rebase::has_rebase_in_progress(target.stream, found) != 0 ||
      (found && rebase.get_details(target.stream, found) != 0))
    return kExitFailure;
  if (!found) {
    imsg_print(IMSG_INFO, sum_integration_msg::NoOperationProgressStream,
               static_cast<const char*>(rebase.operation_name_lc()), target.label.c_str());
    return kExitOk;
  }
  rebase.print_details();
  rebase.report_rebase_state();
  return kExitOk;
}

int run_rebase(const ParsedArgs& args) {
  if (args.has("force") && !args.has("cancel"))
    return usage_error(*find_command("rebase"), imsg_format(vantool_msg::ForceOnlyWithCancel));
  if (args.has("preview"))
    return preview(args);
  if (args.has("status"))
    return show_status(args);
  if (args.has("cancel"))
    return cancel_rebase(args);
  if (args.has("retarget"))
    return retarget_rebase(args);
  bool new_rebase = args.has("recommended") || args.has("baseline");
  if (args.has("resume") || (args.has("complete") && !new_rebase))
    return continue_rebase(args);
  return start_rebase(args);
}

}  // namespace

void register_rebase_commands(std::vector<Command>& table) {
  Command rebase;
  rebase.name = "rebase";
  rebase.synopsis =
      "rebase [-recommended|-baseline BASELINES] [-complete] [-view TAG] [-stream STREAM] | "
      "rebase -preview [-recommended|-baseline BASELINES] [-view TAG] [-stream STREAM] | "
      "rebase -resume|-complete|-status [-view TAG] [-stream STREAM] | "
      "rebase -cancel [-force] [-view TAG] [-stream STREAM] | "
      "rebase -retarget [-view TAG] [-stream STREAM]";
  rebase.summary =
      "Rebase a stream to its rebase stream's recommended baselines (or -baseline) in a view "
      "attached to it: the first phase shows the new configuration in the view, -complete "
      "commits it to the stream; -resume, -complete, -cancel and -status act on the rebase in "
      "progress; -retarget moves it to another view of the stream; -preview only shows what would "
      "change.";
  rebase.common = kViewOption;
  rebase.options = {{"preview", false, "", false},         {"recommended", false, "", false},
                    {"baseline", true, "BASELINES", true}, {"stream", true, "STREAM", false},
                    {"status", false, "", false},          {"resume", false, "", false},
                    {"complete", false, "", false},        {"cancel", false, "", false},
                    {"retarget", false, "", false},        {"force", false, "", false}};
  rebase.exclusive = {
      {"recommended", "baseline"}, {"preview", "complete"},  {"status", "resume"},
      {"status", "complete"},      {"status", "cancel"},     {"resume", "complete"},
      {"resume", "cancel"},        {"complete", "cancel"},   {"retarget", "status"},
      {"retarget", "resume"},      {"retarget", "complete"}, {"retarget", "cancel"}};
  for (const char* option : kProgressOptions) {
    rebase.exclusive.emplace_back("preview", option);
    rebase.exclusive.emplace_back("recommended", option);
    rebase.exclusive.emplace_back("baseline", option);
  }
  rebase.max_operands = 0;
  rebase.run = run_rebase;
  table.push_back(rebase);
}

}  // namespace vantool
