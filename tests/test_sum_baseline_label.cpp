// SUM_Baseline labeling in both storage forms: incremental version maps
// holding the versions a baseline's activities changed (resting on the
// nearest labeled predecessor's map), full maps, the refusals of both
// upgrades, what a view selecting a baseline's map shows, maps in progress,
// and importing a label type as a baseline.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "services/view.h"
#include "services/vob_elem.h"
#include "services/vob_zem_baseline.h"
#include "sum/sum_timeline.h"
#include "sum/sum_version.h"
#include "sum_activity_fixture.h"

namespace {

using act_test::fails_with;
using test_support::out;
using test_support::text;

class BaselineLabelTest : public act_test::ActivityTest {
 protected:
  void SetUp() override {
    ActivityTest::SetUp();
    ASSERT_EQ(integ.component_timeline(comp, timeline), 0);
    ASSERT_EQ(comp.initial_baseline(initial), 0);
    act = make("one");
    a = element_of(a1 = add_file("a.txt", "a1"));
    b = element_of(b1 = add_file("b.txt", "b1"));
    enter(act, a1, 0);
    enter(act, b1, 0);
    enter(act, root_latest(), 0);
  }

  tbs_dbid_t element_of(tbs_dbid_t version) {
    vob_ver_details_t details;
    EXPECT_EQ(vob_ver_get_details(src.handle(), version, &details), 0);
    return details.element;
  }
  tbs_dbid_t root_latest() {
    tbs_dbid_t branch = 0, version = 0;
    EXPECT_EQ(vob_elem_get_main_branch(src.handle(), root_dir, &branch), 0);
    EXPECT_EQ(vob_branch_get_ver(src.handle(), branch, -1, &version), 0);
    return version;
  }
  // A new checked-in version of "/src/<name>", recorded in `activity`.
  tbs_dbid_t edit(const SUM_Activity& activity, const std::string& name,
                  const std::string& content) {
    tbs_dbid_t version = checkout(name, "edit");
    std::ofstream(view_root() + "/src/" + name, std::ios::binary) << content;
    EXPECT_EQ(view_checkin(handle, ("/src/" + name).c_str(), nullptr, &version), 0);
    enter(activity, version, 0);
    return version;
  }
  // A baseline on integ recording `activity` at its current count.
  SUM_Baseline baseline(const char* name) {
    SUM_ComponentList comps;
    SUM_ModCntList counts;
    EXPECT_EQ(act.components_modcnts(comps, counts), 0);
    SUM_Activity counted(act);
    counted.set_mod_count(counts[0].count);
    SUM_ActivityList acts;
    acts.append(counted);
    SUM_Baseline made;
    EXPECT_EQ(SUM_Baseline::create_and_reorder(timeline, name, acts, SUM_BaselineList(), "", 0, -1,
                                               SUM_TimelineEntryList(), made),
              0);
    return made;
  }
  // The version of `element` in the baseline's map (0 when none).
  tbs_dbid_t selected(const SUM_Baseline& baseline, tbs_dbid_t element) {
    SUM_Version version;
    int status = baseline.selected_version(SUM_Element(src, element), version);
    EXPECT_TRUE(status == 0 || status == 1002) << status;
    return status == 0 ? version.dbid() : 0;
  }
  vob_vermap_info_t map_info(const SUM_Baseline& baseline) {
    SUM_Vermap map;
    EXPECT_EQ(baseline.vermap(map), 0);
    vob_vermap_info_t info;
    EXPECT_EQ(vob_vermap_get_info(src.handle(), map.dbid(), &info), 0);
    return info;
  }
  int status_of(const SUM_Baseline& baseline) {
    return out(baseline, &SUM_Baseline::labeling_status);
  }
  std::string refusal(const char* format, const SUM_Baseline& baseline) {
    std::string message = format;
    return message.replace(message.find("%s"), 2, baseline.any_fullname());
  }

