// vantool mkact, setact, lsact, chact and rmact: activities, the current
// activity of a view, and change sets; also ci and unco over a whole change
// set.
//
// An activity is named NAME@PVOB or activity:NAME@PVOB; a bare NAME is
// looked up in the project VOB of the stream the command's view is
// attached to.
#include <string>
#include <unistd.h>
#include <vector>

#include "services/imsg.h"
#include "sum/sum_activity.h"
#include "sum/sum_callbacks.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "sum/sum_utl_names.h"
#include "sum/sum_version.h"
#include "sum/sum_view.h"
#include "sum/sum_vob.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_activity.h"
#include "vantool_command.h"
#include "vantool_json.h"
#include "vantool_open.h"
#include "vantool_text.h"
#include "vantool_view.h"

namespace vantool {

namespace {

// The view named by -view (which must exist), else the one holding the
// current directory, if any: outside every view `view` stays null and the
// answer is still true. False only after a message.
bool optional_view(const ParsedArgs& args, ViewHandle& view) {
  if (args.has("view"))
    return find_view(args, "", view);
  // Outside every view the view stays null: not an error here.
  SUM_View::current_view(view.view());
  return true;
}

// The stream `view` is attached to; a null stream for a null view or a view
// attached to none.
SUM_Stream stream_of(const SUM_View& view) {
  SUM_Stream stream;
  if (view.is_null() || view.stream(stream) != 0)
    return SUM_Stream();
  return stream;
}

std::string tag_of(const SUM_View& view) {
  return text_of(view.any_name());
}

// As open_activity, bare names in the PVOB of the stream of the command's
// view (when it has one).
bool open_activity_for(const ParsedArgs& args, const std::string& text, SUM_Activity& activity) {
  ViewHandle handle;
  if (!optional_view(args, handle))
    return false;
  return open_activity(text, stream_of(handle.view()).vob(), activity);
}

// ---- mkact -----------------------------------------------------------------------------

// The name of the new activity from the NAME operand ("name", "name@pvob"
// or "activity:name@pvob"), which must be in `stream`'s PVOB. "" when no
// operand is given. Answers kExitOk, or the exit status after a message.
int new_activity_name(const ParsedArgs& args, const SUM_Stream& stream, std::string& name) {
  if (args.operands().empty())
    return kExitOk;
  const std::string& operand = args.operands()[0];
  if (operand.find('@') == std::string::npos && operand.find(':') == std::string::npos) {
    name = operand;
    return kExitOk;
  }
  vob_objsel_t parsed;
  SUM_Vob pvob;
  int exit = kExitOk;
  if (!new_object_operand("mkact", operand, "activity", vantool_msg::NotAnActivity, parsed, pvob,
                          exit))
    return exit;
  if (!(pvob == stream.vob())) {
    SUM_String stream_pvob;
    stream.vob().tag(stream_pvob);
    imsg_print(IMSG_ERROR, vantool_msg::WrongPvob, parsed.name.c_str(), parsed.vob.c_str(),
               label_of(stream).c_str(), stream_pvob);
    return kExitFailure;
  }
  name = parsed.name;
  return kExitOk;
}

// The stream of mkact: -in, else the stream of the command's view.
bool mkact_stream(const ParsedArgs& args, const SUM_View& view, SUM_Stream& stream) {
  if (args.has("in"))
    return open_stream(args.value("in"), stream);
  if (view.is_null()) {
    ViewHandle unused;
    find_view(args, "", unused);  // says that the current directory is in no view
    return false;
  }
  stream = stream_of(view);
  if (stream.is_null()) {
    imsg_print(IMSG_ERROR, vantool_msg::ViewWithoutStreamGiveIn, tag_of(view).c_str());
    return false;
  }
  return true;
}

// Sets `activity` in `view`, reporting either way.
int set_reported(const SUM_Activity& activity, const SUM_View& view, const std::string& comment) {
  std::string label = label_of(activity);
  if (view.set_activity(activity, comment.c_str(), 0) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableSetActivity, label.c_str(), tag_of(view).c_str());
    return kExitFailure;
  }
  imsg_print(IMSG_INFO, vantool_msg::SetActivity, label.c_str(), tag_of(view).c_str());
  return kExitOk;
}

int run_mkact(const ParsedArgs& args) {
  ViewHandle handle;
  if (!optional_view(args, handle))
    return kExitFailure;
  const SUM_View& view = handle.view();
  SUM_Stream stream;
  if (!mkact_stream(args, view, stream))
    return kExitFailure;
  std::string name;
  if (int status = new_activity_name(args, stream, name))
    return status;
  std::string headline = args.value("headline");
  if (name.empty() && headline.empty()) {
    return usage_error(*find_command("mkact"),
                       imsg_format(vantool_msg::NeedNameOrHeadline).c_str());
  }
  // A name made from a headline keeps its letters, digits and joiners and
  // needs at least one letter: say so rather than a bare refusal.
  if (name.empty() && sum_utl_cvt_title_to_obj_name(headline.c_str()).GetLength() == 0) {
    imsg_print(IMSG_ERROR, vantool_msg::NoNameInHeadline, headline.c_str());
    return kExitFailure;
  }
  // The current view takes the new activity only when it works in its
  // stream; a view named with -view is always asked (and may refuse). A
  // view the user may not set activities in refuses before anything is
  // made.
  bool set_in_view =
      !args.has("nset") && !view.is_null() && (args.has("view") || stream_of(view) == stream);
  std::string comment = args.comment();
  SUM_Activity made;
  if ((set_in_view && view.check_owner("set the activity of") != 0) ||
      stream.create_activity(name.c_str(), headline.c_str(), comment.c_str(), made) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableCreateActivity,
               (name.empty() ? headline : name).c_str());
    return kExitFailure;
  }
  imsg_print(IMSG_INFO, vantool_msg::CreatedActivity, label_of(made).c_str());
  return set_in_view ? set_reported(made, view, comment) : kExitOk;
}

