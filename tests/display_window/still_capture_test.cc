// Still capture of a known display: the file that comes back holds the
// window's pixels behind a correct file header, and the clipboard keeps the
// same picture.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "tests/display_window/display_window_fixture.h"

namespace marlow {
namespace test {
namespace {

uint32_t Le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

std::vector<uint8_t> ReadAll(const char* path) {
  std::vector<uint8_t> bytes;
  FILE* f = fopen(path, "rb");
  if (f == nullptr) return bytes;
  uint8_t buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
    bytes.insert(bytes.end(), buffer, buffer + n);
  fclose(f);
  return bytes;
}

// A pixel of a 24- or 32-bit bottom-up (or top-down) file, plain or with
// 0xFF0000 / 0xFF00 / 0xFF masks.
Rgb FilePixel(const std::vector<uint8_t>& file, int x, int y) {
  const uint8_t* info = file.data() + 14;
  const int width = static_cast<int>(Le32(info + 4));
  const int height = static_cast<int>(Le32(info + 8));
  const int bits = info[14];
  const uint32_t offset = Le32(file.data() + 10);
  const int rowBytes = ((width * bits + 31) / 32) * 4;
  const int row = height > 0 ? height - 1 - y : y;
  const uint8_t* p = file.data() + offset + static_cast<size_t>(row) * rowBytes + x * (bits / 8);
  return Rgb{p[2], p[1], p[0]};
}

class StillCaptureTest : public DisplayWindowTest, public ::testing::WithParamInterface<bool> {};

TEST_P(StillCaptureTest, FileHoldsTheWindowBehindItsHeader) {
  const char* path = "display_still_test.bmp";
  DeleteFileA(path);
  if (GetParam()) {
    display_->SetDirectDraw(1);
    ASSERT_EQ(1, display_->DirectDrawActive()) << display_->LastError();
  }
  display_->SetChannelCount(4);
  ASSERT_EQ(1, display_->SelectLayout(4, 0));
  ShowAll(4);
  Pump();
  ASSERT_EQ(1, display_->CaptureToFile(path));
  const std::vector<uint8_t> file = ReadAll(path);
  ASSERT_GT(file.size(), 54u);
  EXPECT_EQ('B', file[0]);
  EXPECT_EQ('M', file[1]);
  EXPECT_EQ(file.size(), Le32(file.data() + 2));
  EXPECT_EQ(0u, Le32(file.data() + 6));
  const uint8_t* info = file.data() + 14;
  EXPECT_EQ(40u, Le32(info));
  EXPECT_EQ(static_cast<uint32_t>(kWidth), Le32(info + 4));
  EXPECT_EQ(static_cast<uint32_t>(kHeight),
            static_cast<uint32_t>(abs(static_cast<int>(Le32(info + 8)))));
  const uint32_t compression = Le32(info + 16);
  const int bits = info[14];
  ASSERT_TRUE(bits == 24 || bits == 32) << bits;
  // 32-bit desktop: 54 for plain RGB, 66 for bit fields.
  EXPECT_EQ(compression == 3 ? 66u : 54u, Le32(file.data() + 10)) << compression;
  if (compression == 3) {
    EXPECT_EQ(0xFF0000u, Le32(info + 40));
    EXPECT_EQ(0xFF00u, Le32(info + 44));
    EXPECT_EQ(0xFFu, Le32(info + 48));
  }
  for (int channel = 0; channel < 4; ++channel) {
    const POINT p = Probe(display_->Pane(channel));
    EXPECT_EQ(Expected(channel), FilePixel(file, p.x, p.y)) << channel;
  }

  // The clipboard keeps the same picture as a bitmap.
  ASSERT_TRUE(OpenClipboard(display_->Window()));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
  HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  BITMAP bm = {};
  ASSERT_NE(0, GetObjectA(bitmap, sizeof(bm), &bm));
  EXPECT_EQ(kWidth, bm.bmWidth);
  EXPECT_EQ(kHeight, bm.bmHeight);
  CloseClipboard();
  DeleteFileA(path);
}

TEST_P(StillCaptureTest, UnwritableFileIsSilentlySkipped) {
  if (GetParam()) display_->SetDirectDraw(1);
  ShowChannel(0);
  EXPECT_EQ(1, display_->CaptureToFile("no-such-folder\\still.bmp"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("no-such-folder\\still.bmp"));
  EXPECT_TRUE(notices_.texts.empty()) << notices_.texts[0];
}

TEST_F(DisplayWindowTest, CaptureTruncatesAnOlderFile) {
  const char* path = "display_still_again.bmp";
  FILE* f = fopen(path, "wb");
  ASSERT_NE(nullptr, f);
  std::vector<uint8_t> junk(4 * 1024 * 1024, 0x5A);
  fwrite(junk.data(), 1, junk.size(), f);
  fclose(f);
  MoveWindow(display_->Window(), 0, 0, 64, 48, TRUE);
  ShowChannel(0);
  ASSERT_EQ(1, display_->CaptureToFile(path));
  const std::vector<uint8_t> file = ReadAll(path);
  ASSERT_GT(file.size(), 54u);
  EXPECT_EQ(file.size(), Le32(file.data() + 2));
  EXPECT_LT(file.size(), 64u * 48 * 4 + 200);
  EXPECT_EQ(Expected(0), FilePixel(file, 32, 24));
  DeleteFileA(path);
}

INSTANTIATE_TEST_SUITE_P(Paths, StillCaptureTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "DirectDraw" : "Gdi";
                         });

}  // namespace
}  // namespace test
}  // namespace marlow
