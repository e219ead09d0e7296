// vantool mktrtype, lstrtype and rmtrtype end to end, and the errors bad
// input gets (changing nothing).
#include <gtest/gtest.h>

#include "support/project_builder.h"
#include "support/vantool_runner.h"

namespace {

using test_support::TempHome;
using test_support::vantool;
using test_support::vantool_err;
using test_support::vantool_out;
using test_support::vantool_refuses;

class VantoolTrtypeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_support::ProjectSpec spec;
    spec.user = alice;
    spec.other_pvobs = {"/other"};
    spec.vobs.clear();
    ASSERT_TRUE(build_project(home, spec));
  }
  TempHome home;
  test_support::Env alice = {{"KORVANE_USER", "alice"}};
};

TEST_F(VantoolTrtypeTest, MakeListAndRemove) {
  EXPECT_EQ(vantool_out({"mktrtype", "-zem", "-preop", "mkfolder,rmfolder", "-exec",
                         "echo \"$KORVANE_OP\"", "-c", "name check", "check@/pvob"},
                        alice),
            "Created trigger type \"check@/pvob\".\n");
  auto restricted = vantool({"mktrtype", "-zem", "-postop", "mkbl", "-exec", "true", "-restrict",
                             "folder:RootFolder", "-nc", "trtype:notify@/pvob"},
                            alice);
  EXPECT_EQ(restricted.exit_code, 0) << restricted.err;
  ASSERT_EQ(
      vantool({"mktrtype", "-zem", "-preop", "rmproject", "-exec", "true", "guard@/other"}, alice)
          .exit_code,
      0);

  EXPECT_EQ(vantool({"lstrtype", "-short"}).out, "guard@/other\ncheck@/pvob\nnotify@/pvob\n")
      << "VOBs in tag order, types in creation order";
  EXPECT_EQ(vantool({"lstrtype", "/pvob"}).out,
            "check@/pvob                      preop  mkfolder,rmfolder\n"
            "notify@/pvob                     postop mkbl (restricted)\n");
  auto long_form = vantool({"lstrtype", "-long", "/pvob"});
  EXPECT_EQ(long_form.out.rfind("trigger type \"check@/pvob\"\n  phase: preop\n"
                                "  operation kinds: mkfolder, rmfolder\n"
                                "  command: echo \"$KORVANE_OP\"\n"
                                "  restricted to: (every object)\n  owner: alice\n",
                                0),
            0u)
      << long_form.out;
  EXPECT_NE(long_form.out.find("  comment: \"name check\"\n"), std::string::npos);
  EXPECT_NE(long_form.out.find("  restricted to: folder:RootFolder@/pvob\n"), std::string::npos);
  auto json = vantool({"lstrtype", "-json", "/other"});
  EXPECT_EQ(json.out.rfind("[{\"name\":\"guard\",\"vob\":\"/other\",\"phase\":\"preop\","
                           "\"kinds\":[\"rmproject\"],\"command\":\"true\",\"restrictions\":[],"
                           "\"owner\":\"alice\",",
                           0),
            0u)
      << json.out;

  EXPECT_EQ(vantool_out({"rmtrtype", "check@/pvob", "trtype:guard@/other"}, alice),
            "Removed trigger type \"check@/pvob\".\nRemoved trigger type \"guard@/other\".\n");
  EXPECT_EQ(vantool_err({"rmtrtype", "check@/pvob"}, alice),
            "vantool: Error: Trigger type \"check@/pvob\" does not exist.\n");
  EXPECT_EQ(vantool({"lstrtype", "-short"}).out, "notify@/pvob\n");
}