// ---- setact ----------------------------------------------------------------------------

int run_setact(const ParsedArgs& args) {
  if (args.has("none") == !args.operands().empty()) {
    return usage_error(*find_command("setact"), imsg_format(vantool_msg::ActivityOrNone).c_str());
  }
  ViewHandle handle;
  if (!find_view(args, "", handle))
    return kExitFailure;
  const SUM_View& view = handle.view();
  std::string comment = args.comment();
  if (args.has("none")) {
    if (view.unset_activity(1, comment.c_str()) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableClearActivity, tag_of(view).c_str());
      return kExitFailure;
    }
    imsg_print(IMSG_INFO, vantool_msg::ClearedActivity, tag_of(view).c_str());
    return kExitOk;
  }
  SUM_Activity activity;
  if (!open_activity(args.operands()[0], stream_of(view).vob(), activity))
    return kExitFailure;
  return set_reported(activity, view, comment);
}

// ---- lsact -----------------------------------------------------------------------------

// The activities placed in `stream`, in creation order, appended to `out`.
bool stream_activities(const SUM_Stream& stream, std::vector<SUM_Activity>& out) {
  SUM_ActivityList list;
  if (stream.activities(list) != 0)
    return false;
  for (unsigned i = 0; i < list.count(); ++i)
    out.push_back(list[i]);
  return true;
}

// The activities of every stream of every project of every PVOB.
bool all_activities(std::vector<SUM_Activity>& out) {
  SUM_VobList pvobs;
  if (SUM_Vob::get_all_pvobs_list(pvobs) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableListStreams, "");
    return false;
  }
  for (unsigned i = 0; i < pvobs.count(); ++i) {
    SUM_ProjectList projects;
    std::vector<SUM_Stream> streams;
    bool ok = SUM_Project::list_projects(pvobs[i], projects) == 0;
    for (unsigned p = 0; ok && p < projects.count(); ++p)
      ok = SUM_Stream::project_streams(projects[p], streams) == 0;
    for (size_t s = 0; ok && s < streams.size(); ++s)
      ok = stream_activities(streams[s], out);
    if (!ok) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableListStreams, pvobs[i].any_name());
      return false;
    }
  }
  return true;
}

