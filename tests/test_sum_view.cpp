// SUM_View in both PVOB storage forms (feature levels 8 and 6): identity and
// kinds of views, attaching a view to a stream, config specs, the current
// activity with its refusals and triggers, an integration in progress, and
// the checkout question the view service asks before every checkout.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "services/view.h"
#include "services/vob_trig.h"
#include "services/vob_zem_activity.h"
#include "sum/sum_activity.h"
#include "sum/sum_baseline.h"
#include "sum/sum_component.h"
#include "sum/sum_folder.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "sum/sum_version.h"
#include "sum/sum_view.h"
#include "support/vantool_runner.h"
#include "vob_zem_fixture.h"

namespace {

using test_support::ImsgCapture;
using test_support::TempHome;
using zem_test::ScopedEnv;

std::string slurp(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

class ViewZemTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    // The library installs its checkout question when it is loaded; a test
    // of the view service alone may have replaced it in this process.
    view_zem_entry_points_t points;
    points.checkouts_allowed = sum_view_checkouts_allowed;
    view_register_zem_entry_points(&points);
    pvob = SUM_Vob(test_support::make_test_vob("/pvob", true, GetParam()));
    c1 = rooted("c1");
    c2 = rooted("c2");
    SUM_Folder root;
    ASSERT_EQ(SUM_Folder::root_folder(pvob, root), 0);
    ASSERT_EQ(SUM_Project::create("proj", "", root, "", 0, project), 0);
    SUM_ComponentList modifiable;
    modifiable.append(c1);
    ASSERT_EQ(project.add_mod_comps(modifiable, "", 0), 0);
    SUM_BaselineList foundation;
    foundation.append(initial(c1));
    foundation.append(initial(c2));
    ASSERT_EQ(SUM_Stream::create("integ", "", project, SUM_Stream(), "", 1, 0, foundation, integ),
              0);
    ASSERT_EQ(SUM_Stream::create("dev", "", project, integ, "", 0, 0, foundation, dev), 0);
    integ_view = view("integ_view", integ);
    dev_view = view("dev_view", dev);
    ASSERT_EQ(integ.create_activity("fix1", "", "", fix1), 0);
    ASSERT_EQ(integ.create_activity("fix2", "", "", fix2), 0);
    ASSERT_EQ(dev.create_activity("devwork", "", "", devwork), 0);
  }

  // A component whose root is the root directory of a new VOB "/<name>".
  SUM_Component rooted(const char* name) {
    std::string tag = std::string("/") + name;
    SUM_Vob vob(test_support::make_test_vob(tag, false, 8));
    tbs_dbid_t dir = 0;
    EXPECT_EQ(vob.wk_obj(VOB_WK_ROOT_DIRECTORY, dir), 0);
    SUM_Component c;
    EXPECT_EQ(SUM_Component::create(pvob, name, SUM_VobObject(vob, dir), nullptr, nullptr, "", c),
              0);
    return c;
  }
  SUM_Baseline initial(const SUM_Component& c) {
    SUM_Baseline b;
    EXPECT_EQ(c.initial_baseline(b), 0);
    return b;
  }
  SUM_Element root_of(const SUM_Component& c) {
    SUM_VobObject element;
    EXPECT_EQ(c.root_directory_element(element), 0);
    return SUM_Element(element.vob(), element.dbid());
  }
  // A dynamic view, attached to `stream` unless it is null.
  SUM_View view(const char* tag, const SUM_Stream& stream, const char* attributes = "") {
    view_create_args_t args;
    args.tag = tag;
    args.root = home.path() + "/roots/" + tag;
    args.attributes = attributes;
    EXPECT_EQ(view_create(args, nullptr), 0) << tag;
    SUM_View made;
    EXPECT_EQ(SUM_View::construct_from_tag(tag, made), 0);
    if (!stream.is_null()) {
      EXPECT_EQ(made.set_stream(stream, "attach"), 0);
    }
    return made;
  }
  SUM_Activity current(const SUM_View& v) {
    SUM_Activity act;
    EXPECT_EQ(v.current_activity(act), 0);
    return act;
  }
  // A trigger type on setting (or clearing) an activity, running `command`.
  void trigger_type(const char* name, int phase, vob_op_t op, const std::string& command) {
    vob_trtype_create_args_t a;
    a.name = name;
    a.phase = phase;
    a.ops = {op};
    a.command = command;
    ASSERT_EQ(vob_trtype_create(pvob.handle(), a, nullptr), 0);
  }

