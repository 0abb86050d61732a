#include "tools/encoder/forward_dct.h"

namespace marlow {
namespace {

// cos(k pi / 16) for k = 0..8, written out so that every build (and every
// C library) computes the same coefficients bit for bit.
const double kCos16[9] = {1.0,
                          0.98078528040323044913,
                          0.92387953251128675613,
                          0.83146961230254523708,
                          0.70710678118654752440,
                          0.55557023301960222474,
                          0.38268343236508977173,
                          0.19509032201612826785,
                          0.0};

// cos(m pi / 16) for any m >= 0, by symmetry from the table.
double CosPi16(int m) {
  m %= 32;
  if (m <= 8) return kCos16[m];
  if (m <= 16) return -kCos16[16 - m];
  if (m <= 24) return -kCos16[m - 16];
  return kCos16[32 - m];
}

// basis[k][n] = C(k)/2 * cos((2n+1) k pi / 16): one 1-D pass is a matrix product.
struct Basis {
  double m[8][8];
  Basis() {
    for (int k = 0; k < 8; ++k) {
      const double c = k == 0 ? kCos16[4] : 1.0;  // C(0) = 1/sqrt(2)
      for (int n = 0; n < 8; ++n) m[k][n] = 0.5 * c * CosPi16((2 * n + 1) * k);
    }
  }
};

const Basis& TheBasis() {
  static const Basis basis;
  return basis;
}

}  // namespace

void ForwardDct(const uint8_t samples[64], double coefficients[64]) {
  const Basis& b = TheBasis();
  double rows[64];
  // Rows: horizontal frequencies.
  for (int y = 0; y < 8; ++y) {
    for (int u = 0; u < 8; ++u) {
      double s = 0;
      for (int x = 0; x < 8; ++x) s += b.m[u][x] * samples[y * 8 + x];
      rows[y * 8 + u] = s;
    }
  }
  // Columns: vertical frequencies.
  for (int u = 0; u < 8; ++u) {
    for (int v = 0; v < 8; ++v) {
      double s = 0;
      for (int y = 0; y < 8; ++y) s += b.m[v][y] * rows[y * 8 + u];
      coefficients[v * 8 + u] = s;
    }
  }
}

}  // namespace marlow
