// vantool mkbl, chbl, lsbl and rmbl: baselines of components, made in a
// stream from its activities or imported from a label type, labeled,
// promoted, listed and removed.
//
// A baseline is named NAME@PVOB or baseline:NAME@PVOB.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "sum/sum_activity.h"
#include "sum/sum_baseline.h"
#include "sum/sum_callbacks.h"
#include "sum/sum_component.h"
#include "sum/sum_plevel.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"
#include "sum/sum_utl_names.h"
#include "sum/sum_version.h"
#include "sum/sum_view.h"
#include "sum/sum_virtual_baseline.h"
#include "sum/sum_vob.h"
#include "sum/sum_status.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_baseline.h"
#include "vantool_command.h"
#include "vantool_json.h"
#include "vantool_open.h"
#include "vantool_settings.h"
#include "vantool_text.h"
#include "vantool_view.h"

namespace vantool {

namespace {

// A usage error of `command` with `message`, which takes no arguments.
int usage(const char* command, imsg_checked_id<> message) {
  return usage_error(*find_command(command), imsg_format(message).c_str());
}

// ---- mkbl ------------------------------------------------------------------------------

// Shows the library's progress texts on standard error; never stops.
void show_progress(const SUM_ProgressCB& progress, int& stop) {
  if (progress.message != nullptr && progress.message->GetLength() > 0)
    std::fputs(static_cast<const char*>(*progress.message), stderr);
  stop = 0;
}

// The activities of -activities, bare names looked up in `pvob`.
bool activity_options(const ParsedArgs& args, const SUM_Vob& pvob, SUM_ActivityList& out) {
  for (const std::string& value : args.values("activities"))
    for (const std::string& text : split_commas(value)) {
      SUM_Activity activity;
      if (SUM_Activity::construct_from_selector(text.c_str(), pvob, activity) != 0) {
        imsg_print(IMSG_ERROR, vantool_msg::NotAnActivity, text.c_str());
        return false;
      }
      out.append(activity);
    }
  return true;
}

// Whether each of `components` (mkbl -component) is in the stream's
// configuration `config`; names the first one that is not.
bool components_in_config(const SUM_VirtualConfig& config, const SUM_ComponentList& components,
                          const SUM_Stream& stream) {
  for (unsigned i = 0; i < components.count(); ++i) {
    SUM_VirtualBaseline virtual_baseline;
    int status = config.virtual_baseline(components[i], virtual_baseline);
    if (status == SUM_NOT_FOUND)
      imsg_print(IMSG_ERROR, vantool_msg::NotInStream, label_of(components[i]).c_str(),
                 label_of(stream).c_str());
    if (status != 0)
      return false;
  }
  return true;
}

// Applies the member edits of -adepends_on (members added) and then of
// -ddepends_on (members dropped) to `pending`; false once an operand names
// no baseline or an edit is refused (both said why).
bool edit_members(const ParsedArgs& args, SUM_VirtualBaseline& pending) {
  for (const char* option : {"adepends_on", "ddepends_on"}) {
    bool adding = std::string(option) == "adepends_on";
    for (const std::string& value : args.values(option))
      for (const std::string& text : split_commas(value)) {
        SUM_Baseline member;
        if (!open_baseline(text, member))
          return false;
        SUM_BaselineVR either(member);
        int status = adding ? pending.add_dependency(either) : pending.remove_dependency(either);
        if (status != 0)
          return false;
      }
  }
  return true;
}

// Labels a baseline just made: incrementally, and with `full` fully too. A
// baseline that cannot be labeled (rootless component) stays as it is.
int label_new_baseline(const SUM_Baseline& baseline, bool full, const std::string& comment) {
  int status = 0;
  int result = baseline.labeling_status(status);
  if (result == 0 && status == SUM_Baseline::UNLABELED)
    result = baseline.upgrade_to_incremental(nullptr, comment.c_str(), 0);
  if (result == 0 && full && baseline.labeling_status(status) == 0 &&
      status == SUM_Baseline::INCREMENTAL)
    result = baseline.upgrade_to_full(comment.c_str());
  return result;
}

// Whether `baseline`, which a realization in `stream` reused, is one an
// earlier mkbl in the stream made but did not get to label (it was stopped
// between making and labeling): such a baseline is labeled now.
// Baselines of rootless components have nothing to label and stay as they are.
bool left_unlabeled(const SUM_Baseline& baseline, const SUM_Component& component,
                    const SUM_Stream& stream) {
  SUM_Stream home;
  int labeling = SUM_Baseline::UNLABELED;
  int has_root = 0;
  return baseline.stream(home) == 0 && home == stream && baseline.labeling_status(labeling) == 0 &&
         labeling == SUM_Baseline::UNLABELED && component.has_crde(has_root) == 0 && has_root;
}

// Prints what became of each realized component; labels the new ones, and
// the reused ones that an interrupted mkbl of `stream` left unlabeled.
int report_made(const SUM_Stream& stream, const SUM_BaselineList& made,
                const std::vector<int>& created, bool full, const std::string& comment) {
  int result = kExitOk;
  for (unsigned i = 0; i < made.count(); ++i) {
    SUM_Component component;
    made[i].component(component);
    std::string label = label_of(made[i]);
    std::string component_label = label_of(component);
    bool fresh = i < created.size() && created[i];
    if (!fresh) {
      if (left_unlabeled(made[i], component, stream) &&
          label_new_baseline(made[i], full, comment) != 0) {
        imsg_print(IMSG_ERROR, vantool_msg::BaselineNotLabeled, label.c_str());
        result = kExitFailure;
      }
      imsg_print(IMSG_INFO, vantool_msg::BaselineUnchanged, label.c_str(), component_label.c_str());
      continue;
    }
    int labeled = label_new_baseline(made[i], full, comment);
    int status = SUM_Baseline::UNLABELED;
    made[i].labeling_status(status);
    imsg_print(IMSG_INFO, vantool_msg::CreatedBaseline, label.c_str(), component_label.c_str(),
               labeling_status_text(status));
    if (labeled != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::BaselineNotLabeled, label.c_str());
      result = kExitFailure;
    }
  }
  return result;
}

// mkbl -import LBTYPE -component COMP [NAME]: a baseline of COMP's main
// timeline whose version map is the label type.
int run_import(const ParsedArgs& args) {
  if (!args.has("component"))
    return usage("mkbl", vantool_msg::OptionImportNeedsComponent);
  SUM_Component component;
  if (!open_component(args.value("component"), component))
    return kExitFailure;
  // A label type given without a VOB is looked up in the VOB of the
  // component's root directory.
  std::string lbtype_text = args.value("import");
  SUM_VobObject root;
  SUM_Vob root_vob;
  int has_root = 0;
  if (lbtype_text.find('@') == std::string::npos && component.has_crde(has_root) == 0 && has_root &&
      component.root_directory_element(root) == 0)
    root_vob = root.vob();
  SUM_LabelType lbtype;
  if (SUM_LabelType::construct_from_selector(lbtype_text.c_str(), root_vob, lbtype) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::NotALabelType, lbtype_text.c_str());
    return kExitFailure;
  }
  std::string name;
  if (!args.operands().empty()) {
    vob_objsel_t parsed;
    const std::string& operand = args.operands()[0];
    name = sum_utl_parse_selector(operand.c_str(), parsed) == 0 ? parsed.name : operand;
  }
  std::string comment = args.comment();
  SUM_Baseline made;
  if (SUM_Baseline::create_import(lbtype, name.c_str(), component, comment.c_str(), made) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableImportLabelType, lbtype.any_fullname(),
               label_of(component).c_str());
    return kExitFailure;
  }
  imsg_print(IMSG_INFO, vantool_msg::Imported, label_of(lbtype).c_str(), label_of(made).c_str(),
             label_of(component).c_str());
  return kExitOk;
}

