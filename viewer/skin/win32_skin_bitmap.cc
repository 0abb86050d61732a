#include "viewer/skin/win32_skin_bitmap.h"

namespace marlow::viewer {

HBITMAP LoadSkinBitmap(HINSTANCE module, int id, int* width, int* height) {
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(module ? module : GetModuleHandleA(nullptr),
                                                   MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                                   LR_CREATEDIBSECTION));
  if (!bitmap) return nullptr;
  BITMAP info = {};
  GetObjectA(bitmap, sizeof(info), &info);
  if (width) *width = info.bmWidth;
  if (height) *height = info.bmHeight;
  return bitmap;
}

HBITMAP MakeTransparentMask(HBITMAP bitmap, int width, int height, uint32_t colour, int x, int y) {
  HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
  HDC screen = GetDC(nullptr);
  HDC source = CreateCompatibleDC(screen);
  HDC target = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  if (!mask || !source || !target) {
    if (mask) DeleteObject(mask);
    if (source) DeleteDC(source);
    if (target) DeleteDC(target);
    return nullptr;
  }
  HGDIOBJ oldSource = SelectObject(source, bitmap);
  HGDIOBJ oldTarget = SelectObject(target, mask);
  COLORREF key = colour == kColourAtPixel ? GetPixel(source, x, y) : static_cast<COLORREF>(colour);
  // Colour to monochrome: pixels of the background colour become white.
  SetBkColor(source, key);
  BitBlt(target, 0, 0, width, height, source, 0, 0, SRCCOPY);
  // Blacken the transparent pixels: bitmap AND NOT mask.
  SetBkColor(source, RGB(255, 255, 255));
  SetTextColor(source, RGB(0, 0, 0));
  BitBlt(source, 0, 0, width, height, target, 0, 0, 0x00220326);
  SelectObject(source, oldSource);
  SelectObject(target, oldTarget);
  DeleteDC(source);
  DeleteDC(target);
  return mask;
}

void DrawSkinPart(HDC dc, int dx, int dy, int dw, int dh, HBITMAP bitmap, HBITMAP mask, int sx,
                  int sy, int sw, int sh) {
  if (!bitmap || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  HDC source = CreateCompatibleDC(dc);
  const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
  const bool same = dw == sw && dh == sh;
  if (mask) {
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(source, mask);
    if (same) {
      BitBlt(dc, dx, dy, dw, dh, source, sx, sy, SRCAND);
    } else {
      StretchBlt(dc, dx, dy, dw, dh, source, sx, sy, sw, sh, SRCAND);
    }
    SelectObject(source, bitmap);
    if (same) {
      BitBlt(dc, dx, dy, dw, dh, source, sx, sy, SRCPAINT);
    } else {
      StretchBlt(dc, dx, dy, dw, dh, source, sx, sy, sw, sh, SRCPAINT);
    }
    SelectObject(source, old);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBk);
  } else {
    HGDIOBJ old = SelectObject(source, bitmap);
    if (same) {
      BitBlt(dc, dx, dy, dw, dh, source, sx, sy, SRCCOPY);
    } else {
      StretchBlt(dc, dx, dy, dw, dh, source, sx, sy, sw, sh, SRCCOPY);
    }
    SelectObject(source, old);
  }
  SetStretchBltMode(dc, oldMode);
  DeleteDC(source);
}

void PaintParentBackground(HWND child, HDC dc) {
  HWND parent = GetParent(child);
  if (!parent) return;
  POINT origin = {0, 0};
  MapWindowPoints(child, parent, &origin, 1);
  POINT old;
  SetViewportOrgEx(dc, -origin.x, -origin.y, &old);
  SendMessageA(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  SetViewportOrgEx(dc, old.x, old.y, nullptr);
}

OffscreenDc::OffscreenDc(HDC reference, int width, int height) {
  dc_ = CreateCompatibleDC(reference);
  bitmap_ = CreateCompatibleBitmap(reference, width > 0 ? width : 1, height > 0 ? height : 1);
  if (dc_ && bitmap_) previous_ = SelectObject(dc_, bitmap_);
}

OffscreenDc::~OffscreenDc() {
  if (dc_ && previous_) SelectObject(dc_, previous_);
  if (bitmap_) DeleteObject(bitmap_);
  if (dc_) DeleteDC(dc_);
}

}  // namespace marlow::viewer
