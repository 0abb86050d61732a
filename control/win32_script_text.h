// Text arguments from a script are untrusted: any length, a null string,
// embedded NULs. The control copies what it passes to the engine through
// here, with bounds.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace marlow {
namespace pelican {

// Longest address, recorder name or password the control passes on (a host
// name is at most 253 characters).
constexpr size_t kMaxScriptText = 255;

// Copies text (a BSTR; null is the empty text) up to its first NUL into
// *out in the ANSI code page. 1, or 0 when that is longer than limit
// characters (*out is then empty and nothing should use it).
int CopyScriptText(BSTR text, size_t limit, std::string* out);

}  // namespace pelican
}  // namespace marlow
