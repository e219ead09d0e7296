// Hash-table service: chained tables of fixed-length keys with caller-supplied
// hash and equality functions, opaque value pointers, resumable scans,
// optional growth, and statistics and dump printers.
//
// Ownership: the table owns its buckets and entries. Values are opaque
// pointers that the table stores and hands back but never dereferences or
// frees. Keys are `key_size` bytes; by default the table keeps the caller's
// key pointer (the caller keeps the key alive and unchanged until the entry
// is removed or the table destroyed); with HASH_FLEN_COPY_KEYS it copies the
// key bytes into the entry and owns that copy.
//
// Hash and equality functions receive key pointers (the stored key and the
// probe key) and must not modify them; equal keys must hash alike.
//
// Scans walk the buckets in index order and each chain from its head; the
// order is unrelated to insertion order. While any scan of a table is open,
// the table does not grow, so a scan visits every entry present when it
// started exactly once.
//
// Memory exhaustion ends the process through the allocator; no call of this
// service returns a status. The service is not thread-safe: callers
// serialise access to a table.
#ifndef SERVICES_HASH_H
#define SERVICES_HASH_H

#include <cstddef>

struct hash_table_t;
using hash_table_h = hash_table_t*;

// Hash of the key at `key`.
using hash_key_fn_t = unsigned int (*)(void* key);
// Nonzero when the keys at `a` and `b` are equal.
using hash_eq_fn_t = int (*)(void* a, void* b);

// Flags of hash_flen_create_with_fns.
constexpr int HASH_FLEN_KEYS_BY_REFERENCE = 0;  // the table keeps the caller's key pointer
constexpr int HASH_FLEN_COPY_KEYS = 1;          // the table copies the key bytes

// The state of one scan: three words, all zero while no scan is open. The
// caller provides the storage and zeroes it before the first
// hash_flen_next; the words are otherwise the service's.
struct hash_scan_t {
  unsigned long words[3] = {0, 0, 0};
};

// A new empty table of `buckets` chains (at least 1). Entries are allocated
// in chunks of `entries_per_chunk` (at least 1) and reused after removal;
// the chunks are freed with the table. `flags` is HASH_FLEN_KEYS_BY_REFERENCE
// or HASH_FLEN_COPY_KEYS. A null `hash` hashes the `key_size` key bytes and a
// null `eq` compares them. The table does not grow until hash_set_dynamic.
hash_table_h hash_flen_create_with_fns(long buckets, int entries_per_chunk, int flags,
                                       size_t key_size, hash_key_fn_t hash, hash_eq_fn_t eq);

// Switches growth on: after an insertion that makes the number of entries
// exceed `load_tenths` / 10 per bucket (10: more entries than buckets), the
// bucket count doubles, as often as needed to bring the load back within
// that bound, and every entry is relinked by its recorded hash, so the hash
// functions are not called again. Growth waits while a scan is open
// and happens at the first insertion after the last scan ends. A value of 0
// or less switches growth off again.
void hash_set_dynamic(hash_table_h table, int load_tenths);

// Offers `key`. When an equal key is present, returns 1 and sets `*slot` to
// the address of that entry's value; the stored key stays and `key` is not
// kept. Otherwise adds an entry with `key` (or its copy) and a null value,
// returns 0 and sets `*slot` to the address of the new value, which the
// caller fills. A slot stays valid until its entry is removed or the table
// destroyed.
int hash_flen_enter(hash_table_h table, void* key, void*** slot);

// Returns 1 and sets `*value` to the stored value when a key equal to `key`
// is present, else returns 0 and leaves `*value` untouched.
int hash_flen_lookup(const hash_table_t* table, const void* key, void** value);

// Removes the entry whose key equals `key`: returns 1 and hands back the
// stored key (the caller's pointer; null with HASH_FLEN_COPY_KEYS, whose copy
// is freed) and value through the non-null out-parameters. Returns 0 and
// touches nothing when no key is equal.
int hash_flen_remove(hash_table_h table, const void* key, void** stored_key, void** value);

// Advances the scan `scan` of `table`: returns 1 with the next entry's key
// (the stored key pointer) and value, or 0 when every entry has been visited
// (the out-parameters are then untouched and further calls keep returning
// 0). A zeroed state opens a new scan, which stays open, also after the end
// is reported, until hash_term_scan. During a scan the entry most recently
// returned may be removed; other removals are not allowed, and entries
// added during a scan may or may not be visited.
int hash_flen_next(hash_table_h table, hash_scan_t* scan, void** key, void** value);

// Ends the scan `scan` of `table` and zeroes the state. A state that is
// already zero is left alone. Every opened scan must be ended, or the table
// never grows again.
void hash_term_scan(hash_table_h table, hash_scan_t* scan);

// Number of entries, and current number of buckets.
long hash_entry_count(const hash_table_t* table);
long hash_bucket_count(const hash_table_t* table);

// Prints the table's statistics through the message service at severity 0:
// "hash table: <n> entries in <b> buckets; <e> empty; longest chain <c>;
// load <n/b>; <g> growths\n".
void hash_dump_stats(const hash_table_t* table);

// Prints the statistics line, then one line per entry in scan order:
// "  [<bucket>] hash 0x<8 hex digits> key <up to 16 key bytes in hex>
// value <pointer>\n" (a longer key ends in "...").
void hash_dump(const hash_table_t* table);

// Frees the table and its entries (and key copies); stored values and keys
// held by reference are the caller's to free, before or after. A null table
// is ignored.
void hash_destroy(hash_table_h table);

#endif  // SERVICES_HASH_H
