// Config spec identities: the text form, comparison, and the version a
// stream keeps in its "SUM_CSPEC_ID" PVAR, advanced by test-and-set.
#include <gtest/gtest.h>

#include <string>

#include "sum/sum_config_spec_id.h"
#include "sum/sum_project.h"
#include "sum/sum_pvar.h"
#include "sum/sum_stream.h"
#include "sum_pvob_fixture.h"
#include "support/checks.h"

namespace {

using test_support::fails_with;

std::string text_of(const SUM_ConfigSpecId& id) {
  SUM_String out;
  EXPECT_EQ(id.string(out), 0);
  return static_cast<const char*>(out);
}

TEST(ConfigSpecIdTest, TextFormRoundTripsAndNamesEmptyFieldsNil) {
  EXPECT_EQ(text_of(SUM_ConfigSpecId()), "kind:<nil> id:<nil> ver:0");
  EXPECT_TRUE(SUM_ConfigSpecId().is_null());
  SUM_ConfigSpecId id("ZEM.Stream", "stream:dev@/pvob", 4);
  EXPECT_FALSE(id.is_null());
  SUM_ConfigSpecId back;
  ASSERT_EQ(SUM_ConfigSpecId::from_string(text_of(id).c_str(), back), 0);
  EXPECT_EQ(back.compare(id), SUM_ConfigSpecId::SAME);
  EXPECT_EQ(back.version(), 4);
  ASSERT_EQ(SUM_ConfigSpecId::from_string("kind:<nil> id:<nil> ver:0", back), 0);
  EXPECT_TRUE(back.is_null()) << "\"<nil>\" reads back as an empty field";

  EXPECT_TRUE(fails_with(1001, "Bad format in config spec id string \"kind:K id:I\".\n",
                         [&] { return SUM_ConfigSpecId::from_string("kind:K id:I", back); }));
  EXPECT_EQ(back.version(), 0) << "a refused text leaves the identity as it was";
}

TEST(ConfigSpecIdTest, ComparisonByKindIdAndVersion) {
  SUM_ConfigSpecId base("ZEM.Stream", "s1", 2);
  EXPECT_EQ(base.compare(SUM_ConfigSpecId("ZEM.Stream", "s1", 2)), SUM_ConfigSpecId::SAME);
  EXPECT_EQ(base.compare(SUM_ConfigSpecId("ZEM.Stream", "s1", 1)), SUM_ConfigSpecId::NEWER);
  EXPECT_EQ(base.compare(SUM_ConfigSpecId("ZEM.Stream", "s1", 3)), SUM_ConfigSpecId::OLDER);
  EXPECT_EQ(base.compare(SUM_ConfigSpecId("ZEM.Stream", "s2", 2)), SUM_ConfigSpecId::DIFFERENT);
  EXPECT_EQ(base.compare(SUM_ConfigSpecId("Other", "s1", 2)), SUM_ConfigSpecId::DIFFERENT);
  EXPECT_EQ(base.compare(SUM_ConfigSpecId("*", "s1", 1)), SUM_ConfigSpecId::NEWER);
  EXPECT_EQ(SUM_ConfigSpecId("*", "*", 2).compare(base), SUM_ConfigSpecId::SAME);
  SUM_ConfigSpecId bumped = base;
  bumped.bump_version();
  EXPECT_EQ(bumped.compare(base), SUM_ConfigSpecId::NEWER);
}

class StreamCspecIdTest : public zem_test::PvobLevelTest {
 protected:
  void SetUp() override {
    PvobLevelTest::SetUp();
    ASSERT_EQ(SUM_Project::create("proj", "", root, "", 0, project), 0);
    ASSERT_EQ(SUM_Stream::create("dev", "", project, SUM_Stream(), "", 0, 0, stream), 0);
  }

  SUM_ConfigSpecId current() {
    SUM_ConfigSpecId id;
    EXPECT_EQ(stream.config_spec_id(id), 0);
    return id;
  }

  SUM_Project project;
  SUM_Stream stream;
};

TEST_P(StreamCspecIdTest, ANewStreamIsAtVersionZeroWithoutAStoredValue) {
  SUM_ConfigSpecId id = current();
  SUM_String selector;
  ASSERT_EQ(stream.univ_selector(selector), 0);
  EXPECT_EQ(text_of(id), "kind:ZEM.Stream id:" + std::string(selector) + " ver:0");
  int exists = 1;
  ASSERT_EQ(stream.pvar_exists(PVAR_ZEM_STRM_SUM_CSPEC_ID, exists), 0);
  EXPECT_EQ(exists, 0);
}

TEST_P(StreamCspecIdTest, RegenerationsAdvanceTheVersionByTestAndSet) {
  SUM_ConfigSpecId v0 = current();
  SUM_ConfigSpecId v1 = v0;
  v1.bump_version();
  ASSERT_EQ(stream.tas_config_spec_id(v0, v1), 0);
  EXPECT_EQ(current().version(), 1);
  SUM_String stored;
  ASSERT_EQ(stream.pvar(PVAR_ZEM_STRM_SUM_CSPEC_ID, stored), 0);
  EXPECT_STREQ(stored, "0:1");

  // A second regeneration that read version 0 before the first one wrote
  // loses the race.
  EXPECT_EQ(stream.tas_config_spec_id(v0, v1), 1087);
  SUM_ConfigSpecId v2 = v1;
  v2.bump_version();
  ASSERT_EQ(stream.tas_config_spec_id(v1, v2), 0);
  EXPECT_EQ(current().compare(v2), SUM_ConfigSpecId::SAME);
  EXPECT_EQ(current().compare(v1), SUM_ConfigSpecId::NEWER) << "a view at v1 is out of date";
}

TEST_P(StreamCspecIdTest, StoredValuesOfOtherFormatsAreRefused) {
  SUM_ConfigSpecId id;
  struct Case {
    const char* stored;
    const char* message;
  };
  for (const Case& c : {Case{"1:3", "Unrecognized config spec id pvar format for \"dev\".\n"},
                        Case{"abc", "Bad config spec id pvar format for \"dev\".\n"},
                        Case{"0:x", "Bad config spec id pvar format for \"dev\".\n"}}) {
    ASSERT_EQ(stream.set_pvar(PVAR_ZEM_STRM_SUM_CSPEC_ID, c.stored, 0, ""), 0);
    EXPECT_TRUE(fails_with(1001, c.message, [&] { return stream.config_spec_id(id); })) << c.stored;
  }
}

INSTANTIATE_TEST_SUITE_P(BothForms, StreamCspecIdTest, ::testing::Values(8, 6),
                         zem_test::level_name);

}  // namespace
