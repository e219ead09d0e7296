// Composite baselines in both storage forms: the dependency record written
// and read back, member resolution with its statuses and messages (an
// unreachable VOB, a member that no longer exists), dependency scopes, and
// the dependents search across PVOBs.
#include <gtest/gtest.h>

#include <string>

#include "services/imsg.h"
#include "sum/sum_baseline.h"
#include "sum/sum_baseline_dependency.h"
#include "sum/sum_cache_control.h"
#include "sum/sum_hash_tab.h"
#include "sum/xml_element.h"
#include "sum_composite_fixture.h"
#include "support/checks.h"

namespace {

using test_support::ImsgCapture;
using test_support::out;
using zem_test::bl_list;
using zem_test::comp_list;

class BaselineDependencyTest : public zem_test::CompositeTest {
 protected:
  void SetUp() override {
    CompositeTest::SetUp();
    lib = rootless("lib");
    app = rootless("app");
    sys = rootless("sys");
    lib1 = composite(lib, "lib1", {});
    app1 = composite(app, "app1", {lib1});
    sys1 = composite(sys, "sys1", {app1});
  }
  // A record naming `selectors` (member, component) in order.
  static std::string record(std::initializer_list<std::pair<std::string, std::string>> deps) {
    std::string xml = "<bl_info><deps_v1>";
    for (const auto& dep : deps)
      xml +=
          "<dep><dep_sel>" + dep.first + "</dep_sel><comp_sel>" + dep.second + "</comp_sel></dep>";
    return xml + "</deps_v1></bl_info>";
  }

  SUM_Component lib, app, sys;
  SUM_Baseline lib1, app1, sys1;
};

TEST_P(BaselineDependencyTest, RecordNamesMembersAndComponentsByUniversalSelector) {
  SUM_String xml;
  ASSERT_EQ(SUM_BaselineDependency::deps_to_xml_text(bl_list({lib1, app1}), xml), 0);
  EXPECT_EQ(std::string(xml), record({{univ(lib1), univ(lib)}, {univ(app1), univ(app)}}));
  ASSERT_EQ(SUM_BaselineDependency::deps_to_xml_text(SUM_BaselineList(), xml), 0);
  EXPECT_EQ(std::string(xml), "") << "no members: no record";

  SUM_BaselineDependencyList records;
  ASSERT_EQ(app1.dependencies(records), 0);
  ASSERT_EQ(records.count(), 1u);
  EXPECT_EQ(records[0].baseline(), app1);
  EXPECT_EQ(std::string(records[0].dependency_selector()), univ(lib1));
  EXPECT_EQ(std::string(records[0].component_selector()), univ(lib));
  SUM_Baseline member;
  SUM_Component member_component;
  EXPECT_EQ(records[0].dependency(member, 0), SUM_BaselineDependency::RESOLVED);
  EXPECT_EQ(records[0].component(member_component, 0), SUM_BaselineDependency::RESOLVED);
  EXPECT_EQ(member, lib1);
  EXPECT_EQ(member_component, lib);
  EXPECT_EQ(std::string(records[0].any_name()), "lib1");

  EXPECT_EQ(out(app1, &SUM_Baseline::has_dependencies), 1);
  EXPECT_EQ(out(lib1, &SUM_Baseline::has_dependencies), 0);
  SUM_BaselineList members;
  int unavailable = -1;
  ASSERT_EQ(sys1.dependencies(members, unavailable), 0);
  EXPECT_EQ(members, bl_list({app1}));
  EXPECT_EQ(unavailable, 0);
}

TEST_P(BaselineDependencyTest, ScopesFollowMembersOnceOrRecursively) {
  SUM_Baseline both = composite(rootless("all"), "both", {app1, lib1, sys1});
  EXPECT_EQ(out(both, &SUM_Baseline::dependency_scope), comp_list({app, lib, sys}));
  EXPECT_EQ(out(sys1, &SUM_Baseline::dependency_scope), comp_list({app}));
  EXPECT_EQ(out(sys1, &SUM_Baseline::full_dependency_scope), comp_list({app, lib}))
      << "members of members count, each component once";
  EXPECT_EQ(out(lib1, &SUM_Baseline::full_dependency_scope), SUM_ComponentList());
}

TEST_P(BaselineDependencyTest, MemberInUnreachableVobIsLeftOutWithOneMessage) {
  // The PVOB's own family with one digit changed: a family nobody registered.
  std::string here = univ(lib1);
  std::string lost_vob = here.substr(here.find('@') + 1);
  char& digit = lost_vob[std::string("vobuuid:").size()];
  digit = digit == '0' ? '1' : '0';
  std::string lost = here.substr(0, here.find('@') + 1) + lost_vob;
  SUM_Baseline mixed =
      with_record(rootless("mixed"), "mixed", record({{lost, lost}, {univ(lib1), univ(lib)}}));
  SUM_CacheControl scope;  // the records, and their resolution, are kept for the scope
  ImsgCapture capture;
  SUM_BaselineList members;
  int unavailable = 0;
  ASSERT_EQ(mixed.dependencies(members, unavailable), 0);
  EXPECT_EQ(members, bl_list({lib1})) << "the reachable member still counts";
  EXPECT_EQ(unavailable, 1);
  ASSERT_EQ(mixed.dependencies(members, unavailable), 0);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "VOB unavailable: " + lost_vob + "\n");

