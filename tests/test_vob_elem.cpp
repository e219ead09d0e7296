// Versioned files in the store: the root directory of a new VOB, the life of
// a file (checkouts, check-ins, contents stored once, uncheckout), reserved
// checkouts, branches sprouting from versions, directory versions and their
// entries, merge arrows, component root directory marks and components
// catalogued in the VOB root.
#include <gtest/gtest.h>

#include "support/imsg_capture.h"
#include "support/vob_elem_fixture.h"

namespace {

using test_support::ImsgCapture;

class VobElemTest : public test_support::VobElemFixture {};

TEST_F(VobElemTest, NewVobRootIsAnEmptyDirectoryOnMainZero) {
  int eltype = 0;
  ASSERT_EQ(vob_elem_get_eltype(vob, root, &eltype), 0);
  EXPECT_EQ(eltype, VOB_ELTYPE_DIRECTORY);
  tbs_dbid_t zero = lookup(root, "/main/0");
  EXPECT_EQ(latest(main_branch(root)), zero);
  EXPECT_EQ(name(zero), "/main/0");
  EXPECT_TRUE(entries(zero).empty());
  vob_ver_details_t d = details(zero);
  EXPECT_EQ(d.is_dir, 1);
  EXPECT_EQ(d.number, 0);
  EXPECT_EQ(d.predecessor, 0u);
  EXPECT_EQ(d.branch_path, "/main");
  tbs_dbid_t main_type = 0;
  ASSERT_EQ(vob_brtype_lookup(vob, "main", &main_type), 0);
  EXPECT_EQ(d.brtype, main_type);
  tbs_dbid_t branch_type = 0;
  ASSERT_EQ(vob_obj_get_type(vob, d.branch, &branch_type), 0);
  EXPECT_EQ(branch_type, main_type) << "a branch object's type is its branch type";
  EXPECT_EQ(count("SELECT count(*) FROM objects o WHERE NOT EXISTS "
                  "(SELECT 1 FROM events e WHERE e.obj = o.dbid AND e.kind = 1)"),
            0);
}

TEST_F(VobElemTest, LifeOfAFile) {
  tbs_dbid_t dir = checkout(root);
  tbs_dbid_t file = make_elem(dir, "hello.c");
  checkin_dir(dir);
  tbs_dbid_t v0 = lookup(file, "/main/0");
  EXPECT_EQ(content(v0), "") << "version 0 of a file is empty";

  tbs_dbid_t co = checkout(file, "view-1", "first edit");
  EXPECT_EQ(name(co), "/main/CHECKEDOUT");
  EXPECT_EQ(details(co).number, -1);
  EXPECT_EQ(details(co).predecessor, v0);
  checkin(co, "int main() {}\n");
  vob_ver_details_t d1 = details(co);
  EXPECT_EQ(d1.number, 1) << "check-in numbers the version in place, keeping its dbid";
  EXPECT_EQ(d1.checked_out, 0);
  EXPECT_EQ(d1.predecessor, v0);
  EXPECT_EQ(d1.size, 14);
  EXPECT_EQ(name(co), "/main/1");
  EXPECT_EQ(content(co), "int main() {}\n");
  vob_event_t created;
  ASSERT_EQ(vob_event_get_latest(vob, co, VOB_EVENT_CREATE, &created), 0);
  EXPECT_EQ(created.comment, "first edit") << "the check-in keeps the checkout's comment";

  // Equal contents are stored once.
  tbs_dbid_t v2 = checkout(file, "view-1", "again");
  vob_event_info_t own;
  own.comment = "same text";
  std::string same = "int main() {}\n";
  ASSERT_EQ(vob_ver_checkin(vob, v2, &same, &own), 0);
  ASSERT_EQ(vob_event_get_latest(vob, v2, VOB_EVENT_CREATE, &created), 0);
  EXPECT_EQ(created.comment, "same text") << "a check-in comment of its own wins";
  EXPECT_EQ(details(v2).number, 2);
  EXPECT_EQ(details(v2).predecessor, co);
  EXPECT_EQ(details(v2).content_hash, d1.content_hash);
  EXPECT_EQ(count("SELECT count(*) FROM contents"), 2) << "the empty content and one text";
  checkin(checkout(file), "changed\n");
  EXPECT_EQ(count("SELECT count(*) FROM contents"), 3);

  std::vector<tbs_dbid_t> versions;
  ASSERT_EQ(vob_branch_next_vers(vob, main_branch(file), versions), 0);
  ASSERT_EQ(versions.size(), 4u);
  EXPECT_EQ(versions[1], co);
  EXPECT_EQ(versions[2], v2);

  // Uncheckout removes the checkout and leaves the branch as it was.
  tbs_dbid_t dropped = checkout(file);
  EXPECT_EQ(content(dropped), "changed\n") << "a checkout holds its predecessor's content";
  ASSERT_EQ(vob_ver_uncheckout(vob, dropped, nullptr), 0);
  int exists = 1;
  ASSERT_EQ(vob_obj_exists(vob, dropped, &exists), 0);
  EXPECT_EQ(exists, 0);
  tbs_dbid_t none = 0;
  EXPECT_EQ(vob_branch_get_ckout_ver(vob, main_branch(file), &none), 1002);
  EXPECT_EQ(latest(main_branch(file)), versions[3]);
  EXPECT_EQ(content(latest(main_branch(file))), "changed\n");
  ImsgCapture capture;
  EXPECT_EQ(vob_ver_uncheckout(vob, versions[3], nullptr), 1001);
  EXPECT_EQ(vob_ver_checkin(vob, versions[3], &same, nullptr), 1001);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("/main/3"), std::string::npos);
}

