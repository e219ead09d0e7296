// The VOB store: creation with its well-known objects, the registry, names,
// events, locks, mastership, process variables, hyperlinks across VOBs,
// selectors and cursors.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "services/rgy.h"
#include "services/vob.h"
#include "services/vob_zem.h"
#include "support/imsg_capture.h"
#include "support/sandbox.h"
#include "support/vob_elem_fixture.h"

namespace {

using test_support::ImsgCapture;
using test_support::TempHome;
using test_support::wk_obj;

vob_vob_h make_vob(const std::string& tag, bool pvob = false, int level = 8) {
  vob_create_args_t args;
  args.tag = tag;
  args.project_vob = pvob;
  args.feature_level = level;
  args.comment = "made by a test";
  vob_vob_h vob = nullptr;
  EXPECT_EQ(vob_create(args, &vob), 0) << tag;
  return vob;
}

tbs_dbid_t make_type(vob_vob_h vob, const char* name, vob_mtype_t mtype = VOB_MTYPE_LABEL_TYPE) {
  vob_event_info_t event;
  event.comment = "type for a test";
  event.opcode = 17;
  tbs_dbid_t dbid = 0;
  EXPECT_EQ(vob_type_create(vob, mtype, name, &event, &dbid), 0) << name;
  return dbid;
}

std::string selector_of(vob_vob_h vob, tbs_dbid_t dbid, bool universal = false) {
  char buf[1024];
  int status = universal ? vob_obj_get_uselector(vob, dbid, buf, sizeof buf)
                         : vob_obj_get_selector(vob, dbid, buf, sizeof buf);
  EXPECT_EQ(status, 0);
  return buf;
}

class VobStoreTest : public ::testing::Test {
 protected:
  TempHome home;
};

TEST_F(VobStoreTest, ProjectVobHasItsWellKnownObjects) {
  vob_vob_h pvob = make_vob("/pvob", true);
  int type = 0;
  ASSERT_EQ(vob_ob_get_type(pvob, &type), 0);
  EXPECT_EQ(type, 2);
  int level = 0;
  ASSERT_EQ(vob_ob_get_feature_level(pvob, &level), 0);
  EXPECT_EQ(level, 8);
  struct Expected {
    vob_wkobj_t number;
    vob_mtype_t mtype;
    const char* name;
  };
  for (const Expected& e :
       {Expected{1, VOB_MTYPE_VOB, "pvob"}, Expected{34, VOB_MTYPE_ACTIVITY_TYPE, "activity"},
        Expected{35, VOB_MTYPE_HYPERLINK_TYPE, "AdminVOB"},
        Expected{55, VOB_MTYPE_ACTIVITY_TYPE, "folder"},
        Expected{64, VOB_MTYPE_FOLDER, "RootFolder"},
        Expected{77, VOB_MTYPE_ATTRIBUTE_TYPE, "PromotionLevel"}}) {
    tbs_dbid_t dbid = wk_obj(pvob, e.number);
    vob_mtype_t mtype = 0;
    ASSERT_EQ(vob_obj_get_mtype(pvob, dbid, &mtype), 0);
    EXPECT_EQ(mtype, e.mtype) << e.number;
    char name[256];
    ASSERT_EQ(vob_obj_get_name(pvob, dbid, name, sizeof name), 0);
    EXPECT_STREQ(name, e.name);
  }
  vob_mtype_t root_dir = 0;
  ASSERT_EQ(vob_obj_get_mtype(pvob, wk_obj(pvob, VOB_WK_ROOT_DIRECTORY), &root_dir), 0);
  EXPECT_EQ(root_dir, VOB_MTYPE_DIRECTORY_ELEMENT);
}

TEST_F(VobStoreTest, OlderProjectVobKeepsItsRootFolderAsActivityLikeObject) {
  vob_vob_h old = make_vob("/old", true, 6);
  tbs_dbid_t root = wk_obj(old, VOB_WK_ROOT_FOLDER);
  vob_mtype_t mtype = 0;
  tbs_dbid_t type = 0;
  ASSERT_EQ(vob_obj_get_mtype(old, root, &mtype), 0);
  ASSERT_EQ(vob_obj_get_type(old, root, &type), 0);
  EXPECT_EQ(mtype, VOB_MTYPE_ACTIVITY_LIKE);
  EXPECT_EQ(type, wk_obj(old, VOB_WK_FOLDER_TYPE));
  EXPECT_EQ(selector_of(old, root), "folder:RootFolder@/old");

  vob_vob_h plain = make_vob("/src");
  tbs_dbid_t none = 0;
  EXPECT_EQ(vob_ob_get_wk_obj(plain, VOB_WK_ROOT_FOLDER, &none), 1002)
      << "only project VOBs have a root folder";
}

TEST_F(VobStoreTest, BadInputIsRefusedAndChangesNothing) {
  make_vob("/pvob", true);
  ImsgCapture capture;
  vob_create_args_t args;
  args.tag = "pvob";
  EXPECT_EQ(vob_create(args, nullptr), 1004);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("VOB tag \"pvob\" must be a slash"), std::string::npos);
  args.tag = "/bad level";
  EXPECT_EQ(vob_create(args, nullptr), 1004);
  args.tag = "/ok";
  args.feature_level = 9;
  EXPECT_EQ(vob_create(args, nullptr), 1004);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("Feature level 9 is not supported"), std::string::npos);
  args.feature_level = 8;
  args.tag = "/pvob";
  EXPECT_EQ(vob_create(args, nullptr), 1003);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("VOB tag \"/pvob\" already exists."),
            std::string::npos);

  std::string existing = home.path() + "/occupied";
  std::filesystem::create_directories(existing);
  std::ofstream(existing + "/keep.txt") << "data";
  args.tag = "/other";
  args.storage_path = existing;
  EXPECT_EQ(vob_create(args, nullptr), 1003);
  EXPECT_TRUE(std::filesystem::exists(existing + "/keep.txt"))
      << "an existing directory is untouched";

  args.storage_path = "/proc/korvane-cannot-write-here";
  EXPECT_NE(vob_create(args, nullptr), 0);
  EXPECT_EQ(rgy_lookup_vob_tag("/other", nullptr), 1002) << "a failed creation registers nothing";

  std::vector<rgy_vob_entry> all;
  ASSERT_EQ(rgy_next_vob_entries("*", 0, 100, all), 0);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].tag, "/pvob");
}

