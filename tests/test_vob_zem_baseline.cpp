// Baselines of both storage forms in the repository: what a baseline
// records, its entry on a stream's timeline, the listings by component and
// stream, refused creations, the removal rules of the objects baselines hang
// on, and calls interrupted part-way.
#include <gmock/gmock.h>
#include <sqlite3.h>

#include "services/vob_zem_baseline.h"
#include "services/vob_zem_component.h"
#include "services/vob_zem_stream.h"
#include "vob_zem_fixture.h"

namespace zem_test {
namespace {

using test_support::run_program;
using ::testing::HasSubstr;

// A PVOB of one form with what baselines need: a component, a stream with a
// timeline for it, and an object standing in for an activity.
struct Bench {
  const char* label;
  vob_vob_h vob;
  tbs_dbid_t component;
  tbs_dbid_t stream;
  tbs_dbid_t timeline;
  tbs_dbid_t activity;
};

class BaselineRepoTest : public ZemTest {
 protected:
  std::vector<Bench> benches() {
    std::vector<Bench> out;
    tbs_dbid_t comp8 = 0;
    EXPECT_EQ(vob_zem_component_create(fc, "comp", nullptr, &comp8), 0);
    tbs_dbid_t p8 = project("p8", fc_root);
    tbs_dbid_t s8 = 0;
    EXPECT_EQ(vob_zem_stream_create(fc, "dev", p8, 0, nullptr, &s8), 0);
    out.push_back({"first-class", fc, comp8, s8, timeline(fc, s8), p8});

    tbs_dbid_t component_type = 0;
    tbs_dbid_t activity_type = 0;
    EXPECT_EQ(vob_ob_get_wk_obj(old, VOB_WK_COMPONENT_TYPE, &component_type), 0);
    EXPECT_EQ(vob_ob_get_wk_obj(old, VOB_WK_ACTIVITY_TYPE, &activity_type), 0);
    tbs_dbid_t comp6 = act("comp", component_type, 0);
    tbs_dbid_t p6 = act("p6", project_type, old_root);
    tbs_dbid_t s6 = act("dev", stream_type, p6);
    out.push_back(
        {"activity-based", old, comp6, s6, timeline(old, s6), act("fix", activity_type, 0)});
    return out;
  }

  tbs_dbid_t timeline(vob_vob_h vob, tbs_dbid_t stream) {
    tbs_dbid_t made = 0;
    EXPECT_EQ(vob_zem_timeline_create(vob, stream, nullptr, nullptr, &made), 0);
    return made;
  }
  // Makes a baseline; 0 when refused (the status is in `last_status`).
  tbs_dbid_t baseline(const Bench& b, const char* name, tbs_dbid_t on, long position = -1,
                      const char* name_base = nullptr) {
    vob_zem_baseline_spec_t spec;
    spec.name = name;
    spec.name_base = name_base;
    spec.component = b.component;
    spec.timeline = on;
    spec.position = position;
    vob_event_info_t e = event(99, "new baseline");
    tbs_dbid_t made = 0;
    last_status = vob_zem_baseline_create(b.vob, spec, &e, &made);
    return made;
  }
  std::vector<tbs_dbid_t> of_component(const Bench& b, size_t chunk = 100) {
    return gather(chunk, [&](size_t at, size_t max, std::vector<tbs_dbid_t>& out) {
      return vob_zem_component_next_baselines(b.vob, b.component, at, max, out);
    });
  }
  std::vector<tbs_dbid_t> of_stream(const Bench& b) {
    return gather(100, [&](size_t at, size_t max, std::vector<tbs_dbid_t>& out) {
      return vob_zem_stream_next_baselines(b.vob, b.stream, at, max, out);
    });
  }
  std::vector<tbs_dbid_t> entries(const Bench& b) {
    std::vector<vob_zem_timeline_entry_t> raw;
    EXPECT_EQ(vob_zem_timeline_get_entries(b.vob, b.timeline, raw), 0);
    std::vector<tbs_dbid_t> out;
    for (const auto& e : raw)
      out.push_back(e.kind == VOB_ZEM_TL_BASELINE ? e.dbid : 0);
    return out;
  }
  bool exists(vob_vob_h vob, tbs_dbid_t dbid) {
    int is = 0;
    return vob_obj_exists(vob, dbid, &is) == 0 && is != 0;
  }

