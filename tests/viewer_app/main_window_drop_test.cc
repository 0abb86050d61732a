// Files dropped on the main window: only the first one opens. The drop's
// handle is memory of the dropping process, so the window runs inside the
// test here, modally on the test's thread, while a helper thread drops.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <thread>

#include "tests/support/win32_test_driver.h"
#include "tests/viewer_app/viewer_session.h"
#include "tools/makekvr/recording_maker.h"
#include "viewer/resources/viewer_resource.h"
#include "viewer/win32_main_window.h"

namespace marlow::test {
namespace {

std::string Recording(const std::string& path, uint32_t startTime) {
  RecordingPlan plan;
  plan.channels = 4;
  plan.seconds = 6;
  plan.startTime = startTime;
  streamkit::StreamBuilder builder;
  RecordingStats stats;
  const char* error = nullptr;
  EXPECT_TRUE(MakeRecording(plan, &builder, &stats, &error) && builder.WriteFile(path.c_str()));
  return path;
}

// A WM_DROPFILES handle naming the files, as the shell builds it.
HGLOBAL DropOf(const std::string& a, const std::string& b) {
  const size_t bytes = sizeof(DROPFILES) + a.size() + 1 + b.size() + 1 + 1;
  HGLOBAL memory = GlobalAlloc(GHND, bytes);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = FALSE;
  char* names = reinterpret_cast<char*>(drop) + sizeof(DROPFILES);
  std::memcpy(names, a.c_str(), a.size() + 1);
  std::memcpy(names + a.size() + 1, b.c_str(), b.size() + 1);
  GlobalUnlock(memory);
  return memory;
}

TEST(MainWindowDrop, OnlyTheFirstDroppedFileOpens) {
  const std::string folder = SessionFolder("drop");
  CreateDirectoryA(folder.c_str(), nullptr);
  SetCurrentDirectoryA(folder.c_str());
  DeleteFileA((folder + "DvrProfile.ini").c_str());
  const std::string first = Recording(folder + "first.kvr", 1704067200);    // 2024-01-01
  const std::string second = Recording(folder + "second.kvr", 1735689600);  // 2025-01-01
  viewer::MainWindowSetup setup;
  setup.profilePath = folder + "DvrProfile.ini";
  viewer::MainWindow window(setup);
  std::string status;
  std::thread drive([&] {
    WindowQuery q;
    q.processId = GetCurrentProcessId();
    q.title = "Marlow Viewer";
    HWND w = WaitForTopWindow(q, 10000);
    if (!w) return;
    Sleep(500);
    PostMessageA(w, WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf(first, second)), 0);
    HWND line = FindControl(w, IDC_STATUS_LINE);
    WaitUntil([&] { return WindowText(line).find("2024/01/01") != std::string::npos; }, 5000);
    Sleep(1500);
    status = WindowText(line);
    PostCommand(w, ID_EXIT);
  });
  window.RunModal(nullptr);
  drive.join();
  EXPECT_EQ(status.rfind("PLAY  x 1.0  2024/01/01", 0), 0u) << status;
}

}  // namespace
}  // namespace marlow::test
