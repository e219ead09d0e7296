// The library's set-up and inspection operations: VOBs in the registry
// (SUM_Vob), objects found by selector or name with their locks and
// process variables (SUM_VobObject), trigger types (SUM_TriggerType), and
// the selector helpers (sum_utl_parse_selector, sum_utl_type_kind_mtype).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "services/vob.h"
#include "sum/sum_trigger_type.h"
#include "sum/sum_utl_names.h"
#include "sum/sum_version.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"
#include "support/imsg_capture.h"
#include "support/sandbox.h"

namespace {

using test_support::ScopedEnv;

class SumVobAdminTest : public ::testing::Test {
 protected:
  SUM_Vob make_vob(const std::string& tag, bool pvob = false) {
    vob_create_args_t args;
    args.tag = tag;
    args.project_vob = pvob;
    SUM_Vob vob;
    EXPECT_EQ(SUM_Vob::create(args, vob), 0) << tag;
    return vob;
  }

  static std::vector<std::string> registered_tags() {
    std::vector<rgy_vob_entry> entries;
    EXPECT_EQ(SUM_Vob::registry_entries(entries), 0);
    std::vector<std::string> tags;
    for (const auto& e : entries)
      tags.push_back(e.tag);
    return tags;
  }

  test_support::TempHome home;
};

TEST_F(SumVobAdminTest, VobsAreMadeRegisteredAndRemoved) {
  SUM_Vob vob = make_vob("/data");
  ASSERT_FALSE(vob.is_null());
  std::string storage;
  ASSERT_EQ(vob.storage_path(storage), 0);
  EXPECT_TRUE(std::filesystem::is_directory(storage)) << storage;
  rgy_vob_entry entry;
  ASSERT_EQ(SUM_Vob::registry_entry("/data", entry), 0);
  EXPECT_EQ(entry.storage_path, storage);
  EXPECT_EQ(entry.kind, RGY_VOB_ORDINARY);
  EXPECT_EQ(registered_tags(), std::vector<std::string>{"/data"});

  // A taken tag is refused; the registry keeps one entry.
  test_support::ImsgCapture capture;
  vob_create_args_t again;
  again.tag = "/data";
  SUM_Vob second;
  EXPECT_EQ(SUM_Vob::create(again, second), TBS_ST_EXISTS);
  EXPECT_TRUE(second.is_null());

  entry.tag = "untouched";
  EXPECT_EQ(SUM_Vob::registry_entry("/nowhere", entry), TBS_ST_NOT_FOUND);
  EXPECT_EQ(entry.tag, "untouched");
  EXPECT_EQ(SUM_Vob::remove("/data"), 0);
  EXPECT_TRUE(registered_tags().empty());
  EXPECT_EQ(SUM_Vob::remove("/data"), TBS_ST_NOT_FOUND);
}

TEST_F(SumVobAdminTest, RegisterStorageBringsBackALostTag) {
  SUM_Vob vob = make_vob("/kept");
  std::string storage;
  ASSERT_EQ(vob.storage_path(storage), 0);
  test_support::ImsgCapture capture;
  SUM_Vob none;
  EXPECT_EQ(SUM_Vob::register_storage((home.path() + "/no-such-storage").c_str(), "", none),
            TBS_ST_NOT_FOUND);
  EXPECT_TRUE(none.is_null());
  // Registering the storage under its own tag again is refused: the tag is
  // taken.
  EXPECT_EQ(SUM_Vob::register_storage(storage.c_str(), "", none), TBS_ST_EXISTS);
}

TEST_F(SumVobAdminTest, TypesOfAVobAreListedByMetatype) {
  SUM_Vob vob = make_vob("/types");
  std::vector<tbs_dbid_t> types;
  ASSERT_EQ(vob.types(VOB_MTYPE_BRANCH_TYPE, types), 0);
  ASSERT_FALSE(types.empty());
  SUM_VobObject main_type;
  ASSERT_EQ(SUM_VobObject::construct_from_name(vob, "main", VOB_MTYPE_BRANCH_TYPE, main_type), 0);
  EXPECT_NE(std::find(types.begin(), types.end(), main_type.dbid()), types.end());

  SUM_BranchType made;
  ASSERT_EQ(SUM_BranchType::create(vob, "dev", "for dev", made), 0);
  ASSERT_EQ(vob.types(VOB_MTYPE_BRANCH_TYPE, types), 0);
  EXPECT_NE(std::find(types.begin(), types.end(), made.dbid()), types.end());
  vob_event_t created;
  ASSERT_EQ(made.latest_event(VOB_EVENT_CREATE, created), 0);
  EXPECT_EQ(created.comment, "for dev");
  test_support::ImsgCapture capture;
  SUM_BranchType twice;
  EXPECT_EQ(SUM_BranchType::create(vob, "dev", "", twice), TBS_ST_EXISTS);
  SUM_VobObject missing;
  EXPECT_EQ(SUM_VobObject::construct_from_name(vob, "nope", VOB_MTYPE_BRANCH_TYPE, missing),
            TBS_ST_NOT_FOUND);
  EXPECT_TRUE(missing.is_null());
}

TEST_F(SumVobAdminTest, ObjectsAreFoundBySelectorLockedAndUnlocked) {
  SUM_Vob vob = make_vob("/objs");
  SUM_LabelType label;
  ASSERT_EQ(SUM_LabelType::create(vob, "REL1", "", label), 0);

  SUM_VobObject found;
  ASSERT_EQ(SUM_VobObject::construct_from_any_selector("lbtype:REL1@/objs", SUM_Vob(), found), 0);
  EXPECT_EQ(found.dbid(), label.dbid());
  // Without "@vob" the default VOB serves; without one nothing is named.
  ASSERT_EQ(SUM_VobObject::construct_from_any_selector("lbtype:REL1", vob, found), 0);
  EXPECT_EQ(found.dbid(), label.dbid());
  EXPECT_NE(SUM_VobObject::construct_from_any_selector("lbtype:REL1", SUM_Vob(), found), 0);
  EXPECT_EQ(SUM_VobObject::construct_from_any_selector("lbtype:NONE@/objs", SUM_Vob(), found),
            TBS_ST_NOT_FOUND);
  EXPECT_EQ(SUM_VobObject::construct_from_any_selector("lbtype:REL1@/gone", SUM_Vob(), found),
            TBS_ST_NOT_FOUND);
  EXPECT_EQ(found.dbid(), label.dbid());
  EXPECT_STREQ(SUM_VobObject::metatype_text(VOB_MTYPE_LABEL_TYPE),
               vob_mtype_to_str(VOB_MTYPE_LABEL_TYPE));

  vob_lock_t lock;
  EXPECT_EQ(label.lock_info(lock), TBS_ST_NOT_FOUND);
  ASSERT_EQ(label.lock(1, {"alice", "bob"}, "frozen"), 0);
  ASSERT_EQ(label.lock_info(lock), 0);
  EXPECT_EQ(lock.obsolete, 1);
  EXPECT_EQ(lock.exempt, (std::vector<std::string>{"alice", "bob"}));
  ASSERT_EQ(label.unlock("thawed"), 0);
  EXPECT_EQ(label.lock_info(lock), TBS_ST_NOT_FOUND);
  EXPECT_EQ(label.unlock("again"), TBS_ST_NOT_FOUND);
}

TEST_F(SumVobAdminTest, ProcessVariablesAndHyperlinksReadBack) {
  SUM_Vob vob = make_vob("/vars");
  SUM_LabelType label;
  ASSERT_EQ(SUM_LabelType::create(vob, "L", "", label), 0);
  std::vector<std::string> names{"stale"};
  ASSERT_EQ(label.pvar_names(names), 0);
  EXPECT_TRUE(names.empty());
  ASSERT_EQ(vob_obj_set_pvar(vob.handle(), label.dbid(), "SETTING", "a=1"), 0);
  ASSERT_EQ(label.pvar_names(names), 0);
  EXPECT_EQ(names, std::vector<std::string>{"SETTING"});
  std::string value = "untouched";
  ASSERT_EQ(label.pvar_value("SETTING", value), 0);
  EXPECT_EQ(value, "a=1");
  value = "untouched";
  EXPECT_EQ(label.pvar_value("OTHER", value), TBS_ST_NOT_FOUND);
  EXPECT_EQ(value, "untouched");

  SUM_LabelType other;
  ASSERT_EQ(SUM_LabelType::create(vob, "M", "", other), 0);
  ASSERT_EQ(label.create_hyperlink_to(other, "Related", nullptr, nullptr, nullptr), 0);
  std::vector<vob_hlink_typed_end_t> ends;
  ASSERT_EQ(label.hyperlink_ends(ends), 0);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].type_name, "Related");
  EXPECT_EQ(ends[0].end.other, other.dbid());
  ASSERT_EQ(other.hyperlink_ends(ends), 0);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].direction, 0);
}

