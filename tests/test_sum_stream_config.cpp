// SUM_Stream's configuration in both storage forms (feature levels 8 and 6):
// streams created with a foundation and the rules that refuse one, the
// foundation read back (unreachable baselines, timelines overriding the
// hyperlinks), recommended baselines and stream-modifiable components.
#include <gtest/gtest.h>

#include <string>

#include "services/vob_zem_baseline.h"
#include "sum/sum_baseline.h"
#include "sum/sum_component.h"
#include "sum/sum_folder.h"
#include "sum/sum_new_config.h"
#include "sum/sum_project.h"
#include "sum/sum_pvar.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"
#include "sum_pvob_fixture.h"
#include "support/checks.h"

namespace {

using test_support::fails_mentioning;
using test_support::fails_with;
using test_support::ImsgCapture;
using test_support::out;
using test_support::text;

class StreamConfigTest : public zem_test::ProjectLevelTest {
 protected:
  // A component whose root is the root directory of a new ordinary VOB.
  SUM_Component rooted(const char* name) {
    std::string tag = std::string("/") + name;
    vob_vob_h vob = test_support::make_test_vob(tag);
    tbs_dbid_t root_dir = 0;
    EXPECT_EQ(vob_ob_get_wk_obj(vob, VOB_WK_ROOT_DIRECTORY, &root_dir), 0);
    SUM_Component c;
    EXPECT_EQ(SUM_Component::create(pvob, name, SUM_VobObject(SUM_Vob(vob), root_dir), nullptr,
                                    nullptr, "", c),
              0);
    return c;
  }
  SUM_Baseline initial(const std::string& component) {
    SUM_Baseline b;
    EXPECT_EQ(SUM_Baseline::construct_from_selector(
                  ("baseline:" + component + "_INITIAL@/pvob").c_str(), SUM_Vob(), b),
              0);
    return b;
  }
  // A further baseline on the component's main timeline.
  SUM_Baseline on_main(const SUM_Component& c, const char* name) {
    SUM_Baseline b;
    EXPECT_EQ(SUM_Baseline::create(SUM_Timeline(c.vob(), c.dbid()), name, "", 0, -1, b), 0);
    return b;
  }
  int create(const char* name, const SUM_Stream& parent, int integration,
             const SUM_BaselineList& foundation, SUM_Stream& made, int read_only = 0,
             const SUM_Project* in = nullptr) {
    return SUM_Stream::create(name, "made", in ? *in : project, parent, "", integration, read_only,
                              foundation, made);
  }
  // A refused creation of `name` under `parent` with `foundation`: its status and errors.
  ::testing::AssertionResult refused(int status, const std::string& errors, const char* name,
                                     const SUM_Stream& parent, int integration,
                                     const SUM_BaselineList& foundation,
                                     const SUM_Project* in = nullptr, bool whole = true) {
    SUM_Stream made;
    return fails_with(
        status, errors, [&] { return create(name, parent, integration, foundation, made, 0, in); },
        whole);
  }
  SUM_BaselineList foundation_of(const SUM_Stream& s, int expected_unavailable = 0) {
    SUM_BaselineList found;
    int unavailable = -1;
    EXPECT_EQ(s.explicit_baselines(found, unavailable), 0);
    EXPECT_EQ(unavailable, expected_unavailable);
    return found;
  }
  int exists(const char* selector) {
    SUM_Stream s;
    return SUM_Stream::construct_from_selector(selector, SUM_Vob(), s) == 0 ? 1 : 0;
  }
};

TEST_P(StreamConfigTest, IntegrationStreamTakesAndRecommendsItsFoundation) {
  SUM_Stream integ;
  ASSERT_EQ(create("integ", SUM_Stream(), 1, zem_test::bl_list({c1_init, c2_init}), integ), 0);
  EXPECT_EQ(foundation_of(integ), zem_test::bl_list({c1_init, c2_init}));
  EXPECT_EQ(out(integ, &SUM_Stream::components), zem_test::comp_list({c1, c2}));
  int flag = -1;
  ASSERT_EQ(integ.component_visible(rootless("c3"), flag), 0);
  EXPECT_EQ(flag, 0);

  EXPECT_EQ(out(integ, &SUM_Stream::recbls), zem_test::bl_list({c1_init, c2_init}));
  EXPECT_EQ(out(project, &SUM_Project::rec_baselines), zem_test::bl_list({c1_init, c2_init}));

  SUM_Baseline found;
  ASSERT_EQ(integ.baseline_util(c2, 0, found), 0);
  EXPECT_EQ(found, c2_init);
  EXPECT_EQ(integ.baseline_util(c2, 1, found), 1002) << "nothing made in the stream yet";
  EXPECT_EQ(out(integ, &SUM_Stream::timelines).count(), 0u)
      << "rootless components get no timeline at creation";

  // A development stream without baselines starts empty.
  SUM_Stream dev;
  ASSERT_EQ(create("dev", integ, 0, SUM_BaselineList(), dev), 0);
  EXPECT_EQ(foundation_of(dev).count(), 0u);
}

TEST_P(StreamConfigTest, RootedComponentsGetATimelineWithTheirFoundationArc) {
  SUM_Component src = rooted("src");
  SUM_Baseline src_init = initial("src");
  SUM_Stream integ;
  ASSERT_EQ(create("integ", SUM_Stream(), 1, zem_test::bl_list({src_init, c1_init}), integ), 0);
  SUM_TimelineList timelines = out(integ, &SUM_Stream::timelines);
  ASSERT_EQ(timelines.count(), 1u);
  SUM_Timeline timeline;
  ASSERT_EQ(integ.component_timeline(src, timeline), 0);
  EXPECT_EQ(timeline, timelines[0]);
  EXPECT_EQ(out(timeline, &SUM_Timeline::foundation_baseline), src_init);
  EXPECT_EQ(integ.component_timeline(c1, timeline), 1002);
}

TEST_P(StreamConfigTest, FoundationRefusals) {
  SUM_Stream integ, dev, made;
  ASSERT_EQ(create("integ", SUM_Stream(), 1, zem_test::bl_list({c1_init}), integ), 0);
  EXPECT_TRUE(refused(1001,
                      "Can't use baseline \"c2_INITIAL@/pvob\"\nof component \"c2@/pvob\" because "
                      "it is not from the parent stream,\nin the parent's stream foundation, from "
                      "the same project or delivered to the\nparent stream.\n",
                      "dev", integ, 0, zem_test::bl_list({c2_init})));
  EXPECT_FALSE(exists("stream:dev@/pvob")) << "nothing is made for a refused foundation";
  SUM_Baseline c1_next = on_main(c1, "c1_next");
  EXPECT_TRUE(refused(1001, "Baseline \"c1_next@/pvob\" is in conflict with \"c1_INITIAL@/pvob\"\n",
                      "dev", integ, 0, zem_test::bl_list({c1_init, c1_next})));
  // The parent's foundation baseline, and a baseline made in the parent.
  ASSERT_EQ(create("dev", integ, 0, zem_test::bl_list({c1_init}), dev), 0);
  SUM_Baseline integ_made = made_in(integ, c1, "integ_bl");
  SUM_Stream child;
  ASSERT_EQ(create("child", integ, 0, zem_test::bl_list({integ_made}), child), 0);
  EXPECT_EQ(foundation_of(child), zem_test::bl_list({integ_made}));

  // A baseline of a sibling stream has not been delivered to the parent.
  SUM_Baseline dev_made = made_in(dev, c1, "dev_bl");
  EXPECT_TRUE(refused(1001, "because it is not from the parent stream", "other", integ, 0,
                      zem_test::bl_list({dev_made}), nullptr, false));
  // An integration stream takes no baseline of a development stream.
  SUM_Project second;
  ASSERT_EQ(SUM_Project::create("second", "", root, "", 0, second), 0);
  EXPECT_TRUE(refused(1001,
                      "Can't rebase to baseline \"dev_bl@/pvob\"\nof component \"c1@/pvob\".  You "
                      "can only rebase an integration stream to\nbaselines from other integration "
                      "streams, or to import or initial baselines.\n",
                      "integ2", SUM_Stream(), 1, zem_test::bl_list({dev_made}), &second));
  ASSERT_EQ(create("integ2", SUM_Stream(), 1, zem_test::bl_list({integ_made}), made, 0, &second), 0)
      << "another project's integration baselines are welcome";
}

TEST_P(StreamConfigTest, ValidationReportsEachChange) {
  SUM_Stream integ;
  ASSERT_EQ(create("integ", SUM_Stream(), 1, zem_test::bl_list({c1_init}), integ), 0);
  std::vector<std::string> texts;
  SUM_NewConfigCBs callbacks;
  callbacks.validated = ConfigChangeCB(
      [](const ConfigChangeCB& cb) {
        SUM_String text;
        EXPECT_EQ(cb.change->status_msg(text), 0);
        static_cast<std::vector<std::string>*>(cb.cd)->push_back(static_cast<const char*>(text));
        return 0;
      },
      &texts);
  SUM_NewConfig config(project, integ, 0, callbacks);
  ASSERT_EQ(config.init(zem_test::bl_list({c1_init, c2_init})), 0);
  ASSERT_EQ(config.validate(), 0);
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "Adding baseline \"c1_INITIAL@/pvob\" of new component \"c1@/pvob\"\n",
                       "Can't use baseline \"c2_INITIAL@/pvob\"\nof component \"c2@/pvob\" because "
                       "it is not from the parent stream,\nin the parent's stream foundation, from "
                       "the same project or delivered to the\nparent stream.\n"}));
  EXPECT_EQ(out(config, &SUM_NewConfig::is_valid), 0);
}

