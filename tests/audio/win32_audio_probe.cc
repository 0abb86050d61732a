// Plays known tones through the sound output and the real wave device, or
// checks a recording of what the device played.
//
//   audio_probe play         plays the tone sequence; checks in passing that
//                            the device pauses when the ring runs dry, holds
//                            still while paused and restarts on new sound
//   audio_probe check FILE   FILE: what was played, recorded as 16-bit mono
//                            at 8000 Hz; checks the tones came out as played
//
// The sequence: each tone lasts 1 s and is followed by 0.6 s of written
// silence, so what the ring holds back at a pause (up to 1023 bytes) and what
// the sound server still holds when the device pauses are silence. Between
// tones the writer stalls until the device has paused and then 0.4 s more: if
// the device kept looping over the ring, the stale tone would sound on and the
// recorded burst would be far longer than 1 s. After each Open the tone comes
// after 2 s of written silence: a newly opened device under Wine drops
// about the first 0.9 s it is given.
#include <cmath>
#include <cstdio>
#include <string_view>
#include <vector>

#include "codec/audio_coding.h"
#include "display/audio_output.h"
#include "platform/sync.h"
#include "tests/audio/tone.h"
#include "tests/audio/tone_analysis.h"

namespace marlow {
namespace {

using testing::Burst;

struct Segment {
  int bits;          // 16: A-law codes written; 8: 8-bit PCM written
  bool reopen;       // Open the device again before this tone
  int volume;        // SetVolume before the tone; -1 leaves it
  int mute;          // SetMute before the tone; -1 leaves it
  double frequency;  // Hz
  double amplitude;  // in 16-bit units as written (8-bit PCM: x 256)
  double heard;      // the amplitude expected in the recording; 0: silent
};

constexpr int kRate = 8000;
// Muted, the volume set meanwhile must not be heard; unmuted it is.
const Segment kSequence[] = {
    {16, true, 0xFFFF, -1, 1000, 8000, 8000},       {16, false, -1, -1, 440, 16000, 16000},
    {8, true, 0xFFFF, -1, 600, 64 * 256, 64 * 256}, {8, false, -1, 1, 600, 64 * 256, 0},
    {8, false, 0x8000, -1, 600, 64 * 256, 0},       {8, false, -1, 0, 300, 64 * 256, 32 * 256},
};

uint32_t g_start = 0;

void Log(const char* what, const AudioRing& out) {
  std::printf("%6u ms  %-28s written %8llu  queued %5llu  paused %d\n",
              platform::TickMs() - g_start, what, static_cast<unsigned long long>(out.Written()),
              static_cast<unsigned long long>(out.Buffered()), out.Paused());
}

uint64_t PlayPosition(const AudioRing& out) {
  return out.Written() - out.Buffered();
}

// Writes like the playback loop does: Pace every pass, 20 ms chunks, a
// refused chunk tried again 5 ms later. Returns 1 when all was written and
// notes whether the device was restarted on the way.
int Feed(AudioOutput& out, const std::vector<uint8_t>& data, bool alaw, bool* restarted) {
  const size_t chunk = kRate / 50;
  const uint32_t begin = platform::TickMs();
  for (size_t k = 0; k < data.size();) {
    const int wasPaused = out.Paused();
    out.Pace();
    if (wasPaused && !out.Paused()) {
      *restarted = true;
      Log("restarted", out);
    }
    const size_t n = data.size() - k < chunk ? data.size() - k : chunk;
    const int taken = alaw ? out.WriteALaw(data.data() + k, n) : out.WriteRaw(data.data() + k, n);
    if (taken) {
      k += n;
    } else {
      platform::SleepMs(5);
    }
    if (platform::TickMs() - begin > 10000) return 0;
  }
  return 1;
}

// Paces every millisecond until the device is paused; 1 when it was.
int WaitPaused(AudioOutput& out, uint32_t limitMs) {
  const uint32_t begin = platform::TickMs();
  while (platform::TickMs() - begin < limitMs) {
    out.Pace();
    if (out.Paused()) return 1;
    platform::SleepMs(1);
  }
  return 0;
}

// Paces for ms and reports whether the play position held still meanwhile.
int HoldsStill(AudioOutput& out, uint32_t ms) {
  out.Pace();
  const uint64_t at = PlayPosition(out);
  const uint32_t begin = platform::TickMs();
  int still = 1;
  while (platform::TickMs() - begin < ms) {
    out.Pace();
    if (PlayPosition(out) != at || !out.Paused()) still = 0;
    platform::SleepMs(1);
  }
  return still;
}

int Play() {
  AudioOutput out;
  g_start = platform::TickMs();
  int failures = 0;
  auto fail = [&](const char* what) {
    std::printf("FAILED: %s\n", what);
    ++failures;
  };
  for (const Segment& s : kSequence) {
    if (s.reopen) {
      if (!out.Open(kRate, s.bits)) return 1;
      if (!out.StartLoop()) return 1;
      if (!out.StartLoop()) fail("a second StartLoop on the looping device");
      Log("opened", out);
    }
    if (s.volume >= 0) out.SetVolume(s.volume);
    if (s.mute >= 0) out.SetMute(s.mute);
    const size_t lead = s.reopen ? kRate * 2 : 0, tone = kRate, tail = kRate * 3 / 5;
    // Silence: the A-law code nearest to 0, or the 8-bit midpoint.
    const uint8_t silence = s.bits == 16 ? 0xD5 : 0x80;
    std::vector<uint8_t> data(lead, silence);
    const std::vector<uint8_t> sound =
        s.bits == 16 ? testing::ALawTone(s.frequency, s.amplitude, kRate, tone)
                     : testing::Pcm8Tone(s.frequency, s.amplitude / 256, kRate, tone);
    data.insert(data.end(), sound.begin(), sound.end());
    data.resize(lead + tone + tail, silence);
    const uint64_t before = PlayPosition(out);
    bool restarted = false;
    if (!Feed(out, data, s.bits == 16, &restarted)) fail("the ring did not take the tone");
    Log("written", out);
    if (!s.reopen && !restarted && out.Paused()) fail("the paused device was not restarted");
    if (!WaitPaused(out, 4000)) fail("the device was not paused when the ring ran dry");
    Log("paused", out);
    const uint64_t played = PlayPosition(out) - before;
    const uint64_t expected = data.size() * (s.bits / 8);
    // All but what the ring holds back below the low-water mark.
    if (played + AudioRing::kLowWater < expected) fail("the device did not play the tone");
    if (!HoldsStill(out, 400)) fail("the paused device moved on");
    Log("held still", out);
  }
  out.SetMute(0);
  std::printf("%s\n", failures ? "play: FAILED" : "play: ok");
  return failures ? 1 : 0;
}

int Check(const char* path) {
  std::FILE* f = std::fopen(path, "rb");
  if (!f) {
    std::printf("cannot open %s\n", path);
    return 1;
  }
  std::vector<int16_t> samples;
  int16_t block[4096];
  size_t got;
  while ((got = std::fread(block, sizeof block[0], 4096, f)) > 0) {
    samples.insert(samples.end(), block, block + got);
  }
  std::fclose(f);
  std::printf("recording: %.2f s\n", samples.size() / static_cast<double>(kRate));
  // Tones are at least 1 s apart; a dropout under 300 ms (the device starved
  // for a moment on a busy machine) does not split one.
  const std::vector<Burst> bursts =
      testing::FindBursts(samples.data(), samples.size(), kRate, 1000, 300);
  for (const Burst& b : bursts) {
    std::printf("burst at %7.0f ms: %5.0f ms (%5.0f ms sounding), %6.1f Hz, amplitude %6.0f\n",
                b.startMs, b.lengthMs, b.soundingMs, b.frequency, b.amplitude);
  }
  std::vector<const Segment*> heard;
  for (const Segment& s : kSequence) {
    if (s.heard > 0) heard.push_back(&s);
  }
  if (bursts.size() != heard.size()) {
    std::printf("FAILED: %zu tones heard, %zu expected\n", bursts.size(), heard.size());
    return 1;
  }
  int failures = 0;
  for (size_t k = 0; k < bursts.size(); ++k) {
    const Burst& b = bursts[k];
    const Segment& s = *heard[k];
    // The device resamples: the frequency stays within 1 %, the level within
    // 15 %. The tone sounds for its second, give or take the fade at its ends;
    // a device that went on looping over the ring would sound much longer.
    const bool ok = std::fabs(b.frequency - s.frequency) < 0.01 * s.frequency &&
                    std::fabs(b.amplitude - s.heard) < 0.15 * s.heard && b.soundingMs > 900 &&
                    b.soundingMs < 1150 && b.lengthMs < 1500;
    std::printf("tone %zu: %.0f Hz amplitude %.0f expected: %s\n", k, s.frequency, s.heard,
                ok ? "ok" : "FAILED");
    if (!ok) ++failures;
  }
  return failures ? 1 : 0;
}

}  // namespace
}  // namespace marlow

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc == 2 && std::string_view(argv[1]) == "play") return marlow::Play();
  if (argc == 3 && std::string_view(argv[1]) == "check") return marlow::Check(argv[2]);
  std::printf("usage: audio_probe play | check FILE\n");
  return 2;
}
