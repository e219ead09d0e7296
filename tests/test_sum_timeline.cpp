// SUM_Baseline (creation, naming, promotion level, labeling status, the
// streams and timelines using it) and SUM_Timeline / SUM_TimelineEntry
// (making, entries, foundation searches, latest baselines, removal) in both
// storage forms: feature level 8, and 3, where events carry no operation
// codes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "services/vob_attr.h"
#include "services/vob_zem.h"
#include "services/vob_zem_component.h"
#include "services/vob_zem_stream.h"
#include "sum/sum_baseline.h"
#include "sum/sum_component.h"
#include "sum/sum_folder.h"
#include "sum/sum_project.h"
#include "sum/sum_pvar.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"
#include "support/checks.h"
#include "vob_zem_fixture.h"

namespace {

using test_support::fails_with;
using test_support::ImsgCapture;
using test_support::out;
using test_support::TempHome;
using test_support::text;
using zem_test::ScopedEnv;

class TimelineTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    pvob = make_pvob("/pvob", GetParam());
    SUM_Folder root;
    ASSERT_EQ(SUM_Folder::root_folder(pvob, root), 0);
    ASSERT_EQ(SUM_Project::create("proj", "", root, "", 0, project), 0);
    ASSERT_EQ(SUM_Stream::create("integ", "", project, SUM_Stream(), "", 1, 0, integ), 0);
    ASSERT_EQ(SUM_Stream::create("dev", "", project, integ, "", 0, 0, dev), 0);
    ASSERT_EQ(SUM_Stream::create("ro", "", project, integ, "", 0, 1, ro), 0);
    lib = component(pvob, "lib", false);
    app = component(pvob, "app", true);
    lib_initial = make(SUM_Timeline::convert(lib), "lib_INITIAL");
    app_initial = make(SUM_Timeline::convert(app), "app_INITIAL");
  }

  static SUM_Vob make_pvob(const char* tag, int level) {
    return SUM_Vob(test_support::make_test_vob(tag, true, level));
  }
  // A component made directly in the repository; a rooted one is linked to
  // the root directory of an ordinary VOB.
  SUM_Component component(const SUM_Vob& vob, const char* name, bool rooted) {
    tbs_dbid_t dbid = 0;
    if (vob.supports_fc_objs()) {
      EXPECT_EQ(vob_zem_component_create(vob.handle(), name, nullptr, &dbid), 0);
    } else {
      tbs_dbid_t type = 0;
      EXPECT_EQ(vob.wk_obj(VOB_WK_COMPONENT_TYPE, type), 0);
      EXPECT_EQ(vob_act_create(vob.handle(), name, type, 0, name, nullptr, &dbid), 0);
    }
    SUM_Component made(vob, dbid);
    if (!rooted) {
      EXPECT_EQ(sum_pvar_set(made, "COMP_ROOT_DIR", SUM_Component::kNoRootDir, 0, ""), 0);
      return made;
    }
    vob_vob_h src = test_support::make_test_vob(std::string("/src_") + name);
    tbs_dbid_t root = 0;
    tbs_dbid_t hlink = 0;
    EXPECT_EQ(vob_ob_get_wk_obj(src, VOB_WK_ROOT_DIRECTORY, &root), 0);
    EXPECT_EQ(vob_hlink_create_wk(vob.handle(), dbid, VOB_WK_HLTYPE_COMPONENT_ROOT_DIR, src, root,
                                  "", "", nullptr, &hlink),
              0);
    return made;
  }
  SUM_Baseline make(const SUM_Timeline& on, const char* name, int unique_start = 0,
                    long position = -1) {
    SUM_Baseline made;
    EXPECT_EQ(SUM_Baseline::create(on, name, "made", unique_start, position, made), 0) << name;
    return made;
  }
  SUM_Timeline timeline(const SUM_Component& of, const SUM_Stream& in,
                        const SUM_Baseline& foundation) {
    SUM_Timeline made;
    EXPECT_EQ(SUM_Timeline::create(of, in, foundation, "tl", made), 0);
    return made;
  }
  static std::string name(const SUM_NamedObject& obj) { return text(obj, &SUM_NamedObject::name); }
  // The entries as kinds, and the baselines of a timeline as names.
  static std::vector<int> kinds(const SUM_Timeline& tl) {
    SUM_TimelineEntryList list = out(tl, &SUM_Timeline::entries);
    std::vector<int> found;
    for (unsigned i = 0; i < list.count(); ++i)
      found.push_back(list[i].kind());
    return found;
  }
  static std::vector<std::string> names(const SUM_BaselineList& list) {
    std::vector<std::string> found;
    for (unsigned i = 0; i < list.count(); ++i)
      found.push_back(name(list[i]));
    return found;
  }
  static std::string plevel_of(const SUM_Baseline& b) {
    return static_cast<const char*>(out(b, &SUM_Baseline::plevel).name());
  }
  // A baseline `tl` answers for `pos` with `search`, which must succeed.
  template <typename Pos, typename Arg>
  static SUM_Baseline fdn(const SUM_Timeline& tl,
                          int (SUM_Timeline::*search)(Pos, SUM_Baseline&) const, const Arg& pos) {
    SUM_Baseline found;
    EXPECT_EQ((tl.*search)(pos, found), 0);
    return found;
  }
  static vob_event_t event_of(const SUM_VobObject& obj, bool first) {
    std::vector<vob_event_t> events;
    EXPECT_EQ(vob_obj_get_events(obj.vob().handle(), obj.dbid(), events), 0);
    if (events.empty())
      return vob_event_t();
    return first ? events.front() : events.back();
  }
  static vob_event_t latest_event(const SUM_VobObject& obj) { return event_of(obj, false); }

  TempHome home;
  ScopedEnv user{"KORVANE_USER", "vobadmin"};
  SUM_Vob pvob;
  SUM_Project project;
  SUM_Stream integ, dev, ro;
  SUM_Component lib, app;
  SUM_Baseline lib_initial, app_initial;
};

