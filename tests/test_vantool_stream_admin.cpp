// vantool end to end around streams: chstream, views made on a stream and
// what they keep from removal, and a project's modifiable components with a
// change made on a stream's branch in a real view.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/project_builder.h"
#include "support/vantool_runner.h"

namespace {

using test_support::TempHome;
using test_support::vantool;
using test_support::vantool_err;
using test_support::vantool_out;

class VantoolStreamAdminTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_support::ProjectSpec spec;
    spec.user = owner;
    spec.vobs.clear();
    spec.project = "proj";
    spec.integration_stream = "integ";
    spec.development_stream = "dev";
    ASSERT_TRUE(build_project(home, spec));
  }
  int run(const std::vector<std::string>& args) {
    auto result = vantool(args, owner);
    EXPECT_EQ(result.exit_code, 0) << args[0] << ": " << result.err;
    return result.exit_code;
  }
  std::string out(const std::vector<std::string>& args) { return vantool(args, owner).out; }
  bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
  }
  test_support::Env owner{{"KORVANE_USER", "vobadmin"}};
  TempHome home;
};

TEST_F(VantoolStreamAdminTest, ChstreamChangesTargetPoliciesAndTitle) {
  EXPECT_EQ(vantool_out({"chstream", "-target", "dev@/pvob", "-nc", "integ@/pvob"}, owner),
            "Changed stream \"integ@/pvob\".\n");
  EXPECT_TRUE(
      has(out({"lsstream", "-long", "integ@/pvob"}), "default deliver target: dev@/pvob\n"));
  ASSERT_EQ(run({"chstream", "-ntarget", "-nc", "integ@/pvob"}), 0);
  EXPECT_TRUE(has(out({"lsstream", "-long", "integ@/pvob"}), "default deliver target: \n"));

  ASSERT_EQ(run({"chstream", "-policy", "DeliverReqRebase", "-title", "Work", "-nc", "dev@/pvob"}),
            0);
  EXPECT_EQ(out({"lsstream", "dev@/pvob"}), "dev@/pvob  \"Work\"\n");
  EXPECT_TRUE(
      has(out({"describe", "stream:dev@/pvob"}),
          "POLICY_STREAM_PVAR = \"<POLICY_STREAM_PVAR><4>ENABLED</4></POLICY_STREAM_PVAR>\""));
  ASSERT_EQ(run({"mkstream", "-in", "integ@/pvob", "-npolicy", "DeliverReqRebase", "-policy",
                 "RebaseAllowCo", "-nc", "sub@/pvob"}),
            0);
  EXPECT_TRUE(has(out({"describe", "stream:sub@/pvob"}), "<17>ENABLED</17>"));

  auto dev_target = vantool({"chstream", "-target", "integ@/pvob", "dev@/pvob"}, owner);
  EXPECT_EQ(dev_target.exit_code, 1);
  EXPECT_TRUE(
      has(dev_target.err, "Cannot set default deliver target of a non-integration stream."));
  EXPECT_TRUE(has(dev_target.err, "Unable to change stream \"dev@/pvob\"."));
  ASSERT_EQ(run({"mkstream", "-in", "integ@/pvob", "-readonly", "-nc", "ro@/pvob"}), 0);
  auto ro = vantool({"chstream", "-policy", "DeliverReqRebase", "ro@/pvob"}, owner);
  EXPECT_EQ(ro.exit_code, 1);
  EXPECT_TRUE(has(ro.err, "Cannot set the policy for read only stream \"ro@/pvob\"."));
  EXPECT_EQ(vantool({"chstream", "dev@/pvob"}, owner).exit_code, 2);
  EXPECT_EQ(
      vantool({"chstream", "-target", "dev@/pvob", "-ntarget", "integ@/pvob"}, owner).exit_code, 2);
}

