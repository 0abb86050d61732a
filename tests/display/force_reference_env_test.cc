// Run with MARLOW_FORCE_REFERENCE=1 in the environment (see CMakeLists.txt):
// the switch must be on from the first conversion, and SetForceReference can
// still release it.
#include <vector>

#include <gtest/gtest.h>

#include "display/pixel_convert.h"

namespace marlow {
namespace {

TEST(ForceReferenceEnvironment, VariableForcesTheReference) {
  EXPECT_TRUE(ForceReference());
  EXPECT_EQ(ConvertKernel::Reference, ActiveConvertKernel());
  std::vector<uint8_t> planes(64 * 2 * 3 / 2, 128), out(64 * 2 * 4);
  EXPECT_EQ(1, ConvertPicture(PixelFormat::Xrgb32, out.data(), 64 * 4, planes.data(), 64, 2));
  SetForceReference(false);
  EXPECT_FALSE(ForceReference());
}

}  // namespace
}  // namespace marlow