// The activities lsact lists: those named, the view's current one (-cact),
// those of -in STREAM, of the view's stream, or of every PVOB.
bool activities_to_list(const ParsedArgs& args, const SUM_View& view,
                        std::vector<SUM_Activity>& out) {
  if (!args.operands().empty()) {
    for (const std::string& text : args.operands()) {
      SUM_Activity activity;
      if (!open_activity(text, stream_of(view).vob(), activity))
        return false;
      out.push_back(activity);
    }
    return true;
  }
  if (args.has("cact")) {
    SUM_Activity current;
    if (view.is_null()) {
      ViewHandle unused;
      find_view(args, "", unused);  // says that the current directory is in no view
      return false;
    }
    if (view.current_activity(current) != 0)
      return false;
    if (current.is_null())
      imsg_print(IMSG_WARNING, vantool_msg::NoCurrentActivity, tag_of(view).c_str());
    else
      out.push_back(current);
    return true;
  }
  SUM_Stream stream = stream_of(view);
  if (args.has("in") && !open_stream(args.value("in"), stream))
    return false;
  if (stream.is_null())
    return all_activities(out);
  if (stream_activities(stream, out))
    return true;
  imsg_print(IMSG_ERROR, vantool_msg::UnableListStreams, label_of(stream).c_str());
  return false;
}

bool print_activity(const SUM_Activity& activity, const ParsedArgs& args, const SUM_View& view,
                    JsonWriter& json) {
  std::string label = label_of(activity);
  if (args.has("short")) {
    imsg_print_literal(IMSG_INFO, "%s\n", label.c_str());
    return true;
  }
  ActivityDetails details;
  if (!read_activity_details(activity, view, details))
    return false;
  if (args.has("json")) {
    json.begin_object();
    write_activity_json(details, json);
    json.end_object();
  } else if (args.has("long")) {
    imsg_print_literal(IMSG_INFO, "activity \"%s\"\n", label.c_str());
    print_activity_details(details);
  } else {
    imsg_print_literal(IMSG_INFO, "%s  \"%s\"\n", label.c_str(), details.headline.c_str());
  }
  return true;
}

// With -contrib: exactly one operand, an integration activity; the
// activities its finished deliver or rebase brought, appended to `out`. The
// library refuses other activities and one still in progress with its
// message.
bool contributing_activities(const ParsedArgs& args, const SUM_View& view,
                             std::vector<SUM_Activity>& out) {
  SUM_Activity integration;
  if (!open_activity(args.operands()[0], stream_of(view).vob(), integration))
    return false;
  SUM_ActivityList list;
  if (integration.contrib_activities(list) != 0)
    return false;
  for (unsigned i = 0; i < list.count(); ++i)
    out.push_back(list[i]);
  return true;
}

int run_lsact(const ParsedArgs& args) {
  const Command& command = *find_command("lsact");
  bool contrib = args.has("contrib");
  if (contrib && args.operands().empty())
    return usage_error(
        command, imsg_format(vantool_msg::MissingOperand, command.operand_name.c_str()).c_str());
  if (contrib && args.operands().size() > 1)
    return usage_error(
        command,
        imsg_format(vantool_msg::TooManyOperandsFirst, args.operands()[1].c_str()).c_str());
  ViewHandle handle;
  if (!optional_view(args, handle))
    return kExitFailure;
  const SUM_View& view = handle.view();
  std::vector<SUM_Activity> activities;
  bool found = contrib ? contributing_activities(args, view, activities)
                       : activities_to_list(args, view, activities);
  if (!found)
    return kExitFailure;
  JsonWriter json;
  json.begin_array();
  bool ok = true;
  for (const SUM_Activity& activity : activities)
    if (!print_activity(activity, args, view, json)) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableListStreams, label_of(activity).c_str());
      ok = false;
    }
  json.end_array();
  if (args.has("json"))
    imsg_print_literal(IMSG_INFO, "%s", json.str().c_str());
  return ok ? kExitOk : kExitFailure;
}

