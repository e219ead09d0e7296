// Naming utilities: name checks, title conversion, unique names, type
// listings and bulk resolution of universal selectors.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "services/date.h"
#include "services/imsg.h"
#include "services/tbs.h"
#include "services/vob.h"
#include "sum/sum_utl_names.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"
#include "support/imsg_capture.h"
#include "support/sandbox.h"
#include "support/vob_elem_fixture.h"

namespace {

using test_support::ImsgCapture;
using test_support::TempHome;

vob_vob_h make_vob(const char* tag, bool project_vob = true) {
  return test_support::make_test_vob(tag, project_vob);
}

std::string str(const SUM_String& s) {
  return static_cast<const char*>(s);
}

tbs_dbid_t make_brtype(vob_vob_h vob, const std::string& name) {
  vob_event_info_t event;
  tbs_dbid_t dbid = 0;
  EXPECT_EQ(vob_type_create(vob, VOB_MTYPE_BRANCH_TYPE, name.c_str(), &event, &dbid), 0) << name;
  return dbid;
}

// The texts printed at error severity while `check` runs, and its answer.
struct Checked {
  int answer;
  std::string errors;
};
Checked check_name(const std::string& name) {
  ImsgCapture capture;
  int answer = sum_utl_is_ok_name(SUM_String(name.c_str()));
  return {answer, capture.joined(IMSG_ERROR)};
}

// Each name with its answer and the error printed (none for a good name);
// only the first failing rule reports.
TEST(NameCheck, AnswersAndReportsTheFirstFailingRule) {
  const std::string illegal = "The name has illegal characters.\n";
  const std::string dots = "The name is not permitted.\n";
  const std::string too_long = "The name is too long.\n";
  std::vector<std::tuple<std::string, int, std::string>> cases = {
      {"", 0, "The name is empty.\n"},
      {std::string(255, 'a'), 1, ""},  // the longest name
      {std::string(256, 'a'), 0, too_long},
      {std::string(300, ' '), 0, too_long},  // too long and illegal: length comes first
      {".", 0, dots},
      {"..", 0, dots},
      {"...", 0, dots},
      {"42", 0, "Korvane does not support names that are integers: \"42\".\n"},
  };
  for (const char* good : {"dev", "rel-1.0_b", "A1", "....", "x.", "-5a", "9lives"})
    cases.emplace_back(good, 1, "");
  for (const char* bad : {"a b", "a@b", "a:b", "a/b", "tab\there", "semi;", "q\"uote"})
    cases.emplace_back(bad, 0, illegal);
  for (const auto& [name, answer, errors] : cases) {
    Checked c = check_name(name);
    EXPECT_EQ(c.answer, answer) << name;
    EXPECT_EQ(c.errors, errors) << name;
  }
  EXPECT_EQ(check_name("-7").answer, 0);
  EXPECT_EQ(check_name("0042").answer, 0);
}

TEST(TitleToName, ConvertsPunctuationAndCollapsesWhitespace) {
  EXPECT_STREQ(sum_utl_cvt_title_to_obj_name("  Fix: crash (#42) "), "Fix_crash_42");
  EXPECT_STREQ(sum_utl_cvt_title_to_obj_name("---abc"), "abc");
  EXPECT_STREQ(sum_utl_cvt_title_to_obj_name("- -x-y"), "x-y") << "only leading hyphens go";
  EXPECT_STREQ(sum_utl_cvt_title_to_obj_name("a\t\tb   c"), "a_b_c");
  EXPECT_STREQ(sum_utl_cvt_title_to_obj_name("v1.2_final"), "v1.2_final");
}

TEST(TitleToName, NeedsALetter) {
  EXPECT_STREQ(sum_utl_cvt_title_to_obj_name(""), "");
  EXPECT_STREQ(sum_utl_cvt_title_to_obj_name("1234 5678"), "");
  EXPECT_STREQ(sum_utl_cvt_title_to_obj_name("!!! ..."), "");
  EXPECT_STREQ(sum_utl_cvt_title_to_obj_name("2024 q"), "2024_q");
}

TEST(TitleToName, CutsAfterTheSixtiethByte) {
  std::string title(100, 'x');
  EXPECT_EQ(std::string(sum_utl_cvt_title_to_obj_name(title.c_str())), std::string(61, 'x'));

  // The cut counts collapsed text, and a space left at the cut is trimmed.
  std::string spaced = std::string(60, 'a') + "      b";
  EXPECT_EQ(std::string(sum_utl_cvt_title_to_obj_name(spaced.c_str())), std::string(60, 'a'));
  std::string runs = "a     " + std::string(70, 'b');
  EXPECT_EQ(std::string(sum_utl_cvt_title_to_obj_name(runs.c_str())), "a_" + std::string(59, 'b'));
}

class UniqueNames : public ::testing::Test {
 protected:
  void SetUp() override { vob = SUM_Vob(make_vob("/pvob")); }
  void TearDown() override {
    date_set_clock(nullptr);
    imsg_clear_desired_verbosity();
    imsg_clear_trace_filter();
  }
  TempHome home;
  SUM_Vob vob;
};

TEST_F(UniqueNames, IsUniqueNameAnswersByMetatype) {
  make_brtype(vob.handle(), "dev");
  EXPECT_EQ(sum_utl_is_unique_name("free", VOB_MTYPE_BRANCH_TYPE, vob), 1);
  EXPECT_EQ(sum_utl_is_unique_name("dev", VOB_MTYPE_LABEL_TYPE, vob), 1)
      << "names are unique per metatype";

  ImsgCapture capture;
  EXPECT_EQ(sum_utl_is_unique_name("dev", VOB_MTYPE_BRANCH_TYPE, vob), 0);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "The name is already in use.\n");
}

