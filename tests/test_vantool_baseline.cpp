// Baselines end to end through vantool: made in a development stream from
// its activity, labeled, promoted, listed and described; a new stream
// started from that baseline whose view shows the baselined files; an
// imported label type as the foundation of a stream; removal refusals;
// config specs of stream views; composite baselines made and their members
// changed, with the refusals that change nothing; baselines of selected
// activities refused, making nothing, when they leave out an activity they
// build on; and the errors bad usage gets.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/project_builder.h"
#include "support/sandbox.h"
#include "support/vantool_runner.h"
#include "vantool_project_fixture.h"

namespace {

using test_support::has;
using test_support::vantool;
using test_support::vantool_out;
using test_support::vantool_refuses;

// The version at the end of a config spec's identity line; "" when none.
std::string identity_version(const std::string& spec) {
  size_t start = spec.find("\nidentity ZEM.Stream ");
  if (start == std::string::npos)
    return "";
  size_t end = spec.find('\n', start + 1);
  std::string line = spec.substr(start + 1, end - start - 1);
  return line.substr(line.rfind(' ') + 1);
}

class VantoolBaselineTest : public zem_test::VantoolProjectTest {
 protected:
  // The whole VOB /src is component "src" of project "proj", which may
  // modify it; the integration stream starts from its initial baseline and
  // development stream "dev" has view "dev", in which activity "work"
  // added hello.txt.
  void SetUp() override {
    plain = home.path() + "/plain";
    dev = home.path() + "/dev";
    test_support::ProjectSpec spec = test_support::standard_project();
    spec.pvob_level = feature_level();
    ASSERT_TRUE(build_project(home, spec));
    run({"co", "-nc", dev + "/src"});
    test_support::write_file(dev + "/src/hello.txt", "hello from dev\n");
    run({"mkelem", "-ci", "-nc", dev + "/src/hello.txt"});
    run({"ci", "-nc", dev + "/src"});
  }

  // The project VOB's feature level: 8 keeps first-class objects, 6 the
  // activity-based form.
  virtual std::string feature_level() const { return "8"; }

