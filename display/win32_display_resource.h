// Resource identifiers of the display (shared by win32_display.rc and the
// code; kDisplayLogoResource in win32_video_display.h has the same value).
#define IDB_DISPLAY_LOGO 7301
