#include "viewer/skin/win32_skin_button.h"

#include <vector>

#include "viewer/framework/win32_dialog.h"
#include "viewer/skin/skin_geometry.h"
#include "viewer/skin/win32_skin_bitmap.h"

namespace marlow::viewer {

SkinButton::SkinButton(HINSTANCE module)
    : module_(module ? module : GetModuleHandleA(nullptr)),
      textColour_(GetSysColor(COLOR_BTNTEXT)) {}

SkinButton::~SkinButton() {
  Detach();
  if (strip_) DeleteObject(strip_);
}

void SkinButton::OnAttached() {
  LONG_PTR style = GetWindowLongPtrA(Window(), GWL_STYLE);
  switch (style & BS_TYPEMASK) {
    case BS_AUTOCHECKBOX:
      kind_ = kCheckBox;
      break;
    case BS_AUTORADIOBUTTON:
      kind_ = kRadioButton;
      break;
    default:
      kind_ = kPushButton;
      break;
  }
  checked_ = kind_ != kPushButton && SendMessageA(Window(), BM_GETCHECK, 0, 0) == BST_CHECKED;
  SetWindowLongPtrA(Window(), GWL_STYLE,
                    (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
  if (frameWidth_ > 0) {
    SetWindowPos(Window(), nullptr, 0, 0, frameWidth_, frameHeight_,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  Repaint();
}

void SkinButton::OnDetached() {
  tooltip_.Destroy();
  hovering_ = tracking_ = capturing_ = false;
}

int SkinButton::SetBitmap(int id, int drawMode, bool drawEdge, int inset, bool hasMask) {
  int width = 0, height = 0;
  HBITMAP strip = LoadSkinBitmap(module_, id, &width, &height);
  if (!strip) return 0;
  if (strip_) DeleteObject(strip_);
  strip_ = strip;
  hasMask_ = hasMask;
  const FrameSize size = ButtonFrameSize(width, height, hasMask);
  frameWidth_ = size.width;
  frameHeight_ = size.height;
  drawMode_ = drawMode > 1 ? 2 : (drawMode < 0 ? 0 : drawMode);
  drawEdge_ = drawEdge;
  inset_ = inset < 0 ? 0 : inset;
  if (Window()) {
    SetWindowPos(Window(), nullptr, 0, 0, frameWidth_, frameHeight_,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  Repaint();
  return 1;
}

int SkinButton::SetTooltip(int id) {
  return Window() ? tooltip_.SetTextFromResource(Window(), id, module_) : 0;
}

int SkinButton::SetTooltipText(const char* text) {
  return Window() ? tooltip_.SetText(Window(), text) : 0;
}

void SkinButton::SetTextColour(COLORREF colour) {
  textColour_ = colour;
  Repaint();
}

void SkinButton::Repaint() {
  if (Window()) InvalidateRect(Window(), nullptr, FALSE);
}

bool SkinButton::PointerOver() const {
  POINT point;
  GetCursorPos(&point);
  RECT rect;
  GetWindowRect(Window(), &rect);
  return PtInRect(&rect, point) != FALSE;
}

void SkinButton::SetCheck(bool on) {
  checked_ = kind_ != kPushButton && on;
  if (checked_ && kind_ == kRadioButton && Window()) {
    HWND parent = GetParent(Window());
    // Every other member of the dialog group: the controls from the group's
    // first (WS_GROUP) up to the next group.
    for (HWND other = GetNextDlgGroupItem(parent, Window(), FALSE); other && other != Window();
         other = GetNextDlgGroupItem(parent, other, FALSE)) {
      PostMessageA(other, kUncheckMessage, 0, 0);
    }
  }
  Repaint();
}

void SkinButton::ToggleByUser() {
  if (kind_ == kCheckBox) SetCheck(!checked_);
  if (kind_ == kRadioButton) SetCheck(true);
}

LRESULT SkinButton::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kReflectedMessage + WM_DRAWITEM:
      Draw(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEMOVE:
      tooltip_.Relay(Window(), message, wParam, lParam);
      if (!capturing_ && !tracking_) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, Window(), 0};
        tracking_ = TrackMouseEvent(&track) != FALSE;
        hovering_ = true;
        Repaint();
      }
      break;
    case WM_MOUSELEAVE:
      hovering_ = false;
      tracking_ = false;
      Repaint();
      break;
    case WM_LBUTTONDBLCLK:
      if (doubleClickNotifies_) break;
      message = WM_LBUTTONDOWN;
      [[fallthrough]];
    case WM_LBUTTONDOWN: {
      tooltip_.Relay(Window(), message, wParam, lParam);
      if (tracking_) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE | TME_CANCEL, Window(), 0};
        TrackMouseEvent(&track);
        tracking_ = false;
      }
      const LRESULT result = Default(message, wParam, lParam);
      capturing_ = true;
      return result;
    }
    case WM_LBUTTONUP: {
      if (capturing_ && PointerOver()) ToggleByUser();
      tooltip_.Relay(Window(), message, wParam, lParam);
      capturing_ = false;
      // After the click the pointer is still over the button: hover again
      // once it moves.
      hovering_ = PointerOver();
      return Default(message, wParam, lParam);
    }
    case WM_KEYUP:
      if (wParam == VK_SPACE && kind_ != kPushButton) ToggleByUser();
      break;
    case WM_KILLFOCUS:
      if (GetCapture() == Window()) ReleaseCapture();
      capturing_ = false;
      break;
    case BM_SETCHECK:
      SetCheck(wParam == BST_CHECKED);
      return 0;
    case BM_GETCHECK:
      return checked_ ? BST_CHECKED : BST_UNCHECKED;
    case kUncheckMessage:
      checked_ = false;
      Repaint();
      return 0;
    default:
      break;
  }
  return Default(message, wParam, lParam);
}

void SkinButton::DrawFrame(HDC dc, const RECT& rect, int frame) {
  if (!strip_) return;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  const int dw = drawMode_ ? width : frameWidth_;
  const int dh = drawMode_ ? height : frameHeight_;
  if (!hasMask_) {
    DrawSkinPart(dc, rect.left, rect.top, dw, dh, strip_, nullptr, frame * frameWidth_, 0,
                 frameWidth_, frameHeight_);
    return;
  }
  // Background under the button, then XOR frame, AND mask, XOR frame: the
  // background stays where the mask is white, the frame shows where it is
  // black.
  OffscreenDc off(dc, width, height);
  if (!off.Valid()) return;
  PaintParentBackground(Window(), off.Dc());
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source, strip_);
  const int oldMode = SetStretchBltMode(off.Dc(), COLORONCOLOR);
  StretchBlt(off.Dc(), 0, 0, dw, dh, source, frame * frameWidth_, 0, frameWidth_, frameHeight_,
             SRCINVERT);
  StretchBlt(off.Dc(), 0, 0, dw, dh, source, kFrameMask * frameWidth_, 0, frameWidth_, frameHeight_,
             SRCAND);
  StretchBlt(off.Dc(), 0, 0, dw, dh, source, frame * frameWidth_, 0, frameWidth_, frameHeight_,
             SRCINVERT);
  SetStretchBltMode(off.Dc(), oldMode);
  SelectObject(source, old);
  DeleteDC(source);
  BitBlt(dc, rect.left, rect.top, width, height, off.Dc(), 0, 0, SRCCOPY);
}

void SkinButton::Draw(const DRAWITEMSTRUCT* item) {
  HDC dc = item->hDC;
  RECT rect = item->rcItem;
  const bool disabled = (item->itemState & ODS_DISABLED) != 0;
  const bool pressed = (item->itemState & ODS_SELECTED) != 0 || checked_;
  const int frame = ButtonFrameFor(!disabled, pressed, hovering_);
  DrawFrame(dc, rect, frame);

  RECT caption = rect;
  caption.left += inset_ + 2;
  caption.right -= inset_ + 2;
  const int length = GetWindowTextLengthA(Window());
  std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
  GetWindowTextA(Window(), text.data(), length + 1);
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(Window(), WM_GETFONT, 0, 0));
  HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
  const int oldBk = SetBkMode(dc, TRANSPARENT);
  const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if (disabled) {
    if (drawEdge_) DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT);
    if (length > 0) {
      RECT shadow = caption;
      OffsetRect(&shadow, 1, 1);
      SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
      DrawTextA(dc, text.data(), length, &shadow, format);
      SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
      DrawTextA(dc, text.data(), length, &caption, format);
    }
  } else {
    if (pressed) {
      OffsetRect(&caption, 1, 1);
      if (drawEdge_) DrawEdge(dc, &rect, EDGE_SUNKEN, BF_RECT);
    } else if (drawEdge_) {
      DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT);
    }
    if ((item->itemState & ODS_FOCUS) && inset_ > 0) {
      RECT focus = rect;
      InflateRect(&focus, -inset_, -inset_);
      DrawFocusRect(dc, &focus);
    }
    if (length > 0) {
      SetTextColor(dc, textColour_);
      DrawTextA(dc, text.data(), length, &caption, format);
    }
  }
  SetBkMode(dc, oldBk);
  if (oldFont) SelectObject(dc, oldFont);
}

}  // namespace marlow::viewer
