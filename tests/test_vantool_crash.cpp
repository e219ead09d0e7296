// Commands killed at every write, and commands racing each other, through
// vantool: a killed mkstream leaves the stream whole or absent and a rerun
// makes it; a killed mkbl is finished (made and labeled) by its rerun; four
// concurrent mkbl of one stream make one baseline; four concurrent
// chstream -generate all succeed; a killed rmview is finished by its rerun.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/project_builder.h"
#include "support/sandbox.h"
#include "support/vantool_runner.h"

namespace {

using test_support::Env;
using test_support::has;
using test_support::ProcessResult;
using test_support::TempHome;
using test_support::vantool;

constexpr int kKilled = 128 + 9;
// More writes than any of these commands makes on the fixture: a loop that
// reaches it never saw the command complete.
constexpr int kMaxWrites = 400;

Env kill_at(int writes) {
  return {{"KORVANE_FAULT_KILL_AFTER_WRITES", std::to_string(writes)}};
}

// Lines of `text` that are not empty.
std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    if (end > start)
      out.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

// `args` run by `count` vantool processes at once.
std::vector<ProcessResult> concurrently(const std::vector<std::string>& args, int count) {
  std::vector<ProcessResult> results(static_cast<size_t>(count));
  std::vector<std::thread> threads;
  for (int i = 0; i < count; ++i)
    threads.emplace_back([&, i] { results[static_cast<size_t>(i)] = vantool(args); });
  for (std::thread& t : threads)
    t.join();
  return results;
}

class VantoolCrashTest : public ::testing::Test {
 protected:
  // The whole VOB /src is component "src" of project "proj"; development
  // stream "dev" has view "dev" and activity "work", in which a.txt was
  // added.
  void SetUp() override {
    plain = home.path() + "/plain";
    dev = home.path() + "/dev";
    ASSERT_TRUE(build_project(home, test_support::standard_project()));
    add_file("a.txt", "first\n");
  }

  void run(const std::vector<std::string>& args) {
    auto r = vantool(args);
    ASSERT_EQ(r.exit_code, 0) << args[0] << ": " << r.err;
  }

  // Adds `leaf` to the dev view's /src with `content`, checked in.
  void add_file(const std::string& leaf, const std::string& content) {
    run({"co", "-nc", dev + "/src"});
    test_support::write_file(dev + "/src/" + leaf, content);
    run({"mkelem", "-ci", "-nc", dev + "/src/" + leaf});
    run({"ci", "-nc", dev + "/src"});
  }

  // A new version of `leaf` in the dev view.
  void change_file(const std::string& leaf, const std::string& content) {
    run({"co", "-nc", dev + "/src/" + leaf});
    test_support::write_file(dev + "/src/" + leaf, content);
    run({"ci", "-nc", dev + "/src/" + leaf});
  }

  std::vector<std::string> dev_baselines() {
    return lines(vantool({"lsbl", "-short", "-stream", "dev@/pvob"}).out);
  }

