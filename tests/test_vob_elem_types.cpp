// Types and configurations of versioned files: labels, version maps, global
// branch types with local copies through an admin VOB; the upgrade that
// gives VOBs made before versioned files their root directory; a check-in
// killed or failing in the middle; the content hash.
#include <gtest/gtest.h>

#include <set>

#include "repository/sha256.h"
#include "support/imsg_capture.h"
#include "support/vob_elem_fixture.h"

namespace {

using test_support::ImsgCapture;
using test_support::make_test_vob;
using test_support::run_program;

class VobTypesTest : public test_support::VobElemFixture {
 protected:
  tbs_dbid_t lbtype(const char* n) {
    tbs_dbid_t dbid = 0;
    EXPECT_EQ(vob_lbtype_create(vob, n, nullptr, &dbid), 0) << n;
    return dbid;
  }
  tbs_dbid_t found(tbs_dbid_t labels, tbs_dbid_t element) {
    tbs_dbid_t version = 0;
    int status = vob_vermap_lookup_version(vob, labels, element, &version);
    return status == 0 ? version : 0;
  }
  tbs_dbid_t map(const char* n, const std::vector<tbs_dbid_t>& versions, int incremental,
                 const std::vector<tbs_dbid_t>& bases = {}) {
    vob_vermap_info_t info;
    info.incremental = incremental;
    info.based_on = bases;
    tbs_dbid_t dbid = 0;
    EXPECT_EQ(vob_vermap_create(vob, n, versions, info, nullptr, &dbid), 0) << n;
    return dbid;
  }
};

TEST_F(VobTypesTest, LabelsReplaceLabelsOfTheSameType) {
  tbs_dbid_t a = make_file("a.c", {"a1", "a2"});
  tbs_dbid_t b = make_file("b.c", {"b1"});
  tbs_dbid_t rel = lbtype("REL1");
  ASSERT_EQ(vob_ver_add_labels(vob, rel, {lookup(a, "/main/1"), lookup(b, "/main/1")}, nullptr), 0);
  tbs_dbid_t version = 0;
  ASSERT_EQ(vob_lbtype_lookup_version(vob, rel, a, &version), 0);
  EXPECT_EQ(version, lookup(a, "/main/1"));
  ASSERT_EQ(vob_ver_add_labels(vob, rel, {lookup(a, "/main/2")}, nullptr), 0);
  ASSERT_EQ(vob_lbtype_lookup_version(vob, rel, a, &version), 0);
  EXPECT_EQ(version, lookup(a, "/main/2")) << "the label moved to the other version";
  std::vector<tbs_dbid_t> labelled;
  ASSERT_EQ(vob_lbtype_get_versions(vob, rel, labelled), 0);
  EXPECT_EQ(labelled, (std::vector<tbs_dbid_t>{lookup(a, "/main/2"), lookup(b, "/main/1")}));
  EXPECT_EQ(vob_lbtype_check_modmaster(vob, rel), 0);

  ImsgCapture capture;
  tbs_dbid_t co = checkout(b);
  EXPECT_EQ(vob_ver_add_labels(vob, rel, {co}, nullptr), 1001) << "checkouts are not labelled";
  EXPECT_EQ(vob_ver_add_labels(vob, rel, {lookup(a, "/main/1"), lookup(a, "/main/0")}, nullptr),
            1004);
  ASSERT_EQ(vob_lbtype_lookup_version(vob, rel, a, &version), 0);
  EXPECT_EQ(version, lookup(a, "/main/2")) << "a refused call changes nothing";
  EXPECT_EQ(vob_lbtype_create(vob, "REL1", nullptr, &version), 1003);
  EXPECT_NE(capture.joined(IMSG_ERROR).find("REL1"), std::string::npos);
  ASSERT_EQ(vob_obj_lock(vob, rel, 0, {}, nullptr), 0);
  EXPECT_EQ(vob_ver_add_labels(vob, rel, {lookup(a, "/main/1")}, nullptr), 1040);
  tbs_dbid_t unlabelled = make_file("c.c", {});
  EXPECT_EQ(vob_lbtype_lookup_version(vob, rel, unlabelled, &version), 1002);
}

TEST_F(VobTypesTest, VersionMapsResolveThroughTheirBases) {
  tbs_dbid_t a = make_file("a.c", {"a1", "a2"});
  tbs_dbid_t b = make_file("b.c", {"b1", "b2"});
  tbs_dbid_t c = make_file("c.c", {"c1"});
  tbs_dbid_t bl1 = map("BL1", {lookup(a, "/main/1"), lookup(b, "/main/1")}, 0);
  tbs_dbid_t bl2 = map("BL2", {lookup(a, "/main/2")}, 1, {bl1});
  tbs_dbid_t bl3 = map("BL3", {lookup(c, "/main/1")}, 1, {bl2, bl1});

  EXPECT_EQ(found(bl2, a), lookup(a, "/main/2")) << "the map's own version wins";
  EXPECT_EQ(found(bl2, b), lookup(b, "/main/1")) << "found through the base";
  EXPECT_EQ(found(bl2, c), 0u);
  EXPECT_EQ(found(bl3, a), lookup(a, "/main/2")) << "the newest base first";
  vob_vermap_info_t info;
  ASSERT_EQ(vob_vermap_get_info(vob, bl3, &info), 0);
  EXPECT_EQ(info.incremental, 1);
  EXPECT_EQ(info.based_on, (std::vector<tbs_dbid_t>{bl2, bl1}));
  std::vector<tbs_dbid_t> configuration;
  ASSERT_EQ(vob_lbtype_get_versions(vob, bl3, configuration), 0);
  EXPECT_EQ(configuration, (std::vector<tbs_dbid_t>{lookup(a, "/main/2"), lookup(b, "/main/1"),
                                                    lookup(c, "/main/1")}));

  ASSERT_EQ(vob_vermap_promote(vob, bl3, nullptr), 0);
  ASSERT_EQ(vob_vermap_get_info(vob, bl3, &info), 0);
  EXPECT_EQ(info.incremental, 0);
  EXPECT_TRUE(info.based_on.empty());
  // Labelling a base later no longer changes the promoted map.
  ASSERT_EQ(vob_ver_add_labels(vob, bl1, {lookup(b, "/main/2")}, nullptr), 0);
  EXPECT_EQ(found(bl3, b), lookup(b, "/main/1"));
  EXPECT_EQ(found(bl2, b), lookup(b, "/main/2")) << "an incremental map follows its base";

  ImsgCapture capture;
  vob_vermap_info_t full_with_bases;
  full_with_bases.incremental = 0;
  full_with_bases.based_on = {bl1};
  tbs_dbid_t bad = 0;
  EXPECT_EQ(vob_vermap_create(vob, "BAD", {}, full_with_bases, nullptr, &bad), 1004);
  vob_vermap_info_t on_label;
  on_label.based_on = {lbtype("PLAIN")};
  EXPECT_EQ(vob_vermap_create(vob, "BAD", {}, on_label, nullptr, &bad), 1004);
  EXPECT_EQ(vob_vermap_create(vob, "BL1", {}, vob_vermap_info_t(), nullptr, &bad), 1003);
  EXPECT_EQ(bad, 0u);
}

TEST_F(VobTypesTest, LabelTypesImportAndExportAsVersionMaps) {
  tbs_dbid_t a = make_file("a.c", {"a1", "a2"});
  tbs_dbid_t b = make_file("b.c", {"b1"});
  tbs_dbid_t plain = lbtype("IMPORTED");
  ASSERT_EQ(vob_ver_add_labels(vob, plain, {lookup(a, "/main/1"), lookup(b, "/main/1")}, nullptr),
            0);
  vob_vermap_info_t info;
  EXPECT_EQ(vob_vermap_get_info(vob, plain, &info), 1002) << "not a map yet";
  ASSERT_EQ(vob_vermap_import_lbtype(vob, plain, nullptr), 0);
  ASSERT_EQ(vob_vermap_get_info(vob, plain, &info), 0);
  EXPECT_EQ(info.incremental, 0);
  EXPECT_EQ(found(plain, a), lookup(a, "/main/1"));

  tbs_dbid_t copy = 0;
  ASSERT_EQ(vob_vermap_import_lbtype_copy(vob, plain, "COPY", nullptr, &copy), 0);
  EXPECT_EQ(found(copy, b), lookup(b, "/main/1"));
  ASSERT_EQ(vob_ver_add_labels(vob, plain, {lookup(a, "/main/2")}, nullptr), 0);
  EXPECT_EQ(found(copy, a), lookup(a, "/main/1")) << "the copy is a map of its own";

  tbs_dbid_t incremental = map("INC", {lookup(a, "/main/0")}, 1, {copy});
  ImsgCapture capture;
  EXPECT_EQ(vob_vermap_import_lbtype(vob, incremental, nullptr), 1001);
  tbs_dbid_t exported = lbtype("EXPORTED");
  ASSERT_EQ(vob_vermap_export_lbtype(vob, incremental, exported, nullptr), 0);
  std::vector<tbs_dbid_t> versions;
  ASSERT_EQ(vob_lbtype_get_versions(vob, exported, versions), 0);
  EXPECT_EQ(versions, (std::vector<tbs_dbid_t>{lookup(a, "/main/0"), lookup(b, "/main/1")}));
  EXPECT_EQ(vob_vermap_get_info(vob, exported, &info), 1002) << "the target stays a label type";

  // Exported onto itself, a map becomes an ordinary label type.
  ASSERT_EQ(vob_vermap_export_lbtype(vob, incremental, incremental, nullptr), 0);
  EXPECT_EQ(vob_vermap_get_info(vob, incremental, &info), 1002);
  EXPECT_EQ(found(incremental, b), lookup(b, "/main/1"));
  EXPECT_EQ(vob_vermap_export_lbtype(vob, exported, plain, nullptr), 1002)
      << "only a map is exported";
}

TEST_F(VobTypesTest, BranchTypesAreGlobalInTheAdminVob) {
  vob_vob_h admin = make_test_vob("/admin", true);
  vob_vob_h client = make_test_vob("/client");
  vob_vob_h second = make_test_vob("/second");
  for (vob_vob_h c : {client, second}) {
    tbs_dbid_t from = 0;
    tbs_dbid_t to = 0;
    ASSERT_EQ(vob_ob_get_wk_obj(c, VOB_WK_VOB_OBJECT, &from), 0);
    ASSERT_EQ(vob_ob_get_wk_obj(admin, VOB_WK_VOB_OBJECT, &to), 0);
    ASSERT_EQ(vob_hlink_create_wk(c, from, VOB_WK_HLTYPE_ADMIN_VOB, admin, to, nullptr, nullptr,
                                  nullptr, nullptr),
              0);
  }
  tbs_dbid_t local = 0;
  ASSERT_EQ(vob_brtype_create(client, "dev", nullptr, &local), 0);
  tbs_dbid_t global = 0;
  ASSERT_EQ(vob_obj_resolve(admin, "dev", VOB_MTYPE_BRANCH_TYPE, &global), 0);
  std::vector<vob_hlink_end_t> ends;
  ASSERT_EQ(vob_obj_list_hlinks(client, local, VOB_WK_HLTYPE_GLOBAL_DEFINITION, 1, ends), 0);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].other_vob, admin);
  EXPECT_EQ(ends[0].other, global);
  ASSERT_EQ(vob_obj_list_hlinks(admin, global, VOB_WK_HLTYPE_GLOBAL_DEFINITION, 0, ends), 0);
  ASSERT_EQ(ends.size(), 1u) << "the global type sees its local copy";
  EXPECT_EQ(ends[0].other, local);

  ImsgCapture capture;
  tbs_dbid_t again = 0;
  EXPECT_EQ(vob_brtype_create(client, "dev", nullptr, &again), 1003);
  EXPECT_EQ(vob_brtype_create(second, "dev", nullptr, &again), 1003)
      << "the name is taken in the admin VOB";
  EXPECT_EQ(vob_brtype_lookup(second, "dev", &again), 1002);
  tbs_dbid_t copy = 0;
  ASSERT_EQ(vob_brtype_create_with_pop(second, "dev", nullptr, &copy), 0);
  ASSERT_EQ(vob_obj_list_hlinks(second, copy, VOB_WK_HLTYPE_GLOBAL_DEFINITION, 1, ends), 0);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].other, global);
  ASSERT_EQ(vob_brtype_create_with_pop(second, "dev", nullptr, &again), 0);
  EXPECT_EQ(again, copy) << "an existing local copy is used";
  ASSERT_EQ(vob_obj_list_hlinks(admin, global, VOB_WK_HLTYPE_GLOBAL_DEFINITION, 0, ends), 0);
  EXPECT_EQ(ends.size(), 2u);
  EXPECT_EQ(vob_brtype_create_with_pop(second, "nowhere", nullptr, &again), 1002);

  // "main" is local in every VOB; a VOB without an admin VOB keeps its own types.
  tbs_dbid_t main_type = 0;
  ASSERT_EQ(vob_brtype_create_with_pop(client, "main", nullptr, &main_type), 0);
  ASSERT_EQ(vob_obj_list_hlinks(client, main_type, VOB_WK_HLTYPE_GLOBAL_DEFINITION, 1, ends), 0);
  EXPECT_TRUE(ends.empty());
  tbs_dbid_t own = 0;
  ASSERT_EQ(vob_brtype_create(vob, "dev", nullptr, &own), 0);
  ASSERT_EQ(vob_obj_list_hlinks(vob, own, VOB_WK_HLTYPE_GLOBAL_DEFINITION, 1, ends), 0);
  EXPECT_TRUE(ends.empty());

  // Branches of a local copy work like any other.
  tbs_dbid_t croot = test_support::wk_obj(client, VOB_WK_ROOT_DIRECTORY);
  tbs_dbid_t zero = 0;
  ASSERT_EQ(vob_ver_lookup(client, croot, "/main/0", &zero), 0);
  tbs_dbid_t branch = 0;
  ASSERT_EQ(vob_branch_create(client, zero, local, nullptr, &branch), 0);
  std::string path;
  ASSERT_EQ(vob_branch_get_path(client, branch, path), 0);
  EXPECT_EQ(path, "/main/dev");
}