  SUM_BaselineDependencyList records;
  ASSERT_EQ(mixed.dependencies(records), 0);
  SUM_Baseline none;
  SUM_Component no_component;
  EXPECT_EQ(records[0].dependency(none, 1), SUM_BaselineDependency::VOB_UNAVAILABLE);
  EXPECT_EQ(records[0].component(no_component, 1), SUM_BaselineDependency::VOB_UNAVAILABLE);
  EXPECT_TRUE(none.is_null()) << "nothing is handed out for an unresolved member";
  EXPECT_EQ(std::string(records[0].any_name()), lost);
}

TEST_P(BaselineDependencyTest, MissingMemberEndsTheListAndSaysWhy) {
  SUM_Baseline gone = composite(lib, "gone", {});
  std::string gone_sel = univ(gone);
  SUM_Baseline broken = with_record(
      rootless("broken"), "broken",
      record({{univ(app1), univ(app)}, {gone_sel, univ(lib)}, {univ(sys1), univ(sys)}}));
  ASSERT_EQ(vob_zem_baseline_delete(pvob.handle(), gone.dbid(), nullptr), 0);

  ImsgCapture capture;
  SUM_BaselineList members;
  int unavailable = 0;
  ASSERT_EQ(broken.dependencies(members, unavailable), 0);
  EXPECT_EQ(members, bl_list({app1})) << "members after the missing one are not read";
  EXPECT_EQ(unavailable, 0);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "Non-existent baseline: " + gone_sel + "\n");

  SUM_BaselineDependencyList records;
  ASSERT_EQ(broken.dependencies(records), 0);
  SUM_Baseline member;
  EXPECT_EQ(records[1].dependency(member, 1), SUM_BaselineDependency::UNRESOLVABLE);
  SUM_Baseline read_back;
  SUM_BaselineDependencyList bad;
  XML_Element dep_without_selector;
  ASSERT_EQ(XML_Element::parse("<deps_v1><dep><comp_sel>x</comp_sel></dep></deps_v1>",
                               dep_without_selector),
            0);
  EXPECT_EQ(SUM_BaselineDependency::xml_to_deps(broken, dep_without_selector, bad), 1072);
}

TEST_P(BaselineDependencyTest, DependentsAreFoundAcrossLevels) {
  SUM_Baseline other = composite(rootless("other"), "other", {lib1});
  SUM_BaselineList found;
  {
    ImsgCapture capture;
    ASSERT_EQ(lib1.reverse_dependency_list(found, 0), 0);
    EXPECT_EQ(capture.joined(IMSG_WARNING),
              "Searching PVOBs for baselines that depend upon baseline \"" + shown(lib1) +
                  "\".  This may take a few minutes...\n\n");
  }
  EXPECT_EQ(found, bl_list({app1, other}));
  ASSERT_EQ(lib1.reverse_dependency_list(found, 1), 0);
  EXPECT_EQ(found, bl_list({app1, sys1, other}));
  ASSERT_EQ(sys1.reverse_dependency_list(found, 1), 0);
  EXPECT_EQ(found.count(), 0u);

  ImsgCapture capture;
  ASSERT_EQ(lib1.reverse_dependency_print(1), 0);
  EXPECT_EQ(capture.joined(IMSG_INFO), "Following baselines depend on baseline \"" + shown(lib1) +
                                           "\":\n"
                                           "    baseline:app1@/pvob (component:app@/pvob)\n"
                                           "        baseline:sys1@/pvob (component:sys@/pvob)\n"
                                           "    baseline:other@/pvob (component:other@/pvob)\n");
}

TEST_P(BaselineDependencyTest, BrokenCompositeIsReportedAndSkippedBySearch) {
  SUM_Baseline gone = composite(lib, "gone", {});
  SUM_Baseline broken = with_record(rootless("broken"), "broken",
                                    record({{univ(gone), univ(lib)}, {univ(lib1), univ(lib)}}));
  ASSERT_EQ(vob_zem_baseline_delete(pvob.handle(), gone.dbid(), nullptr), 0);
  ImsgCapture capture;
  SUM_BaselineList found;
  ASSERT_EQ(lib1.reverse_dependency_list(found, 0), 0);
  EXPECT_EQ(found, bl_list({app1, broken})) << "its resolvable members still count";
  EXPECT_NE(capture.joined(IMSG_WARNING)
                .find("The composite baseline \"" + shown(broken) +
                      "\" depends upon a baseline that is unavailable or has been removed.\n"),
            std::string::npos)
      << capture.joined(IMSG_WARNING);
}

INSTANTIATE_TEST_SUITE_P(BothForms, BaselineDependencyTest, ::testing::Values(8, 6),
                         zem_test::level_name);

}  // namespace
