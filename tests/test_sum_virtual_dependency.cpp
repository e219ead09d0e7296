// Members of a stream's pending baselines in both storage forms: adding and
// removing them with their refusals (own component, second member of a
// component, cycles, a member that is not the stream's own), what a
// realization makes of the edits (a new composite, the old one untouched,
// reuse once nothing changed), members outside the configuration, and
// composites brought along when a member changes, also when a caller's
// subset is realized and the other components are left alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sum/sum_virtual_baseline.h"
#include "sum_composite_fixture.h"
#include "support/checks.h"

namespace {

using test_support::fails_with;
using test_support::ImsgCapture;
using zem_test::bl_list;
using zem_test::comp_list;

class VirtualDependencyTest : public zem_test::CompositeTest {
 protected:
  // Integration stream "integ" of project "proj", founded on the initial
  // baselines of rootless components c1, c2 and c3.
  void SetUp() override {
    CompositeTest::SetUp();
    ASSERT_EQ(SUM_Project::create("proj", "", root, "", 0, project), 0);
    for (const char* name : {"c1", "c2", "c3"}) {
      SUM_Component c = rootless(name);
      SUM_Baseline initial;
      ASSERT_EQ(c.initial_baseline(initial), 0);
      comps.append(c);
      initials.append(initial);
    }
    ASSERT_EQ(SUM_Stream::create("integ", "", project, SUM_Stream(), "", 1, 0, initials, integ), 0);
  }

  SUM_VirtualConfig config_of(const SUM_Stream& stream) {
    SUM_VirtualConfig config;
    int interrupted = -1;
    EXPECT_EQ(SUM_VirtualConfig::construct(stream, nullptr, config, interrupted), 0);
    return config;
  }
  SUM_VirtualBaseline pending(const SUM_VirtualConfig& config, unsigned i) {
    SUM_VirtualBaseline vbl;
    EXPECT_EQ(config.virtual_baseline(comps[i], vbl), 0);
    return vbl;
  }
  // The components of the members of `vbl`, by name, each marked "(v)"
  // when it is a virtual baseline of the configuration.
  static std::vector<std::string> members_of(const SUM_VirtualBaseline& vbl) {
    SUM_BaselineVRList members;
    EXPECT_EQ(vbl.dependencies(members), 0);
    std::vector<std::string> names;
    for (unsigned i = 0; i < members.count(); ++i) {
      SUM_Component c;
      EXPECT_EQ(members[i].component(c), 0);
      names.push_back(std::string(c.any_name()) + (members[i].is_virtual() ? "(v)" : ""));
    }
    return names;
  }
  // Realizes the pending baseline of comps[i] (with its composites).
  SUM_BaselineList realize(SUM_VirtualConfig config, unsigned i, std::vector<int>& created) {
    SUM_BaselineList made;
    EXPECT_EQ(config.realize("bl", "", comp_list({comps[i]}), 0, made, created), 0);
    return made;
  }
  static SUM_BaselineList members_recorded(const SUM_Baseline& b) {
    SUM_BaselineList members;
    int unavailable = -1;
    EXPECT_EQ(b.dependencies(members, unavailable), 0);
    EXPECT_EQ(unavailable, 0);
    return members;
  }

