// SUM_PLevel: the promotion levels of a project VOB, their stored (quoted)
// form, the default level, lookups by name, refusals, and the order of two
// levels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/tbs.h"
#include "services/vob.h"
#include "services/vob_attr.h"
#include "sum/sum_plevel.h"
#include "sum/sum_vob.h"
#include "support/checks.h"
#include "support/imsg_capture.h"
#include "support/sandbox.h"
#include "support/vob_elem_fixture.h"

namespace {

using test_support::ImsgCapture;
using test_support::TempHome;

SUM_Vob make_vob(const char* tag, bool project_vob = true) {
  return SUM_Vob(test_support::make_test_vob(tag, project_vob));
}

std::vector<std::string> names_of(const SUM_PLevelList& levels) {
  std::vector<std::string> names;
  for (unsigned i = 0; i < levels.count(); ++i)
    names.push_back(static_cast<const char*>(levels[i].name()));
  return names;
}

SUM_StringList string_list(const std::vector<std::string>& names) {
  SUM_StringList list;
  for (const auto& n : names)
    list.append(n.c_str());
  return list;
}

// What the repository holds for the promotion-level attribute type.
void stored_vinfo(const SUM_Vob& vob, std::vector<std::string>& values, std::string& def) {
  tbs_dbid_t attype = 0;
  ASSERT_EQ(vob.wk_obj(VOB_WK_ATTYPE_PROMOTION_LEVEL, attype), 0);
  ASSERT_EQ(vob_attype_get_vinfo(vob.handle(), attype, values, def), 0);
}

class PLevelTest : public ::testing::Test {
 protected:
  TempHome home;
  SUM_Vob pvob = make_vob("/pvob");
};

TEST_F(PLevelTest, NewProjectVobHasTheStandardLevelsAndDefault) {
  SUM_PLevelList levels;
  ASSERT_EQ(SUM_PLevel::get_plevels(pvob, levels), 0);
  EXPECT_EQ(names_of(levels),
            (std::vector<std::string>{"REJECTED", "INITIAL", "BUILT", "TESTED", "RELEASED"}))
      << "lowest first, without the stored quotes";
  for (unsigned i = 0; i < levels.count(); ++i)
    EXPECT_TRUE(levels[i].vob() == pvob);
  SUM_PLevel def;
  ASSERT_EQ(SUM_PLevel::get_def_plevel(pvob, def), 0);
  EXPECT_STREQ(def.name(), "INITIAL");
  EXPECT_TRUE(def == levels[1]);
  EXPECT_FALSE(def.is_null());
  EXPECT_TRUE(SUM_PLevel().is_null());
}

TEST_F(PLevelTest, SetLevelsStoresQuotedValuesThatBaselinesCanCarry) {
  ASSERT_EQ(SUM_PLevel::set_plevels(pvob, string_list({"LOW", "MID", "HIGH"}), "MID", "three"), 0);
  SUM_PLevelList levels;
  ASSERT_EQ(SUM_PLevel::get_plevels(pvob, levels), 0);
  EXPECT_EQ(names_of(levels), (std::vector<std::string>{"LOW", "MID", "HIGH"}));
  SUM_PLevel def;
  ASSERT_EQ(SUM_PLevel::get_def_plevel(pvob, def), 0);
  EXPECT_STREQ(def.name(), "MID");

  std::vector<std::string> values;
  std::string stored_default;
  stored_vinfo(pvob, values, stored_default);
  EXPECT_EQ(values, (std::vector<std::string>{"\"LOW\"", "\"MID\"", "\"HIGH\""}));
  EXPECT_EQ(stored_default, "\"MID\"");

  // An object carries a level as the quoted attribute value; the bare name
  // is not one of the enumerated values.
  tbs_dbid_t attype = 0;
  ASSERT_EQ(pvob.wk_obj(VOB_WK_ATTYPE_PROMOTION_LEVEL, attype), 0);
  tbs_dbid_t root = 0;
  ASSERT_EQ(pvob.wk_obj(VOB_WK_ROOT_FOLDER, root), 0);
  EXPECT_EQ(vob_attr_set(pvob.handle(), root, attype,
                         static_cast<const char*>(levels[2].attr_value()), nullptr),
            0);
  EXPECT_EQ(vob_attr_set(pvob.handle(), root, attype, "HIGH", nullptr), 1004);
  std::string carried;
  ASSERT_EQ(vob_attr_get(pvob.handle(), root, attype, carried), 0);
  EXPECT_STREQ(SUM_PLevel::unquoted(carried.c_str()), "HIGH");

  EXPECT_STREQ(SUM_PLevel::quoted("A"), "\"A\"");
  EXPECT_STREQ(SUM_PLevel::unquoted("plain"), "plain") << "an unquoted value is its own name";
  EXPECT_STREQ(SUM_PLevel::unquoted("\""), "\"");
}

TEST_F(PLevelTest, RefusedLevelListsChangeNothing) {
  struct Refusal {
    std::vector<std::string> levels;
    const char* def;
    const char* error;
  } refusals[] = {{{"LOW", "HIGH"}, "MID", "Promotion level MID not found.\n"},
                  {{"LOW", "HIGH", "LOW"}, "LOW", "The name is already in use.\n"},
                  {{"LOW", "NOT OK"}, "LOW", "The name has illegal characters.\n"}};
  for (const Refusal& r : refusals)
    EXPECT_TRUE(test_support::fails_with(1001, r.error, [&] {
      return SUM_PLevel::set_plevels(pvob, string_list(r.levels), r.def, "");
    }));
  ImsgCapture capture;
  EXPECT_EQ(SUM_PLevel::set_plevels(pvob, string_list({"LOW", "\"Q\""}), "LOW", ""), 1001)
      << "a quote in a name would break the stored form";
  EXPECT_EQ(SUM_PLevel::set_plevels(pvob, SUM_StringList(), "LOW", ""), 1072);
  EXPECT_EQ(SUM_PLevel::set_plevels(pvob, string_list({"LOW"}), "", ""), 1072);

  SUM_PLevelList levels;
  ASSERT_EQ(SUM_PLevel::get_plevels(pvob, levels), 0);
  EXPECT_EQ(levels.count(), 5u) << "the standard levels are still there";
}

TEST_F(PLevelTest, OrdinaryVobsAndNullVobsHaveNoLevels) {
  SUM_Vob plain = make_vob("/plain", false);
  ImsgCapture capture;
  SUM_PLevelList levels;
  SUM_PLevel level;
  EXPECT_EQ(SUM_PLevel::get_plevels(plain, levels), 1001);
  EXPECT_EQ(SUM_PLevel::get_def_plevel(plain, level), 1001);
  EXPECT_EQ(SUM_PLevel::set_plevels(plain, string_list({"A"}), "A", ""), 1001);
  EXPECT_EQ(SUM_PLevel::construct_from_string("INITIAL", plain, 1, level), 1001);
  EXPECT_EQ(capture.texts(IMSG_ERROR),
            std::vector<std::string>(4, "Operation not valid in non-ZEM project VOB.\n"));
  EXPECT_TRUE(level.is_null()) << "out-parameters stay untouched";

  EXPECT_EQ(SUM_PLevel::get_plevels(SUM_Vob(), levels), 1072);
  EXPECT_EQ(SUM_PLevel::construct_from_string("INITIAL", SUM_Vob(), 1, level), 1072);
  std::vector<tbs_int_error_record> records;
  ASSERT_EQ(tbs_read_int_error_log(records), 0);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].source_file, "sum_plevel");
  EXPECT_EQ(records[0].operation, "SUM_PLevel::get_plevels");
  EXPECT_EQ(records[1].operation, "SUM_PLevel::construct_from_string");
}

