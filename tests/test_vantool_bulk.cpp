// Many files in one command: bulk check-outs, check-ins and new elements keep
// each path's own outcome, survive a kill at any write with every element
// either done or untouched, and dynamic views follow what other processes
// change without being walked when nothing changed.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "support/project_builder.h"
#include "support/vantool_runner.h"
#include "vantool_project_fixture.h"

namespace {

namespace fs = std::filesystem;
using test_support::read_file;
using test_support::vantool;
using test_support::write_file;

// More than one batch of the view service.
constexpr int kFiles = 260;

class VantoolBulkTest : public zem_test::TwoViewsTest {
 protected:
  std::string file(int i) const { return a + "/src/d/f" + std::to_string(i) + ".txt"; }

  std::vector<std::string> all_files() const {
    std::vector<std::string> files;
    for (int i = 0; i < kFiles; ++i)
      files.push_back(file(i));
    return files;
  }

  // src/d with kFiles files, each holding "v1 <i>", checked in.
  void make_tree() {
    run({"co", "-nc", a + "/src"});
    run({"mkdir", "-nc", a + "/src/d"});
    for (int i = 0; i < kFiles; ++i)
      write_file(file(i), "v1 " + std::to_string(i) + "\n");
    std::vector<std::string> args = {"mkelem", "-ci", "-nc"};
    for (const auto& f : all_files())
      args.push_back(f);
    auto made = vantool(args);
    ASSERT_EQ(made.exit_code, 0) << made.err;
    run({"ci", "-nc", a + "/src/d", a + "/src"});
  }

  test_support::ProcessResult on_all(const std::string& command,
                                     const test_support::Env& env = {}) {
    std::vector<std::string> args = {command, "-nc"};
    for (const auto& f : all_files())
      args.push_back(f);
    return vantool(args, env);
  }

  // The version `ls` shows for each file of src/d in view a, by name.
  std::map<std::string, std::string> versions() {
    std::map<std::string, std::string> out;
    std::istringstream lines(vantool({"ls", a + "/src/d"}).out);
    for (std::string line; std::getline(lines, line);) {
      size_t at = line.find("@@");
      if (at != std::string::npos)
        out[line.substr(0, at)] = line.substr(at + 2, line.find_first_of(" \t", at) - at - 2);
    }
    return out;
  }