int run_mkbl(const ParsedArgs& args) {
  if (args.has("import"))
    return run_import(args);
  if (args.operands().empty())
    return usage("mkbl", vantool_msg::GiveBASENAMENewBaselines);
  SUM_Stream stream;
  if (!stream_of_args(args, stream))
    return kExitFailure;
  SUM_ComponentList components;
  SUM_ActivityList activities;
  if (!component_options(args, "component", stream.vob(), components) ||
      !activity_options(args, stream.vob(), activities))
    return kExitFailure;
  if (args.has("adepends_on") && components.count() != 1)
    return usage("mkbl", vantool_msg::DependsNeedsOneComponent);
  std::string label = label_of(stream);
  SUM_VirtualConfig config;
  int interrupted = 0;
  // Progress shows only where someone watches it.
  SUM_ProgressCB progress(show_progress, nullptr);
  SUM_ProgressCB* watcher = isatty(STDERR_FILENO) ? &progress : nullptr;
  // Selected activities are added to what the stream's newest baselines
  // record, and refused when they leave out an activity they build on.
  int status =
      args.has("activities")
          ? SUM_VirtualConfig::construct_from_latest_baselines(stream, watcher, config, interrupted)
          : SUM_VirtualConfig::construct(stream, watcher, config, interrupted);
  if (status == 0 && !interrupted && args.has("activities"))
    status = config.update_with_acts(activities);
  if (status != 0 || interrupted) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableMakeBaselines, label.c_str());
    return kExitFailure;
  }
  // Members are added to the pending baseline of the one component.
  SUM_VirtualBaseline pending;
  if (!components_in_config(config, components, stream) ||
      (args.has("adepends_on") &&
       (config.virtual_baseline(components[0], pending) != 0 || !edit_members(args, pending)))) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableMakeBaselines, label.c_str());
    return kExitFailure;
  }
  std::string comment = args.comment();
  SUM_BaselineList made;
  std::vector<int> created;
  status = config.realize(args.operands()[0].c_str(), comment.c_str(), components,
                          args.has("identical") ? 1 : 0, made, created);
  if (status != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableMakeBaselines, label.c_str());
    return kExitFailure;
  }
  return report_made(stream, made, created, args.has("full"), comment);
}

