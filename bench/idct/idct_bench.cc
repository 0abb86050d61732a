// idct_bench: inverse transform blocks per second, the reference beside each
// faster implementation this machine has (SSE2, AVX2), on dense and on decoder-like sparse blocks,
// in the in-place form and in the decoder's store-to-plane form.
//
// Usage: idct_bench [--seconds S] [--passes N]
// --passes runs a fixed number of passes over the blocks instead of a time,
// for instruction counting under callgrind (valgrind --tool=callgrind).
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "codec/inverse_transform.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBlocks = 4096;

std::vector<int16_t> MakeBlocks(bool sparse) {
  std::mt19937 gen(1180);
  std::uniform_int_distribution<int> dense(-300, 300);
  std::uniform_int_distribution<int> small(-6, 6);
  std::uniform_int_distribution<int> low(0, 20);  // low-frequency positions
  std::vector<int16_t> blocks(kBlocks * 64, 0);
  for (int n = 0; n < kBlocks; ++n) {
    int16_t* b = &blocks[n * 64];
    if (!sparse) {
      for (int k = 0; k < 64; ++k) b[k] = static_cast<int16_t>(dense(gen));
      continue;
    }
    b[0] = static_cast<int16_t>(8 * (n % 256));
    for (int m = n % 5; m > 0; --m) {
      const int k = low(gen);
      b[(k / 5) * 8 + k % 5] = static_cast<int16_t>(small(gen) * 20);
    }
  }
  return blocks;
}

volatile uint32_t g_sink;

// Blocks per second of one implementation; the copy of each input block is
// part of the loop (the decoder fills a block before each transform too).
int g_passes = 0;  // fixed pass count, 0 = run for the given time

double Measure(const std::vector<int16_t>& blocks, bool store, double seconds) {
  alignas(16) int16_t work[64];
  static uint8_t plane[640 * 8];
  uint32_t sum = 0;
  long long done = 0;
  const auto start = Clock::now();
  double elapsed = 0;
  do {
    for (int n = 0; n < kBlocks; ++n) {
      std::memcpy(work, &blocks[n * 64], sizeof work);
      if (store) {
        marlow::InverseTransformStore(work, plane + (n % 80) * 8, 640);
      } else {
        marlow::InverseTransform(work);
        sum += static_cast<uint16_t>(work[n & 63]);
      }
    }
    done += kBlocks;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  } while (g_passes ? done < static_cast<long long>(g_passes) * kBlocks : elapsed < seconds);
  g_sink = sum + plane[7];
  return static_cast<double>(done) / elapsed;
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = 1.0;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--seconds" && i + 1 < argc) seconds = std::atof(argv[++i]);
    if (std::string(argv[i]) == "--passes" && i + 1 < argc) g_passes = std::atoi(argv[++i]);
  }
  std::printf("inverse transform, %d distinct blocks, %.1f s per figure\n", kBlocks, seconds);
  const int best = marlow::BestInverseTransformPath();
  const char* names[] = {"reference", "SSE2", "AVX2"};
  std::printf("implementations here: reference%s%s\n", best >= 1 ? ", SSE2" : "",
              best >= 2 ? ", AVX2" : "");
  for (bool sparse : {false, true}) {
    const std::vector<int16_t> blocks = MakeBlocks(sparse);
    for (bool store : {false, true}) {
      double rate[3] = {};
      for (int path = 0; path <= best; ++path) {
        marlow::SelectInverseTransformPath(path);
        rate[path] = Measure(blocks, store, seconds);
      }
      std::printf("%-6s blocks, %-8s:", sparse ? "sparse" : "dense", store ? "store" : "in place");
      for (int path = 0; path <= best; ++path) {
        std::printf("  %s %6.2f M/s (%5.1f ns, %.2fx)", names[path], rate[path] / 1e6,
                    1e9 / rate[path], rate[path] / rate[0]);
      }
      std::printf("\n");
    }
  }
  marlow::SelectInverseTransformPath(best);
  return 0;
}