  TempHome home;
  ScopedEnv user{"KORVANE_USER", "vobadmin"};
  SUM_Vob pvob;
  SUM_Component c1, c2;
  SUM_Project project;
  SUM_Stream integ, dev;
  SUM_View integ_view, dev_view;
  SUM_Activity fix1, fix2, devwork;
};

INSTANTIATE_TEST_SUITE_P(BothForms, ViewZemTest, ::testing::Values(8, 6));

TEST_P(ViewZemTest, IdentityNamesAndKindsOfViews) {
  SUM_View copy = integ_view;
  EXPECT_EQ(copy, integ_view);
  EXPECT_NE(copy, dev_view);
  SUM_String tag;
  ASSERT_EQ(copy.tag(tag), 0);
  EXPECT_STREQ(tag, "integ_view");
  EXPECT_STREQ(integ_view.any_name(), "integ_view");
  EXPECT_STREQ(SUM_View().any_name(), "<null view>");
  EXPECT_EQ(SUM_View::construct_from_tag("no_such_view", copy), 1002);
  EXPECT_EQ(SUM_View::construct_from_tag(nullptr, copy), 1072);

  SUM_View by_root;
  SUM_String root;
  ASSERT_EQ(integ_view.view_root(root), 0);
  EXPECT_EQ(std::string(root), home.path() + "/roots/integ_view");
  ASSERT_EQ(SUM_View::construct_from_view_root((std::string(root) + "/c1").c_str(), by_root), 0);
  EXPECT_EQ(by_root, integ_view);

  // A UUID no view is registered under: no tag, so the UUID names it.
  tbs_uuid_t raw;
  tbs_uuid_generate(&raw);
  SUM_View untagged;
  ASSERT_EQ(SUM_View::construct_from_uuid(SUM_Uuid(raw), untagged), 0);
  EXPECT_STREQ(untagged.any_name(), SUM_Uuid(raw).string());
  {
    ImsgCapture quiet;
    EXPECT_EQ(untagged.tag(tag, 1), 1001);
    EXPECT_TRUE(quiet.all().empty());
  }
  ImsgCapture seen;
  EXPECT_EQ(untagged.tag(tag), 1001);
  EXPECT_EQ(seen.joined(IMSG_ERROR),
            "No tag in region for view \"" + std::string(SUM_Uuid(raw).string()) + "\".\n");

  int flag = -1;
  ASSERT_EQ(integ_view.owned_by_me(flag), 0);
  EXPECT_EQ(flag, 1);
  {
    ScopedEnv other("KORVANE_USER", "someone_else");
    ASSERT_EQ(integ_view.owned_by_me(flag), 0);
    EXPECT_EQ(flag, 0);
  }
  ASSERT_EQ(integ_view.is_snapshot(flag), 0);
  EXPECT_EQ(flag, 0);
  ASSERT_EQ(integ_view.is_sum_view_by_view(flag), 0);
  EXPECT_EQ(flag, 1) << "attaching marks the view";
  ASSERT_EQ(integ_view.is_sum_view_by_rgy(flag), 0);
  EXPECT_EQ(flag, 1);
  SUM_View web = view("web", SUM_Stream(), "webview,automatic");
  ASSERT_EQ(web.is_sum_view_by_rgy(flag), 0);
  EXPECT_EQ(flag, 0);
  ASSERT_EQ(web.is_web_view_by_view(flag), 0);
  EXPECT_EQ(flag, 1);
  ASSERT_EQ(web.is_automatic_view_by_rgy(flag), 0);
  EXPECT_EQ(flag, 1);
  ASSERT_EQ(integ_view.is_web_view_by_rgy(flag), 0);
  EXPECT_EQ(flag, 0);
}