// ---- chact -----------------------------------------------------------------------------

// The version `text` names: a version selector, or a path (or extended
// path) in `view`.
bool open_version(const std::string& text, const ViewHandle& view, SUM_Version& version) {
  bool selector = text.find("@@") == std::string::npos && text.find('@') != std::string::npos &&
                  text.find('/') > text.find('@');
  if (selector) {
    SUM_VobObject object;
    if (SUM_VobObject::construct_from_any_selector(text.c_str(), SUM_Vob(), object) == 0)
      version = SUM_Version::convert(object);
    if (version.is_null())
      imsg_print(IMSG_ERROR, vantool_msg::NotAVersion, text.c_str());
    return !version.is_null();
  }
  if (view.is_null()) {
    imsg_print(IMSG_ERROR, vantool_msg::NotAVersion, text.c_str());
    return false;
  }
  view_path_info_t info;
  tbs_dbid_t dbid = 0;
  if (!resolve_version(view, text, info, dbid))
    return false;
  SUM_Vob handle;
  SUM_Vob::construct_from_handle(info.vob, handle);
  version = SUM_Version(handle, dbid);
  return true;
}

// chact -fcset FROM -tcset TO VERSION...: moves each version between the
// change sets.
int move_versions(const ParsedArgs& args) {
  ViewHandle view;
  if (!optional_view(args, view))
    return kExitFailure;
  SUM_Vob pvob = stream_of(SUM_View(view.get())).vob();
  SUM_Activity from, to;
  if (!open_activity(args.value("fcset"), pvob, from) ||
      !open_activity(args.value("tcset"), pvob, to))
    return kExitFailure;
  std::string from_label = label_of(from), to_label = label_of(to);
  std::string tag = view.tag();
  std::string comment = args.comment();
  int result = kExitOk;
  for (const std::string& text : args.operands()) {
    SUM_Version version;
    if (!open_version(text, view, version)) {
      result = kExitFailure;
      continue;
    }
    std::string shown = shown_version(version, view.view());
    if (from.move_change_set_version(version, to, tag.empty() ? nullptr : tag.c_str(),
                                     comment.c_str()) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableMoveBetweenActivities, shown.c_str(),
                 from_label.c_str(), to_label.c_str());
      result = kExitFailure;
      continue;
    }
    imsg_print(IMSG_INFO, vantool_msg::MovedBetweenActivities, shown.c_str(), from_label.c_str(),
               to_label.c_str());
  }
  return result;
}

int run_chact(const ParsedArgs& args) {
  bool move = args.has("fcset") || args.has("tcset");
  bool well_formed = move ? args.has("fcset") && args.has("tcset") && !args.has("headline") &&
                                !args.operands().empty()
                          : args.has("headline") && !args.operands().empty();
  if (!well_formed) {
    return usage_error(*find_command("chact"), imsg_format(vantool_msg::NoActivityChange).c_str());
  }
  if (move)
    return move_versions(args);
  std::string headline = args.value("headline");
  std::string comment = args.comment();
  int result = kExitOk;
  for (const std::string& text : args.operands()) {
    SUM_Activity activity;
    if (!open_activity_for(args, text, activity)) {
      result = kExitFailure;
      continue;
    }
    std::string label = label_of(activity);
    if (activity.set_title(headline.c_str(), comment.c_str(), SUM_Activity::kOpChange) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableChangeActivity, label.c_str());
      result = kExitFailure;
      continue;
    }
    imsg_print(IMSG_INFO, vantool_msg::ChangedActivity, label.c_str());
  }
  return result;
}

