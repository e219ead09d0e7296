// SUM_Project in both storage forms (feature levels 8 and 6): creation and
// its starting settings, the template rules, names and titles, the rebase
// level, the baseline naming template, policies, permission and removal.
#include <gtest/gtest.h>

#include <string>

#include "services/vob_trig.h"
#include "sum/sum_folder.h"
#include "sum/sum_project.h"
#include "sum/sum_pvar.h"
#include "vob_zem_fixture.h"

namespace {

using test_support::ImsgCapture;
using test_support::TempHome;
using zem_test::ScopedEnv;

class ProjectTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    vob_create_args_t args;
    args.tag = "/pvob";
    args.project_vob = true;
    args.feature_level = GetParam();
    vob_vob_h handle = nullptr;
    ASSERT_EQ(vob_create(args, &handle), 0);
    pvob = SUM_Vob(handle);
    ASSERT_EQ(SUM_Folder::root_folder(pvob, root), 0);
  }

  SUM_Project make(const char* name, int single_stream = 0) {
    SUM_Project project;
    EXPECT_EQ(SUM_Project::create(name, "made", root, "", single_stream, project), 0) << name;
    return project;
  }
  std::string value(const SUM_Project& p, int id) {
    SUM_String text;
    EXPECT_EQ(p.policy(id, text), 0);
    return static_cast<const char*>(text);
  }
  std::string pvar(const SUM_Project& p, const char* name) {
    SUM_String text;
    EXPECT_EQ(sum_pvar_get(p, name, text), 0);
    return static_cast<const char*>(text);
  }

  TempHome home;
  ScopedEnv user{"KORVANE_USER", "vobadmin"};
  SUM_Vob pvob;
  SUM_Folder root;
};

TEST_P(ProjectTest, NewProjectHasDefaultSettings) {
  SUM_Project p = make("alpha");
  ASSERT_FALSE(p.is_null());
  EXPECT_EQ(SUM_Project::convert(p), p);
  SUM_Project found;
  EXPECT_EQ(SUM_Project::construct_from_selector("project:alpha@/pvob", SUM_Vob(), found), 0);
  EXPECT_EQ(found, p);
  SUM_Folder in;
  ASSERT_EQ(p.folder(in), 0);
  EXPECT_EQ(in, root);

  // Every visible policy disabled, snapshot ones false but WinDevVSnap.
  EXPECT_EQ(value(p, SUM_Policy::UNIX_DEV_SNAP), "False");
  EXPECT_EQ(value(p, SUM_Policy::WIN_DEV_SNAP), "True");
  EXPECT_EQ(value(p, SUM_Policy::DELIVER_REQUIRE_REBASE), "DISABLED");
  EXPECT_EQ(value(p, SUM_Policy::CHPROJECT_UNRESTRICTED), "DISABLED");
  EXPECT_EQ(value(p, SUM_Policy::PROJECT_MODEL), "DEFAULT");
  EXPECT_EQ(value(p, SUM_Policy::BASELINE_NAMING_TEMPLATE), "basename");
  SUM_PolicyList all;
  ASSERT_EQ(p.policy(all), 0);
  EXPECT_EQ(all.count(), 18u);
  int single = 1, used = 0, templ = 1;
  EXPECT_EQ(p.is_single_stream_project(single), 0);
  EXPECT_EQ(single, 0);
  EXPECT_EQ(p.basename_used(used), 0);
  EXPECT_EQ(used, 1);
  EXPECT_EQ(p.is_template_project(templ), 0);
  EXPECT_EQ(templ, 0);

  // The rebase level is the PVOB's default level.
  SUM_PLevel level;
  ASSERT_EQ(p.rebase_plevel(level), 0);
  EXPECT_STREQ(level.name(), "INITIAL");

  ImsgCapture capture;
  SUM_Project dup;
  EXPECT_EQ(SUM_Project::create("alpha", "", root, "", 0, dup), 1001);
  EXPECT_TRUE(dup.is_null());
  EXPECT_EQ(capture.joined(IMSG_ERROR), "The name is already in use.\n");
}

