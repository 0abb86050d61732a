#include "viewer/skin/win32_skin_slider.h"

#include <windowsx.h>

#include "viewer/skin/win32_skin_bitmap.h"

namespace marlow::viewer {

SkinSlider::SkinSlider(HINSTANCE module) : module_(module ? module : GetModuleHandleA(nullptr)) {}

SkinSlider::~SkinSlider() {
  Detach();
  Free(&track1_);
  Free(&track2_);
  Free(&thumb1_);
  Free(&thumb2_);
}

void SkinSlider::Free(Image* image) {
  if (image->bitmap) DeleteObject(image->bitmap);
  if (image->mask) DeleteObject(image->mask);
  *image = Image();
}

int SkinSlider::LoadImages(int id1, int id2, bool transparent, uint32_t colour, int x, int y,
                           Image* first, Image* second) {
  Image a, b;
  a.bitmap = LoadSkinBitmap(module_, id1, &a.width, &a.height);
  if (!a.bitmap) return 0;
  if (id2 != 0) {
    b.bitmap = LoadSkinBitmap(module_, id2, &b.width, &b.height);
    if (!b.bitmap) {
      Free(&a);
      return 0;
    }
  }
  if (transparent) {
    a.mask = MakeTransparentMask(a.bitmap, a.width, a.height, colour, x, y);
    if (b.bitmap) b.mask = MakeTransparentMask(b.bitmap, b.width, b.height, colour, x, y);
  }
  Free(first);
  Free(second);
  *first = a;
  *second = b;
  return 1;
}

int SkinSlider::SetTrackBitmaps(int id1, int id2, bool transparent, uint32_t colour, int x, int y) {
  if (id1 == 0) {
    Free(&track1_);
    Free(&track2_);
    if (Window()) {
      RECT client;
      GetClientRect(Window(), &client);
      width_ = client.right;
      height_ = client.bottom;
    }
    Repaint();
    return 1;
  }
  if (!LoadImages(id1, id2, transparent, colour, x, y, &track1_, &track2_)) return 0;
  width_ = track1_.width;
  height_ = track1_.height;
  if (Window()) {
    SetWindowPos(Window(), nullptr, 0, 0, width_, height_,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  Repaint();
  return 1;
}

int SkinSlider::SetThumbBitmaps(int id1, int id2, bool transparent, uint32_t colour, int x, int y) {
  if (id1 == 0) {
    Free(&thumb1_);
    Free(&thumb2_);
    Repaint();
    return 1;
  }
  if (!LoadImages(id1, id2, transparent, colour, x, y, &thumb1_, &thumb2_)) return 0;
  Repaint();
  return 1;
}

void SkinSlider::SetMargins(int left, int top, int right, int bottom) {
  leftMargin_ = left;
  topMargin_ = top;
  rightMargin_ = right;
  bottomMargin_ = bottom;
  Repaint();
}

void SkinSlider::SetRange(int min, int max, bool redraw) {
  min_ = min;
  max_ = max;
  if (max_ >= min_) {
    if (position_ < min_) position_ = min_;
    if (position_ > max_) position_ = max_;
  }
  if (redraw) Repaint();
}

void SkinSlider::SetPosition(int value) {
  if (value > max_) value = max_;
  if (value < min_) value = min_;
  position_ = value;
  Repaint();
}

void SkinSlider::SetShowFocus(bool on, bool redraw) {
  showFocus_ = on;
  if (redraw) Repaint();
}

int SkinSlider::SetTooltip(int id) {
  return Window() ? tooltip_.SetTextFromResource(Window(), id, module_) : 0;
}

int SkinSlider::SetTooltipText(const char* text) {
  return Window() ? tooltip_.SetText(Window(), text) : 0;
}

SliderGeometry SkinSlider::Geometry() const {
  SliderGeometry g;
  g.width = width_;
  g.leftMargin = leftMargin_;
  g.rightMargin = rightMargin_;
  g.thumbWidth = thumb1_.width;
  g.min = min_;
  g.max = max_;
  return g;
}

void SkinSlider::OnAttached() {
  // A static passes the mouse to its parent unless it notifies.
  SetWindowLongPtrA(Window(), GWL_STYLE, GetWindowLongPtrA(Window(), GWL_STYLE) | SS_NOTIFY);
  RECT client;
  GetClientRect(Window(), &client);
  if (!track1_.bitmap) {
    width_ = client.right;
    height_ = client.bottom;
  } else {
    SetWindowPos(Window(), nullptr, 0, 0, width_, height_,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void SkinSlider::OnDetached() {
  tooltip_.Destroy();
}

void SkinSlider::Repaint() {
  if (Window()) InvalidateRect(Window(), nullptr, FALSE);
}

void SkinSlider::Notify(UINT message) {
  if (HWND parent = GetParent(Window())) {
    PostMessageA(parent, message, static_cast<WPARAM>(Id()), static_cast<LPARAM>(position_));
  }
}

void SkinSlider::MoveTo(int x) {
  const SliderGeometry g = Geometry();
  const int clamped = SliderClampPixel(g, x - dragOffset_);
  if (clamped == SliderThumbCentre(g, position_)) return;
  position_ = SliderPositionAtPixel(g, clamped);
  Repaint();
  Notify(kSliderChanging);
}

LRESULT SkinSlider::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST:
      return HTCLIENT;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Window(), &ps);
      Paint(dc);
      EndPaint(Window(), &ps);
      return 0;
    }
    case WM_SIZE:
      width_ = LOWORD(lParam);
      height_ = HIWORD(lParam);
      Repaint();
      break;
    case WM_LBUTTONDOWN: {
      tooltip_.Relay(Window(), message, wParam, lParam);
      SetCapture(Window());
      SetFocus(Window());
      dragging_ = true;
      const int x = GET_X_LPARAM(lParam);
      const int centre = ThumbCentre();
      const int half = thumb1_.width / 2;
      dragOffset_ = (x >= centre - half && x <= centre + half) ? x - centre : 0;
      MoveTo(x);
      Repaint();
      return 0;
    }
    case WM_MOUSEMOVE:
      tooltip_.Relay(Window(), message, wParam, lParam);
      if (dragging_) MoveTo(GET_X_LPARAM(lParam));
      return 0;
    case WM_LBUTTONUP:
      if (dragging_) {
        dragging_ = false;
        if (GetCapture() == Window()) ReleaseCapture();
        Repaint();
        Notify(kSliderSet);
      }
      tooltip_.Relay(Window(), message, wParam, lParam);
      return 0;
    case WM_CAPTURECHANGED:
      // Capture taken away mid-drag (another window, a menu): the drag ends
      // where it is, and the value counts as set.
      if (dragging_ && reinterpret_cast<HWND>(lParam) != Window()) {
        dragging_ = false;
        Repaint();
        Notify(kSliderSet);
      }
      break;
    case WM_GETDLGCODE:
      if (GetKeyState(VK_TAB) < 0) break;
      return DLGC_WANTARROWS;
    case WM_KEYDOWN: {
      SliderKey key;
      switch (wParam) {
        case VK_PRIOR:
          key = SliderKey::kPageUp;
          break;
        case VK_NEXT:
          key = SliderKey::kPageDown;
          break;
        case VK_END:
          key = SliderKey::kEnd;
          break;
        case VK_HOME:
          key = SliderKey::kHome;
          break;
        case VK_RIGHT:
        case VK_DOWN:
          key = SliderKey::kIncrement;
          break;
        case VK_LEFT:
        case VK_UP:
          key = SliderKey::kDecrement;
          break;
        default:
          return Default(message, wParam, lParam);
      }
      position_ = SliderKeyPosition(key, position_, min_, max_, pageStep_);
      Repaint();
      Notify(kSliderSet);
      return 0;
    }
    case WM_SETFOCUS:
      focused_ = true;
      Repaint();
      break;
    case WM_KILLFOCUS:
      focused_ = false;
      Repaint();
      break;
    default:
      break;
  }
  return Default(message, wParam, lParam);
}

void SkinSlider::DrawTrack(HDC dc, const Image& image, int fromX, int toX) {
  if (!image.bitmap || toX <= fromX) return;
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, fromX, 0, toX, height_);
  if (width_ == image.width) {
    DrawSkinPart(dc, 0, 0, image.width, height_, image.bitmap, image.mask, 0, 0, image.width,
                 image.height);
  } else {
    // End caps unscaled, the middle stretched.
    int cap = image.height / 2;
    if (cap * 2 > image.width) cap = image.width / 2;
    if (cap * 2 > width_) cap = width_ / 2;
    DrawSkinPart(dc, 0, 0, cap, height_, image.bitmap, image.mask, 0, 0, cap, image.height);
    DrawSkinPart(dc, cap, 0, width_ - 2 * cap, height_, image.bitmap, image.mask, cap, 0,
                 image.width - 2 * cap, image.height);
    DrawSkinPart(dc, width_ - cap, 0, cap, height_, image.bitmap, image.mask, image.width - cap, 0,
                 cap, image.height);
  }
  RestoreDC(dc, saved);
}

void SkinSlider::Paint(HDC dc) {
  RECT client;
  GetClientRect(Window(), &client);
  OffscreenDc off(dc, client.right, client.bottom);
  if (!off.Valid()) return;
  HDC m = off.Dc();
  PaintParentBackground(Window(), m);
  const int centre = ThumbCentre();
  if (track2_.bitmap) {
    DrawTrack(m, track1_, centre, width_);
    DrawTrack(m, track2_, 0, centre);
  } else {
    DrawTrack(m, track1_, 0, width_);
  }
  const Image& thumb = dragging_ && thumb2_.bitmap ? thumb2_ : thumb1_;
  if (thumb.bitmap) {
    DrawSkinPart(m, centre - thumb1_.width / 2, topMargin_, thumb.width, thumb.height, thumb.bitmap,
                 thumb.mask, 0, 0, thumb.width, thumb.height);
  }
  if (showFocus_ && focused_) DrawFocusRect(m, &client);
  BitBlt(dc, 0, 0, client.right, client.bottom, m, 0, 0, SRCCOPY);
}

}  // namespace marlow::viewer
