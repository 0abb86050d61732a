// The pictures and sound the recorder stand-in sends: synthetic cameras
// encoded in picture header layout 3 at 640 x 272, a 2 x 2 composite of
// cameras 1-4 for the split key, a simple menu drawn over the picture, and
// A-law tone units. Pictures are full after a change of view and every tenth
// time, updates otherwise; sequence numbers skip one now and then, as a
// recorder's do when it drops a picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "tools/encoder/picture_encoder.h"
#include "tools/encoder/synthetic_camera.h"

namespace marlow {

constexpr int kStandinWidth = 640;
constexpr int kStandinHeight = 272;
constexpr int kStandinCameras = 9;
constexpr size_t kStandinUnitCapacity = 131072;

class StandinPictures {
 public:
  StandinPictures();

  // View changes; the next picture is a full one.
  void SetCamera(int camera);
  void SetSplit(bool on);
  void SetMenu(bool open, int row);

  // The next video unit (start code on) into out (kStandinUnitCapacity
  // bytes); its length, or 0 when the encoder refused. Its sequence number
  // is the last one + NextAdvance(step).
  size_t NextPicture(uint8_t* out, int step = 1);
  // How far the next picture's sequence number moves on: step (the frame
  // skip + 1), or twice that now and then, as a recorder's numbers do when
  // it drops a picture. A recorder sends it as many picture intervals after
  // the last one.
  int NextAdvance(int step) const { return (drops_ && number_ % 7 == 6 ? 2 : 1) * step; }
  // Whether the numbers skip now and then (on by default).
  void SetDrops(bool on) { drops_ = on; }
  // The next audio unit: 00 00 01 FA, two head bytes, samples of a 440 Hz
  // tone at 8000 Hz (A-law, or unsigned 8-bit PCM when pcm8). Its length.
  size_t NextAudio(uint8_t* out, size_t samples, bool pcm8 = false);

  uint16_t LastSequence() const { return sequence_; }
  // The counter burnt into the last picture.
  uint32_t LastNumber() const { return number_ - 1; }

 private:
  void Compose(uint32_t number);

  std::vector<SyntheticCamera> cameras_;
  PictureEncoder encoder_;
  std::unique_ptr<uint8_t[]> yuv_;
  std::unique_ptr<uint8_t[]> scratch_;
  int camera_ = 0;
  bool split_ = false;
  bool menu_ = false;
  int menuRow_ = 0;
  bool forceFull_ = true;
  bool drops_ = true;
  uint32_t number_ = 0;
  uint16_t sequence_ = 0;
  uint32_t phase_ = 0;  // tone phase, in samples
};

// G.711 A-law of one 16-bit linear sample.
uint8_t LinearToALaw(int16_t sample);

}  // namespace marlow
