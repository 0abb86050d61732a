#include "recording/recording_writer.h"

#include <cstring>
#include <ctime>

#include "recording/block_format.h"

namespace marlow {

namespace {

// Whole units are staged and written in pieces of this size (plus one block
// header), so a failing write never leaves bytes of a later unit behind.
constexpr size_t kStageBytes = 32768;

bool FullPictureFlagInByte3(int variant) {
  return variant == 1 || variant == 3 || variant == 4 || variant == 5;
}

}  // namespace

RecordingWriter::RecordingWriter() : stage_(kStageBytes + kBlockHeaderSize) {
  clock_ = [] { return static_cast<uint32_t>(std::time(nullptr)); };
}

int RecordingWriter::Setup(int sourceVariant, int targetVariant, int channelCount) {
  std::lock_guard<std::mutex> hold(lock_);
  sourceVariant_ = sourceVariant;
  targetVariant_ = targetVariant;
  channelCount_ = channelCount;
  return 1;
}

void RecordingWriter::SetClock(Clock clock) {
  std::lock_guard<std::mutex> hold(lock_);
  clock_ = std::move(clock);
}

int RecordingWriter::StartRecording(const char* path) {
  std::lock_guard<std::mutex> hold(lock_);
  if (IsRecording()) return 0;
  total_ = 0;
  started_ = false;
  if (!file_.Create(path)) return 0;
  writeFailed_.store(false, std::memory_order_relaxed);
  recording_.store(true, std::memory_order_relaxed);
  return 1;
}

int RecordingWriter::StopRecording() {
  std::lock_guard<std::mutex> hold(lock_);
  if (!IsRecording()) return 0;
  const size_t rest = static_cast<size_t>(total_ % kBlockSize);
  bool ok = true;
  if (rest != 0) {
    std::memset(stage_.data(), 0, kBlockSize - rest);
    ok = file_.Write(stage_.data(), kBlockSize - rest);
    if (ok) total_ += kBlockSize - rest;
  }
  file_.Close();
  recording_.store(false, std::memory_order_relaxed);
  if (!ok) writeFailed_.store(true, std::memory_order_relaxed);
  return 1;
}

void RecordingWriter::Stage(const uint8_t* bytes, size_t n) {
  while (n > 0 && !stageFailed_) {
    if (total_ % kBlockSize == 0) {
      if (staged_ + kBlockHeaderSize > stage_.size() && !Flush()) return;
      BuildBlockHeader(clock_(), 1, static_cast<uint8_t>(frameSkip_ & 0x7F),
                       stage_.data() + staged_);
      staged_ += kBlockHeaderSize;
      total_ += kBlockHeaderSize;
    }
    if (staged_ == stage_.size() && !Flush()) return;
    size_t take = kBlockSize - static_cast<size_t>(total_ % kBlockSize);
    if (take > n) take = n;
    if (take > stage_.size() - staged_) take = stage_.size() - staged_;
    std::memcpy(stage_.data() + staged_, bytes, take);
    staged_ += take;
    total_ += take;
    bytes += take;
    n -= take;
  }
}

bool RecordingWriter::Flush() {
  if (staged_ == 0) return true;
  const bool ok = file_.Write(stage_.data(), staged_);
  staged_ = 0;
  if (!ok) stageFailed_ = true;
  return ok;
}

void RecordingWriter::Fail() {
  // Nothing more is written: the file ends with what reached it, at worst a
  // piece of the last unit, which no reader returns (no start code ends it).
  file_.Close();
  recording_.store(false, std::memory_order_relaxed);
  writeFailed_.store(true, std::memory_order_relaxed);
}

int RecordingWriter::WriteVideo(uint8_t* unit, size_t length) {
  std::lock_guard<std::mutex> hold(lock_);
  if (!IsRecording() || length < 7) return 0;
  const bool full =
      FullPictureFlagInByte3(sourceVariant_) ? (unit[3] & 0x01) != 0 : (unit[4] & 0x80) != 0;
  if (full) started_ = true;
  if (sourceVariant_ == 2) {
    previousSequence_ = lastSequence_;
    lastSequence_ = static_cast<uint16_t>(unit[5] << 8 | unit[6]);
    // A wrapped sequence counts as no skip.
    const int d = lastSequence_ >= previousSequence_ ? lastSequence_ - previousSequence_ : -1;
    frameSkip_ = d > 1 ? d - 1 : 0;
  }
  if (FullPictureFlagInByte3(targetVariant_)) {
    // Byte 3 follows the live full-picture bit both ways, so an update
    // picture marked F9 is never recorded as a full one.
    unit[3] = (unit[4] & 0x80) ? 0xF9 : 0xF8;
    // Quantiser scale to bits 7..4, the old bits 2..0 doubled to the channel.
    unit[4] = static_cast<uint8_t>(unit[4] << 1);
    if (channelCount_ == 16) {
      unit[4] &= 0xF0;
      unit[5] &= 0x07;
    }
  }
  if (!started_) return 0;
  stageFailed_ = false;
  Stage(unit, length);
  if (stageFailed_ || !Flush()) {
    Fail();
    return 0;
  }
  return 1;
}

int RecordingWriter::WriteAudio(const uint8_t* payload, size_t length) {
  std::lock_guard<std::mutex> hold(lock_);
  if (!IsRecording() || !started_) return 0;
  // Start code of audio channel 0 and two head bytes, which readers skip
  // with the start code, so every recorded sample plays back.
  static const uint8_t kHead[kAudioHeadBytes] = {0, 0, 1, 0xFA, 0, 0};
  stageFailed_ = false;
  Stage(kHead, sizeof kHead);
  Stage(payload, length);
  if (stageFailed_ || !Flush()) {
    Fail();
    return 0;
  }
  return 1;
}

}  // namespace marlow
