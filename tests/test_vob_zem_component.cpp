// Components of both project VOB forms: creation, unique names, listing,
// the root link read from either end, and removal.
#include "services/vob_elem.h"
#include "services/vob_hlink.h"
#include "services/vob_zem_component.h"
#include "vob_zem_fixture.h"

namespace zem_test {
namespace {

class ComponentTest : public ZemTest {
 protected:
  void SetUp() override {
    ZemTest::SetUp();
    ASSERT_EQ(vob_ob_get_wk_obj(old, VOB_WK_COMPONENT_TYPE, &component_type), 0);
  }

  tbs_dbid_t fc_component(const char* name) {
    tbs_dbid_t made = 0;
    vob_event_info_t e = event(105, "new component");
    EXPECT_EQ(vob_zem_component_create(fc, name, &e, &made), 0) << name;
    return made;
  }
  tbs_dbid_t old_component(const char* name) { return act(name, component_type, 0, name); }

  std::vector<tbs_dbid_t> components(vob_vob_h pvob, size_t chunk = 100) {
    return gather(chunk, [&](size_t at, size_t max, std::vector<tbs_dbid_t>& out) {
      return vob_zem_component_next(pvob, at, max, out);
    });
  }

  // A directory catalogued in the root of `plain`, marked as its own CRDE.
  tbs_dbid_t root_dir(const char* name) {
    tbs_dbid_t dir = 0;
    EXPECT_EQ(vob_elem_create_cat_crde(plain, 0, name, nullptr, &dir), 0) << name;
    return dir;
  }
  void link(vob_vob_h pvob, tbs_dbid_t component, tbs_dbid_t dir) {
    tbs_dbid_t hlink = 0;
    ASSERT_EQ(vob_hlink_create_wk(pvob, component, VOB_WK_HLTYPE_COMPONENT_ROOT_DIR, plain, dir,
                                  "v", "v", nullptr, &hlink),
              0);
  }
  tbs_dbid_t found_by_root(vob_vob_h pvob, tbs_dbid_t dir) {
    tbs_dbid_t component = 0;
    EXPECT_EQ(vob_zem_component_find_by_root(pvob, plain, dir, &component), 0);
    return component;
  }
  int is_component(vob_vob_h pvob, tbs_dbid_t dbid) {
    int is = -1;
    EXPECT_EQ(vob_zem_component_is(pvob, dbid, &is), 0);
    return is;
  }

  tbs_dbid_t vob_object_of(vob_vob_h vob) {
    tbs_dbid_t dbid = 0;
    EXPECT_EQ(vob_ob_get_wk_obj(vob, VOB_WK_VOB_OBJECT, &dbid), 0);
    return dbid;
  }

