// The trigger service: trigger types as stored, which types an operation
// gets, what their commands see, refusals and failures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/rgy.h"
#include "services/vob.h"
#include "services/vob_trig.h"
#include "sum/sum_vob.h"
#include "support/imsg_capture.h"
#include "support/sandbox.h"
#include "support/vob_elem_fixture.h"

namespace {

using test_support::ImsgCapture;
using test_support::read_file;
using test_support::ScopedEnv;
using test_support::TempHome;

class TrigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvob = test_support::make_test_vob("/pvob", true);
    src = test_support::make_test_vob("/src");
    ASSERT_EQ(SUM_Vob(src).set_admin_vob(SUM_Vob(pvob)), 0);
    ASSERT_EQ(vob_ob_get_wk_obj(pvob, VOB_WK_ROOT_FOLDER, &root), 0);
    log = home.path() + "/fired.log";
  }

  tbs_dbid_t brtype(vob_vob_h vob, const char* name) {
    tbs_dbid_t dbid = 0;
    EXPECT_EQ(vob_type_create(vob, VOB_MTYPE_BRANCH_TYPE, name, nullptr, &dbid), 0);
    return dbid;
  }

  int make_type(vob_vob_h vob, const std::string& name, int phase, std::vector<vob_op_t> ops,
                const std::string& command, std::vector<vob_trig_obj_t> restrict_to = {},
                tbs_dbid_t* dbid = nullptr) {
    vob_trtype_create_args_t a;
    a.name = name;
    a.phase = phase;
    a.ops = std::move(ops);
    a.command = command;
    a.restrict_to = std::move(restrict_to);
    a.comment = "made by the test";
    return vob_trtype_create(vob, a, dbid);
  }

  // A command that appends "<type> <phase>" to the log.
  std::string log_line() const {
    return "echo \"$KORVANE_TRIGGER_TYPE $KORVANE_OP_PHASE\" >> " + log;
  }

  // Sets up `op` on (vob, obj) with `env`, fires the pre-operation triggers
  // and cleans up; the handle's presence goes to `had_handle`.
  int fire_pre(vob_vob_h vob, tbs_dbid_t obj, vob_op_t op, const vob_zem_trig_env_t& env,
               bool* had_handle = nullptr) {
    vob_zem_trig_h trig = nullptr;
    int status = vob_zem_trig_setup(vob, obj, op, 0, &env, nullptr, nullptr, &trig);
    if (had_handle != nullptr)
      *had_handle = trig != nullptr;
    if (status == 0 && trig != nullptr) {
      status = vob_zem_trig_fire_pre_triggers(vob, trig);
      EXPECT_EQ(vob_zem_trig_cleanup(trig), 0);
    }
    return status;
  }

  TempHome home;
  vob_vob_h pvob = nullptr;
  vob_vob_h src = nullptr;
  tbs_dbid_t root = 0;
  std::string log;
};