TEST_F(VobElemTest, CheckoutsAreReserved) {
  tbs_dbid_t file = make_file("a.txt", {"one"});
  tbs_dbid_t branch = main_branch(file);
  vob_event_info_t event;
  event.comment = "working";
  tbs_dbid_t co = 0;
  ASSERT_EQ(vob_ver_checkout(vob, branch, 0, "view-a", &event, &co), 0);
  vob_ckout_info_t info;
  ASSERT_EQ(vob_ver_get_ckout_info(vob, co, &info), 0);
  EXPECT_EQ(info.view_uuid, "view-a");
  EXPECT_EQ(info.comment, "working");
  EXPECT_EQ(info.predecessor, lookup(file, "/main/1"));
  EXPECT_FALSE(info.user.empty());
  EXPECT_NE(info.event_id, 0);
  tbs_dbid_t found = 0;
  ASSERT_EQ(vob_branch_get_ckout_ver(vob, branch, &found), 0);
  EXPECT_EQ(found, co);
  EXPECT_EQ(lookup(file, "/main/CHECKEDOUT"), co);
  std::vector<tbs_dbid_t> checkouts;
  ASSERT_EQ(vob_elem_next_ckouts(vob, file, checkouts), 0);
  EXPECT_EQ(checkouts, std::vector<tbs_dbid_t>{co});

  ImsgCapture capture;
  tbs_dbid_t second = 0;
  EXPECT_EQ(vob_ver_checkout(vob, branch, 0, "view-b", nullptr, &second), 1001);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("view-a"), std::string::npos)
      << "the refusal names the view holding the checkout";
  EXPECT_EQ(second, 0u);
  EXPECT_EQ(vob_ver_checkout(vob, branch, 0, "", nullptr, &second), 1004);
  EXPECT_EQ(vob_ver_get_ckout_info(vob, lookup(file, "/main/1"), &info), 1002);

  // A locked element refuses checkouts until it is unlocked.
  ASSERT_EQ(vob_ver_uncheckout(vob, co, nullptr), 0);
  ASSERT_EQ(vob_obj_lock(vob, file, 0, {}, nullptr), 0);
  EXPECT_EQ(vob_ver_checkout(vob, branch, 0, "view-b", nullptr, &second), 1040);
  ASSERT_EQ(vob_obj_unlock(vob, file, nullptr), 0);
  ASSERT_EQ(vob_ver_checkout(vob, branch, 0, "view-b", nullptr, &second), 0);
}