  int last_status = 0;
};

TEST_F(BaselineRepoTest, RecordsWhatABaselineIsMadeOf) {
  for (const Bench& b : benches()) {
    SCOPED_TRACE(b.label);
    vob_zem_baseline_spec_t spec;
    spec.name = "comp_INITIAL";
    spec.component = b.component;
    spec.timeline = b.component;
    spec.csets = {{b.activity, 7}, {b.component, 2}};
    spec.deps_xml = "<bl_info><deps_v1/></bl_info>";
    vob_event_info_t e = event(99, "Initial baseline");
    tbs_dbid_t initial = 0;
    ASSERT_EQ(vob_zem_baseline_create(b.vob, spec, &e, &initial), 0);

    int is = 0;
    ASSERT_EQ(vob_zem_baseline_is(b.vob, initial, &is), 0);
    EXPECT_EQ(is, 1);
    EXPECT_EQ(vob_zem_baseline_is(b.vob, b.component, &is), 0);
    EXPECT_EQ(is, 0);
    vob_mtype_t mtype = 0;
    ASSERT_EQ(vob_obj_get_mtype(b.vob, initial, &mtype), 0);
    EXPECT_EQ(mtype, b.vob == fc ? VOB_MTYPE_BASELINE : VOB_MTYPE_CHECKPOINT);
    vob_zem_baseline_info_t info;
    ASSERT_EQ(vob_zem_baseline_get_info(b.vob, initial, &info), 0);
    EXPECT_EQ(info.name, "comp_INITIAL");
    EXPECT_EQ(info.name_base, "comp_INITIAL");
    EXPECT_EQ(info.component, b.component);
    EXPECT_EQ(info.timeline, b.component);
    EXPECT_EQ(info.stream, 0U);
    EXPECT_EQ(info.deps_xml, "<bl_info><deps_v1/></bl_info>");
    EXPECT_GT(info.created, 0);
    EXPECT_EQ(latest(b.vob, initial).opcode, 99);
    EXPECT_EQ(latest(b.vob, initial).comment, "Initial baseline");
    std::vector<vob_zem_baseline_cset_t> csets;
    ASSERT_EQ(vob_zem_baseline_get_cset_list(b.vob, initial, csets), 0);
    ASSERT_EQ(csets.size(), 2U);
    EXPECT_EQ(csets[0].activity, b.activity);
    EXPECT_EQ(csets[0].mod_count, 7);
    EXPECT_EQ(csets[1].activity, b.component);
    EXPECT_EQ(csets[1].mod_count, 2);

    // A baseline made in the stream: a suffixed name, no change sets, and
    // the stream it was made in.
    tbs_dbid_t rel = baseline(b, "rel.1", b.timeline, -1, "rel");
    ASSERT_NE(rel, 0U);
    ASSERT_EQ(vob_zem_baseline_get_info(b.vob, rel, &info), 0);
    EXPECT_EQ(info.name_base, "rel");
    EXPECT_EQ(info.timeline, b.timeline);
    EXPECT_EQ(info.stream, b.stream);
    EXPECT_EQ(info.deps_xml, "");
    ASSERT_EQ(vob_zem_baseline_get_cset_list(b.vob, rel, csets), 0);
    EXPECT_TRUE(csets.empty());
    tbs_dbid_t by_name = 0;
    EXPECT_EQ(vob_obj_resolve(b.vob, "rel.1", mtype, &by_name), 0);
    EXPECT_EQ(by_name, rel);

    // The initial baseline stays the first one of the main timeline.
    tbs_dbid_t first = 0;
    ASSERT_EQ(vob_zem_component_get_baseline(b.vob, b.component, &first), 0);
    EXPECT_EQ(first, initial);
  }
}

TEST_F(BaselineRepoTest, PlacesEntriesAndListsBaselines) {
  for (const Bench& b : benches()) {
    SCOPED_TRACE(b.label);
    tbs_dbid_t none = 5;
    EXPECT_EQ(vob_zem_component_get_baseline(b.vob, b.component, &none), TBS_ST_NOT_FOUND);
    EXPECT_EQ(none, 5U);
    ASSERT_EQ(
        vob_zem_timeline_add_entry(b.vob, b.timeline, VOB_ZEM_TL_FOUNDATION_ARC, b.stream, nullptr),
        0);
    tbs_dbid_t one = baseline(b, "one", b.timeline);
    tbs_dbid_t two = baseline(b, "two", b.timeline);
    tbs_dbid_t zero = baseline(b, "zero", b.timeline, 0);
    tbs_dbid_t mid = baseline(b, "mid", b.timeline, 2);
    tbs_dbid_t on_main = baseline(b, "main_bl", b.component);
    EXPECT_EQ(entries(b), (std::vector<tbs_dbid_t>{zero, 0, mid, one, two}));

    // Main timeline: every baseline of the component, in creation order.
    EXPECT_EQ(of_component(b, 2), (std::vector<tbs_dbid_t>{one, two, zero, mid, on_main}));
    EXPECT_EQ(chunk_sizes, (std::vector<size_t>{2, 2, 1}));
    EXPECT_EQ(of_stream(b), (std::vector<tbs_dbid_t>{one, two, zero, mid}));
    tbs_dbid_t first = 0;
    ASSERT_EQ(vob_zem_component_get_baseline(b.vob, b.component, &first), 0);
    EXPECT_EQ(first, on_main);

    // Removing a baseline takes its entry and closes the gap: a baseline
    // appended afterwards is last.
    ASSERT_EQ(vob_zem_baseline_delete(b.vob, mid, nullptr), 0);
    EXPECT_FALSE(exists(b.vob, mid));
    tbs_dbid_t last = baseline(b, "last", b.timeline);
    EXPECT_EQ(entries(b), (std::vector<tbs_dbid_t>{zero, 0, one, two, last}));
    EXPECT_EQ(of_stream(b), (std::vector<tbs_dbid_t>{one, two, zero, last}));

    std::vector<tbs_dbid_t> out;
    EXPECT_EQ(vob_zem_component_next_baselines(b.vob, b.stream, 0, 9, out), TBS_ST_BAD_ARGUMENT);
    EXPECT_EQ(vob_zem_stream_next_baselines(b.vob, b.component, 0, 9, out), TBS_ST_BAD_ARGUMENT);
  }
}

TEST_F(BaselineRepoTest, RefusedCreationsMakeNothing) {
  for (const Bench& b : benches()) {
    SCOPED_TRACE(b.label);
    ASSERT_NE(baseline(b, "taken", b.component), 0U);
    auto refused = [&](int want, const char* text, auto make) {
      ImsgCapture capture;
      EXPECT_EQ(make(), 0U) << text;
      EXPECT_EQ(last_status, want) << text;
      EXPECT_THAT(capture.joined(IMSG_ERROR), HasSubstr(text));
    };
    refused(TBS_ST_EXISTS, "taken", [&] { return baseline(b, "taken", b.timeline); });
    refused(TBS_ST_BAD_ARGUMENT, "not allowed",
            [&] { return baseline(b, "bad name", b.timeline); });
    refused(TBS_ST_BAD_ARGUMENT, "is not a timeline",
            [&] { return baseline(b, "on_stream", b.stream); });
    refused(TBS_ST_BAD_ARGUMENT, "position 3", [&] { return baseline(b, "far", b.timeline, 3); });
    Bench other = b;
    other.component = b.stream;
    refused(TBS_ST_BAD_ARGUMENT, "is not a component",
            [&] { return baseline(other, "no_comp", b.component); });
    vob_zem_baseline_spec_t spec;
    spec.name = "ghost_activity";
    spec.component = b.component;
    spec.timeline = b.component;
    spec.csets = {{999999, 1}};
    tbs_dbid_t made = 0;
    {
      ImsgCapture capture;
      EXPECT_EQ(vob_zem_baseline_create(b.vob, spec, nullptr, &made), TBS_ST_NOT_FOUND);
    }
    ASSERT_EQ(vob_obj_lock(b.vob, b.timeline, 0, {}, nullptr), 0);
    refused(1040, "is locked", [&] { return baseline(b, "locked", b.timeline); });
    ASSERT_EQ(vob_obj_unlock(b.vob, b.timeline, nullptr), 0);

    EXPECT_EQ(of_component(b).size(), 1U);
    EXPECT_TRUE(entries(b).empty());
    // The refused names are free.
    EXPECT_NE(baseline(b, "far", b.timeline), 0U);
  }
  ImsgCapture capture;
  vob_zem_baseline_spec_t spec;
  spec.name = "x";
  spec.component = 1;
  spec.timeline = 1;
  tbs_dbid_t made = 0;
  EXPECT_EQ(vob_zem_baseline_create(plain, spec, nullptr, &made), TBS_ST_BAD_ARGUMENT);
  EXPECT_THAT(capture.joined(IMSG_ERROR), HasSubstr("is not a project VOB"));
}

TEST_F(BaselineRepoTest, BaselinesHoldTheirTimelinesStreamsAndComponents) {
  for (const Bench& b : benches()) {
    SCOPED_TRACE(b.label);
    tbs_dbid_t initial = baseline(b, "comp_INITIAL", b.component);
    tbs_dbid_t made = baseline(b, "made", b.timeline);
    auto remove_component = [&] {
      return b.vob == fc ? vob_zem_component_delete(fc, b.component, nullptr)
                         : vob_act_delete(old, b.component, nullptr);
    };
    {
      ImsgCapture capture;
      EXPECT_EQ(vob_zem_stream_delete(b.vob, b.stream, nullptr), TBS_ST_ERROR);
      EXPECT_THAT(capture.joined(IMSG_ERROR), HasSubstr("has 1 baselines on its timelines"));
      EXPECT_EQ(vob_zem_timeline_delete(b.vob, b.timeline, nullptr), TBS_ST_ERROR);
      EXPECT_EQ(remove_component(), TBS_ST_ERROR);
      EXPECT_THAT(capture.joined(IMSG_ERROR),
                  HasSubstr("has 1 baselines on the timelines of streams"));
    }
    if (b.vob == old) {
      ImsgCapture capture;
      EXPECT_EQ(vob_act_delete(old, b.timeline, nullptr), TBS_ST_ERROR);
    }
    EXPECT_TRUE(exists(b.vob, b.stream));
    EXPECT_TRUE(exists(b.vob, b.timeline));
    EXPECT_EQ(of_component(b), (std::vector<tbs_dbid_t>{initial, made}));

    // Without the stream's baseline the component goes, and its main
    // timeline's baselines with it; the stream goes as well.
    ASSERT_EQ(vob_zem_baseline_delete(b.vob, made, nullptr), 0);
    vob_event_info_t e = event(106, "component gone");
    ASSERT_EQ(b.vob == fc ? vob_zem_component_delete(fc, b.component, &e)
                          : vob_act_delete(old, b.component, &e),
              0);
    EXPECT_FALSE(exists(b.vob, initial));
    EXPECT_FALSE(exists(b.vob, b.component));
    tbs_dbid_t vob_object = test_support::wk_obj(b.vob, VOB_WK_VOB_OBJECT);
    EXPECT_EQ(latest(b.vob, vob_object).comment, "component gone");
    ASSERT_EQ(vob_zem_stream_delete(b.vob, b.stream, nullptr), 0);
  }
}

long count_rows(vob_vob_h vob, const std::string& sql) {
  return test_support::count_rows(test_support::vob_db_path(vob), sql);
}

TEST_F(BaselineRepoTest, InterruptedCallsLeaveNothingHalfDone) {
  for (const Bench& b : benches()) {
    SCOPED_TRACE(b.label);
    const char* tag = b.vob == fc ? "/pvob8" : "/pvob6";
    tbs_dbid_t initial = baseline(b, "comp_INITIAL", b.component);
    tbs_dbid_t kept = baseline(b, "kept", b.timeline);
    auto baseline_rows = [&] {
      return count_rows(b.vob, "SELECT count(*) FROM zem_baselines") +
             count_rows(b.vob, "SELECT count(*) FROM zem_baseline_csets") +
             count_rows(b.vob, "SELECT count(*) FROM zem_timeline_entries");
    };
    long before = baseline_rows();
    std::vector<std::string> create{VOB_BASELINE_PROBE_PATH,
                                    tag,
                                    "create",
                                    "probe_bl",
                                    std::to_string(b.component),
                                    std::to_string(b.timeline),
                                    std::to_string(b.activity)};
    for (const char* at : {"1", "2", "3", "4", "5", "6"}) {
      auto killed = run_program(create, {{"KORVANE_FAULT_KILL_AFTER_WRITES", at}});
      EXPECT_EQ(killed.exit_code, 128 + 9) << "killed at write " << at;
      auto failed = run_program(create, {{"KORVANE_FAULT_FAIL_AFTER_WRITES", at}});
      EXPECT_NE(failed.exit_code, 0) << "failed at write " << at;
      tbs_dbid_t dbid = 0;
      EXPECT_EQ(vob_obj_resolve(b.vob, "probe_bl", b.vob == fc ? 41 : 33, &dbid), TBS_ST_NOT_FOUND);
      EXPECT_EQ(baseline_rows(), before) << "write " << at;
    }
    EXPECT_EQ(entries(b), std::vector<tbs_dbid_t>{kept});
    auto done = run_program(create);
    ASSERT_EQ(done.exit_code, 0) << done.err;
    EXPECT_EQ(entries(b).size(), 2U);

    // A component removal cut short keeps the component and its baselines.
    ASSERT_EQ(vob_zem_baseline_delete(b.vob, kept, nullptr), 0);
    tbs_dbid_t probe_bl = 0;
    ASSERT_EQ(vob_obj_resolve(b.vob, "probe_bl", b.vob == fc ? 41 : 33, &probe_bl), 0);
    ASSERT_EQ(vob_zem_baseline_delete(b.vob, probe_bl, nullptr), 0);
    std::vector<std::string> rmcomp{VOB_BASELINE_PROBE_PATH, tag, "rmcomp",
                                    std::to_string(b.component)};
    auto failed = run_program(rmcomp, {{"KORVANE_FAULT_FAIL_AFTER_WRITES", "3"}});
    EXPECT_NE(failed.exit_code, 0);
    EXPECT_TRUE(exists(b.vob, initial));
    EXPECT_TRUE(exists(b.vob, b.component));
    ASSERT_EQ(run_program(rmcomp).exit_code, 0);
    EXPECT_FALSE(exists(b.vob, initial));
  }
}

}  // namespace
}  // namespace zem_test
