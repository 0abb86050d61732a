#include "viewer/framework/win32_control.h"

#include <commctrl.h>

namespace marlow::viewer {

namespace {
// The window property that names the attached object, and the subclass id.
constexpr char kObjectProperty[] = "Marlow.ControlSubclass";
constexpr UINT_PTR kSubclassId = 0x4D524C57;  // "MRLW"
}  // namespace

ControlSubclass::~ControlSubclass() {
  Detach();
}

int ControlSubclass::Attach(HWND window) {
  if (!window || window_ || !IsWindow(window) || FromWindow(window)) return 0;
  if (!SetWindowSubclass(window, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
    return 0;
  }
  SetPropA(window, kObjectProperty, this);
  window_ = window;
  OnAttached();
  return 1;
}

int ControlSubclass::Attach(HWND dialog, int id) {
  return dialog ? Attach(GetDlgItem(dialog, id)) : 0;
}

void ControlSubclass::Detach() {
  if (!window_) return;
  HWND window = window_;
  RemoveWindowSubclass(window, SubclassProc, kSubclassId);
  RemovePropA(window, kObjectProperty);
  window_ = nullptr;
  OnDetached();
}

ControlSubclass* ControlSubclass::FromWindow(HWND window) {
  return window ? static_cast<ControlSubclass*>(GetPropA(window, kObjectProperty)) : nullptr;
}

LRESULT ControlSubclass::Default(UINT message, WPARAM wParam, LPARAM lParam) {
  return window_ ? DefSubclassProc(window_, message, wParam, lParam) : 0;
}

LRESULT CALLBACK ControlSubclass::SubclassProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam, UINT_PTR id, DWORD_PTR data) {
  (void)id;
  auto* self = reinterpret_cast<ControlSubclass*>(data);
  if (message == WM_NCDESTROY) {
    // The window goes: detach first, then let the original procedure finish.
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    if (self->window_ == window) self->Detach();
    return result;
  }
  return self->Handle(message, wParam, lParam);
}

}  // namespace marlow::viewer