// ---- chbl ------------------------------------------------------------------------------

// Applies the one change chbl was given to `baseline`; `what` says what
// the baseline now is.
int change_baseline(const SUM_Baseline& baseline, const ParsedArgs& args,
                    const std::string& comment, std::string& what) {
  if (args.has("level")) {
    SUM_PLevel level;
    int status =
        SUM_PLevel::construct_from_string(args.value("level").c_str(), baseline.vob(), 1, level);
    if (status == 0)
      status = baseline.set_plevel(level, comment.c_str());
    what = "promotion level " + args.value("level");
    return status;
  }
  int status = args.has("incremental")
                   ? baseline.upgrade_to_incremental(nullptr, comment.c_str(), 0)
                   : baseline.upgrade_to_full(comment.c_str());
  int labeling = SUM_Baseline::UNLABELED;
  baseline.labeling_status(labeling);
  what = std::string("labeling status ") + labeling_status_text(labeling);
  return status;
}

// Whether `baseline` is the newest baseline of its component in the stream
// that made it, the only one whose members chbl changes; says why not.
bool newest_in_stream(const SUM_Baseline& baseline, SUM_Stream& stream, SUM_Component& component) {
  int status = baseline.component(component);
  if (status == 0)
    status = baseline.stream(stream);
  if (status == SUM_NOT_FOUND) {
    imsg_print(IMSG_ERROR, vantool_msg::NotMadeInStream, label_of(baseline).c_str());
    return false;
  }
  SUM_Baseline newest;
  if (status != 0 || stream.baseline_util(component, 1, newest) != 0)
    return false;
  if (newest == baseline)
    return true;
  imsg_print(IMSG_ERROR, vantool_msg::NotNewestInStream, label_of(baseline).c_str(),
             label_of(component).c_str(), label_of(stream).c_str(), label_of(newest).c_str());
  return false;
}

// chbl -adepends_on|-ddepends_on BASELINES BASELINE: the stream that made
// BASELINE makes a new baseline of its component with the members changed,
// named as BASELINE was first asked for (changing APP1.1 makes APP1.2, not
// APP1.1.1), and new baselines of the composites that depend on it.
// BASELINE itself never changes.
int run_change_members(const ParsedArgs& args) {
  if (args.operands().size() != 1)
    return usage("chbl", vantool_msg::GiveOneBaselineMembers);
  SUM_Baseline baseline;
  if (!open_baseline(args.operands()[0], baseline))
    return kExitFailure;
  std::string label = label_of(baseline);
  SUM_Stream stream;
  SUM_Component component;
  SUM_VirtualConfig config;
  SUM_VirtualBaseline pending;
  SUM_ComponentList only(1);
  SUM_String name;
  int interrupted = 0;
  bool ok = baseline.check_permission() == 0 && newest_in_stream(baseline, stream, component);
  only[0] = component;
  ok = ok && SUM_VirtualConfig::construct(stream, nullptr, config, interrupted) == 0 &&
       components_in_config(config, only, stream) &&
       config.virtual_baseline(component, pending) == 0 && edit_members(args, pending) &&
       baseline.name_base(name) == 0;
  std::string comment = args.comment();
  SUM_BaselineList made;
  std::vector<int> created;
  if (!ok || config.realize(name, comment.c_str(), only, 0, made, created) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableChangeMembers, label.c_str());
    return kExitFailure;
  }
  return report_made(stream, made, created, false, comment);
}