TEST_P(ViewZemTest, StreamBindingAndConfigSpec) {
  SUM_View loose = view("loose", SUM_Stream());
  SUM_Stream found;
  EXPECT_EQ(loose.stream(found), 1002);
  int flag = -1;
  ASSERT_EQ(loose.is_sum_view_by_vob(flag), 0);
  EXPECT_EQ(flag, 0);
  ASSERT_EQ(loose.is_attached(integ, flag), 0);
  EXPECT_EQ(flag, 0);

  ASSERT_EQ(integ_view.stream(found), 0);
  EXPECT_EQ(found, integ);
  ASSERT_EQ(integ_view.is_attached(integ, flag), 0);
  EXPECT_EQ(flag, 1);
  ASSERT_EQ(integ_view.is_attached(dev, flag), 0);
  EXPECT_EQ(flag, 0);
  vob_vob_h pvob_h = nullptr;
  tbs_dbid_t stream_dbid = 0;
  view_server_h h = nullptr;
  ASSERT_EQ(dev_view.handle(h), 0);
  ASSERT_EQ(sum_view_get_stream(h, &pvob_h, &stream_dbid), 0);
  EXPECT_EQ(SUM_Stream(SUM_Vob(pvob_h), stream_dbid), dev);

  const char* spec = "element * CHECKEDOUT\nelement * /main/0\n";
  ASSERT_EQ(integ_view.set_config_spec(spec), 0);
  SUM_String text;
  ASSERT_EQ(integ_view.config_spec(text), 0);
  EXPECT_STREQ(text, spec);
  {
    ImsgCapture refused;
    EXPECT_NE(integ_view.set_config_spec("element * /main/\n"), 0);
  }
  ASSERT_EQ(integ_view.config_spec(text), 0);
  EXPECT_STREQ(text, spec) << "a malformed config spec changes nothing";
}

TEST_P(ViewZemTest, CurrentActivityIsSetReadBackReplacedAndCleared) {
  EXPECT_TRUE(current(integ_view).is_null());
  ASSERT_EQ(integ_view.set_activity(fix1, "start", 0), 0);
  EXPECT_EQ(current(integ_view), fix1);
  SUM_View where;
  ASSERT_EQ(fix1.current_view(where), 0);
  EXPECT_EQ(where, integ_view);

  // The binding as the PVOB stores it for each storage form.
  SUM_Uuid id;
  ASSERT_EQ(integ_view.uuid(id), 0);
  if (pvob.supports_fc_objs()) {
    tbs_dbid_t stored = 0;
    ASSERT_EQ(vob_zem_view_get_activity(pvob.handle(), id.string(), &stored), 0);
    EXPECT_EQ(stored, fix1.dbid());
  } else {
    SUM_VobObject every;
    ASSERT_EQ(pvob.user_every(every), 0);
    std::vector<vob_work_t> work;
    ASSERT_EQ(vob_ob_next_work(pvob.handle(), every.dbid(), id.string(), 0, 10, work), 0);
    ASSERT_EQ(work.size(), 1u);
    EXPECT_EQ(work[0].activity, fix1.dbid());
  }

  ASSERT_EQ(integ_view.set_activity(fix2, "switch", 0), 0);
  EXPECT_EQ(current(integ_view), fix2);
  EXPECT_TRUE(current(dev_view).is_null()) << "other views keep their own";
  ASSERT_EQ(integ_view.unset_activity(1, "done"), 0);
  EXPECT_TRUE(current(integ_view).is_null());
  ASSERT_EQ(integ_view.unset_activity(1, "again"), 0) << "clearing nothing is no error";
}

TEST_P(ViewZemTest, SetActivityRefusalsChangeNothingAndFireNoTrigger) {
  std::string fired = home.path() + "/fired.txt";
  trigger_type("record_set", VOB_TRIG_PREOP, VOB_OP_SETACTIVITY, "echo set >> " + fired);
  ASSERT_EQ(integ_view.set_activity(fix1, "", 0), 0);
  EXPECT_EQ(slurp(fired), "set\n");

  ImsgCapture seen;
  EXPECT_EQ(integ_view.set_activity(fix1, "", 0), 1001);
  EXPECT_EQ(seen.joined(IMSG_ERROR), "Activity \"" + std::string(fix1.any_fullname()) +
                                         "\" is already set in view \"integ_view\".\n");
  seen.clear();
  EXPECT_EQ(integ_view.set_activity(devwork, "", 0), 1001);
  EXPECT_EQ(seen.joined(IMSG_ERROR), "Activity \"" + std::string(devwork.any_fullname()) +
                                         "\" is not in the stream attached to view "
                                         "\"integ_view\".\n");
  seen.clear();
  SUM_View loose = view("loose", SUM_Stream());
  EXPECT_EQ(loose.set_activity(fix2, "", 0), 1002);
  EXPECT_EQ(seen.joined(IMSG_ERROR), "View \"loose\" is not attached to activity \"" +
                                         std::string(fix2.any_fullname()) + "\"'s stream.\n");
  EXPECT_EQ(current(integ_view), fix1);
  EXPECT_EQ(slurp(fired), "set\n") << "no refused setting reached the trigger";

  EXPECT_EQ(integ_view.set_activity(SUM_Activity(), "", 0), 1072);
  EXPECT_EQ(SUM_View().set_activity(fix2, "", 0), 1072);
}

