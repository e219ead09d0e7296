// vantool lshistory: who did what to which element, when, with which
// comment and in which activity, newest first.
#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "services/date.h"
#include "services/imsg.h"
#include "sum/sum_version.h"
#include "sum/sum_vob_object.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_command.h"
#include "vantool_json.h"
#include "vantool_view.h"

namespace vantool {

namespace {

// Elements whose history is listed, per VOB, with the path each is shown at.
using ShownElements = std::map<vob_vob_h, std::map<tbs_dbid_t, std::string>>;

// Adds the element `info` names, shown as `path`, and with `recurse` every
// element the view shows below it.
void collect(const ViewHandle& view, const view_path_info_t& info, const std::string& path,
             bool recurse, ShownElements& shown) {
  if (info.element != 0)
    shown[info.vob].emplace(info.element, path);
  if (!recurse || !info.is_dir || (info.element != 0 && info.version == 0))
    return;
  std::vector<view_path_info_t> entries;
  if (view.view().read_dir(info.file_path.c_str(), entries) != 0)
    return;
  for (const auto& e : entries)
    collect(view, e, path + "/" + e.vob_path.substr(e.vob_path.rfind('/') + 1), recurse, shown);
}

// One event with the path of its element.
struct HistoryLine {
  vob_hist_event_t event;
  std::string path;
};

const char* operation_of(int action) {
  switch (action) {
    case VOB_HIST_MKELEM:
      return "mkelem";
    case VOB_HIST_MKBRANCH:
      return "mkbranch";
    case VOB_HIST_CHECKOUT:
      return "checkout";
    case VOB_HIST_CHECKIN:
      return "checkin";
    case VOB_HIST_UNCHECKOUT:
      return "uncheckout";
    case VOB_HIST_LABEL:
      return "mklabel";
    case VOB_HIST_MERGE:
      return "merge";
    case VOB_HIST_ADDNAME:
      return "mkname";
    case VOB_HIST_RMNAME:
      return "rmname";
    case VOB_HIST_RENAME:
      return "rename";
    case VOB_HIST_MOVEOUT:
      return "moveout";
    case VOB_HIST_MOVEIN:
      return "movein";
    default:
      return "event";
  }
}

// The object an event is about: the element, a branch (branch events and
// checkouts) or a version, as an extended path.
std::string object_of(const HistoryLine& l) {
  const vob_hist_event_t& e = l.event;
  if (e.version != 0 && e.action != VOB_HIST_CHECKOUT)
    return l.path + "@@" + e.version_name;
  if (e.branch != 0)
    return l.path + "@@" + e.branch_path;
  return l.path;
}

// What an event adds to its object: the version a checkout or merge came
// from, the label, the name changed.
std::string detail_of(const vob_hist_event_t& e) {
  if (e.detail.empty())
    return "";
  if (e.action == VOB_HIST_CHECKOUT || e.action == VOB_HIST_MERGE)
    return "from " + e.detail;
  return e.detail;
}

// Activity names, each read once.
class ActivityNames {
 public:
  std::string name(vob_vob_h pvob, tbs_dbid_t activity) {
    if (pvob == nullptr || activity == 0)
      return "";
    auto key = std::make_pair(pvob, activity);
    auto found = names_.find(key);
    if (found != names_.end())
      return found->second;
    SUM_String read;
    std::string text = SUM_NamedObject(SUM_Vob(pvob), activity).name(read) == 0
                           ? static_cast<const char*>(read)
                           : "";
    names_[key] = text;
    return text;
  }