int run_chbl(const ParsedArgs& args) {
  if (args.has("adepends_on") || args.has("ddepends_on"))
    return run_change_members(args);
  int changes =
      (args.has("incremental") ? 1 : 0) + (args.has("full") ? 1 : 0) + (args.has("level") ? 1 : 0);
  if (changes != 1)
    return usage("chbl", vantool_msg::GiveOneIncrementalFull);
  std::string comment = args.comment();
  int result = kExitOk;
  for (const std::string& text : args.operands()) {
    SUM_Baseline baseline;
    if (!open_baseline(text, baseline)) {
      result = kExitFailure;
      continue;
    }
    std::string label = label_of(baseline);
    std::string what;
    if (change_baseline(baseline, args, comment, what) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableChangeBaseline, label.c_str());
      result = kExitFailure;
      continue;
    }
    imsg_print(IMSG_INFO, vantool_msg::ChangedBaseline, label.c_str(), what.c_str());
  }
  return result;
}

// ---- lsbl ------------------------------------------------------------------------------

// Every baseline of every component of every PVOB, in creation order per
// component.
bool all_baselines(SUM_BaselineList& out) {
  SUM_VobList pvobs;
  if (SUM_Vob::get_all_pvobs_list(pvobs) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableListStreams, "");
    return false;
  }
  for (unsigned i = 0; i < pvobs.count(); ++i) {
    SUM_Component::Iter it(pvobs[i]);
    bool ok = true;
    for (it.first(); ok && !it.is_done(); it.next()) {
      SUM_Component component;
      SUM_Timeline main;
      SUM_BaselineList some;
      ok = it.current_item(component) == 0 && component.main_timeline(main) == 0 &&
           main.baselines(some) == 0;
      for (unsigned b = 0; ok && b < some.count(); ++b)
        out.append(some[b]);
    }
    if (!ok || it.status() != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableListBaselines, pvobs[i].any_name());
      return false;
    }
  }
  return true;
}

// The baselines lsbl lists: those named, those made in -stream (of
// -component only, when given), those of -component, or all.
bool baselines_to_list(const ParsedArgs& args, SUM_BaselineList& out) {
  for (const std::string& text : args.operands()) {
    SUM_Baseline baseline;
    if (!open_baseline(text, baseline))
      return false;
    out.append(baseline);
  }
  if (!args.operands().empty())
    return true;
  SUM_Stream stream;
  SUM_Component component;
  if (args.has("stream") && !open_stream(args.value("stream"), stream))
    return false;
  if (args.has("component") && !open_component(args.value("component"), component))
    return false;
  if (stream.is_null() && component.is_null())
    return all_baselines(out);
  SUM_BaselineList found;
  SUM_Timeline main;
  int status = !stream.is_null()                    ? stream.baselines(found)
               : component.main_timeline(main) == 0 ? main.baselines(found)
                                                    : 1;
  if (status != 0) {
    std::string where = !stream.is_null() ? label_of(stream) : label_of(component);
    imsg_print(IMSG_ERROR, vantool_msg::UnableListBaselines, where.c_str());
    return false;
  }
  for (unsigned i = 0; i < found.count(); ++i) {
    SUM_Component of;
    if (!component.is_null() && (found[i].component(of) != 0 || !(of == component)))
      continue;
    out.append(found[i]);
  }
  return true;
}

// Whether `level` names a promotion level of a PVOB lsbl looks in (said
// otherwise by the level lookup itself).
bool known_level(const ParsedArgs& args, const std::string& level) {
  SUM_Stream stream;
  SUM_Component component;
  SUM_Vob pvob;
  if (args.has("stream") &&
      SUM_Stream::construct_from_selector(args.value("stream").c_str(), SUM_Vob(), stream) == 0)
    pvob = stream.vob();
  else if (args.has("component") && SUM_Component::construct_from_selector(
                                        args.value("component").c_str(), SUM_Vob(), component) == 0)
    pvob = component.vob();
  SUM_PLevel found;
  return pvob.is_null() || SUM_PLevel::construct_from_string(level.c_str(), pvob, 1, found) == 0;
}

