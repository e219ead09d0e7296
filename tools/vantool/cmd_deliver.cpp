// vantool deliver: moves a stream's changes into its target stream through
// the integration engine (SUM_Deliver), merging in a view of the target.
//
// A deliver runs in two phases. The first (a new deliver, or -resume)
// plans it (what flows, whether the target may take it, what checkouts in
// the source do), makes the source's baselines of what it delivers,
// creates the integration activity in the target stream and merges into
// the target view, then stops so that the result can be built and tested
// there. The second (-complete) checks the merges in and records the
// delivery. -cancel undoes a deliver in progress, -status shows it,
// -preview only plans it. The record lives on the source stream, so any
// later process (after a crash too) resumes, completes or cancels it.
//
// Exit statuses: 0 when the deliver got as far as asked (also when there
// was nothing to deliver); 1 when it was refused or failed, and for
// -complete whenever the deliver did not complete; 2 for bad usage.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_deliver.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_version.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_activity.h"
#include "vantool_command.h"
#include "vantool_open.h"
#include "vantool_operation.h"
#include "vantool_text.h"
#include "vantool_view.h"

namespace vantool {

namespace {

// The source stream (-stream, else the stream of -view or of the current
// directory's view) and its label. False after a message.
bool find_source(const ParsedArgs& args, SUM_Stream& source, std::string& label) {
  if (!stream_of_args(args, source))
    return false;
  label = label_of(source);
  return true;
}

// The target view: -to VIEW, else the one `deliver` works in, else the
// target stream's remembered deliver view. False after a message.
bool find_target_view(const ParsedArgs& args, const SUM_Deliver& deliver, SUM_View& out) {
  if (args.has("to")) {
    if (SUM_View::construct_from_tag(args.value("to").c_str(), out) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::ViewDoesNotExist, args.value("to").c_str());
      return false;
    }
    return true;
  }
  if (!deliver.op_target_view().is_null()) {
    out = deliver.op_target_view();
    return true;
  }
  if (deliver.target_stream().deliver_view(out) == 0)
    return true;
  imsg_print(IMSG_ERROR, vantool_msg::DeliverNeedsView, label_of(deliver.target_stream()).c_str());
  return false;
}

// The baselines of -baseline (comma lists, the option repeated). False
// after the message naming one that does not exist.
bool selected_baselines(const ParsedArgs& args, SUM_BaselineList& out) {
  for (const std::string& name : args.values("baseline")) {
    for (const std::string& part : split_commas(name)) {
      SUM_Baseline baseline;
      if (!open_baseline(part, baseline))
        return false;
      out.append(baseline);
    }
  }
  return true;
}

// Starts the deliver and plans it (the activities of -activities, the
// baselines of -baseline, or the whole stream). False after the messages
// when it is refused.
bool start_and_plan(const ParsedArgs& args, SUM_Deliver& deliver, std::string& label) {
  SUM_Stream source, target;
  if (!find_source(args, source, label))
    return false;
  if (args.has("target") && !open_stream(args.value("target"), target))
    return false;
  if (deliver.start(source, target) != 0)
    return false;
  if (args.has("baseline")) {
    SUM_BaselineList baselines;
    return selected_baselines(args, baselines) && deliver.prepare_bls(baselines) == 0;
  }
  if (!args.has("activities"))
    return deliver.prepare() == 0;
  SUM_ActivityList selected;
  for (const std::string& name : args.values("activities")) {
    for (const std::string& part : split_commas(name)) {
      SUM_Activity activity;
      if (!open_activity(part, source.vob(), activity))
        return false;
      selected.append(activity);
    }
  }
  return deliver.prepare_acts(selected) == 0;
}

// What the first phase merged, and the merges left for the user.
void report_merges(const SUM_Deliver& deliver, const std::string& tag, const std::string& label) {
  int files = deliver.get_files_merged(), dirs = deliver.get_dirs_merged();
  if (files + dirs > 0)
    imsg_print(IMSG_INFO, vantool_msg::DeliverMergedCounts, files, deliver.get_files_copied(), dirs,
               tag.c_str());
  if (deliver.conflicted_paths().empty())
    return;
  imsg_print(IMSG_WARNING, vantool_msg::DeliverConflictsHeader, tag.c_str(), label.c_str());
  for (const std::string& path : deliver.conflicted_paths())
    imsg_print(IMSG_CONTINUATION, vantool_msg::RebaseConflictPath, path.c_str());
}

// Runs the deliver to the end of its first phase, or with `complete` to
// its end, and tells the user where it stopped and what comes next.
int drive(SUM_Deliver& deliver, bool complete, const std::string& label) {
  int status = complete ? deliver.complete() : deliver.do_deliver();
  std::string tag = tag_of(deliver.op_target_view());
  report_merges(deliver, tag, label);
  if (status != 0)
    return kExitFailure;
  std::string target = label_of(deliver.target_stream());
  if (complete) {
    imsg_print(IMSG_INFO, sum_deliver_msg::DeliverStreamStreamCompleted, label, target);
    return kExitOk;
  }
  imsg_print(IMSG_INFO, vantool_msg::DeliverFirstPhaseDone, tag.c_str(), label.c_str(),
             label.c_str(), label.c_str());
  return kExitOk;
}

int preview(const ParsedArgs& args) {
  SUM_Deliver deliver;
  std::string label;
  if (!start_and_plan(args, deliver, label))
    return kExitFailure;
  if (deliver.op_state() == SUM_Integration::NO_WORK_TODO)
    return kExitOk;
  imsg_print(IMSG_INFO, vantool_msg::DeliverPreviewHeader, label.c_str(),
             label_of(deliver.target_stream()).c_str());
  for (unsigned i = 0; i < deliver.delivered_activities().count(); ++i)
    imsg_print_literal(IMSG_INFO, "  %s\n", label_of(deliver.delivered_activities()[i]).c_str());
  if (args.has("baseline")) {
    imsg_print(IMSG_INFO, sum_deliver_msg::BaselinesToDeliverHeading);
    for (unsigned i = 0; i < deliver.delivered_baselines().count(); ++i)
      imsg_print_literal(IMSG_INFO, "    %s\n", label_of(deliver.delivered_baselines()[i]).c_str());
  }
  SUM_VersionList versions;
  if (deliver.preview_versions(versions) != 0)
    return kExitFailure;
  imsg_print(IMSG_INFO, vantool_msg::DeliverPreviewVersions);
  // Versions are named by their paths in a view of the source stream.
  SUM_View source_view;
  SUM_UuidList views;
  if (deliver.op_stream().views(views) == 0 && views.count() > 0)
    SUM_View::construct_from_uuid(views[0], source_view);
  for (unsigned i = 0; i < versions.count(); ++i)
    imsg_print_literal(IMSG_INFO, "  %s\n", shown_version(versions[i], source_view).c_str());
  imsg_print(IMSG_INFO, vantool_msg::DeliverPreviewDone);
  return kExitOk;
}

int start_deliver(const ParsedArgs& args) {
  SUM_Deliver deliver;
  prepare_engine(deliver);
  std::string label;
  if (!start_and_plan(args, deliver, label))
    return kExitFailure;
  if (deliver.op_state() == SUM_Integration::NO_WORK_TODO)
    return kExitOk;
  SUM_View view;
  if (!find_target_view(args, deliver, view) || deliver.prepare_view(view) != 0)
    return kExitFailure;
  imsg_print(IMSG_INFO, vantool_msg::DeliverStarted, label.c_str(),
             label_of(deliver.target_stream()).c_str(), tag_of(view).c_str());
  return drive(deliver, args.has("complete"), label);
}

// ---- the deliver in progress -------------------------------------------

// The deliver in progress from the source, restored: false after the
// message saying there is none, or why it cannot be taken up. With -to the
// view must be the deliver's own.
bool restore_deliver(const ParsedArgs& args, SUM_Deliver& deliver, std::string& label) {
  SUM_Stream source;
  if (!find_source(args, source, label))
    return false;
  prepare_engine(deliver);
  int status = deliver.restart(source);
  if (status == SUM_NOT_FOUND) {
    imsg_print(IMSG_ERROR, sum_integration_msg::NoOperationProgressStream,
               static_cast<const char*>(deliver.operation_name_lc()), label.c_str());
    return false;
  }
  if (status != 0)
    return false;
  SUM_View view;
  if (!args.has("to") && !deliver.op_target_view().is_null())
    return true;
  return find_target_view(args, deliver, view) && deliver.prepare_view(view) == 0;
}

int continue_deliver(const ParsedArgs& args) {
  SUM_Deliver deliver;
  std::string label;
  if (!restore_deliver(args, deliver, label))
    return kExitFailure;
  return drive(deliver, args.has("complete"), label);
}

bool cancel_confirmed(const ParsedArgs& args, const SUM_Deliver& deliver,
                      const std::string& label) {
  if (args.has("force") || !isatty(STDIN_FILENO))
    return true;
  std::string question = imsg_format(vantool_msg::ConfirmCancelDeliver, label.c_str(),
                                     tag_of(deliver.op_target_view()).c_str());
  long answer = 0;
  imsg_prompt_yes_no(IMSG_INFO, question.c_str(), 3, 0, &answer);
  return answer != 0;
}

int cancel_deliver(const ParsedArgs& args) {
  SUM_Deliver deliver;
  std::string label;
  if (!restore_deliver(args, deliver, label))
    return kExitFailure;
  if (!cancel_confirmed(args, deliver, label)) {
    imsg_print(IMSG_INFO, vantool_msg::DeliverCancelDeclined, label.c_str());
    return kExitFailure;
  }
  if (deliver.cancel() != 0)
    return kExitFailure;
  imsg_print(IMSG_INFO, sum_deliver_msg::DeliverStreamStreamCanceled, label,
             label_of(deliver.target_stream()));
  return kExitOk;
}

// -retarget -to VIEW: the deliver in progress moves to another view of the
// target stream.
int retarget_deliver(const ParsedArgs& args) {
  SUM_Stream source;
  std::string label;
  if (!find_source(args, source, label))
    return kExitFailure;
  if (!args.has("to"))
    return usage_error(*find_command("deliver"), imsg_format(vantool_msg::DeliverRetargetNeedsTo));
  SUM_View view;
  if (SUM_View::construct_from_tag(args.value("to").c_str(), view) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::ViewDoesNotExist, args.value("to").c_str());
    return kExitFailure;
  }
  SUM_Deliver deliver;
  prepare_engine(deliver);
  int status = deliver.reset_deliver_view(source, view);
  if (status == SUM_NOT_FOUND)
    imsg_print(IMSG_ERROR, sum_integration_msg::NoOperationProgressStream,
               static_cast<const char*>(deliver.operation_name_lc()), label.c_str());
  if (status != 0)
    return kExitFailure;
  imsg_print(IMSG_INFO, vantool_msg::DeliverRetargeted, label.c_str(), tag_of(view).c_str());
  return kExitOk;
}

