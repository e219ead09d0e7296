// SUM_CacheControl and SUM_Cache: scopes and generations, the ZEM_CACHE
// switch, cache activity and counters, the statistics line, and the VOB
// answers memoised inside scopes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/vob.h"
#include "sum/sum_cache.h"
#include "sum/sum_cache_control.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"
#include "support/imsg_capture.h"
#include "support/sandbox.h"
#include "support/vob_elem_fixture.h"

namespace {

using test_support::ImsgCapture;

// Trace output of every facility wanted up to `verbosity` while it lives.
class Verbosity {
 public:
  explicit Verbosity(int verbosity) {
    imsg_set_desired_verbosity(verbosity);
    imsg_set_trace_filter(nullptr);
  }
  ~Verbosity() {
    imsg_clear_desired_verbosity();
    imsg_clear_trace_filter();
  }
};

// Caching is decided once per process from ZEM_CACHE: make sure a test
// process that has not decided yet decides "on".
class CacheTest : public ::testing::Test {
 protected:
  void SetUp() override { unsetenv("ZEM_CACHE"); }
};

// The trace output printed while destroying `cache` at trace level 4.
template <typename K, typename V>
std::vector<std::string> destruction_trace(std::unique_ptr<SUM_Cache<K, V>>& cache) {
  Verbosity verbosity(4);
  ImsgCapture capture;
  cache.reset();
  return capture.texts(IMSG_TRACE);
}

// The statistics line among the trace output of destroying `cache`.
template <typename K, typename V>
std::string statistics(std::unique_ptr<SUM_Cache<K, V>>& cache) {
  for (const std::string& line : destruction_trace(cache))
    if (line.rfind("cache  ", 0) == 0)
      return line;
  return "<no statistics line>";
}

// The "#####" lines of the cache-control switch among `lines`.
std::vector<std::string> switch_lines(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const std::string& line : lines)
    if (line.find("#####") != std::string::npos)
      out.push_back(line);
  return out;
}

TEST_F(CacheTest, TokenOutsideAnyScopeIsZero) {
  EXPECT_EQ(SUM_CacheControl::is_enabled(), 0);
  EXPECT_EQ(SUM_CacheControl::token(), 0);
  EXPECT_EQ(SUM_CacheControl::token_is_valid(0), 0) << "no token is valid outside a scope";
}

TEST_F(CacheTest, NestedScopesEndOneGeneration) {
  int generation = -1;
  {
    SUM_CacheControl outer;
    EXPECT_EQ(SUM_CacheControl::is_enabled(), 1);
    generation = SUM_CacheControl::token();
    EXPECT_EQ(SUM_CacheControl::token_is_valid(generation), 1);
    {
      SUM_CacheControl inner(0);
      EXPECT_EQ(SUM_CacheControl::token(), generation);
    }
    EXPECT_EQ(SUM_CacheControl::is_enabled(), 1) << "the outer scope is still open";
    EXPECT_EQ(SUM_CacheControl::token(), generation) << "closing the inner scope keeps the token";
  }
  EXPECT_EQ(SUM_CacheControl::is_enabled(), 0);
  EXPECT_EQ(SUM_CacheControl::token_is_valid(generation), 0);
  SUM_CacheControl next;
  EXPECT_EQ(SUM_CacheControl::token(), generation + 1) << "the outermost closing advanced it";
  EXPECT_EQ(SUM_CacheControl::token_is_valid(generation), 0);
}

