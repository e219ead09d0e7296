// Streams and timelines of both storage forms: creation and the flag word,
// names, parent streams and projects, listings in chunks, removal refusals,
// and the order of timeline entries.
#include <gmock/gmock.h>

#include "services/vob_hlink.h"
#include "services/vob_zem_stream.h"
#include "support/checks.h"
#include "vob_zem_fixture.h"

namespace zem_test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// One PVOB with a project in it, in either storage form.
struct Form {
  const char* label;
  vob_vob_h vob;
  tbs_dbid_t project;
};

class StreamTest : public ZemTest {
 protected:
  std::vector<Form> forms() {
    return {{"first-class", fc, project("p8", fc_root)},
            {"activity-based", old, act("p6", project_type, old_root)}};
  }

  tbs_dbid_t stream(const Form& f, const char* name, tbs_dbid_t parent, unsigned int flags = 0) {
    tbs_dbid_t made = 0;
    vob_event_info_t e = event(96, "new stream");
    EXPECT_EQ(vob_zem_stream_create(f.vob, name, parent, flags, &e, &made), 0) << name;
    return made;
  }
  tbs_dbid_t timeline(const Form& f, tbs_dbid_t of, const char* name) {
    tbs_dbid_t made = 0;
    EXPECT_EQ(vob_zem_timeline_create(f.vob, of, name, nullptr, &made), 0) << name;
    return made;
  }
  std::vector<tbs_dbid_t> project_streams(const Form& f, size_t chunk = 100) {
    return gather(chunk, [&](size_t at, size_t max, std::vector<tbs_dbid_t>& out) {
      return vob_zem_project_next_streams(f.vob, f.project, at, max, out);
    });
  }
  std::vector<tbs_dbid_t> child_streams(const Form& f, tbs_dbid_t of) {
    return gather(100, [&](size_t at, size_t max, std::vector<tbs_dbid_t>& out) {
      return vob_zem_stream_next_children(f.vob, of, at, max, out);
    });
  }
  std::vector<tbs_dbid_t> timelines(const Form& f, tbs_dbid_t of) {
    return gather(100, [&](size_t at, size_t max, std::vector<tbs_dbid_t>& out) {
      return vob_zem_stream_next_timelines(f.vob, of, at, max, out);
    });
  }
  // The entries of a timeline as (kind, object) pairs.
  std::vector<std::pair<int, tbs_dbid_t>> entries(const Form& f, tbs_dbid_t tl) {
    std::vector<vob_zem_timeline_entry_t> raw;
    EXPECT_EQ(vob_zem_timeline_get_entries(f.vob, tl, raw), 0);
    std::vector<std::pair<int, tbs_dbid_t>> out;
    for (const auto& e : raw)
      out.emplace_back(e.kind, e.dbid);
    return out;
  }
  unsigned int flags(const Form& f, tbs_dbid_t s) {
    unsigned int out = 99;
    EXPECT_EQ(vob_zem_stream_get_flags(f.vob, s, &out), 0);
    return out;
  }
};

TEST_F(StreamTest, StructureOfAProjectsStreams) {
  for (const Form& f : forms()) {
    SCOPED_TRACE(f.label);
    tbs_dbid_t integ = stream(f, "int", f.project, VOB_ZEM_STREAM_INTEGRATION);
    tbs_dbid_t dev1 = stream(f, "dev1", integ);
    tbs_dbid_t dev2 = stream(f, "dev2", dev1);
    tbs_dbid_t ro = stream(f, "ro", f.project, VOB_ZEM_STREAM_READ_ONLY);

    EXPECT_EQ(flags(f, integ), VOB_ZEM_STREAM_INTEGRATION);
    EXPECT_EQ(flags(f, ro), VOB_ZEM_STREAM_READ_ONLY);
    EXPECT_EQ(flags(f, dev2), 0U);

    tbs_dbid_t parent = 0;
    EXPECT_EQ(vob_zem_stream_get_parent_stream(f.vob, dev2, &parent), 0);
    EXPECT_EQ(parent, dev1);
    parent = 77;
    EXPECT_EQ(vob_zem_stream_get_parent_stream(f.vob, integ, &parent), TBS_ST_NOT_FOUND);
    EXPECT_EQ(parent, 77U);
    tbs_dbid_t proj = 0;
    EXPECT_EQ(vob_zem_stream_get_project(f.vob, dev2, &proj), 0);
    EXPECT_EQ(proj, f.project);

    // Chunks of two: the whole project, in creation order, across levels.
    EXPECT_EQ(project_streams(f, 2), (std::vector<tbs_dbid_t>{integ, dev1, dev2, ro}));
    EXPECT_THAT(chunk_sizes, ElementsAre(2U, 2U, 0U));
    EXPECT_EQ(child_streams(f, integ), std::vector<tbs_dbid_t>{dev1});
    EXPECT_TRUE(child_streams(f, dev2).empty());
    // A project is not a stream.
    std::vector<tbs_dbid_t> none;
    EXPECT_EQ(vob_zem_stream_next_children(f.vob, f.project, 0, 10, none), TBS_ST_BAD_ARGUMENT);
    // The general tree calls of each form see the same placement.
    if (f.vob == fc)
      EXPECT_EQ(parent_of(dev1), integ);
    else
      EXPECT_EQ(info(dev1).parent, integ);
  }
}

