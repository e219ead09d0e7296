// The engine's merge into a target view, on a project made with vantool:
// directories merged in passes until what they gain is visible, the report
// of what stays invisible, nothing to merge, files merged one by one and in
// one batch alike, undoing the merges, and, through a rebase, a checkout
// held by another activity (stopping the merge, or left alone with the skip
// flag), changes a removal takes out of sight, and the context merge a type
// manager is called for.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "rebase_project_fixture.h"
#include "services/vob_zem_activity.h"
#include "sum/sum_baseline.h"
#include "sum/sum_integration.h"
#include "sum/sum_new_config.h"
#include "sum/sum_rebase.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_version.h"
#include "sum/sum_view.h"
#include "support/imsg_capture.h"
#include "support/sandbox.h"
#include "support/vantool_runner.h"

namespace {

using test_support::has;
using test_support::ImsgCapture;
using test_support::read_file;
using test_support::vantool_out;
using test_support::write_file;

// An operation that merges the versions it is given into its view, in its
// activity: the engine's merge without the states around it.
class MergeOnly : public SUM_Integration {
 public:
  MergeOnly(const SUM_View& view, const SUM_Activity& activity, const SUM_VersionList& versions)
      : versions_(versions) {
    set_target_view(view);
    set_integration_activity(activity);
  }
  int versions_to_merge(SUM_VersionList& out, int& count) const override {
    out = versions_;
    count = static_cast<int>(versions_.count());
    return SUM_OK;
  }
  int merge() {
    SUM_ElementCB element_cb;
    SUM_SortedVersionListCB sorted_cb;
    return do_merge(element_cb, sorted_cb);
  }
  SUM_String status_msg(int code) const override { return status_msg_common(code); }
  const char* pvar_name() const override { return "ZEM_DELIVER"; }
  const SUM_AVMapList& record_map() const override { return deliver_map(); }
  int save_to_pvar() override { return SUM_OK; }
  int check_operation_pvar() override { return SUM_OK; }
  int restore_from_pvar(const int&) override { return SUM_OK; }
  int start(const SUM_Stream& stream) override { return start_common(stream); }
  int restart(const SUM_Stream& stream) override { return restart_common(stream); }
  int prepare_view(const SUM_View&) override { return SUM_OK; }
  int do_integration(OpnState) override { return SUM_OK; }
  int cancel() override { return SUM_OK; }
  int activities(SUM_ActivityList& out) override {
    out = SUM_ActivityList();
    return SUM_OK;
  }
  SUM_Stream target_stream() const override { return op_stream(); }

 private:
  SUM_VersionList versions_;
};

class IntegrationMergeTest : public zem_test::RebaseProjectTest {
 protected:
  void SetUp() override {
    RebaseProjectTest::SetUp();
    make_stream("dev");
    ASSERT_EQ(SUM_View::construct_from_tag("dev", view), 0);
    ASSERT_EQ(SUM_View::construct_from_tag("int", int_view), 0);
    ASSERT_EQ(SUM_Activity::construct_from_selector("activity:dev_work@/pvob", SUM_Vob(), work), 0);
  }
  // The version view "int" selects at `rest`.
  SUM_Version int_version(const std::string& rest) {
    view_path_info_t info;
    EXPECT_EQ(int_view.lookup(path("int", rest).c_str(), info), 0) << rest;
    return SUM_Version(SUM_Vob(info.vob), info.version);
  }
  // Starts a rebase of "dev" to `baseline` bound to view "dev".
  std::unique_ptr<SUM_Rebase> rebase_to(const std::string& baseline) {
    SUM_Stream dev;
    EXPECT_EQ(SUM_Stream::construct_from_selector("stream:dev@/pvob", SUM_Vob(), dev), 0);
    return start_rebase_to(dev, baseline, view);
  }

