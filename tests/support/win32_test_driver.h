// A driver for testing Windows programs as a user meets them: start a
// program, find its windows by class, title or control id, send commands,
// keys and real mouse input, read rectangles, visibility and texts, and read
// back the pixels a window shows (saved as PNG screenshots for a look).
//
// Works on windows of the calling process (a dialog run on another thread of
// the test) and of other processes alike: everything goes through window
// handles, messages that cross processes and the screen. Input is real input
// (SendInput): the window under the pointer gets it, as from a user, so the
// windows under test should not be covered.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace marlow::test {

// --- Processes ---------------------------------------------------------------
class Process {
 public:
  Process() = default;
  ~Process();  // ends a program that still runs
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // commandLine: program and arguments; workingDirectory: nullptr keeps ours.
  bool Start(const std::string& commandLine, const char* workingDirectory = nullptr);
  // True when the program ended within the time; *exitCode gets its code.
  bool Wait(int timeoutMs, DWORD* exitCode = nullptr);
  void Terminate();
  DWORD Id() const { return id_; }
  bool Running() const;

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

// --- Finding windows -----------------------------------------------------------
struct WindowQuery {
  DWORD processId = 0;              // 0: any process
  const char* className = nullptr;  // nullptr: any class ("#32770" for dialogs)
  const char* title = nullptr;      // nullptr: any title; else the exact text
  bool visibleOnly = true;
};
// The first top-level window that matches, or nullptr.
HWND FindTopWindow(const WindowQuery& query);
// Polls (pumping the calling thread's messages) until a match shows or the
// time runs out.
HWND WaitForTopWindow(const WindowQuery& query, int timeoutMs);
// A child window with the control id, searched through all levels.
HWND FindControl(HWND parent, int id);
// A child window by class (and text unless nullptr), all levels.
HWND FindChild(HWND parent, const char* className, const char* text = nullptr);
// Polls until `condition` holds or the time runs out; returns the last result.
template <typename Condition>
bool WaitUntil(Condition condition, int timeoutMs);

// --- Reading windows -------------------------------------------------------------
std::string WindowText(HWND window);
std::string ClassName(HWND window);
RECT WindowRect(HWND window);          // screen coordinates
RECT ClientRectOnScreen(HWND window);  // the client area in screen coordinates
RECT RectInParent(HWND child);         // the child in its parent's client coordinates
bool IsShown(HWND window);             // visible with all its parents
bool IsEnabled(HWND window);
int CheckState(HWND button);  // BM_GETCHECK

// --- Commands and input ------------------------------------------------------------
// Posts WM_COMMAND (id, code) as a menu item or accelerator would.
void PostCommand(HWND window, int id, int code = 0);
// Real pointer input at screen coordinates.
void MoveMouse(int x, int y);
void MouseDown(int x, int y);
void MouseUp(int x, int y);
void Click(int x, int y);
// Moves to the centre of a window and clicks there.
void ClickWindow(HWND window);
POINT CentreOf(HWND window);  // screen coordinates
// Real key input: a virtual key pressed and released (with Shift / Ctrl held).
void PressKey(WORD virtualKey, bool shift = false, bool control = false);
// Lets input and paints reach their windows: pumps the calling thread's
// messages for the time.
void Settle(int ms);

// --- Pixels --------------------------------------------------------------------
struct Rgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
};
std::string ToString(const Rgb& c);
// |difference| of each channel at most `tolerance`.
bool Near(const Rgb& a, const Rgb& b, int tolerance);

class Image {
 public:
  Image() = default;
  Image(int width, int height) : width_(width), height_(height), pixels_(width * height) {}
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return pixels_.empty(); }
  Rgb At(int x, int y) const;
  void Set(int x, int y, const Rgb& c);
  // A part of the image (clipped).
  Image Crop(int x, int y, int width, int height) const;
  // Pixels of the rectangle that are not within `tolerance` of `colour`.
  int CountDifferent(int x, int y, int width, int height, const Rgb& colour, int tolerance) const;

 private:
  int width_ = 0, height_ = 0;
  std::vector<uint32_t> pixels_;  // 0x00RRGGBB, top-down
};

// What the screen shows in a rectangle (screen coordinates): the pixels a
// user sees, whether a window drew them with GDI or DirectDraw.
Image CaptureScreen(const RECT& rect);
// The whole window, frame included, or its client area only.
Image CaptureWindow(HWND window);
Image CaptureClient(HWND window);
// Pixels of a bitmap resource of a module (its top-down colours).
Image LoadBitmapImage(HINSTANCE module, int id);

// Writes an image as a PNG file (uncompressed deflate: no library needed).
bool SavePng(const Image& image, const std::string& path);
// Where screenshots go: MARLOW_SCREENSHOT_DIR when set, else the folder the
// build configured (build/cross/screenshots); created when missing.
std::string ScreenshotDir();
// Saves into ScreenshotDir() as name + ".png"; returns the path (empty on
// failure).
std::string SaveScreenshot(const Image& image, const std::string& name);

// --- implementation of the template -------------------------------------------------
template <typename Condition>
bool WaitUntil(Condition condition, int timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (static_cast<int>(GetTickCount() - start) >= timeoutMs) return condition();
    Settle(10);
  }
}

}  // namespace marlow::test
