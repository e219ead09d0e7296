// The project VOB's difference of two layered configurations: the layers
// holding an activity give its count (the highest when several baselines
// hold it), pending pairs come before every baseline, a baseline that no
// longer records an activity lets the layers below it show through, shared
// ancestry counts the same on both sides, a removed
// baseline makes the difference incomplete, and sides from different roots
// are told apart by their main-timeline positions. Both storage forms.
#include <gtest/gtest.h>

#include <vector>

#include "services/vob_zem_baseline.h"
#include "services/vob_zem_component.h"
#include "services/vob_zem_diffchkpnt.h"
#include "services/vob_zem_stream.h"
#include "vob_zem_fixture.h"

namespace zem_test {
namespace {

constexpr unsigned kNone = VOB_DIFFCHKPNT_NO_COUNT;

class DiffchkpntTest : public ZemTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    ZemTest::SetUp();
    first_class = GetParam();
    pvob = first_class ? fc : old;
    if (first_class) {
      ASSERT_EQ(vob_zem_component_create(fc, "comp", nullptr, &component), 0);
      tbs_dbid_t p = project("p8", fc_root);
      ASSERT_EQ(vob_zem_stream_create(fc, "dev", p, 0, nullptr, &stream), 0);
      for (const char* name : {"a1", "a2", "a3", "a4"})
        activities.push_back(project(name, fc_root));
    } else {
      tbs_dbid_t component_type = 0, activity_type = 0;
      ASSERT_EQ(vob_ob_get_wk_obj(old, VOB_WK_COMPONENT_TYPE, &component_type), 0);
      ASSERT_EQ(vob_ob_get_wk_obj(old, VOB_WK_ACTIVITY_TYPE, &activity_type), 0);
      component = act("comp", component_type, 0);
      stream = act("dev", stream_type, act("p6", project_type, old_root));
      for (const char* name : {"a1", "a2", "a3", "a4"})
        activities.push_back(act(name, activity_type, 0));
    }
    ASSERT_EQ(vob_zem_timeline_create(pvob, stream, nullptr, nullptr, &timeline), 0);
    root = baseline("ROOT", component, {});
  }

  tbs_dbid_t baseline(const char* name, tbs_dbid_t on,
                      const std::vector<vob_zem_baseline_cset_t>& csets) {
    vob_zem_baseline_spec_t spec;
    spec.name = name;
    spec.component = component;
    spec.timeline = on;
    spec.csets = csets;
    tbs_dbid_t made = 0;
    EXPECT_EQ(vob_zem_baseline_create(pvob, spec, nullptr, &made), 0) << name;
    return made;
  }
  vob_zem_baseline_cset_t pair(int activity, long count) {
    return {activities[static_cast<size_t>(activity)], count};
  }

  struct Result {
    int status = 0;
    int incomplete = 0;
    long first_root = -2, second_root = -2;
    std::vector<vob_diffchkpnt_entry_t> entries;
  };
  Result diff(const vob_diffchkpnt_side_t& first, const vob_diffchkpnt_side_t& second) {
    Result r;
    vob_diffchkpnt_h h = nullptr;
    r.status = vob_diffchkpnt_diff(pvob, first, second, &h);
    if (r.status != 0)
      return r;
    EXPECT_EQ(vob_diffchkpnt_is_incomplete(h, &r.incomplete), 0);
    EXPECT_EQ(vob_diffchkpnt_timeline_indices(h, &r.first_root, &r.second_root), 0);
    size_t count = 0;
    EXPECT_EQ(vob_diffchkpnt_count(h, &count), 0);
    vob_diffchkpnt_entry_t entry;
    while (vob_diffchkpnt_next_diff(h, &entry) == 0)
      r.entries.push_back(entry);
    EXPECT_EQ(vob_diffchkpnt_next_diff(h, &entry), TBS_ST_NOT_FOUND);
    EXPECT_EQ(count, r.entries.size());
    vob_diffchkpnt_termdiff(h);
    return r;
  }
  void expect_entry(const vob_diffchkpnt_entry_t& e, int activity, vob_diffchkpnt_kind_t kind,
                    unsigned first, unsigned second) {
    EXPECT_EQ(e.activity, activities[static_cast<size_t>(activity)]);
    EXPECT_EQ(e.kind, kind);
    EXPECT_EQ(e.first_count, first);
    EXPECT_EQ(e.second_count, second);
  }

  bool first_class = true;
  vob_vob_h pvob = nullptr;
  tbs_dbid_t component = 0, stream = 0, timeline = 0, root = 0;
  std::vector<tbs_dbid_t> activities;
};

