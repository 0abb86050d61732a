#include "tests/support/win32_test_driver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace marlow::test {

// --- Processes -------------------------------------------------------------------
Process::~Process() {
  if (Running()) Terminate();
  if (process_) CloseHandle(process_);
}

bool Process::Start(const std::string& commandLine, const char* workingDirectory) {
  if (process_) return false;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, workingDirectory,
                      &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  id_ = info.dwProcessId;
  return true;
}

bool Process::Wait(int timeoutMs, DWORD* exitCode) {
  if (!process_) return false;
  if (WaitForSingleObject(process_, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) return false;
  if (exitCode) GetExitCodeProcess(process_, exitCode);
  return true;
}

void Process::Terminate() {
  if (!process_) return;
  TerminateProcess(process_, 1);
  WaitForSingleObject(process_, 5000);
}

bool Process::Running() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

// --- Finding windows -------------------------------------------------------------
namespace {

struct FindState {
  const WindowQuery* query;
  HWND found;
};

bool Matches(HWND window, const WindowQuery& query) {
  if (query.visibleOnly && !IsWindowVisible(window)) return false;
  if (query.processId) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != query.processId) return false;
  }
  if (query.className && ClassName(window) != query.className) return false;
  if (query.title && WindowText(window) != query.title) return false;
  return true;
}

BOOL CALLBACK FindTop(HWND window, LPARAM param) {
  auto* state = reinterpret_cast<FindState*>(param);
  if (!Matches(window, *state->query)) return TRUE;
  state->found = window;
  return FALSE;
}

struct ChildState {
  int id;
  const char* className;
  const char* text;
  HWND found;
};

BOOL CALLBACK FindChildProc(HWND window, LPARAM param) {
  auto* state = reinterpret_cast<ChildState*>(param);
  if (state->className) {
    if (ClassName(window) != state->className) return TRUE;
    if (state->text && WindowText(window) != state->text) return TRUE;
  } else if (GetDlgCtrlID(window) != state->id) {
    return TRUE;
  }
  state->found = window;
  return FALSE;
}

}  // namespace

HWND FindTopWindow(const WindowQuery& query) {
  FindState state = {&query, nullptr};
  EnumWindows(FindTop, reinterpret_cast<LPARAM>(&state));
  return state.found;
}

HWND WaitForTopWindow(const WindowQuery& query, int timeoutMs) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindTopWindow(query)) != nullptr; }, timeoutMs);
  return found;
}

HWND FindControl(HWND parent, int id) {
  ChildState state = {id, nullptr, nullptr, nullptr};
  if (parent) EnumChildWindows(parent, FindChildProc, reinterpret_cast<LPARAM>(&state));
  return state.found;
}

HWND FindChild(HWND parent, const char* className, const char* text) {
  ChildState state = {0, className, text, nullptr};
  if (parent && className)
    EnumChildWindows(parent, FindChildProc, reinterpret_cast<LPARAM>(&state));
  return state.found;
}

// --- Reading windows ---------------------------------------------------------------
std::string WindowText(HWND window) {
  // WM_GETTEXT crosses processes; GetWindowText would not read another
  // process's controls.
  char buffer[1024] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof(buffer), reinterpret_cast<LPARAM>(buffer),
                           SMTO_ABORTIFHUNG, 2000, &copied)) {
    return std::string();
  }
  return std::string(buffer, static_cast<size_t>(copied) < sizeof(buffer) ? copied : 0);
}

