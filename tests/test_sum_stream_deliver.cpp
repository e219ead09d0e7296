// Recording a delivery on the streams, on a project made with vantool: in
// development stream "dev" activity "work" adds hello.txt, baselined as
// DEV1; the integration stream "int" gets the same change merged in its own
// view "int" in its own activity "take_dev", as a deliver leaves it; then
// dev records DEV1 as delivered to int. What callers rely on: comparisons
// (diffbl and BaselineDiff) find nothing left to deliver while later work
// in dev still shows, recording twice changes nothing, undoing brings the
// difference back, baselines int makes afterwards descend from DEV1 and dev
// may rebase to them; the deliver view round trip; and refused calls that
// leave nothing behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/vob_zem_stream.h"
#include "sum/sum_baseline.h"
#include "sum/sum_baseline_diff.h"
#include "sum/sum_baseline_graph.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"
#include "sum/sum_view.h"
#include "support/imsg_capture.h"
#include "support/project_builder.h"
#include "support/sandbox.h"
#include "support/vantool_runner.h"
#include "vantool_project_fixture.h"

namespace {

using test_support::ImsgCapture;
using test_support::vantool_out;

class StreamDeliverTest : public zem_test::VantoolProjectTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(build_project(home, test_support::standard_project()));
    add_file("dev", "hello.txt");
    run({"mkbl", "-view", "dev", "-nc", "DEV1"});
    run({"mkview", "-stream", "int@/pvob", "-tag", "int", home.path() + "/int"});
    run({"mkact", "-view", "int", "-headline", "Take dev", "-nc", "take_dev@/pvob"});
    run({"findmerge", home.path() + "/int/src", "-fversion", ".../dev/LATEST", "-merge", "-ci",
         "-nc"});
    ASSERT_EQ(SUM_Stream::construct_from_selector("stream:dev@/pvob", SUM_Vob(), dev), 0);
    ASSERT_EQ(SUM_Stream::construct_from_selector("stream:int@/pvob", SUM_Vob(), integ), 0);
    ASSERT_EQ(SUM_Baseline::construct_from_selector("baseline:DEV1@/pvob", SUM_Vob(), dev1), 0);
    ASSERT_EQ(SUM_View::construct_from_tag("int", int_view), 0);
  }

  std::string diffbl(const std::string& first, const std::string& second) {
    return vantool_out({"diffbl", first, second});
  }
  int record(const SUM_BaselineList& delivered) {
    return dev.record_deliver(integ, delivered, int_view, nullptr);
  }
  // The activities of `source` that BaselineDiff finds missing from int:
  // on the first side only, or further on it.
  std::vector<std::string> missing_from_int(const SUM_BaselineVR& source) {
    BaselineDiffList diffs;
    EXPECT_EQ(BaselineDiff::compare(source, integ, diffs), 0);
    std::vector<std::string> out;
    for (unsigned i = 0; i < diffs.count(); ++i)
      if (diffs[i].first_count() != BaselineDiff::kNoCount &&
          (diffs[i].second_count() == BaselineDiff::kNoCount ||
           diffs[i].first_count() > diffs[i].second_count()))
        out.push_back(diffs[i].activity().any_name());
    return out;
  }
  // int's timeline of src as (raw kind, object) pairs.
  std::vector<std::pair<int, tbs_dbid_t>> int_entries() {
    SUM_Component src;
    SUM_Timeline timeline;
    SUM_TimelineEntryList entries;
    EXPECT_EQ(dev1.component(src), 0);
    EXPECT_EQ(integ.component_timeline(src, timeline), 0);
    EXPECT_EQ(timeline.entries(entries), 0);
    std::vector<std::pair<int, tbs_dbid_t>> out;
    for (unsigned i = 0; i < entries.count(); ++i)
      out.emplace_back(entries[i].raw_kind(), entries[i].dbid());
    return out;
  }
  int delivered(const SUM_Baseline& baseline) {
    int result = -1;
    EXPECT_EQ(baseline.has_been_delivered(result), 0);
    return result;
  }
  int ancestor(const SUM_Baseline& a, const SUM_Baseline& of) {
    SUM_BaselineList candidates;
    candidates.append(of);
    int result = -1;
    EXPECT_EQ(a.is_ancestor_of(candidates, result), 0);
    return result;
  }
  SUM_BaselineList list(std::initializer_list<SUM_Baseline> baselines) {
    SUM_BaselineList out;
    for (const SUM_Baseline& b : baselines)
      out.append(b);
    return out;
  }

  SUM_Stream dev, integ;
  SUM_Baseline dev1;
  SUM_View int_view;
};

