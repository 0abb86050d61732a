// StatusLine: the custom static under the video area that draws itself. In
// Player mode: the state icon from the picture strip, the state text and the
// time of the picture shown. In ZorIzovur mode: the connection picture, one
// indicator per channel and the sound picture. Black background, green
// "Trebuchet MS" text.
#pragma once

#include <windows.h>

#include <string>

#include "viewer/framework/win32_control.h"

namespace marlow::viewer {

class StatusLine : public ControlSubclass {
 public:
  explicit StatusLine(HINSTANCE module = nullptr) : module_(module) {}
  ~StatusLine() override;

  // Takes over control `id` of `dialog` and loads picture strip `stripId`.
  int Attach(HWND dialog, int id, int stripId);

  void SetMode(int mode) { mode_ = mode; }
  void SetState(int state) { state_ = state; }
  void SetConnectionState(int state) { connection_ = state; }
  void SetChannelCount(int count) { channels_ = count; }
  void SetTexts(const std::string& stateText, const std::string& timeText);
  void Repaint();

  int Mode() const { return mode_; }
  int State() const { return state_; }
  int ConnectionState() const { return connection_; }
  const std::string& StateText() const { return stateText_; }
  const std::string& TimeText() const { return timeText_; }

 protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDetached() override;

 private:
  void Paint(HDC dc, const RECT& client);
  void DrawPiece(HDC dc, HDC strip, int sx, int sy, int w, int h, int dx, int dy);

  // User-interface thread.
  HINSTANCE module_;
  HBITMAP strip_ = nullptr;
  int stripWidth_ = 0, stripHeight_ = 0;
  HFONT font_ = nullptr;
  int mode_ = 1;
  int state_ = 0;
  int connection_ = 0;
  int channels_ = 4;
  std::string stateText_;
  std::string timeText_;
};

}  // namespace marlow::viewer
