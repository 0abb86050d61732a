// Still capture: what the display window shows now goes to the clipboard as
// a bitmap, and the clipboard's device-independent rendering of it goes into
// a BMP file. The system does the format conversion, so the file holds the
// pixel layout of the desktop (plain RGB or bit fields).
#include <windows.h>

#include <cstdio>

#include "display/still_bmp.h"
#include "display/win32_video_display.h"

namespace marlow {
namespace {

// Writes the clipboard's CF_DIB behind a file header. 0 when there is none
// or the file cannot be written.
int WriteClipboardDib(const char* path) {
  HANDLE block = GetClipboardData(CF_DIB);
  if (block == nullptr) return 0;
  const SIZE_T size = GlobalSize(block);
  const uint8_t* dib = static_cast<const uint8_t*>(GlobalLock(block));
  if (dib == nullptr) return 0;
  uint8_t header[kBmpFileHeaderBytes];
  int ok = MakeBmpFileHeader(dib, size, header);
  if (ok) {
    std::FILE* file = std::fopen(path, "wb");
    ok = file != nullptr;
    if (ok) {
      ok = std::fwrite(header, 1, sizeof(header), file) == sizeof(header) &&
           std::fwrite(dib, 1, size, file) == size;
      ok = std::fclose(file) == 0 && ok;
    }
  }
  GlobalUnlock(block);
  return ok;
}

}  // namespace

int VideoDisplay::CaptureToFile(const char* path) {
  HWND window = window_;
  if (window == nullptr || path == nullptr) return 1;
  HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  RECT client = {0, 0, 0, 0};
  GetClientRect(window, &client);
  HDC windowDc = GetDC(window);
  HDC memory = CreateCompatibleDC(windowDc);
  HBITMAP bitmap = CreateCompatibleBitmap(windowDc, client.right, client.bottom);
  bool copied = false;
  if (memory != nullptr && bitmap != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    {
      // No picture is half drawn while the window is copied.
      Lock hold(&lock_);
      copied = BitBlt(memory, 0, 0, client.right, client.bottom, windowDc, 0, 0, SRCCOPY) != 0;
    }
    SelectObject(memory, old);
  }
  if (memory != nullptr) DeleteDC(memory);
  ReleaseDC(window, windowDc);

  bool handedOver = false;
  if (copied && OpenClipboard(window)) {
    EmptyClipboard();
    // From here on the bitmap belongs to the clipboard.
    handedOver = SetClipboardData(CF_BITMAP, bitmap) != nullptr;
    CloseClipboard();
  }
  if (!handedOver && bitmap != nullptr) DeleteObject(bitmap);
  if (handedOver && OpenClipboard(window)) {
    if (IsClipboardFormatAvailable(CF_DIB)) WriteClipboardDib(path);
    CloseClipboard();
  }
  SetCursor(previous);
  return 1;
}

}  // namespace marlow
