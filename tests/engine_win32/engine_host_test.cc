// The engine host builds display, sound output and engine for a window.
// Two hosts in one process (a page with two controls) play side by side.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "engine/win32_engine_host.h"
#include "tools/makekvr/recording_maker.h"

using namespace marlow;

namespace {

HWND MakeParent(const char* title) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "MarlowHostTest";
  RegisterClassA(&wc);
  return CreateWindowA("MarlowHostTest", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 700, 600,
                       nullptr, nullptr, wc.hInstance, nullptr);
}

void Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    Sleep(5);
  } while (GetTickCount() - start < ms);
}

std::string MakeSample() {
  RecordingPlan plan;
  plan.channels = 4;
  plan.seconds = 6;
  plan.picturesPerSecond = 5;
  streamkit::StreamBuilder builder;
  RecordingStats stats;
  const char* error = nullptr;
  const std::string path = "engine_host_test.kvr";
  EXPECT_TRUE(MakeRecording(plan, &builder, &stats, &error) && builder.WriteFile(path.c_str()));
  return path;
}

}  // namespace

TEST(EngineHost, BuildsTheDisplayInItsWindowAndTearsDownInOrder) {
  HWND parent = MakeParent("host");
  ASSERT_NE(parent, nullptr);
  EngineHost host;
  EXPECT_EQ(host.Initialize(nullptr, 0, 0, 640, 448, 100, 4, 4), 0);
  ASSERT_EQ(host.Initialize(parent, 0, 0, 640, 448, 100, 4, 4), 1);
  EXPECT_EQ(host.Initialize(parent, 0, 0, 640, 448, 100, 4, 4), 0);  // once
  HWND video = host.Display().Window();
  ASSERT_TRUE(IsWindow(video));
  EXPECT_EQ(GetParent(video), parent);
  EXPECT_EQ(GetDlgCtrlID(video), 100);
  RECT r;
  GetClientRect(video, &r);
  EXPECT_EQ(r.right, 640);
  EXPECT_EQ(r.bottom, 448);

  // The network side's notifications are posted to the parent.
  host.Notifier().Post(kNotifyServerClosed, 0, 0);
  MSG m;
  EXPECT_TRUE(PeekMessageA(&m, parent, kNotifyServerClosed, kNotifyServerClosed, PM_REMOVE));

  host.Shutdown();
  EXPECT_FALSE(IsWindow(video));
  host.Shutdown();  // twice is harmless
  DestroyWindow(parent);
}

TEST(EngineHost, TwoHostsInOneProcessPlayTheirOwnRecordings) {
  const std::string path = MakeSample();
  HWND a = MakeParent("a"), b = MakeParent("b");
  EngineHost first, second;
  ASSERT_EQ(first.Initialize(a, 0, 0, 320, 224, 100, 4, 4), 1);
  ASSERT_EQ(second.Initialize(b, 0, 0, 320, 224, 100, 4, 4), 1);
  first.Engine().SwitchMode(kModePlayer, 4, 4);
  second.Engine().SwitchMode(kModePlayer, 4, 4);
  ASSERT_EQ(first.Engine().OpenAndPlay(path.c_str(), 0), 1);
  ASSERT_EQ(second.Engine().OpenAndPlay(path.c_str(), 0), 1);
  Pump(1500);
  EXPECT_GT(first.Engine().Position(), 0u);
  EXPECT_GT(second.Engine().Position(), 0u);
  TimeRecord t1 = {}, t2 = {};
  EXPECT_EQ(first.Engine().CurrentFrameTime(&t1), 1);
  EXPECT_EQ(second.Engine().CurrentFrameTime(&t2), 1);
  first.Shutdown();
  EXPECT_FALSE(first.Engine().IsRunning());
  Pump(300);  // the other one plays on
  EXPECT_TRUE(second.Engine().IsRunning());
  second.Shutdown();
  DestroyWindow(a);
  DestroyWindow(b);
}
