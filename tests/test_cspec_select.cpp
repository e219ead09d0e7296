// Config spec evaluation against a real VOB: rule order, the selector forms
// (checkouts of this view only, branch paths, branches wherever they sprout,
// labels and version maps), the options the winning rule reports, element
// kind filters, pattern forms, a stream's generated rules, and load rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/cspec.h"
#include "services/vob.h"
#include "services/vob_elem.h"
#include "support/sandbox.h"
#include "support/vob_elem_fixture.h"

namespace {

using test_support::TempHome;

std::string new_uuid() {
  tbs_uuid_t uuid;
  tbs_uuid_generate(&uuid);
  char buf[TBS_ID_STR_SIZE];
  tbs_uuid_to_str(&uuid, buf);
  return buf;
}

// A VOB "/v" holding /v/a.c (a file), /v/src (a directory) and /v/src/b.c,
// each at /main/0 apart from the two directories, which hold their entries
// at /main/1.
class CspecSelectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vob = make_vob("/v");
    ASSERT_EQ(vob_ob_get_wk_obj(vob, VOB_WK_ROOT_DIRECTORY, &root), 0);
    tbs_dbid_t root_co = checkout(root, "/main");
    a = mkelem(root_co, "a.c", VOB_ELTYPE_FILE);
    src = mkelem(root_co, "src", VOB_ELTYPE_DIRECTORY);
    checkin(root_co, nullptr);
    tbs_dbid_t src_co = checkout(src, "/main");
    b = mkelem(src_co, "b.c", VOB_ELTYPE_FILE);
    checkin(src_co, nullptr);
  }

  vob_vob_h make_vob(const std::string& tag) { return test_support::make_test_vob(tag); }

  tbs_dbid_t mkelem(tbs_dbid_t dir_version, const char* name, int eltype) {
    tbs_dbid_t element = 0;
    EXPECT_EQ(vob_elem_create(vob, dir_version, name, eltype, nullptr, &element), 0) << name;
    return element;
  }

  tbs_dbid_t branch(tbs_dbid_t element, const char* path) {
    tbs_dbid_t found = 0;
    EXPECT_EQ(vob_elem_lookup_branch(vob, element, path, &found), 0) << path;
    return found;
  }

  // Checks out the branch at `path` in the tool's own view.
  tbs_dbid_t checkout(tbs_dbid_t element, const char* path, const std::string& view = kToolView) {
    tbs_dbid_t version = 0;
    EXPECT_EQ(vob_ver_checkout(vob, branch(element, path), 0, view.c_str(), nullptr, &version), 0)
        << path;
    return version;
  }

  void checkin(tbs_dbid_t version, const char* content) {
    std::string text = content != nullptr ? content : "";
    EXPECT_EQ(vob_ver_checkin(vob, version, content != nullptr ? &text : nullptr, nullptr), 0);
  }

  // A new checked-in version on the branch at `path`.
  tbs_dbid_t add_version(tbs_dbid_t element, const char* path) {
    tbs_dbid_t version = checkout(element, path);
    checkin(version, path);
    return version;
  }

  // A branch of type `type` (made when missing) sprouting from `from`.
  tbs_dbid_t sprout(tbs_dbid_t from, const char* type) {
    tbs_dbid_t brtype = 0;
    if (vob_brtype_lookup(vob, type, &brtype) != 0) {
      EXPECT_EQ(vob_brtype_create(vob, type, nullptr, &brtype), 0);
    }
    tbs_dbid_t made = 0;
    EXPECT_EQ(vob_branch_create(vob, from, brtype, nullptr, &made), 0);
    return made;
  }

  tbs_dbid_t ver(tbs_dbid_t element, const char* name) {
    tbs_dbid_t version = 0;
    EXPECT_EQ(vob_ver_lookup(vob, element, name, &version), 0) << name;
    return version;
  }

  // Parses `text` and evaluates it for `element` seen at `path`.
  cspec_selection_t select(const std::string& text, tbs_dbid_t element, const std::string& path,
                           const std::string& view = "") {
    cspec_t cs;
    std::string error;
    EXPECT_EQ(cspec_parse(text, cs, error), 0) << error;
    cspec_selection_t selection;
    selection.rule = -99;
    EXPECT_EQ(cspec_select(cs, vob, element, path, view, selection), 0) << text;
    return selection;
  }

  static inline const std::string kToolView = new_uuid();
  TempHome home;
  vob_vob_h vob = nullptr;
  tbs_dbid_t root = 0;
  tbs_dbid_t a = 0;
  tbs_dbid_t src = 0;
  tbs_dbid_t b = 0;
};