TEST_F(VobTypesTest, DeletingAGlobalBranchTypeTakesItsCopies) {
  vob_vob_h admin = make_test_vob("/admin", true);
  vob_vob_h client = make_test_vob("/client");
  tbs_dbid_t from = 0, to = 0;
  ASSERT_EQ(vob_ob_get_wk_obj(client, VOB_WK_VOB_OBJECT, &from), 0);
  ASSERT_EQ(vob_ob_get_wk_obj(admin, VOB_WK_VOB_OBJECT, &to), 0);
  ASSERT_EQ(vob_hlink_create_wk(client, from, VOB_WK_HLTYPE_ADMIN_VOB, admin, to, nullptr, nullptr,
                                nullptr, nullptr),
            0);
  tbs_dbid_t local = 0, global = 0;
  ASSERT_EQ(vob_brtype_create(client, "dev", nullptr, &local), 0);
  ASSERT_EQ(vob_obj_resolve(admin, "dev", VOB_MTYPE_BRANCH_TYPE, &global), 0);
  tbs_dbid_t croot = 0, zero = 0, branch = 0;
  ASSERT_EQ(vob_ob_get_wk_obj(client, VOB_WK_ROOT_DIRECTORY, &croot), 0);
  ASSERT_EQ(vob_ver_lookup(client, croot, "/main/0", &zero), 0);
  ASSERT_EQ(vob_branch_create(client, zero, local, nullptr, &branch), 0);
  std::vector<tbs_dbid_t> chunk;
  ASSERT_EQ(vob_brtype_next_objs(client, local, 0, 10, chunk), 0);
  EXPECT_EQ(chunk, std::vector<tbs_dbid_t>{branch});
  ASSERT_EQ(vob_brtype_next_objs(client, local, 1, 10, chunk), 0);
  EXPECT_TRUE(chunk.empty());

  {
    ImsgCapture capture;
    EXPECT_EQ(vob_brtype_delete(admin, global, nullptr), 1001);
    EXPECT_EQ(capture.joined(IMSG_ERROR),
              "Branch type \"dev\" of VOB \"/client\" has 1 branches; remove them before "
              "removing the type.\n");
    tbs_dbid_t main_type = 0;
    ASSERT_EQ(vob_brtype_lookup(client, "main", &main_type), 0);
    EXPECT_EQ(vob_brtype_delete(client, main_type, nullptr), 1001);
  }
  tbs_dbid_t still = 0;
  EXPECT_EQ(vob_brtype_lookup(client, "dev", &still), 0) << "a refusal removes nothing";
  EXPECT_EQ(vob_brtype_lookup(admin, "dev", &still), 0);

  vob_event_info_t event;
  event.comment = "gone";
  // Without branches the global type goes with its copy and the links between them.
  ASSERT_EQ(vob_brtype_create(client, "tmp", nullptr, &local), 0);
  ASSERT_EQ(vob_obj_resolve(admin, "tmp", VOB_MTYPE_BRANCH_TYPE, &global), 0);
  ASSERT_EQ(vob_brtype_delete(admin, global, &event), 0);
  EXPECT_EQ(vob_brtype_lookup(client, "tmp", &still), 1002);
  EXPECT_EQ(vob_brtype_lookup(admin, "tmp", &still), 1002);
  EXPECT_EQ(vob_brtype_create(client, "tmp", nullptr, &local), 0) << "the name is free again";
}

