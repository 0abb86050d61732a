// The real MarlowViewer.exe under Wine, driven from outside as a user meets
// it: fresh working folders, commands as WM_COMMAND, real mouse input,
// window rectangles and texts, screen pixels, and the files it writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/win32_test_driver.h"
#include "tests/viewer_app/viewer_session.h"
#include "viewer/resources/viewer_resource.h"

namespace marlow::test {
namespace {

constexpr int kVideo = 1000;  // the display child's control id

const char* const kSavedKeys[] = {"Capture Path", "AlwaysOnTop",
                                  "Show Time",    "Video Width",
                                  "Video Height", "Repeat",
                                  "Time Format",  "Volume",
                                  "Mute",         "IP Address",
                                  "Port",         "DynamicIp",
                                  "Use DDraw",    "Auto Reconnection",
                                  "Timeout",      "Ddns Ip",
                                  "Ddns Port",    "Local Recording Path",
                                  "DvrName"};

std::vector<std::string> Names(const std::vector<std::pair<std::string, std::string>>& keys) {
  std::vector<std::string> names;
  for (const auto& k : keys) names.push_back(k.first);
  return names;
}

std::string Value(const std::vector<std::pair<std::string, std::string>>& keys, const char* key) {
  for (const auto& k : keys) {
    if (k.first == key) return k.second;
  }
  return "<missing>";
}

int Width(const RECT& r) {
  return r.right - r.left;
}
int Height(const RECT& r) {
  return r.bottom - r.top;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Median chroma (BT.601 Cb, Cr) of the pixels of a rectangle.
void MedianChroma(const Image& image, int x0, int y0, int w, int h, int* cb, int* cr) {
  std::vector<int> b, r;
  for (int y = y0; y < y0 + h; y += 3) {
    for (int x = x0; x < x0 + w; x += 3) {
      const Rgb c = image.At(x, y);
      b.push_back(static_cast<int>(128 - 0.168736 * c.r - 0.331264 * c.g + 0.5 * c.b));
      r.push_back(static_cast<int>(128 + 0.5 * c.r - 0.418688 * c.g - 0.081312 * c.b));
    }
  }
  std::nth_element(b.begin(), b.begin() + b.size() / 2, b.end());
  std::nth_element(r.begin(), r.begin() + r.size() / 2, r.end());
  *cb = b[b.size() / 2];
  *cr = r[r.size() / 2];
}

TEST(ViewerApp, FirstStartWithoutProfileThenTheKeysComeBack) {
  ViewerSession first("first_start");
  ASSERT_TRUE(first.Start());
  const RECT r = WindowRect(first.Window());
  EXPECT_EQ(Width(r), 645);
  EXPECT_EQ(Height(r), 588);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 645) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 588) / 2);
  EXPECT_EQ(CheckState(first.Control(ID_PLAYER_MODE)), BST_CHECKED);
  EXPECT_TRUE(IsShown(first.Control(ID_SPLIT4)));
  EXPECT_FALSE(IsShown(first.Control(ID_SPLIT9)));
  EXPECT_FALSE(IsShown(first.Control(ID_SPLIT16)));
  EXPECT_FALSE(IsShown(first.Control(ID_CONNECT)));
  EXPECT_TRUE(first.WaitStatus("READY"));
  SaveScreenshot(CaptureWindow(first.Window()), "viewer_first_start");

  // A real drag on the volume slider, the 640 x 544 size, then Exit.
  const RECT volume = WindowRect(first.Control(IDC_VOLUME_SLIDER));
  MouseDown(volume.left + 6, (volume.top + volume.bottom) / 2);
  MouseUp(volume.left + 6, (volume.top + volume.bottom) / 2);
  first.Command(ID_ASPECT_544);
  Settle(300);
  EXPECT_EQ(Height(WindowRect(first.Window())), 684);
  ASSERT_TRUE(first.EndWith(ID_EXIT));
  const auto keys = first.ProfileKeys();
  EXPECT_EQ(Names(keys), std::vector<std::string>(std::begin(kSavedKeys), std::end(kSavedKeys)));
  EXPECT_EQ(Value(keys, "Video Height"), "544");
  EXPECT_EQ(Value(keys, "Port"), "8841");
  EXPECT_EQ(Value(keys, "Timeout"), "7");
  const std::string volumeValue = Value(keys, "Volume");
  EXPECT_NE(volumeValue, "32768");
  EXPECT_LT(std::stoi(volumeValue), 32768);