TEST_F(CspecSelectTest, FirstRuleNamingAnExistingVersionWins) {
  tbs_dbid_t a1 = add_version(a, "/main");
  tbs_dbid_t a2 = add_version(a, "/main");
  const std::string text =
      "element * /main/9\n"           // no such version: skipped
      "element * /main/dev/LATEST\n"  // no such branch: skipped
      "element /v/a.c /main/1\n"
      "element * /main/LATEST\n";
  cspec_selection_t s = select(text, a, "/v/a.c");
  EXPECT_EQ(s.version, a1);
  EXPECT_EQ(s.rule, 2);
  EXPECT_EQ(s.error, 0);

  s = select(text, b, "/v/src/b.c");
  EXPECT_EQ(s.version, ver(b, "/main/0"));
  EXPECT_EQ(s.rule, 3);

  s = select("element * /main/LATEST\nelement /v/a.c /main/1\n", a, "/v/a.c");
  EXPECT_EQ(s.version, a2) << "order decides, not how specific a rule is";
  EXPECT_EQ(s.rule, 0);
}

TEST_F(CspecSelectTest, AnElementNoRuleSelectsIsInvisible) {
  for (const char* text : {"", "element /v/src/... /main/LATEST\n", "load /v\n",
                           "element * NO_SUCH_LABEL\nelement * /main/3\n"}) {
    cspec_selection_t s = select(text, a, "/v/a.c");
    EXPECT_EQ(s.version, 0u) << text;
    EXPECT_EQ(s.rule, -1) << text;
    EXPECT_EQ(s.error, 0);
    EXPECT_EQ(s.mkbranch, "");
  }
}

TEST_F(CspecSelectTest, CheckedOutSelectsOnlyThisViewsCheckout) {
  const std::string mine = new_uuid();
  const std::string other = new_uuid();
  const std::string text = "element * CHECKEDOUT\nelement * /main/LATEST\n";
  tbs_dbid_t co = checkout(a, "/main", mine);

  cspec_selection_t s = select(text, a, "/v/a.c", mine);
  EXPECT_EQ(s.version, co);
  EXPECT_EQ(s.rule, 0);
  s = select(text, a, "/v/a.c", other);
  EXPECT_EQ(s.version, ver(a, "/main/0")) << "another view's checkout is not selected";
  EXPECT_EQ(s.rule, 1);
  EXPECT_EQ(select(text, a, "/v/a.c", "").rule, 1);
  EXPECT_EQ(select(text, b, "/v/src/b.c", mine).rule, 1);

  // A checkout on another branch than the later rules name counts too.
  ASSERT_EQ(vob_ver_uncheckout(vob, co, nullptr), 0);
  sprout(ver(a, "/main/0"), "dev");
  tbs_dbid_t dev_co = checkout(a, "/main/dev", mine);
  s = select(text, a, "/v/a.c", mine);
  EXPECT_EQ(s.version, dev_co);
  EXPECT_EQ(s.rule, 0);
}

TEST_F(CspecSelectTest, WinningRuleReportsItsOptions) {
  const std::string text =
      "element * .../dev/LATEST\n"
      "element /v/src/... /main/LATEST -nocheckout\n"
      "element * /main/0 -mkbranch dev\n";
  cspec_selection_t s = select(text, a, "/v/a.c");
  EXPECT_EQ(s.rule, 2);
  EXPECT_EQ(s.version, ver(a, "/main/0"));
  EXPECT_EQ(s.mkbranch, "dev");
  EXPECT_EQ(s.nocheckout, 0);

  s = select(text, b, "/v/src/b.c");
  EXPECT_EQ(s.rule, 1);
  EXPECT_EQ(s.nocheckout, 1);
  EXPECT_EQ(s.mkbranch, "") << "options of other rules do not leak";

  tbs_dbid_t dev = sprout(ver(a, "/main/0"), "dev");
  tbs_dbid_t dev1 = add_version(a, "/main/dev");
  s = select(text, a, "/v/a.c");
  EXPECT_EQ(s.rule, 0);
  EXPECT_EQ(s.version, dev1);
  EXPECT_EQ(s.mkbranch, "");
  EXPECT_NE(dev, 0u);
}