TEST_F(SumVobAdminTest, TriggerTypesAreMadeListedAndRemoved) {
  SUM_Vob pvob = make_vob("/tpvob", true);
  vob_trtype_create_args_t args;
  args.name = "audit";
  args.phase = VOB_TRIG_PREOP;
  args.ops = {VOB_OP_MKACTIVITY};
  args.command = "true";
  SUM_TriggerType made;
  ASSERT_EQ(SUM_TriggerType::create(pvob, args, made), 0);
  std::vector<vob_trtype_t> types;
  ASSERT_EQ(SUM_TriggerType::list(pvob, types), 0);
  ASSERT_EQ(types.size(), 1u);
  EXPECT_EQ(types[0].name, "audit");
  EXPECT_EQ(types[0].ops, std::vector<vob_op_t>{VOB_OP_MKACTIVITY});
  SUM_TriggerType found;
  ASSERT_EQ(SUM_TriggerType::construct_from_name(pvob, "audit", found), 0);
  EXPECT_EQ(found.dbid(), made.dbid());

  {
    // Only the VOB's owner (or a privileged user) may make or remove one.
    ScopedEnv other("KORVANE_USER", "somebody_else");
    test_support::ImsgCapture capture;
    args.name = "intruder";
    SUM_TriggerType refused;
    EXPECT_EQ(SUM_TriggerType::create(pvob, args, refused), TBS_ST_NO_PERMISSION);
    EXPECT_EQ(found.remove("no"), TBS_ST_NO_PERMISSION);
  }
  ASSERT_EQ(SUM_TriggerType::list(pvob, types), 0);
  EXPECT_EQ(types.size(), 1u);
  ASSERT_EQ(found.remove("done"), 0);
  ASSERT_EQ(SUM_TriggerType::list(pvob, types), 0);
  EXPECT_TRUE(types.empty());
  EXPECT_EQ(SUM_TriggerType::construct_from_name(pvob, "audit", found), TBS_ST_NOT_FOUND);
}

