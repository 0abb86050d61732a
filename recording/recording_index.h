// Block-level access to a recording for tools and "go to time": what each
// block is (valid, damaged, unwritten), where a recorder time lies, in which
// byte order a disk image was written.
//
// Unlike RecordingSource, which reads one block at a time as it cuts units,
// this reads many blocks per call (large chunks, at disk speed) and never
// cuts units itself. Times are the raw header seconds (since 1970, no zone).
//
// Threads: one object is used by one thread; several objects may read the
// same path at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file.h"
#include "recording/block_format.h"

namespace marlow {

enum class BlockState : uint8_t {
  kValid,      // header check holds
  kDamaged,    // check fails and the block holds some non-zero byte
  kUnwritten,  // every byte is zero: the recorder never wrote here
};

// Classifies a block that is already in natural byte order; fills header
// when the block is valid.
BlockState ClassifyBlock(const uint8_t* block, BlockHeader* header);

enum class ByteOrder { kNatural, kDisk };

// Byte order of a recording from a sample of its blocks (natural order, as in
// recording files, or words exchanged, as on a recorder disk): the order in
// which more of the sampled non-zero blocks have a valid check. Ties and
// samples without any valid block give kNatural.
ByteOrder DetectByteOrder(const uint8_t* blocks, size_t count);

// Result of a time look-up: the first valid block (in position order) at
// which the recording's time reaches the asked time.
struct TimeHit {
  uint64_t block = 0;  // block number
  uint32_t time = 0;   // its header time (>= the asked time)
};

// A read buffer that starts on a page boundary: the system's copy into a
// buffer a few bytes off a cache line (as plain heap blocks are) runs
// several times slower than into an aligned one.
class ReadBuffer {
 public:
  explicit ReadBuffer(size_t bytes) : bytes_(bytes + kAlign) {}
  uint8_t* data() {
    const uintptr_t p = reinterpret_cast<uintptr_t>(bytes_.data());
    return bytes_.data() + ((kAlign - p % kAlign) % kAlign);
  }

 private:
  static constexpr size_t kAlign = 4096;
  std::vector<uint8_t> bytes_;
};

class RecordingIndex {
 public:
  // Bytes read by one chunked call: 1024 blocks.
  static constexpr size_t kChunkBlocks = 1024;

  RecordingIndex();

  // Opens a file, disk image or disk device. order: the byte order, or
  // detected from the first megabyte when autoOrder is true. Returns 1, or 0
  // when the path cannot be opened or its size cannot be had.
  int Open(const char* path, bool autoOrder, ByteOrder order);
  void Close();
  bool IsOpen() const { return file_.IsOpen(); }
  uint64_t Size() const { return size_; }
  uint64_t Blocks() const { return size_ / kBlockSize; }
  ByteOrder Order() const { return order_; }
  // True for block devices and disk paths (size from the geometry).
  bool IsDevice() const { return device_; }

  // Reads blocks [first, first + count) into out (count * 4096 bytes) in
  // natural order. Returns the number of whole blocks read (short at the end
  // of the recording or on a read error).
  size_t ReadBlocks(uint64_t first, size_t count, uint8_t* out);
  // The first block at or after `from` that may hold data (see
  // platform::File::NextData); blocks skipped are unwritten.
  uint64_t NextDataBlock(uint64_t from, uint64_t end);

  // The first valid block at or after `from` and before `end`; false if none.
  // Unwritten holes are skipped without reading.
  bool FirstValidFrom(uint64_t from, uint64_t end, uint64_t* block, BlockHeader* header);
  // The last valid block before `end` and at or after `from`; false if none.
  bool LastValidBefore(uint64_t from, uint64_t end, uint64_t* block, BlockHeader* header);

  // Time look-up by bisection over block times. Returns 1 with *hit, 0 when
  // the time is outside the recording's first and last times, and -1 when
  // the probes met times out of order (the recording's clock jumped back):
  // then only FindTimeByScan gives a sound answer.
  int FindTimeByBisection(uint32_t seconds, TimeHit* hit);
  // The same by one pass over every block: the first valid block whose time
  // is >= seconds while the valid block before it is < seconds; failing
  // that, the first valid block when its time is >= seconds.
  // Returns 1 or 0 (the time is never reached).
  int FindTimeByScan(uint32_t seconds, TimeHit* hit);

  // Reads the probes the last bisection made (for tests and tools).
  int LastProbeCount() const { return probes_; }

 private:
  platform::File file_;
  uint64_t size_ = 0;
  ByteOrder order_ = ByteOrder::kNatural;
  bool device_ = false;
  ReadBuffer chunk_;  // kChunkBlocks blocks, allocated once
  int probes_ = 0;
};

}  // namespace marlow
