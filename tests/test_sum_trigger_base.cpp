// SUM_TriggerBase and the trigger classes: setup, the nesting stack, what
// pre- and post-operation commands see, reset and cleanup.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/vob.h"
#include "services/vob_trig.h"
#include "sum/sum_trigger_base.h"
#include "sum/sum_triggers.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"
#include "support/imsg_capture.h"
#include "support/sandbox.h"
#include "support/vob_elem_fixture.h"

namespace {

using test_support::ImsgCapture;
using test_support::read_file;
using test_support::TempHome;

// A trigger class whose record the test can change after setup, standing
// for a class that adds to its record late.
class ProbeTrigger : public SUM_TriggerBase {
 public:
  ProbeTrigger(const SUM_VobObject& acting, int asks_reset)
      : SUM_TriggerBase(VOB_OP_CHSTREAM, "probe"), acting_(acting), asks_reset_(asks_reset) {}
  void change_text(const char* text) { keep(env_.change, text); }

 protected:
  int setup_env_vars() override {
    keep(env_.change, "at setup");
    return set_vob_obj(acting_);
  }
  int setup_postop_env_vars() override { return asks_reset_; }

 private:
  SUM_VobObject acting_;
  int asks_reset_;
};

class TriggerBaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvob = SUM_Vob(test_support::make_test_vob("/pvob", true));
    tbs_dbid_t dbid = 0;
    ASSERT_EQ(pvob.wk_obj(VOB_WK_ROOT_FOLDER, dbid), 0);
    root = SUM_VobObject(pvob, dbid);
    out = home.path() + "/seen.txt";
  }

  SUM_VobObject brtype(const char* name) {
    tbs_dbid_t dbid = 0;
    EXPECT_EQ(vob_type_create(pvob.handle(), VOB_MTYPE_BRANCH_TYPE, name, nullptr, &dbid), 0);
    return SUM_VobObject(pvob, dbid);
  }

  void make_type(const char* name, int phase, vob_op_t op, const std::string& command) {
    vob_trtype_create_args_t a;
    a.name = name;
    a.phase = phase;
    a.ops = {op};
    a.command = command;
    ASSERT_EQ(vob_trtype_create(pvob.handle(), a, nullptr), 0);
  }

  // A command appending the named variables, "|"-separated, as one line.
  std::string record(const std::vector<std::string>& names) const {
    std::string line;
    for (const auto& n : names)
      line += (line.empty() ? "" : "|") + std::string("$") + n;
    return "echo \"" + line + "\" >> " + out;
  }

  TempHome home;
  SUM_Vob pvob;
  SUM_VobObject root;
  std::string out;
};

TEST_F(TriggerBaseTest, WithoutTriggerTypesBothFiresPassAndNothingIsHeld) {
  int live = vob_zem_trig_live_count();
  {
    SUM_TrigMkFolder trigger(root, "docs", "a comment");
    EXPECT_EQ(trigger.op(), VOB_OP_MKFOLDER);
    EXPECT_EQ(trigger.parent_op(), 0);
    EXPECT_EQ(trigger.is_setup(), 0);
    EXPECT_EQ(trigger.fire_preop(), 0);
    EXPECT_EQ(trigger.is_setup(), 1);
    EXPECT_EQ(trigger.trig(), nullptr);
    EXPECT_EQ(trigger.vob_obj(), root);
    EXPECT_EQ(trigger.fire_postop(SUM_VobObject()), 0);
    EXPECT_EQ(trigger.fire_postop(brtype("docs")), 0);
    ASSERT_NE(SUM_TriggerBase::event_info(), nullptr);
    EXPECT_EQ(SUM_TriggerBase::event_info()->comment(), "a comment");
    EXPECT_EQ(SUM_TriggerBase::event_info()->opcode(), VOB_OP_MKFOLDER);
    EXPECT_EQ(vob_zem_trig_live_count(), live);
  }
  EXPECT_EQ(vob_zem_trig_live_count(), live);
}

TEST_F(TriggerBaseTest, HandleIsCleanedUpWhenTheTriggerObjectGoes) {
  make_type("pre", VOB_TRIG_PREOP, VOB_OP_RMFOLDER, "true");
  int live = vob_zem_trig_live_count();
  {
    SUM_TrigRmFolder trigger(root, "");
    EXPECT_EQ(trigger.fire_preop(), 0);
    EXPECT_NE(trigger.trig(), nullptr);
    EXPECT_EQ(vob_zem_trig_live_count(), live + 1);
  }
  EXPECT_EQ(vob_zem_trig_live_count(), live);
}

