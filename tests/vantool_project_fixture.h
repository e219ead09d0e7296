// A sandbox for tests whose project is made with vantool: the home the store
// lives in, and short forms of the commands their set-ups repeat. Views are
// made at HOME/TAG, so that a view's files are HOME/TAG/VOB-PATH.
#ifndef TESTS_VANTOOL_PROJECT_FIXTURE_H
#define TESTS_VANTOOL_PROJECT_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/project_builder.h"
#include "support/sandbox.h"
#include "support/vantool_runner.h"

namespace zem_test {

class VantoolProjectTest : public ::testing::Test {
 protected:
  // Runs vantool with `args` and `env`; the command must succeed.
  void run(const std::vector<std::string>& args, const test_support::Env& env = {}) {
    auto r = test_support::vantool(args, env);
    ASSERT_EQ(r.exit_code, 0) << args[0] << ": " << r.err;
  }
  // View `tag` of `stream` (a stream's selector).
  void make_view(const std::string& stream, const std::string& tag) {
    run({"mkview", "-stream", stream, "-tag", tag, home.path() + "/" + tag});
  }
  // The file `rest` names below view `tag`'s root.
  std::string path(const std::string& tag, const std::string& rest) const {
    return home.path() + "/" + tag + "/" + rest;
  }
  // Adds `name`, holding its own name and a newline, to the src root in
  // view `tag`, in the view's current activity.
  void add_file(const std::string& tag, const std::string& name) {
    const std::string root = path(tag, "src");
    run({"co", "-nc", root});
    test_support::write_file(root + "/" + name, name + "\n");
    run({"mkelem", "-ci", "-nc", root + "/" + name});
    run({"ci", "-nc", root});
  }
  // Changes the element at `file` (a path in a view) to hold `text`,
  // checked out and in again.
  void edit_file(const std::string& file, const std::string& text) {
    run({"co", "-nc", file});
    test_support::write_file(file, text);
    run({"ci", "-nc", file});
  }
  // Changes `rest` (below view `tag`'s root) to hold `text`.
  void change(const std::string& tag, const std::string& rest, const std::string& text) {
    edit_file(path(tag, rest), text);
  }

  test_support::TempHome home;
};

// VOB /src alone, seen through the plain views "a" and "b" (roots `a` and
// `b`), for file and element scenarios.
class TwoViewsTest : public VantoolProjectTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(build_project(home, test_support::source_vob_with_views({"a", "b"})));
    a = test_support::view_root(home, "a");
    b = test_support::view_root(home, "b");
  }
  // Makes branch type "dev" and sets view b to work on it (a branch made
  // from /main/LATEST at the first checkout).
  void b_works_on_dev() {
    run({"mkbrtype", "-nc", "dev@/src"});
    const std::string cs = home.path() + "/cs_b";
    test_support::write_file(cs,
                             "element * CHECKEDOUT\nelement * .../dev/LATEST\n"
                             "element * /main/LATEST -mkbranch dev\n");
    run({"setcs", "-view", "b", cs});
  }

  std::string a, b;
};

}  // namespace zem_test

#endif  // TESTS_VANTOOL_PROJECT_FIXTURE_H
