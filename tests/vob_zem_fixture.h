// A sandbox for folder and project tests: a fresh KORVANE_HOME with a
// project VOB "/pvob8" of the first-class form, a project VOB "/pvob6" of
// the activity-based form and an ordinary VOB "/src", all owned by
// "vobadmin", with helpers that make objects and read children in chunks.
#ifndef TESTS_VOB_ZEM_FIXTURE_H
#define TESTS_VOB_ZEM_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "services/rgy.h"
#include "services/vob.h"
#include "services/vob_zem.h"
#include "support/imsg_capture.h"
#include "support/sandbox.h"
#include "support/vob_elem_fixture.h"

namespace zem_test {

using test_support::ImsgCapture;
using test_support::ScopedEnv;
using test_support::TempHome;

inline vob_event_info_t event(int opcode, const char* comment = "") {
  vob_event_info_t e;
  e.opcode = opcode;
  e.comment = comment;
  return e;
}

constexpr unsigned long kAllInfo =
    VOB_ACT_INFO_BIT(VOB_ACT_INFO_TITLE) | VOB_ACT_INFO_BIT(VOB_ACT_INFO_PARENT) |
    VOB_ACT_INFO_BIT(VOB_ACT_INFO_FLAGS) | VOB_ACT_INFO_BIT(VOB_ACT_INFO_MOD_COUNT);

class ZemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ScopedEnv owner("KORVANE_USER", "vobadmin");
    fc = make_vob("/pvob8", true, 8);
    old = make_vob("/pvob6", true, 6);
    plain = make_vob("/src", false, 8);
    ASSERT_EQ(vob_ob_get_wk_obj(fc, VOB_WK_ROOT_FOLDER, &fc_root), 0);
    ASSERT_EQ(vob_ob_get_wk_obj(old, VOB_WK_ROOT_FOLDER, &old_root), 0);
    ASSERT_EQ(vob_ob_get_wk_obj(old, VOB_WK_FOLDER_TYPE, &folder_type), 0);
    ASSERT_EQ(vob_ob_get_wk_obj(old, VOB_WK_PROJECT_TYPE, &project_type), 0);
    ASSERT_EQ(vob_ob_get_wk_obj(old, VOB_WK_STREAM_TYPE, &stream_type), 0);
  }

  vob_vob_h make_vob(const char* tag, bool project, int level) {
    return test_support::make_test_vob(tag, project, level);
  }

  tbs_dbid_t folder(const char* name, tbs_dbid_t parent) {
    tbs_dbid_t made = 0;
    vob_event_info_t e = event(107, "new folder");
    EXPECT_EQ(vob_zem_folder_create(fc, name, parent, &e, &made), 0) << name;
    return made;
  }
  tbs_dbid_t project(const char* name, tbs_dbid_t parent) {
    tbs_dbid_t made = 0;
    vob_event_info_t e = event(102, "new project");
    EXPECT_EQ(vob_zem_project_create(fc, name, parent, &e, &made), 0) << name;
    return made;
  }
  tbs_dbid_t act(const char* name, tbs_dbid_t type, tbs_dbid_t parent, const char* title = "") {
    tbs_dbid_t made = 0;
    vob_event_info_t e = event(107, "new object");
    EXPECT_EQ(vob_act_create(old, name, type, parent, title, &e, &made), 0) << name;
    return made;
  }

  std::vector<tbs_dbid_t> subfolders(tbs_dbid_t of, size_t chunk = 100) {
    return gather(chunk, [&](size_t at, size_t max, std::vector<tbs_dbid_t>& out) {
      return vob_zem_folder_next_subfolders(fc, of, at, max, out);
    });
  }
  std::vector<tbs_dbid_t> projects(tbs_dbid_t of) {
    return gather(100, [&](size_t at, size_t max, std::vector<tbs_dbid_t>& out) {
      return vob_zem_folder_next_projects(fc, of, at, max, out);
    });
  }
  std::vector<tbs_dbid_t> children(tbs_dbid_t of, size_t chunk = 100) {
    return gather(chunk, [&](size_t at, size_t max, std::vector<tbs_dbid_t>& out) {
      return vob_act_next_children(old, of, at, max, out);
    });
  }

  // Reads chunks of `chunk` until a short one; records the chunk sizes.
  template <typename Next>
  std::vector<tbs_dbid_t> gather(size_t chunk, Next next) {
    std::vector<tbs_dbid_t> all;
    chunk_sizes.clear();
    for (;;) {
      std::vector<tbs_dbid_t> part{999};  // replaced by every call
      EXPECT_EQ(next(all.size(), chunk, part), 0);
      chunk_sizes.push_back(part.size());
      all.insert(all.end(), part.begin(), part.end());
      if (part.size() < chunk)
        return all;
    }
  }

  // The message of a call given object `dbid` where it needs `kind`.
  static std::string not_a(tbs_dbid_t dbid, const char* vob, const char* kind) {
    return "Object " + std::to_string(dbid) + " of VOB \"" + vob + "\" is not " + kind + ".\n";
  }

  tbs_dbid_t parent_of(tbs_dbid_t obj) {
    tbs_dbid_t parent = 0;
    EXPECT_EQ(vob_zem_obj_get_parent(fc, obj, &parent), 0);
    return parent;
  }
  vob_act_info_t info(tbs_dbid_t obj, unsigned long mask = kAllInfo) {
    vob_act_info_t out;
    EXPECT_EQ(vob_act_get_info(old, obj, mask, &out), 0);
    return out;
  }
  vob_event_t latest(vob_vob_h vob, tbs_dbid_t obj) {
    std::vector<vob_event_t> events;
    EXPECT_EQ(vob_obj_get_events(vob, obj, events), 0);
    return events.empty() ? vob_event_t() : events.back();
  }
  size_t event_count(vob_vob_h vob, tbs_dbid_t obj) {
    std::vector<vob_event_t> events;
    EXPECT_EQ(vob_obj_get_events(vob, obj, events), 0);
    return events.size();
  }

  TempHome home;
  vob_vob_h fc = nullptr;
  vob_vob_h old = nullptr;
  vob_vob_h plain = nullptr;
  tbs_dbid_t fc_root = 0;
  tbs_dbid_t old_root = 0;
  tbs_dbid_t folder_type = 0;
  tbs_dbid_t project_type = 0;
  tbs_dbid_t stream_type = 0;
  std::vector<size_t> chunk_sizes;
};

}  // namespace zem_test

#endif  // TESTS_VOB_ZEM_FIXTURE_H