  tbs_dbid_t component_type = 0;
};

TEST_F(ComponentTest, FirstClassComponentsAreCreatedWithUniqueNamesAndListed) {
  tbs_dbid_t a = fc_component("a");
  vob_mtype_t mtype = 0;
  ASSERT_EQ(vob_obj_get_mtype(fc, a, &mtype), 0);
  EXPECT_EQ(mtype, VOB_MTYPE_COMPONENT);
  vob_event_t created = latest(fc, a);
  EXPECT_EQ(created.kind, VOB_EVENT_CREATE);
  EXPECT_EQ(created.opcode, 105);
  EXPECT_EQ(created.comment, "new component");
  EXPECT_EQ(is_component(fc, a), 1);
  EXPECT_EQ(is_component(fc, fc_root), 0) << "a folder is not a component";

  tbs_dbid_t same_name = 0;
  EXPECT_EQ(vob_zem_folder_create(fc, "a", fc_root, nullptr, &same_name), 0)
      << "a folder may share a component's name";
  std::vector<tbs_dbid_t> made = {a};
  for (const char* name : {"b", "c", "d", "e"})
    made.push_back(fc_component(name));
  EXPECT_EQ(components(fc, 2), made);
  EXPECT_EQ(chunk_sizes, (std::vector<size_t>{2, 2, 1}));
  EXPECT_EQ(components(old), std::vector<tbs_dbid_t>{});
  EXPECT_EQ(components(plain), std::vector<tbs_dbid_t>{}) << "an ordinary VOB has none";

  ImsgCapture capture;
  tbs_dbid_t out = 0;
  EXPECT_EQ(vob_zem_component_create(fc, "a", nullptr, &out), TBS_ST_EXISTS);
  EXPECT_EQ(vob_zem_component_create(fc, "a b", nullptr, &out), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(vob_zem_component_create(old, "x", nullptr, &out), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(vob_zem_component_create(plain, "x", nullptr, &out), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "A component named \"a\" already exists.\n"
            "Name \"a b\" contains characters that are not allowed: names are made of letters, "
            "digits, \"-\", \"_\" and \".\", do not start with \"-\" and are not \".\" or \"..\".\n"
            "Project VOB \"/pvob6\" is at feature level 6; first-class folders and projects "
            "need feature level 7 or higher.\n"
            "VOB \"/src\" is not a project VOB; folders, projects and activity-like objects "
            "are kept in project VOBs.\n");
  EXPECT_EQ(out, 0u) << "untouched on failure";
  EXPECT_EQ(components(fc), made) << "failed creations store nothing";
}

TEST_F(ComponentTest, ActivityBasedComponentsAreActivityLikeObjectsOfTheComponentType) {
  tbs_dbid_t a = old_component("a");
  tbs_dbid_t b = old_component("b");
  tbs_dbid_t stream = act("s", stream_type, 0);
  EXPECT_EQ(is_component(old, a), 1);
  EXPECT_EQ(is_component(old, stream), 0) << "another activity type";
  EXPECT_EQ(components(old, 1), (std::vector<tbs_dbid_t>{a, b}));
  EXPECT_EQ(components(fc), std::vector<tbs_dbid_t>{});
  tbs_dbid_t dup = 0;
  ImsgCapture capture;
  EXPECT_EQ(vob_act_create(old, "a", component_type, 0, "a", nullptr, &dup), TBS_ST_EXISTS);
  int is = -1;
  EXPECT_EQ(vob_zem_component_is(old, 99999, &is), TBS_ST_NOT_FOUND);
  EXPECT_EQ(is, -1);

  // The first-class calls refuse the older form and its objects.
  EXPECT_EQ(vob_zem_component_delete(old, a, nullptr), TBS_ST_BAD_ARGUMENT);
  ASSERT_EQ(vob_act_delete(old, a, nullptr), 0);
  EXPECT_EQ(components(old), std::vector<tbs_dbid_t>{b});
}

TEST_F(ComponentTest, RootLinkIsReadFromBothEndsInBothForms) {
  for (vob_vob_h pvob : {fc, old}) {
    SCOPED_TRACE(pvob == fc ? "first-class" : "activity-based");
    bool first_class = pvob == fc;
    std::string prefix = first_class ? "fc_" : "old_";
    tbs_dbid_t rooted = first_class ? fc_component("rooted") : old_component("rooted");
    tbs_dbid_t rootless = first_class ? fc_component("rootless") : old_component("rootless");
    tbs_dbid_t dir = root_dir((prefix + "src").c_str());
    link(pvob, rooted, dir);

    vob_zem_component_root_t root;
    ASSERT_EQ(vob_zem_component_get_root(pvob, rooted, &root), 0);
    EXPECT_EQ(root.root_vob, plain);
    EXPECT_EQ(root.root_element, dir);
    EXPECT_EQ(root.broken, 0);
    EXPECT_NE(root.hlink, 0u);
    vob_zem_component_root_t none;
    EXPECT_EQ(vob_zem_component_get_root(pvob, rootless, &none), TBS_ST_NOT_FOUND);
    EXPECT_EQ(none.hlink, 0u) << "untouched on failure";
    tbs_dbid_t root_folder = first_class ? fc_root : old_root;
    EXPECT_EQ(vob_zem_component_get_root(pvob, root_folder, &none), TBS_ST_BAD_ARGUMENT);

    EXPECT_EQ(found_by_root(pvob, dir), rooted);
    tbs_dbid_t other_dir = root_dir((prefix + "unlinked").c_str());
    tbs_dbid_t out = 0;
    EXPECT_EQ(vob_zem_component_find_by_root(pvob, plain, other_dir, &out), TBS_ST_NOT_FOUND);
    EXPECT_EQ(out, 0u);
  }
}

TEST_F(ComponentTest, FindByRootCountsOnlyLiveComponentsOfTheAskedProjectVob) {
  tbs_dbid_t dir = root_dir("shared");
  tbs_dbid_t mine = fc_component("mine");
  tbs_dbid_t theirs = old_component("theirs");
  link(fc, mine, dir);
  link(old, theirs, dir);
  EXPECT_EQ(found_by_root(fc, dir), mine);
  EXPECT_EQ(found_by_root(old, dir), theirs);

  // A second component of the same PVOB on one root is an inconsistency.
  tbs_dbid_t second = fc_component("second");
  link(fc, second, dir);
  {
    ImsgCapture capture;
    tbs_dbid_t out = 0;
    EXPECT_EQ(vob_zem_component_find_by_root(fc, plain, dir, &out), TBS_ST_ERROR);
    EXPECT_EQ(capture.joined(IMSG_ERROR),
              "Element " + std::to_string(dir) +
                  " of VOB \"/src\" is the root directory of 2 components of project VOB "
                  "\"/pvob8\".\n");
    EXPECT_EQ(out, 0u);
  }
  // Removing a component leaves its link broken, and lookups pass over it.
  ASSERT_EQ(vob_zem_component_delete(fc, second, nullptr), 0);
  EXPECT_EQ(found_by_root(fc, dir), mine);
  ASSERT_EQ(vob_zem_component_delete(fc, mine, nullptr), 0);
  tbs_dbid_t out = 0;
  EXPECT_EQ(vob_zem_component_find_by_root(fc, plain, dir, &out), TBS_ST_NOT_FOUND);
  EXPECT_EQ(found_by_root(old, dir), theirs);
  tbs_dbid_t crde = 0;
  ASSERT_EQ(vob_elem_get_crde(plain, dir, &crde), 0);
  EXPECT_EQ(crde, dir) << "the root directory keeps its mark";
}

TEST_F(ComponentTest, DeleteRemovesOnlyComponentsAndRecordsTheRemoval) {
  tbs_dbid_t a = fc_component("a");
  tbs_dbid_t b = fc_component("b");
  size_t before = event_count(fc, vob_object_of(fc));
  vob_event_info_t e = event(106, "gone");
  ASSERT_EQ(vob_zem_component_delete(fc, a, &e), 0);
  EXPECT_EQ(components(fc), std::vector<tbs_dbid_t>{b});
  EXPECT_EQ(event_count(fc, vob_object_of(fc)), before + 1);
  vob_event_t removed = latest(fc, vob_object_of(fc));
  EXPECT_EQ(removed.kind, VOB_EVENT_REMOVE);
  EXPECT_EQ(removed.comment, "gone");
  tbs_dbid_t again = fc_component("a");
  EXPECT_NE(again, 0u) << "the name is free again";

  ImsgCapture capture;
  EXPECT_EQ(vob_zem_component_delete(fc, a, nullptr), TBS_ST_NOT_FOUND);
  EXPECT_EQ(vob_zem_component_delete(fc, fc_root, nullptr), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            not_a(a, "/pvob8", "a component") + not_a(fc_root, "/pvob8", "a component"));
  EXPECT_EQ(components(fc), (std::vector<tbs_dbid_t>{b, again}));
}

}  // namespace
}  // namespace zem_test
