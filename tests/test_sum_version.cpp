// The handles of versioned files: versions and their elements, branches and
// predecessors; the order of versions in a change-set element; checking out
// one element through a view with its callback; label types, version maps
// and the baseline question; branch types leading to their stream; the
// activity of a version.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/cmd_findmerge.h"
#include "services/view.h"
#include "services/vob_elem.h"
#include "services/vob_zem_activity.h"
#include "sum/sum_activity.h"
#include "sum/sum_baseline.h"
#include "sum/sum_callbacks.h"
#include "sum/sum_component.h"
#include "sum/sum_folder.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "sum/sum_version.h"
#include "sum/sum_view.h"
#include "support/vob_elem_fixture.h"
#include "vob_zem_fixture.h"

namespace {

using test_support::make_test_vob;
using test_support::TempHome;
using test_support::VobElemFixture;
using zem_test::ScopedEnv;

class VersionTest : public VobElemFixture {
 protected:
  void SetUp() override {
    VobElemFixture::SetUp();
    src = SUM_Vob(vob);
    element = make_file("f.txt", {"one", "two", "three"});
    v3 = SUM_Version(src, lookup(element, "/main/3"));
    v2 = SUM_Version(src, lookup(element, "/main/2"));
  }
  SUM_Version version(tbs_dbid_t dbid) const { return SUM_Version(src, dbid); }
  SUM_View make_view(const char* tag) {
    view_create_args_t args;
    args.tag = tag;
    args.root = home.path() + "/roots/" + tag;
    EXPECT_EQ(view_create(args, nullptr), 0);
    SUM_View view;
    EXPECT_EQ(SUM_View::construct_from_tag(tag, view), 0);
    return view;
  }

