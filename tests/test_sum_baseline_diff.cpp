// Baseline comparison through the library on a project made with vantool:
// versions of the differing activities by count range, the latest version
// per element across activities, the changed elements and components, the
// merging of per-component lists, composites whose members moved on
// (dependent differences with their members' activities), and the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "services/vob.h"
#include "services/vob_elem.h"
#include "services/vob_zem_activity.h"
#include "sum/sum_activity.h"
#include "sum/sum_baseline.h"
#include "sum/sum_baseline_dependency.h"
#include "sum/sum_baseline_diff.h"
#include "sum/sum_baseline_diff2.h"
#include "sum/sum_baseline_graph.h"
#include "sum/sum_callbacks.h"
#include "sum/sum_hash_tab.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"
#include "sum/sum_version.h"
#include "support/imsg_capture.h"
#include "support/project_builder.h"
#include "support/sandbox.h"
#include "support/vantool_runner.h"
#include "sum_p2_project_fixture.h"

namespace {

using test_support::ImsgCapture;
using test_support::vantool;

std::string all_text(const ImsgCapture& capture) {
  std::string out;
  for (const auto& message : capture.all())
    out += message.second;
  return out;
}

class BaselineDiffTest : public zem_test::P2ProjectTest {
 protected:
  // As in the project fixture; then "second" changes a.txt twice (baseline
  // B2).
  void SetUp() override {
    P2ProjectTest::SetUp();
    run({"mkact", "-view", "intv", "-headline", "Second", "-nc", "second@/pvob"});
    edit("a.txt", "a2\n");
    edit("a.txt", "a3\n");
    run({"mkbl", "-view", "intv", "-component", "src@/pvob", "-nc", "B2"});
    ASSERT_EQ(SUM_Stream::construct_from_selector("p2int@/pvob", SUM_Vob(), stream), 0);
  }

  SUM_Baseline baseline(const char* name) {
    SUM_Baseline out;
    EXPECT_EQ(SUM_Baseline::construct_from_selector(name, SUM_Vob(), out), 0) << name;
    return out;
  }
  SUM_Component component(const char* name) {
    SUM_Component out;
    EXPECT_EQ(SUM_Component::construct_from_selector(name, SUM_Vob(), out), 0) << name;
    return out;
  }
  // A composite baseline of sys made in p2int with `members`.
  SUM_Baseline composite(const char* name, const SUM_Baseline& member) {
    SUM_Timeline timeline;
    EXPECT_EQ(stream.component_timeline_autocreate(component("sys@/pvob"), timeline), 0);
    SUM_BaselineList members;
    members.append(member);
    SUM_Baseline made;
    EXPECT_EQ(SUM_Baseline::create_and_reorder(timeline, name, SUM_ActivityList(), members, "", 0,
                                               -1, SUM_TimelineEntryList(), made),
              0);
    return made;
  }
  BaselineDiffList compare(const SUM_Baseline& a, const SUM_Baseline& b) {
    BaselineDiffList out;
    EXPECT_EQ(BaselineDiff::compare(SUM_BaselineVR(a), SUM_BaselineVR(b), out), 0);
    return out;
  }
  // The count of the one activity that differs between `a` and `b` on b's
  // side.
  unsigned diffs_count_of(const char* a, const char* b) {
    BaselineDiffList diffs = compare(baseline(a), baseline(b));
    EXPECT_EQ(diffs.count(), 1u);
    return diffs.count() == 1 ? diffs[0].second_count() : 0;
  }
  static SUM_VersionList list_of_one(const SUM_Version& version) {
    SUM_VersionList out;
    out.append(version);
    return out;
  }
  static std::vector<std::string> names(const BaselineDiffList& diffs) {
    std::vector<std::string> out;
    for (unsigned i = 0; i < diffs.count(); ++i)
      out.push_back(diffs[i].activity().any_fullname());
    return out;
  }
  static std::vector<std::string> paths(const SUM_VersionList& versions) {
    std::vector<std::string> out;
    for (unsigned i = 0; i < versions.count(); ++i) {
      SUM_String name;
      EXPECT_EQ(versions[i].display_name(name), 0);
      std::string text = static_cast<const char*>(name);
      out.push_back(text.substr(text.find("@@")));
    }
    return out;
  }

