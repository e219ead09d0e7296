// A rebase that merges real content, checked against git: a stream changed
// 50 files of a component and the new baseline 50 others, 20 in common with
// edits on different lines; each of the 20 merged files must equal what
// `git merge-file` makes of the same three versions, the files only one side
// changed must hold that side's content, and one file both sides changed on
// the same line must be left with conflict markers holding both sides until
// the user resolves it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
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

constexpr int kFiles = 100;
constexpr int kLines = 12;

std::string file_name(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "f%03d.txt", i);
  return name;
}

// The content every file starts with: kLines numbered lines.
std::string original(int i) {
  std::string text;
  for (int line = 0; line < kLines; ++line)
    text += "file " + std::to_string(i) + " line " + std::to_string(line) + "\n";
  return text;
}

// `text` with line `line` replaced by `replacement`.
std::string with_line(const std::string& text, int line, const std::string& replacement) {
  size_t start = 0;
  for (int i = 0; i < line; ++i)
    start = text.find('\n', start) + 1;
  size_t end = text.find('\n', start);
  return text.substr(0, start) + replacement + text.substr(end);
}

class VantoolRebaseMergeTest : public zem_test::RebaseProjectTest {
 protected:
  // Gives the files `which` of view `tag`'s src the content `edit` makes,
  // checked out and in with one command each.
  void change_files(const std::string& tag, const std::vector<int>& which,
                    std::string (*edit)(int)) {
    std::vector<std::string> co = {"co", "-nc"}, ci = {"ci", "-nc"};
    for (int i : which) {
      co.push_back(src(tag) + "/" + file_name(i));
      ci.push_back(src(tag) + "/" + file_name(i));
    }
    run(co);
    for (int i : which)
      write_file(src(tag) + "/" + file_name(i), edit(i));
    run(ci);
  }
  std::string src(const std::string& tag) { return home.path() + "/" + tag + "/src"; }

  // What git merge-file makes of three texts.
  std::string git_merge(const std::string& ours, const std::string& base,
                        const std::string& theirs) {
    std::string at = home.path() + "/git_";
    write_file(at + "ours", ours);
    write_file(at + "base", base);
    write_file(at + "theirs", theirs);
    std::string command =
        "git merge-file -p " + at + "ours " + at + "base " + at + "theirs > " + at + "out";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return read_file(at + "out");
  }
};

std::string ours(int i) {
  return with_line(original(i), 2, "stream edit of file " + std::to_string(i));
}
std::string theirs(int i) {
  return with_line(original(i), 8, "baseline edit of file " + std::to_string(i));
}

TEST_F(VantoolRebaseMergeTest, FiftyAgainstFiftyEqualsGitMergeFile) {
  // kFiles files in baseline INTF, the foundation of stream "big".
  run({"co", "-nc", src("int")});
  std::vector<std::string> mkelem = {"mkelem", "-ci", "-nc"};
  for (int i = 0; i < kFiles; ++i) {
    write_file(src("int") + "/" + file_name(i), original(i));
    mkelem.push_back(src("int") + "/" + file_name(i));
  }
  run(mkelem);
  run({"ci", "-nc", src("int")});
  run({"mkbl", "-view", "int", "-nc", "INTF"});
  run({"mkstream", "-in", "proj@/pvob", "-baseline", "INTF@/pvob", "-nc", "big@/pvob"});
  run({"mkview", "-stream", "big@/pvob", "-tag", "big", home.path() + "/big"});
  run({"mkact", "-view", "big", "-headline", "Work", "-nc", "big_work@/pvob"});

  // The stream changes files 0-49, the baseline 30-79; 30-49 both; file 99
  // both on the same line.
  std::vector<int> stream_side, baseline_side;
  for (int i = 0; i < 50; ++i)
    stream_side.push_back(i);
  for (int i = 30; i < 80; ++i)
    baseline_side.push_back(i);
  change_files("big", stream_side, ours);
  change_files("int", baseline_side, theirs);
  change_files("big", {99}, [](int i) { return with_line(original(i), 5, "ours"); });
  change_files("int", {99}, [](int i) { return with_line(original(i), 5, "theirs"); });
  run({"mkbl", "-view", "int", "-nc", "INTG"});

  auto started = vantool({"rebase", "-baseline", "INTG@/pvob", "-view", "big"});
  ASSERT_EQ(started.exit_code, 0) << started.err;
  EXPECT_TRUE(has(started.out, "Merged 21 file(s) and 0 directory(ies)")) << started.out;
  EXPECT_TRUE(has(started.err, "/src/f099.txt")) << started.err;
  for (int i = 0; i < kFiles; ++i) {
    SCOPED_TRACE(file_name(i));
    std::string shown = read_file(src("big") + "/" + file_name(i));
    std::string expected = i == 99  ? shown
                           : i < 30 ? ours(i)
                           : i < 50 ? git_merge(ours(i), original(i), theirs(i))
                           : i < 80 ? theirs(i)
                                    : original(i);
    EXPECT_EQ(shown, expected);
  }
  std::string conflicted = read_file(src("big") + "/" + file_name(99));
  EXPECT_TRUE(has(conflicted, "<<<<<<<") && has(conflicted, "ours\n") &&
              has(conflicted, "theirs\n") && has(conflicted, ">>>>>>>"))
      << conflicted;
  EXPECT_TRUE(has(vantool_out({"lsco", "-merge", "-view", "big"}), "f099.txt"));

  // Refused until resolved; then everything is checked in.
  EXPECT_EQ(vantool({"rebase", "-complete", "-view", "big"}).exit_code, 1);
  write_file(src("big") + "/" + file_name(99), with_line(original(99), 5, "both"));
  run({"rebase", "-complete", "-view", "big"});
  EXPECT_EQ(vantool_out({"lsco", "-view", "big"}), "");
  EXPECT_EQ(read_file(src("big") + "/" + file_name(99)), with_line(original(99), 5, "both"));
  EXPECT_EQ(read_file(src("big") + "/" + file_name(40)),
            git_merge(ours(40), original(40), theirs(40)));
}

}  // namespace