TEST_P(ProjectTest, UnchangedValuesAnswer1067AndWriteNothing) {
  SUM_Project p = make("alpha");
  SUM_PolicyList list;
  ASSERT_EQ(p.policy(list), 0);
  EXPECT_EQ(SUM_Policy::update_list(list, SUM_Policy::INTERPROJECT_DELIVER, "DISABLED"), 1067);
  const char* const same[] = {"basename"};
  EXPECT_EQ(p.set_blname_template(same, 1, "", 1), 1067);
  SUM_PLevel level;
  ASSERT_EQ(p.rebase_plevel(level), 0);
  EXPECT_EQ(p.set_rebase_plevel(level, "", 1), 0);

  SUM_PLevel built("BUILT", pvob);
  EXPECT_EQ(p.set_rebase_plevel(built, "higher", 1), 0);
  ASSERT_EQ(p.rebase_plevel(level), 0);
  EXPECT_STREQ(level.name(), "BUILT");
  ImsgCapture capture;
  EXPECT_EQ(p.set_rebase_plevel(SUM_PLevel("GOLD", pvob), "", 1), 1002);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "Promotion level GOLD not found.\n");
}

TEST_P(ProjectTest, PolicyKeysSkipModelAndTemplate) {
  SUM_Project p = make("alpha");
  SUM_PolicyList list;
  ASSERT_EQ(p.policy(list), 0);
  const char* const keys[] = {"POLICY_PROJECT_MODEL", "BASELINE_NAMING_TEMPLATE",
                              "POLICY_INTERPROJECT_DELIVER"};
  ImsgCapture capture;
  EXPECT_EQ(SUM_Policy::enable_policies(list, 3, keys, GetParam()), 0);
  EXPECT_EQ(capture.texts(IMSG_WARNING).size(), 2u);
  ASSERT_EQ(p.set_policy(list, "enable", 1), 0);
  EXPECT_EQ(value(p, SUM_Policy::INTERPROJECT_DELIVER), "ENABLED");
  EXPECT_EQ(value(p, SUM_Policy::PROJECT_MODEL), "DEFAULT");
  EXPECT_EQ(value(p, SUM_Policy::BASELINE_NAMING_TEMPLATE), "basename");
  EXPECT_EQ(pvar(p, "POLICY_PROJECT_PVAR").find("<8>ENABLED</8>") != std::string::npos, true);

  // A value the feature level does not allow is refused, nothing written.
  SUM_PolicyList bad;
  ASSERT_EQ(SUM_Policy::update_list(bad, SUM_Policy::CHSTREAM_UNRESTRICTED, "True"), 0);
  capture.clear();
  EXPECT_EQ(p.set_policy(bad, "", 1), 1001);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "\"True\" is an invalid value for policy \"ChstreamUnrestricted\" at VOB feature "
            "level \"" +
                std::to_string(GetParam()) + "\".\n");
  EXPECT_EQ(value(p, SUM_Policy::CHSTREAM_UNRESTRICTED), "DISABLED");
}

TEST_P(ProjectTest, NamingTemplateTokensAreChecked) {
  SUM_Project p = make("alpha");
  const char* const good[] = {"project", "date", "basename"};
  ASSERT_EQ(p.set_blname_template(good, 3, "", 1), 0);
  SUM_String text;
  ASSERT_EQ(p.get_blname_template(text), 0);
  EXPECT_STREQ(text, "project_date_basename");

  ImsgCapture capture;
  const char* const bad[] = {"project", "weekday"};
  EXPECT_EQ(p.set_blname_template(bad, 2, "", 1), 1001);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "Invalid baseline naming token \"weekday\".\n");
  ASSERT_EQ(p.get_blname_template(text), 0);
  EXPECT_STREQ(text, "project_date_basename");

  const char* const without[] = {"stream", "time"};
  ASSERT_EQ(p.set_blname_template(without, 2, "", 1), 0);
  int used = 1;
  EXPECT_EQ(p.basename_used(used), 0);
  EXPECT_EQ(used, 0);
  SUM_StringList tokens;
  ASSERT_EQ(p.get_blname_template_list(tokens), 0);
  ASSERT_EQ(tokens.count(), 2u);
  EXPECT_STREQ(tokens[1], "time");
  ASSERT_EQ(p.set_blname_template_default("", 1), 0);
  ASSERT_EQ(p.get_blname_template(text), 0);
  EXPECT_STREQ(text, "basename");
}

