// Rebases whose merges are not text merges: a binary file both the stream
// and the new baseline changed stops the rebase after its first phase, listed
// and left with the stream's content, until a side is taken; and a directory
// renamed on one side while the other added a file in it, which the rebase
// shows under the new name. A first phase killed after any write and
// resumed leaves the binary file waiting for a side, never merged.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "rebase_project_fixture.h"
#include "support/sandbox.h"
#include "support/vantool_runner.h"

namespace {

using test_support::has;
using test_support::read_file;
using test_support::vantool;
using test_support::vantool_out;
using test_support::write_file;

const std::string kBase("GIF\0base", 8);
const std::string kStream("GIF\0stream side", 15);
const std::string kBaseline("GIF\0baseline side", 17);

class VantoolRebaseBinaryTest : public zem_test::RebaseProjectTest {
 protected:
  std::string src(const std::string& tag) { return home.path() + "/" + tag + "/src"; }

  // Baseline `baseline` of what "int" holds now, and stream "dev" founded on
  // it with view "dev" and activity dev_work.
  void stream_on(const std::string& baseline) {
    run({"mkbl", "-view", "int", "-nc", baseline});
    run({"mkstream", "-in", "proj@/pvob", "-baseline", baseline + "@/pvob", "-nc", "dev@/pvob"});
    run({"mkview", "-stream", "dev@/pvob", "-tag", "dev", home.path() + "/dev"});
    run({"mkact", "-view", "dev", "-headline", "Work", "-nc", "dev_work@/pvob"});
  }
  void edit(const std::string& path, const std::string& content) {
    run({"co", "-nc", path});
    write_file(path, content);
    run({"ci", "-nc", path});
  }
  // Makes `names` (directories end in "/") in `dir` of a view, checked in.
  void add(const std::string& dir, const std::vector<std::string>& names) {
    run({"co", "-nc", dir});
    for (const auto& name : names) {
      if (name.back() == '/') {
        run({"mkdir", "-ci", "-nc", dir + "/" + name.substr(0, name.size() - 1)});
      } else {
        write_file(dir + "/" + name, name + "\n");
        run({"mkelem", "-ci", "-nc", dir + "/" + name});
      }
    }
    run({"ci", "-nc", dir});
  }
  void rename(const std::string& dir, const std::string& from, const std::string& to) {
    run({"co", "-nc", dir});
    run({"mv", "-nc", dir + "/" + from, dir + "/" + to});
    run({"ci", "-nc", dir});
  }

  // logo.bin changed by the stream and by baseline INTC.
  void change_binary_on_both_sides() {
    run({"co", "-nc", src("int")});
    write_file(src("int") + "/logo.bin", kBase);
    run({"mkelem", "-ci", "-nc", src("int") + "/logo.bin"});
    run({"ci", "-nc", src("int")});
    stream_on("INTB");
    edit(src("dev") + "/logo.bin", kStream);
    edit(src("int") + "/logo.bin", kBaseline);
    run({"mkbl", "-view", "int", "-nc", "INTC"});
  }
  // The first phase of the rebase to INTC left logo.bin waiting for a side.
  void expect_waiting_for_a_side() {
    EXPECT_EQ(read_file(logo()), kStream);
    EXPECT_TRUE(has(vantool_out({"lsco", "-merge", "-view", "dev"}), "a side must be chosen"));
  }
  // The rebase to INTC started, stopped after its first phase.
  void start_binary_rebase() {
    change_binary_on_both_sides();
    auto started = vantool({"rebase", "-baseline", "INTC@/pvob", "-view", "dev"});
    ASSERT_EQ(started.exit_code, 0) << started.err;
    EXPECT_TRUE(has(started.err, "\"/src/logo.bin\" is a binary file that both sides changed"))
        << started.err;
    EXPECT_TRUE(has(started.err,
                    "a binary file needs a side chosen with \"vantool merge "
                    "-resolved -take ours|theirs FILE\""))
        << started.err;
    EXPECT_TRUE(has(started.err, "  /src/logo.bin\n")) << "listed: " << started.err;
    expect_waiting_for_a_side();

    // Completion refuses until a side is chosen; a resume leaves it alone.
    auto refused = vantool({"rebase", "-complete", "-view", "dev"});
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_TRUE(has(refused.err, "whose side is not chosen yet")) << refused.err;
    EXPECT_EQ(read_file(logo()), kStream);
  }
  std::string logo() { return src("dev") + "/logo.bin"; }

