// Throughput of the sound output's writes: A-law codes expanded into the ring
// and raw bytes copied into it, against the plain expansion into a flat
// buffer and a plain memcpy. The device keeps up instantly (its position is
// always the writer's), so every write is taken and the figures are the cost
// of the position query, the room test and the store.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "codec/audio_coding.h"
#include "display/audio_ring.h"

namespace {

using marlow::AudioRing;

class InstantDevice final : public marlow::WaveDevice {
 public:
  const AudioRing* ring = nullptr;
  int Open(int, int) override { return 1; }
  void Close() override {}
  int IsOpen() const override { return 1; }
  marlow::WaveLoopResult StartLoop(uint8_t*, uint32_t) override {
    return marlow::WaveLoopResult::kOk;
  }
  int Position(uint32_t* bytes) override {
    *bytes = static_cast<uint32_t>(ring->Written());
    return marlow::kWaveOk;
  }
  int Pause() override { return marlow::kWaveOk; }
  int Restart() override { return marlow::kWaveOk; }
  int SetVolume(uint32_t) override { return marlow::kWaveOk; }
};

template <typename F>
double NsPerByte(size_t bytesPerRound, int rounds, F f) {
  const auto begin = std::chrono::steady_clock::now();
  for (int r = 0; r < rounds; ++r) f();
  const auto end = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::nano>(end - begin).count() /
         (static_cast<double>(bytesPerRound) * rounds);
}

}  // namespace

int main() {
  auto owned = std::make_unique<InstantDevice>();
  InstantDevice* device = owned.get();
  AudioRing ring(std::move(owned));
  device->ring = &ring;
  ring.Open(8000, 16);

  // One recorder audio unit: 20 ms of 8 kHz A-law.
  constexpr size_t kUnit = 160;
  constexpr int kRounds = 200000;
  std::vector<uint8_t> codes(kUnit);
  for (size_t k = 0; k < kUnit; ++k) codes[k] = static_cast<uint8_t>(k * 37);
  std::vector<int16_t> flat(kUnit);
  std::vector<uint8_t> bytes(2 * kUnit), copy(2 * kUnit);
  volatile uint8_t sink = 0;

  const double alaw = NsPerByte(2 * kUnit, kRounds, [&] { ring.WriteALaw(codes.data(), kUnit); });
  const double expand = NsPerByte(2 * kUnit, kRounds, [&] {
    marlow::ExpandALaw(codes.data(), kUnit, flat.data());
    sink = sink + static_cast<uint8_t>(flat[kUnit / 2]);
  });
  const double raw =
      NsPerByte(2 * kUnit, kRounds, [&] { ring.WriteRaw(bytes.data(), bytes.size()); });
  const double memcpyNs = NsPerByte(2 * kUnit, kRounds, [&] {
    std::memcpy(copy.data(), bytes.data(), bytes.size());
    sink = sink + copy[kUnit];
  });

  std::printf("sound output writes, %zu-code units (bytes of samples stored)\n", kUnit);
  std::printf("  WriteALaw into the ring     %6.3f ns/byte  %7.0f MB/s\n", alaw, 1e3 / alaw);
  std::printf("  baseline: ExpandALaw flat   %6.3f ns/byte  %7.0f MB/s\n", expand, 1e3 / expand);
  std::printf("  WriteRaw into the ring      %6.3f ns/byte  %7.0f MB/s\n", raw, 1e3 / raw);
  std::printf("  baseline: memcpy            %6.3f ns/byte  %7.0f MB/s\n", memcpyNs,
              1e3 / memcpyNs);
  std::printf("  real time needs 16000 bytes/s at 8 kHz: %.0fx headroom for A-law\n",
              1e9 / (alaw * 16000));
  return 0;
}
