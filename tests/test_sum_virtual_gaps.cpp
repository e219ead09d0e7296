// Baselines of selected activities in both storage forms: a selection that
// leaves out an activity its versions build on is refused naming that
// activity (left out altogether, recorded by the newest baseline at an older
// count, or dropped from what the newest baseline records), a complete
// selection is accepted, and the switch turns the check off.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "sum/sum_virtual_baseline.h"
#include "sum_activity_fixture.h"

namespace {

using act_test::ActivityTest;
using test_support::fails_mentioning;
using test_support::fails_with;

class VirtualGapsTest : public ActivityTest {
 protected:
  // Activity "a" made file f (/main/1); "b" changed it (/main/2).
  void SetUp() override {
    ActivityTest::SetUp();
    a = make("a");
    b = make("b");
    enter(a, add_file("f", "1"), 0);
    enter(b, edit("f", "2"), 0);
  }
  // A new checked-in version of "/src/<name>" holding `content`.
  tbs_dbid_t edit(const std::string& name, const std::string& content) {
    checkout(name, "edit");
    std::ofstream(view_root() + "/src/" + name, std::ios::binary) << content;
    tbs_dbid_t version = 0;
    EXPECT_EQ(view_checkin(handle, ("/src/" + name).c_str(), nullptr, &version), 0);
    return version;
  }
  static SUM_ActivityList acts(std::initializer_list<SUM_Activity> items) {
    SUM_ActivityList list;
    for (const SUM_Activity& item : items)
      list.append(item);
    return list;
  }
  // The baseline of integ's configuration of `chosen` (all: construct).
  SUM_Baseline baseline_of(const SUM_ActivityList* chosen) {
    SUM_VirtualConfig config;
    int interrupted = 0;
    if (chosen == nullptr)
      EXPECT_EQ(SUM_VirtualConfig::construct(integ, nullptr, config, interrupted), 0);
    else
      EXPECT_EQ(SUM_VirtualConfig::construct_from_acts(integ, *chosen, config), 0);
    SUM_BaselineList made;
    std::vector<int> created;
    EXPECT_EQ(config.realize("bl", "", SUM_ComponentList(), 0, made, created), 0);
    return made.count() == 1 ? made[0] : SUM_Baseline();
  }
  // integ's newest baselines plus `chosen`.
  int update(const SUM_ActivityList& chosen) {
    SUM_VirtualConfig config;
    int interrupted = 0;
    EXPECT_EQ(
        SUM_VirtualConfig::construct_from_latest_baselines(integ, nullptr, config, interrupted), 0);
    return config.update_with_acts(chosen);
  }
  int baselines_made() {
    SUM_BaselineList in_stream;
    EXPECT_EQ(integ.baselines(in_stream), 0);
    return static_cast<int>(in_stream.count());
  }

  SUM_Activity a, b;
};

TEST_P(VirtualGapsTest, LeftOutPredecessorActivityIsNamed) {
  SUM_VirtualConfig config;
  EXPECT_TRUE(fails_with(1001, "Activity \"a@/pvob\" must be added to activity list.\n", [&] {
    return SUM_VirtualConfig::construct_from_acts(integ, acts({b}), config);
  }));
  EXPECT_TRUE(config.is_null()) << "no configuration to realize";
  EXPECT_TRUE(fails_with(1001, "Activity \"a@/pvob\" must be added to activity list.\n",
                         [&] { return update(acts({b})); }));

  SUM_ActivityList both = acts({a, b});
  SUM_Baseline made = baseline_of(&both);
  EXPECT_FALSE(made.is_null());
  // Selecting the first alone is complete: nothing it builds on is missing.
  EXPECT_EQ(update(acts({a})), 0);

  // a goes on from b's newer version, which no baseline records.
  enter(b, edit("f", "3"), 0);
  enter(a, edit("f", "4"), 0);
  for (const char* value : {"true", "TRUE", "True"}) {
    zem_test::ScopedEnv off{SUM_VirtualConfig::kRevertTLGaps, value};
    EXPECT_EQ(update(acts({a})), 0) << value;
  }
  zem_test::ScopedEnv other{SUM_VirtualConfig::kRevertTLGaps, "yes"};
  EXPECT_TRUE(fails_mentioning(1001,
                               "@/src@@/main/3\" from the activity \"b@/pvob\" is missing from "
                               "the required version list.\n",
                               [&] { return update(acts({a})); }))
      << "any other value keeps the check";
}

TEST_P(VirtualGapsTest, OlderCountInTheNewestBaselineAndDroppedActivities) {
  SUM_ActivityList first = acts({a});
  ASSERT_FALSE(baseline_of(&first).is_null());
  ASSERT_EQ(baselines_made(), 1);
  // a goes on after the baseline recorded it; c builds on a's newer version.
  tbs_dbid_t newer = edit("f", "3");
  enter(a, newer, 0);
  SUM_Activity c = make("c");
  enter(c, edit("f", "4"), 0);
  SUM_VirtualConfig config;
  EXPECT_TRUE(fails_mentioning(1001,
                               "@/src@@/main/3\" from the activity \"a@/pvob\" is missing from "
                               "the required version list.\n",
                               [&] { return update(acts({c})); }));
  // b's version lies between: b must come along too.
  EXPECT_TRUE(fails_with(1001, "Activity \"b@/pvob\" must be added to activity list.\n", [&] {
    return update(acts({a, c}));
  }));
  EXPECT_EQ(update(acts({a, b, c})), 0);

  // A configuration of the chosen activities alone would drop a, which the
  // newest baseline records.
  SUM_Activity d = make("d");
  enter(d, add_file("g", "1"), 0);
  EXPECT_TRUE(fails_with(
      1001,
      "Activity \"a@/pvob\" must be added to activity list to preserve baseline order in "
      "stream.\n",
      [&] { return SUM_VirtualConfig::construct_from_acts(integ, acts({d}), config); }));
  EXPECT_EQ(update(acts({d})), 0) << "kept by starting from the newest baseline";
  EXPECT_EQ(baselines_made(), 1) << "checks make nothing";
}

INSTANTIATE_TEST_SUITE_P(BothForms, VirtualGapsTest, ::testing::Values(8, 6), act_test::level_name);

}  // namespace
