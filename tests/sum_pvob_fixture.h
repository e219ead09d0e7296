// A fresh KORVANE_HOME with a project VOB "/pvob" at the feature level the
// test is given (8 and 6 are the two storage forms), its root folder, and
// "vobadmin" acting.
#ifndef TESTS_SUM_PVOB_FIXTURE_H
#define TESTS_SUM_PVOB_FIXTURE_H

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "services/vob_trig.h"
#include "sum/sum_baseline.h"
#include "sum/sum_component.h"
#include "sum/sum_folder.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"
#include "sum/sum_vob.h"
#include "vob_zem_fixture.h"

namespace zem_test {

// A library list holding `items`, in order.
template <typename List, typename Item>
List list_of(std::initializer_list<Item> items) {
  List list;
  for (const Item& item : items)
    list.append(item);
  return list;
}

inline SUM_BaselineList bl_list(std::initializer_list<SUM_Baseline> items) {
  return list_of<SUM_BaselineList>(items);
}
inline SUM_ComponentList comp_list(std::initializer_list<SUM_Component> items) {
  return list_of<SUM_ComponentList>(items);
}
inline SUM_StreamList stream_list(std::initializer_list<SUM_Stream> items) {
  return list_of<SUM_StreamList>(items);
}

class PvobLevelTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    pvob = SUM_Vob(test_support::make_test_vob("/pvob", true, GetParam()));
    ASSERT_EQ(SUM_Folder::root_folder(pvob, root), 0);
  }

  // The universal selector of `obj`.
  static std::string univ(const SUM_VobObject& obj) {
    SUM_String s;
    EXPECT_EQ(obj.univ_selector(s), 0);
    return static_cast<const char*>(s);
  }

  // A rootless component of the project VOB.
  SUM_Component rootless(const char* name) {
    SUM_Component c;
    EXPECT_EQ(SUM_Component::create(pvob, name, SUM_VobObject(), nullptr, nullptr, "", c), 0)
        << name;
    return c;
  }

  // Makes trigger type "guard" on `op` restricted to `obj`: a reference
  // that keeps `obj` from being removed. Returns the trigger type.
  tbs_dbid_t guard(vob_op_t op, tbs_dbid_t obj) {
    vob_trtype_create_args_t args;
    args.name = "guard";
    args.ops = {op};
    args.command = "true";
    args.restrict_to = {vob_trig_obj_t{pvob.handle(), obj}};
    tbs_dbid_t trtype = 0;
    EXPECT_EQ(vob_trtype_create(pvob.handle(), args, &trtype), 0);
    return trtype;
  }

  TempHome home;
  ScopedEnv user{"KORVANE_USER", "vobadmin"};
  SUM_Vob pvob;
  SUM_Folder root;
};

// A PvobLevelTest with project "proj" and two rootless components, c1 and
// c2, with their initial baselines.
class ProjectLevelTest : public PvobLevelTest {
 protected:
  void SetUp() override {
    PvobLevelTest::SetUp();
    ASSERT_EQ(SUM_Project::create("proj", "", root, "", 0, project), 0);
    c1 = rootless("c1");
    c2 = rootless("c2");
    ASSERT_EQ(c1.initial_baseline(c1_init), 0);
    ASSERT_EQ(c2.initial_baseline(c2_init), 0);
  }

  // A baseline made in `stream` (its timeline made when missing).
  SUM_Baseline made_in(const SUM_Stream& stream, const SUM_Component& c, const char* name) {
    SUM_Timeline timeline;
    EXPECT_EQ(stream.component_timeline_autocreate(c, timeline), 0);
    SUM_Baseline b;
    EXPECT_EQ(SUM_Baseline::create(timeline, name, "", 0, -1, b), 0) << name;
    return b;
  }

  SUM_Project project;
  SUM_Component c1, c2;
  SUM_Baseline c1_init, c2_init;
};

// Names the instances of a PvobLevelTest suite by their feature level.
inline std::string level_name(const ::testing::TestParamInfo<int>& info) {
  return "level" + std::to_string(info.param);
}

}  // namespace zem_test

#endif  // TESTS_SUM_PVOB_FIXTURE_H