// Whether a label type `name` exists in `vob`.
bool has_type(vob_vob_h vob, const char* name) {
  tbs_dbid_t dbid = 0;
  return vob_obj_resolve(vob, name, VOB_MTYPE_LABEL_TYPE, &dbid) == 0;
}

TEST_F(VobStoreTest, WriteGroupsCommitWholeNestAndUndoWhole) {
  vob_vob_h vob = make_vob("/grouped");
  {
    vob_write_group group(vob);
    ASSERT_EQ(group.status(), 0);
    make_type(vob, "dropped");
    vob_write_group inner(vob);
    ASSERT_EQ(inner.status(), 0);
    make_type(vob, "inner");
    ASSERT_EQ(inner.commit(), 0);
  }  // the outer group ends without commit
  EXPECT_FALSE(has_type(vob, "dropped"));
  EXPECT_FALSE(has_type(vob, "inner")) << "an inner commit waits for the outer group's";
  {
    vob_write_group group(vob);
    make_type(vob, "kept");
    {
      vob_write_group inner(vob);
      make_type(vob, "undone");
    }  // the inner group ends without commit: its writes alone go
    make_type(vob, "after");
    ASSERT_EQ(group.commit(), 0);
    EXPECT_NE(group.commit(), 0) << "a group commits once";
  }
  EXPECT_TRUE(has_type(vob, "kept"));
  EXPECT_TRUE(has_type(vob, "after")) << "the outer group went on after the inner one ended";
  EXPECT_FALSE(has_type(vob, "undone"));
  {
    vob_write_group group(vob);
    make_type(vob, "later");
    vob_write_group inner(vob);
    make_type(vob, "inner_later");
  }  // neither commits: the writes made after an inner group began go too
  EXPECT_FALSE(has_type(vob, "later"));
  EXPECT_FALSE(has_type(vob, "inner_later"));
  vob_write_group none(nullptr);
  EXPECT_EQ(none.status(), TBS_ST_BAD_ARGUMENT);
  EXPECT_EQ(none.commit(), TBS_ST_BAD_ARGUMENT);
}

