#include "viewer/skin/win32_skin_dialog.h"

#include <windowsx.h>

#include "viewer/skin/skin_geometry.h"
#include "viewer/skin/win32_skin_bitmap.h"

namespace marlow::viewer {

SkinDialog::SkinDialog(int templateId, HINSTANCE module) : Dialog(templateId, module) {}

SkinDialog::~SkinDialog() {
  if (background_) DeleteObject(background_);
}

int SkinDialog::SetBackground(int id) {
  HBITMAP bitmap = nullptr;
  int width = 0, height = 0;
  if (id != 0) {
    bitmap = LoadSkinBitmap(Module(), id, &width, &height);
    if (!bitmap) return 0;
  }
  if (background_) DeleteObject(background_);
  background_ = bitmap;
  bgWidth_ = width;
  bgHeight_ = height;
  if (Window()) InvalidateRect(Window(), nullptr, TRUE);
  return 1;
}

void SkinDialog::SetCornerSize(int width, int height) {
  cornerWidth_ = width;
  cornerHeight_ = height;
}

bool SkinDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_ERASEBKGND:
      if (!background_) return false;
      PaintBackground(reinterpret_cast<HDC>(wParam));
      *result = TRUE;
      return true;
    case WM_SIZE:
      // Not consumed: the dialog's own size handling still runs.
      if (background_ && wParam != SIZE_MINIMIZED) {
        InvalidateRect(Window(), nullptr, TRUE);
        ApplyRegion();
      }
      return false;
    case WM_LBUTTONDOWN:
      if (draggable_) {
        POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(Window(), &point);
        PostMessageA(Window(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
      }
      return false;
    default:
      return false;
  }
}

void SkinDialog::ApplyRegion() {
  RECT client;
  GetClientRect(Window(), &client);
  // The window takes ownership of the region.
  HRGN region =
      CreateRoundRectRgn(0, 0, client.right + 1, client.bottom + 1, cornerWidth_, cornerHeight_);
  if (region && !SetWindowRgn(Window(), region, TRUE)) DeleteObject(region);
}

void SkinDialog::PaintBackground(HDC dc) {
  RECT client;
  GetClientRect(Window(), &client);
  const int width = client.right, height = client.bottom;
  OffscreenDc off(dc, width, height);
  if (!off.Valid()) return;
  // The pieces leave the centre, the last column and the last row unpainted.
  // The centre takes the colour of the bitmap's centre (what it would show
  // there), the last column and row that of the bitmap's own right and bottom
  // edges, so no stripe of an uninitialised bitmap shows.
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ oldSource = SelectObject(source, background_);
  const COLORREF centre = GetPixel(source, bgWidth_ / 2, bgHeight_ / 2);
  const COLORREF rightEdge = GetPixel(source, bgWidth_ - 1, bgHeight_ / 2);
  const COLORREF bottomEdge = GetPixel(source, bgWidth_ / 2, bgHeight_ - 1);
  SelectObject(source, oldSource);
  DeleteDC(source);
  auto fill = [&](int left, int top, int right, int bottom, COLORREF colour) {
    RECT r = {left, top, right, bottom};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(off.Dc(), &r, brush);
    DeleteObject(brush);
  };
  fill(0, 0, width, height, centre);
  fill(width - 1, 0, width, height, rightEdge);
  fill(0, height - 1, width, height, bottomEdge);
  BackgroundPiece pieces[kBackgroundPieces];
  ComposeBackground(bgWidth_, bgHeight_, width, height, pieces);
  for (const BackgroundPiece& p : pieces) {
    DrawSkinPart(off.Dc(), p.dest.x, p.dest.y, p.dest.width, p.dest.height, background_, nullptr,
                 p.source.x, p.source.y, p.source.width, p.source.height);
  }
  BitBlt(dc, 0, 0, width, height, off.Dc(), 0, 0, SRCCOPY);
}

}  // namespace marlow::viewer