TEST_F(PLevelTest, ConstructFromStringFindsLevelsByExactName) {
  ImsgCapture capture;
  SUM_PLevel level;
  ASSERT_EQ(SUM_PLevel::construct_from_string("TESTED", pvob, 1, level), 0);
  EXPECT_STREQ(level.name(), "TESTED");
  EXPECT_TRUE(level.vob() == pvob);
  EXPECT_EQ(capture.all().size(), 0u);

  EXPECT_EQ(SUM_PLevel::construct_from_string("tested", pvob, 1, level), 1002);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "Promotion level tested not found.\n");
  capture.clear();
  EXPECT_EQ(SUM_PLevel::construct_from_string("\"TESTED\"", pvob, 0, level), 1002)
      << "names are bare; the quoted form is only the stored one";
  EXPECT_EQ(capture.all().size(), 0u) << "no message unless reporting is asked";
  EXPECT_STREQ(level.name(), "TESTED");
}

TEST_F(PLevelTest, CompareOrdersByPositionWithinOneFamily) {
  SUM_PLevelList levels;
  ASSERT_EQ(SUM_PLevel::get_plevels(pvob, levels), 0);
  SUM_PLevel initial("INITIAL", pvob);
  SUM_PLevel tested("TESTED", pvob);
  int order = 7;
  ASSERT_EQ(SUM_PLevel::compare(tested, initial, levels, order), 0);
  EXPECT_EQ(order, 1);
  ASSERT_EQ(SUM_PLevel::compare(initial, tested, levels, order), 0);
  EXPECT_EQ(order, -1);
  ASSERT_EQ(SUM_PLevel::compare(initial, SUM_PLevel("INITIAL", pvob), levels, order), 0);
  EXPECT_EQ(order, 0);

  // The order follows the list, not the names: reversing the levels
  // reverses the answer.
  ASSERT_EQ(SUM_PLevel::set_plevels(pvob, string_list({"TESTED", "BUILT", "INITIAL"}), "BUILT", ""),
            0);
  ASSERT_EQ(SUM_PLevel::get_plevels(pvob, levels), 0);
  ASSERT_EQ(SUM_PLevel::compare(tested, initial, levels, order), 0);
  EXPECT_EQ(order, -1);

  EXPECT_EQ(SUM_PLevel::compare(SUM_PLevel("GONE", pvob), initial, levels, order), 1002);
  ImsgCapture capture;
  EXPECT_EQ(SUM_PLevel::compare(SUM_PLevel(), initial, levels, order), 1072);
}

