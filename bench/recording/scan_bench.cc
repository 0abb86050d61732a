// Forward and backward scan throughput of RecordingSource over a generated
// recording, beside the raw sequential read rate of the same file measured
// in the same run (4096-byte reads after a warming pass). Figures are the
// best of three passes each.
//
//   recording_scan_bench [-m MiB] [-k] [path]
//     -m  size of the generated recording in MiB (default 256)
//     -k  keep the file afterwards
//
// The recording is made by RecordingWriter from live-layout pictures of
// 10..40 KB on four channels and ~500-byte sound payloads, as a live
// recording would be.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/file.h"
#include "recording/recording_source.h"
#include "recording/recording_writer.h"
#include "tools/streamkit/stream_builder.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

bool Generate(const char* path, uint64_t bytes) {
  marlow::RecordingWriter w;
  w.Setup(2, 4, 4);
  uint32_t now = 1600000000u;
  w.SetClock([&now] { return now; });
  if (!w.StartRecording(path)) return false;
  // A pool of pictures, reused with fresh sequence numbers.
  std::vector<std::vector<uint8_t>> pool;
  uint32_t s = 12345;
  for (int i = 0; i < 48; ++i) {
    s = s * 1103515245u + 12345u;
    const size_t n = 10000 + (s >> 8) % 30001;
    pool.push_back(marlow::streamkit::MakeVideoUnit(0, i % 12 == 0, n, s));
  }
  std::vector<uint8_t> unit(64 * 1024), sound(520);
  for (size_t i = 0; i < sound.size(); ++i) sound[i] = static_cast<uint8_t>(128 + (i * 7) % 50);
  uint16_t seq = 0;
  for (uint64_t k = 0; w.Total() < bytes; ++k) {
    const auto& p = pool[k % pool.size()];
    std::memcpy(unit.data(), p.data(), p.size());
    // Live layout: byte 4 bit 7 full, bits 2..0 channel; bytes 5..6 sequence.
    unit[4] = static_cast<uint8_t>(((k % 12 == 0) ? 0x80 : 0) | 0x20 | (k % 4));
    ++seq;
    unit[5] = static_cast<uint8_t>(seq >> 8);
    unit[6] = static_cast<uint8_t>(seq);
    if (!w.WriteVideo(unit.data(), p.size())) return false;
    if (k % 3 == 0 && !w.WriteAudio(sound.data(), sound.size() - (k % 40))) return false;
    if (k % 25 == 0) ++now;
  }
  return w.StopRecording() == 1;
}

struct Pass {
  double seconds = 0;
  uint64_t units = 0;
  uint64_t bytes = 0;
};

Pass Raw(const char* path) {
  Pass r;
  marlow::platform::File f;
  if (!f.OpenRead(path)) return r;
  std::vector<uint8_t> block(4096);
  const auto t0 = Clock::now();
  uint64_t at = 0;
  uint32_t sum = 0;
  while (f.ReadAt(at, block.data(), block.size()) == block.size()) {
    sum += block[at % 4096];
    at += 4096;
  }
  r.seconds = Seconds(t0, Clock::now());
  r.bytes = at;
  r.units = sum & 1;  // keeps the loop from being optimised away
  return r;
}

Pass Scan(const char* path, bool backward, bool reference) {
  Pass r;
  marlow::RecordingSource src;
  if (!src.OpenSource(path, false)) return r;
  src.UseReferenceScan(reference);
  if (backward) src.SetPosition(src.Size() - 1);
  std::vector<uint8_t> buf(marlow::kMaxUnitBytes);
  const auto t0 = Clock::now();
  for (;;) {
    if (backward) {
      src.ReadBackward(buf.data());
    } else {
      src.ReadForward(buf.data());
    }
    if (!src.LastReadFoundUnit()) break;
    ++r.units;
  }
  r.seconds = Seconds(t0, Clock::now());
  r.bytes = src.Size();
  return r;
}

double MBps(const Pass& p) {
  return p.seconds > 0 ? p.bytes / p.seconds / 1048576.0 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  uint64_t mib = 256;
  bool keep = false;
  std::string path;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "-m") && i + 1 < argc) {
      mib = std::strtoull(argv[++i], nullptr, 10);
    } else if (!std::strcmp(argv[i], "-k")) {
      keep = true;
    } else {
      path = argv[i];
    }
  }
  if (path.empty()) path = "recording_scan_bench.kvr";
  std::printf("generating %llu MiB recording at %s\n", static_cast<unsigned long long>(mib),
              path.c_str());
  if (!Generate(path.c_str(), mib << 20)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return 1;
  }
  // Each figure is the best of a few passes, so other load on the machine
  // disturbs it less; the first raw pass only warms the cache.
  const int kPasses = 3;
  auto best = [&](auto run) {
    Pass b = run();
    for (int i = 1; i < kPasses; ++i) {
      const Pass p = run();
      if (p.seconds < b.seconds) b = p;
    }
    return b;
  };
  Raw(path.c_str());
  const Pass raw = best([&] { return Raw(path.c_str()); });
  std::printf("raw sequential 4096-byte reads: %8.1f MB/s (%.3f s)\n", MBps(raw), raw.seconds);
  struct Row {
    const char* name;
    bool backward, reference;
  } rows[] = {{"forward  (fast scan)", false, false},
              {"backward (fast scan)", true, false},
              {"forward  (plain)    ", false, true},
              {"backward (plain)    ", true, true}};
  for (const Row& row : rows) {
    const Pass p = best([&] { return Scan(path.c_str(), row.backward, row.reference); });
    std::printf("%s: %8.1f MB/s (%.3f s, %llu units) = %.2f of raw\n", row.name, MBps(p), p.seconds,
                static_cast<unsigned long long>(p.units),
                MBps(raw) > 0 ? MBps(p) / MBps(raw) : 0.0);
  }
  if (!keep) std::remove(path.c_str());
  return 0;
}
