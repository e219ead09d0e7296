// SUM_Stream's config spec: the generated text line by line for streams of
// each kind and components of each kind, the custom areas, stored or
// generated texts, regeneration with the identity, and the date tokens the
// header uses.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "services/cspec.h"
#include "services/date.h"
#include "services/view.h"
#include "services/vob_zem_stream.h"
#include "sum/sum_baseline.h"
#include "sum/sum_component.h"
#include "sum/sum_config_spec_id.h"
#include "sum/sum_project.h"
#include "sum/sum_pvar.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"
#include "sum/sum_view.h"
#include "support/checks.h"
#include "support/imsg_capture.h"
#include "sum_pvob_fixture.h"

namespace {

using test_support::ImsgCapture;
using test_support::out;
using test_support::text;
using zem_test::level_name;

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos)
      end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

// The component rule groups of a generated text (the lines between the
// "Component selection rules..." comment and "end zem", cut at empty
// lines), sorted, since the order of components is not promised.
std::vector<std::string> rule_groups(const std::string& text) {
  std::vector<std::string> lines = lines_of(text);
  auto begin = std::find(lines.begin(), lines.end(), "# Component selection rules...");
  auto end = std::find(lines.begin(), lines.end(), "end zem");
  std::vector<std::string> groups;
  std::string group;
  for (auto it = begin == lines.end() ? lines.end() : begin + 1; it < end; ++it) {
    if (it->empty()) {
      if (!group.empty())
        groups.push_back(group);
      group.clear();
    } else {
      group += *it + "\n";
    }
  }
  std::sort(groups.begin(), groups.end());
  return groups;
}

std::vector<std::string> sorted(std::vector<std::string> groups) {
  std::sort(groups.begin(), groups.end());
  return groups;
}

// The three rules of a component changed on `branch`, for the initial
// baseline's selector.
std::string branch_group(const std::string& pattern, const std::string& branch) {
  std::string p = "element \"" + pattern + "\" ";
  return p + ".../" + branch + "/LATEST\n" + p + "/main/0 -mkbranch " + branch + "\n" + p +
         "/main/0 -mkbranch " + branch + "\n";
}
std::string read_only_group(const std::string& pattern) {
  return "element \"" + pattern + "\" /main/0 -nocheckout\n";
}

const std::vector<std::string> kFooter = {
    "",
    "end zem",
    "",
    "#ZEMCustomElemBegin - DO NOT REMOVE - ADD CUSTOM ELEMENT RULES AFTER THIS LINE",
    "#ZEMCustomElemEnd - DO NOT REMOVE - END CUSTOM ELEMENT RULES",
    "",
    "# Non-included component backstop rule: no checkouts",
    "element * /main/0 -zem -nocheckout",
    "",
    "#ZEMCustomLoadBegin - DO NOT REMOVE - ADD CUSTOM LOAD RULES AFTER THIS LINE",
};

// A project "proj" with a VOB-root component "src" (modifiable), a sub-VOB
// component "app" (directory "app" of VOB "/libs"), a rootless "docs" and a
// component "gone" whose VOB is removed; the integration stream "integ",
// the development stream "dev" and the read-only stream "ro" on their
// initial baselines.
class StreamCspecTest : public zem_test::PvobLevelTest {
 protected:
  void SetUp() override {
    PvobLevelTest::SetUp();
    ASSERT_EQ(SUM_Project::create("proj", "", root, "", 0, project), 0);
    src = rooted("/src", "src");
    gone = rooted("/gone", "gone");
    test_support::make_test_vob("/libs");
    view_create_args_t args;
    args.tag = "maker";
    args.root = home.path() + "/roots/maker";
    ASSERT_EQ(view_create(args, &maker), 0);
    ASSERT_EQ(SUM_Component::create(pvob, "app", SUM_VobObject(), "/libs/app", maker, "", app), 0);
    ASSERT_EQ(SUM_Component::create(pvob, "docs", SUM_VobObject(), nullptr, nullptr, "", docs), 0);
    SUM_ComponentList modifiable(1);
    modifiable[0] = src;
    ASSERT_EQ(project.add_mod_comps(modifiable, "", 0), 0);
    SUM_BaselineList foundation;
    for (const SUM_Component* c : {&src, &app, &docs})
      foundation.append(out(*c, &SUM_Component::initial_baseline));
    ASSERT_EQ(SUM_Stream::create("integ", "", project, SUM_Stream(), "", 1, 0, foundation, integ),
              0);
    ASSERT_EQ(SUM_Stream::create("dev", "", project, integ, "", 0, 0, foundation, dev), 0);
    ASSERT_EQ(SUM_Stream::create("ro", "", project, integ, "", 0, 1, foundation, ro), 0);
  }
  void TearDown() override { view_free_handle(maker); }

