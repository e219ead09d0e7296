// Activities end to end through vantool: a view attached to a development
// stream refuses checkouts until it has a current activity, which records
// them; headlines, listings, moving versions between change sets, removal
// refusals, and ci/unco over a whole change set.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/vantool_runner.h"

namespace {

using test_support::TempHome;
using test_support::vantool;

class VantoolActivityTest : public ::testing::Test {
 protected:
  // A component "lib" (the directory /src/lib with a.txt and b.txt), a
  // project that may modify it, its integration stream and development
  // stream "dev", and view "dev" attached to that stream.
  void SetUp() override {
    plain = home.path() + "/plain";
    dev = home.path() + "/dev";
    run({"mkvob", "-tag", "/pvob", "-pvob", "-nc"});
    run({"mkvob", "-tag", "/src", "-admin", "/pvob", "-nc"});
    run({"mkview", "-tag", "plain", plain});
    run({"co", "-nc", plain + "/src"});
    run({"mkdir", "-nc", plain + "/src/lib"});
    std::ofstream(plain + "/src/lib/a.txt") << "a\n";
    std::ofstream(plain + "/src/lib/b.txt") << "b\n";
    run({"mkelem", "-ci", "-nc", plain + "/src/lib/a.txt", plain + "/src/lib/b.txt"});
    run({"ci", "-nc", plain + "/src/lib", plain + "/src"});
    run({"mkcomp", "-root", plain + "/src/lib", "-nc", "lib@/pvob"});
    run({"mkproject", "-in", "RootFolder@/pvob", "-modcomp", "lib@/pvob", "-nc", "proj@/pvob"});
    run({"mkstream", "-in", "proj@/pvob", "-integration", "-baseline", "lib_INITIAL@/pvob", "-nc",
         "int@/pvob"});
    run({"mkstream", "-in", "proj@/pvob", "-nc", "dev@/pvob"});
    run({"mkview", "-stream", "dev@/pvob", "-tag", "dev", dev});
  }

  void run(const std::vector<std::string>& args) {
    auto r = vantool(args);
    ASSERT_EQ(r.exit_code, 0) << args[0] << ": " << r.err;
  }
  std::string file(const std::string& name) const { return dev + "/src/lib/" + name; }
  // Checks out, appends a line to and checks in a file of view dev.
  void change(const std::string& name) {
    run({"co", "-nc", file(name)});
    std::ofstream(file(name), std::ios::app) << "changed\n";
    run({"ci", "-nc", file(name)});
  }

