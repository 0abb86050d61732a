// The dialog framework's own loop: accelerators translated against the
// dialog, idle passes, and notices that reach the installed sink instead of
// a message box.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/win32_test_driver.h"
#include "tests/viewer_win32/skin_test_dialog.h"
#include "tests/viewer_win32/skin_test_resource.h"
#include "viewer/framework/win32_file_dialog.h"
#include "viewer/framework/win32_message_box.h"

namespace marlow::test {
namespace {

class Recorder : public platform::NoticeSink {
 public:
  void Notice(const char* text, const char* caption) override {
    texts.push_back(std::string(caption) + "|" + text);
  }
  int Ask(const char* text, const char* caption) override {
    Notice(text, caption);
    return answer;
  }
  std::vector<std::string> texts;
  int answer = 1;
};

TEST(DialogFramework, AcceleratorsReachTheModalDialogAsCommandsAndIdleRuns) {
  MoveMouse(2, 2);
  DialogThread thread;
  HWND window = thread.Start();
  ASSERT_NE(window, nullptr);
  const int idleBefore = thread.Dialog().idlePasses.load();
  SetForegroundWindow(window);
  PressKey('P', false, true);
  ASSERT_TRUE(WaitUntil([&] { return !thread.Dialog().EventsOf(WM_COMMAND).empty(); }, 2000));
  // Code 1: from an accelerator.
  EXPECT_EQ(thread.Dialog().EventsOf(WM_COMMAND)[0].wParam, MAKEWPARAM(ID_TEST_ACCEL, 1));
  EXPECT_TRUE(WaitUntil([&] { return thread.Dialog().idlePasses.load() > idleBefore; }, 2000));
  // Escape ends the dialog through IDCANCEL. (Without a window manager,
  // Wine waits up to two seconds for a shown window to be withdrawn.)
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(WaitUntil([&] { return thread.Window() == nullptr; }, 6000));
  EXPECT_EQ(thread.Stop(), IDCANCEL);
}

TEST(DialogFramework, NoticesAndQuestionsGoThroughTheSink) {
  Recorder recorder;
  platform::NoticeSink* previous = platform::SetNoticeSink(&recorder);
  viewer::ShowMessage("Incorrect password", "Login");
  EXPECT_TRUE(viewer::AskYesNo("Create it?", "Folder"));
  recorder.answer = 0;
  EXPECT_FALSE(viewer::AskYesNo("Create it?"));
  platform::SetNoticeSink(previous);
  ASSERT_EQ(recorder.texts.size(), 3u);
  EXPECT_EQ(recorder.texts[0], "Login|Incorrect password");
  EXPECT_EQ(recorder.texts[2], "|Create it?");
}

}  // namespace
}  // namespace marlow::test

namespace marlow::test {
namespace {

TEST(DialogFramework, OpenFileDialogGivesBackTheTypedExistingFile) {
  const std::string file = "open_dialog_probe.kvr";
  FILE* f = std::fopen(file.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  char full[MAX_PATH];
  GetFullPathNameA(file.c_str(), MAX_PATH, full, nullptr);

  std::string chosen;
  std::atomic<int> result{-1};
  std::thread ui([&] {
    viewer::FileDialogOptions options;
    options.filter = "All Files (*.*)|*.*|KVR File Format (*.KVR)|*.KVR|";
    options.title = "Open probe";
    result = viewer::ChooseFileToOpen(nullptr, options, &chosen) ? 1 : 0;
  });
  HWND dialog = WaitForTopWindow({GetCurrentProcessId(), "#32770", "Open probe", true}, 10000);
  ASSERT_NE(dialog, nullptr);
  // The name box of the file dialog (a combo box with an edit, or an edit).
  HWND name = FindControl(dialog, 1148);
  if (!name) name = FindControl(dialog, 1152);
  ASSERT_NE(name, nullptr);
  SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(full));
  PostCommand(dialog, IDOK);
  ui.join();
  EXPECT_EQ(result.load(), 1);
  EXPECT_STRCASEEQ(chosen.c_str(), full);
  std::remove(file.c_str());
}

}  // namespace
}  // namespace marlow::test
