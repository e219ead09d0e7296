// A sandbox for view tests: a fresh KORVANE_HOME with one VOB "/src", views
// made on demand, and helpers to read what a view shows on disk.
#ifndef TESTS_VIEW_FIXTURE_H
#define TESTS_VIEW_FIXTURE_H

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "services/view.h"
#include "services/vob.h"
#include "services/vob_elem.h"
#include "support/imsg_capture.h"
#include "support/sandbox.h"
#include "support/vob_elem_fixture.h"

namespace view_test {

// Reads a file; "<missing>" when it cannot be opened.
inline std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return "<missing>";
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline bool exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// Whether the file's mode lets its owner write it (whoever runs the test).
inline bool writable(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) != 0;
}

// Replaces a file's content, whatever its mode.
inline void put(const std::string& path, const std::string& content) {
  std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

inline std::string version_name(vob_vob_h vob, tbs_dbid_t version) {
  std::string name;
  EXPECT_EQ(vob_ver_get_name(vob, version, name), 0);
  return name;
}

class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override { vob = test_support::make_test_vob("/src"); }

  void TearDown() override {
    for (auto& [tag, view] : views)
      view_free_handle(view);
  }

  // A view "<tag>" rooted at <home>/roots/<tag>; kept until the test ends.
  view_server_h make_view(const std::string& tag, int kind = VIEW_DYNAMIC,
                          const std::string& attributes = "") {
    view_create_args_t args;
    args.tag = tag;
    args.root = root_of(tag);
    args.kind = kind;
    args.attributes = attributes;
    view_server_h view = nullptr;
    EXPECT_EQ(view_create(args, &view), 0) << tag;
    views[tag] = view;
    return view;
  }

  static std::string prop(view_server_h v, int property) {
    std::string value;
    EXPECT_EQ(view_getprop(v, property, value), 0) << property;
    return value;
  }
  static int needs_update(view_server_h v) {
    int needs = -1;
    EXPECT_EQ(view_needs_update(v, &needs), 0);
    return needs;
  }
  static std::string tag_of(view_server_h v) {
    std::string tag;
    EXPECT_EQ(view_tag(v, tag), 0);
    return tag;
  }

  std::string root_of(const std::string& tag) const { return home.path() + "/roots/" + tag; }

  // The file a view shows for a view path "/src/...".
  std::string file(const std::string& tag, const std::string& view_path) const {
    return root_of(tag) + view_path;
  }

  // Makes the checked-in elements of `files` (view path to content; a
  // trailing "/" makes a directory) through view `tag`, checking out and in
  // the directories on the way.
  void populate(const std::string& tag, const std::map<std::string, std::string>& files) {
    view_server_h v = views.at(tag);
    for (const auto& [path, content] : files) {
      std::string dir = path.substr(0, path.rfind('/', path.size() - 2));
      tbs_dbid_t version = 0;
      ASSERT_EQ(view_checkout(v, dir.c_str(), "add", &version), 0) << dir;
      bool is_dir = path.back() == '/';
      std::string name = is_dir ? path.substr(0, path.size() - 1) : path;
      if (!is_dir)
        std::ofstream(file(tag, name), std::ios::binary) << content;
      tbs_dbid_t element = 0;
      ASSERT_EQ(view_mkelem(v, name.c_str(), is_dir ? VOB_ELTYPE_DIRECTORY : VOB_ELTYPE_FILE, "new",
                            1, &element),
                0)
          << name;
      ASSERT_EQ(view_checkin(v, dir.c_str(), nullptr, &version), 0) << dir;
    }
  }

  test_support::TempHome home;
  vob_vob_h vob = nullptr;
  std::map<std::string, view_server_h> views;
};

}  // namespace view_test

#endif  // TESTS_VIEW_FIXTURE_H
