// SUM_Policy: the policy table, defaults, value checks, list updates by id
// and by key (enable, disable, delegate to streams), the value that applies
// on a stream, and the stored forms on projects and streams.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/tbs.h"
#include "services/vob.h"
#include "sum/sum_policy.h"
#include "sum/sum_pvar.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"
#include "support/imsg_capture.h"
#include "support/sandbox.h"
#include "support/vob_elem_fixture.h"

namespace {

using test_support::ImsgCapture;
using test_support::TempHome;

std::string str(const SUM_String& s) {
  return static_cast<const char*>(s);
}

std::string value_of(const SUM_PolicyList& list, int id) {
  SUM_String value;
  if (SUM_Policy::lookup(list, id, value) != 0)
    return "<absent>";
  return str(value);
}

int changed_of(const SUM_PolicyList& list, int id) {
  int at = list.find(SUM_Policy(id));
  return at < 0 ? -1 : list[static_cast<unsigned>(at)].get_changed();
}

TEST(Policy, TableNamesKeysTypesAndVisibility) {
  struct Row {
    const char* key;
    const char* name;
    int type;
  } rows[] = {
      {"POLICY_UNIX_INT_SNAP", "UnixIntVSnap", 1},
      {"POLICY_UNIX_DEV_SNAP", "UnixDevVSnap", 1},
      {"POLICY_WIN_INT_SNAP", "WinIntVSnap", 1},
      {"POLICY_WIN_DEV_SNAP", "WinDevVSnap", 1},
      {"POLICY_DELIVER_REQUIRE_REBASE", "DeliverReqRebase", 2},
      {"POLICY_DELIVER_NCO_DEVSTR", "DeliverAllowNCoDevStr", 2},
      {"POLICY_INTRAPROJECT_DELIVER_FOUNDATION_CHANGES", "IntraprojectDeliverFromFoundation", 2},
      {"POLICY_INTRAPROJECT_DELIVER_ALLOW_MISSING_TGTCOMPS",
       "IntraprojectDeliverAllowMissingTgtcomps", 2},
      {"POLICY_INTERPROJECT_DELIVER", "InterprojectDeliver", 2},
      {"POLICY_INTERPROJECT_DELIVER_FOUNDATION_CHANGES", "InterprojectDeliverFromFoundation", 2},
      {"POLICY_INTERPROJECT_DELIVER_REQUIRE_TGTCOMP_VISIBILITY",
       "InterprojectDeliverRequireTgtVisibility", 2},
      {"POLICY_INTERPROJECT_DELIVER_ALLOW_NONMOD_TGTCOMPS",
       "InterprojectDeliverAllowNonmodTgtcomps", 2},
      {"POLICY_CHPROJECT_UNRESTRICTED", "ChprojectUnrestricted", 1},
      {"POLICY_CHSTREAM_UNRESTRICTED", "ChstreamUnrestricted", 2},
      {"POLICY_PROJECT_MODEL", "ProjectModel", 1},
      {"BASELINE_NAMING_TEMPLATE", "BaselineNamingTemplate", 1},
      {"POLICY_DELIVER_NCO_SELACT", "DeliverAllowNCoSelAct", 2},
      {"POLICY_REBASE_CO", "RebaseAllowCo", 2},
  };
  for (int id = 0; id < 18; ++id) {
    SUM_Policy policy(id);
    EXPECT_EQ(SUM_Policy::is_valid(id), 1);
    EXPECT_STREQ(policy.pvar_name(), rows[id].key) << id;
    EXPECT_STREQ(policy.name(), rows[id].name) << id;
    EXPECT_EQ(policy.obj_type(), rows[id].type) << id;
    EXPECT_EQ(policy.visible(), id == 14 || id == 15 ? 0 : 1) << id;
    EXPECT_EQ(policy.default_value(), 0);
    int found = -1;
    ASSERT_EQ(SUM_Policy::name_to_id(rows[id].key, found), 0);
    EXPECT_EQ(found, id);
  }
  EXPECT_STREQ(SUM_Policy(4).description(),
               "Require development stream to be based on the project's recommended "
               "baseline(s) prior to deliver?");
  EXPECT_STREQ(SUM_Policy(8).description(), "Allow interproject deliver to project or stream");
  EXPECT_STREQ(SUM_Policy(12).description(), "Allow all users to modify the project");
  EXPECT_STREQ(SUM_Policy(15).description(), "Baseline Naming Template");
  EXPECT_STREQ(SUM_Policy(17).description(), "Allow rebase to proceed with checkouts in the view");

  for (int id : {-1, 18, 99}) {
    SUM_Policy outside(id);
    EXPECT_EQ(SUM_Policy::is_valid(id), 0);
    EXPECT_EQ(outside.obj_type(), 3);
    EXPECT_EQ(outside.visible(), 0);
    EXPECT_STREQ(outside.name(), "");
    EXPECT_STREQ(outside.pvar_name(), "");
  }
  EXPECT_EQ(SUM_Policy().policy_id(), 18) << "the default policy is no policy";
  int id = 7;
  EXPECT_EQ(SUM_Policy::name_to_id("DeliverReqRebase", id), 1002) << "user names are not keys";
  EXPECT_EQ(SUM_Policy::name_to_id("policy_rebase_co", id), 1002);
  EXPECT_EQ(id, 7);
}

TEST(Policy, DefaultsFillWhatIsNotStored) {
  SUM_PolicyList stream;
  SUM_Policy::add_defaults(stream, 1);
  EXPECT_EQ(stream.count(), 11u) << "only policies a stream may hold";
  for (int id : {0, 3, 12, 14, 15})
    EXPECT_EQ(value_of(stream, id), "<absent>") << id;
  EXPECT_EQ(value_of(stream, 13), "DISABLED");

  // Policies already listed keep their values.
  SUM_PolicyList partial;
  ASSERT_EQ(SUM_Policy::update_list(partial, 14, "SIMPLE"), 0);
  SUM_Policy::add_defaults(partial, 0);
  EXPECT_EQ(partial.count(), 18u);
  EXPECT_EQ(value_of(partial, 14), "SIMPLE");
}

TEST(Policy, UpdateListReportsChangesAndRefusesBadInput) {
  TempHome home;
  ImsgCapture capture;
  SUM_PolicyList list;
  ASSERT_EQ(SUM_Policy::update_list(list, 8, "ENABLED"), 0);
  EXPECT_EQ(changed_of(list, 8), 1);
  list[0].set_changed(0);
  EXPECT_EQ(SUM_Policy::update_list(list, 8, "ENABLED"), 1067) << "same value: no change";
  EXPECT_EQ(changed_of(list, 8), 0);
  EXPECT_EQ(SUM_Policy::update_list(list, "POLICY_INTERPROJECT_DELIVER", "DISABLED"), 0);
  EXPECT_EQ(value_of(list, 8), "DISABLED");
  EXPECT_EQ(changed_of(list, 8), 1);
  EXPECT_EQ(list.count(), 1u);
  EXPECT_EQ(capture.all().size(), 0u);

  EXPECT_EQ(SUM_Policy::update_list(list, 14, "COMPLEX"), 1002);
  EXPECT_EQ(SUM_Policy::update_list(list, 18, "ENABLED"), 1002);
  EXPECT_EQ(SUM_Policy::update_list(list, "InterprojectDeliver", "ENABLED"), 1002);
  EXPECT_EQ(capture.texts(IMSG_ERROR),
            (std::vector<std::string>{"Unknown model value \"COMPLEX\" specified.\n",
                                      "Invalid policy ID \"18\" used.\n",
                                      "Unknown policy name \"InterprojectDeliver\" specified.\n"}));
  EXPECT_EQ(list.count(), 1u) << "refusals add nothing";
  EXPECT_EQ(SUM_Policy::validate_model_value("SIMPLE"), 0);
  EXPECT_EQ(SUM_Policy::validate_model_value("DEFAULT"), 0);
  EXPECT_EQ(SUM_Policy::update_list(list, 14, "SIMPLE"), 0);

  SUM_Policy policy(4);
  EXPECT_EQ(policy.set_value(""), 1072);
  EXPECT_EQ(SUM_Policy::update_list(list, 4, ""), 1072);
}

TEST(Policy, EnableAndDisableByKeyFollowFeatureLevelAndSkipRefusedPolicies) {
  TempHome home;
  ImsgCapture capture;
  const char* keys[] = {"POLICY_PROJECT_MODEL", "POLICY_DELIVER_REQUIRE_REBASE",
                        "BASELINE_NAMING_TEMPLATE", "POLICY_WIN_DEV_SNAP", "POLICY_REBASE_CO"};
  SUM_PolicyList list;
  ASSERT_EQ(SUM_Policy::enable_policies(list, 5, keys, 8), 0);
  EXPECT_EQ(value_of(list, 4), "ENABLED");
  EXPECT_EQ(value_of(list, 3), "True");
  EXPECT_EQ(value_of(list, 17), "ENABLED");
  EXPECT_EQ(value_of(list, 14), "<absent>");
  EXPECT_EQ(value_of(list, 15), "<absent>");
  EXPECT_EQ(capture.texts(IMSG_WARNING),
            (std::vector<std::string>{
                "Policy value \"ENABLED\" is not a valid value for the project model.  This "
                "policy may only be set via the \"mkproject -model\" option.\n",
                "Policy value \"ENABLED\" is not a valid value for the baseline naming template.  "
                "This policy may only be set via the \"chproject -blname_template\" command.\n"}));
  capture.clear();
  EXPECT_EQ(SUM_Policy::enable_policies(list, 5, keys, 8), 1067) << "nothing changed";
  EXPECT_EQ(SUM_Policy::enable_policies(list, 1, keys, 8), 1067) << "only a refused key";

  ASSERT_EQ(SUM_Policy::disable_policies(list, 5, keys, 8), 0);
  EXPECT_EQ(value_of(list, 4), "DISABLED");
  EXPECT_EQ(value_of(list, 3), "False");

  // Below feature level 3 the deliver policies 4 and 5 are flags.
  SUM_PolicyList old;
  const char* deliver[] = {"POLICY_DELIVER_NCO_DEVSTR", "POLICY_DELIVER_REQUIRE_REBASE",
                           "POLICY_INTERPROJECT_DELIVER"};
  ASSERT_EQ(SUM_Policy::enable_policies(old, 3, deliver, 2), 0);
  EXPECT_EQ(value_of(old, 5), "True");
  EXPECT_EQ(value_of(old, 4), "True");
  EXPECT_EQ(value_of(old, 8), "ENABLED");
  ASSERT_EQ(SUM_Policy::enable_policies(old, 1, deliver, 3), 0);
  EXPECT_EQ(value_of(old, 5), "ENABLED");

  capture.clear();
  const char* with_unknown[] = {"POLICY_BOGUS", "POLICY_CHSTREAM_UNRESTRICTED"};
  EXPECT_EQ(SUM_Policy::enable_policies(list, 2, with_unknown, 8), 1001);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "Unknown policy name \"POLICY_BOGUS\" specified.\n");
  EXPECT_EQ(value_of(list, 13), "ENABLED") << "the known keys still apply";
  EXPECT_EQ(SUM_Policy::enable_policies(list, 1, nullptr, 8), 1072);
}

