#include "recording/recording_source.h"

#include <cstring>

#include "platform/notice.h"
#include "recording/start_code_search.h"

namespace marlow {

namespace {

constexpr size_t kCollectorBytes = 4 + kMaxUnitBytes;
constexpr uint64_t kTimeValid = 1ull << 32;

uint32_t Be32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

}  // namespace

RecordingSource::RecordingSource(size_t readAheadBytes)
    : block_(kBlockSize),
      chunk_(readAheadBytes <= kBlockSize
                 ? kBlockSize
                 : (readAheadBytes + kBlockSize - 1) / kBlockSize * kBlockSize),
      collector_(kCollectorBytes) {
  collector_[0] = 0;
  collector_[1] = 0;
  collector_[2] = 1;
  collector_[3] = 0xF8;
}

int RecordingSource::OpenSource(const char* path, bool isDisk) {
  if (IsOpen()) Close();
  if (!file_.OpenRead(path)) return 0;
  chunkBytes_ = 0;
  position_.store(0, std::memory_order_relaxed);
  isDisk_ = isDisk;
  uint64_t size = 0;
  bool known = false;
  if (isDisk) {
    platform::DiskGeometry g;
    known = file_.Geometry(&g);
    size = g.Bytes();
  } else {
    known = file_.Size(&size);
  }
  if (!known) {
    platform::ShowNotice("Open Error");
    file_.Close();
    return 0;
  }
  size_.store(size, std::memory_order_relaxed);
  path_ = path;
  blockTime_.store(0, std::memory_order_relaxed);  // no block read yet
  backward_ = false;
  ResetScan();
  audioSeen_ = false;
  return 1;
}

int RecordingSource::Close() {
  file_.Close();
  chunkBytes_ = 0;
  size_.store(0, std::memory_order_relaxed);
  position_.store(0, std::memory_order_relaxed);
  mark_ = 0;
  path_.clear();
  audioSeen_ = false;
  channelMask_ = 0;
  ResetScan();
  return 1;
}

void RecordingSource::SetPosition(uint64_t p) {
  if (p < Size()) position_.store(p, std::memory_order_relaxed);
  ResetScan();
}

int RecordingSource::SetMark(uint64_t p) {
  const uint64_t size = Size();
  if (size == 0 || p >= size) return 0;
  mark_ = p;
  return 1;
}

int RecordingSource::SetStreamVariant(int variant) {
  variant_ = variant;
  return 1;
}

void RecordingSource::ResetScan() {
  // Every read starts its scan afresh: a read begins either at a start code
  // it must meet again itself or at a position set from outside, so bytes
  // seen before (perhaps in the other direction) must never combine with
  // the new ones into a false start code.
  reg_ = 0xFFFFFFFFu;
  collecting_ = false;
  count_ = 0;
}

void RecordingSource::SetBlockTime(uint32_t seconds) {
  blockTime_.store(kTimeValid | seconds, std::memory_order_relaxed);
}

TimeRecord RecordingSource::BlockTime() const {
  const uint64_t v = blockTime_.load(std::memory_order_relaxed);
  if (v & kTimeValid) return BreakDownTime(static_cast<uint32_t>(v));
  TimeRecord t;  // before the first read: 2000-01 with day 0, hour 1
  t.year = 2000;
  t.month = 1;
  t.hour = 1;
  return t;
}

int RecordingSource::CurrentTime(TimeRecord* out) const {
  if (!IsOpen()) return 0;
  const TimeRecord t = BlockTime();
  if (t.year < 1900 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 ||
      t.minute > 59 || t.second > 59)
    return 0;
  *out = t;
  return 1;
}

bool RecordingSource::FetchBlock(uint64_t blockStart) {
  if (!plainReads_ && !chunk_.empty()) {
    const uint64_t base = blockStart - blockStart % chunk_.size();
    uint64_t end = base + chunk_.size();
    // A disk is read in whole sectors up to its size (a device refuses a
    // read that runs past its end); a file may have grown since it opened.
    if (isDisk_ && end > Size()) end = Size() < base ? base : Size();
    const size_t off = static_cast<size_t>(blockStart - base);
    if (chunkStart_ != base) {
      chunkStart_ = base;
      chunkBytes_ = 0;
    }
    if (off + kBlockSize > chunkBytes_) {
      // Bytes already read stay (a recording only grows at its end); the
      // read goes on from the last whole block, so it stays block-aligned.
      const size_t from = chunkBytes_ - chunkBytes_ % kBlockSize;
      const size_t got =
          file_.ReadAt(base + from, chunk_.data() + from, static_cast<size_t>(end - base) - from);
      chunkBytes_ = from + got;
      if (isDisk_) SwapWordBytes(chunk_.data() + from, got - got % 2);
    }
    if (off + kBlockSize <= chunkBytes_) {
      blk_ = chunk_.data() + off;
      return true;
    }
    // A chunk that failed as a whole (a bad sector further on) or came up
    // short: the block alone, as the plain reads would try it.
  }
  blk_ = block_.data();
  if (file_.ReadAt(blockStart, block_.data(), kBlockSize) != kBlockSize) return false;
  if (isDisk_) SwapWordBytes(block_.data(), kBlockSize);
  return true;
}

RecordingSource::Load RecordingSource::LoadBlock(uint64_t blockStart) {
  if (!FetchBlock(blockStart)) return Load::kShort;
  BlockHeader h;
  // Header fields are taken from valid blocks only.
  if (!ParseBlockHeader(blk_, &h)) return Load::kInvalid;
  frameSkip_ = h.frameSkip;
  channelMask_ = h.channelMask;
  SetBlockTime(h.time);
  return Load::kValid;
}

// ---------------------------------------------------------------------------
// Forward reading. The collector fills from the front: bytes 0..2 are always
// 00 00 01, byte 3 is the code of the unit being collected, and count_ counts
// every unit byte seen (only the first kCollectorBytes are kept).

uint32_t RecordingSource::ReadForward(uint8_t* buffer) {
  found_ = false;
  if (!IsOpen()) return 0;
  backward_ = false;
  ResetScan();
  const uint64_t pos = Position();
  uint64_t blockStart = pos - pos % kBlockSize;
  Load l = LoadBlock(blockStart);
  if (l == Load::kShort) return 0;  // position stays: every further read ends here too
  if (l == Load::kInvalid) {
    position_.store(blockStart + kBlockSize, std::memory_order_relaxed);
    return 0;
  }
  size_t off = static_cast<size_t>(pos - blockStart);
  if (off < kBlockHeaderSize) off = kBlockHeaderSize;
  for (;;) {
    size_t at = 0;
    const bool done = reference_ ? ScanForwardPlain(off, &at) : ScanForwardFast(off, &at);
    if (done) return FinishForward(blockStart + at, buffer);
    blockStart += kBlockSize;
    l = LoadBlock(blockStart);
    if (l != Load::kValid) {
      position_.store(l == Load::kShort ? blockStart : blockStart + kBlockSize,
                      std::memory_order_relaxed);
      ResetScan();
      return 0;
    }
    off = kBlockHeaderSize;
  }
}

// One step of the forward scan over block byte i. True when a start code
// completes the unit being collected.
inline bool RecordingSource::StepForward(size_t i) {
  const uint8_t b = blk_[i];
  reg_ = reg_ << 8 | b;
  if (collecting_) {
    if (count_ < kCollectorBytes) collector_[count_] = b;
    ++count_;
  }
  if (!IsUnitStart(reg_)) return false;
  if (collecting_) return true;
  collecting_ = true;
  count_ = 4;
  collector_[3] = b;
  return false;
}

bool RecordingSource::ScanForwardPlain(size_t off, size_t* at) {
  for (size_t i = off; i < kBlockSize; ++i) {
    if (StepForward(i)) {
      *at = i;
      return true;
    }
  }
  return false;
}

// Same result as ScanForwardPlain. The first three bytes go through the
// register, since a start code ending there may have begun before off; after
// them every candidate lies wholly in the block and is found by a search for
// its 01 byte, and the bytes between are copied in one piece.
bool RecordingSource::ScanForwardFast(size_t off, size_t* at) {
  size_t i = off;
  for (; i < kBlockSize && i < off + 3; ++i) {
    if (StepForward(i)) {
      *at = i;
      return true;
    }
  }
  const uint8_t* b = blk_;
  while (i < kBlockSize) {
    // j: the end (xx) of the next start code at or after i, or kBlockSize.
    size_t j = kBlockSize;
    for (size_t k = i - 1; k + 1 < kBlockSize; ++k) {
      k = FindPrefixForward(b, k, kBlockSize - 1);
      if (k == kBlockSize - 1) break;
      if (IsUnitCode(b[k + 1])) {
        j = k + 1;
        break;
      }
    }
    const size_t stop = j < kBlockSize ? j + 1 : kBlockSize;
    if (collecting_) {
      if (count_ < kCollectorBytes) {
        const size_t room = static_cast<size_t>(kCollectorBytes - count_);
        const size_t n = stop - i < room ? stop - i : room;
        std::memcpy(collector_.data() + count_, b + i, n);
      }
      count_ += stop - i;
    }
    reg_ = Be32(b + stop - 4);
    if (j == kBlockSize) return false;
    if (collecting_) {
      *at = j;
      return true;
    }
    collecting_ = true;
    count_ = 4;
    collector_[3] = b[j];
    i = stop;
  }
  return false;
}

uint32_t RecordingSource::FinishForward(uint64_t codeEnd, uint8_t* buffer) {
  const uint64_t unitLen = count_ - 4;  // the new start code is not part of it
  const size_t n = unitLen < kMaxUnitBytes ? static_cast<size_t>(unitLen) : kMaxUnitBytes;
  const uint8_t code = collector_[3];
  uint32_t length = 0;
  if (IsVideoCode(code)) {
    lastAudio_ = false;
    lastChannel_ = n > 4 ? collector_[4] & (variant_ == 0 ? 0x07 : 0x0F) : 0;
    length = static_cast<uint32_t>(n);
    std::memcpy(buffer, collector_.data(), n);
  } else {
    lastAudio_ = true;
    lastChannel_ = code - 0xFA;
    length = n > kAudioHeadBytes ? static_cast<uint32_t>(n - kAudioHeadBytes) : 0;
    std::memcpy(buffer, collector_.data() + kAudioHeadBytes, length);
  }
  lastLength_ = length;
  found_ = true;
  // The next read begins at the new start code, three stream bytes before
  // its last byte (which may lie in the previous block).
  uint64_t p = codeEnd;
  for (int k = 0; k < 3; ++k) p = StreamPrev(p);
  position_.store(p, std::memory_order_relaxed);
  ResetScan();
  return length;
}

// ---------------------------------------------------------------------------
// Backward reading. The register holds the four bytes from the one just
// scanned upwards, in natural order, so a start code reads as in forward
// reading. The 131072-byte area after the collector's first four bytes is a
// ring filled from the back: the bytes scanned last are the unit's first, so
// when a unit is longer than the area the ring still holds its first 131072
// bytes, start code included.

uint32_t RecordingSource::ReadBackward(uint8_t* buffer) {
  found_ = false;
  if (!IsOpen()) return 0;
  backward_ = true;
  ResetScan();
  // A tail shorter than a block (a recording cut short, or any size that is
  // not a multiple of 4096) is never read: backward reading starts at the
  // end of the last whole block, or it would stay in the tail for ever.
  const uint64_t wholeEnd = Size() - Size() % kBlockSize;
  const uint64_t pos = Position() < wholeEnd ? Position() : wholeEnd;
  if (pos == 0) return 0;
  uint64_t blockStart = (pos - 1) - (pos - 1) % kBlockSize;
  Load l = LoadBlock(blockStart);
  if (l == Load::kShort) return 0;
  if (l == Load::kInvalid) {
    position_.store(blockStart, std::memory_order_relaxed);
    return 0;
  }
  size_t off = static_cast<size_t>(pos - 1 - blockStart);
  for (;;) {
    size_t at = 0;
    if (off >= kBlockHeaderSize) {
      const bool done = reference_ ? ScanBackwardPlain(off, &at) : ScanBackwardFast(off, &at);
      if (done) return FinishBackward(blockStart + at, buffer);
    }
    if (blockStart == 0) {
      position_.store(0, std::memory_order_relaxed);
      ResetScan();
      return 0;
    }
    blockStart -= kBlockSize;
    l = LoadBlock(blockStart);
    if (l != Load::kValid) {
      position_.store(l == Load::kShort ? blockStart + kBlockSize : blockStart,
                      std::memory_order_relaxed);
      ResetScan();
      return 0;
    }
    off = kBlockSize - 1;
  }
}

inline void RecordingSource::StoreBackward(uint8_t b) {
  collector_[4 + kMaxUnitBytes - 1 - count_ % kMaxUnitBytes] = b;
  ++count_;
}

inline bool RecordingSource::StepBackward(size_t i) {
  const uint8_t b = blk_[i];
  reg_ = static_cast<uint32_t>(b) << 24 | reg_ >> 8;
  if (collecting_) StoreBackward(b);
  if (!IsUnitStart(reg_)) return false;
  if (collecting_) return true;
  collecting_ = true;  // the start code of the unit after the one wanted
  count_ = 0;
  return false;
}

bool RecordingSource::ScanBackwardPlain(size_t off, size_t* at) {
  for (size_t i = off + 1; i-- > kBlockHeaderSize;) {
    if (StepBackward(i)) {
      *at = i;
      return true;
    }
  }
  return false;
}

// Same result as ScanBackwardPlain; the mirror of ScanForwardFast.
bool RecordingSource::ScanBackwardFast(size_t off, size_t* at) {
  size_t i = off + 1;  // one past the next byte to scan
  for (; i > kBlockHeaderSize && i + 2 > off;) {
    --i;
    if (StepBackward(i)) {
      *at = i;
      return true;
    }
  }
  const uint8_t* b = blk_;
  while (i > kBlockHeaderSize) {
    // s: the lowest byte of the nearest start code lying in [8, i - 1], whose
    // four bytes all lie below off + 1; kBlockSize when none.
    size_t s = kBlockSize;
    // Candidate 01 bytes at i + 1 down to 10, the start code 2 bytes lower.
    for (size_t k = i + 2; (k = FindPrefixBackward(b, kBlockHeaderSize + 2, k)) != 0;) {
      if (IsUnitCode(b[k + 1])) {
        s = k - 2;
        break;
      }
    }
    const size_t lo = s < kBlockSize ? s : kBlockHeaderSize;
    if (collecting_) {
      const size_t len = i - lo;
      const size_t top = 4 + kMaxUnitBytes - 1 - count_ % kMaxUnitBytes;  // slot of byte i-1
      const size_t first = top + 1 - 4 >= len ? top + 1 - len : 4;        // slot of byte lo
      const size_t inPlace = top + 1 - first;
      std::memcpy(collector_.data() + first, b + i - inPlace, inPlace);
      if (inPlace < len)
        std::memcpy(collector_.data() + 4 + kMaxUnitBytes - (len - inPlace), b + lo, len - inPlace);
      count_ += len;
    }
    reg_ = Be32(b + lo);
    if (s == kBlockSize) return false;
    if (collecting_) {
      *at = s;
      return true;
    }
    collecting_ = true;
    count_ = 0;
    i = s;
  }
  return false;
}

uint32_t RecordingSource::FinishBackward(uint64_t codeStart, uint8_t* buffer) {
  // The unit is count_ bytes long and begins with the start code just met;
  // its first byte sits in the ring at `first`, the rest follow cyclically.
  const uint8_t* ring = collector_.data() + 4;
  const size_t first = kMaxUnitBytes - 1 - static_cast<size_t>((count_ - 1) % kMaxUnitBytes);
  const size_t n = count_ < kMaxUnitBytes ? static_cast<size_t>(count_) : kMaxUnitBytes;
  auto at = [&](size_t k) { return ring[(first + k) % kMaxUnitBytes]; };
  auto copy = [&](size_t from, size_t len) {
    const size_t s = (first + from) % kMaxUnitBytes;
    const size_t a = len < kMaxUnitBytes - s ? len : kMaxUnitBytes - s;
    std::memcpy(buffer, ring + s, a);
    std::memcpy(buffer + a, ring, len - a);
  };
  const uint8_t code = at(3);
  uint32_t length = 0;
  if (IsVideoCode(code)) {
    lastAudio_ = false;
    lastChannel_ = n > 4 ? at(4) & (variant_ == 0 ? 0x07 : 0x0F) : 0;
    length = static_cast<uint32_t>(n);
    copy(0, n);
  } else {
    lastAudio_ = true;
    lastChannel_ = code - 0xFA;
    length = n > kAudioHeadBytes ? static_cast<uint32_t>(n - kAudioHeadBytes) : 0;
    copy(kAudioHeadBytes, length);
  }
  lastLength_ = length;
  found_ = true;
  // Leave position one past the start code's last byte (stream bytes only).
  uint64_t p = codeStart;
  for (int k = 0; k < 3; ++k) p = StreamNext(p);
  position_.store(p + 1, std::memory_order_relaxed);
  ResetScan();
  return length;
}

// ---------------------------------------------------------------------------

uint32_t RecordingSource::ReadForwardTracked(uint8_t* buffer) {
  const uint32_t n = ReadForward(buffer);
  // An audio unit without samples is still a unit read (length 0).
  if (!found_) {
    lastAudio_ = false;
  } else if (lastAudio_) {
    audioSeen_ = true;
  }
  return n;
}

uint32_t RecordingSource::SeekToMark(uint8_t* buffer) {
  backward_ = false;
  ResetScan();
  const uint64_t size = Size();
  if (size == 0 || mark_ >= size - 1) return 0;
  position_.store(mark_, std::memory_order_relaxed);
  for (;;) {
    const uint32_t n = ReadForwardTracked(buffer);
    if (!found_ || !lastAudio_) return n;
  }
}

void RecordingSource::Describe(EncodedFrame* frame) const {
  frame->kind = lastAudio_ ? UnitKind::kAudio : UnitKind::kVideo;
  frame->channel = lastChannel_;
  frame->length = lastLength_;
  frame->time = BlockTime();
  frame->frameSkip = frameSkip_;
  frame->channelMask = channelMask_;
}

bool RecordingSource::IsOwnFile(const char* path) {
  platform::FileIdentity mine, theirs;
  platform::File other;
  // A target that cannot be opened for reading does not exist yet (or is
  // no regular file): it cannot be the source.
  if (!other.OpenRead(path)) return false;
  // Unknown identities count as the same file: refusing a save is
  // harmless, overwriting the recording is not.
  if (!file_.Identity(&mine) || !other.Identity(&theirs)) return true;
  return mine == theirs;
}

int RecordingSource::SaveStretch(uint64_t start, uint64_t end, const char* path) {
  saveError_ = "";
  uint64_t from = 0, to = 0;
  if (!IsOpen() || !PlanStretch(start, end, Size(), &from, &to)) {
    saveError_ = "The marked stretch lies outside the recording or is longer than 1 GiB";
    return 0;
  }
  // Checked before anything is created: replacing the file being read would
  // destroy the very recording that is being saved from.
  if (IsOwnFile(path)) {
    saveError_ = "A stretch cannot be saved onto the recording it is taken from";
    return 0;
  }
  // The blocks go to a new file beside the target, which takes the target's
  // name only once every block is in it: a failed save leaves no file that
  // looks whole, and an older file of that name stays as it was.
  std::string temp;
  platform::File out;
  for (int attempt = 0; attempt < 100 && !out.IsOpen(); ++attempt) {
    temp = std::string(path) + ".part" + std::to_string(attempt);
    out.CreateNew(temp.c_str());
  }
  if (!out.IsOpen()) {
    saveError_ = "The file cannot be created";
    return 0;
  }
  // The current block's buffer is free: every read loads its block afresh.
  uint8_t* block = block_.data();
  const uint64_t size = Size();
  bool ok = true;
  for (uint64_t at = from; ok && at < to && at < size; at += kBlockSize) {
    const size_t want = size - at < kBlockSize ? static_cast<size_t>(size - at) : kBlockSize;
    if (file_.ReadAt(at, block, want) != want) {
      saveError_ = "The recording could not be read";
      ok = false;
      break;
    }
    if (isDisk_) SwapWordBytes(block, want);
    if (!out.Write(block, want)) {
      saveError_ = "The file could not be written (disk full?)";
      ok = false;
    }
  }
  out.Close();
  if (ok && !platform::RenameFile(temp.c_str(), path)) {
    saveError_ = "The file cannot be created";
    ok = false;
  }
  if (!ok) {
    platform::RemoveFile(temp.c_str());
    return 0;
  }
  return 1;
}

}  // namespace marlow
