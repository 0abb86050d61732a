// LoginDialog: the address and password of a networked recorder, directly by
// IP address and port or through the dynamic-address service by DVR ID. The
// caller fills the IP address, port, flag and DVR name; the password always
// starts empty. On Login the address box becomes the DVR name when the
// service is used, else the IP address; the other one stays as it came.
#pragma once

#include <string>

#include "viewer/framework/win32_dialog.h"

namespace marlow::viewer {

struct LoginValues {
  std::string ipAddress;
  int port = 8841;
  bool useDynamicIp = false;
  std::string dvrName;
  std::string password;  // out only
};

class LoginDialog : public Dialog {
 public:
  explicit LoginDialog(HINSTANCE module = nullptr);
  bool Run(HWND owner, LoginValues* values);

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnOk() override;

 private:
  // Address box, its label and the port's visibility for the flag.
  void ShowMode(bool initial);
  void Fill();
  // Takes the flag, port (while shown) and password; false when the port box
  // holds no whole number.
  bool TakeOver();

  LoginValues values_;
};

}  // namespace marlow::viewer
