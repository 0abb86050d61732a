// One pass over every block of a recording, in large chunks with constant
// memory: which stretches are damaged or unwritten, where the recorder's
// clock jumped back or paused, which units were over-long or dropped, and
// unit counts per channel. Units can be handed to a UnitSink of the caller
// (to parse or decode pictures) as they are cut.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "recording/recording_index.h"
#include "recording/unit_counter.h"
#include "recording/unit_cutter.h"

namespace marlow {

// A run of consecutive blocks of one kind that are not valid.
struct Stretch {
  BlockState kind = BlockState::kDamaged;
  uint64_t firstBlock = 0;
  uint64_t blocks = 0;
  // Times of the nearest valid blocks before and after (when there are).
  bool haveBefore = false, haveAfter = false;
  uint32_t timeBefore = 0, timeAfter = 0;
};

struct TimeEvent {
  bool backward = false;  // false: a forward gap over the threshold
  uint64_t block = 0;     // the valid block whose time jumped
  uint32_t from = 0, to = 0;
};

struct UnitProblem {
  bool overLong = false;  // false: dropped at a broken stream
  uint64_t start = 0;     // file offset of its start code
  uint8_t code = 0;
  uint64_t bytes = 0;            // its length (over-long) or bytes before the break
  bool beforeUnwritten = false;  // dropped where unwritten blocks follow
};

struct DamageReport {
  // Lists keep at most this many entries; the counts go on.
  static constexpr size_t kMaxListed = 1000;

  uint64_t size = 0, blocks = 0;
  uint64_t tailBytes = 0;  // bytes after the last whole block (not read)
  uint64_t valid = 0, damaged = 0, unwritten = 0;
  uint64_t unreadable = 0;  // blocks past a read error (the pass stops there)
  bool haveTime = false;
  uint32_t firstTime = 0, lastTime = 0, minTime = 0, maxTime = 0;
  uint16_t channelMask = 0;  // union of the masks of valid blocks
  int frameSkipMin = -1, frameSkipMax = -1;

  std::vector<Stretch> stretches;
  uint64_t damagedStretches = 0, unwrittenStretches = 0;
  std::vector<TimeEvent> timeEvents;
  uint64_t backwardJumps = 0, gaps = 0;
  std::vector<UnitProblem> unitProblems;
  uint64_t overLongUnits = 0, droppedUnits = 0, droppedBeforeUnwritten = 0;
  bool endsInsideUnit = false;  // the last unit is never completed (normal)

  uint64_t pictures[16] = {}, fullPictures[16] = {};
  uint64_t audioUnits[4] = {}, audioBytes[4] = {};
};

class DamageScan : private UnitSink {
 public:
  // gapSeconds: forward time steps larger than this are listed as gaps.
  // units: also receives every unit (may be null).
  DamageScan(RecordingIndex& index, uint32_t gapSeconds, UnitSink* units);

  // progress(done, total) is called after each chunk (may be empty).
  // Returns 1, or 0 when the recording could not be read to its end (the
  // report then covers what was read; `unreadable` counts the rest).
  int Run(DamageReport* report, const std::function<void(uint64_t, uint64_t)>& progress = {});

  // Units found by UnitCounter instead of cut by UnitCutter: they reach the
  // sink with data null and headerParses set, for sinks that need no unit
  // bytes; several times faster. The report is the same either way.
  void SetCountOnly(bool on) { countOnly_ = on; }

 private:
  void OnUnit(const CutUnit& unit) override;
  void OnDropped(uint64_t start, uint8_t code, uint64_t bytes) override;
  void Visit(uint64_t block, BlockState state, const BlockHeader& h, const uint8_t* data);
  void CloseStretch(bool haveAfter, uint32_t after);

  RecordingIndex& index_;
  const uint32_t gapSeconds_;
  UnitSink* units_;
  UnitCutter cutter_;
  UnitCounter counter_;
  bool countOnly_ = false;
  DamageReport* report_ = nullptr;
  // Blocks read at a time: 128 KiB stay in the core's cache from the read's
  // copy to the scan (4 MiB chunks cost more in the copy than the scan).
  static constexpr size_t kScanChunkBlocks = 32;
  ReadBuffer chunk_;  // kScanChunkBlocks blocks
  // The open stretch of non-valid blocks, and the last valid block time.
  bool inStretch_ = false;
  Stretch open_;
  bool havePrev_ = false;
  uint32_t prevTime_ = 0;
};

}  // namespace marlow