TEST_P(ViewZemTest, RefusingTriggersStopSettingAndClearing) {
  trigger_type("no_set", VOB_TRIG_PREOP, VOB_OP_SETACTIVITY, "exit 1");
  ImsgCapture seen;
  EXPECT_EQ(integ_view.set_activity(fix1, "", 0), 1001);
  EXPECT_TRUE(current(integ_view).is_null());

  std::string fired = home.path() + "/cleared.txt";
  trigger_type("record_none", VOB_TRIG_POSTOP, VOB_OP_SETACTIVITY_NONE, "echo none >> " + fired);
  ASSERT_EQ(dev_view.set_activity(devwork, "", 0), 1001) << "the refusing type applies here too";
  ASSERT_EQ(dev_view.unset_activity(1, ""), 0);
  EXPECT_EQ(slurp(fired), "none\n");
}

TEST_P(ViewZemTest, IntegrationInProgressHoldsTheCurrentActivity) {
  SUM_Activity deliver;
  ASSERT_EQ(integ.create_activity("deliver.dev", "", "", deliver), 0);
  ASSERT_EQ(deliver.init_integration_act("deliver"), 0);
  ASSERT_EQ(integ_view.set_activity(deliver, "", 0), 0);
  view_server_h h = nullptr;
  ASSERT_EQ(integ_view.handle(h), 0);
  int in_progress = -1;
  ASSERT_EQ(sum_view_integration_in_progress(h, &in_progress), 0);
  EXPECT_EQ(in_progress, 1);

  std::string expected = "View \"integ_view\" is set activity to activity\n\"" +
                         std::string(deliver.any_fullname()) +
                         "\" which is currently involved in an\nactive deliver or rebase "
                         "operation.  The set activity of this view may not be\nchanged until "
                         "the operation has completed.\n";
  ImsgCapture seen;
  EXPECT_EQ(integ_view.set_activity(fix1, "", 0), 1001);
  EXPECT_EQ(seen.joined(IMSG_ERROR), expected);
  seen.clear();
  EXPECT_EQ(integ_view.unset_activity(1, ""), 1001);
  EXPECT_EQ(seen.joined(IMSG_ERROR), expected);
  EXPECT_EQ(current(integ_view), deliver);

  ASSERT_EQ(deliver.complete_integration_act("done"), 0);
  ASSERT_EQ(sum_view_integration_in_progress(h, &in_progress), 0);
  EXPECT_EQ(in_progress, 0);
  ASSERT_EQ(integ_view.set_activity(fix1, "", 0), 0);
}