// -status: the deliver in progress with its state, or that there is none;
// either way a success.
int show_status(const ParsedArgs& args) {
  SUM_Stream source;
  std::string label;
  if (!find_source(args, source, label))
    return kExitFailure;
  SUM_Deliver deliver;
  int found = 0;
  if (deliver.get_details(source, found) != 0)
    return kExitFailure;
  if (!found) {
    imsg_print(IMSG_INFO, sum_integration_msg::NoOperationProgressStream,
               static_cast<const char*>(deliver.operation_name_lc()), label.c_str());
    return kExitOk;
  }
  deliver.print_details();
  deliver.report_deliver_state();
  return kExitOk;
}

int run_deliver(const ParsedArgs& args) {
  if (args.has("force") && !args.has("cancel"))
    return usage_error(*find_command("deliver"), imsg_format(vantool_msg::ForceOnlyWithCancel));
  if (args.has("preview"))
    return preview(args);
  if (args.has("status"))
    return show_status(args);
  if (args.has("cancel"))
    return cancel_deliver(args);
  if (args.has("retarget"))
    return retarget_deliver(args);
  if (args.has("resume") || args.has("complete")) {
    int found = 0;
    SUM_Stream source;
    std::string label;
    if (!find_source(args, source, label) ||
        SUM_Deliver::has_deliver_in_progress(source, found) != 0)
      return kExitFailure;
    if (found || args.has("resume"))
      return continue_deliver(args);
  }
  return start_deliver(args);
}

}  // namespace

