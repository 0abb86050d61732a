// The main window's commands: one identifier per action, whether it comes
// from a menu item, a skinned button or an accelerator.
#include <windows.h>

#include <cstdio>

#include "export/win32_export_dialog.h"
#include "recording/disk_list.h"
#include "viewer/capture_names.h"
#include "viewer/framework/win32_file_dialog.h"
#include "viewer/framework/win32_wait_cursor.h"
#include "viewer/main_layout.h"
#include "viewer/resources/viewer_resource.h"
#include "viewer/win32_about_dialog.h"
#include "viewer/win32_disk_select_dialog.h"
#include "viewer/win32_main_window.h"
#include "viewer/win32_options_dialog.h"
#include "viewer/win32_profile.h"

namespace marlow::viewer {

namespace {
constexpr char kOpenFilter[] = "All Files (*.*)|*.*|KVR File Format (*.KVR)|*.KVR|";
constexpr char kStretchFilter[] = "KVR File Format (*.KVR)|*.KVR|";
}  // namespace

WindowState MainWindow::CurrentState() {
  PlaybackEngine& engine = host_.Engine();
  WindowState s;
  s.sourceOpen = engine.IsOpen();
  s.playState = static_cast<int>(engine.State());
  s.mode = engine.Mode();
  s.showTime = host_.Display().ShowTime() != 0;
  s.alwaysOnTop = settings_.alwaysOnTop != 0;
  s.muted = host_.Sound().Muted() != 0;
  s.fullScreen = fullScreen_;
  s.videoWidth = VideoWidth();
  s.videoHeight = VideoHeight();
  s.markIn = markIn_;
  s.markOut = markOut_;
  return s;
}

bool MainWindow::QueryCommand(int id, CommandUi* ui) {
  const CommandRule rule = RuleOf(id, CurrentState());
  if (!rule.hasRule) return false;
  ui->enabled = rule.enabled;
  ui->checked = rule.checked;
  return true;
}

bool MainWindow::OnCommand(int id, int code, HWND control) {
  (void)control;
  // A double-click on the window icon closes like the close button.
  if (id == IDC_WINDOW_ICON) {
    if (code == BN_DOUBLECLICKED) ShutDown(false);
    return true;
  }
  // Clicks, menu items (0) and accelerators (1); other notifications of the
  // buttons are not commands.
  if (code != 0 && code != 1) return false;
  if (shuttingDown_) return true;
  // The rule of a command holds however it arrives: a disabled command
  // reached through its accelerator does nothing.
  CommandUi ui;
  if (QueryCommand(id, &ui) && !ui.enabled) return true;
  return RunCommand(id);
}

bool MainWindow::RunCommand(int id) {
  PlaybackEngine& engine = host_.Engine();
  VideoDisplay& display = host_.Display();
  if (const int split = SplitRequest(id, channelCount_)) {
    display.SelectLayout(split, -1);
    return true;
  }
  switch (id) {
    case ID_OPEN_FILE:
      OpenFile();
      return true;
    case ID_OPEN_DISK:
      OpenDisk();
      return true;
    case ID_EXPORT_AVI:
      ExportToAvi();
      return true;
    case ID_CLOSE_SOURCE:
      CloseSource();
      return true;
    case ID_SHOW_TIME:
      display.SetShowTime(!display.ShowTime());
      return true;
    case ID_ALWAYS_ON_TOP:
      settings_.alwaysOnTop = !settings_.alwaysOnTop;
      ApplyTopMost();
      return true;
    case ID_PLAY:
      engine.Play(1);
      return true;
    case ID_PLAY_REVERSE:
      engine.PlayReverse(1);
      return true;
    case ID_PAUSE:
      engine.Pause();
      return true;
    case ID_FAST_FORWARD:
      engine.FastForward();
      return true;
    case ID_FAST_REWIND:
      engine.FastRewind();
      return true;
    case ID_NEXT_FRAME:
      engine.StepForward();
      return true;
    case ID_PREVIOUS_FRAME:
      engine.StepBackward();
      return true;
    case ID_SPEED_NORMAL:
      engine.SetSpeed(1.0);
      return true;
    case ID_SPEED_UP:
      engine.SetSpeed(engine.Speed() + 0.1);
      return true;
    case ID_SPEED_DOWN:
      engine.SetSpeed(engine.Speed() - 0.1);
      return true;
    case ID_MARK_IN:
      markIn_ = engine.Position();
      return true;
    case ID_MARK_OUT:
      markOut_ = engine.Position();
      return true;
    case ID_EXPORT_STRETCH:
      ExportStretch();
      return true;
    case ID_MUTE: {
      const int on = !host_.Sound().Muted();
      host_.Sound().SetMute(on);
      SendMessageA(Control(ID_MUTE), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
      return true;
    }
    case ID_VOLUME_UP:
    case ID_VOLUME_DOWN: {
      // The items step the volume slider by a sixteenth of its range.
      const int step = id == ID_VOLUME_UP ? 4096 : -4096;
      int v = volumeSlider_.Position() + step;
      v = v < 0 ? 0 : (v > 65535 ? 65535 : v);
      volumeSlider_.SetPosition(v);
      host_.Sound().SetVolume(v);
      settings_.volume = v;
      return true;
    }
    case ID_FULL_SCREEN:
      ToggleFullScreen();
      return true;
    case ID_MAXIMIZE:
      Maximize();
      return true;
    case ID_ASPECT_448:
      Relayout(true, 640, 448);
      return true;
    case ID_ASPECT_544:
      Relayout(true, 640, 544);
      return true;
    case IDC_STILL_CAPTURE:
      StillCapture();
      return true;
    case ID_OPTIONS:
      ShowOptions();
      return true;
    case ID_ABOUT:
      ShowAbout();
      return true;
    case ID_EXIT:
      ShutDown(true);
      return true;
    case ID_PLAYER_MODE:
      SetViewerMode(kViewerModePlayer);
      Relayout(false, 0, 0);
      return true;
    case ID_VIEWER_MODE:
      SetViewerMode(kViewerModeLive);
      Relayout(false, 0, 0);
      return true;
    case IDC_MINIMIZE:
      ShowWindow(Window(), SW_MINIMIZE);
      return true;
    case IDC_CLOSE:
      ShutDown(false);
      return true;
    default:
      return false;  // the live view's commands come with the network side
  }
}

// --- Sources ---------------------------------------------------------------------

void MainWindow::OpenFile() {
  FileDialogOptions options;
  options.filter = kOpenFilter;
  options.initialFolder = lastOpenFolder_.c_str();
  std::string path;
  if (!ChooseFileToOpen(Window(), options, &path)) return;
  const size_t slash = path.find_last_of("\\/");
  if (slash != std::string::npos) lastOpenFolder_ = path.substr(0, slash + 1);
  OpenSource(path, false, true);
}

void MainWindow::OpenDisk() {
  DiskList disks;
  DiskSelectDialog dialog(&disks, module_);
  std::string path;
  if (!dialog.Run(Window(), &path) || path.empty()) return;
  OpenSource(path, true, false);
}

void MainWindow::OpenSource(const std::string& path, bool isDisk, bool resetMarks) {
  PlaybackEngine& engine = host_.Engine();
  if (engine.IsOpen()) CloseSource();
  if (resetMarks) markIn_ = markOut_ = 0;
  engine.OpenAndPlay(path.c_str(), isDisk ? 1 : 0);
  SetSliderRange();
  ResetTitle();
  InvalidateRect(Window(), nullptr, TRUE);
}

void MainWindow::CloseSource() {
  PlaybackEngine& engine = host_.Engine();
  engine.Close();
  // Disconnect: the live view is not part of this build.
  positionSlider_.SetRange(0, 0, true);
  positionSlider_.SetPosition(0);
  ResetTitle();
  InvalidateRect(Window(), nullptr, TRUE);
}

void MainWindow::SetSliderRange() {
  const uint64_t length = host_.Engine().Size();
  const uint64_t blocks = length > 1 ? length >> 12 : 0;
  positionSlider_.SetRange(0, static_cast<int>(blocks > 0x7FFFFFFF ? 0x7FFFFFFF : blocks), true);
}

// --- Window geometry ---------------------------------------------------------------

void MainWindow::ToggleFullScreen() {
  fullScreen_ = !fullScreen_;
  Relayout(false, 0, 0);
  if (!fullScreen_) {
    MoveWindow(Window(), savedRect_.left, savedRect_.top, savedRect_.right - savedRect_.left,
               savedRect_.bottom - savedRect_.top, TRUE);
    Relayout(false, 0, 0);
  }
}

void MainWindow::Maximize() {
  if (fullScreen_) return;
  GetWindowRect(Window(), &savedRect_);
  ShowWindow(Window(), SW_MAXIMIZE);
}

// --- Still capture and the marked stretch -----------------------------------------

void MainWindow::StillCapture() {
  WaitCursor wait;
  CreateDirectoryA(settings_.capturePath.c_str(), nullptr);
  SYSTEMTIME now;
  GetLocalTime(&now);
  const std::string name =
      StillCaptureName({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond});
  host_.Display().CaptureToFile(StillCapturePath(settings_.capturePath, name).c_str());
}

void MainWindow::ExportStretch() {
  FileDialogOptions options;
  options.filter = kStretchFilter;
  options.initialName = "CAPTURE.KVR";
  options.defaultExtension = "KVR";
  std::string path;
  if (!ChooseFileToSave(Window(), options, &path)) return;
  WaitCursor wait;
  host_.Engine().SaveStretch(markIn_, markOut_, path.c_str());
}

// --- Dialogs -----------------------------------------------------------------------

void MainWindow::ShowOptions() {
  VideoDisplay& display = host_.Display();
  OptionsValues v;
  v.alwaysOnTop = settings_.alwaysOnTop != 0;
  v.showTime = display.ShowTime() != 0;
  v.repeat = host_.Engine().Repeat() != 0;
  v.useDirectDraw = display.DirectDrawOption() != 0;
  v.timeFormat = display.TimeFormat();
  v.capturePath = settings_.capturePath;
  OptionsDialog dialog(module_);
  if (!dialog.Run(Window(), &v)) return;
  // Applied in this order: on-screen time, always on top, capture path,
  // repeat, time format, DirectDraw, then the top-most state.
  display.SetShowTime(v.showTime);
  settings_.alwaysOnTop = v.alwaysOnTop;
  settings_.capturePath = v.capturePath;
  host_.Engine().SetRepeat(v.repeat);
  display.SetTimeFormat(v.timeFormat.c_str());
  display.SetDirectDraw(v.useDirectDraw);
  ApplyTopMost();
}

void MainWindow::ExportToAvi() {
  // The export has a source and decoder of its own: playback goes on.
  ExportDialog dialog(channelCount_, [](int number, const char* builtIn) {
    std::string text;
    return LookupMessage(number, &text) ? text : std::string(builtIn);
  });
  dialog.RunModal(Window());
}

void MainWindow::ShowAbout() {
  AboutDialog dialog(title_, module_);
  dialog.RunModal(Window());
}

// --- Shut-down -----------------------------------------------------------------------

void MainWindow::SaveSettingsNow() {
  // The current values come out of the window, the display, the sound
  // output and the engine first.
  VideoDisplay& display = host_.Display();
  settings_.showTime = display.ShowTime();
  settings_.videoWidth = VideoWidth();
  settings_.videoHeight = VideoHeight();
  settings_.repeat = host_.Engine().Repeat();
  settings_.timeFormat = display.TimeFormat();
  settings_.volume = volumeSlider_.Position() & 0xFFFF;
  settings_.mute = host_.Sound().Muted();
  settings_.useDDraw = display.DirectDrawOption();
  settings_.autoReconnection = host_.Engine().AutoReconnect();
  Win32Profile profile(profilePath_);
  SaveSettings(profile, settings_);
}

void MainWindow::ShutDown(bool saveFirst) {
  if (shuttingDown_) return;
  shuttingDown_ = true;
  KillTimer(Window(), kRelayoutTimer);
  KillTimer(Window(), kStatusTimer);
  // Exit and the window's close request save before the source is closed;
  // the close button closes the source first.
  if (saveFirst) SaveSettingsNow();
  host_.Engine().Close();
  if (!saveFirst) SaveSettingsNow();
  End(IDOK);
}

}  // namespace marlow::viewer
