// SUM_Component: the three kinds of creation with their refusals, the CRDE
// marks of an existing tree, root queries, renaming and removal.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/view.h"
#include "services/vob_elem.h"
#include "sum/sum_component.h"
#include "vob_zem_fixture.h"

namespace {

using zem_test::ImsgCapture;
using zem_test::ScopedEnv;

class SumComponentTest : public zem_test::ZemTest {
 protected:
  void SetUp() override {
    ZemTest::SetUp();
    view_create_args_t args;
    args.tag = "v1";
    args.root = home.path() + "/roots/v1";
    ASSERT_EQ(view_create(args, &view), 0);
  }
  void TearDown() override { view_free_handle(view); }

  // Makes checked-in elements under "/src" ("dir/" for a directory), in order.
  void populate(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
      bool is_dir = path.back() == '/';
      std::string name = "/src/" + (is_dir ? path.substr(0, path.size() - 1) : path);
      std::string dir = name.substr(0, name.rfind('/'));
      tbs_dbid_t version = 0;
      ASSERT_EQ(view_checkout(view, dir.c_str(), "add", &version), 0) << dir;
      if (!is_dir)
        std::ofstream(home.path() + "/roots/v1" + name) << "text\n";
      tbs_dbid_t element = 0;
      ASSERT_EQ(view_mkelem(view, name.c_str(), is_dir ? VOB_ELTYPE_DIRECTORY : VOB_ELTYPE_FILE,
                            "new", 1, &element),
                0)
          << name;
      ASSERT_EQ(view_checkin(view, dir.c_str(), nullptr, &version), 0) << dir;
    }
  }
  SUM_VobObject elem(const std::string& path) {
    view_path_info_t info;
    EXPECT_EQ(view_lookup(view, path.c_str(), &info), 0) << path;
    return SUM_VobObject(SUM_Vob(info.vob), info.element);
  }
  tbs_dbid_t crde_of(vob_vob_h vob, tbs_dbid_t element) {
    tbs_dbid_t crde = 0;
    EXPECT_EQ(vob_elem_get_crde(vob, element, &crde), 0);
    return crde;
  }
  // The element the latest version of the VOB root names `name`; 0 when none.
  tbs_dbid_t in_vob_root(vob_vob_h vob, const char* name) {
    tbs_dbid_t root = 0;
    tbs_dbid_t branch = 0;
    tbs_dbid_t version = 0;
    EXPECT_EQ(vob_ob_get_wk_obj(vob, VOB_WK_ROOT_DIRECTORY, &root), 0);
    EXPECT_EQ(vob_elem_get_main_branch(vob, root, &branch), 0);
    EXPECT_EQ(vob_branch_get_ver(vob, branch, -1, &version), 0);
    tbs_dbid_t element = 0;
    return vob_nsdir_lookup(vob, version, name, &element) == 0 ? element : 0;
  }
  std::vector<std::string> component_names(const SUM_Vob& pvob) {
    SUM_Component::Iter it(pvob);
    std::vector<std::string> out;
    for (it.first(); !it.is_done(); it.next()) {
      SUM_Component c;
      EXPECT_EQ(it.current_item(c), 0);
      SUM_String n;
      EXPECT_EQ(c.name(n), 0);
      out.push_back(static_cast<const char*>(n));
    }
    EXPECT_EQ(it.status(), 0);
    return out;
  }
  int create(const char* name, const SUM_VobObject& root, const char* path, SUM_Component& out,
             vob_vob_h pvob = nullptr) {
    return SUM_Component::create(SUM_Vob(pvob ? pvob : fc), name, root, path, view, "made", out);
  }

  ScopedEnv admin{"KORVANE_USER", "vobadmin"};
  view_server_h view = nullptr;
};

TEST_F(SumComponentTest, RootlessInBothFormsAndFeatureLevel) {
  for (vob_vob_h pvob : {fc, old}) {
    SUM_Component c;
    ASSERT_EQ(create("tools", SUM_VobObject(), nullptr, c, pvob), 0);
    EXPECT_EQ(SUM_Component::convert(c), c) << "the new object converts in its PVOB's form";
    SUM_String relpath("x");
    ASSERT_EQ(c.crde_relpath(relpath), 0);
    EXPECT_STREQ(relpath, "");
    ImsgCapture capture;
    int has = 1;
    ASSERT_EQ(c.has_crde(has), 0);
    EXPECT_EQ(has, 0);
    EXPECT_TRUE(capture.texts(IMSG_WARNING).empty()) << "a rootless component is not invalid";
    int sub = 1, invalid = 1;
    ASSERT_EQ(c.is_subvob(sub, invalid), 0);
    EXPECT_EQ(sub + invalid, 0);
    EXPECT_EQ(component_names(SUM_Vob(pvob)), std::vector<std::string>{"tools"});
  }
  vob_vob_h low = make_vob("/pvob2", true, 2);
  ImsgCapture capture;
  SUM_Component c;
  EXPECT_EQ(create("tools", SUM_VobObject(), "", c, low), 1001);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("minimum feature level requirement (3)"),
            std::string::npos);
  EXPECT_TRUE(component_names(SUM_Vob(low)).empty());
}