  TempHome home;
  std::string plain, dev;
};

TEST_F(VantoolCrashTest, KilledMkstreamLeavesNothingAndTheRerunMakesItWhole) {
  int killed = 0;
  bool completed = false;
  for (int writes = 1; writes <= kMaxWrites && !completed; ++writes) {
    std::string name = "s" + std::to_string(writes) + "@/pvob";
    auto r = vantool({"mkstream", "-in", "proj@/pvob", "-nc", name}, kill_at(writes));
    if (r.exit_code == 0) {
      completed = true;
    } else {
      ASSERT_EQ(r.exit_code, kKilled) << r.err;
      ++killed;
      EXPECT_EQ(vantool({"lsstream", "-short", name}).exit_code, 1)
          << "killed at write " << writes << ": no part of the stream is left";
      auto rerun = vantool({"mkstream", "-in", "proj@/pvob", "-nc", name});
      ASSERT_EQ(rerun.exit_code, 0) << "killed at write " << writes << ": " << rerun.err;
    }
    // Whole: it has its foundation and its branch type, so a view of it
    // can check out and check in.
    auto described = vantool({"lsstream", "-long", name});
    ASSERT_EQ(described.exit_code, 0) << described.err;
    EXPECT_TRUE(has(described.out, "src_INITIAL")) << "killed at write " << writes << ":\n"
                                                   << described.out;
  }
  EXPECT_TRUE(completed) << "mkstream never completed";
  EXPECT_GT(killed, 3) << "the stream is made by several writes";
  std::string view = home.path() + "/after";
  run({"mkview", "-stream", "s1@/pvob", "-tag", "after", view});
  run({"mkact", "-view", "after", "-nc", "later"});
  run({"co", "-nc", view + "/src"});
  run({"ci", "-nc", view + "/src"});
}

TEST_F(VantoolCrashTest, KilledMkblIsMadeAndLabeledByTheRerun) {
  int killed = 0;
  bool completed = false;
  for (int writes = 1; writes <= kMaxWrites && !completed; ++writes) {
    change_file("a.txt", "round " + std::to_string(writes) + "\n");
    std::string name = "B" + std::to_string(writes);
    size_t before = dev_baselines().size();
    auto r = vantool({"mkbl", "-stream", "dev@/pvob", "-nc", name}, kill_at(writes));
    if (r.exit_code == 0) {
      completed = true;
      EXPECT_TRUE(has(r.out, "Created baseline \"" + name)) << r.out;
      continue;
    }
    ASSERT_EQ(r.exit_code, kKilled) << r.err;
    ++killed;
    auto rerun = vantool({"mkbl", "-stream", "dev@/pvob", "-nc", name});
    ASSERT_EQ(rerun.exit_code, 0) << "killed at write " << writes << ": " << rerun.err;
    EXPECT_EQ(dev_baselines().size(), before + 1)
        << "killed at write " << writes << ": one baseline of the change";
    std::string made = dev_baselines().back();
    auto described = vantool({"lsbl", "-long", made});
    EXPECT_TRUE(has(described.out, "incremental"))
        << "killed at write " << writes << ": the rerun labels the baseline: " << described.out
        << described.err;
  }
  EXPECT_TRUE(completed) << "mkbl never completed";
  EXPECT_GT(killed, 1);
}

TEST_F(VantoolCrashTest, KilledMkelemCheckinIsFinishedByTheRerun) {
  int killed = 0;
  bool completed = false;
  run({"co", "-nc", dev + "/src"});
  for (int writes = 1; writes <= kMaxWrites && !completed; ++writes) {
    std::string leaf = "f" + std::to_string(writes) + ".txt";
    std::string path = dev + "/src/" + leaf;
    std::string content = "content of " + leaf + "\n";
    test_support::write_file(path, content);
    auto r = vantool({"mkelem", "-ci", "-nc", path}, kill_at(writes));
    if (r.exit_code == 0) {
      completed = true;
    } else {
      ASSERT_EQ(r.exit_code, kKilled) << r.err;
      ++killed;
      // Finished by the rerun; or finished already, when the kill came after
      // the check-in committed, which the rerun says.
      auto rerun = vantool({"mkelem", "-ci", "-nc", path});
      EXPECT_TRUE(rerun.exit_code == 0 ||
                  (rerun.exit_code == 1 && has(rerun.err, "already exists")))
          << "killed at write " << writes << ": " << rerun.err;
    }
    EXPECT_EQ(test_support::read_file(path), content) << "killed at write " << writes;
    auto listed = vantool({"ls", dev + "/src"});
    EXPECT_TRUE(has(listed.out, leaf + "@@/main/dev/1 "))
        << "killed at write " << writes << ": checked in once: " << listed.out << listed.err;
  }
  EXPECT_TRUE(completed) << "mkelem -ci never completed";
  EXPECT_GT(killed, 1);
}

TEST_F(VantoolCrashTest, KilledRmviewIsFinishedByTheRerun) {
  std::string root = home.path() + "/gone";
  int killed = 0;
  bool completed = false;
  for (int writes = 1; writes <= kMaxWrites && !completed; ++writes) {
    // A stream view holding a checkout.
    run({"mkview", "-stream", "dev@/pvob", "-tag", "gone", root});
    run({"setact", "-view", "gone", "-nc", "work@/pvob"});
    run({"co", "-nc", root + "/src"});
    auto r = vantool({"rmview", "-force", "-tag", "gone"}, kill_at(writes));
    if (r.exit_code == 0) {
      completed = true;
    } else {
      ASSERT_EQ(r.exit_code, kKilled) << r.err;
      ++killed;
      auto rerun = vantool({"rmview", "-force", "-tag", "gone"});
      ASSERT_EQ(rerun.exit_code, 0) << "killed at write " << writes << ": " << rerun.err;
    }
    EXPECT_FALSE(has(vantool({"lsview"}).out, "gone")) << "killed at write " << writes;
    EXPECT_FALSE(std::filesystem::exists(root)) << "killed at write " << writes;
    auto listed = vantool({"lsco", "-short", "-view", "dev"});
    EXPECT_EQ(listed.exit_code, 0) << listed.err;
    EXPECT_FALSE(has(listed.out, "src")) << "killed at write " << writes << ": " << listed.out;
  }
  EXPECT_TRUE(completed) << "rmview never completed";
  EXPECT_GT(killed, 1) << killed;
}

TEST_F(VantoolCrashTest, ConcurrentMkblOfOneStreamMakeOneBaseline) {
  for (int round = 1; round <= 2; ++round) {
    change_file("a.txt", "race " + std::to_string(round) + "\n");
    size_t before = dev_baselines().size();
    std::string name = "R" + std::to_string(round);
    auto results = concurrently({"mkbl", "-stream", "dev@/pvob", "-nc", name}, 4);
    int created = 0;
    for (const ProcessResult& r : results) {
      EXPECT_EQ(r.exit_code, 0) << r.err;
      created += has(r.out, "Created baseline") ? 1 : 0;
    }
    EXPECT_EQ(created, 1) << "round " << round;
    EXPECT_EQ(dev_baselines().size(), before + 1) << "round " << round;
  }
}

TEST_F(VantoolCrashTest, ConcurrentChstreamGenerateAllSucceed) {
  std::string second = home.path() + "/dev2";
  run({"mkview", "-stream", "dev@/pvob", "-tag", "dev2", second});
  auto results = concurrently({"chstream", "-generate", "dev@/pvob"}, 4);
  for (const ProcessResult& r : results) {
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_FALSE(has(r.err, "intermediate state")) << r.err;
  }
  auto again = vantool({"chstream", "-generate", "dev@/pvob"});
  EXPECT_EQ(again.exit_code, 0) << again.err;
  EXPECT_FALSE(has(again.err, "intermediate state")) << again.err;
}

}  // namespace
