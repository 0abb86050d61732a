// AboutDialog: the program's icon, the title the main window passes, the
// maker's notice (string 32872) and the version. No numbered texts.
#pragma once

#include <string>

#include "viewer/framework/win32_dialog.h"

namespace marlow::viewer {

class AboutDialog : public Dialog {
 public:
  explicit AboutDialog(std::string title, HINSTANCE module = nullptr);

 protected:
  bool OnInit() override;

 private:
  std::string title_;
};

}  // namespace marlow::viewer
