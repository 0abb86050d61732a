#include "netclient/live_unit_parser.h"

#include <cstring>

#include "netclient/protocol.h"

namespace marlow {

namespace {

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
      message_(new uint8_t[kParserMessageBufferSize]()) {
  video_[2] = 1;
  video_[3] = kStartVideoCodeDefault;
  message_[2] = 1;
  message_[3] = kStartMessage;
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

void LiveUnitParser::Parse(const uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const uint8_t b = bytes[i];
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

    if ((window_ & 0xFFFFFF00u) != 0x00000100u) continue;
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
}

}  // namespace marlow