TEST_F(SumComponentTest, SubVobByPathMakesACataloguedMarkedRoot) {
  SUM_Component c;
  ASSERT_EQ(create("app", SUM_VobObject(), "/src/app", c), 0);
  tbs_dbid_t root = in_vob_root(plain, "app");
  ASSERT_NE(root, 0u) << "the new directory is catalogued in the VOB root";
  EXPECT_EQ(crde_of(plain, root), root);
  int has = 0;
  ASSERT_EQ(c.has_crde(has), 0);
  EXPECT_EQ(has, 1);
  SUM_VobObject found;
  ASSERT_EQ(c.root_directory_element(found), 0);
  EXPECT_EQ(found.dbid(), root);
  int sub = 0, invalid = 1;
  ASSERT_EQ(c.is_subvob(sub, invalid), 0);
  EXPECT_EQ(sub, 1);
  SUM_String path;
  ASSERT_EQ(c.crde_path(path), 0);
  EXPECT_STREQ(path, "/src/app");
  SUM_Component back;
  ASSERT_EQ(SUM_Component::construct_from_crde(SUM_Vob(fc), found, back), 0);
  EXPECT_EQ(back, c);
  SUM_Component same;
  ASSERT_EQ(SUM_Component::construct_from_selector("app@/pvob8", SUM_Vob(fc), same), 0);
  EXPECT_EQ(same, c);
}

TEST_F(SumComponentTest, ExistingTreeIsMarkedWithItsRoot) {
  populate({"lib/", "lib/a.c", "lib/sub/", "lib/sub/b.c", "other.c"});
  SUM_VobObject lib = elem("/src/lib");
  ImsgCapture capture;
  SUM_Component c;
  ASSERT_EQ(create("lib", lib, nullptr, c), 0);
  EXPECT_EQ(capture.texts(IMSG_INFO).front(), "Processing subdirectory elements...\n");
  for (const char* path : {"/src/lib", "/src/lib/a.c", "/src/lib/sub", "/src/lib/sub/b.c"})
    EXPECT_EQ(crde_of(plain, elem(path).dbid()), lib.dbid()) << path;
  EXPECT_EQ(crde_of(plain, elem("/src/other.c").dbid()), 0u) << "outside the tree";
  SUM_String relpath;
  ASSERT_EQ(c.crde_relpath(relpath), 0);
  EXPECT_STREQ(relpath, "lib");
}

TEST_F(SumComponentTest, RefusedRootsLeaveNothingBehind) {
  populate({"lib/", "lib/sub/", "lib/x.c", "f.c", "mixed/", "mixed/mine.c", "mixed/theirs.c"});
  SUM_Component c;
  {
    ImsgCapture capture;
    EXPECT_EQ(create("c1", elem("/src/f.c"), nullptr, c), 1070);
    EXPECT_EQ(capture.joined(IMSG_ERROR), "Specified root name is not a directory\n");
  }
  {
    ImsgCapture capture;
    EXPECT_EQ(create("c2", elem("/src/lib/sub"), nullptr, c), 1072);
    EXPECT_EQ(capture.joined(IMSG_ERROR),
              "Specified root name must be a top-level VOB directory\n");
  }
  // A file already marked for another root stops the walk with its name.
  SUM_VobObject mixed = elem("/src/mixed");
  tbs_dbid_t lib = elem("/src/lib").dbid();
  ASSERT_EQ(vob_elem_set_crde(plain, elem("/src/mixed/theirs.c").dbid(), lib, nullptr), 0);
  ASSERT_EQ(vob_elem_set_crde(plain, elem("/src/mixed/mine.c").dbid(), mixed.dbid(), nullptr), 0);
  {
    ImsgCapture capture;
    EXPECT_EQ(create("c3", mixed, nullptr, c), 1001);
    EXPECT_EQ(capture.joined(IMSG_ERROR),
              "Element \"/src/mixed/theirs.c\" is a member of another component.\n");
  }
  EXPECT_TRUE(component_names(SUM_Vob(fc)).empty()) << "no object made by a refused creation";
  EXPECT_EQ(in_vob_root(plain, "mixed"), mixed.dbid());

  // A root taken by a component; a name taken.
  ASSERT_EQ(create("lib", elem("/src/lib"), nullptr, c), 0);
  SUM_Component again;
  {
    ImsgCapture capture;
    EXPECT_EQ(create("lib2", elem("/src/lib"), nullptr, again), 1072);
    EXPECT_NE(capture.joined(IMSG_ERROR).find("is a member of another component"),
              std::string::npos);
  }
  EXPECT_EQ(create("lib", SUM_VobObject(), "/src/newdir", again), 1001);
  EXPECT_EQ(in_vob_root(plain, "newdir"), 0u) << "the name is checked before the root is made";
  EXPECT_EQ(component_names(SUM_Vob(fc)), std::vector<std::string>{"lib"});
}