TEST_F(VobTypesTest, UpgradeGivesOlderVobsTheirVersionedRoot) {
  vob_vob_h old = make_test_vob("/old");
  std::string storage;
  ASSERT_EQ(vob_ob_get_storage_path(old, storage), 0);
  // Take the new VOB back to the previous schema, as a VOB made before
  // versioned files existed looks; the handle has not opened it yet.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((storage + "/vob.db").c_str(), &db), SQLITE_OK);
  const char* downgrade = R"(
DROP TABLE contents; DROP TABLE checkouts; DROP TABLE merges; DROP TABLE labels;
DROP TABLE vermap_bases; DROP TABLE vermaps; DROP TABLE dir_entries; DROP TABLE versions;
DROP TABLE branches; DROP TABLE elements; DROP TABLE zem_objects;
DELETE FROM events WHERE obj IN (SELECT dbid FROM objects
  WHERE mtype IN (6, 8, 11) OR (mtype = 14 AND name = 'main'));
DELETE FROM objects WHERE mtype IN (6, 8, 11) OR (mtype = 14 AND name = 'main');
DELETE FROM vob_info WHERE key = 'main_brtype';
PRAGMA user_version = 2;
)";
  ASSERT_EQ(sqlite3_exec(db, downgrade, nullptr, nullptr, nullptr), SQLITE_OK)
      << sqlite3_errmsg(db);
  sqlite3_close(db);

  tbs_dbid_t old_root = test_support::wk_obj(old, VOB_WK_ROOT_DIRECTORY);
  tbs_dbid_t zero = 0;
  ASSERT_EQ(vob_ver_lookup(old, old_root, "/main/0", &zero), 0);
  std::vector<vob_nsdir_entry_t> listed;
  ASSERT_EQ(vob_nsdir_next_entries(old, zero, 0, 10, listed), 0);
  EXPECT_TRUE(listed.empty());
  tbs_dbid_t main_type = 0;
  ASSERT_EQ(vob_brtype_lookup(old, "main", &main_type), 0);
  vob_fstat_t made;
  ASSERT_EQ(vob_obj_get_fstat_db(old, zero, &made), 0);
  EXPECT_FALSE(made.owner.empty());
  std::vector<vob_event_t> events;
  ASSERT_EQ(vob_obj_get_events(old, zero, events), 0);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, VOB_EVENT_CREATE);

  // The upgraded root takes work like a new one.
  tbs_dbid_t branch = 0;
  tbs_dbid_t co = 0;
  tbs_dbid_t file = 0;
  ASSERT_EQ(vob_elem_get_main_branch(old, old_root, &branch), 0);
  ASSERT_EQ(vob_ver_checkout(old, branch, 0, "view-1", nullptr, &co), 0);
  ASSERT_EQ(vob_elem_create(old, co, "f", VOB_ELTYPE_FILE, nullptr, &file), 0);
  ASSERT_EQ(vob_ver_checkin(old, co, nullptr, nullptr), 0);
  std::string n;
  ASSERT_EQ(vob_ver_get_name(old, co, n), 0);
  EXPECT_EQ(n, "/main/1");
}

