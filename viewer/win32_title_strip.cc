#include "viewer/win32_title_strip.h"

#include <vector>

#include "viewer/skin/win32_skin_bitmap.h"

namespace marlow::viewer {

void TitleStrip::SetTitle(const char* text) {
  if (!Window()) return;
  SetWindowTextA(Window(), text ? text : "");
}

void TitleStrip::OnDetached() {
  if (background_) DeleteObject(background_);
  background_ = nullptr;
  width_ = height_ = 0;
}

void TitleStrip::TakeBackground(HDC reference, int width, int height) {
  OnDetached();
  HDC dc = CreateCompatibleDC(reference);
  background_ = CreateCompatibleBitmap(reference, width, height);
  if (!dc || !background_) {
    if (dc) DeleteDC(dc);
    OnDetached();
    return;
  }
  HGDIOBJ old = SelectObject(dc, background_);
  PaintParentBackground(Window(), dc);
  SelectObject(dc, old);
  DeleteDC(dc);
  width_ = width;
  height_ = height;
}

LRESULT TitleStrip::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(Window(), &client);
      HDC dc = reinterpret_cast<HDC>(wParam);
      // Taken once; again only when the strip changed size with the window,
      // where the old copy no longer fits.
      if (!background_ || width_ != client.right || height_ != client.bottom) {
        TakeBackground(dc, client.right, client.bottom);
      }
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Window(), &ps);
      RECT client;
      GetClientRect(Window(), &client);
      if (!background_) TakeBackground(dc, client.right, client.bottom);
      OffscreenDc off(dc, client.right, client.bottom);
      HDC target = off.Valid() ? off.Dc() : dc;
      if (background_) {
        HDC copy = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(copy, background_);
        BitBlt(target, 0, 0, width_, height_, copy, 0, 0, SRCCOPY);
        SelectObject(copy, old);
        DeleteDC(copy);
      }
      const int length = GetWindowTextLengthA(Window());
      std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
      GetWindowTextA(Window(), text.data(), length + 1);
      HFONT font = reinterpret_cast<HFONT>(SendMessageA(Window(), WM_GETFONT, 0, 0));
      HGDIOBJ oldFont = font ? SelectObject(target, font) : nullptr;
      SetBkMode(target, TRANSPARENT);
      SetTextColor(target, RGB(0x5C, 0x5C, 0x5C));
      DrawTextA(target, text.data(), -1, &client,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
      if (oldFont) SelectObject(target, oldFont);
      if (target != dc) BitBlt(dc, 0, 0, client.right, client.bottom, target, 0, 0, SRCCOPY);
      EndPaint(Window(), &ps);
      return 0;
    }
    case WM_SETTEXT: {
      const LRESULT r = Default(message, wParam, lParam);
      InvalidateRect(Window(), nullptr, FALSE);
      return r;
    }
    default:
      return Default(message, wParam, lParam);
  }
}

}  // namespace marlow::viewer
