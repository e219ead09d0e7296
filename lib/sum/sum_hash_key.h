// SUM_HashKey<K>: how the library's hash tables hash and compare keys of
// type K.
//
// Each key type has one specialisation providing
//   static unsigned int hash(const K& key);
//   static bool equal(const K& a, const K& b);
// where equal keys hash alike. Object handles hash by their dbid, so hashing
// never calls the repository. A key type without a specialisation does not
// compile as a table key. A new key type identified by an object adds
//   template <> struct SUM_HashKey<X> : SUM_DbidHashKey<X> {};
// and any other adds its own two functions.
#ifndef SUM_SUM_HASH_KEY_H
#define SUM_SUM_HASH_KEY_H

#include <concepts>
#include <cstdint>

#include "services/vob.h"
#include "sum/sum_ids.h"
#include "sum/sum_string.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"

// The hash of a text: h starts at 0; for each byte c, taken as a signed 8-bit
// value widened to 32 bits, h = h + ((h << 7) ^ c) in unsigned 32-bit
// arithmetic. "" hashes to 0, "a" to 97, "ab" to 12611. A null text hashes
// as the empty one.
unsigned int sum_hash_string(const char* text);

template <typename K>
struct SUM_HashKey;

// Keys naming an object: the hash is the object's dbid, equality the
// handle's (dbid and VOB). K provides dbid() and ==.
template <typename K>
struct SUM_DbidHashKey {
  static unsigned int hash(const K& key) { return key.dbid(); }
  static bool equal(const K& a, const K& b) { return a == b; }
};

// Every object handle class (SUM_Activity, SUM_Baseline, ..., SUM_VobObject).
template <typename K>
requires std::derived_from<K, SUM_VobObject>
struct SUM_HashKey<K> : SUM_DbidHashKey<K> {
};

// VOBs: the repository handle's pointer value.
template <>
struct SUM_HashKey<SUM_Vob> {
  static unsigned int hash(const SUM_Vob& key) {
    return static_cast<unsigned int>(reinterpret_cast<uintptr_t>(key.handle()));
  }
  static bool equal(const SUM_Vob& a, const SUM_Vob& b) { return a == b; }
};

// Repository VOB handles: the pointer value.
template <>
struct SUM_HashKey<vob_vob_h> {
  static unsigned int hash(const vob_vob_h& key) {
    return static_cast<unsigned int>(reinterpret_cast<uintptr_t>(key));
  }
  static bool equal(const vob_vob_h& a, const vob_vob_h& b) { return a == b; }
};

// Oids: the base services' 32-bit oid hash.
template <>
struct SUM_HashKey<SUM_Oid> {
  static unsigned int hash(const SUM_Oid& key) { return tbs_oid_to_hash32(&key.oid()); }
  static bool equal(const SUM_Oid& a, const SUM_Oid& b) { return a == b; }
};

// Strings: sum_hash_string of the text, byte equality.
template <>
struct SUM_HashKey<SUM_String> {
  static unsigned int hash(const SUM_String& key) { return sum_hash_string(key); }
  static bool equal(const SUM_String& a, const SUM_String& b);
};

// Unsigned numbers (dbids among them): the value itself.
template <>
struct SUM_HashKey<unsigned int> {
  static unsigned int hash(const unsigned int& key) { return key; }
  static bool equal(const unsigned int& a, const unsigned int& b) { return a == b; }
};

#endif  // SUM_SUM_HASH_KEY_H
