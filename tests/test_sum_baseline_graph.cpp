// The baseline graph in both storage forms (feature levels 8 and 6): ancestry
// along a timeline and through foundation arcs, flow into streams (with and
// without a timeline of the component), neighbours on timelines, delivery
// records, the order of the removal refusals, and what removal leaves of an
// imported label type.
#include <gtest/gtest.h>

#include <string>

#include "services/vob_hlink.h"
#include "sum/sum_activity.h"
#include "sum/sum_baseline.h"
#include "sum/sum_baseline_graph.h"
#include "sum/sum_component.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"
#include "sum/sum_version.h"
#include "sum_activity_fixture.h"
#include "sum_pvob_fixture.h"
#include "support/checks.h"

namespace {

using test_support::fails_with;
using test_support::ImsgCapture;

class BaselineGraphTest : public zem_test::ProjectLevelTest {
 protected:
  // Project "proj" with rootless components c1 and c2 (whose baselines may
  // serve as foundations unlabeled), the integration stream "integ" on their
  // initial baselines, and b1, b2 made in it for c1.
  void SetUp() override {
    ProjectLevelTest::SetUp();
    ASSERT_EQ(SUM_Stream::create("integ", "", project, SUM_Stream(), "", 1, 0,
                                 zem_test::bl_list({c1_init, c2_init}), integ),
              0);
    b1 = made_in(integ, "b1");
    b2 = made_in(integ, "b2");
  }

  // A baseline of c1 made in `stream`.
  SUM_Baseline made_in(const SUM_Stream& stream, const char* name) {
    return ProjectLevelTest::made_in(stream, c1, name);
  }
  SUM_Stream child(const char* name, const SUM_BaselineList& foundation) {
    SUM_Stream s;
    EXPECT_EQ(SUM_Stream::create(name, "", project, integ, "", 0, 0, foundation, s), 0) << name;
    return s;
  }
  SUM_Timeline timeline_of(const SUM_Stream& stream) {
    SUM_Timeline timeline;
    EXPECT_EQ(stream.component_timeline(c1, timeline), 0);
    return timeline;
  }
  int ancestor(const SUM_Baseline& a, const SUM_BaselineList& candidates) {
    int result = -1;
    EXPECT_EQ(a.is_ancestor_of(candidates, result), 0);
    return result;
  }
  int flowed(const SUM_Baseline& a, const SUM_Stream& stream) {
    int result = -1;
    EXPECT_EQ(a.has_flowed_to(stream, result), 0);
    return result;
  }
  // Records `baseline` as delivered to `timeline`, as a delivery does.
  void record_delivery(const SUM_Baseline& baseline, const SUM_Timeline& timeline) {
    tbs_dbid_t hlink = 0;
    ASSERT_EQ(vob_hlink_create_wk(pvob.handle(), baseline.dbid(), VOB_WK_HLTYPE_TIMELINE_CONTRIB,
                                  pvob.handle(), timeline.dbid(), "", "", nullptr, &hlink),
              0);
  }
  // ok_to_destroy's answer and the errors it printed.
  std::string refusal(const SUM_Baseline& b) {
    ImsgCapture capture;
    int ok = -1;
    EXPECT_EQ(b.ok_to_destroy(0, ok), 0);
    EXPECT_EQ(ok, 0) << "removal allowed";
    return capture.joined(IMSG_ERROR);
  }

