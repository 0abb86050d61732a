#include <windows.h>

#include "export/stamp_surface.h"

namespace marlow {

StampSurface::~StampSurface() {
  if (dc_) {
    SelectObject(static_cast<HDC>(dc_), static_cast<HGDIOBJ>(previous_));
    DeleteDC(static_cast<HDC>(dc_));
  }
  if (bitmap_) DeleteObject(static_cast<HGDIOBJ>(bitmap_));
}

int StampSurface::Create(void* window, int width, int height) {
  if (bitmap_ || width <= 0 || height <= 0) return 0;
  HWND hwnd = static_cast<HWND>(window);
  HDC screen = GetDC(hwnd);
  if (!screen) return 0;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as the files hold pictures
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = bitmap ? CreateCompatibleDC(screen) : nullptr;
  ReleaseDC(hwnd, screen);
  if (!bitmap || !dc) {
    if (bitmap) DeleteObject(bitmap);
    return 0;
  }
  window_ = window;
  bitmap_ = bitmap;
  dc_ = dc;
  previous_ = SelectObject(dc, bitmap);
  bits_ = static_cast<uint8_t*>(bits);
  width_ = width;
  height_ = height;
  return 1;
}

void StampSurface::Stamp(const char* text, int length) {
  HDC dc = static_cast<HDC>(dc_);
  if (!dc) return;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  TextOutA(dc, 9, 9, text, length);
  TextOutA(dc, 7, 9, text, length);
  TextOutA(dc, 7, 7, text, length);
  TextOutA(dc, 9, 7, text, length);
  SetTextColor(dc, RGB(255, 255, 255));
  TextOutA(dc, 8, 8, text, length);
  GdiFlush();  // the bits are read next
}

void StampSurface::Show() {
  HWND hwnd = static_cast<HWND>(window_);
  if (!dc_ || !hwnd) return;
  RECT client;
  if (!GetClientRect(hwnd, &client)) return;
  HDC target = GetDC(hwnd);
  if (!target) return;
  SetStretchBltMode(target, COLORONCOLOR);
  StretchBlt(target, 0, 0, client.right, client.bottom, static_cast<HDC>(dc_), 0, 0, width_,
             height_, SRCCOPY);
  ReleaseDC(hwnd, target);
}

StampBox StampSurface::BoxOf(const char* text, int length) const {
  StampBox box;
  SIZE size = {};
  if (dc_) GetTextExtentPoint32A(static_cast<HDC>(dc_), text, length, &size);
  box.left = 7;
  box.top = 7;
  box.right = 9 + size.cx;
  box.bottom = 9 + size.cy;
  return box;
}

}  // namespace marlow