bool print_baseline(const SUM_Baseline& baseline, const ParsedArgs& args, JsonWriter& json) {
  BaselineDetails details;
  if (!read_baseline_details(baseline, details))
    return false;
  if (args.has("level") && details.plevel != args.value("level"))
    return true;
  if (args.has("json")) {
    json.begin_object();
    write_baseline_json(details, json);
    json.end_object();
  } else if (args.has("short")) {
    imsg_print_literal(IMSG_INFO, "%s\n", details.label.c_str());
  } else if (args.has("long")) {
    imsg_print_literal(IMSG_INFO, "baseline \"%s\"\n", details.label.c_str());
    print_baseline_details(details);
  } else {
    imsg_print_literal(IMSG_INFO, "%s  %s  %s  %s\n", details.label.c_str(),
                       details.component.c_str(), details.plevel.c_str(), details.labeling.c_str());
  }
  return true;
}

int run_lsbl(const ParsedArgs& args) {
  if (args.has("level") && !known_level(args, args.value("level")))
    return kExitFailure;
  SUM_BaselineList baselines;
  if (!baselines_to_list(args, baselines))
    return kExitFailure;
  return print_listing(args, baselines, vantool_msg::UnableListStreams, print_baseline);
}

// ---- rmbl ------------------------------------------------------------------------------

int run_rmbl(const ParsedArgs& args) {
  std::string comment = args.comment();
  int result = kExitOk;
  for (const std::string& text : args.operands()) {
    SUM_Baseline baseline;
    if (!open_baseline(text, baseline)) {
      result = kExitFailure;
      continue;
    }
    // destroy runs the removal checks itself, printing the first refusal.
    if (remove_reported(baseline, comment, vantool_msg::RemovedBaseline,
                        vantool_msg::UnableRemoveBaseline) != kExitOk)
      result = kExitFailure;
  }
  return result;
}

}  // namespace

// ---- details shared with describe --------------------------------------------------------

const char* labeling_status_text(int status) {
  switch (status) {
    case SUM_Baseline::UNLABELED:
      return "unlabeled";
    case SUM_Baseline::INCREMENTAL:
      return "incremental";
    case SUM_Baseline::FULL:
      return "full";
    case SUM_Baseline::INITIAL:
      return "initial";
    case SUM_Baseline::NOT_LABELABLE:
      return "not labelable";
    default:
      return "?";
  }
}

bool read_baseline_details(const SUM_Baseline& baseline, BaselineDetails& out) {
  out.label = label_of(baseline);
  SUM_Component component;
  SUM_PLevel level;
  int labeling = 0, import = 0;
  if (baseline.component(component) != 0 || baseline.plevel(level) != 0 ||
      baseline.labeling_status(labeling) != 0 || baseline.is_import(import) != 0)
    return false;
  out.component = label_of(component);
  out.plevel = text_of(level.name());
  out.labeling = labeling_status_text(labeling);
  out.import = import != 0;
  SUM_Stream stream;
  int status = baseline.stream(stream);
  if (status == 0)
    out.stream = label_of(stream);
  else if (status != SUM_NOT_FOUND)
    return false;
  SUM_ActivityList activities;
  if (baseline.change_sets(activities) != 0)
    return false;
  for (unsigned i = 0; i < activities.count(); ++i) {
    unsigned count = 0;
    activities[i].mod_count(count);
    out.activities.emplace_back(label_of(activities[i]), count);
  }
  SUM_BaselineList members;
  int unavailable = 0;
  if (baseline.dependencies(members, unavailable) != 0)
    return false;
  for (unsigned i = 0; i < members.count(); ++i)
    out.dependencies.push_back(label_of(members[i]));
  out.some_unavailable = unavailable != 0;
  return true;
}

void print_baseline_details(const BaselineDetails& d) {
  std::string dependencies;
  for (const std::string& member : d.dependencies)
    dependencies += (dependencies.empty() ? "" : ", ") + member;
  if (d.some_unavailable)
    dependencies += dependencies.empty() ? "(some unavailable)" : ", (some unavailable)";
  imsg_print_literal(IMSG_INFO,
                     "  component: %s\n  stream: %s\n  promotion level: %s\n"
                     "  labeling status: %s%s\n  depends on: %s\n",
                     d.component.c_str(),
                     d.stream.empty() ? "(none: the component's main timeline)" : d.stream.c_str(),
                     d.plevel.c_str(), d.labeling.c_str(), d.import ? " (imported label type)" : "",
                     dependencies.empty() ? "(none)" : dependencies.c_str());
  if (d.activities.empty()) {
    imsg_print_literal(IMSG_INFO, "  activities: (none)\n");
    return;
  }
  imsg_print_literal(IMSG_INFO, "  activities:\n");
  for (const auto& [activity, count] : d.activities)
    imsg_print_literal(IMSG_INFO, "    %s  modification count %u\n", activity.c_str(), count);
}

