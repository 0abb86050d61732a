// One run of the real MarlowViewer.exe for a test: a fresh working folder
// (with a profile when the test gives one), the program started there with
// an optional recording, its main window found, and what the window shows
// and the program writes read back.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/win32_test_driver.h"

namespace marlow::test {

// Windows path of the folder, ending in a backslash.
std::string SessionFolder(const std::string& name);
// A 4-camera (or `channels`-camera) recording with sound in `folder`.
std::string MakeSampleRecording(const std::string& folder, int channels, double seconds);

class ViewerSession {
 public:
  // name: the working folder (made fresh); profile: lines of section
  // [Setting] to start with (empty: no profile at all).
  explicit ViewerSession(const std::string& name, const std::vector<std::string>& profile = {});
  ~ViewerSession();

  // Starts the program with `arguments` and waits for its main window.
  bool Start(const std::string& arguments = "");
  HWND Window() const { return window_; }
  HWND Control(int id) const { return FindControl(window_, id); }
  const std::string& Folder() const { return folder_; }
  DWORD ProcessId() const { return process_.Id(); }

  void Command(int id) { PostCommand(window_, id); }
  // The status line's words ("PLAY  x 1.0  2024/01/01 00:00:03").
  std::string Status() const;
  bool WaitStatus(const char* prefix, int timeoutMs = 5000);
  // Ends the program with a command (or a close request) and waits.
  bool EndWith(int command);
  bool EndWithCloseRequest();
  bool Ended(int timeoutMs = 10000);

  // key=value lines of section [Setting] of the profile the program wrote.
  std::vector<std::pair<std::string, std::string>> ProfileKeys() const;

 private:
  std::string folder_;
  Process process_;
  HWND window_ = nullptr;
};

}  // namespace marlow::test