TEST_F(VantoolStreamAdminTest, ViewsOfAStreamKeepItFromRemoval) {
  auto made = vantool({"mkview", "-tag", "v1", "-stream", "dev@/pvob", home.path() + "/v1"}, owner);
  ASSERT_EQ(made.exit_code, 0) << made.err;
  EXPECT_TRUE(has(made.out, "View \"v1\" is attached to stream \"dev@/pvob\".\n"));
  std::string listed = out({"lsview", "-long", "v1"});
  EXPECT_TRUE(has(listed, "  attributes: sumview\n  stream: dev@/pvob\n")) << listed;
  auto bad =
      vantool({"mkview", "-tag", "v9", "-stream", "nothing@/pvob", home.path() + "/v9"}, owner);
  EXPECT_EQ(bad.exit_code, 1);
  EXPECT_EQ(vantool({"lsview", "v9"}, owner).exit_code, 1) << "no view is left behind";
  ASSERT_EQ(run({"mkview", "-tag", "v2", "-stream", "stream:dev@/pvob", home.path() + "/v2"}), 0);
  ASSERT_EQ(run({"mkview", "-tag", "plain", home.path() + "/plain"}), 0);
  EXPECT_TRUE(has(out({"lsview", "-long", "plain"}), "  stream: (none)\n"));
  EXPECT_TRUE(has(out({"describe", "stream:dev@/pvob"}), "  views: v1, v2\n"));

  EXPECT_EQ(vantool_err({"rmstream", "-nc", "dev@/pvob"}, owner),
            "vantool: Error: Cannot remove stream that has a view (\"v1\") attached to it.\n"
            "vantool: Error: Cannot remove stream that has a view (\"v2\") attached to it.\n"
            "vantool: Error: Unable to remove stream \"dev@/pvob\".\n");
  ASSERT_EQ(run({"rmview", "-tag", "v1"}), 0);
  EXPECT_TRUE(has(out({"describe", "stream:dev@/pvob"}), "  views: v2\n"));
  ASSERT_EQ(run({"rmview", "-tag", "v2"}), 0);
  ASSERT_EQ(run({"rmstream", "-nc", "dev@/pvob"}), 0);
}

TEST_F(VantoolStreamAdminTest, ModifiableComponentsFollowTheStreamsChanges) {
  std::string view = home.path() + "/work";
  ASSERT_EQ(run({"mkvob", "-tag", "/src", "-nc"}), 0);
  ASSERT_EQ(run({"mkview", "-tag", "work", view}), 0);
  ASSERT_EQ(run({"mkcomp", "-root", view + "/src/app", "-nc", "app@/pvob"}), 0);
  ASSERT_EQ(run({"mkcomp", "-root", view + "/src/lib", "-nc", "lib@/pvob"}), 0);
  ASSERT_EQ(run({"mkcomp", "-nroot", "-nc", "group@/pvob"}), 0);

  auto made = vantool(
      {"mkproject", "-in", "RootFolder@/pvob", "-modcomp", "app,group", "-nc", "p2@/pvob"}, owner);
  ASSERT_EQ(made.exit_code, 0) << made.err;
  EXPECT_TRUE(has(made.err, "Skipping component \"group@/pvob\"."));
  EXPECT_TRUE(has(out({"lsproject", "-long", "p2@/pvob"}), "  modifiable components: app@/pvob\n"));
  auto bad =
      vantool({"mkproject", "-in", "RootFolder@/pvob", "-modcomp", "none", "p3@/pvob"}, owner);
  EXPECT_EQ(bad.exit_code, 1);
  EXPECT_TRUE(has(bad.err, "\"none\" does not name a component")) << bad.err;

  ASSERT_EQ(run({"chproject", "-amodcomp", "lib@/pvob,app", "-nc", "proj@/pvob"}), 0);
  EXPECT_TRUE(has(out({"lsproject", "-json", "proj@/pvob"}),
                  "\"modifiable_components\":[\"lib@/pvob\",\"app@/pvob\"]"));

  // A change on dev's branch in app: checkout with -mkbranch makes the branch.
  ASSERT_EQ(run({"checkout", "-nc", view + "/src/app"}), 0);
  ASSERT_EQ(run({"mkelem", "-ci", "-nc", view + "/src/app/a.c"}), 0);
  ASSERT_EQ(run({"checkin", "-nc", view + "/src/app"}), 0);
  std::string cs = home.path() + "/dev.cs";
  FILE* f = std::fopen(cs.c_str(), "w");
  std::fputs(
      "element * CHECKEDOUT\nelement * .../dev/LATEST\nelement * /main/LATEST -mkbranch dev\n", f);
  std::fclose(f);
  ASSERT_EQ(run({"setcs", "-view", "work", cs}), 0);
  ASSERT_EQ(run({"checkout", "-nc", view + "/src/app/a.c"}), 0);

  auto refused = vantool({"chproject", "-dmodcomp", "app,lib", "-nc", "proj@/pvob"}, owner);
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_TRUE(has(refused.err,
                  "Component \"app@/pvob\" has been modified in stream \"dev@/pvob\", "
                  "cannot make it unmodifiable."))
      << refused.err;
  EXPECT_TRUE(
      has(out({"lsproject", "-long", "proj@/pvob"}), "  modifiable components: app@/pvob\n"));
}

}  // namespace
