#include "tests/viewer_win32/skin_test_dialog.h"

#include "tests/support/win32_test_driver.h"
#include "tests/viewer_win32/skin_test_resource.h"
#include "viewer/resources/viewer_resource.h"

namespace marlow::test {

SkinTestDialog::SkinTestDialog() : SkinDialog(IDD_SKIN_TEST) {}

bool SkinTestDialog::OnInit() {
  HWND w = Window();
  SetWindowTextA(w, "Skin test");
  SetWindowPos(w, HWND_TOP, 40, 40, kDialogWidth, kDialogHeight, 0);
  SetCornerSize(12, 12);
  SetBackground(IDB_BACKGROUND);
  auto place = [&](viewer::ControlSubclass& c, int id, int x, int y) {
    c.Attach(w, id);
    SetWindowPos(GetDlgItem(w, id), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  };
  const COLORREF light = RGB(226, 231, 238);
  place(radio1, IDC_TEST_RADIO1, 10, 34);
  radio1.SetBitmap(IDB_PLAYER_MODE, 1, false, 0, true);
  radio1.SetTextColour(light);
  place(radio2, IDC_TEST_RADIO2, 92, 34);
  radio2.SetBitmap(IDB_VIEWER_MODE, 1, false, 0, true);
  radio2.SetTextColour(light);
  radio1.SetCheck(true);
  place(close, IDC_TEST_CLOSE, kDialogWidth - 22, 7);
  close.SetBitmap(IDB_CLOSE, 1, false, 0, false);
  close.SetTooltip(IDC_CLOSE);

  place(slider, IDC_TEST_SLIDER, kSliderX, kSliderY);
  slider.SetTrackBitmaps(IDB_POSITION_TRACK, IDB_POSITION_TRACK_PLAYED, true, RGB(255, 0, 255), 0,
                         0);
  slider.SetThumbBitmaps(IDB_POSITION_THUMB, IDB_POSITION_THUMB_DRAG, true, RGB(255, 0, 255), 0, 0);
  slider.SetRange(0, kSliderMax, false);
  // Wider than its track bitmap: the track stretches.
  SetWindowPos(slider.Window(), nullptr, 0, 0, kSliderWidth, 14,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  const int rowIds[7] = {IDB_OPEN,  IDB_FAST_REWIND, IDB_PLAY_REVERSE, IDB_PREVIOUS_FRAME,
                         IDB_PAUSE, IDB_NEXT_FRAME,  IDB_FAST_FORWARD};
  const int rowX[7] = {10, 49, 80, 111, 142, 173, 235};
  for (int i = 0; i < 7; ++i) {
    place(row[i], IDC_TEST_ROW + i, rowX[i], 172);
    row[i].SetBitmap(rowIds[i], 1, false, 0, true);
  }
  place(push, IDC_TEST_PUSH, 204, 172);
  push.SetBitmap(IDB_PLAY, 1, false, 0, true);
  push.SetTooltip(ID_PLAY);
  place(check, IDC_TEST_CHECK, 274, 172);
  check.SetBitmap(IDB_SPLIT4, 1, false, 0, true);

  place(volume, IDC_TEST_VOLUME, 330, 176);
  volume.SetTrackBitmaps(IDB_VOLUME_TRACK, IDB_VOLUME_TRACK_FILLED, true, viewer::kColourAtPixel, 0,
                         0);
  volume.SetThumbBitmaps(IDB_VOLUME_THUMB, IDB_VOLUME_THUMB_DRAG, true, viewer::kColourAtPixel, 0,
                         0);
  volume.SetRange(0, 65535, false);
  volume.SetPosition(32768);
  volume.SetTooltip(IDC_VOLUME_SLIDER);
  SetFocus(push.Window());
  return false;
}

bool SkinTestDialog::OnCommand(int id, int code, HWND control) {
  Log(WM_COMMAND, MAKEWPARAM(id, code), 0);
  Dialog::OnCommand(id, code, control);
  return true;
}

bool SkinTestDialog::QueryCommand(int id, viewer::CommandUi* ui) {
  if (id != IDC_TEST_PUSH) return false;
  ui->enabled = pushEnabled.load();
  return true;
}

bool SkinTestDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == viewer::kSliderChanging || message == viewer::kSliderSet) {
    Log(message, wParam, lParam);
    *result = 0;
    return true;
  }
  return SkinDialog::OnMessage(message, wParam, lParam, result);
}

void SkinTestDialog::Log(UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard<std::mutex> hold(lock_);
  events_.push_back({message, wParam, lParam});
}

std::vector<SkinTestDialog::Event> SkinTestDialog::Events() {
  std::lock_guard<std::mutex> hold(lock_);
  return events_;
}

std::vector<SkinTestDialog::Event> SkinTestDialog::EventsOf(UINT message) {
  std::vector<Event> out;
  for (const Event& e : Events()) {
    if (e.message == message) out.push_back(e);
  }
  return out;
}

void SkinTestDialog::ClearEvents() {
  std::lock_guard<std::mutex> hold(lock_);
  events_.clear();
}

HWND DialogThread::Start() {
  thread_ = std::thread([this] {
    HACCEL keys =
        LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_SKIN_TEST_KEYS));
    dialog_.SetAccelerators(keys);
    // The window handle is published from the first idle pass: the dialog
    // then exists, shows and has painted once.
    result_ = dialog_.RunModal(nullptr);
    if (result_ == -1) failed_ = true;
    window_ = nullptr;
  });
  WaitUntil([&] { return failed_ || dialog_.idlePasses.load() > 0; }, 10000);
  if (failed_) return nullptr;
  window_ = FindTopWindow({GetCurrentProcessId(), "#32770", "Skin test", true});
  Settle(200);
  return window_;
}

INT_PTR DialogThread::Stop() {
  if (thread_.joinable()) {
    if (HWND w = window_.load()) PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
    thread_.join();
  }
  return result_;
}

}  // namespace marlow::test
