#include "viewer/win32_options_dialog.h"

#include "display/display_caption.h"
#include "viewer/message_numbers.h"
#include "viewer/resources/dialog_ids.h"
#include "viewer/win32_folder_browser.h"
#include "viewer/win32_message_texts.h"

namespace marlow::viewer {

const char* const kTimeFormats[kTimeFormatCount] = {
    "%Y/%m/%d %H:%M:%S", "%y/%m/%d %H:%M:%S",   "%Y/%m/%d %p %I:%M:%S", "%y/%m/%d %p %I:%M:%S",
    "%d/%m/%Y %H:%M:%S", "%d/%m/%y %H:%M:%S",   "%d/%m/%Y %p %I:%M:%S", "%d/%m/%y %p %I:%M:%S",
    "%b %d %H:%M:%S %Y", "%b %d %p %I:%M:%S %Y"};

OptionsDialog::OptionsDialog(HINSTANCE module) : Dialog(IDD_OPTIONS, module) {}

bool OptionsDialog::Run(HWND owner, OptionsValues* values) {
  values_ = *values;
  if (RunModal(owner) != IDOK) return false;
  *values = values_;
  return true;
}

std::string OptionsDialog::PreviewText(const std::string& format) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  TimeRecord time;
  time.year = now.wYear;
  time.month = now.wMonth;
  time.dayOfWeek = now.wDayOfWeek;
  time.day = now.wDay;
  time.hour = now.wHour;
  time.minute = now.wMinute;
  time.second = now.wSecond;
  // The format is typed by the user: the caption formatter copies what it
  // does not know instead of failing on it.
  char text[kMaxCaptionText + 1];
  FormatTime(time, format.c_str(), text, sizeof text);
  return text;
}

bool OptionsDialog::OnInit() {
  HWND w = Window();
  ApplyWindowMessage(w, msg::kOptionsTitle);
  ApplyControlMessage(w, IDOK, msg::kOk);
  ApplyControlMessage(w, IDCANCEL, msg::kCancel);
  ApplyControlMessage(w, IDC_GENERAL_GROUP, msg::kGeneralGroup);
  ApplyControlMessage(w, IDC_ALWAYS_ON_TOP, msg::kAlwaysOnTop);
  ApplyControlMessage(w, IDC_SHOW_TIME, msg::kShowPlaybackTime);
  ApplyControlMessage(w, IDC_REPEAT, msg::kRepeatPlayback);
  ApplyControlMessage(w, IDC_USE_DDRAW, msg::kUseDirectDraw);
  ApplyControlMessage(w, IDC_TIME_FORMAT_GROUP, msg::kTimeFormatGroup);
  ApplyControlMessage(w, IDC_CAPTURE_GROUP, msg::kCapturePathGroup);
  ApplyControlMessage(w, IDC_BROWSE, msg::kBrowse);
  for (const char* format : kTimeFormats)
    SendDlgItemMessageA(w, IDC_TIME_FORMAT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(format));
  Fill();
  ShowPreview();
  return true;
}

void OptionsDialog::Fill() {
  SetChecked(IDC_ALWAYS_ON_TOP, values_.alwaysOnTop);
  SetChecked(IDC_SHOW_TIME, values_.showTime);
  SetChecked(IDC_REPEAT, values_.repeat);
  SetChecked(IDC_USE_DDRAW, values_.useDirectDraw);
  SetText(IDC_TIME_FORMAT, values_.timeFormat.c_str());
  SetText(IDC_CAPTURE_PATH, values_.capturePath.c_str());
}

void OptionsDialog::TakeOver() {
  values_.alwaysOnTop = Checked(IDC_ALWAYS_ON_TOP);
  values_.showTime = Checked(IDC_SHOW_TIME);
  values_.repeat = Checked(IDC_REPEAT);
  values_.useDirectDraw = Checked(IDC_USE_DDRAW);
  values_.timeFormat = Text(IDC_TIME_FORMAT);
  values_.capturePath = Text(IDC_CAPTURE_PATH);
}

void OptionsDialog::ShowPreview() {
  SetText(IDC_TIME_PREVIEW, PreviewText(values_.timeFormat).c_str());
}

bool OptionsDialog::OnCommand(int id, int code, HWND control) {
  if (id == IDC_TIME_FORMAT && code == CBN_EDITCHANGE) {
    TakeOver();
    ShowPreview();
    return true;
  }
  if (id == IDC_TIME_FORMAT && code == CBN_SELCHANGE) {
    TakeOver();
    // The edit part still shows the old text while the selection changes:
    // the chosen entry is the format.
    const LRESULT index = SendMessageA(control, CB_GETCURSEL, 0, 0);
    const LRESULT length = SendMessageA(control, CB_GETLBTEXTLEN, index, 0);
    if (index >= 0 && length >= 0) {
      std::string text(static_cast<size_t>(length) + 1, '\0');
      SendMessageA(control, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
      text.resize(static_cast<size_t>(length));
      values_.timeFormat = text;
    }
    ShowPreview();
    return true;
  }
  if (id == IDC_BROWSE && code == BN_CLICKED) {
    TakeOver();
    std::string path = values_.capturePath;
    if (BrowseForFolder(Window(), &path)) {
      values_.capturePath = path;
      Fill();
    }
    return true;
  }
  return Dialog::OnCommand(id, code, control);
}

void OptionsDialog::OnOk() {
  TakeOver();
  End(IDOK);
}

}  // namespace marlow::viewer
