#include "recording/damage_scan.h"

#include <algorithm>

namespace marlow {

DamageScan::DamageScan(RecordingIndex& index, uint32_t gapSeconds, UnitSink* units)
    : index_(index),
      gapSeconds_(gapSeconds),
      units_(units),
      cutter_(this),
      counter_(this),
      chunk_(kScanChunkBlocks * kBlockSize) {}

void DamageScan::OnUnit(const CutUnit& u) {
  DamageReport& r = *report_;
  if (u.bytes > kMaxUnitBytes) {
    ++r.overLongUnits;
    if (r.unitProblems.size() < DamageReport::kMaxListed)
      r.unitProblems.push_back({true, u.start, u.code, u.bytes, false});
  }
  if (u.kind == UnitKind::kVideo) {
    ++r.pictures[u.channel];
    if (u.code == 0xF9) ++r.fullPictures[u.channel];
  } else {
    ++r.audioUnits[u.channel];
    r.audioBytes[u.channel] += u.length;
  }
  if (units_) units_->OnUnit(u);
}

void DamageScan::OnDropped(uint64_t start, uint8_t code, uint64_t bytes) {
  DamageReport& r = *report_;
  const bool unwritten = open_.kind == BlockState::kUnwritten;
  if (unwritten) {
    ++r.droppedBeforeUnwritten;
  } else {
    ++r.droppedUnits;
  }
  if (r.unitProblems.size() < DamageReport::kMaxListed)
    r.unitProblems.push_back({false, start, code, bytes, unwritten});
  if (units_) units_->OnDropped(start, code, bytes);
}

void DamageScan::CloseStretch(bool haveAfter, uint32_t after) {
  if (!inStretch_) return;
  inStretch_ = false;
  open_.haveAfter = haveAfter;
  open_.timeAfter = after;
  DamageReport& r = *report_;
  if (open_.kind == BlockState::kDamaged) {
    ++r.damagedStretches;
  } else {
    ++r.unwrittenStretches;
  }
  if (r.stretches.size() < DamageReport::kMaxListed) r.stretches.push_back(open_);
}

void DamageScan::Visit(uint64_t block, BlockState state, const BlockHeader& h,
                       const uint8_t* data) {
  DamageReport& r = *report_;
  if (state != BlockState::kValid) {
    if (state == BlockState::kDamaged) {
      ++r.damaged;
    } else {
      ++r.unwritten;
    }
    if (inStretch_ && open_.kind == state) {
      ++open_.blocks;
      return;
    }
    CloseStretch(havePrev_, prevTime_);
    inStretch_ = true;
    open_ = Stretch{state, block, 1, havePrev_, false, prevTime_, 0};
    countOnly_ ? counter_.Break() : cutter_.Break();
    return;
  }
  ++r.valid;
  CloseStretch(true, h.time);
  if (!r.haveTime) {
    r.haveTime = true;
    r.firstTime = r.minTime = r.maxTime = h.time;
  }
  r.lastTime = h.time;
  r.minTime = std::min(r.minTime, h.time);
  r.maxTime = std::max(r.maxTime, h.time);
  r.channelMask |= h.channelMask;
  if (r.frameSkipMin < 0 || h.frameSkip < r.frameSkipMin) r.frameSkipMin = h.frameSkip;
  if (h.frameSkip > r.frameSkipMax) r.frameSkipMax = h.frameSkip;
  if (havePrev_ && (h.time < prevTime_ || h.time - prevTime_ > gapSeconds_)) {
    const bool back = h.time < prevTime_;
    ++(back ? r.backwardJumps : r.gaps);
    if (r.timeEvents.size() < DamageReport::kMaxListed)
      r.timeEvents.push_back({back, block, prevTime_, h.time});
  }
  havePrev_ = true;
  prevTime_ = h.time;
  if (countOnly_) {
    counter_.FeedBlock(data, block, h);
  } else {
    cutter_.FeedBlock(data, block, h);
  }
}

int DamageScan::Run(DamageReport* report, const std::function<void(uint64_t, uint64_t)>& progress) {
  *report = DamageReport{};
  inStretch_ = false;
  havePrev_ = false;
  cutter_.Reset();
  counter_.Reset();
  report_ = report;
  DamageReport& r = *report;
  r.size = index_.Size();
  r.blocks = index_.Blocks();
  r.tailBytes = r.size % kBlockSize;
  BlockHeader h;
  int ok = 1;
  for (uint64_t b = 0; b < r.blocks;) {
    // Holes of a sparse image are unwritten blocks, counted without reading.
    const uint64_t data = index_.NextDataBlock(b, r.blocks);
    if (data > b) {
      Visit(b, BlockState::kUnwritten, h, nullptr);
      const uint64_t more = data - b - 1;
      open_.blocks += more;
      r.unwritten += more;
      b = data;
      continue;
    }
    const size_t want = static_cast<size_t>(std::min<uint64_t>(kScanChunkBlocks, r.blocks - b));
    const size_t got = index_.ReadBlocks(b, want, chunk_.data());
    for (size_t i = 0; i < got; ++i) {
      const uint8_t* blk = chunk_.data() + i * kBlockSize;
      Visit(b + i, ClassifyBlock(blk, &h), h, blk);
    }
    b += got;
    if (progress) progress(b, r.blocks);
    if (got < want) {
      r.unreadable = r.blocks - b;
      ok = 0;
      break;
    }
  }
  CloseStretch(false, 0);
  r.endsInsideUnit = countOnly_ ? counter_.Collecting() : cutter_.Collecting();
  report_ = nullptr;
  return ok;
}

}  // namespace marlow
