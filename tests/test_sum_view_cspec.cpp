// SUM_View's config spec side: a view attached to a stream gets the
// stream's text (and shows what it selects), keeps its custom areas, tells
// whether it is in sync, catches up at the next checkout (dynamic) or
// refuses checkouts until updated (snapshot), and can be given a text
// independent of streams.
#include <gtest/gtest.h>

#include <string>

#include "services/cspec.h"
#include "services/view.h"
#include "services/vob_elem.h"
#include "sum/sum_activity.h"
#include "sum/sum_baseline.h"
#include "sum/sum_component.h"
#include "sum/sum_config_spec_id.h"
#include "sum/sum_imsg.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"
#include "sum/sum_view.h"
#include "support/checks.h"
#include "support/imsg_capture.h"
#include "sum_activity_fixture.h"
#include "sum_pvob_fixture.h"

namespace {

using test_support::ImsgCapture;
using test_support::out;
using test_support::text;
using zem_test::level_name;

constexpr const char* kElemMarker =
    "#ZEMCustomElemBegin - DO NOT REMOVE - ADD CUSTOM ELEMENT RULES AFTER THIS LINE\n";
constexpr const char* kLoadMarker =
    "#ZEMCustomLoadBegin - DO NOT REMOVE - ADD CUSTOM LOAD RULES AFTER THIS LINE\n";

// Project "proj" with the modifiable VOB-root component "src" and its
// integration stream "integ" on the initial baseline.
class ViewCspecTest : public zem_test::PvobLevelTest {
 protected:
  void SetUp() override {
    PvobLevelTest::SetUp();
    ASSERT_EQ(SUM_Project::create("proj", "", root, "", 0, project), 0);
    src = SUM_Vob(test_support::make_test_vob("/src"));
    tbs_dbid_t dir = 0;
    ASSERT_EQ(src.wk_obj(VOB_WK_ROOT_DIRECTORY, dir), 0);
    ASSERT_EQ(
        SUM_Component::create(pvob, "src", SUM_VobObject(src, dir), nullptr, nullptr, "", comp), 0);
    SUM_ComponentList modifiable(1);
    modifiable[0] = comp;
    ASSERT_EQ(project.add_mod_comps(modifiable, "", 0), 0);
    SUM_BaselineList foundation(1);
    foundation[0] = out(comp, &SUM_Component::initial_baseline);
    ASSERT_EQ(SUM_Stream::create("integ", "", project, SUM_Stream(), "", 1, 0, foundation, integ),
              0);
  }

  // A view of `kind`, attached to `stream` with a current activity unless
  // the stream is null.
  SUM_View make_view(const char* tag, const SUM_Stream& stream, int kind = VIEW_DYNAMIC) {
    view_create_args_t args;
    args.tag = tag;
    args.root = home.path() + "/roots/" + tag;
    args.kind = kind;
    EXPECT_EQ(view_create(args, nullptr), 0) << tag;
    SUM_View made;
    EXPECT_EQ(SUM_View::construct_from_tag(tag, made), 0);
    if (!stream.is_null()) {
      // Checkouts in a stream's view are recorded in its current activity.
      SUM_Activity activity;
      EXPECT_EQ(made.set_stream(stream, "attach"), 0);
      EXPECT_EQ(stream.create_activity((std::string("act_") + tag).c_str(), "", "", activity), 0);
      EXPECT_EQ(made.set_activity(activity, "", 0), 0);
    }
    return made;
  }
  static view_server_h handle_of(const SUM_View& v) {
    view_server_h h = nullptr;
    EXPECT_EQ(v.handle(h), 0);
    return h;
  }
  static std::string cspec_of(const SUM_View& v) { return text(v, &SUM_View::config_spec); }
  static int in_sync(const SUM_View& v) {
    int zem = -1, sync = -1;
    EXPECT_EQ(sum_view_config_spec_in_sync(handle_of(v), &zem, &sync), 0);
    EXPECT_EQ(zem, 1);
    return sync;
  }
  // Inserts `rules` after the first line starting with `marker` of the
  // view's text and loads the result.
  static void add_custom(const SUM_View& v, const char* marker, const std::string& rules) {
    std::string cs = cspec_of(v);
    size_t at = cs.find(marker);
    ASSERT_NE(at, std::string::npos);
    cs.insert(at + std::string(marker).size(), rules);
    ASSERT_EQ(v.set_config_spec(cs.c_str()), 0);
  }