TEST_F(UniqueNames, FreeBaseWithoutSuffixIsTheBase) {
  EXPECT_STREQ(sum_utl_generate_unique_obj_name("dev", VOB_MTYPE_BRANCH_TYPE, 0, vob), "dev");
  EXPECT_STREQ(sum_utl_generate_unique_obj_name("", VOB_MTYPE_BRANCH_TYPE, 0, vob), "");
}

TEST_F(UniqueNames, RandomSuffixIsADotAndANumberUpTo9999) {
  std::string name = str(sum_utl_generate_unique_obj_name("dev", VOB_MTYPE_BRANCH_TYPE, 1, vob));
  ASSERT_EQ(name.rfind("dev.", 0), 0u) << name;
  int number = std::atoi(name.c_str() + 4);
  EXPECT_GE(number, 1);
  EXPECT_LE(number, 9999);
  EXPECT_EQ(name, "dev." + std::to_string(number));
}

TEST_F(UniqueNames, TakenBaseGetsASuffixAndTracesTheConflict) {
  make_brtype(vob.handle(), "dev");
  imsg_set_trace_filter(nullptr);
  imsg_set_desired_verbosity(2);
  ImsgCapture capture;
  std::string name = str(sum_utl_generate_unique_obj_name("dev", VOB_MTYPE_BRANCH_TYPE, 0, vob));
  EXPECT_EQ(name.rfind("dev.", 0), 0u) << name;
  EXPECT_EQ(capture.joined(IMSG_TRACE), "sum_utl_generate_unique_obj_name: conflict: dev\n");
  EXPECT_EQ(sum_utl_is_unique_name(name.c_str(), VOB_MTYPE_BRANCH_TYPE, vob), 1);
}

TEST_F(UniqueNames, OverlongCandidateIsRefused) {
  ImsgCapture capture;
  std::string base(256, 'n');
  EXPECT_STREQ(sum_utl_generate_unique_obj_name(base.c_str(), VOB_MTYPE_BRANCH_TYPE, 0, vob), "");
  EXPECT_EQ(capture.joined(IMSG_ERROR), "Name \"" + base + "\" is longer than 255 bytes.\n");

  // A taken base of 254 bytes leaves no room for a suffix.
  std::string near(254, 'm');
  make_brtype(vob.handle(), near);
  capture.clear();
  EXPECT_STREQ(sum_utl_generate_unique_obj_name(near.c_str(), VOB_MTYPE_BRANCH_TYPE, 0, vob), "");
  std::string errors = capture.joined(IMSG_ERROR);
  EXPECT_EQ(errors.rfind("Name \"" + near + ".", 0), 0u) << errors;
  EXPECT_NE(errors.find("is longer than 255 bytes.\n"), std::string::npos) << errors;
}

