#include "recording/recording_index.h"

#include <algorithm>
#include <cstring>

namespace marlow {

namespace {

bool AllZero(const uint8_t* p, size_t n) {
  // Word-wise: blocks are 4096 bytes and aligned in the chunk buffer.
  uint64_t acc = 0;
  for (size_t i = 0; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    acc |= w;
    if ((i & 511) == 504 && acc) return false;
  }
  return acc == 0;
}

}  // namespace

BlockState ClassifyBlock(const uint8_t* block, BlockHeader* header) {
  if (ParseBlockHeader(block, header)) return BlockState::kValid;
  return AllZero(block, kBlockSize) ? BlockState::kUnwritten : BlockState::kDamaged;
}

ByteOrder DetectByteOrder(const uint8_t* blocks, size_t count) {
  int natural = 0, disk = 0;
  uint8_t swapped[kBlockHeaderSize];
  BlockHeader h;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* b = blocks + i * kBlockSize;
    if (ParseBlockHeader(b, &h)) ++natural;
    std::memcpy(swapped, b, sizeof swapped);
    SwapWordBytes(swapped, sizeof swapped);
    if (ParseBlockHeader(swapped, &h)) ++disk;
  }
  return disk > natural ? ByteOrder::kDisk : ByteOrder::kNatural;
}

RecordingIndex::RecordingIndex() : chunk_(kChunkBlocks * kBlockSize) {}

int RecordingIndex::Open(const char* path, bool autoOrder, ByteOrder order) {
  Close();
  device_ = platform::ProbePath(path) == platform::PathKind::kDevice;
  if (!file_.OpenRead(path)) return 0;
  uint64_t size = 0;
  platform::DiskGeometry g;
  if (device_) {
    if (!file_.Geometry(&g)) {
      Close();
      return 0;
    }
    size = g.Bytes();
  } else if (!file_.Size(&size)) {
    Close();
    return 0;
  }
  size_ = size;
  order_ = ByteOrder::kNatural;
  if (autoOrder) {
    // 256 blocks = the first megabyte, read in natural order.
    const size_t n = file_.ReadAt(0, chunk_.data(), 256 * kBlockSize) / kBlockSize;
    order_ = DetectByteOrder(chunk_.data(), n);
  } else {
    order_ = order;
  }
  return 1;
}

void RecordingIndex::Close() {
  file_.Close();
  size_ = 0;
  device_ = false;
}

size_t RecordingIndex::ReadBlocks(uint64_t first, size_t count, uint8_t* out) {
  const uint64_t blocks = Blocks();
  if (first >= blocks) return 0;
  count = static_cast<size_t>(std::min<uint64_t>(count, blocks - first));
  const size_t got = file_.ReadAt(first * kBlockSize, out, count * kBlockSize) / kBlockSize;
  if (order_ == ByteOrder::kDisk) SwapWordBytes(out, got * kBlockSize);
  return got;
}

uint64_t RecordingIndex::NextDataBlock(uint64_t from, uint64_t end) {
  const uint64_t at = file_.NextData(from * kBlockSize, end * kBlockSize);
  return std::min(end, at / kBlockSize);
}

bool RecordingIndex::FirstValidFrom(uint64_t from, uint64_t end, uint64_t* block,
                                    BlockHeader* header) {
  end = std::min(end, Blocks());
  // Small reads first: a probe usually meets a valid block at once.
  size_t step = 16;
  while (from < end) {
    from = NextDataBlock(from, end);
    if (from >= end) break;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(step, end - from));
    step = std::min(step * 4, kChunkBlocks);
    const size_t got = ReadBlocks(from, want, chunk_.data());
    for (size_t i = 0; i < got; ++i) {
      if (ClassifyBlock(chunk_.data() + i * kBlockSize, header) == BlockState::kValid) {
        *block = from + i;
        return true;
      }
    }
    if (got < want) break;
    from += got;
  }
  return false;
}

bool RecordingIndex::LastValidBefore(uint64_t from, uint64_t end, uint64_t* block,
                                     BlockHeader* header) {
  end = std::min(end, Blocks());
  size_t step = 16;
  while (end > from) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(step, end - from));
    step = std::min(step * 4, kChunkBlocks);
    const uint64_t first = end - want;
    const size_t got = ReadBlocks(first, want, chunk_.data());
    for (size_t i = got; i-- > 0;) {
      if (ClassifyBlock(chunk_.data() + i * kBlockSize, header) == BlockState::kValid) {
        *block = first + i;
        return true;
      }
    }
    if (got < want) return false;
    end = first;
  }
  return false;
}

int RecordingIndex::FindTimeByBisection(uint32_t seconds, TimeHit* hit) {
  probes_ = 0;
  uint64_t lo = 0, hi = 0;
  BlockHeader hLo, hHi;
  if (!FirstValidFrom(0, Blocks(), &lo, &hLo) || !LastValidBefore(lo, Blocks(), &hi, &hHi))
    return 0;
  probes_ = 2;
  if (hLo.time > hHi.time) return -1;
  if (seconds > hHi.time) return 0;
  if (seconds <= hLo.time) {
    *hit = {lo, hLo.time};
    return 1;
  }
  // Invariant: lo is valid with time < seconds, hi is valid with time >=
  // seconds. P(n) = "the first valid block at or after n has time >= seconds"
  // is monotone when times are; find the smallest n in (lo, hi] with P(n).
  uint64_t a = lo + 1, b = hi;  // answer n lies in [a, b]
  uint64_t at = hi;
  uint32_t atTime = hHi.time;
  while (a < b) {
    const uint64_t mid = a + (b - a) / 2;
    uint64_t m = hi;
    BlockHeader h = hHi;
    FirstValidFrom(mid, hi, &m, &h);  // none found: hi itself
    ++probes_;
    if (h.time < hLo.time || h.time > hHi.time) return -1;
    if (h.time >= seconds) {
      b = mid;
      at = m;
      atTime = h.time;
      // Probes further left must not be later than this one.
      hHi = h;
      hi = m;
      if (b > hi) b = hi;
    } else {
      a = m + 1;
      hLo = h;
    }
  }
  // a == b: the first valid block at or after a is the answer.
  uint64_t m = at;
  BlockHeader h;
  if (FirstValidFrom(a, at + 1, &m, &h)) {
    at = m;
    atTime = h.time;
  }
  if (atTime < seconds) return -1;
  *hit = {at, atTime};
  return 1;
}

int RecordingIndex::FindTimeByScan(uint32_t seconds, TimeHit* hit) {
  bool havePrev = false;
  uint32_t prev = 0;
  TimeHit first;
  const uint64_t blocks = Blocks();
  BlockHeader h;
  for (uint64_t from = 0; from < blocks;) {
    const uint64_t next = NextDataBlock(from, blocks);
    from = next;
    if (from >= blocks) break;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(kChunkBlocks, blocks - from));
    const size_t got = ReadBlocks(from, want, chunk_.data());
    for (size_t i = 0; i < got; ++i) {
      if (ClassifyBlock(chunk_.data() + i * kBlockSize, &h) != BlockState::kValid) continue;
      if (h.time >= seconds && havePrev && prev < seconds) {
        *hit = {from + i, h.time};
        return 1;
      }
      if (!havePrev) first = {from + i, h.time};
      havePrev = true;
      prev = h.time;
    }
    if (got < want) break;
    from += got;
  }
  // No crossing: the time lies at or before the first block's.
  if (havePrev && first.time >= seconds) {
    *hit = first;
    return 1;
  }
  return 0;
}

}  // namespace marlow