  SUM_Timeline timeline;
  SUM_Baseline initial;
  SUM_Activity act;
  tbs_dbid_t a1 = 0, b1 = 0, a = 0, b = 0;
};

TEST_P(BaselineLabelTest, FirstLabelHoldsTheWholeComponent) {
  SUM_Baseline first = baseline("first");
  EXPECT_EQ(status_of(first), SUM_Baseline::UNLABELED);
  EXPECT_EQ(out(first, &SUM_Baseline::has_vermap), 0);
  ASSERT_EQ(first.upgrade_to_incremental(nullptr, "label", 0), 0);
  EXPECT_EQ(status_of(first), SUM_Baseline::INCREMENTAL);
  EXPECT_EQ(text(first, &SUM_Baseline::config_str), "first");
  EXPECT_EQ(selected(first, a), a1);
  EXPECT_EQ(selected(first, b), b1);
  EXPECT_EQ(selected(first, root_dir), root_latest());
  EXPECT_TRUE(map_info(first).based_on.empty());
  int labeled = 0;
  ASSERT_EQ(first.is_labeled(labeled, 1), 0);
  EXPECT_EQ(labeled, 1);
}

TEST_P(BaselineLabelTest, IncrementalLabelsOnlyTheRecordedChanges) {
  SUM_Baseline first = baseline("first");
  ASSERT_EQ(first.upgrade_to_incremental(nullptr, "", 0), 0);
  tbs_dbid_t a2 = edit(act, "a.txt", "a2");
  SUM_Activity other = make("other");
  tbs_dbid_t b2 = edit(other, "b.txt", "b2");  // not recorded by the baseline
  SUM_Baseline second = baseline("second");
  ASSERT_EQ(second.upgrade_to_incremental("second_map", "", 0), 0);

  vob_vermap_info_t info = map_info(second);
  EXPECT_EQ(info.incremental, 1);
  SUM_Vermap first_map;
  ASSERT_EQ(first.vermap(first_map), 0);
  EXPECT_EQ(info.based_on, std::vector<tbs_dbid_t>{first_map.dbid()});
  EXPECT_EQ(selected(second, a), a2);
  EXPECT_EQ(selected(second, b), b1);
  EXPECT_EQ(text(second, &SUM_Baseline::config_str), "second_map");
  // The earlier map is unchanged.
  EXPECT_EQ(selected(first, a), a1);
  // The new map holds no version of b itself: moving the earlier map's
  // label of b moves what the new one resolves.
  ASSERT_EQ(vob_ver_add_labels(src.handle(), first_map.dbid(), {b2}, nullptr), 0);
  EXPECT_EQ(selected(second, b), b2);
  EXPECT_EQ(selected(second, a), a2);
}

TEST_P(BaselineLabelTest, RemovalTakesTheVersionMapWithIt) {
  SUM_Baseline first = baseline("first");
  ASSERT_EQ(first.upgrade_to_incremental(nullptr, "", 0), 0);
  edit(act, "a.txt", "a2");
  SUM_Baseline second = baseline("second");
  ASSERT_EQ(second.upgrade_to_incremental("second_map", "", 0), 0);
  SUM_Vermap first_map, second_map;
  ASSERT_EQ(first.vermap(first_map), 0);
  ASSERT_EQ(second.vermap(second_map), 0);
  vob_vermap_info_t info;
  {
    // The later map builds on the first one: the baseline goes, the map it
    // needs stays, and the user is told.
    test_support::ImsgCapture capture;
    ASSERT_EQ(first.destroy("gone"), 0);
    EXPECT_NE(capture.joined(IMSG_ERROR).find("Cannot remove associated version map"),
              std::string::npos);
    EXPECT_EQ(vob_vermap_get_info(src.handle(), first_map.dbid(), &info), 0);
  }
  ASSERT_EQ(second.destroy("gone"), 0);
  EXPECT_NE(vob_vermap_get_info(src.handle(), second_map.dbid(), &info), 0);
  SUM_LabelType gone;
  EXPECT_NE(SUM_LabelType::construct_from_selector("lbtype:second_map@/src", SUM_Vob(), gone), 0);
}

TEST_P(BaselineLabelTest, UnlabeledPredecessorsChangesAreLabeledToo) {
  SUM_Baseline first = baseline("first");
  ASSERT_EQ(first.upgrade_to_incremental(nullptr, "", 0), 0);
  tbs_dbid_t a2 = edit(act, "a.txt", "a2");
  SUM_Baseline skipped = baseline("skipped");
  tbs_dbid_t b2 = edit(act, "b.txt", "b2");
  SUM_Baseline last = baseline("last");
  ASSERT_EQ(last.upgrade_to_incremental(nullptr, "", 0), 0);
  EXPECT_EQ(status_of(skipped), SUM_Baseline::UNLABELED);
  EXPECT_EQ(selected(last, a), a2);
  EXPECT_EQ(selected(last, b), b2);
}

TEST_P(BaselineLabelTest, FullLabelHoldsTheConfigurationItself) {
  SUM_Baseline first = baseline("first");
  ASSERT_EQ(first.upgrade_to_incremental(nullptr, "", 0), 0);
  tbs_dbid_t a2 = edit(act, "a.txt", "a2");
  SUM_Baseline second = baseline("second");
  ASSERT_EQ(second.upgrade_to_incremental(nullptr, "", 0), 0);
  ASSERT_EQ(second.upgrade_to_full("full"), 0);
  EXPECT_EQ(status_of(second), SUM_Baseline::FULL);
  vob_vermap_info_t info = map_info(second);
  EXPECT_EQ(info.incremental, 0);
  EXPECT_TRUE(info.based_on.empty());
  SUM_Vermap map;
  ASSERT_EQ(second.vermap(map), 0);
  SUM_LabelType as_type(src, map.dbid());
  SUM_VersionList labeled;
  ASSERT_EQ(as_type.labeled_versions(labeled), 0);
  std::vector<tbs_dbid_t> dbids;
  for (unsigned i = 0; i < labeled.count(); ++i)
    dbids.push_back(labeled[i].dbid());
  EXPECT_NE(std::find(dbids.begin(), dbids.end(), a2), dbids.end());
  EXPECT_NE(std::find(dbids.begin(), dbids.end(), b1), dbids.end());
  EXPECT_NE(std::find(dbids.begin(), dbids.end(), root_latest()), dbids.end());
}

TEST_P(BaselineLabelTest, UpgradesRefuseWhatTheStatusForbids) {
  SUM_Baseline incremental = baseline("incremental");
  SUM_Baseline full = baseline("full");
  SUM_Baseline unlabeled = baseline("unlabeled");
  ASSERT_EQ(incremental.upgrade_to_incremental(nullptr, "", 0), 0);
  ASSERT_EQ(full.upgrade_to_incremental(nullptr, "", 0), 0);
  ASSERT_EQ(full.upgrade_to_full(""), 0);

  EXPECT_TRUE(fails_with(
      1001,
      refusal("Baseline \"%s\" must be incrementally labeled before it can be fully labeled.\n",
              unlabeled),
      [&] { return unlabeled.upgrade_to_full(""); }));
  EXPECT_TRUE(fails_with(1001, refusal("Baseline \"%s\" is already fully labeled.\n", full),
                         [&] { return full.upgrade_to_full(""); }));
  EXPECT_TRUE(fails_with(
      1001, refusal("Cannot change the labeling status of the initial baseline \"%s\".\n", initial),
      [&] { return initial.upgrade_to_full(""); }));
  EXPECT_TRUE(fails_with(
      1001,
      refusal("Cannot change fully labeled baseline \"%s\" to incrementally labeled.\n", full),
      [&] { return full.upgrade_to_incremental(nullptr, "", 0); }));
  EXPECT_TRUE(
      fails_with(1001, refusal("Baseline \"%s\" is already incrementally labeled.\n", incremental),
                 [&] { return incremental.upgrade_to_incremental(nullptr, "", 0); }));
  EXPECT_EQ(status_of(unlabeled), SUM_Baseline::UNLABELED);
  EXPECT_EQ(status_of(full), SUM_Baseline::FULL);
}

TEST_P(BaselineLabelTest, ViewSelectingTheMapShowsTheBaselinedVersions) {
  SUM_Baseline first = baseline("first");
  ASSERT_EQ(first.upgrade_to_incremental(nullptr, "", 0), 0);
  tbs_dbid_t a2 = edit(act, "a.txt", "a2");
  SUM_Activity other = make("other");
  edit(other, "b.txt", "b2");
  SUM_Baseline second = baseline("second");
  ASSERT_EQ(second.upgrade_to_incremental(nullptr, "", 0), 0);

  ASSERT_EQ(view_set_spec(handle, "element * " + text(second, &SUM_Baseline::config_str) + "\n"),
            0);
  view_path_info_t info;
  ASSERT_EQ(view_lookup(handle, "/src/a.txt", &info), 0);
  EXPECT_EQ(info.version, a2);
  ASSERT_EQ(view_lookup(handle, "/src/b.txt", &info), 0);
  EXPECT_EQ(info.version, b1);

  ASSERT_EQ(view_set_spec(handle, "element * " + text(first, &SUM_Baseline::config_str) + "\n"), 0);
  ASSERT_EQ(view_lookup(handle, "/src/a.txt", &info), 0);
  EXPECT_EQ(info.version, a1);
}

TEST_P(BaselineLabelTest, MapNamesMarkLabelingInProgress) {
  SUM_Baseline done = baseline("done");
  SUM_Baseline busy = baseline("busy");
  ASSERT_EQ(done.upgrade_to_incremental(nullptr, "", 0), 0);
  ASSERT_EQ(busy.upgrade_to_incremental("busy_in_progress", "", 0), 0);
  EXPECT_EQ(out(done, &SUM_Baseline::is_in_progress), 0);
  EXPECT_EQ(out(busy, &SUM_Baseline::is_in_progress), 1);
  EXPECT_EQ(out(baseline("unlabeled"), &SUM_Baseline::is_in_progress), 0);
}

TEST_P(BaselineLabelTest, ImportingALabelTypeMakesAFullBaseline) {
  SUM_LabelType rel;
  ASSERT_EQ(SUM_LabelType::create(src, "REL1", "", rel), 0);
  SUM_VersionList versions;
  versions.append(SUM_Version(src, root_latest()));
  versions.append(SUM_Version(src, a1));
  ASSERT_EQ(rel.apply_to_versions(versions, nullptr, ""), 0);

  SUM_Baseline imported;
  ASSERT_EQ(SUM_Baseline::create_import(rel, nullptr, comp, "import", imported), 0);
  EXPECT_EQ(text(imported, &SUM_NamedObject::name), "REL1_src_IMPORT");
  EXPECT_EQ(out(imported, &SUM_Baseline::is_import), 1);
  EXPECT_EQ(out(initial, &SUM_Baseline::is_import), 0);
  EXPECT_EQ(status_of(imported), SUM_Baseline::FULL);
  EXPECT_EQ(text(imported, &SUM_Baseline::config_str), "REL1");
  EXPECT_EQ(selected(imported, a), a1);
  EXPECT_EQ(selected(imported, b), 0u);
}

TEST_P(BaselineLabelTest, ImportRefusesForeignLabelTypesAndRootlessComponents) {
  SUM_LabelType foreign;
  ASSERT_EQ(SUM_LabelType::create(pvob, "ELSEWHERE", "", foreign), 0);
  SUM_Baseline made;
  EXPECT_TRUE(
      fails_with(1001,
                 "Cannot import lbtype \"ELSEWHERE\" from VOB \"/pvob\" to component \"" +
                     std::string(comp.any_fullname()) +
                     "\" in VOB \"/src\".  Lbtype and component root directory must be "
                     "in the same VOB.\n",
                 [&] { return SUM_Baseline::create_import(foreign, nullptr, comp, "", made); }));
  SUM_Component bare;
  ASSERT_EQ(SUM_Component::create(pvob, "bare", SUM_VobObject(), nullptr, nullptr, "", bare), 0);
  SUM_LabelType rel;
  ASSERT_EQ(SUM_LabelType::create(src, "REL2", "", rel), 0);
  EXPECT_TRUE(fails_with(
      1001, "Cannot import to rootless component \"" + std::string(bare.any_fullname()) + "\".\n",
      [&] { return SUM_Baseline::create_import(rel, nullptr, bare, "", made); }));
  SUM_BaselineList main_baselines;
  SUM_Timeline main;
  ASSERT_EQ(comp.main_timeline(main), 0);
  ASSERT_EQ(main.baselines(main_baselines), 0);
  EXPECT_EQ(main_baselines.count(), 1u);  // the initial baseline only
}

TEST_P(BaselineLabelTest, FailedImportLeavesNoBaseline) {
  SUM_Baseline first = baseline("first");
  ASSERT_EQ(first.upgrade_to_incremental(nullptr, "", 0), 0);
  SUM_Vermap map;
  ASSERT_EQ(first.vermap(map), 0);
  SUM_Baseline made;
  // An incremental map cannot become an imported configuration.
  EXPECT_TRUE(test_support::fails_mentioning(
      1001,
      "Unable to import label type \"first\" for component \"" + std::string(comp.any_fullname()) +
          "\".\n",
      [&] {
        return SUM_Baseline::create_import(SUM_LabelType(src, map.dbid()), "imported", comp, "",
                                           made);
      }));
  SUM_Baseline gone;
  EXPECT_EQ(SUM_Baseline::construct_from_selector("imported", pvob, gone), 1002);
  EXPECT_EQ(status_of(first), SUM_Baseline::INCREMENTAL);
}

TEST_P(BaselineLabelTest, MapsStayWithTheirBaselines) {
  SUM_Baseline first = baseline("first");
  ASSERT_EQ(first.upgrade_to_incremental(nullptr, "", 0), 0);
  edit(act, "a.txt", "a2");
  SUM_Baseline second = baseline("second");
  ASSERT_EQ(second.upgrade_to_incremental(nullptr, "", 0), 0);
  SUM_Vermap first_map, second_map;
  ASSERT_EQ(first.vermap(first_map), 0);
  ASSERT_EQ(second.vermap(second_map), 0);

  EXPECT_TRUE(fails_with(1003,
                         "Baseline \"baseline:first@/pvob\" already has the version map "
                         "\"first\".\n",
                         [&] { return first.set_vermap(second_map); }));
  EXPECT_EQ(text(first, &SUM_Baseline::config_str), "first");
  EXPECT_TRUE(fails_with(
      1001, "Version map \"first\" cannot be removed: version map \"second\" is based on it.\n",
      [&] { return vob_zem_vermap_delete(src.handle(), first_map.dbid(), nullptr); }));
  ASSERT_EQ(vob_zem_vermap_delete(src.handle(), second_map.dbid(), nullptr), 0);
  EXPECT_EQ(vob_zem_vermap_delete(src.handle(), first_map.dbid(), nullptr), 0);
}

INSTANTIATE_TEST_SUITE_P(Forms, BaselineLabelTest, ::testing::Values(8, 6), act_test::level_name);

}  // namespace
