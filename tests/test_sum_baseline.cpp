// SUM_Baseline creation and naming in both storage forms: the recorded
// change sets, reordering of timeline entries, the refusals of creation, the
// naming template with its tokens and the shared date and time of a group,
// forced unique names, long names, corrupt templates, renaming, and the
// config spec selector of baselines without a version map.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/date.h"
#include "services/sysutl.h"
#include "services/vob_zem_baseline.h"
#include "sum/sum_policy.h"
#include "sum/sum_pvar.h"
#include "sum/sum_timeline.h"
#include "sum_activity_fixture.h"

namespace {

using act_test::fails_with;
using test_support::ImsgCapture;

// The seconds the test clock shows.
long g_now = 0;
void test_clock(date_timeval_t* tv) {
  tv->sec = g_now;
  tv->usec = 0;
}

// 2026-03-04 05:06:07 and 2027-08-09 10:11:12 (UTC; local texts are
// computed through the same formatter).
constexpr long kFirstTime = 1772600767;
constexpr long kSecondTime = 1817806272;

class BaselineTest : public act_test::ActivityTest {
 protected:
  void SetUp() override {
    ActivityTest::SetUp();
    ASSERT_EQ(integ.component_timeline(comp, timeline), 0);
    g_now = kFirstTime;
    date_set_clock(&test_clock);
  }
  void TearDown() override {
    date_set_clock(nullptr);
    SUM_Baseline::end_group_create();
    ActivityTest::TearDown();
  }

  // `activity` carrying its current count for the component.
  SUM_Activity counted(const SUM_Activity& activity) {
    SUM_ComponentList comps;
    SUM_ModCntList counts;
    EXPECT_EQ(activity.components_modcnts(comps, counts), 0);
    SUM_Activity copy(activity);
    if (counts.count() > 0)
      copy.set_mod_count(counts[0].count);
    return copy;
  }

  int make_bl(const char* name, SUM_Baseline& made, const SUM_ActivityList& acts = {}) {
    return SUM_Baseline::create_and_reorder(timeline, name, acts, SUM_BaselineList(), "made", 0, -1,
                                            SUM_TimelineEntryList(), made);
  }

  std::string name_of(const SUM_Baseline& baseline) {
    return test_support::text(baseline, &SUM_NamedObject::name);
  }

  void set_template(std::vector<const char*> tokens) {
    ASSERT_EQ(project.set_blname_template(tokens.data(), static_cast<int>(tokens.size()), "", 0),
              0);
  }

  int baselines_on_timeline() {
    SUM_BaselineList list;
    EXPECT_EQ(timeline.baselines(list), 0);
    return static_cast<int>(list.count());
  }