TEST_F(TriggerBaseTest, NestedTriggerObjectsSeeTheEnclosingKind) {
  make_type("nested", VOB_TRIG_PREOP, VOB_OP_MKSTREAM, record({"KORVANE_OP", "KORVANE_PARENT_OP"}));
  SUM_VobObject project = brtype("project_stand_in");
  {
    SUM_TrigMkProj outer(root, "p", "");
    EXPECT_EQ(outer.parent_op(), 0);
    {
      SUM_TrigMkStream inner(project, SUM_VobObject(), 0, "");
      EXPECT_EQ(inner.parent_op(), VOB_OP_MKPROJECT);
      EXPECT_EQ(inner.fire_preop(), 0);
      EXPECT_EQ(inner.vob_obj(), project) << "built with flag 0 it acts in the project";
    }
    SUM_TrigChFolder after_inner(root, SUM_VobObject(), "");
    EXPECT_EQ(after_inner.parent_op(), VOB_OP_MKPROJECT) << "the outer kind is on top again";
  }
  SUM_TrigRmFolder top(root, "");
  EXPECT_EQ(top.parent_op(), 0);
  EXPECT_EQ(read_file(out), "mkstream|mkproject\n");
}

TEST_F(TriggerBaseTest, ThirtyThirdScopeIsAnInternalError) {
  vob_op_t parent = -1;
  for (int i = 0; i < SUM_TriggerBase::kMaxNesting; ++i)
    ASSERT_EQ(SUM_TriggerBase::push_instance(100 + i, parent), 0) << i;
  EXPECT_EQ(parent, 130);
  ImsgCapture capture;
  EXPECT_EQ(SUM_TriggerBase::push_instance(VOB_OP_MKBL, parent), TBS_ST_INTERNAL);
  EXPECT_EQ(parent, 130) << "untouched";
  {
    SUM_TrigRmFolder refused(root, "");
    EXPECT_EQ(refused.parent_op(), 0);
    EXPECT_EQ(refused.fire_preop(), TBS_ST_INTERNAL);
    EXPECT_EQ(refused.fire_postop(SUM_VobObject()), 0) << "what was made stands";
  }
  std::vector<tbs_int_error_record> records;
  ASSERT_EQ(tbs_read_int_error_log(records), 0);
  ASSERT_GE(records.size(), 2u);
  EXPECT_EQ(records[0].source_file, "sum_trigger_base");
  EXPECT_EQ(records[0].operation, "SUM_TriggerBase::push_instance");
  // The refused object did not pop a scope it never pushed.
  SUM_TriggerBase::pop_instance();
  ASSERT_EQ(SUM_TriggerBase::push_instance(VOB_OP_MKBL, parent), 0);
  EXPECT_EQ(parent, 130);
  for (int i = 0; i <= SUM_TriggerBase::kMaxNesting; ++i)
    EXPECT_EQ(SUM_TriggerBase::pop_instance(), 0);
  ASSERT_EQ(SUM_TriggerBase::push_instance(VOB_OP_MKBL, parent), 0);
  EXPECT_EQ(parent, 0) << "empty again; popping an empty stack does nothing";
  SUM_TriggerBase::pop_instance();
}

TEST_F(TriggerBaseTest, RefusingPreTriggerStopsTheOperation) {
  make_type("deny", VOB_TRIG_PREOP, VOB_OP_MKFOLDER, "exit 3");
  ImsgCapture capture;
  SUM_TrigMkFolder trigger(root, "docs", "");
  EXPECT_EQ(trigger.fire_preop(), TBS_ST_ERROR);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "Trigger type \"deny@/pvob\" refused the operation \"mkfolder\": its command exited "
            "with status 3.\n");
}

TEST_F(TriggerBaseTest, PostopGivesTheNewObjectAndItsRebuiltSelector) {
  std::vector<std::string> vars = {"KORVANE_OP_PHASE",      "KORVANE_OBJECT",
                                   "KORVANE_PARENT_FOLDER", "KORVANE_NEW_NAME",
                                   "KORVANE_NEW_OBJECT",    "KORVANE_COMMENT"};
  make_type("pre", VOB_TRIG_PREOP, VOB_OP_MKFOLDER, record(vars));
  make_type("post", VOB_TRIG_POSTOP, VOB_OP_MKFOLDER, record(vars));
  SUM_TrigMkFolder trigger(root, "docs", "for the manuals");
  ASSERT_EQ(trigger.fire_preop(), 0);
  SUM_VobObject made = brtype("docs");
  ASSERT_EQ(trigger.fire_postop(made), 0);
  EXPECT_EQ(read_file(out),
            "preop|folder:RootFolder@/pvob|folder:RootFolder@/pvob|docs||for the manuals\n"
            "postop|folder:RootFolder@/pvob|folder:RootFolder@/pvob|docs@/pvob|brtype:docs@/pvob|"
            "for the manuals\n");
}

TEST_F(TriggerBaseTest, NullNewObjectFiresWithoutResetUnlessTheClassAsks) {
  make_type("post", VOB_TRIG_POSTOP, VOB_OP_CHSTREAM,
            record({"KORVANE_CHANGE", "KORVANE_NEW_OBJECT"}));
  SUM_VobObject stream = brtype("stream_stand_in");
  {
    ProbeTrigger keeps(stream, 0);
    ASSERT_EQ(keeps.fire_preop(), 0);
    keeps.change_text("changed later");
    ASSERT_EQ(keeps.fire_postop(SUM_VobObject()), 0);
  }
  {
    ProbeTrigger asks(stream, 1);
    ASSERT_EQ(asks.fire_preop(), 0);
    asks.change_text("changed later");
    ASSERT_EQ(asks.fire_postop(SUM_VobObject()), 0);
  }
  {
    ProbeTrigger made(stream, 0);
    ASSERT_EQ(made.fire_preop(), 0);
    made.change_text("changed later");
    ASSERT_EQ(made.fire_postop(brtype("made")), 0);
  }
  EXPECT_EQ(read_file(out),
            "at setup|\n"
            "changed later|\n"
            "changed later|brtype:made@/pvob\n");
}