TEST_F(StreamTest, BadCreationsChangeNothing) {
  for (const Form& f : forms()) {
    SCOPED_TRACE(f.label);
    tbs_dbid_t integ = stream(f, "main", f.project, VOB_ZEM_STREAM_INTEGRATION);
    tbs_dbid_t made = 0;
    EXPECT_TRUE(test_support::fails_mentioning(TBS_ST_EXISTS, "main", [&] {
      return vob_zem_stream_create(f.vob, "main", f.project, 0, nullptr, &made);
    }));
    EXPECT_TRUE(
        test_support::fails_mentioning(TBS_ST_ERROR, "already has the integration stream", [&] {
          return vob_zem_stream_create(f.vob, "int2", f.project, VOB_ZEM_STREAM_INTEGRATION,
                                       nullptr, &made);
        }));
    EXPECT_TRUE(
        test_support::fails_mentioning(TBS_ST_BAD_ARGUMENT, "is placed in its project", [&] {
          return vob_zem_stream_create(f.vob, "int3", integ, VOB_ZEM_STREAM_INTEGRATION, nullptr,
                                       &made);
        }));
    {
      ImsgCapture capture;
      tbs_dbid_t root = f.vob == fc ? fc_root : old_root;
      EXPECT_EQ(vob_zem_stream_create(f.vob, "s", root, 0, nullptr, &made), TBS_ST_BAD_ARGUMENT);
      EXPECT_THAT(capture.joined(IMSG_ERROR), HasSubstr("is not a project or stream"));
      EXPECT_EQ(vob_zem_stream_create(f.vob, "bad name", f.project, 0, nullptr, &made),
                TBS_ST_BAD_ARGUMENT);
      EXPECT_EQ(vob_zem_stream_create(f.vob, "s", f.project, 1U << 5, nullptr, &made),
                TBS_ST_BAD_ARGUMENT);
      EXPECT_EQ(vob_zem_stream_create(f.vob, "s", 999999, 0, nullptr, &made), TBS_ST_NOT_FOUND);
    }
    EXPECT_EQ(made, 0U);
    EXPECT_EQ(project_streams(f), std::vector<tbs_dbid_t>{integ});
  }
  ImsgCapture capture;
  tbs_dbid_t made = 0;
  EXPECT_EQ(vob_zem_stream_create(plain, "s", 1, 0, nullptr, &made), TBS_ST_BAD_ARGUMENT);
  EXPECT_THAT(capture.joined(IMSG_ERROR), HasSubstr("is not a project VOB"));
}

TEST_F(StreamTest, RemovalKeepsTheTreeWhole) {
  for (const Form& f : forms()) {
    SCOPED_TRACE(f.label);
    tbs_dbid_t integ = stream(f, "trunk", f.project, VOB_ZEM_STREAM_INTEGRATION);
    tbs_dbid_t dev = stream(f, "task", integ);
    tbs_dbid_t tl = timeline(f, dev, nullptr);
    ASSERT_EQ(vob_zem_timeline_add_entry(f.vob, tl, VOB_ZEM_TL_FOUNDATION_ARC, integ, nullptr), 0);
    EXPECT_TRUE(test_support::fails_mentioning(TBS_ST_ERROR, "has 1 child streams", [&] {
      return vob_zem_stream_delete(f.vob, integ, nullptr);
    }));
    EXPECT_EQ(child_streams(f, integ), std::vector<tbs_dbid_t>{dev});
    // A project holding streams cannot go either.
    {
      ImsgCapture capture;
      int st = f.vob == fc ? vob_zem_project_delete(fc, f.project, nullptr)
                           : vob_act_delete(old, f.project, nullptr);
      EXPECT_EQ(st, TBS_ST_ERROR);
    }
    // A stream goes with its timelines and their entries.
    vob_event_info_t e = event(97, "gone");
    ASSERT_EQ(vob_zem_stream_delete(f.vob, dev, &e), 0);
    std::vector<vob_zem_timeline_entry_t> left;
    EXPECT_EQ(vob_zem_timeline_get_entries(f.vob, tl, left), TBS_ST_NOT_FOUND);
    EXPECT_TRUE(test_support::fails_mentioning(TBS_ST_NOT_FOUND, "is not a stream", [&] {
      return vob_zem_stream_delete(f.vob, dev, nullptr);
    }));
    ASSERT_EQ(vob_zem_stream_delete(f.vob, integ, nullptr), 0);
    EXPECT_TRUE(project_streams(f).empty());
    // The name is free again, and so is the integration place.
    EXPECT_NE(stream(f, "trunk", f.project, VOB_ZEM_STREAM_INTEGRATION), 0U);
  }
}