TEST_F(CacheTest, RepositorySwitchFollowsTheScopesThatAskForIt) {
  Verbosity verbosity(4);
  ImsgCapture capture;
  {
    SUM_CacheControl outer;
    {
      SUM_CacheControl plain(0);
      SUM_CacheControl inner;
    }
    EXPECT_EQ(switch_lines(capture.texts(IMSG_TRACE)),
              std::vector<std::string>{"SUM_CacheControl::control: ##### ZEM VOB Caching: ON\n"})
        << "on with the first asking scope only";
  }
  EXPECT_EQ(switch_lines(capture.texts(IMSG_TRACE)),
            (std::vector<std::string>{"SUM_CacheControl::control: ##### ZEM VOB Caching: ON\n",
                                      "SUM_CacheControl::control: ##### ZEM VOB Caching: OFF\n"}))
      << "off with the last asking scope";

  capture.clear();
  { SUM_CacheControl plain(0); }
  EXPECT_TRUE(switch_lines(capture.texts(IMSG_TRACE)).empty())
      << "a scope not asking for repository-side caching leaves the switch alone";

  capture.clear();
  SUM_CacheControl::dump();
  SUM_CacheControl::control(3);
  EXPECT_EQ(switch_lines(capture.texts(IMSG_TRACE)),
            (std::vector<std::string>{"SUM_CacheControl::control: ##### ZEM VOB Caching: STATS:\n",
                                      "SUM_CacheControl::control: ##### ZEM VOB Caching: ???\n"}));
}

TEST_F(CacheTest, SwitchLinesHaveTheirTraceLevels) {
  Verbosity verbosity(3);
  ImsgCapture capture;
  { SUM_CacheControl scope; }
  SUM_CacheControl::control(9);
  EXPECT_EQ(switch_lines(capture.texts(IMSG_TRACE)),
            std::vector<std::string>{"SUM_CacheControl::control: ##### ZEM VOB Caching: ???\n"})
      << "ON and OFF are level-4 lines, an unknown action a level-2 line";
}

TEST_F(CacheTest, ZemCacheOffKeepsScopesClosed) {
  auto probe = [](const test_support::Env& env) {
    return test_support::run_program({CACHE_CONTROL_PROBE_PATH}, env).out;
  };
  const std::string off = "enabled=0 token_valid=0 hit=0\nafter: enabled=0 token=0\n";
  const std::string on = "enabled=1 token_valid=1 hit=1\nafter: enabled=0 token=0\n";
  EXPECT_EQ(probe({{"ZEM_CACHE", "OFF"}}), off);
  EXPECT_EQ(probe({{"ZEM_CACHE", "false"}}), off);
  EXPECT_EQ(probe({{"ZEM_CACHE", "FaLsE"}}), off);
  EXPECT_EQ(probe({{"ZEM_CACHE", "on"}}), on);
  EXPECT_EQ(probe({{"ZEM_CACHE", "offline"}}), on) << "only the whole words switch it off";
  EXPECT_EQ(probe({{"ZEM_CACHE", std::nullopt}}), on);
}

TEST_F(CacheTest, WithoutScopeOrAlwaysOnlyLookupsAreCounted) {
  auto cache = std::make_unique<SUM_Cache<unsigned, int>>("idle", 0);
  cache->enter(1, 10);
  int out = -1;
  EXPECT_EQ(cache->lookup(1, out), 0);
  EXPECT_EQ(cache->lookup(2, out), 0);
  EXPECT_EQ(out, -1) << "a lookup that answers 0 leaves the result alone";
  EXPECT_EQ(statistics(cache), "cache  idle;  hits: 0;  misses: 0;  lookups: 2\n");
}

TEST_F(CacheTest, InsideAScopeLookupsHitAndMiss) {
  SUM_CacheControl scope;
  auto cache = std::make_unique<SUM_Cache<SUM_String, SUM_String>>("names", 0);
  SUM_String out;
  EXPECT_EQ(cache->lookup("a", out), 0) << "nothing entered yet: neither hit nor miss";
  cache->enter("a", "first");
  ASSERT_EQ(cache->lookup("a", out), 1);
  EXPECT_STREQ(out, "first");
  EXPECT_EQ(cache->lookup("b", out), 0);
  cache->replace("a", "second");
  ASSERT_EQ(cache->lookup("a", out), 1);
  EXPECT_STREQ(out, "second");
  cache->remove("a");
  EXPECT_EQ(cache->lookup("a", out), 0);
  EXPECT_EQ(statistics(cache), "cache  names;  hits: 2;  misses: 2;  lookups: 5\n");
}

