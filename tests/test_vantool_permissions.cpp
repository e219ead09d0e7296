// Who may change what, end to end through vantool: every changing command
// run by a user who neither owns the object nor the project VOB nor is
// privileged is refused with exit status 1 and a message saying why, and
// leaves everything as it was (listings and the view's files); the owner
// of an object, the owner of the project VOB and a privileged user may.
// Views belong to their owner. View roots never nest, and a checkout
// conflict names the element by its path and the holding view by its tag.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "services/rgy.h"
#include "support/project_builder.h"
#include "support/sandbox.h"
#include "support/vantool_runner.h"

namespace {

using test_support::Env;
using test_support::has;
using test_support::ProcessResult;
using test_support::TempHome;
using test_support::vantool;
using test_support::vantool_out;

const Env kOwner{{"KORVANE_USER", "vobadmin"}};
const Env kStranger{{"KORVANE_USER", "mallory"}};
const Env kPrivileged{{"KORVANE_USER", "carol"}};

class VantoolPermissionsTest : public ::testing::Test {
 protected:
  // As vobadmin, the owner of both VOBs: component "src" (the whole VOB
  // /src) and a rootless component; folders "team" (holding project
  // "proj") and "spare"; streams "int" and "dev" with view "dev", in which
  // activity "work" added hello.txt, then baseline BL1 was made; hello.txt
  // is checked out again and holds an edit not yet checked in.
  void SetUp() override {
    plain = home.path() + "/plain";
    dev = home.path() + "/dev";
    hello = dev + "/src/hello.txt";
    test_support::ProjectSpec spec = test_support::standard_project();
    spec.user = kOwner;
    spec.rootless_components = {"rootless"};
    spec.folders = {"team", "spare"};
    spec.project_folder = "team";
    spec.activity_headline = "Work";
    ASSERT_TRUE(build_project(home, spec));
    run({"co", "-nc", dev + "/src"});
    test_support::write_file(hello, "hello\n");
    run({"mkelem", "-ci", "-nc", hello});
    run({"ci", "-nc", dev + "/src"});
    run({"mkbl", "-view", "dev", "-nc", "BL1"});
    run({"co", "-nc", hello});
    test_support::write_file(hello, "hello\nunsaved edit\n");
  }

  void run(const std::vector<std::string>& args, const Env& env = kOwner) {
    ProcessResult r = vantool(args, env);
    ASSERT_EQ(r.exit_code, 0) << args[0] << ": " << r.err;
  }

  // Everything a refused command could have changed: the listings of every
  // kind of object, the view's checkouts and the file holding the edit.
  std::string state() {
    std::string all;
    for (std::vector<std::string> listing : {std::vector<std::string>{"lsfolder", "-json"},
                                             {"lsproject", "-json"},
                                             {"lsstream", "-json"},
                                             {"lscomp", "-json"},
                                             {"lsbl", "-json"},
                                             {"lsact", "-json", "-in", "dev@/pvob"},
                                             {"lsplevel", "-json", "/pvob"},
                                             {"lsview", "-json"},
                                             {"lsco", "-all", "-json", "-view", "dev"},
                                             {"ls", "-view", "dev", dev + "/src"}}) {
      ProcessResult r = vantool(listing, kOwner);
      all += listing[0] + ":" + std::to_string(r.exit_code) + ":" + r.out + "\n";
    }
    std::error_code ec;
    all += "files:";
    for (const auto& entry : std::filesystem::directory_iterator(dev + "/src", ec))
      all += entry.path().filename().string() + " ";
    return all + "\nhello:" + test_support::read_file(hello);
  }

