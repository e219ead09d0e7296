// SHA-256 (FIPS 180-4), the content hash of file versions: equal contents
// have equal hashes, so the store keeps each content once.
#ifndef REPOSITORY_SHA256_H
#define REPOSITORY_SHA256_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace repo {

// An incremental SHA-256 computation: feed bytes with update(), any number of
// times, then read the digest once with finish().
class Sha256 {
 public:
  Sha256();
  void update(const void* data, size_t size);
  void update(const std::string& data) { update(data.data(), data.size()); }
  // The 32-byte digest. The object must not be used afterwards.
  std::string finish();

 private:
  void compress(const unsigned char* block);

  uint32_t state_[8];
  unsigned char buffer_[64];
  size_t buffered_ = 0;
  uint64_t total_ = 0;  // bytes fed so far
};

// The digest of `data` as 64 lowercase hexadecimal digits.
std::string sha256_hex(const std::string& data);

}  // namespace repo

#endif  // REPOSITORY_SHA256_H
