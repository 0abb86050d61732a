// The audio ring against a fake device whose position the test moves.
#include "display/audio_ring.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "codec/audio_coding.h"
#include "tests/audio/fake_wave_device.h"

namespace marlow {
namespace {

using testing::FakeWaveDevice;
using testing::FakeWaveState;
using testing::NoticeLog;

constexpr uint32_t kRing = AudioRing::kRingSize;

class AudioRingTest : public ::testing::Test {
 protected:
  AudioRingTest() : ring(std::make_unique<FakeWaveDevice>(dev)) {}

  // Opens and starts the loop, then lets the first Pace line the writer up
  // with the device, as the playback loop does when it starts.
  void Start(int bits, uint32_t silencePlayed = 0) {
    ASSERT_EQ(1, ring.Open(8000, bits));
    ASSERT_EQ(1, ring.StartLoop());
    dev.Play(silencePlayed);
    ASSERT_EQ(kWaveOk, ring.Pace());
    ASSERT_TRUE(dev.paused);
    ASSERT_EQ(0, ring.First());
  }

  std::vector<uint8_t> Bytes(size_t n, uint8_t seed) {
    std::vector<uint8_t> v(n);
    for (size_t k = 0; k < n; ++k) v[k] = static_cast<uint8_t>(seed + k * 7);
    return v;
  }