  // Completes the rebase; the stream then holds the content, with the merge
  // from the baseline's version recorded.
  void complete_and_expect(const std::string& content) {
    auto done = vantool({"rebase", "-complete", "-view", "dev"});
    ASSERT_EQ(done.exit_code, 0) << done.err;
    EXPECT_EQ(vantool_out({"lsco", "-view", "dev"}), "");
    EXPECT_EQ(read_file(logo()), content);
    std::string tree = vantool_out({"lsvtree", logo()});
    EXPECT_TRUE(has(tree, "<- /main/int/")) << tree;
    EXPECT_TRUE(has(vantool_out({"rebase", "-status", "-view", "dev"}), "No rebase operation"));
  }
};

TEST_F(VantoolRebaseBinaryTest, TakingTheirsGivesTheBaselinesContent) {
  start_binary_rebase();
  auto taken = vantool({"merge", "-resolved", "-take", "theirs", logo()});
  ASSERT_EQ(taken.exit_code, 0) << taken.err;
  complete_and_expect(kBaseline);
}

TEST_F(VantoolRebaseBinaryTest, TakingOursKeepsTheStreamsContent) {
  start_binary_rebase();
  write_file(logo(), "scribbled");
  auto taken = vantool({"merge", "-resolved", "-take", "ours", logo()});
  ASSERT_EQ(taken.exit_code, 0) << taken.err;
  complete_and_expect(kStream);
}

TEST_F(VantoolRebaseBinaryTest, ADirectoryRenamedOnOneSideShowsTheFileTheOtherAdded) {
  add(src("int"), {"docs/", "lib/"});
  stream_on("INTB");
  // The stream renames docs and adds to lib; the baseline adds to docs and
  // renames lib.
  rename(src("dev"), "docs", "manual");
  add(src("dev") + "/lib", {"stream.txt"});
  add(src("int") + "/docs", {"intro.txt"});
  rename(src("int"), "lib", "code");
  run({"mkbl", "-view", "int", "-nc", "INTC"});

  auto started = vantool({"rebase", "-baseline", "INTC@/pvob", "-view", "dev"});
  ASSERT_EQ(started.exit_code, 0) << started.err;
  EXPECT_FALSE(has(started.err, "conflict")) << started.err;
  auto expect_tree = [&](const char* when) {
    namespace fs = std::filesystem;
    EXPECT_EQ(read_file(src("dev") + "/manual/intro.txt"), "intro.txt\n") << when;
    EXPECT_EQ(read_file(src("dev") + "/code/stream.txt"), "stream.txt\n") << when;
    EXPECT_FALSE(fs::exists(src("dev") + "/docs")) << when;
    EXPECT_FALSE(fs::exists(src("dev") + "/lib")) << when;
  };
  expect_tree("after the first phase");
  auto done = vantool({"rebase", "-complete", "-view", "dev"});
  ASSERT_EQ(done.exit_code, 0) << done.err;
  expect_tree("after completion");
  EXPECT_EQ(vantool_out({"lsco", "-view", "dev"}), "");
}

TEST_F(VantoolRebaseBinaryTest, AFirstPhaseKilledAfterAnyWriteAndResumedWaitsForASide) {
  change_binary_on_both_sides();
  for (int writes = 1; writes < 500; ++writes) {
    SCOPED_TRACE("killed at write " + std::to_string(writes));
    auto started = vantool({"rebase", "-baseline", "INTC@/pvob", "-view", "dev"},
                           {{"KORVANE_FAULT_KILL_AFTER_WRITES", std::to_string(writes)}});
    if (started.exit_code == 0) {
      EXPECT_GT(writes, 10) << "a rebase writes more than that";
      expect_waiting_for_a_side();
      ASSERT_EQ(vantool({"merge", "-resolved", "-take", "theirs", logo()}).exit_code, 0);
      complete_and_expect(kBaseline);
      return;
    }
    ASSERT_EQ(started.exit_code, 128 + 9) << started.err;
    EXPECT_NE(read_file(logo()), kBaseline) << "never copied";
    if (!has(vantool_out({"rebase", "-status", "-stream", "dev@/pvob"}),
             "Rebase operation in progress on stream"))
      continue;  // killed before the rebase was recorded
    auto resumed = vantool({"rebase", "-resume", "-view", "dev"});
    ASSERT_EQ(resumed.exit_code, 0) << resumed.err;
    expect_waiting_for_a_side();
    auto cancelled = vantool({"rebase", "-cancel", "-force", "-view", "dev"});
    ASSERT_EQ(cancelled.exit_code, 0) << cancelled.err;
    EXPECT_EQ(read_file(logo()), kStream);
    EXPECT_EQ(vantool_out({"lsco", "-merge", "-view", "dev"}), "");
  }
  FAIL() << "the rebase never completed";
}

}  // namespace