  SUM_Stream stream;
};

TEST_F(BaselineDiffTest, VersionsFollowTheCountsOfEachSide) {
  BaselineDiffList diffs = compare(baseline("src_INITIAL@/pvob"), baseline("B2@/pvob"));
  ASSERT_EQ(names(diffs), (std::vector<std::string>{"first@/pvob", "second@/pvob"}));
  EXPECT_EQ(diffs[1].kind(), VOB_DIFFCHKPNT_SECOND_ONLY);
  EXPECT_EQ(diffs[1].first_count(), BaselineDiff::kNoCount);
  ASSERT_EQ(diffs[1].comp_diffs().count(), 1u);
  // Absent on the first side, the range starts at 0: both versions of a.txt.
  SUM_VersionList versions;
  ASSERT_EQ(diffs[1].versions(versions), 0);
  EXPECT_EQ(paths(versions), (std::vector<std::string>{"@@/main/p2int/2", "@@/main/p2int/3"}));

  SUM_ComponentList comps;
  ASSERT_EQ(diffs[1].comps(comps), 0);
  ASSERT_EQ(comps.count(), 1u);
  EXPECT_EQ(comps[0], component("src@/pvob"));
}

TEST_F(BaselineDiffTest, ChangedElementsReduceToTheirLatestVersion) {
  BaselineDiffList diffs = compare(baseline("src_INITIAL@/pvob"), baseline("B2@/pvob"));
  SUM_VersionList latest;
  ASSERT_EQ(BaselineDiff::diffs_to_vers(diffs, latest), 0);
  // a.txt once, at version 3 of "second", not version 1 of "first".
  std::vector<std::string> shown = paths(latest);
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown,
            (std::vector<std::string>{"@@/main/p2int/1", "@@/main/p2int/1", "@@/main/p2int/3"}));
  SUM_ElementList elements;
  ASSERT_EQ(BaselineDiff::diffs_to_elems(diffs, elements), 0);
  EXPECT_EQ(elements.count(), 3u);  // the directory, a.txt, b.txt

  // Versions of two elements cannot be ordered.
  LatestVersionList two;
  ASSERT_EQ(BaselineDiff::derive_latest_versions(latest, two), 0);
  ASSERT_EQ(two.count(), 3u);
  ImsgCapture capture;
  EXPECT_EQ(two[0].is_later_than(two[1]), 0);
  EXPECT_NE(all_text(capture).find("Internal error in LatestVersion::is_later_than"),
            std::string::npos)
      << all_text(capture);
}

TEST_F(BaselineDiffTest, VersionsMadeInAStreamAreKeptPerElement) {
  BaselineDiffList diffs = compare(baseline("src_INITIAL@/pvob"), baseline("B2@/pvob"));
  SUM_HashTab<SUM_Element, SUM_Version> table(16);
  ASSERT_EQ(BaselineDiff::diffs_to_vers_in_stream(diffs, stream, table), 0);
  std::vector<std::string> kept;
  SUM_HashTabIter<SUM_Element, SUM_Version> it(table);
  for (it.first(); !it.is_done(); it.next())
    kept.push_back(paths(list_of_one(*it.curr_value()))[0]);
  std::sort(kept.begin(), kept.end());
  // The directory, b.txt and a.txt at its latest version.
  EXPECT_EQ(kept,
            (std::vector<std::string>{"@@/main/p2int/1", "@@/main/p2int/1", "@@/main/p2int/3"}));
  // None of those versions was made in another stream.
  SUM_Stream other;
  ASSERT_EQ(SUM_Stream::construct_from_selector("int@/pvob", SUM_Vob(), other), 0);
  SUM_HashTab<SUM_Element, SUM_Version> none(16);
  ASSERT_EQ(BaselineDiff::diffs_to_vers_in_stream(diffs, other, none), 0);
  EXPECT_EQ(none.is_empty(), 1);

  // Work still checked out cannot be taken.
  run({"mkact", "-view", "intv", "-headline", "Busy", "-nc", "busy@/pvob"});
  run({"co", "-nc", view + "/src/b.txt"});
  BaselineDiffList pending;
  ASSERT_EQ(BaselineDiff::compare(SUM_BaselineVR(baseline("B2@/pvob")), stream, pending), 0);
  ASSERT_EQ(names(pending), (std::vector<std::string>{"busy@/pvob"}));
  ImsgCapture capture;
  EXPECT_EQ(BaselineDiff::diffs_to_vers_in_stream(pending, stream, none), SUM_FAILED);
  EXPECT_NE(all_text(capture).find("is checked out."), std::string::npos) << all_text(capture);
}

