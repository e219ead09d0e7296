// vantool mkstream, lsstream and rmstream end to end: the hierarchy a
// project's streams form and how it is shown, the deliver target given at
// creation, the refusals, and the options that need parts not built yet.
#include <gtest/gtest.h>

#include <string>

#include "support/project_builder.h"
#include "support/vantool_runner.h"

namespace {

using test_support::TempHome;
using test_support::vantool;
using test_support::vantool_out;
using test_support::vantool_refuses;

class VantoolStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_support::ProjectSpec spec;
    spec.user = owner;
    spec.vobs.clear();
    spec.project = "proj";
    ASSERT_TRUE(build_project(home, spec));
  }
  int mk(std::vector<std::string> args) {
    args.insert(args.begin(), "mkstream");
    args.insert(args.end() - 1, "-nc");
    return vantool(args, owner).exit_code;
  }
  test_support::Env owner{{"KORVANE_USER", "vobadmin"}};
  TempHome home;
};

TEST_F(VantoolStreamTest, CreatesAndShowsTheHierarchy) {
  EXPECT_EQ(
      vantool_out({"mkstream", "-in", "proj@/pvob", "-integration", "-nc", "integ@/pvob"}, owner),
      "Created stream \"integ@/pvob\".\n");
  ASSERT_EQ(mk({"-in", "proj@/pvob", "-title", "Dev work", "dev@/pvob"}), 0);
  ASSERT_EQ(mk({"-in", "dev@/pvob", "sub@/pvob"}), 0);
  ASSERT_EQ(mk({"-in", "integ@/pvob", "-readonly", "ro@/pvob"}), 0);

  EXPECT_EQ(vantool({"lsstream", "-tree"}, owner).out,
            "proj@/pvob\n  integ@/pvob (integration)\n    dev@/pvob\n      sub@/pvob\n"
            "    ro@/pvob (read-only)\n");
  EXPECT_EQ(vantool({"lsstream", "-tree", "dev@/pvob"}, owner).out, "dev@/pvob\n  sub@/pvob\n");
  EXPECT_EQ(vantool({"lsstream", "-in", "proj@/pvob"}, owner).out,
            "integ@/pvob  \"integ\"  (integration)\ndev@/pvob  \"Dev work\"\nsub@/pvob  \"sub\"\n"
            "ro@/pvob  \"ro\"  (read-only)\n");
  EXPECT_EQ(vantool({"lsstream", "-short", "stream:sub@/pvob"}, owner).out, "sub@/pvob\n");
  EXPECT_EQ(vantool({"lsstream", "-long", "dev@/pvob"}, owner).out,
            "stream \"dev@/pvob\"\n  title: Dev work\n  project: proj@/pvob\n"
            "  parent stream: integ@/pvob\n  kind: development\n"
            "  default deliver target: integ@/pvob\n  foundation baselines: \n"
            "  recommended baselines: \n  stream-modifiable components: \n"
            "  rebase stream: integ@/pvob\n  behind recommended: (up to date)\n");
  EXPECT_EQ(vantool({"lsstream", "-json", "ro@/pvob"}, owner).out,
            "[{\"name\":\"ro@/pvob\",\"title\":\"ro\",\"project\":\"proj@/pvob\","
            "\"parent\":\"integ@/pvob\",\"integration\":false,\"read_only\":true,"
            "\"deliver_target\":\"\",\"foundation\":[],\"recommended\":[],\"mod_comps\":[],"
            "\"rebase_stream\":\"integ@/pvob\",\"behind_recommended\":[],"
            "\"rebase_in_progress\":null,\"deliver_in_progress\":null}]\n");
}

TEST_F(VantoolStreamTest, DeliverTargetAtCreation) {
  ASSERT_EQ(
      vantool({"mkproject", "-in", "RootFolder@/pvob", "-nc", "other@/pvob"}, owner).exit_code, 0);
  ASSERT_EQ(mk({"-in", "other@/pvob", "-integration", "o_int@/pvob"}), 0);
  ASSERT_EQ(mk({"-in", "proj@/pvob", "-integration", "-target", "o_int@/pvob", "integ@/pvob"}), 0);
  EXPECT_NE(vantool({"lsstream", "-long", "integ@/pvob"}, owner)
                .out.find("  default deliver target: o_int@/pvob\n"),
            std::string::npos);
  auto dev = vantool(
      {"mkstream", "-in", "proj@/pvob", "-target", "o_int@/pvob", "-nc", "dev@/pvob"}, owner);
  EXPECT_EQ(dev.exit_code, 1);
  EXPECT_NE(dev.err.find("Cannot set default deliver target of a non-integration stream."),
            std::string::npos);
  EXPECT_EQ(vantool({"lsstream", "dev@/pvob"}, owner).exit_code, 1);
}