TEST(Policy, DelegatingToStreamsOnlyForStreamPolicies) {
  TempHome home;
  ImsgCapture capture;
  const char* keys[] = {"POLICY_DELIVER_NCO_SELACT", "POLICY_CHPROJECT_UNRESTRICTED",
                        "POLICY_PROJECT_MODEL", "POLICY_UNIX_DEV_SNAP"};
  SUM_PolicyList list;
  ASSERT_EQ(SUM_Policy::enable_bystr_policies(list, 4, keys, 8), 0);
  EXPECT_EQ(value_of(list, 16), "ENABLED_BY_STREAM");
  EXPECT_EQ(list.count(), 1u);
  EXPECT_EQ(capture.texts(IMSG_WARNING),
            (std::vector<std::string>{
                "Policy \"POLICY_CHPROJECT_UNRESTRICTED\" may only be set on a project.\n",
                "Policy value \"ENABLED_BY_STREAM\" is not a valid value for the project model.  "
                "This policy may only be set via the \"mkproject -model\" option.\n",
                "Policy \"POLICY_UNIX_DEV_SNAP\" may only be set on a project.\n"}));
}

TEST(Policy, ValuesValidPerPolicyFeatureLevelAndPlace) {
  struct Case {
    int id;
    const char* value;
    int level;
    int on_stream;
    int valid;
  } cases[] = {
      {0, "True", 8, 0, 1},
      {0, "ENABLED", 8, 0, 0},
      {0, "True", 8, 1, 0},
      {4, "True", 2, 0, 1},
      {4, "ENABLED", 2, 0, 0},
      {4, "ENABLED_BY_STREAM", 2, 0, 0},
      {4, "ENABLED", 3, 0, 1},
      {5, "ENABLED_BY_STREAM", 8, 0, 1},
      {5, "ENABLED_BY_STREAM", 8, 1, 0},
      {8, "True", 2, 0, 0},
      {12, "ENABLED_BY_STREAM", 8, 0, 0},
      {12, "ENABLED", 8, 1, 0},
      {12, "ENABLED", 8, 0, 1},
      {14, "SIMPLE", 8, 0, 1},
      {14, "ENABLED", 8, 0, 0},
      {15, "project_basename_date", 8, 0, 1},
      {15, "basename_", 8, 0, 0},
      {15, "base", 8, 0, 0},
      {15, "", 8, 0, 0},
      {17, "enabled", 8, 0, 0},
      {18, "ENABLED", 8, 0, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SUM_Policy::valid_value(c.id, c.value, c.level, c.on_stream), c.valid)
        << c.id << " " << c.value << " level " << c.level << " stream " << c.on_stream;
}

TEST(Policy, StreamValueAppliesOnlyWhenTheProjectDelegates) {
  EXPECT_STREQ(SUM_Policy::value_in_context("ENABLED_BY_STREAM", "ENABLED"), "ENABLED");
  EXPECT_STREQ(SUM_Policy::value_in_context("ENABLED_BY_STREAM", "DISABLED"), "DISABLED");
  EXPECT_STREQ(SUM_Policy::value_in_context("ENABLED_BY_STREAM", ""), "DISABLED");
  EXPECT_STREQ(SUM_Policy::value_in_context("DISABLED", "ENABLED"), "DISABLED");
  EXPECT_STREQ(SUM_Policy::value_in_context("ENABLED", "DISABLED"), "ENABLED");
  EXPECT_STREQ(SUM_Policy::value_in_context("", "ENABLED"), "DISABLED");
}

TEST(Policy, TreeFormsRoundTrip) {
  TempHome home;
  SUM_PolicyList list;
  ASSERT_EQ(SUM_Policy::update_list(list, 0, "True"), 0);
  ASSERT_EQ(SUM_Policy::update_list(list, 4, "ENABLED_BY_STREAM"), 0);
  ASSERT_EQ(SUM_Policy::update_list(list, 14, "SIMPLE"), 0);
  ASSERT_EQ(SUM_Policy::update_list(list, 15, "basename_date"), 0);
  ASSERT_EQ(SUM_Policy::update_list(list, 13, "DISABLED"), 0);
  list.append(SUM_Policy(16));  // no value: not stored

  SUM_String project;
  ASSERT_EQ(SUM_Policy::write_tree(list, "POLICY_PROJECT_PVAR", project), 0);
  EXPECT_EQ(str(project),
            "<POLICY_PROJECT_PVAR><4>ENABLED_BY_STREAM</4><14>SIMPLE</14><15>basename_date</15>"
            "<13>DISABLED</13></POLICY_PROJECT_PVAR>");
  SUM_String stream;
  ASSERT_EQ(SUM_Policy::write_tree(list, "POLICY_STREAM_PVAR", stream), 0);
  EXPECT_EQ(str(stream),
            "<POLICY_STREAM_PVAR><4>ENABLED_BY_STREAM</4><13>DISABLED</13></POLICY_STREAM_PVAR>");

  // Reading appends to what is listed; listed policies keep their values.
  SUM_PolicyList read;
  ASSERT_EQ(SUM_Policy::update_list(read, 13, "ENABLED"), 0);
  int complete = 0;
  ASSERT_EQ(SUM_Policy::read_tree(project, read, complete), 0);
  EXPECT_EQ(complete, 1);
  ASSERT_EQ(read.count(), 4u);
  EXPECT_EQ(read[1].policy_id(), 4);
  EXPECT_EQ(value_of(read, 4), "ENABLED_BY_STREAM");
  EXPECT_EQ(value_of(read, 15), "basename_date");
  EXPECT_EQ(value_of(read, 13), "ENABLED");
  EXPECT_EQ(changed_of(read, 4), 0) << "values read are not changes";

  ImsgCapture capture;
  SUM_PolicyList bad;
  EXPECT_EQ(SUM_Policy::write_tree(list, "POLICY_OTHER", stream), 1072);
  bad.append(SUM_Policy(30));
  EXPECT_EQ(SUM_Policy::write_tree(bad, "POLICY_PROJECT_PVAR", stream), 1072);
}

TEST(Policy, ReadingDamagedTreesSaysWhatIsMissing) {
  TempHome home;
  ImsgCapture capture;
  SUM_PolicyList list;
  int complete = 1;
  ASSERT_EQ(SUM_Policy::read_tree("<POLICY_PROJECT_PVAR><8>ENABLED</8><99>ENABLED</99>"
                                  "</POLICY_PROJECT_PVAR>",
                                  list, complete),
            0);
  EXPECT_EQ(complete, 0);
  EXPECT_EQ(list.count(), 1u);
  EXPECT_EQ(capture.joined(IMSG_WARNING), "An unknown policy ID, \"99\", has been used.\n");

  EXPECT_EQ(SUM_Policy::read_tree("<POLICY_PROJECT_PVAR><4>ENABLED</POLICY_PROJECT_PVAR>", list,
                                  complete),
            1001);
  EXPECT_EQ(SUM_Policy::read_tree("<POLICY_PROJECT_PVAR><x>ENABLED</x></POLICY_PROJECT_PVAR>", list,
                                  complete),
            1001);
  EXPECT_EQ(SUM_Policy::read_tree("", list, complete), 1072);
  EXPECT_EQ(list.count(), 1u) << "failed reads add nothing";
}

class PolicyStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SUM_Vob pvob(test_support::make_test_vob("/pvob", true));
    ASSERT_EQ(pvob.wk_obj(VOB_WK_ROOT_FOLDER, obj), 0);
  }
  TempHome home;
  SUM_VobObject obj;  // stands for a project or a stream: policies need only PVARs
};

