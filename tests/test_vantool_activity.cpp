// Activities end to end through vantool: a view attached to a development
// stream refuses checkouts until it has a current activity, which records
// them; headlines, listings, moving versions between change sets, removal
// refusals, and ci/unco over a whole change set.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/project_builder.h"
#include "support/vantool_runner.h"
#include "vantool_project_fixture.h"

namespace {

using test_support::vantool;
using test_support::vantool_out;
using test_support::vantool_refuses;

class VantoolActivityTest : public zem_test::VantoolProjectTest {
 protected:
  // A component "lib" (the whole VOB /src, holding lib/a.txt and
  // lib/b.txt), whose files are labeled and imported as its baseline
  // REL_lib_IMPORT; a project that may modify it, its integration stream
  // founded on that baseline and development stream "dev", and view "dev"
  // attached to that stream. Checkouts there branch on "dev".
  void SetUp() override {
    plain = home.path() + "/plain";
    dev = home.path() + "/dev";
    test_support::ProjectSpec spec = test_support::standard_project();
    spec.files = {{"lib/a.txt", "a\n"}, {"lib/b.txt", "b\n"}};
    spec.component = "lib";
    spec.import_label = "REL";
    spec.activity.clear();
    ASSERT_TRUE(build_project(home, spec));
  }

  std::string file(const std::string& name) const { return dev + "/src/lib/" + name; }
  // Checks out, appends a line to and checks in a file of view dev.
  void change(const std::string& name) {
    run({"co", "-nc", file(name)});
    std::ofstream(file(name), std::ios::app) << "changed\n";
    run({"ci", "-nc", file(name)});
  }

