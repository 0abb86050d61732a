#include "viewer/win32_status_line.h"

#include "viewer/skin/skin_geometry.h"
#include "viewer/skin/win32_skin_bitmap.h"
#include "viewer/status_text.h"

namespace marlow::viewer {

StatusLine::~StatusLine() {
  OnDetached();
}

int StatusLine::Attach(HWND dialog, int id, int stripId) {
  if (!ControlSubclass::Attach(dialog, id)) return 0;
  if (!strip_)
    strip_ = LoadSkinBitmap(module_ ? module_ : GetModuleHandleA(nullptr), stripId, &stripWidth_,
                            &stripHeight_);
  if (!font_) {
    font_ = CreateFontA(18, 0, 0, 0, 600, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Trebuchet MS");
  }
  Repaint();
  return 1;
}

void StatusLine::OnDetached() {
  if (strip_) DeleteObject(strip_);
  if (font_) DeleteObject(font_);
  strip_ = nullptr;
  font_ = nullptr;
}

void StatusLine::SetTexts(const std::string& stateText, const std::string& timeText) {
  stateText_ = stateText;
  timeText_ = timeText;
}

void StatusLine::Repaint() {
  if (Window()) InvalidateRect(Window(), nullptr, FALSE);
}

LRESULT StatusLine::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Window(), &ps);
      RECT client;
      GetClientRect(Window(), &client);
      // Composed off screen so that the 300 ms refresh does not flicker.
      OffscreenDc off(dc, client.right, client.bottom);
      if (off.Valid()) {
        Paint(off.Dc(), client);
        BitBlt(dc, 0, 0, client.right, client.bottom, off.Dc(), 0, 0, SRCCOPY);
      } else {
        Paint(dc, client);
      }
      EndPaint(Window(), &ps);
      return 0;
    }
    case WM_SETTEXT: {
      const LRESULT r = Default(message, wParam, lParam);
      Repaint();
      return r;
    }
    default:
      return Default(message, wParam, lParam);
  }
}

void StatusLine::DrawPiece(HDC dc, HDC strip, int sx, int sy, int w, int h, int dx, int dy) {
  if (sx < 0 || sy < 0 || sx + w > stripWidth_ || sy + h > stripHeight_) return;
  BitBlt(dc, dx, dy, w, h, strip, sx, sy, SRCCOPY);
}

void StatusLine::Paint(HDC dc, const RECT& client) {
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  FillRect(dc, &client, black);
  HDC strip = strip_ ? CreateCompatibleDC(dc) : nullptr;
  HGDIOBJ oldStrip = strip ? SelectObject(strip, strip_) : nullptr;
  const int top = (client.bottom - kStatusRowHeight) / 2;
  if (mode_ == 1) {
    if (strip) {
      const SkinRect icon = StatusStateIconSource(state_);
      DrawPiece(dc, strip, icon.x, icon.y, icon.width, icon.height, 4, top);
    }
    HGDIOBJ oldFont = font_ ? SelectObject(dc, font_) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 255, 0));
    RECT band = {32, 0, 132, client.bottom};
    DrawTextA(dc, stateText_.c_str(), -1, &band,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    RECT time = {132, 0, client.right, client.bottom};
    DrawTextA(dc, timeText_.c_str(), -1, &time, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (oldFont) SelectObject(dc, oldFont);
  } else if (strip) {
    const SkinRect link = StatusConnectionSource(connection_);
    DrawPiece(dc, strip, link.x, link.y, link.width, link.height, 0, 0);
    for (int i = 0; i < channels_ && i < 16; ++i) {
      const SkinRect s = StatusChannelSource(i, connection_);
      const SkinRect d = StatusChannelDest(i);
      DrawPiece(dc, strip, s.x, s.y, s.width, s.height, d.x, d.y);
    }
    const SkinRect s = StatusAudioSource(connection_);
    const SkinRect d = StatusAudioDest();
    DrawPiece(dc, strip, s.x, s.y, s.width, s.height, d.x, d.y);
  }
  if (strip) {
    SelectObject(strip, oldStrip);
    DeleteDC(strip);
  }
}

}  // namespace marlow::viewer