TEST(TrigOps, KindsAndNamesConvertBothWays) {
  EXPECT_STREQ(vob_op_to_str(VOB_OP_MKACTIVITY), "mkactivity");
  EXPECT_STREQ(vob_op_to_str(113), "deliver_resume");
  EXPECT_STREQ(vob_op_to_str(112), "setactivity_none");
  EXPECT_EQ(vob_op_to_str(111), nullptr);
  EXPECT_EQ(vob_op_to_str(0), nullptr);
  vob_op_t op = 0;
  ASSERT_EQ(vob_str_to_op("rebase_cancel", &op), 0);
  EXPECT_EQ(op, 94);
  EXPECT_EQ(vob_str_to_op("mkfoo", &op), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(op, 94) << "untouched on failure";
  ASSERT_EQ(vob_op_all().size(), 28u);
  for (vob_op_t each : vob_op_all()) {
    ASSERT_NE(vob_op_to_str(each), nullptr) << each;
    ASSERT_EQ(vob_str_to_op(vob_op_to_str(each), &op), 0);
    EXPECT_EQ(op, each);
  }
}

TEST_F(TrigTest, TypesAreStoredAndListedInCreationOrder) {
  tbs_dbid_t first = 0;
  ASSERT_EQ(make_type(pvob, "check_names", VOB_TRIG_PREOP, {VOB_OP_MKFOLDER, VOB_OP_RMFOLDER},
                      "exit 0", {}, &first),
            0);
  ASSERT_EQ(make_type(pvob, "notify", VOB_TRIG_POSTOP, {VOB_OP_MKBL}, "echo done",
                      {{pvob, root, nullptr}}),
            0);
  std::vector<vob_trtype_t> types;
  ASSERT_EQ(vob_trtype_list(pvob, types), 0);
  ASSERT_EQ(types.size(), 2u);
  EXPECT_EQ(types[0].dbid, first);
  EXPECT_EQ(types[0].name, "check_names");
  EXPECT_EQ(types[0].phase, VOB_TRIG_PREOP);
  EXPECT_EQ(types[0].ops, (std::vector<vob_op_t>{107, 109}));
  EXPECT_EQ(types[0].command, "exit 0");
  EXPECT_TRUE(types[0].restrictions.empty());
  EXPECT_EQ(types[1].name, "notify");
  EXPECT_EQ(types[1].phase, VOB_TRIG_POSTOP);
  ASSERT_EQ(types[1].restrictions.size(), 1u);
  EXPECT_EQ(types[1].restrictions[0].selector, "folder:RootFolder@/pvob");

  vob_trtype_t one;
  ASSERT_EQ(vob_trtype_get(pvob, first, &one), 0);
  EXPECT_EQ(one.name, "check_names");
  EXPECT_EQ(vob_trtype_get(pvob, root, &one), TBS_ST_NOT_FOUND) << "not a trigger type";
  char selector[1024];
  ASSERT_EQ(vob_obj_get_selector(pvob, first, selector, sizeof selector), 0);
  EXPECT_STREQ(selector, "trtype:check_names@/pvob");
  std::vector<vob_trtype_t> none;
  ASSERT_EQ(vob_trtype_list(src, none), 0);
  EXPECT_TRUE(none.empty());
}

TEST_F(TrigTest, BadTypesAreRefusedWithAMessageAndNothingStored) {
  ASSERT_EQ(make_type(pvob, "t", VOB_TRIG_PREOP, {VOB_OP_MKFOLDER}, "true"), 0);
  ImsgCapture capture;
  EXPECT_EQ(make_type(pvob, "t", VOB_TRIG_POSTOP, {VOB_OP_MKBL}, "true"), TBS_ST_EXISTS);
  EXPECT_EQ(make_type(pvob, "u", VOB_TRIG_PREOP, {}, "true"), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(make_type(pvob, "u", VOB_TRIG_PREOP, {VOB_OP_MKFOLDER, 111}, "true"),
            TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(make_type(pvob, "u", VOB_TRIG_PREOP, {VOB_OP_MKFOLDER}, "  "), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(make_type(pvob, "a b", VOB_TRIG_PREOP, {VOB_OP_MKFOLDER}, "true"), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(make_type(pvob, "u", 3, {VOB_OP_MKFOLDER}, "true"), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(
      make_type(pvob, "u", VOB_TRIG_PREOP, {VOB_OP_MKFOLDER}, "true", {{pvob, 99999, nullptr}}),
      TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "A trigger type named \"t\" already exists.\n"
            "Trigger type \"u\" must name at least one operation kind.\n"
            "Operation kind 111 cannot have triggers.\n"
            "The command of trigger type \"u\" is empty.\n"
            "Name \"a b\" contains characters that are not allowed: names are made of letters, "
            "digits, \"-\", \"_\" and \".\", do not start with \"-\" and are not \".\" or \"..\".\n"
            "Object 99999 of VOB \"/pvob\" named in the restrictions of trigger type \"u\" "
            "does not exist.\n");
  std::vector<vob_trtype_t> types;
  ASSERT_EQ(vob_trtype_list(pvob, types), 0);
  ASSERT_EQ(types.size(), 1u);
  EXPECT_EQ(types[0].phase, VOB_TRIG_PREOP) << "the first type is unchanged";
}

TEST_F(TrigTest, OnlyOwnersAndPrivilegedUsersMakeAndRemoveTypes) {
  vob_vob_h owned = nullptr;
  {
    ScopedEnv alice("KORVANE_USER", "alice");
    owned = test_support::make_test_vob("/alicevob", true);
    ASSERT_EQ(make_type(owned, "mine", VOB_TRIG_PREOP, {VOB_OP_MKFOLDER}, "true"), 0);
  }
  tbs_dbid_t mine = 0;
  ASSERT_EQ(vob_obj_resolve(owned, "mine", VOB_MTYPE_TRIGGER_TYPE, &mine), 0);
  {
    ScopedEnv bob("KORVANE_USER", "bob");
    ImsgCapture capture;
    EXPECT_EQ(make_type(owned, "bobs", VOB_TRIG_PREOP, {VOB_OP_MKFOLDER}, "true"),
              TBS_ST_NO_PERMISSION);
    EXPECT_EQ(vob_trtype_remove(owned, mine, nullptr), TBS_ST_NO_PERMISSION);
    EXPECT_EQ(capture.joined(IMSG_ERROR),
              "No permission to change vob \"/alicevob\": user \"bob\" is neither its owner "
              "(\"alice\"), the owner of VOB \"/alicevob\" (\"alice\") nor a privileged user.\n"
              "No permission to change trtype \"mine@/alicevob\": user \"bob\" is neither its "
              "owner (\"alice\"), the owner of VOB \"/alicevob\" (\"alice\") nor a privileged "
              "user.\n");
  }
  ASSERT_EQ(rgy_add_privileged_user("carol"), 0);
  {
    ScopedEnv carol("KORVANE_USER", "carol");
    EXPECT_EQ(make_type(owned, "carols", VOB_TRIG_PREOP, {VOB_OP_MKFOLDER}, "true"), 0);
  }
  {
    ScopedEnv alice("KORVANE_USER", "alice");
    vob_event_info_t event;
    event.comment = "no longer needed";
    EXPECT_EQ(vob_trtype_remove(owned, mine, &event), 0);
    EXPECT_EQ(vob_trtype_remove(owned, mine, &event), TBS_ST_NOT_FOUND);
    EXPECT_EQ(vob_trtype_remove(owned, root, &event), TBS_ST_NOT_FOUND) << "not a trigger type";
  }
  std::vector<vob_trtype_t> types;
  ASSERT_EQ(vob_trtype_list(owned, types), 0);
  ASSERT_EQ(types.size(), 1u);
  EXPECT_EQ(types[0].name, "carols");
  tbs_dbid_t vob_object = test_support::wk_obj(owned, VOB_WK_VOB_OBJECT);
  vob_event_t removal;
  ASSERT_EQ(vob_event_get_latest(owned, vob_object, VOB_EVENT_REMOVE, &removal), 0);
  EXPECT_EQ(removal.comment, "no longer needed");
  EXPECT_EQ(removal.user, "alice");
}

TEST_F(TrigTest, LockedVobOrTypeCannotChange) {
  tbs_dbid_t type = 0;
  ASSERT_EQ(make_type(pvob, "t", VOB_TRIG_PREOP, {VOB_OP_MKFOLDER}, "true", {}, &type), 0);
  ASSERT_EQ(vob_obj_lock(pvob, type, 0, {}, nullptr), 0);
  ImsgCapture capture;
  EXPECT_EQ(vob_trtype_remove(pvob, type, nullptr), TBS_ST_LOCKED);
  tbs_dbid_t vob_object = test_support::wk_obj(pvob, VOB_WK_VOB_OBJECT);
  ASSERT_EQ(vob_obj_lock(pvob, vob_object, 0, {}, nullptr), 0);
  EXPECT_EQ(make_type(pvob, "u", VOB_TRIG_PREOP, {VOB_OP_MKFOLDER}, "true"), TBS_ST_LOCKED);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "Object \"trtype:t@/pvob\" is locked.\nObject \"vob:/pvob\" is locked.\n");
  std::vector<vob_trtype_t> types;
  ASSERT_EQ(vob_trtype_list(pvob, types), 0);
  EXPECT_EQ(types.size(), 1u);
}

TEST_F(TrigTest, TypesApplyByKindRestrictionAndAdminHierarchy) {
  tbs_dbid_t tag = brtype(pvob, "tagged");
  tbs_dbid_t plain = brtype(pvob, "plain");
  tbs_dbid_t local = brtype(src, "local");
  ASSERT_EQ(make_type(pvob, "all", VOB_TRIG_PREOP, {VOB_OP_MKFOLDER, VOB_OP_MKBL}, log_line()), 0);
  ASSERT_EQ(make_type(pvob, "root_only", VOB_TRIG_PREOP, {VOB_OP_MKFOLDER}, log_line(),
                      {{pvob, root, nullptr}}),
            0);
  ASSERT_EQ(make_type(pvob, "tagged_only", VOB_TRIG_PREOP, {VOB_OP_MKFOLDER}, log_line(),
                      {{pvob, tag, nullptr}, {src, local, nullptr}}),
            0);
  ASSERT_EQ(make_type(src, "in_src", VOB_TRIG_PREOP, {VOB_OP_MKFOLDER}, log_line()), 0);
  ASSERT_EQ(make_type(pvob, "after", VOB_TRIG_POSTOP, {VOB_OP_MKFOLDER}, log_line()), 0);

  vob_zem_trig_env_t empty;
  EXPECT_EQ(fire_pre(pvob, root, VOB_OP_MKFOLDER, empty), 0);
  EXPECT_EQ(read_file(log), "all preop\nroot_only preop\n");

  std::remove(log.c_str());
  vob_zem_trig_env_t with_tagged;
  with_tagged.parent_folder = {pvob, tag, nullptr};
  EXPECT_EQ(fire_pre(pvob, plain, VOB_OP_MKFOLDER, with_tagged), 0);
  EXPECT_EQ(read_file(log), "all preop\ntagged_only preop\n") << "an object of the record";

  std::remove(log.c_str());
  vob_zem_trig_env_t listed;
  vob_vob_h vobs[] = {pvob, pvob};
  tbs_dbid_t dbids[] = {plain, root};
  listed.baselines = {2, vobs, dbids};
  EXPECT_EQ(fire_pre(pvob, plain, VOB_OP_MKFOLDER, listed), 0);
  EXPECT_EQ(read_file(log), "all preop\nroot_only preop\n") << "an object of a list";

  std::remove(log.c_str());
  EXPECT_EQ(fire_pre(src, local, VOB_OP_MKFOLDER, empty), 0);
  EXPECT_EQ(read_file(log), "in_src preop\nall preop\ntagged_only preop\n")
      << "own VOB first, then the admin VOB";

  bool had_handle = true;
  EXPECT_EQ(fire_pre(pvob, root, VOB_OP_RMPROJECT, empty, &had_handle), 0);
  EXPECT_FALSE(had_handle) << "no type names rmproject";
  vob_zem_trig_h trig = nullptr;
  EXPECT_EQ(vob_zem_trig_setup(pvob, root, 111, 0, &empty, nullptr, nullptr, &trig),
            TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(vob_zem_trig_setup(pvob, 0, VOB_OP_MKFOLDER, 0, &empty, nullptr, nullptr, &trig),
            TBS_ST_BAD_ARGUMENT);
}

TEST_F(TrigTest, RestrictionsReferToObjectsOfTheVobAndItsAdminVobs) {
  tbs_dbid_t local = brtype(src, "local");
  tbs_dbid_t other = brtype(src, "other");
  int referenced = -1;
  ASSERT_EQ(vob_obj_refd_by_trtype(pvob, root, &referenced), 0);
  EXPECT_EQ(referenced, 0);
  tbs_dbid_t type = 0;
  ASSERT_EQ(make_type(pvob, "guard", VOB_TRIG_PREOP, {VOB_OP_RMFOLDER}, "true",
                      {{pvob, root, nullptr}, {src, local, nullptr}}, &type),
            0);
  ASSERT_EQ(vob_obj_refd_by_trtype(pvob, root, &referenced), 0);
  EXPECT_EQ(referenced, 1);
  ASSERT_EQ(vob_obj_refd_by_trtype(src, local, &referenced), 0);
  EXPECT_EQ(referenced, 1) << "named by a type of the admin VOB";
  ASSERT_EQ(vob_obj_refd_by_trtype(src, other, &referenced), 0);
  EXPECT_EQ(referenced, 0);
  EXPECT_EQ(vob_obj_refd_by_trtype(pvob, 99999, &referenced), TBS_ST_NOT_FOUND);
  ASSERT_EQ(vob_trtype_remove(pvob, type, nullptr), 0);
  ASSERT_EQ(vob_obj_refd_by_trtype(pvob, root, &referenced), 0);
  EXPECT_EQ(referenced, 0) << "the restriction went with its type";
}

TEST_F(TrigTest, FailingPreTriggerRefusesAndStopsTheRest) {
  ASSERT_EQ(make_type(pvob, "allow", VOB_TRIG_PREOP, {VOB_OP_MKFOLDER}, log_line()), 0);
  ASSERT_EQ(make_type(pvob, "deny", VOB_TRIG_PREOP, {VOB_OP_MKFOLDER}, log_line() + "; exit 3"), 0);
  ASSERT_EQ(make_type(pvob, "later", VOB_TRIG_PREOP, {VOB_OP_MKFOLDER}, log_line()), 0);
  ImsgCapture capture;
  vob_zem_trig_env_t empty;
  EXPECT_EQ(fire_pre(pvob, root, VOB_OP_MKFOLDER, empty), TBS_ST_ERROR);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "Trigger type \"deny@/pvob\" refused the operation \"mkfolder\": its command exited "
            "with status 3.\n");
  EXPECT_EQ(read_file(log), "allow preop\ndeny preop\n");
}

TEST_F(TrigTest, CommandsSeeTheOperationAsEnvironmentVariables) {
  std::string out = home.path() + "/env.txt";
  ASSERT_EQ(make_type(pvob, "record", VOB_TRIG_PREOP, {VOB_OP_MKFOLDER},
                      "env | grep '^KORVANE_' | grep -v '^KORVANE_HOME=' | sort > " + out),
            0);
  tbs_dbid_t b1 = brtype(pvob, "b1");
  tbs_dbid_t b2 = brtype(pvob, "b2");
  vob_zem_trig_env_t env;
  env.parent_folder = {pvob, root, nullptr};
  env.folder.new_name = "docs";
  vob_vob_h vobs[] = {pvob, pvob};
  tbs_dbid_t dbids[] = {b1, b2};
  env.activities = {2, vobs, dbids};
  env.change = "renamed";
  vob_event_info_t event;
  event.comment = "new docs folder";
  // An outer operation's variable must not leak into this one's.
  ScopedEnv outer("KORVANE_STREAM", "stream:outer@/pvob");
  ScopedEnv user("KORVANE_USER", "alice");
  vob_zem_trig_h trig = nullptr;
  ASSERT_EQ(vob_zem_trig_setup(pvob, root, VOB_OP_MKFOLDER, VOB_OP_MKPROJECT, &env, "dev_view",
                               &event, &trig),
            0);
  ASSERT_NE(trig, nullptr);
  EXPECT_EQ(vob_zem_trig_fire_pre_triggers(src, trig), TBS_ST_BAD_ARGUMENT) << "another VOB";
  EXPECT_EQ(vob_zem_trig_fire_pre_triggers(pvob, trig), 0);
  EXPECT_EQ(vob_zem_trig_cleanup(trig), 0);
  EXPECT_EQ(read_file(out),
            "KORVANE_ACTIVITIES=brtype:b1@/pvob,brtype:b2@/pvob\n"
            "KORVANE_CHANGE=renamed\n"
            "KORVANE_COMMENT=new docs folder\n"
            "KORVANE_NEW_NAME=docs\n"
            "KORVANE_OBJECT=folder:RootFolder@/pvob\n"
            "KORVANE_OP=mkfolder\n"
            "KORVANE_OP_KIND=107\n"
            "KORVANE_OP_PHASE=preop\n"
            "KORVANE_PARENT_FOLDER=folder:RootFolder@/pvob\n"
            "KORVANE_PARENT_OP=mkproject\n"
            "KORVANE_TRIGGER_TYPE=record\n"
            "KORVANE_USER=alice\n"
            "KORVANE_VIEW=dev_view\n"
            "KORVANE_VOB=/pvob\n");
}

TEST_F(TrigTest, PostTriggersSeeTheNewObjectAndTheResetRecord) {
  std::string out = home.path() + "/post.txt";
  ASSERT_EQ(make_type(pvob, "first", VOB_TRIG_POSTOP, {VOB_OP_MKFOLDER},
                      "echo \"$KORVANE_NEW_NAME|$KORVANE_NEW_OBJECT|$KORVANE_STREAM\" >> " + out +
                          "; exit 5"),
            0);
  ASSERT_EQ(make_type(pvob, "second", VOB_TRIG_POSTOP, {VOB_OP_MKFOLDER}, log_line()), 0);
  tbs_dbid_t made = brtype(pvob, "made");
  tbs_dbid_t doomed = 0;
  ASSERT_EQ(make_type(pvob, "doomed", VOB_TRIG_POSTOP, {VOB_OP_RMPROJECT}, "true", {}, &doomed), 0);
  vob_zem_trig_env_t env;
  env.folder.new_name = "before";
  env.stream = {pvob, doomed, nullptr};
  vob_zem_trig_h trig = nullptr;
  ASSERT_EQ(vob_zem_trig_setup(pvob, root, VOB_OP_MKFOLDER, 0, &env, nullptr, nullptr, &trig), 0);
  ASSERT_NE(trig, nullptr);
  EXPECT_EQ(vob_zem_trig_fire_pre_triggers(pvob, trig), 0) << "no pre-operation types";
  EXPECT_EQ(read_file(out), "");

  // The operation removes an object of the record: the snapshot still names it.
  ASSERT_EQ(vob_trtype_remove(pvob, doomed, nullptr), 0);
  env.folder.new_name = "after";
  ImsgCapture capture;
  EXPECT_EQ(vob_zem_trig_fire_post_triggers(pvob, trig, 0, pvob), TBS_ST_ERROR);
  EXPECT_EQ(capture.joined(IMSG_WARNING),
            "Trigger type \"first@/pvob\" failed after the operation \"mkfolder\": its command "
            "exited with status 5.\n");
  EXPECT_EQ(read_file(log), "second postop\n") << "the others still run";

  ASSERT_EQ(vob_zem_trig_reset_evs(&env, trig), 0);
  EXPECT_EQ(vob_zem_trig_fire_post_triggers(pvob, trig, made, pvob), TBS_ST_ERROR);
  EXPECT_EQ(vob_zem_trig_cleanup(trig), 0);
  EXPECT_EQ(read_file(out),
            "before||trtype:doomed@/pvob\n"
            "after|brtype:made@/pvob|\n")
      << "reset takes the record again; the removed object is then gone";
}

TEST_F(TrigTest, CommandsUseTheCallersOutputStreams) {
  ASSERT_EQ(make_type(pvob, "talk", VOB_TRIG_PREOP, {VOB_OP_MKFOLDER},
                      "echo \"out $KORVANE_OP\"; echo \"err $KORVANE_OP\" >&2"),
            0);
  auto result = test_support::run_in_child([&] {
    vob_zem_trig_env_t empty;
    std::printf("before\n");
    fire_pre(pvob, root, VOB_OP_MKFOLDER, empty);
    std::printf("after\n");
  });
  EXPECT_EQ(result.out, "before\nout mkfolder\nafter\n");
  EXPECT_EQ(result.err, "err mkfolder\n");
}

}  // namespace
