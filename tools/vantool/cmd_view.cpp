// vantool mkview, lsview, rmview, setcs, catcs and update: views, their
// config specs and the streams they are attached to.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "sum/sum_ids.h"
#include "sum/sum_stream.h"
#include "sum/sum_view.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_command.h"
#include "vantool_json.h"
#include "vantool_view.h"

namespace vantool {

namespace {

const char* kind_text(int kind) {
  return kind == VIEW_SNAPSHOT ? "snapshot" : "dynamic";
}

// "NAME@TAG" of the stream `view` is attached to; "" when none.
std::string stream_of(const SUM_View& view) {
  SUM_Stream stream;
  if (view.is_null() || view.stream(stream) != 0)
    return "";
  SUM_String name, tag;
  if (stream.name(name) != 0 || stream.vob().tag(tag) != 0)
    return "";
  return std::string(static_cast<const char*>(name)) + "@" + static_cast<const char*>(tag);
}

// Attaches the new view to `stream`; on failure removes the view again.
bool attach(const SUM_View& view, const std::string& tag, const SUM_Stream& stream,
            const std::string& comment) {
  SUM_Uuid uuid;
  if (view.uuid(uuid) == 0 && stream.add_view(uuid, comment.c_str()) == 0)
    return true;
  SUM_View::remove(tag.c_str(), 1);
  imsg_print(IMSG_ERROR, vantool_msg::UnableAttachViewRemoved, tag.c_str(), stream.any_fullname());
  return false;
}

int run_mkview(const ParsedArgs& args) {
  SUM_Stream stream;
  if (args.has("stream") &&
      SUM_Stream::construct_from_selector(args.value("stream").c_str(), SUM_Vob(), stream) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::NotAStream, args.value("stream").c_str());
    return kExitFailure;
  }
  view_create_args_t create;
  create.tag = args.value("tag");
  create.root = args.operands()[0];
  create.kind = args.has("snapshot") ? VIEW_SNAPSHOT : VIEW_DYNAMIC;
  create.attributes = args.value("attributes");
  if (args.has("vws"))
    create.storage_path = args.value("vws");
  SUM_View view;
  if (SUM_View::create(create, view) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableMakeView, create.tag.c_str());
    return kExitFailure;
  }
  std::string root;
  view.path(root);
  bool attached = stream.is_null() || attach(view, create.tag, stream, args.comment());
  std::string label = attached ? stream_of(view) : "";
  // A view of a stream shows the stream's configuration: its config spec is
  // the stream's.
  bool spec_set = stream.is_null() || !attached || view.update_config_spec() == 0;
  if (!attached)
    return kExitFailure;
  imsg_print(IMSG_INFO, vantool_msg::CreatedView, create.tag.c_str(), kind_text(create.kind),
             root.c_str());
  if (!label.empty())
    imsg_print(IMSG_INFO, vantool_msg::Attached, create.tag.c_str(), label.c_str());
  if (spec_set)
    return kExitOk;
  imsg_print(IMSG_ERROR, vantool_msg::AttachedWithoutSpec, create.tag.c_str(), label.c_str(),
             create.tag.c_str());
  return kExitFailure;
}

// "NAME@TAG" of the stream the view with tag `tag` is attached to.
std::string stream_of_tag(const std::string& tag) {
  SUM_View view;
  if (SUM_View::construct_from_tag(tag.c_str(), view) != 0)
    return "";
  return stream_of(view);
}

void write_json(JsonWriter& json, const view_entry_t& v) {
  json.begin_object()
      .key("tag")
      .value(v.tag)
      .key("uuid")
      .value(v.uuid)
      .key("kind")
      .value(kind_text(v.kind))
      .key("owner")
      .value(v.owner)
      .key("root")
      .value(v.root)
      .key("storage")
      .value(v.storage_path)
      .key("attributes")
      .value(v.attributes)
      .key("stream")
      .value(stream_of_tag(v.tag))
      .end_object();
}