TEST_P(DiffchkpntTest, EachSideHoldsWhatItsLayersRecord) {
  tbs_dbid_t foundation = baseline("F", timeline, {pair(0, 1), pair(1, 2)});
  tbs_dbid_t later = baseline("B", timeline, {pair(0, 3), pair(2, 1)});
  vob_diffchkpnt_side_t first, second;
  first.baselines = {foundation, root};
  second.pending = {pair(3, 4)};
  second.baselines = {later, foundation, root};
  Result r = diff(first, second);
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.incomplete, 0);
  EXPECT_EQ(r.first_root, 0);
  EXPECT_EQ(r.second_root, 0);
  // a1 moved on to 3; a2 comes from the shared foundation on both sides and
  // is no difference; a3 and the pending a4 are on the second side only.
  ASSERT_EQ(r.entries.size(), 3u);
  expect_entry(r.entries[0], 0, VOB_DIFFCHKPNT_CHANGED, 1, 3);
  expect_entry(r.entries[1], 2, VOB_DIFFCHKPNT_SECOND_ONLY, kNone, 1);
  expect_entry(r.entries[2], 3, VOB_DIFFCHKPNT_SECOND_ONLY, kNone, 4);

  // Swapped sides swap the kinds and counts.
  r = diff(second, first);
  ASSERT_EQ(r.entries.size(), 3u);
  expect_entry(r.entries[0], 0, VOB_DIFFCHKPNT_CHANGED, 3, 1);
  expect_entry(r.entries[2], 3, VOB_DIFFCHKPNT_FIRST_ONLY, 4, kNone);
}

TEST_P(DiffchkpntTest, PendingPairsComeBeforeEveryBaselineAndEqualSidesDiffer) {
  tbs_dbid_t made = baseline("B", timeline, {pair(0, 2), pair(1, 1)});
  vob_diffchkpnt_side_t recorded, current;
  recorded.baselines = {made, root};
  // The stream now: a1 unchanged, a2 changed further.
  current.pending = {pair(0, 2), pair(1, 5)};
  current.baselines = {root};
  Result r = diff(recorded, current);
  ASSERT_EQ(r.status, 0);
  ASSERT_EQ(r.entries.size(), 1u);
  expect_entry(r.entries[0], 1, VOB_DIFFCHKPNT_CHANGED, 1, 5);

  r = diff(recorded, recorded);
  ASSERT_EQ(r.status, 0);
  EXPECT_TRUE(r.entries.empty());
  EXPECT_EQ(r.incomplete, 0);
}

TEST_P(DiffchkpntTest, StreamBaselinesCompareThroughTheirDeltas) {
  // Three baselines of one stream, each recording the stream's activities so
  // far: B3 no longer records a1. The foundation F records a1 at 1.
  tbs_dbid_t foundation = baseline("F", component, {pair(0, 1)});
  tbs_dbid_t b1 = baseline("B1", timeline, {pair(0, 2), pair(1, 1)});
  tbs_dbid_t b2 = baseline("B2", timeline, {pair(0, 2), pair(1, 2), pair(2, 1)});
  tbs_dbid_t b3 = baseline("B3", timeline, {pair(1, 2), pair(2, 1)});
  vob_diffchkpnt_side_t first, second;
  first.baselines = {b1, foundation};
  second.baselines = {b3, foundation};
  auto check = [&](const char* when) {
    SCOPED_TRACE(when);
    Result r = diff(first, second);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.incomplete, 0);
    ASSERT_EQ(r.entries.size(), 3u);
    // a1 left the stream's record: the foundation's count shows through.
    expect_entry(r.entries[0], 0, VOB_DIFFCHKPNT_CHANGED, 2, 1);
    expect_entry(r.entries[1], 1, VOB_DIFFCHKPNT_CHANGED, 1, 2);
    expect_entry(r.entries[2], 2, VOB_DIFFCHKPNT_SECOND_ONLY, kNone, 1);
  };
  check("all three baselines");
  vob_diffchkpnt_side_t middle;
  middle.baselines = {b2, foundation};
  EXPECT_TRUE(diff(middle, middle).entries.empty());
  // B3 rested on B2: removing B2 leaves what B3 records whole.
  ASSERT_EQ(vob_zem_baseline_delete(pvob, b2, nullptr), 0);
  check("after the middle baseline is removed");
  ASSERT_EQ(vob_zem_baseline_delete(pvob, b1, nullptr), 0);
  first.baselines = {foundation};
  Result r = diff(first, second);
  ASSERT_EQ(r.entries.size(), 2u);
  expect_entry(r.entries[0], 1, VOB_DIFFCHKPNT_SECOND_ONLY, kNone, 2);
  expect_entry(r.entries[1], 2, VOB_DIFFCHKPNT_SECOND_ONLY, kNone, 1);
}

