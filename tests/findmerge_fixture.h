// A sandbox for merge tests: a VOB "/src" with branch type "dev", a view of
// main and a view working on dev, and short forms of the edits merges start
// from.
#ifndef TESTS_FINDMERGE_FIXTURE_H
#define TESTS_FINDMERGE_FIXTURE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "services/cmd_findmerge.h"
#include "services/view.h"
#include "services/vob_elem.h"
#include "support/imsg_capture.h"
#include "support/sandbox.h"
#include "support/vob_elem_fixture.h"

namespace findmerge_test {

using test_support::TempHome;
using test_support::write_file;

inline std::vector<tbs_dbid_t> merges_into(vob_vob_h vob, tbs_dbid_t version) {
  std::vector<tbs_dbid_t> from;
  EXPECT_EQ(vob_ver_get_merges_into(vob, version, from), 0);
  return from;
}

inline bool has(const std::vector<tbs_dbid_t>& list, tbs_dbid_t v) {
  return std::find(list.begin(), list.end(), v) != list.end();
}

// A VOB "/src" with a main view and a view working on branch "dev" (made from
// /main/LATEST at the first checkout).
class FindmergeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vob_create_args_t args;
    args.tag = "/src";
    ASSERT_EQ(vob_create(args, &vob), 0);
    ASSERT_EQ(vob_brtype_create(vob, "dev", nullptr, &dev_type), 0);
    main_view = make_view("main");
    dev_view = make_view("dev");
    ASSERT_EQ(view_set_spec(dev_view,
                            "element * CHECKEDOUT\n"
                            "element * .../dev/LATEST\n"
                            "element * /main/LATEST -mkbranch dev\n"),
              0);
  }
  void TearDown() override {
    view_free_handle(main_view);
    view_free_handle(dev_view);
  }

  view_server_h make_view(const std::string& tag) {
    view_create_args_t args;
    args.tag = tag;
    args.root = home.path() + "/roots/" + tag;
    view_server_h view = nullptr;
    EXPECT_EQ(view_create(args, &view), 0) << tag;
    return view;
  }

  static std::string file(view_server_h view, const std::string& vob_path) {
    std::string root;
    EXPECT_EQ(view_get_path(view, root), 0);
    return root + vob_path;
  }

  // Checks out, writes and checks in; the new version.
  tbs_dbid_t edit(view_server_h view, const std::string& vob_path, const std::string& text) {
    tbs_dbid_t version = 0;
    EXPECT_EQ(view_checkout(view, file(view, vob_path).c_str(), "edit", &version), 0) << vob_path;
    write_file(file(view, vob_path), text);
    EXPECT_EQ(view_checkin(view, file(view, vob_path).c_str(), nullptr, &version), 0) << vob_path;
    return version;
  }

  // Makes an element in the directory `dir` (checked out and in around it)
  // holding `text`; the element.
  tbs_dbid_t make_element(view_server_h view, const std::string& dir, const std::string& name,
                          const std::string& text, int eltype = VOB_ELTYPE_FILE) {
    tbs_dbid_t ignored = 0;
    EXPECT_EQ(view_checkout(view, file(view, dir).c_str(), "add", &ignored), 0);
    std::string path = dir + "/" + name;
    write_file(file(view, path), text);
    tbs_dbid_t element = 0;
    EXPECT_EQ(view_mkelem(view, file(view, path).c_str(), eltype, "new", 1, &element), 0) << path;
    EXPECT_EQ(view_checkin(view, file(view, dir).c_str(), nullptr, &ignored), 0);
    return element;
  }

  // The version the view selects at `vob_path`.
  tbs_dbid_t selected(view_server_h view, const std::string& vob_path) {
    view_path_info_t info;
    EXPECT_EQ(view_lookup(view, file(view, vob_path).c_str(), &info), 0) << vob_path;
    return info.version;
  }

  // Makes a directory element in `dir`; the element.
  tbs_dbid_t make_dir(view_server_h view, const std::string& dir, const std::string& name) {
    tbs_dbid_t ignored = 0;
    EXPECT_EQ(view_checkout(view, file(view, dir).c_str(), "add", &ignored), 0) << dir;
    std::string path = dir + "/" + name;
    tbs_dbid_t element = 0;
    EXPECT_EQ(view_mkelem(view, file(view, path).c_str(), VOB_ELTYPE_DIRECTORY, "new", 1, &element),
              0)
        << path;
    EXPECT_EQ(view_checkin(view, file(view, dir).c_str(), nullptr, &ignored), 0) << dir;
    return element;
  }

  // Changes the names of `dir` through the view's checkout of it: `from`
  // is removed and, unless `to` is empty, its element catalogued as `to`.
  // The new directory version.
  tbs_dbid_t rename_entry(view_server_h view, const std::string& dir, const std::string& from,
                          const std::string& to) {
    tbs_dbid_t checkout = 0;
    EXPECT_EQ(view_checkout(view, file(view, dir).c_str(), "rename", &checkout), 0) << dir;
    vob_vob_h in = selected_vob(view, dir);
    tbs_dbid_t element = 0;
    EXPECT_EQ(vob_nsdir_lookup(in, checkout, from.c_str(), &element), 0) << from;
    EXPECT_EQ(vob_nsdir_remove_entry(in, checkout, from.c_str(), nullptr), 0) << from;
    if (!to.empty()) {
      EXPECT_EQ(vob_nsdir_add_entry(in, checkout, to.c_str(), element, nullptr), 0) << to;
    }
    tbs_dbid_t version = 0;
    EXPECT_EQ(view_checkin(view, file(view, dir).c_str(), nullptr, &version), 0) << dir;
    return version;
  }

  vob_vob_h selected_vob(view_server_h view, const std::string& vob_path) {
    view_path_info_t info;
    EXPECT_EQ(view_lookup(view, file(view, vob_path).c_str(), &info), 0) << vob_path;
    return info.vob;
  }

  // Checks in every checkout of the view.
  void checkin_all(view_server_h view) {
    std::vector<view_ckout_t> checkouts;
    ASSERT_EQ(view_list_checkouts(view, checkouts), 0);
    for (const auto& c : checkouts) {
      tbs_dbid_t version = 0;
      EXPECT_EQ(view_checkin(view, c.path.c_str(), nullptr, &version), 0) << c.path;
    }
  }

  // findmerge of `from` at `vob_path`; the status, and the items in `items`.
  int findmerge(view_server_h view, const std::string& vob_path, const std::string& from,
                bool print_only, std::vector<cmd_findmerge_item_t>& items) {
    cmd_findmerge_args_t args;
    args.path = file(view, vob_path);
    args.from = from;
    args.comment = "findmerge";
    args.print_only = print_only ? 1 : 0;
    return cmd_findmerge_tree(view, args, items);
  }

  // The merge of version `from` into the main view (with `print_only`, a
  // dry run); the call must succeed.
  cmd_findmerge_result_t merge_into_main(tbs_dbid_t from, int print_only = 0) {
    cmd_findmerge_result_t result;
    EXPECT_EQ(cmd_findmerge_zem_merge(main_view, vob, from, "merge", print_only, &result), 0);
    return result;
  }

  // The merges the main view holds that wait for the user.
  std::vector<cmd_findmerge_pending_t> pending() {
    std::vector<cmd_findmerge_pending_t> list;
    EXPECT_EQ(cmd_findmerge_list_pending(main_view, list), 0);
    return list;
  }

  int need_of(view_server_h view, tbs_dbid_t from) {
    int need = -1;
    EXPECT_EQ(cmd_findmerge_zem_needs_co_merge(view, vob, from, &need), 0);
    return need;
  }

  TempHome home;
  vob_vob_h vob = nullptr;
  tbs_dbid_t dev_type = 0;
  view_server_h main_view = nullptr;
  view_server_h dev_view = nullptr;
};

// f.txt, "a b c" at /main/1, changed differently on main and on dev: dev/1
// conflicts with main's latest version.
class TextConflictTest : public FindmergeTest {
 protected:
  void SetUp() override {
    FindmergeTest::SetUp();
    make_element(main_view, "/src", "f.txt", "a\nb\nc\n");
    dev1 = edit(dev_view, "/src/f.txt", "a\ndev\nc\n");
    edit(main_view, "/src/f.txt", "a\nmain\nc\n");
  }
  // f.txt in the main view.
  std::string path() { return file(main_view, "/src/f.txt"); }

  tbs_dbid_t dev1 = 0;
};

}  // namespace findmerge_test

#endif  // TESTS_FINDMERGE_FIXTURE_H
