#include "recording/unit_cutter.h"

#include <algorithm>
#include <cstring>

namespace marlow {

namespace {
constexpr size_t kCollectorBytes = 4 + kMaxUnitBytes;
}

UnitCutter::UnitCutter(UnitSink* sink) : sink_(sink), collector_(kCollectorBytes) {
  collector_[2] = 1;
}

void UnitCutter::Break() {
  if (collecting_ && sink_) sink_->OnDropped(unitStart_, collector_[3], count_);
  collecting_ = false;
  count_ = 0;
  reg_ = 0xFFFFFFFFu;
}

void UnitCutter::Reset() {
  collecting_ = false;
  count_ = 0;
  reg_ = 0xFFFFFFFFu;
}

inline void UnitCutter::Append(const uint8_t* from, size_t n) {
  if (!collecting_) return;
  if (count_ < kCollectorBytes) {
    const size_t room = static_cast<size_t>(kCollectorBytes - count_);
    std::memcpy(collector_.data() + count_, from, std::min(room, n));
  }
  count_ += n;
}

void UnitCutter::StartCode(const uint8_t* stream, size_t j, uint64_t blockNumber,
                           const BlockHeader& h) {
  // File offset of the start code's first byte: three stream bytes before xx.
  uint64_t at = blockNumber * kBlockSize + kBlockHeaderSize + j;
  for (int k = 0; k < 3; ++k) at = StreamPrev(at);
  const uint8_t xx = stream[j];
  if (collecting_ && sink_) {
    const uint64_t unitLen = count_ - 4;
    const size_t n = unitLen < kMaxUnitBytes ? static_cast<size_t>(unitLen) : kMaxUnitBytes;
    CutUnit u;
    u.code = collector_[3];
    u.bytes = unitLen;
    u.start = unitStart_;
    u.time = h.time;
    u.channelMask = h.channelMask;
    u.frameSkip = h.frameSkip;
    if (IsVideoCode(u.code)) {
      u.kind = UnitKind::kVideo;
      u.channel = n > 4 ? collector_[4] & 0x0F : 0;
      u.data = collector_.data();
      u.length = static_cast<uint32_t>(n);
    } else {
      u.kind = UnitKind::kAudio;
      u.channel = u.code - 0xFA;
      u.data = collector_.data() + kAudioHeadBytes;
      u.length = n > kAudioHeadBytes ? static_cast<uint32_t>(n - kAudioHeadBytes) : 0;
    }
    sink_->OnUnit(u);
  }
  collecting_ = true;
  count_ = 4;
  collector_[0] = 0;
  collector_[1] = 0;
  collector_[2] = 1;
  collector_[3] = xx;
  unitStart_ = at;
}

void UnitCutter::FeedBlock(const uint8_t* block, uint64_t blockNumber, const BlockHeader& h) {
  const uint8_t* p = block + kBlockHeaderSize;
  const size_t n = kBlockPayload;
  size_t seg = 0;  // first byte not yet appended to the collector
  // The first three bytes may finish a start code begun in the last block.
  for (size_t i = 0; i < 3; ++i) {
    reg_ = reg_ << 8 | p[i];
    if (IsUnitStart(reg_)) {
      Append(p + seg, i + 1 - seg);
      seg = i + 1;
      StartCode(p, i, blockNumber, h);
    }
  }
  // From byte 3 on a start code lies wholly in this block: look for its 01
  // at k. A byte above 1 at k rules out a 01 at k, k + 1 and k + 2 (each
  // would need it to be 00), so most bytes are stepped over three at a time.
  size_t k = 2;
  while (k + 1 < n) {
    const uint8_t c = p[k];
    if (c > 1) {
      k += 3;
    } else if (c == 0) {
      k += 1;
    } else {
      if (p[k - 1] == 0 && p[k - 2] == 0 && IsUnitCode(p[k + 1])) {
        const size_t j = k + 1;
        Append(p + seg, j + 1 - seg);
        seg = j + 1;
        StartCode(p, j, blockNumber, h);
      }
      k += 3;
    }
  }
  Append(p + seg, n - seg);
  reg_ = static_cast<uint32_t>(p[n - 4]) << 24 | static_cast<uint32_t>(p[n - 3]) << 16 |
         static_cast<uint32_t>(p[n - 2]) << 8 | p[n - 1];
}

}  // namespace marlow