TEST_F(VantoolTrtypeTest, BadKindsAndFormsAreUsageErrors) {
  auto unknown =
      vantool({"mktrtype", "-zem", "-preop", "mkfolder,mkfoo", "-exec", "true", "t@/pvob"});
  EXPECT_EQ(unknown.exit_code, 2);
  EXPECT_EQ(unknown.err.rfind("vantool: Error: Unknown operation kind \"mkfoo\". The operation "
                              "kinds are: mkactivity, chactivity, rmactivity, deliver_start,",
                              0),
            0u)
      << unknown.err;
  EXPECT_NE(unknown.err.find("Usage: vantool mktrtype -zem -preop|-postop KINDS"),
            std::string::npos);
  auto empty = vantool({"mktrtype", "-zem", "-postop", ",", "-exec", "true", "t@/pvob"});
  EXPECT_EQ(empty.exit_code, 2);
  EXPECT_EQ(empty.err.rfind("vantool: Error: Option \"-postop\" needs a comma-separated list of "
                            "operation kinds.\n",
                            0),
            0u)
      << empty.err;
  auto no_phase = vantool({"mktrtype", "-zem", "-exec", "true", "t@/pvob"});
  EXPECT_EQ(no_phase.exit_code, 2);
  EXPECT_NE(no_phase.err.find("Option \"-preop\" or \"-postop\" is required"), std::string::npos);
  EXPECT_EQ(
      vantool({"mktrtype", "-zem", "-preop", "mkbl", "-postop", "mkbl", "-exec", "true", "t@/pvob"})
          .exit_code,
      2);
  EXPECT_EQ(vantool({"mktrtype", "-preop", "mkbl", "-exec", "true", "t@/pvob"}).exit_code, 2)
      << "-zem is required";
  EXPECT_EQ(vantool({"mktrtype", "-zem", "-preop", "mkbl", "-exec", " ", "t@/pvob"}).exit_code, 2);
  EXPECT_EQ(vantool({"mktrtype", "-zem", "-preop", "mkbl", "-exec", "true"}).exit_code, 2);
  auto no_vob = vantool({"mktrtype", "-zem", "-preop", "mkbl", "-exec", "true", "t"});
  EXPECT_EQ(no_vob.exit_code, 2);
  EXPECT_EQ(no_vob.err.rfind("vantool: Error: \"t\" does not name a trigger type: give "
                             "NAME@VOB-TAG or trtype:NAME@VOB-TAG.\n",
                             0),
            0u);
  EXPECT_EQ(vantool({"rmtrtype", "stream:t@/pvob"}).exit_code, 2);
  EXPECT_EQ(vantool({"lstrtype", "-short"}).out, "") << "nothing was made";
}

TEST_F(VantoolTrtypeTest, FailuresNameWhatFailed) {
  ASSERT_EQ(
      vantool({"mktrtype", "-zem", "-preop", "mkbl", "-exec", "true", "t@/pvob"}, alice).exit_code,
      0);
  EXPECT_EQ(vantool_err({"mktrtype", "-zem", "-postop", "rmbl", "-exec", "true", "t@/pvob"}, alice),
            "vantool: Error: A trigger type named \"t\" already exists.\n"
            "vantool: Error: Unable to make trigger type \"t@/pvob\".\n");
  EXPECT_EQ(vantool_err({"mktrtype", "-zem", "-preop", "mkbl", "-exec", "true", "t@/nowhere"}),
            "vantool: Error: No VOB has the tag \"/nowhere\".\n");
  EXPECT_EQ(vantool_err({"mktrtype", "-zem", "-preop", "mkbl", "-exec", "true", "-restrict",
                         "folder:RootFolder,folder:Missing", "u@/pvob"},
                        alice),
            "vantool: Error: Cannot resolve \"folder:Missing\": no such object.\n");
  auto bob = vantool({"mktrtype", "-zem", "-preop", "mkbl", "-exec", "true", "b@/pvob"},
                     {{"KORVANE_USER", "bob"}});
  EXPECT_EQ(bob.exit_code, 1);
  EXPECT_EQ(bob.err,
            "vantool: Error: No permission to change vob \"/pvob\": user \"bob\" is neither its "
            "owner (\"alice\"), the owner of VOB \"/pvob\" (\"alice\") nor a privileged user.\n"
            "vantool: Error: Unable to make trigger type \"b@/pvob\".\n");
  EXPECT_TRUE(vantool_refuses({"Unable to remove trigger type \"t@/pvob\""},
                              {"rmtrtype", "t@/pvob"}, {{"KORVANE_USER", "bob"}}));
  EXPECT_EQ(vantool({"lstrtype", "-short", "/pvob"}).out, "t@/pvob\n");
  EXPECT_EQ(vantool_err({"lstrtype", "/nowhere"}),
            "vantool: Error: No VOB has the tag \"/nowhere\".\n");
}

}  // namespace
