// rebase -preview end to end, with what it rests on: the recommended
// baselines of the integration stream (chstream -recommended and its
// refusals) and lsstream showing a development stream behind them. A
// preview advancing a stream, one with nothing to change, one reverting,
// and the refusals: a baseline of another development stream, an
// integration stream taking its own baseline or without -baseline, names
// that are no baseline or stream. A preview changes nothing in the store.
// Also mkproject -istream with a baseline refused: the project goes again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/project_builder.h"
#include "support/sandbox.h"
#include "support/vantool_runner.h"
#include "vantool_project_fixture.h"

namespace {

using test_support::has;
using test_support::vantool;
using test_support::vantool_err;
using test_support::vantool_out;
using test_support::vantool_refuses;

class VantoolRebasePreviewTest : public zem_test::VantoolProjectTest {
 protected:
  // The standard project (component src, integration stream "int" on
  // src_INITIAL, development stream "dev" with view "dev"), then in a view
  // of "int" activity "fix" adds fix.txt and baseline INT1 records it;
  // "int" recommends INT1. "dev" was made before and is still on
  // src_INITIAL. Development stream "dev2" (view "dev2") made baseline
  // DEV2BL of its own work, never delivered.
  void SetUp() override {
    ASSERT_TRUE(build_project(home, test_support::standard_project()));
    make_view("int@/pvob", "int");
    run({"mkact", "-view", "int", "-headline", "Fix", "-nc", "fix@/pvob"});
    add_file("int", "fix.txt");
    run({"mkbl", "-view", "int", "-nc", "INT1"});
    run({"chstream", "-recommended", "INT1@/pvob", "-nc", "int@/pvob"});

    run({"mkstream", "-in", "proj@/pvob", "-nc", "dev2@/pvob"});
    make_view("dev2@/pvob", "dev2");
    run({"mkact", "-view", "dev2", "-headline", "Other work", "-nc", "other@/pvob"});
    add_file("dev2", "other.txt");
    run({"mkbl", "-view", "dev2", "-nc", "DEV2BL"});
  }

