// Test sound for recordings: 8-bit unsigned PCM at 8000 samples per second.
// Samples stay within 2..253 so that audio bytes can never form a unit start
// code 00 00 01 xx in the stream.
#pragma once

#include <cstddef>
#include <cstdint>

namespace marlow {

enum class TestSound { kSilence, kTone, kSpeech };

constexpr int kTestSoundRate = 8000;

// Fills samples [first, first + n) of the endless signal. The signal depends
// only on the kind and the sample index, so units can be made in any order.
// kTone: 440 Hz with a 1 kHz pip every second (counting seconds by ear).
// kSpeech: a voiced buzz with moving formants in syllable bursts of about
// 4 per second, with pauses, roughly the rhythm and spectrum of talk.
void RenderTestSound(TestSound kind, uint64_t first, uint8_t* out, size_t n);

}  // namespace marlow
