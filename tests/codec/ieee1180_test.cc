// IEEE 1180 accuracy of the inverse transform. The limits apply to the
// transform's signed output (clipped to -256..255, no level offset, no clamp
// to the sample range), compared with a double-precision inverse DCT whose
// result is rounded and clipped the same way.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "codec/inverse_transform.h"
#include "gtest/gtest.h"

namespace marlow {
namespace {

// The standard's random generator, in 32-bit unsigned arithmetic (its mask
// keeps only the low 31 bits, so the width of `long` does not matter).
class Ieee1180Random {
 public:
  explicit Ieee1180Random(uint32_t seed) : x_(seed) {}
  int Next(int low, int high) {  // a value in -low..high
    x_ = x_ * 1103515245u + 12345u;
    const uint32_t i = x_ & 0x7ffffffeu;
    double v = static_cast<double>(i) / static_cast<double>(0x7fffffff);
    v *= low + high + 1;
    return static_cast<int>(v) - low;
  }

 private:
  uint32_t x_;
};

struct CosineTable {
  double c[8][8];  // c[x][u] = C(u) / 2 * cos((2x + 1) u pi / 16)
  CosineTable() {
    const double pi = std::acos(-1.0);
    for (int x = 0; x < 8; ++x) {
      for (int u = 0; u < 8; ++u) {
        const double cu = u == 0 ? std::sqrt(0.5) : 1.0;
        c[x][u] = cu / 2.0 * std::cos((2 * x + 1) * u * pi / 16.0);
      }
    }
  }
};

const CosineTable& Cosines() {
  static const CosineTable table;
  return table;
}

void ForwardDct(const double* in, double* out) {
  const CosineTable& t = Cosines();
  double tmp[64];
  for (int y = 0; y < 8; ++y) {
    for (int u = 0; u < 8; ++u) {
      double s = 0;
      for (int x = 0; x < 8; ++x) s += t.c[x][u] * in[y * 8 + x];
      tmp[y * 8 + u] = s;
    }
  }
  for (int u = 0; u < 8; ++u) {
    for (int v = 0; v < 8; ++v) {
      double s = 0;
      for (int y = 0; y < 8; ++y) s += t.c[y][v] * tmp[y * 8 + u];
      out[v * 8 + u] = s;
    }
  }
}

void InverseDct(const double* in, double* out) {
  const CosineTable& t = Cosines();
  double tmp[64];
  for (int v = 0; v < 8; ++v) {
    for (int x = 0; x < 8; ++x) {
      double s = 0;
      for (int u = 0; u < 8; ++u) s += t.c[x][u] * in[v * 8 + u];
      tmp[v * 8 + x] = s;
    }
  }
  for (int x = 0; x < 8; ++x) {
    for (int y = 0; y < 8; ++y) {
      double s = 0;
      for (int v = 0; v < 8; ++v) s += t.c[y][v] * tmp[v * 8 + x];
      out[y * 8 + x] = s;
    }
  }
}

int RoundClip(double v, int low, int high) {
  const double r = std::floor(v + 0.5);
  return r < low ? low : (r > high ? high : static_cast<int>(r));
}

struct Figures {
  int peak = 0;
  double worst_position_mse = 0;
  double overall_mse = 0;
  double worst_position_mean = 0;
  double overall_mean = 0;
};

Figures Measure(int low, int high, int sign, int blocks, void (*transform)(int16_t*)) {
  Ieee1180Random random(1);
  long long sum[64] = {}, sum_sq[64] = {};
  Figures f;
  for (int n = 0; n < blocks; ++n) {
    double samples[64], coefficients[64], reference[64];
    for (int k = 0; k < 64; ++k) samples[k] = sign * random.Next(low, high);
    ForwardDct(samples, coefficients);
    int16_t block[64];
    double rounded[64];
    for (int k = 0; k < 64; ++k) {
      block[k] = static_cast<int16_t>(RoundClip(coefficients[k], -2048, 2047));
      rounded[k] = block[k];
    }
    InverseDct(rounded, reference);
    transform(block);
    for (int k = 0; k < 64; ++k) {
      const int error = block[k] - RoundClip(reference[k], -256, 255);
      if (std::abs(error) > f.peak) f.peak = std::abs(error);
      sum[k] += error;
      sum_sq[k] += error * error;
    }
  }
  long long total = 0, total_sq = 0;
  for (int k = 0; k < 64; ++k) {
    const double mean = static_cast<double>(sum[k]) / blocks;
    const double mse = static_cast<double>(sum_sq[k]) / blocks;
    if (std::fabs(mean) > f.worst_position_mean) f.worst_position_mean = std::fabs(mean);
    if (mse > f.worst_position_mse) f.worst_position_mse = mse;
    total += sum[k];
    total_sq += sum_sq[k];
  }
  f.overall_mean = std::fabs(static_cast<double>(total) / (64.0 * blocks));
  f.overall_mse = static_cast<double>(total_sq) / (64.0 * blocks);
  return f;
}

struct Condition {
  int low, high, sign;
};

// Parameter: the implementation (reference, SSE2, AVX2), each measured
// through the dispatcher where this machine has it.
class Ieee1180Test : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    if (GetParam() > BestInverseTransformPath()) GTEST_SKIP() << "not available here";
    SelectInverseTransformPath(GetParam());
  }
  void TearDown() override { SelectInverseTransformPath(BestInverseTransformPath()); }
};