  SUM_Vob src;
  tbs_dbid_t element = 0;
  SUM_Version v2, v3;
};

TEST_F(VersionTest, VersionKnowsItsElementBranchNumberAndPredecessor) {
  SUM_Element of;
  ASSERT_EQ(v3.element(of), 0);
  EXPECT_EQ(of, SUM_Element(src, element));
  SUM_Branch on;
  ASSERT_EQ(v3.branch(on), 0);
  EXPECT_EQ(on.dbid(), main_branch(element));
  long number = 0;
  ASSERT_EQ(v3.version_number(number), 0);
  EXPECT_EQ(number, 3);
  ASSERT_EQ(v3.pred_version_number(number), 0);
  EXPECT_EQ(number, 2);
  SUM_Version first(src, lookup(element, "/main/0"));
  SUM_Version none;
  EXPECT_EQ(first.pred_version(none), 1002);

  SUM_Version co = version(checkout(element));
  int checked_out = 0;
  ASSERT_EQ(co.is_checked_out(checked_out), 0);
  EXPECT_EQ(checked_out, 1);
  ASSERT_EQ(co.version_number(number), 0);
  EXPECT_EQ(number, -1);
  ASSERT_EQ(co.pred_version_number(number), 0);
  EXPECT_EQ(number, 3);
  SUM_String shown;
  ASSERT_EQ(co.display_name(shown), 0);
  EXPECT_NE(std::string(shown).find("@@/main/CHECKEDOUT"), std::string::npos) << shown;

  EXPECT_EQ(SUM_Version().element(of), 1072);

  fcset_key_t key;
  key.vob = vob;
  key.element = element;
  key.version = v2.dbid();
  SUM_Version keyed;
  ASSERT_EQ(SUM_Version::construct_from_fcset_key(key, keyed), 0);
  EXPECT_EQ(keyed, v2);
  key.version = 0;
  EXPECT_EQ(SUM_Version::construct_from_fcset_key(key, keyed), 1072);
}

TEST_F(VersionTest, ElementsOfManyVersionsComeInInputOrderAcrossVobs) {
  SUM_Vob other(make_test_vob("/other"));
  tbs_dbid_t other_root = 0;
  ASSERT_EQ(vob_ob_get_wk_obj(other.handle(), VOB_WK_ROOT_DIRECTORY, &other_root), 0);
  tbs_dbid_t other_v0 = 0;
  ASSERT_EQ(vob_ver_lookup(other.handle(), other_root, "/main/0", &other_v0), 0);
  tbs_dbid_t second = make_file("g.txt", {"g"});

  SUM_VersionList versions;
  versions.append(v3);
  versions.append(SUM_Version(other, other_v0));
  versions.append(version(lookup(second, "/main/1")));
  versions.append(v2);
  SUM_ElementList elements;
  ASSERT_EQ(SUM_Version::elements(versions, elements), 0);
  ASSERT_EQ(elements.count(), 4u);
  EXPECT_EQ(elements[0], SUM_Element(src, element));
  EXPECT_EQ(elements[1], SUM_Element(other, other_root));
  EXPECT_EQ(elements[2], SUM_Element(src, second));
  EXPECT_EQ(elements[3], SUM_Element(src, element));
}

TEST_F(VersionTest, ChangeSetElementOrdersACheckoutAfterItsPredecessor) {
  SUM_Version co = version(checkout(element));
  int before = -1;
  ASSERT_EQ(SUM_ChangeSetElement::compare_order(v3, co, before), 0);
  EXPECT_EQ(before, 1);
  ASSERT_EQ(SUM_ChangeSetElement::compare_order(co, v3, before), 0);
  EXPECT_EQ(before, 0);
  ASSERT_EQ(SUM_ChangeSetElement::compare_order(v2, v3, before), 0);
  EXPECT_EQ(before, 1);

  SUM_ChangeSetElement entry(SUM_Element(src, element));
  SUM_Version got;
  EXPECT_EQ(entry.latest_version(got), 1002);
  ASSERT_EQ(entry.add_version(co), 0);  // inserted before its predecessor
  ASSERT_EQ(entry.add_version(v3), 0);
  ASSERT_EQ(entry.add_version(v2), 0);
  EXPECT_EQ(entry.number_of_versions_in_change_set(), 3u);
  ASSERT_EQ(entry.latest_version(got), 0);
  EXPECT_EQ(got, co);
  ASSERT_EQ(entry.earliest_version(got), 0);
  EXPECT_EQ(got, v2);
  int has = 0;
  ASSERT_EQ(entry.has_checkouts(has), 0);
  EXPECT_EQ(has, 1);
  ASSERT_EQ(entry.change_set_version_at(1, got), 0);
  EXPECT_EQ(got, v3);
  EXPECT_EQ(entry.change_set_version_at(3, got), 1072);

  ASSERT_EQ(entry.remove_version(co), 0);
  ASSERT_EQ(entry.has_checkouts(has), 0);
  EXPECT_EQ(has, 0);
  ASSERT_EQ(entry.latest_version(got), 0);
  EXPECT_EQ(got, v3);

  tbs_dbid_t other = make_file("other.txt", {"x"});
  EXPECT_EQ(entry.add_version(version(lookup(other, "/main/1"))), 1072)
      << "a version of another element";
  EXPECT_EQ(entry.number_of_versions_in_change_set(), 2u);
}

// Records the phases an element callback is told; answers `stop_at` with 1.
struct PhaseLog {
  std::vector<unsigned> phases;
  unsigned stop_at = 99;
};
void log_phase(const SUM_ElementCB& cb, int& answer) {
  auto* log = static_cast<PhaseLog*>(cb.cd);
  log->phases.push_back(cb.value1);
  answer = cb.value1 == log->stop_at ? 1 : 0;
}

TEST_F(VersionTest, ElementCheckoutThroughAViewAndTheViewHoldingIt) {
  SUM_View view = make_view("work");
  SUM_Element file(src, element);
  SUM_Version selected;
  ASSERT_EQ(SUM_Version::construct_from_element(file, "work", selected), 0);
  EXPECT_EQ(selected, v3);

  PhaseLog stopped;
  stopped.stop_at = 0;
  SUM_ElementCB stop_cb(log_phase, &stopped);
  int stop = 0;
  ASSERT_EQ(file.checkout(view, &stop_cb, stop), 0);
  EXPECT_EQ(stop, 1);
  std::vector<tbs_dbid_t> held;
  ASSERT_EQ(vob_elem_next_ckouts(vob, element, held), 0);
  EXPECT_TRUE(held.empty()) << "stopped before anything was checked out";

  PhaseLog log;
  SUM_ElementCB cb(log_phase, &log);
  ASSERT_EQ(file.checkout(view, &cb, stop), 0);
  EXPECT_EQ(stop, 0);
  EXPECT_EQ(log.phases, (std::vector<unsigned>{0, 1}));
  ASSERT_EQ(vob_elem_next_ckouts(vob, element, held), 0);
  ASSERT_EQ(held.size(), 1u);
  SUM_View holder;
  ASSERT_EQ(version(held[0]).get_checked_out_to_view(holder), 0);
  EXPECT_EQ(holder, view);
  ASSERT_EQ(SUM_Version::construct_from_element(file, "work", selected), 0);
  EXPECT_EQ(selected.dbid(), held[0]) << "the view now selects its checkout";
  EXPECT_EQ(v3.get_checked_out_to_view(holder), 1002);
}

TEST_F(VersionTest, LabelTypesVersionMapsAndTheBaselineQuestion) {
  SUM_LabelType rel;
  ASSERT_EQ(SUM_LabelType::create(src, "REL1", "first release", rel), 0);
  SUM_VersionList to_label;
  to_label.append(v2);
  ASSERT_EQ(rel.apply_to_versions(to_label, nullptr, "label"), 0);
  int labelled = -1;
  ASSERT_EQ(v2.has_label(rel, labelled), 0);
  EXPECT_EQ(labelled, 1);
  ASSERT_EQ(v3.has_label(rel, labelled), 0);
  EXPECT_EQ(labelled, 0);
  SUM_VersionList listed;
  ASSERT_EQ(rel.labeled_versions(listed), 0);
  EXPECT_EQ(listed, to_label);

  int has = -1;
  ASSERT_EQ(rel.has_baseline(has), 0);
  EXPECT_EQ(has, 0);
  ASSERT_EQ(sum_version_has_baseline(v2, has), 0);
  EXPECT_EQ(has, 0);
  // A baseline's record links to its label type.
  SUM_Vob pvob(make_test_vob("/pvob", true, 8));
  SUM_Component comp;
  ASSERT_EQ(SUM_Component::create(pvob, "c", SUM_VobObject(), nullptr, nullptr, "", comp), 0);
  SUM_Baseline initial;
  ASSERT_EQ(comp.initial_baseline(initial), 0);
  ASSERT_EQ(initial.create_hyperlink_to(rel, VOB_WK_HLTYPE_BASELINE_LBTYPE, "", "", ""), 0);
  ASSERT_EQ(rel.has_baseline(has), 0);
  EXPECT_EQ(has, 1);
  ASSERT_EQ(sum_version_has_baseline(v2, has), 0);
  EXPECT_EQ(has, 1);
  ASSERT_EQ(sum_version_has_baseline(v3, has), 0);
  EXPECT_EQ(has, 0) << "v3 carries no label of a baseline";

  SUM_Vermap full;
  SUM_VersionList config;
  config.append(v3);
  ASSERT_EQ(SUM_Vermap::create(src, "BL1", config, 0, {}, "map", full), 0);
  int incremental = -1;
  ASSERT_EQ(full.is_incremental(incremental), 0);
  EXPECT_EQ(incremental, 0);
  SUM_Version found;
  ASSERT_EQ(full.lookup_version(SUM_Element(src, element), found), 0);
  EXPECT_EQ(found, v3);
  tbs_dbid_t other = make_file("o.txt", {"o"});
  SUM_Vermap incr;
  SUM_VersionList more;
  more.append(version(lookup(other, "/main/1")));
  ASSERT_EQ(SUM_Vermap::create(src, "BL2", more, 1, {full}, "map", incr), 0);
  ASSERT_EQ(incr.lookup_version(SUM_Element(src, element), found), 0);
  EXPECT_EQ(found, v3) << "found through the map it is based on";
  ASSERT_EQ(incr.promote("promote"), 0);
  ASSERT_EQ(incr.is_incremental(incremental), 0);
  EXPECT_EQ(incremental, 0);
  int blocked = -1;
  ASSERT_EQ(incr.modmaster_blocked(blocked), 0);
  EXPECT_EQ(blocked, 0);
  EXPECT_EQ(SUM_Vermap(src, rel.dbid()).is_incremental(incremental), 1002)
      << "a plain label type is no version map";
}

// Streams, their branch types and activities in a PVOB with a component
// VOB below it.
class VersionZemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvob = SUM_Vob(make_test_vob("/pvob", true, 8));
    cvob = SUM_Vob(make_test_vob("/cvob", false, 8));
    ASSERT_EQ(cvob.wk_obj(VOB_WK_ROOT_DIRECTORY, root_dir), 0);
    ASSERT_EQ(
        SUM_Component::create(pvob, "c", SUM_VobObject(cvob, root_dir), nullptr, nullptr, "", comp),
        0);
    ASSERT_EQ(comp.set_admin_vob(), 0);
    SUM_Folder root;
    ASSERT_EQ(SUM_Folder::root_folder(pvob, root), 0);
    ASSERT_EQ(SUM_Project::create("proj", "", root, "", 0, project), 0);
    SUM_Baseline initial;
    ASSERT_EQ(comp.initial_baseline(initial), 0);
    SUM_BaselineList foundation;
    foundation.append(initial);
    ASSERT_EQ(SUM_Stream::create("integ", "", project, SUM_Stream(), "", 1, 0, foundation, integ),
              0);
  }

  TempHome home;
  ScopedEnv user{"KORVANE_USER", "vobadmin"};
  SUM_Vob pvob, cvob;
  tbs_dbid_t root_dir = 0;
  SUM_Component comp;
  SUM_Project project;
  SUM_Stream integ;
};

