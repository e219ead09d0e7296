// Views as objects: making and removing them, handles and the current view,
// properties, and the config spec with its identity and update state.
#include <unistd.h>

#include "view_fixture.h"

namespace {

using test_support::ImsgCapture;
using view_test::exists;
using view_test::slurp;
using view_test::ViewTest;

TEST_F(ViewTest, CreateRegistersStorageAndRootAndRemoveTakesThemAway) {
  view_server_h v = make_view("alice_dev", VIEW_DYNAMIC, "sumview");
  ASSERT_NE(v, nullptr);
  std::vector<view_entry_t> views;
  ASSERT_EQ(view_list(views), 0);
  ASSERT_EQ(views.size(), 1u);
  const view_entry_t e = views[0];  // a copy: the list is read again below
  EXPECT_EQ(e.tag, "alice_dev");
  EXPECT_EQ(e.kind, VIEW_DYNAMIC);
  EXPECT_EQ(e.attributes, "sumview");
  EXPECT_EQ(e.root, root_of("alice_dev"));
  EXPECT_EQ(e.storage_path, home.path() + "/views/alice_dev.vws");
  EXPECT_FALSE(e.owner.empty());
  EXPECT_TRUE(exists(e.storage_path + "/view.db"));
  // A dynamic view shows every VOB at once.
  EXPECT_TRUE(std::filesystem::is_directory(e.root + "/src"));

  std::string text;
  ASSERT_EQ(view_get_config_spec(v, text), 0);
  EXPECT_EQ(text, "element * CHECKEDOUT\nelement * /main/LATEST\n");

  view_server_h by_uuid = nullptr;
  ASSERT_EQ(view_get_handle_by_uuid(e.uuid.c_str(), &by_uuid), 0);
  EXPECT_EQ(tag_of(by_uuid), "alice_dev");
  view_free_handle(by_uuid);

  ASSERT_EQ(view_remove("alice_dev", 0), 0);
  ASSERT_EQ(view_list(views), 0);
  EXPECT_TRUE(views.empty());
  EXPECT_FALSE(exists(e.storage_path));
  EXPECT_FALSE(exists(e.root));
  view_server_h gone = nullptr;
  EXPECT_EQ(view_get_handle_by_tag("alice_dev", &gone), 1002);
  EXPECT_EQ(view_get_handle_by_uuid(e.uuid.c_str(), &gone), 1002);
  ImsgCapture capture;
  EXPECT_EQ(view_remove("alice_dev", 0), 1002);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("\"alice_dev\" does not exist"), std::string::npos);
}

TEST_F(ViewTest, CreateRefusesTakenTagsBusyRootsAndBadTagsChangingNothing) {
  make_view("one");
  ImsgCapture capture;
  view_create_args_t args;
  args.tag = "one";
  args.root = home.path() + "/elsewhere";
  EXPECT_EQ(view_create(args, nullptr), 1003);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("\"one\" already exists"), std::string::npos);
  EXPECT_FALSE(exists(args.root));

  std::filesystem::create_directories(home.path() + "/busy");
  std::ofstream(home.path() + "/busy/file") << "mine";
  args.tag = "two";
  args.root = home.path() + "/busy";
  EXPECT_EQ(view_create(args, nullptr), 1003);
  EXPECT_EQ(slurp(home.path() + "/busy/file"), "mine");

  args.tag = "bad tag";
  args.root = home.path() + "/fresh";
  EXPECT_EQ(view_create(args, nullptr), 1004);
  args.tag = "three";
  args.root = "";
  EXPECT_EQ(view_create(args, nullptr), 1004);

  std::vector<view_entry_t> views;
  ASSERT_EQ(view_list(views), 0);
  ASSERT_EQ(views.size(), 1u);
  EXPECT_FALSE(exists(home.path() + "/views/two.vws"));
  // An empty existing directory is a fine root.
  std::filesystem::create_directories(home.path() + "/empty");
  args.root = home.path() + "/empty";
  EXPECT_EQ(view_create(args, nullptr), 0);
}

