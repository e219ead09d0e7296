// SUM_Foundation in both storage forms: overrides and what they remove and
// give back, replacement and refusal of explicit baselines, conflicts and
// their diagnosis, redundant explicit baselines, cycles through members,
// unlabelled baselines, the override report, the dump variable, and a
// stream's foundation.
#include <gtest/gtest.h>

#include <string>

#include "services/imsg.h"
#include "sum/sum_foundation.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "sum_composite_fixture.h"
#include "support/checks.h"

namespace {

using test_support::fails_with;
using test_support::ImsgCapture;
using zem_test::bl_list;
using zem_test::comp_list;
using zem_test::ScopedEnv;

// Composites: a (ca) -> x1 (cx) -> z1 (cz); b (cb) -> x2 (cx).
class FoundationTest : public zem_test::CompositeTest {
 protected:
  void SetUp() override {
    CompositeTest::SetUp();
    ca = rootless("ca");
    cb = rootless("cb");
    cx = rootless("cx");
    cz = rootless("cz");
    z1 = composite(cz, "z1", {});
    x1 = composite(cx, "x1", {z1});
    x2 = composite(cx, "x2", {});
    a = composite(ca, "a", {x1});
    b = composite(cb, "b", {x2});
  }

  SUM_Foundation of(const SUM_BaselineList& explicit_list) {
    SUM_Foundation f;
    EXPECT_EQ(SUM_Foundation::construct_from_baselines(explicit_list, f), 0);
    return f;
  }
  static int status_of(const SUM_Foundation& f, const SUM_Baseline& bl,
                       SUM_BaselineList* related = nullptr) {
    int status = -1;
    SUM_BaselineList found;
    EXPECT_EQ(f.lookup_baseline(bl, status, found), 0);
    if (related != nullptr)
      *related = found;
    return status;
  }
  static SUM_BaselineList closure_of(const SUM_Foundation& f) {
    SUM_BaselineList found;
    EXPECT_EQ(f.closure(found), 0);
    return found;
  }
  static SUM_BaselineList explicit_of(const SUM_Foundation& f) {
    SUM_BaselineList found;
    EXPECT_EQ(f.explicit_baselines(found), 0);
    return found;
  }
  static SUM_BaselineList redundant_of(const SUM_Foundation& f) {
    SUM_BaselineList found;
    EXPECT_EQ(f.redundant_baselines(found), 0);
    return found;
  }
  static int implied_count(const SUM_Foundation& f, const SUM_Baseline& bl) {
    SUM_FoundBL node;
    EXPECT_EQ(f.lookup_foundbl_bl(bl, node), 0);
    return node.implied_count();
  }

