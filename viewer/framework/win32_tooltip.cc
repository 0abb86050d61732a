#include "viewer/framework/win32_tooltip.h"

#include <commctrl.h>

namespace marlow::viewer {

std::string LoadResourceString(int id, HINSTANCE module) {
  char buffer[512];
  const int length = LoadStringA(module ? module : GetModuleHandleA(nullptr), static_cast<UINT>(id),
                                 buffer, sizeof(buffer));
  return length > 0 ? std::string(buffer, static_cast<size_t>(length)) : std::string();
}

int Tooltip::SetText(HWND control, const char* text) {
  if (!control || !text || !*text) return 0;
  if (window_ && control_ != control) Destroy();
  text_ = text;
  TOOLINFOA info = {};
  info.cbSize = sizeof(info);
  info.uFlags = TTF_IDISHWND;
  info.hwnd = GetParent(control) ? GetParent(control) : control;
  info.uId = reinterpret_cast<UINT_PTR>(control);
  info.lpszText = const_cast<char*>(text_.c_str());
  if (!window_) {
    INITCOMMONCONTROLSEX init = {sizeof(init), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&init);
    window_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                              WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, control, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    if (!window_) return 0;
    control_ = control;
    SendMessageA(window_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    SendMessageA(window_, TTM_ACTIVATE, TRUE, 0);
    return 1;
  }
  SendMessageA(window_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
  return 1;
}

int Tooltip::SetTextFromResource(HWND control, int id, HINSTANCE module) {
  const std::string text = LoadResourceString(id, module);
  return SetText(control, text.c_str());
}

void Tooltip::Relay(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!window_ || control != control_) return;
  MSG msg = {};
  msg.hwnd = control;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = GetMessageTime();
  const DWORD pos = GetMessagePos();
  msg.pt.x = static_cast<short>(LOWORD(pos));
  msg.pt.y = static_cast<short>(HIWORD(pos));
  SendMessageA(window_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

void Tooltip::Destroy() {
  if (window_) DestroyWindow(window_);
  window_ = nullptr;
  control_ = nullptr;
}

}  // namespace marlow::viewer
