// Names through views: removing a name from a checked-out directory and
// renaming or moving an element, what the directory versions hold before
// and after check-in, what the views show on disk, the refusals, and the
// history the VOB keeps of all of it.
#include <algorithm>

#include "view_fixture.h"

namespace {

using test_support::ImsgCapture;
using view_test::exists;
using view_test::put;
using view_test::slurp;
using view_test::version_name;
using view_test::ViewTest;
using view_test::writable;

class ViewNamesTest : public ViewTest {
 protected:
  view_path_info_t at(view_server_h v, const std::string& path) {
    view_path_info_t info;
    EXPECT_EQ(view_lookup(v, path.c_str(), &info), 0) << path;
    return info;
  }
  tbs_dbid_t checkout(view_server_h v, const std::string& path) {
    tbs_dbid_t version = 0;
    EXPECT_EQ(view_checkout(v, path.c_str(), "", &version), 0) << path;
    return version;
  }
  tbs_dbid_t checkin(view_server_h v, const std::string& path) {
    tbs_dbid_t version = 0;
    EXPECT_EQ(view_checkin(v, path.c_str(), nullptr, &version), 0) << path;
    return version;
  }
  // The element a directory version names `name`; 0 when it has no such entry.
  tbs_dbid_t entry(tbs_dbid_t dir_version, const char* name) {
    tbs_dbid_t element = 0;
    return vob_nsdir_lookup(vob, dir_version, name, &element) == 0 ? element : 0;
  }
  // The names of the entries a view lists for `path`.
  static std::vector<std::string> names(view_server_h v, const std::string& path) {
    std::vector<view_path_info_t> entries;
    EXPECT_EQ(view_readdir_ext(v, path.c_str(), entries), 0) << path;
    std::vector<std::string> out;
    for (const auto& e : entries)
      out.push_back(e.vob_path.substr(e.vob_path.rfind('/') + 1));
    return out;
  }
  std::vector<vob_hist_event_t> history(const std::vector<tbs_dbid_t>& elements, long since = 0) {
    std::vector<vob_hist_event_t> events;
    EXPECT_EQ(vob_elem_get_history(vob, elements, since, events), 0);
    return events;
  }
  using Names = std::vector<std::string>;
};

TEST_F(ViewNamesTest, RmnameDropsTheNameFromTheNextDirectoryVersionOnly) {
  view_server_h a = make_view("a");
  view_server_h b = make_view("b");
  populate("a", {{"/src/gone.c", "gone\n"}, {"/src/keep.c", "keep\n"}});
  tbs_dbid_t before = at(a, "/src").version;  // holds both names
  tbs_dbid_t gone = at(a, "/src/gone.c").element;
  ASSERT_EQ(view_refresh(b), 0);
  ASSERT_TRUE(exists(file("b", "/src/gone.c")));

  checkout(a, "/src");
  ASSERT_EQ(view_rmname(a, "/src/gone.c", "not needed"), 0);
  EXPECT_FALSE(exists(file("a", "/src/gone.c")));
  EXPECT_EQ(slurp(file("a", "/src/keep.c")), "keep\n");
  EXPECT_EQ(names(a, "/src"), Names({"keep.c"}));
  view_path_info_t none;
  EXPECT_EQ(view_lookup(a, "/src/gone.c", &none), 1002);
  EXPECT_TRUE(exists(file("b", "/src/gone.c"))) << "b selects the checked-in directory";

  tbs_dbid_t after = checkin(a, "/src");
  EXPECT_EQ(entry(after, "gone.c"), 0u);
  EXPECT_NE(entry(after, "keep.c"), 0u);
  EXPECT_EQ(entry(before, "gone.c"), gone) << "the older directory version keeps the name";
  std::vector<view_path_info_t> old_listing;
  ASSERT_EQ(view_readdir_version(a, "/src", before, old_listing), 0);
  ASSERT_EQ(old_listing.size(), 2u);
  EXPECT_EQ(old_listing[0].vob_path, "/src/gone.c");
  EXPECT_EQ(version_name(vob, old_listing[0].version), "/main/1");

  // The element keeps its versions; view b drops the file on its next refresh.
  tbs_dbid_t branch = 0;
  std::vector<tbs_dbid_t> versions;
  ASSERT_EQ(vob_elem_get_main_branch(vob, gone, &branch), 0);
  ASSERT_EQ(vob_branch_next_vers(vob, branch, versions), 0);
  EXPECT_EQ(versions.size(), 2u);
  std::string content;
  ASSERT_EQ(vob_ver_read_content(vob, versions[1], content), 0);
  EXPECT_EQ(content, "gone\n");
  ASSERT_EQ(view_refresh(b), 0);
  EXPECT_FALSE(exists(file("b", "/src/gone.c")));
  EXPECT_TRUE(exists(file("b", "/src/keep.c")));
}

TEST_F(ViewNamesTest, RmnameRefusesWhatItCannotRemoveAndChangesNothing) {
  view_server_h a = make_view("a");
  populate("a", {{"/src/lib/", ""}, {"/src/lib/util.c", "u\n"}, {"/src/top.c", "t\n"}});
  ImsgCapture capture;
  EXPECT_EQ(view_rmname(a, "/src/top.c", ""), 1001);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("Directory \"/src\" must be checked out in view \"a\""),
            std::string::npos)
      << capture.joined(IMSG_ERROR);
  EXPECT_EQ(view_rmname(a, "/src", ""), 1001);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("\"/src\" is the root directory of VOB \"/src\""),
            std::string::npos);
  EXPECT_EQ(view_rmname(a, "/src/none.c", ""), 1002);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("none.c"), std::string::npos);

  checkout(a, "/src");
  checkout(a, "/src/top.c");
  EXPECT_EQ(view_rmname(a, "/src/top.c", ""), 1001);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("\"/src/top.c\" is checked out in view \"a\""),
            std::string::npos);
  checkout(a, "/src/lib/util.c");
  EXPECT_EQ(view_rmname(a, "/src/lib", ""), 1001) << "a checkout below the directory";
  EXPECT_NE(capture.joined(IMSG_ERROR).find("\"/src/lib/util.c\" is checked out in view \"a\""),
            std::string::npos);
  EXPECT_EQ(names(a, "/src"), Names({"lib", "top.c"}));
  EXPECT_TRUE(exists(file("a", "/src/lib/util.c")));
}

