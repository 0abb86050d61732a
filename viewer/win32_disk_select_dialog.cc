#include "viewer/win32_disk_select_dialog.h"

#include "viewer/message_numbers.h"
#include "viewer/resources/dialog_ids.h"
#include "viewer/win32_message_texts.h"

namespace marlow::viewer {

DiskSelectDialog::DiskSelectDialog(DiskList* disks, HINSTANCE module)
    : Dialog(IDD_DISK_SELECT, module), disks_(disks) {}

DiskSelectDialog::~DiskSelectDialog() {
  if (listFont_) DeleteObject(listFont_);
}

bool DiskSelectDialog::Run(HWND owner, std::string* path) {
  if (RunModal(owner) != IDOK) return false;
  *path = disks_->ChosenPath();
  return true;
}

bool DiskSelectDialog::OnInit() {
  HWND w = Window();
  ApplyWindowMessage(w, msg::kDiskSelectTitle);
  ApplyControlMessage(w, IDOK, msg::kOk);
  ApplyControlMessage(w, IDCANCEL, msg::kCancel);
  // The lines are laid out in columns: a fixed-pitch font keeps them aligned.
  HWND list = Control(IDC_DISK_LIST);
  LOGFONTA font = {};
  if (HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0)))
    GetObjectA(dialogFont, sizeof font, &font);
  if (font.lfHeight == 0) font.lfHeight = -13;
  font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  lstrcpynA(font.lfFaceName, "Courier New", LF_FACESIZE);
  listFont_ = CreateFontIndirectA(&font);
  if (listFont_) SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(listFont_), FALSE);

  disks_->Build();
  for (const DiskEntry& entry : disks_->Entries())
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.line.c_str()));
  if (!disks_->Entries().empty()) SendMessageA(list, LB_SETCURSEL, 0, 0);
  return true;
}

bool DiskSelectDialog::OnCommand(int id, int code, HWND control) {
  if (id == IDC_DISK_LIST && code == LBN_SELCHANGE) {
    disks_->Select(static_cast<int>(SendMessageA(control, LB_GETCURSEL, 0, 0)));
    return true;
  }
  if (id == IDC_DISK_LIST && code == LBN_DBLCLK) {
    End(IDOK);
    return true;
  }
  return Dialog::OnCommand(id, code, control);
}

}  // namespace marlow::viewer
