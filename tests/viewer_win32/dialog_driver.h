// Drives the viewer's dialogs as a user would, from a helper thread while the
// dialog runs modally on the test's thread: finds the dialog by its title,
// sets control values, clicks, reads texts back and saves screenshots.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/notice.h"

namespace marlow::viewer::test {

// Runs `run` (which opens a modal dialog) on this thread and `drive` on a
// helper thread as soon as a visible top-level window of this process with
// the title `title` exists. `drive` must close the dialog. Returns false when
// no such window showed within 10 s (the dialog is then cancelled).
bool WithDialog(const char* title, const std::function<void()>& run,
                const std::function<void(HWND)>& drive);

// The first visible top-level window of this process titled `title`, waiting
// up to timeoutMs; nullptr when none shows.
HWND WaitForWindow(const char* title, int timeoutMs = 10000);

std::string TextOf(HWND window);
std::string ControlText(HWND dialog, int id);
void SetControlText(HWND dialog, int id, const char* text);
// Types the text into a control key by key (WM_CHAR), as the keyboard does.
void Type(HWND control, const char* text);
// A button click as the mouse makes it (BM_CLICK).
void Click(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
bool IsShown(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
// The control that has the keyboard focus on the dialog's thread.
HWND FocusOf(HWND dialog);
// Gives the dialog's thread time to handle and paint what was sent.
void Settle(int ms = 150);

// Saves what the screen shows of the window as PNG in the build's screenshot
// folder (name without extension). Returns the file path or empty.
std::string SaveScreenshot(HWND window, const char* name);

// Notices and questions of the code under test, without boxes on the screen.
class NoticeRecorder : public platform::NoticeSink {
 public:
  NoticeRecorder() : previous_(platform::SetNoticeSink(this)) {}
  ~NoticeRecorder() override { platform::SetNoticeSink(previous_); }
  void Notice(const char* text, const char* caption) override;
  int Ask(const char* text, const char* caption) override;

  std::vector<std::string> notices, questions;
  int answer = 1;

 private:
  platform::NoticeSink* previous_;
};

// A fresh folder for one test under the system's temporary folder.
std::string TestFolder(const char* name);

}  // namespace marlow::viewer::test
