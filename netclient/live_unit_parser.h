// Cuts the recorder's live stream into units, one byte at a time and across
// receive boundaries. Video units (00 00 01 F8/F9) go whole, start code
// included, into the video queue; audio units (00 00 01 FA) go into the audio
// queue as their samples only (start code and two head bytes removed);
// messages (00 00 01 FE) go to a sink. The parser keeps its state between
// Parse calls; the network client drops a partial unit when a new connection
// begins (DropPartialUnits).
//
// What consumers see, from the order of the steps in Parse:
// - a unit is pushed when the byte after the next video or audio start code
//   arrives, so the last unit before a pause waits for the stream to go on;
//   bytes before the first video or audio start code are ignored;
// - a message inside a unit is taken out of it, except its own four start
//   code bytes, which stay in the unit; the unit then continues;
// - a video unit longer than 131072 bytes (start code included) or an audio
//   unit of more than 4096 samples is dropped by the queue; its bytes past
//   the parser's buffer are counted but never stored;
// - a message is handed on only when it fits the 1024-byte message buffer;
//   a longer length field makes the parser skip the message to its declared
//   end without storing past the buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "netclient/protocol.h"
#include "netclient/unit_queue.h"

namespace marlow {

// Receives each complete message of the stream: bytes from its start code on,
// length = the message's length field (which may be shorter than the fields
// its code needs; see ReadStreamMessage). Called on the parser's thread.
class LiveMessageSink {
 public:
  virtual void OnLiveMessage(const uint8_t* bytes, size_t length) = 0;

 protected:
  ~LiveMessageSink() = default;
};

constexpr size_t kParserVideoBufferSize = 131072;
constexpr size_t kParserAudioBufferSize = 4096;
constexpr size_t kParserMessageBufferSize = 1024;

class LiveUnitParser {
 public:
  // The queues and the sink must outlive the parser; messages may be null.
  LiveUnitParser(UnitQueue* video, UnitQueue* audio, LiveMessageSink* messages);
  LiveUnitParser(const LiveUnitParser&) = delete;
  LiveUnitParser& operator=(const LiveUnitParser&) = delete;

  // Consumes count received bytes.
  void Parse(const uint8_t* bytes, size_t count);
  // Forgets the unit and the message being collected, as if nothing had been
  // received yet; queued units stay. Called when a new connection begins, so
  // that a unit cut off by a lost connection is never completed with the
  // bytes of the next one.
  void DropPartialUnits();

  // true: every byte goes through the plain per-byte steps. false: runs of
  // unit bytes that cannot end in a start code are copied in one go. Both
  // give the same units, messages and state. A new parser starts with the
  // fast path unless MARLOW_FORCE_REFERENCE is set to something other than
  // "" or "0".
  void SetReferenceOnly(bool on) { referenceOnly_ = on; }

  // The info record of every live video entry: 2006-01-01 10:00:00, the value
  // at record offset 24 is 1, everything else 0.
  static UnitInfo VideoInfo();
  // Messages skipped because their length field exceeded the message buffer.
  uint64_t SkippedMessages() const { return skippedMessages_; }

 private:
  static constexpr uint8_t kStartVideoCodeDefault = 0xF8;  // before the first unit
  enum Mode : uint8_t { kNothing = 0, kVideo = 1, kAudio = 2, kMessage = 3 };

  void Step(uint8_t b);
  size_t CopyRun(const uint8_t* bytes, size_t count);
  void PushVideo();
  void PushAudio();
  void StoreMessageByte(uint8_t b);

  UnitQueue* videoQueue_;
  UnitQueue* audioQueue_;
  LiveMessageSink* sink_;
  const UnitInfo videoInfo_;

  uint32_t window_ = 0xFFFFFFFFu;  // last four bytes, first most significant
  Mode mode_ = kNothing, previousMode_ = kNothing;

  std::unique_ptr<uint8_t[]> video_;  // 00 00 01 xx, then the unit's bytes
  uint64_t videoCount_ = 0;           // bytes after the start code, stored or not
  uint32_t videoOpen_ = 0;
  bool videoFlush_ = false;
  uint8_t videoCode_ = kStartVideoCodeDefault;  // start-code byte of the newest unit

  std::unique_ptr<uint8_t[]> audio_;
  uint64_t audioCount_ = 0;
  uint32_t audioSkip_ = 0;
  uint32_t audioOpen_ = 0;
  bool audioFlush_ = false;

  std::unique_ptr<uint8_t[]> message_;  // 00 00 01 FE, then the message
  uint32_t messageCount_ = 0;           // bytes of the message, start code included
  uint32_t messageLength_ = 0;
  uint64_t skippedMessages_ = 0;
  bool referenceOnly_ = false;
};

}  // namespace marlow