TEST_F(StreamTest, TitlesOfStreams) {
  for (const Form& f : forms()) {
    SCOPED_TRACE(f.label);
    tbs_dbid_t s = stream(f, "titled", f.project);
    std::string title = "x";
    EXPECT_EQ(vob_zem_stream_get_title(f.vob, s, title), 0);
    EXPECT_EQ(title, "");
    size_t before = event_count(f.vob, s);
    ASSERT_EQ(vob_zem_stream_set_title(f.vob, s, "Release work", nullptr), 0);
    ASSERT_EQ(vob_zem_stream_set_title(f.vob, s, "Release work", nullptr), 0);
    EXPECT_EQ(event_count(f.vob, s), before + 1);
    EXPECT_EQ(vob_zem_stream_get_title(f.vob, s, title), 0);
    EXPECT_EQ(title, "Release work");
    ImsgCapture capture;
    EXPECT_EQ(vob_zem_stream_set_title(f.vob, f.project, "no", nullptr), TBS_ST_BAD_ARGUMENT);
  }
}

TEST_F(StreamTest, TimelineEntriesKeepTheirOrder) {
  for (const Form& f : forms()) {
    SCOPED_TRACE(f.label);
    tbs_dbid_t s = stream(f, "work", f.project);
    tbs_dbid_t tl = timeline(f, s, "work_tl");
    tbs_dbid_t other = timeline(f, s, nullptr);
    EXPECT_EQ(timelines(f, s), (std::vector<tbs_dbid_t>{tl, other}));
    tbs_dbid_t of = 0;
    EXPECT_EQ(vob_zem_timeline_get_stream(f.vob, tl, &of), 0);
    EXPECT_EQ(of, s);

    // The repository records any object of the PVOB; these stand in for
    // baselines and foundation hyperlinks.
    tbs_dbid_t a = stream(f, "a", f.project);
    tbs_dbid_t b = stream(f, "b", f.project);
    tbs_dbid_t c = stream(f, "c", f.project);
    tbs_dbid_t d = stream(f, "d", f.project);
    int later = 9;
    EXPECT_EQ(vob_zem_timeline_arc_after_latest_baseline(f.vob, tl, &later), 0);
    EXPECT_EQ(later, 0);
    ASSERT_EQ(vob_zem_timeline_add_entry(f.vob, tl, VOB_ZEM_TL_FOUNDATION_ARC, a, nullptr), 0);
    ASSERT_EQ(vob_zem_timeline_add_entry(f.vob, tl, VOB_ZEM_TL_BASELINE, b, nullptr), 0);
    ASSERT_EQ(vob_zem_timeline_insert_entry(f.vob, tl, 1, VOB_ZEM_TL_OTHER, c, nullptr), 0);
    ASSERT_EQ(vob_zem_timeline_insert_entry(f.vob, tl, 0, VOB_ZEM_TL_BASELINE, d, nullptr), 0);
    ASSERT_EQ(vob_zem_timeline_insert_entry(f.vob, tl, 4, VOB_ZEM_TL_OTHER, a, nullptr), 0);
    using E = std::pair<int, tbs_dbid_t>;
    std::vector<E> want{E{3, d}, E{1, a}, E{2, c}, E{3, b}, E{2, a}};
    EXPECT_EQ(entries(f, tl), want);
    EXPECT_TRUE(entries(f, other).empty());
    EXPECT_EQ(vob_zem_timeline_arc_after_latest_baseline(f.vob, tl, &later), 0);
    EXPECT_EQ(later, 0);

    {
      ImsgCapture capture;
      EXPECT_EQ(vob_zem_timeline_insert_entry(f.vob, tl, 6, VOB_ZEM_TL_OTHER, a, nullptr),
                TBS_ST_BAD_ARGUMENT);
      EXPECT_THAT(capture.joined(IMSG_ERROR), HasSubstr("has 5 entries; position 6"));
      EXPECT_EQ(vob_zem_timeline_add_entry(f.vob, tl, 4, a, nullptr), TBS_ST_BAD_ARGUMENT);
      EXPECT_EQ(vob_zem_timeline_add_entry(f.vob, tl, 0, a, nullptr), TBS_ST_BAD_ARGUMENT);
      EXPECT_EQ(vob_zem_timeline_add_entry(f.vob, tl, 1, 999999, nullptr), TBS_ST_NOT_FOUND);
      EXPECT_EQ(vob_zem_timeline_add_entry(f.vob, s, 1, a, nullptr), TBS_ST_BAD_ARGUMENT);
    }
    EXPECT_EQ(entries(f, tl), want);

    size_t before = event_count(f.vob, tl);
    vob_event_info_t e = event(114, "Created duplicate timeline entry");
    ASSERT_EQ(vob_zem_timeline_add_entry(f.vob, tl, VOB_ZEM_TL_FOUNDATION_ARC, c, &e), 0);
    EXPECT_EQ(event_count(f.vob, tl), before + 1);
    EXPECT_EQ(latest(f.vob, tl).opcode, 114);
    EXPECT_EQ(vob_zem_timeline_arc_after_latest_baseline(f.vob, tl, &later), 0);
    EXPECT_EQ(later, 1);

    ASSERT_EQ(vob_zem_timeline_delete(f.vob, other, nullptr), 0);
    EXPECT_EQ(timelines(f, s), std::vector<tbs_dbid_t>{tl});
  }
}

