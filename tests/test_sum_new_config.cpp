// Configuration changes of existing streams through the library, on a
// project made with vantool: classification through the baseline graph, the
// rules of the stream's place (integration, development, with children,
// modified), the messages, commit and undo, composites whose members change
// standing, the saved text, and recommendations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "sum/sum_activity.h"
#include "sum/sum_baseline.h"
#include "sum/sum_cache_control.h"
#include "sum/sum_new_config.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"
#include "support/imsg_capture.h"
#include "support/vantool_runner.h"
#include "sum_p2_project_fixture.h"

namespace {

using test_support::ImsgCapture;

std::string all_text(const ImsgCapture& capture) {
  std::string out;
  for (const auto& message : capture.all())
    out += message.second;
  return out;
}
bool said(const ImsgCapture& capture, const std::string& text) {
  return all_text(capture).find(text) != std::string::npos;
}

// What validation said of one component's change.
struct Outcome {
  std::string kind;
  int validity = -1;
  std::string message;
};

class NewConfigTest : public zem_test::P2ProjectTest {
 protected:
  // The project fixture, then B2 (a.txt changed) on p2int and development
  // stream "dev" of p2int at B1.
  void SetUp() override {
    P2ProjectTest::SetUp();
    run({"mkact", "-view", "intv", "-headline", "Second", "-nc", "second@/pvob"});
    edit("a.txt", "a2\n");
    run({"mkbl", "-view", "intv", "-component", "src@/pvob", "-nc", "B2"});
    make_dev("dev", "p2int", "B1@/pvob,sys_INITIAL@/pvob");
  }

  void make_dev(const std::string& name, const std::string& parent, const std::string& baselines) {
    run({"mkstream", "-in", parent + "@/pvob", "-baseline", baselines, "-nc", name + "@/pvob"});
  }

  // Project `project` with integration stream `stream` at src_INITIAL and
  // one baseline `baseline` there adding `file`.
  void other_project_baseline(const std::string& project, const std::string& stream,
                              const std::string& baseline, const std::string& file) {
    const std::string tag = stream + "v";
    const std::string path = home.path() + "/" + tag;
    run({"mkproject", "-in", "RootFolder@/pvob", "-modcomp", "src@/pvob", "-nc",
         project + "@/pvob"});
    run({"mkstream", "-in", project + "@/pvob", "-integration", "-baseline", "src_INITIAL@/pvob",
         "-nc", stream + "@/pvob"});
    run({"mkview", "-stream", stream + "@/pvob", "-tag", tag, path});
    run({"mkact", "-view", tag, "-nc", "work_" + stream + "@/pvob"});
    run({"co", "-nc", path + "/src"});
    test_support::write_file(path + "/src/" + file, "x\n");
    run({"mkelem", "-ci", "-nc", path + "/src/" + file});
    run({"ci", "-nc", path + "/src"});
    run({"mkbl", "-view", tag, "-component", "src@/pvob", "-nc", baseline});
  }

  // A baseline of src made in development stream `name` through a new view.
  void dev_baseline(const std::string& name, const std::string& baseline) {
    const std::string tag = name + "v";
    const std::string path = home.path() + "/" + tag;
    run({"mkview", "-stream", name + "@/pvob", "-tag", tag, path});
    run({"mkact", "-view", tag, "-nc", "work_" + name + "@/pvob"});
    run({"co", "-nc", path + "/src/b.txt"});
    test_support::write_file(path + "/src/b.txt", "b-" + name + "\n");
    run({"ci", "-nc", path + "/src/b.txt"});
    run({"mkbl", "-view", tag, "-component", "src@/pvob", "-nc", baseline});
  }

  static SUM_Baseline bl(const std::string& name) {
    SUM_Baseline out;
    EXPECT_EQ(SUM_Baseline::construct_from_selector((name + "@/pvob").c_str(), SUM_Vob(), out), 0)
        << name;
    return out;
  }
  static SUM_Stream strm(const std::string& name) {
    SUM_Stream out;
    EXPECT_EQ(SUM_Stream::construct_from_selector((name + "@/pvob").c_str(), SUM_Vob(), out), 0)
        << name;
    return out;
  }
  static SUM_BaselineList list(const std::vector<std::string>& names) {
    SUM_BaselineList out;
    for (const auto& name : names)
      out.append(bl(name));
    return out;
  }