void register_deliver_commands(std::vector<Command>& table) {
  Command deliver;
  deliver.name = "deliver";
  deliver.synopsis =
      "deliver [-stream SOURCE] [-target STREAM] [-to VIEW] [-activities ACTS|-baseline BLS] "
      "[-complete] | "
      "deliver -preview [-stream SOURCE] [-target STREAM] [-activities ACTS|-baseline BLS] | "
      "deliver -resume|-complete|-status [-stream SOURCE] [-to VIEW] | "
      "deliver -cancel [-force] [-stream SOURCE] | "
      "deliver -retarget -to VIEW [-stream SOURCE]";
  deliver.summary =
      "Deliver a stream's activities (all, -activities, or those of the stream's baselines "
      "-baseline) to its default target (or -target), "
      "merging in a view of the target (-to, else the target's last deliver view): the first "
      "phase merges, -complete checks in and records the delivery; -resume, -complete, -cancel "
      "and -status act on the deliver in progress, -retarget moves it to another view of the "
      "target; -preview only shows what would be "
      "delivered. The source stream is -stream, else the stream of -view or of the current "
      "directory's view.";
  deliver.common = kViewOption;
  deliver.options = {{"preview", false, "", false},      {"stream", true, "SOURCE", false},
                     {"target", true, "STREAM", false},  {"to", true, "VIEW", false},
                     {"activities", true, "ACTS", true}, {"baseline", true, "BLS", true},
                     {"status", false, "", false},       {"resume", false, "", false},
                     {"complete", false, "", false},     {"cancel", false, "", false},
                     {"force", false, "", false},        {"retarget", false, "", false}};
  deliver.exclusive = {
      {"preview", "complete"},  {"preview", "status"},      {"preview", "resume"},
      {"preview", "cancel"},    {"status", "resume"},       {"status", "complete"},
      {"status", "cancel"},     {"resume", "complete"},     {"resume", "cancel"},
      {"complete", "cancel"},   {"activities", "status"},   {"activities", "resume"},
      {"activities", "cancel"}, {"target", "status"},       {"target", "resume"},
      {"target", "cancel"},     {"baseline", "activities"}, {"baseline", "status"},
      {"baseline", "resume"},   {"baseline", "cancel"},     {"retarget", "preview"},
      {"retarget", "status"},   {"retarget", "resume"},     {"retarget", "complete"},
      {"retarget", "cancel"},   {"retarget", "activities"}, {"retarget", "baseline"},
      {"retarget", "target"}};
  deliver.max_operands = 0;
  deliver.run = run_deliver;
  table.push_back(deliver);
}

}  // namespace vantool
