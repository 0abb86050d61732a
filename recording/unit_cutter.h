// Cuts the unit stream of consecutive valid blocks into units, block by
// block, with the same result as RecordingSource's forward reading: a unit
// runs from its start code to the next one, is kept up to kMaxUnitBytes, and
// a block that is not valid drops the unit being collected.
//
// Meant for passes over whole recordings (verify, index building): it is fed
// blocks the caller already read in large chunks and scans with memchr
// rather than byte by byte.
#pragma once

#include <cstdint>
#include <vector>

#include "recording/block_format.h"
#include "recording/encoded_frame.h"

namespace marlow {

struct CutUnit {
  UnitKind kind = UnitKind::kVideo;
  uint8_t code = 0;  // start-code byte F8..FD
  int channel = 0;   // audio 0..3; video bits 3..0 of byte 4
  // Video: the whole unit from its start code; audio: the samples, head
  // removed. At most kMaxUnitBytes bytes (the unit may have been longer).
  const uint8_t* data = nullptr;
  uint32_t length = 0;
  uint64_t bytes = 0;  // the unit's true length from its start code, uncapped
  uint64_t start = 0;  // file offset of the first byte of its start code
  // Header fields of the block in which the next start code ended the unit.
  uint32_t time = 0;
  uint16_t channelMask = 0;
  uint8_t frameSkip = 0;
  // From UnitCounter only: 1 when the picture's header parses, else 0; -1
  // when not checked (UnitCutter, sound units).
  int8_t headerParses = -1;
};

class UnitSink {
 public:
  virtual ~UnitSink() = default;
  virtual void OnUnit(const CutUnit& unit) = 0;
  // The unit that began at `start` with `code` was dropped after `bytes`
  // bytes because the stream broke (a block that is not valid follows).
  virtual void OnDropped(uint64_t start, uint8_t code, uint64_t bytes) = 0;
};

class UnitCutter {
 public:
  explicit UnitCutter(UnitSink* sink);

  // One valid block (natural order) with its parsed header; blockNumber
  // gives the file offsets of the units.
  void FeedBlock(const uint8_t* block, uint64_t blockNumber, const BlockHeader& header);
  // The stream breaks here: the unit being collected is dropped.
  void Break();
  // Forgets the unit being collected without reporting it (a new pass).
  void Reset();
  // True while a unit is being collected (at the end of a recording that
  // unit is never completed).
  bool Collecting() const { return collecting_; }
  uint64_t CollectingStart() const { return unitStart_; }

 private:
  void StartCode(const uint8_t* stream, size_t j, uint64_t blockNumber, const BlockHeader& h);
  void Append(const uint8_t* from, size_t n);

  UnitSink* sink_;
  std::vector<uint8_t> collector_;  // 4 + kMaxUnitBytes
  uint64_t count_ = 0;              // unit bytes so far incl. its start code, uncapped
  bool collecting_ = false;
  uint32_t reg_ = 0xFFFFFFFFu;
  uint64_t unitStart_ = 0;
};

}  // namespace marlow
