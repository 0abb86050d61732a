// MainWindow: the viewer's one window, a skinned borderless dialog run
// modally for the life of the process. It holds the engine (through an
// EngineHost: display child window, sound output, engine), the title strip,
// the status line, the position and volume sliders and the rows of skinned
// buttons, and turns every command, button, accelerator, mouse gesture,
// timer tick and slider notification into calls on the engine.
//
// Player mode plays recordings from files or recorder disks; ZorIzovur mode
// (the networked recorder) has its buttons and layout here, its commands
// elsewhere.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/win32_engine_host.h"
#include "viewer/command_rules.h"
#include "viewer/profile_settings.h"
#include "viewer/skin/win32_skin_button.h"
#include "viewer/skin/win32_skin_dialog.h"
#include "viewer/skin/win32_skin_slider.h"
#include "viewer/win32_status_line.h"
#include "viewer/win32_title_strip.h"

namespace marlow::viewer {

// Control id of the video display child window.
constexpr int kVideoDisplayId = 1000;
// Timers: deferred relayout and the status refresh.
constexpr UINT_PTR kRelayoutTimer = 3;
constexpr UINT_PTR kStatusTimer = 4;

// What ViewerApp hands the window: the profile, the channel count and the
// recording named on the command line.
struct MainWindowSetup {
  std::string profilePath;
  int channelCount = kDefaultChannelCount;
  std::string commandLineFile;
};

class MainWindow : public SkinDialog {
 public:
  explicit MainWindow(const MainWindowSetup& setup, HINSTANCE module = nullptr);
  ~MainWindow() override;

  // What a caller (and the tests) can look at while the window runs.
  PlaybackEngine& Engine() { return host_.Engine(); }
  int Mode() { return host_.Engine().Mode(); }
  bool FullScreen() const { return fullScreen_; }
  int VideoWidth() const { return videoRight_ - videoLeft_; }
  int VideoHeight() const { return videoBottom_ - videoTop_; }

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnTimer(UINT_PTR id) override;
  bool QueryCommand(int id, CommandUi* ui) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  class VideoKeys;

  // Start-up pieces (in the order OnInit runs them).
  void AppendAboutToSystemMenu();
  void LoadMenuTexts();
  void SetUpButtons();
  void SetUpSliders();
  void LoadLogo();
  void LoadAndApplySettings();

  // Layout and modes.
  void Relayout(bool resize, int videoWidth, int videoHeight);
  void SetViewerMode(int mode);
  void ResetTitle();

  // Commands.
  bool RunCommand(int id);
  void OpenFile();
  void OpenDisk();
  void OpenSource(const std::string& path, bool isDisk, bool resetMarks);
  void CloseSource();
  void SetSliderRange();
  void ToggleFullScreen();
  void Maximize();
  void StillCapture();
  void ExportStretch();
  void ShowOptions();
  void ShowAbout();
  void ExportToAvi();
  void ApplyTopMost();
  void ShutDown(bool saveFirst);
  void SaveSettingsNow();

  // Messages.
  void OnStatusTimer();
  void OnSliderChanging(int id, int value);
  bool OnLeftButtonDown(int x, int y);
  void OnMouseMove(int x, int y);
  void OnLeftButtonUp();
  void OnDoubleClick();
  void OnContextMenu(int x, int y);
  void OnDropFiles(HDROP drop);
  void PaintMinimized();

  WindowState CurrentState();

  // User-interface thread: everything below.
  HINSTANCE module_;
  std::string profilePath_;
  int channelCount_;
  std::string commandLineFile_;
  EngineHost host_;

  std::string title_;
  ViewerSettings settings_;
  bool fullScreen_ = false;
  int videoLeft_ = 0, videoTop_ = 0, videoRight_ = 640, videoBottom_ = 448;
  RECT savedRect_ = {};
  bool resizeDrag_ = false;
  int dragOffsetX_ = 0, dragOffsetY_ = 0;
  bool layoutDone_ = false;
  bool deferredRelayout_ = false;
  uint64_t markIn_ = 0, markOut_ = 0;
  std::string lastOpenFolder_;  // the Open dialog's folder for this run
  bool shuttingDown_ = false;
  std::string lastStatusText_;

  HMENU menu_ = nullptr;
  HICON icon_ = nullptr;
  TitleStrip titleStrip_;
  StatusLine statusLine_;
  SkinSlider positionSlider_;
  SkinSlider volumeSlider_;
  static constexpr int kButtonCount = 35;
  SkinButton buttons_[kButtonCount];
  VideoKeys* videoKeys_ = nullptr;
};

}  // namespace marlow::viewer
