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
#include "vob_zem_fixture.h"

namespace {

using test_support::ImsgCapture;
using test_support::TempHome;
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
    vob_create_args_t args;
    args.tag = std::string("/src_") + name;
    vob_vob_h src = nullptr;
    EXPECT_EQ(vob_create(args, &src), 0);
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
    SUM_Baseline out;
    EXPECT_EQ(SUM_Baseline::create(on, name, "made", unique_start, position, out), 0) << name;
    return out;
  }
  SUM_Timeline timeline(const SUM_Component& of, const SUM_Stream& in,
                        const SUM_Baseline& foundation) {
    SUM_Timeline out;
    EXPECT_EQ(SUM_Timeline::create(of, in, foundation, "tl", out), 0);
    return out;
  }
  static std::string name(const SUM_NamedObject& obj) {
    SUM_String text;
    EXPECT_EQ(obj.name(text), 0);
    return static_cast<const char*>(text);
  }
  // The entries as kinds, and the baselines of a timeline as names.
  static std::vector<int> kinds(const SUM_Timeline& tl) {
    SUM_TimelineEntryList list;
    EXPECT_EQ(tl.entries(list), 0);
    std::vector<int> out;
    for (unsigned i = 0; i < list.count(); ++i)
      out.push_back(list[i].kind());
    return out;
  }
  static std::vector<std::string> names(const SUM_BaselineList& list) {
    std::vector<std::string> out;
    for (unsigned i = 0; i < list.count(); ++i)
      out.push_back(name(list[i]));
    return out;
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
  int flag = -1;
  ASSERT_EQ(main.is_main(flag), 0);
  EXPECT_EQ(flag, 1);
  SUM_Stream where;
  EXPECT_EQ(main.stream(where), 1002);
  EXPECT_EQ(lib_initial.stream(where), 1002);
  SUM_Timeline on;
  ASSERT_EQ(lib_initial.timeline(on), 0);
  EXPECT_EQ(on, main);
  ASSERT_EQ(lib_initial.is_initial(flag), 0);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(event_of(lib_initial, true).opcode, GetParam() >= 4 ? 99 : 0);

  SUM_Timeline tl = timeline(lib, dev, lib_initial);
  ASSERT_EQ(tl.is_main(flag), 0);
  EXPECT_EQ(flag, 0);
  ASSERT_EQ(tl.stream(where), 0);
  EXPECT_EQ(where, dev);
  SUM_Component of;
  ASSERT_EQ(tl.component(of), 0);
  EXPECT_EQ(of, lib);

  // Taken names get the next free suffix, from the uniqueness start on.
  SUM_Baseline rel = make(tl, "rel");
  SUM_Baseline rel1 = make(tl, "rel");
  SUM_Baseline rel5 = make(tl, "rel", 5);
  SUM_Baseline early = make(tl, "early", 0, 1);
  EXPECT_EQ(name(rel), "rel");
  EXPECT_EQ(name(rel1), "rel.1");
  EXPECT_EQ(name(rel5), "rel.5");
  ASSERT_EQ(rel5.stream(where), 0);
  EXPECT_EQ(where, dev);
  ASSERT_EQ(rel5.is_initial(flag), 0);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(kinds(tl), (std::vector<int>{1, 3, 3, 3, 3}));
  SUM_BaselineList list;
  ASSERT_EQ(tl.baselines(list), 0);
  EXPECT_EQ(names(list), (std::vector<std::string>{"early", "rel", "rel.1", "rel.5"}));
  ASSERT_EQ(main.baselines(list), 0);
  EXPECT_EQ(names(list),
            (std::vector<std::string>{"lib_INITIAL", "rel", "rel.1", "rel.5", "early"}));

  // A read-only stream takes no baselines.
  SUM_Timeline frozen = timeline(lib, ro, lib_initial);
  ImsgCapture capture;
  SUM_Baseline none;
  EXPECT_EQ(SUM_Baseline::create(frozen, "nope", "", 0, -1, none), 1001);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "Cannot create baselines in read only stream \"ro@/pvob\".\n");
  EXPECT_TRUE(none.is_null());
  EXPECT_EQ(kinds(frozen), std::vector<int>{1});
}

