// The sound output of the viewer: the audio ring over the system's wave
// output device (the wave mapper). Windows builds only.
#pragma once

#include <memory>

#include "display/audio_ring.h"
#include "display/wave_device.h"

namespace marlow {

// The default wave output device: PCM mono, no callback, one looping buffer.
// Opening closes the device opened before (reset, buffer taken back), and so
// does destruction, so no device handle outlives its use.
std::unique_ptr<WaveDevice> CreateWaveOutDevice();

class AudioOutput final : public AudioRing {
 public:
  AudioOutput() : AudioRing(CreateWaveOutDevice()) {}
};

}  // namespace marlow