TEST_F(VobStoreTest, RemovalDropsTagAndStorage) {
  vob_vob_h vob = make_vob("/gone");
  std::string storage;
  ASSERT_EQ(vob_ob_get_storage_path(vob, storage), 0);
  ASSERT_TRUE(std::filesystem::exists(storage));
  ASSERT_EQ(vob_remove("/gone"), 0);
  EXPECT_FALSE(std::filesystem::exists(storage));
  EXPECT_EQ(rgy_lookup_vob_tag("/gone", nullptr), 1002);
  int level = 0;
  EXPECT_EQ(vob_ob_get_feature_level(vob, &level), 1002) << "a removed VOB's handle finds nothing";
  ImsgCapture capture;
  EXPECT_EQ(vob_remove("/gone"), 1002);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "VOB tag \"/gone\" does not exist.\n");
}

TEST_F(VobStoreTest, AdminVobCannotBeRemovedWhileUsed) {
  vob_vob_h admin = make_vob("/admin", true);
  vob_vob_h client = make_vob("/client");
  ASSERT_EQ(vob_hlink_create_wk(client, wk_obj(client, 1), VOB_WK_HLTYPE_ADMIN_VOB, admin,
                                wk_obj(admin, 1), nullptr, nullptr, nullptr, nullptr),
            0);
  ImsgCapture capture;
  EXPECT_EQ(vob_remove("/admin"), 1001);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("used as the admin VOB of \"/client\""),
            std::string::npos);
  EXPECT_EQ(rgy_lookup_vob_tag("/admin", nullptr), 0);
}

TEST_F(VobStoreTest, NamesAreUniquePerMetatypeAndRenamesAreRecorded) {
  vob_vob_h vob = make_vob("/names");
  tbs_dbid_t bl = make_type(vob, "BL_1");
  make_type(vob, "BL_1", VOB_MTYPE_BRANCH_TYPE);  // same name, other metatype
  ImsgCapture capture;
  EXPECT_EQ(vob_type_create(vob, VOB_MTYPE_LABEL_TYPE, "BL_1", nullptr, nullptr), 1003);
  tbs_dbid_t other = make_type(vob, "BL_2");
  EXPECT_EQ(vob_obj_set_name(vob, other, "BL_1", nullptr), 1003);
  vob_event_info_t why;
  why.comment = "clearer name";
  ASSERT_EQ(vob_obj_set_name(vob, bl, "REL_1", &why), 0);
  tbs_dbid_t found = 0;
  ASSERT_EQ(vob_obj_resolve(vob, "REL_1", VOB_MTYPE_LABEL_TYPE, &found), 0);
  EXPECT_EQ(found, bl);
  EXPECT_EQ(vob_obj_resolve(vob, "BL_1", VOB_MTYPE_LABEL_TYPE, &found), 1002);

  std::vector<vob_event_t> events;
  ASSERT_EQ(vob_obj_get_events(vob, bl, events), 0);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].kind, VOB_EVENT_CREATE);
  EXPECT_EQ(events[0].comment, "type for a test");
  EXPECT_EQ(events[0].opcode, 17);
  EXPECT_EQ(events[1].kind, VOB_EVENT_RENAME);
  EXPECT_EQ(events[1].comment, "clearer name");
}