TEST_P(TimelineTest, MakesBaselinesOnMainAndStreamTimelines) {
  SUM_Timeline main = SUM_Timeline::convert(lib);
  EXPECT_EQ(out(main, &SUM_Timeline::is_main), 1);
  SUM_Stream where;
  EXPECT_EQ(main.stream(where), 1002);
  EXPECT_EQ(lib_initial.stream(where), 1002);
  EXPECT_EQ(out(lib_initial, &SUM_Baseline::timeline), main);
  EXPECT_EQ(out(lib_initial, &SUM_Baseline::is_initial), 1);
  EXPECT_EQ(event_of(lib_initial, true).opcode, GetParam() >= 4 ? 99 : 0);

  SUM_Timeline tl = timeline(lib, dev, lib_initial);
  EXPECT_EQ(out(tl, &SUM_Timeline::is_main), 0);
  EXPECT_EQ(out(tl, &SUM_Timeline::stream), dev);
  EXPECT_EQ(out(tl, &SUM_Timeline::component), lib);

  // Taken names get the next free suffix, from the uniqueness start on.
  SUM_Baseline rel = make(tl, "rel");
  SUM_Baseline rel1 = make(tl, "rel");
  SUM_Baseline rel5 = make(tl, "rel", 5);
  SUM_Baseline early = make(tl, "early", 0, 1);
  EXPECT_EQ(name(rel), "rel");
  EXPECT_EQ(name(rel1), "rel.1");
  EXPECT_EQ(name(rel5), "rel.5");
  EXPECT_EQ(out(rel5, &SUM_Baseline::stream), dev);
  EXPECT_EQ(out(rel5, &SUM_Baseline::is_initial), 0);
  EXPECT_EQ(kinds(tl), (std::vector<int>{1, 3, 3, 3, 3}));
  EXPECT_EQ(names(out(tl, &SUM_Timeline::baselines)),
            (std::vector<std::string>{"early", "rel", "rel.1", "rel.5"}));
  EXPECT_EQ(names(out(main, &SUM_Timeline::baselines)),
            (std::vector<std::string>{"lib_INITIAL", "rel", "rel.1", "rel.5", "early"}));

  // A read-only stream takes no baselines.
  SUM_Timeline frozen = timeline(lib, ro, lib_initial);
  SUM_Baseline none;
  EXPECT_TRUE(fails_with(1001, "Cannot create baselines in read only stream \"ro@/pvob\".\n",
                         [&] { return SUM_Baseline::create(frozen, "nope", "", 0, -1, none); }));
  EXPECT_TRUE(none.is_null());
  EXPECT_EQ(kinds(frozen), std::vector<int>{1});
}

