// Tooltip: one tooltip window for one control, the whole control being the
// tool. The control relays its mouse messages (Relay), so no further
// subclassing is involved. Created on first use, destroyed with the object.
#pragma once

#include <windows.h>

#include <string>

namespace marlow::viewer {

class Tooltip {
 public:
  Tooltip() = default;
  ~Tooltip() { Destroy(); }
  Tooltip(const Tooltip&) = delete;
  Tooltip& operator=(const Tooltip&) = delete;

  // Creates the tooltip for `control` when needed and sets its text; an empty
  // text does nothing. Returns 1 or 0.
  int SetText(HWND control, const char* text);
  // Text of string resource `id` of `module` (nullptr: the program); an empty
  // or missing string does nothing.
  int SetTextFromResource(HWND control, int id, HINSTANCE module = nullptr);
  // Hands a mouse message of the control to the tooltip.
  void Relay(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
  void Destroy();

  HWND Window() const { return window_; }
  const std::string& Text() const { return text_; }

 private:
  HWND window_ = nullptr;
  HWND control_ = nullptr;
  std::string text_;
};

// Text of string resource `id` (empty when missing).
std::string LoadResourceString(int id, HINSTANCE module = nullptr);

}  // namespace marlow::viewer
