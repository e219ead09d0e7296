// Rebases killed through vantool: at every state a rebase saves, and after
// every repository write. After a kill, a cancel leaves the stream, its
// view's config spec, the view's activity and the stream's activities as
// they were; a resume completes the rebase to exactly what an uninterrupted
// one gives (compared with a twin stream rebased without interruption).
// States at which the rebase is completing refuse the cancel, and the
// resume finishes it.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "rebase_project_fixture.h"
#include "support/vantool_runner.h"

namespace {

using test_support::Env;
using test_support::has;
using test_support::vantool;
using test_support::vantool_out;

constexpr int kKilled = 128 + 9;

// The states a rebase saves, in order; from
// "reprocess_merging" on the rebase is completing and cannot be cancelled.
const char* const kSavedStates[] = {
    "op_committed", "cspec_updated",     "view_reloaded", "integact_created", "integact_set",
    "merging",      "reprocess_merging", "checkedin",     "integact_cleared", "config_updated"};

bool completing(const std::string& state) {
  return state == "reprocess_merging" || state == "checkedin" || state == "integact_cleared" ||
         state == "config_updated";
}

// Parameter: whether the streams rebased added a file of their own to the
// src root, which INT1 changed too, so that the rebase merges that
// directory.
class VantoolRebaseCrashTest : public zem_test::RebaseProjectTest,
                               public ::testing::WithParamInterface<bool> {
 protected:
  void make_rebased_stream(const std::string& name) {
    make_stream(name);
    if (GetParam())
      add_file(name, "mine.txt");
  }
  test_support::ProcessResult start_killed_at(const std::string& stream, const Env& env) {
    return vantool({"rebase", "-recommended", "-complete", "-view", stream}, env);
  }
  // -complete, once more when the first one found merges the killed run
  // had not made yet and stopped to show them.
  test_support::ProcessResult resume_to_completion(const std::string& stream) {
    auto result = vantool({"rebase", "-complete", "-stream", stream + "@/pvob"});
    if (result.exit_code != 0 && has(result.err, "new merges were detected"))
      result = vantool({"rebase", "-complete", "-stream", stream + "@/pvob"});
    return result;
  }
  test_support::ProcessResult cancel(const std::string& stream) {
    return vantool({"rebase", "-cancel", "-force", "-stream", stream + "@/pvob"});
  }
};

TEST_P(VantoolRebaseCrashTest, KilledAtEveryStateThenCancelledOrResumed) {
  // The twin rebased without interruption gives what every resume must.
  make_rebased_stream("crashref");
  run({"rebase", "-recommended", "-complete", "-view", "crashref"});
  const std::string completed = shown("crashref");
  ASSERT_TRUE(has(completed, "foundation baselines: INT1@/pvob\n")) << completed;

  int index = 0;
  for (const char* state : kSavedStates) {
    SCOPED_TRACE(state);
    std::string name = "crash" + std::to_string(index++);
    make_rebased_stream(name);
    const std::string before = shown(name);
    const Env kill = {{"KORVANE_FAULT_KILL_AT_STATE", state}};

    ASSERT_EQ(start_killed_at(name, kill).exit_code, kKilled);
    auto cancelled = cancel(name);
    if (completing(state)) {
      EXPECT_EQ(cancelled.exit_code, 1);
      EXPECT_TRUE(has(cancelled.err, "another operation is trying to complete")) << cancelled.err;
    } else {
      EXPECT_EQ(cancelled.exit_code, 0) << cancelled.err;
      EXPECT_EQ(shown(name), before);
      ASSERT_EQ(start_killed_at(name, kill).exit_code, kKilled);
    }
    auto resumed = resume_to_completion(name);
    EXPECT_EQ(resumed.exit_code, 0) << resumed.err;
    EXPECT_EQ(shown(name), completed);
  }
}

TEST_P(VantoolRebaseCrashTest, KilledAfterEveryWriteThenCancelled) {
  make_rebased_stream("crashref");
  run({"rebase", "-recommended", "-complete", "-view", "crashref"});
  const std::string completed = shown("crashref");
  make_rebased_stream("crashw");
  const std::string before = shown("crashw");
  // Each round kills the rebase one write later; the round that is not
  // killed completed it.
  for (int writes = 1; writes < 500; ++writes) {
    SCOPED_TRACE("killed at write " + std::to_string(writes));
    auto started =
        start_killed_at("crashw", {{"KORVANE_FAULT_KILL_AFTER_WRITES", std::to_string(writes)}});
    if (started.exit_code == 0) {
      EXPECT_GT(writes, 10) << "a rebase writes more than that";
      EXPECT_EQ(shown("crashw"), completed);
      return;
    }
    ASSERT_EQ(started.exit_code, kKilled) << started.err;
    std::string status = vantool_out({"rebase", "-status", "-stream", "crashw@/pvob"});
    if (!has(status, "Rebase operation in progress on stream")) {
      EXPECT_EQ(shown("crashw"), before) << "killed before the rebase was recorded";
      continue;
    }
    auto cancelled = cancel("crashw");
    if (cancelled.exit_code != 0) {
      // Killed while completing: the resume finishes the rebase.
      ASSERT_TRUE(has(cancelled.err, "another operation is trying to complete")) << cancelled.err;
      ASSERT_EQ(resume_to_completion("crashw").exit_code, 0);
      EXPECT_EQ(shown("crashw"), completed);
      return;
    }
    EXPECT_EQ(shown("crashw"), before);
  }
  FAIL() << "the rebase never completed";
}

TEST_P(VantoolRebaseCrashTest, TwoProcessesCompletingOneRebase) {
  make_rebased_stream("crashref");
  run({"rebase", "-recommended", "-complete", "-view", "crashref"});
  const std::string completed = shown("crashref");
  make_rebased_stream("crashtwo");
  run({"rebase", "-recommended", "-view", "crashtwo"});
  test_support::ProcessResult results[2];
  std::thread other([&] { results[1] = resume_to_completion("crashtwo"); });
  results[0] = resume_to_completion("crashtwo");
  other.join();
  int succeeded = (results[0].exit_code == 0) + (results[1].exit_code == 0);
  EXPECT_EQ(succeeded, 1) << results[0].err << results[1].err;
  // The loser found the record changed under it, or already gone.
  const std::string& lost = results[0].exit_code == 0 ? results[1].err : results[0].err;
  EXPECT_TRUE(has(lost, "corrupted") || has(lost, "No rebase operation in progress")) << lost;
  EXPECT_EQ(shown("crashtwo"), completed);
}

INSTANTIATE_TEST_SUITE_P(MergingOrNot, VantoolRebaseCrashTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "merging" : "no_merge";
                         });

}  // namespace