TEST_P(TimelineTest, PromotionLevelsOfBaselines) {
  SUM_PLevel level;
  ASSERT_EQ(lib_initial.plevel(level), 0);
  EXPECT_STREQ(level.name(), "INITIAL");
  tbs_dbid_t attype = 0;
  std::string stored;
  ASSERT_EQ(pvob.wk_obj(VOB_WK_ATTYPE_PROMOTION_LEVEL, attype), 0);
  ASSERT_EQ(vob_attr_get(pvob.handle(), lib_initial.dbid(), attype, stored), 0);
  EXPECT_EQ(stored, "\"INITIAL\"");

  ASSERT_EQ(lib_initial.set_plevel(SUM_PLevel("TESTED", pvob), "promoted"), 0);
  ASSERT_EQ(lib_initial.plevel(level), 0);
  EXPECT_STREQ(level.name(), "TESTED");
  EXPECT_EQ(latest_event(lib_initial).comment, "promoted");
  ImsgCapture capture;
  EXPECT_EQ(lib_initial.set_plevel(SUM_PLevel("SHIPPED", pvob), ""), 1001);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "Cannot set baselines to invalid promotion levels.\n");
  ASSERT_EQ(lib_initial.plevel(level), 0);
  EXPECT_STREQ(level.name(), "TESTED");
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
    int status = -1;
    int labeled = -1;
    ASSERT_EQ(c.baseline.labeling_status(status), 0);
    EXPECT_EQ(status, c.status);
    ASSERT_EQ(c.baseline.is_labeled(labeled), 0);
    EXPECT_EQ(labeled, c.labeled);
  }
}

TEST_P(TimelineTest, StreamsAndTimelinesUsingABaseline) {
  int flag = -1;
  ASSERT_EQ(lib_initial.is_used_by_stream(flag), 0);
  EXPECT_EQ(flag, 0);
  ASSERT_EQ(lib_initial.is_foundation_of_timeline(flag), 0);
  EXPECT_EQ(flag, 0);
  ASSERT_EQ(dev.create_hyperlink_to(lib_initial, VOB_WK_HLTYPE_USE_BASELINE, "", "", ""), 0);
  ASSERT_EQ(integ.create_hyperlink_to(lib_initial, VOB_WK_HLTYPE_USE_BASELINE, "", "", ""), 0);
  SUM_StreamList users;
  ASSERT_EQ(lib_initial.used_by_streams(users), 0);
  ASSERT_EQ(users.count(), 2U);
  EXPECT_EQ(users[0], dev);
  EXPECT_EQ(users[1], integ);
  timeline(lib, dev, lib_initial);
  ASSERT_EQ(lib_initial.is_foundation_of_timeline(flag), 0);
  EXPECT_EQ(flag, 1);

  // A foundation baseline of another PVOB.
  SUM_Vob other = make_pvob("/other", 8);
  SUM_Component remote = component(other, "remote", false);
  SUM_Baseline remote_bl = make(SUM_Timeline::convert(remote), "remote_bl");
  SUM_Timeline tl = timeline(app, dev, app_initial);
  ASSERT_EQ(tl.add_foundation_arc(remote_bl, "rebased"), 0);
  SUM_Baseline found;
  ASSERT_EQ(tl.foundation_baseline(found), 0);
  EXPECT_EQ(found, remote_bl);
  EXPECT_EQ(found.vob(), other);
  ASSERT_EQ(remote_bl.is_foundation_of_timeline(flag), 0);
  EXPECT_EQ(flag, 1);
}

