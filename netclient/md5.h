// MD5 message digest (RFC 1321). The recorder's login carries the digest of
// the password instead of the password itself.
#pragma once

#include <cstddef>
#include <cstdint>

namespace marlow {

constexpr size_t kMd5DigestSize = 16;

// Incremental digest: any number of Update calls, then one Final. The object
// may be reused after Final by calling Reset.
class Md5 {
 public:
  Md5() { Reset(); }
  void Reset();
  void Update(const void* data, size_t length);
  // Writes the 16 digest bytes in the order RFC 1321 prints them.
  void Final(uint8_t digest[kMd5DigestSize]);

 private:
  void Block(const uint8_t block[64]);

  uint32_t state_[4];
  uint64_t totalBytes_;
  uint8_t pending_[64];  // bytes of the block not yet full
};

// One-shot digest of length bytes.
void Md5Digest(const void* data, size_t length, uint8_t digest[kMd5DigestSize]);

}  // namespace marlow
