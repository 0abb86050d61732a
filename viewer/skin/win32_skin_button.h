// SkinButton: a push button, check box or radio button drawn from a strip of
// frames (normal, pressed or checked, pointer over, disabled, and optionally
// a mask), taking over a button of a dialog template and making it
// owner-drawn. The dialog reflects WM_DRAWITEM to it (Dialog does so for
// every ControlSubclass). Check state is the button's own: BM_SETCHECK and
// BM_GETCHECK are answered here, and kUncheckMessage (0x500) unchecks it; a
// radio button that becomes checked posts kUncheckMessage to the other
// members of its dialog group.
#pragma once

#include <cstdint>

#include "viewer/framework/win32_control.h"
#include "viewer/framework/win32_tooltip.h"

namespace marlow::viewer {

constexpr UINT kUncheckMessage = 0x500;

enum ButtonKind { kPushButton = 0, kCheckBox = 2, kRadioButton = 4 };

class SkinButton : public ControlSubclass {
 public:
  explicit SkinButton(HINSTANCE module = nullptr);
  ~SkinButton() override;

  // Loads strip `id`, works out the frame size (a fifth of the width with a
  // mask frame, else a quarter) and resizes the button to one frame.
  // drawMode 0 copies the frame unscaled, 1 and 2 stretch it to the button;
  // drawEdge adds a 3-D edge; inset is the focus rectangle's inset. Returns 1
  // or 0 (no such bitmap: nothing changes).
  int SetBitmap(int id, int drawMode, bool drawEdge, int inset, bool hasMask);
  int SetTooltip(int id);
  int SetTooltipText(const char* text);
  void SetTextColour(COLORREF colour);
  void SetCheck(bool on);
  // A double click normally counts as a second click, so quick presses are
  // never lost; with `on`, it is left to the system, which tells the parent
  // BN_DOUBLECLICKED instead (for a button whose double click means more).
  void SetDoubleClickNotifies(bool on) { doubleClickNotifies_ = on; }

  ButtonKind Kind() const { return kind_; }
  bool Checked() const { return checked_; }
  bool Hovering() const { return hovering_; }
  int FrameWidth() const { return frameWidth_; }
  int FrameHeight() const { return frameHeight_; }
  const Tooltip& TooltipWindow() const { return tooltip_; }

 protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAttached() override;
  void OnDetached() override;

 private:
  void Draw(const DRAWITEMSTRUCT* item);
  void DrawFrame(HDC dc, const RECT& rect, int frame);
  bool PointerOver() const;
  void Repaint();
  void ToggleByUser();

  HINSTANCE module_;
  ButtonKind kind_ = kPushButton;
  bool checked_ = false;
  HBITMAP strip_ = nullptr;
  int frameWidth_ = 0, frameHeight_ = 0;
  bool hasMask_ = false;
  int drawMode_ = 1;
  bool drawEdge_ = false;
  int inset_ = 0;
  COLORREF textColour_;
  bool hovering_ = false;
  bool tracking_ = false;
  bool capturing_ = false;
  bool doubleClickNotifies_ = false;
  Tooltip tooltip_;
};

}  // namespace marlow::viewer
