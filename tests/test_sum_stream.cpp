// SUM_Stream in both storage forms (feature levels 8 and 6): creation of
// integration, development and read-only streams and its refusals,
// structure, names and titles, the default deliver target and removal.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "services/vob_trig.h"
#include "sum/sum_folder.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "vob_zem_fixture.h"

namespace {

using test_support::ImsgCapture;
using test_support::TempHome;
using zem_test::ScopedEnv;

class StreamTest : public ::testing::TestWithParam<int> {
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
    ASSERT_EQ(SUM_Project::create("proj", "", root, "", 0, project), 0);
  }

  SUM_Stream make(const char* name, const SUM_Stream& parent = SUM_Stream(), int integration = 0,
                  int read_only = 0) {
    SUM_Stream out;
    EXPECT_EQ(SUM_Stream::create(name, "made", project, parent, "", integration, read_only, out), 0)
        << name;
    return out;
  }
  std::vector<std::string> children(const SUM_Stream& s) {
    std::vector<std::string> names;
    std::unique_ptr<SUM_Stream::ChildIter> iter(s.child_streams());
    for (iter->first(); !iter->is_done(); iter->next()) {
      SUM_Stream child;
      EXPECT_EQ(iter->current_item(child), 0);
      SUM_String name;
      child.name(name);
      names.push_back(static_cast<const char*>(name));
    }
    EXPECT_EQ(iter->status(), 0);
    return names;
  }

  TempHome home;
  ScopedEnv user{"KORVANE_USER", "vobadmin"};
  SUM_Vob pvob;
  SUM_Folder root;
  SUM_Project project;
};

TEST_P(StreamTest, BuildsTheHierarchyOfAProject) {
  SUM_Stream integ = make("integ", SUM_Stream(), 1);
  SUM_Stream dev = make("dev");  // goes under the integration stream
  SUM_Stream sub = make("sub", dev);
  SUM_Stream ro = make("ro", integ, 0, 1);

  SUM_Stream found;
  ASSERT_EQ(SUM_Stream::construct_from_selector("stream:dev@/pvob", SUM_Vob(), found), 0);
  EXPECT_EQ(found, dev);
  EXPECT_EQ(SUM_Stream::convert(sub), sub);
  EXPECT_TRUE(SUM_Stream::convert(project).is_null());
  ASSERT_EQ(SUM_Stream::integration_stream(project, found), 0);
  EXPECT_EQ(found, integ);

  int flag = -1;
  EXPECT_EQ(integ.is_integration(flag), 0);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(dev.is_integration(flag), 0);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(ro.is_read_only(flag), 0);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(sub.is_read_only(flag), 0);
  EXPECT_EQ(flag, 0);

  SUM_Stream parent;
  EXPECT_EQ(integ.parent_stream(parent), 1002);
  ASSERT_EQ(dev.parent_stream(parent), 0);
  EXPECT_EQ(parent, integ);
  ASSERT_EQ(sub.parent_stream(parent), 0);
  EXPECT_EQ(parent, dev);
  SUM_Project owner;
  ASSERT_EQ(sub.project(owner), 0);
  EXPECT_EQ(owner, project);

  EXPECT_EQ(children(integ), (std::vector<std::string>{"dev", "ro"}));
  EXPECT_EQ(children(dev), (std::vector<std::string>{"sub"}));
  EXPECT_TRUE(children(sub).empty());
  std::vector<SUM_Stream> all;
  ASSERT_EQ(SUM_Stream::project_streams(project, all), 0);
  EXPECT_EQ(all, (std::vector<SUM_Stream>{integ, dev, sub, ro}));
}