  // Each change by component name ("src", "sys").
  static std::map<std::string, Outcome> outcomes(const SUM_NewConfig& config) {
    std::map<std::string, Outcome> out;
    for (const auto& change : config.changes()) {
      Outcome o;
      o.kind = SUM_FoundationChange::kind2str(change->kind());
      o.validity = change->validity();
      SUM_String text;
      EXPECT_EQ(change->status_msg(text), 0);
      o.message = static_cast<const char*>(text);
      std::string name = change->component().any_fullname();
      out[name.substr(0, name.find('@'))] = o;
    }
    return out;
  }

  // Builds and validates the change of `stream` to `baselines`.
  static std::map<std::string, Outcome> check(SUM_NewConfig& config,
                                              const std::vector<std::string>& baselines,
                                              int& valid) {
    EXPECT_EQ(config.init(list(baselines)), 0);
    EXPECT_EQ(config.validate(), 0);
    config.is_valid(valid);
    return outcomes(config);
  }

  // src's outcome of the change of `stream` to `baselines`, validated and
  // left uncommitted; whether the whole change is valid in `valid`.
  static Outcome src_change(const std::string& stream, const std::vector<std::string>& baselines,
                            int& valid) {
    SUM_NewConfig config(strm(stream), SUM_NewConfigCBs());
    valid = -1;
    return check(config, baselines, valid)["src"];
  }