TEST_F(VersionZemTest, VersionOnAStreamBranchLeadsToTheStreamAndItsActivity) {
  // Version 0 of a new branch of the stream's type on the root directory.
  tbs_dbid_t local_type = 0, v0 = 0, branch = 0, first = 0;
  ASSERT_EQ(vob_ver_lookup(cvob.handle(), root_dir, "/main/0", &v0), 0);
  ASSERT_EQ(vob_brtype_create_with_pop(cvob.handle(), "integ", nullptr, &local_type), 0);
  ASSERT_EQ(vob_branch_create(cvob.handle(), v0, local_type, nullptr, &branch), 0);
  ASSERT_EQ(vob_branch_get_ver(cvob.handle(), branch, 0, &first), 0);
  SUM_Version on_stream(cvob, first);
  SUM_Stream found;
  ASSERT_EQ(on_stream.stream(found), 0);
  EXPECT_EQ(found, integ);
  SUM_BranchType type;
  SUM_Branch b;
  ASSERT_EQ(on_stream.branch(b), 0);
  ASSERT_EQ(b.branch_type(type), 0);
  EXPECT_EQ(type, SUM_BranchType(cvob, local_type));
  EXPECT_EQ(SUM_Version(cvob, v0).stream(found), 1002) << "main belongs to no stream";

  SUM_Activity holder;
  EXPECT_EQ(on_stream.activity(holder), 1002) << "in no change set yet";
  SUM_Activity act;
  ASSERT_EQ(integ.create_activity("fix", "", "", act), 0);
  tbs_dbid_t co = 0;
  ASSERT_EQ(vob_ver_checkout(cvob.handle(), branch, 0, "view-1", nullptr, &co), 0);
  ASSERT_EQ(vob_zem_activity_cset_add_ver(pvob.handle(), act.dbid(), cvob.handle(), co, 1, nullptr,
                                          nullptr),
            0);
  ASSERT_EQ(SUM_Version(cvob, co).activity(holder), 0);
  EXPECT_EQ(holder, act);
}

}  // namespace
