// SUM_Stream in both storage forms (feature levels 8 and 6): creation of
// integration, development and read-only streams and its refusals,
// structure, names and titles, the default deliver target and removal.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sum/sum_folder.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "sum_pvob_fixture.h"
#include "support/checks.h"

namespace {

using test_support::fails_with;
using test_support::out;
using test_support::TempHome;
using test_support::text;
using zem_test::ScopedEnv;

class StreamTest : public zem_test::PvobLevelTest {
 protected:
  void SetUp() override {
    PvobLevelTest::SetUp();
    ASSERT_EQ(SUM_Project::create("proj", "", root, "", 0, project), 0);
  }

  SUM_Stream make(const char* name, const SUM_Stream& parent = SUM_Stream(), int integration = 0,
                  int read_only = 0, const SUM_Project& in = SUM_Project()) {
    SUM_Stream made;
    EXPECT_EQ(SUM_Stream::create(name, "made", in.is_null() ? project : in, parent, "", integration,
                                 read_only, made),
              0)
        << name;
    return made;
  }
  // Creation of `name` that must fail with `status` printing `errors`.
  ::testing::AssertionResult refused(int status, const std::string& errors, const char* name,
                                     const SUM_Project& in, const SUM_Stream& parent,
                                     int integration = 0) {
    SUM_Stream made;
    return fails_with(status, errors, [&] {
      return SUM_Stream::create(name, "", in, parent, "", integration, 0, made);
    });
  }
  SUM_Project other_project(const char* name, int single_stream = 0) {
    SUM_Project made;
    EXPECT_EQ(SUM_Project::create(name, "", root, "", single_stream, made), 0) << name;
    return made;
  }
  std::vector<std::string> children(const SUM_Stream& s) {
    std::vector<std::string> names;
    std::unique_ptr<SUM_Stream::ChildIter> iter(s.child_streams());
    for (iter->first(); !iter->is_done(); iter->next()) {
      SUM_Stream child;
      EXPECT_EQ(iter->current_item(child), 0);
      names.push_back(text(child, &SUM_Stream::name));
    }
    EXPECT_EQ(iter->status(), 0);
    return names;
  }

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

  EXPECT_EQ(out(integ, &SUM_Stream::is_integration), 1);
  EXPECT_EQ(out(dev, &SUM_Stream::is_integration), 0);
  EXPECT_EQ(out(ro, &SUM_Stream::is_read_only), 1);
  EXPECT_EQ(out(sub, &SUM_Stream::is_read_only), 0);