  TempHome home;
  std::string plain, dev, hello;
};

// A command the stranger may not run, and what its refusal must say.
struct Refusal {
  std::vector<std::string> args;
  std::vector<std::string> reason;
};

TEST_F(VantoolPermissionsTest, StrangerIsRefusedEveryChangeAndNothingChanges) {
  const std::vector<std::string> not_owner = {
      "No permission to change", "user \"mallory\" is neither its owner", "nor a privileged user"};
  auto object = [&](const std::string& kind_and_name) {
    std::vector<std::string> why = not_owner;
    why.push_back("No permission to change " + kind_and_name);
    return why;
  };
  auto in_view = [](const std::string& action) {
    return std::vector<std::string>{"No permission to " + action + " view \"dev\"",
                                    "it belongs to \"vobadmin\""};
  };
  const std::vector<Refusal> refusals = {
      {{"chproject", "-title", "Mine", "proj@/pvob"}, object("project \"proj@/pvob\"")},
      {{"chproject", "-to", "spare@/pvob", "-nc", "proj@/pvob"}, object("project \"proj@/pvob\"")},
      {{"chproject", "-rebase_level", "TESTED", "-nc", "proj@/pvob"},
       object("project \"proj@/pvob\"")},
      {{"rmproject", "-nc", "proj@/pvob"}, object("project \"proj@/pvob\"")},
      {{"chstream", "-title", "Mine", "dev@/pvob"}, object("stream \"dev@/pvob\"")},
      {{"chstream", "-policy", "DeliverReqRebase", "-nc", "dev@/pvob"},
       object("stream \"dev@/pvob\"")},
      {{"rmstream", "-nc", "dev@/pvob"}, object("stream \"dev@/pvob\"")},
      {{"chfolder", "-title", "Mine", "-nc", "team@/pvob"}, object("folder \"team@/pvob\"")},
      {{"chfolder", "-to", "spare@/pvob", "-nc", "team@/pvob"}, object("folder \"team@/pvob\"")},
      {{"chfolder", "-name", "mine", "-nc", "spare@/pvob"}, object("folder \"spare@/pvob\"")},
      {{"rmfolder", "-nc", "spare@/pvob"}, object("folder \"spare@/pvob\"")},
      {{"rmcomp", "-nc", "rootless@/pvob"}, object("component \"rootless@/pvob\"")},
      {{"mkbl", "-stream", "dev@/pvob", "-nc", "BL2"}, object("stream \"dev@/pvob\"")},
      {{"chbl", "-level", "TESTED", "-nc", "BL1@/pvob"}, not_owner},
      {{"chbl", "-full", "-nc", "BL1@/pvob"}, not_owner},
      {{"rmbl", "-nc", "BL1@/pvob"}, not_owner},
      {{"setplevel", "-default", "LOW", "-nc", "LOW", "HIGH", "/pvob"}, not_owner},
      {{"chact", "-headline", "Mine", "-nc", "work@/pvob"}, object("activity \"work@/pvob\"")},
      {{"rmact", "-nc", "work@/pvob"}, object("activity \"work@/pvob\"")},
      {{"lock", "-nc", "stream:dev@/pvob"}, object("stream \"dev@/pvob\"")},
      {{"setact", "-view", "dev", "-none"}, in_view("set the activity of")},
      {{"mkact", "-view", "dev", "-nc", "hers"}, in_view("set the activity of")},
      {{"co", "-nc", dev + "/src"}, in_view("check out in")},
      {{"ci", "-nc", hello}, in_view("check in from")},
      {{"unco", "-rm", hello}, in_view("cancel checkouts in")},
      {{"mkelem", "-nc", dev + "/src/new.txt"}, in_view("make elements in")},
      {{"rmname", "-nc", hello}, in_view("remove names in")},
      {{"mv", "-nc", hello, dev + "/src/moved.txt"}, in_view("move names in")},
      {{"setcs", "-view", "dev", home.path() + "/config.txt"}, in_view("set the config spec of")},
      {{"rmview", "-force", "-tag", "dev"}, in_view("remove")},
  };
  test_support::write_file(home.path() + "/config.txt", "element * /main/0\n");
  const std::string before = state();
  for (const Refusal& refusal : refusals) {
    ProcessResult r = vantool(refusal.args, kStranger);
    std::string command = refusal.args[0] + " " + refusal.args[1];
    EXPECT_EQ(r.exit_code, 1) << command << ": " << r.out << r.err;
    for (const std::string& part : refusal.reason)
      EXPECT_TRUE(has(r.err, part)) << command << " lacks \"" << part << "\": " << r.err;
    EXPECT_EQ(state(), before) << command << " changed something";
  }
}

TEST_F(VantoolPermissionsTest, OwnerOfTheObjectOrOfTheVobOrPrivilegedUserMay) {
  // mallory owns what she makes, and may change and remove it.
  run({"mkfolder", "-in", "RootFolder@/pvob", "-nc", "hers@/pvob"}, kStranger);
  run({"chfolder", "-title", "Hers", "-nc", "hers@/pvob"}, kStranger);
  EXPECT_TRUE(has(vantool_out({"lsfolder", "hers@/pvob"}, kStranger), "\"Hers\""));
  run({"rmfolder", "-nc", "hers@/pvob"}, kStranger);
  // The owner of the project VOB may change what another user made.
  run({"mkfolder", "-in", "RootFolder@/pvob", "-nc", "theirs@/pvob"}, kStranger);
  run({"chfolder", "-title", "Tidied", "-nc", "theirs@/pvob"});
  run({"rmfolder", "-nc", "theirs@/pvob"});

  // A privileged user may change anything and work in anyone's view.
  ASSERT_EQ(rgy_add_privileged_user("carol"), 0);
  run({"chproject", "-title", "Renamed by carol", "proj@/pvob"}, kPrivileged);
  EXPECT_TRUE(has(vantool_out({"lsproject", "proj@/pvob"}), "\"Renamed by carol\""));
  run({"chstream", "-title", "Dev by carol", "dev@/pvob"}, kPrivileged);
  run({"chbl", "-level", "TESTED", "-nc", "BL1@/pvob"}, kPrivileged);
  EXPECT_EQ(vantool_out({"lsbl", "-short", "-level", "TESTED", "-component", "src@/pvob"}),
            "BL1@/pvob\n");
  run({"chact", "-headline", "Carol's", "-nc", "work@/pvob"}, kPrivileged);
  run({"ci", "-nc", hello}, kPrivileged);
  EXPECT_EQ(test_support::read_file(hello), "hello\nunsaved edit\n");
  run({"co", "-nc", hello}, kPrivileged);
  run({"unco", "-rm", hello}, kPrivileged);

  // The owner removes the view itself; mallory's own view is hers alone.
  std::string mine = home.path() + "/mine";
  run({"mkview", "-tag", "mine", mine}, kStranger);
  EXPECT_TRUE(test_support::vantool_refuses({"No permission to remove view \"mine\""},
                                            {"rmview", "-tag", "mine"}, kOwner));
  run({"rmview", "-tag", "mine"}, kStranger);
  run({"rmview", "-force", "-tag", "dev"});
  EXPECT_FALSE(std::filesystem::exists(dev));
}

TEST_F(VantoolPermissionsTest, LockStopsEvenTheOwnerUntilLifted) {
  run({"lock", "-nc", "folder:spare@/pvob"});
  run({"lock", "-nusers", "vobadmin", "-nc", "stream:dev@/pvob"});
  const std::string before = state();
  EXPECT_TRUE(test_support::vantool_refuses({"spare@/pvob\" is locked."},
                                            {"rmfolder", "-nc", "spare@/pvob"}, kOwner));
  EXPECT_TRUE(test_support::vantool_refuses(
      {"spare@/pvob\" is locked."}, {"chfolder", "-title", "T", "-nc", "spare@/pvob"}, kOwner));
  EXPECT_EQ(state(), before);
  // A user the lock exempts is still bound by ownership.
  EXPECT_TRUE(test_support::vantool_refuses({"No permission to change stream \"dev@/pvob\""},
                                            {"chstream", "-title", "T", "dev@/pvob"}, kStranger));
  run({"chstream", "-title", "Exempt owner", "dev@/pvob"});
  run({"unlock", "-nc", "folder:spare@/pvob"});
  run({"rmfolder", "-nc", "spare@/pvob"});
}

TEST_F(VantoolPermissionsTest, ViewRootsDoNotNest) {
  const std::string before = vantool_out({"lsview", "-json"});
  EXPECT_TRUE(test_support::vantool_refuses(
      {"View root \"" + plain + "/src/inner\" lies inside the root \"" + plain +
       "\" of view \"plain\""},
      {"mkview", "-tag", "inner", plain + "/src/inner"}, kOwner));
  EXPECT_TRUE(
      test_support::vantool_refuses({"lies inside the root \"" + dev + "\" of view \"dev\""},
                                    {"mkview", "-tag", "same", dev}, kOwner));
  EXPECT_TRUE(test_support::vantool_refuses({"View root \"" + home.path() + "\" encloses the root"},
                                            {"mkview", "-tag", "outer", home.path()}, kOwner));
  EXPECT_EQ(vantool_out({"lsview", "-json"}), before);
  EXPECT_TRUE(std::filesystem::exists(hello)) << "the refused views touched nothing";
  // Side by side is fine.
  run({"mkview", "-tag", "beside", home.path() + "/beside"});
}

TEST_F(VantoolPermissionsTest, CheckoutConflictNamesPathAndViewTag) {
  std::string dev2 = home.path() + "/dev2";
  run({"mkview", "-stream", "dev@/pvob", "-tag", "dev2", dev2});
  run({"setact", "-view", "dev2", "-nc", "work@/pvob"});
  std::string uuid_line = vantool_out({"lsview", "-long", "dev"});
  ProcessResult r = vantool({"co", "-nc", dev2 + "/src/hello.txt"}, kOwner);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(has(r.err, "\"/src/hello.txt\" is already checked out in view \"dev\" on branch"))
      << r.err;
  size_t at = uuid_line.find("uuid: ");
  ASSERT_NE(at, std::string::npos) << uuid_line;
  std::string uuid = uuid_line.substr(at + 6, uuid_line.find('\n', at) - at - 6);
  EXPECT_FALSE(has(r.err, uuid)) << "views are named by tag: " << r.err;
  EXPECT_FALSE(has(r.err, "of element")) << "elements are named by path: " << r.err;
  EXPECT_EQ(test_support::read_file(hello), "hello\nunsaved edit\n");
}

}  // namespace
