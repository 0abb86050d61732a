// Records live units into a recording file in the block format, so that the
// file plays back like any recording.
//
// Live pictures arrive in the live header layout and live sound without its
// unit head; the writer turns both into recording units and lays them into
// blocks whose headers carry the current time, channel mask 1 and the frame
// skip measured from the pictures' sequence numbers. Nothing is written until
// the first full picture after StartRecording.
//
// Calendar breakdowns of block times are done by our own zero-offset
// arithmetic (block_format.h), so unlike a writer that relies on the C
// runtime's local time, this one needs no process-wide time-zone setting.
//
// Threads: WriteVideo and WriteAudio run on the engine thread; StartRecording,
// StopRecording and IsRecording may be called from the user-interface thread
// meanwhile. One lock keeps a stop from closing the file under a write.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/file.h"

namespace marlow {

class RecordingWriter {
 public:
  // Seconds since 1970 for block headers; tests inject their own.
  using Clock = std::function<uint32_t()>;

  RecordingWriter();
  RecordingWriter(const RecordingWriter&) = delete;
  RecordingWriter& operator=(const RecordingWriter&) = delete;

  // sourceVariant: stream variant of the live units (2 for the live layout);
  // targetVariant: that of the file (4); channelCount: the recorder's.
  int Setup(int sourceVariant, int targetVariant, int channelCount);
  void SetClock(Clock clock);

  // Creates (replaces) the file. 0 when already recording or it cannot be
  // created.
  int StartRecording(const char* path);
  // One live picture from its start code on (at least 7 bytes). Its header
  // bytes are rewritten in place to the recording layout. 1 when written.
  int WriteVideo(uint8_t* unit, size_t length);
  // One live audio payload (samples only). 1 when written.
  int WriteAudio(const uint8_t* payload, size_t length);
  // Pads the last block with zeros and closes the file. 0 when not recording.
  int StopRecording();
  bool IsRecording() const { return recording_.load(std::memory_order_relaxed); }

  // True when the recording ended because a write failed (disk full, medium
  // removed): the file was closed, and everything up to the last unit that
  // reached the disk whole stays readable. Cleared by StartRecording.
  bool LastWriteFailed() const { return writeFailed_.load(std::memory_order_relaxed); }
  int FrameSkip() const { return frameSkip_; }
  uint64_t Total() const { return total_; }

 private:
  // Lays bytes into blocks in the staging buffer, headers included.
  void Stage(const uint8_t* bytes, size_t n);
  bool Flush();
  // Ends the recording after a failed write.
  void Fail();

  std::mutex lock_;
  Clock clock_;
  int sourceVariant_ = 2;
  int targetVariant_ = 4;
  int channelCount_ = 16;
  platform::File file_;
  std::atomic<bool> recording_{false};
  std::atomic<bool> writeFailed_{false};
  bool started_ = false;
  bool stageFailed_ = false;
  uint64_t total_ = 0;
  uint16_t previousSequence_ = 0;
  uint16_t lastSequence_ = 0;
  int frameSkip_ = 0;
  std::vector<uint8_t> stage_;
  size_t staged_ = 0;
};

}  // namespace marlow