std::string ClassName(HWND window) {
  char buffer[256] = {};
  const int length = GetClassNameA(window, buffer, sizeof(buffer));
  return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

RECT WindowRect(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return rect;
}

RECT ClientRectOnScreen(HWND window) {
  RECT rect = {};
  GetClientRect(window, &rect);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

RECT RectInParent(HWND child) {
  RECT rect = WindowRect(child);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool IsShown(HWND window) {
  return window && IsWindowVisible(window);
}
bool IsEnabled(HWND window) {
  return window && IsWindowEnabled(window);
}

int CheckState(HWND button) {
  DWORD_PTR state = 0;
  SendMessageTimeoutA(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
  return static_cast<int>(state);
}

// --- Commands and input ---------------------------------------------------------------
void PostCommand(HWND window, int id, int code) {
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, code), 0);
}

namespace {

void SendMouse(DWORD flags, int x, int y) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = static_cast<LONG>((x * 65536LL + width / 2) / width);
  input.mi.dy = static_cast<LONG>((y * 65536LL + height / 2) / height);
  input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
  SendInput(1, &input, sizeof(input));
  POINT at;
  if (GetCursorPos(&at) && (at.x != x || at.y != y)) SetCursorPos(x, y);
}

}  // namespace

void MoveMouse(int x, int y) {
  SendMouse(0, x, y);
}
void MouseDown(int x, int y) {
  SendMouse(MOUSEEVENTF_LEFTDOWN, x, y);
}
void MouseUp(int x, int y) {
  SendMouse(MOUSEEVENTF_LEFTUP, x, y);
}

void Click(int x, int y) {
  MoveMouse(x, y);
  Settle(30);
  MouseDown(x, y);
  Settle(30);
  MouseUp(x, y);
}

POINT CentreOf(HWND window) {
  const RECT r = WindowRect(window);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void ClickWindow(HWND window) {
  const POINT p = CentreOf(window);
  Click(p.x, p.y);
}

void PressKey(WORD virtualKey, bool shift, bool control) {
  INPUT inputs[6] = {};
  int n = 0;
  auto key = [&](WORD vk, bool up) {
    inputs[n].type = INPUT_KEYBOARD;
    inputs[n].ki.wVk = vk;
    inputs[n].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ++n;
  };
  if (shift) key(VK_SHIFT, false);
  if (control) key(VK_CONTROL, false);
  key(virtualKey, false);
  key(virtualKey, true);
  if (control) key(VK_CONTROL, true);
  if (shift) key(VK_SHIFT, true);
  SendInput(static_cast<UINT>(n), inputs, sizeof(INPUT));
}

void Settle(int ms) {
  const DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(5);
  } while (static_cast<int>(GetTickCount() - start) < ms);
}

// --- Pixels ---------------------------------------------------------------------------
std::string ToString(const Rgb& c) {
  char text[48];
  std::snprintf(text, sizeof(text), "(%d, %d, %d)", c.r, c.g, c.b);
  return text;
}

bool Near(const Rgb& a, const Rgb& b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

Rgb Image::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return {-1, -1, -1};
  const uint32_t p = pixels_[static_cast<size_t>(y) * width_ + x];
  return {static_cast<int>((p >> 16) & 255), static_cast<int>((p >> 8) & 255),
          static_cast<int>(p & 255)};
}

void Image::Set(int x, int y, const Rgb& c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<size_t>(y) * width_ + x] = (static_cast<uint32_t>(c.r) << 16) |
                                                 (static_cast<uint32_t>(c.g) << 8) |
                                                 static_cast<uint32_t>(c.b);
}

Image Image::Crop(int x, int y, int width, int height) const {
  if (x < 0) width += x, x = 0;
  if (y < 0) height += y, y = 0;
  if (x + width > width_) width = width_ - x;
  if (y + height > height_) height = height_ - y;
  if (width <= 0 || height <= 0) return Image();
  Image out(width, height);
  for (int j = 0; j < height; ++j) {
    for (int i = 0; i < width; ++i) out.Set(i, j, At(x + i, y + j));
  }
  return out;
}

int Image::CountDifferent(int x, int y, int width, int height, const Rgb& colour,
                          int tolerance) const {
  int count = 0;
  for (int j = y; j < y + height; ++j) {
    for (int i = x; i < x + width; ++i) {
      if (!Near(At(i, j), colour, tolerance)) ++count;
    }
  }
  return count;
}

namespace {

// Reads a 32-bit top-down copy of `bitmap` (selected nowhere).
Image ReadBitmap(HDC reference, HBITMAP bitmap, int width, int height) {
  Image image(width, height);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<uint32_t> data(static_cast<size_t>(width) * height);
  if (!GetDIBits(reference, bitmap, 0, static_cast<UINT>(height), data.data(), &info,
                 DIB_RGB_COLORS)) {
    return Image();
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t p = data[static_cast<size_t>(y) * width + x];
      image.Set(x, y,
                {static_cast<int>((p >> 16) & 255), static_cast<int>((p >> 8) & 255),
                 static_cast<int>(p & 255)});
    }
  }
  return image;
}

}  // namespace

