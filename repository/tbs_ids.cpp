// Oids and UUIDs: text forms, comparison, hashing and generation.
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <random>

#include "services/tbs.h"

namespace {

// Writes the 16 bytes as 8-4-4-4-12 hexadecimal digits joined by `sep`.
void to_text(const unsigned char* bytes, char sep, char buf[TBS_ID_STR_SIZE]) {
  static const char kHex[] = "0123456789abcdef";
  char* p = buf;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10)
      *p++ = sep;
    *p++ = kHex[bytes[i] >> 4];
    *p++ = kHex[bytes[i] & 0xf];
  }
  *p = '\0';
}

int hex_value(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

// Parses 32 hexadecimal digits in the 8-4-4-4-12 grouping with one of the
// separators ".", "-" or ":" used throughout.
int from_text(const char* text, unsigned char* bytes) {
  if (text == nullptr || std::strlen(text) != 36)
    return TBS_ST_BAD_ARGUMENT;
  char sep = text[8];
  if (sep != '.' && sep != '-' && sep != ':')
    return TBS_ST_BAD_ARGUMENT;
  const char* p = text;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) {
      if (*p++ != sep)
        return TBS_ST_BAD_ARGUMENT;
    }
    int hi = hex_value(*p++);
    int lo = hex_value(*p++);
    if (hi < 0 || lo < 0)
      return TBS_ST_BAD_ARGUMENT;
    bytes[i] = static_cast<unsigned char>(hi << 4 | lo);
  }
  return TBS_ST_OK;
}

bool all_zero(const unsigned char* bytes) {
  for (int i = 0; i < 16; ++i)
    if (bytes[i] != 0)
      return false;
  return true;
}

}  // namespace

void tbs_oid_to_str(const tbs_oid_t* oid, char buf[TBS_ID_STR_SIZE]) {
  to_text(oid->bytes, '.', buf);
}
void tbs_oid_to_dstr(const tbs_oid_t* oid, char buf[TBS_ID_STR_SIZE]) {
  to_text(oid->bytes, ':', buf);
}
void tbs_uuid_to_str(const tbs_uuid_t* uuid, char buf[TBS_ID_STR_SIZE]) {
  to_text(uuid->bytes, '-', buf);
}

int tbs_str_to_oid(const char* text, tbs_oid_t* oid) {
  tbs_oid_t parsed;
  int status = from_text(text, parsed.bytes);
  if (status == 0)
    *oid = parsed;
  return status;
}

int tbs_str_to_uuid(const char* text, tbs_uuid_t* uuid) {
  tbs_uuid_t parsed;
  int status = from_text(text, parsed.bytes);
  if (status == 0)
    *uuid = parsed;
  return status;
}

void tbs_uuid_to_oid(const tbs_uuid_t* uuid, tbs_oid_t* oid) {
  std::memcpy(oid->bytes, uuid->bytes, 16);
}
void tbs_oid_to_uuid(const tbs_oid_t* oid, tbs_uuid_t* uuid) {
  std::memcpy(uuid->bytes, oid->bytes, 16);
}
bool tbs_oid_eq(const tbs_oid_t* a, const tbs_oid_t* b) {
  return std::memcmp(a->bytes, b->bytes, 16) == 0;
}
bool tbs_uuid_eq(const tbs_uuid_t* a, const tbs_uuid_t* b) {
  return std::memcmp(a->bytes, b->bytes, 16) == 0;
}
bool tbs_oid_is_null(const tbs_oid_t* oid) {
  return all_zero(oid->bytes);
}
bool tbs_uuid_is_null(const tbs_uuid_t* uuid) {
  return all_zero(uuid->bytes);
}

unsigned int tbs_oid_to_hash32(const tbs_oid_t* oid) {
  // FNV-1a over the 16 bytes.
  unsigned int h = 2166136261u;
  for (unsigned char b : oid->bytes)
    h = (h ^ b) * 16777619u;
  return h;
}

void tbs_uuid_generate(tbs_uuid_t* uuid) {
  // The kernel's generator, without opening a device per id (every new
  // object takes one).
  bool filled = getrandom(uuid->bytes, 16, 0) == 16;
  if (!filled) {
    int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
      filled = read(fd, uuid->bytes, 16) == 16;
      close(fd);
    }
  }
  if (!filled) {
    std::random_device rd;
    for (auto& b : uuid->bytes)
      b = static_cast<unsigned char>(rd());
  }
  uuid->bytes[6] = static_cast<unsigned char>((uuid->bytes[6] & 0x0f) | 0x40);  // version 4
  uuid->bytes[8] = static_cast<unsigned char>((uuid->bytes[8] & 0x3f) | 0x80);  // variant 1
}