  SUM_View view, int_view;
  SUM_Activity work;
};

TEST_F(IntegrationMergeTest, DirectoriesMergeInPassesUntilWhatTheyGainIsVisible) {
  // In "int": src gains the directory "lib" holding "deep", and a directory
  // "gone" that src no longer names.
  run({"co", "-nc", path("int", "src")});
  run({"mkdir", "-nc", path("int", "src/lib")});
  run({"mkdir", "-nc", path("int", "src/lib/deep")});
  run({"mkdir", "-nc", path("int", "src/gone")});
  run({"ci", "-nc", path("int", "src/lib/deep")});
  run({"ci", "-nc", path("int", "src/lib")});
  run({"ci", "-nc", path("int", "src/gone")});
  SUM_Version gone = int_version("src/gone");
  run({"rmname", "-nc", path("int", "src/gone")});
  run({"ci", "-nc", path("int", "src")});

  // The deepest first: each becomes visible only once its parent merged.
  SUM_VersionList versions;
  versions.append(int_version("src/lib/deep"));
  versions.append(int_version("src/lib"));
  versions.append(int_version("src"));
  {
    MergeOnly op(view, work, versions);
    ImsgCapture capture;
    ASSERT_EQ(op.merge(), 0) << capture.joined(IMSG_ERROR);
    // lib and deep, new to the view, merge as copies once visible.
    EXPECT_EQ(op.get_dirs_merged(), 3);
    EXPECT_EQ(op.get_failed_dirs(), 0);
    EXPECT_FALSE(has(capture.joined(IMSG_WARNING), "skipped")) << capture.joined(IMSG_WARNING);
  }
  EXPECT_TRUE(has(vantool_out({"ls", path("dev", "src/lib")}), "deep"));

  // What no merged directory names is reported, the rest merged.
  versions.append(gone);
  MergeOnly again(view, work, versions);
  ImsgCapture capture;
  ASSERT_EQ(again.merge(), 0);
  EXPECT_TRUE(has(capture.joined(IMSG_WARNING), "1 elements were skipped because they are not\n"))
      << capture.joined(IMSG_WARNING);
}

TEST_F(IntegrationMergeTest, NothingToMergeIsANoteAndCode97) {
  MergeOnly op(view, work, SUM_VersionList());
  ImsgCapture capture;
  EXPECT_EQ(op.merge(), 0);
  EXPECT_EQ(op.op_status(), SUM_Integration::ST_NOTHING_TO_MERGE);
  EXPECT_TRUE(has(capture.joined(IMSG_NOTICE), "No versions require merging in stream"))
      << capture.joined(IMSG_NOTICE);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "");
}

TEST_F(IntegrationMergeTest, FilesMergeAlikeOneByOneAndInOneBatchAndAreUndone) {
  // base.txt: the stream changes its first line, "int" its last.
  const std::string text = "one\ntwo\nthree\n";
  change("int", "src/base.txt", text);
  change("int", "src/fix.txt", "fixed\n");
  // src gains fix.txt, new to the stream.
  SUM_VersionList versions;
  versions.append(int_version("src"));
  versions.append(int_version("src/base.txt"));
  versions.append(int_version("src/fix.txt"));
  change("int", "src/base.txt", "one\ntwo\nTHREE\n");
  SUM_VersionList latest;
  latest.append(int_version("src/base.txt"));
  latest.append(int_version("src/fix.txt"));
  // The stream takes the first change as its own (merged, then edited).
  {
    MergeOnly first(view, work, versions);
    ImsgCapture capture;
    ASSERT_EQ(first.merge(), 0) << capture.joined(IMSG_ERROR);
  }
  run({"ci", "-nc", path("dev", "src/fix.txt")});
  run({"ci", "-nc", path("dev", "src")});
  write_file(path("dev", "src/base.txt"), "ONE\ntwo\nthree\n");
  run({"ci", "-nc", path("dev", "src/base.txt")});

  for (const char* old : {"1", ""}) {
    SCOPED_TRACE(*old ? "one by one" : "batch");
    setenv("KORVANE_DO_MERGE_OLD", old, 1);
    MergeOnly op(view, work, latest);
    op.set_cli(1);
    ASSERT_EQ(op.merge(), 0);
    EXPECT_EQ(op.get_files_merged(), 1) << "fix.txt has nothing new";
    EXPECT_EQ(op.get_deferred_merge_files(), 0);
    EXPECT_EQ(read_file(path("dev", "src/base.txt")), "ONE\ntwo\nTHREE\n");
    EXPECT_TRUE(has(vantool_out({"lsco", "-view", "dev"}), "base.txt"));
    ASSERT_EQ(op.undo_merge(), 0);
    EXPECT_EQ(vantool_out({"lsco", "-view", "dev"}), "");
    EXPECT_EQ(read_file(path("dev", "src/base.txt")), "ONE\ntwo\nthree\n");
    ImsgCapture capture;
    EXPECT_EQ(op.undo_checkin(), SUM_FAILED) << "the activity has check-ins";
    EXPECT_EQ(op.op_status(), SUM_Integration::ST_ACTIVITY_HAS_CHECKINS);
    EXPECT_TRUE(has(capture.joined(IMSG_ERROR), "Cannot cancel because the integration activity"))
        << capture.joined(IMSG_ERROR);
  }
  unsetenv("KORVANE_DO_MERGE_OLD");
}

