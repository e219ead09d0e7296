// Names and history end to end through vantool: rmname and mv in checked-out
// directories (what ls, lsvtree and the views show before and after the
// directories are checked in), their refusals, a mv killed at every write,
// and lshistory with its comments, activities, -recurse, -since and -json.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "services/rgy.h"
#include "support/project_builder.h"
#include "support/vantool_runner.h"
#include "vantool_project_fixture.h"

namespace {

using test_support::Env;
using test_support::read_file;
using test_support::TempHome;
using test_support::vantool;
using test_support::vantool_out;
using test_support::vantool_refuses;
using test_support::write_file;

bool on_disk(const std::string& path) {
  return std::filesystem::exists(path);
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

class VantoolNamesTest : public zem_test::TwoViewsTest {
 protected:
  // Makes the checked-in elements `names` (a trailing "/" makes a
  // directory) in directory `dir` of view a, each file holding its name.
  void make(const std::string& dir, const std::vector<std::string>& names, const Env& env = {}) {
    run({"co", "-nc", a + dir}, env);
    for (const auto& name : names) {
      if (name.back() == '/') {
        run({"mkdir", "-ci", "-c", "new directory", a + dir + "/" + name}, env);
        continue;
      }
      write_file(a + dir + "/" + name, name + "\n");
      run({"mkelem", "-ci", "-c", "first", a + dir + "/" + name}, env);
    }
    run({"ci", "-c", "add names", a + dir}, env);
  }
};

TEST_F(VantoolNamesTest, RmnameRemovesTheNameFromTheNextDirectoryVersion) {
  make("/src", {"bye.txt", "hello.txt"});
  vantool({"ls", b + "/src"});
  ASSERT_TRUE(on_disk(b + "/src/bye.txt"));

  run({"co", "-nc", a + "/src"});
  auto rm = vantool({"rmname", "-c", "no longer needed", a + "/src/bye.txt"});
  ASSERT_EQ(rm.exit_code, 0) << rm.err;
  EXPECT_EQ(rm.out, "Removed the name \"" + a + "/src/bye.txt\".\n");
  EXPECT_FALSE(on_disk(a + "/src/bye.txt"));
  std::string ls = vantool_out({"ls", a + "/src"});
  EXPECT_FALSE(contains(ls, "bye.txt")) << ls;
  EXPECT_TRUE(contains(ls, "hello.txt@@/main/1")) << ls;

  EXPECT_EQ(vantool_out({"ci", "-nc", a + "/src"}),
            "Checked in \"" + a + "/src\" version \"/main/2\".\n");
  EXPECT_TRUE(contains(vantool_out({"lsvtree", a + "/src"}), a + "/src@@/main/2  (selected)"));
  std::string old = vantool_out({"ls", a + "/src@@/main/1"});
  EXPECT_TRUE(contains(old, "bye.txt@@/main/1")) << "the older version still has it: " << old;
  EXPECT_TRUE(contains(old, "hello.txt@@/main/1")) << old;
  EXPECT_FALSE(contains(vantool_out({"ls", b + "/src"}), "bye.txt"));
  EXPECT_FALSE(on_disk(b + "/src/bye.txt")) << "view b dropped it on its next command";
  auto no_version = vantool({"ls", a + "/src@@/main/9"});
  EXPECT_EQ(no_version.exit_code, 1);
  EXPECT_TRUE(contains(no_version.err, "/main/9")) << no_version.err;
}

TEST_F(VantoolNamesTest, MvRenamesWithinAndMovesBetweenDirectories) {
  make("/src", {"doc/", "lib/"});
  make("/src/lib", {"util.c"});

  run({"co", "-nc", a + "/src/lib"});
  auto renamed = vantool({"mv", "-c", "clearer", a + "/src/lib/util.c", a + "/src/lib/tools.c"});
  ASSERT_EQ(renamed.exit_code, 0) << renamed.err;
  EXPECT_EQ(renamed.out, "Moved \"" + a + "/src/lib/util.c\" to \"" + a + "/src/lib/tools.c\".\n");
  EXPECT_EQ(read_file(a + "/src/lib/tools.c"), "util.c\n");
  EXPECT_FALSE(on_disk(a + "/src/lib/util.c"));

  run({"co", "-nc", a + "/src/doc"});
  run({"mv", "-nc", a + "/src/lib/tools.c", a + "/src/doc"});
  EXPECT_EQ(read_file(a + "/src/doc/tools.c"), "util.c\n");
  EXPECT_FALSE(on_disk(a + "/src/lib/tools.c"));
  run({"ci", "-nc", a + "/src/lib", a + "/src/doc"});

  // mkdir -ci made /main/1 of each, util.c's creation lib's /main/2.
  EXPECT_TRUE(contains(vantool_out({"lsvtree", a + "/src/lib"}), "lib@@/main/3  (selected)"));
  EXPECT_TRUE(contains(vantool_out({"lsvtree", a + "/src/doc"}), "doc@@/main/2  (selected)"));
  EXPECT_FALSE(contains(vantool_out({"ls", a + "/src/lib"}), "tools.c"));
  EXPECT_TRUE(contains(vantool_out({"ls", a + "/src/lib@@/main/2"}), "util.c@@/main/1"));
  EXPECT_TRUE(contains(vantool_out({"ls", a + "/src/doc"}), "tools.c@@/main/1"));
  vantool({"ls", b + "/src"});
  EXPECT_EQ(read_file(b + "/src/doc/tools.c"), "util.c\n");
  EXPECT_FALSE(on_disk(b + "/src/lib/util.c"));
}

TEST_F(VantoolNamesTest, MistakesAreRefusedWithTheReason) {
  make("/src", {"d/", "x.c", "y.c"});
  ASSERT_EQ(vantool({"mkvob", "-tag", "/other"}).exit_code, 0);
  EXPECT_TRUE(vantool_refuses({"Directory \"/src\" must be checked out in view \"a\"", "x.c"},
                              {"rmname", "-nc", a + "/src/x.c"}));
  EXPECT_TRUE(vantool_refuses({"Directory \"/src\" must be checked out"},
                              {"mv", "-nc", a + "/src/x.c", a + "/src/z.c"}));
  run({"co", "-nc", a + "/src"});
  EXPECT_TRUE(vantool_refuses({"not visible", "none.c"}, {"rmname", "-nc", a + "/src/none.c"}));
  EXPECT_TRUE(vantool_refuses({"\"/src/y.c\" already exists"},
                              {"mv", "-nc", a + "/src/x.c", a + "/src/y.c"}));
  EXPECT_TRUE(
      vantool_refuses({"not in the same VOB"}, {"mv", "-nc", a + "/src/x.c", a + "/other/x.c"}));
  EXPECT_TRUE(
      vantool_refuses({"cannot move into itself"}, {"mv", "-nc", a + "/src/d", a + "/src/d/e"}));
  EXPECT_TRUE(vantool_refuses({"root directory of VOB \"/src\""}, {"rmname", "-nc", a + "/src"}));
  run({"co", "-nc", a + "/src/x.c"});
  EXPECT_TRUE(vantool_refuses({"\"/src/x.c\" is checked out in view \"a\"", "uncheckout"},
                              {"rmname", "-nc", a + "/src/x.c"}));
  EXPECT_EQ(vantool({"mv", a + "/src/x.c"}).exit_code, 2);
  std::string ls = vantool_out({"ls", a + "/src"});
  EXPECT_TRUE(contains(ls, "x.c@@") && contains(ls, "y.c@@") && contains(ls, "d/@@")) << ls;
}

TEST_F(VantoolNamesTest, AKilledMvLeavesTheElementUnderExactlyOneName) {
  make("/src", {"d1/", "d2/"});
  make("/src/d1", {"f.txt"});
  run({"co", "-nc", a + "/src/d1", a + "/src/d2"});
  const std::string from = a + "/src/d1/f.txt";
  const std::string to = a + "/src/d2/g.txt";
  bool finished = false;
  int killed = 0;
  for (int kill_at = 1; kill_at < 200 && !finished; ++kill_at) {
    auto r = vantool({"mv", "-nc", from, to},
                     {{"KORVANE_FAULT_KILL_AFTER_WRITES", std::to_string(kill_at)}});
    if (r.exit_code == 0) {
      finished = true;
      break;
    }
    ASSERT_EQ(r.exit_code, 128 + 9) << "write " << kill_at << ": " << r.err;
    ++killed;
    // The next command brings the view in line with whichever name the VOB has.
    bool old_name = contains(vantool_out({"ls", a + "/src/d1"}), "f.txt@@");
    bool new_name = contains(vantool_out({"ls", a + "/src/d2"}), "g.txt@@");
    ASSERT_NE(old_name, new_name) << "killed at write " << kill_at;
    EXPECT_EQ(on_disk(from), old_name) << "killed at write " << kill_at;
    EXPECT_EQ(on_disk(to), new_name) << "killed at write " << kill_at;
    if (new_name)
      run({"mv", "-nc", to, from});  // back, for the next kill
  }
  EXPECT_TRUE(finished);
  EXPECT_GT(killed, 0);
  EXPECT_EQ(read_file(to), "f.txt\n");
  EXPECT_FALSE(on_disk(from));
}

TEST_F(VantoolNamesTest, LshistoryShowsWhoDidWhatNewestFirst) {
  Env alice{{"KORVANE_USER", "alice"}};
  Env bob{{"KORVANE_USER", "bob"}};
  // Both work in view a, which another user made: privileged users may.
  ASSERT_EQ(rgy_add_privileged_user("alice"), 0);
  ASSERT_EQ(rgy_add_privileged_user("bob"), 0);
  make("/src", {"hello.txt"}, alice);
  run({"co", "-c", "fix greeting", a + "/src/hello.txt"}, bob);
  write_file(a + "/src/hello.txt", "hello, world\n");
  run({"ci", a + "/src/hello.txt"}, bob);

  const std::string file = a + "/src/hello.txt";
  auto history = lines_of(vantool_out({"lshistory", file}));
  const std::regex stamp(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d .*)");
  std::vector<std::string> without_time;
  for (const auto& line : history) {
    EXPECT_TRUE(std::regex_match(line, stamp)) << line;
    without_time.push_back(line.substr(20));
  }
  EXPECT_EQ(without_time, std::vector<std::string>({
                              "bob checkin " + file + "@@/main/2 \"fix greeting\"",
                              "bob checkout " + file + "@@/main from /main/1 \"fix greeting\"",
                              "alice checkin " + file + "@@/main/1 \"first\"",
                              "alice checkout " + file + "@@/main from /main/0 \"first\"",
                              "alice mkelem " + file + " \"first\"",
                          }));

  // -recurse adds the directory: the name it gained, its check-in.
  std::string all = vantool_out({"lshistory", "-recurse", a + "/src"});
  EXPECT_TRUE(contains(all, "alice mkname " + a + "/src@@/main/1 hello.txt \"first\"")) << all;
  EXPECT_TRUE(contains(all, "alice checkin " + a + "/src@@/main/1 \"add names\"")) << all;
  EXPECT_TRUE(contains(all, "bob checkin " + file + "@@/main/2")) << all;
  EXPECT_LT(all.find("bob checkin"), all.find("alice checkin")) << "newest first";

  EXPECT_EQ(vantool_out({"lshistory", "-since", "2999-01-01", file}), "");
  EXPECT_EQ(lines_of(vantool_out({"lshistory", "-since", "2000-01-01T00:00:00", file})).size(),
            history.size());
  for (const char* bad : {"yesterday", "2026-13-01", "2026-02-30", "2026-01-01 10:00:00"}) {
    auto r = vantool({"lshistory", "-since", bad, file});
    EXPECT_EQ(r.exit_code, 2) << bad;
    EXPECT_TRUE(contains(r.err, std::string("\"") + bad + "\" is not a date")) << r.err;
  }

  std::string json = vantool_out({"lshistory", "-json", file});
  EXPECT_EQ(json.front(), '[');
  EXPECT_TRUE(contains(json, "\"user\":\"bob\",\"operation\":\"checkin\",\"element\":\"" + file +
                                 "\",\"object\":\"" + file +
                                 "@@/main/2\",\"detail\":\"\",\"comment\":\"fix greeting\","
                                 "\"activity\":\"\"}"))
      << json;
}

TEST_F(VantoolNamesTest, LshistoryShowsRenamesAndRemovedNames) {
  make("/src", {"a.txt", "b.txt"});
  run({"co", "-nc", a + "/src"});
  run({"mv", "-c", "better name", a + "/src/a.txt", a + "/src/c.txt"});
  run({"rmname", "-c", "unused", a + "/src/b.txt"});
  std::string dir = vantool_out({"lshistory", a + "/src"});
  auto lines = lines_of(dir);
  ASSERT_GE(lines.size(), 2u) << dir;
  EXPECT_TRUE(contains(lines[0], " rmname " + a + "/src@@/main/CHECKEDOUT b.txt \"unused\""))
      << dir;
  EXPECT_TRUE(
      contains(lines[1], " rename " + a + "/src@@/main/CHECKEDOUT a.txt -> c.txt \"better name\""))
      << dir;
  std::string renamed = vantool_out({"lshistory", a + "/src/c.txt"});
  EXPECT_TRUE(
      contains(lines_of(renamed)[0], " rename " + a + "/src/c.txt a.txt -> c.txt \"better name\""))
      << renamed;
}

// Activities: a view attached to a development stream records each
// checkout in its current activity, which lshistory names.
TEST(VantoolHistoryActivities, EventsOfVersionsNameTheirActivity) {
  TempHome home;
  std::string dev = home.path() + "/dev";
  auto run = [](const std::vector<std::string>& args) {
    auto r = vantool(args);
    ASSERT_EQ(r.exit_code, 0) << args[0] << ": " << r.err;
  };
  test_support::ProjectSpec spec = test_support::standard_project();
  spec.files = {{"a.txt", "a\n"}};
  spec.component = "lib";
  spec.import_label = "REL";
  spec.activity = "fix_login";
  ASSERT_TRUE(build_project(home, spec));
  run({"co", "-c", "log in faster", dev + "/src/a.txt"});
  write_file(dev + "/src/a.txt", "faster\n");
  run({"ci", dev + "/src/a.txt"});

  auto lines = lines_of(vantool_out({"lshistory", dev + "/src/a.txt"}));
  ASSERT_GE(lines.size(), 4u);
  EXPECT_TRUE(contains(lines[0], " checkin " + dev +
                                     "/src/a.txt@@/main/dev/1 \"log in faster\" "
                                     "(activity: fix_login)"))
      << lines[0];
  EXPECT_TRUE(contains(lines[1], " checkout " + dev +
                                     "/src/a.txt@@/main/dev from /main/dev/0 \"log in faster\" "
                                     "(activity: fix_login)"))
      << lines[1];
  EXPECT_TRUE(contains(lines[2], " mkbranch " + dev + "/src/a.txt@@/main/dev")) << lines[2];
  bool labeled = false;
  for (const auto& line : lines) {
    if (contains(line, " mklabel " + dev + "/src/a.txt@@/main/1 REL"))
      labeled = true;
    if (contains(line, "@@/main/1") || contains(line, " mkelem ")) {
      EXPECT_FALSE(contains(line, "activity")) << "made outside any stream: " << line;
    }
  }
  EXPECT_TRUE(labeled);
  std::string json = vantool_out({"lshistory", "-json", dev + "/src/a.txt"});
  EXPECT_TRUE(contains(json, "\"activity\":\"fix_login\"")) << json;
}

}  // namespace