TEST_F(VobStoreTest, EventsCarryTheActingUserAndCommentsCanChange) {
  setenv("KORVANE_USER", "alice", 1);
  vob_vob_h vob = make_vob("/events");
  tbs_dbid_t type = make_type(vob, "REL");
  unsetenv("KORVANE_USER");
  vob_fstat_t fstat;
  ASSERT_EQ(vob_obj_get_fstat_db(vob, type, &fstat), 0);
  EXPECT_EQ(fstat.owner, "alice");
  vob_event_t created;
  ASSERT_EQ(vob_event_get_latest(vob, type, VOB_EVENT_CREATE, &created), 0);
  EXPECT_EQ(created.user, "alice");
  ASSERT_EQ(vob_event_change_comment(vob, created.id, "better comment", "typo"), 0);
  ASSERT_EQ(vob_event_get_latest(vob, type, VOB_EVENT_CREATE, &created), 0);
  EXPECT_EQ(created.comment, "better comment");
  vob_event_t none;
  EXPECT_EQ(vob_event_get_latest(vob, type, VOB_EVENT_CHECKOUT, &none), 1002);
}

TEST_F(VobStoreTest, LocksApplyToEveryoneButExemptUsers) {
  setenv("KORVANE_USER", "owner", 1);
  vob_vob_h vob = make_vob("/locks");
  tbs_dbid_t type = make_type(vob, "REL");
  vob_lock_t lock;
  EXPECT_EQ(vob_obj_get_lock(vob, type, &lock), 1002);
  ASSERT_EQ(vob_obj_lock(vob, type, 1, {"bob"}, nullptr), 0);
  ASSERT_EQ(vob_obj_get_lock(vob, type, &lock), 0);
  EXPECT_EQ(lock.obsolete, 1);
  EXPECT_EQ(lock.exempt, std::vector<std::string>{"bob"});
  EXPECT_EQ(vob_utl_lock_excludes_user(&lock, "carol"), 0);
  EXPECT_EQ(vob_utl_lock_excludes_user(&lock, "bob"), 1002);

  ImsgCapture capture;
  setenv("KORVANE_USER", "carol", 1);
  EXPECT_EQ(vob_obj_set_name(vob, type, "NEW", nullptr), 1040);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "Object \"lbtype:REL@/locks\" is obsolete.\n");
  EXPECT_EQ(vob_obj_unlock(vob, type, nullptr), 1051) << "only owners and privileged users unlock";
  setenv("KORVANE_USER", "bob", 1);
  EXPECT_EQ(vob_obj_set_name(vob, type, "NEW", nullptr), 0) << "bob is exempt";
  ASSERT_EQ(rgy_add_privileged_user("bob"), 0);
  EXPECT_EQ(vob_obj_unlock(vob, type, nullptr), 0) << "privileged users unlock";
  EXPECT_EQ(vob_obj_unlock(vob, type, nullptr), 1002);

  setenv("KORVANE_USER", "owner", 1);
  ASSERT_EQ(vob_obj_lock(vob, wk_obj(vob, VOB_WK_VOB_OBJECT), 0, {}, nullptr), 0);
  setenv("KORVANE_USER", "carol", 1);
  EXPECT_EQ(vob_obj_set_name(vob, type, "OTHER", nullptr), 1040)
      << "a locked VOB locks its objects";
  unsetenv("KORVANE_USER");
}

