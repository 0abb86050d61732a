// Forward 8x8 DCT in double precision, scaled to match the decoder's inverse
// transform: F(u,v) = 1/4 C(u) C(v) sum f(x,y) cos((2x+1)u pi/16) cos((2y+1)v pi/16)
// with C(0) = 1/sqrt(2), so a flat block of value d gives F(0,0) = 8 d.
// The encoder is a test-data tool, so accuracy matters more than speed here.
#pragma once

#include <cstdint>

namespace marlow {

// `samples`: 64 values in raster order (row * 8 + column).
// `coefficients`: 64 values in raster order (v * 8 + u, v the vertical frequency).
void ForwardDct(const uint8_t samples[64], double coefficients[64]);

}  // namespace marlow
