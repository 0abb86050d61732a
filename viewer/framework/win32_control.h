// ControlSubclass: takes over an existing window (usually a control of a
// dialog template) through the common controls' SetWindowSubclass, so that a
// class of ours handles its messages and passes the rest on to the original
// window procedure (Default). The object finds itself from the window
// (FromWindow), which is how a Dialog reflects WM_DRAWITEM and the colour
// messages back to it (kReflectedMessage + message, win32_dialog.h).
//
// The object must outlive its window or Detach first; a window that is
// destroyed detaches itself (WM_NCDESTROY), after which OnDetached runs.
#pragma once

#include <windows.h>

namespace marlow::viewer {

class ControlSubclass {
 public:
  ControlSubclass() = default;
  virtual ~ControlSubclass();
  ControlSubclass(const ControlSubclass&) = delete;
  ControlSubclass& operator=(const ControlSubclass&) = delete;

  // Takes over `window`, or the control `id` of `dialog`. Returns 1 or 0 (no
  // such window, or this object already holds one).
  int Attach(HWND window);
  int Attach(HWND dialog, int id);
  // Gives the window back to its own procedure.
  void Detach();
  HWND Window() const { return window_; }
  int Id() const { return window_ ? GetDlgCtrlID(window_) : 0; }

  // The object attached to `window`, or nullptr.
  static ControlSubclass* FromWindow(HWND window);

 protected:
  // Every message of the window; call Default for what is not handled.
  virtual LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
  }
  // After Attach took the window (style changes, bitmaps and the like).
  virtual void OnAttached() {}
  // The window was destroyed or given back; free what belongs to it.
  virtual void OnDetached() {}
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR data);
  HWND window_ = nullptr;
};

}  // namespace marlow::viewer