TEST_F(PolicyStoreTest, NothingStoredReadsAsTheDefaults) {
  SUM_PolicyList list;
  for (int id = 0; id <= 3; ++id) {
    SUM_String value;
    ASSERT_EQ(SUM_Policy::read_flag(obj, id, value), 0);
    EXPECT_STREQ(value, "False");
    SUM_Policy flag(id);
    ASSERT_EQ(flag.set_value(value), 0);
    list.append(flag);
  }
  int complete = 0;
  EXPECT_EQ(SUM_Policy::read_stored(obj, "POLICY_PROJECT_PVAR", list, complete), 1002);
  SUM_Policy::add_defaults(list, 0);
  ASSERT_EQ(list.count(), 18u);
  for (int id = 0; id < 18; ++id) {
    std::string expected = id <= 3    ? "False"
                           : id == 14 ? "DEFAULT"
                           : id == 15 ? "basename"
                                      : "DISABLED";
    EXPECT_EQ(value_of(list, id), expected) << id;
    EXPECT_EQ(changed_of(list, id), 0) << "defaults are not changes";
  }
}

TEST_F(PolicyStoreTest, StoredFormsOnAnObject) {
  ASSERT_EQ(SUM_Policy::write_flag(obj, 3, 1, 103, "snap"), 0);
  SUM_String raw;
  ASSERT_EQ(sum_pvar_get(obj, "POLICY_WIN_DEV_SNAP", raw), 0);
  EXPECT_STREQ(raw, "True");
  SUM_String value;
  ASSERT_EQ(SUM_Policy::read_flag(obj, 3, value), 0);
  EXPECT_STREQ(value, "True");
  ASSERT_EQ(sum_pvar_set(obj, "POLICY_WIN_INT_SNAP", "yes", 103, ""), 0);
  ASSERT_EQ(SUM_Policy::read_flag(obj, 2, value), 0);
  EXPECT_STREQ(value, "False") << "only \"True\" reads as true";
  ImsgCapture capture;
  EXPECT_EQ(SUM_Policy::read_flag(obj, 4, value), 1072);
  EXPECT_EQ(SUM_Policy::write_flag(obj, 14, 1, 103, ""), 1072);

  SUM_PolicyList list;
  ASSERT_EQ(SUM_Policy::update_list(list, 12, "ENABLED"), 0);
  ASSERT_EQ(SUM_Policy::update_list(list, 5, "ENABLED_BY_STREAM"), 0);
  ASSERT_EQ(SUM_Policy::write_stored(obj, "POLICY_PROJECT_PVAR", list, 103, "policies"), 0);
  ASSERT_EQ(sum_pvar_get(obj, "POLICY_PROJECT_PVAR", raw), 0);
  EXPECT_STREQ(raw,
               "<POLICY_PROJECT_PVAR><12>ENABLED</12><5>ENABLED_BY_STREAM</5>"
               "</POLICY_PROJECT_PVAR>");
  SUM_PolicyList read;
  int complete = 0;
  ASSERT_EQ(SUM_Policy::read_stored(obj, "POLICY_PROJECT_PVAR", read, complete), 0);
  EXPECT_EQ(complete, 1);
  EXPECT_TRUE(read == list) << "the same policies in the same order";
  EXPECT_EQ(value_of(read, 5), "ENABLED_BY_STREAM");

  // Policies that older writers kept in variables of their own go; the
  // snapshot flags stay.
  ASSERT_EQ(sum_pvar_set(obj, "POLICY_DELIVER_NCO_DEVSTR", "ENABLED", 103, ""), 0);
  SUM_StringList failed;
  ASSERT_EQ(SUM_Policy::delete_obsolete_pvars(obj, 103, failed), 0);
  EXPECT_EQ(failed.count(), 0u);
  int exists = 1;
  ASSERT_EQ(sum_pvar_exists(obj, "POLICY_DELIVER_NCO_DEVSTR", exists), 0);
  EXPECT_EQ(exists, 0);
  ASSERT_EQ(sum_pvar_exists(obj, "POLICY_WIN_DEV_SNAP", exists), 0);
  EXPECT_EQ(exists, 1);

  EXPECT_EQ(SUM_Policy::read_stored(SUM_VobObject(), "POLICY_PROJECT_PVAR", read, complete), 1072);
}

}  // namespace
