// SUM_Component: the three kinds of creation with their initial baselines and
// refusals, the CRDE marks of an existing tree, root queries, cached lookups,
// admin VOBs, renaming, the removal checks and removal.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/view.h"
#include "services/vob_elem.h"
#include "services/vob_zem_baseline.h"
#include "sum/sum_baseline.h"
#include "sum/sum_cache_control.h"
#include "sum/sum_component.h"
#include "sum/sum_folder.h"
#include "sum/sum_hash_utl.h"
#include "sum/sum_project.h"
#include "sum/sum_pvar.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"
#include "sum/sum_utl_adminvob.h"
#include "sum/xml_element.h"
#include "support/checks.h"
#include "vob_zem_fixture.h"

namespace {

using test_support::fails_mentioning;
using test_support::fails_with;
using test_support::out;
using test_support::text;
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
  static tbs_dbid_t root_dir(vob_vob_h vob) {
    tbs_dbid_t root = 0;
    EXPECT_EQ(vob_ob_get_wk_obj(vob, VOB_WK_ROOT_DIRECTORY, &root), 0);
    return root;
  }
  // The root directory element of a new non-project VOB "/whole".
  SUM_VobObject whole_vob_root() {
    vob_vob_h whole = make_vob("/whole", false, 8);
    return SUM_VobObject(SUM_Vob(whole), root_dir(whole));
  }
  tbs_dbid_t crde_of(vob_vob_h vob, tbs_dbid_t element) {
    tbs_dbid_t crde = 0;
    EXPECT_EQ(vob_elem_get_crde(vob, element, &crde), 0);
    return crde;
  }
  // The element the latest version of the VOB root names `name`; 0 when none.
  tbs_dbid_t in_vob_root(vob_vob_h vob, const char* name) {
    tbs_dbid_t branch = 0;
    tbs_dbid_t version = 0;
    EXPECT_EQ(vob_elem_get_main_branch(vob, root_dir(vob), &branch), 0);
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
  SUM_Component rootless(const char* name, vob_vob_h pvob = nullptr) {
    SUM_Component out;
    EXPECT_EQ(create(name, SUM_VobObject(), nullptr, out, pvob), 0) << name;
    return out;
  }
  static std::string name_of(const SUM_NamedObject& obj) {
    return text(obj, &SUM_NamedObject::name);
  }
  static std::string univ(const SUM_VobObject& obj) {
    return text(obj, &SUM_VobObject::univ_selector);
  }
  static SUM_Baseline initial_of(const SUM_Component& c) {
    return out(c, &SUM_Component::initial_baseline);
  }
  // The (is_sub, invalid) pair of `c`.
  static std::pair<int, int> subvob(const SUM_Component& c) {
    std::pair<int, int> answer{-1, -1};
    EXPECT_EQ(c.is_subvob(answer.first, answer.second), 0);
    return answer;
  }
  static SUM_Baseline baseline_on(const SUM_Component& c, const char* name) {
    SUM_Timeline main;
    EXPECT_EQ(c.main_timeline(main), 0);
    SUM_Baseline out;
    EXPECT_EQ(SUM_Baseline::create(main, name, "made", 0, -1, out), 0) << name;
    return out;
  }

  ScopedEnv admin{"KORVANE_USER", "vobadmin"};
  view_server_h view = nullptr;
};

TEST_F(SumComponentTest, RootlessInBothFormsAndFeatureLevel) {
  for (vob_vob_h pvob : {fc, old}) {
    SUM_Component c;
    ASSERT_EQ(create("tools", SUM_VobObject(), nullptr, c, pvob), 0);
    EXPECT_EQ(SUM_Component::convert(c), c) << "the new object converts in its PVOB's form";
    EXPECT_EQ(text(c, &SUM_Component::crde_relpath), "");
    ImsgCapture capture;
    EXPECT_EQ(out(c, &SUM_Component::has_crde), 0);
    EXPECT_TRUE(capture.texts(IMSG_WARNING).empty()) << "a rootless component is not invalid";
    EXPECT_EQ(subvob(c), std::make_pair(0, 0));
    EXPECT_EQ(component_names(SUM_Vob(pvob)), std::vector<std::string>{"tools"});
  }
  vob_vob_h low = make_vob("/pvob2", true, 2);
  SUM_Component c;
  EXPECT_TRUE(fails_mentioning(1001, "minimum feature level requirement (3)",
                               [&] { return create("tools", SUM_VobObject(), "", c, low); }));
  EXPECT_TRUE(component_names(SUM_Vob(low)).empty());
}

TEST_F(SumComponentTest, SubVobByPathMakesACataloguedMarkedRoot) {
  SUM_Component c;
  ASSERT_EQ(create("app", SUM_VobObject(), "/src/app", c), 0);
  tbs_dbid_t root = in_vob_root(plain, "app");
  ASSERT_NE(root, 0u) << "the new directory is catalogued in the VOB root";
  EXPECT_EQ(crde_of(plain, root), root);
  EXPECT_EQ(out(c, &SUM_Component::has_crde), 1);
  SUM_VobObject found = out(c, &SUM_Component::root_directory_element);
  EXPECT_EQ(found.dbid(), root);
  EXPECT_EQ(subvob(c).first, 1);
  EXPECT_EQ(text(c, &SUM_Component::crde_path), "/src/app");
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
  EXPECT_EQ(text(c, &SUM_Component::crde_relpath), "lib");
}

TEST_F(SumComponentTest, RefusedRootsLeaveNothingBehind) {
  populate({"lib/", "lib/sub/", "lib/x.c", "f.c", "mixed/", "mixed/mine.c", "mixed/theirs.c"});
  SUM_Component c;
  auto create_on = [&](const char* name, const SUM_VobObject& root) {
    return [&, name, root] { return create(name, root, nullptr, c); };
  };
  EXPECT_TRUE(fails_with(1070, "Specified root name is not a directory\n",
                         create_on("c1", elem("/src/f.c"))));
  EXPECT_TRUE(fails_with(1072, "Specified root name must be a top-level VOB directory\n",
                         create_on("c2", elem("/src/lib/sub"))));
  // A file already marked for another root stops the walk with its name.
  SUM_VobObject mixed = elem("/src/mixed");
  tbs_dbid_t lib = elem("/src/lib").dbid();
  ASSERT_EQ(vob_elem_set_crde(plain, elem("/src/mixed/theirs.c").dbid(), lib, nullptr), 0);
  ASSERT_EQ(vob_elem_set_crde(plain, elem("/src/mixed/mine.c").dbid(), mixed.dbid(), nullptr), 0);
  EXPECT_TRUE(fails_with(1001,
                         "Element \"/src/mixed/theirs.c\" is a member of another component.\n",
                         create_on("c3", mixed)));
  EXPECT_TRUE(component_names(SUM_Vob(fc)).empty()) << "no object made by a refused creation";
  EXPECT_EQ(in_vob_root(plain, "mixed"), mixed.dbid());

  // A root taken by a component; a name taken.
  ASSERT_EQ(create("lib", elem("/src/lib"), nullptr, c), 0);
  EXPECT_TRUE(fails_mentioning(1072, "is a member of another component",
                               create_on("lib2", elem("/src/lib"))));
  EXPECT_EQ(create("lib", SUM_VobObject(), "/src/newdir", c), 1001);
  EXPECT_EQ(in_vob_root(plain, "newdir"), 0u) << "the name is checked before the root is made";
  EXPECT_EQ(component_names(SUM_Vob(fc)), std::vector<std::string>{"lib"});
}

TEST_F(SumComponentTest, VobLevelExcludesSubVobComponents) {
  SUM_VobObject whole_root = whole_vob_root();
  vob_vob_h whole = whole_root.vob().handle();
  SUM_Component c;
  ASSERT_EQ(create("whole", whole_root, nullptr, c), 0);
  EXPECT_EQ(subvob(c), std::make_pair(0, 0));
  EXPECT_EQ(text(c, &SUM_Component::crde_path), "/whole");
  EXPECT_EQ(out(SUM_Vob(whole), &SUM_Vob::is_componentized), 1)
      << "a VOB-level component's VOB is componentized";
  int answer = 0;
  ASSERT_EQ(sum_vob_has_components(whole, &answer), 0);
  EXPECT_EQ(answer, 1);
  EXPECT_EQ(out(SUM_Vob(plain), &SUM_Vob::has_components), 0)
      << "before it holds a sub-VOB component";
  SUM_Component part;
  EXPECT_TRUE(fails_with(1001, "Specified directory's VOB is already a VOB-level component\n",
                         [&] { return create("part", SUM_VobObject(), "/whole/part", part); }));
  // A VOB that holds a sub-VOB component cannot become a VOB-level one.
  ASSERT_EQ(create("part", SUM_VobObject(), "/src/part", part), 0);
  EXPECT_EQ(out(SUM_Vob(plain), &SUM_Vob::has_sub_vob_components), 1);
  EXPECT_EQ(out(SUM_Vob(plain), &SUM_Vob::is_componentized), 0);
  SUM_Component all;
  EXPECT_TRUE(fails_with(1072, "Specified directory already contains components\n", [&] {
    return create("all", SUM_VobObject(SUM_Vob(plain), root_dir(plain)), nullptr, all);
  }));

  // Removing the VOB-level component frees its VOB for sub-VOB components.
  ASSERT_EQ(c.destroy("gone"), 0);
  SUM_Component freed;
  EXPECT_EQ(create("part2", SUM_VobObject(), "/whole/part2", freed), 0);
}

TEST_F(SumComponentTest, PermissionAndRename) {
  SUM_Component c = rootless("one");
  rootless("two");
  EXPECT_EQ(c.set_name("two", "dup"), 1001);
  ASSERT_EQ(c.set_name("uno", "rename"), 0);
  EXPECT_EQ(component_names(SUM_Vob(fc)), (std::vector<std::string>{"uno", "two"}));
  ScopedEnv stranger("KORVANE_USER", "stranger");
  EXPECT_TRUE(fails_with(1051, "Permission denied: not project VOB owner or privileged user.\n",
                         [&] { return create("three", SUM_VobObject(), nullptr, c); }));
}

TEST_F(SumComponentTest, DestroyUncataloguesRootAndKeepsSubelementMarks) {
  populate({"lib/", "lib/a.c"});
  SUM_VobObject lib = elem("/src/lib");
  SUM_Component c;
  ASSERT_EQ(create("lib", lib, nullptr, c), 0);
  ASSERT_EQ(in_vob_root(plain, "lib"), lib.dbid());
  tbs_dbid_t file = elem("/src/lib/a.c").dbid();
  SUM_Baseline initial = initial_of(c);
  ASSERT_EQ(c.destroy("gone"), 0);
  int is = 1;
  EXPECT_EQ(vob_zem_baseline_is(fc, initial.dbid(), &is), 1002) << "the initial baseline goes too";
  EXPECT_TRUE(c.is_null());
  EXPECT_TRUE(component_names(SUM_Vob(fc)).empty());
  EXPECT_EQ(crde_of(plain, lib.dbid()), 0u) << "the root is no longer a CRDE";
  EXPECT_EQ(in_vob_root(plain, "lib"), 0u) << "uncatalogued from the VOB root";
  EXPECT_EQ(crde_of(plain, file), lib.dbid()) << "subelement marks stay";
  SUM_Component none;
  EXPECT_EQ(SUM_Component::construct_from_crde(SUM_Vob(fc), lib, none, 1), 1002);
}

TEST_F(SumComponentTest, EveryKindStartsWithItsInitialBaseline) {
  populate({"lib/"});
  SUM_VobObject whole_root = whole_vob_root();
  struct Case {
    const char* name;
    SUM_VobObject root;
    const char* path;
    vob_vob_h pvob;
  };
  for (const Case& k :
       {Case{"tools", SUM_VobObject(), nullptr, fc}, Case{"tools", SUM_VobObject(), nullptr, old},
        Case{"app", SUM_VobObject(), "/src/app", fc}, Case{"lib", elem("/src/lib"), nullptr, fc},
        Case{"whole", whole_root, nullptr, fc}}) {
    SCOPED_TRACE(k.name);
    SUM_Component c;
    ASSERT_EQ(create(k.name, k.root, k.path, c, k.pvob), 0);
    SUM_Timeline main = out(c, &SUM_Component::main_timeline);
    EXPECT_EQ(main.dbid(), c.dbid()) << "the component is its own main timeline";
    SUM_BaselineList on_main = out(main, &SUM_Timeline::baselines);
    ASSERT_EQ(on_main.count(), 1u);
    SUM_Baseline initial = initial_of(c);
    EXPECT_EQ(initial, on_main[0]);
    EXPECT_EQ(name_of(initial), std::string(k.name) + "_INITIAL");
    EXPECT_EQ(out(initial, &SUM_Baseline::is_initial), 1);
    EXPECT_EQ(out(initial, &SUM_Baseline::component), c);
    EXPECT_EQ(text(initial, &SUM_Baseline::description),
              "Initial baseline for component \"" + std::string(k.name) + "\"");
  }
  // A name taken by another baseline makes the initial baseline's unique.
  baseline_on(rootless("other"), "late_INITIAL");
  SUM_Baseline initial = initial_of(rootless("late"));
  EXPECT_NE(name_of(initial), "late_INITIAL");
  EXPECT_EQ(name_of(initial).rfind("late_INITIAL", 0), 0u);
}

TEST_F(SumComponentTest, CachedLookupsSeeMakingAndRemoval) {
  SUM_VobObject root = whole_vob_root();
  SUM_Vob whole = root.vob();
  SUM_CacheControl scope;
  SUM_Component none;
  EXPECT_TRUE(fails_with(1002, "Missing component root directory hlink for VOB \"/whole\".\n",
                         [&] { return SUM_Component::construct_from_vob(whole, none); }));
  SUM_Component c;
  ASSERT_EQ(create("whole", root, nullptr, c), 0);
  SUM_Component app;
  ASSERT_EQ(create("app", SUM_VobObject(), "/src/app", app), 0);
  SUM_VobObject app_root = out(app, &SUM_Component::root_directory_element);
  // Twice each: the second answer may come from the caches.
  for (int round = 0; round < 2; ++round) {
    SUM_Component found;
    ASSERT_EQ(SUM_Component::construct_from_vob(whole, found), 0);
    EXPECT_EQ(found, c);
    ASSERT_EQ(SUM_Component::construct_from_crde(SUM_Vob(fc), app_root, found), 0);
    EXPECT_EQ(found, app);
    EXPECT_EQ(out(app, &SUM_Component::has_crde), 1);
    SUM_VobObject element;
    int invalid = 1;
    ASSERT_EQ(c.crde(element, invalid), 0);
    EXPECT_EQ(element, root);
  }
  ASSERT_EQ(c.destroy("gone"), 0);
  ASSERT_EQ(app.destroy("gone"), 0);
  EXPECT_EQ(SUM_Component::construct_from_vob(whole, none), 1002);
  EXPECT_EQ(SUM_Component::construct_from_crde(SUM_Vob(fc), app_root, none, 1), 1002);
  SUM_Component again;
  ASSERT_EQ(create("again", root, nullptr, again), 0);
  SUM_Component found;
  ASSERT_EQ(SUM_Component::construct_from_vob(whole, found), 0);
  EXPECT_EQ(found, again);
}

TEST_F(SumComponentTest, AdminVobRules) {
  {
    ImsgCapture capture;
    SUM_Component app;
    ASSERT_EQ(create("app", SUM_VobObject(), "/src/app", app), 0);
    EXPECT_NE(capture.joined(IMSG_INFO).find("Set Admin VOB for component \"app\"'s VOB\n"),
              std::string::npos);
  }
  SUM_Vob admin;
  ASSERT_EQ(SUM_Vob(plain).admin_vob(admin, 1), 0);
  EXPECT_EQ(admin, SUM_Vob(fc));
  // A component VOB already in another admin hierarchy is refused, and the
  // refused creation leaves neither object nor root directory.
  vob_vob_h other = make_vob("/other", false, 8);
  ASSERT_EQ(SUM_Vob(other).set_admin_vob(SUM_Vob(old)), 0);
  SUM_Component refused;
  EXPECT_TRUE(fails_mentioning(1001, "Component's Admin VOB must be same as ZEM project VOB's\n",
                               [&] { return create("o", SUM_VobObject(), "/other/o", refused); }));
  EXPECT_EQ(component_names(SUM_Vob(fc)), std::vector<std::string>{"app"});
  view_path_info_t info;
  EXPECT_NE(view_lookup(view, "/other/o", &info), 0) << "the new root directory is gone";

  // The admin VOB shared by components: the top of their PVOBs' hierarchy.
  vob_vob_h below = make_vob("/pvob_below", true, 8);
  ASSERT_EQ(SUM_Vob(below).set_admin_vob(SUM_Vob(fc)), 0);
  SUM_Component t1 = rootless("t1"), t2 = rootless("t2");
  SUM_Component t3 = rootless("t3", old), t4 = rootless("t4", below);
  auto check = [](std::vector<SUM_Component> comps, SUM_Vob& common, int& same) {
    SUM_ComponentList list;
    for (const auto& c : comps)
      list.append(c);
    return sum_utl_check_adminvob(list, common, same);
  };
  SUM_Vob common;
  int same = 0;
  ASSERT_EQ(check({t1, t2, t4}, common, same), 0);
  EXPECT_EQ(same, 1);
  EXPECT_EQ(common, SUM_Vob(fc));
  SUM_Vob untouched;
  ASSERT_EQ(check({t1, t3}, untouched, same), 0);
  EXPECT_EQ(same, 0);
  EXPECT_TRUE(untouched.is_null());
  SUM_Vob given(old);
  ASSERT_EQ(check({t1}, given, same), 0);
  EXPECT_EQ(same, 0) << "a given admin VOB takes part";
  EXPECT_EQ(check({}, common, same), 1072);
}

TEST_F(SumComponentTest, ComponentToBaselineMap) {
  SUM_Component lib, app;
  ASSERT_EQ(create("lib", SUM_VobObject(), "/src/lib", lib), 0);
  ASSERT_EQ(create("app", SUM_VobObject(), "/src/app", app), 0);
  SUM_Component tools = rootless("tools");
  SUM_Baseline lib_i = initial_of(lib), app_i = initial_of(app), tools_i = initial_of(tools);
  SUM_Baseline lib_next = baseline_on(lib, "lib_next");
  auto list_of = [](std::vector<SUM_Baseline> items) {
    SUM_BaselineList list;
    for (const auto& b : items)
      list.append(b);
    return list;
  };
  SUM_HashTab<SUM_Component, int> filter(8);
  SUM_HashTab<SUM_Component, SUM_Baseline> map(8);
  ASSERT_EQ(sum_hash_utl_comp_to_bl_map(list_of({lib_i, tools_i, app_i}), filter, 0, 0, map), 0);
  ASSERT_NE(map.lookup(lib), nullptr);
  EXPECT_EQ(*map.lookup(lib), lib_i);
  ASSERT_NE(map.lookup(app), nullptr);
  EXPECT_EQ(*map.lookup(app), app_i);
  EXPECT_EQ(map.lookup(tools), nullptr) << "a rootless component is skipped";

  filter.enter(app, 1);
  SUM_HashTab<SUM_Component, SUM_Baseline> filtered(8);
  ASSERT_EQ(sum_hash_utl_comp_to_bl_map(list_of({lib_i, app_i}), filter, 1, 0, filtered), 0);
  EXPECT_EQ(filtered.lookup(lib), nullptr);
  EXPECT_NE(filtered.lookup(app), nullptr);

  SUM_HashTab<SUM_Component, SUM_Baseline> twice(8);
  EXPECT_EQ(sum_hash_utl_comp_to_bl_map(list_of({lib_i, lib_next}), filter, 0, 0, twice), 1001);
  ASSERT_EQ(sum_hash_utl_comp_to_bl_map(list_of({lib_i, lib_next}), filter, 0, 1, twice), 0);
  EXPECT_EQ(*twice.lookup(lib), lib_next) << "the later baseline wins";
}

TEST_F(SumComponentTest, RemovalChecksAllRunAndPrint) {
  SUM_Folder root;
  ASSERT_EQ(SUM_Folder::root_folder(SUM_Vob(fc), root), 0);
  SUM_Project project;
  ASSERT_EQ(SUM_Project::create("proj", "", root, "", 0, project), 0);
  SUM_Stream stream;
  ASSERT_EQ(SUM_Stream::create("integ", "", project, SUM_Stream(), "", 1, 0, stream), 0);
  SUM_Component c = rootless("lib");
  SUM_Baseline initial = initial_of(c);
  SUM_Baseline extra = baseline_on(c, "extra");
  ASSERT_EQ(stream.create_hyperlink_to(initial, VOB_WK_HLTYPE_USE_BASELINE, "", "", ""), 0);
  SUM_Timeline timeline;
  ASSERT_EQ(SUM_Timeline::create(c, stream, initial, "tl", timeline), 0);
  // A composite baseline of another component that depends on the initial one.
  SUM_Component group = rootless("group");
  XML_Element dep("dep");
  dep.sub_elements().append(XML_Element("dep_sel", univ(initial).c_str()));
  dep.sub_elements().append(XML_Element("comp_sel", univ(c).c_str()));
  XML_Element deps("deps_v1");
  deps.sub_elements().append(dep);
  XML_Element info("bl_info");
  info.sub_elements().append(deps);
  SUM_String xml;
  ASSERT_EQ(info.string(xml, 0), 0);
  vob_zem_baseline_spec_t spec;
  spec.name = "composite";
  spec.component = group.dbid();
  spec.timeline = group.dbid();
  spec.deps_xml = xml;
  tbs_dbid_t composite = 0;
  ASSERT_EQ(vob_zem_baseline_create(fc, spec, nullptr, &composite), 0);

  {
    ScopedEnv verbose("IMSG_VERBOSITY", "2");
    imsg_clear_desired_verbosity();
    ImsgCapture capture;
    EXPECT_EQ(out(c, &SUM_Component::ok_to_destroy), 0);
    EXPECT_EQ(capture.joined(IMSG_ERROR),
              "Cannot remove component that has baselines other than the initial baseline.\n"
              "Cannot remove component whose initial baseline is being used by a stream.\n"
              "Cannot remove component whose initial baseline is being used as a foundation "
              "for another baseline.\n"
              "Cannot remove component whose initial baseline is being used by a composite "
              "baseline.\n");
    std::string listing = capture.joined(IMSG_INFO);
    EXPECT_NE(listing.find("composite@/pvob8"), std::string::npos) << listing;
    EXPECT_NE(listing.find("group@/pvob8"), std::string::npos) << listing;
  }
  imsg_clear_desired_verbosity();
  SUM_Component kept = c;
  EXPECT_EQ(c.destroy("refused"), 1001);
  EXPECT_EQ(c, kept) << "a refused removal keeps the handle and the object";

  // Each refusal lifts with its cause.
  ASSERT_EQ(vob_zem_baseline_delete(fc, composite, nullptr), 0);
  ASSERT_EQ(vob_zem_baseline_delete(fc, extra.dbid(), nullptr), 0);
  ASSERT_EQ(timeline.destroy(), 0);
  int ok = 1;
  EXPECT_TRUE(
      fails_with(0, "Cannot remove component whose initial baseline is being used by a stream.\n",
                 [&] { return c.ok_to_destroy(ok); }));
  EXPECT_EQ(ok, 0);
  ASSERT_EQ(stream.remove_hyperlink_to(initial, VOB_WK_HLTYPE_USE_BASELINE, 0, ""), 0);
  EXPECT_EQ(out(c, &SUM_Component::ok_to_destroy), 1);
  EXPECT_EQ(c.destroy("gone"), 0);
}

TEST_F(SumComponentTest, RemovalDropsTheComponentFromProjectsThatListIt) {
  SUM_Component a = rootless("a"), b = rootless("b");
  std::string sel_a = univ(a), sel_b = univ(b);
  auto project_in = [](vob_vob_h pvob, const char* name) {
    SUM_Folder root;
    EXPECT_EQ(SUM_Folder::root_folder(SUM_Vob(pvob), root), 0);
    SUM_Project out;
    EXPECT_EQ(SUM_Project::create(name, "", root, "", 0, out), 0);
    return out;
  };
  SUM_Project both = project_in(fc, "both"), only_b = project_in(fc, "only_b");
  SUM_Project elsewhere = project_in(old, "elsewhere");
  auto mod_comps = [](const SUM_Project& p) {
    SUM_String value;
    EXPECT_EQ(p.pvar(PVAR_ZEM_PROJ_SUM_PROJ_MOD_COMPS, value), 0);
    return std::string(value);
  };
  auto set_mod_comps = [](SUM_Project& p, const std::string& value) {
    ASSERT_EQ(p.set_pvar(PVAR_ZEM_PROJ_SUM_PROJ_MOD_COMPS, value.c_str(), 0, ""), 0);
  };
  set_mod_comps(both, "," + sel_a + "," + sel_b);
  set_mod_comps(only_b, "," + sel_b);
  set_mod_comps(elsewhere, "," + sel_a);

  SUM_ProjectList listing;
  {
    ImsgCapture capture;
    ASSERT_EQ(a.destroy_check(listing), 0);
    EXPECT_EQ(capture.texts(IMSG_WARNING).size(), 2u);
    EXPECT_NE(
        capture.joined(IMSG_WARNING).find("lists this component as a modifiable component.\n"),
        std::string::npos);
  }
  ASSERT_EQ(listing.count(), 2u) << "projects of every PVOB";
  EXPECT_NE(listing.find(both), -1);
  EXPECT_NE(listing.find(elsewhere), -1);

  ASSERT_EQ(a.destroy("gone"), 0);
  EXPECT_EQ(mod_comps(both), "," + sel_b);
  EXPECT_EQ(mod_comps(only_b), "," + sel_b);
  EXPECT_EQ(mod_comps(elsewhere), "");
  ASSERT_EQ(b.destroy("gone"), 0);
  EXPECT_EQ(mod_comps(both), "");
  EXPECT_EQ(mod_comps(only_b), "");
}

}  // namespace
