// SUM_VobObject, SUM_NamedObject, SUM_Replica, the typed-handle mechanism,
// identities, users, storage areas and cursors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/date.h"
#include "services/imsg.h"
#include "services/sysutl.h"
#include "services/tbs.h"
#include "services/vob.h"
#include "sum/sum_handle_kind.h"
#include "sum/sum_ids.h"
#include "sum/sum_os_user.h"
#include "sum/sum_replica.h"
#include "sum/sum_stg_area.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"
#include "support/imsg_capture.h"
#include "support/checks.h"
#include "support/sandbox.h"
#include "support/vob_elem_fixture.h"

namespace {

using test_support::ImsgCapture;
using test_support::out;
using test_support::ScopedEnv;
using test_support::TempHome;
using test_support::text;

// A branch-type handle built on the typed-handle mechanism, as the element
// classes will be.
class TestBranchType : public SUM_NamedObject {
 public:
  static constexpr SUM_HandleKind handle_kind = SUM_HandleKind::BRANCH_TYPE;
  TestBranchType() = default;
  TestBranchType(const SUM_Vob& vob, tbs_dbid_t dbid) : SUM_NamedObject(vob, dbid) {}
  static TestBranchType convert(const SUM_VobObject& o) {
    return sum_convert_as<TestBranchType>(o);
  }
  static int construct_from_selector(const SUM_String& text, const SUM_Vob& vob,
                                     TestBranchType& out, int widen = 0) {
    return sum_construct_from_selector_as(text, vob, out, widen);
  }
};

class VobObjectTest : public ::testing::Test {
 protected:
  void SetUp() override { vob = SUM_Vob(test_support::make_test_vob("/pvob", true)); }
  SUM_NamedObject make_brtype(const char* name, const char* comment = nullptr) {
    vob_event_info_t event;
    event.comment = comment;
    tbs_dbid_t dbid = 0;
    EXPECT_EQ(vob_type_create(vob.handle(), VOB_MTYPE_BRANCH_TYPE, name, &event, &dbid), 0);
    return SUM_NamedObject(vob, dbid);
  }
  TempHome home;
  SUM_Vob vob;
};

TEST_F(VobObjectTest, NullHandlesAreInternalErrors) {
  ImsgCapture capture;
  SUM_NamedObject null;
  SUM_NamedObject no_vob(SUM_Vob(), 5);
  EXPECT_EQ(null.is_null(), 1);
  EXPECT_EQ(no_vob.is_null(), 1);
  EXPECT_EQ(SUM_VobObject(vob, 0).is_null(), 1);
  vob_mtype_t mtype = 0;
  SUM_String text;
  int answer = 9;
  EXPECT_EQ(null.metatype(mtype), 1072);
  EXPECT_EQ(null.name(text), 1072);
  EXPECT_EQ(no_vob.is_locked(answer), 1072);
  EXPECT_EQ(no_vob.exists(answer), 1072) << "a dbid with a null VOB is an internal error";
  EXPECT_EQ(answer, 9);

  std::vector<tbs_int_error_record> records;
  ASSERT_EQ(tbs_read_int_error_log(records), 0);
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].source_file, "sum_vob_object");
  EXPECT_EQ(records[0].operation, "SUM_VobObject::metatype");
  EXPECT_EQ(records[1].operation, "SUM_NamedObject::name");
  EXPECT_EQ(records[3].operation, "SUM_VobObject::exists");
  EXPECT_STREQ(null.any_name(), "<null object>");
  EXPECT_STREQ(null.any_fullname(), "<null object>");
}

TEST_F(VobObjectTest, ExistsOfDbidZeroAnswersWithoutAsking) {
  EXPECT_EQ(out(SUM_VobObject(vob, 0), &SUM_VobObject::exists), 0);
  EXPECT_EQ(out(SUM_VobObject(SUM_Vob(), 0), &SUM_VobObject::exists), 0);
  EXPECT_EQ(out(make_brtype("dev"), &SUM_VobObject::exists), 1);
  EXPECT_EQ(out(SUM_VobObject(vob, 999999), &SUM_VobObject::exists), 0);
}