  std::string plain, dev;
};

TEST_F(VantoolActivityTest, CheckoutsNeedACurrentActivityWhichRecordsThem) {
  const std::string no_activity = "No current activity is set in view \"dev\"";
  EXPECT_TRUE(vantool_refuses({no_activity}, {"co", "-nc", file("a.txt")}));
  EXPECT_EQ(vantool_out({"lsco", "-short", "-view", "dev"}), "");

  std::string made = vantool_out({"mkact", "-view", "dev", "-headline", "Fix the reader", "-nc"});
  const std::string prefix = "Created activity \"";
  ASSERT_EQ(made.rfind(prefix, 0), 0u) << made;
  std::string name = made.substr(prefix.size(), made.find('"', prefix.size()) - prefix.size());
  EXPECT_EQ(name.find(' '), std::string::npos) << "a name made from the headline: " << name;
  EXPECT_EQ(made, prefix + name + "\".\nSet activity \"" + name + "\" in view \"dev\".\n");
  EXPECT_EQ(vantool_out({"lsact", "-cact", "-short", "-view", "dev"}), name + "\n");
  std::string twin =
      vantool_out({"mkact", "-nset", "-view", "dev", "-headline", "Fix the reader", "-nc"});
  EXPECT_EQ(twin.find(name + "\""), std::string::npos) << "a second, different name";
  EXPECT_EQ(twin.find("Set activity"), std::string::npos) << "-nset leaves the view alone";

  run({"co", "-nc", file("a.txt")});
  std::string header = "activity \"" + name +
                       "\"\n  headline: Fix the reader\n  stream: dev@/pvob\n"
                       "  current in views: dev\n";
  EXPECT_EQ(vantool_out({"lsact", "-long", "-view", "dev", name}),
            header +
                "  modification count: 1\n  change set:\n"
                "    /src/lib/a.txt@@/main/dev/CHECKEDOUT  (checked out)\n");
  run({"ci", "-nc", file("a.txt")});
  EXPECT_EQ(vantool_out({"lsact", "-long", "-view", "dev", name}),
            header + "  modification count: 2\n  change set:\n    /src/lib/a.txt@@/main/dev/1\n");

  run({"co", "-nc", file("b.txt")});
  run({"setact", "-none", "-view", "dev", "-nc"});
  EXPECT_TRUE(vantool_refuses({no_activity}, {"ci", "-nc", file("b.txt")}))
      << "check-in needs a current activity too";
  EXPECT_TRUE(vantool_refuses({no_activity}, {"co", "-nc", file("a.txt")}));
  auto none = vantool({"lsact", "-cact", "-view", "dev"});
  EXPECT_EQ(none.exit_code, 0);
  EXPECT_EQ(none.err, "vantool: Warning: View \"dev\" has no current activity.\n");
}

TEST_F(VantoolActivityTest, HeadlinesMovesAndRemoval) {
  run({"mkact", "-view", "dev", "-nc", "first"});
  run({"mkact", "-nset", "-in", "dev@/pvob", "-headline", "Second", "-nc", "second@/pvob"});
  change("a.txt");
  run({"co", "-nc", file("b.txt")});

  EXPECT_EQ(vantool_out({"chact", "-headline", "Reader fixes", "-nc", "first@/pvob"}),
            "Changed activity \"first@/pvob\".\n");
  EXPECT_EQ(vantool_out({"lsact", "-in", "dev@/pvob"}),
            "first@/pvob  \"Reader fixes\"\nsecond@/pvob  \"Second\"\n");

  std::vector<std::string> move = {"chact",  "-fcset", "first",
                                   "-tcset", "second", "-view",
                                   "dev",    "-nc",    file("a.txt") + "@@/main/dev/1"};
  EXPECT_EQ(vantool_out(move),
            "Moved \"/src/lib/a.txt@@/main/dev/1\" from activity \"first@/pvob\" to activity "
            "\"second@/pvob\".\n");
  EXPECT_NE(vantool_out({"lsact", "-long", "-view", "dev", "second"})
                .find("  change set:\n    /src/lib/a.txt@@/main/dev/1\n"),
            std::string::npos);
  EXPECT_TRUE(vantool_refuses({"Unable to move"}, move)) << "no longer in the source change set";

  EXPECT_TRUE(vantool_refuses({"Cannot remove an activity with versions in its change set.",
                               "Unable to remove activity \"first@/pvob\"."},
                              {"rmact", "-nc", "first@/pvob"}));
  run({"mkact", "-nset", "-in", "dev@/pvob", "-nc", "spare@/pvob"});
  EXPECT_EQ(vantool_out({"rmact", "-nc", "spare@/pvob"}), "Removed activity \"spare@/pvob\".\n");
  EXPECT_TRUE(vantool_refuses({"does not name an activity"}, {"lsact", "spare@/pvob"}));
}

TEST_F(VantoolActivityTest, WholeChangeSetsAndJson) {
  run({"mkact", "-view", "dev", "-headline", "Both files", "-nc", "both"});
  for (const char* name : {"a.txt", "b.txt"}) {
    run({"co", "-nc", file(name)});
    std::ofstream(file(name), std::ios::app) << "more\n";
  }
  EXPECT_EQ(vantool_out({"lsact", "-json", "-view", "dev"}),
            "[{\"name\":\"both@/pvob\",\"headline\":\"Both files\",\"stream\":\"dev@/pvob\","
            "\"views\":[\"dev\"],\"mod_count\":2,\"change_set\":["
            "{\"version\":\"/src/lib/a.txt@@/main/dev/CHECKEDOUT\",\"checked_out\":true},"
            "{\"version\":\"/src/lib/b.txt@@/main/dev/CHECKEDOUT\",\"checked_out\":true}],"
            "\"change_set_complete\":true}]\n");

  EXPECT_EQ(vantool({"ci", "-cact", "-view", "dev", file("a.txt")}).exit_code, 2)
      << "paths or the change set, not both";
  EXPECT_EQ(vantool_out({"ci", "-cact", "-view", "dev", "-nc"}),
            "Checked in \"/src/lib/a.txt\" version \"/main/dev/1\".\n"
            "Checked in \"/src/lib/b.txt\" version \"/main/dev/1\".\n");
  EXPECT_EQ(vantool_out({"lsco", "-short", "-view", "dev"}), "");
  EXPECT_EQ(vantool_out({"ci", "-cact", "-view", "dev"}),
            "Activity \"both@/pvob\" has no checkouts.\n");

  run({"co", "-nc", file("a.txt")});
  EXPECT_EQ(vantool_out({"unco", "-activity", "both@/pvob", "-view", "dev"}),
            "Checkout cancelled for \"/src/lib/a.txt\".\n");
  EXPECT_EQ(vantool_out({"lsco", "-short", "-view", "dev"}), "");
  std::string described = vantool_out({"describe", "activity:both@/pvob"});
  EXPECT_NE(described.find("  headline: Both files\n  stream: dev@/pvob\n"), std::string::npos)
      << described;
  EXPECT_NE(described.find("  change set:\n    /src/lib/a.txt@@/main/dev/1\n"
                           "    /src/lib/b.txt@@/main/dev/1\n"),
            std::string::npos)
      << described;
}

TEST_F(VantoolActivityTest, RefusalsNameWhatIsWrong) {
  auto nameless = vantool({"mkact", "-view", "dev", "-nc"});
  EXPECT_EQ(nameless.exit_code, 2);
  EXPECT_NE(nameless.err.find("Give the new activity's NAME, or -headline TEXT"),
            std::string::npos);
  EXPECT_TRUE(vantool_refuses({"No activity name can be made from the headline \"123\": a name "
                               "needs at least one letter. Give the activity a NAME."},
                              {"mkact", "-view", "dev", "-headline", "123", "-nc"}));
  EXPECT_TRUE(vantool_refuses({"\"" + home.path() +
                               "/nowhere\" is not in a view: no view's root "
                               "holds it."},
                              {"co", "-nc", home.path() + "/nowhere"}))
      << "a path operand outside every view is named as such, not as the current directory";
  EXPECT_TRUE(vantool_refuses(
      {"View \"plain\" is not attached to a stream; name the stream with -in STREAM."},
      {"mkact", "-view", "plain", "-nc", "x"}));
  EXPECT_TRUE(vantool_refuses({"Activity \"x\" cannot be made in \"/src\": stream \"dev@/pvob\" "
                               "is in project VOB \"/pvob\"."},
                              {"mkact", "-nset", "-in", "dev@/pvob", "-nc", "x@/src"}));
  run({"mkstream", "-in", "proj@/pvob", "-readonly", "-nc", "ro@/pvob"});
  EXPECT_TRUE(vantool_refuses(
      {"Cannot make activity in read only stream", "Unable to create activity \"x\"."},
      {"mkact", "-nset", "-in", "ro@/pvob", "-nc", "x"}));
  EXPECT_EQ(vantool({"lsact", "x@/pvob"}).exit_code, 1) << "nothing was made";

  run({"mkstream", "-in", "proj@/pvob", "-nc", "dev2@/pvob"});
  run({"mkact", "-nset", "-in", "dev2@/pvob", "-nc", "other@/pvob"});
  EXPECT_TRUE(vantool_refuses({"is not in the stream attached to view \"dev\""},
                              {"setact", "-view", "dev", "-nc", "other@/pvob"}));
  EXPECT_EQ(vantool_out({"lsact", "-cact", "-short", "-view", "dev"}), "") << "nothing set";
  EXPECT_EQ(vantool({"setact", "-view", "dev", "-nc"}).exit_code, 2);
  EXPECT_EQ(vantool({"setact", "-view", "dev", "-none", "-nc", "other@/pvob"}).exit_code, 2);
  EXPECT_EQ(vantool({"chact", "-fcset", "other@/pvob", "-nc", "x"}).exit_code, 2);
  EXPECT_TRUE(
      vantool_refuses({"\"nothing@/pvob\" does not name an activity"}, {"lsact", "nothing@/pvob"}));

  EXPECT_NE(vantool_out({"describe", "-json", "activity:other@/pvob"})
                .find("\"activity\":{\"name\":\"other@/pvob\",\"headline\":\"other\","
                      "\"stream\":\"dev2@/pvob\",\"views\":[],\"mod_count\":0,"
                      "\"change_set\":[],\"change_set_complete\":true}"),
            std::string::npos);
}

}  // namespace