TEST_F(BaselineDiffTest, MergedListsHoldOneEntryPerActivity) {
  BaselineDiffList into = compare(baseline("src_INITIAL@/pvob"), baseline("B1@/pvob"));
  BaselineDiffList more = compare(baseline("src_INITIAL@/pvob"), baseline("B2@/pvob"));
  ASSERT_EQ(BaselineDiff::merge_lists(more, into), 0);
  ASSERT_EQ(names(into), (std::vector<std::string>{"first@/pvob", "second@/pvob"}));
  EXPECT_EQ(into[0].comp_diffs().count(), 2u);  // first's records of both lists
  EXPECT_EQ(into[1].comp_diffs().count(), 1u);
}

TEST_F(BaselineDiffTest, ACompositeAgainstANewerCompositeListsItsChangedMember) {
  SUM_Baseline older = composite("SYS1", baseline("B1@/pvob"));
  SUM_Baseline newer = composite("SYS2", baseline("B2@/pvob"));
  BaselineDiff2 diff;
  ASSERT_EQ(BaselineDiff2::construct(older, newer, diff), 0);
  EXPECT_EQ(diff.comp_diffs().count(), 2u);  // sys and its member src
  DependentDiffList members;
  ASSERT_EQ(diff.baseline_diffs(component("sys@/pvob"), members), 0);
  ASSERT_EQ(members.count(), 1u);
  SUM_Baseline a, b;
  members[0].baselines(a, b);
  EXPECT_EQ(members[0].component(), component("src@/pvob"));
  EXPECT_EQ(a, baseline("B1@/pvob"));
  EXPECT_EQ(b, baseline("B2@/pvob"));

  // The activities of the member that moved on, with the callback told.
  struct Heard {
    int calls = 0;
    unsigned percent = 0;
  } heard;
  DiffBaselinesCb cb(
      [](const DiffBaselinesCb& c, int& answer) {
        auto* h = static_cast<Heard*>(c.cd);
        ++h->calls;
        h->percent = c.value;
        answer = 0;
      },
      &heard);
  BaselineDiffList activities;
  ASSERT_EQ(diff.activity_diffs(component("sys@/pvob"), &cb, activities), 0);
  EXPECT_EQ(names(activities), (std::vector<std::string>{"second@/pvob"}));
  EXPECT_EQ(heard.calls, 1);
  EXPECT_EQ(heard.percent, 100u);

  CompDepList deps;
  ASSERT_EQ(diff.comp_deps(deps), 0);
  ASSERT_EQ(deps.count(), 1u);
  EXPECT_EQ(deps[0].dependency(), component("src@/pvob"));
}

TEST_F(BaselineDiffTest, AnActivityRemovedSinceIsLeftOut) {
  // "gone" changes b.txt, is baselined in B3, gives its version to "second"
  // and is then removed (the repository's removal, below the checks that
  // keep users from removing a baselined activity).
  run({"mkact", "-view", "intv", "-headline", "Gone", "-nc", "gone@/pvob"});
  edit("b.txt", "b2\n");
  run({"mkbl", "-view", "intv", "-component", "src@/pvob", "-nc", "B3"});
  EXPECT_EQ(names(compare(baseline("B2@/pvob"), baseline("B3@/pvob"))),
            (std::vector<std::string>{"gone@/pvob"}));
  run({"chact", "-fcset", "gone@/pvob", "-tcset", "second@/pvob", "-view", "intv",
       view + "/src/b.txt"});
  SUM_Activity gone;
  ASSERT_EQ(SUM_Activity::construct_from_selector("gone@/pvob", SUM_Vob(), gone), 0);
  ASSERT_EQ(vob_zem_activity_delete(gone.vob().handle(), gone.dbid(), nullptr), 0);
  EXPECT_TRUE(compare(baseline("B2@/pvob"), baseline("B3@/pvob")).count() == 0);
}

