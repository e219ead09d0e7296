// diffbl end to end: the activities (with headlines) and versions that
// differ between baselines, a baseline and a stream's current work, and two
// streams; the -predecessor and -first forms; machine-readable output; and
// the refusals: other components, other import roots (each pairing with its
// own message), names that are neither baselines nor streams, bad usage.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/project_builder.h"
#include "support/sandbox.h"
#include "support/vantool_runner.h"
#include "vantool_project_fixture.h"

namespace {

using test_support::vantool;
using test_support::vantool_out;
using test_support::vantool_refuses;

class VantoolDiffblTest : public zem_test::VantoolProjectTest {
 protected:
  // Project "proj" on component src: in development stream "dev" (view
  // "dev"), activity "work" adds hello.txt and is baselined as DEV1; then
  // "second" changes hello.txt twice and DEV2 records both.
  void SetUp() override {
    ASSERT_TRUE(build_project(home, test_support::standard_project()));
    dev = home.path() + "/dev";
    run({"co", "-nc", dev + "/src"});
    test_support::write_file(dev + "/src/hello.txt", "hello\n");
    run({"mkelem", "-ci", "-nc", dev + "/src/hello.txt"});
    run({"ci", "-nc", dev + "/src"});
    run({"mkbl", "-view", "dev", "-nc", "DEV1"});
    run({"mkact", "-view", "dev", "-headline", "Second thoughts", "-nc", "second@/pvob"});
    edit("hello.txt", "hello again\n");
    edit("hello.txt", "hello, third time\n");
    run({"mkbl", "-view", "dev", "-nc", "DEV2"});
  }

  void edit(const std::string& name, const std::string& content) {
    run({"co", "-nc", dev + "/src/" + name});
    test_support::write_file(dev + "/src/" + name, content);
    run({"ci", "-nc", dev + "/src/" + name});
  }