const char* PathName(int path) {
  return path == kTransformAvx2 ? "AVX2" : path == kTransformSse2 ? "SSE2" : "reference";
}

TEST_P(Ieee1180Test, MeetsAccuracyLimits) {
  void (*transform)(int16_t*) = InverseTransformSigned;
  const Condition conditions[] = {{256, 255, 1}, {256, 255, -1}, {5, 5, 1},
                                  {5, 5, -1},    {300, 300, 1},  {300, 300, -1}};
  for (const Condition& c : conditions) {
    const Figures f = Measure(c.low, c.high, c.sign, 10000, transform);
    std::printf(
        "IEEE 1180 %s range -%d..%d sign %+d: peak %d, worst position mse %.4f, overall mse "
        "%.5f, worst position mean %.4f, overall mean %.5f\n",
        PathName(GetParam()), c.low, c.high, c.sign, f.peak, f.worst_position_mse, f.overall_mse,
        f.worst_position_mean, f.overall_mean);
    const std::string key = "r" + std::to_string(c.low) + (c.sign > 0 ? "p" : "n");
    RecordProperty(key + "_peak", f.peak);
    RecordProperty(key + "_pmse", std::to_string(f.worst_position_mse));
    RecordProperty(key + "_omse", std::to_string(f.overall_mse));
    RecordProperty(key + "_pme", std::to_string(f.worst_position_mean));
    RecordProperty(key + "_ome", std::to_string(f.overall_mean));
    EXPECT_LE(f.peak, 1) << key;
    EXPECT_LE(f.worst_position_mse, 0.06) << key;
    EXPECT_LE(f.overall_mse, 0.02) << key;
    EXPECT_LE(f.worst_position_mean, 0.015) << key;
    EXPECT_LE(f.overall_mean, 0.0015) << key;
  }
}

TEST_P(Ieee1180Test, ZeroInputGivesZeroOutput) {
  int16_t block[64] = {};
  InverseTransformSigned(block);
  for (int k = 0; k < 64; ++k) EXPECT_EQ(block[k], 0) << k;
}

INSTANTIATE_TEST_SUITE_P(Implementations, Ieee1180Test,
                         ::testing::Values(kTransformReference, kTransformSse2, kTransformAvx2),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(PathName(info.param));
                         });

}  // namespace
}  // namespace marlow
