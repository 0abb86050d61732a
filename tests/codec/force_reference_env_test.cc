// Run with MARLOW_FORCE_REFERENCE=1 in the environment (see CMakeLists.txt):
// every new decoder starts on the reference coefficient path, and
// UseReferencePath can still release it.
#include <gtest/gtest.h>

#include "codec/video_decoder.h"

namespace marlow {
namespace {

TEST(CodecForceReferenceEnvironment, NewDecodersUseTheReferencePath) {
  VideoDecoder decoder;
  EXPECT_TRUE(decoder.UsesReferencePath());
  decoder.Reset(4);
  EXPECT_TRUE(decoder.UsesReferencePath());
  decoder.UseReferencePath(false);
  EXPECT_FALSE(decoder.UsesReferencePath());
  EXPECT_TRUE(VideoDecoder().UsesReferencePath());
}

}  // namespace
}  // namespace marlow