  std::string dev;
};

TEST_F(VantoolDiffblTest, ListsTheActivitiesThatDifferWithTheirSide) {
  EXPECT_EQ(vantool_out({"diffbl", "DEV1@/pvob", "DEV2@/pvob"}),
            "Comparing baseline \"DEV1@/pvob\" with baseline \"DEV2@/pvob\":\n"
            ">> second@/pvob \"Second thoughts\"\n");
  EXPECT_EQ(vantool_out({"diffbl", "DEV2@/pvob", "DEV1@/pvob"}),
            "Comparing baseline \"DEV2@/pvob\" with baseline \"DEV1@/pvob\":\n"
            "<< second@/pvob \"Second thoughts\"\n");
  // Without naming the older side.
  EXPECT_EQ(vantool_out({"diffbl", "-predecessor", "DEV2@/pvob"}),
            vantool_out({"diffbl", "DEV1@/pvob", "DEV2@/pvob"}));
  std::string since_start = vantool_out({"diffbl", "-first", "DEV2@/pvob"});
  EXPECT_EQ(since_start,
            "Comparing baseline \"src_INITIAL@/pvob\" with baseline \"DEV2@/pvob\":\n"
            ">> work@/pvob \"work\"\n"
            ">> second@/pvob \"Second thoughts\"\n");
}

TEST_F(VantoolDiffblTest, AConfigurationAgainstItselfHasNoDifferences) {
  EXPECT_EQ(vantool_out({"diffbl", "DEV2@/pvob", "DEV2@/pvob"}),
            "Comparing baseline \"DEV2@/pvob\" with baseline \"DEV2@/pvob\":\nNo differences.\n");
  // Baselines without members have no member that differs.
  EXPECT_EQ(vantool_out({"diffbl", "-baselines", "DEV1@/pvob", "DEV2@/pvob"}),
            "Comparing baseline \"DEV1@/pvob\" with baseline \"DEV2@/pvob\":\nNo differences.\n");
  // The stream as it is now holds exactly its newest baseline.
  EXPECT_EQ(vantool_out({"diffbl", "-json", "DEV2@/pvob", "dev@/pvob"}),
            "{\"first\":\"DEV2@/pvob\",\"second\":\"dev@/pvob\",\"activities\":[]}\n");
}

TEST_F(VantoolDiffblTest, AStreamSideShowsWorkNotYetBaselined) {
  // More work in the baselined activity, and a new one.
  edit("hello.txt", "fourth\n");
  run({"mkact", "-view", "dev", "-headline", "Fresh", "-nc", "fresh@/pvob"});
  test_support::write_file(dev + "/src/new.txt", "new\n");
  run({"co", "-nc", dev + "/src"});
  run({"mkelem", "-ci", "-nc", dev + "/src/new.txt"});
  run({"ci", "-nc", dev + "/src"});
  EXPECT_EQ(vantool_out({"diffbl", "DEV2@/pvob", "stream:dev@/pvob"}),
            "Comparing baseline \"DEV2@/pvob\" with stream \"dev@/pvob\":\n"
            "<> second@/pvob \"Second thoughts\"\n"
            ">> fresh@/pvob \"Fresh\"\n");
  // The integration stream has none of the development work.
  EXPECT_EQ(vantool_out({"diffbl", "int@/pvob", "dev@/pvob"}),
            "Comparing stream \"int@/pvob\" with stream \"dev@/pvob\":\n"
            ">> work@/pvob \"work\"\n"
            ">> second@/pvob \"Second thoughts\"\n"
            ">> fresh@/pvob \"Fresh\"\n");
}

TEST_F(VantoolDiffblTest, VersionsOfEachDifferingActivity) {
  // "second" is on one side only: every version it made is listed.
  EXPECT_EQ(vantool_out({"diffbl", "-versions", "DEV1@/pvob", "DEV2@/pvob"}),
            "Comparing baseline \"DEV1@/pvob\" with baseline \"DEV2@/pvob\":\n"
            ">> second@/pvob \"Second thoughts\"\n"
            "     /src/hello.txt@@/main/dev/2\n"
            "     /src/hello.txt@@/main/dev/3\n");
  // Only the version made since the baseline, when the activity moved on.
  edit("hello.txt", "fourth\n");
  EXPECT_EQ(vantool_out({"diffbl", "-versions", "-json", "DEV2@/pvob", "dev@/pvob"}),
            "{\"first\":\"DEV2@/pvob\",\"second\":\"dev@/pvob\",\"activities\":["
            "{\"activity\":\"second@/pvob\",\"headline\":\"Second thoughts\",\"side\":\"both\","
            "\"first_count\":4,\"second_count\":6,"
            "\"versions\":[\"/src/hello.txt@@/main/dev/4\"]}]}\n");
}

TEST_F(VantoolDiffblTest, ConfigurationsThatCannotBeComparedAreRefused) {
  run({"mkcomp", "-nroot", "-nc", "other@/pvob"});
  EXPECT_TRUE(vantool_refuses({"Cannot compare baselines from different components.",
                               "Unable to compare \"src_INITIAL@/pvob\" with "
                               "\"other_INITIAL@/pvob\"."},
                              {"diffbl", "src_INITIAL@/pvob", "other_INITIAL@/pvob"}));
  EXPECT_TRUE(vantool_refuses({"\"nothing@/pvob\" does not name a baseline or a stream"},
                              {"diffbl", "nothing@/pvob", "DEV1@/pvob"}));
  EXPECT_TRUE(vantool_refuses({"Baseline \"src_INITIAL@/pvob\" has no earlier baseline"},
                              {"diffbl", "-predecessor", "src_INITIAL@/pvob"}));
  EXPECT_TRUE(vantool_refuses({"-predecessor and -first compare a baseline, and \"dev@/pvob\""},
                              {"diffbl", "-first", "dev@/pvob"}));
  EXPECT_EQ(vantool({"diffbl", "DEV1@/pvob"}).exit_code, 2);
  EXPECT_EQ(vantool({"diffbl", "-predecessor", "DEV1@/pvob", "DEV2@/pvob"}).exit_code, 2);
  EXPECT_EQ(vantool({"diffbl", "-versions", "-baselines", "DEV1@/pvob", "DEV2@/pvob"}).exit_code,
            2);
}

TEST_F(VantoolDiffblTest, SidesFromDifferentImportBaselinesAreRefusedByTheirKinds) {
  std::string plain = home.path() + "/plain";
  run({"mklbtype", "-nc", "REL@/src"});
  run({"mklabel", "-nc", "REL", plain + "/src"});
  run({"mkbl", "-import", "REL", "-component", "src@/pvob", "-nc"});
  run({"mkproject", "-in", "RootFolder@/pvob", "-modcomp", "src@/pvob", "-nc", "rel@/pvob"});
  run({"mkstream", "-in", "rel@/pvob", "-integration", "-baseline", "REL_src_IMPORT@/pvob", "-nc",
       "released@/pvob"});
  EXPECT_TRUE(vantool_refuses(
      {"Cannot compare baselines \"REL_src_IMPORT@/pvob\" and \"DEV2@/pvob\" because they are "
       "derived from different import baselines or the initial baseline."},
      {"diffbl", "REL_src_IMPORT@/pvob", "DEV2@/pvob"}));
  EXPECT_TRUE(vantool_refuses(
      {"Cannot compare baseline \"REL_src_IMPORT@/pvob\" and stream \"dev@/pvob\" because"},
      {"diffbl", "dev@/pvob", "REL_src_IMPORT@/pvob"}));
  EXPECT_TRUE(
      vantool_refuses({"Cannot compare the streams \"released@/pvob\" and \"dev@/pvob\" because"},
                      {"diffbl", "released@/pvob", "dev@/pvob"}));
}

}  // namespace