// Taking a timeline back to an earlier foundation removes the foundation
// arcs after it with their hyperlinks, and never a baseline entry.
TEST_F(StreamTest, TrailingFoundationArcsGoWithTheirHyperlinks) {
  for (const Form& f : forms()) {
    SCOPED_TRACE(f.label);
    tbs_dbid_t s = stream(f, "work", f.project);
    tbs_dbid_t tl = timeline(f, s, "work_tl");
    tbs_dbid_t target = stream(f, "target", f.project);
    tbs_dbid_t baseline = stream(f, "stand_in", f.project);
    auto arc = [&]() {
      tbs_dbid_t link = 0;
      EXPECT_EQ(vob_hlink_create_wk(f.vob, tl, VOB_WK_HLTYPE_FOUNDATION, f.vob, target, "", "",
                                    nullptr, &link),
                0);
      EXPECT_EQ(vob_zem_timeline_add_entry(f.vob, tl, VOB_ZEM_TL_FOUNDATION_ARC, link, nullptr), 0);
      return link;
    };
    tbs_dbid_t first = arc();
    ASSERT_EQ(vob_zem_timeline_add_entry(f.vob, tl, VOB_ZEM_TL_BASELINE, baseline, nullptr), 0);
    tbs_dbid_t second = arc();
    tbs_dbid_t third = arc();
    using E = std::pair<int, tbs_dbid_t>;
    {
      ImsgCapture capture;
      EXPECT_EQ(vob_zem_timeline_drop_arcs_from(f.vob, tl, 1, nullptr), TBS_ST_ERROR);
      EXPECT_THAT(capture.joined(IMSG_ERROR), HasSubstr("has a baseline at entry 1"));
      EXPECT_EQ(vob_zem_timeline_drop_arcs_from(f.vob, tl, 0, nullptr), TBS_ST_BAD_ARGUMENT);
      EXPECT_EQ(vob_zem_timeline_drop_arcs_from(f.vob, tl, 4, nullptr), TBS_ST_BAD_ARGUMENT);
    }
    EXPECT_EQ(entries(f, tl).size(), 4u) << "a refusal removes nothing";

    ASSERT_EQ(vob_zem_timeline_drop_arcs_from(f.vob, tl, 2, nullptr), 0);
    EXPECT_EQ(entries(f, tl), (std::vector<E>{E{1, first}, E{3, baseline}}));
    vob_arrow_info_t arrow;
    EXPECT_EQ(vob_hlink_hlinkh_get_arrow(f.vob, second, &arrow), TBS_ST_NOT_FOUND);
    EXPECT_EQ(vob_hlink_hlinkh_get_arrow(f.vob, third, &arrow), TBS_ST_NOT_FOUND);
    EXPECT_EQ(vob_hlink_hlinkh_get_arrow(f.vob, first, &arrow), 0);
  }
}

TEST_F(StreamTest, ObjectsMadeAsActivityLikeAreStreams) {
  tbs_dbid_t proj = act("legacy", project_type, old_root);
  tbs_dbid_t s = act("made_old_way", stream_type, proj);
  tbs_dbid_t child = act("child_old_way", stream_type, s);
  Form f{"activity-based", old, proj};
  EXPECT_EQ(flags(f, s), 0U);
  EXPECT_EQ(child_streams(f, s), std::vector<tbs_dbid_t>{child});
  EXPECT_EQ(project_streams(f), (std::vector<tbs_dbid_t>{s, child}));
  tbs_dbid_t parent = 0;
  EXPECT_EQ(vob_zem_stream_get_parent_stream(old, child, &parent), 0);
  EXPECT_EQ(parent, s);
}

}  // namespace
}  // namespace zem_test
