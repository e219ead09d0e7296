// vantool rmname and mv: removing and renaming names in checked-out
// directories through a view. The elements and their history stay.
#include <string>
#include <vector>

#include "services/imsg.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_command.h"
#include "vantool_view.h"

namespace vantool {

namespace {

int run_rmname(const ParsedArgs& args) {
  const auto& paths = args.operands();
  ViewHandle view;
  if (!open_view(args, paths[0], view))
    return kExitFailure;
  std::string comment = args.comment();
  int result = kExitOk;
  for (const auto& path : paths) {
    if (view.view().remove_name(path.c_str(), comment.c_str()) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableRemoveName, path.c_str());
      result = kExitFailure;
      continue;
    }
    imsg_print(IMSG_INFO, vantool_msg::RemovedName, path.c_str());
  }
  return result;
}

int run_mv(const ParsedArgs& args) {
  const std::string& source = args.operands()[0];
  const std::string& target = args.operands()[1];
  ViewHandle view;
  if (!open_view(args, source, view))
    return kExitFailure;
  std::string comment = args.comment();
  if (view.view().rename(source.c_str(), target.c_str(), comment.c_str()) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableMoveName, source.c_str(), target.c_str());
    return kExitFailure;
  }
  imsg_print(IMSG_INFO, vantool_msg::MovedName, source.c_str(), target.c_str());
  return kExitOk;
}

}  // namespace

void register_name_commands(std::vector<Command>& table) {
  Command rmname;
  rmname.name = "rmname";
  rmname.synopsis = "rmname [-c TEXT|-nc] [-view TAG] PATH...";
  rmname.summary =
      "Remove names from checked-out directories (the elements and their history stay).";
  rmname.common = kCommentOptions | kViewOption;
  rmname.min_operands = 1;
  rmname.max_operands = kUnlimited;
  rmname.operand_name = "a PATH";
  rmname.run = run_rmname;
  table.push_back(rmname);

  Command mv;
  mv.name = "mv";
  mv.aliases = {"move"};
  mv.synopsis = "mv [-c TEXT|-nc] [-view TAG] SOURCE TARGET";
  mv.summary =
      "Rename an element, or move it into another checked-out directory of its VOB "
      "(TARGET: a new path, or a directory that takes it under its own name).";
  mv.common = kCommentOptions | kViewOption;
  mv.min_operands = 2;
  mv.max_operands = 2;
  mv.operand_name = "a SOURCE and a TARGET";
  mv.run = run_mv;
  table.push_back(mv);
}

}  // namespace vantool