  SUM_Project project;
  SUM_Vob src;
  SUM_Component comp;
  SUM_Stream integ;
};

TEST_P(ViewCspecTest, AnAttachedViewGetsTheStreamsTextAndShowsItsConfiguration) {
  SUM_View v = make_view("work", integ);
  EXPECT_EQ(in_sync(v), 0) << "a view with its own rules does not show the stream";
  ASSERT_EQ(v.update_config_spec(), 0);
  EXPECT_EQ(out(v, &SUM_View::config_spec_id).compare(out(integ, &SUM_Stream::config_spec_id)),
            SUM_ConfigSpecId::SAME);
  EXPECT_EQ(in_sync(v), 1);
  EXPECT_EQ(out(integ, &SUM_Stream::config_spec_id).version(), 0);

  // The component's root shows its foundation version, checked out on the
  // stream's branch.
  view_path_info_t info;
  ASSERT_EQ(view_lookup(handle_of(v), "/src", &info), 0);
  EXPECT_EQ(info.rule_text, "element \"/src/...\" /main/0 -mkbranch integ");
  tbs_dbid_t version = 0;
  ASSERT_EQ(view_checkout(handle_of(v), "/src", "work", &version), 0);
  vob_ver_details_t details;
  ASSERT_EQ(vob_ver_get_details(src.handle(), version, &details), 0);
  EXPECT_EQ(details.branch_path, "/main/integ");
}

TEST_P(ViewCspecTest, CustomAreasSurviveARegeneratedText) {
  SUM_View v = make_view("work", integ);
  ASSERT_EQ(v.update_config_spec(), 0);
  add_custom(v, kElemMarker, "element /src/tools/... /main/LATEST\n");
  add_custom(v, kLoadMarker, "load /src/lib\n");
  ASSERT_EQ(integ.regen_cspec(0), 0);
  EXPECT_EQ(in_sync(v), 0);
  ASSERT_EQ(v.update_config_spec(), 0);
  std::string cs = cspec_of(v);
  EXPECT_NE(cs.find(std::string(kElemMarker) + "element /src/tools/... /main/LATEST\n"),
            std::string::npos)
      << cs;
  EXPECT_NE(cs.find(std::string(kLoadMarker) + "load /src/lib\n"), std::string::npos) << cs;
  EXPECT_EQ(out(v, &SUM_View::config_spec_id).version(), 1);
  EXPECT_EQ(in_sync(v), 1);
  EXPECT_EQ(cs.find("element /src/tools/... /main/LATEST"),
            cs.rfind("element /src/tools/... /main/LATEST"))
      << "the custom rule appears once";
}

TEST_P(ViewCspecTest, ADynamicViewCatchesUpAtItsNextCheckout) {
  SUM_View v = make_view("work", integ);
  ASSERT_EQ(v.update_config_spec(), 0);
  ASSERT_EQ(integ.regen_cspec(0), 0);
  ImsgCapture capture;
  tbs_dbid_t version = 0;
  ASSERT_EQ(view_checkout(handle_of(v), "/src", "work", &version), 0);
  EXPECT_NE(capture.joined(IMSG_WARNING)
                .find("The stream's configuration has changed.\nMaking "
                      "sure the view shows the stream's new "
                      "configuration...\n"),
            std::string::npos);
  EXPECT_EQ(in_sync(v), 1);
}

TEST_P(ViewCspecTest, ASnapshotViewRefusesCheckoutsUntilUpdated) {
  SUM_View v = make_view("snap", integ, VIEW_SNAPSHOT);
  ASSERT_EQ(v.update_config_spec(), 0);
  add_custom(v, kLoadMarker, "load /src\n");
  int changed = 0;
  ASSERT_EQ(view_update(handle_of(v), &changed), 0);
  ASSERT_EQ(integ.regen_cspec(0), 0);
  tbs_dbid_t version = 0;
  EXPECT_TRUE(test_support::fails_mentioning(
      1001, "Checkouts are currently disallowed in this\nsnapshot view",
      [&] { return view_checkout(handle_of(v), "/src", "work", &version); }));
  EXPECT_EQ(in_sync(v), 0) << "a refused checkout leaves the view as it was";

  int zem = -1, allowed = -1;
  ImsgCapture capture;
  ASSERT_EQ(sum_view_snapshot_update_allowed(handle_of(v), 1, 0, &zem, &allowed), 0);
  EXPECT_EQ(zem, 1);
  EXPECT_EQ(allowed, 1);
  EXPECT_NE(capture.joined(IMSG_INFO).find("Update the entire view now?"), std::string::npos);
  EXPECT_EQ(in_sync(v), 1);
  EXPECT_NE(cspec_of(v).find("load /src\n"), std::string::npos);
  ASSERT_EQ(view_checkout(handle_of(v), "/src", "work", &version), 0);
}

// Answers the update question with `answer`, keeping the question asked.
class Answering : public SUM_ImsgPresenter {
 public:
  explicit Answering(long answer) : answer_(answer) {}
  int prompt_yes_no(int, const char* question, long, long, long& answer) const override {
    asked += question;
    answer = answer_;
    return 0;
  }
  mutable std::string asked;

