// Activity-like objects of the activity-based form (a project VOB at
// feature level 6): folders, projects and streams with their titles,
// parents, flags, moves, removals and children.
#include "vob_zem_fixture.h"

namespace zem_test {
namespace {

// The same sandbox; the cases work on "/pvob6".
class ActivityLikeTest : public ZemTest {};

TEST_F(ActivityLikeTest, ObjectsCarryTitleParentFlagsAndCount) {
  tbs_dbid_t tools = act("tools", folder_type, old_root, "Tool projects");
  tbs_dbid_t app = act("app", project_type, tools);
  tbs_dbid_t dev = act("app_dev", stream_type, app);
  vob_act_info_t t = info(tools);
  EXPECT_EQ(t.mask, kAllInfo);
  EXPECT_EQ(t.title, "Tool projects");
  EXPECT_EQ(t.parent, old_root);
  EXPECT_EQ(t.flags, static_cast<unsigned>(VOB_ACT_FLAG_HAS_CHILDREN));
  EXPECT_EQ(t.mod_count, 0u);
  vob_act_info_t d = info(dev);
  EXPECT_EQ(d.title, "");
  EXPECT_EQ(d.parent, app);
  EXPECT_EQ(d.flags, 0u);
  EXPECT_EQ(info(old_root).parent, 0u);
  EXPECT_NE(info(old_root).flags & VOB_ACT_FLAG_HAS_CHILDREN, 0u);
  tbs_dbid_t type = 0;
  ASSERT_EQ(vob_obj_get_type(old, app, &type), 0);
  EXPECT_EQ(type, project_type);

  // Only the fields asked for come back; bits of fields not kept are ignored.
  unsigned long asked = VOB_ACT_INFO_BIT(VOB_ACT_INFO_TITLE) | VOB_ACT_INFO_BIT(7) |
                        VOB_ACT_INFO_BIT(8) | VOB_ACT_INFO_BIT(13);
  vob_act_info_t some = info(tools, asked);
  EXPECT_EQ(some.mask, VOB_ACT_INFO_BIT(VOB_ACT_INFO_TITLE));
  EXPECT_EQ(some.title, "Tool projects");
  EXPECT_EQ(some.parent, 0u);

  vob_act_info_t out;
  EXPECT_EQ(vob_act_get_info(fc, fc_root, kAllInfo, &out), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(vob_act_get_info(old, 99999, kAllInfo, &out), TBS_ST_NOT_FOUND);

  vob_event_t created = latest(old, app);
  EXPECT_EQ(created.kind, VOB_EVENT_CREATE);
  EXPECT_EQ(created.opcode, 107);
}

TEST_F(ActivityLikeTest, CreationChecksTypeParentNameAndForm) {
  tbs_dbid_t app = act("app", project_type, old_root);
  tbs_dbid_t dev = act("dev", stream_type, app);
  tbs_dbid_t loose = act("loose", stream_type, 0);
  EXPECT_EQ(info(loose).parent, 0u) << "objects other than folders and projects need no parent";
  ImsgCapture capture;
  tbs_dbid_t made = 0;
  EXPECT_EQ(vob_act_create(old, "p2", project_type, dev, "", nullptr, &made), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(vob_act_create(old, "f2", folder_type, 0, "", nullptr, &made), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(vob_act_create(old, "x", old_root, old_root, "", nullptr, &made), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(vob_act_create(old, "x", stream_type, folder_type, "", nullptr, &made),
            TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(vob_act_create(old, "dev", folder_type, old_root, "", nullptr, &made), TBS_ST_EXISTS);
  EXPECT_EQ(vob_act_create(old, "a:b", folder_type, old_root, "", nullptr, &made),
            TBS_ST_BAD_ARGUMENT);
  tbs_dbid_t fc_type = test_support::wk_obj(fc, VOB_WK_FOLDER_TYPE);
  EXPECT_EQ(vob_act_create(fc, "x", fc_type, fc_root, "", nullptr, &made), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(
      capture.joined(IMSG_ERROR),
      not_a(dev, "/pvob6", "a folder") + "Object 0 of VOB \"/pvob6\" is not a folder.\n" +
          not_a(old_root, "/pvob6", "an activity type") +
          not_a(folder_type, "/pvob6", "an activity-like object") +
          "A ZEM object named \"dev\" already exists.\n"
          "Name \"a:b\" contains characters that are not allowed: names are made of letters, "
          "digits, \"-\", \"_\" and \".\", do not start with \"-\" and are not \".\" or \"..\".\n"
          "Project VOB \"/pvob8\" is at feature level 8 and keeps first-class folders and "
          "projects; activity-like objects are made only below feature level 7.\n");
  EXPECT_EQ(made, 0u);
  EXPECT_EQ(children(old_root), std::vector<tbs_dbid_t>{app});
  EXPECT_EQ(children(dev), std::vector<tbs_dbid_t>{});
}

TEST_F(ActivityLikeTest, TitlesAndActivation) {
  tbs_dbid_t app = act("app", project_type, old_root, "First title");
  vob_act_info_t change;
  change.title = "Second title";
  vob_event_info_t chproject = event(103, "retitle");
  ASSERT_EQ(vob_act_update(old, app, VOB_ACT_INFO_BIT(VOB_ACT_INFO_TITLE), &change, &chproject), 0);
  EXPECT_EQ(info(app).title, "Second title");
  EXPECT_EQ(latest(old, app).opcode, 103);
  EXPECT_EQ(latest(old, app).comment, "retitle");

  ImsgCapture capture;
  change.title = "Third title";
  change.parent = old_root;
  unsigned long both = VOB_ACT_INFO_BIT(VOB_ACT_INFO_TITLE) | VOB_ACT_INFO_BIT(VOB_ACT_INFO_PARENT);
  EXPECT_EQ(vob_act_update(old, app, both, &change, nullptr), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "Field 18 of an activity-like object cannot be changed by an update; only its title "
            "(field 0) can.\n");
  EXPECT_EQ(info(app).title, "Second title") << "nothing of a refused update is written";

  EXPECT_EQ(info(app).flags & VOB_ACT_FLAG_ACTIVE, 0u) << "new objects are not active";
  vob_event_info_t activate = event(103, "activate");
  ASSERT_EQ(vob_act_auto_trans_active(old, app, &activate), 0);
  EXPECT_NE(info(app).flags & VOB_ACT_FLAG_ACTIVE, 0u);
  EXPECT_EQ(latest(old, app).comment, "activate");
  size_t before = event_count(old, app);
  ASSERT_EQ(vob_act_auto_trans_active(old, app, &activate), 0);
  EXPECT_EQ(event_count(old, app), before) << "an active object stays as it is";
  EXPECT_EQ(info(app).title, "Second title") << "activation leaves the title";
  EXPECT_EQ(vob_act_auto_trans_active(fc, fc_root, nullptr), TBS_ST_BAD_ARGUMENT);
}

TEST_F(ActivityLikeTest, MovesFollowThePlacementRule) {
  tbs_dbid_t a = act("a", folder_type, old_root);
  tbs_dbid_t b = act("b", folder_type, a);
  tbs_dbid_t app = act("app", project_type, b);
  tbs_dbid_t dev = act("dev", stream_type, app);
  ImsgCapture capture;
  EXPECT_EQ(vob_act_move(old, a, b, nullptr), TBS_ST_ERROR);
  EXPECT_EQ(vob_act_move(old, app, app, nullptr), TBS_ST_BAD_ARGUMENT) << "not a folder";
  EXPECT_EQ(vob_act_move(old, a, dev, nullptr), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(vob_act_move(old, a, 0, nullptr), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(vob_act_move(old, old_root, a, nullptr), TBS_ST_ERROR);
  EXPECT_EQ(vob_act_move(old, dev, dev, nullptr), TBS_ST_ERROR);
  EXPECT_EQ(capture.texts(IMSG_ERROR).size(), 6u);
  EXPECT_EQ(capture.texts(IMSG_ERROR)[0],
            "\"folder:a@/pvob6\" cannot be moved into itself or into \"folder:b@/pvob6\", which "
            "lies below it.\n");
  EXPECT_EQ(info(a).parent, old_root);
  EXPECT_EQ(info(dev).parent, app);

  vob_event_info_t chproject = event(103, "move");
  ASSERT_EQ(vob_act_move(old, app, a, &chproject), 0);
  EXPECT_EQ(info(app).parent, a);
  EXPECT_EQ(children(a), (std::vector<tbs_dbid_t>{b, app}));
  EXPECT_EQ(info(b).flags & VOB_ACT_FLAG_HAS_CHILDREN, 0u);
  EXPECT_EQ(latest(old, app).opcode, 103);
  ASSERT_EQ(vob_act_move(old, dev, 0, nullptr), 0) << "a stream object may leave the tree";
  EXPECT_EQ(info(dev).parent, 0u);
  EXPECT_EQ(children(app), std::vector<tbs_dbid_t>{});
}

TEST_F(ActivityLikeTest, RemovalAndChildrenInChunks) {
  tbs_dbid_t app = act("app", project_type, old_root);
  std::vector<tbs_dbid_t> streams;
  for (const char* name : {"s1", "s2", "s3", "s4", "s5"})
    streams.push_back(act(name, stream_type, app));
  EXPECT_EQ(children(app, 2), streams);
  EXPECT_EQ(chunk_sizes, (std::vector<size_t>{2, 2, 1}));
  std::vector<tbs_dbid_t> none;
  ASSERT_EQ(vob_act_next_children(old, app, 5, 2, none), 0);
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(vob_act_next_children(fc, fc_root, 0, 2, none), TBS_ST_BAD_ARGUMENT);

  ImsgCapture capture;
  EXPECT_EQ(vob_act_delete(old, app, nullptr), TBS_ST_ERROR);
  EXPECT_EQ(vob_act_delete(old, old_root, nullptr), TBS_ST_ERROR);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "\"project:app@/pvob6\" holds 5 objects; move or remove them before removing it.\n"
            "\"folder:RootFolder@/pvob6\" is a well-known object of VOB \"/pvob6\" and cannot be "
            "moved or removed.\n");
  vob_event_info_t rmstream = event(0, "gone");
  for (tbs_dbid_t s : streams)
    ASSERT_EQ(vob_act_delete(old, s, &rmstream), 0);
  EXPECT_EQ(info(app).flags & VOB_ACT_FLAG_HAS_CHILDREN, 0u);
  vob_event_info_t rmproject = event(104, "project gone");
  ASSERT_EQ(vob_act_delete(old, app, &rmproject), 0);
  EXPECT_EQ(children(old_root), std::vector<tbs_dbid_t>{});
  tbs_dbid_t vob_object = test_support::wk_obj(old, VOB_WK_VOB_OBJECT);
  vob_event_t removal;
  ASSERT_EQ(vob_event_get_latest(old, vob_object, VOB_EVENT_REMOVE, &removal), 0);
  EXPECT_EQ(removal.opcode, 104);
  EXPECT_EQ(removal.comment, "project gone");
  vob_act_info_t out;
  EXPECT_EQ(vob_act_get_info(old, app, kAllInfo, &out), TBS_ST_NOT_FOUND);
}

}  // namespace
}  // namespace zem_test