  // The paths of view a's checkouts, as vantool takes them.
  std::vector<std::string> checked_out() {
    std::vector<std::string> paths;
    std::istringstream lines(vantool({"lsco", "-short", "-view", "a"}).out);
    for (std::string line; std::getline(lines, line);)
      paths.push_back(a + line);
    return paths;
  }
};

TEST_F(VantoolBulkTest, OneCommandChecksOutAndInEveryFileAndReportsEachPath) {
  make_tree();
  auto co = on_all("co");
  ASSERT_EQ(co.exit_code, 0) << co.err;
  EXPECT_NE(co.out.find("Checked out \"" + file(kFiles - 1) + "\" from version \"/main/1\"."),
            std::string::npos);
  for (int i = 0; i < kFiles; ++i)
    write_file(file(i), "v2 " + std::to_string(i) + "\n");
  auto ci = on_all("ci");
  ASSERT_EQ(ci.exit_code, 0) << ci.err;
  EXPECT_NE(ci.out.find("Checked in \"" + file(0) + "\" version \"/main/2\"."), std::string::npos);
  auto seen = versions();
  EXPECT_EQ(seen.size(), static_cast<size_t>(kFiles));
  for (const auto& [name, version] : seen)
    EXPECT_EQ(version, "/main/2") << name;
  // View b shows every new version at its next command.
  vantool({"ls", b + "/src/d"});
  EXPECT_EQ(read_file(b + "/src/d/f7.txt"), "v2 7\n");
  EXPECT_EQ(read_file(b + "/src/d/f250.txt"), "v2 250\n");

  // One path failing does not stop the others: f3 is checked out already.
  ASSERT_EQ(vantool({"co", "-nc", file(3)}).exit_code, 0);
  auto partly = vantool({"co", "-nc", file(2), file(3), file(4)});
  EXPECT_EQ(partly.exit_code, 1);
  EXPECT_NE(partly.err.find("f3.txt"), std::string::npos) << partly.err;
  EXPECT_EQ(vantool({"lsco", "-short", "-view", "a"}).out,
            "/src/d/f2.txt\n/src/d/f3.txt\n/src/d/f4.txt\n");
  auto unco = vantool({"unco", file(2), file(3), file(4)});
  EXPECT_EQ(unco.exit_code, 0) << unco.err;
  EXPECT_EQ(vantool({"lsco", "-short", "-view", "a"}).out, "");
  EXPECT_EQ(read_file(file(3)), "v2 3\n");
}

TEST_F(VantoolBulkTest, DirectoriesAndTheirFilesInOneCommand) {
  ASSERT_EQ(vantool({"co", "-nc", a + "/src"}).exit_code, 0);
  auto dirs = vantool({"mkdir", "-nc", a + "/src/x", a + "/src/x/y", a + "/src/x/y/z"});
  ASSERT_EQ(dirs.exit_code, 0) << dirs.err;
  write_file(a + "/src/x/y/z/deep.txt", "deep\n");
  write_file(a + "/src/x/top.txt", "top\n");
  auto files = vantool({"mkelem", "-ci", "-nc", a + "/src/x/y/z/deep.txt", a + "/src/x/top.txt"});
  ASSERT_EQ(files.exit_code, 0) << files.err;
  auto ci = vantool({"ci", "-nc", a + "/src/x/y/z", a + "/src/x/y", a + "/src/x", a + "/src"});
  ASSERT_EQ(ci.exit_code, 0) << ci.err;
  vantool({"ls", b + "/src"});
  EXPECT_EQ(read_file(b + "/src/x/y/z/deep.txt"), "deep\n");
  EXPECT_EQ(read_file(b + "/src/x/top.txt"), "top\n");
  auto taken = vantool({"mkdir", "-nc", a + "/src/x"});
  EXPECT_EQ(taken.exit_code, 1) << "src is checked in again: nowhere to make it";
}

// Killed at any write, a bulk check-in leaves every element either checked
// in with the new content or still checked out with it; the next check-in
// of what is left brings all of them to the same version.
TEST_F(VantoolBulkTest, ABulkCheckinKilledAtAnyWriteLeavesNoElementHalfDone) {
  make_tree();
  ASSERT_EQ(on_all("co").exit_code, 0);
  for (int i = 0; i < kFiles; ++i)
    write_file(file(i), "v2 " + std::to_string(i) + "\n");
  bool saw_mixed = false;
  for (long kill_at = 3; kill_at < 100000; kill_at += kill_at / 2) {
    std::vector<std::string> args = {"ci", "-nc"};
    for (const auto& path : checked_out())
      args.push_back(path);
    if (args.size() == 2)
      break;
    auto run = vantool(args, {{"KORVANE_FAULT_KILL_AFTER_WRITES", std::to_string(kill_at)}});
    std::vector<std::string> left = checked_out();
    std::set<std::string> still_out(left.begin(), left.end());
    for (const auto& [name, version] : versions()) {
      std::string path = a + "/src/d/" + name;
      bool out = still_out.count(path) != 0;
      EXPECT_EQ(out, version.find("CHECKEDOUT") != std::string::npos) << name;
      if (!out) {
        EXPECT_EQ(version, "/main/2") << name << " after a kill at write " << kill_at;
      }
      std::string number = name.substr(1, name.find('.') - 1);
      EXPECT_EQ(read_file(path), "v2 " + number + "\n") << name;
    }
    if (run.exit_code != 0 && !left.empty() && left.size() < args.size() - 2)
      saw_mixed = true;
  }
  EXPECT_TRUE(saw_mixed) << "some kill should land after a batch was committed";
  EXPECT_TRUE(checked_out().empty());
  for (const auto& [name, version] : versions())
    EXPECT_EQ(version, "/main/2") << name;
  vantool({"ls", b + "/src/d"});
  EXPECT_EQ(read_file(b + "/src/d/f200.txt"), "v2 200\n");
}

// A dynamic view does not walk VOBs that did not change: a file of the view
// edited by hand stays edited through commands until something changes in
// its VOB or the view is updated; a change by another process is shown at
// the view's next command.
TEST_F(VantoolBulkTest, ADynamicViewFollowsChangesWithoutWalkingWhenNothingChanged) {
  make_tree();
  vantool({"ls", b + "/src"});
  std::string f = b + "/src/d/f1.txt";
  ASSERT_EQ(read_file(f), "v1 1\n");
  fs::permissions(f, fs::perms::owner_write, fs::perm_options::add);
  write_file(f, "scribbled\n");
  vantool({"ls", b + "/src"});
  EXPECT_EQ(read_file(f), "scribbled\n") << "nothing changed in /src: the view is not walked";
  auto update = vantool({"update", "-view", "b"});
  ASSERT_EQ(update.exit_code, 0) << update.err;
  EXPECT_EQ(read_file(f), "v1 1\n") << "update puts the view's own files right";

  ASSERT_EQ(vantool({"co", "-nc", file(1)}).exit_code, 0);
  write_file(file(1), "v2 1\n");
  ASSERT_EQ(vantool({"ci", "-nc", file(1)}).exit_code, 0);
  vantool({"ls", b + "/src/d"});
  EXPECT_EQ(read_file(f), "v2 1\n") << "another process's check-in shows at the next command";
}

// A view's own bulk changes are brought into its root as they are made, so
// the next command in the view does not walk the VOB again; another view
// walks it, having seen none of them.
TEST_F(VantoolBulkTest, AViewDoesNotWalkAgainAfterItsOwnBulkChanges) {
  make_tree();
  vantool({"ls", a + "/src"});
  vantool({"ls", b + "/src"});
  std::string untouched = file(5);
  fs::permissions(untouched, fs::perms::owner_write, fs::perm_options::add);
  write_file(untouched, "scribbled\n");
  ASSERT_EQ(vantool({"co", "-nc", file(1), file(2)}).exit_code, 0);
  write_file(file(1), "v2 1\n");
  write_file(file(2), "v2 2\n");
  ASSERT_EQ(vantool({"ci", "-nc", file(1), file(2)}).exit_code, 0);
  vantool({"ls", a + "/src/d"});
  EXPECT_EQ(read_file(untouched), "scribbled\n") << "view a was not walked after its own changes";
  EXPECT_EQ(read_file(file(1)), "v2 1\n");
  vantool({"ls", b + "/src/d"});
  EXPECT_EQ(read_file(b + "/src/d/f1.txt"), "v2 1\n") << "view b walks the changed VOB";
  EXPECT_EQ(read_file(b + "/src/d/f5.txt"), "v1 5\n");
}

}  // namespace
