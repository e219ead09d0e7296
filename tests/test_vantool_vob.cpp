// vantool on VOBs end to end: mkvob, lsvob, rmvob, describe, lock, unlock,
// and the errors bad input gets (changing nothing).
#include <gtest/gtest.h>

#include <filesystem>

#include "support/project_builder.h"
#include "support/vantool_runner.h"

namespace {

using test_support::TempHome;
using test_support::vantool;
using test_support::vantool_err;
using test_support::vantool_out;
using test_support::vantool_refuses;

class VantoolVobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_support::ProjectSpec spec;
    spec.pvob_comment = "projects";
    ASSERT_TRUE(build_project(home, spec));
  }
  TempHome home;
};

TEST_F(VantoolVobTest, MkvobReportsWhatItMade) {
  EXPECT_EQ(
      vantool_out({"mkvob", "-tag", "/old", "-pvob", "-fl", "6", home.path() + "/old-storage"}),
      "Created VOB \"/old\" (project VOB, feature level 6) at \"" + home.path() +
          "/old-storage\".\n");
  EXPECT_TRUE(std::filesystem::exists(home.path() + "/old-storage/vob.db"));
}

TEST_F(VantoolVobTest, LsvobListsTagsKindsAndAdminVobs) {
  auto shortlist = vantool({"lsvob", "-short"});
  EXPECT_EQ(shortlist.out, "/pvob\n/src\n");
  auto one = vantool({"lsvob", "-long", "/src"});
  EXPECT_NE(one.out.find("  kind: VOB\n  feature level: 8\n"), std::string::npos) << one.out;
  EXPECT_NE(one.out.find("  admin VOB: /pvob\n"), std::string::npos);
  auto json = vantool({"lsvob", "-json"});
  EXPECT_EQ(json.out.rfind("[{\"tag\":\"/pvob\",\"kind\":\"project\",\"feature_level\":8,", 0), 0u)
      << json.out;
  EXPECT_NE(json.out.find("\"admin_vob\":\"/pvob\""), std::string::npos);
  EXPECT_EQ(vantool_err({"lsvob", "/nothing"}),
            "vantool: Error: No VOB has the tag \"/nothing\".\n");
}

TEST_F(VantoolVobTest, BadInputIsRefusedWithoutChangingAnything) {
  EXPECT_EQ(vantool_err({"mkvob", "-tag", "/pvob"}),
            "vantool: Error: VOB tag \"/pvob\" already exists.\n"
            "vantool: Error: Unable to make VOB \"/pvob\".\n");
  EXPECT_EQ(vantool({"mkvob", "-tag", "/x", "-fl", "12"}).exit_code, 2);
  EXPECT_EQ(vantool({"mkvob"}).exit_code, 2);
  EXPECT_TRUE(
      vantool_refuses({"cannot be created"}, {"mkvob", "-tag", "/x", "/proc/no-vobs-here"}));
  auto admin = vantool({"mkvob", "-tag", "/y", "-admin", "/missing"});
  EXPECT_EQ(admin.exit_code, 1);
  EXPECT_EQ(vantool({"lsvob", "-short"}).out, "/pvob\n/src\n") << "nothing was made";
}

TEST_F(VantoolVobTest, RmvobRefusesAnAdminVobInUseThenRemoves) {
  EXPECT_TRUE(vantool_refuses({"is used as the admin VOB of \"/src\""}, {"rmvob", "/pvob"}));
  EXPECT_EQ(vantool({"rmvob", "/src"}).out, "Removed VOB \"/src\".\n");
  EXPECT_EQ(vantool({"rmvob", "/pvob"}).exit_code, 0);
  EXPECT_EQ(vantool({"lsvob", "-short"}).out, "");
  EXPECT_FALSE(std::filesystem::exists(home.path() + "/vobs/pvob.vbs"));
}

TEST_F(VantoolVobTest, DescribeShowsIdentityOwnerAndVobDetails) {
  auto folder = vantool({"describe", "folder:RootFolder@/pvob"}, {{"KORVANE_USER", "alice"}});
  EXPECT_EQ(folder.exit_code, 0);
  EXPECT_EQ(folder.out.rfind("folder \"folder:RootFolder@/pvob\"\n  kind: folder\n", 0), 0u)
      << folder.out;
  EXPECT_NE(folder.out.find("  comment: \"projects\"\n"), std::string::npos);
  EXPECT_NE(folder.out.find("  master replica: original (this replica)\n"), std::string::npos);

  auto vob = vantool({"describe", "/src"});
  EXPECT_NE(vob.out.find("  ordinary VOB, feature level 8\n"), std::string::npos) << vob.out;
  EXPECT_NE(vob.out.find("  admin VOB: /pvob\n"), std::string::npos);
  EXPECT_NE(vob.out.find("  hyperlinks:\n    AdminVOB -> vob:/pvob\n"), std::string::npos);
  auto admin = vantool({"describe", "/pvob"});
  EXPECT_NE(admin.out.find("    AdminVOB <- vob:/src\n"), std::string::npos) << admin.out;

  // The universal selector names the same object.
  auto json = vantool({"describe", "-json", "folder:RootFolder@/pvob"});
  size_t at = json.out.find("\"universal_selector\":\"");
  ASSERT_NE(at, std::string::npos);
  at += 22;
  std::string universal = json.out.substr(at, json.out.find('"', at) - at);
  auto again = vantool({"describe", universal});
  EXPECT_EQ(again.out, folder.out);

  EXPECT_EQ(vantool_err({"describe", "stream:nothing@/pvob", "not a selector@"}),
            "vantool: Error: Cannot resolve \"stream:nothing@/pvob\": no such object.\n"
            "vantool: Error: Cannot resolve \"not a selector@\": not a selector of the form "
            "kind:name@vob-tag.\n");
}

TEST_F(VantoolVobTest, LockAndUnlockRespectOwnersAndExemptUsers) {
  auto locked = vantool(
      {"lock", "-obsolete", "-nusers", "bob,carol", "-c", "frozen", "folder:RootFolder@/pvob"});
  EXPECT_EQ(locked.exit_code, 0) << locked.err;
  EXPECT_EQ(locked.out, "Locked and obsoleted \"RootFolder@/pvob\".\n");
  auto shown = vantool({"describe", "folder:RootFolder@/pvob"});
  EXPECT_NE(shown.out.find("  locked (obsolete), except for: bob, carol\n"), std::string::npos)
      << shown.out;
  EXPECT_TRUE(vantool_refuses({"No permission to change folder \"RootFolder@/pvob\": user "
                               "\"mallory\" is neither its owner"},
                              {"unlock", "folder:RootFolder@/pvob"},
                              {{"KORVANE_USER", "mallory"}}));
  EXPECT_EQ(vantool({"unlock", "folder:RootFolder@/pvob"}).exit_code, 0);
  EXPECT_EQ(vantool_err({"unlock", "folder:RootFolder@/pvob"}),
            "vantool: Error: Object \"RootFolder@/pvob\" is not locked.\n");
}

}  // namespace