TEST_P(StreamTest, CreationRefusals) {
  SUM_Stream integ = make("integ", SUM_Stream(), 1);
  SUM_Stream ro = make("ro", integ, 0, 1);
  ImsgCapture capture;
  SUM_Stream out;
  EXPECT_EQ(SUM_Stream::create("second", "", project, SUM_Stream(), "", 1, 0, out), 1001);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "Project \"proj@/pvob\" already has an integration stream \"integ@/pvob\".\n");
  capture.clear();
  EXPECT_EQ(SUM_Stream::create("child", "", project, ro, "", 0, 0, out), 1001);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "Parent stream \"ro@/pvob\" is read only.\n");
  capture.clear();
  EXPECT_EQ(SUM_Stream::create("integ", "", project, SUM_Stream(), "", 0, 0, out), 1001);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "The name is already in use.\n");
  // An integration stream takes no parent; a parent of another project is
  // refused.
  EXPECT_EQ(SUM_Stream::create("x", "", project, integ, "", 1, 0, out), 1001);
  SUM_Project other;
  ASSERT_EQ(SUM_Project::create("other", "", root, "", 0, other), 0);
  EXPECT_EQ(SUM_Stream::create("x", "", other, integ, "", 0, 0, out), 1001);
  EXPECT_EQ(SUM_Stream::construct_from_selector("x@/pvob", SUM_Vob(), out), 1002);
  EXPECT_EQ(SUM_Stream::create("x", "", SUM_Project(), SUM_Stream(), "", 0, 0, out), 1072);
}

TEST_P(StreamTest, SimpleProjectHoldsOnlyItsIntegrationStream) {
  SUM_Project simple;
  ASSERT_EQ(SUM_Project::create("solo", "", root, "", 1, simple), 0);
  SUM_Stream integ;
  ASSERT_EQ(SUM_Stream::create("solo_int", "", simple, SUM_Stream(), "", 1, 0, integ), 0);
  ImsgCapture capture;
  SUM_Stream out;
  EXPECT_EQ(SUM_Stream::create("dev", "", simple, SUM_Stream(), "", 0, 0, out), 1001);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "Project \"solo@/pvob\" may not create child streams.  To join this project, create "
            "a view attached to stream \"solo_int@/pvob\".\n");
  // The integration stream of a SIMPLE project has no other target either.
  SUM_Stream target = make("elsewhere");
  capture.clear();
  EXPECT_EQ(integ.set_deliver_stream(target, ""), 1001);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "Project model SIMPLE prevents changing the default deliver target for integration "
            "stream \"solo_int@/pvob\".\n");
}

TEST_P(StreamTest, NamesAndTitles) {
  SUM_Stream s = make("dev");
  SUM_String text;
  ASSERT_EQ(s.title(text), 0);
  EXPECT_STREQ(text, "dev");
  ASSERT_EQ(s.set_title("Development", "t"), 0);
  ASSERT_EQ(s.title(text), 0);
  EXPECT_STREQ(text, "Development");
  ASSERT_EQ(s.set_name("dev2", "n"), 0);
  SUM_Stream found;
  ASSERT_EQ(SUM_Stream::construct_from_selector("dev2@/pvob", SUM_Vob(), found), 0);
  EXPECT_EQ(found, s);
  make("taken");
  EXPECT_EQ(s.set_name("taken", ""), 1001);
  EXPECT_EQ(SUM_Stream().set_title("x", ""), 1072);

  SUM_Stream titled;
  ASSERT_EQ(SUM_Stream::create("t2", "", project, SUM_Stream(), "Given", 0, 0, titled), 0);
  ASSERT_EQ(titled.title(text), 0);
  EXPECT_STREQ(text, "Given");
}

TEST_P(StreamTest, DefaultDeliverTarget) {
  SUM_Stream integ = make("integ", SUM_Stream(), 1);
  SUM_Stream dev = make("dev");
  SUM_Stream ro = make("ro", integ, 0, 1);
  SUM_Project other;
  ASSERT_EQ(SUM_Project::create("other", "", root, "", 0, other), 0);
  SUM_Stream elsewhere;
  ASSERT_EQ(SUM_Stream::create("o_int", "", other, SUM_Stream(), "", 1, 0, elsewhere), 0);

  SUM_Stream target;
  EXPECT_EQ(integ.deliver_stream(target), 1002);
  ASSERT_EQ(dev.deliver_stream(target), 0);
  EXPECT_EQ(target, integ);
  EXPECT_EQ(ro.deliver_stream(target), 1002);

  ASSERT_EQ(integ.set_deliver_stream(elsewhere, "to other"), 0);
  ASSERT_EQ(integ.deliver_stream(target), 0);
  EXPECT_EQ(target, elsewhere);

  ImsgCapture capture;
  EXPECT_EQ(integ.set_deliver_stream(integ, ""), 1001);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "Unable to set default deliver target of a stream to itself.\n");
  capture.clear();
  EXPECT_EQ(dev.set_deliver_stream(elsewhere, ""), 1001);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "Cannot set default deliver target of a non-integration stream.\n");

  ASSERT_EQ(integ.set_deliver_stream(SUM_Stream(), "clear"), 0);
  EXPECT_EQ(integ.deliver_stream(target), 1002);
}

