#include "tests/viewer_win32/dialog_driver.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <thread>

namespace marlow::viewer::test {

namespace {

struct Search {
  const char* title;
  HWND found;
};

BOOL CALLBACK FindTitled(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
  if (TextOf(window) != search->title) return TRUE;
  search->found = window;
  return FALSE;
}

// PNG writing for screenshots: stored (uncompressed) deflate blocks keep the
// writer small; the files are for looking at, not for keeping.
uint32_t Crc(const uint8_t* data, size_t n, uint32_t crc = 0xFFFFFFFFu) {
  for (size_t i = 0; i < n; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc;
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  Put32(out, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  Put32(out, Crc(body.data(), body.size()) ^ 0xFFFFFFFFu);
}

std::vector<uint8_t> Png(int width, int height, const std::vector<uint8_t>& rgbRows) {
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  Put32(header, static_cast<uint32_t>(width));
  Put32(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});
  Chunk(out, "IHDR", header);
  std::vector<uint8_t> z = {0x78, 0x01};
  uint32_t a = 1, b = 0;
  for (size_t at = 0; at < rgbRows.size() || at == 0;) {
    const size_t n = std::min<size_t>(65535, rgbRows.size() - at);
    const bool last = at + n == rgbRows.size();
    z.push_back(last ? 1 : 0);
    z.push_back(static_cast<uint8_t>(n));
    z.push_back(static_cast<uint8_t>(n >> 8));
    z.push_back(static_cast<uint8_t>(~n));
    z.push_back(static_cast<uint8_t>(~n >> 8));
    for (size_t i = 0; i < n; ++i) {
      const uint8_t v = rgbRows[at + i];
      z.push_back(v);
      a = (a + v) % 65521;
      b = (b + a) % 65521;
    }
    at += n;
    if (last) break;
  }
  Put32(z, b << 16 | a);
  Chunk(out, "IDAT", z);
  Chunk(out, "IEND", {});
  return out;
}

}  // namespace

HWND WaitForWindow(const char* title, int timeoutMs) {
  for (int waited = 0; waited <= timeoutMs; waited += 20) {
    Search search = {title, nullptr};
    EnumWindows(FindTitled, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    Sleep(20);
  }
  return nullptr;
}

bool WithDialog(const char* title, const std::function<void()>& run,
                const std::function<void(HWND)>& drive) {
  bool found = false;
  std::thread driver([&] {
    HWND dialog = WaitForWindow(title);
    found = dialog != nullptr;
    if (!found) {
      // Whatever opened instead is closed, so the test reports and ends.
      if (HWND other = GetForegroundWindow()) PostMessageA(other, WM_COMMAND, IDCANCEL, 0);
      return;
    }
    Settle();
    drive(dialog);
  });
  run();
  driver.join();
  return found;
}

std::string TextOf(HWND window) {
  char text[1024] = "";
  // WM_GETTEXT also reaches windows of the other thread.
  SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

std::string ControlText(HWND dialog, int id) {
  return TextOf(GetDlgItem(dialog, id));
}

void SetControlText(HWND dialog, int id, const char* text) {
  SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void Type(HWND control, const char* text) {
  for (const char* p = text; *p; ++p)
    SendMessageA(control, WM_CHAR, static_cast<unsigned char>(*p), 1);
}

void Click(HWND dialog, int id) {
  SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

bool IsChecked(HWND dialog, int id) {
  return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsShown(HWND dialog, int id) {
  return (GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

bool IsEnabled(HWND dialog, int id) {
  return IsWindowEnabled(GetDlgItem(dialog, id)) != 0;
}

HWND FocusOf(HWND dialog) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
  return info.hwndFocus;
}

void Settle(int ms) {
  Sleep(ms);
}

std::string SaveScreenshot(HWND window, const char* name) {
  Settle(300);
  RECT r;
  GetWindowRect(window, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return "";
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  // The screen as the user sees it. The test X server has no window manager,
  // so the caption bar stays dark; the client area is what counts.
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  std::vector<uint8_t> rows;
  rows.reserve(static_cast<size_t>(height) * (width * 3 + 1));
  const auto* pixels = static_cast<const uint32_t*>(bits);
  for (int y = 0; y < height; ++y) {
    rows.push_back(0);
    for (int x = 0; x < width; ++x) {
      const uint32_t p = pixels[y * width + x];
      rows.push_back(static_cast<uint8_t>(p >> 16));
      rows.push_back(static_cast<uint8_t>(p >> 8));
      rows.push_back(static_cast<uint8_t>(p));
    }
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  CreateDirectoryA(MARLOW_SCREENSHOT_DIR, nullptr);
  const std::string path = std::string(MARLOW_SCREENSHOT_DIR) + "/" + name + ".png";
  const std::vector<uint8_t> png = Png(width, height, rows);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return "";
  std::fwrite(png.data(), 1, png.size(), f);
  std::fclose(f);
  return path;
}

void NoticeRecorder::Notice(const char* text, const char* /*caption*/) {
  notices.push_back(text);
}

int NoticeRecorder::Ask(const char* text, const char* /*caption*/) {
  questions.push_back(text);
  return answer;
}

std::string TestFolder(const char* name) {
  char temp[MAX_PATH] = "";
  GetTempPathA(sizeof temp, temp);
  char path[MAX_PATH];
  // Process ids come back in later runs: the tick count keeps folders apart.
  std::snprintf(path, sizeof path, "%smarlow_dlg_%lu_%llu_%s", temp, GetCurrentProcessId(),
                static_cast<unsigned long long>(GetTickCount64()), name);
  CreateDirectoryA(path, nullptr);
  return path;
}

}  // namespace marlow::viewer::test