TEST_P(StreamConfigTest, FoundationReadBack) {
  SUM_Baseline c2_extra = on_main(c2, "c2_extra");
  SUM_Stream integ;
  ASSERT_EQ(create("integ", SUM_Stream(), 1, zem_test::bl_list({c1_init, c2_extra}), integ), 0);
  // The timeline's later foundation arc wins over the hyperlink's target.
  SUM_Baseline c1_next = on_main(c1, "c1_next");
  SUM_Timeline timeline;
  ASSERT_EQ(SUM_Timeline::create(c1, integ, c1_init, "", timeline), 0);
  ASSERT_EQ(timeline.add_foundation_arc(c1_next, ""), 0);
  EXPECT_EQ(foundation_of(integ), zem_test::bl_list({c1_next, c2_extra}));
  SUM_BaselineList targets;
  int unavailable = -1;
  ASSERT_EQ(integ.uses_baselines_util(targets, unavailable), 0);
  EXPECT_EQ(targets, zem_test::bl_list({c1_init, c2_extra}));

  // A foundation baseline that is gone is counted and skipped.
  ASSERT_EQ(vob_zem_baseline_delete(pvob.handle(), c2_extra.dbid(), nullptr), 0);
  EXPECT_EQ(foundation_of(integ, 1), zem_test::bl_list({c1_next}));
  EXPECT_EQ(out(integ, &SUM_Stream::components), zem_test::comp_list({c1}));
}