TEST_F(VobObjectTest, KindOwnerAndIdentity) {
  ScopedEnv user("KORVANE_USER", "alice");
  SUM_NamedObject dev = make_brtype("dev");
  EXPECT_EQ(out(dev, &SUM_VobObject::metatype), VOB_MTYPE_BRANCH_TYPE);
  EXPECT_EQ(out(dev, &SUM_VobObject::is_dir), 0);

  SUM_OsUser owner = out(dev, &SUM_VobObject::owner);
  char login[256];
  ASSERT_EQ(owner.login_name(login), 0);
  EXPECT_STREQ(login, "alice");
  EXPECT_EQ(owner, SUM_OsUser("alice"));
  EXPECT_NE(owner, SUM_OsUser("bob"));

  tbs_oid_t raw;
  SUM_Oid oid;
  ASSERT_EQ(dev.oid(raw), 0);
  ASSERT_EQ(dev.oid(oid), 0);
  EXPECT_EQ(oid, SUM_Oid(raw));
  EXPECT_NE(out<SUM_Oid>(make_brtype("other"), &SUM_VobObject::oid), oid);
}

TEST_F(VobObjectTest, DescriptionAndCreationTime) {
  // Coarse and fine clocks may straddle a second boundary: allow one second.
  date_timeval_t before;
  date_get_timeval(&before);
  SUM_NamedObject dev = make_brtype("dev", "branch for development");
  date_timeval_t after;
  date_get_timeval(&after);

  EXPECT_EQ(text(dev, &SUM_VobObject::description), "branch for development");
  long created = out(dev, &SUM_VobObject::creation_time);
  EXPECT_GE(created, before.sec - 1);
  EXPECT_LE(created, after.sec + 1);

  ASSERT_EQ(dev.set_description("the development branch", "typo"), 0);
  EXPECT_EQ(text(dev, &SUM_VobObject::description), "the development branch");
  EXPECT_EQ(out(dev, &SUM_VobObject::creation_time), created)
      << "changing the comment keeps the creation time";
}

TEST_F(VobObjectTest, SelectorsAndMessageNames) {
  SUM_NamedObject dev = make_brtype("dev");
  EXPECT_EQ(text(dev, &SUM_VobObject::selector), "brtype:dev@/pvob");
  for (int short_form : {1, 0}) {
    SUM_String selector;
    ASSERT_EQ(dev.selector(short_form, selector), 0);
    EXPECT_STREQ(selector, short_form ? "dev@/pvob" : "brtype:dev@/pvob");
  }
  EXPECT_STREQ(dev.any_fullname(), "dev@/pvob");
  EXPECT_STREQ(dev.any_name(), "dev@/pvob");

  std::string universal = text(dev, &SUM_VobObject::univ_selector);
  EXPECT_EQ(universal.rfind("oid:", 0), 0u) << universal;
  EXPECT_STREQ(SUM_VobObject(vob, 999999).any_name(), "???");
}

TEST_F(VobObjectTest, AnyNameRingKeepsFourTexts) {
  SUM_NamedObject a = make_brtype("a");
  SUM_NamedObject b = make_brtype("b");
  const char* first = a.any_name();
  b.any_name();
  b.any_name();
  b.any_name();
  EXPECT_STREQ(first, "a@/pvob") << "valid for three more calls";
  const char* fifth = b.any_name();
  EXPECT_EQ(fifth, first);
  EXPECT_STREQ(first, "b@/pvob") << "the fifth call overwrote the first text";
}

TEST_F(VobObjectTest, RenameRoundTrip) {
  SUM_NamedObject dev = make_brtype("dev");
  make_brtype("taken");
  ASSERT_EQ(dev.set_name("feature", "clearer name"), 0);
  EXPECT_EQ(text(dev, &SUM_NamedObject::name), "feature");
  char buf[256];
  ASSERT_EQ(dev.name(buf), 0);
  EXPECT_STREQ(buf, "feature");

  {
    ImsgCapture capture;
    EXPECT_EQ(dev.set_name("taken", ""), TBS_ST_EXISTS);
  }
  EXPECT_EQ(text(dev, &SUM_NamedObject::name), "feature") << "a refused rename keeps the name";
  ASSERT_EQ(dev.set_name_basic("again", "basic"), 0);
  EXPECT_EQ(text(dev, &SUM_NamedObject::name), "again");
}

TEST_F(VobObjectTest, LocksAndExemptUsers) {
  ScopedEnv user("KORVANE_USER", "alice");
  SUM_NamedObject dev = make_brtype("dev");
  // (locked, obsolete) as the acting user sees them.
  auto state = [&] {
    return std::make_pair(out(dev, &SUM_VobObject::is_locked),
                          out(dev, &SUM_VobObject::is_obsolete));
  };
  EXPECT_EQ(state(), std::make_pair(0, 0));

  vob_event_info_t event;
  ASSERT_EQ(vob_obj_lock(vob.handle(), dev.dbid(), 0, {"alice"}, &event), 0);
  EXPECT_EQ(state(), std::make_pair(0, 0)) << "alice is exempt";
  {
    ScopedEnv other("KORVANE_USER", "bob");
    EXPECT_EQ(state(), std::make_pair(1, 0));
  }
  ASSERT_EQ(vob_obj_lock(vob.handle(), dev.dbid(), 1, {}, &event), 0);
  EXPECT_EQ(state(), std::make_pair(1, 1));
}

