// Triggers firing around a real operation: a pre-operation trigger refuses
// mkfolder, a post-operation trigger sees the operation in its environment,
// and a failing post-operation trigger only warns: what was made stands.
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

TEST(VantoolTriggerFire, FailingPostopTriggerWarnsAndTheObjectStands) {
  TempHome home;
  ASSERT_EQ(vantool({"mkvob", "-tag", "/pvob", "-pvob"}).exit_code, 0);
  for (const char* op : {"mkcomp", "mkfolder", "mkproject"})
    ASSERT_EQ(vantool({"mktrtype", "-zem", "-postop", op, "-exec", "exit 4",
                       std::string("after_") + op + "@/pvob"})
                  .exit_code,
              0);
  struct Case {
    std::vector<std::string> make;
    std::vector<std::string> list;
    const char* listed;
  };
  const Case cases[] = {
      {{"mkcomp", "-nroot", "-nc", "group@/pvob"}, {"lscomp", "-short"}, "group@/pvob"},
      {{"mkfolder", "-in", "RootFolder@/pvob", "-nc", "team@/pvob"},
       {"lsfolder", "-short", "-in", "RootFolder@/pvob"},
       "team"},
      {{"mkproject", "-in", "RootFolder@/pvob", "-nc", "alpha@/pvob"},
       {"lsproject", "-short", "-in", "RootFolder@/pvob"},
       "alpha"},
  };
  for (const Case& c : cases) {
    auto made = vantool(c.make);
    EXPECT_EQ(made.exit_code, 0) << c.make[0] << ": " << made.err;
    EXPECT_NE(made.err.find("after_" + c.make[0]), std::string::npos) << made.err;
    EXPECT_NE(made.err.find("status 4"), std::string::npos) << made.err;
    EXPECT_NE(made.err.find("stands"), std::string::npos) << made.err;
    EXPECT_EQ(made.err.find("Unable to create"), std::string::npos) << made.err;
    EXPECT_NE(made.out.find("Created"), std::string::npos) << c.make[0] << ": " << made.out;
    auto listed = vantool(c.list);
    EXPECT_NE(listed.out.find(c.listed), std::string::npos)
        << c.make[0] << " kept its object: " << listed.out << listed.err;
  }
}

}  // namespace
