// The starting point of a vantool scenario test, made in one call: VOBs, a
// plain view with files, a component, folders, a project with its
// integration and development streams, a development view and its
// activity. Everything is made through vantool, as a user would.
//
//   ProjectSpec spec;
//   spec.component = "src";
//   spec.project = "proj";
//   spec.integration_stream = "int";
//   spec.development_stream = "dev";
//   spec.development_view = "dev";
//   ASSERT_TRUE(build_project(home, spec));
#ifndef TESTS_SUPPORT_PROJECT_BUILDER_H
#define TESTS_SUPPORT_PROJECT_BUILDER_H

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/sandbox.h"

namespace test_support {

// What build_project makes; an empty name leaves that part out. Objects of
// the project VOB are named NAME@PVOB. Views are rooted at HOME/TAG.
struct ProjectSpec {
  // The user who makes everything (KORVANE_USER); empty for the caller's.
  Env user;

  // The project VOB (empty for none), and further project VOBs beside it.
  std::string pvob = "/pvob";
  std::string pvob_level;    // its -fl; empty for the default level
  std::string pvob_comment;  // its -c; empty makes it with -nc
  std::vector<std::string> other_pvobs;

  // Source VOBs, administered by the project VOB when `administered`.
  std::vector<std::string> vobs = {"/src"};
  bool administered = true;

  // Views attached to no stream; the first is "the plain view" below.
  std::vector<std::string> plain_views;
  // Files made (with the directories above them) and checked in under the
  // first source VOB in the plain view: path below the VOB, then content.
  std::vector<std::pair<std::string, std::string>> files;

  // A component rooted at the whole first source VOB (seen through the
  // plain view), and components without a root.
  std::string component;
  std::vector<std::string> rootless_components;
  // A label type of the first source VOB put on its root and `files` and
  // imported as the component's baseline LABEL_COMPONENT_IMPORT, which then
  // founds the integration stream (else the component's initial baseline
  // COMPONENT_INITIAL does).
  std::string import_label;

  // Folders made in the root folder.
  std::vector<std::string> folders;
  // A project in `project_folder` that may modify `component`.
  std::string project;
  std::string project_folder = "RootFolder";
  std::string integration_stream;
  std::string development_stream;
  // A view of the development stream and the activity it is set to.
  std::string development_view;
  std::string activity;
  std::string activity_headline;
};

// The project most scenario tests start from: component "src" (the whole
// VOB /src, seen through view "plain"), project "proj" that may modify it,
// integration stream "int" founded on src_INITIAL, and development stream
// "dev" with view "dev" set to activity "work".
ProjectSpec standard_project();

// Source VOB /src alone (no project VOB) and plain views `tags`: the start
// of the file and element scenarios.
ProjectSpec source_vob_with_views(const std::vector<std::string>& tags);

// Makes what `spec` asks for in `home`, in the order above. Each step must
// succeed: false (after a test failure naming the command and its error)
// when one fails, and the rest is not made.
[[nodiscard]] bool build_project(const TempHome& home, const ProjectSpec& spec);

// The root of view `tag` that build_project made in `home`.
std::string view_root(const TempHome& home, const std::string& tag);

}  // namespace test_support

#endif  // TESTS_SUPPORT_PROJECT_BUILDER_H