const char* const kBefore =
    "Comparing stream \"dev@/pvob\" with stream \"int@/pvob\":\n"
    "<< work@/pvob \"work\"\n"
    ">> take_dev@/pvob \"Take dev\"\n";
const char* const kAfter =
    "Comparing stream \"dev@/pvob\" with stream \"int@/pvob\":\n"
    ">> take_dev@/pvob \"Take dev\"\n";

TEST_F(StreamDeliverTest, ARecordedDeliveryLeavesNothingToDeliver) {
  // The merged versions alone do not tell int holds dev's work.
  EXPECT_EQ(diffbl("stream:dev@/pvob", "stream:int@/pvob"), kBefore);
  EXPECT_EQ(missing_from_int(SUM_BaselineVR(dev1)), std::vector<std::string>{"work@/pvob"});
  EXPECT_EQ(delivered(dev1), 0);

  ASSERT_EQ(record(list({dev1})), 0);
  EXPECT_EQ(diffbl("stream:dev@/pvob", "stream:int@/pvob"), kAfter);
  EXPECT_EQ(diffbl("DEV1@/pvob", "stream:int@/pvob"),
            "Comparing baseline \"DEV1@/pvob\" with stream \"int@/pvob\":\n"
            ">> take_dev@/pvob \"Take dev\"\n");
  EXPECT_TRUE(missing_from_int(SUM_BaselineVR(dev1)).empty());
  BaselineDiffList diffs;
  int interrupted = -1;
  ASSERT_EQ(BaselineDiff::compare(dev, integ, nullptr, interrupted, diffs), 0);
  ASSERT_EQ(diffs.count(), 1u);
  EXPECT_STREQ(diffs[0].activity().any_name(), "take_dev@/pvob");
  EXPECT_EQ(delivered(dev1), 1);
  int flowed = -1;
  ASSERT_EQ(dev1.has_flowed_to(integ, flowed), 0);
  EXPECT_EQ(flowed, 1);

  // Work done in dev after the delivered baseline still has to go.
  run({"mkact", "-view", "dev", "-headline", "Later", "-nc", "later@/pvob"});
  add_file("dev", "later.txt");
  EXPECT_EQ(diffbl("stream:dev@/pvob", "stream:int@/pvob"),
            "Comparing stream \"dev@/pvob\" with stream \"int@/pvob\":\n"
            ">> take_dev@/pvob \"Take dev\"\n"
            "<< later@/pvob \"Later\"\n");
}

TEST_F(StreamDeliverTest, RecordingTwiceChangesNothingAndUndoingBringsTheDifferenceBack) {
  auto before = int_entries();
  ASSERT_EQ(record(list({dev1})), 0);
  auto recorded = int_entries();
  ASSERT_EQ(recorded.size(), before.size() + 1);
  EXPECT_EQ(recorded.back().first, VOB_ZEM_TL_OTHER);

  // A deliver resumed after a crash records again: nothing doubles.
  ASSERT_EQ(record(list({dev1, dev1})), 0);
  EXPECT_EQ(int_entries(), recorded);
  SUM_TimelineList reached;
  ASSERT_EQ(dev1.timelines_contributed_to(reached), 0);
  EXPECT_EQ(reached.count(), 1u);

  ASSERT_EQ(dev.undo_recorded_deliver(integ, list({dev1}), nullptr), 0);
  EXPECT_EQ(int_entries(), before);
  EXPECT_EQ(delivered(dev1), 0);
  ASSERT_EQ(dev1.timelines_contributed_to(reached), 0);
  EXPECT_EQ(reached.count(), 0u);
  EXPECT_EQ(diffbl("stream:dev@/pvob", "stream:int@/pvob"), kBefore);
  // Nothing recorded is nothing to undo.
  EXPECT_EQ(dev.undo_recorded_deliver(integ, list({dev1}), nullptr), 0);
  EXPECT_EQ(int_entries(), before);
}