Image CaptureScreen(const RECT& rect) {
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return Image();
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY | CAPTUREBLT);
  SelectObject(memory, old);
  Image image = ReadBitmap(screen, bitmap, width, height);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return image;
}

Image CaptureWindow(HWND window) {
  return CaptureScreen(WindowRect(window));
}
Image CaptureClient(HWND window) {
  return CaptureScreen(ClientRectOnScreen(window));
}

Image LoadBitmapImage(HINSTANCE module, int id) {
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(module ? module : GetModuleHandleA(nullptr),
                                                   MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                                   LR_CREATEDIBSECTION));
  if (!bitmap) return Image();
  BITMAP info = {};
  GetObjectA(bitmap, sizeof(info), &info);
  HDC screen = GetDC(nullptr);
  Image image = ReadBitmap(screen, bitmap, info.bmWidth, info.bmHeight);
  ReleaseDC(nullptr, screen);
  DeleteObject(bitmap);
  return image;
}

// --- PNG ------------------------------------------------------------------------------
namespace {

uint32_t Crc32(const uint8_t* data, size_t length, uint32_t crc = 0) {
  static uint32_t table[256];
  static bool ready = false;
  if (!ready) {
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[n] = c;
    }
    ready = true;
  }
  crc = ~crc;
  for (size_t i = 0; i < length; ++i) crc = table[(crc ^ data[i]) & 255] ^ (crc >> 8);
  return ~crc;
}

void Put32(std::vector<uint8_t>* out, uint32_t v) {
  out->push_back(static_cast<uint8_t>(v >> 24));
  out->push_back(static_cast<uint8_t>(v >> 16));
  out->push_back(static_cast<uint8_t>(v >> 8));
  out->push_back(static_cast<uint8_t>(v));
}

void Chunk(std::vector<uint8_t>* out, const char* type, const std::vector<uint8_t>& data) {
  Put32(out, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out->insert(out->end(), body.begin(), body.end());
  Put32(out, Crc32(body.data(), body.size()));
}

}  // namespace

bool SavePng(const Image& image, const std::string& path) {
  if (image.Empty()) return false;
  const int width = image.Width(), height = image.Height();
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>(height) * (width * 3 + 1));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // no filter
    for (int x = 0; x < width; ++x) {
      const Rgb c = image.At(x, y);
      raw.push_back(static_cast<uint8_t>(c.r));
      raw.push_back(static_cast<uint8_t>(c.g));
      raw.push_back(static_cast<uint8_t>(c.b));
    }
  }
  // zlib stream of stored deflate blocks.
  std::vector<uint8_t> z = {0x78, 0x01};
  size_t offset = 0;
  do {
    const size_t n = raw.size() - offset < 65535 ? raw.size() - offset : 65535;
    z.push_back(offset + n == raw.size() ? 1 : 0);
    z.push_back(static_cast<uint8_t>(n));
    z.push_back(static_cast<uint8_t>(n >> 8));
    z.push_back(static_cast<uint8_t>(~n));
    z.push_back(static_cast<uint8_t>(~n >> 8));
    z.insert(z.end(), raw.begin() + static_cast<long>(offset),
             raw.begin() + static_cast<long>(offset + n));
    offset += n;
  } while (offset < raw.size());
  uint32_t a = 1, b = 0;
  for (uint8_t v : raw) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  Put32(&z, (b << 16) | a);

  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  Put32(&header, static_cast<uint32_t>(width));
  Put32(&header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});
  Chunk(&png, "IHDR", header);
  Chunk(&png, "IDAT", z);
  Chunk(&png, "IEND", {});
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool ok = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  return std::fclose(file) == 0 && ok;
}

std::string ScreenshotDir() {
  const char* env = std::getenv("MARLOW_SCREENSHOT_DIR");
  std::string dir = env && *env ? env : MARLOW_SCREENSHOT_DIR_DEFAULT;
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

std::string SaveScreenshot(const Image& image, const std::string& name) {
  const std::string path = ScreenshotDir() + "\\" + name + ".png";
  return SavePng(image, path) ? path : std::string();
}

}  // namespace marlow::test