TEST_F(ViewNamesTest, RenameWithinAndBetweenDirectoriesMovesTheFilesAndTheEntries) {
  view_server_h a = make_view("a");
  view_server_h b = make_view("b");
  populate("a", {{"/src/doc/", ""}, {"/src/lib/", ""}, {"/src/lib/util.c", "u\n"}});
  tbs_dbid_t util = at(a, "/src/lib/util.c").element;
  tbs_dbid_t lib_before = at(a, "/src/lib").version;

  tbs_dbid_t lib_co = checkout(a, "/src/lib");
  ASSERT_EQ(view_rename(a, "/src/lib/util.c", "/src/lib/tools.c", "clearer"), 0);
  EXPECT_FALSE(exists(file("a", "/src/lib/util.c")));
  EXPECT_EQ(slurp(file("a", "/src/lib/tools.c")), "u\n");
  EXPECT_FALSE(writable(file("a", "/src/lib/tools.c")));
  EXPECT_EQ(at(a, "/src/lib/tools.c").element, util);
  EXPECT_EQ(entry(lib_co, "tools.c"), util);

  // Into an existing directory: the element keeps its name there.
  tbs_dbid_t doc_co = checkout(a, "/src/doc");
  ASSERT_EQ(view_rename(a, "/src/lib/tools.c", "/src/doc", "belongs to doc"), 0);
  EXPECT_EQ(names(a, "/src/lib"), Names());
  EXPECT_EQ(names(a, "/src/doc"), Names({"tools.c"}));
  EXPECT_FALSE(exists(file("a", "/src/lib/tools.c")));
  EXPECT_EQ(slurp(file("a", "/src/doc/tools.c")), "u\n");

  tbs_dbid_t lib_after = checkin(a, "/src/lib");
  tbs_dbid_t doc_after = checkin(a, "/src/doc");
  EXPECT_EQ(lib_after, lib_co);
  EXPECT_EQ(doc_after, doc_co);
  EXPECT_EQ(entry(lib_after, "tools.c"), 0u);
  EXPECT_EQ(entry(lib_after, "util.c"), 0u);
  EXPECT_EQ(entry(doc_after, "tools.c"), util);
  EXPECT_EQ(entry(lib_before, "util.c"), util) << "the older version keeps the old name";
  ASSERT_EQ(view_refresh(b), 0);
  EXPECT_EQ(slurp(file("b", "/src/doc/tools.c")), "u\n");
  EXPECT_FALSE(exists(file("b", "/src/lib/util.c")));
}