TEST_F(VobElemTest, BranchesSproutFromVersions) {
  tbs_dbid_t file = make_file("lib.c", {"one", "two"});
  tbs_dbid_t v1 = lookup(file, "/main/1");
  tbs_dbid_t dev = 0;
  ASSERT_EQ(vob_brtype_create(vob, "dev", nullptr, &dev), 0);
  tbs_dbid_t branch = 0;
  ASSERT_EQ(vob_branch_create(vob, v1, dev, nullptr, &branch), 0);
  std::string path;
  ASSERT_EQ(vob_branch_get_path(vob, branch, path), 0);
  EXPECT_EQ(path, "/main/dev");
  tbs_dbid_t zero = lookup(file, "/main/dev/0");
  EXPECT_EQ(content(zero), "one") << "version 0 of a branch copies the version it sprouts from";
  EXPECT_EQ(details(zero).predecessor, v1);
  tbs_dbid_t same = 0;
  ASSERT_EQ(vob_elem_get_branch(vob, file, dev, &same), 0);
  EXPECT_EQ(same, branch);
  EXPECT_EQ(lookup(file, "/main/LATEST"), lookup(file, "/main/2"));

  ImsgCapture capture;
  EXPECT_EQ(vob_branch_create(vob, lookup(file, "/main/2"), dev, nullptr, &same), 1003)
      << "one branch per branch type and element";

  // The -mkbranch way: check out version 0 of the new branch.
  tbs_dbid_t co = 0;
  ASSERT_EQ(vob_ver_checkout(vob, branch, 0, "view-1", nullptr, &co), 0);
  EXPECT_EQ(vob_branch_create(vob, co, dev, nullptr, &same), 1001)
      << "no branch sprouts from a checkout";
  EXPECT_EQ(name(co), "/main/dev/CHECKEDOUT");
  EXPECT_EQ(details(co).predecessor, zero);
  checkin(co, "one, on dev");
  EXPECT_EQ(lookup(file, "/main/dev/1"), co);
  EXPECT_EQ(lookup(file, "/main/dev/LATEST"), co);

  // Branches nest; paths name the branch each sprouts from.
  tbs_dbid_t fix = 0;
  tbs_dbid_t fix_branch = 0;
  ASSERT_EQ(vob_brtype_create(vob, "fix", nullptr, &fix), 0);
  ASSERT_EQ(vob_branch_create(vob, co, fix, nullptr, &fix_branch), 0);
  EXPECT_EQ(name(lookup(file, "/main/dev/fix/0")), "/main/dev/fix/0");
  EXPECT_EQ(content(lookup(file, "/main/dev/fix/0")), "one, on dev");
  tbs_dbid_t found = 0;
  EXPECT_EQ(vob_elem_lookup_branch(vob, file, "/main/fix", &found), 1002);
  ASSERT_EQ(vob_elem_lookup_branch(vob, file, "/main/dev/fix", &found), 0);
  EXPECT_EQ(found, fix_branch);
  EXPECT_EQ(vob_ver_lookup(vob, file, "/main/dev/7", &found), 1002);
  EXPECT_EQ(vob_ver_lookup(vob, file, "/main/dev/CHECKEDOUT", &found), 1002);
  EXPECT_EQ(vob_ver_lookup(vob, file, "/main/nobranch/1", &found), 1002);
  EXPECT_EQ(vob_ver_lookup(vob, file, "main/1", &found), 1004);
  EXPECT_EQ(vob_ver_lookup(vob, file, "/main/dev/x1", &found), 1004);

  std::vector<tbs_dbid_t> branches;
  ASSERT_EQ(vob_brtype_next_objs(vob, dev, branches), 0);
  EXPECT_EQ(branches, std::vector<tbs_dbid_t>{branch});

  // A checkout may start from any checked-in version of the element.
  tbs_dbid_t from_old = 0;
  ASSERT_EQ(vob_ver_checkout(vob, main_branch(file), v1, "view-1", nullptr, &from_old), 0);
  EXPECT_EQ(content(from_old), "one");
  checkin(from_old, "three");
  EXPECT_EQ(details(from_old).number, 3);
  EXPECT_EQ(details(from_old).predecessor, v1);
  tbs_dbid_t other = make_file("other.c", {"x"});
  EXPECT_EQ(vob_ver_checkout(vob, main_branch(other), v1, "view-1", nullptr, &found), 1004)
      << "a checkout starts from a version of its own element";
}

