// Live stream from a recorder stand-in that misbehaves in every session,
// drained as the engine drains it. Nothing may crash or leak (the sanitizer
// build runs this too) and the queues never hold more than their pools.
//   - A minute of ServerClose, silence, drops mid-picture and trickled
//     bytes: every delivered picture parses and decodes, every sound unit
//     has the samples of one picture interval (and the start code of a report
//     sent after it).
//   - Garbage sessions (random bytes with start codes of every kind in
//     them): junk units are allowed, but every unit fits its entry and
//     pictures decode again once the garbage stops.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "codec/video_decoder.h"
#include "netclient/network_client.h"
#include "tests/netclient_client/client_harness.h"
#include "tools/recorder_standin/recorder_standin.h"

namespace marlow::test {
namespace {

uint32_t SoakSeconds(uint32_t standard) {
  const char* s = std::getenv("MARLOW_SOAK_SECONDS");
  return s ? static_cast<uint32_t>(std::atoi(s)) : standard;
}

struct Tally {
  uint64_t pictures = 0, broken = 0, sounds = 0, brokenSounds = 0, oversized = 0;
  uint64_t wholeAfterLastBroken = 0;
  uint32_t mostQueued = 0;
  int sessions = 0;
};

// Streams from a stand-in with random faults of the given kinds for seconds
// and drains the client's queues every 5 ms.
Tally Soak(uint32_t kinds, uint32_t seconds, uint32_t seed) {
  RecorderStandinOptions o;
  o.password = "pw";
  o.lifetimeMs = (seconds + 10) * 1000;
  o.pictureIntervalMs = 20;
  o.statusIntervalMs = 300;
  o.randomFaultSeed = seed;
  o.randomFaultKinds = kinds;
  RecorderStandin recorder(o);
  EXPECT_TRUE(recorder.Listen());
  EXPECT_EQ(recorder.Start(), 1);

  RecordingSink sink;
  NetworkClient client;
  ShortenWaits(client, &sink);
  client.SetDirect("127.0.0.1", recorder.Port(), "", "pw");
  EXPECT_EQ(client.Start(), 1);

  std::unique_ptr<uint8_t[]> videoBytes(new uint8_t[kVideoEntryCapacity]);
  std::unique_ptr<uint8_t[]> audioBytes(new uint8_t[kAudioEntryCapacity]);
  std::unique_ptr<uint8_t[]> planes(new uint8_t[kMaxPictureBytes]);
  QueueEntry video{videoBytes.get(), kVideoEntryCapacity};
  QueueEntry audio{audioBytes.get(), kAudioEntryCapacity};
  DecodedPicture picture;
  picture.planes = planes.get();
  VideoDecoder decoder;
  decoder.Reset(2);

  Tally t;
  const uint32_t start = platform::TickMs();
  while (platform::TickMs() - start < seconds * 1000) {
    t.mostQueued = std::max(
        {t.mostQueued, client.VideoQueue().ReadyCount(), client.AudioQueue().ReadyCount()});
    while (client.VideoQueue().Take(&video) == 1) {
      ++t.pictures;
      if (video.length > kVideoEntryCapacity) ++t.oversized;
      const bool whole = video.length >= 7 && decoder.ParseHeader(video.data, video.length) &&
                         decoder.Decode(video.data, video.length, &picture);
      if (whole) {
        ++t.wholeAfterLastBroken;
      } else {
        ++t.broken;
        t.wholeAfterLastBroken = 0;
      }
    }
    while (client.AudioQueue().Take(&audio) == 1) {
      ++t.sounds;
      if (audio.length > kAudioEntryCapacity) ++t.oversized;
      // A report sent after a sound unit lies inside it; its start code
      // stays in the unit (what the parser is meant to do).
      // Each carries the sound of one picture interval, 8000 samples a second.
      const size_t n = o.pictureIntervalMs * 8;
      const bool withReport = audio.length == n + 4 && audio.data[n] == 0 &&
                              audio.data[n + 1] == 0 && audio.data[n + 2] == 1 &&
                              audio.data[n + 3] == 0xFE;
      if (audio.length != n && !withReport) ++t.brokenSounds;
    }
    platform::SleepMs(5);
  }
  t.sessions = recorder.Snapshot().sessions;
  client.Stop();
  recorder.Stop();
  std::printf(
      "soak %us: %d sessions, %llu pictures (%llu not whole), %llu sound units "
      "(%llu not whole), at most %u queued\n",
      seconds, t.sessions, static_cast<unsigned long long>(t.pictures),
      static_cast<unsigned long long>(t.broken), static_cast<unsigned long long>(t.sounds),
      static_cast<unsigned long long>(t.brokenSounds), t.mostQueued);
  return t;
}

TEST(NetworkClientSoak, AMinuteOfDroppedClosedSilentAndTrickledSessions) {
  const uint32_t seconds = SoakSeconds(60);
  const Tally t = Soak(0x0F, seconds, 20261208);
  EXPECT_GE(t.sessions, static_cast<int>(seconds / 6));  // the faults really came
  EXPECT_GT(t.pictures, seconds * 10ull);
  EXPECT_LE(t.mostQueued, kEntryCount);
  EXPECT_EQ(t.oversized, 0u);
  EXPECT_EQ(t.broken, 0u);
  EXPECT_EQ(t.brokenSounds, 0u);
}

TEST(NetworkClientSoak, GarbageSessionsDoNoLastingHarm) {
  const uint32_t seconds = SoakSeconds(60) / 4;
  const Tally t = Soak(0x10, seconds, 7);
  EXPECT_GE(t.sessions, 2);
  EXPECT_LE(t.mostQueued, kEntryCount);
  EXPECT_EQ(t.oversized, 0u);
  EXPECT_GT(t.wholeAfterLastBroken, 0u);  // the stream recovered after the junk
}

}  // namespace
}  // namespace marlow::test
