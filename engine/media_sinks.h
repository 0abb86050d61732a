// The two narrow doors through which the engine hands out what it decodes:
// the video display and the sound output. The Windows build plugs in the real
// display window and wave output device; tests and the headless player plug
// in their own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "recording/time_record.h"

namespace marlow {

// What the engine asks of the video display. ShowPicture runs on the engine
// thread; the rest on the user-interface thread.
class PictureSink {
 public:
  virtual ~PictureSink() = default;
  // planes: Y (width x height) then Cb and Cr (width/2 x height/2). The sink
  // copies what it keeps; the buffer is reused for the next picture.
  virtual void ShowPicture(int channel, const TimeRecord& time, const uint8_t* planes, int width,
                           int height) = 0;
  virtual void SetChannelCount(int count) = 0;
  virtual void SetCaptionEnabled(int on) = 0;
  virtual void SetDirectDraw(int on) = 0;
  virtual void ClearPictures() = 0;
  // The channel shown alone in the whole window, or -1 when several panes show.
  virtual int SingleChannel() const = 0;
};

// What the engine asks of the sound output. Everything but volume runs on the
// engine thread.
class SoundSink {
 public:
  virtual ~SoundSink() = default;
  virtual int Open(int rate, int bits) = 0;
  virtual void ResetRing(int rate, int bits) = 0;
  virtual int StartLoop() = 0;
  // 1 when the bytes were taken, 0 when the ring has no room (try later).
  virtual int WriteRaw(const uint8_t* bytes, size_t n) = 0;
  virtual int WriteALaw(const uint8_t* codes, size_t n) = 0;
  virtual int Pace() = 0;
};

}  // namespace marlow