TEST_F(IntegrationMergeTest, ACheckoutOfAnotherActivityStopsTheMergeUnlessSkipped) {
  run({"chproject", "-spolicy", "RebaseAllowCo", "-nc", "proj@/pvob"});
  run({"chstream", "-policy", "RebaseAllowCo", "-nc", "dev@/pvob"});
  change("dev", "src/base.txt", "base\nstream\n");
  change("int", "src/base.txt", "base.txt\nbaseline\n");
  run({"mkbl", "-view", "int", "-nc", "INT2"});
  run({"co", "-nc", path("dev", "src/base.txt")});
  write_file(path("dev", "src/base.txt"), "work in progress\n");

  auto stopped = rebase_to("INT2");
  ASSERT_NE(stopped, nullptr);
  {
    ImsgCapture capture;
    EXPECT_EQ(stopped->do_rebase(), SUM_FAILED);
    EXPECT_EQ(stopped->op_status(), SUM_Integration::ST_FILES_CHECKED_OUT_ELSEWHERE);
    EXPECT_TRUE(has(capture.joined(IMSG_ERROR), "has a checkout conflict.\n"))
        << capture.joined(IMSG_ERROR);
  }
  EXPECT_EQ(read_file(path("dev", "src/base.txt")), "work in progress\n");
  ASSERT_EQ(stopped->cancel(), 0);

  auto skipping = rebase_to("INT2");
  ASSERT_NE(skipping, nullptr);
  skipping->set_skip(1);
  ImsgCapture capture;
  ASSERT_EQ(skipping->do_rebase(), 0);
  EXPECT_EQ(read_file(path("dev", "src/base.txt")), "work in progress\n");
  EXPECT_EQ(skipping->get_files_merged(), 0);
}

TEST_F(IntegrationMergeTest, ChangesTheNewFoundationTakesOutOfSightAreReported) {
  // The stream changes base.txt; the new baseline removes its name.
  change("dev", "src/base.txt", "mine\n");
  run({"co", "-nc", path("int", "src")});
  run({"rmname", "-nc", path("int", "src/base.txt")});
  run({"ci", "-nc", path("int", "src")});
  run({"mkbl", "-view", "int", "-nc", "INT2"});

  auto rebase = rebase_to("INT2");
  ASSERT_NE(rebase, nullptr);
  ImsgCapture capture;
  ASSERT_EQ(rebase->complete(), 0) << capture.joined(IMSG_ERROR);
  EXPECT_TRUE(has(capture.joined(IMSG_WARNING), "which this stream changed, is not visible"))
      << capture.joined(IMSG_WARNING);
  EXPECT_FALSE(has(vantool_out({"ls", path("dev", "src")}), "base.txt"));
}

TEST_F(IntegrationMergeTest, ARemovalInTheStreamStandsOverAChangeInTheBaseline) {
  run({"co", "-nc", path("dev", "src")});
  run({"rmname", "-nc", path("dev", "src/base.txt")});
  run({"ci", "-nc", path("dev", "src")});
  change("int", "src/base.txt", "changed by the baseline\n");
  run({"mkbl", "-view", "int", "-nc", "INT2"});

  auto rebase = rebase_to("INT2");
  ASSERT_NE(rebase, nullptr);
  ImsgCapture capture;
  ASSERT_EQ(rebase->complete(), 0) << capture.joined(IMSG_ERROR);
  EXPECT_EQ(capture.joined(IMSG_WARNING), "");
  std::string listed = vantool_out({"ls", path("dev", "src")});
  EXPECT_FALSE(has(listed, "base.txt")) << listed;
  EXPECT_TRUE(has(listed, "fix.txt")) << listed;
}

}  // namespace