TEST_F(VobTypesTest, InterruptedCheckinLeavesTheCheckout) {
  tbs_dbid_t file = make_file("crash.c", {"before"});
  tbs_dbid_t co = checkout(file, "view-1", "edit before the crash");
  std::string version = std::to_string(co);
  const std::string contents_after =
      "SELECT count(*) FROM contents WHERE data = CAST('after' AS BLOB)";
  auto still_checked_out = [&](const std::string& when) {
    EXPECT_EQ(integrity(), "ok") << when;
    int checked_out = 0;
    ASSERT_EQ(vob_ver_is_checked_out(vob, co, &checked_out), 0) << when;
    EXPECT_EQ(checked_out, 1) << when;
    vob_ckout_info_t info;
    ASSERT_EQ(vob_ver_get_ckout_info(vob, co, &info), 0) << when;
    EXPECT_EQ(info.comment, "edit before the crash");
    EXPECT_EQ(name(latest(main_branch(file))), "/main/1") << when;
    EXPECT_EQ(count(contents_after), 0) << when;
  };
  // A check-in writes five rows; a kill before any of them loses the whole call.
  for (const char* kill_at : {"1", "2", "3", "4", "5"}) {
    auto r = run_program({VOB_CHECKIN_PROBE_PATH, "/src", version, "after"},
                         {{"KORVANE_FAULT_KILL_AFTER_WRITES", kill_at}});
    EXPECT_EQ(r.exit_code, 128 + 9) << "killed at write " << kill_at;
    still_checked_out(std::string("after a kill at write ") + kill_at);
  }
  auto failed = run_program({VOB_CHECKIN_PROBE_PATH, "/src", version, "after"},
                            {{"KORVANE_FAULT_FAIL_AFTER_WRITES", "3"}});
  EXPECT_NE(failed.exit_code, 0);
  still_checked_out("after a failed write");

  auto r = run_program({VOB_CHECKIN_PROBE_PATH, "/src", version, "after"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(name(co), "/main/2");
  EXPECT_EQ(content(co), "after");
  EXPECT_EQ(count(contents_after), 1);
  EXPECT_EQ(count("SELECT count(*) FROM checkouts"), 0);
}

TEST(Sha256, MatchesPublishedDigests) {
  EXPECT_EQ(repo::sha256_hex(""),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(repo::sha256_hex("abc"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(repo::sha256_hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(repo::sha256_hex("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijk"
                             "lmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu"),
            "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1");
  EXPECT_EQ(repo::sha256_hex(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Sha256, PiecewiseInputGivesTheSameDigest) {
  // Lengths around the 55/56/64-byte padding boundaries, fed in uneven pieces.
  std::set<std::string> digests;
  for (size_t length = 0; length < 140; ++length) {
    std::string data(length, '\0');
    for (size_t i = 0; i < length; ++i)
      data[i] = static_cast<char>('a' + (i * 7) % 26);
    repo::Sha256 pieces;
    for (size_t at = 0; at < length;) {
      size_t n = std::min(length - at, 1 + at % 13);
      pieces.update(data.data() + at, n);
      at += n;
    }
    repo::Sha256 whole;
    whole.update(data);
    std::string digest = whole.finish();
    EXPECT_EQ(pieces.finish(), digest) << length;
    digests.insert(digest);
  }
  EXPECT_EQ(digests.size(), 140u);
}

}  // namespace
