// SUM_Stream beyond its lifecycle, in both storage forms: branch types and
// their removal, views attached to streams, what refuses a stream's removal,
// mastership, the task provider configuration and stream policies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/view.h"
#include "services/vob_elem.h"
#include "services/vob_zem_baseline.h"
#include "services/vob_zem_stream.h"
#include "sum/sum_component.h"
#include "sum/sum_folder.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "sum_pvob_fixture.h"
#include "support/checks.h"

namespace {

using test_support::fails_mentioning;
using test_support::fails_with;
using test_support::ImsgCapture;
using test_support::out;
using test_support::text;

class StreamAdminTest : public zem_test::PvobLevelTest {
 protected:
  void SetUp() override {
    PvobLevelTest::SetUp();
    ASSERT_EQ(SUM_Project::create("proj", "", root, "", 0, project), 0);
    integ = make("integ", 1);
    dev = make("dev");
  }
  void TearDown() override {
    for (view_server_h v : views)
      view_free_handle(v);
  }

  SUM_Stream make(const char* name, int integration = 0, int read_only = 0,
                  const SUM_Stream& parent = SUM_Stream()) {
    SUM_Stream made;
    EXPECT_EQ(SUM_Stream::create(name, "", project, parent, "", integration, read_only, made), 0)
        << name;
    return made;
  }
  // A new view; its UUID.
  SUM_Uuid view(const std::string& tag) {
    view_create_args_t args;
    args.tag = tag;
    args.root = home.path() + "/roots/" + tag;
    view_server_h handle = nullptr;
    EXPECT_EQ(view_create(args, &handle), 0);
    views.push_back(handle);
    std::string text;
    view_get_uuid(handle, text);
    SUM_Uuid uuid;
    EXPECT_EQ(SUM_Uuid::construct_from_string(text.c_str(), uuid), 0);
    return uuid;
  }
  std::string prop(size_t view_index, int property) {
    std::string value;
    EXPECT_EQ(view_getprop(views[view_index], property, value), 0);
    return value;
  }
  static std::string name_of(const SUM_NamedObject& obj) {
    return text(obj, &SUM_NamedObject::name);
  }
  static std::string policy_in_context(const SUM_Stream& s, int id) {
    SUM_String value;
    EXPECT_EQ(s.policy_in_context(id, value), 0);
    return static_cast<const char*>(value);
  }
  bool brtype_exists(const SUM_Vob& vob, const char* name) {
    tbs_dbid_t dbid = 0;
    return vob_brtype_lookup(vob.handle(), name, &dbid) == 0;
  }

