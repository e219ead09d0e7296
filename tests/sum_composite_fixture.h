// Components and composite baselines in the fixture's project VOB: rootless
// components, baselines on their main timelines, and composites whose
// dependency record names given members.
#ifndef TESTS_SUM_COMPOSITE_FIXTURE_H
#define TESTS_SUM_COMPOSITE_FIXTURE_H

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "services/vob_zem_baseline.h"
#include "sum/sum_baseline.h"
#include "sum/sum_baseline_dependency.h"
#include "sum/sum_component.h"
#include "sum/sum_timeline.h"
#include "sum_pvob_fixture.h"

namespace zem_test {

class CompositeTest : public PvobLevelTest {
 protected:
  // A baseline of `c`'s main timeline whose dependency record is `deps_xml`.
  SUM_Baseline with_record(const SUM_Component& c, const char* name, const std::string& deps_xml) {
    vob_zem_baseline_spec_t spec;
    spec.name = name;
    spec.component = c.dbid();
    spec.timeline = c.dbid();
    spec.deps_xml = deps_xml.c_str();
    tbs_dbid_t dbid = 0;
    EXPECT_EQ(vob_zem_baseline_create(pvob.handle(), spec, nullptr, &dbid), 0) << name;
    return SUM_Baseline(pvob, dbid);
  }
  // A baseline of `c` with `members`.
  SUM_Baseline composite(const SUM_Component& c, const char* name,
                         std::initializer_list<SUM_Baseline> members) {
    SUM_String xml;
    EXPECT_EQ(SUM_BaselineDependency::deps_to_xml_text(bl_list(members), xml), 0);
    return with_record(c, name, static_cast<const char*>(xml));
  }
  // The name messages give an object ("name@/pvob").
  static std::string shown(const SUM_VobObject& obj) {
    SUM_String s;
    EXPECT_EQ(obj.selector(1, s), 0);
    return static_cast<const char*>(s);
  }
};

}  // namespace zem_test

#endif  // TESTS_SUM_COMPOSITE_FIXTURE_H
