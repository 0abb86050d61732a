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
    : video_queue_(video),
      audio_queue_(audio),
      sink_(messages),
      video_info_(VideoInfo()),
      video_(new uint8_t[kParserVideoBufferSize]()),
      audio_(new uint8_t[kParserAudioBufferSize]()),
      message_(new uint8_t[kParserMessageBufferSize]()),
      reference_only_(EnvironmentForcesReference()) {
  video_[2] = 1;
  video_[3] = kStartVideoCodeDefault;
  message_[2] = 1;
  message_[3] = kStartMessage;
}

void LiveUnitParser::DropPartialUnits() {
  window_ = 0xFFFFFFFFu;
  mode_ = previous_mode_ = kNothing;
  video_count_ = 0;
  video_open_ = 0;
  video_flush_ = false;
  video_code_ = kStartVideoCodeDefault;
  video_[3] = kStartVideoCodeDefault;
  audio_count_ = 0;
  audio_skip_ = 0;
  audio_open_ = 0;
  audio_flush_ = false;
  message_count_ = 0;
  message_length_ = 0;
}

void LiveUnitParser::PushVideo() {
  // video_count_ includes the four bytes of the start code that ended the
  // unit; pushing from the unit's own start code with that length gives
  // exactly the start code and the payload.
  video_queue_->Push(video_.get(), PushLength(video_count_), video_info_);
  video_count_ = 0;
  video_flush_ = false;
  if (video_open_ > 0) --video_open_;
  video_[3] = video_code_;
}

void LiveUnitParser::PushAudio() {
  if (audio_count_ >= 4) audio_count_ -= 4;  // the start code that ended the unit
  audio_queue_->Push(audio_.get(), PushLength(audio_count_), UnitInfo());
  audio_count_ = 0;
  audio_skip_ = 0;
  audio_flush_ = false;
  if (audio_open_ > 0) --audio_open_;
}

void LiveUnitParser::StoreMessageByte(uint8_t b) {
  if (message_count_ < kParserMessageBufferSize) message_[message_count_] = b;
  ++message_count_;
  if (message_count_ == 8) message_length_ = ReadHexField(message_.get(), 8, 4);
  if (message_count_ >= 8 && message_count_ >= message_length_) {
    mode_ = previous_mode_;
    if (message_length_ <= kParserMessageBufferSize) {
      if (sink_ != nullptr) sink_->OnLiveMessage(message_.get(), message_length_);
    } else {
      ++skipped_messages_;
    }
    message_count_ = 4;
  }
}

// The reference: the steps for one byte, in their order.
void LiveUnitParser::Step(uint8_t b) {
  window_ = window_ << 8 | b;
  if (video_flush_) PushVideo();
  if (audio_flush_) PushAudio();

  switch (mode_) {
    case kVideo:
      if (video_open_ > 0) {
        if (video_count_ < kParserVideoBufferSize - 4) video_[4 + video_count_] = b;
        ++video_count_;
      }
      break;
    case kAudio:
      if (audio_open_ > 0) {
        if (audio_count_ < kParserAudioBufferSize) audio_[audio_count_] = b;
        // The two head bytes after the start code are written and then
        // overwritten by the first samples.
        if (audio_skip_ < 2) {
          ++audio_skip_;
        } else {
          ++audio_count_;
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
    // The byte joins videoBuffer[3] once the previous unit is pushed.
    video_code_ = code;
    if (video_open_ != 0) {
      video_flush_ = true;
    } else {
      video_[3] = code;
    }
    if (audio_open_ != 0) audio_flush_ = true;
    ++video_open_;
    previous_mode_ = mode_;
    mode_ = kVideo;
  } else if (code == kStartAudio) {
    if (audio_open_ != 0) audio_flush_ = true;
    if (video_open_ != 0) video_flush_ = true;
    ++audio_open_;
    previous_mode_ = mode_;
    mode_ = kAudio;
  } else if (code == kStartMessage) {
    if (mode_ != kMessage) {
      previous_mode_ = mode_;
      mode_ = kMessage;
      message_count_ = 4;
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
  if (video_flush_ || audio_flush_ || (window_ & 0xFF) == 0x01) return 0;
  if (mode_ == kMessage || (mode_ == kAudio && audio_open_ > 0 && audio_skip_ < 2)) return 0;
  const void* one = std::memchr(bytes, 0x01, count);
  const size_t run =
      one ? static_cast<size_t>(static_cast<const uint8_t*>(one) - bytes) + 1 : count;
  if (run < 8) return 0;  // not worth it

  if (mode_ == kVideo && video_open_ > 0) {
    const uint64_t room = kParserVideoBufferSize - 4;
    if (video_count_ < room) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(run, room - video_count_));
      std::memcpy(video_.get() + 4 + video_count_, bytes, n);
    }
    video_count_ += run;
  } else if (mode_ == kAudio && audio_open_ > 0) {
    if (audio_count_ < kParserAudioBufferSize) {
      const size_t n =
          static_cast<size_t>(std::min<uint64_t>(run, kParserAudioBufferSize - audio_count_));
      std::memcpy(audio_.get() + audio_count_, bytes, n);
    }
    audio_count_ += run;
  }
  // run >= 8: the window is the run's last four bytes.
  const uint8_t* last = bytes + run - 4;
  window_ = uint32_t{last[0]} << 24 | uint32_t{last[1]} << 16 | uint32_t{last[2]} << 8 | last[3];
  return run;
}

void LiveUnitParser::Parse(const uint8_t* bytes, size_t count) {
  size_t i = 0;
  while (i < count) {
    if (!reference_only_) {
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