TEST_F(CspecSelectTest, ErrorRuleWinsWhenReached) {
  const std::string text = "element -file /v/src/... -error\nelement * /main/LATEST\n";
  cspec_selection_t s = select(text, b, "/v/src/b.c");
  EXPECT_EQ(s.error, 1);
  EXPECT_EQ(s.rule, 0);
  EXPECT_EQ(s.version, 0u);
  s = select(text, src, "/v/src");
  EXPECT_EQ(s.error, 0) << "the -file filter keeps the directory out";
  EXPECT_EQ(s.rule, 1);
  EXPECT_EQ(select(text, a, "/v/a.c").error, 0);
}

TEST_F(CspecSelectTest, LabelsAndVersionMaps) {
  tbs_dbid_t a1 = add_version(a, "/main");
  add_version(a, "/main");
  tbs_dbid_t rel = 0;
  ASSERT_EQ(vob_lbtype_create(vob, "REL1", nullptr, &rel), 0);
  ASSERT_EQ(vob_ver_add_labels(vob, rel, {a1}, nullptr), 0);

  const std::string by_label = "element * REL1\nelement * /main/0 -nocheckout\n";
  cspec_selection_t s = select(by_label, a, "/v/a.c");
  EXPECT_EQ(s.version, a1);
  EXPECT_EQ(s.rule, 0);
  s = select(by_label, b, "/v/src/b.c");
  EXPECT_EQ(s.rule, 1) << "an unlabelled element falls through";

  // An incremental map finds what its base holds.
  tbs_dbid_t b1 = add_version(b, "/main");
  tbs_dbid_t base = 0;
  vob_vermap_info_t full;
  full.incremental = 0;
  ASSERT_EQ(vob_vermap_create(vob, "BL_1", {a1, ver(b, "/main/0")}, full, nullptr, &base), 0);
  vob_vermap_info_t incr;
  incr.based_on = {base};
  tbs_dbid_t next = 0;
  ASSERT_EQ(vob_vermap_create(vob, "BL_2", {b1}, incr, nullptr, &next), 0);

  const std::string by_map = "element * BL_2\nelement * /main/LATEST\n";
  EXPECT_EQ(select(by_map, a, "/v/a.c").version, a1) << "found through the base";
  EXPECT_EQ(select(by_map, b, "/v/src/b.c").version, b1);
  EXPECT_EQ(select("element * BL_1\n", b, "/v/src/b.c").version, ver(b, "/main/0"));
  EXPECT_EQ(select(by_map, src, "/v/src").rule, 1) << "an element outside the map falls through";
}

TEST_F(CspecSelectTest, AnyBranchLatestFindsTheBranchWhereverItSprouts) {
  // a.c: /main/dev sprouts from /main/1; b.c: /main/fix/dev from /main/fix/0.
  sprout(add_version(a, "/main"), "dev");
  tbs_dbid_t a_dev = add_version(a, "/main/dev");
  sprout(ver(b, "/main/0"), "fix");
  sprout(ver(b, "/main/fix/0"), "dev");
  tbs_dbid_t b_dev = add_version(b, "/main/fix/dev");

  const std::string anywhere = "element * .../dev/LATEST\n";
  EXPECT_EQ(select(anywhere, a, "/v/a.c").version, a_dev);
  EXPECT_EQ(select(anywhere, b, "/v/src/b.c").version, b_dev);
  EXPECT_EQ(select(anywhere, src, "/v/src").version, 0u) << "no dev branch";

  const std::string fixed = "element * /main/dev/LATEST\n";
  EXPECT_EQ(select(fixed, a, "/v/a.c").version, a_dev);
  EXPECT_EQ(select(fixed, b, "/v/src/b.c").version, 0u) << "a branch path is exact";
  EXPECT_EQ(select("element * /main/fix/dev/1\n", b, "/v/src/b.c").version, b_dev);
}

