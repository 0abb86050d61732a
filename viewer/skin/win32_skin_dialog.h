// SkinDialog: a dialog drawn from a background bitmap instead of the system's
// frame. The bitmap's quarters make the corners, strips next to its centre
// lines are stretched along the edges (ComposeBackground); the window gets a
// rounded region, and a click on the background drags the window.
//
// Derived dialogs that override OnMessage pass what they do not handle on to
// SkinDialog::OnMessage.
#pragma once

#include "viewer/framework/win32_dialog.h"

namespace marlow::viewer {

class SkinDialog : public Dialog {
 public:
  explicit SkinDialog(int templateId, HINSTANCE module = nullptr);
  ~SkinDialog() override;

  // Replaces the background with bitmap resource `id` (0: none) and repaints.
  // Returns 1, or 0 when the bitmap cannot be loaded (the old one stays).
  int SetBackground(int id);
  void SetDraggable(bool on) { draggable_ = on; }
  // The ellipse that rounds the corners; applied at the next size change.
  void SetCornerSize(int width, int height);

  int BackgroundWidth() const { return bgWidth_; }
  int BackgroundHeight() const { return bgHeight_; }

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void PaintBackground(HDC dc);
  void ApplyRegion();

  HBITMAP background_ = nullptr;
  int bgWidth_ = 0;
  int bgHeight_ = 0;
  int cornerWidth_ = 0;
  int cornerHeight_ = 0;
  bool draggable_ = true;
};

}  // namespace marlow::viewer
