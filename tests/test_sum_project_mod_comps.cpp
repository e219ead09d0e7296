// What a stream has modified, seen through real elements branched on the
// stream's branch type, and the project's modifiable components that depend
// on it: adding with its warnings, removing what no stream changed.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "services/view.h"
#include "services/vob_elem.h"
#include "sum/sum_component.h"
#include "sum/sum_folder.h"
#include "sum/sum_project.h"
#include "sum/sum_pvar.h"
#include "sum/sum_stream.h"
#include "vob_zem_fixture.h"

namespace {

using test_support::ImsgCapture;
using zem_test::ScopedEnv;

class ModCompsTest : public zem_test::ZemTest {
 protected:
  void SetUp() override {
    ZemTest::SetUp();
    view_create_args_t args;
    args.tag = "v1";
    args.root = home.path() + "/roots/v1";
    ASSERT_EQ(view_create(args, &view), 0);
    pvob = SUM_Vob(fc);
    SUM_Folder root;
    ASSERT_EQ(SUM_Folder::root_folder(pvob, root), 0);
    ASSERT_EQ(SUM_Project::create("proj", "", root, "", 0, project), 0);
    ASSERT_EQ(SUM_Stream::create("integ", "", project, SUM_Stream(), "", 1, 0, integ), 0);
    ASSERT_EQ(SUM_Stream::create("dev", "", project, SUM_Stream(), "", 0, 0, dev), 0);
    app = component("app", "/src/app");
    lib = component("lib", "/src/lib");
    docs = component("docs", nullptr);
    a_c = add_file("/src/app", "a.c");
    add_file("/src/lib", "b.c");
  }
  void TearDown() override { view_free_handle(view); }

  SUM_Component component(const char* name, const char* root) {
    SUM_Component out;
    EXPECT_EQ(SUM_Component::create(pvob, name, SUM_VobObject(), root, view, "", out), 0) << name;
    return out;
  }
  // A checked-in file `name` in directory `dir` (a view path); its element.
  tbs_dbid_t add_file(const std::string& dir, const char* name) {
    tbs_dbid_t version = 0, element = 0;
    EXPECT_EQ(view_checkout(view, dir.c_str(), "", &version), 0) << dir;
    std::string path = dir + "/" + name;
    std::ofstream(home.path() + "/roots/v1" + path) << "text\n";
    EXPECT_EQ(view_mkelem(view, path.c_str(), VOB_ELTYPE_FILE, "", 1, &element), 0) << path;
    EXPECT_EQ(view_checkin(view, dir.c_str(), nullptr, &version), 0) << dir;
    return element;
  }
  // Branches `element` of /src on the stream's branch type, as a checkout
  // with -mkbranch would.
  void branch_on(const SUM_Stream& stream, tbs_dbid_t element) {
    SUM_String name;
    ASSERT_EQ(stream.name(name), 0);
    tbs_dbid_t local = 0, version = 0, branch = 0;
    ASSERT_EQ(vob_brtype_create_with_pop(plain, name, nullptr, &local), 0);
    ASSERT_EQ(vob_ver_lookup(plain, element, "/main/1", &version), 0);
    ASSERT_EQ(vob_branch_create(plain, version, local, nullptr, &branch), 0);
  }
  std::vector<std::string> names(const SUM_ComponentList& list) {
    std::vector<std::string> out;
    for (unsigned i = 0; i < list.count(); ++i) {
      SUM_String n;
      EXPECT_EQ(list[i].name(n), 0);
      out.push_back(static_cast<const char*>(n));
    }
    return out;
  }
  int modified(const SUM_Stream& stream, const SUM_Component& c) {
    int flag = -1;
    EXPECT_EQ(stream.has_been_modified(c, flag), 0);
    return flag;
  }

