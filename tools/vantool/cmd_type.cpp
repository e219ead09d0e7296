// vantool mkbrtype, mklbtype, mklabel and lstype: branch and label types,
// labels, and listing the types of a VOB.
#include <ctime>

#include "sum/sum_utl_names.h"
#include "sum/sum_version.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_command.h"
#include "vantool_json.h"
#include "vantool_open.h"
#include "vantool_text.h"
#include "vantool_view.h"

namespace vantool {

namespace {

// Splits "[kind:]NAME@VOB" into the name and the VOB, printing why not.
bool type_selector(const std::string& text, const char* kind, std::string& name, SUM_Vob& vob) {
  vob_objsel_t parsed;
  if (sum_utl_parse_selector(text.c_str(), parsed) != 0 || parsed.vob.empty() ||
      (!parsed.kind.empty() && parsed.kind != kind)) {
    imsg_print(IMSG_ERROR, vantool_msg::CannotResolve, text.c_str(),
               (std::string("not of the form ") + kind + ":NAME@VOB-TAG").c_str());
    return false;
  }
  if (SUM_Vob::construct_from_pname_or_tag(parsed.vob.c_str(), 0, vob) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::NoSuchVob, parsed.vob.c_str());
    return false;
  }
  name = parsed.name;
  return true;
}

// Makes the types the operands name with `Type::create` (SUM_BranchType,
// SUM_LabelType), reporting each with `created_message`.
template <typename Type>
int make_types(const ParsedArgs& args, const char* kind,
               imsg_checked_id<const char*> created_message) {
  std::string comment = args.comment();
  int result = kExitOk;
  for (const auto& text : args.operands()) {
    std::string name;
    SUM_Vob vob;
    Type made;
    if (!type_selector(text, kind, name, vob)) {
      result = kExitFailure;
      continue;
    }
    if (Type::create(vob, name.c_str(), comment.c_str(), made) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableCreateType, text.c_str());
      result = kExitFailure;
      continue;
    }
    std::string shown = name + "@" + text.substr(text.find('@') + 1);
    imsg_print(IMSG_INFO, created_message, shown.c_str());
  }
  return result;
}

int run_mkbrtype(const ParsedArgs& args) {
  return make_types<SUM_BranchType>(args, "brtype", vantool_msg::CreatedBranchType);
}
int run_mklbtype(const ParsedArgs& args) {
  return make_types<SUM_LabelType>(args, "lbtype", vantool_msg::CreatedLabelType);
}

int run_mklabel(const ParsedArgs& args) {
  const std::string& label = args.operands()[0];
  ViewHandle view;
  if (!open_view(args, args.operands()[1], view))
    return kExitFailure;
  std::string comment = args.comment();
  int result = kExitOk;
  for (size_t i = 1; i < args.operands().size(); ++i) {
    const std::string& text = args.operands()[i];
    view_path_info_t info;
    tbs_dbid_t version = 0;
    if (!resolve_version(view, text, info, version)) {
      result = kExitFailure;
      continue;
    }
    SUM_Vob vob(info.vob);
    SUM_VobObject lbtype;
    if (SUM_VobObject::construct_from_name(vob, label.c_str(), VOB_MTYPE_LABEL_TYPE, lbtype) != 0) {
      SUM_String tag;
      vob.tag(tag);
      imsg_print(IMSG_ERROR, vantool_msg::LabelTypeDoesNot, label.c_str(), tag);
      result = kExitFailure;
      continue;
    }
    SUM_VersionList versions;
    versions.append(SUM_Version(vob, version));
    if (SUM_LabelType(vob, lbtype.dbid()).apply_to_versions(versions, nullptr, comment.c_str()) !=
        0) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableLabel, text.c_str());
      result = kExitFailure;
      continue;
    }
    std::string path;
    std::string ignored;
    split_extended_path(text, path, ignored);
    imsg_print(IMSG_INFO, vantool_msg::CreatedLabelVersion, label.c_str(), path.c_str(),
               version_name(info.vob, version).c_str());
  }
  return result;
}

int run_lstype(const ParsedArgs& args) {
  std::string kind = args.value("kind");
  vob_mtype_t mtype = 0;
  if (sum_utl_type_kind_mtype(kind.c_str(), mtype) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnknownTypeKind, kind.c_str());
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
    SUM_Vob vob;
    std::vector<tbs_dbid_t> types;
    if (SUM_Vob::construct_from_pname_or_tag(tag.c_str(), 0, vob) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::NoSuchVob, tag.c_str());
      return kExitFailure;
    }
    if (vob.types(mtype, types) != 0)
      return kExitFailure;
    for (tbs_dbid_t t : types) {
      SUM_NamedObject type(vob, t);
      char name[256] = "";
      type.name(name);
      vob_fstat_t fstat;
      type.fstat(fstat);
      vob_event_t created;
      std::string comment;
      if (type.latest_event(VOB_EVENT_CREATE, created) == 0)
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