  NoticeLog notices;  // before the ring: notices of its destruction land here
  FakeWaveState dev;
  AudioRing ring;
};

TEST_F(AudioRingTest, RoomTestCountsWhatIsQueuedPlusTheLowWaterMark) {
  Start(8);
  const auto fill = Bytes(15000, 1);
  const auto more = Bytes(500, 2);
  ASSERT_EQ(1, ring.WriteRaw(fill.data(), fill.size()));
  // 15000 + 500 + 1024 > 16384: refused, nothing changes.
  EXPECT_EQ(0, ring.WriteRaw(more.data(), more.size()));
  EXPECT_EQ(15000u, ring.Written());
  EXPECT_EQ(fill[0], ring.Ring()[0]);
  // Once 200 bytes are played, 14800 are queued and the write fits.
  ASSERT_EQ(kWaveOk, ring.Pace());  // restarts: 15000 queued
  dev.Play(200);
  EXPECT_EQ(1, ring.WriteRaw(more.data(), more.size()));
  EXPECT_EQ(14800u, ring.Buffered());
  EXPECT_EQ(15500u, ring.Written());
  // Exactly full to the mark is still accepted; one byte more is not.
  dev.Play(1000);  // 14300 queued
  const size_t room = kRing - AudioRing::kLowWater - 14300;
  const auto edge = Bytes(room + 1, 3);
  EXPECT_EQ(0, ring.WriteRaw(edge.data(), room + 1));
  EXPECT_EQ(1, ring.WriteRaw(edge.data(), room));
}

TEST_F(AudioRingTest, WritesWrapToSlotZeroAndALawIsLittleEndian) {
  Start(16);
  // Bring written close to the end of the ring.
  const auto lead = Bytes(kRing - 6, 9);
  ASSERT_EQ(1, ring.WriteRaw(lead.data(), 8000));
  ASSERT_EQ(kWaveOk, ring.Pace());
  dev.Play(8000);
  ASSERT_EQ(1, ring.WriteRaw(lead.data() + 8000, lead.size() - 8000));
  ASSERT_EQ(kRing - 6u, ring.Written());
  // Five samples: three before the end, two from slot 0 on.
  const uint8_t codes[] = {0xD5, 0x55, 0x2A, 0xAA, 0x80};
  ASSERT_EQ(1, ring.WriteALaw(codes, 5));
  EXPECT_EQ(kRing + 4u, ring.Written());
  const uint8_t* r = ring.Ring();
  const uint8_t expectEnd[] = {0x08, 0x00, 0xF8, 0xFF, 0x00, 0x82};  // +8, -8, -32256
  const uint8_t expectStart[] = {0x00, 0x7E, 0x80, 0x15};            // +32256, +5504
  for (int k = 0; k < 6; ++k) EXPECT_EQ(expectEnd[k], r[kRing - 6 + k]) << k;
  for (int k = 0; k < 4; ++k) EXPECT_EQ(expectStart[k], r[k]) << k;
  // A raw write wraps the same way.
  dev.Play(6000);
  const auto tail = Bytes(100, 40);
  ASSERT_EQ(1, ring.WriteRaw(tail.data(), tail.size()));
  EXPECT_EQ(tail[0], r[4]);
  EXPECT_EQ(tail[99], r[103]);
}

TEST_F(AudioRingTest, ALawSampleStraddlingTheEndSplitsAcrossIt) {
  Start(8);
  const auto lead = Bytes(kRing - 1, 0);
  ASSERT_EQ(1, ring.WriteRaw(lead.data(), 10000));
  ASSERT_EQ(kWaveOk, ring.Pace());
  dev.Play(10000);
  ASSERT_EQ(1, ring.WriteRaw(lead.data(), kRing - 1 - 10000));
  const uint8_t code = 0x2A;  // -32256 = 0x8200
  ASSERT_EQ(1, ring.WriteALaw(&code, 1));
  EXPECT_EQ(0x00, ring.Ring()[kRing - 1]);
  EXPECT_EQ(0x82, ring.Ring()[0]);
}

TEST_F(AudioRingTest, StalledWriterIsCaughtUpPausedAndRestartedAtTheMark) {
  Start(16, 100);
  EXPECT_EQ(100u, ring.Written());
  std::vector<uint8_t> codes(1000, 0xD5);  // 2000 bytes
  ASSERT_EQ(1, ring.WriteALaw(codes.data(), codes.size()));
  ASSERT_EQ(kWaveOk, ring.Pace());
  EXPECT_FALSE(dev.paused);
  EXPECT_EQ(1, dev.restarts);
  // The writer stalls; the device plays past everything written (odd count:
  // the lowest bit of a 16-bit position is dropped).
  dev.Play(2601);
  ASSERT_EQ(kWaveOk, ring.Pace());
  EXPECT_EQ(2700u, ring.Written());
  EXPECT_EQ(0u, ring.Buffered());
  EXPECT_TRUE(dev.paused);
  EXPECT_EQ(1, ring.Paused());
  // Not restarted until 1024 bytes are queued again.
  ASSERT_EQ(1, ring.WriteALaw(codes.data(), 511));
  ASSERT_EQ(kWaveOk, ring.Pace());
  EXPECT_TRUE(dev.paused);
  EXPECT_EQ(1022u, ring.Buffered());
  ASSERT_EQ(1, ring.WriteALaw(codes.data(), 1));
  ASSERT_EQ(kWaveOk, ring.Pace());
  EXPECT_FALSE(dev.paused);
  EXPECT_EQ(2, dev.restarts);
  EXPECT_EQ(0, ring.Paused());
  // A later pause keeps written where it is: only the first lines it up.
  dev.Play(100);
  ASSERT_EQ(kWaveOk, ring.Pace());
  EXPECT_TRUE(dev.paused);
  EXPECT_EQ(2700u + 1024u, ring.Written());
}

TEST_F(AudioRingTest, FirstPauseLinesTheWriterUpWithWhereTheDeviceStopped) {
  ASSERT_EQ(1, ring.Open(8000, 16));
  ASSERT_EQ(1, ring.StartLoop());
  EXPECT_EQ(1, ring.First());
  dev.Play(300);
  dev.advanceOnPause = 51;  // the device moves on while being paused
  const uint8_t codes[100] = {};
  ASSERT_EQ(1, ring.WriteALaw(codes, 100));  // behind the device, before the first pause
  ASSERT_EQ(kWaveOk, ring.Pace());
  EXPECT_EQ(350u, ring.Written());
  EXPECT_EQ(0, ring.First());
  // ResetRing starts over: counters cleared, first set, device kept.
  ring.ResetRing(8000, 8);
  EXPECT_EQ(0u, ring.Written());
  EXPECT_EQ(1, ring.First());
  EXPECT_EQ(0, ring.Paused());
  EXPECT_EQ(0, dev.closes);
  EXPECT_EQ(0x80, ring.Ring()[0]);  // 8-bit silence
  EXPECT_EQ(0x80, ring.Ring()[kRing - 1]);
  dev.advanceOnPause = 0;
  ASSERT_EQ(kWaveOk, ring.Pace());
  EXPECT_EQ(351u, ring.Written());  // 8-bit: the odd position stands
}

TEST_F(AudioRingTest, VolumeAndMuteReachTheDeviceOnlyWhenHeard) {
  ring.SetVolume(0x1234);  // no device yet: stored only
  EXPECT_TRUE(dev.volumes.empty());
  ASSERT_EQ(1, ring.Open(8000, 16));
  EXPECT_TRUE(dev.volumes.empty());  // Open does not apply the volume
  ring.SetMute(1);
  ring.SetVolume(0x8000);
  EXPECT_EQ((std::vector<uint32_t>{0}), dev.volumes);  // still silent
  EXPECT_EQ(0x8000, ring.Volume());
  EXPECT_EQ(1, ring.Muted());
  ring.SetMute(0);
  EXPECT_EQ((std::vector<uint32_t>{0, 0x80008000u}), dev.volumes);
  ring.SetVolume(0xFFFF);
  ring.SetVolume(70000);  // clamped
  ring.SetVolume(-5);
  EXPECT_EQ((std::vector<uint32_t>{0, 0x80008000u, 0xFFFFFFFFu, 0xFFFFFFFFu, 0}), dev.volumes);
  EXPECT_EQ(0, ring.Volume());
}

TEST_F(AudioRingTest, DeviceFailuresAreNoticedAndRefused) {
  dev.openResult = 0;
  EXPECT_EQ(0, ring.Open(8000, 16));
  EXPECT_EQ(0, ring.Open(8000, 12));  // no such sample size
  dev.openResult = 1;
  EXPECT_EQ(0, ring.StartLoop());  // no device open
  ASSERT_EQ(1, ring.Open(8000, 16));
  dev.loopResult = WaveLoopResult::kPrepareFailed;
  EXPECT_EQ(0, ring.StartLoop());
  dev.loopResult = WaveLoopResult::kWriteFailed;
  EXPECT_EQ(0, ring.StartLoop());
  EXPECT_EQ((std::vector<std::string>{"Sound device open error !", "Sound device open error !",
                                      "Preapre Header Error !", "Preapre Header Error !",
                                      "Sound out fail !"}),
            notices.texts);
  // A position that cannot be read refuses writes and is Pace's result.
  dev.loopResult = WaveLoopResult::kOk;
  ASSERT_EQ(1, ring.StartLoop());
  dev.positionResult = 11;
  const uint8_t b[4] = {1, 2, 3, 4};
  EXPECT_EQ(0, ring.WriteRaw(b, 4));
  EXPECT_EQ(0, ring.WriteALaw(b, 4));
  EXPECT_EQ(0u, ring.Written());
  EXPECT_EQ(11, ring.Pace());
  // A pause the device refuses leaves the ring unpaused, to try again.
  dev.positionResult = kWaveOk;
  dev.pauseResult = 7;
  EXPECT_EQ(7, ring.Pace());
  EXPECT_EQ(0, ring.Paused());
  EXPECT_EQ(1, ring.First());
  EXPECT_EQ(0, ring.WriteRaw(nullptr, 4));
}

TEST_F(AudioRingTest, PreviousDeviceIsClosedBeforeReopeningAndAtTheEnd) {
  {
    FakeWaveState d;
    {
      AudioRing r(std::make_unique<FakeWaveDevice>(d));
      ASSERT_EQ(1, r.Open(8000, 16));
      ASSERT_EQ(1, r.StartLoop());
      ASSERT_EQ(1, r.Open(16000, 8));
      EXPECT_EQ(1, d.closes);
      EXPECT_EQ(2, d.opens);
      EXPECT_EQ(16000, d.rate);
      EXPECT_EQ(8, d.bits);
      EXPECT_EQ(nullptr, d.loop);  // the old loop was taken back
    }
    EXPECT_EQ(2, d.closes);
    EXPECT_FALSE(d.open);
  }
}

TEST_F(AudioRingTest, PositionKeepsCountingAcrossTheDevicesWrap) {
  ASSERT_EQ(1, ring.Open(8000, 16));
  ASSERT_EQ(1, ring.StartLoop());
  dev.position = 0xFFFFF000u;  // a device that has played for days
  ASSERT_EQ(kWaveOk, ring.Pace());
  const uint64_t start = 0xFFFFF000u;
  ASSERT_EQ(start, ring.Written());
  std::vector<uint8_t> codes(4000, 0xD5);
  ASSERT_EQ(1, ring.WriteALaw(codes.data(), codes.size()));
  ASSERT_EQ(kWaveOk, ring.Pace());
  dev.Play(6000);  // the 32-bit position wraps past zero
  ASSERT_LT(dev.position, 0x1000u);
  ASSERT_EQ(kWaveOk, ring.Pace());
  EXPECT_EQ(2000u, ring.Buffered());
  EXPECT_FALSE(dev.paused);
  // The room test sees the true queue: with 2000 queued, 13360 more fit
  // (2000 + 13360 + 1024 = 16384) and 13400 do not.
  std::vector<uint8_t> big(6700, 0xD5);
  EXPECT_EQ(0, ring.WriteALaw(big.data(), big.size()));
  EXPECT_EQ(1, ring.WriteALaw(big.data(), 6680));
  // The device played what was written, across the wrap.
  ASSERT_EQ(6000u, dev.heard.size());
  for (size_t k = 0; k < dev.heard.size(); k += 2) {
    ASSERT_EQ(0x08, dev.heard[k]);
    ASSERT_EQ(0x00, dev.heard[k + 1]);
  }
}

// A device playing in steady steps, a writer writing at random and Pace
// between the steps: the device must play the written stream exactly, in
// order, without stale ring contents, whatever the sizes.
TEST_F(AudioRingTest, DeviceHearsTheWrittenStreamExactly) {
  for (int bits : {8, 16}) {
    FakeWaveState d;
    AudioRing r(std::make_unique<FakeWaveDevice>(d));
    ASSERT_EQ(1, r.Open(8000, bits));
    ASSERT_EQ(1, r.StartLoop());
    std::mt19937 rng(1234 + bits);
    std::vector<uint8_t> stream;  // what was accepted, in order
    std::vector<uint8_t> chunk;
    uint8_t next = 1;
    size_t heardBefore = 0;
    int stalls = 0;
    for (int step = 0; step < 20000; ++step) {
      ASSERT_EQ(kWaveOk, r.Pace());
      if (step == 0) heardBefore = d.heard.size();
      // Now and then the writer stalls for a while; the device must stop.
      const bool stalled = (step / 500) % 4 == 3;
      if (!stalled) {
        const size_t n = 1 + rng() % 700;
        chunk.resize(n);
        for (auto& c : chunk) c = next = static_cast<uint8_t>(next * 5 + 1);
        if (bits == 8 ? r.WriteRaw(chunk.data(), n) : r.WriteALaw(chunk.data(), n)) {
          if (bits == 8) {
            stream.insert(stream.end(), chunk.begin(), chunk.end());
          } else {
            for (uint8_t c : chunk) {
              const uint16_t v = static_cast<uint16_t>(ExpandALaw(c));
              stream.push_back(static_cast<uint8_t>(v));
              stream.push_back(static_cast<uint8_t>(v >> 8));
            }
          }
        }
      } else if (step % 500 == 499) {
        ++stalls;
        ASSERT_TRUE(d.paused) << "device still playing after a stall, step " << step;
      }
      d.Play(2 * (1 + rng() % 255));  // under the low-water mark per pass
    }
    ASSERT_GT(stalls, 5);
    ASSERT_GT(d.restarts, 5);
    const std::vector<uint8_t> heard(d.heard.begin() + heardBefore, d.heard.end());
    ASSERT_GT(heard.size(), 100000u);
    ASSERT_LE(heard.size(), stream.size());
    EXPECT_TRUE(std::equal(heard.begin(), heard.end(), stream.begin())) << "bits " << bits;
  }
}

}  // namespace
}  // namespace marlow