  SUM_Component ca, cb, cx, cz;
  SUM_Baseline z1, x1, x2, a, b;
};

TEST_P(FoundationTest, OverrideRemovesWhatOnlyTheOverriddenBaselineBroughtUntilItGoes) {
  SUM_Foundation f = of(bl_list({a, x2}));
  SUM_BaselineList related;
  EXPECT_EQ(status_of(f, a), SUM_Foundation::EXPLICIT);
  EXPECT_EQ(status_of(f, x2, &related), SUM_Foundation::OVERRIDE);
  EXPECT_EQ(related, bl_list({x1}));
  EXPECT_EQ(status_of(f, x1, &related), SUM_Foundation::OVERRIDDEN);
  EXPECT_EQ(related, bl_list({x2}));
  EXPECT_EQ(status_of(f, z1), SUM_Foundation::REMOVED);
  EXPECT_EQ(status_of(f, b), SUM_Foundation::NOT_FOUND);
  EXPECT_EQ(closure_of(f), bl_list({a, x2}));
  SUM_ComponentList scope;
  ASSERT_EQ(f.closure_scope(scope), 0);
  EXPECT_EQ(scope, comp_list({ca, cx}));

  SUM_Baseline effective;
  EXPECT_EQ(f.lookup_component(cx, effective), 0);
  EXPECT_EQ(effective, x2);
  EXPECT_EQ(f.lookup_component(cz, effective), 1001) << "no live baseline of cz";
  EXPECT_EQ(f.lookup_component(cb, effective), 1002) << "cb is not in the graph";

  ASSERT_EQ(f.remove_baselines(bl_list({x2})), 0);
  EXPECT_EQ(status_of(f, x1), SUM_Foundation::IMPLIED);
  EXPECT_EQ(status_of(f, z1), SUM_Foundation::IMPLIED);
  EXPECT_EQ(status_of(f, x2), SUM_Foundation::REMOVED);
  EXPECT_EQ(closure_of(f), bl_list({a, x1, z1}));
  EXPECT_EQ(explicit_of(f), bl_list({a}));

  SUM_Foundation copy = f;
  ASSERT_EQ(f.add_baselines(bl_list({x2})), 0);
  EXPECT_EQ(status_of(f, z1), SUM_Foundation::REMOVED) << "the override applies again";
  EXPECT_EQ(status_of(copy, z1), SUM_Foundation::IMPLIED) << "a copy has its own graph";
}

TEST_P(FoundationTest, RemovalRefusesWhatIsNotExplicit) {
  SUM_Foundation f = of(bl_list({a}));
  EXPECT_TRUE(fails_with(1001, "Baseline not in configuration: \"" + shown(b) + "\"\n",
                         [&] { return f.remove_baselines(bl_list({b})); }));
  ImsgCapture capture;
  ASSERT_EQ(f.remove_baselines(bl_list({z1})), 0);
  EXPECT_EQ(capture.joined(IMSG_WARNING),
            "Baseline not explicitly in configuration: \"" + shown(z1) + "\"\n");
  EXPECT_EQ(status_of(f, z1), SUM_Foundation::IMPLIED);
}

TEST_P(FoundationTest, NewExplicitBaselineReplacesItsComponentsOldOne) {
  SUM_Foundation f = of(bl_list({x2}));
  ASSERT_EQ(f.add_baselines(bl_list({x1})), 0);
  EXPECT_EQ(explicit_of(f), bl_list({x1}));
  EXPECT_EQ(status_of(f, x2), SUM_Foundation::REMOVED);
  EXPECT_EQ(status_of(f, z1), SUM_Foundation::IMPLIED);

  EXPECT_TRUE(fails_with(
      1001, "Baseline \"" + shown(x1) + "\" is in conflict with \"" + shown(x2) + "\"\n", [&] {
        return f.add_baselines(bl_list({x2, x1}));
      }));
  EXPECT_EQ(explicit_of(f), bl_list({x1})) << "a refused add changes nothing";
  SUM_Foundation refused;
  EXPECT_EQ(SUM_Foundation::construct_from_baselines(bl_list({x1, b, x2}), refused), 1001);
}

TEST_P(FoundationTest, CompetingCompositesConflictUntilAnExplicitBaselineDecides) {
  SUM_Foundation f = of(bl_list({a, b}));
  int any = 0;
  ASSERT_EQ(f.conflicts(any), 0);
  EXPECT_EQ(any, 1);
  SUM_FoundConflictList found;
  ASSERT_EQ(f.conflicts(found), 0);
  ASSERT_EQ(found.count(), 1u);
  SUM_Component component;
  SUM_BaselineList competing;
  found[0].component(component);
  found[0].baseline_conflicts(competing);
  EXPECT_EQ(component, cx);
  EXPECT_EQ(competing, bl_list({x1, x2}));
  EXPECT_EQ(status_of(f, x1), SUM_Foundation::CONFLICT);
  EXPECT_EQ(status_of(f, z1), SUM_Foundation::IMPLIED);
  SUM_BaselineList closure;
  EXPECT_EQ(f.closure(closure), 1001);
  SUM_Baseline effective;
  EXPECT_EQ(f.lookup_component(cx, effective), 1001);

  EXPECT_TRUE(fails_with(0,
                         "Conflicts in configuration:\n"
                         "Component \"" +
                             shown(cx) +
                             "\"  baselines:\n"
                             "\"" +
                             shown(x1) + "\" (member of \"" + shown(a) +
                             "\")\n"
                             "\"" +
                             shown(x2) + "\" (member of \"" + shown(b) + "\")\n",
                         [&] { return f.diagnose_conflicts(); }));

  ASSERT_EQ(f.add_baselines(bl_list({x2})), 0);
  ASSERT_EQ(f.conflicts(any), 0);
  EXPECT_EQ(any, 0);
  EXPECT_EQ(closure_of(f), bl_list({a, x2, b}));
  EXPECT_EQ(status_of(f, z1), SUM_Foundation::REMOVED);
}

TEST_P(FoundationTest, ExplicitBaselineAnotherCompositeImpliesIsRedundantInEitherOrder) {
  for (const SUM_BaselineList& order : {bl_list({a, x1}), bl_list({x1, a})}) {
    SUM_Foundation f = of(order);
    EXPECT_EQ(redundant_of(f), bl_list({x1}));
    EXPECT_EQ(status_of(f, x1), SUM_Foundation::EXPLICIT);
    EXPECT_EQ(implied_count(f, x1), 1);
    EXPECT_EQ(implied_count(f, z1), 1) << "z1 is reached once, through the explicit x1";
    SUM_Baseline dependent;
    ASSERT_EQ(f.lookup_bl_dependent(x1, dependent), 0);
    EXPECT_EQ(dependent, a);
  }
  EXPECT_EQ(redundant_of(of(bl_list({a, x2}))), SUM_BaselineList());

  // z1 is implied only through x1; while x2 overrides x1 nothing implies it.
  for (const SUM_BaselineList& order : {bl_list({a, x2, z1}), bl_list({a, z1, x2})}) {
    SUM_Foundation f = of(order);
    EXPECT_EQ(redundant_of(f), SUM_BaselineList());
    EXPECT_EQ(implied_count(f, z1), 0);
    ASSERT_EQ(f.remove_baselines(bl_list({x2})), 0);
    EXPECT_EQ(redundant_of(f), bl_list({z1}));
  }
}

TEST_P(FoundationTest, MembersLeadingBackToTheirComponentsBaselineAreACycle) {
  SUM_Baseline a0 = composite(ca, "a0", {});
  SUM_Baseline back = composite(cb, "back", {a0});
  SUM_Baseline top = composite(ca, "top", {back});
  SUM_Foundation f = of(bl_list({top}));
  int found = 0;
  EXPECT_TRUE(fails_with(0,
                         "Unable to use the following baseline(s) as the closure results in "
                         "cycles:\n\t" +
                             shown(top) + " (" + shown(ca) + ")\n\t" + shown(back) + " (" +
                             shown(cb) + ")\n",
                         [&] { return f.check_dependency_cycle(found); }));
  EXPECT_EQ(found, 1);

  SUM_Foundation acyclic = of(bl_list({back}));
  EXPECT_TRUE(fails_with(0, "", [&] { return acyclic.check_dependency_cycle(found); }));
  EXPECT_EQ(found, 0);
}

TEST_P(FoundationTest, UnlabelledBaselinesInvalidateButDoNotStopTheClosure) {
  vob_vob_h src = test_support::make_test_vob("/src");
  tbs_dbid_t root_dir = 0;
  ASSERT_EQ(vob_ob_get_wk_obj(src, VOB_WK_ROOT_DIRECTORY, &root_dir), 0);
  SUM_Component rooted;
  ASSERT_EQ(SUM_Component::create(pvob, "rooted", SUM_VobObject(SUM_Vob(src), root_dir), nullptr,
                                  nullptr, "", rooted),
            0);
  SUM_Baseline r1 = composite(rooted, "r1", {});
  SUM_Baseline top = composite(ca, "top", {r1});

  SUM_Foundation f = of(bl_list({top}));
  SUM_BaselineList unlabelled;
  ASSERT_EQ(f.unlabelled(unlabelled), 0);
  EXPECT_EQ(unlabelled, bl_list({r1}));
  int valid = 1;
  ASSERT_EQ(f.is_valid(valid), 0);
  EXPECT_EQ(valid, 0);
  EXPECT_EQ(closure_of(f), bl_list({top, r1}));
  EXPECT_TRUE(fails_with(0, "Invalid configuration\nBaseline \"" + shown(r1) + "\" is unlabelled\n",
                         [&] { return f.diagnose_conflicts(); }));

  SUM_Foundation exempt;
  ASSERT_EQ(SUM_Foundation::construct_from_bls_no_lbl_chk(bl_list({top}), exempt), 0);
  ASSERT_EQ(exempt.is_valid(valid), 0);
  EXPECT_EQ(valid, 1);
}

TEST_P(FoundationTest, OverrideReportNamesTheOverriddenBaselines) {
  SUM_Foundation f = of(bl_list({a, x2}));
  ImsgCapture capture;
  ASSERT_EQ(f.report_overrides(), 0);
  EXPECT_EQ(capture.joined(IMSG_INFO),
            "Baseline \"" + shown(x2) + "\" in VOB \"/pvob\" overrides baseline(s):\nx1\n");
}

TEST_P(FoundationTest, ExpandedOverrideReportNamesTheComponentAndFullNames) {
  ScopedEnv expanded("KORVA_EXPANDED_MSGS", "1");
  SUM_Foundation f = of(bl_list({a, x2}));
  ImsgCapture capture;
  ASSERT_EQ(f.report_overrides(), 0);
  EXPECT_EQ(capture.joined(IMSG_INFO), "Component: \"" + shown(cx) + "\"\nBaseline \"" + shown(x2) +
                                           "\" in VOB \"/pvob\" overrides baseline(s):\n    " +
                                           shown(x1) + "\n");
}

TEST_P(FoundationTest, UnreadableMembersLeaveAFoundationThatAnswersNothing) {
  SUM_Baseline bad = with_record(rootless("bad"), "bad", "<bl_info><deps_v1>");
  SUM_Foundation f = of(bl_list({x2}));
  EXPECT_TRUE(test_support::fails_mentioning(
      1001,
      "Unable to get member baseline of composite baseline \"" + shown(bad) +
          "\"\nUnable to enter member baselines of composite baseline \"" + shown(bad) +
          "\" into foundation\n",
      [&] { return f.add_baselines(bl_list({bad})); }));
  SUM_BaselineList closure;
  SUM_Baseline effective;
  EXPECT_EQ(f.closure(closure), 1072);
  EXPECT_EQ(f.lookup_component(cx, effective), 1072) << "no answer from a partial graph";
  EXPECT_EQ(f.add_baselines(bl_list({a})), 1072);
}

TEST_P(FoundationTest, DumpFollowsTheVariable) {
  {
    ScopedEnv dump("KORVANE_DUMP_FOUNDATION", "");
    ImsgCapture capture;
    of(bl_list({a, x2}));
    EXPECT_TRUE(capture.all().empty());
  }
  ScopedEnv dump("KORVANE_DUMP_FOUNDATION", "1");
  ImsgCapture capture;
  SUM_Foundation f = of(bl_list({a, x2}));
  EXPECT_EQ(capture.joined(IMSG_TRACE), "Begin FOUNDATION DUMP\nEND FOUNDATION DUMP\n");
  EXPECT_EQ(capture.joined(IMSG_INFO), "Component " + shown(ca) + "\nbaseline " + shown(a) +
                                           "\nbaseline status: EXPLICIT\nExplicit\n"
                                           "Component " +
                                           shown(cx) + "\nbaseline " + shown(x1) +
                                           "\nbaseline status: OVERRIDDEN\nImplied_count: 1 \n"
                                           "baseline " +
                                           shown(x2) +
                                           "\nbaseline status: OVERRIDE\nExplicit\n"
                                           "Component " +
                                           shown(cz) + "\nbaseline " + shown(z1) +
                                           "\nbaseline status: REMOVED\n"
                                           "No redundant explicit baselines\n");
  capture.clear();
  ASSERT_EQ(f.remove_baselines(bl_list({x2})), 0);
  EXPECT_EQ(capture.joined(IMSG_TRACE), "Begin FOUNDATION DUMP\nEND FOUNDATION DUMP\n")
      << "a removal dumps as well";
}

TEST_P(FoundationTest, StatusTextsCoverEveryValue) {
  EXPECT_STREQ(SUM_Foundation::baseline_status_to_string(SUM_Foundation::OVERRIDDEN), "OVERRIDDEN");
  EXPECT_STREQ(SUM_Foundation::baseline_status_to_string(SUM_Foundation::NOT_FOUND), "NOT_FOUND");
  EXPECT_STREQ(SUM_Foundation::baseline_status_to_string(7), "UNKNOWN");
  EXPECT_STREQ(SUM_Foundation::baseline_status_to_i18_string(SUM_Foundation::EXPLICIT),
               "(explicit)");
  EXPECT_STREQ(SUM_Foundation::baseline_status_to_i18_string(SUM_Foundation::CONFLICT),
               "(conflict)");
  EXPECT_STREQ(SUM_Foundation::baseline_status_to_i18_string(SUM_Foundation::REMOVED), "(removed)");
  EXPECT_STREQ(SUM_Foundation::baseline_status_to_i18_string(-1), "(unknown)");
}

TEST_P(FoundationTest, StreamFoundationEvaluatesItsExplicitBaselines) {
  SUM_Project project;
  ASSERT_EQ(SUM_Project::create("proj", "", root, "", 0, project), 0);
  SUM_Stream stream;
  ASSERT_EQ(
      SUM_Stream::create("dev", "", project, SUM_Stream(), "", 1, 0, bl_list({a, x2}), stream), 0);
  SUM_Foundation f;
  int unavailable = -1;
  ASSERT_EQ(stream.foundation(f, unavailable), 0);
  EXPECT_EQ(unavailable, 0);
  EXPECT_EQ(explicit_of(f), bl_list({a, x2}));
  EXPECT_EQ(status_of(f, x1), SUM_Foundation::OVERRIDDEN);

  // The stream's components and foundation baselines are those of the
  // closure: what the explicit composite implies counts, what its
  // overridden member alone brought does not.
  SUM_ComponentList comps;
  ASSERT_EQ(stream.components(comps), 0);
  EXPECT_EQ(comps.count(), 2u);
  EXPECT_GE(comps.find(ca), 0);
  EXPECT_GE(comps.find(cx), 0);
  SUM_Baseline effective;
  ASSERT_EQ(stream.baseline_util(cx, 0, effective), 0);
  EXPECT_EQ(effective, x2);
  EXPECT_EQ(stream.baseline_util(cz, 0, effective), 1002);

  SUM_Project other;
  ASSERT_EQ(SUM_Project::create("other", "", root, "", 0, other), 0);
  SUM_Stream whole;
  ASSERT_EQ(SUM_Stream::create("whole", "", other, SUM_Stream(), "", 1, 0, bl_list({a}), whole), 0);
  ASSERT_EQ(whole.components(comps), 0);
  EXPECT_EQ(comps.count(), 3u);
  ASSERT_EQ(whole.baseline_util(cz, 0, effective), 0);
  EXPECT_EQ(effective, z1) << "implied through two levels of members";
}

INSTANTIATE_TEST_SUITE_P(BothForms, FoundationTest, ::testing::Values(8, 6), zem_test::level_name);

}  // namespace