TEST_P(TimelineTest, PromotionLevelsOfBaselines) {
  EXPECT_EQ(plevel_of(lib_initial), "INITIAL");
  tbs_dbid_t attype = 0;
  std::string stored;
  ASSERT_EQ(pvob.wk_obj(VOB_WK_ATTYPE_PROMOTION_LEVEL, attype), 0);
  ASSERT_EQ(vob_attr_get(pvob.handle(), lib_initial.dbid(), attype, stored), 0);
  EXPECT_EQ(stored, "\"INITIAL\"");

  ASSERT_EQ(lib_initial.set_plevel(SUM_PLevel("TESTED", pvob), "promoted"), 0);
  EXPECT_EQ(plevel_of(lib_initial), "TESTED");
  EXPECT_EQ(latest_event(lib_initial).comment, "promoted");
  EXPECT_TRUE(fails_with(1001, "Cannot set baselines to invalid promotion levels.\n",
                         [&] { return lib_initial.set_plevel(SUM_PLevel("SHIPPED", pvob), ""); }));
  EXPECT_EQ(plevel_of(lib_initial), "TESTED");
}

TEST_P(TimelineTest, LabelingStatusFollowsWhatTheBaselineIs) {
  SUM_Baseline lib_later = make(timeline(lib, dev, lib_initial), "lib_later");
  SUM_Baseline app_later = make(timeline(app, dev, app_initial), "app_later");
  struct Case {
    SUM_Baseline baseline;
    int status;
    int labeled;
  };
  for (const Case& c :
       {Case{lib_initial, SUM_Baseline::INITIAL, 1}, Case{app_initial, SUM_Baseline::INITIAL, 1},
        Case{lib_later, SUM_Baseline::NOT_LABELABLE, 1},
        Case{app_later, SUM_Baseline::UNLABELED, 0}}) {
    SCOPED_TRACE(name(c.baseline));
    EXPECT_EQ(out(c.baseline, &SUM_Baseline::labeling_status), c.status);
    EXPECT_EQ(out(c.baseline, &SUM_Baseline::is_labeled), c.labeled);
  }
}

TEST_P(TimelineTest, StreamsAndTimelinesUsingABaseline) {
  EXPECT_EQ(out(lib_initial, &SUM_Baseline::is_used_by_stream), 0);
  EXPECT_EQ(out(lib_initial, &SUM_Baseline::is_foundation_of_timeline), 0);
  ASSERT_EQ(dev.create_hyperlink_to(lib_initial, VOB_WK_HLTYPE_USE_BASELINE, "", "", ""), 0);
  ASSERT_EQ(integ.create_hyperlink_to(lib_initial, VOB_WK_HLTYPE_USE_BASELINE, "", "", ""), 0);
  SUM_StreamList users = out(lib_initial, &SUM_Baseline::used_by_streams);
  ASSERT_EQ(users.count(), 2U);
  EXPECT_EQ(users[0], dev);
  EXPECT_EQ(users[1], integ);
  timeline(lib, dev, lib_initial);
  EXPECT_EQ(out(lib_initial, &SUM_Baseline::is_foundation_of_timeline), 1);

  // A foundation baseline of another PVOB.
  SUM_Vob other = make_pvob("/other", 8);
  SUM_Component remote = component(other, "remote", false);
  SUM_Baseline remote_bl = make(SUM_Timeline::convert(remote), "remote_bl");
  SUM_Timeline tl = timeline(app, dev, app_initial);
  ASSERT_EQ(tl.add_foundation_arc(remote_bl, "rebased"), 0);
  SUM_Baseline found = out(tl, &SUM_Timeline::foundation_baseline);
  EXPECT_EQ(found, remote_bl);
  EXPECT_EQ(found.vob(), other);
  EXPECT_EQ(out(remote_bl, &SUM_Baseline::is_foundation_of_timeline), 1);
}

