// Versions through views: what each view shows on disk as files are made,
// checked out, checked in and undone, across dynamic and snapshot views and
// config specs that select different branches and directory versions.
#include <cstdio>

#include "view_fixture.h"

namespace {

using test_support::ImsgCapture;
using view_test::exists;
using view_test::put;
using view_test::slurp;
using view_test::version_name;
using view_test::ViewTest;
using view_test::writable;

TEST_F(ViewTest, FileTravelsFromItsViewToDynamicAndSnapshotViews) {
  make_view("a");
  view_server_h b = make_view("b");
  view_server_h c = make_view("c", VIEW_SNAPSHOT);
  ASSERT_EQ(view_set_spec(c, "element * CHECKEDOUT\nelement * /main/LATEST\nload /src/lib\n"), 0);
  ASSERT_EQ(view_update(c, nullptr), 0);

  populate("a", {{"/src/lib/", ""},
                 {"/src/lib/util.c", "int util;\n"},
                 {"/src/doc/", ""},
                 {"/src/doc/guide.txt", "read me\n"}});
  EXPECT_EQ(slurp(file("a", "/src/lib/util.c")), "int util;\n");
  EXPECT_FALSE(writable(file("a", "/src/lib/util.c")));

  // B sees the new versions once refreshed, C once updated, and only what it loads.
  EXPECT_FALSE(exists(file("b", "/src/lib")));
  ASSERT_EQ(view_refresh(b), 0);
  EXPECT_EQ(slurp(file("b", "/src/lib/util.c")), "int util;\n");
  EXPECT_EQ(slurp(file("b", "/src/doc/guide.txt")), "read me\n");
  EXPECT_FALSE(writable(file("b", "/src/doc/guide.txt")));
  EXPECT_FALSE(exists(file("c", "/src/lib")));
  int changed = 0;
  ASSERT_EQ(view_update(c, &changed), 0);
  EXPECT_EQ(changed, 2);  // the lib directory and util.c
  EXPECT_EQ(slurp(file("c", "/src/lib/util.c")), "int util;\n");
  EXPECT_FALSE(exists(file("c", "/src/doc")));

  // Paths of the view resolve through the selected versions.
  view_path_info_t info;
  ASSERT_EQ(view_lookup(b, file("b", "/src/lib/util.c").c_str(), &info), 0);
  EXPECT_EQ(info.vob, vob);
  EXPECT_EQ(version_name(vob, info.version), "/main/1");
  EXPECT_EQ(info.rule_text, "element * /main/LATEST");
  EXPECT_EQ(info.file_path, file("b", "/src/lib/util.c"));
  std::string path;
  ASSERT_EQ(view_elem_path(c, vob, info.element, path), 0);
  EXPECT_EQ(path, "/src/lib/util.c");
  EXPECT_EQ(view_lookup(b, "/src/lib/none.c", &info), 1002);

  // Changing the load rules loads the rest and drops what is no longer loaded.
  ASSERT_EQ(view_set_spec(c, "element * /main/LATEST\nload /src/doc\n"), 0);
  EXPECT_TRUE(exists(file("c", "/src/lib/util.c")));
  ASSERT_EQ(view_update(c, nullptr), 0);
  EXPECT_FALSE(exists(file("c", "/src/lib")));
  EXPECT_EQ(slurp(file("c", "/src/doc/guide.txt")), "read me\n");
}

TEST_F(ViewTest, CheckoutIsWritableOnlyInItsViewAndReservedAgainstOthers) {
  view_server_h a = make_view("a");
  view_server_h b = make_view("b");
  populate("a", {{"/src/main.c", "v1\n"}});
  ASSERT_EQ(view_refresh(b), 0);

  tbs_dbid_t version = 0;
  ASSERT_EQ(view_checkout(a, file("a", "/src/main.c").c_str(), "fix", &version), 0);
  EXPECT_EQ(version_name(vob, version), "/main/CHECKEDOUT");
  EXPECT_TRUE(writable(file("a", "/src/main.c")));
  EXPECT_FALSE(writable(file("b", "/src/main.c")));
  view_path_info_t info;
  ASSERT_EQ(view_lookup(a, "/src/main.c", &info), 0);
  EXPECT_EQ(info.checked_out, 1);
  EXPECT_EQ(info.version, version);
  ASSERT_EQ(view_lookup(b, "/src/main.c", &info), 0);
  EXPECT_EQ(info.checked_out, 0);

  ImsgCapture capture;
  tbs_dbid_t other = 0;
  EXPECT_EQ(view_checkout(b, "/src/main.c", "me too", &other), 1001);
  EXPECT_EQ(view_checkout(a, "/src/main.c", "again", &other), 1001);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("already checked out in view \"a\""),
            std::string::npos);

