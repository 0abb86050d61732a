// The recorder's picture interval: the time between two pictures of its one
// stream (all cameras together) when it leaves none out, by stream variant
// and picture height. A recorder sends (frameSkip + 1) intervals apart,
// shared round-robin by the cameras in its channel mask. The player paces by
// this table, the export derives its files' rates from it and the tools that
// make recordings lay pictures by it, so all three agree.
#pragma once

namespace marlow {

constexpr int PictureIntervalUs(int variant, int height) {
  const bool slowTable = variant == 0 || variant == 2;
  if (height == 224) return slowTable ? 33333 : 16666;
  // 272 lines: the table gives 25000 (not 40000) and 12500 (not 20000).
  return slowTable ? 25000 : 12500;
}

}  // namespace marlow
