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
#include "support/sandbox.h"

namespace {

using test_support::ImsgCapture;
using test_support::TempHome;

std::string str(const SUM_String& s) {
  return static_cast<const char*>(s);
}

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
  for (unsigned i = 0; i < list.count(); ++i) {
    SUM_String tag;
    EXPECT_EQ(list[i].tag(tag), 0);
    tags.push_back(str(tag));
  }
  return tags;
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

  SUM_Oid replica;
  ASSERT_EQ(pvob.replica_oid(replica), 0);
  SUM_Vob by_replica;
  ASSERT_EQ(SUM_Vob::construct_from_oid(replica, SUM_Vob::REPLICA_OID, by_replica), 0);
  EXPECT_EQ(by_replica, pvob);

  SUM_VobObject vob_object;
  ASSERT_EQ(pvob.vob_obj(vob_object), 0);
  SUM_Oid vob_oid;
  ASSERT_EQ(vob_object.oid(vob_oid), 0);
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
  capture.clear();

  EXPECT_EQ(SUM_Vob::construct_from_pname_or_tag("/nope", 0, by_handle), 1002);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "");
  EXPECT_EQ(SUM_Vob::construct_from_pname_or_tag("/nope", 1, by_handle), 1002);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "VOB tag \"/nope\" does not exist.\n");
}

TEST(Vob, IdentityAndKind) {
  TempHome home;
  SUM_Vob pvob = make_vob("/pvob");
  SUM_Vob plain = make_vob("/src", false);

  SUM_String tag;
  ASSERT_EQ(plain.tag(tag), 0);
  EXPECT_STREQ(tag, "/src");
  int answer = -1;
  ASSERT_EQ(pvob.is_sum_pvob(answer), 0);
  EXPECT_EQ(answer, 1);
  ASSERT_EQ(plain.is_sum_pvob(answer), 0);
  EXPECT_EQ(answer, 0);

  SUM_Oid replica;
  SUM_Oid family;
  SUM_Oid other_family;
  ASSERT_EQ(pvob.replica_oid(replica), 0);
  ASSERT_EQ(pvob.family_oid(family), 0);
  ASSERT_EQ(plain.family_oid(other_family), 0);
  EXPECT_FALSE(replica.is_null());
  EXPECT_NE(replica, family) << "the replica and its family have their own identities";
  EXPECT_NE(family, other_family);

  SUM_VobObject activity_type;
  SUM_VobObject stream_type;
  ASSERT_EQ(pvob.activity_actype(activity_type), 0);
  ASSERT_EQ(pvob.stream_actype(stream_type), 0);
  EXPECT_NE(activity_type, stream_type);
  tbs_dbid_t dbid = 0;
  ASSERT_EQ(pvob.wk_obj(VOB_WK_ACTIVITY_TYPE, dbid), 0);
  EXPECT_EQ(dbid, activity_type.dbid());
  SUM_NamedObject named(pvob, dbid);
  SUM_String name;
  ASSERT_EQ(named.name(name), 0);
  EXPECT_STREQ(name, "activity");
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
  int level = 0;
  ASSERT_EQ(old_vob.feature_level(level), 0);
  EXPECT_EQ(level, 6);
  ASSERT_EQ(new_vob.feature_level(level), 0);
  EXPECT_EQ(level, 8);

  int result = -1;
  ASSERT_EQ(old_vob.is_feature_level_lt(7, result), 0);
  EXPECT_EQ(result, 1);
  ASSERT_EQ(old_vob.is_feature_level_ge(7, result), 0);
  EXPECT_EQ(result, 0);
  ASSERT_EQ(old_vob.is_feature_level_ge(6, result), 0);
  EXPECT_EQ(result, 1) << "the level itself is not lower";
  ASSERT_EQ(new_vob.is_feature_level_lt(7, result), 0);
  EXPECT_EQ(result, 0);
  ASSERT_EQ(new_vob.is_feature_level_ge(8, result), 0);
  EXPECT_EQ(result, 1);

  EXPECT_EQ(old_vob.supports_fc_objs(), 0);
  EXPECT_EQ(new_vob.supports_fc_objs(), 1);
  EXPECT_EQ(make_vob("/seven", true, 7).supports_fc_objs(), 1);
}

TEST(Vob, AdminVobHierarchy) {
  TempHome home;
  SUM_Vob top = make_vob("/top");
  SUM_Vob middle = make_vob("/middle", false);
  SUM_Vob leaf = make_vob("/leaf", false);

  SUM_Vob out = top;
  EXPECT_EQ(leaf.admin_vob(out, 0), 1002);
  EXPECT_EQ(leaf.admin_vob(out, 1), 1002);
  EXPECT_EQ(leaf.this_admin_vob(out), 1002);
  EXPECT_TRUE(out.is_null()) << "this_admin_vob clears its result when there is none";
  int answer = -1;
  ASSERT_EQ(leaf.has_admin_vob(answer), 0);
  EXPECT_EQ(answer, 0);

  ASSERT_EQ(leaf.set_admin_vob(middle), 0);
  ASSERT_EQ(middle.set_admin_vob(top), 0);

  ASSERT_EQ(leaf.has_admin_vob(answer), 0);
  EXPECT_EQ(answer, 1);
  ASSERT_EQ(leaf.this_admin_vob(out), 0);
  EXPECT_EQ(out, middle);
  ASSERT_EQ(leaf.admin_vob(out, 0), 0);
  EXPECT_EQ(out, middle);
  ASSERT_EQ(leaf.admin_vob(out, 1), 0);
  EXPECT_EQ(out, top) << "following climbs to the top of the hierarchy";
  ASSERT_EQ(middle.admin_vob(out, 1), 0);
  EXPECT_EQ(out, top);
  EXPECT_EQ(top.admin_vob(out, 1), 1002);

  ASSERT_EQ(top.is_admin_vob(answer), 0);
  EXPECT_EQ(answer, 1);
  ASSERT_EQ(middle.is_admin_vob(answer), 0);
  EXPECT_EQ(answer, 1);
  ASSERT_EQ(leaf.is_admin_vob(answer), 0);
  EXPECT_EQ(answer, 0);
}

TEST(Vob, SecondAdminVobIsRefused) {
  TempHome home;
  SUM_Vob admin = make_vob("/admin");
  SUM_Vob other = make_vob("/other");
  SUM_Vob src = make_vob("/src", false);
  ASSERT_EQ(src.set_admin_vob(admin), 0);

  ImsgCapture capture;
  EXPECT_EQ(src.set_admin_vob(other), 1001);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "VOB \"/src\" already has an Admin VOB\n");
  SUM_Vob out;
  ASSERT_EQ(src.admin_vob(out, 0), 0);
  EXPECT_EQ(out, admin) << "the refused call changed nothing";

  capture.clear();
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

  SUM_VobList list;
  ASSERT_EQ(top.get_pvob_list(list), 0);
  EXPECT_EQ(tags_of(list), std::vector<std::string>{"/top"}) << "a PVOB sees itself";

  list.clear();
  ASSERT_EQ(leaf.get_pvob_list(list), 0);
  std::vector<std::string> tags = tags_of(list);
  EXPECT_EQ(tags, (std::vector<std::string>{"/top", "/side"}))
      << "the top and the PVOBs naming a VOB below it";

  list.clear();
  ASSERT_EQ(alone.get_pvob_list(list), 0);
  EXPECT_EQ(list.count(), 0u);
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
