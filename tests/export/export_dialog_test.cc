// The "Export To AVI" dialog under Wine, driven from a second thread as a
// user would: check boxes by channel count, the input chosen through the
// file dialog proposes the output name, OK waits for a compressor chosen in
// the system's compression dialog, progress moves, the completion notice
// ends the dialog; and Cancel during the export leaves whole files.
#include <windows.h>

#include <commctrl.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "export/win32_export_dialog.h"
#include "export/win32_export_dialog_resource.h"
#include "platform/notice.h"
#include "tests/export/export_recordings.h"

namespace marlow {
namespace {

class NoticeLog : public platform::NoticeSink {
 public:
  void Notice(const char* text, const char*) override { texts.push_back(text); }
  int Ask(const char*, const char*) override { return 0; }
  std::vector<std::string> texts;
};

template <typename F>
bool WaitFor(F done, int ms = 15000) {
  for (int t = 0; t < ms; t += 20) {
    if (done()) return true;
    Sleep(20);
  }
  return done();
}

HWND FindOwned(HWND owner) {
  struct Search {
    HWND owner, found;
  } s{owner, nullptr};
  EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        // The system's dialogs may stand on a hidden dialog of their own:
        // any visible window whose owners lead to ours.
        HWND o = GetWindow(w, GW_OWNER);
        while (o && o != s->owner) o = GetWindow(o, GW_OWNER);
        if (o == s->owner && IsWindowVisible(w)) {
          s->found = w;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string TextOf(HWND dialog, int id) {
  char text[512] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

// Picks a compressor in the system's dialog (OK) or cancels it.
void ChooseCompressor(HWND dialog, bool ok) {
  Press(dialog, IDC_EXPORT_SELECT);
  HWND options = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (options = FindOwned(dialog)) != nullptr; }));
  Press(options, ok ? IDOK : IDCANCEL);
  ASSERT_TRUE(WaitFor([&] { return FindOwned(dialog) == nullptr; }));
}

class ExportDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    dir_ = std::string(temp) + "export_dialog_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(dir_.c_str(), nullptr);
    SetCurrentDirectoryA(dir_.c_str());  // the compression dialog's stream goes here
    previous_ = platform::SetNoticeSink(&notices_);
  }
  void TearDown() override { platform::SetNoticeSink(previous_); }

  // Frames of a written AVI file as the AVI interface reads it back; -1 when
  // the file cannot be read.
  static long FramesOf(const std::string& path) {
    AVIFileInit();
    PAVIFILE file = nullptr;
    long frames = -1;
    if (AVIFileOpenA(&file, path.c_str(), OF_READ | OF_SHARE_DENY_WRITE, nullptr) == 0) {
      PAVISTREAM video = nullptr;
      if (AVIFileGetStream(file, &video, streamtypeVIDEO, 0) == 0) {
        frames = AVIStreamLength(video);
        AVIStreamRelease(video);
      }
      AVIFileRelease(file);
    }
    AVIFileExit();
    return frames;
  }

  std::string dir_;
  NoticeLog notices_;
  platform::NoticeSink* previous_ = nullptr;
};