// The versions a baseline's map selects, as "@@/BRANCH/N", sorted.
std::vector<std::string> map_entries(const SUM_Baseline& baseline) {
  SUM_Vermap map;
  SUM_VersionList labeled;
  EXPECT_EQ(baseline.vermap(map), 0);
  EXPECT_EQ(SUM_LabelType(map.vob(), map.dbid()).labeled_versions(labeled), 0);
  std::vector<std::string> out;
  for (unsigned i = 0; i < labeled.count(); ++i) {
    SUM_String name;
    EXPECT_EQ(labeled[i].display_name(name), 0);
    std::string text = static_cast<const char*>(name);
    out.push_back(text.substr(text.find("@@")));
  }
  std::sort(out.begin(), out.end());
  return out;
}

// The map a baseline's map rests on (null when full or none).
SUM_Vermap based_on(const SUM_Baseline& baseline) {
  SUM_Vermap map;
  vob_vermap_info_t info;
  EXPECT_EQ(baseline.vermap(map), 0);
  EXPECT_EQ(vob_vermap_get_info(map.vob().handle(), map.dbid(), &info), 0);
  return info.based_on.empty() ? SUM_Vermap() : SUM_Vermap(map.vob(), info.based_on[0]);
}
SUM_Vermap map_of(const SUM_Baseline& baseline) {
  SUM_Vermap map;
  EXPECT_EQ(baseline.vermap(map), 0);
  return map;
}

TEST_F(BaselineDiffTest, IncrementalLabelsHoldExactlyWhatTheComparisonFinds) {
  // B2's map rests on B1's, adding the latest version of what changed.
  BaselineDiffList diffs = compare(baseline("B1@/pvob"), baseline("B2@/pvob"));
  SUM_VersionList changed;
  ASSERT_EQ(BaselineDiff::diffs_to_vers(diffs, changed), 0);
  EXPECT_EQ(paths(changed), (std::vector<std::string>{"@@/main/p2int/3"}));
  EXPECT_EQ(based_on(baseline("B2@/pvob")), map_of(baseline("B1@/pvob")));
  EXPECT_EQ(map_entries(baseline("B2@/pvob")),
            (std::vector<std::string>{"@@/main/p2int/1", "@@/main/p2int/1", "@@/main/p2int/3"}));

  // A development stream on B2: its first baseline rests on B2's map, the
  // foundation it shares with B2 is no change.
  std::string devview = home.path() + "/p2devv";
  run({"mkstream", "-in", "p2@/pvob", "-baseline", "B2@/pvob", "-nc", "p2dev@/pvob"});
  run({"mkview", "-stream", "p2dev@/pvob", "-tag", "p2devv", devview});
  run({"mkact", "-view", "p2devv", "-headline", "Dev", "-nc", "devact@/pvob"});
  run({"co", "-nc", devview + "/src/b.txt"});
  test_support::write_file(devview + "/src/b.txt", "b-dev\n");
  run({"ci", "-nc", devview + "/src/b.txt"});
  run({"mkbl", "-view", "p2devv", "-component", "src@/pvob", "-nc", "D1"});
  EXPECT_EQ(based_on(baseline("D1@/pvob")), map_of(baseline("B2@/pvob")));
  EXPECT_EQ(
      map_entries(baseline("D1@/pvob")),
      (std::vector<std::string>{"@@/main/p2int/1", "@@/main/p2int/3", "@@/main/p2int/p2dev/1"}));
  EXPECT_EQ(names(compare(baseline("B2@/pvob"), baseline("D1@/pvob"))),
            (std::vector<std::string>{"devact@/pvob"}));
}