TEST_F(StreamDeliverTest, BaselinesOfTheTargetAfterwardsDescendFromTheDeliveredOne) {
  ASSERT_EQ(record(list({dev1})), 0);
  run({"mkbl", "-view", "int", "-nc", "INT1"});
  SUM_Baseline int1;
  ASSERT_EQ(SUM_Baseline::construct_from_selector("baseline:INT1@/pvob", SUM_Vob(), int1), 0);
  EXPECT_EQ(ancestor(dev1, int1), 1);
  EXPECT_EQ(ancestor(int1, dev1), 0);
  SUM_BaselineList next;
  ASSERT_EQ(dev1.successors(next), 0);
  EXPECT_GE(next.find(int1), 0) << "INT1 follows the delivery on int's timeline";

  // INT1 holds the delivered work besides int's own, and nothing of dev's
  // is missing from it.
  EXPECT_EQ(vantool_out({"diffbl", "-predecessor", "INT1@/pvob"}),
            "Comparing baseline \"src_INITIAL@/pvob\" with baseline \"INT1@/pvob\":\n"
            ">> work@/pvob \"work\"\n"
            ">> take_dev@/pvob \"Take dev\"\n");
  EXPECT_EQ(diffbl("DEV1@/pvob", "INT1@/pvob"),
            "Comparing baseline \"DEV1@/pvob\" with baseline \"INT1@/pvob\":\n"
            ">> take_dev@/pvob \"Take dev\"\n");

  // dev may rebase to it. Then dev holds all int has, and int all of dev's
  // work: only the rebase's own activity is left to deliver.
  run({"rebase", "-baseline", "INT1@/pvob", "-view", "dev", "-complete"});
  SUM_Component src;
  SUM_Baseline foundation;
  ASSERT_EQ(dev1.component(src), 0);
  ASSERT_EQ(dev.baseline_util(src, 0, foundation), 0);
  EXPECT_EQ(foundation, int1);
  std::string rebased = diffbl("stream:dev@/pvob", "stream:int@/pvob");
  EXPECT_EQ(rebased.find("work@"), std::string::npos) << rebased;
  EXPECT_EQ(rebased.find("take_dev@"), std::string::npos) << rebased;
  EXPECT_NE(rebased.find("<< rebase.dev."), std::string::npos) << rebased;
}

TEST_F(StreamDeliverTest, ADeliveryThatMergedNothingStillNeedsANewBaseline) {
  // int baselined the merged change before the delivery was recorded: no
  // change of its own is left unrecorded, yet INT0 does not hold DEV1.
  run({"mkbl", "-view", "int", "-nc", "INT0"});
  ASSERT_EQ(record(list({dev1})), 0);
  run({"mkbl", "-view", "int", "-nc", "INT1"});
  SUM_Baseline int0, int1;
  ASSERT_EQ(SUM_Baseline::construct_from_selector("baseline:INT0@/pvob", SUM_Vob(), int0), 0);
  ASSERT_EQ(SUM_Baseline::construct_from_selector("baseline:INT1@/pvob", SUM_Vob(), int1), 0)
      << "a new baseline, not INT0 again";
  EXPECT_EQ(ancestor(dev1, int0), 0);
  EXPECT_EQ(ancestor(dev1, int1), 1);
  EXPECT_EQ(ancestor(int0, int1), 1);
  // With nothing new since, INT1 is what int has.
  run({"mkbl", "-view", "int", "-nc", "INT2"});
  SUM_Baseline int2;
  ImsgCapture capture;
  EXPECT_NE(SUM_Baseline::construct_from_selector("baseline:INT2@/pvob", SUM_Vob(), int2), 0);
}

TEST_F(StreamDeliverTest, RefusedOrEmptyCallsRecordNothing) {
  auto before = int_entries();
  {
    ImsgCapture capture;
    EXPECT_EQ(dev.record_deliver(SUM_Stream(), list({dev1}), int_view, nullptr), 1072);
    EXPECT_EQ(dev.record_deliver(dev, list({dev1}), int_view, nullptr), 1072);
    EXPECT_EQ(record(list({dev1, SUM_Baseline()})), 1072);
    EXPECT_EQ(dev.undo_recorded_deliver(SUM_Stream(), list({dev1}), nullptr), 1072);
  }
  EXPECT_EQ(int_entries(), before);
  EXPECT_EQ(delivered(dev1), 0);

  // A baseline of a component int does not hold is left out.
  run({"mkcomp", "-nroot", "-nc", "other@/pvob"});
  SUM_Baseline other;
  ASSERT_EQ(SUM_Baseline::construct_from_selector("baseline:other_INITIAL@/pvob", SUM_Vob(), other),
            0);
  EXPECT_EQ(record(list({other})), 0);
  EXPECT_EQ(int_entries(), before);
  EXPECT_EQ(delivered(other), 0);
  EXPECT_EQ(record(list({other, dev1})), 0);
  EXPECT_EQ(int_entries().size(), before.size() + 1);
  EXPECT_EQ(delivered(other), 0);
  EXPECT_EQ(delivered(dev1), 1);
}

