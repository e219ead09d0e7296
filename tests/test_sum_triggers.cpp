// The trigger object of each operation kind: the operation it names, the
// object it acts on and the record slots its arguments fill, as its kind
// in the table says.
#include <gtest/gtest.h>

#include <string>

#include "services/vob.h"
#include "services/vob_trig.h"
#include "sum/sum_triggers.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"
#include "support/sandbox.h"
#include "support/vob_elem_fixture.h"

namespace {

using test_support::TempHome;

// Holds when `slot` names `obj`.
::testing::AssertionResult holds(const vob_trig_obj_t& slot, const SUM_VobObject& obj) {
  if (slot.vob == obj.vob().handle() && slot.dbid == obj.dbid())
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "slot holds dbid " << slot.dbid << ", not " << obj.dbid();
}

class TriggerKindsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvob = SUM_Vob(test_support::make_test_vob("/pvob", true));
    activity = stand_in("activity");
    other = stand_in("other");
    version = stand_in("version");
    stream = stand_in("stream");
    parent = stand_in("parent");
    project = stand_in("project");
    folder = stand_in("folder");
    component = stand_in("component");
    baseline = stand_in("baseline");
    two.append(stand_in("first"));
    two.append(stand_in("second"));
  }

  // An object of the PVOB standing for one of an operation's objects.
  SUM_VobObject stand_in(const char* name) {
    tbs_dbid_t dbid = 0;
    EXPECT_EQ(vob_type_create(pvob.handle(), VOB_MTYPE_BRANCH_TYPE, name, nullptr, &dbid), 0);
    return SUM_VobObject(pvob, dbid);
  }

  // A post-operation trigger type for `op` that does nothing: with it the
  // post-operation fire fills the record.
  void post_type(vob_op_t op) {
    vob_trtype_create_args_t a;
    a.name = std::string("post_") + vob_op_to_str(op);
    a.phase = VOB_TRIG_POSTOP;
    a.ops = {op};
    a.command = "true";
    ASSERT_EQ(vob_trtype_create(pvob.handle(), a, nullptr), 0);
  }

  // Sets `trigger` up (no trigger type applies, so the fire passes) and
  // checks the operation kind, the acting object and the comment.
  void expect_setup(SUM_OpTrigger& trigger, vob_op_t op, const SUM_VobObject& acting) {
    EXPECT_EQ(trigger.op(), op) << trigger.kind().name;
    ASSERT_EQ(trigger.fire_preop(), 0) << trigger.kind().name;
    EXPECT_EQ(trigger.vob_obj(), acting) << trigger.kind().name;
    EXPECT_EQ(trigger.comment(), "why") << trigger.kind().name;
  }

  TempHome home;
  SUM_Vob pvob;
  SUM_VobObject activity, other, version, stream, parent, project, folder, component, baseline;
  SUM_VobObjectList two;
};

TEST_F(TriggerKindsTest, ActivityKinds) {
  post_type(VOB_OP_MKACTIVITY);
  SUM_TrigMkAct mkact(stream, project, "why");
  expect_setup(mkact, VOB_OP_MKACTIVITY, stream);
  EXPECT_TRUE(holds(mkact.env().stream, stream));
  EXPECT_TRUE(holds(mkact.env().project, project));
  EXPECT_EQ(mkact.fire_postop(other), 0);
  EXPECT_STREQ(mkact.env().activity.new_name, "other@/pvob");

  SUM_TrigChAct change(activity, "why", stream, project);
  expect_setup(change, VOB_OP_CHACTIVITY, activity);
  EXPECT_TRUE(holds(change.env().activity, activity));
  EXPECT_EQ(change.env().to_activity.dbid, 0u);

  SUM_TrigChAct move(activity, "why", other, activity, version, "view1", stream, project);
  expect_setup(move, VOB_OP_CHACTIVITY, activity);
  EXPECT_TRUE(holds(move.env().activity, other)) << "the source is the record's activity";
  EXPECT_TRUE(holds(move.env().to_activity, activity));
  EXPECT_TRUE(holds(move.env().version, version));
  EXPECT_EQ(move.view_tag(), "view1");

  SUM_TrigRmAct rmact(activity, stream, project, "why");
  expect_setup(rmact, VOB_OP_RMACTIVITY, activity);
  EXPECT_TRUE(holds(rmact.env().stream, stream));

  SUM_TrigSetAct setact(activity, "view2", stream, project, "why");
  expect_setup(setact, VOB_OP_SETACTIVITY, activity);
  EXPECT_EQ(setact.view_tag(), "view2");
  EXPECT_TRUE(holds(setact.env().project, project));
}

