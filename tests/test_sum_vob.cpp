// SUM_Vob: construction, identity, feature levels, admin VOB hierarchy,
// project VOB lists, message names and null handles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/tbs.h"
#include "services/vob.h"
#include "sum/sum_ids.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"
#include "support/imsg_capture.h"
#include "support/checks.h"
#include "support/sandbox.h"

namespace {

using test_support::fails_with;
using test_support::ImsgCapture;
using test_support::out;
using test_support::TempHome;
using test_support::text;

SUM_Vob make_vob(const char* tag, bool project_vob = true, int level = 8, bool is_public = true) {
  vob_create_args_t a;
  a.tag = tag;
  a.project_vob = project_vob;
  a.feature_level = level;
  a.is_public = is_public;
  vob_vob_h h = nullptr;
  EXPECT_EQ(vob_create(a, &h), 0) << tag;
  return SUM_Vob(h);
}

std::vector<std::string> tags_of(const SUM_VobList& list) {
  std::vector<std::string> tags;
  for (unsigned i = 0; i < list.count(); ++i)
    tags.push_back(text(list[i], &SUM_Vob::tag));
  return tags;
}

// The admin VOB of `vob` (following the hierarchy when `follow`); it must have one.
SUM_Vob admin_of(const SUM_Vob& vob, int follow) {
  SUM_Vob admin;
  EXPECT_EQ(vob.admin_vob(admin, follow), 0);
  return admin;
}

// The answer of a feature-level comparison of `vob` with `level`.
int level_compare(const SUM_Vob& vob, int (SUM_Vob::*compare)(const int&, int&) const, int level) {
  int result = -1;
  EXPECT_EQ((vob.*compare)(level, result), 0);
  return result;
}

// The internal-error records written so far.
std::vector<tbs_int_error_record> int_errors() {
  std::vector<tbs_int_error_record> records;
  EXPECT_EQ(tbs_read_int_error_log(records), 0);
  return records;
}

TEST(Vob, NullVobOperationsAreInternalErrors) {
  TempHome home;
  ImsgCapture capture;
  SUM_Vob null;
  SUM_String text;
  int answer = 7;
  SUM_VobObject obj;
  SUM_Vob out;
  SUM_VobList list;
  EXPECT_EQ(null.tag(text), 1072);
  EXPECT_EQ(null.feature_level(answer), 1072);
  EXPECT_EQ(null.is_sum_pvob(answer), 1072);
  EXPECT_EQ(null.vob_obj(obj), 1072);
  EXPECT_EQ(null.activity_actype(obj), 1072);
  EXPECT_EQ(null.admin_vob(out, 1), 1072);
  EXPECT_EQ(null.get_pvob_list(list), 1072);
  EXPECT_EQ(null.supports_fc_objs(), 0);
  EXPECT_EQ(answer, 7) << "out-parameters stay untouched";
  EXPECT_STREQ(null.any_name(), "<null VOB>");

  std::vector<tbs_int_error_record> records = int_errors();
  ASSERT_EQ(records.size(), 8u);
  EXPECT_EQ(records[0].source_file, "sum_vob");
  EXPECT_EQ(records[0].operation, "SUM_Vob::tag");
  EXPECT_EQ(records[4].operation, "SUM_Vob::activity_actype");
  EXPECT_EQ(records[6].operation, "SUM_Vob::get_pvob_list");
  EXPECT_EQ(records[7].operation, "SUM_Vob::supports_fc_objs");
  EXPECT_EQ(capture.texts(IMSG_ERROR).size(), 8u) << "each internal error is also shown";
}

TEST(Vob, ConstructionByTagOidAndHandle) {
  TempHome home;
  SUM_Vob pvob = make_vob("/pvob");

  SUM_Vob by_tag;
  ASSERT_EQ(SUM_Vob::construct_from_pname_or_tag("/pvob", 0, by_tag), 0);
  EXPECT_EQ(by_tag, pvob);

  SUM_Vob by_replica;
  ASSERT_EQ(SUM_Vob::construct_from_oid(out(pvob, &SUM_Vob::replica_oid), SUM_Vob::REPLICA_OID,
                                        by_replica),
            0);
  EXPECT_EQ(by_replica, pvob);

  SUM_Oid vob_oid = out<SUM_Oid>(out(pvob, &SUM_Vob::vob_obj), &SUM_VobObject::oid);
  SUM_Vob by_vob_oid;
  ASSERT_EQ(SUM_Vob::construct_from_oid(vob_oid, SUM_Vob::VOB_OID, by_vob_oid), 0);
  EXPECT_EQ(by_vob_oid, pvob);

  SUM_Vob by_handle;
  ASSERT_EQ(SUM_Vob::construct_from_handle(pvob.handle(), by_handle), 0);
  EXPECT_EQ(by_handle, pvob);

  ImsgCapture capture;
  EXPECT_EQ(SUM_Vob::construct_from_handle(nullptr, by_handle), 1072);
  EXPECT_EQ(SUM_Vob::construct_from_oid(SUM_Oid(), SUM_Vob::VOB_OID, by_handle), 1072);
  EXPECT_EQ(SUM_Vob::construct_from_pname_or_tag(nullptr, 0, by_handle), 1072);
  EXPECT_EQ(by_handle, pvob);

  for (int report : {0, 1})
    EXPECT_TRUE(fails_with(1002, report ? "VOB tag \"/nope\" does not exist.\n" : "", [&] {
      return SUM_Vob::construct_from_pname_or_tag("/nope", report, by_handle);
    }));
}

TEST(Vob, IdentityAndKind) {
  TempHome home;
  SUM_Vob pvob = make_vob("/pvob");
  SUM_Vob plain = make_vob("/src", false);

  EXPECT_EQ(text(plain, &SUM_Vob::tag), "/src");
  EXPECT_EQ(out(pvob, &SUM_Vob::is_sum_pvob), 1);
  EXPECT_EQ(out(plain, &SUM_Vob::is_sum_pvob), 0);

  SUM_Oid replica = out(pvob, &SUM_Vob::replica_oid);
  SUM_Oid family = out(pvob, &SUM_Vob::family_oid);
  EXPECT_FALSE(replica.is_null());
  EXPECT_NE(replica, family) << "the replica and its family have their own identities";
  EXPECT_NE(family, out(plain, &SUM_Vob::family_oid));

  SUM_VobObject activity_type = out(pvob, &SUM_Vob::activity_actype);
  EXPECT_NE(activity_type, out(pvob, &SUM_Vob::stream_actype));
  tbs_dbid_t dbid = 0;
  ASSERT_EQ(pvob.wk_obj(VOB_WK_ACTIVITY_TYPE, dbid), 0);
  EXPECT_EQ(dbid, activity_type.dbid());
  EXPECT_EQ(text(SUM_NamedObject(pvob, dbid), &SUM_NamedObject::name), "activity");
}

TEST(Vob, AnyNameRingKeepsFourTexts) {
  TempHome home;
  SUM_Vob a = make_vob("/a");
  SUM_Vob b = make_vob("/b");
  const char* first = a.any_name();
  const char* second = b.any_name();
  const char* third = a.any_name();
  const char* fourth = b.any_name();
  EXPECT_STREQ(first, "/a");
  EXPECT_STREQ(second, "/b");
  EXPECT_NE(first, third) << "each call uses the next buffer";
  EXPECT_STREQ(first, "/a") << "still valid after three more calls";
  const char* fifth = SUM_Vob().any_name();
  EXPECT_EQ(fifth, first) << "the fifth call reuses the first buffer";
  EXPECT_STREQ(first, "<null VOB>");
  EXPECT_STREQ(fourth, "/b");
}

TEST(Vob, FeatureLevels) {
  TempHome home;
  SUM_Vob old_vob = make_vob("/old", true, 6);
  SUM_Vob new_vob = make_vob("/new", true, 8);
  EXPECT_EQ(out(old_vob, &SUM_Vob::feature_level), 6);
  EXPECT_EQ(out(new_vob, &SUM_Vob::feature_level), 8);

  EXPECT_EQ(level_compare(old_vob, &SUM_Vob::is_feature_level_lt, 7), 1);
  EXPECT_EQ(level_compare(old_vob, &SUM_Vob::is_feature_level_ge, 7), 0);
  EXPECT_EQ(level_compare(old_vob, &SUM_Vob::is_feature_level_ge, 6), 1)
      << "the level itself is not lower";
  EXPECT_EQ(level_compare(new_vob, &SUM_Vob::is_feature_level_lt, 7), 0);
  EXPECT_EQ(level_compare(new_vob, &SUM_Vob::is_feature_level_ge, 8), 1);

  EXPECT_EQ(old_vob.supports_fc_objs(), 0);
  EXPECT_EQ(new_vob.supports_fc_objs(), 1);
  EXPECT_EQ(make_vob("/seven", true, 7).supports_fc_objs(), 1);
}

TEST(Vob, AdminVobHierarchy) {
  TempHome home;
  SUM_Vob top = make_vob("/top");
  SUM_Vob middle = make_vob("/middle", false);
  SUM_Vob leaf = make_vob("/leaf", false);

  SUM_Vob found = top;
  EXPECT_EQ(leaf.admin_vob(found, 0), 1002);
  EXPECT_EQ(leaf.admin_vob(found, 1), 1002);
  EXPECT_EQ(leaf.this_admin_vob(found), 1002);
  EXPECT_TRUE(found.is_null()) << "this_admin_vob clears its result when there is none";
  EXPECT_EQ(out(leaf, &SUM_Vob::has_admin_vob), 0);

  ASSERT_EQ(leaf.set_admin_vob(middle), 0);
  ASSERT_EQ(middle.set_admin_vob(top), 0);

  EXPECT_EQ(out(leaf, &SUM_Vob::has_admin_vob), 1);
  EXPECT_EQ(out(leaf, &SUM_Vob::this_admin_vob), middle);
  EXPECT_EQ(admin_of(leaf, 0), middle);
  EXPECT_EQ(admin_of(leaf, 1), top) << "following climbs to the top of the hierarchy";
  EXPECT_EQ(admin_of(middle, 1), top);
  EXPECT_EQ(top.admin_vob(found, 1), 1002);

  EXPECT_EQ(out(top, &SUM_Vob::is_admin_vob), 1);
  EXPECT_EQ(out(middle, &SUM_Vob::is_admin_vob), 1);
  EXPECT_EQ(out(leaf, &SUM_Vob::is_admin_vob), 0);
}

TEST(Vob, SecondAdminVobIsRefused) {
  TempHome home;
  SUM_Vob admin = make_vob("/admin");
  SUM_Vob other = make_vob("/other");
  SUM_Vob src = make_vob("/src", false);
  ASSERT_EQ(src.set_admin_vob(admin), 0);

  EXPECT_TRUE(fails_with(1001, "VOB \"/src\" already has an Admin VOB\n",
                         [&] { return src.set_admin_vob(other); }));
  EXPECT_EQ(admin_of(src, 0), admin) << "the refused call changed nothing";

  ImsgCapture capture;
  EXPECT_EQ(other.set_admin_vob(SUM_Vob()), 1072);
  ASSERT_EQ(int_errors().size(), 1u);
  EXPECT_EQ(int_errors()[0].operation, "SUM_Vob::set_admin_vob");
}

TEST(Vob, PvobListsFollowTheAdminHierarchy) {
  TempHome home;
  SUM_Vob top = make_vob("/top");
  SUM_Vob middle = make_vob("/middle", false);
  SUM_Vob leaf = make_vob("/leaf", false);
  SUM_Vob side = make_vob("/side");
  SUM_Vob alone = make_vob("/alone", false);
  ASSERT_EQ(leaf.set_admin_vob(middle), 0);
  ASSERT_EQ(middle.set_admin_vob(top), 0);
  ASSERT_EQ(side.set_admin_vob(middle), 0);

  EXPECT_EQ(tags_of(out(top, &SUM_Vob::get_pvob_list)), std::vector<std::string>{"/top"})
      << "a PVOB sees itself";
  EXPECT_EQ(tags_of(out(leaf, &SUM_Vob::get_pvob_list)),
            (std::vector<std::string>{"/top", "/side"}))
      << "the top and the PVOBs naming a VOB below it";
  EXPECT_EQ(out(alone, &SUM_Vob::get_pvob_list).count(), 0u);
}

TEST(Vob, AllPvobsAreThePublicProjectVobsOfTheRegistry) {
  TempHome home;
  make_vob("/plain", false);
  make_vob("/hidden", true, 8, false);
  // More than one chunk of registry entries.
  std::vector<std::string> expected;
  for (int i = 0; i < 53; ++i) {
    char tag[16];
    std::snprintf(tag, sizeof tag, "/p%02d", i);
    make_vob(tag);
    expected.push_back(tag);
  }
  SUM_VobList list;
  ASSERT_EQ(SUM_Vob::get_all_pvobs_list(list), 0);
  EXPECT_EQ(tags_of(list), expected);
}

TEST(Vob, RemovingViewReferencesNeedsAView) {
  TempHome home;
  SUM_Vob pvob = make_vob("/pvob");
  SUM_Uuid view;
  ASSERT_EQ(SUM_Uuid::construct_from_string("12345678-9abc-def0-1234-56789abcdef0", view), 0);
  EXPECT_EQ(pvob.remove_viewref_from_vob(view), 0) << "a view without references is no error";
  ImsgCapture capture;
  EXPECT_EQ(pvob.remove_viewref_from_vob(SUM_Uuid()), 1072);
}

}  // namespace
