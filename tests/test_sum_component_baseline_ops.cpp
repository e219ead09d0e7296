// Component and baseline operations callers reach by name, in both storage
// forms (feature levels 8 and 6): listing components, the family of a
// component's root VOB, creation without a root path; a baseline's record,
// the timelines it contributed to, its foundation chain and whether two
// baselines share an ancestor.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "services/vob_hlink.h"
#include "services/vob_zem_baseline.h"
#include "sum/sum_baseline.h"
#include "sum/sum_baseline_graph.h"
#include "sum/sum_component.h"
#include "sum/sum_ids.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"
#include "sum_pvob_fixture.h"
#include "support/checks.h"

namespace {

using test_support::out;

// ---- SUM_Component --------------------------------------------------------------------

class ComponentOpsTest : public zem_test::PvobLevelTest {
 protected:
  std::vector<std::string> listed() {
    std::unique_ptr<SUM_Component::Iter> walk(SUM_Component::list_components(pvob));
    std::vector<std::string> names;
    for (walk->first(); !walk->is_done(); walk->next()) {
      SUM_Component c;
      EXPECT_EQ(walk->current_item(c), 0);
      names.push_back(test_support::text(c, &SUM_Component::name));
    }
    EXPECT_EQ(walk->status(), 0);
    return names;
  }
};

TEST_P(ComponentOpsTest, ListsTheComponentsOfAPvobInCreationOrder) {
  EXPECT_TRUE(listed().empty());
  SUM_Component a, b;
  ASSERT_EQ(SUM_Component::create(pvob, "a", SUM_VobObject(), nullptr, "", a), 0);
  ASSERT_EQ(SUM_Component::create(pvob, "b", SUM_VobObject(), nullptr, "", b), 0);
  EXPECT_EQ(listed(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(SUM_Component::list_components(SUM_Vob()), nullptr);
}

TEST_P(ComponentOpsTest, RootVobFamilyIsKnownForRootedComponentsOnly) {
  vob_vob_h whole = test_support::make_test_vob("/whole");
  tbs_dbid_t root_dir = 0;
  ASSERT_EQ(vob_ob_get_wk_obj(whole, VOB_WK_ROOT_DIRECTORY, &root_dir), 0);
  SUM_Component rooted, rootless;
  // The form without a root path: the VOB root makes a VOB-level component.
  ASSERT_EQ(SUM_Component::create(pvob, "rooted", SUM_VobObject(SUM_Vob(whole), root_dir), nullptr,
                                  "", rooted),
            0);
  ASSERT_EQ(SUM_Component::create(pvob, "rootless", SUM_VobObject(), nullptr, "", rootless), 0);

  SUM_Oid family, expected;
  ASSERT_EQ(SUM_Vob(whole).family_oid(expected), 0);
  ASSERT_EQ(rooted.crde_vob_family_oid(family), 0);
  EXPECT_EQ(family, expected);
  SUM_Oid pvob_family;
  ASSERT_EQ(pvob.family_oid(pvob_family), 0);
  EXPECT_NE(family, pvob_family) << "the root VOB's family, not the PVOB's";
  EXPECT_EQ(rootless.crde_vob_family_oid(family), 1002);
  EXPECT_EQ(SUM_Component().crde_vob_family_oid(family), 1072);
}

TEST_P(ComponentOpsTest, RenamedByIdentityAndPvobHandle) {
  SUM_Component a, b;
  ASSERT_EQ(SUM_Component::create(pvob, "a", SUM_VobObject(), nullptr, "", a), 0);
  ASSERT_EQ(SUM_Component::create(pvob, "b", SUM_VobObject(), nullptr, "", b), 0);
  ASSERT_EQ(sum_component_set_name(a.dbid(), pvob.handle(), "renamed", ""), 0);
  EXPECT_EQ(test_support::text(a, &SUM_Component::name), "renamed");
  EXPECT_EQ(sum_component_set_name(b.dbid(), pvob.handle(), "renamed", ""), 1001)
      << "the name is taken";
  EXPECT_EQ(test_support::text(b, &SUM_Component::name), "b");
  EXPECT_EQ(sum_component_set_name(0, pvob.handle(), "x", ""), 1072);
  EXPECT_EQ(sum_component_set_name(a.dbid(), nullptr, "x", ""), 1072);
}

INSTANTIATE_TEST_SUITE_P(BothForms, ComponentOpsTest, ::testing::Values(8, 6),
                         zem_test::level_name);

// ---- SUM_Baseline and the baseline graph -------------------------------------------------

// Project "proj" with rootless components c1 and c2, the integration stream
// "integ" on their initial baselines, b1 and b2 made in it for c1, and the
// development stream "dev" founded on b1 with d1 made in it.
class BaselineOpsTest : public zem_test::ProjectLevelTest {
 protected:
  void SetUp() override {
    ProjectLevelTest::SetUp();
    integ = stream("integ", project, SUM_Stream(), 1, zem_test::bl_list({c1_init, c2_init}));
    b1 = made_in(integ, "b1");
    b2 = made_in(integ, "b2");
    dev = stream("dev", project, integ, 0, zem_test::bl_list({b1, c2_init}));
    d1 = made_in(dev, "d1");
  }

  SUM_Stream stream(const char* name, const SUM_Project& in, const SUM_Stream& parent,
                    int integration, const SUM_BaselineList& foundation) {
    SUM_Stream s;
    EXPECT_EQ(SUM_Stream::create(name, "", in, parent, "", integration, 0, foundation, s), 0)
        << name;
    return s;
  }
  // A baseline of c1 made in `s`.
  SUM_Baseline made_in(const SUM_Stream& s, const char* name) {
    return ProjectLevelTest::made_in(s, c1, name);
  }
  SUM_Timeline timeline_of(const SUM_Stream& s) {
    SUM_Timeline timeline;
    EXPECT_EQ(s.component_timeline(c1, timeline), 0);
    return timeline;
  }
  int common(const SUM_Baseline& a, const SUM_Baseline& b) {
    int result = -1;
    EXPECT_EQ(a.has_common_ancestor(b, result), 0);
    int reverse = -1;
    EXPECT_EQ(b.has_common_ancestor(a, reverse), 0);
    EXPECT_EQ(result, reverse) << "the question is symmetric";
    return result;
  }
  static int offset_of(const SUM_Baseline& b) {
    SUM_Timeline timeline;
    int offset = -1;
    EXPECT_EQ(SUM_BaselineGraph::position(b, timeline, offset), 0);
    return offset;
  }

  SUM_Baseline b1, b2, d1;
  SUM_Stream integ, dev;
};

TEST_P(BaselineOpsTest, RecordNamesComponentTimelineAndStream) {
  vob_zem_baseline_info_t info;
  ASSERT_EQ(d1.info(info), 0);
  EXPECT_EQ(info.name, "d1");
  EXPECT_EQ(info.component, c1.dbid());
  EXPECT_EQ(info.timeline, timeline_of(dev).dbid());
  EXPECT_EQ(info.stream, dev.dbid());
  ASSERT_EQ(c1_init.info(info), 0);
  EXPECT_EQ(info.timeline, c1.dbid()) << "the initial baseline lies on the main timeline";
  EXPECT_EQ(info.stream, 0u);
  EXPECT_EQ(SUM_Baseline().info(info), 1072);
}

TEST_P(BaselineOpsTest, TimelinesContributedToByFoundationAndDelivery) {
  SUM_TimelineList list;
  ASSERT_EQ(b1.timelines_contributed_to(list), 0);
  ASSERT_EQ(list.count(), 1u);
  EXPECT_EQ(list[0], timeline_of(dev)) << "dev's foundation arc";
  ASSERT_EQ(c1_init.timelines_contributed_to(list), 0);
  ASSERT_EQ(list.count(), 1u);
  EXPECT_EQ(list[0], timeline_of(integ));
  ASSERT_EQ(b2.timelines_contributed_to(list), 0);
  EXPECT_EQ(list.count(), 0u);

  // A delivery of d1 records it on the integration stream's timeline.
  tbs_dbid_t hlink = 0;
  ASSERT_EQ(vob_hlink_create_wk(pvob.handle(), d1.dbid(), VOB_WK_HLTYPE_TIMELINE_CONTRIB,
                                pvob.handle(), timeline_of(integ).dbid(), "", "", nullptr, &hlink),
            0);
  ASSERT_EQ(d1.timelines_contributed_to(list), 0);
  ASSERT_EQ(list.count(), 1u);
  EXPECT_EQ(list[0], timeline_of(integ));
}

TEST_P(BaselineOpsTest, FoundationChainRunsDownToTheMainTimeline) {
  SUM_TimelineOffsetTable table(32);
  ASSERT_EQ(SUM_BaselineGraph::tl_pred_ht(timeline_of(dev), offset_of(d1), table), 0);
  ASSERT_NE(table.lookup(timeline_of(dev)), nullptr);
  EXPECT_EQ(*table.lookup(timeline_of(dev)), offset_of(d1));
  ASSERT_NE(table.lookup(timeline_of(integ)), nullptr);
  EXPECT_EQ(*table.lookup(timeline_of(integ)), offset_of(b1)) << "dev grew from b1";
  SUM_Timeline main;
  ASSERT_EQ(c1.main_timeline(main), 0);
  ASSERT_NE(table.lookup(main), nullptr);
  EXPECT_EQ(*table.lookup(main), offset_of(c1_init));
  EXPECT_EQ(SUM_BaselineGraph::tl_pred_ht(SUM_Timeline(), 0, table), 1072);
}

TEST_P(BaselineOpsTest, CommonAncestorsAcrossTimelines) {
  EXPECT_EQ(common(b1, b1), 1);
  EXPECT_EQ(common(b1, b2), 1) << "one stream timeline";
  EXPECT_EQ(common(c1_init, b2), 1) << "the initial baseline is an ancestor of b2";
  EXPECT_EQ(common(d1, b2), 1) << "both grew from b1";
  EXPECT_EQ(common(d1, c1_init), 1);

  // A second baseline of c1's main timeline starts a history of its own.
  SUM_Timeline main;
  ASSERT_EQ(c1.main_timeline(main), 0);
  SUM_Baseline other_root;
  ASSERT_EQ(SUM_Baseline::create(main, "other_root", "", 0, -1, other_root), 0);
  EXPECT_EQ(common(other_root, c1_init), 0) << "main-timeline baselines have no ancestors";
  EXPECT_EQ(common(other_root, b1), 0);

  SUM_Project apart;
  ASSERT_EQ(SUM_Project::create("apart", "", root, "", 0, apart), 0);
  SUM_Stream elsewhere =
      stream("elsewhere", apart, SUM_Stream(), 1, zem_test::bl_list({other_root, c2_init}));
  SUM_Baseline e1 = made_in(elsewhere, "e1");
  EXPECT_EQ(common(e1, other_root), 1);
  EXPECT_EQ(common(e1, d1), 0);
  EXPECT_EQ(common(e1, b2), 0);

  // Rebasing "elsewhere" onto d1 joins the two histories from then on.
  ASSERT_EQ(timeline_of(elsewhere).add_foundation_arc(d1, "rebased"), 0);
  SUM_Baseline e2 = made_in(elsewhere, "e2");
  EXPECT_EQ(common(e2, b2), 1) << "e2 received d1, which grew from b1";
  EXPECT_EQ(common(e1, b2), 0) << "e1 was made before the rebase";
  EXPECT_EQ(common(e2, other_root), 1);

  int result = -1;
  EXPECT_EQ(b1.has_common_ancestor(c2_init, result), 1072) << "another component";
  EXPECT_EQ(b1.has_common_ancestor(SUM_Baseline(), result), 1072);
}

INSTANTIATE_TEST_SUITE_P(BothForms, BaselineOpsTest, ::testing::Values(8, 6), zem_test::level_name);

}  // namespace