TEST_F(VobElemTest, DirectoryVersionsCatalogueTheirOwnEntries) {
  tbs_dbid_t root0 = latest(main_branch(root));
  tbs_dbid_t root_co = checkout(root);
  tbs_dbid_t src = make_elem(root_co, "src", VOB_ELTYPE_DIRECTORY);
  checkin_dir(root_co);
  EXPECT_TRUE(entries(root0).empty());
  EXPECT_EQ(entries(root_co), std::vector<std::string>{"src"});

  tbs_dbid_t src_co = checkout(src);
  for (const char* n : {"b.c", "a.c", "c.c"})
    make_elem(src_co, n);
  checkin_dir(src_co);
  tbs_dbid_t src1 = src_co;
  EXPECT_EQ(entries(src1), (std::vector<std::string>{"a.c", "b.c", "c.c"}));
  EXPECT_TRUE(entries(lookup(src, "/main/0")).empty());
  std::vector<vob_nsdir_entry_t> page;
  ASSERT_EQ(vob_nsdir_next_entries(vob, src1, 1, 2, page), 0);
  ASSERT_EQ(page.size(), 2u);
  EXPECT_EQ(page[0].name, "b.c");
  tbs_dbid_t b = 0;
  ASSERT_EQ(vob_nsdir_lookup(vob, src1, "b.c", &b), 0);
  EXPECT_EQ(page[0].element, b);
  EXPECT_EQ(vob_nsdir_lookup(vob, src1, "z.c", &b), 1002);

  // A new version drops a name; the older version keeps it.
  ImsgCapture capture;
  EXPECT_EQ(vob_nsdir_remove_entry(vob, src1, "a.c", nullptr), 1001) << "src1 is checked in";
  tbs_dbid_t src2 = checkout(src);
  EXPECT_EQ(entries(src2), entries(src1)) << "a directory checkout starts with its entries";
  ASSERT_EQ(vob_nsdir_remove_entry(vob, src2, "a.c", nullptr), 0);
  EXPECT_EQ(vob_nsdir_remove_entry(vob, src2, "a.c", nullptr), 1002);
  ASSERT_EQ(vob_nsdir_add_entry(vob, src2, "b-again.c", b, nullptr), 0);
  checkin_dir(src2);
  EXPECT_EQ(entries(src2), (std::vector<std::string>{"b-again.c", "b.c", "c.c"}));
  EXPECT_EQ(entries(src1).front(), "a.c");

  // Bad names and wrong directories change nothing.
  tbs_dbid_t src3 = checkout(src);
  tbs_dbid_t made = 0;
  EXPECT_EQ(vob_elem_create(vob, src3, "c.c", VOB_ELTYPE_FILE, nullptr, &made), 1003);
  for (const char* bad : {"", "a/b", "..", "."})
    EXPECT_EQ(vob_elem_create(vob, src3, bad, VOB_ELTYPE_FILE, nullptr, &made), 1004) << bad;
  EXPECT_EQ(vob_elem_create(vob, src3, "x", 9, nullptr, &made), 1004);
  EXPECT_EQ(vob_elem_create(vob, src1, "x", VOB_ELTYPE_FILE, nullptr, &made), 1001);
  EXPECT_EQ(vob_elem_create(vob, lookup(b, "/main/0"), "x", VOB_ELTYPE_FILE, nullptr, &made), 1070);
  EXPECT_EQ(vob_nsdir_add_entry(vob, src3, "self", src, nullptr), 1004);
  EXPECT_EQ(made, 0u);
  EXPECT_EQ(entries(src3), entries(src2));

  // Cancelling a directory checkout drops what it catalogued.
  make_elem(src3, "scratch.c");
  ASSERT_EQ(vob_ver_uncheckout(vob, src3, nullptr), 0);
  EXPECT_EQ(entries(latest(main_branch(src))), entries(src2));

  // Removing an element uncatalogues it from checkouts only.
  tbs_dbid_t src4 = checkout(src);
  tbs_dbid_t c = 0;
  ASSERT_EQ(vob_nsdir_lookup(vob, src4, "c.c", &c), 0);
  tbs_dbid_t c_co = checkout(c);
  EXPECT_EQ(vob_elem_delete(vob, c, nullptr), 1001) << "it has a checkout";
  ASSERT_EQ(vob_ver_uncheckout(vob, c_co, nullptr), 0);
  ASSERT_EQ(vob_elem_delete(vob, c, nullptr), 0);
  EXPECT_EQ(entries(src4), (std::vector<std::string>{"b-again.c", "b.c"}));
  EXPECT_EQ(entries(src2).back(), "c.c") << "history keeps naming the removed element";
  int eltype = 0;
  EXPECT_EQ(vob_elem_get_eltype(vob, c, &eltype), 1002);
  EXPECT_EQ(count("SELECT count(*) FROM versions WHERE element = " + std::to_string(c)), 0);
  EXPECT_EQ(vob_elem_delete(vob, root, nullptr), 1001) << "the root directory stays";
}