TEST_P(TimelineTest, FoundationSearchesOverEntries) {
  SUM_Baseline x = make(SUM_Timeline::convert(lib), "x");
  SUM_Timeline tl = timeline(lib, dev, lib_initial);
  SUM_Baseline b1 = make(tl, "b1");
  SUM_Baseline b2 = make(tl, "b2");
  ASSERT_EQ(tl.add_foundation_arc(x, "rebased"), 0);
  SUM_Baseline b3 = make(tl, "b3");
  EXPECT_EQ(kinds(tl), (std::vector<int>{1, 3, 3, 1, 3}));

  EXPECT_EQ(out(tl, &SUM_Timeline::foundation_baseline), x);
  EXPECT_EQ(fdn(tl, &SUM_Timeline::fdn_bl_at_bl, b2), lib_initial);
  EXPECT_EQ(fdn(tl, &SUM_Timeline::fdn_bl_at_bl, b3), x);
  EXPECT_EQ(fdn(tl, &SUM_Timeline::fdn_bl_at_offset, 2), lib_initial);
  SUM_Baseline found;
  int bl_at = -1;
  int arc_at = -1;
  ASSERT_EQ(tl.latest_interesting_ents(bl_at, arc_at), 0);
  EXPECT_EQ(bl_at, 4);
  EXPECT_EQ(arc_at, 3);
  SUM_BaselineList before;
  ASSERT_EQ(tl.baseline_predecessors(3, before), 0);
  EXPECT_EQ(names(before), (std::vector<std::string>{"b1", "b2"}));
  int flag = -1;
  for (auto [bl, want] : {std::pair{b1, 1}, std::pair{b2, 0}, std::pair{b3, 1}}) {
    ASSERT_EQ(tl.arc_after_pred_bl(bl, flag), 0);
    EXPECT_EQ(flag, want) << name(bl);
  }

  // Arcs after the newest baseline: a foundation arc counts for both
  // questions, an entry of the other kind only as an arc.
  EXPECT_EQ(out(tl, &SUM_Timeline::arc_after_latest_bl), 0);
  ASSERT_EQ(vob_zem_timeline_add_entry(pvob.handle(), tl.dbid(), 2, x.dbid(), nullptr), 0);
  EXPECT_EQ(out(tl, &SUM_Timeline::arc_after_latest_bl), 1);
  EXPECT_EQ(out(tl, &SUM_Timeline::foundation_arc_after_latest_bl), 0);
  ASSERT_EQ(tl.add_foundation_arc(b1, ""), 0);
  EXPECT_EQ(out(tl, &SUM_Timeline::foundation_arc_after_latest_bl), 1);

  // The main timeline has no foundation arcs.
  SUM_Timeline main = SUM_Timeline::convert(lib);
  EXPECT_EQ(main.foundation_baseline(found), 1002);
  EXPECT_TRUE(fails_with(1002,
                         "No foundation arc entries in the main timeline - invalid call to "
                         "SUM_Timeline::fdn_bl_at_bl\n",
                         [&] { return main.fdn_bl_at_bl(x, found); }));
  // Nor has a stream timeline made without one.
  tbs_dbid_t bare = 0;
  ASSERT_EQ(vob_zem_timeline_create(pvob.handle(), integ.dbid(), nullptr, nullptr, &bare), 0);
  SUM_Timeline empty(pvob, bare);
  ImsgCapture capture;
  EXPECT_EQ(empty.foundation_baseline(found), 1001);
  EXPECT_EQ(empty.latest_interesting_ents(bl_at, arc_at), 1001);
  EXPECT_EQ(capture.texts(IMSG_ERROR).size(), 2U);
  EXPECT_EQ(
      capture.texts(IMSG_ERROR)[0].rfind("Unable to find a foundation arc entry in timeline", 0),
      0U);
}

TEST_P(TimelineTest, LatestBaselineByLevelAndLabel) {
  SUM_Timeline tl = timeline(app, dev, app_initial);
  SUM_Baseline tested = make(tl, "tested");
  SUM_Baseline fresh = make(tl, "fresh");
  ASSERT_EQ(tested.set_plevel(SUM_PLevel("TESTED", pvob), ""), 0);
  EXPECT_EQ(out(tl, &SUM_Timeline::latest_baseline), fresh);
  EXPECT_EQ(fdn(tl, &SUM_Timeline::latest_baseline, SUM_PLevel("BUILT", pvob)), tested);
  SUM_Baseline found;
  EXPECT_EQ(tl.latest_baseline(SUM_PLevel("RELEASED", pvob), found), 1002);
  // Baselines of a rooted component are unlabeled until labeled; only the
  // initial baseline of the main timeline counts.
  EXPECT_EQ(tl.latest_baseline(SUM_PLevel(), 1, found), 1002);
  ASSERT_EQ(SUM_Timeline::convert(app).latest_baseline(SUM_PLevel(), 1, found), 0);
  EXPECT_EQ(found, app_initial);
}