  SUM_Component rooted(const char* tag, const char* name) {
    SUM_Vob vob(test_support::make_test_vob(tag));
    tbs_dbid_t dir = 0;
    EXPECT_EQ(vob.wk_obj(VOB_WK_ROOT_DIRECTORY, dir), 0);
    SUM_Component c;
    EXPECT_EQ(SUM_Component::create(pvob, name, SUM_VobObject(vob, dir), nullptr, nullptr, "", c),
              0);
    return c;
  }
  std::string generated(const SUM_Stream& stream) {
    return text(stream, &SUM_Stream::generate_cspec);
  }
  std::string identity_line(const SUM_Stream& stream, int version) {
    return "identity ZEM.Stream " + text(stream, &SUM_Stream::univ_selector) + " " +
           std::to_string(version);
  }
  // A dynamic view attached to `stream`.
  SUM_View attached(const char* tag, const SUM_Stream& stream) {
    view_create_args_t args;
    args.tag = tag;
    args.root = home.path() + "/roots/" + tag;
    EXPECT_EQ(view_create(args, nullptr), 0) << tag;
    SUM_View made;
    EXPECT_EQ(SUM_View::construct_from_tag(tag, made), 0);
    EXPECT_EQ(made.set_stream(stream, "attach"), 0);
    return made;
  }
  std::string stored(const SUM_Stream& stream) {
    SUM_String value;
    EXPECT_EQ(stream.config_spec(value, 0), 0);
    return static_cast<const char*>(value);
  }

  SUM_Project project;
  SUM_Component src, app, docs, gone;
  SUM_Stream integ, dev, ro;
  view_server_h maker = nullptr;
};

TEST_P(StreamCspecTest, TheIntegrationStreamsTextLineByLine) {
  std::string cs = generated(integ);
  std::vector<std::string> lines = lines_of(cs);
  ASSERT_GT(lines.size(), 16u + kFooter.size());
  EXPECT_EQ(lines[0], "zem");
  EXPECT_EQ(lines[1], identity_line(integ, 0));
  const std::vector<std::string> head = {
      "", "# ONLY EDIT THIS CONFIG SPEC IN THE INDICATED \"CUSTOM\" AREAS", "#",
      "# This config spec was automatically generated by the ZEM stream"};
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.begin() + 6), head);
  EXPECT_TRUE(std::regex_match(lines[6], std::regex("# \"integ\" at [0-9]{4}-[0-9]{2}-[0-9]{2}T"
                                                    "[0-9]{2}:[0-9]{2}:[0-9]{2}\\.")))
      << lines[6];
  const std::vector<std::string> select = {"#",
                                           "",
                                           "",
                                           "",
                                           "# Select checked out versions",
                                           "element * CHECKEDOUT",
                                           "",
                                           "# Component selection rules...",
                                           ""};
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 7, lines.begin() + 16), select);
  EXPECT_EQ(std::vector<std::string>(lines.end() - kFooter.size(), lines.end()), kFooter);
  EXPECT_EQ(cs.back(), '\n');
  // The rootless "docs" gets no rules; the foundation has no "gone".
  EXPECT_EQ(rule_groups(cs),
            sorted({branch_group("/src/...", "integ"), read_only_group("/libs/app/...")}));
  EXPECT_EQ(lines.size(), 16u + 4u + 2u + kFooter.size())
      << "three rules and an empty line for src, one rule and an empty line for app";
}

TEST_P(StreamCspecTest, StreamModifiableAndReadOnlyStreams) {
  SUM_ComponentList own(1);
  own[0] = app;
  ASSERT_EQ(dev.add_mod_comps(own, "mine"), 0);
  EXPECT_EQ(rule_groups(generated(dev)),
            sorted({branch_group("/src/...", "dev"), branch_group("/libs/app/...", "dev_nonmod")}));
  EXPECT_EQ(out(dev, &SUM_Stream::config_spec_id).version(), 1)
      << "changing the list regenerates the text under a new identity";

  std::string cs = generated(ro);
  EXPECT_EQ(lines_of(cs)[1], identity_line(ro, 0));
  EXPECT_EQ(rule_groups(cs),
            sorted({read_only_group("/src/..."), read_only_group("/libs/app/...")}));

  // Every generated text is one the view service accepts.
  for (const SUM_Stream* s : {&integ, &dev, &ro}) {
    cspec_t parsed;
    std::string error;
    EXPECT_EQ(cspec_parse(generated(*s), parsed, error), 0) << error;
    EXPECT_EQ(parsed.identity.substr(0, 11), "ZEM.Stream ");
  }
}

