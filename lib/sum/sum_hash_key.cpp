// Key hashing of the library's hash tables: the text hash and text equality.
#include "sum/sum_hash_key.h"

#include <cstdint>
#include <cstring>

unsigned int sum_hash_string(const char* text) {
  uint32_t h = 0;
  if (text == nullptr)
    return h;
  for (const char* p = text; *p != '\0'; ++p) {
    // Each byte as a signed 8-bit value widened to 32 bits: bytes above 127
    // contribute their sign-extended form.
    uint32_t c = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(*p)));
    h = h + ((h << 7) ^ c);
  }
  return h;
}

// Byte equality rather than collation, so that equal keys always hash alike.
bool SUM_HashKey<SUM_String>::equal(const SUM_String& a, const SUM_String& b) {
  return std::strcmp(a, b) == 0;
}
