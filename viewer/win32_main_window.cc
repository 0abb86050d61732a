// The main window's start-up, layout, modes, timers and window messages.
// Commands are in win32_main_commands.cc.
#include "viewer/win32_main_window.h"

#include <shellapi.h>
#include <windowsx.h>

#include <cstdio>
#include <ctime>

#include "viewer/main_layout.h"
#include "viewer/message_numbers.h"
#include "viewer/resources/viewer_resource.h"
#include "viewer/status_text.h"
#include "viewer/win32_message_texts.h"
#include "viewer/win32_profile.h"

namespace marlow::viewer {

namespace {

// One skinned button: control, strip, tooltip message number and built-in
// tooltip (the string table holds the same text under the control's id).
struct ButtonRow {
  int control;
  int bitmap;
  int message;  // -1: no tooltip
  const char* tooltip;
};

const ButtonRow kButtons[] = {
    {IDC_WINDOW_ICON, IDB_WINDOW_ICON, -1, nullptr},
    {IDC_MINIMIZE, IDB_MINIMIZE, 97, "Minimize"},
    {IDC_CLOSE, IDB_CLOSE, msg::kCloseTooltip, "Close"},
    {ID_PLAYER_MODE, IDB_PLAYER_MODE, msg::kPlayerTooltip, "Player"},
    {ID_VIEWER_MODE, IDB_VIEWER_MODE, 98, "Viewer"},
    {ID_OPEN_FILE, IDB_OPEN, 91, "Open"},
    {ID_PLAY, IDB_PLAY, 42, "Play"},
    {ID_PAUSE, IDB_PAUSE, 71, "Pause"},
    {ID_FAST_REWIND, IDB_FAST_REWIND, 92, "Fast Backward"},
    {ID_FAST_FORWARD, IDB_FAST_FORWARD, msg::kFastForwardTooltip, "Fast Forward"},
    {ID_PLAY_REVERSE, IDB_PLAY_REVERSE, 43, "Play Reverse"},
    {ID_NEXT_FRAME, IDB_NEXT_FRAME, 93, "Next Frame"},
    {ID_PREVIOUS_FRAME, IDB_PREVIOUS_FRAME, 94, "Previous Frame"},
    {IDC_STILL_CAPTURE, IDB_STILL_CAPTURE, 95, "Still Capture"},
    {ID_MUTE, IDB_MUTE, 57, "Mute On/Off"},
    {IDC_SPLIT1, IDB_SPLIT1, 62, "Split1"},
    {ID_SPLIT4, IDB_SPLIT4, 63, "Split4"},
    {ID_SPLIT9, IDB_SPLIT9, 64, "Split9"},
    {ID_SPLIT16, IDB_SPLIT16, 65, "Split16"},
    {ID_CONNECT, IDB_CONNECT, 101, "Connect"},
    {ID_DVR_PAUSE, IDB_PAUSE, 71, "Pause"},
    {ID_DVR_REWIND, IDB_FAST_REWIND, 72, "Rewind"},
    {ID_DVR_PLAY, IDB_PLAY, 42, "Play"},
    {ID_DVR_FAST_FORWARD, IDB_FAST_FORWARD, 45, "Fast forward"},
    {ID_DVR_STOP, IDB_STOP, 73, "Stop"},
    {ID_DVR_RECORD, IDB_RECORD, 74, "Record"},
    {ID_DVR_SPLIT, IDB_SPLIT4, 64, "Split 9"},  // strip chosen by channel count
    {ID_DVR_CHANNEL1, IDB_CHANNEL1, 75, "Channel 1"},
    {ID_DVR_CHANNEL2, IDB_CHANNEL2, 76, "Channel 2"},
    {ID_DVR_CHANNEL3, IDB_CHANNEL3, 77, "Channel 3"},
    {ID_DVR_CHANNEL4, IDB_CHANNEL4, 78, "Channel 4"},
    {ID_DVR_MENU, IDB_MENU, 84, "Menu"},
    {ID_DVR_UP, IDB_UP, 85, "Up"},
    {ID_DVR_DOWN, IDB_DOWN, 86, "Down"},
    {ID_DVR_SELECT, IDB_SELECT, 87, "Select"},
};

static_assert(sizeof kButtons / sizeof kButtons[0] == 35, "one row per skinned button");

}  // namespace

// Keys of the video area: while it has the focus, Space toggles Play and
// Pause, Left and Right step; a click gives it the focus.
class MainWindow::VideoKeys : public ControlSubclass {
 public:
  explicit VideoKeys(MainWindow* owner) : owner_(owner) {}

 protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
      case WM_LBUTTONDOWN:
        SetFocus(Window());
        break;
      case WM_KEYDOWN:
        if (wParam == VK_SPACE || wParam == VK_LEFT || wParam == VK_RIGHT) {
          PlaybackEngine& engine = owner_->Engine();
          if (engine.State() == PlayState::Ready) return 0;
          int command = ID_NEXT_FRAME;
          if (wParam == VK_LEFT) command = ID_PREVIOUS_FRAME;
          if (wParam == VK_SPACE) {
            command = engine.State() == PlayState::Play || engine.State() == PlayState::PlayReverse
                          ? ID_PAUSE
                          : ID_PLAY;
          }
          PostMessageA(owner_->Window(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
          return 0;
        }
        break;
      default:
        break;
    }
    return Default(message, wParam, lParam);
  }

 private:
  MainWindow* owner_;
};

MainWindow::MainWindow(const MainWindowSetup& setup, HINSTANCE module)
    : SkinDialog(IDD_MAIN_WINDOW, module),
      module_(module ? module : GetModuleHandleA(nullptr)),
      profilePath_(setup.profilePath),
      channelCount_(setup.channelCount),
      commandLineFile_(setup.commandLineFile),
      statusLine_(module_),
      positionSlider_(module_),
      volumeSlider_(module_) {
  videoKeys_ = new VideoKeys(this);
}

MainWindow::~MainWindow() {
  host_.Shutdown();
  delete videoKeys_;
  if (menu_) DestroyMenu(menu_);
}

// --- Start-up ------------------------------------------------------------------

bool MainWindow::OnInit() {
  // 1. The skin base: the background composes at the first erase. The
  // window has no frame: the template's caption goes, the skin draws all.
  SetDraggable(true);
  const LONG_PTR style = GetWindowLongPtrA(Window(), GWL_STYLE);
  SetWindowLongPtrA(Window(), GWL_STYLE,
                    style & ~static_cast<LONG_PTR>(WS_CAPTION | WS_THICKFRAME));
  SetWindowPos(Window(), nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  // 2., 3.
  AppendAboutToSystemMenu();
  icon_ = LoadIconA(module_, MAKEINTRESOURCEA(IDI_MAIN_ICON));
  SendMessageA(Window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageA(Window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  // 4. Title from the profile.
  Win32Profile profile(profilePath_);
  char text[kProfileStringSize];
  profile.ReadString(profile_key::kAppName, kDefaultAppName, text, sizeof text);
  title_ = text;
  // 5.
  DragAcceptFiles(Window(), TRUE);
  SetBackground(IDB_BACKGROUND);
  // 6.
  LoadMenuTexts();
  // 7., 8.
  SetUpButtons();
  SetUpSliders();
  // 9.
  SetWindowTextA(Window(), title_.c_str());
  UpdateControlStates();
  // 10.
  titleStrip_.Attach(Window(), IDC_TITLE);
  statusLine_.Attach(Window(), IDC_STATUS_LINE, IDB_STATUS_STRIP);
  statusLine_.SetChannelCount(channelCount_);
  // 11. The engine: display child, sound device, variant 4, channel count.
  host_.Initialize(Window(), videoLeft_, videoTop_, videoRight_ - videoLeft_,
                   videoBottom_ - videoTop_, kVideoDisplayId, 4, channelCount_, module_);
  if (HWND video = host_.Display().Window()) videoKeys_->Attach(video);
  // 12.
  LoadLogo();
  // 13.
  VideoDisplay& display = host_.Display();
  display.SetCaptionFont(16, 0, 500, 0, "Verdana");
  display.SetCaptionTextColour(0x80FFFF);
  display.SetCaptionOutlineColour(0);
  // 14., 15.
  LoadAndApplySettings();
  volumeSlider_.SetPosition(settings_.volume & 0xFFFF);
  // 16.
  titleStrip_.SetTitle(title_.c_str());
  SetCornerSize(12, 12);
  // 17.
  Relayout(true, settings_.videoWidth, settings_.videoHeight);
  // 18.
  SetTimer(Window(), kRelayoutTimer, 1000, nullptr);
  SetTimer(Window(), kStatusTimer, 300, nullptr);
  // 19.
  SetViewerMode(kViewerModePlayer);
  // 20.
  if (!commandLineFile_.empty()) {
    host_.Engine().OpenAndPlay(commandLineFile_.c_str(), 0);
    SetSliderRange();
  }
  // 21.
  SetWindowTextA(Window(), title_.c_str());
  return true;
}

void MainWindow::AppendAboutToSystemMenu() {
  const std::string about = LoadResourceString(IDS_ABOUT_MENU_ITEM, module_);
  HMENU system = GetSystemMenu(Window(), FALSE);
  if (about.empty() || !system) return;
  AppendMenuA(system, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(system, MF_STRING, ID_ABOUT, about.c_str());
}

void MainWindow::LoadMenuTexts() {
  menu_ = LoadMenuA(module_, MAKEINTRESOURCEA(IDR_CONTEXT_MENU));
  if (menu_) ApplyContextMenuMessages(menu_);
}

void MainWindow::SetUpButtons() {
  for (int i = 0; i < kButtonCount; ++i) {
    const ButtonRow& row = kButtons[i];
    SkinButton& button = buttons_[i];
    if (!button.Attach(Window(), row.control)) continue;
    int bitmap = row.bitmap;
    if (row.control == ID_DVR_SPLIT) bitmap = channelCount_ < 5 ? IDB_SPLIT4 : IDB_SPLIT9;
    const bool fourFrames = row.control == IDC_MINIMIZE || row.control == IDC_CLOSE;
    button.SetBitmap(bitmap, 1, false, 0, !fourFrames);
    // A double click on the window icon closes the window: it must reach the
    // window as BN_DOUBLECLICKED, not as a second click.
    if (row.control == IDC_WINDOW_ICON) button.SetDoubleClickNotifies(true);
    if (row.message >= 0) {
      button.SetTooltipText(TooltipText(row.message, row.control, row.tooltip, module_).c_str());
    }
  }
  for (int id : {ID_SPLIT9, ID_SPLIT16}) ShowWindow(Control(id), SW_HIDE);
}

void MainWindow::SetUpSliders() {
  positionSlider_.Attach(Window(), IDC_POSITION_SLIDER);
  positionSlider_.SetTrackBitmaps(IDB_POSITION_TRACK, IDB_POSITION_TRACK_PLAYED, true, 0xFF00FF, 0,
                                  0);
  positionSlider_.SetThumbBitmaps(IDB_POSITION_THUMB, IDB_POSITION_THUMB_DRAG, true, 0xFF00FF, 0,
                                  0);
  positionSlider_.SetRange(0, 0, true);
  volumeSlider_.Attach(Window(), IDC_VOLUME_SLIDER);
  volumeSlider_.SetTrackBitmaps(IDB_VOLUME_TRACK, IDB_VOLUME_TRACK_FILLED, true, 0xFF00FF, 0, 0);
  volumeSlider_.SetThumbBitmaps(IDB_VOLUME_THUMB, IDB_VOLUME_THUMB_DRAG, true, 0xFF00FF, 0, 0);
  volumeSlider_.SetRange(0, 65535, true);
  volumeSlider_.SetPageStep(4096);
  volumeSlider_.SetTooltipText(MessageOrString(96, IDC_VOLUME_SLIDER, "Volume", module_).c_str());
}

void MainWindow::LoadLogo() {
  Win32Profile profile(profilePath_);
  char logo[kProfileStringSize];
  profile.ReadString(profile_key::kLogoBmp, "", logo, sizeof logo);
  if (logo[0] == '\0') {
    host_.Display().LoadLogo(IDB_LOGO);
    return;
  }
  char dir[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, dir);
  std::string path = dir;
  if (path.empty() || path.back() != '\\') path += '\\';
  host_.Display().LoadLogoFile((path + logo).c_str());
}

void MainWindow::LoadAndApplySettings() {
  Win32Profile profile(profilePath_);
  LoadSettings(profile, &settings_);
  VideoDisplay& display = host_.Display();
  PlaybackEngine& engine = host_.Engine();
  // Applied in the order the keys are read.
  display.SetShowTime(settings_.showTime);
  engine.SetRepeat(settings_.repeat);
  display.SetTimeFormat(settings_.timeFormat.c_str());
  host_.Sound().SetVolume(settings_.volume & 0xFFFF);
  host_.Sound().SetMute(settings_.mute);
  display.SetDirectDraw(settings_.useDDraw);
  engine.SetAutoReconnect(settings_.autoReconnection);
  videoRight_ = videoLeft_ + settings_.videoWidth;
  videoBottom_ = videoTop_ + settings_.videoHeight;
}

// --- Layout and modes ------------------------------------------------------------

void MainWindow::Relayout(bool resize, int videoWidth, int videoHeight) {
  HWND window = Window();
  const int screenW = GetSystemMetrics(SM_CXSCREEN);
  const int screenH = GetSystemMetrics(SM_CYSCREEN);
  if (resize) {
    const int w = WindowWidthFor(videoWidth), h = WindowHeightFor(videoHeight);
    MoveWindow(window, CentredOrigin(screenW, w), CentredOrigin(screenH, h), w, h, TRUE);
  }
  RECT r;
  GetWindowRect(window, &r);
  const int ww = r.right - r.left, wh = r.bottom - r.top;
  videoRight_ = videoLeft_ + VideoWidthOf(ww);
  videoBottom_ = videoTop_ + VideoHeightOf(wh);
  HWND video = host_.Display().Window();
  if (fullScreen_) {
    ShowWindow(Control(IDC_TITLE), SW_HIDE);
    for (const LayoutRow& row : kControlLayout) ShowWindow(Control(row.control), SW_HIDE);
    MoveWindow(window, 0, 0, screenW, screenH, TRUE);
    if (video) MoveWindow(video, 0, 0, screenW, screenH, TRUE);
  } else {
    ApplyTopMost();
    if (video) MoveWindow(video, kVideoLeft, kVideoTop, VideoWidthOf(ww), VideoHeightOf(wh), TRUE);
    ResetTitle();
    const int mode = host_.Engine().Mode();
    for (const LayoutRow& row : kControlLayout) {
      HWND control = Control(row.control);
      if (!control) continue;
      const Placement p = PlaceRow(row, mode, channelCount_, ww, wh);
      if (!p.show) {
        ShowWindow(control, SW_HIDE);
        continue;
      }
      if (p.resize) {
        RECT c;
        GetWindowRect(control, &c);
        const int height = p.keepHeight ? c.bottom - c.top : p.height;
        SetWindowPos(control, nullptr, p.x, p.y, p.width, height, SWP_NOZORDER | SWP_NOACTIVATE);
      } else if (p.move) {
        SetWindowPos(control, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      ShowWindow(control, SW_SHOWNA);
    }
    InvalidateRect(window, nullptr, TRUE);
  }
  if (resize) GetWindowRect(window, &savedRect_);
  layoutDone_ = true;
}

void MainWindow::ApplyTopMost() {
  SetWindowPos(Window(), settings_.alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainWindow::SetViewerMode(int mode) {
  PlaybackEngine& engine = host_.Engine();
  engine.SwitchMode(mode, 4, channelCount_);
  statusLine_.SetMode(mode);
  statusLine_.Repaint();
  ResetTitle();
  host_.Display().SelectLayout(mode == kViewerModePlayer ? channelCount_ : 1, 0);
  Relayout(false, 0, 0);
}

void MainWindow::ResetTitle() {
  titleStrip_.SetTitle(title_.c_str());
}

// --- Timers -------------------------------------------------------------------------

void MainWindow::OnTimer(UINT_PTR id) {
  if (id == kRelayoutTimer) {
    if (deferredRelayout_) {
      deferredRelayout_ = false;
      Relayout(false, 0, 0);
    }
  } else if (id == kStatusTimer) {
    OnStatusTimer();
  }
}

void MainWindow::OnStatusTimer() {
  PlaybackEngine& engine = host_.Engine();
  // 1. The live view's connection state (none in this build: 0).
  const int connection = 0;
  if (connection != statusLine_.ConnectionState()) {
    statusLine_.SetConnectionState(connection);
    statusLine_.Repaint();
  }
  // 2.
  const int state = static_cast<int>(engine.State());
  char stateText[32];
  StateText(state, engine.Speed(), stateText, sizeof stateText);
  statusLine_.SetState(state);
  // 3.
  if (engine.Mode() != kViewerModePlayer) {
    statusLine_.SetTexts(stateText, statusLine_.TimeText());
    return;
  }
  if (!positionSlider_.Dragging()) {
    positionSlider_.SetPosition(static_cast<int>(engine.Position() >> 12));
  }
  std::string timeText = " ";
  TimeRecord t;
  if (engine.CurrentFrameTime(&t) && t.year != 0) {
    std::tm tm = {};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_wday = t.dayOfWeek;
    char buffer[128];
    const std::string format = host_.Display().TimeFormat();
    if (std::strftime(buffer, sizeof buffer, format.c_str(), &tm) > 0) timeText = buffer;
  }
  if (timeText != statusLine_.TimeText()) positionSlider_.SetTooltipText(timeText.c_str());
  statusLine_.SetTexts(stateText, timeText);
  // The window text carries the same words, for screen readers and tests.
  const std::string line = std::string(stateText) + "  " + timeText;
  if (line != lastStatusText_) {
    lastStatusText_ = line;
    SetWindowTextA(statusLine_.Window(), line.c_str());
  }
  statusLine_.Repaint();
}

// --- Window messages -------------------------------------------------------------

bool MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_PAINT:
      if (IsIconic(Window())) {
        PaintMinimized();
        *result = 0;
        return true;
      }
      break;
    case WM_QUERYDRAGICON:
      *result = reinterpret_cast<LRESULT>(icon_);
      return true;
    case WM_CLOSE:
      ShutDown(true);
      *result = 0;
      return true;
    case WM_SIZE: {
      const bool handled = SkinDialog::OnMessage(message, wParam, lParam, result);
      if (layoutDone_) deferredRelayout_ = true;
      return handled;
    }
    case WM_LBUTTONDOWN:
      if (OnLeftButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))) {
        *result = 0;
        return true;
      }
      break;
    case WM_MOUSEMOVE:
      OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      *result = 0;
      return true;
    case WM_LBUTTONUP:
      OnLeftButtonUp();
      *result = 0;
      return true;
    case WM_LBUTTONDBLCLK:
      OnDoubleClick();
      *result = 0;
      return true;
    case WM_CONTEXTMENU:
      OnContextMenu(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      *result = 0;
      return true;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
      *result = 0;
      return true;
    case WM_SYSCOMMAND:
      // The system menu's About item opens the About box like F1.
      if ((wParam & 0xFFF0) == ID_ABOUT) {
        ShowAbout();
        *result = 0;
        return true;
      }
      break;
    case kSliderChanging:
    case kSliderSet:
      if (static_cast<int>(wParam) == IDC_VOLUME_SLIDER) {
        const int v = static_cast<int>(lParam) & 0xFFFF;
        host_.Sound().SetVolume(v);
        settings_.volume = v;
      } else if (static_cast<int>(wParam) == IDC_POSITION_SLIDER && message == kSliderChanging) {
        OnSliderChanging(static_cast<int>(wParam), static_cast<int>(lParam));
      }
      *result = 0;
      return true;
    default:
      break;
  }
  return SkinDialog::OnMessage(message, wParam, lParam, result);
}

void MainWindow::OnSliderChanging(int id, int value) {
  (void)id;
  PlaybackEngine& engine = host_.Engine();
  if (static_cast<uint64_t>(value) != (engine.Position() >> 12)) {
    engine.Seek(static_cast<uint64_t>(value) << 12);
  }
}

bool MainWindow::OnLeftButtonDown(int x, int y) {
  RECT client;
  GetClientRect(Window(), &client);
  if (!InResizeGrip(x, y, client.right, client.bottom)) return false;  // the skin moves it
  SetCapture(Window());
  dragOffsetX_ = client.right - x;
  dragOffsetY_ = client.bottom - y;
  resizeDrag_ = true;
  return true;
}

void MainWindow::OnMouseMove(int x, int y) {
  RECT client;
  GetClientRect(Window(), &client);
  if (resizeDrag_ || InResizeGrip(x, y, client.right, client.bottom)) {
    SetCursor(LoadCursor(nullptr, IDC_SIZENWSE));
  }
  if (!resizeDrag_) return;
  int w = 0, h = 0;
  ClampResizeDrag(x, y, dragOffsetX_, dragOffsetY_, &w, &h);
  SetWindowPos(Window(), nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Relayout(false, 0, 0);
}

void MainWindow::OnLeftButtonUp() {
  if (!resizeDrag_) return;
  resizeDrag_ = false;
  ReleaseCapture();
}

void MainWindow::OnDoubleClick() {
  if (fullScreen_) return;
  RECT r;
  GetWindowRect(Window(), &r);
  if (r.right - r.left >= GetSystemMetrics(SM_CXSCREEN)) {
    ShowWindow(Window(), SW_RESTORE);
  } else {
    Maximize();
  }
}

void MainWindow::OnContextMenu(int x, int y) {
  if (!menu_) return;
  HMENU popup = GetSubMenu(menu_, ContextPopup(host_.Engine().Mode(), channelCount_));
  if (!popup) return;
  if (x == -1 && y == -1) {  // from the keyboard: at the window's centre
    RECT r;
    GetWindowRect(Window(), &r);
    x = (r.left + r.right) / 2;
    y = (r.top + r.bottom) / 2;
  }
  TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, Window(), nullptr);
}

void MainWindow::OnDropFiles(HDROP drop) {
  char path[MAX_PATH] = {};
  const UINT n = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  const bool got = n > 0 && DragQueryFileA(drop, 0, path, MAX_PATH) > 0;
  DragFinish(drop);
  if (got) OpenSource(path, false, false);
}

void MainWindow::PaintMinimized() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(Window(), &ps);
  RECT client;
  GetClientRect(Window(), &client);
  const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
  DrawIcon(dc, (client.right - cx + 1) / 2, (client.bottom - cy + 1) / 2, icon_);
  EndPaint(Window(), &ps);
}

}  // namespace marlow::viewer
