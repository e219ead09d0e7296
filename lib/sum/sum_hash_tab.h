// SUM_HashTab<K,V> and SUM_HashTabIter<K,V>: the library's hash tables over
// the hash-table service, and their walks.
//
// A table maps keys to values by value: it owns a heap copy of every key and
// of every value it holds and frees them when the pair is removed or the
// table is cleared or destroyed. When V is a pointer type the copy is the
// pointer only; the pointee is not owned (SUM_HashTabListPtr owns lists).
// Keys are hashed and compared through SUM_HashKey<K> (sum_hash_key.h).
// Tables are not guarded: callers serialise access.
#ifndef SUM_SUM_HASH_TAB_H
#define SUM_SUM_HASH_TAB_H

#include "services/hash.h"
#include "sum/sum_hash_key.h"

template <typename K, typename V>
class SUM_HashTabIter;

template <typename K, typename V>
class SUM_HashTab {
 public:
  // An empty table of `buckets` chains; it grows as it fills.
  explicit SUM_HashTab(long buckets) { create_util(buckets); }
  // A table with `other`'s bucket count holding copies of all its pairs.
  SUM_HashTab(const SUM_HashTab& other) { copy_util(other); }
  // Replaces the content by copies of `other`'s pairs, with its bucket
  // count; assigning a table to itself changes nothing.
  SUM_HashTab& operator=(const SUM_HashTab& other) {
    if (this != &other) {
      delete_util();
      copy_util(other);
    }
    return *this;
  }
  // Frees every key and value copy.
  ~SUM_HashTab() { delete_util(); }

  // Enters the pair. When `key` is already present, answers 1: the stored
  // value is replaced by a copy of `value` when it differs (V's !=; for
  // pointers, pointer inequality) and kept otherwise. When absent, stores
  // copies of both and answers 0.
  int enter(const K& key, const V& value) {
    K* key_copy = new K(key);
    void** slot = nullptr;
    if (hash_flen_enter(table_, key_copy, &slot) == 1) {
      V* stored = static_cast<V*>(*slot);
      if (*stored != value) {
        delete stored;
        *slot = new V(value);
      }
      delete key_copy;
      return 1;
    }
    *slot = new V(value);
    return 0;
  }

  // Removes the pair of `key`, freeing both copies. Answers 1 when a pair was
  // removed, 0 when the key was absent.
  int remove(const K& key) {
    void* stored_key = nullptr;
    void* stored_value = nullptr;
    if (hash_flen_remove(table_, &key, &stored_key, &stored_value) == 0)
      return 0;
    delete static_cast<K*>(stored_key);
    delete static_cast<V*>(stored_value);
    return 1;
  }

  // The stored value of `key`, or null when absent. The pointer stays valid
  // until the pair is removed or replaced, or the table cleared or destroyed.
  V* lookup(const K& key) {
    void* value = nullptr;
    return hash_flen_lookup(table_, &key, &value) ? static_cast<V*>(value) : nullptr;
  }
  const V* lookup(const K& key) const {
    void* value = nullptr;
    return hash_flen_lookup(table_, &key, &value) ? static_cast<const V*>(value) : nullptr;
  }

  // 1 when a walk finds no pair, else 0.
  int is_empty() const {
    hash_scan_t scan;
    void* key = nullptr;
    void* value = nullptr;
    int found = hash_flen_next(table_, &scan, &key, &value);
    hash_term_scan(table_, &scan);
    return found ? 0 : 1;
  }

  // Removes every pair, keeping the bucket count given at construction.
  void clear() {
    delete_util();
    create_util(buckets_);
  }

  // Print the table's statistics, and the statistics with every entry, as
  // informational messages (the service's hash_dump_stats and hash_dump).
  void stats() const { hash_dump_stats(table_); }
  void dump() const { hash_dump(table_); }

 private:
  friend class SUM_HashTabIter<K, V>;

  // Creates the service table: `buckets` chains, entries pooled 4 at a time,
  // keys held by reference (the copies are ours), growth past one entry per
  // bucket.
  void create_util(long buckets) {
    buckets_ = buckets;
    table_ = hash_flen_create_with_fns(buckets, 4, HASH_FLEN_KEYS_BY_REFERENCE, sizeof(K),
                                       &SUM_HashTab::key_hash, &SUM_HashTab::key_equal);
    hash_set_dynamic(table_, 10);
  }

  // Creates a table with `other`'s bucket count and enters copies of its
  // pairs.
  void copy_util(const SUM_HashTab& other) {
    create_util(other.buckets_);
    hash_scan_t scan;
    void* key = nullptr;
    void* value = nullptr;
    while (hash_flen_next(other.table_, &scan, &key, &value))
      enter(*static_cast<K*>(key), *static_cast<V*>(value));
    hash_term_scan(other.table_, &scan);
  }

  // Frees every key and value copy and the service table.
  void delete_util() {
    hash_scan_t scan;
    void* key = nullptr;
    void* value = nullptr;
    while (hash_flen_next(table_, &scan, &key, &value)) {
      delete static_cast<K*>(key);
      delete static_cast<V*>(value);
    }
    hash_term_scan(table_, &scan);
    hash_destroy(table_);
    table_ = nullptr;
  }

  static unsigned int key_hash(void* key) { return SUM_HashKey<K>::hash(*static_cast<K*>(key)); }
  static int key_equal(void* a, void* b) {
    return SUM_HashKey<K>::equal(*static_cast<K*>(a), *static_cast<K*>(b)) ? 1 : 0;
  }

  hash_table_h table_ = nullptr;
  long buckets_ = 0;
};

// A walk over the pairs of a table, in the service's bucket order (not
// insertion order). Entering or removing pairs of the table during a walk
// is not allowed. The table must outlive the iterator.
template <typename K, typename V>
class SUM_HashTabIter {
 public:
  // An iterator over `table` with no walk open: is_done() answers 1 until
  // first() is called.
  explicit SUM_HashTabIter(const SUM_HashTab<K, V>& table) : table_(&table) {}
  // Ends an open walk.
  ~SUM_HashTabIter() { hash_term_scan(table_->table_, &scan_); }
  SUM_HashTabIter(const SUM_HashTabIter&) = delete;
  SUM_HashTabIter& operator=(const SUM_HashTabIter&) = delete;

  // Ends any open walk and starts a new one at the first pair.
  void first() {
    hash_term_scan(table_->table_, &scan_);
    next();
  }
  // Moves to the next pair; after the last, the walk is done.
  void next() {
    void* key = nullptr;
    void* value = nullptr;
    if (hash_flen_next(table_->table_, &scan_, &key, &value)) {
      curr_key_ = static_cast<K*>(key);
      curr_value_ = static_cast<V*>(value);
    } else {
      curr_key_ = nullptr;
      curr_value_ = nullptr;
    }
  }
  // 1 when the walk is done (or was never started), else 0.
  int is_done() const { return curr_key_ == nullptr ? 1 : 0; }

  // The current pair's stored key and value; null when the walk is done.
  // The key must not be changed.
  K* curr_key() { return curr_key_; }
  const K* curr_key() const { return curr_key_; }
  V* curr_value() { return curr_value_; }
  const V* curr_value() const { return curr_value_; }

 private:
  const SUM_HashTab<K, V>* table_;
  hash_scan_t scan_;
  K* curr_key_ = nullptr;
  V* curr_value_ = nullptr;
};

#endif  // SUM_SUM_HASH_TAB_H