  std::string plain, dev;
};

TEST_F(VantoolBaselineTest, MakeLabelPromoteListAndDescribe) {
  EXPECT_EQ(vantool_out({"mkbl", "-view", "dev", "-nc", "BL1"}),
            "Created baseline \"BL1@/pvob\" of component \"src@/pvob\" (incremental).\n");
  auto again = vantool({"mkbl", "-stream", "dev@/pvob", "-nc", "BL2"});
  EXPECT_EQ(again.exit_code, 0) << again.err;
  EXPECT_TRUE(
      has(again.out, "of component \"src@/pvob\" is unchanged; no new baseline was made.\n"))
      << again.out;
  EXPECT_EQ(vantool({"lsbl", "BL2@/pvob"}).exit_code, 1) << "nothing changed, nothing made";

  EXPECT_EQ(vantool_out({"lsbl", "-stream", "dev@/pvob"}),
            "BL1@/pvob  src@/pvob  INITIAL  incremental\n");
  EXPECT_EQ(vantool_out({"lsbl", "-short", "-component", "src@/pvob"}),
            "src_INITIAL@/pvob\nBL1@/pvob\n");
  std::string described = vantool_out({"describe", "baseline:BL1@/pvob"});
  EXPECT_TRUE(has(described,
                  "  component: src@/pvob\n  stream: dev@/pvob\n  promotion level: INITIAL\n"
                  "  labeling status: incremental\n  depends on: (none)\n  activities:\n"
                  "    work@/pvob  modification count "))
      << described;

  EXPECT_EQ(vantool_out({"chbl", "-level", "TESTED", "-nc", "BL1@/pvob"}),
            "Changed baseline \"BL1@/pvob\" (promotion level TESTED).\n");
  EXPECT_EQ(vantool_out({"lsbl", "-short", "-level", "TESTED", "-component", "src@/pvob"}),
            "BL1@/pvob\n");
  EXPECT_EQ(vantool_out({"lsbl", "-short", "-level", "INITIAL", "-component", "src@/pvob"}),
            "src_INITIAL@/pvob\n");
  EXPECT_TRUE(vantool_refuses({"NOPE"}, {"lsbl", "-level", "NOPE", "-stream", "dev@/pvob"}));
  EXPECT_TRUE(vantool_refuses({"Unable to change baseline \"BL1@/pvob\"."},
                              {"chbl", "-level", "NOPE", "-nc", "BL1@/pvob"}));

  EXPECT_EQ(vantool_out({"chbl", "-full", "-nc", "BL1@/pvob"}),
            "Changed baseline \"BL1@/pvob\" (labeling status full).\n");
  EXPECT_TRUE(vantool_refuses({"Baseline \"BL1@/pvob\" is already fully labeled.",
                               "Unable to change baseline \"BL1@/pvob\"."},
                              {"chbl", "-full", "-nc", "BL1@/pvob"}));
  EXPECT_TRUE(vantool_refuses({"Cannot change the labeling status of the initial baseline"},
                              {"chbl", "-full", "-nc", "src_INITIAL@/pvob"}));
  std::string json = vantool_out({"lsbl", "-json", "BL1@/pvob"});
  EXPECT_TRUE(has(json,
                  "[{\"name\":\"BL1@/pvob\",\"component\":\"src@/pvob\",\"stream\":\"dev@/pvob\","
                  "\"promotion_level\":\"TESTED\",\"labeling_status\":\"full\",\"import\":false,"
                  "\"activities\":[{\"name\":\"work@/pvob\",\"mod_count\":"))
      << json;
}

TEST_F(VantoolBaselineTest, ActivitySubsetsIdenticalBaselinesAndRemoval) {
  run({"mkbl", "-view", "dev", "-nc", "BL1"});
  run({"mkact", "-view", "dev", "-nc", "more"});
  run({"co", "-nc", dev + "/src/hello.txt"});
  test_support::write_file(dev + "/src/hello.txt", "hello again\n");
  run({"ci", "-nc", dev + "/src/hello.txt"});

  EXPECT_EQ(vantool_out({"mkbl", "-view", "dev", "-activities", "work", "-nc", "OLD"}),
            "Baseline \"BL1@/pvob\" of component \"src@/pvob\" is unchanged; no new baseline was "
            "made.\n");
  EXPECT_EQ(vantool_out({"mkbl", "-view", "dev", "-activities", "more", "-full", "-nc", "PART"}),
            "Created baseline \"PART@/pvob\" of component \"src@/pvob\" (full).\n");
  // A baseline of chosen activities keeps what the stream's newest one records.
  std::string part = vantool_out({"lsbl", "-json", "PART@/pvob"});
  EXPECT_TRUE(has(part, "\"activities\":[{\"name\":\"work@/pvob\",\"mod_count\":")) << part;
  EXPECT_TRUE(has(part, "{\"name\":\"more@/pvob\",\"mod_count\":2}]")) << part;
  EXPECT_EQ(vantool_out({"mkbl", "-stream", "dev@/pvob", "-identical", "-nc", "SAME"}),
            "Created baseline \"SAME@/pvob\" of component \"src@/pvob\" (incremental).\n");
  EXPECT_TRUE(vantool_refuses({"Baseline \"SAME@/pvob\" is already incrementally labeled."},
                              {"chbl", "-incremental", "-nc", "SAME@/pvob"}));

  EXPECT_EQ(vantool_out({"rmbl", "-nc", "SAME@/pvob"}), "Removed baseline \"SAME@/pvob\".\n");
  EXPECT_EQ(vantool_out({"lsbl", "-short", "-stream", "dev@/pvob"}), "BL1@/pvob\nPART@/pvob\n");
  EXPECT_EQ(vantool_out({"lsbl", "-short"}), "src_INITIAL@/pvob\nBL1@/pvob\nPART@/pvob\n");
  EXPECT_TRUE(
      vantool_refuses({"\"SAME@/pvob\" does not name a baseline"}, {"rmbl", "-nc", "SAME@/pvob"}));
}

TEST_F(VantoolBaselineTest, SelectedActivitiesMustNotLeaveOutWhatTheyBuildOn) {
  run({"mkbl", "-view", "dev", "-nc", "BL1"});
  // "first" and then "second" change hello.txt; "third" and then "fourth"
  // change it again.
  for (const char* name : {"first", "second", "third", "fourth"}) {
    run({"mkact", "-view", "dev", "-nc", name});
    run({"co", "-nc", dev + "/src/hello.txt"});
    test_support::write_file(dev + "/src/hello.txt", std::string(name) + "\n");
    run({"ci", "-nc", dev + "/src/hello.txt"});
  }
  std::string before = vantool_out({"lsbl", "-short", "-stream", "dev@/pvob"});
  EXPECT_TRUE(vantool_refuses({"Activity \"first@/pvob\" must be added to activity list.",
                               "Unable to make baselines in stream \"dev@/pvob\"."},
                              {"mkbl", "-view", "dev", "-activities", "second", "-nc", "ONLY"}));
  EXPECT_EQ(vantool_out({"lsbl", "-short", "-stream", "dev@/pvob"}), before) << "nothing made";
  EXPECT_EQ(vantool({"lsbl", "ONLY@/pvob"}).exit_code, 1);

  EXPECT_EQ(vantool_out({"mkbl", "-view", "dev", "-activities", "first,second", "-nc", "PAIR"}),
            "Created baseline \"PAIR@/pvob\" of component \"src@/pvob\" (incremental).\n");
  std::string pair = vantool_out({"lsbl", "-json", "PAIR@/pvob"});
  for (const char* kept : {"work@/pvob", "first@/pvob", "second@/pvob"})
    EXPECT_TRUE(has(pair, kept)) << kept << " in " << pair;
  EXPECT_FALSE(has(pair, "third@/pvob")) << pair;

  EXPECT_TRUE(vantool_refuses({"Activity \"third@/pvob\" must be added to activity list."},
                              {"mkbl", "-view", "dev", "-activities", "fourth", "-nc", "X"}));
  EXPECT_EQ(vantool_out({"mkbl", "-view", "dev", "-activities", "fourth", "-nc", "SKIP"},
                        {{"REVERT_QRTU00060301", "True"}}),
            "Created baseline \"SKIP@/pvob\" of component \"src@/pvob\" (incremental).\n");
}

class VantoolBaselineFormsTest : public VantoolBaselineTest,
                                 public ::testing::WithParamInterface<int> {
 protected:
  std::string feature_level() const override { return std::to_string(GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(BothForms, VantoolBaselineFormsTest, ::testing::Values(8, 6));

TEST_P(VantoolBaselineFormsTest, ANewStreamFromTheBaselineShowsItsFiles) {
  run({"mkbl", "-view", "dev", "-nc", "BL1"});
  run({"mkstream", "-in", "dev@/pvob", "-baseline", "BL1@/pvob", "-nc", "child@/pvob"});
  std::string child = home.path() + "/child";
  auto made = vantool({"mkview", "-stream", "child@/pvob", "-tag", "child", child});
  ASSERT_EQ(made.exit_code, 0) << made.err;
  EXPECT_EQ(test_support::read_file(child + "/src/hello.txt"), "hello from dev\n");
  std::string spec = vantool_out({"catcs", "-view", "child"});
  EXPECT_EQ(spec.rfind("zem\nidentity ZEM.Stream ", 0), 0u) << spec;
  EXPECT_EQ(identity_version(spec), "0") << "never regenerated";
  EXPECT_TRUE(has(spec,
                  "This config spec was automatically generated by the ZEM stream\n"
                  "# \"child\" at "))
      << spec;
  EXPECT_TRUE(has(spec, " BL1 ")) << "the baseline's version map selects: " << spec;

  // The integration stream's view still shows the empty initial baseline.
  std::string integration = home.path() + "/int";
  run({"mkview", "-stream", "int@/pvob", "-tag", "int", integration});
  EXPECT_FALSE(std::ifstream(integration + "/src/hello.txt").good());

  EXPECT_TRUE(vantool_refuses({"Cannot remove baseline that is the foundation for a timeline.",
                               "Unable to remove baseline \"BL1@/pvob\"."},
                              {"rmbl", "-nc", "BL1@/pvob"}));
  EXPECT_TRUE(
      vantool_refuses({"Cannot remove baseline that is the initial baseline of a component."},
                      {"rmbl", "-nc", "src_INITIAL@/pvob"}));
  EXPECT_EQ(vantool_out({"lsbl", "-short", "-component", "src@/pvob"}),
            "src_INITIAL@/pvob\nBL1@/pvob\n")
      << "nothing was removed";
}

TEST_F(VantoolBaselineTest, AnImportedLabelTypeFoundsAStream) {
  run({"mkvob", "-tag", "/imp", "-admin", "/pvob", "-nc"});
  run({"co", "-nc", plain + "/imp"});
  test_support::write_file(plain + "/imp/old.txt", "existing file\n");
  run({"mkelem", "-ci", "-nc", plain + "/imp/old.txt"});
  run({"ci", "-nc", plain + "/imp"});
  run({"mkcomp", "-root", plain + "/imp", "-nc", "imp@/pvob"});
  run({"mklbtype", "-nc", "REL@/imp"});
  run({"mklabel", "-nc", "REL", plain + "/imp", plain + "/imp/old.txt"});

  EXPECT_EQ(vantool_out({"mkbl", "-import", "REL", "-component", "imp@/pvob", "-nc"}),
            "Imported label type \"REL@/imp\" as baseline \"REL_imp_IMPORT@/pvob\" of component "
            "\"imp@/pvob\".\n");
  std::string listed = vantool_out({"lsbl", "-long", "REL_imp_IMPORT@/pvob"});
  EXPECT_TRUE(has(listed, "  stream: (none: the component's main timeline)\n"));
  EXPECT_TRUE(has(listed, "  labeling status: full (imported label type)\n")) << listed;

  run({"mkproject", "-in", "RootFolder@/pvob", "-modcomp", "imp@/pvob", "-nc", "p2@/pvob"});
  run({"mkstream", "-in", "p2@/pvob", "-integration", "-baseline", "REL_imp_IMPORT@/pvob", "-nc",
       "p2_int@/pvob"});
  std::string view = home.path() + "/p2";
  run({"mkview", "-stream", "p2_int@/pvob", "-tag", "p2", view});
  EXPECT_EQ(test_support::read_file(view + "/imp/old.txt"), "existing file\n");

  EXPECT_TRUE(vantool_refuses({"does not name a label type"},
                              {"mkbl", "-import", "NOLABEL", "-component", "imp@/pvob", "-nc"}));
  run({"mkcomp", "-nroot", "-nc", "bare@/pvob"});
  EXPECT_TRUE(vantool_refuses(
      {"Cannot import to rootless component \"bare@/pvob\"", "Unable to import label type"},
      {"mkbl", "-import", "REL@/imp", "-component", "bare@/pvob", "-nc"}));
}

TEST_F(VantoolBaselineTest, OutOfDateSnapshotViewRefusesCheckoutsUntilUpdated) {
  const std::string snap = home.path() + "/snap";
  run({"mkview", "-snapshot", "-stream", "dev@/pvob", "-tag", "snap", snap});
  std::string spec = vantool_out({"catcs", "-view", "snap"});
  test_support::write_file(home.path() + "/load.cs", spec + "load /src\n");
  run({"setcs", "-view", "snap", home.path() + "/load.cs"});
  run({"update", "-view", "snap"});
  EXPECT_EQ(test_support::read_file(snap + "/src/hello.txt"), "hello from dev\n");

  run({"chstream", "-generate", "-nc", "dev@/pvob"});
  EXPECT_TRUE(vantool_refuses({"Checkouts are currently disallowed in this\nsnapshot view"},
                              {"co", "-nc", snap + "/src/hello.txt"}));
  run({"update", "-view", "snap"});
  spec = vantool_out({"catcs", "-view", "snap"});
  EXPECT_EQ(identity_version(spec), "1") << "updated to the stream's text: " << spec;
  EXPECT_TRUE(has(spec, "AFTER THIS LINE\nload /src\n")) << "its load rule kept: " << spec;
  run({"setact", "-view", "snap", "work"});
  run({"co", "-nc", snap + "/src/hello.txt"});
}

TEST_F(VantoolBaselineTest, StreamConfigSpecsAndBadUsage) {
  EXPECT_EQ(vantool_out({"chstream", "-generate", "-nc", "dev@/pvob"}),
            "Regenerated the config spec of stream \"dev@/pvob\".\n");
  EXPECT_EQ(vantool_out({"setcs", "-stream", "-view", "dev"}),
            "Set the config spec of view \"dev\" from stream \"dev@/pvob\".\n");
  EXPECT_EQ(test_support::read_file(dev + "/src/hello.txt"), "hello from dev\n")
      << "the stream's own work shows";
  std::string spec = vantool_out({"catcs", "-view", "dev"});
  EXPECT_EQ(identity_version(spec), "1") << "advanced by the regeneration: " << spec;
  EXPECT_TRUE(has(spec, "-mkbranch dev\n")) << spec;

  // A custom element rule survives regeneration and reloading.
  const std::string marker = "#ZEMCustomElemBegin - DO NOT REMOVE";
  const std::string custom = "element /src/notes.txt /main/0 -nocheckout\n";
  std::string edited = spec;
  edited.insert(edited.find('\n', edited.find(marker)) + 1, custom);
  test_support::write_file(home.path() + "/custom.cs", edited);
  run({"setcs", "-view", "dev", home.path() + "/custom.cs"});
  run({"chstream", "-generate", "-nc", "dev@/pvob"});
  run({"setcs", "-stream", "-view", "dev"});
  spec = vantool_out({"catcs", "-view", "dev"});
  EXPECT_EQ(identity_version(spec), "2") << spec;
  EXPECT_TRUE(has(spec, "DD CUSTOM ELEMENT RULES AFTER THIS LINE\n" + custom)) << spec;
  EXPECT_TRUE(vantool_refuses(
      {"View \"plain\" is not attached to a stream, so there is no stream config spec to set."},
      {"setcs", "-stream", "-view", "plain"}));
  EXPECT_TRUE(vantool_refuses(
      {"View \"plain\" is not attached to a stream; name the stream with -stream STREAM."},
      {"mkbl", "-view", "plain", "-nc", "X"}));
  run({"mkcomp", "-nroot", "-nc", "other@/pvob"});
  EXPECT_TRUE(vantool_refuses(
      {"Component \"other@/pvob\" is not in the configuration of stream \"dev@/pvob\".",
       "Unable to make baselines in stream \"dev@/pvob\"."},
      {"mkbl", "-stream", "dev@/pvob", "-component", "other@/pvob", "-nc", "X"}));
  EXPECT_TRUE(vantool_refuses({"\"X@/pvob\" does not name a baseline"}, {"lsbl", "X@/pvob"}));
  EXPECT_TRUE(vantool_refuses({"\"nowork\" does not name an activity"},
                              {"mkbl", "-view", "dev", "-activities", "nowork", "-nc", "X"}));

  struct Usage {
    std::vector<std::string> args;
    std::string message;
  };
  const Usage usages[] = {
      {{"chbl", "-nc", "src_INITIAL@/pvob"}, "Give one of -incremental, -full and -level LEVEL."},
      {{"chbl", "-full", "-level", "TESTED", "src_INITIAL@/pvob"}, "Give one of -incremental"},
      {{"mkbl", "-view", "dev", "-nc"}, "Give the BASENAME of the new baselines."},
      {{"mkbl", "-import", "REL", "-nc"}, "Option \"-import\" needs -component COMPONENT"},
      {{"mkbl", "-full", "-incremental", "X"}, "cannot be used together"},
      {{"setcs", "-view", "dev"}, "Give either a config spec FILE or -stream."},
      {{"setcs", "-stream", "-view", "dev", "file.cs"},
       "Give either a config spec FILE or -stream."},
      {{"chstream", "-none", "-default", "dev@/pvob"}, "cannot be used together"},
  };
  for (const Usage& u : usages) {
    auto r = vantool(u.args);
    EXPECT_EQ(r.exit_code, 2) << u.args[0] << " " << u.args[1];
    EXPECT_TRUE(has(r.err, u.message)) << r.err;
  }
}

}  // namespace

namespace {

// Composite baselines through vantool: rootless components "app" and "lib"
// and the VOB component "src" in the foundation of integration stream
// "p2int" of project "p2".
class VantoolCompositeTest : public VantoolBaselineTest {
 protected:
  void SetUp() override {
    VantoolBaselineTest::SetUp();
    run({"mkcomp", "-nroot", "-nc", "app@/pvob"});
    run({"mkcomp", "-nroot", "-nc", "lib@/pvob"});
    run({"mkproject", "-in", "RootFolder@/pvob", "-nc", "p2@/pvob"});
    run({"mkstream", "-in", "p2@/pvob", "-integration", "-baseline",
         "src_INITIAL@/pvob,app_INITIAL@/pvob,lib_INITIAL@/pvob", "-nc", "p2int@/pvob"});
  }
  std::string listing() { return vantool_out({"lsbl", "-short", "-stream", "p2int@/pvob"}); }
  std::string members(const std::string& baseline) {
    std::string text = vantool_out({"describe", "baseline:" + baseline});
    size_t at = text.find("  depends on: ");
    return at == std::string::npos ? "?" : text.substr(at + 14, text.find('\n', at) - at - 14);
  }
};

TEST_F(VantoolCompositeTest, MakeAndChangeMembersShowingThemEverywhere) {
  std::string made = vantool_out({"mkbl", "-stream", "p2int@/pvob", "-component", "app@/pvob",
                                  "-adepends_on", "lib_INITIAL@/pvob", "-nc", "APP1"});
  EXPECT_TRUE(has(made, "Created baseline \"APP1@/pvob\" of component \"app@/pvob\"")) << made;
  EXPECT_EQ(members("APP1@/pvob"), "lib_INITIAL@/pvob");
  EXPECT_TRUE(
      has(vantool_out({"lsbl", "-long", "APP1@/pvob"}), "  depends on: lib_INITIAL@/pvob\n"));
  EXPECT_TRUE(has(vantool_out({"lsbl", "-json", "APP1@/pvob"}),
                  "\"dependencies\":[\"lib_INITIAL@/pvob\"],\"dependencies_complete\":true"));
  EXPECT_TRUE(has(vantool_out({"describe", "-json", "baseline:APP1@/pvob"}),
                  "\"dependencies\":[\"lib_INITIAL@/pvob\"]"));

  // Adding a member makes a new baseline named after the changed one.
  made = vantool_out({"chbl", "-adepends_on", "src_INITIAL@/pvob", "-nc", "APP1@/pvob"});
  EXPECT_TRUE(has(made, "Created baseline \"APP1.1@/pvob\" of component \"app@/pvob\"")) << made;
  EXPECT_EQ(members("APP1.1@/pvob"), "lib_INITIAL@/pvob, src_INITIAL@/pvob");
  EXPECT_EQ(members("APP1@/pvob"), "lib_INITIAL@/pvob") << "the changed baseline stays as it was";

  made = vantool_out({"chbl", "-ddepends_on", "lib_INITIAL@/pvob", "-nc", "APP1.1@/pvob"});
  EXPECT_TRUE(has(made, "Created baseline \"APP1.2@/pvob\"")) << made;
  EXPECT_EQ(members("APP1.2@/pvob"), "src_INITIAL@/pvob");
  EXPECT_EQ(members("APP1.1@/pvob"), "lib_INITIAL@/pvob, src_INITIAL@/pvob");

  // Dropping a component that is no member warns and makes nothing; so
  // does a plain mkbl of the stream with nothing changed.
  auto r = vantool({"chbl", "-ddepends_on", "lib_INITIAL@/pvob", "-nc", "APP1.2@/pvob"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(has(r.err, "Component \"app@/pvob\" does not depend on component \"lib@/pvob\".\n"))
      << r.err;
  EXPECT_TRUE(has(r.out, "Baseline \"APP1.2@/pvob\" of component \"app@/pvob\" is unchanged"))
      << r.out;
  made = vantool_out({"mkbl", "-stream", "p2int@/pvob", "-nc", "ALL"});
  EXPECT_FALSE(has(made, "Created")) << made;
  EXPECT_EQ(listing(), "APP1@/pvob\nAPP1.1@/pvob\nAPP1.2@/pvob\n");
}

TEST_F(VantoolCompositeTest, RefusedMemberChangesLeaveEverythingAsItWas) {
  run({"mkbl", "-stream", "p2int@/pvob", "-component", "app@/pvob", "-adepends_on",
       "lib_INITIAL@/pvob", "-nc", "APP1"});
  run({"chbl", "-adepends_on", "src_INITIAL@/pvob", "-nc", "APP1@/pvob"});
  const std::string before = listing();
  ASSERT_EQ(before, "APP1@/pvob\nAPP1.1@/pvob\n");
  const std::string unable = "Unable to change the members of baseline \"APP1.1@/pvob\".";

  EXPECT_TRUE(
      vantool_refuses({"Component \"app@/pvob\" cannot depend on itself.", unable},
                      {"chbl", "-adepends_on", "app_INITIAL@/pvob", "-nc", "APP1.1@/pvob"}));
  EXPECT_TRUE(vantool_refuses(
      {"Component \"app@/pvob\" already depends on component \"lib@/pvob\".", unable},
      {"chbl", "-adepends_on", "lib_INITIAL@/pvob", "-nc", "APP1.1@/pvob"}));
  EXPECT_TRUE(vantool_refuses({"\"NOPE@/pvob\" does not name a baseline", unable},
                              {"chbl", "-adepends_on", "NOPE@/pvob", "-nc", "APP1.1@/pvob"}));
  EXPECT_TRUE(vantool_refuses(
      {"Making \"lib@/pvob\" depend on \"app@/pvob\"\nwould create a cycle in the dependency "
       "graph.",
       "Unable to make baselines in stream \"p2int@/pvob\"."},
      {"mkbl", "-stream", "p2int@/pvob", "-component", "lib@/pvob", "-adepends_on", "APP1.1@/pvob",
       "-nc", "LIB1"}));
  EXPECT_TRUE(vantool_refuses(
      {"Baseline \"APP1@/pvob\" is not the current baseline of component \"app@/pvob\" in stream "
       "\"p2int@/pvob\""},
      {"mkbl", "-stream", "p2int@/pvob", "-component", "lib@/pvob", "-adepends_on", "APP1@/pvob",
       "-nc", "LIB1"}));
  EXPECT_TRUE(vantool_refuses(
      {"Baseline \"APP1@/pvob\" is not the newest baseline of component \"app@/pvob\" in stream "
       "\"p2int@/pvob\" (\"APP1.1@/pvob\" is)"},
      {"chbl", "-ddepends_on", "lib_INITIAL@/pvob", "-nc", "APP1@/pvob"}));
  EXPECT_TRUE(
      vantool_refuses({"Baseline \"lib_INITIAL@/pvob\" was not made in a stream"},
                      {"chbl", "-adepends_on", "app_INITIAL@/pvob", "-nc", "lib_INITIAL@/pvob"}));
  EXPECT_TRUE(
      vantool_refuses({"No permission to change stream \"p2int@/pvob\": user \"mallory\"", unable},
                      {"chbl", "-ddepends_on", "lib_INITIAL@/pvob", "-nc", "APP1.1@/pvob"},
                      {{"KORVANE_USER", "mallory"}}));
  EXPECT_EQ(listing(), before);
  EXPECT_EQ(members("APP1.1@/pvob"), "lib_INITIAL@/pvob, src_INITIAL@/pvob");
  EXPECT_EQ(vantool_out({"lsbl", "-short", "-component", "lib@/pvob"}), "lib_INITIAL@/pvob\n");

  struct Usage {
    std::vector<std::string> args;
    std::string message;
  };
  const Usage usages[] = {
      {{"chbl", "-full", "-adepends_on", "lib_INITIAL@/pvob", "APP1.1@/pvob"},
       "cannot be used together"},
      {{"chbl", "-ddepends_on", "lib_INITIAL@/pvob", "APP1@/pvob", "APP1.1@/pvob"},
       "Give the one BASELINE whose members change."},
      {{"mkbl", "-stream", "p2int@/pvob", "-adepends_on", "lib_INITIAL@/pvob", "-nc", "X"},
       "Option \"-adepends_on\" needs -component COMPONENT"},
  };
  for (const Usage& u : usages) {
    auto r = vantool(u.args);
    EXPECT_EQ(r.exit_code, 2) << u.args[0] << " " << u.args[1];
    EXPECT_TRUE(has(r.err, u.message)) << r.err;
  }
}

}  // namespace
