// Triggers firing around a real operation: a pre-operation trigger refuses
// mkfolder, a post-operation trigger sees the operation in its environment.
#include <gtest/gtest.h>

#include "support/vantool_runner.h"

namespace {

using test_support::read_file;
using test_support::TempHome;
using test_support::vantool;

TEST(VantoolTriggerFire, PreopRefusesAndPostopSeesTheOperation) {
  TempHome home;
  ASSERT_EQ(vantool({"mkvob", "-tag", "/pvob", "-pvob"}).exit_code, 0);
  std::string log = home.path() + "/trigger.env";
  ASSERT_EQ(vantool({"mktrtype", "-zem", "-postop", "mkfolder", "-exec",
                     "env | grep '^KORVANE_' | sort > '" + log + "'", "record@/pvob"})
                .exit_code,
            0);
  auto made = vantool({"mkfolder", "-c", "for tools", "tools@/pvob"}, {{"KORVANE_USER", "alice"}});
  ASSERT_EQ(made.exit_code, 0) << made.err;
  std::string env = read_file(log);
  EXPECT_NE(env.find("KORVANE_OP=mkfolder\n"), std::string::npos) << env;
  EXPECT_NE(env.find("KORVANE_OP_PHASE=postop\n"), std::string::npos);
  EXPECT_NE(env.find("KORVANE_COMMENT=for tools\n"), std::string::npos);
  EXPECT_NE(env.find("KORVANE_USER=alice\n"), std::string::npos);
  EXPECT_NE(env.find("KORVANE_NEW_OBJECT=folder:tools@/pvob\n"), std::string::npos);

  ASSERT_EQ(vantool({"mktrtype", "-zem", "-preop", "mkfolder", "-exec", "exit 3", "deny@/pvob"})
                .exit_code,
            0);
  auto refused = vantool({"mkfolder", "-nc", "other@/pvob"});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_NE(refused.err.find("deny"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("status 3"), std::string::npos);
  auto listed = vantool({"lsfolder", "-short", "-in", "RootFolder@/pvob"});
  EXPECT_EQ(listed.out.find("other"), std::string::npos) << "a refused operation makes nothing";
}

}  // namespace
