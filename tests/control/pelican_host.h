// A control hosted the way a dialog or a page holds one: a top-level frame
// with Wine's ATL container window (AtlAxWin) naming the control's ProgID.
// Shared by the container tests and the control's benchmark.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <cstdint>

#include "tests/control/pelican_test_util.h"

namespace pelican_test {

using AtlAxWinInitFn = BOOL(WINAPI*)();
using AtlAxGetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);

inline HWND FindChildOfClass(HWND parent, const char* className) {
  HWND found = nullptr;
  struct Search {
    const char* name;
    HWND* out;
  } search = {className, &found};
  EnumChildWindows(
      parent,
      [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        char name[64];
        GetClassNameA(w, name, sizeof name);
        if (lstrcmpA(name, s->name) == 0) {
          *s->out = w;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return found;
}

// One hosted control: a top-level frame with an AtlAxWin child naming the
// control's ProgID, as a dialog or a page would hold it.
class Hosted {
 public:
  Hosted(int width, int height) {
    static AtlAxWinInitFn init = nullptr;
    if (init == nullptr) {
      HMODULE atl = LoadLibraryA("atl.dll");
      init = reinterpret_cast<AtlAxWinInitFn>(
          reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
      getControl_ = reinterpret_cast<AtlAxGetControlFn>(
          reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
      if (init != nullptr) init();
      WNDCLASSA wc = {};
      wc.lpfnWndProc = DefWindowProcA;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
      wc.lpszClassName = "PelicanTestFrame";
      RegisterClassA(&wc);
    }
    frame_ = CreateWindowA("PelicanTestFrame", "Pelican host",
                           WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20, width + 40, height + 40,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ax_ = CreateWindowW(L"AtlAxWin", L"PELICAN.PelicanCtrl.1", WS_CHILD | WS_VISIBLE, 20, 20, width,
                        height, frame_, nullptr, GetModuleHandleW(nullptr), nullptr);
    IUnknown* unknown = nullptr;
    if (ax_ != nullptr && getControl_ != nullptr && SUCCEEDED(getControl_(ax_, &unknown))) {
      unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&control_));
      unknown->Release();
    }
    Pump(100);
  }
  ~Hosted() {
    if (control_ != nullptr) control_->Release();
    if (IsWindow(frame_)) DestroyWindow(frame_);
    Pump(50);
  }

  IDispatch* Control() const { return control_; }
  HWND Ax() const { return ax_; }
  HWND ControlWindow() const { return FindChildOfClass(frame_, "PelicanControlWindow"); }
  HWND Display() const { return FindChildOfClass(frame_, "MarlowVideoDisplay"); }
  HRESULT Connect(uint16_t port, const wchar_t* account = L"admin") {
    return CallByName(control_, L"Connect",
                      {Text(L"127.0.0.1"), Long(port), Text(account), Text(L"735919")});
  }
  void DestroyHost() {
    if (control_ != nullptr) control_->Release();
    control_ = nullptr;
    DestroyWindow(frame_);
  }
  void Resize(int width, int height) {
    SetWindowPos(frame_, nullptr, 0, 0, width + 40, height + 40, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowPos(ax_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
  }

 private:
  static inline AtlAxGetControlFn getControl_ = nullptr;
  HWND frame_ = nullptr;
  HWND ax_ = nullptr;
  IDispatch* control_ = nullptr;
};

// The stand-in's camera: luma rising from left to right under a bluish
// tint (camera 1), which the logo and a blank window are not.
inline bool ShowsCamera(const Grab& g) {
  if (g.width < 100 || g.height < 60) return false;
  const int y0 = g.height / 8, y1 = g.height / 4;
  const double leftGreen = g.Mean(8, 4, y0, g.width / 6, y1);
  const double rightGreen = g.Mean(8, g.width * 5 / 6, y0, g.width - 4, y1);
  const double blue = g.Mean(0, 4, y0, g.width - 4, y1);
  const double red = g.Mean(16, 4, y0, g.width - 4, y1);
  return rightGreen > leftGreen + 25 && blue > red + 25;
}

}  // namespace pelican_test