TEST(SumTriggerOperations, NamesAndKindsTranslateBothWays) {
  const std::vector<vob_op_t>& all = SUM_TriggerType::operations();
  ASSERT_FALSE(all.empty());
  for (vob_op_t op : all) {
    const char* text = SUM_TriggerType::operation_text(op);
    ASSERT_NE(text, nullptr) << op;
    vob_op_t back = 0;
    ASSERT_EQ(SUM_TriggerType::operation_of(text, back), 0) << text;
    EXPECT_EQ(back, op);
  }
  vob_op_t kept = VOB_OP_MKACTIVITY;
  EXPECT_EQ(SUM_TriggerType::operation_of("mkeverything", kept), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(kept, VOB_OP_MKACTIVITY);
}

TEST(SumSelectorHelpers, SelectorsSplitAndTypeKindsMapToMetatypes) {
  vob_objsel_t parsed;
  ASSERT_EQ(sum_utl_parse_selector("stream:dev@/pvob", parsed), 0);
  EXPECT_EQ(parsed.kind, "stream");
  EXPECT_EQ(parsed.name, "dev");
  EXPECT_EQ(parsed.vob, "/pvob");
  ASSERT_EQ(sum_utl_parse_selector("dev", parsed), 0);
  EXPECT_EQ(parsed.kind, "");
  EXPECT_EQ(parsed.vob, "");
  parsed.name = "kept";
  EXPECT_EQ(sum_utl_parse_selector("stream:@/pvob", parsed), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(parsed.name, "kept");

  vob_mtype_t mtype = VOB_MTYPE_NONE;
  ASSERT_EQ(sum_utl_type_kind_mtype("lbtype", mtype), 0);
  EXPECT_EQ(mtype, VOB_MTYPE_LABEL_TYPE);
  ASSERT_EQ(sum_utl_type_kind_mtype("brtype", mtype), 0);
  EXPECT_EQ(mtype, VOB_MTYPE_BRANCH_TYPE);
  // A stream is an object, not a type; "color" is no kind at all.
  EXPECT_EQ(sum_utl_type_kind_mtype("stream", mtype), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(sum_utl_type_kind_mtype("color", mtype), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(mtype, VOB_MTYPE_BRANCH_TYPE);
}

}  // namespace