// The clock reads second 0, so that each draw is seeded with the draw
// counter alone and the test can predict the numbers.
void clock_at_zero(date_timeval_t* tv) {
  tv->sec = 0;
  tv->usec = 0;
}
int predicted_draw(unsigned seed) {
  std::srand(seed);
  return std::rand() % 9999 + 1;
}

TEST_F(UniqueNames, GivesUpAfterTwentyConflicts) {
  date_set_clock(clock_at_zero);
  // Find the draw counter from two free draws.
  auto drawn = [&](const char* base) {
    std::string name = str(sum_utl_generate_unique_obj_name(base, VOB_MTYPE_BRANCH_TYPE, 1, vob));
    return std::atoi(name.c_str() + std::string(base).size() + 1);
  };
  int first = drawn("probe");
  int second = drawn("probe");
  unsigned counter = 0;
  bool found = false;
  for (unsigned c = 0; c < 1000000 && !found; ++c) {
    if (predicted_draw(c) == first && predicted_draw(c + 1) == second) {
      counter = c + 2;
      found = true;
    }
  }
  ASSERT_TRUE(found) << "draws are seeded by time x pid + counter";

  // Take the base and every name the next 19 draws will give.
  make_brtype(vob.handle(), "busy");
  for (unsigned i = 0; i < 19; ++i) {
    std::string taken = "busy." + std::to_string(predicted_draw(counter + i));
    tbs_dbid_t dbid = 0;
    vob_event_info_t event;
    int status = vob_type_create(vob.handle(), VOB_MTYPE_BRANCH_TYPE, taken.c_str(), &event, &dbid);
    EXPECT_TRUE(status == 0 || status == TBS_ST_EXISTS) << taken;
  }

  imsg_set_trace_filter(nullptr);
  imsg_set_desired_verbosity(2);
  ImsgCapture capture;
  EXPECT_STREQ(sum_utl_generate_unique_obj_name("busy", VOB_MTYPE_BRANCH_TYPE, 0, vob), "");
  EXPECT_EQ(capture.texts(IMSG_TRACE).size(), 20u) << capture.joined(IMSG_TRACE);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "Can't generate unique object name for \"busy\".\n");
}

TEST_F(UniqueNames, NullVobIsAnInternalError) {
  ImsgCapture capture;
  EXPECT_STREQ(sum_utl_generate_unique_obj_name("dev", VOB_MTYPE_BRANCH_TYPE, 0, SUM_Vob()), "");
  EXPECT_EQ(sum_utl_is_unique_name("dev", VOB_MTYPE_BRANCH_TYPE, SUM_Vob()), 0);
  std::vector<tbs_int_error_record> records;
  ASSERT_EQ(tbs_read_int_error_log(records), 0);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].operation, "sum_utl_generate_unique_obj_name");
  EXPECT_EQ(records[1].operation, "sum_utl_is_unique_name");
  EXPECT_EQ(records[1].source_file, "sum_utl_names");
}

