#include "tests/engine/engine_fixtures.h"

#include "tools/encoder/bit_writer.h"

namespace marlow::testing {

std::vector<uint8_t> FlatPicture(int channel, bool full, uint8_t y, uint8_t u, uint8_t v) {
  constexpr int kRows = 17, kColumns = 40, kQuantiser = 2;
  std::vector<uint8_t> out(64 * 1024);
  BitWriter w(out.data(), out.size());
  w.Put(0x000001, 24);
  w.Put(full ? 0xF9 : 0xF8, 8);
  w.Put(static_cast<uint32_t>(kQuantiser << 4 | channel), 8);
  auto block = [&](uint8_t dc) {
    w.Put(dc, 8);
    w.Put(0x2, 2);  // end of block
  };
  auto macroblock = [&] {
    for (int b = 0; b < 4; ++b) block(y);
    block(u);
    block(v);
  };
  for (int row = 0; row < kRows; ++row) {
    w.AlignZero();
    w.Put(0x000001, 24);
    w.Put(static_cast<uint32_t>(row), 5);
    if (full) {
      for (int c = 0; c < kColumns; ++c) macroblock();
    } else if (row == 0) {
      w.Put(1, 6);    // address increment 1: macroblock 0
      w.Put(0xF, 4);  // all four luma blocks coded
      macroblock();
      w.Put(0, 6);  // the rest of the row keeps its pixels
    } else {
      w.Put(0, 6);
    }
  }
  w.AlignZero();
  out.resize(w.ByteLength());
  return out;
}

void RecordingDisplay::ShowPicture(int channel, const TimeRecord& time, const uint8_t* planes,
                                   int width, int height) {
  const size_t luma = static_cast<size_t>(width) * static_cast<size_t>(height);
  Shown s{channel,      clock_.NowMs(),          planes[0], planes[luma - 1],
          planes[luma], planes[luma + luma / 4], width,     height,
          time.second};
  std::lock_guard<std::mutex> lock(mutex_);
  shown_.push_back(s);
}

std::vector<Shown> RecordingDisplay::Pictures() {
  std::lock_guard<std::mutex> lock(mutex_);
  return shown_;
}

}  // namespace marlow::testing
