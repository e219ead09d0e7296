// SUM_View as the command tool uses it: views made, listed and removed
// through the library, their owner's rule, config specs loaded for a user,
// paths and directories, and files changed through the view; and the
// version-tree reads of SUM_Version, SUM_Element and SUM_Branch.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "sum/sum_version.h"
#include "sum/sum_view.h"
#include "view_fixture.h"

namespace {

using test_support::ScopedEnv;
using view_test::slurp;

class SumViewWorkTest : public view_test::ViewTest {
 protected:
  // A dynamic view made through the library, rooted at root_of(tag).
  SUM_View make_sum_view(const std::string& tag) {
    view_create_args_t args;
    args.tag = tag;
    args.root = root_of(tag);
    SUM_View view;
    EXPECT_EQ(SUM_View::create(args, view), 0) << tag;
    return view;
  }

  static bool listed(const std::string& tag) {
    std::vector<view_entry_t> views;
    EXPECT_EQ(SUM_View::list(views), 0);
    return std::any_of(views.begin(), views.end(),
                       [&](const view_entry_t& v) { return v.tag == tag; });
  }

  // Makes /src/<name> with `content`, checked in, through `view`.
  static void add_file(const SUM_View& view, const std::string& root, const std::string& name,
                       const std::string& content) {
    std::vector<view_path_result_t> results;
    ASSERT_EQ(view.checkout_paths({"/src"}, "add", results), 0);
    std::ofstream(root + "/src/" + name) << content;
    ASSERT_EQ(view.make_elements({"/src/" + name}, VOB_ELTYPE_FILE, "new", 1, results), 0);
    ASSERT_EQ(view.checkin_paths({"/src"}, nullptr, results), 0);
  }
};

TEST_F(SumViewWorkTest, ViewsAreMadeListedAndRemovedThroughTheLibrary) {
  SUM_View view = make_sum_view("work");
  ASSERT_FALSE(view.is_null());
  std::string path;
  ASSERT_EQ(view.path(path), 0);
  EXPECT_EQ(path, root_of("work"));
  EXPECT_TRUE(listed("work"));

  // A taken tag is refused and the first view stays as it was.
  view_create_args_t again;
  again.tag = "work";
  again.root = root_of("other");
  SUM_View unchanged;
  EXPECT_NE(SUM_View::create(again, unchanged), 0);
  EXPECT_TRUE(unchanged.is_null());
  ASSERT_EQ(view.path(path), 0);
  EXPECT_EQ(path, root_of("work"));

  EXPECT_EQ(SUM_View::remove("work", 0), 0);
  EXPECT_FALSE(listed("work"));
  EXPECT_EQ(SUM_View::remove("work", 0), TBS_ST_NOT_FOUND);
}

TEST_F(SumViewWorkTest, OnlyTheOwnerChangesOrRemovesAView) {
  SUM_View view = make_sum_view("mine");
  EXPECT_EQ(view.check_owner("set the config spec of"), 0);
  std::string before;
  SUM_String text;
  ASSERT_EQ(view.config_spec(text), 0);
  before = static_cast<const char*>(text);
  {
    ScopedEnv other("KORVANE_USER", "somebody_else");
    test_support::ImsgCapture capture;
    EXPECT_EQ(view.check_owner("set the config spec of"), TBS_ST_NO_PERMISSION);
    EXPECT_EQ(view.load_config_spec("element * /main/0\n"), TBS_ST_NO_PERMISSION);
    EXPECT_NE(capture.joined(IMSG_ERROR).find("mine"), std::string::npos)
        << capture.joined(IMSG_ERROR);
    EXPECT_EQ(SUM_View::remove("mine", 1), TBS_ST_NO_PERMISSION);
  }
  ASSERT_EQ(view.config_spec(text), 0);
  EXPECT_EQ(std::string(static_cast<const char*>(text)), before);
  EXPECT_TRUE(listed("mine"));
}

TEST_F(SumViewWorkTest, LoadConfigSpecStoresAGoodTextAndRefusesAMalformedOne) {
  SUM_View view = make_sum_view("cs");
  const char* good = "element * CHECKEDOUT\nelement * /main/LATEST\n";
  ASSERT_EQ(view.load_config_spec(good), 0);
  SUM_String text;
  ASSERT_EQ(view.config_spec(text), 0);
  EXPECT_EQ(std::string(static_cast<const char*>(text)), good);

  test_support::ImsgCapture capture;
  EXPECT_EQ(view.load_config_spec("element * /main/LATEST -bogus\n"), TBS_ST_BAD_ARGUMENT);
  ASSERT_EQ(view.config_spec(text), 0);
  EXPECT_EQ(std::string(static_cast<const char*>(text)), good);
}

TEST_F(SumViewWorkTest, FilesChangeThroughTheViewAndTheirVersionsReadBack) {
  SUM_View view = make_sum_view("files");
  ASSERT_NO_FATAL_FAILURE(add_file(view, root_of("files"), "a.txt", "one\n"));
  ASSERT_EQ(view.refresh(), 0);

  view_path_info_t info;
  ASSERT_EQ(view.lookup("/src/a.txt", info), 0);
  ASSERT_NE(info.element, 0u);
  SUM_Version first(SUM_Vob(info.vob), info.version);
  std::string name;
  ASSERT_EQ(first.version_path(name), 0);
  EXPECT_EQ(name, "/main/1");
  std::string content;
  ASSERT_EQ(first.content(content), 0);
  EXPECT_EQ(content, "one\n");
  vob_ckout_info_t ckout;
  EXPECT_EQ(first.checkout_info(ckout), TBS_ST_NOT_FOUND);

  std::vector<view_path_result_t> results;
  ASSERT_EQ(view.checkout_paths({"/src/a.txt"}, "edit", results), 0);
  ASSERT_EQ(results.size(), 1u);
  SUM_Version checkout(SUM_Vob(info.vob), results[0].dbid);
  ASSERT_EQ(checkout.checkout_info(ckout), 0);
  EXPECT_EQ(ckout.predecessor, first.dbid());
  EXPECT_EQ(ckout.comment, "edit");
  std::vector<view_ckout_t> checkouts;
  ASSERT_EQ(view.list_checkouts(checkouts), 0);
  ASSERT_EQ(checkouts.size(), 1u);
  EXPECT_EQ(checkouts[0].version, checkout.dbid());

  view_test::put(root_of("files") + "/src/a.txt", "two\n");
  ASSERT_EQ(view.checkin_paths({"/src/a.txt"}, nullptr, results), 0);
  SUM_Version second(SUM_Vob(info.vob), results[0].dbid);
  ASSERT_EQ(second.version_path(name), 0);
  EXPECT_EQ(name, "/main/2");
  ASSERT_EQ(second.content(content), 0);
  EXPECT_EQ(content, "two\n");
  EXPECT_EQ(slurp(root_of("files") + "/src/a.txt"), "two\n");

  SUM_Version named;
  ASSERT_EQ(SUM_Version::construct_from_name(SUM_Element(SUM_Vob(info.vob), info.element),
                                             "/main/1", named),
            0);
  EXPECT_EQ(named.dbid(), first.dbid());
  EXPECT_EQ(SUM_Version::construct_from_name(SUM_Element(SUM_Vob(info.vob), info.element),
                                             "/main/9", named),
            TBS_ST_NOT_FOUND);
  EXPECT_EQ(named.dbid(), first.dbid());

  std::vector<SUM_Branch> branches;
  ASSERT_EQ(SUM_Element(SUM_Vob(info.vob), info.element).branches(branches), 0);
  ASSERT_EQ(branches.size(), 1u);
  ASSERT_EQ(branches[0].path(name), 0);
  EXPECT_EQ(name, "/main");
  std::vector<SUM_Version> versions;
  ASSERT_EQ(branches[0].versions(versions), 0);
  ASSERT_EQ(versions.size(), 3u);  // 0, 1 and 2
  EXPECT_EQ(versions[2].dbid(), second.dbid());
  SUM_Version none;
  EXPECT_EQ(branches[0].checkout_version(none), TBS_ST_NOT_FOUND);
  std::vector<tbs_dbid_t> merged;
  ASSERT_EQ(second.merged_from(merged), 0);
  EXPECT_TRUE(merged.empty());

  std::vector<vob_hist_event_t> events;
  ASSERT_EQ(SUM_Element::history(SUM_Vob(info.vob), {info.element}, 0, events), 0);
  EXPECT_GE(events.size(), 3u);  // made, checked out, checked in at least
}

TEST_F(SumViewWorkTest, RefusedPathsAreReportedOnePerPathAndLeaveNothingBehind) {
  SUM_View view = make_sum_view("refuse");
  std::ofstream(root_of("refuse") + "/src/new.txt") << "x";
  std::vector<view_path_result_t> results;
  // The parent directory is not checked out: nothing can be made in it.
  EXPECT_NE(view.make_elements({"/src/new.txt"}, VOB_ELTYPE_FILE, "new", 1, results), 0);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_NE(results[0].status, 0);
  view_path_info_t info;
  info.element = 77;
  EXPECT_EQ(view.lookup("/src/new.txt", info), TBS_ST_NOT_FOUND);
  EXPECT_EQ(info.element, 77u);  // untouched on failure

  test_support::ImsgCapture capture;
  ASSERT_NO_FATAL_FAILURE(add_file(view, root_of("refuse"), "kept.txt", "k"));
  EXPECT_EQ(view.remove_name("/src/kept.txt", "drop"), TBS_ST_ERROR);
  EXPECT_EQ(view.rename("/src/kept.txt", "/src/moved.txt", "mv"), TBS_ST_ERROR);
  ASSERT_EQ(view.lookup("/src/kept.txt", info), 0);
  std::vector<view_path_info_t> entries;
  ASSERT_EQ(view.read_dir("/src", entries), 0);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].vob_path, "/src/kept.txt");
  EXPECT_EQ(view.read_dir("/src/kept.txt", entries), TBS_ST_NOT_DIRECTORY);
}

