// NetworkOptionsDialog: the recorder mode settings (always on top, automatic
// reconnection, DirectDraw, the connection time-out in whole seconds, the
// dynamic-address server's address and port, the local recording folder).
// The caller's values change only on OK; an integer box that does not hold a
// whole number keeps the dialog open with the focus on it.
#pragma once

#include <string>

#include "viewer/framework/win32_dialog.h"

namespace marlow::viewer {

struct NetworkOptionsValues {
  bool alwaysOnTop = false;
  bool autoReconnection = true;
  bool useDirectDraw = true;
  int timeoutSeconds = 7;
  std::string ddnsIp;
  int ddnsPort = 1800;
  std::string localRecordingPath;
};

class NetworkOptionsDialog : public Dialog {
 public:
  explicit NetworkOptionsDialog(HINSTANCE module = nullptr);
  bool Run(HWND owner, NetworkOptionsValues* values);

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnOk() override;

 private:
  void Fill();
  // False (focus on the box) when an integer box holds no whole number.
  bool TakeOver();

  NetworkOptionsValues values_;
};

}  // namespace marlow::viewer
