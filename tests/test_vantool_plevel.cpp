// vantool setplevel and lsplevel end to end: listing forms, replacing the
// levels and the default, and the errors bad requests get (changing
// nothing).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/project_builder.h"
#include "support/vantool_runner.h"

namespace {

using test_support::TempHome;
using test_support::vantool;
using test_support::vantool_err;
using test_support::vantool_out;

class VantoolPlevelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_support::ProjectSpec spec;
    spec.administered = false;
    ASSERT_TRUE(build_project(home, spec));
  }
  TempHome home;
};

TEST_F(VantoolPlevelTest, ListsTheStandardLevelsInEveryForm) {
  EXPECT_EQ(vantool_out({"lsplevel", "/pvob"}),
            "REJECTED\nINITIAL (default)\nBUILT\nTESTED\nRELEASED\n");
  EXPECT_EQ(vantool({"lsplevel", "-short", "/pvob"}).out,
            "REJECTED\nINITIAL\nBUILT\nTESTED\nRELEASED\n");
  EXPECT_EQ(vantool({"lsplevel", "-long", "/pvob"}).out,
            "Promotion levels of \"/pvob\", lowest first:\n"
            "  1  REJECTED\n  2  INITIAL  (default)\n  3  BUILT\n  4  TESTED\n  5  RELEASED\n");
  auto json = vantool({"lsplevel", "-json", "/pvob"});
  EXPECT_EQ(
      json.out.rfind("[{\"name\":\"REJECTED\",\"vob\":\"/pvob\",\"rank\":1,\"default\":false},"
                     "{\"name\":\"INITIAL\",\"vob\":\"/pvob\",\"rank\":2,\"default\":true},",
                     0),
      0u)
      << json.out;
}

TEST_F(VantoolPlevelTest, SetReplacesLevelsAndDefault) {
  EXPECT_EQ(vantool_out({"setplevel", "-default", "DEV", "-c", "our levels", "BROKEN", "DEV", "QA",
                         "SHIPPED", "/pvob"}),
            "Set the promotion levels of \"/pvob\": BROKEN DEV QA SHIPPED (default DEV).\n");
  EXPECT_EQ(vantool({"lsplevel", "/pvob"}).out, "BROKEN\nDEV (default)\nQA\nSHIPPED\n");

  // Without -default the current default stays when it is still a level.
  auto keep = vantool({"setplevel", "-nc", "DEV", "SHIPPED", "/pvob"});
  EXPECT_EQ(keep.exit_code, 0) << keep.err;
  EXPECT_EQ(vantool({"lsplevel", "/pvob"}).out, "DEV (default)\nSHIPPED\n");
}

TEST_F(VantoolPlevelTest, BadRequestsAreRefusedAndChangeNothing) {
  const char* standard = "REJECTED\nINITIAL (default)\nBUILT\nTESTED\nRELEASED\n";
  EXPECT_EQ(vantool_err({"setplevel", "-default", "GOLD", "LOW", "HIGH", "/pvob"}),
            "vantool: Error: The default promotion level \"GOLD\" is not one of the levels "
            "given.\n");
  EXPECT_EQ(vantool_err({"setplevel", "LOW", "HIGH", "/pvob"}),
            "vantool: Error: The default promotion level \"INITIAL\" of \"/pvob\" is not among "
            "the new levels; name the default with -default.\n");
  EXPECT_EQ(vantool_err({"setplevel", "-default", "LOW", "LOW", "HIGH", "LOW", "/pvob"}),
            "vantool: Error: Promotion level \"LOW\" is given more than once.\n");
  EXPECT_EQ(vantool_err({"setplevel", "-default", "LOW", "LOW", "TOO HIGH", "/pvob"}),
            "vantool: Error: The name has illegal characters.\n"
            "vantool: Error: \"TOO HIGH\" is not a valid promotion level name.\n");
  EXPECT_EQ(vantool({"lsplevel", "/pvob"}).out, standard);

  for (const char* command : {"setplevel", "lsplevel"}) {
    std::vector<std::string> args = {command};
    if (std::string(command) == "setplevel")
      args.push_back("LOW");
    args.push_back("/src");
    EXPECT_EQ(vantool_err(args),
              "vantool: Error: \"/src\" is not a project VOB; promotion levels belong to project "
              "VOBs.\n")
        << command;
    args.back() = "/nowhere";
    EXPECT_EQ(vantool_err(args), "vantool: Error: No VOB has the tag \"/nowhere\".\n") << command;
  }

  auto no_levels = vantool({"setplevel", "/pvob"});
  EXPECT_EQ(no_levels.exit_code, 2);
  EXPECT_NE(no_levels.err.find("Usage: vantool setplevel [-default LEVEL]"), std::string::npos)
      << no_levels.err;
  EXPECT_EQ(vantool({"lsplevel", "-short", "-json", "/pvob"}).exit_code, 2);
}

}  // namespace