TEST_F(VobStoreTest, OneRuleDecidesWhoMayChangeAnObject) {
  setenv("KORVANE_USER", "owner", 1);
  vob_vob_h vob = make_vob("/rule");
  tbs_dbid_t vobs = make_type(vob, "VOBS");
  setenv("KORVANE_USER", "alice", 1);
  tbs_dbid_t hers = make_type(vob, "HERS");
  EXPECT_EQ(vob_obj_check_change(vob, hers), 0) << "the object's owner";
  {
    ImsgCapture capture;
    EXPECT_EQ(vob_obj_check_change(vob, vobs), 1051);
    EXPECT_EQ(capture.joined(IMSG_ERROR),
              "No permission to change lbtype \"VOBS@/rule\": user \"alice\" is neither its "
              "owner (\"owner\"), the owner of VOB \"/rule\" (\"owner\") nor a privileged "
              "user.\n");
  }
  int allowed = 1;
  ASSERT_EQ(vob_obj_zem_check_permission(vob, vobs, &allowed), 0);
  EXPECT_EQ(allowed, 0) << "the quiet question answers as the rule does";
  setenv("KORVANE_USER", "owner", 1);
  EXPECT_EQ(vob_obj_check_change(vob, hers), 0) << "the VOB's owner";
  setenv("KORVANE_USER", "carol", 1);
  EXPECT_EQ(vob_obj_check_change(vob, hers), 1051);
  ASSERT_EQ(rgy_add_privileged_user("carol"), 0);
  EXPECT_EQ(vob_obj_check_change(vob, hers), 0) << "a privileged user";

  // A lock binds the owners too, except the users it exempts.
  ASSERT_EQ(vob_obj_lock(vob, hers, 0, {"alice"}, nullptr), 0);
  setenv("KORVANE_USER", "owner", 1);
  {
    ImsgCapture capture;
    EXPECT_EQ(vob_obj_check_change(vob, hers), 1040);
    EXPECT_EQ(capture.joined(IMSG_ERROR), "Object \"lbtype:HERS@/rule\" is locked.\n");
  }
  setenv("KORVANE_USER", "alice", 1);
  EXPECT_EQ(vob_obj_check_change(vob, hers), 0);
  EXPECT_EQ(vob_obj_check_change(vob, 99999), 1002) << "a missing object";
  unsetenv("KORVANE_USER");
}

TEST_F(VobStoreTest, ObjectsAreMasteredByTheLocalReplica) {
  vob_vob_h vob = make_vob("/master");
  tbs_dbid_t type = make_type(vob, "REL");
  tbs_dbid_t here = 0;
  tbs_dbid_t master = 0;
  ASSERT_EQ(vob_ob_get_replica(vob, &here), 0);
  ASSERT_EQ(vob_obj_get_master(vob, type, &master), 0);
  EXPECT_EQ(master, here);
  int local = 0;
  ASSERT_EQ(vob_obj_has_local_mastership(vob, type, &local), 0);
  EXPECT_EQ(local, 1);
  EXPECT_EQ(selector_of(vob, here), "replica:original@/master");
  int replicated = 1;
  ASSERT_EQ(vob_ob_is_replicated(vob, &replicated), 0);
  EXPECT_EQ(replicated, 0);
  EXPECT_EQ(vob_obj_set_master_int(vob, type, type, nullptr), 1004) << "a master must be a replica";
}

TEST_F(VobStoreTest, ProcessVariablesHoldBytes) {
  vob_vob_h vob = make_vob("/pvars");
  tbs_dbid_t type = make_type(vob, "REL");
  std::string value("a\0b=c\nline", 10);
  ASSERT_EQ(vob_obj_set_pvar(vob, type, "ZEM_DELIVER", value), 0);
  ASSERT_EQ(vob_obj_set_pvar(vob, type, "A_FIRST", "x"), 0);
  std::string read;
  ASSERT_EQ(vob_obj_get_pvar(vob, type, "ZEM_DELIVER", read), 0);
  EXPECT_EQ(read, value);
  std::vector<std::string> names;
  ASSERT_EQ(vob_obj_list_pvars(vob, type, names), 0);
  EXPECT_EQ(names, (std::vector<std::string>{"A_FIRST", "ZEM_DELIVER"}));
  ASSERT_EQ(vob_obj_delete_pvar(vob, type, "ZEM_DELIVER"), 0);
  EXPECT_EQ(vob_obj_get_pvar(vob, type, "ZEM_DELIVER", read), 1002);
  EXPECT_EQ(vob_obj_delete_pvar(vob, type, "ZEM_DELIVER"), 1002);
  EXPECT_EQ(vob_obj_set_pvar(vob, 99999, "X", "y"), 1002) << "no variable on a missing object";
}