// The text form of the family of the VOB holding `component`'s root.
std::string family_of(const SUM_Component& component) {
  SUM_VobObject root_element;
  tbs_uuid_t family{};
  EXPECT_EQ(component.root_directory_element(root_element), 0);
  EXPECT_EQ(vob_ob_get_family_uuid(root_element.vob().handle(), &family), 0);
  char text[TBS_ID_STR_SIZE];
  tbs_uuid_to_str(&family, text);
  return text;
}

TEST_P(StreamCspecTest, AnUnavailableComponentGetsAnErrorRuleAndAWarning) {
  SUM_BaselineList lost(2);
  lost[0] = out(gone, &SUM_Component::initial_baseline);
  lost[1] = out(app, &SUM_Component::initial_baseline);
  SUM_Project elsewhere;
  ASSERT_EQ(SUM_Project::create("elsewhere", "", root, "", 0, elsewhere), 0);
  SUM_Stream other;
  ASSERT_EQ(SUM_Stream::create("other", "", elsewhere, SUM_Stream(), "", 1, 0, lost, other), 0);
  std::string gone_family = family_of(gone), app_family = family_of(app);
  ASSERT_EQ(vob_remove("/gone"), 0);
  ASSERT_EQ(vob_remove("/libs"), 0);

  ImsgCapture capture;
  std::string cs = generated(other);
  EXPECT_NE(cs.find("# ERROR: component \"gone\" is unavailable\nelement \"[" + gone_family +
                    "]/...\" -error\n\n"),
            std::string::npos)
      << cs;
  EXPECT_NE(cs.find("# ERROR: component \"app\" is unavailable\nelement \"[" + app_family +
                    "]/app/...\" -error\n\n"),
            std::string::npos)
      << "a sub-VOB component keeps its directory in the pattern";
  std::string warnings = capture.joined(IMSG_WARNING);
  EXPECT_NE(warnings.find("Problem generating config spec for stream \"other\":\n    Component "
                          "\"gone\" is unavailable; check its VOB."),
            std::string::npos)
      << warnings;
  EXPECT_NE(warnings.find("Component \"app\" is unavailable"), std::string::npos);
  cspec_t parsed;
  std::string error;
  EXPECT_EQ(cspec_parse(cs, parsed, error), 0) << error;
}

TEST(StreamCspecTextTest, CustomAreasAreCarriedOverAndGeneratedLinesDropped) {
  const std::string old_text =
      "load /src/early\n"
      "element * /main/LATEST\n"
      "zem\n"
      "identity ZEM.Stream stream:dev@/pvob 3\n"
      "element \"/src/...\" /main/0 -nocheckout\n"
      "end zem\n"
      "#ZEMCustomElemBegin - DO NOT REMOVE - ADD CUSTOM ELEMENT RULES AFTER THIS LINE\n"
      "element /src/tools/... /main/LATEST\n"
      "#ZEMCustomElemEnd - DO NOT REMOVE - END CUSTOM ELEMENT RULES\n"
      "element * /main/0 -zem -nocheckout\n"
      "#ZEMCustomLoadBegin - DO NOT REMOVE - ADD CUSTOM LOAD RULES AFTER THIS LINE\n"
      "load /src/lib\n"
      "load /src/doc";
  SUM_String elems, loads;
  ASSERT_EQ(SUM_Stream::config_spec_user_text(old_text.c_str(), elems, loads), 0);
  EXPECT_STREQ(elems, "element /src/tools/... /main/LATEST\n");
  EXPECT_STREQ(loads, "load /src/early\nload /src/lib\nload /src/doc\n");

  const std::string fresh =
      "zem\nend zem\n#ZEMCustomElemBegin - x\n#ZEMCustomElemEnd - y\nbackstop\n"
      "#ZEMCustomLoadBegin - z\n";
  SUM_String augmented;
  ASSERT_EQ(SUM_Stream::augment_config_spec(fresh.c_str(), elems, loads, augmented), 0);
  EXPECT_STREQ(augmented,
               "zem\nend zem\n#ZEMCustomElemBegin - x\nelement /src/tools/... /main/LATEST\n"
               "#ZEMCustomElemEnd - y\nbackstop\n#ZEMCustomLoadBegin - z\nload /src/early\n"
               "load /src/lib\nload /src/doc\n");
}

