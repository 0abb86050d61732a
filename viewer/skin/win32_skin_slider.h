// SkinSlider: a horizontal slider drawn from track and thumb bitmaps, taking
// over a static control of a dialog template. The value follows drags and
// keys; the parent hears of it by posted messages:
//   kSliderChanging (0x28D1) while the thumb is dragged,
//   kSliderSet (0x28D2) on release and on every keyboard move,
// both with wParam = the control id and lParam = the value.
//
// The track bitmaps set the control's size; when the window later gets a
// different width, the track is stretched between its unscaled end caps and
// the geometry follows the control's width.
#pragma once

#include <cstdint>

#include "viewer/framework/win32_control.h"
#include "viewer/framework/win32_tooltip.h"
#include "viewer/skin/skin_geometry.h"
#include "viewer/skin/win32_skin_bitmap.h"

namespace marlow::viewer {

constexpr UINT kSliderChanging = 0x28D1;
constexpr UINT kSliderSet = 0x28D2;

class SkinSlider : public ControlSubclass {
 public:
  // module: where the bitmaps and strings are (nullptr: the program).
  explicit SkinSlider(HINSTANCE module = nullptr);
  ~SkinSlider() override;

  // track1 covers the whole track; track2 (0: none) is drawn left of the
  // thumb. colour: the transparent colour (0x00BBGGRR) or kColourAtPixel for
  // the colour of pixel (x, y). 0 when a bitmap cannot be loaded (nothing
  // changes); id1 = 0 removes the track bitmaps.
  int SetTrackBitmaps(int id1, int id2, bool transparent, uint32_t colour, int x, int y);
  // thumb1 normally, thumb2 (0: none) while dragged.
  int SetThumbBitmaps(int id1, int id2, bool transparent, uint32_t colour, int x, int y);
  void SetMargins(int left, int top, int right, int bottom);
  void SetRange(int min, int max, bool redraw);
  // Clamped to the range; repaints.
  void SetPosition(int value);
  void SetShowFocus(bool on, bool redraw);
  void SetPageStep(int step) { pageStep_ = step; }
  // Tooltip from string resource `id`, or a text; empty does nothing.
  int SetTooltip(int id);
  int SetTooltipText(const char* text);

  int Position() const { return position_; }
  int Min() const { return min_; }
  int Max() const { return max_; }
  bool Dragging() const { return dragging_; }
  SliderGeometry Geometry() const;
  int ThumbCentre() const { return SliderThumbCentre(Geometry(), position_); }
  const Tooltip& TooltipWindow() const { return tooltip_; }

 protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAttached() override;
  void OnDetached() override;

 private:
  struct Image {
    HBITMAP bitmap = nullptr;
    HBITMAP mask = nullptr;
    int width = 0, height = 0;
  };
  int LoadImages(int id1, int id2, bool transparent, uint32_t colour, int x, int y, Image* first,
                 Image* second);
  static void Free(Image* image);
  void Paint(HDC dc);
  void DrawTrack(HDC dc, const Image& image, int fromX, int toX);
  void MoveTo(int x);
  void Notify(UINT message);
  void Repaint();

  HINSTANCE module_;
  int min_ = 0, max_ = 100, position_ = 0;
  int pageStep_ = 20;
  int leftMargin_ = 0, topMargin_ = 0, rightMargin_ = 0, bottomMargin_ = 0;
  Image track1_, track2_, thumb1_, thumb2_;
  int width_ = 0, height_ = 0;
  bool showFocus_ = true;
  bool focused_ = false;
  bool dragging_ = false;
  int dragOffset_ = 0;
  Tooltip tooltip_;
};

}  // namespace marlow::viewer