TEST_F(VobStoreTest, HyperlinksAcrossVobsWalkFromBothEnds) {
  vob_vob_h admin = make_vob("/admin", true);
  vob_vob_h client = make_vob("/client");
  tbs_dbid_t from = wk_obj(client, VOB_WK_VOB_OBJECT);
  tbs_dbid_t to = wk_obj(admin, VOB_WK_VOB_OBJECT);
  tbs_dbid_t link = 0;
  ASSERT_EQ(vob_hlink_create_wk(client, from, VOB_WK_HLTYPE_ADMIN_VOB, admin, to, "f", "t", nullptr,
                                &link),
            0);
  std::vector<vob_hlink_end_t> out;
  ASSERT_EQ(vob_obj_list_hlinks(client, from, VOB_WK_HLTYPE_ADMIN_VOB, 1, out), 0);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].hlink, link);
  EXPECT_EQ(out[0].other_vob, admin);
  EXPECT_EQ(out[0].other, to);
  EXPECT_EQ(out[0].broken, 0);
  EXPECT_EQ(out[0].to_text, "t");

  std::vector<vob_hlink_end_t> in;
  ASSERT_EQ(vob_obj_list_hlinks(admin, to, VOB_WK_HLTYPE_ADMIN_VOB, 0, in), 0);
  ASSERT_EQ(in.size(), 1u);
  EXPECT_EQ(in[0].hlink_vob, client);
  EXPECT_EQ(in[0].hlink, link);
  EXPECT_EQ(in[0].other, from);

  std::vector<vob_vob_h> admins;
  ASSERT_EQ(vob_ob_get_admin_vobs(client, admins), 0);
  EXPECT_EQ(admins, std::vector<vob_vob_h>{admin});
  int has = 0;
  ASSERT_EQ(vob_obj_has_hlink(admin, to, VOB_WK_HLTYPE_ADMIN_VOB, 1, &has), 0);
  EXPECT_EQ(has, 0) << "the admin VOB has no outgoing link";

  // Within one VOB the link is walked backwards without an arrow.
  tbs_dbid_t type = make_type(admin, "REL");
  ASSERT_EQ(vob_hlink_create_wk(admin, type, VOB_WK_HLTYPE_CHANGE, admin, to, nullptr, nullptr,
                                nullptr, nullptr),
            0);
  ASSERT_EQ(vob_obj_list_hlinks(admin, to, VOB_WK_HLTYPE_CHANGE, 0, in), 0);
  ASSERT_EQ(in.size(), 1u);
  EXPECT_EQ(in[0].other, type);
  EXPECT_EQ(vob_hlink_create_wk(admin, type, 999, admin, to, nullptr, nullptr, nullptr, nullptr),
            1004)
      << "only well-known types";
}

TEST_F(VobStoreTest, LinkToARemovedVobIsReportedBroken) {
  vob_vob_h keep = make_vob("/keep");
  vob_vob_h gone = make_vob("/gone");
  tbs_dbid_t type = make_type(keep, "REL");
  ASSERT_EQ(vob_hlink_create_wk(keep, type, VOB_WK_HLTYPE_CHANGE, gone, wk_obj(gone, 1), nullptr,
                                nullptr, nullptr, nullptr),
            0);
  ASSERT_EQ(vob_remove("/gone"), 0);
  std::vector<vob_hlink_end_t> out;
  ASSERT_EQ(vob_obj_list_hlinks(keep, type, VOB_WK_HLTYPE_CHANGE, 1, out), 0);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].broken, 1);
  EXPECT_EQ(out[0].other, 0u);
}