TEST_P(StreamTest, RemovalRefusalsAndRemoval) {
  SUM_Stream integ = make("integ", SUM_Stream(), 1);
  SUM_Stream dev = make("dev");
  ImsgCapture capture;
  int ok = 1;
  ASSERT_EQ(integ.ok_to_destroy(ok), 0);
  EXPECT_EQ(ok, 0);
  capture.clear();
  EXPECT_EQ(integ.destroy(""), 1001);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "Cannot remove a stream that has child streams.\n");

  vob_trtype_create_args_t args;
  args.name = "guard";
  args.ops = {VOB_OP_RMSTREAM};
  args.command = "true";
  vob_trig_obj_t target;
  target.vob = pvob.handle();
  target.dbid = dev.dbid();
  args.restrict_to = {target};
  tbs_dbid_t trtype = 0;
  ASSERT_EQ(vob_trtype_create(pvob.handle(), args, &trtype), 0);
  capture.clear();
  EXPECT_EQ(dev.destroy(""), 1001);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "Can't delete stream \"dev@/pvob\" because of references to it in trigger type "
            "restriction lists.\n");
  ASSERT_EQ(vob_trtype_remove(pvob.handle(), trtype, nullptr), 0);

  SUM_Stream copy = dev;
  ASSERT_EQ(dev.destroy("gone"), 0);
  EXPECT_TRUE(dev.is_null());
  int exists = 1;
  EXPECT_EQ(copy.exists(exists), 0);
  EXPECT_EQ(exists, 0);

  // Removing the integration stream frees the project for a new one.
  ASSERT_EQ(integ.destroy(""), 0);
  SUM_Stream found;
  EXPECT_EQ(SUM_Stream::integration_stream(project, found), 1002);
  make("integ2", SUM_Stream(), 1);
  EXPECT_EQ(SUM_Stream().destroy(""), 1072);
}

INSTANTIATE_TEST_SUITE_P(BothForms, StreamTest, ::testing::Values(8, 6),
                         [](const auto& info) { return "level" + std::to_string(info.param); });

// Single-stream projects and read-only streams need PVOB feature level 3.
TEST(OldPvob, SingleStreamProjectsAndReadOnlyStreamsNeedFeatureLevel3) {
  TempHome home;
  ScopedEnv user("KORVANE_USER", "vobadmin");
  SUM_Vob pvob(test_support::make_test_vob("/old", true, 2));
  SUM_Folder root;
  ASSERT_EQ(SUM_Folder::root_folder(pvob, root), 0);
  ImsgCapture capture;
  SUM_Project project;
  EXPECT_EQ(SUM_Project::create("solo", "", root, "", 1, project), 1001);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "Cannot create single stream project. The PVOB \"/old\" is below feature level 3.\n");
  EXPECT_EQ(SUM_Project::construct_from_selector("solo@/old", SUM_Vob(), project), 1002);
  ASSERT_EQ(SUM_Project::create("p", "", root, "", 0, project), 0);

  capture.clear();
  SUM_Stream s;
  EXPECT_EQ(SUM_Stream::create("ro", "", project, SUM_Stream(), "", 0, 1, s), 1001);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "Cannot create read only stream.  The PVOB \"/old\" is below feature level 3.\n");
  EXPECT_EQ(SUM_Stream::create("rw", "", project, SUM_Stream(), "", 0, 0, s), 0);
}

}  // namespace