  // The second start reads them back and writes them again unchanged.
  ViewerSession second("first_start_again");
  CopyFileA((first.Folder() + "DvrProfile.ini").c_str(),
            (second.Folder() + "DvrProfile.ini").c_str(), FALSE);
  ASSERT_TRUE(second.Start());
  EXPECT_EQ(Height(WindowRect(second.Window())), 684);
  ASSERT_TRUE(second.EndWith(ID_EXIT));
  EXPECT_EQ(second.ProfileKeys(), keys);
}

TEST(ViewerApp, ChannelCountChoosesTheSplitButtons) {
  for (int channels : {9, 16}) {
    SCOPED_TRACE(channels);
    ViewerSession s("channels_" + std::to_string(channels),
                    {"NumberOfChannels=" + std::to_string(channels)});
    const std::string sample = MakeSampleRecording(s.Folder(), channels, 4);
    ASSERT_TRUE(s.Start("\"" + sample + "\""));
    EXPECT_TRUE(IsShown(s.Control(ID_SPLIT9)));
    EXPECT_EQ(IsShown(s.Control(ID_SPLIT16)), channels == 16);
    ASSERT_TRUE(s.WaitStatus("PLAY", 8000));
    Settle(1500);
    // Every channel has its pane: the last channel's pane, bottom right of
    // a 3 x 3 or 4 x 4 grid, shows a camera (not the black of an empty one).
    const Image video = CaptureClient(s.Control(kVideo));
    const int n = channels == 16 ? 4 : 3;
    const int pw = video.Width() / n, ph = video.Height() / n;
    EXPECT_GT(video.CountDifferent((n - 1) * pw + 4, (n - 1) * ph + ph / 2, pw - 8, ph / 3,
                                   Rgb{0, 0, 0}, 40),
              pw * ph / 20);
    SaveScreenshot(CaptureWindow(s.Window()), "viewer_" + std::to_string(channels) + "_panes");
    ASSERT_TRUE(s.EndWith(ID_EXIT));
  }
}

TEST(ViewerApp, TheSamplePlaysEachPaneWithItsCamera) {
  ViewerSession s("plays");
  const std::string sample = MakeSampleRecording(s.Folder(), 4, 12);
  ASSERT_FALSE(sample.empty());
  ASSERT_TRUE(s.Start("\"" + sample + "\""));
  ASSERT_TRUE(s.WaitStatus("PLAY  x 1.0  2024/01/01 00:00:0", 8000)) << s.Status();
  HWND video = s.Control(kVideo);
  Settle(1000);
  const Image first = CaptureClient(video);
  const Image sliderBefore = CaptureClient(s.Control(IDC_POSITION_SLIDER));
  SaveScreenshot(CaptureWindow(s.Window()), "viewer_4_panes_playing");
  // Channel tints of the synthetic camera, (Cb, Cr) of each background.
  const int tints[4][2] = {{178, 128}, {174, 147}, {163, 163}, {147, 174}};
  for (int c = 0; c < 4; ++c) {
    SCOPED_TRACE(c);
    const int x = (c % 2) * 320, y = (c / 2) * 224;
    int cb = 0, cr = 0;
    MedianChroma(first, x + 10, y + 60, 300, 150, &cb, &cr);
    EXPECT_NEAR(cb, tints[c][0], 8);
    EXPECT_NEAR(cr, tints[c][1], 8);
  }
  Settle(1500);
  const Image sliderAfter = CaptureClient(s.Control(IDC_POSITION_SLIDER));
  int changed = 0;
  for (int x = 0; x < sliderAfter.Width(); ++x) {
    for (int y = 0; y < sliderAfter.Height(); ++y)
      changed += sliderAfter.At(x, y) != sliderBefore.At(x, y);
  }
  EXPECT_GT(changed, 0) << "the position slider did not move";

  s.Command(ID_PAUSE);
  EXPECT_TRUE(s.WaitStatus("PAUSE")) << s.Status();
  const std::string paused = s.Status();
  s.Command(ID_NEXT_FRAME);
  Settle(700);
  EXPECT_TRUE(s.WaitStatus("PAUSE"));
  EXPECT_NE(s.Status(), "") << paused;
  s.Command(ID_PLAY_REVERSE);
  EXPECT_TRUE(s.WaitStatus("PLAY  x 1.0")) << s.Status();
  s.Command(ID_PLAY);
  s.Command(ID_SPEED_UP);
  EXPECT_TRUE(s.WaitStatus("PLAY  x 1.1")) << s.Status();
  s.Command(ID_SPEED_NORMAL);
  EXPECT_TRUE(s.WaitStatus("PLAY  x 1.0")) << s.Status();
  // Fast forward runs to the end within moments: seen at 16, or already
  // paused on the last second.
  s.Command(ID_FAST_FORWARD);
  EXPECT_TRUE(WaitUntil(
      [&] {
        const std::string t = s.Status();
        return t.rfind("PLAY  x 16.0", 0) == 0 || t.find("00:00:11") != std::string::npos;
      },
      5000))
      << s.Status();
  // Split 1 shows one camera in the whole area: channel 1's tint.
  s.Command(IDC_SPLIT1);
  Settle(800);
  int cb = 0, cr = 0;
  MedianChroma(CaptureClient(video), 20, 100, 600, 300, &cb, &cr);
  EXPECT_NEAR(cb, 178, 8);
  EXPECT_NEAR(cr, 128, 8);
  ASSERT_TRUE(s.EndWith(ID_EXIT));
}

