#include "support/project_builder.h"

#include <algorithm>

#include "support/vantool_runner.h"

namespace test_support {

namespace {

// Runs the steps of one build as one user, remembering the first failure.
class Steps {
 public:
  explicit Steps(const Env& user) : user_(user) {}

  // `vantool ARGS`, which must succeed; false (and a test failure) when it
  // does not, or when an earlier step failed.
  bool run(const std::vector<std::string>& args) {
    if (failed_)
      return false;
    ProcessResult r = vantool(args, user_);
    if (r.exit_code == 0)
      return true;
    std::string command;
    for (const auto& a : args)
      command += (command.empty() ? "" : " ") + a;
    ADD_FAILURE() << "building the project: \"vantool " << command << "\" exited with "
                  << r.exit_code << ": " << r.err;
    failed_ = true;
    return false;
  }

 private:
  const Env& user_;
  bool failed_ = false;
};

std::vector<std::string> with_comment(std::vector<std::string> args, const std::string& comment,
                                      const std::string& operand) {
  if (comment.empty()) {
    args.push_back("-nc");
  } else {
    args.push_back("-c");
    args.push_back(comment);
  }
  if (!operand.empty())
    args.push_back(operand);
  return args;
}

// The directories above `path` ("a/b/c.txt": "a", "a/b").
std::vector<std::string> parents_of(const std::string& path) {
  std::vector<std::string> out;
  for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
    out.push_back(path.substr(0, slash));
  return out;
}

// Makes `spec.files` under the first source VOB in the plain view: every
// new directory and file in one checkout of the VOB's root.
bool make_files(Steps& steps, const std::string& root, const ProjectSpec& spec,
                std::vector<std::string>& made) {
  std::vector<std::string> dirs;
  for (const auto& [path, content] : spec.files)
    for (const auto& dir : parents_of(path))
      if (std::find(dirs.begin(), dirs.end(), dir) == dirs.end())
        dirs.push_back(dir);
  if (!steps.run({"co", "-nc", root}))
    return false;
  for (const auto& dir : dirs) {
    if (!steps.run({"mkdir", "-nc", root + "/" + dir}))
      return false;
    made.push_back(root + "/" + dir);
  }
  std::vector<std::string> mkelem = {"mkelem", "-ci", "-nc"};
  for (const auto& [path, content] : spec.files) {
    write_file(root + "/" + path, content);
    mkelem.push_back(root + "/" + path);
  }
  std::vector<std::string> checkin = {"ci", "-nc"};
  for (auto dir = dirs.rbegin(); dir != dirs.rend(); ++dir)
    checkin.push_back(root + "/" + *dir);
  checkin.push_back(root);
  for (size_t i = 3; i < mkelem.size(); ++i)
    made.push_back(mkelem[i]);
  return steps.run(mkelem) && steps.run(checkin);
}

}  // namespace

ProjectSpec standard_project() {
  ProjectSpec spec;
  spec.plain_views = {"plain"};
  spec.component = "src";
  spec.project = "proj";
  spec.integration_stream = "int";
  spec.development_stream = "dev";
  spec.development_view = "dev";
  spec.activity = "work";
  return spec;
}

ProjectSpec source_vob_with_views(const std::vector<std::string>& tags) {
  ProjectSpec spec;
  spec.pvob.clear();
  spec.administered = false;
  spec.plain_views = tags;
  return spec;
}

std::string view_root(const TempHome& home, const std::string& tag) {
  return home.path() + "/" + tag;
}

bool build_project(const TempHome& home, const ProjectSpec& spec) {
  Steps steps(spec.user);
  const std::string at = "@" + spec.pvob;
  if (!spec.pvob.empty()) {
    std::vector<std::string> mkvob = {"mkvob", "-tag", spec.pvob, "-pvob"};
    if (!spec.pvob_level.empty())
      mkvob.insert(mkvob.end(), {"-fl", spec.pvob_level});
    if (!steps.run(with_comment(mkvob, spec.pvob_comment, "")))
      return false;
  }
  for (const auto& tag : spec.other_pvobs)
    if (!steps.run({"mkvob", "-tag", tag, "-pvob", "-nc"}))
      return false;
  for (const auto& tag : spec.vobs) {
    std::vector<std::string> mkvob = {"mkvob", "-tag", tag};
    if (spec.administered)
      mkvob.insert(mkvob.end(), {"-admin", spec.pvob});
    mkvob.push_back("-nc");
    if (!steps.run(mkvob))
      return false;
  }

  for (const auto& tag : spec.plain_views)
    if (!steps.run({"mkview", "-tag", tag, view_root(home, tag)}))
      return false;
  const std::string source_root = spec.vobs.empty() || spec.plain_views.empty()
                                      ? ""
                                      : view_root(home, spec.plain_views[0]) + spec.vobs[0];
  std::vector<std::string> labeled = {source_root};
  if (!spec.files.empty() && !make_files(steps, source_root, spec, labeled))
    return false;

  if (!spec.component.empty() &&
      !steps.run({"mkcomp", "-root", source_root, "-nc", spec.component + at}))
    return false;
  for (const auto& name : spec.rootless_components)
    if (!steps.run({"mkcomp", "-nroot", "-nc", name + at}))
      return false;
  std::string foundation = spec.component + "_INITIAL" + at;
  if (!spec.import_label.empty()) {
    std::vector<std::string> mklabel = {"mklabel", "-nc", spec.import_label};
    mklabel.insert(mklabel.end(), labeled.begin(), labeled.end());
    if (!steps.run({"mklbtype", "-nc", spec.import_label + "@" + spec.vobs[0]}) ||
        !steps.run(mklabel) ||
        !steps.run(
            {"mkbl", "-import", spec.import_label, "-component", spec.component + at, "-nc"}))
      return false;
    foundation = spec.import_label + "_" + spec.component + "_IMPORT" + at;
  }

  for (const auto& name : spec.folders)
    if (!steps.run({"mkfolder", "-in", "RootFolder" + at, "-nc", name + at}))
      return false;
  if (!spec.project.empty()) {
    std::vector<std::string> mkproject = {"mkproject", "-in", spec.project_folder + at};
    if (!spec.component.empty())
      mkproject.insert(mkproject.end(), {"-modcomp", spec.component + at});
    if (!steps.run(with_comment(mkproject, "", spec.project + at)))
      return false;
  }
  if (!spec.integration_stream.empty()) {
    std::vector<std::string> mkstream = {"mkstream", "-in", spec.project + at, "-integration"};
    if (!spec.component.empty())
      mkstream.insert(mkstream.end(), {"-baseline", foundation});
    if (!steps.run(with_comment(mkstream, "", spec.integration_stream + at)))
      return false;
  }
  if (!spec.development_stream.empty() &&
      !steps.run({"mkstream", "-in", spec.project + at, "-nc", spec.development_stream + at}))
    return false;
  if (!spec.development_view.empty() &&
      !steps.run({"mkview", "-stream", spec.development_stream + at, "-tag", spec.development_view,
                  view_root(home, spec.development_view)}))
    return false;
  if (!spec.activity.empty()) {
    std::vector<std::string> mkact = {"mkact", "-view", spec.development_view};
    if (!spec.activity_headline.empty())
      mkact.insert(mkact.end(), {"-headline", spec.activity_headline});
    if (!steps.run(with_comment(mkact, "", spec.activity)))
      return false;
  }
  return true;
}

}  // namespace test_support
