// SUM_Project in both storage forms (feature levels 8 and 6): creation and
// its starting settings, the template rules, names and titles, the rebase
// level, the baseline naming template, policies, permission and removal.
#include <gtest/gtest.h>

#include <string>

#include "sum/sum_folder.h"
#include "sum/sum_project.h"
#include "sum/sum_pvar.h"
#include "sum_pvob_fixture.h"
#include "support/checks.h"

namespace {

using test_support::fails_mentioning;
using test_support::fails_with;
using test_support::ImsgCapture;
using test_support::out;
using test_support::text;
using zem_test::ScopedEnv;

class ProjectTest : public zem_test::PvobLevelTest {
 protected:
  SUM_Project make(const char* name, int single_stream = 0) {
    SUM_Project project;
    EXPECT_EQ(SUM_Project::create(name, "made", root, "", single_stream, project), 0) << name;
    return project;
  }
  std::string value(const SUM_Project& p, int id) {
    SUM_String got;
    EXPECT_EQ(p.policy(id, got), 0);
    return static_cast<const char*>(got);
  }
  std::string pvar(const SUM_Project& p, const char* name) {
    SUM_String got;
    EXPECT_EQ(sum_pvar_get(p, name, got), 0);
    return static_cast<const char*>(got);
  }
  static std::string rebase_level(const SUM_Project& p) {
    return static_cast<const char*>(out(p, &SUM_Project::rebase_plevel).name());
  }
};

TEST_P(ProjectTest, NewProjectHasDefaultSettings) {
  SUM_Project p = make("alpha");
  ASSERT_FALSE(p.is_null());
  EXPECT_EQ(SUM_Project::convert(p), p);
  SUM_Project found;
  EXPECT_EQ(SUM_Project::construct_from_selector("project:alpha@/pvob", SUM_Vob(), found), 0);
  EXPECT_EQ(found, p);
  EXPECT_EQ(out(p, &SUM_Project::folder), root);

  // Every visible policy disabled, snapshot ones false but WinDevVSnap.
  EXPECT_EQ(value(p, SUM_Policy::UNIX_DEV_SNAP), "False");
  EXPECT_EQ(value(p, SUM_Policy::WIN_DEV_SNAP), "True");
  EXPECT_EQ(value(p, SUM_Policy::DELIVER_REQUIRE_REBASE), "DISABLED");
  EXPECT_EQ(value(p, SUM_Policy::CHPROJECT_UNRESTRICTED), "DISABLED");
  EXPECT_EQ(value(p, SUM_Policy::PROJECT_MODEL), "DEFAULT");
  EXPECT_EQ(value(p, SUM_Policy::BASELINE_NAMING_TEMPLATE), "basename");
  EXPECT_EQ(out(p, &SUM_Project::policy).count(), 18u);
  EXPECT_EQ(out(p, &SUM_Project::is_single_stream_project), 0);
  EXPECT_EQ(out(p, &SUM_Project::basename_used), 1);
  EXPECT_EQ(out(p, &SUM_Project::is_template_project), 0);
  EXPECT_EQ(rebase_level(p), "INITIAL") << "the rebase level is the PVOB's default level";

  SUM_Project dup;
  EXPECT_TRUE(fails_with(1001, "The name is already in use.\n",
                         [&] { return SUM_Project::create("alpha", "", root, "", 0, dup); }));
  EXPECT_TRUE(dup.is_null());
}

TEST_P(ProjectTest, UnchangedValuesAnswer1067AndWriteNothing) {
  SUM_Project p = make("alpha");
  SUM_PolicyList list = out(p, &SUM_Project::policy);
  EXPECT_EQ(SUM_Policy::update_list(list, SUM_Policy::INTERPROJECT_DELIVER, "DISABLED"), 1067);
  const char* const same[] = {"basename"};
  EXPECT_EQ(p.set_blname_template(same, 1, "", 1), 1067);
  EXPECT_EQ(p.set_rebase_plevel(out(p, &SUM_Project::rebase_plevel), "", 1), 0);

  EXPECT_EQ(p.set_rebase_plevel(SUM_PLevel("BUILT", pvob), "higher", 1), 0);
  EXPECT_EQ(rebase_level(p), "BUILT");
  EXPECT_TRUE(fails_with(1002, "Promotion level GOLD not found.\n",
                         [&] { return p.set_rebase_plevel(SUM_PLevel("GOLD", pvob), "", 1); }));
}

TEST_P(ProjectTest, PolicyKeysSkipModelAndTemplate) {
  SUM_Project p = make("alpha");
  SUM_PolicyList list = out(p, &SUM_Project::policy);
  const char* const keys[] = {"POLICY_PROJECT_MODEL", "BASELINE_NAMING_TEMPLATE",
                              "POLICY_INTERPROJECT_DELIVER"};
  {
    ImsgCapture capture;
    EXPECT_EQ(SUM_Policy::enable_policies(list, 3, keys, GetParam()), 0);
    EXPECT_EQ(capture.texts(IMSG_WARNING).size(), 2u);
  }
  ASSERT_EQ(p.set_policy(list, "enable", 1), 0);
  EXPECT_EQ(value(p, SUM_Policy::INTERPROJECT_DELIVER), "ENABLED");
  EXPECT_EQ(value(p, SUM_Policy::PROJECT_MODEL), "DEFAULT");
  EXPECT_EQ(value(p, SUM_Policy::BASELINE_NAMING_TEMPLATE), "basename");
  EXPECT_NE(pvar(p, "POLICY_PROJECT_PVAR").find("<8>ENABLED</8>"), std::string::npos);

  // A value the feature level does not allow is refused, nothing written.
  SUM_PolicyList bad;
  ASSERT_EQ(SUM_Policy::update_list(bad, SUM_Policy::CHSTREAM_UNRESTRICTED, "True"), 0);
  EXPECT_TRUE(fails_with(1001,
                         "\"True\" is an invalid value for policy \"ChstreamUnrestricted\" at "
                         "VOB feature level \"" +
                             std::to_string(GetParam()) + "\".\n",
                         [&] { return p.set_policy(bad, "", 1); }));
  EXPECT_EQ(value(p, SUM_Policy::CHSTREAM_UNRESTRICTED), "DISABLED");
}

TEST_P(ProjectTest, NamingTemplateTokensAreChecked) {
  SUM_Project p = make("alpha");
  const char* const good[] = {"project", "date", "basename"};
  ASSERT_EQ(p.set_blname_template(good, 3, "", 1), 0);
  EXPECT_EQ(text(p, &SUM_Project::get_blname_template), "project_date_basename");

  const char* const bad[] = {"project", "weekday"};
  EXPECT_TRUE(fails_with(1001, "Invalid baseline naming token \"weekday\".\n",
                         [&] { return p.set_blname_template(bad, 2, "", 1); }));
  EXPECT_EQ(text(p, &SUM_Project::get_blname_template), "project_date_basename");

  const char* const without[] = {"stream", "time"};
  ASSERT_EQ(p.set_blname_template(without, 2, "", 1), 0);
  EXPECT_EQ(out(p, &SUM_Project::basename_used), 0);
  SUM_StringList tokens = out(p, &SUM_Project::get_blname_template_list);
  ASSERT_EQ(tokens.count(), 2u);
  EXPECT_STREQ(tokens[1], "time");
  ASSERT_EQ(p.set_blname_template_default("", 1), 0);
  EXPECT_EQ(text(p, &SUM_Project::get_blname_template), "basename");
}

TEST_P(ProjectTest, TemplateIsUniqueAndSeedsNewProjects) {
  SUM_Project::Settings settings;
  settings.blname_tokens.append("project");
  settings.blname_tokens.append("basename");
  settings.enable_keys.append("POLICY_DELIVER_REQUIRE_REBASE");
  SUM_Project templ;
  {
    ScopedEnv stranger("KORVANE_USER", "mallory");
    EXPECT_TRUE(fails_mentioning(1001, "mallory", [&] {
      return SUM_Project::create_template("tmpl", "", root, "", settings, templ);
    }));
    EXPECT_EQ(SUM_Project::template_prj_exists(pvob, templ), 1002);
  }
  ASSERT_EQ(SUM_Project::create_template("tmpl", "", root, "", settings, templ), 0);
  EXPECT_EQ(out(templ, &SUM_Project::is_template_project), 1);
  SUM_Project found;
  ASSERT_EQ(SUM_Project::template_prj_exists(pvob, found), 0);
  EXPECT_EQ(found, templ);

  SUM_Project second;
  EXPECT_TRUE(fails_with(
      1001, "Project template already exists. PVOB can not have more than one project template.\n",
      [&] { return SUM_Project::create_template("tmpl2", "", root, "", {}, second); }));

  ImsgCapture capture;
  SUM_Project seeded = make("beta");
  EXPECT_EQ(capture.joined(IMSG_INFO),
            "Project settings will default to the project template, unless over-ridden "
            "explicitly.\n");
  EXPECT_EQ(value(seeded, SUM_Policy::DELIVER_REQUIRE_REBASE), "ENABLED");
  EXPECT_EQ(value(seeded, SUM_Policy::BASELINE_NAMING_TEMPLATE), "project_basename");

  SUM_ProjectList all;
  ASSERT_EQ(SUM_Project::list_projects(pvob, all), 0);
  EXPECT_EQ(all.count(), 2u);
  EXPECT_GE(all.find(templ), 0);
  EXPECT_GE(all.find(seeded), 0);

  // Removing the template frees the place for a new one.
  ASSERT_EQ(templ.destroy(""), 0);
  EXPECT_EQ(SUM_Project::template_prj_exists(pvob, found), 1002);
}

TEST_P(ProjectTest, SingleStreamProjects) {
  SUM_Project p = make("solo", 1);
  EXPECT_EQ(out(p, &SUM_Project::is_single_stream_project), 1);
  EXPECT_EQ(value(p, SUM_Policy::PROJECT_MODEL), "SIMPLE");
}

TEST_P(ProjectTest, NamesTitlesAndMoves) {
  SUM_Project p = make("alpha");
  SUM_Folder sub;
  ASSERT_EQ(SUM_Folder::create("sub", "", root, "", sub), 0);
  ASSERT_EQ(p.set_name("gamma", "renamed"), 0);
  EXPECT_EQ(text(p, &SUM_Project::name), "gamma");
  ASSERT_EQ(sum_project_set_name("gamma@/pvob", "delta", ""), 0);
  EXPECT_EQ(text(p, &SUM_Project::title), "delta");
  ASSERT_EQ(p.set_title("The Delta Project", ""), 0);
  EXPECT_EQ(text(p, &SUM_Project::title), "The Delta Project");
  ASSERT_EQ(p.change_parent(sub, "move"), 0);
  EXPECT_EQ(out(p, &SUM_Project::folder), sub);

  vob_event_info_t event;
  ASSERT_EQ(vob_obj_lock(pvob.handle(), p.dbid(), 0, {}, &event), 0);
  EXPECT_TRUE(fails_with(1040,
                         "Unable to change the name. The project is either locked or obsolete.\n",
                         [&] { return p.set_name("epsilon", ""); }));
  EXPECT_TRUE(fails_with(1040,
                         "Unable to change the title. The project is either locked or obsolete.\n",
                         [&] { return p.set_title("Other", ""); }));
  EXPECT_EQ(text(p, &SUM_Project::name), "delta");
}

TEST_P(ProjectTest, PermissionFollowsOwnershipOrPolicy) {
  SUM_Project p = make("alpha");
  EXPECT_EQ(p.check_permission(), 0);
  EXPECT_EQ(p.check_admin_permission_no_master(), 0);
  {
    ScopedEnv stranger("KORVANE_USER", "mallory");
    EXPECT_EQ(p.check_permission(), 1001);
    EXPECT_TRUE(
        fails_mentioning(1001, "mallory", [&] { return p.check_admin_permission_no_master(); }));
    EXPECT_TRUE(fails_mentioning(1001, "No permission to change project",
                                 [&] { return p.set_title("Mine", ""); }));
  }
  SUM_PolicyList list;
  ASSERT_EQ(SUM_Policy::update_list(list, SUM_Policy::CHPROJECT_UNRESTRICTED, "ENABLED"), 0);
  ASSERT_EQ(p.set_policy(list, "open up", 1), 0);
  ScopedEnv stranger("KORVANE_USER", "mallory");
  EXPECT_EQ(p.check_permission(), 0);
  EXPECT_EQ(p.set_title("Ours", ""), 0);
}

TEST_P(ProjectTest, RemovalRefusals) {
  SUM_Project p = make("alpha");
  tbs_dbid_t trtype = guard(VOB_OP_RMPROJECT, p.dbid());
  EXPECT_EQ(out(p, &SUM_Project::ok_to_destroy), 0);
  EXPECT_TRUE(fails_mentioning(1001, "because of references to it in trigger type",
                               [&] { return p.destroy(""); }));
  ASSERT_EQ(vob_trtype_remove(pvob.handle(), trtype, nullptr), 0);

  SUM_Project copy = p;
  ASSERT_EQ(p.destroy("gone"), 0);
  EXPECT_TRUE(p.is_null());
  EXPECT_EQ(out(copy, &SUM_Project::exists), 0);
  EXPECT_EQ(SUM_Project().destroy(""), 1072);
}

INSTANTIATE_TEST_SUITE_P(BothForms, ProjectTest, ::testing::Values(8, 6), zem_test::level_name);

}  // namespace