TEST_F(ExportDialogTest, ChoosesFilesAndCompressorExportsAndReportsCompletion) {
  RecordingPlan plan;
  plan.channels = 4;
  plan.height = 224;
  plan.seconds = 2;
  plan.sound = TestSound::kTone;
  const std::string input = dir_ + "\\kvr.KVR";
  ASSERT_TRUE(test::WriteRecording(plan, input));

  ExportDialog dialog(9, nullptr);
  std::atomic<bool> driven{false};
  std::thread driver([&] {
    HWND d = nullptr;
    ASSERT_TRUE(WaitFor([&] {
      return (d = FindWindowA("#32770", "Export To AVI")) != nullptr && IsWindowVisible(d);
    }));
    // Check boxes of the recorder's 9 channels, checked; the rest hidden.
    for (int c = 0; c < 16; ++c) {
      HWND box = GetDlgItem(d, IDC_EXPORT_CHANNEL_FIRST + c);
      EXPECT_EQ(IsWindowVisible(box) != 0, c < 9) << c;
      if (c < 9) {
        EXPECT_EQ(IsDlgButtonChecked(d, IDC_EXPORT_CHANNEL_FIRST + c), BST_CHECKED);
      }
    }
    EXPECT_EQ(IsDlgButtonChecked(d, IDC_EXPORT_AUDIO), BST_CHECKED);
    EXPECT_EQ(TextOf(d, IDC_EXPORT_PERCENT), "0%");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDOK)));
    // The input through the file dialog; the output follows from it.
    Press(d, IDC_EXPORT_INPUT_BROWSE);
    HWND open = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (open = FindOwned(d)) != nullptr; }));
    SetDlgItemTextA(open, 0x47C, input.c_str());  // the file name box
    Press(open, IDOK);
    ASSERT_TRUE(WaitFor([&] { return !TextOf(d, IDC_EXPORT_INPUT).empty(); }));
    EXPECT_EQ(TextOf(d, IDC_EXPORT_OUTPUT), dir_ + "\\AVI.AVI");
    // A cancelled compression dialog leaves OK disabled; a choice enables it.
    ChooseCompressor(d, false);
    EXPECT_EQ(TextOf(d, IDC_EXPORT_COMPRESSION), "");
    Sleep(100);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDOK)));
    ChooseCompressor(d, true);
    EXPECT_FALSE(TextOf(d, IDC_EXPORT_COMPRESSION).empty());
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(GetDlgItem(d, IDOK)) != 0; }));
    // Only channels 1 and 3.
    for (int c : {1, 3, 4, 5, 6, 7, 8}) {
      PostMessageA(GetDlgItem(d, IDC_EXPORT_CHANNEL_FIRST + c), BM_SETCHECK, BST_UNCHECKED, 0);
    }
    Press(d, IDOK);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowEnabled(GetDlgItem(d, IDC_EXPORT_SELECT)); }));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_EXPORT_CHANNEL_FIRST)));
    // Progress moves.
    ASSERT_TRUE(WaitFor(
        [&] { return SendMessageA(GetDlgItem(d, IDC_EXPORT_PROGRESS), PBM_GETPOS, 0, 0) > 0; }));
    driven = true;
  });
  EXPECT_EQ(dialog.RunModal(nullptr), IDCANCEL);
  driver.join();
  EXPECT_TRUE(driven);
  ASSERT_EQ(notices_.texts.size(), 1u);
  EXPECT_EQ(notices_.texts[0], "Export Complete");
  EXPECT_EQ(FramesOf(dir_ + "\\AVI-CH1.AVI"),
            static_cast<long>(dialog.Exporter().PicturesWritten(0)));
  EXPECT_EQ(FramesOf(dir_ + "\\AVI-CH3.AVI"),
            static_cast<long>(dialog.Exporter().PicturesWritten(2)));
  EXPECT_GT(FramesOf(dir_ + "\\AVI-CH1.AVI"), 5);
  EXPECT_EQ(GetFileAttributesA((dir_ + "\\AVI-CH2.AVI").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA((dir_ + "\\dummy.avi").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ExportDialogTest, CancelDuringTheExportLeavesWholeFiles) {
  RecordingPlan plan;
  plan.channels = 2;
  plan.height = 272;
  plan.seconds = 20;
  plan.picturesPerSecond = 10;
  plan.sound = TestSound::kSilence;
  const std::string input = dir_ + "\\long.kvr";
  ASSERT_TRUE(test::WriteRecording(plan, input));

  // Message 106 of the message file replaces the completion text (never
  // shown here: the export is cancelled).
  ExportDialog dialog(4, [](int n, const char* builtIn) {
    return n == 3 ? std::string("Export To AVI (test)") : std::string(builtIn);
  });
  std::thread driver([&] {
    HWND d = nullptr;
    ASSERT_TRUE(
        WaitFor([&] { return (d = FindWindowA("#32770", "Export To AVI (test)")) != nullptr; }));
    SetDlgItemTextA(d, IDC_EXPORT_INPUT, input.c_str());
    SetDlgItemTextA(d, IDC_EXPORT_OUTPUT, (dir_ + "\\cut.avi").c_str());
    ChooseCompressor(d, true);
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(GetDlgItem(d, IDOK)) != 0; }));
    Press(d, IDOK);
    ASSERT_TRUE(WaitFor([&] {
      const std::string p = TextOf(d, IDC_EXPORT_PERCENT);
      return p != "0%" && p != "  0%";
    }));
    EXPECT_EQ(TextOf(d, IDC_EXPORT_PERCENT).size(), 4u);  // "%3d%%"
    Press(d, IDCANCEL);
  });
  EXPECT_EQ(dialog.RunModal(nullptr), IDCANCEL);
  driver.join();
  EXPECT_TRUE(notices_.texts.empty());
  for (int c = 0; c < 2; ++c) {
    const long frames = FramesOf(dir_ + "\\cut-CH" + std::to_string(c + 1) + ".avi");
    EXPECT_GT(frames, 0) << c;
    EXPECT_LT(frames, 199) << c;
    EXPECT_EQ(frames, static_cast<long>(dialog.Exporter().PicturesWritten(c)));
  }
}

}  // namespace
}  // namespace marlow
