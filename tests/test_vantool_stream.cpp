// vantool mkstream, lsstream and rmstream end to end: the hierarchy a
// project's streams form and how it is shown, the deliver target given at
// creation, the refusals, and the options that need parts not built yet.
#include <gtest/gtest.h>

#include <string>

#include "support/vantool_runner.h"

namespace {

using test_support::TempHome;
using test_support::vantool;

class VantoolStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(vantool({"mkvob", "-tag", "/pvob", "-pvob", "-nc"}, owner).exit_code, 0);
    ASSERT_EQ(
        vantool({"mkproject", "-in", "RootFolder@/pvob", "-nc", "proj@/pvob"}, owner).exit_code, 0);
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
  auto made =
      vantool({"mkstream", "-in", "proj@/pvob", "-integration", "-nc", "integ@/pvob"}, owner);
  ASSERT_EQ(made.exit_code, 0) << made.err;
  EXPECT_EQ(made.out, "Created stream \"integ@/pvob\".\n");
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
            "  recommended baselines: \n  stream-modifiable components: \n");
  EXPECT_EQ(vantool({"lsstream", "-json", "ro@/pvob"}, owner).out,
            "[{\"name\":\"ro@/pvob\",\"title\":\"ro\",\"project\":\"proj@/pvob\","
            "\"parent\":\"integ@/pvob\",\"integration\":false,\"read_only\":true,"
            "\"deliver_target\":\"\",\"foundation\":[],\"recommended\":[],\"mod_comps\":[]}]\n");
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
  auto second =
      vantool({"mkstream", "-in", "proj@/pvob", "-integration", "-nc", "i2@/pvob"}, owner);
  EXPECT_EQ(second.exit_code, 1);
  EXPECT_NE(second.err.find("already has an integration stream \"integ@/pvob\""),
            std::string::npos);
  EXPECT_NE(second.err.find("Unable to create stream \"i2@/pvob\"."), std::string::npos);
  auto nowhere = vantool({"mkstream", "-in", "nothing@/pvob", "-nc", "x@/pvob"}, owner);
  EXPECT_EQ(nowhere.exit_code, 1);
  EXPECT_NE(nowhere.err.find("\"nothing@/pvob\" names neither a project nor a stream."),
            std::string::npos);
  auto later =
      vantool({"mkstream", "-in", "proj@/pvob", "-baseline", "X", "-nc", "y@/pvob"}, owner);
  EXPECT_EQ(later.exit_code, 1);
  EXPECT_NE(later.err.find("\"X\" does not name a baseline"), std::string::npos) << later.err;
  auto unknown =
      vantool({"mkstream", "-in", "proj@/pvob", "-policy", "X", "-nc", "y@/pvob"}, owner);
  EXPECT_EQ(unknown.exit_code, 1);
  EXPECT_NE(unknown.err.find("Unknown policy name \"X\" specified."), std::string::npos)
      << unknown.err;
  EXPECT_EQ(vantool({"lsstream", "-short", "y@/pvob"}, owner).exit_code, 1);

  auto busy = vantool({"rmstream", "-nc", "integ@/pvob"}, owner);
  EXPECT_EQ(busy.exit_code, 1);
  EXPECT_NE(busy.err.find("Cannot remove a stream that has child streams."), std::string::npos);
  auto removed = vantool({"rmstream", "-nc", "dev@/pvob"}, owner);
  ASSERT_EQ(removed.exit_code, 0) << removed.err;
  EXPECT_EQ(removed.out, "Removed stream \"dev@/pvob\".\n");
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

  auto refused = vantool(
      {"mkstream", "-in", "integ@/pvob", "-baseline", "c3_INITIAL@/pvob", "-nc", "x@/pvob"}, owner);
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_NE(refused.err.find("Can't use baseline \"c3_INITIAL@/pvob\"\nof component \"c3@/pvob\""
                             " because it is not from the parent stream,"),
            std::string::npos)
      << refused.err;
  EXPECT_NE(refused.err.find("Unable to create stream \"x@/pvob\"."), std::string::npos);

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

  auto modcomp = vantool({"chstream", "-amodcomp", "c1@/pvob", "-nc", "integ@/pvob"}, owner);
  EXPECT_EQ(modcomp.exit_code, 1);
  EXPECT_NE(modcomp.err.find("Changing modifiable component list for integration stream is not "
                             "allowed."),
            std::string::npos);
}

}  // namespace