TEST_F(BaselineDiffTest, ActivitiesSinceThePredecessorAndCommonAncestorsOfLists) {
  SUM_ActivityList since;
  ASSERT_EQ(baseline("B2@/pvob").activities_since_pred_bl(since), 0);
  ASSERT_EQ(since.count(), 1u);
  EXPECT_EQ(std::string(since[0].any_fullname()), "second@/pvob");
  unsigned count = 0;
  ASSERT_EQ(since[0].mod_count(count), 0);
  EXPECT_EQ(count, diffs_count_of("B1@/pvob", "B2@/pvob"));
  // B1's predecessor is the foundation it was made on.
  ASSERT_EQ(baseline("B1@/pvob").activities_since_pred_bl(since), 0);
  ASSERT_EQ(since.count(), 1u);
  EXPECT_EQ(std::string(since[0].any_fullname()), "first@/pvob");
  ASSERT_EQ(baseline("src_INITIAL@/pvob").activities_since_pred_bl(since), 0);
  EXPECT_EQ(since.count(), 0u);

  std::string plain = home.path() + "/plain";
  run({"mklbtype", "-nc", "REL@/src"});
  run({"mklabel", "-nc", "REL", plain + "/src"});
  run({"mkbl", "-import", "REL", "-component", "src@/pvob", "-nc"});
  SUM_BaselineList ours, theirs;
  ours.append(baseline("B2@/pvob"));
  ours.append(baseline("sys_INITIAL@/pvob"));
  theirs.append(baseline("B1@/pvob"));
  int result = -1;
  ASSERT_EQ(SUM_BaselineGraphs::has_common_ancestor(ours, theirs, result), 0);
  EXPECT_EQ(result, 1);
  theirs.append(baseline("sys_INITIAL@/pvob"));
  theirs[0] = baseline("REL_src_IMPORT@/pvob");
  ASSERT_EQ(SUM_BaselineGraphs::has_common_ancestor(ours, theirs, result), 0);
  EXPECT_EQ(result, 0);
}

TEST_F(BaselineDiffTest, ListComparisonsReportProgressAndStopWhenAsked) {
  // Each component pair compared is reported; an answer of 1 on the second
  // stops the comparison.
  struct Heard {
    std::vector<std::string> texts;
    int stop_at = 0;
  } heard;
  SUM_ProgressCB progress(
      [](const SUM_ProgressCB& cb, int& answer) {
        auto* h = static_cast<Heard*>(cb.cd);
        if (cb.operation != SUM_ProgressCB::COMPARE_BASELINE) {
          answer = 0;
          return;
        }
        h->texts.push_back(static_cast<const char*>(*cb.message));
        answer = static_cast<int>(h->texts.size()) == h->stop_at ? 1 : 0;
      },
      &heard);
  SUM_BaselineVRList first;
  first.append(SUM_BaselineVR(baseline("src_INITIAL@/pvob")));
  first.append(SUM_BaselineVR(baseline("sys_INITIAL@/pvob")));
  BaselineDiffList out;
  int interrupted = -1;
  ASSERT_EQ(BaselineDiff::compare(first, stream, &progress, interrupted, out), 0);
  EXPECT_EQ(interrupted, 0);
  EXPECT_EQ(heard.texts, (std::vector<std::string>{"Comparing baseline 1 of 2.\n",
                                                   "Comparing baseline 2 of 2.\n"}));
  EXPECT_EQ(names(out), (std::vector<std::string>{"first@/pvob", "second@/pvob"}));

  heard.texts.clear();
  heard.stop_at = 2;
  EXPECT_EQ(BaselineDiff::compare(first, stream, &progress, interrupted, out), SUM_FAILED);
  EXPECT_EQ(interrupted, 1);
  EXPECT_EQ(heard.texts.size(), 2u);
}

TEST_F(BaselineDiffTest, RefusalsNameWhatIsWrong) {
  BaselineDiffList out;
  ImsgCapture capture;
  EXPECT_EQ(BaselineDiff::compare(SUM_BaselineVR(baseline("src_INITIAL@/pvob")),
                                  SUM_BaselineVR(baseline("sys_INITIAL@/pvob")), out),
            SUM_FAILED);
  EXPECT_NE(all_text(capture).find("Cannot compare baselines from different components."),
            std::string::npos);
  BaselineDiff2 diff;
  ASSERT_EQ(BaselineDiff2::construct(baseline("B1@/pvob"), baseline("B2@/pvob"), diff), 0);
  EXPECT_EQ(diff.activity_diffs(component("sys@/pvob"), nullptr, out), SUM_FAILED);
  EXPECT_NE(all_text(capture).find("Cannot find component \"sys@/pvob\" among closures."),
            std::string::npos)
      << all_text(capture);
  EXPECT_EQ(BaselineDiff::compare(SUM_BaselineVR(SUM_Baseline()),
                                  SUM_BaselineVR(baseline("B1@/pvob")), out),
            SUM_INTERNAL_ERROR);
}

}  // namespace