TEST_P(ViewZemTest, CheckoutsAllowedOnlyInModifiableComponentsOfAStream) {
  view_server_h h = nullptr;
  SUM_Element in_c1 = root_of(c1), in_c2 = root_of(c2);
  int zem = -1, allowed = -1;
  SUM_View loose = view("loose", SUM_Stream());
  ASSERT_EQ(loose.handle(h), 0);
  ASSERT_EQ(sum_view_checkouts_allowed(h, in_c2.vob().handle(), in_c2.dbid(), 0, &zem, &allowed),
            0);
  EXPECT_EQ(zem, 0) << "a view outside the ZEM layer";

  ASSERT_EQ(integ_view.handle(h), 0);
  ImsgCapture seen;
  ASSERT_EQ(sum_view_checkouts_allowed(h, in_c1.vob().handle(), in_c1.dbid(), 0, &zem, &allowed),
            0);
  EXPECT_EQ(zem, 1);
  EXPECT_EQ(allowed, 1);
  EXPECT_TRUE(seen.all().empty());
  ASSERT_EQ(sum_view_checkouts_allowed(h, in_c2.vob().handle(), in_c2.dbid(), 0, &zem, &allowed),
            0);
  EXPECT_EQ(zem, 1);
  EXPECT_EQ(allowed, 0);
  EXPECT_EQ(seen.joined(IMSG_ERROR), "Component \"" + std::string(c2.any_fullname()) +
                                         "\" is not modifiable in this stream.\n");

  // An element in no component: the refusal names its VOB.
  SUM_Vob plain(test_support::make_test_vob("/plain", false, 8));
  tbs_dbid_t plain_root = 0;
  ASSERT_EQ(plain.wk_obj(VOB_WK_ROOT_DIRECTORY, plain_root), 0);
  seen.clear();
  ASSERT_EQ(integ.checkouts_allowed(integ_view, SUM_Element(plain, plain_root), allowed), 0);
  EXPECT_EQ(allowed, 0);
  EXPECT_EQ(seen.joined(IMSG_ERROR), "Component \"/plain\" is not modifiable in this stream.\n");

  SUM_Stream read_only, bare;
  SUM_BaselineList foundation;
  foundation.append(initial(c1));
  ASSERT_EQ(SUM_Stream::create("ro", "", project, integ, "", 0, 1, foundation, read_only), 0);
  ASSERT_EQ(SUM_Stream::create("bare", "", project, integ, "", 0, 0, SUM_BaselineList(), bare), 0);
  seen.clear();
  ASSERT_EQ(read_only.checkouts_allowed(integ_view, in_c1, allowed), 0);
  EXPECT_EQ(allowed, 0);
  EXPECT_EQ(seen.joined(IMSG_ERROR),
            "Stream \"" + std::string(read_only.any_fullname()) + "\" is read-only.\n");
  seen.clear();
  ASSERT_EQ(bare.checkouts_allowed(integ_view, in_c1, allowed), 0);
  EXPECT_EQ(allowed, 0);
  EXPECT_EQ(seen.joined(IMSG_ERROR),
            " Stream \"" + std::string(bare.any_fullname()) + "\" has no foundation baselines.\n");
}

TEST_P(ViewZemTest, ViewServiceAsksBeforeCheckingOutAndCheckoutsAreListed) {
  ASSERT_EQ(integ_view.set_activity(fix1, "", 0), 0);
  view_server_h h = nullptr;
  ASSERT_EQ(integ_view.handle(h), 0);
  tbs_dbid_t version = 0;
  {
    ImsgCapture seen;
    EXPECT_NE(view_checkout(h, "/c2", "try", &version), 0);
    EXPECT_NE(seen.joined(IMSG_ERROR)
                  .find("Component \"" + std::string(c2.any_fullname()) +
                        "\" is not modifiable in this stream.\n"),
              std::string::npos)
        << seen.joined(IMSG_ERROR);
  }
  int has = -1;
  ASSERT_EQ(integ_view.has_checkouts(has), 0);
  EXPECT_EQ(has, 0);

  ASSERT_EQ(view_checkout(h, "/c1", "work", &version), 0);
  SUM_VersionList held;
  ASSERT_EQ(integ_view.checkouts(held), 0);
  ASSERT_EQ(held.count(), 1u);
  EXPECT_EQ(held[0], SUM_Version(root_of(c1).vob(), version));
  ASSERT_EQ(integ_view.has_checkouts(has), 0);
  EXPECT_EQ(has, 1);
  SUM_VobList vobs;
  ASSERT_EQ(integ_view.known_vobs(vobs), 0);
  ASSERT_EQ(vobs.count(), 1u);
  EXPECT_EQ(vobs[0], root_of(c1).vob());
}

// A fresh process: the library, loaded by vantool, asks its question
// without any test installing it.
TEST_P(ViewZemTest, ALoadedLibraryAsksBeforeEveryCheckoutThroughAStreamView) {
  ASSERT_EQ(integ_view.set_activity(fix1, "", 0), 0);
  SUM_String root;
  ASSERT_EQ(integ_view.view_root(root), 0);
  test_support::ProcessResult refused =
      test_support::vantool({"checkout", "-nc", std::string(root) + "/c2"});
  EXPECT_EQ(refused.exit_code, 1) << refused.err;
  EXPECT_NE(refused.err.find("Component \"" + std::string(c2.any_fullname()) +
                             "\" is not modifiable in this stream."),
            std::string::npos)
      << refused.err;
  test_support::ProcessResult done =
      test_support::vantool({"checkout", "-nc", std::string(root) + "/c1"});
  EXPECT_EQ(done.exit_code, 0) << done.err;
  int has = 0;
  ASSERT_EQ(integ_view.has_checkouts(has), 0);
  EXPECT_EQ(has, 1);
}

}  // namespace
