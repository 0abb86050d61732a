#include "export/win32_select_compressor.h"

#include <vfw.h>

#include <cctype>
#include <cstring>

#include "export/win32_compress_options.h"

namespace marlow {

const char kUncompressedName[] = "Full Frames (Uncompressed)";

namespace {

DWORD LowerFourcc(DWORD f) {
  DWORD out = 0;
  for (int i = 0; i < 4; ++i) {
    const unsigned char c = static_cast<unsigned char>(f >> (8 * i));
    out |= static_cast<DWORD>(std::tolower(c)) << (8 * i);
  }
  return out;
}

}  // namespace

std::string CompressorName(DWORD handler) {
  ICINFO info = {};
  info.dwSize = sizeof info;
  for (DWORD i = 0; ICInfo(ICTYPE_VIDEO, i, &info); ++i) {
    // Handlers are compared without regard to case: the list and the
    // dialog do not always spell them alike.
    if (LowerFourcc(info.fccHandler) != LowerFourcc(handler)) continue;
    HIC ic = ICOpen(ICTYPE_VIDEO, info.fccHandler, ICMODE_QUERY);
    if (!ic) return std::string();
    ICINFO got = {};
    got.dwSize = sizeof got;
    std::string name;
    if (ICGetInfo(ic, &got, sizeof got)) {
      char text[256] = {};
      WideCharToMultiByte(CP_ACP, 0, got.szDescription, -1, text, sizeof text - 1, nullptr,
                          nullptr);
      name = text;
    }
    ICClose(ic);
    return name;
  }
  return std::string();
}

int SelectCompressor(HWND owner, std::string* name) {
  name->clear();
  AVIFileInit();
  // 1. A stream for the dialog to offer compressors for.
  const char kDummy[] = "dummy.avi";
  PAVIFILE file = nullptr;
  PAVISTREAM stream = nullptr;
  if (AVIFileOpenA(&file, kDummy, OF_CREATE | OF_WRITE, nullptr) != AVIERR_OK) {
    AVIFileExit();
    return 0;
  }
  AVISTREAMINFOA info = {};
  info.fccType = streamtypeVIDEO;
  info.dwScale = 1;
  info.dwRate = 30;
  info.dwSuggestedBufferSize = 430080;
  if (AVIFileCreateStreamA(file, &stream, &info) != AVIERR_OK) {
    AVIFileRelease(file);
    DeleteFileA(kDummy);
    AVIFileExit();
    return 0;
  }
  // 2. The user's choice fills the shared options.
  AVICOMPRESSOPTIONS& options = SharedCompressOptions();
  std::memset(&options, 0, sizeof options);
  LPAVICOMPRESSOPTIONS list[1] = {&options};
  const BOOL chosen = AVISaveOptions(owner, 0, 1, &stream, list);
  AVIStreamRelease(stream);
  AVIFileRelease(file);
  // The stream was only there for the dialog; its empty file goes too.
  DeleteFileA(kDummy);
  AVIFileExit();
  if (!chosen) {
    std::memset(&options, 0, sizeof options);
    return 0;
  }
  // 3. The name.
  if (options.fccHandler == mmioFOURCC('D', 'I', 'B', ' ') || options.fccHandler == 0) {
    *name = kUncompressedName;
  } else {
    *name = CompressorName(options.fccHandler);
  }
  return 1;
}

}  // namespace marlow