TEST_P(ProjectTest, TemplateIsUniqueAndSeedsNewProjects) {
  SUM_Project::Settings settings;
  settings.blname_tokens.append("project");
  settings.blname_tokens.append("basename");
  settings.enable_keys.append("POLICY_DELIVER_REQUIRE_REBASE");
  SUM_Project templ;
  ASSERT_EQ(SUM_Project::create_template("tmpl", "", root, "", settings, templ), 0);
  int is_templ = 0;
  EXPECT_EQ(templ.is_template_project(is_templ), 0);
  EXPECT_EQ(is_templ, 1);
  SUM_Project found;
  ASSERT_EQ(SUM_Project::template_prj_exists(pvob, found), 0);
  EXPECT_EQ(found, templ);

  ImsgCapture capture;
  SUM_Project second;
  EXPECT_EQ(SUM_Project::create_template("tmpl2", "", root, "", {}, second), 1001);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "Project template already exists. PVOB can not have more than one project "
            "template.\n");

  capture.clear();
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
  int single = 0;
  ASSERT_EQ(p.is_single_stream_project(single), 0);
  EXPECT_EQ(single, 1);
  EXPECT_EQ(value(p, SUM_Policy::PROJECT_MODEL), "SIMPLE");
}

TEST_P(ProjectTest, NamesTitlesAndMoves) {
  SUM_Project p = make("alpha");
  SUM_Folder sub;
  ASSERT_EQ(SUM_Folder::create("sub", "", root, "", sub), 0);
  ASSERT_EQ(p.set_name("gamma", "renamed"), 0);
  SUM_String text;
  ASSERT_EQ(p.name(text), 0);
  EXPECT_STREQ(text, "gamma");
  ASSERT_EQ(sum_project_set_name("gamma@/pvob", "delta", ""), 0);
  ASSERT_EQ(p.title(text), 0);
  EXPECT_STREQ(text, "delta");
  ASSERT_EQ(p.set_title("The Delta Project", ""), 0);
  ASSERT_EQ(p.title(text), 0);
  EXPECT_STREQ(text, "The Delta Project");
  ASSERT_EQ(p.change_parent(sub, "move"), 0);
  SUM_Folder in;
  ASSERT_EQ(p.folder(in), 0);
  EXPECT_EQ(in, sub);

  vob_event_info_t event;
  ASSERT_EQ(vob_obj_lock(pvob.handle(), p.dbid(), 0, {}, &event), 0);
  ImsgCapture capture;
  EXPECT_EQ(p.set_name("epsilon", ""), 1040);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "Unable to change the name. The project is either locked or obsolete.\n");
  capture.clear();
  EXPECT_EQ(p.set_title("Other", ""), 1040);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "Unable to change the title. The project is either locked or obsolete.\n");
  ASSERT_EQ(p.name(text), 0);
  EXPECT_STREQ(text, "delta");
}

TEST_P(ProjectTest, PermissionFollowsOwnershipOrPolicy) {
  SUM_Project p = make("alpha");
  EXPECT_EQ(p.check_permission(), 0);
  {
    ScopedEnv stranger("KORVANE_USER", "mallory");
    ImsgCapture capture;
    EXPECT_EQ(p.check_permission(), 1001);
    EXPECT_EQ(p.set_title("Mine", ""), 1001);
    EXPECT_NE(capture.joined(IMSG_ERROR).find("No permission to change project"),
              std::string::npos);
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
  vob_trtype_create_args_t args;
  args.name = "guard";
  args.ops = {VOB_OP_RMPROJECT};
  args.command = "true";
  vob_trig_obj_t target;
  target.vob = pvob.handle();
  target.dbid = p.dbid();
  args.restrict_to = {target};
  tbs_dbid_t trtype = 0;
  ASSERT_EQ(vob_trtype_create(pvob.handle(), args, &trtype), 0);
  ImsgCapture capture;
  int ok = 1;
  ASSERT_EQ(p.ok_to_destroy(ok), 0);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(p.destroy(""), 1001);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("because of references to it in trigger type"),
            std::string::npos);
  ASSERT_EQ(vob_trtype_remove(pvob.handle(), trtype, nullptr), 0);

  SUM_Project copy = p;
  ASSERT_EQ(p.destroy("gone"), 0);
  EXPECT_TRUE(p.is_null());
  int exists = 1;
  EXPECT_EQ(copy.exists(exists), 0);
  EXPECT_EQ(exists, 0);
  EXPECT_EQ(SUM_Project().destroy(""), 1072);
}

INSTANTIATE_TEST_SUITE_P(BothForms, ProjectTest, ::testing::Values(8, 6),
                         [](const auto& info) { return "level" + std::to_string(info.param); });

}  // namespace