TEST_F(VobObjectTest, ReplicaSelectorsResolveToOneHandle) {
  tbs_dbid_t local = 0;
  ASSERT_EQ(vob_ob_get_replica(vob.handle(), &local), 0);

  SUM_Replica by_short;
  ASSERT_EQ(SUM_Replica::construct_from_selector("replica:original", vob, by_short), 0);
  EXPECT_EQ(by_short.dbid(), local);
  SUM_Replica by_tagged;
  ASSERT_EQ(SUM_Replica::construct_from_selector("replica:original@/pvob", SUM_Vob(), by_tagged),
            0);
  EXPECT_EQ(by_tagged, by_short);
  SUM_Replica by_universal;
  ASSERT_EQ(SUM_Replica::construct_from_selector(out(by_short, &SUM_VobObject::univ_selector),
                                                 SUM_Vob(), by_universal),
            0);
  EXPECT_EQ(by_universal, by_short);
  EXPECT_EQ(text(by_short, &SUM_Replica::tarsen_site_name), "original");

  SUM_Replica missing = by_short;
  EXPECT_EQ(SUM_Replica::construct_from_selector("replica:elsewhere", vob, missing), 1002);
  EXPECT_EQ(missing.is_null(), 1);
}

TEST_F(VobObjectTest, WrongMetatypeConvertsToNull) {
  SUM_NamedObject dev = make_brtype("dev");
  EXPECT_EQ(SUM_Replica::convert(dev).is_null(), 1);
  EXPECT_EQ(SUM_Replica::convert(SUM_VobObject()).is_null(), 1);
  EXPECT_EQ(TestBranchType::convert(dev), dev);

  SUM_Replica none;
  EXPECT_EQ(
      SUM_Replica::construct_from_selector(out(dev, &SUM_VobObject::univ_selector), vob, none),
      1001)
      << "a branch type named by identity is not a replica";
  EXPECT_EQ(none.is_null(), 1);

  TestBranchType brtype;
  ASSERT_EQ(TestBranchType::construct_from_selector("dev", vob, brtype), 0);
  EXPECT_EQ(brtype, dev);
  SUM_Replica replica;
  ASSERT_EQ(SUM_Replica::construct_from_selector("replica:original", vob, replica), 0);
  EXPECT_EQ(TestBranchType::convert(replica).is_null(), 1);
}

TEST_F(VobObjectTest, WideningLooksInTheAdminVob) {
  SUM_Vob src(test_support::make_test_vob("/src"));
  ASSERT_EQ(src.set_admin_vob(vob), 0);
  SUM_NamedObject global = make_brtype("global");

  TestBranchType found;
  EXPECT_EQ(TestBranchType::construct_from_selector("global", src, found), 1002);
  ASSERT_EQ(TestBranchType::construct_from_selector("global", src, found, 1), 0);
  EXPECT_EQ(found, global);
}

TEST_F(VobObjectTest, MastershipIsLocalInASingleReplica) {
  SUM_NamedObject dev = make_brtype("dev");
  EXPECT_EQ(out(dev, &SUM_VobObject::has_local_mastership), 1);
  int local = -1;
  SUM_Replica master;
  SUM_Replica here;
  ASSERT_EQ(dev.has_local_mastership(local, master, here), 0);
  EXPECT_EQ(local, 1);
  EXPECT_EQ(master, here);
  EXPECT_EQ(here.is_null(), 0);
  EXPECT_EQ(out(dev, &SUM_VobObject::master), master);

  ASSERT_EQ(dev.chmaster(here, "keep", 0), 0) << "giving mastership to its holder";
  ImsgCapture capture;
  EXPECT_EQ(dev.chmaster(SUM_Replica(), "none", 0), 1072);
}