TEST_P(TimelineTest, FoundationSearchesOverEntries) {
  SUM_Baseline x = make(SUM_Timeline::convert(lib), "x");
  SUM_Timeline tl = timeline(lib, dev, lib_initial);
  SUM_Baseline b1 = make(tl, "b1");
  SUM_Baseline b2 = make(tl, "b2");
  ASSERT_EQ(tl.add_foundation_arc(x, "rebased"), 0);
  SUM_Baseline b3 = make(tl, "b3");
  EXPECT_EQ(kinds(tl), (std::vector<int>{1, 3, 3, 1, 3}));

  SUM_Baseline found;
  ASSERT_EQ(tl.foundation_baseline(found), 0);
  EXPECT_EQ(found, x);
  ASSERT_EQ(tl.fdn_bl_at_bl(b2, found), 0);
  EXPECT_EQ(found, lib_initial);
  ASSERT_EQ(tl.fdn_bl_at_bl(b3, found), 0);
  EXPECT_EQ(found, x);
  ASSERT_EQ(tl.fdn_bl_at_offset(2, found), 0);
  EXPECT_EQ(found, lib_initial);
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
  ASSERT_EQ(tl.arc_after_latest_bl(flag), 0);
  EXPECT_EQ(flag, 0);
  ASSERT_EQ(vob_zem_timeline_add_entry(pvob.handle(), tl.dbid(), 2, x.dbid(), nullptr), 0);
  ASSERT_EQ(tl.arc_after_latest_bl(flag), 0);
  EXPECT_EQ(flag, 1);
  ASSERT_EQ(tl.foundation_arc_after_latest_bl(flag), 0);
  EXPECT_EQ(flag, 0);
  ASSERT_EQ(tl.add_foundation_arc(b1, ""), 0);
  ASSERT_EQ(tl.foundation_arc_after_latest_bl(flag), 0);
  EXPECT_EQ(flag, 1);

  // The main timeline has no foundation arcs.
  SUM_Timeline main = SUM_Timeline::convert(lib);
  EXPECT_EQ(main.foundation_baseline(found), 1002);
  ImsgCapture capture;
  EXPECT_EQ(main.fdn_bl_at_bl(x, found), 1002);
  EXPECT_EQ(capture.joined(IMSG_ERROR),
            "No foundation arc entries in the main timeline - invalid call to "
            "SUM_Timeline::fdn_bl_at_bl\n");
  // Nor has a stream timeline made without one.
  tbs_dbid_t bare = 0;
  ASSERT_EQ(vob_zem_timeline_create(pvob.handle(), integ.dbid(), nullptr, nullptr, &bare), 0);
  SUM_Timeline empty(pvob, bare);
  capture.clear();
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
  SUM_Baseline found;
  ASSERT_EQ(tl.latest_baseline(found), 0);
  EXPECT_EQ(found, fresh);
  ASSERT_EQ(tl.latest_baseline(SUM_PLevel("BUILT", pvob), found), 0);
  EXPECT_EQ(found, tested);
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
  int ok = -1;
  ASSERT_EQ(busy.ok_to_destroy(ok), 0);
  EXPECT_EQ(ok, 0);
  ASSERT_EQ(busy.destroy(), 0);
  EXPECT_FALSE(busy.is_null());
  ASSERT_EQ(single.ok_to_destroy(ok), 0);
  EXPECT_EQ(ok, 1);

  // A rootless component's timeline may repeat its arc; after that it holds
  // two entries and stays.
  SUM_TimelineEntryList list;
  ASSERT_EQ(single.entries(list), 0);
  ASSERT_EQ(single.create_duplicate_entry(list[0].dbid()), 0);
  EXPECT_EQ(latest_event(single).opcode, GetParam() >= 4 ? 114 : 0);
  EXPECT_EQ(latest_event(single).comment, "Created duplicate timeline entry");
  SUM_TimelineEntryList twice;
  ASSERT_EQ(single.entries(twice), 0);
  ASSERT_EQ(twice.count(), 2U);
  EXPECT_TRUE(twice[0] == list[0]);
  EXPECT_EQ(twice[1].kind(), SUM_TimelineEntry::FOUNDATION_ARC);
  EXPECT_EQ(twice[1].dbid(), list[0].dbid());
  ASSERT_EQ(single.ok_to_destroy(ok), 0);
  EXPECT_EQ(ok, 0);
  SUM_Timeline app_tl = timeline(app, dev, app_initial);
  ASSERT_EQ(app_tl.entries(list), 0);
  {
    ImsgCapture internal_error;
    EXPECT_EQ(app_tl.create_duplicate_entry(list[0].dbid()), 1072);
  }
  EXPECT_EQ(kinds(app_tl), std::vector<int>{1});

  // Removing a single-arc timeline takes its arc along.
  int flag = -1;
  SUM_Baseline x = make(SUM_Timeline::convert(app), "x");
  SUM_Timeline gone = timeline(app, integ, x);
  ASSERT_EQ(gone.destroy(), 0);
  EXPECT_TRUE(gone.is_null());
  ASSERT_EQ(x.is_foundation_of_timeline(flag), 0);
  EXPECT_EQ(flag, 0);
  SUM_VobObject vob_object;
  ASSERT_EQ(pvob.vob_obj(vob_object), 0);
  EXPECT_EQ(latest_event(vob_object).comment, "Deleting Timeline");

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
