#include "control/win32_script_text.h"

#include <oleauto.h>

#include <cwchar>

namespace marlow {
namespace pelican {

int CopyScriptText(BSTR text, size_t limit, std::string* out) {
  out->clear();
  if (text == nullptr) return 1;
  // The BSTR's own length bounds the scan; the text ends at a NUL as a
  // C string would.
  const size_t length = wcsnlen(text, SysStringLen(text));
  if (length > limit) return 0;
  if (length == 0) return 1;
  const int wide = static_cast<int>(length);
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text, wide, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return 0;
  out->resize(static_cast<size_t>(bytes));
  if (WideCharToMultiByte(CP_ACP, 0, text, wide, &(*out)[0], bytes, nullptr, nullptr) != bytes) {
    out->clear();
    return 0;
  }
  return 1;
}

}  // namespace pelican
}  // namespace marlow