TEST(ViewerApp, ResizeAspectAndFullScreen) {
  ViewerSession s("geometry");
  ASSERT_TRUE(s.Start());
  HWND w = s.Window();
  RECT r = WindowRect(w);
  // A drag of the bottom-right grip towards 400 x 300 stops at the minimum.
  MouseDown(r.right - 4, r.bottom - 4);
  Settle(100);
  MoveMouse(r.left + 300, r.top + 250);
  Settle(100);
  MoveMouse(r.left + 400, r.top + 300);
  MouseUp(r.left + 400, r.top + 300);
  Settle(300);
  r = WindowRect(w);
  EXPECT_EQ(Width(r), 578);
  EXPECT_EQ(Height(r), 486);
  EXPECT_EQ(Width(RectInParent(s.Control(kVideo))), 573);
  // 600 pixels wide: the volume shows in Player mode, not in ZorIzovur mode.
  MouseDown(r.right - 4, r.bottom - 4);
  Settle(100);
  MoveMouse(r.left + 590 - 4, r.bottom - 4);
  Settle(100);
  MoveMouse(r.left + 600 - 4, r.bottom - 4);
  Settle(100);
  MouseUp(r.left + 600 - 4, r.bottom - 4);
  Settle(300);
  ASSERT_NEAR(Width(WindowRect(w)), 600, 2);  // the pointer lands within a pixel
  EXPECT_TRUE(WaitUntil([&] { return IsShown(s.Control(IDC_VOLUME_SLIDER)); }, 3000));
  EXPECT_TRUE(WaitUntil([&] { return IsShown(s.Control(ID_MUTE)); }, 3000));
  s.Command(ID_VIEWER_MODE);
  Settle(300);
  SaveScreenshot(CaptureWindow(w), "viewer_zorizovur_600");
  EXPECT_TRUE(WaitUntil([&] { return !IsShown(s.Control(IDC_VOLUME_SLIDER)); }, 3000));
  EXPECT_TRUE(WaitUntil([&] { return !IsShown(s.Control(ID_MUTE)); }, 3000));
  EXPECT_TRUE(WaitUntil([&] { return IsShown(s.Control(ID_CONNECT)); }, 3000));
  EXPECT_TRUE(WaitUntil([&] { return !IsShown(s.Control(ID_PLAY)); }, 3000));
  SaveScreenshot(CaptureWindow(w), "viewer_zorizovur_600");
  s.Command(ID_PLAYER_MODE);
  Settle(300);
  EXPECT_TRUE(WaitUntil([&] { return IsShown(s.Control(IDC_VOLUME_SLIDER)); }, 3000));

  s.Command(ID_ASPECT_544);
  WaitUntil([&] { return Height(WindowRect(w)) == 684; }, 3000);
  const RECT aspect = WindowRect(w);
  EXPECT_EQ(Width(aspect), 645);
  EXPECT_EQ(Height(aspect), 684);
  s.Command(ID_FULL_SCREEN);
  WaitUntil([&] { return Width(WindowRect(w)) == GetSystemMetrics(SM_CXSCREEN); }, 3000);
  Settle(300);
  r = WindowRect(w);
  EXPECT_EQ(Width(r), GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(Height(r), GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(Width(WindowRect(s.Control(kVideo))), GetSystemMetrics(SM_CXSCREEN));
  EXPECT_TRUE(WaitUntil([&] { return !IsShown(s.Control(ID_PLAY)); }, 3000));
  s.Command(ID_FULL_SCREEN);
  WaitUntil([&] { return Width(WindowRect(w)) == 645; }, 3000);
  r = WindowRect(w);
  EXPECT_EQ(r.left, aspect.left);
  EXPECT_EQ(r.top, aspect.top);
  EXPECT_EQ(Width(r), 645);
  EXPECT_EQ(Height(r), 684);
  EXPECT_TRUE(WaitUntil([&] { return IsShown(s.Control(ID_PLAY)); }, 3000));
  ASSERT_TRUE(s.EndWith(ID_EXIT));
}

// Still pictures named by the clock: in the capture folder, and in the
// working folder for an empty capture path.
TEST(ViewerApp, StillCaptureNamedByTheClock) {
  for (bool empty : {false, true}) {
    SCOPED_TRACE(empty);
    const std::string name = empty ? "still_here" : "still_folder";
    const std::string caps = SessionFolder(name) + "caps";
    ViewerSession s(name, {std::string("Capture Path=") + (empty ? "" : caps)});
    const std::string sample = MakeSampleRecording(s.Folder(), 4, 12);
    ASSERT_TRUE(s.Start("\"" + sample + "\""));
    ASSERT_TRUE(s.WaitStatus("PLAY", 8000));
    Settle(1500);
    s.Command(ID_PAUSE);
    ASSERT_TRUE(s.WaitStatus("PAUSE"));
    Settle(300);
    const Image shown = CaptureClient(s.Control(kVideo));
    SYSTEMTIME before;
    GetLocalTime(&before);
    s.Command(IDC_STILL_CAPTURE);
    const std::string folder = empty ? s.Folder() : caps + "\\";
    std::string found;
    WaitUntil(
        [&] {
          WIN32_FIND_DATAA data;
          HANDLE f = FindFirstFileA((folder + "*.bmp").c_str(), &data);
          if (f == INVALID_HANDLE_VALUE) return false;
          found = data.cFileName;
          FindClose(f);
          return true;
        },
        5000);
    ASSERT_FALSE(found.empty());
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%04d%02d%02d-", before.wYear, before.wMonth, before.wDay);
    EXPECT_EQ(found.substr(0, 9), prefix);
    EXPECT_EQ(found.size(), 19u);
    // The picture holds the panes: channel 3's tint at the bottom left.
    const std::vector<uint8_t> bmp = ReadAll(folder + found);
    ASSERT_GT(bmp.size(), 54u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    const int32_t width = *reinterpret_cast<const int32_t*>(&bmp[18]);
    EXPECT_EQ(width, shown.Width());
    ASSERT_TRUE(s.EndWith(ID_EXIT));
  }
}

// Mark In, Mark Out and Export write the marked blocks of the source.
TEST(ViewerApp, MarkedStretchIsSavedAndPlays) {
  ViewerSession s("stretch");
  const std::string sample = MakeSampleRecording(s.Folder(), 4, 12);
  ASSERT_TRUE(s.Start("\"" + sample + "\""));
  ASSERT_TRUE(s.WaitStatus("PLAY", 8000));
  Settle(1000);
  s.Command(ID_PAUSE);
  ASSERT_TRUE(s.WaitStatus("PAUSE"));
  s.Command(ID_MARK_IN);
  s.Command(ID_PLAY);
  Settle(2000);
  s.Command(ID_PAUSE);
  ASSERT_TRUE(s.WaitStatus("PAUSE"));
  s.Command(ID_MARK_OUT);
  Settle(200);
  s.Command(ID_EXPORT_STRETCH);
  // The save dialog: the viewer's other top-level dialog.
  HWND save = nullptr;
  WaitUntil(
      [&] {
        for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
          DWORD pid = 0;
          GetWindowThreadProcessId(w, &pid);
          if (pid == s.ProcessId() && w != s.Window() && IsWindowVisible(w) &&
              ClassName(w) == "#32770") {
            save = w;
            return true;
          }
        }
        return false;
      },
      10000);
  ASSERT_NE(save, nullptr);
  const std::string out = s.Folder() + "CAPTURE.KVR";
  HWND edit = FindControl(save, 1148);
  if (!edit) edit = FindChild(save, "Edit");
  ASSERT_NE(edit, nullptr);
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(out.c_str()));
  PostCommand(save, IDOK);
  ASSERT_TRUE(
      WaitUntil([&] { return GetFileAttributesA(out.c_str()) != INVALID_FILE_ATTRIBUTES; }, 5000));
  Settle(500);
  const std::vector<uint8_t> source = ReadAll(sample), part = ReadAll(out);
  ASSERT_GT(part.size(), 0u);
  EXPECT_EQ(part.size() % 4096, 0u);
  EXPECT_LT(part.size(), source.size());
  // Whole blocks of the source, in order, from a block boundary.
  bool found = false;
  for (size_t at = 0; at + part.size() <= source.size() && !found; at += 4096) {
    found = std::equal(part.begin(), part.end(), source.begin() + static_cast<long>(at));
  }
  EXPECT_TRUE(found);
  ASSERT_TRUE(s.EndWith(ID_EXIT));

  ViewerSession again("stretch_plays");
  ASSERT_TRUE(again.Start("\"" + out + "\""));
  EXPECT_TRUE(again.WaitStatus("PLAY  x 1.0  2024/01/01", 8000)) << again.Status();
  ASSERT_TRUE(again.EndWith(ID_EXIT));
}

// Repeat on: a recording played to its end starts again; off: it pauses there.
TEST(ViewerApp, RepeatPlaysAgainFromTheStart) {
  for (int repeat : {1, 0}) {
    SCOPED_TRACE(repeat);
    ViewerSession s("repeat_" + std::to_string(repeat), {"Repeat=" + std::to_string(repeat)});
    const std::string sample = MakeSampleRecording(s.Folder(), 4, 3);
    ASSERT_TRUE(s.Start("\"" + sample + "\""));
    ASSERT_TRUE(s.WaitStatus("PLAY", 8000));
    Settle(5000);  // past the end
    if (repeat) {
      EXPECT_TRUE(s.WaitStatus("PLAY  x 1.0")) << s.Status();
    } else {
      EXPECT_TRUE(s.WaitStatus("PAUSE")) << s.Status();
    }
    ASSERT_TRUE(s.EndWith(ID_EXIT));
    EXPECT_EQ(Value(s.ProfileKeys(), "Repeat"), std::to_string(repeat));
  }
}

// Exit saves before closing the source, the close button after; a close
// request is Exit. All write the same keys.
TEST(ViewerApp, EveryWayOutWritesTheSameKeys) {
  std::vector<std::vector<std::string>> written;
  for (int way = 0; way < 3; ++way) {
    SCOPED_TRACE(way);
    ViewerSession s("way_out_" + std::to_string(way));
    const std::string sample = MakeSampleRecording(s.Folder(), 4, 6);
    ASSERT_TRUE(s.Start("\"" + sample + "\""));
    ASSERT_TRUE(s.WaitStatus("PLAY", 8000));
    const bool ended = way == 0   ? s.EndWith(ID_EXIT)
                       : way == 1 ? s.EndWith(IDC_CLOSE)
                                  : s.EndWithCloseRequest();
    ASSERT_TRUE(ended);
    written.push_back(Names(s.ProfileKeys()));
    EXPECT_EQ(written.back().size(), 19u);
  }
  EXPECT_EQ(written[0], written[1]);
  EXPECT_EQ(written[0], written[2]);
}

}  // namespace
}  // namespace marlow::test
