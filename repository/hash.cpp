// Hash-table service: chained buckets, pooled entries, resumable scans and
// load-driven doubling.
#include "services/hash.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "services/imsg.h"

namespace {

// One entry. With copied keys the key bytes follow the entry in the same
// pool slot and `key` points at them.
struct Entry {
  Entry* next;
  unsigned int hash;
  void* key;
  void* value;
};

// Bytes of one pool slot: the entry, then room for a copied key aligned for
// any type.
size_t slot_size(int flags, size_t key_size) {
  constexpr size_t kAlign = alignof(std::max_align_t);
  size_t head = (sizeof(Entry) + kAlign - 1) / kAlign * kAlign;
  if (flags != HASH_FLEN_COPY_KEYS)
    return head;
  return head + (key_size + kAlign - 1) / kAlign * kAlign;
}

// FNV-1a over the key bytes: the hash of tables created without a function.
unsigned int hash_bytes(const void* key, size_t size) {
  const unsigned char* p = static_cast<const unsigned char*>(key);
  unsigned int h = 2166136261u;
  for (size_t i = 0; i < size; ++i)
    h = (h ^ p[i]) * 16777619u;
  return h;
}

}  // namespace

struct hash_table_t {
  std::vector<Entry*> buckets;
  long count = 0;
  int flags = HASH_FLEN_KEYS_BY_REFERENCE;
  size_t key_size = 0;
  hash_key_fn_t hash = nullptr;
  hash_eq_fn_t eq = nullptr;
  int load_tenths = 0;  // 0: no growth
  int open_scans = 0;
  long growths = 0;

  // Entry pool: chunks of `per_chunk` slots; removed entries are reused.
  int per_chunk = 1;
  size_t slot = 0;
  std::vector<std::unique_ptr<std::max_align_t[]>> chunks;
  Entry* free_list = nullptr;

  unsigned int hash_of(const void* key) const {
    return hash != nullptr ? hash(const_cast<void*>(key)) : hash_bytes(key, key_size);
  }
  bool equal(const void* stored, const void* probe) const {
    if (eq != nullptr)
      return eq(const_cast<void*>(stored), const_cast<void*>(probe)) != 0;
    return std::memcmp(stored, probe, key_size) == 0;
  }
  size_t bucket_of(unsigned int h) const { return h % buckets.size(); }

  // The address of the link pointing at the entry equal to `key` in its
  // bucket, or of the bucket's terminating null link.
  Entry** find_link(const void* key, unsigned int h) {
    Entry** link = &buckets[bucket_of(h)];
    while (*link != nullptr && !((*link)->hash == h && equal((*link)->key, key)))
      link = &(*link)->next;
    return link;
  }

