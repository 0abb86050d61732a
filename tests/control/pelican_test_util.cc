#include "tests/control/pelican_test_util.h"

#include <cstdio>

#ifndef MARLOW_PELICAN_OCX
#error "MARLOW_PELICAN_OCX names the module under test"
#endif
#ifndef MARLOW_SCREENSHOT_DIR
#error "MARLOW_SCREENSHOT_DIR names the folder for screenshots"
#endif

namespace pelican_test {

namespace {

std::wstring WindowsPath(const char* unixPath) {
  std::wstring path = L"Z:";
  for (const char* p = unixPath; *p != '\0'; ++p) path += *p == '/' ? L'\\' : wchar_t(*p);
  return path;
}

}  // namespace

std::wstring OcxPath() {
  return WindowsPath(MARLOW_PELICAN_OCX);
}

int RunProcess(const std::wstring& commandLine, std::string* output, DWORD timeoutMs) {
  SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return -1;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = writeEnd;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi = {};
  std::wstring line = commandLine;
  const BOOL started =
      CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  CloseHandle(writeEnd);
  if (!started) {
    CloseHandle(readEnd);
    return -1;
  }
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  const DWORD start = GetTickCount();
  for (;;) {
    DWORD waiting = 0;
    if (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0) {
      if (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
      }
      continue;
    }
    if (WaitForSingleObject(pi.hProcess, 20) == WAIT_OBJECT_0) {
      while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0 &&
             ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
      }
      break;
    }
    if (GetTickCount() - start > timeoutMs) {
      TerminateProcess(pi.hProcess, 99);
      WaitForSingleObject(pi.hProcess, 5000);
      CloseHandle(pi.hProcess);
      CloseHandle(pi.hThread);
      CloseHandle(readEnd);
      if (output != nullptr) *output = text;
      return -1;
    }
  }
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  CloseHandle(readEnd);
  if (output != nullptr) *output = text;
  return static_cast<int>(code);
}

int Regsvr32(bool unregister) {
  return RunProcess(
      std::wstring(L"regsvr32.exe /s ") + (unregister ? L"/u " : L"") + L"\"" + OcxPath() + L"\"",
      nullptr);
}

void Pump(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    if (done()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

HRESULT CallByName(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args,
                   VARIANT* result) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (SUCCEEDED(hr)) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                         static_cast<UINT>(reversed.size()), 0};
    UINT argError = 0;
    EXCEPINFO exception = {};
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result,
                        &exception, &argError);
  }
  for (VARIANT& v : args) VariantClear(&v);
  return hr;
}

VARIANT Text(const wchar_t* text) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(text);
  return v;
}

VARIANT Long(long value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

double Grab::Mean(int shift, int x0, int y0, int x1, int y1) const {
  double sum = 0;
  int n = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x, ++n) sum += (At(x, y) >> shift) & 0xFF;
  }
  return n > 0 ? sum / n : 0;
}

Grab GrabWindow(HWND window) {
  Grab g;
  RECT r;
  GetClientRect(window, &r);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  g.width = r.right;
  g.height = r.bottom;
  if (g.width <= 0 || g.height <= 0) return g;
  g.pixels.assign(static_cast<size_t>(g.width) * g.height, 0);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = g.width;
  bi.bmiHeader.biHeight = -g.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, g.width, g.height, screen, origin.x, origin.y, SRCCOPY);
  GdiFlush();
  memcpy(g.pixels.data(), bits, g.pixels.size() * 4);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  for (uint32_t& p : g.pixels) p &= 0xFFFFFF;
  return g;
}

void SaveGrab(const Grab& g, const std::string& name) {
  CreateDirectoryA(MARLOW_SCREENSHOT_DIR, nullptr);
  const std::string path = std::string(MARLOW_SCREENSHOT_DIR) + "/" + name + ".bmp";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return;
  BITMAPFILEHEADER fh = {};
  BITMAPINFOHEADER ih = {};
  const DWORD bytes = static_cast<DWORD>(g.pixels.size() * 4);
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof(fh) + sizeof(ih);
  fh.bfSize = fh.bfOffBits + bytes;
  ih.biSize = sizeof(ih);
  ih.biWidth = g.width;
  ih.biHeight = -g.height;
  ih.biPlanes = 1;
  ih.biBitCount = 32;
  ih.biSizeImage = bytes;
  std::fwrite(&fh, sizeof(fh), 1, f);
  std::fwrite(&ih, sizeof(ih), 1, f);
  std::fwrite(g.pixels.data(), 4, g.pixels.size(), f);
  std::fclose(f);
}

}  // namespace pelican_test