  put(file("a", "/src/main.c"), "v2\n");
  ASSERT_EQ(view_refresh(a), 0);  // a refresh never touches a checkout
  EXPECT_EQ(slurp(file("a", "/src/main.c")), "v2\n");
  ASSERT_EQ(view_refresh(b), 0);
  EXPECT_EQ(slurp(file("b", "/src/main.c")), "v1\n");

  std::vector<view_ckout_t> checkouts;
  ASSERT_EQ(view_list_checkouts(a, checkouts), 0);
  ASSERT_EQ(checkouts.size(), 1u);
  EXPECT_EQ(checkouts[0].path, "/src/main.c");
  EXPECT_EQ(checkouts[0].version, version);
  ASSERT_EQ(view_list_checkouts(b, checkouts), 0);
  EXPECT_TRUE(checkouts.empty());

  tbs_dbid_t checked_in = 0;
  ASSERT_EQ(view_checkin(a, "/src/main.c", "fixed", &checked_in), 0);
  EXPECT_EQ(version_name(vob, checked_in), "/main/2");
  EXPECT_FALSE(writable(file("a", "/src/main.c")));
  std::string content;
  ASSERT_EQ(vob_ver_read_content(vob, checked_in, content), 0);
  EXPECT_EQ(content, "v2\n");
  ASSERT_EQ(view_refresh(b), 0);
  EXPECT_EQ(slurp(file("b", "/src/main.c")), "v2\n");
  EXPECT_EQ(view_checkout(b, "/src/main.c", "now mine", &other), 0);
}

TEST_F(ViewTest, MkbranchCheckoutLandsOnTheBranchAndOnlyItsViewSeesIt) {
  view_server_h main_view = make_view("main");
  view_server_h dev = make_view("dev");
  populate("main", {{"/src/app.c", "base\n"}});
  tbs_dbid_t brtype = 0;
  vob_event_info_t event;
  ASSERT_EQ(vob_brtype_create(vob, "dev", &event, &brtype), 0);
  ASSERT_EQ(view_set_spec(dev,
                          "element * CHECKEDOUT\nelement * .../dev/LATEST\n"
                          "element * /main/LATEST -mkbranch dev\n"),
            0);
  EXPECT_EQ(slurp(file("dev", "/src/app.c")), "base\n");

  tbs_dbid_t version = 0;
  ASSERT_EQ(view_checkout(dev, "/src/app.c", "on dev", &version), 0);
  EXPECT_EQ(version_name(vob, version), "/main/dev/CHECKEDOUT");
  EXPECT_EQ(slurp(file("dev", "/src/app.c")), "base\n");
  put(file("dev", "/src/app.c"), "dev work\n");
  ASSERT_EQ(view_checkin(dev, "/src/app.c", nullptr, &version), 0);
  EXPECT_EQ(version_name(vob, version), "/main/dev/1");

  view_path_info_t info;
  ASSERT_EQ(view_lookup(dev, "/src/app.c", &info), 0);
  EXPECT_EQ(info.rule_text, "element * .../dev/LATEST");
  ASSERT_EQ(view_refresh(main_view), 0);
  EXPECT_EQ(slurp(file("main", "/src/app.c")), "base\n");
  EXPECT_EQ(slurp(file("dev", "/src/app.c")), "dev work\n");

  // The next checkout continues the existing branch.
  ASSERT_EQ(view_checkout(dev, "/src/app.c", "more", &version), 0);
  EXPECT_EQ(version_name(vob, version), "/main/dev/CHECKEDOUT");
  // And the main view can still check out main.
  ASSERT_EQ(view_checkout(main_view, "/src/app.c", "main", &version), 0);
  EXPECT_EQ(version_name(vob, version), "/main/CHECKEDOUT");
}