TEST_P(TimelineTest, RemovalAndDuplicateEntries) {
  SUM_Timeline single = timeline(lib, integ, lib_initial);
  SUM_Timeline busy = timeline(lib, dev, lib_initial);
  make(busy, "keeps_it");
  EXPECT_EQ(out(busy, &SUM_Timeline::ok_to_destroy), 0);
  ASSERT_EQ(busy.destroy(), 0);
  EXPECT_FALSE(busy.is_null());
  EXPECT_EQ(out(single, &SUM_Timeline::ok_to_destroy), 1);

  // A rootless component's timeline may repeat its arc; after that it holds
  // two entries and stays.
  SUM_TimelineEntryList list = out(single, &SUM_Timeline::entries);
  ASSERT_EQ(single.create_duplicate_entry(list[0].dbid()), 0);
  EXPECT_EQ(latest_event(single).opcode, GetParam() >= 4 ? 114 : 0);
  EXPECT_EQ(latest_event(single).comment, "Created duplicate timeline entry");
  SUM_TimelineEntryList twice = out(single, &SUM_Timeline::entries);
  ASSERT_EQ(twice.count(), 2U);
  EXPECT_TRUE(twice[0] == list[0]);
  EXPECT_EQ(twice[1].kind(), SUM_TimelineEntry::FOUNDATION_ARC);
  EXPECT_EQ(twice[1].dbid(), list[0].dbid());
  EXPECT_EQ(out(single, &SUM_Timeline::ok_to_destroy), 0);
  SUM_Timeline app_tl = timeline(app, dev, app_initial);
  list = out(app_tl, &SUM_Timeline::entries);
  {
    ImsgCapture internal_error;
    EXPECT_EQ(app_tl.create_duplicate_entry(list[0].dbid()), 1072);
  }
  EXPECT_EQ(kinds(app_tl), std::vector<int>{1});

  // Removing a single-arc timeline takes its arc along.
  SUM_Baseline x = make(SUM_Timeline::convert(app), "x");
  SUM_Timeline gone = timeline(app, integ, x);
  ASSERT_EQ(gone.destroy(), 0);
  EXPECT_TRUE(gone.is_null());
  EXPECT_EQ(out(x, &SUM_Baseline::is_foundation_of_timeline), 0);
  EXPECT_EQ(latest_event(out(pvob, &SUM_Vob::vob_obj)).comment, "Deleting Timeline");

  // A creation that fails after the object exists leaves no timeline.
  std::vector<tbs_dbid_t> before;
  ASSERT_EQ(vob_zem_pvob_next_timelines(pvob.handle(), 0, 100, before), 0);
  SUM_Timeline broken;
  ImsgCapture capture;
  EXPECT_NE(SUM_Timeline::create(app, integ, SUM_Baseline(pvob, 999999), "", broken), 0);
  EXPECT_TRUE(broken.is_null());
  std::vector<tbs_dbid_t> after;
  ASSERT_EQ(vob_zem_pvob_next_timelines(pvob.handle(), 0, 100, after), 0);
  EXPECT_EQ(after, before);

  // The walk over the PVOB's timelines sees them in creation order.
  std::vector<tbs_dbid_t> walked;
  std::unique_ptr<SUM_Timeline::Iter> iter(SUM_Timeline::timelines_in_vob(pvob));
  for (iter->first(); !iter->is_done(); iter->next()) {
    SUM_Timeline item;
    ASSERT_EQ(iter->current_item(item), 0);
    walked.push_back(item.dbid());
  }
  EXPECT_EQ(iter->status(), 0);
  EXPECT_EQ(walked, (std::vector<tbs_dbid_t>{single.dbid(), busy.dbid(), app_tl.dbid()}));
}

INSTANTIATE_TEST_SUITE_P(BothForms, TimelineTest, ::testing::Values(8, 3));

}  // namespace
