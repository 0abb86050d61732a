// A small player-like skinned dialog run on a thread of its own, so that the
// test thread can drive it with real input and watch the screen and the
// messages the dialog receives.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "viewer/skin/win32_skin_button.h"
#include "viewer/skin/win32_skin_dialog.h"
#include "viewer/skin/win32_skin_slider.h"

namespace marlow::test {

// Where the controls sit (client pixels) and the slider's range.
constexpr int kDialogWidth = 420, kDialogHeight = 210;
constexpr int kSliderX = 13, kSliderY = 150, kSliderWidth = 394;
constexpr int kSliderMax = 1000;

class SkinTestDialog : public viewer::SkinDialog {
 public:
  struct Event {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };

  SkinTestDialog();
  std::vector<Event> Events();
  void ClearEvents();
  // Events of one message (WM_COMMAND: the ids with their codes in the high
  // word as in wParam).
  std::vector<Event> EventsOf(UINT message);

  // The enable rule of the push button, read by the idle refresh.
  std::atomic<bool> pushEnabled{true};
  std::atomic<int> idlePasses{0};

  viewer::SkinButton push, check, radio1, radio2, close;
  viewer::SkinButton row[7];
  viewer::SkinSlider slider, volume;

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool QueryCommand(int id, viewer::CommandUi* ui) override;
  void OnIdle() override { ++idlePasses; }
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void Log(UINT message, WPARAM wParam, LPARAM lParam);
  std::mutex lock_;
  std::vector<Event> events_;
};

// Runs a SkinTestDialog modally on its own thread.
class DialogThread {
 public:
  // Starts the thread and waits until the dialog shows; nullptr on failure.
  HWND Start();
  // Ends the dialog (IDCANCEL) and joins the thread; returns RunModal's result.
  INT_PTR Stop();
  SkinTestDialog& Dialog() { return dialog_; }
  HWND Window() const { return window_; }

 private:
  SkinTestDialog dialog_;
  std::thread thread_;
  std::atomic<HWND> window_{nullptr};
  std::atomic<bool> failed_{false};
  INT_PTR result_ = 0;
};

}  // namespace marlow::test