TEST_F(ViewTest, RulesCanForbidCheckoutsAndNameMissingBranchTypes) {
  view_server_h a = make_view("a");
  populate("a", {{"/src/frozen.txt", "x\n"}, {"/src/open.txt", "y\n"}});
  ASSERT_EQ(view_set_spec(a,
                          "element * CHECKEDOUT\nelement frozen.txt /main/LATEST -nocheckout\n"
                          "element * /main/LATEST -mkbranch nosuch\n"),
            0);
  ImsgCapture capture;
  tbs_dbid_t version = 0;
  EXPECT_EQ(view_checkout(a, "/src/frozen.txt", "", &version), 1001);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("-nocheckout"), std::string::npos);
  EXPECT_EQ(view_checkout(a, "/src/open.txt", "", &version), 1001);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("\"nosuch\""), std::string::npos);
  std::vector<view_ckout_t> checkouts;
  ASSERT_EQ(view_list_checkouts(a, checkouts), 0);
  EXPECT_TRUE(checkouts.empty());
  EXPECT_FALSE(writable(file("a", "/src/open.txt")));
}

TEST_F(ViewTest, UncheckoutRestoresTheSelectedVersionAndCanKeepTheWork) {
  view_server_h a = make_view("a");
  populate("a", {{"/src/notes.txt", "original\n"}});
  tbs_dbid_t version = 0;
  ASSERT_EQ(view_checkout(a, "/src/notes.txt", "", &version), 0);
  put(file("a", "/src/notes.txt"), "scribbles\n");
  ASSERT_EQ(view_uncheckout(a, "/src/notes.txt", 1), 0);
  EXPECT_EQ(slurp(file("a", "/src/notes.txt")), "original\n");
  EXPECT_FALSE(writable(file("a", "/src/notes.txt")));
  EXPECT_EQ(slurp(file("a", "/src/notes.txt.keep")), "scribbles\n");
  std::vector<view_ckout_t> checkouts;
  ASSERT_EQ(view_list_checkouts(a, checkouts), 0);
  EXPECT_TRUE(checkouts.empty());
  view_path_info_t info;
  ASSERT_EQ(view_lookup(a, "/src/notes.txt", &info), 0);
  EXPECT_EQ(info.checked_out, 0);
  EXPECT_EQ(version_name(vob, info.version), "/main/1");

  // A second kept copy does not overwrite the first; without keep nothing is saved.
  ASSERT_EQ(view_checkout(a, "/src/notes.txt", "", &version), 0);
  put(file("a", "/src/notes.txt"), "more\n");
  ASSERT_EQ(view_uncheckout(a, "/src/notes.txt", 1), 0);
  EXPECT_EQ(slurp(file("a", "/src/notes.txt.keep")), "scribbles\n");
  EXPECT_EQ(slurp(file("a", "/src/notes.txt.keep.1")), "more\n");
  ASSERT_EQ(view_checkout(a, "/src/notes.txt", "", &version), 0);
  ASSERT_EQ(view_uncheckout(a, "/src/notes.txt", 0), 0);
  EXPECT_FALSE(exists(file("a", "/src/notes.txt.keep.2")));
  ImsgCapture capture;
  EXPECT_EQ(view_uncheckout(a, "/src/notes.txt", 0), 1001);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("not checked out"), std::string::npos);
}

