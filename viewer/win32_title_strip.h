// TitleStrip: the label at the top of the main window that shows the title
// with a see-through look. On its first background erase it copies what the
// parent draws beneath it and from then on paints that copy behind the text
// (grey 0x5C5C5C, no text background); setting its text repaints it.
#pragma once

#include <windows.h>

#include "viewer/framework/win32_control.h"

namespace marlow::viewer {

class TitleStrip : public ControlSubclass {
 public:
  TitleStrip() = default;
  ~TitleStrip() override { OnDetached(); }

  // Sets the text (window text) and repaints.
  void SetTitle(const char* text);

 protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDetached() override;

 private:
  void TakeBackground(HDC reference, int width, int height);

  // User-interface thread.
  HBITMAP background_ = nullptr;
  int width_ = 0, height_ = 0;
};

}  // namespace marlow::viewer
