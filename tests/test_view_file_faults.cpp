// Disks that fail, fill up or lose the process in the middle of a view's
// file work: update, checkin and findmerge either finish or leave the view
// so that running the command again finishes it, with no half-written file
// and no temporary file left in the view.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/vantool_runner.h"
#include "vantool_project_fixture.h"

namespace {

namespace fs = std::filesystem;
using test_support::Env;
using test_support::ProcessResult;
using test_support::read_file;
using test_support::vantool;
using test_support::vantool_out;
using test_support::write_file;

constexpr int kFiles = 4;

class ViewFileFaultsTest : public zem_test::VantoolProjectTest {
 protected:
  // VOB /src holding src/d/f0.txt .. f3.txt at /main/1 ("line N"), made in
  // dynamic view "a".
  void SetUp() override {
    ASSERT_EQ(vantool({"mkvob", "-tag", "/src"}).exit_code, 0);
    a = home.path() + "/view_a";
    run({"mkview", "-tag", "a", a});
    run({"co", "-nc", a + "/src"});
    run({"mkdir", "-nc", a + "/src/d"});
    std::vector<std::string> mk = {"mkelem", "-ci", "-nc"};
    for (int i = 0; i < kFiles; ++i) {
      write_file(file(a, i), "line " + std::to_string(i) + "\n");
      mk.push_back(file(a, i));
    }
    run(mk);
    run({"ci", "-nc", a + "/src/d", a + "/src"});
  }

  static std::string file(const std::string& root, int i) {
    return root + "/src/d/f" + std::to_string(i) + ".txt";
  }

  // Runs `args` under the fault `variable`=N for N = 1, 2, ... until the
  // command runs through untouched by the fault, calling `recover` after
  // each faulted run; the number of faulted runs.
  template <typename Recover>
  int under_every_fault(const char* variable, const std::vector<std::string>& args,
                        Recover recover) {
    for (int n = 1; n < 200; ++n) {
      ProcessResult r = vantool(args, Env{{variable, std::to_string(n)}});
      if (r.exit_code == 0 && r.err.empty())
        return n - 1;
      recover(n, r);
      if (::testing::Test::HasFatalFailure())
        return n;
    }
    ADD_FAILURE() << "the fault never stopped reaching " << args[0];
    return 0;
  }

  // No temporary file of a write is left anywhere under `root`.
  static void expect_no_temporaries(const std::string& root) {
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      std::string name = entry.path().filename().string();
      EXPECT_NE(name.rfind(".zem-", 0), 0u) << "left behind: " << entry.path();
    }
  }

  std::string a;
};

TEST_F(ViewFileFaultsTest, AnUpdateOfASnapshotViewFinishesWhenRunAgain) {
  std::string s = home.path() + "/view_s";
  run({"mkview", "-tag", "s", "-snapshot", s});
  write_file(home.path() + "/cs", "element * /main/LATEST\nload /src\n");
  run({"setcs", "-view", "s", home.path() + "/cs"});

  for (const char* fault : {"KORVANE_FAULT_FS_FAIL_AFTER", "KORVANE_FAULT_FS_FULL_AFTER",
                            "KORVANE_FAULT_FS_KILL_AFTER"}) {
    SCOPED_TRACE(fault);
    fs::remove_all(s + "/src");  // the next update must load everything again
    run({"update", "-view", "s"});
    fs::remove_all(s + "/src");
    int faulted = under_every_fault(fault, {"update", "-view", "s"}, [&](int n, ProcessResult& r) {
      if (std::string(fault) != "KORVANE_FAULT_FS_KILL_AFTER") {
        EXPECT_EQ(r.exit_code, 1) << "fault at call " << n << ": " << r.err;
        EXPECT_NE(r.err.find("Error: "), std::string::npos) << r.err;
      }
      // Whatever was loaded holds its whole content; then a plain update
      // finishes the work.
      for (int i = 0; i < kFiles; ++i) {
        if (fs::exists(file(s, i))) {
          EXPECT_EQ(read_file(file(s, i)), "line " + std::to_string(i) + "\n");
        }
      }
      ProcessResult again = vantool({"update", "-view", "s"});
      ASSERT_EQ(again.exit_code, 0) << "after a fault at call " << n << ": " << again.err;
      for (int i = 0; i < kFiles; ++i)
        ASSERT_EQ(read_file(file(s, i)), "line " + std::to_string(i) + "\n");
      expect_no_temporaries(s);
      fs::remove_all(s + "/src");
    });
    EXPECT_GT(faulted, kFiles) << "every file write was reached by a fault";
  }
}

