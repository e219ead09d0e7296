// The library's message catalogs: names, facilities, counts, quoted texts,
// and that every text is a printf format the message service can use.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "sum/sum_catalogs.h"

namespace {

struct Expected {
  const char* name;
  int facility;
  int count;
};

const Expected kCatalogs[] = {
    {"sum", 1, 76},
    {"sum/view", 2, 15},
    {"sum/stream", 3, 93},
    {"sum/baseline", 4, 94},
    {"sum/component", 5, 48},
    {"sum/project", 6, 72},
    {"sum/sum_deliver", 7, 162},
    {"sum/utl", 8, 10},
    {"sum/rebase", 9, 80},
    {"sum/plevel", 10, 1},
    {"sum/policy", 11, 44},
    {"sum/integration", 12, 141},
    {"sum/sum_callbacks", 13, 7},
    {"sum/config_change", 14, 51},
    {"sum/config_spec_id", 15, 1},
    {"sum/triggers", 16, 10},
    {"sumui/foundation", 17, 44},
    {"sum/foundation", 18, 28},
    {"sumui_deliver", 19, 44},
    {"sumui_rebase", 20, 45},
    {"sumui_integration", 21, 4},
    {"sum/repair", 22, 60},
};

const imsg_catalog_t* catalog_named(const std::string& name) {
  for (int i = 0; i < sum_catalogs_count; ++i)
    if (name == sum_catalogs[i]->name)
      return sum_catalogs[i];
  return nullptr;
}

// Whether every conversion of `format` is one the library passes arguments
// for: flags, width, precision, length, then one of "diouxXcseEfgG%".
bool is_valid_format(const char* format, std::string& problem) {
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%')
      continue;
    ++p;
    while (*p != '\0' && std::strchr("-+ #0", *p) != nullptr)
      ++p;
    while (*p >= '0' && *p <= '9')
      ++p;
    if (*p == '.') {
      ++p;
      while (*p >= '0' && *p <= '9')
        ++p;
    }
    while (*p != '\0' && std::strchr("hlLzjt", *p) != nullptr)
      ++p;
    if (*p == '\0' || std::strchr("diouxXcseEfgG%", *p) == nullptr) {
      problem = "bad conversion in \"" + std::string(format) + "\"";
      return false;
    }
  }
  return true;
}

std::string decode(const std::string& quoted) {
  std::string out;
  size_t first = quoted.find('"');
  size_t last = quoted.rfind('"');
  for (size_t i = first + 1; i < last; ++i) {
    if (quoted[i] == '\\' && i + 1 < last) {
      char e = quoted[++i];
      out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
    } else {
      out += quoted[i];
    }
  }
  return out;
}

TEST(Catalogs, AllTwentyTwoHaveTheirFacilityAndCount) {
  ASSERT_EQ(sum_catalogs_count, 22);
  for (const auto& e : kCatalogs) {
    const imsg_catalog_t* c = catalog_named(e.name);
    ASSERT_NE(c, nullptr) << e.name;
    EXPECT_STREQ(c->library, "sum_lib");
    EXPECT_EQ(imsg_catalog_facility(c), e.facility) << e.name;
    EXPECT_EQ(imsg_catalog_count(c), e.count) << e.name;
    EXPECT_EQ(c->facility_count, (static_cast<uint32_t>(e.facility) << 16) | e.count) << e.name;
  }
}

TEST(Catalogs, TheyAreRegisteredWithTheMessageService) {
  for (const auto& e : kCatalogs)
    EXPECT_EQ(imsg_find_catalog(e.name), catalog_named(e.name));
}

TEST(Catalogs, TraceFormsOfTheGeneralCatalog) {
  EXPECT_STREQ(sum_catalog.texts[0], "%s%s: enter\n");
  EXPECT_STREQ(sum_catalog.texts[1], "%s%s: exit\n");
  EXPECT_STREQ(sum_catalog.texts[2], "%s%s: %s\n");
  EXPECT_STREQ(sum_catalog.texts[66], "%s%s: exit %d.%06d\n");
}

TEST(Catalogs, EveryTextIsAUsableFormatAndNoneIsEmpty) {
  for (int i = 0; i < sum_catalogs_count; ++i) {
    const imsg_catalog_t* c = sum_catalogs[i];
    for (int j = 0; j < imsg_catalog_count(c); ++j) {
      std::string problem;
      EXPECT_TRUE(is_valid_format(c->texts[j], problem)) << c->name << " " << j << ": " << problem;
      EXPECT_NE(c->texts[j][0], '\0') << c->name << " " << j;
    }
  }
}

TEST(Catalogs, QuotedIndexesHoldTheirTexts) {
  std::ifstream in(std::string(TEST_DATA_DIR) + "/catalog_samples.txt");
  ASSERT_TRUE(in) << "catalog_samples.txt is missing";
  std::string line;
  int checked = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#')
      continue;
    size_t tab1 = line.find('\t');
    size_t tab2 = line.find('\t', tab1 + 1);
    ASSERT_NE(tab2, std::string::npos) << line;
    std::string name = line.substr(0, tab1);
    int index = std::stoi(line.substr(tab1 + 1, tab2 - tab1 - 1));
    const imsg_catalog_t* c = catalog_named(name);
    ASSERT_NE(c, nullptr) << name;
    ASSERT_LT(index, imsg_catalog_count(c)) << name;
    EXPECT_EQ(std::string(c->texts[index]), decode(line.substr(tab2 + 1))) << name << " " << index;
    ++checked;
  }
  EXPECT_GE(checked, 20);
}

}  // namespace