  ScopedEnv admin{"KORVANE_USER", "vobadmin"};
  view_server_h view = nullptr;
  SUM_Vob pvob;
  SUM_Project project;
  SUM_Stream integ, dev;
  SUM_Component app, lib, docs;
  tbs_dbid_t a_c = 0;
};

TEST_F(ModCompsTest, AStreamModifiesWhatItBranched) {
  EXPECT_EQ(modified(dev, app), 0);
  branch_on(dev, a_c);
  EXPECT_EQ(modified(dev, app), 1);
  EXPECT_EQ(modified(dev, lib), 0);
  EXPECT_EQ(modified(dev, docs), 0) << "a rootless component holds no elements";
  EXPECT_EQ(modified(integ, app), 0) << "another stream's branch type";

  SUM_ComponentList candidates, found;
  candidates.append(docs);
  candidates.append(lib);
  candidates.append(app);
  SUM_VobObjectList elements;
  ASSERT_EQ(dev.modified_comps_and_elems(candidates, found, elements), 0);
  EXPECT_EQ(names(found), std::vector<std::string>{"app"});
  ASSERT_EQ(elements.count(), 1u);
  EXPECT_EQ(elements[0], SUM_VobObject(SUM_Vob(plain), a_c));

  SUM_Stream ro;
  ASSERT_EQ(SUM_Stream::create("ro", "", project, integ, "", 0, 1, ro), 0);
  EXPECT_EQ(modified(ro, app), 0);
}

TEST_F(ModCompsTest, AddingSkipsListedAndRootlessComponents) {
  SUM_ComponentList list;
  list.append(app);
  list.append(docs);
  ImsgCapture capture;
  ASSERT_EQ(project.add_mod_comps(list, "", 1), 0);
  EXPECT_EQ(capture.texts(IMSG_WARNING),
            std::vector<std::string>{"Skipping component \"docs@/pvob8\".  This component stores "
                                     "only baselines, not file elements, and cannot be modified "
                                     "directly by users.\n"});
  EXPECT_EQ(capture.texts(IMSG_INFO),
            (std::vector<std::string>{
                "Changed modifiable component list for project \"proj@/pvob8\".\n",
                "Propagating changes to the integration stream \"integ@/pvob8\".\n",
                "Changes to modifiability of components must be propagated to streams\nand their "
                "views.  Use 'vantool chstream -generate' to update the\nstream with 'vantool "
                "setcs -stream' for each view attached to the\nstream or see the stream and view "
                "properties pages.\n"}));
  SUM_ComponentList stored;
  ASSERT_EQ(project.mod_comps(stored), 0);
  EXPECT_EQ(names(stored), std::vector<std::string>{"app"});

  size_t events = event_count(fc, project.dbid());
  SUM_ComponentList again;
  again.append(app);
  capture.clear();
  ASSERT_EQ(project.add_mod_comps(again, "", 1), 0);
  EXPECT_EQ(capture.texts(IMSG_WARNING),
            std::vector<std::string>{
                "Component \"app@/pvob8\" is already a modifiable component of project "
                "\"proj@/pvob8\".\n"});
  EXPECT_EQ(event_count(fc, project.dbid()), events) << "nothing added, nothing written";

  again.append(lib);
  ASSERT_EQ(project.add_mod_comps(again, "", 1), 0);
  ASSERT_EQ(project.mod_comps(stored), 0);
  EXPECT_EQ(names(stored), (std::vector<std::string>{"app", "lib"}));
}

TEST_F(ModCompsTest, RemovingKeepsWhatAStreamModified) {
  SUM_ComponentList list;
  list.append(app);
  list.append(lib);
  ASSERT_EQ(project.add_mod_comps(list, "", 0), 0);
  branch_on(dev, a_c);
  ImsgCapture capture;
  EXPECT_EQ(project.delete_mod_comps(list, "drop"), 1001);
  EXPECT_EQ(capture.texts(IMSG_ERROR),
            std::vector<std::string>{"Component \"app@/pvob8\" has been modified in stream "
                                     "\"dev@/pvob8\", cannot make it unmodifiable.\n"});
  SUM_ComponentList stored;
  ASSERT_EQ(project.mod_comps(stored), 0);
  EXPECT_EQ(names(stored), std::vector<std::string>{"app"}) << "lib went, app stayed";

  SUM_ComponentList absent;
  absent.append(lib);
  capture.clear();
  ASSERT_EQ(project.delete_mod_comps(absent, ""), 0);
  EXPECT_EQ(capture.texts(IMSG_WARNING),
            std::vector<std::string>{"Component \"lib@/pvob8\" is not a modifiable component of "
                                     "project \"proj@/pvob8\".\n"});

  // A selector that no longer names a component makes the stored list unreadable.
  ASSERT_EQ(sum_pvar_set(project, PVAR_ZEM_PROJ_SUM_PROJ_MOD_COMPS, ",oid:00@vobuuid:00", 0, ""),
            0);
  capture.clear();
  EXPECT_NE(project.mod_comps(stored), 0);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("Unable to retrieve modifiable component list"),
            std::string::npos);
}

}  // namespace