  SUM_Project project;
  SUM_Stream integ, dev;
  std::vector<view_server_h> views;
};

TEST_P(StreamAdminTest, BranchTypesComeAndGoWithTheStream) {
  SUM_NamedObject type = out(dev, &SUM_Stream::branch_type);
  EXPECT_EQ(name_of(type), "dev");
  EXPECT_EQ(type.vob(), pvob) << "a PVOB without admin VOB keeps the types itself";
  SUM_Stream ro = make("ro", 0, 1, integ);
  EXPECT_EQ(ro.branch_type(type), 1002);
  EXPECT_FALSE(brtype_exists(pvob, "ro"));

  EXPECT_EQ(text(dev, &SUM_Stream::nonmod_branch_type_name), "dev_nonmod");
  EXPECT_EQ(dev.nonmod_branch_type(type), 1002);
  tbs_dbid_t made = 0;
  ASSERT_EQ(vob_brtype_create(pvob.handle(), "dev_nonmod", nullptr, &made), 0);
  ASSERT_EQ(dev.destroy("gone"), 0);
  EXPECT_FALSE(brtype_exists(pvob, "dev"));
  EXPECT_FALSE(brtype_exists(pvob, "dev_nonmod"));

  // A name its branch type cannot take undoes the whole creation.
  ASSERT_EQ(vob_brtype_create(pvob.handle(), "taken", nullptr, &made), 0);
  SUM_Stream failed;
  ImsgCapture capture;
  EXPECT_NE(SUM_Stream::create("taken", "", project, SUM_Stream(), "", 0, 0, failed), 0);
  EXPECT_NE(SUM_Stream::construct_from_selector("stream:taken@/pvob", SUM_Vob(), failed), 0);

  // A branch type that still has branches stays: message 22, the stream goes.
  SUM_Stream busy = make("busy");
  type = out(busy, &SUM_Stream::branch_type);
  tbs_dbid_t dir = 0, zero = 0, branch = 0;
  ASSERT_EQ(vob_ob_get_wk_obj(pvob.handle(), VOB_WK_ROOT_DIRECTORY, &dir), 0);
  ASSERT_EQ(vob_ver_lookup(pvob.handle(), dir, "/main/0", &zero), 0);
  ASSERT_EQ(vob_branch_create(pvob.handle(), zero, type.dbid(), nullptr, &branch), 0);
  EXPECT_TRUE(fails_mentioning(0, "Unable to remove branch type \"busy\".\n",
                               [&] { return busy.destroy(""); }));
  EXPECT_TRUE(brtype_exists(pvob, "busy"));
}

TEST_P(StreamAdminTest, BranchTypesLiveInTheAdminVob) {
  SUM_Vob admin(test_support::make_test_vob("/admin", true, GetParam()));
  ASSERT_EQ(pvob.set_admin_vob(admin), 0);
  SUM_Stream later = make("later");
  EXPECT_EQ(out(later, &SUM_Stream::admin_vob), admin);
  EXPECT_EQ(out(later, &SUM_Stream::branch_type).vob(), admin);
  EXPECT_FALSE(brtype_exists(pvob, "later"));
  ASSERT_EQ(later.destroy(""), 0);
  EXPECT_FALSE(brtype_exists(admin, "later"));
}

TEST_P(StreamAdminTest, ViewsAttachToOneStream) {
  SUM_Uuid v1 = view("v1"), v2 = view("v2");
  ASSERT_EQ(dev.add_view(v1, "attach"), 0);
  EXPECT_EQ(prop(0, VIEW_PROP_SUM_VIEW), "1");
  EXPECT_EQ(prop(0, VIEW_PROP_STREAM), text(dev, &SUM_Stream::univ_selector));
  EXPECT_TRUE(fails_mentioning(1001, "view v1 already attached to stream",
                               [&] { return dev.add_view(v1, ""); }));
  {
    ImsgCapture capture;
    EXPECT_EQ(integ.add_view(v1, ""), 1001) << "one stream per view";
  }
  EXPECT_EQ(out(dev, &SUM_Stream::unique_view), v1);
  ASSERT_EQ(dev.add_view(v2, ""), 0);
  EXPECT_EQ(out(dev, &SUM_Stream::num_of_views), 2);
  {
    ImsgCapture capture;
    SUM_Uuid only;
    EXPECT_EQ(dev.unique_view(only), 1001);
    int ok = 1;
    ASSERT_EQ(dev.ok_to_destroy(ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(capture.texts(IMSG_ERROR),
              (std::vector<std::string>{
                  "Unable to find a unique view attached to stream \"dev@/pvob\".\n",
                  "Cannot remove stream that has a view (\"v1\") attached to it.\n",
                  "Cannot remove stream that has a view (\"v2\") attached to it.\n"}));
  }
  ImsgCapture capture;
  ASSERT_EQ(dev.detach_view(v1, ""), 0);
  EXPECT_EQ(capture.joined(IMSG_INFO), "Detaching view \"v1\" from stream \"dev@/pvob\"\n");
  EXPECT_EQ(dev.detach_view(v1, ""), 1002);
  EXPECT_EQ(prop(0, VIEW_PROP_STREAM), "");
  EXPECT_EQ(prop(0, VIEW_PROP_SUM_VIEW), "0");
  ASSERT_EQ(view_remove("v2", 0), 0) << "removing a view detaches it";
  EXPECT_EQ(out(dev, &SUM_Stream::views).count(), 0u);
  ASSERT_EQ(integ.add_view(v1, ""), 0) << "a detached view may join another stream";
}

TEST_P(StreamAdminTest, RemovalRefusedForActivitiesAndBaselines) {
  SUM_Component comp;
  ASSERT_EQ(SUM_Component::create(pvob, "comp", SUM_VobObject(), nullptr, nullptr, "", comp), 0);
  tbs_dbid_t timeline = 0, baseline = 0;
  ASSERT_EQ(vob_zem_timeline_create(pvob.handle(), dev.dbid(), nullptr, nullptr, &timeline), 0);
  vob_zem_baseline_spec_t spec;
  spec.name = "bl";
  spec.component = comp.dbid();
  spec.timeline = timeline;
  ASSERT_EQ(vob_zem_baseline_create(pvob.handle(), spec, nullptr, &baseline), 0);
  int ok = 1;
  EXPECT_TRUE(fails_with(0, "Cannot remove stream that has baselines.\n",
                         [&] { return dev.ok_to_destroy(ok); }));
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(dev.destroy(""), 1001);
  ASSERT_EQ(vob_zem_baseline_delete(pvob.handle(), baseline, nullptr), 0);

  if (GetParam() < 7) {  // activities exist in the activity-based form
    tbs_dbid_t type = 0, act = 0;
    ASSERT_EQ(vob_ob_get_wk_obj(pvob.handle(), VOB_WK_ACTIVITY_TYPE, &type), 0);
    ASSERT_EQ(vob_act_create(pvob.handle(), "work", type, dev.dbid(), "", nullptr, &act), 0);
    EXPECT_TRUE(fails_with(0, "Cannot remove stream that has activities.\n",
                           [&] { return dev.ok_to_destroy(ok); }));
    EXPECT_EQ(ok, 0);
    ASSERT_EQ(vob_act_delete(pvob.handle(), act, nullptr), 0);
  }
  EXPECT_EQ(out(dev, &SUM_Stream::ok_to_destroy), 1);
}

TEST_P(StreamAdminTest, MastershipOfAnUnreplicatedPvob) {
  {
    ImsgCapture capture;
    EXPECT_EQ(out(dev, &SUM_Stream::check_local_mastership), 1);
    EXPECT_EQ(out(integ, &SUM_Stream::child_streams_local_mastership), 1);
    EXPECT_TRUE(capture.all().empty());
  }
  tbs_dbid_t here = 0;
  ASSERT_EQ(vob_ob_get_replica(pvob.handle(), &here), 0);
  EXPECT_TRUE(fails_with(1001, "VOB is not replicated.\n",
                         [&] { return dev.chmaster_all(SUM_Replica(pvob, here), 0, ""); }));
}

TEST_P(StreamAdminTest, TaskProviderConfiguration) {
  SUM_Stream sub = make("sub", 0, 0, dev);
  SUM_String conf;
  EXPECT_EQ(dev.get_task_provider_conf(conf), 1002);
  EXPECT_EQ(out(sub, &SUM_Stream::has_effective_task_provider), 0);
  ASSERT_EQ(dev.set_task_provider_conf("provider=tracker", ""), 0);
  EXPECT_EQ(text(dev, &SUM_Stream::get_task_provider_conf), "provider=tracker");
  EXPECT_EQ(out(sub, &SUM_Stream::has_task_provider), 0);
  EXPECT_EQ(out(sub, &SUM_Stream::has_effective_task_provider), 1)
      << "the parent's configuration applies";

  EXPECT_EQ(dev.replace_task_provider_conf("provider=other", "provider=new", ""), 1087);
  ASSERT_EQ(dev.replace_task_provider_conf("provider=tracker", "provider=new", ""), 0);
  EXPECT_EQ(text(dev, &SUM_Stream::get_task_provider_conf), "provider=new");
  ASSERT_EQ(dev.remove_task_provider_conf(""), 0);
  EXPECT_EQ(dev.remove_task_provider_conf(""), 1002);
  EXPECT_EQ(dev.get_task_provider_conf(conf), 1002);

  SUM_Stream ro = make("ro", 0, 1, integ);
  EXPECT_TRUE(fails_with(1001,
                         "Cannot set the task provider conf for read only stream \"ro@/pvob\".\n",
                         [&] { return ro.set_task_provider_conf("provider=x", ""); }));
}

TEST_P(StreamAdminTest, PoliciesOfStreams) {
  const int id = SUM_Policy::DELIVER_REQUIRE_REBASE;
  SUM_PolicyList list = out(dev, &SUM_Stream::policy);
  SUM_String value;
  ASSERT_EQ(SUM_Policy::lookup(list, id, value), 0);
  EXPECT_STREQ(value, "DISABLED");
  ASSERT_EQ(SUM_Policy::update_list(list, id, "ENABLED"), 0);
  ASSERT_EQ(dev.set_policy(list, "", 1), 0);
  EXPECT_EQ(dev.set_policy(list, "", 1), 1067) << "nothing changes the second time";
  ASSERT_EQ(dev.policy(id, value), 0);
  EXPECT_STREQ(value, "ENABLED");
  EXPECT_EQ(policy_in_context(dev, id), "DISABLED") << "the project decides unless it delegates";

  SUM_PolicyList delegated;
  ASSERT_EQ(SUM_Policy::update_list(delegated, id, "ENABLED_BY_STREAM"), 0);
  ASSERT_EQ(project.set_policy(delegated, "", 0), 0);
  EXPECT_EQ(policy_in_context(dev, id), "ENABLED");
  EXPECT_EQ(policy_in_context(integ, id), "DISABLED");

  SUM_PolicyList model;
  ASSERT_EQ(SUM_Policy::update_list(model, SUM_Policy::PROJECT_MODEL, "SIMPLE"), 0);
  EXPECT_TRUE(fails_with(1001, "The policy id \"14\" is not valid for stream \"dev@/pvob\".\n",
                         [&] { return dev.set_policy(model, "", 1); }));
  SUM_Stream ro = make("ro", 0, 1, integ);
  EXPECT_TRUE(fails_with(1001, "Cannot set the policy for read only stream \"ro@/pvob\".\n",
                         [&] { return ro.set_policy(list, "", 1); }));
}

INSTANTIATE_TEST_SUITE_P(BothForms, StreamAdminTest, ::testing::Values(8, 6), zem_test::level_name);

}  // namespace