TEST_F(CacheTest, GenerationsAcrossNestedScopes) {
  auto cache = std::make_unique<SUM_Cache<unsigned, int>>("gen", 0);
  int out = 0;
  {
    SUM_CacheControl outer;
    {
      SUM_CacheControl inner;
      cache->enter(1, 10);
    }
    EXPECT_EQ(cache->lookup(1, out), 1) << "closing the inner scope keeps the content";
    EXPECT_EQ(out, 10);
  }
  EXPECT_EQ(cache->lookup(1, out), 0) << "no scope open";
  {
    SUM_CacheControl next;
    EXPECT_EQ(cache->lookup(1, out), 0) << "content of an ended generation is stale";
    cache->enter(2, 20);
    EXPECT_EQ(cache->lookup(1, out), 0) << "the enter emptied the stale content";
    EXPECT_EQ(cache->lookup(2, out), 1);
    EXPECT_EQ(out, 20);
  }
  EXPECT_EQ(statistics(cache), "cache  gen;  hits: 2;  misses: 1;  lookups: 5\n")
      << "stale and scope-less lookups count neither a hit nor a miss";
}

TEST_F(CacheTest, AlwaysCachesAnswerOnlyInsideScopes) {
  auto cache = std::make_unique<SUM_Cache<unsigned, int>>("always", 1);
  cache->enter(1, 10);
  int out = 0;
  EXPECT_EQ(cache->lookup(1, out), 0) << "no token is valid outside a scope";
  {
    SUM_CacheControl scope;
    cache->enter(2, 20);
    EXPECT_EQ(cache->lookup(2, out), 1);
    EXPECT_EQ(out, 20);
  }
  EXPECT_EQ(cache->lookup(2, out), 0);
  EXPECT_EQ(statistics(cache), "cache  always;  hits: 1;  misses: 0;  lookups: 3\n");
}

TEST_F(CacheTest, StatisticsArePrintedInTheDestructorScopeAtLevelFour) {
  auto cache = std::make_unique<SUM_Cache<unsigned, int>>();
  unsigned key = 3;
  int out = 0;
  cache->lookup(key, out);
  std::vector<std::string> lines = destruction_trace(cache);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "~SUM_Cache(): enter\n");
  EXPECT_EQ(lines[1], "cache  ;  hits: 0;  misses: 0;  lookups: 1\n") << "an unnamed cache";
  EXPECT_EQ(lines[2].rfind("~SUM_Cache(): exit ", 0), 0u);

  auto quiet = std::make_unique<SUM_Cache<unsigned, int>>("quiet", 0);
  Verbosity verbosity(3);
  ImsgCapture capture;
  quiet.reset();
  EXPECT_TRUE(capture.all().empty()) << "nothing below trace level 4";
}

// A VOB made in the current KORVANE_HOME.
SUM_Vob make_vob(const char* tag, bool project_vob) {
  return SUM_Vob(test_support::make_test_vob(tag, project_vob));
}

TEST_F(CacheTest, AdminVobAnswersAreMemoisedOnlyInsideScopes) {
  test_support::TempHome home;
  SUM_Vob admin = make_vob("/admin", true);
  SUM_Vob src = make_vob("/src", false);
  ASSERT_EQ(src.set_admin_vob(admin), 0);
  SUM_VobObject from;
  SUM_VobObject to;
  ASSERT_EQ(src.vob_obj(from), 0);
  ASSERT_EQ(admin.vob_obj(to), 0);
  tbs_dbid_t hlink = 0;
  ASSERT_EQ(vob_obj_find_wk_hlink(src.handle(), from.dbid(), VOB_WK_HLTYPE_ADMIN_VOB,
                                  admin.handle(), to.dbid(), &hlink),
            0);
  vob_event_info_t event;
  SUM_Vob out;
  {
    SUM_CacheControl scope;
    ASSERT_EQ(src.this_admin_vob(out), 0);
    EXPECT_EQ(out, admin);
    ASSERT_EQ(vob_hlink_delete(src.handle(), hlink, &event), 0);
    out = SUM_Vob();
    ASSERT_EQ(src.this_admin_vob(out), 0) << "answered from the memo";
    EXPECT_EQ(out, admin);
  }
  EXPECT_EQ(src.this_admin_vob(out), 1002) << "outside a scope the repository is asked";
}

}  // namespace