TEST_P(StreamConfigTest, RecommendedBaselines) {
  SUM_Stream integ, dev;
  ASSERT_EQ(create("integ", SUM_Stream(), 1, zem_test::bl_list({c1_init, c2_init}), integ), 0);
  ASSERT_EQ(create("dev", integ, 0, zem_test::bl_list({c1_init}), dev), 0);
  SUM_Baseline integ_made = made_in(integ, c1, "integ_bl");
  ASSERT_EQ(integ.set_recbls(zem_test::bl_list({integ_made, c2_init}), "recommend", 1), 0);
  EXPECT_EQ(out(project, &SUM_Project::rec_baselines), zem_test::bl_list({integ_made, c2_init}));

  EXPECT_TRUE(fails_with(1001,
                         "Cannot recommend baseline \"c2_INITIAL@/pvob\" because its component is "
                         "not visible in the stream \"dev@/pvob\", or it is not valid for this "
                         "stream.\n",
                         [&] { return dev.set_recbls(zem_test::bl_list({c2_init}), "", 1); }));
  EXPECT_TRUE(fails_with(1001,
                         "Can't recommend baseline \"integ_bl@/pvob\"\nof component \"c1@/pvob\" "
                         "because it is not on or delivered to the stream.\n",
                         [&] { return dev.set_recbls(zem_test::bl_list({integ_made}), "", 1); }));

  // An empty recommendation is stored as an empty value.
  ASSERT_EQ(integ.set_recbls(SUM_BaselineList(), "none", 1), 0);
  int set = 0;
  SUM_String stored("x");
  ASSERT_EQ(integ.pvar_exists(PVAR_ZEM_STRM_RECBLS, set), 0);
  EXPECT_EQ(set, 1);
  ASSERT_EQ(integ.pvar(PVAR_ZEM_STRM_RECBLS, stored), 0);
  EXPECT_STREQ(stored, "");
  EXPECT_EQ(out(integ, &SUM_Stream::recbls).count(), 0u);
  // What the stream would recommend by default: its newest baseline, else
  // its foundation.
  EXPECT_EQ(out(integ, &SUM_Stream::default_recbls), zem_test::bl_list({integ_made, c2_init}));
}

