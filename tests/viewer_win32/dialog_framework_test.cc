// The dialog framework's own loop: accelerators translated against the
// dialog, idle passes, and notices that reach the installed sink instead of
// a message box.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/win32_test_driver.h"
#include "tests/viewer_win32/skin_test_dialog.h"
#include "tests/viewer_win32/skin_test_resource.h"
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
