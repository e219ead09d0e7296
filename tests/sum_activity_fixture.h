// A fresh KORVANE_HOME with "vobadmin" acting; a project VOB "/pvob" at the
// test's feature level with project "proj"; a component "src" rooted at the
// root directory of an ordinary VOB "/src"; the integration stream "integ" on
// the component's initial baseline and a read-only stream "ro"; and a view
// "work", attached to no stream, that makes the files and checkouts tests put
// into change sets.
#ifndef TESTS_SUM_ACTIVITY_FIXTURE_H
#define TESTS_SUM_ACTIVITY_FIXTURE_H

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "services/view.h"
#include "services/vob_elem.h"
#include "services/vob_zem_activity.h"
#include "sum/sum_activity.h"
#include "sum/sum_baseline.h"
#include "sum/sum_component.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "sum/sum_view.h"
#include "sum/sum_folder.h"
#include "sum/sum_vob.h"
#include "support/checks.h"
#include "support/imsg_capture.h"
#include "support/sandbox.h"
#include "support/vob_elem_fixture.h"
#include "sum_pvob_fixture.h"
#include "vob_zem_fixture.h"

namespace act_test {

using test_support::fails_with;
using test_support::out;
using test_support::text;

class ActivityTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    pvob = SUM_Vob(test_support::make_test_vob("/pvob", true, GetParam()));
    ASSERT_EQ(SUM_Folder::root_folder(pvob, root), 0);
    ASSERT_EQ(SUM_Project::create("proj", "", root, "", 0, project), 0);
    src = SUM_Vob(test_support::make_test_vob("/src"));
    ASSERT_EQ(vob_ob_get_wk_obj(src.handle(), VOB_WK_ROOT_DIRECTORY, &root_dir), 0);
    ASSERT_EQ(SUM_Component::create(pvob, "src", SUM_VobObject(src, root_dir), nullptr, nullptr, "",
                                    comp),
              0);
    SUM_BaselineList foundation(1);
    ASSERT_EQ(SUM_Baseline::construct_from_selector("baseline:src_INITIAL@/pvob", SUM_Vob(),
                                                    foundation[0]),
              0);
    ASSERT_EQ(SUM_Stream::create("integ", "", project, SUM_Stream(), "", 1, 0, foundation, integ),
              0);
    ASSERT_EQ(SUM_Stream::create("ro", "", project, integ, "", 0, 1, ro), 0);
    view_create_args_t args;
    args.tag = "work";
    args.root = view_root();
    ASSERT_EQ(view_create(args, &handle), 0);
    ASSERT_EQ(SUM_View::construct_from_tag("work", view), 0);
  }
  void TearDown() override { view_free_handle(handle); }

  int fc() const { return GetParam() >= 7 ? 1 : 0; }
  std::string view_root() const { return home.path() + "/roots/work"; }

  SUM_Activity make(const char* name, const char* title = "") {
    SUM_Activity made;
    EXPECT_EQ(integ.create_activity(name, title, "made", made), 0) << name;
    return made;
  }
  // Version /main/1 of a new file "/src/<name>" holding `content`.
  tbs_dbid_t add_file(const std::string& name, const std::string& content) {
    tbs_dbid_t dir = 0, element = 0, version = 0;
    std::string path = "/src/" + name;
    EXPECT_EQ(view_checkout(handle, "/src", "add", &dir), 0);
    std::ofstream(view_root() + path, std::ios::binary) << content;
    EXPECT_EQ(view_mkelem(handle, path.c_str(), VOB_ELTYPE_FILE, "new", 1, &element), 0);
    EXPECT_EQ(view_checkin(handle, "/src", nullptr, &dir), 0);
    EXPECT_EQ(vob_ver_lookup(src.handle(), element, "/main/1", &version), 0);
    return version;
  }
  // Checks out "/src/<name>" in the view.
  tbs_dbid_t checkout(const std::string& name, const char* comment) {
    tbs_dbid_t version = 0;
    EXPECT_EQ(view_checkout(handle, ("/src/" + name).c_str(), comment, &version), 0);
    return version;
  }
  // Records `version` in `activity`'s change set.
  void enter(const SUM_Activity& activity, tbs_dbid_t version, int checkout) {
    vob_event_info_t event;
    EXPECT_EQ(vob_zem_activity_cset_add_ver(pvob.handle(), activity.dbid(), src.handle(), version,
                                            checkout, "work", &event),
              0);
  }
  // Whether `activity`'s change set holds `version`.
  int holds(const SUM_Activity& activity, tbs_dbid_t version) {
    int in = -1, checkout = -1;
    EXPECT_EQ(vob_zem_activity_ver_in_cset(pvob.handle(), activity.dbid(), src.handle(), version,
                                           &in, &checkout),
              0);
    return in;
  }

  test_support::TempHome home;
  zem_test::ScopedEnv user{"KORVANE_USER", "vobadmin"};
  SUM_Vob pvob;
  SUM_Folder root;
  SUM_Project project;
  SUM_Vob src;
  tbs_dbid_t root_dir = 0;
  SUM_Component comp;
  SUM_Stream integ, ro;
  view_server_h handle = nullptr;
  SUM_View view;
};

// Names the instances of a suite by their feature level.
using zem_test::level_name;

}  // namespace act_test

#endif  // TESTS_SUM_ACTIVITY_FIXTURE_H