TEST_F(ViewNamesTest, MovingACheckoutKeepsItsEditsAndItsCheckout) {
  view_server_h a = make_view("a");
  populate("a", {{"/src/a/", ""}, {"/src/b/", ""}, {"/src/a/f.c", "v1\n"}});
  checkout(a, "/src/a");
  checkout(a, "/src/b");
  checkout(a, "/src/a/f.c");
  put(file("a", "/src/a/f.c"), "edited\n");
  ASSERT_EQ(view_rename(a, "/src/a/f.c", "/src/b/g.c", ""), 0);
  EXPECT_EQ(slurp(file("a", "/src/b/g.c")), "edited\n");
  EXPECT_TRUE(writable(file("a", "/src/b/g.c")));
  EXPECT_FALSE(exists(file("a", "/src/a/f.c")));
  std::vector<view_ckout_t> checkouts;
  ASSERT_EQ(view_list_checkouts(a, checkouts), 0);
  std::vector<std::string> paths;
  for (const auto& c : checkouts)
    paths.push_back(c.path);
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(paths, Names({"/src/a", "/src/b", "/src/b/g.c"}));
  ASSERT_EQ(view_refresh(a), 0);
  EXPECT_EQ(slurp(file("a", "/src/b/g.c")), "edited\n") << "a refresh leaves the checkout alone";
  tbs_dbid_t made = checkin(a, "/src/b/g.c");
  std::string content;
  ASSERT_EQ(vob_ver_read_content(vob, made, content), 0);
  EXPECT_EQ(content, "edited\n");
}

TEST_F(ViewNamesTest, RenameRefusesAndLeavesEverythingInPlace) {
  view_server_h a = make_view("a");
  vob_vob_h other = test_support::make_test_vob("/other");
  ASSERT_NE(other, nullptr);
  populate("a", {{"/src/d/", ""},
                 {"/src/d/sub/", ""},
                 {"/src/e/", ""},
                 {"/src/d/x.c", "x\n"},
                 {"/src/d/y.c", "y\n"}});
  ImsgCapture capture;
  auto errors = [&] { return capture.joined(IMSG_ERROR); };
  EXPECT_EQ(view_rename(a, "/src/d/x.c", "/src/d/z.c", ""), 1001);
  EXPECT_NE(errors().find("Directory \"/src/d\" must be checked out in view \"a\""),
            std::string::npos)
      << errors();
  checkout(a, "/src/d");
  EXPECT_EQ(view_rename(a, "/src/d/x.c", "/src/e/x.c", ""), 1001) << "the target is not";
  EXPECT_NE(errors().find("Directory \"/src/e\" must be checked out"), std::string::npos);
  EXPECT_EQ(view_rename(a, "/src/d/x.c", "/src/d/y.c", ""), 1003);
  EXPECT_NE(errors().find("\"/src/d/y.c\" already exists in view \"a\""), std::string::npos);
  std::ofstream(file("a", "/src/d/private.c")) << "mine\n";
  EXPECT_EQ(view_rename(a, "/src/d/x.c", "/src/d/private.c", ""), 1003) << "a view-private file";
  EXPECT_EQ(view_rename(a, "/src/d", "/src/d/sub/d2", ""), 1001);
  EXPECT_NE(errors().find("\"/src/d\" cannot move into itself or below itself"), std::string::npos);
  EXPECT_EQ(view_rename(a, "/src/d", "/src/d", ""), 1001);
  EXPECT_EQ(view_rename(a, "/src/d/x.c", "/other/x.c", ""), 1001);
  EXPECT_NE(errors().find("\"/src/d/x.c\" and \"/other/x.c\" are not in the same VOB"),
            std::string::npos);
  EXPECT_EQ(view_rename(a, "/src", "/src/d/src", ""), 1001);
  EXPECT_NE(errors().find("root directory of VOB \"/src\""), std::string::npos);
  EXPECT_EQ(view_rename(a, "/src/d/x.c", "/src/d/bad@@name", ""), 1004);

  EXPECT_EQ(names(a, "/src/d"), Names({"sub", "x.c", "y.c"}));
  EXPECT_EQ(slurp(file("a", "/src/d/x.c")), "x\n");
  EXPECT_EQ(slurp(file("a", "/src/d/private.c")), "mine\n");
}

