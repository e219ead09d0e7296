// Damaged, emptied, read-only and unregistered stores as vantool users meet
// them: nothing is re-initialised in place, every error fails the command,
// a read-only store still lists, and a lost registry can be rebuilt.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/project_builder.h"
#include "support/vantool_runner.h"

namespace {

namespace fs = std::filesystem;
using test_support::ProcessResult;
using test_support::TempHome;
using test_support::vantool;
using test_support::vantool_out;
using test_support::vantool_refuses;

class DamagedStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_support::ProjectSpec spec;
    spec.user = {{"KORVANE_USER", "vobadmin"}};
    spec.project = "web";
    ASSERT_TRUE(build_project(home, spec));
  }

  std::string storage(const std::string& name) const {
    return home.path() + "/vobs/" + name + ".vbs";
  }
  std::string database(const std::string& name) const { return storage(name) + "/vob.db"; }

  // Replaces a VOB's database with `bytes`, dropping its journal files so
  // that nothing can be recovered from them.
  void overwrite(const std::string& name, const std::string& bytes) {
    for (const char* suffix : {"-wal", "-shm"})
      fs::remove(database(name) + suffix);
    std::ofstream(database(name), std::ios::binary | std::ios::trunc) << bytes;
  }

  TempHome home;
};

TEST_F(DamagedStoreTest, AnEmptiedVobDatabaseIsReportedAndNeverReinitialised) {
  overwrite("src", "");
  EXPECT_TRUE(vantool_refuses({"vob.db\" is empty", "never re-initialised"}, {"describe", "/src"}));
  EXPECT_EQ(fs::file_size(database("src")), 0u) << "the emptied file is left for its owner";
  // Writing commands are refused the same way, and still leave it as it is.
  EXPECT_EQ(vantool({"mkbrtype", "dev@/src"}).exit_code, 1);
  EXPECT_EQ(fs::file_size(database("src")), 0u);
  // The other VOBs are untouched.
  EXPECT_NE(vantool_out({"lsproject", "-short", "-in", "RootFolder@/pvob"}).find("web"),
            std::string::npos);
}

TEST_F(DamagedStoreTest, AGarbageDatabaseFailsEveryCommandWithStatusOne) {
  overwrite("src", std::string(8192, 'x'));
  ProcessResult r = vantool({"describe", "/src"});
  EXPECT_EQ(r.exit_code, 1) << r.err;
  EXPECT_NE(r.err.find("is damaged"), std::string::npos) << r.err;
  EXPECT_EQ(vantool({"mkbrtype", "dev@/src"}).exit_code, 1);
  EXPECT_EQ(vantool({"lsvob", "-long", "/src"}).exit_code, 1)
      << "a listing that cannot read the VOB fails too";
}

TEST_F(DamagedStoreTest, AVobIsRegisteredAgainAfterTheRegistryIsLost) {
  ASSERT_EQ(vantool({"mkbrtype", "dev@/src"}).exit_code, 0);
  for (const char* suffix : {"", "-wal", "-shm"})
    fs::remove(home.path() + "/registry.db" + suffix);
  EXPECT_EQ(vantool_out({"lsvob", "-short"}), "");

  EXPECT_EQ(vantool_out({"register", storage("pvob")}),
            "Registered VOB \"/pvob\" (project VOB) at \"" + storage("pvob") + "\".\n");
  EXPECT_EQ(vantool_out({"register", "-tag", "/sources", storage("src")}),
            "Registered VOB \"/sources\" (VOB) at \"" + storage("src") + "\".\n");
  EXPECT_EQ(vantool_out({"lsvob", "-short"}), "/pvob\n/sources\n");
  // What the VOBs hold is there again under their tags.
  EXPECT_NE(vantool_out({"describe", "brtype:dev@/sources"}).find("dev"), std::string::npos);
  EXPECT_NE(vantool_out({"lsproject", "-short", "-in", "RootFolder@/pvob"}).find("web"),
            std::string::npos);

  EXPECT_TRUE(vantool_refuses({"already registered as VOB \"/sources\""},
                              {"register", "-tag", "/again", storage("src")}));
  EXPECT_TRUE(vantool_refuses({"is not a VOB storage directory"},
                              {"register", home.path() + "/nothing-here"}));
  EXPECT_TRUE(vantool_refuses({"must be a slash followed by a name"},
                              {"register", "-tag", "bad tag", storage("src")}));
  EXPECT_EQ(vantool_out({"lsvob", "-short"}), "/pvob\n/sources\n") << "refusals changed nothing";
}