TEST_F(StreamDeliverTest, ABadDeliveryInABatchWritesNoneOfIt) {
  // The repository call behind record_deliver: one pair naming something
  // that is no timeline refuses the whole batch.
  SUM_Component src;
  SUM_Timeline timeline;
  ASSERT_EQ(dev1.component(src), 0);
  ASSERT_EQ(integ.component_timeline(src, timeline), 0);
  auto before = int_entries();
  std::vector<vob_zem_tl_contrib_t> pairs(2);
  pairs[0].baseline = dev1.dbid();
  pairs[0].timeline = timeline.dbid();
  pairs[1].baseline = dev1.dbid();
  pairs[1].timeline = integ.dbid();
  size_t recorded = 99;
  {
    ImsgCapture capture;
    EXPECT_EQ(vob_zem_timeline_record_contribs(integ.vob().handle(), pairs, nullptr, &recorded),
              1004);
    EXPECT_NE(capture.joined(IMSG_ERROR).find("timeline"), std::string::npos)
        << capture.joined(IMSG_ERROR);
  }
  EXPECT_EQ(recorded, 99u);
  EXPECT_EQ(int_entries(), before);
  EXPECT_EQ(delivered(dev1), 0);

  // The second delivery fails once the first is written (dev's own timeline
  // is locked): the first goes back too.
  SUM_Timeline dev_timeline;
  ASSERT_EQ(dev.component_timeline(src, dev_timeline), 0);
  ASSERT_EQ(vob_obj_lock(dev.vob().handle(), dev_timeline.dbid(), 0, {}, nullptr), 0);
  pairs[1].timeline = dev_timeline.dbid();
  {
    ImsgCapture capture;
    EXPECT_EQ(vob_zem_timeline_record_contribs(integ.vob().handle(), pairs, nullptr, &recorded),
              1040);
  }
  EXPECT_EQ(int_entries(), before);
  EXPECT_EQ(delivered(dev1), 0);

  pairs.resize(1);
  ASSERT_EQ(vob_zem_timeline_record_contribs(integ.vob().handle(), pairs, nullptr, &recorded), 0);
  EXPECT_EQ(recorded, 1u);
  ASSERT_EQ(vob_zem_timeline_record_contribs(integ.vob().handle(), pairs, nullptr, &recorded), 0);
  EXPECT_EQ(recorded, 0u);
  size_t removed = 99;
  ASSERT_EQ(vob_zem_timeline_remove_contribs(integ.vob().handle(), pairs, nullptr, &removed), 0);
  EXPECT_EQ(removed, 1u);
  EXPECT_EQ(int_entries(), before);
}

TEST_F(StreamDeliverTest, TheDeliverViewIsRememberedWhileItExists) {
  SUM_View found;
  EXPECT_EQ(integ.deliver_view(found), SUM_NOT_FOUND) << "none remembered yet";
  ASSERT_EQ(integ.set_deliver_view(int_view), 0);
  ASSERT_EQ(integ.deliver_view(found), 0);
  EXPECT_EQ(found, int_view);
  SUM_String stored;
  ASSERT_EQ(integ.pvar(PVAR_ZEM_STRM_ZEM_DELIVER_INTEGRATION_VIEW, stored), 0);
  SUM_Uuid uuid;
  ASSERT_EQ(int_view.uuid(uuid), 0);
  EXPECT_EQ(std::string(stored), std::string(uuid.string()));

  // A view removed since is none.
  run({"mkview", "-stream", "int@/pvob", "-tag", "spare", home.path() + "/spare"});
  SUM_View spare;
  ASSERT_EQ(SUM_View::construct_from_tag("spare", spare), 0);
  ASSERT_EQ(integ.set_deliver_view(spare), 0);
  run({"rmview", "-tag", "spare"});
  EXPECT_EQ(integ.deliver_view(found), SUM_NOT_FOUND);

  ASSERT_EQ(integ.set_pvar(PVAR_ZEM_STRM_ZEM_DELIVER_INTEGRATION_VIEW, "not-a-uuid",
                           SUM_Stream::kOpChange, ""),
            0);
  ImsgCapture capture;
  EXPECT_EQ(integ.deliver_view(found), SUM_FAILED);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "Unable to convert uuid \"not-a-uuid\".\n");
  EXPECT_EQ(integ.set_deliver_view(SUM_View()), 1072);
}

}  // namespace