TEST_F(ViewTest, FailedCheckinLeavesTheCheckoutAndItsFile) {
  view_server_h a = make_view("a");
  populate("a", {{"/src/data.txt", "1\n"}});
  tbs_dbid_t version = 0;
  ASSERT_EQ(view_checkout(a, "/src/data.txt", "", &version), 0);
  ASSERT_EQ(std::remove(file("a", "/src/data.txt").c_str()), 0);
  ImsgCapture capture;
  tbs_dbid_t checked_in = 0;
  EXPECT_EQ(view_checkin(a, "/src/data.txt", "", &checked_in), 1001);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("the checkout is kept"), std::string::npos);
  std::vector<view_ckout_t> checkouts;
  ASSERT_EQ(view_list_checkouts(a, checkouts), 0);
  ASSERT_EQ(checkouts.size(), 1u);
  EXPECT_EQ(checkouts[0].version, version);
  EXPECT_FALSE(exists(file("a", "/src/data.txt")));
  tbs_dbid_t branch = 0;
  tbs_dbid_t latest = 0;
  view_path_info_t info;
  ASSERT_EQ(view_lookup(a, "/src/data.txt", &info), 0);
  ASSERT_EQ(vob_elem_get_main_branch(vob, info.element, &branch), 0);
  ASSERT_EQ(vob_branch_get_ver(vob, branch, -1, &latest), 0);
  EXPECT_EQ(version_name(vob, latest), "/main/1");

  // Once the file is back, the check-in goes through.
  std::ofstream(file("a", "/src/data.txt")) << "2\n";
  ASSERT_EQ(view_checkin(a, "/src/data.txt", "", &checked_in), 0);
  EXPECT_EQ(version_name(vob, checked_in), "/main/2");
}

TEST_F(ViewTest, DirectoryVersionsShowDifferentlyUnderDifferentConfigSpecs) {
  view_server_h a = make_view("a");
  view_server_h old = make_view("old");
  populate("a", {{"/src/pkg/", ""}, {"/src/pkg/first.c", "1\n"}});
  populate("a", {{"/src/pkg/second.c", "2\n"}});
  // pkg/main/1 is the empty directory, /main/2 holds first.c, /main/3 both files.
  ASSERT_EQ(view_set_spec(old, "element -directory /src/pkg /main/2\nelement * /main/LATEST\n"), 0);
  EXPECT_TRUE(exists(file("old", "/src/pkg/first.c")));
  EXPECT_FALSE(exists(file("old", "/src/pkg/second.c")));
  EXPECT_EQ(slurp(file("a", "/src/pkg/second.c")), "2\n");

  std::vector<view_path_info_t> entries;
  ASSERT_EQ(view_readdir_ext(old, "/src/pkg", entries), 0);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].vob_path, "/src/pkg/first.c");
  ASSERT_EQ(view_readdir_ext(a, file("a", "/src/pkg").c_str(), entries), 0);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].vob_path, "/src/pkg/second.c");
  view_path_info_t info;
  EXPECT_EQ(view_lookup(old, "/src/pkg/second.c", &info), 1002);

  // Moving the view forward shows the new entry; the view root lists the VOBs.
  ASSERT_EQ(view_set_spec(old, "element * /main/LATEST\n"), 0);
  EXPECT_EQ(slurp(file("old", "/src/pkg/second.c")), "2\n");
  ASSERT_EQ(view_readdir_ext(old, root_of("old").c_str(), entries), 0);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].vob_path, "/src");
}

