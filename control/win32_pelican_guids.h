// The control's fixed identifiers: type library, interfaces, control class
// and property page. They are written here once; the type library source
// (pelican.idl) includes this header for the same texts, and the C++ code
// uses the GUID values made from them at compile time. They never change
// from build to build: pages and registries out there name them.
#pragma once

#define PELICAN_LIBID_TEXT "faf8a33e-ef76-4453-9bf0-feea2f9eedcf"
#define PELICAN_DISPATCH_IID_TEXT "8da367e0-d9a1-4d65-aa4c-20a3e2000a06"
#define PELICAN_EVENTS_IID_TEXT "0952181f-edca-4b04-ad8d-164a27efbae2"
#define PELICAN_CLSID_TEXT "07a82ce8-eaf4-456b-896d-18e32576f899"
#define PELICAN_PROPPAGE_CLSID_TEXT "9dd484fa-838f-4dbd-8b68-b416d8c30d5c"
// The vtable interface behind _DPelican's methods, so that the type
// library's own invoke can call them (hidden, not for hosts).
#define PELICAN_METHODS_IID_TEXT "17ffa23e-342e-4e44-aa67-0e9a4f00a12a"

#ifndef __WIDL__
#include <windows.h>

namespace marlow {
namespace pelican {

constexpr unsigned HexDigit(char c) {
  return c >= '0' && c <= '9'   ? unsigned(c - '0')
         : c >= 'a' && c <= 'f' ? unsigned(c - 'a' + 10)
                                : unsigned(c - 'A' + 10);
}
constexpr unsigned long HexValue(const char* text, int digits) {
  unsigned long v = 0;
  for (int i = 0; i < digits; ++i) v = (v << 4) | HexDigit(text[i]);
  return v;
}
// "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" as a GUID.
constexpr GUID GuidFromText(const char (&t)[37]) {
  return GUID{HexValue(t, 8),
              static_cast<unsigned short>(HexValue(t + 9, 4)),
              static_cast<unsigned short>(HexValue(t + 14, 4)),
              {static_cast<unsigned char>(HexValue(t + 19, 2)),
               static_cast<unsigned char>(HexValue(t + 21, 2)),
               static_cast<unsigned char>(HexValue(t + 24, 2)),
               static_cast<unsigned char>(HexValue(t + 26, 2)),
               static_cast<unsigned char>(HexValue(t + 28, 2)),
               static_cast<unsigned char>(HexValue(t + 30, 2)),
               static_cast<unsigned char>(HexValue(t + 32, 2)),
               static_cast<unsigned char>(HexValue(t + 34, 2))}};
}

inline constexpr GUID kLibId = GuidFromText(PELICAN_LIBID_TEXT);
inline constexpr GUID kDispatchIid = GuidFromText(PELICAN_DISPATCH_IID_TEXT);
inline constexpr GUID kEventsIid = GuidFromText(PELICAN_EVENTS_IID_TEXT);
inline constexpr GUID kControlClsid = GuidFromText(PELICAN_CLSID_TEXT);
inline constexpr GUID kPropPageClsid = GuidFromText(PELICAN_PROPPAGE_CLSID_TEXT);
inline constexpr GUID kMethodsIid = GuidFromText(PELICAN_METHODS_IID_TEXT);

// Type library version.
constexpr WORD kLibMajor = 1;
constexpr WORD kLibMinor = 0;

}  // namespace pelican
}  // namespace marlow
#endif