void print_long(const view_entry_t& v) {
  std::string stream = stream_of_tag(v.tag);
  imsg_print_literal(IMSG_INFO,
                     "View \"%s\"\n  kind: %s\n  uuid: %s\n  owner: %s\n  root: %s\n"
                     "  storage: %s\n  attributes: %s\n  stream: %s\n",
                     v.tag.c_str(), kind_text(v.kind), v.uuid.c_str(), v.owner.c_str(),
                     v.root.c_str(), v.storage_path.c_str(),
                     v.attributes.empty() ? "(none)" : v.attributes.c_str(),
                     stream.empty() ? "(none)" : stream.c_str());
}

int run_lsview(const ParsedArgs& args) {
  std::vector<view_entry_t> views;
  if (SUM_View::list(views) != 0)
    return kExitFailure;
  if (!args.operands().empty()) {
    std::vector<view_entry_t> one;
    for (const auto& v : views)
      if (v.tag == args.operands()[0])
        one.push_back(v);
    if (one.empty()) {
      imsg_print(IMSG_ERROR, vantool_msg::ViewDoesNotExist, args.operands()[0].c_str());
      return kExitFailure;
    }
    views = one;
  }
  JsonWriter json;
  json.begin_array();
  for (const auto& v : views) {
    if (args.has("json"))
      write_json(json, v);
    else if (args.has("short"))
      imsg_print_literal(IMSG_INFO, "%s\n", v.tag.c_str());
    else if (args.has("long"))
      print_long(v);
    else
      imsg_print_literal(IMSG_INFO, "%-20s %-9s %s\n", v.tag.c_str(), kind_text(v.kind),
                         v.root.c_str());
  }
  json.end_array();
  if (args.has("json"))
    imsg_print_literal(IMSG_INFO, "%s", json.str().c_str());
  return kExitOk;
}

int run_rmview(const ParsedArgs& args) {
  std::string tag = args.value("tag");
  if (args.has("uuid")) {
    SUM_Uuid uuid;
    SUM_View view;
    SUM_String found;
    if (SUM_Uuid::construct_from_string(args.value("uuid").c_str(), uuid) != 0 ||
        SUM_View::construct_from_uuid(uuid, view) != 0 || view.fetch_tag(found) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::ViewDoesNotExist, args.value("uuid").c_str());
      return kExitFailure;
    }
    tag = static_cast<const char*>(found);
  } else if (tag.empty()) {
    return usage_error(*find_command("rmview"), "Give -tag TAG or -uuid UUID.\n");
  }
  if (SUM_View::remove(tag.c_str(), args.has("force") ? 1 : 0) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableRemoveView, tag.c_str());
    return kExitFailure;
  }
  imsg_print(IMSG_INFO, vantool_msg::RemovedView, tag.c_str());
  return kExitOk;
}

// setcs -stream: the view takes its stream's config spec, its custom
// areas kept.
int set_stream_spec(const ParsedArgs& args) {
  ViewHandle view;
  if (!open_view(args, "", view))
    return kExitFailure;
  const SUM_View& handle = view.view();
  SUM_Stream stream;
  if (handle.stream(stream) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::NoStreamSpec, view.tag().c_str());
    return kExitFailure;
  }
  if (handle.update_config_spec() != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableSetSpec, view.tag().c_str());
    return kExitFailure;
  }
  imsg_print(IMSG_INFO, vantool_msg::SpecFromStream, view.tag().c_str(),
             stream_of(view.view()).c_str());
  return kExitOk;
}

int run_setcs(const ParsedArgs& args) {
  if (args.has("stream") == !args.operands().empty()) {
    return usage_error(*find_command("setcs"), imsg_format(vantool_msg::FileOrStream).c_str());
  }
  if (args.has("stream"))
    return set_stream_spec(args);
  const std::string& file = args.operands()[0];
  std::ifstream in(file);
  if (!in) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableReadConfigSpec, file.c_str(), std::strerror(errno));
    return kExitFailure;
  }
  std::stringstream text;
  text << in.rdbuf();
  ViewHandle view;
  if (!open_view(args, "", view))
    return kExitFailure;
  if (view.view().load_config_spec(text.str().c_str()) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableSetSpec, view.tag().c_str());
    return kExitFailure;
  }
  imsg_print(IMSG_INFO, vantool_msg::SetConfigSpecView, view.tag().c_str());
  return kExitOk;
}

