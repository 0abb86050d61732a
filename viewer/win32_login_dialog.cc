#include "viewer/win32_login_dialog.h"

#include "viewer/message_numbers.h"
#include "viewer/resources/dialog_ids.h"
#include "viewer/win32_message_texts.h"

namespace marlow::viewer {

LoginDialog::LoginDialog(HINSTANCE module) : Dialog(IDD_LOGIN, module) {}

bool LoginDialog::Run(HWND owner, LoginValues* values) {
  values_ = *values;
  values_.password.clear();
  if (RunModal(owner) != IDOK) return false;
  *values = values_;
  return true;
}

bool LoginDialog::OnInit() {
  HWND w = Window();
  ApplyWindowMessage(w, msg::kLoginTitle);
  ApplyControlMessage(w, IDOK, msg::kLoginTitle);
  ApplyControlMessage(w, IDCANCEL, msg::kCancel);
  ApplyControlMessage(w, IDC_USE_DDNS, msg::kUseDynamicIp);
  ApplyControlMessage(w, IDC_PORT_LABEL, msg::kPortLabel);
  ApplyControlMessage(w, IDC_PASSWORD_LABEL, msg::kPasswordLabel);
  ShowMode(true);
  Fill();
  return true;
}

void LoginDialog::ShowMode(bool initial) {
  const bool dynamic = values_.useDynamicIp;
  // The label reads "IP address:" at the start and "IP address" after the
  // check box was switched off again: the texts of the two places differ.
  const char* ipLabel = initial ? "IP address:" : "IP address";
  const std::string label =
      dynamic ? MessageOr(msg::kDvrIdLabel, "DVR ID:") : MessageOr(msg::kIpAddressLabel, ipLabel);
  SetText(IDC_ADDRESS_LABEL, label.c_str());
  ShowWindow(Control(IDC_PORT_LABEL), dynamic ? SW_HIDE : SW_SHOW);
  ShowWindow(Control(IDC_PORT), dynamic ? SW_HIDE : SW_SHOW);
}

void LoginDialog::Fill() {
  SetChecked(IDC_USE_DDNS, values_.useDynamicIp);
  SetText(IDC_ADDRESS, values_.useDynamicIp ? values_.dvrName.c_str() : values_.ipAddress.c_str());
  SetInt(IDC_PORT, values_.port);
  SetText(IDC_PASSWORD, values_.password.c_str());
}

bool LoginDialog::TakeOver() {
  // The port counts only while its box is shown; with the service on it is
  // hidden and keeps the value it came with.
  if (GetWindowLongA(Control(IDC_PORT), GWL_STYLE) & WS_VISIBLE) {
    int port = 0;
    if (!ReadInt(IDC_PORT, &port)) {
      MessageBeep(MB_ICONEXCLAMATION);
      SendMessageA(Window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(IDC_PORT)), TRUE);
      SendMessageA(Control(IDC_PORT), EM_SETSEL, 0, -1);
      return false;
    }
    values_.port = port;
  }
  values_.useDynamicIp = Checked(IDC_USE_DDNS);
  values_.password = Text(IDC_PASSWORD);
  return true;
}

bool LoginDialog::OnCommand(int id, int code, HWND control) {
  if (id == IDC_USE_DDNS && code == BN_CLICKED) {
    if (!TakeOver()) {
      // The port must be mended first: the box goes back to its old state.
      SetChecked(IDC_USE_DDNS, values_.useDynamicIp);
      return true;
    }
    // What was typed into the address box is not kept: it shows the stored
    // value of the other kind.
    ShowMode(false);
    Fill();
    return true;
  }
  return Dialog::OnCommand(id, code, control);
}

void LoginDialog::OnOk() {
  if (!TakeOver()) return;
  (values_.useDynamicIp ? values_.dvrName : values_.ipAddress) = Text(IDC_ADDRESS);
  End(IDOK);
}

}  // namespace marlow::viewer