TEST_F(IntegrationMergeTest, ContextMergeTellsTheTypeManagersOnlyWhenAsked) {
  // Both sides add a file to src: its merge is a directory's.
  add_file("dev", "mine.txt");
  add_file("int", "theirs.txt");
  run({"mkbl", "-view", "int", "-nc", "INT2"});
  // The directory manager's context_merge keeps its document and exits
  // with $CONTEXT_EXIT.
  const std::string managers = home.path() + "/mgrs";
  const std::string copy = home.path() + "/document.xml";
  ASSERT_EQ(std::system(("mkdir -p " + managers + "/directory").c_str()), 0);
  write_file(managers + "/directory/context_merge",
             "#!/bin/sh\ncp \"$1\" " + copy + "\nexit ${CONTEXT_EXIT:-0}\n");
  ASSERT_EQ(std::system(("chmod +x " + managers + "/directory/context_merge").c_str()), 0);
  setenv("KORVANE_MGR_DIR", managers.c_str(), 1);

  struct Case {
    const char* wanted;
    const char* exit;
    bool called;
    int status;
  };
  for (const Case& c : {Case{"", "0", false, SUM_OK}, Case{"1", "3", true, SUM_FAILED},
                        Case{"1", "0", true, SUM_OK}}) {
    SCOPED_TRACE(std::string("KORVA_WILL_CONTEXT_MERGE=") + c.wanted + " exit " + c.exit);
    std::remove(copy.c_str());
    setenv("KORVA_WILL_CONTEXT_MERGE", c.wanted, 1);
    setenv("CONTEXT_EXIT", c.exit, 1);
    auto rebase = rebase_to("INT2");
    ASSERT_NE(rebase, nullptr);
    ImsgCapture capture;
    EXPECT_EQ(rebase->do_rebase(), c.status) << capture.joined(IMSG_ERROR);
    EXPECT_EQ(::access(copy.c_str(), F_OK) == 0, c.called);
    if (c.status != SUM_OK) {
      EXPECT_EQ(rebase->op_status(), SUM_Integration::ST_CONTEXT_MERGE_ERROR);
      EXPECT_TRUE(has(capture.joined(IMSG_ERROR),
                      "Type manager \"directory\" failed to perform context_merge."))
          << capture.joined(IMSG_ERROR);
    }
    if (c.called && c.status == SUM_OK) {
      std::string document = read_file(copy);
      EXPECT_EQ(document.rfind("<?xml version=\"1.0\" ?>\n<context_merge><op>rebase</op><file>" +
                                   path("dev", "src") + "</file><rebase-info><component><comp>",
                               0),
                0u)
          << document;
      size_t old_bl = document.find("<old_found_bl>");
      size_t new_bl = document.find("<new_found_bl>");
      EXPECT_TRUE(old_bl != std::string::npos && new_bl > old_bl &&
                  document.find("INT0", old_bl) < new_bl &&
                  document.find("INT2", new_bl) != std::string::npos)
          << document;
      EXPECT_EQ(document.substr(document.size() - 17), "</context_merge>\n");
    }
    ASSERT_EQ(rebase->cancel(), 0);
  }
  unsetenv("KORVA_WILL_CONTEXT_MERGE");
  unsetenv("KORVANE_MGR_DIR");
}

TEST_F(IntegrationMergeTest, ACheckoutNoActivityRecordsIsRecordedAgain) {
  // src checked out in "dev", then lost from the activity's change set.
  run({"co", "-nc", path("dev", "src")});
  view_path_info_t info;
  ASSERT_EQ(view.lookup(path("dev", "src").c_str(), info), 0);
  vob_event_info_t event;
  ASSERT_EQ(vob_zem_activity_cset_rm_ver(work.vob().handle(), work.dbid(), info.vob, info.version,
                                         &event),
            0);
  change("int", "src/base.txt", "theirs\n");
  SUM_VersionList versions;
  versions.append(int_version("src/base.txt"));

  MergeOnly op(view, work, versions);
  op.set_cli(1);
  ImsgCapture capture;
  ASSERT_EQ(op.merge(), 0) << capture.joined(IMSG_ERROR);
  EXPECT_TRUE(has(capture.joined(IMSG_WARNING), "ZEM has detected checkouts in view \"dev\""))
      << capture.joined(IMSG_WARNING);
  EXPECT_TRUE(has(capture.joined(IMSG_NOTICE), "have been corrected"))
      << capture.joined(IMSG_NOTICE);
  SUM_VersionList checkouts;
  ASSERT_EQ(work.checkouts(checkouts), 0);
  EXPECT_EQ(checkouts.count(), 2u) << "src again, and base.txt's merge";
}