void write_baseline_json(const BaselineDetails& d, JsonWriter& json) {
  json.key("name").value(d.label).key("component").value(d.component);
  json.key("stream").value(d.stream).key("promotion_level").value(d.plevel);
  json.key("labeling_status").value(d.labeling).key("import").value(d.import);
  json.key("activities").begin_array();
  for (const auto& [activity, count] : d.activities)
    json.begin_object()
        .key("name")
        .value(activity)
        .key("mod_count")
        .value(static_cast<long>(count))
        .end_object();
  json.end_array().key("dependencies").begin_array();
  for (const std::string& member : d.dependencies)
    json.value(member);
  json.end_array().key("dependencies_complete").value(!d.some_unavailable);
}

void register_baseline_commands(std::vector<Command>& table) {
  Command mk;
  mk.name = "mkbl";
  mk.synopsis =
      "mkbl [-stream STREAM|-view TAG] [-activities ACTS] [-component COMPS] "
      "[-full|-incremental] [-identical] [-adepends_on BASELINES] [-c TEXT|-nc] BASENAME | "
      "mkbl -import LBTYPE -component COMPONENT [-c TEXT|-nc] [NAME]";
  mk.summary =
      "Make baselines of a stream's components from its activities (labeled incrementally, or "
      "fully with -full), with -adepends_on a composite of one component depending on other "
      "components' baselines, or a baseline of a component from a label type (-import).";
  mk.common = kCommentOptions | kViewOption;
  mk.options = {{"stream", true, "STREAM", false},  {"activities", true, "ACTS", true},
                {"component", true, "COMPS", true}, {"full", false, "", false},
                {"incremental", false, "", false},  {"identical", false, "", false},
                {"import", true, "LBTYPE", false},  {"adepends_on", true, "BASELINES", true}};
  mk.exclusive = {{"import", "adepends_on"}, {"full", "incremental"}, {"stream", "view"},
                  {"import", "view"},        {"import", "stream"},    {"import", "activities"},
                  {"import", "identical"},   {"import", "full"},      {"import", "incremental"}};
  mk.max_operands = 1;
  mk.operand_name = "a BASENAME";
  mk.run = run_mkbl;
  table.push_back(mk);

  Command ch;
  ch.name = "chbl";
  ch.synopsis =
      "chbl -incremental|-full|-level LEVEL [-c TEXT|-nc] BASELINE... | "
      "chbl [-adepends_on BASELINES] [-ddepends_on BASELINES] [-c TEXT|-nc] BASELINE";
  ch.summary =
      "Label baselines incrementally or fully, or set their promotion level; or add and drop "
      "members of a stream's newest baseline of a component, which makes a new baseline.";
  ch.common = kCommentOptions;
  ch.options = {{"incremental", false, "", false},
                {"full", false, "", false},
                {"level", true, "LEVEL", false},
                {"adepends_on", true, "BASELINES", true},
                {"ddepends_on", true, "BASELINES", true}};
  for (const char* form : {"incremental", "full", "level"})
    for (const char* members : {"adepends_on", "ddepends_on"})
      ch.exclusive.emplace_back(form, members);
  ch.min_operands = 1;
  ch.max_operands = kUnlimited;
  ch.operand_name = "a BASELINE";
  ch.run = run_chbl;
  table.push_back(ch);

  Command ls;
  ls.name = "lsbl";
  ls.synopsis =
      "lsbl [-stream STREAM] [-component COMPONENT] [-level LEVEL] [-short|-long] [-json] "
      "[BASELINE...]";
  ls.summary =
      "List baselines: those named, those made in a stream, those of a component, or all; "
      "-level keeps those at that promotion level.";
  ls.common = kListingOptions;
  ls.options = {{"stream", true, "STREAM", false},
                {"component", true, "COMPONENT", false},
                {"level", true, "LEVEL", false}};
  ls.max_operands = kUnlimited;
  ls.run = run_lsbl;
  table.push_back(ls);

  Command rm;
  rm.name = "rmbl";
  rm.synopsis = "rmbl [-c TEXT|-nc] BASELINE...";
  rm.summary =
      "Remove baselines that no stream, timeline, delivery, dependency or recommendation uses.";
  rm.common = kCommentOptions;
  rm.min_operands = 1;
  rm.max_operands = kUnlimited;
  rm.operand_name = "a BASELINE";
  rm.run = run_rmbl;
  table.push_back(rm);
}

}  // namespace vantool