TEST_F(VobElemTest, MergeArrowsJoinVersionsOfOneElement) {
  tbs_dbid_t file = make_file("m.c", {"base"});
  tbs_dbid_t dev = 0;
  tbs_dbid_t branch = 0;
  ASSERT_EQ(vob_brtype_create(vob, "dev", nullptr, &dev), 0);
  ASSERT_EQ(vob_branch_create(vob, lookup(file, "/main/1"), dev, nullptr, &branch), 0);
  tbs_dbid_t dev_co = 0;
  ASSERT_EQ(vob_ver_checkout(vob, branch, 0, "view-1", nullptr, &dev_co), 0);
  checkin(dev_co, "on dev");
  tbs_dbid_t target = checkout(file);
  ASSERT_EQ(vob_ver_add_merge(vob, dev_co, target, nullptr), 0);
  ASSERT_EQ(vob_ver_add_merge(vob, dev_co, target, nullptr), 0) << "recording twice is harmless";
  std::vector<tbs_dbid_t> from;
  ASSERT_EQ(vob_ver_get_merges_into(vob, target, from), 0);
  EXPECT_EQ(from, std::vector<tbs_dbid_t>{dev_co});
  checkin(target, "merged");
  ASSERT_EQ(vob_ver_get_merges_into(vob, target, from), 0);
  EXPECT_EQ(from.size(), 1u) << "the arrow stays with the checked-in version";
  tbs_dbid_t other = make_file("n.c", {"x"});
  ImsgCapture capture;
  EXPECT_EQ(vob_ver_add_merge(vob, lookup(other, "/main/1"), target, nullptr), 1004);
}

TEST_F(VobElemTest, ComponentRootsMarkTheirElements) {
  tbs_dbid_t root_co = checkout(root);
  tbs_dbid_t comp = 0;
  ASSERT_EQ(vob_elem_create_cat_crde(vob, root_co, "comp", nullptr, &comp), 0);
  tbs_dbid_t plain = make_elem(root_co, "plain", VOB_ELTYPE_DIRECTORY);
  checkin_dir(root_co);
  tbs_dbid_t crde = 0;
  ASSERT_EQ(vob_elem_get_crde(vob, comp, &crde), 0);
  EXPECT_EQ(crde, comp) << "a component root directory is its own CRDE";
  ASSERT_EQ(vob_elem_get_crde(vob, plain, &crde), 0);
  EXPECT_EQ(crde, 0u);

  tbs_dbid_t comp_co = checkout(comp);
  tbs_dbid_t inside = make_elem(comp_co, "inside.c");
  checkin_dir(comp_co);
  ASSERT_EQ(vob_elem_get_crde(vob, inside, &crde), 0);
  EXPECT_EQ(crde, comp) << "a new element belongs to its directory's component";

  ASSERT_EQ(vob_elem_set_crde(vob, plain, comp, nullptr), 0);
  ASSERT_EQ(vob_elem_get_crde(vob, plain, &crde), 0);
  EXPECT_EQ(crde, comp);
  ImsgCapture capture;
  EXPECT_EQ(vob_elem_set_crde(vob, plain, inside, nullptr), 1070) << "a CRDE is a directory";
  ASSERT_EQ(vob_elem_set_crde(vob, plain, 0, nullptr), 0);

  tbs_dbid_t main_type = 0;
  ASSERT_EQ(vob_brtype_lookup(vob, "main", &main_type), 0);
  std::vector<tbs_dbid_t> elements;
  std::vector<tbs_dbid_t> crdes;
  ASSERT_EQ(vob_branch_get_elems_crdes(vob, {main_type}, elements, crdes), 0);
  ASSERT_EQ(elements, (std::vector<tbs_dbid_t>{root, comp, plain, inside}));
  EXPECT_EQ(crdes, (std::vector<tbs_dbid_t>{0, comp, 0, comp}));

  // Without a directory version, the component is catalogued in a new
  // checked-in version of the root.
  tbs_dbid_t before = latest(main_branch(root));
  tbs_dbid_t top = 0;
  ASSERT_EQ(vob_elem_create_cat_crde(vob, 0, "top", nullptr, &top), 0);
  tbs_dbid_t after = latest(main_branch(root));
  EXPECT_EQ(details(after).predecessor, before);
  EXPECT_EQ(entries(after), (std::vector<std::string>{"comp", "plain", "top"}));
}

