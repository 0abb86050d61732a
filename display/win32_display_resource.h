// Resource identifiers of the display (shared by win32_display.rc and the
// code; kDisplayLogoResource in win32_video_display.h has the same value).
#include "platform/resource_ranges.h"

#define IDB_DISPLAY_LOGO 7301

#if !MARLOW_RES_IN(MARLOW_RES_DISPLAY_FIRST, MARLOW_RES_DISPLAY_LAST, IDB_DISPLAY_LOGO)
#error "display resources must stay in the display's range"
#endif