TEST(Ids, OidAndUuidTextRoundTrips) {
  SUM_Oid null_oid;
  EXPECT_EQ(null_oid.is_null(), 1);
  SUM_Oid oid;
  ASSERT_EQ(SUM_Oid::construct_from_string("3a1f0c2e.9b7d.4e21.a0c3.5d8e9f001122", oid), 0);
  EXPECT_EQ(oid.is_null(), 0);
  EXPECT_STREQ(oid.string(), "3a1f0c2e.9b7d.4e21.a0c3.5d8e9f001122");
  EXPECT_STREQ(oid.dstring(), "3a1f0c2e:9b7d:4e21:a0c3:5d8e9f001122");
  SUM_Oid from_display;
  ASSERT_EQ(SUM_Oid::construct_from_string(oid.dstring(), from_display), 0);
  EXPECT_EQ(from_display, oid);
  EXPECT_NE(oid, null_oid);

  SUM_Uuid uuid = oid.uuid();
  EXPECT_STREQ(uuid.string(), "3a1f0c2e-9b7d-4e21-a0c3-5d8e9f001122");
  EXPECT_EQ(SUM_Oid(uuid), oid) << "the same 16 bytes under either name";
  SUM_Uuid parsed;
  ASSERT_EQ(SUM_Uuid::construct_from_string(uuid.string(), parsed), 0);
  EXPECT_EQ(parsed, uuid);
  EXPECT_EQ(parsed, uuid.uuid());
  EXPECT_EQ(SUM_Uuid().is_null(), 1);
  EXPECT_NE(parsed, SUM_Uuid());

  SUM_Oid kept = oid;
  EXPECT_EQ(SUM_Oid::construct_from_string("not-an-oid", kept), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(kept, oid) << "a failed parse leaves the result untouched";
  EXPECT_EQ(SUM_Uuid::construct_from_string("", parsed), TBS_ST_BAD_ARGUMENT);
}

TEST(OsUser, CurrentUserAndIdentities) {
  TempHome home;
  ScopedEnv user("KORVANE_USER", "carol");
  SUM_OsUser me;
  ASSERT_EQ(SUM_OsUser::current_user(me), 0);
  char login[256];
  me.login_name(login);
  EXPECT_STREQ(login, "carol");
  EXPECT_EQ(me.is_null(), 0);
  EXPECT_EQ(SUM_OsUser().is_null(), 1);

  sysutl_usid_t sid;
  ASSERT_EQ(me.user_sid(sid), 0);
  SUM_OsUser back;
  ASSERT_EQ(SUM_OsUser::construct_from_user_sid(sid, back), 0);
  EXPECT_EQ(back, me);
  back.login_name(login);
  EXPECT_STREQ(login, "carol");

  SUM_OsUser kept = me;
  EXPECT_EQ(SUM_OsUser::construct_from_user_sid(sysutl_usid_t(), kept), 1002)
      << "a record naming no user is not there";
  EXPECT_EQ(kept, me);
  ImsgCapture capture;
  EXPECT_EQ(SUM_OsUser::construct_from_login(nullptr, kept), 1072);
}

TEST_F(VobObjectTest, CursorWalksAndCloses) {
  SUM_NamedObject dev = make_brtype("dev");
  SUM_NamedObject rel = make_brtype("rel");
  SUM_VobCursor cursor(vob);
  EXPECT_EQ(cursor.is_open(), 0);
  ASSERT_EQ(cursor.open(VOB_MTYPE_BRANCH_TYPE), 0);
  EXPECT_EQ(cursor.is_open(), 1);
  std::vector<tbs_dbid_t> seen;
  tbs_dbid_t dbid = 0;
  int status;
  while ((status = cursor.next(dbid)) == 0)
    seen.push_back(dbid);
  EXPECT_EQ(status, 1002);
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[seen.size() - 2], dev.dbid());
  EXPECT_EQ(seen.back(), rel.dbid());
  cursor.reset();
  EXPECT_EQ(cursor.is_open(), 0);
  EXPECT_EQ(cursor.handle(), nullptr);
  EXPECT_EQ(cursor.vob(), vob);

  ImsgCapture capture;
  EXPECT_EQ(cursor.next(dbid), 1072) << "a closed cursor has nothing to read";
  SUM_VobCursor no_vob;
  EXPECT_EQ(no_vob.open(VOB_MTYPE_NONE), 1072);
}

TEST(StgArea, AllocatesUntilDestroyed) {
  SUM_StgArea area;
  ASSERT_NE(area.area(), nullptr);
  char* copy = area.strdup("listing result");
  ASSERT_NE(copy, nullptr);
  EXPECT_STREQ(copy, "listing result");
  void* block = area.alloc(10000);
  ASSERT_NE(block, nullptr) << "larger than one block";
  EXPECT_GE(stg_area_used(area.area()), 10000u);
}

}  // namespace