TEST_F(VobElemTest, AWholeVobComponentOwnsItsUnmarkedElements) {
  tbs_dbid_t root_co = checkout(root);
  tbs_dbid_t dir = make_elem(root_co, "dir", VOB_ELTYPE_DIRECTORY);
  checkin_dir(root_co);
  tbs_dbid_t crde = 0;
  ASSERT_EQ(vob_elem_get_crde(vob, dir, &crde), 0);
  EXPECT_EQ(crde, 0u) << "no component yet";

  ASSERT_EQ(vob_elem_set_crde(vob, root, root, nullptr), 0);
  ASSERT_EQ(vob_elem_get_crde(vob, dir, &crde), 0);
  EXPECT_EQ(crde, root) << "an element made before the VOB became a component belongs to it";
  tbs_dbid_t main_type = 0;
  ASSERT_EQ(vob_brtype_lookup(vob, "main", &main_type), 0);
  std::vector<tbs_dbid_t> elements;
  std::vector<tbs_dbid_t> crdes;
  ASSERT_EQ(vob_branch_get_elems_crdes(vob, {main_type}, elements, crdes), 0);
  EXPECT_EQ(crdes, (std::vector<tbs_dbid_t>{root, root}));

  ASSERT_EQ(vob_elem_set_crde(vob, root, 0, nullptr), 0);
  ASSERT_EQ(vob_elem_get_crde(vob, dir, &crde), 0);
  EXPECT_EQ(crde, 0u) << "removing the root's mark frees the VOB";
}

TEST_F(VobElemTest, ComponentsAreDefinedInNewRootVersions) {
  // A directory element that no root version catalogues yet.
  tbs_dbid_t root_co = checkout(root);
  tbs_dbid_t comp = make_elem(root_co, "comp", VOB_ELTYPE_DIRECTORY);
  tbs_dbid_t file = make_elem(root_co, "file");
  ASSERT_EQ(vob_ver_uncheckout(vob, root_co, nullptr), 0);
  tbs_dbid_t root0 = latest(main_branch(root));

  ASSERT_EQ(vob_nsdir_define_component(vob, "comp", comp, nullptr), 0);
  tbs_dbid_t root1 = latest(main_branch(root));
  EXPECT_EQ(name(root1), "/main/1");
  EXPECT_EQ(details(root1).predecessor, root0);
  EXPECT_EQ(entries(root1), std::vector<std::string>{"comp"});
  ASSERT_EQ(vob_nsdir_define_component(vob, "comp", comp, nullptr), 0);
  EXPECT_EQ(latest(main_branch(root)), root1) << "defining it again changes nothing";
  ImsgCapture capture;
  EXPECT_EQ(vob_nsdir_define_component(vob, "file", file, nullptr), 1070);
  tbs_dbid_t other = 0;
  ASSERT_EQ(vob_elem_create_cat_crde(vob, 0, "other", nullptr, &other), 0);
  EXPECT_EQ(vob_nsdir_define_component(vob, "comp", other, nullptr), 1003);

  // A checkout of the root gets the component too, so its check-in keeps it.
  tbs_dbid_t co = checkout(root);
  ASSERT_EQ(vob_nsdir_undefine_component(vob, "comp", nullptr), 0);
  EXPECT_EQ(entries(latest(main_branch(root))), std::vector<std::string>{"other"});
  EXPECT_EQ(entries(co), std::vector<std::string>{"other"});
  ASSERT_EQ(vob_nsdir_define_component(vob, "comp2", comp, nullptr), 0);
  EXPECT_EQ(entries(co), (std::vector<std::string>{"comp2", "other"}));
  checkin_dir(co);
  EXPECT_EQ(entries(latest(main_branch(root))), (std::vector<std::string>{"comp2", "other"}));
  EXPECT_EQ(vob_nsdir_undefine_component(vob, "comp", nullptr), 1002);
  EXPECT_EQ(entries(root1), std::vector<std::string>{"comp"}) << "old versions keep their entries";
}

}  // namespace