TEST_P(StreamCspecTest, TheTextIsStoredOnlyForStreamsWithTwoViewsOrMore) {
  EXPECT_EQ(stored(integ), "") << "a new stream generates its text on demand";
  SUM_String on_demand;
  ASSERT_EQ(integ.config_spec(on_demand, 1), 0);
  EXPECT_EQ(lines_of(static_cast<const char*>(on_demand))[1], identity_line(integ, 0));

  SUM_View first = attached("first", integ);
  ASSERT_EQ(integ.regen_cspec(0), 0);
  EXPECT_EQ(stored(integ), "") << "one view";
  SUM_View second = attached("second", integ);
  ASSERT_EQ(integ.regen_cspec(0), 0);
  std::string kept = stored(integ);
  ASSERT_FALSE(kept.empty());
  EXPECT_EQ(lines_of(kept)[1], identity_line(integ, 2));

  // Detaching a view leaves one: the view service's check removes the text.
  SUM_Uuid uuid;
  ASSERT_EQ(second.uuid(uuid), 0);
  ASSERT_EQ(integ.detach_view(uuid, "detach"), 0);
  EXPECT_EQ(stored(integ), kept) << "detaching alone changes nothing";
  ASSERT_EQ(sum_view_check_stream_cspec(pvob.handle(), integ.dbid()), 0);
  EXPECT_EQ(stored(integ), "");
  EXPECT_EQ(sum_view_check_stream_cspec(nullptr, integ.dbid()), 0);
}

TEST_P(StreamCspecTest, RegenerationAdvancesTheIdentityUnlessGenerateOnly) {
  EXPECT_EQ(out(integ, &SUM_Stream::config_spec_id).version(), 0);
  ASSERT_EQ(integ.regen_cspec(1), 0);
  EXPECT_EQ(out(integ, &SUM_Stream::config_spec_id).version(), 0);
  ASSERT_EQ(integ.regen_cspec(0), 0);
  ASSERT_EQ(integ.regen_cspec(0), 0);
  EXPECT_EQ(out(integ, &SUM_Stream::config_spec_id).version(), 2);

  // A stored identity this library cannot read stops the regeneration.
  ASSERT_EQ(integ.set_pvar(PVAR_ZEM_STRM_SUM_CSPEC_ID, "7:2", 0, ""), 0);
  EXPECT_TRUE(test_support::fails_with(1001,
                                       "Unrecognized config spec id pvar format for \"integ\".\n"
                                       "Unable to generate config spec for stream \"integ\".\n",
                                       [&] { return integ.regen_cspec(0); }));
}

TEST_P(StreamCspecTest, ProjectModifiableComponentsRegenerateTheIntegrationStream) {
  SUM_ComponentList more(1);
  more[0] = app;
  ASSERT_EQ(project.add_mod_comps(more, "", 0), 0);
  EXPECT_EQ(out(integ, &SUM_Stream::config_spec_id).version(), 1);
  EXPECT_EQ(rule_groups(generated(integ)),
            sorted({branch_group("/src/...", "integ"), branch_group("/libs/app/...", "integ")}));
  ASSERT_EQ(project.delete_mod_comps(more, ""), 0);
  EXPECT_EQ(out(integ, &SUM_Stream::config_spec_id).version(), 2);
  EXPECT_EQ(out(dev, &SUM_Stream::config_spec_id).version(), 1) << "every stream of the project";
}