  static std::string foundation_of(const std::string& stream) {
    SUM_BaselineList out;
    int unavailable = 0;
    EXPECT_EQ(strm(stream).explicit_baselines(out, unavailable), 0);
    std::vector<std::string> names;
    for (unsigned i = 0; i < out.count(); ++i) {
      std::string name = out[i].any_name();
      names.push_back(name.substr(0, name.find('@')));
    }
    std::sort(names.begin(), names.end());
    std::string text;
    for (const auto& name : names)
      text += name + " ";
    return text;
  }
  static unsigned src_arcs(const std::string& stream) {
    SUM_Component src;
    EXPECT_EQ(SUM_Component::construct_from_selector("src@/pvob", SUM_Vob(), src), 0);
    SUM_Timeline timeline;
    SUM_TimelineEntryList entries;
    EXPECT_EQ(strm(stream).component_timeline(src, timeline), 0);
    EXPECT_EQ(timeline.entries(entries), 0);
    return entries.count();
  }
};

TEST_F(NewConfigTest, ForwardCommitsAndUndoesExactly) {
  SUM_NewConfig config(strm("dev"), SUM_NewConfigCBs());
  int valid = 0;
  auto got = check(config, {"B2"}, valid);
  ASSERT_TRUE(valid);
  EXPECT_EQ(got["src"].kind, "forward");
  EXPECT_EQ(got["src"].message, "Advancing to baseline \"B2@/pvob\" of component \"src@/pvob\"\n");
  EXPECT_EQ(got["sys"].kind, "none");
  EXPECT_EQ(got["sys"].message,
            "Not changing baseline \"sys_INITIAL@/pvob\" of component \"sys@/pvob\"\n");
  int different = 0;
  EXPECT_EQ(config.is_different(different), 0);
  EXPECT_TRUE(different);

  const std::string before = foundation_of("dev");
  ASSERT_EQ(config.commit("rebase"), 0);
  EXPECT_EQ(foundation_of("dev"), "B2 sys_INITIAL ");
  EXPECT_EQ(src_arcs("dev"), 2u);
  SUM_String spec;
  ASSERT_EQ(strm("dev").config_spec(spec, 1), 0);
  EXPECT_NE(std::string(spec).find("B2"), std::string::npos) << spec;

  ASSERT_EQ(config.undo_commit("cancel"), 0);
  EXPECT_EQ(foundation_of("dev"), before);
  EXPECT_EQ(src_arcs("dev"), 1u) << "the arc added by the rebase goes again";

  // A read-only stream holds no changes, so it moves like any other.
  run({"mkstream", "-in", "p2int@/pvob", "-readonly", "-baseline", "B1@/pvob", "-nc", "ro@/pvob"});
  SUM_NewConfig read_only(strm("ro"), SUM_NewConfigCBs());
  got = check(read_only, {"B2"}, valid);
  ASSERT_TRUE(valid) << got["src"].message;
  ASSERT_EQ(read_only.commit(""), 0);
  EXPECT_EQ(foundation_of("ro"), "B2 ");
}

TEST_F(NewConfigTest, BackwardIsAcceptedUntilTheStreamOrAChildChangedTheComponent) {
  make_dev("back", "p2int", "B2@/pvob,sys_INITIAL@/pvob");
  {
    SUM_NewConfig config(strm("back"), SUM_NewConfigCBs());
    int valid = 0;
    auto got = check(config, {"B1"}, valid);
    EXPECT_TRUE(valid);
    EXPECT_EQ(got["src"].kind, "backward");
    EXPECT_EQ(got["src"].message,
              "Reverting to earlier baseline \"B1@/pvob\" of component \"src@/pvob\"\n");
    ASSERT_EQ(config.commit(""), 0);
    EXPECT_EQ(foundation_of("back"), "B1 sys_INITIAL ");
    ASSERT_EQ(config.undo_commit(""), 0);
    EXPECT_EQ(foundation_of("back"), "B2 sys_INITIAL ");
  }
  // A child stream with src in its foundation: src is modifiable in p2.
  make_dev("child", "back", "B2@/pvob,sys_INITIAL@/pvob");
  int valid = -1;
  Outcome src = src_change("back", {"B1"}, valid);
  EXPECT_FALSE(valid);
  EXPECT_EQ(src.validity, SUM_ConfigChange::CHILD_USES_REVERTED);
  EXPECT_EQ(src.message,
            "Can't revert to earlier baseline \"B1@/pvob\"\nof component \"src@/pvob\" because "
            "streams in this project may have\nmade changes based on the current baseline.\n");
  // The stream's own baseline of src makes the same revert code 8.
  dev_baseline("child", "C1");
  SUM_NewConfig config(strm("child"), SUM_NewConfigCBs());
  auto got = check(config, {"B1"}, valid);
  EXPECT_FALSE(valid);
  EXPECT_EQ(got["src"].validity, SUM_ConfigChange::MODIFIED_REVERTED);
  EXPECT_EQ(got["src"].message,
            "Can't revert to earlier baseline \"B1@/pvob\"\nof component \"src@/pvob\" because the "
            "stream has made changes\nbased on the current baseline.\n");
  EXPECT_NE(config.commit(""), 0) << "an invalid configuration is never committed";
  EXPECT_EQ(foundation_of("child"), "B2 sys_INITIAL ");
}

TEST_F(NewConfigTest, DevelopmentStreamsTakeOnlyWhatTheirParentHas) {
  make_dev("sibling", "p2int", "B1@/pvob,sys_INITIAL@/pvob");
  dev_baseline("sibling", "S1");
  other_project_baseline("p3", "p3int", "C1", "c.txt");
  struct Case {
    const char* baseline;
    int validity;
    const char* message_start;
  } cases[] = {
      {"B2", SUM_ConfigChange::OK, "Advancing to baseline \"B2@/pvob\""},
      {"S1", SUM_ConfigChange::NOT_FROM_PARENT,
       "Can't use baseline \"S1@/pvob\"\nof component \"src@/pvob\" because it is not from the "
       "parent stream"},
      {"C1", SUM_ConfigChange::NOT_ANCESTOR,
       "Can't use baseline \"C1@/pvob\"\n of component \"src@/pvob\" because it is not an "
       "ancestor of parent stream's foundation baseline.\n"},
      {"src_INITIAL", SUM_ConfigChange::OK, "Reverting to earlier baseline \"src_INITIAL@/pvob\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.baseline);
    int valid = -1;
    Outcome src = src_change("dev", {c.baseline}, valid);
    EXPECT_EQ(src.validity, c.validity);
    EXPECT_EQ(src.message.rfind(c.message_start, 0), 0u) << src.message;
    EXPECT_EQ(valid, c.validity == SUM_ConfigChange::OK ? 1 : 0);
  }
}

TEST_F(NewConfigTest, IntegrationStreamsMoveBetweenProjectsAndRefuseDevelopmentBaselines) {
  dev_baseline("dev", "D1");
  other_project_baseline("p3", "p3int", "C1", "c.txt");
  other_project_baseline("p4", "p4int", "C2", "d.txt");
  int valid = -1;
  Outcome src = src_change("p2int", {"D1"}, valid);
  EXPECT_EQ(src.validity, SUM_ConfigChange::NOT_FROM_INTEGRATION);
  EXPECT_EQ(src.message.rfind("Can't rebase to baseline \"D1@/pvob\"\nof component "
                              "\"src@/pvob\".  You can only rebase an integration",
                              0),
            0u)
      << src.message;
  EXPECT_EQ(src_change("p2int", {"B2"}, valid).validity, SUM_ConfigChange::MADE_IN_STREAM);
  SUM_NewConfig forward(strm("p2int"), SUM_NewConfigCBs());
  auto got = check(forward, {"C1"}, valid);
  ASSERT_TRUE(valid) << got["src"].message;
  EXPECT_EQ(got["src"].kind, "forward");
  ASSERT_EQ(forward.commit(""), 0);

  // From C1 to C2 is sideways: p2int changed src and dev builds on it.
  SUM_NewConfig sideways(strm("p2int"), SUM_NewConfigCBs());
  got = check(sideways, {"C2"}, valid);
  EXPECT_FALSE(valid);
  EXPECT_EQ(got["src"].kind, "sideways");
  EXPECT_EQ(got["src"].validity, SUM_ConfigChange::CHILD_USES_SWITCHED);
  EXPECT_EQ(got["src"].message.rfind("Can't switch to baseline \"C2@/pvob\"", 0), 0u);

  // A development stream of p2 is now offered a baseline of a third
  // project: its parent's line comes from p3, so the origin comparison
  // refuses it; with the comparison overridden only ancestry is asked.
  EXPECT_EQ(src_change("dev", {"C2"}, valid).validity, SUM_ConfigChange::NOT_APPROPRIATE_ANCESTOR);
  setenv("ZEM_OVERRIDE_TIMELINE_COMPARISON", "TRUE", 1);
  src = src_change("dev", {"C2"}, valid);
  unsetenv("ZEM_OVERRIDE_TIMELINE_COMPARISON");
  EXPECT_EQ(src.validity, SUM_ConfigChange::NOT_ANCESTOR);
}

TEST_F(NewConfigTest, SidewaysCommitReplacesTheTimeline) {
  other_project_baseline("p3", "p3int", "C1", "c.txt");
  other_project_baseline("p4", "p4int", "C2", "d.txt");
  other_project_baseline("p6", "p6int", "C3", "e.txt");
  // p4int made C2 on its own line: taking C1 is forward from its
  // foundation, but going on sideways to C3 would leave its own work.
  SUM_NewConfig config(strm("p4int"), SUM_NewConfigCBs());
  int valid = 0;
  auto got = check(config, {"C1"}, valid);
  ASSERT_TRUE(valid);
  ASSERT_EQ(config.commit(""), 0);
  SUM_NewConfig away(strm("p4int"), SUM_NewConfigCBs());
  got = check(away, {"C3"}, valid);
  EXPECT_EQ(got["src"].kind, "sideways");
  EXPECT_EQ(got["src"].validity, SUM_ConfigChange::MODIFIED_SWITCHED);
  EXPECT_EQ(got["src"].message.rfind("Can't switch to baseline \"C3@/pvob\"\nof component "
                                     "\"src@/pvob\" because the stream has made changes",
                                     0),
            0u)
      << got["src"].message;

  run({"mkproject", "-in", "RootFolder@/pvob", "-nc", "p5@/pvob"});
  run({"mkstream", "-in", "p5@/pvob", "-integration", "-baseline", "C1@/pvob", "-nc",
       "p5int@/pvob"});
  // Inside one command's cache scope, with p5int's timelines already
  // listed: the removed and the new timeline must both be seen.
  SUM_CacheControl scope;
  ASSERT_EQ(src_arcs("p5int"), 1u);
  SUM_NewConfig clean(strm("p5int"), SUM_NewConfigCBs());
  got = check(clean, {"C2"}, valid);
  ASSERT_TRUE(valid) << got["src"].message;
  EXPECT_EQ(got["src"].message, "Switching to baseline \"C2@/pvob\" of component \"src@/pvob\"\n");
  ASSERT_EQ(clean.commit(""), 0);
  EXPECT_EQ(foundation_of("p5int"), "C2 ");
  EXPECT_EQ(src_arcs("p5int"), 1u);
  ASSERT_EQ(clean.undo_commit(""), 0);
  EXPECT_EQ(foundation_of("p5int"), "C1 ");
}

TEST_F(NewConfigTest, CompositesMoveTheirMembersAndStandingChanges) {
  run({"mkbl", "-stream", "p2int@/pvob", "-component", "sys@/pvob", "-adepends_on", "B2@/pvob",
       "-nc", "S1"});
  make_dev("cdev", "p2int", "S1@/pvob");
  run({"mkact", "-view", "intv", "-nc", "third@/pvob"});
  edit("a.txt", "a3\n");
  run({"mkbl", "-view", "intv", "-nc", "B3"});
  // The composite follows as B3.1, holding B3.

  SUM_NewConfig config(strm("cdev"), SUM_NewConfigCBs());
  int valid = 0;
  auto got = check(config, {"B3.1"}, valid);
  ASSERT_TRUE(valid) << got["src"].message << got["sys"].message;
  EXPECT_EQ(got["sys"].kind, "forward");
  EXPECT_EQ(got["src"].kind, "forward") << "the implied member follows its composite";
  ASSERT_EQ(config.commit(""), 0);
  EXPECT_EQ(foundation_of("cdev"), "B3.1 ");
  SUM_Baseline src_now;
  SUM_Component src;
  ASSERT_EQ(SUM_Component::construct_from_selector("src@/pvob", SUM_Vob(), src), 0);
  ASSERT_EQ(strm("cdev").baseline_util(src, 0, src_now), 0);
  EXPECT_EQ(src_now, bl("B3"));

  // Naming the implied member explicitly changes only its standing.
  SUM_NewConfig standing(strm("cdev"), SUM_NewConfigCBs());
  got = check(standing, {"B3"}, valid);
  EXPECT_TRUE(valid);
  EXPECT_EQ(got["src"].kind, "changing_implied");
  EXPECT_EQ(got["sys"].kind, "none");
  ASSERT_EQ(standing.commit(""), 0);
  EXPECT_EQ(foundation_of("cdev"), "B3 B3.1 ");
  ASSERT_EQ(standing.undo_commit(""), 0);
  EXPECT_EQ(foundation_of("cdev"), "B3.1 ");
}

TEST_F(NewConfigTest, SavedTextRestoresTheSameChangeInAnotherConfiguration) {
  SUM_NewConfig config(strm("dev"), SUM_NewConfigCBs());
  int valid = 0;
  check(config, {"B2"}, valid);
  ASSERT_TRUE(valid);
  SUM_String text;
  ASSERT_EQ(config.save(text), 0);
  EXPECT_NE(std::string(text).find("<cha_kind>forward</cha_kind>"), std::string::npos) << text;
  ASSERT_EQ(config.commit(""), 0);

  SUM_NewConfig restored(strm("dev"), SUM_NewConfigCBs());
  ASSERT_EQ(restored.restore(text, 1), 0);
  ASSERT_EQ(restored.changes().size(), config.changes().size());
  for (size_t i = 0; i < config.changes().size(); ++i) {
    EXPECT_EQ(restored.changes()[i]->kind(), config.changes()[i]->kind());
    EXPECT_EQ(restored.changes()[i]->current_baseline(), config.changes()[i]->current_baseline());
    EXPECT_EQ(restored.changes()[i]->new_baseline(), config.changes()[i]->new_baseline());
  }
  ASSERT_EQ(restored.undo_commit(""), 0) << "a later process cancels what this one committed";
  EXPECT_EQ(foundation_of("dev"), "B1 sys_INITIAL ");

  ImsgCapture capture;
  SUM_NewConfig other(strm("p2int"), SUM_NewConfigCBs());
  EXPECT_NE(other.restore(text, 0), 0);
  EXPECT_TRUE(said(capture, "The saved configuration change is for stream")) << all_text(capture);
  SUM_NewConfig nonsense(strm("dev"), SUM_NewConfigCBs());
  EXPECT_NE(nonsense.restore("<ncfg><cha><cha_kind>sideways-ish</cha_kind></cha></ncfg>", 0), 0);
  EXPECT_NE(nonsense.restore("not xml", 0), 0);
  EXPECT_TRUE(said(capture, "cannot be read")) << all_text(capture);
}

TEST_F(NewConfigTest, BadRequestsAreRefusedBeforeAnyChange) {
  ImsgCapture capture;
  SUM_NewConfig twice(strm("dev"), SUM_NewConfigCBs());
  EXPECT_NE(twice.init(list({"B1", "B2"})), 0);
  SUM_NewConfig absent(strm("dev"), SUM_NewConfigCBs());
  EXPECT_NE(absent.init(SUM_BaselineList(), list({"B2"})), 0);
  EXPECT_TRUE(said(capture,
                   "Can't remove baseline \"B2@/pvob\"\nbecause it is not in the "
                   "current configuration of stream"))
      << all_text(capture);
  SUM_NewConfig unvalidated(strm("dev"), SUM_NewConfigCBs());
  ASSERT_EQ(unvalidated.init(list({"B2"})), 0);
  EXPECT_EQ(unvalidated.commit(""), SUM_INTERNAL_ERROR);
  EXPECT_EQ(foundation_of("dev"), "B1 sys_INITIAL ");
}

TEST_F(NewConfigTest, RecommendationsFollowWhatTheStreamHolds) {
  SUM_Stream p2int = strm("p2int");
  ImsgCapture capture;
  ASSERT_EQ(p2int.set_recbls(list({"B2", "sys_INITIAL"}), "", 1), 0);
  ASSERT_EQ(p2int.set_recbls(list({"B1", "sys_INITIAL"}), "", 1), 0)
      << "a stream may recommend an earlier baseline of its own";

  dev_baseline("dev", "D1");
  EXPECT_NE(p2int.set_recbls(list({"D1"}), "", 1), 0);
  EXPECT_TRUE(said(capture,
                   "Can't recommend baseline \"D1@/pvob\"\nof component \"src@/pvob\" "
                   "because it is not on or delivered to the stream.\n"))
      << all_text(capture);
  other_project_baseline("p3", "p3int", "C1", "c.txt");
  EXPECT_NE(p2int.set_recbls(list({"C1"}), "", 1), 0);
  EXPECT_TRUE(said(capture,
                   "Can't recommend baseline \"C1@/pvob\"\n of component "
                   "\"src@/pvob\" because it is not an ancestor of the stream's "
                   "foundation baseline.\n"))
      << all_text(capture);
  SUM_BaselineList kept;
  ASSERT_EQ(p2int.recbls(kept), 0);
  EXPECT_EQ(kept, list({"B1", "sys_INITIAL"})) << "a refused recommendation changes nothing";

  // What dev would advance to, and its preview words.
  SUM_BaselineList ahead;
  ASSERT_EQ(strm("dev").behind_recommended(ahead), 0);
  EXPECT_EQ(ahead.count(), 0u) << "dev stands at the recommended B1";
  ASSERT_EQ(p2int.set_recbls(list({"B2", "sys_INITIAL"}), "", 1), 0);
  ASSERT_EQ(strm("dev").behind_recommended(ahead), 0);
  EXPECT_EQ(ahead, list({"B2"}));

  SUM_NewConfig change(p2int, SUM_NewConfigCBs());
  ASSERT_EQ(change.init_recommend(list({"B1"})), 0);
  ASSERT_EQ(change.validate(), 0);
  auto got = outcomes(change);
  EXPECT_EQ(got["src"].message,
            "Changing to recommended baseline \"B1@/pvob\" of component \"src@/pvob\"\n");
  EXPECT_EQ(got["sys"].kind, "remove");
  EXPECT_TRUE(said(capture,
                   "Removing component \"sys@/pvob\" from the stream's recommended "
                   "baselines might prevent"))
      << all_text(capture);
}

// Another command changing the recommendation while this one runs (here,
// from this one's pre-operation trigger) wins; this one changes nothing.
TEST_F(NewConfigTest, TheSecondOfTwoRacingRecommendersFails) {
  const std::string flag = home.path() + "/raced";
  const std::string rival = std::string("[ -e '") + flag + "' ] || { touch '" + flag + "'; '" +
                            VANTOOL_PATH +
                            "' chstream -recommended B1@/pvob,sys_INITIAL@/pvob -nc p2int@/pvob; }";
  run({"mktrtype", "-zem", "-preop", "chstream", "-exec", rival, "-nc", "rival@/pvob"});
  ImsgCapture capture;
  EXPECT_NE(strm("p2int").set_recbls(list({"B2", "sys_INITIAL"}), "", 1), 0);
  EXPECT_TRUE(said(capture,
                   "The recommended baselines of stream \"p2int@/pvob\" were changed by "
                   "another command meanwhile; nothing was changed."))
      << all_text(capture);
  SUM_BaselineList now;
  ASSERT_EQ(strm("p2int").recbls(now), 0);
  EXPECT_EQ(now, list({"B1", "sys_INITIAL"})) << "the rival's whole list stands";
}

// What rebase and deliver ask of a stream before changing it.
TEST_F(NewConfigTest, StreamsTellTheirRebaseSourceAndTheirOwnWork) {
  SUM_Stream source;
  ASSERT_EQ(strm("dev").rebase_stream(source), 0);
  EXPECT_EQ(source, strm("p2int"));
  EXPECT_EQ(strm("p2int").rebase_stream(source), SUM_NOT_FOUND);
  SUM_Project p2;
  ASSERT_EQ(SUM_Project::construct_from_selector("p2@/pvob", SUM_Vob(), p2), 0);
  ASSERT_EQ(p2.default_rebase_stream(source), 0);
  EXPECT_EQ(source, strm("p2int"));

  SUM_ActivityList since;
  ASSERT_EQ(strm("dev").activities_since_foundation(since), 0);
  EXPECT_EQ(since.count(), 0u);
  dev_baseline("dev", "D1");
  ASSERT_EQ(strm("dev").activities_since_foundation(since), 0);
  ASSERT_EQ(since.count(), 1u);
  EXPECT_STREQ(since[0].any_name(), "work_dev@/pvob");
  ASSERT_EQ(strm("p2int").activities_since_foundation(since), 0);
  EXPECT_EQ(since.count(), 2u) << "first and second, beyond src_INITIAL";

  int shall = 1;
  ASSERT_EQ(strm("p2int").shall_store_cspec(shall), 0);
  EXPECT_EQ(shall, 0) << "one view: the text is generated on demand";
  run({"mkview", "-stream", "p2int@/pvob", "-tag", "intv2", home.path() + "/intv2"});
  ASSERT_EQ(strm("p2int").shall_store_cspec(shall), 0);
  EXPECT_EQ(shall, 1);
}

}  // namespace