  // What a preview must leave alone: the stream as lsstream shows it and
  // the config spec of its view.
  std::string state(const std::string& stream, const std::string& view) {
    return vantool_out({"lsstream", "-json", stream}) + vantool_out({"catcs", "-view", view});
  }
};

// ---- previews that would be accepted -----------------------------------

TEST_F(VantoolRebasePreviewTest, DevelopmentStreamBehindItsRecommendation) {
  std::string shown = vantool_out({"lsstream", "-long", "dev@/pvob"});
  EXPECT_TRUE(has(shown, "  foundation baselines: src_INITIAL@/pvob\n")) << shown;
  EXPECT_TRUE(has(shown, "  rebase stream: int@/pvob\n  behind recommended: INT1@/pvob\n"))
      << shown;
  std::string json = vantool_out({"lsstream", "-json", "dev@/pvob"});
  EXPECT_TRUE(has(json, "\"rebase_stream\":\"int@/pvob\",\"behind_recommended\":[\"INT1@/pvob\"]"))
      << json;

  std::string before = state("dev@/pvob", "dev");
  auto preview = vantool({"rebase", "-preview", "-stream", "dev@/pvob"});
  EXPECT_EQ(preview.exit_code, 0) << preview.err;
  EXPECT_EQ(preview.out,
            "Rebase of stream \"dev@/pvob\" to the recommended baselines of stream "
            "\"int@/pvob\" (preview):\n"
            "Advancing to baseline \"INT1@/pvob\" of component \"src@/pvob\"\n"
            "A rebase would change the configuration of stream \"dev@/pvob\" as listed above; "
            "the preview changed nothing.\n");
  EXPECT_EQ(preview.err, "");
  // The view's stream, and -recommended said out loud, preview the same.
  EXPECT_EQ(vantool_out({"rebase", "-preview", "-recommended", "-view", "dev"}), preview.out);
  EXPECT_TRUE(has(vantool_out({"rebase", "-preview", "-baseline", "INT1", "-view", "dev"}),
                  "to the baselines given (preview):\nAdvancing to baseline \"INT1@/pvob\""));
  EXPECT_EQ(state("dev@/pvob", "dev"), before) << "a preview changes nothing";

  // A new stream without -baseline starts where its parent would send it:
  // what the parent recommends, else the parent's own foundation.
  run({"mkstream", "-in", "int@/pvob", "-nc", "dev3@/pvob"});
  EXPECT_TRUE(has(vantool_out({"lsstream", "-long", "dev3@/pvob"}),
                  "  foundation baselines: INT1@/pvob\n"));
  run({"mkstream", "-in", "dev@/pvob", "-nc", "sub@/pvob"});
  EXPECT_TRUE(has(vantool_out({"lsstream", "-long", "sub@/pvob"}),
                  "  foundation baselines: src_INITIAL@/pvob\n"));
}

TEST_F(VantoolRebasePreviewTest, UpToDateAndRevertingStreams) {
  // A stream made now takes the recommendation: nothing to advance.
  run({"mkstream", "-in", "proj@/pvob", "-nc", "late@/pvob"});
  std::string late = vantool_out({"lsstream", "-long", "late@/pvob"});
  EXPECT_TRUE(has(late, "  foundation baselines: INT1@/pvob\n")) << late;
  EXPECT_TRUE(has(late, "  rebase stream: int@/pvob\n  behind recommended: (up to date)\n"));
  EXPECT_EQ(vantool_out({"rebase", "-preview", "-stream", "late@/pvob"}),
            "Rebase of stream \"late@/pvob\" to the recommended baselines of stream "
            "\"int@/pvob\" (preview):\n"
            "Not changing baseline \"INT1@/pvob\" of component \"src@/pvob\"\n"
            "Stream \"late@/pvob\" is up to date: a rebase to these baselines would change "
            "nothing.\n");
  // It has changed nothing yet, so it may go back to the initial baseline.
  make_view("late@/pvob", "late");
  std::string before = state("late@/pvob", "late");
  auto back = vantool({"rebase", "-preview", "-baseline", "src_INITIAL", "-stream", "late@/pvob"});
  EXPECT_EQ(back.exit_code, 0) << back.err;
  EXPECT_TRUE(has(
      back.out, "Reverting to earlier baseline \"src_INITIAL@/pvob\" of component \"src@/pvob\"\n"))
      << back.out;
  EXPECT_EQ(state("late@/pvob", "late"), before);

  // An integration stream has no rebase stream.
  std::string integ = vantool_out({"lsstream", "-long", "int@/pvob"});
  EXPECT_TRUE(has(integ, "  rebase stream: (none)\n  behind recommended: (no rebase stream)\n"))
      << integ;
}

// ---- refusals -------------------------------------------------------------------------

TEST_F(VantoolRebasePreviewTest, BaselinesAStreamMayNotTakeAreRefused) {
  std::string before = state("dev@/pvob", "dev");
  auto other = vantool({"rebase", "-preview", "-baseline", "DEV2BL@/pvob", "-stream", "dev@/pvob"});
  EXPECT_EQ(other.exit_code, 1);
  EXPECT_TRUE(has(other.err,
                  "Can't use baseline \"DEV2BL@/pvob\"\nof component \"src@/pvob\" "
                  "because it is not from the parent stream,"))
      << other.err;
  EXPECT_TRUE(has(other.err,
                  "A rebase of stream \"dev@/pvob\" to these baselines would be "
                  "refused for the components listed above.\n"))
      << other.err;
  EXPECT_EQ(state("dev@/pvob", "dev"), before);

  // The integration stream cannot take a baseline it made itself.
  EXPECT_TRUE(
      vantool_refuses({"Can't rebase to baseline \"INT1@/pvob\"\nof component "
                       "\"src@/pvob\" because it was created in this stream."},
                      {"rebase", "-preview", "-baseline", "INT1@/pvob", "-stream", "int@/pvob"}));
}

TEST_F(VantoolRebasePreviewTest, WhatCannotBePreviewed) {
  EXPECT_EQ(vantool_err({"rebase", "-preview", "-stream", "int@/pvob"}),
            "vantool: Error: Stream \"int@/pvob\" is an integration stream: it has no rebase "
            "stream whose recommended baselines it could take. Name the baselines to rebase to "
            "with -baseline.\n");
  EXPECT_EQ(vantool_err({"rebase", "-preview", "-baseline", "nothing", "-stream", "dev@/pvob"}),
            "vantool: Error: \"nothing\" does not name a baseline: give NAME@PVOB or "
            "baseline:NAME@PVOB.\n");
  EXPECT_TRUE(vantool_refuses({"View \"plain\" is not attached to a stream"},
                              {"rebase", "-preview", "-view", "plain"}));
  // Two baselines of one component.
  EXPECT_TRUE(vantool_refuses(
      {"Unable to compute the new configuration of stream \"dev@/pvob\"."},
      {"rebase", "-preview", "-baseline", "INT1@/pvob,src_INITIAL@/pvob", "-stream", "dev@/pvob"}));
  for (auto usage : {std::vector<std::string>{"-recommended", "-baseline", "INT1@/pvob"},
                     std::vector<std::string>{"-status"}, std::vector<std::string>{"-complete"}}) {
    usage.insert(usage.begin(), {"rebase", "-preview"});
    EXPECT_EQ(vantool(usage).exit_code, 2) << usage[2];
  }
  // -stream and -view together: the view must be attached to the stream.
  EXPECT_TRUE(has(vantool_out({"rebase", "-preview", "-stream", "dev@/pvob", "-view", "dev"}),
                  "Advancing to baseline \"INT1@/pvob\""));
  EXPECT_TRUE(vantool_refuses({"View \"dev2\" is not attached to stream \"dev@/pvob\""},
                              {"rebase", "-preview", "-stream", "dev@/pvob", "-view", "dev2"}));
  EXPECT_TRUE(has(vantool_out({"help", "rebase"}),
                  "rebase -preview [-recommended|-baseline BASELINES] [-view TAG]"));
}

// ---- recommendations (chstream) ---------------------------------------------------------

TEST_F(VantoolRebasePreviewTest, RecommendationsTheStreamMayMake) {
  auto recommended = [] {
    std::string shown = vantool_out({"lsstream", "-long", "int@/pvob"});
    size_t start = shown.find("  recommended baselines: ");
    return shown.substr(start, shown.find('\n', start) - start);
  };
  EXPECT_EQ(recommended(), "  recommended baselines: INT1@/pvob") << "made in the stream";
  // Its foundation baseline.
  EXPECT_EQ(vantool_out({"chstream", "-recommended", "src_INITIAL@/pvob", "-nc", "int@/pvob"}),
            "Changed stream \"int@/pvob\".\n");
  EXPECT_EQ(recommended(), "  recommended baselines: src_INITIAL@/pvob");
  EXPECT_TRUE(
      has(vantool_out({"lsstream", "-long", "dev@/pvob"}), "  behind recommended: (up to date)\n"));
  // -default: the newest baseline the stream made at the rebase level.
  EXPECT_EQ(vantool_out({"chstream", "-default", "-nc", "int@/pvob"}),
            "Changed stream \"int@/pvob\".\n");
  EXPECT_EQ(recommended(), "  recommended baselines: INT1@/pvob");
  // -none: nothing recommended, nothing to be behind.
  EXPECT_EQ(vantool_out({"chstream", "-none", "-nc", "int@/pvob"}),
            "Changed stream \"int@/pvob\".\n");
  EXPECT_EQ(recommended(), "  recommended baselines: ");
  EXPECT_TRUE(
      has(vantool_out({"lsstream", "-long", "dev@/pvob"}), "  behind recommended: (up to date)\n"));
  auto nothing = vantool({"rebase", "-preview", "-stream", "dev@/pvob"});
  EXPECT_EQ(nothing.exit_code, 0) << nothing.err;
  EXPECT_TRUE(has(nothing.out, "Stream \"int@/pvob\" recommends no baselines.\n")) << nothing.out;
  EXPECT_TRUE(has(nothing.out, "Stream \"dev@/pvob\" is up to date")) << nothing.out;
}

TEST_F(VantoolRebasePreviewTest, RecommendationsRefusedPerComponent) {
  // A component the stream does not have.
  run({"mkcomp", "-nroot", "-nc", "other@/pvob"});
  EXPECT_TRUE(vantool_refuses(
      {"Cannot recommend baseline \"other_INITIAL@/pvob\" because its component is not visible "
       "in the stream \"int@/pvob\"",
       "Unable to change stream \"int@/pvob\"."},
      {"chstream", "-recommended", "other_INITIAL@/pvob", "-nc", "int@/pvob"}));
  EXPECT_TRUE(
      has(vantool_out({"lsstream", "-long", "int@/pvob"}), "  recommended baselines: INT1@/pvob\n"))
      << "a refusal changes nothing";
}

// ---- mkproject -istream with a refused baseline ---------------------------------------------

TEST_F(VantoolRebasePreviewTest, ProjectWhoseIntegrationStreamIsRefusedIsRemovedAgain) {
  // DEV2BL was made in a development stream: no integration stream starts
  // from it.
  auto refused = vantool({"mkproject", "-in", "RootFolder@/pvob", "-istream", "rel_int",
                          "-baseline", "DEV2BL@/pvob", "-nc", "rel@/pvob"});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_EQ(refused.out, "");
  EXPECT_TRUE(has(refused.err,
                  "Can't rebase to baseline \"DEV2BL@/pvob\"\nof component "
                  "\"src@/pvob\".  You can only rebase an integration stream to"))
      << refused.err;
  EXPECT_TRUE(has(refused.err,
                  "Unable to create stream \"rel_int@/pvob\".\n"
                  "vantool: Error: Project \"rel@/pvob\" was removed again, since its integration "
                  "stream \"rel_int@/pvob\" could not be made.\n"))
      << refused.err;
  EXPECT_EQ(vantool({"lsproject", "rel@/pvob"}).exit_code, 1);
  EXPECT_EQ(vantool({"lsstream", "rel_int@/pvob"}).exit_code, 1);
  // The same project with the integration stream's baseline.
  EXPECT_EQ(vantool_out({"mkproject", "-in", "RootFolder@/pvob", "-istream", "rel_int", "-baseline",
                         "INT1@/pvob", "-nc", "rel@/pvob"}),
            "Created project \"rel@/pvob\".\nCreated stream \"rel_int@/pvob\".\n");
}

}  // namespace