int run_catcs(const ParsedArgs& args) {
  ViewHandle view;
  if (!open_view(args, "", view))
    return kExitFailure;
  SUM_String text;
  if (view.view().config_spec(text) != 0)
    return kExitFailure;
  imsg_print_literal(IMSG_INFO, "%s", static_cast<const char*>(text));
  return kExitOk;
}

int run_update(const ParsedArgs& args) {
  ViewHandle view;
  std::string path = args.operands().empty() ? std::string() : args.operands()[0];
  if (!open_view(args, path, view))
    return kExitFailure;
  // A snapshot view of a stream whose configuration changed takes the
  // stream's new config spec first, with the user's consent when asked on a
  // terminal.
  int snapshot = 0;
  int zem_view = 0;
  int allowed = 1;
  if (view.view().is_snapshot(snapshot) == 0 && snapshot &&
      sum_view_snapshot_update_allowed(view.get(), path.empty() ? 1 : 0,
                                       isatty(STDIN_FILENO) ? 1 : 0, &zem_view, &allowed) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableUpdateView, view.tag().c_str());
    return kExitFailure;
  }
  if (!allowed) {
    imsg_print(IMSG_ERROR, vantool_msg::UpdateDeclined, view.tag().c_str());
    return kExitFailure;
  }
  int changed = 0;
  if (view.view().update(changed) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableUpdateView, view.tag().c_str());
    return kExitFailure;
  }
  imsg_print(IMSG_INFO, vantool_msg::UpdatedViewFilesWritten, view.tag().c_str(), changed);
  return kExitOk;
}

}  // namespace

void register_view_commands(std::vector<Command>& table) {
  Command mk;
  mk.name = "mkview";
  mk.synopsis =
      "mkview -tag TAG [-stream STREAM] [-snapshot|-dynamic] [-attributes TEXT] [-vws STORAGE] "
      "[-c TEXT|-nc] PATH";
  mk.summary =
      "Make a view whose root is PATH (dynamic unless -snapshot), attached to STREAM when given.";
  mk.common = kCommentOptions;
  mk.options = {{"tag", true, "TAG", false},         {"stream", true, "STREAM", false},
                {"snapshot", false, "", false},      {"dynamic", false, "", false},
                {"attributes", true, "TEXT", false}, {"vws", true, "STORAGE", false}};
  mk.exclusive = {{"snapshot", "dynamic"}};
  mk.required = {"tag"};
  mk.min_operands = 1;
  mk.max_operands = 1;
  mk.operand_name = "the view root PATH";
  mk.run = run_mkview;
  table.push_back(mk);

  Command ls;
  ls.name = "lsview";
  ls.synopsis = "lsview [-short|-long] [-json] [TAG]";
  ls.summary = "List the views, or one view.";
  ls.common = kListingOptions;
  ls.max_operands = 1;
  ls.run = run_lsview;
  table.push_back(ls);

  Command rm;
  rm.name = "rmview";
  rm.synopsis = "rmview -tag TAG | -uuid UUID [-force]";
  rm.summary = "Remove a view: its tag, storage and root (-force also cancels its checkouts).";
  rm.options = {
      {"tag", true, "TAG", false}, {"uuid", true, "UUID", false}, {"force", false, "", false}};
  rm.exclusive = {{"tag", "uuid"}};
  rm.run = run_rmview;
  table.push_back(rm);

  Command setcs;
  setcs.name = "setcs";
  setcs.synopsis = "setcs [-view TAG] FILE | setcs -stream [-view TAG]";
  setcs.summary =
      "Set the config spec of a view from a file, or (-stream) from the stream it is attached to.";
  setcs.common = kViewOption;
  setcs.options = {{"stream", false, "", false}};
  setcs.max_operands = 1;
  setcs.operand_name = "a config spec FILE";
  setcs.run = run_setcs;
  table.push_back(setcs);

  Command catcs;
  catcs.name = "catcs";
  catcs.synopsis = "catcs [-view TAG]";
  catcs.summary = "Show the config spec of a view.";
  catcs.common = kViewOption;
  catcs.run = run_catcs;
  table.push_back(catcs);

  Command update;
  update.name = "update";
  update.synopsis = "update [-view TAG] [PATH]";
  update.summary = "Bring a view up to date with its config spec.";
  update.common = kViewOption;
  update.max_operands = 1;
  update.run = run_update;
  table.push_back(update);
}

}  // namespace vantool