  SUM_Timeline timeline;
};

TEST_P(BaselineTest, CreationRecordsActivitiesWithTheirCounts) {
  SUM_Activity act = make("act");
  enter(act, add_file("a.txt", "one"), 0);
  enter(act, add_file("b.txt", "two"), 0);
  SUM_ActivityList acts;
  acts.append(counted(act));
  SUM_Baseline made;
  ASSERT_EQ(make_bl("b1", made, acts), 0);

  std::vector<vob_zem_baseline_cset_t> csets;
  ASSERT_EQ(vob_zem_baseline_get_cset_list(pvob.handle(), made.dbid(), csets), 0);
  ASSERT_EQ(csets.size(), 1u);
  EXPECT_EQ(csets[0].activity, act.dbid());
  EXPECT_EQ(csets[0].mod_count, 2);

  SUM_ActivityList back;
  ASSERT_EQ(made.change_sets(back), 0);
  ASSERT_EQ(back.count(), 1u);
  EXPECT_EQ(back[0], act);
  unsigned count = 0;
  ASSERT_EQ(back[0].mod_count(count), 0);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(test_support::out(made, &SUM_Baseline::is_import), 0);
}

TEST_P(BaselineTest, CreationRecordsTheMembersItDependsOn) {
  SUM_Vob lib(test_support::make_test_vob("/lib"));
  tbs_dbid_t lib_root = 0;
  ASSERT_EQ(vob_ob_get_wk_obj(lib.handle(), VOB_WK_ROOT_DIRECTORY, &lib_root), 0);
  SUM_Component lib_comp;
  ASSERT_EQ(SUM_Component::create(pvob, "lib", SUM_VobObject(lib, lib_root), nullptr, nullptr, "",
                                  lib_comp),
            0);
  SUM_Baseline lib_initial, composite;
  ASSERT_EQ(lib_comp.initial_baseline(lib_initial), 0);
  SUM_BaselineList members;
  members.append(lib_initial);
  ASSERT_EQ(SUM_Baseline::create_and_reorder(timeline, "composite", SUM_ActivityList(), members, "",
                                             0, -1, SUM_TimelineEntryList(), composite),
            0);
  SUM_BaselineList read;
  int unavailable = -1;
  ASSERT_EQ(composite.dependencies(read, unavailable), 0);
  EXPECT_EQ(unavailable, 0);
  ASSERT_EQ(read.count(), 1u);
  EXPECT_EQ(read[0], lib_initial);
  EXPECT_EQ(test_support::out(composite, &SUM_Baseline::has_dependencies), 1);
}

TEST_P(BaselineTest, CreationMovesTheGivenEntriesAfterTheNewOne) {
  SUM_Baseline first, second;
  ASSERT_EQ(make_bl("first", first), 0);
  SUM_TimelineEntryList entries;
  ASSERT_EQ(timeline.entries(entries), 0);
  ASSERT_EQ(entries.count(), 2u);
  SUM_TimelineEntry arc = entries[0];
  ASSERT_EQ(arc.kind(), SUM_TimelineEntry::FOUNDATION_ARC);

  SUM_TimelineEntryList reorder;
  reorder.append(arc);
  ASSERT_EQ(SUM_Baseline::create_and_reorder(timeline, "second", SUM_ActivityList(),
                                             SUM_BaselineList(), "", 0, 1, reorder, second),
            0);
  ASSERT_EQ(timeline.entries(entries), 0);
  ASSERT_EQ(entries.count(), 3u);
  EXPECT_EQ(entries[0].dbid(), second.dbid());
  EXPECT_EQ(entries[1].dbid(), arc.dbid());
  EXPECT_EQ(entries[1].kind(), SUM_TimelineEntry::FOUNDATION_ARC);
  EXPECT_EQ(entries[2].dbid(), first.dbid());

  // An entry that is not on the timeline makes nothing.
  SUM_TimelineEntryList stray;
  stray.append(SUM_TimelineEntry(timeline, 0, SUM_TimelineEntry::BASELINE, second.dbid() + 999));
  SUM_Baseline none;
  EXPECT_NE(SUM_Baseline::create_and_reorder(timeline, "third", SUM_ActivityList(),
                                             SUM_BaselineList(), "", 0, -1, stray, none),
            0);
  EXPECT_EQ(baselines_on_timeline(), 2);
}

TEST_P(BaselineTest, CreationNeedsRecordedCountsAndWarnsOfCheckouts) {
  SUM_Activity act = make("act");
  enter(act, add_file("a.txt", "one"), 0);
  SUM_ActivityList uncounted;
  uncounted.append(act);
  SUM_Baseline made;
  EXPECT_TRUE(fails_with(
      1001,
      "Activity \"" + std::string(act.any_fullname()) + "\" has no recorded modification count.\n",
      [&] { return make_bl("b1", made, uncounted); }));
  EXPECT_EQ(baselines_on_timeline(), 0);

  enter(act, checkout("a.txt", "busy"), 1);
  SUM_ActivityList acts;
  acts.append(counted(act));
  ImsgCapture capture;
  ASSERT_EQ(make_bl("b1", made, acts), 0);
  EXPECT_EQ(capture.joined(IMSG_WARNING), "Activity \"" + std::string(act.any_fullname()) +
                                              "\" (and possibly others) have checkouts.\n");
}

TEST_P(BaselineTest, ConfigSelectorOfBaselinesWithoutMap) {
  SUM_Baseline initial, made;
  ASSERT_EQ(comp.initial_baseline(initial), 0);
  EXPECT_EQ(test_support::text(initial, &SUM_Baseline::config_str), "/main/0");
  ASSERT_EQ(make_bl("b1", made), 0);
  SUM_String selector;
  EXPECT_TRUE(fails_with(1001,
                         "Could not update the config spec because the baseline, \"" +
                             std::string(made.any_fullname()) +
                             "\", does not appear to be labeled.\n",
                         [&] { return made.config_str(selector); }));
}

TEST_P(BaselineTest, BasenameTemplateAddsSuffixOnlyWhenTaken) {
  SUM_Baseline a, b;
  ASSERT_EQ(make_bl("rel", a), 0);
  ASSERT_EQ(make_bl("rel", b), 0);
  EXPECT_EQ(name_of(a), "rel");
  EXPECT_EQ(name_of(b), "rel.1");
  vob_zem_baseline_info_t info;
  ASSERT_EQ(vob_zem_baseline_get_info(pvob.handle(), b.dbid(), &info), 0);
  EXPECT_EQ(info.name_base, "rel");
}

TEST_P(BaselineTest, TemplateTokensExpandJoinedByUnderscores) {
  set_template({"project", "date", "time"});
  SUM_Baseline made;
  ASSERT_EQ(make_bl("ignored", made), 0);
  EXPECT_EQ(name_of(made), "proj_" + date_fmt_numeric_token(kFirstTime, DATE_TOKEN_DATE) + "_" +
                               date_fmt_numeric_token(kFirstTime, DATE_TOKEN_TIME));

  set_template({"basename", "user", "host", "stream", "component"});
  ASSERT_EQ(make_bl("rel", made), 0);
  EXPECT_EQ(name_of(made), "rel_vobadmin_" + sysutl_hostname() + "_integ_src");
}

TEST_P(BaselineTest, BaselinesOfOneGroupShareDateAndTime) {
  set_template({"basename", "date", "time"});
  std::string first_suffix = "_" + date_fmt_numeric_token(kFirstTime, DATE_TOKEN_DATE) + "_" +
                             date_fmt_numeric_token(kFirstTime, DATE_TOKEN_TIME);
  std::string second_suffix = "_" + date_fmt_numeric_token(kSecondTime, DATE_TOKEN_DATE) + "_" +
                              date_fmt_numeric_token(kSecondTime, DATE_TOKEN_TIME);
  SUM_Baseline a, b, c;
  SUM_Baseline::start_group_create();
  ASSERT_EQ(make_bl("a", a), 0);
  g_now = kSecondTime;
  ASSERT_EQ(make_bl("b", b), 0);
  SUM_Baseline::end_group_create();
  ASSERT_EQ(make_bl("c", c), 0);
  EXPECT_EQ(name_of(a), "a" + first_suffix);
  EXPECT_EQ(name_of(b), "b" + first_suffix);
  EXPECT_EQ(name_of(c), "c" + second_suffix);
}

TEST_P(BaselineTest, ForcedUniqueNamesRefuseATakenName) {
  zem_test::ScopedEnv force{"ZEM_FORCE_UNIQUE_BLNAME", "TRUE"};
  SUM_Baseline made, again;
  ASSERT_EQ(make_bl("rel", made), 0);
  EXPECT_EQ(name_of(made), "proj_rel_src_integ");
  EXPECT_TRUE(fails_with(1001, "Can't generate unique object name for \"proj_rel_src_integ\".\n",
                         [&] { return make_bl("rel", again); }));
  EXPECT_EQ(baselines_on_timeline(), 1);
}

TEST_P(BaselineTest, LongNamesAreCutWithAWarning) {
  std::string base(300, 'x');
  SUM_Baseline made;
  ImsgCapture capture;
  ASSERT_EQ(make_bl(base.c_str(), made), 0);
  EXPECT_EQ(name_of(made), std::string(235, 'x'));
  EXPECT_EQ(capture.joined(IMSG_WARNING),
            "Baseline name too long (maximum 235), it has been truncated.\n");
}

TEST_P(BaselineTest, CorruptTemplateCreatesNothing) {
  SUM_Policy corrupt(SUM_Policy::BASELINE_NAMING_TEMPLATE);
  ASSERT_EQ(corrupt.set_value("basename_weekday"), 0);
  SUM_PolicyList list;
  list.append(corrupt);
  SUM_String tree;
  ASSERT_EQ(SUM_Policy::write_tree(list, PVAR_ZEM_PROJ_POLICY_PROJECT_PVAR, tree), 0);
  ASSERT_EQ(project.set_pvar(PVAR_ZEM_PROJ_POLICY_PROJECT_PVAR, tree, 0, ""), 0);
  SUM_Baseline made;
  EXPECT_TRUE(fails_with(1001,
                         "Invalid token \"weekday\" encountered in baseline naming template.  The "
                         "template may be corrupt.  To reset the template use vantool chproject "
                         "-blname_template <baseline-naming-template>.\n",
                         [&] { return make_bl("rel", made); }));
  EXPECT_EQ(baselines_on_timeline(), 0);
}

TEST_P(BaselineTest, RenamingChecksTheName) {
  SUM_Baseline a, b;
  ASSERT_EQ(make_bl("a", a), 0);
  ASSERT_EQ(make_bl("b", b), 0);
  ASSERT_EQ(a.set_name("renamed", "new name"), 0);
  EXPECT_EQ(name_of(a), "renamed");
  EXPECT_EQ(test_support::text(a, &SUM_Baseline::title), "renamed");
  ImsgCapture capture;
  EXPECT_EQ(a.set_name("b", ""), 1001);
  EXPECT_EQ(a.set_name("bad name", ""), 1001);
  EXPECT_EQ(name_of(a), "renamed");
  ASSERT_EQ(sum_baseline_set_name("baseline:renamed@/pvob", "again", ""), 0);
  EXPECT_EQ(name_of(a), "again");
  // The title is the name: setting it renames, with the same checks.
  ASSERT_EQ(a.set_title("titled", ""), 0);
  EXPECT_EQ(name_of(a), "titled");
  EXPECT_EQ(a.set_title("b", ""), 1001);
  EXPECT_EQ(test_support::text(a, &SUM_Baseline::title), "titled");
  EXPECT_EQ(sum_baseline_set_name("baseline:missing@/pvob", "x", ""), 1002);
}

INSTANTIATE_TEST_SUITE_P(Forms, BaselineTest, ::testing::Values(8, 6), act_test::level_name);

}  // namespace
