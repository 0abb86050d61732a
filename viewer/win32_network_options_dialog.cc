#include "viewer/win32_network_options_dialog.h"

#include "viewer/message_numbers.h"
#include "viewer/resources/dialog_ids.h"
#include "viewer/win32_folder_browser.h"
#include "viewer/win32_message_texts.h"

namespace marlow::viewer {

namespace {

// Puts the focus on a box whose text was refused, with the text selected so
// that typing replaces it.
void RefuseBox(HWND dialog, int id) {
  MessageBeep(MB_ICONEXCLAMATION);
  HWND box = GetDlgItem(dialog, id);
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(box), TRUE);
  SendMessageA(box, EM_SETSEL, 0, -1);
}

}  // namespace

NetworkOptionsDialog::NetworkOptionsDialog(HINSTANCE module)
    : Dialog(IDD_NETWORK_OPTIONS, module) {}

bool NetworkOptionsDialog::Run(HWND owner, NetworkOptionsValues* values) {
  values_ = *values;
  if (RunModal(owner) != IDOK) return false;
  *values = values_;
  return true;
}

bool NetworkOptionsDialog::OnInit() {
  HWND w = Window();
  ApplyWindowMessage(w, msg::kNetworkOptionsTitle);
  ApplyControlMessage(w, IDOK, msg::kOk);
  ApplyControlMessage(w, IDCANCEL, msg::kCancel);
  ApplyControlMessage(w, IDC_GENERAL_GROUP, msg::kGeneralGroup);
  ApplyControlMessage(w, IDC_ALWAYS_ON_TOP, msg::kAlwaysOnTop);
  ApplyControlMessage(w, IDC_AUTO_RECONNECTION, msg::kAutoReconnection);
  ApplyControlMessage(w, IDC_REPEAT, msg::kRepeatPlayback);
  ApplyControlMessage(w, IDC_USE_DDRAW, msg::kUseDirectDraw);
  ApplyControlMessage(w, IDC_TIMEOUT_LABEL, msg::kTimeoutLabel);
  ApplyControlMessage(w, IDC_TIMEOUT_UNIT, msg::kTimeoutUnit);
  ApplyControlMessage(w, IDC_DDNS_GROUP, msg::kDdnsGroup);
  ApplyControlMessage(w, IDC_DDNS_IP_LABEL, msg::kDdnsIpLabel);
  ApplyControlMessage(w, IDC_DDNS_PORT_LABEL, msg::kPortLabel);
  ApplyControlMessage(w, IDC_RECORDING_GROUP, msg::kLocalRecordingGroup);
  ApplyControlMessage(w, IDC_BROWSE, msg::kBrowse);
  Fill();
  return true;
}

void NetworkOptionsDialog::Fill() {
  SetChecked(IDC_ALWAYS_ON_TOP, values_.alwaysOnTop);
  SetChecked(IDC_AUTO_RECONNECTION, values_.autoReconnection);
  SetChecked(IDC_USE_DDRAW, values_.useDirectDraw);
  SetInt(IDC_TIMEOUT, values_.timeoutSeconds);
  SetText(IDC_DDNS_IP, values_.ddnsIp.c_str());
  SetInt(IDC_DDNS_PORT, values_.ddnsPort);
  SetText(IDC_RECORDING_PATH, values_.localRecordingPath.c_str());
}

bool NetworkOptionsDialog::TakeOver() {
  // Both numbers are checked before anything is taken, so a refused box
  // leaves the dialog's values as they were.
  int timeout = 0, port = 0;
  if (!ReadInt(IDC_TIMEOUT, &timeout)) {
    RefuseBox(Window(), IDC_TIMEOUT);
    return false;
  }
  if (!ReadInt(IDC_DDNS_PORT, &port)) {
    RefuseBox(Window(), IDC_DDNS_PORT);
    return false;
  }
  values_.alwaysOnTop = Checked(IDC_ALWAYS_ON_TOP);
  values_.autoReconnection = Checked(IDC_AUTO_RECONNECTION);
  values_.useDirectDraw = Checked(IDC_USE_DDRAW);
  values_.timeoutSeconds = timeout;
  values_.ddnsIp = Text(IDC_DDNS_IP);
  values_.ddnsPort = port;
  values_.localRecordingPath = Text(IDC_RECORDING_PATH);
  return true;
}

bool NetworkOptionsDialog::OnCommand(int id, int code, HWND control) {
  if (id == IDC_BROWSE && code == BN_CLICKED) {
    if (!TakeOver()) return true;
    std::string path = values_.localRecordingPath;
    if (BrowseForFolder(Window(), &path)) {
      values_.localRecordingPath = path;
      Fill();
    }
    return true;
  }
  return Dialog::OnCommand(id, code, control);
}

void NetworkOptionsDialog::OnOk() {
  if (TakeOver()) End(IDOK);
}

}  // namespace marlow::viewer
