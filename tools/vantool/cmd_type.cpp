// vantool mkbrtype, mklbtype, mklabel and lstype: branch and label types,
// labels, and listing the types of a VOB.
#include <ctime>

#include "services/rgy.h"
#include "services/vob.h"
#include "services/vob_elem.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_command.h"
#include "vantool_json.h"
#include "vantool_open.h"
#include "vantool_text.h"
#include "vantool_view.h"

namespace vantool {

namespace {

// Splits "[kind:]NAME@VOB" into the name and the VOB, printing why not.
bool type_selector(const std::string& text, const char* kind, std::string& name, vob_vob_h& vob) {
  vob_objsel_t parsed;
  if (vob_utl_parse_objsel(text.c_str(), &parsed) != 0 || parsed.vob.empty() ||
      (!parsed.kind.empty() && parsed.kind != kind)) {
    imsg_print(IMSG_ERROR, &vantool_catalog, 22, text.c_str(),
               (std::string("not of the form ") + kind + ":NAME@VOB-TAG").c_str());
    return false;
  }
  if (vob_resolve_vob(parsed.vob.c_str(), &vob) != 0) {
    imsg_print(IMSG_ERROR, &vantool_catalog, 19, parsed.vob.c_str());
    return false;
  }
  name = parsed.name;
  return true;
}

template <int (*Create)(vob_vob_h, const char*, const vob_event_info_t*, tbs_dbid_t*)>
int make_types(const ParsedArgs& args, const char* kind, int created_message) {
  std::string comment = args.comment();
  vob_event_info_t event;
  event.comment = comment.c_str();
  int result = kExitOk;
  for (const auto& text : args.operands()) {
    std::string name;
    vob_vob_h vob = nullptr;
    tbs_dbid_t dbid = 0;
    if (!type_selector(text, kind, name, vob)) {
      result = kExitFailure;
      continue;
    }
    if (Create(vob, name.c_str(), &event, &dbid) != 0) {
      imsg_print(IMSG_ERROR, &vantool_catalog, 65, text.c_str());
      result = kExitFailure;
      continue;
    }
    std::string shown = name + "@" + text.substr(text.find('@') + 1);
    imsg_print(IMSG_INFO, &vantool_catalog, created_message, shown.c_str());
  }
  return result;
}

int run_mkbrtype(const ParsedArgs& args) {
  return make_types<vob_brtype_create>(args, "brtype", 63);
}
int run_mklbtype(const ParsedArgs& args) {
  return make_types<vob_lbtype_create>(args, "lbtype", 64);
}

int run_mklabel(const ParsedArgs& args) {
  const std::string& label = args.operands()[0];
  ViewHandle view;
  if (!open_view(args, args.operands()[1], view))
    return kExitFailure;
  std::string comment = args.comment();
  vob_event_info_t event;
  event.comment = comment.c_str();
  int result = kExitOk;
  for (size_t i = 1; i < args.operands().size(); ++i) {
    const std::string& text = args.operands()[i];
    view_path_info_t info;
    tbs_dbid_t version = 0;
    if (!resolve_version(view, text, info, version)) {
      result = kExitFailure;
      continue;
    }
    tbs_dbid_t lbtype = 0;
    if (vob_obj_resolve(info.vob, label.c_str(), VOB_MTYPE_LABEL_TYPE, &lbtype) != 0) {
      char tag[256];
      vob_ob_get_tag(info.vob, tag, sizeof tag);
      imsg_print(IMSG_ERROR, &vantool_catalog, 66, label.c_str(), tag);
      result = kExitFailure;
      continue;
    }
    if (vob_ver_add_labels(info.vob, lbtype, {version}, &event) != 0) {
      imsg_print(IMSG_ERROR, &vantool_catalog, 68, text.c_str());
      result = kExitFailure;
      continue;
    }
    std::string path;
    std::string ignored;
    split_extended_path(text, path, ignored);
    imsg_print(IMSG_INFO, &vantool_catalog, 67, label.c_str(), path.c_str(),
               version_name(info.vob, version).c_str());
  }
  return result;
}

int run_lstype(const ParsedArgs& args) {
  std::string kind = args.value("kind");
  vob_objsel_kind_t sel = 0;
  std::vector<vob_mtype_t> mtypes;
  if (vob_utl_str_to_objsel_kind(kind.c_str(), &sel) == 0)
    mtypes = vob_utl_objsel_kind_mtypes(sel);
  if (mtypes.empty() || !vob_mtype_is_type(mtypes[0])) {
    imsg_print(IMSG_ERROR, &vantool_catalog, 69, kind.c_str());
    return kExitUsage;
  }
  std::vector<std::string> tags;
  if (!args.operands().empty()) {
    tags.push_back(args.operands()[0]);
  } else {
    std::vector<rgy_vob_entry> entries;
    registered_vobs(entries);  // an unreadable registry lists no VOBs
    for (const auto& e : entries)
      tags.push_back(e.tag);
  }
  JsonWriter json;
  json.begin_array();
  for (const auto& tag : tags) {
    vob_vob_h vob = nullptr;
    std::vector<tbs_dbid_t> types;
    if (vob_resolve_vob(tag.c_str(), &vob) != 0) {
      imsg_print(IMSG_ERROR, &vantool_catalog, 19, tag.c_str());
      return kExitFailure;
    }
    if (cmd_utl_get_types(vob, mtypes[0], types) != 0)
      return kExitFailure;
    for (tbs_dbid_t t : types) {
      char name[256] = "";
      vob_obj_get_name(vob, t, name, sizeof name);
      vob_fstat_t fstat;
      vob_obj_get_fstat_db(vob, t, &fstat);
      vob_event_t created;
      std::string comment;
      if (vob_event_get_latest(vob, t, VOB_EVENT_CREATE, &created) == 0)
        comment = created.comment;
      if (args.has("json"))
        json.begin_object()
            .key("name")
            .value(std::string(name))
            .key("vob")
            .value(tag)
            .key("kind")
            .value(kind)
            .key("owner")
            .value(fstat.owner)
            .key("created")
            .value(time_text(fstat.created))
            .key("comment")
            .value(comment)
            .end_object();
      else if (args.has("short"))
        imsg_print_literal(IMSG_INFO, "%s@%s\n", name, tag.c_str());
      else
        imsg_print_literal(IMSG_INFO, "%s  %s \"%s@%s\"  %s%s%s\n",
                           time_text(fstat.created).c_str(), kind.c_str(), name, tag.c_str(),
                           fstat.owner.c_str(), comment.empty() ? "" : "\n  ", comment.c_str());
    }
  }
  json.end_array();
  if (args.has("json"))
    imsg_print_literal(IMSG_INFO, "%s", json.str().c_str());
  return kExitOk;
}

}  // namespace

void register_type_commands(std::vector<Command>& table) {
  Command mkbrtype;
  mkbrtype.name = "mkbrtype";
  mkbrtype.synopsis = "mkbrtype [-c TEXT|-nc] NAME@VOB...";
  mkbrtype.summary = "Make branch types (global in the admin VOB, with a local copy).";
  mkbrtype.common = kCommentOptions;
  mkbrtype.min_operands = 1;
  mkbrtype.max_operands = kUnlimited;
  mkbrtype.operand_name = "NAME@VOB";
  mkbrtype.run = run_mkbrtype;
  table.push_back(mkbrtype);

  Command mklbtype = mkbrtype;
  mklbtype.name = "mklbtype";
  mklbtype.synopsis = "mklbtype [-c TEXT|-nc] NAME@VOB...";
  mklbtype.summary = "Make label types.";
  mklbtype.run = run_mklbtype;
  table.push_back(mklbtype);

  Command mklabel;
  mklabel.name = "mklabel";
  mklabel.synopsis = "mklabel [-view TAG] [-c TEXT|-nc] LABEL PATH[@@VERSION]...";
  mklabel.summary = "Label versions (the selected one, or the one named after @@).";
  mklabel.common = kCommentOptions | kViewOption;
  mklabel.min_operands = 2;
  mklabel.max_operands = kUnlimited;
  mklabel.operand_name = "a LABEL and a PATH";
  mklabel.run = run_mklabel;
  table.push_back(mklabel);

  Command lstype;
  lstype.name = "lstype";
  lstype.synopsis =
      "lstype -kind brtype|lbtype|attype|hltype|trtype|eltype [-short|-long] [-json] [VOB]";
  lstype.summary = "List the types of one kind in a VOB, or in every VOB.";
  lstype.common = kListingOptions;
  lstype.options = {{"kind", true, "KIND", false}};
  lstype.required = {"kind"};
  lstype.max_operands = 1;
  lstype.run = run_lstype;
  table.push_back(lstype);
}

}  // namespace vantool