TEST_F(VobStoreTest, SelectorsRoundTripInShortAndUniversalForm) {
  vob_vob_h pvob = make_vob("/pvob", true);
  tbs_dbid_t folder = wk_obj(pvob, VOB_WK_ROOT_FOLDER);
  std::string short_form = selector_of(pvob, folder);
  EXPECT_EQ(short_form, "folder:RootFolder@/pvob");
  std::string universal = selector_of(pvob, folder, true);
  EXPECT_EQ(universal.rfind("oid:", 0), 0u);
  EXPECT_NE(universal.find("@vobuuid:"), std::string::npos);

  for (const std::string& text : {short_form, universal}) {
    vob_vob_h vob = nullptr;
    tbs_dbid_t dbid = 0;
    ASSERT_EQ(vob_resolve_general(text.c_str(), VOB_SEL_ANY, nullptr, 24, &vob, &dbid), 0) << text;
    EXPECT_EQ(vob, pvob);
    EXPECT_EQ(dbid, folder);
  }
  vob_vob_h vob = nullptr;
  tbs_dbid_t dbid = 0;
  EXPECT_EQ(vob_resolve_general("RootFolder", VOB_SEL_FOLDER, pvob, 24, &vob, &dbid), 0)
      << "the kind and the VOB may come from the caller";
  EXPECT_EQ(dbid, folder);
  EXPECT_EQ(vob_resolve_general("RootFolder", VOB_SEL_FOLDER, pvob, 8, &vob, &dbid), 1002)
      << "without the default-VOB flag a selector needs its VOB";
  EXPECT_EQ(vob_resolve_general(universal.c_str(), VOB_SEL_ANY, nullptr, 16, &vob, &dbid), 1004)
      << "the universal form needs its flag";
  EXPECT_EQ(vob_resolve_general("stream:RootFolder@/pvob", VOB_SEL_ANY, nullptr, 24, &vob, &dbid),
            1002);
  EXPECT_EQ(
      vob_resolve_general("folder:RootFolder@/pvob", VOB_SEL_STREAM, nullptr, 24, &vob, &dbid),
      1004);
  EXPECT_EQ(vob_resolve_general("bogus:x@/pvob", VOB_SEL_ANY, nullptr, 24, &vob, &dbid), 1004);
  EXPECT_EQ(vob_resolve_general("folder:@/pvob", VOB_SEL_ANY, nullptr, 24, &vob, &dbid), 1004);
  EXPECT_EQ(
      vob_resolve_general("folder:RootFolder@/nowhere", VOB_SEL_ANY, nullptr, 24, &vob, &dbid),
      1002);
  ASSERT_EQ(vob_resolve_general("vob:/pvob", VOB_SEL_ANY, nullptr, 24, &vob, &dbid), 0);
  EXPECT_EQ(dbid, wk_obj(pvob, VOB_WK_VOB_OBJECT));
}

TEST_F(VobStoreTest, WideningLooksInTheAdminVob) {
  vob_vob_h admin = make_vob("/admin", true);
  vob_vob_h client = make_vob("/client");
  ASSERT_EQ(vob_hlink_create_wk(client, wk_obj(client, 1), VOB_WK_HLTYPE_ADMIN_VOB, admin,
                                wk_obj(admin, 1), nullptr, nullptr, nullptr, nullptr),
            0);
  tbs_dbid_t global = make_type(admin, "integration", VOB_MTYPE_BRANCH_TYPE);
  vob_vob_h vob = nullptr;
  tbs_dbid_t dbid = 0;
  EXPECT_EQ(
      vob_resolve_general("brtype:integration@/client", VOB_SEL_ANY, nullptr, 24, &vob, &dbid),
      1002);
  ASSERT_EQ(
      vob_resolve_general("brtype:integration@/client", VOB_SEL_ANY, nullptr, 25, &vob, &dbid), 0);
  EXPECT_EQ(vob, admin);
  EXPECT_EQ(dbid, global);
}

TEST_F(VobStoreTest, CursorsWalkEveryObjectOfAMetatypeAcrossPages) {
  vob_vob_h vob = make_vob("/many");
  std::vector<tbs_dbid_t> made;
  for (int i = 0; i < 300; ++i)
    made.push_back(make_type(vob, ("T" + std::to_string(i)).c_str()));
  std::vector<tbs_dbid_t> listed;
  ASSERT_EQ(cmd_utl_get_types(vob, VOB_MTYPE_LABEL_TYPE, listed), 0);
  EXPECT_EQ(listed, made);
  vob_cursor_h cursor = nullptr;
  ASSERT_EQ(vob_ob_cursor_open(vob, VOB_MTYPE_REPLICA, &cursor), 0);
  tbs_dbid_t dbid = 0;
  EXPECT_EQ(vob_ob_cursor_next(cursor, &dbid), 0);
  EXPECT_EQ(vob_ob_cursor_next(cursor, &dbid), 1002);
  vob_ob_cursor_close(cursor);
}

}  // namespace