TEST_F(CspecSelectTest, ElementKindFilters) {
  const std::string text =
      "element -directory * /main/0\n"
      "element -file * /main/LATEST\n";
  EXPECT_EQ(select(text, src, "/v/src").version, ver(src, "/main/0"));
  EXPECT_EQ(select(text, root, "/v").rule, 0);
  EXPECT_EQ(select(text, a, "/v/a.c").rule, 1);
  EXPECT_EQ(select("element -directory * /main/0\n", a, "/v/a.c").rule, -1);
}

TEST_F(CspecSelectTest, PatternForms) {
  tbs_uuid_t family;
  ASSERT_EQ(vob_ob_get_family_uuid(vob, &family), 0);
  char family_text[TBS_ID_STR_SIZE];
  tbs_uuid_to_str(&family, family_text);
  const std::string fam = std::string("[") + family_text + "]";
  const std::string other_fam = "[" + new_uuid() + "]";

  struct Case {
    std::string pattern;
    std::string path;
    bool matches;
  };
  const Case cases[] = {
      {"*", "/v/src/b.c", true},
      {"*", "/v", true},
      {"/v/src/...", "/v/src", true},
      {"/v/src/...", "/v/src/x/y/b.c", true},
      {"/v/src/...", "/v/srcx/b.c", false},
      {"/v/src/*", "/v/src/b.c", true},
      {"/v/src/*", "/v/src", false},
      {"/v/src/*", "/v/src/x/b.c", false},
      {"/v/src/b.c", "/v/src/b.c", true},
      {"/v/src/b.c", "/v/src/b.cc", false},
      {"/v/src/b.c", "/w/src/b.c", false},
      {"*.c", "/v/src/b.c", true},
      {"*.c", "/v/src", false},
      {"b.c", "/v/other/b.c", true},
      {"b.?", "/v/b.h", true},
      {"[ab].c", "/v/b.c", true},
      {".../src/*.c", "/v/deep/src/b.c", true},
      {".../src/*.c", "/v/src/x/b.c", false},
      {"/v/.../b.c", "/v/b.c", true},
      {"/.../*", "/v/a/b/c", true},
      {fam + "/src/...", "/v/src/b.c", true},
      {fam + "/...", "/v", true},
      {fam + "/src/...", "/v/a.c", false},
      {other_fam + "/src/...", "/v/src/b.c", false},
  };
  for (const Case& c : cases) {
    const std::string text = "element \"" + c.pattern + "\" /main/0\n";
    cspec_selection_t s = select(text, b, c.path);
    EXPECT_EQ(s.rule, c.matches ? 0 : -1) << c.pattern << " against " << c.path;
  }
}

// Every "..." may stand for any run of components, so a pattern with many
// of them against a deep path has a great many ways to be tried; the answer
// must still come (a command in the view would otherwise never finish).
TEST_F(CspecSelectTest, ManyEllipsesDecideDeepPaths) {
  std::string deep = "/v";
  for (int i = 0; i < 40; ++i)
    deep += "/d";
  deep += "/b.c";
  std::string ellipses;
  for (int i = 0; i < 20; ++i)
    ellipses += "/...";
  struct Case {
    std::string pattern;
    bool matches;
  };
  const Case cases[] = {
      {"/v" + ellipses + "/nomatch", false},  {"/v" + ellipses + "/b.c", true},
      {"/v" + ellipses + "/d/d/d/b.c", true}, {"/v/.../d/.../x/.../b.c", false},
      {ellipses + "/*/.../*.h", false},
  };
  for (const Case& c : cases) {
    cspec_selection_t s = select("element \"" + c.pattern + "\" /main/0\n", b, deep);
    EXPECT_EQ(s.rule, c.matches ? 0 : -1) << c.pattern;
  }
}

