// The library's relations: hyperlink operations and walks of SUM_VobObject,
// PVAR access in both storage forms, and attribute lists.
#include <gtest/gtest.h>

#include <memory>

#include "services/vob.h"
#include "sum/sum_avlist.h"
#include "sum/sum_hyperlink.h"
#include "sum/sum_pvar.h"
#include "support/imsg_capture.h"
#include "support/sandbox.h"
#include "support/vob_elem_fixture.h"

namespace {

using test_support::ImsgCapture;
using test_support::TempHome;

SUM_Vob make_vob(const std::string& tag, bool pvob = false, int level = 8) {
  vob_vob_h handle = test_support::make_test_vob(tag, pvob, level);
  SUM_Vob vob;
  EXPECT_EQ(SUM_Vob::construct_from_handle(handle, vob), 0);
  return vob;
}

SUM_VobObject make_object(const SUM_Vob& vob, const std::string& name) {
  tbs_dbid_t dbid = 0;
  EXPECT_EQ(vob_type_create(vob.handle(), VOB_MTYPE_LABEL_TYPE, name.c_str(), nullptr, &dbid), 0);
  return SUM_VobObject(vob, dbid);
}

class SumRelationsTest : public ::testing::Test {
 protected:
  TempHome home;
};

TEST_F(SumRelationsTest, HyperlinksAreCreatedFoundAndRemoved) {
  SUM_Vob pvob = make_vob("/pvob", true);
  SUM_Vob src = make_vob("/src");
  SUM_VobObject stream = make_object(pvob, "STREAM");
  SUM_VobObject baseline = make_object(src, "BL");
  ASSERT_EQ(stream.create_hyperlink_to(baseline, VOB_WK_HLTYPE_USE_BASELINE, nullptr, "t", "use"),
            0);
  int has = 0;
  ASSERT_EQ(stream.has_hyperlink(VOB_WK_HLTYPE_USE_BASELINE, 1, has), 0);
  EXPECT_EQ(has, 1);
  ASSERT_EQ(baseline.has_hyperlink(VOB_WK_HLTYPE_USE_BASELINE, 0, has), 0);
  EXPECT_EQ(has, 1) << "walkable from the other VOB";
  ASSERT_EQ(stream.has_hyperlink_to(baseline, VOB_WK_HLTYPE_USE_BASELINE, has), 0);
  EXPECT_EQ(has, 1);
  ASSERT_EQ(baseline.has_hyperlink_to(stream, VOB_WK_HLTYPE_USE_BASELINE, has), 0);
  EXPECT_EQ(has, 0) << "direction matters";

  SUM_Hyperlink link;
  ASSERT_EQ(stream.single_hyperlink(VOB_WK_HLTYPE_USE_BASELINE, link, 1), 0);
  SUM_Hyperlink copy = link;
  vob_arrow_info_t arrow;
  ASSERT_EQ(copy.arrow(arrow), 0);
  EXPECT_EQ(arrow.to_text, "t");
  EXPECT_EQ(arrow.to, baseline.dbid());
  SUM_VobObject far;
  ASSERT_EQ(stream.single_hyperlinked_object(VOB_WK_HLTYPE_USE_BASELINE, far, 1), 0);
  EXPECT_EQ(far, baseline);

  ASSERT_EQ(stream.remove_hyperlink_to(baseline, VOB_WK_HLTYPE_USE_BASELINE, 0, "drop"), 0);
  EXPECT_EQ(stream.single_hyperlink(VOB_WK_HLTYPE_USE_BASELINE, link, 1), 1002);
  EXPECT_EQ(stream.remove_hyperlink_to(baseline, VOB_WK_HLTYPE_USE_BASELINE, 0, "drop"), 1002);
}

TEST_F(SumRelationsTest, SingleHyperlinkNeedsExactlyOne) {
  TempHome log_home;
  SUM_Vob vob = make_vob("/v");
  SUM_VobObject from = make_object(vob, "FROM");
  SUM_Hyperlink link;
  EXPECT_EQ(from.single_hyperlink(VOB_WK_HLTYPE_CHANGE, link, 1), 1002);
  ASSERT_EQ(from.create_hyperlink_to(make_object(vob, "A"), VOB_WK_HLTYPE_CHANGE, "", "", ""), 0);
  ASSERT_EQ(from.create_hyperlink_to(make_object(vob, "B"), VOB_WK_HLTYPE_CHANGE, "", "", ""), 0);
  ImsgCapture capture;
  EXPECT_EQ(from.single_hyperlink(VOB_WK_HLTYPE_CHANGE, link, 1), 1072);
}

TEST_F(SumRelationsTest, NamedTypesAreMadeWhereMissingAndFailuresAreReported) {
  SUM_Vob a = make_vob("/a");
  SUM_Vob b = make_vob("/b");
  SUM_VobObject from = make_object(a, "FROM");
  SUM_VobObject to = make_object(b, "TO");
  ASSERT_EQ(from.create_hyperlink_to(to, "DerivedFrom", "x", "y", "link"), 0);
  tbs_dbid_t type = 0;
  EXPECT_EQ(vob_resolve_type(b.handle(), "DerivedFrom", VOB_MTYPE_HYPERLINK_TYPE, &type), 0);
  ASSERT_EQ(from.remove_hyperlink_to(to, "DerivedFrom", "", "unlink"), 0);

  ImsgCapture capture;
  SUM_VobObject missing(b, 99999);
  EXPECT_NE(from.create_hyperlink_to(missing, VOB_WK_HLTYPE_CHANGE, "", "", ""), 0);
  EXPECT_EQ(capture.joined(IMSG_ERROR)
                .rfind("Unable to create hlink of type \"Change@/a\" from "
                       "\"FROM@/a\", to ",
                       0),
            0u)
      << capture.joined(IMSG_ERROR);
}

TEST_F(SumRelationsTest, IteratorsWalkObjectsAndReportBrokenEnds) {
  SUM_Vob keep = make_vob("/keep");
  SUM_Vob gone = make_vob("/gone");
  SUM_VobObject hub = make_object(keep, "HUB");
  std::vector<SUM_VobObject> targets;
  for (int i = 0; i < 40; ++i) {
    targets.push_back(make_object(keep, "T" + std::to_string(i)));
    ASSERT_EQ(hub.create_hyperlink_to(targets.back(), VOB_WK_HLTYPE_CHANGE, "", "", ""), 0);
  }
  SUM_VobObject elsewhere = make_object(gone, "AWAY");
  ASSERT_EQ(hub.create_hyperlink_to(elsewhere, VOB_WK_HLTYPE_CHANGE, "", "", ""), 0);
  ASSERT_EQ(vob_remove("/gone"), 0);

  std::unique_ptr<SUM_VobObjectIter> objects(hub.hyperlinked_objects(VOB_WK_HLTYPE_CHANGE, 1));
  std::vector<SUM_VobObject> seen;
  int nulls = 0;
  for (objects->first(); !objects->is_done(); objects->next()) {
    SUM_VobObject o = objects->current_item();
    if (o.is_null())
      ++nulls;
    else
      seen.push_back(o);
  }
  EXPECT_EQ(objects->status(), 0);
  EXPECT_EQ(seen, targets) << "in creation order, across chunks of 32";
  EXPECT_EQ(nulls, 1) << "the link into the removed VOB is broken";

  std::unique_ptr<SUM_HyperlinkIter> links(hub.hyperlinks(VOB_WK_HLTYPE_CHANGE, 1));
  int count = 0;
  for (links->first(); !links->is_done(); links->next())
    ++count;
  EXPECT_EQ(count, 41);
  // Restarting walks again from the beginning.
  links->first();
  EXPECT_FALSE(links->is_done());

  SUM_Hyperlink last;
  SUM_VobObject none;
  ImsgCapture capture;
  std::unique_ptr<SUM_VobObjectIter> null_walk(none.hyperlinked_objects(VOB_WK_HLTYPE_CHANGE, 1));
  null_walk->first();
  EXPECT_TRUE(null_walk->is_done());
  EXPECT_EQ(null_walk->status(), 1072);
}

TEST_F(SumRelationsTest, PvarAccessInBothStorageForms) {
  SUM_Vob modern = make_vob("/modern", true, 8);
  SUM_Vob older = make_vob("/older", true, 6);
  SUM_VobObject fc_folder;
  SUM_VobObject old_folder;
  ASSERT_EQ(modern.wk_obj(VOB_WK_ROOT_FOLDER, fc_folder), 0);
  ASSERT_EQ(older.wk_obj(VOB_WK_ROOT_FOLDER, old_folder), 0);
  for (const SUM_VobObject& folder : {fc_folder, old_folder}) {
    SUM_String value("stale");
    ASSERT_EQ(sum_pvar_get(folder, PVAR_ZEM_STRM_RECBLS, value), 0);
    EXPECT_STREQ(value, "") << "an absent PVAR reads as empty";
    int exists = 1;
    ASSERT_EQ(sum_pvar_exists(folder, PVAR_ZEM_STRM_RECBLS, exists), 0);
    EXPECT_EQ(exists, 0);
    ASSERT_EQ(sum_pvar_set(folder, PVAR_ZEM_STRM_RECBLS, "", 97, "empty value"), 0);
    ASSERT_EQ(sum_pvar_exists(folder, PVAR_ZEM_STRM_RECBLS, exists), 0);
    EXPECT_EQ(exists, 1) << "an empty value is present";
    ASSERT_EQ(sum_pvar_test_and_set(folder, PVAR_ZEM_GEN_ZEM_DELIVER, nullptr, "state=1", 89), 0);
    EXPECT_EQ(sum_pvar_test_and_set(folder, PVAR_ZEM_GEN_ZEM_DELIVER, nullptr, "state=1", 89),
              1087);
    EXPECT_EQ(sum_pvar_test(folder, PVAR_ZEM_GEN_ZEM_DELIVER, "state=1"), 0);
    ASSERT_EQ(sum_pvar_set_local(folder, "LOCAL_NOTE", "here", 0, nullptr), 0);
    ASSERT_EQ(sum_pvar_get(folder, "LOCAL_NOTE", value), 0);
    EXPECT_STREQ(value, "here");
    ASSERT_EQ(sum_pvar_delete(folder, PVAR_ZEM_GEN_ZEM_DELIVER, 91), 0);
    EXPECT_EQ(sum_pvar_delete(folder, PVAR_ZEM_GEN_ZEM_DELIVER, 91), 1002);
  }
  // The older form only works on activity-like objects, which is what its
  // route through the activity calls checks.
  SUM_VobObject type = make_object(older, "NOT_ACTIVITY_LIKE");
  EXPECT_EQ(sum_pvar_set(type, "X", "y", 0, nullptr), 1004);
}

SUM_AVMapList sample_map() {
  SUM_AVMapList map;
  map.append(SUM_AVMap(0, "state", 1));
  map.append(SUM_AVMap(1, "stream", 1));
  map.append(SUM_AVMap(2, "view", 1));
  return map;
}

TEST(SumAVList, PackWritesNonEmptyValuesInMapOrderAndUnpackReadsThemBack) {
  SUM_AVList empty(sample_map());
  SUM_String text;
  ASSERT_EQ(empty.pack(text), 0);
  EXPECT_STREQ(text, "") << "no values, no text";

  SUM_AVList list(sample_map());
  list.values[2] = "dev_view";
  list.values[0] = "op_started";
  ASSERT_EQ(list.pack(text), 0);
  EXPECT_STREQ(text, "state=op_started\nview=dev_view\n");
  SUM_AVList read(sample_map());
  ASSERT_EQ(read.unpack(text), 0);
  EXPECT_STREQ(read.values[0], "op_started");
  EXPECT_STREQ(read.values[1], "");
  EXPECT_STREQ(read.values[2], "dev_view");
}

TEST(SumAVList, NextAttrReportsEndAndMalformedLines) {
  TempHome home;
  SUM_AVList list(sample_map());
  SUM_String text("view=a=b\n");
  int attr = -1;
  int pos = 0;
  SUM_String value;
  ASSERT_EQ(list.next_attr(text, attr, value, pos), 0);
  EXPECT_EQ(attr, 2);
  EXPECT_STREQ(value, "a=b") << "the value runs from the first '=' to the line break";
  EXPECT_EQ(pos, text.GetLength());
  ASSERT_EQ(list.next_attr(text, attr, value, pos), 0);
  EXPECT_EQ(pos, -1);
  ImsgCapture capture;
  EXPECT_EQ(list.next_attr(text, attr, value, pos), 1072) << "a negative position";
  EXPECT_EQ(list.unpack("state=x"), 1001) << "no final line break";
  EXPECT_EQ(list.unpack("state\n"), 1001) << "no '='";
  size_t errors = capture.texts(IMSG_ERROR).size();
  EXPECT_EQ(list.unpack("state\nview=v\n"), 1001) << "no '=' on the first line";
  EXPECT_EQ(capture.texts(IMSG_ERROR).size(), errors) << "a malformed line is no internal error";
  EXPECT_EQ(list.unpack("colour=red\n"), 1072) << "an unknown tag is an error, not skipped";
  SUM_AVMapList map = sample_map();
  ASSERT_EQ(SUM_AVMapList_set_active(map, 1, 0), 0);
  EXPECT_EQ(map[1].active, 0);
  EXPECT_EQ(SUM_AVMapList_set_active(map, 7, 0), 0);
}

}  // namespace
