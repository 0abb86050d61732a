// OptionsDialog: the Player mode settings (always on top, on-screen time,
// repeat, DirectDraw, the date/time format with a live preview, the still
// capture folder). The caller's values change only when the dialog closes
// with OK.
#pragma once

#include <string>

#include "viewer/framework/win32_dialog.h"

namespace marlow::viewer {

struct OptionsValues {
  bool alwaysOnTop = false;
  bool showTime = true;
  bool repeat = false;
  bool useDirectDraw = true;
  std::string timeFormat;
  std::string capturePath;
};

// The formats the combo box lists, in order.
constexpr int kTimeFormatCount = 10;
extern const char* const kTimeFormats[kTimeFormatCount];

class OptionsDialog : public Dialog {
 public:
  explicit OptionsDialog(HINSTANCE module = nullptr);
  // Runs the dialog on `values`; true (and *values updated) on OK.
  bool Run(HWND owner, OptionsValues* values);
  // The preview text of a format at the current local time.
  static std::string PreviewText(const std::string& format);

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnOk() override;

 private:
  void Fill();
  void TakeOver();
  void ShowPreview();

  OptionsValues values_;
};

}  // namespace marlow::viewer
