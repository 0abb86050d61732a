// What the control's tests share: the built Pelican.ocx registered through
// regsvr32, child processes with their output, message pumping, calls by
// name through IDispatch, and screen grabs saved as BMP files.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pelican_test {

// The module under test as a Windows path.
std::wstring OcxPath();
// Runs a command line, waits at most timeoutMs; its exit code (-1 on
// failure or time-out) and, if output is given, what it wrote to stdout.
int RunProcess(const std::wstring& commandLine, std::string* output, DWORD timeoutMs = 60000);
// regsvr32 /s [/u] on the module; the exit code.
int Regsvr32(bool unregister);

// Handles window messages for ms milliseconds, or until done() is true.
void Pump(DWORD ms);
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Calls a member by name. 0 or the failing HRESULT; *result gets the
// returned value when given. Arguments are in call order.
HRESULT CallByName(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args,
                   VARIANT* result = nullptr);
VARIANT Text(const wchar_t* text);  // a BSTR the callee frees with the vector
VARIANT Long(long value);

// A copy of a screen rectangle (client area of window), 32-bit top-down.
struct Grab {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  // Mean of one colour component (16: red, 8: green, 0: blue) over a rectangle.
  double Mean(int shift, int x0, int y0, int x1, int y1) const;
};
Grab GrabWindow(HWND window);
// Saves the grab under build/cross/screenshots/<name>.bmp.
void SaveGrab(const Grab& grab, const std::string& name);

}  // namespace pelican_test
