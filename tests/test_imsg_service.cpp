// The message service: output routing and headers, formatting, catalogs,
// verbosity and trace filter, handler slots.
#include <gtest/gtest.h>

#include <cstring>

#include "services/imsg.h"
#include "support/imsg_capture.h"
#include "support/sandbox.h"

namespace {

const char* const kTexts[] = {"zero %s\n", "one %d of %d\n"};
const imsg_catalog_t kCatalog = {"test_lib", "test/cat", (42u << 16) | 2u, kTexts};

TEST(ImsgService, SeveritiesGoToTheirStreamsWithHeaders) {
  auto r = test_support::run_in_child([] {
    imsg_set_program_name("vantool");
    imsg_print(IMSG_INFO, &kCatalog, 0, "info");
    imsg_print_literal(IMSG_WARNING, "two\nlines\n");
    imsg_print_literal(IMSG_CONTINUATION, "  continued\n");
    imsg_print_literal(IMSG_ERROR, "broken\n");
    imsg_print_literal(IMSG_TRACE, "trace\n");
    imsg_print_literal(IMSG_FRAGMENT, "frag ");
    imsg_print_literal(IMSG_NOTICE, "notice\n");
  });
  EXPECT_EQ(r.out, "zero info\nfrag notice\n");
  EXPECT_EQ(r.err, "vantool: Warning: two\nlines\n  continued\nvantool: Error: broken\ntrace\n");
}

TEST(ImsgService, MissingCatalogEntryPrintsANoticeNamingIt) {
  test_support::ImsgCapture capture;
  imsg_print(IMSG_ERROR, &kCatalog, 7);
  EXPECT_EQ(capture.joined(IMSG_ERROR), "Message 7 of catalog \"test/cat\" is not defined.\n");
  EXPECT_EQ(imsg_catalog_text(&kCatalog, 2), nullptr);
  EXPECT_EQ(imsg_catalog_text(&kCatalog, -1), nullptr);
  EXPECT_STREQ(imsg_catalog_text(&kCatalog, 1), "one %d of %d\n");
}

TEST(ImsgService, VsprintfCutsToTheBufferAndReportsFullLength) {
  char buf[8];
  int n = imsg_sprintf(buf, sizeof buf, &kCatalog, 1, 12345, 67890);
  EXPECT_EQ(n, static_cast<int>(std::strlen("one 12345 of 67890\n")));
  EXPECT_STREQ(buf, "one 123");
}

TEST(ImsgService, CatalogFacilityAndCountArePacked) {
  EXPECT_EQ(imsg_catalog_facility(&kCatalog), 42);
  EXPECT_EQ(imsg_catalog_count(&kCatalog), 2);
}

TEST(ImsgService, RegistryFindsCatalogsByNameOnce) {
  int before = imsg_catalog_registered_count();
  imsg_register_catalog(&kCatalog);
  imsg_register_catalog(&kCatalog);
  EXPECT_EQ(imsg_catalog_registered_count(), before + 1);
  EXPECT_EQ(imsg_find_catalog("test/cat"), &kCatalog);
  EXPECT_EQ(imsg_find_catalog("no/such"), nullptr);
}

TEST(ImsgService, VerbosityFromEnvironmentUnlessSetInProcess) {
  setenv("IMSG_VERBOSITY", "3", 1);
  EXPECT_EQ(imsg_get_desired_verbosity(), 3);
  setenv("IMSG_VERBOSITY", "junk", 1);
  EXPECT_EQ(imsg_get_desired_verbosity(), 0);
  imsg_set_desired_verbosity(5);
  EXPECT_EQ(imsg_get_desired_verbosity(), 5);
  imsg_clear_desired_verbosity();
  unsetenv("IMSG_VERBOSITY");
  EXPECT_EQ(imsg_get_desired_verbosity(), 0);
}

TEST(ImsgService, TraceFilterListsFacilities) {
  unsetenv("IMSG_TRACE");
  EXPECT_EQ(imsg_should_trace("sum", 4), 1) << "unset admits every facility";
  setenv("IMSG_TRACE", "", 1);
  EXPECT_EQ(imsg_should_trace("sum", 4), 1) << "empty admits every facility";
  setenv("IMSG_TRACE", "merge, view", 1);
  EXPECT_EQ(imsg_should_trace("sum", 4), 0);
  EXPECT_EQ(imsg_should_trace("view", 4), 1);
  EXPECT_EQ(imsg_should_trace("vie", 4), 0) << "names match whole";
  setenv("IMSG_TRACE", "*", 1);
  EXPECT_EQ(imsg_should_trace("anything", 1), 1);
  imsg_set_trace_filter("sum");
  setenv("IMSG_TRACE", "view", 1);
  EXPECT_EQ(imsg_should_trace("sum", 4), 1) << "the in-process filter wins";
  imsg_clear_trace_filter();
  EXPECT_EQ(imsg_should_trace("sum", 4), 0);
  unsetenv("IMSG_TRACE");
}

void first_handler(const char*, void*) {}

TEST(ImsgService, NullSlotsRestoreTheServicePrinters) {
  imsg_proc_t original[IMSG_NUM_PROCS];
  void* original_arg = nullptr;
  imsg_get_redirect_procs(original, &original_arg);
  for (auto* p : original)
    EXPECT_NE(p, nullptr) << "slots are never null";

  imsg_proc_t mine[IMSG_NUM_PROCS] = {};
  mine[3] = first_handler;
  int marker = 0;
  imsg_set_redirect_procs(mine, &marker);
  imsg_proc_t now[IMSG_NUM_PROCS];
  void* arg = nullptr;
  imsg_get_redirect_procs(now, &arg);
  EXPECT_EQ(now[3], first_handler);
  EXPECT_EQ(now[0], original[0]);
  EXPECT_EQ(arg, &marker);
  imsg_set_redirect_procs(original, original_arg);
}

}  // namespace