TEST_F(TriggerBaseTest, IntegrationActivityReachesThePostOperationRecord) {
  make_type("post", VOB_TRIG_POSTOP, VOB_OP_DELIVER_START,
            record({"KORVANE_OBJECT", "KORVANE_ACTIVITY", "KORVANE_STREAM", "KORVANE_SOURCE_STREAM",
                    "KORVANE_ACTIVITIES", "KORVANE_BASELINES"}));
  SUM_VobObject source = brtype("dev"), target = brtype("int"), project = brtype("proj");
  SUM_VobObjectList acts, bls;
  acts.append(brtype("a1"));
  acts.append(SUM_VobObject());  // null entries are left out
  acts.append(brtype("a2"));
  bls.append(brtype("bl1"));
  SUM_TrigDeliverStart trigger(source, target, project, acts, bls, SUM_VobObject(), "");
  ASSERT_EQ(trigger.fire_preop(), 0);
  EXPECT_EQ(trigger.env().activities.count, 2u);
  trigger.set_integration_activity(brtype("deliver_act"));
  ASSERT_EQ(trigger.fire_postop(SUM_VobObject()), 0);
  EXPECT_EQ(read_file(out),
            "brtype:dev@/pvob|brtype:deliver_act@/pvob|brtype:int@/pvob|brtype:dev@/pvob|"
            "brtype:a1@/pvob,brtype:a2@/pvob|brtype:bl1@/pvob\n");
}

TEST_F(TriggerBaseTest, ClassesActOnTheirOperationsObject) {
  SUM_VobObject stream = brtype("s"), project = brtype("p"), component = brtype("c");
  SUM_VobObject baseline = brtype("b");
  {
    SUM_TrigMkComp mkcomp(pvob, "comp", "");
    ASSERT_EQ(mkcomp.fire_preop(), 0);
    SUM_VobObject vob_object;
    ASSERT_EQ(pvob.vob_obj(vob_object), 0);
    EXPECT_EQ(mkcomp.vob_obj(), vob_object);
    EXPECT_STREQ(mkcomp.env().component.new_name, "comp");
  }
  {
    SUM_TrigSetActNone in_project("view1", SUM_VobObject(), stream, project, 0, "");
    ASSERT_EQ(in_project.fire_preop(), 0);
    EXPECT_EQ(in_project.vob_obj(), project);
    EXPECT_EQ(in_project.view_tag(), "view1");
    SUM_TrigSetActNone in_stream("view1", SUM_VobObject(), stream, project, 1, "");
    ASSERT_EQ(in_stream.fire_preop(), 0);
    EXPECT_EQ(in_stream.vob_obj(), stream);
  }
  {
    SUM_TrigChBl chbl(baseline, component, stream, project, "TESTED", "");
    ASSERT_EQ(chbl.fire_preop(), 0);
    EXPECT_EQ(chbl.vob_obj(), baseline);
    ASSERT_EQ(chbl.env().baselines.count, 1u);
    EXPECT_EQ(chbl.env().baselines.dbids[0], baseline.dbid());
    EXPECT_STREQ(chbl.env().baseline_change, "TESTED");
    EXPECT_EQ(chbl.env().change, nullptr);
  }
  {
    SUM_TrigChStream unchanged(stream, project, "", "");
    ASSERT_EQ(unchanged.fire_preop(), 0);
    EXPECT_EQ(unchanged.env().change, nullptr) << "an empty change text is not set";
  }
  {
    SUM_TrigMkStream in_parent(project, SUM_VobObject(), 1, "");
    ImsgCapture capture;
    EXPECT_EQ(in_parent.fire_preop(), TBS_ST_INTERNAL) << "acting in a null parent stream";
    EXPECT_EQ(in_parent.is_setup(), 0);
  }
  SUM_TrigRmFolder trigger(root, "");
  ImsgCapture capture;
  EXPECT_EQ(trigger.set_vob_obj(SUM_VobObject()), TBS_ST_INTERNAL);
}

TEST_F(TriggerBaseTest, UnreadableNewObjectIsReported) {
  make_type("post", VOB_TRIG_POSTOP, VOB_OP_MKFOLDER, "true");
  SUM_TrigMkFolder trigger(root, "docs", "");
  ASSERT_EQ(trigger.fire_preop(), 0);
  ImsgCapture capture;
  EXPECT_EQ(trigger.fire_postop(SUM_VobObject(pvob, 99999)), 0) << "what was made stands";
  EXPECT_EQ(capture.joined(IMSG_ERROR), "Unable to get activity selector.\n");
  EXPECT_NE(capture.joined(IMSG_WARNING).find("post-operation triggers did not all succeed"),
            std::string::npos);
}

}  // namespace
