// Virtual configurations of streams in both storage forms: realizing them as
// baselines (activities and their counts, foundation reuse and its switch,
// read-only streams, members before composites), configurations of chosen
// activities, configurations starting from the newest baselines, and
// unrecorded changes.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "sum/sum_virtual_baseline.h"
#include "sum_activity_fixture.h"

namespace {

using act_test::ActivityTest;
using test_support::fails_with;
using test_support::ImsgCapture;

class VirtualBaselineTest : public ActivityTest {
 protected:
  // An activity of `stream` holding `files` new files of the component.
  SUM_Activity changed(const SUM_Stream& stream, const char* name, int files) {
    SUM_Activity act;
    EXPECT_EQ(stream.create_activity(name, "", "made", act), 0) << name;
    for (int i = 0; i < files; ++i)
      enter(act, add_file(std::string(name) + "_" + std::to_string(i), "x"), 0);
    return act;
  }
  SUM_VirtualConfig config_of(const SUM_Stream& stream) {
    SUM_VirtualConfig config;
    int interrupted = -1;
    EXPECT_EQ(SUM_VirtualConfig::construct(stream, nullptr, config, interrupted), 0);
    EXPECT_EQ(interrupted, 0);
    return config;
  }
  // Realizes every component of `config`; `created` gets the flags.
  SUM_BaselineList realize_all(SUM_VirtualConfig config, std::vector<int>& created,
                               int identical = 0) {
    SUM_BaselineList made;
    EXPECT_EQ(config.realize("rel", "made", SUM_ComponentList(), identical, made, created), 0);
    return made;
  }
  // The activities a baseline records, with their counts, as "name:count".
  std::vector<std::string> recorded(const SUM_Baseline& b) {
    SUM_ActivityList acts;
    EXPECT_EQ(b.change_sets(acts), 0);
    std::vector<std::string> found;
    for (unsigned i = 0; i < acts.count(); ++i) {
      unsigned count = 0;
      EXPECT_EQ(acts[i].mod_count(count), 0);
      found.push_back(std::string(acts[i].any_name()) + ":" + std::to_string(count));
    }
    return found;
  }
  int unrecorded(const SUM_Stream& stream) {
    SUM_VirtualBaseline vbl;
    EXPECT_EQ(config_of(stream).virtual_baseline(comp, vbl), 0);
    int result = -1;
    EXPECT_EQ(vbl.has_unrecorded_changes(result), 0);
    return result;
  }
  SUM_Baseline initial() {
    SUM_Baseline b;
    EXPECT_EQ(SUM_Baseline::construct_from_selector("baseline:src_INITIAL@/pvob", SUM_Vob(), b), 0);
    return b;
  }
};

TEST_P(VirtualBaselineTest, NewActivityMakesOneBaselineWithItsCount) {
  SUM_Activity act = changed(integ, "fix", 2);
  EXPECT_EQ(unrecorded(integ), 1);
  std::vector<int> created;
  SUM_BaselineList made = realize_all(config_of(integ), created);
  ASSERT_EQ(made.count(), 1u);
  EXPECT_EQ(created, std::vector<int>{1});
  EXPECT_EQ(std::string(made[0].any_name()), "rel@/pvob");
  EXPECT_EQ(recorded(made[0]), std::vector<std::string>{"fix@/pvob:2"});
  SUM_Baseline latest;
  ASSERT_EQ(integ.baseline_util(comp, 1, latest), 0);
  EXPECT_EQ(latest, made[0]);
  SUM_Baseline pred;
  ASSERT_EQ(made[0].nearest_predecessor(pred), 0);
  EXPECT_EQ(pred, initial());

  // Real and virtual baselines answer alike.
  SUM_VirtualBaseline vbl;
  ASSERT_EQ(config_of(integ).virtual_baseline(comp, vbl), 0);
  for (const SUM_BaselineVR& either : {SUM_BaselineVR(made[0]), SUM_BaselineVR(vbl)}) {
    SUM_Component of;
    SUM_Stream in;
    SUM_ActivityList acts;
    ASSERT_EQ(either.component(of), 0);
    ASSERT_EQ(either.stream(in), 0);
    ASSERT_EQ(either.change_sets(acts), 0);
    EXPECT_EQ(of, comp);
    EXPECT_EQ(in, integ);
    ASSERT_EQ(acts.count(), 1u);
    EXPECT_EQ(acts[0].dbid(), act.dbid());
  }
  SUM_Component none;
  EXPECT_EQ(SUM_BaselineVR().component(none), 1072);

  // Recorded now; a further version of the same activity is not.
  EXPECT_EQ(unrecorded(integ), 0);
  enter(act, add_file("later", "y"), 0);
  EXPECT_EQ(unrecorded(integ), 1);
  made = realize_all(config_of(integ), created);
  ASSERT_EQ(made.count(), 1u);
  EXPECT_EQ(recorded(made[0]), std::vector<std::string>{"fix@/pvob:3"});
  EXPECT_EQ(std::string(made[0].any_name()), "rel.1@/pvob");
}

TEST_P(VirtualBaselineTest, NothingNewReusesTheFoundationUnlessSwitchedOff) {
  std::vector<int> created;
  SUM_BaselineList made = realize_all(config_of(integ), created);
  ASSERT_EQ(made.count(), 1u);
  EXPECT_EQ(made[0], initial());
  EXPECT_EQ(created, std::vector<int>{0});
  SUM_BaselineList in_stream;
  ASSERT_EQ(integ.baselines(in_stream), 0);
  EXPECT_EQ(in_stream.count(), 0u) << "nothing was created";

  {
    zem_test::ScopedEnv off{"KORVA_DISABLE_FDN_REUSE", "TRUE"};
    made = realize_all(config_of(integ), created);
    ASSERT_EQ(made.count(), 1u);
    EXPECT_EQ(created, std::vector<int>{1});
    EXPECT_NE(made[0], initial());
  }
  {
    zem_test::ScopedEnv other{"KORVA_DISABLE_FDN_REUSE", "yes"};
    made = realize_all(config_of(integ), created, 1);
    EXPECT_EQ(created, std::vector<int>{1}) << "identical always makes one";
  }
  ASSERT_EQ(integ.baselines(in_stream), 0);
  EXPECT_EQ(in_stream.count(), 2u);
}

TEST_P(VirtualBaselineTest, NothingSinceTheNewestBaselineGivesThatBaseline) {
  changed(integ, "work", 1);
  std::vector<int> created;
  SUM_BaselineList first = realize_all(config_of(integ), created);
  ASSERT_EQ(created, std::vector<int>{1});

  SUM_BaselineList again = realize_all(config_of(integ), created);
  EXPECT_EQ(again, first) << "the newest baseline already records every change";
  EXPECT_EQ(created, std::vector<int>{0});
  again = realize_all(config_of(integ), created, 1);
  EXPECT_EQ(created, std::vector<int>{1}) << "unless an identical one is asked for";
  EXPECT_NE(again, first);

  changed(integ, "more", 1);
  again = realize_all(config_of(integ), created);
  EXPECT_EQ(created, std::vector<int>{1}) << "a new change makes a new baseline";
}

TEST_P(VirtualBaselineTest, ChosenActivitiesOnlyAndFromOneStream) {
  SUM_Activity first = changed(integ, "first", 1);
  changed(integ, "second", 2);
  SUM_ActivityList chosen(1);
  chosen[0] = first;
  SUM_VirtualConfig config;
  ASSERT_EQ(SUM_VirtualConfig::construct_from_acts(integ, chosen, config), 0);
  {
    ImsgCapture capture;
    ASSERT_EQ(config.add_acts(chosen, 0), 0);
    EXPECT_EQ(capture.joined(IMSG_WARNING),
              "Activity \"first@/pvob\" has not changed since last baseline.\n");
  }
  std::vector<int> created;
  SUM_BaselineList made = realize_all(config, created);
  ASSERT_EQ(made.count(), 1u);
  EXPECT_EQ(recorded(made[0]), std::vector<std::string>{"first@/pvob:1"});

  SUM_BaselineList foundation(1);
  foundation[0] = initial();
  SUM_Stream dev;
  ASSERT_EQ(SUM_Stream::create("dev", "", project, integ, "", 0, 0, foundation, dev), 0);
  chosen.append(changed(dev, "elsewhere", 1));
  EXPECT_TRUE(fails_with(1001, "All activities must be in same stream.\n", [&] {
    return SUM_VirtualConfig::construct_from_acts(integ, chosen, config);
  }));
}

// What the progress callback of a test sees and does.
struct ProgressProbe {
  std::vector<std::string> texts;
  int stop_at = -1;                     // operation to answer "stop" to
  std::function<void()> on_change_set;  // run at each change set
  static void report(const SUM_ProgressCB& cb, int& answer) {
    auto* probe = static_cast<ProgressProbe*>(cb.cd);
    probe->texts.push_back(static_cast<const char*>(*cb.message));
    if (cb.operation == SUM_ProgressCB::PREPARE_CHANGE_SET && probe->on_change_set)
      probe->on_change_set();
    answer = cb.operation == probe->stop_at ? 1 : 0;
  }
};

TEST_P(VirtualBaselineTest, FromLatestBaselinesThenSelectedActivities) {
  SUM_VirtualConfig config;
  int interrupted = -1;
  SUM_VirtualBaseline vbl;
  SUM_ActivityList held;
  ASSERT_EQ(SUM_VirtualConfig::construct_from_latest_baselines(integ, nullptr, config, interrupted),
            0);
  ASSERT_EQ(config.virtual_baseline(comp, vbl), 0);
  ASSERT_EQ(vbl.change_sets(held), 0);
  EXPECT_EQ(held.count(), 0u) << "no baseline made yet";

  changed(integ, "fix", 2);
  std::vector<int> created;
  SUM_BaselineList first = realize_all(config_of(integ), created);
  SUM_Activity later = changed(integ, "later", 1);

  // The newest baseline's activities at its counts; not the unbaselined one.
  ASSERT_EQ(SUM_VirtualConfig::construct_from_latest_baselines(integ, nullptr, config, interrupted),
            0);
  EXPECT_EQ(interrupted, 0);
  ASSERT_EQ(config.virtual_baseline(comp, vbl), 0);
  ASSERT_EQ(vbl.change_sets(held), 0);
  ASSERT_EQ(held.count(), 1u);
  EXPECT_EQ(std::string(held[0].any_name()), "fix@/pvob");
  int unrecorded_changes = -1;
  ASSERT_EQ(vbl.has_unrecorded_changes(unrecorded_changes), 0);
  EXPECT_EQ(unrecorded_changes, 0);
  EXPECT_EQ(realize_all(config, created), first) << "it stands for the newest baseline";
  EXPECT_EQ(created, std::vector<int>{0});

  // Selected activities join what the newest baseline records.
  ASSERT_EQ(SUM_VirtualConfig::construct_from_latest_baselines(integ, nullptr, config, interrupted),
            0);
  SUM_ActivityList chosen(1);
  chosen[0] = later;
  ASSERT_EQ(config.update_with_acts(chosen), 0);
  SUM_BaselineList made = realize_all(config, created);
  ASSERT_EQ(made.count(), 1u);
  EXPECT_EQ(created, std::vector<int>{1});
  EXPECT_EQ(recorded(made[0]), (std::vector<std::string>{"fix@/pvob:2", "later@/pvob:1"}));

  ProgressProbe probe;
  probe.stop_at = SUM_ProgressCB::PREPARE_COMPONENT;
  SUM_ProgressCB cb(&ProgressProbe::report, &probe);
  EXPECT_EQ(SUM_VirtualConfig::construct_from_latest_baselines(integ, &cb, config, interrupted),
            1001);
  EXPECT_EQ(interrupted, 1);
  EXPECT_EQ(probe.texts, std::vector<std::string>{"Preparing component 1 of 1.\n"});
}

TEST_P(VirtualBaselineTest, ReadOnlyStreamAndMissingComponent) {
  SUM_BaselineList foundation(1);
  foundation[0] = initial();
  SUM_Stream frozen;
  ASSERT_EQ(SUM_Stream::create("frozen", "", project, integ, "", 0, 1, foundation, frozen), 0);
  SUM_VirtualConfig config = config_of(frozen);
  SUM_BaselineList made;
  std::vector<int> created;
  EXPECT_TRUE(
      fails_with(1001, "Cannot create baselines in read only stream \"frozen@/pvob\".\n",
                 [&] { return config.realize("rel", "", SUM_ComponentList(), 0, made, created); }));
  SUM_Component other;
  ASSERT_EQ(SUM_Component::create(pvob, "other", SUM_VobObject(), nullptr, nullptr, "", other), 0);
  SUM_VirtualBaseline vbl;
  EXPECT_EQ(config.virtual_baseline(other, vbl), 1002);
  SUM_ComponentList only(1);
  only[0] = other;
  EXPECT_EQ(config_of(integ).realize("rel", "", only, 0, made, created), 1002);
}

TEST_P(VirtualBaselineTest, MembersAreRealizedBeforeTheirComposite) {
  // A rootless component "top" whose baseline depends on src's initial one,
  // both in the foundation of a second project's integration stream.
  SUM_Component top;
  ASSERT_EQ(SUM_Component::create(pvob, "top", SUM_VobObject(), nullptr, nullptr, "", top), 0);
  SUM_BaselineList members(1);
  members[0] = initial();
  SUM_Baseline composite;
  ASSERT_EQ(
      SUM_Baseline::create_and_reorder(SUM_Timeline(pvob, top.dbid()), "top_bl", SUM_ActivityList(),
                                       members, "", 0, -1, SUM_TimelineEntryList(), composite),
      0);
  SUM_Project second;
  ASSERT_EQ(SUM_Project::create("second", "", root, "", 0, second), 0);
  SUM_BaselineList foundation(2);
  foundation[0] = composite;
  foundation[1] = initial();
  SUM_Stream integ2;
  ASSERT_EQ(SUM_Stream::create("integ2", "", second, SUM_Stream(), "", 1, 0, foundation, integ2),
            0);
  changed(integ2, "work2", 1);

  SUM_VirtualConfig config = config_of(integ2);
  SUM_VirtualBaselineList order;
  ASSERT_EQ(config.virtual_baselines(order), 0);
  ASSERT_EQ(order.count(), 2u);
  ASSERT_EQ(config.sort_in_reverse_dependency_order(order), 0);
  SUM_Component first;
  ASSERT_EQ(order[0].component(first), 0);
  EXPECT_EQ(first, comp) << "the member comes first";

  // Asked for the member only, the composite comes along.
  std::vector<int> created;
  SUM_BaselineList made;
  SUM_ComponentList member_only(1);
  member_only[0] = comp;
  ASSERT_EQ(config.realize("rel", "made", member_only, 0, made, created), 0);
  ASSERT_EQ(made.count(), 2u);
  EXPECT_EQ(created, (std::vector<int>{1, 1})) << "a changed member changes its composite";
  SUM_BaselineList deps;
  int unavailable = -1;
  ASSERT_EQ(made[1].dependencies(deps, unavailable), 0);
  ASSERT_EQ(deps.count(), 1u);
  EXPECT_EQ(deps[0], made[0]) << "the composite records the new member baseline";
  EXPECT_EQ(unavailable, 0);
  SUM_Baseline new_member = made[0];

  // Asked for the composite only, it keeps the stream's current member.
  SUM_ComponentList top_only(1);
  top_only[0] = top;
  ASSERT_EQ(config_of(integ2).realize("again", "", top_only, 1, made, created), 0);
  ASSERT_EQ(made.count(), 1u);
  ASSERT_EQ(made[0].dependencies(deps, unavailable), 0);
  ASSERT_EQ(deps.count(), 1u);
  EXPECT_EQ(deps[0], new_member);
}

TEST_P(VirtualBaselineTest, ProgressInterruptionAndChangesWhileDistributing) {
  SUM_Activity act = changed(integ, "busy", 1);
  ProgressProbe probe;
  SUM_ProgressCB cb(&ProgressProbe::report, &probe);
  SUM_VirtualConfig config;
  int interrupted = -1;
  probe.stop_at = SUM_ProgressCB::PREPARE_COMPONENT;
  EXPECT_EQ(SUM_VirtualConfig::construct(integ, &cb, config, interrupted), 1001);
  EXPECT_EQ(interrupted, 1);
  EXPECT_EQ(probe.texts, std::vector<std::string>{"Preparing component 1 of 1.\n"});

  // The activity gains a version after its count was read.
  probe = ProgressProbe();
  probe.on_change_set = [&] { enter(act, add_file("meanwhile", "z"), 0); };
  ASSERT_EQ(SUM_VirtualConfig::construct(integ, &cb, config, interrupted), 0);
  EXPECT_EQ(interrupted, 0);
  EXPECT_TRUE(fails_with(
      1001,
      "Please retry operation - failed due to change to activity \"busy@/pvob\" while in "
      "progress.\n",
      [&] { return config.compute_cset_info(); }));
  SUM_BaselineList in_stream;
  ASSERT_EQ(integ.baselines(in_stream), 0);
  EXPECT_EQ(in_stream.count(), 0u);
}

TEST_P(VirtualBaselineTest, ChangeOutsideTheConfigurationIsRefused) {
  // Component "lib" of another VOB, not in integ's foundation.
  SUM_Vob lib(test_support::make_test_vob("/lib"));
  tbs_dbid_t lib_root = 0;
  ASSERT_EQ(vob_ob_get_wk_obj(lib.handle(), VOB_WK_ROOT_DIRECTORY, &lib_root), 0);
  SUM_Component lib_comp;
  ASSERT_EQ(SUM_Component::create(pvob, "lib", SUM_VobObject(lib, lib_root), nullptr, nullptr, "",
                                  lib_comp),
            0);
  SUM_Activity act = changed(integ, "stray", 0);
  tbs_dbid_t dir = 0, element = 0, version = 0;
  ASSERT_EQ(view_checkout(handle, "/lib", "add", &dir), 0);
  std::ofstream(view_root() + "/lib/f", std::ios::binary) << "x";
  ASSERT_EQ(view_mkelem(handle, "/lib/f", VOB_ELTYPE_FILE, "new", 1, &element), 0);
  ASSERT_EQ(view_checkin(handle, "/lib", nullptr, &dir), 0);
  ASSERT_EQ(vob_ver_lookup(lib.handle(), element, "/main/1", &version), 0);
  vob_event_info_t event;
  ASSERT_EQ(vob_zem_activity_cset_add_ver(pvob.handle(), act.dbid(), lib.handle(), version, 0,
                                          "work", &event),
            0);
  SUM_BaselineList made;
  std::vector<int> created;
  EXPECT_TRUE(fails_with(
      1001,
      "Activity \"stray@/pvob\" contains changes in component \"lib@/pvob\",\n"
      "but that component is missing from the configuration of the activity's "
      "stream \"integ@/pvob\".\n",
      [&] { return config_of(integ).realize("rel", "", SUM_ComponentList(), 0, made, created); }));
}

INSTANTIATE_TEST_SUITE_P(BothForms, VirtualBaselineTest, ::testing::Values(8, 6),
                         act_test::level_name);

}  // namespace