  TempHome home;
  std::string plain, dev;
};

TEST_F(VantoolActivityTest, CheckoutsNeedACurrentActivityWhichRecordsThem) {
  auto refused = vantool({"co", "-nc", file("a.txt")});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_NE(refused.err.find("No current activity is set in view \"dev\""), std::string::npos)
      << refused.err;
  EXPECT_EQ(vantool({"lsco", "-short", "-view", "dev"}).out, "");

  auto made = vantool({"mkact", "-view", "dev", "-headline", "Fix the reader", "-nc"});
  ASSERT_EQ(made.exit_code, 0) << made.err;
  const std::string prefix = "Created activity \"";
  ASSERT_EQ(made.out.rfind(prefix, 0), 0u) << made.out;
  std::string name =
      made.out.substr(prefix.size(), made.out.find('"', prefix.size()) - prefix.size());
  EXPECT_EQ(name.find(' '), std::string::npos) << "a name made from the headline: " << name;
  EXPECT_EQ(made.out, prefix + name + "\".\nSet activity \"" + name + "\" in view \"dev\".\n");
  EXPECT_EQ(vantool({"lsact", "-cact", "-short", "-view", "dev"}).out, name + "\n");
  auto twin = vantool({"mkact", "-nset", "-view", "dev", "-headline", "Fix the reader", "-nc"});
  ASSERT_EQ(twin.exit_code, 0) << twin.err;
  EXPECT_EQ(twin.out.find(name + "\""), std::string::npos) << "a second, different name";
  EXPECT_EQ(twin.out.find("Set activity"), std::string::npos) << "-nset leaves the view alone";

  ASSERT_EQ(vantool({"co", "-nc", file("a.txt")}).exit_code, 0);
  std::string header = "activity \"" + name +
                       "\"\n  headline: Fix the reader\n  stream: dev@/pvob\n"
                       "  current in views: dev\n";
  EXPECT_EQ(vantool({"lsact", "-long", "-view", "dev", name}).out,
            header +
                "  modification count: 1\n  change set:\n"
                "    /src/lib/a.txt@@/main/CHECKEDOUT  (checked out)\n");
  run({"ci", "-nc", file("a.txt")});
  EXPECT_EQ(vantool({"lsact", "-long", "-view", "dev", name}).out,
            header + "  modification count: 2\n  change set:\n    /src/lib/a.txt@@/main/2\n");

  run({"co", "-nc", file("b.txt")});
  run({"setact", "-none", "-view", "dev", "-nc"});
  auto no_ci = vantool({"ci", "-nc", file("b.txt")});
  EXPECT_EQ(no_ci.exit_code, 1) << "check-in needs a current activity too";
  EXPECT_NE(no_ci.err.find("No current activity is set in view \"dev\""), std::string::npos);
  EXPECT_EQ(vantool({"co", "-nc", file("a.txt")}).exit_code, 1) << "cleared again";
  auto none = vantool({"lsact", "-cact", "-view", "dev"});
  EXPECT_EQ(none.exit_code, 0);
  EXPECT_NE(none.err.find("View \"dev\" has no current activity."), std::string::npos);
}

TEST_F(VantoolActivityTest, HeadlinesMovesAndRemoval) {
  run({"mkact", "-view", "dev", "-nc", "first"});
  run({"mkact", "-nset", "-in", "dev@/pvob", "-headline", "Second", "-nc", "second@/pvob"});
  change("a.txt");
  run({"co", "-nc", file("b.txt")});

  auto renamed = vantool({"chact", "-headline", "Reader fixes", "-nc", "first@/pvob"});
  ASSERT_EQ(renamed.exit_code, 0) << renamed.err;
  EXPECT_EQ(renamed.out, "Changed activity \"first@/pvob\".\n");
  EXPECT_EQ(vantool({"lsact", "-in", "dev@/pvob"}).out,
            "first@/pvob  \"Reader fixes\"\nsecond@/pvob  \"Second\"\n");

  auto moved = vantool({"chact", "-fcset", "first", "-tcset", "second", "-view", "dev", "-nc",
                        file("a.txt") + "@@/main/2"});
  ASSERT_EQ(moved.exit_code, 0) << moved.err;
  EXPECT_EQ(moved.out,
            "Moved \"/src/lib/a.txt@@/main/2\" from activity \"first@/pvob\" to activity "
            "\"second@/pvob\".\n");
  EXPECT_NE(vantool({"lsact", "-long", "-view", "dev", "second"})
                .out.find("  change set:\n    /src/lib/a.txt@@/main/2\n"),
            std::string::npos);
  auto again = vantool({"chact", "-fcset", "first", "-tcset", "second", "-view", "dev", "-nc",
                        file("a.txt") + "@@/main/2"});
  EXPECT_EQ(again.exit_code, 1) << "no longer in the source change set";

  auto busy = vantool({"rmact", "-nc", "first@/pvob"});
  EXPECT_EQ(busy.exit_code, 1);
  EXPECT_NE(busy.err.find("Cannot remove an activity with versions in its change set."),
            std::string::npos)
      << busy.err;
  EXPECT_NE(busy.err.find("Unable to remove activity \"first@/pvob\"."), std::string::npos);
  run({"mkact", "-nset", "-in", "dev@/pvob", "-nc", "spare@/pvob"});
  auto removed = vantool({"rmact", "-nc", "spare@/pvob"});
  ASSERT_EQ(removed.exit_code, 0) << removed.err;
  EXPECT_EQ(removed.out, "Removed activity \"spare@/pvob\".\n");
  EXPECT_EQ(vantool({"lsact", "spare@/pvob"}).exit_code, 1);
}

TEST_F(VantoolActivityTest, WholeChangeSetsAndJson) {
  run({"mkact", "-view", "dev", "-headline", "Both files", "-nc", "both"});
  for (const char* name : {"a.txt", "b.txt"}) {
    run({"co", "-nc", file(name)});
    std::ofstream(file(name), std::ios::app) << "more\n";
  }
  EXPECT_EQ(vantool({"lsact", "-json", "-view", "dev"}).out,
            "[{\"name\":\"both@/pvob\",\"headline\":\"Both files\",\"stream\":\"dev@/pvob\","
            "\"views\":[\"dev\"],\"mod_count\":2,\"change_set\":["
            "{\"version\":\"/src/lib/a.txt@@/main/CHECKEDOUT\",\"checked_out\":true},"
            "{\"version\":\"/src/lib/b.txt@@/main/CHECKEDOUT\",\"checked_out\":true}],"
            "\"change_set_complete\":true}]\n");

  auto usage = vantool({"ci", "-cact", "-view", "dev", file("a.txt")});
  EXPECT_EQ(usage.exit_code, 2) << "paths or the change set, not both";
  auto ci = vantool({"ci", "-cact", "-view", "dev", "-nc"});
  ASSERT_EQ(ci.exit_code, 0) << ci.err;
  EXPECT_EQ(ci.out,
            "Checked in \"/src/lib/a.txt\" version \"/main/2\".\n"
            "Checked in \"/src/lib/b.txt\" version \"/main/2\".\n");
  EXPECT_EQ(vantool({"lsco", "-short", "-view", "dev"}).out, "");
  EXPECT_EQ(vantool({"ci", "-cact", "-view", "dev"}).out,
            "Activity \"both@/pvob\" has no checkouts.\n");

  run({"co", "-nc", file("a.txt")});
  auto unco = vantool({"unco", "-activity", "both@/pvob", "-view", "dev"});
  ASSERT_EQ(unco.exit_code, 0) << unco.err;
  EXPECT_EQ(unco.out, "Checkout cancelled for \"/src/lib/a.txt\".\n");
  EXPECT_EQ(vantool({"lsco", "-short", "-view", "dev"}).out, "");
  auto described = vantool({"describe", "activity:both@/pvob"});
  EXPECT_NE(described.out.find("  headline: Both files\n  stream: dev@/pvob\n"), std::string::npos)
      << described.out;
  EXPECT_NE(described.out.find("  change set:\n    /src/lib/a.txt@@/main/2\n"
                               "    /src/lib/b.txt@@/main/2\n"),
            std::string::npos)
      << described.out;
}

TEST_F(VantoolActivityTest, RefusalsNameWhatIsWrong) {
  auto nameless = vantool({"mkact", "-view", "dev", "-nc"});
  EXPECT_EQ(nameless.exit_code, 2);
  EXPECT_NE(nameless.err.find("Give the new activity's NAME, or -headline TEXT"),
            std::string::npos);
  auto unattached = vantool({"mkact", "-view", "plain", "-nc", "x"});
  EXPECT_EQ(unattached.exit_code, 1);
  EXPECT_NE(unattached.err.find("View \"plain\" is not attached to a stream; name the stream with "
                                "-in STREAM."),
            std::string::npos)
      << unattached.err;
  auto elsewhere = vantool({"mkact", "-nset", "-in", "dev@/pvob", "-nc", "x@/src"});
  EXPECT_EQ(elsewhere.exit_code, 1);
  EXPECT_NE(elsewhere.err.find("Activity \"x\" cannot be made in \"/src\": stream \"dev@/pvob\" is "
                               "in project VOB \"/pvob\"."),
            std::string::npos)
      << elsewhere.err;
  run({"mkstream", "-in", "proj@/pvob", "-readonly", "-nc", "ro@/pvob"});
  auto read_only = vantool({"mkact", "-nset", "-in", "ro@/pvob", "-nc", "x"});
  EXPECT_EQ(read_only.exit_code, 1);
  EXPECT_NE(read_only.err.find("Cannot make activity in read only stream"), std::string::npos);
  EXPECT_NE(read_only.err.find("Unable to create activity \"x\"."), std::string::npos);
  EXPECT_EQ(vantool({"lsact", "x@/pvob"}).exit_code, 1) << "nothing was made";

  run({"mkstream", "-in", "proj@/pvob", "-nc", "dev2@/pvob"});
  run({"mkact", "-nset", "-in", "dev2@/pvob", "-nc", "other@/pvob"});
  auto foreign = vantool({"setact", "-view", "dev", "-nc", "other@/pvob"});
  EXPECT_EQ(foreign.exit_code, 1);
  EXPECT_NE(foreign.err.find("is not in the stream attached to view \"dev\""), std::string::npos)
      << foreign.err;
  EXPECT_EQ(vantool({"lsact", "-cact", "-short", "-view", "dev"}).out, "") << "nothing set";
  EXPECT_EQ(vantool({"setact", "-view", "dev", "-nc"}).exit_code, 2);
  EXPECT_EQ(vantool({"setact", "-view", "dev", "-none", "-nc", "other@/pvob"}).exit_code, 2);
  EXPECT_EQ(vantool({"chact", "-fcset", "other@/pvob", "-nc", "x"}).exit_code, 2);
  auto unknown = vantool({"lsact", "nothing@/pvob"});
  EXPECT_EQ(unknown.exit_code, 1);
  EXPECT_NE(unknown.err.find("\"nothing@/pvob\" does not name an activity"), std::string::npos);

  EXPECT_NE(vantool({"describe", "-json", "activity:other@/pvob"})
                .out.find("\"activity\":{\"name\":\"other@/pvob\",\"headline\":\"other\","
                          "\"stream\":\"dev2@/pvob\",\"views\":[],\"mod_count\":0,"
                          "\"change_set\":[],\"change_set_complete\":true}"),
            std::string::npos);
}

}  // namespace