// A configuration that brought two histories together (a stream's own
// baseline and a baseline delivered into it) holds an activity at the later
// of its counts, whichever baseline is listed first; pending pairs still
// decide.
TEST_P(DiffchkpntTest, AnActivityHeldByTwoBaselinesCountsAtTheHigher) {
  tbs_dbid_t older = baseline("OLDER", timeline, {pair(0, 2)});
  tbs_dbid_t newer = baseline("NEWER", timeline, {pair(0, 5), pair(1, 1)});
  vob_diffchkpnt_side_t older_first, newer_first, newer_only, older_only, pending;
  older_first.baselines = {older, newer, root};
  newer_first.baselines = {newer, older, root};
  newer_only.baselines = {newer, root};
  older_only.baselines = {older, root};
  pending.pending = {pair(0, 3)};
  pending.baselines = {newer, root};
  EXPECT_TRUE(diff(older_first, newer_first).entries.empty());
  EXPECT_TRUE(diff(older_first, newer_only).entries.empty());
  Result r = diff(older_only, older_first);
  ASSERT_EQ(r.status, 0);
  ASSERT_EQ(r.entries.size(), 2u);
  expect_entry(r.entries[0], 0, VOB_DIFFCHKPNT_CHANGED, 2, 5);
  expect_entry(r.entries[1], 1, VOB_DIFFCHKPNT_SECOND_ONLY, kNone, 1);
  r = diff(pending, newer_only);
  ASSERT_EQ(r.entries.size(), 1u);
  expect_entry(r.entries[0], 0, VOB_DIFFCHKPNT_CHANGED, 3, 5);
}

TEST_P(DiffchkpntTest, ARemovedBaselineMakesTheDifferenceIncomplete) {
  tbs_dbid_t gone = baseline("GONE", timeline, {pair(0, 1)});
  tbs_dbid_t kept = baseline("KEPT", timeline, {pair(1, 1)});
  ASSERT_EQ(vob_zem_baseline_delete(pvob, gone, nullptr), 0);
  vob_diffchkpnt_side_t first, second;
  first.baselines = {gone, root};
  second.baselines = {kept, root};
  Result r = diff(first, second);
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.incomplete, 1);
  ASSERT_EQ(r.entries.size(), 1u);
  expect_entry(r.entries[0], 1, VOB_DIFFCHKPNT_SECOND_ONLY, kNone, 1);
}

TEST_P(DiffchkpntTest, SidesFromDifferentRootsAreToldApart) {
  tbs_dbid_t import = baseline("IMPORT", component, {});
  tbs_dbid_t on_import = baseline("ON_IMPORT", timeline, {pair(0, 1)});
  vob_diffchkpnt_side_t first, second;
  first.baselines = {root};
  second.baselines = {on_import, import};
  Result r = diff(first, second);
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.first_root, 0);
  EXPECT_EQ(r.second_root, 1);
  EXPECT_EQ(r.incomplete, 1);

  // A side of pending pairs alone has no root.
  vob_diffchkpnt_side_t pending_only;
  pending_only.pending = {pair(0, 1)};
  r = diff(pending_only, pending_only);
  EXPECT_EQ(r.first_root, -1);
  EXPECT_EQ(r.incomplete, 0);
}

TEST_P(DiffchkpntTest, BadArgumentsAreRefused) {
  vob_diffchkpnt_side_t not_a_baseline, fine;
  not_a_baseline.baselines = {activities[0]};
  fine.baselines = {root};
  vob_diffchkpnt_h h = nullptr;
  EXPECT_EQ(vob_diffchkpnt_diff(pvob, not_a_baseline, fine, &h), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(vob_diffchkpnt_diff(plain, fine, fine, &h), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(vob_diffchkpnt_diff(pvob, fine, fine, nullptr), TBS_ST_BAD_ARGUMENT);
  vob_diffchkpnt_entry_t entry;
  EXPECT_EQ(vob_diffchkpnt_next_diff(nullptr, &entry), TBS_ST_BAD_ARGUMENT);
  vob_diffchkpnt_termdiff(nullptr);
}

INSTANTIATE_TEST_SUITE_P(BothForms, DiffchkpntTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "first_class" : "activity_based";
                         });

}  // namespace
}  // namespace zem_test