TEST_F(ViewFileFaultsTest, ACheckinThatMeetsADiskFaultIsDoneOrStillCheckedOut) {
  std::vector<std::string> files;
  for (int i = 0; i < kFiles; ++i)
    files.push_back(file(a, i));
  std::vector<std::string> co = {"co", "-nc"};
  co.insert(co.end(), files.begin(), files.end());
  std::vector<std::string> ci = {"ci", "-nc"};
  ci.insert(ci.end(), files.begin(), files.end());

  // A check-in reads the view's files and makes them read-only; it writes
  // no bytes into the view, so a full disk does not reach it.
  for (const char* fault : {"KORVANE_FAULT_FS_FAIL_AFTER", "KORVANE_FAULT_FS_KILL_AFTER"}) {
    SCOPED_TRACE(fault);
    const std::string edit = std::string("edited under ") + fault + "\n";
    auto check_out_and_edit = [&] {
      run(co);
      for (const auto& f : files)
        write_file(f, edit);
    };
    check_out_and_edit();
    int faulted = under_every_fault(fault, ci, [&](int n, ProcessResult&) {
      // Each file is either checked in with the edit or still checked out
      // holding it; checking in what is left finishes the job.
      std::string left = vantool_out({"lsco", "-short", "-view", "a"});
      std::vector<std::string> rest = {"ci", "-nc"};
      for (const auto& f : files) {
        EXPECT_EQ(read_file(f), edit) << "after a fault at call " << n;
        if (left.find(fs::path(f).filename().string()) != std::string::npos)
          rest.push_back(f);
      }
      if (rest.size() > 2) {
        ProcessResult again = vantool(rest);
        ASSERT_EQ(again.exit_code, 0) << "after a fault at call " << n << ": " << again.err;
      }
      EXPECT_EQ(vantool_out({"lsco", "-short", "-view", "a"}), "");
      for (const auto& f : files)
        EXPECT_EQ(read_file(f), edit);
      expect_no_temporaries(a);
      check_out_and_edit();  // the next round starts from edited checkouts again
    });
    EXPECT_GT(faulted, 0);
    EXPECT_EQ(vantool_out({"lsco", "-short", "-view", "a"}), "");
    for (const auto& f : files)
      EXPECT_EQ(read_file(f), edit);
  }
}

TEST_F(ViewFileFaultsTest, AFindmergeCutShortByTheDiskIsFinishedByRunningItAgain) {
  std::string b = home.path() + "/view_b";
  run({"mkview", "-tag", "b", b});
  run({"mkbrtype", "-nc", "dev@/src"});
  write_file(home.path() + "/cs_b",
             "element * CHECKEDOUT\nelement * .../dev/LATEST\nelement * /main/LATEST -mkbranch "
             "dev\n");
  run({"setcs", "-view", "b", home.path() + "/cs_b"});
  for (int i = 0; i < kFiles; ++i) {
    run({"co", "-nc", file(b, i)});
    write_file(file(b, i), "line " + std::to_string(i) + "\nadded on dev\n");
    run({"ci", "-nc", file(b, i)});
  }
  const std::vector<std::string> merge = {"findmerge",        a + "/src", "-fversion",
                                          "/main/dev/LATEST", "-merge",   "-nc"};
  auto merged_everywhere = [&](int n) {
    for (int i = 0; i < kFiles; ++i)
      ASSERT_EQ(read_file(file(a, i)), "line " + std::to_string(i) + "\nadded on dev\n")
          << "after a fault at call " << n;
  };
  int faulted = under_every_fault("KORVANE_FAULT_FS_KILL_AFTER", merge, [&](int n, ProcessResult&) {
    // A file holds its old or its merged content, never part of either.
    for (int i = 0; i < kFiles; ++i) {
      std::string text = read_file(file(a, i));
      std::string base = "line " + std::to_string(i) + "\n";
      EXPECT_TRUE(text == base || text == base + "added on dev\n") << text;
    }
    ProcessResult again = vantool(merge);
    ASSERT_EQ(again.exit_code, 0) << "after a fault at call " << n << ": " << again.err;
    merged_everywhere(n);
    expect_no_temporaries(a);
    // Undo the merge for the next round.
    std::vector<std::string> unco = {"unco", "-rm"};
    for (int i = 0; i < kFiles; ++i)
      unco.push_back(file(a, i));
    run(unco);
  });
  EXPECT_GT(faulted, kFiles);
  merged_everywhere(0);
}

}  // namespace
