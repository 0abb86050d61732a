#include "netclient/live_unit_parser.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "netclient/protocol.h"

namespace marlow {

namespace {

bool EnvironmentForcesReference() {
  const char* value = std::getenv("MARLOW_FORCE_REFERENCE");
  return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

uint32_t PushLength(uint64_t count) {
  // Saturates: a unit that long is refused by the queue as over-long.
  return count > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(count);
}

}  // namespace

UnitInfo LiveUnitParser::VideoInfo() {
  UnitInfo info;
  info.time.year = 2006;
  info.time.month = 1;
  info.time.day = 1;
  info.time.hour = 10;
  info.extra[0] = 0;  // record offset 16
  info.extra[4] = 1;  // record offset 24
  return info;
}

LiveUnitParser::LiveUnitParser(UnitQueue* video, UnitQueue* audio, LiveMessageSink* messages)
    : videoQueue_(video),
      audioQueue_(audio),
      sink_(messages),
      videoInfo_(VideoInfo()),
      video_(new uint8_t[kParserVideoBufferSize]()),
      audio_(new uint8_t[kParserAudioBufferSize]()),
      message_(new uint8_t[kParserMessageBufferSize]()),
      referenceOnly_(EnvironmentForcesReference()) {
  video_[2] = 1;
  video_[3] = kStartVideoCodeDefault;
  message_[2] = 1;
  message_[3] = kStartMessage;
}

void LiveUnitParser::DropPartialUnits() {
  window_ = 0xFFFFFFFFu;
  mode_ = previousMode_ = kNothing;
  videoCount_ = 0;
  videoOpen_ = 0;
  videoFlush_ = false;
  videoCode_ = kStartVideoCodeDefault;
  video_[3] = kStartVideoCodeDefault;
  audioCount_ = 0;
  audioSkip_ = 0;
  audioOpen_ = 0;
  audioFlush_ = false;
  messageCount_ = 0;
  messageLength_ = 0;
}

void LiveUnitParser::PushVideo() {
  // videoCount_ includes the four bytes of the start code that ended the
  // unit; pushing from the unit's own start code with that length gives
  // exactly the start code and the payload.
  videoQueue_->Push(video_.get(), PushLength(videoCount_), videoInfo_);
  videoCount_ = 0;
  videoFlush_ = false;
  if (videoOpen_ > 0) --videoOpen_;
  video_[3] = videoCode_;
}

void LiveUnitParser::PushAudio() {
  if (audioCount_ >= 4) audioCount_ -= 4;  // the start code that ended the unit
  audioQueue_->Push(audio_.get(), PushLength(audioCount_), UnitInfo());
  audioCount_ = 0;
  audioSkip_ = 0;
  audioFlush_ = false;
  if (audioOpen_ > 0) --audioOpen_;
}

void LiveUnitParser::StoreMessageByte(uint8_t b) {
  if (messageCount_ < kParserMessageBufferSize) message_[messageCount_] = b;
  ++messageCount_;
  if (messageCount_ == 8) messageLength_ = ReadHexField(message_.get(), 8, 4);
  if (messageCount_ >= 8 && messageCount_ >= messageLength_) {
    mode_ = previousMode_;
    if (messageLength_ <= kParserMessageBufferSize) {
      if (sink_ != nullptr) sink_->OnLiveMessage(message_.get(), messageLength_);
    } else {
      ++skippedMessages_;
    }
    messageCount_ = 4;
  }
}

// The reference: the steps for one byte, in their order.
void LiveUnitParser::Step(uint8_t b) {
  window_ = window_ << 8 | b;
  if (videoFlush_) PushVideo();
  if (audioFlush_) PushAudio();

  switch (mode_) {
    case kVideo:
      if (videoOpen_ > 0) {
        if (videoCount_ < kParserVideoBufferSize - 4) video_[4 + videoCount_] = b;
        ++videoCount_;
      }
      break;
    case kAudio:
      if (audioOpen_ > 0) {
        if (audioCount_ < kParserAudioBufferSize) audio_[audioCount_] = b;
        // The two head bytes after the start code are written and then
        // overwritten by the first samples.
        if (audioSkip_ < 2) {
          ++audioSkip_;
        } else {
          ++audioCount_;
        }
      }
      break;
    case kMessage:
      StoreMessageByte(b);
      break;
    case kNothing:
      break;
  }

  if ((window_ & 0xFFFFFF00u) != 0x00000100u) return;
  const uint8_t code = static_cast<uint8_t>(window_);
  if (code == kStartVideoUpdate || code == kStartVideoFull) {
    // The code becomes byte 3 of video_ (the unit's own start code) now when
    // no unit is open, else once the unit before it has been pushed.
    videoCode_ = code;
    if (videoOpen_ != 0) {
      videoFlush_ = true;
    } else {
      video_[3] = code;
    }
    if (audioOpen_ != 0) audioFlush_ = true;
    ++videoOpen_;
    previousMode_ = mode_;
    mode_ = kVideo;
  } else if (code == kStartAudio) {
    if (audioOpen_ != 0) audioFlush_ = true;
    if (videoOpen_ != 0) videoFlush_ = true;
    ++audioOpen_;
    previousMode_ = mode_;
    mode_ = kAudio;
  } else if (code == kStartMessage) {
    if (mode_ != kMessage) {
      previousMode_ = mode_;
      mode_ = kMessage;
      messageCount_ = 4;
    }
  }
}

// The fast path. A start code completes only on a byte that follows 01, so
// from a position whose previous byte is not 01, every byte up to and
// including the next 01 leaves mode and flags alone: in video, audio past its
// head bytes and before any unit, the steps for such a run reduce to storing
// what fits, counting all of it and keeping the last four bytes in the
// window. Returns the bytes consumed; 0 when the per-byte steps must run.
size_t LiveUnitParser::CopyRun(const uint8_t* bytes, size_t count) {
  if (videoFlush_ || audioFlush_ || (window_ & 0xFF) == 0x01) return 0;
  if (mode_ == kMessage || (mode_ == kAudio && audioOpen_ > 0 && audioSkip_ < 2)) return 0;
  const void* one = std::memchr(bytes, 0x01, count);
  const size_t run =
      one ? static_cast<size_t>(static_cast<const uint8_t*>(one) - bytes) + 1 : count;
  if (run < 8) return 0;  // not worth it

  if (mode_ == kVideo && videoOpen_ > 0) {
    const uint64_t room = kParserVideoBufferSize - 4;
    if (videoCount_ < room) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(run, room - videoCount_));
      std::memcpy(video_.get() + 4 + videoCount_, bytes, n);
    }
    videoCount_ += run;
  } else if (mode_ == kAudio && audioOpen_ > 0) {
    if (audioCount_ < kParserAudioBufferSize) {
      const size_t n =
          static_cast<size_t>(std::min<uint64_t>(run, kParserAudioBufferSize - audioCount_));
      std::memcpy(audio_.get() + audioCount_, bytes, n);
    }
    audioCount_ += run;
  }
  // run >= 8: the window is the run's last four bytes.
  const uint8_t* last = bytes + run - 4;
  window_ = uint32_t{last[0]} << 24 | uint32_t{last[1]} << 16 | uint32_t{last[2]} << 8 | last[3];
  return run;
}

void LiveUnitParser::Parse(const uint8_t* bytes, size_t count) {
  size_t i = 0;
  while (i < count) {
    if (!referenceOnly_) {
      const size_t run = CopyRun(bytes + i, count - i);
      if (run != 0) {
        i += run;
        continue;
      }
    }
    Step(bytes[i]);
    ++i;
  }
}

}  // namespace marlow