  SUM_Project project;
  SUM_ComponentList comps;
  SUM_BaselineList initials;
  SUM_Stream integ;
};

TEST_P(VirtualDependencyTest, AddRefusesOwnComponentSecondMemberAndCycles) {
  SUM_VirtualConfig config = config_of(integ);
  SUM_VirtualBaseline v1 = pending(config, 0), v2 = pending(config, 1), v3 = pending(config, 2);
  EXPECT_TRUE(fails_with(1001, "Component \"c1@/pvob\" cannot depend on itself.\n",
                         [&] { return v1.add_dependency(SUM_BaselineVR(v1)); }));
  EXPECT_TRUE(fails_with(1001, "Component \"c1@/pvob\" cannot depend on itself.\n",
                         [&] { return v1.add_dependency(SUM_BaselineVR(initials[0])); }));

  // The stream's current baseline of c2 stands for c2's pending baseline.
  ASSERT_EQ(v1.add_dependency(SUM_BaselineVR(initials[1])), 0);
  EXPECT_EQ(members_of(v1), std::vector<std::string>{"c2@/pvob(v)"});
  EXPECT_TRUE(fails_with(1001,
                         "Component \"c1@/pvob\" already depends on component \"c2@/pvob\".\n",
                         [&] { return v1.add_dependency(SUM_BaselineVR(v2)); }));

  EXPECT_TRUE(fails_with(1001,
                         "Making \"c2@/pvob\" depend on \"c1@/pvob\"\n"
                         "would create a cycle in the dependency graph.\n",
                         [&] { return v2.add_dependency(SUM_BaselineVR(v1)); }));
  EXPECT_TRUE(members_of(v2).empty()) << "the refused member was taken out again";
  EXPECT_EQ(members_of(v1), std::vector<std::string>{"c2@/pvob(v)"});

  // Through a third component: c1 -> c2 -> c3 -> c1.
  ASSERT_EQ(v2.add_dependency(SUM_BaselineVR(v3)), 0);
  EXPECT_TRUE(fails_with(1001,
                         "Making \"c3@/pvob\" depend on \"c1@/pvob\"\n"
                         "would create a cycle in the dependency graph.\n",
                         [&] { return v3.add_dependency(SUM_BaselineVR(v1)); }));
  int cycle = -1;
  ASSERT_EQ(config.has_dependency_cycle(cycle), 0);
  EXPECT_EQ(cycle, 0);
  SUM_ComponentList scope;
  ASSERT_EQ(v1.full_dependency_scope(scope), 0);
  EXPECT_EQ(scope, comp_list({comps[1], comps[2]}));

  // Members come before composites when realized.
  SUM_VirtualBaselineList order;
  ASSERT_EQ(config.virtual_baselines(order), 0);
  ASSERT_EQ(config.sort_in_reverse_dependency_order(order), 0);
  SUM_Component first, last;
  ASSERT_EQ(order[0].component(first), 0);
  ASSERT_EQ(order[2].component(last), 0);
  EXPECT_EQ(first, comps[2]);
  EXPECT_EQ(last, comps[0]);
}

TEST_P(VirtualDependencyTest, RemovingANonMemberWarnsAndChangesNothing) {
  SUM_VirtualConfig config = config_of(integ);
  SUM_VirtualBaseline v1 = pending(config, 0);
  ASSERT_EQ(v1.add_dependency(SUM_BaselineVR(initials[1])), 0);
  {
    ImsgCapture capture;
    EXPECT_EQ(v1.remove_dependency(SUM_BaselineVR(initials[2])), 0);
    EXPECT_EQ(capture.joined(IMSG_WARNING),
              "Component \"c1@/pvob\" does not depend on component \"c3@/pvob\".\n");
  }
  EXPECT_EQ(members_of(v1), std::vector<std::string>{"c2@/pvob(v)"});
  // A member is named by any baseline of its component.
  ASSERT_EQ(v1.remove_dependency(SUM_BaselineVR(pending(config, 1))), 0);
  EXPECT_TRUE(members_of(v1).empty());
}

TEST_P(VirtualDependencyTest, ChangedMembersMakeANewCompositeAndLeaveTheOldOne) {
  SUM_VirtualConfig config = config_of(integ);
  ASSERT_EQ(pending(config, 0).add_dependency(SUM_BaselineVR(initials[1])), 0);
  std::vector<int> created;
  SUM_BaselineList made = realize(config, 0, created);
  ASSERT_EQ(made.count(), 1u);
  EXPECT_EQ(created, std::vector<int>{1});
  SUM_Baseline first = made[0];
  EXPECT_EQ(members_recorded(first), bl_list({initials[1]}));

  // A new configuration reads the members back from the stream's baseline;
  // with nothing changed it gives that baseline again.
  config = config_of(integ);
  EXPECT_EQ(members_of(pending(config, 0)), std::vector<std::string>{"c2@/pvob(v)"});
  made = realize(config, 0, created);
  EXPECT_EQ(made, bl_list({first}));
  EXPECT_EQ(created, std::vector<int>{0});

  // Adding c3: a new baseline with both members.
  config = config_of(integ);
  ASSERT_EQ(pending(config, 0).add_dependency(SUM_BaselineVR(initials[2])), 0);
  made = realize(config, 0, created);
  ASSERT_EQ(created, std::vector<int>{1});
  SUM_Baseline second = made[0];
  EXPECT_EQ(members_recorded(second), bl_list({initials[1], initials[2]}));

  // Dropping c2: a third baseline holding c3 alone, and no return to the
  // foundation, whose members differ from the stream's newest baseline.
  config = config_of(integ);
  ASSERT_EQ(pending(config, 0).remove_dependency(SUM_BaselineVR(initials[1])), 0);
  made = realize(config, 0, created);
  ASSERT_EQ(created, std::vector<int>{1});
  EXPECT_EQ(members_recorded(made[0]), bl_list({initials[2]}));
  config = config_of(integ);
  ASSERT_EQ(pending(config, 0).remove_dependency(SUM_BaselineVR(initials[2])), 0);
  made = realize(config, 0, created);
  ASSERT_EQ(created, std::vector<int>{1});
  EXPECT_NE(made[0], initials[0]);
  EXPECT_EQ(members_recorded(made[0]).count(), 0u);

  EXPECT_EQ(members_recorded(first), bl_list({initials[1]})) << "made baselines never change";
  EXPECT_EQ(members_recorded(second), bl_list({initials[1], initials[2]}));
  SUM_BaselineList in_stream;
  ASSERT_EQ(integ.baselines(in_stream), 0);
  EXPECT_EQ(in_stream.count(), 4u);
}

TEST_P(VirtualDependencyTest, MembersOutsideTheConfigurationAreFixed) {
  // Component "outer" is not in integ's configuration; its baseline
  // "outer1" depends on c1's initial baseline.
  SUM_Component outer = rootless("outer");
  SUM_Baseline outer1 = composite(outer, "outer1", {initials[0]});
  SUM_VirtualConfig config = config_of(integ);
  SUM_VirtualBaseline v2 = pending(config, 1);
  ASSERT_EQ(v2.add_dependency(SUM_BaselineVR(outer1)), 0);
  EXPECT_EQ(members_of(v2), std::vector<std::string>{"outer@/pvob"});
  SUM_ComponentList scope;
  ASSERT_EQ(v2.full_dependency_scope(scope), 0);
  EXPECT_EQ(scope, comp_list({outer, comps[0]}));

  // c1 -> c2 -> outer1 -> c1: a cycle through the fixed member.
  EXPECT_TRUE(fails_with(1001,
                         "Making \"c1@/pvob\" depend on \"c2@/pvob\"\n"
                         "would create a cycle in the dependency graph.\n",
                         [&] { return pending(config, 0).add_dependency(SUM_BaselineVR(v2)); }));

  std::vector<int> created;
  SUM_BaselineList made = realize(config, 1, created);
  ASSERT_EQ(created, std::vector<int>{1});
  EXPECT_EQ(members_recorded(made[0]), bl_list({outer1}));

  // An older baseline of a component in the configuration would not be
  // the stream's own member.
  SUM_Baseline old_c3 = composite(comps[2], "old_c3", {});
  EXPECT_TRUE(fails_with(
      1001,
      "Baseline \"old_c3@/pvob\" is not the current baseline of component \"c3@/pvob\" in stream "
      "\"integ@/pvob\": a baseline of the stream can depend only on the stream's own baseline of a "
      "component in its configuration.\n",
      [&] { return pending(config_of(integ), 0).add_dependency(SUM_BaselineVR(old_c3)); }));
}

TEST_P(VirtualDependencyTest, EditedCompositeBringsItsCompositesAlong) {
  // c1 depends on c2; a new member of c2 makes new baselines of both.
  SUM_VirtualConfig config = config_of(integ);
  ASSERT_EQ(pending(config, 0).add_dependency(SUM_BaselineVR(initials[1])), 0);
  std::vector<int> created;
  SUM_BaselineList made = realize(config, 0, created);
  ASSERT_EQ(created, std::vector<int>{1});

  config = config_of(integ);
  ASSERT_EQ(pending(config, 1).add_dependency(SUM_BaselineVR(initials[2])), 0);
  made = realize(config, 1, created);
  ASSERT_EQ(made.count(), 2u);
  EXPECT_EQ(created, (std::vector<int>{1, 1}));
  EXPECT_EQ(members_recorded(made[0]), bl_list({initials[2]}));
  EXPECT_EQ(members_recorded(made[1]), bl_list({made[0]})) << "the composite records the new c2";
}

TEST_P(VirtualDependencyTest, SubsetLeavesOthersAloneAndBringsComposites) {
  // c1 depends on c2; c3 stands apart.
  SUM_VirtualConfig config = config_of(integ);
  ASSERT_EQ(pending(config, 0).add_dependency(SUM_BaselineVR(initials[1])), 0);
  SUM_VirtualBaselineList subset;
  subset.append(pending(config, 1));
  SUM_BaselineList made;
  std::vector<int> created;
  ASSERT_EQ(config.realize_subset("sub", "", subset, 1, made, created), 0);
  ASSERT_EQ(made.count(), 2u) << "c2 and its composite c1, not c3";
  EXPECT_EQ(created, (std::vector<int>{1, 1}));
  SUM_Component of;
  ASSERT_EQ(made[0].component(of), 0);
  EXPECT_EQ(of, comps[1]);
  ASSERT_EQ(made[1].component(of), 0);
  EXPECT_EQ(of, comps[0]);
  EXPECT_EQ(members_recorded(made[1]), bl_list({made[0]}));
  SUM_Baseline newest;
  EXPECT_EQ(integ.baseline_util(comps[2], 1, newest), 1002) << "c3 made nothing";
  SUM_BaselineList in_stream;
  ASSERT_EQ(integ.baselines(in_stream), 0);
  EXPECT_EQ(in_stream.count(), 2u);
}

INSTANTIATE_TEST_SUITE_P(BothForms, VirtualDependencyTest, ::testing::Values(8, 6),
                         zem_test::level_name);

}  // namespace