 private:
  long answer_;
};

TEST_P(ViewCspecTest, ASnapshotUpdateAsksFirstAndUpdatesOnlyOnConsent) {
  SUM_View v = make_view("snap", integ, VIEW_SNAPSHOT);
  ASSERT_EQ(v.update_config_spec(), 0);
  add_custom(v, kLoadMarker, "load /src\n");
  int changed = 0;
  ASSERT_EQ(view_update(handle_of(v), &changed), 0);
  tbs_dbid_t version = 0;
  ASSERT_EQ(view_checkout(handle_of(v), "/src", "work", &version), 0);
  ASSERT_EQ(integ.regen_cspec(0), 0);

  Answering no(0);
  int allowed = -1;
  ASSERT_EQ(integ.snapshot_update_allowed(v, 0, 1, no, allowed), 0);
  EXPECT_EQ(allowed, 0);
  EXPECT_EQ(no.asked,
            "The stream's configuration has changed.  Only an update of the entire view\nmakes "
            "the view show the stream's new configuration.  Update the entire view\ninstead of "
            "the selected part?\n\nThe view has checkouts.  After the update, use \"vantool "
            "findmerge -flatest\"\nto merge the stream's new configuration into the checked-out "
            "versions.\n");
  EXPECT_EQ(in_sync(v), 0) << "refused: the view keeps its text";

  Answering yes(1);
  ASSERT_EQ(integ.snapshot_update_allowed(v, 1, 1, yes, allowed), 0);
  EXPECT_EQ(allowed, 1);
  EXPECT_EQ(yes.asked.substr(0, 40), "The stream's configuration has changed. ");
  EXPECT_EQ(in_sync(v), 1);
  Answering unused(0);
  ASSERT_EQ(integ.snapshot_update_allowed(v, 1, 1, unused, allowed), 0);
  EXPECT_EQ(allowed, 1);
  EXPECT_EQ(unused.asked, "") << "nothing is asked of a view in sync";
}

TEST_P(ViewCspecTest, AViewWithoutStreamIsOutsideTheZemLayer) {
  SUM_View v = make_view("plain", SUM_Stream());
  int zem = -1, sync = -1, allowed = -1;
  EXPECT_EQ(sum_view_config_spec_in_sync(handle_of(v), &zem, &sync), 0);
  EXPECT_EQ(zem, 0);
  EXPECT_EQ(sum_view_snapshot_update_allowed(handle_of(v), 1, 1, &zem, &allowed), 0);
  EXPECT_EQ(zem, 0);
  EXPECT_EQ(allowed, 1);
  EXPECT_EQ(v.update_config_spec(), 1002);
  EXPECT_EQ(v.set_null_config_spec(), 1002);
  EXPECT_TRUE(out(v, &SUM_View::config_spec_id).is_null());
}

TEST_P(ViewCspecTest, TheNullConfigSpecKeepsCustomAreasAndHasNoIdentity) {
  SUM_View v = make_view("work", integ);
  ASSERT_EQ(v.update_config_spec(), 0);
  add_custom(v, kElemMarker, "element /src/tools/... /main/LATEST\n");
  ASSERT_EQ(v.set_null_config_spec(), 0);
  std::string cs = cspec_of(v);
  EXPECT_EQ(cs.substr(0, 60), std::string("zem\n\n# ONLY EDIT THIS CONFIG SPEC IN THE INDICATED "
                                          "\"CUSTOM\" AREAS\n#\n")
                                  .substr(0, 60));
  EXPECT_NE(cs.find("# This config spec was automatically generated to be independent of ZEM "
                    "streams\n# at "),
            std::string::npos);
  EXPECT_NE(cs.find("\n\n\nend zem\n"), std::string::npos) << "no component rules";
  EXPECT_NE(cs.find(std::string(kElemMarker) + "element /src/tools/... /main/LATEST\n"),
            std::string::npos);
  EXPECT_NE(cs.find("element * /main/0 -zem -nocheckout\n"), std::string::npos);
  EXPECT_TRUE(out(v, &SUM_View::config_spec_id).is_null());
  EXPECT_EQ(in_sync(v), 0);
}

INSTANTIATE_TEST_SUITE_P(BothForms, ViewCspecTest, ::testing::Values(8, 6), level_name);

// A labeled baseline of "src" on "integ" holding a.txt, and a development
// stream "dev" on it: a view of "dev" shows the baseline's versions.
class LabeledFoundationViewTest : public act_test::ActivityTest {};

TEST_P(LabeledFoundationViewTest, AViewOfTheStreamShowsItsFoundationBaselinesVersions) {
  SUM_Activity act = make("one");
  tbs_dbid_t a1 = add_file("a.txt", "a1");
  tbs_dbid_t branch = 0, root_version = 0;
  ASSERT_EQ(vob_elem_get_main_branch(src.handle(), root_dir, &branch), 0);
  ASSERT_EQ(vob_branch_get_ver(src.handle(), branch, -1, &root_version), 0);
  enter(act, a1, 0);
  enter(act, root_version, 0);
  SUM_ComponentList comps;
  SUM_ModCntList counts;
  ASSERT_EQ(act.components_modcnts(comps, counts), 0);
  SUM_Activity counted(act);
  counted.set_mod_count(counts[0].count);
  SUM_ActivityList acts;
  acts.append(counted);
  SUM_Timeline timeline;
  ASSERT_EQ(integ.component_timeline(comp, timeline), 0);
  SUM_BaselineList foundation(1);
  ASSERT_EQ(SUM_Baseline::create_and_reorder(timeline, "bl1", acts, SUM_BaselineList(), "", 0, -1,
                                             SUM_TimelineEntryList(), foundation[0]),
            0);
  ASSERT_EQ(foundation[0].upgrade_to_incremental(nullptr, "", 0), 0);
  tbs_dbid_t later = add_file("later.txt", "after the baseline");
  ASSERT_NE(later, 0u);
  SUM_Stream dev;
  ASSERT_EQ(SUM_Stream::create("dev", "", project, integ, "", 0, 0, foundation, dev), 0);

  view_create_args_t args;
  args.tag = "devview";
  args.root = home.path() + "/roots/devview";
  view_server_h devh = nullptr;
  ASSERT_EQ(view_create(args, &devh), 0);
  SUM_View devview;
  ASSERT_EQ(SUM_View::construct_from_tag("devview", devview), 0);
  ASSERT_EQ(devview.set_stream(dev, "attach"), 0);
  ASSERT_EQ(devview.update_config_spec(), 0);

  view_path_info_t info;
  ASSERT_EQ(view_lookup(devh, "/src/a.txt", &info), 0);
  EXPECT_EQ(info.version, a1);
  EXPECT_EQ(info.rule_text, "element \"/src/...\" bl1 -nocheckout");
  EXPECT_NE(view_lookup(devh, "/src/later.txt", &info), 0)
      << "a file made after the baseline is not in the stream's configuration";
  view_free_handle(devh);
}

INSTANTIATE_TEST_SUITE_P(BothForms, LabeledFoundationViewTest, ::testing::Values(8, 6), level_name);

}  // namespace