TEST_P(StreamConfigTest, StreamModifiableComponents) {
  SUM_Component src = rooted("src");
  SUM_Stream integ, dev, ro, busy, made;
  ASSERT_EQ(create("integ", SUM_Stream(), 1, zem_test::bl_list({initial("src"), c1_init}), integ),
            0);
  ASSERT_EQ(create("dev", integ, 0, zem_test::bl_list({initial("src"), c1_init}), dev), 0);
  ASSERT_EQ(create("ro", integ, 0, zem_test::bl_list({c1_init}), ro, 1), 0);
  ASSERT_EQ(create("busy", integ, 0, zem_test::bl_list({c1_init}), busy), 0);
  ASSERT_EQ(create("busy_child", busy, 0, zem_test::bl_list({c1_init}), made), 0);
  struct Refusal {
    SUM_Stream stream;
    std::string message;
  } refusals[] = {
      {integ, "Changing modifiable component list for integration stream is not allowed.\n"},
      {ro, "Cannot modify component for read only stream \"ro@/pvob\".\n"},
      {busy,
       "Changing modifiable component list of stream having child stream(s) is not "
       "allowed.\n"}};
  for (const Refusal& r : refusals)
    EXPECT_TRUE(fails_with(1001, r.message,
                           [&] { return r.stream.add_mod_comps(zem_test::comp_list({src}), ""); }));

  ImsgCapture capture;
  ASSERT_EQ(dev.add_mod_comps(zem_test::comp_list({src, c1, c2}), "mine"), 0);
  EXPECT_EQ(capture.texts(IMSG_WARNING),
            (std::vector<std::string>{
                "Skipping component \"c1@/pvob\".  This component stores only baselines, not file "
                "elements, and cannot be modified directly by users.\n",
                "Component \"c2@/pvob\" is not in the foundation of stream \"dev@/pvob\".\n"}));
  EXPECT_NE(capture.joined(IMSG_INFO).find("non-zem branch \"dev_nonmod\""), std::string::npos);
  SUM_String stored;
  ASSERT_EQ(dev.pvar(PVAR_ZEM_STRM_MOD_COMPS, stored), 0);
  EXPECT_EQ(std::string(stored), "," + text(src, &SUM_Component::univ_selector));
  SUM_NamedObject nonmod;
  EXPECT_EQ(dev.nonmod_branch_type(nonmod), 0);
  SUM_ComponentList modifiable, rest;
  ASSERT_EQ(dev.mod_comps(modifiable, rest), 0);
  EXPECT_EQ(modifiable, zem_test::comp_list({src}));
  EXPECT_EQ(rest, zem_test::comp_list({c1}));
  EXPECT_EQ(out(dev, &SUM_Stream::non_mod_comps), zem_test::comp_list({src, c1}))
      << "the project modifies nothing";

  EXPECT_TRUE(refused(1001, "Parent stream \"dev@/pvob\" has stream-modifiable", "dev_child", dev,
                      0, zem_test::bl_list({c1_init}), nullptr, false));
  capture.clear();
  ASSERT_EQ(dev.delete_mod_comps(zem_test::comp_list({src, c1}), ""), 0);
  EXPECT_EQ(capture.joined(IMSG_WARNING),
            "Component \"c1@/pvob\" is not stream-modifiable component of stream \"dev@/pvob\".\n");
  int set = 1;
  ASSERT_EQ(dev.pvar_exists(PVAR_ZEM_STRM_MOD_COMPS, set), 0);
  EXPECT_EQ(set, 0) << "an emptied list is deleted";
  EXPECT_EQ(create("dev_child", dev, 0, zem_test::bl_list({c1_init}), made), 0);
}

INSTANTIATE_TEST_SUITE_P(BothForms, StreamConfigTest, ::testing::Values(8, 6),
                         zem_test::level_name);

}  // namespace