TEST_F(SumComponentTest, VobLevelExcludesSubVobComponents) {
  vob_vob_h whole = make_vob("/whole", false, 8);
  tbs_dbid_t whole_root = 0;
  ASSERT_EQ(vob_ob_get_wk_obj(whole, VOB_WK_ROOT_DIRECTORY, &whole_root), 0);
  SUM_Component c;
  ASSERT_EQ(create("whole", SUM_VobObject(SUM_Vob(whole), whole_root), nullptr, c), 0);
  int sub = 1, invalid = 1;
  ASSERT_EQ(c.is_subvob(sub, invalid), 0);
  EXPECT_EQ(sub, 0);
  EXPECT_EQ(invalid, 0);
  SUM_String path;
  ASSERT_EQ(c.crde_path(path), 0);
  EXPECT_STREQ(path, "/whole");
  int answer = 0;
  ASSERT_EQ(SUM_Vob(whole).is_componentized(answer), 0);
  EXPECT_EQ(answer, 1) << "a VOB-level component's VOB is componentized";
  ASSERT_EQ(sum_vob_has_components(whole, &answer), 0);
  EXPECT_EQ(answer, 1);
  ASSERT_EQ(SUM_Vob(plain).has_components(answer), 0);
  EXPECT_EQ(answer, 0) << "before it holds a sub-VOB component";
  {
    ImsgCapture capture;
    SUM_Component part;
    EXPECT_EQ(create("part", SUM_VobObject(), "/whole/part", part), 1001);
    EXPECT_EQ(capture.joined(IMSG_ERROR),
              "Specified directory's VOB is already a VOB-level component\n");
  }
  // A VOB that holds a sub-VOB component cannot become a VOB-level one.
  SUM_Component part;
  ASSERT_EQ(create("part", SUM_VobObject(), "/src/part", part), 0);
  ASSERT_EQ(SUM_Vob(plain).has_sub_vob_components(answer), 0);
  EXPECT_EQ(answer, 1);
  ASSERT_EQ(SUM_Vob(plain).is_componentized(answer), 0);
  EXPECT_EQ(answer, 0);
  tbs_dbid_t src_root = 0;
  ASSERT_EQ(vob_ob_get_wk_obj(plain, VOB_WK_ROOT_DIRECTORY, &src_root), 0);
  ImsgCapture capture;
  SUM_Component all;
  EXPECT_EQ(create("all", SUM_VobObject(SUM_Vob(plain), src_root), nullptr, all), 1072);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "Specified directory already contains components\n");

  // Removing the VOB-level component frees its VOB for sub-VOB components.
  ASSERT_EQ(c.destroy("gone"), 0);
  SUM_Component freed;
  EXPECT_EQ(create("part2", SUM_VobObject(), "/whole/part2", freed), 0);
}

TEST_F(SumComponentTest, PermissionAndRename) {
  SUM_Component c;
  ASSERT_EQ(create("one", SUM_VobObject(), nullptr, c), 0);
  SUM_Component taken;
  ASSERT_EQ(create("two", SUM_VobObject(), nullptr, taken), 0);
  EXPECT_EQ(c.set_name("two", "dup"), 1001);
  ASSERT_EQ(c.set_name("uno", "rename"), 0);
  EXPECT_EQ(component_names(SUM_Vob(fc)), (std::vector<std::string>{"uno", "two"}));
  ScopedEnv stranger("KORVANE_USER", "stranger");
  ImsgCapture capture;
  EXPECT_EQ(create("three", SUM_VobObject(), nullptr, c), 1051);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "Permission denied: not project VOB owner or privileged user.\n");
}

TEST_F(SumComponentTest, DestroyUncataloguesRootAndKeepsSubelementMarks) {
  populate({"lib/", "lib/a.c"});
  SUM_VobObject lib = elem("/src/lib");
  SUM_Component c;
  ASSERT_EQ(create("lib", lib, nullptr, c), 0);
  ASSERT_EQ(in_vob_root(plain, "lib"), lib.dbid());
  tbs_dbid_t file = elem("/src/lib/a.c").dbid();
  ASSERT_EQ(c.destroy("gone"), 0);
  EXPECT_TRUE(c.is_null());
  EXPECT_TRUE(component_names(SUM_Vob(fc)).empty());
  EXPECT_EQ(crde_of(plain, lib.dbid()), 0u) << "the root is no longer a CRDE";
  EXPECT_EQ(in_vob_root(plain, "lib"), 0u) << "uncatalogued from the VOB root";
  EXPECT_EQ(crde_of(plain, file), lib.dbid()) << "subelement marks stay";
  SUM_Component none;
  EXPECT_EQ(SUM_Component::construct_from_crde(SUM_Vob(fc), lib, none, 1), 1002);
}

}  // namespace
