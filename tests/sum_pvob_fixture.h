// A fresh KORVANE_HOME with a project VOB "/pvob" at the feature level the
// test is given (8 and 6 are the two storage forms), its root folder, and
// "vobadmin" acting.
#ifndef TESTS_SUM_PVOB_FIXTURE_H
#define TESTS_SUM_PVOB_FIXTURE_H

#include <gtest/gtest.h>

#include <string>

#include "services/vob_trig.h"
#include "sum/sum_folder.h"
#include "sum/sum_vob.h"
#include "vob_zem_fixture.h"

namespace zem_test {

class PvobLevelTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    pvob = SUM_Vob(test_support::make_test_vob("/pvob", true, GetParam()));
    ASSERT_EQ(SUM_Folder::root_folder(pvob, root), 0);
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

// Names the instances of a PvobLevelTest suite by their feature level.
inline std::string level_name(const ::testing::TestParamInfo<int>& info) {
  return "level" + std::to_string(info.param);
}

}  // namespace zem_test

#endif  // TESTS_SUM_PVOB_FIXTURE_H
