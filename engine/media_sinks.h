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
  // As ShowPicture, told where the picture may differ from the one last
  // shown for the channel: bit r of changedBands stands for rows 16r to
  // 16r + 15; the rows outside the set bands are the same bytes as before.
  // A sink may then convert only those bands. The default shows it whole.
  virtual void ShowPictureBands(int channel, const TimeRecord& time, const uint8_t* planes,
                                int width, int height, uint32_t changedBands) {
    (void)changedBands;
    ShowPicture(channel, time, planes, width, height);
  }
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