TEST_F(VantoolStreamTest, RefusalsAndRemoval) {
  ASSERT_EQ(mk({"-in", "proj@/pvob", "-integration", "integ@/pvob"}), 0);
  ASSERT_EQ(mk({"-in", "proj@/pvob", "dev@/pvob"}), 0);
  EXPECT_TRUE(vantool_refuses({"already has an integration stream \"integ@/pvob\"",
                               "Unable to create stream \"i2@/pvob\"."},
                              {"mkstream", "-in", "proj@/pvob", "-integration", "-nc", "i2@/pvob"},
                              owner));
  EXPECT_TRUE(vantool_refuses({"\"nothing@/pvob\" names neither a project nor a stream."},
                              {"mkstream", "-in", "nothing@/pvob", "-nc", "x@/pvob"}, owner));
  EXPECT_TRUE(vantool_refuses({"\"X\" does not name a baseline"},
                              {"mkstream", "-in", "proj@/pvob", "-baseline", "X", "-nc", "y@/pvob"},
                              owner));
  EXPECT_TRUE(vantool_refuses({"Unknown policy name \"X\" specified."},
                              {"mkstream", "-in", "proj@/pvob", "-policy", "X", "-nc", "y@/pvob"},
                              owner));
  EXPECT_EQ(vantool({"lsstream", "-short", "y@/pvob"}, owner).exit_code, 1);

  EXPECT_TRUE(vantool_refuses({"Cannot remove a stream that has child streams."},
                              {"rmstream", "-nc", "integ@/pvob"}, owner));
  EXPECT_EQ(vantool_out({"rmstream", "-nc", "dev@/pvob"}, owner),
            "Removed stream \"dev@/pvob\".\n");
  ASSERT_EQ(vantool({"rmstream", "-nc", "integ@/pvob"}, owner).exit_code, 0);
  EXPECT_EQ(vantool({"lsstream", "-tree", "-in", "proj@/pvob"}, owner).out, "proj@/pvob\n");
  EXPECT_EQ(mk({"-in", "proj@/pvob", "-integration", "integ2@/pvob"}), 0);
}

TEST_F(VantoolStreamTest, FoundationsAndRecommendedBaselines) {
  for (const char* comp : {"c1@/pvob", "c2@/pvob", "c3@/pvob"})
    ASSERT_EQ(vantool({"mkcomp", "-nroot", "-nc", comp}, owner).exit_code, 0) << comp;
  ASSERT_EQ(mk({"-in", "proj@/pvob", "-integration", "-baseline",
                "c1_INITIAL@/pvob,baseline:c2_INITIAL@/pvob", "integ@/pvob"}),
            0);
  ASSERT_EQ(mk({"-in", "proj@/pvob", "dev@/pvob"}), 0) << "takes the recommended baselines";
  auto shown = vantool({"lsstream", "-long", "dev@/pvob"}, owner).out;
  EXPECT_NE(shown.find("  foundation baselines: c1_INITIAL@/pvob, c2_INITIAL@/pvob\n"
                       "  recommended baselines: \n"),
            std::string::npos)
      << shown;

  EXPECT_TRUE(vantool_refuses(
      {"Can't use baseline \"c3_INITIAL@/pvob\"\nof component \"c3@/pvob\""
       " because it is not from the parent stream,",
       "Unable to create stream \"x@/pvob\"."},
      {"mkstream", "-in", "integ@/pvob", "-baseline", "c3_INITIAL@/pvob", "-nc", "x@/pvob"},
      owner));

  auto changed =
      vantool({"chstream", "-recommended", "c2_INITIAL@/pvob", "-nc", "integ@/pvob"}, owner);
  ASSERT_EQ(changed.exit_code, 0) << changed.err;
  EXPECT_NE(vantool({"lsstream", "-long", "integ@/pvob"}, owner)
                .out.find("  foundation baselines: c1_INITIAL@/pvob, c2_INITIAL@/pvob\n"
                          "  recommended baselines: c2_INITIAL@/pvob\n"),
            std::string::npos);
  ASSERT_EQ(mk({"-in", "proj@/pvob", "dev2@/pvob"}), 0);
  EXPECT_NE(vantool({"lsstream", "-long", "dev2@/pvob"}, owner)
                .out.find("  foundation baselines: c2_INITIAL@/pvob\n"),
            std::string::npos);
  ASSERT_EQ(vantool({"chstream", "-nrecommended", "-nc", "integ@/pvob"}, owner).exit_code, 0);
  EXPECT_NE(vantool({"lsstream", "-json", "integ@/pvob"}, owner).out.find("\"recommended\":[]"),
            std::string::npos);

  EXPECT_TRUE(vantool_refuses({"Changing modifiable component list for integration stream is not "
                               "allowed."},
                              {"chstream", "-amodcomp", "c1@/pvob", "-nc", "integ@/pvob"}, owner));
}

}  // namespace