TEST_P(StreamCspecTest, AFoundationBaselineNotInTheTargetIsNotModifiable) {
  // A baseline made in "dev" that its deliver target "integ" never
  // received, and a target of another project without the component.
  SUM_Timeline timeline;
  ASSERT_EQ(dev.component_timeline(src, timeline), 0);
  SUM_Baseline made;
  ASSERT_EQ(SUM_Baseline::create(timeline, "dev_bl", "", 0, -1, made), 0);
  ASSERT_EQ(made.upgrade_to_incremental("dev_bl", "", 0), 0);
  SUM_Project elsewhere;
  SUM_Stream unrelated;
  SUM_BaselineList docs_only(1);
  docs_only[0] = out(docs, &SUM_Component::initial_baseline);
  ASSERT_EQ(SUM_Project::create("elsewhere", "", root, "", 0, elsewhere), 0);
  ASSERT_EQ(
      SUM_Stream::create("unrelated", "", elsewhere, SUM_Stream(), "", 1, 0, docs_only, unrelated),
      0);
  SUM_ComponentList modifiable(1);
  modifiable[0] = src;
  const std::string nocheckout =
      "element \"/src/...\" " + text(made, &SUM_Baseline::config_str) + " -nocheckout\n\n";
  const std::string not_modifiable =
      "Component \"src\" is not modifiable in this stream.\nUse rebase to update stream \"side\" "
      ".\n";
  struct Case {
    SUM_Stream target;
    std::string warning;
  } cases[] = {
      {integ,
       "Stream \"side\" configuration has baseline \"dev_bl\"\nfor component \"src\" which is "
       "incompatible with - not an ancestor\nof - the baseline in the integration stream's "
       "configuration.\n"},
      {unrelated,
       "Stream \"side\" configuration has baseline \"dev_bl\"\nfor component \"src\" which is not "
       "in the integration stream's configuration.\n"},
  };
  for (const Case& c : cases) {
    ImsgCapture capture;
    SUM_String rules;
    ASSERT_EQ(per_component_cspec_fragment(made, 0, c.target, "side", modifiable,
                                           SUM_ComponentList(), "side", rules, 0),
              0);
    EXPECT_EQ(std::string(rules), nocheckout);
    EXPECT_EQ(capture.joined(IMSG_WARNING), c.warning + not_modifiable);
  }
  // Without a target (or for the integration stream) nothing is checked.
  ImsgCapture capture;
  SUM_String rules;
  ASSERT_EQ(per_component_cspec_fragment(made, 1, SUM_Stream(), "side", modifiable,
                                         SUM_ComponentList(), "side", rules, 0),
            0);
  EXPECT_EQ(capture.joined(IMSG_WARNING), "");
  EXPECT_NE(std::string(rules).find(" -mkbranch side\n"), std::string::npos) << rules;
}

// Advances the stored identity of `racing` behind a regeneration's back,
// once, when the regeneration reads the clock for its header.
SUM_Stream racing;
void racing_clock(date_timeval_t* tv) {
  date_set_clock(nullptr);
  date_get_timeval(tv);
  EXPECT_EQ(racing.set_pvar(PVAR_ZEM_STRM_SUM_CSPEC_ID, "0:7", 0, ""), 0);
}

TEST_P(StreamCspecTest, AChangeDuringRegenerationUndoesItWhole) {
  attached("first", integ);
  attached("second", integ);
  ASSERT_EQ(integ.regen_cspec(0), 0);
  std::string before = stored(integ);
  int version = out(integ, &SUM_Stream::config_spec_id).version();
  // Other processes wait for the regeneration's write lock; a change made
  // in its middle can only come from this process, and is caught.
  racing = integ;
  date_set_clock(racing_clock);
  EXPECT_TRUE(test_support::fails_with(1001,
                                       "The stream's configuration was concurrently modified by "
                                       "another user, please retry the operation.\n",
                                       [&] { return integ.regen_cspec(0); }));
  date_set_clock(nullptr);
  EXPECT_EQ(stored(integ), before) << "the stream is as it was, not half-regenerated";
  EXPECT_EQ(out(integ, &SUM_Stream::config_spec_id).version(), version);
  ASSERT_EQ(integ.regen_cspec(0), 0) << "a retry regenerates";
  EXPECT_EQ(lines_of(stored(integ))[1], identity_line(integ, version + 1));
}

TEST(DateTokenTest, TokensOfOneSecondAreFixedFormsThatSortInTime) {
  const long sec = 1796594645;  // a fixed second
  EXPECT_TRUE(
      std::regex_match(date_fmt_token_date_time(sec),
                       std::regex("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}")));
  std::string date = date_fmt_numeric_token(sec, DATE_TOKEN_DATE);
  std::string time = date_fmt_numeric_token(sec, DATE_TOKEN_TIME);
  EXPECT_TRUE(std::regex_match(date, std::regex("[0-9]{8}")));
  EXPECT_TRUE(std::regex_match(time, std::regex("[0-9]{6}")));
  EXPECT_EQ(date_fmt_numeric_token(sec, DATE_TOKEN_DATE_TIME), date + "." + time);
  EXPECT_EQ(date_fmt_numeric_token(sec, 9), "");
  std::string token = date_fmt_token_date_time(sec);
  EXPECT_EQ(token.substr(0, 4) + token.substr(5, 2) + token.substr(8, 2), date);
  EXPECT_LT(date_fmt_numeric_token(sec, DATE_TOKEN_DATE_TIME),
            date_fmt_numeric_token(sec + 86400, DATE_TOKEN_DATE_TIME));
  EXPECT_LT(date_fmt_token_date_time(sec), date_fmt_token_date_time(sec + 1));
}

INSTANTIATE_TEST_SUITE_P(BothForms, StreamCspecTest, ::testing::Values(8, 6), level_name);

}  // namespace