TEST_F(SumViewWorkTest, ElementPathAndOlderDirectoryVersions) {
  SUM_View view = make_sum_view("dirs");
  ASSERT_NO_FATAL_FAILURE(add_file(view, root_of("dirs"), "a.txt", "a"));
  ASSERT_NO_FATAL_FAILURE(add_file(view, root_of("dirs"), "b.txt", "b"));
  view_path_info_t src, file;
  ASSERT_EQ(view.lookup("/src", src), 0);
  ASSERT_EQ(view.lookup("/src/b.txt", file), 0);
  std::string path;
  ASSERT_EQ(view.element_path(SUM_Vob(file.vob), file.element, path), 0);
  EXPECT_EQ(path, "/src/b.txt");

  // Version 1 of the directory holds only a.txt.
  SUM_Version dir1;
  ASSERT_EQ(
      SUM_Version::construct_from_name(SUM_Element(SUM_Vob(src.vob), src.element), "/main/1", dir1),
      0);
  std::vector<view_path_info_t> entries;
  ASSERT_EQ(view.read_dir_version("/src", dir1.dbid(), entries), 0);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].vob_path, "/src/a.txt");
  EXPECT_EQ(view.read_dir_version("/src", file.version, entries), TBS_ST_BAD_ARGUMENT);
}

}  // namespace
