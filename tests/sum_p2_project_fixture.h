// A project made with vantool for library tests of baselines across streams:
// component src (the whole VOB /src) and rootless component sys; project
// "p2" that may modify src, whose integration stream "p2int" (view "intv")
// starts from both initial baselines; activity "first" adds a.txt and b.txt
// and is baselined as B1. Tests then use the library in-process on the same
// store.
#ifndef TESTS_SUM_P2_PROJECT_FIXTURE_H
#define TESTS_SUM_P2_PROJECT_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/project_builder.h"
#include "support/sandbox.h"
#include "vantool_project_fixture.h"

namespace zem_test {

class P2ProjectTest : public VantoolProjectTest {
 protected:
  void SetUp() override {
    test_support::ProjectSpec spec = test_support::standard_project();
    spec.development_stream.clear();
    spec.development_view.clear();
    spec.activity.clear();
    spec.rootless_components = {"sys"};
    ASSERT_TRUE(build_project(home, spec));
    view = home.path() + "/intv";
    run({"mkproject", "-in", "RootFolder@/pvob", "-modcomp", "src@/pvob", "-nc", "p2@/pvob"});
    run({"mkstream", "-in", "p2@/pvob", "-integration", "-baseline",
         "src_INITIAL@/pvob,sys_INITIAL@/pvob", "-nc", "p2int@/pvob"});
    run({"mkview", "-stream", "p2int@/pvob", "-tag", "intv", view});
    run({"mkact", "-view", "intv", "-headline", "First", "-nc", "first@/pvob"});
    run({"co", "-nc", view + "/src"});
    test_support::write_file(view + "/src/a.txt", "a1\n");
    test_support::write_file(view + "/src/b.txt", "b1\n");
    run({"mkelem", "-ci", "-nc", view + "/src/a.txt", view + "/src/b.txt"});
    run({"ci", "-nc", view + "/src"});
    run({"mkbl", "-view", "intv", "-component", "src@/pvob", "-nc", "B1"});
  }

  // A new version of `name` in p2int, in the view's current activity.
  void edit(const std::string& name, const std::string& content) {
    run({"co", "-nc", view + "/src/" + name});
    test_support::write_file(view + "/src/" + name, content);
    run({"ci", "-nc", view + "/src/" + name});
  }

  std::string view;
};

}  // namespace zem_test

#endif  // TESTS_SUM_P2_PROJECT_FIXTURE_H
