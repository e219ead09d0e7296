// vantool setplevel and lsplevel end to end: listing forms, replacing the
// levels and the default, and the errors bad requests get (changing
// nothing).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/vantool_runner.h"

namespace {

using test_support::TempHome;
using test_support::vantool;

class VantoolPlevelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(vantool({"mkvob", "-tag", "/pvob", "-pvob", "-nc"}).exit_code, 0);
    ASSERT_EQ(vantool({"mkvob", "-tag", "/src", "-nc"}).exit_code, 0);
  }
  TempHome home;
};

TEST_F(VantoolPlevelTest, ListsTheStandardLevelsInEveryForm) {
  auto plain = vantool({"lsplevel", "/pvob"});
  EXPECT_EQ(plain.exit_code, 0) << plain.err;
  EXPECT_EQ(plain.out, "REJECTED\nINITIAL (default)\nBUILT\nTESTED\nRELEASED\n");
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
  auto set = vantool({"setplevel", "-default", "DEV", "-c", "our levels", "BROKEN", "DEV", "QA",
                      "SHIPPED", "/pvob"});
  EXPECT_EQ(set.exit_code, 0) << set.err;
  EXPECT_EQ(set.out,
            "Set the promotion levels of \"/pvob\": BROKEN DEV QA SHIPPED (default DEV).\n");
  EXPECT_EQ(vantool({"lsplevel", "/pvob"}).out, "BROKEN\nDEV (default)\nQA\nSHIPPED\n");

  // Without -default the current default stays when it is still a level.
  auto keep = vantool({"setplevel", "-nc", "DEV", "SHIPPED", "/pvob"});
  EXPECT_EQ(keep.exit_code, 0) << keep.err;
  EXPECT_EQ(vantool({"lsplevel", "/pvob"}).out, "DEV (default)\nSHIPPED\n");
}

TEST_F(VantoolPlevelTest, BadRequestsAreRefusedAndChangeNothing) {
  const char* standard = "REJECTED\nINITIAL (default)\nBUILT\nTESTED\nRELEASED\n";
  auto not_listed = vantool({"setplevel", "-default", "GOLD", "LOW", "HIGH", "/pvob"});
  EXPECT_EQ(not_listed.exit_code, 1);
  EXPECT_EQ(not_listed.err,
            "vantool: Error: The default promotion level \"GOLD\" is not one of the levels "
            "given.\n");
  auto dropped = vantool({"setplevel", "LOW", "HIGH", "/pvob"});
  EXPECT_EQ(dropped.exit_code, 1);
  EXPECT_EQ(dropped.err,
            "vantool: Error: The default promotion level \"INITIAL\" of \"/pvob\" is not among "
            "the new levels; name the default with -default.\n");
  auto twice = vantool({"setplevel", "-default", "LOW", "LOW", "HIGH", "LOW", "/pvob"});
  EXPECT_EQ(twice.exit_code, 1);
  EXPECT_EQ(twice.err, "vantool: Error: Promotion level \"LOW\" is given more than once.\n");
  auto bad_name = vantool({"setplevel", "-default", "LOW", "LOW", "TOO HIGH", "/pvob"});
  EXPECT_EQ(bad_name.exit_code, 1);
  EXPECT_EQ(bad_name.err,
            "vantool: Error: The name has illegal characters.\n"
            "vantool: Error: \"TOO HIGH\" is not a valid promotion level name.\n");
  EXPECT_EQ(vantool({"lsplevel", "/pvob"}).out, standard);

  for (const char* command : {"setplevel", "lsplevel"}) {
    std::vector<std::string> args = {command};
    if (std::string(command) == "setplevel")
      args.push_back("LOW");
    args.push_back("/src");
    auto ordinary = vantool(args);
    EXPECT_EQ(ordinary.exit_code, 1) << command;
    EXPECT_EQ(ordinary.err,
              "vantool: Error: \"/src\" is not a project VOB; promotion levels belong to project "
              "VOBs.\n");
    args.back() = "/nowhere";
    auto missing = vantool(args);
    EXPECT_EQ(missing.exit_code, 1) << command;
    EXPECT_EQ(missing.err, "vantool: Error: No VOB has the tag \"/nowhere\".\n");
  }

  auto no_levels = vantool({"setplevel", "/pvob"});
  EXPECT_EQ(no_levels.exit_code, 2);
  EXPECT_NE(no_levels.err.find("Usage: vantool setplevel [-default LEVEL]"), std::string::npos)
      << no_levels.err;
  EXPECT_EQ(vantool({"lsplevel", "-short", "-json", "/pvob"}).exit_code, 2);
}

}  // namespace