  SUM_Baseline b1, b2;
  SUM_Stream integ;
};

TEST_P(BaselineGraphTest, AncestryAlongOneTimelineAndThroughItsFoundation) {
  EXPECT_EQ(ancestor(b1, zem_test::bl_list({b1})), 1) << "a baseline is its own ancestor";
  EXPECT_EQ(ancestor(c1_init, zem_test::bl_list({c1_init})), 1);
  EXPECT_EQ(ancestor(b1, zem_test::bl_list({b2})), 1);
  EXPECT_EQ(ancestor(b2, zem_test::bl_list({b1})), 0)
      << "a later baseline is no ancestor of an earlier one";
  EXPECT_EQ(ancestor(c1_init, zem_test::bl_list({b2})), 1)
      << "the foundation the timeline grew from";
  EXPECT_EQ(ancestor(b2, zem_test::bl_list({c1_init})), 0);
  EXPECT_EQ(ancestor(b2, zem_test::bl_list({c1_init, b1})), 0);
  EXPECT_EQ(ancestor(b1, zem_test::bl_list({c1_init, b2})), 1) << "any candidate will do";
  EXPECT_EQ(ancestor(b1, SUM_BaselineList()), 0);
  int result = -1;
  EXPECT_EQ(SUM_Baseline().is_ancestor_of(zem_test::bl_list({b1}), result), 1072);
}

TEST_P(BaselineGraphTest, ChildStreamTakesABaselineThenMakesItsOwn) {
  SUM_Stream dev = child("dev", zem_test::bl_list({b1, c2_init}));
  SUM_Baseline d1 = made_in(dev, "d1");
  EXPECT_EQ(ancestor(b1, zem_test::bl_list({d1})), 1);
  EXPECT_EQ(ancestor(c1_init, zem_test::bl_list({d1})), 1) << "two timelines back";
  EXPECT_EQ(ancestor(b2, zem_test::bl_list({d1})), 0)
      << "made in the parent after the child took b1";
  EXPECT_EQ(ancestor(d1, zem_test::bl_list({b2})), 0);

  EXPECT_EQ(flowed(b1, dev), 1);
  EXPECT_EQ(flowed(c1_init, dev), 1);
  EXPECT_EQ(flowed(b2, dev), 0);
  EXPECT_EQ(flowed(d1, integ), 0) << "nothing delivered";
  EXPECT_EQ(flowed(b2, integ), 1);

  // A rebase to b2 adds a foundation arc: b2 has now reached the child,
  // before and after the child's next baseline.
  ASSERT_EQ(timeline_of(dev).add_foundation_arc(b2, "rebased"), 0);
  EXPECT_EQ(flowed(b2, dev), 1);
  SUM_Baseline d2 = made_in(dev, "d2");
  EXPECT_EQ(ancestor(b2, zem_test::bl_list({d2})), 1);
  EXPECT_EQ(ancestor(d1, zem_test::bl_list({d2})), 1);
  EXPECT_EQ(ancestor(b2, zem_test::bl_list({d1})), 0);
  EXPECT_EQ(flowed(b2, dev), 1);
}

TEST_P(BaselineGraphTest, StreamWithoutTimelineAnswersThroughItsFoundation) {
  // c1 is rootless: a stream gets its timeline only when it makes a baseline.
  SUM_Stream dev = child("dev", zem_test::bl_list({b1, c2_init}));
  SUM_Timeline none;
  ASSERT_EQ(dev.component_timeline(c1, none), 1002);
  EXPECT_EQ(flowed(b1, dev), 1);
  EXPECT_EQ(flowed(c1_init, dev), 1);
  EXPECT_EQ(flowed(b2, dev), 0);
  EXPECT_EQ(flowed(c2_init, dev), 1);

  SUM_Stream bare = child("bare", zem_test::bl_list({c2_init}));
  EXPECT_EQ(flowed(c1_init, bare), 0) << "no baseline of c1 at all";
}

TEST_P(BaselineGraphTest, NeighboursOnTimelinesAndDelivery) {
  SUM_Stream dev = child("dev", zem_test::bl_list({b1, c2_init}));
  SUM_Baseline d1 = made_in(dev, "d1");

  SUM_BaselineList list;
  ASSERT_EQ(b2.predecessors(list), 0);
  EXPECT_EQ(list, zem_test::bl_list({b1}));
  ASSERT_EQ(b1.predecessors(list), 0);
  EXPECT_EQ(list, SUM_BaselineList());

  SUM_Baseline pred;
  ASSERT_EQ(b2.nearest_predecessor(pred), 0);
  EXPECT_EQ(pred, b1);
  ASSERT_EQ(b1.nearest_predecessor(pred), 0);
  EXPECT_EQ(pred, c1_init) << "the foundation arc before it";
  ASSERT_EQ(d1.nearest_predecessor(pred), 0);
  EXPECT_EQ(pred, b1);
  EXPECT_EQ(c1_init.nearest_predecessor(pred), 1002);

  ASSERT_EQ(b1.successors(list), 0);
  EXPECT_EQ(list, zem_test::bl_list({b2, d1})) << "its own timeline, then the child's";
  ASSERT_EQ(b2.successors(list), 0);
  EXPECT_EQ(list, SUM_BaselineList());

  int delivered = -1;
  ASSERT_EQ(d1.has_been_delivered(delivered), 0);
  EXPECT_EQ(delivered, 0);
  record_delivery(d1, timeline_of(integ));
  ASSERT_EQ(d1.has_been_delivered(delivered), 0);
  EXPECT_EQ(delivered, 1);
  EXPECT_EQ(refusal(d1), "Cannot remove baseline that has been delivered.\n");
}

TEST_P(BaselineGraphTest, RemovalRefusalsComeInOrder) {
  // The initial baseline is refused before any search of the PVOBs starts.
  {
    ImsgCapture capture;
    int ok = -1;
    ASSERT_EQ(c1_init.ok_to_destroy(0, ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(capture.joined(IMSG_ERROR),
              "Cannot remove baseline that is the initial baseline of a component.\n");
    EXPECT_EQ(capture.joined(IMSG_WARNING), "");
  }
  // A trigger type naming it comes first of all.
  guard(VOB_OP_RMBL, b1.dbid());
  EXPECT_EQ(refusal(b1),
            "Can't delete baseline \"b1@/pvob\" because of references to it in "
            "trigger type restriction lists.\n");

  // Taken by a stream: as a stream foundation, then as a timeline's too.
  SUM_Stream dev = child("dev", zem_test::bl_list({b2, c2_init}));
  EXPECT_EQ(refusal(b2), "Cannot remove baseline that is the foundation for a stream.\n");
  made_in(dev, "d1");
  EXPECT_EQ(refusal(b2), "Cannot remove baseline that is the foundation for a timeline.\n");

  // Recommended by the integration stream, after both searches.
  SUM_Baseline b3 = made_in(integ, "b3");
  ASSERT_EQ(integ.set_recbls(zem_test::bl_list({b3, c2_init}), "", 0), 0);
  {
    ImsgCapture capture;
    int ok = -1;
    ASSERT_EQ(b3.ok_to_destroy(0, ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(capture.joined(IMSG_ERROR),
              "Cannot remove baseline \"b3@/pvob\" because it is recommended by "
              "streams ...\nStream \"integ@/pvob\" \n");
    EXPECT_EQ(capture.joined(IMSG_WARNING),
              "Searching PVOBs for baselines that depend upon baseline \"b3@/pvob\".  This may "
              "take a few minutes...\n\nSearching PVOBs to check if baseline \"b3@/pvob\" is "
              "recommended.\nThis may take a few minutes...\n");
  }
  EXPECT_TRUE(fails_with(1001,
                         "Cannot remove baseline \"b3@/pvob\" because it is recommended "
                         "by streams ...\nStream \"integ@/pvob\" \n",
                         [&] { return b3.destroy("gone"); }));

  // A composite depending on b5 keeps it, and is listed.
  SUM_Baseline b5 = made_in(integ, "b5");
  SUM_Baseline composite;
  ASSERT_EQ(SUM_Baseline::create_and_reorder(SUM_Timeline(pvob, c2.dbid()), "top",
                                             SUM_ActivityList(), zem_test::bl_list({b5}), "", 0, -1,
                                             SUM_TimelineEntryList(), composite),
            0);
  {
    ImsgCapture capture;
    int ok = -1;
    ASSERT_EQ(b5.ok_to_destroy(0, ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(capture.joined(IMSG_INFO),
              "Following baselines depend on baseline \"b5@/pvob\":\n    baseline:top@/pvob "
              "(component:c2@/pvob)\n");
    EXPECT_EQ(capture.texts(IMSG_WARNING).size(), 1u) << "no search for recommendations";
  }

  // Nothing holds b4: it goes, and the stream no longer lists it.
  SUM_Baseline b4 = made_in(integ, "b4");
  int ok = -1;
  ASSERT_EQ(b4.ok_to_destroy(0, ok), 0);
  EXPECT_EQ(ok, 1);
  ASSERT_EQ(b4.destroy("gone"), 0);
  EXPECT_TRUE(b4.is_null());
  SUM_Baseline found;
  EXPECT_NE(SUM_Baseline::construct_from_selector("baseline:b4@/pvob", SUM_Vob(), found), 0);
  SUM_BaselineList left;
  ASSERT_EQ(integ.baselines(left), 0);
  EXPECT_EQ(left, zem_test::bl_list({b1, b2, b3, b5}));
}

using BaselineRemovalTest = act_test::ActivityTest;

TEST_P(BaselineRemovalTest, ImportedLabelTypeOutlivesItsBaseline) {
  SUM_LabelType lbtype;
  ASSERT_EQ(SUM_LabelType::create(src, "REL1", "", lbtype), 0);
  SUM_Baseline imported;
  ASSERT_EQ(SUM_Baseline::create_import(lbtype, nullptr, comp, "", imported), 0);
  vob_vermap_info_t info;
  ASSERT_EQ(vob_vermap_get_info(src.handle(), lbtype.dbid(), &info), 0);

  ASSERT_EQ(imported.destroy("gone"), 0);
  EXPECT_EQ(vob_vermap_get_info(src.handle(), lbtype.dbid(), &info), 1002)
      << "an ordinary label type again";
  SUM_LabelType still;
  EXPECT_EQ(SUM_LabelType::construct_from_selector("lbtype:REL1@/src", SUM_Vob(), still), 0);
  EXPECT_EQ(still, lbtype);
}

INSTANTIATE_TEST_SUITE_P(BothForms, BaselineRemovalTest, ::testing::Values(8, 6),
                         zem_test::level_name);

INSTANTIATE_TEST_SUITE_P(BothForms, BaselineGraphTest, ::testing::Values(8, 6),
                         zem_test::level_name);

}  // namespace
