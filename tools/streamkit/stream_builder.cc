#include "tools/streamkit/stream_builder.h"

#include <cstdio>

#include "recording/block_format.h"

namespace marlow::streamkit {

void StreamBuilder::StartBlock() {
  const size_t index = bytes_.size() / kBlockSize;
  const uint32_t time = timeFixed_ ? time_ : start_ + static_cast<uint32_t>(clockUs_ / 1000000);
  const uint8_t skip = skipFixed_ ? skip_ : static_cast<uint8_t>(timing_.frameSkip);
  if (!maskFixed_) followingMask_.push_back(index);
  uint8_t header[8];
  BuildBlockHeader(time, maskFixed_ ? mask_ : cameras_, skip, header);
  bytes_.insert(bytes_.end(), header, header + 8);
  SealHeader(index);
}

// The check of block blockIndex's header, spoilt when the block is broken.
void StreamBuilder::SealHeader(size_t blockIndex) {
  uint8_t* h = &bytes_[blockIndex * kBlockSize];
  h[7] = HeaderCheck(h, 7);
  if (broken_.count(blockIndex)) h[7] = static_cast<uint8_t>(~h[7]);
}

void StreamBuilder::AddUnit(const uint8_t* bytes, size_t n) {
  if (n >= 5 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1 &&
      (bytes[3] == 0xF8 || bytes[3] == 0xF9)) {
    clockUs_ = NextPictureUs();
    ++pictures_;
    cameras_ = static_cast<uint16_t>(cameras_ | 1u << (bytes[4] & 0x0F));
  }
  AddRaw(bytes, n);
}

void StreamBuilder::AddRaw(const uint8_t* bytes, size_t n) {
  size_t done = 0;
  while (done < n) {
    if (bytes_.size() % kBlockSize == 0) StartBlock();
    const size_t room = kBlockSize - bytes_.size() % kBlockSize;
    const size_t take = room < n - done ? room : n - done;
    bytes_.insert(bytes_.end(), bytes + done, bytes + done + take);
    done += take;
  }
  stream_ += n;
}

void StreamBuilder::AddAudio(int audioChannel, const uint8_t* samples, size_t n) {
  const uint8_t head[6] = {0, 0, 1, static_cast<uint8_t>(0xFA + (audioChannel & 3)), 0, 0};
  AddRaw(head, sizeof head);
  AddRaw(samples, n);
}

void StreamBuilder::BreakCheckOfBlock(size_t blockIndex) {
  if (!broken_.insert(blockIndex).second) return;
  const size_t at = blockIndex * kBlockSize + 7;
  if (at < bytes_.size()) bytes_[at] = static_cast<uint8_t>(~bytes_[at]);
}

void StreamBuilder::Finish() {
  const size_t rest = bytes_.size() % kBlockSize;
  if (rest != 0) bytes_.resize(bytes_.size() + kBlockSize - rest, 0);
  // A recorder knows its cameras from the start.
  for (size_t index : followingMask_) {
    bytes_[index * kBlockSize + 4] = static_cast<uint8_t>(cameras_);
    bytes_[index * kBlockSize + 5] = static_cast<uint8_t>(cameras_ >> 8);
    SealHeader(index);
  }
}

bool StreamBuilder::WriteFile(const char* path, bool diskOrder) const {
  std::vector<uint8_t> out = bytes_;
  if (diskOrder) SwapWordBytes(out.data(), out.size());
  std::FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  const bool ok = out.empty() || std::fwrite(out.data(), 1, out.size(), f) == out.size();
  return std::fclose(f) == 0 && ok;
}

namespace {
uint32_t Next(uint32_t* s) {  // xorshift32
  uint32_t x = *s;
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  return *s = x;
}
}  // namespace

void AppendFiller(std::vector<uint8_t>* out, size_t n, uint32_t seed) {
  uint32_t s = seed * 2654435761u + 0x9E3779B9u;
  if (s == 0) s = 1;
  for (size_t i = 0; i < n; ++i) {
    uint32_t r = Next(&s);
    uint8_t b = static_cast<uint8_t>(r >> 24);
    // Zeros more often than chance, so slice codes and near-misses show up.
    if ((r & 0xF) == 0) b = 0;
    const size_t k = out->size();
    if (k >= 3 && (*out)[k - 3] == 0 && (*out)[k - 2] == 0 && (*out)[k - 1] == 1 && IsUnitCode(b))
      b = static_cast<uint8_t>(b - 0x10);
    out->push_back(b);
  }
}

std::vector<uint8_t> MakeVideoUnit(int channel, bool full, size_t n, uint32_t seed) {
  std::vector<uint8_t> u = {0, 0, 1, static_cast<uint8_t>(full ? 0xF9 : 0xF8),
                            static_cast<uint8_t>(0x30 | (channel & 0x0F))};
  u.reserve(n < 8 ? 8 : n);
  const uint8_t slice[3] = {0, 0, 1};
  while (u.size() + 1 < n) {
    const size_t left = n - 1 - u.size();
    AppendFiller(&u, left < 1500 ? left : 1500, seed + static_cast<uint32_t>(u.size()));
    // A slice code now and then, as a picture holds one per macroblock row.
    if (u.size() + 5 < n) {
      u.insert(u.end(), slice, slice + 3);
      u.push_back(static_cast<uint8_t>(1 + u.size() % 0x20));
    }
  }
  while (u.size() < n) u.push_back(0x55);  // never ends in 00 00 01
  return u;
}

}  // namespace marlow::streamkit
