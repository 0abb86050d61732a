// WaitCursor: shows the hourglass for the life of the object (nestable). While
// any WaitCursor lives, a Dialog answers WM_SETCURSOR with the hourglass, so a
// mouse move over the dialog does not take it away.
#pragma once

#include <windows.h>

namespace marlow::viewer {

class WaitCursor {
 public:
  WaitCursor() {
    if (depth_++ == 0) previous_ = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  }
  ~WaitCursor() {
    if (--depth_ == 0) SetCursor(previous_ ? previous_ : LoadCursor(nullptr, IDC_ARROW));
  }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

  static bool Active() { return depth_ > 0; }
  static void Apply() { SetCursor(LoadCursor(nullptr, IDC_WAIT)); }

 private:
  // User-interface thread only.
  static inline int depth_ = 0;
  static inline HCURSOR previous_ = nullptr;
};

}  // namespace marlow::viewer