TEST_F(ViewTest, MalformedConfigSpecIsRefusedAndTheOldOneStays) {
  view_server_h v = make_view("dev");
  std::string good = "element * CHECKEDOUT\nelement * /main/0\n";
  ASSERT_EQ(view_set_spec(v, good), 0);
  ImsgCapture capture;
  EXPECT_EQ(view_set_spec(v, "element * CHECKEDOUT\nelement * /main/LATEST -mkbrnch dev\n"), 1004);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("line 2"), std::string::npos)
      << capture.joined(IMSG_ERROR);
  std::string text;
  ASSERT_EQ(view_get_config_spec(v, text), 0);
  EXPECT_EQ(text, good);
  cspec_t parsed;
  ASSERT_EQ(view_get_cspec(v, parsed), 0);
  ASSERT_EQ(parsed.rules.size(), 2u);
  EXPECT_EQ(parsed.rules[1].selector, "/main/0");
}

TEST_F(ViewTest, PropertiesComeFromKindAttributesAndTheZemBlockIdentity) {
  view_server_h v = make_view("web", VIEW_SNAPSHOT, "sumview,webview");
  for (auto [property, expected] :
       std::map<int, std::string>{{VIEW_PROP_KIND, "snapshot"},
                                  {VIEW_PROP_ATTRIBUTES, "sumview,webview"},
                                  {VIEW_PROP_SUM_VIEW, "1"},
                                  {VIEW_PROP_WEB_VIEW, "1"},
                                  {VIEW_PROP_AUTOMATIC, "0"},
                                  {VIEW_PROP_CSPEC_IDENTITY, ""}})
    EXPECT_EQ(prop(v, property), expected) << property;

  ASSERT_EQ(view_set_spec(v,
                          "zem\nidentity ZEM.Stream stream:dev@/pvob 3\n"
                          "element * CHECKEDOUT\nend zem\nelement * /main/LATEST\n"),
            0);
  EXPECT_EQ(prop(v, VIEW_PROP_CSPEC_IDENTITY), "ZEM.Stream stream:dev@/pvob 3");
  // A second handle reads what the first stored.
  view_server_h again = nullptr;
  ASSERT_EQ(view_get_handle_by_tag("web", &again), 0);
  EXPECT_EQ(prop(again, VIEW_PROP_CSPEC_IDENTITY), "ZEM.Stream stream:dev@/pvob 3");
  view_free_handle(again);

  ImsgCapture capture;
  std::string value;
  EXPECT_EQ(view_getprop(v, 99, value), 1004);
  EXPECT_FALSE(capture.joined(IMSG_ERROR).empty());
}

TEST_F(ViewTest, SnapshotNeedsUpdateAfterSetSpecUntilUpdated) {
  view_server_h snap = make_view("snap", VIEW_SNAPSHOT);
  view_server_h dyn = make_view("dyn");
  EXPECT_EQ(needs_update(snap), 0);
  // Without load rules a snapshot view loads nothing.
  EXPECT_FALSE(exists(file("snap", "/src")));

  ASSERT_EQ(view_set_spec(snap, "element * /main/LATEST\nload /src\n"), 0);
  EXPECT_EQ(needs_update(snap), 1);
  EXPECT_EQ(prop(snap, VIEW_PROP_NEEDS_UPDATE), "1");
  EXPECT_FALSE(exists(file("snap", "/src")));
  ASSERT_EQ(view_refresh(snap), 0);  // refresh leaves snapshot views alone
  EXPECT_FALSE(exists(file("snap", "/src")));

  int changed = 0;
  ASSERT_EQ(view_update(snap, &changed), 0);
  EXPECT_GT(changed, 0);
  EXPECT_TRUE(std::filesystem::is_directory(file("snap", "/src")));
  EXPECT_EQ(needs_update(snap), 0);
  ASSERT_EQ(view_update(snap, &changed), 0);
  EXPECT_EQ(changed, 0);

  // Dynamic views never wait for an update.
  ASSERT_EQ(view_set_spec(dyn, "element * /main/LATEST\n"), 0);
  EXPECT_EQ(needs_update(dyn), 0);
}