// ---- rmact -----------------------------------------------------------------------------

int run_rmact(const ParsedArgs& args) {
  ViewHandle handle;
  if (!optional_view(args, handle))
    return kExitFailure;
  const SUM_View& view = handle.view();
  std::string comment = args.comment();
  int result = kExitOk;
  for (const std::string& text : args.operands()) {
    SUM_Activity activity;
    if (!open_activity(text, stream_of(view).vob(), activity)) {
      result = kExitFailure;
      continue;
    }
    std::string label = label_of(activity);
    if (activity.destroy(view, comment.c_str()) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableRemoveActivity, label.c_str());
      result = kExitFailure;
      continue;
    }
    imsg_print(IMSG_INFO, vantool_msg::RemovedActivity, label.c_str());
  }
  return result;
}

// ---- ci / unco over a change set -------------------------------------------------------

// The activity of ci/unco -cact (the view's current one) or -activity ACT.
bool change_set_activity(const ParsedArgs& args, const SUM_View& view, SUM_Activity& activity) {
  if (args.has("activity"))
    return open_activity(args.value("activity"), stream_of(view).vob(), activity);
  if (view.current_activity(activity) != 0)
    return false;
  if (activity.is_null())
    imsg_print(IMSG_ERROR, vantool_msg::NoCurrentActivity, tag_of(view).c_str());
  return !activity.is_null();
}

// One checkout of the change set before the operation: the version and how
// it is shown.
struct PendingCheckout {
  SUM_Version version;
  std::string path;
};