TEST_F(TriggerKindsTest, StreamAndBaselineKinds) {
  post_type(VOB_OP_MKBL);
  SUM_TrigMkStream in_project(project, parent, 0, "why");
  expect_setup(in_project, VOB_OP_MKSTREAM, project);
  EXPECT_TRUE(holds(in_project.env().parent_stream, parent));
  SUM_TrigMkStream in_parent(project, parent, 1, "why");
  expect_setup(in_parent, VOB_OP_MKSTREAM, parent);

  SUM_TrigChStream chstream(stream, project, "title", "why");
  expect_setup(chstream, VOB_OP_CHSTREAM, stream);
  EXPECT_STREQ(chstream.env().change, "title");

  SUM_TrigRmStream rmstream(stream, project, "why");
  expect_setup(rmstream, VOB_OP_RMSTREAM, stream);

  SUM_TrigMkBl mkbl(component, "why", stream, project);
  expect_setup(mkbl, VOB_OP_MKBL, component);
  EXPECT_EQ(mkbl.fire_postop(baseline), 0);
  EXPECT_STREQ(mkbl.env().baseline_new_name, "baseline@/pvob");

  SUM_TrigRmBl rmbl(baseline, component, stream, project, "why");
  expect_setup(rmbl, VOB_OP_RMBL, baseline);
  ASSERT_EQ(rmbl.env().baselines.count, 1u);
  EXPECT_EQ(rmbl.env().baselines.dbids[0], baseline.dbid());
  EXPECT_TRUE(holds(rmbl.env().component, component));

  SUM_TrigMkBlComplete complete(stream, project, two, SUM_VobObjectList(), "why");
  expect_setup(complete, VOB_OP_MKBL_COMPLETE, stream);
  EXPECT_EQ(complete.env().baselines.count, 2u);
  EXPECT_EQ(complete.env().other_baselines.count, 0u);
}

TEST_F(TriggerKindsTest, ProjectFolderAndComponentKinds) {
  SUM_TrigMkProj mkproj(folder, "p1", "why");
  expect_setup(mkproj, VOB_OP_MKPROJECT, folder);
  EXPECT_TRUE(holds(mkproj.env().folder, folder));
  EXPECT_STREQ(mkproj.env().project.new_name, "p1");

  SUM_TrigChProj chproj(project, folder, parent, "why");
  expect_setup(chproj, VOB_OP_CHPROJECT, project);
  EXPECT_TRUE(holds(chproj.env().parent_folder, parent));

  SUM_TrigRmProj rmproj(project, folder, "why");
  expect_setup(rmproj, VOB_OP_RMPROJECT, project);

  SUM_TrigMkFolder mkfolder(folder, "f1", "why");
  expect_setup(mkfolder, VOB_OP_MKFOLDER, folder);
  EXPECT_TRUE(holds(mkfolder.env().parent_folder, folder));
  EXPECT_STREQ(mkfolder.env().folder.new_name, "f1");

  SUM_TrigChFolder chfolder(folder, parent, "why");
  expect_setup(chfolder, VOB_OP_CHFOLDER, folder);

  SUM_TrigRmComp rmcomp(component, "why");
  expect_setup(rmcomp, VOB_OP_RMCOMP, component);

  SUM_TrigModComp modcomp(component, "renamed", "why");
  expect_setup(modcomp, VOB_OP_MODCOMP, component);
  EXPECT_STREQ(modcomp.env().change, "renamed");
}

TEST_F(TriggerKindsTest, DeliverAndRebaseKinds) {
  post_type(VOB_OP_DELIVER_RESUME);
  post_type(VOB_OP_REBASE_START);
  SUM_TrigDeliverComplete complete(other, stream, project, two, two, activity, "why");
  expect_setup(complete, VOB_OP_DELIVER_COMPLETE, other);
  EXPECT_TRUE(holds(complete.env().source_stream, other));
  EXPECT_TRUE(holds(complete.env().stream, stream));
  EXPECT_TRUE(holds(complete.env().activity, activity));

  SUM_TrigDeliverCancel cancel(SUM_VobObject(), stream, project, activity, "why");
  expect_setup(cancel, VOB_OP_DELIVER_CANCEL, stream);
  EXPECT_EQ(cancel.env().activities.count, 0u);

  // Resume has no activity slot: an integration activity made later stays
  // out of its record.
  SUM_TrigDeliverResume resume(other, stream, project, two, SUM_VobObjectList(), "why");
  expect_setup(resume, VOB_OP_DELIVER_RESUME, other);
  resume.set_integration_activity(activity);
  EXPECT_EQ(resume.fire_postop(SUM_VobObject()), 0);
  EXPECT_EQ(resume.env().activity.dbid, 0u);
  EXPECT_EQ(resume.env().activities.count, 2u);

  SUM_TrigRebaseStart start(stream, project, two, SUM_VobObject(), "why");
  expect_setup(start, VOB_OP_REBASE_START, stream);
  start.set_integration_activity(activity);
  EXPECT_EQ(start.fire_postop(SUM_VobObject()), 0);
  EXPECT_TRUE(holds(start.env().activity, activity));

  SUM_TrigRebaseComplete rebased(stream, project, two, activity, "why");
  expect_setup(rebased, VOB_OP_REBASE_COMPLETE, stream);
  EXPECT_EQ(rebased.env().source_stream.dbid, 0u);
  SUM_TrigRebaseCancel cancelled(stream, project, two, activity, "why");
  expect_setup(cancelled, VOB_OP_REBASE_CANCEL, stream);
}

}  // namespace
