// SUM_Cache<K,V>: a memo of repository answers that lives for one
// computation (see SUM_CacheControl).
//
// A cache is active while a cache-control scope is open, or always when it
// was made with `always` set. It answers lookups only while the generation
// under which its content was entered is still current and a scope is open;
// once the outermost scope closes, the content is stale: lookups miss and
// the next enter empties the cache first. Values are held by copy (a
// SUM_HashTab of 32 buckets, made on the first enter). Counters of lookups,
// hits and misses are printed when the cache is destroyed with trace level 4
// on. Caches usually live in process-wide variables created on first use.
// Not guarded: single-threaded use.
#ifndef SUM_SUM_CACHE_H
#define SUM_SUM_CACHE_H

#include "services/imsg.h"
#include "services/korvane_assert.h"
#include "sum/sum_cache_control.h"
#include "sum/sum_hash_tab.h"
#include "sum/sum_string.h"
#include "sum/sum_trace.h"

template <typename K, typename V>
class SUM_Cache {
 public:
  // An unnamed cache, active only inside cache-control scopes.
  SUM_Cache() : SUM_Cache(SUM_String(), 0) {}
  // A cache named `name` in its statistics line; `always` 1 makes it enter
  // pairs also outside cache-control scopes.
  SUM_Cache(const SUM_String& name, const int always) : name_(name), always_(always) {
    if (SUM_CacheControl::is_enabled())
      token_ = SUM_CacheControl::token();
  }
  // Frees the content; with trace level 4 on prints, in the trace scope
  // "~SUM_Cache()", "cache  <name>;  hits: <h>;  misses: <m>;  lookups: <l>".
  ~SUM_Cache() {
    SUM_Trace trace("~SUM_Cache()");
    delete table_;
    if (trace.is_on(4))
      imsg_trace_print_literal("sum", "cache  %s;  hits: %d;  misses: %d;  lookups: %d\n",
                               static_cast<const char*>(name_), hits_, misses_, lookups_);
  }
  SUM_Cache(const SUM_Cache&) = delete;
  SUM_Cache& operator=(const SUM_Cache&) = delete;

  // Answers 1 and sets `out` to a copy of the value of `key` when the cache
  // is active, its content current and the key present (a hit); otherwise
  // answers 0 and leaves `out` untouched. Every call counts as a lookup; a
  // current cache without the key counts a miss; an inactive or stale one
  // counts neither.
  int lookup(const K& key, V& out) {
    ++lookups_;
    if (!active() || table_ == nullptr || !SUM_CacheControl::token_is_valid(token_))
      return 0;
    const V* found = table_->lookup(key);
    if (found == nullptr) {
      ++misses_;
      return 0;
    }
    out = *found;
    ++hits_;
    return 1;
  }

  // Enters the pair (replacing the value of a present key) when the cache is
  // active; stale content is dropped first. Inactive: does nothing.
  void enter(const K& key, const V& value) {
    if (!active())
      return;
    if (table_ == nullptr)
      table_ = new SUM_HashTab<K, V>(32);
    if (!SUM_CacheControl::token_is_valid(token_)) {
      table_->clear();
      token_ = SUM_CacheControl::token();
    }
    // Content entered by a cache that is not `always` belongs to the open
    // scope's generation, so that the scope's end makes it stale.
    KORVANE_ASSERT(always_ == 1 || SUM_CacheControl::token_is_valid(token_));
    table_->enter(key, value);
  }

  // Forgets `key` when the cache is active.
  void remove(const K& key) {
    if (active() && table_ != nullptr)
      table_->remove(key);
  }

  // remove, then enter.
  void replace(const K& key, const V& value) {
    if (active() && table_ != nullptr) {
      remove(key);
      enter(key, value);
    }
  }

 private:
  bool active() const { return always_ == 1 || SUM_CacheControl::is_enabled(); }

  SUM_HashTab<K, V>* table_ = nullptr;
  int token_ = 0;
  int hits_ = 0;
  int misses_ = 0;
  int lookups_ = 0;
  SUM_String name_;
  int always_;
};

#endif  // SUM_SUM_CACHE_H
