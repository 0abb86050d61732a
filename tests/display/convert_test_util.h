// Picture builders shared by the converter tests.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace marlow {
namespace test {

// A planar 4:2:0 picture laid out as the decoder writes it.
struct YuvPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> planes;

  YuvPicture(int w, int h) : width(w), height(h), planes(static_cast<size_t>(w) * h * 3 / 2) {}
  uint8_t& Y(int x, int y) { return planes[static_cast<size_t>(y) * width + x]; }
  uint8_t& Cb(int x, int y) {
    return planes[static_cast<size_t>(width) * height + static_cast<size_t>(y) * (width / 2) + x];
  }
  uint8_t& Cr(int x, int y) {
    return planes[static_cast<size_t>(width) * height * 5 / 4 +
                  static_cast<size_t>(y) * (width / 2) + x];
  }
  void Fill(uint8_t y, uint8_t cb, uint8_t cr) {
    for (int r = 0; r < height; ++r)
      for (int c = 0; c < width; ++c) Y(c, r) = y;
    for (int r = 0; r < height / 2; ++r)
      for (int c = 0; c < width / 2; ++c) {
        Cb(c, r) = cb;
        Cr(c, r) = cr;
      }
  }
  void Randomise(uint32_t seed) {
    std::mt19937 rng(seed);
    for (uint8_t& b : planes) b = static_cast<uint8_t>(rng() >> 24);
  }
};

}  // namespace test
}  // namespace marlow