// Runs `operation` (check-in or cancellation) over the checkouts of the
// activity of -cact / -activity in the command's view, then reports each
// checkout: gone (checked in, or cancelled) or still there.
template <typename Operation>
int change_set_operation(const ParsedArgs& args, bool checkin, Operation operation) {
  ViewHandle handle;
  if (!open_view(args, "", handle))
    return kExitFailure;
  const SUM_View& view = handle.view();
  SUM_Activity activity;
  if (!change_set_activity(args, view, activity))
    return kExitFailure;
  std::string label = label_of(activity);
  SUM_VersionList checkouts;
  if (activity.checkouts(checkouts) != 0) {
    imsg_print_chosen(IMSG_ERROR,
                      checkin ? vantool_msg::UnableCheckCheckoutsActivity
                              : vantool_msg::UnableCancelCheckoutsActivity,
                      label.c_str());
    return kExitFailure;
  }
  if (checkouts.count() == 0) {
    imsg_print(IMSG_INFO, vantool_msg::NoCheckouts, label.c_str());
    return kExitOk;
  }
  std::vector<PendingCheckout> pending;
  for (unsigned i = 0; i < checkouts.count(); ++i) {
    SUM_Element element;
    std::string path;
    if (checkouts[i].element(element) != 0 ||
        view.element_path(checkouts[i].vob(), element.dbid(), path) != 0)
      path = shown_version(checkouts[i], SUM_View());
    pending.push_back({checkouts[i], path});
  }
  SUM_VerctlCB callbacks;
  int stop = 0;
  int status = operation(activity, view, callbacks, stop);
  view.refresh();
  bool all_done = true;
  for (const PendingCheckout& p : pending) {
    int exists = 0, still_out = 0;
    bool done = p.version.exists(exists) == 0 &&
                (!exists || (p.version.is_checked_out(still_out) == 0 && !still_out));
    all_done = all_done && done;
    if (!done)
      imsg_print_chosen(IMSG_ERROR,
                        checkin ? vantool_msg::UnableCheckIn : vantool_msg::UnableCancelCheckout,
                        p.path.c_str());
    else if (checkin)
      imsg_print(IMSG_INFO, vantool_msg::CheckedIn, p.path.c_str(),
                 version_name(p.version.vob(), p.version.dbid()).c_str());
    else
      imsg_print(IMSG_INFO, vantool_msg::CheckoutCancelled, p.path.c_str());
  }
  if (status != 0 || !all_done) {
    imsg_print_chosen(IMSG_ERROR,
                      checkin ? vantool_msg::UnableCheckCheckoutsActivity
                              : vantool_msg::UnableCancelCheckoutsActivity,
                      label.c_str());
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace

std::string shown_version(const SUM_Version& version, const SUM_View& view) {
  SUM_Element element;
  std::string path;
  if (!view.is_null() && version.element(element) == 0 &&
      view.element_path(version.vob(), element.dbid(), path) == 0)
    return path + "@@" + version_name(version.vob(), version.dbid());
  SUM_String name;
  if (version.display_name(name) == 0)
    return text_of(name);
  return version_name(version.vob(), version.dbid());
}

bool read_activity_details(const SUM_Activity& activity, const SUM_View& view,
                           ActivityDetails& out) {
  out.label = label_of(activity);
  SUM_String headline;
  SUM_Stream stream;
  SUM_VersionList change_set;
  int unavailable = 0;
  if (activity.title(headline) != 0 || activity.stream(stream) != 0 ||
      activity.current_mod_count(out.mod_count) != 0 ||
      activity.change_set(change_set, unavailable) != 0 ||
      activity.current_view_tags(out.views) != 0)
    return false;
  out.headline = text_of(headline);
  out.stream = label_of(stream);
  // Without a view of the caller's, versions are named through the view
  // the activity is current in, else one attached to its stream.
  SUM_View resolver = view;
  if (view.is_null() && activity.name_resolver_view(resolver) != 0)
    resolver = SUM_View();
  out.some_unavailable = unavailable != 0;
  for (unsigned i = 0; i < change_set.count(); ++i) {
    int checked_out = 0;
    if (change_set[i].is_checked_out(checked_out) != 0)
      return false;
    out.change_set.push_back({shown_version(change_set[i], resolver), checked_out != 0});
  }
  return true;
}

void print_activity_details(const ActivityDetails& d) {
  imsg_print_literal(IMSG_INFO,
                     "  headline: %s\n  stream: %s\n  current in views: %s\n"
                     "  modification count: %u\n  change set:%s\n",
                     d.headline.c_str(), d.stream.c_str(),
                     d.views.empty() ? "(none)" : joined(d.views).c_str(), d.mod_count,
                     d.change_set.empty() ? " (empty)" : "");
  for (const ChangeSetEntry& e : d.change_set)
    imsg_print_literal(IMSG_INFO, "    %s%s\n", e.shown.c_str(),
                       e.checked_out ? "  (checked out)" : "");
  if (d.some_unavailable)
    imsg_print_literal(IMSG_INFO, "    (versions in VOBs that cannot be opened are not shown)\n");
}

void write_activity_json(const ActivityDetails& d, JsonWriter& json) {
  json.key("name").value(d.label).key("headline").value(d.headline);
  json.key("stream").value(d.stream).key("views").begin_array();
  for (const std::string& view : d.views)
    json.value(view);
  json.end_array().key("mod_count").value(static_cast<long>(d.mod_count));
  json.key("change_set").begin_array();
  for (const ChangeSetEntry& e : d.change_set)
    json.begin_object()
        .key("version")
        .value(e.shown)
        .key("checked_out")
        .value(e.checked_out)
        .end_object();
  json.end_array().key("change_set_complete").value(!d.some_unavailable);
}

int run_change_set_checkin(const ParsedArgs& args) {
  // Checkouts with a comment keep theirs; the others get -c's text.
  std::string comment = args.comment();
  return change_set_operation(
      args, true,
      [&comment](const SUM_Activity& activity, const SUM_View& view, SUM_VerctlCB& callbacks,
                 int& stop) { return activity.checkin(view, &callbacks, stop, comment.c_str()); });
}

int run_change_set_uncheckout(const ParsedArgs& args) {
  return change_set_operation(
      args, false,
      [](const SUM_Activity& activity, const SUM_View& view, SUM_VerctlCB& callbacks, int& stop) {
        return activity.uncheckout(view, &callbacks, stop, "");
      });
}

void register_activity_commands(std::vector<Command>& table) {
  Command mk;
  mk.name = "mkact";
  mk.synopsis =
      "mkact [-in STREAM] [-headline TEXT] [-nset] [-view TAG] [-c TEXT|-nc] "
      "[NAME|NAME@PVOB]";
  mk.summary =
      "Create an activity in a stream (default: the view's) and make it the view's current "
      "activity unless -nset; without NAME the name is made from the headline.";
  mk.common = kCommentOptions | kViewOption;
  mk.options = {
      {"in", true, "STREAM", false}, {"headline", true, "TEXT", false}, {"nset", false, "", false}};
  mk.max_operands = 1;
  mk.operand_name = "the new activity's NAME";
  mk.run = run_mkact;
  table.push_back(mk);

  Command set;
  set.name = "setact";
  set.synopsis = "setact [-view TAG] [-c TEXT|-nc] ACTIVITY | -none";
  set.summary = "Set (or with -none clear) the current activity of a view.";
  set.common = kCommentOptions | kViewOption;
  set.options = {{"none", false, "", false}};
  set.max_operands = 1;
  set.operand_name = "an ACTIVITY";
  set.run = run_setact;
  table.push_back(set);

  Command ls;
  ls.name = "lsact";
  ls.synopsis =
      "lsact [-in STREAM] [-cact] [-view TAG] [-short|-long] [-json] [ACTIVITY...] | "
      "-contrib [-short|-long] [-json] ACTIVITY";
  ls.summary =
      "List activities: those named, the view's current one (-cact), a stream's, or those of the "
      "view's stream; -long shows their change sets; -contrib those a finished deliver or rebase "
      "brought with its integration activity.";
  ls.common = kListingOptions | kViewOption;
  ls.options = {
      {"in", true, "STREAM", false}, {"cact", false, "", false}, {"contrib", false, "", false}};
  ls.exclusive = {{"in", "cact"}, {"contrib", "in"}, {"contrib", "cact"}};
  ls.max_operands = kUnlimited;
  ls.operand_name = "an ACTIVITY";
  ls.run = run_lsact;
  table.push_back(ls);

  Command ch;
  ch.name = "chact";
  ch.synopsis =
      "chact -headline TEXT [-c TEXT|-nc] ACTIVITY... | -fcset ACTIVITY -tcset ACTIVITY "
      "[-view TAG] [-c TEXT|-nc] VERSION...";
  ch.summary =
      "Change the headline of activities, or move versions (paths in the view or version "
      "selectors) from one activity's change set to another's.";
  ch.common = kCommentOptions | kViewOption;
  ch.options = {{"headline", true, "TEXT", false},
                {"fcset", true, "ACTIVITY", false},
                {"tcset", true, "ACTIVITY", false}};
  ch.min_operands = 1;
  ch.max_operands = kUnlimited;
  ch.operand_name = "an ACTIVITY, or the VERSIONs to move";
  ch.run = run_chact;
  table.push_back(ch);

  Command rm;
  rm.name = "rmact";
  rm.synopsis = "rmact [-c TEXT|-nc] ACTIVITY...";
  rm.summary =
      "Remove activities whose change sets are empty and that no baseline or trigger type names.";
  rm.common = kCommentOptions | kViewOption;
  rm.min_operands = 1;
  rm.max_operands = kUnlimited;
  rm.operand_name = "an ACTIVITY";
  rm.run = run_rmact;
  table.push_back(rm);
}

}  // namespace vantool