TEST_F(PLevelTest, LevelsOfDifferentFamiliesDoNotCompare) {
  SUM_Vob other = make_vob("/other");
  SUM_PLevelList levels;
  SUM_PLevelList other_levels;
  ASSERT_EQ(SUM_PLevel::get_plevels(pvob, levels), 0);
  ASSERT_EQ(SUM_PLevel::get_plevels(other, other_levels), 0);
  int order = 7;
  ASSERT_EQ(SUM_PLevel::compare(SUM_PLevel("RELEASED", pvob), SUM_PLevel("REJECTED", other), levels,
                                order),
            0);
  EXPECT_EQ(order, 0) << "levels of two families are not comparable";
  EXPECT_FALSE(SUM_PLevel("INITIAL", pvob) == SUM_PLevel("INITIAL", other));

  // A list holding a level of another family is an internal fault.
  SUM_PLevelList mixed = levels;
  mixed.append(other_levels[4]);
  ImsgCapture capture;
  EXPECT_EQ(
      SUM_PLevel::compare(SUM_PLevel("RELEASED", pvob), SUM_PLevel("REJECTED", pvob), mixed, order),
      1072);
  std::vector<tbs_int_error_record> records;
  ASSERT_EQ(tbs_read_int_error_log(records), 0);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].operation, "SUM_PLevel::compare");
}

}  // namespace
