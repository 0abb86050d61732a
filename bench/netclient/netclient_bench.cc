// Throughput of the live stream parser and of the unit queues.
//
// The stream is generated: full and update pictures of 10-40 KB, audio units
// of 800 samples and now and then a status or channel report, about 64 MB in
// all, fed in receives of 131072 bytes as the network client does. Baselines
// measured in the same run: a memcpy of the stream (the copy the queues make
// anyway), a bare start-code scan with the same 32-bit shift register, and
// the parser held to its per-byte steps.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "netclient/live_unit_parser.h"
#include "netclient/protocol.h"
#include "netclient/unit_queue.h"

namespace {

using marlow::QueueEntry;
using marlow::UnitInfo;
using marlow::UnitQueue;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

struct Stream {
  std::vector<uint8_t> bytes;
  size_t pictures = 0, audio = 0, messages = 0;
};

Stream Generate(size_t target) {
  std::mt19937 rng(7);
  Stream s;
  auto code = [&](uint8_t xx) {
    const uint8_t c[4] = {0, 0, 1, xx};
    s.bytes.insert(s.bytes.end(), c, c + 4);
  };
  auto ascii = [&](const char* text) {
    s.bytes.insert(s.bytes.end(), text, text + std::strlen(text));
  };
  while (s.bytes.size() < target) {
    code(rng() % 8 == 0 ? 0xF9 : 0xF8);
    const size_t n = 10240 + rng() % 30720;
    for (size_t i = 0; i < n; ++i) {
      // Compressed pictures rarely hold zeros; slice codes every ~2 KB.
      if (i % 2048 == 2047) {
        code(static_cast<uint8_t>(0xB0 + i % 8));
      } else {
        s.bytes.push_back(static_cast<uint8_t>(1 + rng() % 255));
      }
    }
    ++s.pictures;
    if (rng() % 2 == 0) {
      code(0xFA);
      s.bytes.push_back(0x11);
      s.bytes.push_back(0x22);
      for (int i = 0; i < 800; ++i) s.bytes.push_back(static_cast<uint8_t>(rng()));
      ++s.audio;
    }
    if (rng() % 16 == 0) {
      code(0xFE);
      ascii(rng() % 2 ? "00100007"
                        "0001"
                      : "00200008"
                        "0001000200030004"
                        "0009");
      ++s.messages;
    }
  }
  return s;
}

struct CountingSink final : marlow::LiveMessageSink {
  void OnLiveMessage(const uint8_t* bytes, size_t length) override {
    if (marlow::ReadStreamMessage(bytes, length).kind != marlow::StreamMessageKind::Ignored)
      ++reports;
  }
  size_t reports = 0;
};

void BenchParser(const Stream& s) {
  constexpr size_t kReceive = 131072;
  const double mb = s.bytes.size() / 1e6;
  std::printf("stream: %.1f MB, %zu pictures, %zu audio units, %zu messages\n", mb, s.pictures,
              s.audio, s.messages);

  std::vector<uint8_t> copy(kReceive);
  auto t = Clock::now();
  for (int round = 0; round < 3; ++round)
    for (size_t at = 0; at < s.bytes.size(); at += kReceive)
      std::memcpy(copy.data(), s.bytes.data() + at, std::min(kReceive, s.bytes.size() - at));
  std::printf("baseline memcpy:          %8.0f MB/s\n", 3 * mb / Seconds(t));

  t = Clock::now();
  uint32_t window = 0xFFFFFFFFu;
  size_t found = 0;
  for (uint8_t b : s.bytes) {
    window = window << 8 | b;
    if ((window & 0xFFFFFF00u) == 0x100u && (b == 0xF8 || b == 0xF9 || b == 0xFA || b == 0xFE))
      ++found;
  }
  std::printf("baseline start-code scan: %8.0f MB/s (%zu codes)\n", mb / Seconds(t), found);

  for (bool reference : {true, false}) {
    UnitQueue video(marlow::kVideoEntryCapacity, marlow::kEntryCount);
    UnitQueue audio(marlow::kAudioEntryCapacity, marlow::kEntryCount);
    CountingSink sink;
    marlow::LiveUnitParser parser(&video, &audio, &sink);
    parser.SetReferenceOnly(reference);
    std::vector<uint8_t> out(marlow::kVideoEntryCapacity);
    QueueEntry e;
    e.data = out.data();
    e.capacity = marlow::kVideoEntryCapacity;
    size_t taken = 0;
    t = Clock::now();
    for (size_t at = 0; at < s.bytes.size(); at += kReceive) {
      parser.Parse(s.bytes.data() + at, std::min(kReceive, s.bytes.size() - at));
      while (video.Take(&e)) ++taken;
      while (audio.Take(&e)) ++taken;
    }
    const double seconds = Seconds(t);
    std::printf("parser + queues, %s: %8.0f MB/s (%zu units taken, %zu reports, %llu dropped)\n",
                reference ? "per byte " : "fast path", mb / seconds, taken, sink.reports,
                static_cast<unsigned long long>(video.DroppedFull() + audio.DroppedFull()));
  }
}

void BenchQueue(uint32_t capacity, uint32_t unitBytes, const char* name) {
  constexpr int kUnits = 200000;
  UnitQueue q(capacity, marlow::kEntryCount);
  std::vector<uint8_t> unit(unitBytes, 0x5A), out(capacity);
  QueueEntry e;
  e.data = out.data();
  e.capacity = capacity;
  const UnitInfo info;

  auto t = Clock::now();
  for (int i = 0; i < kUnits; ++i) {
    q.Push(unit.data(), unitBytes, info);
    q.Take(&e);
  }
  double s = Seconds(t);
  std::printf("%s queue, one thread:  %6.2f M put+take/s (%5.0f MB/s)\n", name, kUnits / s / 1e6,
              kUnits * double(unitBytes) / s / 1e6);

  // Producer and consumer on two threads, the consumer waiting on the event.
  // The producer holds back while every buffer is queued, so this is the
  // hand-over rate without drops.
  size_t got = 0;
  std::atomic<bool> done{false};
  std::thread consumer([&] {
    for (;;) {
      const bool finished = done.load();
      q.ReadyEvent().Wait(1);
      while (q.Take(&e)) ++got;
      if (finished) break;
    }
  });
  t = Clock::now();
  for (int i = 0; i < kUnits; ++i) {
    while (q.ReadyCount() == q.Count()) std::this_thread::yield();
    q.Push(unit.data(), unitBytes, info);
  }
  done = true;
  consumer.join();
  s = Seconds(t);
  std::printf("%s queue, two threads: %6.2f M units/s handed over (%zu taken, %llu dropped)\n",
              name, kUnits / s / 1e6, got, static_cast<unsigned long long>(q.DroppedFull()));
}

}  // namespace

int main() {
  const Stream s = Generate(64u << 20);
  BenchParser(s);
  BenchQueue(marlow::kVideoEntryCapacity, 25000, "video (25 KB units)");
  BenchQueue(marlow::kAudioEntryCapacity, 800, "audio (800 B units) ");
  return 0;
}