TEST_F(ViewTest, CurrentViewIsTheOneWhoseRootHoldsThePath) {
  make_view("a");
  make_view("b");
  std::filesystem::create_directories(file("b", "/src/private/deeper"));
  view_server_h found = nullptr;
  for (auto [path, tag] :
       {std::pair{file("b", "/src/private/deeper"), "b"}, std::pair{root_of("a"), "a"}}) {
    ASSERT_EQ(ws_get_view_by_ws_root(path.c_str(), &found), 0);
    EXPECT_EQ(tag_of(found), tag);
    view_free_handle(found);
  }
  // A path that only shares a prefix with a root is outside it.
  EXPECT_EQ(ws_get_view_by_ws_root((root_of("a") + "x").c_str(), &found), 1002);
  EXPECT_EQ(ws_get_view_by_ws_root(home.path().c_str(), &found), 1002);

  // Relative paths start from the current directory.
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir(file("a", "/src").c_str()), 0);
  EXPECT_EQ(ws_get_view_by_ws_root(".", &found), 0);
  EXPECT_EQ(tag_of(found), "a");
  view_path_info_t info;
  EXPECT_EQ(view_lookup(found, ".", &info), 0);
  EXPECT_EQ(info.vob, vob);
  EXPECT_EQ(info.vob_path, "/src");
  EXPECT_EQ(info.is_dir, 1);
  view_free_handle(found);
  ASSERT_EQ(chdir(cwd), 0);
}

TEST_F(ViewTest, RemovingAViewWithCheckoutsNeedsForceWhichUndoesThem) {
  view_server_h a = make_view("a");
  populate("a", {{"/src/f.txt", "one\n"}});
  tbs_dbid_t version = 0;
  ASSERT_EQ(view_checkout(a, "/src/f.txt", "edit", &version), 0);
  ImsgCapture capture;
  EXPECT_EQ(view_remove("a", 0), 1001);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("1 checkouts"), std::string::npos);
  EXPECT_TRUE(exists(root_of("a")));
  std::vector<view_ckout_t> checkouts;
  ASSERT_EQ(view_list_checkouts(a, checkouts), 0);
  EXPECT_EQ(checkouts.size(), 1u);

  ASSERT_EQ(view_remove("a", 1), 0);
  EXPECT_FALSE(exists(root_of("a")));
  // The checkout went with the view: another view may take the branch.
  view_server_h b = make_view("b");
  EXPECT_EQ(view_checkout(b, "/src/f.txt", "edit", &version), 0);
}

TEST_F(ViewTest, UpdateKilledHalfwayIsFinishedByTheNextOne) {
  view_server_h a = make_view("a");
  populate("a", {{"/src/d/", ""},
                 {"/src/d/1.txt", "one\n"},
                 {"/src/d/2.txt", "two\n"},
                 {"/src/d/3.txt", "three\n"},
                 {"/src/top.txt", "top\n"}});
  view_server_h snap = make_view("snap", VIEW_SNAPSHOT);
  ASSERT_EQ(view_set_spec(snap, "element * /main/LATEST\nload /src\n"), 0);
  // Killed after writing some files but before recording any of them.
  auto r = test_support::run_program({VIEW_UPDATER_PATH, "snap"},
                                     {{"KORVANE_FAULT_KILL_AFTER_WRITES", "4"}});
  EXPECT_EQ(r.exit_code, 128 + 9) << r.err;
  EXPECT_EQ(needs_update(snap), 1);

  ImsgCapture capture;
  ASSERT_EQ(view_update(snap, nullptr), 0);
  EXPECT_EQ(capture.joined(IMSG_WARNING), "");  // what the killed pass wrote is taken over
  for (const auto& [path, content] : std::map<std::string, std::string>{
           {"/src/d/1.txt", "one\n"}, {"/src/d/3.txt", "three\n"}, {"/src/top.txt", "top\n"}}) {
    EXPECT_EQ(slurp(file("snap", path)), content) << path;
    EXPECT_FALSE(view_test::writable(file("snap", path))) << path;
  }
  EXPECT_EQ(needs_update(snap), 0);
  // Everything is recorded: a change of load rules takes it all away again.
  ASSERT_EQ(view_set_spec(snap, "element * /main/LATEST\nload /src/top.txt\n"), 0);
  ASSERT_EQ(view_update(snap, nullptr), 0);
  EXPECT_FALSE(exists(file("snap", "/src/d")));
  EXPECT_TRUE(exists(file("snap", "/src/top.txt")));
  (void)a;
}

}  // namespace