TEST_F(UniqueNames, NamedObjectsOfATypeKind) {
  make_brtype(vob.handle(), "dev");
  make_brtype(vob.handle(), "int");
  SUM_NamedObjectList before;
  ASSERT_EQ(sum_utl_get_named_objs(vob, "brtype", before), 0);
  std::vector<std::string> names;
  for (unsigned i = 0; i < before.count(); ++i) {
    SUM_String name;
    ASSERT_EQ(before[i].name(name), 0);
    names.push_back(str(name));
  }
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(names[names.size() - 2], "dev");
  EXPECT_EQ(names[names.size() - 1], "int");

  // Appends rather than replaces.
  SUM_NamedObjectList twice = before;
  ASSERT_EQ(sum_utl_get_named_objs(vob, "brtype", twice), 0);
  EXPECT_EQ(twice.count(), 2 * before.count());

  ImsgCapture capture;
  SUM_NamedObjectList none;
  EXPECT_EQ(sum_utl_get_named_objs(vob, "stream", none), 1001) << "not a type kind";
  EXPECT_EQ(sum_utl_get_named_objs(vob, "no-such-kind", none), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(sum_utl_get_named_objs(vob, nullptr, none), 1072);
  EXPECT_EQ(sum_utl_get_named_objs(SUM_Vob(), "brtype", none), 1072);
  EXPECT_EQ(none.count(), 0u);
}

std::string univ_selector(vob_vob_h vob, tbs_dbid_t dbid) {
  SUM_String text;
  EXPECT_EQ(SUM_VobObject(SUM_Vob(vob), dbid).univ_selector(text), 0);
  return str(text);
}

TEST_F(UniqueNames, ResolvesUniversalSelectorsGroupedByVob) {
  SUM_Vob other(make_vob("/other", false));
  tbs_dbid_t a1 = make_brtype(vob.handle(), "a1");
  tbs_dbid_t b1 = make_brtype(other.handle(), "b1");
  tbs_dbid_t a2 = make_brtype(vob.handle(), "a2");
  tbs_dbid_t b2 = make_brtype(other.handle(), "b2");
  std::string sa1 = univ_selector(vob.handle(), a1);
  std::string sb1 = univ_selector(other.handle(), b1);
  SUM_StringList selectors;
  selectors.append(sa1.c_str());
  selectors.append(sb1.c_str());
  selectors.append(univ_selector(vob.handle(), a2).c_str());
  selectors.append(univ_selector(other.handle(), b2).c_str());

  vob_vob_h vobs[4] = {};
  tbs_dbid_t dbids[4] = {};
  ASSERT_EQ(sum_utl_resolve_univ_selectors(selectors, vobs, dbids, 4), 0);
  // Groups follow the order of their VOB texts; input order holds inside.
  bool vob_first = sa1.substr(sa1.find('@')) < sb1.substr(sb1.find('@'));
  SUM_Vob first = vob_first ? vob : other;
  SUM_Vob second = vob_first ? other : vob;
  std::vector<tbs_dbid_t> expected =
      vob_first ? std::vector<tbs_dbid_t>{a1, a2, b1, b2} : std::vector<tbs_dbid_t>{b1, b2, a1, a2};
  EXPECT_EQ(vobs[0], first.handle());
  EXPECT_EQ(vobs[1], first.handle());
  EXPECT_EQ(vobs[2], second.handle());
  EXPECT_EQ(vobs[3], second.handle());
  EXPECT_EQ(std::vector<tbs_dbid_t>(dbids, dbids + 4), expected);

  // Only the first `count` selectors are resolved.
  vob_vob_h one_vob[1] = {};
  tbs_dbid_t one_dbid[1] = {};
  ASSERT_EQ(sum_utl_resolve_univ_selectors(selectors, one_vob, one_dbid, 1), 0);
  EXPECT_EQ(one_dbid[0], a1);
  ImsgCapture capture;
  EXPECT_EQ(sum_utl_resolve_univ_selectors(selectors, vobs, dbids, 5), 1072);
}

TEST_F(UniqueNames, UniversalSelectorNamingNothingIsRefused) {
  std::string known = univ_selector(vob.handle(), make_brtype(vob.handle(), "a1"));
  // Another oid in the same VOB family.
  std::string missing = "oid:00000000.0000.0000.0000.000000000001" + known.substr(known.find('@'));
  SUM_StringList selectors;
  selectors.append(known.c_str());
  selectors.append(missing.c_str());
  vob_vob_h vobs[2] = {};
  tbs_dbid_t dbids[2] = {};
  EXPECT_EQ(sum_utl_resolve_univ_selectors(selectors, vobs, dbids, 2), 1001);
}

}  // namespace
