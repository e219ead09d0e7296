// Delivers killed through vantool after every repository write (of the
// whole deliver, of its completion alone, of a move to another view), and
// a rebase and a deliver of one stream started at once.
//
// The delivers merge: the source adds a file to the src root and appends a
// line to base.txt, the target adds another file there and puts a line
// before base.txt's, so that a deliver merges the directory and merges the
// file three ways. Two pairs of streams are made alike: one pair delivers
// without interruption and gives what every resumed deliver of the other
// pair must give; the comparison replaces the streams' names and the
// times in generated names.
#include <gtest/gtest.h>

#include <cstdio>

#include <cctype>
#include <string>
#include <thread>
#include <vector>

#include "rebase_project_fixture.h"
#include "support/sandbox.h"
#include "support/vantool_runner.h"

namespace {

using test_support::Env;
using test_support::has;
using test_support::ProcessResult;
using test_support::read_file;
using test_support::vantool;
using test_support::vantool_out;

constexpr int kKilled = 128 + 9;

void replace_all(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

// Runs of six digits or more (the times generated names carry) as "T".
// Whether `text` holds a short date ("08-Dec-26.11:36:48") at `at`.
bool short_date_at(const std::string& text, size_t at) {
  static const char kShape[] = "99-Aaa-99.99:99:99";
  if (at + sizeof kShape - 1 > text.size())
    return false;
  for (size_t i = 0; i + 1 < sizeof kShape; ++i) {
    unsigned char c = static_cast<unsigned char>(text[at + i]);
    bool fits = kShape[i] == '9'   ? std::isdigit(c) != 0
                : kShape[i] == 'A' ? std::isupper(c) != 0
                : kShape[i] == 'a' ? std::islower(c) != 0
                                   : c == static_cast<unsigned char>(kShape[i]);
    if (!fits)
      return false;
  }
  return true;
}

std::string without_times(const std::string& input) {
  // Short dates first, then runs of digits.
  std::string text;
  for (size_t i = 0; i < input.size();) {
    if (short_date_at(input, i)) {
      text += 'T';
      i += 18;
    } else {
      text += input[i++];
    }
  }
  std::string out;
  for (size_t i = 0; i < text.size();) {
    size_t end = i;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
      ++end;
    if (end - i >= 6) {
      out += 'T';
      i = end;
    } else if (end > i) {
      out.append(text, i, end - i);
      i = end;
    } else {
      out += text[i++];
    }
  }
  return out;
}

// Whether the status `text` names a state from which a deliver can only be
// completed: from the check-in of its merges up to the end.
bool completing(const std::string& text) {
  static const char* const kCompleting[] = {
      "reprocess_merging",  "merged",         "context_merged",   "checkedin",
      "brelt_postop_done",  "integarc_drawn", "integact_cleared", "config_updated",
      "environment_updated"};
  for (const char* state : kCompleting) {
    if (has(text, "in state \"" + std::string(state) + "\""))
      return true;
  }
  return false;
}

class VantoolDeliverCrashTest : public zem_test::RebaseProjectTest {
 protected:
  // Source `source` and target `target`, both development streams on
  // INT0, with the changes described at the top.
  void make_pair(const std::string& source, const std::string& target) {
    make_stream(target);
    add_file(target, "theirs.txt");
    change(target, "src/base.txt", "top\nbase.txt\n");
    make_stream(source);
    add_file(source, "mine.txt");
    change(source, "src/base.txt", "base.txt\nbottom\n");
  }
  ProcessResult deliver(const std::string& source, const std::string& target, const Env& env = {}) {
    return vantool({"deliver", "-complete", "-stream", source + "@/pvob", "-target",
                    target + "@/pvob", "-to", target},
                   env);
  }
  // -complete, once more when the first found merges the killed run had
  // not made yet and stopped to show them.
  ProcessResult resume_to_completion(const std::string& source) {
    auto result = vantool({"deliver", "-complete", "-stream", source + "@/pvob"});
    if (result.exit_code != 0 && has(result.err, "new merges were detected"))
      result = vantool({"deliver", "-complete", "-stream", source + "@/pvob"});
    return result;
  }
  std::string status(const std::string& source) {
    return vantool_out({"deliver", "-status", "-stream", source + "@/pvob"});
  }
  // What a user sees of a source and its target: the target view's src
  // directory and files, its checkouts, both streams' baselines and
  // activities with their change sets, what the source holds that the
  // target does not, and the deliver status; the names written as SOURCE
  // and TARGET, times as T.
  std::string shown(const std::string& source, const std::string& target) {
    std::string text = vantool_out({"ls", path(target, "src")}) +
                       "base.txt: " + read_file(path(target, "src/base.txt")) +
                       vantool_out({"lsco", "-view", target}) +
                       vantool_out({"lsbl", "-stream", source + "@/pvob"}) +
                       vantool_out({"lsbl", "-stream", target + "@/pvob"}) +
                       vantool_out({"lsact", "-long", "-in", source + "@/pvob"}) +
                       vantool_out({"lsact", "-long", "-in", target + "@/pvob"}) +
                       vantool_out({"diffbl", source + "@/pvob", target + "@/pvob"}) +
                       status(source);
    replace_all(text, source, "SOURCE");
    replace_all(text, target, "TARGET");
    return without_times(text);
  }
};

TEST_F(VantoolDeliverCrashTest, KilledAfterEveryWriteThenCancelledOrResumed) {
  make_pair("srcref", "tgtref");
  make_pair("srccra", "tgtcra");
  const std::string before = shown("srccra", "tgtcra");
  ASSERT_EQ(shown("srcref", "tgtref"), before) << "the pairs are made alike";
  auto uninterrupted = deliver("srcref", "tgtref");
  ASSERT_EQ(uninterrupted.exit_code, 0) << uninterrupted.err;
  EXPECT_TRUE(has(uninterrupted.out,
                  "Merged 2 file(s) (1 copied: only the source changed them) and 1 directory(ies) "
                  "into view \"tgtref\""))
      << uninterrupted.out;
  EXPECT_EQ(read_file(path("tgtref", "src/base.txt")), "top\nbase.txt\nbottom\n");
  EXPECT_EQ(read_file(path("tgtref", "src/mine.txt")), "mine.txt\n");
  EXPECT_EQ(read_file(path("tgtref", "src/theirs.txt")), "theirs.txt\n");
  const std::string completed = shown("srcref", "tgtref");
  ASSERT_TRUE(has(completed, "No deliver operation in progress")) << completed;

  // Each round kills the deliver one write later; the round that is not
  // killed completed it. A cancel is refused exactly while it completes.
  auto completed_as_uninterrupted = [&] {
    EXPECT_EQ(shown("srccra", "tgtcra"), completed);
    EXPECT_EQ(read_file(path("tgtcra", "src/mine.txt")), "mine.txt\n");
  };
  for (int writes = 1; writes < 500; ++writes) {
    SCOPED_TRACE("killed at write " + std::to_string(writes));
    auto started =
        deliver("srccra", "tgtcra", {{"KORVANE_FAULT_KILL_AFTER_WRITES", std::to_string(writes)}});
    if (started.exit_code == 0) {
      EXPECT_GT(writes, 10) << "a deliver writes more than that";
      completed_as_uninterrupted();
      return;
    }
    ASSERT_EQ(started.exit_code, kKilled) << started.err;
    const std::string state = status("srccra");
    if (!has(state, "Deliver operation is currently in state")) {
      ASSERT_EQ(shown("srccra", "tgtcra"), before) << "killed before the deliver was recorded";
      continue;
    }
    auto cancelled = vantool({"deliver", "-cancel", "-force", "-stream", "srccra@/pvob"});
    if (cancelled.exit_code != 0) {
      // Killed while completing: the resume finishes the deliver.
      ASSERT_TRUE(has(cancelled.err, "another operation is trying to complete")) << cancelled.err;
      EXPECT_TRUE(completing(state)) << state;
      auto resumed = resume_to_completion("srccra");
      ASSERT_EQ(resumed.exit_code, 0) << resumed.err;
      completed_as_uninterrupted();
      return;
    }
    EXPECT_FALSE(completing(state)) << state;
    ASSERT_EQ(shown("srccra", "tgtcra"), before);
  }
  FAIL() << "the deliver never completed";
}

// Killed after every write of the completion alone (a fresh pair each
// time, its first phase run whole): the resume completes it as an
// uninterrupted deliver does. The test above stops at the first kill
// inside the completion.
TEST_F(VantoolDeliverCrashTest, CompletionKilledAfterEveryWriteThenResumed) {
  make_pair("srcref", "tgtref");
  ASSERT_EQ(deliver("srcref", "tgtref").exit_code, 0);
  const std::string completed = shown("srcref", "tgtref");
  for (int writes = 1; writes < 200; ++writes) {
    SCOPED_TRACE("completion killed at write " + std::to_string(writes));
    // Names as long as the reference pair's: listings pad to them.
    char number[8];
    std::snprintf(number, sizeof number, "%04d", writes);
    const std::string source = std::string("sr") + number, target = std::string("tg") + number;
    make_pair(source, target);
    run({"deliver", "-stream", source + "@/pvob", "-target", target + "@/pvob", "-to", target});
    auto killed = vantool({"deliver", "-complete", "-stream", source + "@/pvob"},
                          {{"KORVANE_FAULT_KILL_AFTER_WRITES", std::to_string(writes)}});
    if (killed.exit_code == 0) {
      EXPECT_GT(writes, 5) << "a completion writes more than that";
      EXPECT_EQ(shown(source, target), completed);
      return;
    }
    ASSERT_EQ(killed.exit_code, kKilled) << killed.err;
    auto resumed = resume_to_completion(source);
    ASSERT_EQ(resumed.exit_code, 0) << resumed.err;
    EXPECT_EQ(shown(source, target), completed);
  }
  FAIL() << "the completion never ran to its end";
}

// A deliver whose view was removed, moved to another view of the target
// and killed after every write of the move: asked again, the move
// finishes, and the deliver completes as one moved without a kill does.
TEST_F(VantoolDeliverCrashTest, RetargetKilledAfterEveryWriteThenAskedAgain) {
  // Round `writes` (0: no kill) on its own pair; the exit status of the
  // first move.
  auto round = [&](int writes, std::string& source, std::string& target) {
    char number[8];
    std::snprintf(number, sizeof number, "%04d", writes);
    source = std::string("sr") + number;
    target = std::string("tg") + number;
    make_pair(source, target);
    run({"mkview", "-stream", target + "@/pvob", "-tag", target + "_b", path(target + "_b", "")});
    run({"deliver", "-stream", source + "@/pvob", "-target", target + "@/pvob", "-to",
         target + "_b"});
    run({"rmview", "-force", "-tag", target + "_b"});
    const std::vector<std::string> move = {"deliver", "-retarget", "-to",
                                           target,    "-stream",   source + "@/pvob"};
    Env env;
    if (writes > 0)
      env = {{"KORVANE_FAULT_KILL_AFTER_WRITES", std::to_string(writes)}};
    auto first = vantool(move, env);
    if (first.exit_code != 0) {
      EXPECT_EQ(first.exit_code, kKilled) << first.err;
      auto again = vantool(move);
      EXPECT_EQ(again.exit_code, 0) << again.err;
    }
    auto resumed = resume_to_completion(source);
    EXPECT_EQ(resumed.exit_code, 0) << resumed.err;
    return first.exit_code;
  };
  std::string source, target;
  ASSERT_EQ(round(0, source, target), 0);
  const std::string completed = shown(source, target);
  ASSERT_TRUE(has(completed, "No deliver operation in progress")) << completed;
  for (int writes = 1; writes < 100; ++writes) {
    SCOPED_TRACE("retarget killed at write " + std::to_string(writes));
    const int first = round(writes, source, target);
    EXPECT_EQ(shown(source, target), completed);
    if (first == 0) {
      EXPECT_GT(writes, 2) << "a move writes more than that";
      return;
    }
  }
  FAIL() << "the move never ran to its end";
}

// A rebase and a deliver of "dev" started together: one of them starts,
// the other is refused because of it, and cancelling the one that started
// leaves everything as it was.
TEST_F(VantoolDeliverCrashTest, RebaseAndDeliverStartedTogether) {
  make_stream("dev");
  add_file("dev", "mine.txt");
  add_file("int", "theirs.txt");
  run({"mkbl", "-view", "int", "-nc", "INT2"});
  run({"chstream", "-recommended", "INT2@/pvob", "-nc", "int@/pvob"});
  const std::string dev_before = RebaseProjectTest::shown("dev");
  const std::string int_before = vantool_out({"ls", path("int", "src")});
  const std::string bls_before = vantool_out({"lsbl", "-stream", "dev@/pvob"});

  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    ProcessResult rebase, delivered;
    std::thread other([&] { rebase = vantool({"rebase", "-recommended", "-view", "dev"}); });
    delivered = vantool({"deliver", "-stream", "dev@/pvob", "-to", "int"});
    other.join();
    ASSERT_EQ((rebase.exit_code == 0) + (delivered.exit_code == 0), 1)
        << "rebase: " << rebase.err << "\ndeliver: " << delivered.err;
    if (rebase.exit_code == 0) {
      EXPECT_TRUE(has(delivered.err,
                      "Unable to start a deliver operation while a rebase operation is in "
                      "progress on\nstream \"dev@/pvob\".\n"))
          << delivered.err;
      EXPECT_EQ(vantool_out({"ls", path("int", "src")}), int_before);
      run({"rebase", "-cancel", "-force", "-view", "dev"});
    } else {
      EXPECT_TRUE(has(rebase.err,
                      "Unable to start a rebase operation while a deliver operation\nis in "
                      "progress.\n"))
          << rebase.err;
      run({"deliver", "-cancel", "-force", "-stream", "dev@/pvob"});
    }
    EXPECT_EQ(RebaseProjectTest::shown("dev"), dev_before);
    EXPECT_EQ(vantool_out({"ls", path("int", "src")}), int_before);
    EXPECT_EQ(vantool_out({"lsbl", "-stream", "dev@/pvob"}), bls_before);
    EXPECT_EQ(vantool_out({"lsco", "-view", "int"}), "");
    EXPECT_EQ(vantool_out({"lsco", "-view", "dev"}), "");
  }
}

}  // namespace
