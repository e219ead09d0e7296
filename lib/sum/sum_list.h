// SUM_List<T>: the value list every SUM_<Kind>List is an alias of.
//
// Elements are stored by value in an array of `capacity` constructed slots;
// slots beyond `count` hold T's default value. Capacities run 0, 32, 64, 128,
// ... so appends are amortised constant; an element's address changes
// whenever the list grows. Indexes are checked only in builds with
// assertions (services/korvane_assert.h): a release build trusts them.
#ifndef SUM_SUM_LIST_H
#define SUM_SUM_LIST_H

#include "services/korvane_assert.h"

template <typename T>
class SUM_List {
 public:
  // Empty, nothing allocated.
  SUM_List() = default;
  // `n` default elements (count n).
  explicit SUM_List(unsigned n) {
    ensure_room(n);
    count_ = n;
  }
  SUM_List(const SUM_List& other) { copy_from(other); }
  ~SUM_List() { clear(); }

  SUM_List& operator=(const SUM_List& other) {
    if (this != &other) {
      clear();
      copy_from(other);
    }
    return *this;
  }

  // The element at `i`; a slot from count up to capacity holds the default
  // value. `i` must be below capacity.
  T& operator[](unsigned i) {
    KORVANE_ASSERT(i < capacity_);
    return data_[i];
  }
  const T& operator[](unsigned i) const {
    KORVANE_ASSERT(i < capacity_);
    return data_[i];
  }

  // Equal counts and pairwise equal elements.
  bool operator==(const SUM_List& other) const {
    if (count_ != other.count_)
      return false;
    for (unsigned i = 0; i < count_; ++i)
      if (!(data_[i] == other.data_[i]))
        return false;
    return true;
  }
  bool operator!=(const SUM_List& other) const { return !(*this == other); }

  // Destroys every slot, frees the array, and zeroes all three fields.
  void clear() {
    delete[] data_;
    data_ = nullptr;
    count_ = 0;
    capacity_ = 0;
  }

  void append(const T& item) { insert(item, count_); }
  void prepend(const T& item) { insert(item, 0); }

  // Inserts `item` at `i` (at most count), moving later elements up by one.
  void insert(const T& item, unsigned i) {
    KORVANE_ASSERT(i <= count_);
    ensure_room(count_ + 1);
    for (unsigned j = count_; j > i; --j)
      data_[j] = data_[j - 1];
    ++count_;
    data_[i] = item;
  }

  // Removes the element at `i` (below count); later elements move down by one
  // and the freed slot holds the default value.
  void remove(unsigned i) {
    KORVANE_ASSERT(i < count_);
    data_[i] = T();
    for (unsigned j = i; j + 1 < count_; ++j)
      data_[j] = data_[j + 1];
    --count_;
    if (count_ > i)
      data_[count_] = T();
  }

  // Index of the first element equal to `item`, or -1.
  int find(const T& item) const {
    for (unsigned i = 0; i < count_; ++i)
      if (data_[i] == item)
        return static_cast<int>(i);
    return -1;
  }

  // Makes room for at least `n` elements: 32 when n is at most 32, else 64
  // doubled until it is at least n.
  void ensure_room(unsigned n) {
    if (n <= capacity_)
      return;
    unsigned fresh_capacity = 32;
    if (n > 32) {
      fresh_capacity = 64;
      while (fresh_capacity < n)
        fresh_capacity *= 2;
    }
    T* fresh = new T[fresh_capacity]();
    unsigned kept = count_;
    for (unsigned i = 0; i < kept; ++i)
      fresh[i] = data_[i];
    clear();
    data_ = fresh;
    count_ = kept;
    capacity_ = fresh_capacity;
  }

  unsigned count() const { return count_; }
  unsigned capacity() const { return capacity_; }

 private:
  void copy_from(const SUM_List& other) {
    ensure_room(other.count_);
    for (unsigned i = 0; i < other.count_; ++i)
      append(other.data_[i]);
  }

  T* data_ = nullptr;
  unsigned count_ = 0;
  unsigned capacity_ = 0;
};

#endif  // SUM_SUM_LIST_H