 private:
  std::map<std::pair<vob_vob_h, tbs_dbid_t>, std::string> names_;
};

// The events of every collected element, newest first.
bool read_history(const ShownElements& shown, long since, std::vector<HistoryLine>& lines) {
  for (const auto& [vob, elements] : shown) {
    std::vector<tbs_dbid_t> ids;
    for (const auto& [element, path] : elements)
      ids.push_back(element);
    std::vector<vob_hist_event_t> events;
    if (SUM_Element::history(SUM_Vob(vob), ids, since, events) != 0)
      return false;
    for (auto& e : events) {
      std::string path = elements.at(e.element);
      lines.push_back({std::move(e), std::move(path)});
    }
  }
  // Each VOB's events come newest first; merge the VOBs by time.
  std::stable_sort(lines.begin(), lines.end(), [](const HistoryLine& a, const HistoryLine& b) {
    return std::make_pair(a.event.time, a.event.usec) > std::make_pair(b.event.time, b.event.usec);
  });
  return true;
}

void print_text(const std::vector<HistoryLine>& lines, ActivityNames& activities) {
  for (const auto& l : lines) {
    const vob_hist_event_t& e = l.event;
    std::string text = date_fmt_token_date_time(e.time) + " " + e.user + " " +
                       operation_of(e.action) + " " + object_of(l);
    std::string detail = detail_of(e);
    if (!detail.empty())
      text += " " + detail;
    if (!e.comment.empty())
      text += " \"" + e.comment + "\"";
    std::string activity = activities.name(e.activity_pvob, e.activity);
    if (!activity.empty())
      text += " (activity: " + activity + ")";
    imsg_print_literal(IMSG_INFO, "%s\n", text.c_str());
  }
}

void print_json(const std::vector<HistoryLine>& lines, ActivityNames& activities) {
  JsonWriter json;
  json.begin_array();
  for (const auto& l : lines) {
    const vob_hist_event_t& e = l.event;
    json.begin_object()
        .key("time")
        .value(date_fmt_token_date_time(e.time))
        .key("user")
        .value(e.user)
        .key("operation")
        .value(operation_of(e.action))
        .key("element")
        .value(l.path)
        .key("object")
        .value(object_of(l))
        .key("detail")
        .value(detail_of(e))
        .key("comment")
        .value(e.comment)
        .key("activity")
        .value(activities.name(e.activity_pvob, e.activity))
        .end_object();
  }
  json.end_array();
  imsg_print_literal(IMSG_INFO, "%s", json.str().c_str());
}

int run_lshistory(const ParsedArgs& args) {
  long since = 0;
  if (args.has("since")) {
    std::string text = args.value("since");
    if (date_parse_token_date_time(text.c_str(), &since) != 0) {
      return usage_error(*find_command("lshistory"),
                         imsg_format(vantool_msg::NotDateGiveYYYY, text.c_str()).c_str());
    }
  }
  std::string path = args.operands().empty() ? "." : args.operands()[0];
  ViewHandle view;
  if (!find_view(args, path, view))
    return kExitFailure;
  view_path_info_t info;
  if (view.view().lookup(path.c_str(), info) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::NotVisibleView, path.c_str(), view.tag().c_str());
    return kExitFailure;
  }
  ShownElements shown;
  collect(view, info, path, args.has("recurse"), shown);
  std::vector<HistoryLine> lines;
  if (!read_history(shown, since, lines)) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableReadHistory, path.c_str());
    return kExitFailure;
  }
  ActivityNames activities;
  if (args.has("json"))
    print_json(lines, activities);
  else
    print_text(lines, activities);
  return kExitOk;
}

}  // namespace

void register_history_commands(std::vector<Command>& table) {
  Command lshistory;
  lshistory.name = "lshistory";
  lshistory.aliases = {"lshist"};
  lshistory.synopsis = "lshistory [-recurse] [-since DATE] [-json] [-view TAG] [PATH]";
  lshistory.summary =
      "Show who made, checked out, checked in, labeled, merged, renamed and removed what, "
      "when, with which comment and activity, newest first (-recurse: everything below PATH; "
      "-since YYYY-MM-DD[THH:MM:SS]).";
  lshistory.common = kViewOption;
  lshistory.options = {
      {"recurse", false, "", false}, {"since", true, "DATE", false}, {"json", false, "", false}};
  lshistory.max_operands = 1;
  lshistory.run = run_lshistory;
  table.push_back(lshistory);
}

}  // namespace vantool
