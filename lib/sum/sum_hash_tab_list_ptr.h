// SUM_HashTabListPtr<K,L*> and SUM_HashTabListPtrIter<K,L*>: hash tables
// whose values are owned pointers to lists, and their walks.
//
// The table owns every list entered into it: removing a pair, replacing a
// pair's list by another, clearing the table or destroying it deletes the
// list. A list must therefore be entered under one key of one table only,
// and callers must not delete it themselves. Tables are not copyable, as two
// owners of one list would delete it twice.
#ifndef SUM_SUM_HASH_TAB_LIST_PTR_H
#define SUM_SUM_HASH_TAB_LIST_PTR_H

#include "sum/sum_hash_tab.h"

template <typename K, typename LP>
class SUM_HashTabListPtr;
template <typename K, typename LP>
class SUM_HashTabListPtrIter;

template <typename K, typename L>
class SUM_HashTabListPtr<K, L*> {
 public:
  // An empty table of `buckets` chains.
  explicit SUM_HashTabListPtr(long buckets) : table_(buckets) {}
  // Deletes every list held.
  ~SUM_HashTabListPtr() { delete_lists(); }
  SUM_HashTabListPtr(const SUM_HashTabListPtr&) = delete;
  SUM_HashTabListPtr& operator=(const SUM_HashTabListPtr&) = delete;

  // Enters `list` under `key`, taking ownership. When the key is present,
  // answers 1 and, unless it holds this very list, deletes the list it held
  // and holds `list` instead. Otherwise answers 0.
  int enter(const K& key, L* list) {
    L** stored = table_.lookup(key);
    if (stored == nullptr)
      return table_.enter(key, list);
    if (*stored != list) {
      delete *stored;
      *stored = list;
    }
    return 1;
  }

  // Removes the pair of `key` and deletes its list. Answers 1 when a pair was
  // removed, 0 when the key was absent.
  int remove(const K& key) {
    L** stored = table_.lookup(key);
    if (stored == nullptr)
      return 0;
    delete *stored;
    return table_.remove(key);
  }

  // The held list pointer of `key` (still owned by the table), or null when
  // absent.
  L** lookup(const K& key) { return table_.lookup(key); }
  L* const* lookup(const K& key) const { return table_.lookup(key); }

  // 1 when the table holds no pair, else 0.
  int is_empty() const { return table_.is_empty(); }
  // Deletes every list and removes every pair.
  void clear() {
    delete_lists();
    table_.clear();
  }
  // The statistics and dump printers of SUM_HashTab.
  void stats() const { table_.stats(); }
  void dump() const { table_.dump(); }

 private:
  friend class SUM_HashTabListPtrIter<K, L*>;

  void delete_lists() {
    SUM_HashTabIter<K, L*> it(table_);
    for (it.first(); !it.is_done(); it.next()) {
      delete *it.curr_value();
      *it.curr_value() = nullptr;
    }
  }

  SUM_HashTab<K, L*> table_;
};

// A walk over a SUM_HashTabListPtr, with the contract of SUM_HashTabIter.
// The lists stay owned by the table.
template <typename K, typename L>
class SUM_HashTabListPtrIter<K, L*> {
 public:
  // An iterator over `table` with no walk open.
  explicit SUM_HashTabListPtrIter(const SUM_HashTabListPtr<K, L*>& table) : it_(table.table_) {}

  // Ends any open walk and starts a new one; moves to the next pair.
  void first() { it_.first(); }
  void next() { it_.next(); }
  // 1 when the walk is done (or was never started), else 0.
  int is_done() const { return it_.is_done(); }
  // The current key and list pointer; null when the walk is done.
  K* curr_key() { return it_.curr_key(); }
  const K* curr_key() const { return it_.curr_key(); }
  L** curr_value() { return it_.curr_value(); }
  L* const* curr_value() const { return it_.curr_value(); }

 private:
  SUM_HashTabIter<K, L*> it_;
};

#endif  // SUM_SUM_HASH_TAB_LIST_PTR_H
