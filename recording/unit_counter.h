// The units of consecutive valid blocks, found and measured without being
// copied, with the check of every picture header done on the way: the same
// units, in the same order and with the same fields (data left null), as
// UnitCutter gives, and for each picture the verdict VideoDecoder::ParseHeader
// gives on it for the recorder's own stream variant (4). A pass over a whole
// recording (verify) thus touches every byte once, in a scan for 00 00 01
// that looks at 64 bytes at a time.
//
// UnitCutter with ParseHeader is the reference; MARLOW_FORCE_REFERENCE makes
// the callers use it.
#pragma once

#include <cstdint>

#include "recording/block_format.h"
#include "recording/unit_cutter.h"

namespace marlow {

class UnitCounter {
 public:
  // sink->OnUnit gets every unit with data null and headerParses set for
  // pictures; OnDropped as from UnitCutter.
  explicit UnitCounter(UnitSink* sink) : sink_(sink) {}

  void FeedBlock(const uint8_t* block, uint64_t blockNumber, const BlockHeader& header);
  void Break();
  void Reset();
  bool Collecting() const { return collecting_; }

 private:
  // A 00 00 01 whose 01 is stream byte q and whose next byte is xx, lying at
  // file offset xxAt in the block with header h.
  void Pattern(uint64_t q, uint8_t xx, uint64_t xxAt, const BlockHeader& h);
  void EndUnit(uint64_t end, const BlockHeader& h);

  UnitSink* sink_;
  uint64_t base_ = 0;  // stream index of the current block's first payload byte
  // The last two payload bytes of the block before, zero or not (for a code
  // that begins there); cleared by a break.
  bool prevZero1_ = false, prevZero2_ = false;
  // A 01 as the block's last byte: its code byte is the next block's first.
  bool pending_ = false;
  // The unit being collected.
  bool collecting_ = false;
  uint8_t code_ = 0;
  uint64_t start_ = 0;      // stream index of its first 00
  uint64_t fileStart_ = 0;  // file offset of that byte
  bool needHead_ = false;   // its byte 4 lies in a block not yet fed
  uint8_t head_ = 0;        // byte 4 (quantiser and channel)
  int slices_ = 0;          // slice codes ParseHeader counts (up to 18)
  uint64_t lastSlice_ = 0;  // unit offset of the last one counted
  bool stopped_ = false;    // a code that ends the picture was met
};

}  // namespace marlow