TEST_F(ViewTest, MakingElementsNeedsACheckedOutDirectoryAndTakesPrivateFiles) {
  view_server_h a = make_view("a");
  ImsgCapture capture;
  tbs_dbid_t element = 0;
  EXPECT_EQ(view_mkelem(a, "/src/early.txt", VOB_ELTYPE_FILE, "", 0, &element), 1001);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("must be checked out"), std::string::npos);

  tbs_dbid_t dir = 0;
  ASSERT_EQ(view_checkout(a, "/src", "", &dir), 0);
  std::ofstream(file("a", "/src/kept.txt")) << "private work\n";
  ASSERT_EQ(view_mkelem(a, "/src/kept.txt", VOB_ELTYPE_FILE, "new", 0, &element), 0);
  EXPECT_EQ(slurp(file("a", "/src/kept.txt")), "private work\n");
  EXPECT_TRUE(writable(file("a", "/src/kept.txt")));
  ASSERT_EQ(view_mkelem(a, "/src/empty.txt", VOB_ELTYPE_FILE, "new", 1, &element), 0);
  EXPECT_EQ(slurp(file("a", "/src/empty.txt")), "");
  EXPECT_FALSE(writable(file("a", "/src/empty.txt")));
  EXPECT_EQ(view_mkelem(a, "/src/empty.txt", VOB_ELTYPE_FILE, "twice", 1, &element), 1003);

  tbs_dbid_t version = 0;
  ASSERT_EQ(view_checkin(a, "/src/kept.txt", "", &version), 0);
  EXPECT_EQ(version_name(vob, version), "/main/1");
  std::string content;
  ASSERT_EQ(vob_ver_read_content(vob, version, content), 0);
  EXPECT_EQ(content, "private work\n");
  ASSERT_EQ(view_checkin(a, "/src", "", &version), 0);

  // Files the view did not write stay where they are across updates.
  std::ofstream(file("a", "/src/scratch.log")) << "mine\n";
  ASSERT_EQ(view_set_spec(a, "element * /main/0\n"), 0);
  EXPECT_FALSE(exists(file("a", "/src/kept.txt")));
  EXPECT_EQ(slurp(file("a", "/src/scratch.log")), "mine\n");
}

TEST_F(ViewTest, UndoingADirectoryCheckoutDropsTheElementsMadeInIt) {
  view_server_h a = make_view("a");
  tbs_dbid_t dir = 0;
  ASSERT_EQ(view_checkout(a, "/src", "", &dir), 0);
  tbs_dbid_t element = 0;
  ASSERT_EQ(view_mkelem(a, "/src/tmp.txt", VOB_ELTYPE_FILE, "", 1, &element), 0);
  EXPECT_TRUE(exists(file("a", "/src/tmp.txt")));
  ASSERT_EQ(view_uncheckout(a, "/src", 0), 0);
  EXPECT_FALSE(exists(file("a", "/src/tmp.txt")));
  view_path_info_t info;
  EXPECT_EQ(view_lookup(a, "/src/tmp.txt", &info), 1002);
}

TEST_F(ViewTest, RefreshRepairsTheViewsOwnFilesAndLeavesPrivateOnesAlone) {
  make_view("a");
  view_server_h b = make_view("b");
  // A file of B's own stands where an element is about to appear.
  std::ofstream(file("b", "/src/x.txt")) << "private\n";
  populate("a", {{"/src/x.txt", "x\n"}, {"/src/y.txt", "y\n"}});
  ImsgCapture capture;
  ASSERT_EQ(view_refresh(b), 0);
  EXPECT_EQ(slurp(file("b", "/src/x.txt")), "private\n");
  EXPECT_NE(capture.joined(IMSG_WARNING).find("x.txt"), std::string::npos);
  EXPECT_EQ(slurp(file("b", "/src/y.txt")), "y\n");

  // A refresh looks only at VOBs that changed; an update repairs what the
  // view wrote and someone changed or removed.
  put(file("b", "/src/y.txt"), "edited without a checkout\n");
  ASSERT_EQ(std::remove(file("a", "/src/x.txt").c_str()), 0);
  ASSERT_EQ(view_refresh(b), 0);
  EXPECT_EQ(slurp(file("b", "/src/y.txt")), "edited without a checkout\n");
  int changed = 0;
  ASSERT_EQ(view_update(b, &changed), 0);
  ASSERT_EQ(view_update(views.at("a"), &changed), 0);
  EXPECT_EQ(slurp(file("b", "/src/y.txt")), "y\n");
  EXPECT_FALSE(writable(file("b", "/src/y.txt")));
  EXPECT_EQ(slurp(file("a", "/src/x.txt")), "x\n");

  // Once the private file holds the element's content, the view takes it over.
  put(file("b", "/src/x.txt"), "x\n");
  ASSERT_EQ(view_update(b, &changed), 0);
  EXPECT_FALSE(writable(file("b", "/src/x.txt")));
  ASSERT_EQ(view_set_spec(b, "element * /main/0\n"), 0);
  EXPECT_FALSE(exists(file("b", "/src/x.txt")));
}

}  // namespace