  Entry* new_entry() {
    if (free_list == nullptr) {
      size_t words = (slot * per_chunk + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
      chunks.emplace_back(new std::max_align_t[words]);
      unsigned char* base = reinterpret_cast<unsigned char*>(chunks.back().get());
      for (int i = per_chunk - 1; i >= 0; --i) {
        Entry* e = reinterpret_cast<Entry*>(base + slot * i);
        e->next = free_list;
        free_list = e;
      }
    }
    Entry* e = free_list;
    free_list = e->next;
    return e;
  }
  void free_entry(Entry* e) {
    e->next = free_list;
    free_list = e;
  }

  // When growth is on, no scan is open and the load passed its threshold,
  // doubles the buckets until it no longer does, then relinks every entry.
  void maybe_grow() {
    if (load_tenths <= 0 || open_scans > 0)
      return;
    size_t nbuckets = buckets.size();
    while (count * 10 > static_cast<long>(nbuckets) * load_tenths)
      nbuckets *= 2;
    if (nbuckets == buckets.size())
      return;
    std::vector<Entry*> fresh(nbuckets, nullptr);
    for (Entry* head : buckets) {
      while (head != nullptr) {
        Entry* next = head->next;
        Entry*& bucket = fresh[head->hash % fresh.size()];
        head->next = bucket;
        bucket = head;
        head = next;
      }
    }
    buckets.swap(fresh);
    ++growths;
  }
};

hash_table_h hash_flen_create_with_fns(long buckets, int entries_per_chunk, int flags,
                                       size_t key_size, hash_key_fn_t hash, hash_eq_fn_t eq) {
  hash_table_h t = new hash_table_t;
  t->buckets.assign(buckets < 1 ? 1 : static_cast<size_t>(buckets), nullptr);
  t->flags = flags == HASH_FLEN_COPY_KEYS ? HASH_FLEN_COPY_KEYS : HASH_FLEN_KEYS_BY_REFERENCE;
  t->key_size = key_size;
  t->hash = hash;
  t->eq = eq;
  t->per_chunk = entries_per_chunk < 1 ? 1 : entries_per_chunk;
  t->slot = slot_size(t->flags, key_size);
  return t;
}

void hash_set_dynamic(hash_table_h table, int load_tenths) {
  table->load_tenths = load_tenths > 0 ? load_tenths : 0;
}

int hash_flen_enter(hash_table_h table, void* key, void*** slot) {
  unsigned int h = table->hash_of(key);
  Entry** link = table->find_link(key, h);
  if (*link != nullptr) {
    *slot = &(*link)->value;
    return 1;
  }
  Entry* e = table->new_entry();
  e->hash = h;
  e->value = nullptr;
  if (table->flags == HASH_FLEN_COPY_KEYS) {
    e->key = reinterpret_cast<unsigned char*>(e) + slot_size(HASH_FLEN_KEYS_BY_REFERENCE, 0);
    std::memcpy(e->key, key, table->key_size);
  } else {
    e->key = key;
  }
  // New entries go to the head of their chain: a scan that has passed the
  // head already does not meet them, one that has not meets them once.
  Entry*& bucket = table->buckets[table->bucket_of(h)];
  e->next = bucket;
  bucket = e;
  ++table->count;
  table->maybe_grow();
  *slot = &e->value;
  return 0;
}

int hash_flen_lookup(const hash_table_t* table, const void* key, void** value) {
  unsigned int h = table->hash_of(key);
  for (Entry* e = table->buckets[table->bucket_of(h)]; e != nullptr; e = e->next) {
    if (e->hash == h && table->equal(e->key, key)) {
      *value = e->value;
      return 1;
    }
  }
  return 0;
}

int hash_flen_remove(hash_table_h table, const void* key, void** stored_key, void** value) {
  unsigned int h = table->hash_of(key);
  Entry** link = table->find_link(key, h);
  Entry* e = *link;
  if (e == nullptr)
    return 0;
  *link = e->next;
  if (stored_key != nullptr)
    *stored_key = table->flags == HASH_FLEN_COPY_KEYS ? nullptr : e->key;
  if (value != nullptr)
    *value = e->value;
  table->free_entry(e);
  --table->count;
  return 1;
}

// Scan state: words[0] is 1 while the scan is open; words[1] the bucket of
// the next entry; words[2] the next entry itself, or 0 for the head of that
// bucket. Keeping the next entry rather than the current one lets a caller
// remove the entry just returned.
int hash_flen_next(hash_table_h table, hash_scan_t* scan, void** key, void** value) {
  unsigned long* w = scan->words;
  if (w[0] == 0) {
    w[0] = 1;
    w[1] = 0;
    w[2] = 0;
    ++table->open_scans;
  }
  size_t b = w[1];
  Entry* e = reinterpret_cast<Entry*>(static_cast<uintptr_t>(w[2]));
  if (e == nullptr) {
    while (b < table->buckets.size() && table->buckets[b] == nullptr)
      ++b;
    if (b >= table->buckets.size()) {
      w[1] = table->buckets.size();
      return 0;
    }
    e = table->buckets[b];
  }
  if (e->next != nullptr) {
    w[1] = b;
    w[2] = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(e->next));
  } else {
    w[1] = b + 1;
    w[2] = 0;
  }
  *key = e->key;
  *value = e->value;
  return 1;
}

void hash_term_scan(hash_table_h table, hash_scan_t* scan) {
  if (scan->words[0] == 0)
    return;
  scan->words[0] = scan->words[1] = scan->words[2] = 0;
  if (table != nullptr && table->open_scans > 0)
    --table->open_scans;
}

long hash_entry_count(const hash_table_t* table) {
  return table->count;
}

long hash_bucket_count(const hash_table_t* table) {
  return static_cast<long>(table->buckets.size());
}

void hash_dump_stats(const hash_table_t* table) {
  long empty = 0;
  long longest = 0;
  for (Entry* head : table->buckets) {
    long chain = 0;
    for (Entry* e = head; e != nullptr; e = e->next)
      ++chain;
    if (chain == 0)
      ++empty;
    if (chain > longest)
      longest = chain;
  }
  long nbuckets = static_cast<long>(table->buckets.size());
  imsg_print_literal(IMSG_INFO,
                     "hash table: %ld entries in %ld buckets; %ld empty; longest chain %ld; "
                     "load %.2f; %ld growths\n",
                     table->count, nbuckets, empty, longest,
                     static_cast<double>(table->count) / static_cast<double>(nbuckets),
                     table->growths);
}

void hash_dump(const hash_table_t* table) {
  hash_dump_stats(table);
  constexpr size_t kShownBytes = 16;
  for (size_t b = 0; b < table->buckets.size(); ++b) {
    for (Entry* e = table->buckets[b]; e != nullptr; e = e->next) {
      char hex[2 * kShownBytes + 4];
      size_t shown = table->key_size < kShownBytes ? table->key_size : kShownBytes;
      const unsigned char* bytes = static_cast<const unsigned char*>(e->key);
      for (size_t i = 0; i < shown; ++i)
        std::snprintf(hex + 2 * i, 3, "%02x", bytes[i]);
      std::snprintf(hex + 2 * shown, 4, "%s", table->key_size > kShownBytes ? "..." : "");
      imsg_print_literal(IMSG_INFO, "  [%zu] hash 0x%08x key %s value %p\n", b, e->hash, hex,
                         e->value);
    }
  }
}

void hash_destroy(hash_table_h table) {
  delete table;
}