TEST_F(CspecSelectTest, StreamRulesSelectBranchBaselineOrMainZero) {
  tbs_dbid_t a1 = add_version(a, "/main");
  tbs_dbid_t map = 0;
  ASSERT_EQ(vob_vermap_create(vob, "BL_dev", {a1, ver(root, "/main/1"), ver(src, "/main/1")},
                              vob_vermap_info_t{0, {}}, nullptr, &map),
            0);
  const std::string view = new_uuid();
  const std::string text =
      "zem\nidentity ZEM.Stream stream:dev@/pvob 1\n\n"
      "element * CHECKEDOUT\n\n"
      "element \"/v/...\" .../dev/LATEST\n"
      "element \"/v/...\" BL_dev -mkbranch dev\n"
      "element \"/v/...\" /main/0 -mkbranch dev\n\n"
      "end zem\n"
      "element * /main/0 -zem -nocheckout\n";

  cspec_selection_t s = select(text, a, "/v/a.c", view);
  EXPECT_EQ(s.version, a1) << "the foundation baseline";
  EXPECT_EQ(s.mkbranch, "dev");
  s = select(text, b, "/v/src/b.c", view);
  EXPECT_EQ(s.version, ver(b, "/main/0")) << "an element newer than the baseline";
  EXPECT_EQ(s.rule, 3);
  EXPECT_EQ(s.mkbranch, "dev");

  // The stream's checkout, then its check-in on the dev branch.
  sprout(a1, "dev");
  tbs_dbid_t co = checkout(a, "/main/dev", view);
  s = select(text, a, "/v/a.c", view);
  EXPECT_EQ(s.version, co);
  EXPECT_EQ(s.rule, 0);
  checkin(co, "changed");
  s = select(text, a, "/v/a.c", view);
  EXPECT_EQ(s.version, co) << "check-in keeps the dbid";
  EXPECT_EQ(s.rule, 1);

  // Another VOB falls to the backstop.
  vob = make_vob("/w");
  tbs_dbid_t w_root = test_support::wk_obj(vob, VOB_WK_ROOT_DIRECTORY);
  s = select(text, w_root, "/w", view);
  EXPECT_EQ(s.rule, 4);
  EXPECT_EQ(s.nocheckout, 1);
  EXPECT_EQ(s.version, ver(w_root, "/main/0"));
}

TEST_F(CspecSelectTest, BadArgumentsLeaveTheSelectionAlone) {
  cspec_t cs;
  std::string error;
  ASSERT_EQ(cspec_parse("element * /main/0\n", cs, error), 0);
  cspec_selection_t s;
  s.rule = 7;
  EXPECT_EQ(cspec_select(cs, nullptr, a, "/v/a.c", "", s), 1004);
  EXPECT_EQ(cspec_select(cs, vob, 0, "/v/a.c", "", s), 1004);
  EXPECT_NE(cspec_select(cs, vob, 999999, "/v/a.c", "", s), 0) << "no such element";
  cs.rules[0].selector = "/main";  // hand-made, not from the parser
  EXPECT_EQ(cspec_select(cs, vob, a, "/v/a.c", "", s), 1004);
  EXPECT_EQ(s.rule, 7);
}

TEST(CspecLoad, LoadRulesCoverPathsAboveAndBelow) {
  cspec_t cs;
  std::string error;
  EXPECT_EQ(cspec_path_is_loaded(cs, "/v/src"), 0) << "no load rules load nothing";
  ASSERT_EQ(cspec_parse("element * /main/LATEST\nload /v/src\nload /w/docs/guide\n", cs, error), 0);
  EXPECT_EQ(cspec_path_is_loaded(cs, "/v/src"), 1);
  EXPECT_EQ(cspec_path_is_loaded(cs, "/v/src/deep/b.c"), 1);
  EXPECT_EQ(cspec_path_is_loaded(cs, "/v/src/"), 1);
  EXPECT_EQ(cspec_path_is_loaded(cs, "/v"), 1) << "on the way to a loaded directory";
  EXPECT_EQ(cspec_path_is_loaded(cs, "/w/docs"), 1);
  EXPECT_EQ(cspec_path_is_loaded(cs, "/v/a.c"), 0);
  EXPECT_EQ(cspec_path_is_loaded(cs, "/v/srcx"), 0);
  EXPECT_EQ(cspec_path_is_loaded(cs, "/w/docs/other"), 0);
  EXPECT_EQ(cspec_path_is_loaded(cs, "/x"), 0);
}

}  // namespace
