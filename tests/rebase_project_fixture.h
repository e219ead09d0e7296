// The project the rebase tests start from, made with vantool: the standard
// project without its development stream; in the integration stream "int"
// (view "int") activity "fix" adds base.txt, recorded by baseline INT0,
// then fix.txt, recorded by INT1, which "int" recommends. Development
// streams made by make_stream start from INT0, so their rebase to INT1
// changes nothing they modified unless a test makes them change the src
// root.
#ifndef TESTS_REBASE_PROJECT_FIXTURE_H
#define TESTS_REBASE_PROJECT_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/project_builder.h"
#include "support/sandbox.h"
#include "support/vantool_runner.h"

namespace zem_test {

class RebaseProjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_support::ProjectSpec spec = test_support::standard_project();
    spec.development_stream.clear();
    spec.development_view.clear();
    spec.activity.clear();
    ASSERT_TRUE(build_project(home, spec));
    run({"mkview", "-stream", "int@/pvob", "-tag", "int", home.path() + "/int"});
    run({"mkact", "-view", "int", "-headline", "Fix", "-nc", "fix@/pvob"});
    add_file("int", "base.txt");
    run({"mkbl", "-view", "int", "-nc", "INT0"});
    add_file("int", "fix.txt");
    run({"mkbl", "-view", "int", "-nc", "INT1"});
    run({"chstream", "-recommended", "INT1@/pvob", "-nc", "int@/pvob"});
  }

  void run(const std::vector<std::string>& args, const test_support::Env& env = {}) {
    auto r = test_support::vantool(args, env);
    ASSERT_EQ(r.exit_code, 0) << args[0] << ": " << r.err;
  }
  // Adds `name` to the src root in view `tag` (its activity set).
  void add_file(const std::string& tag, const std::string& name) {
    std::string root = home.path() + "/" + tag + "/src";
    run({"co", "-nc", root});
    test_support::write_file(root + "/" + name, name + "\n");
    run({"mkelem", "-ci", "-nc", root + "/" + name});
    run({"ci", "-nc", root});
  }
  // Development stream `name` on INT0 with view `name` set to activity
  // "<name>_work".
  void make_stream(const std::string& name) {
    run({"mkstream", "-in", "proj@/pvob", "-baseline", "INT0@/pvob", "-nc", name + "@/pvob"});
    run({"mkview", "-stream", name + "@/pvob", "-tag", name, home.path() + "/" + name});
    run({"mkact", "-view", name, "-headline", "Work", "-nc", name + "_work@/pvob"});
  }

  // What a user sees of stream `name` and its view (lsstream -long, catcs,
  // the view's activity, the stream's activities), with the stream's name
  // written as STREAM and without what differs between two streams made
  // alike: the identity's object and the time the config spec was made.
  std::string shown(const std::string& name) {
    std::string text = test_support::vantool_out({"lsstream", "-long", name + "@/pvob"}) +
                       test_support::vantool_out({"catcs", "-view", name}) +
                       test_support::vantool_out({"lsact", "-cact", "-view", name}) +
                       test_support::vantool_out({"lsact", "-short", "-in", name + "@/pvob"});
    size_t at = text.find("\" at ");
    if (at != std::string::npos)
      text.erase(at, text.find('\n', at) - at);
    at = text.find("identity ZEM.Stream ");
    if (at != std::string::npos)
      text.erase(at, text.rfind(' ', text.find('\n', at)) - at);
    for (at = text.find(name); at != std::string::npos; at = text.find(name, at))
      text.replace(at, name.size(), "STREAM");
    // An integration activity kept by a rebase is named with its start.
    const std::string integration = "rebase.STREAM.";
    for (at = text.find(integration); at != std::string::npos; at = text.find(integration, at)) {
      at += integration.size();
      size_t end = text.find_first_not_of("0123456789.", at);
      text.replace(at, end - at, "TIME");
    }
    return text;
  }

  test_support::TempHome home;
};

}  // namespace zem_test

#endif  // TESTS_REBASE_PROJECT_FIXTURE_H
