// Hash-table service: entering, lookup and removal with both key modes,
// growth, scans, and the statistics and dump printers.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "services/hash.h"
#include "services/imsg.h"
#include "support/imsg_capture.h"

namespace {

using test_support::ImsgCapture;

void* as_value(uintptr_t n) {
  return reinterpret_cast<void*>(n);
}

// A table of unsigned keys copied into the table, hashed by the service.
hash_table_h copied_uint_table(long buckets) {
  return hash_flen_create_with_fns(buckets, 4, HASH_FLEN_COPY_KEYS, sizeof(unsigned), nullptr,
                                   nullptr);
}

unsigned int identity_hash(void* key) {
  return *static_cast<unsigned*>(key);
}
unsigned int constant_hash(void*) {
  return 7;
}
int uint_equal(void* a, void* b) {
  return *static_cast<unsigned*>(a) == *static_cast<unsigned*>(b);
}

// Every (key, value) a full scan returns, counting repeats.
std::map<unsigned, std::vector<uintptr_t>> scan_all(hash_table_h t) {
  std::map<unsigned, std::vector<uintptr_t>> seen;
  hash_scan_t scan;
  void* key = nullptr;
  void* value = nullptr;
  while (hash_flen_next(t, &scan, &key, &value))
    seen[*static_cast<unsigned*>(key)].push_back(reinterpret_cast<uintptr_t>(value));
  hash_term_scan(t, &scan);
  return seen;
}

TEST(HashService, EnterLookupRemoveWithCopiedKeys) {
  hash_table_h t = copied_uint_table(8);
  unsigned key = 5;
  void** slot = nullptr;
  ASSERT_EQ(hash_flen_enter(t, &key, &slot), 0) << "a new key";
  EXPECT_EQ(*slot, nullptr) << "a new entry's value starts null";
  *slot = as_value(50);
  key = 6;  // the table holds its own copy of 5
  unsigned probe = 5;
  void* value = nullptr;
  ASSERT_EQ(hash_flen_lookup(t, &probe, &value), 1);
  EXPECT_EQ(value, as_value(50));
  EXPECT_EQ(hash_flen_lookup(t, &key, &value), 0) << "6 was never entered";

  void** again = nullptr;
  EXPECT_EQ(hash_flen_enter(t, &probe, &again), 1) << "present already";
  EXPECT_EQ(again, slot) << "the slot of the existing entry";
  EXPECT_EQ(hash_entry_count(t), 1);

  void* stored_key = as_value(1);
  ASSERT_EQ(hash_flen_remove(t, &probe, &stored_key, &value), 1);
  EXPECT_EQ(stored_key, nullptr) << "copied keys are freed by the table";
  EXPECT_EQ(value, as_value(50));
  EXPECT_EQ(hash_flen_remove(t, &probe, nullptr, nullptr), 0);
  EXPECT_EQ(hash_entry_count(t), 0);
  hash_destroy(t);
}

TEST(HashService, KeysByReferenceKeepTheFirstKeyAndHandItBack) {
  hash_table_h t = hash_flen_create_with_fns(4, 4, HASH_FLEN_KEYS_BY_REFERENCE, sizeof(unsigned),
                                             identity_hash, uint_equal);
  unsigned first = 9;
  unsigned second = 9;
  void** slot = nullptr;
  ASSERT_EQ(hash_flen_enter(t, &first, &slot), 0);
  ASSERT_EQ(hash_flen_enter(t, &second, &slot), 1);
  void* stored_key = nullptr;
  ASSERT_EQ(hash_flen_remove(t, &second, &stored_key, nullptr), 1);
  EXPECT_EQ(stored_key, &first) << "the entry kept the key it was created with";
  hash_destroy(t);
}

TEST(HashService, CollidingKeysAreToldApartByEquality) {
  hash_table_h t = hash_flen_create_with_fns(16, 2, HASH_FLEN_COPY_KEYS, sizeof(unsigned),
                                             constant_hash, uint_equal);
  for (unsigned k = 0; k < 10; ++k) {
    void** slot = nullptr;
    ASSERT_EQ(hash_flen_enter(t, &k, &slot), 0);
    *slot = as_value(k + 100);
  }
  unsigned middle = 4;
  ASSERT_EQ(hash_flen_remove(t, &middle, nullptr, nullptr), 1) << "from the middle of a chain";
  for (unsigned k = 0; k < 10; ++k) {
    void* value = nullptr;
    EXPECT_EQ(hash_flen_lookup(t, &k, &value), k == 4 ? 0 : 1) << k;
    if (k != 4) {
      EXPECT_EQ(value, as_value(k + 100)) << k;
    }
  }
  // The freed entry is reused and the table stays consistent.
  void** slot = nullptr;
  ASSERT_EQ(hash_flen_enter(t, &middle, &slot), 0);
  *slot = as_value(404);
  EXPECT_EQ(scan_all(t).size(), 10u);
  hash_destroy(t);
}

TEST(HashService, GrowthKeepsEveryEntryFindable) {
  hash_table_h t = copied_uint_table(2);
  hash_set_dynamic(t, 10);
  constexpr unsigned kCount = 1000;
  for (unsigned k = 0; k < kCount; ++k) {
    void** slot = nullptr;
    ASSERT_EQ(hash_flen_enter(t, &k, &slot), 0);
    *slot = as_value(k * 3 + 1);
    EXPECT_LE(hash_entry_count(t), hash_bucket_count(t)) << "at most one entry per bucket";
  }
  EXPECT_EQ(hash_bucket_count(t), 1024) << "doubled from 2 each time the load passed 1";
  for (unsigned k = 0; k < kCount; ++k) {
    void* value = nullptr;
    ASSERT_EQ(hash_flen_lookup(t, &k, &value), 1) << k;
    EXPECT_EQ(value, as_value(k * 3 + 1)) << k;
  }
  unsigned absent = kCount;
  void* value = nullptr;
  EXPECT_EQ(hash_flen_lookup(t, &absent, &value), 0);
  hash_destroy(t);
}

TEST(HashService, TablesWithoutDynamicGrowthKeepTheirBuckets) {
  hash_table_h t = copied_uint_table(3);
  for (unsigned k = 0; k < 100; ++k) {
    void** slot = nullptr;
    hash_flen_enter(t, &k, &slot);
  }
  EXPECT_EQ(hash_bucket_count(t), 3);
  hash_set_dynamic(t, 20);
  unsigned k = 100;
  void** slot = nullptr;
  hash_flen_enter(t, &k, &slot);
  EXPECT_EQ(hash_bucket_count(t), 96) << "doubled until 101 entries are at most 2 per bucket";
  hash_destroy(t);
}

TEST(HashService, ScanVisitsEachEntryOnce) {
  hash_table_h t = copied_uint_table(7);
  hash_set_dynamic(t, 10);
  for (unsigned k = 0; k < 300; ++k) {
    void** slot = nullptr;
    hash_flen_enter(t, &k, &slot);
    *slot = as_value(k);
  }
  auto seen = scan_all(t);
  ASSERT_EQ(seen.size(), 300u);
  for (const auto& [key, values] : seen) {
    ASSERT_EQ(values.size(), 1u) << "key " << key << " visited more than once";
    EXPECT_EQ(values[0], key);
  }

  hash_scan_t scan;
  void* key = nullptr;
  void* value = nullptr;
  int visited = 0;
  while (hash_flen_next(t, &scan, &key, &value))
    ++visited;
  EXPECT_EQ(visited, 300);
  EXPECT_EQ(hash_flen_next(t, &scan, &key, &value), 0) << "the end is reported again";
  EXPECT_NE(scan.words[0], 0u) << "the scan stays open until ended";
  hash_term_scan(t, &scan);
  EXPECT_EQ(scan.words[0] | scan.words[1] | scan.words[2], 0u);
  hash_term_scan(t, &scan);  // ending an ended scan is harmless
  hash_destroy(t);
}

TEST(HashService, GrowthWaitsForOpenScans) {
  hash_table_h t = copied_uint_table(4);
  hash_set_dynamic(t, 10);
  for (unsigned k = 0; k < 4; ++k) {
    void** slot = nullptr;
    hash_flen_enter(t, &k, &slot);
  }
  hash_scan_t scan;
  void* key = nullptr;
  void* value = nullptr;
  std::map<unsigned, int> visits;
  ASSERT_EQ(hash_flen_next(t, &scan, &key, &value), 1);
  ++visits[*static_cast<unsigned*>(key)];
  for (unsigned k = 4; k < 40; ++k) {
    void** slot = nullptr;
    hash_flen_enter(t, &k, &slot);
  }
  EXPECT_EQ(hash_bucket_count(t), 4) << "no growth while the scan is open";
  while (hash_flen_next(t, &scan, &key, &value))
    ++visits[*static_cast<unsigned*>(key)];
  for (unsigned k = 0; k < 4; ++k)
    EXPECT_EQ(visits[k], 1) << "entry " << k << " present at the start is visited once";
  for (const auto& [k, n] : visits)
    EXPECT_EQ(n, 1) << "entry " << k;
  hash_term_scan(t, &scan);

  unsigned k = 40;
  void** slot = nullptr;
  hash_flen_enter(t, &k, &slot);
  EXPECT_EQ(hash_bucket_count(t), 64) << "the deferred growth happens at the next insertion";
  for (unsigned j = 0; j <= 40; ++j) {
    void* v = nullptr;
    EXPECT_EQ(hash_flen_lookup(t, &j, &v), 1) << j;
  }
  hash_destroy(t);
}

TEST(HashService, TheEntryJustReturnedMayBeRemoved) {
  hash_table_h t = copied_uint_table(2);
  for (unsigned k = 0; k < 50; ++k) {
    void** slot = nullptr;
    hash_flen_enter(t, &k, &slot);
  }
  hash_scan_t scan;
  void* key = nullptr;
  void* value = nullptr;
  int removed = 0;
  while (hash_flen_next(t, &scan, &key, &value)) {
    unsigned k = *static_cast<unsigned*>(key);
    removed += hash_flen_remove(t, &k, nullptr, nullptr);
  }
  hash_term_scan(t, &scan);
  EXPECT_EQ(removed, 50);
  EXPECT_EQ(hash_entry_count(t), 0);
  hash_destroy(t);
}

TEST(HashService, StatsAndDumpPrintThroughTheMessageService) {
  hash_table_h t = hash_flen_create_with_fns(4, 4, HASH_FLEN_COPY_KEYS, sizeof(unsigned),
                                             identity_hash, uint_equal);
  for (unsigned k : {0u, 4u, 1u}) {
    void** slot = nullptr;
    hash_flen_enter(t, &k, &slot);
    *slot = nullptr;
  }
  ImsgCapture capture;
  hash_dump_stats(t);
  EXPECT_EQ(capture.joined(IMSG_INFO),
            "hash table: 3 entries in 4 buckets; 2 empty; longest chain 2; load 0.75; 0 "
            "growths\n");
  capture.clear();
  hash_dump(t);
  std::vector<std::string> lines = capture.texts(IMSG_INFO);
  ASSERT_EQ(lines.size(), 4u) << "the statistics and one line per entry";
  // Bucket 0 holds 4 then 0 (newest first), bucket 1 holds 1.
  EXPECT_EQ(lines[1].rfind("  [0] hash 0x00000004 key 04000000 value ", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2].rfind("  [0] hash 0x00000000 key 00000000 value ", 0), 0u) << lines[2];
  EXPECT_EQ(lines[3].rfind("  [1] hash 0x00000001 key 01000000 value ", 0), 0u) << lines[3];
  hash_destroy(t);
}

}  // namespace
