#include "tools/marlow/export_pictures.h"

#include <cstdio>
#include <cstring>

namespace marlow::cli {

namespace {

// 5 x 7 glyphs, one byte a row, bit 4 = leftmost column.
struct Glyph {
  char c;
  uint8_t rows[7];
};
constexpr Glyph kGlyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'/', {0x01, 0x01, 0x02, 0x04, 0x08, 0x10, 0x10}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
};
constexpr int kScale = 2;
constexpr int kAdvance = 6 * kScale;  // 5 columns and one of space

const uint8_t* GlyphRows(char c) {
  for (const Glyph& g : kGlyphs)
    if (g.c == c) return g.rows;
  return nullptr;
}

void DrawText(uint8_t* rows, int width, int height, const std::string& text, int left, int top,
              uint8_t value) {
  const size_t pitch = static_cast<size_t>(width) * 3;
  for (size_t k = 0; k < text.size(); ++k) {
    const uint8_t* g = GlyphRows(text[k]);
    if (!g) continue;
    const int gx = left + static_cast<int>(k) * kAdvance;
    for (int r = 0; r < 7 * kScale; ++r) {
      const int y = top + r;
      if (y < 0 || y >= height) continue;
      uint8_t* row = rows + static_cast<size_t>(height - 1 - y) * pitch;  // bottom-up
      for (int col = 0; col < 5 * kScale; ++col) {
        if (!(g[r / kScale] >> (4 - col / kScale) & 1)) continue;
        const int x = gx + col;
        if (x < 0 || x >= width) continue;
        row[x * 3] = row[x * 3 + 1] = row[x * 3 + 2] = value;
      }
    }
  }
}

// (a + b) >> 1 of every byte, eight bytes at a time: a & b keeps the bits
// both have, (a ^ b) >> 1 adds half of the others without a carry crossing
// into the next byte.
void AverageRows(const uint8_t* a, const uint8_t* b, uint8_t* o, size_t n) {
  size_t x = 0;
  for (; x + 8 <= n; x += 8) {
    uint64_t u, v;
    std::memcpy(&u, a + x, 8);
    std::memcpy(&v, b + x, 8);
    const uint64_t m = (u & v) + (((u ^ v) & 0xFEFEFEFEFEFEFEFEull) >> 1);
    std::memcpy(o + x, &m, 8);
  }
  for (; x < n; ++x) o[x] = static_cast<uint8_t>((a[x] + b[x]) >> 1);
}

}  // namespace

int DoubleHeight(const uint8_t* in, int width, int height, uint8_t* out, size_t outBytes) {
  if (width <= 0 || height <= 0) return 0;
  const size_t pitch = static_cast<size_t>(width) * 3;
  if (outBytes < pitch * 2 * static_cast<size_t>(height)) return 0;
  const int outRows = height * 2;
  for (int i = 0; i < outRows; ++i) {
    const uint8_t* a = in + static_cast<size_t>(i / 2) * pitch;
    uint8_t* o = out + static_cast<size_t>(i) * pitch;
    if ((i & 1) && i != outRows - 1) {
      AverageRows(a, a + pitch, o, pitch);
    } else {
      std::memcpy(o, a, pitch);
    }
  }
  return 1;
}

std::string StampText(const TimeRecord& t) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return buf;
}

void DrawStamp(uint8_t* rows, int width, int height, const std::string& text) {
  static constexpr int kOutline[4][2] = {{9, 9}, {7, 9}, {7, 7}, {9, 7}};
  for (const auto& o : kOutline) DrawText(rows, width, height, text, o[0], o[1], 0);
  DrawText(rows, width, height, text, 8, 8, 255);
}

}  // namespace marlow::cli
