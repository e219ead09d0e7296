// SUM_Activity in both storage forms (feature levels 8 and 6): creation in
// a stream with generated names, read-only streams, naming and titles,
// modification counts, the integration marker and its recorded baselines,
// the tracker link's consistency reports, and removal.
#include <gtest/gtest.h>

#include <string>

#include "services/vob_zem_activity.h"
#include "services/vob_zem_baseline.h"
#include "sum/sum_activity.h"
#include "sum/sum_baseline.h"
#include "sum/sum_component.h"
#include "sum/sum_project.h"
#include "sum/sum_pvar.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"
#include "sum/sum_tk_entity_id.h"
#include "sum/sum_utl_list_strings.h"
#include "sum/sum_version.h"
#include "sum/sum_view.h"
#include "sum_activity_fixture.h"

namespace {

using act_test::fails_with;
using act_test::out;
using act_test::text;

using ActivityTest = act_test::ActivityTest;

TEST_P(ActivityTest, TitlesGiveUniqueNamesAndNamesGiveTitles) {
  SUM_Activity first = make("", "Fix the crash on exit");
  SUM_Activity second = make("", "Fix the crash on exit");
  std::string a = text(first, &SUM_Activity::name);
  std::string b = text(second, &SUM_Activity::name);
  EXPECT_EQ(a, "Fix_the_crash_on_exit");
  EXPECT_EQ(b.rfind("Fix_the_crash_on_exit.", 0), 0u) << b;
  EXPECT_EQ(text(second, &SUM_Activity::title), "Fix the crash on exit");
  EXPECT_EQ(text(make("named"), &SUM_Activity::title), "named") << "no title: the name";
  EXPECT_EQ(out(first, &SUM_Activity::stream), integ);

  SUM_Activity none;
  EXPECT_TRUE(fails_with(1001, "The name is already in use.\n",
                         [&] { return integ.create_activity("named", "", "", none); }));
  EXPECT_TRUE(none.is_null());
}

TEST_P(ActivityTest, ReadOnlyStreamsRefuseActivitiesUnlessAllowed) {
  SUM_Activity made;
  EXPECT_TRUE(fails_with(1001, "Cannot make activity in read only stream \"ro\".\n",
                         [&] { return ro.create_activity("a1", "", "", made); }));
  int integration_allowed = fc() ? 0 : 1;  // only the activity-based form allows it
  EXPECT_EQ(ro.create_integration_activity("a2", "", "", made) == 0 ? 1 : 0, integration_allowed);
  int ok = fc() ? SUM_Activity::zem_create("a3", "", ro, 1, nullptr, "", made)
                : SUM_Activity::create("a3", "", ro, 1, nullptr, "", made);
  EXPECT_EQ(ok, 0) << "the allow flag";
  EXPECT_EQ(out(made, &SUM_Activity::stream), ro);
}

TEST_P(ActivityTest, RenameAndTitle) {
  SUM_Activity act = make("act", "first");
  make("other");
  EXPECT_TRUE(
      fails_with(1001, "The name is already in use.\n", [&] { return act.set_name("other", ""); }));
  EXPECT_EQ(act.set_name("renamed", "why", 1), 0);
  EXPECT_EQ(act.set_title("second", "", 0), 0);
  SUM_Activity again;
  ASSERT_EQ(SUM_Activity::construct_from_selector("activity:renamed@/pvob", SUM_Vob(), again), 0);
  EXPECT_EQ(text(again, &SUM_Activity::title), "second");
  EXPECT_EQ(sum_act_set_name(act.dbid(), pvob.handle(), "by_entry", ""), 0);
  EXPECT_EQ(text(act, &SUM_Activity::name), "by_entry");
}

TEST_P(ActivityTest, ModCountsOnHandleAndRepository) {
  SUM_Activity act = make("act");
  unsigned count = 0;
  EXPECT_EQ(act.mod_count(count), 1002) << "a fresh handle stores none";
  act.set_mod_count(1234);
  SUM_Activity copy(act);
  SUM_Activity assigned;
  assigned = copy;
  EXPECT_EQ(out(copy, &SUM_Activity::mod_count), 1234u);
  EXPECT_EQ(out(assigned, &SUM_Activity::mod_count), 1234u);
  EXPECT_EQ(out(act, &SUM_Activity::current_mod_count), 0u);
  EXPECT_EQ(SUM_Activity::convert(root).is_null(), 1) << "a folder is no activity";
}

TEST_P(ActivityTest, IntegrationMarker) {
  SUM_Activity act = make("deliver_act");
  int is = -1, in_progress = -1;
  ASSERT_EQ(act.is_integration_activity(is, in_progress), 0);
  EXPECT_EQ(is, 0);
  ASSERT_EQ(act.init_integration_act(""), 0);
  ASSERT_EQ(act.is_integration_activity(is, in_progress), 0);
  EXPECT_EQ(is + in_progress, 2);
  EXPECT_EQ(text(act, &SUM_Activity::integration_info), "ver=1\nstate=1\n");
  ASSERT_EQ(act.complete_integration_act(""), 0);
  ASSERT_EQ(act.is_integration_activity(is, in_progress), 0);
  EXPECT_EQ(is * 10 + in_progress, 10);

  ASSERT_EQ(act.set_integration_info("ver=2\nstate=0\n", ""), 0);
  EXPECT_TRUE(fails_with(1001,
                         "The current version of Korvane does not support the information stored "
                         "in the Integration Activity's PVAR.\n",
                         [&] { return act.is_integration_activity(is, in_progress); }));
  ASSERT_EQ(act.set_integration_info("ver=1\n", ""), 0);
  EXPECT_TRUE(fails_with(1001, "Integration activity PVAR is missing data.\n",
                         [&] { return act.is_integration_activity(is, in_progress); }));
}

TEST_P(ActivityTest, ContributingBaselinesFromTheRecord) {
  SUM_Activity plain = make("plain");
  SUM_BaselineList found;
  EXPECT_TRUE(fails_with(1001,
                         "Activity \"plain\" is not a deliver or rebase integration activity.\n",
                         [&] { return plain.contrib_baselines(found); }));
  SUM_Activity act = make("rebase_act");
  ASSERT_EQ(act.complete_integration_act(""), 0);
  EXPECT_TRUE(fails_with(
      1001,
      "Some files have been checked-in in one or more incomplete deliver/rebase "
      "integration activities on stream \"integ\".\n",
      [&] { return act.contrib_baselines(found); }, false));

  SUM_Baseline initial;
  ASSERT_EQ(SUM_Baseline::construct_from_selector("baseline:src_INITIAL@/pvob", SUM_Vob(), initial),
            0);
  SUM_BaselineList one;
  one.append(initial);
  SUM_String list;
  ASSERT_EQ(sum_utl_bllist2str(one, list), 0);
  std::string record = "<rebase><OLD_FOUND>" + std::string(list) +
                       "</OLD_FOUND><CONTRIB_BLS></CONTRIB_BLS></rebase>";
  ASSERT_EQ(act.set_pvar(PVAR_ZEM_GEN_ZEM_REBASE, record.c_str(), 0, ""), 0);
  ASSERT_EQ(act.old_found_baselines(found), 0);
  ASSERT_EQ(found.count(), 1u);
  EXPECT_EQ(found[0], initial);
  ASSERT_EQ(act.contrib_baselines(found), 0);
  EXPECT_EQ(found.count(), 0u);
  EXPECT_EQ(out(act, &SUM_Activity::contrib_delbybl), 0);

  ASSERT_EQ(
      act.set_pvar(PVAR_ZEM_GEN_ZEM_DELIVER,
                   "<deliver><CONTRIB_BLS>nonsense</CONTRIB_BLS><DELBYBL>1</DELBYBL></deliver>", 0,
                   ""),
      0);
  EXPECT_EQ(out(act, &SUM_Activity::contrib_delbybl), 1) << "the deliver record comes first";
  EXPECT_TRUE(fails_with(
      1001, "Unable to determine baseline list for integration activity \"rebase_act\".\n",
      [&] { return act.contrib_baselines(found); }, false));
}

TEST_P(ActivityTest, HalfSetTrackerLinkIsReportedByEveryLinkOperation) {
  SUM_Activity act = make("linked");
  ASSERT_EQ(act.set_pvar(BRELT_ACT_ENTITYDEF_NAME_PVAR, "defect", 0, ""), 0);
  const std::string report =
      "Could not perform requested operation: a ZEM/Tarsen data\ninconsistency may exist:\n"
      "   Activity \"linked\" has inconsistent linking.\n"
      "Please repair this inconsistency.\n";
  int linked = -1;
  SUM_TKEntityID record("db", "defect", "D1");
  EXPECT_TRUE(fails_with(1001, report, [&] { return act.is_tk_enabled(linked, 0); }));
  EXPECT_TRUE(fails_with(1001, report, [&] { return act.clear_tk_enabled(0); }));
  EXPECT_TRUE(fails_with(1001, report, [&] { return act.set_tk_enabled(record, 0); }));
  EXPECT_TRUE(fails_with(1001, report, [&] { return act.bound_tk_entity_id(record, 0); }));
  SUM_View none;
  EXPECT_TRUE(fails_with(1001, report, [&] { return act.destroy(none, ""); }));
  EXPECT_FALSE(act.is_null()) << "a refused removal keeps the handle";
}

TEST_P(ActivityTest, TrackerLinkAgainstTheProject) {
  SUM_Activity act = make("task");
  SUM_TKEntityID record("TrackDB", "defect", "D42");
  EXPECT_TRUE(
      fails_with(1001,
                 "Could not perform requested operation: a ZEM/Tarsen data\ninconsistency "
                 "may exist:\n   Activity \"task\" cannot be linked, its project (\"proj\")\n"
                 "   is not Tarsen-enabled.\nPlease repair this inconsistency.\n",
                 [&] { return act.set_tk_enabled(record, 1); }));
  ASSERT_EQ(act.set_tk_enabled(record, 0), 0);
  int linked = -1;
  ASSERT_EQ(act.is_tk_enabled(linked, 0), 0);
  EXPECT_EQ(linked, 1);
  EXPECT_TRUE(fails_with(
      1001, "   Activity \"task\" is linked, but its project (\"proj\")\n",
      [&] { return act.is_tk_enabled(linked, 1); }, false));
  ASSERT_EQ(act.clear_tk_enabled(1), 0);
  EXPECT_TRUE(fails_with(
      1001, "   Activity \"task\" cannot be unlinked, it already is.\n",
      [&] { return act.clear_tk_enabled(0); }, false));

  // A suspended project marks the activities it changes.
  ASSERT_EQ(project.set_pvar(BRELT_PROJ_ENTITYDEF_NAME_PVAR, "defect", 0, ""), 0);
  ASSERT_EQ(project.set_pvar(BRELT_PROJ_ENABLED_SUSPENDED_PVAR, "EnabledButSuspended", 0, ""), 0);
  EXPECT_EQ(out(act, &SUM_Activity::modified_while_TK_suspended), 0);
  ASSERT_EQ(act.set_title("changed", "", 0), 0);
  EXPECT_EQ(out(act, &SUM_Activity::modified_while_TK_suspended), 1);
  EXPECT_EQ(out(make("made_while_suspended"), &SUM_Activity::modified_while_TK_suspended), 1);
  ASSERT_EQ(act.unset_modified_while_TK_suspended(), 0);
  EXPECT_EQ(out(act, &SUM_Activity::modified_while_TK_suspended), 0);
}

TEST_P(ActivityTest, RemovalRefusals) {
  SUM_Activity act = make("busy");
  SUM_Activity other = make("other");
  tbs_dbid_t version = add_file("a.txt", "one");
  enter(act, version, 0);
  SUM_View none;
  EXPECT_TRUE(fails_with(1001, "Cannot remove an activity with versions in its change set.\n",
                         [&] { return act.destroy(none, ""); }));
  ASSERT_EQ(act.move_change_set_version(SUM_Version(src, version), other, "work", "away"), 0);
  ASSERT_EQ(out(act, &SUM_Activity::components).count(), 1u) << "the component stays touched";

  // The stream's latest baseline of the component lists the activity.
  SUM_Timeline timeline;
  ASSERT_EQ(integ.component_timeline_autocreate(comp, timeline), 0);
  vob_zem_baseline_spec_t spec;
  spec.name = "with_busy";
  spec.component = comp.dbid();
  spec.timeline = timeline.dbid();
  spec.csets = {{act.dbid(), 1}};
  vob_event_info_t event;
  tbs_dbid_t baseline = 0;
  ASSERT_EQ(vob_zem_baseline_create(pvob.handle(), spec, &event, &baseline), 0);
  EXPECT_TRUE(fails_with(1001, "Activity \"busy\" is included in a baseline.\n",
                         [&] { return act.destroy(none, ""); }));

  SUM_Activity idle = make("idle");
  tbs_dbid_t dbid = idle.dbid();
  ASSERT_EQ(idle.destroy(none, "done"), 0);
  EXPECT_TRUE(idle.is_null());
  EXPECT_TRUE(SUM_Activity::convert(SUM_VobObject(pvob, dbid)).is_null());
}

TEST_P(ActivityTest, ViewSide) {
  SUM_Activity act = make("act");
  SUM_Activity other = make("other");
  SUM_View found;
  EXPECT_EQ(act.current_view(found), 1002);
  EXPECT_EQ(act.name_resolver_view(found), 1002) << "no view is attached to the stream";
  SUM_Uuid uuid;
  ASSERT_EQ(view.uuid(uuid), 0);
  ASSERT_EQ(integ.add_view(uuid, ""), 0);
  EXPECT_EQ(act.name_resolver_view(found), 0);
  EXPECT_EQ(found, view) << "the stream's view";

  ASSERT_EQ(act.set_activity(view, "", 0), 0);
  EXPECT_EQ(act.current_view(found), 0);
  EXPECT_EQ(found, view);
  EXPECT_EQ(act.start_work(view, ""), 0) << "already current: nothing to do";
  ASSERT_EQ(other.start_work(view, ""), 0);
  EXPECT_EQ(act.current_view(found), 1002);
  ASSERT_EQ(other.unset_from_all_views(""), 0);
  EXPECT_EQ(other.current_view(found), 1002);
  SUM_Activity current;
  ASSERT_EQ(view.current_activity(current), 0);
  EXPECT_TRUE(current.is_null());
}

INSTANTIATE_TEST_SUITE_P(Forms, ActivityTest, ::testing::Values(8, 6), act_test::level_name);

}  // namespace
