#include "viewer/win32_about_dialog.h"

#include "viewer/framework/win32_tooltip.h"
#include "viewer/resources/dialog_ids.h"

namespace marlow::viewer {

AboutDialog::AboutDialog(std::string title, HINSTANCE module)
    : Dialog(IDD_ABOUT, module), title_(std::move(title)) {}

bool AboutDialog::OnInit() {
  SetText(IDC_ABOUT_TITLE, title_.c_str());
  SetText(IDC_ABOUT_NOTICE, LoadResourceString(IDS_ABOUT_NOTICE, Module()).c_str());
  return true;
}

}  // namespace marlow::viewer
