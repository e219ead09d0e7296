// Project and stream operations callers reach by name, in both storage forms
// (feature levels 8 and 6): the project's integration stream record, its
// streams and development streams, recommended foundations, a stream's
// child streams, activities, per-component baselines, and a timeline's
// baseline index.
#include <gtest/gtest.h>

#include <string>

#include "sum/sum_activity.h"
#include "sum/sum_baseline.h"
#include "sum/sum_component.h"
#include "sum/sum_folder.h"
#include "sum/sum_foundation.h"
#include "sum/sum_hash_tab.h"
#include "sum/sum_policy.h"
#include "sum/sum_project.h"
#include "sum/sum_pvar.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"
#include "sum_pvob_fixture.h"
#include "support/checks.h"

namespace {

using test_support::fails_with;
using test_support::out;

class ProjectStreamOpsTest : public zem_test::ProjectLevelTest {
 protected:
  SUM_Stream make(const char* name, const SUM_Stream& parent, int integration,
                  const SUM_BaselineList& foundation = SUM_BaselineList(),
                  const SUM_Project* in = nullptr, int read_only = 0) {
    SUM_Stream made;
    EXPECT_EQ(SUM_Stream::create(name, "", in ? *in : project, parent, "", integration, read_only,
                                 foundation, made),
              0)
        << name;
    return made;
  }
  std::string recorded_integration() {
    SUM_String value;
    EXPECT_EQ(project.pvar(PVAR_ZEM_PROJ_SUM_PROJ_INT_STREAM, value), 0);
    return static_cast<const char*>(value);
  }
};

// ---- SUM_Project ----------------------------------------------------------------------

TEST_P(ProjectStreamOpsTest, ProjectNamesItsIntegrationStream) {
  SUM_Stream found;
  EXPECT_EQ(project.default_integration_stream(found), 1002) << "no integration stream yet";
  SUM_Stream integ = make("integ", SUM_Stream(), 1);
  EXPECT_EQ(out(project, &SUM_Project::default_integration_stream), integ);
  EXPECT_EQ(project.set_default_integration_stream(integ, 0, ""), 0) << "the same stream again";
  EXPECT_EQ(recorded_integration(), univ(integ));
}

TEST_P(ProjectStreamOpsTest, OnlyAnIntegrationStreamOfTheProjectIsRecorded) {
  SUM_Stream integ = make("integ", SUM_Stream(), 1);
  SUM_Stream dev = make("dev", integ, 0);
  SUM_Project other;
  ASSERT_EQ(SUM_Project::create("other", "", root, "", 0, other), 0);
  SUM_Stream foreign = make("foreign", SUM_Stream(), 1, SUM_BaselineList(), &other);

  EXPECT_TRUE(fails_with(
      1001, "Stream \"dev@/pvob\" is not an integration stream of project \"proj@/pvob\".\n",
      [&] { return project.set_default_integration_stream(dev, 1, ""); }));
  EXPECT_TRUE(fails_with(
      1001, "Stream \"foreign@/pvob\" is not an integration stream of project \"proj@/pvob\".\n",
      [&] { return project.set_default_integration_stream(foreign, 1, ""); }));
  EXPECT_EQ(recorded_integration(), univ(integ)) << "refusals leave the record";
  EXPECT_EQ(project.set_default_integration_stream(SUM_Stream(), 1, ""), 1072);
}

TEST_P(ProjectStreamOpsTest, ReplacingTheRecordNeedsTheReplaceFlag) {
  SUM_Stream integ = make("integ", SUM_Stream(), 1);
  SUM_Stream dev = make("dev", integ, 0);
  // A record that names another stream (as after a damaged update).
  ASSERT_EQ(project.set_pvar(PVAR_ZEM_PROJ_SUM_PROJ_INT_STREAM, univ(dev).c_str(), 103, ""), 0);
  EXPECT_TRUE(fails_with(1001, "Project already has a default integration stream\n",
                         [&] { return project.set_default_integration_stream(integ, 0, ""); }));
  EXPECT_EQ(recorded_integration(), univ(dev));
  ASSERT_EQ(project.set_default_integration_stream(integ, 1, "repair"), 0);
  EXPECT_EQ(out(project, &SUM_Project::default_integration_stream), integ);

  // A lost record is written again without the flag.
  ASSERT_EQ(project.set_pvar(PVAR_ZEM_PROJ_SUM_PROJ_INT_STREAM, "", 103, ""), 0);
  SUM_Stream found;
  EXPECT_EQ(project.default_integration_stream(found), 1002);
  ASSERT_EQ(project.set_default_integration_stream(integ, 0, ""), 0);
  EXPECT_EQ(out(project, &SUM_Project::default_integration_stream), integ);
}

TEST_P(ProjectStreamOpsTest, ProjectListsItsStreamsAndDevelopmentStreams) {
  EXPECT_EQ(out(project, &SUM_Project::has_devstreams), 0);
  EXPECT_EQ(out(project, &SUM_Project::streams).count(), 0u);
  SUM_Stream integ = make("integ", SUM_Stream(), 1);
  EXPECT_EQ(out(project, &SUM_Project::has_devstreams), 0) << "the integration stream is no dev";
  SUM_Stream dev = make("dev", integ, 0);
  SUM_Stream sub = make("sub", dev, 0);
  EXPECT_EQ(out(project, &SUM_Project::streams), zem_test::stream_list({integ, dev, sub}));
  EXPECT_EQ(out(project, &SUM_Project::devstreams), zem_test::stream_list({dev, sub}));
  EXPECT_EQ(out(project, &SUM_Project::has_devstreams), 1);
}

TEST_P(ProjectStreamOpsTest, RecommendedFoundationsOfProjectAndStream) {
  SUM_Stream integ = make("integ", SUM_Stream(), 1, zem_test::bl_list({c1_init, c2_init}));
  SUM_Baseline made = made_in(integ, c1, "integ_bl");
  ASSERT_EQ(integ.set_recbls(zem_test::bl_list({made, c2_init}), "", 1), 0);

  SUM_Foundation of_project, of_stream;
  ASSERT_EQ(project.rec_foundation(of_project), 0);
  ASSERT_EQ(integ.rec_foundation(of_stream), 0);
  EXPECT_EQ(out(of_project, &SUM_Foundation::closure), zem_test::bl_list({made, c2_init}));
  EXPECT_EQ(out(of_stream, &SUM_Foundation::closure), zem_test::bl_list({made, c2_init}));

  // Without an integration stream nothing is recommended.
  SUM_Project empty;
  ASSERT_EQ(SUM_Project::create("empty", "", root, "", 0, empty), 0);
  SUM_Foundation none;
  ASSERT_EQ(empty.rec_foundation(none), 0);
  EXPECT_EQ(out(none, &SUM_Foundation::closure).count(), 0u);
}

// ---- SUM_Stream -----------------------------------------------------------------------

TEST_P(ProjectStreamOpsTest, StreamKnowsItsKindAndProjectModel) {
  SUM_Stream integ = make("integ", SUM_Stream(), 1);
  SUM_Stream dev = make("dev", integ, 0);
  EXPECT_EQ(out(integ, &SUM_Stream::is_integration_stream), 1);
  EXPECT_EQ(out(dev, &SUM_Stream::is_integration_stream), 0);
  EXPECT_EQ(out(dev, &SUM_Stream::is_in_single_stream_project), 0);

  SUM_Project solo;
  ASSERT_EQ(SUM_Project::create("solo", "", root, "", 1, solo), 0);
  SUM_Stream only = make("only", SUM_Stream(), 1, SUM_BaselineList(), &solo);
  EXPECT_EQ(out(only, &SUM_Stream::is_in_single_stream_project), 1);
}

TEST_P(ProjectStreamOpsTest, StreamRenamedBySelector) {
  SUM_Stream integ = make("integ", SUM_Stream(), 1);
  ASSERT_EQ(sum_stream_set_name("stream:integ@/pvob", "main_line", "renamed"), 0);
  EXPECT_EQ(test_support::text(integ, &SUM_Stream::name), "main_line");
  SUM_Stream dev = make("dev", integ, 0);
  EXPECT_TRUE(fails_with(1001, "The name is already in use.\n",
                         [&] { return sum_stream_set_name("stream:dev@/pvob", "main_line", ""); }));
  EXPECT_EQ(test_support::text(dev, &SUM_Stream::name), "dev");
  EXPECT_NE(sum_stream_set_name("stream:nosuch@/pvob", "x", ""), 0);
  EXPECT_EQ(sum_stream_set_name(nullptr, "x", ""), 1072);
}

TEST_P(ProjectStreamOpsTest, StreamListsChildStreamsDirectOrAtAnyDepth) {
  SUM_Stream integ = make("integ", SUM_Stream(), 1);
  SUM_Stream dev = make("dev", integ, 0);
  SUM_Stream sub = make("sub", dev, 0);
  SUM_Stream ro = make("ro", integ, 0, SUM_BaselineList(), nullptr, 1);
  SUM_StreamList found;
  ASSERT_EQ(integ.streams(found, 0), 0);
  EXPECT_EQ(found, zem_test::stream_list({dev, ro}));
  ASSERT_EQ(integ.streams(found, 1), 0);
  EXPECT_EQ(found, zem_test::stream_list({dev, sub, ro}));
  ASSERT_EQ(sub.streams(found, 1), 0);
  EXPECT_EQ(found.count(), 0u);
}

TEST_P(ProjectStreamOpsTest, StreamListsItsActivities) {
  SUM_Stream integ = make("integ", SUM_Stream(), 1);
  SUM_Stream dev = make("dev", integ, 0);
  EXPECT_EQ(out(dev, &SUM_Stream::has_activities), 0);
  EXPECT_EQ(out(dev, &SUM_Stream::activities).count(), 0u);
  SUM_Activity first, second;
  ASSERT_EQ(dev.create_activity("fix1", "", "", first), 0);
  ASSERT_EQ(dev.create_activity("fix2", "", "", second), 0);
  EXPECT_EQ(out(dev, &SUM_Stream::has_activities), 1);
  SUM_ActivityList list = out(dev, &SUM_Stream::activities);
  ASSERT_EQ(list.count(), 2u);
  EXPECT_EQ(list[0], first);
  EXPECT_EQ(list[1], second);
  EXPECT_EQ(out(integ, &SUM_Stream::has_activities), 0) << "the parent holds none of them";
}

TEST_P(ProjectStreamOpsTest, PerComponentBaselinesOfAStream) {
  SUM_Stream integ = make("integ", SUM_Stream(), 1, zem_test::bl_list({c1_init, c2_init}));
  SUM_BaselineList found;
  ASSERT_EQ(integ.baselines_util(0, found), 0);
  EXPECT_EQ(found, zem_test::bl_list({c1_init, c2_init}));
  ASSERT_EQ(integ.baselines_util(1, found), 0);
  EXPECT_EQ(found.count(), 0u) << "nothing made in the stream yet";

  SUM_Baseline first = made_in(integ, c1, "first");
  SUM_Baseline second = made_in(integ, c1, "second");
  ASSERT_EQ(integ.baselines_util(1, found), 0);
  EXPECT_EQ(found, zem_test::bl_list({second}));
  EXPECT_EQ(integ.baselines_util(2, found), 1072);
  (void)first;

  SUM_Baseline target;
  ASSERT_EQ(integ.uses_baseline_util(c2, target), 0);
  EXPECT_EQ(target, c2_init);
  EXPECT_EQ(integ.uses_baseline_util(rootless("c3"), target), 1002);
}

SUM_Stream::Settings target_settings(const char* target) {
  SUM_Stream::Settings settings;
  settings.deliver_target = target;
  return settings;
}

TEST_P(ProjectStreamOpsTest, ExtendedCreationRefusesATargetForADevelopmentStream) {
  SUM_Stream integ = make("integ", SUM_Stream(), 1);
  SUM_Stream made;
  EXPECT_TRUE(
      fails_with(1001, "Cannot set default deliver target of a non-integration stream.\n", [&] {
        return SUM_Stream::create_extended("dev", "", project, integ, "", 0, 0,
                                           target_settings("integ@/pvob"), made);
      }));
  SUM_Stream found;
  EXPECT_NE(SUM_Stream::construct_from_selector("stream:dev@/pvob", SUM_Vob(), found), 0)
      << "nothing made";
}

TEST_P(ProjectStreamOpsTest, ExtendedCreationSetsTheDeliverTargetOrWarns) {
  SUM_Project other;
  ASSERT_EQ(SUM_Project::create("other", "", root, "", 0, other), 0);
  SUM_Stream target = make("target", SUM_Stream(), 1, SUM_BaselineList(), &other);

  SUM_Stream integ;
  ASSERT_EQ(SUM_Stream::create_extended("integ", "", project, SUM_Stream(), "", 1, 0,
                                        target_settings("stream:target@/pvob"), integ),
            0);
  EXPECT_EQ(out(integ, &SUM_Stream::deliver_stream), target);
  EXPECT_EQ(out(project, &SUM_Project::default_integration_stream), integ);

  SUM_Project lost;
  ASSERT_EQ(SUM_Project::create("lost", "", root, "", 0, lost), 0);
  test_support::ImsgCapture capture;
  SUM_Stream made;
  ASSERT_EQ(SUM_Stream::create_extended("lost_integ", "", lost, SUM_Stream(), "", 1, 0,
                                        target_settings("stream:nosuch@/pvob"), made),
            0);
  EXPECT_EQ(capture.joined(IMSG_WARNING),
            "Unable to set the default deliver stream to \"stream:nosuch@/pvob\".\n");
  SUM_Stream none;
  EXPECT_EQ(made.deliver_stream(none), 1002);
}

TEST_P(ProjectStreamOpsTest, ExtendedCreationIgnoresATargetInASingleStreamProject) {
  SUM_Project solo;
  ASSERT_EQ(SUM_Project::create("solo", "", root, "", 1, solo), 0);
  SUM_Stream other = make("elsewhere", SUM_Stream(), 1);
  test_support::ImsgCapture capture;
  SUM_Stream only;
  ASSERT_EQ(SUM_Stream::create_extended("only", "", solo, SUM_Stream(), "", 1, 0,
                                        target_settings("stream:elsewhere@/pvob"), only),
            0);
  EXPECT_EQ(capture.joined(IMSG_WARNING),
            "Project model for project \"solo@/pvob\" does not allow alternate deliver "
            "stream.\n");
  SUM_Stream none;
  EXPECT_EQ(only.deliver_stream(none), 1002);
  (void)other;
}

TEST_P(ProjectStreamOpsTest, ExtendedCreationAppliesPolicyKeys) {
  SUM_Stream integ = make("integ", SUM_Stream(), 1);
  SUM_Stream::Settings settings;
  settings.enable_keys.append("POLICY_DELIVER_REQUIRE_REBASE");
  SUM_Stream dev;
  ASSERT_EQ(SUM_Stream::create_extended("dev", "", project, integ, "", 0, 0, settings, dev), 0);
  SUM_String value;
  ASSERT_EQ(dev.policy(SUM_Policy::DELIVER_REQUIRE_REBASE, value), 0);
  EXPECT_STREQ(value, "ENABLED");

  // A read-only stream is made without them, after a warning.
  test_support::ImsgCapture capture;
  SUM_Stream ro;
  ASSERT_EQ(SUM_Stream::create_extended("ro", "", project, integ, "", 0, 1, settings, ro), 0);
  EXPECT_EQ(capture.joined(IMSG_WARNING),
            "Cannot set the policy for read only stream \"ro@/pvob\".\n");
  ASSERT_EQ(ro.policy(SUM_Policy::DELIVER_REQUIRE_REBASE, value), 0);
  EXPECT_STREQ(value, "DISABLED");
}

// ---- SUM_Timeline ---------------------------------------------------------------------

TEST_P(ProjectStreamOpsTest, TimelineIndexesItsBaselineEntries) {
  SUM_Stream integ = make("integ", SUM_Stream(), 1, zem_test::bl_list({c1_init}));
  SUM_Baseline first = made_in(integ, c1, "first");
  SUM_Baseline second = made_in(integ, c1, "second");
  SUM_Timeline timeline;
  ASSERT_EQ(integ.component_timeline(c1, timeline), 0);
  SUM_HashTab<SUM_Baseline, int> index(32);
  index.enter(c2_init, 7);  // cleared by the call
  ASSERT_EQ(timeline.baseline_index(index), 0);
  SUM_TimelineEntryList entries = out(timeline, &SUM_Timeline::entries);
  ASSERT_NE(index.lookup(first), nullptr);
  ASSERT_NE(index.lookup(second), nullptr);
  EXPECT_EQ(entries[*index.lookup(first)].dbid(), first.dbid());
  EXPECT_EQ(entries[*index.lookup(second)].dbid(), second.dbid());
  EXPECT_LT(*index.lookup(first), *index.lookup(second));
  EXPECT_EQ(index.lookup(c1_init), nullptr) << "a foundation arc is no baseline entry";
  EXPECT_EQ(index.lookup(c2_init), nullptr);

  SUM_Timeline main;
  ASSERT_EQ(c1.main_timeline(main), 0);
  ASSERT_EQ(main.baseline_index(index), 0);
  ASSERT_NE(index.lookup(c1_init), nullptr);
  EXPECT_EQ(*index.lookup(c1_init), 0);
}

INSTANTIATE_TEST_SUITE_P(BothForms, ProjectStreamOpsTest, ::testing::Values(8, 6),
                         zem_test::level_name);

}  // namespace
