// vantool end to end: help, version, the shared option parser's usage errors,
// and the catalog commands, with trace output switched on from outside.
#include <gtest/gtest.h>

#include "support/vantool_runner.h"

namespace {

using test_support::run_program;
using test_support::TempHome;
using test_support::vantool;
using test_support::vantool_err;
using test_support::vantool_out;
using test_support::vantool_refuses;

class VantoolTest : public ::testing::Test {
 protected:
  TempHome home;
};

TEST_F(VantoolTest, HelpListsCommandsAndShowsOneUsage) {
  auto all = vantool({"help"});
  EXPECT_EQ(all.exit_code, 0);
  EXPECT_NE(all.out.find("lscatalog"), std::string::npos);
  EXPECT_NE(all.out.find("message"), std::string::npos);
  auto one = vantool({"help", "lscatalog"});
  EXPECT_EQ(one.exit_code, 0);
  EXPECT_EQ(one.out.rfind("Usage: vantool lscatalog [-short|-long] [-json] [CATALOG]\n", 0), 0u);
  EXPECT_EQ(vantool_err({"help", "frobnicate"}),
            "vantool: Error: No help for \"frobnicate\": not a command.\n");
  EXPECT_EQ(vantool({}).exit_code, 0) << "no command shows the help";
}

TEST_F(VantoolTest, VersionNamesToolAndLibrary) {
  auto r = vantool({"-version"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out.rfind("vantool ", 0), 0u);
  EXPECT_NE(r.out.find("sum library"), std::string::npos);
}

TEST_F(VantoolTest, BadUsageExitsTwoWithTheUsageLine) {
  auto unknown = vantool({"frobnicate"});
  EXPECT_EQ(unknown.exit_code, 2);
  EXPECT_NE(unknown.err.find("Unrecognized command \"frobnicate\""), std::string::npos);

  auto option = vantool({"lscatalog", "-bogus"});
  EXPECT_EQ(option.exit_code, 2);
  EXPECT_EQ(option.err,
            "vantool: Error: Unrecognized option \"-bogus\".\n"
            "Usage: vantool lscatalog [-short|-long] [-json] [CATALOG]\n");

  auto clash = vantool({"lscatalog", "-short", "-long"});
  EXPECT_EQ(clash.exit_code, 2);
  EXPECT_NE(clash.err.find("Options \"-short\" and \"-long\" cannot be used together."),
            std::string::npos);

  auto twice = vantool({"lscatalog", "-json", "-json"});
  EXPECT_EQ(twice.exit_code, 2);

  auto value = vantool({"message", "sum", "3", "-severity"});
  EXPECT_EQ(value.exit_code, 2);
  EXPECT_NE(value.err.find("Option \"-severity\" requires a value."), std::string::npos);

  auto extra = vantool({"lscatalog", "sum", "sum/view"});
  EXPECT_EQ(extra.exit_code, 2);
  EXPECT_NE(extra.err.find("the first extra one is \"sum/view\""), std::string::npos);

  auto missing = vantool({"message", "sum"});
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_NE(missing.err.find("Missing operand: a catalog name and a message index."),
            std::string::npos);
  EXPECT_TRUE(missing.out.empty());
}

TEST_F(VantoolTest, LscatalogListsEveryCatalogWithItsCount) {
  auto r = vantool({"lscatalog"});
  ASSERT_EQ(r.exit_code, 0);
  EXPECT_NE(r.out.find("sum/sum_deliver      facility 7    162 messages  (sum_lib)"),
            std::string::npos)
      << r.out;
  auto names = vantool({"lscatalog", "-short"});
  EXPECT_NE(names.out.find("\nsum/repair\n"), std::string::npos);
  auto one = vantool({"lscatalog", "sum/config_spec_id"});
  EXPECT_NE(one.out.find("   0 \"Bad format in config spec id string \"%s\".\\n\""),
            std::string::npos)
      << one.out;
  auto json = vantool({"lscatalog", "-json", "sum/plevel"});
  EXPECT_EQ(json.out.rfind("{\"name\":\"sum/plevel\",\"library\":\"sum_lib\",\"facility\":10,"
                           "\"count\":1,\"messages\":[\"",
                           0),
            0u)
      << json.out;
  EXPECT_EQ(vantool_err({"lscatalog", "sum/nothing"}),
            "vantool: Error: Unknown message catalog \"sum/nothing\".\n");
}

TEST_F(VantoolTest, MessageFormatsArgumentsByTheirConversions) {
  EXPECT_EQ(vantool_out({"message", "sum/project", "43", "/pvob", "3"}),
            "Cannot create single stream project. The PVOB \"/pvob\" is below feature level 3.\n");
  EXPECT_EQ(vantool_err({"message", "-severity", "error", "sum/stream", "51", "dev"}),
            "vantool: Error: Parent stream \"dev\" is read only.\n");
  EXPECT_TRUE(vantool_refuses({"Argument \"three\" for conversion \"%d\" is not a number."},
                              {"message", "sum/project", "43", "/pvob", "three"}));
  EXPECT_TRUE(
      vantool_refuses({"the message needs 2, 1 given"}, {"message", "sum/project", "43", "/pvob"}));
  EXPECT_TRUE(
      vantool_refuses({"Catalog \"sum/plevel\" has no message 1; its indexes run from 0 to 0."},
                      {"message", "sum/plevel", "1"}));
}

TEST_F(VantoolTest, VerbosityFourTracesTheCommandScope) {
  auto r = vantool({"lscatalog", "-short"}, {{"IMSG_VERBOSITY", "4"}});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.err.rfind("vantool lscatalog: enter\nvantool lscatalog: exit ", 0), 0u) << r.err;
  auto filtered =
      vantool({"lscatalog", "-short"}, {{"IMSG_VERBOSITY", "4"}, {"IMSG_TRACE", "view"}});
  EXPECT_EQ(filtered.err, "");
  auto failing = vantool({"lscatalog", "nope"}, {{"IMSG_VERBOSITY", "1"}});
  EXPECT_NE(failing.err.find("vantool lscatalog line "), std::string::npos);
  EXPECT_NE(failing.err.find("; status = 1\n"), std::string::npos);
}

}  // namespace
