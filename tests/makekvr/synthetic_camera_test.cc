// Synthetic camera: deterministic, distinct per channel, counter readable.
#include "tools/encoder/synthetic_camera.h"

#include <gtest/gtest.h>

#include <vector>

namespace marlow {
namespace {

TEST(SyntheticCamera, CounterAndChannelReadBack) {
  for (int channel : {0, 7, 15}) {
    SyntheticCamera camera(channel, 640, 224);
    std::vector<uint8_t> pic(camera.PictureBytes());
    for (uint32_t n : {0u, 1u, 42u, 123456u, 999999u}) {
      camera.Render(n, pic.data());
      EXPECT_EQ(ReadBurntInCounter(pic.data(), 640, 640, 224), static_cast<long>(n));
      EXPECT_EQ(ReadBurntInChannel(pic.data(), 640, 640, 224), channel);
    }
  }
}

TEST(SyntheticCamera, DeterministicMovingAndDistinct) {
  SyntheticCamera a(3, 640, 272), b(4, 640, 272);
  std::vector<uint8_t> p1(a.PictureBytes()), p2(a.PictureBytes()), p3(a.PictureBytes());
  a.Render(10, p1.data());
  a.Render(10, p2.data());
  EXPECT_EQ(p1, p2);
  a.Render(11, p2.data());
  EXPECT_NE(p1, p2);
  b.Render(10, p3.data());
  // The channels differ in colour, not only in the drawn channel number.
  const size_t cb = 640 * 272 + 10;  // background chroma near the top left
  EXPECT_NE(p1[cb], p3[cb]);
}

TEST(SyntheticCamera, UnreadableCounterIsRefused) {
  std::vector<uint8_t> grey(640 * 224, 128);
  EXPECT_EQ(ReadBurntInCounter(grey.data(), 640, 640, 224), -1);
  EXPECT_EQ(ReadBurntInChannel(grey.data(), 640, 640, 224), -1);
}

}  // namespace
}  // namespace marlow
