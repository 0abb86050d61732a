#include "tests/display_window/display_window_fixture.h"

#include <cstdlib>
#include <cstring>
#include <ostream>

#include "display/pixel_convert.h"

namespace marlow {
namespace test {

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "RGB(" << c.r << ", " << c.g << ", " << c.b << ")";
}

std::vector<uint8_t> SolidPicture(int width, int height, int y, int cb, int cr) {
  std::vector<uint8_t> planes(static_cast<size_t>(width) * height * 3 / 2);
  const size_t luma = static_cast<size_t>(width) * height;
  std::memset(planes.data(), y, luma);
  std::memset(planes.data() + luma, cb, luma / 4);
  std::memset(planes.data() + luma + luma / 4, cr, luma / 4);
  return planes;
}

Rgb ConvertedColour(int y, int cb, int cr) {
  const std::vector<uint8_t> planes = SolidPicture(2, 2, y, cb, cr);
  uint8_t out[2 * 2 * 4] = {};
  ConvertPicture(PixelFormat::Xrgb32, out, 8, planes.data(), 2, 2);
  return Rgb{out[2], out[1], out[0]};
}

ChannelColour ColourOfChannel(int channel) {
  // Spread over hue and brightness so that neighbours differ clearly.
  static const ChannelColour kColours[16] = {
      {76, 85, 255},   {150, 44, 21},   {29, 255, 107}, {225, 0, 148},
      {178, 171, 0},   {105, 212, 234}, {60, 100, 100}, {200, 128, 128},
      {120, 60, 200},  {90, 200, 60},   {160, 90, 170}, {40, 150, 90},
      {230, 120, 140}, {130, 180, 200}, {70, 60, 60},   {190, 40, 120}};
  return kColours[channel & 15];
}

void NoticeLog::Notice(const char* text, const char* caption) {
  texts.push_back(std::string(text) + "|" + (caption != nullptr ? caption : ""));
}

Grab::Grab(HWND window, bool fromScreen) {
  RECT client = {0, 0, 0, 0};
  GetClientRect(window, &client);
  width_ = client.right;
  height_ = client.bottom;
  if (width_ <= 0 || height_ <= 0) return;
  BITMAPINFO info;
  std::memset(&info, 0, sizeof(info));
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC windowDc = GetDC(fromScreen ? nullptr : window);
  POINT origin = {0, 0};
  if (fromScreen) ClientToScreen(window, &origin);
  HBITMAP section = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(windowDc);
  HGDIOBJ old = SelectObject(memory, section);
  BitBlt(memory, 0, 0, width_, height_, windowDc, origin.x, origin.y, SRCCOPY);
  GdiFlush();
  pixels_.assign(static_cast<const uint32_t*>(bits),
                 static_cast<const uint32_t*>(bits) + static_cast<size_t>(width_) * height_);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(section);
  ReleaseDC(fromScreen ? nullptr : window, windowDc);
}

Rgb Grab::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return Rgb{-1, -1, -1};
  const uint32_t p = pixels_[static_cast<size_t>(y) * width_ + x];
  return Rgb{static_cast<int>(p >> 16 & 0xFF), static_cast<int>(p >> 8 & 0xFF),
             static_cast<int>(p & 0xFF)};
}

int Grab::CountDifferent(const PaneRect& r, const Rgb& colour) const {
  int count = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) count += At(x, y) != colour;
  }
  return count;
}

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

// Under Wine, the GL renderer presents a child window's primary surface
// where neither the window's nor the screen's device context (nor the X
// server's screenshot, with Xvfb) shows it. Wine's GDI renderer draws the
// same surfaces through GDI, where the tests can read them back. The setting
// is Wine's per-program one, written before the display loads its library.
void PreferReadableRenderer() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr) return;
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof(path));
  const char* name = strrchr(path, '\\');
  name = name != nullptr ? name + 1 : path;
  const std::string key = std::string("Software\\Wine\\AppDefaults\\") + name + "\\Direct3D";
  HKEY handle = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &handle, nullptr) == ERROR_SUCCESS) {
    RegSetValueExA(handle, "renderer", 0, REG_SZ, reinterpret_cast<const BYTE*>("gdi"), 4);
    RegCloseKey(handle);
  }
}

void DisplayWindowTest::SetUp() {
  PreferReadableRenderer();
  // Test programs running side by side would put their windows over each
  // other at the same place of the screen; one at a time holds the screen.
  screen_ = CreateMutexA(nullptr, FALSE, "MarlowDisplayTestScreen");
  if (screen_ != nullptr) WaitForSingleObject(screen_, INFINITE);
  previousSink_ = platform::SetNoticeSink(&notices_);
  WNDCLASSA wc;
  std::memset(&wc, 0, sizeof(wc));
  wc.lpfnWndProc = ParentProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  wc.lpszClassName = "MarlowDisplayTestParent";
  RegisterClassA(&wc);
  parent_ = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "display test",
                            WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, kWidth, kHeight, nullptr,
                            nullptr, wc.hInstance, nullptr);
  ASSERT_NE(nullptr, parent_);
  display_ = std::make_unique<VideoDisplay>();
  ASSERT_EQ(1, display_->Create(parent_, 0, 0, kWidth, kHeight, 100));
  Pump();
}

void DisplayWindowTest::TearDown() {
  // MARLOW_DISPLAY_HOLD_MS keeps the last picture on the screen for a
  // screenshot.
  if (const char* hold = getenv("MARLOW_DISPLAY_HOLD_MS")) {
    for (int waited = 0; waited < atoi(hold); waited += 50) {
      Pump();
      Sleep(50);
    }
  }
  display_.reset();
  if (parent_ != nullptr) DestroyWindow(parent_);
  Pump();
  platform::SetNoticeSink(previousSink_);
  if (screen_ != nullptr) {
    ReleaseMutex(screen_);
    CloseHandle(screen_);
    screen_ = nullptr;
  }
}

void DisplayWindowTest::Pump() {
  MSG msg;
  for (int round = 0; round < 3; ++round) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    GdiFlush();
    Sleep(5);
  }
}

Grab DisplayWindowTest::GrabDisplay() {
  Pump();
  return Grab(display_->Window(), display_->DirectDrawActive() != 0);
}

int DisplayWindowTest::ShowChannel(int channel, int width, int height, int year) {
  const ChannelColour c = ColourOfChannel(channel);
  const std::vector<uint8_t> planes = SolidPicture(width, height, c.y, c.cb, c.cr);
  TimeRecord time = {};
  time.year = static_cast<uint16_t>(year);
  time.month = 3;
  time.day = 14;
  time.hour = 15;
  time.minute = 9;
  time.second = 26;
  return display_->Show(channel, time, planes.data(), width, height);
}

void DisplayWindowTest::ShowAll(int count) {
  for (int channel = 0; channel < count; ++channel) ShowChannel(channel);
}

Rgb DisplayWindowTest::Expected(int channel) const {
  const ChannelColour c = ColourOfChannel(channel);
  return ConvertedColour(c.y, c.cb, c.cr);
}

POINT DisplayWindowTest::Probe(const PaneRect& pane) {
  POINT p = {(pane.left + pane.right) / 2, pane.top + pane.Height() * 3 / 4};
  return p;
}

}  // namespace test
}  // namespace marlow