// Runs vantool as a user who may read but not write the store: root reads
// through any permission, so it drops to "nobody" for the run.
ProcessResult vantool_as_reader(const std::vector<std::string>& args) {
  std::vector<std::string> argv;
  if (geteuid() == 0)
    argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
  argv.push_back(VANTOOL_PATH);
  argv.insert(argv.end(), args.begin(), args.end());
  return test_support::run_program(argv, {{"IMSG_VERBOSITY", std::nullopt}});
}

void set_writable(const std::string& root, bool writable) {
  auto mode = [&](bool dir) {
    fs::perms p = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    if (dir)
      p |= fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
    if (writable)
      p |= fs::perms::owner_write;
    return p;
  };
  fs::permissions(root, mode(true));
  for (const auto& entry : fs::recursive_directory_iterator(root))
    fs::permissions(entry.path(), mode(entry.is_directory()));
}

TEST_F(DamagedStoreTest, AReadOnlyStoreIsListedAndRefusesChangesByName) {
  if (geteuid() == 0 && !fs::exists("/usr/bin/setpriv"))
    GTEST_SKIP() << "running as root without setpriv: no way to be a reader only";
  // Closed cleanly: no journal files are left, as on read-only media.
  set_writable(home.path(), false);
  ProcessResult list = vantool_as_reader({"lsvob", "-short"});
  ProcessResult projects = vantool_as_reader({"lsproject", "-short", "-in", "RootFolder@/pvob"});
  ProcessResult change = vantool_as_reader({"mkbrtype", "dev@/src"});
  set_writable(home.path(), true);

  EXPECT_EQ(list.exit_code, 0) << list.err;
  EXPECT_EQ(list.out, "/pvob\n/src\n");
  EXPECT_EQ(projects.exit_code, 0) << projects.err;
  EXPECT_NE(projects.out.find("web"), std::string::npos);
  EXPECT_EQ(change.exit_code, 1);
  EXPECT_NE(change.err.find("is read-only; nothing can be changed in it"), std::string::npos)
      << change.err;
  EXPECT_EQ(vantool({"describe", "brtype:dev@/src"}).exit_code, 1) << "nothing was made";
}

TEST(ObjectNames, OneRuleForEveryNamedObjectTypesIncluded) {
  TempHome home;
  ASSERT_EQ(vantool({"mkvob", "-tag", "/src"}).exit_code, 0);
  for (const char* bad :
       {"with space", "new\nline", "quo\"te", "star*", "semi;colon", "-dash", "..", "a:b", "a@b"}) {
    for (const char* command : {"mkbrtype", "mklbtype"}) {
      ProcessResult r = vantool({command, std::string(bad) + "@/src"});
      EXPECT_NE(r.exit_code, 0) << command << " accepted \"" << bad << "\"";
    }
  }
  EXPECT_TRUE(vantool_refuses(
      {"Name \"semi;colon\" contains characters that are not allowed", "letters, digits"},
      {"mkbrtype", "semi;colon@/src"}));
  EXPECT_EQ(vantool({"mkbrtype", "rel-1.0_fix@/src"}).exit_code, 0);
  EXPECT_EQ(vantool({"mklbtype", "REL_1.0@/src"}).exit_code, 0);
}

}  // namespace