TEST_F(ViewNamesTest, HistoryListsWhatHappenedToElementsNewestFirst) {
  view_server_h a = make_view("a");
  populate("a", {{"/src/f.c", "1\n"}});
  tbs_dbid_t f = at(a, "/src/f.c").element;
  tbs_dbid_t src = at(a, "/src").element;
  tbs_dbid_t v1 = at(a, "/src/f.c").version;

  tbs_dbid_t co = 0;
  ASSERT_EQ(view_checkout(a, "/src/f.c", "second try", &co), 0);
  ASSERT_EQ(view_uncheckout(a, "/src/f.c", 0), 0);
  ASSERT_EQ(view_checkout(a, "/src/f.c", "fix the bug", &co), 0);
  put(file("a", "/src/f.c"), "2\n");
  tbs_dbid_t v2 = checkin(a, "/src/f.c");
  tbs_dbid_t lbtype = 0;
  ASSERT_EQ(vob_lbtype_create(vob, "REL1", nullptr, &lbtype), 0);
  ASSERT_EQ(vob_ver_add_labels(vob, lbtype, {v2}, nullptr), 0);
  ASSERT_EQ(vob_ver_add_merge(vob, v1, v2, nullptr), 0);
  checkout(a, "/src");
  ASSERT_EQ(view_rename(a, "/src/f.c", "/src/g.c", "better name"), 0);

  auto events = history({f});
  std::vector<std::string> seen;
  for (const auto& e : events)
    seen.push_back(std::to_string(e.action) + " " + e.version_name +
                   (e.version == 0 ? e.branch_path : "") + " " + e.detail + " \"" + e.comment +
                   "\"");
  const Names expected = {
      std::to_string(VOB_HIST_RENAME) + "  f.c -> g.c \"better name\"",
      std::to_string(VOB_HIST_MERGE) + " /main/2 /main/1 \"\"",
      std::to_string(VOB_HIST_LABEL) + " /main/2 REL1 \"\"",
      std::to_string(VOB_HIST_CHECKIN) + " /main/2  \"fix the bug\"",
      std::to_string(VOB_HIST_CHECKOUT) + " /main/2 /main/1 \"fix the bug\"",
      std::to_string(VOB_HIST_UNCHECKOUT) + " /main  \"\"",
      std::to_string(VOB_HIST_CHECKOUT) + " /main /main/1 \"second try\"",
      std::to_string(VOB_HIST_CHECKIN) + " /main/1  \"new\"",
      std::to_string(VOB_HIST_CHECKOUT) + " /main/1 /main/0 \"new\"",
      std::to_string(VOB_HIST_MKELEM) + "   \"new\"",
  };
  EXPECT_EQ(seen, expected);
  for (const auto& e : events) {
    EXPECT_EQ(e.element, f);
    EXPECT_FALSE(e.user.empty());
    EXPECT_EQ(e.activity, 0u) << "a view attached to no stream records no activity";
  }

  // The directory's history shows the names it gained and changed; one
  // call answers for both elements; -since cuts the older events off.
  auto both = history({src, f});
  std::vector<int> dir_actions;
  for (const auto& e : both)
    if (e.element == src && e.version != 0 &&
        (e.action == VOB_HIST_ADDNAME || e.action == VOB_HIST_RENAME))
      dir_actions.push_back(e.action);
  EXPECT_EQ(dir_actions, std::vector<int>({VOB_HIST_RENAME, VOB_HIST_ADDNAME}));
  EXPECT_EQ(both.size(), events.size() + history({src}).size());
  for (size_t i = 1; i < both.size(); ++i)
    EXPECT_GT(both[i - 1].id, both[i].id) << "newest first";
  EXPECT_TRUE(history({f}, events.front().time + 1).empty());
  EXPECT_EQ(history({f}, events.back().time).size(), events.size());
  EXPECT_TRUE(history({987654}).empty()) << "an unknown element has no history";
}

}  // namespace
