// vantool mkcomp, lscomp and rmcomp: the components of a PVOB.
#include <string>
#include <vector>

#include "services/imsg.h"
#include "sum/sum_baseline.h"
#include "sum/sum_component.h"
#include "sum/sum_vob.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_command.h"
#include "vantool_json.h"
#include "vantool_open.h"
#include "vantool_text.h"
#include "vantool_view.h"

namespace vantool {

namespace {

int run_mkcomp(const ParsedArgs& args) {
  if (args.has("root") == args.has("nroot")) {
    return usage_error(*find_command("mkcomp"), imsg_format(vantool_msg::GiveOneRootNroot).c_str());
  }
  const std::string& operand = args.operands()[0];
  vob_objsel_t parsed;
  SUM_Vob pvob;
  int exit = kExitOk;
  if (!new_object_operand("mkcomp", operand, "component", vantool_msg::NotAComponent, parsed, pvob,
                          exit))
    return exit;
  std::string comment = args.comment();
  std::string label = parsed.name + "@" + parsed.vob;
  SUM_Component made;
  int status = 0;
  if (args.has("nroot")) {
    status = SUM_Component::create(pvob, parsed.name.c_str(), SUM_VobObject(), nullptr, nullptr,
                                   comment.c_str(), made);
  } else {
    std::string dir = args.value("root");
    ViewHandle view;
    if (!open_view(args, dir, view))
      return kExitFailure;
    // An existing directory roots the component; a new name makes one.
    view_path_info_t info;
    SUM_VobObject element;
    SUM_Vob vob;
    if (view.view().lookup(dir.c_str(), info) == 0 && info.element != 0 &&
        SUM_Vob::construct_from_handle(info.vob, vob) == 0)
      element = SUM_VobObject(vob, info.element);
    status = SUM_Component::create(pvob, parsed.name.c_str(), element,
                                   element.is_null() ? dir.c_str() : nullptr, view.get(),
                                   comment.c_str(), made);
  }
  if (status != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableCreateComponent, label.c_str());
    return kExitFailure;
  }
  imsg_print(IMSG_INFO, vantool_msg::CreatedComponent, label_of(made).c_str());
  return kExitOk;
}

void print_component(const SUM_Component& component, const ParsedArgs& args, JsonWriter& json) {
  std::string label = label_of(component);
  int has = 0;
  component.has_crde(has);
  std::string kind = "rootless";
  std::string root;
  if (has) {
    int sub = 0, invalid = 0;
    component.is_subvob(sub, invalid);
    SUM_String path;
    if (invalid)
      kind = "invalid";
    else if (component.crde_path(path) == 0)
      root = text_of(path);
    if (!invalid)
      kind = sub ? "sub-VOB" : "VOB-level";
  }
  // The initial baseline's name; "" when it cannot be read (the reason was
  // printed).
  std::string initial;
  SUM_Baseline baseline;
  SUM_String baseline_name;
  if (component.initial_baseline(baseline) == 0 && baseline.name(baseline_name) == 0)
    initial = text_of(baseline_name);
  if (args.has("json")) {
    json.begin_object().key("name").value(label).key("kind").value(kind);
    json.key("root").value(root).key("initial_baseline").value(initial).end_object();
  } else if (args.has("short")) {
    imsg_print_literal(IMSG_INFO, "%s\n", label.c_str());
  } else if (args.has("long")) {
    imsg_print_literal(IMSG_INFO,
                       "component \"%s\"\n  kind: %s\n  root directory: %s\n"
                       "  initial baseline: %s\n",
                       label.c_str(), kind.c_str(), root.empty() ? "(none)" : root.c_str(),
                       initial.empty() ? "(none)" : initial.c_str());
  } else {
    imsg_print_literal(IMSG_INFO, "%-32s %s\n", label.c_str(),
                       root.empty() ? "(no root directory)" : root.c_str());
  }
}

int run_lscomp(const ParsedArgs& args) {
  JsonWriter json;
  json.begin_array();
  bool ok = true;
  if (!args.operands().empty()) {
    SUM_Component component;
    if (!open_component(args.operands()[0], component))
      return kExitFailure;
    print_component(component, args, json);
  } else {
    std::vector<RegisteredPvob> pvobs;
    if (!registered_pvobs(pvobs))
      return kExitFailure;
    for (const auto& e : pvobs) {
      SUM_Component::Iter it(e.vob);
      for (it.first(); !it.is_done(); it.next()) {
        SUM_Component item;
        it.current_item(item);
        print_component(item, args, json);
      }
      if (it.status() != 0) {
        imsg_print(IMSG_ERROR, vantool_msg::UnableListComponents, e.tag.c_str());
        ok = false;
      }
    }
  }
  json.end_array();
  if (args.has("json"))
    imsg_print_literal(IMSG_INFO, "%s", json.str().c_str());
  return ok ? kExitOk : kExitFailure;
}

int run_rmcomp(const ParsedArgs& args) {
  int result = kExitOk;
  std::string comment = args.comment();
  for (const auto& operand : args.operands()) {
    SUM_Component component;
    if (!open_component(operand, component)) {
      result = kExitFailure;
      continue;
    }
    if (remove_reported(component, comment, vantool_msg::RemovedComponent,
                        vantool_msg::UnableRemoveComponent) != kExitOk)
      result = kExitFailure;
  }
  return result;
}

}  // namespace

void register_comp_commands(std::vector<Command>& table) {
  Command mk;
  mk.name = "mkcomp";
  mk.synopsis = "mkcomp -root DIR|-nroot [-c TEXT|-nc] NAME@PVOB";
  mk.summary = "Make a component rooted at a directory of a view, or without a root.";
  mk.common = kCommentOptions | kViewOption;
  mk.options = {{"root", true, "DIR", false}, {"nroot", false, "", false}};
  mk.exclusive = {{"root", "nroot"}};
  mk.min_operands = 1;
  mk.max_operands = 1;
  mk.operand_name = "a component name (NAME@PVOB)";
  mk.run = run_mkcomp;
  table.push_back(mk);

  Command ls;
  ls.name = "lscomp";
  ls.synopsis = "lscomp [-short|-long] [-json] [COMPONENT@PVOB]";
  ls.summary =
      "List a component, or every component of every PVOB; -long and -json add its kind, root "
      "directory and initial baseline.";
  ls.common = kListingOptions;
  ls.max_operands = 1;
  ls.run = run_lscomp;
  table.push_back(ls);

  Command rm;
  rm.name = "rmcomp";
  rm.synopsis = "rmcomp [-c TEXT|-nc] COMPONENT@PVOB...";
  rm.summary =
      "Remove components that have only their initial baseline, unused; a sub-VOB root directory "
      "is uncatalogued from its VOB root, and projects listing a component as modifiable drop it.";
  rm.common = kCommentOptions;
  rm.min_operands = 1;
  rm.max_operands = kUnlimited;
  rm.operand_name = "a component (COMPONENT@PVOB)";
  rm.run = run_rmcomp;
  table.push_back(rm);
}

}  // namespace vantool