  SUM_Stream parent;
  EXPECT_EQ(integ.parent_stream(parent), 1002);
  EXPECT_EQ(out(dev, &SUM_Stream::parent_stream), integ);
  EXPECT_EQ(out(sub, &SUM_Stream::parent_stream), dev);
  EXPECT_EQ(out(sub, &SUM_Stream::project), project);

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
  EXPECT_TRUE(refused(1001,
                      "Project \"proj@/pvob\" already has an integration stream \"integ@/pvob\".\n",
                      "second", project, SUM_Stream(), 1));
  EXPECT_TRUE(refused(1001, "Parent stream \"ro@/pvob\" is read only.\n", "child", project, ro));
  EXPECT_TRUE(refused(1001, "The name is already in use.\n", "integ", project, SUM_Stream()));
  // An integration stream takes no parent; a parent of another project is
  // refused.
  SUM_Stream none;
  EXPECT_EQ(SUM_Stream::create("x", "", project, integ, "", 1, 0, none), 1001);
  EXPECT_EQ(SUM_Stream::create("x", "", other_project("other"), integ, "", 0, 0, none), 1001);
  EXPECT_EQ(SUM_Stream::construct_from_selector("x@/pvob", SUM_Vob(), none), 1002);
  EXPECT_EQ(SUM_Stream::create("x", "", SUM_Project(), SUM_Stream(), "", 0, 0, none), 1072);
}

TEST_P(StreamTest, SimpleProjectHoldsOnlyItsIntegrationStream) {
  SUM_Project simple = other_project("solo", 1);
  SUM_Stream integ = make("solo_int", SUM_Stream(), 1, 0, simple);
  EXPECT_TRUE(refused(1001,
                      "Project \"solo@/pvob\" may not create child streams.  To join this "
                      "project, create a view attached to stream \"solo_int@/pvob\".\n",
                      "dev", simple, SUM_Stream()));
  // The integration stream of a SIMPLE project has no other target either.
  SUM_Stream target = make("elsewhere");
  EXPECT_TRUE(fails_with(1001,
                         "Project model SIMPLE prevents changing the default deliver target for "
                         "integration stream \"solo_int@/pvob\".\n",
                         [&] { return integ.set_deliver_stream(target, ""); }));
}

TEST_P(StreamTest, NamesAndTitles) {
  SUM_Stream s = make("dev");
  EXPECT_EQ(text(s, &SUM_Stream::title), "dev");
  ASSERT_EQ(s.set_title("Development", "t"), 0);
  EXPECT_EQ(text(s, &SUM_Stream::title), "Development");
  ASSERT_EQ(s.set_name("dev2", "n"), 0);
  SUM_Stream found;
  ASSERT_EQ(SUM_Stream::construct_from_selector("dev2@/pvob", SUM_Vob(), found), 0);
  EXPECT_EQ(found, s);
  make("taken");
  EXPECT_EQ(s.set_name("taken", ""), 1001);
  EXPECT_EQ(SUM_Stream().set_title("x", ""), 1072);

  SUM_Stream titled;
  ASSERT_EQ(SUM_Stream::create("t2", "", project, SUM_Stream(), "Given", 0, 0, titled), 0);
  EXPECT_EQ(text(titled, &SUM_Stream::title), "Given");
}

TEST_P(StreamTest, DefaultDeliverTarget) {
  SUM_Stream integ = make("integ", SUM_Stream(), 1);
  SUM_Stream dev = make("dev");
  SUM_Stream ro = make("ro", integ, 0, 1);
  SUM_Stream elsewhere = make("o_int", SUM_Stream(), 1, 0, other_project("other"));

  SUM_Stream target;
  EXPECT_EQ(integ.deliver_stream(target), 1002);
  EXPECT_EQ(out(dev, &SUM_Stream::deliver_stream), integ);
  EXPECT_EQ(ro.deliver_stream(target), 1002);

  ASSERT_EQ(integ.set_deliver_stream(elsewhere, "to other"), 0);
  EXPECT_EQ(out(integ, &SUM_Stream::deliver_stream), elsewhere);

  EXPECT_TRUE(fails_with(1001, "Unable to set default deliver target of a stream to itself.\n",
                         [&] { return integ.set_deliver_stream(integ, ""); }));
  EXPECT_TRUE(fails_with(1001, "Cannot set default deliver target of a non-integration stream.\n",
                         [&] { return dev.set_deliver_stream(elsewhere, ""); }));

  ASSERT_EQ(integ.set_deliver_stream(SUM_Stream(), "clear"), 0);
  EXPECT_EQ(integ.deliver_stream(target), 1002);
}

TEST_P(StreamTest, RemovalRefusalsAndRemoval) {
  SUM_Stream integ = make("integ", SUM_Stream(), 1);
  SUM_Stream dev = make("dev");
  EXPECT_EQ(out(integ, &SUM_Stream::ok_to_destroy), 0);
  EXPECT_TRUE(fails_with(1001, "Cannot remove a stream that has child streams.\n",
                         [&] { return integ.destroy(""); }));

  tbs_dbid_t trtype = guard(VOB_OP_RMSTREAM, dev.dbid());
  EXPECT_TRUE(fails_with(1001,
                         "Can't delete stream \"dev@/pvob\" because of references to it in "
                         "trigger type restriction lists.\n",
                         [&] { return dev.destroy(""); }));
  ASSERT_EQ(vob_trtype_remove(pvob.handle(), trtype, nullptr), 0);

  SUM_Stream copy = dev;
  ASSERT_EQ(dev.destroy("gone"), 0);
  EXPECT_TRUE(dev.is_null());
  EXPECT_EQ(out(copy, &SUM_Stream::exists), 0);

  // Removing the integration stream frees the project for a new one.
  ASSERT_EQ(integ.destroy(""), 0);
  SUM_Stream found;
  EXPECT_EQ(SUM_Stream::integration_stream(project, found), 1002);
  make("integ2", SUM_Stream(), 1);
  EXPECT_EQ(SUM_Stream().destroy(""), 1072);
}

INSTANTIATE_TEST_SUITE_P(BothForms, StreamTest, ::testing::Values(8, 6), zem_test::level_name);

// Single-stream projects and read-only streams need PVOB feature level 3.
TEST(OldPvob, SingleStreamProjectsAndReadOnlyStreamsNeedFeatureLevel3) {
  TempHome home;
  ScopedEnv user("KORVANE_USER", "vobadmin");
  SUM_Vob pvob(test_support::make_test_vob("/old", true, 2));
  SUM_Folder root;
  ASSERT_EQ(SUM_Folder::root_folder(pvob, root), 0);
  SUM_Project project;
  EXPECT_TRUE(fails_with(
      1001, "Cannot create single stream project. The PVOB \"/old\" is below feature level 3.\n",
      [&] { return SUM_Project::create("solo", "", root, "", 1, project); }));
  EXPECT_EQ(SUM_Project::construct_from_selector("solo@/old", SUM_Vob(), project), 1002);
  ASSERT_EQ(SUM_Project::create("p", "", root, "", 0, project), 0);

  SUM_Stream s;
  EXPECT_TRUE(fails_with(
      1001, "Cannot create read only stream.  The PVOB \"/old\" is below feature level 3.\n",
      [&] { return SUM_Stream::create("ro", "", project, SUM_Stream(), "", 0, 1, s); }));
  EXPECT_EQ(SUM_Stream::create("rw", "", project, SUM_Stream(), "", 0, 0, s), 0);
}

}  // namespace
